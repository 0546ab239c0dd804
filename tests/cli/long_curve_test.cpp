// Light curves longer than the desktop's store (1000 points) on the command
// line: a night of 2500 points timed with automatic ranges and one of 10 000
// points by Kwee and van Woerden over every point, each a seeded synthetic
// eclipse with a known minimum; every point is used (no binning).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "core/number.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double kTrueMinimum = 2459812.4316;

// A Gaussian eclipse 0.6 mag deep, sigma 0.03 d, at kTrueMinimum, in n
// evenly spread times over 0.3 d, with noise of 0.004 mag (mt19937 seed 5).
std::string WriteNight(int n) {
  const fs::path path = fs::temp_directory_path() / ("vantor_night_" + std::to_string(n) + ".csv");
  std::ofstream f(path);
  f << "HJD,V-C\n";
  std::mt19937 rng(5);
  std::normal_distribution<double> noise(0, 0.004);
  for (int i = 0; i < n; ++i) {
    const double t = kTrueMinimum - 0.15 + 0.3 * i / (n - 1);
    const double m = 0.35 + 0.6 * std::exp(-0.5 * std::pow((t - kTrueMinimum) / 0.03, 2)) + noise(rng);
    f << FormatNumber(t, 'f', 6) << ',' << FormatNumber(m, 'f', 4) << '\n';
  }
  return path.string();
}

struct LongCase {
  int points;
  const char* options;
  std::vector<std::string> delivering;  // methods that must deliver
};

const LongCase kLongCases[] = {
    {2500, "--auto", {"parabola", "chords", "kvw", "fourier"}},
    {10000, "--kvw 1:10000", {"kvw"}},
};

TEST(LongLightCurves, EveryPointIsTimedAndTheMinimumFound) {
  for (const LongCase& c : kLongCases) {
    SCOPED_TRACE(c.options);
    const std::string file = WriteNight(c.points);
    const CliRun info = RunCli("info '" + file + "' --json");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(json::parse(info.out)["n"], c.points);

    const CliRun run = RunCli("time '" + file + "' " + c.options + " --json");
    ASSERT_TRUE(run.status == 0 || run.status == 1) << run.err;
    const json j = json::parse(run.out);
    EXPECT_EQ(j["points"], c.points);  // timed whole, not binned
    for (const std::string& method : c.delivering) {
      bool found = false;
      for (const json& r : j["results"]) {
        if (r["method"] != method) continue;
        found = true;
        ASSERT_TRUE(r["ok"].get<bool>()) << method << ": " << r.dump();
        EXPECT_NEAR(r["time"].get<double>(), kTrueMinimum, 0.0005) << method;
      }
      EXPECT_TRUE(found) << method;
    }
    // The table names every point as used.
    const CliRun table = RunCli("time '" + file + "' " + c.options);
    const std::string used = "(" + std::to_string(c.points) + " of " + std::to_string(c.points) + " points";
    EXPECT_NE(table.out.find(used), std::string::npos) << table.out;
    fs::remove(file);
  }
}

}  // namespace
}  // namespace vantor::testing
