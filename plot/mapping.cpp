// The tick-step rule, the plot areas and the window mappings.
#include "plot/mapping.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace vantor {

namespace {

int16_t ToInt16(long v) {
  return static_cast<int16_t>(std::clamp<long>(v, std::numeric_limits<int16_t>::min(),
                                               std::numeric_limits<int16_t>::max()));
}

PlotArea MakeArea(long left, long right, long top, long bottom) {
  PlotArea a;
  a.left = ToInt16(left);
  a.right = ToInt16(right);
  a.top = ToInt16(top);
  a.bottom = ToInt16(bottom);
  a.width = ToInt16(static_cast<long>(a.right) - a.left);
  a.height = ToInt16(static_cast<long>(a.bottom) - a.top);
  return a;
}

// One axis of a mapping: origin, span and the grid's end, with a degenerate
// span replaced by kDegenerateSpan centred on the origin.
struct Axis {
  double origin, span, end;
};

Axis MakeAxis(double origin, double span, double end) {
  if (!std::isfinite(origin)) origin = 0.0;
  if (!(std::isfinite(span) && span > 0.0)) {
    origin -= kDegenerateSpan / 2;
    span = kDegenerateSpan;
    end = origin + span;
  }
  if (!std::isfinite(end)) end = origin + span;
  return {origin, span, end};
}

}  // namespace

float TickStep(double range) {
  if (!(std::isfinite(range) && range > 0.0)) return 0.0f;
  const double p = std::floor(std::log(range) / 2.302585);
  const double u = std::pow(10.0, p);
  const double q = range / u;
  double f = 10;
  if (q < 5) f = 5;
  if (q < 2) f = 2;
  const double step = u * f / 10;
  // Converting a double beyond the float range is undefined; a step that would
  // underflow is useless as a grid step.
  if (!(step >= std::numeric_limits<float>::min() && step <= std::numeric_limits<float>::max())) {
    return 0.0f;
  }
  return static_cast<float>(step);
}

PlotArea StandardPlotArea(int widthTwips, int heightTwips) {
  return MakeArea(500, static_cast<long>(widthTwips) - 415, 242,
                  static_cast<long>(heightTwips) - 1850);
}

PlotArea FourierPlotArea(int widthTwips, int heightTwips) {
  return MakeArea(700, static_cast<long>(widthTwips) - 1500, 242,
                  static_cast<long>(heightTwips) - 1850);
}

PlotArea TracingPlotArea(int widthTwips, int heightTwips) {
  return MakeArea(500, static_cast<long>(widthTwips) - 415, 242,
                  static_cast<long>(heightTwips) - 2100);
}

void StorePlotArea(Store& s, const PlotArea& area) {
  std::tie(s.PlotLeft, s.PlotRight, s.PlotTop, s.PlotBottom, s.PlotWidth, s.PlotHeight) =
      std::tie(area.left, area.right, area.top, area.bottom, area.width, area.height);
}

PlotArea PlotAreaOf(const Store& s) {
  PlotArea a;
  std::tie(a.left, a.right, a.top, a.bottom, a.width, a.height) =
      std::tie(s.PlotLeft, s.PlotRight, s.PlotTop, s.PlotBottom, s.PlotWidth, s.PlotHeight);
  return a;
}

PlotMapping MakeMapping(const PlotArea& area, double t0, double ts, double t1, double m0, double ms,
                        double m1) {
  const Axis t = MakeAxis(t0, ts, t1);
  const Axis m = MakeAxis(m0, ms, m1);
  PlotMapping map;
  map.T0 = t.origin;
  map.TS = t.span;
  map.T1 = t.end;
  map.M0 = m.origin;
  map.MS = m.span;
  map.M1 = m.end;
  map.area = area;
  return map;
}

PlotMapping MethodMapping(const Store& s) {
  return MakeMapping(PlotAreaOf(s), s.TMin, s.TRange, s.TMax, s.MagMin, s.MagRange, s.MagMax);
}

PlotMapping TracingMapping(const Store& s) {
  return MakeMapping(PlotAreaOf(s), s.TMin, s.FoldSpan, s.FoldView, s.MagMin, s.MagRange, s.MagMax);
}

PlotMapping EditorMapping(const Store& s) {
  return MakeMapping(PlotAreaOf(s), s.EditTMin, s.EditTRange, s.EditTMax, s.EditMagMin,
                     s.EditMagRange, s.EditMagMax);
}

}  // namespace vantor
