// The six plot renderers, one per plot window: PlotParabola (frmPlott1),
// PlotTracingPaper (frmPlott2), PlotChords (frmPlott3), PlotKwee (frmPlott4),
// PlotFourier (frmPlott5) and PlotLightCurve (frmPlotData, the point editor).
//
// Each call redraws its window from scratch: it computes the plot area from the
// window size and writes it into the store (PlotLeft..PlotHeight, which then
// describe the window drawn last), draws a black frame (and clips everything
// drawn after it until the next clear to the plot area), the points as red dot
// marks, a grey grid with black ticks on both axes, sets the axis labels
// Label1..Label6 and (method windows) moves the window's bottom row of
// controls to fit its height. The method renderers first refuse a light curve
// that looks inverted, with the one message kInvertedMessage, and then leave
// the window untouched.
//
// A renderer draws only the light curve: range markers and fitted curves are
// drawn afterwards by the method windows in the same coordinates (see
// plot/mapping.h). The tracing paper is the exception that carries its fold: it
// draws the folded curve and returns the result of the fold. No renderer
// computes a time of minimum.
#pragma once

#include <optional>

#include "core/plot_window.h"
#include "core/store.h"
#include "core/surface.h"
#include "plot/mapping.h"

namespace vantor {

// Radius of a dot mark (one filled disc stands for the 25 concentric circles
// of radius 1..25) and half the side of the point editor's cross, in twips.
inline constexpr float kDotRadius = 25;
inline constexpr double kCrossHalfSide = 100;

// Draws the frame of a plot area in black: top left to right, right top to
// bottom, bottom right to left, left bottom to top. Clips nothing.
void DrawFrameLines(Surface& surface, const PlotArea& area);

// Draws a dot mark at (x, y) in the surface's current colour. Coordinates far
// outside any window are pinned to +-1e7 twips; a NaN coordinate draws nothing.
void DrawDotMark(Surface& surface, double x, double y);

// Draws the parabolic-fit window: the working set as dot marks, limits TMin..
// TMax and MagMin..MagMax at the window's current height; its control row is
// placed by the stored height Plott1Height. Returns false when it refused an
// inverted curve (message shown, nothing shown, cleared or drawn).
bool PlotParabola(Store& s, PlotWindow& window);

// Draws the bisectors-of-chords window like PlotParabola, with its own control
// row at the current height. Returns false when it refused an inverted curve.
bool PlotChords(Store& s, PlotWindow& window);

// Draws the Kwee and van Woerden window like PlotParabola; its control row is
// placed by the stored height Plott4Height. Returns false when it refused an
// inverted curve.
bool PlotKwee(Store& s, PlotWindow& window);

// Draws the Fourier window: first sets MagRange = MagMax - MagMin, uses the
// plot area 700 .. width - 1500 and its own time labels, places its control
// row (the boxes Text1(1..8) and their captions Label11..Label18 at width -
// 1200) and last writes FormatFixed(FitParam(j), 8, 5) into the boxes
// "Text1(1)".."Text1(8)". Returns false when it refused an inverted curve.
bool PlotFourier(Store& s, PlotWindow& window);

// Draws the tracing paper at the stored height Plott2Height: lays the time
// axis out around the fold (FoldView, FoldSpan), draws the points up to
// FoldTime in red joined by lines and the rest reflected about FoldTime in blue,
// the grid up to FoldView, the labels and the control row, and sets the
// window's "Text1" to FormatFixed(FoldTime, 14, 5). Returns whether the fold
// gives the main window a result for its second row (the window then times
// it): false for an inverted curve (refused as above), no working point, or a
// fold that gives no time (FoldGivesTime).
bool PlotTracingPaper(Store& s, PlotWindow& window);

// Draws the point editor: first makes EditMagRange non-negative, sets a white
// background (which clears), then draws every point read, 1..NPointsAll, kept
// ones as dot marks and deleted ones as red crosses, with the fixed editor
// limits Edit*, so that its axes do not move when points are deleted. No
// inverted-data check, no control row; Label6 keeps 5 characters.
void PlotLightCurve(Store& s, PlotWindow& window);

}  // namespace vantor
