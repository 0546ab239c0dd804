// Light-curve FITS files (Kepler, TESS and others following the FITS time
// standard) through CFITSIO.
//
// The file is read by this program, never opened by CFITSIO by name: the name
// is taken literally (no "name(copy)", "name[ext]", "http:", "-", "mem://",
// no trying "name.gz" when "name" is missing), only a regular file is read,
// and CFITSIO sees the bytes in memory (fits_open_memfile). A gzip-compressed
// file (.fits.gz) is decompressed here with zlib, first counted without
// keeping anything and refused above kMaxInflatedFitsBytes, then inflated.
//
// The light-curve table is the binary table extension named LIGHTCURVE (the
// first binary table when none is so named). Before any column is allocated,
// its rows (NAXIS2 of NAXIS1 bytes) must lie inside the file: a file cut short
// or a header promising more rows than follow is refused as truncated, a
// damaged header with CFITSIO's account of it. At most 1,000,000 rows are
// kept; a longer table is read only inside keepFrom/keepUntil (--from,
// --until), as a text file is.
//
// Times: full Julian Dates = (TIME + TIMEZERO) in TIMEUNIT, plus a reference,
// kept as whole days and fraction so that the sum is rounded once:
//   BJDREFI + BJDREFF (Kepler, TESS), else MJDREFI + MJDREFF + 2400000.5,
//   else MJDREF + 2400000.5, else JDREF.
// TIMEUNIT is 'd' (also "D", "day", "days") or 's' (also "sec", "second",
// "seconds"), any case. When TIMEUNIT is missing: days with BJDREFI (the
// Kepler/TESS convention), otherwise seconds (the FITS standard's default);
// the import notes say which. Any other unit, a reference keyword that is not
// a number, a fraction keyword without its integer part, or no reference at
// all (DATEREF alone is not read) is refused, naming the keyword.
//
// Time scale, from TIMESYS (default UTC) and TIMEREF (default LOCAL), the
// defaults noted when used:
//   TDB at SOLARSYSTEM or BARYCENTER -> BJD_TDB
//   UTC at TOPOCENTER or GEOCENTER   -> JD_UTC
//   UTC at HELIOCENTER               -> HJD_UTC
//   anything else (TT, TAI, TCB, UTC at LOCAL or at the barycentre, TDB not
//   at the barycentre, ...)           -> unknown, with a note saying why.
//
// Columns holding several values per row (a TFORMn repeat above 1: target-
// pixel files, co-trending basis vectors, vector TIME or FLUX) are refused,
// saying what the file appears to be. The star's coordinates come from RA_OBJ
// and DEC_OBJ of the primary header. The flux is PDCSAP_FLUX unless another
// column is chosen (SAP_FLUX; by name, any case, or by 1-based number);
// without PDCSAP_FLUX, FLUX or else SAP_FLUX is read and the notes say so.
// Its error is <flux>_ERR. Rows with a non-zero QUALITY or a missing (NaN)
// time or flux are dropped and counted. The time keywords are read from the
// table's header, or from the primary header when the table has INHERIT = T.
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include "core/error.h"
#include "import/series.h"

namespace vantor::import {

// The largest decompressed size of a gzip-compressed FITS file that is read.
// A light curve needs far less (a TESS 20-second sector is about 12 MiB); the
// limit keeps a small compressed file from filling the memory.
inline constexpr size_t kMaxInflatedFitsBytes = 16 * 1024 * 1024;

// Whether `bytes` start like a gzip stream (1F 8B).
bool IsGzip(std::string_view bytes);

// Whether the file at `path` starts like a FITS file ("SIMPLE  ="), also when
// gzip-compressed. Never blocks: a FIFO or a device is not opened for reading.
bool LooksLikeFits(const std::string& path);

// Reads the light curve of a light-curve FITS file (plain or gzip-compressed)
// at `path`, taken literally; fluxes become magnitudes relative to their
// median (ConvertFluxes).
std::expected<ImportedSeries, Error> ReadFitsLightCurve(const std::string& path,
                                                        const ImportOptions& options);

// The same, from the bytes of a file already read; `path` only names it in
// messages.
std::expected<ImportedSeries, Error> ReadFitsLightCurveBytes(std::string_view bytes,
                                                             const std::string& path,
                                                             const ImportOptions& options);

}  // namespace vantor::import
