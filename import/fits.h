// Kepler and TESS light-curve FITS files through CFITSIO.
//
// The light-curve table is the binary table extension named LIGHTCURVE (the
// first binary table when none is so named). Its TIME column holds days
// since the reference BJDREFI + BJDREFF of its header (BKJD for Kepler,
// BJDREFI = 2454833; BTJD for TESS, 2457000): full times are TIME + BJDREFI +
// BJDREFF. The time scale comes from TIMESYS and TIMEREF (TDB at the solar
// system barycentre: BJD_TDB), the star's coordinates from RA_OBJ and DEC_OBJ
// of the primary header. The flux is PDCSAP_FLUX unless another column is
// chosen (SAP_FLUX), its error <flux>_ERR; rows with a non-zero QUALITY or a
// missing (NaN) time or flux are dropped and counted.
#pragma once

#include <expected>
#include <string>

#include "core/error.h"
#include "import/series.h"

namespace vantor::import {

// Whether the file at `path` starts like a FITS file ("SIMPLE  =").
bool LooksLikeFits(const std::string& path);

// Reads the light curve of a Kepler or TESS FITS file; fluxes become
// magnitudes relative to their median (ConvertFluxes).
std::expected<ImportedSeries, Error> ReadFitsLightCurve(const std::string& path,
                                                        const ImportOptions& options);

}  // namespace vantor::import
