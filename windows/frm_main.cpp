// frmMain: start-up, dispatch to the other windows, the result table, the
// combination, the results report, dropped files and shut-down.
#include "windows/frm_main.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMimeData>
#include <QProgressDialog>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/combination.h"
#include "core/error_text.h"
#include "core/format.h"
#include "core/reader.h"
#include "import/importer.h"
#include "core/method_rows.h"
#include "core/number.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/output_file.h"
#include "core/textfile.h"
#include "methods/adopted.h"
#include "methods/bootstrap.h"
#include "methods/sliding.h"
#include "toolkit/message.h"
#include "windows/frm_about.h"
#include "windows/frm_bootstrap.h"
#include "windows/frm_help.h"
#include "windows/frm_import.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/frm_series.h"
#include "windows/plot_windows.h"

namespace vantor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The time scale the first field of a Vantor file's header names ("HJD").
std::string ScaleOfOriginalFile(const std::string& path) {
  const auto text = ReadWholeFile(path);
  if (!text) return "unknown";
  const auto lines = SplitLines(*text);
  if (lines.empty()) return "unknown";
  return std::string(import::TimeScaleName(
      import::TimeScaleOfColumn(TrimBlanks(SplitFields(lines.front()).front()))));
}

// What an import read, as the report names it: the observations of the file,
// the interval, the star and filter, and the conversion of the times.
void DescribeImport(const ImportedCurve& c, ReportInput& in) {
  in.fileObservations = c.fileObservations;
  if (c.from) in.interval = "from " + FixedText(*c.from, 5);
  if (c.until) in.interval += (in.interval.empty() ? "" : " ") + ("until " + FixedText(*c.until, 5));
  in.star = c.series.star;
  in.filter = c.series.filter;
  if (c.converted) {
    in.conversion = std::string(import::TimeScaleName(c.readScale)) + " to " +
                    std::string(import::TimeScaleName(c.series.timeScale));
    if (c.raDeg && c.decDeg) {
      in.conversion += " at RA " + FixedText(*c.raDeg, 6) + " deg, Dec " +
                       (*c.decDeg < 0 ? "" : "+") + FixedText(*c.decDeg, 6) + " deg";
    }
  }
}

// Returns why dropped `urls` cannot be loaded as a light curve, or an empty
// text when they are one local .csv or .txt file.
QString DropRefusal(const QList<QUrl>& urls) {
  const QString hint =
      QStringLiteral("Drop one light-curve file (.csv or .txt) on the window to load it.");
  if (urls.size() != 1 || !urls.front().isLocalFile()) return hint;
  const QFileInfo file(urls.front().toLocalFile());
  const QString suffix = file.suffix().toLower();
  // Other programs' layouts go to the import window (OpenOrImport).
  static const QStringList kSuffixes = {QStringLiteral("csv"), QStringLiteral("txt"),
                                        QStringLiteral("tsv"), QStringLiteral("lc"),
                                        QStringLiteral("dat"), QStringLiteral("tbl"),
                                        QStringLiteral("fits"), QStringLiteral("fit")};
  if (file.isDir() || !kSuffixes.contains(suffix)) {
    return QStringLiteral("\"%1\" is not a light-curve file. ").arg(file.fileName()) + hint;
  }
  return {};
}

}  // namespace

FrmMain::FrmMain(Store& store, std::string settingsPath, std::function<void()> endProgram)
    : Form(QStringLiteral("frmMain")),
      store_(store),
      settingsPath_(std::move(settingsPath)),
      endProgram_(std::move(endProgram)) {
  if (!endProgram_) endProgram_ = [] { QCoreApplication::quit(); };
  setWindowTitle(QStringLiteral("Vantor"));
  BuildControls();
  frmOpen_ = std::make_unique<FrmOpen>(store_, this);
  frmSaveAs_ = std::make_unique<FrmSaveAs>(store_, this);
  frmHelp_ = std::make_unique<FrmHelp>(this);
  frmAbout_ = std::make_unique<FrmAbout>(this);
  frmBootstrap_ = std::make_unique<FrmBootstrap>(this);
  frmSeries_ =
      std::make_unique<FrmSeries>([this](const std::vector<double>& t, const std::vector<double>& m,
                                         const std::string& name) { LoadSeriesWindow(t, m, name); },
                                  this);
  frmPlott1_ = std::make_unique<FrmPlott1>(store_, *this, this);
  frmPlott2_ = std::make_unique<FrmPlott2>(store_, *this, this);
  frmPlott3_ = std::make_unique<FrmPlott3>(store_, *this, this);
  frmPlott4_ = std::make_unique<FrmPlott4>(store_, *this, this);
  frmPlott5_ = std::make_unique<FrmPlott5>(store_, *this, this);
  frmPlotData_ = std::make_unique<FrmPlotData>(store_, this);
  connect(frmOpen_.get(), &FrmOpen::lightCurveRead, this, [this](const ReadResult& result) {
    AfterLightCurveRead(result);
    if (!result) OfferImport(QString::fromStdString(frmOpen_->TriedPath()));
  });
  connect(frmOpen_.get(), &FrmOpen::clearResults, this, &FrmMain::ClearResultBoxes);
  frmImport_ = std::make_unique<FrmImport>(store_, this);
  connect(frmImport_.get(), &FrmImport::lightCurveRead, this, [this](const ReadResult& result) {
    importedScale_ = std::string(import::TimeScaleName(frmImport_->LoadedTimeScale()));
    importedBinning_ = frmImport_->LoadedBinning();
    AfterLightCurveRead(result);
    importedScale_.reset();
    importedBinning_.clear();
  });
  connect(frmImport_.get(), &FrmImport::clearResults, this, &FrmMain::ClearResultBoxes);
  connect(frmSaveAs_.get(), &FrmSaveAs::accepted, this, &FrmMain::WriteReport);
  connect(frmPlotData_.get(), &FrmPlotData::workingSetRebuilt, this,
          [this](int nPoints) { Label[18]->setText(Q(IntText(nPoints))); });
  connect(frmPlotData_.get(), &FrmPlotData::filesDropped, this, &FrmMain::LoadDropped);
}

