// The light-curve reader: layout recognition, validation, then the store.
#include "core/reader.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/number.h"
#include "core/text.h"
#include "core/textfile.h"

namespace vantor {
namespace {

// A first line holding any other character is a header.
bool HasHeaderMark(std::string_view line) {
  for (const char c : line) {
    const bool allowed = c == ' ' || c == '+' || c == '-' || c == '.' || c == ',' ||
                         (c >= '0' && c <= '9');
    if (!allowed) return true;
  }
  return false;
}

int CountCommas(std::string_view line) {
  int n = 0;
  for (const char c : line) n += c == ',';
  return n;
}


// A file in a wide encoding, one holding NUL bytes or one whose lines end
// in LF CR is refused before its lines are split: its bytes would otherwise turn up in the messages as
// numbers that "are not numbers".
std::optional<Error> RefuseWideText(std::string_view text) {
  const auto starts = [&text](std::string_view mark) { return text.substr(0, mark.size()) == mark; };
  using namespace std::string_view_literals;
  if (starts("\xFF\xFE\0\0"sv) || starts("\0\0\xFE\xFF"sv)) {
    return Error{"This file is UTF-32: save it as UTF-8 or ASCII.", 0};
  }
  if (starts("\xFF\xFE"sv) || starts("\xFE\xFF"sv)) {
    return Error{"This file is UTF-16: save it as UTF-8 or ASCII.", 0};
  }
  // LF CR, the pair reversed, is no line end: every line would be followed
  // by a blank one.
  if (const size_t lf = text.find('\n');
      lf != std::string_view::npos && lf + 1 < text.size() && text[lf + 1] == '\r' &&
      (lf == 0 || text[lf - 1] != '\r')) {
    return Error{"The lines of this file end in LF CR (a line feed, then a carriage return): "
                 "save it with CR LF or LF line ends.",
                 0};
  }
  const size_t nul = text.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  // Without a byte-order mark: ASCII in UTF-16 has a NUL in every other byte.
  size_t nuls = 0;
  const size_t probe = std::min<size_t>(text.size(), 512);
  for (size_t i = 0; i < probe; ++i) nuls += text[i] == '\0';
  if (probe >= 4 && nuls * 4 >= probe * 3) return Error{"This file is UTF-32: save it as UTF-8 or ASCII.", 0};
  if (probe >= 4 && nuls * 3 >= probe) return Error{"This file is UTF-16: save it as UTF-8 or ASCII.", 0};
  int line = 1;
  for (size_t i = 0; i < nul; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
  }
  return Error{"Line " + std::to_string(line) + " holds a NUL byte (byte " + std::to_string(nul + 1) +
                   " of the file): this is not a text file; save it as UTF-8 or ASCII.",
               line};
}

// The lines the reader looks at, holding memory to a small multiple of the
// file: blank lines at the end (skipped anyway) are not split at all, and no
// more lines than the most a file can hold before its refusal (a header,
// `capacity` observations, the line refused). A file of sixteen million
// newlines would otherwise take a quarter of a gigabyte of line views. The
// two first lines are always there when the file has them: they decide the
// layout. Without a capacity every line up to the last one of text is split.
std::vector<std::string_view> LinesToRead(std::string_view text, int capacity) {
  const size_t lastText = text.find_last_not_of(" \t\r\n");
  size_t end = 0;
  if (lastText != std::string_view::npos) {
    end = text.find_first_of("\r\n", lastText);
    if (end == std::string_view::npos) end = text.size();
  }
  std::vector<std::string_view> lines =
      capacity == kAnyLength ? SplitLines(text.substr(0, end))
                             : SplitLines(text.substr(0, end), static_cast<size_t>(capacity) + 2);
  if (lines.size() < 2) {
    // Keep the blank lines that make up the first two: the layout messages
    // name them.
    std::vector<std::string_view> all = SplitLines(text, 2);
    if (all.size() > lines.size()) lines = std::move(all);
  }
  return lines;
}

// Puts checked observations into the store: from here on nothing can fail.
int16_t Commit(Store& s, std::span<const double> hjd, std::span<const double> mag) {
  const int n = static_cast<int>(hjd.size());
  for (int i = 1; i <= n; ++i) {
    s.HjdRaw[i] = hjd[i - 1];
    s.MagRaw[i] = mag[i - 1];
  }
  s.NPointsAll = s.NPoints = static_cast<int16_t>(n);
  s.MagSign = 1;
  s.HjdBase = std::floor(s.HjdRaw[1]);
  for (int i = 1; i <= n; ++i) {
    s.RelTime[i] = s.HjdRaw[i] - s.HjdBase;
    s.RelTimeAll[i] = s.RelTime[i];
    s.Mag[i] = s.MagRaw[i] * s.MagSign;
    s.MagAll[i] = s.Mag[i];
  }
  for (int i = 1; i <= n; ++i) s.Deleted[i] = 0;
  ComputeRanges(s);
  CopyLimitsToEdit(s);
  s.FoldTime = RoundTo(s.RelTime[s.FaintIdx], 4);

  // Fourier starting values.
  s.FitParam[1] = s.RelTime[s.InnerExtremeIdx];
  s.FitParam[2] = s.Mag[s.FaintIdx];
  s.FitParam[3] = 3.14 / s.TRange;
  s.FitParam[4] = s.MagRange;
  for (int j = 5; j <= 8; ++j) s.FitParam[j] = 0;

  // Every method window starts over on the new curve.
  ResetMethodState(s);
  return static_cast<int16_t>(n);
}

}  // namespace

ReadResult ReadLightCurve(Store& s) {
  const auto text = ReadWholeFile(s.DataFilePath);
  if (!text) return std::unexpected(text.error());
  return ReadLightCurveText(s, *text);
}

ReadResult ReadLightCurveText(Store& s, std::string_view text) {
  const auto read = ReadObservationsText(text, kMaxPoints);
  if (!read) return std::unexpected(read.error());
  return Commit(s, read->hjd, read->mag);
}

std::expected<Observations, Error> ReadObservationsText(std::string_view text, int capacity) {
  if (const std::optional<Error> wide = RefuseWideText(text)) return std::unexpected(*wide);
  const std::vector<std::string_view> lines = LinesToRead(text, capacity);
  if (lines.size() < 2) {
    return Refuse(
        "The file holds fewer than two lines. A light curve needs at least two lines: "
        "observations, or a header line followed by observations.");
  }
  const int c1 = CountCommas(lines[0]);
  const int c2 = CountCommas(lines[1]);
  if (c2 == 0) return Refuse(kNotCsvMessage, 2);
  const int k = c2 + 1;
  if (k > 6) {
    return Refuse("Line 2 has " + std::to_string(k) +
                      " fields. A light curve has 2 to 6 columns: HJD, magnitude and up to "
                      "four more that are ignored.",
                  2);
  }
  const size_t first = (c1 != c2 || HasHeaderMark(lines[0])) ? 1 : 0;

  // Blank lines at the end are skipped (LinesToRead leaves them out); a blank
  // line between observations is refused.
  const size_t last = lines.size();
  if (last == first) return Refuse("The file holds a header line but no observations.");

  Observations read;
  std::vector<double>& hjd = read.hjd;
  std::vector<double>& mag = read.mag;
  hjd.reserve(last - first);
  mag.reserve(last - first);
  for (size_t li = first; li < last; ++li) {
    const int lineNo = static_cast<int>(li) + 1;
    const std::string_view line = lines[li];
    if (IsBlankLine(line)) {
      return Refuse("Line " + std::to_string(lineNo) +
                        " is blank. Observations must follow one another without blank lines.",
                    lineNo);
    }
    if (capacity != kAnyLength && static_cast<int>(hjd.size()) == capacity) {
      return Refuse("The file holds more than " + std::to_string(capacity) +
                        " observations. Vantor reads at most " + std::to_string(capacity) +
                        " observations of one eclipse; shorten the file to the eclipse.",
                    lineNo);
    }
    const std::vector<std::string_view> fields = SplitFields(line);
    if (static_cast<int>(fields.size()) != k) {
      return Refuse("Line " + std::to_string(lineNo) + " has " + std::to_string(fields.size()) +
                        " fields, but line 2 has " + std::to_string(k) +
                        ". Every line must have the same number of fields.",
                    lineNo);
    }
    double v[2];
    for (int f = 0; f < 2; ++f) {
      const char* what = f == 0 ? "HJD" : "magnitude";
      const auto number = ParseNumber(TrimBlanks(fields[f]));
      if (!number && number.error() == NumberFault::kNotNumber) {
        return Refuse("Line " + std::to_string(lineNo) + ", field " + std::to_string(f + 1) +
                          " (" + what + "): " + QuotedField(fields[f]) + " is not a number.",
                      lineNo);
      }
      if (!number) {
        return Refuse("Line " + std::to_string(lineNo) + ", field " + std::to_string(f + 1) +
                          " (" + what + "): " + QuotedField(fields[f]) + " is not a finite number.",
                      lineNo);
      }
      v[f] = *number;
    }
    if (!(std::fabs(v[0]) < kLargestHjd)) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 1 (HJD): " + QuotedField(fields[0]) +
                        " lies beyond 10000000000 days, where a time can no longer be held to "
                        "the 0.00001 day that Vantor shows.",
                    lineNo);
    }
    if (!(std::fabs(v[1]) < 99)) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 2 (magnitude): " +
                        QuotedField(fields[1]) + " lies outside the range -99 to 99.",
                    lineNo);
    }
    if (!hjd.empty()) {
      if (!(std::fabs(v[0] - std::floor(hjd.front())) < 99999999)) {
        return Refuse("Line " + std::to_string(lineNo) + ", field 1 (HJD): " + QuotedField(fields[0]) +
                          " lies more than 99999999 days from the first observation.",
                      lineNo);
      }
      if (v[0] < hjd.back()) {
        return Refuse("Line " + std::to_string(lineNo) + ", field 1 (HJD): " + QuotedField(fields[0]) +
                          " is earlier than the time on the line before. Observations must be "
                          "in time order.",
                      lineNo);
      }
    }
    hjd.push_back(v[0]);
    mag.push_back(v[1]);
  }
  return read;
}

