// PaintFigure: a figure's drawing and texts.
#include "windows/plot_figure.h"

#include <QFont>
#include <QPainter>
#include <cmath>

#include "toolkit/canvas.h"

namespace vantor {

namespace {
// Width of the box a text is laid out in: wider than any figure text.
constexpr double kTextBoxTwips = 40000;
}  // namespace

void PaintFigure(QPainter& painter, const Figure& figure) {
  PaintDrawing(painter, figure.drawing, 1.0, QRectF(0, 0, figure.widthTwips, figure.heightTwips));
  painter.save();
  painter.setPen(Qt::black);
  for (const FigureText& t : figure.texts) {
    QFont font = painter.font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(t.sizeTwips))));
    font.setBold(t.bold);
    painter.setFont(font);
    const QString text = QString::fromStdString(t.text);
    const double h = 2 * t.sizeTwips;
    Qt::Alignment align = Qt::AlignVCenter;
    double left = 0;
    switch (t.align) {
      case FigureText::Align::Start:
        align |= Qt::AlignLeft;
        left = 0;
        break;
      case FigureText::Align::Middle:
        align |= Qt::AlignHCenter;
        left = -kTextBoxTwips / 2;
        break;
      case FigureText::Align::End:
        align |= Qt::AlignRight;
        left = -kTextBoxTwips;
        break;
    }
    painter.save();
    painter.translate(t.x, t.y);
    if (t.vertical) painter.rotate(-90);
    painter.drawText(QRectF(left, -h / 2, kTextBoxTwips, h), align, text);
    painter.restore();
  }
  painter.restore();
}

}  // namespace vantor
