// The current printer, printing a drawing surface, and the print setup dialog.
#include "toolkit/printing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <expected>
#include <string>
#include <vector>

#include "core/error_text.h"
#include "core/output_file.h"
#include "toolkit/canvas.h"
#include "toolkit/message.h"
#include "toolkit/save_path.h"
#include "toolkit/twips.h"

namespace vantor {
namespace {

// Image pixels per screen pixel of a control on paper: near 300 dpi from a
// 96-dpi screen, sharp enough for text and far smaller than a page at the
// printer's 1200 dpi.
constexpr double kControlImageScale = 3.0;

QPrinter* currentPrinter = nullptr;
bool followsDefault = true;

void DeleteCurrentPrinter() {
  delete currentPrinter;
  currentPrinter = nullptr;
}

// The error number when the printer cannot be opened. Qt reports only that
// it failed; for a PDF file the file system tells why.
int OpenErrorNumber(const QPrinter& printer) {
  if (printer.outputFormat() != QPrinter::PdfFormat) return kPrintDeviceUnavailable;
  const QString file = printer.outputFileName();
  if (file.isEmpty()) return kPrintBadFileName;
  const QFileInfo info(file);
  if (!info.absoluteDir().exists()) return kPrintPathNotFound;
  if (info.isDir()) return kPrintPathFileAccess;
  const bool writable =
      info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
  return writable ? kPrintPathFileAccess : kPrintPermissionDenied;
}

// A control as drawn on the screen, without the parent's background behind
// it, at kControlImageScale; a null image when it cannot be made.
QImage ControlImage(QWidget& control) {
  QImage image(control.size() * kControlImageScale, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;
  image.setDevicePixelRatio(kControlImageScale);
  image.fill(Qt::transparent);
  control.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

// Makes `printer` write PDF files to `file`; without a name, to a new file
// at every print.
void SetPdfOutput(QPrinter& printer, const QString& file) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  // An empty name switches back to an installed printer when there is one.
  printer.setOutputFormat(QPrinter::PdfFormat);
}

// The folder a PDF file without a chosen name goes to.
QString PdfFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

// Prints `canvas` to the PDF file `file` by the output-file rules: the PDF
// is made in a private temporary folder and then put in place as every
// output file is (a temporary file beside the target renamed at the end; a
// FIFO, a device or a read-only file refused before anything is drawn, so
// that Qt never opens one of them itself). Returns the print's error number
// (0 on success), or the rules' refusal. A target that does not exist in a
// folder that does not exist, or a folder, goes to the printer unchanged, so
// that it reports its numbered error as always.
std::expected<int, Error> PrintPdfByTheOutputRules(Canvas& canvas, QPrinter& printer,
                                                   const QString& file) {
  const std::string path = QFile::encodeName(file).toStdString();
  auto out = OutputFile::Open(path);
  if (!out) {
    const QFileInfo info(file);
    if (info.exists() && !info.isDir()) return std::unexpected(out.error());
    return PrintCanvas(canvas, printer);
  }
  QTemporaryDir folder;
  if (!folder.isValid()) return kPrintPathFileAccess;
  printer.setOutputFileName(folder.filePath(QStringLiteral("print.pdf")));
  const int error = PrintCanvas(canvas, printer);
  printer.setOutputFileName(file);
  if (error != 0) return error;
  QFile made(folder.filePath(QStringLiteral("print.pdf")));
  if (!made.open(QIODevice::ReadOnly)) return kPrintDeviceIoError;
  const QByteArray bytes = made.readAll();
  if (auto w = out->Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
      !w) {
    return std::unexpected(w.error());
  }
  if (auto c = out->Commit(); !c) return std::unexpected(c.error());
  return 0;
}

}  // namespace

QPrinter& CurrentPrinter() {
  if (currentPrinter == nullptr) {
    currentPrinter = new QPrinter(QPrinter::HighResolution);
    // QPrinter needs the application's print support until its end.
    qAddPostRoutine(DeleteCurrentPrinter);
  }
  return *currentPrinter;
}

bool CurrentPrinterFollowsDefault() { return followsDefault; }

int PrintCanvas(Canvas& canvas, QPrinter& printer) {
  // The controls' images first: running out of memory then prints nothing.
  struct Control {
    QRectF screenRect;
    QImage image;
  };
  std::vector<Control> controls;
  for (QObject* child : canvas.children()) {
    auto* control = qobject_cast<QWidget*>(child);
    if (control == nullptr || control->isHidden()) continue;
    QImage image = ControlImage(*control);
    if (image.isNull()) return kPrintOutOfMemory;
    controls.push_back({QRectF(control->geometry()), std::move(image)});
  }

  QPainter painter;
  if (!painter.begin(&printer)) return OpenErrorNumber(printer);
  const double screenPixelsPerTwip = PixelsPerTwip();
  const double widthTwips = canvas.width() / screenPixelsPerTwip;
  const double heightTwips = canvas.height() / screenPixelsPerTwip;
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  double scale = printer.resolution() / kTwipsPerInch;  // printer pixels per twip
  if (widthTwips > 0 && heightTwips > 0) {
    scale = std::min({scale, page.width() / widthTwips, page.height() / heightTwips});
  }
  const QRectF onPage(0, 0, widthTwips * scale, heightTwips * scale);
  PaintDrawing(painter, canvas, scale, onPage);
  // Controls reaching past the window's edge are cut there, as on the screen.
  painter.setClipRect(onPage);
  const double k = scale / screenPixelsPerTwip;  // printer pixels per screen pixel
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  for (const Control& c : controls) {
    const QRectF& r = c.screenRect;
    painter.drawImage(QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k), c.image);
  }
  if (!painter.end() || printer.printerState() == QPrinter::Error) return kPrintDeviceIoError;
  return 0;
}

void PrintWindow(QWidget& window, Canvas& canvas) {
  QPrinter& printer = CurrentPrinter();
  if (followsDefault && printer.outputFormat() == QPrinter::NativeFormat) {
    const QString systemDefault = QPrinterInfo::defaultPrinterName();
    if (!systemDefault.isEmpty() && systemDefault != printer.printerName()) {
      printer.setPrinterName(systemDefault);
    }
  }
  const bool toPdf = printer.outputFormat() == QPrinter::PdfFormat;
  // Without a chosen file, every print asks where its PDF goes, proposing a
  // new file named after the window, so that no earlier file is overwritten;
  // Cancel writes nothing. The printer keeps having no file name.
  const bool newFile = toPdf && printer.outputFileName().isEmpty();
  if (newFile) {
    const QString chosen =
        AskSavePath(&window, QStringLiteral("Print to PDF"),
                    detail::NewPdfPath(PdfFolder(), window.objectName()), QStringLiteral("PDF (*.pdf)"));
    if (chosen.isEmpty()) return;
    printer.setOutputFileName(chosen);
  }
  const QString file = printer.outputFileName();

  int error = 0;
  if (toPdf) {
    const auto printed = PrintPdfByTheOutputRules(canvas, printer, file);
    if (!printed) {
      if (newFile) SetPdfOutput(printer, QString());
      ShowMessage(QString::fromStdString(printed.error().message));
      return;
    }
    error = *printed;
  } else {
    error = PrintCanvas(canvas, printer);
  }

  if (newFile) SetPdfOutput(printer, QString());
  if (error != 0) {
    ShowMessage(QString::number(error) + QLatin1Char(' ') +
                QString::fromStdString(RuntimeErrorMessage(error)));
  } else if (toPdf) {
    ShowMessage(QStringLiteral("The window was printed to the PDF file %1.")
                    .arg(QDir::toNativeSeparators(file)));
  }
}

bool PrintSetup(QWidget& window) {
  QPrinter& current = CurrentPrinter();
  QPrinter chosen(QPrinter::HighResolution);
  // A PDF output without a file name proposes the file the next print would
  // write; keeping that proposal keeps a new file for every print.
  const bool toPdf = current.outputFormat() == QPrinter::PdfFormat;
  const QString proposed = toPdf && current.outputFileName().isEmpty()
                               ? detail::NewPdfPath(PdfFolder(), window.objectName())
                               : current.outputFileName();
  if (toPdf) {
    SetPdfOutput(chosen, proposed);
  } else {
    chosen.setPrinterName(current.printerName());
  }
  // Qt's dialog names a proposed PDF file after the document.
  chosen.setDocName(window.objectName());
  chosen.setPaperSource(current.paperSource());
  chosen.setCopyCount(current.copyCount());
  chosen.setPageOrientation(current.pageLayout().orientation());
  chosen.setColorMode(current.colorMode());
  chosen.setDuplex(current.duplex());
  chosen.setPageSize(current.pageLayout().pageSize());
  chosen.setResolution(current.resolution());

  followsDefault = false;
  QPrintDialog dialog(&chosen, &window);
  // No selection and no page numbers: the page is always the whole window.
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  if (dialog.exec() != QDialog::Accepted) return false;

  if (chosen.outputFormat() == QPrinter::PdfFormat) {
    const QString file = chosen.outputFileName();
    SetPdfOutput(current,
                 file == proposed && current.outputFileName().isEmpty() ? QString() : file);
  } else {
    current.setOutputFileName(QString());
    current.setOutputFormat(QPrinter::NativeFormat);
    const QString name = chosen.printerName().toUpper();
    if (name != current.printerName()) {
      const int match = detail::LastMatchingPrinter(QPrinterInfo::availablePrinterNames(), name);
      if (match >= 0) current.setPrinterName(QPrinterInfo::availablePrinterNames()[match]);
    }
  }
  current.setCopyCount(chosen.copyCount());
  current.setPageOrientation(chosen.pageLayout().orientation());
  current.setColorMode(chosen.colorMode());
  current.setDuplex(chosen.duplex());
  current.setPaperSource(chosen.paperSource());
  current.setPageSize(chosen.pageLayout().pageSize());
  current.setResolution(chosen.resolution());
  return true;
}

namespace detail {

int LastMatchingPrinter(const QStringList& installed, const QString& chosenUpper) {
  int match = -1;
  for (int i = 0; i < installed.size(); ++i) {
    if (installed[i].toUpper() == chosenUpper) match = i;
  }
  return match;
}

QString NewPdfPath(const QString& folder, const QString& windowName) {
  const QDir dir(folder);
  QString path = dir.filePath(windowName + QStringLiteral(".pdf"));
  for (int n = 2; QFileInfo::exists(path); ++n) {
    path = dir.filePath(QStringLiteral("%1-%2.pdf").arg(windowName).arg(n));
  }
  return path;
}

}  // namespace detail

}  // namespace vantor
