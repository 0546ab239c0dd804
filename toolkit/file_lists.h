// The program's own drive, folder and file lists, the parts of the open and
// save-as windows.
//
// - DriveList: a drop-down list of the places a user starts from: the root
//   of the file system, the home folder, and the mounted media and disks
//   under /media, /mnt and /run/media.
// - DirList: the current folder as a list: its ancestors from the root down,
//   indented one step per level, then its subfolders one step further in.
//   A double click (or Enter) on an entry makes it the current folder.
// - FileList: the files of a folder whose names match a pattern ("*.csv",
//   or several joined by ";"), sorted by name; matching ignores case.
// Hidden entries (names starting with a dot) are not listed.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>

namespace vantor {

class DriveList : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  // Returns the places listed now: "/", the home folder, then the mount
  // points of ready volumes under /media, /mnt and /run/media, sorted.
  static QStringList Roots();

  // Returns the selected place.
  QString Drive() const;
  // Selects `root` (adding it when missing); raises Change when it differs.
  void SetDrive(const QString& root);
  // Selects the listed place that holds `path` (the longest matching one)
  // without raising Change.
  void SelectDriveOf(const QString& path);
  // Reads the mounted volumes again, keeping the selection where possible.
  void Refresh();

  // Opens the list after reading the mounted volumes again.
  void showPopup() override;

 signals:
  // The selected place changed.
  void changed();

 private:
  void Fill(const QStringList& roots);
  bool filling_ = false;
};

class DirList : public QListWidget {
  Q_OBJECT

 public:
  explicit DirList(QWidget* parent = nullptr);

  // Returns the current folder as an absolute, clean path ("/" for the root).
  QString Path() const { return path_; }
  // Makes `path` the current folder and raises Change when it differs.
  // Returns false, changing nothing, when it is not an existing folder.
  bool SetPath(const QString& path);
  // Lists the current folder again.
  void Refresh();

 signals:
  // The current folder changed.
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OpenItem(QListWidgetItem* item);
  QString path_;
};

class FileList : public QListWidget {
  Q_OBJECT

 public:
  explicit FileList(QWidget* parent = nullptr);

  // Returns the folder / the pattern listed.
  QString Path() const { return path_; }
  QString Pattern() const { return pattern_; }
  // Lists the matching files of `path` / of the folder with `pattern` /
  // again.
  void SetPath(const QString& path);
  void SetPattern(const QString& pattern);
  void Refresh();
  // Returns the name of the current (last chosen) file, or an empty text.
  QString FileName() const;
  // Returns the names listed, in order.
  QStringList Names() const;

 signals:
  // A file was chosen with the mouse or the keyboard / double-clicked.
  void clicked();
  void doubleClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString path_;
  QString pattern_ = QStringLiteral("*.*");
};

}  // namespace vantor
