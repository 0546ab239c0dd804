// The tracing paper's smoothing and scroll-bar arithmetic on the store.
#include "core/tracing_paper.h"

#include <algorithm>

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

}  // namespace vantor
