// Sliding integrations: stretch choice, resampling onto a uniform grid, the
// difference of two sliding integrals, and the line fit that locates its zero.
#include "methods/sliding.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vantor {

namespace {

// Fewest stretch points that give m >= 3 window positions, the least that lets
// the smallest |AreaDiff| have a computed neighbour on each side.
constexpr int kMinStretchPoints = 6;
// cmin stays 0 unless some |AreaDiff| lies below this bound.
constexpr double kAreaDiffBound = 99.0;
constexpr int kMaxHalfWidth = 5;
// Largest disagreement, in days, between the literal line fit's time and the
// same fit about the mean grid time that still counts as agreement: a
// fifth of a unit of the seventh decimal, the finest the program shows.
constexpr double kResolutionDays = 2e-8;

}  // namespace

MethodResult<SlidingStretch> ChooseStretch(const CurveView& s) {
  const int N = s.NPoints;
  const int F = s.FaintIdx;
  if (N < 1) return Refuse("There are no data points to work on: load a light curve first.");
  if (F < 1 || F > N) return Refuse("The faintest point of the light curve is not known.");
  const double nearEnd = 0.9 * N / 2.0;
  SlidingStretch r{};
  if (nearEnd > N - F) {
    r = {2 * F - N, N - 1, 2 * (N - F)};
  } else if (nearEnd > F) {
    r = {1, 2 * F, 2 * F};
  } else {
    r = {1, N, N};
  }
  if (r.n == 0) {
    return Refuse(
        "The faintest point is the last point of the light curve: there is no stretch around it "
        "to integrate.");
  }
  return r;
}

int ResampleUniform(std::span<const double> T, std::span<const double> Y, int n,
                    std::vector<double>& GridT, std::vector<double>& GridMag, double& h) {
  GridT.assign(1, 0.0);
  GridMag.assign(1, 0.0);
  h = 0.0;
  if (n < 2 || T.size() <= static_cast<size_t>(n) || Y.size() <= static_cast<size_t>(n)) return 0;
  const int m = n / 3 + 1;  // n >= 0, so integer division is Int(n / 3)
  const double span = T[n] - T[1];
  if (!(span > 0) || !std::isfinite(span)) return 0;
  h = span / (3 * m);

  GridT.assign(3 * m + 1, 0.0);
  GridMag.assign(3 * m + 1, 0.0);
  GridT[1] = T[1];
  GridMag[1] = Y[1];
  // In time order (the usual case) both searches end next to the first sample
  // at or after the grid time. The grid times rise, so that sample is found by
  // walking on from where the previous grid time left off; searching from the
  // ends for every grid time would make resampling 1000 points cost a million
  // steps.
  const auto first = T.begin() + 1, last = T.begin() + n + 1;
  const bool inOrder =
      std::adjacent_find(first, last, [](double a, double b) { return !(a <= b); }) == last;
  int atOrAfter = 1;  // in time order: the first sample with T >= the grid time, n + 1 if none
  for (int k = 2; k <= 3 * m; ++k) {
    const double g = T[1] + h * (k - 1);
    GridT[k] = g;
    // j: last sample before g, searching down from n; i: first sample at or
    // after g, searching up from 1. The bounds 1 and n only matter when h is
    // too small to move g off T(1); the interpolation then yields a non-finite
    // value that the method refuses.
    int j = n, i = 1;
    if (inOrder) {
      while (atOrAfter <= n && T[atOrAfter] < g) ++atOrAfter;
      j = std::max(atOrAfter - 1, 1);
      i = std::min(atOrAfter, n);
    } else {
      while (j > 1 && T[j] >= g) --j;
      while (i < n && T[i] < g) ++i;
    }
    GridMag[k] = Y[j] + (Y[i] - Y[j]) * (g - T[j]) / (T[i] - T[j]);
  }
  return m;
}

