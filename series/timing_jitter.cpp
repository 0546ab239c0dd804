// The timing noise of a series' minima beyond their own errors (see the header).
#include "series/timing_jitter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vantor {
namespace {

struct Pair {
  double d2 = 0;  // squared difference of the residuals
  double v = 0;   // sum of the squared own errors
};

double MeanQ(const std::vector<Pair>& pairs, double j) {
  double s = 0;
  for (const Pair& p : pairs) s += p.d2 / (p.v + 2 * j * j);
  return s / static_cast<double>(pairs.size());
}

double MedianQ(const std::vector<Pair>& pairs, double j) {
  std::vector<double> q;
  for (const Pair& p : pairs) q.push_back(p.d2 / (p.v + 2 * j * j));
  std::sort(q.begin(), q.end());
  const size_t m = q.size();
  return m % 2 ? q[m / 2] : (q[m / 2 - 1] + q[m / 2]) / 2;
}

// The j at which `stat` (falling in j) reaches `target`, 0 where it is at or
// below it already.
template <typename Stat>
double Solve(const std::vector<Pair>& pairs, double target, Stat stat) {
  if (!(stat(pairs, 0.0) > target)) return 0.0;
  double hi = 0;
  for (const Pair& p : pairs) hi = std::max(hi, std::sqrt(p.d2));
  double lo = 0;
  for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
    const double mid = (lo + hi) / 2;
    (stat(pairs, mid) > target ? lo : hi) = mid;
  }
  return hi;
}

}  // namespace

std::optional<TimingJitter> MeasureTimingJitter(std::span<const JitterMinimum> minima) {
  std::vector<Pair> pairs;
  for (const char kind : {'P', 'S'}) {
    std::vector<JitterMinimum> seq;
    for (const JitterMinimum& m : minima) {
      if (m.kind == kind && std::isfinite(m.residual) && m.error > 0 && std::isfinite(m.error)) {
        seq.push_back(m);
      }
    }
    std::sort(seq.begin(), seq.end(),
              [](const JitterMinimum& a, const JitterMinimum& b) { return a.cycle < b.cycle; });
    for (size_t i = 1; i < seq.size(); ++i) {
      const double d = seq[i].residual - seq[i - 1].residual;
      pairs.push_back({d * d, seq[i].error * seq[i].error + seq[i - 1].error * seq[i - 1].error});
    }
  }
  if (static_cast<int>(pairs.size()) < kMinJitterPairs) return std::nullopt;
  TimingJitter t;
  t.ratio = std::sqrt(MeanQ(pairs, 0.0));
  if (static_cast<int>(pairs.size()) >= kJitterRobustPairs) {
    const double first = Solve(pairs, 0.4549, MedianQ);
    std::vector<Pair> kept;
    for (const Pair& p : pairs) {
      if (p.d2 / (p.v + 2 * first * first) <= kJitterClip) kept.push_back(p);
    }
    t.clipped = static_cast<int>(pairs.size() - kept.size());
    pairs = std::move(kept);
  }
  t.pairs = static_cast<int>(pairs.size());
  // Chance alone lifts the mean of q above 1 by about sqrt(3 / pairs) (q is
  // chi-square of 1 degree, variance 2, and neighbouring pairs share a
  // minimum); the jitter is added only beyond kJitterSignificance of that.
  const double chance = kJitterSignificance * std::sqrt(3.0 / t.pairs);
  if (MeanQ(pairs, 0.0) > 1 + chance) t.jitter = Solve(pairs, 1.0, MeanQ);
  return t;
}

}  // namespace vantor
