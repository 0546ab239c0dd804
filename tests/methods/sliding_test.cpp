// Tests of sliding integrations: the stretch around the faintest point, the
// uniform resampling, the area differences, the line fit and its range, the
// refusals, a symmetric model curve and a real eclipse of CM Dra.
#include "methods/sliding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/reader.h"

namespace vantor {
namespace {

// A store of N working points 0.01 day apart, all at magnitude 5 except the
// faintest (6) at `faint` and the brightest (4) at `bright`.
std::unique_ptr<Store> Series(int N, int faint, int bright) {
  auto s = std::make_unique<Store>();
  s->NPoints = static_cast<int16_t>(N);
  for (int i = 1; i <= N; ++i) {
    s->RelTime[i] = 0.01 * i;
    s->Mag[i] = 5.0;
  }
  s->Mag[faint] = 6.0;
  s->Mag[bright] = 4.0;
  ComputeRanges(*s);
  return s;
}

// 1-based vector from values (cell 0 holds a value that must never be used).
std::vector<double> OneBased(std::initializer_list<double> values) {
  std::vector<double> v{-1e300};
  v.insert(v.end(), values);
  return v;
}

void ExpectStretch(const MethodResult<SlidingStretch>& r, int first, int last, int n) {
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(r->first, first);
  EXPECT_EQ(r->last, last);
  EXPECT_EQ(r->n, n);
}

TEST(StretchChoice, FaintestNearEitherEndOrInTheMiddle) {
  // 0.9 x 15 = 13.5 > 30 - 28: the last point is left out.
  ExpectStretch(ChooseStretch(*Series(30, 28, 1)), 26, 29, 4);
  // 13.5 is not greater than 25 but greater than 5.
  ExpectStretch(ChooseStretch(*Series(30, 5, 30)), 1, 10, 10);
  // Faintest in the middle: the whole series, wherever the brightest lies.
  ExpectStretch(ChooseStretch(*Series(30, 15, 1)), 1, 30, 30);
  ExpectStretch(ChooseStretch(*Series(30, 15, 30)), 1, 30, 30);
  ExpectStretch(ChooseStretch(*Series(30, 15, 16)), 1, 30, 30);
}

TEST(StretchChoice, ComparesWithARealHalf) {
  // 0.9 x 11 / 2 = 4.95: an integer 4 would pick the whole series in both cases.
  ExpectStretch(ChooseStretch(*Series(11, 7, 1)), 3, 10, 8);
  ExpectStretch(ChooseStretch(*Series(11, 4, 11)), 1, 8, 8);
  ExpectStretch(ChooseStretch(*Series(11, 5, 1)), 1, 11, 11);
  ExpectStretch(ChooseStretch(*Series(11, 6, 1)), 1, 11, 11);
}

TEST(StretchChoice, RefusesAnEmptyStretchAndNoData) {
  const auto last = ChooseStretch(*Series(30, 30, 1));
  ASSERT_FALSE(last.has_value());
  EXPECT_NE(last.error().message.find("last point"), std::string::npos);
  EXPECT_FALSE(ChooseStretch(Store{}).has_value());
}

TEST(ResampleUniform, NinePointsGiveTwelveGridPointsEndingOneStepShort) {
  // Uneven times; magnitudes on a straight line, which interpolation keeps.
  const auto T = OneBased({0.30, 0.31, 0.33, 0.34, 0.37, 0.38, 0.40, 0.43, 0.45});
  std::vector<double> Y(T.size());
  for (size_t i = 1; i < T.size(); ++i) Y[i] = 2.0 - 3.0 * T[i];
  std::vector<double> GridT, GridMag;
  double h = 0;
  const int m = ResampleUniform(T, Y, 9, GridT, GridMag, h);
  EXPECT_EQ(m, 4);
  ASSERT_EQ(GridT.size(), 13u);
  ASSERT_EQ(GridMag.size(), 13u);
  EXPECT_DOUBLE_EQ(h, (0.45 - 0.30) / 12);
  EXPECT_EQ(GridT[1], 0.30);
  EXPECT_EQ(GridMag[1], Y[1]);
  EXPECT_NEAR(GridT[12], 0.45 - h, 1e-15);
  for (int k = 1; k <= 12; ++k) {
    EXPECT_NEAR(GridT[k], 0.30 + h * (k - 1), 1e-15) << k;
    EXPECT_NEAR(GridMag[k], 2.0 - 3.0 * GridT[k], 1e-13) << k;
  }
}

// The grid magnitude at g with the two searches done from the ends: j down
// from n to the last sample before g, i up from 1 to the first at or after it.
double GridMagBySearchingFromTheEnds(const std::vector<double>& T, const std::vector<double>& Y,
                                     int n, double g) {
  int j = n;
  while (T[j] >= g) --j;
  int i = 1;
  while (T[i] < g) ++i;
  return Y[j] + (Y[i] - Y[j]) * (g - T[j]) / (T[i] - T[j]);
}

TEST(ResampleUniform, MatchesSearchesFromTheEndsExactly) {
  // In time order with repeated times, and out of order (first and last
  // samples still the earliest and latest); magnitudes curved.
  const std::vector<std::vector<double>> times = {
      OneBased({0.0, 0.1, 0.1, 0.25, 0.3, 0.5, 0.5, 0.5, 0.7, 0.9, 1.0, 1.2, 1.3}),
      OneBased({0.0, 0.3, 0.1, 0.25, 0.9, 0.5, 0.45, 0.7, 0.55, 1.0, 1.25, 1.2, 1.3})};
  for (const auto& T : times) {
    const int n = static_cast<int>(T.size()) - 1;
    std::vector<double> Y(T.size());
    for (int i = 1; i <= n; ++i) Y[i] = std::sin(3 * T[i]) + T[i] * T[i] + 0.01 * i;
    std::vector<double> GridT, GridMag;
    double h = 0;
    const int m = ResampleUniform(T, Y, n, GridT, GridMag, h);
    ASSERT_EQ(m, n / 3 + 1);
    for (int k = 2; k <= 3 * m; ++k) {
      EXPECT_EQ(GridMag[k], GridMagBySearchingFromTheEnds(T, Y, n, GridT[k])) << k;
    }
  }
}

TEST(ResampleUniform, ReturnsZeroWithoutATimeSpan) {
  std::vector<double> GridT, GridMag;
  double h = 1;
  const auto flat = OneBased({0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5});
  EXPECT_EQ(ResampleUniform(flat, flat, 7, GridT, GridMag, h), 0);
  EXPECT_EQ(GridT.size(), 1u);
  const auto backwards = OneBased({0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.1});
  EXPECT_EQ(ResampleUniform(backwards, backwards, 7, GridT, GridMag, h), 0);
  EXPECT_EQ(ResampleUniform(backwards, backwards, 1, GridT, GridMag, h), 0);
}

TEST(FitLine, FitsOnlyTheGivenRange) {
  // Points outside 2..6 are far off the line and must not matter.
  const auto X = OneBased({0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0});
  const auto Y =
      OneBased({100, 2 - 3 * 1.0, 2 - 3 * 2.0, 2 - 3 * 3.0, 2 - 3 * 4.0, 2 - 3 * 5.0, -100});
  const LineFit exact = FitLine(X, Y, 2, 6);
  EXPECT_NEAR(exact.a, 2.0, 1e-12);
  EXPECT_NEAR(exact.b, -3.0, 1e-12);
  EXPECT_NEAR(exact.S, 0.0, 1e-20);

  // Y = 1, 3, 2 at X = 1, 2, 3: line 1 + 0.5 X, residuals 0.5, -1, 0.5.
  const auto Y2 = OneBased({0, 1, 3, 2, 0, 0, 0});
  const LineFit noisy = FitLine(X, Y2, 2, 4);
  EXPECT_NEAR(noisy.a, 1.0, 1e-12);
  EXPECT_NEAR(noisy.b, 0.5, 1e-12);
  EXPECT_NEAR(noisy.S, 1.5, 1e-12);
}

TEST(FitLine, EqualAbscissaeGiveAFlatUndefinedLine) {
  const LineFit f = FitLine(OneBased({2.0, 2.0, 2.0}), OneBased({1.0, 2.0, 3.0}), 1, 3);
  EXPECT_EQ(f.a, 0.0);
  EXPECT_EQ(f.b, 0.0);
  EXPECT_EQ(f.S, 0.0);
}

TEST(SlidingAreaDiff, TrapezoidIntegralsOfKnownCurves) {
  // y(k) = k: every left window holds m^2 less than the right one, times h.
  std::vector<double> line(3 * 3 + 1);
  for (int k = 1; k <= 9; ++k) line[k] = k;
  std::vector<double> AreaDiff;
  ComputeAreaDiff(line, 3, 0.5, AreaDiff);
  ASSERT_EQ(AreaDiff.size(), 4u);
  for (int c = 1; c <= 3; ++c) EXPECT_DOUBLE_EQ(AreaDiff[c], -0.5 * 9) << c;

  // A V with its vertex at grid point 5 (= c + m for c = 2): equal windows there.
  std::vector<double> vee(10);
  for (int k = 1; k <= 9; ++k) vee[k] = -std::fabs(k - 5.0);
  ComputeAreaDiff(vee, 3, 1.0, AreaDiff);
  EXPECT_DOUBLE_EQ(AreaDiff[2], 0.0);
  // c = 1: the left window 1..4 holds -3.5 - 2.5 - 1.5 = -7.5, the right
  // window 4..7 holds -0.5 - 0.5 - 1.5 = -2.5; c = 3 mirrors it.
  EXPECT_DOUBLE_EQ(AreaDiff[1], -7.5 - (-2.5));
  EXPECT_DOUBLE_EQ(AreaDiff[3], -2.5 - (-7.5));
}

TEST(SlidingAreaDiff, SumsEveryPositionInTheWrittenOrder) {
  // Pseudo-random grid (std::mt19937 seed 7024, magnitudes uniform in 5..6):
  // each AreaDiff(c) must equal, to the last bit, the sum over j = 0..m-1 taken
  // in that order.
  std::mt19937 rng(7024);
  std::uniform_real_distribution<double> mag(5.0, 6.0);
  for (int m = 1; m <= 41; m += 4) {
    std::vector<double> y(3 * m + 1);
    for (int k = 1; k <= 3 * m; ++k) y[k] = mag(rng);
    const double h = 0.00123;
    std::vector<double> AreaDiff;
    ComputeAreaDiff(y, m, h, AreaDiff);
    for (int c = 1; c <= m; ++c) {
      double sum = 0;
      for (int j = 0; j <= m - 1; ++j) {
        sum += h * ((y[c + j] + y[c + j + 1]) / 2 - (y[c + j + m] + y[c + j + m + 1]) / 2);
      }
      EXPECT_EQ(AreaDiff[c], sum) << "m " << m << " c " << c;
    }
  }
}

// The O(m) form against the literal loop: on each curve the smallest
// |AreaDiff| is found at the same position, the positions the line fit may
// use hold the literal sums to the last bit, and the method's result is the
// same, bit for bit. Curves: eclipses with and without noise (symmetric and
// not, up to 10 000 points), a line, a flat stretch (every sum ties) and noise alone.
TEST(SlidingAreaDiff, RunningSumFindsWhatTheLiteralLoopFinds) {
  struct Curve {
    const char* name;
    int points;
    double noise;
    double depth;
    double skew;
  };
  const Curve curves[] = {
      {"eclipse", 1000, 0.003, 0.8, 0.0},
      {"noise-free eclipse", 300, 0.0, 0.8, 0.0},
      {"skewed eclipse", 2000, 0.01, 0.5, 0.4},
      {"large eclipse", 10000, 0.002, 1.2, 0.1},
      {"shallow noisy", 600, 0.05, 0.02, 0.0},
      {"flat", 400, 0.0, 0.0, 0.0},
      {"noise only", 700, 0.01, 0.0, 0.0},
      {"tiny", 6, 0.0, 0.3, 0.0},
      {"line", 500, 0.0, 0.0, 1.0},
  };
  std::mt19937 rng(1414);
  for (const Curve& c : curves) {
    std::normal_distribution<double> noise(0.0, c.noise > 0 ? c.noise : 1.0);
    std::vector<double> T(c.points + 1), Y(c.points + 1);
    for (int i = 1; i <= c.points; ++i) {
      T[i] = 0.3 + 0.2 * (i - 1) / (c.points - 1) + 1e-5 * std::sin(i);
      const double u = (T[i] - 0.4) / (0.03 * (T[i] < 0.4 ? 1 - c.skew : 1 + c.skew));
      Y[i] = 5 + c.depth * std::exp(-u * u) + (c.name == std::string("line") ? T[i] : 0.0) +
             (c.noise > 0 ? noise(rng) : 0.0);
    }
    std::vector<double> GridT, GridMag, literal, running;
    double h = 0;
    const int m = ResampleUniform(T, Y, c.points, GridT, GridMag, h);
    ComputeAreaDiff(GridMag, m, h, literal);
    ComputeAreaDiffWhereNeeded(GridMag, m, h, running);
    ASSERT_EQ(running.size(), literal.size()) << c.name;
    const int cmin = SmallestAreaDiff(literal, m);
    EXPECT_EQ(SmallestAreaDiff(running, m), cmin) << c.name;
    for (int k = std::max(1, cmin - 5); cmin > 0 && k <= std::min(m, cmin + 5); ++k) {
      EXPECT_EQ(running[k], literal[k]) << c.name << " position " << k;
    }
    const auto expected = SolveAreaDiff(GridT, literal, c.points, m, h);
    const auto actual = SlidingIntegrations(T, Y, c.points);
    ASSERT_EQ(actual.has_value(), expected.has_value()) << c.name;
    if (!expected) {
      EXPECT_EQ(actual.error(), expected.error()) << c.name;
      continue;
    }
    EXPECT_EQ(actual->minimum.rel_time, expected->minimum.rel_time) << c.name;
    EXPECT_EQ(actual->minimum.error, expected->minimum.error) << c.name;
    EXPECT_EQ(actual->cmin, expected->cmin) << c.name;
    EXPECT_EQ(actual->w, expected->w) << c.name;
  }
}

TEST(SlidingCmin, SmallestMagnitudeFirstOneWinsBoundNinetyNine) {
  EXPECT_EQ(SmallestAreaDiff(OneBased({100, -3, 3, 5}), 4), 2);
  EXPECT_EQ(SmallestAreaDiff(OneBased({7, 2, -1, 1}), 4), 3);
  EXPECT_EQ(SmallestAreaDiff(OneBased({99, -99, 1e6}), 3), 0);
  EXPECT_EQ(SmallestAreaDiff(OneBased({99, 98.9}), 2), 2);
}

TEST(SlidingFitRange, HalfWidthRuleAndLimits) {
  const FitRange a = LineFitRange(3, 10);  // 3 < 7: w = 2
  EXPECT_EQ(a.w, 2);
  EXPECT_EQ(a.first, 1);
  EXPECT_EQ(a.last, 5);
  const FitRange b = LineFitRange(8, 40);  // w = 7, limited to 5
  EXPECT_EQ(b.w, 5);
  EXPECT_EQ(b.first, 3);
  EXPECT_EQ(b.last, 13);
  const FitRange c = LineFitRange(5, 10);  // 5 < 5 fails: w = 10 - 5 - 1
  EXPECT_EQ(c.w, 4);
  EXPECT_EQ(c.first, 1);
  EXPECT_EQ(c.last, 9);
  const FitRange d = LineFitRange(9, 10);  // w = 0, raised to 1
  EXPECT_EQ(d.w, 1);
  EXPECT_EQ(d.first, 8);
  EXPECT_EQ(d.last, 10);
  // Every interior cmin keeps the fit inside 1..m.
  for (int m = 3; m <= 40; ++m) {
    for (int cmin = 2; cmin <= m - 1; ++cmin) {
      const FitRange r = LineFitRange(cmin, m);
      EXPECT_GE(r.first, 1) << cmin << " " << m;
      EXPECT_LE(r.last, m) << cmin << " " << m;
    }
  }
}

TEST(SlidingSolve, RefusesEdgesNoMinimumZeroSlopeAndNonFiniteResults) {
  const auto GridT = OneBased({0.0, 1.0, 2.0, 3.0, 4.0, 5.0});
  auto refusal = [&](std::initializer_list<double> areaDiff, double h) {
    const auto r = SolveAreaDiff(GridT, OneBased(areaDiff), 10, 5, h);
    EXPECT_FALSE(r.has_value());
    return r.has_value() ? std::string() : r.error().message;
  };
  EXPECT_NE(refusal({0.1, 2, 3, 4, 5}, 0.1).find("edge"), std::string::npos);
  EXPECT_NE(refusal({5, 4, 3, 2, 0.1}, 0.1).find("edge"), std::string::npos);
  EXPECT_NE(refusal({120, 110, 100, 130, 140}, 0.1).find("99"), std::string::npos);
  // |AreaDiff| smallest at 3 but symmetric about it: the fitted slope is 0.
  EXPECT_NE(refusal({5, 1, 0.5, 1, 5}, 0.1).find("slope"), std::string::npos);
  // A crossing at 3 with a time step whose window length overflows.
  EXPECT_NE(refusal({2, 1, 0, -1, -2}, 1e308).find("finite"), std::string::npos);

  const auto ok = SolveAreaDiff(GridT, OneBased({2, 1, 0.1, -0.9, -2}), 10, 5, 0.1);
  ASSERT_TRUE(ok.has_value()) << ok.error().message;
  EXPECT_EQ(ok->cmin, 3);
  EXPECT_EQ(ok->w, 1);  // 3 < 2 fails: w = 5 - 3 - 1
  // Line through (1, 1), (2, 0.1), (3, -0.9) (GridT(c) = c - 1): b = -0.95,
  // a = mean Y - b mean X.
  const double b = -0.95, a = (1 + 0.1 - 0.9) / 3 - b * 2;
  EXPECT_NEAR(ok->minimum.rel_time, -a / b + 5 * 0.1, 1e-12);
  // Residuals (1, -2, 1) x 0.1 / 6 give S = 1 / 600; err = sqrt(S / m).
  EXPECT_NEAR(ok->minimum.error, std::sqrt(1.0 / 600 / 5), 1e-12);
}

TEST(SlidingIntegrations, RefusesShortOrTimelessStretches) {
  const auto T = OneBased({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7});
  const auto Y = OneBased({5.0, 5.5, 5.9, 6.0, 5.9, 5.5, 5.0});
  for (int n : {0, 1, 2, 5}) {
    const auto r = SlidingIntegrations(T, Y, n);
    ASSERT_FALSE(r.has_value()) << n;
    EXPECT_NE(r.error().message.find("at least 6"), std::string::npos) << r.error().message;
  }
  // Cells 1..9 asked of a stretch holding 1..7.
  EXPECT_FALSE(SlidingIntegrations(T, Y, 9).has_value());

  const auto same = OneBased({0.4, 0.4, 0.4, 0.4, 0.4, 0.4, 0.4});
  const auto r = SlidingIntegrations(same, Y, 7);
  ASSERT_FALSE(r.has_value());
  EXPECT_NE(r.error().message.find("spans no time"), std::string::npos);

  const auto huge = OneBased({-1e308, 0.2, 0.3, 0.4, 0.5, 0.6, 1e308});
  EXPECT_FALSE(SlidingIntegrations(huge, Y, 7).has_value());
}

// Samples a V-shaped eclipse: magnitude depth - slope |t - vertex| + 5 at n
// times from t0 with step dt.
void SampleV(int n, double t0, double dt, double vertex, double slope, std::vector<double>& T,
             std::vector<double>& Y) {
  T.assign(n + 1, 0.0);
  Y.assign(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    T[i] = t0 + dt * (i - 1);
    Y[i] = 6.0 - slope * std::fabs(T[i] - vertex);
  }
}

TEST(SlidingIntegrations, SymmetricVFindsItsVertexWithinAFractionOfTheGridStep) {
  struct Case {
    int n;
    double vertexOffsetSteps, slope;
  };
  // Vertex on the middle sample and between samples, odd and even counts.
  for (const Case c : {Case{41, 0.0, 20.0}, Case{41, 0.3, 20.0}, Case{40, 0.5, 5.0},
                       Case{101, -0.45, 40.0}, Case{31, 0.0, 1.0}}) {
    const double t0 = 0.7, dt = 0.002;
    const double vertex = t0 + dt * ((c.n - 1) / 2 + c.vertexOffsetSteps);
    std::vector<double> T, Y;
    SampleV(c.n, t0, dt, vertex, c.slope, T, Y);
    const auto r = SlidingIntegrations(T, Y, c.n);
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_EQ(r->m, c.n / 3 + 1);
    EXPECT_NEAR(r->minimum.rel_time, vertex, 0.1 * r->h)
        << "n " << c.n << " offset " << c.vertexOffsetSteps;
    EXPECT_GE(r->minimum.error, 0);
  }
}

TEST(SlidingRun, RefusesNoDataInvertedEmptyAndTooShortStretches) {
  const auto none = RunSlidingIntegrations(Store{});
  ASSERT_FALSE(none.has_value());
  EXPECT_FALSE(none.error().message.empty());

  // Brightest point in the middle, faintest at an end.
  const auto inverted = RunSlidingIntegrations(*Series(30, 1, 15));
  ASSERT_FALSE(inverted.has_value());
  EXPECT_EQ(inverted.error().message, kInvertedMessage);

  // A faintest last point lies farther from the middle than any brightest one,
  // so the orientation check meets it first; a single point passes that check.
  const auto faintLast = RunSlidingIntegrations(*Series(30, 30, 1));
  ASSERT_FALSE(faintLast.has_value());
  EXPECT_EQ(faintLast.error().message, kInvertedMessage);
  auto single = std::make_unique<Store>();
  single->NPoints = 1;
  single->RelTime[1] = 0.5;
  single->Mag[1] = 6.0;
  ComputeRanges(*single);
  const auto empty = RunSlidingIntegrations(*single);
  ASSERT_FALSE(empty.has_value());
  EXPECT_NE(empty.error().message.find("last point"), std::string::npos);

  // Faintest at 28 of 30: the stretch of four points is too short.
  const auto four = RunSlidingIntegrations(*Series(30, 28, 1));
  ASSERT_FALSE(four.has_value());
  EXPECT_NE(four.error().message.find("at least 6"), std::string::npos);
}

TEST(SlidingRun, UsesTheStretchOfAVShapedEclipseNearTheStart) {
  // 60 points, vertex at point 10: the stretch is points 1..20 and the method
  // must find the vertex from those alone (the rest is a different slope).
  auto s = std::make_unique<Store>();
  s->NPoints = 60;
  const double dt = 0.001, vertex = 0.5 + dt * 9.25;
  for (int i = 1; i <= 60; ++i) {
    s->RelTime[i] = 0.5 + dt * (i - 1);
    const double slope = s->RelTime[i] < vertex ? 30.0 : 30.0 - 10.0 * (i > 20);
    s->Mag[i] = 6.0 - slope * std::fabs(s->RelTime[i] - vertex);
  }
  ComputeRanges(*s);
  ASSERT_EQ(s->FaintIdx, 10);
  const auto r = RunSlidingIntegrations(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(r->stretch.first, 1);
  EXPECT_EQ(r->stretch.last, 20);
  EXPECT_EQ(r->result.n, 20);
  EXPECT_NEAR(r->result.minimum.rel_time, vertex, 0.1 * r->result.h);
}

TEST(SlidingRun, RealEclipseOfCMDraLandsOnThePublishedMinimum) {
  const std::filesystem::path path = VANTOR_TEST_DATA_DIR "/real/CMDra7024.csv";
  auto s = std::make_unique<Store>();
  s->DataDir = path.parent_path().string();
  s->DataFileName = path.filename().string();
  s->DataFilePath = path.string();
  const ReadResult st = ReadLightCurve(*s);
  ASSERT_TRUE(st.has_value()) << st.error().message;
  ASSERT_EQ(s->HjdBase, 58739);
  const auto r = RunSlidingIntegrations(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  // Published (Deeg 2021): 58739.9291169 BJD - 2400000.
  EXPECT_NEAR(s->HjdBase + r->result.minimum.rel_time, 58739.9291169, 0.001);
  EXPECT_LT(r->result.minimum.error, 0.001);
}

}  // namespace
}  // namespace vantor
