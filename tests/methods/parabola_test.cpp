// Tests of the parabolic fit: exact parabolas, a hand-solved example, a
// symmetric light curve, a real eclipse, and every refusal.
#include "methods/parabola.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/reader.h"
#include "test_curves.h"

namespace vantor {
namespace {

using testing::MakeStore;

TEST(ParabolaFit, ExactParabolaGivesItsVertexAndNoScatter) {
  // y = 2 + 3 (x - 0.5)^2 = 2.75 - 3 x + 3 x^2 at nine times around the vertex.
  std::vector<double> t, m;
  for (int i = 0; i < 9; ++i) {
    t.push_back(0.3 + 0.05 * i);
    m.push_back(2 + 3 * (t.back() - 0.5) * (t.back() - 0.5));
  }
  const auto s = MakeStore(t, m);
  for (const auto& [first, last] : {std::pair{1, 9}, std::pair{3, 7}}) {
    const auto fit = FitParabola(*s, first, last);
    ASSERT_TRUE(fit) << fit.error().message;
    EXPECT_NEAR(fit->minimum.rel_time, 0.5, 1e-9);
    EXPECT_NEAR(fit->a2, 3, 1e-7);
    EXPECT_NEAR(fit->a1, -3, 1e-7);
    EXPECT_NEAR(fit->a0, 2.75, 1e-7);
    EXPECT_LT(fit->rms, 1e-9);
    EXPECT_LT(std::fabs(fit->s1) + std::fabs(fit->s2), 1e-8);
    EXPECT_LT(std::fabs(fit->minimum.error), 1e-12);
  }
}

TEST(ParabolaFit, HandSolvedExampleWithItsErrors) {
  // Times 0..4 d. In u = x - 2 (-2..2) the normal matrix is diagonal but for
  // the u^2 column: Su2 = 10, Su4 = 34, so b1 = Suy / 10, b2 = (Su2y - 2 Sy)
  // / 14, b0 = (Sy - 10 b2) / 5, var(b1) = 1/10, var(b2) = 1/14, cov = 0.
  // Back in x: a2 = b2, a1 = b1 - 4 b2, a0 = b0 - 2 b1 + 4 b2 and
  // var(a1) = 1/10 + 16/14.
  const std::vector<double> x = {0, 1, 2, 3, 4}, y = {3.1, 1.2, 0.8, 1.3, 2.9};
  double Sy = 0, Suy = 0, Su2y = 0;
  for (int i = 0; i < 5; ++i) {
    Sy += y[i];
    Suy += (x[i] - 2) * y[i];
    Su2y += (x[i] - 2) * (x[i] - 2) * y[i];
  }
  const double b2 = (Su2y - 2 * Sy) / 14, b1 = Suy / 10, b0 = (Sy - 10 * b2) / 5;
  double ssr = 0;
  for (int i = 0; i < 5; ++i) {
    const double u = x[i] - 2, e = y[i] - (b0 + b1 * u + b2 * u * u);
    ssr += e * e;
  }
  const double rms = std::sqrt(ssr / 2);
  const double a2 = b2, a1 = b1 - 4 * b2, a0 = b0 - 2 * b1 + 4 * b2, tv = -a1 / (2 * a2);
  const double s1 = rms * std::sqrt(0.1 + 16.0 / 14), s2 = rms * std::sqrt(1.0 / 14);

  const auto s = MakeStore(x, y);
  const auto fit = FitParabola(*s, 1, 5);
  ASSERT_TRUE(fit) << fit.error().message;
  EXPECT_NEAR(fit->a0, a0, 1e-12);
  EXPECT_NEAR(fit->a1, a1, 1e-12);
  EXPECT_NEAR(fit->a2, a2, 1e-12);
  EXPECT_NEAR(fit->minimum.rel_time, tv, 1e-12);
  EXPECT_NEAR(fit->rms, rms, 1e-12);
  EXPECT_NEAR(fit->s1, s1, 1e-12);
  EXPECT_NEAR(fit->s2, s2, 1e-12);
  // rms multiplies once more although s1 and s2 contain it.
  EXPECT_NEAR(fit->minimum.error, rms * tv * std::hypot(s2 / a2, s1 / a1), 1e-12);
  EXPECT_GT(fit->minimum.error, 0);

  // The same points a day earlier: the vertex time and the error turn negative.
  const auto before = MakeStore({-1, -0.75, -0.5, -0.25, 0}, y);
  const auto shifted = FitParabola(*before, 1, 5);
  ASSERT_TRUE(shifted) << shifted.error().message;
  EXPECT_LT(shifted->minimum.rel_time, 0);
  EXPECT_LT(shifted->minimum.error, 0);
}

TEST(ParabolaFit, SymmetricLightCurveGivesItsAxis) {
  // A Gaussian dip (0.8 mag deep, 0.06 d wide) about T0 = 0.7123, sampled
  // every 0.004 d symmetrically; ranges mirrored about T0. The sums use the
  // uncentred relative times, so the ranges are wide (+-0.06 d at least).
  const double T0 = 0.7123;
  std::vector<double> t, m;
  for (int j = -30; j <= 30; ++j) {
    const double u = 0.004 * j / 0.06;
    t.push_back(T0 + 0.004 * j);
    m.push_back(0.1 + 0.8 * std::exp(-u * u));
  }
  const auto s = MakeStore(t, m);
  for (const int half : {15, 20, 30}) {
    const auto fit = FitParabola(*s, 31 - half, 31 + half);
    ASSERT_TRUE(fit) << fit.error().message;
    EXPECT_NEAR(fit->minimum.rel_time, T0, 1e-9) << "half-width " << half;
  }
}

TEST(ParabolaFit, RealEclipseLandsOnThePublishedMinimum) {
  // CM Dra, TESS, epoch 7024; published minimum 58739.9291169 (Deeg 2021).
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_TEST_DATA_DIR "/real/CMDra7024.csv";
  const ReadResult st = ReadLightCurve(*s);
  ASSERT_TRUE(st.has_value()) << st.error().message;
  ASSERT_EQ(s->HjdBase, 58739);
  // The faintest point is 16; ranges from +-3 to +-11 points around it. The
  // narrowest ones lose digits in the sums on uncentred times near 0.93 day
  // (the RMS deviation of +-3 would come out 20 times too large): they are
  // solved about the mean time instead, and the wider ones as they are.
  for (int half = 3; half <= 11; ++half) {
    const auto fit = FitParabola(*s, 16 - half, 16 + half);
    ASSERT_TRUE(fit) << "half-width " << half << ": " << fit.error().message;
    EXPECT_EQ(fit->centred, half <= 5) << "half-width " << half;
    EXPECT_NEAR(s->HjdBase + fit->minimum.rel_time, 58739.9291169, 0.0005) << "half-width " << half;
    EXPECT_GT(fit->rms, 0.003);
    EXPECT_LT(fit->rms, 0.07);
    EXPECT_GT(fit->minimum.error, 0);
    EXPECT_LT(fit->minimum.error, 0.01);
  }
}

TEST(ParabolaFit, NarrowRangesGiveTheFormulasExactValues) {
  // The program's own formulas (uncentred sums, Cramer's rule, its error
  // estimate) evaluated with 60 significant digits on CM Dra epoch 7024.
  struct Case {
    int half;
    double tv, error, rms, a1, a2, s1, s2;
  };
  const Case cases[] = {
      {2, 0.929138169097, 0.000286290221312, 0.0037506815655, 16625.105489, -8946.51949619,
       965.81612517, 519.6681604},
      {3, 0.929141526709, 0.000613122046843, 0.00768225280516, 13295.6243226, -7154.78963129,
       807.604144027, 434.54024127},
      {5, 0.929138968164, 0.0017328377587, 0.0188964401115, 8905.83502757, -4792.52045858,
       621.56435781, 334.439052184},
  };
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_TEST_DATA_DIR "/real/CMDra7024.csv";
  ASSERT_TRUE(ReadLightCurve(*s).has_value());
  for (const Case& c : cases) {
    const auto fit = FitParabola(*s, 16 - c.half, 16 + c.half);
    ASSERT_TRUE(fit) << fit.error().message;
    EXPECT_TRUE(fit->centred);
    EXPECT_NEAR(fit->minimum.rel_time, c.tv, 1e-9) << "half-width " << c.half;
    EXPECT_NEAR(fit->minimum.error, c.error, 1e-6 * c.error) << "half-width " << c.half;
    EXPECT_NEAR(fit->rms, c.rms, 1e-6 * c.rms) << "half-width " << c.half;
    EXPECT_NEAR(fit->a1, c.a1, 1e-6 * c.a1) << "half-width " << c.half;
    EXPECT_NEAR(fit->a2, c.a2, -1e-6 * c.a2) << "half-width " << c.half;
    EXPECT_NEAR(fit->s1, c.s1, 1e-6 * c.s1) << "half-width " << c.half;
    EXPECT_NEAR(fit->s2, c.s2, 1e-6 * c.s2) << "half-width " << c.half;
  }
}

TEST(ParabolaFitRefusal, EachRefusalSaysWhy) {
  struct Case {
    std::vector<double> t, m;
    int first, last;
    const char* says;
  };
  const std::vector<double> t5 = {0.1, 0.2, 0.3, 0.4, 0.5}, m5 = {1, 2, 3, 2, 1};
  const Case cases[] = {
      {t5, m5, 2, 4, "at least 4 points in the range; the range 2 to 4 holds 3"},
      {t5, m5, 5, 1, "The range 5 to 1 runs backwards"},
      {t5, m5, 0, 0, "The range 0 to 0 reaches outside the points 1 to 5"},
      {t5, m5, INT_MIN, INT_MAX, "reaches outside the points 1 to 5"},
      {t5, m5, 0, 4, "outside the points 1 to 5"},
      {t5, m5, 2, 6, "outside the points 1 to 5"},
      {{0.1, 0.1, 0.2, 0.2, 0.1}, m5, 1, 5, "fewer than three different times"},
      // Rounding leaves the uncentred sums a tiny curvature: no "too narrow" here.
      {{0.85, 0.86, 0.87, 0.88, 0.89}, {0.5, 0.5, 0.5, 0.5, 0.5}, 1, 5, "magnitudes of the range are equal"},
      // x^4 overflows, so the determinant is not finite.
      {{1e80, 2e80, 3e80, 4e80}, {1, 2, 2, 1}, 1, 4, "singular"},
      {{0, 1, 2, 3, 4}, {1, 3, 5, 7, 9}, 1, 5, "straight line"},
      // Exactly representable times symmetric about 0: a1 is exactly 0.
      {{-0.5, -0.25, 0, 0.25, 0.5}, {1.25, 1.0625, 1, 1.0625, 1.25}, 1, 5, "linear coefficient 0"},
      // Squared residuals overflow.
      {t5, {1e200, -1e200, 2e200, -1e200, 1e200}, 1, 5, "no finite result"},
  };
  for (const Case& c : cases) {
    const auto s = MakeStore(c.t, c.m);
    const auto fit = FitParabola(*s, c.first, c.last);
    ASSERT_FALSE(fit) << c.says;
    EXPECT_NE(fit.error().message.find(c.says), std::string::npos) << fit.error().message;
  }
  EXPECT_TRUE(FitParabola(*MakeStore(t5, m5), 2, 5));  // four points are enough
}

}  // namespace
}  // namespace vantor
