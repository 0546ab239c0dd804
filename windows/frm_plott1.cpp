// frmPlott1: the parabolic fit window.
#include "windows/frm_plott1.h"

#include <algorithm>

#include "core/format.h"
#include "core/text.h"
#include "methods/auto_ranges.h"
#include "methods/parabola.h"
#include "methods/time_method.h"
#include "plot/renderers.h"
#include "toolkit/message.h"
#include "toolkit/pointer.h"
#include "windows/auto_clicks.h"

namespace vantor {

namespace {

const QString kCaptionStartAfterUndo =
    QStringLiteral("Fit Parabola - LEFT-CLICK AT START OF RANGE.");
const QString kCaptionRightEnd =
    QStringLiteral("Fit Parabola - LEFT-CLICK AT (right) END OF RANGE.");
const QString kCaptionReady =
    QStringLiteral("Fit Parabola - CLICK 'Fit Parabola', OR 'Undo' TO START OVER.");
const QString kCaptionFitted =
    QStringLiteral("Fit Parabola - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER.");

// Samples of the drawn curve (0..kCurveSteps) and half the band's height, in twips.
constexpr int kCurveSteps = 100;
constexpr int kBandHalf = 10;

// The curve is not clipped; a coordinate far outside any window is pinned so
// that the painter never meets an overflowing value.
float Pinned(double v) { return static_cast<float>(std::clamp(v, -1e7, 1e7)); }

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

FrmPlott1::FrmPlott1(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott1"),
               QStringLiteral("Fit Parabola - LEFT-CLICK AT START (left end) OF RANGE."), s,
               GeometryRecord::Of(s.Plott1Left, s.Plott1Top, s.Plott1Width, s.Plott1Height,
                                  s.Plott1Loading),
               QStringLiteral("mPrintsetup"), parent),
      rows_(Remember(rows)) {
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
  connect(Command1, &QPushButton::clicked, this, &FrmPlott1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmPlott1::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmPlott1::Command3_Click);
  QMenu* range = menuBar_->addMenu(QStringLiteral("Range"));
  range->setObjectName(QStringLiteral("mRange"));
  mAuto = range->addAction(QStringLiteral("Auto"));
  mAuto->setObjectName(QStringLiteral("mAuto"));
  connect(mAuto, &QAction::triggered, this, &FrmPlott1::mAuto_Click);
}

bool FrmPlott1::Redraw() {
  drawn_ = PlotParabola(store_, Window());
  if (drawn_) area_ = PlotAreaOf(store_);
  return drawn_;
}

// The store's plot area describes whichever window was drawn last; a click in
// this window is read against the area this window was drawn in, so that
// another plot window drawn in between cannot shift the selected points.
void FrmPlott1::GoFromMain() {
  if (Redraw()) DrawOverlays();
}

void FrmPlott1::AfterResizeRedraw() {
  if (drawn_) DrawOverlays();
}

void FrmPlott1::DrawOverlays() {
  if (!store_.ParRangeSet) return;
  DrawRangeMarkers();
  if (store_.ParFitted) DrawParabola();
}

void FrmPlott1::DrawRangeMarkers() {
  const PlotMapping m = Mapping();
  store_.ParLeftX = m.X(store_.ParLeftT);
  store_.ParRightX = m.X(store_.ParRightT);
  DrawMarker(area_, store_.ParLeftX, kMarkerPurple);
  DrawMarker(area_, store_.ParRightX, kMarkerPurple);
}

void FrmPlott1::Form_MouseDown(int button, double x, double y) {
  // Nothing of this window is on screen to click at before it has drawn.
  if (!drawn_) return;
  // Clicks on the edges count as inside.
  if (x < area_.left || x > area_.right || y < area_.top || y > area_.bottom) return;
  Store& s = store_;
  if (button == 1) {
    const double t = Mapping().TimeAt(x);
    if (StartsRange(t)) {
      DrawMarker(area_, s.ParLeftX, kWhite);
      if (const int16_t i = FirstIndexAfter(s, t); i != 0) s.ParLeftIdx = i;
      DrawMarker(area_, x, kMarkerPurple);
      s.ParLeftX = x;
      s.ParLeftT = t;
      s.ParLeftSet = true;
      Label8->setText(Q(SignedIntText(s.ParLeftIdx)));
      Label8->adjustSize();
      setWindowTitle(kCaptionRightEnd);
    } else {
      DrawMarker(area_, s.ParRightX, kWhite);
      if (const int16_t i = LastIndexBefore(s, t); i != 0) s.ParRightIdx = i;
      DrawMarker(area_, x, kMarkerPurple);
      s.ParRightX = x;
      s.ParRightT = t;
      s.ParRightSet = true;
      Label10->setText(Q(PadInt(s.ParRightIdx, 4, ' ')));
      Label10->adjustSize();
      setWindowTitle(kCaptionReady);
    }
  }
  s.ParRangeSet = s.ParLeftSet && s.ParRightSet;
}

// The bottom of the eclipse decides the side, so the order of the clicks does not matter.
bool FrmPlott1::StartsRange(double t) const { return t < store_.RelTimeAll[store_.EditFaintIdx]; }

void FrmPlott1::mAuto_Click() {
  if (!drawn_) return;
  const auto ranges = ChooseAutoRanges(store_);
  if (!ranges || !ranges->parabola) {
    ShowMessage(Q(ranges ? ranges->parabola.error().message : ranges.error().message));
    return;
  }
  const AutoRange& r = *ranges->parabola;
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
  // The range and fit standing from before go as with "Undo" (the parabola,
  // its RMS and row 1), so that nothing of them stays beside the new range.
  Command2_Click();
  const double y = (area_.top + area_.bottom) / 2.0;
  ClickAt(xStart, y);
  ClickAt(xEnd, y);
}

void FrmPlott1::Form_MouseMove(int /*button*/, double x, double y) {
  const bool inside = area_.left < x && x < area_.right && area_.top < y && y < area_.bottom;
  SetMousePointer(*this, drawn_ && inside ? MousePointer::Cross : MousePointer::Arrow);
}

void FrmPlott1::Command1_Click() {
  Store& s = store_;
  if (!s.ParRangeSet || s.ParLeftIdx == 0 || s.ParRightIdx == 0) return;
  if (drawn_) DrawRangeMarkers();
  // A refused range (too few points, a singular fit, ends in the wrong order
  // after deletions) is explained and changes neither the state nor row 1.
  const ParabolaSetup setup{{s.ParLeftIdx, s.ParRightIdx}};
  const auto timing = TimeMethod(s, setup);
  if (!timing) {
    ShowMessage(Q(timing.error().message));
    return;
  }
  const ParabolaFit& fit = timing->As<ParabolaFit>();
  s.ParA0 = fit.a0;
  s.ParA1 = fit.a1;
  s.ParA2 = fit.a2;
  s.ParSigA1 = fit.s1;
  s.ParSigA2 = fit.s2;
  s.ParFitted = true;
  rows_.DeliverResult(1, *timing, setup);
  DrawParabola();
  Text1->setText(Q(FormatFixed(fit.rms, 8, 3)));
  setWindowTitle(kCaptionFitted);
}

void FrmPlott1::Command2_Click() {
  Store& s = store_;
  s.ParLeftSet = s.ParRightSet = s.ParRangeSet = s.ParFitted = false;
  Drawing().Cls();
  Redraw();
  rows_.ClearResult(1);
  rows_.SetUseInMean(1, false);
  Text1->clear();
  setWindowTitle(kCaptionStartAfterUndo);
  Label8->clear();
  Label10->clear();
}

void FrmPlott1::DrawParabola() {
  // Without a drawing of its own the window has no coordinates to draw in.
  if (!drawn_) return;
  Store& s = store_;
  const PlotMapping m = Mapping();
  const double step = s.TRange / kCurveSteps;
  for (int i = 0; i <= kCurveSteps; ++i) {
    const double t = s.TMin + i * step;
    s.ParCurveT[i] = t;
    s.ParCurveMag[i] = (s.ParA2 * t + s.ParA1) * t + s.ParA0;
  }
  Canvas& d = Drawing();
  // The band starts from sample 0, in the colour the markers left.
  d.PSet(Pinned(m.X(s.ParCurveT[0])), Pinned(m.Y(s.ParCurveMag[0])));
  for (int b = 1; b <= kCurveSteps; ++b) {
    const double t = s.ParCurveT[b];
    d.SetForeColor(s.ParLeftT < t && t < s.ParRightT ? kBlue : kCurveGrey);
    const double x = m.X(t);
    const double y = m.Y(s.ParCurveMag[b]);
    for (int k = -kBandHalf; k <= kBandHalf; ++k) d.LineTo(Pinned(x), Pinned(y + k));
  }
}

}  // namespace vantor
