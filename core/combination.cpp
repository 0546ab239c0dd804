// "Calc. Means": the combination of the checked times of minimum.
#include "core/combination.h"

#include <cmath>

#include "core/format.h"
#include "core/method_rows.h"
#include "core/store.h"
#include "core/text.h"
#include "core/textfile.h"

namespace vantor {

double SmallestUsableError(int decimals) {
  switch (decimals) {
    case 6:
      return 0.0000001;
    case 7:
      return 0.00000001;
    default:
      return kSmallestUsableError;
  }
}

namespace {

// Typed texts that are no number to combine: the first such checked row,
// named, with what to do; empty when there is none. A row with an unusable
// error is only left out, as always, unless its time gives the base.
std::string RefusalOfRows(const std::array<CombinationRow, 6>& rows, double smallest) {
  bool first = true;
  for (int k = 0; k < 6; ++k) {
    if (!rows[k].checked) continue;
    const double e = Val(rows[k].errorText);
    const bool used = !(std::fabs(e) < smallest);
    const std::string row = "Row " + std::to_string(k + 1) + " (" + MethodTitle(k + 1) + "): ";
    if ((first || used) && !HasLeadingNumber(rows[k].timeText)) {
      return row + "the time \"" + rows[k].timeText +
             "\" is not a number. Type a time of minimum (HJD) or untick \"Use in Mean?\".";
    }
    if ((first || used) && !(std::fabs(Val(rows[k].timeText)) < kLargestHjd)) {
      return row + "the time \"" + rows[k].timeText +
             "\" lies beyond 1E10 days. Type a time of minimum (HJD) or untick \"Use in "
             "Mean?\".";
    }
    if (used && !(std::fabs(e) < kLargestHjd)) {
      return row + "the error \"" + rows[k].errorText +
             "\" is beyond 1E10 days. Type the error in days or untick \"Use in Mean?\".";
    }
    first = false;
  }
  return {};
}

// The base only shifts the sums to small numbers; it comes from the first
// checked row whether or not that row turns out usable.
double BaseOf(const std::array<CombinationRow, 6>& rows) {
  for (const CombinationRow& row : rows) {
    if (row.checked) return 100 * std::floor(Val(row.timeText) / 100);
  }
  return 0;
}

// The sums over the usable checked rows of d = time - base and their
// weights 1 / e^2, and how many rows went into them.
struct Sums {
  double S1 = 0, S2 = 0, S3 = 0, S4 = 0;
  int n = 0;
};

// Sums the checked rows whose error is usable; the others are unticked in
// r.checkedAfter and listed in r.belowPrecisionRows, the used ones in r.usedRows.
Sums SumUsableRows(const std::array<CombinationRow, 6>& rows, double smallest, double B, Combination& r) {
  Sums s;
  for (int k = 0; k < 6; ++k) {
    if (!rows[k].checked) continue;
    const double d = Val(rows[k].timeText) - B;
    const double e = Val(rows[k].errorText);
    if (std::fabs(e) < smallest) {
      r.checkedAfter[k] = false;
      r.belowPrecisionRows.push_back(k + 1);
      continue;
    }
    s.S1 += d;
    s.S2 += d * d;
    s.S3 += d / (e * e);
    s.S4 += 1 / (e * e);
    ++s.n;
    r.usedRows.push_back(k + 1);
  }
  return s;
}

// The means, the weighted mean's uncertainty and (from two rows on) the
// standard deviation, as numbers and as the boxes show them.
void SetMeans(const Sums& s, double B, int decimals, Combination& r) {
  const int n = s.n;
  r.computed = true;
  r.simpleMean = B + s.S1 / n;
  r.weightedMean = B + s.S3 / s.S4;
  r.uncertainty = std::sqrt(1 / s.S4);
  r.simpleMeanText = ResultText(r.simpleMean, decimals);
  r.weightedMeanText = ResultText(r.weightedMean, decimals);
  r.uncertaintyText = ResultText(r.uncertainty, decimals);
  if (n >= 2) {
    // Equal times can leave a tiny negative through rounding.
    double variance = (s.S2 - s.S1 * s.S1 / n) / (n - 1);
    if (variance < 0) variance = 0;
    r.stdDev = std::sqrt(variance);
    r.stdDevText = StdDevText(*r.stdDev, decimals);
  }
}

}  // namespace

Combination CombineMinima(const std::array<CombinationRow, 6>& rows, int decimals) {
  const double smallest = SmallestUsableError(decimals);
  Combination r{};
  for (int k = 0; k < 6; ++k) r.checkedAfter[k] = rows[k].checked;
  r.refusal = RefusalOfRows(rows, smallest);
  if (!r.refusal.empty()) return r;
  r.base = BaseOf(rows);
  const Sums sums = SumUsableRows(rows, smallest, r.base, r);
  r.n = sums.n;
  if (sums.n == 0) return r;
  SetMeans(sums, r.base, decimals, r);
  return r;
}

Combination CombineWithBootstrapWeights(const std::array<CombinationRow, 6>& rows,
                                        const std::array<BootstrapWeight, 6>& weights, int runs,
                                        int decimals) {
  std::array<CombinationRow, 6> weighted = rows;
  for (size_t k = 0; k < rows.size(); ++k) {
    if (weights[k].error) weighted[k].errorText = ResultText(*weights[k].error, decimals);
  }
  Combination c = CombineMinima(weighted, decimals);
  std::string bootstrapped, own;
  for (const int row : c.usedRows) {
    const size_t k = static_cast<size_t>(row - 1);
    std::string& list = weights[k].error ? bootstrapped : own;
    if (!list.empty()) list += "; ";
    list += std::string(MethodTitle(row)) + " " + std::string(TrimBlanks(weighted[k].errorText));
    if (!weights[k].error && !weights[k].whyNone.empty()) {
      std::string why = weights[k].whyNone;
      if (why.back() == '.') why.pop_back();  // the note's own full stop ends it
      list += " (" + why + ")";
    }
  }
  c.weightsNote = "Weights from bootstrap errors";
  if (!bootstrapped.empty()) {
    c.weightsNote += " of " + std::to_string(runs) + " resampled light curves: " + bootstrapped;
  }
  if (!own.empty()) {
    c.weightsNote += std::string(bootstrapped.empty() ? ": " : ". ") +
                     "Weighted by their own errors: " + own;
  }
  if (bootstrapped.empty() && own.empty()) c.weightsNote += ": no row took part";
  c.weightsNote += ".";
  return c;
}

}  // namespace vantor
