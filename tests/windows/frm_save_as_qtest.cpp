// Tests of frmSaveAs: it comes up on "*.txt", its name box reaches
// DataFileName at every change, OK takes over folder and name and writes
// nothing, Enter and Escape are OK and Cancel, and it springs back to its
// smallest size.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/reader.h"
#include "qt_test_main.h"
#include "toolkit/twips.h"
#include "windows/frm_save_as.h"

using vantor::FrmSaveAs;
using vantor::Store;

namespace {

bool Near(double twips, double expected) {
  return std::abs(twips - expected) <= vantor::PixelsToTwips(1.0) + 1e-9;
}

}  // namespace

class FrmSaveAsTest : public QObject {
  Q_OBJECT

 private slots:
  void nameReachesTheStoreAtEveryChangeAndOkWritesNothing() {
    Store store;
    store.DataFilePath = VANTOR_SOURCE_DIR "/examples/eclipse_header.csv";
    QVERIFY(vantor::ReadLightCurve(store).has_value());
    const auto before = std::make_unique<Store>(store);
    FrmSaveAs w(store);
    w.Prepare();
    QCOMPARE(w.windowTitle(), QStringLiteral("Save As ..."));
    QCOMPARE(w.Text1->text(), QString());

    // The main window's Save: entry 1, show, entry 0.
    w.Combo1->setCurrentIndex(1);
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Combo1->setCurrentIndex(0);
    QCOMPARE(w.File1->Pattern(), QStringLiteral("*.txt"));

    QTest::keyClicks(w.Text1, "res");
    QCOMPARE(store.DataFileName, std::string("res"));
    w.Text1->clear();
    QCOMPARE(store.DataFileName, std::string());
    w.Command2->click();  // cancelled: the name stays taken over, the folder not
    QCOMPARE(store.DataFileName, std::string());
    QCOMPARE(store.DataDir, before->DataDir);

    QTemporaryDir folder;
    w.ShowModeless();
    w.Dir1->SetPath(folder.path());
    QTest::keyClicks(w.Text1, "times.txt");
    w.Command1->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(QString::fromStdString(store.DataDir), QDir::cleanPath(folder.path()));
    QCOMPARE(store.DataFileName, std::string("times.txt"));
    QVERIFY(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    before->DataDir = store.DataDir;
    before->DataFileName = "times.txt";
    QVERIFY(store == *before);  // path, light curve and the rest as they were

    // From the keyboard: Enter in the name box is OK, Escape is Cancel.
    int accepted = 0;
    connect(&w, &FrmSaveAs::accepted, [&accepted] { ++accepted; });
    const struct {
      Qt::Key key;
      int accepts;
    } keys[] = {{Qt::Key_Return, 1}, {Qt::Key_Enter, 1}, {Qt::Key_Escape, 0}};
    for (const auto& k : keys) {
      accepted = 0;
      w.ShowModeless();
      QTest::keyClick(w.Text1, k.key);
      QVERIFY(!w.isVisible());
      QCOMPARE(accepted, k.accepts);
    }
  }

  void springsBackTo6525By3540() {
    Store store;
    FrmSaveAs w(store);
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SetWidth(3000);
    w.SetHeight(2000);
    QVERIFY(Near(w.Width(), 6525) && Near(w.Height(), 3540));
    QVERIFY(w.Combo1->geometry().bottom() < w.height());
    QVERIFY(w.Command1->geometry().right() < w.width());
  }
};

VANTOR_QT_TEST_MAIN(FrmSaveAsTest)
#include "frm_save_as_qtest.moc"
