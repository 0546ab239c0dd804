// frmSaveAs: the window behind the main window's Save command. It records a
// folder and a file name in the store: the name box is copied into
// DataFileName at every change, and OK takes over the folder into DataDir,
// hides the window and announces the choice (the main window then writes its
// results report there). The window itself reads and writes no file, and
// DataFilePath stays the path of the loaded light curve.
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
  // Accepts: takes over the folder and the name, hides the window and emits
  // accepted.
  void Command1_Click() override;

 signals:
  // OK was pressed: DataDir and DataFileName hold the chosen folder and name.
  void accepted();

 private:
  Store& store_;
};

}  // namespace vantor
