// frmPlott1: the parabolic fit window: its controls (placed by its renderer), its renderer and
// its handlers.
#pragma once

#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott1: the parabolic fit.
class FrmPlott1 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott1(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLineEdit* Text1;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11;

 public slots:
  void Command3_Click() { hide(); }

 private:
  ResultRows& rows_;
};

}  // namespace vantor
