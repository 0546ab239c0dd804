// Fuzz target of the light-curve reader: any text given to ReadLightCurveText
// over a store that already holds a light curve (with a point deleted and the
// C-V sign chosen). A refusal must leave that store exactly as it was and say
// why; an accepted file must give a consistent fresh store, which must stay
// consistent through sign changes, deletions and restorations.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/reader.h"
#include "fuzz_check.h"

namespace {

using vantor::Store;

// The store every input meets: a small eclipse, point 3 deleted, C-V sign.
const Store& Previous() {
  static const std::unique_ptr<Store> s = [] {
    auto p = std::make_unique<Store>();
    const auto st = vantor::ReadLightCurveText(
        *p, "HJD,V-C\n2459812.35,0.30\n2459812.36,0.45\n2459812.37,0.61\n2459812.38,0.52\n"
            "2459812.39,0.33\n2459812.40,0.29\n");
    FUZZ_CHECK(st.has_value());
    p->Deleted[3] = -1;
    vantor::ApplyMagSign(*p, 1);
    vantor::fuzz::CheckConsistent(*p);
    return p;
  }();
  return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto s = std::make_unique<Store>(Previous());
  const vantor::ReadResult st = vantor::ReadLightCurveText(*s, text);
  if (!st) {
    FUZZ_CHECK(!st.error().message.empty());
    FUZZ_CHECK(st.error().line >= 0);
    FUZZ_CHECK(*s == Previous());
    return 0;
  }
  // A fresh light curve: everything kept, the V-C sign, the Fourier start finite.
  FUZZ_CHECK(*st == s->NPointsAll && s->NPoints == s->NPointsAll && s->NPoints >= 1);
  FUZZ_CHECK(s->MagSign == 1);
  vantor::fuzz::CheckConsistent(*s);
  FUZZ_CHECK(s->EditFaintIdx == s->FaintIdx && s->EditTRange == s->TRange);
  for (int k = 1; k <= 8; ++k) FUZZ_CHECK(std::isfinite(s->FitParam[k]));
  FUZZ_CHECK(0 <= s->RelTimeAll[1] && s->RelTimeAll[1] < 1);

  // The point editor and the sign option keep the store consistent, and
  // undoing them gives the working arrays back exactly.
  const Store loaded = *s;
  vantor::ApplyMagSign(*s, 1);
  vantor::fuzz::CheckConsistent(*s);
  for (int i = 1; i <= s->NPointsAll; i += 1 + static_cast<int>(size % 3)) {
    if (s->NPoints == 1) break;  // the point editor keeps one point at least
    s->Deleted[i] = -1;
    vantor::RebuildWorkingSet(*s);
    vantor::ComputeRanges(*s);
    vantor::fuzz::CheckConsistent(*s);
  }
  for (int i = 1; i <= s->NPointsAll; ++i) s->Deleted[i] = 0;
  vantor::ApplyMagSign(*s, 0);
  vantor::fuzz::CheckConsistent(*s);
  FUZZ_CHECK(s->NPoints == loaded.NPoints && s->RelTime == loaded.RelTime && s->Mag == loaded.Mag);
  FUZZ_CHECK(s->TMin == loaded.TMin && s->MagMax == loaded.MagMax && s->FaintIdx == loaded.FaintIdx);
  return 0;
}
