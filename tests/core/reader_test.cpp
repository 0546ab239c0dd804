#include "core/reader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace vantor {
namespace {

std::string DataPath(const std::string& name) { return std::string(VANTOR_TEST_DATA_DIR) + "/" + name; }

ReadResult LoadFile(Store& s, const std::string& name) {
  s.DataDir = VANTOR_TEST_DATA_DIR;
  s.DataFileName = name;
  s.DataFilePath = DataPath(name);
  return ReadLightCurve(s);
}

std::unique_ptr<Store> Loaded(const std::string& name) {
  auto s = std::make_unique<Store>();
  const ReadResult st = LoadFile(*s, name);
  EXPECT_TRUE(st.has_value()) << name << ": " << st.error().message;
  return s;
}

TEST(ReadLightCurve, HeaderInLettersIsSkipped) {
  auto s = Loaded("header_crlf.csv");
  EXPECT_EQ(s->NPointsAll, 5);
  EXPECT_EQ(s->NPoints, 5);
  EXPECT_DOUBLE_EQ(s->HjdRaw[1], 2458739.90842);
  EXPECT_DOUBLE_EQ(s->MagRaw[5], 0.1102);
}

TEST(ReadLightCurve, FirstLineOfTheSameShapeIsARecord) {
  auto s = Loaded("no_header.csv");
  EXPECT_EQ(s->NPointsAll, 5);
  EXPECT_DOUBLE_EQ(s->HjdRaw[1], 2458739.90842);
}

TEST(ReadLightCurve, NumericFirstLineWithOtherCommaCountIsSkipped) {
  auto s = Loaded("numeric_header_three_fields.csv");
  EXPECT_EQ(s->NPointsAll, 5);
  EXPECT_DOUBLE_EQ(s->HjdRaw[1], 2458739.90842);
}

TEST(ReadLightCurve, ExponentInFirstLineMakesItAHeader) {
  auto s = Loaded("exponent_header.csv");
  EXPECT_EQ(s->NPointsAll, 5);
  EXPECT_DOUBLE_EQ(s->HjdRaw[1], 2458739.90842);
}

TEST(ReadLightCurve, ThirdColumnIsIgnored) {
  auto s = Loaded("three_columns.csv");
  EXPECT_EQ(s->NPointsAll, 5);
  EXPECT_DOUBLE_EQ(s->MagRaw[4], 0.1431);
}

TEST(ReadLightCurve, LineEndsAndBlanksAroundFields) {
  EXPECT_EQ(Loaded("no_final_newline.csv")->NPointsAll, 5);
  EXPECT_EQ(Loaded("blank_lines_at_end.csv")->NPointsAll, 5);
  EXPECT_EQ(Loaded("bom_no_header.csv")->NPointsAll, 5);
  auto s = Loaded("spaces_and_plus.csv");
  EXPECT_EQ(s->NPointsAll, 3);
  EXPECT_DOUBLE_EQ(s->MagRaw[1], 0.0588);
  EXPECT_DOUBLE_EQ(s->MagRaw[3], 0.1111);
}

TEST(ReadLightCurve, SingleRecordAfterHeader) {
  auto s = Loaded("single_record.csv");
  EXPECT_EQ(s->NPointsAll, 1);
  EXPECT_EQ(s->FaintIdx, 1);
  EXPECT_NEAR(s->TRange, 0.004, 1e-12);
}

TEST(ReadLightCurve, ExactlyThousandRecordsAreRead) {
  auto s = Loaded("exactly_1000.csv");
  EXPECT_EQ(s->NPointsAll, 1000);
  EXPECT_DOUBLE_EQ(s->HjdRaw[1000], 2458739.999);
}

TEST(ReadLightCurve, DerivesTimesMagnitudesAndStartingValues) {
  auto s = Loaded("header_crlf.csv");
  EXPECT_EQ(s->HjdBase, 2458739.0);
  EXPECT_EQ(s->MagSign, 1);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(s->RelTime[i], s->HjdRaw[i] - 2458739.0);
    EXPECT_EQ(s->RelTimeAll[i], s->RelTime[i]);
    EXPECT_EQ(s->Mag[i], s->MagRaw[i]);
    EXPECT_EQ(s->MagAll[i], s->MagRaw[i]);
    EXPECT_EQ(s->Deleted[i], 0);
  }
  EXPECT_EQ(s->FaintIdx, 4);
  EXPECT_EQ(s->BrightIdx, 1);
  EXPECT_EQ(s->InnerExtremeIdx, 4);
  EXPECT_EQ(s->EditFaintIdx, 4);
  EXPECT_EQ(s->EditTRange, s->TRange);
  EXPECT_EQ(s->FoldTime, RoundTo(s->RelTime[4], 4));
  EXPECT_EQ(s->FitParam[1], s->RelTime[4]);
  EXPECT_EQ(s->FitParam[2], s->Mag[4]);
  EXPECT_EQ(s->FitParam[3], 3.14 / s->TRange);
  EXPECT_EQ(s->FitParam[4], s->MagRange);
  for (int j = 5; j <= 8; ++j) EXPECT_EQ(s->FitParam[j], 0.0);
}

