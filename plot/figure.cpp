// BuildFigure: a window's drawing laid out as a figure for reading.
#include "plot/figure.h"

#include <algorithm>
#include <cmath>

#include "core/format.h"

namespace vantor {

namespace {

// Margins of the plot rectangle inside the figure, in twips: room for the
// title above and for the tick labels and axis titles left and below.
constexpr double kTopMargin = 720;
constexpr double kLeftMargin = 1250;
constexpr double kRightMargin = 300;
constexpr double kBottomMargin = 900;
// Length of a tick inside the frame, and the gap between the frame and a
// tick label (and between a tick label and the axis title).
constexpr double kTickTwips = 110;
constexpr double kGapTwips = 90;
// The length of the window's ticks (see the renderers' grid).
constexpr double kWindowTickTwips = 100;
// Coordinates within this many twips count as the same (the window's frame
// and ticks are drawn at whole twips, handed over in single precision).
constexpr double kSame = 0.5;

bool Near(double a, double b) { return std::fabs(a - b) <= kSame; }

// Whether a primitive of the window is its frame, a grid line or a tick,
// which the figure draws anew.
bool IsWindowFrameOrGrid(const Primitive& p, const PlotArea& a) {
  if (p.kind != Primitive::Kind::Line) return false;
  if (p.color == kGridGrey) return true;
  if (p.color != kBlack) return false;
  const double lo = std::min(p.x1, p.x2), hi = std::max(p.x1, p.x2);
  const double top = std::min(p.y1, p.y2), bottom = std::max(p.y1, p.y2);
  if (Near(p.x1, p.x2)) {  // vertical: a side of the frame, or a tick of the time grid
    if (Near(lo, a.left) || Near(lo, a.right)) return true;
    return (Near(top, a.top) && Near(bottom, a.top + kWindowTickTwips)) ||
           (Near(top, a.bottom - kWindowTickTwips) && Near(bottom, a.bottom));
  }
  if (Near(p.y1, p.y2)) {  // horizontal: the top or bottom, or a tick of the magnitude grid
    if (Near(top, a.top) || Near(top, a.bottom)) return true;
    return (Near(lo, a.left) && Near(hi, a.left + kWindowTickTwips)) ||
           (Near(lo, a.right - kWindowTickTwips) && Near(hi, a.right));
  }
  return false;
}

// Cuts the segment (x1, y1)-(x2, y2) to the box. Returns false when nothing
// of it lies inside.
bool ClipToBox(double& x1, double& y1, double& x2, double& y2, const FigureBox& box) {
  const auto part = SegmentInBox(x1, y1, x2, y2, box.left, box.top, box.right, box.bottom);
  if (!part) return false;
  const double dx = x2 - x1, dy = y2 - y1;
  const double ax = x1 + part->enter * dx, ay = y1 + part->enter * dy;
  x2 = x1 + part->leave * dx;
  y2 = y1 + part->leave * dy;
  x1 = ax;
  y1 = ay;
  return true;
}

bool Inside(double x, double y, const FigureBox& box) {
  return box.left <= x && x <= box.right && box.top <= y && y <= box.bottom;
}

// The grid values of one axis as the window draws them: multiples k * step
// from Int(origin / step) up to the grid's end (and one step past the axis),
// kept where they lie within the axis.
std::vector<double> GridValues(double origin, double span, double end) {
  std::vector<double> values;
  const float step = TickStep(span);
  if (!(step > 0) || !std::isfinite(origin) || !std::isfinite(end)) return values;
  const double s = step;
  const double k1 = std::floor(origin / s);
  const double kLast = std::min(std::floor(end / s), std::floor((origin + span) / s) + 1);
  // An axis with more lines than this has no readable grid (absurd limits).
  if (!(kLast - k1 < 1000)) return values;
  for (double k = k1; k <= kLast; ++k) {
    const double v = s * k;
    const double f = (v - origin) / span;
    if (f >= -1e-9 && f <= 1 + 1e-9) values.push_back(v);
  }
  return values;
}

}  // namespace

std::string TickLabel(double value, double step) {
  int decimals = 0;
  if (step > 0 && std::isfinite(step)) {
    // The step is held in single precision: 0.01 arrives as 0.0099999998.
    decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-6)));
  }
  if (std::fabs(value) < 1e-6 * std::fabs(step)) value = 0;
  std::string text = FixedText(value, decimals);
  // A value that rounds to zero shows without a sign.
  if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string TimeName(std::string_view scale) {
  if (scale == "BJD_TDB" || scale == "JD_UTC") return std::string(scale);
  return "HJD";
}

std::string TimeAxisTitle(const Store& s, std::string_view scale) {
  return TimeName(scale) + " \u2212 " + FixedText(s.HjdBase, 0) + " (days)";
}

std::string MagnitudeAxisTitle(const Store& s) {
  return s.MagSign < 0 ? "\u2212Magnitude (C\u2212V as read; brighter up)"
                       : "Magnitude (brighter up)";
}

std::string MethodFigureTitle(const std::string& name, const std::string& method,
                              const std::string& timeText, const std::string& errorText,
                              std::string_view scale) {
  const auto trim = [](const std::string& t) {
    const size_t a = t.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : t.substr(a, t.find_last_not_of(' ') - a + 1);
  };
  const std::string shown = name.empty() ? "no light curve" : name;
  const std::string time = trim(timeText), error = trim(errorText);
  if (time.empty()) return shown + " \u2014 " + method + ": no result yet";
  std::string title = shown + " \u2014 " + method + ": " + TimeName(scale) + " " + time;
  if (!error.empty()) title += " \u00b1 " + error;
  return title;
}

