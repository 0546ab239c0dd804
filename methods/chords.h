// The method of bisected chords: horizontal chords drawn from points of the
// descending branch to the ascending branch and back, whose midpoints scatter
// about the time of minimum. This is the traditional graphical method of
// eclipse timing, done here numerically by linear interpolation between the
// observed points.
//
// This header holds only the computation; marking the two ranges with the
// mouse and filling the main window belong to the window.
#pragma once

#include "core/curve.h"
#include "methods/minimum.h"
#include "methods/refusal.h"

namespace vantor {

struct ChordsResult {
  // rel_time: the mean of the chord midpoints, days relative to HjdBase;
  // error: the standard deviation of the midpoints (not of their mean), days.
  Minimum minimum;
  int chords;  // number of chords (points in both ranges)
};

// Computes the time of minimum from the left range i1..i2 (descending branch)
// and the right range i3..i4 (ascending branch) of the working set. Changes
// nothing in the store.
//
// For a left-range point i of magnitude G(i) the chord ends on the segment
// k..k+1, where k is the last point of the whole series with G(k) >= G(i)
// (found from the end of the series); for a right-range point on the segment
// k-1..k, where k is the first point of the series with G(k) >= G(i). The
// crossing time is linear in magnitude on that segment; the chord's midpoint
// is halfway between it and R(i). T = S / n and E = sqrt((Q - T S) / (n - 1))
// with S and Q the sum of the midpoints and of their squares.
//
// Refuses when fewer than 2 chords are asked for, a range is reversed or
// reaches outside 1..NPoints, a chord cannot be closed (a left-range point at
// least as bright as the last point of the series, or a right-range point at
// least as bright as the first), the variance is clearly negative (a negative
// rounding error within 1e-12 of Q counts as 0), or a result is not finite.
MethodResult<ChordsResult> BisectChords(const CurveView& s, int i1, int i2, int i3, int i4);

namespace detail {

// Returns sqrt((Q - T S) / (n - 1)) with T = S / n, treating a negative value
// within 1e-12 |Q| as 0 (rounding when all midpoints coincide) and refusing a
// clearly negative one. Requires n >= 2.
MethodResult<double> ChordSpread(double S, double Q, int n);

}  // namespace detail

}  // namespace vantor
