// Tests of "Calc. Means": the base, the rejection of unusable errors, the four
// figures and their texts, and the cases where nothing is computed.
#include "core/combination.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantor {
namespace {

using Rows = std::array<CombinationRow, 6>;

TEST(CombineMinima, TwoMethodsWeightedFourToOne) {
  Rows rows{};
  rows[0] = {"123.400", "0.001", true};
  rows[1] = {"123.410", "0.002", true};
  const Combination c = CombineMinima(rows);
  ASSERT_TRUE(c.computed);
  EXPECT_EQ(c.base, 100);
  EXPECT_EQ(c.n, 2);
  EXPECT_EQ(c.usedRows, (std::vector<int>{1, 2}));
  EXPECT_NEAR(c.simpleMean, 123.405, 1e-10);
  EXPECT_NEAR(c.weightedMean, 123.402, 1e-10);
  EXPECT_NEAR(c.uncertainty, std::sqrt(0.0000008), 1e-12);
  ASSERT_TRUE(c.stdDev.has_value());
  EXPECT_NEAR(*c.stdDev, 0.01 / std::sqrt(2.0), 1e-10);
  EXPECT_EQ(c.simpleMeanText, "123.40500");
  EXPECT_EQ(c.weightedMeanText, "123.40200");
  EXPECT_EQ(c.uncertaintyText, "0.00089");
  EXPECT_EQ(c.stdDevText, "0.00707");
  EXPECT_EQ(c.checkedAfter, (std::array<bool, 6>{true, true, false, false, false, false}));
}

TEST(CombineMinima, OneUsableMethodGivesItsOwnTimeAndError) {
  Rows rows{};
  rows[4] = {"2458739.92912", "0.00012", true};
  rows[2] = {"2458739.5", "0.001", false};  // filled in but not ticked
  const Combination c = CombineMinima(rows);
  ASSERT_TRUE(c.computed);
  EXPECT_EQ(c.n, 1);
  EXPECT_EQ(c.base, 2458700);
  EXPECT_EQ(c.usedRows, std::vector<int>{5});
  EXPECT_NEAR(c.simpleMean, 2458739.92912, 1e-8);
  EXPECT_NEAR(c.weightedMean, 2458739.92912, 1e-8);
  EXPECT_NEAR(c.uncertainty, 0.00012, 1e-15);
  EXPECT_EQ(c.simpleMeanText, "2458739.92912");
  EXPECT_EQ(c.weightedMeanText, "2458739.92912");
  EXPECT_EQ(c.uncertaintyText, "0.00012");
  EXPECT_FALSE(c.stdDev.has_value());
  EXPECT_EQ(c.stdDevText, "");
}

TEST(CombineMinima, UnusableErrorUnchecksTheRowButItStillGivesTheBase) {
  Rows rows{};
  rows[0] = {"2458699.9", "", true};  // empty error, first checked: gives B
  rows[1] = {"2458801.2", "0.001", true};
  rows[2] = {"2458801.4", "0", true};                  // zero error
  rows[3] = {"2458801.6", "0.0000009", true};          // below 0.000001
  rows[5] = {"  2458801.3xyz", " -0.001 days", true};  // leading-number rule, negative error
  const Combination c = CombineMinima(rows);
  ASSERT_TRUE(c.computed);
  EXPECT_EQ(c.base, 2458600);
  EXPECT_EQ(c.checkedAfter, (std::array<bool, 6>{false, true, false, false, false, true}));
  EXPECT_EQ(c.usedRows, (std::vector<int>{2, 6}));
  EXPECT_EQ(c.n, 2);
  EXPECT_NEAR(c.simpleMean, 2458801.25, 1e-8);
  EXPECT_NEAR(c.weightedMean, 2458801.25, 1e-8);  // equal weights
  EXPECT_NEAR(c.uncertainty, 0.001 / std::sqrt(2.0), 1e-12);
}

TEST(CombineMinima, MoreDecimalsWidenTheTextsAndKeepSmallerErrors) {
  // One precise row (4.35e-6 d, "00" at 5 decimals) beside a coarse one.
  struct Case {
    int decimals;
    const char* preciseError;  // the box as a method fills it at that precision
    std::vector<int> used, below;
    const char* weighted;
    const char* stdDev;
  };
  const Case cases[] = {
      {5, "00", {2}, {1}, "2458739.92920", ""},
      {6, "0.000004", {1, 2}, {}, "2458739.929117", "0.000059"},
      {7, "0.0000044", {1, 2}, {}, "2458739.9291169", "0.0000588"},
      {6, "0.000000", {2}, {1}, "2458739.929200", ""},
  };
  for (const Case& c : cases) {
    Rows rows{};
    rows[0] = {"2458739.9291169", c.preciseError, true};
    rows[1] = {"2458739.9292", "0.0002", true};
    const Combination r = CombineMinima(rows, c.decimals);
    ASSERT_TRUE(r.computed) << c.decimals;
    EXPECT_EQ(r.usedRows, c.used) << c.decimals;
    EXPECT_EQ(r.belowPrecisionRows, c.below) << c.decimals;
    EXPECT_EQ(r.checkedAfter[0], c.below.empty()) << c.decimals;
    EXPECT_EQ(r.weightedMeanText, c.weighted) << c.decimals;
    EXPECT_EQ(r.stdDevText, c.stdDev) << c.decimals;
  }
  // A typed 0.00000009 is usable at 7 decimals, not at 6.
  EXPECT_EQ(SmallestUsableError(5), kSmallestUsableError);
  EXPECT_TRUE(CombineMinima({CombinationRow{"1.5", "0.00000009", true}}, 7).computed);
  EXPECT_FALSE(CombineMinima({CombinationRow{"1.5", "0.00000009", true}}, 6).computed);
}

TEST(CombineMinima, NothingCheckedOrNothingUsableComputesNothing) {
  Rows none{};
  none[0] = {"2458739.9", "0.001", false};
  const Combination a = CombineMinima(none);
  EXPECT_FALSE(a.computed);
  EXPECT_EQ(a.n, 0);
  EXPECT_EQ(a.base, 0);
  EXPECT_TRUE(a.usedRows.empty());
  EXPECT_EQ(a.checkedAfter, (std::array<bool, 6>{}));
  EXPECT_EQ(a.simpleMeanText, "");

  // Checked rows with unusable errors: still nothing computed, but unchecked.
  Rows bad{};
  bad[1] = {"2458739.9", "abc", true};
  bad[3] = {"2458739.8", "0.0000001", true};
  const Combination b = CombineMinima(bad);
  EXPECT_FALSE(b.computed);
  EXPECT_EQ(b.base, 2458700);
  EXPECT_EQ(b.checkedAfter, (std::array<bool, 6>{}));
}

TEST(CombineMinima, EqualTimesGiveAZeroStandardDeviationNotNaN) {
  // Three equal times leave S2 - S1^2 / n a tiny negative through rounding.
  Rows rows{};
  for (int k = 0; k < 3; ++k) rows[k] = {"123.40000", "0.001", true};
  const Combination c = CombineMinima(rows);
  ASSERT_TRUE(c.stdDev.has_value());
  EXPECT_EQ(*c.stdDev, 0.0);
  // FormatFixed writes 0 with a doubled leading zero.
  EXPECT_EQ(c.stdDevText, "00.00000");
  EXPECT_EQ(c.simpleMeanText, "123.40000");
}

TEST(CombineMinima, TypedTextsThatAreNoNumberToCombineAreRefusedNamingTheRow) {
  // Row 1 is typed; row 4 is a sound result. Letters, an empty box and "nan"
  // read as 0, and used to enter the means as a time of 0; 1e308 and a
  // number no double holds made the sums overflow to NaN.
  struct Case {
    const char* time;
    const char* error;
    const char* refusal;  // "" when the row is combined or left out as always
    bool used;
  };
  const Case cases[] = {
      {"abc", "0.0002", "Row 1 (1. Parabolic Fit): the time \"abc\" is not a number.", false},
      {"", "0.0002", "Row 1 (1. Parabolic Fit): the time \"\" is not a number.", false},
      {"nan", "0.0002", "Row 1 (1. Parabolic Fit): the time \"nan\" is not a number.", false},
      {"1e308", "0.0002", "Row 1 (1. Parabolic Fit): the time \"1e308\" lies beyond 1E10 days.",
       false},
      {"1e999", "0.0002", "Row 1 (1. Parabolic Fit): the time \"1e999\" lies beyond 1E10 days.",
       false},
      {"2459812.4318", "1e308",
       "Row 1 (1. Parabolic Fit): the error \"1e308\" is beyond 1E10 days.", false},
      {"2459812.4318", "-1e999",
       "Row 1 (1. Parabolic Fit): the error \"-1e999\" is beyond 1E10 days.", false},
      // The first checked row gives the base even when its error leaves it out.
      {"abc", "", "Row 1 (1. Parabolic Fit): the time \"abc\" is not a number.", false},
      // Read as typed: a negative time, a negative error, letters after a number.
      {"-5", "0.0002", "", true},
      {"2459812.4318", "-0.0002", "", true},
      {"2459812.4318 d", "0.0002 days", "", true},
      // An error that reads as 0 leaves the row out, as always.
      {"2459812.4318", "abc", "", false},
  };
  for (const Case& c : cases) {
    Rows rows{};
    rows[0] = {c.time, c.error, true};
    rows[3] = {"2459812.4317", "0.0001", true};
    const Combination r = CombineMinima(rows);
    std::string expected = c.refusal;
    if (!expected.empty()) {
      expected += expected.find("error") != std::string::npos
                      ? " Type the error in days or untick \"Use in Mean?\"."
                      : " Type a time of minimum (HJD) or untick \"Use in Mean?\".";
    }
    EXPECT_EQ(r.refusal, expected) << c.time << " / " << c.error;
    if (!expected.empty()) {
      EXPECT_FALSE(r.computed);
      EXPECT_EQ(r.weightedMeanText, "");
      EXPECT_EQ(r.checkedAfter[0], true) << "the ticks stay as they were";
      continue;
    }
    ASSERT_TRUE(r.computed);
    EXPECT_TRUE(std::isfinite(r.weightedMean) && std::isfinite(r.uncertainty));
    EXPECT_EQ(r.usedRows, c.used ? (std::vector<int>{1, 4}) : (std::vector<int>{4}));
  }
}

TEST(CombineWithBootstrapWeights, BootstrapErrorsReplaceTheOwnWhereGivenAndTheNoteSaysWhich) {
  // A parabola whose own error is far too small dominates the own weights;
  // its bootstrap error puts it level with Kwee and van Woerden.
  Rows rows{};
  rows[0] = {"2459812.43180", "0.00002", true};  // parabola
  rows[1] = {"2459812.43100", "0.00010", true};  // tracing paper: no bootstrap
  rows[3] = {"2459812.43160", "0.00030", true};  // Kwee and van Woerden
  rows[5] = {"2459812.43000", "0.00000", true};  // own error shows as zero
  rows[4] = {"2459812.40000", "0.00030", false};  // not ticked
  std::array<BootstrapWeight, 6> w{};
  w[0].error = 0.0003;
  w[1].whyNone = "The tracing paper's time is the fold chosen by hand.";
  w[3].error = 0.0003;
  w[5].error = 0.0006;
  w[4].error = 0.0001;

  const Combination own = CombineMinima(rows);
  const Combination boot = CombineWithBootstrapWeights(rows, w, 200);
  EXPECT_EQ(own.weightsNote, "");
  EXPECT_EQ(own.usedRows, (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(boot.usedRows, (std::vector<int>{1, 2, 4, 6})) << "a zero own error is no bar";
  EXPECT_TRUE(boot.belowPrecisionRows.empty());
  // Weights 1/0.0003^2, 1/0.0001^2, 1/0.0003^2, 1/0.0006^2 about 2459812.43.
  const double w1 = 1 / 9e-8, w2 = 1 / 1e-8, w4 = 1 / 9e-8, w6 = 1 / 36e-8;
  const double mean =
      (0.0018 * w1 + 0.0010 * w2 + 0.0016 * w4 + 0.0 * w6) / (w1 + w2 + w4 + w6);
  EXPECT_NEAR(boot.weightedMean - 2459812.43, mean, 1e-9);
  EXPECT_NEAR(boot.uncertainty, std::sqrt(1 / (w1 + w2 + w4 + w6)), 1e-12);
  EXPECT_NEAR(boot.simpleMean - 2459812.43, (0.0018 + 0.0010 + 0.0016 + 0.0) / 4, 1e-9);
  EXPECT_GT(std::fabs(boot.weightedMean - own.weightedMean), 0.00005) << "the weights moved it";
  EXPECT_EQ(boot.weightsNote,
            "Weights from bootstrap errors of 200 resampled light curves: 1. Parabolic Fit "
            "0.00030; 4. Kwee and van Woerden 0.00030; 6. Sliding Integrations 0.00060. Weighted "
            "by their own errors: 2. Tracing Paper 0.00010 (The tracing paper's time is the fold "
            "chosen by hand).");

  // At seven decimals the bootstrap errors are written at seven decimals.
  const Combination seven = CombineWithBootstrapWeights(rows, w, 50, 7);
  EXPECT_NE(seven.weightsNote.find("of 50 resampled light curves: 1. Parabolic Fit 0.0003000;"),
            std::string::npos)
      << seven.weightsNote;

  // Nothing ticked: nothing computed, and the note says so.
  Rows none{};
  const Combination empty = CombineWithBootstrapWeights(none, w, 200);
  EXPECT_FALSE(empty.computed);
  EXPECT_EQ(empty.weightsNote, "Weights from bootstrap errors: no row took part.");
}

}  // namespace
}  // namespace vantor
