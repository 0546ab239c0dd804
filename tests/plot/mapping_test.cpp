// Tests of the tick-step rule, the plot areas and the window mappings.
#include "plot/mapping.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace vantor {
namespace {

TEST(TickStep, FactorBoundariesAndPowersOfTen) {
  EXPECT_EQ(TickStep(5.0), 1.0f);  // q exactly 5: the step u
  EXPECT_EQ(TickStep(4.99), 0.5f);
  EXPECT_EQ(TickStep(2.0), 0.5f);  // q exactly 2: u/2
  EXPECT_EQ(TickStep(1.99), 0.2f);
  EXPECT_EQ(TickStep(50.0), 10.0f);
  // The divisor lies a little below ln 10: 0.1 gets p = -2, 10 gets p = 1.
  EXPECT_EQ(TickStep(0.1), 0.01f);
  EXPECT_EQ(TickStep(10.0), 2.0f);
  for (double bad : {0.0, -0.5, std::nan(""), HUGE_VAL, 1e300, 1e-300}) {
    EXPECT_EQ(TickStep(bad), 0.0f) << bad;
  }
}

TEST(TickStep, CutsEveryRangeIntoFourToTenIntervals) {
  for (double r = 1e-4; r < 1e4; r *= 1.0137) {
    const double intervals = r / TickStep(r);
    EXPECT_GE(intervals, 4.0 * (1 - 1e-6)) << r;
    EXPECT_LE(intervals, 10.0 * (1 + 1e-6)) << r;
  }
}

TEST(PlotArea, EdgesOfEachKindOfWindow) {
  const PlotArea a = StandardPlotArea(7200, 5400);
  EXPECT_EQ((std::array{a.left, a.right, a.top, a.bottom, a.width, a.height}),
            (std::array<int16_t, 6>{500, 6785, 242, 3550, 6285, 3308}));
  const PlotArea f = FourierPlotArea(8800, 6500);
  EXPECT_EQ((std::array{f.left, f.right, f.bottom}), (std::array<int16_t, 3>{700, 7300, 4650}));
  EXPECT_EQ(TracingPlotArea(7200, 7200).bottom, 5100);
  // A window beyond the 16-bit range is pinned, a too low one goes negative.
  const PlotArea big = StandardPlotArea(40000, 1000);
  EXPECT_EQ(big.right, 32767);
  EXPECT_EQ(big.height, -1092);
}

TEST(PlotMapping, InverseAndEachWindowsLimits) {
  const PlotMapping m = MakeMapping(StandardPlotArea(7200, 5400), 0.1, 0.2, 0.3, 9.5, 1.0, 10.5);
  EXPECT_DOUBLE_EQ(m.X(0.3), 6785);
  EXPECT_DOUBLE_EQ(m.Y(10.5), 3550);  // fainter lies lower
  for (double t : {0.05, 0.1234567, 0.29}) EXPECT_NEAR(m.TimeAt(m.X(t)), t, 1e-12);
  for (double v : {9.0, 9.87654, 10.5}) EXPECT_NEAR(m.MagAt(m.Y(v)), v, 1e-12);

  Store s;
  StorePlotArea(s, StandardPlotArea(7200, 5400));
  s.TMin = 0.1, s.TRange = 0.2, s.TMax = 0.3, s.MagMin = 9.5, s.MagRange = 1, s.MagMax = 10.5;
  s.EditTMin = 0, s.EditTRange = 0.4, s.EditMagMin = 9, s.EditMagRange = 2;
  s.FoldSpan = 0.15, s.FoldView = 0.2;
  EXPECT_DOUBLE_EQ(MethodMapping(s).X(0.3), 6785);
  EXPECT_DOUBLE_EQ(TracingMapping(s).X(0.25), 6785);  // TMin + FoldSpan
  EXPECT_DOUBLE_EQ(TracingMapping(s).T1, 0.2);        // grid ends at the fold view
  EXPECT_DOUBLE_EQ(EditorMapping(s).X(0.4), 6785);
  EXPECT_DOUBLE_EQ(EditorMapping(s).Y(11), 3550);
}

TEST(PlotMapping, DegenerateSpansStayFinite) {
  const PlotArea area = StandardPlotArea(7200, 5400);
  // Every magnitude equal: the axis is centred on the value.
  const PlotMapping m = MakeMapping(area, 0.1, 0.2, 0.3, 10.0, 0.0, 10.0);
  EXPECT_DOUBLE_EQ(m.MS, kDegenerateSpan);
  EXPECT_DOUBLE_EQ(m.M1, 10.0 + kDegenerateSpan / 2);
  EXPECT_NEAR(m.Y(10.0), area.top + area.height / 2.0, 1e-9);
  const PlotMapping n = MakeMapping(area, 0.1, -0.5, 0.3, 10.0, std::nan(""), 11.0);
  EXPECT_TRUE(std::isfinite(n.X(0.2)) && std::isfinite(n.Y(10.3)));
  // An empty area inverts to the origin instead of dividing by zero.
  const PlotMapping flat = MakeMapping(StandardPlotArea(915, 2092), 0.1, 0.2, 0.3, 9.5, 1, 10.5);
  EXPECT_DOUBLE_EQ(flat.TimeAt(800), 0.1);
  EXPECT_DOUBLE_EQ(flat.MagAt(300), 9.5);
}

}  // namespace
}  // namespace vantor
