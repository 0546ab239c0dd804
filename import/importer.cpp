// The text importers: format detection, delimited tables (also AstroImageJ
// and C-Munipack), AAVSO Extended Format, column choice, flux to magnitude.
#include "import/importer.h"

#include <erfa.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <filesystem>
#include <memory>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "core/number.h"
#include "core/reader.h"
#include "core/statistics.h"
#include "core/text.h"
#include "core/textfile.h"
#include "import/fits.h"

namespace vantor::import {
namespace {

// The largest text file the importer reads (see kMaxImportRows).
constexpr size_t kMaxImportBytes = 256 * 1024 * 1024;

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Parses a whole field as a decimal number by the strict rule of
// vantor::ParseNumber ("+" allowed in front, one sign only). inf and nan come
// back as NaN and true, so that the messages can say "not a finite number".
bool ParseNumber(std::string_view field, double& value) {
  const auto number = vantor::ParseNumber(Trim(field));
  if (!number && number.error() == NumberFault::kNotNumber) return false;
  value = number ? *number : std::numeric_limits<double>::quiet_NaN();
  return true;
}

bool IsNumber(std::string_view field) {
  double v = 0;
  return ParseNumber(field, v);
}

bool IsCommentLine(std::string_view line) {
  const std::string_view t = Trim(line);
  return !t.empty() && (t.front() == '#' || t.front() == '%' || t.front() == '!' ||
                        t.starts_with("//"));
}

std::string_view StripCommentMark(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.starts_with("//")) t.remove_prefix(2);
  else if (!t.empty()) t.remove_prefix(1);
  return Trim(t);
}

// Splits a line at `delim`; ' ' means runs of blanks (spaces and tabs).
std::vector<std::string_view> Split(std::string_view line, char delim) {
  std::vector<std::string_view> out;
  if (delim == ' ') {
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i == line.size()) break;
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
      out.push_back(line.substr(i, j - i));
      i = j;
    }
    return out;
  }
  size_t start = 0;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == delim) {
      out.push_back(Trim(line.substr(start, i - start)));
      start = i + 1;
    }
  }
  return out;
}

std::string DelimName(char d) {
  switch (d) {
    case '\t': return "tab";
    case ';': return "semicolon";
    case ',': return "comma";
    case ' ': return "blanks";
    default: return std::string("\"") + d + "\"";
  }
}

// One table as the header and the first data lines describe it: the
// separator, the header names (empty without header) and the number of
// fields of every row. The rows themselves are read from the text later, one
// at a time (ReadTable), so that no copy of the whole file is kept.
struct Table {
  char delim = ',';
  bool decimalComma = false;
  std::vector<std::string> header;
  size_t width = 0;            // fields of each row
  size_t dataLines = 0;        // data lines in the file, the header among them
  bool firstIsHeader = false;  // the first data line is the header
  // Without a header: whether each field of the first row is a number or a
  // missing value (a third column of text is no error column).
  std::vector<bool> firstRowNumbers;
};

// The lines of a text one after another, by the rules of SplitLines (CR LF,
// LF or a lone CR end a line; a UTF-8 byte-order mark at the start is
// dropped), without keeping them.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  }
  // The next line, false at the end; Number() is then its 1-based number.
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t i = pos_;
    while (i < text_.size() && text_[i] != '\n' && text_[i] != '\r') ++i;
    line = text_.substr(pos_, i - pos_);
    pos_ = i < text_.size() && text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n' ? i + 2
                                                                                               : i + 1;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
};

// The lines that hold data (not blank, not comment), with their indices.
std::vector<size_t> DataLines(const std::vector<std::string_view>& lines) {
  std::vector<size_t> data;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!IsBlankLine(lines[i]) && !IsCommentLine(lines[i])) data.push_back(i);
  }
  return data;
}

// Picks the delimiter that splits the sample lines (all but possibly the
// first, a header) into one constant number of fields, two or more, with no
// blank inside a field: tab, then semicolon, then comma, then blanks.
char DetectDelimiter(const std::vector<std::string_view>& sample) {
  for (const char d : {'\t', ';', ',', ' '}) {
    size_t count = 0;
    bool ok = sample.size() > 0;
    for (size_t k = sample.size() > 1 ? 1 : 0; k < sample.size() && ok; ++k) {
      const auto f = Split(sample[k], d);
      if (f.size() < 2 || (count != 0 && f.size() != count)) ok = false;
      count = f.size();
      if (d != ' ') {
        for (const auto& x : f) {
          if (x.find_first_of(" \t") != std::string_view::npos) ok = false;
        }
      }
    }
    if (ok) return d;
  }
  return ' ';
}

// Header names split at blanks: "BJD - 2457000.0 flux" gives three pieces
// for two names. Joins a name with the constant taken off it ("BJD",
// "-", "2457000.0"; "BJD", "-2457000.0"; "BJD-", "2457000.0") when that
// makes the header as wide as the rows; otherwise keeps the names as split.
std::vector<std::string_view> JoinOffsetNames(std::string_view line,
                                              const std::vector<std::string_view>& names,
                                              size_t width) {
  if (names.size() <= width) return names;
  auto join = [&](size_t from, size_t to) {
    const char* start = names[from].data();
    const char* end = names[to].data() + names[to].size();
    return line.substr(static_cast<size_t>(start - line.data()), static_cast<size_t>(end - start));
  };
  std::vector<std::string_view> joined;
  for (size_t k = 0; k < names.size(); ++k) {
    if (k + 2 < names.size() && names[k] != "-" && names[k + 1] == "-") {
      joined.push_back(join(k, k + 2));
      k += 2;
    } else if (k + 1 < names.size() && names[k] != "-" && names[k + 1] != "-" &&
               (names[k + 1].front() == '-' || names[k].back() == '-')) {
      joined.push_back(join(k, k + 1));
      k += 1;
    } else {
      joined.push_back(names[k]);
    }
  }
  return joined.size() == width ? joined : names;
}

// The most rows the importer keeps from one text file, and the largest file
// it reads: a series, its time order and its conversion cost about 60 bytes
// a row, so a file of short lines stays within three times its size plus
// 64 MiB (docs/RELIABILITY.md).
constexpr size_t kMaxImportRows = 1'000'000;

std::string RowLimitMessage(size_t rows, bool intervalGiven) {
  std::string m = "The file holds " + std::to_string(rows) + " rows of observations, more than the " +
                  std::to_string(kMaxImportRows) + " the importer keeps from one file (files of up to " +
                  std::to_string(kMaxImportBytes / (1024 * 1024)) + " MiB are read). ";
  if (intervalGiven) {
    return m + "The time interval chosen (--from, --until) holds more than that too: choose a "
               "shorter one around one eclipse.";
  }
  return m + "Choose a time interval around the eclipses you need (--from, --until): only the "
             "observations inside it are kept.";
}

// Whether a row's time lies in the interval the caller keeps (o.keepFrom,
// o.keepUntil), used only for a file above kMaxImportRows.
bool Kept(double t, const ImportOptions& o) {
  return !(o.keepFrom && t < *o.keepFrom) && !(o.keepUntil && t > *o.keepUntil);
}

