// AskSavePath and its stand-in for tests.
#include "toolkit/save_path.h"

#include <QFileDialog>

namespace vantor {
namespace {
SavePathAnswerer* activeAnswerer = nullptr;
}  // namespace

void SavePathAnswerer::Push() {
  previous_ = activeAnswerer;
  activeAnswerer = this;
}

SavePathAnswerer::~SavePathAnswerer() { activeAnswerer = previous_; }

QString AskSavePath(QWidget* parent, const QString& caption, const QString& proposed,
                    const QString& filter, QString* chosenFilter) {
  if (activeAnswerer != nullptr) {
    activeAnswerer->proposed_.append(proposed);
    return activeAnswerer->acceptProposal_ ? proposed : activeAnswerer->answer_;
  }
  return QFileDialog::getSaveFileName(parent, caption, proposed, filter, chosenFilter);
}

}  // namespace vantor
