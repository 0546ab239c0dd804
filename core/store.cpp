// Operations that keep the shared state consistent after loading, deleting or
// restoring points and changing the sign convention.
#include "core/store.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <tuple>

namespace vantor {

namespace {

// The store's copy of its working set's limits.
CurveLimits LimitsOf(const Store& s) {
  return {s.TMin,     s.TMax,      s.TRange,   s.MagMin,         s.MagMax,
          s.MagRange, s.BrightIdx, s.FaintIdx, s.InnerExtremeIdx};
}

std::span<const double> Cells(const PointArray& a, int n) {
  return {a.data(), static_cast<size_t>(n) + 1};
}

}  // namespace

void ComputeRanges(Store& s) {
  const CurveLimits l = ComputeLimits(s.RelTime, s.Mag, s.NPoints, LimitsOf(s));
  std::tie(s.TMin, s.TMax, s.TRange, s.MagMin, s.MagMax, s.MagRange) =
      std::tie(l.TMin, l.TMax, l.TRange, l.MagMin, l.MagMax, l.MagRange);
  s.BrightIdx = static_cast<int16_t>(l.BrightIdx);
  s.FaintIdx = static_cast<int16_t>(l.FaintIdx);
  s.InnerExtremeIdx = static_cast<int16_t>(l.InnerExtremeIdx);
}

Store::operator CurveView() const {
  return CurveView{LimitsOf(*this),   Cells(RelTime, NPoints), Cells(Mag, NPoints),
                   {},                NPoints,                 HjdBase,
                   {},                ResultDecimals,          Cells(RelTimeAll, NPointsAll),
                   NPointsAll};
}

int16_t RebuildWorkingSet(Store& s) {
  s.NPoints = 0;
  for (int i = 1; i <= s.NPointsAll; ++i) {
    if (s.Deleted[i] == 0) {
      ++s.NPoints;
      s.RelTime[s.NPoints] = s.RelTimeAll[i];
      s.Mag[s.NPoints] = s.MagAll[i];
    }
  }
  return s.NPoints;
}

void CopyLimitsToEdit(Store& s) {
  std::tie(s.EditTMin, s.EditTMax, s.EditTRange, s.EditMagMin, s.EditMagMax, s.EditMagRange,
           s.EditBrightIdx, s.EditFaintIdx) =
      std::tie(s.TMin, s.TMax, s.TRange, s.MagMin, s.MagMax, s.MagRange, s.BrightIdx, s.FaintIdx);
}

void ResetMethodState(Store& s) {
  s.ParLeftSet = s.ParRightSet = s.ParRangeSet = s.ParFitted = false;
  s.SmoothLevel = 1;
  s.ChordLeftState = s.ChordRightState = 0;
  s.ChordRangeSet = s.ChordFitted = false;
  s.KvwLeftSet = s.KvwRightSet = s.KvwRangeSet = s.KvwFitted = false;
  s.FourierLeftSet = s.FourierRightSet = s.FourierRangeSet = false;
  s.FourierFitDone = false;
  s.ParamsFromBoxes = false;
}

int16_t ApplyMagSign(Store& s, int index) {
  s.MagSign = static_cast<int16_t>(1 - 2 * index);
  for (int i = 1; i <= s.NPointsAll; ++i) s.MagAll[i] = s.MagRaw[i] * s.MagSign;
  const int16_t n = RebuildWorkingSet(s);
  ComputeRanges(s);
  CopyLimitsToEdit(s);
  // With every point deleted FaintIdx names no kept point; keep the fold then.
  if (s.NPoints > 0) s.FoldTime = RoundTo(s.RelTime[s.FaintIdx], 4);
  return n;
}

void ComputeFoldLayout(Store& s) {
  s.FoldView = s.FoldTime;
  if (s.FoldView < s.TMin) s.FoldView = s.TMin + 0.1 * (s.TMax - s.TMin);
  if (s.FoldView > s.TMax) s.FoldView = s.TMax - 0.1 * (s.TMax - s.TMin);
  s.FoldSpan = (s.FoldView - s.RelTime[1]) + 0.2 * (s.TMax - s.TMin);
}


}  // namespace vantor