std::expected<Table, Error> ParseTable(std::string_view text, char forcedDelim = 0) {
  // One pass to count the data lines and keep the first 20 of them and the
  // line just above the first.
  LineCursor cursor(text);
  std::string_view line, previous, above;
  bool aboveIsComment = false;
  std::vector<std::string_view> sample;
  Table t;
  while (cursor.Next(line)) {
    if (!IsBlankLine(line) && !IsCommentLine(line)) {
      if (t.dataLines == 0) {
        above = previous;
        aboveIsComment = cursor.Number() > 1 && IsCommentLine(previous);
      }
      if (sample.size() < 20) sample.push_back(line);
      ++t.dataLines;
    }
    previous = line;
  }
  if (t.dataLines == 0) return Refuse("The file holds no data lines, only comments or blank lines.");
  t.delim = forcedDelim != 0 ? forcedDelim : DetectDelimiter(sample);

  const auto first = Split(sample[0], t.delim);
  // A number as written, with a decimal point or a decimal comma.
  auto numberLike = [](std::string_view f) {
    if (IsNumber(f)) return true;
    std::string g(f);
    std::replace(g.begin(), g.end(), ',', '.');
    return g != f && IsNumber(g);
  };
  // Text, not a number nor a missing value ("NA", "N/A").
  auto isText = [&](std::string_view f) {
    const std::string u = Upper(Trim(f));
    return !u.empty() && u != "NA" && u != "N/A" && !numberLike(f);
  };
  // The first line is a header when it holds text, unless its text stands
  // only in columns that hold text on the second line too while that line
  // holds numbers: then it is the first row of a table with a column of
  // words (a flag, a filter), and it is kept.
  const auto second = sample.size() > 1 ? Split(sample[1], t.delim) : std::vector<std::string_view>{};
  bool textOverNumber = second.empty() || std::none_of(second.begin(), second.end(), numberLike);
  for (size_t k = 0; k < first.size() && !textOverNumber; ++k) {
    textOverNumber = isText(first[k]) && (k >= second.size() || !isText(second[k]));
  }
  t.firstIsHeader = std::any_of(first.begin(), first.end(), isText) && textOverNumber && t.dataLines > 1;
  // A decimal comma: a separator other than the comma and numbers written with a comma.
  if (t.delim != ',') {
    for (size_t k = t.firstIsHeader ? 1 : 0; k < sample.size() && !t.decimalComma; ++k) {
      for (const auto f : Split(sample[k], t.delim)) {
        if (f.find(',') != std::string_view::npos && f.find('.') == std::string_view::npos) {
          std::string g(f);
          std::replace(g.begin(), g.end(), ',', '.');
          if (IsNumber(g)) t.decimalComma = true;
        }
      }
    }
  }
  const size_t rowWidth = Split(sample[t.firstIsHeader ? 1 : 0], t.delim).size();
  if (t.firstIsHeader) {
    const auto names = t.delim == ' ' ? JoinOffsetNames(sample[0], first, rowWidth) : first;
    for (const auto f : names) t.header.emplace_back(Trim(f));
    t.width = names.size();
  } else {
    t.width = first.size();
    // A separator at the end of the first row adds no column (the rows are read so too).
    if (t.width > 2 && t.delim != ' ' && Trim(first.back()).empty()) --t.width;
    for (size_t k = 0; k < t.width; ++k) t.firstRowNumbers.push_back(!isText(first[k]));
    if (aboveIsComment) {
      // The comment line just above the data may name its columns ("# BJD_TDB flux err").
      const std::string_view stripped = StripCommentMark(above);
      auto names = Split(stripped, t.delim);
      if (t.delim == ' ') names = JoinOffsetNames(stripped, names, first.size());
      if (names.size() == t.width &&
          std::all_of(names.begin(), names.end(), [](std::string_view f) { return !IsNumber(f); })) {
        for (const auto f : names) t.header.emplace_back(Trim(f));
      }
    }
  }
  if (t.firstIsHeader && t.dataLines < 2) return Refuse("The file holds a header line but no observations.");
  return t;
}

std::string ColumnList(const Table& t) {
  std::string s;
  const size_t n = t.header.empty() ? t.width : t.header.size();
  for (size_t c = 0; c < n; ++c) {
    if (!s.empty()) s += ", ";
    s += std::to_string(c + 1);
    if (!t.header.empty()) s += " " + QuotedName(t.header[c]);
  }
  return s;
}

std::string ColumnLabel(const Table& t, int c) {
  std::string s = "column " + std::to_string(c + 1);
  if (!t.header.empty()) s += " (" + QuotedName(t.header[static_cast<size_t>(c)]) + ")";
  return s;
}

// The column the user named (a header name, any case, or a 1-based number).
std::expected<int, Error> UserColumn(const Table& t, const std::string& choice, const char* option) {
  const size_t n = t.header.empty() ? t.width : t.header.size();
  int number = 0;
  const auto [end, ec] = std::from_chars(choice.data(), choice.data() + choice.size(), number);
  if (ec == std::errc() && end == choice.data() + choice.size()) {
    if (number >= 1 && static_cast<size_t>(number) <= n) return number - 1;
  } else {
    for (size_t c = 0; c < t.header.size(); ++c) {
      if (Upper(Trim(t.header[c])) == Upper(Trim(choice))) return static_cast<int>(c);
    }
  }
  return Refuse(std::string(option) + " " + QuotedName(choice) + ": the file has no such column. Its columns are: " +
                ColumnList(t) + ".");
}

// The first column whose upper-cased name satisfies `match`; -1 for none.
template <class Match>
int FindColumn(const Table& t, Match match, int skip = -1) {
  for (size_t c = 0; c < t.header.size(); ++c) {
    if (static_cast<int>(c) != skip && match(Upper(t.header[c]))) return static_cast<int>(c);
  }
  return -1;
}

int FindExact(const Table& t, std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const int c = FindColumn(t, [&](const std::string& h) { return h == n; });
    if (c >= 0) return c;
  }
  return -1;
}

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

// The words of an upper-cased column name: "E_VMAG" -> E, VMAG; "NORM. FLUX" -> NORM, FLUX.
std::vector<std::string> Words(const std::string& h) {
  std::vector<std::string> words;
  std::string w;
  for (const char c : h) {
    if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
      w += c;
    } else if (!w.empty()) {
      words.push_back(std::move(w));
      w.clear();
    }
  }
  if (!w.empty()) words.push_back(std::move(w));
  return words;
}

bool HasWord(const std::vector<std::string>& words, std::initializer_list<const char*> any) {
  for (const auto& w : words) {
    for (const char* a : any) {
      if (w == a) return true;
    }
  }
  return false;
}

// Names that hold an observation's error: e_Vmag, sigma_mag, dmag_unc, err,
// error, magerr, *_err, unc, s1 (C-Munipack).
bool IsErrorName(const std::string& h) {
  const auto w = Words(h);
  return Contains(h, "ERR") || (!w.empty() && w.front() == "E" && w.size() > 1) ||
         HasWord(w, {"UNC", "UNCERT", "UNCERTAINTY", "SIGMA", "SIG", "STD", "STDEV", "SD", "RMS", "S1"}) ||
         (!w.empty() && (w.front().starts_with("SIGMA") || w.back().ends_with("UNC")));
}

// Names of what is not a time, a magnitude or a flux: the error, the
// airmass, the exposure time, a frame or image counter.
bool IsOtherQuantityName(const std::string& h) {
  const auto w = Words(h);
  return IsErrorName(h) || Contains(h, "AIRMASS") || HasWord(w, {"AM", "SECZ"}) ||
         Contains(h, "EXPTIME") || Contains(h, "EXPOS") || HasWord(w, {"EXP", "TEXP", "ITIME"}) ||
         Contains(h, "SLICE") || Contains(h, "FRAME") || Contains(h, "CADENCE") ||
         HasWord(w, {"N", "NR", "NO", "NUM", "INDEX", "IDX", "ID", "IMAGE", "IMG", "SEQ", "COUNTER"});
}

// Names that say flux: flux, rel_flux, norm. flux, flux_norm, sap, pdcsap,
// counts, cts, adu.
bool IsFluxName(const std::string& h) {
  const auto w = Words(h);
  return Contains(h, "FLUX") ||
         HasWord(w, {"COUNTS", "COUNT", "CTS", "NORM", "NORMALIZED", "NORMALISED", "INTENSITY", "FLX",
                     "SAP", "PDCSAP", "KSPSAP", "ADU", "RELFLX"});
}

bool IsMagnitudeName(const std::string& h) {
  const auto w = Words(h);
  return Contains(h, "MAG") || h == "V-C" || h == "C-V" || Contains(h, "DELTA") ||
         HasWord(w, {"DM", "V", "B", "R", "I", "RC", "IC", "U"});
}

// The name with a typographic minus or dash (U+2212, U+2013) as '-'.
std::string AsciiDashes(std::string u) {
  for (const std::string_view dash : {std::string_view("\xE2\x88\x92"), std::string_view("\xE2\x80\x93")}) {
    for (size_t at = u.find(dash); at != std::string::npos; at = u.find(dash)) u.replace(at, dash.size(), "-");
  }
  return u;
}

// Adds two decimal numbers given as text ([+-]digits[.digits], no exponent)
// digit by digit, so that "59812.30" plus "2400000" is read exactly as
// "2459812.30" would be. None when either is not of that form.
std::optional<std::string> AddDecimalText(std::string_view a, std::string_view b) {
  struct Dec {
    bool negative = false;
    std::string digits;
    size_t scale = 0;  // digits after the point
  };
  auto parse = [](std::string_view s) -> std::optional<Dec> {
    Dec d;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
      d.negative = s.front() == '-';
      s.remove_prefix(1);
    }
    bool point = false;
    for (const char c : s) {
      if (c == '.' && !point) {
        point = true;
      } else if (c >= '0' && c <= '9') {
        d.digits += c;
        if (point) ++d.scale;
      } else {
        return std::nullopt;
      }
    }
    if (d.digits.empty() || d.digits.size() > 60) return std::nullopt;
    return d;
  };
  auto x = parse(a), y = parse(b);
  if (!x || !y) return std::nullopt;
  const size_t scale = std::max(x->scale, y->scale);
  x->digits.append(scale - x->scale, '0');
  y->digits.append(scale - y->scale, '0');
  const size_t len = std::max(x->digits.size(), y->digits.size()) + 1;
  x->digits.insert(0, len - x->digits.size(), '0');
  y->digits.insert(0, len - y->digits.size(), '0');
  bool negative = x->negative;
  std::string out(len, '0');
  if (x->negative == y->negative) {
    int carry = 0;
    for (size_t i = len; i-- > 0;) {
      const int s = (x->digits[i] - '0') + (y->digits[i] - '0') + carry;
      out[i] = static_cast<char>('0' + s % 10);
      carry = s / 10;
    }
  } else {
    if (x->digits < y->digits) {  // same length: compares as numbers
      std::swap(x, y);
      negative = x->negative;
    }
    int borrow = 0;
    for (size_t i = len; i-- > 0;) {
      int s = (x->digits[i] - '0') - (y->digits[i] - '0') - borrow;
      borrow = s < 0 ? 1 : 0;
      out[i] = static_cast<char>('0' + s + 10 * borrow);
    }
  }
  if (scale > 0) out.insert(out.size() - scale, ".");
  return (negative ? "-" : "") + out;
}

