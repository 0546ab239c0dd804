// Benchmarks of every eclipse of a long series: 20 eclipses in 20 000 points
// (target under 50 ms of CPU) and 100 000 points (target under 0.5 s), each
// window timed by every method on automatic ranges.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "methods/bootstrap.h"
#include "series/series.h"

namespace {

// n points evenly spread over `cycles` periods of 1.1 d of a binary whose
// primary is 0.6 mag deep and 0.05 d in half-width, with 3 mmag of seeded noise.
void Series(int n, int cycles, std::vector<double>& t, std::vector<double>& m) {
  constexpr double kEpoch = 2459000.2, kPeriod = 1.1;
  vantor::BootstrapRng rng(7);
  t.resize(n);
  m.resize(n);
  for (int i = 0; i < n; ++i) {
    t[i] = kEpoch - 0.3 + (cycles * kPeriod + 0.6) * i / (n - 1);
    const double c = std::round((t[i] - kEpoch) / kPeriod);
    const double u = std::fabs(t[i] - (kEpoch + c * kPeriod)) / 0.05;
    m[i] = 10 + (u < 1 ? 0.6 * std::pow(1 - u * u, 1.5) : 0.0) + 0.003 * rng.Gauss();
  }
}

void BM_TimeSeries(benchmark::State& state) {
  std::vector<double> t, m;
  Series(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), t, m);
  vantor::SeriesOptions o;
  o.ephemeris = {2459000.2, 1.1};
  int delivered = 0, minima = 0;
  for (auto _ : state) {
    const auto r = vantor::TimeSeries(t, m, o);
    if (!r) {
      state.SkipWithError(r.error().message.c_str());
      break;
    }
    minima = static_cast<int>(r->rows.size());
    delivered = 0;
    for (const auto& row : r->rows) delivered += row.time.has_value() ? 1 : 0;
    benchmark::DoNotOptimize(r);
  }
  state.counters["minima"] = minima;
  state.counters["timed"] = delivered;
}
BENCHMARK(BM_TimeSeries)
    ->Args({20000, 19})   // 20 minima
    ->Args({100000, 99})  // 100 minima
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
