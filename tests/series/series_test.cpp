// Tests of every eclipse of a long series: a seeded synthetic series with a
// known ephemeris and an injected light-travel-time O-C, wrong periods and
// epochs, windows that must be refused, the ephemeris found from the series,
// and the two real CM Dra eclipses joined into one series.
#include "series/series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "core/reader.h"
#include "core/store.h"
#include "methods/bootstrap.h"

namespace vantor {
namespace {

// A detached binary: primary 0.8 mag deep and secondary 0.3 mag deep at phase
// 0.5, each (1 - u^2)^1.5 in shape with half-width 0.06 d, on a level of 10.
// The times of the primaries carry a light-travel-time sinusoid of amplitude
// `ltt` days and a period of 8 cycles. Sampled every 2 minutes with Gaussian
// noise `noise` (mag) from BootstrapRng(seed).
struct Binary {
  double epoch = 2459000.3, period = 1.2345678, ltt = 0.0021, noise = 0.004;
  double primaryDepth = 0.8, secondaryDepth = 0.3, secondaryPhase = 0.5;
  uint64_t seed = 20261207;

  double Shift(double cycle) const { return ltt * std::sin(2 * std::numbers::pi * cycle / 8); }
  double TrueMinimum(long cycle, double phase = 0) const {
    return epoch + period * (cycle + phase) + Shift(cycle + phase);
  }
  double Mag(double t) const {
    const double cycle = std::round((t - epoch) / period);
    double m = 10;
    for (const auto& [phase, depth] :
         {std::pair{0.0, primaryDepth}, std::pair{secondaryPhase, secondaryDepth}}) {
      for (double c = cycle - 1; c <= cycle + 1; ++c) {
        const double u = std::fabs(t - TrueMinimum(static_cast<long>(c), phase)) / 0.06;
        if (u < 1) m += depth * std::pow(1 - u * u, 1.5);
      }
    }
    return m;
  }
  void Sample(double from, double to, std::vector<double>& t, std::vector<double>& m) const {
    BootstrapRng rng(seed);
    for (double x = from; x <= to; x += 2.0 / 1440) {
      t.push_back(x);
      m.push_back(Mag(x) + noise * rng.Gauss());
    }
  }
};

TEST(TimeSeries, RecoversEveryMinimumTheInjectedOMinusCAndTheEphemeris) {
  const Binary b;
  std::vector<double> t, m;
  b.Sample(b.epoch - 0.4, b.epoch + 12 * b.period + 0.4, t, m);  // 12 cycles, ~10 700 points
  SeriesOptions o;
  o.ephemeris = {b.epoch, b.period};
  o.secondaryPhase = 0.5;
  const auto r = TimeSeries(t, m, o);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_NEAR(r->halfWidth, 1.5 * 0.06, 0.02);
  ASSERT_EQ(r->rows.size(), 13u + 12u);  // primaries 0..12, secondaries 0..11
  int delivered = 0;
  for (const SeriesRow& row : r->rows) {
    SCOPED_TRACE(std::string(1, row.kind) + std::to_string(row.cycle));
    ASSERT_TRUE(row.time.has_value()) << row.message;
    ++delivered;
    const double truth = b.TrueMinimum(row.cycle, row.kind == 'S' ? 0.5 : 0.0);
    EXPECT_LT(std::fabs(*row.time - truth), 3 * *row.error) << *row.error;
    EXPECT_LT(*row.error, 0.001);
    // The O-C is the injected shift.
    EXPECT_NEAR(*row.OMinusC(), truth - row.predicted, 3 * *row.error);
    EXPECT_GE(row.methods.size(), 3u);
  }
  EXPECT_EQ(delivered, 25);
  ASSERT_TRUE(r->refined.has_value()) << r->refinedMessage;
  // The sinusoid over 12 of its 8-cycle periods barely moves the linear fit.
  EXPECT_NEAR(r->refined->period, b.period, 3 * r->refined->periodError + 2e-4);
  EXPECT_GT(r->refined->periodError, 0);
}

// Space photometry sampled every 5 s: each window holds more points than the
// desktop's store, and every one of them is timed (no binning).
TEST(TimeSeries, AWindowLongerThanTheStoreIsTimedAtItsFullLength) {
  Binary b;
  b.ltt = 0;
  b.noise = 0.002;
  std::vector<double> t, m;
  BootstrapRng rng(b.seed);
  for (double x = b.epoch - 0.3; x <= b.epoch + 2 * b.period + 0.3; x += 5.0 / 86400) {
    t.push_back(x);
    m.push_back(b.Mag(x) + b.noise * rng.Gauss());
  }
  SeriesOptions o;
  o.ephemeris = {b.epoch, b.period};
  o.halfWidth = 0.09;
  const auto r = TimeSeries(t, m, o);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  ASSERT_EQ(r->rows.size(), 3u);
  for (const SeriesRow& row : r->rows) {
    SCOPED_TRACE(row.cycle);
    EXPECT_GT(row.nPoints, kMaxPoints);
    ASSERT_TRUE(row.time.has_value()) << row.message;
    EXPECT_EQ(row.message, "");
    EXPECT_NEAR(*row.time, b.TrueMinimum(row.cycle), 0.0005);
    EXPECT_GE(row.methods.size(), 3u);
  }
}

TEST(TimeSeries, WrongPeriodGivesALinearOMinusCAndTheRefinedPeriodMendsIt) {
  Binary b;
  b.ltt = 0;
  std::vector<double> t, m;
  b.Sample(b.epoch - 0.3, b.epoch + 10 * b.period + 0.3, t, m);
  SeriesOptions o;
  o.halfWidth = 0.09;
  o.ephemeris = {b.epoch, b.period + 0.002};  // 2.9 minutes a cycle too long
  const auto longer = TimeSeries(t, m, o);
  ASSERT_TRUE(longer.has_value()) << longer.error().message;
  for (const SeriesRow& row : longer->rows) {
    ASSERT_TRUE(row.time.has_value()) << row.cycle << ": " << row.message;
    EXPECT_NEAR(*row.OMinusC(), -0.002 * row.cycle, 4 * *row.error);
  }
  ASSERT_TRUE(longer->refined.has_value());
  EXPECT_NEAR(longer->refined->period, b.period, 3 * longer->refined->periodError + 1e-6);
  EXPECT_NEAR(longer->refined->epoch, b.epoch, 3 * longer->refined->epochError + 1e-5);

  o.ephemeris = {b.epoch + 0.004, b.period};  // a constant O-C of -0.004 d
  const auto shifted = TimeSeries(t, m, o);
  ASSERT_TRUE(shifted.has_value());
  for (const SeriesRow& row : shifted->rows) {
    ASSERT_TRUE(row.time.has_value()) << row.message;
    EXPECT_NEAR(*row.OMinusC(), -0.004, 4 * *row.error);
  }
}

TEST(TimeSeries, RefusesWindowsWithAGapOrAHalfEclipseAndSaysWhy) {
  Binary b;
  b.ltt = 0;
  std::vector<double> all, allMag;
  b.Sample(b.epoch - 0.3, b.epoch + 3 * b.period + 0.3, all, allMag);
  std::vector<double> t, m;
  const double cycle1 = b.epoch + b.period, cycle2 = b.epoch + 2 * b.period;
  for (size_t i = 0; i < all.size(); ++i) {
    // A gap of 40 minutes across the bottom of cycle 1; cycle 2's egress missing.
    if (all[i] > cycle1 - 0.01 && all[i] < cycle1 + 0.018) continue;
    if (all[i] > cycle2 + 0.01 && all[i] < cycle2 + 0.5) continue;
    t.push_back(all[i]);
    m.push_back(allMag[i]);
  }
  SeriesOptions o;
  o.ephemeris = {b.epoch, b.period};
  o.halfWidth = 0.09;
  const auto r = TimeSeries(t, m, o);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  ASSERT_EQ(r->rows.size(), 4u);
  EXPECT_TRUE(r->rows[0].time.has_value()) << r->rows[0].message;
  EXPECT_FALSE(r->rows[1].time.has_value());
  EXPECT_NE(r->rows[1].message.find("Gap in the eclipse"), std::string::npos) << r->rows[1].message;
  EXPECT_FALSE(r->rows[2].time.has_value());
  EXPECT_NE(r->rows[2].message.find("ascending branch is missing"), std::string::npos)
      << r->rows[2].message;
  EXPECT_TRUE(r->rows[3].time.has_value()) << r->rows[3].message;

  // Bad arguments are refused before anything is timed.
  for (const double period : {0.0, -1.0, std::nan("")}) {
    o.ephemeris.period = period;
    EXPECT_FALSE(TimeSeries(t, m, o).has_value()) << period;
  }
  o.ephemeris.period = b.period;
  o.halfWidth = b.period;  // more than half the period
  EXPECT_FALSE(TimeSeries(t, m, o).has_value());
  std::vector<double> shuffled = t;
  std::swap(shuffled[5], shuffled[6]);
  o.halfWidth = 0.09;
  EXPECT_FALSE(TimeSeries(shuffled, m, o).has_value());
  // Epochs whose cycle numbers no long holds (the cast of 1e308 periods was
  // undefined behaviour), or no double counts exactly, are refused saying so.
  for (const double epoch : {1e308, -1e308, b.epoch + 2e9 * b.period}) {
    o.ephemeris.epoch = epoch;
    const auto far = TimeSeries(t, m, o);
    ASSERT_FALSE(far.has_value()) << epoch;
    EXPECT_NE(far.error().message.find("more than a thousand million periods"), std::string::npos)
        << far.error().message;
  }
  o.ephemeris.epoch = b.epoch - 1e6 * b.period;  // far, but counted exactly: timed
  EXPECT_TRUE(TimeSeries(t, m, o).has_value());
}

// The ephemeris from the series alone, on nine cycles of the binary (seed
// 20261207, 2-minute sampling): a secondary of 0.3 or 0.6 mag under a primary
// of 0.8 (a period of half the true one used to be found for 0.6), at phase
// 0.5 or 0.47 (an eccentric orbit), a 0.02-d gap across the bottom of one
// primary (the halves used to count as two eclipses, giving 0.029 d), a
// series of three eclipses, then ones that must be refused: two eclipses only
// and pure Gaussian noise (which used to give "Found 106 eclipses").
TEST(FindEphemeris, FindsTheTruePeriodOrSaysWhyNot) {
  struct Case {
    std::string name;
    double secondaryDepth, secondaryPhase, noise;
    double gapAt;   // cycle of the primary whose bottom is cut out; < 0: none
    double cycles;  // length of the series in periods
    int primaries;  // expected; 0: refused
    int secondaries;
    const char* refusal;
    double periodFactor = 1;  // the period found over the true one
  };
  const Case cases[] = {
      {"shallow secondary", 0.3, 0.5, 0.004, -1, 8, 9, 8, nullptr},
      {"clearly shallower secondary", 0.6, 0.5, 0.004, -1, 8, 9, 8, nullptr},
      {"eccentric, secondary at 0.47", 0.6, 0.47, 0.004, -1, 8, 9, 8, nullptr},
      {"gap inside a primary", 0.3, 0.5, 0.004, 3, 8, 9, 8, nullptr},
      {"gap inside a primary, clearly shallower secondary", 0.6, 0.5, 0.004, 5, 8, 9, 8, nullptr},
      {"three eclipses", 0.6, 0.5, 0.004, -1, 1, 2, 1, nullptr},
      // 0.74 under 0.8: not clearly shallower as a class, but alternate
      // eclipses differ clearly.
      {"alternate eclipses 0.06 mag apart", 0.74, 0.5, 0.004, -1, 8, 9, 8, nullptr},
      // Equal depths: every eclipse alike, half the period, and the summary
      // says it may be twice that.
      {"equal depths", 0.8, 0.5, 0.004, -1, 8, 17, 0, nullptr, 0.5},
      {"two eclipses only", 0.0, 0.5, 0.004, -1, 1, 0, 0, "Only 2 eclipses"},
      {"pure noise", 0.0, 0.5, 0.004, -1, 8, 0, 0, "No eclipse was found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Binary b;
    b.secondaryDepth = c.secondaryDepth;
    b.secondaryPhase = c.secondaryPhase;
    b.noise = c.noise;
    if (std::string(c.name) == "pure noise") b.primaryDepth = 0;
    std::vector<double> t, m;
    b.Sample(b.epoch - 0.3, b.epoch + c.cycles * b.period + 0.3, t, m);
    if (c.gapAt >= 0) {
      const double centre = b.TrueMinimum(static_cast<long>(c.gapAt));
      std::vector<double> gt, gm;
      for (size_t i = 0; i < t.size(); ++i) {
        if (std::fabs(t[i] - centre) > 0.01) gt.push_back(t[i]), gm.push_back(m[i]);
      }
      t.swap(gt), m.swap(gm);
    }
    const auto f = FindEphemeris(t, m);
    if (c.refusal != nullptr) {
      ASSERT_FALSE(f.has_value()) << f->summary;
      EXPECT_NE(f.error().message.find(c.refusal), std::string::npos) << f.error().message;
      continue;
    }
    ASSERT_TRUE(f.has_value()) << f.error().message;
    EXPECT_EQ(f->primaries, c.primaries) << f->summary;
    EXPECT_EQ(f->eclipses, c.primaries + c.secondaries) << f->summary;
    // The light-travel time moves single primaries by up to 0.0021 d.
    EXPECT_NEAR(f->ephemeris.period, c.periodFactor * b.period, 0.003) << f->summary;
    const double phase = (f->ephemeris.epoch - b.epoch) / (c.periodFactor * b.period);
    EXPECT_NEAR(phase - std::round(phase), 0, 0.01) << f->summary;
    if (c.periodFactor != 1) {
      EXPECT_FALSE(f->secondaryPhase.has_value());
      EXPECT_NE(f->summary.find("alike in depth"), std::string::npos) << f->summary;
    } else if (c.secondaryDepth > 0) {
      ASSERT_TRUE(f->secondaryPhase.has_value()) << f->summary;
      EXPECT_NEAR(*f->secondaryPhase, c.secondaryPhase, 0.01) << f->summary;
      EXPECT_NE(f->summary.find(" shallower secondaries at phase "), std::string::npos);
    }
    EXPECT_EQ(f->summary.rfind("Found " + std::to_string(f->eclipses) + " eclipses", 0), 0u)
        << f->summary;
  }
}

TEST(TimeSeries, TwoRealCmDraEclipsesJoinedGiveTheirPublishedMinima) {
  std::vector<double> t, m;
  for (const char* name : {"CMDra7023.csv", "CMDra7024.csv"}) {
    auto s = std::make_unique<Store>();
    s->DataFilePath = std::string(VANTOR_TEST_DATA_DIR) + "/real/" + name;
    ASSERT_TRUE(ReadLightCurve(*s).has_value()) << name;
    for (int i = 1; i <= s->NPointsAll; ++i) {
      t.push_back(s->HjdRaw[i]);
      m.push_back(s->MagRaw[i]);
    }
  }
  const double published[2] = {58738.6607358, 58739.9291169};
  const double publishedError[2] = {0.0000191, 0.0000125};
  for (const double epoch : {58738.6607, 58739.9291}) {
    SeriesOptions o;
    o.ephemeris = {epoch, 1.2683900};
    o.halfWidth = 0.025;
    const auto r = TimeSeries(t, m, o);
    ASSERT_TRUE(r.has_value()) << r.error().message;
    ASSERT_EQ(r->rows.size(), 2u);
    for (int k = 0; k < 2; ++k) {
      const SeriesRow& row = r->rows[k];
      ASSERT_TRUE(row.time.has_value()) << row.message;
      const double sigma = std::hypot(*row.error, publishedError[k]);
      EXPECT_LT(std::fabs(*row.time - published[k]), 3 * sigma)
          << "epoch " << epoch << ", minimum " << k << ": " << *row.time << " +- " << *row.error;
    }
  }
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// The rows of a series are counted before anything is allocated: the count
// matches the minima a loop over every cycle finds, and a period that would
// make two million rows is refused naming the limit and --from/--until, while
// one just under the limit is timed (every window nearly empty).
TEST(TimeSeries, RowsAreCountedFirstAndRefusedAboveTheLimit) {
  struct Count {
    double first, last, epoch, period;
    std::optional<double> phase;
  };
  for (const Count& c : {Count{10.0, 20.0, 0.3, 1.0, std::nullopt},
                         Count{10.0, 20.0, 0.3, 1.0, 0.5}, Count{10.3, 20.3, 0.3, 1.0, 0.47},
                         Count{-5.2, 7.9, 100.1, 0.37, 0.71}, Count{0.0, 0.1, 0.5, 1.0, 0.5}}) {
    int counted = 0;
    for (long k = -1000; k <= 1000; ++k) {
      for (const double phase : {0.0, c.phase.value_or(-1.0)}) {
        if (phase < 0) continue;
        const double t = c.epoch + c.period * (k + phase);
        if (t >= c.first && t <= c.last) ++counted;
      }
    }
    EXPECT_EQ(PredictedMinima(c.first, c.last, {c.epoch, c.period}, c.phase), counted)
        << c.first << ".." << c.last;
  }

  // 40 points over one day.
  std::vector<double> t, m;
  for (int i = 0; i < 40; ++i) t.push_back(2459000.0 + i / 39.0), m.push_back(10.0);
  struct Case {
    double rows;
    bool secondary;
    bool refused;
  };
  for (const Case& c :
       {Case{2e6, true, true}, Case{2e6, false, true}, Case{kMaxSeriesRows + 10.0, false, true},
        Case{kMaxSeriesRows - 10.0, false, false}}) {
    SeriesOptions o;
    const double perPeriod = c.secondary ? 2 : 1;
    o.ephemeris = {2459000.0 + 1e-9, perPeriod / c.rows};
    if (c.secondary) o.secondaryPhase = 0.5;
    o.halfWidth = o.ephemeris.period / 4;
    const auto r = TimeSeries(t, m, o);
    if (c.refused) {
      ASSERT_FALSE(r.has_value()) << c.rows;
      EXPECT_NE(r.error().message.find(std::to_string(kMaxSeriesRows)), std::string::npos)
          << r.error().message;
      EXPECT_NE(r.error().message.find("--from and --until"), std::string::npos);
    } else {
      ASSERT_TRUE(r.has_value()) << r.error().message;
      EXPECT_NEAR(static_cast<double>(r->rows.size()), c.rows, 2);
    }
  }
}

}  // namespace
}  // namespace vantor
