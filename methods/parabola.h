// The parabolic fit: a least-squares parabola magnitude = a0 + a1 t + a2 t^2
// through a range of the working points, whose vertex is the time of minimum.
//
// The normal equations are solved by Cramer's rule with the minors written
// out (Bevington 1969, Data Reduction and Error Analysis for the Physical
// Sciences, least-squares fit to a polynomial), on the relative times as they
// are, without centring, so that the program's digits stay those it has
// always shown. Those sums cancel like (half-width / time)^6: at relative
// times near 0.9 a range narrower than about +-0.008 d leaves the literal
// solution with too few digits. The same parabola and the same error formula
// are then evaluated about the mean time of the range and carried back to the
// relative times, which gives the result the formulas mean without the loss.
//
// This header holds only the computation; choosing the range with the mouse,
// drawing the curve and filling the main window belong to the window.
#pragma once

#include "core/curve.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

struct ParabolaFit {
  // rel_time: the vertex time -a1 / (2 a2), days relative to HjdBase.
  // error: the estimated error of the time of minimum, days:
  //   rms * tv * sqrt((s2 / a2)^2 + (s1 / a1)^2)
  // with tv the vertex relative to HjdBase and rms multiplying once more
  // although s1 and s2 contain it. Kept as computed, sign included: it is the
  // value the program has always shown in its "Est'd Error" box.
  Minimum minimum;
  double rms;  // sqrt(SSR / (N - 3)), magnitudes
  double a0, a1, a2;
  double s1, s2;  // standard errors of a1 and a2 (they already contain rms)
  // The literal sums lost digits, so the parabola was solved about the mean
  // time of the range and carried back.
  bool centred = false;
};

// Fits the parabola to RelTime(first..last) and Mag(first..last) of the
// working set and returns its vertex, RMS deviation, coefficients, their
// standard errors and the estimated error. Changes nothing in the store.
//
// The literal solution is returned whenever its vertex lies within 5e-7 d and
// its RMS deviation within 1 % of the centred solution's; otherwise the
// centred solution, carried back to the relative times, is returned.
//
// Refuses (with a message for the user) when the range holds fewer than 4
// points (first > last included), reaches outside 1..NPoints, holds fewer
// than 3 distinct times, when all its magnitudes are equal (a flat stretch
// has no vertex), when the normal equations are singular (determinant
// 0 or not finite), when a1 or a2 is 0 (the error estimate divides by both),
// or when any result is not finite.
MethodResult<ParabolaFit> FitParabola(const CurveView& s, int first, int last);

}  // namespace vantor
