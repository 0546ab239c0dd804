// Benchmarks of the plot renderers: one full redraw of each window for a
// 1000-point light curve into a DrawingList (a RecordingPlotWindow of 7200 x
// 5400 twips), as a resize or a button press would cause it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "core/plot_window.h"
#include "core/reader.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"
#include "plot/renderers.h"

namespace {

// A 1000-point eclipse dip, one point every 0.0005 day, faintest in the middle.
std::unique_ptr<vantor::Store> ThousandPointDip() {
  std::string text;
  char line[64];
  for (int i = 0; i < 1000; ++i) {
    const double t = 0.5 + 0.0005 * i;
    const double m = 0.05 + 0.4 * std::exp(-std::pow((t - 0.7502) / 0.03, 2));
    std::snprintf(line, sizeof line, "%.6f,%.4f\n", 2458739 + t, m);
    text += line;
  }
  auto s = std::make_unique<vantor::Store>();
  vantor::ReadLightCurveText(*s, text);
  vantor::StartTracing(*s);
  return s;
}

template <class Render>
void RunRenderer(benchmark::State& state, Render render) {
  auto s = ThousandPointDip();
  vantor::RecordingPlotWindow window(7200, 5400);
  for (auto _ : state) {
    render(*s, window);
    benchmark::DoNotOptimize(window.List().Primitives().data());
  }
  state.counters["primitives"] = static_cast<double>(window.List().Primitives().size());
  state.SetItemsProcessed(state.iterations() * s->NPoints);
}

void BM_PlotParabola(benchmark::State& state) { RunRenderer(state, vantor::PlotParabola); }
void BM_PlotChords(benchmark::State& state) { RunRenderer(state, vantor::PlotChords); }
void BM_PlotKwee(benchmark::State& state) { RunRenderer(state, vantor::PlotKwee); }
void BM_PlotFourier(benchmark::State& state) { RunRenderer(state, vantor::PlotFourier); }
void BM_PlotTracingPaper(benchmark::State& state) {
  RunRenderer(state, [](vantor::Store& s, vantor::PlotWindow& w) {
    return vantor::PlotTracingPaper(s, w);
  });
}
void BM_PlotLightCurve(benchmark::State& state) { RunRenderer(state, vantor::PlotLightCurve); }

BENCHMARK(BM_PlotParabola);
BENCHMARK(BM_PlotChords);
BENCHMARK(BM_PlotKwee);
BENCHMARK(BM_PlotFourier);
BENCHMARK(BM_PlotTracingPaper);
BENCHMARK(BM_PlotLightCurve);

}  // namespace