// The constant a time column's name says its times are given less: the
// name's own base (MJD: 2400000.5, RJD: 2400000, BTJD: 2457000, BKJD:
// 2454833) plus a number after a minus ("HJD-2400000", "BJD - 2457000.0",
// "J.D.-2400000", "MJD-50000": 2450000.5). Exact decimal text, "0" for none.
struct TimeOffset {
  std::string text = "0";
  std::string base;  // "MJD" for a named base, empty otherwise
  bool Any() const { return text != "0"; }
};

std::expected<TimeOffset, Error> TimeOffsetOfColumn(std::string_view name, const std::string& label) {
  std::string u = AsciiDashes(Upper(Trim(name)));
  std::string rest;
  const size_t minus = u.rfind('-');
  if (minus != std::string::npos) {
    rest = std::string(Trim(std::string_view(u).substr(minus + 1)));
    // A unit after the constant ("2457000 [d]", "2400000 (UTC)") is not part of it.
    if (const size_t unit = rest.find_first_of("(["); unit != std::string::npos && unit > 0) {
      rest = std::string(Trim(std::string_view(rest).substr(0, unit)));
    }
    u = std::string(Trim(std::string_view(u).substr(0, minus)));
  }
  std::string key;
  for (const char c : u) {
    if (c != '.' && c != ' ') key += c;
  }
  TimeOffset off;
  const std::pair<const char*, const char*> bases[] = {
      {"MJD", "2400000.5"}, {"RJD", "2400000"}, {"BTJD", "2457000"}, {"BKJD", "2454833"}};
  for (const auto& [word, value] : bases) {
    const std::string w(word);
    if (key == w || key.starts_with(w + "_")) {
      off.text = value;
      off.base = w;
    }
  }
  const bool julian = Contains(key, "JD");
  if (rest.empty()) return off;
  const bool numeric = std::isdigit(static_cast<unsigned char>(rest.front())) != 0;
  const bool scaleWord = !numeric && std::all_of(rest.begin(), rest.end(), [](char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
  }) && (rest == "UTC" || rest == "TDB" || rest == "TT" || rest == "TAI" || rest == "TCB" ||
         rest == "GEO" || rest == "HEL" || rest == "BARY" || rest == "OBS" || rest == "MID" ||
         rest == "START" || rest == "END");
  if (scaleWord || (!julian && !numeric)) return off;
  double v = 0;
  const auto sum = AddDecimalText(off.text, rest);
  if (!numeric || !sum || !ParseNumber(rest, v) || !std::isfinite(v)) {
    return Refuse("The time " + label + " names a constant taken off the times, " + QuotedName(rest) +
                  ", that is not a number, so the full dates cannot be formed. Rename the "
                  "column (such as \"HJD-2400000\") or give the full Julian Dates.");
  }
  off.text = *sum;
  // "2400000.0" and "2400000" alike: drop a zero fraction, keep "2400000.5".
  while (off.text.find('.') != std::string::npos && (off.text.back() == '0' || off.text.back() == '.')) {
    const bool point = off.text.back() == '.';
    off.text.pop_back();
    if (point) break;
  }
  while (off.text.size() > 1 && off.text.front() == '0' && off.text[1] != '.') off.text.erase(0, 1);
  return off;
}

struct Columns {
  int time = -1, value = -1, err = -1;
  bool flux = false;
  // No name says flux or magnitude: the curve's shape decides (JudgeShape).
  bool shapeDecides = false;
  std::string timeWhy, valueWhy, errWhy;  // why each was taken, for the notes
};

std::unexpected<Error> NoColumnLike(const Table& t, const char* what) {
  return Refuse(std::string("The file has no column that looks like ") + what +
                "; choose one by name or number. Its columns are: " + ColumnList(t) + ".");
}

// The time column: the user's, the first without a header, the format's own
// (AstroImageJ, C-Munipack), else the first named with JD, TIME or DATE.
std::expected<void, Error> ChooseTimeColumn(const Table& t, const ImportOptions& o, Format format, Columns& c) {
  if (!o.timeCol.empty()) {
    const auto u = UserColumn(t, o.timeCol, "--time-col");
    if (!u) return std::unexpected(u.error());
    c.time = *u;
    c.timeWhy = "as chosen";
    return {};
  }
  if (t.header.empty()) {
    c.time = 0;
    c.timeWhy = "no header: the first column";
    return {};
  }
  if (format == Format::Aij) c.time = FindExact(t, {"BJD_TDB", "HJD_UTC", "JD_UTC", "J.D.-2400000"});
  if (format == Format::Munipack) c.time = FindExact(t, {"JDHEL", "JD", "BJD"});
  if (c.time >= 0) c.timeWhy = std::string("the ") + (format == Format::Aij ? "AstroImageJ" : "C-Munipack") + " time column";
  if (c.time < 0) {
    c.time = FindColumn(t, [](const std::string& h) {
      return (Contains(h, "JD") || Contains(h, "TIME") || Contains(h, "DATE") || h == "T") &&
             !IsOtherQuantityName(h);
    });
    c.timeWhy = "the first column named with JD, TIME or DATE";
  }
  if (c.time < 0) return NoColumnLike(t, "a time (a name holding JD, TIME or DATE)");
  return {};
}

// The magnitude or flux column: the user's, the second without a header, the
// format's own, else the first named as a magnitude, as a flux, or the first
// other column that is no error, airmass, exposure time or counter.
std::expected<void, Error> ChooseValueColumn(const Table& t, const ImportOptions& o, Format format, Columns& c) {
  if (!o.magCol.empty() || !o.fluxCol.empty()) {
    const bool flux = o.magCol.empty();
    const auto u = UserColumn(t, flux ? o.fluxCol : o.magCol, flux ? "--flux-col" : "--mag-col");
    if (!u) return std::unexpected(u.error());
    c.value = *u;
    c.flux = flux;
    c.valueWhy = "as chosen";
    return {};
  }
  if (t.header.empty()) {
    if (t.width < 2) return NoColumnLike(t, "a magnitude or a flux");
    c.value = 1;
    c.valueWhy = "no header: the second column";
    c.shapeDecides = true;
    return {};
  }
  if (format == Format::Aij) {
    c.value = FindExact(t, {"REL_FLUX_T1"});
    c.flux = c.value >= 0;
    if (c.value < 0) c.value = FindExact(t, {"SOURCE_AMAG_T1"});
    if (c.value >= 0) c.valueWhy = "the AstroImageJ target column";
  }
  if (format == Format::Munipack) {
    c.value = FindExact(t, {"V-C"});
    if (c.value >= 0) c.valueWhy = "the C-Munipack magnitude column";
  }
  if (c.value < 0) {
    c.value = FindColumn(t, [](const std::string& h) {
      return IsMagnitudeName(h) && !IsFluxName(h) && !IsOtherQuantityName(h);
    }, c.time);
    c.valueWhy = "the first magnitude column";
  }
  if (c.value < 0) {
    c.value = FindColumn(t, [](const std::string& h) { return IsFluxName(h) && !IsOtherQuantityName(h); },
                         c.time);
    c.flux = c.value >= 0;
    c.valueWhy = "the first flux column";
  }
  if (c.value < 0) {
    // No name says: the first other column that is not an error, an
    // airmass, an exposure time or a counter, read as magnitudes.
    c.value = FindColumn(t, [](const std::string& h) { return !IsOtherQuantityName(h); }, c.time);
    c.valueWhy = "no name says magnitude or flux: the first other column";
    c.shapeDecides = true;
  }
  if (c.value < 0) return NoColumnLike(t, "a magnitude or a flux");
  return {};
}

