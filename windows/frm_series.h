// frmSeries: the window of the main window's Tools > "Every eclipse...". It
// holds a series of any length (the loaded light curve, or an imported one),
// takes an ephemeris (epoch, period, the secondary's phase, the half-width of
// the windows) or finds one, times every predicted minimum (series/series.h)
// and shows the table of minima and the O-C diagram (cycle on x, O-C in
// minutes on y, error bars; primaries red discs, secondaries blue circles).
// The table exports as CSV, the diagram as PNG or PDF (vectors). A
// double-click on a row hands that minimum's window to the main window, which
// loads it as an ordinary light curve. An eclipse the series starts or ends
// in is listed with a row that says it is partial. Times, errors and O-C in
// days show with the main window's precision (SetDecimals).
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "series/series.h"
#include "toolkit/form.h"

namespace vantor {

// The O-C diagram: draws the delivered minima of a result into any painter,
// so the screen, a PNG and a PDF share one drawing.
class OcDiagram : public QWidget {
  Q_OBJECT

 public:
  explicit OcDiagram(QWidget* parent = nullptr);
  void SetResult(const std::optional<SeriesResult>& result, const QString& title);
  // Draws the diagram into `painter` over `area` (device units).
  void Draw(QPainter& painter, const QRect& area) const;
  // Writes the diagram to `path`: a PDF for a name ending in .pdf, otherwise
  // a PNG of widthPx x heightPx. Returns why it failed, or an empty text.
  QString Export(const QString& path, int widthPx = 1600, int heightPx = 1000,
                 const std::vector<std::string>& inputs = {}) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<SeriesResult> result_;
  QString title_;
};

// Marks the rows of `r` (a TimeSeries result of the series with times `time`,
// secondaries at `secondaryPhase` when timed) whose eclipse the series starts
// or ends in, and adds a row for each predicted minimum just beyond either end
// whose eclipse still holds observations. The eclipse reaches the window's
// half-width over kHalfWidthFactor from its minimum (the measured half-width
// is made that way). Each such row's message starts "partial: ", saying where
// the series starts or ends; the rows stay in time order.
void MarkPartialEclipses(SeriesResult& r, std::span<const double> time,
                         std::optional<double> secondaryPhase);

class FrmSeries : public Form {
  Q_OBJECT

 public:
  // `loadWindow` loads the points of a minimum's window into the main window
  // (times, magnitudes, a name for it).
  using LoadWindow = std::function<void(const std::vector<double>&, const std::vector<double>&,
                                        const std::string&)>;
  explicit FrmSeries(LoadWindow loadWindow, QWidget* parent = nullptr);

  // The series to time, its name and its time scale ("unknown" when not known);
  // `sourcePath`, the file it was read from, is never overwritten by an export.
  void SetSeries(std::vector<double> time, std::vector<double> mag, const QString& name,
                 const QString& timeScale, const QString& sourcePath = QString());

  const std::optional<SeriesResult>& Result() const { return result_; }
  const QString& SourcePath() const { return sourcePath_; }
  // The diagram's and the figure's title: the series' name, O-C and the time
  // scale when it is known.
  QString DiagramTitle() const;
  size_t Points() const { return time_.size(); }

  // The decimals of times, errors and O-C in days in the table (5 to 7, as
  // the main window's Options); the table is shown again.
  void SetDecimals(int decimals);

  // Controls, named for tests.
  QLabel* Label1;                    // what the series is
  QLineEdit *Text1, *Text2, *Text3;  // epoch, period, half-width (empty: measured)
  QCheckBox* Check1;                 // time the secondaries
  QLineEdit* Text4;                  // the secondary's phase
  QPushButton *Command1, *Command2;  // "Find", "Time"
  QPushButton *Command3, *Command4;  // "Export table...", "Export diagram..."
  QLabel* Label2;                    // the refined ephemeris, or why there is none
  QTableWidget* Table1;
  OcDiagram* Diagram;
  QAction* mExportFigure;

 public slots:
  void Command1_Click();  // Find
  void Command2_Click();  // Time
  void Command3_Click();  // Export table
  void Command4_Click();  // Export diagram
  // File > "Export figure...": the O-C diagram as PDF, SVG or PNG.
  void mExportFigure_Click();
  void Table1_DoubleClick(int row);

 public:
  // The export targets the two export buttons ask for; tests set them to
  // skip the file dialog.
  std::function<QString()> askTablePath, askDiagramPath;

 private:
  void ShowResult();

  LoadWindow loadWindow_;
  std::vector<double> time_, mag_;
  QString name_, timeScale_, sourcePath_;
  std::optional<SeriesResult> result_;
  int decimals_ = 5;
};

}  // namespace vantor
