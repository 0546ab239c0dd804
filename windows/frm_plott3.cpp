// frmPlott3: the bisectors-of-chords window.
#include "windows/frm_plott3.h"

#include <array>
#include <utility>

#include "methods/auto_ranges.h"
#include "methods/chords.h"
#include "methods/time_method.h"
#include "plot/renderers.h"
#include "toolkit/message.h"
#include "windows/auto_clicks.h"

namespace vantor {

namespace {

const QString kCaptionStart =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF LEFT RANGE.");
const QString kCaptionLeftEnd =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT (right) END OF LEFT RANGE.");
const QString kCaptionRightStart =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF RIGHT RANGE.");
const QString kCaptionRightEnd =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT (right) END OF RIGHT RANGE.");
const QString kCaptionReady =
    QStringLiteral("Bisect Chords - CLICK 'Bisect Chords', OR 'Undo' TO START OVER.");
const QString kCaptionFitted =
    QStringLiteral("Bisect Chords - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER.");

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

FrmPlott3::FrmPlott3(Store& s, ResultRows& rows, QWidget* parent)
    : RangeForm(QStringLiteral("frmPlott3"), kCaptionStart, s,
                GeometryRecord::Of(s.Plott3Left, s.Plott3Top, s.Plott3Width, s.Plott3Height,
                                   s.Plott3Loading),
                rows, "Bisectors of chords", s.ChordFitted, QStringLiteral("mPrintSetup"), parent) {
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
  connect(Command1, &QPushButton::clicked, this, &FrmPlott3::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmPlott3::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmPlott3::Command3_Click);
}

void FrmPlott3::AfterLoad() {
  store_.ChordLeftState = 0;
  store_.ChordRightState = 0;
  store_.ChordRangeSet = false;
}

bool FrmPlott3::Redraw() {
  drawn_ = PlotChords(store_, Window());
  if (drawn_) area_ = PlotAreaOf(store_);
  return drawn_;
}

void FrmPlott3::DrawOverlays() {
  if (store_.ChordRangeSet) DrawRangeMarkers();
}

void FrmPlott3::DrawMarkerAt(double t) {
  DrawMarker(Drawing(), area_, Mapping().X(t), kMarkerPurple);
}

void FrmPlott3::DrawRangeMarkers() {
  for (const double t : {store_.ChordT1, store_.ChordT2, store_.ChordT3, store_.ChordT4}) {
    DrawMarkerAt(t);
  }
}

void FrmPlott3::Form_MouseDown(int button, double x, double y) {
  // Nothing of this window is on screen to click at before it has drawn.
  if (!drawn_ || !OnPlotArea(x, y)) return;
  Store& s = store_;
  // FaintIdx is 0 only before a light curve was read; no side can be told then.
  if (button == 1 && s.FaintIdx >= 1 && s.FaintIdx <= kMaxPoints) {
    const double t = Mapping().TimeAt(x);
    if (OnLeftSide(t)) {
      TakeClick(Side{s.ChordLeftState, s.ChordIdx1, s.ChordIdx2, s.ChordT1, s.ChordT2, Label8,
                     Label10, kCaptionLeftEnd, kCaptionRightStart},
                t);
    } else {
      TakeClick(Side{s.ChordRightState, s.ChordIdx3, s.ChordIdx4, s.ChordT3, s.ChordT4, Label12,
                     Label14, kCaptionRightEnd, kCaptionReady},
                t);
    }
  }
  s.ChordRangeSet = s.ChordLeftState == 2 && s.ChordRightState == 2;
}

void FrmPlott3::TakeClick(const Side& side, double t) {
  switch (side.state) {
    case 0:
      if (const int16_t i = FirstIndexAfter(store_, t); i != 0) side.firstIdx = i;
      side.firstT = t;
      ShowIndex(side.firstLabel, side.firstIdx);
      DrawMarkerAt(t);
      side.state = 1;
      setWindowTitle(side.afterFirst);
      break;
    case 1:
      if (const int16_t i = LastIndexBefore(store_, t); i != 0) side.lastIdx = i;
      side.lastT = t;
      ShowIndex(side.lastLabel, side.lastIdx);
      DrawMarkerAt(t);
      // A range clicked from its end is put in order; the markers stay at the clicked times.
      if (side.lastIdx < side.firstIdx) {
        std::swap(side.firstIdx, side.lastIdx);
        ShowIndex(side.firstLabel, side.firstIdx);
        ShowIndex(side.lastLabel, side.lastIdx);
      }
      side.state = 2;
      setWindowTitle(side.afterSecond);
      break;
    default:
      // Both ends of this side are set: only "Undo" starts it over.
      break;
  }
}

bool FrmPlott3::OnLeftSide(double t) const { return t < store_.RelTimeAll[store_.FaintIdx]; }

void FrmPlott3::mAuto_Click() {
  Store& s = store_;
  if (!drawn_ || s.FaintIdx < 1 || s.FaintIdx > kMaxPoints) return;
  const auto chosen = AutoChoice(&AutoRanges::chords);
  if (!chosen) return;
  const AutoChords& c = *chosen;
  const PlotMapping m = Mapping();
  const double edgeLeftT = m.TimeAt(area_.left);
  const double edgeRightT = m.TimeAt(area_.right);
  // Start and end click of each side, read back exactly as Form_MouseDown reads them.
  const std::array<double, 4> xs = {
      m.X(TimeBeforePoint(s, c.i1, edgeLeftT)), m.X(TimeAfterPoint(s, c.i2, edgeRightT)),
      m.X(TimeBeforePoint(s, c.i3, edgeLeftT)), m.X(TimeAfterPoint(s, c.i4, edgeRightT))};
  const bool inside = area_.left <= xs[0] && xs[3] <= area_.right;
  const bool selects =
      FirstIndexAfter(s, m.TimeAt(xs[0])) == c.i1 && LastIndexBefore(s, m.TimeAt(xs[1])) == c.i2 &&
      FirstIndexAfter(s, m.TimeAt(xs[2])) == c.i3 && LastIndexBefore(s, m.TimeAt(xs[3])) == c.i4;
  const bool sides = OnLeftSide(m.TimeAt(xs[0])) && OnLeftSide(m.TimeAt(xs[1])) &&
                     !OnLeftSide(m.TimeAt(xs[2])) && !OnLeftSide(m.TimeAt(xs[3]));
  if (!inside || !selects || !sides) {
    ShowMessage(UnclickableRangeMessage(PointsText(c.i1, c.i2) + QStringLiteral(" and ") +
                                        PointsText(c.i3, c.i4)));
    return;
  }
  // A side whose ends are both set takes no more clicks: start both over, as
  // "Undo" does, but keep row 3 until the user bisects again.
  if (s.ChordLeftState != 0 || s.ChordRightState != 0) {
    s.ChordLeftState = s.ChordRightState = 0;
    s.ChordRangeSet = false;
    for (QLabel* label : {Label8, Label10, Label12, Label14}) label->clear();
    Drawing().Cls();
    Redraw();
  }
  const double y = (area_.top + area_.bottom) / 2.0;
  for (const double x : xs) Form_MouseDown(1, x, y);
}

void FrmPlott3::Command1_Click() {
  Store& s = store_;
  if (!s.ChordRangeSet || s.ChordIdx1 == 0 || s.ChordIdx2 == 0) return;
  if (drawn_) DrawRangeMarkers();
  // A refused computation (a chord that cannot be closed, too few chords,
  // ranges outside the points after deletions) is explained and changes
  // neither the state nor row 3.
  const ChordsSetup setup{{s.ChordIdx1, s.ChordIdx2}, {s.ChordIdx3, s.ChordIdx4}};
  const auto timing = TimeMethod(s, setup);
  if (!timing) {
    ShowMessage(Q(timing.error().message));
    return;
  }
  s.ChordFitted = true;
  rows_.DeliverResult(3, *timing, setup);
  setWindowTitle(kCaptionFitted);
}

void FrmPlott3::Command2_Click() {
  Store& s = store_;
  s.ChordLeftState = s.ChordRightState = 0;
  s.ChordRangeSet = s.ChordFitted = false;
  Drawing().Cls();
  Redraw();
  rows_.ClearResult(3);
  rows_.SetUseInMean(3, false);
  setWindowTitle(kCaptionStart);
  for (QLabel* label : {Label8, Label10, Label12, Label14}) label->clear();
}

}  // namespace vantor
