// ResultRows: what the method windows write into the main window's result
// table. Row k (1 to 6) has its time of minimum (Text k), its estimated error
// (Text k+6) and its "Use in Mean?" box (Check k). A delivered row keeps the
// setup its method ran with, for the report and the bootstrap. The main window
// implements it; tests can record it.
#pragma once

#include "methods/time_method.h"

namespace vantor {

class ResultRows {
 public:
  virtual ~ResultRows() = default;
  // Writes the time and error texts of `timing` into row k, ticks its box and
  // keeps `setup` (with its description as it reads now) beside the row.
  virtual void DeliverResult(int row, const Timing& timing, const MethodSetup& setup) = 0;
  // Empties the time and error texts of row k (the box keeps its value).
  virtual void ClearResult(int row) = 0;
  // Sets the "Use in Mean?" box of row k.
  virtual void SetUseInMean(int row, bool checked) = 0;
};

}  // namespace vantor
