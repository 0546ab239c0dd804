// Timing one light curve: the plan's checks, the methods, the automatic
// rows, the bootstrap and the combination.
#include "service/time_service.h"

#include <algorithm>
#include <charconv>

#include "core/method_rows.h"
#include "methods/auto_ranges.h"
#include "methods/bootstrap.h"
#include "methods/time_method.h"
#include "core/number.h"
#include "core/textfile.h"

namespace vantor::service {
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

bool ReadRange(const Given<IndexRange>& given, IndexRange& r) {
  if (const auto* typed = std::get_if<IndexRange>(&given)) {
    r = *typed;
    return true;
  }
  return ParseRange(std::get<std::string>(given), r);
}

std::string RangeText(const Given<IndexRange>& given) {
  if (const auto* text = std::get_if<std::string>(&given)) return *text;
  const IndexRange& r = std::get<IndexRange>(given);
  return std::to_string(r.first) + ":" + std::to_string(r.last);
}

bool ReadChords(const Given<std::pair<IndexRange, IndexRange>>& given, IndexRange& left,
                IndexRange& right) {
  if (const auto* typed = std::get_if<std::pair<IndexRange, IndexRange>>(&given)) {
    left = typed->first;
    right = typed->second;
    return true;
  }
  const auto parts = SplitFields(std::get<std::string>(given));
  return parts.size() == 2 && ParseRange(parts[0], left) && ParseRange(parts[1], right);
}

// The starting values into `start` (cells 1..8), or the usage.
bool ReadStart(const Given<std::vector<double>>& given, std::array<double, 9>& start,
               std::string& usage) {
  constexpr const char* kEight = "--start expects eight numbers X0,C,W,A1,A2,A3,A4,A5";
  start = {};
  if (const auto* typed = std::get_if<std::vector<double>>(&given)) {
    if (typed->size() != 8) {
      usage = kEight;
      return false;
    }
    std::copy(typed->begin(), typed->end(), start.begin() + 1);
    return true;
  }
  const auto parts = SplitFields(std::get<std::string>(given));
  if (parts.size() != 8) {
    usage = kEight;
    return false;
  }
  for (int k = 0; k < 8; ++k) {
    if (!ParseDouble(parts[k], start[k + 1])) {
      usage = "--start: \"" + std::string(TrimBlanks(parts[k])) + "\" is not a number";
      return false;
    }
  }
  return true;
}

// The averaging level after `presses` of "Smooth" from none: 3, 5, 7, 9
// points; from the 9-point level on a press changes nothing (a count of two
// billion must not spin).
int SmoothLevelAfter(int presses) { return 1 + 2 * std::clamp(presses, 0, 4); }

// Adds each delivered row's bootstrap (n resampled light curves, the same
// ranges and tuning values, a Fourier fit started from the parameters it
// fitted). The smooth model is made once for all rows.
void AddBootstrap(const CurveView& curve, int n, const BootstrapProgress& progress,
                  std::vector<TimeRow>& rows) {
  std::vector<MethodSetup> setups;
  std::vector<TimeRow*> bootstrapped;
  for (TimeRow& r : rows) {
    if (!r.ok() || !r.setup) continue;
    setups.push_back(BootstrapSetup(*r.setup, *r.timing));
    bootstrapped.push_back(&r);
  }
  auto results = BootstrapErrorsOfAll(curve, setups, n, kBootstrapSeed, progress);
  if (!results) return;  // stopped: no figure at all
  for (size_t i = 0; i < bootstrapped.size(); ++i) bootstrapped[i]->bootstrap = std::move((*results)[i]);
}

// The five automatic rows and the ranges they used.
void AddAutoRows(const CurveView& curve, TimeOutcome& out) {
  // The light curve is read whole: its orientation and coverage are judged
  // by the data, not by the index check of hand-chosen ranges.
  const AutoTimings timings = RunAutoTimings(curve, AutoJudgement::kData);
  for (const AutoRow& a : AutoRowsOf(timings)) {
    TimeRow r;
    r.row = a.row;
    r.setup = a.setup;
    r.timing = a.timing;
    r.automatic = true;
    out.rows.push_back(std::move(r));
  }
  ChosenRanges chosen{timings.ranges, std::unexpected(Refusal{})};
  if (timings.sliding) {
    chosen.sliding = timings.sliding->As<SlidingRun>().stretch;
  } else {
    chosen.sliding = std::unexpected(timings.sliding.error());
  }
  // A light curve with more than one eclipse: which one every method timed.
  if (timings.ranges && !timings.ranges->eclipseNote.empty()) {
    out.notes.push_back(timings.ranges->eclipseNote);
  }
  out.ranges = std::move(chosen);
}

}  // namespace

