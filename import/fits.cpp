// Light-curve FITS files through CFITSIO, opened from memory (see fits.h).
#include "import/fits.h"

#include <fcntl.h>
#include <fitsio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "core/number.h"
#include "core/text.h"
#include "core/textfile.h"
#include "import/importer.h"

namespace vantor::import {
namespace {

// The largest FITS file read (the importer reads no larger file either).
constexpr size_t kMaxFitsFileBytes = 256 * 1024 * 1024;
// Rows read from CFITSIO at a time: the temporary columns stay small whatever
// the table's length.
constexpr long long kChunkRows = 1 << 15;
// A FITS file is made of blocks of this size.
constexpr size_t kBlockBytes = 2880;

// `bytes` rounded up to whole blocks.
size_t WholeBlocks(size_t bytes) { return (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes; }
// The most rows kept from one table, as from a text file: the series, its
// sorting and conversion cost some 60 bytes a row, whatever narrow rows the
// table has. A longer table is read only inside --from/--until.
constexpr long long kMaxFitsRows = 1'000'000;

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

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

// The sentence for a CFITSIO failure; running past the end of the bytes
// means the file was cut short.
std::string Failure(int status) {
  if (status == END_OF_FILE) return "the file is truncated (it ends before the header or the data it promises)";
  return StatusText(status);
}

// --- gzip --------------------------------------------------------------------

// Inflates every gzip member of `gz` (as gunzip does), handing each piece to
// `sink`, and returns the inflated size; refuses above `limit` bytes, at a
// truncated stream and at data that is not gzip.
template <class Sink>
std::expected<size_t, Error> Inflate(std::string_view gz, size_t limit, const std::string& name, Sink sink) {
  if (gz.size() > UINT_MAX) return Refuse(name + " is gzip-compressed and too large to decompress.");
  z_stream zs{};
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) {
    return Refuse(name + " is gzip-compressed, and the decompressor could not start.");
  }
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  zs.avail_in = static_cast<uInt>(gz.size());
  std::vector<unsigned char> buf(1 << 16);
  size_t total = 0;
  for (;;) {
    zs.next_out = buf.data();
    zs.avail_out = static_cast<uInt>(buf.size());
    const int rc = inflate(&zs, Z_NO_FLUSH);
    const size_t got = buf.size() - zs.avail_out;
    total += got;
    if (total > limit) {
      inflateEnd(&zs);
      return Refuse(name + " is gzip-compressed and decompresses to more than " +
                    std::to_string(limit / (1024 * 1024)) +
                    " MiB, more than a light curve needs; it was not read. Decompress it (gunzip) "
                    "and open the .fits file if it really is a light curve.");
    }
    sink(buf.data(), got);
    if (rc == Z_STREAM_END) {
      // Another member may follow; anything else after the stream is ignored,
      // as gunzip ignores trailing zeros.
      if (zs.avail_in < 2 || zs.next_in[0] != 0x1f || zs.next_in[1] != 0x8b) break;
      inflateReset(&zs);
      continue;
    }
    if (rc == Z_OK) continue;
    inflateEnd(&zs);
    if (rc == Z_BUF_ERROR && zs.avail_in == 0) {
      return Refuse(name + " is gzip-compressed and truncated: the compressed data end early.");
    }
    return Refuse(name + " is gzip-compressed, but its compressed data are damaged (" +
                  std::string(zs.msg != nullptr ? zs.msg : "inflate failed") + ").");
  }
  inflateEnd(&zs);
  return total;
}

// --- header keywords ---------------------------------------------------------

// Reads `key` from the table's header (its raw value text into `raw`, and,
// when `value` is given, the value as `type`); when the table lacks it and
// says INHERIT = T, from the primary header, as the FITS convention for
// keywords shared by every extension has it. Returns the CFITSIO status
// (KEY_NO_EXIST when neither has it).
int ReadTimeKeyword(fitsfile* f, const char* key, char* raw, int type = 0, void* value = nullptr) {
  int st = 0;
  fits_read_keyword(f, key, raw, nullptr, &st);
  if (st == 0 && value != nullptr) fits_read_key(f, type, key, value, nullptr, &st);
  if (st != KEY_NO_EXIST) return st;
  int inherit = 0, stInherit = 0;
  fits_read_key(f, TLOGICAL, "INHERIT", &inherit, nullptr, &stInherit);
  fits_clear_errmsg();
  if (stInherit != 0 || inherit == 0) return st;
  int here = 0, hduType = 0, stMove = 0;
  fits_get_hdu_num(f, &here);
  fits_movabs_hdu(f, 1, &hduType, &stMove);
  st = stMove;
  if (st == 0) fits_read_keyword(f, key, raw, nullptr, &st);
  if (st == 0 && value != nullptr) fits_read_key(f, type, key, value, nullptr, &st);
  stMove = 0;
  fits_movabs_hdu(f, here, &hduType, &stMove);
  fits_clear_errmsg();
  return stMove != 0 ? stMove : st;
}

// A numeric time keyword; nullopt when it is absent.
std::expected<std::optional<double>, Error> NumberKey(fitsfile* f, const char* key, const std::string& where) {
  char raw[FLEN_VALUE] = {0};
  double v = 0;
  const int st = ReadTimeKeyword(f, key, raw, TDOUBLE, &v);
  if (st == KEY_NO_EXIST) return std::nullopt;
  if (st != 0 || !std::isfinite(v)) {
    return Refuse(where + ": " + key + " = " + EscapedAscii(Trim(raw)) +
                  " is not a number, so the times' reference is unknown.");
  }
  return v;
}

// A text time keyword, upper case and trimmed; "" when absent.
std::string TextKey(fitsfile* f, const char* key) {
  char raw[FLEN_VALUE] = {0}, value[FLEN_VALUE] = {0};
  return ReadTimeKeyword(f, key, raw, TSTRING, value) == 0 ? Upper(Trim(value)) : "";
}

// --- columns -------------------------------------------------------------------

struct Column {
  int number = 0;  // 1-based
  std::string name;
  int type = 0;
  long long repeat = 0;
};

std::vector<Column> Columns(fitsfile* f) {
  int status = 0, n = 0;
  fits_get_num_cols(f, &n, &status);
  std::vector<Column> cols;
  for (int c = 1; c <= n; ++c) {
    char key[FLEN_KEYWORD], value[FLEN_VALUE] = {0};
    std::snprintf(key, sizeof key, "TTYPE%d", c);
    int st = 0;
    fits_read_key(f, TSTRING, key, value, nullptr, &st);
    Column col;
    col.number = c;
    col.name = st == 0 ? Trim(value) : "";
    long long width = 0;
    st = 0;
    fits_get_coltypell(f, c, &col.type, &col.repeat, &width, &st);
    if (st != 0) col.type = 0;
    cols.push_back(col);
  }
  return cols;
}

// The names of every column, for a refusal.
std::string ColumnNames(const std::vector<Column>& cols) {
  std::string s;
  for (const Column& c : cols) {
    if (!c.name.empty()) s += (s.empty() ? "" : ", ") + EscapedAscii(c.name);
  }
  return s;
}

// The column named exactly `name` (any case; no wildcards), or numbered so
// (1-based) when `name` is all digits.
const Column* FindColumn(const std::vector<Column>& cols, const std::string& name) {
  if (!name.empty() && name.size() < 5 && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const size_t n = std::stoul(name);
    return n >= 1 && n <= cols.size() ? &cols[n - 1] : nullptr;
  }
  const std::string u = Upper(name);
  for (const Column& c : cols) {
    if (Upper(c.name) == u) return &c;
  }
  return nullptr;
}

bool IsNumeric(int type) {
  switch (type) {
    case TBYTE: case TSBYTE: case TSHORT: case TUSHORT: case TINT: case TUINT: case TLONG:
    case TULONG: case TLONGLONG: case TULONGLONG: case TFLOAT: case TDOUBLE: return true;
    default: return false;
  }
}

// What a table appears to be when it is no light curve of one value per row:
// "" when nothing marks it as a target-pixel or co-trending file.
std::string TableKind(const std::string& extname, const std::vector<Column>& cols) {
  const std::string e = Upper(extname);
  if (e == "TARGETTABLES" || e == "PIXELS") return "a target-pixel file (an image of the pixels around the star in every row)";
  for (const Column& c : cols) {
    const std::string n = Upper(c.name);
    if (c.repeat > 1 && (n == "FLUX" || n == "RAW_CNTS" || n == "FLUX_BKG" || n == "FLUX_ERR" || n == "COSMIC_RAYS")) {
      return "a target-pixel file (an image of the pixels around the star in every row)";
    }
  }
  if (e.starts_with("CBV") || e.starts_with("MODOUT_")) return "a file of co-trending basis vectors";
  for (const Column& c : cols) {
    if (Upper(c.name).starts_with("VECTOR_")) return "a file of co-trending basis vectors";
  }
  return "";
}

// Refuses a column Vantor cannot read as one number per row.
std::expected<void, Error> CheckScalar(const Column& c, const std::string& where) {
  if (c.type < 0) {
    return Refuse(where + ", column \"" + EscapedAscii(c.name) +
                  "\" holds arrays of varying length, not one value per row; it is no light curve.");
  }
  if (!IsNumeric(c.type)) {
    return Refuse(where + ", column \"" + EscapedAscii(c.name) + "\" does not hold numbers.");
  }
  if (c.repeat != 1) {
    return Refuse(where + ", column \"" + EscapedAscii(c.name) + "\" holds " + std::to_string(c.repeat) +
                  " values per row, not one: the file appears to be a table of vectors, not a light "
                  "curve of one time and one flux per row.");
  }
  return {};
}

// --- times ---------------------------------------------------------------------

// How TIME becomes a full Julian Date: (TIME + zero) in `unit`, plus
// wholeDays + fraction, added as wholeDays + (fraction + days).
struct TimeRule {
  double wholeDays = 0, fraction = 0;
  double zero = 0;
  bool seconds = false;
  std::string reference;  // the keywords used, for the note
  bool kepler = false;    // BJDREFI: the Kepler/TESS convention

