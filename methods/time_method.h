// One way to time a light curve by any of the six methods: a method's setup
// (its ranges and tuning values, one `MethodSetup` per row of the main
// window), one entry point `TimeMethod` that runs it, and one result
// `Timing` with the time of minimum as every method delivers it (`Minimum`),
// the texts the main window's row shows and the method's own result beside.
//
// Every caller goes through here: the method windows and the main window's
// rows, the command line, automatic ranges, the bootstrap, the accuracy tool
// and the report's description of a row. A new caller builds a setup and
// calls TimeMethod; it never adapts a method itself.
//
// What runs, for every method: the inverted-curve check (LooksInverted,
// kInvertedMessage) first, then the method on the working set with the
// setup's values, refusing as the method refuses. The automatic timing of a
// light curve read whole (--auto, series, Python) judges the curve's
// orientation by its own test of whether the eclipse dims (methods/
// auto_ranges.h) and runs the methods with Orientation::kJudged, which
// leaves the index check out; every hand-chosen range keeps it.
//
// TimeMethod changes nothing: Kwee and van Woerden returns its resampled
// points in its result (its window keeps them), and the Fourier fit its
// solver's values and its model curve. What the desktop's store keeps of a
// fit is the windows' (windows/window_setups.h, TimeMethodInStore).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>

#include "core/curve.h"
#include "methods/chords.h"
#include "methods/fourier.h"
#include "methods/index_range.h"
#include "methods/kwee.h"
#include "methods/minimum.h"
#include "methods/parabola.h"
#include "methods/refusal.h"
#include "methods/sliding.h"
#include "methods/tracing.h"

namespace vantor {

// Row 1: the parabola over working points first..last.
struct ParabolaSetup {
  IndexRange range;
  bool operator==(const ParabolaSetup&) const = default;
};

// Row 2: the tracing paper folded at foldTime (relative days). The averaging
// level (1 none, 3, 5, 7, 9 points) only changes the drawing the fold was
// judged on; it is recorded for the report.
struct TracingSetup {
  double foldTime = 0.0;
  int smoothLevel = 1;
  bool operator==(const TracingSetup&) const = default;
};

// Row 3: bisected chords from the descending branch `left` to the ascending
// branch `right`.
struct ChordsSetup {
  IndexRange left, right;
  bool operator==(const ChordsSetup&) const = default;
};

// Row 4: Kwee and van Woerden over `range` with the texts of its two boxes.
struct KvwSetup {
  IndexRange range;
  KvwTuning tuning;
  bool operator==(const KvwSetup&) const = default;
};

// Row 5: the Fourier fit, FourierSetup (methods/fourier.h).

// Row 6: sliding integrations, which choose their stretch themselves.
struct SlidingSetup {
  bool operator==(const SlidingSetup&) const = default;
};

// The setup of one row of the main window; the alternative's index + 1 is the row.
using MethodSetup =
    std::variant<ParabolaSetup, TracingSetup, ChordsSetup, KvwSetup, FourierSetup, SlidingSetup>;

// The main window's row (1..6) of a setup.
inline int RowOf(const MethodSetup& setup) { return static_cast<int>(setup.index()) + 1; }

// What a method delivered: the minimum, the row's texts and the method's own result.
struct Timing {
  int row = 0;            // 1..6, the main window's row
  Minimum minimum;        // days relative to HjdBase
  double time = 0.0;      // HjdBase + minimum.rel_time, the full HJD
  std::string timeText;   // the "Time of Minimum" box
  std::string errorText;  // the "Est'd Error" box
  std::variant<ParabolaFit, TracingResult, ChordsResult, KvwResult, FourierFitResult, SlidingRun>
      result;  // the method's own result, same index as the setup

  // The method's own result; R must be the type of this timing's method.
  template <class R>
  const R& As() const {
    return std::get<R>(result);
  }
};

// Times the working set of `s` by the method and values of `setup` (see the
// header comment for what runs). Changes nothing in `s`.
// How a curve's orientation is checked before a method runs: by the index
// check LooksInverted, or not at all because the caller has judged it.
enum class Orientation { kIndexCheck, kJudged };
std::expected<Timing, Refusal> TimeMethod(const CurveView& s, const MethodSetup& setup,
                                          Orientation orientation = Orientation::kIndexCheck);

// The same setup to bootstrap a delivered timing with: a Fourier fit starts
// from the parameters it fitted (close to the minimum, so that each resampled
// light curve converges as the original did); every other setup is returned
// as it is.
MethodSetup BootstrapSetup(const MethodSetup& setup, const Timing& timing);

// Describes the ranges and tuning values of `setup` for the results report. A
// range gives its ends as working point numbers (counted among the points
// used, as the method windows number them), the number of points used and the
// full HJD of both ends: "used points 22-38 of 60 (HJD 2459812.40950 to
// 2459812.44950)". Then come the tracing paper's fold and averaging, the
// Stepp and Frac of Kwee and van Woerden as typed, the interval the Fourier
// fit leaves out, and the stretch that sliding integrations chooses. A range
// end outside the working points is given by its number alone; a stretch that
// cannot be chosen gives "". Describe a row's setup when the method delivers
// its result, so that later clicks and deletions do not change it.
std::string DescribeSetup(const CurveView& s, const MethodSetup& setup);


}  // namespace vantor