ReadResult LoadObservations(Store& s, std::span<const double> hjd, std::span<const double> mag) {
  if (const auto checked = CheckObservations(hjd, mag, kMaxPoints); !checked) {
    return std::unexpected(checked.error());
  }
  return Commit(s, hjd, mag);
}

std::expected<void, Error> CheckObservations(std::span<const double> hjd,
                                             std::span<const double> mag, int capacity) {
  const size_t n = hjd.size();
  if (n < 1 && capacity == kAnyLength) {
    return Refuse("A light curve holds at least 1 observation; 0 were given.");
  }
  if (n < 1 || (capacity != kAnyLength && n > static_cast<size_t>(capacity))) {
    return Refuse("A light curve holds 1 to " + std::to_string(capacity) + " observations; " +
                  std::to_string(n) + " were given.");
  }
  if (mag.size() != n) {
    return Refuse(std::to_string(n) + " times were given with " + std::to_string(mag.size()) +
                  " magnitudes.");
  }
  for (size_t i = 0; i < n; ++i) {
    const std::string which = "Observation " + std::to_string(i + 1);
    if (!std::isfinite(hjd[i]) || !(std::fabs(hjd[i]) < kLargestHjd)) {
      return Refuse(which + ": its time is not a finite number within 10000000000 days.");
    }
    if (!std::isfinite(mag[i]) || !(std::fabs(mag[i]) < 99)) {
      return Refuse(which + ": its magnitude is not a number between -99 and 99.");
    }
    if (!(std::fabs(hjd[i] - std::floor(hjd[0])) < 99999999)) {
      return Refuse(which + ": its time lies more than 99999999 days from the first.");
    }
    if (i > 0 && hjd[i] < hjd[i - 1]) {
      return Refuse(which + ": its time is earlier than the one before. Observations must be in "
                    "time order.");
    }
  }
  return {};
}

}  // namespace vantor
