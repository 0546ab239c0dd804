// Tests of File > "Export figure..." of the six plot windows and the O-C
// window on a real CM Dra eclipse: each figure written as PDF (one page, text
// and vectors, no image), SVG (well-formed, its texts, line elements and font
// family lists) and PNG (the size and resolution asked for); the title names
// the curve, the method and the time delivered, or that there is none; Cancel
// writes nothing.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "core/store.h"
#include "qt_test_main.h"
#include "svg_reading.h"
#include "toolkit/figure_export.h"
#include "toolkit/message.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_series.h"
#include "windows/plot_figure.h"
#include "windows/plot_windows.h"

using namespace vantor;
using vantor::testing::IsFontFamilyList;
using vantor::testing::SvgElement;
using vantor::testing::SvgElements;

namespace {

// Runs a poppler tool on `pdf`; returns its output, or a null text when it fails.
QString Poppler(const QString& tool, const QStringList& args) {
  QProcess p;
  p.start(tool, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return QString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

int PageCount(const QString& pdf) {
  for (const QString& line : Poppler(QStringLiteral("pdfinfo"), {pdf}).split('\n')) {
    if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

// The text of the PDF on one line (pdftotext breaks lines where it likes),
// with ligatures ("fi" set as one glyph) spelt out.
QString PdfText(const QString& pdf) {
  return Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
      .normalized(QString::NormalizationForm_KC)
      .simplified();
}

// The number of images in the PDF (pdfimages lists two header lines first).
int ImageCount(const QString& pdf) {
  const QString list = Poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
  if (list.isNull()) return -1;
  return static_cast<int>(list.split('\n', Qt::SkipEmptyParts).size()) - 2;
}

// What an SVG document holds: whether it is well-formed, its texts, the
// number of lines (two-point polylines), dots (circles) and longer paths, and
// whether every font is named by a CSS family list.
struct SvgContent {
  bool wellFormed = false;
  QString text;
  int lines = 0, ellipses = 0, paths = 0;
  bool fontFamiliesValid = true;
};

SvgContent ReadSvg(const QString& path) {
  QFile file(path);
  SvgContent c;
  if (!file.open(QIODevice::ReadOnly)) return c;
  const std::vector<SvgElement> doc = SvgElements(file.readAll());
  if (doc.empty() || doc[0].name != QLatin1String("svg")) return c;
  c.wellFormed = true;
  for (const SvgElement& e : doc) {
    if (e.name == QLatin1String("line")) ++c.lines;
    if (e.name == QLatin1String("ellipse") || e.name == QLatin1String("circle")) ++c.ellipses;
    if (e.name == QLatin1String("path")) ++c.paths;
    if (e.name == QLatin1String("polyline")) {
      const auto points = e.attributes.find(QStringLiteral("points"));
      const bool two = points != e.attributes.end() &&
                       points->second.split(QLatin1Char(' '), Qt::SkipEmptyParts).size() == 2;
      ++(two ? c.lines : c.paths);
    }
    if (e.name == QLatin1String("text")) c.text += e.text + QLatin1Char(' ');
    const auto family = e.attributes.find(QStringLiteral("font-family"));
    if (family != e.attributes.end() && !IsFontFamilyList(family->second)) {
      c.fontFamiliesValid = false;
    }
  }
  c.text = c.text.simplified();
  return c;
}

}  // namespace

class FigureExportTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_.filePath("zzzvnt.ini").toStdString(), [] {});
    main_->ShowModeless();
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(QStringLiteral(VANTOR_SOURCE_DIR "/tests/data/real")));
    main_->frmOpen().Text1->setText(QStringLiteral("CMDra7024.csv"));
    main_->frmOpen().Command1_Click();
    QCOMPARE(store_->NPointsAll, int16_t{30});
    main_->Command1_Click();
    main_->Command2_Click();
    main_->Command3_Click();
    main_->Command4_Click();
    main_->Command5_Click();
    main_->Command7_Click();
    QApplication::processEvents();
  }

  void init() { messages_ = std::make_unique<MessageRecorder>(); }
  void cleanup() { messages_.reset(); }

