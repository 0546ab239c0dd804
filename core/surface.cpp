// DrawingList: a Surface that keeps its primitives.
#include "core/surface.h"

#include <algorithm>

namespace vantor {

std::optional<SegmentPart> SegmentInBox(double x1, double y1, double x2, double y2, double left,
                                        double top, double right, double bottom) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
  SegmentPart part;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return std::nullopt;  // parallel to this edge and outside it
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      part.enter = std::max(part.enter, t);
    } else {
      part.leave = std::min(part.leave, t);
    }
  }
  if (part.enter > part.leave) return std::nullopt;
  return part;
}

void DrawingList::Cls() {
  items_.clear();
  clip_.reset();
  clippedFrom_ = 0;
  curX_ = curY_ = 0;
  Changed();
}

void DrawingList::SetBackColor(Rgb color) {
  back_ = color;
  Cls();
}

void DrawingList::Add(const Primitive& p) {
  items_.push_back(p);
  Changed();
}

void DrawingList::Line(float x1, float y1, float x2, float y2) {
  Add({Primitive::Kind::Line, fore_, x1, y1, x2, y2, 0});
  curX_ = x2;
  curY_ = y2;
}

void DrawingList::LineTo(float x, float y) { Line(curX_, curY_, x, y); }

void DrawingList::PSet(float x, float y) {
  Add({Primitive::Kind::Pixel, fore_, x, y, x, y, 0});
  curX_ = x;
  curY_ = y;
}

void DrawingList::Circle(float x, float y, float radius) {
  Add({Primitive::Kind::Circle, fore_, x, y, x, y, radius});
}

void DrawingList::Disc(float x, float y, float radius) {
  Add({Primitive::Kind::Disc, fore_, x, y, x, y, radius});
}

void DrawingList::ClipTo(float left, float top, float right, float bottom) {
  if (!clip_) clippedFrom_ = items_.size();
  clip_ = ClipArea{left, top, right, bottom};
  Changed();
}

int DrawingList::Count(Primitive::Kind kind) const {
  int n = 0;
  for (const Primitive& p : items_) n += p.kind == kind;
  return n;
}

int DrawingList::Count(Primitive::Kind kind, Rgb color) const {
  int n = 0;
  for (const Primitive& p : items_) n += p.kind == kind && p.color == color;
  return n;
}

}  // namespace vantor
