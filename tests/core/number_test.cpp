// The one number parser (whole fields and the leading number of a text box)
// and the locale-free printf conversions, each checked in the C locale and
// again under a decimal-comma locale, where strtod and printf would read
// "0.90" as 0 and write 0.9 as "0,9".
#include "core/number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "core/format.h"
#include "core/reader.h"
#include "core/settings.h"
#include "core/store.h"
#include "core/text.h"

namespace vantor {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Runs the test body once in the C locale and once under de_DE.UTF-8 (or
// cs_CZ.UTF-8), restoring the C locale afterwards. scripts/install-deps
// generates both locales; without them the test fails rather than passing
// untested.
class NumberLocales : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const char* want = GetParam();
    if (std::string(want) == "C") {
      ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
      return;
    }
    const bool set = std::setlocale(LC_ALL, want) != nullptr;
    ASSERT_TRUE(set) << want << " is not installed: run scripts/install-deps";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",") << want;
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

const auto kLocales = ::testing::Values("C", "de_DE.UTF-8", "cs_CZ.UTF-8");

std::string LocaleName(const ::testing::TestParamInfo<const char*>& info) {
  return std::string(info.param) == "C" ? std::string("C") : std::string(info.param).substr(0, 5);
}

class StrictNumber : public NumberLocales {};
INSTANTIATE_TEST_SUITE_P(CAndDecimalComma, StrictNumber, kLocales, LocaleName);

TEST_P(StrictNumber, AcceptsOneDecimalNumberAsTheReadersDid) {
  const struct {
    const char* text;
    NumberForm form;
    double value;
  } cases[] = {
      {"0.90", NumberForm::kGeneral, 0.9},
      {"+0.5", NumberForm::kGeneral, 0.5},
      {"-.5", NumberForm::kGeneral, -0.5},
      {"+.5", NumberForm::kGeneral, 0.5},
      {"5.", NumberForm::kGeneral, 5.0},
      {"1e3", NumberForm::kGeneral, 1000.0},
      {"2.5E-4", NumberForm::kGeneral, 2.5e-4},
      {"-1e+2", NumberForm::kGeneral, -100.0},
      {"00012", NumberForm::kGeneral, 12.0},
      {"2459812.34567", NumberForm::kGeneral, 2459812.34567},
      {"1e-310", NumberForm::kGeneral, 1e-310},  // subnormal, still a number
      {"8100.0", NumberForm::kFixed, 8100.0},
      {"+12", NumberForm::kFixed, 12.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto v = ParseNumber(c.text, c.form);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, c.value);
  }
}

TEST_P(StrictNumber, RefusesEverythingElseSayingWhetherItWasInfOrNan) {
  const struct {
    const char* text;
    NumberForm form;
    NumberFault fault;
  } cases[] = {
      // Doubled signs: "+-0.3465" once read as -0.3465 in the importer.
      {"+-0.3465", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"-+1", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"--1", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"++1", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"+-5", NumberForm::kFixed, NumberFault::kNotNumber},
      {"+", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"-", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"", NumberForm::kGeneral, NumberFault::kNotNumber},
      {".", NumberForm::kGeneral, NumberFault::kNotNumber},
      // Blanks, decimal commas, group separators.
      {" 1", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1 ", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1 000", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"- 1", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1,5", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"0,90", NumberForm::kGeneral, NumberFault::kNotNumber},
      // Other notations and trailing junk.
      {"0x1A", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"0x1p3", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1d3", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1e", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1e+", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1.2.3", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1.5abc", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"1e3", NumberForm::kFixed, NumberFault::kNotNumber},
      {"infx", NumberForm::kGeneral, NumberFault::kNotNumber},
      // Beyond the double range.
      {"1e400", NumberForm::kGeneral, NumberFault::kNotNumber},
      {"-1e-400", NumberForm::kGeneral, NumberFault::kNotNumber},
      // Spelled-out non-finite values.
      {"inf", NumberForm::kGeneral, NumberFault::kNotFinite},
      {"-Infinity", NumberForm::kGeneral, NumberFault::kNotFinite},
      {"+inf", NumberForm::kGeneral, NumberFault::kNotFinite},
      {"nan", NumberForm::kGeneral, NumberFault::kNotFinite},
      {"-NaN", NumberForm::kGeneral, NumberFault::kNotFinite},
      {"nan(12)", NumberForm::kGeneral, NumberFault::kNotFinite},
      {"inf", NumberForm::kFixed, NumberFault::kNotFinite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto v = ParseNumber(c.text, c.form);
    ASSERT_FALSE(v.has_value()) << *v;
    EXPECT_EQ(v.error(), c.fault);
  }
}

// The strict rule as the light-curve reader and the settings file apply it:
// one sign only, in every locale.
TEST_P(StrictNumber, TheFileReadersRefuseADoubledSign) {
  const struct {
    const char* mag;
    const char* refusal;  // empty: read
  } cases[] = {
      {"+0.3465", ""},
      {"-.5", ""},
      {"+-0.3465", "Line 2, field 2 (magnitude): \"+-0.3465\" is not a number."},
      {"-+0.3465", "Line 2, field 2 (magnitude): \"-+0.3465\" is not a number."},
      {"0.34 65", "Line 2, field 2 (magnitude): \"0.34 65\" is not a number."},
      {"nan", "Line 2, field 2 (magnitude): \"nan\" is not a finite number."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mag);
    auto store = std::make_unique<Store>();
    const auto read = ReadLightCurveText(
        *store, std::string("2459812.34, 0.30\n2459812.35, ") + c.mag + "\n2459812.36, 0.50\n");
    if (*c.refusal == '\0') {
      ASSERT_TRUE(read.has_value()) << read.error().message;
      EXPECT_EQ(*read, 3);
    } else {
      ASSERT_FALSE(read.has_value());
      EXPECT_EQ(read.error().message, c.refusal);
      EXPECT_EQ(store->NPointsAll, 0);
    }
  }

  auto store = std::make_unique<Store>();
  SetDefaultGeometry(*store);
  const std::string good = SettingsText(*store);
  const size_t firstComma = good.find(',');
  for (const auto& [first, taken] : {std::pair{"+120", true}, {"120.4", true}, {"+-120", false},
                                     {"--120", false}, {"1,2e2", false}, {"1.2e2", false}}) {
    SCOPED_TRACE(first);
    const std::string text = first + good.substr(firstComma);
    EXPECT_EQ(ReadSettingsText(*store, text), taken);
    if (taken) {
      EXPECT_EQ(GeometryValues(*store)[0], 120);
    }
  }
}

class LeadingNumberRule : public NumberLocales {};
INSTANTIATE_TEST_SUITE_P(CAndDecimalComma, LeadingNumberRule, kLocales, LocaleName);

TEST_P(LeadingNumberRule, ReadsTheBoxesTextsWithTheFullStopOnly) {
  const struct {
    const char* text;
    double value;
    bool found;
  } cases[] = {
      {"0.90", 0.9, true},   // the Frac box under a decimal-comma locale
      {"0,90", 0.0, true},   // the comma ends the number, in every locale
      {".9", 0.9, true},
      {"1 234.5", 1234.5, true},
      {"  - 1 2 . 5 x", -12.5, true},
      {"2D-2", 0.02, true},
      {"1 e 2", 100.0, true},
      {"7e", 7.0, true},
      {"+4", 4.0, true},
      {"1e999", kInf, true},
      {"-1e999", -kInf, true},
      {"1000e306", kInf, true},  // 1e309: overflow decided by the digits before the point
      {"0.0000001e310", 1e303, true},
      {"0.001e-322", 0.0, true},  // 1e-325 underflows to 0
      {"1e 4 0 0", kInf, true},
      {"-1e-999", -0.0, true},
      {"", 0.0, false},
      {"abc", 0.0, false},
      {"-", 0.0, false},
      {".", 0.0, false},
      {"--1", 0.0, false},
      {"nan", 0.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const LeadingNumber n = ReadLeadingNumber(c.text);
    EXPECT_EQ(n.value, c.value);
    EXPECT_EQ(std::signbit(n.value), std::signbit(c.value));
    EXPECT_EQ(n.found, c.found);
    EXPECT_EQ(Val(c.text), c.value);
    EXPECT_EQ(HasLeadingNumber(c.text), c.found);
  }
}

class NumberFormat : public NumberLocales {};
INSTANTIATE_TEST_SUITE_P(CAndDecimalComma, NumberFormat, kLocales, LocaleName);

TEST_P(NumberFormat, WritesWhatPrintfWritesInTheCLocale) {
  const struct {
    double v;
    char conversion;
    int precision;
    const char* text;
  } cases[] = {
      {0.9, 'f', 2, "0.90"},
      {2459812.3456789, 'f', 5, "2459812.34568"},
      {-0.0, 'f', 1, "-0.0"},
      {2.5, 'f', 0, "2"},  // round half to even, as glibc's printf
      {0.00215, 'f', 6, "0.002150"},
      {1.5e-7, 'e', 3, "1.500e-07"},
      {123456.789, 'e', 14, "1.23456789000000e+05"},
      {1e100, 'e', 0, "1e+100"},
      {123456.789, 'g', 6, "123457"},
      {1e21, 'g', 6, "1e+21"},
      {0.0001, 'g', 6, "0.0001"},
      {2459812.35, 'g', 17, "2459812.3500000001"},
      {kInf, 'f', 5, "inf"},
      {-kInf, 'e', 5, "-inf"},
      {0.5, 'f', -3, "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatNumber(c.v, c.conversion, c.precision), c.text);
  }
  EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN(), 'f', 2), "nan");
  EXPECT_EQ(FormatNumber(1.7976931348623157e308, 'f', 100).size(), 309u + 1 + 100);
}

TEST_P(NumberFormat, TheProgramsNumberTextsKeepTheFullStop) {
  // Each of these once went through snprintf and came out as "0,9" under a
  // decimal-comma locale.
  EXPECT_EQ(NumberText(0.9), "0.9");
  EXPECT_EQ(NumberText(1.5e20), "1.5E+20");
  EXPECT_EQ(NumberText(static_cast<float>(0.005), 7), "0.005");
  EXPECT_EQ(FixedText(0.9, 2), "0.90");
  EXPECT_EQ(DecimalText(-2459812.125), "-2459812.125");
  EXPECT_EQ(DecimalText(1e-5), ".00001");
  EXPECT_EQ(FormatFixed(0.9, 8, 5), " 0.90000");
  EXPECT_EQ(ResultText(2459812.43172, 5), "2459812.43172");
  // What one writes, the other reads back exactly.
  for (const double v : {0.9, 2459812.4317213, -1.25e-7, 99.99}) {
    EXPECT_EQ(Val(FormatNumber(v, 'g', 17)), v);
    EXPECT_EQ(*ParseNumber(FormatNumber(v, 'e', 16)), v);
  }
}

}  // namespace
}  // namespace vantor
