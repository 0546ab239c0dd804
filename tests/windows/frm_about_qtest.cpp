// Tests of frmAbout: its texts, whole and uncut, its place at the top left
// corner, and that its name is drawn in real letters (without a font every
// letter is the same empty box).
#include <QTest>

#include "qt_test_main.h"
#include "windows/frm_about.h"

class FrmAboutTest : public QObject {
  Q_OBJECT

 private slots:
  void showsItsTextsAtTheTopLeft() {
    vantor::FrmAbout w;
    QCOMPARE(w.windowTitle(), QStringLiteral("About"));
    QCOMPARE(w.Label[1]->text(), QStringLiteral("Vantor"));
    QVERIFY(w.Label[2]->text().startsWith(QString("Version ") + vantor::kVersion));
    QCOMPARE(w.Label[3]->text(), QStringLiteral("------------------------------"));
    QCOMPARE(w.Label[4]->text(), QStringLiteral("Please report bugs, plus suggestions to:"));
    QVERIFY(w.Label[1]->font().pointSize() > 2 * w.Label[4]->font().pointSize());
    for (int i = 1; i <= 8; ++i) {
      QVERIFY2(w.Label[i]->sizeHint().width() <= w.Label[i]->width(),
               qPrintable(w.Label[i]->text()));
    }
    for (int round = 0; round < 2; ++round) {
      w.move(300, 200);
      w.ShowModeless();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QCOMPARE(w.pos(), QPoint(0, 0));
      w.close();
    }
  }

  void nameIsDrawnInRealLetters() {
    vantor::FrmAbout w;
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage name = w.Label[1]->grab().toImage();
    w.Label[1]->setText(QStringLiteral("Xxxxxx"));  // as many letters, other shapes
    QVERIFY(name != w.Label[1]->grab().toImage());
    int dark = 0;
    for (int y = 0; y < name.height(); ++y) {
      for (int x = 0; x < name.width(); ++x) dark += qGray(name.pixel(x, y)) < 100;
    }
    QVERIFY(dark > 50);
  }
};

VANTOR_QT_TEST_MAIN(FrmAboutTest)
#include "frm_about_qtest.moc"
