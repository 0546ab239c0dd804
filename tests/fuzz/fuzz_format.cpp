// Fuzz target of the number formatting: FormatFixed with any double (every
// bit pattern: NaN, infinities, subnormals), width 1..30 and decimals 0..15.
// The text is never longer than the width, except by one character when the
// scientific form needs a three-digit exponent; a text that cannot fit even in
// the scientific form is all stars; NaN and the infinities print as "NaN",
// "Inf" and "-Inf"; every other text reads back as a number within the digits
// it shows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/format.h"
#include "fuzz_check.h"

namespace {

// The text without the blanks the right alignment put in front, and without
// blanks between sign and digits.
std::string Compact(const std::string& s) {
  std::string r;
  for (const char c : s) {
    if (c != ' ') r += c;
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  double x;
  std::memcpy(&x, data, sizeof x);
  const int width = 1 + data[8] % 30;
  const int decimals = data[9] % 16;
  const std::string s = vantor::FormatFixed(x, width, decimals);
  const int len = static_cast<int>(s.size());

  if (std::isnan(x) || std::isinf(x)) {
    const std::string word = std::isnan(x) ? "NaN" : (x < 0 ? "-Inf" : "Inf");
    FUZZ_CHECK(len == width);
    FUZZ_CHECK(Compact(s) == word.substr(0, width));
    return 0;
  }
  const size_t e = s.find('e');
  const bool threeDigitExponent = e != std::string::npos && s.size() - e == 5;
  FUZZ_CHECK(len == width || (threeDigitExponent && len == width + 1));
  if (s.find('*') != std::string::npos) {
    FUZZ_CHECK(width < 6 && s == std::string(width, '*'));
    return 0;
  }
  const std::string t = Compact(s);
  FUZZ_CHECK(!t.empty());
  char* end = nullptr;
  // Read back in long double: 15 significant digits of numbers near the
  // largest double can round above it.
  const long double back = std::strtold(t.c_str(), &end);
  FUZZ_CHECK(end == t.c_str() + t.size());
  FUZZ_CHECK(std::isfinite(back));
  if (e == std::string::npos) {
    // Fixed form: within one unit of the last digit shown (digits may be cut
    // off, not rounded), and 15 significant digits.
    const size_t point = t.find('.');
    const int shown = point == std::string::npos ? 0 : static_cast<int>(t.size() - point - 1);
    FUZZ_CHECK(std::fabs(back - x) <= std::pow(10.0L, -shown) + 1e-14L * std::fabs(x));
  } else if (width >= 8) {
    // Scientific form with at least two decimals: within one unit of the last
    // mantissa digit shown, and 15 significant digits.
    const int exponent = std::atoi(t.c_str() + t.find('e') + 1);
    const size_t point = t.find('.');
    const int shown = point == std::string::npos ? 0 : static_cast<int>(t.find('e') - point - 1);
    FUZZ_CHECK(std::fabs(back - x) <=
               std::pow(10.0L, exponent - shown) * (1 + 1e-12L) + 1e-14L * std::fabs(x));
  }
  return 0;
}
