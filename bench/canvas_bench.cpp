// Benchmarks of a full redraw on screen: each renderer on 1000 points drawing
// into the Canvas of its window, then the canvas painted into an image of the
// window's default size, as a repaint does; a repaint alone; one step of the
// tracing paper's scroll bar. Each at device pixel ratios 1 and 2.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>

#include "core/reader.h"
#include "core/store.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"
#include "toolkit/canvas.h"
#include "toolkit/twips.h"
#include "windows/plot_windows.h"
#include "window_bench.h"

namespace {

using vantor::bench::NoRows;

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

// An image of the canvas's size at a device pixel ratio (1 for a common
// screen, 2 for a high-density one), as the window's backing store would be.
QImage ScreenImage(const QSize& size, double ratio) {
  QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  return image;
}

// One redraw as the windows do it: the renderer draws the window afresh into
// its canvas, and the canvas is painted; or, with redraw false, a repaint
// alone (the window uncovered, nothing redrawn): the canvas painted.
template <class Window>
void Paint(benchmark::State& state, Window& window, bool redraw) {
  window.Redraw();  // shows the window and lays it out once
  QImage image = ScreenImage(window.Drawing().size(), static_cast<double>(state.range(0)));
  const double scale = vantor::PixelsPerTwip();
  for (auto _ : state) {
    if (redraw) {
      window.Drawing().Cls();
      window.Redraw();
    }
    QPainter painter(&image);
    vantor::PaintDrawing(painter, window.Drawing(), scale);
  }
  state.counters["primitives"] = static_cast<double>(window.Drawing().Primitives().size());
}

// The arguments of every screen benchmark: the device pixel ratio.
void Ratios(benchmark::internal::Benchmark* b) { b->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond); }

// A full redraw of one window over the fixture's 1000 points; the point
// editor, which has no result rows, shown first as the main window shows it.
template <class Window>
void BM_Redraw(benchmark::State& state) {
  Fixture f;
  if constexpr (std::is_same_v<Window, vantor::FrmPlotData>) {
    Window w(*f.store);
    w.ShowModeless();
    Paint(state, w, true);
  } else {
    Window w(*f.store, f.rows);
    Paint(state, w, true);
  }
}
BENCHMARK_TEMPLATE(BM_Redraw, vantor::FrmPlott1)->Name("BM_RedrawParabola")->Apply(Ratios);
BENCHMARK_TEMPLATE(BM_Redraw, vantor::FrmPlott2)->Name("BM_RedrawTracingPaper")->Apply(Ratios);
BENCHMARK_TEMPLATE(BM_Redraw, vantor::FrmPlott3)->Name("BM_RedrawChords")->Apply(Ratios);
BENCHMARK_TEMPLATE(BM_Redraw, vantor::FrmPlott4)->Name("BM_RedrawKwee")->Apply(Ratios);
BENCHMARK_TEMPLATE(BM_Redraw, vantor::FrmPlott5)->Name("BM_RedrawFourier")->Apply(Ratios);
BENCHMARK_TEMPLATE(BM_Redraw, vantor::FrmPlotData)->Name("BM_RedrawPointEditor")->Apply(Ratios);

// A repaint alone: the parabola window's drawing of 1000 dot marks painted
// into the screen image.
void BM_RepaintParabola(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott1 w(*f.store, f.rows);
  Paint(state, w, false);
}
BENCHMARK(BM_RepaintParabola)->Apply(Ratios);

// One step of the tracing paper's scroll bar, as dragging it with the mouse
// does: the fold moves by one unit (back and forth), the window redraws and
// times the fold, and the canvas with its controls (scroll bar, buttons,
// labels) is painted. At 60 frames a second a step has 16.7 ms.
void BM_TracingScrollStep(benchmark::State& state) {
  Fixture f;
  vantor::FrmPlott2 w(*f.store, f.rows);
  w.Redraw();
  QImage image = ScreenImage(w.Drawing().size(), static_cast<double>(state.range(0)));
  const int centre = w.HScroll1->value();
  int step = 0;
  for (auto _ : state) {
    w.HScroll1->setValue(centre + (step++ % 2 == 0 ? 1 : -1));
    w.Drawing().render(&image);
  }
  state.counters["primitives"] = static_cast<double>(w.Drawing().Primitives().size());
}
BENCHMARK(BM_TracingScrollStep)->Apply(Ratios);

}  // namespace

int main(int argc, char** argv) { return vantor::bench::RunWindowBenchmarks(argc, argv); }
