// Equal-time binning of a long series (see binning.h).
#include "import/binning.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/number.h"

namespace vantor::import {
namespace {

constexpr double kMinutesPerDay = 1440.0;

// The sums of one bin, about the series' first time.
struct BinSums {
  size_t n = 0;
  double dt = 0.0, mag = 0.0, errSq = 0.0;
  bool allErrors = true;
};

std::expected<void, Error> CheckObservations(std::span<const double> time,
                                             std::span<const double> mag,
                                             std::span<const double> err, size_t maxBins) {
  if (mag.size() != time.size() || (!err.empty() && err.size() != time.size())) {
    return Refuse("The series to bin has " + std::to_string(time.size()) + " times, " +
                  std::to_string(mag.size()) + " magnitudes and " + std::to_string(err.size()) +
                  " errors.");
  }
  if (maxBins == 0) return Refuse("A series cannot be binned to no points.");
  for (size_t i = 0; i < time.size(); ++i) {
    if (!std::isfinite(time[i]) || !std::isfinite(mag[i])) {
      return Refuse("Observation " + std::to_string(i + 1) + ": the " +
                    (std::isfinite(time[i]) ? "magnitude" : "time") +
                    " is not a number, so the series cannot be binned.");
    }
  }
  return {};
}

}  // namespace

std::expected<BinnedObservations, Error> BinObservations(std::span<const double> time,
                                                         std::span<const double> mag,
                                                         std::span<const double> err,
                                                         size_t maxBins) {
  if (auto ok = CheckObservations(time, mag, err, maxBins); !ok) {
    return std::unexpected(ok.error());
  }
  BinnedObservations out;
  const size_t n = time.size();
  out.binning.pointsIn = n;
  const double none = std::numeric_limits<double>::quiet_NaN();
  if (n <= maxBins) {
    out.time.assign(time.begin(), time.end());
    out.mag.assign(mag.begin(), mag.end());
    if (err.empty()) {
      out.err.assign(n, none);
    } else {
      out.err.assign(err.begin(), err.end());
    }
    out.binning.bins = n;
    return out;
  }
  const auto [lo, hi] = std::minmax_element(time.begin(), time.end());
  const double first = *lo, span = *hi - *lo;
  if (!std::isfinite(span)) return Refuse("The times of the series span too long to bin.");
  std::vector<BinSums> sums(maxBins);
  for (size_t i = 0; i < n; ++i) {
    // (t - first) / span lies in [0, 1]: the index is at most maxBins, and
    // maxBins itself (the last time) belongs to the last bin.
    const double at = span > 0.0 ? (time[i] - first) / span * static_cast<double>(maxBins) : 0.0;
    const size_t k = std::min(static_cast<size_t>(at), maxBins - 1);
    BinSums& b = sums[k];
    ++b.n;
    b.dt += time[i] - first;
    b.mag += mag[i];
    if (err.empty() || !std::isfinite(err[i])) {
      b.allErrors = false;
    } else {
      b.errSq += err[i] * err[i];
    }
  }
  const size_t filled =
      static_cast<size_t>(std::count_if(sums.begin(), sums.end(), [](const BinSums& b) { return b.n > 0; }));
  out.time.reserve(filled);
  out.mag.reserve(filled);
  out.err.reserve(filled);
  for (const BinSums& b : sums) {
    if (b.n == 0) continue;
    const double count = static_cast<double>(b.n);
    out.time.push_back(first + b.dt / count);
    out.mag.push_back(b.mag / count);
    out.err.push_back(b.allErrors ? std::sqrt(b.errSq) / count : none);
  }
  out.binning.bins = filled;
  out.binning.widthDays = span / static_cast<double>(maxBins);
  return out;
}

std::expected<ImportedSeries, Error> BinSeries(const ImportedSeries& series, size_t maxBins,
                                               Binning* binning) {
  auto binned = BinObservations(series.time, series.mag, series.err, maxBins);
  if (!binned) return std::unexpected(binned.error());
  ImportedSeries out = series;
  out.time = std::move(binned->time);
  out.mag = std::move(binned->mag);
  out.err = std::move(binned->err);
  const std::string note = BinningNote(binned->binning);
  if (!note.empty()) {
    std::string sentence = note;
    sentence.front() = 'B';
    out.notes.push_back(sentence + ".");
  }
  if (binning != nullptr) *binning = binned->binning;
  return out;
}

std::string BinWidthMinutes(double widthDays) {
  const double minutes = widthDays * kMinutesPerDay;
  if (!(minutes > 0.0)) return "0";
  const int decimals =
      minutes >= 1.0 ? 2 : std::min(12, 2 - static_cast<int>(std::floor(std::log10(minutes))));
  return FormatNumber(minutes, 'f', decimals);
}

std::string BinningNote(const Binning& binning) {
  if (!binning.Binned()) return {};
  return "binned from " + std::to_string(binning.pointsIn) + " points to " +
         std::to_string(binning.bins) + " (bins of " + BinWidthMinutes(binning.widthDays) +
         " min)";
}

}  // namespace vantor::import