const char* TimeRow::method() const { return MethodKey(row); }

const std::string& TimeRow::message() const {
  static const std::string none;
  return timing ? none : timing.error().message;
}

bool PlanTime(const TimeChoice& c, TimePlan& p, std::string& usage) {
  p = TimePlan{};
  p.parabola = c.parabola.has_value();
  if (p.parabola && !ReadRange(*c.parabola, p.parabolaRange)) {
    usage = "--parabola expects I1:I2, such as 12:40";
    return false;
  }
  p.kvw = c.kvw.has_value();
  if (p.kvw && !ReadRange(*c.kvw, p.kvwRange)) {
    usage = "--kvw expects I1:I2";
    return false;
  }
  p.fourier = c.fourier.has_value();
  if (p.fourier && !ReadRange(*c.fourier, p.fourierRange)) {
    usage = "--fourier expects I1:I2";
    return false;
  }
  p.chords = c.chords.has_value();
  if (p.chords && !ReadChords(*c.chords, p.chordsLeft, p.chordsRight)) {
    usage = "--chords expects I1:I2,I3:I4 (the left and the right branch ranges)";
    return false;
  }
  if (c.exclude) {
    IndexRange e;
    if (!ReadRange(*c.exclude, e)) {
      usage = "--exclude expects E1:E2";
      return false;
    }
    // Point numbers start at 1 (the program's 0 means "no interval set").
    if (e.first < 1 || e.last < 1) {
      usage = "--exclude " + RangeText(*c.exclude) +
              ": point numbers start at 1; the interval must lie inside the --fourier range";
      return false;
    }
    p.exclude = e;
  }
  if (c.start) {
    std::array<double, 9> v{};
    if (!ReadStart(*c.start, v, usage)) return false;
    p.start = v;
  }
  if (c.fold) {
    double fold = 0;
    if (const auto* typed = std::get_if<double>(&*c.fold)) {
      fold = *typed;
    } else if (!ParseDouble(std::get<std::string>(*c.fold), fold)) {
      usage = "--fold expects a time in days relative to the HJD base";
      return false;
    }
    p.fold = fold;
  }
  if (c.smooth < 0) {
    usage = "--smooth expects a count of 0 or more";
    return false;
  }
  p.smooth = c.smooth;
  p.step = c.step;
  p.frac = c.frac;
  p.tracing = c.tracing || p.fold || p.smooth > 0;
  p.sliding = c.sliding;
  p.combine = c.combine;
  p.detrend = c.detrend;
  if (!p.parabola && !p.chords && !p.kvw && !p.fourier && !p.tracing && !p.sliding) {
    p.tracing = p.sliding = true;
  }
  return true;
}

bool CheckAutoChoice(bool rangeAsked, bool tracingAsked, bool& sliding, std::string& usage) {
  if (rangeAsked) {
    usage = "--auto chooses every range itself; leave out --parabola, --chords, --kvw, --fourier "
            "and --sliding";
    return false;
  }
  // The tracing paper needs no range; it runs with --auto only when asked for.
  if (!tracingAsked) sliding = true;
  return true;
}

