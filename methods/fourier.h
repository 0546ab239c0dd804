// The Fourier fit: a five-term cosine series
//   mag(t) = C + sum_{k=1..5} Ak (cos(k W (t - Xo)) - 1)
// fitted to a range of the light curve by the Levenberg-Marquardt method
// (Press et al., Numerical Recipes, 2nd ed. 1992, section 15.5; the engine is
// in marquardt.h). The time of minimum Xo is one of the parameters, and its
// error is the square root of its variance from the covariance matrix, for a
// point uncertainty of kFourierPointSigma (0.01 magnitude), not scaled by the
// scatter of the residuals.
//
// Stopping rule of the iteration: after the start call, at most 501 further
// calls; the loop stops after the first call with
//   0.9 * ChiSq(before the call) < ChiSq(after the call) < ChiSq(before the call),
// that is after an accepted step that lowered chi-square by less than ten per
// cent. A rejected step (chi-square unchanged) or an accepted step of equal
// chi-square never stops it. A last call with a damping factor of 0 then turns
// the curvature matrix into the covariance matrix. So a fit makes between 3
// and 503 solver calls.
//
// This header holds the computation alone, on any light curve of any length:
// the fit takes the curve and its setup (range, interval left out, starting
// values) and returns the fit with every value its window draws or keeps. The
// window state between clicks (range flags, "Undo", the boxes, the curve on
// screen) is the window's. Reading the eight boxes, clearing and drawing the
// window, the captions and filling the main window's Fourier row belong to
// the window (which formats Xo + HjdBase and the error with
// FormatFixed(..., 14, 5)).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "core/curve.h"
#include "methods/index_range.h"
#include "methods/marquardt.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

// Message of Update and Fit before both ends of the range are set.
inline constexpr const char* kSelectRangeFirst = "Select range first";
// Most solver calls after the start call and before the final call.
inline constexpr int kFourierMaxIterations = 501;
// The uncertainty of every point, magnitudes: the weights of the fit, and the
// point scatter the error of Xo stands for.
inline constexpr double kFourierPointSigma = 0.01;
// Samples of the model curve after sample 0.
inline constexpr int kFourierCurveSteps = 100;

// A Fourier fit over working points `range`, leaving out `exclude` when it is
// set, from the starting values `start` (FitParam order: 1 Xo, 2 C, 3 W,
// 4..8 A1..A5; cell 0 unused). Row 5 of the main window.
struct FourierSetup {
  IndexRange range;
  std::optional<IndexRange> exclude;
  std::array<double, 9> start{};
  bool operator==(const FourierSetup&) const = default;
};

// What the solver starts from beside the setup, as the desktop has always
// given it: every point's uncertainty, the list of fitted parameters (LISTA,
// 1 to 8: every parameter fitted) and the damping factor (negative: a fresh
// start).
struct FourierSolverStart {
  double sigma = kFourierPointSigma;
  ParamList list{0, 1, 2, 3, 4, 5, 6, 7, 8};
  double lambda = -1.0;
};

// The model curve drawn over the light curve: 101 samples evenly spaced from
// the first to the last point of the range (CurveT, CurveMag).
struct FourierCurve {
  std::array<double, kFourierCurveSteps + 1> T{}, Mag{};
};

struct FourierFitResult {
  std::array<double, 9> FitParam{};  // display order: 1 Xo, 2 C, 3 W, 4..8 A1..A5
  // rel_time: Xo, days relative to HjdBase (FitParam[1]);
  // error: sqrt(FitCovariance(8, 8)), days.
  Minimum minimum;
  double chiSq = 0.0;             // chi-square of the fitted parameters
  int calls = 0;                  // MarquardtStep calls: start + iterations + final
  int nData = 0;                  // points given to the solver
  std::vector<SolverNote> notes;  // one entry per solver call in which a note occurred

  // The solver's values as the fit leaves them.
  ParamVector FitA{};                 // fitted parameters, solver order
  ParamVector FitA0{};                // the starting values, solver order
  std::vector<double> FitT, FitMag;   // the points fitted, cells 1..nData (cell 0 unused)
  ParamList FitList{};                // LISTA as the start call completed it
  Matrix8 FitCurvature{};             // curvature at FitA, LISTA order
  Matrix8 FitCovariance{};            // covariance matrix, parameter order
  double FitLambda = 0.0;             // damping factor after the last iteration
  // The model curve of FitParam over the range, or why it cannot be drawn.
  MethodResult<FourierCurve> curve;
};

