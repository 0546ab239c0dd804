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

}  // namespace
}  // namespace vantor
