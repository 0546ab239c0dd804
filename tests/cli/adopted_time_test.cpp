// vantor-cli time --combine's adopted time on a real eclipse, and --detrend
// on an eclipse over a sloping baseline.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <nlohmann/json.hpp>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

using nlohmann::json;

// CM Dra, 2019-09 (Deeg 2021): 58739.9291169 +- 0.0000125.
TEST(CliAdoptedTime, CmDraLiesOnThePublishedTimeWithAnErrorNoSmallerThanTheMethodsScatter) {
  const CliRun run =
      RunCli("time " + SourcePath("tests/data/real/CMDra7024.csv") + " --auto --combine --json");
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const json j = json::parse(run.out);
  const json& a = j["combination"]["adopted"];
  ASSERT_TRUE(a["time"].is_number()) << a.dump();
  const double time = a["time"], error = a["error"];
  EXPECT_LT(std::fabs(time - 58739.9291169), 3 * error) << a.dump();
  // The standard error of the times it combined.
  std::vector<double> times;
  for (const json& r : j["results"]) {
    for (const json& m : a["methods"]) {
      if (r["method"] == m) times.push_back(r["time"]);
    }
  }
  ASSERT_EQ(times.size(), a["methods"].size());
  ASSERT_GE(times.size(), 3u);
  double mean = 0, ss = 0;
  for (double t : times) mean += t / times.size();
  for (double t : times) ss += (t - mean) * (t - mean);
  const double n = static_cast<double>(times.size());
  EXPECT_GE(error, std::sqrt(ss / (n - 1) / n) * (1 - 1e-9));
  for (const json& m : a["methods"]) EXPECT_NE(m, "sliding");
  EXPECT_NE(a["note"].get<std::string>().find("sliding left out"), std::string::npos);
  // The means stay those of "Calc. Means", sliding integrations included.
  EXPECT_EQ(j["combination"]["used_rows"].size(), 5u);

  const CliRun text =
      RunCli("time " + SourcePath("tests/data/real/CMDra7024.csv") + " --auto --combine");
  EXPECT_NE(text.out.find("Weighted Mean              58739.92911"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Adopted Time               58739.92911"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Adopted Time error"), std::string::npos);
}

// An eclipse 0.1 d long and 0.5 mag deep on a baseline rising 1 mag/d, with
// 2 mmag of noise: its file, and the true minimum 2459000.5.
std::string SlopedEclipseFile(double from, double to) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("vantor_sloped_" + std::to_string(from) + ".csv");
  std::ofstream f(path);
  std::mt19937 rng(5);
  std::normal_distribution<double> g(0.0, 0.002);
  f << "HJD,mag\n";
  for (double t = from; t <= to + 1e-9; t += 0.002) {
    const double x = (t - 0.5) / 0.05;
    const double m = 10 + 1.0 * (t - 0.5) + (x * x < 1 ? 0.5 * std::pow(1 - x * x, 1.5) : 0.0);
    char line[64];
    std::snprintf(line, sizeof line, "%.6f,%.5f\n", 2459000 + t, m + g(rng));
    f << line;
  }
  return path.string();
}

TEST(CliAdoptedTime, DetrendRemovesTheSlopeAndWarnsOfIt) {
  const std::string file = SlopedEclipseFile(0.38, 0.62);
  const json plain = json::parse(RunCli("time " + file + " --auto --combine --json").out);
  const CliRun run = RunCli("time " + file + " --auto --combine --detrend --json");
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const json j = json::parse(run.out);
  ASSERT_TRUE(j["baseline"]["removed"].get<bool>()) << j["baseline"].dump();
  EXPECT_EQ(j["baseline"]["degree"], 1);
  EXPECT_NEAR(j["baseline"]["slope"].get<double>(), 1.0, 0.05);
  const double shift = j["baseline"]["shift"];
  const double fixed = j["combination"]["adopted"]["time"];
  const double sloped = plain["combination"]["adopted"]["time"];
  const double error = j["combination"]["adopted"]["error"];
  EXPECT_LT(std::fabs(fixed - 2459000.5), std::max(3 * error, 0.2 * shift));
  EXPECT_GT(std::fabs(sloped - 2459000.5), 0.5 * shift);
  EXPECT_FALSE(plain.contains("baseline"));
  EXPECT_NE(j["baseline"]["warning"].get<std::string>().find("alone moves the minimum"),
            std::string::npos);

  const CliRun text = RunCli("time " + file + " --auto --combine --detrend");
  EXPECT_NE(text.out.find("Baseline: linear baseline removed: slope "), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("Warning: the baseline's slope"), std::string::npos) << text.out;

  // A night that starts inside the eclipse: no baseline from one side.
  const CliRun half = RunCli("time " + SlopedEclipseFile(0.47, 0.62) + " --auto --detrend");
  EXPECT_NE(half.out.find("Baseline: No baseline removed: "), std::string::npos) << half.out;
  EXPECT_NE(half.out.find("before the eclipse"), std::string::npos) << half.out;
}

}  // namespace
}  // namespace vantor::testing
