// The method of Kwee and van Woerden (Kwee & van Woerden 1956, BAN 12, 327):
// the range around the bottom of the eclipse is resampled at equal time steps,
// the sum of squared differences between the two branches reflected about a
// trial time is computed for three trial times, a parabola through the three
// sums gives the time of minimum as its vertex, and the method's own formula
// gives its error.
//
// This header holds only the computation; choosing the range with the mouse,
// the two tuning boxes "Stepp" and "Frac" and filling the main window belong
// to the window. The texts of the boxes (KvwTuning, kept in the store) become
// the method's typed values through ParseKvwTuning.
#pragma once


#include "core/store.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

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
};

// Resamples RelTime/Mag(first..last) at 2M + 1 equally spaced times into
// s.KvwT(0..2M) and s.KvwMag(0..2M): the ends are the observed end points;
// in between, the magnitude is interpolated linearly on the segment k..k+1,
// where k is the largest working index (the whole series is searched, from
// NPoints down) with RelTime(k) <= the sample time.
//
// Requires 1 <= first, last <= NPoints, 1 <= M, 2M <= kMaxSamples and every
// inner sample time within [min RelTime, RelTime(NPoints)); KweeVanWoerden
// checks this first. Arguments that break the index bounds leave the arrays
// unchanged; a sample time outside the series is extrapolated from the
// nearest segment rather than read outside the arrays.
void KvwResample(Store& s, int first, int last, int M);

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
MethodResult<void> CheckKvwRange(const Store& s, int first, int last);

// Computes the time of minimum of RelTime/Mag(first..last) by the method of
// Kwee and van Woerden with the tuning values `tuning`. Changes only s.KvwT
// and s.KvwMag.
//
// With N = last - first + 1, M = RoundEven(0.9 N), F = 2M: the start centre
// c is the first largest sample; each pass takes the half-width h = c if
// c < M else F - c, K = RoundEven(h Frac), sums S(j) over odd d <= K of
// (KvwMag(j - d) - KvwMag(j + d))^2 at c - Step, c, c + Step, and then, in
// this order: stops when the pass counter n > 16; stops when S1 > S2 < S3;
// moves c down one when S1 < S2 and up one when S3 < S2 (each move counts a
// pass); stops when neither moved. The parabola through the three sums gives
// T0 = -B' / (2 A') and, with Z = N / 4, sigma = sqrt(Q / (4 A'^2 (Z - 1))).
//
// Refuses when the range is reversed or reaches outside 1..NPoints, N <= 4,
// the range needs points outside the series to be resampled, Step is not a
// finite whole number >= 1, Frac is not a finite number > 0, no
// sample is fainter than -99, a trial index c +- Step or a sample index
// c +- Step +- d falls outside 0..2M, A' = 0, or a result is not finite.
MethodResult<KvwResult> KweeVanWoerden(Store& s, int first, int last, const KvwParams& tuning);

}  // namespace vantor
