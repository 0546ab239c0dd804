// Number formatting: every number Vantor shows (times of minimum, errors,
// means, axis labels, fit parameters) is rendered by FormatFixed, which right-
// aligns a fixed number of decimals in a field of fixed width and falls back to
// the scientific form of FormatSci when the number cannot fit.
//
// All functions are pure. Non-finite values never crash: they print as "NaN",
// "Inf" or "-Inf" (right-aligned, cut to the width).
//
// Length: FormatFixed and FormatSci return exactly `width` characters, with
// one exception: a scientific form whose exponent has three digits (|x| of
// 1E+99 or more) is one character longer than the width. A number that needs
// the scientific form in a width below 6, where no mantissa and exponent fit,
// prints as `width` stars.
#pragma once

#include <string>

namespace vantor {

// The fewest characters of a scientific form: mantissa, "e+" and two digits.
inline constexpr int kSciMinWidth = 6;

// The plain decimal text of v: rounded to 15 significant digits, full stop as
// decimal point, trailing zeros (and a bare point) removed, no leading zero
// before the point when |v| < 1 (0.5 gives ".5"), "-" for negatives, never an
// exponent. DecimalText(0) is "0".
std::string DecimalText(double v);

// The C library's fixed-point text of v with `decimals` decimals ("%.*f"): a
// leading zero before the point, no padding ("0.00000" for a value that
// rounds to zero). For messages and exported tables, not the result boxes.
std::string FixedText(double v, int decimals);

// Renders x with `decimals` decimals right-aligned in `width` characters. When
// the rounded text is too long by less than decimals + 1 characters, its last
// digits are cut off, as long as that drops decimals only; otherwise (longer
// still, or a whole number that does not fit) FormatSci(x, width, width - 6).
// A value that needs rounding shows only the digits its rounded form has
// (1.2000004 with 5 decimals gives "1.2").
std::string FormatFixed(double x, int width, int decimals);

// Scientific form: a mantissa in [0.1, 1) formatted by FormatFixed, then
// "e+NN" or "e-NN" ("e+NNN" from 1E+99 on), right-aligned in `width`.
// Decimals above width - 6 are reduced to width - 6 (and never below 0). A
// form longer than a width below 6 gives `width` stars instead.
std::string FormatSci(double x, int width, int decimals);

// The decimal text of n with copies of `pad` put in front until it has
// `width` characters; a longer text is returned whole.
std::string PadInt(int n, int width, char pad);

// FormatFixed with its leading blanks removed, as result boxes show it.
std::string FormatResult(double x, int width = 14, int decimals = 5);

// The precision of times, errors and means: 5 decimals of a day (0.86 s), as
// the program has always shown them, or 6 or 7 for photometry that times
// eclipses to a fraction of that.
inline constexpr int kDefaultDecimals = 5;
inline constexpr int kMostDecimals = 7;
inline bool ValidDecimals(int decimals) {
  return decimals >= kDefaultDecimals && decimals <= kMostDecimals;
}

// A time, error or mean as the result boxes show it with `decimals`
// decimals: FormatResult(x, 9 + decimals, decimals), so 5 decimals give
// FormatResult(x, 14, 5) and a full HJD keeps its integer part at 6 or 7.
std::string ResultText(double x, int decimals = kDefaultDecimals);

// The standard deviation of the means as its box shows it:
// FormatResult(x, 7 + decimals, decimals) (12 wide at 5 decimals).
std::string StdDevText(double x, int decimals = kDefaultDecimals);

// Whether an error rounds to zero with `decimals` decimals (below half a
// unit of the last decimal shown).
bool BelowPrecision(double error, int decimals = kDefaultDecimals);

// Said of a row whose error shows as zero: the row cannot be weighted.
inline constexpr const char* kBelowPrecisionNotice =
    "error below the shown precision \u2014 choose more decimals";

// The tracing paper's caption of Label8 without smoothing.
inline constexpr const char* kNoAveraging = "No averaging";

// The caption of Label8 for an averaging level: "No averaging" for 1 (or any
// level below 3), "3-point averaging" ... "9-point averaging".
std::string AveragingCaption(int level);

}  // namespace vantor
