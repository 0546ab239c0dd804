// frmPlotData: the point editor's plot of every point read.
#include "windows/frm_plot_data.h"

#include "plot/renderers.h"

namespace vantor {

FrmPlotData::FrmPlotData(Store& s, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlotData"),
               QStringLiteral("Light Curve - LEFT-CLICK TO DELETE (or undelete) A POINT."), s,
               GeometryRecord::Of(s.PlotDataLeft, s.PlotDataTop, s.PlotDataWidth, s.PlotDataHeight,
                                  s.PlotDataLoading),
               QStringLiteral("mPrintSetup"), parent) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
}

bool FrmPlotData::Redraw() {
  PlotLightCurve(store_, Window());
  return true;
}

}  // namespace vantor
