// frmMain: the main window. It owns start-up and shut-down, loads a light
// curve through the open window, switches the sign convention, opens the point
// editor and the method windows, collects the six methods' results in its
// table (row k: Text k, Text k+6, Check k) and combines the ticked rows with
// "Calc. Means". Save writes a report of the results to the file chosen in
// the save-as window, "Copy results" puts the same table on the clipboard,
// and a light-curve file dropped on the window is loaded as the open window
// loads it. Tools > "Bootstrap errors..." shows each result's error from
// resampled light curves beside its own. Options chooses the precision (5, 6
// or 7 decimals) of every time, error and mean. Closing it, its "Exit" button and its Exit menu entry
// write the settings file and end the program.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/combination.h"
#include "core/reader.h"
#include "core/report.h"
#include "core/store.h"
#include "methods/bootstrap.h"
#include "toolkit/form.h"
#include "windows/result_rows.h"

namespace vantor {

class FrmOpen;
class FrmSaveAs;
class FrmHelp;
class FrmAbout;
class FrmBootstrap;
class FrmSeries;
class FrmPlott1;
class FrmPlott2;
class FrmPlott3;
class FrmPlott4;
class FrmPlott5;
class FrmPlotData;
class FrmImport;

class FrmMain : public Form, public ResultRows {
  Q_OBJECT

 public:
  // Builds the main window and every other window of the program (hidden).
  // `settingsPath` is the settings file read at start-up and written at exit;
  // `endProgram` ends the process after it has been written (tests pass their
  // own).
  explicit FrmMain(Store& store, std::string settingsPath = "zzzvnt.ini",
                   std::function<void()> endProgram = {});
  ~FrmMain() override;

  // ResultRows
  void DeliverResult(int row, const Timing& timing, const MethodSetup& setup) override;
  void ClearResult(int row) override;
  void SetUseInMean(int row, bool checked) override;

  // Shows the message of run-time error n through the error-text table, as
  // the sliding-integrations button's error handler does.
  static void ShowRuntimeError(int n);

  Store& store() { return store_; }
  FrmOpen& frmOpen() { return *frmOpen_; }
  FrmSaveAs& frmSaveAs() { return *frmSaveAs_; }
  FrmHelp& frmHelp() { return *frmHelp_; }
  FrmAbout& frmAbout() { return *frmAbout_; }
  FrmBootstrap& frmBootstrap() { return *frmBootstrap_; }
  FrmSeries& frmSeries() { return *frmSeries_; }
  FrmPlott1& frmPlott1() { return *frmPlott1_; }
  FrmPlott2& frmPlott2() { return *frmPlott2_; }
  FrmPlott3& frmPlott3() { return *frmPlott3_; }
  FrmPlott4& frmPlott4() { return *frmPlott4_; }
  FrmPlott5& frmPlott5() { return *frmPlott5_; }
  FrmPlotData& frmPlotData() { return *frmPlotData_; }
  FrmImport& frmImport() { return *frmImport_; }

  // Loads the file at `path` named on the command line or dropped: through
  // the open window when the original reader accepts it, else in the import
  // window (File > "Import...") with the importer's choices.
  void OpenOrImport(const QString& path);

  // After Load File's message for a file the original reader refuses: when
  // the importer reads that file (a table of another layout, a long series),
  // asks whether to open it in File > "Import..." and, on Yes, does.
  void OfferImport(const QString& path);

  // Shows the time scale of the loaded light curve ("Time scale: HJD_UTC").
  QLabel* LabelTimeScale = nullptr;
  // Under the means: the adopted time of the ticked rows with its error
  // (methods/adopted.h), and a note when the weighted mean's uncertainty is
  // below a third of the standard error of the ticked times. Cleared with
  // the means.
  QLabel* LabelAdopted = nullptr;

