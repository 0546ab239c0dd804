// vantor-cli time without its command line: the option texts of a run, their
// checking, and the methods run on a loaded store, each giving one row of the
// main window. The command parses its options with CLI11 into TimeArgs and
// prints the rows; tests and the fuzz target call these functions in-process.
// Printing (table or JSON) is left to the command.
#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/session.h"
#include "core/combination.h"
#include "core/store.h"
#include "methods/time_method.h"

namespace vantor::cli {

// The options of `vantor-cli time` as typed.
struct TimeArgs {
  SessionOptions session;
  std::string deleteList;
  std::string parabola, chords, kvw, fourier, exclude, start, fold;
  std::string step = "1", frac = ".9";
  bool tracing = false, sliding = false, combine = false, json = false;
  int smooth = 0;
  int decimals = kDefaultDecimals;  // --decimals: 5, 6 or 7
};

// The options once checked: which methods run, with what.
struct TimePlan {
  SessionOptions session;  // with the deletions parsed
  bool parabola = false, tracing = false, chords = false, kvw = false, fourier = false;
  bool sliding = false, combine = false;
  IndexRange parabolaRange, kvwRange, fourierRange, chordsLeft, chordsRight;
  std::optional<IndexRange> exclude;
  std::optional<std::array<double, 9>> start;  // FitParam order, cell 0 unused
  std::optional<double> fold;
  int smooth = 0;
  std::string step, frac;
};

// One row of the main window as a method fills it.
struct TimeRow {
  TimeRow(const char* m, int r) : method(m), row(r) {}
  const char* method;
  int row;  // 1..6
  bool ok = false;
  double time = 0, error = 0;  // full HJD and days, when ok
  std::string timeText, errorText, message;
  nlohmann::ordered_json details = nlohmann::ordered_json::object();
  // What the method ran with, and its timing when it delivered (for the bootstrap).
  std::optional<MethodSetup> setup;
  std::optional<Timing> timing;
};

// The row of `setup`'s method for the outcome `timing`. With `details`, the
// method's own figures go into the row's details (the JSON output's extra
// fields); the automatic rows have none.
TimeRow MakeTimeRow(const MethodSetup& setup, const std::expected<Timing, Refusal>& timing,
                    bool details = true);

// Checks every option before anything is loaded. On bad usage returns false
// and sets `usage` to what is wrong, so that bad usage never half-runs.
bool PlanTime(const TimeArgs& args, TimePlan& plan, std::string& usage);

// The setups of the planned methods, in the order of the main window's rows.
// The tracing paper folds at --fold (else at the store's FoldTime) and its
// averaging level follows the presses of "Smooth"; the Fourier fit starts
// from --start (else from the store's FitParam).
std::vector<MethodSetup> PlannedSetups(const Store& s, const TimePlan& plan);

// Runs the planned methods on the loaded store through TimeMethod, in the
// order of the main window's rows. A method that cannot give a sound answer
// gives a row with ok = false and its message. Changes nothing in the store.
std::vector<TimeRow> RunTimeMethods(const Store& s, const TimePlan& plan);

// Combines the delivered rows as "Calc. Means" does with every delivered row
// ticked.
Combination CombineRows(const std::vector<TimeRow>& rows, int decimals = kDefaultDecimals);
// The same weighted by each delivered row's bootstrap error (its details'
// "bootstrap_error", from `runs` resampled curves); a row without one keeps
// its own error, and the combination's weightsNote says which was used.
Combination CombineRowsByBootstrap(const std::vector<TimeRow>& rows, int runs, int decimals);

}  // namespace vantor::cli
