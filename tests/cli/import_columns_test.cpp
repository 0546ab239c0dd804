// vantor-cli on comma files the original reader would take but whose header
// asks for more: a flux column is turned into magnitudes and the notes on
// stderr say which column was taken for what; a time column named with its
// offset converts to BJD_TDB exactly as the same file with full dates.
#include <gtest/gtest.h>

#include <cmath>

#include <nlohmann/json.hpp>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

using json = nlohmann::json;

std::string Imp(const std::string& name) { return SourcePath("tests/data/import/" + name); }

TEST(CliImportColumns, AFluxHeaderInTheOriginalLayoutIsReadAsFluxAndSaidSo) {
  const CliRun run = RunCli("info " + Imp("hjd_flux_comma.csv") + " --json");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Time: column 1 \"HJD\" (the first column named with JD, TIME or DATE; "
                         "HJD_UTC); fluxes: column 2 \"flux\" (the first flux column; no error column)."),
            std::string::npos)
      << run.err;
  const json j = json::parse(run.out);
  // Magnitudes relative to the median flux 0.95: the brightest point, flux
  // 1.0, is -0.0557 mag, the faintest, 0.70, +0.3316 mag (the plot limits
  // lie beyond both); read as magnitudes the fluxes would lie in 0.7..1.0.
  EXPECT_LT(j["mag_min"].get<double>(), -2.5 * std::log10(1.0 / 0.95));
  EXPECT_GT(j["mag_max"].get<double>(), -2.5 * std::log10(0.70 / 0.95));
  EXPECT_EQ(j["faint_idx"], 4);
}

TEST(CliImportColumns, AnOffsetHeaderConvertsExactlyAsTheFullDates) {
  const std::string to = " --to bjd-tdb --ra 201.298 --dec -11.161 --json";
  const CliRun reduced = RunCli("info " + Imp("hjd_offset_comma.csv") + to);
  const CliRun full = RunCli("info " + Imp("hjd_full_comma.csv") + to);
  ASSERT_EQ(reduced.status, 0) << reduced.err;
  ASSERT_EQ(full.status, 0) << full.err;
  const json a = json::parse(reduced.out), b = json::parse(full.out);
  EXPECT_EQ(a["hjd_base"], 2459812.0);
  EXPECT_EQ(a["hjd_base"], b["hjd_base"]);
  EXPECT_EQ(a["t_min"], b["t_min"]);
  EXPECT_EQ(a["fit_param"][0], b["fit_param"][0]);
  EXPECT_NE(reduced.err.find("The times were given less 2400000.0; the converted times are full Julian Dates."),
            std::string::npos)
      << reduced.err;
}

TEST(CliImportColumns, AnOffsetTheImporterCannotReadIsRefusedNamingTheColumn) {
  const CliRun run = RunCli("info " + Imp("jd_bad_offset.csv"));
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("The time column 1 (\"JD-24OOOOO\") names a constant taken off the times"),
            std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace vantor::testing
