// Small light-curve FITS files written with CFITSIO for the FITS tests.
#include "fits_writer.h"

#include <fitsio.h>

#include <cstdio>

namespace vantor::test {

int WriteFitsLightCurve(const std::string& path, const FitsLightCurve& lc) {
  std::remove(path.c_str());
  int status = 0;
  fitsfile* f = nullptr;
  fits_create_file(&f, path.c_str(), &status);
  fits_create_img(f, 8, 0, nullptr, &status);
  double ra = lc.ra, dec = lc.dec;
  char telescop[] = "TESS";
  fits_update_key(f, TSTRING, "TELESCOP", telescop, nullptr, &status);
  if (lc.withCoordinates) {
    fits_update_key(f, TDOUBLE, "RA_OBJ", &ra, "[deg] right ascension", &status);
    fits_update_key(f, TDOUBLE, "DEC_OBJ", &dec, "[deg] declination", &status);
  }
  char* names[] = {const_cast<char*>("TIME"), const_cast<char*>("PDCSAP_FLUX"),
                   const_cast<char*>("PDCSAP_FLUX_ERR"), const_cast<char*>("SAP_FLUX"),
                   const_cast<char*>("SAP_FLUX_ERR"), const_cast<char*>("QUALITY")};
  char* forms[] = {const_cast<char*>("D"), const_cast<char*>("E"), const_cast<char*>("E"),
                   const_cast<char*>("E"), const_cast<char*>("E"), const_cast<char*>("J")};
  fits_create_tbl(f, BINARY_TBL, 0, 6, names, forms, nullptr, "LIGHTCURVE", &status);
  double refi = lc.bjdRefI, reff = lc.bjdRefF;
  if (lc.withBjdRef) {
    fits_update_key(f, TDOUBLE, "BJDREFI", &refi, nullptr, &status);
    fits_update_key(f, TDOUBLE, "BJDREFF", &reff, nullptr, &status);
  }
  std::string sys = lc.timesys, ref = lc.timeref;
  if (!sys.empty()) fits_update_key(f, TSTRING, "TIMESYS", sys.data(), nullptr, &status);
  if (!ref.empty()) fits_update_key(f, TSTRING, "TIMEREF", ref.data(), nullptr, &status);
  const long n = static_cast<long>(lc.rows.size());
  std::vector<double> t, a, ae, b, be;
  std::vector<int> q;
  for (const FitsRow& r : lc.rows) {
    t.push_back(r.time);
    a.push_back(r.pdcsap);
    ae.push_back(r.pdcsapErr);
    b.push_back(r.sap);
    be.push_back(r.sapErr);
    q.push_back(r.quality);
  }
  if (n > 0) {
    fits_write_col(f, TDOUBLE, 1, 1, 1, n, t.data(), &status);
    fits_write_col(f, TDOUBLE, 2, 1, 1, n, a.data(), &status);
    fits_write_col(f, TDOUBLE, 3, 1, 1, n, ae.data(), &status);
    fits_write_col(f, TDOUBLE, 4, 1, 1, n, b.data(), &status);
    fits_write_col(f, TDOUBLE, 5, 1, 1, n, be.data(), &status);
    fits_write_col(f, TINT, 6, 1, 1, n, q.data(), &status);
  }
  fits_close_file(f, &status);
  return status;
}

}  // namespace vantor::test
