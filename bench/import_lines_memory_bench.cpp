// Peak memory of the importer on text files of short lines: a million rows
// of "1 2 3" (read whole) and 100 MB of "1,2" (refused by its row count).
// The target is at most three times the text's size plus 64 MiB; the
// counters give the peak resident memory the import added over the text
// (Linux: /proc/self/clear_refs resets the peak, VmHWM reads it) and the
// budget, both in MiB.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "import/importer.h"

namespace {

double StatusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024.0;
  }
  return 0.0;
}

void ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

void BM_ImportShortLines(benchmark::State& state, const std::string& line, size_t bytes) {
  std::string text;
  text.reserve(bytes);
  while (text.size() + line.size() <= bytes) text += line;
  double peakMiB = 0.0;
  bool read = false;
  for (auto _ : state) {
    ResetPeak();
    const double before = StatusMiB("VmRSS:");
    const auto s = vantor::import::ImportText(text, vantor::import::ImportOptions{});
    read = s.has_value();
    benchmark::DoNotOptimize(s);
    peakMiB = std::max(peakMiB, StatusMiB("VmHWM:") - before);
  }
  state.counters["text_MiB"] = static_cast<double>(text.size()) / (1024.0 * 1024.0);
  state.counters["peak_over_text_MiB"] = peakMiB;
  state.counters["budget_over_text_MiB"] = 2.0 * static_cast<double>(text.size()) / (1024.0 * 1024.0) + 64.0;
  state.counters["read"] = read ? 1 : 0;
}

BENCHMARK_CAPTURE(BM_ImportShortLines, million_rows_read, std::string("1 2 3\n"), 6'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportShortLines, hundred_mb_refused, std::string("1,2\n"), 100'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
