// The method of Kwee and van Woerden: resampling of the range and the search
// for the time of symmetry.
#include "methods/kwee.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "core/text.h"

namespace vantor {

namespace {

// The search "k = NPoints; while R(k) > t: k = k - 1" over the whole series
// stops at the largest k with !(R(k) > t). Walking it for every sample costs
// O(NPoints) each. Instead, keep the running minimum of R from the end (a NaN
// time stops the walk, so it counts as -infinity): the walk stops at the
// largest k whose running minimum is <= t, whether or not the times are in
// order. The running minimum never decreases with k and the sample times are
// monotonic, so a pointer moved on from the previous sample finds each k.
class DownwardSearch {
 public:
  explicit DownwardSearch(const CurveView& c) : n_(c.NPoints), tailMin_(n_ + 2) {
    tailMin_[n_ + 1] = std::numeric_limits<double>::infinity();
    for (int k = n_; k >= 1; --k) {
      const double r =
          std::isnan(c.RelTime[k]) ? -std::numeric_limits<double>::infinity() : c.RelTime[k];
      tailMin_[k] = std::min(r, tailMin_[k + 1]);
    }
  }

  // Returns the k at which the downward walk stops for time t: 0 when it
  // would run below 1, NPoints when it stops at once. Starting from the k of
  // a nearby time keeps the cost to the distance between the two.
  int Find(double t) {
    if (std::isnan(t)) return n_;  // R(NPoints) > NaN is false: the walk stops at once
    while (k_ < n_ && tailMin_[k_ + 1] <= t) ++k_;
    while (k_ > 0 && tailMin_[k_] > t) --k_;
    return k_;
  }

