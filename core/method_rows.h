// The six rows of the main window's result table, one per timing method, in
// their order: the title each row shows and the short name the command line
// and its JSON output use. Defined once here for every window, report and
// command that names a row.
#pragma once

namespace vantor {

inline constexpr int kMethodRows = 6;

// "1. Parabolic Fit" ... "6. Sliding Integrations" for rows 1..6; "" otherwise.
constexpr const char* MethodTitle(int row) {
  constexpr const char* kTitles[kMethodRows + 1] = {"",
                                                    "1. Parabolic Fit",
                                                    "2. Tracing Paper",
                                                    "3. Bisectors of Chords",
                                                    "4. Kwee and van Woerden",
                                                    "5. Fourier Fit",
                                                    "6. Sliding Integrations"};
  return row >= 1 && row <= kMethodRows ? kTitles[row] : "";
}

// "parabola", "tracing", "chords", "kvw", "fourier", "sliding" for rows 1..6; "" otherwise.
constexpr const char* MethodKey(int row) {
  constexpr const char* kKeys[kMethodRows + 1] = {"",    "parabola", "tracing", "chords",
                                                  "kvw", "fourier",  "sliding"};
  return row >= 1 && row <= kMethodRows ? kKeys[row] : "";
}

}  // namespace vantor
