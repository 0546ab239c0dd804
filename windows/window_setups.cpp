// The method windows' setups as the store holds them.
#include "windows/window_setups.h"

namespace vantor {

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
