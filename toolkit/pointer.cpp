// Mouse pointer shapes.
#include "toolkit/pointer.h"

#include <QWidget>

namespace vantor {

void SetMousePointer(QWidget& widget, MousePointer shape) {
  switch (shape) {
    case MousePointer::Default:
      widget.unsetCursor();
      break;
    case MousePointer::Arrow:
      widget.setCursor(Qt::ArrowCursor);
      break;
    case MousePointer::Cross:
      widget.setCursor(Qt::CrossCursor);
      break;
  }
}

}  // namespace vantor
