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
};

}  // namespace vantor
