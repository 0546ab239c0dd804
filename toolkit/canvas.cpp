// Canvas and PaintDrawing: a DrawingList on screen and on paper.
#include "toolkit/canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "toolkit/form.h"
#include "toolkit/twips.h"

namespace vantor {
namespace {

// One pixel of a 96-dpi screen: the width of every line and pixel mark.
constexpr double kPenTwips = 15.0;

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

void PaintDrawing(QPainter& painter, const DrawingList& drawing, double pixelsPerTwip,
                  const QRectF& background) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(background.isEmpty() ? QRectF(painter.window()) : background,
                   ToQColor(drawing.BackColor()));

  const double s = pixelsPerTwip;
  const double penWidth = std::max(1.0, kPenTwips * s);
  for (const Primitive& p : drawing.Primitives()) {
    const QColor color = ToQColor(p.color);
    const QPointF at(p.x1 * s, p.y1 * s);
    switch (p.kind) {
      case Primitive::Kind::Line:
        painter.setPen(QPen(color, penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawLine(at, QPointF(p.x2 * s, p.y2 * s));
        break;
      case Primitive::Kind::Pixel:
        // The pixel that holds the point, as on screen: its top-left corner is the point.
        painter.fillRect(QRectF(at.x(), at.y(), penWidth, penWidth), color);
        break;
      case Primitive::Kind::Circle:
        painter.setPen(QPen(color, penWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, p.radius * s, p.radius * s);
        break;
      case Primitive::Kind::Disc:
        painter.setPen(QPen(color, penWidth));
        painter.setBrush(color);
        painter.drawEllipse(at, p.radius * s, p.radius * s);
        break;
    }
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
