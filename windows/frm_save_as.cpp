// frmSaveAs: choosing a folder and a name; the window writes nothing itself.
#include "windows/frm_save_as.h"

namespace vantor {

FrmSaveAs::FrmSaveAs(Store& store, QWidget* parent)
    : FileChooser(QStringLiteral("frmSaveAs"), 0, parent), store_(store) {
  setWindowTitle(QStringLiteral("Save As ..."));
  // Typed or set by the lists, every change of the name reaches the store,
  // also when the window is then cancelled.
  connect(Text1, &QLineEdit::textChanged, this, &FrmSaveAs::Text1_Change);
}

void FrmSaveAs::Text1_Change() { store_.DataFileName = Text1->text().toStdString(); }

void FrmSaveAs::Command1_Click() {
  store_.DataDir = Dir1->Path().toStdString();
  store_.DataFileName = Text1->text().toStdString();
  hide();
  emit accepted();
}

}  // namespace vantor
