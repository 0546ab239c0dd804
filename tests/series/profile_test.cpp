// Tests of the profile method: the mean profile of folded eclipses, its fit
// to single eclipses (shift, depth scale, baseline; errors scaled by the
// reduced chi-square, the correlated-noise factor and the bootstrap), and the
// series' acceptance on long-cadence synthetic eclipses and on two real
// series with published ephemerides (GJ 3236 from the ground, KIC 9246715
// from Kepler).
#include "series/profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "methods/bootstrap.h"
#include "series/series.h"

namespace vantor {
namespace {

// Eclipses of (1 - u^2)^1.5 shape, u = |t - Tc| / halfDuration, `depth` mag
// deep on a level of 12, each point the mean of the model over its exposure.
struct Eclipses {
  double epoch = 2458000.2, period = 3.71234, halfDuration = 0.0625, depth = 0.1;
  double exposure = 29.4 / 1440, cadence = 29.4 / 1440, noise = 0.002;
  uint64_t seed = 20261208;

  double Model(double t) const {
    const double c = std::round((t - epoch) / period);
    const double u = std::fabs(t - (epoch + c * period)) / halfDuration;
    return 12 + (u < 1 ? depth * std::pow(1 - u * u, 1.5) : 0.0);
  }
  double Integrated(double t) const {
    constexpr int kSub = 31;
    double s = 0;
    for (int k = 0; k < kSub; ++k) s += Model(t + exposure * ((k + 0.5) / kSub - 0.5));
    return s / kSub;
  }
  void Sample(double from, double to, std::vector<double>& t, std::vector<double>& m) const {
    BootstrapRng rng(seed);
    for (double x = from; x <= to; x += cadence) {
      t.push_back(x);
      m.push_back(Integrated(x) + noise * rng.Gauss());
    }
  }
};

// The reduced chi-square of the timed rows about a weighted linear ephemeris.
double OcReducedChiSquare(const SeriesResult& r, double secondaryPhase = 0.5) {
  std::vector<double> cycles, times, errors;
  for (const SeriesRow& row : r.rows) {
    if (!row.time) continue;
    cycles.push_back(row.cycle + (row.kind == 'S' ? secondaryPhase : 0.0));
    times.push_back(*row.time);
    errors.push_back(*row.error);
  }
  const auto fit = FitEphemeris(cycles, times, errors);
  if (!fit) return NAN;
  double chi2 = 0;
  for (size_t i = 0; i < times.size(); ++i) {
    const double z = (times[i] - fit->epoch - fit->period * cycles[i]) / errors[i];
    chi2 += z * z;
  }
  return chi2 / static_cast<double>(times.size() - 2);
}

TEST(EclipseProfile, FoldedEclipsesGiveTheirDepthDurationAndCentre) {
  Eclipses e;
  e.cadence = 2.0 / 1440;
  e.exposure = 0;
  std::vector<double> t, m;
  e.Sample(e.epoch - 0.5, e.epoch + 6 * e.period + 0.5, t, m);
  for (const double offset : {0.0, 0.01, -0.02}) {
    SCOPED_TRACE(offset);
    std::vector<double> centres;
    for (int c = 0; c <= 6; ++c) centres.push_back(e.epoch + c * e.period + offset);
    const auto p = BuildProfile(t, m, centres, 0.1);
    ASSERT_TRUE(p.has_value()) << p.error().message;
    EXPECT_EQ(p->eclipses, 7);
    EXPECT_NEAR(p->maxDepth, e.depth, 0.01);
    // The centre lies where the eclipses are, whatever the centres say.
    EXPECT_NEAR(p->centre, -offset, 0.001);
    // The profile's edge at 5 % of the depth: |u| = sqrt(1 - 0.05^(2/3)).
    EXPECT_NEAR(p->duration, 2 * e.halfDuration * std::sqrt(1 - std::pow(0.05, 2.0 / 3)), 0.006);
    EXPECT_NEAR(p->At(p->centre), p->maxDepth, 0.002);
    EXPECT_NEAR(p->At(0.099), 0.0, 0.003);
  }
  // Pure noise has no eclipse; too few points make no profile.
  std::vector<double> flat(t.size(), 12.0);
  BootstrapRng rng(5);
  for (double& v : flat) v -= std::fabs(0.002 * rng.Gauss());  // only brighter
  const std::vector<double> centres{e.epoch, e.epoch + e.period};
  EXPECT_FALSE(BuildProfile(t, flat, centres, 0.1).has_value());
  EXPECT_FALSE(BuildProfile(std::span(t).first(10), std::span(m).first(10), centres, 0.1));
}

// One eclipse, 2-minute cadence, on a profile from noise-free data.
struct Single {
  Eclipses e;
  EclipseProfile profile;
  Single() {
    e.cadence = 2.0 / 1440;
    e.exposure = 0;
    std::vector<double> t, m;
    for (double x = e.epoch - 0.1; x <= e.epoch + 0.1; x += 0.0002) {
      t.push_back(x);
      m.push_back(e.Model(x));
    }
    const std::vector<double> centres{e.epoch};
    profile = *BuildProfile(t, m, centres, 0.1);
  }
};

TEST(FitProfile, RecoversShiftsOnSlopesWithinItsError) {
  const Single s;
  struct Case {
    double shift, slope, scale, noise;
  };
  for (const Case c : {Case{0.0, 0.0, 1.0, 0.002}, Case{0.004, 0.0, 1.0, 0.002},
                       Case{-0.011, 0.05, 0.8, 0.002}, Case{0.007, -0.1, 1.3, 0.004}}) {
    SCOPED_TRACE(c.shift);
    double sumZ2 = 0;
    constexpr int kSeeds = 12;
    for (int seed = 0; seed < kSeeds; ++seed) {
      BootstrapRng rng(100 + seed);
      std::vector<double> t, m, err;
      for (double x = -0.1; x <= 0.1; x += 2.0 / 1440) {
        t.push_back(s.e.epoch + x);
        const double model = 12 + c.slope * x + c.scale * (s.e.Model(s.e.epoch + x - c.shift) - 12);
        m.push_back(model + c.noise * rng.Gauss());
        err.push_back(c.noise);
      }
      const auto f = FitProfile(s.profile, t, m, err, s.e.epoch, 7);
      ASSERT_TRUE(f.has_value()) << f.error().message;
      EXPECT_NEAR(f->depthScale, c.scale, 0.1);
      EXPECT_GT(f->error, 0);
      EXPECT_LT(f->error, 0.002);
      const double z = (f->time - (s.e.epoch + c.shift)) / f->error;
      EXPECT_LT(std::fabs(z), 4);
      sumZ2 += z * z;
    }
    // The errors are honest: the shifts scatter about the truth by about them.
    EXPECT_GT(sumZ2 / kSeeds, 0.2);
    EXPECT_LT(sumZ2 / kSeeds, 3.0);
  }
}

TEST(FitProfile, ErrorsScaleWithTheScatterAndCorrelatedNoise) {
  const Single s;
  struct Case {
    const char* name;
    double noise, claimed;      // the true scatter and the error the file states
    double red;                 // amplitude of a slow sinusoid in the residuals
    double minRatio, maxRatio;  // of the delivered error to the white-noise one
    bool betaAbove;             // beta clearly above 1
  };
  const auto errorOf = [&s](double noise, double claimed, double red, double* beta) {
    BootstrapRng rng(42);
    std::vector<double> t, m, err;
    for (double x = -0.1; x <= 0.1; x += 1.0 / 1440) {
      t.push_back(s.e.epoch + x);
      m.push_back(s.e.Model(s.e.epoch + x) + noise * rng.Gauss() +
                  red * std::sin(2 * std::numbers::pi * x / 0.05));
      err.push_back(claimed);
    }
    const auto f = FitProfile(s.profile, t, m, err, s.e.epoch, 3);
    EXPECT_TRUE(f.has_value()) << f.error().message;
    if (beta) *beta = f ? f->beta : 0;
    return f ? f->error : NAN;
  };
  const double white = errorOf(0.002, 0.002, 0, nullptr);
  for (const Case c :
       {Case{"errors as stated", 0.002, 0.002, 0, 0.99, 1.01, false},
        Case{"errors stated 3 times too small", 0.002, 0.002 / 3, 0, 0.8, 1.2, false},
        Case{"errors stated 3 times too large", 0.002, 0.006, 0, 2.5, 3.5, false},
        Case{"no stated errors", 0.002, NAN, 0, 0.8, 1.2, false},
        Case{"slow correlated residuals", 0.002, 0.002, 0.004, 1.5, 100, true}}) {
    SCOPED_TRACE(c.name);
    double beta = 0;
    const double e = errorOf(c.noise, c.claimed, c.red, &beta);
    EXPECT_GE(e / white, c.minRatio);
    EXPECT_LE(e / white, c.maxRatio);
    EXPECT_EQ(beta > 1.3, c.betaAbove) << beta;
    EXPECT_GE(beta, 1.0);
  }
}

TEST(FitProfile, RefusesWhatCannotBeTimed) {
  const Single s;
  BootstrapRng rng(9);
  std::vector<double> t, m;
  for (double x = -0.1; x <= 0.1; x += 2.0 / 1440) {
    t.push_back(s.e.epoch + x);
    m.push_back(s.e.Model(s.e.epoch + x) + 0.002 * rng.Gauss());
  }
  const auto fit = [&s](std::span<const double> tt, std::span<const double> mm) {
    return FitProfile(s.profile, tt, mm, {}, s.e.epoch, 1);
  };
  ASSERT_TRUE(fit(t, m).has_value());
  struct Case {
    const char* name;
    std::vector<double> t, m;
    const char* says;
  };
  std::vector<Case> cases;
  cases.push_back(
      {"five points", {t.begin(), t.begin() + 5}, {m.begin(), m.begin() + 5}, "at least"});
  // The egress only: the points from just after the minimum on.
  const size_t half = t.size() / 2 + 3;
  cases.push_back(
      {"one branch", {t.begin() + half, t.end()}, {m.begin() + half, m.end()}, "branch"});
  std::vector<double> flat;
  for (size_t i = 0; i < t.size(); ++i) flat.push_back(12 + 0.002 * rng.Gauss());
  cases.push_back({"no eclipse", t, flat, "Profile"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto f = fit(c.t, c.m);
    ASSERT_FALSE(f.has_value());
    EXPECT_NE(f.error().message.find(c.says), std::string::npos) << f.error().message;
  }
}

// Kepler-like long cadence: 29.4-minute integrations, 3-hour eclipses 0.1 mag
// deep, 2 mmag noise, 35 eclipses, an ephemeris 4 minutes off in epoch.
TEST(TimeSeries, LongCadenceEclipsesAreTimedByTheProfileWithinAMinute) {
  const Eclipses e;
  std::vector<double> t, m;
  e.Sample(e.epoch - 1, e.epoch + 35 * e.period + 1, t, m);
  SeriesOptions o;
  o.ephemeris = {e.epoch + 4.0 / 1440, e.period};
  const auto r = TimeSeries(t, m, o);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  ASSERT_EQ(r->rows.size(), 36u);
  int timed = 0, within = 0;
  for (const SeriesRow& row : r->rows) {
    SCOPED_TRACE(row.cycle);
    ASSERT_TRUE(row.time.has_value()) << row.message << " / " << row.profileMessage;
    ASSERT_TRUE(row.profile.has_value()) << row.profileMessage;
    // About 9 points in a window: the profile's time is the row's.
    EXPECT_EQ(row.timeSource.rfind("profile: ", 0), 0u) << row.timeSource;
    EXPECT_EQ(*row.time, row.profile->time);
    ++timed;
    const double truth = e.epoch + row.cycle * e.period;
    if (std::fabs(*row.time - truth) * 86400 <= 60) ++within;
  }
  EXPECT_GE(within, 0.8 * timed) << within << " of " << timed;
  const double chi2 = OcReducedChiSquare(*r);
  EXPECT_GT(chi2, 0.5);
  EXPECT_LT(chi2, 3.0);
}

// Columns time, magnitude, error of a blank-separated file.
void ReadColumns(const std::string& path, std::vector<double>& t, std::vector<double>& m,
                 std::vector<double>& err) {
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    double a = 0, b = 0, c = 0;
    if (s >> a >> b >> c) t.push_back(a), m.push_back(b), err.push_back(c);
  }
}

// A real series timed on its published ephemeris. Every eclipse whose
// window passes the coverage checks with 20 points or more is complete and
// is timed, by the row and by the profile; on each the profile's time and
// the row's (the methods' where they agree) are two measurements of one
// minimum and agree within 3 of their combined errors. The O-C about the
// published and about the refined ephemeris are recorded (within 3 errors,
// reduced chi-square): the spots and flares of GJ 3236 and the giants'
// granulation in KIC 9246715 move single eclipses by more than the fits'
// noise says, and those figures show by how much.
struct RealSeries {
  const char* file;
  double epoch, period;
  std::optional<double> secondary;
  int complete;  // eclipses covered on both branches
};

class RealSeriesTest : public testing::TestWithParam<RealSeries> {};

TEST_P(RealSeriesTest, EveryCompleteEclipseIsTimedAndTheProfileAgreesWithTheMethods) {
  const RealSeries& c = GetParam();
  std::vector<double> t, m, err;
  ReadColumns(std::string(VANTOR_TEST_DATA_DIR) + "/real/more/" + c.file, t, m, err);
  SeriesOptions o;
  o.ephemeris = {c.epoch, c.period};
  o.secondaryPhase = c.secondary;
  const auto r = TimeSeries(t, m, err, o);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  int complete = 0, timed = 0, onPublished = 0;
  for (const SeriesRow& row : r->rows) {
    if (!row.covered || row.nPoints < 20) continue;
    SCOPED_TRACE(std::string(1, row.kind) + std::to_string(row.cycle) + " " + row.timeSource);
    ++complete;
    ASSERT_TRUE(row.time.has_value()) << row.message;
    ASSERT_TRUE(row.profile.has_value()) << row.profileMessage;
    ++timed;
    const ProfileFit& p = *row.profile;
    EXPECT_LT(std::fabs(p.time - *row.time), 3 * std::hypot(p.error, *row.error))
        << p.time - *row.time << " " << p.error << " " << *row.error;
    if (std::fabs(*row.OMinusC()) < 3 * *row.error) ++onPublished;
  }
  EXPECT_EQ(complete, c.complete);
  EXPECT_EQ(timed, c.complete);
  // Honest errors: every eclipse on the published ephemeris within three of
  // its errors, and the O-C about the refined ephemeris scattering as the
  // errors say.
  EXPECT_EQ(onPublished, c.complete);
  ASSERT_TRUE(r->refined.has_value()) << r->refinedMessage;
  EXPECT_GE(r->refined->reducedChiSquare, 0.5);
  EXPECT_LE(r->refined->reducedChiSquare, 3.0);
  EXPECT_NEAR(r->refined->reducedChiSquare, OcReducedChiSquare(*r, c.secondary.value_or(0.5)),
              1e-4);
}

INSTANTIATE_TEST_SUITE_P(PublishedEphemerides, RealSeriesTest,
                         testing::Values(RealSeries{"gj3236-iz-20090102.lc", 2454734.995857,
                                                    0.77126, 0.5, 9},
                                         RealSeries{"KIC_9246715_201408_Patrick.txt", 337.514777,
                                                    171.2776968, std::nullopt, 8}),
                         [](const testing::TestParamInfo<RealSeries>& i) {
                           return std::string(i.param.file).substr(0, 3) == "gj3"
                                      ? std::string("GJ3236")
                                      : std::string("KIC9246715");
                         });

}  // namespace
}  // namespace vantor
