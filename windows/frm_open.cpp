// frmOpen: loading a light curve through the program's own file window.
#include "windows/frm_open.h"

#include <QDir>
#include <QFileInfo>

#include "toolkit/message.h"

namespace vantor {

FrmOpen::FrmOpen(Store& store, QWidget* parent)
    : FileChooser(QStringLiteral("frmOpen"), 1, parent), store_(store) {
  setWindowTitle(QStringLiteral("Open "));
  Text1->setText(QStringLiteral("location.dat"));
}

void FrmOpen::Command1_Click() {
  // A refused file changes nothing: the names of the curve still loaded stay
  // for the report and the caption.
  const std::string oldDir = store_.DataDir;
  const std::string oldName = store_.DataFileName;
  const std::string oldPath = store_.DataFilePath;
  const QString typed = Text1->text();
  if (QDir::isAbsolutePath(typed)) {
    // A full path typed into the name box names the file itself.
    const QFileInfo file(typed);
    store_.DataDir = file.absolutePath().toStdString();
    store_.DataFileName = file.fileName().toStdString();
    store_.DataFilePath = typed.toStdString();
  } else {
    store_.DataDir = Label4->text().toStdString();
    store_.DataFileName = typed.toStdString();
    // Folder and name are joined with "/", the separator of Linux paths (not
    // a backslash as in Windows paths); a folder that already ends in one
    // (the root) gives two in a row, which names the same file. The name is
    // passed on unchecked: the reader says what is wrong with it.
    store_.DataFilePath = store_.DataDir + "/" + store_.DataFileName;
  }
  triedPath_ = store_.DataFilePath;
  const ReadResult result = ReadLightCurve(store_);
  if (!result) {
    store_.DataDir = oldDir;
    store_.DataFileName = oldName;
    store_.DataFilePath = oldPath;
  }
  emit lightCurveRead(result);
  hide();
  if (result) emit clearResults();
}

bool FrmOpen::OpenPath(const QString& path) {
  const QFileInfo file(path);
  if (!Dir1->SetPath(file.absolutePath())) {
    ShowMessage(QStringLiteral("Cannot open \"%1\": the folder %2 does not exist.")
                    .arg(path, file.absolutePath()));
    return false;
  }
  // After the folder: a new folder puts its first file into the name box.
  Text1->setText(file.fileName());
  Command1_Click();
  return true;
}

}  // namespace vantor
