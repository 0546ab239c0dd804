// Bootstrap errors of the timing methods: a method's time of minimum is
// measured again on many resampled copies of the light curve, and the scatter
// of those times is an error estimate that does not depend on the method's own
// error formula.
//
// The resampling is the residual bootstrap of a regression (Efron & Tibshirani
// 1993, An Introduction to the Bootstrap, section 9.5; Davison & Hinkley 1997,
// Bootstrap Methods and their Application, section 7.6):
//   1. A smooth model of the eclipse goes through the working set: a local
//      quadratic (LOESS of degree 2, Cleveland 1979, JASA 74, 829) at each
//      point, fitted to its k nearest neighbours in time with tricube weights
//      (1 - (|t_j - t_i| / d)^3)^3, d the distance to the farthest of the k.
//      The span k is chosen among the odd numbers 7, 9, ..., 21, then about
//      a tenth larger at each step (23, 25, ..., 31, 35, 39, 43, ...), up to
//      NPoints / 2 (at least 7, at most NPoints), by leave-one-out
//      cross-validation, which is exact for such a linear smoother: minimise
//      sum_i ((Mag(i) - fit(i)) / (1 - h_ii))^2, h_ii the weight of Mag(i) in
//      its own fitted value; the smallest k wins a tie. The span adapts to the
//      data: short for a sharp, well-sampled eclipse, long for a noisy, sparse
//      one.
//   2. Residuals are taken as (Mag(i) - fit(i)) / sqrt(1 - h_ii), which
//      undoes the shrinking of residuals by a fit that follows the points
//      closely, and then centred on their mean.
//   3. Each resampled light curve keeps the working times and has
//      Mag*(i) = fit(i) + a residual drawn with replacement from all NPoints
//      residuals. The noise is thereby assumed to be the same for every point
//      and independent from point to point.
//   4. The method runs on a light curve with the working times and the
//      resampled magnitudes, with the same ranges; the error is the standard deviation
//      (n - 1 in the denominator) of the times delivered.
//
// The draws come from this file's own generator (xoshiro256**, seeded through
// splitmix64), not from <random>'s distributions, so that one seed gives the
// same numbers with every compiler and library.
//
// This header holds no window and no printing. The tracing paper has no
// bootstrap: its time is the fold the user chose, not a computation.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/curve.h"
#include "methods/refusal.h"
#include "methods/time_method.h"

namespace vantor {

// Seed the program uses unless the user gives one, the largest number of
// resampled light curves a run may ask for, and the number the program's
// Bootstrap tool and the bootstrap weights of "Calc. Means" use unless told.
inline constexpr uint64_t kBootstrapSeed = 20240611;
inline constexpr int kMaxBootstrapRuns = 100000;
inline constexpr int kBootstrapDefaultRuns = 200;

// Told after each resampled light curve how many curves are done and how many
// the whole run holds; returning false stops the run (a cancel), which then
// delivers nothing.
using BootstrapProgress = std::function<bool(long long done, long long total)>;

// The refusal of a run its progress function stopped.
inline constexpr const char* kBootstrapCancelled = "The bootstrap was cancelled.";
// Smallest working set the smooth model accepts (its shortest span).
inline constexpr int kMinSmoothPoints = 7;

// xoshiro256** (Blackman and Vigna 2018) seeded by splitmix64: a small,
// fast generator whose sequence is fixed by its seed on every platform.
class BootstrapRng {
 public:
  // Seeds the four state words with four successive splitmix64 outputs.
  explicit BootstrapRng(uint64_t seed);
  // Returns the next 64 random bits.
  uint64_t Next();
  // Returns an integer uniformly distributed over 0..n-1 (n >= 1), without
  // modulo bias (draws below 2^64 mod n are rejected).
  uint64_t Below(uint64_t n);
  // Returns a double uniformly distributed over [0, 1), 53 random bits.
  double Uniform();
  // Returns a standard normal deviate (Box-Muller, one deviate per two
  // uniforms, the second one discarded).
  double Gauss();

