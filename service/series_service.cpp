#include "service/series_service.h"

#include "core/number.h"
#include "core/textfile.h"
#include "import/importer.h"
#include "import/load.h"

namespace vantor::service {
namespace {

// The value of `given`, or false when its text is not a number.
bool ReadDays(const Given<double>& given, double& value) {
  if (const auto* typed = std::get_if<double>(&given)) {
    value = *typed;
    return true;
  }
  const auto number = ParseNumber(TrimBlanks(std::get<std::string>(given)));
  if (number) value = *number;
  return number.has_value();
}

}  // namespace

bool PlanSeries(const SeriesChoice& c, SeriesRequest& r, std::string& usage) {
  r = SeriesRequest{};
  SeriesOptions& opt = r.options;
  opt.bootstrap = c.bootstrap;
  opt.detrend = c.detrend;
  r.find = c.find;
  r.epochGiven = c.epoch.has_value();
  r.periodGiven = c.period.has_value();
  if (!c.find && (!c.epoch || !c.period)) {
    usage = "give --epoch and --period, or --find to estimate them";
    return false;
  }
  if (c.epoch && !ReadDays(*c.epoch, opt.ephemeris.epoch)) {
    usage = "--epoch expects a time in days, such as 2459812.4316";
    return false;
  }
  if (c.period && !ReadDays(*c.period, opt.ephemeris.period)) {
    usage = "--period expects a number of days, such as 1.2683900";
    return false;
  }
  if (c.secondary) {
    // "--secondary" without a value: the phase 0.5.
    const auto* text = std::get_if<std::string>(&*c.secondary);
    double phase = 0.5;
    if ((text == nullptr || !text->empty()) && !ReadDays(*c.secondary, phase)) {
      usage = "--secondary expects a phase between 0 and 1, such as 0.5";
      return false;
    }
    opt.secondaryPhase = phase;
  }
  if (c.halfWidth) {
    double h = 0;
    if (!ReadDays(*c.halfWidth, h)) {
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

std::expected<SeriesOutcome, Error> RunSeries(
    std::span<const double> time, std::span<const double> mag, const std::string& scale,
    const SeriesRequest& request, const std::function<void(int, int)>& progress,
    const std::function<void(const std::string&)>& foundSummary) {
  return RunSeries(time, mag, {}, scale, request, progress, foundSummary);
}

std::expected<SeriesOutcome, Error> RunSeries(
    std::span<const double> time, std::span<const double> mag, std::span<const double> errors,
    const std::string& scale, const SeriesRequest& request,
    const std::function<void(int, int)>& progress,
    const std::function<void(const std::string&)>& foundSummary) {
  SeriesOutcome out;
  out.scale = scale;
  out.options = request.options;
  if (request.find) {
    const auto found = FindEphemeris(time, mag);
    if (!found) return std::unexpected(found.error());
    out.foundSummary = found->summary;
    if (foundSummary) foundSummary(found->summary);
    // A given epoch or period overrides what was found.
    if (!request.epochGiven) out.options.ephemeris.epoch = found->ephemeris.epoch;
    if (!request.periodGiven) out.options.ephemeris.period = found->ephemeris.period;
  }
  auto result = TimeSeries(time, mag, errors, out.options, progress);
  if (!result) return std::unexpected(result.error());
  out.result = std::move(*result);
  return out;
}

std::expected<SeriesOutcome, Error> RunSeriesFile(
    const std::string& file, const ImportChoice& choice, const SeriesRequest& request,
    const std::function<void(int, int)>& progress,
    const std::function<void(const std::string&)>& foundSummary) {
  const auto series = ReadSeriesFile(file, choice);
  if (!series) return std::unexpected(series.error());
  return RunSeries(series->time, series->mag, series->err,
                   std::string(import::TimeScaleName(series->timeScale)), request, progress,
                   foundSummary);
}

}  // namespace vantor::service
