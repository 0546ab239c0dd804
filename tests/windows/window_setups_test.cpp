// Tests of the setups the method windows hold: what each window's markers,
// boxes and fold make of a row, how the report describes it, and what a
// timing leaves in the store for its window.
#include "windows/window_setups.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/reader.h"

namespace vantor {
namespace {

std::unique_ptr<Store> Example() {
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_SOURCE_DIR "/examples/eclipse_header.csv";
  EXPECT_TRUE(ReadLightCurve(*s).has_value());
  return s;
}

// examples/eclipse_header.csv (60 observations, 0.0025 d apart from
// HJD 2459812.35700) with observation 3 deleted.
std::unique_ptr<Store> ExampleWithoutObservation3() {
  auto s = Example();
  s->Deleted[3] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  return s;
}

TEST(CurrentSetup, HoldsWhatEachMethodWindowHoldsNow) {
  auto s = Example();
  s->ParLeftIdx = 3, s->ParRightIdx = 9;
  s->KvwLeftIdx = 4, s->KvwRightIdx = 40;
  s->KvwBoxes = {"3", ".5"};
  s->FourierLeftIdx = 5, s->FourierRightIdx = 55;
  s->ExclLeftIdx = 20, s->ExclRightIdx = 22;
  s->ExcludeMode = false;
  EXPECT_EQ(CurrentSetup(*s, 1), MethodSetup(ParabolaSetup{{3, 9}}));
  EXPECT_EQ(CurrentSetup(*s, 4), MethodSetup(KvwSetup{{4, 40}, {"3", ".5"}}));
  EXPECT_EQ(std::get<FourierSetup>(*CurrentSetup(*s, 5)).exclude, std::nullopt);
  s->ExcludeMode = true;
  EXPECT_EQ(std::get<FourierSetup>(*CurrentSetup(*s, 5)).exclude, (IndexRange{20, 22}));
  EXPECT_EQ(CurrentSetup(*s, 0), std::nullopt);
  EXPECT_EQ(CurrentSetup(*s, 7), std::nullopt);
}

TEST(DescribeMethodSetup, RangesCountTheUsedPointsAndNameTheirHjd) {
  auto s = ExampleWithoutObservation3();
  s->ParLeftIdx = 22;   // observation 23 of the file
  s->ParRightIdx = 38;  // observation 39
  EXPECT_EQ(DescribeMethodSetup(*s, 1),
            "used points 22-38 of 59 (HJD 2459812.41200 to 2459812.45200)");

  s->ChordIdx1 = 1, s->ChordIdx2 = 2, s->ChordIdx3 = 58, s->ChordIdx4 = 59;
  EXPECT_EQ(DescribeMethodSetup(*s, 3),
            "left branch used points 1-2 of 59 (HJD 2459812.35700 to 2459812.35950); "
            "right branch used points 58-59 of 59 (HJD 2459812.50200 to 2459812.50450)");

  s->KvwLeftIdx = 22, s->KvwRightIdx = 38;
  s->KvwBoxes = {" 2 ", ".8"};
  EXPECT_EQ(DescribeMethodSetup(*s, 4),
            "used points 22-38 of 59 (HJD 2459812.41200 to 2459812.45200); Stepp 2, Frac .8");

  s->FourierLeftIdx = 1, s->FourierRightIdx = 2;
  s->ExclLeftIdx = 2, s->ExclRightIdx = 2;
  s->ExcludeMode = false;
  EXPECT_EQ(DescribeMethodSetup(*s, 5),
            "used points 1-2 of 59 (HJD 2459812.35700 to 2459812.35950)");
  s->ExcludeMode = true;
  EXPECT_EQ(DescribeMethodSetup(*s, 5),
            "used points 1-2 of 59 (HJD 2459812.35700 to 2459812.35950); "
            "left out used points 2-2 of 59 (HJD 2459812.35950 to 2459812.35950)");

  s->FoldTime = 0.43;
  s->SmoothLevel = 5;
  EXPECT_EQ(DescribeMethodSetup(*s, 2), "fold at HJD 2459812.43000; 5-point averaging");

  // An end that is no longer a working point keeps its number only.
  s->ParRightIdx = 60;
  EXPECT_EQ(DescribeMethodSetup(*s, 1), "used points 22-60 of 59");
  EXPECT_EQ(DescribeMethodSetup(*s, 7), "");
}

TEST(DescribeMethodSetup, SlidingIntegrationsGivesTheStretchItChooses) {
  auto s = std::make_unique<Store>();
  s->HjdBase = 1000;
  s->NPoints = 10;
  for (int i = 1; i <= 10; ++i) s->RelTime[i] = 0.1 * i;
  s->FaintIdx = 3;  // near the start: the stretch is points 1..2F
  EXPECT_EQ(DescribeMethodSetup(*s, 6),
            "stretch of used points 1-6 of 10 (HJD 1000.10000 to 1000.60000)");
  s->FaintIdx = 8;  // near the end: points 2F - N .. N - 1
  EXPECT_EQ(DescribeMethodSetup(*s, 6),
            "stretch of used points 6-9 of 10 (HJD 1000.60000 to 1000.90000)");
  s->FaintIdx = 10;  // no stretch around the last point
  EXPECT_EQ(DescribeMethodSetup(*s, 6), "");
}

TEST(TimeMethod, InStoreLeavesTheFourierFitStandingAndNeverWrapsItsRange) {
  auto s = Example();
  const FourierSetup setup{{10, 50}, std::nullopt, s->FitParam};
  const auto t = TimeMethodInStore(*s, setup);
  ASSERT_TRUE(t.has_value()) << t.error().message;
  EXPECT_TRUE(s->FourierFitDone);
  EXPECT_EQ(s->FourierLeftIdx, 10);
  EXPECT_EQ(s->FourierRightIdx, 50);
  EXPECT_EQ(s->FitParam, t->As<FourierFitResult>().FitParam);
  // A bootstrap of the row starts from the fitted parameters; other setups stay.
  const auto restart = std::get<FourierSetup>(BootstrapSetup(setup, *t));
  EXPECT_EQ(restart.start, t->As<FourierFitResult>().FitParam);
  EXPECT_EQ(restart.range, setup.range);
  const MethodSetup kvw = KvwSetup{{15, 45}, {"2", ".7"}};
  EXPECT_EQ(BootstrapSetup(kvw, *t), kvw);

  // 65565 would wrap to 29 in the 16-bit field: the range must be refused.
  auto fresh = Example();
  const auto wrapped = TimeMethod(*fresh, FourierSetup{{2, 65565}, std::nullopt, s->FitParam});
  ASSERT_FALSE(wrapped.has_value());
  EXPECT_NE(wrapped.error().message.find("points 1 to 60"), std::string::npos)
      << wrapped.error().message;
}

}  // namespace
}  // namespace vantor
