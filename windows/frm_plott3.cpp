// frmPlott3: the bisectors-of-chords window.
#include "windows/frm_plott3.h"

#include "plot/renderers.h"

namespace vantor {

FrmPlott3::FrmPlott3(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott3"),
               QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF LEFT RANGE."), s,
               GeometryRecord::Of(s.Plott3Left, s.Plott3Top, s.Plott3Width, s.Plott3Height,
                                  s.Plott3Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Bisect Chords"), 1455);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 975);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 855);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index-1:"));
  Label8 = AddLabel(QStringLiteral("Label8"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Left index-2:"));
  Label10 = AddLabel(QStringLiteral("Label10"));
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("Right index-3:"));
  Label12 = AddLabel(QStringLiteral("Label12"));
  Label13 = AddLabel(QStringLiteral("Label13"), QStringLiteral("Right index-4:"));
  Label14 = AddLabel(QStringLiteral("Label14"));
  connect(Command3, &QPushButton::clicked, this, &FrmPlott3::Command3_Click);
}

void FrmPlott3::AfterLoad() {
  store_.ChordLeftState = 0;
  store_.ChordRightState = 0;
  store_.ChordRangeSet = false;
}

bool FrmPlott3::Redraw() { return PlotChords(store_, Window()); }

}  // namespace vantor
