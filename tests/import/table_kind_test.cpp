// Tables without a header, or with one whose words do not say flux or
// magnitude: flux or magnitude decided by what the eclipses do to the
// column, and every row of a headerless table kept in every layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/number.h"
#include "import/importer.h"

namespace vantor::import {
namespace {

// A night of `n` points two minutes apart: `level` plus Gaussian noise of
// `noise`, and eclipses of `depth` (negative: dips) every `period` days,
// Gaussian of 0.02 d, with `second` half a period later; written as
// "time<sep>value" rows under `header`.
std::string Curve(double level, double depth, double noise, const std::string& header = "", int n = 400,
                  char sep = ' ', double period = 0.25, double second = 0.0) {
  std::mt19937 rng(7);
  std::normal_distribution<double> gauss(0.0, noise);
  std::string text = header.empty() ? "" : header + "\n";
  for (int i = 0; i < n; ++i) {
    const double t = 2459000.0 + i * (2.0 / 1440.0);
    const double phase = std::remainder(t - 2459000.1, period);
    const double half = std::remainder(t - 2459000.1 - period / 2, period);
    const double v = level + depth * std::exp(-0.5 * (phase / 0.02) * (phase / 0.02)) +
                     second * std::exp(-0.5 * (half / 0.02) * (half / 0.02)) + gauss(rng);
    text += FormatNumber(t, 'f', 6) + sep + FormatNumber(v, 'f', 6) + "\n";
  }
  return text;
}

ImportOptions Mag(const std::string& col) {
  ImportOptions o;
  o.magCol = col;
  return o;
}

enum class Read { Flux, Magnitude, Refused };

TEST(ImporterShape, EclipsesDecideFluxOrMagnitudeWhereNoNameSays) {
  struct Case {
    const char* what;
    std::string text;
    ImportOptions options;
    Read read;
    std::string noteHolds;  // in the first note, or in the refusal
  };
  const std::vector<Case> cases = {
      {"normalised flux with dips", Curve(1.0, -0.3, 0.002), {}, Read::Flux,
       "fluxes: column 2 (no header: the second column; positive values near 0.99"},
      {"raw counts with dips", Curve(52000, -9000, 60), {}, Read::Flux, "with dips below it: eclipses in flux"},
      {"magnitudes with peaks", Curve(12.0, 0.4, 0.003), {}, Read::Magnitude,
       "with peaks above it: eclipses in magnitudes, read as magnitudes"},
      {"a tab table of flux", Curve(1.0, -0.1, 0.002, "", 400, '\t'), {}, Read::Flux, "(fields separated by tab)"},
      {"noise only", Curve(1.0, 0.0, 0.002), {}, Read::Refused,
       "Name it: --mag-col 2 for magnitudes or --flux-col 2 for fluxes."},
      {"noise only, the column named", Curve(1.0, 0.0, 0.002), Mag("2"), Read::Magnitude, "(as chosen"},
      {"dips and peaks alike", Curve(1.0, -0.2, 0.002, "", 400, ' ', 0.25, 0.2), {}, Read::Refused,
       "neither dip clearly below"},
      // Negative values: relative magnitudes, as always.
      {"relative magnitudes near zero", Curve(-0.05, 0.3, 0.003), {}, Read::Magnitude,
       "magnitudes: column 2 (no header: the second column; no error column)"},
      // Positive but spread far from any level: magnitudes, as always.
      {"positive values far from a level", Curve(0.05, 0.8, 0.003, "", 400, ' ', 0.08), {}, Read::Magnitude,
       "(no header: the second column; no error column)"},
      // A header word wins over the shape.
      {"named flux, shaped as magnitudes", Curve(12.0, 0.4, 0.003, "time flux"), {}, Read::Flux, "the first flux column"},
      {"named magnitude, shaped as flux", Curve(1.0, -0.3, 0.002, "time mag"), {}, Read::Magnitude,
       "the first magnitude column; no error column"},
      {"named V, shaped as flux", Curve(1.0, -0.3, 0.002, "HJD V"), {}, Read::Magnitude, "the first magnitude column"},
      {"named sap, shaped as magnitudes", Curve(12.0, 0.4, 0.003, "time sap"), {}, Read::Flux, "the first flux column"},
      // Header words that say neither: the shape decides.
      {"named value, shaped as flux", Curve(1.0, -0.3, 0.002, "time value"), {}, Read::Flux,
       "no name says magnitude or flux: the first other column; positive values near 0.99"},
      {"named value, shaped as magnitudes", Curve(12.0, 0.4, 0.003, "time value"), {}, Read::Magnitude,
       "eclipses in magnitudes"},
      // Too few points to show an eclipse: magnitudes as the layout always read them.
      {"two points", "2459812.30 1.0\n2459812.31 0.9\n", {}, Read::Magnitude, "no header: the second column; no error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto s = ImportText(c.text, c.options);
    if (c.read == Read::Refused) {
      ASSERT_FALSE(s.has_value());
      EXPECT_NE(s.error().message.find(c.noteHolds), std::string::npos) << s.error().message;
      continue;
    }
    ASSERT_TRUE(s.has_value()) << s.error().message;
    ASSERT_FALSE(s->notes.empty());
    EXPECT_NE(s->notes.front().find(c.noteHolds), std::string::npos) << s->notes.front();
    EXPECT_EQ(s->fromFlux, c.read == Read::Flux) << s->notes.front();
    // Dips read as flux: the eclipse is the faintest point, the largest magnitude.
    if (s->notes.front().find("dips below it") != std::string::npos) {
      const auto faintest = std::max_element(s->mag.begin(), s->mag.end());
      EXPECT_GT(*faintest, 0.05);
      EXPECT_NEAR(std::remainder(s->time[static_cast<size_t>(faintest - s->mag.begin())] - 2459000.1, 0.25),
                  0.0, 0.01);
    }
  }
}

// Vantor's own comma layout stays time and magnitude, at any length, whatever
// the shape; where it looks like flux the note says how to read it so.
TEST(ImporterShape, TheProgramsOwnLayoutStaysMagnitudes) {
  for (const int n : {400, 1500}) {
    SCOPED_TRACE(n);
    const std::string text = Curve(1.0, -0.3, 0.002, "", n, ',');
    const auto s = ImportText(text, ImportOptions{});
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_FALSE(s->fromFlux);
    ASSERT_EQ(s->size(), static_cast<size_t>(n));
    EXPECT_EQ(s->mag.front(), std::stod(text.substr(text.find(',') + 1, 8)));
    if (s->format == Format::Table) {
      EXPECT_NE(s->notes.front().find("--flux-col 2 reads them as fluxes"), std::string::npos) << s->notes.front();
    }
    // The same table with blanks between its fields is no file of the layout.
    std::string blanks = text;
    std::replace(blanks.begin(), blanks.end(), ',', ' ');
    const auto b = ImportText(blanks, ImportOptions{});
    ASSERT_TRUE(b.has_value()) << b.error().message;
    EXPECT_TRUE(b->fromFlux);
  }
  // A header naming the flux turns it into magnitudes there too.
  const auto named = ImportText(Curve(1.0, -0.3, 0.002, "HJD,flux", 400, ','), ImportOptions{});
  ASSERT_TRUE(named.has_value()) << named.error().message;
  EXPECT_TRUE(named->fromFlux);
}

// Every row of a headerless table is kept, in every layout: first rows the
// program's own reader would take for a header (an exponent, a tab, a comma
// at the end) among them.
TEST(ImporterRows, NoRowOfAHeaderlessTableIsLost) {
  struct Case {
    const char* what;
    std::string text;
    double firstTime, firstMag;
    bool tableForTheOriginalLayout;
  };
  const std::string rest = "2455000.002,10.1\n2455000.004,10.3\n2455000.006,10.1\n";
  const std::vector<Case> cases = {
      {"comma", "2455000.000,10.0\n" + rest, 2455000.0, 10.0, false},
      {"an exponent", "2455000.000,1.0e+1\n" + rest, 2455000.0, 10.0, true},
      {"a tab after the comma", "2455000.000,\t10.0\n" + rest, 2455000.0, 10.0, true},
      {"a comma at the end", "2455000.000,10.0,\n" + rest, 2455000.0, 10.0, true},
      {"blanks", "2455000.000 10.0\n2455000.002 10.1\n2455000.004 10.3\n", 2455000.0, 10.0, false},
      {"tabs, CR LF", "2455000.000\t10.0\r\n2455000.002\t10.1\r\n2455000.004\t10.3\r\n", 2455000.0, 10.0, false},
      {"semicolons", "2455000.000;10.0\n2455000.002;10.1\n2455000.004;10.3\n", 2455000.0, 10.0, false},
      {"a comment above", "# K2 light curve, rebinned\n2455000.000 10.0\n2455000.002 10.1\n2455000.004 10.3\n",
       2455000.0, 10.0, false},
      {"a column of words", "2455000.000 10.0 0.01 ok\n2455000.002 10.1 0.01 ok\n2455000.004 10.3 0.01 ok\n",
       2455000.0, 10.0, false},
      {"a missing error first", "2455000.000 10.0 NA\n2455000.002 10.1 0.01\n2455000.004 10.3 0.01\n",
       2455000.0, 10.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    size_t rows = 0;
    for (const char ch : c.text) rows += ch == '\n';
    if (c.text.front() == '#') --rows;
    const auto s = ImportText(c.text, ImportOptions{});
    ASSERT_TRUE(s.has_value()) << s.error().message;
    EXPECT_EQ(s->size(), rows);
    EXPECT_EQ(s->time.front(), c.firstTime);
    EXPECT_EQ(s->mag.front(), c.firstMag);
    EXPECT_EQ(HeaderAsksForMoreThanTheOriginalReader(c.text), c.tableForTheOriginalLayout);
  }
  // A first line the original reader rightly takes for a header stays one.
  for (const std::string header : {"HJD,mag\n", "1,2,3\n", "2455000.000,nan\n"}) {
    SCOPED_TRACE(header);
    EXPECT_FALSE(HeaderAsksForMoreThanTheOriginalReader(header + rest));
  }
  // A header over a column of words is still a header.
  const auto h = ImportText("time mag flag\n2455000.000 10.0 ok\n2455000.002 10.1 ok\n", ImportOptions{});
  ASSERT_TRUE(h.has_value()) << h.error().message;
  EXPECT_EQ(h->size(), 2u);
  EXPECT_EQ(h->valueColumn, "mag");
  // And a line of units under the header is refused, not read as a header.
  const auto units = ImportText("time mag\nd mag\n2455000.000 10.0\n", ImportOptions{});
  ASSERT_FALSE(units.has_value());
  EXPECT_EQ(units.error().line, 2);
}

// Real light curves as their authors wrote them (tests/data/real/more; a
// folder named by VANTOR_MORE_REAL_DATA adds the files found there).
TEST(ImporterShape, RealLightCurvesAreReadAsWhatTheyHold) {
  struct Case {
    const char* file;
    bool flux;
    size_t points;
  };
  const std::vector<Case> cases = {
      {"KIC_9246715_201408_Patrick.txt", false, 65896},
      {"gj3236-iz-20090102.lc", false, 1532},
      {"gj3236-V-5pix.lc", false, 245},
      {"HD144548full.lc", true, 22751},
  };
  std::vector<std::string> folders = {std::string(VANTOR_TEST_DATA_DIR) + "/real/more"};
  if (const char* more = std::getenv("VANTOR_MORE_REAL_DATA")) folders.emplace_back(more);
  int checked = 0;
  for (const Case& c : cases) {
    for (const auto& folder : folders) {
      const std::string path = folder + "/" + c.file;
      if (!std::filesystem::exists(path)) continue;
      SCOPED_TRACE(path);
      const auto s = ImportFile(path, ImportOptions{});
      ASSERT_TRUE(s.has_value()) << s.error().message;
      EXPECT_EQ(s->fromFlux, c.flux) << s->notes.front();
      EXPECT_EQ(s->size(), c.points);
      // The eclipses are the faintest points: far more above the median magnitude than below.
      std::vector<double> m = s->mag;
      std::sort(m.begin(), m.end());
      const double median = m[m.size() / 2];
      EXPECT_GT(m[m.size() - 1 - m.size() / 200] - median, 3 * (median - m[m.size() / 200]));
      ++checked;
      break;
    }
  }
  if (checked == 0) GTEST_SKIP() << "none of the real light curves is in tests/data/real/more";
}

}  // namespace
}  // namespace vantor::import
