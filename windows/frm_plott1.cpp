// frmPlott1: the parabolic fit window.
#include "windows/frm_plott1.h"

#include "plot/renderers.h"

namespace vantor {

FrmPlott1::FrmPlott1(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott1"),
               QStringLiteral("Fit Parabola - LEFT-CLICK AT START (left end) OF RANGE."), s,
               GeometryRecord::Of(s.Plott1Left, s.Plott1Top, s.Plott1Width, s.Plott1Height,
                                  s.Plott1Loading),
               QStringLiteral("mPrintsetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Fit Parabola"), 1335);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 855);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 855);
  Text1 = AddTextBox(QStringLiteral("Text1"), QString(), 975);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Label8 = AddLabel(QStringLiteral("Label8"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Label10 = AddLabel(QStringLiteral("Label10"));
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("RMS dev'n:"));
  connect(Command3, &QPushButton::clicked, this, &FrmPlott1::Command3_Click);
}

bool FrmPlott1::Redraw() { return PlotParabola(store_, Window()); }

}  // namespace vantor
