// The minima's timing jitter: found where the O-C scatter beyond the errors,
// not where the errors explain it, and not raised by a slow variation of the
// O-C, by a constant offset of the secondaries or by a few distorted eclipses.
#include "series/timing_jitter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace vantor {
namespace {

struct JitterCase {
  const char* name;
  int minima;
  double jitter;         // true extra noise, in units of the errors
  double waveAmplitude;  // slow sinusoidal O-C, in units of the errors
  double wavePeriod;     // cycles
  double secondaryOffset;
  int outliers;            // minima moved by 50 errors
  double lowest, highest;  // accepted range of the measured jitter, in units of the errors
  int leastClipped;
};

class TimingJitterTest : public testing::TestWithParam<JitterCase> {};

TEST_P(TimingJitterTest, MeasuresOnlyTheNoiseBeyondTheErrors) {
  const JitterCase& c = GetParam();
  const double e = 1e-4;
  for (unsigned seed = 1; seed <= 5; ++seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<JitterMinimum> minima;
    for (int i = 0; i < c.minima; ++i) {
      const bool secondary = c.secondaryOffset != 0 && i % 2 == 1;
      const double cycle = i / (c.secondaryOffset != 0 ? 2 : 1) + (secondary ? 0.5 : 0.0);
      double r = e * gauss(rng) + c.jitter * e * gauss(rng) +
                 c.waveAmplitude * e * std::sin(2 * std::numbers::pi * cycle / c.wavePeriod);
      if (secondary) r += c.secondaryOffset * e;
      if (i < c.outliers) r += 50 * e * (i % 2 ? -1 : 1);
      minima.push_back({secondary ? 'S' : 'P', cycle, r, e});
    }
    const auto j = MeasureTimingJitter(minima);
    ASSERT_TRUE(j.has_value());
    EXPECT_GE(j->jitter / e, c.lowest) << c.name << " seed " << seed;
    EXPECT_LE(j->jitter / e, c.highest) << c.name << " seed " << seed;
    EXPECT_GE(j->clipped, c.leastClipped) << c.name << " seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Series, TimingJitterTest,
    testing::Values(JitterCase{"HonestErrors", 60, 0, 0, 1, 0, 0, 0.0, 0.0, 0},
                    JitterCase{"ThreeTimesTheErrors", 60, 3, 0, 1, 0, 0, 2.2, 3.8, 0},
                    // 10 errors of O-C over 80 cycles: seven times the errors about a
                    // line, yet neighbours barely differ.
                    JitterCase{"SlowVariation", 60, 0, 10, 80, 0, 0, 0.0, 0.7, 0},
                    JitterCase{"SecondariesOffset", 60, 0, 0, 1, 20, 0, 0.0, 0.0, 0},
                    JitterCase{"DistortedEclipses", 60, 2, 0, 1, 0, 2, 1.2, 2.7, 2},
                    // Fewer than the robust count: nothing is left out.
                    JitterCase{"FewMinima", 8, 5, 0, 1, 0, 0, 2.0, 10.0, 0}),
    [](const testing::TestParamInfo<JitterCase>& i) { return std::string(i.param.name); });

TEST(TimingJitter, TooFewNeighboursSayNothing) {
  // Four primaries and one secondary: three pairs.
  const std::vector<JitterMinimum> minima{{'P', 0, 1e-3, 1e-4},
                                          {'P', 1, -1e-3, 1e-4},
                                          {'P', 2, 1e-3, 1e-4},
                                          {'P', 3, -1e-3, 1e-4},
                                          {'S', 0.5, 0, 1e-4}};
  EXPECT_FALSE(MeasureTimingJitter(minima).has_value());
}

}  // namespace
}  // namespace vantor
