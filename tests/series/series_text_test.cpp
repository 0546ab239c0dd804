// Tests of the O-C lines of a series: a secondary's cycle carries its whole
// phase (12.47, not 12.5 or 12), primaries the same number of decimals.
#include "series/series_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vantor {
namespace {

TEST(SeriesOcLines, SecondaryCyclesCarryTheirWholePhase) {
  struct Case {
    double phase;
    int decimals;
    const char* primary;
    const char* secondary;
  };
  for (const Case& c :
       {Case{0.5, 1, "12.0", "12.5"}, Case{0.47, 2, "12.00", "12.47"},
        Case{0.4712, 4, "12.0000", "12.4712"}, Case{0.7126, 4, "12.0000", "12.7126"},
        Case{0.123456789, 6, "12.000000", "12.123457"}}) {
    SCOPED_TRACE(c.phase);
    EXPECT_EQ(CycleDecimals(c.phase), c.decimals);
    SeriesResult r;
    SeriesRow p, s, missing;
    p.cycle = s.cycle = 12, missing.cycle = 13;
    p.kind = 'P', s.kind = 'S', missing.kind = 'P';
    p.time = 2459000.5, s.time = 2459001.1;
    p.error = s.error = 0.0001;
    r.rows = {p, s, missing};
    const std::string expected = std::string(c.primary) + ", 2459000.500000, 0.000100\n" +
                                 c.secondary + ", 2459001.100000, 0.000100\n";
    EXPECT_EQ(SeriesOcLines(r, c.phase), expected);
  }
}

}  // namespace
}  // namespace vantor
