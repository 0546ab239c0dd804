// Reading and writing numbers without the locale: the one number parser of
// Vantor (a whole field, as files and the command line give numbers, and the
// leading number of a text box) and printf's %f, %e and %g as the C locale
// writes them. Nothing here reads LC_NUMERIC or the C++ global locale, so a
// desktop under de_DE.UTF-8 or a Python process whose host set a decimal-comma
// locale reads "0.90" as 0.9 and writes 0.9 as "0.9" like everywhere else.
//
// Not here: splitting lines into fields, trimming them (callers trim, each with
// its own blanks), and range checks beyond finiteness.
#pragma once

#include <expected>
#include <string>
#include <string_view>

namespace vantor {

// Why a whole field is not taken as a number.
enum class NumberFault {
  kNotNumber,  // empty, a blank or any other character, "1,5", "+-1", "0x1A", "1e400"
  kNotFinite,  // "inf", "infinity", "nan", "nan(...)" with an optional sign
};

// Which numbers a whole field may spell.
enum class NumberForm {
  kGeneral,  // an exponent is allowed: "1e3", "2.5E-4"
  kFixed,    // digits and one full stop only: "1e3" is refused
};

// Reads `text` as exactly one decimal number, nothing before or after it:
//   [+|-] digits [. digits] [(e|E) [+|-] digits]   (kGeneral)
// with digits before or after the full stop or both ("5.", ".5", "-.5"). One
// sign at most ("+-0.3465" and "--1" are refused); the full stop is the only
// decimal separator; no blank, group separator, hexadecimal or D exponent.
// A value beyond the double range (|x| above about 1.8e308, or so small that
// it would read as 0) is refused as kNotNumber; inf and nan spelled out as
// kNotFinite, so a reader can say "not a finite number". Every value
// returned is finite.
std::expected<double, NumberFault> ParseNumber(std::string_view text,
                                               NumberForm form = NumberForm::kGeneral);

// The leading number of a text, as the text boxes read it.
struct LeadingNumber {
  double value = 0;    // 0 when none was found
  bool found = false;  // at least one digit was found
};

// Reads the number a text begins with: leading blanks (space, tab, CR, LF)
// are skipped, blanks inside the number are skipped too ("1 234.5" is 1234.5),
// one sign may come first, the number ends at the first character that cannot
// continue it, the full stop is the decimal separator (a second one ends the
// number), and an exponent may follow: E or D in either case, an optional
// sign and at least one digit, blanks allowed. A text without a digit before
// that end reads as {0, false}. A number too large for a double reads as
// +-infinity, one too small as +-0.
LeadingNumber ReadLeadingNumber(std::string_view text);

// What printf("%.<precision><conversion>", v) writes in the C locale, for the
// conversions 'f', 'e' and 'g' (any other reads as 'g'): "0.90" for 0.9 with
// 'f' and 2, whatever LC_NUMERIC says. Non-finite values give "inf", "-inf",
// "nan" (or "-nan") as printf does. A precision below 0 counts as 0, above 100
// as 100.
std::string FormatNumber(double v, char conversion, int precision);

}  // namespace vantor
