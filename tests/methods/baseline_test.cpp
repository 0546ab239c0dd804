// The baseline under an eclipse: an eclipse on a slope timed right once it is
// removed and wrong without it, the quadratic chosen only when the F-test
// asks for it, one side refused, and the F distribution's tail.
#include "methods/baseline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "methods/auto_ranges.h"
#include "methods/time_method.h"

namespace vantor {
namespace {

constexpr double kMid = 0.5, kWidth = 0.05, kDepth = 0.5;

// An eclipse of finite duration (first to last contact kMid -+ kWidth) on a
// baseline a1 (t - kMid) + a2 (t - kMid)^2, sampled every `step` from `from`
// to `to`, with Gaussian noise.
Curve Eclipse(double a1, double a2, double noise, double from = 0.38, double to = 0.62,
              double step = 0.002, unsigned seed = 3) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0.0, noise);
  Curve c;
  for (double t = from; t <= to + 1e-12; t += step) {
    const double x = (t - kMid) / kWidth, d = t - kMid;
    const double eclipse = x * x < 1 ? kDepth * std::pow(1 - x * x, 1.5) : 0.0;
    c.RelTime.push_back(t);
    c.Mag.push_back(10 + a1 * d + a2 * d * d + eclipse + g(rng));
  }
  return c;
}

TEST(FDistributionTail, MatchesTheTablesAtOnePercent) {
  // 99 % points of F(d1, d2) from the published tables.
  struct Row {
    double d1, d2, f99;
  };
  for (const Row& r : {Row{1, 10, 10.04}, Row{2, 20, 5.85}, Row{1, 30, 7.56}, Row{5, 30, 3.70},
                       Row{1, 120, 6.85}}) {
    SCOPED_TRACE(r.d2);
    EXPECT_NEAR(FDistributionTail(r.f99, r.d1, r.d2), 0.01, 4e-4);
  }
  EXPECT_NEAR(FDistributionTail(1.0, 4, 4), 0.5, 1e-12);  // F(d, d) is symmetric about 1
  EXPECT_EQ(FDistributionTail(0.0, 1, 10), 1.0);
  EXPECT_NEAR(IncompleteBeta(0.3, 1, 1), 0.3, 1e-12);
  EXPECT_NEAR(IncompleteBeta(0.3, 2, 3) + IncompleteBeta(0.7, 3, 2), 1.0, 1e-12);
}

TEST(Baseline, SlopedEclipseTimedRightOnlyWhenRemoved) {
  constexpr double kSlope = 1.0;  // mag/day
  const Curve c = Eclipse(kSlope, 0.0, 0.002);
  const CurveView raw = c.View();
  const auto b = FitBaseline(raw);
  ASSERT_TRUE(b.has_value()) << b.error().message;
  EXPECT_EQ(b->degree, 1);
  EXPECT_NEAR(b->slope, kSlope, 0.05);
  EXPECT_GE(b->before, kBaselineSidePoints);
  EXPECT_GE(b->after, kBaselineSidePoints);
  // The eclipse (contacts kMid -+ kWidth) lies inside the part left out.
  EXPECT_LT(b->eclipseStart, kMid - 0.9 * kWidth);
  EXPECT_GT(b->eclipseEnd, kMid + 0.9 * kWidth);
  // curvature c = 1.5 depth / width^2 at the bottom: the shift s / (2c).
  EXPECT_NEAR(b->shift, kSlope / (2 * 1.5 * kDepth / (kWidth * kWidth)), 0.3 * b->shift);

  const Curve flat = RemoveBaseline(raw, *b);
  const CurveView fixed = flat.View();
  ASSERT_EQ(fixed.NPoints, raw.NPoints);
  for (const bool detrended : {false, true}) {
    SCOPED_TRACE(detrended);
    const AutoTimings timings = RunAutoTimings(detrended ? fixed : raw);
    for (const auto* m : {&timings.kvw, &timings.chords, &timings.fourier}) {
      ASSERT_TRUE(m->has_value()) << m->error().message;
      const double off = std::fabs((*m)->time - kMid);
      if (detrended) {
        EXPECT_LT(off, 0.25 * b->shift);
      } else {
        EXPECT_GT(off, 0.5 * b->shift);
      }
    }
  }
  EXPECT_NE(SlopeWarning(*b, 0.1 * b->shift).find("alone moves the minimum"), std::string::npos);
  EXPECT_EQ(SlopeWarning(*b, 2 * b->shift), "");
}

TEST(Baseline, QuadraticOnlyWhenTheFTestAsks) {
  struct Case {
    const char* name;
    double a1, a2, from, to;
    int degree;
  };
  const std::vector<Case> cases = {
      {"a line stays linear", 0.8, 0.0, 0.38, 0.62, 1},
      {"a flat baseline stays linear", 0.0, 0.0, 0.38, 0.62, 1},
      {"a curved baseline is quadratic", 0.3, 10.0, 0.38, 0.62, 2},
      {"too few points on a side for a quadratic", 0.3, 10.0, 0.436, 0.62, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Several noise draws: a line must pass the 1 % test in (nearly) all.
    int quadratic = 0;
    constexpr int kDraws = 20;
    for (unsigned seed = 1; seed <= kDraws; ++seed) {
      const Curve curve = Eclipse(c.a1, c.a2, 0.003, c.from, c.to, 0.002, seed);
      const auto b = FitBaseline(curve.View());
      ASSERT_TRUE(b.has_value()) << b.error().message;
      if (b->degree == 2) ++quadratic;
    }
    if (c.degree == 2) {
      EXPECT_EQ(quadratic, kDraws);
    } else {
      EXPECT_LE(quadratic, 2);
    }
  }
}

TEST(Baseline, RefusesOneSideOrNoEclipse) {
  // The night starts inside the eclipse: nothing out of eclipse before it.
  const auto oneSide = FitBaseline(Eclipse(0.5, 0.0, 0.002, 0.47, 0.62).View());
  ASSERT_FALSE(oneSide.has_value());
  EXPECT_NE(oneSide.error().message.find("before the eclipse"), std::string::npos);
  EXPECT_NE(oneSide.error().message.find("extrapolated"), std::string::npos);
  const auto afterOnly = FitBaseline(Eclipse(0.5, 0.0, 0.002, 0.38, 0.53).View());
  ASSERT_FALSE(afterOnly.has_value());
  EXPECT_NE(afterOnly.error().message.find("after the eclipse"), std::string::npos);
  const std::vector<double> t = {1, 2, 3}, m = {0, 0, 0};
  EXPECT_FALSE(FitBaseline(t, m).has_value());
}

}  // namespace
}  // namespace vantor
