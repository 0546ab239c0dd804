// The setups the method windows hold now, read from the desktop's store (the
// range markers' indices, the tracing paper's fold and averaging, the Kwee and
// van Woerden boxes, the Fourier range, exclusion and starting values), and
// the timing of a setup that leaves in the store what its window keeps.
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

// TimeMethod, leaving in `s` what the method's window keeps: for the Fourier
// fit, the range, exclusion and starting values of the setup are written first (indices beyond the 16-bit fields are held at
// -1 or kMaxPoints + 1, so they never wrap into range) with no fit standing,
// so a refusal leaves those in place and the rest as it was; a success leaves
// the fit standing, FitParam holding the fitted parameters. The fit itself
// runs on the setup's values as they are.
std::expected<Timing, Refusal> TimeMethodInStore(Store& s, const MethodSetup& setup);

// DescribeSetup of the setup the method window of `row` holds now; "" for a
// row outside 1..6.
std::string DescribeMethodSetup(const Store& s, int row);

}  // namespace vantor