  // Controls, named as the window's table names them; cell 0 of each array unused.
  std::array<QLabel*, 19> Label{};
  std::array<QPushButton*, 11> Command{};
  std::array<QLineEdit*, 17> Text{};
  std::array<QCheckBox*, 7> Check{};
  std::array<QRadioButton*, 2> Option1{};

 public slots:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void Command6_Click();
  void Command7_Click();
  void Command8_Click();
  void Command9_Click() { mOpen_Click(); }
  void Command10_Click() { mExit_Click(); }
  void Option1_Click(int index);
  void mOpen_Click();
  void mSave_Click();
  // File > "Import...": the desktop's file dialog, then the import window.
  void mImport_Click();
  // File > "Copy results": puts the results report, tab-separated, on the
  // clipboard.
  void mCopyResults_Click();
  void mExit_Click();
  void Help1_Click();
  void Help2_Click();
  void mAbout_Click();
  // Tools > "Bootstrap errors...": bootstraps every row holding a result with
  // the range and settings its window holds (kBootstrapMenuRuns curves) and
  // shows the errors beside the rows' own in the bootstrap window.
  void mBootstrap_Click();
  // Options > "5 decimals (0.86 s)" / "6 decimals ..." / "7 decimals ...":
  // the precision of times, errors and means, kept in the options file.
  void SetDecimals(int decimals);
  // Options > "Weights from bootstrap errors": "Calc. Means" weights the
  // ticked rows by their bootstrap errors (the Bootstrap tool's figures when
  // they are current for the same curve and setups, else made anew with a
  // progress dialog) and says which errors it used; kept in the options file.
  void SetBootstrapWeights(bool on);

  // Tools > "Every eclipse...": opens the series window on the series loaded
  // last (every observation of an import, before any binning to the store's
  // points; the points of a file loaded as read). An open series window takes
  // each new series as it is loaded.
  void mSeries_Click();

 public:
  // Loads the points of one eclipse's window of a series as the light curve,
  // as an accepted file is loaded; `name` stands for the file's name.
  void LoadSeriesWindow(const std::vector<double>& time, const std::vector<double>& mag,
                        const std::string& name);

 protected:
  void Form_Load() override;
  void Form_Unload() override;
  // A dragged file may be dropped anywhere on the window; the drop loads a
  // light-curve file (.csv or .txt) through the open window and refuses
  // anything else with a message.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Loads dropped files (on this window or the point editor), after the drop
  // has returned: one light-curve file, or a message saying what to drop.
  void LoadDropped(const QList<QUrl>& urls);
  void BuildControls();
  void BuildMenus(QMenuBar* bar);
  // The window part of reading a light curve: the refusal, or the caption,
  // the counts and the plot windows told of the new curve.
  void AfterLightCurveRead(const ReadResult& result);
  void ClearResultBoxes();
  // "Calc. Means" with bootstrap weights: the weight of each ticked row a
  // method delivered, from its bootstrap error (the Bootstrap tool's figure
  // when it is current, else bootstrapped now with a progress dialog); none
  // when the user cancels.
  std::optional<std::array<BootstrapWeight, 6>> BootstrapWeightsOf(
      const std::array<CombinationRow, 6>& rows);
  // Shows under the means the rows they left out and the note on the
  // weights, the window grown to show all of it.
  void ShowMeansNotice(const Combination& c);
  // Fills LabelAdopted from the rows the means used.
  void ShowAdopted(const Combination& c);
  // The tooltip of a row whose delivered error shows as zero at the chosen
  // precision ("error below the shown precision ..."), cleared otherwise.
  void MarkBelowPrecision(int row);
  // The save-as window's OK: writes the results report to DataDir /
  // DataFileName, asking before it replaces a file.
  void WriteReport();
  // The report of what the window shows now.
  ReportInput CurrentReport() const;
  // Writes the settings file, reports a failure once, and ends the program.
  void ShutDown();
  // A light curve is loaded. A refused first file or a confirmed Save can
  // name a file over an empty store: the commands then do nothing too.
  bool Loaded() const { return !store_.DataFileName.empty() && store_.NPointsAll > 0; }

