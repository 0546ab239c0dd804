#include "core/text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantor {
namespace {

TEST(Val, ReadsTheLeadingNumber) {
  EXPECT_DOUBLE_EQ(Val("1.25"), 1.25);
  EXPECT_DOUBLE_EQ(Val("   .9"), 0.9);
  EXPECT_DOUBLE_EQ(Val("-3.5abc"), -3.5);
  EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(Val("2e3x"), 2000.0);
  EXPECT_DOUBLE_EQ(Val("2D-2"), 0.02);
  EXPECT_DOUBLE_EQ(Val("7e"), 7.0);
  EXPECT_DOUBLE_EQ(Val("+4"), 4.0);
}

TEST(Val, SkipsBlanksInsideTheNumber) {
  EXPECT_DOUBLE_EQ(Val(" 1 2 . 5"), 12.5);
  EXPECT_DOUBLE_EQ(Val("- 1"), -1.0);
  EXPECT_DOUBLE_EQ(Val("1 e 2"), 100.0);
}

TEST(Val, TextWithoutLeadingNumberReadsZero) {
  EXPECT_EQ(Val(""), 0.0);
  EXPECT_EQ(Val("abc"), 0.0);
  EXPECT_EQ(Val("."), 0.0);
  EXPECT_EQ(Val("--1"), 0.0);
  EXPECT_EQ(Val("x1"), 0.0);
}

TEST(Val, OverflowReadsInfinityForTheCallerToCheck) {
  EXPECT_TRUE(std::isinf(Val("1e999")));
}

TEST(NumberText, DoubleAndSinglePrecision) {
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(12), "12");
  EXPECT_EQ(NumberText(-2.5), "-2.5");
  EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberText(static_cast<float>(0.005), 7), "0.005");
  EXPECT_EQ(NumberText(static_cast<float>(0.01), 7), "0.01");
  EXPECT_EQ(NumberText(static_cast<float>(0.2), 7), "0.2");
  EXPECT_EQ(NumberText(1e-7), "1E-07");
  EXPECT_EQ(NumberText(1.5e20), "1.5E+20");
}

TEST(IntegerTexts, SignPositionKeptOrNot) {
  EXPECT_EQ(SignedIntText(12), " 12");
  EXPECT_EQ(SignedIntText(0), " 0");
  EXPECT_EQ(SignedIntText(-3), "-3");
  EXPECT_EQ(IntText(12), "12");
}

TEST(QuotedName, ShowsEveryByteThatCouldReachATerminalAsHex) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"lc.csv", "\"lc.csv\""},
      {"\x1b[31mred.csv", "\"\\x1B[31mred.csv\""},   // an escape sequence
      {"a\nb\r", "\"a\\x0Ab\\x0D\""},                // line ends
      {"caf\xC3\xA9.csv", "\"caf\xC3\xA9.csv\""},     // whole UTF-8 passes
      {"caf\xE9.csv", "\"caf\\xE9.csv\""},           // Latin-1 is not UTF-8
      {"\xC2\x9B" "31m", "\"\\xC2\\x9B31m\""},        // a C1 control (CSI) in UTF-8
      {"\xC0\xAF", "\"\\xC0\\xAF\""},                // an overlong slash
      {"x\xE2\x82", "\"x\\xE2\\x82\""},              // a character cut short
      {"\x7f", "\"\\x7F\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuotedName(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace vantor
