// frmPlott4: the Kwee and van Woerden window: its controls (placed by its renderer), its renderer
// and its handlers.
#pragma once

#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott4: Kwee and van Woerden.
class FrmPlott4 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott4(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12;
  QLineEdit *Text1, *Text2;

 public slots:
  void Command3_Click() { hide(); }

 protected:
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

}  // namespace vantor
