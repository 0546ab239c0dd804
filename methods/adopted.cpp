// The adopted time and the honest errors of the fits it weighs.
#include "methods/adopted.h"

#include <algorithm>
#include <cmath>

#include "core/method_rows.h"
#include "core/statistics.h"

namespace vantor {
namespace {

std::string Plural(size_t n, const char* one) {
  return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "; ") + p;
  return out;
}

// The parabola's vertex error by least squares about the mean time of its
// range, for a point scatter `sigma` (0: the residuals' own), and the
// reduced chi-square of its residuals for that scatter. Nothing when the
// range holds fewer than 4 points or the fit is degenerate.
struct FitQuality {
  double error = 0, reducedChiSquare = 1, beta = 1;
  bool ok = false;
};

FitQuality ParabolaQuality(const CurveView& c, IndexRange r, double sigma) {
  FitQuality q;
  const int first = std::max(r.first, 1), last = std::min(r.last, c.NPoints);
  const int n = last - first + 1;
  if (n < 4) return q;
  double tm = 0;
  for (int i = first; i <= last; ++i) tm += c.RelTime[i];
  tm /= n;
  // Normal equations of m = b0 + b1 x + b2 x^2, x = t - tm.
  double s[5] = {0, 0, 0, 0, 0}, y[3] = {0, 0, 0};
  for (int i = first; i <= last; ++i) {
    const double x = c.RelTime[i] - tm;
    double p = 1;
    for (int k = 0; k < 5; ++k, p *= x) {
      s[k] += p;
      if (k < 3) y[k] += p * c.Mag[i];
    }
  }
  const double a[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  if (!(std::fabs(det) > 0) || !std::isfinite(det)) return q;
  // The inverse by cofactors (symmetric).
  double inv[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
      inv[i][j] = (a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1]) / det;
    }
  }
  double b[3];
  for (int i = 0; i < 3; ++i) b[i] = inv[i][0] * y[0] + inv[i][1] * y[1] + inv[i][2] * y[2];
  if (!(std::fabs(b[2]) > 0)) return q;
  std::vector<double> res;
  double ssr = 0;
  for (int i = first; i <= last; ++i) {
    const double x = c.RelTime[i] - tm;
    const double d = c.Mag[i] - (b[0] + b[1] * x + b[2] * x * x);
    res.push_back(d);
    ssr += d * d;
  }
  const double rms = std::sqrt(ssr / (n - 3));
  const double scatter = sigma > 0 ? sigma : rms;
  if (!(scatter > 0)) return q;
  // Vertex x = -b1 / (2 b2): its gradient in (b1, b2).
  const double g1 = -1 / (2 * b[2]), g2 = b[1] / (2 * b[2] * b[2]);
  const double var = g1 * g1 * inv[1][1] + 2 * g1 * g2 * inv[1][2] + g2 * g2 * inv[2][2];
  q.error = scatter * std::sqrt(std::max(var, 0.0));
  q.reducedChiSquare = (rms / scatter) * (rms / scatter);
  q.beta = CorrelatedNoiseFactor(res);
  q.ok = std::isfinite(q.error) && q.error > 0;
  return q;
}

FitQuality FourierQuality(const FourierFitResult& f, double sigma) {
  FitQuality q;
  const int n = f.nData;
  if (n <= 8 || static_cast<int>(f.FitT.size()) <= n) return q;
  const auto& p = f.FitParam;
  std::vector<double> res;
  double ssr = 0;
  for (int i = 1; i <= n; ++i) {
    double model = p[2];
    for (int k = 1; k <= 5; ++k) model += p[k + 3] * (std::cos(k * p[3] * (f.FitT[i] - p[1])) - 1);
    const double d = f.FitMag[i] - model;
    res.push_back(d);
    ssr += d * d;
  }
  const double rms = std::sqrt(ssr / (n - 8));
  const double scatter = sigma > 0 ? sigma : rms;
  if (!(scatter > 0)) return q;
  q.error = std::fabs(f.minimum.error) * scatter / kFourierPointSigma;
  q.reducedChiSquare = (rms / scatter) * (rms / scatter);
  q.beta = CorrelatedNoiseFactor(res);
  q.ok = std::isfinite(q.error) && q.error > 0;
  return q;
}

}  // namespace

double CorrelatedNoiseFactor(std::span<const double> r) {
  return CorrelatedNoiseFactor(r, 2, r.size() / 4);
}

double CorrelatedNoiseFactor(std::span<const double> r, size_t smallest, size_t largest) {
  const size_t n = r.size();
  if (n < 8) return 1.0;
  double mean = 0;
  for (double v : r) mean += v;
  mean /= static_cast<double>(n);
  double ss = 0;
  for (double v : r) ss += (v - mean) * (v - mean);
  const double sigma1 = std::sqrt(ss / static_cast<double>(n - 1));
  if (!(sigma1 > 0)) return 1.0;
  double sum = 0;
  int sizes = 0;
  for (size_t size = std::max<size_t>(2, smallest); size <= std::min(largest, n / 2); ++size) {
    const size_t groups = n / size;
    std::vector<double> means;
    for (size_t g = 0; g < groups; ++g) {
      double m = 0;
      for (size_t k = 0; k < size; ++k) m += r[g * size + k];
      means.push_back(m / static_cast<double>(size));
    }
    double gm = 0;
    for (double m : means) gm += m;
    gm /= static_cast<double>(groups);
    double gs = 0;
    for (double m : means) gs += (m - gm) * (m - gm);
    const double sigmaN = std::sqrt(gs / static_cast<double>(groups - 1));
    const double expected = sigma1 / std::sqrt(static_cast<double>(size)) *
                            std::sqrt(static_cast<double>(groups) / (groups - 1));
    sum += sigmaN / expected;
    ++sizes;
  }
  if (sizes == 0) return 1.0;
  const double beta = sum / sizes;
  return std::isfinite(beta) ? std::max(1.0, beta) : 1.0;
}

