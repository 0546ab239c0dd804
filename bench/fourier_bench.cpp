// Speed of the Fourier fit on 1000 points: a typical fit, the longest fit the
// stopping rule allows (503 solver calls), and the cost of 503 solver calls
// that each evaluate the model at every point, which bounds any fit; and a
// typical fit of longer light curves than the desktop holds.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/curve.h"
#include "methods/fourier.h"
#include "methods/marquardt.h"

namespace {

using vantor::Curve;
using vantor::FitAFromFitParam;
using vantor::FitFourier;
using vantor::FourierSetup;

constexpr int kPoints = 1000;
// Display order: Xo, C, W, A1..A5 of the eclipse the data are made from.
constexpr std::array<double, 9> kTruth{0, 0.5, 0.7, 40.0, 0.3, 0.1, 0.05, 0.02, 0.01};

// n points over 0.42..0.58 day from the model at kTruth, with a
// deterministic scatter of +-noise magnitudes (linear congruential sequence,
// seed 2024).
Curve EclipseCurve(double noise, int n = kPoints) {
  Curve c;
  const vantor::ParamVector p = FitAFromFitParam(kTruth);
  unsigned state = 2024;
  c.RelTime.resize(n + 1);
  c.Mag.resize(n + 1);
  for (int i = 1; i <= n; ++i) {
    c.RelTime[i] = 0.42 + 0.16 * (i - 1) / (n - 1);
    state = state * 1664525u + 1013904223u;
    c.Mag[i] = vantor::FourierModel(c.RelTime[i], p).y +
               noise * (static_cast<double>(state) / 4294967296.0 - 0.5);
  }
  return c;
}

// The whole series selected, from `start`.
FourierSetup WholeRange(const Curve& c, const std::array<double, 9>& start) {
  return FourierSetup{{1, c.NPoints()}, std::nullopt, start};
}

void RunFits(benchmark::State& state, const Curve& c, const FourierSetup& setup) {
  const vantor::CurveView view = c.View();
  int calls = 0;
  for (auto _ : state) {
    const auto r = FitFourier(view, setup);
    if (!r) {
      state.SkipWithError(r.error().message.c_str());
      return;
    }
    calls = r->calls;
    benchmark::DoNotOptimize(r->minimum.rel_time);
  }
  state.counters["solver_calls"] = calls;
}

// A start 0.002 day and 10 per cent in frequency off the truth.
std::array<double, 9> TypicalStart() {
  std::array<double, 9> start = kTruth;
  start[1] += 0.002;
  start[3] *= 1.1;
  for (int k = 5; k <= 8; ++k) start[k] = 0;
  return start;
}

// A noisy eclipse fitted from a start 0.002 day and 10 per cent in frequency
// off: the fit stops after a handful of calls.
void BM_FourierFitTypical(benchmark::State& state) {
  const Curve c = EclipseCurve(0.02);
  RunFits(state, c, WholeRange(c, TypicalStart()));
}
BENCHMARK(BM_FourierFitTypical)->Unit(benchmark::kMillisecond);

// The same fit of longer nights than the desktop holds (2500 and 10 000
// points over the same span).
void BM_FourierFitLongCurve(benchmark::State& state) {
  const Curve c = EclipseCurve(0.02, static_cast<int>(state.range(0)));
  RunFits(state, c, WholeRange(c, TypicalStart()));
}
BENCHMARK(BM_FourierFitLongCurve)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond);

// Started on the exact solution of a noise-free eclipse: every step has zero
// length and an equal chi-square, so the stopping rule never holds and the
// fit makes 1 + 501 + 1 = 503 calls (checked before timing). After about 320
// accepted steps the damping factor underflows to 0, and the remaining
// iterations only invert the curvature matrix.
void BM_FourierFitFullIterations(benchmark::State& state) {
  const Curve c = EclipseCurve(0.0);
  const FourierSetup setup = WholeRange(c, kTruth);
  const auto r = FitFourier(c.View(), setup);
  if (!r || r->calls != 503) {
    std::fprintf(stderr, "worst case setup: expected 503 solver calls, got %d\n",
                 r ? r->calls : -1);
    std::abort();
  }
  RunFits(state, c, setup);
}
BENCHMARK(BM_FourierFitFullIterations)->Unit(benchmark::kMillisecond);

// 503 solver calls on 1000 points in which every call evaluates the model at
// every point (one start with its two evaluations, 501 iterations with the
// damping factor held at 0.001, so that it neither underflows nor stops
// the trial, and the final call with its point-by-point curvature): the most
// work a fit can do.
void BM_Fourier503EvaluatingCalls(benchmark::State& state) {
  const Curve c = EclipseCurve(0.02);
  const std::vector<double> sigma(kPoints + 1, vantor::kFourierPointSigma);
  vantor::ParamVector params = FitAFromFitParam(kTruth);
  const vantor::MarquardtProblem problem{c.RelTime, c.Mag, sigma, kPoints};
  const vantor::MarquardtOptions options;  // all 8 parameters, in order
  for (auto _ : state) {
    vantor::MarquardtState st;
    st.Params = params;
    vantor::MarquardtStep(problem, options, st);
    for (int call = 0; call < vantor::kFourierMaxIterations; ++call) {
      st.Lambda = 0.001;
      vantor::MarquardtStep(problem, options, st);
    }
    // The final call as the fit makes it: the curvature summed point by point
    // in both orders, each inverted.
    const vantor::FourierFinish finish = vantor::FinishFourierFit(problem, options, st);
    benchmark::DoNotOptimize(finish.reversedError);
    benchmark::DoNotOptimize(st.Covariance[8][8]);
  }
}
BENCHMARK(BM_Fourier503EvaluatingCalls)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// Scaling: one solver call that evaluates the model and its curvature at n
// points (n up to 10 000: the engine takes spans).
void BM_FourierCurvatureScaling(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const vantor::ParamVector p = FitAFromFitParam(kTruth);
  std::vector<double> t(n + 1), y(n + 1), sigma(n + 1, 0.01);
  for (int i = 1; i <= n; ++i) {
    t[i] = 0.42 + 0.16 * (i - 1) / (n - 1);
    y[i] = vantor::FourierModel(t[i], p).y + 0.001 * std::sin(7.0 * i);
  }
  const vantor::ParamList lista{0, 1, 2, 3, 4, 5, 6, 7, 8};
  for (auto _ : state) {
    vantor::Matrix8 curv{};
    vantor::ParamVector grad{};
    double chiSq = 0;
    vantor::CurvatureAndGradient(t, y, sigma, n, p, lista, vantor::kFourierParams, curv, grad,
                                 chiSq);
    benchmark::DoNotOptimize(chiSq);
  }
}
BENCHMARK(BM_FourierCurvatureScaling)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
