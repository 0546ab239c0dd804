// frmOpen: loading a light curve through the program's own file window.
#include "windows/frm_open.h"

#include <QFileInfo>

#include "toolkit/message.h"

namespace vantor {

FrmOpen::FrmOpen(Store& store, QWidget* parent)
    : FileChooser(QStringLiteral("frmOpen"), 1, parent), store_(store) {
  setWindowTitle(QStringLiteral("Open "));
  Text1->setText(QStringLiteral("location.dat"));
}

void FrmOpen::Command1_Click() {
  store_.DataDir = Label4->text().toStdString();
  store_.DataFileName = Text1->text().toStdString();
  // Folder and name are joined with "/", the separator of Linux paths (not a
  // backslash as in Windows paths); a folder that already ends in one (the
  // root) gives two in a row, which names the same file. The name is passed
  // on unchecked: the reader says what is wrong with it.
  store_.DataFilePath = store_.DataDir + "/" + store_.DataFileName;
  const ReadResult result = ReadLightCurve(store_);
  emit lightCurveRead(result);
  hide();
  emit clearResults();
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
