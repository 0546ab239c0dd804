// The typical spacing of a light curve and the gaps inside an eclipse.
#include "methods/coverage.h"

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

}  // namespace vantor
