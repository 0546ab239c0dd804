// Tests of TimeMethod and the method setups: every setup runs its own method
// with its own values, the common checks refuse for every method alike,
// TimeMethod changes nothing, and what a setup's description says in the report.
#include "methods/time_method.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/format.h"
#include "core/reader.h"
#include "methods/auto_ranges.h"

namespace vantor {
namespace {

std::unique_ptr<Store> Example() {
  auto s = std::make_unique<Store>();
  s->DataFilePath = VANTOR_SOURCE_DIR "/examples/eclipse_header.csv";
  EXPECT_TRUE(ReadLightCurve(*s).has_value());
  return s;
}

// One setup of every method on the example, with the method called directly
// on the same values.
struct Case {
  MethodSetup setup;
  std::function<MethodResult<Minimum>(Store&)> direct;
};

template <class R>
MethodResult<Minimum> MinimumOf(const MethodResult<R>& r) {
  if (!r) return std::unexpected(r.error());
  return r->minimum;
}

std::vector<Case> ExampleCases(const Store& s) {
  std::array<double, 9> start = s.FitParam;
  return {
      {ParabolaSetup{{24, 37}}, [](Store& st) { return MinimumOf(FitParabola(st, 24, 37)); }},
      {TracingSetup{0.41, 5}, [](Store& st) { return MinimumOf(TracingResultAt(st, 0.41)); }},
      {ChordsSetup{{12, 20}, {40, 48}},
       [](Store& st) { return MinimumOf(BisectChords(st, 12, 20, 40, 48)); }},
      {KvwSetup{{15, 45}, {"2", ".7"}},
       [](Store& st) {
         return MinimumOf(KweeVanWoerden(st, 15, 45, KvwParams{2, 0.7}));
       }},
      {FourierSetup{{10, 50}, IndexRange{29, 31}, start},
       [start](Store& st) {
         return MinimumOf(FitFourier(st, FourierSetup{{10, 50}, IndexRange{29, 31}, start}));
       }},
      {SlidingSetup{},
       [](Store& st) {
         const auto run = RunSlidingIntegrations(st);
         if (!run) return MethodResult<Minimum>(std::unexpected(run.error()));
         return MethodResult<Minimum>(run->result.minimum);
       }},
  };
}

TEST(TimeMethod, EachSetupRunsItsMethodWithItsValuesAndChangesNothing) {
  auto s = Example();
  for (const Case& c : ExampleCases(*s)) {
    SCOPED_TRACE("row " + std::to_string(RowOf(c.setup)));
    const Store before = *s;
    const auto t = TimeMethod(*s, c.setup);
    ASSERT_TRUE(t.has_value()) << t.error().message;
    EXPECT_TRUE(*s == before);
    auto scratch = std::make_unique<Store>(*s);
    const auto direct = c.direct(*scratch);
    ASSERT_TRUE(direct.has_value()) << direct.error().message;
    EXPECT_EQ(t->row, RowOf(c.setup));
    EXPECT_EQ(t->result.index(), c.setup.index());
    EXPECT_EQ(t->minimum.rel_time, direct->rel_time);
    EXPECT_EQ(t->minimum.error, direct->error);
    EXPECT_EQ(t->time, s->HjdBase + direct->rel_time);
    EXPECT_EQ(t->timeText, FormatResult(s->HjdBase + direct->rel_time));
    // Only the tracing paper shows its fixed error in its own way.
    EXPECT_EQ(t->errorText, RowOf(c.setup) == 2 ? "0.0001" : FormatResult(direct->error));
  }
}

TEST(TimeMethod, CommonChecksRefuseEveryMethodAlike) {
  auto inverted = Example();
  ApplyMagSign(*inverted, 1);  // the eclipse now reads as a maximum
  ASSERT_TRUE(LooksInverted(*inverted));
  Store empty;
  for (const Case& c : ExampleCases(*inverted)) {
    SCOPED_TRACE("row " + std::to_string(RowOf(c.setup)));
    const auto t = TimeMethod(*inverted, c.setup);
    ASSERT_FALSE(t.has_value());
    EXPECT_EQ(t.error().message, kInvertedMessage);
    const auto none = TimeMethod(empty, c.setup);
    ASSERT_FALSE(none.has_value());
    EXPECT_NE(none.error().message.find("load a light curve"), std::string::npos);
  }
}

}  // namespace
}  // namespace vantor
