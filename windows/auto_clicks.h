// Where the range windows' "Range > Auto" clicks: the relative times just
// outside an automatic range, chosen so that the windows' strict index rules
// (the first point after a start click, the last point before an end click)
// select exactly the range's end points; and the message shown when a range
// cannot be selected by clicks at all. The ranges themselves come from
// methods/auto_ranges.h; the clicks go through each window's own mouse path.
#pragma once

#include <QString>

#include "core/store.h"

namespace vantor {

// Returns the relative time halfway between working point `first` and its left
// neighbour, or the left edge of the plot (`edgeT`) when it has none: a start
// click there selects `first`.
inline double TimeBeforePoint(const Store& s, int first, double edgeT) {
  const double before = first > 1 ? s.RelTime[first - 1] : edgeT;
  return (before + s.RelTime[first]) / 2.0;
}

// Returns the relative time halfway between working point `last` and its right
// neighbour, or the right edge of the plot (`edgeT`) when it has none: an end
// click there selects `last`.
inline double TimeAfterPoint(const Store& s, int last, double edgeT) {
  const double after = last < s.NPoints ? s.RelTime[last + 1] : edgeT;
  return (s.RelTime[last] + after) / 2.0;
}

// Returns the message shown when clicks in the window cannot select the
// automatic range, `points` naming it ("points 22 to 38"): its ends share
// their times with neighbouring points, lie closer together than the drawing
// resolves, lie outside the drawing, or on the wrong side of the faintest point.
inline QString UnclickableRangeMessage(const QString& points) {
  return QStringLiteral(
             "The automatic range, %1, cannot be selected by clicks in this window (its ends share "
             "their times with neighbouring points, lie closer together than the drawing shows, "
             "lie outside it, or on the wrong side of the faintest point). Select the range by "
             "hand.")
      .arg(points);
}

// Returns "points first to last".
inline QString PointsText(int first, int last) {
  return QStringLiteral("points %1 to %2").arg(first).arg(last);
}

}  // namespace vantor
