// Tests of PaintDrawing's two ways of drawing dot marks and of its clip: on a
// raster device the marks are copies of pre-drawn discs that land where true
// discs would; a PDF file gets true discs (paths, no images); curves stay
// inside the plot frame on screen and in print, and the fitted parabola of the
// parabolic-fit window does too.
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "core/store.h"
#include "plot/mapping.h"
#include "qt_test_main.h"
#include "toolkit/canvas.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");

QImage BlankImage(QSize size, double ratio) {
  QImage image(size * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::green);
  return image;
}

// The drawing painted straight into the image (raster: copied discs).
QImage PaintedOnRaster(const DrawingList& d, QSize size, double ratio, double pixelsPerTwip) {
  QImage image = BlankImage(size, ratio);
  QPainter painter(&image);
  PaintDrawing(painter, d, pixelsPerTwip);
  return image;
}

// The drawing painted as vectors, the way a printer receives it (a recorded
// picture has no pixels, so its discs are true discs), then played into the
// image.
QImage PaintedAsVectors(const DrawingList& d, QSize size, double ratio, double pixelsPerTwip) {
  QPicture picture;
  {
    QPainter recorder(&picture);
    PaintDrawing(recorder, d, pixelsPerTwip, QRectF(QPointF(0, 0), QSizeF(size)));
  }
  QImage image = BlankImage(size, ratio);
  QPainter painter(&image);
  painter.drawPicture(0, 0, picture);
  return image;
}

struct Blob {
  int pixels = 0;
  double x = 0, y = 0;  // centroid in device pixels
};

// The pixels of one colour within `radius` device pixels of (cx, cy).
Blob BlobAt(const QImage& image, QRgb colour, double cx, double cy, int radius) {
  Blob b;
  for (int y = static_cast<int>(cy) - radius; y <= static_cast<int>(cy) + radius; ++y) {
    for (int x = static_cast<int>(cx) - radius; x <= static_cast<int>(cx) + radius; ++x) {
      if (!image.valid(x, y) || image.pixel(x, y) != colour) continue;
      ++b.pixels;
      b.x += x;
      b.y += y;
    }
  }
  if (b.pixels > 0) {
    b.x /= b.pixels;
    b.y /= b.pixels;
  }
  return b;
}

// The bounding box, in device pixels, of every pixel of a colour; empty when none.
QRect BoxOf(const QImage& image, QRgb colour) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == colour) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// The pixels of a colour outside a rectangle.
int CountOutside(const QImage& image, QRgb colour, const QRect& inside) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      n += image.pixel(x, y) == colour && !inside.contains(x, y);
    }
  }
  return n;
}

// Every stream of a PDF file inflated and joined (the page's content stream
// among them).
QByteArray InflatedStreams(const QByteArray& pdf) {
  QByteArray all;
  for (qsizetype at = pdf.indexOf("stream"); at >= 0; at = pdf.indexOf("stream", at + 1)) {
    if (at >= 3 && pdf.mid(at - 3, 3) == "end") continue;
    qsizetype begin = at + 6;
    if (pdf.mid(begin, 2) == "\r\n") {
      begin += 2;
    } else if (pdf.at(begin) == '\n') {
      begin += 1;
    }
    const qsizetype end = pdf.indexOf("endstream", begin);
    if (end < 0) break;
    // qUncompress takes zlib data behind the expected length, big-endian.
    QByteArray z(4, '\0');
    const quint32 expected = 1u << 24;
    for (int i = 0; i < 4; ++i) z[i] = static_cast<char>((expected >> (24 - 8 * i)) & 0xff);
    z += pdf.mid(begin, end - begin);
    all += qUncompress(z);
    at = end;
  }
  return all;
}

}  // namespace

class PaintDrawingTest : public QObject {
  Q_OBJECT

