// The method windows' setups as the store holds them.
#include "windows/window_setups.h"

#include <algorithm>
#include <cstdint>

namespace vantor {

namespace {

// A point number for the Fourier window's 16-bit range indices. One beyond
// every point stays beyond them: a plain conversion would wrap 65565 to 29
// and fit a range nobody asked for.
int16_t FourierIndex(int i) {
  return static_cast<int16_t>(std::clamp(i, -1, static_cast<int>(kMaxPoints) + 1));
}

// The Fourier window's state for a fit of `f`, as if its range and boxes had
// been set for it.
void SetFourierStart(Store& s, const FourierSetup& f) {
  s.FourierLeftIdx = FourierIndex(f.range.first);
  s.FourierRightIdx = FourierIndex(f.range.last);
  s.FourierLeftSet = s.FourierRightSet = s.FourierRangeSet = true;
  s.ExcludeMode = f.exclude.has_value();
  if (f.exclude) {
    s.ExclLeftIdx = FourierIndex(f.exclude->first);
    s.ExclRightIdx = FourierIndex(f.exclude->last);
  }
  s.FitParam = f.start;
  s.FourierFitDone = false;
}

}  // namespace

std::expected<Timing, Refusal> TimeMethodInStore(Store& s, const MethodSetup& setup) {
  const auto* fourier = std::get_if<FourierSetup>(&setup);
  // The checks every method makes first refuse before the window changes.
  if (fourier == nullptr || s.NPoints < 1 || LooksInverted(s)) return TimeMethod(s, setup);
  SetFourierStart(s, *fourier);
  auto timing = TimeMethod(s, setup);
  if (timing) {
    s.FitParam = timing->As<FourierFitResult>().FitParam;
    s.FourierFitDone = true;
  }
  return timing;
}

std::optional<MethodSetup> CurrentSetup(const Store& s, int row) {
  switch (row) {
    case 1:
      return ParabolaSetup{{s.ParLeftIdx, s.ParRightIdx}};
    case 2:
      return TracingSetup{s.FoldTime, s.SmoothLevel};
    case 3:
      return ChordsSetup{{s.ChordIdx1, s.ChordIdx2}, {s.ChordIdx3, s.ChordIdx4}};
    case 4:
      return KvwSetup{{s.KvwLeftIdx, s.KvwRightIdx}, s.KvwBoxes};
    case 5: {
      FourierSetup f{{s.FourierLeftIdx, s.FourierRightIdx}, std::nullopt, s.FitParam};
      if (s.ExcludeMode) f.exclude = IndexRange{s.ExclLeftIdx, s.ExclRightIdx};
      return f;
    }
    case 6:
      return SlidingSetup{};
    default:
      return std::nullopt;
  }
}

std::string DescribeMethodSetup(const Store& s, int row) {
  const auto setup = CurrentSetup(s, row);
  return setup ? DescribeSetup(s, *setup) : std::string();
}

}  // namespace vantor
