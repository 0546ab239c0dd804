// The least-squares parabola of the parabolic-fit method.
#include "methods/parabola.h"

#include <cmath>
#include <string>

namespace vantor {

namespace {

bool AllFinite(std::initializer_list<double> values) {
  for (const double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// Whether the times of first..last take at least three different values: a
// parabola is undetermined through fewer, and the determinant would only
// differ from 0 by rounding.
bool HasThreeDistinctTimes(const CurveView& s, int first, int last) {
  const double t1 = s.RelTime[first];
  bool haveSecond = false;
  double t2 = 0.0;
  for (int i = first + 1; i <= last; ++i) {
    const double t = s.RelTime[i];
    if (t == t1) continue;
    if (!haveSecond) {
      haveSecond = true;
      t2 = t;
    } else if (t != t2) {
      return true;
    }
  }
  return false;
}

// Whether Mag(first..last) are all the same. The exact fit is then the
// constant, but the uncentred sums leave a curvature of rounding size whose
// "vertex" lies anywhere.
bool AllMagnitudesEqual(const CurveView& s, int first, int last) {
  for (int i = first + 1; i <= last; ++i) {
    if (s.Mag[i] != s.Mag[first]) return false;
  }
  return true;
}

// The normal equations of the least-squares parabola through first..last in
// x = RelTime - centre: the sums of the points, and the minors and the
// determinant of the matrix [N S1 S2; S1 S2 S3; S2 S3 S4] for Cramer's rule.
struct NormalEquations {
  double N = 0, S1 = 0, S2 = 0, S3 = 0, S4 = 0, Sy = 0, Sxy = 0, Sx2y = 0;
  double M11 = 0, M12 = 0, M13 = 0, M22 = 0, M23 = 0, M33 = 0, det = 0;
};

NormalEquations NormalEquationsAbout(const CurveView& s, int first, int last, double centre) {
  NormalEquations e;
  e.N = last - first + 1;
  double S1 = 0, S2 = 0, S3 = 0, S4 = 0, Sy = 0, Sxy = 0, Sx2y = 0;
  for (int i = first; i <= last; ++i) {
    const double x = s.RelTime[i] - centre;
    const double y = s.Mag[i];
    S1 += x;
    S2 += x * x;
    S3 += x * x * x;
    S4 += x * x * x * x;
    Sy += y;
    Sxy += x * y;
    Sx2y += x * x * y;
  }
  const double N = e.N;
  e.S1 = S1, e.S2 = S2, e.S3 = S3, e.S4 = S4, e.Sy = Sy, e.Sxy = Sxy, e.Sx2y = Sx2y;
  e.M11 = S2 * S4 - S3 * S3;
  e.M12 = S1 * S4 - S2 * S3;
  e.M13 = S1 * S3 - S2 * S2;
  e.M22 = N * S4 - S2 * S2;
  e.M23 = N * S3 - S1 * S2;
  e.M33 = N * S2 - S1 * S1;
  e.det = N * e.M11 - S1 * e.M12 + S2 * e.M13;
  return e;
}

// The same least-squares parabola solved about the mean time m of the range,
// where the normal equations are well conditioned, and carried back to the
// relative times: a2 = b2, a1 = b1 - 2 b2 m, a0 = b0 - b1 m + b2 m^2. The
// standard errors are those of the literal solution, rms times the root sum of
// squares of each point's weight in a1 and in a2; the weight in a1 is the
// weight in b1 less 2 m times the weight in b2, so they are exact as well.
struct CentredFit {
  bool ok;
  double tv, rms, a0, a1, a2, s1, s2;
};

CentredFit CentredParabola(const CurveView& s, int first, int last) {
  const int n = last - first + 1;
  double mean = 0;
  for (int i = first; i <= last; ++i) mean += s.RelTime[i];
  mean /= n;
  const NormalEquations e = NormalEquationsAbout(s, first, last, mean);
  const double N = e.N, Sy = e.Sy, Sxy = e.Sxy, Sx2y = e.Sx2y;
  const double M11 = e.M11, M12 = e.M12, M13 = e.M13, M22 = e.M22, M23 = e.M23, M33 = e.M33;
  const double det = e.det;
  if (det == 0 || !std::isfinite(det)) return {};
  const double b0 = (Sy * M11 - Sxy * M12 + Sx2y * M13) / det;
  const double b1 = (-Sy * M12 + Sxy * M22 - Sx2y * M23) / det;
  const double b2 = (Sy * M13 - Sxy * M23 + Sx2y * M33) / det;
  if (b2 == 0) return {};
  double SSR = 0, C1 = 0, C2 = 0;
  for (int i = first; i <= last; ++i) {
    const double x = s.RelTime[i] - mean;
    const double r = s.Mag[i] - (b0 + b1 * x + b2 * x * x);
    SSR += r * r;
    const double w1 = (-M12 + M22 * x - M23 * x * x) / det;
    const double w2 = (M13 - M23 * x + M33 * x * x) / det;
    const double wa1 = w1 - 2 * mean * w2;
    C1 += wa1 * wa1;
    C2 += w2 * w2;
  }
  const double tv = mean - b1 / (2 * b2);
  const double rms = std::sqrt(SSR / (N - 3));
  // a1 = -2 a2 tv: written so, it keeps the digits that b1 - 2 b2 m would
  // lose when the vertex lies near the mean.
  return {true,
          tv,
          rms,
          b0 - b1 * mean + b2 * mean * mean,
          -2 * b2 * tv,
          b2,
          rms * std::sqrt(C1),
          rms * std::sqrt(C2)};
}

constexpr const char* kVertexAtZero =
    "The fitted parabola has its vertex exactly at the start of the day (linear "
    "coefficient 0): its error cannot be estimated.";

// The parabola by the program's own formulas: Cramer's rule on the sums of
// the relative times as they are, without centring.
MethodResult<ParabolaFit> LiteralParabola(const CurveView& s, int first, int last) {
  // Centred on 0: x - 0 is x to the bit.
  const NormalEquations e = NormalEquationsAbout(s, first, last, 0.0);
  const double N = e.N, Sy = e.Sy, Sxy = e.Sxy, Sx2y = e.Sx2y;
  const double M11 = e.M11, M12 = e.M12, M13 = e.M13, M22 = e.M22, M23 = e.M23, M33 = e.M33;
  const double det = e.det;
  if (det == 0 || !std::isfinite(det)) {
    return Refuse(
        "The least-squares equations of the parabola are singular for this range: no "
        "parabola can be fitted. Pick a wider range.");
  }

  const double a0 = (Sy * M11 - Sxy * M12 + Sx2y * M13) / det;
  const double a1 = (-Sy * M12 + Sxy * M22 - Sx2y * M23) / det;
  const double a2 = (Sy * M13 - Sxy * M23 + Sx2y * M33) / det;
  if (a2 == 0) {
    return Refuse("The fitted curve is a straight line (no curvature): it has no vertex.");
  }
  if (a1 == 0) {
    // The error estimate divides by a1, which vanishes only when the vertex
    // lies exactly at the relative time 0.
    return Refuse(kVertexAtZero);
  }
  const double tv = -a1 / (2 * a2);

  double SSR = 0, C1 = 0, C2 = 0;
  for (int i = first; i <= last; ++i) {
    const double x = s.RelTime[i];
    const double y = s.Mag[i];
    const double r = y - (a0 + a1 * x + a2 * x * x);
    SSR += r * r;
    // det times the weight of point i in a1 and in a2.
    const double w1 = -M12 + M22 * x - M23 * x * x;
    const double w2 = M13 - M23 * x + M33 * x * x;
    C1 += w1 * w1;
    C2 += w2 * w2;
  }
  const double rms = std::sqrt(SSR / (N - 3));
  const double s1 = rms * std::sqrt(C1) / det;
  const double s2 = rms * std::sqrt(C2) / det;
  const double q2 = s2 / a2;
  const double q1 = s1 / a1;
  const double error = rms * tv * std::sqrt(q2 * q2 + q1 * q1);

  if (!AllFinite({tv, rms, a0, a1, a2, s1, s2, error})) {
    return Refuse("The parabolic fit of this range gave no finite result.");
  }
  return ParabolaFit{Minimum{tv, error}, rms, a0, a1, a2, s1, s2, false};
}

// The literal solution is kept when its vertex agrees with the centred one to
// within half a unit of the sixth decimal of a day and its RMS deviation to
// 1 %: it then shows the digits the program has always shown.
constexpr double kVertexTolerance = 5e-7;

}  // namespace

MethodResult<ParabolaFit> FitParabola(const CurveView& s, int first, int last) {
  // The range is checked before any arithmetic on its ends: a range of
  // -2147483648 to 2147483647 must not overflow its count.
  if (first > last) {
    return Refuse("The range " + std::to_string(first) + " to " + std::to_string(last) +
                  " runs backwards: its left end must have the smaller index.");
  }
  if (first < 1 || last > s.NPoints) {
    return Refuse("The range " + std::to_string(first) + " to " + std::to_string(last) +
                  " reaches outside the points 1 to " + std::to_string(s.NPoints) + ".");
  }
  const int n = last - first + 1;
  if (n < 4) {
    return Refuse("The parabola needs at least 4 points in the range; the range " +
                  std::to_string(first) + " to " + std::to_string(last) + " holds " +
                  std::to_string(n) + ". Pick a wider range.");
  }
  if (!HasThreeDistinctTimes(s, first, last)) {
    return Refuse(
        "The points of the range lie at fewer than three different times: no parabola "
        "can be fitted. Pick a wider range.");
  }
  if (AllMagnitudesEqual(s, first, last)) {
    return Refuse(
        "All magnitudes of the range are equal: the light curve is flat there and the "
        "parabola has no vertex. Pick a range across the eclipse.");
  }

  // The literal solution on the relative times as they are. Its sums of up
  // to the fourth power of times near 1 day lose most of their digits when
  // the range is only a few minutes wide; the centred solution then stands in
  // for it, with the same formulas evaluated without that loss.
  const CentredFit centred = CentredParabola(s, first, last);
  const auto literal = LiteralParabola(s, first, last);
  if (literal && centred.ok && std::fabs(literal->minimum.rel_time - centred.tv) <= kVertexTolerance &&
      std::fabs(literal->rms - centred.rms) <= 0.01 * centred.rms + 5e-5) {
    return literal;
  }
  if (!centred.ok) {
    if (!literal) return literal;
    return Refuse(
        "The least-squares equations of the parabola are singular for this range: no "
        "parabola can be fitted. Pick a wider range.");
  }
  if (centred.a2 == 0) {
    return Refuse("The fitted curve is a straight line (no curvature): it has no vertex.");
  }
  if (centred.a1 == 0) return Refuse(kVertexAtZero);
  const double q2 = centred.s2 / centred.a2;
  const double q1 = centred.s1 / centred.a1;
  const double error = centred.rms * centred.tv * std::sqrt(q2 * q2 + q1 * q1);
  if (!AllFinite({centred.tv, centred.rms, centred.a0, centred.a1, centred.a2, centred.s1,
                  centred.s2, error})) {
    return Refuse("The parabolic fit of this range gave no finite result.");
  }
  return ParabolaFit{Minimum{centred.tv, error}, centred.rms, centred.a0, centred.a1,
                     centred.a2, centred.s1, centred.s2, true};
}

}  // namespace vantor
