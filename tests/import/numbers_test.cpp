// Numbers in the importers, in the C locale and under de_DE.UTF-8: one sign
// at most ("+-0.3465" is no magnitude), spelled-out inf and nan named as not
// finite, Excel dates with fractional seconds, coordinates, and the numbers
// the notes and refusals print, all with the full stop.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <memory>
#include <string>

#include "core/store.h"

#include "import/importer.h"
#include "import/load.h"
#include "import/time_scale.h"

namespace vantor::import {
namespace {

class ImporterNumbers : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
        << GetParam() << " is not installed: run scripts/install-deps";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

INSTANTIATE_TEST_SUITE_P(CAndDecimalComma, ImporterNumbers, ::testing::Values("C", "de_DE.UTF-8"),
                         [](const auto& info) { return std::string(info.param).substr(0, 5); });

std::string Aavso(const std::string& date, const std::string& kind, const std::string& mag) {
  return "#TYPE=EXTENDED\n#DELIM=,\n#DATE=" + kind + "\nX," + date + "," + mag + ",na,V\n";
}

TEST_P(ImporterNumbers, OneSignOnlyAndInfOrNanNamedAsNotFinite) {
  const struct {
    std::string text;
    double mag;           // when read
    std::string refusal;  // empty: read
  } cases[] = {
      {"HJD mag\n2459812.35 +0.3465\n2459812.36 0.40\n", 0.3465, ""},
      {"HJD mag\n2459812.35 -.5\n2459812.36 0.40\n", -0.5, ""},
      {"HJD mag\n2459812.35 +-0.3465\n2459812.36 0.40\n", 0,
       "Line 2, column 2 (\"mag\"): \"+-0.3465\" is not a number."},
      {"HJD mag\n2459812.35 -+0.3465\n2459812.36 0.40\n", 0,
       "Line 2, column 2 (\"mag\"): \"-+0.3465\" is not a number."},
      {"HJD mag\n2459812.35 nan\n2459812.36 0.40\n", 0,
       "Line 2, column 2 (\"mag\"): \"nan\" is not a finite number."},
      {Aavso("2459812.35", "JD", "+11.2"), 11.2, ""},
      {Aavso("2459812.35", "JD", "+-11.2"), 0,
       "Line 4, field 3 (MAGNITUDE): \"+-11.2\" is not a magnitude."},
      {Aavso("+-2459812.35", "JD", "11.2"), 0,
       "Line 4, field 2 (DATE): \"+-2459812.35\" is not a date of the kind #DATE=JD says."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto s = ImportText(c.text, ImportOptions{});
    if (c.refusal.empty()) {
      ASSERT_TRUE(s.has_value()) << s.error().message;
      EXPECT_EQ(s->mag.front(), c.mag);
    } else {
      ASSERT_FALSE(s.has_value());
      EXPECT_EQ(s.error().message.substr(0, c.refusal.size()), c.refusal) << s.error().message;
    }
  }
}

TEST_P(ImporterNumbers, ExcelDatesKeepTheirFractionalSeconds) {
  // 2007 December 31 is JD 2454465.5 at 0 h.
  const double midnight = 2454465.5;
  const struct {
    const char* date;
    double jd;  // 0: refused
  } cases[] = {
      {"12/31/2007 12:59:59.5 p.m.", midnight + (12 * 3600 + 59 * 60 + 59.5) / 86400},
      {"12/31/2007 1:30:00 PM", midnight + (13 * 3600 + 30 * 60) / 86400.0},
      {"12/31/2007 12:00:30.25 AM", midnight + 30.25 / 86400},
      {"12/31/2007 06:00", midnight + 0.25},
      {"12/31/2007 06:00:1.5.5", 0},
      {"12/31/2007 06:00:+-1", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    const auto s = ImportText(Aavso(c.date, "EXCEL", "11.2"), ImportOptions{});
    if (c.jd == 0) {
      EXPECT_FALSE(s.has_value());
      continue;
    }
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_NEAR(s->time.front(), c.jd, 1e-9);
  }
}

TEST_P(ImporterNumbers, CoordinatesTakeOneLeadingSign) {
  const struct {
    const char* text;
    double deg;  // NaN: refused
  } cases[] = {
      {"-12:30:00", -12.5}, {"+12 30 00", 12.5},  {"12.5", 12.5}, {"-0.5", -0.5},
      {"-+12:30:00", NAN},  {"+-12:30:00", NAN},  {"12 -30", NAN}, {"12,5", NAN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto d = ParseDeclination(c.text);
    if (std::isnan(c.deg)) {
      EXPECT_FALSE(d.has_value());
    } else {
      ASSERT_TRUE(d.has_value()) << d.error().message;
      EXPECT_DOUBLE_EQ(*d, c.deg);
    }
  }
}

TEST_P(ImporterNumbers, NotesAndRefusalsPrintTheFullStop) {
  ImportedSeries s;
  s.time = {1, 2, 3};
  s.mag = {1500000.5, 1500000.5, 1500000.5};
  s.err = {NAN, NAN, NAN};
  ASSERT_TRUE(ConvertFluxes(s, {}).has_value());
  EXPECT_NE(s.notes.back().find("log10(f / 1.5e+06) with the median flux 1.5e+06,"), std::string::npos)
      << s.notes.back();

  ImportedSeries bad;
  bad.mag = {-0.0021};
  bad.time = {1};
  bad.err = {NAN};
  const auto refused = ConvertFluxes(bad, {});
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().message, "the flux -0.002100 is not positive, so it has no magnitude.");

  const auto early = ConvertTime(2400000.25, TimeScale::JdUtc, TimeScale::BjdTdb, SkyPosition{10.5, 20.25});
  ASSERT_FALSE(early.has_value());
  EXPECT_NE(early.error().message.find("The time 2400000.25000 lies before 1960"), std::string::npos)
      << early.error().message;
}

TEST_P(ImporterNumbers, ASeriesReachesTheStoreWithEveryDigit) {
  ImportedSeries s;
  s.time = {2459812.3456789012, 2459812.35, 2459812.3543210987};
  s.mag = {0.3465, -0.125, 0.3};
  s.err = {NAN, NAN, NAN};
  auto store = std::make_unique<Store>();
  const auto n = LoadSeriesIntoStore(*store, s);
  ASSERT_TRUE(n.has_value()) << n.error().message;
  ASSERT_EQ(*n, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(store->HjdBase + store->RelTime[i + 1], s.time[i]) << i;
    EXPECT_EQ(store->Mag[i + 1], s.mag[i]) << i;
  }
}

}  // namespace
}  // namespace vantor::import
