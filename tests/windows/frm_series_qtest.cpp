// Tests of Tools > "Every eclipse...": a synthetic series of three eclipses
// timed from typed and found ephemerides, the table and the refined
// ephemeris, refusals of untyped boxes, the exported CSV, PNG and PDF, and a
// double-click that loads one eclipse's window into the main window.
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <vector>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_main.h"
#include "windows/frm_series.h"

using namespace vantor;

namespace {

constexpr double kEpoch = 2459000.25, kPeriod = 0.8;

// Three primaries 0.5 mag deep, 0.04 d in half-width, every 3 minutes,
// with a deterministic ripple of 2 mmag.
void Series(std::vector<double>& t, std::vector<double>& m) {
  for (double x = kEpoch - 0.2; x <= kEpoch + 2 * kPeriod + 0.2; x += 3.0 / 1440) {
    const double c = std::round((x - kEpoch) / kPeriod);
    const double u = std::fabs(x - (kEpoch + c * kPeriod)) / 0.04;
    t.push_back(x);
    m.push_back(10 + (u < 1 ? 0.5 * std::pow(1 - u * u, 1.5) : 0.0) + 0.002 * std::sin(37.0 * x));
  }
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
