// The settings file of window geometry.
#include "core/settings.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/format.h"
#include "core/number.h"
#include "core/textfile.h"

namespace vantor {

std::array<int16_t*, kGeometryFieldCount> GeometryFields(Store& s) {
  return {&s.Plott1Left,   &s.Plott1Top,   &s.Plott1Width,   &s.Plott1Height,
          &s.Plott2Left,   &s.Plott2Top,   &s.Plott2Width,   &s.Plott2Height,
          &s.Plott3Left,   &s.Plott3Top,   &s.Plott3Width,   &s.Plott3Height,
          &s.Plott4Left,   &s.Plott4Top,   &s.Plott4Width,   &s.Plott4Height,
          &s.Plott5Left,   &s.Plott5Top,   &s.Plott5Width,   &s.Plott5Height,
          &s.Spare6Left,   &s.Spare6Top,   &s.Spare6Width,   &s.Spare6Height,
          &s.PlotDataLeft, &s.PlotDataTop, &s.PlotDataWidth, &s.PlotDataHeight};
}

std::array<int16_t, kGeometryFieldCount> GeometryValues(const Store& s) {
  std::array<int16_t, kGeometryFieldCount> v{};
  const auto fields = GeometryFields(const_cast<Store&>(s));
  for (int i = 0; i < kGeometryFieldCount; ++i) v[i] = *fields[i];
  return v;
}

void SetDefaultGeometry(Store& s) {
  const Store defaults;
  const auto values = GeometryValues(defaults);
  const auto fields = GeometryFields(s);
  for (int i = 0; i < kGeometryFieldCount; ++i) *fields[i] = values[i];
}

bool ReadSettings(Store& s, const std::string& path) {
  const auto text = ReadWholeFile(path, 1024 * 1024);
  if (!text) {
    SetDefaultGeometry(s);
    return false;
  }
  return ReadSettingsText(s, *text);
}

bool ReadSettingsText(Store& s, std::string_view text) {
  std::array<int16_t, kGeometryFieldCount> values{};
  int count = 0;
  bool ok = true;
  // Fields are a stream separated by commas or line ends.
  for (const std::string_view line : SplitLines(text)) {
    if (count == kGeometryFieldCount) break;
    for (const std::string_view raw : SplitFields(line)) {
      if (count == kGeometryFieldCount) break;
      // A number with decimals ("8100.0") counts as the integer it rounds to;
      // only a field that is no number, or rounds outside 16 bits, spoils the file.
      const auto v = ParseNumber(TrimBlanks(raw), NumberForm::kFixed);
      if (!v) {
        ok = false;
        break;
      }
      const double rounded = std::round(*v);
      if (rounded < std::numeric_limits<int16_t>::min() ||
          rounded > std::numeric_limits<int16_t>::max()) {
        ok = false;
        break;
      }
      values[count++] = static_cast<int16_t>(rounded);
    }
    if (!ok) break;
  }
  if (!ok || count < kGeometryFieldCount) {
    SetDefaultGeometry(s);
    return false;
  }
  const auto fields = GeometryFields(s);
  for (int i = 0; i < kGeometryFieldCount; ++i) *fields[i] = values[i];
  return true;
}

std::string SettingsText(const Store& s) {
  const auto v = GeometryValues(s);
  std::string text;
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (c > 0) text += ',';
      text += std::to_string(v[r * 4 + c]);
    }
    text += "\r\n";
  }
  return text;
}

std::string OptionsPathBeside(const std::string& settingsPath) {
  const auto slash = settingsPath.find_last_of('/');
  return slash == std::string::npos ? std::string(kOptionsFileName)
                                    : settingsPath.substr(0, slash + 1) + kOptionsFileName;
}

bool ReadOptions(Store& s, const std::string& path) {
  s.ResultDecimals = kDefaultDecimals;
  s.BootstrapWeights = false;
  const auto text = ReadWholeFile(path, 64 * 1024);
  if (!text) return false;
  bool taken = false;
  for (const std::string_view line : SplitLines(*text)) {
    const std::string_view l = TrimBlanks(line);
    if (constexpr std::string_view kWeights = "Weights="; l.starts_with(kWeights)) {
      const std::string_view v = TrimBlanks(l.substr(kWeights.size()));
      if (v == "bootstrap" || v == "own") {
        s.BootstrapWeights = v == "bootstrap";
        taken = true;
      }
      continue;
    }
    constexpr std::string_view kKey = "Decimals=";
    if (!l.starts_with(kKey)) continue;
    const std::string_view v = TrimBlanks(l.substr(kKey.size()));
    int d = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec == std::errc() && end == v.data() + v.size() && ValidDecimals(d)) {
      s.ResultDecimals = d;
      taken = true;
    }
  }
  return taken;
}

std::string OptionsText(const Store& s) {
  // The weights line only when they are not the rows' own, so that a file
  // written with the default options stays the one line it always was.
  return "Decimals=" + std::to_string(s.ResultDecimals) + "\r\n" +
         (s.BootstrapWeights ? "Weights=bootstrap\r\n" : "");
}

std::expected<void, Error> WriteOptions(const Store& s, const std::string& path) {
  return WriteFileAtomically(path, OptionsText(s));
}

std::expected<void, Error> WriteSettings(const Store& s, const std::string& path) {
  return WriteFileAtomically(path, SettingsText(s));
}

}  // namespace vantor
