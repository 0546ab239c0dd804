// Equal-time binning: each bin's mean time, magnitude and error of the mean
// on hand-computed examples, empty bins dropped, a short series unchanged,
// never more points than bins, and the refusals and the note.
#include "import/binning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantor::import {
namespace {

const double kNone = std::nan("");

// Compares two error columns, NaN (no error) matching NaN.
void ExpectErrors(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    if (std::isnan(want[i])) {
      EXPECT_TRUE(std::isnan(got[i])) << "bin " << i << ": " << got[i];
    } else {
      EXPECT_NEAR(got[i], want[i], 1e-15) << "bin " << i;
    }
  }
}

struct Case {
  const char* name;
  std::vector<double> time, mag, err;
  size_t maxBins;
  std::vector<double> wantTime, wantMag, wantErr;
  double wantWidthDays;
};

TEST(Binning, GivesEachBinsMeansAndErrorOfTheMean) {
  const std::vector<Case> cases = {
      // Span 1 day in 2 bins: [10, 10.5) holds three, [10.5, 11] two.
      {"means", {10.0, 10.1, 10.2, 10.9, 11.0}, {1, 2, 3, 4, 6}, {}, 2,
       {10.1, 10.95}, {2.0, 5.0}, {kNone, kNone}, 0.5},
      // Span 4 in 4 bins of 1 day: the middle two are empty and dropped.
      {"empty bins dropped", {0.0, 0.1, 0.2, 3.9, 4.0}, {5, 5, 8, 1, 3}, {}, 4,
       {0.1, 3.95}, {6.0, 2.0}, {kNone, kNone}, 1.0},
      // sqrt(0.03^2 + 0.04^2) / 2 = 0.025; sqrt(3 * 0.02^2) / 3.
      {"errors combined", {0, 0.2, 0.8, 0.9, 1.0}, {1, 1, 1, 1, 1}, {0.03, 0.04, 0.02, 0.02, 0.02}, 2,
       {0.1, 0.9}, {1, 1}, {0.025, std::sqrt(3 * 0.0004) / 3}, 0.5},
      // A bin with one observation lacking an error has none.
      {"error missing in a bin", {0, 0.2, 0.8, 0.9, 1.0}, {1, 1, 1, 1, 1}, {0.03, kNone, 0.02, 0.02, 0.02}, 2,
       {0.1, 0.9}, {1, 1}, {kNone, std::sqrt(3 * 0.0004) / 3}, 0.5},
      // Full Julian Dates: a bin of one keeps its time to the bit, a bin of
      // two gets the mean of both (the last time falls into the last bin).
      {"full dates", {2459812.5, 2459812.75, 2459813.0, 2459813.25, 2459813.5}, {9, 10, 11, 12, 14}, {}, 4,
       {2459812.5, 2459812.75, 2459813.0, 2459813.375}, {9, 10, 11, 13}, {kNone, kNone, kNone, kNone}, 0.25},
      // Out of time order: bins come out in time order, sums in input order.
      {"unsorted", {1.0, 0.0, 0.9, 0.1}, {4, 1, 2, 3}, {}, 2, {0.05, 0.95}, {2, 3}, {kNone, kNone}, 0.5},
      // At most maxBins observations: unchanged, order and errors kept.
      {"short series unchanged", {3.0, 1.0, 2.0}, {7, 8, 9}, {0.1, kNone, 0.3}, 3,
       {3.0, 1.0, 2.0}, {7, 8, 9}, {0.1, kNone, 0.3}, 0.0},
      {"short series without errors", {1.0, 2.0}, {7, 8}, {}, 1000, {1.0, 2.0}, {7, 8}, {kNone, kNone}, 0.0},
      // No span: every observation in one bin.
      {"one instant", {5.0, 5.0, 5.0}, {1, 2, 6}, {}, 2, {5.0}, {3.0}, {kNone}, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = BinObservations(c.time, c.mag, c.err, c.maxBins);
    ASSERT_TRUE(got.has_value()) << got.error().message;
    ASSERT_EQ(got->time.size(), c.wantTime.size());
    for (size_t i = 0; i < c.wantTime.size(); ++i) {
      EXPECT_NEAR(got->time[i], c.wantTime[i], 1e-12) << "bin " << i;
      EXPECT_NEAR(got->mag[i], c.wantMag[i], 1e-12) << "bin " << i;
    }
    ExpectErrors(got->err, c.wantErr);
    EXPECT_EQ(got->binning.pointsIn, c.time.size());
    EXPECT_EQ(got->binning.bins, c.wantTime.size());
    EXPECT_DOUBLE_EQ(got->binning.widthDays, c.wantWidthDays);
    EXPECT_EQ(got->binning.Binned(), c.time.size() > c.maxBins);
  }
}

TEST(Binning, FullDateOfALoneObservationIsKeptToTheBit) {
  // Ten bins of 0.1 day: two observations in the first, one at the middle
  // of each other bin (and the last time in the last). A bin of one gives
  // its full date back unchanged, the last digits included.
  const std::vector<double> offsets = {0, 0.05, 0.15, 0.25, 0.35, 0.45, 0.55, 0.65, 0.75, 0.85, 1.0};
  std::vector<double> t, m;
  for (size_t i = 0; i < offsets.size(); ++i) {
    t.push_back(2459812.3 + offsets[i] + 1e-9 * static_cast<double>(i));
    m.push_back(10.0 + 0.01 * static_cast<double>(i));
  }
  const auto got = BinObservations(t, m, {}, 10);
  ASSERT_TRUE(got.has_value());
  ASSERT_EQ(got->time.size(), size_t{10});
  for (size_t k = 1; k < 10; ++k) EXPECT_EQ(got->time[k], t[k + 1]) << k;
}

TEST(Binning, NeverGivesMoreThanMaxBins) {
  // Evenly sampled nights: every bin gets observations, so exactly maxBins.
  // A night with a gap in the middle: fewer.
  for (const size_t n : {1500u, 2500u, 10000u}) {
    for (const size_t maxBins : {1u, 7u, 1000u}) {
      for (const bool gap : {false, true}) {
        SCOPED_TRACE(testing::Message() << n << " points, " << maxBins << " bins, gap " << gap);
        std::vector<double> t, m;
        for (size_t i = 0; i < n; ++i) {
          if (gap && i > n / 3 && i < 2 * n / 3) continue;
          t.push_back(2459812.3 + 0.3 * static_cast<double>(i) / static_cast<double>(n - 1));
          m.push_back(10.0 + 0.001 * static_cast<double>(i % 17));
        }
        const auto got = BinObservations(t, m, {}, maxBins);
        ASSERT_TRUE(got.has_value());
        EXPECT_LE(got->time.size(), maxBins);
        if (!gap) {
          EXPECT_EQ(got->time.size(), maxBins);
        } else if (maxBins >= 7) {
          EXPECT_LT(got->time.size(), maxBins);
        }
        EXPECT_EQ(got->binning.bins, got->time.size());
        for (size_t i = 1; i < got->time.size(); ++i) EXPECT_LT(got->time[i - 1], got->time[i]);
        EXPECT_GE(got->time.front(), t.front());
        EXPECT_LE(got->time.back(), t.back());
      }
    }
  }
}

TEST(Binning, RefusesWhatItCannotBin) {
  const std::vector<double> t = {1, 2, 3}, m = {1, 2, 3};
  struct Bad {
    std::vector<double> time, mag, err;
    size_t maxBins;
    const char* says;
  };
  const std::vector<Bad> cases = {
      {t, {1, 2}, {}, 2, "3 times, 2 magnitudes and 0 errors"},
      {t, m, {0.1}, 2, "3 times, 3 magnitudes and 1 errors"},
      {t, m, {}, 0, "no points"},
      {{1, kNone, 3}, m, {}, 2, "Observation 2: the time is not a number"},
      {t, {1, 2, INFINITY}, {}, 2, "Observation 3: the magnitude is not a number"},
      {{-1e308, 0, 1e308}, m, {}, 2, "span too long"},
  };
  for (const Bad& c : cases) {
    const auto got = BinObservations(c.time, c.mag, c.err, c.maxBins);
    ASSERT_FALSE(got.has_value()) << c.says;
    EXPECT_NE(got.error().message.find(c.says), std::string::npos) << got.error().message;
  }
}

TEST(Binning, SeriesKeepsItsDescriptionAndNotesTheBinning) {
  ImportedSeries s;
  s.timeScale = TimeScale::BjdTdb;
  s.timeColumn = "BJD";
  s.notes = {"Read."};
  for (int i = 0; i < 2500; ++i) {
    s.time.push_back(2459812.3 + 0.002 * i);
    s.mag.push_back(10.0);
    s.err.push_back(0.01);
  }
  Binning b;
  const auto got = BinSeries(s, 1000, &b);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->size(), size_t{1000});
  EXPECT_EQ(got->err.size(), size_t{1000});
  EXPECT_EQ(got->timeScale, TimeScale::BjdTdb);
  EXPECT_EQ(got->timeColumn, "BJD");
  EXPECT_EQ(b.pointsIn, size_t{2500});
  EXPECT_EQ(b.bins, size_t{1000});
  // 4.998 days in 1000 bins: 7.19712 min.
  ASSERT_EQ(got->notes.size(), size_t{2});
  EXPECT_EQ(got->notes[1], "Binned from 2500 points to 1000 (bins of 7.20 min).");
  // A series that fits is kept as it is, with no note.
  s.time.resize(1000);
  s.mag.resize(1000);
  s.err.resize(1000);
  const auto kept = BinSeries(s, 1000, &b);
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ(kept->time, s.time);
  EXPECT_EQ(kept->notes, s.notes);
  EXPECT_FALSE(b.Binned());
}

TEST(Binning, NoteNamesPointsAndWidthInMinutes) {
  struct Row {
    Binning binning;
    const char* note;
  };
  const std::vector<Row> rows = {
      {{2500, 1000, 7.2 / 1440}, "binned from 2500 points to 1000 (bins of 7.20 min)"},
      {{10000, 998, 0.72 / 1440}, "binned from 10000 points to 998 (bins of 0.720 min)"},
      {{5000, 1000, 0.0417 / 1440}, "binned from 5000 points to 1000 (bins of 0.0417 min)"},
      {{90000, 1000, 1051.2 / 1440}, "binned from 90000 points to 1000 (bins of 1051.20 min)"},
      {{1001, 1, 0.0}, "binned from 1001 points to 1 (bins of 0 min)"},
      {{800, 800, 0.0}, ""},
  };
  for (const Row& r : rows) EXPECT_EQ(BinningNote(r.binning), r.note);
}

}  // namespace
}  // namespace vantor::import