FrmMain::~FrmMain() = default;

namespace {

// Makes the main window's numbered controls, named as the window's table
// names them (Label8, Command1, Text7).
struct NumberedControls {
  FrmMain* w;

  QLabel* Label(int k, const QString& caption) const {
    w->Label[k] = new QLabel(caption, w);
    w->Label[k]->setObjectName(QStringLiteral("Label%1").arg(k));
    return w->Label[k];
  }
  QPushButton* Command(int k, const QString& caption) const {
    w->Command[k] = new QPushButton(caption, w);
    w->Command[k]->setObjectName(QStringLiteral("Command%1").arg(k));
    return w->Command[k];
  }
  QLineEdit* Text(int k) const {
    w->Text[k] = new QLineEdit(w);
    w->Text[k]->setObjectName(QStringLiteral("Text%1").arg(k));
    w->Text[k]->setMinimumWidth(130);
    // A file dropped on a box loads like one dropped on the window.
    w->Text[k]->setAcceptDrops(false);
    return w->Text[k];
  }
};

// The six method rows (title, Go, time, error, "In"), "Calc. Means" and the
// four means under them; returns the notice under the means, which names the
// checked rows they left out because their error shows as zero at the
// chosen precision.
QLabel* BuildMethodRows(FrmMain* w, QGridLayout* grid) {
  const NumberedControls make{w};
  grid->addWidget(make.Label(8, QStringLiteral("Time of Minimum")), 0, 2);
  grid->addWidget(make.Label(9, QStringLiteral("Est'd Error")), 0, 3);
  grid->addWidget(make.Label(13, QStringLiteral("Use in Mean?")), 0, 4);
  for (int k = 1; k <= 6; ++k) {
    grid->addWidget(make.Label(k + 1, QString::fromLatin1(MethodTitle(k))), k, 0);
    grid->addWidget(make.Command(k, QStringLiteral("Go")), k, 1);
    grid->addWidget(make.Text(k), k, 2);
    grid->addWidget(make.Text(k + 6), k, 3);
    w->Check[k] = new QCheckBox(QStringLiteral("In"), w);
    w->Check[k]->setObjectName(QStringLiteral("Check%1").arg(k));
    grid->addWidget(w->Check[k], k, 4);
  }
  auto* rule = new QFrame(w);
  rule->setFrameShape(QFrame::HLine);
  grid->addWidget(rule, 7, 0, 1, 5);
  grid->addWidget(make.Command(8, QStringLiteral("Calc. Means")), 8, 1);
  grid->addWidget(make.Label(10, QStringLiteral("Simple Mean")), 9, 0);
  grid->addWidget(make.Text(13), 9, 2);
  grid->addWidget(make.Label(11, QStringLiteral("Weighted Mean")), 10, 0);
  grid->addWidget(make.Text(14), 10, 2);
  grid->addWidget(make.Label(12, QStringLiteral("Weighted Mean uncertainty")), 11, 0);
  grid->addWidget(make.Text(15), 11, 2);
  grid->addWidget(make.Label(14, QStringLiteral("Std. Deviation of Means")), 12, 0);
  grid->addWidget(make.Text(16), 12, 2);
  auto* notice = new QLabel(w);
  notice->setObjectName(QStringLiteral("LabelPrecision"));
  notice->setWordWrap(true);
  grid->addWidget(notice, 13, 0, 1, 5);
  w->LabelAdopted = new QLabel(w);
  w->LabelAdopted->setObjectName(QStringLiteral("LabelAdopted"));
  w->LabelAdopted->setWordWrap(true);
  w->LabelAdopted->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(w->LabelAdopted, 14, 0, 1, 5);
  // The adopted time belongs to the means shown: cleared with them.
  QObject::connect(w->Text[13], &QLineEdit::textChanged, w->LabelAdopted, [w](const QString& t) {
    if (t.isEmpty()) w->LabelAdopted->clear();
  });
  return notice;
}

// The data panel: counts, time scale, sign convention, loading and editing;
// returns the group of the two sign buttons.
QButtonGroup* BuildDataPanel(FrmMain* w, QVBoxLayout* side) {
  const NumberedControls make{w};
  auto* counts = new QGridLayout;
  side->addLayout(counts);
  counts->addWidget(make.Label(15, QStringLiteral("Original # data points")), 0, 0);
  counts->addWidget(make.Label(17, QString()), 0, 1);
  counts->addWidget(make.Label(16, QStringLiteral("Edited # data points")), 1, 0);
  counts->addWidget(make.Label(18, QString()), 1, 1);
  w->LabelTimeScale = new QLabel(w);
  w->LabelTimeScale->setObjectName(QStringLiteral("LabelTimeScale"));
  counts->addWidget(w->LabelTimeScale, 2, 0, 1, 2);
  auto* group = new QButtonGroup(w);
  w->Option1[0] = new QRadioButton(QStringLiteral("+Mags (V-C)"), w);
  w->Option1[1] = new QRadioButton(QStringLiteral("--Mags (C-V)"), w);
  for (int i = 0; i < 2; ++i) {
    w->Option1[i]->setObjectName(QStringLiteral("Option1(%1)").arg(i));
    group->addButton(w->Option1[i], i);
    side->addWidget(w->Option1[i]);
  }
  w->Option1[0]->setChecked(true);
  side->addSpacing(8);
  side->addWidget(make.Command(9, QStringLiteral("Load File")));
  side->addWidget(make.Command(7, QStringLiteral("Plot/Edit Data")));
  side->addStretch(1);
  side->addWidget(make.Command(10, QStringLiteral("Exit")));
  return group;
}

// File: Open, Import..., Save, Copy results, Exit.
void BuildFileMenu(FrmMain* w, QMenuBar* bar) {
  QMenu* file = bar->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("mFile"));
  QAction* open = file->addAction(QStringLiteral("Open"));
  open->setObjectName(QStringLiteral("mOpen"));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* importFile = file->addAction(QStringLiteral("Import..."));
  importFile->setObjectName(QStringLiteral("mImport"));
  QAction* save = file->addAction(QStringLiteral("Save"));
  save->setObjectName(QStringLiteral("mSave"));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  QAction* copy = file->addAction(QStringLiteral("Copy results"));
  copy->setObjectName(QStringLiteral("mCopyResults"));
  file->addSeparator();
  QAction* exit = file->addAction(QStringLiteral("Exit"));
  exit->setObjectName(QStringLiteral("mExit"));
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  QObject::connect(open, &QAction::triggered, w, &FrmMain::mOpen_Click);
  QObject::connect(importFile, &QAction::triggered, w, &FrmMain::mImport_Click);
  QObject::connect(save, &QAction::triggered, w, &FrmMain::mSave_Click);
  QObject::connect(copy, &QAction::triggered, w, &FrmMain::mCopyResults_Click);
  QObject::connect(exit, &QAction::triggered, w, &FrmMain::mExit_Click);
}

