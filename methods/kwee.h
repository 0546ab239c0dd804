// The method of Kwee and van Woerden (Kwee & van Woerden 1956, BAN 12, 327):
// the range around the bottom of the eclipse is resampled at equal time steps,
// the sum of squared differences between the two branches reflected about a
// trial time is computed for three trial times, a parabola through the three
// sums gives the time of minimum as its vertex, and the method's own formula
// gives its error.
//
// This header holds only the computation, on a light curve of any length
// (`CurveView`); the resampled points come back in the result. Choosing the
// range with the mouse, the two tuning boxes "Stepp" and "Frac", keeping the
// samples and filling the main window belong to the window. The texts of the
// boxes (KvwTuning) become the method's typed values through ParseKvwTuning.
//
// Long ranges. The search moves its centre by one sample a pass and stops
// once its pass counter exceeds kKvwMaxPasses (17 moves). From the faintest
// sample, as the desktop's ranges of at most kKvwLongRange points start, that
// is enough; on a longer range (more samples, each a smaller step) the
// faintest sample of a noisy or flat bottom can lie further from the centre
// than 17 moves reach, and the time would be that of wherever the counter
// stopped. A range of more than kKvwLongRange observed points therefore
// starts from the faintest point of a smoothed curve, and when the counter
// still stops a search that was moving, the method refuses and names the
// range. The smoothing windows are wide (a fifth of the range each): the
// faintest point of so wide a mean is where the two branches balance, which
// is what the sums look for, while narrow windows leave the start on the
// noise of the bottom (on a flat bottom, anywhere along it). Ranges of up to
// kKvwLongRange points run exactly as the desktop runs them.
//
//   const auto r = KweeVanWoerden(curve.View(), 1, curve.NPoints(), KvwParams{1, 0.9});
//   if (r) use(curve.HjdBase + r->minimum.rel_time, r->minimum.error);
#pragma once

#include <vector>

#include "core/curve.h"
#include "core/kvw_tuning.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

// The search stops once its pass counter exceeds this.
inline constexpr int kKvwMaxPasses = 16;
// Ranges of more observed points than this (the desktop's capacity) start
// their search from a smoothed curve and are refused when the counter stops
// them while moving.
inline constexpr int kKvwLongRange = 1000;
// The smoothed curve of a long range: a running mean over 2 h + 1 samples,
// taken twice, with h = max(1, floor(2M / kKvwSmoothingDivisor)), so that
// each of the two windows spans about a fifth of the range.
inline constexpr int kKvwSmoothingDivisor = 10;

// The resampled range: 2M + 1 equally spaced times (relative days) and the
// magnitudes interpolated at them, cells 0..2M.
struct KvwSamples {
  std::vector<double> KvwT, KvwMag;
};

struct KvwResult {
  // rel_time: T0, days relative to HjdBase; error: sigma, days (0 when
  // Q = |4 A' C' - B'^2| is 0).
  Minimum minimum;
  int N;              // observed points in the range, last - first + 1
  int M;              // RoundEven(0.9 N)
  int samples;        // 2M + 1
  int centre;         // final centre sample c
  int step;           // Step: spacing of the three trial times, in samples
  double frac;        // Frac: fraction of the half-width used for the sums
  double S1, S2, S3;  // sums at c - Step, c, c + Step of the last pass
  int passes;         // pass counter n at the end (0 when the first centre held)
  int start;          // the start centre: the faintest sample, or for a long range the smoothed one
  KvwSamples resampled;  // the samples the sums were taken over
};

// Resamples RelTime/Mag(first..last) at 2M + 1 equally spaced times into
// KvwT(0..2M) and KvwMag(0..2M): the ends are the observed end points; in
// between, the magnitude is interpolated linearly on the segment k..k+1,
// where k is the largest working index (the whole series is searched, from
// NPoints down) with RelTime(k) <= the sample time.
//
// Requires 1 <= first, last <= NPoints, 1 <= M and every inner sample time
// within [min RelTime, RelTime(NPoints)); KweeVanWoerden checks this first.
// Arguments that break the index bounds give no samples (both vectors empty);
// a sample time outside the series is extrapolated from the nearest segment
// rather than read outside the arrays.
KvwSamples KvwResample(const CurveView& curve, int first, int last, int M);

// The method's two tuning values.
struct KvwParams {
  double step = 1;    // Step: spacing of the trial times in samples, a whole number >= 1
  double frac = 0.9;  // Frac: fraction of the half-width used for the sums, > 0
};

// Reads the texts of the "Stepp" and "Frac" boxes (initially "1" and ".9") by
// their leading number (Val); Step is rounded to an integer with halves to
// even. Refuses, quoting the text, a Step that is not a finite number >= 1
// after rounding and a Frac that is not a finite number > 0.
MethodResult<KvwParams> ParseKvwTuning(const KvwTuning& boxes);

// The checks of the range that KweeVanWoerden makes before anything else:
// refuses a reversed range, one reaching outside 1..NPoints, and N <= 4.
MethodResult<void> CheckKvwRange(const CurveView& curve, int first, int last);

// Computes the time of minimum of RelTime/Mag(first..last) by the method of
// Kwee and van Woerden with the tuning values `tuning`. Changes nothing.
//
// With N = last - first + 1, M = RoundEven(0.9 N), F = 2M: the start centre
// c is the first largest sample; each pass takes the half-width h = c if
// c < M else F - c, K = RoundEven(h Frac), sums S(j) over odd d <= K of
// (KvwMag(j - d) - KvwMag(j + d))^2 at c - Step, c, c + Step, and then, in
// this order: stops when the pass counter n > kKvwMaxPasses; stops when
// S1 > S2 < S3; moves c down one when S1 < S2 and up one when S3 < S2 (each
// move counts a pass); stops when neither moved. The parabola through the
// three sums gives T0 = -B' / (2 A') and, with Z = N / 4,
// sigma = sqrt(Q / (4 A'^2 (Z - 1))).
//
// With N > kKvwLongRange the start centre is instead the first largest value
// of the smoothed samples (kKvwSmoothingDivisor; only centres whose two
// windows lie wholly inside 0..F count), and a search stopped by the counter
// that was still moving is refused: run on without the counter, it would take
// its centre more than one sample from where it stopped (or out of 0..F).
// A centre that only swings between neighbouring samples, or whose two moves
// cancel, has settled and is timed as the desktop times it.
//
// Refuses when the range is reversed or reaches outside 1..NPoints, N <= 4,
// the range needs points outside the series to be resampled, Step is not a
// finite whole number >= 1, Frac is not a finite number > 0, no
// sample is fainter than -99, a trial index c +- Step or a sample index
// c +- Step +- d falls outside 0..2M, a long range's search is stopped by the
// counter while moving, A' = 0, a result is not finite, or T0 lies outside
// the range's times.
MethodResult<KvwResult> KweeVanWoerden(const CurveView& curve, int first, int last,
                                       const KvwParams& tuning);

}  // namespace vantor
