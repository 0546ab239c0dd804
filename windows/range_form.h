// RangeForm: what the four method windows whose ranges are chosen by clicks
// on the light curve share (frmPlott1 parabola, frmPlott3 chords, frmPlott4
// Kwee and van Woerden, frmPlott5 Fourier): the main window's rows they
// deliver to, their method's name and fitted flag for the figure's title, the
// "Range > Auto" menu entry, the cross pointer strictly inside the plot area,
// clicks that count on the area's edges, and what the window draws over a
// fresh drawing of its light curve (its overlays: markers, fitted curves) for
// the main window's button and after a resize.
//
// RangeMarkers: one range of two ends chosen by left clicks in such a window
// (the parabola, Kwee and van Woerden and Fourier ranges; the chords window
// takes each of its ranges' ends in turn and keeps its own rule). A click on
// the start side selects the first working point after its time, one on the
// end side the last point before it (a click that selects no point keeps the
// index); the end's last marker is painted white, a purple one drawn at the
// click; the end's index, x, time and flag and the range's flag (both ends
// set) go to the window's fields in the store, the end's index to its label
// and its caption to the window.
#pragma once

#include <QLabel>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/store.h"
#include "core/surface.h"
#include "methods/auto_ranges.h"
#include "plot/mapping.h"
#include "toolkit/canvas.h"
#include "toolkit/message.h"
#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// Returns the smallest working index i with RelTime(i) > t, or 0 when there is none.
int16_t FirstIndexAfter(const Store& s, double t);
// Returns the largest working index i with RelTime(i) < t, or 0 when there is none.
int16_t LastIndexBefore(const Store& s, double t);
// Draws a range marker on `canvas`: sets the fore colour to `colour` (it stays
// the fore colour) and draws the vertical line at x from the area's top to its bottom.
void DrawMarker(Canvas& canvas, const PlotArea& area, double x, Rgb colour);
// Shows `index` in `label` as a signed number (" 22") and fits the label to it.
void ShowIndex(QLabel* label, int index);

class RangeForm;

// One end of a range: where the store keeps it and how the window shows it.
struct RangeEnd {
  // How the label shows the index: signed (" 22") or right-aligned in four places ("  33").
  enum class Style { Signed, Width4 };

  int16_t& index;  // the selected working point
  double& x;       // the marker's x in the window's drawing, twips
  double& t;       // the marker's relative time
  bool& set;       // clicked since the range was last started over
  QLabel* label;
  Style style;
  QString caption;  // the window's caption once this end is clicked
  // The time kept is the selected point's (when a click selects one), not the click's.
  bool timeOfPoint = false;
};

class RangeMarkers {
 public:
  // When a moved end's last marker is painted white: on every click (at the
  // x its field holds, also before a first marker), or only once a marker of
  // that end has been drawn.
  enum class Erase { Always, OnceDrawn };

  // `startsAt(x)` tells whether a click at x sets the start (else the end);
  // `complete` is the range's flag, set while both ends are.
  RangeMarkers(RangeForm& window, RangeEnd start, RangeEnd end, bool& complete,
               std::function<bool(double x)> startsAt, Erase erase);

  // Takes a left click at x on the plot area: moves the end it falls on.
  void Click(double x);
  // Forgets both ends and the range (their indices, times and x stay) and
  // empties the ends' labels.
  void StartOver();
  // Draws both markers in purple at their times, storing their x.
  void DrawAtTimes();
  // Draws both markers in `colour` at their stored x.
  void DrawAtX(Rgb colour);
  // The x of the start and the end click that select `range` in the window's
  // drawing: halfway between each end point and its outer neighbour (or the
  // plot's edge), read back as a click is read. None, after the message that
  // the range cannot be clicked, when they do not select it.
  std::optional<std::array<double, 2>> AutoClicks(const AutoRange& range) const;
  // Clicks at both x, halfway down the plot area, through the window's mouse path.
  void ClickAt(const std::array<double, 2>& xs);

 private:
  RangeForm& window_;
  std::array<RangeEnd, 2> ends_;
  bool& complete_;
  std::function<bool(double)> startsAt_;
  Erase erase_;
  // Whether a marker of the start / end has been drawn since the window was made.
  std::array<bool, 2> drawn_{};
};

class RangeForm : public PlotForm {
  Q_OBJECT

 public:
  // The window delivers its timings to `rows` (see PlotForm::Remember); its
  // figure names `method`, with the time delivered last while `fitted` holds.
  RangeForm(const QString& name, const QString& loadCaption, Store& store, GeometryRecord record,
            ResultRows& rows, std::string method, const bool& fitted, const QString& printSetupName,
            QWidget* parent);

  // Draws the window for the main window's button, then its overlays.
  void GoFromMain() override;

  QAction* mAuto;

 public slots:
  // "Range > Auto": clicks the window's automatic range as the mouse would.
  virtual void mAuto_Click() = 0;

 protected:
  std::string FigureMethod() const override { return method_; }
  bool FigureHasResult() const override { return fitted_; }
  // Draws over a fresh drawing of the light curve what the window's state
  // holds (range markers, a fitted curve).
  virtual void DrawOverlays() = 0;
  void AfterResizeRedraw() override;
  // The pointer is a cross strictly inside the plot area of the window's own
  // drawing, an arrow elsewhere and before the window has drawn.
  void Form_MouseMove(int button, double xTwips, double yTwips) override;
  // Whether (x, y) lies on the plot area the window drew in last, its edges included.
  bool OnPlotArea(double x, double y) const;
  // A left click on the plot area moves an end of the window's range (the
  // chords and Fourier windows read their clicks themselves).
  void Form_MouseDown(int button, double xTwips, double yTwips) override;
  // Whether a click at relative time t starts the range in the parabola and
  // Kwee and van Woerden windows: it lies before the faintest point, so that
  // the order of the clicks does not matter.
  bool StartsRange(double t) const;

  // The automatic rule's choice `member` for the window's light curve, or
  // none after the message why the rule refused it.
  template <class T>
  std::optional<T> AutoChoice(MethodResult<T> AutoRanges::*member) const {
    const auto ranges = ChooseAutoRanges(store_);
    if (!ranges) {
      ShowMessage(QString::fromStdString(ranges.error().message));
      return std::nullopt;
    }
    const MethodResult<T>& choice = (*ranges).*member;
    if (!choice) {
      ShowMessage(QString::fromStdString(choice.error().message));
      return std::nullopt;
    }
    return *choice;
  }

  ResultRows& rows_;
  // The window's range of two ends, made once its labels are; none in the
  // chords window, which takes the ends of its two ranges in turn.
  std::optional<RangeMarkers> range_;

 private:
  // The range's markers draw in the window's own plot area.
  friend class RangeMarkers;

  std::string method_;
  const bool& fitted_;
};

}  // namespace vantor
