// frmPlott1: the parabolic fit window.
#include "windows/frm_plott1.h"

#include <algorithm>

#include "core/format.h"
#include "methods/auto_ranges.h"
#include "methods/parabola.h"
#include "methods/time_method.h"
#include "plot/renderers.h"
#include "toolkit/message.h"

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
    : RangeForm(QStringLiteral("frmPlott1"),
                QStringLiteral("Fit Parabola - LEFT-CLICK AT START (left end) OF RANGE."), s,
                GeometryRecord::Of(s.Plott1Left, s.Plott1Top, s.Plott1Width, s.Plott1Height,
                                   s.Plott1Loading),
                rows, "Parabolic fit", s.ParFitted, QStringLiteral("mPrintsetup"), parent) {
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
  range_.emplace(
      *this,
      RangeEnd{s.ParLeftIdx, s.ParLeftX, s.ParLeftT, s.ParLeftSet, Label8, RangeEnd::Style::Signed,
               kCaptionRightEnd},
      RangeEnd{s.ParRightIdx, s.ParRightX, s.ParRightT, s.ParRightSet, Label10,
               RangeEnd::Style::Width4, kCaptionReady},
      s.ParRangeSet, [this](double x) { return StartsRange(Mapping().TimeAt(x)); },
      RangeMarkers::Erase::Always);
}

bool FrmPlott1::Redraw() {
  drawn_ = PlotParabola(store_, Window());
  if (drawn_) area_ = PlotAreaOf(store_);
  return drawn_;
}

void FrmPlott1::DrawOverlays() {
  if (!store_.ParRangeSet) return;
  range_->DrawAtTimes();
  if (store_.ParFitted) DrawParabola();
}

void FrmPlott1::mAuto_Click() {
  if (!drawn_) return;
  const auto r = AutoChoice(&AutoRanges::parabola);
  if (!r) return;
  const auto clicks = range_->AutoClicks(*r);
  if (!clicks) return;
  // The range and fit standing from before go as with "Undo" (the parabola,
  // its RMS and row 1), so that nothing of them stays beside the new range.
  Command2_Click();
  range_->ClickAt(*clicks);
}

void FrmPlott1::Command1_Click() {
  Store& s = store_;
  if (!s.ParRangeSet || s.ParLeftIdx == 0 || s.ParRightIdx == 0) return;
  if (drawn_) range_->DrawAtTimes();
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
  range_->StartOver();
  s.ParFitted = false;
  Drawing().Cls();
  Redraw();
  rows_.ClearResult(1);
  rows_.SetUseInMean(1, false);
  Text1->clear();
  setWindowTitle(kCaptionStartAfterUndo);
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
