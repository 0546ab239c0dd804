// The importer: reads the light-curve files observers' software writes into
// an ImportedSeries (import/series.h).
//
// Formats, detected from the content (DetectFormat) or chosen:
//   vantor    the program's own comma-separated HJD, magnitude file, read by
//             the original reader's rules (core/reader.h);
//   table     delimited text: comma, tab, semicolon or blanks; comment lines
//             starting with #, %, ! or //; a decimal comma where the separator
//             is not a comma; a header row (or the comment line just above
//             the data) whose names choose the columns. Without a header the
//             columns are time, value, error. Where no name says flux or
//             magnitude, a column of positive values near a common level is
//             judged by its eclipses: dips below the level are flux (turned
//             into magnitudes), peaks above it magnitudes, neither clearly
//             is refused naming --mag-col and --flux-col; any other column is
//             read as magnitudes. A file in the program's own layout stays
//             magnitudes unless its header says flux;
//   aavso     AAVSO Extended Format (#TYPE=EXTENDED, #DELIM=, #DATE=JD|HJD|EXCEL,
//             STARID, DATE, MAGNITUDE, MAGERR, FILTER, ...);
//   aij       AstroImageJ measurement tables (tab-separated; J.D.-2400000,
//             JD_UTC, HJD_UTC, BJD_TDB; rel_flux_T1 and rel_flux_err_T1);
//   munipack  C-Munipack light curves (JD or JDHEL, V-C, s1);
//   fits      Kepler and TESS light-curve FITS files (import/fits.h).
//
// A refusal names the line and the column (or the FITS extension and
// column) and why; a file whose columns cannot be found lists the columns it
// has. Nothing is changed anywhere on a refusal: the importer only reads.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "core/error.h"
#include "import/series.h"

namespace vantor::import {

// The format of a file from its first bytes: fits, aavso, aij, munipack,
// vantor (the original reader accepts it) or table.
Format DetectFormat(std::string_view text);

// Imports the text of a file (any format but fits).
std::expected<ImportedSeries, Error> ImportText(std::string_view text, const ImportOptions& options);

// Imports the file at `path` (fits files through CFITSIO, the others as text).
std::expected<ImportedSeries, Error> ImportFile(const std::string& path, const ImportOptions& options);

// The magnitude of a flux relative to a reference flux (the series' median):
// m = -2.5 log10(f / fRef), its error 1.0857 sigma_f / f (2.5 / ln 10 = 1.0857).
double FluxToMagnitude(double flux, double referenceFlux);
double FluxErrorToMagnitude(double flux, double fluxError);

// Turns the fluxes in series.mag (errors in series.err) into magnitudes
// relative to their median, and notes it. Refuses a non-positive flux at
// the index it names (fluxLines gives the file's line of each row, or is empty).
std::expected<void, Error> ConvertFluxes(ImportedSeries& series, const std::vector<int>& fluxLines);

// Sorts the series by time when it is not in order (stable), noting it. The
// AAVSO and FITS readers do (a report may gather nights and observers); a
// table, like the original reader, refuses times out of order.
void SortByTime(ImportedSeries& series);

// Whether the header of a file the original reader takes asks for more than
// it does: a time column named with a constant taken off ("HJD-2400000",
// "MJD", "BTJD"; also one the importer cannot read, which it then refuses)
// or a value column named as a flux ("flux", "rel_flux", "counts"); or a
// first line of numbers that the original reader would skip as a header
// (one written with an exponent or a tab, or with a comma at its end). The
// importer reads such a file as a table, so that the times are full dates,
// the fluxes become magnitudes and no observation is lost.
bool HeaderAsksForMoreThanTheOriginalReader(std::string_view text);

// The time scale a column name states: BJD_TDB (BJD_TDB, BTJD, BKJD), HJD_UTC
// (HJD, HJD_UTC, JDHEL), JD_UTC (JD, JD_UTC, J.D.), unknown otherwise.
TimeScale TimeScaleOfColumn(std::string_view name);

}  // namespace vantor::import
