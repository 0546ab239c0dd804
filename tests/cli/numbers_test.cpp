// Numbers on the command line, checked in-process (the Python module runs
// the same checks inside its host's process, whose locale may have a decimal
// comma): every option takes one number by the core's strict rule, one sign
// at most, the full stop as decimal point, in the C locale and under
// de_DE.UTF-8 alike.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

#include "cli/series_args.h"
#include "cli/time_run.h"
#include "service/import_options.h"

namespace vantor::cli {
namespace {

class CliNumbers : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
        << GetParam() << " is not installed: run scripts/install-deps";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

INSTANTIATE_TEST_SUITE_P(CAndDecimalComma, CliNumbers, ::testing::Values("C", "de_DE.UTF-8"),
                         [](const auto& info) { return std::string(info.param).substr(0, 5); });

struct Case {
  const char* text;
  bool taken;
  double value;  // when taken
};

const Case kCases[] = {
    {"1.2683900", true, 1.26839}, {"+0.5", true, 0.5},  {"-.5", true, -0.5},
    {"1e-3", true, 0.001},        {"+-0.5", false, 0},  {"-+0.5", false, 0},
    {"1,5", false, 0},            {"0x1p3", false, 0},  {"inf", false, 0},
    {"nan", false, 0},            {"1.5 x", false, 0},  {"", false, 0},
};

TEST_P(CliNumbers, TimeFoldAndFourierStart) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    TimeArgs a;
    a.fold = c.text;
    TimePlan p;
    std::string usage;
    if (*c.text == '\0') continue;  // an empty --fold means "not given"
    ASSERT_EQ(PlanTime(a, p, usage), c.taken) << usage;
    if (c.taken) {
      EXPECT_EQ(*p.fold, c.value);
    }

    TimeArgs s;
    s.start = std::string("0.43,1,2,3,4,5,6,") + c.text;
    TimePlan q;
    ASSERT_EQ(PlanTime(s, q, usage), c.taken) << usage;
    if (c.taken) {
      EXPECT_EQ((*q.start)[8], c.value);
    }
  }
}

TEST_P(CliNumbers, SeriesEphemeris) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    SeriesArgs a;
    a.epoch = "2459812.4316";
    a.period = c.text;
    service::SeriesRequest r;
    std::string usage;
    ASSERT_EQ(PlanSeries(a, r, usage), c.taken) << usage;
    if (c.taken) {
      EXPECT_EQ(r.options.ephemeris.period, c.value);
      EXPECT_EQ(r.options.ephemeris.epoch, 2459812.4316);
    }
  }
}

TEST_P(CliNumbers, ImportIntervalAndCoordinates) {
  for (const Case& c : kCases) {
    if (*c.text == '\0') continue;  // no bound
    SCOPED_TRACE(c.text);
    service::ImportChoice choice;
    choice.from = std::string(c.text);
    const auto p = service::ParseImportChoice(choice);
    ASSERT_EQ(p.has_value(), c.taken);
    if (c.taken) {
      EXPECT_EQ(*p->interval.from, c.value);
    }
  }
  const struct {
    const char* dec;
    bool taken;
  } decs[] = {{"-12:30:00", true}, {"+12.5", true}, {"-+12:30:00", false}, {"12,5", false}};
  for (const auto& d : decs) {
    SCOPED_TRACE(d.dec);
    service::ImportChoice choice;
    choice.to = "bjd-tdb";
    choice.timeScale = "jd-utc";
    choice.ra = "201.5";
    choice.dec = d.dec;
    const auto p = service::ParseImportChoice(choice);
    ASSERT_EQ(p.has_value(), d.taken) << (p ? "" : p.error().message);
    if (d.taken) {
      EXPECT_EQ(std::abs(p->star->decDeg), 12.5);
    }
  }
}

}  // namespace
}  // namespace vantor::cli
