// Tests of the automatic ranges: where the rule puts the ranges on small
// hand-made eclipses, its refusals, and the acceptance of the automatic times
// over a seeded family of synthetic eclipses, the example files and the real
// eclipses of CM Dra.
#include "methods/auto_ranges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/reader.h"

namespace vantor {
namespace {

// A store read from the text of a light-curve file, as the program loads one.
std::unique_ptr<Store> LoadText(const std::string& text) {
  auto s = std::make_unique<Store>();
  const ReadResult st = ReadLightCurveText(*s, text);
  EXPECT_TRUE(st.has_value()) << st.error().message;
  return s;
}

std::unique_ptr<Store> LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_FALSE(text.str().empty()) << path;
  return LoadText(text.str());
}

// A light-curve file of the magnitudes m at the times t (HJD).
std::string CurveText(const std::vector<double>& t, const std::vector<double>& m) {
  std::string text = "HJD,V-C\n";
  char line[64];
  for (size_t i = 0; i < t.size(); ++i) {
    std::snprintf(line, sizeof line, "%.5f,%.4f\n", t[i], m[i]);
    text += line;
  }
  return text;
}

// The eclipse of the example files: out-of-eclipse magnitude m0 plus a dip
// depth * (1 - u^2)^1.5 for u < 1, with u = (|t - t0| - flat) / (width - flat)
// outside a flat bottom of half-width `flat` (0 inside it), and the
// half-width widthLeft before t0 and widthRight after it.
struct Eclipse {
  double t0, m0, depth, widthLeft, widthRight, flat;

