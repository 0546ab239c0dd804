// The tracing-paper method's numbers: smoothing, scroll arithmetic, fold
// layout and the delivered result.
#include "methods/tracing.h"

#include <algorithm>
#include <cmath>

#include "core/format.h"

namespace vantor {

MethodResult<TracingResult> TracingResultAt(const CurveView& s, double foldTime) {
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

}  // namespace vantor
