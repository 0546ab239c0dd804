// vantor-cli at 6 or 7 decimals, and what it says of an error that shows as
// zero; the parabola on the narrow ranges a space light curve needs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "cli_runner.h"
#include "core/format.h"

namespace vantor::testing {
namespace {

using nlohmann::json;

const std::string kReal = SourcePath("tests/data/real/CMDra7024.csv");
constexpr const char* kNotice = "error below the shown precision \u2014 choose more decimals";

// A 1000-point eclipse (depth 0.8 mag, minimum at 2459000.55) with 0.3 mmag
// of Gaussian noise from a fixed generator, so that every build reads the
// same file.
std::string PreciseEclipse() {
  const auto path = std::filesystem::temp_directory_path() / "vantor_precise_eclipse.csv";
  std::ofstream f(path);
  uint64_t state = 12345;
  const auto uniform = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
  };
  for (int i = 0; i < 1000; ++i) {
    const double t = 2459000.5 + 0.1 * i / 999.0;
    const double u = (t - 2459000.55) / 0.012;
    const double noise = std::sqrt(-2 * std::log(uniform())) * std::cos(6.283185307179586 * uniform());
    char line[64];
    std::snprintf(line, sizeof line, "%.7f,%.5f\n", t, 10 + 0.8 * std::exp(-u * u) + 0.0003 * noise);
    f << line;
  }
  return path.string();
}

TEST(CliPrecision, ParabolaOnANarrowSpaceRangeLandsOnThePublishedMinimum) {
  // Eleven points around the bottom of CM Dra 7024: the sums on the times as
  // they are keep too few digits, the fit is solved about the mean time.
  const CliRun run = RunCli("time " + kReal + " --parabola 11:21 --json");
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const json r = json::parse(run.out)["results"][0];
  ASSERT_TRUE(r["ok"].get<bool>()) << r.dump();
  EXPECT_NEAR(r["time"].get<double>(), 58739.9291169, 3.0 / 86400);
}

TEST(CliPrecision, SevenDecimalsKeepAPreciseKweeVanWoerdenInTheMeans) {
  const std::string file = PreciseEclipse();
  struct Case {
    const char* decimals;
    bool kvwUsed;
  };
  for (const Case c : {Case{"", false}, Case{" --decimals 5", false}, Case{" --decimals 7", true}}) {
    const CliRun run =
        RunCli("time " + file + " --parabola 400:600 --kvw 300:700 --combine --json" + c.decimals);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    const json j = json::parse(run.out);
    const json& kvw = j["results"][1];
    ASSERT_TRUE(kvw["ok"].get<bool>()) << kvw.dump();
    const double error = kvw["error"].get<double>();
    ASSERT_GT(error, 5e-8);
    ASSERT_LT(error, 5e-6) << "the error must round to zero at 5 decimals";
    const int d = c.kvwUsed ? 7 : 5;
    EXPECT_EQ(kvw["error_text"], ResultText(error, d)) << c.decimals;
    EXPECT_EQ(kvw["time_text"], ResultText(kvw["time"].get<double>(), d)) << c.decimals;
    const json& comb = j["combination"];
    EXPECT_EQ(comb["used_rows"], c.kvwUsed ? json::array({1, 4}) : json::array({1})) << c.decimals;
    EXPECT_EQ(comb["weighted_mean_text"], ResultText(comb["weighted_mean"].get<double>(), d));
    // Never left out silently.
    EXPECT_EQ(kvw.contains("below_precision"), !c.kvwUsed) << c.decimals;
    EXPECT_EQ(comb.contains("below_precision_rows"), !c.kvwUsed) << c.decimals;
    if (!c.kvwUsed) {
      EXPECT_EQ(comb["below_precision_rows"], json::array({4}));
      EXPECT_EQ(comb["notice"], kNotice);
    }
  }
  // The table says it too, under the means.
  const CliRun table = RunCli("time " + file + " --parabola 400:600 --kvw 300:700 --combine");
  EXPECT_NE(table.out.find(std::string("4. Kwee and van Woerden: not used, ") + kNotice),
            std::string::npos)
      << table.out;
  const CliRun batch = RunCli("batch --decimals 6 " + file);
  EXPECT_EQ(batch.status, 0) << batch.err;
  // The tracing paper's fold (error 0.0001) is combined, at six decimals
  // (the last column names the time scale).
  EXPECT_TRUE(std::regex_search(batch.out, std::regex(",tracing,2459000\\.5[0-9]{5},0\\.0001,yes,,unknown\n")))
      << batch.out;
  EXPECT_TRUE(std::regex_search(batch.out, std::regex(",combination,2459000\\.5[0-9]{5},0\\.000100,1,,unknown\n")))
      << batch.out;
  std::filesystem::remove(file);
}

TEST(CliPrecision, DecimalsOutsideFiveToSevenAreUsageErrors) {
  for (const char* args : {"time --decimals 4 ", "time --decimals 8 ", "batch --decimals 9 "}) {
    EXPECT_EQ(RunCli(std::string(args) + kReal).status, 2) << args;
  }
  // Six decimals: the time has one digit more than the default's.
  const CliRun run = RunCli("time " + kReal + " --kvw 4:28 --decimals 6 --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string text = json::parse(run.out)["results"][0]["time_text"];
  EXPECT_EQ(text.size(), std::string("58739.929117").size()) << text;
}

}  // namespace
}  // namespace vantor::testing
