// Every eclipse of a long light curve for the doors (`vantor-cli series`, the
// Python module, the survey): the ephemeris and window options as a typed
// request, checked in the command line's words; the series read by the
// importer; the ephemeris estimated when asked for; every minimum timed
// (TimeSeries). The doors write the typed outcome as a table, CSV, JSON, O-C
// lines or Python objects.
#pragma once

#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/error.h"
#include "import/series.h"
#include "series/series.h"
#include "service/import_options.h"
#include "service/time_service.h"

namespace vantor::service {

// The options as given (typed, or as typed: "1.2683900").
struct SeriesChoice {
  std::optional<Given<double>> epoch, period, halfWidth;
  // The secondary minima asked for, at this phase; "" (as typed): 0.5.
  std::optional<Given<double>> secondary;
  bool find = false;
  int bootstrap = 0;
  bool detrend = true;  // remove each window's baseline before timing
};

// The choice checked.
struct SeriesRequest {
  SeriesOptions options;  // the ephemeris 0 where `find` is to estimate it
  bool find = false;
  bool epochGiven = false, periodGiven = false;  // they override what find estimates
};

// Checks `choice` into `request`. False with `usage` set on a refusal.
bool PlanSeries(const SeriesChoice& choice, SeriesRequest& request, std::string& usage);

// The series of `file` as the importer reads it, converted and cut to the
// interval `choice` asks for.
std::expected<import::ImportedSeries, Error> ReadSeriesFile(const std::string& file,
                                                            const ImportChoice& choice);

// What a series run gives.
struct SeriesOutcome {
  std::string scale;          // the time scale's name
  SeriesOptions options;      // with the ephemeris found, when find estimated it
  std::string foundSummary;   // find: what the estimate says
  SeriesResult result;
};

// Estimates the ephemeris of the series (time, mag) in the time scale
// `scale` when the request says find (a given epoch or period overriding what
// is found) and times every minimum. `progress` as TimeSeries takes it;
// `found` is told what the estimate says. A refusal's message is what follows
// the file's name on stderr.
std::expected<SeriesOutcome, Error> RunSeries(
    std::span<const double> time, std::span<const double> mag, const std::string& scale,
    const SeriesRequest& request, const std::function<void(int, int)>& progress = {},
    const std::function<void(const std::string&)>& found = {});

// RunSeries with the photometric error of each point (NaN where the file
// gives none; empty: none), which weight the profile method's fits.
std::expected<SeriesOutcome, Error> RunSeries(
    std::span<const double> time, std::span<const double> mag, std::span<const double> errors,
    const std::string& scale, const SeriesRequest& request,
    const std::function<void(int, int)>& progress = {},
    const std::function<void(const std::string&)>& found = {});

// RunSeries of the series in `file` (with its errors), read by ReadSeriesFile (its refusal
// returned as it is).
std::expected<SeriesOutcome, Error> RunSeriesFile(
    const std::string& file, const ImportChoice& choice, const SeriesRequest& request,
    const std::function<void(int, int)>& progress = {},
    const std::function<void(const std::string&)>& found = {});

}  // namespace vantor::service
