// Automatic timing for the command line: the five range methods on the ranges
// the automatic rule picks, plus sliding integrations, as rows of the main
// window, and a JSON object saying which ranges were used.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/time_run.h"
#include "core/store.h"

namespace vantor::cli {

struct AutoRun {
  std::vector<TimeRow> rows;     // rows 1, 3, 4, 5, 6
  nlohmann::ordered_json ranges;  // per method: the range used and why, or the refusal
  std::string eclipseNote;        // which eclipse the methods time when there are several
};

// Times the loaded light curve with automatic ranges. Changes only the
// methods' own state in the store, never the light curve.
AutoRun RunAutoRows(Store& s);

}  // namespace vantor::cli
