// Tests of the results report from the main window: Save writes the rows and
// the settings each method used when it delivered, as text or as CSV by the
// name; an existing file is replaced only when the user says yes; refusals
// (nothing loaded, the light curve's own file, a folder gone) write nothing;
// "Copy results" puts the same table on the clipboard; the means are written
// with the rows they were computed from and said to be out of date when the
// table changed since, and a result computed on another set of points says so.
#include <unistd.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_action.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");

QString ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    main_->ShowModeless();
    messages_ = std::make_unique<MessageRecorder>();
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void saveWritesTheRowsAndWhatEachMethodUsedWhenItDelivered() {
    Load(kExamples, "eclipse_header.csv");
    // Parabola over working points 22..38, sliding integrations.
    main_->Command1_Click();
    main_->frmPlott1().ClickAtTime(0.4083);  // between points 21 and 22
    main_->frmPlott1().ClickAtTime(0.4508);  // between 38 and 39
    main_->frmPlott1().Command1_Click();
    main_->Command6_Click();
    const QString parabola = main_->Text[1]->text();
    QVERIFY(!parabola.isEmpty());
    // A new end clicked after the fit does not belong to the result in row 1.
    main_->frmPlott1().ClickAtTime(0.378);
    QCOMPARE(store_->ParLeftIdx, int16_t{10});

    Save("times.txt");
    const QString report = ReadAll(dir_->filePath("times.txt"));
    QVERIFY2(report.contains(QStringLiteral("1. Parabolic Fit           %1    %2")
                                 .arg(parabola, main_->Text[7]->text().leftJustified(14))),
             qPrintable(report));
    QVERIFY(report.contains(
        QStringLiteral("used points 22-38 of 60 (HJD 2459812.40950 to 2459812.44950)\n")));
    QVERIFY(report.contains(
        QStringLiteral("6. Sliding Integrations    %1").arg(main_->Text[6]->text())));
    QVERIFY(report.contains(QStringLiteral("stretch of used points 1-60 of 60 (HJD ")));
    QVERIFY(report.contains(QStringLiteral("Light-curve file           ") + kExamples +
                            QStringLiteral("/eclipse_header.csv\n")));
    QVERIFY(messages_->Texts().isEmpty());

    // The light curve stays what it was: caption, path, and the methods work on.
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_header.csv"));
    QCOMPARE(QDir::cleanPath(QString::fromStdString(store_->DataFilePath)),
             kExamples + QStringLiteral("/eclipse_header.csv"));
    main_->Text[6]->clear();
    main_->Command6_Click();
    QVERIFY(!main_->Text[6]->text().isEmpty());

    // "Copy results": the same table, tab-separated.
    main_->mCopyResults_Click();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY2(
        copied.contains(QStringLiteral("1. Parabolic Fit\t%1\t%2\tyes\tused points 22-38 of 60 ")
                            .arg(parabola, main_->Text[7]->text())),
        qPrintable(copied));
    QCOMPARE(copied.count(QLatin1Char('\n')), report.count(QLatin1Char('\n')) - 1);
  }

  void meansKeepTheirRowsAndResultsOfOtherPointsAreMarked() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command2_Click();
    main_->Command6_Click();
    main_->Command8_Click();
    const QString tracing = main_->Text[2]->text(), sliding = main_->Text[6]->text();
    const QString from2 =
        QStringLiteral("Means computed from        2. Tracing Paper %1").arg(tracing);
    const QString from6 = QStringLiteral("6. Sliding Integrations %1").arg(sliding);
    const QString outOfDate = QStringLiteral("Means out of date");
    FrmPlotData& editor = main_->frmPlotData();
    // Each step, then what the saved report must and must not hold.
    struct Step {
      const char* what;
      std::function<void()> act;
      QStringList holds, lacks;
    };
    const Step steps[] = {
        {"means fresh", [] {}, {from2, from6}, {outOfDate, QStringLiteral("computed on ")}},
        {"a row unticked after Calc. Means",
         [this] { main_->Check[2]->setChecked(false); },
         {from2, from6, outOfDate},
         {}},
        {"Calc. Means again",
         [this] { main_->Command8_Click(); },
         {QStringLiteral("Means computed from        6. Sliding Integrations %1").arg(sliding)},
         {from2, outOfDate}},
        {"point 1 deleted",
         [this, &editor] {
           main_->Command7_Click();
           editor.ClickAtPoint(1);
           editor.frmAction().Command1_Click();
         },
         {QStringLiteral("; computed on 60 points, not the 59 used now\n")},
         {}},
        {"point 1 restored",
         [&editor] {
           editor.ClickAtPoint(1);
           editor.frmAction().Command2_Click();
         },
         {},
         {QStringLiteral("computed on ")}},
        {"computed without point 1, then point 2 deleted instead",
         [this, &editor] {
           editor.ClickAtPoint(1);
           editor.frmAction().Command1_Click();
           main_->Command6_Click();
           editor.ClickAtPoint(1);
           editor.frmAction().Command2_Click();
           editor.ClickAtPoint(2);
           editor.frmAction().Command1_Click();
         },
         {QStringLiteral("computed on another set of 59 points\n")},
         {}},
    };
    for (const Step& step : steps) {
      step.act();
      Save("times.txt");
      const QString report = ReadAll(dir_->filePath("times.txt"));
      for (const QString& text : step.holds) {
        QVERIFY2(report.contains(text),
                 qPrintable(QString::fromLatin1(step.what) + ":\n" + report));
      }
      for (const QString& text : step.lacks) {
        QVERIFY2(!report.contains(text),
                 qPrintable(QString::fromLatin1(step.what) + ":\n" + report));
      }
      QFile::remove(dir_->filePath("times.txt"));
    }
    QVERIFY(messages_->Texts().isEmpty());
  }

  void csvByNameAndAnExistingFileReplacedOnlyOnYes() {
    Load(kExamples, "eclipse_header.csv");
    main_->Command6_Click();
    const QString path = dir_->filePath("times.CSV");
    WriteAll(path, "kept\n");

    QuestionAnswerer answer(false);
    Save("times.CSV");
    QCOMPARE(answer.Questions().size(), 1);
    QVERIFY(answer.Questions()[0].contains(path));
    QCOMPARE(ReadAll(path), QStringLiteral("kept\n"));

    answer.SetAnswer(true);
    Save("times.CSV");
    QCOMPARE(answer.Questions().size(), 2);
    const QString csv = ReadAll(path);
    QVERIFY2(csv.startsWith(QStringLiteral("Program,Vantor ")), qPrintable(csv));
    QVERIFY(csv.contains(
        QStringLiteral("\n6. Sliding Integrations,%1,%2,yes,stretch of used points 1-60 of 60 ")
            .arg(main_->Text[6]->text(), main_->Text[12]->text())));
    QVERIFY(messages_->Texts().isEmpty());
  }

  void refusalsWriteNothingAndSayWhy() {
    // Nothing loaded: the name is taken over, nothing written.
    Save("times.txt");
    QCOMPARE(store_->DataFileName, std::string("times.txt"));
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(!QFile::exists(dir_->filePath("times.txt")));

    // Over the light curve's own file: refused without a question.
    QVERIFY(QFile::copy(kExamples + QStringLiteral("/eclipse_header.csv"),
                        dir_->filePath("curve.csv")));
    Load(dir_->path(), "curve.csv");
    const QString curve = ReadAll(dir_->filePath("curve.csv"));
    messages_->Clear();
    QuestionAnswerer answer(true);
    Save("curve.csv");
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(answer.Questions().isEmpty());
    QCOMPARE(ReadAll(dir_->filePath("curve.csv")), curve);
    // Nor through a hard link to it (the same file by device and inode).
    QVERIFY(::link(QFile::encodeName(dir_->filePath("curve.csv")).constData(),
                   QFile::encodeName(dir_->filePath("hard.csv")).constData()) == 0);
    Save("hard.csv");
    QCOMPARE(messages_->Texts().size(), 2);
    QVERIFY(messages_->Texts()[1].contains(QStringLiteral("is the light curve loaded")));
    QVERIFY(answer.Questions().isEmpty());
    QCOMPARE(ReadAll(dir_->filePath("hard.csv")), curve);
    messages_->Clear();

    // A folder that is gone by the time of OK.
    messages_->Clear();
    const QString gone = dir_->filePath("gone");
    QVERIFY(QDir().mkpath(gone));
    main_->mSave_Click();
    QVERIFY(main_->frmSaveAs().Dir1->SetPath(gone));
    QVERIFY(QDir(gone).removeRecursively());
    main_->frmSaveAs().Text1->setText(QStringLiteral("times.txt"));
    main_->frmSaveAs().Command1_Click();
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(messages_->Texts()[0].startsWith(QStringLiteral("The report was not saved.")));
    QVERIFY(!QFile::exists(gone));
    // The loaded curve is untouched by all of it.
    QCOMPARE(main_->Label[17]->text(), QStringLiteral("60"));
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - curve.csv"));
  }

 private:
  void Load(const QString& folder, const QString& name) {
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(folder));
    main_->frmOpen().Text1->setText(name);
    main_->frmOpen().Command1_Click();
  }

  void Save(const QString& name) {
    main_->mSave_Click();
    QVERIFY(main_->frmSaveAs().Dir1->SetPath(dir_->path()));
    main_->frmSaveAs().Text1->setText(name);
    main_->frmSaveAs().Command1_Click();
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(ReportTest)
#include "report_qtest.moc"
