// "Calc. Means": the combination of the checked times of minimum.
#include "core/combination.h"

#include <cmath>

#include "core/format.h"
#include "core/text.h"

namespace vantor {

Combination CombineMinima(const std::array<CombinationRow, 6>& rows) {
  Combination r{};
  for (int k = 0; k < 6; ++k) r.checkedAfter[k] = rows[k].checked;

  // The base only shifts the sums to small numbers; it comes from the first
  // checked row whether or not that row turns out usable.
  double B = 0;
  for (const CombinationRow& row : rows) {
    if (row.checked) {
      B = 100 * std::floor(Val(row.timeText) / 100);
      break;
    }
  }
  r.base = B;

  double S1 = 0, S2 = 0, S3 = 0, S4 = 0;
  int n = 0;
  for (int k = 0; k < 6; ++k) {
    if (!rows[k].checked) continue;
    const double d = Val(rows[k].timeText) - B;
    const double e = Val(rows[k].errorText);
    if (std::fabs(e) < kSmallestUsableError) {
      r.checkedAfter[k] = false;
      continue;
    }
    S1 += d;
    S2 += d * d;
    S3 += d / (e * e);
    S4 += 1 / (e * e);
    ++n;
    r.usedRows.push_back(k + 1);
  }
  r.n = n;
  if (n == 0) return r;

  r.computed = true;
  r.simpleMean = B + S1 / n;
  r.weightedMean = B + S3 / S4;
  r.uncertainty = std::sqrt(1 / S4);
  r.simpleMeanText = FormatResult(r.simpleMean, 14, 5);
  r.weightedMeanText = FormatResult(r.weightedMean, 14, 5);
  r.uncertaintyText = FormatResult(r.uncertainty, 14, 5);
  if (n >= 2) {
    // Equal times can leave a tiny negative through rounding.
    double variance = (S2 - S1 * S1 / n) / (n - 1);
    if (variance < 0) variance = 0;
    r.stdDev = std::sqrt(variance);
    r.stdDevText = FormatResult(*r.stdDev, 12, 5);
  }
  return r;
}

}  // namespace vantor
