// Canvas and PaintDrawing: a DrawingList on screen and on paper.
#include "toolkit/canvas.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/twips.h"

namespace vantor {
namespace {

// One pixel of a 96-dpi screen: the width of every line and pixel mark.
constexpr double kPenTwips = 15.0;

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// Dot marks on a raster device (the screen, an image) are copies of a disc
// drawn once, not a disc drawn for each point: outlining and filling a small
// ellipse costs some fifty times more than copying its pixels. Where a disc's
// pixels fall depends on where its centre lies within a device pixel, so each
// disc is drawn for kPhases x kPhases positions of the centre, and a mark
// takes the copy drawn nearest its own position (within 1/32 pixel). Printers
// and PDF files get true discs: their marks stay circles at any resolution.
constexpr int kPhases = 16;
// Discs wider than this many device pixels are drawn as discs: large marks
// are rare, and a copy of each position would cost more memory than it saves.
constexpr double kLargestCopiedRadius = 24.0;

// The pre-drawn discs of one colour, radius and pen width at one scale of
// device pixels per painter unit.
class DiscCopies {
 public:
  DiscCopies(QRgb rgb, double radius, double penWidth, double scale)
      : rgb_(rgb), radius_(radius), penWidth_(penWidth), scale_(scale) {
    // The disc and its outline, its centre anywhere within a pixel, with a
    // pixel to spare on every side.
    margin_ = static_cast<int>(std::ceil((radius + penWidth) * scale)) + 2;
  }

  bool Fits(QRgb rgb, double radius, double penWidth, double scale) const {
    return rgb == rgb_ && radius == radius_ && penWidth == penWidth_ && scale == scale_;
  }
  // Device pixels from a copy's top-left corner to the pixel that holds its centre.
  int Margin() const { return margin_; }
  double Scale() const { return scale_; }

  // The disc whose centre lies (px / kPhases, py / kPhases) of a pixel right
  // of and below the top-left corner of pixel (Margin, Margin).
  const QImage& At(int px, int py) {
    QImage& copy = copies_[static_cast<size_t>(py * kPhases + px)];
    if (copy.isNull()) copy = Draw(px, py);
    return copy;
  }

 private:
  QImage Draw(int px, int py) const {
    const int side = 2 * margin_ + 1;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The same disc as on the device, in the same units and at the same
    // scale, only moved by whole pixels.
    painter.setWorldTransform(QTransform(scale_, 0, 0, scale_,
                                         margin_ + static_cast<double>(px) / kPhases,
                                         margin_ + static_cast<double>(py) / kPhases));
    const QColor color = QColor::fromRgb(rgb_);
    painter.setPen(QPen(color, penWidth_));
    painter.setBrush(color);
    painter.drawEllipse(QPointF(0, 0), radius_, radius_);
    return image;
  }