// Tools: Bootstrap errors..., Every eclipse...
void BuildToolsMenu(FrmMain* w, QMenuBar* bar) {
  QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
  tools->setObjectName(QStringLiteral("mTools"));
  QAction* bootstrap = tools->addAction(QStringLiteral("Bootstrap errors..."));
  bootstrap->setObjectName(QStringLiteral("mBootstrap"));
  QObject::connect(bootstrap, &QAction::triggered, w, &FrmMain::mBootstrap_Click);
  QAction* series = tools->addAction(QStringLiteral("Every eclipse..."));
  series->setObjectName(QStringLiteral("mSeries"));
  QObject::connect(series, &QAction::triggered, w, &FrmMain::mSeries_Click);
}

// Help: Introduction (F1), Data files, About.
void BuildHelpMenu(FrmMain* w, QMenuBar* bar) {
  QMenu* help = bar->addMenu(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("mHelp"));
  QAction* help1 = help->addAction(QStringLiteral("Help - Introduction"));
  help1->setObjectName(QStringLiteral("Help1"));
  help1->setShortcut(QKeySequence(Qt::Key_F1));
  QAction* help2 = help->addAction(QStringLiteral("Help -Data files"));
  help2->setObjectName(QStringLiteral("Help2"));
  help->addSeparator();
  QAction* about = help->addAction(QStringLiteral("About"));
  about->setObjectName(QStringLiteral("mAbout"));
  QObject::connect(help1, &QAction::triggered, w, &FrmMain::Help1_Click);
  QObject::connect(help2, &QAction::triggered, w, &FrmMain::Help2_Click);
  QObject::connect(about, &QAction::triggered, w, &FrmMain::mAbout_Click);
}

}  // namespace

void FrmMain::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  BuildMenus(bar);
  outer->setMenuBar(bar);

  NumberedControls{this}.Label(1, QStringLiteral("Vantor ") + QString::fromLatin1(kVersion));
  QFont title = Label[1]->font();
  title.setPointSizeF(title.pointSizeF() * 1.5);
  title.setBold(true);
  Label[1]->setFont(title);
  outer->addWidget(Label[1]);

  auto* body = new QHBoxLayout;
  outer->addLayout(body);
  auto* grid = new QGridLayout;
  body->addLayout(grid, 3);
  precisionNotice_ = BuildMethodRows(this, grid);
  auto* side = new QVBoxLayout;
  body->addSpacing(16);
  body->addLayout(side, 1);
  QButtonGroup* group = BuildDataPanel(this, side);

  connect(Command[1], &QPushButton::clicked, this, &FrmMain::Command1_Click);
  connect(Command[2], &QPushButton::clicked, this, &FrmMain::Command2_Click);
  connect(Command[3], &QPushButton::clicked, this, &FrmMain::Command3_Click);
  connect(Command[4], &QPushButton::clicked, this, &FrmMain::Command4_Click);
  connect(Command[5], &QPushButton::clicked, this, &FrmMain::Command5_Click);
  connect(Command[6], &QPushButton::clicked, this, &FrmMain::Command6_Click);
  connect(Command[7], &QPushButton::clicked, this, &FrmMain::Command7_Click);
  connect(Command[8], &QPushButton::clicked, this, &FrmMain::Command8_Click);
  connect(Command[9], &QPushButton::clicked, this, &FrmMain::Command9_Click);
  connect(Command[10], &QPushButton::clicked, this, &FrmMain::Command10_Click);
  connect(group, &QButtonGroup::idClicked, this, &FrmMain::Option1_Click);
  setAcceptDrops(true);
}

void FrmMain::BuildMenus(QMenuBar* bar) {
  BuildFileMenu(this, bar);
  BuildToolsMenu(this, bar);
  // Options: the precision of the results, and the weights of the means.
  QMenu* options = bar->addMenu(QStringLiteral("Options"));
  options->setObjectName(QStringLiteral("mOptions"));
  auto* precision = new QActionGroup(this);
  for (int d = kDefaultDecimals; d <= kMostDecimals; ++d) {
    const QString caption = d == kDefaultDecimals
                                ? QStringLiteral("5 decimals (0.86 s)")
                                : QStringLiteral("%1 decimals (%2 s)").arg(d).arg(
                                      d == 6 ? QStringLiteral("0.086") : QStringLiteral("0.0086"));
    QAction* a = options->addAction(caption);
    a->setObjectName(QStringLiteral("mDecimals%1").arg(d));
    a->setCheckable(true);
    precision->addAction(a);
    decimalsActions_[d - kDefaultDecimals] = a;
    connect(a, &QAction::triggered, this, [this, d] { SetDecimals(d); });
  }
  options->addSeparator();
  bootstrapWeightsAction_ = options->addAction(QStringLiteral("Weights from bootstrap errors"));
  bootstrapWeightsAction_->setObjectName(QStringLiteral("mBootstrapWeights"));
  bootstrapWeightsAction_->setCheckable(true);
  connect(bootstrapWeightsAction_, &QAction::triggered, this, &FrmMain::SetBootstrapWeights);
  BuildHelpMenu(this, bar);
}

