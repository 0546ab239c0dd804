// Bootstrap errors: the generator, the smooth model of the eclipse with its
// residuals, the resampling loop and the timings of the five computed methods.
#include "methods/bootstrap.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

#include "methods/chords.h"
#include "methods/fourier.h"
#include "methods/kwee.h"
#include "methods/parabola.h"
#include "methods/sliding.h"

namespace vantor {
namespace {

uint64_t SplitMix64(uint64_t& x) {
  uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// The local quadratic at point i for span k: the fitted value and the weight
// h of Mag(i) in it; nothing when the local system is singular or h is 1.
struct LocalFit {
  double value, leverage;
};

// The k nearest neighbours of a point of a time-ordered series are a run of
// consecutive points: [first, last] grows from i towards the nearer side, the
// earlier on a tie.
struct Neighbours {
  int first, last;
};

Neighbours NearestRun(const CurveView& s, int i, int k) {
  const int n = s.NPoints;
  int a = i, b = i;
  while (b - a + 1 < k) {
    if (a == 1) {
      ++b;
    } else if (b == n) {
      --a;
    } else if (s.RelTime[i] - s.RelTime[a - 1] <= s.RelTime[b + 1] - s.RelTime[i]) {
      --a;
    } else {
      ++b;
    }
  }
  return {a, b};
}

// x and w receive the scaled distances and tricube weights of the run (the
// caller's scratch space, so that no point allocates anything).
std::optional<LocalFit> FitLocal(const CurveView& s, int i, Neighbours run, std::vector<double>& x,
                                 std::vector<double>& w) {
  const int a = run.first, b = run.last;
  const double d = std::max(s.RelTime[i] - s.RelTime[a], s.RelTime[b] - s.RelTime[i]);
  if (!(d > 0)) return std::nullopt;

  // Tricube weights of x = (t - t_i) / d, the weighted sums of the powers of
  // x, then the first row of the inverse of the 3 x 3 normal matrix by cofactors.
  const int count = b - a + 1;
  if (static_cast<int>(x.size()) < count) {
    x.resize(count);
    w.resize(count);
  }
  std::array<double, 5> S{};
  for (int j = 0; j < count; ++j) {
    x[j] = (s.RelTime[a + j] - s.RelTime[i]) / d;
    const double ax = std::fabs(x[j]);
    const double u = 1 - ax * ax * ax;
    w[j] = u * u * u;
    double p = w[j];
    for (double& sum : S) {
      sum += p;
      p *= x[j];
    }
  }
  const double c0 = S[2] * S[4] - S[3] * S[3];
  const double c1 = S[2] * S[3] - S[1] * S[4];
  const double c2 = S[1] * S[3] - S[2] * S[2];
  const double det = S[0] * c0 + S[1] * c1 + S[2] * c2;
  // Three distinct times with positive weight give det of the order of S0^3
  // times a spread factor; far below that the system is singular in practice.
  if (!(det > 1e-9 * S[0] * S[0] * S[0])) return std::nullopt;

  double value = 0;
  for (int j = 0; j < count; ++j) {
    value += w[j] * (c0 + c1 * x[j] + c2 * x[j] * x[j]) / det * s.Mag[a + j];
  }
  const double leverage = c0 / det;  // x = 0 and weight 1 at the point itself
  if (!(leverage < 1 - 1e-9) || !std::isfinite(value)) return std::nullopt;
  return LocalFit{value, leverage};
}

// The fitted values, leverages and leave-one-out sum of one span, or nothing
// when some point has no usable local fit.
struct SpanFit {
  std::vector<double> value, leverage;
  double crossValidation = 0;
};

// Fits span k at every point. A span can only win with a leave-one-out sum
// below `bound`, the best one so far: the sum only grows as points are added
// (its terms are squares), so the fit stops, with nothing, as soon as the
// partial sum reaches the bound. The sums of the spans that are completed are
// the same as without the bound, term by term, so the chosen span is too.
std::optional<SpanFit> FitSpan(const CurveView& s, int k, double bound, std::vector<double>& x,
                               std::vector<double>& w) {
  SpanFit f;
  f.value.assign(s.NPoints + 1, 0.0);
  f.leverage.assign(s.NPoints + 1, 0.0);
  for (int i = 1; i <= s.NPoints; ++i) {
    const auto local = FitLocal(s, i, NearestRun(s, i, k), x, w);
    if (!local) return std::nullopt;
    f.value[i] = local->value;
    f.leverage[i] = local->leverage;
    const double r = (s.Mag[i] - local->value) / (1 - local->leverage);
    f.crossValidation += r * r;
    if (!(f.crossValidation < bound)) return std::nullopt;
  }
  if (!std::isfinite(f.crossValidation)) return std::nullopt;
  return f;
}

// The span tried after k: the next odd number up to 21, then the odd number
// nearest 1.1 k, so that long light curves need only a few dozen spans.
int NextSpan(int k) {
  int next = static_cast<int>(std::lround(1.1 * k));
  if (next % 2 == 0) ++next;
  return std::max(next, k + 2);
}

}  // namespace

BootstrapRng::BootstrapRng(uint64_t seed) {
  for (uint64_t& word : state_) word = SplitMix64(seed);
}

uint64_t BootstrapRng::Next() {
  const uint64_t result = Rotl(state_[1] * 5, 7) * 9;
  const uint64_t t = state_[1] << 17;
  state_[2] ^= state_[0];
  state_[3] ^= state_[1];
  state_[1] ^= state_[2];
  state_[0] ^= state_[3];
  state_[2] ^= t;
  state_[3] = Rotl(state_[3], 45);
  return result;
}

uint64_t BootstrapRng::Below(uint64_t n) {
  // 2^64 mod n: the draws below it would make the low residues more likely.
  const uint64_t threshold = (0 - n) % n;
  uint64_t x = Next();
  while (x < threshold) x = Next();
  return x % n;
}

double BootstrapRng::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

double BootstrapRng::Gauss() {
  const double u1 = 1.0 - Uniform();  // (0, 1]: the logarithm stays finite
  const double u2 = Uniform();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

MethodResult<SmoothModel> SmoothEclipse(const CurveView& s) {
  const int n = s.NPoints;
  if (n < kMinSmoothPoints) {
    return Refuse("The smooth model of the eclipse needs at least " +
                  std::to_string(kMinSmoothPoints) + " points; the working set holds " +
                  std::to_string(n) + ".");
  }
  for (int i = 2; i <= n; ++i) {
    if (!(s.RelTime[i] >= s.RelTime[i - 1])) {
      return Refuse("The smooth model of the eclipse needs the points in time order; point " +
                    std::to_string(i) + " is earlier than the one before it.");
    }
  }
  std::optional<SpanFit> best;
  int bestSpan = 0;
  const int largest = std::min(n, std::max(kMinSmoothPoints, n / 2));
  std::vector<double> x, w;
  for (int k = kMinSmoothPoints; k <= largest; k = NextSpan(k)) {
    const double bound = best ? best->crossValidation : std::numeric_limits<double>::infinity();
    auto f = FitSpan(s, k, bound, x, w);
    if (f && (!best || f->crossValidation < best->crossValidation)) {
      best = std::move(f);
      bestSpan = k;
    }
  }
  if (!best) {
    return Refuse(
        "No smooth model of the eclipse could be fitted: too few distinct times among the "
        "neighbours of some point.");
  }

  SmoothModel m;
  m.span = bestSpan;
  m.fit = std::move(best->value);
  m.crossValidation = best->crossValidation;
  m.residual.assign(n + 1, 0.0);
  double mean = 0;
  for (int i = 1; i <= n; ++i) {
    m.residual[i] = (s.Mag[i] - m.fit[i]) / std::sqrt(1 - best->leverage[i]);
    mean += m.residual[i];
  }
  mean /= n;
  double sumSq = 0;
  for (int i = 1; i <= n; ++i) {
    m.residual[i] -= mean;
    sumSq += m.residual[i] * m.residual[i];
  }
  m.rms = std::sqrt(sumSq / n);
  if (!std::isfinite(m.rms)) return Refuse("The smooth model of the eclipse is not finite.");
  return m;
}

namespace {

std::optional<Refusal> CheckRuns(int n) {
  if (n < 2 || n > kMaxBootstrapRuns) {
    return Refusal{"The bootstrap needs between 2 and " + std::to_string(kMaxBootstrapRuns) +
                   " resampled light curves; " + std::to_string(n) + " were asked for."};
  }
  return std::nullopt;
}

}  // namespace

MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const BootstrapTiming& timeOf, int n,
                                              uint64_t seed) {
  if (const auto refused = CheckRuns(n)) return std::unexpected(*refused);
  const auto model = SmoothEclipse(s);
  if (!model) return std::unexpected(model.error());
  return BootstrapErrors(s, *model, timeOf, n, seed);
}

MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const SmoothModel& model,
                                              const BootstrapTiming& timeOf, int n, uint64_t seed) {
  return BootstrapErrors(s, model, timeOf, n, seed, {});
}

MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const SmoothModel& model,
                                              const BootstrapTiming& timeOf, int n, uint64_t seed,
                                              const BootstrapProgress& progress,
                                              long long doneBefore, long long total) {
  if (const auto refused = CheckRuns(n)) return std::unexpected(*refused);
  if (total == 0) total = n;
  assert(timeOf);
  assert(static_cast<int>(model.fit.size()) == s.NPoints + 1 &&
         static_cast<int>(model.residual.size()) == s.NPoints + 1);

  const int points = s.NPoints;
  BootstrapRng rng(seed);
  std::vector<double> mag(static_cast<size_t>(points) + 1, 0.0);
  CurveView work = s;
  work.Mag = mag;
  std::vector<double> times;
  times.reserve(n);
  BootstrapResult r;
  r.span = model.span;
  r.residualRms = model.rms;
  for (int run = 0; run < n; ++run) {
    for (int i = 1; i <= points; ++i) {
      mag[i] = model.fit[i] + model.residual[1 + rng.Below(points)];
    }
    static_cast<CurveLimits&>(work) = ComputeLimits(work.RelTime, mag, points, s);
    const auto t = timeOf(work);
    if (t && std::isfinite(*t)) {
      times.push_back(*t);
    } else {
      ++r.refused;
      if (r.firstRefusal.empty()) {
        r.firstRefusal = t ? "the time is not a finite number." : t.error().message;
      }
    }
    if (progress && !progress(doneBefore + run + 1, total)) return Refuse(kBootstrapCancelled);
  }
  r.delivered = static_cast<int>(times.size());
  if (r.delivered < 2) {
    return Refuse(
        "The method gave a time on only " + std::to_string(r.delivered) + " of " +
        std::to_string(n) +
        " resampled light curves, too few for an error. Its first refusal: " + r.firstRefusal);
  }
  double sum = 0;
  for (const double t : times) sum += t;
  r.mean = sum / r.delivered;
  double sumSq = 0;
  for (const double t : times) sumSq += (t - r.mean) * (t - r.mean);
  r.error = std::sqrt(sumSq / (r.delivered - 1));
  return r;
}

