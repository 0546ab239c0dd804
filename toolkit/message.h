// The program's message box: one text, an OK button and the program's title.
// Every message a user sees goes through ShowMessage. While a MessageRecorder
// is alive, ShowMessage records the text instead of showing a box, so that
// tests never block on a modal dialog.
#pragma once

#include <QString>
#include <QStringList>

namespace vantor {

// Shows `text` in a message box with one OK button and the application's
// display name as title; returns when the user closes it.
void ShowMessage(const QString& text);

// Records the texts of ShowMessage while it exists. Recorders nest: the
// newest one records, and the previous one is back when it goes.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  // Returns the texts shown so far, oldest first.
  const QStringList& Texts() const { return texts_; }
  // Forgets the texts recorded so far.
  void Clear() { texts_.clear(); }

 private:
  friend void ShowMessage(const QString& text);
  QStringList texts_;
  MessageRecorder* previous_;
};

}  // namespace vantor
