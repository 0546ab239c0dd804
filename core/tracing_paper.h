// The tracing paper's state in the desktop's store: the smoothing by moving
// averages that the window draws, and the scroll-bar arithmetic that moves the
// fold (FoldTime). The result a fold delivers is the method's
// (methods/tracing.h, TracingResultAt).
//
// All times are relative days (RelTime, HjdBase + t is the full HJD). One unit
// of the scroll value is 0.0001 day; the centre value 16383 stands for the time
// of the faintest point, RelTime(FaintIdx).
#pragma once

#include <optional>
#include <string>

#include "core/store.h"

namespace vantor {

// Scroll value that stands for the faintest point's time, and the largest value.
inline constexpr int kScrollCentre = 16383;
inline constexpr int kScrollMax = 32767;
// Days per unit of the scroll value.
inline constexpr double kScrollUnitDays = 0.0001;

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

}  // namespace vantor
