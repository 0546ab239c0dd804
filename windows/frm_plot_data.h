// frmPlotData: the point editor's plot of every point read: its controls (placed by its renderer),
// its renderer and its handlers.
#pragma once

#include "windows/plot_form.h"

namespace vantor {

// frmPlotData: the point editor's plot of every point read.
class FrmPlotData : public PlotForm {
  Q_OBJECT
 public:
  explicit FrmPlotData(Store& store, QWidget* parent = nullptr);
  bool Redraw() override;

 signals:
  // The working set was rebuilt after a deletion or restoration; the main
  // window shows the new count under "Edited # data points".
  void workingSetRebuilt(int nPoints);
};

}  // namespace vantor
