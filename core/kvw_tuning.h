// The texts of the Kwee and van Woerden window's two tuning boxes, kept apart
// from the store so that the method's setup can name them without it.
#pragma once

#include <string>

namespace vantor {

// The texts of the Kwee and van Woerden window's two tuning boxes, as typed:
// "Stepp" (the spacing of the trial times, in samples) and "Frac" (the share
// of the half-width the sums cover). The method reads them by their leading
// number; a report quotes them as they stand.
struct KvwTuning {
  std::string step = "1";
  std::string frac = ".9";
  bool operator==(const KvwTuning&) const = default;
};

}  // namespace vantor
