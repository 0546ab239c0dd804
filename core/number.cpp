// The one number parser and the locale-free printf conversions.
#include "core/number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vantor {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }

// The decimal exponent of the first significant digit of a number that
// from_chars found out of range: above 0 it overflowed, below it underflowed.
// `digits` holds the digits and at most one full stop, `exponent` the value
// written after E (already clamped).
long MagnitudeOf(std::string_view digits, long exponent) {
  const size_t point = std::min(digits.find('.'), digits.size());
  const size_t first = digits.find_first_of("123456789");
  if (first == std::string_view::npos) return std::numeric_limits<long>::min();
  const long position = first < point ? static_cast<long>(point - first) - 1
                                      : -static_cast<long>(first - point);
  return position + exponent;
}

}  // namespace

std::expected<double, NumberFault> ParseNumber(std::string_view text, NumberForm form) {
  std::string_view t = text;
  // from_chars takes a minus but no plus; one sign in all.
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty() || t.front() == '+' || (text.front() == '+' && t.front() == '-')) {
    return std::unexpected(NumberFault::kNotNumber);
  }
  const bool spelled = (t.front() == '-' ? t.substr(1) : t).find_first_of("iInN") == 0;
  double value = 0;
  const auto [end, ec] = std::from_chars(
      t.data(), t.data() + t.size(), value,
      form == NumberForm::kFixed ? std::chars_format::fixed : std::chars_format::general);
  if (ec != std::errc() || end != t.data() + t.size()) {
    return std::unexpected(NumberFault::kNotNumber);
  }
  if (spelled || !std::isfinite(value)) return std::unexpected(NumberFault::kNotFinite);
  return value;
}

LeadingNumber ReadLeadingNumber(std::string_view text) {
  // Collect the characters of the number without its blanks, then convert.
  std::string number;
  bool negative = false;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  if (i < text.size() && IsSign(text[i])) {
    negative = text[i++] == '-';
    skipBlanks();
  }
  bool anyDigit = false, seenPoint = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      number += c;
      anyDigit = true;
    } else if (c == '.' && !seenPoint) {
      number += c;
      seenPoint = true;
    } else if (!IsBlank(c)) {
      break;
    }
  }
  if (!anyDigit) return {};
  const size_t mantissaLength = number.size();
  // Exponent: E or D, an optional sign and at least one digit, blanks allowed.
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t j = i + 1;
    std::string written = "e";
    while (j < text.size() && IsBlank(text[j])) ++j;
    bool expNegative = false;
    if (j < text.size() && IsSign(text[j])) {
      expNegative = text[j] == '-';
      written += text[j++];
    }
    bool expDigit = false;
    for (; j < text.size() && (IsDigit(text[j]) || IsBlank(text[j])); ++j) {
      if (!IsDigit(text[j])) continue;
      written += text[j];
      expDigit = true;
      exponent = std::min(exponent * 10 + (text[j] - '0'), 100000L);
    }
    if (expNegative) exponent = -exponent;
    if (expDigit) number += written;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    const bool overflow = MagnitudeOf(std::string_view(number).substr(0, mantissaLength),
                                      number.size() > mantissaLength ? exponent : 0) > 0;
    value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return {negative ? -value : value, true};
}

std::string FormatNumber(double v, char conversion, int precision) {
  precision = std::clamp(precision, 0, 100);
  const std::chars_format format = conversion == 'f'   ? std::chars_format::fixed
                                   : conversion == 'e' ? std::chars_format::scientific
                                                       : std::chars_format::general;
  // The widest text: 309 whole digits of the largest double, the point and
  // 100 decimals.
  char buf[512];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, format, precision);
  if (ec != std::errc()) return std::isnan(v) ? "nan" : v < 0 ? "-inf" : "inf";
  return std::string(buf, end);
}

}  // namespace vantor
