// Tests of the bisected chords: symmetric light curves, exact magnitude
// matches, a V-shaped eclipse with known midpoints, the crossing searches on
// a noisy curve, a real eclipse, and every refusal.
#include "methods/chords.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/reader.h"
#include "test_curves.h"

namespace vantor {
namespace {

using testing::MakeStore;

// A Gaussian dip (0.8 mag deep, 0.02 d wide) about T0 = 0.4567, sampled at
// T0 +- (j + 1/2) 0.0015 d for j = 0..24: 50 points, point j mirrors 51 - j.
constexpr double kT0 = 0.4567;
std::unique_ptr<Store> SymmetricDip() {
  std::vector<double> t, m;
  for (int j = -25; j < 25; ++j) {
    const double u = 0.0015 * (j + 0.5) / 0.02;
    t.push_back(kT0 + 0.0015 * (j + 0.5));
    m.push_back(0.1 + 0.8 * std::exp(-u * u));
  }
  return MakeStore(t, m);
}

TEST(BisectChords, SymmetricCurveGivesItsAxis) {
  // Mirrored ranges first; then others, since every chord of a symmetric
  // curve is bisected by its axis wherever it starts: the crossings are
  // searched over the whole series, not only over the other range.
  const auto s = SymmetricDip();
  for (const auto& [i1, i2, i3, i4] : {std::array{8, 20, 31, 43}, std::array{3, 6, 40, 41},
                                       std::array{20, 24, 26, 48}, std::array{10, 10, 49, 49}}) {
    const auto r = BisectChords(*s, i1, i2, i3, i4);
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_NEAR(r->minimum.rel_time, kT0, 1e-9) << i1 << ".." << i2 << ", " << i3 << ".." << i4;
    EXPECT_EQ(r->chords, (i2 - i1 + 1) + (i4 - i3 + 1));
    // All midpoints coincide; the square root keeps only that of the
    // rounding error of Q - T S (a tiny negative one counts as 0).
    EXPECT_LT(r->minimum.error, 1e-7);
  }
}

TEST(BisectChords, ExactMagnitudeMatchMakesThatPointTheCrossing) {
  // Points 3 (left) and 9 (right) share the magnitude 0.5 exactly; point 8 is
  // fainter still. The search from the end stops at 9 and the one from the
  // start at 3, with interpolation fraction 0: both chords run from 3 to 9.
  const auto s = MakeStore({0.10, 0.12, 0.14, 0.16, 0.18, 0.20, 0.22, 0.25, 0.29, 0.33},
                           {0.10, 0.30, 0.50, 0.70, 0.90, 0.95, 0.85, 0.70, 0.50, 0.20});
  const auto r = BisectChords(*s, 3, 3, 9, 9);
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_DOUBLE_EQ(r->minimum.rel_time, (0.14 + 0.29) / 2);
  EXPECT_EQ(r->chords, 2);
  EXPECT_EQ(r->minimum.error, 0);
}

TEST(BisectChords, VShapedEclipseGivesKnownMidpointsAndSpread) {
  // Bottom 1.0 mag at tb = 0.5 d, descending at 20 mag/d and rising at 40
  // mag/d, every point on the V (left every 0.005 d, right every 0.004 d):
  // linear interpolation is exact, and the chord at magnitude g runs from
  // tb - (1 - g) / 20 to tb + (1 - g) / 40.
  const double tb = 0.5;
  std::vector<double> t, m;
  for (int j = -8; j <= 9; ++j) {
    t.push_back(j <= 0 ? tb + 0.005 * j : tb + 0.004 * j);
    m.push_back(j <= 0 ? 1.0 + 20 * 0.005 * j : 1.0 - 40 * 0.004 * j);
  }
  const auto s = MakeStore(t, m);
  const auto r = BisectChords(*s, 2, 6, 11, 13);
  ASSERT_TRUE(r) << r.error().message;
  std::vector<double> mids;
  for (int i = 2; i <= 6; ++i) mids.push_back((t[i - 1] + tb + (1 - m[i - 1]) / 40) / 2);
  for (int i = 11; i <= 13; ++i) mids.push_back((t[i - 1] + tb - (1 - m[i - 1]) / 20) / 2);
  double mean = 0, ss = 0;
  for (const double v : mids) mean += v / mids.size();
  for (const double v : mids) ss += (v - mean) * (v - mean);
  EXPECT_EQ(r->chords, 8);
  EXPECT_NEAR(r->minimum.rel_time, mean, 1e-12);
  // The standard deviation of the midpoints themselves (n - 1), not of T.
  EXPECT_NEAR(r->minimum.error, std::sqrt(ss / (mids.size() - 1)), 1e-9);
  EXPECT_GT(r->minimum.error, 1e-3);
}

TEST(BisectChords, CrossingsAreTheWalksFromTheEndsOnANoisyCurve) {
  // A noisy eclipse (seed 327, 0.02 mag noise on a 0.8 mag Gaussian dip at
  // 0.263 d) whose branches turn back and forth: each chord ends where the
  // walk from the end (left range) or from the start (right range) of the
  // series first meets a point at least as faint.
  std::mt19937 rng(327);
  std::normal_distribution<double> noise(0.0, 0.02);
  std::vector<double> t, m;
  for (int i = 0; i < 120; ++i) {
    const double u = (0.001 * i - 0.063) / 0.02;
    t.push_back(0.2 + 0.001 * i);
    m.push_back(0.1 + 0.8 * std::exp(-u * u) + noise(rng));
  }
  m.front() = m.back() = 0.0;  // both ends brighter than every range point
  const auto s = MakeStore(t, m);
  const auto R = [&](int k) { return t[k - 1]; };
  const auto G = [&](int k) { return m[k - 1]; };
  double S = 0, Q = 0;
  for (int i = 30; i <= 100; ++i) {
    if (i == 63) continue;  // between the ranges
    int k = i < 63 ? 120 : 1;
    double tx;
    if (i < 63) {
      while (G(k) < G(i)) --k;
      tx = R(k) + (G(i) - G(k)) * (R(k + 1) - R(k)) / (G(k + 1) - G(k));
    } else {
      while (G(k) < G(i)) ++k;
      tx = R(k - 1) + (G(i) - G(k - 1)) * (R(k) - R(k - 1)) / (G(k) - G(k - 1));
    }
    S += (tx + R(i)) / 2;
    Q += (tx + R(i)) / 2 * ((tx + R(i)) / 2);
  }
  const auto r = BisectChords(*s, 30, 62, 64, 100);
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_EQ(r->chords, 70);
  EXPECT_EQ(r->minimum.rel_time, S / 70);
  EXPECT_NEAR(r->minimum.error, std::sqrt((Q - S / 70 * S) / 69), 1e-12);
  EXPECT_NEAR(r->minimum.rel_time, 0.263, 0.002);
}

TEST(BisectChords, RealEclipseLandsOnThePublishedMinimum) {
  // CM Dra, TESS, epoch 7024; published minimum 58739.9291169 (Deeg 2021).
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_TEST_DATA_DIR "/real/CMDra7024.csv";
  const ReadResult st = ReadLightCurve(*s);
  ASSERT_TRUE(st.has_value()) << st.error().message;
  ASSERT_EQ(s->HjdBase, 58739);
  for (const auto& [i1, i2, i3, i4] :
       {std::array{8, 14, 18, 24}, std::array{4, 13, 19, 28}, std::array{10, 15, 17, 22}}) {
    const auto r = BisectChords(*s, i1, i2, i3, i4);
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_NEAR(s->HjdBase + r->minimum.rel_time, 58739.9291169, 0.0005) << i1 << ".." << i4;
    EXPECT_GT(r->minimum.error, 0);
    EXPECT_LT(r->minimum.error, 0.001);
  }
}

TEST(BisectChordsRefusal, EachRefusalSaysWhy) {
  struct Case {
    std::vector<double> m;
    std::array<int, 4> idx;
    const char* says;
  };
  // Seven points; the rising branch ends fainter than the early left points,
  // the falling one starts fainter than the late right points.
  const std::vector<double> endsHigh = {0.10, 0.30, 0.50, 0.70, 0.80, 0.75, 0.60};
  const std::vector<double> startsHigh = {0.60, 0.75, 0.80, 0.70, 0.50, 0.30, 0.10};
  const std::vector<double> dip = {0.10, 0.30, 0.50, 0.70, 0.50, 0.30, 0.10};
  const Case cases[] = {
      {dip, {3, 3, 6, 5}, "at least 2 points"},  // one left point, empty right range
      {dip, {3, 2, 6, 5}, "a range that runs backwards (left range 3 to 2, right range 6 to 5)"},
      {dip, {3, 2, 5, 6}, "runs backwards"},
      {dip, {2, 3, 6, 5}, "runs backwards"},
      {dip, {0, 3, 5, 6}, "outside the points 1 to 7"},
      {dip, {2, 3, 5, 8}, "outside the points 1 to 7"},
      // Ends at the limits of an int: refused, their counts never overflow.
      {dip, {INT_MIN, 0, 0, INT_MAX}, "outside the points 1 to 7"},
      {dip, {INT_MIN, INT_MAX, INT_MIN, INT_MAX}, "outside the points 1 to 7"},
      {endsHigh,
       {2, 4, 6, 6},
       "Left-range point 2 is not fainter than the last point of the "
       "series: the right branch never gets as bright"},
      {startsHigh,
       {2, 2, 4, 6},
       "Right-range point 5 is not fainter than the first point of "
       "the series: the left branch never gets as bright"},
      // Exactly as bright as the end of the series is refused too.
      {{0.10, 0.30, 0.50, 0.70, 0.80, 0.75, 0.70}, {4, 5, 6, 6}, "Left-range point 4"},
      {{0.70, 0.75, 0.80, 0.70, 0.50, 0.30, 0.10}, {2, 2, 3, 4}, "Right-range point 4"},
  };
  const std::vector<double> t = {0.10, 0.11, 0.12, 0.13, 0.14, 0.15, 0.16};
  for (const Case& c : cases) {
    const auto s = MakeStore(t, c.m);
    const auto r = BisectChords(*s, c.idx[0], c.idx[1], c.idx[2], c.idx[3]);
    ASSERT_FALSE(r) << c.says;
    EXPECT_NE(r.error().message.find(c.says), std::string::npos) << r.error().message;
  }
  // Fainter than the far end by any margin is enough.
  EXPECT_TRUE(BisectChords(*MakeStore(t, endsHigh), 4, 4, 6, 6));
  EXPECT_TRUE(BisectChords(*MakeStore(t, startsHigh), 2, 2, 4, 4));

  // Times so large that the squared midpoints overflow.
  const auto huge = MakeStore({1e200, 2e200, 3e200, 4e200, 5e200}, {0.1, 0.5, 0.9, 0.5, 0.1});
  const auto r = BisectChords(*huge, 2, 2, 4, 4);
  ASSERT_FALSE(r);
  EXPECT_NE(r.error().message.find("no finite result"), std::string::npos);
}

TEST(BisectChordsRefusal, NegativeVarianceBeyondRounding) {
  // Two midpoints of 0.5: S = 1, Q = 0.5, Q - T S = 0; 1e-15 of Q below it
  // is rounding and counts as 0; -0.25 cannot come from any midpoints.
  EXPECT_EQ(detail::ChordSpread(1.0, 0.5, 2).value_or(-1), 0);
  EXPECT_EQ(detail::ChordSpread(1.0, 0.5 * (1 - 1e-15), 2).value_or(-1), 0);
  const auto negative = detail::ChordSpread(1.0, 0.25, 2);
  ASSERT_FALSE(negative);
  EXPECT_NE(negative.error().message.find("negative variance"), std::string::npos);
  // Midpoints 1 and 3: S = 4, Q = 10, variance (10 - 8) / 1 = 2.
  EXPECT_DOUBLE_EQ(detail::ChordSpread(4.0, 10.0, 2).value_or(-1), std::sqrt(2.0));
}

}  // namespace
}  // namespace vantor
