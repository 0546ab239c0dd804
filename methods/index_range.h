// An inclusive range of working indices (1-based), as the method windows
// number the points; every method setup that names points uses it.
#pragma once

namespace vantor {

struct IndexRange {
  int first = 0, last = 0;
  bool operator==(const IndexRange&) const = default;
};

}  // namespace vantor
