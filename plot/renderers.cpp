// The six plot renderers: the common scheme (plot area, frame, points, grid,
// labels, control row) and each window's differences.
#include "plot/renderers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "core/format.h"
#include "core/text.h"
#include "plot/mapping.h"

namespace vantor {

namespace {

// Coordinates beyond this many twips lie far outside any window (sizes are
// 16-bit); pinning them keeps the conversion to single precision defined.
constexpr double kFarTwips = 1e7;

// Converts a window coordinate to the single precision the surface takes.
// Returns false for NaN, which must never reach the surface.
bool ToSurface(double v, float& out) {
  if (std::isnan(v)) return false;
  out = static_cast<float>(std::clamp(v, -kFarTwips, kFarTwips));
  return true;
}

void DrawLine(Surface& d, double x1, double y1, double x2, double y2) {
  float a, b, c, e;
  if (ToSurface(x1, a) && ToSurface(y1, b) && ToSurface(x2, c) && ToSurface(y2, e)) {
    d.Line(a, b, c, e);
  }
}

void DrawLineTo(Surface& d, double x, double y) {
  float a, b;
  if (ToSurface(x, a) && ToSurface(y, b)) d.LineTo(a, b);
}

void DrawPixel(Surface& d, double x, double y) {
  float a, b;
  if (ToSurface(x, a) && ToSurface(y, b)) d.PSet(a, b);
}

// The point editor's mark of a deleted point: the two diagonals of the square
// of half-side 100 around it.
void DrawCross(Surface& d, double x, double y) {
  const double h = kCrossHalfSide;
  DrawLine(d, x - h, y - h, x + h, y + h);
  DrawLine(d, x - h, y + h, x + h, y - h);
}

// The frame, and everything drawn after it until the next clear, the points,
// the grid and the curves and markers the windows add, clipped to it, so that
// nothing runs over the axis labels.
void DrawFrame(Surface& d, const PlotArea& a) {
  DrawFrameLines(d, a);
  d.ClipTo(a.left, a.top, a.right, a.bottom);
}

// Grid indices of one axis: k1 = Int(origin / step), k2 = Int(end / step), and
// the last index worth visiting (one step beyond the far edge of the area; the
// ones after it are skipped by the on-edge rule anyway).
struct GridRange {
  bool ok = false;
  int64_t k1 = 0, k2 = 0, kLast = 0;
};

GridRange GridOf(double origin, double span, double end, float step) {
  GridRange g;
  if (!(step > 0)) return g;
  const double s = step;
  const double a = std::floor(origin / s);
  const double b = std::floor(end / s);
  const double c = std::floor((origin + span) / s) + 1;
  // Indices must be exact integers; beyond 2^53 the axis has no usable grid.
  constexpr double kExact = 9007199254740992.0;
  if (!(std::fabs(a) < kExact && std::fabs(b) < kExact && std::fabs(c) < kExact)) return g;
  g.ok = true;
  g.k1 = static_cast<int64_t>(a);
  g.k2 = static_cast<int64_t>(b);
  g.kLast = std::min(g.k2, static_cast<int64_t>(c));
  return g;
}

// The grid of each axis: for every index a grey line across the frame with a
// black tick of 100 twips at both ends; a line on an edge of the frame is
// drawn, one outside it is skipped.
void DrawTimeGrid(Surface& d, const PlotMapping& map, float step, const GridRange& g) {
  const PlotArea& a = map.area;
  for (int64_t k = g.k1; k <= g.kLast; ++k) {
    const double v = static_cast<double>(step) * static_cast<double>(k);
    const double x = map.X(v);
    if (!(a.left <= x && x <= a.right)) continue;
    d.SetForeColor(kGridGrey);
    DrawLine(d, x, a.top, x, a.bottom);
    d.SetForeColor(kBlack);
    DrawLine(d, x, a.top, x, a.top + 100.0);
    DrawLine(d, x, a.bottom - 100.0, x, a.bottom);
  }
}

void DrawMagGrid(Surface& d, const PlotMapping& map, float step, const GridRange& g) {
  const PlotArea& a = map.area;
  for (int64_t j = g.k1; j <= g.kLast; ++j) {
    const double u = static_cast<double>(step) * static_cast<double>(j);
    const double y = map.Y(u);
    if (!(a.top <= y && y <= a.bottom)) continue;
    d.SetForeColor(kGridGrey);
    DrawLine(d, a.left, y, a.right, y);
    d.SetForeColor(kBlack);
    DrawLine(d, a.left, y, a.left + 100.0, y);
    DrawLine(d, a.right - 100.0, y, a.right, y);
  }
}

// The text of a tick step: the first `chars` characters of the general
// number-to-text form of the single-precision value.
std::string StepText(float step, size_t chars) {
  return NumberText(static_cast<double>(step), 7).substr(0, chars);
}

// Width of the time labels: RoundEven(ln t1 + d + 3). Where that has no value
// (t1 <= 0, so no logarithm) or gives no usable field (below one character, or
// absurdly wide), the width is that of the plain fixed text of t1 with d
// decimals, so the label shows the whole number.
int TimeLabelWidth(double t1, int decimals) {
  if (t1 > 0) {
    const double w = RoundEven(std::log(t1) + decimals + 3);
    if (std::isfinite(w) && w >= 1 && w <= 64) return static_cast<int>(w);
  }
  const std::string text = FormatFixed(t1, 64, decimals);
  return static_cast<int>(text.size() - text.find_first_not_of(' '));
}

// Runs the row/column search of the labels: from a, add g while a + 100 <
// edge, counting the steps in k. With g not positive the search could not end;
// it then stays at the first grid value.
void SearchFirstInside(double& a, double g, double edge, int64_t& k) {
  if (!(std::isfinite(g) && g > 0)) return;
  // a starts within a grid step of the edge, so few rounds are needed; the
  // bound only guards against absurd inputs.
  for (int rounds = 0; a + 100 < edge && rounds < 100000; ++rounds) {
    a += g;
    ++k;
  }
}

// Places a label and sets its caption.
void PlaceLabel(PlotWindow& w, const char* name, double left, double top,
                const std::string& caption) {
  w.SetLeft(name, left);
  w.SetTop(name, top);
  w.SetCaption(name, caption);
}

// A grid label of an axis: its position (left or top) and the grid value it
// shows.
struct GridLabel {
  double at;
  double value;
};

// The two end labels of an axis, each 100 twips before its grid line: the
// first grid line at or past the area's near edge (SearchFirstInside from k1
// by `spacing`), and the last grid value. `toTwips` maps a value to the axis.
template <class ToTwips>
std::pair<GridLabel, GridLabel> EndGridLabels(const ToTwips& toTwips, double step,
                                              double spacing, double nearEdge,
                                              const GridRange& g) {
  double first = RoundEven(toTwips(step * static_cast<double>(g.k1))) - 100;
  int64_t k = g.k1;
  SearchFirstInside(first, spacing, nearEdge, k);
  return {{first, step * static_cast<double>(k)},
          {toTwips(step * static_cast<double>(g.k2)) - 100, step * static_cast<double>(g.k2)}};
}

// Where the axis labels of a window go.
struct LabelStyle {
  double timeTop;       // Label1, Label2
  double stepTop;       // Label3
  bool fourierTime;     // the Fourier window's own time labels
  size_t magStepChars;  // characters of Label6
};

// The time labels of all windows but the Fourier window: the second and the
// second-to-last grid values, d = RoundEven(-ln s) decimals, one width for both
// computed from the first, each centred by 50 twips a character.
void SetTimeLabels(PlotWindow& w, const PlotMapping& map, float s, const GridRange& g,
                   const LabelStyle& style) {
  const int d = static_cast<int>(RoundEven(-std::log(static_cast<double>(s))));
  const double t1 = static_cast<double>(s) * static_cast<double>(g.k1 + 1);
  const double t2 = static_cast<double>(s) * static_cast<double>(g.k2 - 1);
  const int width = TimeLabelWidth(t1, d);
  const std::string c1 = FormatFixed(t1, width, d);
  const std::string c2 = FormatFixed(t2, width, d);
  PlaceLabel(w, "Label1", RoundEven(map.X(t1)) - 50.0 * static_cast<double>(c1.size()),
             style.timeTop, c1);
  PlaceLabel(w, "Label2", RoundEven(map.X(t2)) - 50.0 * static_cast<double>(c2.size()),
             style.timeTop, c2);
}

// The Fourier window's time labels: the first grid column at or right of the
// left edge and the last grid value, three decimals.
void SetFourierTimeLabels(PlotWindow& w, const PlotMapping& map, float s, const GridRange& g,
                          const LabelStyle& style) {
  const PlotArea& a = map.area;
  const double step = s;
  const double g0 = RoundEven(a.width * step / (map.T1 - map.T0));
  const auto [first, last] =
      EndGridLabels([&](double t) { return map.X(t); }, step, g0, a.left, g);
  PlaceLabel(w, "Label1", first.at, style.timeTop, FormatFixed(first.value, 6, 3));
  PlaceLabel(w, "Label2", last.at, style.timeTop, FormatFixed(last.value, 6, 3));
}

// The magnitude labels: the first grid row at or below the top edge, the last
// grid value and the step.
void SetMagLabels(PlotWindow& w, const PlotMapping& map, float r, const GridRange& g,
                  const LabelStyle& style) {
  const PlotArea& a = map.area;
  const double step = r;
  const double rowSpacing = RoundEven(a.height * step / (map.M1 - map.M0));
  const auto [first, last] =
      EndGridLabels([&](double m) { return map.Y(m); }, step, rowSpacing, a.top, g);
  PlaceLabel(w, "Label4", 0, first.at, FormatFixed(first.value, 5, 1));
  PlaceLabel(w, "Label5", 0, last.at, FormatFixed(last.value, 5, 1));
  PlaceLabel(w, "Label6", 0, a.top + 0.6 * a.height, StepText(r, style.magStepChars));
}

// Draws both grids and sets Label1..Label6 on a window whose frame and points
// are drawn. An axis without a usable step (see TickStep) gets no grid and
// empty labels; the mappings keep every span positive, so only absurd limits
// get there.
void DrawGridAndLabels(PlotWindow& w, const PlotMapping& map, const LabelStyle& style) {
  Surface& d = w.Drawing();
  const PlotArea& a = map.area;

  const float s = TickStep(map.TS);
  const GridRange tg = GridOf(map.T0, map.TS, map.T1, s);
  if (tg.ok) {
    DrawTimeGrid(d, map, s, tg);
    if (style.fourierTime) {
      SetFourierTimeLabels(w, map, s, tg, style);
    } else {
      SetTimeLabels(w, map, s, tg, style);
    }
    w.SetCaption("Label3", StepText(s, 6));
    w.SetLeft("Label3", a.left + 0.66 * a.width);
    w.SetTop("Label3", style.stepTop);
  } else {
    for (const char* name : {"Label1", "Label2", "Label3"}) w.SetCaption(name, "");
  }

  const float r = TickStep(map.MS);
  const GridRange mg = GridOf(map.M0, map.MS, map.M1, r);
  if (mg.ok) {
    DrawMagGrid(d, map, r, mg);
    SetMagLabels(w, map, r, mg, style);
  } else {
    for (const char* name : {"Label4", "Label5", "Label6"}) w.SetCaption(name, "");
  }
}

// One control of a window's bottom row: its top is H - topAbove (unless
// kLeave), its left is `left` (unless kLeave).
constexpr int kLeave = -1;
struct ControlPlace {
  const char* name;
  int topAbove;
  int left;
};

constexpr ControlPlace kParabolaRow[] = {
    {"Label7", 1300, 400},   {"Label8", 1300, 1600},   {"Label9", 1060, 400},
    {"Label10", 1060, 1600}, {"Command1", 1200, 2160}, {"Command2", 1200, 3600},
    {"Label11", 1200, 4680}, {"Text1", 1200, 5880},    {"Command3", 1200, 6960},
};

constexpr ControlPlace kTracingRow[] = {
    {"Label7", 1550, 240},    {"Text1", 1550, 1200},    {"Command1", 1550, 2520},
    {"Command2", 1550, 3600}, {"Command3", 1550, 4560}, {"Command4", 1550, 6120},
    {"HScroll1", 1130, 240},  {"Label8", 1130, 3960},
};

constexpr ControlPlace kChordsRow[] = {
    {"Label7", 1300, 240},    {"Label8", 1300, 1440},   {"Label11", 1300, 2040},
    {"Label12", 1300, 3360},  {"Label9", 1060, 240},    {"Label10", 1060, 1440},
    {"Label13", 1060, 2040},  {"Label14", 1060, 3360},  {"Command1", 1200, 3960},
    {"Command2", 1200, 5520}, {"Command3", 1200, 6600},
};

constexpr ControlPlace kKweeRow[] = {
    {"Label7", 1300, 400},    {"Label8", 1300, 1600},   {"Label9", 1060, 400},
    {"Label10", 1060, 1600},  {"Command1", 1200, 2400}, {"Command2", 1200, 3600},
    {"Command3", 1200, 4440}, {"Label11", 1080, 5640},  {"Text1", 1080, 6240},
    {"Label12", 1080, 6840},  {"Text2", 1080, 7320},
};

constexpr ControlPlace kFourierRow[] = {
    {"Label7", 1300, 400},      {"Label8", 1300, 1600},     {"Label9", 1060, kLeave},
    {"Label10", 1060, kLeave},  {"Command1", 1200, kLeave}, {"Command2", 1200, kLeave},
    {"Command3", 1200, kLeave}, {"Command4", 1200, kLeave}, {"Command5", 1200, kLeave},
};

// Number of the Fourier window's parameter boxes, Text1(1..8).
constexpr int kFourierBoxes = 8;

void PlaceControls(PlotWindow& w, std::span<const ControlPlace> row, double height) {
  for (const ControlPlace& c : row) {
    if (c.topAbove != kLeave) w.SetTop(c.name, height - c.topAbove);
    if (c.left != kLeave) w.SetLeft(c.name, c.left);
  }
}

enum class MethodWindow { Parabola, Chords, Kwee, Fourier };

// The four method windows other than the tracing paper differ only in their
// plot area, time labels and control row.
bool PlotMethodWindow(Store& s, PlotWindow& w, MethodWindow kind) {
  // An empty working set (every point deleted) has no orientation to judge: it
  // is drawn as an empty frame.
  if (s.NPoints >= 1 && LooksInverted(s)) {
    w.ShowMessage(kInvertedMessage);
    return false;
  }
  w.ShowWindow();
  Surface& d = w.Drawing();
  d.Cls();

  const int width = w.WidthTwips();
  const int height = w.HeightTwips();
  const bool fourier = kind == MethodWindow::Fourier;
  const PlotArea area = fourier ? FourierPlotArea(width, height) : StandardPlotArea(width, height);
  StorePlotArea(s, area);
  DrawFrame(d, area);

  const int n = std::min<int>(s.NPoints, kMaxPoints);
  if (n >= 1) {
    const PlotMapping map = MethodMapping(s);
    d.SetForeColor(kRed);
    for (int i = 1; i <= n; ++i) DrawDotMark(d, map.X(s.RelTime[i]), map.Y(s.Mag[i]));
    const LabelStyle style{height - 1800.0, height - 1600.0, fourier, 6};
    DrawGridAndLabels(w, map, style);
  }

  switch (kind) {
    case MethodWindow::Parabola:
      PlaceControls(w, kParabolaRow, s.Plott1Height);
      break;
    case MethodWindow::Chords:
      PlaceControls(w, kChordsRow, height);
      break;
    case MethodWindow::Kwee:
      PlaceControls(w, kKweeRow, s.Plott4Height);
      break;
    case MethodWindow::Fourier:
      PlaceControls(w, kFourierRow, height);
      for (int j = 1; j <= kFourierBoxes; ++j) {
        // The boxes (1200 twips wide) end 120 twips inside the window's right edge.
        w.SetLeft("Text1(" + std::to_string(j) + ")", width - 1320.0);
        w.SetLeft("Label" + std::to_string(10 + j), width - 1320.0);
      }
      for (int j = 1; j <= kFourierBoxes; ++j) {
        w.SetCaption("Text1(" + std::to_string(j) + ")", FormatFixed(s.FitParam[j], 8, 5));
      }
      break;
  }
  return true;
}

}  // namespace

void DrawFrameLines(Surface& d, const PlotArea& a) {
  d.SetForeColor(kBlack);
  d.Line(a.left, a.top, a.right, a.top);
  d.Line(a.right, a.top, a.right, a.bottom);
  d.Line(a.right, a.bottom, a.left, a.bottom);
  d.Line(a.left, a.bottom, a.left, a.top);
}

void DrawDotMark(Surface& surface, double x, double y) {
  float a, b;
  if (ToSurface(x, a) && ToSurface(y, b)) surface.Disc(a, b, kDotRadius);
}

bool PlotParabola(Store& s, PlotWindow& window) {
  return PlotMethodWindow(s, window, MethodWindow::Parabola);
}

bool PlotChords(Store& s, PlotWindow& window) {
  return PlotMethodWindow(s, window, MethodWindow::Chords);
}

bool PlotKwee(Store& s, PlotWindow& window) {
  return PlotMethodWindow(s, window, MethodWindow::Kwee);
}

bool PlotFourier(Store& s, PlotWindow& window) {
  s.MagRange = s.MagMax - s.MagMin;
  return PlotMethodWindow(s, window, MethodWindow::Fourier);
}

bool PlotTracingPaper(Store& s, PlotWindow& window) {
  const int n = std::min<int>(s.NPoints, kMaxPoints);
  if (n >= 1 && LooksInverted(s)) {
    window.ShowMessage(kInvertedMessage);
    return false;
  }
  if (n >= 1) ComputeFoldLayout(s);

  window.ShowWindow();
  Surface& d = window.Drawing();
  d.Cls();
  const double height = s.Plott2Height;  // the stored height, also for the labels and controls
  const PlotArea area = TracingPlotArea(window.WidthTwips(), s.Plott2Height);
  StorePlotArea(s, area);
  DrawFrame(d, area);

  if (n >= 1) {
    const PlotMapping map = TracingMapping(s);
    const double fold = s.FoldTime;

    // Branch before the fold, in red; point 1 whatever its time.
    d.SetForeColor(kRed);
    DrawDotMark(d, map.X(s.RelTime[1]), map.Y(s.SmoothMag[1]));
    DrawPixel(d, map.X(s.RelTime[1]), map.Y(s.SmoothMag[1]));
    int j = 2;
    for (; j <= n; ++j) {
      if (s.RelTime[j] > fold) break;
      const double x = map.X(s.RelTime[j]);
      const double y = map.Y(s.SmoothMag[j]);
      DrawLineTo(d, x, y);
      DrawDotMark(d, x, y);
    }

    // The rest reflected about FoldTime (not FoldView), in blue; what falls
    // left of the frame is clipped like every curve.
    if (j <= n) {
      d.SetForeColor(kBlue);
      const double x = map.X(2 * fold - s.RelTime[j]);
      const double y = map.Y(s.SmoothMag[j]);
      DrawPixel(d, x, y);
      // The first reflected point carries a dot mark like every other point,
      // so that both branches show all their observations alike.
      DrawDotMark(d, x, y);
      for (int i = j + 1; i <= n; ++i) {
        const double xi = map.X(2 * fold - s.RelTime[i]);
        const double yi = map.Y(s.SmoothMag[i]);
        DrawLineTo(d, xi, yi);
        DrawDotMark(d, xi, yi);
      }
    }

    const LabelStyle style{height - 2050, height - 1850, false, 6};
    DrawGridAndLabels(window, map, style);
  }

  PlaceControls(window, kTracingRow, height);
  window.SetCaption("Text1", FormatFixed(s.FoldTime, 14, 5));

  return s.NPoints >= 1 && FoldGivesTime(s, s.FoldTime);
}

void PlotLightCurve(Store& s, PlotWindow& window) {
  s.EditMagRange = std::fabs(s.EditMagRange);
  Surface& d = window.Drawing();
  d.SetBackColor(kWhite);

  const int height = window.HeightTwips();
  const PlotArea area = StandardPlotArea(window.WidthTwips(), height);
  StorePlotArea(s, area);
  DrawFrame(d, area);

  const PlotMapping map = EditorMapping(s);
  d.SetForeColor(kRed);
  const int nAll = std::min<int>(s.NPointsAll, kMaxPoints);
  for (int i = 1; i <= nAll; ++i) {
    const double x = map.X(s.RelTimeAll[i]);
    const double y = map.Y(s.MagAll[i]);
    if (s.Deleted[i] == 0) {
      DrawDotMark(d, x, y);
    } else {
      DrawCross(d, x, y);
    }
  }

  const LabelStyle style{height - 1800.0, height - 1600.0, false, 5};
  DrawGridAndLabels(window, map, style);
}

}  // namespace vantor
