// The adopted time: which methods weigh, how a fit's error grows with its
// chi-square and correlated residuals, what sets the error; and the fits'
// covariance errors measured against the scatter of their times over noise.
#include "methods/adopted.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/curve.h"

namespace vantor {
namespace {

using K = ErrorKind;

struct AdoptCase {
  const char* name;
  std::vector<MethodTimeInput> inputs;
  double floor;
  double time, error;
  std::vector<std::string> methods;
  const char* noteHas;
};

TEST(AdoptTime, RulesTable) {
  const double sd4 = std::sqrt((2.25 + 0.25 + 0.25 + 2.25) / 3.0) * 1e-3;  // times 0..3e-3
  const std::vector<AdoptCase> cases = {
      {"sliding weighs nothing",
       {{"parabola", 10.0, 1e-4, K::Own}, {"sliding", 10.01, 1e-6, K::NoiseFree}},
       0, 10.0, 1e-4, {"parabola"}, "sliding left out (its error comes from a noise-free"},
      {"tracing has no error",
       {{"tracing", 9.0, 0, K::None}, {"kvw", 10.0, 2e-4, K::Own}},
       0, 10.0, 2e-4, {"kvw"}, "tracing left out (no error)"},
      {"one method only", {{"kvw", 5.0, 3e-4, K::Own}}, 0, 5.0, 3e-4, {"kvw"},
       "error of kvw alone"},
      {"scatter of the methods sets the error",
       {{"parabola", 0.0, 1e-5, K::Own},
        {"chords", 1e-3, 1e-5, K::Own},
        {"kvw", 2e-3, 1e-5, K::Own},
        {"fourier", 3e-3, 1e-5, K::Own}},
       0, 1.5e-3, sd4 / 2, {"parabola", "chords", "kvw", "fourier"},
       "error from the scatter of 4 methods"},
      {"a fit's error grows by sqrt(reduced chi-square)",
       {{"fourier", 1.0, 1e-4, K::Fit, 4.0}}, 0, 1.0, 2e-4, {"fourier"}, "alone"},
      {"a good fit's error is not shrunk",
       {{"fourier", 1.0, 1e-4, K::Fit, 0.25}}, 0, 1.0, 1e-4, {"fourier"}, "alone"},
      {"correlated residuals scale the fit's error by beta",
       {{"parabola", 1.0, 1e-4, K::Fit, 4.0, 1.5}}, 0, 1.0, 3e-4, {"parabola"}, "alone"},
      {"beta only ever raises",
       {{"parabola", 1.0, 1e-4, K::Fit, 1.0, 0.5}}, 0, 1.0, 1e-4, {"parabola"}, "alone"},
      {"the weights follow the scaled errors",
       // fourier 1e-4 * 2 = 2e-4 against chords 1e-4: weights 1 : 4.
       {{"fourier", 0.0, 1e-4, K::Fit, 4.0}, {"chords", 5e-5, 1e-4, K::Own}},
       0, 4e-5, std::sqrt(1 / (1 / 4e-8 + 1 / 1e-8)), {"fourier", "chords"},
       "weighted mean of 2 methods"},
      {"agreeing methods cannot beat the shared noise",
       {{"chords", 2.0, 1e-5, K::Own}, {"kvw", 2.0, 1e-6, K::Own}},
       1e-4, 2.0, 1e-4, {"chords", "kvw"}, "shared noise floor of 2 methods"},
      {"a zero error is left out",
       {{"chords", 2.0, 0.0, K::Own}, {"kvw", 3.0, 1e-4, K::Own}},
       0, 3.0, 1e-4, {"kvw"}, "chords left out (no usable error)"},
      {"full dates keep their digits",
       {{"kvw", 2459812.41, 1e-5, K::Own}, {"chords", 2459812.41002, 1e-5, K::Own}},
       0, 2459812.41001, 1e-5, {"kvw", "chords"}, "2 methods"},
  };
  for (const AdoptCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto a = AdoptTime(c.inputs, c.floor);
    ASSERT_TRUE(a.has_value()) << a.error().message;
    EXPECT_NEAR(a->time, c.time, 1e-9);
    EXPECT_NEAR(a->error, c.error, 1e-4 * c.error);
    EXPECT_EQ(a->methods, c.methods);
    EXPECT_NE(a->note.find(c.noteHas), std::string::npos) << a->note;
  }
}

TEST(AdoptTime, RefusesWhenNothingWeighs) {
  const std::vector<MethodTimeInput> none = {{"tracing", 1.0, 0, K::None},
                                             {"sliding", 1.0, 1e-6, K::NoiseFree}};
  const auto a = AdoptTime(none);
  ASSERT_FALSE(a.has_value());
  EXPECT_NE(a.error().message.find("tracing left out"), std::string::npos);
  EXPECT_NE(a.error().message.find("sliding left out"), std::string::npos);
  EXPECT_FALSE(AdoptTime({}).has_value());
}

TEST(CorrelatedNoiseFactor, WhiteNoiseNearOneRedNoiseAbove) {
  std::mt19937 rng(7);
  std::normal_distribution<double> g(0.0, 1.0);
  std::vector<double> white(400), walk(400);
  double level = 0;
  for (size_t i = 0; i < white.size(); ++i) {
    white[i] = g(rng);
    level = 0.9 * level + g(rng);  // strongly correlated from point to point
    walk[i] = level;
  }
  EXPECT_LT(CorrelatedNoiseFactor(white), 1.25);
  EXPECT_GT(CorrelatedNoiseFactor(walk), 2.0);
  EXPECT_EQ(CorrelatedNoiseFactor(std::vector<double>(5, 1.0)), 1.0);   // too few
  EXPECT_EQ(CorrelatedNoiseFactor(std::vector<double>(40, 3.0)), 1.0);  // no scatter
}

// A parabolic eclipse with white noise, timed by the parabola and the
// Fourier fit over many seeds: each fit's covariance error, for the noise
// the points have, stands for the scatter of its times.
TEST(AdoptionInput, FitErrorsMatchTheScatterOfTheirTimes) {
  constexpr int kPoints = 61, kSeeds = 200;
  constexpr double kNoise = 0.004, kTrue = 0.5;
  std::mt19937 rng(11);
  std::normal_distribution<double> g(0.0, kNoise);
  for (int row : {1, 5}) {
    SCOPED_TRACE(row);
    double ss = 0, sumError = 0, sumChi = 0;
    int n = 0;
    for (int seed = 0; seed < kSeeds; ++seed) {
      Curve c;
      for (int i = 0; i < kPoints; ++i) {
        const double t = 0.44 + 0.002 * i, x = (t - kTrue) / 0.06;
        c.RelTime.push_back(t);
        c.Mag.push_back(0.3 * (1 - x * x) * (x * x < 1) + g(rng));
      }
      const CurveView v = c.View();
      MethodSetup setup = ParabolaSetup{{16, 46}};
      if (row == 5) {
        FourierSetup f{{1, kPoints}, std::nullopt, {}};
        f.start = {0, kTrue + 0.003, 0.3, 2 * M_PI / 0.24, 0.15, 0.05, 0, 0, 0};
        setup = f;
      }
      const auto timing = TimeMethod(v, setup);
      if (!timing) continue;
      const MethodTimeInput in = AdoptionInput(v, setup, *timing, kNoise);
      ASSERT_EQ(in.kind, K::Fit);
      ss += (timing->time - kTrue) * (timing->time - kTrue);
      sumError += in.error;
      sumChi += in.reducedChiSquare;
      ++n;
    }
    ASSERT_GT(n, kSeeds * 3 / 4);
    const double scatter = std::sqrt(ss / n), meanError = sumError / n;
    if (row == 1) {
      // The parabola is the model here: its error is the scatter, chi-square 1.
      EXPECT_NEAR(meanError / scatter, 1.0, 0.2);
      EXPECT_NEAR(sumChi / n, 1.0, 0.1);
    } else {
      // A five-term cosine series misses the parabola's corners a little.
      EXPECT_GT(meanError * std::sqrt(std::max(1.0, sumChi / n)) / scatter, 0.8);
      EXPECT_LT(meanError / scatter, 1.5);
    }
  }
}

TEST(AdoptionInput, KindsOfTheMethodsWithoutFits) {
  Curve c;
  for (int i = 0; i < 41; ++i) {
    const double t = 0.4 + 0.005 * i;
    c.RelTime.push_back(t);
    c.Mag.push_back(0.2 * std::exp(-std::pow((t - 0.5) / 0.03, 2)));
  }
  const CurveView v = c.View();
  const std::vector<std::pair<MethodSetup, K>> table = {
      {TracingSetup{0.5, 1}, K::None},
      {SlidingSetup{}, K::NoiseFree},
      {KvwSetup{{5, 37}, {"1", ".9"}}, K::Own},
      {ChordsSetup{{8, 16}, {26, 34}}, K::Own},
  };
  for (const auto& [setup, kind] : table) {
    const auto timing = TimeMethod(v, setup);
    ASSERT_TRUE(timing.has_value()) << timing.error().message;
    const MethodTimeInput in = AdoptionInput(v, setup, *timing, 0.001);
    EXPECT_EQ(in.kind, kind) << in.method;
    EXPECT_DOUBLE_EQ(in.time, timing->time);
  }
}

}  // namespace
}  // namespace vantor
