// The profile method of a series: the mean eclipse profile of each kind and
// its fit to every eclipse by a shift, a depth scale and a linear baseline.
#include "series/profile.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/format.h"
#include "core/statistics.h"
#include "methods/adopted.h"
#include "methods/bootstrap.h"
#include "methods/coverage.h"
#include "series/series.h"

namespace vantor {

namespace {

constexpr int kMaxParams = 4;
using Matrix = std::array<std::array<double, kMaxParams>, kMaxParams>;
using Vector = std::array<double, kMaxParams>;

// Inverts the n x n matrix a (Gauss-Jordan with partial pivoting); false
// when it is singular to working precision.
bool Invert(Matrix a, int n, Matrix& inv) {
  double scale = 0;
  for (int i = 0; i < n; ++i) scale = std::max(scale, std::fabs(a[i][i]));
  if (!(scale > 0) || !std::isfinite(scale)) return false;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) inv[i][j] = i == j ? 1.0 : 0.0;
  }
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r) {
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    }
    if (!(std::fabs(a[p][c]) > 1e-13 * scale)) return false;
    std::swap(a[p], a[c]);
    std::swap(inv[p], inv[c]);
    const double d = a[c][c];
    for (int j = 0; j < n; ++j) a[c][j] /= d, inv[c][j] /= d;
    for (int r = 0; r < n; ++r) {
      if (r == c || a[r][c] == 0) continue;
      const double f = a[r][c];
      for (int j = 0; j < n; ++j) a[r][j] -= f * a[c][j], inv[r][j] -= f * inv[c][j];
    }
  }
  return true;
}

// The linear parameters at one shift and the chi-square they leave.
struct LinearFit {
  Vector p{};
  double chi2 = INFINITY;
};

// The points of one eclipse, their weights, and whether the baseline has a slope.
struct Window {
  std::span<const double> t, m;
  std::vector<double> w;  // weights
  double predicted = 0;
  bool slope = true;
  int Params() const { return slope ? 3 : 2; }
};

std::array<double, kMaxParams> Basis(const Window& win, const EclipseProfile& p, size_t i,
                                     double d) {
  const double x = win.t[i] - win.predicted;
  if (win.slope) return {1.0, x, p.At(x - d), 0.0};
  return {1.0, p.At(x - d), 0.0, 0.0};
}

// The exact linear parameters (a, [b,] s) of the profile at shift d.
LinearFit SolveAt(const Window& win, const EclipseProfile& p, double d, std::span<const double> m) {
  const int k = win.Params();
  Matrix a{};
  Vector y{};
  for (size_t i = 0; i < m.size(); ++i) {
    const auto f = Basis(win, p, i, d);
    for (int r = 0; r < k; ++r) {
      y[r] += win.w[i] * f[r] * m[i];
      for (int c = 0; c < k; ++c) a[r][c] += win.w[i] * f[r] * f[c];
    }
  }
  Matrix inv{};
  LinearFit fit;
  if (!Invert(a, k, inv)) return fit;
  for (int r = 0; r < k; ++r) {
    fit.p[r] = 0;
    for (int c = 0; c < k; ++c) fit.p[r] += inv[r][c] * y[c];
  }
  fit.chi2 = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    const auto f = Basis(win, p, i, d);
    double model = 0;
    for (int r = 0; r < k; ++r) model += fit.p[r] * f[r];
    fit.chi2 += win.w[i] * (m[i] - model) * (m[i] - model);
  }
  return fit;
}

