// The leading-number rule and the general number-to-text conversions.
#include "core/text.h"

#include <locale.h>

#include "core/number.h"
#include "core/textfile.h"

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

namespace vantor {

double Val(std::string_view text) { return ReadLeadingNumber(text).value; }

bool HasLeadingNumber(std::string_view text) { return ReadLeadingNumber(text).found; }

std::string NumberText(double v, int significant) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  if (v == 0) return "0";
  if (significant < 1) significant = 1;
  if (significant > 17) significant = 17;
  const std::string sci = FormatNumber(v, 'e', significant - 1);
  // Round first, then read the exponent of the rounded value.
  const size_t e = sci.find('e');
  const int exponent = std::atoi(sci.c_str() + e + 1);
  if (exponent < -5 || exponent >= significant) {
    // Exponent form: mantissa without trailing zeros, "E+05" style exponent.
    std::string mant = sci.substr(0, e);
    if (mant.find('.') != std::string::npos) {
      while (mant.back() == '0') mant.pop_back();
      if (mant.back() == '.') mant.pop_back();
    }
    char ex[16];
    std::snprintf(ex, sizeof ex, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return mant + ex;
  }
  const int decimals = std::max(0, significant - 1 - exponent);
  std::string s = FormatNumber(v, 'f', decimals);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

std::string SignedIntText(long n) { return n >= 0 ? " " + std::to_string(n) : std::to_string(n); }

std::string IntText(long n) { return std::to_string(n); }

std::string EscapedAscii(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

std::string QuotedField(std::string_view field) {
  constexpr size_t kMaxShown = 40;
  field = TrimBlanks(field);
  const bool cut = field.size() > kMaxShown;
  if (cut) field = field.substr(0, kMaxShown);
  return "\"" + EscapedAscii(field) + (cut ? "...\"" : "\"");
}

std::string QuotedName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string q = "\"";
  const auto hex = [&q](unsigned char b) {
    q += "\\x";
    q += kHex[b >> 4];
    q += kHex[b & 15];
  };
  size_t i = 0;
  while (i < name.size()) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b >= 0x20 && b < 0x7F) {
      q += name[i++];
      continue;
    }
    // A whole, shortest-form UTF-8 character of 2 to 4 bytes, outside the C1
    // controls, passes; anything else is shown byte by byte.
    size_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    bool whole = len != 0 && i + len <= name.size();
    for (size_t k = 1; whole && k < len; ++k) {
      whole = (static_cast<unsigned char>(name[i + k]) & 0xC0) == 0x80;
    }
    if (whole) {
      const auto b1 = static_cast<unsigned char>(name[i + 1]);
      if ((b == 0xE0 && b1 < 0xA0) || (b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 > 0x8F) ||
          (b == 0xED && b1 > 0x9F) || (b == 0xC2 && b1 < 0xA0)) {
        whole = false;  // overlong, beyond U+10FFFF, a surrogate, or a C1 control
      }
    }
    if (whole) {
      q.append(name.substr(i, len));
      i += len;
    } else {
      hex(b);
      ++i;
    }
  }
  return q + "\"";
}

std::string SystemErrorText(int err) {
  // One C locale for the life of the program (newlocale is thread-safe;
  // strerror_l with it ignores the global and the thread's locale).
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale == static_cast<locale_t>(nullptr)) return std::strerror(err);
  return strerror_l(err, cLocale);
}

}  // namespace vantor
