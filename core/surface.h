// The drawing surface of a plot window, in twips (1/1440 inch, origin at the
// top left, y downward), and DrawingList, a surface that keeps what was drawn
// as a list of primitives.
//
// Renderers draw onto a Surface and know nothing of Qt; the desktop program's
// Canvas paints a DrawingList on screen and on paper with one routine, and
// tests read the list to check what was drawn (how many marks, where, in which
// colour). Coordinates are single precision, as the drawing calls receive them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantor {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kGridGrey{192, 192, 192};
inline constexpr Rgb kCurveGrey{200, 200, 200};
inline constexpr Rgb kMarkerPurple{150, 0, 150};

// The drawing operations of a window: clear, colours, lines, pixels, circles,
// and the clip area of what follows.
// Every Line, LineTo and PSet moves the current point to its end point.
class Surface {
 public:
  virtual ~Surface() = default;
  // Clears the surface to the background colour; the current point goes to (0, 0).
  virtual void Cls() = 0;
  virtual void SetForeColor(Rgb color) = 0;
  // Sets the background colour, which also clears.
  virtual void SetBackColor(Rgb color) = 0;
  virtual void Line(float x1, float y1, float x2, float y2) = 0;
  virtual void LineTo(float x, float y) = 0;
  virtual void PSet(float x, float y) = 0;
  virtual void Circle(float x, float y, float radius) = 0;
  // A filled disc: the same mark as concentric circles of radius 1 .. radius.
  virtual void Disc(float x, float y, float radius) = 0;
  // Keeps what is drawn from now on until the next clear inside the rectangle
  // (edges included): lines and pixels are cut at its edges, and a circle or
  // disc whose centre lies outside it is left out (one whose centre lies inside
  // is drawn whole). A plot renderer sets its plot area here once the frame is
  // drawn, so that no curve runs over the axis labels.
  virtual void ClipTo(float left, float top, float right, float bottom) = 0;
  virtual float CurrentX() const = 0;
  virtual float CurrentY() const = 0;
  virtual Rgb ForeColor() const = 0;
};

struct Primitive {
  enum class Kind : uint8_t { Line, Pixel, Circle, Disc };
  Kind kind = Kind::Line;
  Rgb color;
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Line: both ends; others: (x1, y1)
  float radius = 0;
  bool operator==(const Primitive&) const = default;
};

// The rectangle that clips part of a drawing, in twips.
struct ClipArea {
  float left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(float x, float y) const { return left <= x && x <= right && top <= y && y <= bottom; }
  bool operator==(const ClipArea&) const = default;
};

// The part of the segment from (x1, y1) to (x2, y2) inside the box [left,
// right] x [top, bottom] (Liang and Barsky), as the segment's parameters
// where it enters and leaves (0 <= enter <= leave <= 1); nothing when no part
// of it lies inside. The screen, the printer and exported figures cut their
// lines with it.
struct SegmentPart {
  double enter = 0.0, leave = 1.0;
};
std::optional<SegmentPart> SegmentInBox(double x1, double y1, double x2, double y2, double left,
                                        double top, double right, double bottom);

// A Surface that keeps its primitives until the next clear.
class DrawingList : public Surface {
 public:
  void Cls() override;
  void SetForeColor(Rgb color) override { fore_ = color; }
  void SetBackColor(Rgb color) override;
  void Line(float x1, float y1, float x2, float y2) override;
  void LineTo(float x, float y) override;
  void PSet(float x, float y) override;
  void Circle(float x, float y, float radius) override;
  void Disc(float x, float y, float radius) override;
  // A drawing has one clip area: a second call moves it for every primitive
  // drawn since the first.
  void ClipTo(float left, float top, float right, float bottom) override;
  float CurrentX() const override { return curX_; }
  float CurrentY() const override { return curY_; }
  Rgb ForeColor() const override { return fore_; }

  Rgb BackColor() const { return back_; }
  const std::vector<Primitive>& Primitives() const { return items_; }
  // The clip area, when one is set, and the index of the first primitive it
  // applies to (every primitive from there to the end).
  const std::optional<ClipArea>& Clip() const { return clip_; }
  size_t ClippedFrom() const { return clippedFrom_; }
  // Whether primitive i is clipped.
  bool IsClipped(size_t i) const { return clip_.has_value() && i >= clippedFrom_; }
  // Number of primitives of a kind (and colour, when given).
  int Count(Primitive::Kind kind) const;
  int Count(Primitive::Kind kind, Rgb color) const;
  // Called after every change; the Canvas repaints from it.
  virtual void Changed() {}

 private:
  void Add(const Primitive& p);
  std::vector<Primitive> items_;
  std::optional<ClipArea> clip_;
  size_t clippedFrom_ = 0;
  Rgb fore_ = kBlack;
  Rgb back_ = kWhite;
  float curX_ = 0, curY_ = 0;
};

}  // namespace vantor
