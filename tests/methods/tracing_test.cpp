// Tests of the tracing-paper numbers: smoothing by moving averages, the scroll
// bar's fold and its clamping, the fold layout and the delivered result.
#include "core/tracing_paper.h"
#include "methods/tracing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "core/text.h"

namespace vantor {
namespace {

// A store holding the given working points (times relative days), with its
// limits and landmarks computed.
std::unique_ptr<Store> WithPoints(const std::vector<double>& t, const std::vector<double>& mag) {
  auto s = std::make_unique<Store>();
  s->NPoints = static_cast<int16_t>(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    s->RelTime[i + 1] = t[i];
    s->Mag[i + 1] = mag[i];
  }
  ComputeRanges(*s);
  return s;
}

// Five points whose magnitudes make every average distinct.
std::unique_ptr<Store> FivePoints() {
  return WithPoints({0.10, 0.11, 0.12, 0.13, 0.14}, {1, 2, 4, 8, 16});
}

TEST(TracingSmooth, FivePointsShrinkTheWrittenInteriorLevelByLevel) {
  auto s = FivePoints();
  StartTracing(*s);
  EXPECT_EQ(SmoothStep(*s), "3-point averaging");
  EXPECT_EQ(s->SmoothLevel, 3);
  EXPECT_EQ(s->SmoothMag[1], 1);
  EXPECT_DOUBLE_EQ(s->SmoothMag[2], 7.0 / 3);
  EXPECT_DOUBLE_EQ(s->SmoothMag[3], 14.0 / 3);
  EXPECT_DOUBLE_EQ(s->SmoothMag[4], 28.0 / 3);
  EXPECT_EQ(s->SmoothMag[5], 16);

  // Only point 3 changes, to the average of the unsmoothed magnitudes.
  EXPECT_EQ(SmoothStep(*s), "5-point averaging");
  EXPECT_EQ(s->SmoothLevel, 5);
  EXPECT_DOUBLE_EQ(s->SmoothMag[2], 7.0 / 3);
  EXPECT_DOUBLE_EQ(s->SmoothMag[3], 31.0 / 5);
  EXPECT_DOUBLE_EQ(s->SmoothMag[4], 28.0 / 3);

  // The third and fourth presses write nothing but still step the caption and level.
  const PointArray before = s->SmoothMag;
  EXPECT_EQ(SmoothStep(*s), "7-point averaging");
  EXPECT_EQ(s->SmoothLevel, 7);
  EXPECT_EQ(SmoothStep(*s), "9-point averaging");
  EXPECT_EQ(s->SmoothLevel, 9);
  EXPECT_EQ(s->SmoothMag, before);

  // At 9, or any level not in the table, the button does nothing at all.
  EXPECT_EQ(SmoothStep(*s), std::nullopt);
  EXPECT_EQ(s->SmoothLevel, 9);
  s->SmoothLevel = 4;
  EXPECT_EQ(SmoothStep(*s), std::nullopt);
  EXPECT_EQ(s->SmoothLevel, 4);
  EXPECT_EQ(s->SmoothMag, before);

  // "Go" copies the magnitudes again and leaves the level alone.
  StartTracing(*s);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(s->SmoothMag[i], s->Mag[i]);
  EXPECT_EQ(s->SmoothLevel, 4);
}

TEST(TracingSmooth, NinePointAverageOnALongerSeriesKeepsTheEnds) {
  std::vector<double> t, mag;
  for (int i = 1; i <= 12; ++i) {
    t.push_back(0.01 * i);
    mag.push_back(i * i);
  }
  auto s = WithPoints(t, mag);
  StartTracing(*s);
  for (int k = 0; k < 4; ++k) ASSERT_TRUE(SmoothStep(*s).has_value());
  // i = 5..8 hold the 9-point averages; 4 and 9 the 7-point ones; 3 and 10 the
  // 5-point ones; 2 and 11 the 3-point ones; 1 and 12 are untouched.
  auto avg = [](int centre, int half) {
    double sum = 0;
    for (int k = centre - half; k <= centre + half; ++k) sum += k * k;
    return sum / (2 * half + 1);
  };
  EXPECT_EQ(s->SmoothMag[1], 1);
  EXPECT_DOUBLE_EQ(s->SmoothMag[2], avg(2, 1));
  EXPECT_DOUBLE_EQ(s->SmoothMag[3], avg(3, 2));
  EXPECT_DOUBLE_EQ(s->SmoothMag[4], avg(4, 3));
  for (int i = 5; i <= 8; ++i) EXPECT_DOUBLE_EQ(s->SmoothMag[i], avg(i, 4)) << i;
  EXPECT_DOUBLE_EQ(s->SmoothMag[9], avg(9, 3));
  EXPECT_DOUBLE_EQ(s->SmoothMag[10], avg(10, 2));
  EXPECT_DOUBLE_EQ(s->SmoothMag[11], avg(11, 1));
  EXPECT_EQ(s->SmoothMag[12], 144);
}

TEST(TracingSmooth, UndoRestoresTheInteriorOnlyAndResetsTheLevel) {
  auto s = FivePoints();
  StartTracing(*s);
  SmoothStep(*s);
  SmoothStep(*s);
  // Ends that differ from Mag show that Undo does not touch points 1 and N.
  s->SmoothMag[1] = -7;
  s->SmoothMag[5] = -9;
  EXPECT_EQ(UndoSmooth(*s), "No averaging");
  EXPECT_EQ(s->SmoothLevel, 1);
  EXPECT_EQ(s->SmoothMag[1], -7);
  for (int i = 2; i <= 4; ++i) EXPECT_EQ(s->SmoothMag[i], s->Mag[i]) << i;
  EXPECT_EQ(s->SmoothMag[5], -9);
  // Smoothing starts again from the first width.
  EXPECT_EQ(SmoothStep(*s), "3-point averaging");
}

// Points from 0.10 to 0.20 day, faintest at 0.153456789 (index 6).
std::unique_ptr<Store> ScrollData() {
  return WithPoints({0.10, 0.12, 0.13, 0.14, 0.15, 0.153456789, 0.16, 0.18, 0.20},
                    {5.0, 5.2, 5.5, 5.8, 5.9, 6.0, 5.8, 5.3, 5.1});
}

TEST(TracingScroll, CentreGivesTheFaintestPointsUnroundedTime) {
  auto s = ScrollData();
  const ScrollFold f = FoldFromScroll(*s, 16383);
  EXPECT_EQ(f.foldTime, 0.153456789);
  EXPECT_FALSE(f.resetValue.has_value());
  // The rounded starting fold differs from it.
  EXPECT_NE(RoundTo(0.153456789, 4), f.foldTime);

  const ScrollFold right = FoldFromScroll(*s, 16383 + 250);
  EXPECT_NEAR(right.foldTime, 0.153456789 + 0.025, 1e-15);
  EXPECT_FALSE(right.resetValue.has_value());

  const ScrollOutcome settled = FoldAfterScroll(*s, 16000);
  EXPECT_NEAR(settled.foldTime, 0.153456789 - 0.0383, 1e-15);
  EXPECT_EQ(settled.value, 16000);
}

TEST(TracingScroll, FoldBeyondTheDataIsClampedAndTheBarSetBack) {
  auto s = ScrollData();
  // TMin = 0.098, TMax = 0.202, TRange = 0.104.
  const ScrollFold left = FoldFromScroll(*s, 0);
  EXPECT_NEAR(left.foldTime, 0.098 + 0.05 * 0.104, 1e-15);
  // 16383 + (0.1032 - 0.153456789) / 0.0001 = 15880.43...
  ASSERT_TRUE(left.resetValue.has_value());
  EXPECT_EQ(*left.resetValue, 15880);

  const ScrollFold right = FoldFromScroll(*s, 32767);
  EXPECT_NEAR(right.foldTime, 0.098 + 0.95 * 0.104, 1e-15);
  // 16383 + (0.1968 - 0.153456789) / 0.0001 = 16816.43...
  ASSERT_TRUE(right.resetValue.has_value());
  EXPECT_EQ(*right.resetValue, 16816);

  // The change event raised by setting the value back gives the scroll-unit fold.
  const ScrollOutcome settled = FoldAfterScroll(*s, 0);
  EXPECT_EQ(settled.value, 15880);
  EXPECT_NEAR(settled.foldTime, 0.153456789 + 0.0001 * (15880 - 16383), 1e-15);
  EXPECT_GT(settled.foldTime, s->TMin);
}

TEST(TracingScroll, ClampedFoldOutOfTheBarsReachPinsTheValue) {
  // 100 days of data with the faintest point first: the clamped fold 5 days
  // right of it has no scroll position.
  auto s = WithPoints({0.0, 25.0, 50.0, 75.0, 100.0}, {6.0, 5.5, 5.0, 5.2, 5.4});
  ASSERT_EQ(s->FaintIdx, 1);
  const ScrollFold f = FoldFromScroll(*s, 0);
  EXPECT_NEAR(f.foldTime, -0.002 + 0.05 * 100.004, 1e-12);
  ASSERT_TRUE(f.resetValue.has_value());
  EXPECT_EQ(*f.resetValue, 32767);
  // The bar then stands at its right end and the fold at the farthest it reaches.
  const ScrollOutcome settled = FoldAfterScroll(*s, 0);
  EXPECT_EQ(settled.value, 32767);
  EXPECT_NEAR(settled.foldTime, 1.6384, 1e-12);

  // Faintest point last: the clamped fold lies far left, the bar pins at 0.
  auto t = WithPoints({0.0, 25.0, 50.0, 75.0, 100.0}, {5.0, 5.2, 5.5, 5.8, 6.0});
  const ScrollFold g = FoldFromScroll(*t, 32767);
  ASSERT_TRUE(g.resetValue.has_value());
  EXPECT_EQ(*g.resetValue, 0);
}

TEST(TracingLayout, FoldOutsideTheDataIsViewedInsideIt) {
  auto s = ScrollData();
  const double width = s->TMax - s->TMin;

  s->FoldTime = 0.15;
  ComputeFoldLayout(*s);
  EXPECT_EQ(s->FoldView, 0.15);
  EXPECT_NEAR(s->FoldSpan, (0.15 - 0.10) + 0.2 * width, 1e-15);

  // Typed left of TMin: the view moves; the result is refused, a fold
  // outside the light curve being no time of minimum.
  s->FoldTime = -3.0;
  ComputeFoldLayout(*s);
  EXPECT_NEAR(s->FoldView, s->TMin + 0.1 * width, 1e-15);
  EXPECT_NEAR(s->FoldSpan, (s->FoldView - 0.10) + 0.2 * width, 1e-15);
  s->HjdBase = 2458739;
  const auto left = TracingResultAt(*s, s->FoldTime);
  ASSERT_FALSE(left.has_value());
  EXPECT_EQ(left.error().message,
            "The fold time 2458736.00000 lies outside the light curve (2458739.10000 to "
            "2458739.20000); please type a time within the light curve.");

  s->FoldTime = 7.0;
  ComputeFoldLayout(*s);
  EXPECT_NEAR(s->FoldView, s->TMax - 0.1 * width, 1e-15);
}

TEST(TracingResult, DeliversTheFullTimeAndTheFixedError) {
  auto s = ScrollData();
  s->HjdBase = 2458739;
  s->FoldTime = 0.15312345;
  const auto r = TracingResultAt(*s, s->FoldTime);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_NEAR(s->HjdBase + r->minimum.rel_time, 2458739.15312345, 1e-8);
  EXPECT_EQ(r->timeText, "2458739.15312");
  EXPECT_EQ(r->minimum.error, 0.0001);
  EXPECT_EQ(r->errorText, "0.0001");
}

TEST(TracingResult, RefusesNoDataInvertedCurveAndNonFiniteFold) {
  Store empty;
  const auto none = TracingResultAt(empty, empty.FoldTime);
  ASSERT_FALSE(none.has_value());
  EXPECT_FALSE(none.error().message.empty());

  // Brightest point in the middle, faintest at an end.
  auto inverted = WithPoints({0.1, 0.2, 0.3, 0.4, 0.5}, {6.0, 5.5, 5.0, 5.5, 5.9});
  const auto inv = TracingResultAt(*inverted, inverted->FoldTime);
  ASSERT_FALSE(inv.has_value());
  EXPECT_EQ(inv.error().message, kInvertedMessage);

  // A typed number too large for a double reads as infinity.
  auto s = ScrollData();
  s->FoldTime = Val("1e999");
  ASSERT_TRUE(std::isinf(s->FoldTime));
  const auto inf = TracingResultAt(*s, s->FoldTime);
  ASSERT_FALSE(inf.has_value());
  EXPECT_FALSE(inf.error().message.empty());

  s->FoldTime = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(TracingResultAt(*s, s->FoldTime).has_value());
  // Finite, but no time a light curve can hold ("0.1000000e+301").
  s->FoldTime = 1e300;
  EXPECT_FALSE(TracingResultAt(*s, s->FoldTime).has_value());
  s->FoldTime = 1e10;
  EXPECT_FALSE(TracingResultAt(*s, s->FoldTime).has_value());
  // Outside the light curve (--fold 5; letters typed in "Fold HJD" read as
  // 0): refused. At the end points, and within the 0.0001 d rounding of the
  // starting fold beyond them, still delivered.
  for (const double fold : {5.0, 0.0, 0.0999, 0.2001}) {
    s->FoldTime = fold;
    const auto out = TracingResultAt(*s, s->FoldTime);
    ASSERT_FALSE(out.has_value()) << fold;
    EXPECT_NE(out.error().message.find("lies outside the light curve"), std::string::npos);
  }
  for (const double fold : {0.10, 0.20, 0.09996, 0.20004}) {
    s->FoldTime = fold;
    EXPECT_TRUE(TracingResultAt(*s, s->FoldTime).has_value()) << fold;
  }
}

}  // namespace
}  // namespace vantor
