// Order statistics shared by the methods, the series, the importer and the
// tools. Not here: means and spreads (each caller weighs its own), running
// medians (the automatic ranges and the series smooth in their own windows).
#pragma once

#include <vector>

namespace vantor {

// The median of `values`: the middle value of an odd count, the mean of the
// two middle values of an even one ((lower + upper) / 2). Takes its own copy,
// which it reorders (std::nth_element, linear on average): a caller that no
// longer needs its vector moves it in. Returns NaN for no values, and NaN
// when any value is NaN (an order among NaNs would be arbitrary). -0 and +0
// count as equal, so a median of zeros may carry either sign.
double Median(std::vector<double> values);

}  // namespace vantor
