// vantor-cli batch: times many light curves in one run. Each file is loaded
// as the open window loads it and timed by the methods that need no range
// (the tracing paper at its starting fold and sliding integrations) or, with
// --auto, by the five range methods on automatic ranges and sliding
// integrations; then combined as "Calc. Means" does. Output: a CSV row per file and method plus
// one for the combination, or one JSON array. A file that cannot be read gets
// its own error and does not stop the others.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/auto_run.h"
#include "cli/commands.h"
#include "cli/json_out.h"
#include "cli/session.h"
#include "cli/time_run.h"
#include "core/combination.h"
#include "core/textfile.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

struct BatchArgs {
  std::vector<std::string> files;
  bool csv = false, json = false, automatic = false;
  std::string out;
};

// More files than this get a progress line on stderr, when stderr is a
// terminal (a log file gets no carriage returns or escape sequences).
constexpr size_t kProgressAbove = 5;

// The input that the output file `out` is (SameFile: by device and inode,
// so that "./a.csv", an absolute path or a link to an input are caught too);
// nullptr when it is none of them or does not exist yet.
const std::string* InputNamedAsOutput(const std::vector<std::string>& files,
                                      const std::string& out) {
  for (const std::string& file : files) {
    if (SameFile(file, out)) return &file;
  }
  return nullptr;
}

// Quotes a CSV field when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

int RunBatch(const BatchArgs& a) {
  if (a.csv && a.json) {
    std::cerr << "vantor-cli batch: choose --csv or --json, not both\n";
    return 2;
  }
  if (!a.out.empty()) {
    if (const std::string* input = InputNamedAsOutput(a.files, a.out)) {
      std::cerr << "vantor-cli batch: -o \"" << a.out << "\" is the input light curve \""
                << *input << "\"; choose another output file\n";
      return 2;
    }
  }
  TimeArgs timeArgs;
  timeArgs.tracing = timeArgs.sliding = timeArgs.combine = true;
  TimePlan plan;
  std::string usage;
  if (!PlanTime(timeArgs, plan, usage)) {
    std::cerr << "vantor-cli batch: " << usage << "\n";
    return 2;
  }

  std::ostringstream out;
  if (!a.json) out << "file,method,time,error,used,message\n";
  Json all = Json::array();
  bool anyFailed = false;
  auto store = std::make_unique<Store>();
  const bool progress = a.files.size() > kProgressAbove && ::isatty(STDERR_FILENO) == 1;
  for (size_t f = 0; f < a.files.size(); ++f) {
    const std::string& file = a.files[f];
    if (progress) {
      std::fprintf(stderr, "\r[%zu/%zu] %s\033[K", f + 1, a.files.size(), file.c_str());
      std::fflush(stderr);
    }
    *store = Store{};
    SessionOptions session;
    session.file = file;
    if (const auto loaded = LoadSession(session, *store); !loaded) {
      const std::string& error = loaded.error().message;
      anyFailed = true;
      if (progress) std::fputc('\n', stderr);
      std::cerr << file << ": " << error << "\n";
      if (a.json) {
        all.push_back(BatchRefusalJson(file, error));
      } else {
        out << CsvField(file) << ",file,,,no," << CsvField(error) << "\n";
      }
      continue;
    }
    const std::vector<TimeRow> rows =
        a.automatic ? RunAutoRows(*store).rows : RunTimeMethods(*store, plan);
    const Combination comb = CombineRows(rows);
    if (a.json) {
      all.push_back(BatchFileJson(file, *store, rows, comb));
      continue;
    }
    for (const TimeRow& r : rows) {
      out << CsvField(file) << ',' << r.method << ',';
      if (r.ok) {
        out << r.timeText << ',' << r.errorText << ','
            << (comb.checkedAfter[r.row - 1] ? "yes" : "no") << ",\n";
      } else {
        out << ",,no," << CsvField(r.message) << "\n";
      }
    }
    if (comb.computed) {
      out << CsvField(file) << ",combination," << comb.weightedMeanText << ','
          << comb.uncertaintyText << ',' << comb.n << ",\n";
    } else {
      out << CsvField(file) << ",combination,,,0,no method delivered a usable result\n";
    }
  }
  if (progress) std::fputc('\n', stderr);
  if (a.json) out << DumpJson(all) << "\n";

  if (a.out.empty()) {
    std::cout << out.str();
  } else {
    if (const auto written = WriteFileAtomically(a.out, out.str()); !written) {
      std::cerr << "vantor-cli batch: " << written.error().message << "\n";
      return 2;
    }
  }
  return anyFailed ? 1 : 0;
}

}  // namespace

void AddBatchCommand(CLI::App& app, int& exitStatus) {
  auto a = std::make_shared<BatchArgs>();
  CLI::App* cmd = app.add_subcommand(
      "batch", "Time many light curves (tracing paper and sliding integrations, or --auto), combined");
  cmd->add_option("FILE", a->files, "Light-curve files (CSV: HJD, magnitude)")->required();
  cmd->add_flag("--auto", a->automatic,
                "Time by the five range methods on automatic ranges and sliding integrations");
  cmd->add_flag("--csv", a->csv, "CSV rows: file, method, time, error, used, message (default)");
  cmd->add_flag("--json", a->json, "One JSON array, an object per file");
  cmd->add_option("-o,--output", a->out, "Write to this file instead of standard output");
  cmd->callback([a, &exitStatus] { exitStatus = RunBatch(*a); });
}

}  // namespace vantor::cli
