// The setups the method windows hold now, read from the desktop's store: the
// range markers' indices, the tracing paper's fold and averaging, the Kwee and
// van Woerden boxes, the Fourier range, exclusion and starting values.
#pragma once

#include <optional>
#include <string>

#include "core/store.h"
#include "methods/time_method.h"

namespace vantor {

// The setup the method window of `row` holds now: its range markers' indices,
// the fold and averaging level, the Kwee and van Woerden boxes, the Fourier
// range, exclusion (when ExcludeMode) and the starting values in FitParam.
// std::nullopt for a row outside 1..6.
std::optional<MethodSetup> CurrentSetup(const Store& s, int row);

// DescribeSetup of the setup the method window of `row` holds now; "" for a
// row outside 1..6.
std::string DescribeMethodSetup(const Store& s, int row);

}  // namespace vantor
