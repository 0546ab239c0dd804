// Tests of frmImport and of the main window's way to it: a file of another
// layout loads into the store as the original reader would load the same
// numbers, the main window names its time scale, a refusal (a conversion
// without coordinates) changes nothing, a series longer than the store is
// offered binning (the report then says so) or an interval,
// and `vantor FILE` (OpenOrImport) sends a file the original reader refuses
// to the import window.
#include <QClipboard>
#include <QFile>
#include <QDir>
#include <QGuiApplication>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "import/importer.h"
#include "import/load.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_import.h"
#include "windows/frm_main.h"

using vantor::FrmImport;
using vantor::FrmMain;
using vantor::Store;

namespace {

const QString kImport = QDir::cleanPath(VANTOR_TEST_DATA_DIR "/import");

}  // namespace

class FrmImportTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, (dir_.path() + "/zzzvnt.ini").toStdString(), [] {});
  }
  void cleanup() {
    main_.reset();
    store_.reset();
  }

  void LoadsAsTheImporterReadsAndNamesTheScale() {
    FrmImport& w = main_->frmImport();
    w.OpenFile(kImport + "/munipack_jdhel.txt");
    QCOMPARE(w.ComboFormat->currentText(), QStringLiteral("munipack"));
    QCOMPARE(w.TextTimeCol->text(), QStringLiteral("JDHEL"));
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QCOMPARE(store_->NPointsAll, int16_t{25});
    QCOMPARE(main_->Label[17]->text(), QStringLiteral("25"));
    QCOMPARE(main_->LabelTimeScale->text(), QStringLiteral("Time scale: HJD_UTC"));
    main_->mCopyResults_Click();
    QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("Time scale\tHJD_UTC")));
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - munipack_jdhel.txt"));
    // The same numbers as the importer gives, through the original reader's rules.
    const auto series = vantor::import::ImportFile((kImport + "/munipack_jdhel.txt").toStdString(), {});
    QVERIFY(series.has_value());
    auto expected = std::make_unique<Store>();
    expected->DataDir = store_->DataDir;
    expected->DataFileName = store_->DataFileName;
    expected->DataFilePath = store_->DataFilePath;
    QVERIFY(vantor::import::LoadSeriesIntoStore(*expected, *series).has_value());
    QCOMPARE(store_->HjdRaw, expected->HjdRaw);
    QCOMPARE(store_->MagRaw, expected->MagRaw);
    QVERIFY(!w.isVisible());
  }

  void RefusalsChangeNothing() {
    FrmImport& w = main_->frmImport();
    w.OpenFile(kImport + "/bjd_flux.lc");
    w.ComboScaleWanted->setCurrentIndex(1);  // HJD_UTC without coordinates
    const Store before = *store_;
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QVERIFY(*store_ == before);
    QVERIFY(w.LabelStatus->text().contains(QStringLiteral("needs the star's coordinates")));
    w.TextRa->setText(QStringLiteral("269.2183"));
    w.TextDec->setText(QStringLiteral("4.9875"));
    w.TextFrom->setText(QStringLiteral("2459813"));
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QVERIFY(*store_ == before);
    QVERIFY(w.LabelStatus->text().startsWith(QStringLiteral("No observation lies")));
    w.TextFrom->clear();
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QCOMPARE(store_->NPointsAll, int16_t{40});
    QCOMPARE(main_->LabelTimeScale->text(), QStringLiteral("Time scale: HJD_UTC"));
  }

  // A series longer than the store holds: the overview shows all of it and
  // follows the interval typed; the preview shows whole Julian Dates.
  void ALongSeriesIsShownWholeWithTheIntervalMarked() {
    QFile file(dir_.path() + "/long.csv");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,mag\n");
    for (int i = 0; i < 3000; ++i) {
      file.write(QByteArray::number(2459812.3 + 0.002 * i, 'f', 5) + ',' +
                 QByteArray::number(10 + 0.5 * std::exp(-std::pow((i - 1500) / 40.0, 2)), 'f', 4) +
                 '\n');
    }
    file.close();
    FrmImport& w = main_->frmImport();
    w.resize(900, 600);
    w.OpenFile(file.fileName());
    QVERIFY(w.LabelStatus->text().contains(QStringLiteral("3000 observations")));
    const vantor::DrawingList& drawn = *w.Overview;
    const auto purple = [&] {
      std::vector<double> x;
      for (const vantor::Primitive& p : drawn.Primitives()) {
        if (p.color == vantor::kMarkerPurple) x.push_back(p.x1);
      }
      return x;
    };
    QCOMPARE(drawn.Count(vantor::Primitive::Kind::Disc, vantor::kRed), 3000);
    QVERIFY(purple().empty());
    w.TextFrom->setText(QStringLiteral("2459814.5"));
    w.TextUntil->setText(QStringLiteral("2459815.5"));
    const vantor::PlotMapping& map = w.Overview->Mapping();
    QCOMPARE(purple().size(), size_t{2});
    QVERIFY(std::fabs(purple()[0] - map.X(2459814.5)) < 1);
    QVERIFY(std::fabs(purple()[1] - map.X(2459815.5)) < 1);
    w.TextUntil->setText(QStringLiteral("2459816."));
    QVERIFY(std::fabs(purple()[1] - map.X(2459816.0)) < 1);
    w.TextUntil->setText(QStringLiteral("soon"));  // no number: the series' end
    QCOMPARE(purple().size(), size_t{1});
    // The first time shows whole in its column.
    const QString first = w.TablePreview->item(0, 0)->text();
    QCOMPARE(first, QStringLiteral("2459812.30000"));
    // A cell draws its text inside a margin on either side (as Qt's item views do).
    const int margin =
        2 * (w.TablePreview->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr,
                                                  w.TablePreview) + 1);
    QVERIFY(w.TablePreview->columnWidth(0) >=
            w.TablePreview->fontMetrics().horizontalAdvance(first) + margin);
    // And loading it whole asks first: choosing an interval changes nothing.
    w.TextFrom->clear();
    w.TextUntil->clear();
    const Store before = *store_;
    vantor::QuestionAnswerer answer(false);
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QCOMPARE(answer.Questions().size(), 1);
    QVERIFY(*store_ == before);
  }

  // A night of 2500 points (0.0002 d apart, with errors): Load offers to bin
  // it to 1000 points of 0.4998 d / 1000 = 0.720 min, or an interval.
  void ALongSeriesIsOfferedBinningOrAnInterval() {
    QFile file(dir_.path() + "/night2500.csv");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,mag,err\n");
    std::vector<double> mag;
    for (int i = 0; i < 2500; ++i) {
      const QByteArray m = QByteArray::number(
          10 + 0.5 * std::exp(-std::pow((i - 1250) / 300.0, 2)) + 0.001 * (i % 7), 'f', 6);
      mag.push_back(m.toDouble());
      file.write(QByteArray::number(2459812.3 + 0.0002 * i, 'f', 6) + ',' + m + ",0.01\n");
    }
    file.close();
    FrmImport& w = main_->frmImport();
    w.OpenFile(file.fileName());
    QVERIFY(w.LabelStatus->text().contains(QStringLiteral("Load offers to bin them to 1000 points")));
    const Store before = *store_;
    vantor::QuestionAnswerer answer(false);
    // Choosing an interval loads nothing, for the whole night or an interval too long.
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QVERIFY(*store_ == before);
    w.TextFrom->setText(QStringLiteral("2459812.4"));
    w.TextUntil->setText(QStringLiteral("2459812.65"));
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QVERIFY(*store_ == before);
    QCOMPARE(answer.Questions().size(), 2);
    QVERIFY(answer.Questions()[0].startsWith(QStringLiteral("The series holds 2500 observations")));
    QVERIFY(answer.Questions()[0].contains(QStringLiteral("Bin them to 1000 points")));
    QVERIFY(answer.Questions()[0].contains(QStringLiteral("0.720 min")));
    QVERIFY(answer.Questions()[1].startsWith(
        QStringLiteral("The time interval holds 1251 of the 2500 observations")));
    // Binning loads the means: bin 1 holds the first three observations
    // (0.0004998 d wide), bin 2 the next two, bin 1000 the last three.
    w.TextFrom->clear();
    w.TextUntil->clear();
    answer.SetAnswer(true);
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QCOMPARE(store_->NPointsAll, int16_t{1000});
    QVERIFY(std::fabs(store_->HjdRaw[1] - 2459812.3002) < 1e-9);
    QVERIFY(std::fabs(store_->MagRaw[1] - (mag[0] + mag[1] + mag[2]) / 3) < 1e-9);
    QVERIFY(std::fabs(store_->HjdRaw[2] - 2459812.3007) < 1e-9);
    QVERIFY(std::fabs(store_->MagRaw[2] - (mag[3] + mag[4]) / 2) < 1e-9);
    QVERIFY(std::fabs(store_->HjdRaw[1000] - (2459812.3 + 0.0002 * 2498)) < 1e-9);
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - night2500.csv (binned)"));
    main_->mCopyResults_Click();
    const QString binned =
        QStringLiteral("Light curve\tbinned from 2500 points to 1000 (bins of 0.720 min)");
    QVERIFY(QGuiApplication::clipboard()->text().contains(binned));
    // A curve loaded as read afterwards has no such line.
    w.OpenFile(kImport + "/munipack_jdhel.txt");
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QCOMPARE(store_->NPointsAll, int16_t{25});
    QCOMPARE(answer.Questions().size(), 3);
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vantor - munipack_jdhel.txt"));
    main_->mCopyResults_Click();
    QVERIFY(!QGuiApplication::clipboard()->text().contains(QStringLiteral("binned")));
  }

  // An observation the original reader refuses is refused before binning,
  // not averaged into a bin: nothing is asked and nothing loaded.
  void AnObservationTheReaderRefusesIsNotBinnedAway() {
    QFile file(dir_.path() + "/marker.csv");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,mag\n");
    for (int i = 0; i < 1500; ++i) {
      file.write(QByteArray::number(2459812.3 + 0.0002 * i, 'f', 6) +
                 (i == 700 ? ",99.999\n" : ",10.5\n"));
    }
    file.close();
    FrmImport& w = main_->frmImport();
    w.OpenFile(file.fileName());
    const Store before = *store_;
    vantor::QuestionAnswerer answer(true);
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QVERIFY(*store_ == before);
    QVERIFY(answer.Questions().isEmpty());
    QVERIFY(w.LabelStatus->text().startsWith(QStringLiteral("Observation 701")));
    QVERIFY(w.LabelStatus->text().contains(QStringLiteral("outside the range -99 to 99")));
  }

  void AavsoListsItsStarsAndFilters() {
    FrmImport& w = main_->frmImport();
    w.OpenFile(kImport + "/aavso_two_stars.txt");
    QCOMPARE(w.ComboStar->count(), 2);
    QCOMPARE(w.ComboFilter->count(), 2);
    w.ComboStar->setCurrentIndex(1);
    emit w.ComboStar->activated(1);
    QCOMPARE(w.ComboStar->currentText(), QStringLiteral("RZ CAS"));
    QCOMPARE(w.ComboFilter->count(), 1);
    QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
    QCOMPARE(store_->NPointsAll, int16_t{20});
    QCOMPARE(store_->MagRaw[1], 7.0);
  }

  void CommandLineFileTheOriginalRefusesGoesToTheImportWindow() {
    main_->OpenOrImport(QDir::cleanPath(VANTOR_SOURCE_DIR "/examples/eclipse_header.csv"));
    QCOMPARE(store_->NPointsAll, int16_t{60});
    QVERIFY(!main_->frmImport().isVisible());
    QCOMPARE(main_->LabelTimeScale->text(), QStringLiteral("Time scale: HJD_UTC"));
    main_->OpenOrImport(kImport + "/aij_measurements.tbl");
    QVERIFY(main_->frmImport().isVisible());
    QCOMPARE(store_->NPointsAll, int16_t{60});  // nothing loaded until "Load"
    QCOMPARE(main_->frmImport().ComboFormat->currentText(), QStringLiteral("aij"));
    main_->frmImport().hide();
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
};

VANTOR_QT_TEST_MAIN(FrmImportTest)
#include "frm_import_qtest.moc"