// The shift of least chi-square over [from, to]: a grid of `steps` + 1
// points, then golden sections between the best point's neighbours.
// Nothing when the best lies at an end of the range (the minimum is beyond
// it) or no shift gives a solution.
std::optional<double> BestShift(const Window& win, const EclipseProfile& p,
                                std::span<const double> m, double from, double to, int steps) {
  const double step = (to - from) / steps;
  int best = -1;
  double bestChi2 = INFINITY;
  for (int k = 0; k <= steps; ++k) {
    const double c = SolveAt(win, p, from + k * step, m).chi2;
    if (c < bestChi2) bestChi2 = c, best = k;
  }
  if (best <= 0 || best >= steps) return std::nullopt;
  constexpr double kGolden = 0.6180339887498949;
  double lo = from + (best - 1) * step, hi = from + (best + 1) * step;
  double x1 = hi - kGolden * (hi - lo), x2 = lo + kGolden * (hi - lo);
  double f1 = SolveAt(win, p, x1, m).chi2, f2 = SolveAt(win, p, x2, m).chi2;
  for (int it = 0; it < 60 && hi - lo > 1e-10 * (to - from); ++it) {
    if (f1 < f2) {
      hi = x2, x2 = x1, f2 = f1;
      x1 = hi - kGolden * (hi - lo);
      f1 = SolveAt(win, p, x1, m).chi2;
    } else {
      lo = x1, x1 = x2, f1 = f2;
      x2 = lo + kGolden * (hi - lo);
      f2 = SolveAt(win, p, x2, m).chi2;
    }
  }
  return (lo + hi) / 2;
}

// The time-averaging factor of the residuals z (in time order) over the time
// scales that move a time of minimum: groups spanning from an eighth to a
// half of the eclipse (`branchPoints` points span half of it), within
// 2 .. N / 3; all of 2 .. N / 3 when none is.
double ProfileNoiseFactor(const std::vector<double>& z, double branchPoints) {
  const size_t n = z.size();
  size_t from = 2, to = n / 3;
  if (std::isfinite(branchPoints) && branchPoints >= 2 && branchPoints <= static_cast<double>(n)) {
    const size_t lo = std::max<size_t>(2, static_cast<size_t>(std::ceil(branchPoints / 4)));
    const size_t hi = std::min<size_t>(n / 3, static_cast<size_t>(std::floor(branchPoints)));
    if (lo <= hi) from = lo, to = hi;
  }
  return CorrelatedNoiseFactor(z, from, to);
}

// The level of a window: the median of its points with |x| >= 3 h / 4.
std::optional<double> OuterLevel(std::span<const double> t, std::span<const double> m,
                                 double centre, double h) {
  std::vector<double> outer;
  for (size_t i = 0; i < t.size(); ++i) {
    if (std::fabs(t[i] - centre) >= 0.75 * h) outer.push_back(m[i]);
  }
  if (outer.size() < 2) return std::nullopt;
  return Median(std::move(outer));
}

// Where the depth falls below `level` walking from index `from` by `dir`:
// the x of the crossing, linear between grid points; the grid's end when
// it never does.
double Crossing(const EclipseProfile& p, int from, int dir, double level) {
  const int g = static_cast<int>(p.depth.size());
  const double step = 2 * p.halfWidth / (g - 1);
  int i = from;
  while (i + dir >= 0 && i + dir < g && p.depth[i + dir] >= level) i += dir;
  const double x = -p.halfWidth + i * step;
  if (i + dir < 0 || i + dir >= g) return x;
  const double a = p.depth[i], b = p.depth[i + dir];
  return x + dir * step * (a - level) / (a - b);
}

}  // namespace

double EclipseProfile::At(double x) const {
  const int g = static_cast<int>(depth.size());
  const double u = (x + halfWidth) / (2 * halfWidth) * (g - 1);
  if (!(u > 0)) return depth.front();
  if (u >= g - 1) return depth.back();
  const int i = static_cast<int>(u);
  const double f = u - i;
  return depth[i] + f * (depth[i + 1] - depth[i]);
}

double EclipseProfile::SlopeAt(double x) const {
  const int g = static_cast<int>(depth.size());
  const double step = 2 * halfWidth / (g - 1);
  const double u = (x + halfWidth) / step;
  const int i = std::clamp(static_cast<int>(std::floor(u)), 0, g - 2);
  if (u < 0 || u > g - 1) return 0.0;
  return (depth[i + 1] - depth[i]) / step;
}

