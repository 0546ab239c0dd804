// Light-curve FITS files written by fits_writer.cpp: time reference, unit and
// scale from the header, coordinates, flux choice, dropped rows; names taken
// literally; vector columns, false row counts, truncated and compressed
// files refused with what is wrong, within bounded memory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <future>
#include <random>
#include <thread>

#include "fits_writer.h"
#include "import/fits.h"
#include "import/importer.h"

#if defined(__SANITIZE_ADDRESS__)
// CFITSIO asks calloc for the space of a header's row count; a negative count
// becomes a size no allocator can give. The C library then returns a null
// pointer, which CFITSIO reports as an error; AddressSanitizer would abort
// instead. Under it, the allocator answers as the C library does.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace vantor::import {
namespace {

namespace fs = std::filesystem;
using test::FitsLightCurve;
using test::FitsRow;
using test::WriteFitsLightCurve;

std::string TempPath(const std::string& name) {
  return (fs::temp_directory_path() / ("vantor_fits_" + std::to_string(::getpid()) + "_" + name)).string();
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

// All notes in one text, for looking a sentence up.
std::string Notes(const ImportedSeries& s) {
  std::string all;
  for (const std::string& n : s.notes) all += n + "\n";
  return all;
}

// Runs `body` in a child process whose address space may grow by at most
// `extraBytes` beyond what it holds at the start, and returns what the body
// returned, "bad_alloc" when one escaped, or "killed by signal N".
std::string RunWithAddressLimit(size_t extraBytes, const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + extraBytes;
    const struct rlimit lim{limit, limit};
    ::setrlimit(RLIMIT_AS, &lim);
    std::string out;
    try {
      out = body();
    } catch (const std::bad_alloc&) {
      out = "bad_alloc";
    }
    const ssize_t written = ::write(fds[1], out.data(), out.size());
    ::_exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return out;
}

// The message of an import: "" when it was read.
std::string ImportMessage(const std::string& path) {
  const auto s = ImportFile(path, ImportOptions{});
  return s ? std::string() : s.error().message;
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

  // A column is found by its name or number only: CFITSIO's wildcards are not names.
  ImportOptions wildcard;
  wildcard.fluxCol = "SAP_FL*";
  EXPECT_FALSE(ImportFile(path, wildcard).has_value());
  ImportOptions byNumber;
  byNumber.fluxCol = "4";
  const auto fourth = ImportFile(path, byNumber);
  ASSERT_TRUE(fourth.has_value()) << fourth.error().message;
  EXPECT_EQ(fourth->valueColumn, "SAP_FLUX");

  // Without PDCSAP_FLUX: FLUX (lightkurve, EVEREST), else SAP_FLUX (QLP), said in the notes.
  struct Fallback {
    std::string secondColumn, read, error;
  };
  for (const Fallback& f : {Fallback{"FLUX", "FLUX", "FLUX_ERR"}, Fallback{"KSPSAP_FLUX", "SAP_FLUX", "SAP_FLUX_ERR"}}) {
    SCOPED_TRACE(f.secondColumn);
    FitsLightCurve lc = Sample();
    lc.fluxName = f.secondColumn;
    ASSERT_EQ(WriteFitsLightCurve(path, lc), 0);
    const auto r = ImportFile(path, ImportOptions{});
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_EQ(r->valueColumn, f.read);
    EXPECT_EQ(r->errColumn, f.error);
    EXPECT_NE(Notes(*r).find("no PDCSAP_FLUX column: " + f.read + " is read"), std::string::npos) << Notes(*r);
  }
  fs::remove(path);
}

TEST(FitsLightCurve, RefusesWhatItCannotRead) {
  const std::string path = TempPath("bad.fits");
  FitsLightCurve noRef = Sample();
  noRef.withBjdRef = false;
  ASSERT_EQ(WriteFitsLightCurve(path, noRef), 0);
  auto s = ImportFile(path, ImportOptions{});
  ASSERT_FALSE(s.has_value());
  EXPECT_EQ(s.error().message,
            "Extension LIGHTCURVE has no time reference (BJDREFI, MJDREFI, MJDREF or JDREF), so the times' "
            "reference is unknown.");

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
  fs::remove(path);
}

// One header per row: the first full time and the scale it gives, or the
// refusal naming the keyword. TIME of the first row is 1683.25 (days or
// seconds, as TIMEUNIT says).
struct HeaderCase {
  const char* name;
  bool bjdRef;  // BJDREFI = 2457000, BJDREFF = 0 written
  const char *timesys, *timeref;
  std::vector<std::pair<std::string, std::string>> keywords;
  double firstTime;  // NaN: refused
  TimeScale scale;
  const char* says;  // in the refusal, or in the notes ("" for nothing)
  std::vector<std::pair<std::string, std::string>> primaryKeywords = {};
};

TEST(FitsLightCurve, TimeReferenceUnitAndScaleFromTheHeader) {
  const double refused = std::nan("");
  const double inSeconds = 1683.25 / 86400.0;
  const TimeScale bjd = TimeScale::BjdTdb, unknown = TimeScale::Unknown;
  const std::vector<HeaderCase> cases = {
      {"Kepler", false, "TDB", "SOLARSYSTEM", {{"BJDREFI", "2454833"}, {"BJDREFF", "0.0"}, {"TIMEUNIT", "'d'"}},
       2454833 + 1683.25, bjd, ""},
      {"TESS", true, "TDB", "SOLARSYSTEM", {{"TIMEUNIT", "'d'"}}, 2458683.25, bjd, ""},
      {"BJDREFF", true, "TDB", "SOLARSYSTEM", {{"BJDREFF", "0.5"}}, 2458683.75, bjd,
       "TIMEUNIT is missing: TIME is read in days"},
      {"MJDREFI+F", false, "TDB", "SOLARSYSTEM", {{"MJDREFI", "58000"}, {"MJDREFF", "0.25"}, {"TIMEUNIT", "'d'"}},
       2458000.75 + 1683.25, bjd, "MJDREFI + MJDREFF + 2400000.5"},
      {"MJDREF", false, "TDB", "SOLARSYSTEM", {{"MJDREF", "58000.25"}, {"TIMEUNIT", "'D'"}}, 2458000.75 + 1683.25,
       bjd, ""},
      {"JDREF", false, "TDB", "SOLARSYSTEM", {{"JDREF", "2458000.75"}, {"TIMEUNIT", "'day'"}},
       2458000.75 + 1683.25, bjd, ""},
      {"BJDREFI first", true, "TDB", "SOLARSYSTEM", {{"MJDREF", "50000.0"}, {"TIMEUNIT", "'d'"}}, 2458683.25, bjd,
       ""},
      {"seconds", false, "TT", "LOCAL", {{"MJDREF", "50814.0"}, {"TIMEUNIT", "'s'"}}, 2450814.5 + inSeconds,
       unknown, "TIMESYS = TT, TIMEREF = LOCAL"},
      {"sec", false, "TDB", "SOLARSYSTEM", {{"MJDREFI", "50814"}, {"MJDREFF", "0.0"}, {"TIMEUNIT", "'SEC'"}},
       2450814.5 + inSeconds, bjd, ""},
      {"seconds by default", false, "TDB", "SOLARSYSTEM", {{"MJDREF", "50814.0"}}, 2450814.5 + inSeconds, bjd,
       "TIMEUNIT is missing: TIME is read in seconds"},
      {"TIMEZERO", false, "TDB", "SOLARSYSTEM", {{"MJDREF", "50814.0"}, {"TIMEUNIT", "'s'"}, {"TIMEZERO", "41516.75"}},
       2450815.0, bjd, "TIMEZERO"},
      {"UTC topocentre", true, "UTC", "TOPOCENTER", {{"TIMEUNIT", "'d'"}}, 2458683.25, TimeScale::JdUtc, ""},
      {"UTC geocentre", true, "UTC", "GEOCENTER", {{"TIMEUNIT", "'d'"}}, 2458683.25, TimeScale::JdUtc, ""},
      {"UTC heliocentre", true, "UTC", "HELIOCENTER", {{"TIMEUNIT", "'d'"}}, 2458683.25, TimeScale::HjdUtc, ""},
      {"TDB barycentre", true, "TDB", "BARYCENTER", {{"TIMEUNIT", "'d'"}}, 2458683.25, bjd, ""},
      {"lower case", true, "tdb", "solarsystem", {{"TIMEUNIT", "'d'"}}, 2458683.25, bjd, ""},
      {"TDB, no TIMEREF", true, "TDB", "", {{"TIMEUNIT", "'d'"}}, 2458683.25, unknown, "TIMEREF is missing"},
      {"no TIMESYS", true, "", "SOLARSYSTEM", {{"TIMEUNIT", "'d'"}}, 2458683.25, unknown, "TIMESYS is missing"},
      {"UTC barycentre", true, "UTC", "SOLARSYSTEM", {{"TIMEUNIT", "'d'"}}, 2458683.25, unknown, "left unknown"},
      {"TT barycentre", true, "TT", "SOLARSYSTEM", {{"TIMEUNIT", "'d'"}}, 2458683.25, unknown, "left unknown"},
      {"TCB", true, "TCB", "SOLARSYSTEM", {{"TIMEUNIT", "'d'"}}, 2458683.25, unknown, "left unknown"},
      {"UTC local", true, "UTC", "LOCAL", {{"TIMEUNIT", "'d'"}}, 2458683.25, unknown, "left unknown"},
      {"minutes", true, "TDB", "SOLARSYSTEM", {{"TIMEUNIT", "'min'"}}, refused, unknown, "TIMEUNIT = 'min'"},
      {"years", true, "TDB", "SOLARSYSTEM", {{"TIMEUNIT", "'yr'"}}, refused, unknown, "TIMEUNIT = 'yr'"},
      {"MJDREF text", false, "TDB", "SOLARSYSTEM", {{"MJDREF", "'abc'"}}, refused, unknown, "MJDREF = 'abc'"},
      {"BJDREFI text", true, "TDB", "SOLARSYSTEM", {{"BJDREFI", "'x'"}}, refused, unknown, "BJDREFI = 'x'"},
      {"BJDREFF alone", false, "TDB", "SOLARSYSTEM", {{"BJDREFF", "0.5"}}, refused, unknown,
       "BJDREFF without BJDREFI"},
      {"MJDREFF alone", false, "TDB", "SOLARSYSTEM", {{"MJDREFF", "0.5"}}, refused, unknown,
       "MJDREFF without MJDREFI"},
      {"DATEREF only", false, "TDB", "SOLARSYSTEM", {{"DATEREF", "'2010-01-01T00:00:00'"}}, refused, unknown,
       "DATEREF = '2010-01-01T00:00:00'"},
      // Keywords of the primary header count where the table says INHERIT = T.
      {"inherited", false, "", "", {{"INHERIT", "T"}}, 2458000.75 + 1683.25, bjd, "",
       {{"MJDREFI", "58000"}, {"MJDREFF", "0.25"}, {"TIMEUNIT", "'d'"}, {"TIMESYS", "'TDB'"},
        {"TIMEREF", "'SOLARSYSTEM'"}}},
      {"table's own first", true, "UTC", "TOPOCENTER", {{"INHERIT", "T"}, {"TIMEUNIT", "'d'"}}, 2458683.25,
       TimeScale::JdUtc, "", {{"MJDREF", "58000.25"}, {"TIMESYS", "'TDB'"}, {"TIMEREF", "'SOLARSYSTEM'"}}},
      {"not inherited", false, "", "", {}, refused, unknown, "has no time reference",
       {{"MJDREF", "58000.25"}, {"TIMEUNIT", "'d'"}}},
  };
  const std::string path = TempPath("header.fits");
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    FitsLightCurve lc = Sample();
    lc.withBjdRef = c.bjdRef;
    lc.timesys = c.timesys;
    lc.timeref = c.timeref;
    lc.keywords = c.keywords;
    lc.primaryKeywords = c.primaryKeywords;
    ASSERT_EQ(WriteFitsLightCurve(path, lc), 0);
    const auto s = ImportFile(path, ImportOptions{});
    if (std::isnan(c.firstTime)) {
      ASSERT_FALSE(s.has_value());
      EXPECT_NE(s.error().message.find(c.says), std::string::npos) << s.error().message;
      continue;
    }
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_NEAR(s->time.front(), c.firstTime, 1e-9);
    EXPECT_EQ(s->timeScale, c.scale);
    EXPECT_NE(Notes(*s).find(c.says), std::string::npos) << Notes(*s);
  }
  fs::remove(path);
}

// A full date is the reference's whole days plus (its fraction plus TIME),
// rounded once: within half a unit in the last place of the exact sum, where
// adding the whole days first and the fraction after rounds twice.
TEST(FitsLightCurve, ReferenceAndTimeAddUpRoundedOnce) {
  struct Reference {
    const char* name;
    std::vector<std::pair<std::string, std::string>> keywords;
    long double exactRef;
  };
  const std::vector<Reference> refs = {
      {"BJDREFI+BJDREFF", {{"BJDREFI", "2454833"}, {"BJDREFF", "0.000123456789"}}, 2454833.0L + 0.000123456789L},
      {"MJDREFI+MJDREFF", {{"MJDREFI", "55000"}, {"MJDREFF", "0.00074287037"}}, 2455000.5L + 0.00074287037L},
  };
  std::mt19937_64 rng(20261207);
  std::uniform_real_distribution<double> day(0.0, 1500.0);
  FitsLightCurve lc;
  for (int i = 0; i < 400; ++i) lc.rows.push_back({day(rng), 1000.0, 1.0, 1000.0, 1.0, 0});
  const std::string path = TempPath("precision.fits");
  for (const Reference& r : refs) {
    SCOPED_TRACE(r.name);
    lc.withBjdRef = false;
    lc.keywords = r.keywords;
    lc.keywords.push_back({"TIMEUNIT", "'d'"});
    ASSERT_EQ(WriteFitsLightCurve(path, lc), 0);
    const auto s = ImportFile(path, ImportOptions{});
    ASSERT_TRUE(s.has_value()) << s.error().message;
    ASSERT_EQ(s->size(), lc.rows.size());
    std::vector<double> times;
    for (const FitsRow& row : lc.rows) times.push_back(row.time);
    std::sort(times.begin(), times.end());
    // The keywords' decimal texts and the exact references above are the
    // same numbers only to double precision: compare with what the file holds.
    const long double ref = static_cast<long double>(static_cast<double>(r.exactRef - std::floor(r.exactRef))) +
                            std::floor(r.exactRef);
    int worse = 0;
    for (size_t i = 0; i < times.size(); ++i) {
      const long double exact = ref + static_cast<long double>(times[i]);
      const double halfUlp = 0.5 * (std::nextafter(static_cast<double>(exact), 1e300) - static_cast<double>(exact));
      if (std::fabs(static_cast<long double>(s->time[i]) - exact) > halfUlp + 1e-12) ++worse;
    }
    EXPECT_EQ(worse, 0);
  }
  fs::remove(path);
}

// Tables of more than one value per row in a column are refused, saying
// what the file appears to be; a vector column the reader does not use is
// no reason to refuse.
TEST(FitsLightCurve, RefusesColumnsOfSeveralValuesPerRow) {
  struct VectorCase {
    const char* name;
    std::string extname;
    long timeRepeat, fluxRepeat;
    std::vector<std::pair<std::string, std::string>> extra;
    const char* says;  // "" : read
  };
  const std::vector<VectorCase> cases = {
      {"vector TIME", "LIGHTCURVE", 2, 1, {}, "column \"TIME\" holds 2 values per row"},
      {"vector flux", "LIGHTCURVE", 1, 3, {}, "column \"PDCSAP_FLUX\" holds 3 values per row"},
      {"Kepler target pixels", "TARGETTABLES", 1, 1, {{"FLUX", "121E"}}, "appears to be a target-pixel file"},
      {"TESScut pixels", "PIXELS", 1, 1, {{"FLUX", "100E"}}, "appears to be a target-pixel file"},
      {"pixels by column", "DATA", 1, 1, {{"RAW_CNTS", "25J"}}, "appears to be a target-pixel file"},
      {"TESS basis vectors", "CBV.SINGLE-SCALE.1", 1, 1, {{"VECTOR_1", "E"}}, "co-trending basis vectors"},
      {"Kepler basis vectors", "MODOUT_1_1", 1, 1, {{"VECTOR_1", "E"}}, "co-trending basis vectors"},
      {"unused vector column", "LIGHTCURVE", 1, 1, {{"PSF_PARAMS", "3E"}}, ""},
  };
  const std::string path = TempPath("vector.fits");
  for (const VectorCase& c : cases) {
    SCOPED_TRACE(c.name);
    FitsLightCurve lc = Sample();
    lc.extname = c.extname;
    lc.timeRepeat = c.timeRepeat;
    lc.fluxRepeat = c.fluxRepeat;
    lc.extraColumns = c.extra;
    ASSERT_EQ(WriteFitsLightCurve(path, lc), 0);
    const std::string message = ImportMessage(path);
    if (*c.says == '\0') {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
  }
  fs::remove(path);
}

// A header promising more rows than the file holds, and a file cut short,
// are refused as truncated before any column is allocated; a 17 KB file
// claiming a trillion rows completes within 3 times its size plus 64 MiB.
TEST(FitsLightCurve, RefusesRowsTheFileDoesNotHold) {
  const std::string good = TempPath("whole.fits");
  FitsLightCurve lc = Sample();
  for (int i = 0; i < 300; ++i) lc.rows.push_back({1690.0 + i * 0.01, 1000.0, 1.0, 1000.0, 1.0, 0});
  ASSERT_EQ(WriteFitsLightCurve(good, lc), 0);
  ASSERT_EQ(ImportMessage(good), "");
  const size_t size = test::FileSize(good), dataStart = test::TableDataStart(good);
  ASSERT_GT(dataStart, 0u);
  ASSERT_LT(size, 20000u);
  const std::string bytes = test::FileBytes(good);
  const size_t kRowBytes = 8 + 4 * 4 + 4;  // TIME D, four E columns, QUALITY J

  struct Damage {
    const char* name;
    const char* key;    // a card of the table's header to set ("": none)
    std::string value;  // its new value
    size_t cutAt;       // 0: not cut
    const char* says;
  };
  const std::vector<Damage> cases = {
      {"a trillion rows", "NAXIS2", "1000000000000", 0, "truncated"},
      {"one row more than the file holds", "NAXIS2", std::to_string((size - dataStart) / kRowBytes + 1), 0,
       "truncated"},
      {"NAXIS2 near the largest", "NAXIS2", "9000000000000000000", 0, "truncated"},
      {"cut inside the table", "", "", dataStart + 1000, "truncated"},
      {"cut inside the table's header", "", "", dataStart - 1000, "truncated"},
      {"cut after the primary header", "", "", 2881, "truncated"},
      {"cut inside the primary header", "", "", 1000, "truncated"},
      {"rows of no bytes", "NAXIS1", "0", 0, "header of extension 1 of"},
      {"negative row count", "NAXIS2", "-5", 0, "NAXIS2 with value -5"},
      {"a column fewer than TFIELDS says", "TFIELDS", "7", 0, "TFORM7"},
      {"a vector of 10^8 times per row", "TFORM1", "'100000000D'", 0, "holds 100000000 values per row"},
      {"the file's rows exactly, no padding", "", "", dataStart + lc.rows.size() * kRowBytes, ""},
  };
  // The limit is in force: a quarter of a GiB cannot be had under it.
  // (AddressSanitizer ends the program where operator new runs out, instead
  // of throwing, so the control runs only without it.)
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(RunWithAddressLimit(64u << 20, [] { return std::to_string(std::vector<char>(256u << 20).size()); }),
            "bad_alloc");
#endif
  const std::string path = TempPath("damaged.fits");
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.name);
    { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; }
    if (*d.key != '\0') {
      ASSERT_TRUE(test::SetTableCard(path, d.key, d.value));
    }
    if (d.cutAt != 0) {
      ASSERT_TRUE(test::CutFile(path, d.cutAt));
    }
    const size_t input = test::FileSize(path);
    const std::string message =
        RunWithAddressLimit(3 * input + (64u << 20), [&path] { return ImportMessage(path); });
    if (*d.says == '\0') {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(d.says), std::string::npos) << message;
    }
  }
  // A file of a primary header alone is complete: it holds no table.
  { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes.substr(0, 2880); }
  EXPECT_NE(ImportMessage(path).find("holds no binary table"), std::string::npos) << ImportMessage(path);
  fs::remove(path);
  fs::remove(good);
}