// The error column: the user's, the third without a header (when the first
// two are time and value), the format's own, one named after the value
// column, else one named like an error; none is -1.
std::expected<void, Error> ChooseErrorColumn(const Table& t, const ImportOptions& o, Format format, Columns& c) {
  if (!o.errCol.empty()) {
    const auto u = UserColumn(t, o.errCol, "--err-col");
    if (!u) return std::unexpected(u.error());
    c.err = *u;
    c.errWhy = "as chosen";
    return {};
  }
  if (t.header.empty()) {
    c.err = t.width >= 3 && c.value == 1 && c.time == 0 && t.firstRowNumbers[2] ? 2 : -1;
    c.errWhy = "no header: the third column";
    return {};
  }
  const std::string v = Upper(t.header[static_cast<size_t>(c.value)]);
  if (format == Format::Munipack) c.err = FindExact(t, {"S1"});
  if (c.err < 0 && Contains(v, "REL_FLUX_")) {
    const std::string want = "REL_FLUX_ERR_" + v.substr(v.find("REL_FLUX_") + 9);
    c.err = FindExact(t, {want.c_str()});
  }
  if (c.err < 0) {
    c.err = FindColumn(t, [&](const std::string& h) {
      return h == v + "_ERR" || h == v + "ERR" || h == "E_" + v || h == v + "_ERROR" ||
             h == "ERR_" + v || h == v + "_ERR_T1" || h == "SIGMA_" + v || h == v + "_UNC" ||
             h == v + "_SIGMA";
    });
  }
  if (c.err >= 0) c.errWhy = "its error";
  if (c.err < 0) {
    c.err = FindColumn(t, [](const std::string& h) {
      return h == "ERR" || h == "ERROR" || h == "MERR" || h == "MAGERR" || h == "SIGMA" ||
             h == "E_MAG" || h == "MAG_ERR" || h == "FLUX_ERR" || h == "S1" || h == "ERR_MAG" ||
             h == "UNC" || h == "SIGMA_MAG" || h == "DMAG_UNC";
    });
    c.errWhy = "named as an error";
  }
  return {};
}

std::expected<Columns, Error> ChooseColumns(const Table& t, const ImportOptions& o, Format format) {
  Columns c;
  if (auto time = ChooseTimeColumn(t, o, format, c); !time) return std::unexpected(time.error());
  if (auto value = ChooseValueColumn(t, o, format, c); !value) return std::unexpected(value.error());
  if (c.value == c.time) {
    return Refuse("The time and the " + std::string(c.flux ? "flux" : "magnitude") +
                  " cannot be the same column (" + ColumnLabel(t, c.time) + ").");
  }
  if (auto err = ChooseErrorColumn(t, o, format, c); !err) return std::unexpected(err.error());
  if (c.err == c.time || c.err == c.value) c.err = -1;
  return c;
}

bool IsMissing(std::string_view f) {
  const std::string u = Upper(Trim(f));
  return u.empty() || u == "NA" || u == "NAN" || u == "N/A";
}

// The sentence saying which column was taken for what and why.
std::string ColumnNote(const Table& t, const Columns& c, const TimeOffset& offset, TimeScale scale) {
  auto label = [&](int col) {
    std::string s = "column " + std::to_string(col + 1);
    if (!t.header.empty()) s += " " + QuotedName(t.header[static_cast<size_t>(col)]);
    return s;
  };
  std::string timeWhy = c.timeWhy;
  if (scale != TimeScale::Unknown) timeWhy += "; " + std::string(TimeScaleName(scale));
  if (offset.Any()) timeWhy += ", offset " + offset.text + " added back";
  std::string note = "Time: " + label(c.time) + " (" + timeWhy + "); " +
                     (c.flux ? "fluxes: " : "magnitudes: ") + label(c.value) + " (" + c.valueWhy;
  if (c.err < 0) return note + "; no error column).";
  const std::string errName =
      t.header.empty() ? label(c.err) : QuotedName(t.header[static_cast<size_t>(c.err)]);
  return note + "; " + errName + " is its error" + (c.errWhy == "its error" ? "" : ", " + c.errWhy) + ").";
}

// Names the series' columns; returns the constant the time column's name
// says was taken off the times.
std::expected<TimeOffset, Error> DescribeTable(const Table& t, const Columns& c, Format format, ImportedSeries& s) {
  s.format = format;
  auto name = [&](int col) { return t.header.empty() ? "column " + std::to_string(col + 1) : t.header[static_cast<size_t>(col)]; };
  s.timeColumn = name(c.time);
  s.valueColumn = name(c.value);
  if (c.err >= 0) s.errColumn = name(c.err);
  TimeOffset offset;
  if (!t.header.empty()) {
    auto parsed = TimeOffsetOfColumn(t.header[static_cast<size_t>(c.time)], ColumnLabel(t, c.time));
    if (!parsed) return std::unexpected(parsed.error());
    offset = std::move(*parsed);
  }
  return offset;
}

// The sentence saying how the table was read, its columns and why.
std::string ReadAsNote(const Table& t, const Columns& c, Format format, const TimeOffset& offset,
                       const ImportedSeries& s) {
  const TimeScale named = TimeScaleOfColumn(s.timeColumn);
  const char* what = format == Format::Aij        ? "an AstroImageJ measurement table"
                     : format == Format::Munipack ? "a C-Munipack light curve"
                                                  : "a table";
  return std::string("Read as ") + what + " (fields separated by " + DelimName(t.delim) +
         (t.decimalComma ? ", decimal comma" : "") + "). " + ColumnNote(t, c, offset, named);
}

// One row of a table: its full time, its value (magnitude or flux) and its
// error (NaN for none).
struct TableRow {
  double time, value, err;
};

// Reads the data lines of a table one at a time, in file order, refusing a
// line that has the wrong number of fields, a field that is not a number, or
// a time earlier than the one before. Its buffers are reused from line to line.
class TableRowReader {
 public:
  TableRowReader(const Table& t, const Columns& c, const TimeOffset& offset) : t_(t), c_(c), offset_(offset) {}

  std::expected<TableRow, Error> Read(std::string_view line, int lineNo) {
    f_ = Split(line, t_.delim);
    // A separator at the end of a line (common in spreadsheet exports) adds no column.
    if (f_.size() == t_.width + 1 && f_.back().empty()) f_.pop_back();
    if (f_.size() != t_.width) {
      return Refuse("Line " + std::to_string(lineNo) + " has " + std::to_string(f_.size()) +
                        " fields (separated by " + DelimName(t_.delim) + "), but " +
                        (t_.firstIsHeader ? "the header has " : "the first data line has ") +
                        std::to_string(t_.width) + ". Every line must have the same number of fields.",
                    lineNo);
    }
    double v[2];
    const int which[2] = {c_.time, c_.value};
    for (int k = 0; k < 2; ++k) {
      const std::string_view x = Field(which[k]);
      if (!ParseNumber(x, v[k]) || !std::isfinite(v[k])) {
        return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t_, which[k]) + ": " +
                          QuotedField(x) + " is not a " + (IsNumber(x) ? "finite " : "") + "number.",
                      lineNo);
      }
      if (k == 0) timeText_.assign(x);
    }
    const double time = FullTime(v[0]);
    double e = std::nan("");
    if (c_.err >= 0) {
      const std::string_view x = Field(c_.err);
      if (!IsMissing(x) && (!ParseNumber(x, e) || !std::isfinite(e) || e < 0)) {
        return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t_, c_.err) + ": " +
                          QuotedField(x) + " is not an error (a number, 0 or more).",
                      lineNo);
      }
    }
    if (!std::isfinite(time)) {
      return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t_, c_.time) + ": " +
                        QuotedField(timeText_) + " is not a finite time.",
                    lineNo);
    }
    if (time < previousTime_) {
      return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t_, c_.time) + ": " +
                        QuotedField(timeText_) +
                        " is earlier than the time on the line before. Observations must be in "
                        "time order.",
                    lineNo);
    }
    previousTime_ = time;
    return TableRow{time, v[1], e};
  }

 private:
  // The trimmed field of column `col`, a decimal comma read as a point.
  std::string_view Field(int col) {
    std::string_view x = Trim(f_[static_cast<size_t>(col)]);
    if (!t_.decimalComma || x.find(',') == std::string_view::npos) return x;
    numberText_.assign(x);
    std::replace(numberText_.begin(), numberText_.end(), ',', '.');
    return numberText_;
  }

  // The constant taken off is added to the digits as written, so that the
  // full date is the double a file of full dates would give.
  double FullTime(double written) const {
    if (!offset_.Any()) return written;
    const auto full = AddDecimalText(offset_.text, timeText_);
    double parsed = 0;
    if (full && ParseNumber(*full, parsed)) return parsed;
    ParseNumber(offset_.text, parsed);
    return written + parsed;
  }

  const Table& t_;
  const Columns& c_;
  const TimeOffset& offset_;
  double previousTime_ = -std::numeric_limits<double>::infinity();
  std::vector<std::string_view> f_;
  std::string numberText_, timeText_;
};

// After the rows: notes a file cut to the interval kept, turns fluxes into
// magnitudes (a refusal naming the line and the column; `valueLines` holds
// each row's line) and sets the time scale the time column's name states.
std::expected<void, Error> FinishTableSeries(const Table& t, const Columns& c, size_t rows, bool limited,
                                             const std::vector<int>& valueLines, ImportedSeries& s) {
  if (limited) {
    s.notes.push_back("The file holds " + std::to_string(rows) + " rows, more than the " +
                      std::to_string(kMaxImportRows) + " the importer keeps: only the " +
                      std::to_string(s.time.size()) + " inside the time interval chosen are kept.");
  }
  s.fromFlux = c.flux;
  if (c.flux && !s.time.empty()) {
    if (const auto conv = ConvertFluxes(s, valueLines); !conv) {
      const Error& e = conv.error();
      const std::string where = "Line " + std::to_string(e.line) + ", " + ColumnLabel(t, c.value) + ": ";
      return Refuse(where + e.message, e.line);
    }
  }
  s.timeScale = TimeScaleOfColumn(s.timeColumn);
  if (s.timeScale != TimeScale::Unknown) s.timeScaleSource = "column " + s.timeColumn;
  return {};
}

