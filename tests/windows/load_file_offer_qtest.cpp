// Load File on a file Vantor's own reader refuses: the reader's message
// stays as it was, then File > Import... is offered for a file the importer
// reads, and on Yes the import window comes up with that file, every row in.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_import.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"

using namespace vantor;

class LoadFileOfferTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath(QStringLiteral("zzzvnt.ini")).toStdString(),
                                      [] {});
    main_->ShowModeless();
    messages_ = std::make_unique<MessageRecorder>();
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void tablesTheImporterReadsAreOfferedToImportAfterTheMessage_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("flux");
    QByteArray blanks, flux;
    for (int i = 0; i < 40; ++i) {
      const QByteArray t = QByteArray::number(2459000.0 + i * 0.002, 'f', 6);
      const double dip = (i >= 15 && i <= 25) ? 0.3 * (1 - std::abs(i - 20) / 6.0) : 0.0;
      blanks += t + "  " + QByteArray::number(11.0 + dip, 'f', 4) + "  0.003\n";
      flux += t + "\t" + QByteArray::number(1.0 - dip + (i % 3 - 1) * 0.001, 'f', 5) + "\n";
    }
    QTest::newRow("headerless blanks, Yes") << blanks << true << true << 40 << false;
    QTest::newRow("headerless blanks, No") << blanks << false << true << 0 << false;
    QTest::newRow("# comment, tab flux, Yes") << QByteArray("# K2, rebinned\n") + flux << true << true << 40 << true;
    // Neither reader takes it: the message alone.
    QTest::newRow("a word for a magnitude") << QByteArray("HJD,mag\n2459000.1,11.0\n2459000.2,dim\n") << true
                                            << false << 0 << false;
  }

  void tablesTheImporterReadsAreOfferedToImportAfterTheMessage() {
    QFETCH(QByteArray, text);
    QFETCH(bool, answer);
    QFETCH(bool, offered);
    QFETCH(int, rows);
    QFETCH(bool, flux);
    const QString path = dir_->filePath(QStringLiteral("night.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    // What the reader says of the file, the message Load File has always shown.
    Store scratch;
    const ReadResult refusal = ReadLightCurveText(scratch, text.toStdString());
    QVERIFY(!refusal.has_value());
    const Store before = *store_;

    QuestionAnswerer questions(answer);
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(dir_->path()));
    main_->frmOpen().Text1->setText(QStringLiteral("night.txt"));
    main_->frmOpen().Command1_Click();

    QCOMPARE(messages_->Texts(),
             QStringList{QString::fromStdString(refusal.error().message) +
                         QStringLiteral("\n\nNo light curve is loaded.")});
    QVERIFY(*store_ == before);
    QCOMPARE(questions.Questions().size(), offered ? 1 : 0);
    if (offered) {
      QVERIFY(questions.Questions().front().contains(QStringLiteral("\"night.txt\"")));
      QVERIFY(questions.Questions().front().contains(QStringLiteral("File > Import...")));
    }
    FrmImport& w = main_->frmImport();
    QCOMPARE(w.isVisible(), offered && answer);
    if (offered && answer) {
      QCOMPARE(w.windowTitle(), QStringLiteral("Import - night.txt"));
      QVERIFY(w.Series().has_value());
      QCOMPARE(static_cast<int>(w.Series()->size()), rows);
      QCOMPARE(w.Series()->time.front(), 2459000.0);
      QCOMPARE(w.Series()->fromFlux, flux);
      // Loading from there puts every row into the main window.
      QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
      QCOMPARE(store_->NPointsAll, static_cast<int16_t>(rows));
    }
  }

  void aFileTheReaderTakesAsksNothing() {
    QuestionAnswerer questions(true);
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(QStringLiteral(VANTOR_SOURCE_DIR "/examples")));
    main_->frmOpen().Text1->setText(QStringLiteral("eclipse_no_header.csv"));
    main_->frmOpen().Command1_Click();
    QVERIFY(messages_->Texts().isEmpty());
    QVERIFY(questions.Questions().isEmpty());
    QVERIFY(!main_->frmImport().isVisible());
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - eclipse_no_header.csv"));
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(LoadFileOfferTest)
#include "load_file_offer_qtest.moc"
