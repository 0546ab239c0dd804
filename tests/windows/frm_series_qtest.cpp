// Tests of Tools > "Every eclipse...": a synthetic series of three eclipses
// timed from typed and found ephemerides, the table and the refined
// ephemeris, refusals of untyped boxes, the exported CSV, PNG and PDF, and a
// double-click that loads one eclipse's window into the main window; eclipses
// the series starts or ends in, listed as partial; the main window handing an
// imported series over whole (not binned), named by its file and time scale,
// followed when another is imported, at the chosen precision, and the
// report naming what the import read.
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <vector>

#include "core/store.h"
#include "import/importer.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_import.h"
#include "windows/frm_main.h"
#include "windows/frm_series.h"

using namespace vantor;

namespace {

constexpr double kEpoch = 2459000.25, kPeriod = 0.8;

// Three primaries 0.5 mag deep, 0.04 d in half-width, every `minutes`
// minutes from `from` to `until`, with a deterministic ripple of 2 mmag.
void Series(std::vector<double>& t, std::vector<double>& m, double minutes = 3,
            double from = kEpoch - 0.2, double until = kEpoch + 2 * kPeriod + 0.2) {
  for (double x = from; x <= until; x += minutes / 1440) {
    const double c = std::round((x - kEpoch) / kPeriod);
    const double u = std::fabs(x - (kEpoch + c * kPeriod)) / 0.04;
    t.push_back(x);
    m.push_back(10 + (u < 1 ? 0.5 * std::pow(1 - u * u, 1.5) : 0.0) + 0.002 * std::sin(37.0 * x));
  }
}

// The series written as a file of time, magnitude and error: a CSV file
// with a header, or blank-separated columns without one.
QString WriteSeries(const QTemporaryDir& dir, const QString& name, double minutes, bool header) {
  std::vector<double> t, m;
  Series(t, m, minutes);
  QFile file(dir.filePath(name));
  if (!file.open(QIODevice::WriteOnly)) return {};
  if (header) file.write("time,mag,err\n");
  const char separator = header ? ',' : ' ';
  for (size_t i = 0; i < t.size(); ++i) {
    file.write(QByteArray::number(t[i], 'f', 6) + separator + QByteArray::number(m[i], 'f', 5) +
               separator + "0.002\n");
  }
  return file.fileName();
}

// Imports `path` through File > "Import..." as the user would: the file's
// times taken as `scale` (an entry of "The file's times are"), converted to
// `wanted` (an entry of "Convert to") at the coordinates typed; a long series
// binned.
void Import(FrmMain& main, const QString& path, const QString& scale,
            const QString& wanted = QStringLiteral("No conversion"), const QString& ra = {},
            const QString& dec = {}) {
  FrmImport& w = main.frmImport();
  w.OpenFile(path);
  w.ComboScaleFile->setCurrentText(scale);
  w.ComboScaleWanted->setCurrentText(wanted);
  w.TextRa->setText(ra);
  w.TextDec->setText(dec);
  QuestionAnswerer bin(true);
  QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
}

}  // namespace

class FrmSeriesTest : public QObject {
  Q_OBJECT