TEST(ReadLightCurve, NegativeFirstTimeTakesTheFloor) {
  Store s;
  ASSERT_TRUE(ReadLightCurveText(s, "-1.25,5\n-1.2,5.5\n-1.15,5\n").has_value());
  EXPECT_EQ(s.HjdBase, -2.0);
  EXPECT_DOUBLE_EQ(s.RelTime[1], 0.75);
}

TEST(ReadLightCurve, LoadingResetsEveryMethodWindow) {
  Store s;
  s.ParLeftSet = s.ParRightSet = s.ParRangeSet = s.ParFitted = true;
  s.ChordLeftState = s.ChordRightState = 2;
  s.ChordRangeSet = s.ChordFitted = true;
  s.KvwLeftSet = s.KvwRightSet = s.KvwRangeSet = s.KvwFitted = true;
  s.FourierLeftSet = s.FourierRightSet = s.FourierRangeSet = true;
  s.FourierFitDone = s.ParamsFromBoxes = true;
  s.SmoothLevel = 7;
  s.ExcludeMode = true;
  s.ExclLeftIdx = 3;
  s.FourierLeftIdx = 2;
  s.Deleted[2] = -1;
  s.MagSign = -1;
  ASSERT_TRUE(LoadFile(s, "header_crlf.csv").has_value());
  EXPECT_FALSE(s.ParLeftSet || s.ParRightSet || s.ParRangeSet || s.ParFitted);
  EXPECT_EQ(s.ChordLeftState, 0);
  EXPECT_EQ(s.ChordRightState, 0);
  EXPECT_FALSE(s.ChordRangeSet || s.ChordFitted);
  EXPECT_FALSE(s.KvwLeftSet || s.KvwRightSet || s.KvwRangeSet || s.KvwFitted);
  EXPECT_FALSE(s.FourierLeftSet || s.FourierRightSet || s.FourierRangeSet);
  EXPECT_FALSE(s.FourierFitDone || s.ParamsFromBoxes);
  EXPECT_EQ(s.SmoothLevel, 1);
  EXPECT_EQ(s.Deleted[2], 0);
  EXPECT_EQ(s.MagSign, 1);
  // What loading does not touch: the exclusion and the indices.
  EXPECT_TRUE(s.ExcludeMode);
  EXPECT_EQ(s.ExclLeftIdx, 3);
  EXPECT_EQ(s.FourierLeftIdx, 2);
}

struct RefusalCase {
  const char* file;
  const char* messagePart;
  int line;
};

class ReadLightCurveRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ReadLightCurveRefusal, LeavesThePreviousStoreUnchanged) {
  const RefusalCase& c = GetParam();
  auto s = Loaded("three_columns.csv");
  s->Deleted[2] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  s->ParFitted = true;
  s->SmoothLevel = 5;
  const Store before = *s;

  s->DataFilePath = DataPath(c.file);
  const ReadResult st = ReadLightCurve(*s);
  ASSERT_FALSE(st.has_value());
  EXPECT_NE(st.error().message.find(c.messagePart), std::string::npos) << st.error().message;
  EXPECT_EQ(st.error().line, c.line) << st.error().message;
  s->DataFilePath = before.DataFilePath;
  EXPECT_TRUE(*s == before) << "the store changed on a refusal of " << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, ReadLightCurveRefusal,
    ::testing::Values(
        RefusalCase{"does_not_exist.csv", "No such file or directory", 0},
        RefusalCase{".", "it is a folder", 0},
        RefusalCase{"one_line.csv", "fewer than two lines", 0},
        RefusalCase{"header_only.csv", "fewer than two lines", 0},
        RefusalCase{"no_comma.csv",
                    "Sorry - your data file needs to be in the Comma Separated Variables format.  "
                    "See [menu] Help > Help - Data Files for details.",
                    2},
        RefusalCase{"not_a_number.csv", "Line 3, field 2 (magnitude): \"abc\" is not a number", 3},
        RefusalCase{"too_many.csv", "at most 1000", 1002},
        RefusalCase{"seven_columns.csv", "Line 2 has 7 fields", 2},
        RefusalCase{"field_count_changes.csv", "Line 3 has 3 fields, but line 2 has 2", 3},
        RefusalCase{"nan_value.csv", "Line 3, field 2 (magnitude): \"nan\" is not a finite", 3},
        RefusalCase{"inf_value.csv", "Line 3, field 1 (HJD): \"inf\" is not a finite", 3},
        RefusalCase{"blank_line_inside.csv", "Line 3 is blank", 3},
        RefusalCase{"out_of_order.csv", "Line 4, field 1 (HJD): \"2458739.90900\" is earlier", 4}));