BootstrapTiming TimingOf(const MethodSetup& setup) {
  return [setup](const CurveView& s) -> MethodResult<double> {
    const auto t = TimeMethod(s, setup);
    if (!t) return std::unexpected(t.error());
    return t->minimum.rel_time;
  };
}

MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const MethodSetup& setup, int n,
                                              uint64_t seed) {
  if (std::holds_alternative<TracingSetup>(setup)) return Refuse(kTracingNoBootstrap);
  return BootstrapErrors(s, TimingOf(setup), n, seed);
}

MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const SmoothModel& model,
                                              const MethodSetup& setup, int n, uint64_t seed) {
  if (std::holds_alternative<TracingSetup>(setup)) return Refuse(kTracingNoBootstrap);
  return BootstrapErrors(s, model, TimingOf(setup), n, seed);
}

std::vector<MethodResult<BootstrapResult>> BootstrapErrorsOfAll(
    const CurveView& s, const std::vector<MethodSetup>& setups, int n, uint64_t seed) {
  return *BootstrapErrorsOfAll(s, setups, n, seed, {});
}

std::optional<std::vector<MethodResult<BootstrapResult>>> BootstrapErrorsOfAll(
    const CurveView& s, const std::vector<MethodSetup>& setups, int n, uint64_t seed,
    const BootstrapProgress& progress) {
  std::vector<MethodResult<BootstrapResult>> results;
  results.reserve(setups.size());
  const long long total = static_cast<long long>(n) * static_cast<long long>(setups.size());
  // Only methods that bootstrap need the model; the tracing paper refuses at once.
  std::optional<MethodResult<SmoothModel>> model;
  for (const MethodSetup& setup : setups) {
    const long long before = static_cast<long long>(n) * static_cast<long long>(results.size());
    if (!model && !std::holds_alternative<TracingSetup>(setup)) model = SmoothEclipse(s);
    if (std::holds_alternative<TracingSetup>(setup) || !model || !*model || CheckRuns(n)) {
      // Refused before any curve is drawn: the message of the form that makes its own model.
      results.push_back(BootstrapErrors(s, setup, n, seed));
      if (progress && !progress(before + n, total)) return std::nullopt;
      continue;
    }
    bool stopped = false;
    const BootstrapProgress told = [&](long long done, long long all) {
      if (!progress) return true;
      stopped = !progress(done, all);
      return !stopped;
    };
    results.push_back(BootstrapErrors(s, **model, TimingOf(setup), n, seed, told, before, total));
    if (stopped) return std::nullopt;
  }
  return results;
}

namespace {

std::vector<double> WorkingSpan(std::span<const double> a, int n) {
  return std::vector<double>(a.begin() + 1, a.begin() + 1 + std::max(0, n));
}

}  // namespace

void BootstrapFigures::Keep(const CurveView& s, const std::vector<MethodSetup>& setups,
                            const std::vector<MethodResult<BootstrapResult>>& results, int runs) {
  relTime_ = WorkingSpan(s.RelTime, s.NPoints);
  mag_ = WorkingSpan(s.Mag, s.NPoints);
  runs_ = runs;
  kept_.clear();
  for (size_t i = 0; i < setups.size() && i < results.size(); ++i) {
    kept_.emplace_back(setups[i], results[i]);
  }
}

const MethodResult<BootstrapResult>* BootstrapFigures::Current(const CurveView& s,
                                                               const MethodSetup& setup,
                                                               int runs) const {
  if (runs != runs_ || relTime_ != WorkingSpan(s.RelTime, s.NPoints) ||
      mag_ != WorkingSpan(s.Mag, s.NPoints)) {
    return nullptr;
  }
  for (const auto& [kept, result] : kept_) {
    if (kept == setup) return &result;
  }
  return nullptr;
}

}  // namespace vantor

