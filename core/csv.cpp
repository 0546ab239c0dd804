// Quoting CSV fields and building CSV lines.
#include "core/csv.h"

#include <cassert>
#include <utility>

#include "core/format.h"
#include "core/number.h"

namespace vantor {

namespace {

bool NeedsQuotes(std::string_view text, CsvQuoting quoting) {
  switch (quoting) {
    case CsvQuoting::kAlways:
      return true;
    case CsvQuoting::kEdgeBlanks:
      if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return true;
      break;
    case CsvQuoting::kWhenNeeded:
      break;
  }
  return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

}  // namespace

std::string CsvField(std::string_view text, CsvQuoting quoting) {
  if (!NeedsQuotes(text, quoting)) return std::string(text);
  std::string q;
  q.reserve(text.size() + 2);
  q += '"';
  for (const char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

void CsvWriter::Separate() {
  if (inLine_) out_ += ',';
  inLine_ = true;
}

CsvWriter& CsvWriter::Text(std::string_view text) { return Text(text, quoting_); }

CsvWriter& CsvWriter::Text(std::string_view text, CsvQuoting quoting) {
  Separate();
  if (NeedsQuotes(text, quoting)) {
    out_ += CsvField(text, quoting);
  } else {
    out_ += text;
  }
  return *this;
}

CsvWriter& CsvWriter::Fixed(double v, int decimals) {
  Separate();
  out_ += FixedText(v, decimals);
  return *this;
}

CsvWriter& CsvWriter::Number(double v, char conversion, int precision) {
  Separate();
  out_ += FormatNumber(v, conversion, precision);
  return *this;
}

CsvWriter& CsvWriter::Int(long long n) {
  Separate();
  out_ += std::to_string(n);
  return *this;
}

CsvWriter& CsvWriter::Empty(int count) {
  for (int i = 0; i < count; ++i) Separate();
  return *this;
}

CsvWriter& CsvWriter::EndLine() {
  out_ += '\n';
  inLine_ = false;
  return *this;
}

CsvWriter& CsvWriter::Line(std::string_view line) {
  assert(!inLine_);
  out_ += line;
  out_ += '\n';
  return *this;
}

std::string CsvWriter::Take() {
  inLine_ = false;
  return std::exchange(out_, std::string());
}

}  // namespace vantor
