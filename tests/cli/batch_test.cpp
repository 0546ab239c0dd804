#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

using nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kReal = SourcePath("tests/data/real/CMDra7024.csv");

TEST(CliBatch, CsvRowPerFileAndMethodWithARefusedFileInBetween) {
  const CliRun run = RunCli("batch " + SourcePath("examples/eclipse_header.csv") + " " +
                            SourcePath("tests/data/import/one_column.txt") + " " + kReal);
  EXPECT_EQ(run.status, 1) << "a refused file makes the run fail, the others still run";
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u + 3 + 1 + 3) << run.out;
  EXPECT_EQ(lines[0], "file,method,time,error,used,message,time_scale");
  EXPECT_NE(lines[2].find("eclipse_header.csv,sliding,2459812.43169,0.0001,yes,"),
            std::string::npos);
  EXPECT_NE(lines[4].find("one_column.txt,file,,,no,\"Line 2 holds no comma. A light curve is"),
            std::string::npos);
  EXPECT_NE(lines[7].find("CMDra7024.csv,combination,"), std::string::npos);
  EXPECT_NE(run.err.find("one_column.txt: Line 2 holds no comma"), std::string::npos);
  EXPECT_EQ(run.err.find("Help"), std::string::npos) << "the command line has no Help menu";
}

// Any number of threads writes the same rows in the order of the files, the
// same messages (no progress lines: stderr is not a terminal here) and the same
// status, with unreadable files among readable ones, as CSV and as JSON.
TEST(CliBatch, OutputIsTheSameForAnyNumberOfJobs) {
  std::string files;
  for (const char* f : {"examples/eclipse_header.csv", "tests/data/no_comma.csv",
                        "tests/data/real/CMDra7024.csv", "examples/eclipse_no_header.csv",
                        "tests/data/real/CMDra7023.csv", "tests/data/not_a_number.csv",
                        "examples/eclipse_three_columns.csv", "tests/data/real/testleft.csv"}) {
    files += " " + SourcePath(f);
  }
  for (const std::string options : {"batch", "batch --auto --json"}) {
    const CliRun one = RunCli(options + " --jobs 1" + files);
    EXPECT_EQ(one.status, 1) << options;
    EXPECT_NE(one.err.find("not_a_number.csv: "), std::string::npos) << options;
    for (const std::string jobs : {" --jobs 2", " --jobs 3", " -j 16", ""}) {
      const CliRun many = RunCli(options + jobs + files);
      EXPECT_EQ(many.status, one.status) << options << jobs;
      EXPECT_EQ(many.out, one.out) << options << jobs;
      EXPECT_EQ(many.err, one.err) << options << jobs;
    }
  }
  EXPECT_EQ(RunCli("batch --jobs 0" + files).status, 2);
}

TEST(CliBatch, AutoTimesEveryRangeMethodAndAgreesWithTimeAuto) {
  const CliRun batch = RunCli("batch --auto --json " + kReal);
  ASSERT_EQ(batch.status, 0) << batch.err;
  const json files = json::parse(batch.out);
  ASSERT_EQ(files.size(), 1u);
  const json& results = files[0]["results"];
  ASSERT_EQ(results.size(), 5u);
  const CliRun time = RunCli("time --auto --json --combine " + kReal);
  ASSERT_EQ(time.status, 0) << time.err;
  const json t = json::parse(time.out);
  ASSERT_TRUE(t.contains("ranges"));
  for (const char* m : {"parabola", "chords", "kvw", "fourier", "sliding"}) {
    EXPECT_TRUE(t["ranges"].contains(m)) << m;
  }
  for (size_t k = 0; k < 5; ++k) {
    ASSERT_TRUE(results[k]["ok"].get<bool>()) << results[k].dump();
    EXPECT_EQ(results[k]["time_text"], t["results"][k]["time_text"]);
    // CM Dra 7024, published 58739.9291169.
    EXPECT_NEAR(results[k]["time"].get<double>(), 58739.9291169, 0.0005);
  }
  EXPECT_EQ(files[0]["combination"]["weighted_mean_text"], t["combination"]["weighted_mean_text"]);
}

TEST(CliBatch, AutoRefusesALightCurveWithoutAnEclipse) {
  const CliRun run = RunCli("time --auto --json " + SourcePath("tests/data/exactly_1000.csv"));
  EXPECT_EQ(run.status, 1);
  const json j = json::parse(run.out);
  for (const json& r : j["results"]) {
    EXPECT_FALSE(r["ok"].get<bool>()) << r.dump();
    EXPECT_FALSE(r["message"].get<std::string>().empty());
  }
}

TEST(CliBatch, UsageErrors) {
  EXPECT_EQ(RunCli("batch --csv --json " + kReal).status, 2);
  EXPECT_EQ(RunCli("batch").status, 2);
  EXPECT_EQ(RunCli("time --auto --parabola 1:5 " + kReal).status, 2);
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST(CliBootstrap, ErrorsBesideTheMethodsOwnAndReproducible) {
  const std::string args = "time " + SourcePath("tests/data/real/CMDra7024.csv") +
                           " --kvw 4:28 --sliding --tracing --bootstrap 40 --json";
  const CliRun first = RunCli(args);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(RunCli(args).out, first.out) << "the same seed must give the same numbers";
  const nlohmann::json j = nlohmann::json::parse(first.out);
  for (const auto& r : j["results"]) {
    if (r["method"] == "tracing") {
      EXPECT_TRUE(r.contains("bootstrap_message"));
      continue;
    }
    const double e = r["bootstrap_error"].get<double>();
    // CM Dra's published error is 0.0000125 d; the resampled scatter is of that order.
    EXPECT_GT(e, 1e-6) << r["method"];
    EXPECT_LT(e, 1e-4) << r["method"];
    EXPECT_EQ(r["bootstrap_delivered"], 40);
  }
  EXPECT_EQ(RunCli("time " + SourcePath("tests/data/real/CMDra7024.csv") + " --bootstrap 1").status,
            2);
}

}  // namespace
}  // namespace vantor::testing
