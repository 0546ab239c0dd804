// Tests of frmOpen: the pattern it comes up with, the files it lists, what OK
// does with a good and with a refused file (store, signals and their order)
// and with a full path typed as the name, Enter as OK, and the size it springs
// back to.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "qt_test_main.h"
#include "toolkit/twips.h"
#include "windows/frm_open.h"

using vantor::FrmOpen;
using vantor::ReadResult;
using vantor::Store;

namespace {

const QString kExamples = QDir::cleanPath(VANTOR_SOURCE_DIR "/examples");
const QString kTestData = QDir::cleanPath(VANTOR_TEST_DATA_DIR);

// Observations in a file with one header line: its non-blank lines but one.
int RecordsAfterHeader(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  int lines = 0;
  while (!file.atEnd()) lines += !file.readLine().trimmed().isEmpty();
  return lines - 1;
}

// Clicks (or double-clicks) a file of the list, as a user does.
void ClickFile(FrmOpen& w, const QString& name, bool twice = false) {
  const QList<QListWidgetItem*> found = w.File1->findItems(name, Qt::MatchExactly);
  QVERIFY2(found.size() == 1, qPrintable(name));
  const QPoint at = w.File1->visualItemRect(found[0]).center();
  QTest::mouseClick(w.File1->viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(w.File1->viewport(), Qt::LeftButton, {}, at);
}

bool Near(double twips, double expected) {
  return std::abs(twips - expected) <= vantor::PixelsToTwips(1.0) + 1e-9;
}

}  // namespace

class FrmOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    store_ = std::make_unique<Store>();
    window_ = std::make_unique<FrmOpen>(*store_);
    window_->Prepare();
    events_.clear();
    connect(window_.get(), &FrmOpen::lightCurveRead, [this](const ReadResult& st) {
      events_ << QString("read %1 %2").arg(st.has_value() ? "ok" : "refused", Shown());
      status_ = st;
    });
    connect(window_.get(), &FrmOpen::clearResults, [this] { events_ << "clear " + Shown(); });
  }

  void comesUpOnCsvListingTheFolder() {
    FrmOpen& w = *window_;
    QCOMPARE(w.windowTitle(), QStringLiteral("Open "));
    QCOMPARE(w.findChild<QLineEdit*>("Text1")->text(), QStringLiteral("location.dat"));
    QCOMPARE(w.findChild<QLabel*>("Label4")->text(), QDir::cleanPath(QDir::currentPath()));
    auto* combo = w.findChild<QComboBox*>("Combo1");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0) + combo->itemText(1) + combo->itemText(2), "*.txt*.csv*.*");

    w.Dir1->SetPath(kExamples);  // the first file becomes the name
    QCOMPARE(w.Label4->text(), kExamples);
    QCOMPARE(w.File1->Names(), QDir(kExamples).entryList({"*.csv"}, QDir::Files, QDir::Name));
    QCOMPARE(w.Text1->text(), QStringLiteral("eclipse_header.csv"));
    w.Combo1->setCurrentIndex(2);  // the user lists "*.*" and cancels
    w.Command2->click();
    QVERIFY(!w.isVisible());

    // The main window's Open: entry 0, show, entry 1.
    w.Combo1->setCurrentIndex(0);
    QCOMPARE(w.File1->count(), 0);
    w.ShowModeless();
    w.Combo1->setCurrentIndex(1);
    QCOMPARE(w.File1->Pattern(), QStringLiteral("*.csv"));
    QCOMPARE(w.File1->Names(), QDir(kExamples).entryList({"*.csv"}, QDir::Files, QDir::Name));
    w.Dir1->SetPath(kTestData);
    QCOMPARE(w.File1->count(), QDir(kTestData).entryList({"*.csv"}, QDir::Files).size());

    QTemporaryDir empty;
    w.Dir1->SetPath(empty.path());
    QCOMPARE(w.Text1->text(), QString());
    const QString home = QDir::cleanPath(QDir::homePath());
    w.Drive1->SetDrive(home);
    QCOMPARE(w.Dir1->Path(), home);
  }

  void okOnAGoodFileReadsItThenHidesThenClears() {
    FrmOpen& w = *window_;
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Dir1->SetPath(kExamples);
    ClickFile(w, "eclipse_three_columns.csv");
    QCOMPARE(w.Text1->text(), QStringLiteral("eclipse_three_columns.csv"));
    w.Command1->click();
    QCOMPARE(events_, (QStringList{"read ok shown", "clear hidden"}));
    QCOMPARE(QString::fromStdString(store_->DataDir), kExamples);
    QCOMPARE(store_->DataFileName, std::string("eclipse_three_columns.csv"));
    QCOMPARE(QString::fromStdString(store_->DataFilePath),
             kExamples + "/eclipse_three_columns.csv");
    const int records = RecordsAfterHeader(kExamples + "/eclipse_three_columns.csv");
    QVERIFY(records > 10);
    QCOMPARE(static_cast<int>(store_->NPointsAll), records);

    w.ShowModeless();  // a double click on a file is OK too
    ClickFile(w, "eclipse_header.csv", true);
    QVERIFY(!w.isVisible());
    QCOMPARE(static_cast<int>(store_->NPointsAll),
             RecordsAfterHeader(kExamples + "/eclipse_header.csv"));
  }

  void okOnARefusedFileChangesNothing() {
    FrmOpen& w = *window_;
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Dir1->SetPath(kExamples);
    w.Command1->click();
    QVERIFY(status_.has_value() && store_->NPointsAll > 0);
    const auto before = std::make_unique<Store>(*store_);

    w.ShowModeless();
    w.Dir1->SetPath(kTestData);
    ClickFile(w, "no_comma.csv");
    events_.clear();
    w.Command1->click();
    // No result box is emptied, and the names stay those of the curve
    // still loaded (a report would otherwise name the refused file).
    QCOMPARE(events_, (QStringList{"read refused shown"}));
    QVERIFY(!w.isVisible());
    QVERIFY(!status_.has_value());
    QCOMPARE(status_.error().message, std::string(vantor::kNotCsvMessage));
    QVERIFY(*store_ == *before);
  }

  void aFullPathTypedAsTheNameIsTakenAsItIs() {
    FrmOpen& w = *window_;
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Dir1->SetPath(kTestData);
    w.Text1->setText(kExamples + "/eclipse_header.csv");
    // Enter in the name box is OK.
    QTest::keyClick(w.Text1, Qt::Key_Return);
    QVERIFY(status_.has_value());
    QVERIFY(!w.isVisible());
    QCOMPARE(QString::fromStdString(store_->DataFilePath), kExamples + "/eclipse_header.csv");
    QCOMPARE(QString::fromStdString(store_->DataDir), kExamples);
    QCOMPARE(store_->DataFileName, std::string("eclipse_header.csv"));
    QCOMPARE(static_cast<int>(store_->NPointsAll),
             RecordsAfterHeader(kExamples + "/eclipse_header.csv"));
  }

  void okBeforeTouchingAnythingReadsLocationDatInTheWorkingFolder() {
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    FrmOpen w(*store_);
    QVERIFY(QDir::setCurrent(previous));
    QFile location(folder.filePath("location.dat"));
    QVERIFY(location.open(QIODevice::WriteOnly));
    location.write("2459000.30,1.0\n2459000.31,1.5\n2459000.32,1.1\n");
    location.close();
    w.Command1->click();
    QCOMPARE(QString::fromStdString(store_->DataFilePath),
             QDir::cleanPath(folder.path()) + "/location.dat");
    QCOMPARE(store_->NPointsAll, int16_t{3});
  }

  void springsBackTo6525By3540AndSharesExtraWidthEqually() {
    FrmOpen& w = *window_;
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(120, 90);
    QVERIFY(Near(w.Width(), 6525) && Near(w.Height(), 3540));
    const QSize file1 = w.File1->size(), dir1 = w.Dir1->size();
    w.Move(w.Left(), w.Top(), 6525 + 1200, 3540 + 900);
    const QSize fileGrowth = w.File1->size() - file1, dirGrowth = w.Dir1->size() - dir1;
    QVERIFY(Near(vantor::PixelsToTwips(fileGrowth.width()), 600));
    QVERIFY(Near(vantor::PixelsToTwips(dirGrowth.width()), 600));
    QVERIFY(Near(vantor::PixelsToTwips(fileGrowth.height()), 900));
    QVERIFY(Near(vantor::PixelsToTwips(dirGrowth.height()), 900));
    QVERIFY(w.File1->geometry().right() < w.Dir1->geometry().left());
    QVERIFY(w.Dir1->geometry().right() < w.Command1->geometry().left());
    QVERIFY(w.Combo1->geometry().top() > w.File1->geometry().bottom());
    QVERIFY(w.Drive1->geometry().top() > w.Dir1->geometry().bottom());
  }

 private:
  QString Shown() const { return window_->isVisible() ? "shown" : "hidden"; }

  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmOpen> window_;
  QStringList events_;
  ReadResult status_{std::unexpected(vantor::Error{})};
};

VANTOR_QT_TEST_MAIN(FrmOpenTest)
#include "frm_open_qtest.moc"
