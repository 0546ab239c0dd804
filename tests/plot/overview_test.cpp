// Tests of the import window's overview of a whole series: every point (or
// every column of a long series) drawn inside the frame with its extremes at
// the frame's edges, and the interval to load shaded and marked where it lies.
#include "plot/overview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace vantor {
namespace {

using Kind = Primitive::Kind;

constexpr int kWidth = 9000, kHeight = 1600;

// n points over 10 days from JD 2459800, a 0.6 mag eclipse every 1.3 days.
void Series(int n, std::vector<double>& t, std::vector<double>& m) {
  t.resize(n);
  m.resize(n);
  for (int i = 0; i < n; ++i) {
    t[i] = 2459800 + 10.0 * i / (n - 1);
    const double phase = std::remainder(t[i] - 2459800.4, 1.3);
    m[i] = 12 + 0.6 * std::exp(-std::pow(phase / 0.04, 2));
  }
}

struct Extent {
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
};

Extent Of(const DrawingList& d, Rgb colour) {
  Extent e;
  for (const Primitive& p : d.Primitives()) {
    if (p.color != colour) continue;
    e.minX = std::min({e.minX, double(p.x1), p.kind == Kind::Line ? double(p.x2) : INFINITY});
    e.maxX = std::max({e.maxX, double(p.x1), p.kind == Kind::Line ? double(p.x2) : -INFINITY});
    e.minY = std::min({e.minY, double(p.y1), p.kind == Kind::Line ? double(p.y2) : INFINITY});
    e.maxY = std::max({e.maxY, double(p.y1), p.kind == Kind::Line ? double(p.y2) : -INFINITY});
  }
  return e;
}

// A short series is a dot per point, a long one a line per column; either
// way it fills the frame from its brightest (top) to its faintest (bottom).
TEST(DrawSeriesOverview, DrawsEveryPointOrEveryColumnWithinTheFrame) {
  const PlotArea a = OverviewArea(kWidth, kHeight);
  struct Case {
    int n;
    Kind kind;
  };
  for (const Case c : {Case{300, Kind::Disc}, Case{kOverviewDotsAtMost, Kind::Disc},
                       Case{100000, Kind::Line}}) {
    SCOPED_TRACE(c.n);
    std::vector<double> t, m;
    Series(c.n, t, m);
    DrawingList d;
    DrawSeriesOverview(d, kWidth, kHeight, t, m, std::nullopt, std::nullopt);
    const int red = d.Count(c.kind, kRed);
    if (c.kind == Kind::Disc) {
      EXPECT_EQ(red, c.n);
    } else {
      // About one line per column however many points: the drawing stays small.
      EXPECT_GT(red, a.width / kOverviewColumnTwips / 2);
      EXPECT_LE(red, a.width / kOverviewColumnTwips + 1);
    }
    const Extent e = Of(d, kRed);
    EXPECT_NEAR(e.minY, a.top, 0.5);      // the brightest point at the top
    EXPECT_NEAR(e.maxY, a.bottom, 0.5);   // the faintest at the bottom
    EXPECT_GE(e.minX, a.left - 0.5);
    EXPECT_LE(e.maxX, a.right + 0.5);
    EXPECT_EQ(d.Count(Kind::Line, kMarkerPurple), 0);
    EXPECT_EQ(d.Count(Kind::Line, kIntervalTint), 0);
  }
}

TEST(DrawSeriesOverview, ShadesAndMarksTheIntervalWhereItLies) {
  const PlotArea a = OverviewArea(kWidth, kHeight);
  std::vector<double> t, m;
  Series(500, t, m);
  const auto X = [&](double jd) { return a.left + a.width * (jd - t.front()) / 10.0; };
  const double left = a.left, right = a.right;
  struct Case {
    const char* what;
    std::optional<double> from, until;
    int markers;
    double shadeFrom, shadeUntil;  // NaN: no shading
  };
  const double none = NAN;
  const Case cases[] = {
      {"inside", 2459802.0, 2459803.5, 2, X(2459802.0), X(2459803.5)},
      {"from only", 2459808.0, std::nullopt, 1, X(2459808.0), right},
      {"until only", std::nullopt, 2459801.0, 1, left, X(2459801.0)},
      {"reaching past the end", 2459809.0, 2459830.0, 1, X(2459809.0), right},
      {"after the series", 2459820.0, 2459821.0, 0, none, none},
      {"the wrong way round", 2459805.0, 2459804.0, 2, none, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DrawingList d;
    DrawSeriesOverview(d, kWidth, kHeight, t, m, c.from, c.until);
    EXPECT_EQ(d.Count(Kind::Line, kMarkerPurple), c.markers);
    for (const Primitive& p : d.Primitives()) {
      if (p.color != kMarkerPurple) continue;
      const bool atAnEnd = (c.from && std::fabs(p.x1 - X(*c.from)) < 0.5) ||
                           (c.until && std::fabs(p.x1 - X(*c.until)) < 0.5);
      EXPECT_TRUE(atAnEnd) << p.x1;
    }
    if (std::isnan(c.shadeFrom)) {
      EXPECT_EQ(d.Count(Kind::Line, kIntervalTint), 0);
      continue;
    }
    const Extent e = Of(d, kIntervalTint);
    EXPECT_NEAR(e.minX, c.shadeFrom, 0.5);
    EXPECT_NEAR(e.maxX, c.shadeUntil, kOverviewColumnTwips);
    EXPECT_NEAR(d.Count(Kind::Line, kIntervalTint),
                (c.shadeUntil - c.shadeFrom) / kOverviewColumnTwips, 1.5);
  }
}

TEST(DrawSeriesOverview, AnEmptySeriesIsAnEmptyFrame) {
  DrawingList d;
  DrawSeriesOverview(d, kWidth, kHeight, {}, {}, 2459800.0, 2459801.0);
  EXPECT_EQ(d.Count(Kind::Line, kBlack), 4);
  EXPECT_EQ(d.Primitives().size(), 4u + d.Count(Kind::Line, kGridGrey));
}

}  // namespace
}  // namespace vantor
