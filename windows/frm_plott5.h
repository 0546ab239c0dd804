// frmPlott5: the Fourier fit window: its controls (placed by its renderer), its renderer and
// its handlers: the range chosen with left clicks on either side of the faintest point, an
// interval cut out of it with right clicks after "Exclude", starting values typed into the eight
// boxes and taken with "Update", " Fit Fourier" (the fit itself is FitFourier's), "Undo",
// "Done", and the model curve drawn over the light curve. "Range > Auto" clicks the automatic
// range (methods/auto_ranges.h) through the same mouse path and takes the rule's starting values.
//
// The numbers come from methods/fourier.h (the fit, the model curve) and plot/ (the renderer,
// the mapping); this window only reads clicks and boxes, draws and shows texts.
#pragma once

#include <array>
#include <optional>

#include "methods/fourier.h"
#include "plot/mapping.h"
#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott5: the Fourier fit.
class FrmPlott5 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott5(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the light curve (PlotFourier, which also rewrites the eight boxes
  // from FitParam) and remembers the plot area it drew in.
  bool Redraw() override;
  // Draws the window for the main window's "Go", then the range markers and
  // the stored model curve the window holds from earlier.
  void GoFromMain() override;
  // Remembers the reader's starting values of the new curve (for "Undo"
  // before its first fit) and drops the interval to exclude, which belonged
  // to the previous curve.
  void LightCurveLoaded() override;

  // Computes the model curve of FitParam over the selected range, keeps it
  // as the window's curve and draws it thick in blue; shows why when it
  // cannot.
  void DrawFourierCurve();
  // Draws the window's curve thin in blue, without computing it.
  void RedrawFourierCurve();

  // The model curve computed last (by "Update" or a fit; CurveT, CurveMag).
  const FourierCurve& Curve() const { return curve_; }
  // The fit delivered last on the current light curve, with the solver's
  // values (FitA0 is what "Undo" goes back to); none before its first fit.
  const std::optional<FourierFitResult>& Fit() const { return fit_; }

  // Text1(1) .. Text1(8); cell 0 unused.
  std::array<QLineEdit*, 9> Text1{};
  std::array<QLabel*, 19> Labels{};  // Label7 .. Label18 by number
  QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;
  QAction* mAuto;

 public slots:
  // "Update": takes the eight boxes as the parameters and draws their curve.
  void Command1_Click();
  // " Fit Fourier": fits the selected range and delivers row 5 of the main window.
  void Command2_Click();
  // "Undo": restores the starting parameters, forgets the range and the fit, empties row 5.
  void Command3_Click();
  // "Done": hides the window; its state and row 5 stay.
  void Command4_Click() { hide(); }
  // "Exclude": right clicks now set a fresh interval to leave out of the fit.
  void Command5_Click();
  // "Range > Auto": clicks the ends of the automatic range as the mouse would,
  // then takes the rule's starting values into FitParam and the boxes with
  // no interval excluded and no fit standing (it does not fit); a refused or
  // unclickable range is explained and changes nothing.
  void mAuto_Click();

 protected:
  std::string FigureMethod() const override { return "Fourier fit"; }
  bool FigureHasResult() const override { return store_.FourierFitDone; }
  void AfterLoad() override;
  void Form_Resize() override;
  void Form_MouseDown(int button, double xTwips, double yTwips) override;
  void Form_MouseMove(int button, double xTwips, double yTwips) override;
  void AfterResizeRedraw() override;

 private:
  // Places the five buttons' left edges.
  void PlaceButtons();
  // The point number a click at x stands for (the proportional index between
  // PlotFirst and PlotLast), which decides the side of a click.
  double IndexAt(double x) const;
  // Draws both range markers in purple at the x of MarkT(0) and MarkT(1),
  // storing those x in MarkX(0) and MarkX(1).
  void DrawRangeMarkers();
  // Range markers and the stored curve over a fresh drawing, as the state asks.
  void DrawOverlays();
  // Reads the eight boxes into FitParam by the leading-number rule; refuses,
  // changing nothing, when a box holds a number too large for a double.
  bool ReadBoxes();
  // Keeps `curve` as the window's curve and draws it thick; shows the refusal
  // instead.
  void DrawCurve(const MethodResult<FourierCurve>& curve);
  void ShowIndex(QLabel* label, int index);

  ResultRows& rows_;
  // Whether a start / end marker has been drawn since the window was made:
  // moving that end paints the line at its last place white, also over a
  // drawing made since (after Update, a fit, a resize), as the window always
  // has; before the first marker there is no last place to paint.
  std::array<bool, 2> markerPlaced_{};

  // The reader's starting values of the current light curve.
  std::array<double, 9> readerStart_{};
  FourierCurve curve_;
  std::optional<FourierFitResult> fit_;
};

}  // namespace vantor