namespace {

// The window's axes stretched over the figure's plot box.
struct FigureAxes {
  const FigureBox& box;
  const PlotMapping& map;
  double X(double t) const { return box.left + box.Width() * (t - map.T0) / map.TS; }
  double Y(double m) const { return box.top + box.Height() * (m - map.M0) / map.MS; }
};

// The grid under everything, in the window's grey; keeps its values as the ticks.
void DrawGrid(const FigureAxes& axes, Figure& f) {
  const PlotMapping& map = axes.map;
  const FigureBox& box = axes.box;
  f.xTicks = GridValues(map.T0, map.TS, map.T1);
  f.yTicks = GridValues(map.M0, map.MS, map.M1);
  f.drawing.SetForeColor(kGridGrey);
  for (const double t : f.xTicks) f.drawing.Line(axes.X(t), box.top, axes.X(t), box.bottom);
  for (const double m : f.yTicks) f.drawing.Line(box.left, axes.Y(m), box.right, axes.Y(m));
}

// The window's points, markers and curves (its frame and grid left out),
// mapped from its plot area `a` onto the box and cut at the frame.
void CopyWindowDrawing(const DrawingList& window, const PlotArea& a, const FigureBox& box, DrawingList& d) {
  if (a.width == 0 || a.height == 0) return;
  const double sx = box.Width() / a.width, sy = box.Height() / a.height;
  const auto WX = [&](double x) { return box.left + (x - a.left) * sx; };
  const auto WY = [&](double y) { return box.top + (y - a.top) * sy; };
  for (const Primitive& p : window.Primitives()) {
    if (IsWindowFrameOrGrid(p, a)) continue;
    d.SetForeColor(p.color);
    double x1 = WX(p.x1), y1 = WY(p.y1);
    switch (p.kind) {
      case Primitive::Kind::Line: {
        double x2 = WX(p.x2), y2 = WY(p.y2);
        if (ClipToBox(x1, y1, x2, y2, box)) {
          d.Line(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                 static_cast<float>(y2));
        }
        break;
      }
      case Primitive::Kind::Pixel:
        if (Inside(x1, y1, box)) d.PSet(static_cast<float>(x1), static_cast<float>(y1));
        break;
      case Primitive::Kind::Circle:
        if (Inside(x1, y1, box)) d.Circle(static_cast<float>(x1), static_cast<float>(y1), p.radius);
        break;
      case Primitive::Kind::Disc:
        if (Inside(x1, y1, box)) d.Disc(static_cast<float>(x1), static_cast<float>(y1), p.radius);
        break;
    }
  }
}

// The frame and the ticks over everything, in black, with the tick labels.
void DrawFrameAndTicks(const FigureAxes& axes, Figure& f) {
  const FigureBox& box = axes.box;
  DrawingList& d = f.drawing;
  d.SetForeColor(kBlack);
  d.Line(box.left, box.top, box.right, box.top);
  d.Line(box.right, box.top, box.right, box.bottom);
  d.Line(box.right, box.bottom, box.left, box.bottom);
  d.Line(box.left, box.bottom, box.left, box.top);
  const double xStep = TickStep(axes.map.TS), yStep = TickStep(axes.map.MS);
  for (const double t : f.xTicks) {
    const double x = axes.X(t);
    d.Line(x, box.bottom, x, box.bottom - kTickTwips);
    d.Line(x, box.top, x, box.top + kTickTwips);
    f.texts.push_back({TickLabel(t, xStep), x, box.bottom + kGapTwips + kFigureTickLabelTwips / 2,
                       kFigureTickLabelTwips, FigureText::Align::Middle, false, false});
  }
  for (const double m : f.yTicks) {
    const double y = axes.Y(m);
    d.Line(box.left, y, box.left + kTickTwips, y);
    d.Line(box.right, y, box.right - kTickTwips, y);
    f.texts.push_back({TickLabel(m, yStep), box.left - kGapTwips, y, kFigureTickLabelTwips,
                       FigureText::Align::End, false, false});
  }
}

// The title above the box and the axis titles below and left of it.
void AddTitles(const FigureTitles& titles, Figure& f) {
  const FigureBox& box = f.plot;
  f.texts.push_back({titles.title, f.widthTwips / 2, kTopMargin / 2, kFigureTitleTwips,
                     FigureText::Align::Middle, false, true});
  f.texts.push_back({titles.xTitle, (box.left + box.right) / 2,
                     box.bottom + 2 * kGapTwips + kFigureTickLabelTwips + kFigureAxisTitleTwips,
                     kFigureAxisTitleTwips, FigureText::Align::Middle, false, false});
  f.texts.push_back({titles.yTitle, kFigureAxisTitleTwips, (box.top + box.bottom) / 2,
                     kFigureAxisTitleTwips, FigureText::Align::Middle, true, false});
}

}  // namespace

Figure BuildFigure(const DrawingList& window, const PlotMapping& map, const FigureTitles& titles,
                   double widthTwips, double heightTwips) {
  Figure f;
  f.widthTwips = widthTwips;
  f.heightTwips = heightTwips;
  f.plot = FigureBox{kLeftMargin, kTopMargin, std::max(kLeftMargin + 1, widthTwips - kRightMargin),
                     std::max(kTopMargin + 1, heightTwips - kBottomMargin)};
  f.drawing.SetBackColor(kWhite);
  const FigureAxes axes{f.plot, map};
  DrawGrid(axes, f);
  CopyWindowDrawing(window, map.area, f.plot, f.drawing);
  DrawFrameAndTicks(axes, f);
  AddTitles(titles, f);
  return f;
}

}  // namespace vantor