std::expected<EclipseProfile, Error> BuildProfile(std::span<const double> time,
                                                  std::span<const double> mag,
                                                  std::span<const double> centres, double h) {
  if (!(h > 0) || !std::isfinite(h)) return std::unexpected(Error{"No window half-width."});
  // The level of each window, then the fold.
  std::vector<double> allOuter;
  std::vector<std::optional<double>> levels;
  for (const double c : centres) {
    const WindowIndices in = WindowOf(time, c, h);
    const auto t = time.subspan(in.first, in.size());
    const auto m = mag.subspan(in.first, in.size());
    levels.push_back(OuterLevel(t, m, c, h));
    for (size_t i = 0; i < t.size(); ++i) {
      if (std::fabs(t[i] - c) >= 0.75 * h) allOuter.push_back(m[i]);
    }
  }
  std::vector<double> x, y;
  EclipseProfile p;
  p.halfWidth = h;
  const double common = allOuter.size() >= 2 ? Median(allOuter) : NAN;
  for (size_t k = 0; k < centres.size(); ++k) {
    const WindowIndices in = WindowOf(time, centres[k], h);
    const double level = levels[k].value_or(common);
    if (in.size() == 0 || std::isnan(level)) continue;
    ++p.eclipses;
    for (size_t i = in.first; i < in.last; ++i) {
      x.push_back(time[i] - centres[k]);
      y.push_back(mag[i] - level);
    }
  }
  p.points = static_cast<int>(x.size());
  if (p.points < 2 * kProfileMinBins) {
    return std::unexpected(Error{"The eclipses hold " + std::to_string(p.points) +
                                 " points, too few for a mean profile (at least " +
                                 std::to_string(2 * kProfileMinBins) + ")."});
  }
  // Bins: kProfilePointsPerBin points each on average, none narrower than
  // half the cadence.
  const double cadence = MedianStep(time);
  const double width =
      std::max(2 * h * kProfilePointsPerBin / p.points, std::isfinite(cadence) ? cadence / 2 : 0);
  const int nb =
      std::clamp(static_cast<int>(std::lround(2 * h / width)), kProfileMinBins, kProfileMaxBins);
  const double bw = 2 * h / nb;
  std::vector<std::vector<double>> bins(nb);
  for (size_t i = 0; i < x.size(); ++i) {
    bins[std::clamp(static_cast<int>((x[i] + h) / bw), 0, nb - 1)].push_back(y[i]);
  }
  std::vector<double> bx, by, bn;
  for (int b = 0; b < nb; ++b) {
    if (bins[b].empty()) continue;
    bx.push_back(-h + (b + 0.5) * bw);
    bn.push_back(static_cast<double>(bins[b].size()));
    by.push_back(Median(std::move(bins[b])));
  }
  if (bx.size() < static_cast<size_t>(kProfileMinBins / 2)) {
    return std::unexpected(Error{"The folded eclipses fill only " + std::to_string(bx.size()) +
                                 " bins of their profile."});
  }
  // Local quadratic smoothing onto the grid.
  std::vector<double> smooth(kProfileGrid);
  const double step = 2 * h / (kProfileGrid - 1);
  std::vector<double> dist(bx.size());
  for (int g = 0; g < kProfileGrid; ++g) {
    const double xg = -h + g * step;
    for (size_t k = 0; k < bx.size(); ++k) dist[k] = std::fabs(bx[k] - xg);
    std::vector<double> sorted = dist;
    std::nth_element(sorted.begin(), sorted.begin() + 4, sorted.end());
    const double radius = 1.0001 * std::max(kProfileSmoothBins * bw, sorted[4]);
    Matrix a{};
    Vector v{};
    double sw = 0, swy = 0;
    for (size_t k = 0; k < bx.size(); ++k) {
      const double u = dist[k] / radius;
      if (u >= 1) continue;
      const double w = bn[k] * std::pow(1 - u * u * u, 3);
      const double dx = (bx[k] - xg) / radius;
      const double f[3] = {1, dx, dx * dx};
      for (int r = 0; r < 3; ++r) {
        v[r] += w * f[r] * by[k];
        for (int c = 0; c < 3; ++c) a[r][c] += w * f[r] * f[c];
      }
      sw += w, swy += w * by[k];
    }
    Matrix inv{};
    if (Invert(a, 3, inv)) {
      smooth[g] = inv[0][0] * v[0] + inv[0][1] * v[1] + inv[0][2] * v[2];
    } else {
      smooth[g] = sw > 0 ? swy / sw : 0.0;
    }
  }
  std::vector<double> outer;
  for (int g = 0; g < kProfileGrid; ++g) {
    if (std::fabs(-h + g * step) >= 0.75 * h) outer.push_back(smooth[g]);
  }
  const double level = outer.empty() ? 0.0 : Median(std::move(outer));
  p.depth.resize(kProfileGrid);
  for (int g = 0; g < kProfileGrid; ++g) p.depth[g] = smooth[g] - level;
  // The deepest point within h / 2 of the predicted minimum.
  int deepest = kProfileGrid / 2;
  for (int g = 0; g < kProfileGrid; ++g) {
    if (std::fabs(-h + g * step) <= h / 2 && p.depth[g] > p.depth[deepest]) deepest = g;
  }
  p.maxDepth = p.depth[deepest];
  // Clearly deeper than the bins' own scatter out of the eclipse.
  std::vector<double> outerBins;
  for (size_t k = 0; k < bx.size(); ++k) {
    if (std::fabs(bx[k]) >= 0.75 * h) outerBins.push_back(by[k]);
  }
  double binScatter = 0;
  if (outerBins.size() >= 3) {
    const double mid = Median(outerBins);
    for (double& v : outerBins) v = std::fabs(v - mid);
    binScatter = 1.4826 * Median(std::move(outerBins));
  }
  if (!(p.maxDepth > kProfileDepthSigmas * binScatter)) {
    return std::unexpected(
        Error{"The folded eclipses show no eclipse: their mean profile is nowhere fainter than its "
              "level."});
  }
  double mid = 0;
  for (const double f : {0.25, 0.5, 0.75}) {
    mid +=
        (Crossing(p, deepest, -1, f * p.maxDepth) + Crossing(p, deepest, +1, f * p.maxDepth)) / 6;
  }
  p.centre = mid;
  p.duration = Crossing(p, deepest, +1, kProfileEdge * p.maxDepth) -
               Crossing(p, deepest, -1, kProfileEdge * p.maxDepth);
  return p;
}

