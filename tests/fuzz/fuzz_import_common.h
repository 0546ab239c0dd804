// What the import fuzz targets check after every input: an import either
// refuses with a message and a line inside the text, or gives a series whose
// arrays agree, whose times are sorted and finite, whose magnitudes are
// finite; loading that series into a store that already holds a light curve
// either leaves the store exactly as it was or gives a consistent fresh one.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>

#include "core/reader.h"
#include "fuzz_check.h"
#include "import/importer.h"
#include "import/load.h"

namespace vantor::fuzz {

inline const Store& ImportPrevious() {
  static const std::unique_ptr<Store> s = [] {
    auto p = std::make_unique<Store>();
    const auto st = ReadLightCurveText(
        *p, "HJD,V-C\n2459812.35,0.30\n2459812.36,0.45\n2459812.37,0.61\n2459812.38,0.52\n");
    FUZZ_CHECK(st.has_value());
    p->Deleted[2] = -1;
    ApplyMagSign(*p, 1);
    return p;
  }();
  return *s;
}

inline void CheckImport(std::string_view text, const import::ImportOptions& options) {
  const auto series = import::ImportText(text, options);
  if (!series) {
    FUZZ_CHECK(!series.error().message.empty());
    FUZZ_CHECK(series.error().line >= 0);
    FUZZ_CHECK(series.error().line <= static_cast<int>(std::count(text.begin(), text.end(), '\n')) +
                                           static_cast<int>(std::count(text.begin(), text.end(), '\r')) + 1);
    return;
  }
  const import::ImportedSeries& s = *series;
  FUZZ_CHECK(s.time.size() == s.mag.size() && s.mag.size() == s.err.size());
  FUZZ_CHECK(s.format != import::Format::Auto);
  FUZZ_CHECK(std::is_sorted(s.time.begin(), s.time.end()));
  for (size_t i = 0; i < s.size(); ++i) {
    FUZZ_CHECK(std::isfinite(s.time[i]));
    FUZZ_CHECK(!std::isnan(s.mag[i]));
    FUZZ_CHECK(std::isnan(s.err[i]) || s.err[i] >= 0);
  }
  auto store = std::make_unique<Store>(ImportPrevious());
  const auto loaded = import::LoadSeriesIntoStore(*store, s);
  if (!loaded) {
    FUZZ_CHECK(!loaded.error().message.empty());
    FUZZ_CHECK(*store == ImportPrevious());
    return;
  }
  FUZZ_CHECK(static_cast<size_t>(*loaded) == s.size());
  FUZZ_CHECK(store->NPoints == store->NPointsAll && store->MagSign == 1);
  CheckConsistent(*store);
  for (int i = 1; i <= store->NPointsAll; ++i) {
    FUZZ_CHECK(store->HjdRaw[static_cast<size_t>(i)] == s.time[static_cast<size_t>(i - 1)]);
    FUZZ_CHECK(store->MagRaw[static_cast<size_t>(i)] == s.mag[static_cast<size_t>(i - 1)]);
  }
}

}  // namespace vantor::fuzz