  double FullDate(double value) const {
    const double t = value + zero;
    const double days = seconds ? t / 86400.0 : t;
    return wholeDays + (fraction + days);
  }
};

// Adds the reference `whole` + `frac` (days) to the rule, whole days apart.
void SetReference(TimeRule& r, double whole, double frac) {
  const double w = std::floor(whole);
  r.wholeDays = w;
  r.fraction = (whole - w) + frac;
}

// The reference date of TIME from the first of BJDREFI (+ BJDREFF),
// MJDREFI (+ MJDREFF), MJDREF and JDREF the header gives, and TIMEZERO;
// refuses a fraction without its whole days, and a header with none of them.
std::expected<TimeRule, Error> ReadTimeReference(fitsfile* f, const std::string& where) {
  TimeRule r;
  const char* const keys[] = {"BJDREFI", "BJDREFF", "MJDREFI", "MJDREFF", "MJDREF", "JDREF", "TIMEZERO"};
  std::optional<double> v[7];
  for (int i = 0; i < 7; ++i) {
    auto k = NumberKey(f, keys[i], where);
    if (!k) return std::unexpected(k.error());
    v[i] = *k;
  }
  const auto& [bjdI, bjdF, mjdI, mjdF, mjd, jd, zero] = v;
  const auto without = [&where](const char* part, const char* whole) {
    return Refuse(where + " gives " + part + " without " + whole + ", so the times' reference is unknown.");
  };
  if (bjdI) {
    SetReference(r, *bjdI, bjdF.value_or(0.0));
    r.reference = "BJDREFI + BJDREFF";
    r.kepler = true;
  } else if (bjdF) {
    return without("BJDREFF", "BJDREFI");
  } else if (mjdI) {
    // JD = MJD + 2400000.5: the half day joins the fraction.
    SetReference(r, *mjdI, mjdF.value_or(0.0));
    r.wholeDays += 2400000.0;
    r.fraction += 0.5;
    r.reference = "MJDREFI + MJDREFF + 2400000.5";
  } else if (mjdF) {
    return without("MJDREFF", "MJDREFI");
  } else if (mjd) {
    SetReference(r, *mjd, 0.0);
    r.wholeDays += 2400000.0;
    r.fraction += 0.5;
    r.reference = "MJDREF + 2400000.5";
  } else if (jd) {
    SetReference(r, *jd, 0.0);
    r.reference = "JDREF";
  } else {
    char raw[FLEN_VALUE] = {0};
    if (ReadTimeKeyword(f, "DATEREF", raw) == 0) {
      return Refuse(where + " gives its time reference only as DATEREF = " + EscapedAscii(Trim(raw)) +
                    ", which is not read (BJDREFI, MJDREFI, MJDREF or JDREF are).");
    }
    return Refuse(where + " has no time reference (BJDREFI, MJDREFI, MJDREF or JDREF), so the "
                          "times' reference is unknown.");
  }
  if (zero && *zero != 0.0) {
    r.zero = *zero;
  }
  return r;
}

// The unit of TIME from TIMEUNIT (days or seconds); without it, days for
// the Kepler/TESS convention and seconds (the FITS default) otherwise, noted.
std::expected<void, Error> ReadTimeUnit(fitsfile* f, const std::string& where, TimeRule& r,
                                        std::vector<std::string>& notes) {
  char raw[FLEN_VALUE] = {0}, rawUnit[FLEN_VALUE] = {0};
  if (ReadTimeKeyword(f, "TIMEUNIT", raw, TSTRING, rawUnit) != 0) {
    r.seconds = !r.kepler;
    notes.push_back(r.kepler ? "TIMEUNIT is missing: TIME is read in days, as files with BJDREFI (Kepler, TESS) give it."
                             : "TIMEUNIT is missing: TIME is read in seconds, the FITS time standard's default.");
    return {};
  }
  const std::string u = Upper(Trim(rawUnit));
  if (u == "D" || u == "DAY" || u == "DAYS") {
    r.seconds = false;
  } else if (u == "S" || u == "SEC" || u == "SECOND" || u == "SECONDS") {
    r.seconds = true;
  } else {
    return Refuse(where + ": TIMEUNIT = '" + EscapedAscii(Trim(rawUnit)) +
                  "' is not read; only 'd' (days) and 's' (seconds) are.");
  }
  return {};
}

std::expected<TimeRule, Error> ReadTimeRule(fitsfile* f, const std::string& where,
                                            std::vector<std::string>& notes) {
  auto r = ReadTimeReference(f, where);
  if (!r) return r;
  if (auto unit = ReadTimeUnit(f, where, *r, notes); !unit) return std::unexpected(unit.error());
  return r;
}

// The time scale from TIMESYS and TIMEREF, with the FITS standard's defaults.
void ReadTimeScale(fitsfile* f, ImportedSeries& s) {
  std::string sys = TextKey(f, "TIMESYS"), ref = TextKey(f, "TIMEREF");
  if (sys.empty()) {
    sys = "UTC";
    s.notes.push_back("TIMESYS is missing: the times are taken as UTC, the FITS time standard's default.");
  }
  if (ref.empty()) {
    ref = "LOCAL";
    s.notes.push_back("TIMEREF is missing: the times are taken as where they were observed (LOCAL), the "
                      "FITS time standard's default.");
  }
  const std::string source = "TIMESYS = " + EscapedAscii(sys) + ", TIMEREF = " + EscapedAscii(ref);
  if (sys == "TDB" && (ref == "SOLARSYSTEM" || ref == "BARYCENTER")) {
    s.timeScale = TimeScale::BjdTdb;
  } else if (sys == "UTC" && (ref == "TOPOCENTER" || ref == "GEOCENTER")) {
    s.timeScale = TimeScale::JdUtc;
  } else if (sys == "UTC" && ref == "HELIOCENTER") {
    s.timeScale = TimeScale::HjdUtc;
  } else {
    s.timeScale = TimeScale::Unknown;
    s.notes.push_back("The times are " + source +
                      ", none of the scales Vantor names (JD_UTC, HJD_UTC, BJD_TDB): the time scale is "
                      "left unknown (give --time-scale if you know it).");
    return;
  }
  s.timeScaleSource = source;
}

// A reference date as the note shows it: every digit needed, at least one decimal.
std::string DateText(double whole, double fraction) {
  std::string t = FormatNumber(whole + fraction, 'f', 9);
  while (t.size() > 2 && t.back() == '0' && t[t.size() - 2] != '.') t.pop_back();
  return t;
}

// --- the file ------------------------------------------------------------------

// CFITSIO's own account of its last failure (its message stack), which
// names the keyword of a damaged header.
std::string CfitsioMessages() {
  std::string all;
  char msg[FLEN_ERRMSG] = {0};
  for (int n = 0; n < 8 && fits_read_errmsg(msg) != 0; ++n) {
    const std::string m = Trim(msg);
    if (m.empty() || m.starts_with("Failed to move")) continue;
    all += (all.empty() ? "" : " ") + m;
  }
  fits_clear_errmsg();
  return EscapedAscii(all);
}

std::unexpected<Error> DamagedHeader(const std::string& name, int hdu, int status) {
  std::string why = CfitsioMessages();
  while (!why.empty() && why.back() == '.') why.pop_back();
  return Refuse("The header of extension " + std::to_string(hdu) + " of " + name + " is damaged: " +
                (why.empty() ? StatusText(status) : why) + ".");
}

// Moves to the light-curve table; returns how messages name it.
std::expected<std::string, Error> MoveToTable(fitsfile* f, const std::string& name, size_t size) {
  int status = 0;
  char extname[] = "LIGHTCURVE";
  fits_movnam_hdu(f, BINARY_TBL, extname, 0, &status);
  if (status == 0) return std::string("Extension LIGHTCURVE");
  if (status == END_OF_FILE) return Refuse(name + ": " + Failure(status) + ".");
  fits_clear_errmsg();
  // Not found, or a header on the way is damaged: look at each in turn.
  status = 0;
  int type = 0;
  fits_movabs_hdu(f, 1, &type, &status);
  for (int h = 2; status == 0; ++h) {
    LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
    fits_get_hduaddrll(f, &headStart, &dataStart, &dataEnd, &status);
    fits_movabs_hdu(f, h, &type, &status);
    if (status == END_OF_FILE) {
      // Past the last HDU: the end of the file, unless bytes of a header
      // follow the last data or those data reach beyond the file (by more
      // than the padding of their last block).
      // The file may also end inside the last header (whose END is then
      // missing, and its data start after the end of the file).
      const auto bytes = static_cast<LONGLONG>(size);
      if (bytes > dataEnd || bytes + 2880 <= dataEnd || dataStart > bytes) {
        return Refuse(name + ": " + Failure(status) + ".");
      }
      break;
    }
    if (status != 0) {
      // A header that runs into the blanks padding a file that ends inside a
      // block was cut short, not written wrong.
      if (size % kBlockBytes != 0 && static_cast<LONGLONG>(size) > dataEnd) {
        fits_clear_errmsg();
        return Refuse(name + ": " + Failure(END_OF_FILE) + ".");
      }
      return DamagedHeader(name, h - 1, status);
    }
    if (type == BINARY_TBL) return "Extension " + std::to_string(h - 1);
  }
  fits_clear_errmsg();
  return Refuse(name + " holds no binary table: it is no Kepler or TESS light curve.");
}

// Refuses a table whose rows do not all lie inside the `size` bytes of the file.
std::expected<long long, Error> CheckRows(fitsfile* f, size_t size, const std::string& name,
                                          const std::string& where) {
  long long naxis1 = 0, naxis2 = 0;
  int status = 0;
  fits_read_key(f, TLONGLONG, "NAXIS1", &naxis1, nullptr, &status);
  fits_read_key(f, TLONGLONG, "NAXIS2", &naxis2, nullptr, &status);
  LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
  fits_get_hduaddrll(f, &headStart, &dataStart, &dataEnd, &status);
  if (status != 0) return Refuse(where + " of " + name + ": " + Failure(status) + ".");
  if (naxis1 < 0 || naxis2 < 0) {
    return Refuse(where + " of " + name + " gives a negative NAXIS1 or NAXIS2: its header is damaged.");
  }
  const long long available = dataStart < static_cast<long long>(size) ? static_cast<long long>(size) - dataStart : 0;
  if (naxis1 > 0 && naxis2 > available / naxis1) {
    return Refuse(where + " of " + name + ": the file is truncated, or its header promises more rows than it "
                  "holds: NAXIS2 = " + std::to_string(naxis2) + " rows of NAXIS1 = " + std::to_string(naxis1) +
                  " bytes, but only " + std::to_string(available) + " bytes of the table are in the file (" +
                  std::to_string(available / naxis1) + " whole rows).");
  }
  return naxis2;
}

// Reads the rows of the chosen columns into `s`, a chunk at a time.
std::expected<void, Error> ReadRows(fitsfile* f, long long rows, const Column& time, const Column& flux,
                                    const Column* err, const Column* quality, const TimeRule& rule,
                                    const ImportOptions& o, const std::string& where, ImportedSeries& s,
                                    int& badQuality, int& missing) {
  const bool limited = rows > kMaxFitsRows;
  const size_t chunk = static_cast<size_t>(std::min(rows, kChunkRows));
  std::vector<double> t(chunk), fl(chunk), er(err ? chunk : 0), q(quality ? chunk : 0);
  const auto kept = static_cast<size_t>(std::min(rows, kMaxFitsRows));
  s.time.reserve(kept);
  s.mag.reserve(kept);
  s.err.reserve(kept);
  const double nan = std::nan("");
  for (long long first = 1; first <= rows; first += kChunkRows) {
    const long long n = std::min(kChunkRows, rows - first + 1);
    int status = 0;
    const auto read = [&](const Column& c, std::vector<double>& into) {
      double nul = nan;
      int anynul = 0;
      fits_read_col(f, TDOUBLE, c.number, first, 1, n, &nul, into.data(), &anynul, &status);
      return status == 0;
    };
    const Column* failed = nullptr;
    if (!read(time, t)) failed = &time;
    else if (!read(flux, fl)) failed = &flux;
    else if (err && !read(*err, er)) failed = err;
    else if (quality && !read(*quality, q)) failed = quality;
    if (failed != nullptr) {
      return Refuse(where + ", column \"" + EscapedAscii(failed->name) + "\": " + Failure(status) + ".");
    }
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
      if (quality && q[i] != 0) {
        ++badQuality;
        continue;
      }
      if (!std::isfinite(t[i]) || !std::isfinite(fl[i]) || !(fl[i] > 0)) {
        ++missing;
        continue;
      }
      const double full = rule.FullDate(t[i]);
      if (!std::isfinite(full)) {
        ++missing;
        continue;
      }
      if (limited) {
        if ((o.keepFrom && full < *o.keepFrom) || (o.keepUntil && full > *o.keepUntil)) continue;
        if (s.time.size() == static_cast<size_t>(kMaxFitsRows)) {
          return Refuse(where + " holds " + std::to_string(rows) + " rows, more than the " +
                        std::to_string(kMaxFitsRows) + " kept from one file, and the time interval chosen "
                        "(--from, --until) holds more than that too: choose a shorter one around one eclipse.");
        }
      }
      s.time.push_back(full);
      s.mag.push_back(fl[i]);
      s.err.push_back(err && std::isfinite(er[i]) ? er[i] : nan);
    }
  }
  return {};
}

// The bytes CFITSIO is given: the file's own, or a copy decompressed from
// gzip or padded to whole blocks.
struct FitsBytes {
  std::string_view given;
  std::string copy;
  bool copied = false;
  bool compressed = false;
  size_t fileSize = 0;  // the size the (decompressed) file really has, before padding

