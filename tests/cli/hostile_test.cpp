// Hostile and degenerate light curves through all six methods of
// vantor-cli time. Each case runs the command line (no crash, no hang, exit
// status 0 or 1, one JSON object) and the same options in-process (the loaded
// light curve is exactly as loaded afterwards). Every method either refuses
// with a message or delivers a finite time and error shown with the main
// window's digits; where the curve has a known minimum, the delivered times
// lie near it. The synthetic curves are made here, without noise unless a seed
// is given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cli/time_run.h"
#include "service/session.h"
#include "service/time_service.h"
#include "cli_runner.h"
#include "core/format.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double kBase = 2459812.0;

struct Point {
  double t, mag;  // relative days, magnitude
};

// A Gaussian eclipse of depth 0.8 mag and width w days at t0 on a 0.3 mag level.
double Gaussian(double t, double t0 = 0.43, double w = 0.03) {
  return 0.3 + 0.8 * std::exp(-std::pow((t - t0) / w, 2));
}

// The method options of one run, for the command line and in-process alike;
// a case names the ranges it needs in this order and leaves the rest empty.
struct Options {
  std::string parabola = {}, chords = {}, kvw = {}, fourier = {}, exclude = {}, deletions = {};
  bool cv = false;

  std::string Cli() const {
    std::string a = " --tracing --sliding";
    if (cv) a += " --cv";
    if (!parabola.empty()) a += " --parabola " + parabola;
    if (!chords.empty()) a += " --chords " + chords;
    if (!kvw.empty()) a += " --kvw " + kvw;
    if (!fourier.empty()) a += " --fourier " + fourier;
    if (!exclude.empty()) a += " --exclude " + exclude;
    if (!deletions.empty()) a += " --delete " + deletions;
    return a;
  }
  cli::TimeArgs Args(const std::string& file) const {
    cli::TimeArgs a;
    a.session.file = file;
    a.session.cv = cv;
    a.tracing = a.sliding = a.combine = true;
    a.parabola = parabola;
    a.chords = chords;
    a.kvw = kvw;
    a.fourier = fourier;
    a.exclude = exclude;
    a.deleteList = deletions;
    return a;
  }
};

// The outcome of one method in a run: its message, or its time.
struct Outcome {
  bool ok = false;
  double time = 0;
  std::string message;
};

class HostileCurves : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("vantor-hostile-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static std::string Write(const std::string& name, const std::vector<Point>& points) {
    const std::string path = (dir_ / name).string();
    std::ofstream f(path);
    f << "HJD,V-C\n";
    f.precision(12);
    for (const Point& p : points) f << kBase + p.t << "," << p.mag << "\n";
    return path;
  }

  // Runs the options on the file from the command line and in-process and
  // checks what every run must give; returns each method's outcome by name.
  static std::map<std::string, Outcome> Run(const std::string& file, const Options& o) {
    const CliRun run = RunCli("time " + file + o.Cli() + " --combine --json");
    EXPECT_TRUE(run.status == 0 || run.status == 1) << o.Cli() << "\n" << run.err;
    std::map<std::string, Outcome> outcomes;
    json j;
    try {
      j = json::parse(run.out);
    } catch (const json::exception& e) {
      ADD_FAILURE() << "no JSON from" << o.Cli() << ": " << e.what() << "\n" << run.out;
      return outcomes;
    }
    for (const json& r : j["results"]) {
      Outcome& out = outcomes[r["method"].get<std::string>()];
      out.ok = r["ok"].get<bool>();
      if (!out.ok) {
        out.message = r["message"].get<std::string>();
        EXPECT_FALSE(out.message.empty()) << r.dump();
        continue;
      }
      // JSON has no NaN or infinity: such a number would come out as null.
      EXPECT_TRUE(r["time"].is_number() && r["error"].is_number()) << r.dump();
      if (!r["time"].is_number() || !r["error"].is_number()) continue;
      out.time = r["time"].get<double>();
      EXPECT_TRUE(std::isfinite(out.time) && std::isfinite(r["error"].get<double>()));
      EXPECT_EQ(r["time_text"], FormatResult(out.time)) << r.dump();
      EXPECT_EQ(r["time_text"].get<std::string>().find('e'), std::string::npos) << r.dump();
    }
    const json& c = j["combination"];
    if (!c["simple_mean"].is_null()) {
      for (const char* key : {"simple_mean", "weighted_mean", "uncertainty"}) {
        EXPECT_TRUE(c[key].is_number()) << key << ": " << c.dump();
      }
    }

    // In-process: the methods leave the loaded light curve as it was.
    cli::TimePlan plan;
    std::string usage;
    EXPECT_TRUE(cli::PlanTime(o.Args(file), plan, usage)) << usage;
    auto s = service::LoadSession(plan.session);
    if (!s) {
      ADD_FAILURE() << s.error().message;
      return outcomes;
    }
    const service::Session loaded = *s;
    service::TimeRequest request;
    request.setups = service::PlannedSetups(*s, plan);
    const auto rows = service::RunTime(s->View(), request).rows;
    EXPECT_EQ(rows.size(), outcomes.size());
    EXPECT_TRUE(s->HjdRaw == loaded.HjdRaw && s->MagRaw == loaded.MagRaw &&
                s->Deleted == loaded.Deleted && s->Working.RelTime == loaded.Working.RelTime &&
                s->Working.Mag == loaded.Working.Mag && s->FoldTime == loaded.FoldTime &&
                s->FitParam == loaded.FitParam && s->View().TMin == loaded.View().TMin &&
                s->View().MagMax == loaded.View().MagMax &&
                s->View().FaintIdx == loaded.View().FaintIdx)
        << "a method changed the light curve of " << file;
    return outcomes;
  }

  static std::set<std::string> Delivered(const std::map<std::string, Outcome>& outcomes) {
    std::set<std::string> names;
    for (const auto& [name, out] : outcomes) {
      if (out.ok) names.insert(name);
    }
    return names;
  }

  static fs::path dir_;
};