void FrmMain::Form_Load() {
  // The error-text table is built on first use; the settings file gives the
  // geometry of the plot windows (all defaults on any failure).
  ReadSettings(store_, settingsPath_);
  ReadOptions(store_, OptionsPathBeside(settingsPath_));
  decimalsActions_[store_.ResultDecimals - kDefaultDecimals]->setChecked(true);
  frmSeries_->SetDecimals(store_.ResultDecimals);
  bootstrapWeightsAction_->setChecked(store_.BootstrapWeights);
  frmOpen_->Prepare();
  frmSaveAs_->Prepare();
  store_.MagSign = 1;
  ResetMethodState(store_);
  // At start-up no interval is being excluded either (a load keeps the mode
  // in the store; the Fourier window drops it when told of the new curve).
  store_.ExcludeMode = false;
}

// --- Result table --------------------------------------------------------------

void FrmMain::DeliverResult(int row, const Timing& timing, const MethodSetup& setup) {
  Text[row]->setText(Q(timing.timeText));
  Text[row + 6]->setText(Q(timing.errorText));
  Check[row]->setChecked(true);
  delivered_[row] =
      DeliveredRow{timing, setup, DescribeSetup(store_, setup), store_.Deleted, store_.NPoints};
  MarkBelowPrecision(row);
}

void FrmMain::MarkBelowPrecision(int row) {
  const bool below = delivered_[row] && row != 2 &&
                     BelowPrecision(delivered_[row]->timing.minimum.error, store_.ResultDecimals);
  const QString tip = below ? QString::fromUtf8(kBelowPrecisionNotice) : QString();
  Text[row]->setToolTip(tip);
  Text[row + 6]->setToolTip(tip);
}

void FrmMain::SetDecimals(int decimals) {
  if (!ValidDecimals(decimals)) return;
  decimalsActions_[decimals - kDefaultDecimals]->setChecked(true);
  frmSeries_->SetDecimals(decimals);
  if (decimals == store_.ResultDecimals) return;
  store_.ResultDecimals = decimals;
  if (const auto written = WriteOptions(store_, OptionsPathBeside(settingsPath_)); !written) {
    ShowMessage(QStringLiteral("The precision could not be saved for the next run. ") +
                Q(written.error().message));
  }
  // The rows a method delivered are shown again at the new precision (the
  // tracing paper's error is its fixed "0.0001"), and the means, if shown,
  // are computed again from them.
  for (int row = 1; row <= 6; ++row) {
    if (!delivered_[row]) continue;
    Timing& t = delivered_[row]->timing;
    t.timeText = ResultText(t.time, decimals);
    if (row != 2) t.errorText = ResultText(t.minimum.error, decimals);
    Text[row]->setText(Q(t.timeText));
    Text[row + 6]->setText(Q(t.errorText));
    MarkBelowPrecision(row);
  }
  // The line under the means belongs to the last "Calc. Means": press it again.
  if (!Text[13]->text().isEmpty() || !precisionNotice_->text().isEmpty()) Command8_Click();
}

void FrmMain::SetBootstrapWeights(bool on) {
  bootstrapWeightsAction_->setChecked(on);
  if (on == store_.BootstrapWeights) return;
  store_.BootstrapWeights = on;
  if (const auto written = WriteOptions(store_, OptionsPathBeside(settingsPath_)); !written) {
    ShowMessage(QStringLiteral("The choice of weights could not be saved for the next run. ") +
                Q(written.error().message));
  }
  // Means on the screen were made with the other weights: press it again.
  if (!Text[13]->text().isEmpty() || !precisionNotice_->text().isEmpty()) Command8_Click();
}

void FrmMain::ClearResult(int row) {
  Text[row]->clear();
  Text[row + 6]->clear();
  delivered_[row].reset();
  MarkBelowPrecision(row);
}

void FrmMain::SetUseInMean(int row, bool checked) { Check[row]->setChecked(checked); }

void FrmMain::ClearResultBoxes() {
  for (int k = 1; k <= 12; ++k) Text[k]->clear();
  delivered_.fill(std::nullopt);
  for (int row = 1; row <= 6; ++row) MarkBelowPrecision(row);
}

void FrmMain::ShowRuntimeError(int n) { ShowMessage(Q(RuntimeErrorMessage(n))); }

// --- Loading and the sign convention ------------------------------------------------

void FrmMain::mOpen_Click() {
  // The open window always comes up listing "*.csv", whatever was chosen last.
  frmOpen_->Combo1->setCurrentIndex(0);
  frmOpen_->ShowModeless();
  frmOpen_->Combo1->setCurrentIndex(1);
}

void FrmMain::mImport_Click() {
  const QString path = QFileDialog::getOpenFileName(
      this, QStringLiteral("Import"), Q(store_.DataDir),
      QStringLiteral("Light curves (*.csv *.txt *.tsv *.dat *.lc *.tbl *.xls *.fits *.fit);;All files (*)"));
  if (path.isEmpty()) return;
  frmImport_->OpenFile(path);
  frmImport_->show();
  frmImport_->raise();
}

void FrmMain::OpenOrImport(const QString& path) {
  const auto text = ReadWholeFile(QFile::encodeName(path).toStdString());
  auto scratch = std::make_unique<Store>();
  if (!text || ReadLightCurveText(*scratch, *text)) {
    // The open window reads it (or says why a file cannot be opened at all).
    frmOpen_->OpenPath(path);
    return;
  }
  frmImport_->OpenFile(path);
  frmImport_->show();
  frmImport_->raise();
}

void FrmMain::OfferImport(const QString& path) {
  // Only a file the importer reads is offered: the import window then shows
  // it with the importer's choices, ready to load.
  const std::string file = QFile::encodeName(path).toStdString();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec) || !import::ImportFile(file, {})) return;
  const QString question =
      QStringLiteral("Load File reads Vantor's own light-curve files. File > Import... reads "
                     "\"%1\" (tables of other layouts, series of any length). Open it there?")
          .arg(QFileInfo(path).fileName());
  if (!AskYesNo(question, QStringLiteral("Open in Import..."), QStringLiteral("No"))) return;
  frmImport_->OpenFile(path);
  frmImport_->show();
  frmImport_->raise();
}