// --- Flux or magnitude from the curve's shape ---------------------------------
//
// A column that no name calls a flux or a magnitude (a headerless table, or
// a header of other words) is judged by what eclipses do to it. Normalised
// or raw flux sits at a common positive level out of eclipse and an eclipse
// takes light away: dips below the level. A magnitude grows when the star
// fades: peaks above it. The judgement, every threshold relative to the
// column itself:
//  - positive values only, at least kShapeMinPoints of them, not all equal
//    (a magnitude near zero has negative values; too few points show no
//    eclipse), or the column stays magnitudes as the layout has always read it;
//  - near a common level: the 10th and 90th percentiles within
//    kCommonLevelFraction of the median. Out of eclipse, where most points
//    of a light curve lie, a flux varies by a few per cent at most, and even
//    a contact binary stays within a quarter of its median over four fifths
//    of its orbit; magnitudes relative to a comparison star near zero are
//    not near a level in this sense and stay magnitudes;
//  - the excursions: the parts of the values beyond kExcursionSigmas robust
//    standard deviations (1.4826 times the median absolute deviation, which
//    the minority of points in eclipse hardly moves) on either side of the
//    median, summed per side. Gaussian noise crosses 5 sigma about once in
//    3.5 million points, so what lies beyond is eclipses, flares, outliers;
//  - one side dominates when its summed excursion is at least kDominance
//    times the other side's and at least kExcursionMinPoints points lie
//    beyond (an eclipse is sampled by several points; a flare or a cosmic ray
//    on the other side is brief). Dips below mean flux, peaks above mean
//    magnitudes; neither dominating is refused, naming --mag-col and
//    --flux-col.
constexpr size_t kShapeMinPoints = 10;
constexpr double kCommonLevelFraction = 0.25;
constexpr double kExcursionSigmas = 5.0;
constexpr double kDominance = 3.0;
constexpr size_t kExcursionMinPoints = 3;

enum class Shape { NotJudged, Flux, Magnitude, Unclear };

struct ShapeVerdict {
  Shape shape = Shape::NotJudged;
  double level = 0;  // the median
};

// The q-quantile (0..1) of sorted values, interpolated between neighbours.
double SortedQuantile(const std::vector<double>& sorted, double q) {
  const double at = q * static_cast<double>(sorted.size() - 1);
  const size_t i = static_cast<size_t>(at);
  if (i + 1 >= sorted.size()) return sorted.back();
  return sorted[i] + (at - static_cast<double>(i)) * (sorted[i + 1] - sorted[i]);
}

ShapeVerdict JudgeShape(const std::vector<double>& values) {
  ShapeVerdict v;
  if (values.size() < kShapeMinPoints) return v;
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  if (!(*lo > 0) || *lo == *hi) return v;
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  const double level = SortedQuantile(sorted, 0.5);
  v.level = level;
  const double spread =
      std::max(level - SortedQuantile(sorted, 0.1), SortedQuantile(sorted, 0.9) - level);
  if (spread > kCommonLevelFraction * level) return v;
  for (double& x : sorted) x = std::abs(x - level);
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const double sigma = 1.4826 * sorted[sorted.size() / 2];
  const double band = kExcursionSigmas * sigma;
  double below = 0, above = 0;
  size_t nBelow = 0, nAbove = 0;
  for (const double x : values) {
    if (x < level - band) {
      below += level - band - x;
      ++nBelow;
    } else if (x > level + band) {
      above += x - level - band;
      ++nAbove;
    }
  }
  if (nBelow >= kExcursionMinPoints && below >= kDominance * above) {
    v.shape = Shape::Flux;
  } else if (nAbove >= kExcursionMinPoints && above >= kDominance * below) {
    v.shape = Shape::Magnitude;
  } else {
    v.shape = Shape::Unclear;
  }
  return v;
}

// Whether Vantor's own layout (core/reader.h) takes the text, at any length.
bool InOriginalLayout(std::string_view text) { return ReadObservationsText(text, kAnyLength).has_value(); }

// Lets the curve's shape decide flux or magnitude for a column no name
// calls either (see JudgeShape), and says so in c.valueWhy. A file in
// Vantor's own layout (`originalLayout`, or found to be so here) stays
// magnitudes; where it looks like flux, the note names --flux-col.
std::expected<void, Error> DecideByShape(std::string_view text, bool originalLayout, const Table& t,
                                         const std::vector<double>& values, Columns& c) {
  const ShapeVerdict v = JudgeShape(values);
  const std::string level = FormatNumber(v.level, 'g', 5);
  const std::string column = std::to_string(c.value + 1);
  switch (v.shape) {
    case Shape::NotJudged:
      if (!t.header.empty()) c.valueWhy += ", read as magnitudes";
      return {};
    case Shape::Magnitude:
      c.valueWhy += "; positive values near " + level +
                    " with peaks above it: eclipses in magnitudes, read as magnitudes";
      return {};
    case Shape::Flux:
      if (originalLayout || InOriginalLayout(text)) {
        c.valueWhy += "; read as magnitudes, as Vantor's own layout has them, though its values near " +
                      level + " dip below that level as fluxes do: --flux-col " + column +
                      " reads them as fluxes";
      } else {
        c.flux = true;
        c.valueWhy += "; positive values near " + level +
                      " with dips below it: eclipses in flux, read as normalised flux";
      }
      return {};
    case Shape::Unclear:
      if (originalLayout || InOriginalLayout(text)) {
        if (!t.header.empty()) c.valueWhy += ", read as magnitudes";
        return {};
      }
      break;
  }
  return Refuse("No name says whether " + ColumnLabel(t, c.value) + " holds fluxes or magnitudes, and the "
                "curve's shape does not tell: its positive values near " + level +
                " neither dip clearly below that level (eclipses in flux) nor peak clearly above it "
                "(eclipses in magnitudes). Name it: --mag-col " + column + " for magnitudes or --flux-col " +
                column + " for fluxes.");
}

// Reads a delimited table. `originalLayout`: the text is in Vantor's own
// layout (the original reader takes it), read as a table for what that
// reader does not do: its fields are split at commas and its values stay
// magnitudes unless a name says flux.
std::expected<ImportedSeries, Error> ReadTable(std::string_view text, const ImportOptions& o,
                                               Format format, bool originalLayout = false) {
  auto table = ParseTable(text, format == Format::Aij ? '\t' : originalLayout ? ',' : 0);
  if (!table) return std::unexpected(table.error());
  const Table& t = *table;
  auto cols = ChooseColumns(t, o, format);
  if (!cols) return std::unexpected(cols.error());
  Columns& c = *cols;

  ImportedSeries s;
  const auto offset = DescribeTable(t, c, format, s);
  if (!offset) return std::unexpected(offset.error());

  const size_t rows = t.dataLines - (t.firstIsHeader ? 1 : 0);
  const bool limited = rows > kMaxImportRows;
  const bool intervalGiven = o.keepFrom.has_value() || o.keepUntil.has_value();
  if (limited && !intervalGiven) return Refuse(RowLimitMessage(rows, false));
  if (!limited) {
    s.time.reserve(rows);
    s.mag.reserve(rows);
    s.err.reserve(rows);
  }
  std::vector<int> valueLines;
  if (c.flux && !limited) valueLines.reserve(rows);
  TableRowReader reader(t, c, *offset);
  LineCursor cursor(text);
  std::string_view line;
  bool headerSkipped = !t.firstIsHeader;
  while (cursor.Next(line)) {
    if (IsBlankLine(line) || IsCommentLine(line)) continue;
    if (!headerSkipped) {
      headerSkipped = true;
      continue;
    }
    const int lineNo = cursor.Number();
    const auto row = reader.Read(line, lineNo);
    if (!row) return std::unexpected(row.error());
    if (limited && !Kept(row->time, o)) continue;
    if (s.time.size() == kMaxImportRows) return Refuse(RowLimitMessage(rows, true));
    s.time.push_back(row->time);
    s.mag.push_back(row->value);
    s.err.push_back(row->err);
    if (c.flux) valueLines.push_back(lineNo);
  }
  if (c.shapeDecides) {
    // Only a column of positive values is turned into flux: no line to name.
    if (auto decided = DecideByShape(text, originalLayout, t, s.mag, c); !decided) {
      return std::unexpected(decided.error());
    }
  }
  s.notes.insert(s.notes.begin(), ReadAsNote(t, c, format, *offset, s));
  if (auto done = FinishTableSeries(t, c, rows, limited, valueLines, s); !done) {
    return std::unexpected(done.error());
  }
  return s;
}