 private:
  int n_;
  int k_ = 0;
  std::vector<double> tailMin_;
};

// Sum over the odd offsets d = 1, 3, ... up to K of (KvwMag(j - d) - KvwMag(j + d))^2.
double SymmetrySum(const std::vector<double>& g, int j, int K) {
  double sum = 0;
  for (int d = 1; d <= K; d += 2) {
    const double diff = g[j - d] - g[j + d];
    sum += diff * diff;
  }
  return sum;
}

std::string RangeText(int first, int last) {
  return "The range " + IntText(first) + " to " + IntText(last);
}

// Refuses a range whose inner samples do not all fall on a segment of the
// series: at or after its earliest time and before its last point. The
// sample times are monotonic in w, so the two inner extremes decide.
MethodResult<void> CheckResamplable(const CurveView& curve, int first, int last, int F) {
  const auto& R = curve.RelTime;
  const double dt = (R[last] - R[first]) / F;
  const double tA = R[first] + 1 * dt;
  const double tB = R[first] + (F - 1) * dt;
  double earliest = std::numeric_limits<double>::infinity();
  for (int k = 1; k <= curve.NPoints; ++k) {
    if (std::isnan(R[k])) earliest = -std::numeric_limits<double>::infinity();
    earliest = std::min(earliest, R[k]);
  }
  const double lo = std::min(tA, tB), hi = std::max(tA, tB);
  if (!(lo >= earliest) || !(hi < R[curve.NPoints])) {
    return Refuse(RangeText(first, last) +
                  " cannot be resampled: its times run outside the series (times out of "
                  "order, or none after the range).");
  }
  return {};
}

// The first largest sample above -99; -1 when there is none.
int FaintestSample(const std::vector<double>& g) {
  int c = -1;
  double faintest = -99;
  for (int w = 0; w < static_cast<int>(g.size()); ++w) {
    if (g[w] > faintest) {
      faintest = g[w];
      c = w;
    }
  }
  return c;
}

// The running mean of v over 2 h + 1 cells, for the centres h..size - 1 - h
// (cell i of the result is centred on cell i + h of v).
std::vector<double> RunningMean(const std::vector<double>& v, int h) {
  const int n = static_cast<int>(v.size()) - 2 * h;
  std::vector<double> mean(std::max(0, n));
  double sum = 0;
  for (int w = 0; w < 2 * h && w < static_cast<int>(v.size()); ++w) sum += v[w];
  for (int i = 0; i < n; ++i) {
    sum += v[i + 2 * h];
    mean[i] = sum / (2 * h + 1);
    sum -= v[i];
  }
  return mean;
}

// The start of a long range's search: the first largest value of the samples
// smoothed by two running means (see kKvwSmoothingDivisor), or `fallback`
// when no smoothed value is a number.
int SmoothedFaintestSample(const std::vector<double>& g, int fallback) {
  const int F = static_cast<int>(g.size()) - 1;
  const int h = std::max(1, F / kKvwSmoothingDivisor);
  const std::vector<double> smooth = RunningMean(RunningMean(g, h), h);
  int c = fallback;
  double faintest = -std::numeric_limits<double>::infinity();
  for (int i = 0; i < static_cast<int>(smooth.size()); ++i) {
    if (smooth[i] > faintest) {
      faintest = smooth[i];
      c = i + 2 * h;
    }
  }
  return c;
}

// The sums of one pass at centre c.
struct Sums {
  double S1, S2, S3;
};

// The sums of a pass at centre c (see KweeVanWoerden in the header). Refuses
// a trial index or sum offset outside 0..F.
MethodResult<Sums> SumsAt(const std::vector<double>& g, int c, int step, double stepValue,
                          double frac) {
  const int F = static_cast<int>(g.size()) - 1;
  const int M = F / 2;
  const int h = c < M ? c : F - c;
  const double kValue = RoundEven(h * frac);
  // An offset beyond F cannot fit either; F + 1 keeps the check below honest.
  const int K = kValue > F ? F + 1 : static_cast<int>(kValue);
  if (c - step < 0 || c + step > F) {
    return Refuse("The trial times Stepp = " + NumberText(stepValue) +
                  " samples either side of sample " + IntText(c) +
                  " fall outside the samples 0 to " + IntText(F) +
                  ": the bottom of the range is too near its end. Centre the range on the "
                  "bottom of the eclipse, or lower Stepp.");
  }
  const int dMax = K % 2 == 1 ? K : K - 1;  // largest odd d <= K (-1: no terms)
  if (dMax >= 1 && (c - step - dMax < 0 || c + step + dMax > F)) {
    return Refuse("The sums around sample " + IntText(c) + " (Stepp " + NumberText(stepValue) +
                  ", Frac " + NumberText(frac) + ") reach outside the samples 0 to " + IntText(F) +
                  ". Lower Frac or Stepp, or centre the range on the bottom of the eclipse.");
  }
  return Sums{SymmetrySum(g, c - step, K), SymmetrySum(g, c, K), SymmetrySum(g, c + step, K)};
}

// Where the pass loop stopped and the sums of its last pass.
struct Search {
  int centre, passes;
  Sums sums;
};

// The pass loop from centre c (see KweeVanWoerden in the header).
MethodResult<Search> SearchCentre(const std::vector<double>& g, int c, int step, double stepValue,
                                  double frac) {
  int passes = 0;
  for (;;) {
    const auto sums = SumsAt(g, c, step, stepValue, frac);
    if (!sums) return std::unexpected(sums.error());
    const auto [S1, S2, S3] = *sums;
    if (passes > kKvwMaxPasses) return Search{c, passes, *sums};
    if (S1 > S2 && S2 < S3) return Search{c, passes, *sums};
    bool moved = false;
    if (S1 < S2) {
      --c;
      ++passes;
      moved = true;
    }
    if (S3 < S2) {
      ++c;
      ++passes;
      moved = true;
    }
    if (!moved) return Search{c, passes, *sums};  // a further pass would repeat this one
  }
}

// Whether the search that the counter stopped at centre c with sums `sums`
// was still moving: run on without the counter, it would take its centre more
// than one sample from c (or out of the samples). Each pass moves the centre
// by at most one sample and the next centre depends on the centre alone, so a
// walk kept within c - 1..c + 1 has stopped or come round again after three
// passes.
bool StillMoving(const std::vector<double>& g, int c, Sums sums, int step, double stepValue,
                 double frac) {
  int x = c;
  for (int pass = 0; pass < 3; ++pass) {
    const auto [S1, S2, S3] = sums;
    if (S1 > S2 && S2 < S3) return false;
    const int next = x - (S1 < S2 ? 1 : 0) + (S3 < S2 ? 1 : 0);
    if (!(S1 < S2) && !(S3 < S2)) return false;
    if (next < c - 1 || next > c + 1) return true;
    const auto following = SumsAt(g, next, step, stepValue, frac);
    if (!following) return true;
    x = next;
    sums = *following;
  }
  return false;
}

}  // namespace

KvwSamples KvwResample(const CurveView& curve, int first, int last, int M) {
  const int n = curve.NPoints;
  if (first < 1 || last > n || first > n || last < 1 || M < 1 || n < 2) return {};
  const auto& R = curve.RelTime;
  const auto& G = curve.Mag;
  const int F = 2 * M;
  KvwSamples s;
  s.KvwT.resize(F + 1);
  s.KvwMag.resize(F + 1);
  s.KvwT[0] = R[first];
  s.KvwT[F] = R[last];
  s.KvwMag[0] = G[first];
  s.KvwMag[F] = G[last];
  const double dt = (R[last] - R[first]) / F;
  DownwardSearch search(curve);
  for (int w = 1; w <= F - 1; ++w) {
    const double t = R[first] + w * dt;
    s.KvwT[w] = t;
    // Outside the series (only with a range KweeVanWoerden refuses) the
    // nearest segment is extended instead of reading past the arrays.
    const int k = std::clamp(search.Find(t), 1, n - 1);
    s.KvwMag[w] = G[k] + (G[k + 1] - G[k]) * (t - R[k]) / (R[k + 1] - R[k]);
  }
  return s;
}

MethodResult<KvwParams> ParseKvwTuning(const KvwTuning& boxes) {
  const double stepValue = RoundEven(Val(boxes.step));
  if (!std::isfinite(stepValue) || stepValue < 1) {
    return Refuse("Stepp must be a whole number of samples, 1 or more (it reads \"" + boxes.step +
                  "\").");
  }
  const double frac = Val(boxes.frac);
  if (!std::isfinite(frac) || frac <= 0) {
    return Refuse("Frac must be a number greater than 0, such as .9 (it reads \"" + boxes.frac +
                  "\").");
  }
  return KvwParams{stepValue, frac};
}

MethodResult<void> CheckKvwRange(const CurveView& curve, int first, int last) {
  if (first > last) {
    return Refuse(RangeText(first, last) +
                  " runs backwards: its left end must have the smaller index.");
  }
  if (first < 1 || last > curve.NPoints) {
    return Refuse(RangeText(first, last) + " reaches outside the points 1 to " +
                  IntText(curve.NPoints) + ".");
  }
  const int N = last - first + 1;
  if (N <= 4) {
    return Refuse("Kwee and van Woerden needs more than 4 points in the range; this range holds " +
                  IntText(N) + ". Pick a wider range.");
  }
  return {};
}

namespace {

// The tuning values' own demands: a whole Stepp of 1 or more, a Frac above 0.
MethodResult<void> CheckKvwParams(const KvwParams& tuning) {
  const double stepValue = tuning.step;
  if (!std::isfinite(stepValue) || stepValue < 1 || stepValue != std::floor(stepValue)) {
    return Refuse("Stepp must be a whole number of samples, 1 or more (it is " +
                  NumberText(stepValue) + ").");
  }
  const double frac = tuning.frac;
  if (!std::isfinite(frac) || frac <= 0) {
    return Refuse("Frac must be a number greater than 0, such as .9 (it is " + NumberText(frac) +
                  ").");
  }
  return {};
}

// The vertex of the parabola through the three sums at samples c - step, c
// and c + step, and its error by the method's formula (Z = N / 4); refused
// where it is no time of the range.
MethodResult<Minimum> SumsVertex(const CurveView& curve, int first, int last,
                                 const KvwSamples& samples, int c, int step, const Sums& sums) {
  const int N = last - first + 1;
  const auto [S1, S2, S3] = sums;
  const double T1 = samples.KvwT[c - step];
  const double T2 = samples.KvwT[c];
  const double T3 = samples.KvwT[c + step];
  const double A = (T2 - T3) * S1 + (T3 - T1) * S2 + (T1 - T2) * S3;
  const double B = (T3 * T3 - T2 * T2) * S1 + (T1 * T1 - T3 * T3) * S2 + (T2 * T2 - T1 * T1) * S3;
  const double C = T2 * T3 * (T2 - T3) * S1 + T1 * T3 * (T3 - T1) * S2 + T1 * T2 * (T1 - T2) * S3;
  if (A == 0) {
    return Refuse("The three sums of squared differences lie on a straight line (at sample " +
                  IntText(c) + "): they give no time of minimum. Check the range and Stepp.");
  }
  const double T0 = -B / (2 * A);
  const double Z = N / 4.0;
  const double Q = std::fabs(4 * A * C - B * B);
  const double sigma = Q > 0 ? std::sqrt(Q / (4 * A * A * (Z - 1))) : 0.0;
  if (!std::isfinite(T0) || !std::isfinite(sigma)) {
    return Refuse("Kwee and van Woerden gave no finite result for this range.");
  }
  // A vertex outside the range's own times is no time of this eclipse: with
  // times too close together for their digits the squares above cancel to
  // rounding noise and put it anywhere.
  if (!(T0 >= curve.RelTime[first] && T0 <= curve.RelTime[last])) {
    return Refuse(
        "Kwee and van Woerden put the minimum outside the range it was fitted to, "
        "which happens when the times of the range lie too close together for their "
        "digits.");
  }
  return Minimum{T0, sigma};
}

}  // namespace

MethodResult<KvwResult> KweeVanWoerden(const CurveView& curve, int first, int last,
                                       const KvwParams& tuning) {
  if (auto range = CheckKvwRange(curve, first, last); !range) {
    return std::unexpected(range.error());
  }
  const int N = last - first + 1;
  if (auto checked = CheckKvwParams(tuning); !checked) return std::unexpected(checked.error());
  const double stepValue = tuning.step;
  const double frac = tuning.frac;

  const int M = static_cast<int>(RoundEven(0.9 * N));
  const int F = 2 * M;
  if (auto inside = CheckResamplable(curve, first, last, F); !inside) {
    return std::unexpected(inside.error());
  }
  KvwSamples samples = KvwResample(curve, first, last, M);
  const std::vector<double>& g = samples.KvwMag;

  int start = FaintestSample(g);
  if (start < 0) {
    return Refuse(
        "No resampled magnitude of the range is above -99: no bottom of the eclipse "
        "can be found.");
  }
  if (N > kKvwLongRange) start = SmoothedFaintestSample(g, start);

  // Step beyond F puts a trial index outside 0..F for every centre.
  const int step = stepValue > F ? F + 1 : static_cast<int>(stepValue);
  const auto search = SearchCentre(g, start, step, stepValue, frac);
  if (!search) return std::unexpected(search.error());
  const auto [c, passes, sums] = *search;
  const auto [S1, S2, S3] = sums;
  if (N > kKvwLongRange && passes > kKvwMaxPasses &&
      StillMoving(g, c, sums, step, stepValue, frac)) {
    return Refuse(RangeText(first, last) + " (" + IntText(N) +
                  " points) is not timed: Kwee and van Woerden's search, started from the "
                  "smoothed bottom of the eclipse at sample " +
                  IntText(start) + " of 0 to " + IntText(F) + ", was still moving after its " +
                  IntText(kKvwMaxPasses + 1) +
                  " moves, short of the time of symmetry. Bin the light curve to fewer "
                  "points, or choose a range balanced about the bottom of the eclipse.");
  }

  const auto vertex = SumsVertex(curve, first, last, samples, c, step, sums);
  if (!vertex) return std::unexpected(vertex.error());
  return KvwResult{*vertex, N, M, F + 1, c, step, frac, S1, S2, S3, passes, start,
                   std::move(samples)};
}

}  // namespace vantor
