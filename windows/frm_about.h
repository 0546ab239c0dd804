// frmAbout: the about window: the program's name, its version and date, where
// to report bugs, and three lines of credits and notices. It opens at the top
// left corner of the screen.
#pragma once

#include <QLabel>
#include <array>

#include "core/version.h"
#include "toolkit/form.h"

namespace vantor {

class FrmAbout : public Form {
  Q_OBJECT

 public:
  // Builds the window (hidden), 6000 x 4000 twips.
  explicit FrmAbout(QWidget* parent = nullptr);

  // Label1 the name, Label2 version and date, Label3 the separator, Label4
  // and Label5 where to report bugs, Label6..Label8 credits and notices;
  // cell 0 unused.
  std::array<QLabel*, 9> Label{};

 protected:
  void Form_Load() override;
};

}  // namespace vantor