// The final call of a Fourier fit whose iterations are done (state.Lambda is
// set to 0 here): the curvature at state.Params is summed again point by
// point in the order of the points (CurvatureAndGradientPointByPoint) and
// inverted into state.Covariance, in parameter order; state.ChiSq stays.
// Returns that call's note and the error of Xo, sqrt(Covariance(8, 8)),
// inverted from the same curvature summed with the points in reverse order,
// which the caller holds against the first: where the two differ, the matrix
// is so nearly singular that the rounding of its sums decides the error. The
// reversed sums are never delivered.
struct FourierFinish {
  std::optional<SolverNote> note;
  double reversedError = 0.0;
};
FourierFinish FinishFourierFit(const MarquardtProblem& problem, const MarquardtOptions& options,
                               MarquardtState& state);

// Returns whether the error and the error of the reversed sums are finite and
// show the same digits at `decimals` (ResultText): the fit's error is then
// delivered, otherwise it is refused. An error rounding alike at the precision
// in force is the same error to every reader, however far its later digits
// differ.
bool FourierErrorsAgree(double error, double reversedError, int decimals);

// Returns the solver-order vector of display-order parameters:
// FitA(k) = FitParam(k + 3) for k = 1..5, FitA(6) = FitParam(2),
// FitA(7) = FitParam(3), FitA(8) = FitParam(1).
std::array<double, 9> FitAFromFitParam(const std::array<double, 9>& fitParam);

// Returns the display-order vector of solver-order parameters (the inverse of
// FitAFromFitParam).
std::array<double, 9> FitParamFromFitA(const std::array<double, 9>& fitA);

// Fits the model to the points of `setup` from its starting values, with
// the solver's start `solver`.
//
// Points: RelTime/Mag(range.first..range.last); with an interval to exclude,
// its points exclude.first..exclude.last are left out. They go to FitT/FitMag
// (1..nData) in ascending index order, each with the uncertainty
// solver.sigma.
//
// Delivers the fitted parameters (FitParam and FitA), the start (FitA0), the
// points fitted, the curvature and covariance (parameter order), FitLambda
// (its value after the last iteration, not the 0 of the final call) and the
// model curve of the fitted parameters (ComputeFourierCurve).
//
// Refuses when: the range is empty, reversed or outside 1..NPoints; the
// excluded interval is not set (an index 0), is reversed (first > last + 1)
// or not inside the range; fewer than 8 points remain; a starting value is
// not finite; the uncertainty is not a finite positive number; the list is
// not a permutation of 1..8; the damping factor is not negative. Also
// refuses when the fit delivers a parameter, the chi-square or the variance
// of Xo that is not finite, or a negative variance (a singular system or
// numbers out of range), a singular final inversion, a time of minimum
// outside the range, an error of zero while the curve misses the points, a
// time that never moved from its start, and when the error and the error of
// the reversed sums (FinishFourierFit) show different digits at
// c.ResultDecimals (FourierErrorsAgree). The error delivered is always the
// one of the sums in the order of the points.
MethodResult<FourierFitResult> FitFourier(const CurveView& c, const FourierSetup& setup,
                                          const FourierSolverStart& solver = {});

// The model curve of fitParam (display order) over working points `range`:
// T(g) = RelTime(range.first) + g * (RelTime(range.last) -
// RelTime(range.first)) / 100 and Mag(g) = FitParam(2) + sum_k (cos(k
// FitParam(3) (T(g) - FitParam(1))) - 1) FitParam(k + 3). The orientation
// check before drawing is the window's. Refuses when the range is empty or
// reversed or reaches outside 1..NPoints (as FitFourier), or a parameter or a
// point of the curve is not finite.
MethodResult<FourierCurve> ComputeFourierCurve(const CurveView& c, IndexRange range,
                                               const std::array<double, 9>& fitParam);

}  // namespace vantor
