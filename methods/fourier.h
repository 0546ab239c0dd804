// The Fourier fit: a five-term cosine series
//   mag(t) = C + sum_{k=1..5} Ak (cos(k W (t - Xo)) - 1)
// fitted to a range of the light curve by the Levenberg-Marquardt method
// (Press et al., Numerical Recipes, 2nd ed. 1992, section 15.5; the engine is
// in marquardt.h). The time of minimum Xo is one of the parameters, and its
// error is the square root of its variance from the covariance matrix, for a
// point uncertainty FitSigma (0.01 magnitude), not scaled by the scatter of the
// residuals.
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
// This header holds only the computation on the store. Reading the eight
// boxes, clearing and drawing the window, the captions and filling the main
// window's Fourier row belong to the window (which formats Xo + HjdBase and
// the error with FormatFixed(..., 14, 5)).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/store.h"
#include "methods/marquardt.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

// Message of Update and Fit before both ends of the range are set.
inline constexpr const char* kSelectRangeFirst = "Select range first";
// Most solver calls after the start call and before the final call.
inline constexpr int kFourierMaxIterations = 501;

struct FourierFitResult {
  std::array<double, 9> FitParam{};  // display order: 1 Xo, 2 C, 3 W, 4..8 A1..A5
  // rel_time: Xo, days relative to HjdBase (FitParam[1]);
  // error: sqrt(FitCovariance(8, 8)), days.
  Minimum minimum;
  double chiSq = 0.0;             // chi-square of the fitted parameters
  int calls = 0;                  // MarquardtStep calls: start + iterations + final
  int nData = 0;                  // points given to the solver
  std::vector<SolverNote> notes;  // one entry per solver call in which a note occurred
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

// Fits the model to the selected range of the working arrays, starting from
// s.FitParam (the window has already read its boxes into it when
// ParamsFromBoxes is set), with s.FitSigma, s.FitList and s.FitLambda
// (negative, so the first call starts the fit).
//
// Points: RelTime/Mag(FourierLeftIdx..FourierRightIdx); with ExcludeMode the
// points ExclLeftIdx..ExclRightIdx are left out. They go to s.FitT/s.FitMag
// (1..nData) in ascending index order; FitSigma(1..nData) are their weights.
//
// On success writes FitA (fitted), FitA0 (the start), FitT, FitMag,
// FitCurvature, FitCovariance (parameter order), FitLambda (its value after
// the last iteration, not the 0 of the final call), FitParam (from FitA) and
// FourierFitDone = true.
//
// Refuses, leaving the store exactly as it was, when: the range is not set
// ("Select range first"); a fit already stands (Undo starts over); the range
// is empty, reversed or outside 1..NPoints; with ExcludeMode, the excluded
// interval is not set (an index 0), is reversed (ExclLeftIdx >
// ExclRightIdx + 1) or not inside the range; fewer than 8 points remain; a
// starting value is not finite; a point's FitSigma is not a finite positive
// number; FitList is not a permutation of 1..8; FitLambda is not negative.
// Also refuses, restoring the store, when the fit delivers a parameter, the
// chi-square or the variance of Xo that is not finite, or a negative
// variance (a singular system or numbers out of range), and when the error
// and the error of the reversed sums (FinishFourierFit) show different digits
// at s.ResultDecimals (FourierErrorsAgree). The error delivered is always the
// one of the sums in the order of the points.
MethodResult<FourierFitResult> FitFourier(Store& s);

// Computes the model curve of s.FitParam over the selected range into
// s.CurveT(0..100) and s.CurveMag(0..100): CurveT(g) = RelTime(FourierLeftIdx)
// + g * (RelTime(FourierRightIdx) - RelTime(FourierLeftIdx)) / 100 and
// CurveMag(g) = FitParam(2) + sum_k (cos(k FitParam(3) (CurveT(g) -
// FitParam(1))) - 1) FitParam(k + 3). The orientation check before drawing is
// the window's. Refuses, leaving the curve as it was, when the range is not
// set ("Select range first"), is empty or reversed or reaches outside
// 1..NPoints (as FitFourier), or a parameter or a point of the curve is not
// finite.
MethodResult<void> ComputeFourierCurve(Store& s);

}  // namespace vantor
