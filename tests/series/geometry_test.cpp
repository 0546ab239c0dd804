// Tests of the eclipse geometry measured from the folded series and of the
// windows it gives: the duration of a short eclipse of a long-period system
// and of a wide eclipse of a short-period one, sparse long-cadence windows
// that are not refused for their few points, and gaps judged by the depth
// they hide (a 5-minute gap in a 9-hour eclipse, a satellite's orbit gaps)
// rather than by multiples of the cadence.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "methods/bootstrap.h"
#include "series/series.h"

namespace vantor {
namespace {

constexpr double kMinute = 1.0 / 1440;

// Primaries 10 + depth (1 - u^2)^1.5, u = |t - Tc| / halfDays (the duration
// from contact to contact is 2 halfDays), and secondaries of secondaryDepth
// at phase 0.5, on a level of 10; sampled every `step` days over `cycles`
// cycles with Gaussian noise (BootstrapRng(seed)), leaving out the gaps
// [a, b) given relative to each primary and every `orbit` days (when
// positive) a stretch of `orbitGap` days.
struct System {
  double epoch = 2459000.3, period = 3.0, halfDays = 0.1;
  double depth = 0.3, secondaryDepth = 0.1, noise = 0.002;
  double step = 2 * kMinute;
  int cycles = 4;
  std::vector<std::pair<double, double>> gaps;
  double orbit = 0, orbitGap = 0;
  uint64_t seed = 20261208;

