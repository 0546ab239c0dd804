// vantor-cli series: every eclipse of a long light curve. The file is read by
// the importer (any layout it knows, any length), the minima of the given or
// found ephemeris are each timed by every method on automatic ranges, and
// the table of minima with their O-C and the refined ephemeris is printed:
// an aligned table, CSV, JSON, or the plain "cycle, time, error" lines that
// O-C tools import.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/file_label.h"
#include "cli/import_flags.h"
#include "cli/json_out.h"
#include "cli/series_args.h"
#include "core/format.h"
#include "core/output_file.h"
#include "series/series.h"
#include "series/series_text.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

int RunSeries(const SeriesArgs& a) {
  service::SeriesRequest request;
  if (std::string usage; !PlanSeries(a, request, usage)) {
    std::cerr << "vantor-cli series: " << usage << "\n";
    return 2;
  }
  // Opened before the work, so that a target the rules refuse costs none.
  std::optional<OutputFile> outFile;
  if (!a.out.empty()) {
    auto opened = OutputFile::Open(a.out, {a.file});
    if (!opened) {
      std::cerr << "vantor-cli series: " << opened.error().message << "\n";
      return 2;
    }
    outFile.emplace(std::move(*opened));
  }
  const bool tty = isatty(STDERR_FILENO) == 1;
  const auto progress = [tty](int done, int total) {
    if (tty && total > 20) std::fprintf(stderr, "\r%d of %d minima", done, total);
    if (tty && total > 20 && done == total) std::fprintf(stderr, "\n");
  };
  const auto printFound = [](const std::string& summary) { std::cerr << summary << "\n"; };
  const auto outcome = service::RunSeriesFile(a.file, a.import, request, progress, printFound);
  if (!outcome) {
    std::cerr << FileLabel(a.file) << ": " << outcome.error().message << "\n";
    return 2;
  }
  const std::string& scale = outcome->scale;
  const SeriesOptions& opt = outcome->options;
  const SeriesResult* const result = &outcome->result;
  std::string text;
  if (a.json) {
    text = DumpJson(SeriesJson(a.file, *outcome)) + "\n";
  } else if (a.csv) {
    text = SeriesCsv(*result, scale);
  } else if (a.oc) {
    text = SeriesOcLines(*result, opt.secondaryPhase.value_or(0.5));
  } else {
    text = SeriesTable(*result, a.file, scale);
  }
  if (outFile) {
    const auto written = outFile->Write(text);
    if (const auto committed = written ? outFile->Commit() : written; !committed) {
      std::cerr << "vantor-cli series: " << committed.error().message << "\n";
      return 2;
    }
  } else {
    std::cout << text;
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "vantor-cli series: the output could not be written\n";
      return 2;
    }
  }
  for (const SeriesRow& row : result->rows) {
    if (!row.time) return 1;
  }
  return 0;
}

}  // namespace

void AddSeriesCommand(CLI::App& app, int& exitStatus) {
  auto a = std::make_shared<SeriesArgs>();
  CLI::App* cmd = app.add_subcommand(
      "series", "Time every eclipse of a long light curve and give its O-C against an ephemeris");
  cmd->add_option("FILE", a->file,
                  "Light-curve file of any length, in any layout the importer reads")
      ->required();
  cmd->add_option("--epoch", a->epoch, "Epoch T0 of a primary minimum (days, the series' scale)");
  cmd->add_option("--period", a->period, "Period P (days)");
  cmd->add_option("--secondary", a->secondary,
                  "Also time the secondary minima, at this phase (0.5 when no value is given)")
      ->expected(0, 1);
  cmd->add_option("--half-width", a->halfWidth,
                  "Half-width of the window cut around each minimum (days; default: measured "
                  "from the folded series)");
  cmd->add_flag("--find", a->find, "Estimate the period and epoch from the series");
  cmd->add_option("--bootstrap", a->bootstrap,
                  "Bootstrap each method's error from N resampled light curves")
      ->check(CLI::Range(2, 100000));
  cmd->add_flag("--no-detrend", a->noDetrend,
                "Time each window as it is (by default a baseline fitted to the out-of-eclipse "
                "points on both sides is removed first)");
  auto* csv = cmd->add_flag("--csv", a->csv, "Print comma-separated values");
  auto* json = cmd->add_flag("--json", a->json, "Print one JSON object");
  auto* oc = cmd->add_flag("--oc", a->oc, "Print \"cycle, time, error\" lines for O-C tools");
  csv->excludes(json)->excludes(oc);
  json->excludes(oc);
  cmd->add_option("-o,--output", a->out, "Write to OUT instead of the standard output");
  AddImportOptions(cmd, a->import);
  cmd->callback([a, cmd, &exitStatus] {
    if (cmd->count("--secondary") > 0) a->secondaryGiven = true;
    exitStatus = RunSeries(*a);
  });
}

}  // namespace vantor::cli
