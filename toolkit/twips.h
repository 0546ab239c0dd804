// Twips (1/1440 inch), the unit of every position and size the program names,
// and their conversion to Qt's device-independent pixels at the screen's
// logical DPI. Window and control geometry in twips is read as 16-bit integers.
//
// The conversions with an explicit DPI are exact functions of their arguments;
// the ones without use the primary screen's logical DPI (96 when there is no
// screen yet).
#pragma once

#include <QRect>
#include <cstdint>

class QWidget;

namespace vantor {

inline constexpr double kTwipsPerInch = 1440.0;

// Returns the logical DPI of the primary screen, or 96 without a screen.
double ScreenDpi();

// Returns the number of pixels per twip at the screen's logical DPI.
double PixelsPerTwip();

// Converts twips to whole pixels at dpi, rounding to the nearest pixel.
int TwipsToPixels(double twips, double dpi);
int TwipsToPixels(double twips);

// Converts pixels to twips at dpi (not rounded).
double PixelsToTwips(double pixels, double dpi);
double PixelsToTwips(double pixels);

// Rounds a twips value to a 16-bit integer, clamping it to -32768 .. 32767.
int16_t ToInt16(double twips);

// Converts a rectangle given in twips to pixels.
QRect TwipsRectToPixels(double left, double top, double width, double height);

// Places a child control at left and top with width and height, all in twips,
// relative to its parent.
void SetGeometryTwips(QWidget& control, double left, double top, double width, double height);

}  // namespace vantor
