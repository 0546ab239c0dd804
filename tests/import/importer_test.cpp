// The importers on one fixture per layout and edge case (tests/data/import/,
// written from the formats' documents), column choice, flux to magnitude,
// and loading a series into the store exactly as the original reader would.
#include "import/importer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/reader.h"
#include "core/textfile.h"
#include "import/load.h"

namespace vantor::import {
namespace {

std::string Data(const std::string& name) { return std::string(VANTOR_TEST_DATA_DIR) + "/import/" + name; }

struct Good {
  std::string file;
  ImportOptions options;
  Format format;
  size_t n;
  TimeScale scale;
  double firstTime, firstMag;
  std::string timeColumn, valueColumn, errColumn;
  bool fromFlux;
  double firstErr;  // NaN: none
};

ImportOptions With(Format f = Format::Auto) {
  ImportOptions o;
  o.format = f;
  return o;
}

TEST(Importer, ReadsEachLayoutWithItsColumnsAndTimeScale) {
  const double none = std::nan("");
  ImportOptions tx;
  tx.star = "tx uma";
  tx.filter = "V";
  ImportOptions byNumber;
  byNumber.timeCol = "4";
  byNumber.fluxCol = "rel_flux_C2";
  byNumber.errCol = "";
  const std::vector<Good> cases = {
      {"aavso_hjd.txt", With(), Format::Aavso, 40, TimeScale::HjdUtc, 2459812.30, 11.0, "DATE", "MAGNITUDE", "MAGERR", false, 0.008},
      // Fainter-than and the other star and filter left out; "na" is no error.
      {"aavso_two_stars.txt", tx, Format::Aavso, 20, TimeScale::JdUtc, 2459812.30, 11.0, "DATE", "MAGNITUDE", "MAGERR", false, none},
      // 12:59:59 a.m. on 31 December 2007 is JD 2454465.5 + 59:59 min.
      {"aavso_excel.txt", With(), Format::Aavso, 3, TimeScale::JdUtc, 2454465.5 + 3599.0 / 86400, 11.21, "DATE", "MAGNITUDE", "MAGERR", false, 0.01},
      // AstroImageJ: BJD_TDB first, relative flux made magnitude. The expected
      // magnitudes of flux files are -2.5 log10(f / median f) computed apart
      // (Python's statistics.median) from the fixture's numbers.
      {"aij_measurements.tbl", With(), Format::Aij, 40, TimeScale::BjdTdb, 2459812.3008, -0.04972909712077307, "BJD_TDB", "rel_flux_T1", "rel_flux_err_T1", true, 1.0857 * 0.00548 / 1.369985},
      // A column given by number: J.D.-2400000 gets its 2400000 back; a flux chosen by name.
      {"aij_measurements.tbl", byNumber, Format::Aij, 40, TimeScale::JdUtc, 2459812.2988, 0.0, "J.D.-2400000", "rel_flux_C2", "", true, none},
      {"munipack_jd.txt", With(), Format::Munipack, 40, TimeScale::JdUtc, 2459812.2988, 11.0 - 12.1, "JD", "V-C", "s1", false, 0.0061},
      {"munipack_jdhel.txt", With(), Format::Munipack, 25, TimeScale::HjdUtc, 2459812.30, 11.0 - 12.1, "JDHEL", "V-C", "s1", false, 0.0061},
      {"bjd_flux.lc", With(), Format::Table, 40, TimeScale::BjdTdb, 2459812.3008, -0.04972953944069958, "BJD_TDB", "flux", "flux_err", true, 0.0011942831371145083},
      {"semicolon_decimal_comma.csv", With(), Format::Table, 40, TimeScale::HjdUtc, 2459812.30, 11.0, "HJD", "Mag", "Err", false, 0.007},
      {"hash_comments.csv", With(), Format::Table, 30, TimeScale::HjdUtc, 2459812.30, 11.0, "HJD", "mag", "err", false, 0.006},
      {"flux_seven_columns.csv", With(), Format::Table, 40, TimeScale::JdUtc, 2459812.2988, -0.049729539440699355, "JD_UTC", "flux", "flux_err", true, 0.0018999958999549},
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.file);
    const auto s = ImportFile(Data(c.file), c.options);
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_EQ(s->format, c.format);
    ASSERT_EQ(s->size(), c.n);
    ASSERT_EQ(s->mag.size(), c.n);
    ASSERT_EQ(s->err.size(), c.n);
    EXPECT_EQ(s->timeScale, c.scale);
    EXPECT_NEAR(s->time.front(), c.firstTime, 1e-7);
    EXPECT_NEAR(s->mag.front(), c.firstMag, 2e-5);
    EXPECT_EQ(s->timeColumn, c.timeColumn);
    EXPECT_EQ(s->valueColumn, c.valueColumn);
    EXPECT_EQ(s->errColumn, c.errColumn);
    EXPECT_EQ(s->fromFlux, c.fromFlux);
    if (std::isnan(c.firstErr)) {
      EXPECT_TRUE(std::isnan(s->err.front()));
    } else {
      EXPECT_NEAR(s->err.front(), c.firstErr, 1e-6);
    }
    EXPECT_TRUE(std::is_sorted(s->time.begin(), s->time.end()));
    EXPECT_FALSE(s->notes.empty());
  }
}

TEST(Importer, AavsoNamesTheStarsAndFiltersToChooseFrom) {
  const auto all = ImportFile(Data("aavso_two_stars.txt"), With());
  ASSERT_FALSE(all.has_value());
  EXPECT_EQ(all.error().message,
            "The file holds 2 stars: TX UMA, RZ CAS. Choose one with --star.");
  ImportOptions o;
  o.star = "TX UMA";
  const auto filters = ImportFile(Data("aavso_two_stars.txt"), o);
  ASSERT_FALSE(filters.has_value());
  EXPECT_EQ(filters.error().message, "The file holds 2 filters: V, B. Choose one with --filter.");
  o.star = "RZ Cas";  // one filter: no need to choose
  const auto rz = ImportFile(Data("aavso_two_stars.txt"), o);
  ASSERT_TRUE(rz.has_value());
  EXPECT_EQ(rz->star, "RZ CAS");
  EXPECT_EQ(rz->size(), 20u);
  EXPECT_EQ(rz->stars.size(), 2u);
  o.star = "TX UMA";
  o.filter = "V";
  const auto tx = ImportFile(Data("aavso_two_stars.txt"), o);
  ASSERT_TRUE(tx.has_value());
  EXPECT_EQ(tx->droppedRows, 1);  // the "<13.5" estimate
}

struct Bad {
  std::string file;
  ImportOptions options;
  std::string message;
  int line;
};

TEST(Importer, RefusesBrokenFilesNamingLineAndColumn) {
  ImportOptions noSuchCol;
  noSuchCol.magCol = "V-mag";
  ImportOptions aavsoForced = With(Format::Aavso);
  const std::vector<Bad> cases = {
      {"aavso_bad_date.txt", With(), "Line 8, field 2 (DATE): \"2459812.3O500\" is not a date of the kind #DATE=JD says.", 8},
      {"aavso_bad_date_kind.txt", With(), "Line 5: #DATE=MJD is none of JD, HJD and EXCEL.", 5},
      {"hash_comments.csv", aavsoForced, "Line 4: an observation before #TYPE=EXTENDED; the AAVSO Extended Format starts with its parameter lines.", 4},
      {"aij_negative_flux.tbl", With(), "Line 6, column 10 (\"rel_flux_T1\"): the flux -0.002100 is not positive, so it has no magnitude.", 6},
      {"munipack_short_row.txt", With(), "Line 8 has 2 fields (separated by blanks), but the header has 3. Every line must have the same number of fields.", 8},
      {"no_time_column.csv", With(), "The file has no column that looks like a time (a name holding JD, TIME or DATE); choose one by name or number. Its columns are: 1 \"star\", 2 \"mag\", 3 \"err\".", 0},
      {"hash_comments.csv", noSuchCol, "--mag-col \"V-mag\": the file has no such column. Its columns are: 1 \"HJD\", 2 \"mag\", 3 \"err\", 4 \"airmass\".", 0},
      {"ragged_whitespace.txt", With(), "Line 6 has 3 fields (separated by blanks), but the header has 2. Every line must have the same number of fields.", 6},
      {"text_in_number.txt", With(), "Line 5, column 2 (\"mag\"): \"dim\" is not a number.", 5},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.file);
    const auto s = ImportFile(Data(c.file), c.options);
    ASSERT_FALSE(s.has_value());
    EXPECT_EQ(s.error().message, c.message);
    EXPECT_EQ(s.error().line, c.line);
  }
}

