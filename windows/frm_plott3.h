// frmPlott3: the bisectors-of-chords window: its controls (placed by its renderer), its renderer
// and its handlers.
#pragma once

#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott3: the bisectors of chords.
class FrmPlott3 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott3(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *Label13, *Label14;

 public slots:
  void Command3_Click() { hide(); }

 protected:
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

}  // namespace vantor
