// frmPlott5: the Fourier fit window.
#include "windows/frm_plott5.h"

#include <algorithm>
#include <cmath>

#include "core/format.h"
#include "core/text.h"
#include "methods/auto_ranges.h"
#include "methods/fourier.h"
#include "methods/marquardt.h"
#include "methods/time_method.h"
#include "plot/renderers.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"
#include "windows/window_setups.h"

namespace vantor {

namespace {

const QString kCaptionStartAfterUndo =
    QStringLiteral("Fit Fourier - LEFT-click at start of range.");
const QString kCaptionRangeEnd = QStringLiteral("Fit Fourier - LEFT-CLICK at end of range.");
const QString kCaptionReady = QStringLiteral(
    "'CLICK 'Fit Fourier' to proceed,  'Exclude' to exclude interval, OR 'Undo' TO START OVER.");
const QString kCaptionExcluding =
    QStringLiteral("RIGHT-CLICK at start of interval to be EXCLUDED, or press 'Undo' to exit.");
const QString kCaptionExclusionEnd = QStringLiteral("Fit Fourier - RIGHT-CLICK at end of range.");
const QString kCaptionFitted =
    QStringLiteral("Fourier fit - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER.");

const char* const kBoxCaptions[9] = {"",          "ToM, Xo",   "Const, C",
                                     "A.Freq, W", "Const, A1", "Const, A2",
                                     "Const, A3", "Const, A4", "Const, A5"};

// Width of the parameter boxes and their captions, twips.
constexpr int kBoxWidth = 1200;

// Half the height of the thick stroke of the model curve, in twips.
constexpr int kStrokeHalf = 10;

// The curve is not clipped; a coordinate far outside any window is pinned so
// that the painter never meets an overflowing value.
float Pinned(double v) { return static_cast<float>(std::clamp(v, -1e7, 1e7)); }

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

FrmPlott5::FrmPlott5(Store& s, ResultRows& rows, QWidget* parent)
    : RangeForm(QStringLiteral("frmPlott5"),
                QStringLiteral("Fit Fourier - LEFT-CLICK at start of range."), s,
                GeometryRecord::Of(s.Plott5Left, s.Plott5Top, s.Plott5Width, s.Plott5Height,
                                   s.Plott5Loading),
                rows, "Fourier fit", s.FourierFitDone, QStringLiteral("mPrintSetup"), parent) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  for (int j = 1; j <= 8; ++j) {
    Labels[10 + j] =
        AddLabel(QStringLiteral("Label%1").arg(10 + j), QString::fromLatin1(kBoxCaptions[j]));
    // Wide enough for a signed parameter of three integer digits and five
    // decimals ("-112.11129"), the widest a fit writes for an eclipse.
    Labels[10 + j]->resize(TwipsToPixels(kBoxWidth), TwipsToPixels(255));
    Text1[j] = AddTextBox(QStringLiteral("Text1(%1)").arg(j), QString(), kBoxWidth);
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
  connect(Command1, &QPushButton::clicked, this, &FrmPlott5::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmPlott5::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmPlott5::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &FrmPlott5::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &FrmPlott5::Command5_Click);
  // The side of a click is that of its proportional index from the faintest point.
  range_.emplace(
      *this,
      RangeEnd{s.FourierLeftIdx, s.MarkX[0], s.MarkT[0], s.FourierLeftSet, Labels[8],
               RangeEnd::Style::Signed, kCaptionRangeEnd},
      RangeEnd{s.FourierRightIdx, s.MarkX[1], s.MarkT[1], s.FourierRightSet, Labels[10],
               RangeEnd::Style::Signed, kCaptionReady},
      s.FourierRangeSet, [this](double x) { return IndexAt(x) < store_.FaintIdx; },
      RangeMarkers::Erase::OnceDrawn);
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
  drawn_ = PlotFourier(store_, Window());
  if (drawn_) {
    area_ = PlotAreaOf(store_);
    PlaceButtons();
  }
  return drawn_;
}

// Loading a light curve resets the Fourier flags and starting values in the
// store; the main window then calls this before any handler of this window
// can change FitParam, so FitParam still holds the reader's starting values:
// Undo before the first fit of a curve restores those. The fit of the
// previous curve goes, and so does an interval to exclude: it belongs to the
// curve it was clicked on.
void FrmPlott5::LightCurveLoaded() {
  PlotForm::LightCurveLoaded();
  readerStart_ = store_.FitParam;
  fit_.reset();
  store_.ExcludeMode = false;
  store_.ExclLeftIdx = store_.ExclRightIdx = 0;
  Command5->setEnabled(false);
}

void FrmPlott5::DrawOverlays() {
  if (store_.FourierRangeSet) range_->DrawAtTimes();
  if (store_.FourierFitDone) RedrawFourierCurve();
}

void FrmPlott5::Form_MouseDown(int button, double x, double y) {
  // Nothing of this window is on screen to click at before it has drawn (or
  // when it is too narrow to have a plot area).
  if (!drawn_ || area_.right <= area_.left || !OnPlotArea(x, y)) return;
  // Right clicks outside the exclusion mode do nothing at all.
  if (button == 2 && !store_.ExcludeMode) return;
  Store& s = store_;
  if (button == 1) {
    range_->Click(x);
  } else if (button == 2) {
    const double clickT = Mapping().TimeAt(x);
    const double middle = RoundEven((s.FourierLeftIdx + s.FourierRightIdx) / 2.0);
    // The excluded interval's markers stay until the next redraw.
    if (IndexAt(x) < middle) {
      if (const int16_t i = FirstIndexAfter(s, clickT); i != 0) s.ExclLeftIdx = i;
      DrawMarker(Drawing(), area_, x, kMarkerPurple);
      s.MarkT[2] = clickT;
      s.MarkX[2] = x;
      ShowIndex(Labels[8], s.ExclLeftIdx);
      setWindowTitle(kCaptionExclusionEnd);
    } else {
      if (const int16_t i = LastIndexBefore(s, clickT); i != 0) s.ExclRightIdx = i;
      DrawMarker(Drawing(), area_, x, kMarkerPurple);
      s.MarkT[3] = clickT;
      s.MarkX[3] = x;
      setWindowTitle(kCaptionReady);
    }
  }
  if (s.FourierRangeSet) Command5->setEnabled(true);
}

double FrmPlott5::IndexAt(double x) const {
  const Store& s = store_;
  return RoundEven(s.PlotFirst + double(s.PlotLast - s.PlotFirst) * (x - area_.left) /
                                     (area_.right - area_.left));
}

void FrmPlott5::mAuto_Click() {
  if (!drawn_ || area_.right <= area_.left) return;
  Store& s = store_;
  const auto f = AutoChoice(&AutoRanges::fourier);
  if (!f) return;
  const auto clicks = range_->AutoClicks(f->range);
  if (!clicks) return;
  // The range, the fit and its curve standing from before go as with
  // "Undo" (row 5 too), so that nothing of them stays beside the new range.
  Command3_Click();
  range_->ClickAt(*clicks);
  // The fit starts from the rule's values over the whole range, as the
  // automatic timing does.
  s.FitParam = f->start;
  s.ParamsFromBoxes = false;
  for (int j = 1; j <= 8; ++j) Text1[j]->setText(Q(FormatFixed(s.FitParam[j], 8, 5)));
}

bool FrmPlott5::ReadBoxes() {
  std::array<double, 9> typed = store_.FitParam;
  for (int j = 1; j <= 8; ++j) {
    typed[j] = Val(Text1[j]->text().toStdString());
    // Val reads a number too large for a double as infinity.
    if (!std::isfinite(typed[j])) {
      ShowMessage(QStringLiteral("The number in the box \"%1\" is too large. Type another value.")
                      .arg(QString::fromLatin1(kBoxCaptions[j])));
      return false;
    }
  }
  store_.FitParam = typed;
  return true;
}

void FrmPlott5::Command1_Click() {
  if (!store_.FourierRangeSet) {
    ShowMessage(QString::fromLatin1(kSelectRangeFirst));
    return;
  }
  if (!ReadBoxes()) return;
  store_.ParamsFromBoxes = true;
  Drawing().Cls();
  if (Redraw()) DrawFourierCurve();
}

void FrmPlott5::Command2_Click() {
  Store& s = store_;
  if (!s.FourierRangeSet) {
    ShowMessage(QString::fromLatin1(kSelectRangeFirst));
    return;
  }
  if (s.FourierFitDone) return;
  if (s.ParamsFromBoxes && !ReadBoxes()) return;
  Drawing().Cls();
  // An inverted curve is refused by the renderer with its message; it is not fitted.
  if (!Redraw()) return;

  // The fit starts from the window's range, excluded interval and FitParam.
  const MethodSetup setup = *CurrentSetup(s, 5);
  const auto timing = TimeMethodInStore(s, setup);
  if (!timing) {
    ShowMessage(Q(timing.error().message));
    // The range still stands: show it again over the fresh drawing.
    range_->DrawAtTimes();
    return;
  }
  fit_ = timing->As<FourierFitResult>();
  for (const SolverNote note : fit_->notes) ShowMessage(Q(std::string(SolverNoteText(note))));
  DrawCurve(fit_->curve);
  rows_.DeliverResult(5, *timing, setup);
  setWindowTitle(kCaptionFitted);
  for (int j = 1; j <= 8; ++j) Text1[j]->setText(Q(FormatFixed(s.FitParam[j], 9, 5)));
  s.ParamsFromBoxes = false;
}

void FrmPlott5::Command3_Click() {
  Store& s = store_;
  // Back to the start of the last fit of this curve, else the reader's values.
  s.FitParam = fit_ ? FitParamFromFitA(fit_->FitA0) : readerStart_;
  for (int j = 1; j <= 8; ++j) Text1[j]->setText(Q(FormatFixed(s.FitParam[j], 8, 5)));
  range_->StartOver();
  s.ExcludeMode = false;
  s.FourierFitDone = false;
  Command5->setEnabled(false);
  Redraw();
  rows_.ClearResult(5);
  setWindowTitle(kCaptionStartAfterUndo);
}

void FrmPlott5::Command5_Click() {
  // Each press starts a fresh interval: ends clicked for an earlier selection
  // must not be taken for this one, so a fit refuses until both are clicked.
  store_.ExclLeftIdx = store_.ExclRightIdx = 0;
  store_.ExcludeMode = true;
  setWindowTitle(kCaptionExcluding);
}

void FrmPlott5::DrawFourierCurve() {
  if (LooksInverted(store_)) {
    ShowMessage(QString::fromLatin1(kInvertedMessage));
    return;
  }
  DrawCurve(ComputeFourierCurve(store_, {store_.FourierLeftIdx, store_.FourierRightIdx},
                                store_.FitParam));
}

void FrmPlott5::DrawCurve(const MethodResult<FourierCurve>& curve) {
  if (!curve) {
    ShowMessage(Q(curve.error().message));
    return;
  }
  curve_ = *curve;
  StrokeCurve(kStrokeHalf);
}

void FrmPlott5::RedrawFourierCurve() { StrokeCurve(0); }

void FrmPlott5::StrokeCurve(int half) {
  // Without a drawing of its own the window has no coordinates to draw in.
  if (!drawn_) return;
  const PlotMapping m = Mapping();
  Canvas& d = Drawing();
  d.SetForeColor(kBlue);
  d.PSet(Pinned(m.X(curve_.T[0])), Pinned(m.Y(curve_.Mag[0])));
  for (int j = 1; j <= kFourierCurveSteps; ++j) {
    const double x = m.X(curve_.T[j]);
    const double y = m.Y(curve_.Mag[j]);
    for (int k = -half; k <= half; ++k) d.LineTo(Pinned(x), Pinned(y + k));
  }
}

}  // namespace vantor