double PointScatter(const CurveView& c) {
  if (c.NPoints < 3) return 0.0;
  std::vector<double> d;
  for (int i = 2; i < c.NPoints; ++i) {
    d.push_back(std::fabs(c.Mag[i] - (c.Mag[i - 1] + c.Mag[i + 1]) / 2));
  }
  const double s = 1.4826 * Median(std::move(d)) / std::sqrt(1.5);
  return std::isfinite(s) ? s : 0.0;
}

double NoiseFloorOf(const Timing& fourier, double noiseMag) {
  if (!(noiseMag > 0)) return 0.0;
  const double floor = std::fabs(fourier.minimum.error) * noiseMag / kFourierPointSigma;
  return std::isfinite(floor) ? floor : 0.0;
}

MethodTimeInput AdoptionInput(const CurveView& c, const MethodSetup& setup, const Timing& t,
                              double noiseMag) {
  MethodTimeInput in;
  in.method = MethodKey(t.row);
  in.time = t.time;
  in.error = std::fabs(t.minimum.error);
  const double sigma = noiseMag > 0 ? noiseMag : 0.0;
  FitQuality q;
  switch (t.row) {
    case 1:
      if (const auto* p = std::get_if<ParabolaSetup>(&setup)) q = ParabolaQuality(c, p->range, sigma);
      break;
    case 2: in.kind = ErrorKind::None; return in;
    case 5: q = FourierQuality(t.As<FourierFitResult>(), sigma); break;
    case 6: in.kind = ErrorKind::NoiseFree; return in;
    default: return in;
  }
  if (q.ok) {
    in.kind = ErrorKind::Fit;
    in.error = q.error;
    in.reducedChiSquare = q.reducedChiSquare;
    in.beta = q.beta;
  }
  return in;
}

std::expected<AdoptedTime, Error> AdoptTime(std::span<const MethodTimeInput> inputs,
                                            double noiseFloor) {
  const double floor = std::isfinite(noiseFloor) && noiseFloor > 0 ? noiseFloor : 0.0;
  std::vector<std::string> leftOut;
  std::vector<const MethodTimeInput*> used;
  std::vector<double> errors;
  for (const MethodTimeInput& in : inputs) {
    if (in.kind == ErrorKind::NoiseFree) {
      leftOut.push_back(in.method + " left out (its error comes from a noise-free integral)");
      continue;
    }
    if (in.kind == ErrorKind::None) {
      leftOut.push_back(in.method + " left out (no error)");
      continue;
    }
    double e = std::fabs(in.error);
    if (in.kind == ErrorKind::Fit) {
      if (std::isfinite(in.reducedChiSquare) && in.reducedChiSquare > 1) {
        e *= std::sqrt(in.reducedChiSquare);
      }
      if (std::isfinite(in.beta) && in.beta > 1) e *= in.beta;
    }
    if (!std::isfinite(in.time) || !std::isfinite(e) || !(e > 0)) {
      leftOut.push_back(in.method + " left out (no usable error)");
      continue;
    }
    used.push_back(&in);
    errors.push_back(std::max(e, floor));
  }
  if (used.empty()) {
    return Refuse("No method gave a time with an error to weigh" +
                  (leftOut.empty() ? std::string(".") : ": " + Joined(leftOut) + "."));
  }
  // About the first time, so that the sums keep their digits on full dates.
  const double base = used.front()->time;
  double sw = 0, swd = 0;
  for (size_t i = 0; i < used.size(); ++i) {
    const double w = 1 / (errors[i] * errors[i]);
    sw += w;
    swd += w * (used[i]->time - base);
  }
  AdoptedTime a;
  a.time = base + swd / sw;
  const double internal = std::sqrt(1 / sw);
  double standardError = 0;
  const size_t n = used.size();
  if (n >= 2) {
    double s = 0;
    for (const auto* in : used) s += in->time - base;
    const double mean = s / static_cast<double>(n);
    double ss = 0;
    for (const auto* in : used) ss += (in->time - base - mean) * (in->time - base - mean);
    standardError = std::sqrt(ss / static_cast<double>(n - 1) / static_cast<double>(n));
  }
  a.error = std::max({internal, standardError, floor});
  for (const auto* in : used) a.methods.push_back(in->method);
  if (n == 1) {
    a.note = a.error == floor && floor > internal ? "error from the shared noise floor; one method"
                                                   : "error of " + used.front()->method + " alone";
  } else if (a.error == standardError && standardError > internal) {
    a.note = "error from the scatter of " + Plural(n, "method");
  } else if (a.error == floor && floor > internal) {
    a.note = "error from the shared noise floor of " + Plural(n, "method");
  } else {
    a.note = "error of the weighted mean of " + Plural(n, "method");
  }
  for (const std::string& why : leftOut) a.note += "; " + why;
  return a;
}

}  // namespace vantor
