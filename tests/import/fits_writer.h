// Writes small Kepler/TESS-like light-curve FITS files for the FITS tests:
// a primary header with RA_OBJ and DEC_OBJ and a LIGHTCURVE binary table
// (TIME, PDCSAP_FLUX, PDCSAP_FLUX_ERR, SAP_FLUX, SAP_FLUX_ERR, QUALITY), with
// any header keywords, vector columns and extra columns a test asks for; and
// damages files the way hostile or broken files come: a header promising
// more rows than follow, a file cut short, gzip compression, a gzip bomb.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
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

  // Written to the table's header after the keywords above, in order: the
  // keyword and its value as a header card holds it ("2457000", "'d'"); an
  // empty value deletes the keyword (TIMESYS, BJDREFF, ...).
  std::vector<std::pair<std::string, std::string>> keywords;
  // The same for the primary header.
  std::vector<std::pair<std::string, std::string>> primaryKeywords;
  std::string extname = "LIGHTCURVE";
  // The name of the second column (its error column is this + "_ERR").
  std::string fluxName = "PDCSAP_FLUX";
  // Values per row of TIME and PDCSAP_FLUX (each row's value repeated).
  long timeRepeat = 1, fluxRepeat = 1;
  // Further columns (name, TFORM such as "121E"), written as zeros.
  std::vector<std::pair<std::string, std::string>> extraColumns;
};

// Writes `lc` to `path` (replacing it); returns the CFITSIO status (0 = written).
int WriteFitsLightCurve(const std::string& path, const FitsLightCurve& lc);

// Sets the NAXIS2 card of the first binary table of the FITS file at `path`
// to `rows`, in place, without touching the data: a header that promises
// rows the file may not hold. Returns whether the card was found and written.
bool SetTableRows(const std::string& path, long long rows);

// Sets the card `key` (NAXIS1, TFORM1, ...) of the first binary table of the
// file at `path` to the value text `value`, in place.
bool SetTableCard(const std::string& path, const std::string& key, const std::string& value);

// Cuts the file at `path` to its first `bytes` bytes.
bool CutFile(const std::string& path, size_t bytes);

// The size of the file at `path`, and the offset where the data of its
// first binary table begin (0 when there is none).
size_t FileSize(const std::string& path);
size_t TableDataStart(const std::string& path);

// Writes `bytes` to `path` gzip-compressed (level 9).
bool WriteGzip(const std::string& path, const std::string& bytes);

// Writes a gzip file that decompresses to `head` followed by `zeros` zero
// bytes, streamed so that the zeros never sit in memory.
bool WriteGzipBomb(const std::string& path, const std::string& head, size_t zeros);

// The whole content of the file at `path` ("" when unreadable).
std::string FileBytes(const std::string& path);

}  // namespace vantor::test
