// RangeForm and RangeMarkers: the range-choosing method windows' shared parts.
#include "windows/range_form.h"

#include <QMenu>
#include <QMenuBar>
#include <utility>

#include "core/format.h"
#include "core/text.h"
#include "toolkit/pointer.h"
#include "windows/auto_clicks.h"

namespace vantor {

int16_t FirstIndexAfter(const Store& s, double t) {
  for (int i = 1; i <= s.NPoints; ++i) {
    if (s.RelTime[i] > t) return static_cast<int16_t>(i);
  }
  return 0;
}

int16_t LastIndexBefore(const Store& s, double t) {
  for (int i = s.NPoints; i >= 1; --i) {
    if (s.RelTime[i] < t) return static_cast<int16_t>(i);
  }
  return 0;
}

void DrawMarker(Canvas& canvas, const PlotArea& area, double x, Rgb colour) {
  canvas.SetForeColor(colour);
  canvas.Line(static_cast<float>(x), area.top, static_cast<float>(x), area.bottom);
}

void ShowIndex(QLabel* label, int index) {
  label->setText(QString::fromStdString(SignedIntText(index)));
  label->adjustSize();
}

RangeForm::RangeForm(const QString& name, const QString& loadCaption, Store& store,
                     GeometryRecord record, ResultRows& rows, std::string method,
                     const bool& fitted, const QString& printSetupName, QWidget* parent)
    : PlotForm(name, loadCaption, store, record, printSetupName, parent),
      rows_(Remember(rows)),
      method_(std::move(method)),
      fitted_(fitted) {
  QMenu* range = menuBar_->addMenu(QStringLiteral("Range"));
  range->setObjectName(QStringLiteral("mRange"));
  mAuto = range->addAction(QStringLiteral("Auto"));
  mAuto->setObjectName(QStringLiteral("mAuto"));
  connect(mAuto, &QAction::triggered, this, &RangeForm::mAuto_Click);
}

// The store's plot area describes whichever window was drawn last; a click in
// this window is read against the area this window was drawn in, so that
// another plot window drawn in between cannot shift the selected points or
// the markers.
void RangeForm::GoFromMain() {
  if (Redraw()) DrawOverlays();
}

void RangeForm::AfterResizeRedraw() {
  if (drawn_) DrawOverlays();
}

void RangeForm::Form_MouseMove(int /*button*/, double x, double y) {
  const bool inside = area_.left < x && x < area_.right && area_.top < y && y < area_.bottom;
  SetMousePointer(*this, drawn_ && inside ? MousePointer::Cross : MousePointer::Arrow);
}

bool RangeForm::OnPlotArea(double x, double y) const {
  return area_.left <= x && x <= area_.right && area_.top <= y && y <= area_.bottom;
}

void RangeForm::Form_MouseDown(int button, double x, double y) {
  // Nothing of this window is on screen to click at before it has drawn.
  if (!drawn_ || !OnPlotArea(x, y)) return;
  if (button == 1 && range_) range_->Click(x);
}

bool RangeForm::StartsRange(double t) const { return t < store_.RelTimeAll[store_.EditFaintIdx]; }

RangeMarkers::RangeMarkers(RangeForm& window, RangeEnd start, RangeEnd end, bool& complete,
                           std::function<bool(double x)> startsAt, Erase erase)
    : window_(window),
      ends_{std::move(start), std::move(end)},
      complete_(complete),
      startsAt_(std::move(startsAt)),
      erase_(erase) {}

void RangeMarkers::Click(double x) {
  const Store& s = window_.store();
  Canvas& canvas = window_.Drawing();
  const double t = window_.Mapping().TimeAt(x);
  const int k = startsAt_(x) ? 0 : 1;
  const RangeEnd& e = ends_[k];
  if (erase_ == Erase::Always || drawn_[k]) DrawMarker(canvas, window_.area_, e.x, kWhite);
  if (const int16_t i = k == 0 ? FirstIndexAfter(s, t) : LastIndexBefore(s, t); i != 0) {
    e.index = i;
    // Without a selected point the time keeps its value: a time read at an
    // index that did not change would be stale or, before any selection, cell 0.
    if (e.timeOfPoint) e.t = s.RelTime[i];
  }
  if (!e.timeOfPoint) e.t = t;
  DrawMarker(canvas, window_.area_, x, kMarkerPurple);
  drawn_[k] = true;
  e.x = x;
  e.set = true;
  complete_ = ends_[0].set && ends_[1].set;
  if (e.style == RangeEnd::Style::Signed) {
    ShowIndex(e.label, e.index);
  } else {
    e.label->setText(QString::fromStdString(PadInt(e.index, 4, ' ')));
    e.label->adjustSize();
  }
  window_.setWindowTitle(e.caption);
}

void RangeMarkers::StartOver() {
  for (const RangeEnd& e : ends_) {
    e.set = false;
    e.label->clear();
  }
  complete_ = false;
}

void RangeMarkers::DrawAtTimes() {
  const PlotMapping m = window_.Mapping();
  for (int k = 0; k <= 1; ++k) {
    ends_[k].x = m.X(ends_[k].t);
    DrawMarker(window_.Drawing(), window_.area_, ends_[k].x, kMarkerPurple);
    drawn_[k] = true;
  }
}

void RangeMarkers::DrawAtX(Rgb colour) {
  for (const RangeEnd& e : ends_) DrawMarker(window_.Drawing(), window_.area_, e.x, colour);
}

std::optional<std::array<double, 2>> RangeMarkers::AutoClicks(const AutoRange& r) const {
  const Store& s = window_.store();
  const PlotArea& area = window_.area_;
  const PlotMapping m = window_.Mapping();
  const double xStart = m.X(TimeBeforePoint(s, r.first, m.TimeAt(area.left)));
  const double xEnd = m.X(TimeAfterPoint(s, r.last, m.TimeAt(area.right)));
  // The clicks are read back exactly as Click reads them.
  const bool inside = area.left <= xStart && xEnd <= area.right;
  if (!inside || FirstIndexAfter(s, m.TimeAt(xStart)) != r.first || !startsAt_(xStart) ||
      LastIndexBefore(s, m.TimeAt(xEnd)) != r.last || startsAt_(xEnd)) {
    ShowMessage(UnclickableRangeMessage(PointsText(r.first, r.last)));
    return std::nullopt;
  }
  return std::array<double, 2>{xStart, xEnd};
}

void RangeMarkers::ClickAt(const std::array<double, 2>& xs) {
  const double y = (window_.area_.top + window_.area_.bottom) / 2.0;
  for (const double x : xs) window_.ClickAt(x, y);
}

}  // namespace vantor
