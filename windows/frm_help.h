// frmHelp: the help window. It shows one of two topics, "Help - Introduction"
// (ten paragraphs) and "Help - Input files" (four), as a stack of word-
// wrapped paragraphs under a heading. The window's height follows its width:
// each paragraph is given 15000 square twips per character of its text, so a
// narrower window becomes taller and a wider one shorter. The window reopens
// where it was closed, during one run of the program.
#pragma once

#include <QLabel>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

#include "toolkit/form.h"

namespace vantor {

class FrmHelp : public Form {
  Q_OBJECT

 public:
  enum class Topic { Introduction, DataFiles };
  static constexpr int kMaxParagraphs = 10;

  // Builds the window (hidden), 9000 twips wide.
  explicit FrmHelp(QWidget* parent = nullptr);

  // Returns the heading / the paragraphs of a topic.
  static QString Heading(Topic topic);
  static QStringList Paragraphs(Topic topic);

  // Shows the window (modeless) on `topic`: fills the heading and the
  // paragraphs and lays the window out for its current width.
  void ShowTopic(Topic topic);

  QLabel* Label0;                                  // the heading
  std::array<QLabel*, kMaxParagraphs + 1> Label1;  // paragraphs 1..10, cell 0 unused

  // Where the window opens (twips); the last place it was closed.
  int16_t HelpLeft = 0;
  int16_t HelpTop = 0;

 protected:
  void Form_Load() override;
  void Form_Unload() override;
  void Form_Resize() override;

 private:
  QStringList paragraphs_;
  std::vector<int> lengths_;  // characters of each paragraph
};

}  // namespace vantor