  double Mag(double t) const {
    const double w = t < t0 ? widthLeft : widthRight;
    const double u = std::max(0.0, std::fabs(t - t0) - flat) / (w - flat);
    return m0 + (u < 1 ? depth * std::pow(1 - u * u, 1.5) : 0.0);
  }
};

// An eclipse sampled without noise at n times evenly spaced from `from` to
// `to` (HJD).
std::unique_ptr<Store> EvenEclipse(const Eclipse& e, int n, double from, double to) {
  std::vector<double> t(n), m(n);
  for (int i = 0; i < n; ++i) {
    t[i] = from + (to - from) * i / (n - 1);
    m[i] = e.Mag(t[i]);
  }
  return LoadText(CurveText(t, m));
}

// ---------------------------------------------------------------------------
// The rule on small hand-made eclipses
// ---------------------------------------------------------------------------

TEST(AutoRanges, SymmetricEclipseGivesBalancedRangesAtTheDocumentedLevels) {
  // 41 points 0.005 d apart, the minimum on point 21 (relative time 0.6),
  // depth 1 mag, half-width 0.08 d: points 1-5 and 37-41 lie outside the
  // eclipse. The median of 5 flattens the bottom to the magnitude 0.005 d
  // from it, 10.9941 in the file (points 20-22); the branches are monotonic,
  // so their medians are their own magnitudes. Top 10, usable depth 0.9941,
  // and depth fraction f at |t - 0.6| = 0.08 sqrt(1 - (0.9941 f)^(2/3)).
  const Eclipse e{2459000.6, 10.0, 1.0, 0.08, 0.08, 0.0};
  auto s = EvenEclipse(e, 41, 2459000.5, 2459000.7);
  const auto r = ChooseAutoRanges(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(r->bottomIdx, 21);
  EXPECT_NEAR(r->centreTime, 0.6, 1e-9);
  EXPECT_NEAR(r->bottomMag, 10.9941, 1e-9);
  EXPECT_NEAR(r->topMag, 10.0, 1e-9);

  // f = 0.6 at 0.0432 d: points 8 spacings either side, 13 to 29.
  ASSERT_TRUE(r->parabola.has_value()) << r->parabola.error().message;
  EXPECT_EQ(r->parabola->first, 13);
  EXPECT_EQ(r->parabola->last, 29);
  // f = 0.2 at 0.0650 d (12.99 spacings) and f = 0.8 at 0.0301 d (6.02
  // spacings): 7 to 12 spacings from the bottom on each side.
  ASSERT_TRUE(r->chords.has_value()) << r->chords.error().message;
  EXPECT_EQ(r->chords->i1, 9);
  EXPECT_EQ(r->chords->i2, 14);
  EXPECT_EQ(r->chords->i3, 28);
  EXPECT_EQ(r->chords->i4, 33);
  // f = 0.1 at 0.0709 d: 14 spacings, points 7 to 35. The faintest sample is
  // the centre itself: the boxes keep their usual values.
  ASSERT_TRUE(r->kvw.has_value()) << r->kvw.error().message;
  EXPECT_EQ(r->kvw->range.first, 7);
  EXPECT_EQ(r->kvw->range.last, 35);
  EXPECT_EQ(r->kvw->stepText, "1");
  EXPECT_EQ(r->kvw->fracText, "0.90");
  ASSERT_TRUE(r->fourier.has_value()) << r->fourier.error().message;
  EXPECT_EQ(r->fourier->range.first, 7);
  EXPECT_EQ(r->fourier->range.last, 35);
  EXPECT_FALSE(r->fourier->exclude.has_value());
  // Xo the centre, C the bottom, W = pi / 0.14 d, A1 down to the level of
  // points 7 and 35 (10.1135, 0.07 d from the bottom).
  EXPECT_NEAR(r->fourier->start[1], 0.6, 1e-9);
  EXPECT_NEAR(r->fourier->start[2], 10.9941, 1e-9);
  EXPECT_NEAR(r->fourier->start[3], std::acos(-1.0) / 0.14, 1e-6);
  EXPECT_NEAR(r->fourier->start[4], 10.9941 - 10.1135, 1e-9);
  for (int k = 5; k <= 8; ++k) EXPECT_EQ(r->fourier->start[k], 0.0);
}

TEST(AutoRanges, BalancesAboutTheCentreNotTheFaintestPointOrTheLongerBranch) {
  // A flat bottom 0.05 d wide about relative time 0.6 (points 14 to 24 of 61,
  // 0.005 d apart); the data start just before the eclipse (0.51) but run
  // 0.13 d past its end. A spike of 0.02 mag makes point 15, near the left
  // edge of the flat bottom, the faintest.
  const Eclipse e{2459000.6, 10.0, 1.0, 0.08, 0.08, 0.025};
  auto s = EvenEclipse(e, 61, 2459000.51, 2459000.81);
  s->Mag[15] += 0.02;
  ComputeRanges(*s);
  ASSERT_EQ(s->FaintIdx, 15);
  const Store before = *s;

  const auto timings = RunAutoTimings(*s);
  ASSERT_TRUE(timings.ranges.has_value()) << timings.ranges.error().message;
  const AutoRanges& r = *timings.ranges;
  EXPECT_NEAR(r.centreTime, 0.6, 1e-9);
  // Symmetric about point 19 (0.6), so also in time.
  ASSERT_TRUE(r.parabola.has_value());
  EXPECT_EQ(r.parabola->first + r.parabola->last, 2 * 19);
  ASSERT_TRUE(r.kvw.has_value());
  EXPECT_EQ(r.kvw->range.first + r.kvw->range.last, 2 * 19);
  ASSERT_TRUE(r.fourier.has_value());
  EXPECT_EQ(r.fourier->range.first + r.fourier->range.last, 2 * 19);
  ASSERT_TRUE(r.chords.has_value());
  EXPECT_EQ(r.chords->i1 + r.chords->i4, 2 * 19);
  EXPECT_EQ(r.chords->i2 + r.chords->i3, 2 * 19);
  // The spike pulls no automatic time off the centre.
  for (const AutoRow& row : AutoRowsOf(timings)) {
    ASSERT_TRUE(row.ok) << "row " << row.row << ": " << row.message;
    EXPECT_NEAR(row.time, 0.6, 0.001) << "row " << row.row;
  }
  // The working set is as it was.
  EXPECT_EQ(s->NPoints, before.NPoints);
  EXPECT_EQ(s->RelTime, before.RelTime);
  EXPECT_EQ(s->Mag, before.Mag);
}

TEST(AutoRanges, NarrowParabolaRangeIsKeptNowThatTheFitKeepsItsDigits) {
  // A narrow eclipse at relative time 0.6, points 0.002 d apart: the bottom
  // 40 % spans only +-0.011 d, too narrow for the parabola's uncentred sums,
  // which the fit then solves about the mean time: the range is not widened.
  const Eclipse e{2459000.6, 10.0, 1.0, 0.02, 0.02, 0.0};
  auto s = EvenEclipse(e, 41, 2459000.56, 2459000.64);
  const auto r = ChooseAutoRanges(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  ASSERT_TRUE(r->parabola.has_value()) << r->parabola.error().message;
  const int first = r->parabola->first, last = r->parabola->last;
  EXPECT_EQ(first + last, 2 * 21);
  EXPECT_EQ(r->parabola->why.find("digits"), std::string::npos) << r->parabola->why;
  const auto fit = FitParabola(*s, first, last);
  ASSERT_TRUE(fit.has_value());
  EXPECT_TRUE(fit->centred);
  EXPECT_NEAR(s->HjdBase + fit->minimum.rel_time, 2459000.6, 1e-6);
  // One point less on each side is delivered as well.
  EXPECT_TRUE(FitParabola(*s, first + 1, last - 1).has_value());
}

// ---------------------------------------------------------------------------
// Refusals
// ---------------------------------------------------------------------------

TEST(AutoRanges, RefusesCurvesWithoutASoundEclipse) {
  std::mt19937 gen(4242);
  std::vector<double> t, flat, noise;
  for (int i = 0; i < 200; ++i) {
    t.push_back(2459000.5 + 0.002 * i);
    flat.push_back(10.0);
    noise.push_back(10.0 + 0.01 * ((gen() % 2001) / 1000.0 - 1.0));
  }
  const Eclipse e{2459000.6, 10.0, 1.0, 0.08, 0.08, 0.0};
  struct Case {
    const char* name;
    std::unique_ptr<Store> store;
    const char* reason;
  };
  Case cases[] = {
      {"flat line", LoadText(CurveText(t, flat)), "No eclipse"},
      {"pure noise", LoadText(CurveText(t, noise)), "No eclipse"},
      // The data end at the bottom: the ascending branch is missing.
      {"half an eclipse", EvenEclipse(e, 40, 2459000.5, 2459000.6), "right (ascending)"},
      // The data start just after the bottom.
      {"other half", EvenEclipse(e, 40, 2459000.601, 2459000.7), "left (descending)"},
      {"eleven points", EvenEclipse(e, 11, 2459000.5, 2459000.7), "at least 12 points"},
  };
  for (Case& c : cases) {
    const auto r = ChooseAutoRanges(*c.store);
    ASSERT_FALSE(r.has_value()) << c.name;
    EXPECT_NE(r.error().message.find(c.reason), std::string::npos)
        << c.name << ": " << r.error().message;
    // Every method of the automatic timing carries the reason.
    const auto rows = AutoRowsOf(RunAutoTimings(*c.store));
    for (const AutoRow& row : rows) {
      EXPECT_FALSE(row.ok) << c.name << " row " << row.row;
      EXPECT_EQ(row.message, r.error().message) << c.name << " row " << row.row;
    }
  }
}

TEST(AutoRanges, NoRowDeliversATimeOutsideTheData) {
  // A sawtooth of five-point teeth is no eclipse; whatever the rule makes of
  // it, a parabola fitted to the last teeth must not give its far vertex.
  std::vector<double> t, saw;
  for (int i = 0; i < 1000; ++i) {
    t.push_back(2458739.0 + 0.001 * i);
    saw.push_back(0.10 + 0.01 * (i % 5));
  }
  const auto store = LoadText(CurveText(t, saw));
  for (const AutoRow& row : AutoRowsOf(RunAutoTimings(*store))) {
    if (row.ok) {
      EXPECT_GE(row.time, store->RelTime[1]) << "row " << row.row;
      EXPECT_LE(row.time, store->RelTime[store->NPoints]) << "row " << row.row;
    }
  }
}

TEST(AutoRanges, RefusesAnInvertedCurve) {
  const Eclipse e{2459000.6, 10.0, 1.0, 0.08, 0.08, 0.0};
  auto s = EvenEclipse(e, 41, 2459000.5, 2459000.7);
  ApplyMagSign(*s, 1);
  const auto r = ChooseAutoRanges(*s);
  ASSERT_FALSE(r.has_value());
  EXPECT_EQ(r.error().message, kInvertedMessage);
}

// ---------------------------------------------------------------------------
// Acceptance: synthetic family, example files, real eclipses
// ---------------------------------------------------------------------------

// Uniform in (0, 1) and Gaussian numbers from the raw output of mt19937 (the
// standard's distributions differ between libraries; these do not).
struct Random {
  std::mt19937 gen;
  explicit Random(uint32_t seed) : gen(seed) {}
  double Uniform() { return (gen() + 0.5) / 4294967296.0; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  double Gauss() {
    const double u1 = Uniform(), u2 = Uniform();
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::acos(-1.0) * u2);
  }
};

enum class Shape { kSymmetric, kAsymmetric, kFlatBottomed, kUneven };
constexpr const char* kShapeNames[] = {"symmetric", "asymmetric", "flat-bottomed", "uneven"};

// One synthetic eclipse of the family: seed, true parameters and its file.
struct Synthetic {
  uint32_t seed;
  Shape shape;
  int n;
  double noise;
  Eclipse e;
  std::string text;
};

// The family: case k has seed kFamilySeed + k, shape k mod 4. Drawn in this
// order: n = 30 (1000/30)^u, depth 0.3..1 mag, half-width w 0.03..0.09 d,
// t0 = 2459000.2..0.8, noise 0..0.01 mag, the series from t0 - 0.9..1.6 w to
// t0 + 0.9..1.6 w; asymmetric: right half-width w +- 0.001..0.004 d (the
// middle of a chord then lies up to 0.0015 d from t0);
// flat-bottomed: a flat half-width 0.15..0.4 w; uneven: the times drawn
// uniformly over the series and sorted. Times are written to 5 and
// magnitudes to 4 decimals, as observers send them.
constexpr uint32_t kFamilySeed = 20240601;
constexpr int kFamilySize = 200;

Synthetic MakeSynthetic(int k) {
  Synthetic c;
  c.seed = kFamilySeed + k;
  c.shape = static_cast<Shape>(k % 4);
  Random rng(c.seed);
  c.n = static_cast<int>(std::lround(30 * std::pow(1000.0 / 30, rng.Uniform())));
  const double depth = rng.Uniform(0.3, 1.0);
  const double w = rng.Uniform(0.03, 0.09);
  const double t0 = 2459000 + rng.Uniform(0.2, 0.8);
  c.noise = rng.Uniform(0.0, 0.01);
  const double from = t0 - w * rng.Uniform(0.9, 1.6);
  double wRight = w, flat = 0;
  if (c.shape == Shape::kAsymmetric) {
    wRight = w + rng.Uniform(0.001, 0.004) * (rng.Uniform() < 0.5 ? -1 : 1);
  }
  if (c.shape == Shape::kFlatBottomed) flat = w * rng.Uniform(0.15, 0.4);
  const double to = t0 + wRight * rng.Uniform(0.9, 1.6);
  c.e = Eclipse{t0, rng.Uniform(8.0, 13.0), depth, w, wRight, flat};
  std::vector<double> t(c.n), m(c.n);
  for (int i = 0; i < c.n; ++i) t[i] = from + (to - from) * i / (c.n - 1);
  if (c.shape == Shape::kUneven) {
    for (int i = 1; i + 1 < c.n; ++i) t[i] = rng.Uniform(from, to);
    std::sort(t.begin(), t.end());
  }
  for (int i = 0; i < c.n; ++i) m[i] = c.e.Mag(t[i]) + c.noise * rng.Gauss();
  c.text = CurveText(t, m);
  return c;
}

// Counts of one method over the acceptance set.
struct Tally {
  int within = 0, refused = 0, wrong = 0, silent = 0;
  std::string failures;
};

constexpr double kToleranceDays = 0.002;
constexpr const char* kMethodNames[] = {"parabola", "chords", "Kwee-van Woerden", "Fourier",
                                        "sliding integrations"};

void Score(std::array<Tally, 5>& tallies, Store& s, double trueMinimum, const std::string& name) {
  const auto rows = AutoRowsOf(RunAutoTimings(s));
  for (int k = 0; k < 5; ++k) {
    Tally& tally = tallies[k];
    const AutoRow& row = rows[k];
    if (!row.ok) {
      ++tally.refused;
      if (row.message.empty()) ++tally.silent;
      tally.failures += "  " + name + ": refused: " + row.message + "\n";
    } else if (std::fabs(s.HjdBase + row.time - trueMinimum) <= kToleranceDays) {
      ++tally.within;
    } else {
      ++tally.wrong;
      char text[600];
      std::snprintf(text, sizeof text, "  %s: off by %+.5f d (%s)\n", name.c_str(),
                    s.HjdBase + row.time - trueMinimum, row.why.c_str());
      tally.failures += text;
    }
  }
}

TEST(AutoRangesAcceptance, NineInTenWithinTwoThousandthsOfADayAndTheRestRefused) {
  std::array<Tally, 5> tallies;
  for (int k = 0; k < kFamilySize; ++k) {
    const Synthetic c = MakeSynthetic(k);
    char name[200];
    std::snprintf(name, sizeof name,
                  "seed %u %s n=%d noise=%.4f t0=%.5f depth=%.3f w=%.4f/%.4f flat=%.4f", c.seed,
                  kShapeNames[static_cast<int>(c.shape)], c.n, c.noise, c.e.t0, c.e.depth,
                  c.e.widthLeft, c.e.widthRight, c.e.flat);
    auto s = LoadText(c.text);
    Score(tallies, *s, c.e.t0, name);
  }
  // The example files (true minima from scripts/make-example.py) and CM Dra
  // (published minima, tests/data/real/README.md; testirreg is epoch 7024).
  const std::string src = VANTOR_SOURCE_DIR;
  const std::pair<const char*, double> files[] = {
      {"examples/eclipse_header.csv", 2459812.43170},
      {"examples/eclipse_no_header.csv", 2460155.61842},
      {"examples/eclipse_three_columns.csv", 2458739.92912},
      {"tests/data/real/CMDra7024.csv", 58739.9291169},
      {"tests/data/real/CMDra7023.csv", 58738.6607358},
      {"tests/data/real/testleft.csv", 58739.9291164},
      {"tests/data/real/testirreg.csv", 58739.9291169},
  };
  for (const auto& [file, minimum] : files) {
    auto s = LoadFile(src + "/" + file);
    Score(tallies, *s, minimum, file);
  }
  for (int k = 0; k < 5; ++k) {
    const Tally& t = tallies[k];
    const int total = t.within + t.refused + t.wrong;
    EXPECT_GE(t.within, 0.9 * total) << kMethodNames[k] << ": " << t.within << " of " << total
                                     << " within " << kToleranceDays << " d\n"
                                     << t.failures;
    EXPECT_EQ(t.wrong, 0) << kMethodNames[k] << " delivered wrong times:\n" << t.failures;
    EXPECT_EQ(t.silent, 0) << kMethodNames[k] << " refused without a reason";
    std::printf("%-22s within %d, refused %d, wrong %d of %d\n", kMethodNames[k], t.within,
                t.refused, t.wrong, total);
  }
}

// ---------------------------------------------------------------------------
// Coverage: gaps in the eclipse, and nights that hold more than one eclipse
// ---------------------------------------------------------------------------

// A seeded eclipse (t0 = 2459812.4317, depth 0.7, half-width 0.05 d, noise
// 0.004 mag) sampled every `step` days from t0 - 0.09 to t0 + 0.09, without
// the times that `drop` says to leave out and with the times after the
// bottom moved `shift` days later (a branch observed on another night).
struct CoverageCase {
  const char* name;
  double dropFrom, dropTo;  // relative to t0; an empty interval drops nothing
  double shift;
  bool refused;  // every method refuses "Gap in the eclipse"
};

std::string CoverageCurve(const CoverageCase& c, uint32_t seed) {
  const Eclipse e{2459812.4317, 10.0, 0.7, 0.05, 0.05, 0.0};
  Random rng(seed);
  std::vector<double> t, m;
  for (double x = -0.09; x <= 0.09 + 1e-9; x += 0.0015) {
    if (x >= c.dropFrom && x <= c.dropTo) continue;
    m.push_back(e.Mag(e.t0 + x) + 0.004 * rng.Gauss());
    t.push_back(e.t0 + x + (x > 0.002 ? c.shift : 0.0));
  }
  return CurveText(t, m);
}

TEST(AutoRangesCoverage, AGapInsideTheEclipseIsRefusedByEveryMethodAGapOutsideItIsNot) {
  const CoverageCase cases[] = {
      {"cloud over the bottom", -0.015, 0.016, 0, true},
      {"cloud over the descending branch", -0.046, -0.014, 0, true},
      {"egress five days later", 1, 0, 5.0, true},
      {"out-of-eclipse stretch missing", 0.065, 0.085, 0, false},
      {"no gap", 1, 0, 0, false},
  };
  for (const CoverageCase& c : cases) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(c.name) + ", seed " + std::to_string(seed));
      auto s = LoadText(CoverageCurve(c, seed));
      const Store before = *s;
      const auto rows = AutoRowsOf(RunAutoTimings(*s));
      for (const AutoRow& row : rows) {
        if (c.refused) {
          EXPECT_FALSE(row.ok) << "row " << row.row << " delivered " << row.time;
          EXPECT_NE(row.message.find("Gap in the eclipse"), std::string::npos) << row.message;
        } else {
          ASSERT_TRUE(row.ok) << "row " << row.row << ": " << row.message;
          EXPECT_NEAR(s->HjdBase + row.time, 2459812.4317, kToleranceDays) << "row " << row.row;
        }
      }
      EXPECT_EQ(s->NPoints, before.NPoints);
      EXPECT_EQ(s->Mag, before.Mag) << "the working set is untouched";
    }
  }
}