std::expected<ProfileFit, Error> FitProfile(const EclipseProfile& profile,
                                            std::span<const double> t, std::span<const double> m,
                                            std::span<const double> errors, double predicted,
                                            uint64_t seed) {
  const size_t n = t.size();
  if (n < static_cast<size_t>(kProfileMinPoints)) {
    return std::unexpected(Error{"Profile: only " + std::to_string(n) +
                                 " points in the window; at least " +
                                 std::to_string(kProfileMinPoints) + " are needed."});
  }
  Window win{t, m, std::vector<double>(n, 1.0), predicted, true};
  const bool weighted =
      errors.size() == n &&
      std::all_of(errors.begin(), errors.end(), [](double e) { return e > 0 && std::isfinite(e); });
  if (weighted) {
    for (size_t i = 0; i < n; ++i) win.w[i] = 1 / (errors[i] * errors[i]);
  }
  // The slope of the baseline needs points outside the eclipse.
  int outside = 0;
  for (size_t i = 0; i < n; ++i) {
    const double x = t[i] - predicted - profile.centre;
    if (std::fabs(x) > profile.duration / 2) ++outside;
  }
  win.slope = outside >= 3;
  const double reach = std::min(profile.duration / 2, profile.halfWidth / 2);
  constexpr int kSteps = 100;
  const auto shift = BestShift(win, profile, m, -reach, reach, kSteps);
  if (!shift) {
    return std::unexpected(
        Error{"Profile: the best match lies at the edge of the search, more than " +
              FixedText(reach * 1440, 1) + " min from the predicted minimum."});
  }
  const double d = *shift;
  const LinearFit lin = SolveAt(win, profile, d, m);
  // Each branch needs points inside the eclipse.
  int before = 0, after = 0;
  for (size_t i = 0; i < n; ++i) {
    const double x = t[i] - predicted - d;
    if (profile.At(x) < kProfileBranchDepth * profile.maxDepth) continue;
    (x < profile.centre ? before : after) += 1;
  }
  if (before < 2 || after < 2) {
    return std::unexpected(Error{std::string("Profile: the ") +
                                 (before < 2 ? "descending" : "ascending") +
                                 " branch holds fewer than 2 points inside the eclipse."});
  }
  // The covariance of (a, [b,] s, d) from the Jacobian at the solution.
  const int k = win.Params() + 1;
  const double s = lin.p[win.Params() - 1];
  Matrix a{};
  std::vector<double> model(n), z(n);
  for (size_t i = 0; i < n; ++i) {
    auto f = Basis(win, profile, i, d);
    const double x = t[i] - predicted;
    f[k - 1] = -s * profile.SlopeAt(x - d);
    double mi = 0;
    for (int r = 0; r < k - 1; ++r) mi += lin.p[r] * f[r];
    model[i] = mi;
    z[i] = (m[i] - mi) * std::sqrt(win.w[i]);
    for (int r = 0; r < k; ++r) {
      for (int c = 0; c < k; ++c) a[r][c] += win.w[i] * f[r] * f[c];
    }
  }
  Matrix cov{};
  if (!Invert(a, k, cov) || !(cov[k - 1][k - 1] > 0)) {
    return std::unexpected(
        Error{"Profile: the fit is singular (the points do not constrain the "
              "shift)."});
  }
  ProfileFit fit;
  fit.points = static_cast<int>(n);
  fit.reducedChiSquare = lin.chi2 / static_cast<double>(static_cast<int>(n) - k);
  const double scale =
      weighted ? std::max(1.0, std::sqrt(fit.reducedChiSquare)) : std::sqrt(fit.reducedChiSquare);
  const int si = win.Params() - 1;
  if (!(s > 0) || !(s > 3 * scale * std::sqrt(cov[si][si]))) {
    return std::unexpected(
        Error{"Profile: no clear eclipse in the window (depth scale " + FixedText(s, 2) + ")."});
  }
  fit.depthScale = s;
  fit.beta = ProfileNoiseFactor(z, profile.duration / 2 / MedianStep(t));
  fit.covarianceError = std::sqrt(cov[k - 1][k - 1]) * scale * fit.beta;
  fit.time = predicted + profile.centre + d;
  fit.error = fit.covarianceError;
  if (!(fit.covarianceError > 0) || !std::isfinite(fit.covarianceError)) {
    return std::unexpected(Error{"Profile: the fit gives no error for the time."});
  }

  // The residuals permuted cyclically (each shifted by a number of points
  // drawn from 1 .. N - 1) and added to the model: the shifted residuals keep
  // their correlation in time, so the refits spread as correlated noise makes
  // them.
  const double inflate = std::sqrt(static_cast<double>(n) / static_cast<double>(n - k));
  BootstrapRng rng(seed);
  std::vector<double> mb(n), shifts;
  const double range = std::max(6 * fit.covarianceError, 4 * reach / kSteps);
  const double from = std::max(-reach, d - range);
  const double to = std::min(reach, d + range);
  for (int r = 0; r < kProfileBootstrap; ++r) {
    const size_t by = 1 + rng.Below(n - 1);
    for (size_t i = 0; i < n; ++i) {
      mb[i] = model[i] + inflate * z[(i + by) % n] / std::sqrt(win.w[i]);
    }
    if (const auto b = BestShift(win, profile, mb, from, to, 20)) shifts.push_back(*b);
  }
  if (shifts.size() * 2 >= static_cast<size_t>(kProfileBootstrap)) {
    double mean = 0;
    for (const double v : shifts) mean += v;
    mean /= static_cast<double>(shifts.size());
    double ss = 0;
    for (const double v : shifts) ss += (v - mean) * (v - mean);
    // Refits that ran to the end of the range count there: their spread is
    // at least that wide.
    const double missed = static_cast<double>(kProfileBootstrap - shifts.size());
    ss += missed * range * range;
    fit.bootstrapError = std::sqrt(ss / (kProfileBootstrap - 1));
    const double ratio = *fit.bootstrapError / fit.covarianceError;
    if (ratio > kProfileErrorRatio) {
      fit.error = *fit.bootstrapError;
      fit.note = "error from the bootstrap (" + FixedText(ratio, 1) + " x the fit's)";
    } else if (ratio < 1 / kProfileErrorRatio) {
      fit.note = "the bootstrap error is " + FixedText(ratio, 2) + " x the fit's";
    }
  } else {
    fit.note = "the bootstrap failed";
  }
  return fit;
}

