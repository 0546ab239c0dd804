// The methods on a view, or on a scratch store holding it.
#include "series/curve_methods.h"

#include <memory>

#include "core/store.h"

namespace vantor {
namespace {

// Why a curve longer than the store is refused by a method that still reads
// the store.
Refusal TooLong(const CurveView& c) {
  return Refusal{"This light curve holds " + std::to_string(c.NPoints) +
                 " points; this method times at most " + std::to_string(kMaxPoints) + "."};
}

// The store the reader would fill with the working set of `c`: its points,
// base, limits and precision. Needs c.NPoints <= kMaxPoints.
std::unique_ptr<Store> StoreOf(const CurveView& c) {
  auto s = std::make_unique<Store>();
  for (int i = 1; i <= c.NPoints; ++i) {
    s->RelTime[i] = c.RelTime[i];
    s->Mag[i] = c.Mag[i];
  }
  s->NPoints = static_cast<int16_t>(c.NPoints);
  s->HjdBase = c.HjdBase;
  s->ResultDecimals = c.ResultDecimals;
  s->TMin = c.TMin;
  s->TMax = c.TMax;
  s->TRange = c.TRange;
  s->MagMin = c.MagMin;
  s->MagMax = c.MagMax;
  s->MagRange = c.MagRange;
  s->BrightIdx = static_cast<int16_t>(c.BrightIdx);
  s->FaintIdx = static_cast<int16_t>(c.FaintIdx);
  s->InnerExtremeIdx = static_cast<int16_t>(c.InnerExtremeIdx);
  return s;
}

bool FitsStore(const CurveView& c) { return c.NPoints <= kMaxPoints; }

// Each call below takes the view where the method does (the requires
// expression holds), else a scratch store.
template <class View>
MethodResult<Timing> TimeOn(const View& c, const MethodSetup& setup) {
  if constexpr (requires { TimeMethod(c, setup); }) {
    return TimeMethod(c, setup);
  } else {
    if (!FitsStore(c)) return std::unexpected(TooLong(c));
    return TimeMethod(*StoreOf(c), setup);
  }
}

template <class View>
AutoTimings AutoOn(const View& c) {
  if constexpr (requires { RunAutoTimings(c); }) {
    return RunAutoTimings(c);
  } else {
    if (!FitsStore(c)) {
      const Refusal r = TooLong(c);
      return AutoTimings{std::unexpected(r), std::unexpected(r), std::unexpected(r),
                         std::unexpected(r), std::unexpected(r), std::unexpected(r)};
    }
    return RunAutoTimings(*StoreOf(c));
  }
}

template <class View>
std::optional<std::vector<MethodResult<BootstrapResult>>> BootstrapAllOn(
    const View& c, const std::vector<MethodSetup>& setups, int n,
    const BootstrapProgress& progress) {
  if constexpr (requires { BootstrapErrorsOfAll(c, setups, n, kBootstrapSeed, progress); }) {
    return BootstrapErrorsOfAll(c, setups, n, kBootstrapSeed, progress);
  } else {
    if (!FitsStore(c)) {
      return std::vector<MethodResult<BootstrapResult>>(setups.size(), std::unexpected(TooLong(c)));
    }
    return BootstrapErrorsOfAll(*StoreOf(c), setups, n, kBootstrapSeed, progress);
  }
}

template <class View>
MethodResult<BootstrapResult> BootstrapOn(const View& c, const MethodSetup& setup, int n) {
  if constexpr (requires { BootstrapErrors(c, setup, n); }) {
    return BootstrapErrors(c, setup, n);
  } else {
    if (!FitsStore(c)) return std::unexpected(TooLong(c));
    return BootstrapErrors(*StoreOf(c), setup, n);
  }
}

template <class View>
std::string DescribeOn(const View& c, const MethodSetup& setup) {
  if constexpr (requires { DescribeSetup(c, setup); }) {
    return DescribeSetup(c, setup);
  } else {
    if (!FitsStore(c)) return "";
    return DescribeSetup(*StoreOf(c), setup);
  }
}

}  // namespace

MethodResult<Timing> TimeCurve(const CurveView& curve, const MethodSetup& setup) {
  return TimeOn(curve, setup);
}

AutoTimings AutoTimeCurve(const CurveView& curve) { return AutoOn(curve); }

std::optional<std::vector<MethodResult<BootstrapResult>>> BootstrapCurve(
    const CurveView& curve, const std::vector<MethodSetup>& setups, int n,
    const BootstrapProgress& progress) {
  return BootstrapAllOn(curve, setups, n, progress);
}

MethodResult<BootstrapResult> BootstrapCurve(const CurveView& curve, const MethodSetup& setup,
                                             int n) {
  return BootstrapOn(curve, setup, n);
}

std::string DescribeCurveSetup(const CurveView& curve, const MethodSetup& setup) {
  return DescribeOn(curve, setup);
}

}  // namespace vantor
