// Writing figures as PDF, SVG or PNG, and the export dialog.
#include "toolkit/figure_export.h"

#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFormLayout>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSpinBox>
#include <QSvgGenerator>
#include <cmath>
#include <map>

#include "core/output_file.h"
#include "core/text.h"
#include "toolkit/save_path.h"

namespace vantor {

namespace {

constexpr double kTwipsPerInch = 1440;
// Default size of a PDF or SVG figure: 6.5 x 4.5 inches.
constexpr double kDefaultWidthTwips = 9360;
constexpr double kDefaultHeightTwips = 6480;

FigureRequestAnswerer* activeAnswerer = nullptr;

// --- SVG ---------------------------------------------------------------------

// Qt's SVG generator writes every font as font-family="<family>" followed by
// its size, the family as the font names it ("Sans Serif" for the
// application's default), neither quoted nor escaped. Each becomes the CSS
// family list of the font it resolves to (FontFamilyList), escaped for XML.
QByteArray WithFontFamilyLists(const QByteArray& svg) {
  static const QByteArray kStart = QByteArrayLiteral("font-family=\"");
  static const QByteArray kEnd = QByteArrayLiteral("\" font-size=\"");
  std::map<QByteArray, QByteArray> lists;
  QByteArray out;
  out.reserve(svg.size() + svg.size() / 8);
  qsizetype from = 0;
  for (;;) {
    const qsizetype start = svg.indexOf(kStart, from);
    const qsizetype end = start < 0 ? -1 : svg.indexOf(kEnd, start + kStart.size());
    if (end < 0) break;
    const qsizetype valueAt = start + kStart.size();
    const QByteArray family = svg.mid(valueAt, end - valueAt);
    auto it = lists.find(family);
    if (it == lists.end()) {
      const QString resolved = QFontInfo(QFont(QString::fromUtf8(family))).family();
      it = lists.emplace(family, FontFamilyList(resolved).toHtmlEscaped().toUtf8()).first;
    }
    out.append(svg.constData() + from, valueAt - from);
    out.append(it->second);
    from = end;
  }
  out.append(svg.constData() + from, svg.size() - from);
  return out;
}

// --- The PNG size dialog -----------------------------------------------------

std::optional<PngSize> AskPngSize(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("PNG figure"));
  auto* form = new QFormLayout(&dialog);
  const PngSize defaults;
  const auto spin = [&](const QString& name, int lo, int hi, int value, const QString& suffix) {
    auto* box = new QSpinBox(&dialog);
    box->setObjectName(name);
    box->setRange(lo, hi);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
  };
  QSpinBox* width = spin(QStringLiteral("Width"), 100, 20000, defaults.widthPx, QStringLiteral(" px"));
  QSpinBox* height =
      spin(QStringLiteral("Height"), 100, 20000, defaults.heightPx, QStringLiteral(" px"));
  QSpinBox* dpi = spin(QStringLiteral("Resolution"), 50, 2400, defaults.dpi, QStringLiteral(" dpi"));
  form->addRow(QStringLiteral("Width:"), width);
  form->addRow(QStringLiteral("Height:"), height);
  form->addRow(QStringLiteral("Resolution:"), dpi);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return PngSize{width->value(), height->value(), dpi->value()};
}

}  // namespace

// --- Writing ---------------------------------------------------------------------

std::optional<FigureFormat> FigureFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("pdf")) return FigureFormat::Pdf;
  if (suffix == QLatin1String("svg")) return FigureFormat::Svg;
  if (suffix == QLatin1String("png")) return FigureFormat::Png;
  return std::nullopt;
}

QSizeF FigureSizeTwips(const FigureRequest& request) {
  if (request.format == FigureFormat::Png && request.png.dpi > 0) {
    return QSizeF(request.png.widthPx * kTwipsPerInch / request.png.dpi,
                  request.png.heightPx * kTwipsPerInch / request.png.dpi);
  }
  return QSizeF(kDefaultWidthTwips, kDefaultHeightTwips);
}

QString FontFamilyList(const QString& family) {
  QString list;
  if (!family.isEmpty()) {
    QString quoted = family;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\''), QLatin1String("\\'"));
    list = QLatin1Char('\'') + quoted + QStringLiteral("', ");
  }
  if (family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) != 0) {
    list += QStringLiteral("Arial, ");
  }
  return list + QStringLiteral("sans-serif");
}

QByteArray SvgFigure(const QSizeF& sizeTwips, const QString& title, const FigurePainter& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  // One user unit is a twip: the page is the figure's size at 1440 units an inch.
  svg.setResolution(static_cast<int>(kTwipsPerInch));
  svg.setSize(sizeTwips.toSize());
  svg.setViewBox(QRectF(QPointF(0, 0), sizeTwips));
  // The generator writes the title as it is given, so it is given escaped;
  // no description.
  svg.setTitle(title.toHtmlEscaped());
  svg.setDescription(QString());
  QPainter painter;
  if (!painter.begin(&svg)) return {};
  paint(painter, sizeTwips);
  if (!painter.end()) return {};
  return WithFontFamilyLists(bytes);
}

