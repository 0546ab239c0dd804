// The numbers behind the tracing-paper method: the light curve is folded about
// an adjustable time (FoldTime) and the user moves the fold until the reflected
// branch lies on the unreflected one; FoldTime is then the time of minimum.
// This header holds the smoothing by moving averages, the scroll-bar arithmetic,
// the plot layout around the fold and the result the window delivers with each
// redraw. Drawing the folded curve is left to the window.
//
// All times are relative days (RelTime, HjdBase + t is the full HJD). One unit
// of the scroll value is 0.0001 day; the centre value 16383 stands for the time
// of the faintest point, RelTime(FaintIdx).
#pragma once

#include <optional>
#include <string>

#include "core/store.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

// Scroll value that stands for the faintest point's time, and the largest value.
inline constexpr int kScrollCentre = 16383;
inline constexpr int kScrollMax = 32767;
// Days per unit of the scroll value.
inline constexpr double kScrollUnitDays = 0.0001;
// The fixed estimated error the method reports (days), and its text.
inline constexpr double kTracingError = 0.0001;
inline constexpr const char* kTracingErrorText = "0.0001";
// Caption of Label8 without smoothing.
inline constexpr const char* kNoAveraging = "No averaging";

// The caption of Label8 for an averaging level: "No averaging" for 1 (or any
// level below 3), "3-point averaging" ... "9-point averaging".
std::string AveragingCaption(int level);

// Copies Mag(1..NPoints) into SmoothMag (the main window's "Go"). SmoothLevel
// is left as it is.
void StartTracing(Store& s);

// Applies one press of "Smooth": by SmoothLevel 1, 3, 5, 7 writes the 3-, 5-,
// 7- or 9-point average of the unsmoothed Mag into SmoothMag(i) for the
// interior points i = w2+1..NPoints-w2 (w2 = half the width) only, and steps
// SmoothLevel to 3, 5, 7, 9. Returns the new caption of Label8 ("3-point
// averaging" ...), or std::nullopt when SmoothLevel is 9 (or any other value)
// and nothing changes.
std::optional<std::string> SmoothStep(Store& s);

// Undoes the smoothing: SmoothMag(i) = Mag(i) for i = 2..NPoints-1,
// SmoothLevel = 1. Returns the caption "No averaging".
std::string UndoSmooth(Store& s);

// The fold a scroll value gives, and the value the scroll bar must be set back
// to when the fold had to be clamped into TMin..TMax.
struct ScrollFold {
  double foldTime;                // RelTime(FaintIdx) + 0.0001 (value - 16383), clamped
  std::optional<int> resetValue;  // set when the fold was clamped
};

// Computes the fold for scroll value `value`:
//   fold = RelTime(FaintIdx) + 0.0001 (value - 16383);
//   fold < TMin: fold = TMin + 0.05 TRange; fold > TMax: fold = TMin + 0.95 TRange,
//   and in both cases resetValue = RoundEven(16383 + (fold - RelTime(FaintIdx)) / 0.0001),
//   clamped into 0..32767.
// Without working points the store's FoldTime is returned unchanged.
ScrollFold FoldFromScroll(const Store& s, int value);

// The fold and scroll value once the scroll bar has settled.
struct ScrollOutcome {
  double foldTime;
  int value;
};

// Computes the fold the scroll handler leaves behind for `value`: when the fold
// is clamped, setting the scroll value back raises the change event once more,
// and that second run (with the reset value) gives the final fold, the
// scroll-unit value nearest the clamped one. Setting a scroll bar to the value
// it already has raises no event, so there is never a third run.
ScrollOutcome FoldAfterScroll(const Store& s, int value);

// The result each redraw delivers to the main window.
struct TracingResult {
  Minimum minimum;        // rel_time: the fold; error: always 0.0001 day
  std::string timeText;   // FormatFixed(HjdBase + fold, 14, 5) without leading blanks
  std::string errorText;  // "0.0001"
};

// Returns the result for a fold at `foldTime` (relative days). Refuses when no
// point is in the working set, when the curve looks inverted
// (kInvertedMessage), and when the fold is not a finite number (a typed
// number too large for a double) or puts the time beyond kLargestHjd days.
MethodResult<TracingResult> TracingResultAt(const Store& s, double foldTime);

// Returns the result for the current FoldTime: TracingResultAt(s, s.FoldTime).
MethodResult<TracingResult> TracingResultOf(const Store& s);

}  // namespace vantor
