// frmPlott5: the Fourier fit window: its controls (placed by its renderer), its renderer and
// its handlers.
#pragma once

#include <array>

#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott5: the Fourier fit.
class FrmPlott5 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott5(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  // Text1(1) .. Text1(8); cell 0 unused.
  std::array<QLineEdit*, 9> Text1{};
  std::array<QLabel*, 19> Labels{};  // Label7 .. Label18 by number
  QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;

 public slots:
  void Command4_Click() { hide(); }

 protected:
  void AfterLoad() override;
  void Form_Resize() override;

 private:
  // Places the five buttons' left edges.
  void PlaceButtons();
  ResultRows& rows_;
};

}  // namespace vantor
