// PaintFigure: a Figure (plot/figure.h) painted into any QPainter whose
// coordinates are twips, the one routine behind every exported figure of the
// plot windows (PDF, SVG and PNG alike, toolkit/figure_export.h).
#pragma once

#include "plot/figure.h"

class QPainter;

namespace vantor {

// Paints `figure`: its drawing through PaintDrawing (one twip per unit, on a
// white page), then its texts in the application's font at their sizes; a
// text too long for the figure is set smaller so that it fits.
void PaintFigure(QPainter& painter, const Figure& figure);

}  // namespace vantor
