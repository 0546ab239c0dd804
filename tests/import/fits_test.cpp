// Kepler/TESS light-curve FITS files written by fits_writer.cpp: time
// reference, time scale, coordinates, flux choice, dropped rows, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "fits_writer.h"
#include "import/fits.h"
#include "import/importer.h"

namespace vantor::import {
namespace {

using test::FitsLightCurve;
using test::FitsRow;
using test::WriteFitsLightCurve;

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vantor_fits_" + std::to_string(::getpid()) + "_" + name)).string();
}

FitsLightCurve Sample() {
  FitsLightCurve lc;
  const double nan = std::nan("");
  for (int i = 0; i < 10; ++i) {
    lc.rows.push_back({1683.25 + i * 0.00138889, 1000.0 + i, 2.0, 900.0, 3.0, 0});
  }
  lc.rows[3].quality = 128;     // flagged
  lc.rows[5].pdcsap = nan;      // missing flux
  lc.rows[7].time = nan;        // missing time
  return lc;
}

TEST(FitsLightCurve, ReadsTimesFluxesAndHeader) {
  const std::string path = TempPath("lc.fits");
  ASSERT_EQ(WriteFitsLightCurve(path, Sample()), 0);
  const auto s = ImportFile(path, ImportOptions{});
  ASSERT_TRUE(s.has_value()) << s.error().message;
  EXPECT_EQ(s->format, Format::Fits);
  EXPECT_EQ(s->size(), 7u);
  EXPECT_EQ(s->droppedRows, 3);
  EXPECT_EQ(s->timeScale, TimeScale::BjdTdb);
  EXPECT_NEAR(s->time.front(), 2458683.25, 1e-9);
  EXPECT_EQ(s->valueColumn, "PDCSAP_FLUX");
  EXPECT_EQ(s->errColumn, "PDCSAP_FLUX_ERR");
  EXPECT_TRUE(s->fromFlux);
  // Fluxes 1000, 1001, 1002, 1004, 1006, 1008, 1009: median 1004.
  EXPECT_NEAR(s->mag.front(), -2.5 * std::log10(1000.0 / 1004.0), 1e-6);
  EXPECT_NEAR(s->err.front(), 1.0857 * 2.0 / 1000.0, 1e-9);
  ASSERT_TRUE(s->raDeg.has_value());
  EXPECT_DOUBLE_EQ(*s->raDeg, 201.298);
  EXPECT_DOUBLE_EQ(*s->decDeg, -11.161);

  ImportOptions sap;
  sap.fluxCol = "SAP_FLUX";
  const auto t = ImportFile(path, sap);
  ASSERT_TRUE(t.has_value()) << t.error().message;
  EXPECT_EQ(t->size(), 8u);  // the missing PDCSAP flux no longer matters
  EXPECT_EQ(t->errColumn, "SAP_FLUX_ERR");
  std::filesystem::remove(path);
}

TEST(FitsLightCurve, RefusesWhatItCannotRead) {
  const std::string path = TempPath("bad.fits");
  FitsLightCurve noRef = Sample();
  noRef.withBjdRef = false;
  ASSERT_EQ(WriteFitsLightCurve(path, noRef), 0);
  auto s = ImportFile(path, ImportOptions{});
  ASSERT_FALSE(s.has_value());
  EXPECT_EQ(s.error().message, "Extension LIGHTCURVE has no BJDREFI keyword, so the times' reference is unknown.");

  ASSERT_EQ(WriteFitsLightCurve(path, Sample()), 0);
  ImportOptions wrong;
  wrong.fluxCol = "KSPSAP_FLUX";
  s = ImportFile(path, wrong);
  ASSERT_FALSE(s.has_value());
  EXPECT_EQ(s.error().message,
            "Extension LIGHTCURVE has no column \"KSPSAP_FLUX\". Its columns are: TIME, PDCSAP_FLUX, "
            "PDCSAP_FLUX_ERR, SAP_FLUX, SAP_FLUX_ERR, QUALITY.");

  FitsLightCurve unknownScale = Sample();
  unknownScale.timesys = "UTC";
  ASSERT_EQ(WriteFitsLightCurve(path, unknownScale), 0);
  s = ImportFile(path, ImportOptions{});
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->timeScale, TimeScale::Unknown);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace vantor::import
