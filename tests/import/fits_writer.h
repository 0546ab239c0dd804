// Writes small Kepler/TESS-like light-curve FITS files for the FITS tests:
// a primary header with RA_OBJ and DEC_OBJ and a LIGHTCURVE binary table
// (TIME, PDCSAP_FLUX, PDCSAP_FLUX_ERR, SAP_FLUX, SAP_FLUX_ERR, QUALITY).
#pragma once

#include <string>
#include <vector>

namespace vantor::test {

struct FitsRow {
  double time, pdcsap, pdcsapErr, sap, sapErr;
  int quality;
};

struct FitsLightCurve {
  double bjdRefI = 2457000, bjdRefF = 0.0;
  std::string timesys = "TDB", timeref = "SOLARSYSTEM";
  bool withCoordinates = true, withBjdRef = true;
  double ra = 201.298, dec = -11.161;
  std::vector<FitsRow> rows;
};

// Writes `lc` to `path` (replacing it); returns the CFITSIO status (0 = written).
int WriteFitsLightCurve(const std::string& path, const FitsLightCurve& lc);

}  // namespace vantor::test
