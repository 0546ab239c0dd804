// Tests of the main window's Tools > "Bootstrap errors..." with the example
// eclipse: after a parabolic fit and sliding integrations the window lists
// both rows with their own errors beside the errors BootstrapErrors gives for
// the same ranges, the same on a second run; rows without a result are left
// out. The progress dialog's Cancel, and "Calc. Means" weighted by bootstrap
// errors.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "core/combination.h"
#include "core/format.h"
#include "core/store.h"
#include "methods/bootstrap.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_bootstrap.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");
QString Q(const std::string& s) { return QString::fromStdString(s); }

// Counts the progress dialogs shown while it exists.
class ShowCounter : public QObject {
 public:
  explicit ShowCounter(int& shown) : shown_(shown) { qApp->installEventFilter(this); }
  ~ShowCounter() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched) != nullptr) {
      ++shown_;
    }
    return false;
  }

 private:
  int& shown_;
};

}  // namespace

class BootstrapTest : public QObject {
  Q_OBJECT

 private slots:
  void parabolaAndSlidingRowsGetReproducibleBootstrapErrors() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    main.mOpen_Click();
    QVERIFY(main.frmOpen().Dir1->SetPath(kExamples));
    main.frmOpen().Text1->setText("eclipse_header.csv");
    main.frmOpen().Command1_Click();
    main.Command1_Click();
    main.frmPlott1().ClickAtTime(0.4083);  // between points 21 and 22
    main.frmPlott1().ClickAtTime(0.4383);  // between 33 and 34
    main.frmPlott1().Command1_Click();
    main.Command6_Click();
    QVERIFY(!main.Text[1]->text().isEmpty());
    QVERIFY(!main.Text[6]->text().isEmpty());

    auto* entry = main.findChild<QAction*>(QStringLiteral("mBootstrap"));
    QVERIFY(entry != nullptr);
    entry->trigger();
    QTableWidget& t = *main.frmBootstrap().Table1;
    QVERIFY(main.frmBootstrap().isVisible());
    QCOMPARE(t.rowCount(), 2);
    const auto parabola = BootstrapErrors(store, ParabolaSetup{{22, 33}}, kBootstrapMenuRuns);
    const auto sliding = BootstrapErrors(store, SlidingSetup{}, kBootstrapMenuRuns);
    QVERIFY(parabola && sliding);
    QCOMPARE(t.item(0, 0)->text(), QStringLiteral("1. Parabolic Fit"));
    QCOMPARE(t.item(0, 1)->text(), main.Text[7]->text());
    QCOMPARE(t.item(0, 2)->text(), Q(FormatResult(parabola->error)));
    QCOMPARE(t.item(0, 3)->text(), QStringLiteral("%1 of 200").arg(parabola->delivered));
    QCOMPARE(t.item(1, 0)->text(), QStringLiteral("6. Sliding Integrations"));
    QCOMPARE(t.item(1, 1)->text(), main.Text[12]->text());
    QCOMPARE(t.item(1, 2)->text(), Q(FormatResult(sliding->error)));

    const QString first = t.item(0, 2)->text() + t.item(1, 2)->text();
    entry->trigger();
    QCOMPARE(t.item(0, 2)->text() + t.item(1, 2)->text(), first);
    QVERIFY(messages.Texts().isEmpty());

