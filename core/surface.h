// The drawing surface of a plot window, in twips (1/1440 inch, origin at the
// top left, y downward), and DrawingList, a surface that keeps what was drawn
// as a list of primitives.
//
// Renderers draw onto a Surface and know nothing of Qt; the desktop program's
// Canvas paints a DrawingList on screen and on paper with one routine, and
// tests read the list to check what was drawn (how many marks, where, in which
// colour). Coordinates are single precision, as the drawing calls receive them.
#pragma once

#include <cstdint>
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

// The drawing operations of a window: clear, colours, lines, pixels, circles.
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
  float CurrentX() const override { return curX_; }
  float CurrentY() const override { return curY_; }
  Rgb ForeColor() const override { return fore_; }

  Rgb BackColor() const { return back_; }
  const std::vector<Primitive>& Primitives() const { return items_; }
  // Number of primitives of a kind (and colour, when given).
  int Count(Primitive::Kind kind) const;
  int Count(Primitive::Kind kind, Rgb color) const;
  // Called after every change; the Canvas repaints from it.
  virtual void Changed() {}

 private:
  void Add(const Primitive& p);
  std::vector<Primitive> items_;
  Rgb fore_ = kBlack;
  Rgb back_ = kWhite;
  float curX_ = 0, curY_ = 0;
};

}  // namespace vantor
