// The timing noise of a series' minima beyond their own errors.
//
// A time's own error measures the photometry of its eclipse; spots, flares,
// granulation and oscillations move whole eclipses by more than that, and the
// movement differs from eclipse to eclipse. The series shows how much: the
// O-C of neighbouring minima of one kind differ by more than their errors
// allow. A slow variation of the O-C (a third body, apsidal motion) hardly
// changes between neighbours, so successive differences see the noise and not
// the signal.
//
// With r the residuals of the minima about the refined ephemeris, taken for
// each kind (primaries, secondaries) in cycle order, and e their errors, each
// pair of neighbours gives q = (r2 - r1)^2 / (e1^2 + e2^2 + 2 j^2). The
// jitter j is 0 when the mean of q at j = 0 is within what chance gives
// (1 + kJitterSignificance sqrt(3 / pairs), about 1 % one-sided: the errors
// explain the scatter); otherwise the j that makes the mean of q equal to 1. With
// kJitterRobustPairs pairs or more, pairs beyond kJitterClip (in q) of a
// first estimate from the median of q (which is 0.4549 for a normal
// difference) are left out first: an eclipse distorted by something else
// then cannot set the noise of all. Fewer than kMinJitterPairs pairs say
// nothing.
#pragma once

#include <optional>
#include <span>

namespace vantor {

inline constexpr int kMinJitterPairs = 4;
inline constexpr int kJitterRobustPairs = 20;
inline constexpr double kJitterClip = 25.0;  // 5 sigma
inline constexpr double kJitterSignificance = 2.33;

struct JitterMinimum {
  char kind = 'P';      // 'P' or 'S'
  double cycle = 0.0;   // E, or E + phase for a secondary
  double residual = 0;  // days, about the refined ephemeris
  double error = 0;     // days, its own error
};

struct TimingJitter {
  double jitter = 0.0;  // days; 0 when the errors explain the scatter
  double ratio = 0.0;   // sqrt(mean q) with no jitter: the scatter over the errors
  int pairs = 0;        // neighbouring pairs that took part
  int clipped = 0;      // pairs left out as outliers
};

// The jitter of `minima` (any order), or nothing with too few pairs.
std::optional<TimingJitter> MeasureTimingJitter(std::span<const JitterMinimum> minima);

}  // namespace vantor