  QRgb rgb_;
  double radius_, penWidth_, scale_;
  int margin_ = 0;
  std::array<QImage, kPhases * kPhases> copies_;
};

// The discs drawn so far, per thread (an image may be painted on any thread);
// a handful of colours and sizes are in use at a time.
DiscCopies& CopiesOf(QRgb rgb, double radius, double penWidth, double scale) {
  constexpr size_t kKept = 16;
  thread_local std::vector<std::unique_ptr<DiscCopies>> kept;
  for (auto& c : kept) {
    if (c->Fits(rgb, radius, penWidth, scale)) return *c;
  }
  if (kept.size() >= kKept) kept.erase(kept.begin());
  kept.push_back(std::make_unique<DiscCopies>(rgb, radius, penWidth, scale));
  return *kept.back();
}

// Cuts the segment from `a` to `b` to the rectangle r (edges included, by
// Liang and Barsky's parameters), then draws each end that was cut back by
// `pullBack` along the segment (at most to the other end); false when no
// part of the segment lies inside.
bool CutToRect(QPointF& a, QPointF& b, const QRectF& r, double pullBack) {
  const auto part =
      SegmentInBox(a.x(), a.y(), b.x(), b.y(), r.left(), r.top(), r.right(), r.bottom());
  if (!part) return false;
  const double enter = part->enter, leave = part->leave;
  const double dx = b.x() - a.x();
  const double dy = b.y() - a.y();
  if (enter > 0.0 || leave < 1.0) {
    const double length = std::hypot(dx, dy);
    const double back = length > 0.0 ? pullBack / length : 0.0;
    const double e = enter > 0.0 ? enter + back : enter;
    const double l = leave < 1.0 ? leave - back : leave;
    // Pulled back past each other: the point where the cut part was.
    const double from = std::min(e, l) == e ? e : (enter + leave) / 2;
    const double to = std::min(e, l) == e ? l : (enter + leave) / 2;
    const QPointF start = a;
    a = QPointF(start.x() + from * dx, start.y() + from * dy);
    b = QPointF(start.x() + to * dx, start.y() + to * dy);
  }
  return true;
}

// Device pixels per painter unit when the painter draws onto a raster device
// with equal scales on both axes and no rotation, and copies of pre-drawn
// discs can stand for discs; nullopt otherwise (printers, PDF, SVG, a
// rotated or stretched painter, a composition other than plain painting over).
std::optional<double> CopyScale(QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  if (engine == nullptr || engine->type() != QPaintEngine::Raster) return std::nullopt;
  if (painter.compositionMode() != QPainter::CompositionMode_SourceOver) return std::nullopt;
  const QTransform device = painter.deviceTransform();
  if (device.type() > QTransform::TxScale || device.m11() != device.m22() || !(device.m11() > 0)) {
    return std::nullopt;
  }
  return device.m11();
}

// Draws primitives in order, keeping the pen and the clip between them.
class Painting {
 public:
  Painting(QPainter& painter, double pixelsPerTwip)
      : painter_(painter),
        s_(pixelsPerTwip),
        penWidth_(std::max(1.0, kPenTwips * pixelsPerTwip)),
        copyScale_(CopyScale(painter)),
        device_(painter.deviceTransform()),
        fromDevice_(device_.inverted()) {}

  // From here on, lines are cut at the area's edges (their square ends
  // within the frame's own lines), pixels
  // are cut at the frame lines' outer sides, and discs and circles centred
  // outside the area are left out. The cut is made on the coordinates, so
  // that a printer or PDF file gets the cut lines and no clip path, and the
  // discs kept are drawn whole.
  void ClipTo(const ClipArea& a) {
    clip_ = a;
    edges_ = QRectF(QPointF(a.left * s_, a.top * s_), QPointF(a.right * s_, a.bottom * s_));
    const double half = penWidth_ / 2;
    outer_ = edges_.adjusted(-half, -half, half, half);
  }

  void Draw(const Primitive& p) {
    const QPointF at(p.x1 * s_, p.y1 * s_);
    switch (p.kind) {
      case Primitive::Kind::Line: {
        QPointF from = at, to(p.x2 * s_, p.y2 * s_);
        // A cut end is drawn back by half a pen width, so that its square end
        // stops at the edge and its corners within the frame's line.
        if (clip_ && !CutToRect(from, to, edges_, penWidth_ / 2)) break;
        UsePen(p.color, Outline::Line);
        painter_.drawLine(from, to);
        break;
      }
      case Primitive::Kind::Pixel: {
        // The pixel that holds the point, as on screen: its top-left corner is the point.
        QRectF pixel(at.x(), at.y(), penWidth_, penWidth_);
        if (clip_) pixel = pixel.intersected(outer_);
        if (!pixel.isEmpty()) painter_.fillRect(pixel, ToQColor(p.color));
        break;
      }
      case Primitive::Kind::Circle:
        if (clip_ && !clip_->Contains(p.x1, p.y1)) break;
        UsePen(p.color, Outline::Round);
        painter_.setBrush(Qt::NoBrush);
        painter_.drawEllipse(at, p.radius * s_, p.radius * s_);
        break;
      case Primitive::Kind::Disc:
        if (clip_ && !clip_->Contains(p.x1, p.y1)) break;
        DrawDisc(p.color, at, p.radius * s_);
        break;
    }
  }

