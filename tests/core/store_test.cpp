#include "core/store.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "core/reader.h"

namespace vantor {
namespace {

// Loads a light curve given as CSV text into a fresh store.
std::unique_ptr<Store> Load(const std::string& text) {
  auto s = std::make_unique<Store>();
  const ReadResult st = ReadLightCurveText(*s, text);
  EXPECT_TRUE(st.has_value()) << st.error().message;
  return s;
}

// Checks the invariants that hold between the raw, all-points and working arrays.
void ExpectConsistent(const Store& s) {
  ASSERT_LE(0, s.NPoints);
  ASSERT_LE(s.NPoints, s.NPointsAll);
  ASSERT_LE(s.NPointsAll, kMaxPoints);
  int kept = 0;
  for (int i = 1; i <= s.NPointsAll; ++i) {
    EXPECT_EQ(s.MagAll[i], s.MagRaw[i] * s.MagSign) << "point " << i;
    if (s.Deleted[i] == 0) {
      ++kept;
      EXPECT_EQ(s.RelTime[kept], s.RelTimeAll[i]);
      EXPECT_EQ(s.Mag[kept], s.MagAll[i]);
    }
  }
  EXPECT_EQ(kept, s.NPoints);
}

const char* kDip =
    "1000.10,5.0\n1000.11,5.2\n1000.12,5.6\n1000.13,6.0\n1000.14,5.7\n1000.15,5.3\n1000.16,5.1\n";

TEST(ComputeRanges, WidensLimitsAndFindsLandmarks) {
  auto s = Load(kDip);
  EXPECT_NEAR(s->TMin, 0.10 - 0.002, 1e-12);
  EXPECT_NEAR(s->TMax, 0.16 + 0.002, 1e-12);
  EXPECT_NEAR(s->TRange, 0.064, 1e-12);
  EXPECT_NEAR(s->MagMin, 5.0 - 0.1, 1e-12);
  EXPECT_NEAR(s->MagMax, 6.0 + 0.1, 1e-12);
  EXPECT_NEAR(s->MagRange, 1.2, 1e-12);
  EXPECT_EQ(s->BrightIdx, 1);
  EXPECT_EQ(s->FaintIdx, 4);
  // Faintest point in the middle, brightest at an end.
  EXPECT_EQ(s->InnerExtremeIdx, s->FaintIdx);
}

TEST(ComputeRanges, FirstOfEqualExtremesWins) {
  auto s = Load("1.0,5\n1.1,6\n1.2,5.5\n1.3,6\n1.4,5\n");
  EXPECT_EQ(s->FaintIdx, 2);
  EXPECT_EQ(s->BrightIdx, 1);
}

TEST(ComputeRanges, TiedDistancesGoToTheBrightestPoint) {
  // Faintest at 2, brightest at 4 of 5: both one step from an end.
  auto s = Load("1.0,5.5\n1.1,6\n1.2,5.5\n1.3,5\n1.4,5.5\n");
  EXPECT_EQ(s->FaintIdx, 2);
  EXPECT_EQ(s->BrightIdx, 4);
  EXPECT_EQ(s->InnerExtremeIdx, 4);
}

TEST(ComputeRanges, NoPointsLeavesIndicesAndUsesSentinels) {
  auto s = Load(kDip);
  s->NPoints = 0;
  ComputeRanges(*s);
  EXPECT_EQ(s->FaintIdx, 4);
  EXPECT_EQ(s->BrightIdx, 1);
  EXPECT_DOUBLE_EQ(s->TMin, 99999999 - 0.002);
  EXPECT_DOUBLE_EQ(s->TMax, -99999999 + 0.002);
}

TEST(RebuildWorkingSet, DeletingMovesLimitsButNotTheEditCopies) {
  auto s = Load(kDip);
  const Store before = *s;
  s->Deleted[4] = -1;  // the faintest point
  EXPECT_EQ(RebuildWorkingSet(*s), 6);
  ComputeRanges(*s);
  ExpectConsistent(*s);
  EXPECT_EQ(s->FaintIdx, 4);  // 1000.14 (5.7) is now the fourth kept point
  EXPECT_NEAR(s->MagMax, 5.7 + 0.07, 1e-12);
  EXPECT_EQ(s->EditTMin, before.EditTMin);
  EXPECT_EQ(s->EditTMax, before.EditTMax);
  EXPECT_EQ(s->EditTRange, before.EditTRange);
  EXPECT_EQ(s->EditMagMin, before.EditMagMin);
  EXPECT_EQ(s->EditMagMax, before.EditMagMax);
  EXPECT_EQ(s->EditMagRange, before.EditMagRange);
  EXPECT_EQ(s->EditFaintIdx, before.EditFaintIdx);
  EXPECT_EQ(s->EditBrightIdx, before.EditBrightIdx);
  // Restoring gives back exactly the loaded state.
  s->Deleted[4] = 0;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  EXPECT_EQ(s->MagMax, before.MagMax);
  EXPECT_EQ(s->FaintIdx, before.FaintIdx);
}

TEST(ApplyMagSign, SwitchingKeepsDeletionsAndIsExactlyReversible) {
  auto s = Load(kDip);
  s->Deleted[2] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  const Store before = *s;

  ApplyMagSign(*s, 1);
  ExpectConsistent(*s);
  EXPECT_EQ(s->MagSign, -1);
  EXPECT_EQ(s->Deleted[2], -1);
  EXPECT_EQ(s->NPoints, 6);
  for (int i = 1; i <= s->NPointsAll; ++i) EXPECT_EQ(s->MagAll[i], -before.MagAll[i]);
  // The brightest and faintest points swap roles.
  EXPECT_EQ(s->FaintIdx, before.BrightIdx);
  EXPECT_EQ(s->BrightIdx, before.FaintIdx);
  EXPECT_EQ(s->EditFaintIdx, s->FaintIdx);
  EXPECT_EQ(s->EditMagMax, s->MagMax);
  EXPECT_DOUBLE_EQ(s->FoldTime, RoundTo(s->RelTime[s->FaintIdx], 4));

  ApplyMagSign(*s, 0);
  ExpectConsistent(*s);
  EXPECT_EQ(s->MagSign, 1);
  EXPECT_EQ(s->MagMin, before.MagMin);
  EXPECT_EQ(s->MagMax, before.MagMax);
  EXPECT_EQ(s->FaintIdx, before.FaintIdx);
  EXPECT_EQ(s->BrightIdx, before.BrightIdx);
  for (int j = 1; j <= s->NPoints; ++j) EXPECT_EQ(s->Mag[j], before.Mag[j]);
}

TEST(StoreInvariants, HoldAfterAnySequenceOfEdits) {
  std::mt19937 rng(20261207);
  std::string text = "HJD,V-C\n";
  for (int i = 0; i < 60; ++i) {
    text += std::to_string(2450000.3 + 0.002 * i) + "," + std::to_string(5 + 0.01 * (i % 7)) + "\n";
  }
  auto s = Load(text);
  for (int step = 0; step < 500; ++step) {
    const int action = std::uniform_int_distribution<int>(0, 2)(rng);
    if (action == 2) {
      ApplyMagSign(*s, std::uniform_int_distribution<int>(0, 1)(rng));
    } else {
      const int i = std::uniform_int_distribution<int>(1, s->NPointsAll)(rng);
      s->Deleted[i] = action == 0 ? -1 : 0;
      RebuildWorkingSet(*s);
      ComputeRanges(*s);
    }
    ExpectConsistent(*s);
  }
}

TEST(RoundTo, HalvesGoAwayFromZero) {
  EXPECT_DOUBLE_EQ(RoundTo(0.123456, 4), 0.1235);
  EXPECT_DOUBLE_EQ(RoundTo(-2.5, 0), -3);
  EXPECT_DOUBLE_EQ(RoundTo(2.5, 0), 3);
  EXPECT_DOUBLE_EQ(RoundTo(0.125, 2), 0.13);
  EXPECT_DOUBLE_EQ(RoundTo(-0.125, 2), -0.13);
  EXPECT_EQ(RoundTo(0, 3), 0);
}

TEST(RoundEven, HalvesGoToEven) {
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(3.5), 4);
  EXPECT_EQ(RoundEven(-2.5), -2);
  EXPECT_EQ(RoundEven(8.1), 8);
}

TEST(LooksInverted, BrightestNearerTheMiddleThanTheFaintest) {
  auto dip = Load(kDip);
  EXPECT_FALSE(LooksInverted(*dip));
  ApplyMagSign(*dip, 1);
  EXPECT_TRUE(LooksInverted(*dip));
  // Equal distances pass.
  auto tie = Load("1.0,5\n1.1,5.5\n1.2,5.5\n1.3,6\n1.4,5.5\n");
  EXPECT_EQ(tie->BrightIdx, 1);
  EXPECT_EQ(tie->FaintIdx, 4);
  EXPECT_FALSE(LooksInverted(*tie));
}

}  // namespace
}  // namespace vantor
