// Timing one light curve for the doors (the command line, the Python module,
// the survey): the methods chosen and their ranges as a typed plan, checked
// in the command line's words; the methods run on a curve of any length (the
// chosen setups, or the automatic ranges and their five rows), each delivered
// row bootstrapped when asked for, and the rows combined as "Calc. Means"
// does. The outcome is typed: the doors write it as a table, JSON, CSV or
// Python objects. Nothing here prints.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/combination.h"
#include "core/curve.h"
#include "methods/adopted.h"
#include "methods/auto_ranges.h"
#include "methods/baseline.h"
#include "methods/bootstrap.h"
#include "methods/time_method.h"
#include "service/session.h"

namespace vantor::service {

// --bootstrap: the counts of resampled light curves accepted.
inline constexpr int kFewestBootstrap = 2;
inline constexpr int kMostBootstrap = 100000;

// A value as a door has it: typed, or the text a user typed for it ("12:40",
// "0.02"), read by the command line's rules.
template <class T>
using Given = std::variant<T, std::string>;

// The methods and values asked for, as given.
struct TimeChoice {
  std::optional<Given<IndexRange>> parabola, kvw, fourier, exclude;
  std::optional<Given<std::pair<IndexRange, IndexRange>>> chords;  // left, right branch
  std::optional<Given<std::vector<double>>> start;                 // X0, C, W, A1..A5
  std::optional<Given<double>> fold;
  std::string step = "1", frac = ".9";  // the Kwee and van Woerden boxes as typed
  bool tracing = false, sliding = false, combine = false;
  bool detrend = false;  // remove the baseline under the eclipse before timing
  int smooth = 0;
};

// The choice checked: which methods run, with what.
struct TimePlan {
  bool parabola = false, tracing = false, chords = false, kvw = false, fourier = false;
  bool sliding = false, combine = false, detrend = false;
  IndexRange parabolaRange, kvwRange, fourierRange, chordsLeft, chordsRight;
  std::optional<IndexRange> exclude;
  std::optional<std::array<double, 9>> start;  // FitParam order, cell 0 unused
  std::optional<double> fold;
  int smooth = 0;
  std::string step = "1", frac = ".9";
};

// Checks `choice` into `plan` (without any method asked for: the tracing
// paper and sliding integrations). False with `usage` set, in the command
// line's words, on a value that cannot be read or is out of its range.
bool PlanTime(const TimeChoice& choice, TimePlan& plan, std::string& usage);

// Automatic timing: the range methods and sliding integrations come from the
// automatic rule. Refuses (`usage` set, false) a range method or sliding
// integrations asked for besides; `tracingAsked` says whether the tracing
// paper (or its fold or smoothing) was asked for: without it sliding
// integrations joins (`sliding` set true).
bool CheckAutoChoice(bool rangeAsked, bool tracingAsked, bool& sliding, std::string& usage);

// The setups of the planned methods, in the order of the main window's rows.
// The tracing paper folds at the plan's fold (else at the session's
// FoldTime) and its averaging level follows the presses of "Smooth"; the
// Fourier fit starts from the plan's start (else from the session's
// FitParam).
std::vector<MethodSetup> PlannedSetups(const Session& session, const TimePlan& plan);

// What is asked of one light curve.
struct TimeRequest {
  std::vector<MethodSetup> setups;  // the methods to run with their values
  bool automatic = false;           // also the automatic rows (rows 1, 3, 4, 5, 6)
  int bootstrap = 0;                // resampled light curves per delivered row; 0: none
  bool bootstrapWeights = false;    // weight the means by the bootstrap errors
  bool combine = false;             // combine as "Calc. Means" does, and adopt a time
  bool detrend = false;             // remove the baseline (methods/baseline.h) before timing
};

// One row of the main window as a method fills it.
struct TimeRow {
  int row = 0;                       // 1..6
  std::optional<MethodSetup> setup;  // what the method ran with (none: no automatic range)
  MethodResult<Timing> timing = std::unexpected(Refusal{});  // the method's timing or refusal
  bool automatic = false;            // chosen by the automatic rule
  std::optional<MethodResult<BootstrapResult>> bootstrap;  // when asked for and delivered

  bool ok() const { return timing.has_value(); }
  // "parabola", "tracing", "chords", "kvw", "fourier", "sliding".
  const char* method() const;
  // The refusal's message ("" when ok).
  const std::string& message() const;
};

// The automatic ranges chosen, or why there are none, and the stretch of
// sliding integrations.
struct ChosenRanges {
  MethodResult<AutoRanges> ranges;
  MethodResult<SlidingStretch> sliding;
};

struct TimeOutcome {
  std::vector<TimeRow> rows;                // in the order of the main window's rows
  std::optional<ChosenRanges> ranges;       // automatic
  std::optional<Combination> combination;  // when combining
  // When combining: the time Vantor recommends (methods/adopted.h), or why
  // there is none. Beside the combination, which stays as "Calc. Means" has it.
  std::optional<MethodResult<AdoptedTime>> adopted;
  // With detrend: the baseline removed, or why none was (every method then
  // timed the curve as it is), and the warning when the slope alone moves
  // the minimum by more than the adopted error.
  std::optional<MethodResult<Baseline>> baseline;
  std::string baselineWarning;
  int decimals = kDefaultDecimals;          // of the texts and means
  int points = 0;                           // the light curve's points timed, all of them
  int bootstrapRuns = 0;                    // resampled curves per row; 0: none made
  std::vector<std::string> notes;  // automatic, on a night of several eclipses: which one was timed
};

// Times `curve` (of any length; its ResultDecimals the precision) as
// `request` asks. A method that cannot give a sound answer gives a row with
// its refusal. With bootstrapWeights the rows are bootstrapped from
// `request.bootstrap` curves, else kBootstrapDefaultRuns. `progress` hears of
// the bootstrap's progress and must answer true (go on).
TimeOutcome RunTime(const CurveView& curve, const TimeRequest& request,
                    const BootstrapProgress& progress = {});

// The adopted time of the delivered rows of `curve` (methods/adopted.h): the
// fits' errors for the curve's point scatter (PointScatter), the shared noise
// floor from a delivered Fourier fit.
MethodResult<AdoptedTime> AdoptRows(const CurveView& curve, const std::vector<TimeRow>& rows);

// Combines the delivered rows as "Calc. Means" does with every delivered row
// ticked.
Combination CombineRows(const std::vector<TimeRow>& rows, int decimals = kDefaultDecimals);
// The same weighted by each delivered row's bootstrap error (from `runs`
// resampled curves); a row without one keeps its own error, and the
// combination's weightsNote says which was used.
Combination CombineRowsByBootstrap(const std::vector<TimeRow>& rows, int runs, int decimals);

}  // namespace vantor::service