// A night holding two eclipses: the deeper at t0 = 2459812.4317 (depth
// `deep`), the other at t0 + offset (depth `shallow`; with `mirrored` a third
// as deep at t0 - offset), half-width 0.04 d, sampled every 0.0012 d from
// `from` to `to` (relative to t0), noise 0.004 mag, seeded.
struct TwoEclipseCase {
  const char* name;
  double offset, deep, shallow, from, to;
  bool mirrored = false;
  bool chordsRefused = false;  // the other is fainter than the chords' levels
};

std::string TwoEclipseCurve(const TwoEclipseCase& c, uint32_t seed) {
  const Eclipse deep{2459812.4317, 10.0, c.deep, 0.04, 0.04, 0.0};
  const Eclipse other{2459812.4317 + c.offset, 0.0, c.shallow, 0.04, 0.04, 0.0};
  const Eclipse mirror{2459812.4317 - c.offset, 0.0, c.mirrored ? c.shallow : 0.0, 0.04, 0.04,
                       0.0};
  Random rng(seed);
  std::vector<double> t, m;
  for (double x = c.from; x <= c.to + 1e-9; x += 0.0012) {
    t.push_back(deep.t0 + x);
    m.push_back(deep.Mag(t.back()) + other.Mag(t.back()) + mirror.Mag(t.back()) +
                0.004 * rng.Gauss());
  }
  return CurveText(t, m);
}

