// DriveList, DirList and FileList over QDir and QStorageInfo.
#include "toolkit/file_lists.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyledItemDelegate>
#include <algorithm>

namespace vantor {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 12;

bool IsUnder(const QString& path, const QString& root) {
  if (root == "/") return path.startsWith('/');
  return path == root || path.startsWith(root + '/');
}

// Paints a folder entry indented by its depth.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem indented(option);
    indented.rect.adjust(index.data(kDepthRole).toInt() * kIndentPixels, 0, 0, 0);
    QStyledItemDelegate::paint(painter, indented, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += index.data(kDepthRole).toInt() * kIndentPixels;
    return size;
  }
};

}  // namespace

// --- DriveList --------------------------------------------------------------

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  Fill(Roots());
  connect(this, &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) emit changed();
  });
}

QStringList DriveList::Roots() {
  QStringList media;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QString root = volume.rootPath();
    if (IsUnder(root, "/media") || IsUnder(root, "/mnt") || IsUnder(root, "/run/media")) {
      if (root != "/media" && root != "/mnt" && root != "/run/media") media << root;
    }
  }
  media.sort();
  QStringList roots{QStringLiteral("/")};
  const QString home = QDir::cleanPath(QDir::homePath());
  if (home != "/") roots << home;
  for (const QString& root : media) {
    if (!roots.contains(root)) roots << root;
  }
  return roots;
}

void DriveList::Fill(const QStringList& roots) {
  const QString selected = Drive();
  filling_ = true;
  clear();
  for (const QString& root : roots) addItem(root, root);
  const int keep = findData(selected);
  setCurrentIndex(keep >= 0 ? keep : 0);
  filling_ = false;
}

QString DriveList::Drive() const { return currentData().toString(); }

void DriveList::SetDrive(const QString& root) {
  int index = findData(root);
  if (index < 0) {
    filling_ = true;
    addItem(root, root);
    filling_ = false;
    index = count() - 1;
  }
  setCurrentIndex(index);
}

void DriveList::SelectDriveOf(const QString& path) {
  int best = -1;
  for (int i = 0; i < count(); ++i) {
    const QString root = itemData(i).toString();
    if (IsUnder(path, root) && (best < 0 || root.size() > itemData(best).toString().size())) {
      best = i;
    }
  }
  if (best < 0) return;
  filling_ = true;
  setCurrentIndex(best);
  filling_ = false;
}

void DriveList::Refresh() { Fill(Roots()); }

void DriveList::showPopup() {
  Refresh();  // media plugged in since the last look appear at once
  QComboBox::showPopup();
}

// --- DirList ----------------------------------------------------------------

DirList::DirList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new IndentDelegate(this));
  connect(this, &QListWidget::itemDoubleClicked, this, &DirList::OpenItem);
}

bool DirList::SetPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.isDir()) return false;
  const QString clean = QDir::cleanPath(info.absoluteFilePath());
  if (clean == path_) return true;
  path_ = clean;
  Refresh();
  emit changed();
  return true;
}

void DirList::Refresh() {
  clear();
  const QStyle* st = style();
  // The ancestors from the root down to the current folder.
  QStringList chain;
  for (QDir dir(path_);;) {
    chain.prepend(dir.absolutePath());
    if (dir.isRoot() || !dir.cdUp()) break;
  }
  int depth = 0;
  for (const QString& folder : chain) {
    const QString name = folder == "/" ? QStringLiteral("/") : QFileInfo(folder).fileName();
    auto* item = new QListWidgetItem(st->standardIcon(QStyle::SP_DirOpenIcon), name, this);
    item->setData(kPathRole, folder);
    item->setData(kDepthRole, depth++);
  }
  const int current = count() - 1;
  const QFileInfoList children =
      QDir(path_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& child : children) {
    auto* item =
        new QListWidgetItem(st->standardIcon(QStyle::SP_DirClosedIcon), child.fileName(), this);
    item->setData(kPathRole, QDir::cleanPath(child.absoluteFilePath()));
    item->setData(kDepthRole, depth);
  }
  setCurrentRow(current);
}

void DirList::OpenItem(QListWidgetItem* item) {
  if (item != nullptr) SetPath(item->data(kPathRole).toString());
}

void DirList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    OpenItem(currentItem());
    return;
  }
  QListWidget::keyPressEvent(event);
}

// --- FileList ---------------------------------------------------------------

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemClicked, this, &FileList::clicked);
  connect(this, &QListWidget::itemDoubleClicked, this, &FileList::doubleClicked);
}

void FileList::SetPath(const QString& path) {
  path_ = path;
  Refresh();
}

void FileList::SetPattern(const QString& pattern) {
  pattern_ = pattern;
  Refresh();
}

void FileList::Refresh() {
  clear();
  if (path_.isEmpty()) return;
  QStringList filters;
  for (const QString& p : pattern_.split(';', Qt::SkipEmptyParts)) {
    // "*.*" means every file, also one without a dot in its name.
    filters << (p.trimmed() == "*.*" ? QStringLiteral("*") : p.trimmed());
  }
  // Without QDir::CaseSensitive the name filters ignore case.
  const QStringList names =
      QDir(path_).entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase);
  addItems(names);
}

QString FileList::FileName() const {
  const QListWidgetItem* item = currentItem();
  return item != nullptr ? item->text() : QString();
}

QStringList FileList::Names() const {
  QStringList names;
  for (int i = 0; i < count(); ++i) names << item(i)->text();
  return names;
}

void FileList::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before && currentRow() >= 0) emit clicked();
}

}  // namespace vantor
