// The light-curve reader: turns one text file of comma-separated values (HJD,
// magnitude, up to four ignored columns, an optional header line) into a fresh
// light curve in the store.
//
// The reader changes the store only when the whole file has been accepted: on
// every refusal the store is left exactly as it was, and the error says where
// and why. What the reader does to windows (caption, count labels, clearing
// the result boxes) is left to the caller.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/store.h"

namespace vantor {

// Message for a second line without any comma (two blanks after "format.").
inline constexpr const char* kNotCsvMessage =
    "Sorry - your data file needs to be in the Comma Separated Variables format.  "
    "See [menu] Help > Help - Data Files for details.";

// What a read gives: the number of observations read, or the refusal with
// the 1-based line of the file it names (0 for the whole file).
using ReadResult = std::expected<int16_t, Error>;

// Reads the file named by s.DataFilePath (the caller has set DataDir,
// DataFileName and DataFilePath) into the store. An accepted file also
// resets the method windows' state (ResetMethodState) and gives the Fourier
// fit its starting values.
ReadResult ReadLightCurve(Store& s);

// The same on the text of a file already in memory.
ReadResult ReadLightCurveText(Store& s, std::string_view text);

// Observations as a file gives them: times and magnitudes in the file's
// order (0-based), every check of the reader passed.
struct Observations {
  std::vector<double> hjd, mag;
};

// A capacity of no limit: the reader takes a file of any length.
inline constexpr int kAnyLength = 0;

// Reads the observations of a file's text by the reader's rules, refusing
// more than `capacity` observations (kAnyLength: any number) with the
// message ReadLightCurveText gives beyond kMaxPoints. The store's reader is
// this with a capacity of kMaxPoints; the command line and the Python module
// read with none.
std::expected<Observations, Error> ReadObservationsText(std::string_view text,
                                                        int capacity = kAnyLength);

// The checks of LoadObservations, with `capacity` observations at most
// (kAnyLength: any number of them, at least one); the refusal is the one
// LoadObservations gives.
std::expected<void, Error> CheckObservations(std::span<const double> hjd,
                                             std::span<const double> mag,
                                             int capacity = kAnyLength);

// Puts observations that come from elsewhere (an importer, a window cut out
// of a long series, an array handed over by a program) into the store exactly
// as an accepted file with these values would be: times hjd(1..n) and
// magnitudes mag(1..n), HjdBase the whole day of the first time, no point
// deleted, the "+Mags (V-C)" sign, the limits, the tracing paper's fold, the
// Fourier fit's starting values, and the method windows reset. File names
// are left to the caller. Refuses, leaving the store as it was, unless
// 1 <= n <= kMaxPoints, both spans hold n values, every value is finite, the
// times lie in time order within kLargestHjd days and within 99999999 days of
// the first, and every magnitude lies between -99 and 99 (the bounds the
// reader puts on a file); the refusal names the observation (1-based).
ReadResult LoadObservations(Store& s, std::span<const double> hjd, std::span<const double> mag);

}  // namespace vantor
