// Writing figures as PDF, SVG or PNG, the SVG paint device, and the export dialog.
#include "toolkit/figure_export.h"

#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSpinBox>
#include <QTextItem>
#include <cmath>

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

QString Num(double v) {
  if (std::fabs(v) < 1e-9) v = 0;
  return QString::number(v, 'g', 8);
}

QString Colour(const QColor& c) { return c.name(QColor::HexRgb); }

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

// Records every drawing call as an SVG element in device units (twips), with
// the painter's transform as the element's own.
class SvgPaintEngine : public QPaintEngine {
 public:
  SvgPaintEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

  bool begin(QPaintDevice*) override {
    body_.clear();
    setActive(true);
    return true;
  }
  bool end() override {
    setActive(false);
    return true;
  }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& state) override {
    const DirtyFlags f = state.state();
    if (f & DirtyPen) pen_ = state.pen();
    if (f & DirtyBrush) brush_ = state.brush();
    if (f & DirtyTransform) transform_ = state.transform();
    if (f & DirtyFont) font_ = state.font();
  }

  void drawLines(const QLineF* lines, int count) override {
    for (int i = 0; i < count; ++i) {
      Element(QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"")
                  .arg(Num(lines[i].x1()), Num(lines[i].y1()), Num(lines[i].x2()),
                       Num(lines[i].y2())),
              false);
    }
  }

  void drawRects(const QRectF* rects, int count) override {
    for (int i = 0; i < count; ++i) {
      Element(QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
                  .arg(Num(rects[i].x()), Num(rects[i].y()), Num(rects[i].width()),
                       Num(rects[i].height())),
              true);
    }
  }

  void drawEllipse(const QRectF& r) override {
    Element(QStringLiteral("<ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\"")
                .arg(Num(r.center().x()), Num(r.center().y()), Num(r.width() / 2),
                     Num(r.height() / 2)),
            true);
  }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    QString list;
    for (int i = 0; i < count; ++i) {
      list += Num(points[i].x()) + QLatin1Char(',') + Num(points[i].y()) + QLatin1Char(' ');
    }
    const bool line = mode == PolylineMode;
    Element(QStringLiteral("<%1 points=\"%2\"")
                .arg(line ? QStringLiteral("polyline") : QStringLiteral("polygon"), list.trimmed()),
            !line, mode == OddEvenMode);
  }

  void drawPath(const QPainterPath& path) override {
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
      const QPainterPath::Element e = path.elementAt(i);
      const QString at = Num(e.x) + QLatin1Char(' ') + Num(e.y);
      switch (e.type) {
        case QPainterPath::MoveToElement:
          d += QStringLiteral("M") + at + QLatin1Char(' ');
          break;
        case QPainterPath::LineToElement:
          d += QStringLiteral("L") + at + QLatin1Char(' ');
          break;
        case QPainterPath::CurveToElement:
          d += QStringLiteral("C") + at + QLatin1Char(' ');
          break;
        case QPainterPath::CurveToDataElement:
          d += at + QLatin1Char(' ');
          break;
      }
    }
    Element(QStringLiteral("<path d=\"%1\"").arg(d.trimmed()), true,
            path.fillRule() == Qt::OddEvenFill);
  }

  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    const QFont font = item.font();
    const double size = font.pixelSize() > 0 ? font.pixelSize()
                                             : font.pointSizeF() * kTwipsPerInch / 72.0;
    QString attrs = QStringLiteral(" font-family=\"%1\" font-size=\"%2\" fill=\"%3\"")
                        .arg(Escaped(font.family()), Num(size), Colour(pen_.color()));
    if (font.bold()) attrs += QStringLiteral(" font-weight=\"bold\"");
    if (font.italic()) attrs += QStringLiteral(" font-style=\"italic\"");
    body_ += QStringLiteral("<text x=\"%1\" y=\"%2\"%3%4>%5</text>\n")
                 .arg(Num(p.x()), Num(p.y()), attrs, Transform(), Escaped(item.text()));
  }

  // Images are not part of a figure; nothing is written for them.
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

  const QString& Body() const { return body_; }

 private:
  QString Transform() const {
    if (transform_.isIdentity()) return QString();
    return QStringLiteral(" transform=\"matrix(%1 %2 %3 %4 %5 %6)\"")
        .arg(Num(transform_.m11()), Num(transform_.m12()), Num(transform_.m21()),
             Num(transform_.m22()), Num(transform_.dx()), Num(transform_.dy()));
  }

  // Ends an element begun in `start` with its stroke, fill and transform.
  void Element(const QString& start, bool filled, bool oddEven = false) {
    QString s = start;
    if (pen_.style() == Qt::NoPen) {
      s += QStringLiteral(" stroke=\"none\"");
    } else {
      const double width = pen_.widthF() > 0 ? pen_.widthF() : 1.0;
      s += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
               .arg(Colour(pen_.color()), Num(width));
      if (pen_.color().alpha() < 255) {
        s += QStringLiteral(" stroke-opacity=\"%1\"").arg(Num(pen_.color().alphaF()));
      }
      if (pen_.isCosmetic()) s += QStringLiteral(" vector-effect=\"non-scaling-stroke\"");
      if (pen_.capStyle() == Qt::SquareCap) s += QStringLiteral(" stroke-linecap=\"square\"");
      if (pen_.capStyle() == Qt::RoundCap) s += QStringLiteral(" stroke-linecap=\"round\"");
    }
    if (filled && brush_.style() != Qt::NoBrush) {
      s += QStringLiteral(" fill=\"%1\"").arg(Colour(brush_.color()));
      if (brush_.color().alpha() < 255) {
        s += QStringLiteral(" fill-opacity=\"%1\"").arg(Num(brush_.color().alphaF()));
      }
      if (oddEven) s += QStringLiteral(" fill-rule=\"evenodd\"");
    } else {
      s += QStringLiteral(" fill=\"none\"");
    }
    body_ += s + Transform() + QStringLiteral("/>\n");
  }

  QPen pen_;
  QBrush brush_;
  QTransform transform_;
  QFont font_;
  QString body_;
};

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

