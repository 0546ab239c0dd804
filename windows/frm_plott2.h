// frmPlott2: the tracing paper window: its controls (placed by its renderer), its renderer and
// its handlers.
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
  void Command4_Click() { hide(); }

 protected:
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

}  // namespace vantor
