// The methods on a light curve of any length: TimeMethod, the automatic
// timings, the bootstrap and the description of a setup, called with a
// `CurveView`. Where a method takes the view itself, the view goes straight
// to it; where it still takes the desktop's store, the view is copied into a
// scratch store as the reader fills it (at most kMaxPoints points, a longer
// curve refused with kCurveTooLongMessage). The series and the service layer
// time through these, so that no caller above the methods builds a store.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/curve.h"
#include "methods/auto_ranges.h"
#include "methods/bootstrap.h"
#include "methods/time_method.h"

namespace vantor {

// Times `curve` by the method and values of `setup` (TimeMethod).
MethodResult<Timing> TimeCurve(const CurveView& curve, const MethodSetup& setup);

// The automatic ranges and the five automatic timings of `curve` (RunAutoTimings).
AutoTimings AutoTimeCurve(const CurveView& curve);

// The bootstrap errors of `setups` on `curve` (BootstrapErrorsOfAll): nullopt
// when `progress` stopped the run.
std::optional<std::vector<MethodResult<BootstrapResult>>> BootstrapCurve(
    const CurveView& curve, const std::vector<MethodSetup>& setups, int n,
    const BootstrapProgress& progress = {});

// The bootstrap error of one setup on `curve` (BootstrapErrors).
MethodResult<BootstrapResult> BootstrapCurve(const CurveView& curve, const MethodSetup& setup,
                                             int n);

// The results report's description of `setup` on `curve` (DescribeSetup).
std::string DescribeCurveSetup(const CurveView& curve, const MethodSetup& setup);

}  // namespace vantor