LineFit FitLine(const std::vector<double>& X, const std::vector<double>& Y, int first, int last) {
  double Sx = 0, Sxx = 0, Sy = 0, Sxy = 0;
  for (int i = first; i <= last; ++i) {
    Sx += X[i];
    Sxx += X[i] * X[i];
    Sy += Y[i];
    Sxy += X[i] * Y[i];
  }
  const double k = last - first + 1;
  const double D = k * Sxx - Sx * Sx;
  if (D == 0 || !std::isfinite(D)) return {0.0, 0.0, 0.0};
  const double a = (Sxx * Sy - Sx * Sxy) / D;
  const double b = (k * Sxy - Sy * Sx) / D;
  double S = 0;
  for (int i = first; i <= last; ++i) {
    const double r = a + b * X[i] - Y[i];
    S += r * r;
  }
  return {a, b, S};
}

namespace {

// term(p) = h ((y(p) + y(p + 1)) / 2 - (y(p + m) + y(p + m + 1)) / 2) for
// p = 1..2m - 1: the left trapezoid at p minus the right one at p + m.
std::vector<double> AreaTerms(const std::vector<double>& y, int m, double h) {
  std::vector<double> term(2 * m, 0.0);
  for (int p = 1; p <= 2 * m - 1; ++p) {
    term[p] = h * ((y[p] + y[p + 1]) / 2 - (y[p + m] + y[p + m + 1]) / 2);
  }
  return term;
}

}  // namespace

void ComputeAreaDiff(const std::vector<double>& GridMag, int m, double h,
                     std::vector<double>& AreaDiff) {
  // The term of position c and step j depends on c + j only: term(p) is the
  // left trapezoid at p minus the right one at p + m. Each AreaDiff(c) adds
  // term(c), term(c + 1), ..., term(c + m - 1) in that order, exactly as a
  // plain loop over j would. Summing four positions side by side keeps every
  // rounding the same and lets the additions proceed in parallel (1000 points
  // make m = 334, about 111000 additions).
  if (m < 1) {
    AreaDiff.assign(1, 0.0);
    return;
  }
  const std::vector<double> term = AreaTerms(GridMag, m, h);
  AreaDiff.assign(m + 1, 0.0);
  constexpr int kBlock = 4;
  int c = 1;
  for (; c + kBlock - 1 <= m; c += kBlock) {
    double sum[kBlock] = {};
    for (int j = 0; j <= m - 1; ++j) {
      for (int r = 0; r < kBlock; ++r) sum[r] += term[c + r + j];
    }
    for (int r = 0; r < kBlock; ++r) AreaDiff[c + r] = sum[r];
  }
  for (; c <= m; ++c) {
    double sum = 0;
    for (int j = 0; j <= m - 1; ++j) sum += term[c + j];
    AreaDiff[c] = sum;
  }
}

