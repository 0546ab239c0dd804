// ShowMessage and its recorder.
#include "toolkit/message.h"

#include <QApplication>
#include <QMessageBox>

namespace vantor {
namespace {

MessageRecorder* activeRecorder = nullptr;

}  // namespace

MessageRecorder::MessageRecorder() : previous_(activeRecorder) { activeRecorder = this; }

MessageRecorder::~MessageRecorder() { activeRecorder = previous_; }

void ShowMessage(const QString& text) {
  if (activeRecorder != nullptr) {
    activeRecorder->texts_.append(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text,
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace vantor
