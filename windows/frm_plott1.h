// frmPlott1: the parabolic fit window: its controls (placed by its renderer), its renderer and
// its handlers: the range chosen with two left clicks around the bottom of the eclipse, "Fit
// Parabola" (the fit itself is FitParabola's), "Undo", "Done", and the fitted curve drawn over
// the light curve as a band, blue inside the clicked range and grey outside. "Range > Auto"
// clicks the automatic range (methods/auto_ranges.h) through the same mouse path.
#pragma once

#include "plot/mapping.h"
#include "windows/range_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott1: the parabolic fit. Its range (range_): ParLeft*/ParRight* and
// ParRangeSet, shown in Label8 and Label10; the markers stand at ParLeftT and
// ParRightT.
class FrmPlott1 : public RangeForm {
  Q_OBJECT
 public:
  FrmPlott1(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the light curve (PlotParabola) and remembers the plot area it drew in.
  bool Redraw() override;

  // Draws the parabola ParA0 + ParA1 t + ParA2 t^2 across the whole time axis
  // as a band 20 units tall, filling ParCurveT/ParCurveMag(0..100).
  void DrawParabola();

  QPushButton *Command1, *Command2, *Command3;
  QLineEdit* Text1;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11;

 public slots:
  // "Fit Parabola": fits the chosen range and delivers row 1 of the main window.
  void Command1_Click();
  // "Undo": forgets the range and the fit and empties row 1.
  void Command2_Click();
  // "Done": hides the window; its state and row 1 stay.
  void Command3_Click() { hide(); }
  // "Range > Auto": clicks the ends of the automatic parabola range as the
  // mouse would (it does not fit); a refused or unclickable range is
  // explained and changes nothing.
  void mAuto_Click() override;

 protected:
  // The range markers and the fitted curve, as the state asks.
  void DrawOverlays() override;
};

}  // namespace vantor
