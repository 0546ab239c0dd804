// frmPlotData: the point editor. It draws every point read (kept ones as red
// dots, deleted ones as red crosses) with the fixed editor limits, picks the
// point nearest to a left click, marks it with a blue plus and opens its
// dialog frmAction, whose buttons delete or restore that point. Deleting and
// restoring rebuild the working set every method runs on; the main window
// learns the new count through workingSetRebuilt.
//
// Clicks are turned back into data with the plot area this window was drawn
// with last, not with whatever window was drawn after it.
#pragma once

#include <QList>
#include <QUrl>
#include <memory>

#include "plot/mapping.h"
#include "windows/plot_form.h"

class QDragEnterEvent;
class QDropEvent;
class QHideEvent;

namespace vantor {

class FrmAction;

// frmPlotData: the point editor's plot of every point read.
class FrmPlotData : public PlotForm {
  Q_OBJECT
 public:
  explicit FrmPlotData(Store& store, QWidget* parent = nullptr);
  ~FrmPlotData() override;

  // Draws the editor with PlotLightCurve and remembers its plot area.
  bool Redraw() override;
  // Clears the window and draws it afresh, which removes the blue marker.
  void ClearAndRedraw();

  // Returns the editor's dialog.
  FrmAction& frmAction() { return *frmAction_; }

  // Sets the mark of the picked point (0 kept, -1 deleted), rebuilds the
  // working set and its limits and emits workingSetRebuilt. Does nothing
  // when PickedIdx names no point.
  void SetPickedMark(int16_t mark);

  // Clicks with the left button where point `allPointsIndex` (1..NPointsAll)
  // is drawn, through the same handler as a mouse click; does nothing for an
  // index outside the full set.
  void ClickAtPoint(int allPointsIndex);

  // Returns the mapping between data and this window's coordinates: the
  // editor limits and the plot area of the editor's last drawing.
  PlotMapping Mapping() const override;

 signals:
  // The working set was rebuilt after a deletion or restoration; the main
  // window shows the new count under "Edited # data points".
  void workingSetRebuilt(int nPoints);
  // Files were dropped on the editor; the main window loads them as if they
  // had been dropped on it.
  void filesDropped(const QList<QUrl>& urls);

 protected:
  std::string FigureMethod() const override { return "Light curve"; }
  bool FigureHasResult() const override { return false; }
  // "<name> — Light curve: <kept> of <read> points" (the deleted points as crosses).
  std::string FigureTitle() const override;
  // A left click picks the nearest point of the full set, marks it and
  // shows it in frmAction; other buttons are ignored.
  void Form_MouseDown(int button, double xTwips, double yTwips) override;
  // Hides frmAction with the editor, so that it never acts on a point of a
  // curve that is no longer shown.
  void hideEvent(QHideEvent* event) override;
  // The window coming to the front clears and draws afresh; going to the
  // back, and a drop, draw afresh. Each removes the blue plus of earlier
  // clicks; the plus of the point the open dialog acts on is drawn again, so
  // a click that brought the window to the front keeps its mark whichever
  // event the window system delivers first.
  void Form_GotFocus();
  void Form_LostFocus();
  void Form_DragDrop();
  bool event(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Draws the blue plus at the picked point while its dialog is shown.
  void MarkPickedPoint();

  std::unique_ptr<FrmAction> frmAction_;
};

}  // namespace vantor
