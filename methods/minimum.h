// The time of minimum every timing method delivers, in one shape: the time
// relative to the light curve's HjdBase (days, as the store holds its times)
// and its estimated error (days). Each method's result struct holds one
// `Minimum` named `minimum`, with the method's own diagnostics beside it.
#pragma once

namespace vantor {

struct Minimum {
  double rel_time = 0.0;  // days relative to HjdBase; HjdBase + rel_time is the HJD
  double error = 0.0;     // the method's own error estimate, days
};

}  // namespace vantor
