// The importers on one fixture per layout and edge case (tests/data/import/,
// written from the formats' documents), column choice, flux to magnitude,
// and loading a series into the store exactly as the original reader would.
#include "import/importer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
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

// --- Time columns named with an offset ---------------------------------------

struct OffsetCase {
  std::string text;
  double firstTime;  // the full date as a literal: the nearest double to its digits
  TimeScale scale;
  bool fromFlux;
};

TEST(Importer, TimeColumnNamedWithAnOffsetGivesTheFullDateInEveryLayout) {
  const std::vector<OffsetCase> cases = {
      // TESS's "BJD - 2457000.0" with each separator; the comma file is the
      // original layout but says flux, so it is read as a table.
      {"BJD - 2457000.0,flux\n1234.56789012,1.0\n1234.6,0.9\n1234.7,1.0\n", 2458234.56789012, TimeScale::Unknown, true},
      {"BJD - 2457000.0\tmag\n1234.56789012\t11.0\n1234.6\t11.5\n", 2458234.56789012, TimeScale::Unknown, false},
      {"BJD - 2457000.0  mag  err\n1234.56789012 11.0 0.01\n1234.6 11.5 0.01\n", 2458234.56789012, TimeScale::Unknown, false},
      {"BJD -2457000.0 mag\n1234.56789012 11.0\n1234.6 11.5\n", 2458234.56789012, TimeScale::Unknown, false},
      {"# BJD_TDB - 2457000 flux\n1234.56789012 1.0\n1234.6 0.9\n", 2458234.56789012, TimeScale::BjdTdb, true},
      {"HJD-2400000;mag\n59812,30417;11,0\n59812,31;11,5\n", 2459812.30417, TimeScale::HjdUtc, false},
      {"JD-2400000.5 mag\n59812.30417 11.0\n59812.31 11.5\n", 2459812.80417, TimeScale::JdUtc, false},
      {"MJD-50000\tmag\n9812.30417\t11.0\n9812.31\t11.5\n", 2459812.80417, TimeScale::Unknown, false},
      {"MJD\tmag\n59812.30417\t11.0\n59812.31\t11.5\n", 2459812.80417, TimeScale::Unknown, false},
      {"RJD mag\n59812.30417 11.0\n59812.31 11.5\n", 2459812.30417, TimeScale::Unknown, false},
      {"BTJD,flux\n1234.56789012,1.0\n1234.6,0.9\n", 2458234.56789012, TimeScale::BjdTdb, true},
      {"BKJD\tflux\n-3.25\t1.0\n1.5\t0.9\n", 2454829.75, TimeScale::BjdTdb, true},
      // A typographic minus, and a unit after the constant.
      {"HJD\xE2\x88\x92" "2400000\tmag\n59812.30417\t11.0\n59812.31\t11.5\n", 2459812.30417, TimeScale::HjdUtc, false},
      {"BJD - 2457000 [d]\tmag\n1234.56789012\t11.0\n1234.6\t11.5\n", 2458234.56789012, TimeScale::Unknown, false},
      {"BKJD\tflux\n120.5383012345\t1.0\n121.5\t0.9\n", 2454953.5383012345, TimeScale::BjdTdb, true},
      {"HJD-2450000 \t V \t e_V\n9812.3 \t 11.0 \t 0.01\n9812.4 \t 11.5 \t 0.01\n", 2459812.3, TimeScale::HjdUtc, false},
      // The original layout, but its second column is an error: a table.
      {"HJD-2450000,e_V,V\n9812.3,0.01,11.0\n9812.4,0.01,11.5\n", 2459812.3, TimeScale::HjdUtc, false},
  };
  for (const OffsetCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto s = ImportText(c.text, ImportOptions{});
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_EQ(s->time.front(), c.firstTime);
    EXPECT_EQ(s->timeOffset, 0.0);
    EXPECT_EQ(s->timeScale, c.scale);
    EXPECT_EQ(s->fromFlux, c.fromFlux);
  }
  // The original layout keeps its times as written (as the original reader
  // does) and records the constant, which a conversion adds back.
  const auto original = ImportText("HJD-2400000,V\n59812.30417,11.0\n59812.31,11.5\n", ImportOptions{});
  ASSERT_TRUE(original.has_value());
  EXPECT_EQ(original->format, Format::Vantor);
  EXPECT_EQ(original->time.front(), 59812.30417);
  EXPECT_EQ(original->timeOffset, 2400000.0);
  EXPECT_EQ(original->timeScale, TimeScale::HjdUtc);
}

