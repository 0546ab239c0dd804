// Fuzz target of the settings-file reader: any text given to ReadSettingsText.
// It reads all 28 numbers or gives all seven records their defaults; it never
// touches anything but the geometry records; what it read is written back by
// SettingsText so that reading that text again gives the same records.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/settings.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto s = std::make_unique<vantor::Store>();
  // Records that differ from the defaults, and other fields that must survive.
  int v = -14;
  for (int16_t* f : vantor::GeometryFields(*s)) *f = static_cast<int16_t>(v++);
  s->NPoints = 7;
  s->FoldTime = 0.25;
  const vantor::Store before = *s;

  const bool ok = vantor::ReadSettingsText(*s, text);
  auto others = std::make_unique<vantor::Store>(*s);
  const auto beforeFields = vantor::GeometryValues(before);
  const auto fields = vantor::GeometryFields(*others);
  for (int i = 0; i < vantor::kGeometryFieldCount; ++i) *fields[i] = beforeFields[i];
  FUZZ_CHECK(*others == before);

  if (!ok) {
    FUZZ_CHECK(vantor::GeometryValues(*s) == vantor::GeometryValues(vantor::Store{}));
    return 0;
  }
  const std::string written = vantor::SettingsText(*s);
  auto back = std::make_unique<vantor::Store>();
  FUZZ_CHECK(vantor::ReadSettingsText(*back, written));
  FUZZ_CHECK(vantor::GeometryValues(*back) == vantor::GeometryValues(*s));
  FUZZ_CHECK(vantor::SettingsText(*back) == written);
  return 0;
}
