// Tests of Kwee and van Woerden: the resampling, the tuning texts, symmetric
// light curves, hand-traced pass loops, a real eclipse, and every refusal.
#include "methods/kwee.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/reader.h"
#include "test_curves.h"

namespace vantor {
namespace {

using testing::MakeStore;

// Runs the method with the texts of its "Stepp" and "Frac" boxes, as its
// window and TimeMethod do: the range is judged first, then the texts.
MethodResult<KvwResult> KvwFromBoxes(const CurveView& s, int first, int last, std::string step,
                                     std::string frac) {
  if (auto range = CheckKvwRange(s, first, last); !range) return std::unexpected(range.error());
  const auto tuning = ParseKvwTuning({std::move(step), std::move(frac)});
  if (!tuning) return std::unexpected(tuning.error());
  return KweeVanWoerden(s, first, last, *tuning);
}

// n points every `spacing` days placed symmetrically about t0 (for odd n the
// middle point lies on t0) on a Gaussian dip 0.8 mag deep and 0.02 d wide.
std::unique_ptr<Store> SymmetricDip(int n, double t0, double spacing) {
  std::vector<double> t, m;
  for (int j = 0; j < n; ++j) {
    const double u = spacing * (j - (n - 1) / 2.0) / 0.02;
    t.push_back(t0 + spacing * (j - (n - 1) / 2.0));
    m.push_back(0.1 + 0.8 * std::exp(-u * u));
  }
  return MakeStore(t, m);
}

TEST(KweeVanWoerden, SymmetricAboutASampleTimeStopsAtOnce) {
  // 21 points, the middle one on T0: M = RoundEven(18.9) = 19, and sample 19
  // of 0..38 falls on T0 and is the faintest.
  auto s = SymmetricDip(21, 0.3125, 0.004);
  const auto r = KvwFromBoxes(*s, 1, 21, "1", ".9");
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_EQ(r->M, 19);
  EXPECT_EQ(r->centre, 19);
  EXPECT_EQ(r->passes, 0);
  EXPECT_LT(r->S2, 1e-20);
  EXPECT_GT(r->S1, r->S2);
  EXPECT_GT(r->S3, r->S2);
  EXPECT_NEAR(r->minimum.rel_time, 0.3125, 1e-9);
}

TEST(KweeVanWoerden, SymmetricCurveGivesItsAxis) {
  // Even and odd counts, ranges mirrored about T0, which is then the middle
  // sample time but, for even counts, no observed time.
  for (const int n : {12, 19, 30, 51}) {
    auto s = SymmetricDip(n, 0.6789, 0.0025);
    for (const int cut : {0, 1, 3}) {
      const auto r = KvwFromBoxes(*s, 1 + cut, n - cut, "1", ".9");
      ASSERT_TRUE(r) << r.error().message << " n " << n << " cut " << cut;
      EXPECT_NEAR(r->minimum.rel_time, 0.6789, 1e-9) << "n " << n << " cut " << cut;
      EXPECT_LT(r->minimum.error, 1e-6);
    }
  }
}

TEST(KweeVanWoerden, InitialTuningTextsAndHowTextsAreRead) {
  auto s = SymmetricDip(31, 0.5, 0.003);
  struct Case {
    const char* step;
    const char* frac;
    int expectStep;
    double expectFrac;
  };
  // The initial texts first; then the leading number counts and Step rounds
  // halves to even.
  for (const Case& c : {Case{"1", ".9", 1, 0.9}, Case{"2abc", " .5 mag", 2, 0.5},
                        Case{"2.5", "0.9", 2, 0.9}, Case{"3.5", ".8", 4, 0.8}}) {
    const auto r = KvwFromBoxes(*s, 1, 31, c.step, c.frac);
    ASSERT_TRUE(r) << r.error().message << " step \"" << c.step << "\"";
    EXPECT_EQ(r->step, c.expectStep) << c.step;
    EXPECT_EQ(r->frac, c.expectFrac) << c.frac;
    EXPECT_NEAR(r->minimum.rel_time, 0.5, 1e-9) << c.step;
  }
}

TEST(KvwResample, SampleCountsAndEnds) {
  auto s = SymmetricDip(40, 0.5, 0.003);
  // Ranges centred on the bottom, which lies between points 20 and 21.
  for (const auto& [n, m] : {std::pair{10, 9}, std::pair{20, 18}}) {
    const auto r = KvwFromBoxes(*s, 21 - n / 2, 20 + n / 2, "1", ".9");
    ASSERT_TRUE(r) << r.error().message << " N " << n;
    EXPECT_EQ(r->N, n);
    EXPECT_EQ(r->M, m);
    EXPECT_EQ(r->samples, 2 * m + 1);
    const int F = 2 * m, first = 21 - n / 2, last = 20 + n / 2;
    const KvwSamples& k = r->resampled;
    ASSERT_EQ(k.KvwT.size(), static_cast<size_t>(F + 1));
    ASSERT_EQ(k.KvwMag.size(), static_cast<size_t>(F + 1));
    EXPECT_EQ(k.KvwT[0], s->RelTime[first]);
    EXPECT_EQ(k.KvwT[F], s->RelTime[last]);
    EXPECT_EQ(k.KvwMag[0], s->Mag[first]);
    EXPECT_EQ(k.KvwMag[F], s->Mag[last]);
    EXPECT_NEAR(k.KvwT[1] - k.KvwT[0], (s->RelTime[last] - s->RelTime[first]) / F, 1e-15);
  }
}

TEST(KvwResample, SearchesTheWholeSeriesFromItsEnd) {
  // Times out of order (seed 7024): the segment of each sample is found by
  // walking down from NPoints while RelTime(k) > t, over every point.
  std::mt19937 rng(7024);
  std::uniform_real_distribution<double> time(0.1, 0.9), mag(0.0, 1.0);
  std::vector<double> t, m;
  for (int i = 0; i < 60; ++i) {
    t.push_back(time(rng));
    m.push_back(mag(rng));
  }
  t[0] = 0.05;   // the earliest time,
  t[59] = 0.95;  // and a last point later than every sample
  auto s = MakeStore(t, m);
  const KvwSamples r = KvwResample(*s, 10, 40, 27);
  ASSERT_EQ(r.KvwMag.size(), 55u);
  for (int w = 1; w < 54; ++w) {
    const double tw = s->RelTime[10] + w * ((s->RelTime[40] - s->RelTime[10]) / 54);
    int k = 60;
    while (t[k - 1] > tw) --k;
    EXPECT_EQ(r.KvwT[w], tw);
    EXPECT_EQ(r.KvwMag[w], m[k - 1] + (m[k] - m[k - 1]) * (tw - t[k - 1]) / (t[k] - t[k - 1]))
        << "sample " << w << " k " << k;
  }
}

// A V-shaped eclipse: 11 points every 0.01 d from 0 d, bottom 1.0 mag at
// 0.04 d (point 5), descending at 10 mag/d before it and rising at 5 mag/d
// after it; with `flat` the bottom lasts until 0.05 d (points 5 and 6). Its
// samples (N = 11, M = 10, F = 20, every 0.005 d) lie on the V itself, so
// the sums can be computed from the curve.
double Vee(double t, bool flat) {
  if (t <= 0.04) return 1 - 10 * (0.04 - t);
  if (flat && t <= 0.05) return 1.0;
  return 1 - 5 * (t - (flat ? 0.05 : 0.04));
}

double VeeSum(int j, int K, bool flat) {
  double sum = 0;
  for (int d = 1; d <= K; d += 2) {
    const double diff = Vee((j - d) * 0.005, flat) - Vee((j + d) * 0.005, flat);
    sum += diff * diff;
  }
  return sum;
}

TEST(KweeVanWoerden, HandTracedPassesOnAVShapedEclipse) {
  struct Case {
    bool flat;
    const char* frac;
    int centre, passes, K;
  };
  const Case cases[] = {
      // c = 8 (h 8, K 7): S = .135 .0525 .015, up; c = 9 (h 9, K 8): S3 < S2,
      // up; c = 10 (h 10, K = 9): S = .0375 .015 .0375, stop.
      {false, ".9", 10, 2, 9},
      // c = 8 (h 8, 8 x .5 = 4 = K): up; c = 9: h 9, 9 x .5 = 4.5 gives K = 4
      // (halves to even): S = .00625 .0025 .008125, stop.
      {false, ".5", 9, 1, 4},
      // As with .9, but at c = 10: 10 x .875 = 8.75 gives K = 9, the nearest.
      {false, ".875", 10, 2, 9},
      // Samples 8, 9 and 10 tie at 1.0: the first, 8, starts. c = 8 (K 4): up;
      // c = 9 (4.5 gives K 4): up; c = 10 (K 5): S = .0125 .001875 .015, stop.
      {true, ".5", 10, 2, 5},
      // From 8 up to c = 10; then c alternates between 10 (h 10, K 9: S3 <
      // S2) and 11 (h 9, K 8: S1 < S2) until the counter, 17 at c = 11,
      // exceeds 16.
      {true, ".9", 11, 17, 8},
  };
  for (const Case& c : cases) {
    std::vector<double> t, m;
    for (int i = 0; i <= 10; ++i) {
      t.push_back(i / 100.0);
      m.push_back(Vee(i / 100.0, c.flat));
    }
    auto s = MakeStore(t, m);
    const auto r = KvwFromBoxes(*s, 1, 11, "1", c.frac);
    ASSERT_TRUE(r) << r.error().message;
    SCOPED_TRACE(std::string(c.flat ? "flat" : "sharp") + " bottom, Frac " + c.frac);
    EXPECT_EQ(r->M, 10);
    EXPECT_EQ(r->centre, c.centre);
    EXPECT_EQ(r->passes, c.passes);
    const double S1 = VeeSum(c.centre - 1, c.K, c.flat);
    const double S2 = VeeSum(c.centre, c.K, c.flat);
    const double S3 = VeeSum(c.centre + 1, c.K, c.flat);
    EXPECT_NEAR(r->S1, S1, 1e-12);
    EXPECT_NEAR(r->S2, S2, 1e-12);
    EXPECT_NEAR(r->S3, S3, 1e-12);
    // Vertex and minimum of the parabola through three sums h apart; with
    // S(T) = a T^2 + ..., sigma^2 = |minimum| / (|a| (Z - 1)), Z = 11 / 4.
    const double h = 0.005, curv = S1 - 2 * S2 + S3, a = curv / (2 * h * h);
    const double minimum = S2 - (S3 - S1) * (S3 - S1) / (8 * curv);
    EXPECT_NEAR(r->minimum.rel_time, c.centre * h - h * (S3 - S1) / (2 * curv), 1e-12);
    EXPECT_NEAR(r->minimum.error, std::sqrt(std::fabs(minimum) / (std::fabs(a) * (2.75 - 1))),
                1e-9);
  }
}

TEST(KweeVanWoerden, PassCounterAdvancesByTwoWhenBothMovesCancel) {
  // Samples on observed points (N = 12, M = 11, F = 22, every 1/16 d; Frac .3
  // gives K = RoundEven(11 x .3) = 3): around sample 11, offsets r = -4..4
  // carry p(r mod 4) - 0.01 |r| with p = (1, 0.6, 1, 0.2). Sample 11 is the
  // faintest, but the branches are more symmetric about 10 and 12, so each
  // pass moves down and up again: the counter runs 0, 2, ..., 18 > 16.
  const double p[4] = {1, 0.6, 1, 0.2};
  std::vector<double> t, m;
  for (const int w : {0, 3, 7, 8, 9, 10, 11, 12, 13, 14, 15, 22}) {
    const int r = w - 11;
    t.push_back(w / 16.0);
    m.push_back(w == 0 || w == 22 ? 0.0 : w == 3 ? 0.1 : p[(r % 4 + 4) % 4] - 0.01 * std::abs(r));
  }
  auto s = MakeStore(t, m);
  const auto r = KvwFromBoxes(*s, 1, 12, "1", ".3");
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_EQ(r->centre, 11);
  EXPECT_EQ(r->passes, 18);
  EXPECT_NEAR(r->S2, 2 * 0.4 * 0.4, 1e-12);  // d = 1, 3: p(3) - p(1) each
  EXPECT_NEAR(r->S1, 2 * 0.02 * 0.02, 1e-12);
  EXPECT_NEAR(r->S3, 2 * 0.02 * 0.02, 1e-12);
  EXPECT_NEAR(r->minimum.rel_time, 11 / 16.0, 1e-12);
  // The parabola opens downwards (4 A' C' - B'^2 < 0); sigma takes its size:
  // sqrt(S2 / (|a| (Z - 1))) with a = (S1 - 2 S2 + S3) / (2 h^2), Z = 3.
  const double h = 1 / 16.0, a = (r->S1 - 2 * r->S2 + r->S3) / (2 * h * h);
  EXPECT_NEAR(r->minimum.error, std::sqrt(r->S2 / (-a * (3 - 1))), 1e-12);
}

TEST(KweeVanWoerden, RealEclipseLandsOnThePublishedMinimum) {
  // CM Dra, TESS, epoch 7024; published minimum 58739.9291169 (Deeg 2021).
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_TEST_DATA_DIR "/real/CMDra7024.csv";
  const ReadResult st = ReadLightCurve(*s);
  ASSERT_TRUE(st.has_value()) << st.error().message;
  ASSERT_EQ(s->HjdBase, 58739);
  for (const auto& [first, last] : {std::pair{5, 27}, std::pair{8, 24}, std::pair{2, 30}}) {
    const auto r = KvwFromBoxes(*s, first, last, "1", ".9");
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_NEAR(s->HjdBase + r->minimum.rel_time, 58739.9291169, 0.0005) << first << ".." << last;
    EXPECT_GT(r->minimum.error, 0);
    EXPECT_LT(r->minimum.error, 0.001);
  }
}

// An eclipse of n points evenly spread over 0..0.15 d: 0.35 mag outside and
// a dip 0.6 mag deep of shape (1 - u^2)^1.5, u = |t - t0| / 0.05 (0.06 d
// after t0 with `lopsided`), flat at its bottom for |t - t0| < flat x 0.05 d,
// with Gaussian noise of `noise` mag from mt19937 seed `seed`. The point
// nearest t0 + outlier (days) is set 0.2 mag fainter than the bottom, so that
// the faintest point is not the minimum.
struct LongEclipse {
  const char* name;
  int n;
  double t0, noise, flat, outlier;
  bool lopsided;
  uint32_t seed;
  KvwParams tuning;
};

Curve MakeLongEclipse(const LongEclipse& e) {
  std::mt19937 rng(e.seed);
  std::normal_distribution<double> noise(0.0, e.noise);
  Curve c;
  c.HjdBase = 2460000;
  const double flatTop = e.flat > 0 ? std::pow(1 - e.flat * e.flat, 1.5) : 1.0;
  for (int i = 0; i < e.n; ++i) {
    const double t = 0.15 * i / (e.n - 1);
    const double u = std::fabs(t - e.t0) / (t > e.t0 && e.lopsided ? 0.06 : 0.05);
    const double dip = u < 1 ? std::min(1.0, std::pow(1 - u * u, 1.5) / flatTop) : 0.0;
    c.RelTime.push_back(t);
    c.Mag.push_back(0.35 + 0.6 * dip + noise(rng));
  }
  const double outlierAt = e.t0 + e.outlier;
  const auto nearest =
      std::min_element(c.RelTime.begin() + 1, c.RelTime.end(), [outlierAt](double a, double b) {
        return std::fabs(a - outlierAt) < std::fabs(b - outlierAt);
      });
  c.Mag[nearest - c.RelTime.begin()] = 1.15;
  return c;
}

// The first faintest resampled magnitude: where the search would start on a
// range of at most kKvwLongRange points.
int FirstFaintest(const std::vector<double>& g) {
  return static_cast<int>(std::max_element(g.begin(), g.end()) - g.begin());
}

TEST(KweeVanWoerdenLongRange, TimesTheWholeRangeFromTheSmoothedBottom) {
  // The KvW time of the lopsided eclipse is not t0: the branches balance
  // 0.0031 d later (found on noiseless curves of 200 and 900 points).
  const LongEclipse cases[] = {
      {"10 000 points, 0.01 mag noise", 10000, 0.07313, 0.01, 0, 0.004, false, 11, {1, 0.9}},
      {"10 000 points, 0.03 mag noise, Stepp 360",
       10000,
       0.06871,
       0.03,
       0,
       -0.01,
       false,
       12,
       {360, 0.8}},
      {"10 000 points, flat bottom", 10000, 0.08117, 0.01, 0.35, 0.002, false, 13, {1, 0.9}},
      {"10 000 points, lopsided", 10000, 0.07001 - 0.0031, 0.005, 0, 0.02, true, 14, {360, 0.8}},
      {"2500 points", 2500, 0.07552, 0.005, 0, -0.003, false, 15, {1, 0.9}},
      {"100 000 points", 100000, 0.07777, 0.02, 0, 0.006, false, 16, {1, 0.9}},
  };
  for (const LongEclipse& e : cases) {
    SCOPED_TRACE(e.name);
    const Curve c = MakeLongEclipse(e);
    const auto r = KweeVanWoerden(c.View(), 1, e.n, e.tuning);
    ASSERT_TRUE(r) << r.error().message;
    const double truth = e.t0 + (e.lopsided ? 0.0031 : 0.0);
    EXPECT_NEAR(r->minimum.rel_time, truth, 0.0005);
    EXPECT_EQ(r->N, e.n);
    EXPECT_EQ(r->samples, 2 * r->M + 1);
    ASSERT_EQ(r->resampled.KvwMag.size(), static_cast<size_t>(r->samples));
    // The faintest sample (the outlier's) lies further from the minimum than
    // the search's moves reach: started there, it would have stopped short.
    EXPECT_GT(std::abs(FirstFaintest(r->resampled.KvwMag) - r->centre), kKvwMaxPasses + 1);
    EXPECT_LE(std::abs(r->start - r->centre), kKvwMaxPasses + 1);
  }
}

TEST(KweeVanWoerdenLongRange, StartsFromTheFaintestSampleUpToTheDesktopsLength) {
  // Up to kKvwLongRange points the search starts where the desktop's does.
  for (const int n : {900, kKvwLongRange}) {
    const Curve c = MakeLongEclipse({"", n, 0.07313, 0.01, 0, 0.004, false, 21, {1, 0.9}});
    const auto r = KweeVanWoerden(c.View(), 1, n, {1, 0.9});
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_EQ(r->start, FirstFaintest(r->resampled.KvwMag)) << n;
  }
}

TEST(KweeVanWoerdenLongRange, ACentreWhoseMovesCancelAtTheLimitIsTimed) {
  // 1100 points (M = 990, samples 0..1980, every 1/1980 d) at sample times:
  // every sample within 300 of the middle one, 249 spread over each side and
  // sample 1. Around sample 990 the pattern of the test
  // PassCounterAdvancesByTwoWhenBothMovesCancel
  // (offset r carries p(r mod 4) - 0.001 |r|) makes the branches more
  // symmetric about 989 and 991 than about 990, the smoothed curve's top, so
  // each pass moves down and up again until the counter stops it: settled,
  // not moving, and timed at the middle.
  const double p[4] = {1, 0.6, 1, 0.2};
  std::vector<int> samples{1};
  for (int w = 690; w <= 1290; ++w) samples.push_back(w);
  for (int k = 0; k < 249; ++k) {
    const int w = static_cast<int>(std::lround(k * 689.0 / 248));
    samples.push_back(w);
    samples.push_back(1980 - w);
  }
  std::sort(samples.begin(), samples.end());
  ASSERT_EQ(samples.size(), 1100u);
  Curve c;
  for (const int w : samples) {
    const int r = w - 990;
    c.RelTime.push_back(w / 1980.0);
    c.Mag.push_back((std::abs(r) <= 300 ? p[(r % 4 + 4) % 4] : 0.6) - 0.001 * std::abs(r));
  }
  const auto r = KweeVanWoerden(c.View(), 1, 1100, {1, 0.9});
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_EQ(r->start, 990);
  EXPECT_EQ(r->centre, 990);
  EXPECT_GT(r->passes, kKvwMaxPasses);
  EXPECT_NEAR(r->minimum.rel_time, 0.5, 1e-9);
}

TEST(KweeVanWoerdenLongRange, ASearchStillMovingAtTheLimitIsRefusedNotTimed) {
  // The bottom lies 0.018 d into a 0.15 d range: the smoothed curve has no
  // value that near the end, so the search starts further in and is still
  // walking towards the bottom when the counter stops it.
  const LongEclipse e{"", 10000, 0.018, 0.002, 0, 0.05, false, 31, {1, 0.9}};
  const Curve c = MakeLongEclipse(e);
  const auto r = KweeVanWoerden(c.View(), 1, e.n, e.tuning);
  ASSERT_FALSE(r) << "timed at " << r->minimum.rel_time << ", truth " << e.t0;
  EXPECT_NE(r.error().message.find("The range 1 to 10000 (10000 points) is not timed"),
            std::string::npos)
      << r.error().message;
  EXPECT_NE(r.error().message.find("still moving"), std::string::npos) << r.error().message;
  // A range balanced about the bottom is timed.
  const auto balanced = KweeVanWoerden(c.View(), 1, 2400, e.tuning);
  ASSERT_TRUE(balanced) << balanced.error().message;
  EXPECT_NEAR(balanced->minimum.rel_time, e.t0, 0.0005);
}

TEST(KweeVanWoerdenRefusal, EachRefusalSaysWhy) {
  const auto dip = SymmetricDip(21, 0.5, 0.004);
  const auto wideDip = SymmetricDip(41, 0.5, 0.003);
  // The last point lies before the end of the range: resampling would read
  // past the end of the series.
  const auto lateLast = MakeStore({0.10, 0.11, 0.12, 0.13, 0.14, 0.15, 0.16, 0.125},
                                  {0.1, 0.4, 0.7, 0.9, 0.7, 0.4, 0.1, 0.5});
  auto deep = SymmetricDip(21, 0.5, 0.004);
  for (int i = 1; i <= 21; ++i) deep->Mag[i] -= 200;
  // Times so large that their squares overflow in B'.
  std::vector<double> t, m;
  for (int j = 0; j < 21; ++j) {
    t.push_back(1e200 * (1 + j));
    m.push_back(dip->Mag[j + 1] + 0.01 * (j % 3));
  }
  const auto huge = MakeStore(t, m);

  struct Case {
    Store* s;
    int first, last;
    const char *step, *frac, *says;
  };
  const Case cases[] = {
      {dip.get(), 15, 5, "1", ".9", "runs backwards"},
      {dip.get(), 0, 10, "1", ".9", "outside the points 1 to 21"},
      {dip.get(), 5, 22, "1", ".9", "outside the points 1 to 21"},
      {dip.get(), 9, 12, "1", ".9", "more than 4 points"},
      {dip.get(), 1, 21, "0", ".9", "Stepp must be"},
      {dip.get(), 1, 21, "0.5", ".9", "Stepp must be"},  // rounds to 0
      {dip.get(), 1, 21, "-1", ".9", "Stepp must be"},
      {dip.get(), 1, 21, "abc", ".9", "Stepp must be"},
      {dip.get(), 1, 21, "1e999", ".9", "Stepp must be"},
      {dip.get(), 1, 21, "1", "0", "Frac must be"},
      {dip.get(), 1, 21, "1", "-.9", "Frac must be"},
      {dip.get(), 1, 21, "1", "x", "Frac must be"},
      {dip.get(), 1, 21, "1", "1e999", "Frac must be"},
      {lateLast.get(), 1, 7, "1", ".9", "cannot be resampled"},
      {deep.get(), 1, 21, "1", ".9", "above -99"},
      // Only the descending branch: the faintest sample is the last, K = 0,
      // and c + Step lies beyond 2M.
      {wideDip.get(), 3, 18, "1", ".9", "trial times"},
      {wideDip.get(), 1, 41, "100", ".9", "trial times"},
      // Frac 2 doubles the offsets beyond the half-width.
      {dip.get(), 1, 21, "1", "2", "reach outside the samples 0 to 38"},
      // K = RoundEven(19 x .001) = 0: all three sums are 0 and A' = 0.
      {dip.get(), 1, 21, "1", ".001", "straight line"},
      {huge.get(), 1, 21, "1", ".9", "no finite result"},
  };
  for (const Case& c : cases) {
    const auto r = KvwFromBoxes(*c.s, c.first, c.last, c.step, c.frac);
    ASSERT_FALSE(r) << c.says << " (step \"" << c.step << "\", frac \"" << c.frac << "\")";
    EXPECT_NE(r.error().message.find(c.says), std::string::npos) << r.error().message;
  }
}

}  // namespace
}  // namespace vantor
