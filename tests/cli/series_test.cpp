// Tests of vantor-cli series on the two real CM Dra eclipses joined into one
// file: the JSON table with both published minima, the lines for O-C tools,
// and bad usage.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

const std::string kJoined = SourcePath("tests/data/series/cmdra_7023_7024.csv");
const std::string kEphemeris = " --epoch 58739.9291 --period 1.2683900 --half-width 0.025";

TEST(CliSeries, JsonGivesBothPublishedMinimaTheirOMinusCAndARefinedEphemeris) {
  const CliRun run = RunCli("series " + kJoined + kEphemeris + " --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["ephemeris"]["epoch"], 58739.9291);
  EXPECT_EQ(j["ephemeris"]["period"], 1.26839);
  ASSERT_TRUE(j["ephemeris"]["refined"].is_object());
  ASSERT_EQ(j["rows"].size(), 2u);
  const double published[2] = {58738.6607358, 58739.9291169};
  const double publishedError[2] = {0.0000191, 0.0000125};
  for (int k = 0; k < 2; ++k) {
    const auto& row = j["rows"][k];
    EXPECT_EQ(row["cycle"], k - 1);
    EXPECT_EQ(row["kind"], "P");
    const double t = row["time"], e = row["error"];
    EXPECT_LT(std::fabs(t - published[k]), 3 * std::hypot(e, publishedError[k])) << row.dump();
    EXPECT_DOUBLE_EQ(row["o_minus_c"].get<double>(), t - row["predicted"].get<double>());
    EXPECT_GE(row["methods"].size(), 3u);
    EXPECT_EQ(row["message"], "");
  }
}

TEST(CliSeries, OcLinesAndBadUsage) {
  const CliRun oc = RunCli("series " + kJoined + kEphemeris + " --oc");
  ASSERT_EQ(oc.status, 0) << oc.err;
  EXPECT_EQ(oc.out.rfind("-1.0, 58738.66", 0), 0u) << oc.out;
  EXPECT_NE(oc.out.find("\n0.0, 58739.92"), std::string::npos) << oc.out;

  struct Case {
    const char* args;
    const char* says;
  };
  for (const Case& c :
       {Case{"", "give --epoch and --period"}, Case{" --epoch 1 --period x", "--period expects"},
        Case{" --epoch 58739.9 --period 1.27 --secondary 2", "phase"},
        Case{" --epoch 58739.9 --period -1", "positive"},
        Case{" --find", "at least 3 are needed"}}) {
    const CliRun run = RunCli("series " + kJoined + c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << ": " << run.err;
  }
}

}  // namespace
}  // namespace vantor::testing
