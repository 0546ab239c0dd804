// QtPlotWindow: a PlotWindow made of Qt widgets.
#include "toolkit/qt_plot_window.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QtDebug>

#include "toolkit/canvas.h"
#include "toolkit/form.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"

namespace vantor {

QtPlotWindow::QtPlotWindow(Form& form, Canvas& canvas) : form_(form), canvas_(canvas) {}

Surface& QtPlotWindow::Drawing() { return canvas_; }

void QtPlotWindow::ShowWindow() { form_.ShowModeless(); }

int QtPlotWindow::WidthTwips() const { return form_.Width(); }

int QtPlotWindow::HeightTwips() const { return form_.Height(); }

bool QtPlotWindow::IsNormalState() const { return form_.State() == Form::WindowState::Normal; }

QWidget* QtPlotWindow::Control(const std::string& name) const {
  return form_.findChild<QWidget*>(QString::fromStdString(name));
}

void QtPlotWindow::SetCaption(const std::string& control, const std::string& caption) {
  const QString text = QString::fromStdString(caption);
  if (control == form_.objectName().toStdString()) {
    form_.setWindowTitle(text);
    return;
  }
  QWidget* w = Control(control);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
    if (!label->wordWrap()) label->adjustSize();
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
    box->setText(text);
  } else {
    qWarning() << "QtPlotWindow: no captioned control" << QString::fromStdString(control) << "in"
               << form_.objectName();
  }
}

void QtPlotWindow::Place(const std::string& control, const double* leftTwips,
                         const double* topTwips) {
  QWidget* w = Control(control);
  if (w == nullptr || w->parentWidget() == nullptr) {
    qWarning() << "QtPlotWindow: no control" << QString::fromStdString(control) << "in"
               << form_.objectName();
    return;
  }
  // The position is given on the canvas; the control may sit in another widget.
  const QPoint onCanvas = canvas_.mapFromGlobal(w->mapToGlobal(QPoint(0, 0)));
  QPoint target = onCanvas;
  if (leftTwips != nullptr) target.setX(TwipsToPixels(*leftTwips));
  if (topTwips != nullptr) target.setY(TwipsToPixels(*topTwips));
  w->move(w->pos() + (target - onCanvas));
}

void QtPlotWindow::SetLeft(const std::string& control, double leftTwips) {
  Place(control, &leftTwips, nullptr);
}

void QtPlotWindow::SetTop(const std::string& control, double topTwips) {
  Place(control, nullptr, &topTwips);
}

void QtPlotWindow::ShowMessage(const std::string& text) {
  vantor::ShowMessage(QString::fromStdString(text));
}

}  // namespace vantor
