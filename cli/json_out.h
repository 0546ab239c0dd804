// The JSON output of vantor-cli time and batch, built here so that the tests
// and the fuzz target check exactly what the commands print.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/time_run.h"
#include "core/combination.h"
#include "core/store.h"

namespace vantor::cli {

// The text of `j`, indented by two. Never throws: a byte that is not valid
// UTF-8 (in a file name, a quoted field of a message) is replaced by U+FFFD,
// so that one odd name can never cost the output of a whole run.
std::string DumpJson(const nlohmann::ordered_json& j);

// The object `vantor-cli time --json` prints for `file`; `comb` when
// combining, `ranges` with --auto; the times are in `timeScale`. A result
// whose error shows as zero at the store's precision is marked.
nlohmann::ordered_json TimeJson(const std::string& file, const Store& s,
                                const std::vector<TimeRow>& rows,
                                const std::optional<Combination>& comb,
                                const nlohmann::ordered_json* ranges,
                                std::string_view timeScale = "unknown");

// The object of one timed file in `vantor-cli batch --json`.
nlohmann::ordered_json BatchFileJson(const std::string& file, const Store& s,
                                     const std::vector<TimeRow>& rows, const Combination& comb,
                                     std::string_view timeScale = "unknown");

// The object of a file that batch could not read.
nlohmann::ordered_json BatchRefusalJson(const std::string& file, const std::string& message);

}  // namespace vantor::cli