  Store& store_;
  std::string settingsPath_;
  std::function<void()> endProgram_;
  bool shuttingDown_ = false;
  // The file the loaded light curve was read from (DataFilePath at the last
  // accepted read): a refused file and the Save command change DataFileName,
  // not the light curve. Empty while none is loaded.
  QString lightCurvePath_;
  // How the import binned that light curve (FrmImport::LoadedBinning), for
  // the title and the report; empty for a curve loaded as read.
  std::string lightCurveBinning_;
  // What each row's method delivered and ran with, and the description of
  // that setup made at delivery: later clicks and deletions do not change
  // what the report says about a result (cell 0 unused).
  struct DeliveredRow {
    Timing timing;
    MethodSetup setup;
    std::string description;
    // The points the result was computed on: the deletion marks and count.
    FlagArray deleted;
    int16_t points;
  };
  std::array<std::optional<DeliveredRow>, 7> delivered_{};
  // The table (texts and ticks) when the means shown were computed, and the
  // rows (1..6) they were computed from.
  std::optional<std::array<CombinationRow, 6>> meansBasis_;
  std::vector<int> meansRows_;
  // The six rows' texts and ticks as shown now.
  std::array<CombinationRow, 6> TableRows() const;
  std::array<QAction*, 3> decimalsActions_{};  // Options: 5, 6, 7 decimals
  QAction* bootstrapWeightsAction_ = nullptr;  // Options: weights from bootstrap errors
  // Bootstraps `setups` (kBootstrapMenuRuns curves each) with a progress
  // dialog whose Cancel stops the run: nullopt then, and nothing changes.
  // Keeps the figures for later (bootstrapFigures_).
  std::optional<std::vector<MethodResult<BootstrapResult>>> BootstrapWithProgress(
      const std::vector<MethodSetup>& setups);
  BootstrapFigures bootstrapFigures_;
  QLabel* precisionNotice_ = nullptr;         // under the means
  std::unique_ptr<FrmOpen> frmOpen_;
  std::unique_ptr<FrmImport> frmImport_;
  // Set by the import window's load, for AfterLightCurveRead's time-scale
  // label and binning.
  std::optional<std::string> importedScale_;
  std::string importedBinning_;
  std::unique_ptr<FrmSaveAs> frmSaveAs_;
  std::unique_ptr<FrmHelp> frmHelp_;
  std::unique_ptr<FrmAbout> frmAbout_;
  std::unique_ptr<FrmBootstrap> frmBootstrap_;
  std::unique_ptr<FrmSeries> frmSeries_;
  std::unique_ptr<FrmPlott1> frmPlott1_;
  std::unique_ptr<FrmPlott2> frmPlott2_;
  std::unique_ptr<FrmPlott3> frmPlott3_;
  std::unique_ptr<FrmPlott4> frmPlott4_;
  std::unique_ptr<FrmPlott5> frmPlott5_;
  std::unique_ptr<FrmPlotData> frmPlotData_;
  // The series Tools > "Every eclipse..." times: the light curve loaded last
  // (an import whole), its file's name, time scale and path. One eclipse's
  // window loaded from the series window leaves it as it is.
  struct SeriesSource {
    std::vector<double> time, mag;
    QString name, scale, path;
  };
  std::optional<SeriesSource> seriesSource_;
  // Counts the series loaded; the series window holds series seriesShown_.
  int seriesGeneration_ = 0, seriesShown_ = -1;
  bool loadingSeriesWindow_ = false;
  // The light curve loaded came through File > "Import..." (its report
  // names what the import read).
  bool lightCurveImported_ = false;
  // Keeps the light curve just loaded as the series to time (see SeriesSource).
  void KeepSeriesSource();
  // Hands the series kept to the series window when it holds another one.
  void ShowSeriesSource();
};

}  // namespace vantor
