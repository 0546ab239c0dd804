// vantor-cli's importer options: other layouts, columns, stars and filters,
// time scales and their conversion, time intervals; and that a file the
// original reader reads gives the same numbers whether or not it goes
// through the importer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

using json = nlohmann::json;

std::string Imp(const std::string& name) { return SourcePath("tests/data/import/" + name); }

TEST(CliImport, ReadsOtherLayoutsAndNamesTheirTimeScale) {
  struct Case {
    std::string args;
    int n;
    std::string scale;
  };
  const std::vector<Case> cases = {
      {"info " + Imp("aavso_hjd.txt") + " --json", 40, "HJD_UTC"},
      {"info " + Imp("aavso_two_stars.txt") + " --star 'rz cas' --json", 20, "JD_UTC"},
      {"info " + Imp("aij_measurements.tbl") + " --json", 40, "BJD_TDB"},
      {"info " + Imp("aij_measurements.tbl") + " --time-col HJD_UTC --json", 40, "HJD_UTC"},
      {"info " + Imp("munipack_jd.txt") + " --json", 40, "JD_UTC"},
      {"info " + Imp("bjd_flux.lc") + " --json", 40, "BJD_TDB"},
      {"info " + Imp("semicolon_decimal_comma.csv") + " --json", 40, "HJD_UTC"},
      {"info " + Imp("flux_seven_columns.csv") + " --json", 40, "JD_UTC"},
      {"info " + Imp("hash_comments.csv") + " --time-scale bjd-tdb --json", 30, "BJD_TDB"},
      {"info " + Imp("bjd_flux.lc") + " --to hjd-utc --ra 269.2183 --dec 4.9875 --json", 40, "HJD_UTC"},
      {"info " + Imp("munipack_jd.txt") + " --from 2459812.35 --until 2459812.45 --json", 20, "JD_UTC"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.args);
    ASSERT_EQ(run.status, 0) << c.args << "\n" << run.err;
    const json j = json::parse(run.out);
    EXPECT_EQ(j["n_all"], c.n) << c.args;
    EXPECT_EQ(j["time_scale"], c.scale) << c.args;
  }
}

TEST(CliImport, RefusalsNameWhatIsMissing) {
  struct Case {
    std::string args, message;
  };
  const std::vector<Case> cases = {
      {"info " + Imp("aavso_two_stars.txt"), "The file holds 2 stars: TX UMA, RZ CAS. Choose one with --star."},
      {"info " + Imp("bjd_flux.lc") + " --to hjd-utc",
       "Converting BJD_TDB to HJD_UTC needs the star's coordinates: give --ra and --dec"},
      {"info " + Imp("semicolon_decimal_comma.csv") + " --time-scale unknown --to bjd-tdb --ra 10 --dec 10",
       "The times are in an unknown time scale"},
      {"time " + Imp("hash_comments.csv") + " --err-col sigma", "--err-col \"sigma\": the file has no such column. Its columns are: 1 \"HJD\""},
      {"info " + Imp("munipack_jd.txt") + " --from 2459813", "No observation lies in the time interval chosen"},
      {"info " + Imp("bjd_flux.lc") + " --format fits", "as FITS"},
      {"info " + Imp("bjd_flux.lc") + " --format excel", "--format \"excel\": choose auto, vantor, table"},
      {"info " + Imp("bjd_flux.lc") + " --ra 10", "--ra and --dec go together"},
      {"batch " + Imp("aavso_bad_date.txt"), "aavso_bad_date.txt: Line 8, field 2 (DATE)"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.args);
    EXPECT_NE(run.status, 0) << c.args;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << "\n" << run.err;
  }
}

TEST(CliImport, OriginalFileThroughTheImporterGivesTheSameTimes) {
  const std::string file = SourcePath("examples/eclipse_header.csv");
  const CliRun plain = RunCli("time " + file + " --auto --combine --json");
  const CliRun imported = RunCli("time " + file + " --format table --auto --combine --json");
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(imported.status, 0) << imported.err;
  json a = json::parse(plain.out), b = json::parse(imported.out);
  EXPECT_EQ(a["results"], b["results"]);
  EXPECT_EQ(a["combination"], b["combination"]);
  EXPECT_EQ(b["time_scale"], "HJD_UTC");
}

TEST(CliImport, BatchAppliesTheOptionsToEveryFileAndNamesTheScale) {
  const CliRun run = RunCli("batch --time-scale bjd-tdb " + Imp("munipack_jdhel.txt") + " " +
                            Imp("bjd_flux.lc"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("munipack_jdhel.txt,sliding,"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(",BJD_TDB\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("HJD_UTC"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vantor::testing
