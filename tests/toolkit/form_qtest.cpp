// Tests of twips and Form: conversions, frame geometry in twips, the Load /
// Resize / Unload events and mouse positions on the drawing surface.
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "qt_test_main.h"
#include "toolkit/form.h"
#include "toolkit/twips.h"

using vantor::Form;
using vantor::PixelsToTwips;

namespace {

// Logs its hooks; its resize hook keeps the height at least 3000 twips, as
// the program's windows do.
class LoggingForm : public Form {
 public:
  LoggingForm() : Form(QStringLiteral("frmLogging")) {
    connect(this, &Form::loaded, [this] { log << "loaded"; });
    connect(this, &Form::unloaded, [this] { log << "unloaded"; });
  }
  QStringList log;
  int resizeCalls = 0;

 protected:
  void Form_Load() override { log << "Form_Load"; }
  void Form_Unload() override { log << "Form_Unload"; }
  void Form_Resize() override {
    ++resizeCalls;
    if (Height() < 3000) SetHeight(3000);
  }
};

// Within one pixel, the rounding a geometry in twips may carry.
bool Near(double twips, double expected) {
  return std::abs(twips - expected) <= PixelsToTwips(1.0);
}

}  // namespace

class FormTest : public QObject {
  Q_OBJECT

 private slots:
  void twipsRoundTripAtSeveralDpi() {
    for (const double dpi : {72.0, 96.0, 120.0, 157.5}) {
      QCOMPARE(vantor::TwipsToPixels(1440, dpi), static_cast<int>(std::lround(dpi)));
      for (int px = -40; px <= 2500; ++px) {
        QCOMPARE(vantor::TwipsToPixels(PixelsToTwips(px, dpi), dpi), px);
      }
      for (double tw = 0; tw <= 32767; tw += 7) {
        const double back = PixelsToTwips(vantor::TwipsToPixels(tw, dpi), dpi);
        QVERIFY(std::fabs(back - tw) <= 720 / dpi + 1e-9);
      }
    }
    QCOMPARE(vantor::ToInt16(40000), int16_t{32767});
    QCOMPARE(vantor::ToInt16(-1234.6), int16_t{-1235});
  }

  void geometryInTwipsAndWindowEvents() {
    LoggingForm form;
    QCOMPARE(form.objectName(), QStringLiteral("frmLogging"));
    form.Move(1500, 750, 6000, 4500);  // before the frame's size is known
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(Near(form.Left(), 1500) && Near(form.Top(), 750));
    QVERIFY(Near(form.Width(), 6000) && Near(form.Height(), 4500));
    form.SetLeft(3000);
    form.SetWidth(7200);
    QVERIFY(Near(form.Left(), 3000) && Near(form.Top(), 750) && Near(form.Width(), 7200));

    // A size set by the resize hook does not run the hook again.
    form.resizeCalls = 0;
    form.SetHeight(1500);
    QCOMPARE(form.resizeCalls, 1);
    QVERIFY(Near(form.Height(), 3000));

    // Hiding is not unloading; after an Unload the next showing loads again.
    form.hide();
    form.show();
    QCOMPARE(form.log, (QStringList{"Form_Load", "loaded"}));
    form.close();
    form.show();
    QCOMPARE(form.log, (QStringList{"Form_Load", "loaded", "Form_Unload", "unloaded", "Form_Load",
                                    "loaded"}));
  }

  void mouseIsReportedInTwipsOnTheDrawingSurface() {
    Form form(QStringLiteral("frmMouse"));
    form.resize(300, 200);
    auto* surface = new QWidget(&form);
    surface->setGeometry(20, 30, 200, 150);
    form.SetDrawingSurface(surface);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy downs(&form, &Form::mouseDown);
    QSignalSpy moves(&form, &Form::mouseMove);

    QTest::mouseClick(surface, Qt::RightButton, {}, QPoint(10, 4));
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(100, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 40), surface->mapToGlobal(QPointF(30, 40)),
                     Qt::NoButton, Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(250, 190));  // off the surface

    QCOMPARE(downs.size(), 2);
    QCOMPARE(downs[0], (QVariantList{2, PixelsToTwips(10), PixelsToTwips(4)}));
    QCOMPARE(downs[1], (QVariantList{1, PixelsToTwips(100), PixelsToTwips(50)}));
    QCOMPARE(moves.size(), 1);
    QCOMPARE(moves[0], (QVariantList{3, PixelsToTwips(30), PixelsToTwips(40)}));  // both held
  }
};

VANTOR_QT_TEST_MAIN(FormTest)
#include "form_qtest.moc"
