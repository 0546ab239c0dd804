// Putting an imported series into the store; converting its time scale.
#include "import/load.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "core/csv.h"
#include "core/number.h"
#include "core/reader.h"

namespace vantor::import {
namespace {

std::string Day(double t) { return FormatNumber(t, 'f', 5); }

}  // namespace

std::vector<size_t> SelectInterval(const ImportedSeries& series, const TimeInterval& interval) {
  std::vector<size_t> idx;
  for (size_t i = 0; i < series.size(); ++i) {
    const double t = series.time[i];
    if (interval.from && t < *interval.from) continue;
    if (interval.until && t > *interval.until) continue;
    idx.push_back(i);
  }
  return idx;
}

namespace {

// The text of a Vantor light-curve file holding the observations of `series`
// inside `interval`, or why they cannot be loaded; at most `capacity` of them
// unless that is kAnyLength.
std::expected<std::string, Error> SeriesAsText(const ImportedSeries& series,
                                               const TimeInterval& interval, int capacity) {
  if (interval.from && interval.until && *interval.until < *interval.from) {
    return Refuse("The time interval ends (" + Day(*interval.until) + ") before it starts (" +
                  Day(*interval.from) + ").");
  }
  const std::vector<size_t> idx = SelectInterval(series, interval);
  const std::string total = std::to_string(series.size());
  if (idx.empty()) {
    if (series.size() == 0) return Refuse("The file holds no observations.");
    return Refuse("No observation lies in the time interval chosen; the series runs from " +
                  Day(series.time.front()) + " to " + Day(series.time.back()) + ".");
  }
  if (capacity != kAnyLength && idx.size() > static_cast<size_t>(capacity)) {
    return Refuse(
        (interval.Given() ? "The time interval holds " + std::to_string(idx.size()) + " of the " + total
                          : "The series holds " + total) +
        " observations (" + Day(series.time[idx.front()]) + " to " + Day(series.time[idx.back()]) +
        "). A light curve holds at most " + std::to_string(capacity) +
        " observations of one eclipse: choose a time interval around it (--from, --until).");
  }
  const double first = series.time[idx.front()];
  for (const size_t i : idx) {
    const double t = series.time[i], m = series.mag[i];
    if (!std::isfinite(t) || !(std::fabs(t) < kLargestHjd)) {
      return Refuse("Observation " + std::to_string(i + 1) + ": the time " + FormatNumber(t, 'f', 6) +
                    " lies beyond 10000000000 days.");
    }
    if (!(std::fabs(t - std::floor(first)) < 99999999)) {
      return Refuse("Observation " + std::to_string(i + 1) + ": the time " + Day(t) +
                    " lies more than 99999999 days from the first observation.");
    }
    if (!std::isfinite(m) || !(std::fabs(m) < 99)) {
      return Refuse("Observation " + std::to_string(i + 1) + " (time " + Day(t) + "): the magnitude " +
                    FormatNumber(m, 'f', 6) + " lies outside the range -99 to 99.");
    }
  }
  CsvWriter csv;
  csv.Line("time,magnitude");
  for (const size_t i : idx) {
    csv.Number(series.time[i], 'g', 17).Number(series.mag[i], 'g', 17).EndLine();
  }
  std::string text = csv.Take();
  return text;
}

}  // namespace

std::expected<int16_t, Error> LoadSeriesIntoStore(Store& s, const ImportedSeries& series,
                                                  const TimeInterval& interval) {
  const auto text = SeriesAsText(series, interval, kMaxPoints);
  if (!text) return std::unexpected(text.error());
  return ReadLightCurveText(s, *text);
}

std::expected<Observations, Error> LoadSeriesObservations(const ImportedSeries& series,
                                                          const TimeInterval& interval) {
  const auto text = SeriesAsText(series, interval, kAnyLength);
  if (!text) return std::unexpected(text.error());
  return ReadObservationsText(*text, kAnyLength);
}

std::expected<void, Error> ConvertSeries(ImportedSeries& series, TimeScale to,
                                         const std::optional<SkyPosition>& star) {
  if (to == series.timeScale) return {};
  if (series.size() == 0) {
    series.timeScale = to;
    return {};
  }
  std::optional<SkyPosition> where = star;
  if (!where && series.raDeg && series.decDeg) where = SkyPosition{*series.raDeg, *series.decDeg};
  std::vector<double> converted;
  converted.reserve(series.size());
  std::optional<double> firstUncertain;
  // Times given less a constant become full dates here, by one addition
  // (exact to 1e-10 day), and stay full once converted.
  const double offset = series.timeOffset;
  for (const double reduced : series.time) {
    const double t = reduced + offset;
    const auto c = ConvertTimeNoting(t, series.timeScale, to, where);
    if (!c) return std::unexpected(c.error());
    if (c->leapSecondsUncertain && !firstUncertain) firstUncertain = t;
    converted.push_back(c->jd);
  }
  series.notes.push_back("Times converted from " + std::string(TimeScaleName(series.timeScale)) +
                         " to " + std::string(TimeScaleName(to)) + " for RA " +
                         FormatNumber(where->raDeg, 'f', 6) + " deg, Dec " + FormatNumber(where->decDeg, 'f', 6) +
                         " deg.");
  if (firstUncertain) {
    series.notes.push_back(
        "Warning: the leap-second table of the time library may be out of date for the times from " +
        Day(*firstUncertain) +
        " on (its \"dubious year\"): they are converted with the leap seconds it knows, and a "
        "leap second announced since would move them by one second.");
  }
  if (offset != 0.0) {
    series.notes.push_back("The times were given less " + FormatNumber(offset, 'f', 1) +
                           "; the converted times are full Julian Dates.");
  }
  series.time = std::move(converted);
  series.timeScale = to;
  series.timeOffset = 0.0;
  return {};
}

}  // namespace vantor::import