void ComputeAreaDiffWhereNeeded(const std::vector<double>& GridMag, int m, double h,
                                std::vector<double>& AreaDiff) {
  if (m < 1) {
    AreaDiff.assign(1, 0.0);
    return;
  }
  const std::vector<double> term = AreaTerms(GridMag, m, h);
  double total = 0;  // sum of |term|: bounds every partial sum
  for (int p = 1; p <= 2 * m - 1; ++p) {
    total += std::fabs(term[p]);
  }
  // The literal sum of position c: term(c), term(c + 1), ..., term(c + m - 1)
  // added in that order, as ComputeAreaDiff does.
  const auto literal = [&](int c) {
    double sum = 0;
    for (int j = 0; j <= m - 1; ++j) sum += term[c + j];
    return sum;
  };
  // Positions 2..m by a running sum: add the term that enters the window,
  // subtract the one that leaves. Its rounding differs from the literal sum's
  // by less than `slack`: the literal sum is within (m - 1) u total of the
  // exact one, the running sum within (m - 1) u total plus 2 u total per step
  // (u = 2^-53); slack doubles that and more.
  const double slack = (8.0 * m + 8.0) * 0x1p-53 * total * 1.1;
  if (!std::isfinite(slack)) {
    ComputeAreaDiff(GridMag, m, h, AreaDiff);  // a value that is not finite: every sum as written
    return;
  }
  AreaDiff.assign(m + 1, 0.0);
  AreaDiff[1] = literal(1);
  for (int c = 1; c < m; ++c) AreaDiff[c + 1] = (AreaDiff[c] - term[c]) + term[c + m];

  // The smallest |literal(c)| is at most least = min |AreaDiff(c)| + slack. A
  // position whose |AreaDiff| exceeds least + slack cannot hold it nor tie
  // with it; every other one gets its literal sum. Then the positions within
  // kMaxHalfWidth of the smallest, which the line fit may use, get theirs.
  double least = kAreaDiffBound;
  for (int c = 1; c <= m; ++c) least = std::min(least, std::fabs(AreaDiff[c]) + slack);
  std::vector<char> exact(m + 1, 0);
  for (int c = 1; c <= m; ++c) {
    if (std::fabs(AreaDiff[c]) - slack > least) continue;
    AreaDiff[c] = literal(c);
    exact[c] = 1;
  }
  const int cmin = SmallestAreaDiff(AreaDiff, m);
  if (cmin == 0) return;
  for (int c = std::max(1, cmin - kMaxHalfWidth); c <= std::min(m, cmin + kMaxHalfWidth); ++c) {
    if (!exact[c]) AreaDiff[c] = literal(c);
  }
}

int SmallestAreaDiff(const std::vector<double>& AreaDiff, int m) {
  double best = kAreaDiffBound;
  int cmin = 0;
  for (int c = 1; c <= m; ++c) {
    if (std::fabs(AreaDiff[c]) < best) {
      best = std::fabs(AreaDiff[c]);
      cmin = c;
    }
  }
  return cmin;
}

FitRange LineFitRange(int cmin, int m) {
  int w = cmin < m - cmin ? cmin - 1 : m - cmin - 1;
  w = std::clamp(w, 1, kMaxHalfWidth);
  return {w, cmin - w, cmin + w};
}

namespace {

// The zero of the least-squares line through (X(i), Y(i)), i = first..last,
// fitted about the mean of X: mean X - mean Y / slope. NaN without a slope.
double CentredZero(const std::vector<double>& X, const std::vector<double>& Y, int first,
                   int last) {
  const double k = last - first + 1;
  double sx = 0, sy = 0;
  for (int i = first; i <= last; ++i) sx += X[i], sy += Y[i];
  const double xm = sx / k, ym = sy / k;
  double sxx = 0, sxy = 0;
  for (int i = first; i <= last; ++i) {
    sxx += (X[i] - xm) * (X[i] - xm);
    sxy += (X[i] - xm) * (Y[i] - ym);
  }
  const double b = sxy / sxx;
  return b != 0 && std::isfinite(b) ? xm - ym / b : NAN;
}

}  // namespace

