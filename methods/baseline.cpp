// The baseline under an eclipse: out-of-eclipse points, the polynomial and
// its F-test, and its removal.
#include "methods/baseline.h"

#include <algorithm>
#include <cmath>

#include "core/number.h"
#include "core/statistics.h"

namespace vantor {
namespace {

// Continued fraction of the incomplete beta function (modified Lentz).
double BetaFraction(double x, double a, double b) {
  constexpr double kTiny = 1e-300;
  constexpr int kMostTerms = 300;
  const double qab = a + b, qap = a + 1, qam = a - 1;
  double c = 1, d = 1 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= kMostTerms; ++m) {
    const int m2 = 2 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double del = d * c;
    h *= del;
    if (std::fabs(del - 1) < 1e-15) break;
  }
  return h;
}

struct PolyFit {
  std::vector<double> coef;
  double rss = 0;
  bool ok = false;
};

// Least squares of y = sum c_k x^k, k = 0..degree, by the normal equations
// (x already centred and scaled by the caller).
PolyFit FitPolynomial(const std::vector<double>& x, const std::vector<double>& y, int degree) {
  const int p = degree + 1;
  PolyFit f;
  if (static_cast<int>(x.size()) <= p) return f;
  std::vector<std::vector<double>> a(p, std::vector<double>(p + 1, 0.0));
  for (size_t i = 0; i < x.size(); ++i) {
    std::vector<double> pw(2 * p, 1.0);
    for (int k = 1; k < 2 * p; ++k) pw[k] = pw[k - 1] * x[i];
    for (int r = 0; r < p; ++r) {
      for (int c = 0; c < p; ++c) a[r][c] += pw[r + c];
      a[r][p] += pw[r] * y[i];
    }
  }
  // Gaussian elimination with partial pivoting.
  for (int col = 0; col < p; ++col) {
    int pivot = col;
    for (int r = col + 1; r < p; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (!(std::fabs(a[pivot][col]) > 0)) return f;
    std::swap(a[col], a[pivot]);
    for (int r = 0; r < p; ++r) {
      if (r == col) continue;
      const double q = a[r][col] / a[col][col];
      for (int c = col; c <= p; ++c) a[r][c] -= q * a[col][c];
    }
  }
  f.coef.resize(p);
  for (int k = 0; k < p; ++k) f.coef[k] = a[k][p] / a[k][k];
  for (size_t i = 0; i < x.size(); ++i) {
    double v = 0;
    for (int k = p - 1; k >= 0; --k) v = v * x[i] + f.coef[k];
    f.rss += (y[i] - v) * (y[i] - v);
  }
  f.ok = std::all_of(f.coef.begin(), f.coef.end(), [](double c) { return std::isfinite(c); });
  return f;
}

std::vector<double> RunningMedian(std::span<const double> m, int width) {
  const int n = static_cast<int>(m.size()), half = width / 2;
  std::vector<double> out(n);
  for (int i = 0; i < n; ++i) {
    const int lo = std::max(0, i - half), hi = std::min(n - 1, i + half);
    out[i] = Median(std::vector<double>(m.begin() + lo, m.begin() + hi + 1));
  }
  return out;
}

}  // namespace

double IncompleteBeta(double x, double a, double b) {
  if (!(x > 0)) return 0.0;
  if (!(x < 1)) return 1.0;
  const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                a * std::log(x) + b * std::log1p(-x));
  // The fraction converges fast for x below (a + 1) / (a + b + 2); above, by symmetry.
  if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(x, a, b) / a;
  return 1 - front * BetaFraction(1 - x, b, a) / b;
}

double FDistributionTail(double f, double d1, double d2) {
  if (!(f > 0)) return 1.0;
  return IncompleteBeta(d2 / (d2 + d1 * f), d2 / 2, d1 / 2);
}

double Baseline::Value(double t) const {
  const double x = t - tRef;
  double v = 0;
  for (int k = static_cast<int>(coef.size()) - 1; k >= 0; --k) v = v * x + coef[k];
  return v;
}

std::string Baseline::Describe() const {
  std::string s = std::string(degree == 2 ? "quadratic" : "linear") +
                  " baseline removed: slope " + FormatNumber(slope, 'g', 4) +
                  " mag/d at the eclipse, fitted to " + std::to_string(before) + " + " +
                  std::to_string(after) + " out-of-eclipse points";
  if (degree == 2) {
    s += " (the quadratic term passes the F-test, p = " + FormatNumber(fTestP, 'g', 2) + ")";
  }
  return s;
}

