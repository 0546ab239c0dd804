#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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

TEST(CliBootstrap, ProgressOnlyWhenStandardErrorIsATerminal) {
  const std::string args = SourcePath("tests/data/real/CMDra7024.csv") +
                           " --parabola 8:24 --kvw 4:28 --bootstrap 300 --json";
  // A log: not a carriage return nor an escape sequence.
  const CliRun logged = RunCli("time " + args);
  ASSERT_EQ(logged.status, 0) << logged.err;
  EXPECT_EQ(logged.err, "");
  // A terminal (script(1) gives the program one): the count rewritten in place.
  const std::string cmd = "script -qec \"" + std::string(VANTOR_CLI) + " time " + args +
                          " >/dev/null\" /dev/null";
  FILE* p = ::popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string terminal;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) terminal.append(buf, n);
  ASSERT_EQ(::pclose(p), 0) << terminal;
  EXPECT_NE(terminal.find("\rBootstrap: 1 of 600 resampled light curves (0 %)"), std::string::npos)
      << terminal;
  EXPECT_NE(terminal.find("\rBootstrap: 600 of 600 resampled light curves (100 %)"),
            std::string::npos)
      << terminal;
  // Once a percent, not once a curve.
  EXPECT_LT(std::count(terminal.begin(), terminal.end(), '\r'), 150) << terminal;
}

TEST(CliBootstrap, WeightsFromBootstrapErrorsAreUsedAndSaid) {
  // The parabola's own error is far smaller than its scatter: it pulls the
  // weighted mean of its own weights towards it.
  const std::string file = SourcePath("examples/eclipse_header.csv");
  const std::string methods = " --parabola 22:33 --tracing --kvw 10:45 --combine --json";
  const nlohmann::json own = nlohmann::json::parse(RunCli("time " + file + methods).out);
  const CliRun run = RunCli("time " + file + methods + " --weights bootstrap");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json boot = nlohmann::json::parse(run.out);
  const nlohmann::json& c = boot["combination"];
  EXPECT_EQ(c["weights"], "bootstrap");
  EXPECT_FALSE(own["combination"].contains("weights")) << "the default stays as it was";
  // The weights are 1 / bootstrap error^2 (200 curves unless --bootstrap
  // says otherwise; the times and errors as shown); the tracing paper keeps
  // its own error, and says so.
  double sw = 0, swt = 0;
  for (const auto& r : boot["results"]) {
    const double e = r.contains("bootstrap_error_text")
                         ? std::stod(r["bootstrap_error_text"].get<std::string>())
                         : std::stod(r["error_text"].get<std::string>());
    sw += 1 / (e * e);
    swt += (std::stod(r["time_text"].get<std::string>()) - 2459812) / (e * e);
    if (r["method"] != "tracing") {
      EXPECT_EQ(r["bootstrap_delivered"].get<int>(), 200);
    }
  }
  EXPECT_NEAR(c["weighted_mean"].get<double>(), 2459812 + swt / sw, 1e-9);
  EXPECT_NEAR(c["uncertainty"].get<double>(), std::sqrt(1 / sw), 1e-12);
  EXPECT_GT(std::fabs(c["weighted_mean"].get<double>() -
                      own["combination"]["weighted_mean"].get<double>()),
            1e-6);
  const std::string note = c["weights_note"].get<std::string>();
  EXPECT_EQ(note.rfind("Weights from bootstrap errors of 200 resampled light curves: 1. Parabolic "
                       "Fit ",
                       0),
            0u)
      << note;
  EXPECT_NE(note.find("Weighted by their own errors: 2. Tracing Paper 0.0001 (The tracing "
                      "paper's time is the fold chosen by hand)."),
            std::string::npos)
      << note;

  // The text says it too; --bootstrap N sets the curves; bad usage is refused.
  const CliRun text =
      RunCli("time " + file + " --parabola 22:33 --combine --weights bootstrap --bootstrap 30");
  EXPECT_NE(text.out.find("Weights from bootstrap errors of 30 resampled light curves"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(RunCli("time " + file + " --parabola 22:33 --weights bootstrap").status, 2);
  EXPECT_EQ(RunCli("time " + file + " --parabola 22:33 --combine --weights best").status, 2);
}

}  // namespace
}  // namespace vantor::testing
