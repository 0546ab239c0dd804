// TimeMethod: the one entry point of the six timing methods, their setups and
// the report's description of a setup.
#include "methods/time_method.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "core/format.h"
#include "core/text.h"
#include "core/textfile.h"

namespace vantor {

namespace {

template <class R>
std::expected<Timing, Refusal> Delivered(const CurveView& s, int row, MethodResult<R> r) {
  if (!r) return std::unexpected(r.error());
  Timing t;
  t.row = row;
  t.minimum = r->minimum;
  t.time = s.HjdBase + r->minimum.rel_time;
  t.timeText = ResultText(t.time, s.ResultDecimals);
  t.errorText = ResultText(r->minimum.error, s.ResultDecimals);
  t.result = std::move(*r);
  return t;
}

// Runs one setup on `s`.
struct Runner {
  const CurveView& s;
  Orientation orientation;

  std::expected<Timing, Refusal> operator()(const ParabolaSetup& p) const {
    return Delivered(s, 1, FitParabola(s, p.range.first, p.range.last));
  }

  std::expected<Timing, Refusal> operator()(const TracingSetup& p) const {
    auto r = TracingResultAt(s, p.foldTime);
    if (!r) return std::unexpected(r.error());
    Timing t;
    t.row = 2;
    t.minimum = r->minimum;
    t.time = s.HjdBase + r->minimum.rel_time;
    // The tracing paper shows its own texts: its error is a fixed "0.0001".
    t.timeText = s.ResultDecimals == kDefaultDecimals ? r->timeText
                                                       : ResultText(t.time, s.ResultDecimals);
    t.errorText = r->errorText;
    t.result = std::move(*r);
    return t;
  }

  std::expected<Timing, Refusal> operator()(const ChordsSetup& p) const {
    return Delivered(s, 3, BisectChords(s, p.left.first, p.left.last, p.right.first, p.right.last));
  }

  std::expected<Timing, Refusal> operator()(const KvwSetup& p) const {
    // The range is judged before the boxes, as the method itself does.
    if (auto range = CheckKvwRange(s, p.range.first, p.range.last); !range) {
      return std::unexpected(range.error());
    }
    const auto tuning = ParseKvwTuning(p.tuning);
    if (!tuning) return std::unexpected(tuning.error());
    return Delivered(s, 4, KweeVanWoerden(s, p.range.first, p.range.last, *tuning));
  }

  std::expected<Timing, Refusal> operator()(const FourierSetup& p) const {
    return Delivered(s, 5, FitFourier(s, p));
  }

  std::expected<Timing, Refusal> operator()(const SlidingSetup&) const {
    auto run = RunSlidingIntegrations(s, orientation == Orientation::kIndexCheck);
    if (!run) return std::unexpected(run.error());
    Timing t;
    t.row = 6;
    t.minimum = run->result.minimum;
    t.time = s.HjdBase + t.minimum.rel_time;
    t.timeText = ResultText(t.time, s.ResultDecimals);
    t.errorText = ResultText(t.minimum.error, s.ResultDecimals);
    t.result = std::move(*run);
    return t;
  }
};

std::string Hjd(const CurveView& s, double relTime) { return FormatResult(s.HjdBase + relTime); }

// "used points 22-38 of 60 (HJD 2459812.40950 to 2459812.44950)"; the HJD
// only when both ends are working points. The count of the points used says
// which numbering the range ends belong to, should points be deleted later.
std::string RangeText(const CurveView& s, IndexRange r) {
  std::string t =
      "used points " + IntText(r.first) + "-" + IntText(r.last) + " of " + IntText(s.NPoints);
  if (r.first >= 1 && r.first <= s.NPoints && r.last >= 1 && r.last <= s.NPoints) {
    t += " (HJD " + Hjd(s, s.RelTime[r.first]) + " to " + Hjd(s, s.RelTime[r.last]) + ")";
  }
  return t;
}

std::string Trimmed(std::string_view text) { return std::string(TrimBlanks(text)); }

// The checks every method makes first, then the method.
std::expected<Timing, Refusal> Run(const CurveView& s, const MethodSetup& setup,
                                   Orientation orientation) {
  if (s.NPoints < 1) {
    return Refuse("There are no data points to work on: load a light curve first.");
  }
  if (orientation == Orientation::kIndexCheck && LooksInverted(s)) {
    return Refuse(kInvertedMessage);
  }
  return std::visit(Runner{s, orientation}, setup);
}

}  // namespace

std::expected<Timing, Refusal> TimeMethod(const CurveView& s, const MethodSetup& setup,
                                          Orientation orientation) {
  return Run(s, setup, orientation);
}

MethodSetup BootstrapSetup(const MethodSetup& setup, const Timing& timing) {
  if (const auto* f = std::get_if<FourierSetup>(&setup);
      f != nullptr && std::holds_alternative<FourierFitResult>(timing.result)) {
    FourierSetup restart = *f;
    restart.start = timing.As<FourierFitResult>().FitParam;
    return restart;
  }
  return setup;
}

std::string DescribeSetup(const CurveView& s, const MethodSetup& setup) {
  struct Describe {
    const CurveView& s;
    std::string operator()(const ParabolaSetup& p) const { return RangeText(s, p.range); }
    std::string operator()(const TracingSetup& p) const {
      // The averaging only changes the drawing the fold was judged on.
      const std::string averaging =
          p.smoothLevel > 1 ? IntText(p.smoothLevel) + "-point averaging" : "no averaging";
      return "fold at HJD " + Hjd(s, p.foldTime) + "; " + averaging;
    }
    std::string operator()(const ChordsSetup& p) const {
      return "left branch " + RangeText(s, p.left) + "; right branch " + RangeText(s, p.right);
    }
    std::string operator()(const KvwSetup& p) const {
      return RangeText(s, p.range) + "; Stepp " + Trimmed(p.tuning.step) + ", Frac " +
             Trimmed(p.tuning.frac);
    }
    std::string operator()(const FourierSetup& p) const {
      std::string t = RangeText(s, p.range);
      if (p.exclude) t += "; left out " + RangeText(s, *p.exclude);
      return t;
    }
    std::string operator()(const SlidingSetup&) const {
      const auto stretch = ChooseStretch(s);
      return stretch ? "stretch of " + RangeText(s, {stretch->first, stretch->last})
                     : std::string();
    }
  };
  return std::visit(Describe{s}, setup);
}

}  // namespace vantor