std::expected<Baseline, Error> FitBaseline(std::span<const double> t, std::span<const double> m) {
  const int n = static_cast<int>(t.size());
  if (n != static_cast<int>(m.size()) || n < 2 * kBaselineSidePoints + 4) {
    return Refuse("No baseline: too few points (" + std::to_string(n) + ") to fit one beside "
                  "the eclipse.");
  }
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(t[i]) || !std::isfinite(m[i]) || (i > 0 && t[i] < t[i - 1])) {
      return Refuse("No baseline: the times must be finite and in order, the magnitudes finite.");
    }
  }
  const std::vector<double> smooth = RunningMedian(m, kBaselineSmoothPoints);
  Baseline b;
  b.tRef = 0.5 * (t.front() + t.back());
  const double scale = std::max(t.back() - t.front(), 1e-12);
  // Start: the line through both ends' medians.
  {
    const int k = std::max(2, static_cast<int>(kBaselineEndShare * n));
    const auto med = [&](int from, int to, std::span<const double> v) {
      return Median(std::vector<double>(v.begin() + from, v.begin() + to));
    };
    const double t1 = med(0, k, t), m1 = med(0, k, m), t2 = med(n - k, n, t), m2 = med(n - k, n, m);
    const double slope = t2 > t1 ? (m2 - m1) / (t2 - t1) : 0.0;
    b.coef = {m1 + slope * (b.tRef - t1), slope};
  }
  int lo = 0, hi = 0, bottom = 0;
  for (int pass = 0; pass < kBaselinePasses; ++pass) {
    bottom = 0;
    std::vector<double> r(n);
    for (int i = 0; i < n; ++i) {
      r[i] = smooth[i] - b.Value(t[i]);
      if (r[i] > r[bottom]) bottom = i;
    }
    const double depth = r[bottom];
    if (!(depth > 0)) return Refuse("No baseline: no eclipse shows above the out-of-eclipse level.");
    lo = hi = bottom;
    while (lo > 0 && r[lo - 1] > kBaselineEdge * depth) --lo;
    while (hi < n - 1 && r[hi + 1] > kBaselineEdge * depth) ++hi;
    // A margin of a tenth of the eclipse on each side keeps its faint wings out.
    const double margin = 0.1 * (t[hi] - t[lo]);
    b.eclipseStart = t[lo] - margin;
    b.eclipseEnd = t[hi] + margin;
    std::vector<double> x, y;
    b.before = b.after = 0;
    for (int i = 0; i < n; ++i) {
      if (t[i] >= b.eclipseStart && t[i] <= b.eclipseEnd) continue;
      (t[i] < b.eclipseStart ? b.before : b.after) += 1;
      x.push_back((t[i] - b.tRef) / scale);
      y.push_back(m[i]);
    }
    if (b.before < kBaselineSidePoints || b.after < kBaselineSidePoints) {
      const bool left = b.before < kBaselineSidePoints;
      return Refuse("No baseline removed: " + std::to_string(left ? b.before : b.after) +
                    " out-of-eclipse points " + (left ? "before" : "after") +
                    " the eclipse (at least " + std::to_string(kBaselineSidePoints) +
                    " are needed on each side; from one side a baseline would be extrapolated).");
    }
    const PolyFit line = FitPolynomial(x, y, 1);
    if (!line.ok) return Refuse("No baseline: the out-of-eclipse points do not define a line.");
    PolyFit chosen = line;
    b.degree = 1;
    b.fTestP = 1;
    const int nOut = static_cast<int>(x.size());
    if (b.before >= kQuadraticSidePoints && b.after >= kQuadraticSidePoints) {
      const PolyFit quad = FitPolynomial(x, y, 2);
      if (quad.ok && quad.rss > 0 && quad.rss < line.rss) {
        const double f = (line.rss - quad.rss) / (quad.rss / (nOut - 3));
        b.fTestP = FDistributionTail(f, 1, nOut - 3);
        if (b.fTestP < kBaselineFTestLevel) {
          chosen = quad;
          b.degree = 2;
        }
      } else if (quad.ok && quad.rss == 0 && line.rss > 0) {
        chosen = quad;  // a quadratic through every point: no F, but no doubt
        b.degree = 2;
        b.fTestP = 0;
      }
    }
    b.coef.assign(chosen.coef.size(), 0.0);
    for (size_t k = 0; k < chosen.coef.size(); ++k) b.coef[k] = chosen.coef[k] / std::pow(scale, k);
  }
  const double mid = 0.5 * (t[lo] + t[hi]);
  b.slope = b.coef[1] + (b.degree == 2 ? 2 * b.coef[2] * (mid - b.tRef) : 0.0);
  // The eclipse's curvature from a parabola through its lower half (detrended).
  {
    const double depth = smooth[bottom] - b.Value(t[bottom]);
    std::vector<double> x, y;
    for (int i = lo; i <= hi; ++i) {
      if (smooth[i] - b.Value(t[i]) >= 0.5 * depth) {
        x.push_back((t[i] - t[bottom]) / scale);
        y.push_back(m[i] - b.Value(t[i]));
      }
    }
    const PolyFit p = FitPolynomial(x, y, 2);
    // m = m0 - c (t - t0)^2 with c > 0 for an eclipse (fainter is larger).
    const double c = p.ok ? -p.coef[2] / (scale * scale) : 0.0;
    b.shift = c > 0 ? std::fabs(b.slope / (2 * c)) : 0.0;
  }
  return b;
}

std::expected<Baseline, Error> FitBaseline(const CurveView& c) {
  const int n = c.NPoints;
  if (n < 1) return FitBaseline(std::span<const double>(), std::span<const double>());
  return FitBaseline(c.RelTime.subspan(1, n), c.Mag.subspan(1, n));
}

Curve RemoveBaseline(const CurveView& c, const Baseline& b) {
  Curve out;
  out.HjdBase = c.HjdBase;
  out.Scale = std::string(c.Scale);
  out.ResultDecimals = c.ResultDecimals;
  const double level = b.Value(0.5 * (b.eclipseStart + b.eclipseEnd));
  for (int i = 1; i <= c.NPoints; ++i) {
    out.RelTime.push_back(c.RelTime[i]);
    out.Mag.push_back(c.Mag[i] - (b.Value(c.RelTime[i]) - level));
  }
  if (c.HasErrors()) out.Error.assign(c.Error.begin(), c.Error.begin() + c.NPoints + 1);
  return out;
}

std::string SlopeWarning(const Baseline& b, double error) {
  if (!(error > 0) || !(b.shift > error)) return "";
  return "Warning: the baseline's slope (" + FormatNumber(b.slope, 'g', 3) +
         " mag/d) alone moves the minimum by about " + FormatNumber(b.shift, 'g', 2) +
         " d, more than its error " + FormatNumber(error, 'g', 2) + " d.";
}

}  // namespace vantor
