// Tests of frmMain: start-up and shut-down with the settings file, buttons
// before a file is loaded, loading through the open window (accepted and
// refused files), the sign convention, the method buttons and their windows,
// sliding integrations, "Calc. Means", the geometry records of the plot
// windows, the keyboard shortcuts, and loading a file named at start-up or
// dropped on the window.
#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <memory>

#include "core/format.h"
#include "core/settings.h"
#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_help.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");
const QString kTestData = QStringLiteral(VANTOR_TEST_DATA_DIR);

}  // namespace

class FrmMainTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    settings_ = dir_->filePath(QStringLiteral("zzzvnt.ini")).toStdString();
    store_ = std::make_unique<Store>();
    ended_ = 0;
    main_ = std::make_unique<FrmMain>(*store_, settings_, [this] { ++ended_; });
    main_->ShowModeless();
    messages_ = std::make_unique<MessageRecorder>();
    // A refused file the importer reads is offered to File > Import...: declined here.
    questions_ = std::make_unique<QuestionAnswerer>(false);
  }

  void cleanup() {
    questions_.reset();
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void startsWithDefaultsAndWritesTheSettingsAtExit() {
    QVERIFY(!QFile::exists(QString::fromStdString(settings_)));
    QCOMPARE(store_->Plott5Width, int16_t{8800});
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor"));
    main_->Command10_Click();
    QCOMPARE(ended_, 1);
    QFile f(QString::fromStdString(settings_));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().toStdString(), SettingsText(Store{}));
  }

  void closingTheWindowAlsoWritesTheSettings() {
    store_->Plott5Left = 1234;
    main_->close();
    QCOMPARE(ended_, 1);
    Store back;
    QVERIFY(ReadSettings(back, settings_));
    QCOMPARE(back.Plott5Left, int16_t{1234});
  }

  void settingsThatCannotBeWrittenAreReportedOnceAndTheProgramEnds() {
    QDir().mkpath(QString::fromStdString(settings_));  // the settings path is a folder
    main_->mExit_Click();
    main_->Command10_Click();
    QCOMPARE(ended_, 1);
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(messages_->Texts()[0].startsWith(QStringLiteral("The window positions could not be saved.")));
  }

  void buttonsBeforeLoadingChangeNothing() {
    for (int k : {1, 2, 3, 4, 5, 6, 7, 8}) QTest::mouseClick(main_->Command[k], Qt::LeftButton);
    for (int k = 1; k <= 16; ++k) QVERIFY(main_->Text[k]->text().isEmpty());
    QVERIFY(!main_->frmPlott1().isVisible());
    QVERIFY(!main_->frmPlott2().isVisible());
    QVERIFY(!main_->frmPlotData().isVisible());
    QVERIFY(messages_->Texts().isEmpty());
  }

  void openWindowComesUpOnCsvWhateverWasChosenLast() {
    main_->mOpen_Click();
    QCOMPARE(main_->frmOpen().Combo1->currentText(), QStringLiteral("*.csv"));
    main_->frmOpen().Combo1->setCurrentIndex(2);
    main_->frmOpen().hide();
    QTest::mouseClick(main_->Command[9], Qt::LeftButton);
    QVERIFY(main_->frmOpen().isVisible());
    QCOMPARE(main_->frmOpen().Combo1->currentText(), QStringLiteral("*.csv"));
    main_->mSave_Click();
    QCOMPARE(main_->frmSaveAs().Combo1->currentText(), QStringLiteral("*.txt"));
  }

  void loadingSetsTheWindowAsAfterAFreshRead() {
    // Leave traces of an earlier state first.
    main_->Text[3]->setText("x");
    main_->Text[14]->setText("y");
    main_->Check[2]->setChecked(true);
    main_->Option1[1]->setChecked(true);
    Load(kExamples, "eclipse_header.csv");
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_header.csv"));
    QVERIFY(main_->Option1[0]->isChecked());
    for (int k = 1; k <= 6; ++k) QVERIFY(!main_->Check[k]->isChecked());
    for (int k = 1; k <= 16; ++k) QVERIFY2(main_->Text[k]->text().isEmpty(), qPrintable(QString::number(k)));
    QCOMPARE(main_->Label[17]->text(), QStringLiteral("60"));
    QCOMPARE(main_->Label[18]->text(), QStringLiteral("60"));
    QVERIFY(!main_->frmOpen().isVisible());
  }

  void refusedFileShowsItsMessageAndKeepsTheLoadedCurve() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command6_Click();
    const QString sliding = main_->Text[6]->text();
    QVERIFY(!sliding.isEmpty());
    main_->Command2_Click();
    main_->Command8_Click();
    const QString mean = main_->Text[13]->text();
    QVERIFY(!mean.isEmpty());
    main_->Check[2]->setChecked(false);
    const Store before = *store_;
    messages_->Clear();
    for (const char* bad : {"no_comma.csv", "not_a_number.csv", "too_many.csv", "out_of_order.csv",
                            "field_count_changes.csv", "nan_value.csv"}) {
      Load(kTestData, bad);
      QCOMPARE(messages_->Texts().size(), 1);
      QVERIFY2(messages_->Texts()[0].endsWith(
                   QStringLiteral("\n\nThe light curve loaded is still eclipse_header.csv.")),
               qPrintable(messages_->Texts()[0]));
      messages_->Clear();
      // A refused file changes nothing: names, results, ticks and means stay.
      QVERIFY2(*store_ == before, bad);
      QCOMPARE(main_->Text[6]->text(), sliding);
      QVERIFY(!main_->Text[2]->text().isEmpty());
      QVERIFY(main_->Check[6]->isChecked() && !main_->Check[2]->isChecked());
      QCOMPARE(main_->Text[13]->text(), mean);
      QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_header.csv"));
      QCOMPARE(main_->Label[17]->text(), QStringLiteral("60"));
      QVERIFY(main_->frmPlott2().isVisible());
    }
    // The methods still work on the curve that stayed.
    main_->Command6_Click();
    QCOMPARE(main_->Text[6]->text(), sliding);
  }

  void refusedFirstFileLeavesTheButtonsQuiet() {
    Load(kTestData, "no_comma.csv");
    messages_->Clear();
    main_->Command1_Click();
    main_->Command6_Click();
    main_->Command8_Click();
    QVERIFY(!main_->frmPlott1().isVisible());
    QVERIFY(main_->Text[6]->text().isEmpty());
    QVERIFY(messages_->Texts().isEmpty());
  }

  void invertedCurveIsRefusedByEveryMethod() {
    Load(kExamples, "eclipse_header.csv");
    QTest::mouseClick(main_->Option1[1], Qt::LeftButton);
    QCOMPARE(store_->MagSign, int16_t{-1});
    for (int k = 1; k <= 6; ++k) main_->Command[k]->click();
    QCOMPARE(messages_->Texts().size(), 6);
    for (const QString& t : messages_->Texts()) {
      QCOMPARE(t, QStringLiteral("Please change C-V to V-C or the reverse."));
    }
    QVERIFY(!main_->frmPlott1().isVisible());
    QVERIFY(!main_->frmPlott5().isVisible());
    QVERIFY(main_->frmPlott1().Drawing().Primitives().empty());
    for (int k = 1; k <= 12; ++k) QVERIFY(main_->Text[k]->text().isEmpty());
  }

  void goButtonsShowTheirWindowsDrawnWithTheirControlRows() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command1_Click();
    QVERIFY(main_->frmPlott1().isVisible());
    QCOMPARE(store_->PlotFirst, int16_t{1});
    QCOMPARE(store_->PlotLast, int16_t{60});
    QCOMPARE(main_->frmPlott1().Drawing().Count(Primitive::Kind::Disc, kRed), 60);
    QCOMPARE(main_->frmPlott1().windowTitle(),
             QStringLiteral("Fit Parabola - LEFT-CLICK AT START (left end) OF RANGE."));
    // The tracing paper delivers its fold at once.
    main_->Command2_Click();
    QVERIFY(main_->frmPlott2().isVisible());
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459812.42950"));
    QCOMPARE(main_->Text[8]->text(), QStringLiteral("0.0001"));
    QVERIFY(main_->Check[2]->isChecked());
    main_->Command5_Click();
    QCOMPARE(main_->frmPlott5().Text1[3]->text().trimmed(), QStringLiteral("20.72607"));
    main_->Command7_Click();
    QVERIFY(main_->frmPlotData().isVisible());
    QCOMPARE(main_->frmPlotData().Drawing().BackColor(), kWhite);
  }

  void everyControlLiesInsideItsWindowAtTheDefaultSize() {
    Load(kExamples, "eclipse_header.csv");
    const std::pair<void (FrmMain::*)(), PlotForm*> windows[] = {
        {&FrmMain::Command1_Click, &main_->frmPlott1()}, {&FrmMain::Command2_Click, &main_->frmPlott2()},
        {&FrmMain::Command3_Click, &main_->frmPlott3()}, {&FrmMain::Command4_Click, &main_->frmPlott4()},
        {&FrmMain::Command5_Click, &main_->frmPlott5()}, {&FrmMain::Command7_Click, &main_->frmPlotData()},
    };
    for (const auto& [go, w] : windows) {
      (main_.get()->*go)();
      QVERIFY(w->isVisible());
      QCoreApplication::processEvents();
      const QRect inside = w->rect();
      for (QWidget* c : w->Drawing().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!c->isVisible()) continue;
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        QVERIFY2(inside.contains(r), qPrintable(w->objectName() + QLatin1Char(' ') + c->objectName() +
                                                QStringLiteral(" at %1..%2 of %3")
                                                    .arg(r.left())
                                                    .arg(r.right())
                                                    .arg(inside.width())));
      }
    }
  }

  void plotWindowsKeepTheirGeometryRecords() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command3_Click();
    FrmPlott3& w = main_->frmPlott3();
    QCOMPARE(w.Width(), int16_t{7800});
    w.SetWidth(8000);  // a resize by the user
    QVERIFY(std::abs(store_->Plott3Width - 8000) <= 15);
    // The handler made the window one unit smaller once, not again and again.
    QVERIFY(std::abs(store_->Plott3Height - 5400) <= 30);
    w.SetLeft(2000);
    w.close();
    QVERIFY(std::abs(store_->Plott3Left - 2000) <= 15);
    main_->mExit_Click();
    Store back;
    QVERIFY(ReadSettings(back, settings_));
    QCOMPARE(back.Plott3Left, store_->Plott3Left);
    QCOMPARE(back.Plott3Width, store_->Plott3Width);
  }

  void movedWindowIsWrittenAtExitWithoutAResizeOrClose() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command5_Click();
    FrmPlott5& w = main_->frmPlott5();
    QVERIFY(w.isVisible());
    const int16_t width = w.Width(), height = w.Height();
    w.SetLeft(1500);
    w.SetTop(900);
    QCoreApplication::processEvents();
    main_->mExit_Click();  // hides the window, which stays loaded
    Store back;
    QVERIFY(ReadSettings(back, settings_));
    QVERIFY(std::abs(back.Plott5Left - 1500) <= 15);
    QVERIFY(std::abs(back.Plott5Top - 900) <= 15);
    QCOMPARE(back.Plott5Width, width);
    QCOMPARE(back.Plott5Height, height);
    QCOMPARE(back.Spare6Left, int16_t{8100});
  }

  void extremeRecordsGiveAUsableWindowOnTheScreenAndAreWrittenAsTheWindowWas() {
    Load(kExamples, "eclipse_header.csv");
    struct Case {
      int16_t left, top, width, height;
    };
    const Case cases[] = {{-32768, -32768, 60, 345}, {32767, 32767, 32767, 32767}, {8100, 5600, 1, 1}};
    for (const Case& c : cases) {
      main_->frmPlott1().close();  // the record is applied at the next load
      store_->Plott1Left = c.left;
      store_->Plott1Top = c.top;
      store_->Plott1Width = c.width;
      store_->Plott1Height = c.height;
      main_->Command1_Click();
      FrmPlott1& w = main_->frmPlott1();
      QVERIFY(w.isVisible());
      QCoreApplication::processEvents();
      const QRect screen = w.screen()->availableGeometry();
      const QRect frame = w.frameGeometry();
      QVERIFY2(screen.contains(frame), qPrintable(QStringLiteral("%1,%2").arg(c.left).arg(c.top)));
      QVERIFY(frame.width() >= 300 || frame.width() >= screen.width());
      QVERIFY(frame.height() >= 240 || frame.height() >= screen.height());
      // The record holds what the window has, not what was asked for.
      QCOMPARE(store_->Plott1Left, w.Left());
      QCOMPARE(store_->Plott1Top, w.Top());
      QVERIFY(std::abs(store_->Plott1Width - w.Width()) <= 15);
    }
    main_->mExit_Click();
    Store back;
    QVERIFY(ReadSettings(back, settings_));
    QCOMPARE(back.Plott1Left, store_->Plott1Left);
    QVERIFY(back.Plott1Width >= 4500 - 15);
  }

  void precisionOptionReshowsTheRowsAndIsKeptBesideTheSettings() {
    QVERIFY(main_->findChild<QAction*>(QStringLiteral("mDecimals5"))->isChecked());
    Load(kTestData, "real/testleft.csv");
    main_->Command6_Click();
    // Sliding integrations on this curve: an error that rounds to zero at 5 decimals.
    QCOMPARE(main_->Text[12]->text(), QStringLiteral("00"));
    const QString notice = QString::fromUtf8(kBelowPrecisionNotice);
    QCOMPARE(main_->Text[12]->toolTip(), notice);
    QTest::mouseClick(main_->Command[8], Qt::LeftButton);
    QVERIFY(!main_->Check[6]->isChecked());
    auto* below = main_->findChild<QLabel*>(QStringLiteral("LabelPrecision"));
    QCOMPARE(below->text(), QStringLiteral("6. Sliding Integrations: not used, ") + notice);

    main_->findChild<QAction*>(QStringLiteral("mDecimals7"))->trigger();
    QCOMPARE(store_->ResultDecimals, 7);
    QCOMPARE(main_->Text[6]->text().size(), QStringLiteral("58739.9291169").size());
    QVERIFY(main_->Text[12]->text() != QStringLiteral("00"));
    QVERIFY(main_->Text[12]->toolTip().isEmpty());
    main_->Check[6]->setChecked(true);
    QTest::mouseClick(main_->Command[8], Qt::LeftButton);
    QVERIFY(main_->Check[6]->isChecked());
    QVERIFY(below->text().isEmpty());
    QCOMPARE(main_->Text[14]->text(), main_->Text[6]->text());

    const QString options = dir_->filePath(QStringLiteral("vantor-options.ini"));
    QFile f(options);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("Decimals=7\r\n"));
    main_->mExit_Click();
    QFile ini(QString::fromStdString(settings_));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll().count('\n'), 7);
    // The next run starts at 7 decimals.
    Store again;
    FrmMain next(again, settings_, [] {});
    next.ShowModeless();
    QCOMPARE(again.ResultDecimals, 7);
    QVERIFY(next.findChild<QAction*>(QStringLiteral("mDecimals7"))->isChecked());
  }

  void slidingIntegrationsAndCalcMeans() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command6_Click();
    QCOMPARE(main_->Text[6]->text(), QStringLiteral("2459812.43169"));
    QVERIFY(main_->Check[6]->isChecked());
    // The two-method example: times 123.400 and 123.410, errors 0.001 and 0.002.
    for (int k = 1; k <= 6; ++k) {
      main_->Text[k]->clear();
      main_->Text[k + 6]->clear();
      main_->Check[k]->setChecked(false);
    }
    main_->Text[1]->setText("123.400");
    main_->Text[7]->setText("0.001");
    main_->Text[4]->setText("123.410");
    main_->Text[10]->setText("0.002");
    main_->Check[1]->setChecked(true);
    main_->Check[4]->setChecked(true);
    main_->Check[5]->setChecked(true);  // checked with an empty error: unchecked and ignored
    QTest::mouseClick(main_->Command[8], Qt::LeftButton);
    QCOMPARE(main_->Text[13]->text(), QStringLiteral("123.40500"));
    QCOMPARE(main_->Text[14]->text(), QStringLiteral("123.40200"));
    QCOMPARE(main_->Text[15]->text(), QStringLiteral("0.00089"));
    QCOMPARE(main_->Text[16]->text(), QStringLiteral("0.00707"));
    QVERIFY(!main_->Check[5]->isChecked());
    QVERIFY(main_->Check[1]->isChecked());
    // Typed rows are no method's result: no adopted time, but the note that
    // the uncertainty 0.00089 lies below a third of the standard error
    // 0.00707 / sqrt(2) = 0.005 of the two times.
    const QString adopted = main_->LabelAdopted->text();
    QVERIFY2(adopted.startsWith(QStringLiteral("No adopted time: ")), qPrintable(adopted));
    QVERIFY2(adopted.contains(QStringLiteral("uncertainty (0.00089) is below a third of the "
                                             "standard error of the ticked times (0.005)")),
             qPrintable(adopted));
    // Times that agree within their errors need no such note.
    main_->Text[4]->setText("123.401");
    QTest::mouseClick(main_->Command[8], Qt::LeftButton);
    QVERIFY(!main_->LabelAdopted->text().contains(QStringLiteral("Note:")));
  }

  // The example eclipse timed by the parabola and the Fourier fit on their
  // automatic ranges and by sliding integrations: the means keep all three,
  // the adopted time under them leaves sliding integrations out, and a new
  // load clears it with the means.
  void calcMeansShowsTheAdoptedTimeUnderTheMeans() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command1_Click();
    main_->frmPlott1().mAuto->trigger();
    QTest::mouseClick(main_->frmPlott1().Command1, Qt::LeftButton);
    main_->Command5_Click();
    main_->frmPlott5().mAuto->trigger();
    QTest::mouseClick(main_->frmPlott5().Command2, Qt::LeftButton);
    main_->Command6_Click();
    for (const int k : {1, 5, 6}) {
      QVERIFY2(!main_->Text[k]->text().isEmpty(), qPrintable(QString::number(k)));
    }
    QTest::mouseClick(main_->Command[8], Qt::LeftButton);
    QVERIFY(main_->Check[6]->isChecked());
    const QString adopted = main_->LabelAdopted->text();
    QVERIFY2(adopted.startsWith(QStringLiteral("Adopted time 2459812.43")), qPrintable(adopted));
    QVERIFY2(adopted.contains(QStringLiteral("from parabola, fourier: ")), qPrintable(adopted));
    QVERIFY2(adopted.contains(QStringLiteral("sliding left out")), qPrintable(adopted));
    // Within a few minutes of the weighted mean of the three.
    const double time = adopted.section(QLatin1Char(' '), 2, 2).toDouble();
    QVERIFY(std::fabs(time - main_->Text[14]->text().toDouble()) < 0.003);
    Load(kExamples, "eclipse_header.csv");
    QVERIFY(main_->LabelAdopted->text().isEmpty());
  }

  void runtimeErrorsShowTheirTableEntry() {
    FrmMain::ShowRuntimeError(9);
    FrmMain::ShowRuntimeError(1001);
    QCOMPARE(messages_->Texts().size(), 2);
    QCOMPARE(messages_->Texts()[0], QStringLiteral("Error 9: Subscript out of range."));
    QVERIFY(messages_->Texts()[1].contains(QStringLiteral("1001")));
  }

  void slidingRefusalIsShownAndWritesNothing() {
    // Two observations: too few points around the faintest one.
    QFile f(dir_->filePath("two.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1000.1,5.0\n1000.2,5.5\n1000.3,5.2\n1000.4,5.1\n");
    f.close();
    Load(dir_->path(), "two.csv");
    main_->Command6_Click();
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(main_->Text[6]->text().isEmpty());
    QVERIFY(!main_->Check[6]->isChecked());
  }

  void shortcutsRunTheirCommands() {
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QTest::keyClick(main_.get(), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(main_->frmOpen().isVisible());
    main_->frmOpen().hide();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QTest::keyClick(main_.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(main_->frmSaveAs().isVisible());
    main_->frmSaveAs().hide();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QTest::keyClick(main_.get(), Qt::Key_F1);
    QVERIFY(main_->frmHelp().isVisible());
    main_->frmHelp().hide();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QTest::keyClick(main_.get(), Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(ended_, 1);
    // Print in every plot window.
    for (QWidget* w : std::initializer_list<QWidget*>{&main_->frmPlott1(), &main_->frmPlott2(),
                                                      &main_->frmPlott3(), &main_->frmPlott4(),
                                                      &main_->frmPlott5(), &main_->frmPlotData()}) {
      auto* print = w->findChild<QAction*>(QStringLiteral("mPrint"));
      QVERIFY(print != nullptr);
      QCOMPARE(print->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    }
  }

  void openPathLoadsThroughTheOpenWindowsOk() {
    main_->Text[3]->setText("x");
    QVERIFY(main_->frmOpen().OpenPath(kExamples + QStringLiteral("/eclipse_header.csv")));
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_header.csv"));
    QCOMPARE(main_->Label[17]->text(), QStringLiteral("60"));
    QCOMPARE(main_->Label[18]->text(), QStringLiteral("60"));
    QVERIFY(main_->Text[3]->text().isEmpty());
    QCOMPARE(main_->frmOpen().Label4->text(), kExamples);
    QCOMPARE(main_->frmOpen().Text1->text(), QStringLiteral("eclipse_header.csv"));
    QVERIFY(messages_->Texts().isEmpty());

    // A folder that does not exist: a message, and the loaded curve stays.
    const Store before = *store_;
    QVERIFY(!main_->frmOpen().OpenPath(dir_->filePath("nowhere/a.csv")));
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(*store_ == before);
  }

  void droppedLightCurveLoadsAndOtherDropsAreRefused() {
    const QString curve = kExamples + QStringLiteral("/eclipse_header.csv");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(curve)});
    Drop(files);
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_header.csv"));
    QCOMPARE(main_->Label[17]->text(), QStringLiteral("60"));
    QVERIFY(messages_->Texts().isEmpty());

    const Store before = *store_;
    QFile picture(dir_->filePath("plot.png"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.close();
    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(picture.fileName())});
    Drop(other);
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(curve), QUrl::fromLocalFile(curve)});
    Drop(two);
    QCOMPARE(messages_->Texts().size(), 2);
    QVERIFY(messages_->Texts()[0].contains(QStringLiteral("plot.png")));
    QVERIFY(*store_ == before);
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_header.csv"));
  }

 private:
  void Load(const QString& folder, const QString& name) {
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(folder));
    main_->frmOpen().Text1->setText(name);
    main_->frmOpen().Command1_Click();
  }

  // Drags `data` onto the main window, drops it and lets the window take it.
  void Drop(const QMimeData& data) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main_.get(), &drop);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::string settings_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
  std::unique_ptr<QuestionAnswerer> questions_;
  int ended_ = 0;
};

VANTOR_QT_TEST_MAIN(FrmMainTest)
#include "frm_main_qtest.moc"
