// Tests of the figures made from a window's drawing: the grid and its labels
// agree with the window's grid, the window's points and curves are kept and
// cut at the frame, its frame and ticks are drawn anew, and the texts.
#include "plot/figure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/plot_window.h"
#include "core/reader.h"
#include "plot/mapping.h"
#include "plot/renderers.h"

namespace vantor {
namespace {

using Kind = Primitive::Kind;

// Loads n points, one every `stepDays` from HJD 2458000.300, of a dip of
// `depth` mag in the middle (seedless: the curve is exact).
Store Dip(int n, double stepDays, double depth) {
  std::string text;
  char line[64];
  const double mid = 0.300 + stepDays * (n - 1) / 2;
  for (int i = 0; i < n; ++i) {
    const double t = 0.300 + stepDays * i;
    const double m = 10 + depth * std::exp(-std::pow((t - mid) / (stepDays * n / 8), 2));
    std::snprintf(line, sizeof line, "%.6f,%.5f\n", 2458000 + t, m);
    text += line;
  }
  Store s;
  EXPECT_TRUE(ReadLightCurveText(s, text).has_value());
  return s;
}

std::vector<double> Sorted(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The x of the vertical (or y of the horizontal) lines of `colour` in a drawing.
std::vector<double> GridLines(const DrawingList& d, Rgb colour, bool vertical) {
  std::vector<double> at;
  for (const Primitive& p : d.Primitives()) {
    if (p.kind != Kind::Line || p.color != colour) continue;
    if (vertical && p.x1 == p.x2) at.push_back(p.x1);
    if (!vertical && p.y1 == p.y2) at.push_back(p.y1);
  }
  return Sorted(at);
}

bool HasText(const Figure& f, const std::string& text) {
  return std::any_of(f.texts.begin(), f.texts.end(),
                     [&](const FigureText& t) { return t.text == text; });
}

// Light curves of different spans and depths give different steps (and
// decimals) on both axes; each is drawn by the parabola window at its default
// size and at a small size, and laid out as a figure.
TEST(BuildFigure, GridLinesAreTheWindowsOwnEachWithALabel) {
  struct Case {
    int n;
    double stepDays, depth;
    int width, height;
  };
  for (const Case c : {Case{40, 0.001, 0.5, 8100, 5400}, Case{60, 0.0021, 0.07, 8100, 5400},
                       Case{25, 0.013, 1.8, 5000, 4000}}) {
    SCOPED_TRACE(c.n);
    Store s = Dip(c.n, c.stepDays, c.depth);
    RecordingPlotWindow w(c.width, c.height);
    ASSERT_TRUE(PlotParabola(s, w));
    const PlotMapping map = MethodMapping(s);
    const Figure f = BuildFigure(w.List(), map, {"title", "x", "y"});

    // Every grey line of the window lies at a labelled grid value of the figure,
    // and the figure has no grid line the window lacks.
    const std::vector<double> winX = GridLines(w.List(), kGridGrey, true);
    const std::vector<double> winY = GridLines(w.List(), kGridGrey, false);
    ASSERT_GE(winX.size(), 2u);
    ASSERT_GE(winY.size(), 2u);
    ASSERT_EQ(f.xTicks.size(), winX.size());
    ASSERT_EQ(f.yTicks.size(), winY.size());
    for (size_t i = 0; i < winX.size(); ++i) EXPECT_NEAR(map.X(f.xTicks[i]), winX[i], 0.5);
    for (size_t i = 0; i < winY.size(); ++i) EXPECT_NEAR(map.Y(f.yTicks[i]), winY[i], 0.5);
    const double xStep = TickStep(map.TS), yStep = TickStep(map.MS);
    for (const double t : f.xTicks) EXPECT_TRUE(HasText(f, TickLabel(t, xStep))) << t;
    for (const double m : f.yTicks) EXPECT_TRUE(HasText(f, TickLabel(m, yStep))) << m;

    // The figure's grid lines are where its axes put those values.
    const std::vector<double> figX = GridLines(f.drawing, kGridGrey, true);
    ASSERT_EQ(figX.size(), f.xTicks.size());
    const double first = f.plot.left + f.plot.Width() * (f.xTicks.front() - map.T0) / map.TS;
    EXPECT_NEAR(figX.front(), first, 0.5);

    // Every point is a dot of the figure; the window's frame and ticks are
    // replaced by the figure's: four sides and two ticks per grid line.
    EXPECT_EQ(f.drawing.Count(Kind::Disc, kRed), s.NPoints);
    EXPECT_EQ(f.drawing.Count(Kind::Line, kBlack),
              4 + 2 * static_cast<int>(f.xTicks.size() + f.yTicks.size()));
    // And the titles are there.
    EXPECT_TRUE(HasText(f, "title"));
    EXPECT_TRUE(HasText(f, "x"));
    EXPECT_TRUE(HasText(f, "y"));
  }
}

// What a window draws over its light curve is kept, cut at the plot area.
TEST(BuildFigure, CurvesAndMarksAreCutAtTheFrame) {
  const PlotArea area = StandardPlotArea(8100, 5400);  // 500..7685 x 242..3550
  const PlotMapping map = MakeMapping(area, 0, 1, 1, 0, 1, 1);
  const double mx = (area.left + area.right) / 2.0, my = (area.top + area.bottom) / 2.0;
  struct Case {
    const char* what;
    float x1, y1, x2, y2;
    bool kept;
    double fx1, fx2;  // expected figure x of both ends, as fractions of the plot box
  };
  const Case cases[] = {
      {"inside", float(mx), float(my), float(area.right - 1000), float(my), true, 0.5,
       (area.right - 1000.0 - area.left) / area.width},
      {"through the right side", float(mx), float(my), float(area.right + 4000), float(my), true,
       0.5, 1.0},
      {"across the whole area", float(area.left - 50), float(my), float(area.right + 50),
       float(my), true, 0.0, 1.0},
      {"outside", float(area.right + 10), float(area.top), float(area.right + 500),
       float(area.bottom), false, 0, 0},
      {"above", float(mx), float(area.top - 300), float(mx + 100), float(area.top - 10), false, 0,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DrawingList window;
    window.SetForeColor(kMarkerPurple);
    window.Line(c.x1, c.y1, c.x2, c.y2);
    const Figure f = BuildFigure(window, map, {});
    const auto& items = f.drawing.Primitives();
    const auto purple = std::find_if(items.begin(), items.end(),
                                     [](const Primitive& p) { return p.color == kMarkerPurple; });
    ASSERT_EQ(purple != items.end(), c.kept);
    if (!c.kept) continue;
    EXPECT_NEAR(purple->x1, f.plot.left + c.fx1 * f.plot.Width(), 1);
    EXPECT_NEAR(purple->x2, f.plot.left + c.fx2 * f.plot.Width(), 1);
  }

  // Dots: one inside is kept where its window place maps to, one outside is not.
  DrawingList window;
  window.SetForeColor(kBlue);
  window.Disc(static_cast<float>(area.left + area.width / 4.0), static_cast<float>(my), kDotRadius);
  window.Disc(static_cast<float>(area.right + 200), static_cast<float>(my), kDotRadius);
  const Figure f = BuildFigure(window, map, {});
  ASSERT_EQ(f.drawing.Count(Kind::Disc, kBlue), 1);
  for (const Primitive& p : f.drawing.Primitives()) {
    if (p.kind != Kind::Disc) continue;
    EXPECT_NEAR(p.x1, f.plot.left + f.plot.Width() / 4, 1);
    EXPECT_NEAR(p.y1, (f.plot.top + f.plot.bottom) / 2, 1);
  }
}

TEST(TickLabel, ShowsTheDecimalsTheStepNeeds) {
  struct Case {
    double value;
    float step;
    const char* text;
  };
  for (const Case c : {Case{0.35, 0.05f, "0.35"}, Case{0.3, 0.01f, "0.30"},
                       Case{-0.005, 0.005f, "-0.005"}, Case{12, 2.0f, "12"},
                       Case{0.5, 0.5f, "0.5"}, Case{1e-12, 0.01f, "0.00"},
                       Case{-1e-12, 0.1f, "0.0"}, Case{0.0002, 0.0002f, "0.0002"}}) {
    EXPECT_EQ(TickLabel(c.value, static_cast<double>(c.step)), c.text) << c.value;
  }
}

TEST(MethodFigureTitle, NamesTheCurveTheMethodAndItsResult) {
  struct Case {
    const char *name, *time, *error, *title;
  };
  for (const Case c :
       {Case{"CMDra7024.csv", "  2458739.92912", " 0.00002",
             "CMDra7024.csv \u2014 Parabolic fit: HJD 2458739.92912 \u00b1 0.00002"},
        Case{"CMDra7024.csv", "", "", "CMDra7024.csv \u2014 Parabolic fit: no result yet"},
        Case{"", "2458739.9", "", "no light curve \u2014 Parabolic fit: HJD 2458739.9"}}) {
    EXPECT_EQ(MethodFigureTitle(c.name, "Parabolic fit", c.time, c.error), c.title);
  }
}

TEST(AxisTitles, SayTheBaseAndWhichWayIsBrighter) {
  Store s = Dip(20, 0.001, 0.4);
  EXPECT_EQ(TimeAxisTitle(s), "HJD \u2212 2458000 (days)");
  EXPECT_EQ(MagnitudeAxisTitle(s), "Magnitude (brighter up)");
  ApplyMagSign(s, 1);
  EXPECT_NE(MagnitudeAxisTitle(s).find("C\u2212V"), std::string::npos);
}

// The time is named by its scale where the curve's scale is known to be one
// other than heliocentric; HJD as before otherwise.
TEST(AxisTitles, NameTheTimeScale) {
  Store s = Dip(20, 0.001, 0.4);
  struct Case {
    const char *scale, *axis, *title;
  };
  for (const Case c :
       {Case{"BJD_TDB", "BJD_TDB \u2212 2458000 (days)", "a.lc \u2014 Parabolic fit: BJD_TDB 2458739.9"},
        Case{"JD_UTC", "JD_UTC \u2212 2458000 (days)", "a.lc \u2014 Parabolic fit: JD_UTC 2458739.9"},
        Case{"HJD_UTC", "HJD \u2212 2458000 (days)", "a.lc \u2014 Parabolic fit: HJD 2458739.9"},
        Case{"unknown", "HJD \u2212 2458000 (days)", "a.lc \u2014 Parabolic fit: HJD 2458739.9"},
        Case{"", "HJD \u2212 2458000 (days)", "a.lc \u2014 Parabolic fit: HJD 2458739.9"}}) {
    EXPECT_EQ(TimeAxisTitle(s, c.scale), c.axis) << c.scale;
    EXPECT_EQ(MethodFigureTitle("a.lc", "Parabolic fit", "2458739.9", "", c.scale), c.title)
        << c.scale;
  }
}

}  // namespace
}  // namespace vantor
