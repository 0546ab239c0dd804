// The helpers every door shares: a file's field quoted in a refusal, CSV
// fields and lines, the median.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/csv.h"
#include "core/statistics.h"
#include "core/text.h"

namespace vantor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(QuotedField, TrimsCutsAndEscapes) {
  const std::string forty(40, '7');
  const struct {
    std::string in, out;
  } cases[] = {
      {"12.5", "\"12.5\""},
      {" \t1,5\t ", "\"1,5\""},                        // blanks trimmed, the comma kept
      {"", "\"\""},
      {"say \"x\"", "\"say \"x\"\""},                  // quotes shown as they are
      {"1\n2\r", "\"1\\x0A2\\x0D\""},                  // line ends
      {"\x1b[31m9", "\"\\x1B[31m9\""},                 // an escape sequence
      {"caf\xE9", "\"caf\\xE9\""},                     // Latin-1
      {"\xE2\x88\x92" "1", "\"\\xE2\\x88\\x921\""},    // UTF-8 minus: a number field is ASCII
      {forty, "\"" + forty + "\""},                     // 40 bytes: whole
      {forty + "8", "\"" + forty + "...\""},            // 41: cut to 40
      {"  " + forty + "  ", "\"" + forty + "\""},       // trimmed before counting
  };
  for (const auto& c : cases) EXPECT_EQ(QuotedField(c.in), c.out) << c.in;
  // Cut by the bytes of the field, before escaping: 41 control bytes show 40.
  std::string shown;
  for (int i = 0; i < 40; ++i) shown += "\\x01";
  EXPECT_EQ(QuotedField(std::string(41, '\x01')), "\"" + shown + "...\"");
}

TEST(CsvField, QuotesWhereTheRuleSays) {
  using Q = CsvQuoting;
  const struct {
    std::string_view in;
    Q quoting;
    std::string_view out;
  } cases[] = {
      {"lc.csv", Q::kWhenNeeded, "lc.csv"},
      {"a,b.csv", Q::kWhenNeeded, "\"a,b.csv\""},
      {"say \"x\"", Q::kWhenNeeded, "\"say \"\"x\"\"\""},
      {"\"", Q::kWhenNeeded, "\"\"\"\""},
      {"one\ntwo", Q::kWhenNeeded, "\"one\ntwo\""},
      {"one\rtwo", Q::kWhenNeeded, "\"one\rtwo\""},
      {"tab\there", Q::kWhenNeeded, "tab\there"},
      {"caf\xE9\xFF.csv", Q::kWhenNeeded, "caf\xE9\xFF.csv"},  // not UTF-8: bytes as they are
      {"caf\xE9,\xFF", Q::kWhenNeeded, "\"caf\xE9,\xFF\""},
      {" padded ", Q::kWhenNeeded, " padded "},
      {"", Q::kWhenNeeded, ""},
      {" lead", Q::kEdgeBlanks, "\" lead\""},
      {"trail ", Q::kEdgeBlanks, "\"trail \""},
      {"in side", Q::kEdgeBlanks, "in side"},
      {"x,y", Q::kEdgeBlanks, "\"x,y\""},
      {"", Q::kEdgeBlanks, ""},
      {"plain", Q::kAlways, "\"plain\""},
      {"", Q::kAlways, "\"\""},
      {"it's \"so\"", Q::kAlways, "\"it's \"\"so\"\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CsvField(c.in, c.quoting), c.out) << c.in << " rule " << static_cast<int>(c.quoting);
  }
}

TEST(CsvWriter, SeparatesFieldsAndEndsLines) {
  CsvWriter w;
  w.Line("file,method,time,error,used,message,time_scale");
  // A refused file: empty fields inside and at the end of the line.
  w.Text("a,b.csv").Text("file").Empty(2).Text("no").Text("say \"x\"").Empty().EndLine();
  w.Text("lc.csv").Text("kvw").Fixed(2450000.1234567, 6).Number(0.00012, 'g', 3).Int(-42)
      .EndLine();
  // Empty fields first, a field quoted by its own rule.
  w.Empty(3).Text("m", CsvQuoting::kAlways).EndLine();
  w.EndLine();  // a line without fields
  EXPECT_EQ(w.Str(),
            "file,method,time,error,used,message,time_scale\n"
            "\"a,b.csv\",file,,,no,\"say \"\"x\"\"\",\n"
            "lc.csv,kvw,2450000.123457,0.00012,-42\n"
            ",,,\"m\"\n"
            "\n");
}

TEST(CsvWriter, TheWritersRuleAppliesToTextAndTakeStartsAnew) {
  CsvWriter w(CsvQuoting::kEdgeBlanks);
  w.Text(" key").Text("value ").Text("x", CsvQuoting::kWhenNeeded).EndLine();
  EXPECT_EQ(w.Take(), "\" key\",\"value \",x\n");
  EXPECT_EQ(w.Str(), "");
  w.Text("next").EndLine();
  EXPECT_EQ(w.Take(), "next\n");
}

// The median as a full sort reads it, for comparison.
double SortedMedian(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

TEST(Median, OddEvenOneAndNone) {
  const struct {
    std::vector<double> in;
    double out;
  } cases[] = {
      {{3, 1, 2}, 2},
      {{5}, 5},
      {{4, 1}, 2.5},
      {{9, 1, 8, 2}, 5},                   // the lower middle is not next to the upper one
      {{1, 2, 3, 4, 100, -100}, 2.5},
      {{7, 7, 7, 1}, 7},
      {{-0.5, -1.5, 0.25}, -0.5},
      {{1e308, 1e308}, std::numeric_limits<double>::infinity()},  // the sum overflows as it would sorted
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Median(c.in), c.out) << c.in.size() << " values";
  }
  EXPECT_TRUE(std::isnan(Median({})));
}

TEST(Median, AnyNaNGivesNaN) {
  const std::vector<double> cases[] = {{kNaN}, {1, kNaN, 3}, {kNaN, 1, 2, 3}, {1, 2, 3, kNaN}};
  for (const auto& c : cases) EXPECT_TRUE(std::isnan(Median(c))) << c.size() << " values";
}

TEST(Median, AgreesToTheBitWithTheSortedMiddleAndLeavesTheCallersValues) {
  std::mt19937 rng(20240611);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (int n : {2, 3, 10, 11, 1000, 1001}) {
    std::vector<double> v(static_cast<size_t>(n));
    for (double& x : v) x = 2450000 + noise(rng) * 1e-3;
    const std::vector<double> before = v;
    EXPECT_EQ(Median(v), SortedMedian(v)) << n << " values";
    EXPECT_EQ(v, before);
  }
}

}  // namespace
}  // namespace vantor
