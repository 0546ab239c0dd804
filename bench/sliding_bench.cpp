// Benchmarks of sliding integrations and of the tracing paper's smoothing on a
// light curve of 1000 points (the program's capacity). Target: each well under
// 100 microseconds, so that a button press feels instant.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "core/store.h"
#include "methods/sliding.h"
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
