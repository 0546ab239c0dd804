// Speed of the bootstrap on a 1000-point eclipse: the smooth model alone, and
// 200 resampled light curves for each of the five computed methods on their
// automatic ranges (what `vantor-cli time --auto --bootstrap 200` and the
// Bootstrap tool do), with the model made once for all five or, as a
// comparison, once per method.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "core/store.h"
#include "methods/auto_ranges.h"
#include "methods/bootstrap.h"
#include "methods/time_method.h"

namespace {

using vantor::MethodSetup;
using vantor::Store;

// n points over 0.2 d, a Gaussian eclipse of depth 0.8 mag and width 0.03 d
// in the middle, Gaussian noise of 0.003 mag (seed 1956), limits computed,
// as loaded from a file of two columns.
std::unique_ptr<Store> SyntheticEclipse(int n) {
  auto s = std::make_unique<Store>();
  std::mt19937 rng(1956);
  std::normal_distribution<double> noise(0.0, 0.003);
  s->NPoints = n;
  for (int i = 1; i <= n; ++i) {
    const double t = 0.35 + 0.2 * (i - 1) / (n - 1);
    const double u = (t - 0.4503) / 0.03;
    s->RelTime[i] = t;
    s->Mag[i] = 0.1 + 0.8 * std::exp(-u * u) + noise(rng);
  }
  vantor::ComputeRanges(*s);
  return s;
}

// The five computed methods on their automatic ranges, each as its timing
// delivered it (a Fourier fit starts from the parameters it fitted).
std::vector<MethodSetup> AutomaticSetups(const Store& s) {
  const auto ranges = vantor::ChooseAutoRanges(s);
  if (!ranges) {
    std::fprintf(stderr, "automatic ranges refused: %s\n", ranges.error().message.c_str());
    std::abort();
  }
  std::vector<MethodSetup> setups;
  for (const auto& setup : {vantor::AutoParabolaSetup(*ranges), vantor::AutoChordsSetup(*ranges),
                            vantor::AutoKvwSetup(*ranges), vantor::AutoFourierSetup(*ranges),
                            vantor::MethodResult<MethodSetup>(vantor::SlidingSetup{})}) {
    if (!setup) {
      std::fprintf(stderr, "no automatic setup: %s\n", setup.error().message.c_str());
      continue;
    }
    const auto timing = vantor::TimeMethod(s, *setup);
    if (!timing) std::fprintf(stderr, "refused: %s\n", timing.error().message.c_str());
    if (timing) setups.push_back(vantor::BootstrapSetup(*setup, *timing));
  }
  if (setups.size() != 5) {
    std::fprintf(stderr, "expected five delivering methods, got %zu\n", setups.size());
    std::abort();
  }
  return setups;
}

void BM_SmoothEclipse(benchmark::State& state) {
  const auto s = SyntheticEclipse(static_cast<int>(state.range(0)));
  int span = 0;
  for (auto _ : state) {
    const auto model = vantor::SmoothEclipse(*s);
    if (!model) {
      state.SkipWithError(model.error().message.c_str());
      return;
    }
    span = model->span;
    benchmark::DoNotOptimize(model->rms);
  }
  state.counters["span"] = span;
}
BENCHMARK(BM_SmoothEclipse)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// 200 curves for each of the five methods, one smooth model for all.
void BM_Bootstrap200AllMethods(benchmark::State& state) {
  const auto s = SyntheticEclipse(1000);
  const auto setups = AutomaticSetups(*s);
  for (auto _ : state) {
    const auto results = vantor::BootstrapErrorsOfAll(*s, setups, 200);
    for (const auto& r : results) {
      if (!r) {
        state.SkipWithError(r.error().message.c_str());
        return;
      }
    }
    benchmark::DoNotOptimize(results.front()->error);
  }
}
BENCHMARK(BM_Bootstrap200AllMethods)->Unit(benchmark::kMillisecond);

// The same with a smooth model made for each method, as before the model was shared.
void BM_Bootstrap200AllMethodsModelEach(benchmark::State& state) {
  const auto s = SyntheticEclipse(1000);
  const auto setups = AutomaticSetups(*s);
  for (auto _ : state) {
    for (const auto& setup : setups) {
      const auto r = vantor::BootstrapErrors(*s, setup, 200);
      if (!r) {
        state.SkipWithError(r.error().message.c_str());
        return;
      }
      benchmark::DoNotOptimize(r->error);
    }
  }
}
BENCHMARK(BM_Bootstrap200AllMethodsModelEach)->Unit(benchmark::kMillisecond);

}  // namespace