 private:
  // Lines are mitred, the outlines of circles and discs bevelled (the pen's default).
  enum class Outline { Line, Round };
  void UsePen(Rgb color, Outline outline) {
    if (pen_ && *pen_ == color && outline_ == outline) return;
    painter_.setPen(QPen(ToQColor(color), penWidth_, Qt::SolidLine, Qt::SquareCap,
                         outline == Outline::Line ? Qt::MiterJoin : Qt::BevelJoin));
    pen_ = color;
    outline_ = outline;
  }

  void DrawDisc(Rgb color, QPointF at, double radius) {
    if (copyScale_ && radius * *copyScale_ <= kLargestCopiedRadius) {
      const QRgb rgb = qRgb(color.r, color.g, color.b);
      if (copies_ == nullptr || !copies_->Fits(rgb, radius, penWidth_, *copyScale_)) {
        copies_ = &CopiesOf(rgb, radius, penWidth_, *copyScale_);
      }
      const QPointF centre = device_.map(at);
      const double cx = std::floor(centre.x() * kPhases + 0.5);
      const double cy = std::floor(centre.y() * kPhases + 0.5);
      if (std::abs(cx) < 1e9 && std::abs(cy) < 1e9) {
        const auto ix = static_cast<int64_t>(cx);
        const auto iy = static_cast<int64_t>(cy);
        const int64_t px = ((ix % kPhases) + kPhases) % kPhases;
        const int64_t py = ((iy % kPhases) + kPhases) % kPhases;
        const int m = copies_->Margin();
        const QImage& copy = copies_->At(static_cast<int>(px), static_cast<int>(py));
        // The copy's top-left corner in device pixels, then in painter units.
        const QPointF corner = fromDevice_.map(QPointF(static_cast<double>((ix - px) / kPhases - m),
                                                       static_cast<double>((iy - py) / kPhases - m)));
        const double side = copy.width() / *copyScale_;
        painter_.drawImage(QRectF(corner, QSizeF(side, side)), copy);
        return;
      }
    }
    UsePen(color, Outline::Round);
    painter_.setBrush(ToQColor(color));
    painter_.drawEllipse(at, radius, radius);
  }

  QPainter& painter_;
  const double s_;
  const double penWidth_;
  const std::optional<double> copyScale_;
  const QTransform device_, fromDevice_;
  std::optional<Rgb> pen_;
  Outline outline_ = Outline::Line;
  std::optional<ClipArea> clip_;
  QRectF edges_, outer_;  // the clip area in painter units, and with the frame lines' outer halves
  DiscCopies* copies_ = nullptr;
};

}  // namespace

void PaintDrawing(QPainter& painter, const DrawingList& drawing, double pixelsPerTwip,
                  const QRectF& background) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(background.isEmpty() ? QRectF(painter.window()) : background,
                   ToQColor(drawing.BackColor()));

  Painting painting(painter, pixelsPerTwip);
  const std::vector<Primitive>& items = drawing.Primitives();
  for (size_t i = 0; i < items.size(); ++i) {
    if (drawing.Clip() && i == drawing.ClippedFrom()) painting.ClipTo(*drawing.Clip());
    painting.Draw(items[i]);
  }
  painter.restore();
}

Canvas::Canvas(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void Canvas::Changed() { update(); }

void Canvas::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  PaintDrawing(painter, *this, PixelsPerTwip(), QRectF(rect()));
}

// QWidget's double-click handler calls this one for the second press.
void Canvas::mousePressEvent(QMouseEvent* event) {
  emit mouseDown(Form::ButtonCode(event->button()), PixelsToTwips(event->position().x()),
                 PixelsToTwips(event->position().y()));
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMove(Form::ButtonCodes(event->buttons()), PixelsToTwips(event->position().x()),
                 PixelsToTwips(event->position().y()));
}

}  // namespace vantor