  std::string_view Data() const { return copied ? std::string_view(copy) : given; }
};

// Decompresses a gzip file (counted first, keeping nothing, so that a gzip
// bomb costs no memory) and checks that a FITS file starts the bytes. CFITSIO
// reads a file in memory in whole 2880-byte blocks, also past the end of a
// file that lacks its final padding: such a file is padded (with blanks: a
// header cut short stays without its END). The checks use fileSize, the size
// the file really has.
std::expected<FitsBytes, Error> PrepareFitsBytes(std::string_view bytes, const std::string& name) {
  FitsBytes b;
  b.given = bytes;
  b.compressed = IsGzip(bytes);
  if (b.compressed) {
    const auto size = Inflate(bytes, kMaxInflatedFitsBytes, name, [](const unsigned char*, size_t) {});
    if (!size) return std::unexpected(size.error());
    b.copy.reserve(WholeBlocks(*size));
    const auto again = Inflate(bytes, kMaxInflatedFitsBytes, name, [&b](const unsigned char* p, size_t n) {
      b.copy.append(reinterpret_cast<const char*>(p), n);
    });
    if (!again) return std::unexpected(again.error());
    if (!b.copy.starts_with("SIMPLE  =")) {
      return Refuse(name + " is gzip-compressed and holds no FITS file; only a compressed FITS file is "
                           "read from a compressed file (decompress it with gunzip to read what it holds).");
    }
    b.copied = true;
  }
  if (!b.Data().starts_with("SIMPLE  =")) {
    return Refuse("Cannot read " + name + " as FITS: it does not begin with \"SIMPLE  =\".");
  }
  b.fileSize = b.Data().size();
  if (b.fileSize % kBlockBytes != 0) {
    if (!b.copied) {
      b.copy.reserve(WholeBlocks(b.fileSize));
      b.copy.assign(bytes);
      b.copied = true;
    }
    b.copy.resize(WholeBlocks(b.fileSize), ' ');
  }
  return b;
}

// Opens the FITS file in memory. CFITSIO keeps the addresses of `memory` and
// `memorySize` while the file is open: the caller declares them before the
// file, so that they outlive it. Read-only: CFITSIO never writes to or
// reallocates the bytes.
std::expected<FitsPtr, Error> OpenFitsMemory(void** memory, size_t* memorySize, const std::string& name,
                                             size_t fileSize) {
  int status = 0;
  fitsfile* raw = nullptr;
  // The name given to CFITSIO is a fixed word without brackets or prefixes:
  // nothing in it is parsed, and the user's file name never reaches CFITSIO.
  fits_open_memfile(&raw, "lightcurve", READONLY, memory, memorySize, 0, nullptr, &status);
  if (status != 0 || raw == nullptr) {
    if (raw != nullptr) FitsPtr discard(raw);
    fits_clear_errmsg();
    // A primary header cut short runs into the blanks of the padding.
    const int why = fileSize % kBlockBytes != 0 ? END_OF_FILE : status != 0 ? status : FILE_NOT_OPENED;
    return Refuse("Cannot read " + name + " as FITS: " + Failure(why) + ".");
  }
  return FitsPtr(raw);
}

// The target's coordinates from the primary header (RA_OBJ, DEC_OBJ), when
// both are there and make sense.
void ReadCoordinates(fitsfile* f, ImportedSeries& s) {
  double ra = 0, dec = 0;
  int st = 0;
  fits_read_key(f, TDOUBLE, "RA_OBJ", &ra, nullptr, &st);
  int st2 = 0;
  fits_read_key(f, TDOUBLE, "DEC_OBJ", &dec, nullptr, &st2);
  if (st == 0 && st2 == 0 && std::isfinite(ra) && std::isfinite(dec) && std::fabs(dec) <= 90) {
    s.raDeg = ra;
    s.decDeg = dec;
  }
}

// Refuses a target-pixel or co-trending table: it is no light curve.
std::expected<void, Error> CheckTableKind(fitsfile* f, const std::string& name, const std::vector<Column>& cols) {
  char extname[FLEN_VALUE] = {0};
  int st = 0;
  fits_read_key(f, TSTRING, "EXTNAME", extname, nullptr, &st);
  if (const std::string kind = TableKind(st == 0 ? Trim(extname) : "", cols); !kind.empty()) {
    return Refuse(name + " appears to be " + kind + ", not a light curve of one time and one flux per row; "
                  "it was not read.");
  }
  return {};
}

// The columns a light curve is read from; err and quality may be absent.
struct LightCurveColumns {
  const Column* time = nullptr;
  const Column* flux = nullptr;
  const Column* err = nullptr;
  const Column* quality = nullptr;
};

// TIME, PDCSAP_FLUX (else FLUX, else SAP_FLUX, noted), its _ERR column and
// QUALITY, or the columns the user chose; each must hold one number a row.
std::expected<LightCurveColumns, Error> ChooseLightCurveColumns(const std::vector<Column>& cols,
                                                                const ImportOptions& o, const std::string& where,
                                                                std::vector<std::string>& notes) {
  const std::string timeName = o.timeCol.empty() ? "TIME" : o.timeCol;
  const bool fluxChosen = !o.fluxCol.empty() || !o.magCol.empty();
  std::string fluxName = !o.fluxCol.empty() ? o.fluxCol : !o.magCol.empty() ? o.magCol : "PDCSAP_FLUX";
  if (!fluxChosen && FindColumn(cols, fluxName) == nullptr) {
    // Light curves written by other software (lightkurve, EVEREST, QLP) name
    // their flux FLUX or only give SAP_FLUX: taken in that order, and said.
    for (const char* other : {"FLUX", "SAP_FLUX"}) {
      if (FindColumn(cols, other) == nullptr) continue;
      notes.push_back(where + " has no PDCSAP_FLUX column: " + other + " is read (choose another with --flux-col).");
      fluxName = other;
      break;
    }
  }
  const std::string errName = o.errCol.empty() ? fluxName + "_ERR" : o.errCol;
  const auto noColumn = [&](const std::string& n) {
    return Refuse(where + " has no column \"" + EscapedAscii(n) + "\". Its columns are: " + ColumnNames(cols) + ".");
  };
  LightCurveColumns c;
  c.time = FindColumn(cols, timeName);
  if (c.time == nullptr) return noColumn(timeName);
  c.flux = FindColumn(cols, fluxName);
  if (c.flux == nullptr) return noColumn(fluxName);
  c.err = FindColumn(cols, errName);
  if (c.err == nullptr && !o.errCol.empty()) return noColumn(errName);
  c.quality = FindColumn(cols, "QUALITY");
  for (const Column* col : {c.time, c.flux, c.err, c.quality}) {
    if (col == nullptr) continue;
    if (auto ok = CheckScalar(*col, where); !ok) return std::unexpected(ok.error());
  }
  return c;
}

// Names the series' columns and notes how the rows became the series: the
// interval kept, the time expression, the compression and the rows left out.
void DescribeFitsSeries(const LightCurveColumns& c, const TimeRule& rule, const std::string& where, long long rows,
                        const FitsBytes& file, int badQuality, int missing, ImportedSeries& s) {
  if (rows > kMaxFitsRows) {
    s.notes.push_back(where + " holds " + std::to_string(rows) + " rows, more than " +
                      std::to_string(kMaxFitsRows) + ": only the " + std::to_string(s.time.size()) +
                      " usable ones inside the time interval chosen are kept.");
  }
  if (c.err != nullptr) s.errColumn = c.err->name;
  s.droppedRows = badQuality + missing;
  s.timeColumn = c.time->name;
  s.valueColumn = c.flux->name;

  std::string expr = c.time->name;
  if (rule.zero != 0.0) {
    expr = "(" + expr + " + TIMEZERO " + FormatNumber(rule.zero, 'g', 17) + ")";
  }
  if (rule.seconds) expr += " s / 86400";
  const std::string what = rule.kepler ? "a Kepler/TESS light curve" : "a FITS light curve";
  s.notes.push_back("Read as " + what + " (" + where + "): " + expr + " + " +
                    DateText(rule.wholeDays, rule.fraction) +
                    (rule.kepler ? "" : " (" + rule.reference + ")") + ", " + c.flux->name +
                    (s.errColumn.empty() ? "" : " with " + s.errColumn) + ".");
  if (file.compressed) {
    s.notes.push_back("The file is gzip-compressed; " + std::to_string(file.fileSize) +
                      " bytes were decompressed in memory.");
  }
  if (badQuality > 0) {
    s.notes.push_back(std::to_string(badQuality) + " rows with a non-zero QUALITY flag are left out.");
  }
  if (missing > 0) {
    s.notes.push_back(std::to_string(missing) + " rows with a missing time or flux (or a flux not above 0) are left out.");
  }
}

}  // namespace