void FrmMain::mSave_Click() {
  frmSaveAs_->Combo1->setCurrentIndex(1);
  frmSaveAs_->ShowModeless();
  frmSaveAs_->Combo1->setCurrentIndex(0);
}

// --- Results report and clipboard ----------------------------------------------------

ReportInput FrmMain::CurrentReport() const {
  ReportInput in;
  in.program = std::string("Vantor ") + kVersion;
  in.lightCurvePath = QFile::encodeName(lightCurvePath_).toStdString();
  in.binning = lightCurveBinning_;
  in.timeScale = LabelTimeScale->text().section(QStringLiteral(": "), 1).toStdString();
  if (const auto& imported = frmImport_->LoadedCurve(); lightCurveImported_ && imported) {
    DescribeImport(*imported, in);
  }
  for (int k = 1; k <= 6; ++k) {
    const auto& d = delivered_[k];
    in.rows[k] = ReportRow{Text[k]->text().toStdString(),
                           Text[k + 6]->text().toStdString(),
                           Check[k]->isChecked(),
                           d ? d->description : std::string(),
                           d ? d->points : 0,
                           d && d->deleted != store_.Deleted};
  }
  in.simpleMean = Text[13]->text().toStdString();
  in.weightedMean = Text[14]->text().toStdString();
  in.uncertainty = Text[15]->text().toStdString();
  in.stdDev = Text[16]->text().toStdString();
  // The bootstrap errors Tools > "Bootstrap errors..." made for the rows' results.
  for (int k = 1; k <= 6; ++k) {
    if (!delivered_[k]) continue;
    const auto* b = bootstrapFigures_.Current(
        store_, BootstrapSetup(delivered_[k]->setup, delivered_[k]->timing), kBootstrapMenuRuns);
    if (b == nullptr || !*b) continue;
    in.bootstrapErrors[k] = ResultText((*b)->error, store_.ResultDecimals);
    in.bootstrapRuns = kBootstrapMenuRuns;
  }
  if (meansBasis_ && !Text[13]->text().isEmpty()) {
    for (const int k : meansRows_) {
      const CombinationRow& r = (*meansBasis_)[k - 1];
      in.meansFrom.push_back(MeanSource{k, r.timeText, r.errorText});
    }
    const auto now = TableRows();
    for (int k = 0; k < 6; ++k) {
      const CombinationRow& a = now[k];
      const CombinationRow& b = (*meansBasis_)[k];
      if (a.timeText != b.timeText || a.errorText != b.errorText || a.checked != b.checked) {
        in.meansOutOfDate = true;
      }
    }
  }
  return in;
}

std::array<CombinationRow, 6> FrmMain::TableRows() const {
  std::array<CombinationRow, 6> rows{};
  for (int k = 1; k <= 6; ++k) {
    rows[k - 1] = CombinationRow{Text[k]->text().toStdString(), Text[k + 6]->text().toStdString(),
                                 Check[k]->isChecked()};
  }
  return rows;
}

void FrmMain::WriteReport() {
  // The save-as window has taken over the folder and the name; that stands
  // whether or not a report is written.
  if (lightCurvePath_.isEmpty()) {
    ShowMessage(QStringLiteral("No light curve is loaded: there are no results to save."));
    return;
  }
  const QString name = Q(store_.DataFileName);
  if (name.trimmed().isEmpty()) {
    ShowMessage(QStringLiteral("Type a file name for the report."));
    return;
  }
  const QString path = QDir::cleanPath(QDir(Q(store_.DataDir)).filePath(name));
  const QFileInfo target(path);
  if (target.isDir()) {
    ShowMessage(QStringLiteral("\"%1\" is a folder: type a file name for the report.").arg(path));
    return;
  }
  // The same file by device and inode: a hard link to the light curve too.
  if (target.exists() && SameFile(QFile::encodeName(path).toStdString(),
                                  QFile::encodeName(lightCurvePath_).toStdString())) {
    ShowMessage(
        QStringLiteral("\"%1\" is the light curve loaded: choose another name for the report.")
            .arg(path));
    return;
  }
  // Opened by the output-file rules before asking, so that a place they refuse
  // (a FIFO, a device, a read-only file) is said at once; answering No drops
  // the temporary file and leaves the old report as it was.
  auto out = OutputFile::Open(QFile::encodeName(path).toStdString(),
                              {QFile::encodeName(lightCurvePath_).toStdString()});
  const auto notSaved = [](const Error& e) {
    ShowMessage(QStringLiteral("The report was not saved. ") + QString::fromStdString(e.message));
  };
  if (!out) {
    notSaved(out.error());
    return;
  }
  if (target.exists() &&
      !AskYesNo(QStringLiteral("\"%1\" already exists. Replace it?").arg(path))) {
    return;
  }
  const std::string report =
      BuildReport(store_, CurrentReport(), ReportFormatFor(name.toStdString()));
  auto written = out->Write(report);
  if (written) written = out->Commit();
  if (!written) notSaved(written.error());
}

void FrmMain::mCopyResults_Click() {
  if (lightCurvePath_.isEmpty()) {
    ShowMessage(QStringLiteral("No light curve is loaded: there are no results to copy."));
    return;
  }
  QGuiApplication::clipboard()->setText(
      Q(BuildReport(store_, CurrentReport(), ReportFormat::Tabs)));
}

// --- Dropped files -------------------------------------------------------------------

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
  // Anything with file names may be dropped; the drop says why it refuses one.
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FrmMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (DropRefusal(urls).isEmpty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
  LoadDropped(urls);
}