// --- AAVSO Extended Format ---------------------------------------------------

char AavsoDelimiter(std::string_view value) {
  const std::string u = Upper(Trim(value));
  if (u.empty() || u == "COMMA") return ',';
  if (u == "TAB" || u == "\\T") return '\t';
  if (u == "SEMICOLON" || u == "SEMI-COLON") return ';';
  if (u == "PIPE") return '|';
  if (u == "EXCLAMATION" || u == "EXCLAMATION POINT") return '!';
  if (value.size() == 1) return value.front();  // a blank as delimiter
  return Trim(value).front();
}

// Excel's NOW() text, "12/31/2007 12:59:59 a.m." (month/day/year, 12- or 24-hour clock), as JD.
bool ExcelDateToJd(std::string_view text, double& jd) {
  int mo = 0, d = 0, y = 0, h = 0, mi = 0, used = -1;
  const std::string s(Trim(text));
  if (std::sscanf(s.c_str(), "%d/%d/%d %d:%d%n", &mo, &d, &y, &h, &mi, &used) < 5 || used < 0) {
    return false;
  }
  // The seconds ("59" or "59.5", read without the locale) and the half of
  // the day after them; without seconds the clock is read as 24-hour.
  double sec = 0;
  std::string ap;
  std::string_view rest = std::string_view(s).substr(static_cast<size_t>(used));
  if (rest.starts_with(':')) {
    rest = Trim(rest.substr(1));
    const std::string_view secText = rest.substr(0, rest.find_first_not_of("0123456789.+-eE"));
    const auto seconds = vantor::ParseNumber(secText);
    if (seconds) {
      sec = *seconds;
      rest = Trim(rest.substr(secText.size()));
      ap = Upper(rest.substr(0, std::min(rest.find_first_of(" \t"), size_t{7})));
    } else if (!secText.empty()) {
      return false;
    }
  }
  ap.erase(std::remove(ap.begin(), ap.end(), '.'), ap.end());
  if (ap == "PM" && h < 12) h += 12;
  if (ap == "AM" && h == 12) h = 0;
  if (!ap.empty() && ap != "AM" && ap != "PM") return false;
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec >= 61) return false;
  double djm0 = 0, djm = 0;
  if (eraCal2jd(y, mo, d, &djm0, &djm) != 0) return false;
  jd = djm0 + djm + (h + mi / 60.0 + sec / 3600.0) / 24.0;
  return true;
}

std::string JoinNames(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
  return s;
}

// The observation lines of an AAVSO file (neither blank nor a parameter).
size_t CountAavsoObservations(std::string_view text) {
  size_t rows = 0;
  LineCursor counter(text);
  std::string_view line;
  while (counter.Next(line)) {
    if (!IsBlankLine(line) && Trim(line).front() != '#') ++rows;
  }
  return rows;
}

// Names as first met, told apart in any case; an observation holds its star
// and filter as an index into them.
struct NameIndex {
  std::vector<std::string> names;
  std::unordered_map<std::string, uint32_t> index;

  uint32_t Add(std::string_view name) {
    const auto [it, added] = index.try_emplace(Upper(name), static_cast<uint32_t>(names.size()));
    if (added) names.emplace_back(name);
    return it->second;
  }
  uint32_t At(const std::string& name) const { return index.at(Upper(name)); }
};

// One observation; m is NaN for a fainter-than estimate ("<").
struct AavsoObservation {
  uint32_t star, filter;
  double t, m, e;
};

// An AAVSO file as its lines are read: what the parameter lines have said so
// far and every observation kept.
struct AavsoFile {
  char delim = ',';
  std::string dateKind;       // JD, HJD, EXCEL (as the file says, upper case)
  std::string firstDateKind;  // the kind the first #DATE= gave
  bool sawType = false;
  std::vector<AavsoObservation> obs;
  NameIndex stars, filters;
};

// Reads a parameter line ("#KEY=value"): #TYPE, #DELIM and #DATE change how
// the observations after it are read; other keys and comments are skipped.
std::expected<void, Error> ReadAavsoParameter(std::string_view line, int lineNo, AavsoFile& file) {
  const std::string_view p = Trim(Trim(line).substr(1));
  const size_t eq = p.find('=');
  if (eq == std::string_view::npos) return {};
  const std::string key = Upper(Trim(p.substr(0, eq)));
  const std::string_view value = p.substr(eq + 1);
  if (key == "TYPE") {
    if (Upper(Trim(value)) != "EXTENDED") {
      return Refuse("Line " + std::to_string(lineNo) + ": #TYPE=" + std::string(Trim(value)) +
                        " is not the AAVSO Extended Format (#TYPE=EXTENDED).",
                    lineNo);
    }
    file.sawType = true;
  } else if (key == "DELIM") {
    file.delim = AavsoDelimiter(value);
  } else if (key == "DATE") {
    file.dateKind = Upper(Trim(value));
    if (file.dateKind != "JD" && file.dateKind != "HJD" && file.dateKind != "EXCEL" && file.dateKind != "BJD") {
      return Refuse("Line " + std::to_string(lineNo) + ": #DATE=" + std::string(Trim(value)) +
                        " is none of JD, HJD and EXCEL.",
                    lineNo);
    }
    if (file.firstDateKind.empty()) file.firstDateKind = file.dateKind;
    // EXCEL dates are JD_UTC too, but a file that changes its kind of
    // date midway was put together from pieces: which pieces are which
    // is a guess, so it is refused rather than read.
    if (file.dateKind != file.firstDateKind) {
      return Refuse("Line " + std::to_string(lineNo) + ": #DATE=" + file.dateKind +
                        " changes the kind of date of the file from #DATE=" + file.firstDateKind +
                        " (given first); one light curve needs one kind of date and one time "
                        "scale.",
                    lineNo);
    }
  }
  return {};
}

// Reads an observation line into file.obs: STARID, DATE, MAGNITUDE, MAGERR
// and FILTER. With more than the importer keeps (`limited`, of `rows`), only
// the observations inside the interval chosen are kept.
std::expected<void, Error> ReadAavsoObservation(std::string_view line, int lineNo, const ImportOptions& o,
                                                bool limited, size_t rows, AavsoFile& file) {
  if (!file.sawType) {
    return Refuse("Line " + std::to_string(lineNo) +
                      ": an observation before #TYPE=EXTENDED; the AAVSO Extended Format starts "
                      "with its parameter lines.",
                  lineNo);
  }
  if (file.dateKind.empty()) {
    return Refuse("Line " + std::to_string(lineNo) +
                      ": an observation before the #DATE= parameter (JD, HJD or EXCEL).",
                  lineNo);
  }
  const auto f = Split(line, file.delim);
  if (f.size() < 5) {
    return Refuse("Line " + std::to_string(lineNo) + " has " + std::to_string(f.size()) +
                      " fields separated by " + DelimName(file.delim) +
                      "; an AAVSO Extended observation has at least STARID, DATE, MAGNITUDE, "
                      "MAGERR and FILTER.",
                  lineNo);
  }
  AavsoObservation ob{0, 0, 0, 0, std::nan("")};
  if (Trim(f[0]).empty()) return Refuse("Line " + std::to_string(lineNo) + ", field 1 (STARID) is empty.", lineNo);
  const bool ok = file.dateKind == "EXCEL" ? ExcelDateToJd(f[1], ob.t)
                                           : (ParseNumber(f[1], ob.t) && std::isfinite(ob.t));
  if (!ok) {
    return Refuse("Line " + std::to_string(lineNo) + ", field 2 (DATE): " + QuotedField(f[1]) +
                      " is not a date of the kind #DATE=" + file.dateKind + " says.",
                  lineNo);
  }
  if (limited && !Kept(ob.t, o)) return {};
  if (file.obs.size() == kMaxImportRows) return Refuse(RowLimitMessage(rows, true));
  ob.star = file.stars.Add(Trim(f[0]));
  ob.filter = file.filters.Add(Trim(f[4]));
  const std::string_view magText = Trim(f[2]);
  if (!magText.empty() && magText.front() == '<') {
    ob.m = std::nan("");
    file.obs.push_back(ob);
    return {};
  }
  if (!ParseNumber(magText, ob.m) || !std::isfinite(ob.m)) {
    return Refuse("Line " + std::to_string(lineNo) + ", field 3 (MAGNITUDE): " + QuotedField(f[2]) +
                      " is not a magnitude.",
                  lineNo);
  }
  if (!IsMissing(f[3]) && (!ParseNumber(f[3], ob.e) || !std::isfinite(ob.e) || ob.e < 0)) {
    return Refuse("Line " + std::to_string(lineNo) + ", field 4 (MAGERR): " + QuotedField(f[3]) +
                      " is neither an error nor \"na\".",
                  lineNo);
  }
  file.obs.push_back(ob);
  return {};
}

