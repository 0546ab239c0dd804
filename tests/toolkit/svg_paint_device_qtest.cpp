// Tests of SvgPaintDevice: what a QPainter paints arrives in the document as
// the matching SVG element, at its coordinates, in its colours, with the
// painter's transform; and of the format a file name asks for.
#include <QPainter>
#include <QTest>
#include <QXmlStreamReader>
#include <map>
#include <vector>

#include "qt_test_main.h"
#include "toolkit/figure_export.h"

using namespace vantor;

namespace {

struct Element {
  QString name;
  std::map<QString, QString> attributes;
  QString text;
};

// The elements of a document, root first; an empty list when it is not well-formed.
std::vector<Element> Elements(const QByteArray& document) {
  std::vector<Element> out;
  QXmlStreamReader xml(document);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    Element e{xml.name().toString(), {}, {}};
    for (const QXmlStreamAttribute& a : xml.attributes()) {
      e.attributes[a.name().toString()] = a.value().toString();
    }
    if (e.name == QLatin1String("text") || e.name == QLatin1String("title")) {
      e.text = xml.readElementText();
    }
    out.push_back(e);
  }
  if (xml.hasError()) out.clear();
  return out;
}

const Element* Find(const std::vector<Element>& elements, const QString& name) {
  for (const Element& e : elements) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

}  // namespace

class SvgPaintDeviceTest : public QObject {
  Q_OBJECT

 private slots:
  void everyDrawingCallBecomesItsElement() {
    SvgPaintDevice svg(QSizeF(9360, 6480), QStringLiteral("A & B"));
    QPainter p(&svg);
    p.fillRect(QRectF(0, 0, 9360, 6480), Qt::white);
    p.setPen(QPen(QColor(255, 0, 0), 15));
    p.drawLine(QPointF(10, 20), QPointF(30, 40));
    p.setPen(QPen(QColor(0, 0, 255), 15));
    p.setBrush(QColor(0, 0, 255));
    p.drawEllipse(QPointF(50, 60), 25, 25);
    p.setPen(Qt::black);
    QFont font = p.font();
    font.setPixelSize(200);
    p.setFont(font);
    p.translate(100, 200);
    p.rotate(-90);
    p.drawText(QPointF(0, 0), QStringLiteral("up <&>"));
    p.end();

    const std::vector<Element> doc = Elements(svg.Document());
    QVERIFY(!doc.empty());
    QCOMPARE(doc[0].name, QStringLiteral("svg"));
    QCOMPARE(doc[0].attributes.at("width"), QStringLiteral("468pt"));   // 9360 twips
    QCOMPARE(doc[0].attributes.at("height"), QStringLiteral("324pt"));
    QCOMPARE(doc[0].attributes.at("viewBox"), QStringLiteral("0 0 9360 6480"));
    QCOMPARE(Find(doc, "title")->text, QStringLiteral("A & B"));

    struct Expected {
      const char* element;
      std::map<QString, QString> attributes;
    };
    const Expected expected[] = {
        {"rect", {{"x", "0"}, {"width", "9360"}, {"fill", "#ffffff"}, {"stroke", "none"}}},
        {"line",
         {{"x1", "10"}, {"y1", "20"}, {"x2", "30"}, {"y2", "40"}, {"stroke", "#ff0000"},
          {"stroke-width", "15"}}},
        {"ellipse",
         {{"cx", "50"}, {"cy", "60"}, {"rx", "25"}, {"ry", "25"}, {"fill", "#0000ff"}}},
        {"text",
         {{"x", "0"}, {"y", "0"}, {"font-size", "200"}, {"fill", "#000000"},
          {"transform", "matrix(0 -1 1 0 100 200)"}}},
    };
    for (const Expected& e : expected) {
      const Element* found = Find(doc, QString::fromLatin1(e.element));
      QVERIFY2(found != nullptr, e.element);
      for (const auto& [name, value] : e.attributes) {
        const auto it = found->attributes.find(name);
        QVERIFY2(it != found->attributes.end(), qPrintable(QString::fromLatin1(e.element) + " " + name));
        QCOMPARE(it->second, value);
      }
    }
    QCOMPARE(Find(doc, "text")->text, QStringLiteral("up <&>"));
    QVERIFY(Find(doc, "line")->attributes.count("transform") == 0);
  }

  void theFormatFollowsTheFileEnding() {
    struct Case {
      const char* path;
      std::optional<FigureFormat> format;
    };
    for (const Case& c : {Case{"a/b/figure.pdf", FigureFormat::Pdf},
                          Case{"FIGURE.SVG", FigureFormat::Svg}, Case{"x.Png", FigureFormat::Png},
                          Case{"figure.pdf.txt", std::nullopt}, Case{"figure", std::nullopt}}) {
      QCOMPARE(FigureFormatOf(QString::fromLatin1(c.path)), c.format);
    }
  }

  void aPngCoversItsPixelsAtItsResolution() {
    FigureRequest png{QStringLiteral("f.png"), FigureFormat::Png, {1950, 1350, 300}};
    QCOMPARE(FigureSizeTwips(png), QSizeF(9360, 6480));
    png.png = {600, 300, 100};
    QCOMPARE(FigureSizeTwips(png), QSizeF(8640, 4320));
    const FigureRequest pdf{QStringLiteral("f.pdf"), FigureFormat::Pdf, {600, 300, 100}};
    QCOMPARE(FigureSizeTwips(pdf), QSizeF(9360, 6480));
  }
};

VANTOR_QT_TEST_MAIN(SvgPaintDeviceTest)
#include "svg_paint_device_qtest.moc"
