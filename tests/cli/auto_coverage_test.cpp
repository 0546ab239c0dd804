// vantor-cli time --auto on nights the automatic ranges must not bridge: a
// gap inside the eclipse, and a night that holds a second eclipse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double kDeep = 2459812.4317;  // the deep eclipse's minimum

double Dip(double t, double t0, double depth, double width) {
  const double u = std::fabs(t - t0) / width;
  return u < 1 ? depth * std::pow(1 - u * u, 1.5) : 0.0;
}

// A light curve every 0.0012 d from kDeep - 0.2 to kDeep + 0.2: the deep
// eclipse (0.8 mag) and, `offset` days from it, one of `other` mag (none for
// 0); the times from kDeep + `after` on moved `shift` days later. A fixed
// wobble of 0.003 mag stands for the noise.
std::string Night(double offset, double other, double after = 1, double shift = 0) {
  std::string text = "HJD,V-C\n";
  char line[64];
  for (int i = 0; i <= 333; ++i) {
    const double x = -0.2 + 0.0012 * i;
    const double m = 10 + Dip(x, 0, 0.8, 0.04) + Dip(x, offset, other, 0.04) +
                     0.003 * std::sin(12.9898 * i * i + 4.1414 * i);
    std::snprintf(line, sizeof line, "%.5f,%.4f\n", kDeep + x + (x >= after ? shift : 0), m);
    text += line;
  }
  return text;
}

class CliAutoCoverage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vantor-cli-auto-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  fs::path dir_;
};

TEST_F(CliAutoCoverage, TwoEclipsesOnANightAreTimedOnTheDeepestAndTheRangesSaySo) {
  // The bisected chords used to give a time between the two eclipses, and
  // sliding integrations one pulled towards the other.
  for (const double offset : {-0.15, 0.15}) {
    SCOPED_TRACE(offset);
    const std::string file = Write("two.csv", Night(offset, 0.45));
    const CliRun run = RunCli("time --auto --combine --json '" + file + "'");
    ASSERT_TRUE(json::accept(run.out)) << run.err;
    const json j = json::parse(run.out);
    const std::string note = j["ranges"]["eclipses"].get<std::string>();
    EXPECT_NE(note.find("every method times the deepest"), std::string::npos) << note;
    EXPECT_NE(note.find(offset < 0 ? "another eclipse before it" : "another eclipse after it"),
              std::string::npos)
        << note;
    int delivered = 0;
    for (const json& r : j["results"]) {
      if (!r["ok"].get<bool>()) {
        EXPECT_FALSE(r["message"].get<std::string>().empty());
        continue;
      }
      ++delivered;
      EXPECT_NEAR(r["time"].get<double>(), kDeep, 0.002) << r["method"];
    }
    EXPECT_GE(delivered, 4);
    EXPECT_NEAR(j["combination"]["weighted_mean"].get<double>(), kDeep, 0.001);

    const CliRun text = RunCli("time --auto --combine '" + file + "'");
    EXPECT_NE(text.out.find("\n" + note + "\n"), std::string::npos) << text.out;
  }
  // One eclipse: no note, in the JSON or the text.
  const std::string one = Write("one.csv", Night(0, 0));
  EXPECT_FALSE(json::parse(RunCli("time --auto --json '" + one + "'").out)["ranges"].contains(
      "eclipses"));
  EXPECT_EQ(RunCli("time --auto '" + one + "'").out.find("more than one eclipse"),
            std::string::npos);
}

TEST_F(CliAutoCoverage, AGapInTheEclipseRefusesEveryAutomaticRow) {
  // The egress observed five days later used to give times inside the gap.
  const std::string file = Write("gap.csv", Night(0, 0, 0.002, 5.0));
  const CliRun run = RunCli("time --auto --combine --json '" + file + "'");
  EXPECT_EQ(run.status, 1);
  const json j = json::parse(run.out);
  for (const json& r : j["results"]) {
    EXPECT_FALSE(r["ok"].get<bool>()) << r["method"] << " delivered " << r["time"];
    EXPECT_EQ(r["message"].get<std::string>().rfind("Gap in the eclipse: no point for 5.", 0), 0u)
        << r["message"];
  }
  EXPECT_FALSE(j["combination"]["simple_mean"].is_number());
}

}  // namespace
}  // namespace vantor::testing
