// The numbers behind the tracing-paper method: the light curve is folded about
// an adjustable time (FoldTime) and the user moves the fold until the reflected
// branch lies on the unreflected one; FoldTime is then the time of minimum.
// This header holds the result a fold delivers; the smoothing the window draws
// and the scroll-bar arithmetic are the desktop's (core/tracing_paper.h).
//
// All times are relative days (RelTime, HjdBase + t is the full HJD).
#pragma once

#include <optional>
#include <string>

#include "core/curve.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

// The fixed estimated error the method reports (days), and its text.
inline constexpr double kTracingError = 0.0001;
inline constexpr const char* kTracingErrorText = "0.0001";

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
MethodResult<TracingResult> TracingResultAt(const CurveView& s, double foldTime);

}  // namespace vantor
