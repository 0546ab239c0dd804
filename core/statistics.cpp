// The median by selection rather than by a full sort.
#include "core/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantor {

double Median(std::vector<double> values) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  if (values.empty()) return kNaN;
  if (std::any_of(values.begin(), values.end(), [](double v) { return std::isnan(v); })) {
    return kNaN;
  }
  const size_t mid = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + mid, values.end());
  const double upper = values[mid];
  if (values.size() % 2 == 1) return upper;
  // nth_element leaves the lower half before `mid`: its largest is the lower
  // middle value.
  const double lower = *std::max_element(values.begin(), values.begin() + mid);
  return (lower + upper) / 2;
}

}  // namespace vantor
