// frmPlott2: the tracing paper window.
#include "windows/frm_plott2.h"

#include "methods/tracing.h"
#include "plot/renderers.h"
#include "toolkit/twips.h"

namespace vantor {

FrmPlott2::FrmPlott2(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott2"),
               QStringLiteral("Tracing Paper Method - CLICK LEFT ARROW TO DECREASE FOLD HJD, etc."),
               s,
               GeometryRecord::Of(s.Plott2Left, s.Plott2Top, s.Plott2Width, s.Plott2Height,
                                  s.Plott2Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Fold HJD:"));
  Text1 = AddTextBox(QStringLiteral("Text1"), QString(), 1215);
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Update"), 975);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Smooth"), 855);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Undo smooth"), 1455);
  Command4 = AddButton(QStringLiteral("Command4"), QStringLiteral("Done"), 855);
  HScroll1 = new QScrollBar(Qt::Horizontal, &Drawing());
  HScroll1->setObjectName(QStringLiteral("HScroll1"));
  HScroll1->setRange(0, 32767);
  HScroll1->setValue(16383);
  HScroll1->setSingleStep(1);
  HScroll1->setPageStep(5);
  HScroll1->resize(TwipsToPixels(3495), TwipsToPixels(255));
  Label8 = AddLabel(QStringLiteral("Label8"), QStringLiteral("No averaging"));
  connect(Command4, &QPushButton::clicked, this, &FrmPlott2::Command4_Click);
}

void FrmPlott2::AfterLoad() { HScroll1->setValue(16383); }

void FrmPlott2::GoFromMain() {
  StartTracing(store_);
  Redraw();
}

bool FrmPlott2::Redraw() {
  const auto result = PlotTracingPaper(store_, Window());
  if (!result) return false;
  rows_.DeliverResult(2, QString::fromStdString(result->timeText),
                      QString::fromStdString(result->errorText));
  return true;
}

}  // namespace vantor