// Reads every line of an AAVSO file. A file above the row limit is refused
// (or read inside the interval kept) before anything is stored.
std::expected<AavsoFile, Error> ReadAavsoLines(std::string_view text, const ImportOptions& o) {
  const size_t rows = CountAavsoObservations(text);
  const bool limited = rows > kMaxImportRows;
  const bool intervalGiven = o.keepFrom.has_value() || o.keepUntil.has_value();
  if (limited && !intervalGiven) return Refuse(RowLimitMessage(rows, false));
  AavsoFile file;
  if (!limited) file.obs.reserve(rows);
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.Next(line)) {
    const int lineNo = cursor.Number();
    if (IsBlankLine(line)) continue;
    const auto read = Trim(line).front() == '#' ? ReadAavsoParameter(line, lineNo, file)
                                                : ReadAavsoObservation(line, lineNo, o, limited, rows, file);
    if (!read) return std::unexpected(read.error());
  }
  if (!file.sawType) return Refuse("The file has no #TYPE=EXTENDED line: it is not in the AAVSO Extended Format.");
  if (file.obs.empty()) return Refuse("The file holds the AAVSO parameters but no observations.");
  return file;
}

// The star or filter to read among `all`: the one `wanted` (any case), the
// only one, or with firstWhenSeveral the first (noted in `firstTaken`).
std::expected<std::string, Error> ChooseAavsoName(const std::vector<std::string>& all, const std::string& wanted,
                                                  const char* what, const char* option, bool firstWhenSeveral,
                                                  std::vector<std::string>& firstTaken) {
  if (!wanted.empty()) {
    for (const auto& x : all) {
      if (Upper(x) == Upper(Trim(wanted))) return x;
    }
    return Refuse(std::string("The file holds no ") + what + " " + QuotedName(wanted) + ". It holds: " +
                  JoinNames(all) + ".");
  }
  if (all.size() > 1 && firstWhenSeveral) {
    firstTaken.push_back("The file holds " + std::to_string(all.size()) + " " + what + "s (" +
                         JoinNames(all) + "); the first, " + all.front() + ", is read.");
    return all.front();
  }
  if (all.size() > 1) {
    return Refuse("The file holds " + std::to_string(all.size()) + " " + what + "s: " +
                  JoinNames(all) + ". Choose one with " + option + ".");
  }
  return all.front();
}

// The magnitudes of one star in one filter, fainter-than estimates left out,
// with the notes saying what was read.
std::expected<ImportedSeries, Error> AavsoSeries(const AavsoFile& file, const std::string& star,
                                                 const std::string& filter, std::vector<std::string> starFilters,
                                                 const std::vector<std::string>& firstTaken) {
  const uint32_t starNo = file.stars.At(star);
  const uint32_t filterNo = file.filters.At(filter);
  ImportedSeries s;
  s.format = Format::Aavso;
  s.stars = file.stars.names;
  s.filters = std::move(starFilters);
  s.star = star;
  s.filter = filter;
  s.timeColumn = "DATE";
  s.valueColumn = "MAGNITUDE";
  s.errColumn = "MAGERR";
  int fainterKept = 0;
  for (const auto& ob : file.obs) {
    if (ob.star != starNo || ob.filter != filterNo) continue;
    if (std::isnan(ob.m)) {
      ++fainterKept;
      continue;
    }
    s.time.push_back(ob.t);
    s.mag.push_back(ob.m);
    s.err.push_back(ob.e);
  }
  s.droppedRows = fainterKept;
  if (s.time.empty()) {
    return Refuse("The file holds no magnitude of " + star + " in filter " + filter +
                  ", only fainter-than estimates.");
  }
  s.notes.push_back("Read as AAVSO Extended Format: star " + star + ", filter " + filter + ", " +
                    std::to_string(s.time.size()) + " observations.");
  for (const auto& n : firstTaken) s.notes.push_back(n);
  if (fainterKept > 0) {
    s.notes.push_back(std::to_string(fainterKept) +
                      " fainter-than estimates (\"<\") are left out.");
  }
  const std::string& kind = file.firstDateKind;
  s.timeScale = kind == "HJD" ? TimeScale::HjdUtc : kind == "BJD" ? TimeScale::BjdTdb : TimeScale::JdUtc;
  s.timeScaleSource = "#DATE=" + kind;
  return s;
}

std::expected<ImportedSeries, Error> ReadAavso(std::string_view text, const ImportOptions& o) {
  const auto file = ReadAavsoLines(text, o);
  if (!file) return std::unexpected(file.error());
  std::vector<std::string> firstTaken;
  const auto star = ChooseAavsoName(file->stars.names, o.star, "star", "--star", o.firstWhenSeveral, firstTaken);
  if (!star) return std::unexpected(star.error());
  // Only the filters the chosen star was observed in.
  const uint32_t starNo = file->stars.At(*star);
  NameIndex starFilters;
  for (const auto& ob : file->obs) {
    if (ob.star == starNo) starFilters.Add(file->filters.names[ob.filter]);
  }
  const auto filter =
      ChooseAavsoName(starFilters.names, o.filter, "filter", "--filter", o.firstWhenSeveral, firstTaken);
  if (!filter) return std::unexpected(filter.error());
  return AavsoSeries(*file, *star, *filter, std::move(starFilters.names), firstTaken);
}

}  // namespace

namespace {

// Whether the first line is a row of finite numbers, as many as the second
// line's fields (a comma at its end adds none), that the original reader
// takes for a header because it holds a character other than digits, signs,
// points, commas and blanks: an exponent ("1.2e-3"), a tab.
bool OriginalReaderSkipsFirstRow(const std::vector<std::string_view>& lines) {
  if (lines.size() < 2) return false;
  auto first = Split(lines[0], ',');
  if (first.size() > 2 && first.back().empty()) first.pop_back();
  if (first.size() < 2 || first.size() != Split(lines[1], ',').size()) return false;
  for (const auto f : first) {
    double v = 0;
    if (!ParseNumber(f, v) || !std::isfinite(v)) return false;
  }
  const bool otherCharacter = std::any_of(lines[0].begin(), lines[0].end(), [](char c) {
    return !(c == ' ' || c == '+' || c == '-' || c == '.' || c == ',' || (c >= '0' && c <= '9'));
  });
  const bool moreCommas = std::count(lines[0].begin(), lines[0].end(), ',') !=
                          std::count(lines[1].begin(), lines[1].end(), ',');
  return otherCharacter || moreCommas;
}

}  // namespace

bool HeaderAsksForMoreThanTheOriginalReader(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text, 2);
  if (lines.empty()) return false;
  if (OriginalReaderSkipsFirstRow(lines)) return true;
  const auto first = Split(lines.front(), ',');
  if (first.size() < 2 || IsNumber(first[0])) return false;
  if (!TimeOffsetOfColumn(first[0], "") || IsOtherQuantityName(Upper(Trim(first[1])))) return true;
  // The columns the table reader would choose by their names: other than
  // the first two, or a flux.
  Table t;
  t.width = first.size();
  for (const auto f : first) t.header.emplace_back(Trim(f));
  const auto chosen = ChooseColumns(t, ImportOptions{}, Format::Table);
  return chosen && (chosen->time != 0 || chosen->value != 1 || chosen->flux);
}

namespace {

// Whether the original reader takes the text as it stands.
bool OriginalReaderAccepts(std::string_view text) {
  auto scratch = std::make_unique<Store>();
  return ReadLightCurveText(*scratch, text).has_value();
}

std::expected<ImportedSeries, Error> ReadVantor(std::string_view text) {
  auto scratch = std::make_unique<Store>();
  const auto read = ReadLightCurveText(*scratch, text);
  if (!read) return std::unexpected(read.error());
  ImportedSeries s;
  s.format = Format::Vantor;
  for (int i = 1; i <= scratch->NPointsAll; ++i) {
    s.time.push_back(scratch->HjdRaw[static_cast<size_t>(i)]);
    s.mag.push_back(scratch->MagRaw[static_cast<size_t>(i)]);
    s.err.push_back(std::nan(""));
  }
  const std::vector<std::string_view> lines = SplitLines(text, 1);
  const auto first = Split(lines.front(), ',');
  if (!first.empty() && !IsNumber(first[0])) {
    s.timeColumn = std::string(Trim(first[0]));
    if (first.size() > 1) s.valueColumn = std::string(Trim(first[1]));
  }
  s.timeScale = TimeScaleOfColumn(s.timeColumn);
  if (s.timeScale != TimeScale::Unknown) s.timeScaleSource = "column " + s.timeColumn;
  // The times stay as written, as the original reader keeps them; the
  // constant the name states is added where a full date is needed.
  std::string scaleText = s.timeScale == TimeScale::Unknown ? "" : "; " + std::string(TimeScaleName(s.timeScale));
  if (!s.timeColumn.empty()) {
    if (const auto offset = TimeOffsetOfColumn(s.timeColumn, ""); offset && offset->Any()) {
      ParseNumber(offset->text, s.timeOffset);
      scaleText += ", given less " + offset->text + " and kept so";
    }
  }
  auto label = [](int col, const std::string& name) {
    return "column " + std::to_string(col) + (name.empty() ? std::string() : " " + QuotedName(name));
  };
  s.notes.push_back("Read as Vantor's own light-curve file. Time: " + label(1, s.timeColumn) + " (" +
                    "the layout's HJD column" + scaleText +
                    "); magnitudes: " + label(2, s.valueColumn) +
                    " (the layout's magnitude column; no error column).");
  return s;
}

}  // namespace

