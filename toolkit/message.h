// The program's message boxes: a message with one OK button (ShowMessage) and
// a question with Yes and No (AskYesNo), both with the program's title. Every
// message and question a user sees goes through them. While a MessageRecorder
// is alive, ShowMessage records the text instead of showing a box; while a
// QuestionAnswerer is alive, AskYesNo records the question and gives its
// answer. So tests never block on a modal dialog.
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

// Asks `text` in a message box with Yes and No buttons (No is the default, so
// that Enter does not confirm by accident) and the application's display name
// as title; returns true when the user chose Yes.
bool AskYesNo(const QString& text);
// Asks `text` as AskYesNo does, the Yes button reading `yes` and the No
// button (the default, and Escape) reading `no`; a QuestionAnswerer answers
// it and records `text` alike.
bool AskYesNo(const QString& text, const QString& yes, const QString& no);

// Answers AskYesNo with a fixed answer while it exists and records the
// questions. Answerers nest like recorders.
class QuestionAnswerer {
 public:
  explicit QuestionAnswerer(bool answer);
  ~QuestionAnswerer();
  QuestionAnswerer(const QuestionAnswerer&) = delete;
  QuestionAnswerer& operator=(const QuestionAnswerer&) = delete;

  // Sets the answer to the next questions.
  void SetAnswer(bool answer) { answer_ = answer; }
  // Returns the questions asked so far, oldest first.
  const QStringList& Questions() const { return questions_; }

 private:
  friend bool AskYesNo(const QString& text, const QString& yes, const QString& no);
  bool answer_;
  QStringList questions_;
  QuestionAnswerer* previous_;
};

}  // namespace vantor