namespace {

// The figure as a one-page PDF of its own size (vectors and text); empty
// when it cannot be drawn.
QByteArray PdfFigure(const QSizeF& sizeTwips, const QString& title, const FigurePainter& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  pdf.setCreator(QStringLiteral("Vantor"));
  pdf.setTitle(title);
  pdf.setResolution(static_cast<int>(kTwipsPerInch));
  pdf.setPageSize(QPageSize(QSizeF(sizeTwips.width() / 20, sizeTwips.height() / 20), QPageSize::Point,
                            QString(), QPageSize::ExactMatch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&pdf)) return {};
  paint(painter, sizeTwips);
  if (!painter.end()) return {};
  return bytes;
}

// The figure as a PNG of `png`'s pixels and resolution on white; empty for
// a size or resolution that is not positive or an image that cannot be made.
QByteArray PngFigure(const PngSize& png, const QSizeF& sizeTwips, const FigurePainter& paint) {
  if (png.widthPx <= 0 || png.heightPx <= 0 || png.dpi <= 0) return {};
  QImage image(png.widthPx, png.heightPx, QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(Qt::white);
  const int dotsPerMetre = static_cast<int>(std::lround(png.dpi / 0.0254));
  image.setDotsPerMeterX(dotsPerMetre);
  image.setDotsPerMeterY(dotsPerMetre);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(png.dpi / kTwipsPerInch, png.dpi / kTwipsPerInch);
  paint(painter, sizeTwips);
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return bytes;
}

}  // namespace

QString WriteFigure(const FigureRequest& request, const QString& title,
                    const FigurePainter& paint) {
  const QSizeF size = FigureSizeTwips(request);
  const std::string path = QFile::encodeName(request.path).toStdString();
  const QString cannot = QStringLiteral("The figure cannot be written to %1.")
                             .arg(QString::fromStdString(QuotedName(path)));
  // The figure is made in memory and then put in place by the output-file
  // rules (a temporary file renamed at the end; no FIFO, device or read-only
  // file), so that a failed export never leaves half a figure or spoils an
  // old one. A place that the rules refuse is found out before any drawing.
  auto out = OutputFile::Open(path);
  const auto refused = [](const Error& e) {
    return QStringLiteral("The figure cannot be written. ") + QString::fromStdString(e.message);
  };
  if (!out) return refused(out.error());
  QByteArray bytes;
  switch (request.format) {
    case FigureFormat::Pdf:
      bytes = PdfFigure(size, title, paint);
      break;
    case FigureFormat::Svg:
      bytes = SvgFigure(size, title, paint);
      break;
    case FigureFormat::Png:
      bytes = PngFigure(request.png, size, paint);
      break;
  }
  if (bytes.isEmpty()) return cannot;
  auto written = out->Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  if (written) written = out->Commit();
  if (!written) return refused(written.error());
  return {};
}

// --- Asking -------------------------------------------------------------------------

FigureRequestAnswerer::FigureRequestAnswerer(std::optional<FigureRequest> answer)
    : answer_(std::move(answer)), previous_(activeAnswerer) {
  activeAnswerer = this;
}

FigureRequestAnswerer::~FigureRequestAnswerer() { activeAnswerer = previous_; }

std::optional<FigureRequest> AskFigureRequest(QWidget* parent, const QString& proposed) {
  if (activeAnswerer != nullptr) {
    ++activeAnswerer->asked_;
    return activeAnswerer->answer_;
  }
  const QString pdf = QStringLiteral("PDF (*.pdf)");
  const QString svg = QStringLiteral("SVG (*.svg)");
  const QString png = QStringLiteral("PNG image (*.png)");
  QString filter = pdf;
  QString path = AskSavePath(parent, QStringLiteral("Export figure"), proposed,
                             pdf + QStringLiteral(";;") + svg + QStringLiteral(";;") + png, &filter);
  if (path.isEmpty()) return std::nullopt;
  FigureRequest request;
  if (const auto format = FigureFormatOf(path)) {
    request.format = *format;
  } else {
    request.format = filter == svg ? FigureFormat::Svg
                     : filter == png ? FigureFormat::Png
                                     : FigureFormat::Pdf;
    path += request.format == FigureFormat::Svg   ? QStringLiteral(".svg")
            : request.format == FigureFormat::Png ? QStringLiteral(".png")
                                                  : QStringLiteral(".pdf");
  }
  request.path = path;
  if (request.format == FigureFormat::Png) {
    const auto size = AskPngSize(parent);
    if (!size) return std::nullopt;
    request.png = *size;
  }
  return request;
}

}  // namespace vantor
