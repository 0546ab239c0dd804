// Peak memory of `vantor-cli info` on FITS files, hostile and ordinary: a
// 17 KB file whose header claims a trillion rows, a 1.4 MB gzip bomb, a
// plain light curve of about 20 MB and a .fits.gz of about 12 MB
// decompressed. Each run starts the program as a child process and reads
// its peak resident size (ru_maxrss of wait4); the counters give it with the
// input's size and the bound the program keeps, 3 x input + 64 MiB.
// ru_maxrss survives exec, so the forked child starts from this program's
// resident size: the light curve written is freed and the heap trimmed before the
// start, and that size is reported too (start_MiB): a peak equal to it says
// only that the program stayed below it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fits_writer.h"

namespace {

namespace fs = std::filesystem;

fs::path Cli() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "cli" / "vantor-cli"; }

// This program's resident size in bytes (VmRSS).
double ResidentBytes() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char line[256];
  double kb = 0;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::sscanf(line, "VmRSS: %lf kB", &kb) == 1) break;
  }
  std::fclose(f);
  return kb * 1024.0;
}

// Peak resident size in bytes of `vantor-cli info path`, or -1.
double PeakOfInfo(const std::string& path) {
  const std::string cli = Cli().string();
  std::vector<char*> argv = {const_cast<char*>(cli.c_str()), const_cast<char*>("info"),
                             const_cast<char*>(path.c_str()), nullptr};
  // fork, not posix_spawn: a child sharing this program's memory until exec
  // would inherit its high-water mark, not only its present size.
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(cli.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || WIFSIGNALED(status)) return -1;
  return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

vantor::test::FitsLightCurve Curve(int rows) {
  vantor::test::FitsLightCurve lc;
  lc.keywords = {{"TIMEUNIT", "'d'"}};
  lc.rows.reserve(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    const double flux = 1000.0 * (1.0 - 0.3 * std::exp(-std::pow((i % 2000 - 1000) / 150.0, 2)));
    lc.rows.push_back({1683.0 + i * 0.0002, flux, 1.0, flux, 1.0, 0});
  }
  return lc;
}

// Runs `vantor-cli info` on the file `make` writes, reporting its peak.
template <class Make>
void Peak(benchmark::State& state, const std::string& name, Make make) {
  const std::string path = (fs::temp_directory_path() / ("vantor_fits_memory_" + name)).string();
  if (!make(path)) {
    state.SkipWithError("the input could not be written");
    return;
  }
  if (!fs::exists(Cli())) {
    state.SkipWithError("build vantor-cli first");
    return;
  }
  ::malloc_trim(0);
  double peak = 0;
  for (auto _ : state) {
    peak = PeakOfInfo(path);
    if (peak < 0) {
      state.SkipWithError("vantor-cli was killed or could not start");
      break;
    }
  }
  const double input = static_cast<double>(fs::file_size(path));
  state.counters["input_MiB"] = input / (1 << 20);
  state.counters["peak_MiB"] = peak / (1 << 20);
  state.counters["start_MiB"] = ResidentBytes() / (1 << 20);
  state.counters["bound_MiB"] = (3 * input + 64.0 * (1 << 20)) / (1 << 20);
  fs::remove(path);
}

void BM_InfoPeak_FalseRowCount(benchmark::State& state) {
  Peak(state, "rows.fits", [](const std::string& p) {
    return vantor::test::WriteFitsLightCurve(p, Curve(500)) == 0 &&
           vantor::test::SetTableRows(p, 1000000000000LL);
  });
}
BENCHMARK(BM_InfoPeak_FalseRowCount)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InfoPeak_GzipBomb(benchmark::State& state) {
  Peak(state, "bomb.fits.gz", [](const std::string& p) {
    const std::string head = "head.fits";
    if (vantor::test::WriteFitsLightCurve(p + head, Curve(10)) != 0) return false;
    const std::string bytes = vantor::test::FileBytes(p + head);
    fs::remove(p + head);
    return vantor::test::WriteGzipBomb(p, bytes.substr(0, 5760), size_t{1400} << 20);
  });
}
BENCHMARK(BM_InfoPeak_GzipBomb)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InfoPeak_PlainLightCurve(benchmark::State& state) {
  Peak(state, "plain.fits",
       [](const std::string& p) { return vantor::test::WriteFitsLightCurve(p, Curve(700000)) == 0; });
}
BENCHMARK(BM_InfoPeak_PlainLightCurve)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InfoPeak_CompressedLightCurve(benchmark::State& state) {
  Peak(state, "lc.fits.gz", [](const std::string& p) {
    const std::string plain = p + ".plain";
    if (vantor::test::WriteFitsLightCurve(plain, Curve(420000)) != 0) return false;
    const bool ok = vantor::test::WriteGzip(p, vantor::test::FileBytes(plain));
    fs::remove(plain);
    return ok;
  });
}
BENCHMARK(BM_InfoPeak_CompressedLightCurve)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
