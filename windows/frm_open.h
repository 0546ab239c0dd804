// frmOpen: the window that loads a light curve. The user picks a folder and a
// file ("*.csv" listed when it comes up); OK stores the folder, the name and
// the path in the store (a full path typed as the name is taken as it is),
// reads the file, hides the window and, when the file was accepted, asks the
// main window to empty its result boxes; a refused file leaves the names of
// the curve loaded before. OpenPath loads a file named elsewhere (on
// the command line, dropped on the main window) through the same OK.
#pragma once

#include "core/reader.h"
#include "core/store.h"
#include "toolkit/file_chooser.h"

namespace vantor {

class FrmOpen : public FileChooser {
  Q_OBJECT

 public:
  // Builds the window (hidden) on the working folder, name box "location.dat".
  explicit FrmOpen(Store& store, QWidget* parent = nullptr);

  using FileChooser::Prepare;
  // Prepares the pattern list for the program start: "*.csv" listed, entry 1.
  void Prepare() { FileChooser::Prepare(1); }

  // Loads the file at `path` as if the user had chosen its folder and typed
  // its name: the folder list moves to the file's folder, the name box gets
  // the file name, and OK runs with everything it hands over. A relative
  // path counts from the working folder. Returns false, with a message and
  // nothing changed, when the folder does not exist.
  bool OpenPath(const QString& path);

  // The path the last OK read (or tried to read), as handed to the reader.
  const std::string& TriedPath() const { return triedPath_; }

 signals:
  // Emitted right after the reader has run, while the window is still shown;
  // the main window shows the caption and the counts, or the refusal.
  void lightCurveRead(const vantor::ReadResult& result);
  // Emitted after the window has hidden itself when the file was accepted:
  // the main window empties its twelve result boxes. A refused file changes
  // no result.
  void clearResults();

 public slots:
  // Accepts: stores folder, name and path, reads the file, hides the window.
  void Command1_Click() override;

 private:
  Store& store_;
  std::string triedPath_;
};

}  // namespace vantor