TEST(Importer, DetectsEachFormatFromItsContent) {
  const std::vector<std::pair<std::string, Format>> cases = {
      {"aavso_hjd.txt", Format::Aavso},      {"aij_measurements.tbl", Format::Aij},
      {"munipack_jd.txt", Format::Munipack}, {"bjd_flux.lc", Format::Table},
      {"hash_comments.csv", Format::Table},
  };
  for (const auto& [file, format] : cases) {
    const auto text = ReadWholeFile(Data(file));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(DetectFormat(*text), format) << file;
  }
  EXPECT_EQ(DetectFormat("HJD,V-C\n2459812.35,0.30\n2459812.36,0.45\n"), Format::Vantor);
  EXPECT_EQ(DetectFormat("SIMPLE  =                    T"), Format::Fits);
}

TEST(Importer, UserTimeScaleOverridesTheFileAndIsReported) {
  ImportOptions o;
  o.timeScale = TimeScale::BjdTdb;
  const auto s = ImportFile(Data("munipack_jdhel.txt"), o);
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->timeScale, TimeScale::BjdTdb);
  EXPECT_EQ(s->timeScaleSource, "--time-scale");
  EXPECT_NE(s->notes.back().find("overrides"), std::string::npos);
  // A column name that states no scale gives "unknown", not a guess.
  const auto plain = ImportText("time mag\n1.0 11.0\n2.0 11.5\n", ImportOptions{});
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->timeScale, TimeScale::Unknown);
  EXPECT_EQ(TimeScaleName(plain->timeScale), "unknown");
}

