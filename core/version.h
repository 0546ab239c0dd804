// The program's version (as in the top-level CMakeLists.txt, which checks
// that the two agree) and its date: the about window, the main window's
// title line, the report, `vantor-cli --version` and Python's
// vantor.__version__.
#pragma once

namespace vantor {

inline constexpr char kVersion[] = "0.1.0";
inline constexpr char kVersionDate[] = "7 December 2026";

}  // namespace vantor
