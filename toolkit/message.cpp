// ShowMessage and AskYesNo, and their stand-ins for tests.
#include "toolkit/message.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vantor {
namespace {

MessageRecorder* activeRecorder = nullptr;
QuestionAnswerer* activeAnswerer = nullptr;

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

QuestionAnswerer::QuestionAnswerer(bool answer) : answer_(answer), previous_(activeAnswerer) {
  activeAnswerer = this;
}

QuestionAnswerer::~QuestionAnswerer() { activeAnswerer = previous_; }

bool AskYesNo(const QString& text) { return AskYesNo(text, QString(), QString()); }

bool AskYesNo(const QString& text, const QString& yes, const QString& no) {
  if (activeAnswerer != nullptr) {
    activeAnswerer->questions_.append(text);
    return activeAnswerer->answer_;
  }
  QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::No);
  if (!yes.isEmpty()) box.button(QMessageBox::Yes)->setText(yes);
  if (!no.isEmpty()) box.button(QMessageBox::No)->setText(no);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace vantor
