// ImportOverview: the overview of an imported series.
#include "windows/import_overview.h"

#include <cmath>
#include <utility>

#include "plot/overview.h"
#include "toolkit/twips.h"

namespace vantor {

ImportOverview::ImportOverview(QWidget* parent) : Canvas(parent) {
  setObjectName(QStringLiteral("Overview"));
  setMinimumHeight(90);
  setToolTip(QStringLiteral("The whole series; the shaded part is the interval to load."));
}

void ImportOverview::SetSeries(std::vector<double> time, std::vector<double> mag) {
  time_ = std::move(time);
  mag_ = std::move(mag);
  Redraw();
}

void ImportOverview::SetInterval(std::optional<double> from, std::optional<double> until) {
  from_ = from;
  until_ = until;
  Redraw();
}

void ImportOverview::resizeEvent(QResizeEvent* event) {
  Canvas::resizeEvent(event);
  Redraw();
}

void ImportOverview::Redraw() {
  map_ = DrawSeriesOverview(*this, static_cast<int>(std::lround(PixelsToTwips(width()))),
                            static_cast<int>(std::lround(PixelsToTwips(height()))), time_, mag_,
                            from_, until_);
}

}  // namespace vantor
