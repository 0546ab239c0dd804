// Canvas: the drawing surface of a plot window. It is a DrawingList (the
// renderers draw onto it in twips and it keeps every primitive until the next
// clear) and a widget that paints that list scaled to pixels, so the window
// keeps its drawing when covered and uncovered.
//
// PaintDrawing is the one routine that turns a DrawingList into pixels; the
// screen and the printer both use it, with their own scale.
#pragma once

#include <QRectF>
#include <QWidget>

#include "core/surface.h"

class QPainter;

namespace vantor {

// Paints a drawing: fills `background` (in the painter's coordinates; the
// painter's whole window when empty) with the back colour, then every
// primitive in order in its colour, twips scaled by pixelsPerTwip. Lines and
// pixels are one screen pixel (1/96 inch) wide, and never thinner than one
// device pixel; discs are filled; nothing is antialiased. The primitives the
// drawing clips stay inside its clip area (see Surface::ClipTo): lines are cut
// there on their coordinates, on screen and on paper alike. On a raster
// device (the screen, an image) small discs are copies of one pre-drawn disc
// per colour, size and position within a pixel; printers, PDF and other
// vector devices get true discs.
void PaintDrawing(QPainter& painter, const DrawingList& drawing, double pixelsPerTwip,
                  const QRectF& background = QRectF());

class Canvas : public QWidget, public DrawingList {
  Q_OBJECT

 public:
  explicit Canvas(QWidget* parent = nullptr);

  // Schedules a repaint after every change of the drawing.
  void Changed() override;

 signals:
  // Mouse events on the canvas: button (left 1, right 2, middle 4; for a move
  // the sum of the buttons held) and position in twips from the top left.
  void mouseDown(int button, double xTwips, double yTwips);
  void mouseMove(int button, double xTwips, double yTwips);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace vantor
