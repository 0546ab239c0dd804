// Typed values on the command line that once gave a number that is no result
// (a Fourier fit that never left its start or landed days outside the data,
// a fold outside the light curve), overflowed a range's count, or were
// refused with words that did not say why: each is refused, saying why.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

using nlohmann::json;

TEST(CliRefusal, ValuesThatGiveNoResultAreRefusedSayingWhy) {
  struct Case {
    const char* args;
    const char* method;
    const char* says;
  };
  const Case cases[] = {
      // Used to deliver the starting X0 with error 00.00000, and a time 100
      // days outside the data with +-817 d, both used in the means.
      {"--fourier 2:29 --start 0.43,0.5,1e300,1,0,0,0,0", "fourier", "gives no time of minimum"},
      // (The fit by angle addition now fails to converge from there.)
      {"--fourier 2:29 --start 100,1.2,20,1,0,0,0,0", "fourier", "gives no time of minimum"},
      // Used to deliver 2459817.00000 (relative 5 days).
      {"--fold 5", "tracing", "lies outside the light curve"},
      {"--fold 0", "tracing", "please type a time within the light curve"},
      // Overflowed a signed int (UBSan) before the range was checked.
      {"--parabola=-2147483648:2147483647", "parabola", "outside the points 1 to 30"},
      {"--chords=-2147483648:0,0:2147483647", "chords", "outside the points 1 to 30"},
      {"--chords=-2147483648:2147483647,-2147483648:2147483647", "chords",
       "outside the points 1 to 30"},
      // Clear words: used to say "needs at least 4 points ... holds 1/0".
      {"--parabola 0:0", "parabola", "The range 0 to 0 reaches outside the points 1 to 30"},
      {"--parabola 24:8", "parabola", "The range 24 to 8 runs backwards"},
  };
  for (const Case& c : cases) {
    const CliRun run =
        RunCli("time " + SourcePath("tests/data/real/CMDra7024.csv") + " --json --combine " + c.args);
    EXPECT_EQ(run.status, 1) << c.args << ": " << run.err;
    ASSERT_TRUE(json::accept(run.out)) << c.args;
    const json j = json::parse(run.out);
    bool found = false;
    for (const json& r : j["results"]) {
      if (r["method"] != c.method) continue;
      found = true;
      EXPECT_FALSE(r["ok"].get<bool>()) << c.args << " delivered " << r.dump();
      EXPECT_NE(r.value("message", std::string()).find(c.says), std::string::npos)
          << c.args << ": " << r.dump();
    }
    EXPECT_TRUE(found) << c.args;
  }
  // An exclusion from point 0 used to send the user to the window's
  // "Exclude" button and right-clicks.
  const CliRun exclude = RunCli("time " + SourcePath("tests/data/real/CMDra7024.csv") +
                                " --fourier 2:29 --exclude 0:100");
  EXPECT_EQ(exclude.status, 2);
  EXPECT_NE(exclude.err.find("point numbers start at 1"), std::string::npos) << exclude.err;
  EXPECT_EQ(exclude.err.find("right-click"), std::string::npos) << exclude.err;
  // An ordinary fit from typed starting values still delivers.
  const CliRun ordinary = RunCli("time " + SourcePath("tests/data/real/CMDra7024.csv") +
                                 " --json --fourier 2:29");
  EXPECT_EQ(ordinary.status, 0) << ordinary.out;
}

}  // namespace
}  // namespace vantor::testing