std::string_view FormatName(Format f) {
  switch (f) {
    case Format::Auto: return "auto";
    case Format::Vantor: return "vantor";
    case Format::Table: return "table";
    case Format::Aavso: return "aavso";
    case Format::Aij: return "aij";
    case Format::Munipack: return "munipack";
    case Format::Fits: return "fits";
  }
  return "auto";
}

std::optional<Format> ParseFormat(std::string_view name) {
  for (const Format f : {Format::Auto, Format::Vantor, Format::Table, Format::Aavso, Format::Aij,
                         Format::Munipack, Format::Fits}) {
    if (Upper(Trim(name)) == Upper(FormatName(f))) return f;
  }
  return std::nullopt;
}

TimeScale TimeScaleOfColumn(std::string_view name) {
  std::string u;
  for (const char c : AsciiDashes(Upper(Trim(name)))) {
    if (c != ' ' && c != '.') u += c == '-' ? '_' : c;
  }
  // Drop an offset ("JD_2400000", "BJD_TDB_2457000").
  while (!u.empty() && (std::isdigit(static_cast<unsigned char>(u.back())) != 0)) u.pop_back();
  while (!u.empty() && u.back() == '_') u.pop_back();
  if (u == "BJD_TDB" || u == "BJDTDB" || u == "BTJD" || u == "BKJD" || u == "TDB_BJD") return TimeScale::BjdTdb;
  if (u == "HJD" || u == "HJD_UTC" || u == "JDHEL" || u == "HJDUTC") return TimeScale::HjdUtc;
  if (u == "JD" || u == "JD_UTC" || u == "JDUTC" || u == "JDGEO") return TimeScale::JdUtc;
  return TimeScale::Unknown;
}

Format DetectFormat(std::string_view text) {
  // A gzip-compressed file goes to the FITS reader, which reads a compressed
  // FITS file or refuses naming the compression.
  if (text.starts_with("SIMPLE  =") || IsGzip(text)) return Format::Fits;
  const std::vector<std::string_view> lines = SplitLines(text.substr(0, 1 << 16));
  for (size_t i = 0; i < lines.size() && i < 60; ++i) {
    std::string u;
    for (const char c : Upper(lines[i])) {
      if (c != ' ' && c != '\t') u += c;
    }
    if (u.starts_with("#TYPE=EXTENDED")) return Format::Aavso;
  }
  const std::vector<size_t> data = DataLines(lines);
  if (!data.empty()) {
    const std::string head = Upper(lines[data[0]]);
    if (head.find('\t') != std::string::npos &&
        (Contains(head, "REL_FLUX_T") || Contains(head, "J.D.-2400000") || Contains(head, "SOURCE-SKY_T"))) {
      return Format::Aij;
    }
    std::string_view prev = data[0] > 0 ? lines[data[0] - 1] : std::string_view();
    for (const std::string_view cand : {std::string_view(lines[data[0]]), IsCommentLine(prev) ? StripCommentMark(prev) : std::string_view()}) {
      const auto f = Split(cand, ' ');
      if (f.size() >= 2 && (Upper(f[0]) == "JD" || Upper(f[0]) == "JDHEL") && Upper(f[1]) == "V-C") {
        return Format::Munipack;
      }
    }
  }
  if (OriginalReaderAccepts(text)) return Format::Vantor;
  return Format::Table;
}

std::expected<ImportedSeries, Error> ImportText(std::string_view text, const ImportOptions& options) {
  Format f = options.format == Format::Auto ? DetectFormat(text) : options.format;
  std::expected<ImportedSeries, Error> s = Refuse("");
  switch (f) {
    case Format::Fits:
      return Refuse("A FITS file is read from its file, not from text.");
    case Format::Aavso: s = ReadAavso(text, options); break;
    case Format::Vantor: {
      // Column options ask for a choice the original layout does not offer,
      // and a header that names an offset or a flux asks for what the
      // original reader does not do: read it as a table.
      const bool columns = !options.timeCol.empty() || !options.magCol.empty() ||
                           !options.fluxCol.empty() || !options.errCol.empty();
      s = columns || HeaderAsksForMoreThanTheOriginalReader(text) ? ReadTable(text, options, Format::Table, true)
                                                                  : ReadVantor(text);
      break;
    }
    case Format::Auto:
    case Format::Table:
    case Format::Aij:
    case Format::Munipack: s = ReadTable(text, options, f == Format::Auto ? Format::Table : f); break;
  }
  if (!s) return s;
  if (options.timeScale) {
    if (s->timeScale != TimeScale::Unknown && s->timeScale != *options.timeScale) {
      s->notes.push_back("The file gives the times as " + std::string(TimeScaleName(s->timeScale)) +
                         " (" + s->timeScaleSource + "); --time-scale " +
                         std::string(TimeScaleName(*options.timeScale)) + " overrides it.");
    }
    s->timeScale = *options.timeScale;
    s->timeScaleSource = "--time-scale";
  }
  SortByTime(*s);
  return s;
}

std::expected<ImportedSeries, Error> ImportFile(const std::string& path, const ImportOptions& options) {
  // A file above the limit is refused by its size, before a byte is read
  // (stat only: a FIFO is not opened here).
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) {
    const auto bytes = std::filesystem::file_size(path, ec);
    if (!ec && bytes > kMaxImportBytes) {
      return Refuse("Cannot read " + QuotedName(path) + ": it holds " +
                    std::to_string((bytes + 1024 * 1024 - 1) / (1024 * 1024)) + " MiB, more than the " +
                    std::to_string(kMaxImportBytes / (1024 * 1024)) +
                    " MiB the importer reads from one file (and at most " +
                    std::to_string(kMaxImportRows) +
                    " observations). --from and --until choose among the observations of a file "
                    "that is read: cut the file to the nights you need first.");
    }
  }
  // Read first: ReadWholeFile refuses a FIFO, a device or a folder without
  // waiting on it, before anything else opens the path.
  const auto text = ReadWholeFile(path, kMaxImportBytes);
  if (!text) return std::unexpected(text.error());
  if (options.format == Format::Fits ||
      (options.format == Format::Auto && (text->rfind("SIMPLE  =", 0) == 0 || IsGzip(*text)))) {
    // From the bytes already read: the file is opened once, by its literal name.
    auto s = ReadFitsLightCurveBytes(*text, path, options);
    if (s && options.timeScale) {
      s->timeScale = *options.timeScale;
      s->timeScaleSource = "--time-scale";
    }
    if (s) SortByTime(*s);
    return s;
  }
  return ImportText(*text, options);
}

double FluxToMagnitude(double flux, double referenceFlux) { return -2.5 * std::log10(flux / referenceFlux); }

double FluxErrorToMagnitude(double flux, double fluxError) { return 1.0857 * fluxError / flux; }

std::expected<void, Error> ConvertFluxes(ImportedSeries& s, const std::vector<int>& fluxLines) {
  for (size_t i = 0; i < s.mag.size(); ++i) {
    if (!(s.mag[i] > 0)) {
      const int line = fluxLines.empty() ? 0 : fluxLines[i];
      return Refuse("the flux " + FormatNumber(s.mag[i], 'f', 6) +
                        " is not positive, so it has no magnitude.",
                    line);
    }
  }
  const double median = Median(s.mag);
  for (size_t i = 0; i < s.mag.size(); ++i) {
    const double f = s.mag[i];
    s.mag[i] = FluxToMagnitude(f, median);
    if (!std::isnan(s.err[i])) s.err[i] = FluxErrorToMagnitude(f, s.err[i]);
  }
  s.fromFlux = true;
  const std::string medianText = FormatNumber(median, 'g', 6);
  s.notes.push_back("Fluxes are turned into magnitudes: m = -2.5 log10(f / " + medianText +
                    ") with the median flux " + medianText + ", errors 1.0857 sigma_f / f.");
  return {};
}

void SortByTime(ImportedSeries& s) {
  if (std::is_sorted(s.time.begin(), s.time.end())) return;
  std::vector<size_t> idx(s.time.size());
  std::iota(idx.begin(), idx.end(), 0);
  std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return s.time[a] < s.time[b]; });
  ImportedSeries sorted = s;
  for (size_t k = 0; k < idx.size(); ++k) {
    sorted.time[k] = s.time[idx[k]];
    sorted.mag[k] = s.mag[idx[k]];
    sorted.err[k] = s.err[idx[k]];
  }
  s.time = std::move(sorted.time);
  s.mag = std::move(sorted.mag);
  s.err = std::move(sorted.err);
  s.notes.push_back("The observations were not in time order; they are sorted by time.");
}

}  // namespace vantor::import