TEST(AutoRangesCoverage, ANightWithTwoEclipsesIsTimedOnTheDeepestAndSaysSo) {
  // With the other eclipse before the deep one, the chords of its right
  // branch used to close on the other eclipse's descending branch, and the
  // bisected chords gave a time between the two. The deep eclipse lies in
  // the middle of the night, or the program's own test would call the curve
  // inverted (its faintest point farther from the middle than its brightest).
  const TwoEclipseCase cases[] = {
      {"the other before", -0.15, 0.8, 0.45, -0.2, 0.2},
      {"the other after", 0.15, 0.8, 0.45, -0.2, 0.2},
      {"one on each side", 0.14, 0.8, 0.4, -0.2, 0.2, true},
      {"the other's egress only, at the start", -0.12, 0.8, 0.5, -0.13, 0.13},
      {"nearly equal depths", 0.16, 0.6, 0.55, -0.2, 0.2, false, true},
  };
  for (const TwoEclipseCase& c : cases) {
    for (uint32_t seed = 11; seed <= 13; ++seed) {
      SCOPED_TRACE(std::string(c.name) + ", seed " + std::to_string(seed));
      const std::string text = TwoEclipseCurve(c, seed);
      auto s = LoadText(text);
      const AutoTimings timings = RunAutoTimings(*s);
      ASSERT_TRUE(timings.ranges) << timings.ranges.error().message;
      EXPECT_NE(timings.ranges->eclipseNote.find("every method times the deepest"),
                std::string::npos)
          << timings.ranges->eclipseNote;
      int delivered = 0;
      for (const AutoRow& row : AutoRowsOf(timings)) {
        if (!row.ok) {
          EXPECT_FALSE(row.message.empty()) << "row " << row.row << " refused without a reason";
          continue;
        }
        ++delivered;
        EXPECT_NEAR(s->HjdBase + row.time, 2459812.4317, kToleranceDays)
            << "row " << row.row << " (" << row.why << ")";
      }
      EXPECT_GE(delivered, 3);
      if (c.chordsRefused) {
        // Every chord of a branch would close on the other eclipse.
        ASSERT_FALSE(timings.chords);
        EXPECT_NE(timings.chords.error().message.find("would close on another eclipse"),
                  std::string::npos)
            << timings.chords.error().message;
      } else {
        EXPECT_TRUE(timings.chords) << "the chords are kept on the deep eclipse, not refused: "
                                    << timings.chords.error().message;
      }
    }
  }
}

