// frmImport: File > "Import..." of the main window. Shows a file of another
// layout (AAVSO, AstroImageJ, C-Munipack, a delimited table, Kepler/TESS
// FITS) as the importer reads it: the detected format and columns (which the
// user may change), the star and filter where the file holds several, the
// time scale read and the one wanted with the star's coordinates, the time
// interval to load, and the first points as parsed. "Load" puts the series
// into the store exactly as the original reader would (import/load.h); the
// main window then treats it like a file opened with "Load File". A refusal
// is shown in the window and changes nothing.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <optional>
#include <string>
#include <utility>

#include "core/reader.h"
#include "core/store.h"
#include "import/load.h"
#include "import/series.h"
#include "windows/import_overview.h"

namespace vantor {

// What the last Load put into the store, before any binning: the whole series
// as loaded (converted, cut to the interval) and how it was read, for the
// series window and the report.
struct ImportedCurve {
  import::ImportedSeries series;         // never binned; its timeScale is the one loaded
  std::string path;                      // the file read
  size_t fileObservations = 0;           // observations the importer read from the file
  std::optional<double> from, until;     // the interval typed
  import::TimeScale readScale = import::TimeScale::Unknown;  // before a conversion
  bool converted = false;
  std::optional<double> raDeg, decDeg;   // the star's coordinates the conversion used
};

class FrmImport : public QWidget {
  Q_OBJECT

 public:
  explicit FrmImport(Store& store, QWidget* parent = nullptr);

  // Reads the file at `path` with the importer's own choices and shows it.
  void OpenFile(const QString& path);

  // The series as the controls read it now (after Reread); none after a refusal.
  const std::optional<import::ImportedSeries>& Series() const { return series_; }
  // The time scale of the series loaded last ("unknown" before any).
  import::TimeScale LoadedTimeScale() const { return loadedScale_; }
  // How the series loaded last was binned ("binned from 2500 points to 1000
  // (bins of 7.20 min)"); empty when it was loaded as read.
  const std::string& LoadedBinning() const { return loadedBinning_; }
  // The series loaded last, whole (none before any Load).
  const std::optional<ImportedCurve>& LoadedCurve() const { return loadedCurve_; }

  QComboBox* ComboFormat = nullptr;
  QLineEdit* TextTimeCol = nullptr;
  QLineEdit* TextValueCol = nullptr;
  QComboBox* ComboValueKind = nullptr;  // "Magnitude" / "Flux"
  QLineEdit* TextErrCol = nullptr;
  QComboBox* ComboStar = nullptr;
  QComboBox* ComboFilter = nullptr;
  QLabel* LabelScaleRead = nullptr;
  QComboBox* ComboScaleFile = nullptr;  // "As the file says", JD_UTC, HJD_UTC, BJD_TDB
  QComboBox* ComboScaleWanted = nullptr;  // "No conversion", HJD_UTC, BJD_TDB
  QLineEdit* TextRa = nullptr;
  QLineEdit* TextDec = nullptr;
  QLineEdit* TextFrom = nullptr;
  QLineEdit* TextUntil = nullptr;
  QLabel* LabelStatus = nullptr;
  QPlainTextEdit* TextRaw = nullptr;
  QTableWidget* TablePreview = nullptr;
  ImportOverview* Overview = nullptr;  // the whole series, the interval shaded
  QPushButton* CommandReread = nullptr;
  QPushButton* CommandLoad = nullptr;
  QPushButton* CommandCancel = nullptr;

 signals:
  // The series has been put into the store (or refused): as frmOpen's.
  void lightCurveRead(const vantor::ReadResult& result);
  void clearResults();

 public slots:
  // Reads the file again with the choices of the controls.
  void Reread();
  // Loads the series shown, converted and cut to the interval, into the store.
  void Load_Click();

 private:
  import::ImportOptions Options() const;
  void ShowSeries();
  // Shades the interval typed in From and Until (a text that is no number
  // counts as absent) on the overview.
  void ShowInterval();
  // The observations of `s` inside `interval` (more than the store holds)
  // binned to at most kMaxPoints, with the note that says so, when the user
  // chooses to bin them; none when the user chooses an interval instead or
  // the binning is refused (the status line says why).
  std::optional<std::pair<import::ImportedSeries, std::string>> OfferBinning(
      const import::ImportedSeries& s, const import::TimeInterval& interval);

  Store& store_;
  QString path_;
  std::optional<import::ImportedSeries> series_;
  import::TimeScale loadedScale_ = import::TimeScale::Unknown;
  std::string loadedBinning_;
  std::optional<ImportedCurve> loadedCurve_;
};

}  // namespace vantor