void FrmMain::LoadDropped(const QList<QUrl>& urls) {
  const QString refusal = DropRefusal(urls);
  // Loading may show a message box: never inside the drag of the program the
  // file came from, which waits until the drop returns.
  QMetaObject::invokeMethod(
      this,
      [this, urls, refusal] {
        if (refusal.isEmpty()) {
          OpenOrImport(urls.front().toLocalFile());
        } else {
          ShowMessage(refusal);
        }
      },
      Qt::QueuedConnection);
}

void FrmMain::AfterLightCurveRead(const ReadResult& result) {
  if (!result) {
    // A refused file changes nothing; the message says which curve the
    // results and a report still belong to.
    const QString still = lightCurvePath_.isEmpty()
                              ? QStringLiteral("No light curve is loaded.")
                              : QStringLiteral("The light curve loaded is still %1.")
                                    .arg(QFileInfo(lightCurvePath_).fileName());
    ShowMessage(Q(result.error().message) + QStringLiteral("\n\n") + still);
    return;
  }
  setWindowTitle(QStringLiteral("Vantor - ") + Q(store_.DataFileName) +
                 (importedBinning_.empty() ? QString() : QStringLiteral(" (binned)")));
  lightCurvePath_ = QDir::cleanPath(Q(store_.DataFilePath));
  lightCurveBinning_ = importedBinning_;
  frmPlotData_->Drawing().Cls();
  frmPlotData_->hide();
  for (int k = 1; k <= 6; ++k) Check[k]->setChecked(false);
  for (int k = 13; k <= 16; ++k) Text[k]->clear();
  meansBasis_.reset();
  Label[17]->setText(Q(IntText(store_.NPointsAll)));
  Label[18]->setText(Q(IntText(store_.NPoints)));
  LabelTimeScale->setText(QStringLiteral("Time scale: ") +
                          Q(importedScale_ ? *importedScale_ : ScaleOfOriginalFile(store_.DataFilePath)));
  // Selecting the option by program must not run the sign change again.
  const QSignalBlocker block(Option1[0]->group());
  Option1[0]->setChecked(true);
  // Each method window forgets what it kept of the previous curve.
  const std::array<PlotForm*, 5> plots{frmPlott1_.get(), frmPlott2_.get(), frmPlott3_.get(),
                                       frmPlott4_.get(), frmPlott5_.get()};
  for (PlotForm* w : plots) w->LightCurveLoaded();
  // The figures name the curve and its times' scale.
  const std::string scale = LabelTimeScale->text().section(QStringLiteral(": "), 1).toStdString();
  for (PlotForm* w : plots) w->SetLightCurve(store_.DataFileName, scale);
  frmPlotData_->SetLightCurve(store_.DataFileName, scale);
  lightCurveImported_ = importedScale_.has_value() && !loadingSeriesWindow_;
  if (!loadingSeriesWindow_) KeepSeriesSource();
}

void FrmMain::Option1_Click(int index) {
  if (index < 0 || index > 1) return;
  ApplyMagSign(store_, index);
  Label[18]->setText(Q(IntText(store_.NPoints)));
  // An open point editor would otherwise show the old magnitudes while its
  // clicks are matched against the new ones.
  if (frmPlotData_->isVisible()) frmPlotData_->ClearAndRedraw();
}

// --- Method buttons --------------------------------------------------------------

void FrmMain::Command1_Click() {
  if (!Loaded()) return;
  store_.PlotFirst = 1;
  store_.PlotLast = store_.NPoints;
  frmPlott1_->GoFromMain();
}

void FrmMain::Command2_Click() {
  if (!Loaded()) return;
  frmPlott2_->GoFromMain();
}

void FrmMain::Command3_Click() {
  if (!Loaded()) return;
  store_.PlotFirst = 1;
  store_.PlotLast = store_.NPoints;
  frmPlott3_->GoFromMain();
}

void FrmMain::Command4_Click() {
  if (!Loaded()) return;
  store_.PlotFirst = 1;
  store_.PlotLast = store_.NPoints;
  frmPlott4_->GoFromMain();
}

void FrmMain::Command5_Click() {
  if (!Loaded()) return;
  store_.PlotFirst = 1;
  store_.PlotLast = store_.NPoints;
  frmPlott5_->GoFromMain();
}

void FrmMain::Command6_Click() {
  if (!Loaded()) return;
  // The computation refuses what it cannot time with a message of its own;
  // anything unexpected is reported through the error-text table.
  try {
    const SlidingSetup setup;
    const auto timing = TimeMethod(store_, setup);
    if (!timing) {
      ShowMessage(Q(timing.error().message));
      return;
    }
    DeliverResult(6, *timing, setup);
  } catch (const std::bad_alloc&) {
    ShowRuntimeError(7);
  } catch (const std::out_of_range&) {
    ShowRuntimeError(9);
  } catch (const std::overflow_error&) {
    ShowRuntimeError(6);
  } catch (const std::exception& e) {
    ShowMessage(QStringLiteral("Sliding integrations failed: ") + QString::fromLocal8Bit(e.what()));
  }
}

void FrmMain::Command7_Click() {
  if (!Loaded()) return;
  frmPlotData_->ShowModeless();
  frmPlotData_->Redraw();
}

std::optional<std::array<BootstrapWeight, 6>> FrmMain::BootstrapWeightsOf(
    const std::array<CombinationRow, 6>& rows) {
  std::array<BootstrapWeight, 6> weights{};
  std::array<std::optional<MethodSetup>, 7> setupOf{};
  std::vector<MethodSetup> missing;
  for (int k = 1; k <= 6; ++k) {
    if (!rows[k - 1].checked) continue;
    if (!delivered_[k]) {
      weights[k - 1].whyNone = "typed into the row";
      continue;
    }
    setupOf[k] = BootstrapSetup(delivered_[k]->setup, delivered_[k]->timing);
    if (!bootstrapFigures_.Current(store_, *setupOf[k], kBootstrapMenuRuns)) {
      missing.push_back(*setupOf[k]);
    }
  }
  if (!missing.empty() && !BootstrapWithProgress(missing)) return std::nullopt;
  for (int k = 1; k <= 6; ++k) {
    if (!setupOf[k]) continue;
    const auto* b = bootstrapFigures_.Current(store_, *setupOf[k], kBootstrapMenuRuns);
    if (b != nullptr && *b) {
      weights[k - 1].error = (*b)->error;
    } else if (b != nullptr) {
      weights[k - 1].whyNone = b->error().message;
    }
  }
  return weights;
}

