// ImportOverview: the import window's small plot of the whole series read,
// with the interval to load shaded (plot/overview.h), redrawn when the series,
// the interval or the widget's size change.
#pragma once

#include <optional>
#include <vector>

#include "plot/mapping.h"
#include "toolkit/canvas.h"

namespace vantor {

class ImportOverview : public Canvas {
  Q_OBJECT

 public:
  explicit ImportOverview(QWidget* parent = nullptr);

  // Shows the series `time` (sorted), `mag`; an empty series clears the plot.
  void SetSeries(std::vector<double> time, std::vector<double> mag);
  // Shades the interval to load (absent ends: the series' own ends).
  void SetInterval(std::optional<double> from, std::optional<double> until);
  // The mapping of the last drawing.
  const PlotMapping& Mapping() const { return map_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Redraw();
  std::vector<double> time_, mag_;
  std::optional<double> from_, until_;
  PlotMapping map_;
};

}  // namespace vantor
