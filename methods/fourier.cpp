// The Fourier fit of a selected range (driving the Levenberg-Marquardt
// engine), the model curve of the current parameters, and the translation
// between the display and the solver order of the parameters.
#include "methods/fourier.h"

#include <cmath>
#include <optional>
#include <string>

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

// Checks that the range is set and lies within the working points.
MethodResult<void> CheckRange(const Store& s) {
  if (!s.FourierRangeSet) return Refuse(kSelectRangeFirst);
  const int left = s.FourierLeftIdx;
  const int right = s.FourierRightIdx;
  if (left < 1 || right > s.NPoints || left > right) {
    return Refuse("The range runs from point " + std::to_string(left) + " to point " +
                  std::to_string(right) + ", which is not a range within points 1 to " +
                  std::to_string(s.NPoints) +
                  ". Left-click the start and the end of the range again, one on each side of "
                  "the faintest point.");
  }
  return {};
}

// Everything the fit needs that can be refused before the store is touched.
// Sets nData to the number of points the fit will take.
MethodResult<void> CheckFitInputs(const Store& s, int& nData) {
  if (auto r = CheckRange(s); !r) return r;
  const int left = s.FourierLeftIdx;
  const int right = s.FourierRightIdx;
  nData = right - left + 1;
  if (s.ExcludeMode) {
    const int exclLeft = s.ExclLeftIdx;
    const int exclRight = s.ExclRightIdx;
    if (exclLeft < 1 || exclRight < 1) {
      return Refuse(std::string("The interval to exclude is not set.") + kHowToExclude);
    }
    if (exclLeft > exclRight + 1) {
      return Refuse("The interval to exclude is reversed: it starts at point " +
                    std::to_string(exclLeft) + " and ends at point " + std::to_string(exclRight) +
                    "." + kHowToExclude);
    }
    if (exclLeft < left || exclRight > right) {
      return Refuse("The interval to exclude (points " + std::to_string(exclLeft) + " to " +
                    std::to_string(exclRight) + ") does not lie inside the range (points " +
                    std::to_string(left) + " to " + std::to_string(right) + ")." + kHowToExclude);
    }
    nData = (exclLeft - left) + (right - exclRight);
  }
  if (nData < kFourierParams) {
    return Refuse(
        "The Fourier fit has 8 parameters and needs at least 8 points, but " +
        std::string(s.ExcludeMode ? "the range without the excluded interval" : "the range") +
        " holds " + std::to_string(nData) + ". Select a wider range.");
  }
  for (int k = 1; k <= 8; ++k) {
    if (!std::isfinite(s.FitParam[k])) {
      return Refuse(std::string("The starting value of ") + kParamNames[k] +
                    " is not a finite number. Type another value and press \"Update\".");
    }
  }
  for (int i = 1; i <= nData; ++i) {
    if (!(std::isfinite(s.FitSigma[i]) && s.FitSigma[i] > 0.0)) {
      return Refuse("The uncertainty of fit point " + std::to_string(i) +
                    " is not a positive number; load the light curve again.");
    }
  }
  for (int j = 1; j <= kFourierParams; ++j) {
    int hits = 0;
    for (int k = 1; k <= kFourierParams; ++k) {
      if (s.FitList[k] == j) ++hits;
    }
    if (hits != 1) {
      return Refuse("The list of fitted parameters must name each of the 8 parameters once.");
    }
  }
  if (!(s.FitLambda < 0.0)) {
    return Refuse(
        "The fit cannot start because its damping factor has not been reset. Press "
        "\"Undo\" to start over.");
  }
  return {};
}

// The store fields a fit writes, kept so that a refused fit can put them back.
struct FitFields {
  std::array<double, 9> FitParam, FitA, FitA0;
  PointArray FitT, FitMag;
  Matrix8 FitCurvature, FitCovariance;
  double FitLambda;
  ParamList FitList;
  bool FourierFitDone;