TEST(ReadLightCurveText, RefusesValuesBeyondThePlotSentinels) {
  Store s;
  EXPECT_FALSE(ReadLightCurveText(s, "1.0,5\n1.1,120\n").has_value());
  EXPECT_FALSE(ReadLightCurveText(s, "1.0,5\n1.1,-99\n").has_value());
  EXPECT_FALSE(ReadLightCurveText(s, "1.0,5\n200000000.0,5\n").has_value());
  // Times so large that a double cannot hold their fifth decimal: at 2E42
  // every time of the file is the same number, and results would read
  // "0.20000000e+43".
  const ReadResult huge = ReadLightCurveText(s, "HJD,V-C\n2e42,5\n2e42,6\n2e42,5\n");
  ASSERT_FALSE(huge.has_value());
  EXPECT_EQ(huge.error().line, 2);
  EXPECT_NE(huge.error().message.find("beyond 10000000000 days"), std::string::npos)
      << huge.error().message;
  EXPECT_TRUE(ReadLightCurveText(s, "9999999999.5,5\n9999999999.6,6\n").has_value());
  EXPECT_FALSE(ReadLightCurveText(s, "-1e10,5\n-1e10,6\n").has_value());
  EXPECT_EQ(s.NPointsAll, 2);  // the accepted file above stays
}

TEST(ReadLightCurveText, RecognisesTheLayoutOnlyFromTheFirstTwoLines) {
  Store s;
  // A header whose comma count equals the data's but holds letters.
  ASSERT_TRUE(ReadLightCurveText(s, "t,m\n1.0,5\n1.1,6\n").has_value());
  EXPECT_EQ(s.NPointsAll, 2);
  // Fields may be empty only in the ignored columns.
  ASSERT_TRUE(ReadLightCurveText(s, "1.0,5,,7\n1.1,6,,y\n").has_value());
  EXPECT_EQ(s.NPointsAll, 2);
  EXPECT_FALSE(ReadLightCurveText(s, "1.0,,1\n1.1,6,1\n").has_value());
}

TEST(LoadObservations, GivesTheStoreAFileWithTheSameValuesGivesAndRefusesLikeIt) {
  const auto fromFile = Loaded("exactly_1000.csv");
  std::vector<double> hjd, mag;
  for (int i = 1; i <= fromFile->NPointsAll; ++i) {
    hjd.push_back(fromFile->HjdRaw[i]);
    mag.push_back(fromFile->MagRaw[i]);
  }
  auto s = std::make_unique<Store>();
  s->ParFitted = true;  // left over from an earlier curve
  ASSERT_EQ(LoadObservations(*s, hjd, mag), fromFile->NPointsAll);
  s->DataDir = fromFile->DataDir;
  s->DataFileName = fromFile->DataFileName;
  s->DataFilePath = fromFile->DataFilePath;
  EXPECT_TRUE(*s == *fromFile);

  const Store before = *s;
  const std::vector<double> bad = {0.5, NAN, 0.7};
  const std::vector<double> back = {0.5, 0.4, 0.7};
  const std::vector<double> faint = {0.5, 0.6, 120};
  const std::vector<double> three = {0.5, 0.6, 0.7};
  const std::vector<double> none;
  struct Case {
    const std::vector<double>& t;
    const std::vector<double>& m;
    const char* says;
  };
  for (const Case& c : {Case{bad, three, "Observation 2: its time"},
                        Case{back, three, "Observation 2: its time is earlier"},
                        Case{three, faint, "Observation 3: its magnitude"},
                        Case{three, bad, "Observation 2: its magnitude"},
                        Case{none, none, "1 to 1000 observations; 0"},
                        Case{three, hjd, "3 times were given with 1000"}}) {
    const auto r = LoadObservations(*s, c.t, c.m);
    ASSERT_FALSE(r.has_value()) << c.says;
    EXPECT_NE(r.error().message.find(c.says), std::string::npos) << r.error().message;
    EXPECT_TRUE(*s == before) << c.says;
  }
}

}  // namespace
}  // namespace vantor
