// What an importer gives: a light curve of any length as read from an
// observer's file (times, magnitudes, errors), the time scale those times are
// in, and what the importer did to get there (format, columns, rows dropped,
// flux turned into magnitude). Nothing here is limited to the store's 1000
// points: a series is put into the store by LoadSeriesIntoStore
// (import/load.h), a time interval of it at a time when it is longer.
//
// This header holds the types only; the readers are in import/importer.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/time_scale.h"

namespace vantor::import {

// The layouts the importer reads. Auto picks one from the file's content.
enum class Format { Auto, Vantor, Table, Aavso, Aij, Munipack, Fits };

// "auto", "vantor", "table", "aavso", "aij", "munipack", "fits".
std::string_view FormatName(Format f);
// The format of a name as FormatName gives it (any case); none for an unknown name.
std::optional<Format> ParseFormat(std::string_view name);

// What the user chose; every field left empty means "as the file says".
struct ImportOptions {
  Format format = Format::Auto;
  // Columns by header name (any case) or 1-based number, as typed.
  std::string timeCol, magCol, fluxCol, errCol;
  // AAVSO files holding several stars or filters: which one to read.
  std::string star, filter;
  // With several stars or filters and none chosen: take the first of each
  // (and say so) instead of refusing. The import window lists the others.
  bool firstWhenSeveral = false;
  // The time scale of the file's times when the file does not say it, or to
  // override what it says.
  std::optional<TimeScale> timeScale;
  // A file of more rows than the importer keeps (1,000,000) is read only
  // between these full JDs, in the file's own time scale (--from, --until
  // with a margin for a conversion): without them it is refused. A file
  // within the limit is always read whole.
  std::optional<double> keepFrom, keepUntil;
};

// One series as imported. time, mag and err have the same length; err holds
// NaN where the file gives no error. Times are in days in `timeScale`, in
// time order (the importer sorts a file that is not, and says so).
struct ImportedSeries {
  std::vector<double> time, mag, err;
  TimeScale timeScale = TimeScale::Unknown;
  // The constant the times are given less, when they are kept as the file
  // writes them: Vantor's own layout under a header such as "HJD-2400000"
  // is read as the original reader reads it. 0 for full dates (every other
  // layout adds the constant its column name states while reading).
  double timeOffset = 0.0;

  // --- What the importer reported -----------------------------------------
  Format format = Format::Auto;      // the format read (never Auto)
  std::string timeColumn;            // the names of the columns used, as in the file
  std::string valueColumn;           // magnitude, or flux when fromFlux
  std::string errColumn;             // empty: no error column
  bool fromFlux = false;             // magnitudes made from fluxes (see FluxToMagnitude)
  std::string timeScaleSource;       // where the time scale came from ("#DATE=HJD", "column HJD_UTC", "--time-scale", ...)
  std::string star, filter;          // AAVSO: the star and filter read
  std::vector<std::string> stars, filters;  // AAVSO: every star and filter the file holds
  int droppedRows = 0;               // rows left out (quality flags, missing values, fainter-than)
  std::optional<double> raDeg, decDeg;  // the target's coordinates when the file gives them
  std::vector<std::string> notes;    // sentences for the report, in the order they happened

  size_t size() const { return time.size(); }
};

}  // namespace vantor::import
