// Sliding integrations: the sixth timing method, which needs no window and no
// range from the user. A stretch of the light curve around its faintest point is
// resampled by linear interpolation onto an equally spaced grid; two adjacent
// integration windows of m grid steps each slide along the grid, and the time of
// minimum is where the trapezoidal integral of the magnitude over the left
// window equals the one over the right window. That moment is found by fitting
// a straight line to the difference of the two integrals near its smallest
// absolute value and solving the line for zero.
//
// With n points in the stretch: m = Int(n / 3) + 1 grid steps per window, a grid
// of 3m points starting at T(1) with step h = (T(n) - T(1)) / (3m) (it ends one
// step short of T(n)), m window positions. Times are relative days; every
// vector and span here is 1-based with cell 0 unused.
//
// The method refuses, with a message for the user, whenever a step would need a
// value it never computed (window positions 0 or m + 1), divide by zero, or
// deliver a non-finite time.
#pragma once

#include <span>
#include <vector>

#include "core/curve.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

// Working indices of the stretch of the light curve that the method uses.
struct SlidingStretch {
  int first, last, n;  // RelTime(first..last), n = last - first + 1 points
};

// Chooses the stretch around the faintest point, with N = NPoints and
// F = FaintIdx (0.9 N / 2 is a real number):
//   0.9 N / 2 > N - F : n = 2 (N - F), points 2F - N .. N - 1 (the last point is not used);
//   else 0.9 N / 2 > F: n = 2F, points 1 .. 2F;
//   else              : n = N, the whole series.
// Refuses when there are no working points and when the stretch is empty (the
// faintest point is the last one).
MethodResult<SlidingStretch> ChooseStretch(const CurveView& s);

// Resamples T(1..n), Y(1..n) onto the grid: m = Int(n / 3) + 1,
// h = (T(n) - T(1)) / (3m), GridT(1) = T(1), GridMag(1) = Y(1), and for
// k = 2..3m GridT(k) = T(1) + h (k - 1) with GridMag(k) interpolated on the line
// between T(j), the last sample (searching down from n) before GridT(k), and
// T(i), the first sample (searching up from 1) at or after it. Fills GridT and
// GridMag (resized to 3m + 1, cell 0 unused), sets h and returns m.
// Needs n >= 2, T and Y holding cells 1..n, and T(n) > T(1) with a finite
// difference; otherwise it returns 0 and leaves both grids holding cell 0 only.
int ResampleUniform(std::span<const double> T, std::span<const double> Y, int n,
                    std::vector<double>& GridT, std::vector<double>& GridMag, double& h);

// A least-squares straight line Y = a + b X and its sum of squared residuals S.
struct LineFit {
  double a, b, S;
};

// Fits Y = a + b X over the indices first..last by least squares, with
// D = k Sxx - Sx Sx, a = (Sxx Sy - Sx Sxy) / D, b = (k Sxy - Sy Sx) / D, and
// S = sum of (a + b X(i) - Y(i))^2. When D is 0 or not finite (fewer than two
// distinct X) the line is undefined: returns a = b = S = 0, which a caller
// reads as a zero slope.
LineFit FitLine(const std::vector<double>& X, const std::vector<double>& Y, int first, int last);

// Fills AreaDiff(1..m) (resized to m + 1): for window position c,
// AreaDiff(c) = sum over j = 0..m-1 of h ((y(c+j) + y(c+j+1)) / 2 - (y(c+j+m) + y(c+j+m+1)) / 2),
// the trapezoidal integral of GridMag from u(c) to u(c+m) minus the one from
// u(c+m) to u(c+2m). GridMag must hold cells 1..3m.
void ComputeAreaDiff(const std::vector<double>& GridMag, int m, double h,
                     std::vector<double>& AreaDiff);

// ComputeAreaDiff in O(m) time for the method's own use: a running sum gives
// every position, and the literal sum of ComputeAreaDiff replaces it wherever
// the running sum cannot rule out the smallest |AreaDiff| (the running sum's
// rounding is bounded, so that is one or a few positions) and within 5
// positions of the smallest, where the line fit may look. SmallestAreaDiff and the
// line fit about it therefore give exactly what they give on ComputeAreaDiff's
// array. When some value is not finite, it is ComputeAreaDiff; when the sums
// cannot be told apart (a flat stretch), it does its O(m^2) work.
void ComputeAreaDiffWhereNeeded(const std::vector<double>& GridMag, int m, double h,
                                std::vector<double>& AreaDiff);

// Returns the window position with the smallest |AreaDiff(c)|, scanning c = 1..m
// upwards from a bound of 99 and replacing only on a strictly smaller value (the
// first one wins a tie); 0 when every |AreaDiff| is 99 or more.
int SmallestAreaDiff(const std::vector<double>& AreaDiff, int m);

// The positions a line is fitted to around cmin.
struct FitRange {
  int w, first, last;  // first = cmin - w, last = cmin + w
};

// Returns the half-width w of the line fit around cmin: cmin - 1 when
// cmin < m - cmin, otherwise m - cmin - 1, then limited to 1..5.
FitRange LineFitRange(int cmin, int m);

// The outcome of one run of the method.
struct SlidingResult {
  // rel_time: tmin, relative days; error: the estimate sqrt(S / m), days.
  Minimum minimum;
  int n;     // points in the stretch
  int m;     // grid steps per integration window
  int cmin;  // window position of the smallest |AreaDiff|
  int w;     // half-width of the line fit
  double h;  // grid step, days
};

// Runs the method on the stretch T(1..n), Y(1..n): resamples, forms AreaDiff,
// fits the line a + b u over positions cmin - w .. cmin + w and returns
// tmin = -a / b + m h (the start time where the fitted difference is zero,
// moved forward one window to where the two windows meet) and err = sqrt(S / m).
// Refuses when n < 6 (m <= 2 leaves no window position with a neighbour on each
// side), when T(n) is not later than T(1), when no |AreaDiff| is below 99,
// when the smallest lies at the first or last position (the minimum lies at the
// edge of the stretch), when the fitted slope is zero, when the result is
// not finite, when the same line fitted about the mean grid time puts its zero
// more than 2e-8 d from the literal fit's (the grid steps are too short for the
// times' precision, so the literal sums cancel to noise), and when the time lies
// outside the windows' reach, GridT(1) .. GridT(m) + 2 m h.
MethodResult<SlidingResult> SlidingIntegrations(std::span<const double> T,
                                                std::span<const double> Y, int n);

// Steps 3 to 7 of the method on an AreaDiff already formed: cmin, w, the line
// fit and the solution. GridT and AreaDiff hold cells 1..m at least; n is only
// copied into the result. Refuses like SlidingIntegrations.
MethodResult<SlidingResult> SolveAreaDiff(const std::vector<double>& GridT,
                                          const std::vector<double>& AreaDiff, int n, int m,
                                          double h);

// The stretch and the method's outcome of one press of the button.
struct SlidingRun {
  SlidingStretch stretch;
  SlidingResult result;
};

// Runs the button of the sliding-integrations row on the working points:
// refuses without working points, refuses an inverted curve with
// kInvertedMessage (unless checkInverted is false: the caller judged the
// orientation itself), chooses the stretch and runs SlidingIntegrations on it.
MethodResult<SlidingRun> RunSlidingIntegrations(const CurveView& s, bool checkInverted = true);

}  // namespace vantor
