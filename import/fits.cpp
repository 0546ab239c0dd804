// Kepler and TESS light-curve FITS files through CFITSIO.
#include "import/fits.h"

#include <fitsio.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

#include "import/importer.h"

namespace vantor::import {
namespace {

std::string StatusText(int status) {
  char text[FLEN_STATUS] = {0};
  fits_get_errstatus(status, text);
  return text;
}

struct Closer {
  void operator()(fitsfile* f) const {
    int status = 0;
    fits_close_file(f, &status);
  }
};
using FitsPtr = std::unique_ptr<fitsfile, Closer>;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The names of every column of the current table, for a refusal.
std::string ColumnNames(fitsfile* f) {
  int status = 0, n = 0;
  fits_get_num_cols(f, &n, &status);
  std::string s;
  for (int c = 1; c <= n; ++c) {
    char key[FLEN_KEYWORD], value[FLEN_VALUE] = {0};
    std::snprintf(key, sizeof key, "TTYPE%d", c);
    int st = 0;
    fits_read_key(f, TSTRING, key, value, nullptr, &st);
    if (st == 0) s += (s.empty() ? "" : ", ") + std::string(value);
  }
  return s;
}

std::expected<std::vector<double>, Error> ReadColumn(fitsfile* f, const std::string& name,
                                                     long rows, const std::string& where) {
  int status = 0, col = 0;
  std::string n = name;
  fits_get_colnum(f, CASEINSEN, n.data(), &col, &status);
  if (status != 0) {
    return Refuse(where + " has no column \"" + name + "\". Its columns are: " + ColumnNames(f) + ".");
  }
  std::vector<double> v(static_cast<size_t>(rows));
  double nul = std::nan("");
  int anynul = 0;
  if (rows > 0) fits_read_col(f, TDOUBLE, col, 1, 1, rows, &nul, v.data(), &anynul, &status);
  if (status != 0) {
    return Refuse(where + ", column \"" + name + "\": " + StatusText(status) + ".");
  }
  return v;
}

}  // namespace

bool LooksLikeFits(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[9] = {0};
  in.read(head, 9);
  return in.gcount() == 9 && std::string(head, 9) == "SIMPLE  =";
}

std::expected<ImportedSeries, Error> ReadFitsLightCurve(const std::string& path,
                                                        const ImportOptions& o) {
  int status = 0;
  fitsfile* raw = nullptr;
  fits_open_file(&raw, path.c_str(), READONLY, &status);
  if (status != 0) return Refuse("Cannot read \"" + path + "\" as FITS: " + StatusText(status) + ".");
  FitsPtr f(raw);

  ImportedSeries s;
  s.format = Format::Fits;
  double ra = 0, dec = 0;
  int st = 0;
  fits_read_key(f.get(), TDOUBLE, "RA_OBJ", &ra, nullptr, &st);
  int st2 = 0;
  fits_read_key(f.get(), TDOUBLE, "DEC_OBJ", &dec, nullptr, &st2);
  if (st == 0 && st2 == 0 && std::isfinite(ra) && std::isfinite(dec) && std::fabs(dec) <= 90) {
    s.raDeg = ra;
    s.decDeg = dec;
  }

  char extname[] = "LIGHTCURVE";
  fits_movnam_hdu(f.get(), BINARY_TBL, extname, 0, &status);
  std::string where = "Extension LIGHTCURVE";
  if (status != 0) {
    status = 0;
    int hdus = 0, type = 0;
    fits_get_num_hdus(f.get(), &hdus, &status);
    bool found = false;
    for (int h = 2; h <= hdus && !found; ++h) {
      fits_movabs_hdu(f.get(), h, &type, &status);
      found = status == 0 && type == BINARY_TBL;
      where = "Extension " + std::to_string(h - 1);
    }
    if (!found) return Refuse("\"" + path + "\" holds no binary table: it is no Kepler or TESS light curve.");
  }
  long rows = 0;
  fits_get_num_rows(f.get(), &rows, &status);

  double refi = 0, reff = 0;
  st = 0;
  fits_read_key(f.get(), TDOUBLE, "BJDREFI", &refi, nullptr, &st);
  if (st != 0) {
    return Refuse(where + " has no BJDREFI keyword, so the times' reference is unknown.");
  }
  st = 0;
  fits_read_key(f.get(), TDOUBLE, "BJDREFF", &reff, nullptr, &st);
  if (st != 0) reff = 0;
  char timesys[FLEN_VALUE] = {0}, timeref[FLEN_VALUE] = {0};
  st = 0;
  fits_read_key(f.get(), TSTRING, "TIMESYS", timesys, nullptr, &st);
  st2 = 0;
  fits_read_key(f.get(), TSTRING, "TIMEREF", timeref, nullptr, &st2);
  const std::string sys = st == 0 ? Upper(timesys) : "", ref = st2 == 0 ? Upper(timeref) : "";
  if (sys == "TDB" && (ref == "SOLARSYSTEM" || ref.empty())) {
    s.timeScale = TimeScale::BjdTdb;
    s.timeScaleSource = "TIMESYS = TDB" + std::string(ref.empty() ? "" : ", TIMEREF = SOLARSYSTEM");
  }

  const std::string timeName = o.timeCol.empty() ? "TIME" : o.timeCol;
  const std::string fluxName = !o.fluxCol.empty() ? o.fluxCol : !o.magCol.empty() ? o.magCol : "PDCSAP_FLUX";
  const std::string errName = o.errCol.empty() ? fluxName + "_ERR" : o.errCol;
  const auto t = ReadColumn(f.get(), timeName, rows, where);
  if (!t) return std::unexpected(t.error());
  const auto flux = ReadColumn(f.get(), fluxName, rows, where);
  if (!flux) return std::unexpected(flux.error());
  std::vector<double> err(static_cast<size_t>(rows), std::nan(""));
  if (const auto e = ReadColumn(f.get(), errName, rows, where)) {
    err = *e;
    s.errColumn = errName;
  } else if (!o.errCol.empty()) {
    return std::unexpected(e.error());
  }
  std::vector<double> quality(static_cast<size_t>(rows), 0.0);
  int qcol = 0;
  char qname[] = "QUALITY";
  int qst = 0;
  fits_get_colnum(f.get(), CASEINSEN, qname, &qcol, &qst);
  if (qst == 0) {
    const auto q = ReadColumn(f.get(), "QUALITY", rows, where);
    if (!q) return std::unexpected(q.error());
    quality = *q;
  }
  int badQuality = 0, missing = 0;
  for (size_t i = 0; i < static_cast<size_t>(rows); ++i) {
    if (quality[i] != 0) {
      ++badQuality;
      continue;
    }
    if (!std::isfinite((*t)[i]) || !std::isfinite((*flux)[i]) || !((*flux)[i] > 0)) {
      ++missing;
      continue;
    }
    s.time.push_back((*t)[i] + refi + reff);
    s.mag.push_back((*flux)[i]);
    s.err.push_back(std::isfinite(err[i]) ? err[i] : std::nan(""));
  }
  s.droppedRows = badQuality + missing;
  s.timeColumn = timeName;
  s.valueColumn = fluxName;
  char buf[200];
  std::snprintf(buf, sizeof buf, "%.1f", refi + reff);
  s.notes.push_back("Read as a Kepler/TESS light curve (" + where + "): " + timeName + " + " + buf +
                    ", " + fluxName + (s.errColumn.empty() ? "" : " with " + s.errColumn) + ".");
  if (badQuality > 0) {
    s.notes.push_back(std::to_string(badQuality) + " rows with a non-zero QUALITY flag are left out.");
  }
  if (missing > 0) {
    s.notes.push_back(std::to_string(missing) + " rows with a missing time or flux (or a flux not above 0) are left out.");
  }
  if (s.time.empty()) return Refuse(where + " holds no usable row (" + std::to_string(rows) + " rows, all dropped).");
  if (const auto c = ConvertFluxes(s, {}); !c) return std::unexpected(c.error());
  return s;
}

}  // namespace vantor::import
