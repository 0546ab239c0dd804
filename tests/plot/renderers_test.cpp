// Tests of the plot renderers: refusal of inverted curves, plot area, frame and
// marks, grid and labels, control rows, the point editor and the tracing
// paper's folded branches, read back from a RecordingPlotWindow.
#include "plot/renderers.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/reader.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"
#include "plot/mapping.h"

namespace vantor {
namespace {

using Kind = Primitive::Kind;

// A RecordingPlotWindow that tells "left alone" from "set to 0".
class Window : public RecordingPlotWindow {
 public:
  using RecordingPlotWindow::RecordingPlotWindow;
  void SetLeft(const std::string& c, double v) override {
    lefts[c] = v;
    RecordingPlotWindow::SetLeft(c, v);
  }
  void SetTop(const std::string& c, double v) override {
    tops[c] = v;
    RecordingPlotWindow::SetTop(c, v);
  }
  std::string Caption(const std::string& c) const {
    const auto it = Controls().find(c);
    return it == Controls().end() ? "<unset>" : it->second.caption;
  }
  std::map<std::string, double> lefts, tops;
};

// Loads n points, one every 0.001 day from HJD 2458000.300, of a dip of 0.5 mag
// whose faintest point is in the middle; `inverted` loads it as C-V.
std::unique_ptr<Store> Dip(int n, bool inverted = false) {
  std::string text;
  char line[64];
  for (int i = 0; i < n; ++i) {
    const double t = 0.300 + 0.001 * i;
    const double m = 10 + 0.5 * std::exp(-std::pow((t - 0.3002 - 0.0005 * (n - 1)) / 0.005, 2));
    std::snprintf(line, sizeof line, "%.6f,%.5f\n", 2458000 + t, m);
    text += line;
  }
  auto s = std::make_unique<Store>();
  EXPECT_TRUE(ReadLightCurveText(*s, text).has_value());
  if (inverted) ApplyMagSign(*s, 1);
  StartTracing(*s);
  return s;
}

std::vector<Primitive> Select(const DrawingList& list, Kind kind, Rgb color) {
  std::vector<Primitive> out;
  for (const Primitive& p : list.Primitives()) {
    if (p.kind == kind && p.color == color) out.push_back(p);
  }
  return out;
}

// Positions of the grey grid lines across the time axis (vertical) or the
// magnitude axis (horizontal).
std::vector<float> Grid(const DrawingList& list, bool vertical) {
  std::vector<float> at;
  for (const Primitive& p : Select(list, Kind::Line, kGridGrey)) {
    if (vertical ? p.x1 == p.x2 : p.y1 == p.y2) at.push_back(vertical ? p.x1 : p.y1);
  }
  return at;
}

bool AllFinite(const DrawingList& list) {
  for (const Primitive& p : list.Primitives()) {
    for (float v : {p.x1, p.y1, p.x2, p.y2}) {
      if (!std::isfinite(v)) return false;
    }
  }
  return true;
}

const std::pair<const char*, bool (*)(Store&, PlotWindow&)> kMethods[] = {
    {"Parabola", PlotParabola},
    {"Chords", PlotChords},
    {"Kwee", PlotKwee},
    {"Fourier", PlotFourier}};

TEST(Renderers, InvertedCurveIsRefusedAndEqualDistancesDraw) {
  for (const auto& [name, render] : kMethods) {
    SCOPED_TRACE(name);
    auto s = Dip(21, true);
    Window w(7200, 5400);
    w.Drawing().Line(1, 2, 3, 4);  // an earlier drawing survives: no clear
    EXPECT_FALSE(render(*s, w));
    EXPECT_EQ(w.Messages(), std::vector<std::string>{kInvertedMessage});
    EXPECT_EQ(w.TimesShown(), 0);
    EXPECT_EQ(w.List().Primitives().size(), 1u);
    EXPECT_TRUE(w.Controls().empty());
    // n/2 = 2.5: brightest point 1 and faintest point 4 lie 1.5 from it.
    auto e = Dip(5);
    e->BrightIdx = 1, e->FaintIdx = 4;
    Window v(7200, 5400);
    EXPECT_TRUE(render(*e, v));
    EXPECT_TRUE(v.Messages().empty());
    EXPECT_EQ(v.TimesShown(), 1);
  }
  auto s = Dip(21, true);
  Window w(7200, 5400);
  EXPECT_FALSE(PlotTracingPaper(*s, w));
  EXPECT_EQ(w.Messages().size(), 1u);
  EXPECT_TRUE(w.List().Primitives().empty() && w.Controls().empty());
  Window e(7200, 5400);
  PlotLightCurve(*s, e);  // the editor draws whatever the sign
  EXPECT_EQ(e.List().Count(Kind::Disc, kRed), 21);
}

TEST(Renderers, FrameFirstThenOneRedDiscPerWorkingPoint) {
  auto s = Dip(40);
  for (int i : {3, 17, 40}) s->Deleted[i] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  auto line = [](float x1, float y1, float x2, float y2) {
    return Primitive{Kind::Line, kBlack, x1, y1, x2, y2, 0};
  };
  for (const auto& [name, render] : kMethods) {
    SCOPED_TRACE(name);
    Window w(7200, 5400);
    ASSERT_TRUE(render(*s, w));
    const float l = name == std::string("Fourier") ? 700 : 500;
    const float r = name == std::string("Fourier") ? 5700 : 6785;
    EXPECT_EQ(
        (std::vector<Primitive>(w.List().Primitives().begin(), w.List().Primitives().begin() + 4)),
        (std::vector<Primitive>{line(l, 242, r, 242), line(r, 242, r, 3550), line(r, 3550, l, 3550),
                                line(l, 3550, l, 242)}));
    EXPECT_EQ((std::array{s->PlotLeft, s->PlotRight, s->PlotTop, s->PlotBottom}),
              (std::array<int16_t, 4>{int16_t(l), int16_t(r), 242, 3550}));
    const std::vector<Primitive> discs = Select(w.List(), Kind::Disc, kRed);
    ASSERT_EQ(discs.size(), 37u);
    EXPECT_EQ(w.List().Count(Kind::Disc), 37);
    const PlotMapping map = MethodMapping(*s);
    EXPECT_FLOAT_EQ(discs[16].x1, map.X(s->RelTime[17]));  // working point 17 = file point 18
    EXPECT_FLOAT_EQ(discs[16].y1, map.Y(s->Mag[17]));
    EXPECT_EQ(discs[16].radius, 25.0f);
  }
}

TEST(Renderers, TimeGridOnTheEdgesAndLabelsFromK1) {
  auto s = Dip(21);
  s->TMin = 0.2, s->TMax = 0.3, s->TRange = 0.1;  // step 0.01
  Window w(7200, 5400);
  ASSERT_TRUE(PlotParabola(*s, w));
  EXPECT_EQ(w.Caption("Label3"), "0.01");
  const std::vector<float> xs = Grid(w.List(), true);
  ASSERT_EQ(xs.size(), 10u);  // 0.21 .. 0.30: the float step puts k1's 0.2 a hair outside
  EXPECT_NEAR(xs[1] - xs[0], 628.5, 0.01);
  EXPECT_EQ(w.List().Count(Kind::Line, kBlack), 4 + 2 * 10 + 2 * (int)Grid(w.List(), false).size());
  // d = RoundEven(-ln 0.01) = 5, width RoundEven(ln 0.21 + 5 + 3) = 6.
  EXPECT_EQ(w.Caption("Label1"), "  0.21");
  EXPECT_EQ(w.Caption("Label2"), "  0.29");
  EXPECT_EQ(w.tops["Label1"], 5400 - 1800);

  s->TMin = 1.0, s->TMax = 3.0, s->TRange = 2.0;  // step 0.5 lands on both edges
  Window e(7200, 5400);
  ASSERT_TRUE(PlotChords(*s, e));
  EXPECT_EQ(Grid(e.List(), true), (std::vector<float>{500, 2071.25f, 3642.5f, 5213.75f, 6785}));

  s->TMin = 1.2, s->TMax = 3.2;  // k1's 1.0 lies outside, Label1 is still k1 + 1
  Window o(7200, 5400);
  ASSERT_TRUE(PlotKwee(*s, o));
  EXPECT_EQ(Grid(o.List(), true).size(), 4u);
  EXPECT_EQ(o.Caption("Label1"), " 1.5");  // d = 1, width RoundEven(ln 1.5 + 4) = 4
  EXPECT_EQ(o.lefts["Label1"], RoundEven(1442.75) - 50 * 4);
  EXPECT_EQ(o.Caption("Label2"), " 2.5");

  Window f(8800, 6500);  // the Fourier window's columns: 1650 apart from -60
  ASSERT_TRUE(PlotFourier(*s, f));
  EXPECT_EQ(f.Caption("Label1"), " 1.500");
  EXPECT_EQ(f.lefts["Label1"], 1590);
  EXPECT_EQ(f.Caption("Label2"), " 3.000");

  s->TMin = -0.002, s->TMax = 0.098, s->TRange = 0.1;  // t1 = 0: no logarithm
  Window z(7200, 5400);
  ASSERT_TRUE(PlotParabola(*s, z));
  // FormatFixed writes zero as "00.00000" (the leading zero of values below 1
  // comes on top of DecimalText(0) = "0"); the width is that text's.
  EXPECT_EQ(z.Caption("Label1"), "00.00000");
  EXPECT_EQ(z.Caption("Label2"), "    0.08");
}

TEST(Renderers, MagnitudeLabelsAndDegenerateRange) {
  auto s = Dip(21);
  s->MagMin = 10.0, s->MagMax = 10.5, s->MagRange = 0.5;  // step 0.1, j1 = 99 above the frame
  Window w(7200, 5400);
  ASSERT_TRUE(PlotParabola(*s, w));
  EXPECT_NEAR(std::stod(w.Caption("Label4")), 10.0, 1e-9);  // first row inside: j1 + 1
  EXPECT_EQ(w.tops["Label4"], 142);                         // -520 + one row of 662
  EXPECT_EQ(w.Caption("Label5"), " 10.4");
  EXPECT_EQ(w.Caption("Label6"), "0.1");
  EXPECT_EQ(Grid(w.List(), false).size(), 5u);
  s->MagMin = 9.0, s->MagMax = 11.0, s->MagRange = 2.0;  // step 0.5: rows on both edges
  Window b(7200, 5400);
  ASSERT_TRUE(PlotParabola(*s, b));
  EXPECT_EQ(Grid(b.List(), false), (std::vector<float>{242, 1069, 1896, 2723, 3550}));

  for (int i = 1; i <= s->NPointsAll; ++i) s->MagRaw[i] = 10.25;
  ApplyMagSign(*s, 0);
  ASSERT_EQ(s->MagRange, 0.0);
  for (const auto& [name, render] : kMethods) {
    SCOPED_TRACE(name);
    Window v(7200, 5400);
    ASSERT_TRUE(render(*s, v));
    EXPECT_TRUE(AllFinite(v.List()));
    EXPECT_FLOAT_EQ(Select(v.List(), Kind::Disc, kRed)[0].y1, 242 + 3308 / 2.0f);
    EXPECT_FALSE(Grid(v.List(), false).empty());
    EXPECT_TRUE(std::isfinite(v.tops["Label4"]));
  }
  // Every point deleted: the method windows show an empty frame, no result.
  for (int i = 1; i <= s->NPointsAll; ++i) s->Deleted[i] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  Window e(7200, 5400), t(7200, 5400);
  EXPECT_TRUE(PlotParabola(*s, e));
  EXPECT_FALSE(PlotTracingPaper(*s, t));
  EXPECT_EQ(e.List().Primitives().size() + t.List().Primitives().size(), 8u);
}

TEST(Renderers, ControlRowsFollowTheHeightEachWindowUses) {
  auto s = Dip(21);
  s->Plott1Height = 6000, s->Plott4Height = 6100, s->Plott2Height = 6200;
  Window p(7200, 5400), c(7200, 5400), k(7200, 5400), t(7200, 5400), f(8800, 6500);
  ASSERT_TRUE(PlotParabola(*s, p) && PlotChords(*s, c) && PlotKwee(*s, k) && PlotFourier(*s, f));
  ASSERT_TRUE(PlotTracingPaper(*s, t));
  EXPECT_EQ(p.tops["Label7"], 6000 - 1300);
  EXPECT_EQ(p.lefts["Text1"], 5880);
  EXPECT_EQ(p.tops["Label1"], 5400 - 1800);  // the plot itself by the current height
  EXPECT_EQ(c.tops["Label14"], 5400 - 1060);
  EXPECT_EQ(c.lefts["Command2"], 5520);
  EXPECT_EQ(k.tops["Text2"], 6100 - 1080);
  EXPECT_EQ(k.lefts["Command3"], 4440);
  EXPECT_EQ(t.tops["HScroll1"], 6200 - 1130);
  EXPECT_EQ(t.lefts["Command4"], 6120);
  EXPECT_EQ(t.tops["Label1"], 6200 - 2050);
  EXPECT_EQ(t.tops["Label3"], 6200 - 1850);
  EXPECT_EQ(s->PlotBottom, 6200 - 2100);
  EXPECT_EQ(f.tops["Label8"], 6500 - 1300);
  for (const char* left : {"Label9", "Command1", "Command5"}) EXPECT_FALSE(f.lefts.count(left));
  EXPECT_EQ(f.tops["Command5"], 6500 - 1200);
  EXPECT_EQ(f.lefts["Text1(8)"], 8800 - 1320);
  EXPECT_EQ(f.lefts["Label18"], 8800 - 1320);
  EXPECT_FALSE(f.tops.count("Text1(8)"));
  s->FitParam[5] = -0.0123456;
  ASSERT_TRUE(PlotFourier(*s, f));
  EXPECT_EQ(f.Caption("Text1(5)"), "-0.01235");
  EXPECT_EQ(f.Caption("Text1(6)"), "00.00000");
}

TEST(PointEditor, CrossWhereMeasuredAndAxesFixedAfterDeletions) {
  auto s = Dip(21);
  Window before(6675, 4245);
  PlotLightCurve(*s, before);
  for (int i : {1, 7, 21}) s->Deleted[i] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  const double range = s->EditMagRange;
  s->EditMagRange = -range;  // made absolute before drawing
  Window w(6675, 4245);
  PlotLightCurve(*s, w);
  EXPECT_EQ(s->EditMagRange, range);
  EXPECT_EQ(w.TimesShown(), 0);
  EXPECT_EQ(w.List().BackColor(), kWhite);
  EXPECT_EQ(w.List().Count(Kind::Disc, kRed), 18);
  const std::vector<Primitive> cross = Select(w.List(), Kind::Line, kRed);
  ASSERT_EQ(cross.size(), 6u);
  const PlotMapping map = EditorMapping(*s);
  const float x = map.X(s->RelTimeAll[7]), y = map.Y(s->MagAll[7]);
  EXPECT_EQ(cross[2], (Primitive{Kind::Line, kRed, x - 100, y - 100, x + 100, y + 100, 0}));
  EXPECT_EQ(cross[3], (Primitive{Kind::Line, kRed, x - 100, y + 100, x + 100, y - 100, 0}));
  EXPECT_EQ(Grid(w.List(), true), Grid(before.List(), true));
  EXPECT_EQ(Grid(w.List(), false), Grid(before.List(), false));
  EXPECT_EQ(w.lefts, before.lefts);
  EXPECT_EQ(w.tops, before.tops);
  for (const char* label : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"}) {
    EXPECT_EQ(w.Caption(label), before.Caption(label)) << label;
  }
  EXPECT_EQ(s->PlotBottom, 4245 - 1850);
  // A step of 0.0002: the editor keeps 5 characters of it, a method window 6.
  s->EditMagMax = s->EditMagMin + 0.00123, s->EditMagRange = 0.00123;
  s->MagMax = s->MagMin + 0.00123, s->MagRange = 0.00123;
  Window e(6675, 4245), p(7200, 5400);
  PlotLightCurve(*s, e);
  ASSERT_TRUE(PlotParabola(*s, p));
  EXPECT_EQ(e.Caption("Label6"), "0.000");
  EXPECT_EQ(p.Caption("Label6"), "0.0002");
}

TEST(TracingPaper, FoldRightOfTheDataIsAllRedAndLeftReflectsFromPointTwo) {
  auto s = Dip(21);
  s->FoldTime = 0.5;
  Window r(7200, 7200);
  ASSERT_TRUE(PlotTracingPaper(*s, r));
  // Drawn, but a fold outside the light curve is no time of minimum.
  const auto right = TracingResultAt(*s, s->FoldTime);
  EXPECT_FALSE(right.has_value());
  EXPECT_EQ(r.List().Count(Kind::Disc, kRed), 21);
  EXPECT_EQ(r.List().Count(Kind::Line, kRed), 20);
  EXPECT_EQ(r.List().Count(Kind::Disc, kBlue) + r.List().Count(Kind::Line, kBlue), 0);
  EXPECT_EQ(r.Caption("Text1"), "       0.50000");

  s->FoldTime = 0.1;  // typed left of TMin
  Window l(7200, 7200);
  ASSERT_TRUE(PlotTracingPaper(*s, l));
  const auto left = TracingResultAt(*s, s->FoldTime);
  EXPECT_FALSE(left.has_value());
  EXPECT_DOUBLE_EQ(s->FoldView, s->TMin + 0.1 * (s->TMax - s->TMin));
  EXPECT_EQ(l.List().Count(Kind::Disc, kRed), 1);
  const std::vector<Primitive> blue = Select(l.List(), Kind::Disc, kBlue);
  ASSERT_EQ(blue.size(), 20u);  // points 2..21, the first reflected one too
  EXPECT_EQ(l.List().Count(Kind::Line, kBlue), 19);
  const PlotMapping map = TracingMapping(*s);
  EXPECT_FLOAT_EQ(blue[0].x1, map.X(0.2 - s->RelTime[2]));  // about the fold, not the view
  EXPECT_FLOAT_EQ(blue[19].x1, map.X(0.2 - s->RelTime[21]));
  for (float x : Grid(l.List(), true)) EXPECT_LE(x, map.X(s->FoldView) + 1e-3);

  s->FoldTime = -HUGE_VAL;  // a typed number too large: drawn finite, no result
  Window n(7200, 7200);
  EXPECT_FALSE(PlotTracingPaper(*s, n));
  EXPECT_TRUE(AllFinite(n.List()));
}

}  // namespace
}  // namespace vantor
