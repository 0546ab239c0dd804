// frmMain: start-up, dispatch to the other windows, the result table, the
// combination, the results report, dropped files and shut-down.
#include "windows/frm_main.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMimeData>
#include <QVBoxLayout>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/combination.h"
#include "core/error_text.h"
#include "core/format.h"
#include "core/method_rows.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/textfile.h"
#include "methods/bootstrap.h"
#include "methods/sliding.h"
#include "toolkit/message.h"
#include "windows/frm_about.h"
#include "windows/frm_bootstrap.h"
#include "windows/frm_help.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/plot_windows.h"

namespace vantor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Returns why dropped `urls` cannot be loaded as a light curve, or an empty
// text when they are one local .csv or .txt file.
QString DropRefusal(const QList<QUrl>& urls) {
  const QString hint =
      QStringLiteral("Drop one light-curve file (.csv or .txt) on the window to load it.");
  if (urls.size() != 1 || !urls.front().isLocalFile()) return hint;
  const QFileInfo file(urls.front().toLocalFile());
  const QString suffix = file.suffix().toLower();
  if (file.isDir() || (suffix != QLatin1String("csv") && suffix != QLatin1String("txt"))) {
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
  frmPlott1_ = std::make_unique<FrmPlott1>(store_, *this, this);
  frmPlott2_ = std::make_unique<FrmPlott2>(store_, *this, this);
  frmPlott3_ = std::make_unique<FrmPlott3>(store_, *this, this);
  frmPlott4_ = std::make_unique<FrmPlott4>(store_, *this, this);
  frmPlott5_ = std::make_unique<FrmPlott5>(store_, *this, this);
  frmPlotData_ = std::make_unique<FrmPlotData>(store_, this);
  connect(frmOpen_.get(), &FrmOpen::lightCurveRead, this, &FrmMain::AfterLightCurveRead);
  connect(frmOpen_.get(), &FrmOpen::clearResults, this, &FrmMain::ClearResultBoxes);
  connect(frmSaveAs_.get(), &FrmSaveAs::accepted, this, &FrmMain::WriteReport);
  connect(frmPlotData_.get(), &FrmPlotData::workingSetRebuilt, this,
          [this](int nPoints) { Label[18]->setText(Q(IntText(nPoints))); });
}

FrmMain::~FrmMain() = default;

void FrmMain::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  BuildMenus(bar);
  outer->setMenuBar(bar);

  auto label = [this](int k, const QString& caption) {
    Label[k] = new QLabel(caption, this);
    Label[k]->setObjectName(QStringLiteral("Label%1").arg(k));
    return Label[k];
  };
  auto button = [this](int k, const QString& caption) {
    Command[k] = new QPushButton(caption, this);
    Command[k]->setObjectName(QStringLiteral("Command%1").arg(k));
    return Command[k];
  };
  auto box = [this](int k) {
    Text[k] = new QLineEdit(this);
    Text[k]->setObjectName(QStringLiteral("Text%1").arg(k));
    Text[k]->setMinimumWidth(130);
    // A file dropped on a box loads like one dropped on the window.
    Text[k]->setAcceptDrops(false);
    return Text[k];
  };

  label(1, QStringLiteral("Vantor ") + QString::fromLatin1(kVersion));
  QFont title = Label[1]->font();
  title.setPointSizeF(title.pointSizeF() * 1.5);
  title.setBold(true);
  Label[1]->setFont(title);
  outer->addWidget(Label[1]);

  auto* body = new QHBoxLayout;
  outer->addLayout(body);

  // The six method rows.
  auto* grid = new QGridLayout;
  body->addLayout(grid, 3);
  grid->addWidget(label(8, QStringLiteral("Time of Minimum")), 0, 2);
  grid->addWidget(label(9, QStringLiteral("Est'd Error")), 0, 3);
  grid->addWidget(label(13, QStringLiteral("Use in Mean?")), 0, 4);
  for (int k = 1; k <= 6; ++k) {
    grid->addWidget(label(k + 1, QString::fromLatin1(MethodTitle(k))), k, 0);
    grid->addWidget(button(k, QStringLiteral("Go")), k, 1);
    grid->addWidget(box(k), k, 2);
    grid->addWidget(box(k + 6), k, 3);
    Check[k] = new QCheckBox(QStringLiteral("In"), this);
    Check[k]->setObjectName(QStringLiteral("Check%1").arg(k));
    grid->addWidget(Check[k], k, 4);
  }
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  grid->addWidget(rule, 7, 0, 1, 5);
  grid->addWidget(button(8, QStringLiteral("Calc. Means")), 8, 1);
  grid->addWidget(label(10, QStringLiteral("Simple Mean")), 9, 0);
  grid->addWidget(box(13), 9, 2);
  grid->addWidget(label(11, QStringLiteral("Weighted Mean")), 10, 0);
  grid->addWidget(box(14), 10, 2);
  grid->addWidget(label(12, QStringLiteral("Weighted Mean uncertainty")), 11, 0);
  grid->addWidget(box(15), 11, 2);
  grid->addWidget(label(14, QStringLiteral("Std. Deviation of Means")), 12, 0);
  grid->addWidget(box(16), 12, 2);

  // The data panel: counts, sign convention, loading and editing.
  auto* side = new QVBoxLayout;
  body->addSpacing(16);
  body->addLayout(side, 1);
  auto* counts = new QGridLayout;
  side->addLayout(counts);
  counts->addWidget(label(15, QStringLiteral("Original # data points")), 0, 0);
  counts->addWidget(label(17, QString()), 0, 1);
  counts->addWidget(label(16, QStringLiteral("Edited # data points")), 1, 0);
  counts->addWidget(label(18, QString()), 1, 1);
  auto* group = new QButtonGroup(this);
  Option1[0] = new QRadioButton(QStringLiteral("+Mags (V-C)"), this);
  Option1[1] = new QRadioButton(QStringLiteral("--Mags (C-V)"), this);
  for (int i = 0; i < 2; ++i) {
    Option1[i]->setObjectName(QStringLiteral("Option1(%1)").arg(i));
    group->addButton(Option1[i], i);
    side->addWidget(Option1[i]);
  }
  Option1[0]->setChecked(true);
  side->addSpacing(8);
  side->addWidget(button(9, QStringLiteral("Load File")));
  side->addWidget(button(7, QStringLiteral("Plot/Edit Data")));
  side->addStretch(1);
  side->addWidget(button(10, QStringLiteral("Exit")));

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
  QMenu* file = bar->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("mFile"));
  QAction* open = file->addAction(QStringLiteral("Open"));
  open->setObjectName(QStringLiteral("mOpen"));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* save = file->addAction(QStringLiteral("Save"));
  save->setObjectName(QStringLiteral("mSave"));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  QAction* copy = file->addAction(QStringLiteral("Copy results"));
  copy->setObjectName(QStringLiteral("mCopyResults"));
  file->addSeparator();
  QAction* exit = file->addAction(QStringLiteral("Exit"));
  exit->setObjectName(QStringLiteral("mExit"));
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
  tools->setObjectName(QStringLiteral("mTools"));
  QAction* bootstrap = tools->addAction(QStringLiteral("Bootstrap errors..."));
  bootstrap->setObjectName(QStringLiteral("mBootstrap"));
  connect(bootstrap, &QAction::triggered, this, &FrmMain::mBootstrap_Click);
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
  connect(open, &QAction::triggered, this, &FrmMain::mOpen_Click);
  connect(save, &QAction::triggered, this, &FrmMain::mSave_Click);
  connect(copy, &QAction::triggered, this, &FrmMain::mCopyResults_Click);
  connect(exit, &QAction::triggered, this, &FrmMain::mExit_Click);
  connect(help1, &QAction::triggered, this, &FrmMain::Help1_Click);
  connect(help2, &QAction::triggered, this, &FrmMain::Help2_Click);
  connect(about, &QAction::triggered, this, &FrmMain::mAbout_Click);
}