 private slots:
  // Dot marks at 120 positions spread over every fraction of a pixel, at the
  // screen's scale and at a printer's 300 dpi, on a common and a high-density
  // screen: each copied mark has the colour, the size and the place of the
  // true disc within a fraction of a pixel.
  void copiedDiscsLandWhereTrueDiscsWould() {
    const QSize size(640, 400);
    struct Case {
      const char* name;
      double ratio;
      double pixelsPerTwip;
    };
    const Case cases[] = {{"screen", 1, PixelsPerTwip()},
                          {"high-density screen", 2, PixelsPerTwip()},
                          {"300 dpi", 1, 300.0 / 1440.0},
                          {"300 dpi, ratio 2", 2, 300.0 / 1440.0}};
    for (const Case& c : cases) {
      DrawingList d;
      std::vector<QPointF> centres;
      for (int i = 0; i < 120; ++i) {
        d.SetForeColor(i % 3 == 0 ? kBlue : kRed);
        // Steps of 157.3 and 143.7 twips wander over every fraction of a pixel.
        const float x = 300.0f + 157.3f * static_cast<float>(i % 15);
        const float y = 300.0f + 143.7f * static_cast<float>(i / 15);
        d.Disc(x, y, 25);
        centres.emplace_back(x, y);
      }
      const QImage copied = PaintedOnRaster(d, size, c.ratio, c.pixelsPerTwip);
      const QImage vectors = PaintedAsVectors(d, size, c.ratio, c.pixelsPerTwip);
      const double k = c.ratio * c.pixelsPerTwip;  // device pixels per twip
      const int reach = static_cast<int>(std::ceil(25 * k)) + 3;
      int differing = 0;
      for (size_t i = 0; i < centres.size(); ++i) {
        const QRgb colour = i % 3 == 0 ? qRgb(0, 0, 255) : qRgb(255, 0, 0);
        const double cx = centres[i].x() * k, cy = centres[i].y() * k;
        const Blob a = BlobAt(copied, colour, cx, cy, reach);
        const Blob b = BlobAt(vectors, colour, cx, cy, reach);
        QVERIFY2(b.pixels > 0, c.name);
        QVERIFY2(std::abs(a.pixels - b.pixels) <= std::max(3, b.pixels / 8), c.name);
        // A row or column of a small mark may fall the other way: half a pixel at most.
        QVERIFY2(std::abs(a.x - b.x) <= 0.5 && std::abs(a.y - b.y) <= 0.5, c.name);
      }
      for (int y = 0; y < copied.height(); ++y) {
        for (int x = 0; x < copied.width(); ++x) differing += copied.pixel(x, y) != vectors.pixel(x, y);
      }
      // The odd edge pixel of a mark may differ; no mark is misplaced.
      QVERIFY2(differing <= static_cast<int>(centres.size()), c.name);
    }
  }

  // Printed discs stay circles at any resolution: the PDF file holds paths
  // (Bezier curves, four for each disc) and no image.
  void pdfHoldsTrueDiscs() {
    DrawingList d;
    d.SetForeColor(kRed);
    for (int i = 0; i < 40; ++i) d.Disc(300.0f + 97.0f * static_cast<float>(i), 1200, 25);
    QByteArray pdf;
    {
      QBuffer buffer(&pdf);
      buffer.open(QIODevice::WriteOnly);
      QPdfWriter writer(&buffer);
      writer.setResolution(1200);
      QPainter painter(&writer);
      PaintDrawing(painter, d, 1200.0 / 1440.0, QRectF(0, 0, 4000, 1500));
    }
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY(!pdf.contains("/Subtype /Image"));
    const QByteArray content = InflatedStreams(pdf);
    QVERIFY(!content.isEmpty());
    QVERIFY(content.count(" c\n") >= 4 * 40);
  }

