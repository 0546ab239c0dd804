// AskSavePath: the program's one question for the name of a file to write
// (exported figures, a print to PDF without a printer). While a
// SavePathAnswerer is alive it answers instead of the file dialog and records
// the names proposed, so tests never block on a modal dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>

class QWidget;

namespace vantor {

// Asks where to write a file with a save dialog owned by `parent`, titled
// `caption`, starting at `proposed` (a full path) and listing `filter`
// ("PDF (*.pdf)"). Returns the chosen path, or an empty text on Cancel.
QString AskSavePath(QWidget* parent, const QString& caption, const QString& proposed,
                    const QString& filter, QString* chosenFilter = nullptr);

// Answers AskSavePath while it exists: with the proposed path when made with
// AcceptProposal, otherwise with `answer` (empty: Cancel). Answerers nest.
class SavePathAnswerer {
 public:
  struct AcceptProposal {};
  explicit SavePathAnswerer(QString answer) : answer_(std::move(answer)) { Push(); }
  explicit SavePathAnswerer(AcceptProposal) : acceptProposal_(true) { Push(); }
  ~SavePathAnswerer();
  SavePathAnswerer(const SavePathAnswerer&) = delete;
  SavePathAnswerer& operator=(const SavePathAnswerer&) = delete;

  // Returns the paths proposed so far, oldest first.
  const QStringList& Proposed() const { return proposed_; }

 private:
  friend QString AskSavePath(QWidget*, const QString&, const QString&, const QString&, QString*);
  void Push();
  QString answer_;
  bool acceptProposal_ = false;
  QStringList proposed_;
  SavePathAnswerer* previous_ = nullptr;
};

}  // namespace vantor
