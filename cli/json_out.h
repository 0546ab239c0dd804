// The JSON output of vantor-cli time, batch and series, written from the
// service's typed outcomes, so that the tests and the fuzz target check
// exactly what the commands print.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "service/batch_service.h"
#include "service/series_service.h"
#include "service/time_service.h"

namespace vantor::cli {

// The text of `j`, indented by two. Never throws: a byte that is not valid
// UTF-8 (in a file name, a quoted field of a message) is replaced by U+FFFD,
// so that one odd name can never cost the output of a whole run.
std::string DumpJson(const nlohmann::ordered_json& j);

// The method's own figures of a row and its bootstrap (the extra fields of a
// result in `vantor-cli time --json`); none for an automatic row but its
// bootstrap.
nlohmann::ordered_json RowDetailsJson(const service::TimeRow& row, int decimals);

// The "combination" object of `vantor-cli time --combine --json`: the means
// and their texts (null numbers until computed), the rows used, and the notes;
// with an adopted time, "adopted" {time, error, methods, note} (time and
// error null and the note saying why when there is none).
nlohmann::ordered_json CombinationJson(
    const Combination& combination,
    const std::optional<MethodResult<AdoptedTime>>& adopted = std::nullopt);

// The "baseline" object of `vantor-cli time --detrend --json`: whether one
// was removed, its degree, slope and points, the description or why none
// was, and the warning ("" when none).
nlohmann::ordered_json BaselineJson(const MethodResult<Baseline>& baseline,
                                    const std::string& warning);

// The "ranges" object of `vantor-cli time --auto --json`: per method the
// range used and why, or the refusal.
nlohmann::ordered_json RangesJson(const service::ChosenRanges& chosen);

// The object `vantor-cli time --json` prints for `file` with its HJD base;
// the times are in `timeScale`. A result whose error shows as zero at the
// outcome's precision is marked.
nlohmann::ordered_json TimeJson(const std::string& file, double hjdBase,
                                const service::TimeOutcome& outcome,
                                std::string_view timeScale = "unknown");

// The object of one file in `vantor-cli batch --json`: its results, or its
// refusal.
nlohmann::ordered_json BatchFileJson(const std::string& file,
                                     const service::BatchFileResult& result);

// The object `vantor-cli series --json` prints.
nlohmann::ordered_json SeriesJson(const std::string& file, const service::SeriesOutcome& outcome);

}  // namespace vantor::cli