// A table of more than a million rows is read only inside --from/--until,
// as a text file is, whatever narrow rows it has.
TEST(FitsLightCurve, KeepsAMillionRowsAtMostInsideTheIntervalChosen) {
  FitsLightCurve lc;
  lc.keywords = {{"TIMEUNIT", "'d'"}};
  const int rows = 1000001;
  lc.rows.reserve(rows);
  for (int i = 0; i < rows; ++i) lc.rows.push_back({i * 0.001, 1000.0, 1.0, 1000.0, 1.0, 0});
  const std::string path = TempPath("million.fits");
  ASSERT_EQ(WriteFitsLightCurve(path, lc), 0);
  lc.rows = {};
  struct Interval {
    std::optional<double> from, until;
    size_t kept;       // 0: refused
    const char* says;  // in the refusal or the notes
  };
  const std::vector<Interval> cases = {
      {std::nullopt, std::nullopt, 0, "Choose a time interval around the eclipses you need (--from, --until)"},
      {2457100.0005, 2457200.0005, 100000, "only the 100000 usable ones inside the time interval chosen"},
      {2457999.9995, std::nullopt, 1, "only the 1 usable ones"},
      {2457000.0, 2458001.0, 0, "holds more than that too"},
  };
  for (const Interval& c : cases) {
    ImportOptions o;
    o.keepFrom = c.from;
    o.keepUntil = c.until;
    const auto s = ImportFile(path, o);
    if (c.kept == 0) {
      ASSERT_FALSE(s.has_value());
      EXPECT_NE(s.error().message.find(c.says), std::string::npos) << s.error().message;
      continue;
    }
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_EQ(s->size(), c.kept);
    EXPECT_NE(Notes(*s).find(c.says), std::string::npos) << Notes(*s);
  }
  fs::remove(path);
}