bool IsGzip(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

bool LooksLikeFits(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st{};
  char head[4096];
  ssize_t got = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) got = ::read(fd, head, sizeof head);
  ::close(fd);
  if (got <= 0) return false;
  const std::string_view bytes(head, static_cast<size_t>(got));
  if (bytes.starts_with("SIMPLE  =")) return true;
  if (!IsGzip(bytes)) return false;
  // The start of what the compressed file holds is enough.
  std::string start;
  z_stream zs{};
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return false;
  unsigned char out[16];
  zs.next_in = reinterpret_cast<Bytef*>(head);
  zs.avail_in = static_cast<uInt>(got);
  zs.next_out = out;
  zs.avail_out = sizeof out;
  inflate(&zs, Z_SYNC_FLUSH);
  const size_t n = sizeof out - zs.avail_out;
  inflateEnd(&zs);
  return std::string_view(reinterpret_cast<char*>(out), n).starts_with("SIMPLE  =");
}

std::expected<ImportedSeries, Error> ReadFitsLightCurve(const std::string& path, const ImportOptions& options) {
  // ReadWholeFile opens exactly this name, refuses at once anything but a
  // regular file, and bounds the size.
  const auto bytes = ReadWholeFile(path, kMaxFitsFileBytes);
  if (!bytes) return std::unexpected(bytes.error());
  return ReadFitsLightCurveBytes(*bytes, path, options);
}

