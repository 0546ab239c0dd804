// Time scales: names, coordinates, and the ERFA conversions against the
// table astropy computed (tests/data/import/time_table.csv, made by
// scripts/make-time-table.py), within 1 ms both ways.
#include "import/time_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/textfile.h"
#include "import/importer.h"
#include "import/load.h"

namespace vantor::import {
namespace {

constexpr double kMillisecond = 0.001 / 86400;

struct Reference {
  double jd, ra, dec, hjd, bjd;
};

std::vector<Reference> ReadTable() {
  const auto text = ReadWholeFile(std::string(VANTOR_TEST_DATA_DIR) + "/import/time_table.csv");
  EXPECT_TRUE(text.has_value());
  std::vector<Reference> rows;
  for (const auto line : SplitLines(*text)) {
    if (line.empty() || line.front() == '#' || line.front() == 'j') continue;
    std::istringstream in{std::string(line)};
    Reference r{};
    char c = 0;
    in >> r.jd >> c >> r.ra >> c >> r.dec >> c >> r.hjd >> c >> r.bjd;
    rows.push_back(r);
  }
  return rows;
}

TEST(TimeScale, ConversionsAgreeWithAstropyWithinOneMillisecond) {
  const auto table = ReadTable();
  ASSERT_GE(table.size(), 40u);
  for (const Reference& r : table) {
    SCOPED_TRACE(r.jd);
    const SkyPosition star{r.ra, r.dec};
    struct Leg {
      TimeScale from, to;
      double in, out;
    };
    const Leg legs[] = {
        {TimeScale::JdUtc, TimeScale::HjdUtc, r.jd, r.hjd},  {TimeScale::JdUtc, TimeScale::BjdTdb, r.jd, r.bjd},
        {TimeScale::HjdUtc, TimeScale::JdUtc, r.hjd, r.jd},  {TimeScale::BjdTdb, TimeScale::JdUtc, r.bjd, r.jd},
        {TimeScale::HjdUtc, TimeScale::BjdTdb, r.hjd, r.bjd}, {TimeScale::BjdTdb, TimeScale::HjdUtc, r.bjd, r.hjd},
    };
    for (const Leg& leg : legs) {
      const auto got = ConvertTime(leg.in, leg.from, leg.to, star);
      ASSERT_TRUE(got.has_value()) << got.error().message;
      EXPECT_NEAR(*got, leg.out, kMillisecond)
          << TimeScaleName(leg.from) << " -> " << TimeScaleName(leg.to);
    }
  }
}

TEST(TimeScale, RefusesWhatItCannotConvert) {
  const SkyPosition star{10, 20};
  struct Case {
    TimeScale from, to;
    bool withStar;
    std::string message;
  };
  const std::vector<Case> cases = {
      {TimeScale::Unknown, TimeScale::BjdTdb, true,
       "The times are in an unknown time scale, so they cannot be converted to BJD_TDB. Say which "
       "scale the file uses (--time-scale jd-utc, hjd-utc or bjd-tdb)."},
      {TimeScale::HjdUtc, TimeScale::BjdTdb, false,
       "Converting HJD_UTC to BJD_TDB needs the star's coordinates: give --ra and --dec (degrees "
       "or sexagesimal)."},
  };
  for (const Case& c : cases) {
    const auto got = ConvertTime(2459000.5, c.from, c.to, c.withStar ? std::optional(star) : std::nullopt);
    ASSERT_FALSE(got.has_value());
    EXPECT_EQ(got.error().message, c.message);
  }
  // The same scale needs nothing and changes nothing.
  EXPECT_EQ(ConvertTime(2459000.123456789, TimeScale::Unknown, TimeScale::Unknown, std::nullopt).value(),
            2459000.123456789);
}

TEST(TimeScale, NamesRoundTripAndAnglesParse) {
  for (const TimeScale s : {TimeScale::JdUtc, TimeScale::HjdUtc, TimeScale::BjdTdb, TimeScale::Unknown}) {
    EXPECT_EQ(ParseTimeScale(TimeScaleName(s)), s);
  }
  EXPECT_EQ(ParseTimeScale("bjd-tdb"), TimeScale::BjdTdb);
  EXPECT_EQ(ParseTimeScale("hjd"), std::nullopt);
  struct Angle {
    std::string text;
    bool ra;
    double deg;  // NaN: refused
  };
  const double bad = std::nan("");
  const std::vector<Angle> angles = {
      {"201.5", true, 201.5},        {"13:26:00", true, 201.5},   {"13h26m00s", true, 201.5},
      {"13 26 00", true, 201.5},     {"24:00:00", true, bad},     {"12:61:00", true, bad},
      {"-12.25", false, -12.25},     {"-12:15:00", false, -12.25}, {"-00 30 00", false, -0.5},
      {"+91", false, bad},           {"north", false, bad},       {"", true, bad},
  };
  for (const Angle& a : angles) {
    const auto got = a.ra ? ParseRightAscension(a.text) : ParseDeclination(a.text);
    if (std::isnan(a.deg)) {
      EXPECT_FALSE(got.has_value()) << a.text;
    } else {
      ASSERT_TRUE(got.has_value()) << a.text << ": " << got.error().message;
      EXPECT_NEAR(*got, a.deg, 1e-12) << a.text;
    }
  }
}

TEST(ConvertSeries, ConvertsEveryTimeOrNone) {
  ImportedSeries s;
  s.time = {2459000.5, 2459000.6};
  s.mag = {10, 11};
  s.err = {0.1, 0.1};
  s.timeScale = TimeScale::JdUtc;
  const auto kept = s.time;
  ASSERT_FALSE(ConvertSeries(s, TimeScale::BjdTdb, std::nullopt).has_value());
  EXPECT_EQ(s.time, kept);
  s.raDeg = 201.298;  // coordinates from the file (a FITS header)
  s.decDeg = -11.161;
  ASSERT_TRUE(ConvertSeries(s, TimeScale::BjdTdb, std::nullopt).has_value());
  EXPECT_EQ(s.timeScale, TimeScale::BjdTdb);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(s.time[i], ConvertTime(kept[i], TimeScale::JdUtc, TimeScale::BjdTdb,
                                       SkyPosition{201.298, -11.161}).value(), 1e-12);
  }
}

TEST(TimeScale, RefusesDatesBeforeUtcAndWarnsWhereTheLeapSecondTableMayBeOld) {
  const SkyPosition star{201.298, -11.161};
  struct Case {
    double jd;
    TimeScale from, to;
    bool refused;
    bool uncertain;
  };
  const std::vector<Case> cases = {
      // 1959 December 31 and 1957: no UTC, in every direction.
      {2436934.4, TimeScale::JdUtc, TimeScale::BjdTdb, true, false},
      {2436000.5, TimeScale::HjdUtc, TimeScale::BjdTdb, true, false},
      {2436000.5, TimeScale::BjdTdb, TimeScale::JdUtc, true, false},
      {2436000.5, TimeScale::HjdUtc, TimeScale::JdUtc, true, false},
      // A time given less 2400000 and read as a full date falls in 4550 BC.
      {59812.3, TimeScale::HjdUtc, TimeScale::BjdTdb, true, false},
      // From 1960 January 2 on it converts; 2024 is inside the table.
      {2436936.5, TimeScale::JdUtc, TimeScale::BjdTdb, false, false},
      {2460400.5, TimeScale::HjdUtc, TimeScale::BjdTdb, false, false},
      {2460400.5, TimeScale::BjdTdb, TimeScale::JdUtc, false, false},
      // 2027 and 2031: the library's "dubious year", converted with a warning.
      {2461600.5, TimeScale::JdUtc, TimeScale::BjdTdb, false, true},
      {2462900.5, TimeScale::BjdTdb, TimeScale::HjdUtc, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.jd);
    const auto got = ConvertTimeNoting(c.jd, c.from, c.to, star);
    ASSERT_EQ(got.has_value(), !c.refused);
    if (c.refused) {
      EXPECT_NE(got.error().message.find("lies before 1960 January 1 (JD 2436934.5)"), std::string::npos);
      // The reduced date gets the hint to name the column with its constant.
      EXPECT_EQ(got.error().message.find("HJD-2400000") != std::string::npos, c.jd < 1e6);
    } else {
      EXPECT_EQ(got->leapSecondsUncertain, c.uncertain);
      EXPECT_EQ(got->jd, ConvertTime(c.jd, c.from, c.to, star).value());
    }
  }
  EXPECT_EQ(ConvertTime(2436000.5, TimeScale::JdUtc, TimeScale::BjdTdb, star).error().message,
            "The time 2436000.50000 lies before 1960 January 1 (JD 2436934.5), where UTC and its leap "
            "seconds begin, so it cannot be converted to another time scale.");
}

TEST(ConvertSeries, WarnsInTheNotesWhereTheLeapSecondTableMayBeOld) {
  ImportedSeries s;
  s.time = {2460400.5, 2461600.5, 2461601.5};  // 2024, July 2027 twice
  s.mag = {10, 11, 12};
  s.err = {0.1, 0.1, 0.1};
  s.timeScale = TimeScale::HjdUtc;
  ASSERT_TRUE(ConvertSeries(s, TimeScale::BjdTdb, SkyPosition{10, 20}).has_value());
  EXPECT_EQ(s.notes.back(),
            "Warning: the leap-second table of the time library may be out of date for the times from "
            "2461600.50000 on (its \"dubious year\"): they are converted with the leap seconds it "
            "knows, and a leap second announced since would move them by one second.");
  // Within the table: no warning, and a series of 1959 is refused unchanged.
  ImportedSeries inside = s;
  inside.time = {2460400.5};
  inside.timeScale = TimeScale::HjdUtc;
  inside.notes.clear();
  ASSERT_TRUE(ConvertSeries(inside, TimeScale::BjdTdb, SkyPosition{10, 20}).has_value());
  ASSERT_EQ(inside.notes.size(), 1u);
  ImportedSeries old = inside;
  old.time = {2436000.5};
  old.timeScale = TimeScale::HjdUtc;
  ASSERT_FALSE(ConvertSeries(old, TimeScale::BjdTdb, SkyPosition{10, 20}).has_value());
  EXPECT_EQ(old.time.front(), 2436000.5);
  EXPECT_EQ(old.timeScale, TimeScale::HjdUtc);
}

TEST(ConvertSeries, TimesGivenLessAConstantConvertExactlyAsTheirFullDates) {
  // The same two observations written three ways; the expected BJD_TDB is
  // the program's own conversion of the full date.
  const SkyPosition star{201.298, -11.161};
  const double full[2] = {2459812.30417, 2459812.3105};
  const std::vector<std::string> files = {
      "HJD,V\n2459812.30417,11.0\n2459812.3105,11.5\n",
      "HJD-2400000,V\n59812.30417,11.0\n59812.3105,11.5\n",   // the original layout
      "HJD-2400000\tV\n59812.30417\t11.0\n59812.3105\t11.5\n",  // a table
      "HJD - 2400000 V\n59812.30417 11.0\n59812.3105 11.5\n",   // blanks
  };
  for (const std::string& text : files) {
    SCOPED_TRACE(text);
    auto s = ImportText(text, ImportOptions{});
    ASSERT_TRUE(s.has_value()) << s.error().message;
    ASSERT_EQ(s->timeScale, TimeScale::HjdUtc);
    ASSERT_TRUE(ConvertSeries(*s, TimeScale::BjdTdb, star).has_value());
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(s->time[static_cast<size_t>(i)],
                ConvertTime(full[i], TimeScale::HjdUtc, TimeScale::BjdTdb, star).value());
    }
    EXPECT_EQ(s->timeOffset, 0.0);
  }
}

}  // namespace
}  // namespace vantor::import