// --- SvgPaintDevice -------------------------------------------------------------

SvgPaintDevice::SvgPaintDevice(QSizeF sizeTwips, QString title)
    : size_(sizeTwips), title_(std::move(title)), engine_(std::make_unique<SvgPaintEngine>()) {}

SvgPaintDevice::~SvgPaintDevice() = default;

QPaintEngine* SvgPaintDevice::paintEngine() const { return engine_.get(); }

int SvgPaintDevice::metric(PaintDeviceMetric metric) const {
  switch (metric) {
    case PdmWidth:
      return static_cast<int>(std::lround(size_.width()));
    case PdmHeight:
      return static_cast<int>(std::lround(size_.height()));
    case PdmWidthMM:
      return static_cast<int>(std::lround(size_.width() / kTwipsPerInch * 25.4));
    case PdmHeightMM:
      return static_cast<int>(std::lround(size_.height() / kTwipsPerInch * 25.4));
    case PdmNumColors:
      return 0xffffff;
    case PdmDepth:
      return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return static_cast<int>(kTwipsPerInch);
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return static_cast<int>(devicePixelRatioFScale());
    default:
      return 0;
  }
}

QByteArray SvgPaintDevice::Document() const {
  const auto* engine = static_cast<const SvgPaintEngine*>(engine_.get());
  QString doc = QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%1pt\" "
                    "height=\"%2pt\" viewBox=\"0 0 %3 %4\">\n")
                    .arg(Num(size_.width() / 20), Num(size_.height() / 20), Num(size_.width()),
                         Num(size_.height()));
  if (!title_.isEmpty()) doc += QStringLiteral("<title>%1</title>\n").arg(Escaped(title_));
  doc += engine->Body();
  doc += QStringLiteral("</svg>\n");
  return doc.toUtf8();
}

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
    case FigureFormat::Pdf: {
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      QPdfWriter pdf(&buffer);
      pdf.setCreator(QStringLiteral("Vantor"));
      pdf.setTitle(title);
      pdf.setResolution(static_cast<int>(kTwipsPerInch));
      pdf.setPageSize(QPageSize(QSizeF(size.width() / 20, size.height() / 20), QPageSize::Point,
                                QString(), QPageSize::ExactMatch));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      QPainter painter;
      if (!painter.begin(&pdf)) return cannot;
      paint(painter, size);
      if (!painter.end()) return cannot;
      break;
    }
    case FigureFormat::Svg: {
      SvgPaintDevice svg(size, title);
      QPainter painter;
      if (!painter.begin(&svg)) return cannot;
      paint(painter, size);
      painter.end();
      bytes = svg.Document();
      break;
    }
    case FigureFormat::Png: {
      const PngSize& png = request.png;
      if (png.widthPx <= 0 || png.heightPx <= 0 || png.dpi <= 0) return cannot;
      QImage image(png.widthPx, png.heightPx, QImage::Format_RGB32);
      if (image.isNull()) return cannot;
      image.fill(Qt::white);
      const int dotsPerMetre = static_cast<int>(std::lround(png.dpi / 0.0254));
      image.setDotsPerMeterX(dotsPerMetre);
      image.setDotsPerMeterY(dotsPerMetre);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::TextAntialiasing);
      painter.scale(png.dpi / kTwipsPerInch, png.dpi / kTwipsPerInch);
      paint(painter, size);
      painter.end();
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      if (!image.save(&buffer, "PNG")) return cannot;
      break;
    }
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
