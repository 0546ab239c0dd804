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
#include "windows/range_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott5: the Fourier fit. Its range (range_): FourierLeft*/FourierRight*
// with MarkX/MarkT(0) and (1) and FourierRangeSet, shown in Label8 and
// Label10. Once a marker of an end has been drawn, moving that end paints the
// line at its last place white, also over a drawing made since (after Update,
// a fit, a resize), as the window always has; before the first marker there
// is no last place to paint.
class FrmPlott5 : public RangeForm {
  Q_OBJECT
 public:
  FrmPlott5(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the light curve (PlotFourier, which also rewrites the eight boxes
  // from FitParam) and remembers the plot area it drew in.
  bool Redraw() override;
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
  void mAuto_Click() override;

 protected:
  void AfterLoad() override;
  void Form_Resize() override;
  void Form_MouseDown(int button, double xTwips, double yTwips) override;
  // The range markers and the stored model curve, as the state asks.
  void DrawOverlays() override;

 private:
  // Places the five buttons' left edges.
  void PlaceButtons();
  // The point number a click at x stands for (the proportional index between
  // PlotFirst and PlotLast), which decides the side of a click.
  double IndexAt(double x) const;
  // Reads the eight boxes into FitParam by the leading-number rule; refuses,
  // changing nothing, when a box holds a number too large for a double.
  bool ReadBoxes();
  // Keeps `curve` as the window's curve and draws it thick; shows the refusal
  // instead.
  void DrawCurve(const MethodResult<FourierCurve>& curve);
  // Draws the window's curve in blue: a dot at its first sample, then each
  // later sample reached by the lines ending from `half` twips above it to
  // `half` below (one line ending on it when half is 0).
  void StrokeCurve(int half);

  // The reader's starting values of the current light curve.
  std::array<double, 9> readerStart_{};
  FourierCurve curve_;
  std::optional<FourierFitResult> fit_;
};

}  // namespace vantor