// A .fits.gz is read as its plain file is; a gzip bomb, a truncated stream
// and a compressed file that is no FITS are refused naming the compression.
TEST(FitsLightCurve, ReadsGzipWithinBoundedMemory) {
  const std::string plain = TempPath("plain.fits"), gz = TempPath("lc.fits.gz");
  ASSERT_EQ(WriteFitsLightCurve(plain, Sample()), 0);
  const std::string bytes = test::FileBytes(plain);
  ASSERT_TRUE(test::WriteGzip(gz, bytes));
  EXPECT_TRUE(LooksLikeFits(gz));
  // Detected as FITS from its bytes, so that a refusal of the compressed file
  // is the one shown, not a text reader's.
  EXPECT_EQ(DetectFormat(test::FileBytes(gz)), Format::Fits);
  const auto a = ImportFile(plain, ImportOptions{});
  const auto b = ImportFile(gz, ImportOptions{});
  ASSERT_TRUE(a.has_value()) << a.error().message;
  ASSERT_TRUE(b.has_value()) << b.error().message;
  EXPECT_EQ(a->time, b->time);
  EXPECT_EQ(a->mag, b->mag);
  EXPECT_EQ(b->timeScale, TimeScale::BjdTdb);
  EXPECT_NE(Notes(*b).find("gzip-compressed"), std::string::npos);

  struct Case {
    const char* name;
    std::function<bool(const std::string&)> write;
    const char* says;
  };
  const size_t bomb = kMaxInflatedFitsBytes * 8;  // 128 MiB of zeros in about 128 KB
  const std::vector<Case> cases = {
      {"bomb", [&](const std::string& p) { return test::WriteGzipBomb(p, bytes.substr(0, 5760), bomb); },
       "decompresses to more than 16 MiB"},
      {"truncated", [&](const std::string& p) {
         return test::WriteGzip(p, bytes) && test::CutFile(p, test::FileSize(p) / 2);
       }, "gzip-compressed and truncated"},
      {"not FITS", [](const std::string& p) { return test::WriteGzip(p, "HJD,mag\n2450000.1,10.2\n"); },
       "gzip-compressed and holds no FITS file"},
  };
  const std::string path = TempPath("case.fits.gz");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.write(path));
    const size_t input = test::FileSize(path);
    EXPECT_LT(input, bomb / 100);
    const std::string message =
        RunWithAddressLimit(3 * input + (64u << 20), [&path] { return ImportMessage(path); });
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
    // Asked for FITS explicitly, the same.
    ImportOptions fits;
    fits.format = Format::Fits;
    const auto s = ImportFile(path, fits);
    ASSERT_FALSE(s.has_value());
    EXPECT_NE(s.error().message.find(c.says), std::string::npos) << s.error().message;
  }
  fs::remove(path);
  fs::remove(plain);
  fs::remove(gz);
}

