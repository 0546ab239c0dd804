// The overview of a whole imported series: a small plot of every observation
// in the program's plot style (black frame, grey grid at the axes' tick
// steps, red marks, fainter lower), with the time interval chosen to load
// shaded and bounded by two purple markers. The import window shows it while
// the user chooses the interval of one eclipse in a series longer than the
// store holds.
//
// A series of up to kOverviewDotsAtMost points is drawn as one dot mark per
// point; a longer one as one red line per column of kOverviewColumnTwips
// from the column's brightest to its faintest point, so that the drawing
// stays small (about one line per screen pixel) whatever the length of the
// series. Nothing here knows Qt.
#pragma once

#include <optional>
#include <span>

#include "core/surface.h"
#include "plot/mapping.h"

namespace vantor {

inline constexpr int kOverviewDotsAtMost = 4000;
inline constexpr double kOverviewColumnTwips = 15;
inline constexpr float kOverviewDotRadius = 22;
inline constexpr Rgb kIntervalTint{215, 228, 255};

// The plot area of an overview widthTwips x heightTwips: 120 twips inside
// each edge.
PlotArea OverviewArea(int widthTwips, int heightTwips);

// Clears `d` and draws the overview of the series (times in days, any origin;
// `time` sorted ascending, as the importer delivers it, and as long as
// `mag`) at widthTwips x heightTwips. `from` and `until` are the interval to
// load (either may be absent: the series' own end then; both absent: no
// interval chosen, nothing shaded); the part of it that
// lies within the series is shaded and its ends inside the series get
// markers. An empty series draws the frame alone. Returns the mapping used.
PlotMapping DrawSeriesOverview(Surface& d, int widthTwips, int heightTwips,
                               std::span<const double> time, std::span<const double> mag,
                               std::optional<double> from, std::optional<double> until);

}  // namespace vantor
