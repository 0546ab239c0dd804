// Tests of the results report: the text, CSV and tab renderings of the table.
// (What each method's settings say is tested with the setups, in
// tests/methods/time_method_test.cpp.)
#include "core/report.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(BuildReport, NamesABinnedImportUnderTheFileOnly) {
  auto s = ExampleWithoutObservation3();
  ReportInput in = ExampleInput();
  const std::string plain = BuildReport(*s, in, ReportFormat::Text);
  EXPECT_EQ(plain.find("binned"), std::string::npos);
  in.binning = "binned from 2500 points to 1000 (bins of 7.20 min)";
  const std::vector<std::string> lines = Lines(BuildReport(*s, in, ReportFormat::Text));
  const auto file = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.starts_with("Light-curve file");
  });
  ASSERT_TRUE(file != lines.end() && file + 1 != lines.end());
  EXPECT_EQ(file[1], "Light curve                binned from 2500 points to 1000 (bins of 7.20 min)");
  // Every other line as without the binning.
  std::vector<std::string> others = lines;
  others.erase(others.begin() + (file + 1 - lines.begin()));
  EXPECT_EQ(others, Lines(plain));
  EXPECT_TRUE(HasLine(BuildReport(*s, in, ReportFormat::Csv),
                      "Light curve,binned from 2500 points to 1000 (bins of 7.20 min)"));
}

// Each thing an import read adds its own line under the file, in the text and
// the CSV forms, and leaves every other line as it was.
TEST(BuildReport, NamesWhatAnImportReadEachOnItsOwnLine) {
  auto s = ExampleWithoutObservation3();
  const ReportInput plainInput = ExampleInput();
  const std::string plain = BuildReport(*s, plainInput, ReportFormat::Text);
  struct Case {
    void (*set)(ReportInput&);
    const char *text, *csv;
  };
  const Case cases[] = {
      {[](ReportInput& in) { in.fileObservations = 1532; },
       "Observations in file       1532", "Observations in file,1532"},
      {[](ReportInput& in) { in.interval = "from 2454741.50000 until 2454742.00000"; },
       "Interval                   from 2454741.50000 until 2454742.00000",
       "Interval,from 2454741.50000 until 2454742.00000"},
      {[](ReportInput& in) { in.star = "V0505 Per"; }, "Star                       V0505 Per",
       "Star,V0505 Per"},
      {[](ReportInput& in) { in.filter = "V"; }, "Filter                     V", "Filter,V"},
      {[](ReportInput& in) {
         in.conversion = "JD_UTC to BJD_TDB at RA 97.123456 deg, Dec -12.500000 deg";
       },
       "Time conversion            JD_UTC to BJD_TDB at RA 97.123456 deg, Dec -12.500000 deg",
       "Time conversion,\"JD_UTC to BJD_TDB at RA 97.123456 deg, Dec -12.500000 deg\""},
  };
  for (const Case& c : cases) {
    ReportInput in = plainInput;
    c.set(in);
    std::vector<std::string> lines = Lines(BuildReport(*s, in, ReportFormat::Text));
    ASSERT_EQ(lines.size(), Lines(plain).size() + 1) << c.text;
    EXPECT_EQ(lines[3], c.text);  // after the title, the blank and the file
    lines.erase(lines.begin() + 3);
    EXPECT_EQ(lines, Lines(plain)) << c.text;
    EXPECT_TRUE(HasLine(BuildReport(*s, in, ReportFormat::Csv), c.csv)) << c.csv;
  }
}

TEST(BuildReport, ListsTheBootstrapErrorsComputedAfterTheMeans) {
  auto s = ExampleWithoutObservation3();
  ReportInput in = ExampleInput();
  const std::string plain = BuildReport(*s, in, ReportFormat::Text);
  EXPECT_EQ(plain.find("Bootstrap"), std::string::npos);
  in.bootstrapErrors[1] = " 0.00007";
  in.bootstrapErrors[4] = "0.00006";
  in.bootstrapRuns = 200;
  const std::vector<std::string> lines = Lines(BuildReport(*s, in, ReportFormat::Text));
  const std::vector<std::string> before = Lines(plain);
  ASSERT_EQ(lines.size(), before.size() + 3);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), lines.begin()));
  EXPECT_EQ(lines[before.size()], "Bootstrap errors           200 resampled curves");
  EXPECT_EQ(lines[before.size() + 1], "                           1. Parabolic Fit 0.00007");
  EXPECT_EQ(lines[before.size() + 2], "                           4. Kwee and van Woerden 0.00006");
  EXPECT_TRUE(HasLine(BuildReport(*s, in, ReportFormat::Csv), ",1. Parabolic Fit,0.00007"));
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
