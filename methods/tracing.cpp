// The tracing-paper method's numbers: smoothing, scroll arithmetic, fold
// layout and the delivered result.
#include "methods/tracing.h"

#include <algorithm>
#include <cmath>

#include "core/format.h"

namespace vantor {

namespace {

// Whether FaintIdx names a working point whose time may be read.
bool HasFaintPoint(const Store& s) {
  return s.NPoints >= 1 && s.NPoints <= kMaxPoints && s.FaintIdx >= 1 && s.FaintIdx <= s.NPoints;
}

}  // namespace

void StartTracing(Store& s) {
  for (int i = 1; i <= s.NPoints; ++i) s.SmoothMag[i] = s.Mag[i];
}

std::optional<std::string> SmoothStep(Store& s) {
  int width = 0;
  switch (s.SmoothLevel) {
    case 1:
      width = 3;
      break;
    case 3:
      width = 5;
      break;
    case 5:
      width = 7;
      break;
    case 7:
      width = 9;
      break;
    default:
      return std::nullopt;
  }
  const int half = width / 2;
  // Averages of the unsmoothed magnitudes; points within `half` of either end
  // keep whatever the previous width left in them.
  for (int i = 1 + half; i <= s.NPoints - half; ++i) {
    double sum = 0.0;
    for (int k = i - half; k <= i + half; ++k) sum += s.Mag[k];
    s.SmoothMag[i] = sum / width;
  }
  s.SmoothLevel = static_cast<int16_t>(width);
  return AveragingCaption(width);
}

std::string AveragingCaption(int level) {
  return level < 3 ? std::string(kNoAveraging) : std::to_string(level) + "-point averaging";
}

std::string UndoSmooth(Store& s) {
  for (int i = 2; i <= s.NPoints - 1; ++i) s.SmoothMag[i] = s.Mag[i];
  s.SmoothLevel = 1;
  return kNoAveraging;
}

ScrollFold FoldFromScroll(const Store& s, int value) {
  if (!HasFaintPoint(s)) return {s.FoldTime, std::nullopt};
  const double faint = s.RelTime[s.FaintIdx];
  ScrollFold r{faint + kScrollUnitDays * (value - kScrollCentre), std::nullopt};
  bool clamped = false;
  if (r.foldTime < s.TMin) {
    r.foldTime = s.TMin + 0.05 * s.TRange;
    clamped = true;
  }
  if (r.foldTime > s.TMax) {
    r.foldTime = s.TMin + 0.95 * s.TRange;
    clamped = true;
  }
  if (clamped) {
    // The scroll bar reaches 1.6383 days left and 1.6384 days right of the
    // faintest point. For data spanning farther the clamped fold has no scroll
    // position; the value is then pinned to the nearer end of the bar (the fold
    // itself stays clamped inside the data).
    const double v = RoundEven(kScrollCentre + (r.foldTime - faint) / kScrollUnitDays);
    r.resetValue = static_cast<int>(std::clamp(v, 0.0, static_cast<double>(kScrollMax)));
  }
  return r;
}

ScrollOutcome FoldAfterScroll(const Store& s, int value) {
  const ScrollFold first = FoldFromScroll(s, value);
  if (!first.resetValue || *first.resetValue == value) return {first.foldTime, value};
  const ScrollFold second = FoldFromScroll(s, *first.resetValue);
  // The second run only sets the value again when it was pinned to an end of
  // the bar; it then sets the value it already has, which raises no event.
  return {second.foldTime, second.resetValue.value_or(*first.resetValue)};
}

MethodResult<TracingResult> TracingResultAt(const Store& s, double foldTime) {
  if (s.NPoints < 1) return Refuse("No light curve is loaded: there is nothing to fold.");
  if (LooksInverted(s)) return Refuse(kInvertedMessage);
  const double time = s.HjdBase + foldTime;
  if (!FoldGivesTime(s, foldTime)) {
    return Refuse(
        "The fold time is not a usable number; please type a time within the light curve.");
  }
  // A fold outside the light curve is no time of minimum: a typed 5 (or
  // letters, which read as 0) would otherwise deliver a time days away,
  // ticked into the means. The starting fold is the faintest point's time
  // rounded to 0.0001 d, which may lie that rounding beyond an end point.
  constexpr double kRoundingSlack = 5e-5;
  // The light curve as read: a deleted point still marks its extent.
  double first = s.RelTime[1], last = s.RelTime[s.NPoints];
  if (s.NPointsAll > 0) {
    first = std::min(first, s.RelTimeAll[1]);
    last = std::max(last, s.RelTimeAll[s.NPointsAll]);
  }
  if (foldTime < first - kRoundingSlack || foldTime > last + kRoundingSlack) {
    const auto hjd = [&s](double rel) {
      const std::string text = FormatResult(s.HjdBase + rel, 14, 5);
      return text.substr(text.find_first_not_of(' '));
    };
    return Refuse("The fold time " + hjd(foldTime) + " lies outside the light curve (" +
                  hjd(first) + " to " + hjd(last) +
                  "); please type a time within the light curve.");
  }
  return TracingResult{Minimum{foldTime, kTracingError}, FormatResult(time, 14, 5),
                       kTracingErrorText};
}

MethodResult<TracingResult> TracingResultOf(const Store& s) {
  return TracingResultAt(s, s.FoldTime);
}

}  // namespace vantor
