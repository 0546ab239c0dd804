// The settings file "zzzvnt.ini": seven lines of four comma-separated
// integers, the Left, Top, Width and Height (twips) of the plot windows, in the
// order frmPlott1 .. frmPlott5, a spare record, frmPlotData.
//
// Reading is all or nothing: any failure gives all seven records their
// defaults, silently (a missing or damaged file is not the user's problem, so
// reading reports only whether the file's numbers were taken, no message).
// Writing goes through a temporary file, so a failed write never replaces a
// good file with a truncated one; it reports why it failed.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "core/error.h"
#include "core/store.h"

namespace vantor {

inline constexpr const char* kSettingsFileName = "zzzvnt.ini";
inline constexpr int kGeometryFieldCount = 28;

// The 28 geometry fields of the store in file order (Plott1Left, Plott1Top,
// Plott1Width, Plott1Height, Plott2Left, ... PlotDataHeight).
std::array<int16_t*, kGeometryFieldCount> GeometryFields(Store& s);
std::array<int16_t, kGeometryFieldCount> GeometryValues(const Store& s);

// Gives all seven records their default values.
void SetDefaultGeometry(Store& s);

// Reads the settings file into the seven records. Returns true when all 28
// numbers were read; otherwise every record takes its default (no message).
bool ReadSettings(Store& s, const std::string& path = kSettingsFileName);

// Reads the 28 numbers of a settings file's text into the seven records, by
// the same all-or-nothing rule as ReadSettings.
bool ReadSettingsText(Store& s, std::string_view text);

// The file's text: seven lines "Left,Top,Width,Height" each ended by CR LF.
std::string SettingsText(const Store& s);

// Creates or overwrites the settings file; when it cannot be written, returns
// a sentence for the user saying why.
std::expected<void, Error> WriteSettings(const Store& s,
                                         const std::string& path = kSettingsFileName);

// The options file "vantor-options.ini", kept beside the settings file so
// that "zzzvnt.ini" stays its seven lines: "Decimals=N" (5, 6 or 7), the
// precision of the result boxes, and "Weights=bootstrap" (or "own", the
// default) for the weights of "Calc. Means". Lines it does not know are
// ignored.
inline constexpr const char* kOptionsFileName = "vantor-options.ini";

// The options file in the folder of the settings file `settingsPath`.
std::string OptionsPathBeside(const std::string& settingsPath);

// Reads the options file into the store; a missing file, or a value out of
// range, leaves the default (5 decimals, the rows' own weights). Returns
// whether a value was taken.
bool ReadOptions(Store& s, const std::string& path = kOptionsFileName);

// The options file's text: "Decimals=N" ended by CR LF, then
// "Weights=bootstrap" and CR LF when those weights are chosen.
std::string OptionsText(const Store& s);

// Creates or overwrites the options file; says why when it cannot.
std::expected<void, Error> WriteOptions(const Store& s, const std::string& path = kOptionsFileName);

}  // namespace vantor
