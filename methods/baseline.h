// The baseline under an eclipse: a low-order polynomial fitted to the
// out-of-eclipse points on both sides of a window and removed before timing.
// A slope s (mag/day) under an eclipse of curvature c (m = m0 + c (t - t0)^2
// near the minimum) moves a symmetry method's minimum by about -s / (2c);
// spotted stars and instrumental drifts put such slopes under real eclipses.
//
// Out of eclipse: the points outside the part of the smoothed curve
// (running median of kBaselineSmoothPoints points) fainter than
// kBaselineEdge of the depth above the baseline, found from the faintest
// smoothed point outwards. The baseline starts as the line through the
// medians of the first and the last kBaselineEndShare of the points, and
// the out-of-eclipse points and the baseline are found again from it
// kBaselinePasses times.
//
// Both sides are needed: at least kBaselineSidePoints out-of-eclipse points
// before the eclipse and after it. From one side a baseline would be
// extrapolated under the eclipse; none is removed then, and the result says
// why. The baseline is linear, or quadratic when each side holds at least
// kQuadraticSidePoints points and the quadratic term lowers the residuals
// by an F-test at kBaselineFTestLevel (F(1, n - 3)).
//
// The curve is corrected by baseline(t) - baseline(tMid), tMid the middle of
// the eclipse, so that the eclipse keeps its level.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <vector>

#include "core/curve.h"
#include "core/error.h"

namespace vantor {

inline constexpr int kBaselineSmoothPoints = 5;
inline constexpr double kBaselineEdge = 0.05;
inline constexpr double kBaselineEndShare = 0.1;
inline constexpr int kBaselinePasses = 3;
inline constexpr int kBaselineSidePoints = 3;
inline constexpr int kQuadraticSidePoints = 6;
inline constexpr double kBaselineFTestLevel = 0.01;

struct Baseline {
  int degree = 1;                  // 1 linear, 2 quadratic
  double tRef = 0;                 // the polynomial is in (t - tRef)
  std::vector<double> coef;        // c0, c1[, c2]
  double eclipseStart = 0, eclipseEnd = 0;  // the part left out of the fit (times)
  int before = 0, after = 0;       // out-of-eclipse points fitted on each side
  double slope = 0;                // mag/day at the middle of the eclipse
  double fTestP = 1;               // probability of the quadratic's F by chance (1: not tried)
  double shift = 0;                // about how far the slope alone moves the minimum, days
  double Value(double t) const;    // the baseline at t
  std::string Describe() const;    // "linear baseline, slope 0.0123 mag/d, from 12 + 14 points"
};

// The upper tail of the F distribution with (d1, d2) degrees of freedom: the
// probability of an F above f by chance, I_{d2 / (d2 + d1 f)}(d2 / 2, d1 / 2).
double FDistributionTail(double f, double d1, double d2);

// The regularized incomplete beta function I_x(a, b) (continued fraction).
double IncompleteBeta(double x, double a, double b);

// Fits the baseline of the points t, m (times in order), as above. Refuses
// when there are too few points, no eclipse shows, or one side lacks its
// out-of-eclipse points (the message says which).
std::expected<Baseline, Error> FitBaseline(std::span<const double> t, std::span<const double> m);

// The same on the working set of a light curve.
std::expected<Baseline, Error> FitBaseline(const CurveView& c);

// The light curve `c` with the baseline removed (its times, errors, base,
// scale and precision kept).
Curve RemoveBaseline(const CurveView& c, const Baseline& b);

// The warning when the slope alone moves the minimum by more than `error`
// (days), "" otherwise.
std::string SlopeWarning(const Baseline& b, double error);

}  // namespace vantor
