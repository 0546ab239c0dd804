// Tests of the results report: what each method's settings say (working point
// numbers against the file's observations, the stretch sliding integrations
// chooses, tuning values, an excluded interval), and the text, CSV and tab
// renderings of the table.
#include "core/report.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "core/reader.h"

namespace vantor {
namespace {

// examples/eclipse_header.csv (60 observations, 0.0025 d apart from
// HJD 2459812.35700) with observation 3 deleted.
std::unique_ptr<Store> ExampleWithoutObservation3() {
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_SOURCE_DIR "/examples/eclipse_header.csv";
  EXPECT_TRUE(ReadLightCurve(*s).has_value());
  s->Deleted[3] = -1;
  RebuildWorkingSet(*s);
  ComputeRanges(*s);
  return s;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
  for (const std::string& l : Lines(text)) {
    if (l == line) return true;
  }
  return false;
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
  EXPECT_EQ(DescribeMethodSetup(*s, 4, {" 2 ", ".8"}),
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

ReportInput ExampleInput() {
  ReportInput in;
  in.program = "Vantor 9.9";
  in.lightCurvePath = "/data/CM Dra, \"night 2\".csv";
  in.rows[1] = {"2459812.43163", "0.00005", true, "used points 22-38"};
  in.rows[4] = {"2459812.43167", "0.00004", false, "used points 10-50; Stepp 1, Frac .9"};
  in.rows[5] = {"", "", false, "left over from a cleared result"};
  in.simpleMean = "2459812.43165";
  in.weightedMean = "2459812.43166";
  in.uncertainty = "0.00003";
  return in;
}

TEST(BuildReport, TextAlignsTheTableAndNamesFileCountsAndSign) {
  auto s = ExampleWithoutObservation3();
  s->MagSign = -1;
  const std::string text = BuildReport(*s, ExampleInput(), ReportFormat::Text);
  const std::vector<std::string> lines = Lines(text);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Vantor 9.9 - times of minimum");
  EXPECT_TRUE(HasLine(text, "Light-curve file           /data/CM Dra, \"night 2\".csv"));
  EXPECT_TRUE(HasLine(text, "Points read                60"));
  EXPECT_TRUE(HasLine(text, "Points used                59"));
  EXPECT_TRUE(HasLine(text, "Deleted (numbers in file)  3"));
  EXPECT_TRUE(HasLine(text, "Magnitudes                 --Mags (C-V)"));
  EXPECT_TRUE(HasLine(text,
                      "1. Parabolic Fit           2459812.43163    0.00005        yes           "
                      "used points 22-38"));
  EXPECT_TRUE(HasLine(text,
                      "4. Kwee and van Woerden    2459812.43167    0.00004        no            "
                      "used points 10-50; Stepp 1, Frac .9"));
  // A row without a result shows no settings.
  EXPECT_TRUE(HasLine(text, "5. Fourier Fit                                             no"));
  EXPECT_TRUE(HasLine(text, "Weighted Mean uncertainty  0.00003"));
  EXPECT_TRUE(HasLine(text, "Std. Deviation of Means"));
}

TEST(BuildReport, CsvQuotesAndTabsKeepOneRecordPerLine) {
  auto s = ExampleWithoutObservation3();
  s->Deleted[10] = -1;
  ReportInput in = ExampleInput();
  const std::string csv = BuildReport(*s, in, ReportFormat::Csv);
  EXPECT_TRUE(HasLine(csv, "Light-curve file,\"/data/CM Dra, \"\"night 2\"\".csv\""));
  EXPECT_TRUE(HasLine(csv, "Deleted (numbers in file),\"3, 10\""));
  EXPECT_TRUE(HasLine(csv, "Magnitudes,+Mags (V-C)"));
  EXPECT_TRUE(HasLine(csv, "Method,Time of Minimum,Est'd Error,Use in Mean?,Ranges and settings"));
  EXPECT_TRUE(HasLine(csv,
                      "4. Kwee and van Woerden,2459812.43167,0.00004,no,"
                      "\"used points 10-50; Stepp 1, Frac .9\""));
  EXPECT_TRUE(HasLine(csv, "2. Tracing Paper,,,no,"));
  EXPECT_TRUE(HasLine(csv, "Std. Deviation of Means,"));

  in.rows[1].setup = "a\ttab and a\nline end";
  const std::string tabs = BuildReport(*s, in, ReportFormat::Tabs);
  EXPECT_TRUE(HasLine(tabs, "Light-curve file\t/data/CM Dra, \"night 2\".csv"));
  EXPECT_TRUE(HasLine(tabs, "1. Parabolic Fit\t2459812.43163\t0.00005\tyes\ta tab and a line end"));
  EXPECT_EQ(Lines(tabs).size(), Lines(csv).size());
}

TEST(ReportFormatFor, CsvOnlyForANameEndingInCsv) {
  EXPECT_EQ(ReportFormatFor("times.csv"), ReportFormat::Csv);
  EXPECT_EQ(ReportFormatFor("TIMES.CsV"), ReportFormat::Csv);
  EXPECT_EQ(ReportFormatFor("times.txt"), ReportFormat::Text);
  EXPECT_EQ(ReportFormatFor("times.csv.txt"), ReportFormat::Text);
  EXPECT_EQ(ReportFormatFor("csv"), ReportFormat::Text);
  EXPECT_EQ(ReportFormatFor(""), ReportFormat::Text);
}

}  // namespace
}  // namespace vantor
