// The method of Kwee and van Woerden (Kwee & van Woerden 1956, BAN 12, 327):
// the range around the bottom of the eclipse is resampled at equal time steps,
// the sum of squared differences between the two branches reflected about a
// trial time is computed for three trial times, a parabola through the three
// sums gives the time of minimum as its vertex, and the method's own formula
// gives its error.
//
// This header holds only the computation; choosing the range with the mouse,
// the two tuning boxes "Stepp" and "Frac" and filling the main window belong
// to the window, which hands the texts of its boxes in.
#pragma once

#include <string_view>

#include "core/store.h"
#include "methods/refusal.h"

namespace vantor {

struct KvwResult {
  double T0;          // time of minimum, days relative to HjdBase
  double sigma;       // its error, days (0 when Q = |4 A' C' - B'^2| is 0)
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

// Computes the time of minimum of RelTime/Mag(first..last) by the method of
// Kwee and van Woerden. stepText and fracText are the texts of the "Stepp"
// and "Frac" boxes (initially "1" and ".9"), read by their leading number
// (Val); Step is rounded to an integer with halves to even. Changes only
// s.KvwT and s.KvwMag.
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
// finite number >= 1 after rounding, Frac is not a finite number > 0, no
// sample is fainter than -99, a trial index c +- Step or a sample index
// c +- Step +- d falls outside 0..2M, A' = 0, or a result is not finite.
MethodResult<KvwResult> KweeVanWoerden(Store& s, int first, int last, std::string_view stepText,
                                       std::string_view fracText);

}  // namespace vantor
