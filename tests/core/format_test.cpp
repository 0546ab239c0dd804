#include "core/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantor {
namespace {

TEST(DecimalText, PlainDecimalWithoutLeadingZeroOrExponent) {
  EXPECT_EQ(DecimalText(0), "0");
  EXPECT_EQ(DecimalText(0.5), ".5");
  EXPECT_EQ(DecimalText(-0.5), "-.5");
  EXPECT_EQ(DecimalText(123.45), "123.45");
  EXPECT_EQ(DecimalText(2.0), "2");
  EXPECT_EQ(DecimalText(1.5e9), "1500000000");
  EXPECT_EQ(DecimalText(1e-7), ".0000001");
  // 15 significant digits hide the binary representation error.
  EXPECT_EQ(DecimalText(0.1 + 0.2), ".3");
  EXPECT_EQ(DecimalText(2459123.456789012345), "2459123.45678901");
}

TEST(FormatFixed, ExamplesOfTheMainWindow) {
  EXPECT_EQ(FormatFixed(123.45, 10, 5), " 123.45000");
  EXPECT_EQ(FormatFixed(0.00123, 10, 5), "   0.00123");
  EXPECT_EQ(FormatFixed(-0.5, 8, 3), "  -0.500");
  EXPECT_EQ(FormatFixed(0, 8, 3), "  00.000");
}

TEST(FormatFixed, RoundingBranchAddsNoZeros) {
  EXPECT_EQ(FormatFixed(1.2000004, 10, 5), "       1.2");
  EXPECT_EQ(FormatFixed(2.5, 4, 0), "   3");
  EXPECT_EQ(FormatFixed(1.23456, 10, 3), "     1.235");
}

TEST(FormatFixed, TooLongByLessThanDecimalsPlusOneIsCut) {
  EXPECT_EQ(FormatFixed(3.14159, 5, 4), "3.141");
  // Rounding to a whole number leaves no decimals to cut: the cut would show
  // -17619627, a hundred times too small.
  EXPECT_EQ(FormatFixed(-1761962752.0000107, 9, 3), "-0.17e+10");
  EXPECT_EQ(FormatFixed(123456789012345.000001, 14, 5), "0.12345679e+15");
}

TEST(FormatFixed, FallsBackToScientificKeepingTheSign) {
  EXPECT_EQ(FormatFixed(1.5e9, 8, 3), "0.15e+10");
  EXPECT_EQ(FormatFixed(-1.5e9, 9, 3), "-0.15e+10");
}

TEST(FormatFixed, FullHjdWithFiveDecimalsFitsFourteen) {
  EXPECT_EQ(FormatFixed(2458739.9291169, 14, 5), " 2458739.92912");
  EXPECT_EQ(FormatResult(2458739.9291169), "2458739.92912");
  EXPECT_EQ(FormatResult(0.0000125), "0.00001");
}

TEST(ResultText, FiveDecimalsAreTheBoxesOfAlwaysAndMoreWidenTheField) {
  struct Case {
    double x;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {2458739.9291169, 5, "2458739.92912"}, {2458739.9291169, 6, "2458739.929117"},
      {2458739.9291169, 7, "2458739.9291169"}, {4.35e-6, 6, "0.000004"},
      {4.35e-6, 7, "0.0000044"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResultText(c.x, c.decimals), c.text) << c.decimals;
  for (const double x : {2458739.9291169, 4.35e-6, 0.00173, -12.5}) {
    EXPECT_EQ(ResultText(x), FormatResult(x, 14, 5));
    EXPECT_EQ(StdDevText(x), FormatResult(x, 12, 5));
  }
  EXPECT_TRUE(BelowPrecision(4.35e-6, 5));
  EXPECT_FALSE(BelowPrecision(4.35e-6, 6));
  EXPECT_TRUE(BelowPrecision(-4.9e-8, 7));
  EXPECT_FALSE(BelowPrecision(5.1e-6, 5));
}

TEST(FormatFixed, NonFiniteValuesNeverCrash) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 6, 2), "   NaN");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 6, 2), "   Inf");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 2, 2), "-I");
}

TEST(FormatFixed, ExtremeMagnitudesStayFinite) {
  // A three-digit exponent is the one case where the scientific form is a
  // character longer than asked for.
  EXPECT_EQ(FormatFixed(1e300, 10, 2), "0.1000e+301");
  EXPECT_EQ(FormatFixed(1e-300, 10, 2), "        00");
  // Below six characters no scientific form fits: stars, not an overrun
  // (and no recursion without end).
  EXPECT_EQ(FormatFixed(-1.5e9, 3, 2), "***");
  EXPECT_EQ(FormatFixed(12345.6, 5, 1), "*****");
  EXPECT_FALSE(FormatFixed(std::numeric_limits<double>::max(), 12, 5).empty());
}

TEST(FormatSci, ZeroAndTinyValues) {
  EXPECT_EQ(FormatSci(0, 10, 3), "  .000e+00");
  EXPECT_EQ(FormatSci(1e-17, 9, 3), " .000e+00");
  EXPECT_EQ(FormatSci(0.0123, 9, 3), "0.123e-01");
  EXPECT_EQ(FormatSci(5, 8, 2), "0.50e+01");
}

TEST(FormatSci, DecimalsReducedToWidthMinusSix) {
  EXPECT_EQ(FormatSci(123.456, 9, 10), "0.123e+03");
}

TEST(PadInt, PadsOnTheLeftAndKeepsLongTexts) {
  EXPECT_EQ(PadInt(7, 2, '0'), "07");
  EXPECT_EQ(PadInt(123, 2, '0'), "123");
  EXPECT_EQ(PadInt(12, 4, ' '), "  12");
  EXPECT_EQ(PadInt(-5, 3, '0'), "0-5");
}

}  // namespace
}  // namespace vantor
