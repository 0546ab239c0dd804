// frmPlott4: the Kwee and van Woerden window: its controls (placed by its renderer), its renderer
// and its handlers: the range chosen with two left clicks around the bottom of the eclipse, the
// tuning boxes "Stepp" and "Frac", "Fit Kwee" (the computation itself is KweeVanWoerden's),
// "Undo" and "Done". "Range > Auto" clicks the automatic range (methods/auto_ranges.h) through
// the same mouse path and sets the boxes to the rule's texts.
#pragma once

#include "plot/mapping.h"
#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott4: Kwee and van Woerden.
class FrmPlott4 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott4(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the light curve (PlotKwee) and remembers the plot area it drew in.
  bool Redraw() override;
  // Draws the window for the main window's button, then the range markers it
  // holds from earlier.
  void GoFromMain() override;


  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12;
  QLineEdit *Text1, *Text2;
  QAction* mAuto;

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
  void mAuto_Click();

 protected:
  std::string FigureMethod() const override { return "Kwee and van Woerden"; }
  bool FigureHasResult() const override { return store_.KvwFitted; }
  void AfterLoad() override;
  void Form_Resize() override;
  void Form_MouseDown(int button, double xTwips, double yTwips) override;
  void Form_MouseMove(int button, double xTwips, double yTwips) override;
  void AfterResizeRedraw() override;

 private:
  // Draws both markers in purple at the x of KvwLeftT and KvwRightT, storing
  // those x in KvwLeftX and KvwRightX, when a range is set.
  void DrawRangeMarkers();
  // A left click at relative time t sets the start of the range (it lies
  // before the faintest point).
  bool StartsRange(double t) const;

  ResultRows& rows_;
};

}  // namespace vantor
