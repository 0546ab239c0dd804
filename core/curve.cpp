// The light-curve view's limits and the checks every method shares.
#include "core/curve.h"

#include <algorithm>
#include <cmath>

namespace vantor {

CurveLimits ComputeLimits(std::span<const double> relTime, std::span<const double> mag, int n,
                          const CurveLimits& previous) {
  CurveLimits l = previous;
  l.TMin = 99999999;
  l.TMax = -99999999;
  l.MagMin = 99;
  l.MagMax = -99;
  for (int j = 1; j <= n; ++j) {
    if (relTime[j] < l.TMin) l.TMin = relTime[j];
    if (relTime[j] > l.TMax) l.TMax = relTime[j];
    if (mag[j] < l.MagMin) {
      l.BrightIdx = j;
      l.MagMin = mag[j];
    }
    if (mag[j] > l.MagMax) {
      l.FaintIdx = j;
      l.MagMax = mag[j];
    }
  }
  // Distance from the ends of the series; ties go to the brightest point.
  auto distance = [&](int k) { return std::min(k - 1, n - k); };
  l.InnerExtremeIdx = distance(l.FaintIdx) > distance(l.BrightIdx) ? l.FaintIdx : l.BrightIdx;

  l.TMin -= 0.002;
  l.TMax += 0.002;
  l.TRange = l.TMax - l.TMin;
  const double m = 0.1 * (l.MagMax - l.MagMin);
  l.MagMin -= m;
  l.MagMax += m;
  l.MagRange = l.MagMax - l.MagMin;
  return l;
}

CurveView Curve::View() const {
  const int n = NPoints();
  return CurveView{ComputeLimits(RelTime, Mag, n), RelTime, Mag, Error, n, HjdBase, Scale,
                   ResultDecimals, {}, 0};
}

bool LooksInverted(const CurveView& c) {
  const double half = c.NPoints / 2.0;
  return std::fabs(c.BrightIdx - half) < std::fabs(c.FaintIdx - half);
}

bool FoldGivesTime(const CurveView& c, double foldTime) {
  return std::isfinite(foldTime) && std::fabs(c.HjdBase + foldTime) < kLargestHjd;
}

double RoundTo(double x, int d) {
  const double p = std::pow(10.0, d);
  const double sgn = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
  return sgn * std::trunc(std::fabs(x) * p + 0.5) / p;
}

double RoundEven(double x) { return std::nearbyint(x); }

}  // namespace vantor
