// The geometry every plot window shares: the tick-step rule of the axes, the
// plot area (where the frame lies inside a window of a given size), and the
// mapping between data (relative days, signed magnitudes) and window
// coordinates in twips, both ways.
//
// Each window has its own limits: the five method windows use TMin/TRange and
// MagMin/MagRange, the tracing paper TMin/FoldSpan, the point editor the Edit*
// copies, which stay fixed while points are deleted. The mapping helpers below
// build the right one from the store, so that a renderer and the mouse handler
// of its window always agree. Nothing here draws or touches a window.
#pragma once

#include <cstdint>

#include "core/store.h"

namespace vantor {

// Returns the grid step of an axis spanning `range` (days or magnitudes):
//   p = Int(ln R / 2.302585)   (the divisor exactly 2.302585, Int = floor)
//   u = 10^p, q = R / u
//   f = 10; q < 5: f = 5; q < 2: f = 2
//   step = u * f / 10, held in single precision.
// So q in [1, 2) gives u/5, [2, 5) gives u/2, [5, 10) gives u. Because the
// divisor is a little below ln 10, R = 0.1 gets p = -2 and the step 0.01.
// Returns 0 when R is not a positive finite number or the step is not a
// positive normal single-precision number; callers then draw no grid on that
// axis.
float TickStep(double range);

// The plot area: the frame's edges in twips, in the 16-bit integers the store
// keeps them in.
struct PlotArea {
  int16_t left = 0, right = 0, top = 0, bottom = 0;
  int16_t width = 0, height = 0;  // right - left, bottom - top
};

// Computes the plot area of a window `widthTwips` wide whose height in force is
// `heightTwips`: left 500, right width - 415, top 242, bottom height - 1850.
// Values outside the 16-bit range are pinned to its ends.
PlotArea StandardPlotArea(int widthTwips, int heightTwips);
// Computes the Fourier window's plot area: left 700, right width - 1500,
// otherwise as StandardPlotArea.
PlotArea FourierPlotArea(int widthTwips, int heightTwips);
// Computes the tracing paper's plot area: bottom height - 2100, otherwise as
// StandardPlotArea.
PlotArea TracingPlotArea(int widthTwips, int heightTwips);

// Writes the plot area into the store's PlotLeft..PlotHeight.
void StorePlotArea(Store& s, const PlotArea& area);
// Reads the plot area of the window drawn last from the store.
PlotArea PlotAreaOf(const Store& s);

// The mapping of one window:
//   x(t) = left + width * (t - T0) / TS,   y(m) = top + height * (m - M0) / MS
// and back:
//   t = T0 + TS * (X - left) / width,      m = M0 + MS * (Y - top) / height.
// T1 and M1 are where the grid of each axis ends (TMax, EditTMax or FoldView;
// MagMax or EditMagMax). All arithmetic is double; a renderer hands the results
// to the surface as single-precision numbers.
struct PlotMapping {
  double T0 = 0, TS = 1, T1 = 1;
  double M0 = 0, MS = 1, M1 = 1;
  PlotArea area;

  // Returns the window abscissa of relative time t.
  double X(double t) const { return area.left + area.width * (t - T0) / TS; }
  // Returns the window ordinate of signed magnitude m (fainter lies lower).
  double Y(double m) const { return area.top + area.height * (m - M0) / MS; }
  // Returns the relative time at window abscissa x; T0 when the area is empty.
  double TimeAt(double x) const {
    return area.width == 0 ? T0 : T0 + TS * (x - area.left) / area.width;
  }
  // Returns the signed magnitude at window ordinate y; M0 when the area is empty.
  double MagAt(double y) const {
    return area.height == 0 ? M0 : M0 + MS * (y - area.top) / area.height;
  }
};

// Span that replaces an axis span which is zero, negative or not finite (for
// example MagRange 0 when every magnitude is the same): the axis is then
// centred on its origin with this span, and its grid ends at the new far edge,
// so that no division by zero reaches a coordinate and the grid stays finite.
inline constexpr double kDegenerateSpan = 0.1;

// Builds a mapping from explicit limits, replacing a degenerate span as
// kDegenerateSpan says.
PlotMapping MakeMapping(const PlotArea& area, double t0, double ts, double t1, double m0, double ms,
                        double m1);

// Builds the mapping of the five method windows from the store: (TMin, TRange,
// TMax; MagMin, MagRange, MagMax) and the store's plot area.
PlotMapping MethodMapping(const Store& s);
// Builds the tracing paper's mapping: (TMin, FoldSpan, FoldView; MagMin,
// MagRange, MagMax) and the store's plot area.
PlotMapping TracingMapping(const Store& s);
// Builds the point editor's mapping: (EditTMin, EditTRange, EditTMax;
// EditMagMin, EditMagRange, EditMagMax) and the store's plot area.
PlotMapping EditorMapping(const Store& s);

}  // namespace vantor