  // Every window, every format: the file is what its format promises and
  // holds the figure's texts; nothing is reported.
  void everyWindowWritesEveryFormat() {
    for (PlotForm* w : Windows()) {
      const QString name = w->objectName();
      const Figure figure = w->MakeFigure();
      const QString title = QString::fromStdString(figure.texts[figure.texts.size() - 3].text);
      QVERIFY2(title.startsWith(QStringLiteral("CMDra7024.csv \u2014 ")), qPrintable(title));

      const QString pdf = dir_.filePath(name + QStringLiteral(".pdf"));
      Export(*w, {pdf, FigureFormat::Pdf, {}});
      QCOMPARE(PageCount(pdf), 1);
      QCOMPARE(ImageCount(pdf), 0);  // vectors and text, not one big picture
      const QString text = PdfText(pdf);
      for (const QString& expected :
           {title, QStringLiteral("HJD \u2212 58739 (days)"), QStringLiteral("Magnitude (brighter up)")}) {
        QVERIFY2(text.contains(expected), qPrintable(name + ": " + expected + " not in " + text));
      }
      // Every tick label is there too.
      for (const FigureText& t : figure.texts) {
        QVERIFY2(text.contains(QString::fromStdString(t.text)), qPrintable(name));
      }

      const QString svg = dir_.filePath(name + QStringLiteral(".svg"));
      Export(*w, {svg, FigureFormat::Svg, {}});
      const SvgContent content = ReadSvg(svg);
      QVERIFY2(content.wellFormed, qPrintable(name));
      QVERIFY2(content.fontFamiliesValid, qPrintable(name));
      QVERIFY(content.text.contains(title));
      QVERIFY(content.text.contains(QStringLiteral("Magnitude (brighter up)")));
      // The frame, two ticks per grid line and the grid itself are lines.
      const int gridLines = static_cast<int>(figure.xTicks.size() + figure.yTicks.size());
      QVERIFY(gridLines >= 4);
      QVERIFY2(content.lines >= 4 + 3 * gridLines, qPrintable(name));
      // Every kept point is a dot (the point editor draws the deleted ones as crosses).
      QVERIFY2(content.ellipses >= store_->NPoints, qPrintable(name));

      const QString png = dir_.filePath(name + QStringLiteral(".png"));
      Export(*w, {png, FigureFormat::Png, {1200, 800, 200}});
      const QImage image(png);
      QCOMPARE(image.size(), QSize(1200, 800));
      QCOMPARE(std::lround(image.dotsPerMeterX() * 0.0254), 200L);
      QVERIFY(messages_->Texts().isEmpty());
    }
  }

  // The title carries the time a method delivered, and forgets it on Undo.
  void theTitleShowsTheTimeDeliveredUntilUndo() {
    FrmPlott1& w = main_->frmPlott1();
    const auto title = [&] {
      const Figure f = w.MakeFigure();
      return QString::fromStdString(f.texts[f.texts.size() - 3].text);
    };
    QCOMPARE(title(), QStringLiteral("CMDra7024.csv \u2014 Parabolic fit: no result yet"));
    w.mAuto_Click();
    w.Command1_Click();
    QVERIFY(messages_->Texts().isEmpty());
    const QString time = main_->Text[1]->text().trimmed();
    QVERIFY(time.startsWith(QStringLiteral("58739.929")));
    QVERIFY2(title().startsWith(QStringLiteral("CMDra7024.csv \u2014 Parabolic fit: HJD ") + time +
                                QStringLiteral(" \u00b1 ")),
             qPrintable(title()));
    w.Command2_Click();
    QCOMPARE(title(), QStringLiteral("CMDra7024.csv \u2014 Parabolic fit: no result yet"));
  }

