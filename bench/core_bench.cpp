// Benchmarks of the core: loading a 1000-line light curve and formatting.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/format.h"
#include "core/reader.h"

namespace {

std::string ThousandLines() {
  std::string text = "HJD,V-C,err\r\n";
  char line[80];
  for (int i = 0; i < 1000; ++i) {
    const double t = 2458739.5 + 0.0005 * i;
    const double m = 0.05 + 0.4 * std::exp(-std::pow((t - 2458739.75) / 0.03, 2));
    std::snprintf(line, sizeof line, "%.6f,%.4f,0.002\r\n", t, m);
    text += line;
  }
  return text;
}

void BM_ReadLightCurve1000(benchmark::State& state) {
  const std::string text = ThousandLines();
  auto store = std::make_unique<vantor::Store>();
  for (auto _ : state) {
    const auto st = vantor::ReadLightCurveText(*store, text);
    benchmark::DoNotOptimize(st);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ReadLightCurve1000);

void BM_FormatFixedHjd(benchmark::State& state) {
  double v = 2458739.9291169;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vantor::FormatFixed(v, 14, 5));
    v += 1e-7;
  }
}
BENCHMARK(BM_FormatFixedHjd);

void BM_FormatFixedScientific(benchmark::State& state) {
  double v = 1.5e9;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vantor::FormatFixed(v, 8, 3));
    v += 1;
  }
}
BENCHMARK(BM_FormatFixedScientific);

}  // namespace