 private:
  std::array<uint64_t, 4> state_;
};

// The smooth model of the eclipse through the working set and its residuals.
struct SmoothModel {
  int span = 0;                  // k: neighbours in each local fit
  std::vector<double> fit;       // fit(1..NPoints), magnitudes; cell 0 unused
  std::vector<double> residual;  // modified, centred residuals (1..NPoints); cell 0 unused
  double rms = 0.0;              // sqrt(mean of residual^2), magnitudes
  double crossValidation = 0.0;  // the leave-one-out sum of the chosen span, mag^2
};

// Fits the smooth model to RelTime/Mag(1..NPoints) as described above.
// Refuses when fewer than kMinSmoothPoints points are in the working set,
// when no span gives a solvable local fit at every point (fewer than three
// distinct times among some point's neighbours, or a leverage of 1), or when
// a result is not finite.
MethodResult<SmoothModel> SmoothEclipse(const CurveView& s);

// A timing method as the bootstrap runs it: the time of minimum (days relative
// to HjdBase) of a resampled light curve, or the method's refusal.
using BootstrapTiming = std::function<MethodResult<double>(const CurveView&)>;

// The outcome of a bootstrap run.
struct BootstrapResult {
  double error = 0.0;        // standard deviation of the delivered times, days
  double mean = 0.0;         // mean of the delivered times, days relative to HjdBase
  int delivered = 0;         // resampled curves on which the method gave a time
  int refused = 0;           // resampled curves on which it refused
  std::string firstRefusal;  // the message of the first refusal, empty if none
  int span = 0;              // span of the smooth model
  double residualRms = 0.0;  // RMS of its residuals, magnitudes
};

// Estimates the error of `timeOf` on the working set of `s` from n resampled
// light curves drawn with BootstrapRng(seed). Each curve has the times of s,
// the resampled magnitudes in Mag(1..NPoints) and the limits computed afresh
// from them (ComputeLimits); everything else is as in s, which is never
// changed. The curves take their draws one after
// another from one generator, so a seed fixes every number.
//
// Refuses when n < 2 or n > kMaxBootstrapRuns, when the smooth model refuses,
// and when the method delivers a time on fewer than 2 of the n curves (the
// message then quotes the method's first refusal). A time that is not finite
// counts as a refusal.
//
// One call per method, for example Kwee and van Woerden over points 10..50
// with the texts of its boxes, from 200 curves:
//   const auto b = BootstrapErrors(store, KvwSetup{{10, 50}, {"1", ".9"}}, 200);
//   // b->error beside the method's own error, or b.error().message
MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const BootstrapTiming& timeOf, int n,
                                              uint64_t seed = kBootstrapSeed);

// The same with the smooth model given: SmoothEclipse(s), made once for the
// light curve and shared by every method of a run (it depends on the working
// set alone), so that each method costs only its own timings. Gives the same
// result as the form above whenever SmoothEclipse(s) delivers that model;
// where it refuses, call the form above, whose messages keep their order.
MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const SmoothModel& model,
                                              const BootstrapTiming& timeOf, int n,
                                              uint64_t seed = kBootstrapSeed);
// The same, telling `progress` (when given) after each curve; a run it stops
// is refused with kBootstrapCancelled. `doneBefore` and `total` are what
// progress is told beside this run's own count (for a run that is part of a
// larger one); total 0 means n.
MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const SmoothModel& model,
                                              const BootstrapTiming& timeOf, int n, uint64_t seed,
                                              const BootstrapProgress& progress,
                                              long long doneBefore = 0, long long total = 0);

// The message for the tracing paper, which has no bootstrap.
inline constexpr const char* kTracingNoBootstrap =
    "The tracing paper's time is the fold chosen by hand.";

// Returns the method of `setup` as a timing: TimeMethod on each resampled
// curve (which refuses an inverted curve, as the method's window does).
BootstrapTiming TimingOf(const MethodSetup& setup);

// BootstrapErrors of the method of `setup`; refuses a tracing-paper setup with
// kTracingNoBootstrap. For a delivered row, bootstrap BootstrapSetup(setup,
// timing), so that a Fourier fit starts from the parameters it fitted.
MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const MethodSetup& setup, int n,
                                              uint64_t seed = kBootstrapSeed);
MethodResult<BootstrapResult> BootstrapErrors(const CurveView& s, const SmoothModel& model,
                                              const MethodSetup& setup, int n,
                                              uint64_t seed = kBootstrapSeed);

// Bootstraps several methods of one light curve: builds the smooth model
// once and runs BootstrapErrors for each setup with it (or, where the model
// refuses, the form that makes its own, so every message stays as it is).
// One result per setup, in order.
std::vector<MethodResult<BootstrapResult>> BootstrapErrorsOfAll(
    const CurveView& s, const std::vector<MethodSetup>& setups, int n, uint64_t seed = kBootstrapSeed);

// The same, telling `progress` after each resampled curve the curves done of
// all the setups together (setups that refuse at once count as done). When
// progress stops the run, returns nullopt: no result at all, not even those
// of the setups already finished, and `s` is unchanged as always.
std::optional<std::vector<MethodResult<BootstrapResult>>> BootstrapErrorsOfAll(
    const CurveView& s, const std::vector<MethodSetup>& setups, int n, uint64_t seed,
    const BootstrapProgress& progress);

// The figures of one bootstrap run kept for later use, with what they were
// made from. A setup's figure is current while the working set (its times
// and magnitudes) and the setup are exactly as they were.
class BootstrapFigures {
 public:
  // Keeps `results` (one per setup, as BootstrapErrorsOfAll gives them) of a
  // run of `runs` curves on the working set of `s`, replacing what was kept.
  void Keep(const CurveView& s, const std::vector<MethodSetup>& setups,
            const std::vector<MethodResult<BootstrapResult>>& results, int runs);
  // The kept figure of `setup` when it is current for `s` and was made from
  // `runs` curves; nullptr otherwise.
  const MethodResult<BootstrapResult>* Current(const CurveView& s, const MethodSetup& setup,
                                               int runs) const;
  void Clear() { kept_.clear(); }

 private:
  std::vector<double> relTime_, mag_;
  int runs_ = 0;
  std::vector<std::pair<MethodSetup, MethodResult<BootstrapResult>>> kept_;
};

}  // namespace vantor

