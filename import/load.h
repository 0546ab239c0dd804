// Putting an imported series into the store, and converting its time scale.
//
// LoadSeriesIntoStore hands the chosen observations to the original reader
// (ReadLightCurveText) as the text of a Vantor light-curve file, every number
// written with 17 significant digits so that it reads back as the same double:
// the store then holds exactly what the original reader makes of those
// numbers, and the six methods, the point editor and the report work on it
// unchanged. Every check is made before the store is touched; on a refusal
// the store is left exactly as it was.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>

#include "core/error.h"
#include "core/reader.h"
#include "core/store.h"
#include "import/series.h"

namespace vantor::import {

// A time interval of a series, full JD in its time scale, both ends included.
struct TimeInterval {
  std::optional<double> from, until;
  bool Given() const { return from.has_value() || until.has_value(); }
};

// The indices of the observations inside `interval`.
std::vector<size_t> SelectInterval(const ImportedSeries& series, const TimeInterval& interval);

// Loads the observations of `series` inside `interval` into `s` (the caller
// has set DataDir, DataFileName and DataFilePath). Refuses: no observation in
// the interval; more than kMaxPoints observations (a series longer than that
// needs an interval around one eclipse); a time or magnitude the original
// reader would refuse (beyond kLargestHjd, |magnitude| >= 99, a span of
// 99999999 days or more). Returns the number of observations loaded.
std::expected<int16_t, Error> LoadSeriesIntoStore(Store& s, const ImportedSeries& series,
                                                  const TimeInterval& interval = {});

// The observations of `series` inside `interval` as the original reader
// gives them (written out and read back exactly as LoadSeriesIntoStore does),
// of any number: the same refusals but the one of more than kMaxPoints.
std::expected<Observations, Error> LoadSeriesObservations(const ImportedSeries& series,
                                                          const TimeInterval& interval = {});

// Converts every time of `series` to `to` (see ConvertTime), with the star's
// coordinates from `star` or else from the series (a FITS header). On a
// refusal the series is left as it was.
std::expected<void, Error> ConvertSeries(ImportedSeries& series, TimeScale to,
                                         const std::optional<SkyPosition>& star);

}  // namespace vantor::import
