// vantor-cli time without its command line: option checking, the six methods
// on a loaded store, and the combination of their rows.
#include "cli/time_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/format.h"
#include "core/textfile.h"
#include "methods/chords.h"
#include "methods/fourier.h"
#include "methods/kwee.h"
#include "methods/parabola.h"
#include "methods/sliding.h"
#include "methods/tracing.h"

namespace vantor::cli {
namespace {

bool ParseInt(std::string_view text, int& value) {
  text = TrimBlanks(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool ParseDouble(std::string_view text, double& value) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
         std::isfinite(value);
}

bool ParseRange(std::string_view text, IndexRange& r) {
  const auto colon = text.find(':');
  return colon != std::string_view::npos && ParseInt(text.substr(0, colon), r.first) &&
         ParseInt(text.substr(colon + 1), r.last);
}

TimeRow Refused(const char* method, int row, std::string message) {
  TimeRow r{method, row};
  r.message = std::move(message);
  return r;
}

TimeRow Delivered(const char* method, int row, const Store& s, double relTime, double error) {
  TimeRow r{method, row};
  r.ok = true;
  r.time = s.HjdBase + relTime;
  r.error = error;
  r.timeText = FormatResult(s.HjdBase + relTime);
  r.errorText = FormatResult(error);
  return r;
}

TimeRow RunParabola(const Store& s, IndexRange range) {
  if (LooksInverted(s)) return Refused("parabola", 1, kInvertedMessage);
  const auto fit = FitParabola(s, range.first, range.last);
  if (!fit) return Refused("parabola", 1, fit.error().message);
  TimeRow r = Delivered("parabola", 1, s, fit->tv, fit->error);
  r.details = {{"rms", fit->rms}, {"a0", fit->a0}, {"a1", fit->a1}, {"a2", fit->a2}};
  return r;
}

TimeRow RunTracing(Store& s, const TimePlan& p) {
  if (LooksInverted(s)) return Refused("tracing", 2, kInvertedMessage);
  StartTracing(s);
  std::string smoothing = kNoAveraging;
  // From the 9-point level on a press changes nothing: stop pressing there
  // (a count of two billion would otherwise spin for seconds).
  for (int k = 0; k < p.smooth; ++k) {
    const auto caption = SmoothStep(s);
    if (!caption) break;
    smoothing = *caption;
  }
  if (p.fold) s.FoldTime = *p.fold;
  ComputeFoldLayout(s);
  const auto res = TracingResultOf(s);
  if (!res) return Refused("tracing", 2, res.error().message);
  TimeRow r{"tracing", 2};
  r.ok = true;
  r.time = res->time;
  r.error = res->error;
  r.timeText = res->timeText;
  r.errorText = res->errorText;
  r.details = {{"fold_time", s.FoldTime}, {"smoothing", smoothing}};
  return r;
}

TimeRow RunChords(const Store& s, IndexRange left, IndexRange right) {
  if (LooksInverted(s)) return Refused("chords", 3, kInvertedMessage);
  const auto res = BisectChords(s, left.first, left.last, right.first, right.last);
  if (!res) return Refused("chords", 3, res.error().message);
  TimeRow r = Delivered("chords", 3, s, res->T, res->E);
  r.details = {{"midpoints", res->n}};
  return r;
}

TimeRow RunKvw(Store& s, const TimePlan& p) {
  if (LooksInverted(s)) return Refused("kvw", 4, kInvertedMessage);
  const auto res = KweeVanWoerden(s, p.kvwRange.first, p.kvwRange.last, p.step, p.frac);
  if (!res) return Refused("kvw", 4, res.error().message);
  TimeRow r = Delivered("kvw", 4, s, res->T0, res->sigma);
  r.details = {{"samples", res->samples}, {"centre", res->centre}};
  return r;
}

// A point number typed for the Fourier window's 16-bit range indices. One
// beyond every point stays beyond them: a plain conversion would wrap 65565
// to 29 and fit a range nobody asked for.
int16_t FourierIndex(int i) {
  return static_cast<int16_t>(std::clamp(i, -1, static_cast<int>(kMaxPoints) + 1));
}

TimeRow RunFourier(Store& s, const TimePlan& p) {
  if (LooksInverted(s)) return Refused("fourier", 5, kInvertedMessage);
  s.FourierLeftIdx = FourierIndex(p.fourierRange.first);
  s.FourierRightIdx = FourierIndex(p.fourierRange.last);
  s.FourierLeftSet = s.FourierRightSet = s.FourierRangeSet = true;
  s.ExcludeMode = p.exclude.has_value();
  if (p.exclude) {
    s.ExclLeftIdx = FourierIndex(p.exclude->first);
    s.ExclRightIdx = FourierIndex(p.exclude->last);
  }
  if (p.start) s.FitParam = *p.start;
  const auto res = FitFourier(s);
  if (!res) return Refused("fourier", 5, res.error().message);
  TimeRow r = Delivered("fourier", 5, s, res->FitParam[1], res->error);
  nlohmann::ordered_json params = nlohmann::ordered_json::array();
  for (int k = 1; k <= 8; ++k) params.push_back(res->FitParam[k]);
  r.details = {{"fit_param", params}, {"chi_sq", res->chiSq}, {"iterations", res->calls}};
  return r;
}

TimeRow RunSliding(const Store& s) {
  const auto res = RunSlidingIntegrations(s);
  if (!res) return Refused("sliding", 6, res.error().message);
  TimeRow r = Delivered("sliding", 6, s, res->result.tmin, res->result.err);
  r.details = {{"stretch_first", res->stretch.first},
               {"stretch_last", res->stretch.last},
               {"window_steps", res->result.m},
               {"grid_step", res->result.h}};
  return r;
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

std::vector<TimeRow> RunTimeMethods(Store& s, const TimePlan& p) {
  std::vector<TimeRow> rows;
  if (p.parabola) rows.push_back(RunParabola(s, p.parabolaRange));
  if (p.tracing) rows.push_back(RunTracing(s, p));
  if (p.chords) rows.push_back(RunChords(s, p.chordsLeft, p.chordsRight));
  if (p.kvw) rows.push_back(RunKvw(s, p));
  if (p.fourier) rows.push_back(RunFourier(s, p));
  if (p.sliding) rows.push_back(RunSliding(s));
  return rows;
}

Combination CombineRows(const std::vector<TimeRow>& rows) {
  std::array<CombinationRow, 6> input{};
  for (const TimeRow& r : rows) {
    if (r.ok) input[r.row - 1] = CombinationRow{r.timeText, r.errorText, true};
  }
  return CombineMinima(input);
}

}  // namespace vantor::cli
