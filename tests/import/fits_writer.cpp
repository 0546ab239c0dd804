// Small light-curve FITS files written with CFITSIO for the FITS tests, and
// the damaged and compressed copies made from them.
#include "fits_writer.h"

#include <fitsio.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vantor::test {
namespace {

// Writes each row's value `repeat` times into column `col`.
void WriteRepeated(fitsfile* f, int col, long repeat, const std::vector<double>& values, int* status) {
  std::vector<double> v;
  for (const double x : values) v.insert(v.end(), static_cast<size_t>(repeat), x);
  if (!v.empty()) fits_write_col(f, TDOUBLE, col, 1, 1, static_cast<LONGLONG>(v.size()), v.data(), status);
}

// Sets (or, for an empty value, deletes) each keyword of the current header.
void WriteKeywords(fitsfile* f, const std::vector<std::pair<std::string, std::string>>& keywords, int* status) {
  for (const auto& [key, value] : keywords) {
    if (value.empty()) {
      int st = 0;
      fits_delete_key(f, key.c_str(), &st);
      continue;
    }
    char card[FLEN_CARD];
    std::snprintf(card, sizeof card, "%-8.8s= %s", key.c_str(), value.c_str());
    fits_update_card(f, key.c_str(), card, status);
  }
}

// The offsets of the header cards named `key` of the first binary table.
size_t FindTableCard(const std::string& bytes, const std::string& key, size_t* dataStart) {
  bool inTable = false;
  for (size_t block = 0; block + 2880 <= bytes.size(); block += 2880) {
    for (size_t card = block; card < block + 2880; card += 80) {
      const std::string c = bytes.substr(card, 80);
      if (c.starts_with("XTENSION= 'BINTABLE'")) inTable = true;
      if (!inTable) continue;
      if (dataStart == nullptr && c.starts_with(key)) return card;
      if (dataStart != nullptr && c.starts_with("END     ")) {
        *dataStart = block + 2880;
        return card;
      }
    }
  }
  return std::string::npos;
}

}  // namespace

int WriteFitsLightCurve(const std::string& path, const FitsLightCurve& lc) {
  std::remove(path.c_str());
  int status = 0;
  fitsfile* f = nullptr;
  fits_create_diskfile(&f, path.c_str(), &status);
  fits_create_img(f, 8, 0, nullptr, &status);
  double ra = lc.ra, dec = lc.dec;
  char telescop[] = "TESS";
  fits_update_key(f, TSTRING, "TELESCOP", telescop, nullptr, &status);
  if (lc.withCoordinates) {
    fits_update_key(f, TDOUBLE, "RA_OBJ", &ra, "[deg] right ascension", &status);
    fits_update_key(f, TDOUBLE, "DEC_OBJ", &dec, "[deg] declination", &status);
  }
  WriteKeywords(f, lc.primaryKeywords, &status);
  std::vector<std::string> names = {"TIME", lc.fluxName, lc.fluxName + "_ERR", "SAP_FLUX", "SAP_FLUX_ERR", "QUALITY"};
  std::vector<std::string> forms = {std::to_string(lc.timeRepeat) + "D", std::to_string(lc.fluxRepeat) + "E",
                                    "E", "E", "E", "J"};
  for (const auto& [name, form] : lc.extraColumns) {
    names.push_back(name);
    forms.push_back(form);
  }
  std::vector<char*> namePtrs, formPtrs;
  for (auto& n : names) namePtrs.push_back(n.data());
  for (auto& fm : forms) formPtrs.push_back(fm.data());
  fits_create_tbl(f, BINARY_TBL, 0, static_cast<int>(names.size()), namePtrs.data(), formPtrs.data(), nullptr,
                  lc.extname.c_str(), &status);
  double refi = lc.bjdRefI, reff = lc.bjdRefF;
  if (lc.withBjdRef) {
    fits_update_key(f, TDOUBLE, "BJDREFI", &refi, nullptr, &status);
    fits_update_key(f, TDOUBLE, "BJDREFF", &reff, nullptr, &status);
  }
  std::string sys = lc.timesys, ref = lc.timeref;
  if (!sys.empty()) fits_update_key(f, TSTRING, "TIMESYS", sys.data(), nullptr, &status);
  if (!ref.empty()) fits_update_key(f, TSTRING, "TIMEREF", ref.data(), nullptr, &status);
  WriteKeywords(f, lc.keywords, &status);
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
  const long n = static_cast<long>(lc.rows.size());
  if (n > 0) {
    WriteRepeated(f, 1, lc.timeRepeat, t, &status);
    WriteRepeated(f, 2, lc.fluxRepeat, a, &status);
    fits_write_col(f, TDOUBLE, 3, 1, 1, n, ae.data(), &status);
    fits_write_col(f, TDOUBLE, 4, 1, 1, n, b.data(), &status);
    fits_write_col(f, TDOUBLE, 5, 1, 1, n, be.data(), &status);
    fits_write_col(f, TINT, 6, 1, 1, n, q.data(), &status);
    for (size_t c = 6; c < names.size(); ++c) {
      int type = 0;
      long repeat = 0, width = 0;
      fits_get_coltype(f, static_cast<int>(c + 1), &type, &repeat, &width, &status);
      const std::vector<double> zeros(static_cast<size_t>(n * repeat), 0.0);
      fits_write_col(f, TDOUBLE, static_cast<int>(c + 1), 1, 1, n * repeat, const_cast<double*>(zeros.data()),
                     &status);
    }
  }
  fits_close_file(f, &status);
  return status;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SetTableRows(const std::string& path, long long rows) {
  return SetTableCard(path, "NAXIS2", std::to_string(rows));
}

bool SetTableCard(const std::string& path, const std::string& key, const std::string& value) {
  std::string bytes = FileBytes(path);
  std::string name = key;
  name.resize(8, ' ');
  const size_t at = FindTableCard(bytes, name + "=", nullptr);
  if (at == std::string::npos) return false;
  char card[81];
  std::snprintf(card, sizeof card, "%-8s= %20s", key.c_str(), value.c_str());
  std::string c(card);
  c.resize(80, ' ');
  bytes.replace(at, 80, c);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

bool CutFile(const std::string& path, size_t bytes) {
  std::error_code ec;
  std::filesystem::resize_file(path, bytes, ec);
  return !ec;
}

size_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<size_t>(n);
}

size_t TableDataStart(const std::string& path) {
  size_t start = 0;
  FindTableCard(FileBytes(path), "", &start);
  return start;
}

bool WriteGzip(const std::string& path, const std::string& bytes) {
  gzFile gz = gzopen(path.c_str(), "wb9");
  if (gz == nullptr) return false;
  const bool ok = bytes.empty() || gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size())) > 0;
  return gzclose(gz) == Z_OK && ok;
}

bool WriteGzipBomb(const std::string& path, const std::string& head, size_t zeros) {
  gzFile gz = gzopen(path.c_str(), "wb9");
  if (gz == nullptr) return false;
  bool ok = head.empty() || gzwrite(gz, head.data(), static_cast<unsigned>(head.size())) > 0;
  const std::vector<char> block(1 << 20, 0);
  for (size_t left = zeros; ok && left > 0;) {
    const size_t n = std::min(left, block.size());
    ok = gzwrite(gz, block.data(), static_cast<unsigned>(n)) > 0;
    left -= n;
  }
  return gzclose(gz) == Z_OK && ok;
}

}  // namespace vantor::test
