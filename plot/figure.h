// Figures for publication: a plot window's drawing redrawn for reading on
// paper or in a paper, not as a copy of the window.
//
// BuildFigure takes what a plot window drew (its DrawingList in window twips,
// with the light curve, range markers and fitted curves) and the mapping it
// drew with, and lays out a figure of a chosen size: a title, a frame, a grey
// grid at the window's own grid values with a labelled tick at every grid
// line, axis titles, and the window's points, markers and curves mapped into
// the figure's plot area and cut at its edges. The window's own frame, grid
// and ticks are left out (the figure draws its own at the same values), and so
// are its controls: no buttons, no text boxes.
//
// The result is a Figure: a DrawingList in figure twips and a list of texts.
// Nothing here knows Qt; the desktop program paints a Figure into PDF, SVG or
// PNG (toolkit/figure_export.h), and tests read it directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/store.h"
#include "core/surface.h"
#include "plot/mapping.h"

namespace vantor {

// One text of a figure. (x, y) is the anchor point in figure twips; the text
// is centred vertically on y and placed horizontally by `align` (its start,
// middle or end at x). A vertical text reads from bottom to top, centred on
// (x, y). `sizeTwips` is the height of the font (200 twips = 10 points).
struct FigureText {
  enum class Align : uint8_t { Start, Middle, End };
  std::string text;
  double x = 0, y = 0;
  double sizeTwips = 200;
  Align align = Align::Middle;
  bool vertical = false;
  bool bold = false;
};

// The plot rectangle of a figure, in figure twips.
struct FigureBox {
  double left = 0, top = 0, right = 0, bottom = 0;
  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
};

// What a figure says: its title and its two axis titles.
struct FigureTitles {
  std::string title;
  std::string xTitle;
  std::string yTitle;
};

// A figure ready to paint: its size, plot rectangle, drawing and texts. Every
// primitive of `drawing` lies inside `plot` except the frame and ticks.
struct Figure {
  double widthTwips = 0, heightTwips = 0;
  FigureBox plot;
  DrawingList drawing;
  std::vector<FigureText> texts;
  // The values of the labelled grid lines of each axis, in the data's own
  // units (relative days, signed magnitudes), lowest first.
  std::vector<double> xTicks, yTicks;
};

// Font heights of the figure texts, in twips.
inline constexpr double kFigureTitleTwips = 240;
inline constexpr double kFigureAxisTitleTwips = 200;
inline constexpr double kFigureTickLabelTwips = 180;

// Default size of a PDF or SVG figure: 6.5 x 4.5 inches.
inline constexpr double kFigureWidthTwips = 9360;
inline constexpr double kFigureHeightTwips = 6480;

// Builds the figure of a window's drawing `window`, drawn with `map` (whose
// area is the window's plot area), at widthTwips x heightTwips. The grid of
// each axis has the window's step (TickStep of the axis span) and values
// (multiples of the step from the axis origin up to the grid's end, T1 or M1,
// that lie within the axis), each with a tick inside the frame on both sides
// and a label outside it, with as many decimals as the step needs. A drawing
// line that crosses the plot area's edges is cut there; a mark whose centre
// lies outside it is left out.
Figure BuildFigure(const DrawingList& window, const PlotMapping& map, const FigureTitles& titles,
                   double widthTwips = kFigureWidthTwips, double heightTwips = kFigureHeightTwips);

// Returns the text of a grid value with the decimals that `step` needs (0.005
// gives 3, 0.5 gives 1, 2 gives 0); a value that rounds to zero shows as 0.
std::string TickLabel(double value, double step);

// The name of the times of a light curve in time scale `scale` (as the
// importer names scales: "BJD_TDB", "JD_UTC", "HJD_UTC", "unknown"): "BJD_TDB"
// and "JD_UTC" as they are, "HJD" for heliocentric times and for a scale
// nobody named (the original reader's files are HJD).
std::string TimeName(std::string_view scale);

// Returns the time axis title of the light curve in `s`: "HJD - <HjdBase>"
// (the times of every plot window are days from that whole day), with the
// time named as TimeName names `scale`.
std::string TimeAxisTitle(const Store& s, std::string_view scale = {});
// Returns the magnitude axis title of `s`, which says brighter is up and,
// for magnitudes read as C-V, that they were turned round.
std::string MagnitudeAxisTitle(const Store& s);

// Returns the title of a method window's figure: "<name> - <method>: HJD
// <time>" with the time of minimum and its error as the result boxes show
// them, or "<name> - <method>: no result yet" when `timeText` is empty.
// `name` is the light curve's file name ("no light curve" when empty); the
// time is named as TimeName names `scale`.
std::string MethodFigureTitle(const std::string& name, const std::string& method,
                              const std::string& timeText, const std::string& errorText,
                              std::string_view scale = {});

}  // namespace vantor
