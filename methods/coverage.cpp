// The typical spacing of a light curve and the gaps inside an eclipse.
#include "methods/coverage.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/format.h"
#include "core/statistics.h"

namespace vantor {

double MedianStep(std::span<const double> t) {
  if (t.size() < 2) return NAN;
  std::vector<double> steps;
  steps.reserve(t.size() - 1);
  for (size_t i = 1; i < t.size(); ++i) steps.push_back(t[i] - t[i - 1]);
  return Median(std::move(steps));
}

std::optional<Gap> FindGap(std::span<const double> t, double typical, double from, double to,
                           double atLeast) {
  if (!(typical > 0)) return std::nullopt;
  const auto within = [&](double x) { return x >= from && x <= to; };
  for (size_t i = 1; i < t.size(); ++i) {
    const double step = t[i] - t[i - 1];
    if ((within(t[i - 1]) || within(t[i])) && step > kGapFactor * typical && step > atLeast) {
      return Gap{i - 1, t[i - 1], step, typical};
    }
  }
  return std::nullopt;
}

std::string GapText(const Gap& g) {
  return "Gap in the eclipse: no point for " + FormatResult(g.length, 14, 5) + " d after " +
         FormatResult(g.after, 14, 5) + " (the typical spacing is " +
         FormatResult(g.typical, 14, 6) + " d).";
}

namespace {

std::string Percent(double f) { return std::to_string(std::lround(100 * f)) + " %"; }

// The depth fraction of the median of up to kGapSidePoints points from index
// i on, in direction dir (+1 later, -1 earlier), on the same side of the
// centre as point i.
double SideFraction(std::span<const double> t, std::span<const double> m, size_t i, int dir,
                    const EclipseShape& shape) {
  const bool early = t[i] < shape.centre;
  std::vector<double> mags;
  for (long k = static_cast<long>(i);
       k >= 0 && k < static_cast<long>(t.size()) && mags.size() < kGapSidePoints; k += dir) {
    if ((t[k] < shape.centre) != early) break;
    mags.push_back(m[k]);
  }
  const double f = (Median(std::move(mags)) - shape.top) / (shape.bottom - shape.top);
  return std::clamp(f, 0.0, 1.0);
}

std::string BranchHidden(const char* branch, double hidden) {
  return std::string(" It hides ") + Percent(hidden) + " of the " + branch +
         " branch's depth; less than " + Percent(kMaxHiddenDepth) + " may be hidden.";
}

}  // namespace

std::optional<std::string> JudgeCoverage(std::span<const double> t, std::span<const double> m,
                                         const EclipseShape& shape, double typical,
                                         double shownBase) {
  if (t.empty() || t.size() != m.size()) return "No point lies within the eclipse.";
  if (!(shape.bottom > shape.top) || !(shape.duration > 0)) {
    return "The eclipse's depth or duration is unknown: its coverage cannot be judged.";
  }
  const double c = shape.centre;
  const double from = c - shape.duration / 2, to = c + shape.duration / 2;
  for (size_t i = 1; typical > 0 && i < t.size(); ++i) {
    const double step = t[i] - t[i - 1];
    if (!(step > kGapFactor * typical) || !(t[i] > from && t[i - 1] < to)) continue;
    const Gap gap{i - 1, t[i - 1] + shownBase, step, typical};
    const double before = SideFraction(t, m, i - 1, -1, shape);
    const double after = SideFraction(t, m, i, +1, shape);
    if (t[i] <= c || t[i - 1] >= c) {
      const double hidden = std::fabs(before - after);
      if (hidden >= kMaxHiddenDepth) {
        return GapText(gap) + BranchHidden(t[i] <= c ? "descending" : "ascending", hidden);
      }
      continue;
    }
    if (1 - before >= kMaxHiddenDepth) return GapText(gap) + BranchHidden("descending", 1 - before);
    if (1 - after >= kMaxHiddenDepth) return GapText(gap) + BranchHidden("ascending", 1 - after);
    if (step >= kBottomGapShare * shape.duration) {
      return GapText(gap) + " It lies across the bottom of the eclipse for " +
             Percent(step / shape.duration) + " of its duration; less than " +
             Percent(kBottomGapShare) + " may be.";
    }
  }
  // The ends of the data inside the eclipse leave the top of a branch unsampled.
  const auto missing = [&](const char* branch, double hidden, const char* end) {
    return std::string("The ") + branch + " branch is missing " + Percent(hidden) +
           " of its depth: the points " + end + " inside the eclipse (less than " +
           Percent(kMaxHiddenDepth) + " may be unsampled).";
  };
  if (t.front() > from) {
    const double hidden = t.front() >= c ? 1.0 : SideFraction(t, m, 0, +1, shape);
    if (hidden >= kMaxHiddenDepth) return missing("descending", hidden, "start");
  }
  if (t.back() < to) {
    const double hidden = t.back() <= c ? 1.0 : SideFraction(t, m, t.size() - 1, -1, shape);
    if (hidden >= kMaxHiddenDepth) return missing("ascending", hidden, "end");
  }
  return std::nullopt;
}

}  // namespace vantor
