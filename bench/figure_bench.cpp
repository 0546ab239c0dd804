// Benchmarks of "Export figure...": the parabola window's figure of a
// 1000-point eclipse written as SVG and as PDF. Written to /dev/null (the
// output-file rules write it in place) the case measures making the
// document; written to a file it adds the temporary file, its flush to disk
// and the rename.
#include <benchmark/benchmark.h>

#include <QPainter>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>

#include "core/reader.h"
#include "core/store.h"
#include "toolkit/figure_export.h"
#include "windows/plot_figure.h"
#include "windows/plot_windows.h"
#include "window_bench.h"

namespace {

using vantor::bench::NoRows;

// The figure of the parabola window drawn over a 1000-point eclipse dip.
vantor::Figure ThousandPointFigure() {
  // Numbers by to_chars: the application has set the user's locale by now.
  std::string text = "HJD,V-C\n";
  char number[32];
  const auto append = [&](double v, int digits, char end) {
    const auto done =
        std::to_chars(number, number + sizeof number, v, std::chars_format::fixed, digits);
    text.append(number, done.ptr);
    text += end;
  };
  for (int i = 0; i < 1000; ++i) {
    const double t = 0.3 + 0.0003 * i;
    append(2459000 + t, 6, ',');
    append(0.3 + 0.8 * std::exp(-std::pow((t - 0.45) / 0.04, 2)) + 0.004 * std::sin(i * 1.7), 4,
           '\n');
  }
  auto store = std::make_unique<vantor::Store>();
  vantor::ReadLightCurveText(*store, text);
  store->DataFileName = "bench.csv";
  NoRows rows;
  vantor::FrmPlott1 window(*store, rows);
  window.Redraw();
  return window.MakeFigure();
}

void Export(benchmark::State& state, vantor::FigureFormat format, const QString& path) {
  const vantor::Figure figure = ThousandPointFigure();
  const vantor::FigureRequest request{path, format, {}};
  for (auto _ : state) {
    const QString failed = vantor::WriteFigure(
        request, QStringLiteral("bench.csv"),
        [&](QPainter& painter, const QSizeF&) { vantor::PaintFigure(painter, figure); });
    if (!failed.isEmpty()) {
      state.SkipWithError(failed.toStdString().c_str());
      break;
    }
  }
  state.counters["primitives"] = static_cast<double>(figure.drawing.Primitives().size());
  if (format == vantor::FigureFormat::Svg) {
    const QByteArray svg =
        vantor::SvgFigure(QSizeF(figure.widthTwips, figure.heightTwips), QString(),
                          [&](QPainter& p, const QSizeF&) { vantor::PaintFigure(p, figure); });
    state.counters["bytes"] = static_cast<double>(svg.size());
  }
}

void BM_FigureSvg(benchmark::State& state) {
  Export(state, vantor::FigureFormat::Svg, QStringLiteral("/dev/null"));
}
BENCHMARK(BM_FigureSvg)->Unit(benchmark::kMillisecond);

void BM_FigurePdf(benchmark::State& state) {
  Export(state, vantor::FigureFormat::Pdf, QStringLiteral("/dev/null"));
}
BENCHMARK(BM_FigurePdf)->Unit(benchmark::kMillisecond);

void BM_FigureSvgToFile(benchmark::State& state) {
  QTemporaryDir dir;
  Export(state, vantor::FigureFormat::Svg, dir.filePath(QStringLiteral("figure.svg")));
}
BENCHMARK(BM_FigureSvgToFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vantor::bench::RunWindowBenchmarks(argc, argv); }
