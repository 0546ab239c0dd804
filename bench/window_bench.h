// What the benchmarks of the windows share: a result table that takes no
// rows, and main() with a QApplication, off screen unless a platform is set.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "windows/result_rows.h"

namespace vantor::bench {

class NoRows : public ResultRows {
 public:
  void DeliverResult(int, const Timing&, const MethodSetup&) override {}
  void ClearResult(int) override {}
  void SetUseInMean(int, bool) override {}
};

inline int RunWindowBenchmarks(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace vantor::bench
