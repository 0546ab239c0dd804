// What the fuzz targets check after every input: a failed check prints what
// broke and aborts, which libFuzzer reports as a crash with the input that
// caused it. Also the consistency rules of a store holding a light curve.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/store.h"

#define FUZZ_CHECK(cond)                                                         \
  do {                                                                           \
    if (!(cond)) {                                                               \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                              \
    }                                                                            \
  } while (0)

namespace vantor::fuzz {

// Checks the rules every store with a light curve keeps: 0 <= NPoints <=
// NPointsAll <= 1000; NPoints counts the kept points; the working arrays are
// the kept entries of the all-points arrays in order; MagAll = MagRaw *
// MagSign; the sign is +1 or -1; the limits, their Edit copies and the fold
// are finite; the landmark indices name working points.
inline void CheckConsistent(const Store& s) {
  FUZZ_CHECK(0 <= s.NPoints && s.NPoints <= s.NPointsAll && s.NPointsAll <= kMaxPoints);
  FUZZ_CHECK(s.MagSign == 1 || s.MagSign == -1);
  int kept = 0;
  for (int i = 1; i <= s.NPointsAll; ++i) {
    FUZZ_CHECK(s.Deleted[i] == 0 || s.Deleted[i] == -1);
    FUZZ_CHECK(s.MagAll[i] == s.MagRaw[i] * s.MagSign);
    FUZZ_CHECK(std::isfinite(s.HjdRaw[i]) && std::isfinite(s.RelTimeAll[i]));
    FUZZ_CHECK(std::fabs(s.MagRaw[i]) < 99);
    if (s.Deleted[i] == 0) {
      ++kept;
      FUZZ_CHECK(s.RelTime[kept] == s.RelTimeAll[i]);
      FUZZ_CHECK(s.Mag[kept] == s.MagAll[i]);
    }
  }
  FUZZ_CHECK(kept == s.NPoints);
  for (const double v : {s.TMin, s.TMax, s.TRange, s.MagMin, s.MagMax, s.MagRange, s.EditTMin,
                         s.EditTMax, s.EditTRange, s.EditMagMin, s.EditMagMax, s.EditMagRange,
                         s.FoldTime, s.HjdBase}) {
    FUZZ_CHECK(std::isfinite(v));
  }
  if (s.NPoints > 0) {
    FUZZ_CHECK(s.TMin < s.TMax && s.MagMin <= s.MagMax);
    for (const int idx : {int{s.BrightIdx}, int{s.FaintIdx}, int{s.InnerExtremeIdx}}) {
      FUZZ_CHECK(1 <= idx && idx <= s.NPoints);
    }
    // The magnitude axis runs a tenth of the range beyond the faintest point
    // (computed in the same steps, so the check is exact).
    const double widening = 0.1 * (s.Mag[s.FaintIdx] - s.Mag[s.BrightIdx]);
    FUZZ_CHECK(s.MagMax == s.Mag[s.FaintIdx] + widening);
  }
}

}  // namespace vantor::fuzz
