// The method of Kwee and van Woerden: resampling of the range and the search
// for the time of symmetry.
#include "methods/kwee.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "core/text.h"

namespace vantor {

namespace {

constexpr int kMaxPasses = 16;  // the pass loop stops once the counter exceeds this

// The search "k = NPoints; while R(k) > t: k = k - 1" over the whole series
// stops at the largest k with !(R(k) > t). Walking it for every sample costs
// O(NPoints) each. Instead, keep the running minimum of R from the end (a NaN
// time stops the walk, so it counts as -infinity): the walk stops at the
// largest k whose running minimum is <= t, whether or not the times are in
// order. The running minimum never decreases with k and the sample times are
// monotonic, so a pointer moved on from the previous sample finds each k.
class DownwardSearch {
 public:
  explicit DownwardSearch(const Store& s) : n_(s.NPoints) {
    tailMin_[n_ + 1] = std::numeric_limits<double>::infinity();
    for (int k = n_; k >= 1; --k) {
      const double r =
          std::isnan(s.RelTime[k]) ? -std::numeric_limits<double>::infinity() : s.RelTime[k];
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
  std::array<double, kMaxPoints + 2> tailMin_;
};

// Sum over the odd offsets d = 1, 3, ... up to K of (KvwMag(j - d) - KvwMag(j + d))^2.
double SymmetrySum(const Store& s, int j, int K) {
  double sum = 0;
  for (int d = 1; d <= K; d += 2) {
    const double diff = s.KvwMag[j - d] - s.KvwMag[j + d];
    sum += diff * diff;
  }
  return sum;
}

}  // namespace

void KvwResample(Store& s, int first, int last, int M) {
  const int n = s.NPoints;
  if (first < 1 || last > n || first > n || last < 1 || M < 1 || 2 * M > kMaxSamples || n < 2) {
    return;
  }
  const auto& R = s.RelTime;
  const auto& G = s.Mag;
  const int F = 2 * M;
  s.KvwT[0] = R[first];
  s.KvwT[F] = R[last];
  s.KvwMag[0] = G[first];
  s.KvwMag[F] = G[last];
  const double dt = (R[last] - R[first]) / F;
  DownwardSearch search(s);
  for (int w = 1; w <= F - 1; ++w) {
    const double t = R[first] + w * dt;
    s.KvwT[w] = t;
    // Outside the series (only with a range KweeVanWoerden refuses) the
    // nearest segment is extended instead of reading past the arrays.
    const int k = std::clamp(search.Find(t), 1, n - 1);
    s.KvwMag[w] = G[k] + (G[k + 1] - G[k]) * (t - R[k]) / (R[k + 1] - R[k]);
  }
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

MethodResult<void> CheckKvwRange(const Store& s, int first, int last) {
  if (first > last) {
    return Refuse("The range " + IntText(first) + " to " + IntText(last) +
                  " runs backwards: its left end must have the smaller index.");
  }
  if (first < 1 || last > s.NPoints) {
    return Refuse("The range " + IntText(first) + " to " + IntText(last) +
                  " reaches outside the points 1 to " + IntText(s.NPoints) + ".");
  }
  const int N = last - first + 1;
  if (N <= 4) {
    return Refuse("Kwee and van Woerden needs more than 4 points in the range; this range holds " +
                  IntText(N) + ". Pick a wider range.");
  }
  return {};
}

MethodResult<KvwResult> KweeVanWoerden(Store& s, int first, int last, const KvwParams& tuning) {
  if (auto range = CheckKvwRange(s, first, last); !range) return std::unexpected(range.error());
  const int N = last - first + 1;
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

  const int M = static_cast<int>(RoundEven(0.9 * N));
  const int F = 2 * M;
  // Every inner sample must fall on a segment of the series: at or after its
  // earliest time and before its last point. The sample times are monotonic
  // in w, so the two inner extremes decide.
  {
    const auto& R = s.RelTime;
    const double dt = (R[last] - R[first]) / F;
    const double tA = R[first] + 1 * dt;
    const double tB = R[first] + (F - 1) * dt;
    double earliest = std::numeric_limits<double>::infinity();
    for (int k = 1; k <= s.NPoints; ++k) {
      if (std::isnan(R[k])) earliest = -std::numeric_limits<double>::infinity();
      earliest = std::min(earliest, R[k]);
    }
    const double lo = std::min(tA, tB), hi = std::max(tA, tB);
    if (!(lo >= earliest) || !(hi < R[s.NPoints])) {
      return Refuse("The range " + IntText(first) + " to " + IntText(last) +
                    " cannot be resampled: its times run outside the series (times out of "
                    "order, or none after the range).");
    }
  }

  KvwResample(s, first, last, M);

  int c = -1;
  double faintest = -99;
  for (int g = 0; g <= F; ++g) {
    if (s.KvwMag[g] > faintest) {
      faintest = s.KvwMag[g];
      c = g;
    }
  }
  if (c < 0) {
    return Refuse(
        "No resampled magnitude of the range is above -99: no bottom of the eclipse "
        "can be found.");
  }

  // Step beyond F puts a trial index outside 0..F for every centre.
  const int step = stepValue > F ? F + 1 : static_cast<int>(stepValue);
  int passes = 0;
  double S1 = 0, S2 = 0, S3 = 0;
  for (;;) {
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
                    ", Frac " + NumberText(frac) + ") reach outside the samples 0 to " +
                    IntText(F) +
                    ". Lower Frac or Stepp, or centre the range on the bottom of the eclipse.");
    }
    S1 = SymmetrySum(s, c - step, K);
    S2 = SymmetrySum(s, c, K);
    S3 = SymmetrySum(s, c + step, K);
    if (passes > kMaxPasses) break;
    if (S1 > S2 && S2 < S3) break;
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
    if (!moved) break;  // a further pass would repeat this one
  }

  const double T1 = s.KvwT[c - step];
  const double T2 = s.KvwT[c];
  const double T3 = s.KvwT[c + step];
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
  if (!(T0 >= s.RelTime[first] && T0 <= s.RelTime[last])) {
    return Refuse("Kwee and van Woerden put the minimum outside the range it was fitted to, "
                  "which happens when the times of the range lie too close together for their "
                  "digits.");
  }
  return KvwResult{Minimum{T0, sigma}, N, M, F + 1, c, step, frac, S1, S2, S3, passes};
}

}  // namespace vantor
