// The text importers: format detection, delimited tables (also AstroImageJ
// and C-Munipack), AAVSO Extended Format, column choice, flux to magnitude.
#include "import/importer.h"

#include <erfa.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>
#include <numeric>

#include "core/reader.h"
#include "core/textfile.h"
#include "import/fits.h"

namespace vantor::import {
namespace {

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

std::string Quote(std::string_view field) {
  field = Trim(field);
  if (field.size() > 40) return "\"" + std::string(field.substr(0, 40)) + "...\"";
  return "\"" + std::string(field) + "\"";
}

// Parses a whole field as a decimal number ("+" allowed in front).
bool ParseNumber(std::string_view field, double& value) {
  field = Trim(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  if (field.empty() || field.front() == '+') return false;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  return ec == std::errc() && end == field.data() + field.size();
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

// One parsed table: the header names (empty without header) and the rows
// with the file's 1-based line of each.
struct Table {
  char delim = ',';
  bool decimalComma = false;
  std::vector<std::string> header;
  std::vector<int> lines;
  std::vector<std::vector<std::string>> rows;
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

std::expected<Table, Error> ParseTable(const std::vector<std::string_view>& lines,
                                       const std::vector<size_t>& data, char forcedDelim = 0) {
  if (data.empty()) return Refuse("The file holds no data lines, only comments or blank lines.");
  Table t;
  std::vector<std::string_view> sample;
  for (size_t k = 0; k < data.size() && k < 20; ++k) sample.push_back(lines[data[k]]);
  t.delim = forcedDelim != 0 ? forcedDelim : DetectDelimiter(sample);

  size_t firstRow = 0;
  const auto first = Split(lines[data[0]], t.delim);
  const bool firstIsHeader =
      std::any_of(first.begin(), first.end(), [](std::string_view f) { return !IsNumber(f) && !f.empty(); }) &&
      data.size() > 1;
  // A decimal comma: a separator other than the comma and numbers written with a comma.
  if (t.delim != ',') {
    for (size_t k = firstIsHeader ? 1 : 0; k < sample.size() && !t.decimalComma; ++k) {
      for (const auto f : Split(sample[k], t.delim)) {
        if (f.find(',') != std::string_view::npos && f.find('.') == std::string_view::npos) {
          std::string g(f);
          std::replace(g.begin(), g.end(), ',', '.');
          if (IsNumber(g)) t.decimalComma = true;
        }
      }
    }
  }
  if (firstIsHeader) {
    for (const auto f : first) t.header.emplace_back(Trim(f));
    firstRow = 1;
  } else if (data[0] > 0 && IsCommentLine(lines[data[0] - 1])) {
    // The comment line just above the data may name its columns ("# BJD_TDB flux err").
    const auto names = Split(StripCommentMark(lines[data[0] - 1]), t.delim);
    if (names.size() == first.size() &&
        std::all_of(names.begin(), names.end(), [](std::string_view f) { return !IsNumber(f); })) {
      for (const auto f : names) t.header.emplace_back(Trim(f));
    }
  }
  const size_t width = firstIsHeader ? first.size() : Split(lines[data[firstRow]], t.delim).size();
  for (size_t k = firstRow; k < data.size(); ++k) {
    auto f = Split(lines[data[k]], t.delim);
    // A separator at the end of a line (common in spreadsheet exports) adds no column.
    if (f.size() == width + 1 && f.back().empty()) f.pop_back();
    const int lineNo = static_cast<int>(data[k]) + 1;
    if (f.size() != width) {
      return Refuse("Line " + std::to_string(lineNo) + " has " + std::to_string(f.size()) +
                        " fields (separated by " + DelimName(t.delim) + "), but " +
                        (firstIsHeader ? "the header has " : "the first data line has ") +
                        std::to_string(width) + ". Every line must have the same number of fields.",
                    lineNo);
    }
    std::vector<std::string> row;
    for (auto x : f) {
      std::string s(Trim(x));
      if (t.decimalComma) std::replace(s.begin(), s.end(), ',', '.');
      row.push_back(std::move(s));
    }
    t.rows.push_back(std::move(row));
    t.lines.push_back(lineNo);
  }
  if (t.rows.empty()) return Refuse("The file holds a header line but no observations.");
  return t;
}

std::string ColumnList(const Table& t) {
  std::string s;
  const size_t n = t.header.empty() ? t.rows.front().size() : t.header.size();
  for (size_t c = 0; c < n; ++c) {
    if (!s.empty()) s += ", ";
    s += std::to_string(c + 1);
    if (!t.header.empty()) s += " \"" + t.header[c] + "\"";
  }
  return s;
}

std::string ColumnLabel(const Table& t, int c) {
  std::string s = "column " + std::to_string(c + 1);
  if (!t.header.empty()) s += " (\"" + t.header[static_cast<size_t>(c)] + "\")";
  return s;
}

// The column the user named (a header name, any case, or a 1-based number).
std::expected<int, Error> UserColumn(const Table& t, const std::string& choice, const char* option) {
  const size_t n = t.header.empty() ? t.rows.front().size() : t.header.size();
  int number = 0;
  const auto [end, ec] = std::from_chars(choice.data(), choice.data() + choice.size(), number);
  if (ec == std::errc() && end == choice.data() + choice.size()) {
    if (number >= 1 && static_cast<size_t>(number) <= n) return number - 1;
  } else {
    for (size_t c = 0; c < t.header.size(); ++c) {
      if (Upper(Trim(t.header[c])) == Upper(Trim(choice))) return static_cast<int>(c);
    }
  }
  return Refuse(std::string(option) + " \"" + choice + "\": the file has no such column. Its columns are: " +
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

// "J.D.-2400000", "HJD-2450000", "BJD - 2457000": the constant taken off the
// times; "MJD" names 2400000.5. Zero for none.
double TimeOffsetOfColumn(std::string_view name) {
  std::string u = Upper(Trim(name));
  std::erase(u, '.');
  const size_t minus = u.rfind('-');
  if (minus != std::string::npos && Contains(u, "JD")) {
    double v = 0;
    if (ParseNumber(std::string_view(u).substr(minus + 1), v) && v >= 1e4) return v;
  }
  if (u.starts_with("MJD")) return 2400000.5;
  return 0.0;
}

struct Columns {
  int time = -1, value = -1, err = -1;
  bool flux = false;
};

std::expected<Columns, Error> ChooseColumns(const Table& t, const ImportOptions& o, Format format) {
  Columns c;
  const bool header = !t.header.empty();
  const int n = static_cast<int>(header ? t.header.size() : t.rows.front().size());
  auto missing = [&](const char* what) {
    return Refuse(std::string("The file has no column that looks like ") + what +
                  "; choose one by name or number. Its columns are: " + ColumnList(t) + ".");
  };
  // Time.
  if (!o.timeCol.empty()) {
    const auto u = UserColumn(t, o.timeCol, "--time-col");
    if (!u) return std::unexpected(u.error());
    c.time = *u;
  } else if (!header) {
    c.time = 0;
  } else {
    if (format == Format::Aij) c.time = FindExact(t, {"BJD_TDB", "HJD_UTC", "JD_UTC", "J.D.-2400000"});
    if (format == Format::Munipack) c.time = FindExact(t, {"JDHEL", "JD", "BJD"});
    if (c.time < 0) {
      c.time = FindColumn(t, [](const std::string& h) {
        return Contains(h, "JD") || Contains(h, "TIME") || Contains(h, "DATE") || h == "T";
      });
    }
    if (c.time < 0) return missing("a time (a name holding JD, TIME or DATE)");
  }
  // Magnitude or flux.
  if (!o.magCol.empty() || !o.fluxCol.empty()) {
    const bool flux = o.magCol.empty();
    const auto u = UserColumn(t, flux ? o.fluxCol : o.magCol, flux ? "--flux-col" : "--mag-col");
    if (!u) return std::unexpected(u.error());
    c.value = *u;
    c.flux = flux;
  } else if (!header) {
    if (n < 2) return missing("a magnitude or a flux");
    c.value = 1;
  } else {
    if (format == Format::Aij) {
      c.value = FindExact(t, {"REL_FLUX_T1"});
      c.flux = c.value >= 0;
      if (c.value < 0) c.value = FindExact(t, {"SOURCE_AMAG_T1"});
    }
    if (format == Format::Munipack) c.value = FindExact(t, {"V-C"});
    if (c.value < 0) {
      c.value = FindColumn(t, [](const std::string& h) {
        return (Contains(h, "MAG") || h == "V-C" || h == "C-V" || Contains(h, "DELTA") || h == "V" ||
                h == "DM") && !Contains(h, "ERR");
      }, c.time);
    }
    if (c.value < 0) {
      c.value = FindColumn(t, [](const std::string& h) {
        return Contains(h, "FLUX") && !Contains(h, "ERR");
      }, c.time);
      c.flux = c.value >= 0;
    }
    if (c.value < 0 && n >= 2) c.value = c.time == 0 ? 1 : 0;  // the other column
    if (c.value < 0) return missing("a magnitude or a flux");
  }
  if (c.value == c.time) {
    return Refuse("The time and the " + std::string(c.flux ? "flux" : "magnitude") +
                  " cannot be the same column (" + ColumnLabel(t, c.time) + ").");
  }
  // Error: the user's, else one named after the value column, else one named like an error.
  if (!o.errCol.empty()) {
    const auto u = UserColumn(t, o.errCol, "--err-col");
    if (!u) return std::unexpected(u.error());
    c.err = *u;
  } else if (!header) {
    c.err = n >= 3 && c.value == 1 && c.time == 0 ? 2 : -1;
  } else {
    const std::string v = Upper(t.header[static_cast<size_t>(c.value)]);
    if (format == Format::Munipack) c.err = FindExact(t, {"S1"});
    if (c.err < 0 && Contains(v, "REL_FLUX_")) {
      const std::string want = "REL_FLUX_ERR_" + v.substr(v.find("REL_FLUX_") + 9);
      c.err = FindExact(t, {want.c_str()});
    }
    if (c.err < 0) {
      c.err = FindColumn(t, [&](const std::string& h) {
        return h == v + "_ERR" || h == v + "ERR" || h == "E_" + v || h == v + "_ERROR" ||
               h == "ERR_" + v || h == v + "_ERR_T1";
      });
    }
    if (c.err < 0) {
      c.err = FindColumn(t, [](const std::string& h) {
        return h == "ERR" || h == "ERROR" || h == "MERR" || h == "MAGERR" || h == "SIGMA" ||
               h == "E_MAG" || h == "MAG_ERR" || h == "FLUX_ERR" || h == "S1" || h == "ERR_MAG";
      });
    }
  }
  if (c.err == c.time || c.err == c.value) c.err = -1;
  return c;
}

bool IsMissing(std::string_view f) {
  const std::string u = Upper(Trim(f));
  return u.empty() || u == "NA" || u == "NAN" || u == "N/A";
}

std::expected<ImportedSeries, Error> ReadTable(std::string_view text, const ImportOptions& o,
                                               Format format) {
  const std::vector<std::string_view> lines = SplitLines(text);
  auto table = ParseTable(lines, DataLines(lines), format == Format::Aij ? '\t' : 0);
  if (!table) return std::unexpected(table.error());
  const Table& t = *table;
  const auto cols = ChooseColumns(t, o, format);
  if (!cols) return std::unexpected(cols.error());
  const Columns& c = *cols;

  ImportedSeries s;
  s.format = format;
  auto name = [&](int col) { return t.header.empty() ? "column " + std::to_string(col + 1) : t.header[static_cast<size_t>(col)]; };
  s.timeColumn = name(c.time);
  s.valueColumn = name(c.value);
  if (c.err >= 0) s.errColumn = name(c.err);
  const double offset = t.header.empty() ? 0.0 : TimeOffsetOfColumn(t.header[static_cast<size_t>(c.time)]);
  const char* what = format == Format::Aij        ? "an AstroImageJ measurement table"
                     : format == Format::Munipack ? "a C-Munipack light curve"
                                                  : "a table";
  s.notes.push_back(std::string("Read as ") + what + " (fields separated by " +
                    DelimName(t.delim) + (t.decimalComma ? ", decimal comma" : "") + "): time from " +
                    ColumnLabel(t, c.time) + ", " + (c.flux ? "flux" : "magnitude") + " from " +
                    ColumnLabel(t, c.value) +
                    (c.err >= 0 ? ", error from " + ColumnLabel(t, c.err) : ", no error column") + ".");
  if (offset != 0.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", offset);
    s.notes.push_back("The times are given less " + std::string(buf) + "; it is added back.");
  }
  std::vector<int> valueLines;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    const auto& row = t.rows[r];
    const int lineNo = t.lines[r];
    double v[2];
    const int which[2] = {c.time, c.value};
    for (int k = 0; k < 2; ++k) {
      const std::string& f = row[static_cast<size_t>(which[k])];
      if (!ParseNumber(f, v[k]) || !std::isfinite(v[k])) {
        return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t, which[k]) + ": " +
                          Quote(f) + " is not a " + (IsNumber(f) ? "finite " : "") + "number.",
                      lineNo);
      }
    }
    double e = std::nan("");
    if (c.err >= 0) {
      const std::string& f = row[static_cast<size_t>(c.err)];
      if (!IsMissing(f) && (!ParseNumber(f, e) || !std::isfinite(e) || e < 0)) {
        return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t, c.err) + ": " +
                          Quote(f) + " is not an error (a number, 0 or more).",
                      lineNo);
      }
    }
    if (!std::isfinite(v[0] + offset)) {
      return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t, c.time) + ": " +
                        Quote(row[static_cast<size_t>(c.time)]) + " is not a finite time.",
                    lineNo);
    }
    if (!s.time.empty() && v[0] + offset < s.time.back()) {
      return Refuse("Line " + std::to_string(lineNo) + ", " + ColumnLabel(t, c.time) + ": " +
                        Quote(row[static_cast<size_t>(c.time)]) +
                        " is earlier than the time on the line before. Observations must be in "
                        "time order.",
                    lineNo);
    }
    s.time.push_back(v[0] + offset);
    s.mag.push_back(v[1]);
    s.err.push_back(e);
    valueLines.push_back(lineNo);
  }
  s.fromFlux = c.flux;
  if (c.flux) {
    if (const auto conv = ConvertFluxes(s, valueLines); !conv) {
      const Error& e = conv.error();
      const std::string where = "Line " + std::to_string(e.line) + ", " + ColumnLabel(t, c.value) + ": ";
      return Refuse(where + e.message, e.line);
    }
  }
  const TimeScale named = TimeScaleOfColumn(s.timeColumn);
  s.timeScale = named;
  if (named != TimeScale::Unknown) s.timeScaleSource = "column " + s.timeColumn;
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
  int mo = 0, d = 0, y = 0, h = 0, mi = 0;
  double sec = 0;
  char ampm[8] = {0};
  const std::string s(Trim(text));
  const int n = std::sscanf(s.c_str(), "%d/%d/%d %d:%d:%lf %7s", &mo, &d, &y, &h, &mi, &sec, ampm);
  if (n < 5) return false;
  std::string ap = Upper(ampm);
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

std::expected<ImportedSeries, Error> ReadAavso(std::string_view text, const ImportOptions& o) {
  const std::vector<std::string_view> lines = SplitLines(text);
  char delim = ',';
  std::string dateKind;  // JD, HJD, EXCEL (as the file says, upper case)
  std::string firstDateKind;
  bool sawType = false;
  struct Obs {
    std::string star, filter;
    double t, m, e;
    int line;
  };
  std::vector<Obs> obs;
  std::vector<std::string> stars, filters;
  auto addUnique = [](std::vector<std::string>& v, const std::string& x) {
    for (const auto& y : v) {
      if (Upper(y) == Upper(x)) return;
    }
    v.push_back(x);
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    const std::string_view line = lines[i];
    if (IsBlankLine(line)) continue;
    if (Trim(line).front() == '#') {
      const std::string_view p = Trim(Trim(line).substr(1));
      const size_t eq = p.find('=');
      if (eq == std::string_view::npos) continue;
      const std::string key = Upper(Trim(p.substr(0, eq)));
      const std::string_view value = p.substr(eq + 1);
      if (key == "TYPE") {
        if (Upper(Trim(value)) != "EXTENDED") {
          return Refuse("Line " + std::to_string(lineNo) + ": #TYPE=" + std::string(Trim(value)) +
                            " is not the AAVSO Extended Format (#TYPE=EXTENDED).",
                        lineNo);
        }
        sawType = true;
      } else if (key == "DELIM") {
        delim = AavsoDelimiter(value);
      } else if (key == "DATE") {
        dateKind = Upper(Trim(value));
        if (dateKind != "JD" && dateKind != "HJD" && dateKind != "EXCEL" && dateKind != "BJD") {
          return Refuse("Line " + std::to_string(lineNo) + ": #DATE=" + std::string(Trim(value)) +
                            " is none of JD, HJD and EXCEL.",
                        lineNo);
        }
        if (firstDateKind.empty()) firstDateKind = dateKind;
        if (dateKind != firstDateKind && dateKind != "EXCEL" && firstDateKind != "EXCEL") {
          return Refuse("Line " + std::to_string(lineNo) + ": #DATE=" + dateKind +
                            " changes the time scale of the file from " + firstDateKind +
                            "; one light curve needs one time scale.",
                        lineNo);
        }
      }
      continue;
    }
    if (!sawType) {
      return Refuse("Line " + std::to_string(lineNo) +
                        ": an observation before #TYPE=EXTENDED; the AAVSO Extended Format starts "
                        "with its parameter lines.",
                    lineNo);
    }
    if (dateKind.empty()) {
      return Refuse("Line " + std::to_string(lineNo) +
                        ": an observation before the #DATE= parameter (JD, HJD or EXCEL).",
                    lineNo);
    }
    const auto f = Split(line, delim);
    if (f.size() < 5) {
      return Refuse("Line " + std::to_string(lineNo) + " has " + std::to_string(f.size()) +
                        " fields separated by " + DelimName(delim) +
                        "; an AAVSO Extended observation has at least STARID, DATE, MAGNITUDE, "
                        "MAGERR and FILTER.",
                    lineNo);
    }
    Obs ob{std::string(Trim(f[0])), std::string(Trim(f[4])), 0, 0, std::nan(""), lineNo};
    if (ob.star.empty()) return Refuse("Line " + std::to_string(lineNo) + ", field 1 (STARID) is empty.", lineNo);
    const bool ok = dateKind == "EXCEL" ? ExcelDateToJd(f[1], ob.t) : (ParseNumber(f[1], ob.t) && std::isfinite(ob.t));
    if (!ok) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 2 (DATE): " + Quote(f[1]) +
                        " is not a date of the kind #DATE=" + dateKind + " says.",
                    lineNo);
    }
    addUnique(stars, ob.star);
    addUnique(filters, ob.filter);
    const std::string_view magText = Trim(f[2]);
    if (!magText.empty() && magText.front() == '<') {
      ob.m = std::nan("");
      obs.push_back(ob);
      continue;
    }
    if (!ParseNumber(magText, ob.m) || !std::isfinite(ob.m)) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 3 (MAGNITUDE): " + Quote(f[2]) +
                        " is not a magnitude.",
                    lineNo);
    }
    if (!IsMissing(f[3]) && (!ParseNumber(f[3], ob.e) || !std::isfinite(ob.e) || ob.e < 0)) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 4 (MAGERR): " + Quote(f[3]) +
                        " is neither an error nor \"na\".",
                    lineNo);
    }
    obs.push_back(ob);
  }
  if (!sawType) return Refuse("The file has no #TYPE=EXTENDED line: it is not in the AAVSO Extended Format.");
  if (obs.empty()) return Refuse("The file holds the AAVSO parameters but no observations.");

  std::vector<std::string> firstTaken;
  auto choose = [&](const std::vector<std::string>& all, const std::string& wanted, const char* what,
                    const char* option) -> std::expected<std::string, Error> {
    if (!wanted.empty()) {
      for (const auto& x : all) {
        if (Upper(x) == Upper(Trim(wanted))) return x;
      }
      return Refuse(std::string("The file holds no ") + what + " \"" + wanted + "\". It holds: " +
                    JoinNames(all) + ".");
    }
    if (all.size() > 1 && o.firstWhenSeveral) {
      firstTaken.push_back("The file holds " + std::to_string(all.size()) + " " + what + "s (" +
                           JoinNames(all) + "); the first, " + all.front() + ", is read.");
      return all.front();
    }
    if (all.size() > 1) {
      return Refuse("The file holds " + std::to_string(all.size()) + " " + what + "s: " +
                    JoinNames(all) + ". Choose one with " + option + ".");
    }
    return all.front();
  };
  const auto star = choose(stars, o.star, "star", "--star");
  if (!star) return std::unexpected(star.error());
  // Only the filters the chosen star was observed in.
  std::vector<std::string> starFilters;
  for (const auto& ob : obs) {
    if (Upper(ob.star) == Upper(*star)) addUnique(starFilters, ob.filter);
  }
  const auto filter = choose(starFilters, o.filter, "filter", "--filter");
  if (!filter) return std::unexpected(filter.error());

  ImportedSeries s;
  s.format = Format::Aavso;
  s.stars = stars;
  s.filters = starFilters;
  s.star = *star;
  s.filter = *filter;
  s.timeColumn = "DATE";
  s.valueColumn = "MAGNITUDE";
  s.errColumn = "MAGERR";
  int fainterKept = 0;
  for (const auto& ob : obs) {
    if (Upper(ob.star) != Upper(*star) || Upper(ob.filter) != Upper(*filter)) continue;
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
    return Refuse("The file holds no magnitude of " + *star + " in filter " + *filter +
                  ", only fainter-than estimates.");
  }
  s.notes.push_back("Read as AAVSO Extended Format: star " + *star + ", filter " + *filter + ", " +
                    std::to_string(s.time.size()) + " observations.");
  for (const auto& n : firstTaken) s.notes.push_back(n);
  if (fainterKept > 0) {
    s.notes.push_back(std::to_string(fainterKept) +
                      " fainter-than estimates (\"<\") are left out.");
  }
  const std::string kind = firstDateKind;
  s.timeScale = kind == "HJD" ? TimeScale::HjdUtc : kind == "BJD" ? TimeScale::BjdTdb : TimeScale::JdUtc;
  s.timeScaleSource = "#DATE=" + kind;
  return s;
}

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
  const std::vector<std::string_view> lines = SplitLines(text);
  const auto first = Split(lines.front(), ',');
  if (!first.empty() && !IsNumber(first[0])) {
    s.timeColumn = std::string(Trim(first[0]));
    if (first.size() > 1) s.valueColumn = std::string(Trim(first[1]));
  }
  s.timeScale = TimeScaleOfColumn(s.timeColumn);
  if (s.timeScale != TimeScale::Unknown) s.timeScaleSource = "column " + s.timeColumn;
  s.notes.push_back("Read as Vantor's own light-curve file.");
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
  for (const char c : Upper(Trim(name))) {
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
  if (text.starts_with("SIMPLE  =")) return Format::Fits;
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
      // Column options ask for a choice the original layout does not offer: read it as a table.
      const bool columns = !options.timeCol.empty() || !options.magCol.empty() ||
                           !options.fluxCol.empty() || !options.errCol.empty();
      s = columns ? ReadTable(text, options, Format::Table) : ReadVantor(text);
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
  // Read first: ReadWholeFile refuses a FIFO, a device or a folder without
  // waiting on it, before anything else opens the path.
  const auto text = ReadWholeFile(path, 256 * 1024 * 1024);
  if (!text) return std::unexpected(text.error());
  if (options.format == Format::Fits ||
      (options.format == Format::Auto && text->rfind("SIMPLE  =", 0) == 0)) {
    auto s = ReadFitsLightCurve(path, options);
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
      return Refuse("the flux " + std::to_string(s.mag[i]) +
                        " is not positive, so it has no magnitude.",
                    line);
    }
  }
  std::vector<double> sorted = s.mag;
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  const double median = n % 2 == 1 ? sorted[n / 2] : 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
  for (size_t i = 0; i < s.mag.size(); ++i) {
    const double f = s.mag[i];
    s.mag[i] = FluxToMagnitude(f, median);
    if (!std::isnan(s.err[i])) s.err[i] = FluxErrorToMagnitude(f, s.err[i]);
  }
  s.fromFlux = true;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.6g", median);
  s.notes.push_back("Fluxes are turned into magnitudes: m = -2.5 log10(f / " + std::string(buf) +
                    ") with the median flux " + buf + ", errors 1.0857 sigma_f / f.");
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
