// Tests of the bootstrap errors: the smooth model against curves it must
// reproduce and noise it must recover, reproducibility for a seed, the
// bootstrap scatter against the scatter over fresh noise, and the refusals.
#include "methods/bootstrap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/reader.h"
#include "methods/kwee.h"
#include "methods/parabola.h"
#include "test_curves.h"

namespace vantor {
namespace {

using testing::MakeStore;

// The eclipse of these tests: 0.35 mag outside, 0.6 mag deep,
// (1 - u^2)^1.5 with u = |t - 0.4317| / 0.05, 70 points 0.0021 d apart from
// 0.3600, Gaussian noise of `sigma` mag from BootstrapRng(seed). Loaded
// through the reader so that the Fourier fit's starting values are the
// program's own.
constexpr double kTrueMinimum = 0.4317;

void LoadEclipse(Store& s, double sigma, BootstrapRng& rng) {
  std::string text = "HJD,V-C\n";
  char line[64];
  for (int j = 0; j < 70; ++j) {
    const double t = 0.3600 + 0.0021 * j;
    const double u = std::fabs(t - kTrueMinimum) / 0.05;
    const double m = 0.35 + (u < 1 ? 0.6 * std::pow(1 - u * u, 1.5) : 0.0) + sigma * rng.Gauss();
    std::snprintf(line, sizeof line, "%.6f,%.6f\n", 2459000 + t, m);
    text += line;
  }
  ASSERT_TRUE(ReadLightCurveText(s, text).has_value());
}

double StdDev(const std::vector<double>& v) {
  double mean = 0;
  for (const double x : v) mean += x / v.size();
  double sum = 0;
  for (const double x : v) sum += (x - mean) * (x - mean);
  return std::sqrt(sum / (v.size() - 1));
}

TEST(SmoothEclipse, ReproducesAQuadraticExactly) {
  // A local quadratic fits any parabola without error, whatever the span.
  std::vector<double> t, m;
  for (int j = 0; j < 30; ++j) {
    t.push_back(0.2 + 0.003 * j + 0.0007 * (j % 3));  // uneven spacing
    m.push_back(1.1 + 40 * (t.back() - 0.25) * (t.back() - 0.25));
  }
  auto s = MakeStore(t, m);
  const auto model = SmoothEclipse(*s);
  ASSERT_TRUE(model) << model.error().message;
  for (int i = 1; i <= 30; ++i) EXPECT_NEAR(model->fit[i], s->Mag[i], 1e-9) << i;
  EXPECT_LT(model->rms, 1e-9);
}

TEST(SmoothEclipse, ResidualsRecoverTheNoiseLevel) {
  // The model follows the points, and so shrinks their residuals the more the
  // shorter its span; the leverage correction undoes that. Averaged over 20
  // noise realisations the RMS comes within 6 % of the noise (uncorrected it
  // is 25 % low for 40 points, 8 % for 200).
  constexpr double kSigma = 0.01;
  BootstrapRng rng(7);
  for (const int n : {40, 200}) {
    double meanRms = 0;
    for (int r = 0; r < 20; ++r) {
      std::vector<double> t, m;
      for (int j = 0; j < n; ++j) {
        t.push_back(0.3 + 0.2 / n * j);
        const double u = std::fabs(t.back() - 0.4) / 0.07;
        m.push_back(0.2 + (u < 1 ? 0.9 * std::pow(1 - u * u, 1.5) : 0.0) + kSigma * rng.Gauss());
      }
      auto s = MakeStore(t, m);
      const auto model = SmoothEclipse(*s);
      ASSERT_TRUE(model) << model.error().message;
      meanRms += model->rms / 20;
    }
    EXPECT_NEAR(meanRms, kSigma, 0.06 * kSigma) << n << " points";
  }
}

TEST(BootstrapErrors, SameSeedSameNumbersOtherSeedOtherNumbers) {
  BootstrapRng noise(11);
  auto s = std::make_unique<Store>();
  LoadEclipse(*s, 0.01, noise);
  const auto a = BootstrapErrors(*s, KvwSetup{{10, 60}, {}}, 50, 99);
  const auto b = BootstrapErrors(*s, KvwSetup{{10, 60}, {}}, 50, 99);
  const auto c = BootstrapErrors(*s, KvwSetup{{10, 60}, {}}, 50, 100);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(a->error, b->error);
  EXPECT_EQ(a->mean, b->mean);
  EXPECT_EQ(a->delivered, 50);
  EXPECT_NE(a->error, c->error);
}

// One smooth model shared by several methods gives each of them exactly what
// a model of its own gives, and the tracing paper and a refused model keep
// their messages.
TEST(BootstrapErrors, SharedSmoothModelGivesEachMethodItsOwnResult) {
  BootstrapRng noise(14);
  auto s = std::make_unique<Store>();
  LoadEclipse(*s, 0.01, noise);
  const std::vector<MethodSetup> setups{KvwSetup{{10, 60}, {}}, TracingSetup{},
                                        ParabolaSetup{{20, 50}}, KvwSetup{{5, 65}, {}}};
  const auto shared = BootstrapErrorsOfAll(*s, setups, 40, 7);
  ASSERT_EQ(shared.size(), setups.size());
  for (size_t i = 0; i < setups.size(); ++i) {
    const auto own = BootstrapErrors(*s, setups[i], 40, 7);
    ASSERT_EQ(shared[i].has_value(), own.has_value()) << i;
    if (!own) {
      EXPECT_EQ(shared[i].error(), own.error()) << i;
      continue;
    }
    EXPECT_EQ(shared[i]->error, own->error) << i;
    EXPECT_EQ(shared[i]->mean, own->mean) << i;
    EXPECT_EQ(shared[i]->delivered, own->delivered) << i;
    EXPECT_EQ(shared[i]->span, own->span) << i;
  }
  EXPECT_EQ(shared[1].error().message, kTracingNoBootstrap);

  s->NPoints = kMinSmoothPoints - 1;  // the model refuses: each method says why
  const auto refused = BootstrapErrorsOfAll(*s, setups, 40, 7);
  ASSERT_FALSE(refused[0].has_value());
  EXPECT_EQ(refused[0].error(), BootstrapErrors(*s, setups[0], 40, 7).error());
}

TEST(BootstrapErrors, ProgressCountsEveryCurveAndACancelDeliversNothing) {
  BootstrapRng noise(15);
  auto s = std::make_unique<Store>();
  LoadEclipse(*s, 0.01, noise);
  const Store before = *s;
  const std::vector<MethodSetup> setups{ParabolaSetup{{20, 50}}, TracingSetup{},
                                        KvwSetup{{10, 60}, {}}};
  const auto plain = BootstrapErrorsOfAll(*s, setups, 30, 7);
  // Calls 1 to 30 count the parabola's curves, call 31 the tracing paper
  // (refused at once: its 30 curves done together), calls 32 to 61 Kwee and
  // van Woerden's.
  struct Case {
    const char* name;
    long long stopAt;  // the call that answers false; 0: never
  };
  const Case cases[] = {{"never stopped", 0},
                        {"stopped in the first method", 5},
                        {"stopped at the tracing paper", 31},
                        {"stopped at the very last curve", 61}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<long long, long long>> told;
    const auto run = BootstrapErrorsOfAll(*s, setups, 30, 7, [&](long long done, long long all) {
      told.emplace_back(done, all);
      return static_cast<long long>(told.size()) != c.stopAt;
    });
    // Told in order, never past the end, the total being every curve of every setup.
    for (size_t i = 0; i < told.size(); ++i) {
      EXPECT_EQ(told[i].second, 90);
      EXPECT_LE(told[i].first, 90);
      if (i > 0) {
        EXPECT_GT(told[i].first, told[i - 1].first);
      }
    }
    if (c.stopAt == 0) {
      ASSERT_TRUE(run.has_value());
      ASSERT_EQ(told.size(), 61u);
      ASSERT_EQ(told[30].first, 60);
      ASSERT_EQ(told.back().first, 90);
      ASSERT_EQ(run->size(), plain.size());
      for (size_t i = 0; i < plain.size(); ++i) {
        ASSERT_EQ((*run)[i].has_value(), plain[i].has_value());
        if (plain[i]) {
          EXPECT_EQ((*run)[i]->error, plain[i]->error) << "the same numbers";
        }
      }
    } else {
      EXPECT_FALSE(run.has_value()) << "a cancelled run delivers nothing";
      EXPECT_EQ(static_cast<long long>(told.size()), c.stopAt) << "and stops at once";
    }
    EXPECT_EQ(s->Mag, before.Mag);
    EXPECT_EQ(s->NPoints, before.NPoints);
  }
}

TEST(BootstrapFigures, CurrentOnlyForTheSameCurveSetupAndRuns) {
  BootstrapRng noise(16);
  auto s = std::make_unique<Store>();
  LoadEclipse(*s, 0.01, noise);
  const std::vector<MethodSetup> setups{ParabolaSetup{{20, 50}}, KvwSetup{{10, 60}, {}}};
  BootstrapFigures kept;
  kept.Keep(*s, setups, BootstrapErrorsOfAll(*s, setups, 20, 7), 20);
  ASSERT_NE(kept.Current(*s, setups[1], 20), nullptr);
  EXPECT_EQ((*kept.Current(*s, setups[1], 20))->error,
            BootstrapErrors(*s, setups[1], 20, 7)->error);

  auto moved = std::make_unique<Store>(*s);
  moved->Mag[30] += 0.001;
  auto fewer = std::make_unique<Store>(*s);
  fewer->NPoints -= 1;
  struct Case {
    const char* name;
    const Store* store;
    MethodSetup setup;
    int runs;
  };
  const Case stale[] = {
      {"another range", s.get(), ParabolaSetup{{21, 50}}, 20},
      {"other Kwee and van Woerden boxes", s.get(), KvwSetup{{10, 60}, {"2", ".9"}}, 20},
      {"a method not kept", s.get(), SlidingSetup{}, 20},
      {"other runs", s.get(), ParabolaSetup{{20, 50}}, 200},
      {"a magnitude changed", moved.get(), ParabolaSetup{{20, 50}}, 20},
      {"a point deleted", fewer.get(), ParabolaSetup{{20, 50}}, 20},
  };
  for (const Case& c : stale) EXPECT_EQ(kept.Current(*c.store, c.setup, c.runs), nullptr) << c.name;
  kept.Clear();
  EXPECT_EQ(kept.Current(*s, setups[0], 20), nullptr);
}

TEST(BootstrapErrors, ScatterMatchesFreshNoiseAndLeavesTheStoreAlone) {
  // The scatter of the time over fresh noise realisations is what the
  // bootstrap, from one light curve alone, has to estimate.
  constexpr double kSigma = 0.01;
  BootstrapRng noise(2024);
  auto s = std::make_unique<Store>();
  std::vector<double> kvwTimes, fourierTimes;
  for (int r = 0; r < 100; ++r) {
    LoadEclipse(*s, kSigma, noise);
    const auto k = KweeVanWoerden(*s, 10, 60, KvwParams{1, 0.9});
    ASSERT_TRUE(k) << k.error().message;
    kvwTimes.push_back(k->minimum.rel_time);
    const auto f = TimingOf(FourierSetup{{4, 66}, std::nullopt, s->FitParam})(*s);
    ASSERT_TRUE(f) << f.error().message;
    fourierTimes.push_back(*f);
  }
  const double kvwScatter = StdDev(kvwTimes);
  const double fourierScatter = StdDev(fourierTimes);

  for (const uint64_t seed : {1u, 2u, 3u}) {
    LoadEclipse(*s, kSigma, noise);
    const auto before = std::make_unique<Store>(*s);
    const auto kvw = BootstrapErrors(*s, KvwSetup{{10, 60}, {}}, 100, seed);
    const auto fourier =
        BootstrapErrors(*s, FourierSetup{{4, 66}, std::nullopt, s->FitParam}, 100, seed);
    ASSERT_TRUE(kvw) << kvw.error().message;
    ASSERT_TRUE(fourier) << fourier.error().message;
    EXPECT_TRUE(*s == *before);
    EXPECT_GT(kvw->error, kvwScatter / 2) << seed;
    EXPECT_LT(kvw->error, kvwScatter * 2) << seed;
    EXPECT_GT(fourier->error, fourierScatter / 2) << seed;
    EXPECT_LT(fourier->error, fourierScatter * 2) << seed;
    EXPECT_NEAR(kvw->mean, kTrueMinimum, 4 * kvwScatter);
    EXPECT_NEAR(kvw->residualRms, kSigma, 0.3 * kSigma);
  }
}

TEST(BootstrapErrors, Refusals) {
  BootstrapRng noise(5);
  auto s = std::make_unique<Store>();
  LoadEclipse(*s, 0.01, noise);
  const auto counts = [&](int n) { return BootstrapErrors(*s, KvwSetup{{10, 60}, {}}, n); };
  EXPECT_FALSE(counts(1));
  EXPECT_FALSE(counts(kMaxBootstrapRuns + 1));
  EXPECT_TRUE(counts(2));

  // A method that refuses every copy: its own message is passed on.
  const auto never = BootstrapErrors(*s, ParabolaSetup{{60, 80}}, 10);
  ASSERT_FALSE(never);
  EXPECT_NE(never.error().message.find("0 of 10"), std::string::npos) << never.error().message;
  const std::string parabolaMessage = FitParabola(*s, 60, 80).error().message;
  EXPECT_NE(never.error().message.find(parabolaMessage), std::string::npos);

  // A method that delivers on only some copies: the count says so.
  int calls = 0, delivering = 0;
  const BootstrapTiming firstCalls = [&](const CurveView&) -> MethodResult<double> {
    if (++calls > delivering) return Refuse("no");
    return 0.5 + calls;
  };
  delivering = 1;
  const auto once = BootstrapErrors(*s, firstCalls, 10);
  ASSERT_FALSE(once);
  EXPECT_NE(once.error().message.find("1 of 10"), std::string::npos);
  calls = 0;
  delivering = 2;
  const auto twice = BootstrapErrors(*s, firstCalls, 10);
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice->delivered, 2);
  EXPECT_EQ(twice->refused, 8);
  EXPECT_EQ(twice->firstRefusal, "no");
  EXPECT_DOUBLE_EQ(twice->error, std::sqrt(0.5));

  // Too few points for the smooth model, and points out of time order.
  auto few = MakeStore({0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, {1, 1.2, 1.5, 1.6, 1.4, 1.1});
  EXPECT_FALSE(BootstrapErrors(*few, SlidingSetup{}, 10));
  auto disordered =
      MakeStore({0.1, 0.2, 0.3, 0.25, 0.5, 0.6, 0.7, 0.8}, {1, 1.2, 1.5, 1.6, 1.4, 1.1, 1, 1});
  EXPECT_FALSE(SmoothEclipse(*disordered));
}

}  // namespace
}  // namespace vantor
