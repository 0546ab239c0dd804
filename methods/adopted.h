// The adopted time of one eclipse: the time Vantor recommends publishing from
// the methods that timed it, with an error that says what the data allow.
// It stands beside "Calc. Means" (core/combination.h), whose weighted mean
// stays as the main window has always shown it; that mean trusts every
// method's own error, and sliding integrations' error (from a noise-free
// integral, often 1e-6 d) then decides it alone.
//
// The rules:
// - Sliding integrations are left out: their error does not measure their
//   timing error. The tracing paper is left out: it has no error. The note
//   names what was left out and why.
// - A fitted time (the parabola, the Fourier fit) weighs by its covariance
//   error for the light curve's point scatter, times max(1, sqrt(reduced
//   chi-square)) of the fit's residuals for that scatter (a model that
//   misses the points claims less), times the correlated-noise factor beta of
//   its residuals (Pont, Zucker & Queloz 2006: binned residuals that scatter
//   more than white noise would), when above 1.
// - The other methods (chords, Kwee and van Woerden) weigh by their own error.
// - Every method times the same points, so none may claim less than the
//   shared noise floor: the Fourier fit's covariance error for the window's
//   point-to-point scatter. Each error is raised to that floor before
//   weighting.
// - The adopted time is the weighted mean (weights 1 / e^2) of what remains.
//   Its error is the largest of the mean's own uncertainty sqrt(1 / sum w),
//   the standard error of the combined times (sample standard deviation /
//   sqrt(n), for n >= 2) and the noise floor; the note says which set it.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <vector>

#include "core/curve.h"
#include "core/error.h"
#include "methods/time_method.h"

namespace vantor {

// What a method's error stands for.
enum class ErrorKind {
  Own,        // the method's own estimate, taken as it is (chords, KvW)
  Fit,        // a least-squares fit's covariance error, scaled by chi-square and beta
  NoiseFree,  // from a noise-free integral: weighs nothing (sliding integrations)
  None,       // no error at all (the tracing paper)
};

// One method's time for the adoption.
struct MethodTimeInput {
  std::string method;  // "parabola", "tracing", "chords", "kvw", "fourier", "sliding"
  double time = 0.0;   // days, any time scale shared by every input
  double error = 0.0;  // days; for a Fit: the covariance error for the point scatter
  ErrorKind kind = ErrorKind::Own;
  double reducedChiSquare = 1.0;  // a Fit's chi-square / (n - parameters) for that scatter
  double beta = 1.0;              // a Fit's correlated-noise factor (>= 1 counts)
};

struct AdoptedTime {
  double time = 0.0;
  double error = 0.0;
  std::vector<std::string> methods;  // the methods combined, in input order
  std::string note;                  // what set the error, and what was left out
};

// Adopts a time from `inputs` by the rules above; `noiseFloor` (days, 0 for
// none) is the shared noise floor. Inputs whose time or error is not finite,
// or whose error is not positive, are left out too. Refuses when nothing
// remains to weigh.
std::expected<AdoptedTime, Error> AdoptTime(std::span<const MethodTimeInput> inputs,
                                            double noiseFloor = 0.0);

// The time-averaging factor of residuals in time order (Pont et al. 2006):
// for group sizes N from 2 up to a quarter of the points, the scatter of the
// group means over the white-noise expectation sigma_1 / sqrt(N) *
// sqrt(M / (M - 1)) (M groups), averaged over N; at least 1. Fewer than 8
// residuals, or residuals without scatter, give 1.
double CorrelatedNoiseFactor(std::span<const double> residuals);
// The same over the group sizes `smallest` to `largest` only (at least 2, at
// most half the points): the time scales that matter to the caller.
double CorrelatedNoiseFactor(std::span<const double> residuals, size_t smallest, size_t largest);

// The input of one delivered timing of `curve` by `setup`. `noiseMag` is the
// curve's point-to-point scatter (AutoRanges::noiseMag), 0 when unknown: the
// fits' covariance errors and chi-squares are then for the scatter of their
// own residuals. The parabola's covariance error is that of its vertex,
// refitted about the mean time of its range (its own "Est'd Error" is not
// one); the Fourier fit's is its error (for kFourierPointSigma) rescaled to
// the scatter.
MethodTimeInput AdoptionInput(const CurveView& curve, const MethodSetup& setup,
                              const Timing& timing, double noiseMag);

// The scatter of single points about the line through their neighbours,
// 1.4826 median |m(i) - (m(i-1) + m(i+1)) / 2| / sqrt(1.5), magnitudes (the
// automatic ranges' noise); 0 for fewer than 3 points.
double PointScatter(const CurveView& curve);

// The shared noise floor from a delivered Fourier timing: its error rescaled
// from kFourierPointSigma to `noiseMag` (0 when noiseMag is not positive).
double NoiseFloorOf(const Timing& fourier, double noiseMag);

}  // namespace vantor