TEST(Importer, AavsoSortsATimeDisorderATableRefusesIt) {
  const auto s = ImportText("#TYPE=EXTENDED\n#DELIM=,\n#DATE=JD\nX,3.0,11.0,na,V\nX,1.0,12.0,na,V\n"
                            "X,2.0,13.0,0.1,V\n",
                            ImportOptions{});
  ASSERT_TRUE(s.has_value()) << s.error().message;
  EXPECT_EQ(s->time, (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(s->mag, (std::vector<double>{12.0, 13.0, 11.0}));
  EXPECT_EQ(s->err[1], 0.1);
  EXPECT_NE(s->notes.back().find("sorted"), std::string::npos);
  const auto t = ImportText("HJD mag\n3.0 11.0\n1.0 12.0\n", ImportOptions{});
  ASSERT_FALSE(t.has_value());
  EXPECT_EQ(t.error().message,
            "Line 3, column 1 (\"HJD\"): \"1.0\" is earlier than the time on the line before. "
            "Observations must be in time order.");
}

TEST(FluxToMagnitude, MedianReferenceAndErrorFactor) {
  EXPECT_DOUBLE_EQ(FluxToMagnitude(1.0, 1.0), 0.0);
  EXPECT_NEAR(FluxToMagnitude(0.1, 1.0), 2.5, 1e-12);
  EXPECT_NEAR(FluxErrorToMagnitude(200.0, 2.0), 0.010857, 1e-12);
  ImportedSeries s;
  s.time = {1, 2, 3, 4};
  s.mag = {100, 400, 25, 100};  // median 100
  s.err = {1, std::nan(""), 1, 2};
  ASSERT_TRUE(ConvertFluxes(s, {}).has_value());
  EXPECT_NEAR(s.mag[0], 0.0, 1e-12);
  EXPECT_NEAR(s.mag[1], -2.5 * std::log10(4.0), 1e-12);
  EXPECT_NEAR(s.mag[2], 2.5 * std::log10(4.0), 1e-12);
  EXPECT_TRUE(std::isnan(s.err[1]));
  EXPECT_NEAR(s.err[2], 1.0857 / 25, 1e-12);
  EXPECT_TRUE(s.fromFlux);
}

// --- Into the store -----------------------------------------------------------

TEST(LoadSeriesIntoStore, GivesTheStoreTheOriginalReaderMakes) {
  // The same numbers through the original reader and through an import of a
  // whitespace table must leave bit-identical stores.
  const std::string csv = "HJD,V-C\n2459812.35,0.30\n2459812.36,0.45\n2459812.37,0.61\n"
                          "2459812.38,0.52\n2459812.39,0.33\n2459812.40,0.29\n";
  auto viaReader = std::make_unique<Store>();
  ASSERT_TRUE(ReadLightCurveText(*viaReader, csv).has_value());
  const auto s = ImportText("# HJD V-C\n2459812.35 0.30\n2459812.36 0.45\n2459812.37 0.61\n"
                            "2459812.38 0.52\n2459812.39 0.33\n2459812.40 0.29\n",
                            ImportOptions{});
  ASSERT_TRUE(s.has_value()) << s.error().message;
  auto viaImport = std::make_unique<Store>();
  const auto n = LoadSeriesIntoStore(*viaImport, *s);
  ASSERT_TRUE(n.has_value()) << n.error().message;
  EXPECT_EQ(*n, 6);
  EXPECT_TRUE(*viaImport == *viaReader);
}

TEST(LoadSeriesIntoStore, LongSeriesNeedsAnIntervalAndRefusalsKeepTheStore) {
  ImportedSeries s;
  for (int i = 0; i < 2500; ++i) {
    s.time.push_back(2459000.0 + i * 0.002);
    s.mag.push_back(10.0 + 0.1 * std::sin(i * 0.01));
    s.err.push_back(std::nan(""));
  }
  auto store = std::make_unique<Store>();
  ASSERT_TRUE(ReadLightCurveText(*store, "HJD,V-C\n1.5,0.3\n1.6,0.4\n").has_value());
  const Store before = *store;
  struct Case {
    TimeInterval interval;
    std::string message;
  };
  const std::vector<Case> refused = {
      {{}, "The series holds 2500 observations (2459000.00000 to 2459004.99800). A light curve holds at most 1000 observations of one eclipse: choose a time interval around it (--from, --until)."},
      {{2458999.0, 2459003.0005}, "The time interval holds 1501 of the 2500 observations (2459000.00000 to 2459003.00000). A light curve holds at most 1000 observations of one eclipse: choose a time interval around it (--from, --until)."},
      {{2459100.0, std::nullopt}, "No observation lies in the time interval chosen; the series runs from 2459000.00000 to 2459004.99800."},
      {{2459002.0, 2459001.0}, "The time interval ends (2459001.00000) before it starts (2459002.00000)."},
  };
  for (const Case& c : refused) {
    const auto r = LoadSeriesIntoStore(*store, s, c.interval);
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error().message, c.message);
    EXPECT_TRUE(*store == before);
  }
  s.mag[1500] = 120.0;  // inside the interval below: refused before the store is touched
  const auto bad = LoadSeriesIntoStore(*store, s, {2459002.9, 2459003.1});
  ASSERT_FALSE(bad.has_value());
  EXPECT_TRUE(*store == before);
  s.mag[1500] = 10.0;
  const auto ok = LoadSeriesIntoStore(*store, s, {2459001.9995, 2459003.0005});
  ASSERT_TRUE(ok.has_value()) << ok.error().message;
  EXPECT_EQ(*ok, 501);
  EXPECT_EQ(store->HjdRaw[1], s.time[1000]);
  EXPECT_EQ(store->HjdRaw[501], s.time[1500]);
  EXPECT_EQ(store->MagRaw[250], s.mag[1249]);
}

}  // namespace
}  // namespace vantor::import
