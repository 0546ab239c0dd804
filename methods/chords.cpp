// The method of bisected chords.
#include "methods/chords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantor {

namespace detail {

MethodResult<double> ChordSpread(double S, double Q, int n) {
  const double T = S / n;
  double variance = Q - T * S;
  if (variance < 0) {
    // Q - T S is a sum of squares about the mean; when all midpoints coincide
    // it can come out a few rounding errors below zero.
    if (variance >= -1e-12 * std::fabs(Q)) {
      variance = 0;
    } else {
      return Refuse(
          "The chord midpoints gave a negative variance; their spread cannot be "
          "computed.");
    }
  }
  return std::sqrt(variance / (n - 1));
}

}  // namespace detail

namespace {

std::string Range(int a, int b) { return std::to_string(a) + " to " + std::to_string(b); }

// The ranges' own demands: two points at least, each range in order, inside
// the series.
std::optional<Refusal> CheckChordRanges(int n, int i1, int i2, int i3, int i4) {
  // Counted in 64 bits: ends such as -2147483648 and 2147483647 must not
  // overflow before the range checks below refuse them.
  const long long nLeft = i2 >= i1 ? static_cast<long long>(i2) - i1 + 1 : 0;
  const long long nRight = i4 >= i3 ? static_cast<long long>(i4) - i3 + 1 : 0;
  if (nLeft + nRight < 2) {
    // A range given backwards counts as empty; say so, or the refusal would
    // not explain two ranges of many points each.
    if (i1 > i2 || i3 > i4) {
      return Refusal{
          "Bisecting chords needs at least 2 points in the two ranges together; a range that "
          "runs backwards (left range " +
          Range(i1, i2) + ", right range " + Range(i3, i4) +
          ") holds none: each range must start at its smaller index."};
    }
    return Refusal{"Bisecting chords needs at least 2 points in the two ranges together."};
  }
  if (i1 > i2 || i3 > i4) {
    return Refusal{"A range runs backwards (left range " + Range(i1, i2) + ", right range " +
                   Range(i3, i4) + "): each range must start at its smaller index."};
  }
  if (i1 < 1 || i2 > n || i3 < 1 || i4 > n) {
    return Refusal{"The ranges (left " + Range(i1, i2) + ", right " + Range(i3, i4) +
                   ") reach outside the points 1 to " + std::to_string(n) + "."};
  }
  return std::nullopt;
}

// Every chord must close on the other branch: the series' far end must be
// brighter than each point of a range.
std::optional<Refusal> CheckChordsClose(std::span<const double> G, int n, int i1, int i2, int i3,
                                        int i4) {
  // A chord from the left range ends where the series, searched from its end,
  // first reaches the point's magnitude; the last point must be brighter, or
  // the search would run past it. Likewise from the start for the right range.
  for (int i = i1; i <= i2; ++i) {
    if (!(G[n] < G[i])) {
      return Refusal{"Left-range point " + std::to_string(i) +
                     " is not fainter than the last point of the series: the right branch "
                     "never gets as bright as it, so its chord cannot be closed. Start the left "
                     "range lower on the branch."};
    }
  }
  for (int i = i3; i <= i4; ++i) {
    if (!(G[1] < G[i])) {
      return Refusal{"Right-range point " + std::to_string(i) +
                     " is not fainter than the first point of the series: the left branch "
                     "never gets as bright as it, so its chord cannot be closed. End the right "
                     "range lower on the branch."};
    }
  }
  return std::nullopt;
}

// The walks "k = NPoints; while G(k) < G(i): k = k - 1" and "k = 1; while
// G(k) < G(i): k = k + 1" stop at the last and at the first point with
// !(G(k) < G(i)). Walking them costs O(NPoints) a chord; the running
// maximum of G from the end (from the start) never increases (decreases)
// along the walk, so a binary search over it finds the same k. A NaN
// magnitude stops a walk, so it counts as +infinity.
struct RunningMaxima {
  std::vector<double> fromEnd, fromStart;  // cells 0..n+1

  RunningMaxima(std::span<const double> G, int n)
      : fromEnd(static_cast<size_t>(n) + 2), fromStart(static_cast<size_t>(n) + 2) {
    constexpr double kStop = std::numeric_limits<double>::infinity();
    fromEnd[n + 1] = -kStop;
    for (int k = n; k >= 1; --k) {
      fromEnd[k] = std::max(std::isnan(G[k]) ? kStop : G[k], fromEnd[k + 1]);
    }
    fromStart[0] = -kStop;
    for (int k = 1; k <= n; ++k) {
      fromStart[k] = std::max(std::isnan(G[k]) ? kStop : G[k], fromStart[k - 1]);
    }
  }
};

}  // namespace

MethodResult<ChordsResult> BisectChords(const CurveView& s, int i1, int i2, int i3, int i4) {
  const int n = s.NPoints;
  if (const auto refused = CheckChordRanges(n, i1, i2, i3, i4)) return std::unexpected(*refused);
  const auto& R = s.RelTime;
  const auto& G = s.Mag;

  if (const auto refused = CheckChordsClose(G, n, i1, i2, i3, i4)) {
    return std::unexpected(*refused);
  }

  const RunningMaxima maxima(G, n);
  const std::vector<double>& fromEnd = maxima.fromEnd;
  const std::vector<double>& fromStart = maxima.fromStart;
  const double* endBegin = fromEnd.data() + 1;
  const double* endEnd = fromEnd.data() + n + 1;
  const double* startBegin = fromStart.data() + 1;
  const double* startEnd = fromStart.data() + n + 1;

  int chords = 0;
  double S = 0, Q = 0;
  for (int i = i1; i <= i2; ++i) {
    ++chords;
    const double g = G[i];
    // Last k with G(k) >= g: the running maxima from the end are >= g up to it.
    const int k = static_cast<int>(
        std::partition_point(endBegin, endEnd, [g](double v) { return v >= g; }) - endBegin);
    // G(k) >= G(i) > G(k+1), so the segment is never flat.
    const double tx = R[k] + (G[i] - G[k]) * (R[k + 1] - R[k]) / (G[k + 1] - G[k]);
    const double m = (tx + R[i]) / 2;
    S += m;
    Q += m * m;
  }
  for (int i = i3; i <= i4; ++i) {
    ++chords;
    const double g = G[i];
    // First k with G(k) >= g: the running maxima from the start are < g before it.
    const int k = 1 + static_cast<int>(std::partition_point(startBegin, startEnd,
                                                            [g](double v) { return v < g; }) -
                                       startBegin);
    // G(k-1) < G(i) <= G(k), so the segment is never flat.
    const double tx = R[k - 1] + (G[i] - G[k - 1]) * (R[k] - R[k - 1]) / (G[k] - G[k - 1]);
    const double m = (tx + R[i]) / 2;
    S += m;
    Q += m * m;
  }

  const double T = S / chords;
  const auto E = detail::ChordSpread(S, Q, chords);
  if (!E) return std::unexpected(E.error());
  if (!std::isfinite(T) || !std::isfinite(*E)) {
    return Refuse("Bisecting the chords of these ranges gave no finite result.");
  }
  return ChordsResult{Minimum{T, *E}, chords};
}

}  // namespace vantor
