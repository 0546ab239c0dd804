// The light-curve reader: layout recognition, validation, then the store.
#include "core/reader.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

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

// Parses a whole field as a decimal number ("+" allowed in front).
bool ParseNumber(std::string_view field, double& value) {
  field = TrimBlanks(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  if (field.empty() || field.front() == '+') return false;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  return ec == std::errc() && end == field.data() + field.size();
}

std::string Quote(std::string_view field) {
  field = TrimBlanks(field);
  if (field.size() > 40) return "\"" + std::string(field.substr(0, 40)) + "...\"";
  return "\"" + std::string(field) + "\"";
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
  for (int i = 1; i <= n; ++i) s.FitSigma[i] = 0.01;
  s.FitLambda = -1;

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
  const std::vector<std::string_view> lines = SplitLines(text);
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

  // Blank lines at the end are skipped; a blank line between observations is refused.
  size_t last = lines.size();
  while (last > first && IsBlankLine(lines[last - 1])) --last;
  if (last == first) return Refuse("The file holds a header line but no observations.");

  std::vector<double> hjd, mag;
  hjd.reserve(kMaxPoints);
  mag.reserve(kMaxPoints);
  for (size_t li = first; li < last; ++li) {
    const int lineNo = static_cast<int>(li) + 1;
    const std::string_view line = lines[li];
    if (IsBlankLine(line)) {
      return Refuse("Line " + std::to_string(lineNo) +
                        " is blank. Observations must follow one another without blank lines.",
                    lineNo);
    }
    if (static_cast<int>(hjd.size()) == kMaxPoints) {
      return Refuse("The file holds more than " + std::to_string(kMaxPoints) +
                        " observations. Vantor reads at most " + std::to_string(kMaxPoints) +
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
      if (!ParseNumber(fields[f], v[f])) {
        return Refuse("Line " + std::to_string(lineNo) + ", field " + std::to_string(f + 1) +
                          " (" + what + "): " + Quote(fields[f]) + " is not a number.",
                      lineNo);
      }
      if (!std::isfinite(v[f])) {
        return Refuse("Line " + std::to_string(lineNo) + ", field " + std::to_string(f + 1) +
                          " (" + what + "): " + Quote(fields[f]) + " is not a finite number.",
                      lineNo);
      }
    }
    if (!(std::fabs(v[0]) < kLargestHjd)) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 1 (HJD): " + Quote(fields[0]) +
                        " lies beyond 10000000000 days, where a time can no longer be held to "
                        "the 0.00001 day that Vantor shows.",
                    lineNo);
    }
    if (!(std::fabs(v[1]) < 99)) {
      return Refuse("Line " + std::to_string(lineNo) + ", field 2 (magnitude): " +
                        Quote(fields[1]) + " lies outside the range -99 to 99.",
                    lineNo);
    }
    if (!hjd.empty()) {
      if (!(std::fabs(v[0] - std::floor(hjd.front())) < 99999999)) {
        return Refuse("Line " + std::to_string(lineNo) + ", field 1 (HJD): " + Quote(fields[0]) +
                          " lies more than 99999999 days from the first observation.",
                      lineNo);
      }
      if (v[0] < hjd.back()) {
        return Refuse("Line " + std::to_string(lineNo) + ", field 1 (HJD): " + Quote(fields[0]) +
                          " is earlier than the time on the line before. Observations must be "
                          "in time order.",
                      lineNo);
      }
    }
    hjd.push_back(v[0]);
    mag.push_back(v[1]);
  }

  return Commit(s, hjd, mag);
}

ReadResult LoadObservations(Store& s, std::span<const double> hjd, std::span<const double> mag) {
  const size_t n = hjd.size();
  if (n < 1 || n > static_cast<size_t>(kMaxPoints)) {
    return Refuse("A light curve holds 1 to " + std::to_string(kMaxPoints) + " observations; " +
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
  return Commit(s, hjd, mag);
}

}  // namespace vantor
