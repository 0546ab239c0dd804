// Tests of the file, folder and drive lists of the file windows.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "qt_test_main.h"
#include "toolkit/file_lists.h"

class FileListsTest : public QObject {
  Q_OBJECT

 private slots:
  void listsFollowPatternAndFolder() {
    QTemporaryDir tmp;
    const QString root = QDir::cleanPath(tmp.path());
    for (const char* name : {"b.csv", "A.CSV", "c.txt", "noext", ".hidden.csv"}) {
      QFile(root + "/" + name).open(QIODevice::WriteOnly);
    }
    for (const char* name : {"sub", "Beta", ".cache"}) QVERIFY(QDir(root).mkdir(name));

    vantor::FileList files;
    files.SetPath(root);
    files.SetPattern("*.csv");  // case ignored, hidden files left out
    QCOMPARE(files.Names(), (QStringList{"A.CSV", "b.csv"}));
    files.SetPattern("*.*");  // every file, with or without a dot
    QCOMPARE(files.Names(), (QStringList{"A.CSV", "b.csv", "c.txt", "noext"}));

    vantor::DirList dirs;
    QSignalSpy changes(&dirs, &vantor::DirList::changed);
    QVERIFY(dirs.SetPath(root + "/sub/.."));
    QVERIFY(dirs.SetPath(root));  // the same folder: no second change
    QVERIFY(!dirs.SetPath(root + "/b.csv"));
    QCOMPARE(dirs.Path(), root);
    QCOMPARE(changes.size(), 1);
    // "/", each ancestor down to the folder itself (current), then its subfolders.
    const int depth = root.count('/');
    QCOMPARE(dirs.count(), depth + 3);
    QCOMPARE(dirs.item(0)->text(), QStringLiteral("/"));
    QCOMPARE(dirs.currentRow(), depth);
    QCOMPARE(dirs.item(depth + 1)->text(), QStringLiteral("Beta"));

    dirs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dirs));
    const QPoint sub = dirs.visualItemRect(dirs.item(depth + 2)).center();
    QTest::mouseClick(dirs.viewport(), Qt::LeftButton, {}, sub);  // only highlights
    QCOMPARE(changes.size(), 1);
    QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {}, sub);
    QCOMPARE(dirs.Path(), root + "/sub");
    dirs.setCurrentRow(depth);  // the parent, opened with Enter
    QTest::keyClick(&dirs, Qt::Key_Return);
    QCOMPARE(dirs.Path(), root);
    QCOMPARE(changes.size(), 3);
  }

  void driveListOffersRootHomeAndMedia() {
    const QString home = QDir::cleanPath(QDir::homePath());
    const QStringList roots = vantor::DriveList::Roots();
    QCOMPARE(roots.first(), QStringLiteral("/"));
    QVERIFY(roots.contains(home));
    for (const QString& root : roots) {
      QVERIFY2(root == "/" || root == home || root.startsWith("/media/") ||
                   root.startsWith("/mnt/") || root.startsWith("/run/media/"),
               qPrintable(root));
    }
    vantor::DriveList drives;
    QSignalSpy changes(&drives, &vantor::DriveList::changed);
    drives.SelectDriveOf(home + "/some/folder");  // selects quietly
    QCOMPARE(drives.Drive(), home);
    drives.SetDrive("/");
    QCOMPARE(changes.size(), home == "/" ? 0 : 1);
  }
};

VANTOR_QT_TEST_MAIN(FileListsTest)
#include "file_lists_qtest.moc"