fs::path HostileCurves::dir_;

const std::string kReal = SourcePath("tests/data/real/CMDra7024.csv");

TEST_F(HostileCurves, RangesOfOneToFourPointsAreRefusedWhereTooShort) {
  for (int n = 1; n <= 4; ++n) {
    const std::string r = "13:" + std::to_string(12 + n);
    const auto out = Run(kReal, {r, "4:" + std::to_string(3 + n) + ",24:" + std::to_string(23 + n),
                                 r, r});
    if (n < 4) {
      EXPECT_NE(out.at("parabola").message.find("at least 4 points"), std::string::npos);
    }
    EXPECT_NE(out.at("kvw").message.find("more than 4 points"), std::string::npos);
    EXPECT_NE(out.at("fourier").message.find("at least 8 points"), std::string::npos);
  }
}

TEST_F(HostileCurves, ReversedRangesAreRefused) {
  const auto out = Run(kReal, {"24:8", "12:3,29:20", "28:4", "29:2"});
  EXPECT_EQ(Delivered(out), (std::set<std::string>{"tracing", "sliding"}));
  for (const char* m : {"parabola", "chords", "kvw", "fourier"}) {
    EXPECT_TRUE(out.at(m).message.find("backwards") != std::string::npos ||
                out.at(m).message.find("not a range") != std::string::npos)
        << out.at(m).message;
  }
  const auto excluded = Run(kReal, {"", "", "", "2:29", "15:12"});
  EXPECT_NE(excluded.at("fourier").message.find("reversed"), std::string::npos);
}

TEST_F(HostileCurves, RangesAtAndBeyondTheEndsOfTheSeries) {
  const auto ends = Run(kReal, {"1:30", "1:8,23:30", "1:30", "1:30"});
  for (const auto& [name, out] : ends) {
    if (out.ok) {
      EXPECT_NEAR(out.time, 58739.9291169, 0.002) << name;
    }
  }
  const auto beyond = Run(kReal, {"0:12", "3:12,20:31", "25:31", "2:31"});
  EXPECT_EQ(Delivered(beyond), (std::set<std::string>{"tracing", "sliding"}));
  for (const char* m : {"parabola", "chords", "kvw"}) {
    EXPECT_NE(beyond.at(m).message.find("outside the points 1 to 30"), std::string::npos)
        << m << ": " << beyond.at(m).message;
  }
}

TEST_F(HostileCurves, AllMagnitudesEqualLeaveOnlyTheTracingPaper) {
  std::vector<Point> flat;
  for (int i = 0; i < 30; ++i) flat.push_back({0.35 + 0.0025 * i, 0.5});
  const auto out = Run(Write("equal.csv", flat), {"5:25", "3:12,20:29", "4:28", "2:29"});
  // The tracing paper reports its fold, which starts on the first of the equal points.
  EXPECT_EQ(Delivered(out), std::set<std::string>{"tracing"});
  EXPECT_NE(out.at("parabola").message.find("magnitudes of the range are equal"),
            std::string::npos);
}

