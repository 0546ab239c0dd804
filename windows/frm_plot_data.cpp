// frmPlotData: the point editor's plot of every point read, its picking and
// the deletions made through frmAction.
#include "windows/frm_plot_data.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHideEvent>
#include <QMimeData>
#include <algorithm>

#include "plot/renderers.h"
#include "windows/frm_action.h"

namespace vantor {

namespace {

// Half the length of each arm of the picked point's plus, twips.
constexpr float kPlusHalfSize = 200;

// Returns the all-points index of the point nearest to (tc, mc), deleted
// points included, in data units (days and magnitudes, not scaled): the first
// i whose (MagAll(i) - mc)^2 + (RelTimeAll(i) - tc)^2 is below the best so
// far, starting from 9999. 0 when no point is that near.
int16_t NearestPoint(const Store& s, double tc, double mc) {
  double best = 9999;
  int16_t picked = 0;
  const int n = std::min<int>(s.NPointsAll, kMaxPoints);
  for (int i = 1; i <= n; ++i) {
    const double dm = s.MagAll[i] - mc;
    const double dt = s.RelTimeAll[i] - tc;
    const double d = dm * dm + dt * dt;
    if (d < best) {
      picked = static_cast<int16_t>(i);
      best = d;
    }
  }
  return picked;
}

}  // namespace

FrmPlotData::FrmPlotData(Store& s, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlotData"),
               QStringLiteral("Light Curve - LEFT-CLICK TO DELETE (or undelete) A POINT."), s,
               GeometryRecord::Of(s.PlotDataLeft, s.PlotDataTop, s.PlotDataWidth, s.PlotDataHeight,
                                  s.PlotDataLoading),
               QStringLiteral("mPrintSetup"), parent),
      // No Qt parent: the dialog's controls (Label1, Text1 ...) must not be
      // found among the editor's own children of the same names.
      frmAction_(std::make_unique<FrmAction>(s, *this)) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  setAcceptDrops(true);
}

FrmPlotData::~FrmPlotData() = default;

bool FrmPlotData::Redraw() {
  PlotLightCurve(store_, Window());
  area_ = PlotAreaOf(store_);
  drawn_ = true;
  return true;
}

void FrmPlotData::ClearAndRedraw() {
  Drawing().Cls();
  Redraw();
}

PlotMapping FrmPlotData::Mapping() const {
  PlotMapping map = EditorMapping(store_);
  // Every renderer rewrites the shared plot area; the editor's clicks belong
  // to the area it was drawn with itself.
  if (drawn_) map.area = area_;
  return map;
}

void FrmPlotData::SetPickedMark(int16_t mark) {
  const int i = store_.PickedIdx;
  if (i < 1 || i > std::min<int>(store_.NPointsAll, kMaxPoints)) return;
  store_.Deleted[i] = mark;
  const int16_t nPoints = RebuildWorkingSet(store_);
  ComputeRanges(store_);
  emit workingSetRebuilt(nPoints);
}

void FrmPlotData::Form_MouseDown(int button, double xTwips, double yTwips) {
  if (button != ButtonCode(Qt::LeftButton)) return;
  frmAction_->ShowModeless();
  const PlotMapping map = Mapping();
  store_.PickedIdx = NearestPoint(store_, map.TimeAt(xTwips), map.MagAt(yTwips));
  MarkPickedPoint();
  frmAction_->ShowPicked();
}

void FrmPlotData::MarkPickedPoint() {
  const int i = store_.PickedIdx;
  if (!frmAction_->isVisible() || i < 1 || i > std::min<int>(store_.NPointsAll, kMaxPoints)) {
    return;
  }
  const PlotMapping map = Mapping();
  const double px = map.X(store_.RelTimeAll[i]);
  const double py = map.Y(store_.MagAll[i]);
  Surface& d = Drawing();
  d.SetForeColor(kBlue);
  d.Line(px - kPlusHalfSize, py, px + kPlusHalfSize, py);
  d.Line(px, py - kPlusHalfSize, px, py + kPlusHalfSize);
}

void FrmPlotData::Form_GotFocus() {
  ClearAndRedraw();
  MarkPickedPoint();
}

void FrmPlotData::Form_LostFocus() {
  Redraw();
  MarkPickedPoint();
}

void FrmPlotData::Form_DragDrop() {
  Redraw();
  MarkPickedPoint();
}

bool FrmPlotData::event(QEvent* event) {
  // Only a shown editor of a loaded curve has anything to draw.
  if (isVisible() && store_.NPointsAll > 0) {
    if (event->type() == QEvent::WindowActivate) Form_GotFocus();
    if (event->type() == QEvent::WindowDeactivate) Form_LostFocus();
  }
  return PlotForm::event(event);
}

void FrmPlotData::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FrmPlotData::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  if (store_.NPointsAll > 0) Form_DragDrop();
  emit filesDropped(event->mimeData()->urls());
}

void FrmPlotData::ClickAtPoint(int allPointsIndex) {
  if (allPointsIndex < 1 || allPointsIndex > std::min<int>(store_.NPointsAll, kMaxPoints)) return;
  const PlotMapping map = Mapping();
  Form_MouseDown(ButtonCode(Qt::LeftButton), map.X(store_.RelTimeAll[allPointsIndex]),
                 map.Y(store_.MagAll[allPointsIndex]));
}

void FrmPlotData::hideEvent(QHideEvent* event) {
  PlotForm::hideEvent(event);
  if (!event->spontaneous()) frmAction_->hide();
}

std::string FrmPlotData::FigureTitle() const {
  const std::string name = store_.DataFileName.empty() ? "no light curve" : store_.DataFileName;
  return name + " \u2014 " + FigureMethod() + ": " + std::to_string(store_.NPoints) + " of " +
         std::to_string(store_.NPointsAll) + " points kept";
}

}  // namespace vantor
