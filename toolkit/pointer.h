// Mouse pointer shapes of the plot windows, by the program's numbers.
#pragma once

class QWidget;

namespace vantor {

enum class MousePointer { Default = 0, Arrow = 1, Cross = 2 };

// Sets the pointer shown over `widget` (and its children that have no shape
// of their own).
void SetMousePointer(QWidget& widget, MousePointer shape);

}  // namespace vantor
