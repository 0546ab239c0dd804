// frmSaveAs: the window behind the main window's Save command. It only
// records a folder and a file name in the store: the name box is copied into
// DataFileName at every change, and OK takes over the folder into DataDir.
// Nothing is read or written, and DataFilePath stays as it was.
#pragma once

#include "core/store.h"
#include "toolkit/file_chooser.h"

namespace vantor {

class FrmSaveAs : public FileChooser {
  Q_OBJECT

 public:
  // Builds the window (hidden) on the working folder with an empty name box.
  explicit FrmSaveAs(Store& store, QWidget* parent = nullptr);

  using FileChooser::Prepare;
  // Prepares the pattern list for the program start: "*.txt" listed, entry 0.
  void Prepare() { FileChooser::Prepare(0); }

 public slots:
  // Copies the name box into DataFileName.
  void Text1_Change();
  // Accepts: takes over the folder and the name, hides the window.
  void Command1_Click() override;

 private:
  Store& store_;
};

}  // namespace vantor
