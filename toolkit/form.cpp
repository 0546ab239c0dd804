// Form: top-level window with geometry in twips and the program's window events.
#include "toolkit/form.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <algorithm>

#include "toolkit/twips.h"

namespace vantor {

Form::Form(const QString& name, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(name);
  setMouseTracking(true);
}

// For a window, pos() and move() are the frame's top-left corner (frameGeometry
// of a hidden window can be off by the frame's width).
int16_t Form::Left() const { return ToInt16(PixelsToTwips(pos().x())); }
int16_t Form::Top() const { return ToInt16(PixelsToTwips(pos().y())); }
int16_t Form::Width() const { return ToInt16(PixelsToTwips(frameGeometry().width())); }
int16_t Form::Height() const { return ToInt16(PixelsToTwips(frameGeometry().height())); }

QSize Form::FrameExtra() const { return frameGeometry().size() - geometry().size(); }

QPoint Form::FramePlace() const { return pendingPlace_ ? *pendingPlace_ : pos(); }

void Form::MoveFrame(QPoint place) {
  // The window exists in the window system before it is placed, so that Qt
  // learns where the window manager put it once it is framed.
  winId();
  move(place);
  // Until the window manager has put a frame round the window its size is
  // unknown, and the client area, not the frame, lands at `place` (a title
  // bar placed at the screen's top edge would lie above it): place the frame
  // again once it is known.
  if (FrameExtra().isNull()) {
    pendingPlace_ = place;
  } else {
    pendingPlace_.reset();
  }
}

void Form::SetLeft(double twips) { MoveFrame(QPoint(TwipsToPixels(twips), FramePlace().y())); }
void Form::SetTop(double twips) { MoveFrame(QPoint(FramePlace().x(), TwipsToPixels(twips))); }

void Form::SetOuterSize(QSize outer) {
  const QSize extra = FrameExtra();
  // Before the first showing the frame has no size yet (a window manager
  // tells it only after mapping the window): remember what was asked for.
  if (extra.isNull()) {
    pendingOuter_ = outer;
  } else {
    pendingOuter_.reset();
  }
  resize(std::max(1, outer.width() - extra.width()), std::max(1, outer.height() - extra.height()));
}

void Form::SetWidth(double twips) {
  SetOuterSize(QSize(TwipsToPixels(twips), frameGeometry().height()));
}

void Form::SetHeight(double twips) {
  SetOuterSize(QSize(frameGeometry().width(), TwipsToPixels(twips)));
}

void Form::Move(double left, double top, double width, double height) {
  MoveFrame(QPoint(TwipsToPixels(left), TwipsToPixels(top)));
  SetOuterSize(QSize(TwipsToPixels(width), TwipsToPixels(height)));
}

double Form::ScaleWidth() const { return PixelsToTwips(surface_->width()); }
double Form::ScaleHeight() const { return PixelsToTwips(surface_->height()); }

Form::WindowState Form::State() const {
  const Qt::WindowStates s = windowState();
  if (s & Qt::WindowMinimized) return WindowState::Minimized;
  if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return WindowState::Maximized;
  return WindowState::Normal;
}

void Form::SetState(WindowState state) {
  switch (state) {
    case WindowState::Normal:
      setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
      break;
    case WindowState::Minimized:
      setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
      break;
    case WindowState::Maximized:
      setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
      break;
  }
}

void Form::ShowModeless() {
  // A window being shown comes up in front; one already shown is brought there.
  if (isVisible()) raise();
  show();
  activateWindow();
}

void Form::SetDrawingSurface(QWidget* surface) {
  if (surface_ != this) surface_->removeEventFilter(this);
  surface_ = surface != nullptr ? surface : this;
  if (surface_ != this) {
    surface_->setMouseTracking(true);
    surface_->installEventFilter(this);
  }
}

int Form::ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

int Form::ButtonCodes(Qt::MouseButtons buttons) {
  return ButtonCode(buttons & Qt::LeftButton ? Qt::LeftButton : Qt::NoButton) +
         ButtonCode(buttons & Qt::RightButton ? Qt::RightButton : Qt::NoButton) +
         ButtonCode(buttons & Qt::MiddleButton ? Qt::MiddleButton : Qt::NoButton);
}

void Form::setVisible(bool visible) {
  // Load runs before the window first appears, so that it can place and size it.
  if (visible && !loaded_) {
    loaded_ = true;
    Form_Load();
    emit loaded();
  }
  QWidget::setVisible(visible);
}

void Form::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A handler that sets the window's size gets the resize event of that
  // change synchronously, from inside itself; it lays out afterwards with the
  // final size, so the nested event is not handled again.
  if (inResize_) return;
  inResize_ = true;
  Form_Resize();
  inResize_ = false;
  emit resized();
}

bool Form::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (pendingOuter_ && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
      !FrameExtra().isNull() && State() == WindowState::Normal) {
    const QSize outer = *pendingOuter_;
    pendingOuter_.reset();
    resize(outer - FrameExtra());
  }
  // The frame of a window placed before it was framed becomes known after
  // the window is shown, with no event of its own (often first at a paint):
  // then the frame is put where it was asked for, after this event.
  if (pendingPlace_ && isVisible() && !FrameExtra().isNull() && State() == WindowState::Normal) {
    const QPoint place = *pendingPlace_;
    pendingPlace_.reset();
    QMetaObject::invokeMethod(
        this,
        [this, place] {
          if (pos() != place) move(place);
        },
        Qt::QueuedConnection);
  }
  return QWidget::event(event);
}

void Form::closeEvent(QCloseEvent* event) {
  Form_Unload();
  emit unloaded();
  loaded_ = false;
  event->accept();
}

void Form::ReportMouse(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPointF pos = mouse->position();
  const double x = PixelsToTwips(pos.x());
  const double y = PixelsToTwips(pos.y());
  // The second press of a double click is a press like any other.
  if (event->type() == QEvent::MouseMove) {
    const int buttons = ButtonCodes(mouse->buttons());
    Form_MouseMove(buttons, x, y);
    emit mouseMove(buttons, x, y);
  } else {
    const int button = ButtonCode(mouse->button());
    Form_MouseDown(button, x, y);
    emit mouseDown(button, x, y);
  }
}

// QWidget's double-click handler calls this one for the second press.
void Form::mousePressEvent(QMouseEvent* event) {
  if (surface_ == this) ReportMouse(event);
  QWidget::mousePressEvent(event);
}

void Form::mouseMoveEvent(QMouseEvent* event) {
  if (surface_ == this) ReportMouse(event);
  QWidget::mouseMoveEvent(event);
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
  if (watched == surface_ &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
       event->type() == QEvent::MouseMove)) {
    ReportMouse(event);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vantor
