// The combination of the methods' times of minimum ("Calc. Means"): from the
// rows the user marked "Use in Mean?", the simple mean, the weighted mean
// (weights 1 / error^2) with its uncertainty, and the sample standard deviation
// of the times. Inputs are the texts of the main window's result rows, read by
// the leading-number rule (Val); outputs are the numbers and the texts the four
// result boxes show. Reading and writing the boxes is left to the window.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/format.h"

namespace vantor {

// Errors below this (days, in absolute value) make a row unusable.
inline constexpr double kSmallestUsableError = 0.000001;

// The same limit for boxes written with `decimals` decimals: a tenth of the
// last decimal, so that it is kSmallestUsableError at 5 decimals and, at any
// precision, exactly the errors whose boxes show zero are unusable.
double SmallestUsableError(int decimals);

// One row of the main window's result table.
struct CombinationRow {
  std::string timeText;   // Text k: time of minimum, full HJD
  std::string errorText;  // Text k+6: estimated error, days
  bool checked = false;   // Check k: "Use in Mean?"
};

// What one press of "Calc. Means" gives.
struct Combination {
  bool computed = false;  // false when no row was usable: the four boxes keep their contents
  double simpleMean = 0, weightedMean = 0, uncertainty = 0;
  std::optional<double> stdDev;  // empty when n = 1
  // As the four boxes show them: FormatFixed(v, 14, 5) and, for the standard
  // deviation, FormatFixed(v, 12, 5), without leading blanks (wider and with
  // more decimals at a higher precision); stdDevText is ""
  // when n = 1 (the box is cleared). All "" when !computed.
  std::string simpleMeanText, weightedMeanText, uncertaintyText, stdDevText;
  std::array<bool, 6> checkedAfter{};  // Check1..6 after the run (unusable rows cleared)
  int n = 0;                           // rows that took part
  double base = 0;                     // B = 100 Int(T / 100) of the first checked row, 0 if none
  std::vector<int> usedRows;           // the rows 1..6 that took part
  // Checked rows left out because their error shows as zero at the precision
  // of the boxes: the window and the command line say so under the means.
  std::vector<int> belowPrecisionRows;
  // Why nothing was computed although rows were ticked: a time or an error
  // typed into a row that is no number to combine (see CombineMinima); ""
  // otherwise. The window shows it; the four boxes keep their contents.
  std::string refusal;
  // With "Weights from bootstrap errors": the line saying which error each
  // used row was weighted by; "" with the rows' own errors.
  std::string weightsNote;
};

// Combines the checked rows. The base B comes from the first checked row even
// when that row is then rejected; every checked row with |error| < 0.000001 is
// unchecked and skipped. With d = T - B and e the error, over the n used rows:
// simple mean B + sum d / n, weighted mean B + sum(d / e^2) / sum(1 / e^2),
// uncertainty sqrt(1 / sum(1 / e^2)), and for n >= 2 the standard deviation
// sqrt((S2 - S1^2 / n) / (n - 1)) with S1 = sum d, S2 = sum d^2 (a negative
// radicand, which only rounding can produce, counts as 0).
// With more decimals (6 or 7) the texts are ResultText and StdDevText of
// that precision and the limit is SmallestUsableError(decimals).
// Typed rows that would make the figures meaningless are refused, nothing
// being computed and `refusal` saying which row and why: a time with no
// leading number (letters, an empty box, "nan", which Val reads as 0) in the
// first checked row (it gives the base) or in a row with a usable error, and
// a time or error of 1E10 days or more in magnitude (1e308, or a number too
// large for a double), whose squares would overflow the sums.
Combination CombineMinima(const std::array<CombinationRow, 6>& rows,
                          int decimals = kDefaultDecimals);

// A row's bootstrap error for "Weights from bootstrap errors": the error
// (days), or why the row has none (the tracing paper, a typed row, a
// refused bootstrap).
struct BootstrapWeight {
  std::optional<double> error;
  std::string whyNone;
};

// "Calc. Means" weighted by bootstrap errors: each row with a bootstrap error
// takes it, written as its error box would show it at `decimals`, in place of
// its own error text; a row without one keeps its own. Everything else is
// CombineMinima. The weightsNote names, for every row that took part, the
// error it was weighted by and whether it came from `runs` resampled light
// curves or is the row's own (and why).
Combination CombineWithBootstrapWeights(const std::array<CombinationRow, 6>& rows,
                                        const std::array<BootstrapWeight, 6>& weights, int runs,
                                        int decimals = kDefaultDecimals);

}  // namespace vantor
