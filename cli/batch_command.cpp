// vantor-cli batch: times many light curves in one run. Each file is loaded
// as the open window loads it and timed by the methods that need no range
// (the tracing paper at its starting fold and sliding integrations) or, with
// --auto, by the five range methods on automatic ranges and sliding
// integrations; then combined as "Calc. Means" does. Output: a CSV row per file and method plus
// one for the combination, or one JSON array. A file that cannot be read gets
// its own error and does not stop the others. The files are timed by a fixed
// pool of threads (--jobs, default one per core), each with its own store;
// the rows are written in the order of the files, so the output does not
// depend on the number of threads.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/batch_csv.h"
#include "cli/commands.h"
#include "cli/file_label.h"
#include "cli/import_flags.h"
#include "cli/json_out.h"
#include "core/output_file.h"
#include "service/batch_service.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

struct BatchArgs {
  std::vector<std::string> files;
  service::ImportChoice import;
  bool csv = false, json = false, automatic = false;
  int decimals = kDefaultDecimals;
  std::string out;
  int jobs = 0;  // threads; 0: one per core
};

// The threads a run uses: --jobs, or one per core, never more than files.
int ThreadCount(int jobs, size_t files) {
  int n = jobs;
  if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(n, 1, static_cast<int>(std::max<size_t>(files, 1)));
}

// More files than this get a progress line on stderr, when stderr is a
// terminal (a log file gets no carriage returns or escape sequences).
constexpr size_t kProgressAbove = 5;

int RunBatch(const BatchArgs& a) {
  if (a.csv && a.json) {
    std::cerr << "vantor-cli batch: choose --csv or --json, not both\n";
    return 2;
  }
  // The output file is opened before any work, so that a target the rules
  // refuse (an input, a FIFO, a read-only file) costs no timing; the rows go
  // into its temporary file as they come and appear only when all are there.
  std::optional<OutputFile> outFile;
  if (!a.out.empty()) {
    auto opened = OutputFile::Open(a.out, a.files);
    if (!opened) {
      std::cerr << "vantor-cli batch: " << opened.error().message << "\n";
      return 2;
    }
    outFile.emplace(std::move(*opened));
  }
  service::BatchSettings settings;
  settings.import = a.import;
  settings.automatic = a.automatic;
  settings.decimals = a.decimals;

  // What one file gives: its CSV rows or its JSON object, and the error that
  // stopped it, if any. Filled by a worker, read by this thread once done.
  struct Outcome {
    std::string csv;  // its CSV rows (without --json)
    Json json;        // its object (with --json)
    service::BatchFileResult result;
    bool done = false;
  };
  std::vector<Outcome> outcomes(a.files.size());
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<size_t> nextFile{0};

  // Each worker takes the next file not yet taken until none is left.
  const auto work = [&] {
    for (size_t f = nextFile++; f < a.files.size(); f = nextFile++) {
      Outcome& o = outcomes[f];
      o.result = service::TimeBatchFile(a.files[f], settings);
      if (a.json) {
        o.json = BatchFileJson(a.files[f], o.result);
      } else {
        o.csv = BatchCsvRows(a.files[f], o.result);
      }
      o.result.rows.clear();  // written out: free them
      {
        const std::lock_guard lock(mutex);
        outcomes[f].done = true;
      }
      finished.notify_all();
    }
  };
  std::vector<std::jthread> pool;
  const int threads = ThreadCount(a.jobs, a.files.size());
  for (int k = 0; k < threads; ++k) pool.emplace_back(work);

  // The results in the order of the files, as each is ready.
  std::ostringstream out;
  if (!a.json) out << kBatchCsvHeader;
  if (outFile && !a.json) {
    if (const auto w = outFile->Write(std::exchange(out, std::ostringstream()).str()); !w) {
      std::cerr << "vantor-cli batch: " << w.error().message << "\n";
      return 2;
    }
  }
  Json all = Json::array();
  bool anyFailed = false;
  const bool progress = a.files.size() > kProgressAbove && ::isatty(STDERR_FILENO) == 1;
  for (size_t f = 0; f < a.files.size(); ++f) {
    const std::string& file = a.files[f];
    if (progress) {
      std::fprintf(stderr, "\r[%zu/%zu] %s\033[K", f + 1, a.files.size(),
                   FileLabel(file).c_str());
      std::fflush(stderr);
    }
    {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return outcomes[f].done; });
    }
    Outcome& o = outcomes[f];
    if (o.result.failed) {
      anyFailed = true;
      if (progress) std::fputc('\n', stderr);
      std::cerr << FileLabel(file) << ": " << o.result.error << "\n";
    } else {
      if (progress && o.result.report.imported) std::fputc('\n', stderr);
      PrintImportNotes(file, o.result.report);
    }
    if (a.json) {
      all.push_back(std::move(o.json));
    } else if (outFile) {
      if (const auto w = outFile->Write(o.csv); !w) {
        std::cerr << "vantor-cli batch: " << w.error().message << "\n";
        return 2;
      }
    } else {
      out << o.csv;
    }
    o.csv = std::string();  // written out: free them
    o.json = Json();
  }
  pool.clear();
  if (progress) std::fputc('\n', stderr);
  if (a.json) out << DumpJson(all) << "\n";

  if (!outFile) {
    std::cout << out.str();
  } else {
    const auto written = outFile->Write(out.str());
    if (const auto committed = written ? outFile->Commit() : written; !committed) {
      std::cerr << "vantor-cli batch: " << committed.error().message << "\n";
      return 2;
    }
  }
  return anyFailed ? 1 : 0;
}

}  // namespace

void AddBatchCommand(CLI::App& app, int& exitStatus) {
  auto a = std::make_shared<BatchArgs>();
  CLI::App* cmd = app.add_subcommand(
      "batch",
      "Time many light curves (tracing paper and sliding integrations, or --auto), combined");
  cmd->add_option("FILE", a->files, "Light-curve files (CSV: HJD, magnitude)")->required();
  cmd->add_flag("--auto", a->automatic,
                "Time by the five range methods on automatic ranges and sliding integrations");
  cmd->add_flag("--csv", a->csv, "CSV rows: file, method, time, error, used, message (default)");
  cmd->add_flag("--json", a->json, "One JSON array, an object per file");
  cmd->add_option("-o,--output", a->out, "Write to this file instead of standard output");
  cmd->add_option("--decimals", a->decimals,
                  "Decimals of a day for times, errors and means: 5 (default), 6 or 7")
      ->check(CLI::Range(kDefaultDecimals, kMostDecimals));
  AddImportOptions(cmd, a->import);
  cmd->add_option("-j,--jobs", a->jobs,
                  "Threads that time files at once (default: one per core); the output is the "
                  "same for any number")
      ->check(CLI::Range(1, 1024));
  cmd->callback([a, &exitStatus] { exitStatus = RunBatch(*a); });
}

}  // namespace vantor::cli
