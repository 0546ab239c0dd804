// DrawSeriesOverview: every observation of a series in one small plot.
#include "plot/overview.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/renderers.h"

namespace vantor {

namespace {

constexpr int kInset = 120;

// Grey lines at the multiples of the axis' tick step within [origin, origin + span].
void DrawGrid(Surface& d, const PlotMapping& map, bool timeAxis) {
  const double origin = timeAxis ? map.T0 : map.M0;
  const double span = timeAxis ? map.TS : map.MS;
  const double step = TickStep(span);
  if (!(step > 0)) return;
  const double first = std::ceil(origin / step), last = std::floor((origin + span) / step);
  if (!(last - first < 200)) return;
  d.SetForeColor(kGridGrey);
  const PlotArea& a = map.area;
  for (double k = first; k <= last; ++k) {
    if (timeAxis) {
      const auto x = static_cast<float>(map.X(k * step));
      d.Line(x, a.top, x, a.bottom);
    } else {
      const auto y = static_cast<float>(map.Y(k * step));
      d.Line(a.left, y, a.right, y);
    }
  }
}

}  // namespace

PlotArea OverviewArea(int widthTwips, int heightTwips) {
  PlotArea a;
  a.left = kInset;
  a.top = kInset;
  a.right = static_cast<int16_t>(std::clamp(widthTwips - kInset, kInset + 1, 32767));
  a.bottom = static_cast<int16_t>(std::clamp(heightTwips - kInset, kInset + 1, 32767));
  a.width = static_cast<int16_t>(a.right - a.left);
  a.height = static_cast<int16_t>(a.bottom - a.top);
  return a;
}

namespace {

// The mapping over the series' first to last time and its magnitude range
// (0 to 1 on both axes for an empty series).
PlotMapping OverviewMapping(const PlotArea& a, std::span<const double> time, std::span<const double> mag,
                            size_t n) {
  double t0 = 0, t1 = 1, m0 = 0, m1 = 1;
  if (n > 0) {
    t0 = time.front(), t1 = time[n - 1];
    const auto [lo, hi] = std::minmax_element(mag.begin(), mag.begin() + static_cast<long>(n));
    m0 = *lo, m1 = *hi;
  }
  return MakeMapping(a, t0, t1 - t0, t1, m0, m1 - m0, m1);
}

// The interval to load, cut to the series, shaded in columns. With neither
// end typed nothing is chosen, and nothing is shaded.
void ShadeInterval(Surface& d, const PlotMapping& map, size_t n, std::optional<double> from,
                   std::optional<double> until) {
  const double lo = std::max(from.value_or(map.T0), map.T0);
  const double hi = std::min(until.value_or(map.T0 + map.TS), map.T0 + map.TS);
  const bool shaded = n > 0 && (from || until) && lo <= hi;
  if (!shaded) return;
  d.SetForeColor(kIntervalTint);
  for (double x = map.X(lo); x <= map.X(hi); x += kOverviewColumnTwips) {
    d.Line(static_cast<float>(x), map.area.top, static_cast<float>(x), map.area.bottom);
  }
}

// Every observation as a dot (finite ones only).
void DrawDots(Surface& d, const PlotMapping& map, std::span<const double> time, std::span<const double> mag,
              size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (std::isfinite(time[i]) && std::isfinite(mag[i])) {
      d.Disc(static_cast<float>(map.X(time[i])), static_cast<float>(map.Y(mag[i])), kOverviewDotRadius);
    }
  }
}

// Too many observations for dots: one line per column of the plot from its
// brightest to its faintest point.
void DrawColumns(Surface& d, const PlotMapping& map, std::span<const double> time, std::span<const double> mag,
                 size_t n) {
  const PlotArea& a = map.area;
  const int columns = std::max(1, static_cast<int>(a.width / kOverviewColumnTwips));
  std::vector<double> lowest(static_cast<size_t>(columns), INFINITY);
  std::vector<double> highest(static_cast<size_t>(columns), -INFINITY);
  for (size_t i = 0; i < n; ++i) {
    if (!std::isfinite(time[i]) || !std::isfinite(mag[i])) continue;
    const double f = (time[i] - map.T0) / map.TS;
    const auto c = static_cast<size_t>(std::clamp(static_cast<int>(f * columns), 0, columns - 1));
    lowest[c] = std::min(lowest[c], mag[i]);
    highest[c] = std::max(highest[c], mag[i]);
  }
  for (int c = 0; c < columns; ++c) {
    const auto k = static_cast<size_t>(c);
    if (lowest[k] > highest[k]) continue;
    const auto x = static_cast<float>(a.left + (c + 0.5) * a.width / columns);
    d.Line(x, static_cast<float>(map.Y(lowest[k])), x, static_cast<float>(map.Y(highest[k])));
  }
}

// The ends of the interval that lie within the series.
void DrawIntervalEnds(Surface& d, const PlotMapping& map, size_t n, std::optional<double> from,
                      std::optional<double> until) {
  d.SetForeColor(kMarkerPurple);
  for (const std::optional<double>& end : {from, until}) {
    if (n > 0 && end && *end >= map.T0 && *end <= map.T0 + map.TS) {
      const auto x = static_cast<float>(map.X(*end));
      d.Line(x, map.area.top, x, map.area.bottom);
    }
  }
}

}  // namespace

PlotMapping DrawSeriesOverview(Surface& d, int widthTwips, int heightTwips,
                               std::span<const double> time, std::span<const double> mag,
                               std::optional<double> from, std::optional<double> until) {
  d.SetBackColor(kWhite);
  const PlotArea a = OverviewArea(widthTwips, heightTwips);
  const size_t n = std::min(time.size(), mag.size());
  const PlotMapping map = OverviewMapping(a, time, mag, n);
  ShadeInterval(d, map, n, from, until);  // first, under everything
  DrawGrid(d, map, true);
  DrawGrid(d, map, false);
  DrawFrameLines(d, a);
  d.SetForeColor(kRed);
  if (n <= static_cast<size_t>(kOverviewDotsAtMost)) {
    DrawDots(d, map, time, mag, n);
  } else {
    DrawColumns(d, map, time, mag, n);
  }
  DrawIntervalEnds(d, map, n, from, until);
  return map;
}

}  // namespace vantor
