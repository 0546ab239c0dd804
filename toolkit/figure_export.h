// Writing figures: a drawing made for reading, written as PDF or SVG (vectors
// and text) or as a PNG image of a chosen size and resolution.
//
// A figure is anything that paints itself into a QPainter whose coordinates
// are twips (1/1440 inch) over the figure's size (the plot windows paint a
// Figure of plot/figure.h that way, windows/plot_figure.h). WriteFigure sets
// up the device of the format so that a twip is a twip on paper: a PDF page
// of the figure's size, an SVG document whose user unit is a twip, or an image
// of the chosen pixels at the chosen resolution. SVG is written by Qt's SVG
// generator (SvgFigure), its fonts named by CSS family lists.
#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <functional>
#include <optional>

class QPainter;
class QWidget;

namespace vantor {

enum class FigureFormat { Pdf, Svg, Png };

// Pixels and resolution of a PNG figure.
struct PngSize {
  int widthPx = 1950;
  int heightPx = 1350;
  int dpi = 300;
};

// What "Export figure..." asked for: where, in which format, and for a PNG
// its size.
struct FigureRequest {
  QString path;
  FigureFormat format = FigureFormat::Pdf;
  PngSize png;
};

// Paints a figure into `painter`, whose coordinates are twips over `size`.
using FigurePainter = std::function<void(QPainter& painter, const QSizeF& sizeTwips)>;

// Returns the size in twips of a figure written as `request` asks: a PNG
// covers its pixels at its resolution, PDF and SVG have the default size.
QSizeF FigureSizeTwips(const FigureRequest& request);

// Writes the figure painted by `paint` as `request` asks, at the size
// FigureSizeTwips gives; `title` goes into the document's properties.
// Returns an empty text, or why nothing (or not all) could be written.
QString WriteFigure(const FigureRequest& request, const QString& title, const FigurePainter& paint);

// Returns the SVG document of the figure painted by `paint` at `sizeTwips`:
// one user unit a twip, the page the figure's size in millimetres, `title` as
// its title, every font-family a list made by FontFamilyList of the family the
// font resolves to. Returns an empty array when the figure cannot be painted.
QByteArray SvgFigure(const QSizeF& sizeTwips, const QString& title, const FigurePainter& paint);

// Returns the CSS font-family list for a figure's text in `family`: the
// family quoted (a quote or backslash in it escaped), then Arial and the
// generic sans-serif, as a viewer without the font falls back.
QString FontFamilyList(const QString& family);

// Returns the format a file name asks for by its ending (.pdf, .svg, .png, in
// any case), or nothing.
std::optional<FigureFormat> FigureFormatOf(const QString& path);

// Asks where to write a figure (a save dialog proposing `proposed` with the
// three formats; a name without a known ending gets the chosen filter's)
// and, for a PNG, its size and resolution (a small dialog). Returns nothing
// on Cancel. While a FigureRequestAnswerer is alive it answers instead.
std::optional<FigureRequest> AskFigureRequest(QWidget* parent, const QString& proposed);

// Answers AskFigureRequest while it exists (nothing: Cancel). Answerers nest.
class FigureRequestAnswerer {
 public:
  explicit FigureRequestAnswerer(std::optional<FigureRequest> answer);
  ~FigureRequestAnswerer();
  FigureRequestAnswerer(const FigureRequestAnswerer&) = delete;
  FigureRequestAnswerer& operator=(const FigureRequestAnswerer&) = delete;
  void SetAnswer(std::optional<FigureRequest> answer) { answer_ = std::move(answer); }
  // Returns how many times it answered.
  int Asked() const { return asked_; }

 private:
  friend std::optional<FigureRequest> AskFigureRequest(QWidget*, const QString&);
  std::optional<FigureRequest> answer_;
  int asked_ = 0;
  FigureRequestAnswerer* previous_;
};

}  // namespace vantor
