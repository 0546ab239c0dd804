// Fuzz target of the leading-number rule Val, which reads every number typed
// into a text box. Any text gives a number, never NaN; blanks in front, a
// character that cannot continue a number behind, and a minus sign in front
// of a number behave as the rule says.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text.h"
#include "fuzz_check.h"

namespace {

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool HasDigit(const std::string& t) {
  for (const char c : t) {
    if (c >= '0' && c <= '9') return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double v = vantor::Val(text);
  FUZZ_CHECK(!std::isnan(v));
  if (!HasDigit(text)) FUZZ_CHECK(v == 0.0);
  FUZZ_CHECK(Same(vantor::Val("  " + text), v));
  FUZZ_CHECK(Same(vantor::Val(text + "x"), v));
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first != std::string::npos &&
      ((text[first] >= '0' && text[first] <= '9') || text[first] == '.')) {
    FUZZ_CHECK(Same(vantor::Val("-" + text), -v));
  }
  return 0;
}
