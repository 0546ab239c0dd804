// The table of minima of TimeSeries as text, for the command line and for
// export from the program.
#pragma once

#include <string>

#include "series/series.h"

namespace vantor {

// An aligned table: a title naming the file and its time scale, the
// ephemeris, one line per predicted minimum (cycle, kind, time, error, O-C in
// days and minutes, points, the methods or why there is no time) and the
// refined ephemeris.
std::string SeriesTable(const SeriesResult& r, const std::string& file, const std::string& scale);

// Comma-separated values: comment lines ("# ...") with the time scale and the
// ephemerides, a header line, then cycle, kind, predicted, time, error,
// o_minus_c (d), o_minus_c_min, n_points, methods and their times (each
// separated by ";"), and the message in double quotes. Empty fields for a
// minimum without a time.
std::string SeriesCsv(const SeriesResult& r, const std::string& scale);

// One line "cycle, time, error" per delivered minimum, a secondary at cycle +
// its phase: what O-C tools import.
std::string SeriesOcLines(const SeriesResult& r, double secondaryPhase);

}  // namespace vantor
