// Form: the base of the program's top-level windows (the main window, the
// plot windows, the point editor, the file choosers, help and about).
//
// A Form is named after its window (objectName "frmOpen" ...), reads and sets
// its frame geometry in twips as 16-bit integers, and reports the window
// events the program's handlers are written against: Load (before the first
// showing, and again after an Unload), Resize, Unload (closing) and
// MouseDown / MouseMove on its drawing surface with the button (left 1,
// right 2, middle 4) and the position in twips. Each event calls a virtual
// hook named like the handler (Form_Load ...) and then emits a signal, so a
// derived window overrides the hook and another window can connect to the
// signal. Hiding a Form is not an Unload: it keeps its controls and state.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>

namespace vantor {

class Form : public QWidget {
  Q_OBJECT

 public:
  enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

  // Creates a top-level window named `name`; `parent` only keeps it above
  // its parent window.
  explicit Form(const QString& name, QWidget* parent = nullptr);

  // Returns the frame's left, top, width and height in twips, rounded to
  // whole twips and clamped to 16 bits.
  int16_t Left() const;
  int16_t Top() const;
  int16_t Width() const;
  int16_t Height() const;
  // Moves the frame's top-left corner / sets the frame's outer size, in
  // twips. On a shown window a new size raises Resize at once.
  void SetLeft(double twips);
  void SetTop(double twips);
  void SetWidth(double twips);
  void SetHeight(double twips);
  void Move(double left, double top, double width, double height);

  // Returns the size of the drawing surface in twips (the client area, or
  // the widget given to SetDrawingSurface).
  double ScaleWidth() const;
  double ScaleHeight() const;

  // Returns / sets the window state: normal, minimised or maximised.
  WindowState State() const;
  void SetState(WindowState state);

  // Shows the window without blocking the caller and brings it to the front.
  void ShowModeless();

  // Makes `surface` (a child, usually a Canvas) the widget whose mouse
  // events the form reports, in twips from its top-left corner. By default
  // the form's own client area is its drawing surface.
  void SetDrawingSurface(QWidget* surface);
  // Returns the widget whose mouse events the form reports.
  QWidget* DrawingSurface() const { return surface_; }

  // Maps a Qt mouse button to the program's button code: left 1, right 2, middle 4.
  static int ButtonCode(Qt::MouseButton button);
  // Maps the buttons held down to the sum of their codes.
  static int ButtonCodes(Qt::MouseButtons buttons);

  // Shows or hides the window; before its first showing (and the first one
  // after an Unload) runs Load.
  void setVisible(bool visible) override;

 signals:
  // Emitted after the hook of the same event has run.
  void loaded();
  void resized();
  void unloaded();
  void mouseDown(int button, double xTwips, double yTwips);
  void mouseMove(int button, double xTwips, double yTwips);

 protected:
  // Hooks of the window's events; the default ones do nothing.
  virtual void Form_Load() {}
  // Called on every resize. A size set from inside the hook does not call
  // the hook again: the hook lays out with the size it leaves behind.
  virtual void Form_Resize() {}
  virtual void Form_Unload() {}
  virtual void Form_MouseDown(int /*button*/, double /*xTwips*/, double /*yTwips*/) {}
  virtual void Form_MouseMove(int /*button*/, double /*xTwips*/, double /*yTwips*/) {}

  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ReportMouse(QEvent* event);
  // Width and height the frame adds around the client area, in pixels.
  QSize FrameExtra() const;
  // Gives the frame an outer size in pixels.
  void SetOuterSize(QSize outer);
  // Places the frame's top-left corner at `place` (pixels), now or, before
  // the window manager has framed the window, again once it has.
  void MoveFrame(QPoint place);
  // Where the frame is, or is to be placed.
  QPoint FramePlace() const;

  QWidget* surface_ = this;
  bool loaded_ = false;
  bool inResize_ = false;
  // An outer size set before the frame's size was known (before the window
  // was first shown): set again once the frame is there.
  std::optional<QSize> pendingOuter_;
  // The same for a place set before the frame was known.
  std::optional<QPoint> pendingPlace_;
};

}  // namespace vantor
