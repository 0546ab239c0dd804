// Tests of printing the plot windows: every window printed to a one-page PDF
// that shows its plot and its controls, the error messages of a PDF file that
// cannot be written, a new file per print without a chosen file, and the print
// setup dialog cancelled and confirmed.
#include <sys/stat.h>

#include <QAction>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "toolkit/printing.h"
#include "toolkit/save_path.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

// Returns the number of pages pdfinfo reads in `pdf`, or -1 when it refuses the file.
int PageCount(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdfinfo"), {pdf});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return -1;
  for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

// Renders the first page of `pdf` at `dpi` with pdftoppm.
QImage RenderPage(const QString& pdf, int dpi) {
  const QString prefix = pdf + QStringLiteral(".page");
  QProcess p;
  p.start(QStringLiteral("pdftoppm"),
          {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
           QStringLiteral("-singlefile"), pdf, prefix});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return QImage();
  return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// Counts the pixels of `image` inside `area` for which `test` holds.
template <typename Test>
int CountPixels(const QImage& image, const QRect& area, Test test) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) n += test(QColor(image.pixel(x, y))) ? 1 : 0;
  }
  return n;
}

bool IsRed(const QColor& c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; }
bool IsWhite(const QColor& c) { return c.red() > 250 && c.green() > 250 && c.blue() > 250; }

}  // namespace

class PrintingTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_.filePath("zzzvnt.ini").toStdString(), [] {});
    main_->ShowModeless();
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(QStringLiteral(VANTOR_SOURCE_DIR "/examples")));
    main_->frmOpen().Text1->setText(QStringLiteral("eclipse_header.csv"));
    main_->frmOpen().Command1_Click();
    QCOMPARE(store_->NPointsAll, int16_t{60});
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

  void everyWindowPrintsAsOnePageWithItsPlotAndControls() {
    for (PlotForm* w : Windows()) {
      const QString name = w->objectName();
      const QString pdf = dir_.filePath(name + ".pdf");
      CurrentPrinter().setOutputFileName(pdf);
      messages_->Clear();
      w->mPrint_Click();
      QCOMPARE(messages_->Texts(),
               QStringList{QStringLiteral("The window was printed to the PDF file %1.").arg(pdf)});
      QCOMPARE(PageCount(pdf), 1);

      const int dpi = 72;
      const QImage page = RenderPage(pdf, dpi);
      QVERIFY2(!page.isNull(), qPrintable(name));
      QVERIFY2(CountPixels(page, page.rect(), IsRed) >= 20, qPrintable(name));
      // A button of the window (the point editor has none), where the window
      // has it on the screen: every window fits the page at its own size.
      auto* button = w->Drawing().findChild<QPushButton*>();
      if (button == nullptr) continue;
      const QPointF origin = CurrentPrinter().pageLayout().paintRect(QPageLayout::Inch).topLeft();
      const double screenDpi = w->logicalDpiX();
      const QRectF g = button->geometry();
      const QRect onPage(QPointF(origin.x() * dpi + g.left() * dpi / screenDpi,
                                 origin.y() * dpi + g.top() * dpi / screenDpi)
                             .toPoint(),
                         (g.size() * dpi / screenDpi).toSize());
      const int area = onPage.width() * onPage.height();
      QVERIFY2(
          area > 0 && CountPixels(page, onPage, [](QColor c) { return !IsWhite(c); }) > area / 2,
          qPrintable(name));
    }
  }

  void printingErrorsShowNumberAndTextAndChangeNothing() {
    FrmPlott2& w = main_->frmPlott2();
    const auto primitives = w.Drawing().Primitives().size();
    const int scroll = w.HScroll1->value();
    const struct {
      QString file;
      QString message;
    } cases[] = {
        {dir_.filePath("no such folder/frmPlott2.pdf"), "76 Error 76: Path not found."},
        {dir_.path(), "75 Error 75: Path/file access error."},
    };
    for (const auto& c : cases) {
      CurrentPrinter().setOutputFileName(c.file);
      messages_->Clear();
      // Qt's own note on the printer that could not be opened.
      QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
      w.findChild<QAction*>(QStringLiteral("mPrint"))->trigger();
      QCOMPARE(messages_->Texts(), QStringList{c.message});
      QCOMPARE(CurrentPrinter().outputFileName(), c.file);
    }
    QVERIFY(w.isVisible());
    QCOMPARE(w.Drawing().Primitives().size(), primitives);
    QCOMPARE(w.HScroll1->value(), scroll);
    QCOMPARE(store_->NPoints, int16_t{60});
  }

  // A PDF goes in place by the output-file rules: a FIFO or a read-only file
  // is refused before anything is drawn (Qt would block on the FIFO, and
  // write over the read-only file as root), an old PDF is replaced whole.
  void printingToPdfFollowsTheOutputFileRules() {
    FrmPlott2& w = main_->frmPlott2();
    const QString fifo = dir_.filePath("print.fifo");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString readOnly = dir_.filePath("kept.pdf");
    {
      QFile f(readOnly);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("old");
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QString old = dir_.filePath("old.pdf");
    {
      QFile f(old);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("old");
    }
    const struct {
      QString file, messageStart;
    } cases[] = {
        {fifo, "Cannot write "},
        {readOnly, "Cannot write "},
        {old, "The window was printed to the PDF file "},
    };
    for (const auto& c : cases) {
      CurrentPrinter().setOutputFileName(c.file);
      messages_->Clear();
      w.findChild<QAction*>(QStringLiteral("mPrint"))->trigger();
      QCOMPARE(messages_->Texts().size(), 1);
      QVERIFY2(messages_->Texts()[0].startsWith(c.messageStart), qPrintable(messages_->Texts()[0]));
      QCOMPARE(CurrentPrinter().outputFileName(), c.file);
    }
    QCOMPARE(QFileInfo(fifo).isFile(), false);
    QFile kept(readOnly);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
    QCOMPARE(PageCount(old), 1);
    // No temporary file is left beside any of the three.
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
      QVERIFY2(!name.startsWith("old.pdf.") && !name.startsWith("kept.pdf.") &&
                   !name.startsWith("print.fifo."),
               qPrintable(name));
    }
  }

  void withoutAChosenFileEveryPrintWritesANewFile() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) QSKIP("a printer is installed");
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    CurrentPrinter().setOutputFileName(QString());
    SavePathAnswerer answerer{SavePathAnswerer::AcceptProposal{}};
    main_->frmPlott3().mPrint_Click();
    main_->frmPlott3().mPrint_Click();
    qputenv("HOME", oldHome);
    const QString first = home.filePath("frmPlott3.pdf");
    const QString second = home.filePath("frmPlott3-2.pdf");
    // Each print asked where to write, proposing a file of its own.
    QCOMPARE(answerer.Proposed(), (QStringList{first, second}));
    QCOMPARE(
        messages_->Texts(),
        (QStringList{QStringLiteral("The window was printed to the PDF file %1.").arg(first),
                     QStringLiteral("The window was printed to the PDF file %1.").arg(second)}));
    QCOMPARE(PageCount(first), 1);
    QCOMPARE(PageCount(second), 1);
    QVERIFY(CurrentPrinter().outputFileName().isEmpty());
    QCOMPARE(CurrentPrinter().outputFormat(), QPrinter::PdfFormat);
  }

  // Without a chosen file the print goes where the user says, and nowhere on Cancel.
  void withoutAChosenFileThePrintGoesWhereTheUserSays() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) QSKIP("a printer is installed");
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    CurrentPrinter().setOutputFileName(QString());
    const QString chosen = dir_.filePath("chosen-by-the-user.pdf");
    {
      SavePathAnswerer cancel{QString()};
      main_->frmPlott1().mPrint_Click();
      QCOMPARE(cancel.Proposed().size(), 1);
    }
    {
      SavePathAnswerer answer{chosen};
      main_->frmPlott1().mPrint_Click();
    }
    qputenv("HOME", oldHome);
    QVERIFY(QDir(home.path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(messages_->Texts(),
             QStringList{QStringLiteral("The window was printed to the PDF file %1.").arg(chosen)});
    QCOMPARE(PageCount(chosen), 1);
    QVERIFY(CurrentPrinter().outputFileName().isEmpty());
  }

  // Runs after the other printing cases: the printer follows the default until then.
  void cancellingSetupKeepsThePrinterButStopsFollowingTheDefault() {
    QVERIFY(CurrentPrinterFollowsDefault());
    QPrinter& p = CurrentPrinter();
    const QString file = dir_.filePath("cancelled.pdf");
    p.setOutputFileName(file);
    p.setCopyCount(2);
    p.setPageOrientation(QPageLayout::Landscape);
    p.setColorMode(QPrinter::GrayScale);
    p.setPageSize(QPageSize(QPageSize::Letter));
    bool shown = false;
    QTimer::singleShot(0, [&] {
      QPrintDialog* dialog = FindDialog();
      shown = dialog != nullptr;
      if (dialog) dialog->reject();
    });
    // frmPlott1 spells its entry mPrintsetup.
    main_->frmPlott1().findChild<QAction*>(QStringLiteral("mPrintsetup"))->trigger();
    QVERIFY(shown);
    QVERIFY(!CurrentPrinterFollowsDefault());
    QCOMPARE(p.outputFileName(), file);
    QCOMPARE(p.copyCount(), 2);
    QCOMPARE(p.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(p.colorMode(), QPrinter::GrayScale);
    QCOMPARE(p.pageLayout().pageSize().id(), QPageSize::Letter);
    QCOMPARE(p.resolution(), 1200);
  }

  void confirmingSetupPresetsTheDialogAndCopiesItsSettings() {
    QPrinter& p = CurrentPrinter();
    const QString file = dir_.filePath("confirmed.pdf");
    p.setOutputFileName(file);
    p.setCopyCount(2);
    p.setPageOrientation(QPageLayout::Landscape);
    p.setColorMode(QPrinter::Color);
    int presetCopies = 0;
    QTimer::singleShot(0, [&] {
      QPrintDialog* dialog = FindDialog();
      if (dialog == nullptr) return;
      auto* copies = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
      auto* grey = dialog->findChild<QRadioButton*>(QStringLiteral("grayscale"));
      if (copies && grey) {
        presetCopies = copies->value();
        copies->setValue(3);
        grey->setChecked(true);
      }
      dialog->accept();
    });
    main_->frmPlott4().findChild<QAction*>(QStringLiteral("mPrintSetup"))->trigger();
    QCOMPARE(presetCopies, 2);
    QCOMPARE(p.copyCount(), 3);
    QCOMPARE(p.colorMode(), QPrinter::GrayScale);
    QCOMPARE(p.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(p.outputFileName(), file);
  }

  void theLastInstalledPrinterOfTheChosenNameBecomesCurrent() {
    const QStringList installed{"Laser", "ink", "LASER", "Ink2"};
    QCOMPARE(detail::LastMatchingPrinter(installed, "LASER"), 2);
    QCOMPARE(detail::LastMatchingPrinter(installed, "INK"), 1);
    QCOMPARE(detail::LastMatchingPrinter(installed, "PLOTTER"), -1);
  }

 private:
  std::vector<PlotForm*> Windows() {
    return {&main_->frmPlotData(), &main_->frmPlott1(), &main_->frmPlott2(),
            &main_->frmPlott3(),   &main_->frmPlott4(), &main_->frmPlott5()};
  }

  static QPrintDialog* FindDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QPrintDialog*>(w); dialog && dialog->isVisible())
        return dialog;
    }
    return nullptr;
  }

  QTemporaryDir dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(PrintingTest)
#include "printing_qtest.moc"
