// The table of minima of TimeSeries as text, for the command line and for
// export from the program.
#pragma once

#include <string>

#include "series/series.h"

namespace vantor {

// An aligned table: a title naming the file and its time scale, the
// ephemeris, one line per predicted minimum (cycle, kind, time, error, O-C in
// days and minutes, points, the profile method's time and error, then where
// the time comes from when it is the profile's, the methods, the profile's
// note, or why there is no time) and the refined ephemeris.
std::string SeriesTable(const SeriesResult& r, const std::string& file, const std::string& scale);

// Comma-separated values: comment lines ("# ...") with the time scale and the
// ephemerides, a header line, then cycle, kind, predicted, time, error,
// o_minus_c (d), o_minus_c_min, n_points, methods and their times (each
// separated by ";"), the profile method's time and error, where the time
// comes from ("methods" or "profile: " and why), the profile's note (or why
// it has no time), and the message, the last three in double quotes. Empty
// fields for a minimum without a time.
std::string SeriesCsv(const SeriesResult& r, const std::string& scale);

// The sentence on the minima's timing jitter where it raised their errors
// ("Timing jitter ..."), "" otherwise: under the refined ephemeris of the
// table, and as a comment line of the CSV.
std::string JitterText(const SeriesResult& r);

// The decimals that show a secondary's phase whole, at least 1 (0.5: 1,
// 0.47: 2, 0.4712: 4), at most kMaxCycleDecimals.
inline constexpr int kMaxCycleDecimals = 6;
int CycleDecimals(double secondaryPhase);

// One line "cycle, time, error" per delivered minimum, a secondary at cycle +
// its phase: what O-C tools import. Every cycle is written with
// CycleDecimals(secondaryPhase) decimals, so a secondary at phase 0.47 of
// cycle 12 reads 12.47 (and a primary 13.00).
std::string SeriesOcLines(const SeriesResult& r, double secondaryPhase);

}  // namespace vantor
