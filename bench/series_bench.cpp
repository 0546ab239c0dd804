// Benchmarks of every eclipse of a long series: 20 eclipses in 20 000 points
// (target under 50 ms of CPU) and 100 000 points (target under 0.5 s), each
// window timed by every method on automatic ranges. And the peak memory of a
// series whose ephemeris predicts many windows (2 million are refused before
// anything is allocated; kMaxSeriesRows are timed): target at most three
// times the input plus 64 MiB.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
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

// The peak resident memory, in bytes, of a child process that runs `work`
// (its own peak, apart from the benchmark's), or -1 when the child fails.
template <class Work>
double ChildPeakBytes(const Work& work) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  return static_cast<double>(usage.ru_maxrss) * 1024;  // ru_maxrss is in KiB
}

// n points over one day, timed with a period that predicts `rows` minima
// (primaries and secondaries): 2 000 000 is refused at once, kMaxSeriesRows
// (windows of one or two points each, every one refused) is the most one run
// builds. Counters: the child's peak resident memory, the input (times and
// magnitudes) and the bound of three times the input plus 64 MiB, in MiB.
void BM_SeriesManyWindowsPeakMemory(benchmark::State& state) {
  const double rows = static_cast<double>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  std::vector<double> t, m;
  Series(n, 0, t, m);
  vantor::SeriesOptions o;
  o.ephemeris = {t.front() + 1e-7, 2 * (t.back() - t.front()) / rows};
  o.secondaryPhase = 0.5;
  o.halfWidth = o.ephemeris.period / 40;  // a few points a window: each one refused
  const bool refused = rows > vantor::kMaxSeriesRows;
  double peak = 0;
  for (auto _ : state) {
    peak = ChildPeakBytes([&] {
      const auto r = vantor::TimeSeries(t, m, o);
      return r.has_value() != refused;
    });
    if (peak < 0) {
      state.SkipWithError("the series was not refused or timed as expected");
      break;
    }
  }
  constexpr double kMiB = 1024.0 * 1024.0;
  const double input = 2.0 * sizeof(double) * n / kMiB;
  state.counters["peak_MiB"] = peak / kMiB;
  state.counters["input_MiB"] = input;
  state.counters["bound_MiB"] = 3 * input + 64;
}
BENCHMARK(BM_SeriesManyWindowsPeakMemory)
    ->Args({2000000, 20000})
    ->Args({vantor::kMaxSeriesRows, 20000})
    ->Args({vantor::kMaxSeriesRows, 1000000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