  // Cancel writes nothing; an unwritable place is said and writes nothing.
  void cancelOrAnUnwritablePlaceWritesNothing() {
    const QStringList before = QDir(dir_.path()).entryList(QDir::Files);
    {
      FigureRequestAnswerer cancel{std::nullopt};
      main_->frmPlott4().mExportFigure_Click();
      QCOMPARE(cancel.Asked(), 1);
    }
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), before);
    QVERIFY(messages_->Texts().isEmpty());
    for (const FigureFormat format : {FigureFormat::Pdf, FigureFormat::Svg, FigureFormat::Png}) {
      const QString path = dir_.filePath(QStringLiteral("no such folder/figure"));
      Export(main_->frmPlott4(), {path, format, {}});
    }
    QCOMPARE(messages_->Texts().size(), 3);
    QVERIFY(messages_->Texts()[0].startsWith(QStringLiteral("The figure cannot be written")));
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), before);
  }

  // A title longer than the figure is set smaller, a short one at its size.
  void aLongTitleIsSetSmallerToFit() {
    const auto titleSize = [&](const std::string& title) {
      Figure f = main_->frmPlott1().MakeFigure();
      f.texts[f.texts.size() - 3].text = title;
      const QByteArray svg = SvgFigure(QSizeF(f.widthTwips, f.heightTwips), QString(),
                                       [&](QPainter& p, const QSizeF&) { PaintFigure(p, f); });
      for (const SvgElement& e : SvgElements(svg)) {
        if (e.name == QLatin1String("text") && e.text == QString::fromStdString(title)) {
          return e.attributes.at(QStringLiteral("font-size")).toDouble();
        }
      }
      return -1.0;
    };
    QCOMPARE(titleSize("CMDra7024.csv \u2014 Parabolic fit: no result yet"), kFigureTitleTwips);
    const double small = titleSize(std::string(150, 'W'));
    QVERIFY2(small > 0 && small < kFigureTitleTwips / 2, qPrintable(QString::number(small)));
  }

  // The O-C window: its diagram, with its title and axis titles, in each format.
  void theOcWindowWritesItsDiagram() {
    FrmSeries w([](const std::vector<double>&, const std::vector<double>&, const std::string&) {});
    std::vector<double> t, m;
    for (const char* file : {"CMDra7023.csv", "CMDra7024.csv"}) {
      QFile f(QStringLiteral(VANTOR_SOURCE_DIR "/tests/data/real/") + QLatin1String(file));
      QVERIFY(f.open(QIODevice::ReadOnly));
      f.readLine();  // header
      while (!f.atEnd()) {
        const QList<QByteArray> cells = f.readLine().trimmed().split(',');
        if (cells.size() != 2) continue;
        t.push_back(cells[0].toDouble());
        m.push_back(cells[1].toDouble());
      }
    }
    w.SetSeries(t, m, QStringLiteral("CM Dra"), QStringLiteral("bjd-tdb"));
    w.Text1->setText(QStringLiteral("58738.6607"));
    w.Text2->setText(QStringLiteral("1.2683900"));
    w.Command2_Click();
    QVERIFY(w.Result().has_value());
    const QString pdf = dir_.filePath(QStringLiteral("oc.pdf")),
                  svg = dir_.filePath(QStringLiteral("oc.svg")),
                  png = dir_.filePath(QStringLiteral("oc.png"));
    {
      FigureRequestAnswerer answer{FigureRequest{pdf, FigureFormat::Pdf, {}}};
      w.mExportFigure_Click();
      answer.SetAnswer(FigureRequest{svg, FigureFormat::Svg, {}});
      w.mExportFigure_Click();
      answer.SetAnswer(FigureRequest{png, FigureFormat::Png, {900, 600, 150}});
      w.mExportFigure_Click();
    }
    QVERIFY(messages_->Texts().isEmpty());
    QCOMPARE(PageCount(pdf), 1);
    QCOMPARE(ImageCount(pdf), 0);
    const QString text = PdfText(pdf);
    for (const QString& expected :
         {QStringLiteral("CM Dra - O-C"), QStringLiteral("Cycle E"), QStringLiteral("O-C (minutes)")}) {
      QVERIFY2(text.contains(expected), qPrintable(expected + " not in " + text));
    }
    const SvgContent content = ReadSvg(svg);
    QVERIFY(content.wellFormed);
    QVERIFY(content.fontFamiliesValid);
    QVERIFY(content.text.contains(QStringLiteral("CM Dra - O-C")));
    QVERIFY(content.text.contains(QStringLiteral("O-C (minutes)")));
    QVERIFY(content.lines >= 2);      // error bars
    QVERIFY(content.ellipses >= 2);   // the two minima
    QCOMPARE(QImage(png).size(), QSize(900, 600));
  }

 private:
  void Export(PlotForm& w, const FigureRequest& request) {
    FigureRequestAnswerer answer{request};
    w.mExportFigure_Click();
    QCOMPARE(answer.Asked(), 1);
  }

  std::vector<PlotForm*> Windows() {
    return {&main_->frmPlotData(), &main_->frmPlott1(), &main_->frmPlott2(),
            &main_->frmPlott3(),   &main_->frmPlott4(), &main_->frmPlott5()};
  }

  QTemporaryDir dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(FigureExportTest)
#include "figure_export_qtest.moc"
