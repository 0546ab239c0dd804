// Light curves for the method tests, built directly into a store's working
// arrays (no file, no limits computed).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/store.h"

namespace vantor::testing {

// A store whose working set is the points (t[i], m[i]), i = 0..n-1, as
// working indices 1..n.
inline std::unique_ptr<Store> MakeStore(const std::vector<double>& t,
                                        const std::vector<double>& m) {
  auto s = std::make_unique<Store>();
  s->NPoints = static_cast<int16_t>(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    s->RelTime[i + 1] = t[i];
    s->Mag[i + 1] = m[i];
  }
  return s;
}

}  // namespace vantor::testing
