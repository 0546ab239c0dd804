// Operations that keep the shared state consistent after loading, deleting or
// restoring points and changing the sign convention.
#include "core/store.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantor {

void ComputeRanges(Store& s) {
  s.TMin = 99999999;
  s.TMax = -99999999;
  s.MagMin = 99;
  s.MagMax = -99;
  for (int j = 1; j <= s.NPoints; ++j) {
    if (s.RelTime[j] < s.TMin) s.TMin = s.RelTime[j];
    if (s.RelTime[j] > s.TMax) s.TMax = s.RelTime[j];
    if (s.Mag[j] < s.MagMin) {
      s.BrightIdx = static_cast<int16_t>(j);
      s.MagMin = s.Mag[j];
    }
    if (s.Mag[j] > s.MagMax) {
      s.FaintIdx = static_cast<int16_t>(j);
      s.MagMax = s.Mag[j];
    }
  }
  // Distance from the ends of the series; ties go to the brightest point.
  auto distance = [&](int k) { return std::min(k - 1, s.NPoints - k); };
  s.InnerExtremeIdx = distance(s.FaintIdx) > distance(s.BrightIdx) ? s.FaintIdx : s.BrightIdx;

  s.TMin -= 0.002;
  s.TMax += 0.002;
  s.TRange = s.TMax - s.TMin;
  const double m = 0.1 * (s.MagMax - s.MagMin);
  s.MagMin -= m;
  s.MagMax += m;
  s.MagRange = s.MagMax - s.MagMin;
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
  s.EditTMin = s.TMin;
  s.EditTMax = s.TMax;
  s.EditTRange = s.TRange;
  s.EditMagMin = s.MagMin;
  s.EditMagMax = s.MagMax;
  s.EditMagRange = s.MagRange;
  s.EditBrightIdx = s.BrightIdx;
  s.EditFaintIdx = s.FaintIdx;
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

double RoundTo(double x, int d) {
  const double p = std::pow(10.0, d);
  const double sgn = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
  return sgn * std::trunc(std::fabs(x) * p + 0.5) / p;
}

double RoundEven(double x) { return std::nearbyint(x); }

bool LooksInverted(const Store& s) {
  const double half = s.NPoints / 2.0;
  return std::fabs(s.BrightIdx - half) < std::fabs(s.FaintIdx - half);
}

void ComputeFoldLayout(Store& s) {
  s.FoldView = s.FoldTime;
  if (s.FoldView < s.TMin) s.FoldView = s.TMin + 0.1 * (s.TMax - s.TMin);
  if (s.FoldView > s.TMax) s.FoldView = s.TMax - 0.1 * (s.TMax - s.TMin);
  s.FoldSpan = (s.FoldView - s.RelTime[1]) + 0.2 * (s.TMax - s.TMin);
}

bool FoldGivesTime(const Store& s, double foldTime) {
  return std::isfinite(foldTime) && std::fabs(s.HjdBase + foldTime) < kLargestHjd;
}

}  // namespace vantor
