// vantor-cli time without its command line: option checking, the six methods
// on a loaded store, and the combination of their rows.
#include "cli/time_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/format.h"
#include "core/method_rows.h"
#include "core/number.h"
#include "core/textfile.h"

namespace vantor::cli {
namespace {

bool ParseInt(std::string_view text, int& value) {
  text = TrimBlanks(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool ParseDouble(std::string_view text, double& value) {
  const auto number = ParseNumber(TrimBlanks(text));
  if (number) value = *number;
  return number.has_value();
}

bool ParseRange(std::string_view text, IndexRange& r) {
  const auto colon = text.find(':');
  return colon != std::string_view::npos && ParseInt(text.substr(0, colon), r.first) &&
         ParseInt(text.substr(colon + 1), r.last);
}

// The averaging level after `presses` of "Smooth" from none: 3, 5, 7, 9
// points; from the 9-point level on a press changes nothing (a count of two
// billion must not spin).
int SmoothLevelAfter(int presses) { return 1 + 2 * std::clamp(presses, 0, 4); }

nlohmann::ordered_json DetailsOf(const MethodSetup& setup, const Timing& t) {
  using Json = nlohmann::ordered_json;
  switch (t.row) {
    case 1: {
      const auto& f = t.As<ParabolaFit>();
      return {{"rms", f.rms}, {"a0", f.a0}, {"a1", f.a1}, {"a2", f.a2}};
    }
    case 2: {
      const auto& p = std::get<TracingSetup>(setup);
      return {{"fold_time", p.foldTime}, {"smoothing", AveragingCaption(p.smoothLevel)}};
    }
    case 3:
      return {{"midpoints", t.As<ChordsResult>().chords}};
    case 4: {
      const auto& k = t.As<KvwResult>();
      return {{"samples", k.samples}, {"centre", k.centre}};
    }
    case 5: {
      const auto& f = t.As<FourierFitResult>();
      Json params = Json::array();
      for (int k = 1; k <= 8; ++k) params.push_back(f.FitParam[k]);
      return {{"fit_param", params}, {"chi_sq", f.chiSq}, {"iterations", f.calls}};
    }
    case 6: {
      const auto& run = t.As<SlidingRun>();
      return {{"stretch_first", run.stretch.first},
              {"stretch_last", run.stretch.last},
              {"window_steps", run.result.m},
              {"grid_step", run.result.h}};
    }
    default:
      return Json::object();
  }
}

}  // namespace

bool PlanTime(const TimeArgs& a, TimePlan& p, std::string& usage) {
  p = TimePlan{};
  p.session = a.session;
  if (!a.deleteList.empty() && !ParseIndexList(a.deleteList, p.session.deletions)) {
    usage = "--delete expects point numbers separated by commas, such as 3,17";
    return false;
  }
  p.parabola = !a.parabola.empty();
  if (p.parabola && !ParseRange(a.parabola, p.parabolaRange)) {
    usage = "--parabola expects I1:I2, such as 12:40";
    return false;
  }
  p.kvw = !a.kvw.empty();
  if (p.kvw && !ParseRange(a.kvw, p.kvwRange)) {
    usage = "--kvw expects I1:I2";
    return false;
  }
  p.fourier = !a.fourier.empty();
  if (p.fourier && !ParseRange(a.fourier, p.fourierRange)) {
    usage = "--fourier expects I1:I2";
    return false;
  }
  p.chords = !a.chords.empty();
  if (p.chords) {
    const auto parts = SplitFields(a.chords);
    if (parts.size() != 2 || !ParseRange(parts[0], p.chordsLeft) ||
        !ParseRange(parts[1], p.chordsRight)) {
      usage = "--chords expects I1:I2,I3:I4 (the left and the right branch ranges)";
      return false;
    }
  }
  if (!a.exclude.empty()) {
    IndexRange e;
    if (!ParseRange(a.exclude, e)) {
      usage = "--exclude expects E1:E2";
      return false;
    }
    // Point numbers start at 1 (the program's 0 means "no interval set").
    if (e.first < 1 || e.last < 1) {
      usage = "--exclude " + a.exclude + ": point numbers start at 1; the interval must lie "
              "inside the --fourier range";
      return false;
    }
    p.exclude = e;
  }
  if (!a.start.empty()) {
    const auto parts = SplitFields(a.start);
    std::array<double, 9> v{};
    if (parts.size() != 8) {
      usage = "--start expects eight numbers X0,C,W,A1,A2,A3,A4,A5";
      return false;
    }
    for (int k = 0; k < 8; ++k) {
      if (!ParseDouble(parts[k], v[k + 1])) {
        usage = "--start: \"" + std::string(TrimBlanks(parts[k])) + "\" is not a number";
        return false;
      }
    }
    p.start = v;
  }
  if (!a.fold.empty()) {
    double fold = 0;
    if (!ParseDouble(a.fold, fold)) {
      usage = "--fold expects a time in days relative to the HJD base";
      return false;
    }
    p.fold = fold;
  }
  if (a.smooth < 0) {
    usage = "--smooth expects a count of 0 or more";
    return false;
  }
  p.smooth = a.smooth;
  p.step = a.step;
  p.frac = a.frac;
  p.tracing = a.tracing || p.fold || p.smooth > 0;
  p.sliding = a.sliding;
  p.combine = a.combine;
  if (!p.parabola && !p.chords && !p.kvw && !p.fourier && !p.tracing && !p.sliding) {
    p.tracing = p.sliding = true;
  }
  return true;
}

TimeRow MakeTimeRow(const MethodSetup& setup, const std::expected<Timing, Refusal>& timing,
                    bool details) {
  const int row = RowOf(setup);
  TimeRow r{MethodKey(row), row};
  r.setup = setup;
  if (!timing) {
    r.message = timing.error().message;
    return r;
  }
  r.ok = true;
  r.time = timing->time;
  r.error = timing->minimum.error;
  r.timeText = timing->timeText;
  r.errorText = timing->errorText;
  if (details) r.details = DetailsOf(setup, *timing);
  r.timing = *timing;
  return r;
}

std::vector<MethodSetup> PlannedSetups(const Store& s, const TimePlan& p) {
  // Built in place: a temporary variant holding strings makes GCC 12 warn
  // (wrongly) about an uninitialised string.
  std::vector<MethodSetup> setups;
  if (p.parabola) setups.emplace_back(std::in_place_type<ParabolaSetup>, p.parabolaRange);
  if (p.tracing) {
    setups.emplace_back(std::in_place_type<TracingSetup>, p.fold.value_or(s.FoldTime),
                        SmoothLevelAfter(p.smooth));
  }
  if (p.chords) setups.emplace_back(std::in_place_type<ChordsSetup>, p.chordsLeft, p.chordsRight);
  if (p.kvw) {
    setups.emplace_back(std::in_place_type<KvwSetup>, p.kvwRange, KvwTuning{p.step, p.frac});
  }
  if (p.fourier) {
    setups.emplace_back(std::in_place_type<FourierSetup>, p.fourierRange, p.exclude,
                        p.start.value_or(s.FitParam));
  }
  if (p.sliding) setups.emplace_back(std::in_place_type<SlidingSetup>);
  return setups;
}

std::vector<TimeRow> RunTimeMethods(const Store& s, const TimePlan& p) {
  std::vector<TimeRow> rows;
  for (const MethodSetup& setup : PlannedSetups(s, p)) {
    rows.push_back(MakeTimeRow(setup, TimeMethod(s, setup)));
  }
  return rows;
}

Combination CombineRows(const std::vector<TimeRow>& rows, int decimals) {
  std::array<CombinationRow, 6> input{};
  for (const TimeRow& r : rows) {
    if (r.ok) input[r.row - 1] = CombinationRow{r.timeText, r.errorText, true};
  }
  return CombineMinima(input, decimals);
}

Combination CombineRowsByBootstrap(const std::vector<TimeRow>& rows, int runs, int decimals) {
  std::array<CombinationRow, 6> input{};
  std::array<BootstrapWeight, 6> weights{};
  for (const TimeRow& r : rows) {
    if (!r.ok) continue;
    input[r.row - 1] = CombinationRow{r.timeText, r.errorText, true};
    BootstrapWeight& w = weights[r.row - 1];
    if (r.details.contains("bootstrap_error")) {
      w.error = r.details["bootstrap_error"].get<double>();
    } else if (r.details.contains("bootstrap_message")) {
      w.whyNone = r.details["bootstrap_message"].get<std::string>();
    }
  }
  return CombineWithBootstrapWeights(input, weights, runs, decimals);
}

}  // namespace vantor::cli
