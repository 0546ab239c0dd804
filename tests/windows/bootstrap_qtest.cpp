// Tests of the main window's Tools > "Bootstrap errors..." with the example
// eclipse: after a parabolic fit and sliding integrations the window lists
// both rows with their own errors beside the errors BootstrapErrors gives for
// the same ranges, the same on a second run; rows without a result are left out.
#include <QTemporaryDir>
#include <QTest>
#include <memory>

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
  }
};

VANTOR_QT_TEST_MAIN(BootstrapTest)
#include "bootstrap_qtest.moc"
