#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"
#include "core/format.h"

namespace vantor::testing {
namespace {

using nlohmann::json;

const std::string kReal = SourcePath("tests/data/real/CMDra7024.csv");
const std::string kAll =
    " --parabola 8:24 --tracing --chords 3:12,20:29 --kvw 4:28 --fourier 2:29 --sliding";

TEST(CliTime, AllSixMethodsLandOnThePublishedMinimumAndShowTheWindowDigits) {
  const CliRun run = RunCli("time " + kReal + kAll + " --combine --json");
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const json j = json::parse(run.out);
  EXPECT_EQ(j["hjd_base"].get<double>(), 58739.0);
  ASSERT_EQ(j["results"].size(), 6u);
  const char* methods[] = {"parabola", "tracing", "chords", "kvw", "fourier", "sliding"};
  for (int k = 0; k < 6; ++k) {
    const json& r = j["results"][k];
    EXPECT_EQ(r["method"], methods[k]);
    EXPECT_EQ(r["row"], k + 1);
    ASSERT_TRUE(r["ok"].get<bool>()) << r.dump();
    const double t = r["time"].get<double>();
    // Published (Deeg 2021): 58739.9291169; the tracing paper starts at the
    // faintest point rounded to 4 decimals.
    EXPECT_NEAR(t, 58739.9291169, k == 1 ? 3e-4 : 1e-4) << methods[k];
    EXPECT_EQ(r["time_text"], FormatResult(t)) << methods[k];
    if (k == 1) {
      EXPECT_EQ(r["error_text"], "0.0001");
    } else {
      EXPECT_EQ(r["error_text"], FormatResult(r["error"].get<double>())) << methods[k];
    }
  }
  for (const char* key : {"rms", "a0", "a1", "a2"}) EXPECT_TRUE(j["results"][0].contains(key));
  for (const char* key : {"samples", "centre"}) EXPECT_TRUE(j["results"][3].contains(key));
  EXPECT_EQ(j["results"][3]["samples"], 2 * 22 + 1);  // N = 25 points: M = RoundEven(22.5) = 22
  for (const char* key : {"fit_param", "chi_sq", "iterations"}) {
    EXPECT_TRUE(j["results"][4].contains(key)) << key;
  }
  EXPECT_EQ(j["results"][4]["fit_param"].size(), 8u);

  const json& c = j["combination"];
  for (const char* key : {"simple_mean", "weighted_mean", "uncertainty", "std_dev",
                          "simple_mean_text", "weighted_mean_text", "uncertainty_text",
                          "std_dev_text", "used_rows"}) {
    EXPECT_TRUE(c.contains(key)) << key;
  }
  EXPECT_EQ(c["used_rows"], json::array({1, 2, 3, 4, 5, 6}));
  EXPECT_NEAR(c["weighted_mean"].get<double>(), 58739.9291169, 1e-4);
  EXPECT_EQ(c["weighted_mean_text"], FormatResult(c["weighted_mean"].get<double>()));
  EXPECT_EQ(c["std_dev_text"], FormatResult(c["std_dev"].get<double>(), 12, 5));
}

TEST(CliTime, WithoutMethodOptionsRunsSlidingAndTracing) {
  const CliRun run = RunCli("time " + kReal + " --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const json j = json::parse(run.out);
  ASSERT_EQ(j["results"].size(), 2u);
  EXPECT_EQ(j["results"][0]["method"], "tracing");
  EXPECT_EQ(j["results"][1]["method"], "sliding");
  EXPECT_TRUE(j["combination"].is_null());
}

TEST(CliTime, OneMethodCombinedHasNoStandardDeviation) {
  const CliRun run = RunCli("time " + kReal + " --kvw 4:28 --combine --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const json c = json::parse(run.out)["combination"];
  EXPECT_TRUE(c["std_dev"].is_null());
  EXPECT_EQ(c["std_dev_text"], "");
  EXPECT_EQ(c["simple_mean"], c["weighted_mean"]);
}

TEST(CliTime, RefusalsGiveStatusOneAndStillListEveryMethod) {
  // Three points are too few for a parabola; Frac 0 gives Kwee and van Woerden no sums.
  const CliRun run =
      RunCli("time " + kReal + " --parabola 15:17 --kvw 4:28 --frac 0 --sliding --json");
  EXPECT_EQ(run.status, 1) << run.err;
  const json j = json::parse(run.out);
  ASSERT_EQ(j["results"].size(), 3u);
  EXPECT_FALSE(j["results"][0]["ok"].get<bool>());
  EXPECT_NE(j["results"][0]["message"].get<std::string>().find("at least 4 points"),
            std::string::npos);
  EXPECT_FALSE(j["results"][0].contains("time"));
  EXPECT_FALSE(j["results"][1]["ok"].get<bool>());
  EXPECT_TRUE(j["results"][2]["ok"].get<bool>());
}

TEST(CliTime, InvertedLightCurveIsRefusedByEveryMethod) {
  const CliRun run = RunCli("time " + kReal + " --cv" + kAll + " --json");
  EXPECT_EQ(run.status, 1);
  const json j = json::parse(run.out);
  ASSERT_EQ(j["results"].size(), 6u);
  for (const json& r : j["results"]) {
    EXPECT_FALSE(r["ok"].get<bool>()) << r["method"];
    EXPECT_EQ(r["message"], "Please change C-V to V-C or the reverse.") << r["method"];
  }
}

TEST(CliTime, BadUsageAndRefusedFilesGiveStatusTwo) {
  for (const std::string& args :
       {"time " + kReal + " --parabola 8-24", "time " + kReal + " --chords 3:12",
        "time " + kReal + " --start 1,2,3", "time " + kReal + " --fourier 2:29 --start 1,2,3,4,5,6,7,x",
        "time " + kReal + " --step 2", "time " + kReal + " --fold abc",
        "time " + SourcePath("tests/data/import/one_column.txt"), "time " + kReal + " --delete 31"}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_TRUE(run.out.empty()) << args;
  }
}

TEST(CliTime, FourierRangeBeyondThe16BitIndicesIsRefusedNotWrapped) {
  // 65565 and 65538 would wrap round to the points 29 and 2.
  for (const char* range : {"2:65565", "65538:29"}) {
    const CliRun run = RunCli("time " + kReal + " --fourier " + range + " --json");
    EXPECT_EQ(run.status, 1) << range;
    const json r = json::parse(run.out)["results"][0];
    EXPECT_FALSE(r["ok"].get<bool>()) << range;
    EXPECT_NE(r["message"].get<std::string>().find("not a range within points 1 to 30"),
              std::string::npos)
        << r.dump();
  }
}

TEST(CliTime, TracingFoldAndSmoothingAreApplied) {
  const CliRun run = RunCli("time " + kReal + " --fold 0.9291 --smooth 2 --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const json r = json::parse(run.out)["results"][0];
  EXPECT_EQ(r["method"], "tracing");
  EXPECT_EQ(r["time_text"], "58739.92910");
  EXPECT_EQ(r["smoothing"], "5-point averaging");
  // Presses beyond the 9-point level change nothing (and are not all made).
  const CliRun most = RunCli("time " + kReal + " --smooth 2147483647 --json");
  ASSERT_EQ(most.status, 0) << most.err;
  EXPECT_EQ(json::parse(most.out)["results"][0]["smoothing"], "9-point averaging");
}

TEST(CliTime, TableLooksLikeTheMainWindowRows) {
  const CliRun run = RunCli("time " + kReal + " --kvw 4:28 --parabola 15:17 --combine");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("4. Kwee and van Woerden"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1. Parabolic Fit           refused:"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Weighted Mean uncertainty"), std::string::npos);
}

}  // namespace
}  // namespace vantor::testing
