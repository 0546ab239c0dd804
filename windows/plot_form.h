// PlotForm: what the six plot windows (frmPlott1 .. frmPlott5, frmPlotData)
// share: a Canvas filling the window under a "File" menu, the controls of the
// window's own table placed on the canvas by the renderer, the PlotWindow the
// renderer draws through, and the geometry record of the window in the store
// (applied at load with the loading flag raised, kept to a usable size and
// wholly on a screen, written back on every move, every resize and on
// close).
//
// A derived window names its controls, its renderer (Redraw) and what it draws
// after the renderer on a resize (markers, fitted curves).
#pragma once

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <cstdint>
#include <string>
#include <utility>

#include "core/store.h"
#include "core/surface.h"
#include "plot/figure.h"
#include "plot/mapping.h"
#include "toolkit/canvas.h"
#include "toolkit/form.h"
#include "toolkit/qt_plot_window.h"
#include "windows/result_rows.h"

namespace vantor {

// The four geometry fields and the loading flag of one window in the store.
struct GeometryRecord {
  int16_t* left;
  int16_t* top;
  int16_t* width;
  int16_t* height;
  bool* loading;

  // The record made of these fields of the store.
  static GeometryRecord Of(int16_t& left, int16_t& top, int16_t& width, int16_t& height,
                           bool& loading) {
    return GeometryRecord{&left, &top, &width, &height, &loading};
  }
};

class PlotForm : public Form {
  Q_OBJECT

 public:
  // `printSetupName` is the object name of the menu entry "Print Setup ..."
  // (frmPlott1 spells it mPrintsetup).
  PlotForm(const QString& name, const QString& loadCaption, Store& store, GeometryRecord record,
           const QString& printSetupName = QStringLiteral("mPrintSetup"),
           QWidget* parent = nullptr);

  Canvas& Drawing() { return *canvas_; }
  QtPlotWindow& Window() { return window_; }
  const QtPlotWindow& Window() const { return window_; }
  Store& store() { return store_; }

  // Runs the window's renderer; false when it refused to draw.
  virtual bool Redraw() = 0;
  // Clicks `button` (left 1, right 2) at (xTwips, yTwips) on the canvas, as
  // the mouse does.
  void ClickAt(double xTwips, double yTwips, int button = 1) {
    Form_MouseDown(button, xTwips, yTwips);
  }
  // Clicks `button` at the x of relative time relTime, halfway down the plot
  // area, as the mouse does.
  void ClickAtTime(double relTime, int button = 1) {
    ClickAt(Mapping().X(relTime), (area_.top + area_.bottom) / 2.0, button);
  }
  // The mapping of this window's drawing: the store's limits with the plot
  // area this window's renderer drew in last.
  virtual PlotMapping Mapping() const {
    PlotMapping m = MethodMapping(store_);
    m.area = area_;
    return m;
  }

  // What the main window's "Go" of this method does once it has set
  // PlotFirst and PlotLast: draw the window and, over the light curve, the
  // range and the fit it holds from earlier.
  virtual void GoFromMain() { Redraw(); }

  // Tells the window that a light curve has just been loaded (the main
  // window calls it after every accepted file, once the reader has reset the
  // method state in the store): the window forgets what it kept of the
  // previous curve. Nothing to forget by default.
  virtual void LightCurveLoaded() { delivered_.Forget(); }

  // The file name and time scale ("BJD_TDB", "unknown", ...) of the loaded
  // light curve, which the figure's title and time axis name (TimeName of
  // plot/figure.h): a report saved since renames the store's file, not the
  // curve. Without a name the figure takes the store's.
  void SetLightCurve(std::string name, std::string scale) {
    curveName_ = std::move(name);
    timeScale_ = std::move(scale);
  }
  const std::string& TimeScale() const { return timeScale_; }

  // The figure of the window as it stands, at widthTwips x heightTwips: its
  // drawing with the title (the light curve's name, the method and the time
  // it delivered last, or that there is none yet) and axis titles.
  Figure MakeFigure(double widthTwips = kFigureWidthTwips,
                    double heightTwips = kFigureHeightTwips) const;

 public slots:
  // The menu's "Print Setup ...": chooses and sets up the current printer.
  void mPrintSetup_Click();
  // The menu's "Print" (Ctrl+P): prints the window on the current printer.
  void mPrint_Click();
  // The menu's "Exit": hides the window; its state stays.
  void mExit_Click() { hide(); }
  // The menu's "Export figure...": writes the window's figure as PDF, SVG or
  // PNG where the user chooses (toolkit/figure_export.h).
  void mExportFigure_Click();

 protected:
  void Form_Load() override;
  void Form_Resize() override;
  void Form_Unload() override;
  // Records the new place of a moved window (a move raises no Resize).
  void moveEvent(QMoveEvent* event) override;
  // Draws what belongs over the light curve after a resize redraw.
  virtual void AfterResizeRedraw() {}
  // Runs at load after the geometry is applied (the window's own resets).
  virtual void AfterLoad() {}
  // The name of the window's method in its figure's title.
  virtual std::string FigureMethod() const = 0;
  // Whether the window's method holds a result now (a fit done, a fold that
  // times); the title then shows the time the window delivered last.
  virtual bool FigureHasResult() const = 0;
  // The mapping the window's drawing was made with, for its figure.
  virtual PlotMapping FigureMapping() const { return Mapping(); }
  // The title of the window's figure.
  virtual std::string FigureTitle() const;
  // Passes the rows a method window delivers to `rows` and remembers the
  // texts of the row it delivered last, for its figure's title.
  ResultRows& Remember(ResultRows& rows) {
    delivered_.target = &rows;
    return delivered_;
  }

  QLabel* AddLabel(const QString& name, const QString& caption = QString());
  QPushButton* AddButton(const QString& name, const QString& caption, int widthTwips = 1095);
  QLineEdit* AddTextBox(const QString& name, const QString& text = QString(), int widthTwips = 975);
  // Copies the window's geometry into its record.
  void StoreGeometry();

  Store& store_;
  GeometryRecord record_;
  // The plot area this window's renderer drew in last (every renderer also
  // rewrites the shared one in the store), and whether that call drew the
  // light curve (it refuses an inverted curve).
  PlotArea area_{};
  bool drawn_ = false;
  QMenuBar* menuBar_;
  QMenu* mFile_;
  QAction* mPrintSetup_;
  QAction* mPrint_;
  QAction* mExportFigure_;
  QAction* mExit_;

 private:
  // The main window's rows seen through one method window.
  class DeliveredRows : public ResultRows {
   public:
    void DeliverResult(int row, const Timing& timing, const MethodSetup& setup) override {
      timeText = timing.timeText;
      errorText = timing.errorText;
      target->DeliverResult(row, timing, setup);
    }
    void ClearResult(int row) override {
      Forget();
      target->ClearResult(row);
    }
    void SetUseInMean(int row, bool checked) override { target->SetUseInMean(row, checked); }
    void Forget() { timeText.clear(), errorText.clear(); }
    ResultRows* target = nullptr;
    std::string timeText, errorText;
  };
  DeliveredRows delivered_;
  std::string curveName_, timeScale_;
  QString loadCaption_;
  Canvas* canvas_;
  QtPlotWindow window_;
};

}  // namespace vantor