  double Mag(double t) const {
    double m = 10;
    const double c = std::round((t - epoch) / period);
    for (const auto& [phase, d] : {std::pair{0.0, depth}, std::pair{0.5, secondaryDepth}}) {
      for (double k = c - 1; k <= c + 1; ++k) {
        const double u = std::fabs(t - (epoch + period * (k + phase))) / halfDays;
        if (u < 1) m += d * std::pow(1 - u * u, 1.5);
      }
    }
    return m;
  }
  void Sample(std::vector<double>& t, std::vector<double>& m) const {
    BootstrapRng rng(seed);
    for (double x = epoch - period / 4; x <= epoch + (cycles - 0.75) * period; x += step) {
      const double noisy = Mag(x) + noise * rng.Gauss();
      const double fromPrimary = x - (epoch + period * std::round((x - epoch) / period));
      bool hidden = orbit > 0 && std::fmod(x - epoch + 10 * orbit, orbit) < orbitGap;
      for (const auto& [a, b] : gaps) hidden = hidden || (fromPrimary >= a && fromPrimary < b);
      if (hidden) continue;
      t.push_back(x);
      m.push_back(noisy);
    }
  }
};

// A system of the given period, eclipse half-duration and depths, sampled
// every `step` days over `cycles` cycles, without gaps.
System Of(double period, double halfDays, double depth, double secondaryDepth, double step,
          int cycles) {
  System s;
  s.period = period;
  s.halfDays = halfDays;
  s.depth = depth;
  s.secondaryDepth = secondaryDepth;
  s.step = step;
  s.cycles = cycles;
  return s;
}

TEST(MeasureGeometry, DurationWithinAFifthOfTheTruthForShortAndWideEclipses) {
  struct Case {
    const char* name;
    System system;
  };
  // 29.4-minute cadence on a 40-day system with 7.2-hour eclipses (a
  // hundredth of the period), and 2-minute cadence on a 0.6-day system
  // whose eclipses fill 40 % of the period each.
  const Case cases[] = {
      {"long period, short eclipse", Of(40.0, 0.15, 0.3, 0.1, 29.4 * kMinute, 6)},
      {"short period, wide eclipses", Of(0.6, 0.12, 0.3, 0.15, 2 * kMinute, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> t, m;
    c.system.Sample(t, m);
    const Ephemeris e{c.system.epoch, c.system.period};
    const auto g = MeasureGeometry(t, m, e);
    ASSERT_TRUE(g.has_value()) << g.error().message;
    const double truth = 2 * c.system.halfDays;
    EXPECT_NEAR(g->duration, truth, 0.2 * truth);
    EXPECT_NEAR(g->offset, 0, 0.05 * truth);
    EXPECT_NEAR(g->bottom - g->level, c.system.depth, 0.2 * c.system.depth);
    EXPECT_NEAR(g->cadence, c.system.step, 1e-9);
    // The windows reach past both contacts, and not into the secondary.
    EXPECT_GT(g->halfWidth, 0.5 * g->duration);
    EXPECT_LE(g->halfWidth, std::max(0.5 * c.system.period - 0.5 * g->duration, 0.5 * g->duration));
    const auto secondary = MeasureGeometry(t, m, e, 0.5);
    ASSERT_TRUE(secondary.has_value()) << secondary.error().message;
    EXPECT_NEAR(secondary->duration, truth, 0.2 * truth);
    EXPECT_NEAR(secondary->bottom - secondary->level, c.system.secondaryDepth,
                0.2 * c.system.secondaryDepth);
  }
}

// Rows whose window checks passed carry no window refusal; the methods that
// time the window (or refuse it on their own) come after.
bool WindowAccepted(const SeriesRow& row) {
  for (const char* refusal : {"points of the window lie within the eclipse",
                              "Gap in the eclipse", "branch is missing"}) {
    if (row.message.find(refusal) != std::string::npos && row.methods.empty()) return false;
  }
  return true;
}

TEST(TimeSeries, WindowsAreJudgedByTheEclipsesDepthAndDurationNotByTheCadence) {
  struct Case {
    const char* name;
    System system;
    const char* refusal;  // the window refusal of cycle 1; nullptr: accepted
  };
  const System sparse = Of(2.3, 1.5 / 24, 0.1, 0.03, 29.4 * kMinute, 10);
  System nine = Of(3.0, 4.5 / 24, 0.3, 0.1, 2 * kMinute, 3);
  nine.gaps = {{-2.0 / 24, -2.0 / 24 + 5 * kMinute}};
  System orbits = Of(3.0, 3.0 / 24, 0.3, 0.1, 1 * kMinute, 3);
  orbits.orbit = 97 * kMinute;
  orbits.orbitGap = 7 * kMinute;
  System cloud = nine;
  cloud.halfDays = 1.45 / 24;
  cloud.gaps = {{-15 * kMinute, 25 * kMinute}};
  System egress = nine;
  egress.gaps = {{0.5 / 24, 2.0}};
  const Case cases[] = {
      {"29.4-minute cadence, 3-hour eclipses", sparse, nullptr},
      {"a 5-minute gap in each 9-hour eclipse", nine, nullptr},
      {"7-minute orbit gaps every 97 minutes, 6-hour eclipses", orbits, nullptr},
      {"a 40-minute cloud over each bottom", cloud, "bottom"},
      {"every egress missing", egress, "ascending branch is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> t, m;
    c.system.Sample(t, m);
    SeriesOptions o;
    o.ephemeris = {c.system.epoch, c.system.period};
    const auto r = TimeSeries(t, m, o);
    ASSERT_TRUE(r.has_value()) << r.error().message;
    ASSERT_GE(r->rows.size(), 3u);
    const SeriesRow& row = r->rows[1];
    if (c.refusal == nullptr) {
      EXPECT_TRUE(WindowAccepted(row)) << row.message;
    } else {
      EXPECT_FALSE(WindowAccepted(row));
      EXPECT_NE(row.message.find(c.refusal), std::string::npos) << row.message;
    }
  }
  // The long-cadence windows hold fewer points than the fixed minimum of 12
  // the windows used to need, yet they are cut and handed to the methods.
  std::vector<double> t, m;
  sparse.Sample(t, m);
  SeriesOptions o;
  o.ephemeris = {sparse.epoch, sparse.period};
  const auto r = TimeSeries(t, m, o);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  for (const SeriesRow& row : r->rows) {
    SCOPED_TRACE(row.cycle);
    EXPECT_LT(row.nPoints, kMinWindowPoints);
    EXPECT_TRUE(WindowAccepted(row)) << row.message;
  }
}

}  // namespace
}  // namespace vantor
