// The desktop under a decimal-comma locale: a whole session of clicks on the
// example eclipse (every method window fitted with its default boxes, the
// Fourier fit's typed starting values, two points deleted, the means) shows
// exactly the texts it shows in the C locale, and no method refuses.
//
// QApplication sets the locale from the environment (LC_ALL, LC_NUMERIC), so
// CTest runs this program also under LC_ALL=de_DE.UTF-8 and under
// LC_NUMERIC=cs_CZ.UTF-8 alone; run without such an environment it sets
// de_DE.UTF-8 itself. The program does not put LC_NUMERIC back to "C" as the
// desktop does at start-up: the windows and the core must not depend on it.
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <memory>
#include <string>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_action.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

// Every text box and label of a window, named, in a fixed order.
void CollectTexts(QWidget& window, QStringList& texts) {
  for (const QLineEdit* e : window.findChildren<QLineEdit*>()) {
    texts << window.objectName() + "." + e->objectName() + " = " + e->text();
  }
  for (const QLabel* l : window.findChildren<QLabel*>()) {
    texts << window.objectName() + "." + l->objectName() + " = " + l->text();
  }
}

struct Session {
  QStringList texts;
  QStringList messages;
};

// The screenshots' session: load, fit in every method window, delete points
// 12 and 45, compute the means. Returns every text the windows show.
Session RunSession() {
  QTemporaryDir dir;
  auto store = std::make_unique<Store>();
  FrmMain main(*store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
  MessageRecorder messages;
  main.mOpen_Click();
  main.frmOpen().Dir1->SetPath(QStringLiteral(VANTOR_SOURCE_DIR "/examples"));
  main.frmOpen().Text1->setText(QStringLiteral("eclipse_header.csv"));
  main.frmOpen().Command1_Click();

  main.Command1_Click();
  main.frmPlott1().ClickAtTime(0.4135);
  main.frmPlott1().ClickAtTime(0.4495);
  main.frmPlott1().Command1_Click();

  main.Command2_Click();
  main.frmPlott2().Command2_Click();
  main.frmPlott2().HScroll1->setValue(16383 + 22);

  main.Command3_Click();
  for (double t : {0.384, 0.406, 0.457, 0.479}) main.frmPlott3().ClickAtTime(t);
  main.frmPlott3().Command1_Click();

  main.Command4_Click();  // Stepp "1", Frac ".9" as the window offers them
  main.frmPlott4().ClickAtTime(0.380);
  main.frmPlott4().ClickAtTime(0.483);
  main.frmPlott4().Command1_Click();

  main.Command5_Click();
  main.frmPlott5().ClickAtTime(0.372);
  main.frmPlott5().ClickAtTime(0.492);
  main.frmPlott5().Command5_Click();
  main.frmPlott5().ClickAtTime(0.424, 2);
  main.frmPlott5().ClickAtTime(0.439, 2);
  main.frmPlott5().Command2_Click();

  main.Command7_Click();
  for (int i : {12, 45}) {
    main.frmPlotData().ClickAtPoint(i);
    main.frmPlotData().frmAction().Command1_Click();
  }
  main.Command6_Click();
  main.Command8_Click();

  Session s;
  for (QWidget* w : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&main.frmPlott1()),
                     static_cast<QWidget*>(&main.frmPlott2()), static_cast<QWidget*>(&main.frmPlott3()),
                     static_cast<QWidget*>(&main.frmPlott4()), static_cast<QWidget*>(&main.frmPlott5()),
                     static_cast<QWidget*>(&main.frmPlotData())}) {
    CollectTexts(*w, s.texts);
  }
  s.messages = messages.Texts();
  return s;
}

}  // namespace

class LocaleTest : public QObject {
  Q_OBJECT

 private slots:
  void sessionShowsTheCLocalesDigitsUnderADecimalComma() {
    const std::string given = std::setlocale(LC_NUMERIC, nullptr);
    if (std::string(std::localeconv()->decimal_point) != ",") {
      QVERIFY2(std::getenv("LC_ALL") == nullptr && std::getenv("LC_NUMERIC") == nullptr,
               "the locale named by LC_ALL or LC_NUMERIC is not installed or has no decimal comma: "
               "run scripts/install-deps");
      QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr,
               "de_DE.UTF-8 is not installed: run scripts/install-deps");
    }
    QCOMPARE(std::localeconv()->decimal_point, ",");
    const Session comma = RunSession();

    std::setlocale(LC_ALL, "C");
    const Session c = RunSession();
    std::setlocale(LC_NUMERIC, given.c_str());

    QCOMPARE(c.messages, QStringList());
    QCOMPARE(comma.messages, QStringList());
    // The session reached its results: the Kwee and van Woerden row and the
    // weighted mean hold numbers.
    QVERIFY(c.texts.filter(QStringLiteral("frmMain.Text4 = 2")).size() == 1);
    QVERIFY(c.texts.size() > 50);
    QCOMPARE(comma.texts, c.texts);
  }
};

VANTOR_QT_TEST_MAIN(LocaleTest)
#include "locale_qtest.moc"
