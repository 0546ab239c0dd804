// frmPlott4: the Kwee and van Woerden window.
#include "windows/frm_plott4.h"

#include <algorithm>

#include "methods/auto_ranges.h"
#include "methods/kwee.h"
#include "methods/time_method.h"
#include "plot/renderers.h"
#include "toolkit/message.h"

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
    : RangeForm(QStringLiteral("frmPlott4"),
                QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START (left end) OF RANGE."), s,
                GeometryRecord::Of(s.Plott4Left, s.Plott4Top, s.Plott4Width, s.Plott4Height,
                                   s.Plott4Loading),
                rows, "Kwee and van Woerden", s.KvwFitted, QStringLiteral("mPrintSetup"), parent) {
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
  // The start's time is its selected point's, the end's the click's own.
  range_.emplace(
      *this,
      RangeEnd{s.KvwLeftIdx, s.KvwLeftX, s.KvwLeftT, s.KvwLeftSet, Label8, RangeEnd::Style::Signed,
               kCaptionRightEnd, /*timeOfPoint=*/true},
      RangeEnd{s.KvwRightIdx, s.KvwRightX, s.KvwRightT, s.KvwRightSet, Label10,
               RangeEnd::Style::Signed, kCaptionReady},
      s.KvwRangeSet, [this](double x) { return StartsRange(Mapping().TimeAt(x)); },
      RangeMarkers::Erase::Always);
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

void FrmPlott4::Form_Resize() {
  // This window paints its old markers over before the clear and redraw.
  if (!store_.Plott4Loading && isVisible() && drawn_) range_->DrawAtX(kWhite);
  PlotForm::Form_Resize();
}

void FrmPlott4::DrawOverlays() {
  if (store_.KvwRangeSet) range_->DrawAtTimes();
}

void FrmPlott4::mAuto_Click() {
  if (!drawn_) return;
  const auto k = AutoChoice(&AutoRanges::kvw);
  if (!k) return;
  const auto clicks = range_->AutoClicks(k->range);
  if (!clicks) return;
  Text1->setText(Q(k->stepText));
  Text2->setText(Q(k->fracText));
  range_->ClickAt(*clicks);
}

void FrmPlott4::Command1_Click() {
  Store& s = store_;
  if (!s.KvwRangeSet || s.KvwLeftIdx == 0 || s.KvwRightIdx == 0) return;
  if (drawn_) range_->DrawAtX(kMarkerPurple);
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
  range_->StartOver();
  s.KvwFitted = false;
  Drawing().Cls();
  Redraw();
  rows_.ClearResult(4);
  rows_.SetUseInMean(4, false);
  setWindowTitle(kCaptionStartAfterUndo);
}

}  // namespace vantor