  // A frame of 5000 x 3000 twips with a curve that leaves it on every side, a
  // pixel and a disc outside it and a disc centred on its left edge: on screen
  // and in print, nothing of the curve or the pixel lies outside the frame,
  // the curve inside it is drawn, the outside disc is left out and the one on
  // the edge is drawn whole.
  void curvesStayInsideTheFrame() {
    DrawingList d;
    d.SetForeColor(kBlack);
    const float l = 1000, t = 1000, r = 6000, b = 4000;
    d.Line(l, t, r, t);
    d.Line(r, t, r, b);
    d.Line(r, b, l, b);
    d.Line(l, b, l, t);
    d.ClipTo(l, t, r, b);
    d.SetForeColor(kBlue);
    d.PSet(0, 5000);
    for (int i = 0; i <= 100; ++i) {
      const float x = 70.0f * static_cast<float>(i);
      const float u = (x - 3500.0f) / 1000.0f;
      d.LineTo(x, 5000.0f - 4500.0f * std::exp(-u * u));  // above the top, below the bottom
    }
    d.Line(500, 2500, 6500, 2500);  // through the left and the right
    d.SetForeColor(kCurveGrey);
    d.Line(3000, 500, 3000, 4500);  // through the top and the bottom
    d.PSet(6500, 2000);
    d.SetForeColor(kRed);
    d.Disc(500, 2000, 25);   // centre outside: left out
    d.Disc(1000, 3000, 25);  // centre on the edge: whole

    struct Case {
      const char* name;
      double ratio;
      double pixelsPerTwip;
      bool vectors;
    };
    const Case cases[] = {{"screen", 1, PixelsPerTwip(), false},
                          {"high-density screen", 2, PixelsPerTwip(), false},
                          {"print at 300 dpi", 1, 300.0 / 1440.0, true}};
    for (const Case& c : cases) {
      const QSize size(static_cast<int>(7000 * c.pixelsPerTwip), static_cast<int>(5500 * c.pixelsPerTwip));
      const QImage image = c.vectors ? PaintedAsVectors(d, size, c.ratio, c.pixelsPerTwip)
                                     : PaintedOnRaster(d, size, c.ratio, c.pixelsPerTwip);
      const QRect frame = BoxOf(image, qRgb(0, 0, 0));
      const double k = c.ratio * c.pixelsPerTwip;
      // The black box is the frame, give or take its pen width.
      QVERIFY2(std::abs(frame.left() - l * k) <= 2 && std::abs(frame.right() - r * k) <= 2, c.name);
      QVERIFY2(std::abs(frame.top() - t * k) <= 2 && std::abs(frame.bottom() - b * k) <= 2, c.name);
      QCOMPARE(CountOutside(image, qRgb(0, 0, 255), frame), 0);
      QCOMPARE(CountOutside(image, qRgb(200, 200, 200), frame), 0);
      const QRect blue = BoxOf(image, qRgb(0, 0, 255));
      // The curves reach the frame's line on the left, top, bottom and right.
      const double pen = std::max(1.0, 15 * c.pixelsPerTwip) * c.ratio + 1;
      QVERIFY2(blue.left() <= frame.left() + pen && blue.right() >= frame.right() - pen, c.name);
      QVERIFY2(blue.top() <= frame.top() + pen && blue.bottom() >= frame.bottom() - pen, c.name);
      QVERIFY2(BoxOf(image, qRgb(200, 200, 200)).height() >= frame.height() - 2 * pen, c.name);
      const QRect red = BoxOf(image, qRgb(255, 0, 0));
      QVERIFY2(!red.isEmpty() && red.left() > 700 * k, c.name);  // only the disc on the edge
      QVERIFY2(red.left() < frame.left() && red.right() > frame.left() + 1, c.name);
    }
  }

  // The parabola fitted to the bottom of the example eclipse runs out of the
  // magnitude range towards both ends of the time axis: painted, no pixel of
  // it lies outside the frame.
  void fittedParabolaStaysInsideTheFrame() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    main.mOpen_Click();
    QVERIFY(main.frmOpen().Dir1->SetPath(kExamples));
    main.frmOpen().Text1->setText("eclipse_header.csv");
    main.frmOpen().Command1_Click();
    main.Command1_Click();
    FrmPlott1& w = main.frmPlott1();
    const PlotMapping m = MethodMapping(store);
    for (const double t : {0.4233, 0.4333}) {  // a narrow range about the bottom
      QTest::mouseClick(&w.Drawing(), Qt::LeftButton, {},
                        QPoint(TwipsToPixels(m.X(t)), TwipsToPixels((m.area.top + m.area.bottom) / 2.0)));
    }
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QVERIFY(store.ParFitted);
    // The drawn curve leaves the plot area: the clip has something to do.
    int outside = 0;
    for (const Primitive& p : w.Drawing().Primitives()) {
      if (p.kind == Primitive::Kind::Line && (p.color == kBlue || p.color == kCurveGrey)) {
        outside += p.y2 < m.area.top || p.y2 > m.area.bottom;
      }
    }
    QVERIFY(outside > 100);

    const QImage image = PaintedOnRaster(w.Drawing(), w.Drawing().size(), 1, PixelsPerTwip());
    const QRect frame = BoxOf(image, qRgb(0, 0, 0));
    QVERIFY(CountOutside(image, qRgb(0, 0, 255), frame) == 0);
    QVERIFY(CountOutside(image, qRgb(200, 200, 200), frame) == 0);
    QVERIFY(!BoxOf(image, qRgb(0, 0, 255)).isEmpty());
  }
};

VANTOR_QT_TEST_MAIN(PaintDrawingTest)
#include "paint_drawing_qtest.moc"