TEST(Importer, RefusesWhatItCannotReadFromText) {
  struct Case {
    std::string text;
    std::string message;
    int line;
  };
  const std::vector<Case> cases = {
      {"JD-24OOOOO,mag\n59812.3,11.0\n59812.4,11.5\n",
       "The time column 1 (\"JD-24OOOOO\") names a constant taken off the times, \"24OOOOO\", that is "
       "not a number, so the full dates cannot be formed. Rename the column (such as \"HJD-2400000\") "
       "or give the full Julian Dates.", 0},
      {"HJD-x\tmag\n59812.3\t11.0\n59812.4\t11.5\n",
       "The time column 1 (\"HJD-x\") names a constant taken off the times, \"X\", that is not a number, "
       "so the full dates cannot be formed. Rename the column (such as \"HJD-2400000\") or give the "
       "full Julian Dates.", 0},
      // Only an error column besides the time: nothing to take as magnitudes.
      {"HJD,err\n2459812.3,0.01\n2459812.4,0.01\n",
       "The file has no column that looks like a magnitude or a flux; choose one by name or number. "
       "Its columns are: 1 \"HJD\", 2 \"err\".", 0},
      // One file, one kind of date: EXCEL after JD, HJD after JD.
      {"#TYPE=EXTENDED\n#DELIM=,\n#DATE=JD\nX,2459812.3,11.0,na,V\n#DATE=EXCEL\nX,8/21/2022 19:12:00,11.1,na,V\n",
       "Line 5: #DATE=EXCEL changes the kind of date of the file from #DATE=JD (given first); one light "
       "curve needs one kind of date and one time scale.", 5},
      {"#TYPE=EXTENDED\n#DATE=HJD\n#DELIM=,\nX,2459812.3,11.0,na,V\n#DATE=JD\nX,2459812.4,11.1,na,V\n",
       "Line 5: #DATE=JD changes the kind of date of the file from #DATE=HJD (given first); one light "
       "curve needs one kind of date and one time scale.", 5},
      // Bytes that are not printable ASCII, in a field or a column's name, reach no terminal raw.
      {"time\tm\x1b[2Jag\n2459812.3\t11.0\n2459812.4\t1\x1b[31m\xe9\n",
       "Line 3, column 2 (\"m\\x1B[2Jag\"): \"1\\x1B[31m\\xE9\" is not a number.", 3},
      {"#TYPE=EXTENDED\n#DELIM=,\n#DATE=JD\nX,2459812.3,11.0,na,V\nX,\t24598\xff\x01.4 ,11.1,na,V\n",
       "Line 5, field 2 (DATE): \"24598\\xFF\\x01.4\" is not a date of the kind #DATE=JD says.", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto s = ImportText(c.text, ImportOptions{});
    ASSERT_FALSE(s.has_value());
    EXPECT_EQ(s.error().message, c.message);
    EXPECT_EQ(s.error().line, c.line);
  }
}

// --- Column choice --------------------------------------------------------------

struct ChoiceCase {
  std::string text;
  std::string timeColumn, valueColumn, errColumn;
  bool fromFlux;
};

TEST(Importer, ColumnsChosenByNameAreNeverErrorsAirmassesExposuresOrCounters) {
  const std::string rows3 = "2459812.30,0.01,11.0\n2459812.31,0.01,11.5\n";
  const std::vector<ChoiceCase> cases = {
      {"HJD,e_Vmag,Vmag\n" + rows3, "HJD", "Vmag", "e_Vmag", false},
      {"HJD,sigma_mag,mag\n" + rows3, "HJD", "mag", "sigma_mag", false},
      {"HJD dmag_unc dmag\n2459812.30 0.01 11.0\n2459812.31 0.01 11.5\n", "HJD", "dmag", "dmag_unc", false},
      {"HJD,err,V\n" + rows3, "HJD", "V", "err", false},
      {"HJD;error;mag\n2459812,30;0,01;11,0\n2459812,31;0,01;11,5\n", "HJD", "mag", "error", false},
      {"HJD,airmass,V,e_V\n2459812.30,1.2,11.0,0.01\n2459812.31,1.3,11.5,0.01\n", "HJD", "V", "e_V", false},
      {"exptime\tslice\tHJD\tdata\n30\t1\t2459812.30\t11.0\n30\t2\t2459812.31\t11.5\n", "HJD", "data", "", false},
      {"frame exp_time JD value\n1 30 2459812.30 11.0\n2 30 2459812.31 11.5\n", "JD", "value", "", false},
      // A word that says flux means flux, whatever the separator.
      {"HJD,flux\n2459812.30,1.0\n2459812.31,0.9\n", "HJD", "flux", "", true},
      {"HJD\tflux\n2459812.30\t1.0\n2459812.31\t0.9\n", "HJD", "flux", "", true},
      {"HJD;flux\n2459812,30;1,0\n2459812,31;0,9\n", "HJD", "flux", "", true},
      {"HJD flux\n2459812.30 1.0\n2459812.31 0.9\n", "HJD", "flux", "", true},
      {"frame\tJD\tnorm. flux\tflux_err\n1\t2459812.30\t1.0\t0.001\n2\t2459812.31\t0.9\t0.001\n", "JD", "norm. flux", "flux_err", true},
      {"JD,counts,err\n2459812.30,1000,10\n2459812.31,900,10\n", "JD", "counts", "err", true},
      {"JD,flux_norm\n2459812.30,1.0\n2459812.31,0.9\n", "JD", "flux_norm", "", true},
      {"time,rel_flux,sigma\n2459812.30,1.0,0.001\n2459812.31,0.9,0.001\n", "time", "rel_flux", "sigma", true},
      // What the original reader takes stays as it was.
      {"HJD,V-C\n2459812.30,0.3\n2459812.31,0.4\n", "HJD", "V-C", "", false},
      {"HJD,mag\n2459812.30,11.0\n2459812.31,11.5\n", "HJD", "mag", "", false},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto s = ImportText(c.text, ImportOptions{});
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_EQ(s->timeColumn, c.timeColumn);
    EXPECT_EQ(s->valueColumn, c.valueColumn);
    EXPECT_EQ(s->errColumn, c.errColumn);
    EXPECT_EQ(s->fromFlux, c.fromFlux);
    EXPECT_EQ(s->time.front(), 2459812.30);
    // A magnitude is read as written; a flux of 1.0 against the median 0.95 is -0.0557 mag.
    if (c.fromFlux) {
      EXPECT_LT(s->mag.front(), 0.0);
    } else {
      EXPECT_TRUE(s->mag.front() == 11.0 || s->mag.front() == 0.3);
    }
  }
}

TEST(Importer, NotesSayWhichColumnWasTakenForWhatAndWhy) {
  struct Case {
    std::string text;
    ImportOptions options;
    std::string note;
  };
  ImportOptions byUser;
  byUser.timeCol = "2";
  byUser.fluxCol = "c";
  const std::vector<Case> cases = {
      {"HJD-2400000\tairmass\tV\te_V\n59812.30\t1.2\t11.0\t0.01\n59812.31\t1.3\t11.5\t0.01\n", {},
       "Read as a table (fields separated by tab). Time: column 1 \"HJD-2400000\" (the first column "
       "named with JD, TIME or DATE; HJD_UTC, offset 2400000 added back); magnitudes: column 3 \"V\" "
       "(the first magnitude column; \"e_V\" is its error)."},
      {"JD,counts,err\n2459812.30,1000,10\n2459812.31,900,10\n", {},
       "Read as a table (fields separated by comma). Time: column 1 \"JD\" (the first column named "
       "with JD, TIME or DATE; JD_UTC); fluxes: column 2 \"counts\" (the first flux column; \"err\" is "
       "its error, named as an error)."},
      {"2459812.30 11.0 0.01\n2459812.31 11.5 0.01\n", {},
       "Read as a table (fields separated by blanks). Time: column 1 (no header: the first column); "
       "magnitudes: column 2 (no header: the second column; column 3 is its error, no header: the "
       "third column)."},
      {"a b c\n1 2459812.30 1.0\n2 2459812.31 0.9\n", byUser,
       "Read as a table (fields separated by blanks). Time: column 2 \"b\" (as chosen); fluxes: "
       "column 3 \"c\" (as chosen; no error column)."},
      {"HJD\tV\xc3\xa9\x9b\n2459812.30\t11.0\n2459812.31\t11.5\n", {},
       "Read as a table (fields separated by tab). Time: column 1 \"HJD\" (the first column named "
       "with JD, TIME or DATE; HJD_UTC); magnitudes: column 2 \"V\xc3\xa9\\x9B\" (the first magnitude "
       "column; no error column)."},
      {"HJD,V-C\n2459812.30,0.3\n2459812.31,0.4\n", {},
       "Read as Vantor's own light-curve file. Time: column 1 \"HJD\" (the layout's HJD column; "
       "HJD_UTC); magnitudes: column 2 \"V-C\" (the layout's magnitude column; no error column)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto s = ImportText(c.text, c.options);
    ASSERT_TRUE(s.has_value()) << s.error().message;
    ASSERT_FALSE(s->notes.empty());
    EXPECT_EQ(s->notes.front(), c.note);
  }
}

// --- Size limits ------------------------------------------------------------------

// Runs `body` in a child process whose address space may grow by at most
// `budgetBytes` over what it holds when the child starts; true when the body
// returned true (a std::bad_alloc or any crash counts as false).
bool WithinAddressSpace(size_t budgetBytes, const std::function<bool()>& body) {
  std::cout.flush();
  std::cerr.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    size_t vmKiB = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmSize:", 0) == 0) vmKiB = std::stoul(line.substr(7));
    }
    const rlim_t limit = static_cast<rlim_t>(vmKiB) * 1024 + budgetBytes;
    const rlimit r{limit, limit};
    if (vmKiB == 0 || setrlimit(RLIMIT_AS, &r) != 0) _exit(4);
    try {
      _exit(body() ? 0 : 1);
    } catch (const std::bad_alloc&) {
      std::fprintf(stderr, "std::bad_alloc inside the address-space limit\n");
      _exit(3);
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

constexpr size_t kMiB = 1024 * 1024;

TEST(Importer, ManyShortLinesAreReadOrRefusedWithinThreeTimesTheirSizePlus64MiB) {
  struct Case {
    std::string line;
    size_t bytes;
    std::string refusal;  // empty: read whole
  };
  const std::vector<Case> cases = {
      // 100 MB of "1,2": refused by its row count before anything is stored.
      {"1,2\n", 100 * 1000 * 1000,
       "The file holds 25000000 rows of observations, more than the 1000000 the importer keeps from "
       "one file (files of up to 256 MiB are read). Choose a time interval around the eclipses you "
       "need (--from, --until): only the observations inside it are kept."},
      {"1\t2\n", 100 * 1000 * 1000,
       "The file holds 25000000 rows of observations, more than the 1000000 the importer keeps from "
       "one file (files of up to 256 MiB are read). Choose a time interval around the eclipses you "
       "need (--from, --until): only the observations inside it are kept."},
      // Just under the row limit, every row kept: 1000000 rows of 6 bytes.
      {"1 2 3\n", 6 * 1000 * 1000, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const bool ok = WithinAddressSpace(3 * c.bytes + 64 * kMiB, [&c] {
      std::string text;
      text.reserve(c.bytes);
      while (text.size() + c.line.size() <= c.bytes) text += c.line;
      const auto s = ImportText(text, ImportOptions{});
      if (c.refusal.empty()) {
        if (!s) std::fprintf(stderr, "refused: %s\n", s.error().message.c_str());
        return s.has_value() && s->size() == c.bytes / c.line.size() && s->err.back() == 3.0;
      }
      if (s) std::fprintf(stderr, "read %zu rows\n", s->size());
      if (!s && s.error().message != c.refusal) std::fprintf(stderr, "%s\n", s.error().message.c_str());
      return !s && s.error().message == c.refusal;
    });
    EXPECT_TRUE(ok);
  }
}

TEST(Importer, AFileAboveTheRowLimitIsReadInsideTheIntervalKept) {
  // 1200000 rows, one a minute (1e-4 day apart would make the literal times inexact).
  std::string text = "HJD,mag\n";
  for (int i = 0; i < 1200000; ++i) text += std::to_string(2459000 + i) + ".5," + (i % 2 != 0 ? "11.5\n" : "11.0\n");
  ImportOptions o;
  o.keepFrom = 2459100.0;
  o.keepUntil = 2459200.0;
  const auto s = ImportText(text, o);
  ASSERT_TRUE(s.has_value()) << s.error().message;
  ASSERT_EQ(s->size(), 100u);
  EXPECT_EQ(s->time.front(), 2459100.5);
  EXPECT_EQ(s->time.back(), 2459199.5);
  EXPECT_NE(s->notes.back().find("only the 100 inside the time interval chosen are kept"), std::string::npos);
  // An interval that still holds more than the limit is refused.
  o.keepUntil = 2459000.0 + 1100000;
  const auto wide = ImportText(text, o);
  ASSERT_FALSE(wide.has_value());
  EXPECT_EQ(wide.error().message,
            "The file holds 1200000 rows of observations, more than the 1000000 the importer keeps "
            "from one file (files of up to 256 MiB are read). The time interval chosen (--from, "
            "--until) holds more than that too: choose a shorter one around one eclipse.");
  // The same limit for an AAVSO file.
  std::string aavso = "#TYPE=EXTENDED\n#DELIM=,\n#DATE=JD\n";
  for (int i = 0; i < 1000001; ++i) aavso += "X," + std::to_string(2459000 + i) + ",11.0,na,V\n";
  const auto tooMany = ImportText(aavso, ImportOptions{});
  ASSERT_FALSE(tooMany.has_value());
  EXPECT_EQ(tooMany.error().message.rfind("The file holds 1000001 rows of observations, more than the 1000000", 0), 0u);
  o.keepFrom = 2459000.0;
  o.keepUntil = 2459009.0;
  const auto some = ImportText(aavso, o);
  ASSERT_TRUE(some.has_value()) << some.error().message;
  EXPECT_EQ(some->size(), 10u);
}

TEST(Importer, AFileAboveTheSizeLimitNamesTheLimitAndTheInterval) {
  const std::string path = (std::filesystem::temp_directory_path() / "vantor_import_large.csv").string();
  {
    std::ofstream f(path);
    f << "HJD,mag\n2459812.3,11.0\n";
  }
  std::filesystem::resize_file(path, 300 * kMiB);  // sparse: no disk used
  const auto s = ImportFile(path, ImportOptions{});
  std::filesystem::remove(path);
  ASSERT_FALSE(s.has_value());
  EXPECT_EQ(s.error().message,
            "Cannot read \"" + path + "\": it holds 300 MiB, more than the 256 MiB the importer "
            "reads from one file (and at most 1000000 observations). --from and --until choose "
            "among the observations of a file that is read: cut the file to the nights you need first.");
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
