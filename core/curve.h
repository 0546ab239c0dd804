// A light curve as the timing methods see it: the working points' times
// relative to a base day, their signed magnitudes and, where the photometry
// gives them, their errors, of any length. `CurveView` looks at arrays held
// elsewhere (the desktop's store, a `Curve`, numpy arrays); `Curve` holds its
// own.
//
// The arrays are 1-based, as the methods number the points: cell 0 exists
// and is never read, cells 1..NPoints hold the points in time order. The
// field names are those of the store, whose working set a view of it shows.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/format.h"

namespace vantor {

// Times (HJD, days) lie within plus or minus this: beyond it the spacing of
// doubles exceeds a fifth of the 0.00001 day every time is shown with (and
// from 2^52 on it exceeds the day). The reader refuses such times.
inline constexpr double kLargestHjd = 1e10;

// The plot limits and landmarks of a working set: the times and magnitudes
// widened by 0.002 d and a tenth of the magnitude range, the first brightest
// and first faintest point, and of those two the one farther from the ends.
struct CurveLimits {
  double TMin = 0.0, TMax = 0.0, TRange = 0.0;
  double MagMin = 0.0, MagMax = 0.0, MagRange = 0.0;
  int BrightIdx = 0, FaintIdx = 0, InnerExtremeIdx = 0;
};

// The limits of relTime/mag(1..n). Strict comparisons: among equal values the
// first one wins. With n = 0 the limits come from the sentinels alone and the
// three indices keep the values of `previous`.
CurveLimits ComputeLimits(std::span<const double> relTime, std::span<const double> mag, int n,
                          const CurveLimits& previous = {});

struct CurveView : CurveLimits {
  std::span<const double> RelTime;  // days relative to HjdBase, cells 0..NPoints
  std::span<const double> Mag;      // signed magnitudes, cells 0..NPoints
  std::span<const double> Error;    // empty, or the points' errors in magnitudes, cells 0..NPoints
  int NPoints = 0;
  double HjdBase = 0.0;  // the whole day the times are relative to
  std::string_view Scale;  // the time scale's label ("HJD", "BJD_TDB", ...); may be empty
  int ResultDecimals = kDefaultDecimals;  // decimals of a day the results are shown with
  // The times of every point as read, deleted ones included (cells
  // 0..NPointsAll), where the curve had points deleted from it; else empty.
  std::span<const double> RelTimeAll;
  int NPointsAll = 0;

  bool HasErrors() const { return !Error.empty(); }
};

// A light curve that holds its points (cell 0 of each array unused).
struct Curve {
  std::vector<double> RelTime{0.0}, Mag{0.0};
  std::vector<double> Error;  // empty, or one cell more than the points
  double HjdBase = 0.0;
  std::string Scale;
  int ResultDecimals = kDefaultDecimals;

  int NPoints() const { return static_cast<int>(RelTime.size()) - 1; }
  // A view with the limits computed afresh.
  CurveView View() const;
};

// Whether the working set looks inverted (brightest point nearer the middle
// of the series than the faintest one): |BrightIdx - n/2| < |FaintIdx - n/2|
// with n/2 a real number. Every method refuses such a curve.
bool LooksInverted(const CurveView& c);

// Whether a fold at `foldTime` (relative days) stands for a time of minimum:
// it is a finite number and HjdBase + foldTime lies within kLargestHjd days.
// A typed fold can be any number; one beyond the times a light curve may hold
// would be shown as "0.1000000e+301", not as a time.
bool FoldGivesTime(const CurveView& c, double foldTime);

// Rounds x to d decimals, halves away from zero: Sgn(x) * Fix(|x| * 10^d + 0.5) / 10^d.
double RoundTo(double x, int d);

// Rounds to the nearest integer, halves to even.
double RoundEven(double x);

// The message every method shows for an inverted light curve.
inline constexpr const char* kInvertedMessage = "Please change C-V to V-C or the reverse.";

}  // namespace vantor