TEST(AutoRangesCoverage, OneEclipseNightsAreNeitherGappedNorDoubled) {
  // The synthetic family (uneven spacing included) and every example and
  // real eclipse: no gap refusal and no second eclipse seen in any of them.
  std::vector<std::pair<std::string, std::unique_ptr<Store>>> curves;
  for (int k = 0; k < kFamilySize; ++k) {
    curves.emplace_back("seed " + std::to_string(MakeSynthetic(k).seed),
                        LoadText(MakeSynthetic(k).text));
  }
  const std::string src = VANTOR_SOURCE_DIR;
  for (const char* file : {"examples/eclipse_header.csv", "examples/eclipse_no_header.csv",
                           "examples/eclipse_three_columns.csv", "tests/data/real/CMDra7024.csv",
                           "tests/data/real/CMDra7023.csv", "tests/data/real/testleft.csv",
                           "tests/data/real/testirreg.csv"}) {
    curves.emplace_back(file, LoadFile(src + "/" + file));
  }
  for (const auto& [name, s] : curves) {
    const auto r = ChooseAutoRanges(*s);
    if (!r) {
      EXPECT_EQ(r.error().message.find("Gap"), std::string::npos) << name << ": "
                                                                  << r.error().message;
      continue;
    }
    EXPECT_EQ(r->eclipseNote, "") << name;
    EXPECT_EQ(r->eclipseFirst, 1) << name;
    EXPECT_EQ(r->eclipseLast, s->NPoints) << name;
  }
  // 30 mmag of noise and a last point 0.1 mag fainter than the brightest
  // after the eclipse: noise at the end of the data, not a second eclipse.
  const auto noisy = LoadFile(src + "/tests/data/noisy_last_point.csv");
  const auto r = ChooseAutoRanges(*noisy);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(r->eclipseNote, "");
  EXPECT_EQ(r->eclipseLast, noisy->NPoints);
}

}  // namespace
}  // namespace vantor
