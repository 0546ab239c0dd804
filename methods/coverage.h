// Coverage of an eclipse by its points: the typical spacing of the times and
// the first gap inside the eclipse that is longer than kGapFactor times it.
// The series' windows and the automatic ranges check their eclipses alike: a
// time of minimum read across such a gap would come from the methods' models
// of the missing part, not from the points.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace vantor {

// A step between consecutive points longer than this many typical steps is a
// gap: five steps lets a night's irregular spacing and a few rejected points
// through, but not a cloud that hides part of a branch.
inline constexpr double kGapFactor = 5.0;

// The median of the steps between consecutive times (NaN for fewer than two).
double MedianStep(std::span<const double> t);

// A gap: no point for `length` days after the time `after`, the point at
// index `index` of the times searched (the one before the gap).
struct Gap {
  size_t index = 0;
  double after = 0, length = 0, typical = 0;
};

// Returns the first step between consecutive times t[i-1], t[i], with either
// of them within [from, to], that is longer than kGapFactor * typical and
// than `atLeast` days; nullopt when there is none (or typical is not a
// positive number).
std::optional<Gap> FindGap(std::span<const double> t, double typical, double from, double to,
                           double atLeast = 0);

// "Gap in the eclipse: no point for L d after T (the typical spacing is S d)."
std::string GapText(const Gap& g);

}  // namespace vantor