// Runs in a fresh folder as the working folder, restored afterwards.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) : previous_(fs::current_path()) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
  }
  ~InFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

// A name is a file's name and nothing else: CFITSIO's copy, filter and
// extension syntax, its prefixes and "-" for standard input mean nothing,
// and "x.fits" never opens "x.fits.gz".
TEST(FitsLightCurve, OpensExactlyTheNameGiven) {
  const std::string folder = TempPath("names");
  InFolder in(folder);
  FitsLightCurve other = Sample();
  other.bjdRefI = 2400000;  // a different first time: 2401683.25
  ASSERT_EQ(WriteFitsLightCurve("a.fits", other), 0);
  ASSERT_EQ(WriteFitsLightCurve("b.fits", other), 0);
  fs::create_directories("file:");
  fs::create_directories("mem:");
  const std::vector<std::string> names = {"a.fits(evil.fits)", "a.fits[1]", "a.fits[LIGHTCURVE][TIME > 0]",
                                          "-",  "stdin", "file://b.fits", "mem://b.fits", "a.fits+1"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_EQ(WriteFitsLightCurve("./" + name, Sample()), 0);
    for (int entry = 0; entry < 2; ++entry) {
      const auto s = entry == 0 ? ImportFile(name, ImportOptions{}) : ReadFitsLightCurve(name, ImportOptions{});
      ASSERT_TRUE(s.has_value()) << s.error().message;
      EXPECT_NEAR(s->time.front(), 2458683.25, 1e-9);  // this file's times, not a.fits's
    }
    EXPECT_FALSE(fs::exists("evil.fits"));
  }

  // x.fits is missing, x.fits.gz is there: no file, no reading.
  ASSERT_TRUE(test::WriteGzip("x.fits.gz", test::FileBytes("a.fits")));
  const auto missing = ReadFitsLightCurve("x.fits", ImportOptions{});
  ASSERT_FALSE(missing.has_value());
  EXPECT_NE(missing.error().message.find("x.fits"), std::string::npos);
  EXPECT_FALSE(LooksLikeFits("x.fits"));
  EXPECT_TRUE(LooksLikeFits("a.fits"));
  EXPECT_FALSE(LooksLikeFits("."));
}

// A FIFO without a writer is refused at once, never waited on.
TEST(FitsLightCurve, NeverWaitsOnAFifo) {
  const std::string fifo = TempPath("fifo.fits");
  fs::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto looks = std::make_shared<std::promise<bool>>();
  auto read = std::make_shared<std::promise<bool>>();
  std::future<bool> looksDone = looks->get_future(), readDone = read->get_future();
  std::thread worker([fifo, looks, read] {
    looks->set_value(LooksLikeFits(fifo));
    read->set_value(ReadFitsLightCurve(fifo, ImportOptions{}).has_value());
  });
  const bool looksInTime = looksDone.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  const bool readInTime = readDone.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  // A reader still blocked is released by a writer that opens and closes.
  for (int i = 0; i < 2 && !(looksInTime && readInTime); ++i) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  worker.join();
  EXPECT_TRUE(looksInTime);
  EXPECT_TRUE(readInTime);
  EXPECT_FALSE(looksDone.get());
  EXPECT_FALSE(readDone.get());
  fs::remove(fifo);
}

}  // namespace
}  // namespace vantor::import
