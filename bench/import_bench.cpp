// Benchmarks of the importer on long series of 100 000 observations: a
// delimited text table, an AAVSO Extended Format file and a TESS-like FITS
// light curve (written with the FITS tests' own writer), each read whole into
// an ImportedSeries, and one eclipse of the table cut out and put into the
// store as the import window's "Load" does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/store.h"
#include "fits_writer.h"
#include "import/importer.h"
#include "import/load.h"
#include "methods/bootstrap.h"

namespace {

constexpr int kRows = 100000;
constexpr double kStart = 2459800.0, kCadence = 2.0 / 1440;  // 2-minute cadence

// The magnitude of row i: a 0.6 mag eclipse every 1.27 d, with 3 mmag of seeded noise.
double Magnitude(int i, vantor::BootstrapRng& rng) {
  const double t = kStart + kCadence * i;
  const double phase = std::remainder(t - kStart - 0.4, 1.27);
  return 11 + 0.6 * std::exp(-std::pow(phase / 0.04, 2)) + 0.003 * rng.Gauss();
}

std::string DelimitedText() {
  vantor::BootstrapRng rng(11);
  std::string text = "# a seeded synthetic series\nHJD,mag,err\n";
  char line[96];
  for (int i = 0; i < kRows; ++i) {
    std::snprintf(line, sizeof line, "%.6f,%.4f,0.0030\n", kStart + kCadence * i, Magnitude(i, rng));
    text += line;
  }
  return text;
}

std::string AavsoText() {
  vantor::BootstrapRng rng(12);
  std::string text =
      "#TYPE=EXTENDED\n#OBSCODE=TST01\n#SOFTWARE=bench\n#DELIM=,\n#DATE=HJD\n#OBSTYPE=CCD\n"
      "#NAME,DATE,MAG,MERR,FILT,TRANS,MTYPE,CNAME,CMAG,KNAME,KMAG,AMASS,GROUP,CHART,NOTES\n";
  char line[200];
  for (int i = 0; i < kRows; ++i) {
    std::snprintf(line, sizeof line,
                  "V0566 OPH,%.5f,%.3f,0.008,V,NO,STD,ENSEMBLE,na,000-BBC-123,10.912,1.234,na,"
                  "X12345AB,na\n",
                  kStart + kCadence * i, Magnitude(i, rng));
    text += line;
  }
  return text;
}

// Imports again and again by `import` (text or file), counting the points read.
template <class Import>
void ImportRepeatedly(benchmark::State& state, const Import& import) {
  size_t points = 0;
  for (auto _ : state) {
    const auto series = import();
    if (!series) {
      state.SkipWithError(series.error().message.c_str());
      break;
    }
    points = series->size();
    benchmark::DoNotOptimize(series->time.data());
  }
  state.counters["points"] = static_cast<double>(points);
}

void ReadText(benchmark::State& state, const std::string& text) {
  ImportRepeatedly(state, [&] { return vantor::import::ImportText(text, {}); });
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

void BM_ImportDelimited(benchmark::State& state) { ReadText(state, DelimitedText()); }
BENCHMARK(BM_ImportDelimited)->Unit(benchmark::kMillisecond);

void BM_ImportAavso(benchmark::State& state) { ReadText(state, AavsoText()); }
BENCHMARK(BM_ImportAavso)->Unit(benchmark::kMillisecond);

void BM_ImportFits(benchmark::State& state) {
  vantor::test::FitsLightCurve lc;
  vantor::BootstrapRng rng(13);
  lc.rows.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    const double flux = 1000 * std::pow(10.0, -0.4 * (Magnitude(i, rng) - 11));
    lc.rows.push_back({kStart - 2457000 + kCadence * i, flux, 1.0, flux, 1.0, 0});
  }
  const std::string path =
      (std::filesystem::temp_directory_path() / "vantor_import_bench.fits").string();
  if (vantor::test::WriteFitsLightCurve(path, lc) != 0) {
    state.SkipWithError("the FITS file could not be written");
    return;
  }
  ImportRepeatedly(state, [&] { return vantor::import::ImportFile(path, {}); });
  std::filesystem::remove(path);
}
BENCHMARK(BM_ImportFits)->Unit(benchmark::kMillisecond);

// One eclipse (0.3 d, about 216 points) of the long table into the store.
void BM_LoadOneEclipse(benchmark::State& state) {
  const auto series = vantor::import::ImportText(DelimitedText(), {});
  if (!series) {
    state.SkipWithError(series.error().message.c_str());
    return;
  }
  vantor::import::TimeInterval interval;
  interval.from = kStart + 50 * 1.27 + 0.25;
  interval.until = *interval.from + 0.3;
  auto store = std::make_unique<vantor::Store>();
  int points = 0;
  for (auto _ : state) {
    const auto loaded = vantor::import::LoadSeriesIntoStore(*store, *series, interval);
    if (!loaded) {
      state.SkipWithError(loaded.error().message.c_str());
      break;
    }
    points = store->NPointsAll;
  }
  state.counters["points"] = points;
}
BENCHMARK(BM_LoadOneEclipse)->Unit(benchmark::kMicrosecond);

}  // namespace
