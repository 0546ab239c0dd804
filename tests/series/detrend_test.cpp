// Series windows detrended before timing: eclipses on the slow wave of a
// spotted star are timed right with the baseline removed and pulled off
// without it; the O-C's reduced chi-square about the refined ephemeris.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "methods/bootstrap.h"
#include "series/series.h"

namespace vantor {
namespace {

// Primaries 0.6 mag deep, (1 - u^2)^1.5 in shape with half-width 0.06 d,
// every 1.3 d, on a spot wave of `wave` mag and a 2.1-d period; 2-minute
// sampling, 3 mmag of noise.
struct SpottedBinary {
  double epoch = 2459100.2, period = 1.3, wave = 0.15;
  double Mag(double t) const {
    const double cycle = std::round((t - epoch) / period);
    const double u = std::fabs(t - (epoch + period * cycle)) / 0.06;
    return 10 + wave * std::sin(2 * std::numbers::pi * t / 2.1) +
           (u < 1 ? 0.6 * std::pow(1 - u * u, 1.5) : 0.0);
  }
  void Sample(int cycles, std::vector<double>& t, std::vector<double>& m) const {
    BootstrapRng rng(77);
    for (double x = epoch - 0.3; x <= epoch + cycles * period + 0.3; x += 2.0 / 1440) {
      t.push_back(x);
      m.push_back(Mag(x) + 0.003 * rng.Gauss());
    }
  }
};

TEST(SeriesDetrend, SpotWaveMovesTheMinimaOnlyWithoutDetrending) {
  const SpottedBinary b;
  std::vector<double> t, m;
  b.Sample(10, t, m);
  SeriesOptions o;
  o.ephemeris = {b.epoch, b.period};
  o.halfWidth = 0.12;
  struct Outcome {
    double rms = 0, rmsOverError = 0;
    int timed = 0, warned = 0;
  };
  const auto run = [&](bool detrend) {
    o.detrend = detrend;
    const auto r = TimeSeries(t, m, o);
    EXPECT_TRUE(r.has_value());
    Outcome out;
    if (!r) return out;
    double ss = 0, sz = 0;
    for (const SeriesRow& row : r->rows) {
      if (!row.time) continue;
      const double off = *row.time - row.predicted;  // the true minima lie on the ephemeris
      ss += off * off;
      // Each time against its own error: the series' timing jitter would
      // otherwise take up the scatter the slopes leave.
      const double e = row.ownError.value_or(*row.error);
      sz += off * off / (e * e);
      ++out.timed;
      if (!row.baselineWarning.empty()) ++out.warned;
      EXPECT_EQ(row.baseline.find("baseline removed") != std::string::npos, detrend)
          << row.baseline;
    }
    out.rms = std::sqrt(ss / out.timed);
    out.rmsOverError = std::sqrt(sz / out.timed);
    return out;
  };
  const Outcome flat = run(true), sloped = run(false);
  ASSERT_GE(flat.timed, 9);
  ASSERT_EQ(sloped.timed, flat.timed);
  // A slope up to 0.45 mag/d under a curvature of 1.5 * 0.6 / 0.06^2 moves
  // a minimum by up to about a minute.
  EXPECT_GT(sloped.rms, 3 * flat.rms);
  EXPECT_GT(sloped.rms, 15.0 / 86400);
  // Detrended, the times lie within their own errors; the slopes were worth a warning.
  EXPECT_LT(flat.rmsOverError, 2.0);
  EXPECT_GT(sloped.rmsOverError, 3.0);
  EXPECT_GT(flat.warned, 0);
  EXPECT_EQ(sloped.warned, 0);
}

TEST(FitEphemeris, ReducedChiSquareOfTheMinimaAboutTheLine) {
  struct Case {
    const char* name;
    std::vector<double> offsets;  // in units of the error, at cycles 0, 1, 2, ...
    double reduced;
  };
  // Residuals about the least-squares line worked by hand: +-1 alternating
  // over 4 cycles leaves 0.4, -1.2, 1.2, -0.4 (chi-square 3.2 over 2).
  const std::vector<Case> cases = {
      {"on the line", {0, 0, 0, 0, 0}, 0.0},
      {"alternating", {1, -1, 1, -1}, 1.6},
      {"a line itself fits exactly", {0, 1, 2, 3}, 0.0},
      {"two minima fit any line", {3, -3}, 0.0},
  };
  constexpr double kError = 2e-4, kPeriod = 0.77;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> cycles, times, errors;
    for (size_t i = 0; i < c.offsets.size(); ++i) {
      cycles.push_back(static_cast<double>(i));
      times.push_back(2454734.9958 + kPeriod * i + c.offsets[i] * kError);
      errors.push_back(kError);
    }
    const auto r = FitEphemeris(cycles, times, errors);
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_NEAR(r->reducedChiSquare, c.reduced, 1e-4);
  }
}

}  // namespace
}  // namespace vantor
