// Coverage of an eclipse by its points: the typical spacing of the times, the
// first gap inside the eclipse that is longer than kGapFactor times it, and
// whether such gaps (and the ends of the data) hide a meaningful part of the
// eclipse's branches or its bottom. A time of minimum read across such a gap
// would come from the methods' models of the missing part, not from the
// points; a short gap that hides little of the eclipse's depth hides nothing
// a method needs.
//
// The judgement by depth (JudgeCoverage), used by the series' windows and by
// the automatic timing of a light curve on its own (--auto, Python):
//   the depth fraction of a magnitude m is f = (m - top) / (bottom - top),
//   clamped to [0, 1]: 0 out of eclipse, 1 at the bottom. A step between
//   consecutive points is a gap when it is longer than kGapFactor typical
//   steps and reaches into the eclipse (centre - duration / 2 to
//   centre + duration / 2). The depth fraction on either side of a gap is
//   the median of up to kGapSidePoints points on that side (one noisy point
//   cannot open or close a gap). Then, in this order:
//   1. a gap on one branch (both ends before the centre, or both after)
//      hides |f(before) - f(after)| of that branch's depth;
//   2. a gap across the centre hides 1 - f(before) of the descending and
//      1 - f(after) of the ascending branch, and hides the bottom when it
//      lasts at least kBottomGapShare of the duration;
//   3. the data starting (ending) inside the eclipse leave the top of the
//      descending (ascending) branch unsampled: f of the first (last) points.
//   A branch may have less than kMaxHiddenDepth of its depth hidden; the
//   bottom may not be hidden. A satellite's few-minute orbit gaps or a
//   5-minute gap in an eclipse of hours hide a few per cent of a branch and
//   pass; a cloud over the bottom or most of a branch does not.
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

// A branch may have less than 60 % of its depth unsampled: the 40 % that
// remain are the share the automatic ranges ask of an eclipse's shorter
// branch (kMinBranchShare), which still times the incomplete real eclipse
// CM Dra 7023, whose first points lie 57 % of the depth down.
inline constexpr double kMaxHiddenDepth = 0.6;
// A gap across the centre as long as a fifth of the eclipse hides the part
// of a pointed bottom that the parabola and the bottom of every fit rest on.
inline constexpr double kBottomGapShare = 0.2;
// Points on each side of a gap whose median gives that side's depth.
inline constexpr int kGapSidePoints = 3;

// The eclipse the points are judged against: its levels (magnitudes), the
// time of its bottom and its duration (first to fourth contact), in the
// times' own scale.
struct EclipseShape {
  double top = 0, bottom = 0;
  double centre = 0, duration = 0;
};

// Judges whether the points (t in time order, m magnitudes) cover the
// eclipse `shape` as described above; `typical` is the typical step
// (MedianStep) and `shownBase` is added to times shown in the text.
// Returns the reason, naming what is missing, or nullopt when covered.
std::optional<std::string> JudgeCoverage(std::span<const double> t, std::span<const double> m,
                                         const EclipseShape& shape, double typical,
                                         double shownBase = 0);

}  // namespace vantor
