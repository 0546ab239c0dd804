// Fuzz target of the strict number rule ParseNumber and the formatter
// FormatNumber. A text the rule takes is a finite double that the leading-
// number rule of the text boxes reads alike, that stays taken with a "+" in
// front unless it is signed already, and that FormatNumber's %.17g and %.16e
// give back exactly; a text it refuses stays refused with any sign in front.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/number.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto v = vantor::ParseNumber(text);
  const auto fixed = vantor::ParseNumber(text, vantor::NumberForm::kFixed);
  // Fixed is general without the exponent: nothing it takes is refused by general.
  if (fixed) FUZZ_CHECK(v && *v == *fixed);
  const bool signedText = !text.empty() && (text.front() == '+' || text.front() == '-');
  if (!v) {
    if (!signedText) {
      FUZZ_CHECK(!vantor::ParseNumber("+" + text));
      FUZZ_CHECK(!vantor::ParseNumber("-" + text));
    }
    FUZZ_CHECK(!vantor::ParseNumber("+-" + text) && !vantor::ParseNumber("--" + text));
    return 0;
  }
  FUZZ_CHECK(std::isfinite(*v));
  const vantor::LeadingNumber lead = vantor::ReadLeadingNumber(text);
  FUZZ_CHECK(lead.found && lead.value == *v);
  if (!signedText) {
    const auto plus = vantor::ParseNumber("+" + text);
    FUZZ_CHECK(plus && *plus == *v);
  }
  FUZZ_CHECK(!vantor::ParseNumber("+-" + text) && !vantor::ParseNumber(text + " "));
  for (const auto& [conversion, precision] : {std::pair{'g', 17}, std::pair{'e', 16}}) {
    const std::string written = vantor::FormatNumber(*v, conversion, precision);
    FUZZ_CHECK(written.find(',') == std::string::npos);
    const auto back = vantor::ParseNumber(written);
    FUZZ_CHECK(back && *back == *v);
  }
  return 0;
}
