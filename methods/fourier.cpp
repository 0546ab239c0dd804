// The Fourier fit of a selected range (driving the Levenberg-Marquardt
// engine), the model curve of the current parameters, and the translation
// between the display and the solver order of the parameters.
#include "methods/fourier.h"

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/format.h"

namespace vantor {

namespace {

constexpr const char* kParamNames[9] = {"", "Xo", "C", "W", "A1", "A2", "A3", "A4", "A5"};

constexpr const char* kHowToExclude =
    " Press \"Exclude\", then right-click the start and the end of the interval inside the "
    "range.";

bool AllFinite(const std::array<double, 9>& v) {
  for (int k = 1; k <= 8; ++k) {
    if (!std::isfinite(v[k])) return false;
  }
  return true;
}

// Checks that the range lies within the working points.
MethodResult<void> CheckRange(const CurveView& c, IndexRange range) {
  const int left = range.first;
  const int right = range.last;
  if (left < 1 || right > c.NPoints || left > right) {
    return Refuse("The range runs from point " + std::to_string(left) + " to point " +
                  std::to_string(right) + ", which is not a range within points 1 to " +
                  std::to_string(c.NPoints) +
                  ". Left-click the start and the end of the range again, one on each side of "
                  "the faintest point.");
  }
  return {};
}

// Checks the interval to leave out against the range.
MethodResult<void> CheckExclusion(IndexRange range, IndexRange excl) {
  if (excl.first < 1 || excl.last < 1) {
    return Refuse(std::string("The interval to exclude is not set.") + kHowToExclude);
  }
  if (excl.first > excl.last + 1) {
    return Refuse("The interval to exclude is reversed: it starts at point " +
                  std::to_string(excl.first) + " and ends at point " + std::to_string(excl.last) +
                  "." + kHowToExclude);
  }
  if (excl.first < range.first || excl.last > range.last) {
    return Refuse("The interval to exclude (points " + std::to_string(excl.first) + " to " +
                  std::to_string(excl.last) + ") does not lie inside the range (points " +
                  std::to_string(range.first) + " to " + std::to_string(range.last) + ")." +
                  kHowToExclude);
  }
  return {};
}

// Checks the starting values, the uncertainty, the parameter list and the
// damping factor.
MethodResult<void> CheckSolverStart(const FourierSetup& f, const FourierSolverStart& solver) {
  for (int k = 1; k <= 8; ++k) {
    if (!std::isfinite(f.start[k])) {
      return Refuse(std::string("The starting value of ") + kParamNames[k] +
                    " is not a finite number. Type another value and press \"Update\".");
    }
  }
  if (!(std::isfinite(solver.sigma) && solver.sigma > 0.0)) {
    return Refuse("The uncertainty of the fit points is not a positive number.");
  }
  for (int j = 1; j <= kFourierParams; ++j) {
    int hits = 0;
    for (int k = 1; k <= kFourierParams; ++k) {
      if (solver.list[k] == j) ++hits;
    }
    if (hits != 1) {
      return Refuse("The list of fitted parameters must name each of the 8 parameters once.");
    }
  }
  if (!(solver.lambda < 0.0)) {
    return Refuse(
        "The fit cannot start because its damping factor has not been reset. Press "
        "\"Undo\" to start over.");
  }
  return {};
}

// Everything the fit needs that can be refused before it starts. Returns the
// number of points the fit will take.
MethodResult<int> CheckFitInputs(const CurveView& c, const FourierSetup& f,
                                 const FourierSolverStart& solver) {
  if (auto r = CheckRange(c, f.range); !r) return std::unexpected(r.error());
  int nData = f.range.last - f.range.first + 1;
  if (f.exclude) {
    if (auto r = CheckExclusion(f.range, *f.exclude); !r) return std::unexpected(r.error());
    nData = (f.exclude->first - f.range.first) + (f.range.last - f.exclude->last);
  }
  if (nData < kFourierParams) {
    return Refuse(
        "The Fourier fit has 8 parameters and needs at least 8 points, but " +
        std::string(f.exclude ? "the range without the excluded interval" : "the range") +
        " holds " + std::to_string(nData) + ". Select a wider range.");
  }
  if (auto r = CheckSolverStart(f, solver); !r) return std::unexpected(r.error());
  return nData;
}

// The points of the range, less the excluded interval, into FitT/FitMag
// (cells 1..nData) in ascending index order.
void TakeFitPoints(const CurveView& c, const FourierSetup& f, int nData, FourierFitResult& r) {
  r.FitT.assign(static_cast<size_t>(nData) + 1, 0.0);
  r.FitMag.assign(static_cast<size_t>(nData) + 1, 0.0);
  int i = 0;
  const auto take = [&](int first, int last) {
    for (int j = first; j <= last; ++j) {
      ++i;
      r.FitT[i] = c.RelTime[j];
      r.FitMag[i] = c.Mag[j];
    }
  };
  if (f.exclude) {
    take(f.range.first, f.exclude->first - 1);
    take(f.exclude->last + 1, f.range.last);
  } else {
    take(f.range.first, f.range.last);
  }
}

// Runs the solver from r.FitA0: the start call, the iterations under the
// stopping rule and the final call. The solver's values go into r; returns
// the final call's note and the error of Xo from the reversed sums.
FourierFinish Iterate(const MarquardtProblem& problem, const FourierSolverStart& solver,
                      FourierFitResult& r) {
  MarquardtOptions options;
  options.NParams = kFourierParams;
  options.Lista = solver.list;
  options.NFit = kFourierParams;
  MarquardtState state;
  state.Params = r.FitA0;
  state.Lista = solver.list;
  state.Lambda = solver.lambda;
  const auto step = [&] {
    ++r.calls;
    return MarquardtStep(problem, options, state);
  };

  step();
  for (int iteration = 1; iteration <= kFourierMaxIterations; ++iteration) {
    const MarquardtSummary s = step();
    if (0.9 * s.chiSqBefore < s.chiSqAfter && s.chiSqAfter < s.chiSqBefore) break;
  }
  // FitLambda keeps the damping factor of the last iteration, not the 0 of
  // the final call.
  r.FitLambda = state.Lambda;
  ++r.calls;
  const FourierFinish finish = FinishFourierFit(problem, options, state);
  r.chiSq = state.ChiSq;
  r.FitA = state.Params;
  r.FitList = state.Lista;
  r.FitCovariance = state.Covariance;
  r.FitCurvature = state.Curvature;
  r.FitParam = FitParamFromFitA(r.FitA);
  r.notes = std::move(state.notes);
  return finish;
}

std::string NotesText(const std::vector<SolverNote>& notes) {
  bool seen[3] = {false, false, false};
  std::string text;
  for (SolverNote n : notes) {
    const int k = static_cast<int>(n);
    if (seen[k]) continue;
    seen[k] = true;
    text += text.empty() ? " (The solver reported: " : "; ";
    text += SolverNoteText(n);
  }
  if (!text.empty()) text += ".)";
  return text;
}

constexpr const char* kTryOtherStart =
    " Try other starting values (type them and press \"Update\") or a different range.";

// Refuses a fit whose numbers are no result: not finite, a singular final
// inversion, a time of minimum outside the points fitted, an error of zero
// while the curve misses the points, a time that never moved from its start
// (unless the start already fits every point exactly), or an error whose
// shown digits the rounding of its sums decides.
MethodResult<void> JudgeFit(const CurveView& c, const FourierSetup& f, const FourierFitResult& r,
                            const FourierFinish& finish) {
  const double variance = r.FitCovariance[8][8];
  if (!AllFinite(r.FitParam) || !std::isfinite(r.chiSq) || !std::isfinite(variance) ||
      variance < 0.0) {
    return Refuse(
        "The Fourier fit did not converge: the system of equations was singular or its numbers "
        "ran out of range, so it gives no time of minimum." +
        NotesText(r.notes) + kTryOtherStart);
  }

  // A singular final inversion leaves a partly reduced matrix behind, whose
  // diagonal is no variance: the error bar would be made up.
  if (finish.note) {
    return Refuse(
        "The Fourier fit gives no honest error: its covariance matrix is singular (" +
        std::string(SolverNoteText(*finish.note)) +
        "), usually because an amplitude or the frequency does not act on the data." +
        kTryOtherStart);
  }

  // A converged fit can still be no result: its time of minimum outside the
  // points it fitted (a start far away, --start 100,...), an error of zero
  // while the curve misses the points (a frequency of 1e300 leaves every
  // derivative at nothing), or a time that never moved from its start (unless
  // the start already fits every point exactly).
  const double x0 = r.FitParam[1];
  const double tFirst = c.RelTime[f.range.first], tLast = c.RelTime[f.range.last];
  const char* noResult = nullptr;
  if (x0 < tFirst || x0 > tLast) {
    noResult = "The Fourier fit puts the time of minimum outside the range it fitted";
  } else if (variance == 0.0 && r.chiSq > 0.0) {
    noResult = "The Fourier fit gives an error of zero although its curve misses the points";
  } else if (x0 == r.FitA0[8] && r.chiSq > 0.0) {
    noResult = "The Fourier fit never moved the time of minimum from its starting value";
  }
  if (noResult != nullptr) {
    return Refuse(std::string(noResult) + ", so it gives no time of minimum." + kTryOtherStart);
  }

  // The matrix may be so nearly singular that the last bits of its sums
  // decide the error: the same sums taken in reverse then give an error that
  // shows other digits, and neither is the error of the data.
  const double error = std::sqrt(variance);
  if (!FourierErrorsAgree(error, finish.reversedError, c.ResultDecimals)) {
    const auto days = [](double e) {
      return std::isfinite(e) ? FixedText(e, 12) + " d" : std::string("no number");
    };
    return Refuse(
        "The Fourier fit gives no honest error: its covariance matrix is so nearly singular that "
        "the rounding of its sums decides the digits of the error shown (" +
        days(error) + " summed point by point, " + days(finish.reversedError) +
        " in reverse order), usually because the range holds too little of the eclipse for five "
        "harmonics. Try a wider range or other starting values (type them and press "
        "\"Update\").");
  }
  return {};
}

}  // namespace

std::array<double, 9> FitAFromFitParam(const std::array<double, 9>& fitParam) {
  std::array<double, 9> fitA{};
  for (int k = 1; k <= 5; ++k) fitA[k] = fitParam[k + 3];
  fitA[6] = fitParam[2];
  fitA[7] = fitParam[3];
  fitA[8] = fitParam[1];
  return fitA;
}

std::array<double, 9> FitParamFromFitA(const std::array<double, 9>& fitA) {
  std::array<double, 9> fitParam{};
  for (int k = 1; k <= 5; ++k) fitParam[k + 3] = fitA[k];
  fitParam[2] = fitA[6];
  fitParam[3] = fitA[7];
  fitParam[1] = fitA[8];
  return fitParam;
}

FourierFinish FinishFourierFit(const MarquardtProblem& problem, const MarquardtOptions& options,
                               MarquardtState& state) {
  // The covariance delivered comes from the curvature at the result summed
  // point by point, in the order of the points, with the library's sine and
  // cosine of every harmonic, as the fit was first written, so that its
  // error does not depend on how the iterations' sums were split to run
  // fast. The chi-square stays the iterations' own, the one their stopping
  // rule and the checks of the result were judged by.
  double chiSq = 0.0;
  CurvatureAndGradientPointByPoint(problem.t, problem.y, problem.sigma, problem.nData, state.Params,
                                   state.Lista, options.NFit, state.Curvature, state.Gradient,
                                   chiSq);
  // The same sums with the points taken in reverse, inverted on their own:
  // only a witness of how much rounding moves the error.
  MarquardtState reversed = state;
  CurvatureAndGradientPointByPoint(
      problem.t, problem.y, problem.sigma, problem.nData, reversed.Params, reversed.Lista,
      options.NFit, reversed.Curvature, reversed.Gradient, chiSq, PointOrder::kReversed);
  reversed.Lambda = 0.0;
  MarquardtStep(problem, options, reversed);
  FourierFinish finish;
  finish.reversedError = std::sqrt(reversed.Covariance[8][8]);
  state.Lambda = 0.0;
  finish.note = MarquardtStep(problem, options, state).note;
  return finish;
}

bool FourierErrorsAgree(double error, double reversedError, int decimals) {
  if (!std::isfinite(error) || !std::isfinite(reversedError)) return false;
  return ResultText(error, decimals) == ResultText(reversedError, decimals);
}

MethodResult<FourierFitResult> FitFourier(const CurveView& c, const FourierSetup& setup,
                                          const FourierSolverStart& solver) {
  const auto nData = CheckFitInputs(c, setup, solver);
  if (!nData) return std::unexpected(nData.error());

  FourierFitResult r;
  r.nData = *nData;
  r.FitA0 = FitAFromFitParam(setup.start);
  TakeFitPoints(c, setup, r.nData, r);
  const std::vector<double> sigma(static_cast<size_t>(r.nData) + 1, solver.sigma);
  const MarquardtProblem problem{r.FitT, r.FitMag, sigma, r.nData};
  const FourierFinish finish = Iterate(problem, solver, r);
  if (auto judged = JudgeFit(c, setup, r, finish); !judged) {
    return std::unexpected(judged.error());
  }
  r.minimum = Minimum{r.FitParam[1], std::sqrt(r.FitCovariance[8][8])};
  r.curve = ComputeFourierCurve(c, setup.range, r.FitParam);
  return r;
}

MethodResult<FourierCurve> ComputeFourierCurve(const CurveView& c, IndexRange range,
                                               const std::array<double, 9>& fitParam) {
  if (auto checked = CheckRange(c, range); !checked) return std::unexpected(checked.error());
  if (!AllFinite(fitParam)) {
    return Refuse(
        "A parameter of the Fourier curve is not a finite number. Type another value "
        "and press \"Update\".");
  }
  FourierCurve curve;
  const double start = c.RelTime[range.first];
  const double step = (c.RelTime[range.last] - start) / kFourierCurveSteps;
  for (int g = 0; g <= kFourierCurveSteps; ++g) {
    curve.T[g] = start + step * g;
    double mag = fitParam[2];
    for (int k = 1; k <= 5; ++k) {
      mag += (std::cos(k * fitParam[3] * (curve.T[g] - fitParam[1])) - 1) * fitParam[k + 3];
    }
    if (!std::isfinite(mag)) {
      return Refuse(
          "The Fourier curve of these parameters runs out of range. Type other values "
          "and press \"Update\".");
    }
    curve.Mag[g] = mag;
  }
  return curve;
}

}  // namespace vantor