std::expected<ImportedSeries, Error> ReadFitsLightCurveBytes(std::string_view bytes, const std::string& path,
                                                             const ImportOptions& o) {
  const std::string name = QuotedName(path);
  const auto file = PrepareFitsBytes(bytes, name);
  if (!file) return std::unexpected(file.error());
  const std::string_view data = file->Data();
  // CFITSIO keeps the addresses of these two while the file is open: they
  // are declared before the file, so they outlive it.
  void* memory = const_cast<char*>(data.data());
  size_t memorySize = data.size();
  const auto f = OpenFitsMemory(&memory, &memorySize, name, file->fileSize);
  if (!f) return std::unexpected(f.error());

  ImportedSeries s;
  s.format = Format::Fits;
  ReadCoordinates(f->get(), s);

  const auto where = MoveToTable(f->get(), name, file->fileSize);
  if (!where) return std::unexpected(where.error());
  const auto rows = CheckRows(f->get(), file->fileSize, name, *where);
  if (!rows) return std::unexpected(rows.error());
  const std::vector<Column> cols = Columns(f->get());
  if (auto kind = CheckTableKind(f->get(), name, cols); !kind) return std::unexpected(kind.error());
  const auto c = ChooseLightCurveColumns(cols, o, *where, s.notes);
  if (!c) return std::unexpected(c.error());

  const auto rule = ReadTimeRule(f->get(), *where, s.notes);
  if (!rule) return std::unexpected(rule.error());
  ReadTimeScale(f->get(), s);

  if (*rows > kMaxFitsRows && !o.keepFrom && !o.keepUntil) {
    return Refuse(*where + " of " + name + " holds " + std::to_string(*rows) + " rows, more than the " +
                  std::to_string(kMaxFitsRows) + " kept from one file. Choose a time interval around the "
                  "eclipses you need (--from, --until): only the observations inside it are kept.");
  }
  int badQuality = 0, missing = 0;
  if (auto ok = ReadRows(f->get(), *rows, *c->time, *c->flux, c->err, c->quality, *rule, o, *where, s, badQuality,
                         missing);
      !ok) {
    return std::unexpected(ok.error());
  }
  DescribeFitsSeries(*c, *rule, *where, *rows, *file, badQuality, missing, s);
  if (s.time.empty()) return Refuse(*where + " holds no usable row (" + std::to_string(*rows) + " rows, all dropped).");
  if (const auto conv = ConvertFluxes(s, {}); !conv) return std::unexpected(conv.error());
  return s;
}

}  // namespace vantor::import
