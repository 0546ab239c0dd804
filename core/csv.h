// Comma-separated values as Vantor writes them: the batch's and the survey's
// tables, the table of minima, the report's CSV form and the light curve an
// importer hands to the reader. Fields are separated by commas and every line
// ends in LF; a field is put in double quotes where it has to be, with each
// quote inside doubled (RFC 4180). Numbers are written without the locale
// (core/number.h), as the text outputs write them.
//
// Not here: reading CSV (core/reader.h, import/), the JSON outputs, and the
// tab-separated report (core/report.cpp keeps its fields on one line itself).
#pragma once

#include <string>
#include <string_view>

namespace vantor {

// When a field is put in double quotes.
enum class CsvQuoting {
  kWhenNeeded,  // it holds a comma, a double quote, a CR or an LF
  kEdgeBlanks,  // those, or it begins or ends with a blank (spreadsheets trim them)
  kAlways,      // every field
};

// One field as a CSV line holds it: as it is, or in double quotes with every
// quote inside doubled ("a \"b\"" gives "\"a \"\"b\"\"\""). Other bytes,
// also bytes that are not UTF-8, are written as they are.
std::string CsvField(std::string_view text, CsvQuoting quoting = CsvQuoting::kWhenNeeded);

// Builds CSV text line by line into a string:
//
//   CsvWriter w;
//   w.Text(file).Text("kvw").Fixed(time, 6).Empty().Int(n).EndLine();
//
// gives "lc.csv,kvw,2450000.123457,,42\n". Each field after the first of a
// line is preceded by a comma.
class CsvWriter {
 public:
  // `quoting` is the rule for Text fields that name none of their own.
  explicit CsvWriter(CsvQuoting quoting = CsvQuoting::kWhenNeeded) : quoting_(quoting) {}

  // Appends a text field, quoted by the writer's rule or by `quoting`.
  CsvWriter& Text(std::string_view text);
  CsvWriter& Text(std::string_view text, CsvQuoting quoting);
  // Appends `v` with `decimals` decimals (FixedText: "%.*f" in the C locale).
  CsvWriter& Fixed(double v, int decimals);
  // Appends `v` as FormatNumber(v, conversion, precision) writes it.
  CsvWriter& Number(double v, char conversion, int precision);
  // Appends a whole number ("12", "-3").
  CsvWriter& Int(long long n);
  // Appends `count` empty fields.
  CsvWriter& Empty(int count = 1);
  // Ends the line (LF); a line without fields is an empty line.
  CsvWriter& EndLine();
  // Appends a whole line as it is, and its LF: a header, or a comment
  // ("# ..."). Only between lines.
  CsvWriter& Line(std::string_view line);

  // The text written so far.
  const std::string& Str() const { return out_; }
  // Hands the text over and starts anew.
  std::string Take();

 private:
  void Separate();

  std::string out_;
  CsvQuoting quoting_;
  bool inLine_ = false;  // a field has been written on the current line
};

}  // namespace vantor