 private slots:
  void timesEveryEclipseExportsAndLoadsAWindow() {
    QTemporaryDir dir;
    std::vector<double> loadedT, loadedM;
    std::string loadedName;
    FrmSeries w([&](const std::vector<double>& t, const std::vector<double>& m,
                    const std::string& name) { loadedT = t, loadedM = m, loadedName = name; });
    MessageRecorder messages;
    std::vector<double> t, m;
    Series(t, m);
    w.SetSeries(t, m, QStringLiteral("three.csv"), QStringLiteral("bjd-tdb"));
    QVERIFY(w.Label1->text().contains(QStringLiteral("%1 points").arg(t.size())));

    // Nothing typed: a message, no table.
    w.Command2_Click();
    QCOMPARE(messages.Texts().size(), 1);
    QCOMPARE(w.Table1->rowCount(), 0);

    w.Command1_Click();  // Find
    QCOMPARE(messages.Texts().size(), 1);
    QVERIFY(std::fabs(w.Text2->text().toDouble() - kPeriod) < 0.005);
    w.Text1->setText(QString::number(kEpoch, 'f', 5));
    w.Text2->setText(QString::number(kPeriod, 'f', 7));
    w.Command2_Click();  // Time
    QVERIFY(w.Result().has_value());
    QCOMPARE(w.Table1->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
      QCOMPARE(w.Table1->item(r, 0)->text(), QString::number(r));
      QVERIFY2(std::fabs(w.Table1->item(r, 2)->text().toDouble() - (kEpoch + r * kPeriod)) < 0.001,
               qPrintable(w.Table1->item(r, 7)->text()));
    }
    QVERIFY(w.Label2->text().startsWith(QStringLiteral("Refined ephemeris from 3 minima")));

    const QString csv = dir.filePath("minima.csv"), pdf = dir.filePath("oc.pdf"),
                  png = dir.filePath("oc.png");
    w.askTablePath = [&] { return csv; };
    w.Command3_Click();
    QFile table(csv);
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QByteArray text = table.readAll();
    QVERIFY(text.startsWith("# time scale: bjd-tdb\n"));
    QCOMPARE(text.count('\n'), 3 + 1 + 3);  // comments, header, minima
    for (const QString& path : {pdf, png}) {
      w.askDiagramPath = [&] { return path; };
      w.Command4_Click();
    }
    QFile pdfFile(pdf);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QVERIFY(pdfFile.readAll().startsWith("%PDF"));
    QCOMPARE(QImage(png).size(), QSize(1600, 1000));
    QCOMPARE(messages.Texts().size(), 1);

    emit w.Table1->cellDoubleClicked(1, 0);
    QVERIFY(!loadedT.empty());
    QCOMPARE(loadedName, std::string("three.csv cycle 1P"));
    for (const double x : loadedT)
      QVERIFY(std::fabs(x - (kEpoch + kPeriod)) <= w.Result()->halfWidth);
  }

