// Printing of the plot windows: the program's one current printer, printing a
// window's drawing surface on it as one page, the print setup dialog, and the
// error numbers (entries of ErrorText) that a failed print reports.
//
// A page holds the window's client area below its menu at its size on the
// screen, shrunk to the printable area when it is larger: the drawing as
// vectors through PaintDrawing, and the controls placed on it (labels,
// buttons, text boxes, scroll bar) as images. Without an installed printer the
// current printer writes PDF files, asking where when no file was chosen.
//
// Not here: copies beyond what the device makes itself (a PDF file gets one page).
#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace vantor {

class Canvas;

// Error numbers of a failed print, as ErrorText names them.
inline constexpr int kPrintOutOfMemory = 7;         // an image of a control could not be made
inline constexpr int kPrintBadFileName = 64;        // a PDF output without a file name
inline constexpr int kPrintDeviceUnavailable = 68;  // the printer could not be opened
inline constexpr int kPrintDeviceIoError = 57;      // the printer failed while or after printing
inline constexpr int kPrintPermissionDenied = 70;   // the PDF file or its folder is not writable
inline constexpr int kPrintPathFileAccess = 75;     // the PDF file is a folder, or cannot be opened
inline constexpr int kPrintPathNotFound = 76;       // the PDF file's folder does not exist

// Returns the program's current printer: one high-resolution QPrinter shared
// by every window, made on first use and deleted with the application.
QPrinter& CurrentPrinter();

// Returns whether the current printer follows the system's default printer:
// true until the first print setup.
bool CurrentPrinterFollowsDefault();

// Prints `canvas` with its child controls as one page on `printer`. Returns 0,
// or the error number of the failure; a failure leaves the canvas untouched.
int PrintCanvas(Canvas& canvas, QPrinter& printer);

// Prints the drawing surface `canvas` of `window` on the current printer, the
// "Print" of every plot window. A PDF output without a file name asks where
// to write (AskSavePath), proposing a new file named after the window in the
// user's documents folder (the home folder when there is none); Cancel
// prints nothing. Shows "<number> <ErrorText(number)>" on
// failure, and the file's path when the page went to a PDF file.
void PrintWindow(QWidget& window, Canvas& canvas);

// Shows the print dialog owned by `window`, preset from the current printer,
// after making the current printer stop following the system's default. On
// confirm, makes the chosen printer current (or the chosen PDF file its
// output) and copies the dialog's copies, orientation, colour mode, duplex,
// paper source, paper size and resolution to it. Returns true on confirm;
// cancelling changes nothing else.
bool PrintSetup(QWidget& window);

namespace detail {

// Returns the index of the last of `installed` whose upper case equals
// `chosenUpper`, or -1 when none does.
int LastMatchingPrinter(const QStringList& installed, const QString& chosenUpper);

// Returns a path for a new PDF file named after `windowName` in `folder`:
// "<folder>/<windowName>.pdf", or with "-2", "-3" ... added when it exists.
QString NewPdfPath(const QString& folder, const QString& windowName);

}  // namespace detail

}  // namespace vantor
