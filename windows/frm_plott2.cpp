// frmPlott2: the tracing paper window.
#include "windows/frm_plott2.h"

#include <QSignalBlocker>
#include <cmath>

#include "core/text.h"
#include "methods/time_method.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"
#include "plot/renderers.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"

namespace vantor {

FrmPlott2::FrmPlott2(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott2"),
               QStringLiteral("Tracing Paper Method - CLICK LEFT ARROW TO DECREASE FOLD HJD, etc."),
               s,
               GeometryRecord::Of(s.Plott2Left, s.Plott2Top, s.Plott2Width, s.Plott2Height,
                                  s.Plott2Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(Remember(rows)) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Fold HJD:"));
  // Wide enough for the 14 characters of the fold time; it ends before "Update".
  Text1 = AddTextBox(QStringLiteral("Text1"), QString(), 1290);
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Update"), 975);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Smooth"), 855);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Undo smooth"), 1455);
  Command4 = AddButton(QStringLiteral("Command4"), QStringLiteral("Done"), 855);
  HScroll1 = new QScrollBar(Qt::Horizontal, &Drawing());
  HScroll1->setObjectName(QStringLiteral("HScroll1"));
  HScroll1->setRange(0, kScrollMax);
  HScroll1->setValue(kScrollCentre);
  // An arrow moves the fold by one unit, a click in the trough by five.
  HScroll1->setSingleStep(1);
  HScroll1->setPageStep(5);
  HScroll1->setTracking(true);
  // The fold moves from the keyboard too: the bar takes focus by Tab and by
  // a click, and Right (Up, Page Up) moves the fold later, Left (Down, Page
  // Down) earlier, as the arrows at its ends do. A scroll bar's keys run
  // the other way by default.
  HScroll1->setFocusPolicy(Qt::StrongFocus);
  HScroll1->setInvertedControls(false);
  HScroll1->resize(TwipsToPixels(3495), TwipsToPixels(255));
  Label8 = AddLabel(QStringLiteral("Label8"), QString::fromUtf8(kNoAveraging));
  connect(Command1, &QPushButton::clicked, this, &FrmPlott2::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmPlott2::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmPlott2::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &FrmPlott2::Command4_Click);
  connect(HScroll1, &QScrollBar::valueChanged, this, &FrmPlott2::HScroll1_Change);
}

void FrmPlott2::AfterLoad() {
  // A window loaded afresh starts at the centre without moving the fold: the
  // scroll bar of a new window raises no change event.
  const QSignalBlocker quiet(HScroll1);
  HScroll1->setValue(kScrollCentre);
}

void FrmPlott2::GoFromMain() {
  StartTracing(store_);
  Redraw();
}

bool FrmPlott2::FigureHasResult() const {
  return store_.NPoints >= 1 && FoldGivesTime(store_, store_.FoldTime);
}

PlotMapping FrmPlott2::FigureMapping() const {
  PlotMapping m = TracingMapping(store_);
  m.area = TracingPlotArea(Window().WidthTwips(), store_.Plott2Height);
  return m;
}

bool FrmPlott2::Redraw() {
  if (!PlotTracingPaper(store_, Window())) return false;
  // Each redraw delivers the fold it shows.
  const TracingSetup setup{store_.FoldTime, store_.SmoothLevel};
  if (const auto timing = TimeMethod(store_, setup)) rows_.DeliverResult(2, *timing, setup);
  return true;
}

void FrmPlott2::HScroll1_Change(int value) {
  const ScrollFold fold = FoldFromScroll(store_, value);
  store_.FoldTime = fold.foldTime;
  // Setting the value back raises the change event once more; that run moves
  // the fold to the scroll unit nearest the clamped one before this run draws.
  if (fold.resetValue) HScroll1->setValue(*fold.resetValue);
  Redraw();
}

void FrmPlott2::Command1_Click() {
  const double typed = Val(Text1->text().toStdString());
  // A number beyond the range of a double has no place on the time axis and
  // no text in row 2: the fold stays where it was.
  if (!std::isfinite(typed)) {
    ShowMessage(
        QStringLiteral("The fold time is too large a number; please type a time within "
                       "the light curve."));
    return;
  }
  // A fold outside the light curve (letters read as 0) is no time of
  // minimum: said, and the fold and row 2 stay as they were.
  if (const auto refused = TracingResultAt(store_, typed); !refused) {
    ShowMessage(QString::fromStdString(refused.error().message));
    return;
  }
  store_.FoldTime = typed;
  Redraw();
}

void FrmPlott2::Command2_Click() {
  if (const auto caption = SmoothStep(store_)) Label8->setText(QString::fromStdString(*caption));
  Label8->adjustSize();
  Redraw();
}

void FrmPlott2::Command3_Click() {
  Label8->setText(QString::fromStdString(UndoSmooth(store_)));
  Label8->adjustSize();
  Redraw();
}

}  // namespace vantor
