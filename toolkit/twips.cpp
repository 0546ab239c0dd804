// Twips to pixels and back at the screen's logical DPI.
#include "toolkit/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace vantor {

double ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

double PixelsPerTwip() { return ScreenDpi() / kTwipsPerInch; }

int TwipsToPixels(double twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

int TwipsToPixels(double twips) { return TwipsToPixels(twips, ScreenDpi()); }

double PixelsToTwips(double pixels, double dpi) { return pixels * kTwipsPerInch / dpi; }

double PixelsToTwips(double pixels) { return PixelsToTwips(pixels, ScreenDpi()); }

int16_t ToInt16(double twips) {
  const double rounded = std::round(twips);
  return static_cast<int16_t>(std::clamp(rounded, -32768.0, 32767.0));
}

QRect TwipsRectToPixels(double left, double top, double width, double height) {
  const int x = TwipsToPixels(left);
  const int y = TwipsToPixels(top);
  // Right and bottom edges are converted as positions, so that adjacent
  // controls stay adjacent after rounding.
  return QRect(x, y, std::max(0, TwipsToPixels(left + width) - x),
               std::max(0, TwipsToPixels(top + height) - y));
}

void SetGeometryTwips(QWidget& control, double left, double top, double width, double height) {
  control.setGeometry(TwipsRectToPixels(left, top, width, height));
}

}  // namespace vantor