  // Find ticks the secondaries at the phase it found them, when it found
  // clearly shallower eclipses between the primaries; Time then times both.
  void findTicksTheSecondariesItFound() {
    for (const double secondaryDepth : {0.0, 0.2}) {
      FrmSeries w([](const std::vector<double>&, const std::vector<double>&, const std::string&) {});
      MessageRecorder messages;
      std::vector<double> t, m;
      for (double x = kEpoch - 0.2; x <= kEpoch + 3 * kPeriod + 0.2; x += 3.0 / 1440) {
        const double phase = (x - kEpoch) / kPeriod - std::floor((x - kEpoch) / kPeriod + 0.25);
        const double u = std::fabs(phase - (phase > 0.25 ? 0.5 : 0.0)) * kPeriod / 0.04;
        const double depth = phase > 0.25 ? secondaryDepth : 0.5;
        t.push_back(x);
        m.push_back(10 + (u < 1 ? depth * std::pow(1 - u * u, 1.5) : 0.0) + 0.002 * std::sin(37.0 * x));
      }
      w.SetSeries(t, m, QStringLiteral("two kinds.csv"), QStringLiteral("unknown"));
      w.Command1_Click();
      QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join(QLatin1Char('\n'))));
      QCOMPARE(w.Check1->isChecked(), secondaryDepth > 0);
      if (secondaryDepth == 0) continue;
      QVERIFY2(std::fabs(w.Text4->text().toDouble() - 0.5) < 0.01, qPrintable(w.Text4->text()));
      w.Command2_Click();
      int secondaries = 0;
      for (int r = 0; r < w.Table1->rowCount(); ++r) {
        if (w.Table1->item(r, 1)->text() == QStringLiteral("S") && !w.Table1->item(r, 2)->text().isEmpty()) {
          ++secondaries;
        }
      }
      QCOMPARE(secondaries, 3);
    }
  }

  // A series cut inside an eclipse lists that eclipse as partial, whether its
  // predicted minimum lies inside the series or just beyond; an eclipse the
  // series holds whole, or none of, is not called partial.
  void eclipsesTheSeriesStartsOrEndsInAreListedAsPartial() {
    const double last = kEpoch + 2 * kPeriod;
    struct Case {
      const char* what;
      double from, until;
      int rows;            // rows of the table
      int partialRow;      // the row that says partial, -1: none
      const char* says;    // what it says
      int timed;           // whether that row has a time (1, 0; -1: either)
    };
    const Case cases[] = {
        {"ends in the egress", kEpoch - 0.2, last + 0.012, 3, 2, "partial: the series ends", -1},
        {"ends in the ingress", kEpoch - 0.2, last - 0.02, 3, 2,
         "partial: the series ends 0.02", 0},
        {"ends after the eclipse, inside the window", kEpoch - 0.2, last + 0.05, 3, -1, "", 1},
        {"ends before the eclipse", kEpoch - 0.2, last - 0.06, 2, -1, "", 1},
        {"starts in the egress", kEpoch + 0.02, last + 0.2, 3, 0, "partial: the series starts", 0},
    };
    for (const Case& c : cases) {
      FrmSeries w([](const std::vector<double>&, const std::vector<double>&, const std::string&) {});
      MessageRecorder messages;
      std::vector<double> t, m;
      Series(t, m, 3, c.from, c.until);
      w.SetSeries(t, m, QStringLiteral("cut.csv"), QStringLiteral("unknown"));
      w.Text1->setText(QString::number(kEpoch, 'f', 5));
      w.Text2->setText(QString::number(kPeriod, 'f', 7));
      w.Text3->setText(QStringLiteral("0.06"));
      w.Command2_Click();
      QVERIFY2(messages.Texts().isEmpty(), c.what);
      QCOMPARE(w.Table1->rowCount(), c.rows);
      for (int r = 0; r < c.rows; ++r) {
        const QString why = w.Table1->item(r, 7)->text();
        QVERIFY2(why.contains(QStringLiteral("partial")) == (r == c.partialRow),
                 qPrintable(QStringLiteral("%1, row %2: %3").arg(c.what).arg(r).arg(why)));
      }
      for (int r = 1; r + 1 < c.rows; ++r) {
        QVERIFY2(!w.Table1->item(r, 2)->text().isEmpty(), c.what);  // eclipses held whole are timed
      }
      if (c.partialRow < 0) {
        QVERIFY2(!w.Table1->item(c.rows - 1, 2)->text().isEmpty(), c.what);
        continue;
      }
      const QString why = w.Table1->item(c.partialRow, 7)->text();
      QVERIFY2(why.contains(QString::fromLatin1(c.says)), qPrintable(why));
      if (c.timed >= 0) {
        QCOMPARE(w.Table1->item(c.partialRow, 2)->text().isEmpty(), c.timed == 0);
      }
      // The rows stay in time order, the added one at its cycle.
      QCOMPARE(w.Table1->item(c.partialRow, 0)->text().toInt(), c.partialRow);
    }
  }

  // Real eclipses of CM Dra (tests/data/real): the night of epoch 7023 starts
  // inside the ingress, the copy of 7024 without its last four points ends
  // inside the egress, and 7024 itself holds the whole eclipse. Each is timed
  // on its own with the published ephemeris and a measured window.
  void realNightsThatStartOrEndInsideTheEclipseAreMarkedPartial() {
    struct Case {
      const char* file;
      const char* says;  // nullptr: not partial
    };
    for (const Case c : {Case{"CMDra7023.csv", "partial: the series starts"},
                         Case{"testleft.csv", "partial: the series ends"},
                         Case{"CMDra7024.csv", nullptr}}) {
      const auto read = import::ImportFile(
          std::string(VANTOR_SOURCE_DIR "/tests/data/real/") + c.file, {});
      QVERIFY2(read.has_value(), c.file);
      FrmSeries w([](const std::vector<double>&, const std::vector<double>&, const std::string&) {});
      MessageRecorder messages;
      w.SetSeries(read->time, read->mag, QString::fromLatin1(c.file), QStringLiteral("BJD_TDB"));
      w.Text1->setText(QStringLiteral("58739.9291164"));
      w.Text2->setText(QStringLiteral("1.2683900"));
      w.Command2_Click();
      QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join(QLatin1Char('\n'))));
      QCOMPARE(w.Table1->rowCount(), 1);
      const QString why = w.Table1->item(0, 7)->text();
      if (c.says == nullptr) {
        QVERIFY2(!why.contains(QStringLiteral("partial")), qPrintable(why));
      } else {
        QVERIFY2(why.contains(QString::fromLatin1(c.says)), qPrintable(QString::fromLatin1(c.file) + ": " + why));
      }
    }
  }

  // An import of more observations than the main window holds (a file without
  // a header, whose columns the import window names "column 1" ...): the store gets
  // them binned, the series window every one, named by the file (not by a
  // report saved since) and its time scale; a new import while the window is
  // open replaces its series, one eclipse loaded from it does not; the table
  // follows the precision of Options; the report names what the import read.
  void takesTheWholeImportedSeriesAndFollowsNewImports() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    const QString dense = WriteSeries(dir, QStringLiteral("dense.lc"), 1, false);
    Import(main, dense, QStringLiteral("BJD_TDB"));
    QCOMPARE(store.NPointsAll, int16_t{1000});  // binned for the main window
    const size_t all = static_cast<size_t>(std::floor((2 * kPeriod + 0.4) * 1440)) + 1;
    // A report saved under another name renames the store's file, not the series.
    store.DataFileName = "report.txt";
    main.mSeries_Click();
    FrmSeries& w = main.frmSeries();
    QVERIFY(w.isVisible());
    QVERIFY2(std::abs(static_cast<long>(w.Points()) - static_cast<long>(all)) <= 1,
             qPrintable(QString::number(w.Points())));
    QVERIFY2(w.Label1->text().startsWith(QStringLiteral("dense.lc: %1 points").arg(w.Points())),
             qPrintable(w.Label1->text()));
    QVERIFY(w.Label1->text().contains(QStringLiteral("BJD_TDB")));
    QCOMPARE(w.DiagramTitle(), QStringLiteral("dense.lc - O-C (BJD_TDB)"));
    QCOMPARE(w.SourcePath(), QFileInfo(dense).absoluteFilePath());

    // Find and Time on every observation, at 7 decimals.
    w.Command1_Click();
    QVERIFY2(std::fabs(w.Text2->text().toDouble() - kPeriod) < 0.005, qPrintable(w.Label2->text()));
    main.SetDecimals(7);
    w.Command2_Click();
    QCOMPARE(w.Table1->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
      const QString time = w.Table1->item(r, 2)->text();
      QCOMPARE(time.section(QLatin1Char('.'), 1).size(), 7);
      QVERIFY(std::fabs(time.toDouble() - (kEpoch + r * kPeriod)) < 0.001);
    }
    main.SetDecimals(5);
    QCOMPARE(w.Table1->item(0, 2)->text().section(QLatin1Char('.'), 1).size(), 5);
    QVERIFY(messages.Texts().isEmpty());

    // One eclipse loaded from the series leaves the series as it is.
    emit w.Table1->cellDoubleClicked(1, 0);
    QVERIFY(store.NPointsAll < 1000);
    QCOMPARE(w.Result().has_value(), true);
    QVERIFY(w.Label1->text().startsWith(QStringLiteral("dense.lc")));

    // Another import, converted, while the window is open: it takes that one,
    // and the report names the conversion and the file's observations.
    const QString sparse = WriteSeries(dir, QStringLiteral("sparse.csv"), 4, true);
    Import(main, sparse, QStringLiteral("JD_UTC"), QStringLiteral("BJD_TDB"),
           QStringLiteral("97.5"), QStringLiteral("-12.25"));
    QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join(QLatin1Char('\n'))));
    QVERIFY(w.Label1->text().startsWith(QStringLiteral("sparse.csv: %1 points").arg(store.NPointsAll)));
    QVERIFY(!w.Result().has_value());
    main.mCopyResults_Click();
    const QString report = QGuiApplication::clipboard()->text();
    for (const QString& line :
         {QStringLiteral("Observations in file\t%1").arg(store.NPointsAll),
          QStringLiteral("Time conversion\tJD_UTC to BJD_TDB at RA 97.500000 deg, Dec -12.250000 deg"),
          QStringLiteral("Time scale\tBJD_TDB")}) {
      QVERIFY2(report.contains(line), qPrintable(report));
    }
    QVERIFY(!report.contains(QStringLiteral("Interval")));
  }

  void aDoubleClickedWindowBecomesTheMainWindowsLightCurve() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    std::vector<double> t, m;
    Series(t, m);
    std::vector<double> window(t.begin() + 100, t.begin() + 160),
        mags(m.begin() + 100, m.begin() + 160);
    main.LoadSeriesWindow(window, mags, "three.csv cycle 1P");
    QCOMPARE(store.NPointsAll, int16_t{60});
    QCOMPARE(store.HjdRaw[1], window.front());
    QCOMPARE(main.Label[17]->text(), QStringLiteral("60"));
    QVERIFY(main.windowTitle().endsWith(QStringLiteral("three.csv cycle 1P")));
    // Out-of-order points are refused with a message and change nothing.
    std::swap(window[3], window[4]);
    main.LoadSeriesWindow(window, mags, "bad");
    QCOMPARE(messages.Texts().size(), 1);
    QCOMPARE(store.DataFileName, std::string("three.csv cycle 1P"));
  }
};

VANTOR_QT_TEST_MAIN(FrmSeriesTest)
#include "frm_series_qtest.moc"
