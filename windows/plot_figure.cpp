// PaintFigure: a figure's drawing and texts.
#include "windows/plot_figure.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "toolkit/canvas.h"

namespace vantor {

namespace {
// Width of the box a text is laid out in: wider than any figure text.
constexpr double kTextBoxTwips = 40000;
// Space kept clear at both ends of a text that spans the figure.
constexpr double kTextMarginTwips = 120;
}  // namespace

void PaintFigure(QPainter& painter, const Figure& figure) {
  PaintDrawing(painter, figure.drawing, 1.0, QRectF(0, 0, figure.widthTwips, figure.heightTwips));
  painter.save();
  painter.setPen(Qt::black);
  for (const FigureText& t : figure.texts) {
    const QString text = QString::fromStdString(t.text);
    QFont font = painter.font();
    font.setBold(t.bold);
    double size = t.sizeTwips;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    // A text longer than the figure (a long file name in the title) is set
    // smaller until it fits between the margins.
    const double room = (t.vertical ? figure.heightTwips : figure.widthTwips) - 2 * kTextMarginTwips;
    const double wide = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
    if (wide > room && room > 0) {
      size *= room / wide;
      font.setPixelSize(std::max(1, static_cast<int>(std::floor(size))));
    }
    painter.setFont(font);
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
