// Benchmarks of sliding integrations and of the tracing paper's smoothing on a
// light curve of 1000 points (the program's capacity). Target: each well under
// 100 microseconds, so that a button press feels instant.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "core/store.h"
#include "methods/sliding.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"

namespace {

// A Gaussian eclipse of depth 0.4 mag at 0.75 day, sampled every 0.0005 day,
// with a deterministic ripple standing in for noise.
std::unique_ptr<vantor::Store> ThousandPoints() {
  auto s = std::make_unique<vantor::Store>();
  s->NPoints = 1000;
  for (int i = 1; i <= 1000; ++i) {
    const double t = 0.5 + 0.0005 * (i - 1);
    s->RelTime[i] = t;
    s->Mag[i] = 0.05 + 0.4 * std::exp(-std::pow((t - 0.75) / 0.03, 2)) + 0.002 * std::sin(7.0 * i);
  }
  vantor::ComputeRanges(*s);
  s->HjdBase = 2458739;
  return s;
}

void BM_SlidingIntegrations1000(benchmark::State& state) {
  const auto s = ThousandPoints();
  for (auto _ : state) {
    const auto r = vantor::RunSlidingIntegrations(*s);
    if (!r) state.SkipWithError(r.error().message.c_str());
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SlidingIntegrations1000)->Unit(benchmark::kMicrosecond);

// "Go" and the four presses of "Smooth" (3, 5, 7 and 9 points).
void BM_TracingSmoothAllWidths1000(benchmark::State& state) {
  const auto s = ThousandPoints();
  for (auto _ : state) {
    s->SmoothLevel = 1;
    vantor::StartTracing(*s);
    for (int k = 0; k < 4; ++k) benchmark::DoNotOptimize(vantor::SmoothStep(*s));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_TracingSmoothAllWidths1000)->Unit(benchmark::kMicrosecond);

// One press of "Smooth" at the widest average, the dearest single press.
void BM_TracingSmoothNinePoint1000(benchmark::State& state) {
  const auto s = ThousandPoints();
  vantor::StartTracing(*s);
  for (auto _ : state) {
    s->SmoothLevel = 7;
    benchmark::DoNotOptimize(vantor::SmoothStep(*s));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_TracingSmoothNinePoint1000)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// The same eclipse shape at n points (n up to 10 000: the method's core takes
// spans, so the store's 1000-point limit does not apply), 0.003 mag noise.
struct Series {
  std::vector<double> T, Y;
};

Series EclipseSeries(int n) {
  Series s{std::vector<double>(n + 1), std::vector<double>(n + 1)};
  std::mt19937 rng(1956);
  std::normal_distribution<double> noise(0.0, 0.003);
  for (int i = 1; i <= n; ++i) {
    s.T[i] = 0.35 + 0.2 * (i - 1) / (n - 1);
    const double u = (s.T[i] - 0.4503) / 0.03;
    s.Y[i] = 0.1 + 0.8 * std::exp(-u * u) + noise(rng);
  }
  return s;
}

// Scaling: sliding integrations on the whole series.
void BM_SlidingScaling(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Series s = EclipseSeries(n);
  for (auto _ : state) {
    auto r = vantor::SlidingIntegrations(s.T, s.Y, n);
    if (!r) {
      state.SkipWithError(r.error().message.c_str());
      return;
    }
    benchmark::DoNotOptimize(r->minimum.rel_time);
  }
}
BENCHMARK(BM_SlidingScaling)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The same with every window position summed literally (ComputeAreaDiff),
// the method's work before the running sums: O(n^2).
void BM_SlidingScalingLiteral(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Series s = EclipseSeries(n);
  for (auto _ : state) {
    std::vector<double> GridT, GridMag, AreaDiff;
    double h = 0;
    const int m = vantor::ResampleUniform(s.T, s.Y, n, GridT, GridMag, h);
    vantor::ComputeAreaDiff(GridMag, m, h, AreaDiff);
    auto r = vantor::SolveAreaDiff(GridT, AreaDiff, n, m, h);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_SlidingScalingLiteral)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