void FrmMain::ShowMeansNotice(const Combination& c) {
  // A row left out for an error that shows as zero is said, never dropped silently.
  QStringList notice;
  for (const int k : c.belowPrecisionRows) {
    notice << QStringLiteral("%1: not used, %2")
                  .arg(QString::fromLatin1(MethodTitle(k)), QString::fromUtf8(kBelowPrecisionNotice));
  }
  if (!c.weightsNote.empty()) notice << Q(c.weightsNote);
  precisionNotice_->setText(notice.join(QLatin1Char('\n')));
  // A notice of several lines: the window grows to show all of it.
  if (const int missing = precisionNotice_->heightForWidth(precisionNotice_->width()) -
                          precisionNotice_->height();
      missing > 0) {
    resize(width(), height() + missing);
  }
}

void FrmMain::Command8_Click() {
  if (!Loaded()) return;
  std::array<CombinationRow, 6> rows = TableRows();
  Combination c = CombineMinima(rows, store_.ResultDecimals);
  // A typed time or error that is no number to combine: said, nothing changes.
  if (!c.refusal.empty()) {
    ShowMessage(Q(c.refusal));
    return;
  }
  if (store_.BootstrapWeights) {
    const auto weights = BootstrapWeightsOf(rows);
    if (!weights) return;  // cancelled: nothing changes
    c = CombineWithBootstrapWeights(rows, *weights, kBootstrapMenuRuns, store_.ResultDecimals);
  }
  for (int k = 1; k <= 6; ++k) Check[k]->setChecked(c.checkedAfter[k - 1]);
  ShowMeansNotice(c);
  if (!c.computed) return;
  for (int k = 0; k < 6; ++k) rows[k].checked = c.checkedAfter[k];
  meansBasis_ = rows;
  meansRows_ = c.usedRows;
  Text[13]->setText(Q(c.simpleMeanText));
  Text[14]->setText(Q(c.weightedMeanText));
  Text[15]->setText(Q(c.uncertaintyText));
  Text[16]->setText(Q(c.stdDevText));
  ShowAdopted(c);
}

void FrmMain::ShowAdopted(const Combination& c) {
  // The delivered rows the means used, each on the points it was computed on.
  const CurveView view = store_;
  const double noise = PointScatter(view);
  std::vector<MethodTimeInput> inputs;
  double floor = 0;
  for (const int k : c.usedRows) {
    const auto& d = delivered_[k];
    if (!d || Q(d->timing.timeText) != Text[k]->text()) continue;  // typed: not a method's
    if (d->deleted == store_.Deleted && d->points == store_.NPoints) {
      inputs.push_back(AdoptionInput(view, d->setup, d->timing, noise));
      if (k == 5) floor = NoiseFloorOf(d->timing, noise);
    } else {
      // Points deleted since: the method's own error, the fits not refitted.
      inputs.push_back(MethodTimeInput{MethodKey(k), d->timing.time,
                                       std::fabs(d->timing.minimum.error),
                                       k == 6 ? ErrorKind::NoiseFree
                                              : k == 2 ? ErrorKind::None : ErrorKind::Own});
    }
  }
  QStringList lines;
  if (const auto a = AdoptTime(inputs, floor)) {
    QStringList used;
    for (const std::string& m : a->methods) used << Q(m);
    lines << QStringLiteral("Adopted time %1 +- %2 d (%3 s), from %4: %5")
                 .arg(Q(ResultText(a->time, store_.ResultDecimals)),
                      Q(ResultText(a->error, store_.ResultDecimals)),
                      Q(FormatNumber(a->error * 86400, 'g', 3)),
                      used.join(QStringLiteral(", ")), Q(a->note));
  } else {
    lines << QStringLiteral("No adopted time: ") + Q(a.error().message);
  }
  // The standard error of the ticked times against the weighted mean's uncertainty.
  if (c.stdDev && c.n >= 2) {
    const double standardError = *c.stdDev / std::sqrt(static_cast<double>(c.n));
    if (c.uncertainty < standardError / 3) {
      lines << QStringLiteral(
                   "Note: the weighted mean's uncertainty (%1) is below a third of the standard "
                   "error of the ticked times (%2): their own errors claim more than their "
                   "agreement shows.")
                   .arg(Q(ResultText(c.uncertainty, store_.ResultDecimals)),
                        Q(ResultText(standardError, store_.ResultDecimals)));
    }
  }
  LabelAdopted->setText(lines.join(QLatin1Char('\n')));
  // The window grows to show the notice and the adopted time whole.
  int missing = 0;
  for (QLabel* label : {precisionNotice_, LabelAdopted}) {
    missing += std::max(0, label->heightForWidth(label->width()) - label->height());
  }
  if (missing > 0) resize(width(), height() + missing);
}

// --- Help ------------------------------------------------------------------------

void FrmMain::Help1_Click() { frmHelp_->ShowTopic(FrmHelp::Topic::Introduction); }
void FrmMain::Help2_Click() { frmHelp_->ShowTopic(FrmHelp::Topic::DataFiles); }
void FrmMain::mAbout_Click() { frmAbout_->ShowModeless(); }

// --- Bootstrap errors --------------------------------------------------------------