void FrmMain::Form_Load() {
  // The error-text table is built on first use; the settings file gives the
  // geometry of the plot windows (all defaults on any failure).
  ReadSettings(store_, settingsPath_);
  frmOpen_->Prepare();
  frmSaveAs_->Prepare();
  for (int j = 1; j <= 8; ++j) store_.FitList[j] = static_cast<int16_t>(j);
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
  delivered_[row] = DeliveredRow{timing, setup, DescribeSetup(store_, setup)};
}

void FrmMain::ClearResult(int row) {
  Text[row]->clear();
  Text[row + 6]->clear();
  delivered_[row].reset();
}

void FrmMain::SetUseInMean(int row, bool checked) { Check[row]->setChecked(checked); }

void FrmMain::ClearResultBoxes() {
  for (int k = 1; k <= 12; ++k) Text[k]->clear();
  delivered_.fill(std::nullopt);
}

void FrmMain::ShowRuntimeError(int n) { ShowMessage(Q(RuntimeErrorMessage(n))); }

// --- Loading and the sign convention ------------------------------------------------

void FrmMain::mOpen_Click() {
  // The open window always comes up listing "*.csv", whatever was chosen last.
  frmOpen_->Combo1->setCurrentIndex(0);
  frmOpen_->ShowModeless();
  frmOpen_->Combo1->setCurrentIndex(1);
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
  for (int k = 1; k <= 6; ++k) {
    in.rows[k] = ReportRow{Text[k]->text().toStdString(), Text[k + 6]->text().toStdString(),
                           Check[k]->isChecked(),
                           delivered_[k] ? delivered_[k]->description : std::string()};
  }
  in.simpleMean = Text[13]->text().toStdString();
  in.weightedMean = Text[14]->text().toStdString();
  in.uncertainty = Text[15]->text().toStdString();
  in.stdDev = Text[16]->text().toStdString();
  return in;
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
  if (target.exists() &&
      !AskYesNo(QStringLiteral("\"%1\" already exists. Replace it?").arg(path))) {
    return;
  }
  const std::string report =
      BuildReport(store_, CurrentReport(), ReportFormatFor(name.toStdString()));
  if (const auto written = WriteFileAtomically(QFile::encodeName(path).toStdString(), report);
      !written) {
    ShowMessage(QStringLiteral("The report was not saved. ") +
                QString::fromLocal8Bit(written.error().message.c_str()));
  }
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
  const QString refusal = DropRefusal(urls);
  if (refusal.isEmpty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
  // Loading may show a message box: never inside the drag of the program the
  // file came from, which waits until the drop returns.
  QMetaObject::invokeMethod(
      this,
      [this, urls, refusal] {
        if (refusal.isEmpty()) {
          frmOpen_->OpenPath(urls.front().toLocalFile());
        } else {
          ShowMessage(refusal);
        }
      },
      Qt::QueuedConnection);
}

void FrmMain::AfterLightCurveRead(const ReadResult& result) {
  if (!result) {
    ShowMessage(Q(result.error().message));
    return;
  }
  setWindowTitle(QStringLiteral("Vantor - ") + Q(store_.DataFileName));
  lightCurvePath_ = QDir::cleanPath(Q(store_.DataFilePath));
  frmPlotData_->Drawing().Cls();
  frmPlotData_->hide();
  for (int k = 1; k <= 6; ++k) Check[k]->setChecked(false);
  for (int k = 13; k <= 16; ++k) Text[k]->clear();
  Label[17]->setText(Q(IntText(store_.NPointsAll)));
  Label[18]->setText(Q(IntText(store_.NPoints)));
  // Selecting the option by program must not run the sign change again.
  const QSignalBlocker block(Option1[0]->group());
  Option1[0]->setChecked(true);
  // Each method window forgets what it kept of the previous curve.
  const std::array<PlotForm*, 5> plots{frmPlott1_.get(), frmPlott2_.get(), frmPlott3_.get(),
                                       frmPlott4_.get(), frmPlott5_.get()};
  for (PlotForm* w : plots) w->LightCurveLoaded();
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

void FrmMain::Command8_Click() {
  if (!Loaded()) return;
  std::array<CombinationRow, 6> rows{};
  for (int k = 1; k <= 6; ++k) {
    rows[k - 1] = CombinationRow{Text[k]->text().toStdString(), Text[k + 6]->text().toStdString(),
                                 Check[k]->isChecked()};
  }
  const Combination c = CombineMinima(rows);
  for (int k = 1; k <= 6; ++k) Check[k]->setChecked(c.checkedAfter[k - 1]);
  if (!c.computed) return;
  Text[13]->setText(Q(c.simpleMeanText));
  Text[14]->setText(Q(c.weightedMeanText));
  Text[15]->setText(Q(c.uncertaintyText));
  Text[16]->setText(Q(c.stdDevText));
}

// --- Help ------------------------------------------------------------------------

void FrmMain::Help1_Click() { frmHelp_->ShowTopic(FrmHelp::Topic::Introduction); }
void FrmMain::Help2_Click() { frmHelp_->ShowTopic(FrmHelp::Topic::DataFiles); }
void FrmMain::mAbout_Click() { frmAbout_->ShowModeless(); }

// --- Bootstrap errors --------------------------------------------------------------

void FrmMain::mBootstrap_Click() {
  if (!Loaded()) return;
  const Store& s = store_;
  std::vector<BootstrapLine> lines;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (int row = 1; row <= 6; ++row) {
    if (Text[row]->text().isEmpty()) continue;
    BootstrapLine line{Label[row + 1]->text(), Text[row + 6]->text(), {}, {}, {}};
    // The row's own setup, as its method delivered it; a Fourier fit starts
    // from the parameters it fitted.
    if (!delivered_[row]) {
      line.note = QStringLiteral("No method delivered this result: it was typed into the row.");
    } else if (const auto b = BootstrapErrors(
                   s, BootstrapSetup(delivered_[row]->setup, delivered_[row]->timing),
                   kBootstrapMenuRuns);
               b) {
      line.bootstrapError = Q(FormatResult(b->error));
      line.delivered = QStringLiteral("%1 of %2").arg(b->delivered).arg(kBootstrapMenuRuns);
      line.note = QStringLiteral("smooth span %1, residual RMS %2 mag")
                      .arg(b->span)
                      .arg(Q(FormatResult(b->residualRms, 14, 4)));
    } else {
      line.note = Q(b.error().message);
    }
    lines.push_back(std::move(line));
  }
  QApplication::restoreOverrideCursor();
  frmBootstrap_->ShowLines(lines, kBootstrapMenuRuns, kBootstrapSeed);
  frmBootstrap_->ShowModeless();
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
