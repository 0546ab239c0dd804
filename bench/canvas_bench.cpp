// Benchmarks of a full redraw on screen: each renderer on 1000 points drawing
// into the Canvas of its window, then the canvas painted into an image of the
// window's default size, as a repaint does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/reader.h"
#include "core/store.h"
#include "methods/tracing.h"
#include "toolkit/canvas.h"
#include "toolkit/twips.h"
#include "windows/plot_windows.h"
#include "windows/result_rows.h"

namespace {

class NoRows : public vantor::ResultRows {
 public:
  void DeliverResult(int, const vantor::Timing&, const vantor::MethodSetup&) override {}
  void ClearResult(int) override {}
  void SetUseInMean(int, bool) override {}
};

std::string Eclipse1000() {
  std::string text = "HJD,V-C\n";
  char line[64];
  for (int i = 0; i < 1000; ++i) {
    const double t = 2459000.3 + 0.0003 * i;
    const double u = std::fabs(t - 2459000.45) / 0.1;
    const double m = 0.3 + (u < 1 ? 0.8 * std::pow(1 - u * u, 1.5) : 0.0) + 0.004 * std::sin(i * 1.7);
    std::snprintf(line, sizeof line, "%.6f,%.4f\n", t, m);
    text += line;
  }
  return text;
}

struct Fixture {
  Fixture() {
    vantor::ReadLightCurveText(*store, Eclipse1000());
    store->DataFileName = "bench.csv";
    vantor::StartTracing(*store);
  }
  std::unique_ptr<vantor::Store> store = std::make_unique<vantor::Store>();
  NoRows rows;
};

template <class Window>
void Redraw(benchmark::State& state, Window& window) {
  window.Redraw();  // shows the window and lays it out once
  QImage image(window.Drawing().size(), QImage::Format_RGB32);
  const double scale = vantor::PixelsPerTwip();
  for (auto _ : state) {
    window.Drawing().Cls();
    window.Redraw();
    QPainter painter(&image);
    vantor::PaintDrawing(painter, window.Drawing(), scale);
  }
  state.counters["primitives"] = static_cast<double>(window.Drawing().Primitives().size());
}

void BM_RedrawParabola(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott1 w(*f.store, f.rows);
  Redraw(state, w);
}
BENCHMARK(BM_RedrawParabola)->Unit(benchmark::kMillisecond);

void BM_RedrawTracingPaper(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott2 w(*f.store, f.rows);
  Redraw(state, w);
}
BENCHMARK(BM_RedrawTracingPaper)->Unit(benchmark::kMillisecond);

void BM_RedrawChords(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott3 w(*f.store, f.rows);
  Redraw(state, w);
}
BENCHMARK(BM_RedrawChords)->Unit(benchmark::kMillisecond);

void BM_RedrawKwee(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott4 w(*f.store, f.rows);
  Redraw(state, w);
}
BENCHMARK(BM_RedrawKwee)->Unit(benchmark::kMillisecond);

void BM_RedrawFourier(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott5 w(*f.store, f.rows);
  Redraw(state, w);
}
BENCHMARK(BM_RedrawFourier)->Unit(benchmark::kMillisecond);

void BM_RedrawPointEditor(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlotData w(*f.store);
  w.ShowModeless();
  Redraw(state, w);
}
BENCHMARK(BM_RedrawPointEditor)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
