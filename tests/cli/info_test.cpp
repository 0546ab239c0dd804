#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

using nlohmann::json;

TEST(CliInfo, JsonHasExactlyTheDocumentedKeys) {
  const CliRun run = RunCli(SourcePath("examples/eclipse_header.csv") + " --json");
  ASSERT_EQ(run.status, 2) << "info needs its subcommand";
  const CliRun ok = RunCli("info " + SourcePath("examples/eclipse_header.csv") + " --json");
  ASSERT_EQ(ok.status, 0) << ok.err;
  const json j = json::parse(ok.out);
  const std::vector<std::string> keys = {
      "n_all",   "n",         "hjd_base",  "t_min",      "t_max",    "t_range",           "mag_min",
      "mag_max", "mag_range", "bright_idx", "faint_idx", "inner_extreme_idx", "fold_time", "fit_param",
      "time_scale"};
  EXPECT_EQ(j.size(), keys.size());
  for (const auto& k : keys) EXPECT_TRUE(j.contains(k)) << k;
  EXPECT_EQ(j["n_all"], 60);
  EXPECT_EQ(j["n"], 60);
  EXPECT_EQ(j["hjd_base"].get<double>(), 2459812.0);
  EXPECT_EQ(j["time_scale"], "HJD_UTC");  // the header's "HJD"
  ASSERT_EQ(j["fit_param"].size(), 8u);
  // The Fourier start: Xo at the inner extreme, W = 3.14 / TRange.
  EXPECT_DOUBLE_EQ(j["fit_param"][2].get<double>(), 3.14 / j["t_range"].get<double>());
  EXPECT_NEAR(j["t_range"].get<double>(), 59 * 0.0025 + 0.004, 1e-9);
}

TEST(CliInfo, SignAndDeletionsActAsInTheWindows) {
  const std::string file = SourcePath("tests/data/header_crlf.csv");
  const json plain = json::parse(RunCli("info " + file + " --json").out);
  const CliRun run = RunCli("info " + file + " --json --cv --delete 2,5");
  ASSERT_EQ(run.status, 0) << run.err;
  const json j = json::parse(run.out);
  EXPECT_EQ(j["n_all"], 5);
  EXPECT_EQ(j["n"], 3);
  // Negated magnitudes: the brightest point of the plain curve is now the faintest.
  EXPECT_EQ(j["faint_idx"], 1);
  EXPECT_DOUBLE_EQ(j["mag_max"].get<double>(), -0.0588 + 0.1 * (-0.0588 + 0.1431));
  EXPECT_EQ(plain["faint_idx"], 4);
}

TEST(CliInfo, RefusedFileGivesStatusTwoAndNothingOnStdout) {
  const CliRun run = RunCli("info " + SourcePath("tests/data/import/one_column.txt") + " --json");
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.out.empty());
  // The program's message names its Help menu; the command line has none.
  EXPECT_NE(run.err.find("Line 2 holds no comma. A light curve is a file of comma-separated"),
            std::string::npos);
  EXPECT_EQ(run.err.find("Help"), std::string::npos);
  const CliRun missing = RunCli("info /nonexistent/file.csv");
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_NE(missing.err.find("No such file"), std::string::npos);
}

TEST(CliInfo, BadDeletionsAreRefused) {
  const std::string file = SourcePath("tests/data/header_crlf.csv");
  for (const char* arg : {"--delete 6", "--delete 0", "--delete 1,x", "--delete 1,2,3,4,5"}) {
    const CliRun run = RunCli("info " + file + " " + arg);
    EXPECT_EQ(run.status, 2) << arg;
    EXPECT_TRUE(run.out.empty()) << arg;
    EXPECT_FALSE(run.err.empty()) << arg;
  }
}

TEST(CliInfo, TableShowsTheCountsAndTheFold) {
  const CliRun run = RunCli("info " + SourcePath("examples/eclipse_no_header.csv"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Original # data points       45"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Fold HJD"), std::string::npos);
}

}  // namespace
}  // namespace vantor::testing