std::vector<std::expected<ProfileFit, Error>> TimeProfiles(std::span<const double> time,
                                                           std::span<const double> mag,
                                                           std::span<const double> errors,
                                                           std::span<const ProfileTarget> targets,
                                                           double maxHalfWidth) {
  std::vector<std::expected<ProfileFit, Error>> out(targets.size(),
                                                    std::unexpected(Error{"Profile: not fitted."}));
  // Each point's error: the file's, else the scatter of the series' points
  // (from neighbours' differences, which the eclipses barely move).
  std::vector<double> sigma(time.size(), NAN);
  {
    std::vector<double> steps;
    for (size_t i = 1; i < mag.size(); ++i) steps.push_back(std::fabs(mag[i] - mag[i - 1]));
    const double scatter = steps.empty() ? NAN : 1.4826 * Median(std::move(steps)) / std::sqrt(2.0);
    for (size_t i = 0; i < time.size(); ++i) {
      const double e = errors.size() == time.size() ? errors[i] : NAN;
      sigma[i] = e > 0 && std::isfinite(e) ? e : scatter;
    }
  }
  const std::span<const double> pointErrors(sigma);
  constexpr uint64_t kSeed = 0x70726f66696c65ULL;
  for (const char kind : {'P', 'S'}) {
    std::vector<size_t> which;
    for (size_t i = 0; i < targets.size(); ++i) {
      if (targets[i].kind == kind) which.push_back(i);
    }
    if (which.empty()) continue;
    std::sort(which.begin(), which.end(),
              [&](size_t a, size_t b) { return targets[a].predicted < targets[b].predicted; });
    const double h = targets[which.front()].halfWidth;
    const auto fitAll = [&](const std::vector<double>& centres) {
      auto profile = BuildProfile(time, mag, centres, h);
      // The fits see the whole eclipse and as much baseline as half of it
      // on each side: a longer baseline pins the level and slope that
      // would otherwise trade against the shift.
      if (profile) {
        const double wider = std::min(kProfileWindowDurations * profile->duration, maxHalfWidth);
        if (wider > h * 1.05) {
          if (auto again = BuildProfile(time, mag, centres, wider)) profile = std::move(again);
        }
      }
      for (size_t k = 0; k < which.size(); ++k) {
        if (!profile) {
          out[which[k]] = std::unexpected(Error{"Profile: " + profile.error().message});
          continue;
        }
        const WindowIndices in = WindowOf(time, centres[k], profile->halfWidth);
        const auto err = pointErrors.subspan(in.first, in.size());
        out[which[k]] =
            FitProfile(*profile, time.subspan(in.first, in.size()),
                       mag.subspan(in.first, in.size()), err, centres[k], kSeed + which[k]);
      }
    };
    std::vector<double> centres;
    for (const size_t i : which) centres.push_back(targets[i].predicted);
    fitAll(centres);
    // Once more on the ephemeris the first times give.
    std::vector<double> cycles, times, errs;
    for (const size_t i : which) {
      if (!out[i]) continue;
      cycles.push_back(targets[i].cycle);
      times.push_back(out[i]->time);
      errs.push_back(out[i]->error);
    }
    if (times.size() < 3) continue;
    const auto refined = FitEphemeris(cycles, times, errs);
    if (!refined) continue;
    for (size_t k = 0; k < which.size(); ++k) {
      centres[k] = refined->epoch + refined->period * targets[which[k]].cycle;
    }
    fitAll(centres);
  }
  return out;
}

}  // namespace vantor
