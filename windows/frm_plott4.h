// frmPlott4: the Kwee and van Woerden window: its controls (placed by its renderer), its renderer
// and its handlers: the range chosen with two left clicks around the bottom of the eclipse, the
// tuning boxes "Stepp" and "Frac", "Fit Kwee" (the computation itself is KweeVanWoerden's),
// "Undo" and "Done". "Range > Auto" clicks the automatic range (methods/auto_ranges.h) through
// the same mouse path and sets the boxes to the rule's texts.
#pragma once

#include "plot/mapping.h"
#include "windows/range_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott4: Kwee and van Woerden. Its range (range_): KvwLeft*/KvwRight* and
// KvwRangeSet, shown in Label8 and Label10; the left marker's time is the
// selected point's, the right one's the click's own.
class FrmPlott4 : public RangeForm {
  Q_OBJECT
 public:
  FrmPlott4(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the light curve (PlotKwee) and remembers the plot area it drew in.
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12;
  QLineEdit *Text1, *Text2;

 public slots:
  // "Fit Kwee": times the chosen range, keeps its samples in KvwT and KvwMag
  // and delivers row 4 of the main window.
  void Command1_Click();
  // "Undo": forgets the range and the result and empties row 4.
  void Command2_Click();
  // "Done": hides the window; its state and row 4 stay.
  void Command3_Click() { hide(); }
  // "Range > Auto": sets "Stepp" and "Frac" to the automatic rule's texts and
  // clicks the ends of its range as the mouse would (it does not fit); a
  // refused or unclickable range is explained and changes nothing.
  void mAuto_Click() override;

 protected:
  void AfterLoad() override;
  void Form_Resize() override;
  // The range markers at their times, when a range is set.
  void DrawOverlays() override;
};

}  // namespace vantor
