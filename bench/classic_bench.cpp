// Benchmarks of the three classic timing methods (parabolic fit, bisected
// chords, Kwee and van Woerden) on a synthetic eclipse of 1000 points, and
// Kwee and van Woerden on 10^4 and 10^5 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "core/curve.h"
#include "core/store.h"
#include "methods/chords.h"
#include "methods/kwee.h"
#include "methods/parabola.h"

namespace {

// 1000 points every 0.0002 d from 0.35 d, a Gaussian eclipse of depth 0.8
// mag and width 0.03 d at 0.4503 d, Gaussian noise of 0.003 mag (seed 1956).
std::unique_ptr<vantor::Store> SyntheticEclipse() {
  auto s = std::make_unique<vantor::Store>();
  std::mt19937 rng(1956);
  std::normal_distribution<double> noise(0.0, 0.003);
  s->NPoints = 1000;
  for (int i = 1; i <= 1000; ++i) {
    const double t = 0.35 + 0.0002 * (i - 1);
    const double u = (t - 0.4503) / 0.03;
    s->RelTime[i] = t;
    s->Mag[i] = 0.1 + 0.8 * std::exp(-u * u) + noise(rng);
  }
  return s;
}

void BM_FitParabola1000(benchmark::State& state) {
  const auto s = SyntheticEclipse();
  if (!vantor::FitParabola(*s, 300, 700)) state.SkipWithError("refused");
  for (auto _ : state) {
    auto fit = vantor::FitParabola(*s, 300, 700);  // the bottom, +-0.04 d
    benchmark::DoNotOptimize(fit);
  }
}
BENCHMARK(BM_FitParabola1000)->Unit(benchmark::kMicrosecond);

void BM_FitParabolaWhole1000(benchmark::State& state) {
  const auto s = SyntheticEclipse();
  if (!vantor::FitParabola(*s, 1, 1000)) state.SkipWithError("refused");
  for (auto _ : state) {
    auto fit = vantor::FitParabola(*s, 1, 1000);
    benchmark::DoNotOptimize(fit);
  }
}
BENCHMARK(BM_FitParabolaWhole1000)->Unit(benchmark::kMicrosecond);

void BM_BisectChords1000(benchmark::State& state) {
  const auto s = SyntheticEclipse();
  if (!vantor::BisectChords(*s, 200, 480, 520, 800)) state.SkipWithError("refused");
  for (auto _ : state) {
    // Both branches from 0.015 mag above the base (five times the noise) to
    // near the bottom: 562 chords.
    auto r = vantor::BisectChords(*s, 200, 480, 520, 800);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_BisectChords1000)->Unit(benchmark::kMicrosecond);

void BM_KweeVanWoerden1000(benchmark::State& state) {
  auto s = SyntheticEclipse();
  if (!vantor::KweeVanWoerden(*s, 50, 950, vantor::KvwParams{1, 0.9})) state.SkipWithError("refused");
  for (auto _ : state) {
    auto r = vantor::KweeVanWoerden(*s, 50, 950, vantor::KvwParams{1, 0.9});  // 901 points, 1621 samples
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_KweeVanWoerden1000)->Unit(benchmark::kMicrosecond);

void BM_KvwResample1000(benchmark::State& state) {
  auto s = SyntheticEclipse();
  for (auto _ : state) {
    auto samples = vantor::KvwResample(*s, 50, 950, 811);
    benchmark::DoNotOptimize(samples.KvwMag[811]);
  }
}
BENCHMARK(BM_KvwResample1000)->Unit(benchmark::kMicrosecond);

// The same eclipse sampled at n points over the same 0.2 d (a light curve of
// any length, as the command line and the Python module time it).
vantor::Curve LongEclipse(int n) {
  vantor::Curve c;
  std::mt19937 rng(1956);
  std::normal_distribution<double> noise(0.0, 0.003);
  for (int i = 0; i < n; ++i) {
    const double t = 0.35 + 0.2 * i / n;
    const double u = (t - 0.4503) / 0.03;
    c.RelTime.push_back(t);
    c.Mag.push_back(0.1 + 0.8 * std::exp(-u * u) + noise(rng));
  }
  return c;
}

// Kwee and van Woerden over points n/20..n - n/20 of n: 10^4 and 10^5.
void BM_KweeVanWoerdenLong(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const vantor::Curve c = LongEclipse(n);
  const vantor::CurveView view = c.View();
  const int first = n / 20, last = n - n / 20;
  if (!vantor::KweeVanWoerden(view, first, last, vantor::KvwParams{1, 0.9})) {
    state.SkipWithError("refused");
  }
  for (auto _ : state) {
    auto r = vantor::KweeVanWoerden(view, first, last, vantor::KvwParams{1, 0.9});
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_KweeVanWoerdenLong)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