  explicit FitFields(const Store& s)
      : FitParam(s.FitParam),
        FitA(s.FitA),
        FitA0(s.FitA0),
        FitT(s.FitT),
        FitMag(s.FitMag),
        FitCurvature(s.FitCurvature),
        FitCovariance(s.FitCovariance),
        FitLambda(s.FitLambda),
        FitList(s.FitList),
        FourierFitDone(s.FourierFitDone) {}

  void RestoreInto(Store& s) const {
    s.FitParam = FitParam;
    s.FitA = FitA;
    s.FitA0 = FitA0;
    s.FitT = FitT;
    s.FitMag = FitMag;
    s.FitCurvature = FitCurvature;
    s.FitCovariance = FitCovariance;
    s.FitLambda = FitLambda;
    s.FitList = FitList;
    s.FourierFitDone = FourierFitDone;
  }
};

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

MethodResult<FourierFitResult> FitFourier(Store& s) {
  if (!s.FourierRangeSet) return Refuse(kSelectRangeFirst);
  if (s.FourierFitDone) {
    return Refuse("A Fourier fit already stands. Press \"Undo\" to start over.");
  }
  int nData = 0;
  if (auto inputs = CheckFitInputs(s, nData); !inputs) return std::unexpected(inputs.error());

  const FitFields before(s);

  s.FitA = FitAFromFitParam(s.FitParam);
  s.FitA0 = s.FitA;

  int i = 0;
  const auto take = [&](int first, int last) {
    for (int j = first; j <= last; ++j) {
      ++i;
      s.FitT[i] = s.RelTime[j];
      s.FitMag[i] = s.Mag[j];
    }
  };
  if (s.ExcludeMode) {
    take(s.FourierLeftIdx, s.ExclLeftIdx - 1);
    take(s.ExclRightIdx + 1, s.FourierRightIdx);
  } else {
    take(s.FourierLeftIdx, s.FourierRightIdx);
  }

  // The solver works on its own state; the store's fields go in before the
  // start call and take the results after the final one, so that the store
  // holds what the fit leaves exactly as if the solver had worked on it.
  const MarquardtProblem problem{s.FitT, s.FitMag, s.FitSigma, nData};
  MarquardtOptions options;
  options.NParams = kFourierParams;
  options.Lista = s.FitList;
  options.NFit = kFourierParams;
  MarquardtState state;
  state.Params = s.FitA;
  state.Lista = s.FitList;
  state.Covariance = s.FitCovariance;
  state.Curvature = s.FitCurvature;
  state.Lambda = s.FitLambda;
  int calls = 0;
  const auto step = [&] {
    ++calls;
    return MarquardtStep(problem, options, state);
  };

  step();
  for (int iteration = 1; iteration <= kFourierMaxIterations; ++iteration) {
    const MarquardtSummary r = step();
    if (0.9 * r.chiSqBefore < r.chiSqAfter && r.chiSqAfter < r.chiSqBefore) break;
  }
  // FitLambda keeps the damping factor of the last iteration, not the 0 of
  // the final call.
  s.FitLambda = state.Lambda;
  ++calls;
  const FourierFinish finish = FinishFourierFit(problem, options, state);
  const std::optional<SolverNote> finalNote = finish.note;
  const double chiSq = state.ChiSq;
  s.FitA = state.Params;
  s.FitList = state.Lista;
  s.FitCovariance = state.Covariance;
  s.FitCurvature = state.Curvature;

  s.FourierFitDone = true;
  s.FitParam = FitParamFromFitA(s.FitA);

  const double variance = s.FitCovariance[8][8];
  if (!AllFinite(s.FitParam) || !std::isfinite(chiSq) || !std::isfinite(variance) ||
      variance < 0.0) {
    before.RestoreInto(s);
    return Refuse(
        "The Fourier fit did not converge: the system of equations was singular or its numbers "
        "ran out of range, so it gives no time of minimum." +
        NotesText(state.notes) +
        " Try other starting values (type them and press \"Update\") or a different range.");
  }

  // A singular final inversion leaves a partly reduced matrix behind, whose
  // diagonal is no variance: the error bar would be made up.
  if (finalNote) {
    before.RestoreInto(s);
    return Refuse(
        "The Fourier fit gives no honest error: its covariance matrix is singular (" +
        std::string(SolverNoteText(*finalNote)) +
        "), usually because an amplitude or the frequency does not act on the data. Try other "
        "starting values (type them and press \"Update\") or a different range.");
  }

  // A converged fit can still be no result: its time of minimum outside the
  // points it fitted (a start far away, --start 100,...), an error of zero
  // while the curve misses the points (a frequency of 1e300 leaves every
  // derivative at nothing), or a time that never moved from its start (unless
  // the start already fits every point exactly).
  const double x0 = s.FitParam[1];
  const double tFirst = s.RelTime[s.FourierLeftIdx], tLast = s.RelTime[s.FourierRightIdx];
  const char* noResult = nullptr;
  if (x0 < tFirst || x0 > tLast) {
    noResult = "The Fourier fit puts the time of minimum outside the range it fitted";
  } else if (variance == 0.0 && chiSq > 0.0) {
    noResult = "The Fourier fit gives an error of zero although its curve misses the points";
  } else if (x0 == s.FitA0[8] && chiSq > 0.0) {
    noResult = "The Fourier fit never moved the time of minimum from its starting value";
  }
  if (noResult != nullptr) {
    before.RestoreInto(s);
    return Refuse(std::string(noResult) +
                  ", so it gives no time of minimum. Try other starting values (type them and "
                  "press \"Update\") or a different range.");
  }

  // The matrix may be so nearly singular that the last bits of its sums
  // decide the error: the same sums taken in reverse then give an error that
  // shows other digits, and neither is the error of the data.
  const double error = std::sqrt(variance);
  if (!FourierErrorsAgree(error, finish.reversedError, s.ResultDecimals)) {
    const auto days = [](double e) {
      return std::isfinite(e) ? FixedText(e, 12) + " d" : std::string("no number");
    };
    before.RestoreInto(s);
    return Refuse(
        "The Fourier fit gives no honest error: its covariance matrix is so nearly singular that "
        "the rounding of its sums decides the digits of the error shown (" +
        days(error) + " summed point by point, " + days(finish.reversedError) +
        " in reverse order), usually because the range holds too little of the eclipse for five "
        "harmonics. Try a wider range or other starting values (type them and press "
        "\"Update\").");
  }

  FourierFitResult r;
  r.FitParam = s.FitParam;
  r.minimum = Minimum{s.FitParam[1], error};
  r.chiSq = chiSq;
  r.calls = calls;
  r.nData = nData;
  r.notes = state.notes;
  return r;
}

MethodResult<void> ComputeFourierCurve(Store& s) {
  if (auto range = CheckRange(s); !range) return std::unexpected(range.error());
  if (!AllFinite(s.FitParam)) {
    return Refuse(
        "A parameter of the Fourier curve is not a finite number. Type another value "
        "and press \"Update\".");
  }
  std::array<double, 101> curveT{};
  std::array<double, 101> curveMag{};
  const double start = s.RelTime[s.FourierLeftIdx];
  const double step = (s.RelTime[s.FourierRightIdx] - start) / 100;
  for (int g = 0; g <= 100; ++g) {
    curveT[g] = start + step * g;
    double mag = s.FitParam[2];
    for (int k = 1; k <= 5; ++k) {
      mag += (std::cos(k * s.FitParam[3] * (curveT[g] - s.FitParam[1])) - 1) * s.FitParam[k + 3];
    }
    if (!std::isfinite(mag)) {
      return Refuse(
          "The Fourier curve of these parameters runs out of range. Type other values "
          "and press \"Update\".");
    }
    curveMag[g] = mag;
  }
  s.CurveT = curveT;
  s.CurveMag = curveMag;
  return {};
}

}  // namespace vantor