    // The report lists the bootstrap errors under the means, and no longer
    // for a row whose result changed since.
    main.mCopyResults_Click();
    const QString report = QGuiApplication::clipboard()->text();
    for (const QString& line :
         {QStringLiteral("Bootstrap errors\t200 resampled curves"),
          QStringLiteral("\t1. Parabolic Fit\t") + t.item(0, 2)->text().trimmed(),
          QStringLiteral("\t6. Sliding Integrations\t") + t.item(1, 2)->text().trimmed()}) {
      QVERIFY2(report.contains(line), qPrintable(line + QStringLiteral(" not in ") + report));
    }
    const QString before = main.Text[1]->text();
    main.frmPlott1().ClickAtTime(0.4083);
    main.frmPlott1().ClickAtTime(0.4433);  // between 35 and 36: another range
    main.frmPlott1().Command1_Click();
    QVERIFY(main.Text[1]->text() != before || main.Text[7]->text() != t.item(0, 1)->text());
    main.mCopyResults_Click();
    QVERIFY(!QGuiApplication::clipboard()->text().contains(QStringLiteral("1. Parabolic Fit\t") +
                                                           t.item(0, 2)->text().trimmed()));
    QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("\t6. Sliding Integrations\t")));
  }

  // Cancel in the progress dialog, pressed part-way through the run of
  // Tools > "Bootstrap errors..." and of "Calc. Means" with bootstrap
  // weights: nothing is delivered, nothing shown changes, the light curve
  // stays as it was.
  void cancelInTheProgressDialogDeliversNothing() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    LoadAndTime(main);
    auto* weights = main.findChild<QAction*>(QStringLiteral("mBootstrapWeights"));
    QVERIFY(weights != nullptr);
    weights->trigger();  // no means shown yet: nothing runs
    main.Text[13]->setText(QStringLiteral("typed"));
    const std::unique_ptr<Store> before = std::make_unique<Store>(store);

    struct Case {
      const char* what;
      std::function<void()> run;
    };
    const Case cases[] = {
        {"Tools > Bootstrap errors...",
         [&] { main.findChild<QAction*>(QStringLiteral("mBootstrap"))->trigger(); }},
        {"Calc. Means weighted by bootstrap errors", [&] { main.Command8_Click(); }},
    };
    for (const Case& c : cases) {
      int clicked = 0;
      QTimer pressCancel;
      pressCancel.setInterval(0);
      connect(&pressCancel, &QTimer::timeout, [&] {
        auto* dialog = main.findChild<QProgressDialog*>(QStringLiteral("BootstrapProgress"));
        if (dialog == nullptr || !dialog->isVisible() || dialog->value() < 100) return;
        auto* cancel = dialog->findChild<QPushButton*>();
        QVERIFY(cancel != nullptr);
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        ++clicked;
        pressCancel.stop();
      });
      pressCancel.start();
      c.run();
      pressCancel.stop();
      QVERIFY2(clicked == 1, c.what);
      QVERIFY2(!main.frmBootstrap().isVisible(), c.what);
      QCOMPARE(main.frmBootstrap().Table1->rowCount(), 0);
      QCOMPARE(main.Text[13]->text(), QStringLiteral("typed"));
      QCOMPARE(main.Text[14]->text(), QString());
      QVERIFY(main.Check[1]->isChecked() && main.Check[6]->isChecked());
      QVERIFY(store.Mag == before->Mag && store.NPoints == before->NPoints);
      QVERIFY(main.findChild<QProgressDialog*>() == nullptr);
    }
    QVERIFY(messages.Texts().isEmpty());
  }

  // Options > "Weights from bootstrap errors": kept beside the settings;
  // "Calc. Means" weights the ticked rows by their bootstrap errors, taking
  // the Bootstrap tool's figures while they are current (no second run) and
  // bootstrapping again a row whose setup changed, and says which errors it
  // used. Turned off, the means are the rows' own again.
  void weightsFromBootstrapErrorsAreUsedAndSaid() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    main.ShowModeless();
    LoadAndTime(main);
    main.Command8_Click();
    QCOMPARE(NoticeOf(main), QString());

    int runs = 0;  // progress dialogs shown
    ShowCounter counter(runs);
    auto* weights = main.findChild<QAction*>(QStringLiteral("mBootstrapWeights"));
    QVERIFY(weights != nullptr && weights->isCheckable() && !weights->isChecked());
    main.findChild<QAction*>(QStringLiteral("mBootstrap"))->trigger();
    QCOMPARE(runs, 1);
    weights->trigger();  // the means shown are made again, with the tool's figures
    QCOMPARE(runs, 1);
    QFile options(dir.filePath("vantor-options.ini"));
    QVERIFY(options.open(QIODevice::ReadOnly));
    QCOMPARE(options.readAll(), QByteArray("Decimals=5\r\nWeights=bootstrap\r\n"));

    const auto parabola = BootstrapErrors(store, ParabolaSetup{{22, 33}}, kBootstrapMenuRuns);
    const auto sliding = BootstrapErrors(store, SlidingSetup{}, kBootstrapMenuRuns);
    QVERIFY(parabola && sliding);
    std::array<CombinationRow, 6> rows{};
    std::array<BootstrapWeight, 6> w{};
    for (int k : {1, 6}) {
      rows[k - 1] = {main.Text[k]->text().toStdString(), main.Text[k + 6]->text().toStdString(),
                     true};
    }
    w[0].error = parabola->error;
    w[5].error = sliding->error;
    const Combination expected = CombineWithBootstrapWeights(rows, w, kBootstrapMenuRuns);
    QCOMPARE(main.Text[14]->text(), Q(expected.weightedMeanText));
    QCOMPARE(main.Text[15]->text(), Q(expected.uncertaintyText));
    QCOMPARE(NoticeOf(main), Q(expected.weightsNote));
    // The note runs over several lines; the window grows to show them all.
    const QLabel* notice = main.findChild<QLabel*>(QStringLiteral("LabelPrecision"));
    QTRY_VERIFY(notice->height() >= notice->heightForWidth(notice->width()));
    QVERIFY(NoticeOf(main).contains(QStringLiteral("1. Parabolic Fit ") +
                                    Q(FormatResult(parabola->error)).trimmed()));

    // Another parabola range: that row's figure is stale and is made anew.
    main.Command1_Click();
    main.frmPlott1().ClickAtTime(0.4053);
    main.frmPlott1().ClickAtTime(0.4413);
    main.frmPlott1().Command1_Click();
    main.Command8_Click();
    QCOMPARE(runs, 2);
    main.Command8_Click();
    QCOMPARE(runs, 2);

    weights->trigger();  // off: the rows' own errors
    QVERIFY(!store.BootstrapWeights);
    QCOMPARE(NoticeOf(main), QString());
    QVERIFY(messages.Texts().isEmpty());
  }

 private:
  // The example eclipse timed by the parabola (points 22 to 33) and sliding
  // integrations, both ticked.
  static void LoadAndTime(FrmMain& main) {
    main.mOpen_Click();
    QVERIFY(main.frmOpen().Dir1->SetPath(kExamples));
    main.frmOpen().Text1->setText("eclipse_header.csv");
    main.frmOpen().Command1_Click();
    main.Command1_Click();
    main.frmPlott1().ClickAtTime(0.4083);  // between points 21 and 22
    main.frmPlott1().ClickAtTime(0.4383);  // between 33 and 34
    main.frmPlott1().Command1_Click();
    main.Command6_Click();
    QVERIFY(!main.Text[1]->text().isEmpty());
  }
  static QString NoticeOf(FrmMain& main) {
    return main.findChild<QLabel*>(QStringLiteral("LabelPrecision"))->text();
  }
};

VANTOR_QT_TEST_MAIN(BootstrapTest)
#include "bootstrap_qtest.moc"
