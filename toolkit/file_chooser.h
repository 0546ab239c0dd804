// FileChooser: what the open and save-as windows share. The controls (the
// name box with its caption, the file list with its pattern list, the folder
// list with the folder label, the drive list, OK and Cancel), their layout
// for any window size (a window made smaller than 6525 x 3540 twips springs
// back to that size) and the handlers that are the same in both windows.
// The windows themselves add their caption, the initial name and what OK does.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "toolkit/file_lists.h"
#include "toolkit/form.h"

namespace vantor {

class FileChooser : public Form {
  Q_OBJECT

 public:
  // Smallest outer size in twips; a smaller window springs back to it.
  static constexpr int kMinWidthTwips = 6525;
  static constexpr int kMinHeightTwips = 3540;

  // Builds the controls on the working folder, prepared with the pattern
  // of entry `listIndex` (see Prepare), at an outer size of 7830 x 4200 twips.
  FileChooser(const QString& name, int listIndex, QWidget* parent = nullptr);

  // Fills the pattern list with "*.txt", "*.csv", "*.*", sets the file
  // list's pattern to entry `listIndex` and selects it, and shows the folder
  // in the folder label. Safe to call again.
  void Prepare(int listIndex);

  QLabel* Label1;         // "File Name:"
  QLineEdit* Text1;       // the file name
  FileList* File1;        // files of the folder matching the pattern
  QLabel* Label2;         // "List Files of Type:"
  QComboBox* Combo1;      // the pattern list
  QLabel* Label3;         // "Directories:"
  QLabel* Label4;         // the folder path
  DirList* Dir1;          // the folder
  QLabel* Label5;         // "Drives:"
  DriveList* Drive1;      // the drive
  QPushButton* Command1;  // "OK"
  QPushButton* Command2;  // "Cancel"

 public slots:
  // Handlers of the controls' events: the pattern list lists its entry, the
  // drive list moves the folder list, a new folder lists its files and puts
  // the first one in the name box, a chosen file goes into the name box (a
  // double click also accepts), Cancel hides; OK is the window's own.
  void Combo1_Click();
  void Drive1_Change();
  void Dir1_Change();
  void File1_Click();
  void File1_DblClick();
  virtual void Command1_Click() = 0;
  void Command2_Click();

 protected:
  void Form_Resize() override;
  // Shows the folder list's folder in Label4.
  void ShowFolder();
  // Enter is OK (Cancel when Cancel has the focus; the folder list opens
  // its folder), Escape is Cancel.
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vantor
