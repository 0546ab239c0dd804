// Number formatting: DecimalText, FormatFixed, FormatSci, PadInt.
#include "core/format.h"

#include "core/number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vantor {
namespace detail {

std::string NonFiniteText(double v) {
  if (std::isnan(v)) return "NaN";
  return v < 0 ? "-Inf" : "Inf";
}

// FormatFixed's body. allowSci = false is used for the mantissa of FormatSci,
// so that a mantissa that cannot fit is cut instead of recursing without end.
std::string FormatFixedImpl(double x, int width, int decimals, bool allowSci) {
  if (!std::isfinite(x)) {
    std::string t = NonFiniteText(x);
    if (width > 0 && static_cast<int>(t.size()) > width) return t.substr(0, width);
    return std::string(std::max(0, width - static_cast<int>(t.size())), ' ') + t;
  }
  const bool negative = x < 0;
  const double a = std::fabs(x);
  std::string s = DecimalText(a);
  int nd = 0;
  const auto point = s.find('.');
  if (point == std::string::npos) {
    s += '.';
  } else {
    nd = static_cast<int>(s.size() - point - 1);
  }
  if (nd < decimals) {
    s.append(decimals - nd, '0');
  } else {
    const double p = std::pow(10.0, decimals);
    const double v = std::floor(a * p + 0.5) / p;
    s = DecimalText(v);
  }
  if (a < 1) s.insert(0, "0");
  if (negative) s.insert(0, "-");

  const int over = static_cast<int>(s.size()) - width;
  if (over <= 0) return std::string(-over, ' ') + s;
  // Cutting may only drop decimals: when rounding took the point away (a
  // value rounded to a whole number), or the point lies beyond the width, it
  // would drop digits of the whole part and show a number ten or more times
  // too small.
  const auto pointAt = s.find('.');
  const bool cutKeepsWholePart = pointAt != std::string::npos && static_cast<int>(pointAt) < width;
  if ((over < decimals + 1 && cutKeepsWholePart) || !allowSci) {
    return s.substr(0, std::max(0, width));
  }
  return FormatSci(x, width, width - 6);
}

}  // namespace detail

std::string FixedText(double v, int decimals) { return FormatNumber(v, 'f', decimals); }

std::string DecimalText(double v) {
  if (!std::isfinite(v)) return detail::NonFiniteText(v);
  if (v == 0) return "0";
  const std::string sci = FormatNumber(std::fabs(v), 'e', 14);
  // sci is "d.dddddddddddddde[+-]XX[X]"
  std::string digits;
  digits += sci[0];
  const char* p = sci.c_str() + 2;
  while (*p != 'e') digits += *p++;
  const int exponent = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string intPart, fracPart;
  if (exponent >= 0) {
    const size_t nInt = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= nInt) {
      intPart = digits + std::string(nInt - digits.size(), '0');
    } else {
      intPart = digits.substr(0, nInt);
      fracPart = digits.substr(nInt);
    }
  } else {
    fracPart = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  std::string s = v < 0 ? "-" : "";
  s += intPart;
  if (!fracPart.empty()) s += "." + fracPart;
  return s;
}

std::string FormatFixed(double x, int width, int decimals) {
  return detail::FormatFixedImpl(x, width, decimals, true);
}

std::string FormatSci(double x, int width, int decimals) {
  if (decimals > width - 6) decimals = width - 6;
  if (decimals < 0) decimals = 0;
  std::string r;
  if (!std::isfinite(x)) {
    r = detail::NonFiniteText(x);
  } else if (std::fabs(x) > 1E-16) {
    const int e = static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
    // At the ends of the double range 10^e itself is not finite: divide in two steps there.
    const double m = std::abs(e) <= 300 ? x / std::pow(10.0, e)
                                        : x / std::pow(10.0, e / 2) / std::pow(10.0, e - e / 2);
    r = detail::FormatFixedImpl(m, decimals + 2, decimals, false);
    r += e < 0 ? "e-" : "e+";
    r += PadInt(std::abs(e), 2, '0');
  } else {
    r = "." + std::string(decimals, '0') + "e+00";
  }
  // Below six characters no mantissa and exponent fit: say so instead of
  // overrunning the field.
  if (std::isfinite(x) && width < kSciMinWidth && static_cast<int>(r.size()) > width) {
    return std::string(std::max(width, 0), '*');
  }
  if (static_cast<int>(r.size()) < width) r.insert(0, width - r.size(), ' ');
  return r;
}

std::string PadInt(int n, int width, char pad) {
  std::string t = std::to_string(n);
  if (static_cast<int>(t.size()) < width) t.insert(0, width - t.size(), pad);
  return t;
}

std::string ResultText(double x, int decimals) {
  return FormatResult(x, 9 + decimals, decimals);
}

std::string StdDevText(double x, int decimals) { return FormatResult(x, 7 + decimals, decimals); }

bool BelowPrecision(double error, int decimals) {
  return std::fabs(error) < 0.5 * std::pow(10.0, -decimals);
}

std::string FormatResult(double x, int width, int decimals) {
  std::string s = FormatFixed(x, width, decimals);
  const auto first = s.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : s.substr(first);
}

std::string AveragingCaption(int level) {
  return level < 3 ? std::string(kNoAveraging) : std::to_string(level) + "-point averaging";
}

}  // namespace vantor
