// frmPlott4: the Kwee and van Woerden window.
#include "windows/frm_plott4.h"

#include <algorithm>

#include "core/format.h"
#include "core/text.h"
#include "methods/auto_ranges.h"
#include "methods/time_method.h"
#include "methods/kwee.h"
#include "plot/renderers.h"
#include "toolkit/message.h"
#include "toolkit/pointer.h"
#include "windows/auto_clicks.h"

namespace vantor {

namespace {

const QString kCaptionStartAfterUndo =
    QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START OF RANGE.");
const QString kCaptionRightEnd =
    QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT (right) END OF RANGE.");
const QString kCaptionReady =
    QStringLiteral("Kwee & van Woerden - CLICK 'Fit Kwee'; OR 'Undo' TO START OVER.");
const QString kCaptionFitted =
    QStringLiteral("Kwee & van Woerden - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER.");

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The window's ranges hold at most kMaxPoints points, whose 2M + 1 samples fit
// the store's sample arrays; a longer range would start its search differently.
static_assert(kKvwLongRange == kMaxPoints);
static_assert(2 * (9 * kMaxPoints / 10) + 1 <= kMaxSamples + 1);

// Keeps the samples of a fit as the window's state (KvwT, KvwMag, cells 0..2M).
void KeepSamples(Store& s, const KvwSamples& samples) {
  const size_t n = std::min(samples.KvwT.size(), s.KvwT.size());
  std::copy_n(samples.KvwT.begin(), n, s.KvwT.begin());
  std::copy_n(samples.KvwMag.begin(), n, s.KvwMag.begin());
}

}  // namespace

FrmPlott4::FrmPlott4(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott4"),
               QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START (left end) OF RANGE."), s,
               GeometryRecord::Of(s.Plott4Left, s.Plott4Top, s.Plott4Width, s.Plott4Height,
                                  s.Plott4Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(Remember(rows)) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Fit Kwee"), 1095);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 735);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 735);
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("Stepp"));
  Text1 = AddTextBox(QStringLiteral("Text1"), QStringLiteral("1"), 495);
  Label12 = AddLabel(QStringLiteral("Label12"), QStringLiteral("Frac"));
  // Room for a fraction such as "0.90" (the automatic range writes two decimals).
  Text2 = AddTextBox(QStringLiteral("Text2"), QStringLiteral(".9"), 555);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Label8 = AddLabel(QStringLiteral("Label8"), QStringLiteral("I1"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Label10 = AddLabel(QStringLiteral("Label10"), QStringLiteral("I2"));
  // The boxes' texts are the method's tuning, kept in the store as typed.
  Text1->setText(Q(store_.KvwBoxes.step));
  Text2->setText(Q(store_.KvwBoxes.frac));
  connect(Text1, &QLineEdit::textChanged, this,
          [this](const QString& text) { store_.KvwBoxes.step = text.toStdString(); });
  connect(Text2, &QLineEdit::textChanged, this,
          [this](const QString& text) { store_.KvwBoxes.frac = text.toStdString(); });
  connect(Command1, &QPushButton::clicked, this, &FrmPlott4::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmPlott4::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmPlott4::Command3_Click);
  QMenu* range = menuBar_->addMenu(QStringLiteral("Range"));
  range->setObjectName(QStringLiteral("mRange"));
  mAuto = range->addAction(QStringLiteral("Auto"));
  mAuto->setObjectName(QStringLiteral("mAuto"));
  connect(mAuto, &QAction::triggered, this, &FrmPlott4::mAuto_Click);
}

void FrmPlott4::AfterLoad() {
  store_.KvwLeftSet = false;
  store_.KvwRightSet = false;
  store_.KvwRangeSet = false;
}

bool FrmPlott4::Redraw() {
  drawn_ = PlotKwee(store_, Window());
  if (drawn_) area_ = PlotAreaOf(store_);
  return drawn_;
}

// The store's plot area describes whichever window was drawn last; a click in
// this window is read against the area this window was drawn in, so that
// another plot window drawn in between cannot shift the selected points.
void FrmPlott4::GoFromMain() {
  if (Redraw()) DrawRangeMarkers();
}

void FrmPlott4::Form_Resize() {
  // This window paints its old markers over before the clear and redraw.
  if (!store_.Plott4Loading && isVisible() && drawn_) {
    DrawMarker(area_, store_.KvwLeftX, kWhite);
    DrawMarker(area_, store_.KvwRightX, kWhite);
  }
  PlotForm::Form_Resize();
}

void FrmPlott4::AfterResizeRedraw() {
  if (drawn_) DrawRangeMarkers();
}

void FrmPlott4::DrawRangeMarkers() {
  if (!store_.KvwRangeSet) return;
  // The left marker stands at the selected point's time, the right one at the click's own time.
  const PlotMapping m = Mapping();
  store_.KvwLeftX = m.X(store_.KvwLeftT);
  store_.KvwRightX = m.X(store_.KvwRightT);
  DrawMarker(area_, store_.KvwLeftX, kMarkerPurple);
  DrawMarker(area_, store_.KvwRightX, kMarkerPurple);
}

void FrmPlott4::Form_MouseDown(int button, double x, double y) {
  // Nothing of this window is on screen to click at before it has drawn.
  if (!drawn_) return;
  // Clicks on the edges count as inside.
  if (x < area_.left || x > area_.right || y < area_.top || y > area_.bottom) return;
  Store& s = store_;
  if (button == 1) {
    const double t = Mapping().TimeAt(x);
    if (StartsRange(t)) {
      DrawMarker(area_, s.KvwLeftX, kWhite);
      DrawMarker(area_, x, kMarkerPurple);
      setWindowTitle(kCaptionRightEnd);
      // With no kept point right of the click (all deleted) the index and its
      // time keep their previous values: a time read at an index that did not
      // change would be stale or, before any selection, cell 0.
      if (const int16_t i = FirstIndexAfter(s, t); i != 0) {
        s.KvwLeftIdx = i;
        s.KvwLeftT = s.RelTime[i];
      }
      s.KvwLeftX = x;
      s.KvwLeftSet = true;
      Label8->setText(Q(SignedIntText(s.KvwLeftIdx)));
      Label8->adjustSize();
    } else {
      DrawMarker(area_, s.KvwRightX, kWhite);
      if (const int16_t i = LastIndexBefore(s, t); i != 0) s.KvwRightIdx = i;
      DrawMarker(area_, x, kMarkerPurple);
      setWindowTitle(kCaptionReady);
      s.KvwRightX = x;
      s.KvwRightT = t;
      s.KvwRightSet = true;
      Label10->setText(Q(SignedIntText(s.KvwRightIdx)));
      Label10->adjustSize();
    }
  }
  s.KvwRangeSet = s.KvwLeftSet && s.KvwRightSet;
}

// The bottom of the eclipse decides the side, so the order of the clicks does not matter.
bool FrmPlott4::StartsRange(double t) const { return t < store_.RelTimeAll[store_.EditFaintIdx]; }

void FrmPlott4::mAuto_Click() {
  if (!drawn_) return;
  const auto ranges = ChooseAutoRanges(store_);
  if (!ranges || !ranges->kvw) {
    ShowMessage(Q(ranges ? ranges->kvw.error().message : ranges.error().message));
    return;
  }
  const AutoKvw& k = *ranges->kvw;
  const AutoRange& r = k.range;
  const PlotMapping m = Mapping();
  const double xStart = m.X(TimeBeforePoint(store_, r.first, m.TimeAt(area_.left)));
  const double xEnd = m.X(TimeAfterPoint(store_, r.last, m.TimeAt(area_.right)));
  // The clicks are read back exactly as Form_MouseDown reads them.
  const bool inside = area_.left <= xStart && xEnd <= area_.right;
  if (!inside || FirstIndexAfter(store_, m.TimeAt(xStart)) != r.first ||
      !StartsRange(m.TimeAt(xStart)) || LastIndexBefore(store_, m.TimeAt(xEnd)) != r.last ||
      StartsRange(m.TimeAt(xEnd))) {
    ShowMessage(UnclickableRangeMessage(PointsText(r.first, r.last)));
    return;
  }
  Text1->setText(Q(k.stepText));
  Text2->setText(Q(k.fracText));
  const double y = (area_.top + area_.bottom) / 2.0;
  ClickAt(xStart, y);
  ClickAt(xEnd, y);
}

void FrmPlott4::Form_MouseMove(int /*button*/, double x, double y) {
  const bool inside = area_.left < x && x < area_.right && area_.top < y && y < area_.bottom;
  SetMousePointer(*this, drawn_ && inside ? MousePointer::Cross : MousePointer::Arrow);
}

void FrmPlott4::Command1_Click() {
  Store& s = store_;
  if (!s.KvwRangeSet || s.KvwLeftIdx == 0 || s.KvwRightIdx == 0) return;
  if (drawn_) {
    DrawMarker(area_, s.KvwLeftX, kMarkerPurple);
    DrawMarker(area_, s.KvwRightX, kMarkerPurple);
  }
  // A refused range or tuning value is explained and changes neither the
  // state nor row 4.
  const KvwSetup setup{{s.KvwLeftIdx, s.KvwRightIdx}, s.KvwBoxes};
  const auto timing = TimeMethod(s, setup);
  if (!timing) {
    ShowMessage(Q(timing.error().message));
    return;
  }
  KeepSamples(s, timing->As<KvwResult>().resampled);
  s.KvwFitted = true;
  rows_.DeliverResult(4, *timing, setup);
  setWindowTitle(kCaptionFitted);
}

void FrmPlott4::Command2_Click() {
  Store& s = store_;
  s.KvwLeftSet = s.KvwRightSet = s.KvwRangeSet = s.KvwFitted = false;
  Drawing().Cls();
  Redraw();
  rows_.ClearResult(4);
  rows_.SetUseInMean(4, false);
  setWindowTitle(kCaptionStartAfterUndo);
  Label8->clear();
  Label10->clear();
}

}  // namespace vantor