std::optional<std::vector<MethodResult<BootstrapResult>>> FrmMain::BootstrapWithProgress(
    const std::vector<MethodSetup>& setups) {
  QProgressDialog dialog(QStringLiteral("Running each method on %1 resampled light curves...")
                             .arg(kBootstrapMenuRuns),
                         QStringLiteral("Cancel"), 0, 1000, this);
  dialog.setObjectName(QStringLiteral("BootstrapProgress"));
  dialog.setWindowTitle(QStringLiteral("Bootstrap errors"));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(0);
  QElapsedTimer sinceEvents;
  sinceEvents.start();
  const auto progress = [&](long long done, long long total) {
    dialog.setValue(static_cast<int>(1000 * done / std::max(1LL, total)));
    // Keep the dialog (and its Cancel) answering between curves.
    if (sinceEvents.elapsed() >= 30) {
      QCoreApplication::processEvents();
      sinceEvents.restart();
    }
    return !dialog.wasCanceled();
  };
  auto results = BootstrapErrorsOfAll(store_, setups, kBootstrapMenuRuns, kBootstrapSeed, progress);
  if (results) {
    // Keep these figures together with the still-current ones of other setups.
    std::vector<MethodSetup> keptSetups = setups;
    std::vector<MethodResult<BootstrapResult>> kept = *results;
    for (int row = 1; row <= 6; ++row) {
      if (!delivered_[row]) continue;
      const MethodSetup setup = BootstrapSetup(delivered_[row]->setup, delivered_[row]->timing);
      if (std::find(keptSetups.begin(), keptSetups.end(), setup) != keptSetups.end()) continue;
      if (const auto* b = bootstrapFigures_.Current(store_, setup, kBootstrapMenuRuns)) {
        keptSetups.push_back(setup);
        kept.push_back(*b);
      }
    }
    bootstrapFigures_.Keep(store_, keptSetups, kept, kBootstrapMenuRuns);
  }
  return results;
}

void FrmMain::mBootstrap_Click() {
  if (!Loaded()) return;
  const Store& s = store_;
  std::vector<BootstrapLine> lines;
  // The delivered rows' own setups, as their methods delivered them (a
  // Fourier fit starts from the parameters it fitted), bootstrapped together
  // so that the smooth model is made once.
  std::vector<MethodSetup> setups;
  for (int row = 1; row <= 6; ++row) {
    if (Text[row]->text().isEmpty() || !delivered_[row]) continue;
    setups.push_back(BootstrapSetup(delivered_[row]->setup, delivered_[row]->timing));
  }
  const auto ran = BootstrapWithProgress(setups);
  if (!ran) return;  // cancelled: the bootstrap window keeps what it showed
  const auto& results = *ran;
  size_t next = 0;
  for (int row = 1; row <= 6; ++row) {
    if (Text[row]->text().isEmpty()) continue;
    BootstrapLine line{Label[row + 1]->text(), Text[row + 6]->text(), {}, {}, {}};
    if (!delivered_[row]) {
      line.note = QStringLiteral("No method delivered this result: it was typed into the row.");
    } else if (const auto& b = results[next++]; b) {
      line.bootstrapError = Q(ResultText(b->error, s.ResultDecimals));
      line.delivered = QStringLiteral("%1 of %2").arg(b->delivered).arg(kBootstrapMenuRuns);
      line.note = QStringLiteral("smooth span %1, residual RMS %2 mag")
                      .arg(b->span)
                      .arg(Q(FormatResult(b->residualRms, 14, 4)));
    } else {
      line.note = Q(b.error().message);
    }
    lines.push_back(std::move(line));
  }
  frmBootstrap_->ShowLines(lines, kBootstrapMenuRuns, kBootstrapSeed);
  frmBootstrap_->ShowModeless();
}

// --- Every eclipse of a series -------------------------------------------------------

void FrmMain::mSeries_Click() {
  if (!seriesSource_) {
    ShowMessage(
        QStringLiteral("Load a light curve first: the series window times every eclipse "
                       "in it."));
    return;
  }
  ShowSeriesSource();
  frmSeries_->ShowModeless();
}

void FrmMain::KeepSeriesSource() {
  SeriesSource source;
  source.path = lightCurvePath_;
  source.scale = LabelTimeScale->text().section(QStringLiteral(": "), 1);
  const auto& imported = frmImport_->LoadedCurve();
  if (lightCurveImported_ && imported) {
    // Every observation the import loaded, before it was binned to the store's points.
    source.time = imported->series.time;
    source.mag = imported->series.mag;
    source.path = QDir::cleanPath(QFile::decodeName(imported->path.c_str()));
  } else {
    for (int i = 1; i <= store_.NPointsAll; ++i) {
      source.time.push_back(store_.HjdRaw[i]);
      source.mag.push_back(store_.MagRaw[i]);
    }
  }
  // Named by the file it was read from: Save changes DataFileName to the report's name.
  source.name = QFileInfo(source.path).fileName();
  seriesSource_ = std::move(source);
  ++seriesGeneration_;
  if (frmSeries_->isVisible()) ShowSeriesSource();
}

void FrmMain::ShowSeriesSource() {
  if (!seriesSource_ || seriesShown_ == seriesGeneration_) return;
  const SeriesSource& s = *seriesSource_;
  frmSeries_->SetSeries(s.time, s.mag, s.name, s.scale, s.path);
  seriesShown_ = seriesGeneration_;
}

void FrmMain::LoadSeriesWindow(const std::vector<double>& time, const std::vector<double>& mag,
                               const std::string& name) {
  const ReadResult result = LoadObservations(store_, time, mag);
  if (result) {
    store_.DataFileName = name;
    store_.DataFilePath = name;
    ClearResultBoxes();
  }
  // The series window keeps its series: this is one eclipse of it.
  loadingSeriesWindow_ = true;
  AfterLightCurveRead(result);
  loadingSeriesWindow_ = false;
}

// --- Shut-down ---------------------------------------------------------------------

void FrmMain::mExit_Click() { ShutDown(); }

void FrmMain::Form_Unload() { ShutDown(); }

void FrmMain::ShutDown() {
  if (shuttingDown_) return;
  shuttingDown_ = true;
  if (const auto written = WriteSettings(store_, settingsPath_); !written) {
    ShowMessage(QStringLiteral("The window positions could not be saved. ") +
                Q(written.error().message));
  }
  // Every window closes at once, without further events to the program.
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this) w->hide();
  }
  hide();
  endProgram_();
}

}  // namespace vantor
