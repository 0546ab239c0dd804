// Tests of SvgFigure: what a QPainter paints arrives in the document as the
// matching SVG element, at its coordinates, in its colours, with the
// painter's transform, and every font is named by a CSS family list; and of
// the format a file name asks for.
#include <QFontInfo>
#include <QPainter>
#include <QTest>
#include <map>
#include <vector>

#include "qt_test_main.h"
#include "svg_reading.h"
#include "toolkit/figure_export.h"

using namespace vantor;
using vantor::testing::FindSvgElement;
using vantor::testing::IsFontFamilyList;
using vantor::testing::SvgElement;
using vantor::testing::SvgElements;

namespace {

// Every font-family of the document, the groups' and the texts'.
QStringList FontFamilies(const std::vector<SvgElement>& doc) {
  QStringList out;
  for (const SvgElement& e : doc) {
    const auto it = e.attributes.find(QStringLiteral("font-family"));
    if (it != e.attributes.end()) out << it->second;
  }
  return out;
}

}  // namespace

class SvgFigureTest : public QObject {
  Q_OBJECT

 private slots:
  void everyDrawingCallBecomesItsElement() {
    QFont font;
    const QByteArray bytes = SvgFigure(QSizeF(9360, 6480), QStringLiteral("A & B <x>"),
                                       [&](QPainter& p, const QSizeF& size) {
                                         QCOMPARE(size, QSizeF(9360, 6480));
                                         p.fillRect(QRectF(0, 0, 9360, 6480), Qt::white);
                                         p.setPen(QPen(QColor(255, 0, 0), 15));
                                         p.drawLine(QPointF(10, 20), QPointF(30, 40));
                                         p.setPen(QPen(QColor(0, 0, 255), 15));
                                         p.setBrush(QColor(0, 0, 255));
                                         p.drawEllipse(QPointF(50, 60), 25, 25);
                                         p.setPen(Qt::black);
                                         font = p.font();
                                         font.setPixelSize(200);
                                         font.setBold(true);
                                         p.setFont(font);
                                         p.translate(100, 200);
                                         p.rotate(-90);
                                         p.drawText(QPointF(0, 0), QStringLiteral("up <&>"));
                                       });

    const std::vector<SvgElement> doc = SvgElements(bytes);
    QVERIFY(!doc.empty());
    QCOMPARE(doc[0].name, QStringLiteral("svg"));
    QCOMPARE(doc[0].attributes.at("width"), QStringLiteral("165.1mm"));  // 9360 twips, 6.5 in
    QCOMPARE(doc[0].attributes.at("height"), QStringLiteral("114.3mm"));
    QCOMPARE(doc[0].attributes.at("viewBox"), QStringLiteral("0 0 9360 6480"));
    QCOMPARE(FindSvgElement(doc, "title")->text, QStringLiteral("A & B <x>"));

    struct Expected {
      const char* element;
      std::map<QString, QString> attributes;
    };
    const QString family = FontFamilyList(QFontInfo(font).family());
    const Expected expected[] = {
        {"rect", {{"x", "0"}, {"width", "9360"}, {"fill", "#ffffff"}, {"stroke", "none"}}},
        {"polyline", {{"points", "10,20 30,40"}, {"stroke", "#ff0000"}, {"stroke-width", "15"}}},
        {"circle", {{"cx", "50"}, {"cy", "60"}, {"r", "25"}, {"fill", "#0000ff"}}},
        {"text",
         {{"x", "0"},
          {"y", "0"},
          {"font-size", "200"},
          {"font-weight", "700"},
          {"fill", "#000000"},
          {"font-family", family},
          {"transform", "matrix(0,-1,1,0,100,200)"}}},
    };
    for (const Expected& e : expected) {
      const SvgElement* found = FindSvgElement(doc, QString::fromLatin1(e.element));
      QVERIFY2(found != nullptr, e.element);
      for (const auto& [name, value] : e.attributes) {
        const auto it = found->attributes.find(name);
        QVERIFY2(it != found->attributes.end(),
                 qPrintable(QString::fromLatin1(e.element) + " " + name));
        QCOMPARE(it->second.trimmed(), value);
      }
    }
    QCOMPARE(FindSvgElement(doc, "text")->text, QStringLiteral("up <&>"));
    const auto lineTransform = FindSvgElement(doc, "polyline")->attributes;
    QVERIFY(lineTransform.count("transform") == 0 ||
            lineTransform.at("transform") == QLatin1String("matrix(1,0,0,1,0,0)"));
    const QStringList families = FontFamilies(doc);
    QVERIFY(!families.isEmpty());
    for (const QString& f : families) {
      QVERIFY2(IsFontFamilyList(f), qPrintable(f));
    }
  }

  // A family whose name XML or CSS would take for syntax still gives a
  // well-formed document with valid family lists.
  void anOddFamilyNameStaysWellFormed() {
    const QByteArray bytes =
        SvgFigure(QSizeF(1440, 1440), QString(), [](QPainter& p, const QSizeF&) {
          QFont font(QStringLiteral("A&B \"q\" <x>"));
          font.setPixelSize(100);
          p.setFont(font);
          p.drawText(QPointF(10, 100), QStringLiteral("x"));
        });
    const std::vector<SvgElement> doc = SvgElements(bytes);
    QVERIFY2(!doc.empty(), bytes.constData());
    QVERIFY(FindSvgElement(doc, "title") == nullptr);
    const QStringList families = FontFamilies(doc);
    QVERIFY(families.size() >= 2);  // the group's and the text's
    for (const QString& f : families) {
      QVERIFY2(IsFontFamilyList(f), qPrintable(f));
    }
  }

  void theFamilyListQuotesTheFamilyAndEndsGeneric() {
    struct Case {
      const char* family;
      const char* list;
    };
    for (const Case& c :
         {Case{"DejaVu Sans", "'DejaVu Sans', Arial, sans-serif"},
          Case{"Arial", "'Arial', sans-serif"}, Case{"8514oem", "'8514oem', Arial, sans-serif"},
          Case{"O'Neil \\ Sans", "'O\\'Neil \\\\ Sans', Arial, sans-serif"},
          Case{"", "Arial, sans-serif"}}) {
      const QString list = FontFamilyList(QString::fromLatin1(c.family));
      QCOMPARE(list, QString::fromLatin1(c.list));
      QVERIFY2(IsFontFamilyList(list), c.family);
    }
    // The check itself: the generator's bare names and broken quotes fail it.
    for (const char* bad :
         {"DejaVu Sans", "'DejaVu Sans, sans-serif", "8514oem, sans-serif", "Arial,, serif", ""}) {
      QVERIFY2(!IsFontFamilyList(QString::fromLatin1(bad)), bad);
    }
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

VANTOR_QT_TEST_MAIN(SvgFigureTest)
#include "svg_figure_qtest.moc"
