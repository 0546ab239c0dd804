// `vantor-cli series` without its command line: the options as typed and
// their checking, the series read by the importer, and the JSON object the
// command prints. The Python module checks and reads through the same
// functions, so its words and digits are the command's.
#pragma once

#include <expected>
#include <functional>
#include <span>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/import_options.h"
#include "core/error.h"
#include "import/series.h"
#include "series/series.h"

namespace vantor::cli {

// The options of `vantor-cli series` as typed.
struct SeriesArgs {
  std::string file;
  ImportChoice import;
  std::string epoch, period, halfWidth, secondary;
  bool secondaryGiven = false;  // --secondary, with or without a phase
  bool find = false, csv = false, json = false, oc = false;
  int bootstrap = 0;
  std::string out;
};

// Checks the ephemeris, secondary phase and half-width options into `options`
// (the ephemeris stays 0 where --find is to estimate it). False with `usage`
// set on a refusal.
bool PlanSeries(const SeriesArgs& args, SeriesOptions& options, std::string& usage);

// The series of `file` as the importer reads it, converted and cut to the
// interval `choice` asks for.
std::expected<import::ImportedSeries, Error> ReadSeriesFile(const std::string& file,
                                                            const ImportChoice& choice);

// What a series run on one file gives.
struct SeriesOutcome {
  std::string scale;          // the time scale's name
  SeriesOptions options;      // with the ephemeris found, when --find estimated it
  std::string foundSummary;   // --find: what the estimate says (for stderr)
  SeriesResult result;
};

// Estimates the ephemeris of the series (time, mag) in the time scale
// `scale` with --find (a given epoch or period overriding what is found) and
// times every minimum. `options` as PlanSeries made them; `progress` as
// TimeSeries takes it; `found` is told what the estimate says. A refusal's
// message is what follows the file's name on stderr.
std::expected<SeriesOutcome, Error> RunSeriesOn(
    std::span<const double> time, std::span<const double> mag, const std::string& scale,
    const SeriesArgs& args, const SeriesOptions& options,
    const std::function<void(int, int)>& progress = {},
    const std::function<void(const std::string&)>& found = {});

// RunSeriesOn of the series in `args.file`, read by ReadSeriesFile (its
// refusal returned as it is).
std::expected<SeriesOutcome, Error> RunSeriesFile(
    const SeriesArgs& args, const SeriesOptions& options,
    const std::function<void(int, int)>& progress = {},
    const std::function<void(const std::string&)>& found = {});

// The object `vantor-cli series --json` prints.
nlohmann::ordered_json SeriesJson(const std::string& file, const std::string& scale,
                                  const SeriesOptions& options, const SeriesResult& result);

}  // namespace vantor::cli
