// A whole `vantor-cli time` run on a loaded store: the methods asked for (or
// the automatic rows), the bootstrap of every delivered row, and the
// combination. The command prints what this returns; the Python module
// returns the same object, so both give the same digits.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/time_run.h"
#include "core/combination.h"
#include "core/store.h"
#include "methods/bootstrap.h"

namespace vantor::cli {

// --bootstrap: the counts of resampled light curves accepted.
inline constexpr int kFewestBootstrap = 2;
inline constexpr int kMostBootstrap = 100000;

// The options of `vantor-cli time --auto`: refuses a range option (the
// automatic rule chooses every range) and, when the tracing paper is not
// asked for, adds sliding integrations to it. False with `usage` set on a
// refusal.
bool ApplyAutoChoice(TimeArgs& args, std::string& usage);

struct TimeOutcome {
  std::vector<TimeRow> rows;                     // in the order of the main window's rows
  std::optional<nlohmann::ordered_json> ranges;  // automatic: the ranges used and why
  std::optional<Combination> combination;        // when the plan combines
  std::string eclipseNote;  // automatic, on a night of several eclipses: which one was timed
};

// Runs `plan` on the loaded store `s` (its ResultDecimals set): with
// `automatic` the tracing paper when planned, then the automatic rows; each
// delivered row bootstrapped from `bootstrap` resampled light curves when
// that is not 0; combined when the plan says so. With `bootstrapWeights` the
// means are weighted by the rows' bootstrap errors (from `bootstrap` curves,
// else kBootstrapDefaultRuns). `progress` hears of the bootstrap's progress
// and must answer true (go on): a run of the command is not cancelled. Changes
// only the methods' own state in the store.
TimeOutcome RunTimeOutcome(Store& s, TimePlan plan, bool automatic, int bootstrap,
                           bool bootstrapWeights = false, const BootstrapProgress& progress = {});

}  // namespace vantor::cli
