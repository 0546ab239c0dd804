#include "cli/series_run.h"

#include <cmath>

#include "core/number.h"
#include "core/textfile.h"
#include "import/importer.h"
#include "import/load.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

bool ParseDays(const std::string& text, double& value) {
  const auto number = ParseNumber(TrimBlanks(text));
  if (number) value = *number;
  return number.has_value();
}

Json NumberOrNull(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

}  // namespace

bool PlanSeries(const SeriesArgs& a, SeriesOptions& opt, std::string& usage) {
  opt.bootstrap = a.bootstrap;
  if (!a.find && (a.epoch.empty() || a.period.empty())) {
    usage = "give --epoch and --period, or --find to estimate them";
    return false;
  }
  if (!a.epoch.empty() && !ParseDays(a.epoch, opt.ephemeris.epoch)) {
    usage = "--epoch expects a time in days, such as 2459812.4316";
    return false;
  }
  if (!a.period.empty() && !ParseDays(a.period, opt.ephemeris.period)) {
    usage = "--period expects a number of days, such as 1.2683900";
    return false;
  }
  if (a.secondaryGiven) {
    double phase = 0.5;
    if (!a.secondary.empty() && !ParseDays(a.secondary, phase)) {
      usage = "--secondary expects a phase between 0 and 1, such as 0.5";
      return false;
    }
    opt.secondaryPhase = phase;
  }
  if (!a.halfWidth.empty()) {
    double h = 0;
    if (!ParseDays(a.halfWidth, h)) {
      usage = "--half-width expects a number of days, such as 0.05";
      return false;
    }
    opt.halfWidth = h;
  }
  return true;
}

std::expected<import::ImportedSeries, Error> ReadSeriesFile(const std::string& file,
                                                            const ImportChoice& choice) {
  const auto plan = ParseImportChoice(choice);
  if (!plan) return std::unexpected(plan.error());
  auto series = import::ImportFile(file, plan->options);
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

std::expected<SeriesOutcome, Error> RunSeriesOn(
    std::span<const double> time, std::span<const double> mag, const std::string& scale,
    const SeriesArgs& a, const SeriesOptions& options,
    const std::function<void(int, int)>& progress,
    const std::function<void(const std::string&)>& foundSummary) {
  SeriesOutcome out;
  out.scale = scale;
  out.options = options;
  if (a.find) {
    const auto found = FindEphemeris(time, mag);
    if (!found) return std::unexpected(found.error());
    out.foundSummary = found->summary;
    if (foundSummary) foundSummary(found->summary);
    // A given epoch or period overrides what was found.
    if (a.epoch.empty()) out.options.ephemeris.epoch = found->ephemeris.epoch;
    if (a.period.empty()) out.options.ephemeris.period = found->ephemeris.period;
  }
  auto result = TimeSeries(time, mag, out.options, progress);
  if (!result) return std::unexpected(result.error());
  out.result = std::move(*result);
  return out;
}

std::expected<SeriesOutcome, Error> RunSeriesFile(
    const SeriesArgs& a, const SeriesOptions& options,
    const std::function<void(int, int)>& progress,
    const std::function<void(const std::string&)>& foundSummary) {
  const auto series = ReadSeriesFile(a.file, a.import);
  if (!series) return std::unexpected(series.error());
  return RunSeriesOn(series->time, series->mag, std::string(import::TimeScaleName(series->timeScale)),
                     a, options, progress, foundSummary);
}

Json SeriesJson(const std::string& file, const std::string& scale, const SeriesOptions& opt,
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

}  // namespace vantor::cli