std::vector<MethodSetup> PlannedSetups(const Session& s, const TimePlan& p) {
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

TimeOutcome RunTime(const CurveView& given, const TimeRequest& request,
                    const BootstrapProgress& progress) {
  TimeOutcome out;
  // With detrend, every method times the curve with its baseline removed.
  Curve detrended;
  CurveView curve = given;
  if (request.detrend) {
    out.baseline = FitBaseline(given);
    if (*out.baseline) {
      detrended = RemoveBaseline(given, **out.baseline);
      curve = detrended.View();
      curve.Scale = given.Scale;
      curve.RelTimeAll = given.RelTimeAll;
      curve.NPointsAll = given.NPointsAll;
    }
  }
  out.decimals = curve.ResultDecimals;
  out.points = curve.NPoints;
  for (const MethodSetup& setup : request.setups) {
    TimeRow r;
    r.row = RowOf(setup);
    r.setup = setup;
    r.timing = TimeMethod(curve, setup);
    out.rows.push_back(std::move(r));
  }
  if (request.automatic) {
    AddAutoRows(curve, out);
    std::stable_sort(out.rows.begin(), out.rows.end(),
                     [](const TimeRow& x, const TimeRow& y) { return x.row < y.row; });
  }
  // Bootstrap weights need every delivered row's bootstrap error.
  const int runs = request.bootstrap > 0       ? request.bootstrap
                   : request.bootstrapWeights ? kBootstrapDefaultRuns
                                              : 0;
  if (runs > 0) {
    AddBootstrap(curve, runs, progress, out.rows);
    out.bootstrapRuns = runs;
  }
  if (request.combine) {
    out.combination = request.bootstrapWeights
                          ? CombineRowsByBootstrap(out.rows, runs, curve.ResultDecimals)
                          : CombineRows(out.rows, curve.ResultDecimals);
  }
  if (request.combine || (out.baseline && *out.baseline)) {
    auto adopted = AdoptRows(curve, out.rows);
    if (out.baseline && *out.baseline && adopted) {
      out.baselineWarning = SlopeWarning(**out.baseline, adopted->error);
    }
    if (request.combine) out.adopted = std::move(adopted);
  }
  return out;
}

MethodResult<AdoptedTime> AdoptRows(const CurveView& curve, const std::vector<TimeRow>& rows) {
  const double noise = PointScatter(curve);
  std::vector<MethodTimeInput> inputs;
  double floor = 0;
  for (const TimeRow& r : rows) {
    if (!r.ok() || !r.setup) continue;
    inputs.push_back(AdoptionInput(curve, *r.setup, *r.timing, noise));
    if (r.row == 5) floor = std::max(floor, NoiseFloorOf(*r.timing, noise));
  }
  return AdoptTime(inputs, floor);
}

Combination CombineRows(const std::vector<TimeRow>& rows, int decimals) {
  std::array<CombinationRow, 6> input{};
  for (const TimeRow& r : rows) {
    if (r.ok()) input[r.row - 1] = CombinationRow{r.timing->timeText, r.timing->errorText, true};
  }
  return CombineMinima(input, decimals);
}

Combination CombineRowsByBootstrap(const std::vector<TimeRow>& rows, int runs, int decimals) {
  std::array<CombinationRow, 6> input{};
  std::array<BootstrapWeight, 6> weights{};
  for (const TimeRow& r : rows) {
    if (!r.ok()) continue;
    input[r.row - 1] = CombinationRow{r.timing->timeText, r.timing->errorText, true};
    BootstrapWeight& w = weights[r.row - 1];
    if (r.bootstrap && *r.bootstrap) {
      w.error = (*r.bootstrap)->error;
    } else if (r.bootstrap) {
      w.whyNone = r.bootstrap->error().message;
    }
  }
  return CombineWithBootstrapWeights(input, weights, runs, decimals);
}

}  // namespace vantor::service
