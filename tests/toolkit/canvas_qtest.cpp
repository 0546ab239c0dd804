// Tests of Canvas, PaintDrawing and QtPlotWindow: what is drawn stays until
// the next clear and lands on the right pixels in the right colours, on
// screen and at a printer's scale; a renderer's captions and positions reach
// the named controls; messages go to the recorder.
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include "qt_test_main.h"
#include "toolkit/canvas.h"
#include "toolkit/form.h"
#include "toolkit/message.h"
#include "toolkit/qt_plot_window.h"
#include "toolkit/twips.h"

using vantor::Canvas;
using vantor::TwipsToPixels;

namespace {

QImage Render(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

QRgb At(const QImage& image, double xTwips, double yTwips) {
  return image.pixel(TwipsToPixels(xTwips), TwipsToPixels(yTwips));
}

int Count(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  }
  return n;
}

class CountingCanvas : public Canvas {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    Canvas::paintEvent(event);
  }
};

}  // namespace

class CanvasTest : public QObject {
  Q_OBJECT

 private slots:
  void keepsItsDrawingUntilClearedAndRepaintsOnChange() {
    CountingCanvas canvas;
    canvas.resize(300, 200);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    canvas.SetForeColor(vantor::kRed);
    canvas.Disc(1500, 1200, 150);
    canvas.SetForeColor(vantor::kBlue);
    canvas.Circle(3000, 1200, 300);
    QCOMPARE(canvas.Primitives().size(), size_t{2});

    const QImage image = Render(canvas);
    QCOMPARE(At(image, 1500, 1200), qRgb(255, 0, 0));
    QCOMPARE(At(image, 1600, 1100), qRgb(255, 0, 0));      // inside the disc
    QCOMPARE(At(image, 1750, 1200), qRgb(255, 255, 255));  // outside it
    QCOMPARE(At(image, 3000, 1200), qRgb(255, 255, 255));  // a circle is not filled
    QVERIFY(Count(image, qRgb(0, 0, 255)) > 20);           // but its ring is drawn
    QCOMPARE(Render(canvas), image);                       // uncovered: the same

    QCoreApplication::sendPostedEvents();
    canvas.paints = 0;
    canvas.Cls();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(canvas.paints, 1);
    QVERIFY(canvas.Primitives().empty());
    canvas.SetBackColor(vantor::kMarkerPurple);
    const QImage cleared = Render(canvas);
    QCOMPARE(Count(cleared, qRgb(150, 0, 150)), cleared.width() * cleared.height());
  }

  void paintDrawingScalesForThePrinter() {
    vantor::DrawingList drawing;
    drawing.SetForeColor(vantor::kBlue);
    drawing.Line(0, 1440, 2880, 1440);  // one inch down, two inches long
    drawing.SetForeColor(vantor::kRed);
    drawing.PSet(1440, 720);
    QImage page(900, 600, QImage::Format_RGB32);
    page.fill(Qt::green);
    QPainter painter(&page);
    vantor::PaintDrawing(painter, drawing, 300.0 / 1440.0, QRectF(0, 0, 700, 400));  // 300 dpi
    painter.end();
    QCOMPARE(page.pixel(10, 299), qRgb(0, 0, 255));  // 1/96 inch thick
    QCOMPARE(page.pixel(599, 301), qRgb(0, 0, 255));
    QCOMPARE(page.pixel(10, 304), qRgb(255, 255, 255));
    QCOMPARE(page.pixel(603, 300), qRgb(255, 255, 255));  // past the line's end
    QCOMPARE(page.pixel(300, 150), qRgb(255, 0, 0));      // the pixel mark
    QCOMPARE(page.pixel(800, 500), qRgb(0, 255, 0));      // outside the background
  }

  void plotWindowReachesCanvasAndNamedControls() {
    vantor::Form form(QStringLiteral("frmPlott9"));
    auto* canvas = new Canvas(&form);
    canvas->setGeometry(0, 20, 400, 280);  // below a menu bar
    auto* label = new QLabel(canvas);
    label->setObjectName(QStringLiteral("Label3"));
    auto* box = new QLineEdit(&form);  // on the form, not on the canvas
    box->setObjectName(QStringLiteral("Text1(5)"));
    vantor::QtPlotWindow window(form, *canvas);

    window.Drawing().Disc(1500, 1500, 60);
    QCOMPARE(canvas->Count(vantor::Primitive::Kind::Disc), 1);
    window.SetCaption("Label3", "0.005");
    window.SetLeft("Label3", 1500);
    window.SetTop("Label3", 300);
    QCOMPARE(label->text(), QStringLiteral("0.005"));
    QCOMPARE(label->size(), label->sizeHint());
    QCOMPARE(label->pos(), QPoint(TwipsToPixels(1500), TwipsToPixels(300)));
    window.SetCaption("Text1(5)", "2.34567");
    box->move(7, 9);
    window.SetTop("Text1(5)", 300);  // measured from the canvas's top
    QCOMPARE(box->text(), QStringLiteral("2.34567"));
    QCOMPARE(box->pos(), QPoint(7, 20 + TwipsToPixels(300)));

    window.ShowWindow();
    QVERIFY(form.isVisible());
    vantor::MessageRecorder recorder;
    window.ShowMessage("Select range first");
    QCOMPARE(recorder.Texts(), QStringList{"Select range first"});
  }
};

VANTOR_QT_TEST_MAIN(CanvasTest)
#include "canvas_qtest.moc"
