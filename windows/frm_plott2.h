// frmPlott2: the tracing paper window: its controls (placed by its renderer), its renderer and
// its handlers: the scroll bar that moves the fold (one unit 0.0001 day, the centre 16383 at the
// faintest point), "Update" with a typed fold, "Smooth" and "Undo smooth" (the averages are
// SmoothStep's and UndoSmooth's), and "Done". Every redraw, the resize handler's too, delivers
// the fold to row 2 of the main window.
#pragma once

#include <QScrollBar>

#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott2: the tracing paper.
class FrmPlott2 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott2(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the folded curve and delivers the fold to the main window's row 2.
  bool Redraw() override;
  // "Go" on the main window: starts from the unsmoothed magnitudes and draws.
  void GoFromMain() override;

  QLabel *Label7, *Label8;
  QLineEdit* Text1;
  QPushButton *Command1, *Command2, *Command3, *Command4;
  QScrollBar* HScroll1;

 public slots:
  // "Update": takes the fold typed into Text1 (not clamped) and redraws.
  void Command1_Click();
  // "Smooth": the next averaging width, its caption in Label8, and a redraw.
  void Command2_Click();
  // "Undo smooth": back to the unsmoothed magnitudes, and a redraw.
  void Command3_Click();
  // "Done": hides the window; the fold, the scroll position and row 2 stay.
  void Command4_Click() { hide(); }
  // Moves the fold to scroll value `value`, clamped into the data with the
  // scroll bar set back, and redraws. The scroll bar tracks its thumb, so
  // valueChanged reports a drag as well as arrows, trough and values set by
  // the program: both events of the scroll bar arrive here.
  void HScroll1_Change(int value);
  void HScroll1_Scroll(int value) { HScroll1_Change(value); }

 protected:
  std::string FigureMethod() const override { return "Tracing paper"; }
  bool FigureHasResult() const override;
  // The tracing paper's own axes: the time axis laid out around the fold.
  PlotMapping FigureMapping() const override;
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

}  // namespace vantor
