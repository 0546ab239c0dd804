// frmPlott5: the Fourier fit window.
#include "windows/frm_plott5.h"

#include "plot/renderers.h"
#include "toolkit/twips.h"

namespace vantor {

FrmPlott5::FrmPlott5(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott5"),
               QStringLiteral("Fit Fourier - LEFT-CLICK at start of range."), s,
               GeometryRecord::Of(s.Plott5Left, s.Plott5Top, s.Plott5Width, s.Plott5Height,
                                  s.Plott5Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  static const char* kBoxCaptions[9] = {"",          "ToM, Xo",   "Const, C",
                                        "A.Freq, W", "Const, A1", "Const, A2",
                                        "Const, A3", "Const, A4", "Const, A5"};
  for (int j = 1; j <= 8; ++j) {
    Labels[10 + j] =
        AddLabel(QStringLiteral("Label%1").arg(10 + j), QString::fromLatin1(kBoxCaptions[j]));
    Labels[10 + j]->resize(TwipsToPixels(975), TwipsToPixels(255));
    Text1[j] = AddTextBox(QStringLiteral("Text1(%1)").arg(j), QString(), 975);
  }
  Labels[7] = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Labels[8] = AddLabel(QStringLiteral("Label8"));
  Labels[9] = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Labels[10] = AddLabel(QStringLiteral("Label10"));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Update"), 855);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral(" Fit Fourier"), 1215);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Undo"), 735);
  Command5 = AddButton(QStringLiteral("Command5"), QStringLiteral("Exclude"), 975);
  Command4 = AddButton(QStringLiteral("Command4"), QStringLiteral("Done"), 735);
  Command5->setEnabled(false);
  // The fixed coordinates of the layout; the renderer moves the rest with the window's size.
  for (int j = 1; j <= 8; ++j) {
    Window().SetTop(Labels[10 + j]->objectName().toStdString(), 120 + 720 * (j - 1));
    Window().SetTop(Text1[j]->objectName().toStdString(), 360 + 720 * (j - 1));
  }
  Window().SetLeft("Label7", 400);
  Window().SetLeft("Label8", 1600);
  Window().SetLeft("Label9", 360);
  Window().SetLeft("Label10", 1680);
  connect(Command4, &QPushButton::clicked, this, &FrmPlott5::Command4_Click);
}

void FrmPlott5::AfterLoad() { store_.ExcludeMode = false; }

void FrmPlott5::PlaceButtons() {
  static constexpr int kLefts[5] = {2520, 3480, 4800, 5640, 6720};
  QPushButton* buttons[5] = {Command1, Command2, Command3, Command5, Command4};
  for (int k = 0; k < 5; ++k) Window().SetLeft(buttons[k]->objectName().toStdString(), kLefts[k]);
}

void FrmPlott5::Form_Resize() {
  if (store_.Plott5Loading || !isVisible()) return;
  PlaceButtons();
  PlotForm::Form_Resize();
}

bool FrmPlott5::Redraw() {
  const bool drawn = PlotFourier(store_, Window());
  if (drawn) PlaceButtons();
  return drawn;
}

}  // namespace vantor