TEST_F(HostileCurves, DuplicateTimesAndASinglePointLeft) {
  std::vector<Point> pairs;  // every time twice, with the same magnitude
  for (int i = 0; i < 66; ++i) {
    const double t = 0.35 + 0.005 * (i / 2);
    pairs.push_back({t, Gaussian(t)});
  }
  const auto out = Run(Write("duplicates.csv", pairs), {"20:48", "10:24,44:58", "12:56", "6:62"});
  for (const auto& [name, o] : out) {
    if (o.ok) {
      EXPECT_NEAR(o.time, kBase + 0.43, 0.003) << name;
    }
  }
  EXPECT_TRUE(Delivered(out).contains("fourier"));

  std::string all;
  for (int i = 2; i <= 30; ++i) all += (i > 2 ? "," : "") + std::to_string(i);
  Options one{"1:1", "1:1,1:1", "1:1", "1:1"};
  one.deletions = all;
  EXPECT_EQ(Delivered(Run(kReal, one)), std::set<std::string>{"tracing"});
}

TEST_F(HostileCurves, ThousandPointsWithNoiseLandNearTheTrueMinimum) {
  std::mt19937 rng(7);  // seed 7; true minimum 0.43, noise 0.005 mag
  std::normal_distribution<double> noise(0, 0.005);
  std::vector<Point> many;
  for (int i = 0; i < 1000; ++i) {
    const double t = 0.23 + 0.0004 * i;
    many.push_back({t, Gaussian(t) + noise(rng)});
  }
  const auto out =
      Run(Write("thousand.csv", many), {"300:700", "380:430,570:620", "200:800", "100:900"});
  EXPECT_EQ(Delivered(out).size(), 6u);
  for (const auto& [name, o] : out) EXPECT_NEAR(o.time, kBase + 0.43, 0.001) << name;
}

TEST_F(HostileCurves, SpanBeyondTheTracingPapersReachAndAFlatBottom) {
  std::vector<Point> wide;  // four days, minimum at 2.0
  for (int i = 0; i < 200; ++i) wide.push_back({0.02 * i, Gaussian(0.02 * i, 2.0, 0.3)});
  const auto w = Run(Write("four_days.csv", wide), {"80:120", "60:85,115:140", "70:130", "50:150"});
  EXPECT_EQ(Delivered(w).size(), 6u);
  for (const auto& [name, o] : w) EXPECT_NEAR(o.time, kBase + 2.0, 0.006) << name;

  std::vector<Point> total;  // a total eclipse: flat bottom from 0.42 to 0.44
  for (int i = 0; i < 81; ++i) {
    const double t = 0.35 + 0.002 * i, d = std::fabs(t - 0.43);
    total.push_back({t, d < 0.01 ? 1.1 : (d < 0.04 ? 0.3 + 0.8 * (0.04 - d) / 0.03 : 0.3)});
  }
  const auto f = Run(Write("flat_bottom.csv", total), {"21:61", "23:35,47:59", "11:71", "6:76"});
  EXPECT_EQ(Delivered(f).size(), 6u);
  for (const auto& [name, o] : f) {
    // The tracing paper starts on the first bottom point.
    EXPECT_NEAR(o.time, kBase + 0.43, name == "tracing" ? 0.0101 : 0.001) << name;
  }
}

TEST_F(HostileCurves, PureNoiseNeverGivesAnUnsoundNumber) {
  std::mt19937 rng(11);  // seed 11: 60 points of 0.05 mag noise, no eclipse
  std::normal_distribution<double> noise(0, 0.05);
  std::vector<Point> points;
  for (int i = 0; i < 60; ++i) points.push_back({0.35 + 0.002 * i, 0.5 + noise(rng)});
  const std::string file = Write("noise.csv", points);
  Options o{"5:55", "3:25,35:58", "4:56", "2:59"};
  Run(file, o);
  o.cv = true;
  Run(file, o);
}

TEST_F(HostileCurves, TimesOutOfOrderAreRefusedAtLoadNamingTheLine) {
  const CliRun run = RunCli("time " + SourcePath("tests/data/out_of_order.csv") + " --json");
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("Line 4, field 1 (HJD)"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("in time order"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vantor::testing
