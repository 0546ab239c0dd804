// Binning a long series of one eclipse to fewer points, so that the desktop's
// store (kMaxPoints observations) can hold it whole.
//
// BinObservations cuts the time span first..last (the smallest and largest
// time) into `maxBins` bins of equal width
//
//   w = (last - first) / maxBins   (days),
//
// observation i falling into bin k = floor((t_i - first) / (last - first) * maxBins),
// the last time into the last bin (k = maxBins - 1). Each bin holding n >= 1
// observations gives one point:
//
//   time       first + sum(t_i - first) / n    (the mean time, summed about
//                                               `first` so that no digit of a
//                                               full Julian Date is lost)
//   magnitude  sum(m_i) / n                    (the mean magnitude)
//   error      sqrt(sum(e_i^2)) / n            (the error of the mean) when every
//                                               observation of the bin has an
//                                               error; NaN (no error, as the
//                                               importer marks one) when any lacks it
//
// Empty bins are dropped, so there are at most `maxBins` points, in bin order
// (time order). A series of at most `maxBins` observations comes back
// unchanged (the same numbers in the same order, width 0). Deterministic: the
// sums are taken in input order. Allocation: the output (at most maxBins
// points) and the sums of maxBins bins, each sized once.
//
// Refusals (nothing is computed): time, magnitude and error of different
// lengths (the errors may be empty: none); maxBins of 0; a time or magnitude
// that is not a finite number (named by its 1-based observation number);
// times whose span overflows a double.
//
// This file knows nothing of the store or of windows; the import window
// loads a binned series through LoadSeriesIntoStore (import/load.h) and
// names the binning in the report with BinningNote.
#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"
#include "import/series.h"

namespace vantor::import {

// What a binning did.
struct Binning {
  size_t pointsIn = 0;      // observations binned
  size_t bins = 0;          // points out: the non-empty bins
  double widthDays = 0.0;   // the bins' width; 0 when the series was kept as it was

  bool Binned() const { return bins < pointsIn; }
};

// One point per non-empty bin (see the file comment); err has the length of
// time (NaN where a bin has no error).
struct BinnedObservations {
  std::vector<double> time, mag, err;
  Binning binning;
};

// Bins the observations (time, mag, err: err empty or of the same length) to
// at most `maxBins` equal-time bins as the file comment says.
std::expected<BinnedObservations, Error> BinObservations(std::span<const double> time,
                                                         std::span<const double> mag,
                                                         std::span<const double> err,
                                                         size_t maxBins);

// A copy of `series` whose observations are binned to at most `maxBins`
// (its time scale, offset, columns and notes as they were, and a note that
// says the binning when there was one). `binning` receives what was done.
std::expected<ImportedSeries, Error> BinSeries(const ImportedSeries& series, size_t maxBins,
                                               Binning* binning = nullptr);

// The bin width in minutes as the notes write it: two decimals, or as many
// more as give three significant digits to a width under a minute.
std::string BinWidthMinutes(double widthDays);

// "binned from 2500 points to 1000 (bins of 7.20 min)"; empty when nothing
// was binned.
std::string BinningNote(const Binning& binning);

}  // namespace vantor::import
