// vantor-cli series: every eclipse of a long light curve. The file is read by
// the importer (any layout it knows, any length), the minima of the given or
// found ephemeris are each timed by every method on automatic ranges, and
// the table of minima with their O-C and the refined ephemeris is printed:
// an aligned table, CSV, JSON, or the plain "cycle, time, error" lines that
// O-C tools import.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/import_flags.h"
#include "cli/import_options.h"
#include "cli/json_out.h"
#include "core/format.h"
#include "core/textfile.h"
#include "import/importer.h"
#include "import/load.h"
#include "series/series.h"
#include "series/series_text.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

struct SeriesArgs {
  std::string file;
  ImportChoice import;
  std::string epoch, period, halfWidth, secondary;
  bool secondaryGiven = false;
  bool find = false, csv = false, json = false, oc = false;
  int bootstrap = 0;
  std::string out;
};

bool ParseDays(const std::string& text, double& value) {
  std::istringstream in(text);
  in >> value;
  return !text.empty() && in && in.peek() == EOF && std::isfinite(value);
}

// The series of the file, as the importer reads it and in the scale asked for.
std::expected<import::ImportedSeries, Error> ReadSeries(const SeriesArgs& a) {
  const auto plan = ParseImportChoice(a.import);
  if (!plan) return std::unexpected(plan.error());
  auto series = import::ImportFile(a.file, plan->options);
  if (!series) return std::unexpected(series.error());
  if (plan->to) {
    if (auto converted = import::ConvertSeries(*series, *plan->to, plan->star); !converted) {
      return std::unexpected(converted.error());
    }
  }
  const std::vector<size_t> keep = import::SelectInterval(*series, plan->interval);
  if (keep.size() != series->size()) {
    import::ImportedSeries cut = *series;
    cut.time.clear(), cut.mag.clear(), cut.err.clear();
    for (const size_t i : keep) {
      cut.time.push_back(series->time[i]);
      cut.mag.push_back(series->mag[i]);
      cut.err.push_back(series->err[i]);
    }
    return cut;
  }
  return series;
}

Json NumberOrNull(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

Json AsJson(const std::string& file, const std::string& scale, const SeriesOptions& opt,
            const SeriesResult& r) {
  Json j;
  j["file"] = file;
  j["time_scale"] = scale;
  Json e;
  e["epoch"] = r.ephemeris.epoch;
  e["period"] = r.ephemeris.period;
  e["secondary_phase"] = NumberOrNull(opt.secondaryPhase);
  e["half_width"] = r.halfWidth;
  if (r.refined) {
    e["refined"] = Json{{"epoch", r.refined->epoch},
                        {"period", r.refined->period},
                        {"epoch_error", r.refined->epochError},
                        {"period_error", r.refined->periodError},
                        {"minima", r.refined->minima}};
  } else {
    e["refined"] = nullptr;
    e["refined_message"] = r.refinedMessage;
  }
  j["ephemeris"] = e;
  j["rows"] = Json::array();
  for (const SeriesRow& row : r.rows) {
    Json o;
    o["cycle"] = row.cycle;
    o["kind"] = std::string(1, row.kind);
    o["predicted"] = row.predicted;
    o["time"] = NumberOrNull(row.time);
    o["error"] = NumberOrNull(row.error);
    o["n_points"] = row.nPoints;
    o["methods"] = Json::array();
    for (const SeriesMethodTime& m : row.methods) {
      Json mj{{"method", m.method}, {"time", m.time}, {"error", m.error}};
      if (m.bootstrapError) mj["bootstrap_error"] = *m.bootstrapError;
      o["methods"].push_back(mj);
    }
    o["o_minus_c"] = NumberOrNull(row.OMinusC());
    o["o_minus_c_min"] = row.time ? Json(*row.OMinusC() * 1440) : Json(nullptr);
    o["message"] = row.message;
    j["rows"].push_back(o);
  }
  return j;
}

int RunSeries(const SeriesArgs& a) {
  SeriesOptions opt;
  opt.bootstrap = a.bootstrap;
  if (!a.find && (a.epoch.empty() || a.period.empty())) {
    std::cerr << "vantor-cli series: give --epoch and --period, or --find to estimate them\n";
    return 2;
  }
  if (!a.epoch.empty() && !ParseDays(a.epoch, opt.ephemeris.epoch)) {
    std::cerr << "vantor-cli series: --epoch expects a time in days, such as 2459812.4316\n";
    return 2;
  }
  if (!a.period.empty() && !ParseDays(a.period, opt.ephemeris.period)) {
    std::cerr << "vantor-cli series: --period expects a number of days, such as 1.2683900\n";
    return 2;
  }
  if (a.secondaryGiven) {
    double phase = 0.5;
    if (!a.secondary.empty() && !ParseDays(a.secondary, phase)) {
      std::cerr << "vantor-cli series: --secondary expects a phase between 0 and 1, such as 0.5\n";
      return 2;
    }
    opt.secondaryPhase = phase;
  }
  if (!a.halfWidth.empty()) {
    double h = 0;
    if (!ParseDays(a.halfWidth, h)) {
      std::cerr << "vantor-cli series: --half-width expects a number of days, such as 0.05\n";
      return 2;
    }
    opt.halfWidth = h;
  }
  const auto series = ReadSeries(a);
  if (!series) {
    std::cerr << a.file << ": " << series.error().message << "\n";
    return 2;
  }
  const std::string scale(import::TimeScaleName(series->timeScale));
  if (a.find) {
    const auto found = FindEphemeris(series->time, series->mag);
    if (!found) {
      std::cerr << a.file << ": " << found.error().message << "\n";
      return 2;
    }
    std::cerr << found->summary << "\n";
    // A given epoch or period overrides what was found.
    if (a.epoch.empty()) opt.ephemeris.epoch = found->ephemeris.epoch;
    if (a.period.empty()) opt.ephemeris.period = found->ephemeris.period;
  }
  const bool tty = isatty(STDERR_FILENO) == 1;
  const auto progress = [tty](int done, int total) {
    if (tty && total > 20) std::fprintf(stderr, "\r%d of %d minima", done, total);
    if (tty && total > 20 && done == total) std::fprintf(stderr, "\n");
  };
  const auto result = TimeSeries(series->time, series->mag, opt, progress);
  if (!result) {
    std::cerr << a.file << ": " << result.error().message << "\n";
    return 2;
  }
  std::string text;
  if (a.json) {
    text = DumpJson(AsJson(a.file, scale, opt, *result)) + "\n";
  } else if (a.csv) {
    text = SeriesCsv(*result, scale);
  } else if (a.oc) {
    text = SeriesOcLines(*result, opt.secondaryPhase.value_or(0.5));
  } else {
    text = SeriesTable(*result, a.file, scale);
  }
  if (!a.out.empty()) {
    if (const auto w = WriteFileAtomically(a.out, text); !w) {
      std::cerr << "vantor-cli series: " << w.error().message << "\n";
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