MethodResult<SlidingResult> SolveAreaDiff(const std::vector<double>& GridT,
                                          const std::vector<double>& AreaDiff, int n, int m,
                                          double h) {
  if (m < 1 || GridT.size() <= static_cast<size_t>(m) ||
      AreaDiff.size() <= static_cast<size_t>(m)) {
    return Refuse("The integration grid is shorter than its window length says.");
  }
  const int cmin = SmallestAreaDiff(AreaDiff, m);
  if (cmin == 0) {
    return Refuse(
        "The integrals of the two windows differ by 99 or more everywhere: no minimum was found "
        "in the stretch.");
  }
  if (cmin == 1 || cmin == m) {
    return Refuse("The minimum lies at the edge of the stretch (window position " +
                  std::to_string(cmin) + " of " + std::to_string(m) +
                  "): the line fit around it would need positions outside the stretch. The "
                  "eclipse may be incomplete.");
  }
  const FitRange range = LineFitRange(cmin, m);
  // 2 <= cmin <= m - 1 keeps the range inside 1..m; this guards that reasoning.
  if (range.first < 1 || range.last > m) {
    return Refuse("The line fit around the minimum would reach outside the stretch.");
  }
  const LineFit fit = FitLine(GridT, AreaDiff, range.first, range.last);
  if (fit.b == 0) {
    return Refuse(
        "The difference of the two integrals does not change near its smallest value (zero "
        "slope): the time of minimum cannot be located.");
  }
  const double tmin = -fit.a / fit.b + m * h;
  const double err = std::sqrt(fit.S / m);
  if (!std::isfinite(tmin) || !std::isfinite(err)) {
    return Refuse("The sliding integrations gave no finite time of minimum.");
  }
  // The line fit sums squares of the grid times themselves, as the method is
  // written. When the grid steps are tiny beside the times (points a
  // millisecond or less apart), those sums cancel to rounding noise and the
  // fit's zero lands anywhere, once 5e11 d away. The same line fitted about
  // the mean grid time cancels nothing; where the two disagree by more than
  // kResolutionDays, or the zero lies outside the stretch, there is no honest
  // time to give. Otherwise the literal fit's time is delivered.
  const double tCentred = CentredZero(GridT, AreaDiff, range.first, range.last) + m * h;
  if (!(std::fabs(tCentred - tmin) <= kResolutionDays)) {
    return Refuse(
        "The times of the stretch lie too close together for the precision of their digits: "
        "the line fit cannot locate the minimum.");
  }
  // The windows at positions 1..m cover GridT(1) .. GridT(m) + 2 m h.
  const double start = GridT[1], end = GridT[m] + 2 * m * h;
  if (!(tmin >= start && tmin <= end)) {
    return Refuse(
        "The line fit puts the minimum outside the stretch it was found in: the "
        "stretch holds no eclipse the method can time.");
  }
  return SlidingResult{Minimum{tmin, err}, n, m, cmin, range.w, h};
}

MethodResult<SlidingResult> SlidingIntegrations(std::span<const double> T,
                                                std::span<const double> Y, int n) {
  if (n < kMinStretchPoints) {
    return Refuse("Only " + std::to_string(std::max(n, 0)) +
                  " points lie in the stretch around the faintest point; sliding integrations "
                  "need at least " +
                  std::to_string(kMinStretchPoints) + ".");
  }
  if (T.size() <= static_cast<size_t>(n) || Y.size() <= static_cast<size_t>(n)) {
    return Refuse("The stretch holds fewer times or magnitudes than its length says.");
  }
  const double span = T[n] - T[1];
  if (!(span > 0)) {
    return Refuse(
        "The stretch around the faintest point spans no time: its last point is not later than "
        "its first.");
  }
  if (!std::isfinite(span)) return Refuse("The times of the stretch are not finite numbers.");

  std::vector<double> GridT, GridMag, AreaDiff;
  double h = 0;
  const int m = ResampleUniform(T, Y, n, GridT, GridMag, h);
  ComputeAreaDiffWhereNeeded(GridMag, m, h, AreaDiff);
  return SolveAreaDiff(GridT, AreaDiff, n, m, h);
}

MethodResult<SlidingRun> RunSlidingIntegrations(const CurveView& s, bool checkInverted) {
  if (s.NPoints < 1)
    return Refuse("There are no data points to work on: load a light curve first.");
  if (checkInverted && LooksInverted(s)) return Refuse(kInvertedMessage);
  const auto stretch = ChooseStretch(s);
  if (!stretch) return std::unexpected(stretch.error());

  std::vector<double> SlideT(stretch->n + 1, 0.0), SlideMag(stretch->n + 1, 0.0);
  for (int i = 1; i <= stretch->n; ++i) {
    SlideT[i] = s.RelTime[stretch->first + i - 1];
    SlideMag[i] = s.Mag[stretch->first + i - 1];
  }
  const auto result = SlidingIntegrations(SlideT, SlideMag, stretch->n);
  if (!result) return std::unexpected(result.error());
  return SlidingRun{*stretch, *result};
}

}  // namespace vantor
