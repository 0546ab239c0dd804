// frmPlott4: the Kwee and van Woerden window.
#include "windows/frm_plott4.h"

#include "plot/renderers.h"

namespace vantor {

FrmPlott4::FrmPlott4(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott4"),
               QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START (left end) OF RANGE."), s,
               GeometryRecord::Of(s.Plott4Left, s.Plott4Top, s.Plott4Width, s.Plott4Height,
                                  s.Plott4Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Fit Kwee"), 1095);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 735);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 735);
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("Stepp"));
  Text1 = AddTextBox(QStringLiteral("Text1"), QStringLiteral("1"), 495);
  Label12 = AddLabel(QStringLiteral("Label12"), QStringLiteral("Frac"));
  Text2 = AddTextBox(QStringLiteral("Text2"), QStringLiteral(".9"), 495);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Label8 = AddLabel(QStringLiteral("Label8"), QStringLiteral("I1"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Label10 = AddLabel(QStringLiteral("Label10"), QStringLiteral("I2"));
  connect(Command3, &QPushButton::clicked, this, &FrmPlott4::Command3_Click);
}

void FrmPlott4::AfterLoad() {
  store_.KvwLeftSet = false;
  store_.KvwRightSet = false;
  store_.KvwRangeSet = false;
}

bool FrmPlott4::Redraw() { return PlotKwee(store_, Window()); }

}  // namespace vantor
