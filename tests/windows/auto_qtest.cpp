// Tests of "Range > Auto" in the four range windows (frmPlott1, 3, 4, 5),
// driven through the main window with the example eclipse: Auto selects the
// automatic rule's range (and, for Kwee and van Woerden, its box texts), the
// markers stand just outside the chosen points, and the window's own fit then
// fills the row with the texts of the automatic timing (RunAutoTimings, as
// `vantor-cli time --auto` shows them); Auto after a fit starts over as Undo
// does, in the parabola and Fourier windows. A light curve without an eclipse is
// refused with the rule's message and nothing changes.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <memory>
#include <vector>

#include "core/format.h"
#include "core/store.h"
#include "methods/auto_ranges.h"
#include "plot/mapping.h"
#include "service/time_service.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");
QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class AutoTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    messages_ = std::make_unique<MessageRecorder>();
    Load(kExamples, "eclipse_header.csv");
    QCOMPARE(store_->NPoints, int16_t{60});
    // What the automatic timing delivers on a copy, before any window acts.
    auto copy = std::make_unique<Store>(*store_);
    ranges_ = ChooseAutoRanges(*copy);
    QVERIFY(ranges_.has_value());
    rows_ = AutoRowsOf(RunAutoTimings(*copy));
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void parabolaAutoSelectsTheRuleRangeAndFitsAsTheAutomaticTiming() {
    main_->Command1_Click();
    FrmPlott1& w = main_->frmPlott1();
    const AutoRange& r = *ranges_->parabola;
    w.mAuto->trigger();
    QCOMPARE(store_->ParLeftIdx, int16_t(r.first));
    QCOMPARE(store_->ParRightIdx, int16_t(r.last));
    QVERIFY(store_->ParRangeSet);
    QVERIFY(!store_->ParFitted);
    QVERIFY(main_->Text[1]->text().isEmpty());
    // The two markers stand between each end point and its outer neighbour.
    const PlotMapping m = MethodMapping(*store_);
    std::vector<double> times;
    for (const Primitive& p : w.Drawing().Primitives()) {
      if (p.kind == Primitive::Kind::Line && p.color == kMarkerPurple)
        times.push_back(m.TimeAt(p.x1));
    }
    QCOMPARE(times.size(), size_t{2});
    QVERIFY(store_->RelTime[r.first - 1] < times[0] && times[0] < store_->RelTime[r.first]);
    QVERIFY(store_->RelTime[r.last] < times[1] && times[1] < store_->RelTime[r.last + 1]);
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    CheckRow(1);
  }

  void chordsAutoSelectsBothRangesAndBisectsAsTheAutomaticTiming() {
    main_->Command3_Click();
    FrmPlott3& w = main_->frmPlott3();
    // Ranges clicked by hand before are started over.
    w.ClickAtTime(store_->RelTime[2]);
    w.ClickAtTime(store_->RelTime[5]);
    w.mAuto->trigger();
    const AutoChords& c = *ranges_->chords;
    QCOMPARE(store_->ChordIdx1, int16_t(c.i1));
    QCOMPARE(store_->ChordIdx2, int16_t(c.i2));
    QCOMPARE(store_->ChordIdx3, int16_t(c.i3));
    QCOMPARE(store_->ChordIdx4, int16_t(c.i4));
    QVERIFY(store_->ChordRangeSet);
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    CheckRow(3);
  }

  void kvwAutoSetsRangeAndBoxesAndFitsAsTheAutomaticTiming() {
    main_->Command4_Click();
    FrmPlott4& w = main_->frmPlott4();
    w.mAuto->trigger();
    const AutoKvw& k = *ranges_->kvw;
    QCOMPARE(store_->KvwLeftIdx, int16_t(k.range.first));
    QCOMPARE(store_->KvwRightIdx, int16_t(k.range.last));
    QCOMPARE(w.Text1->text(), Q(k.stepText));
    QCOMPARE(w.Text2->text(), Q(k.fracText));
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    CheckRow(4);
  }

  void fourierAutoSelectsRangeAndStartAndFitsAsTheAutomaticTiming() {
    main_->Command5_Click();
    FrmPlott5& w = main_->frmPlott5();
    w.mAuto->trigger();
    const AutoFourier& f = *ranges_->fourier;
    QCOMPARE(store_->FourierLeftIdx, int16_t(f.range.first));
    QCOMPARE(store_->FourierRightIdx, int16_t(f.range.last));
    QVERIFY(store_->FourierRangeSet);
    QVERIFY(!store_->FourierFitDone);
    QCOMPARE(w.Text1[1]->text(), Q(FormatFixed(f.start[1], 8, 5)));
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    CheckRow(5);
  }

  void autoAfterAFitStartsOverAsUndoDoes() {
    struct Case {
      int row;
      std::function<void()> go;
      std::function<PlotForm&()> window;
      std::function<QAction*()> autoEntry;
      std::function<QPushButton*()> fit;
    };
    const Case cases[] = {
        {1, [this] { main_->Command1_Click(); },
         [this]() -> PlotForm& { return main_->frmPlott1(); },
         [this] { return main_->frmPlott1().mAuto; },
         [this] { return main_->frmPlott1().Command1; }},
        {5, [this] { main_->Command5_Click(); },
         [this]() -> PlotForm& { return main_->frmPlott5(); },
         [this] { return main_->frmPlott5().mAuto; },
         [this] { return main_->frmPlott5().Command2; }},
    };
    for (const Case& c : cases) {
      c.go();
      c.autoEntry()->trigger();
      QTest::mouseClick(c.fit(), Qt::LeftButton);
      QVERIFY(!main_->Text[c.row]->text().isEmpty());
      const Canvas& d = c.window().Drawing();
      QVERIFY(d.Count(Primitive::Kind::Line, kBlue) > 0);
      c.autoEntry()->trigger();
      // Neither the old curve nor the old markers nor the old result stay.
      QCOMPARE(d.Count(Primitive::Kind::Line, kBlue), 0);
      QCOMPARE(d.Count(Primitive::Kind::Line, kMarkerPurple), 2);
      QVERIFY(main_->Text[c.row]->text().isEmpty());
      QVERIFY(main_->Text[c.row + 6]->text().isEmpty());
      // And the new fit is the automatic timing's.
      QTest::mouseClick(c.fit(), Qt::LeftButton);
      CheckRow(c.row);
    }
    QVERIFY(main_->frmPlott1().Text1->text() != QString());
    main_->frmPlott1().mAuto->trigger();
    QVERIFY(main_->frmPlott1().Text1->text().isEmpty());  // the old RMS
  }

  // A night of two eclipses, the deeper one first or second, slowly fading
  // (as with rising airmass): Range > Auto and the window's fit time the
  // deeper one, and give the row `vantor-cli time --auto` gives (the
  // service's automatic timing).
  void aNightOfTwoEclipsesTimesTheDeepestAsTheCommandLine() {
    const double base = 2459812.0;
    struct Case {
      double firstDepth, secondDepth, deepest;
    };
    for (const Case c : {Case{0.5, 0.3, 0.12}, Case{0.3, 0.5, 0.36}}) {
      std::vector<double> t, m;
      for (int i = 0; i < 360; ++i) {
        const double x = 0.5 * i / 360;
        double mag = 10 + 0.02 * x + 0.002 * std::sin(91.0 * i);
        for (const auto& [centre, depth] : {std::pair{0.12, c.firstDepth}, std::pair{0.36, c.secondDepth}}) {
          const double u = std::fabs(x - centre) / 0.04;
          if (u < 1) mag += depth * std::pow(1 - u * u, 1.5);
        }
        t.push_back(base + x);
        m.push_back(mag);
      }
      main_->LoadSeriesWindow(t, m, "two eclipses");
      QCOMPARE(store_->NPoints, int16_t{360});
      service::TimeRequest request;
      request.automatic = true;
      const service::TimeOutcome cli = service::RunTime(*store_, request);
      struct Window {
        int row;
        std::function<void()> go, autoRange, fit;
      };
      const Window windows[] = {
          {1, [this] { main_->Command1_Click(); }, [this] { main_->frmPlott1().mAuto->trigger(); },
           [this] { QTest::mouseClick(main_->frmPlott1().Command1, Qt::LeftButton); }},
          {3, [this] { main_->Command3_Click(); }, [this] { main_->frmPlott3().mAuto->trigger(); },
           [this] { QTest::mouseClick(main_->frmPlott3().Command1, Qt::LeftButton); }},
          {4, [this] { main_->Command4_Click(); }, [this] { main_->frmPlott4().mAuto->trigger(); },
           [this] { QTest::mouseClick(main_->frmPlott4().Command1, Qt::LeftButton); }},
          {5, [this] { main_->Command5_Click(); }, [this] { main_->frmPlott5().mAuto->trigger(); },
           [this] { QTest::mouseClick(main_->frmPlott5().Command2, Qt::LeftButton); }},
      };
      for (const Window& w : windows) {
        messages_->Clear();
        w.go();
        w.autoRange();
        w.fit();
        QVERIFY2(messages_->Texts().isEmpty(), qPrintable(messages_->Texts().join(QLatin1Char('\n'))));
        const QString shown = main_->Text[w.row]->text();
        QVERIFY2(std::fabs(shown.toDouble() - (base + c.deepest)) < 0.002, qPrintable(shown));
        const auto row = std::find_if(cli.rows.begin(), cli.rows.end(),
                                      [&](const service::TimeRow& r) { return r.row == w.row; });
        QVERIFY(row != cli.rows.end() && row->ok());
        QCOMPARE(shown, Q(row->timing->timeText));
      }
    }
  }

  void curveWithoutEclipseIsRefusedAndNothingChanges() {
    QFile flat(dir_->filePath("flat.csv"));
    QVERIFY(flat.open(QIODevice::WriteOnly));
    flat.write("HJD,V-C\n");
    for (int i = 0; i < 30; ++i) {
      flat.write(QStringLiteral("2459812.%1,%2\n")
                     .arg(30000 + 250 * i)
                     .arg(i % 2 == 0 ? "0.3000" : "0.3010")
                     .toLatin1());
    }
    flat.close();
    Load(dir_->path(), "flat.csv");
    QCOMPARE(store_->NPoints, int16_t{30});
    const auto refusal = ChooseAutoRanges(*store_);
    QVERIFY(!refusal.has_value());
    main_->Command1_Click();
    FrmPlott1& w = main_->frmPlott1();
    const size_t drawn = w.Drawing().Primitives().size();
    messages_->Clear();
    w.mAuto->trigger();
    QCOMPARE(messages_->Texts(), QStringList{Q(refusal.error().message)});
    QVERIFY(!store_->ParLeftSet && !store_->ParRightSet);
    QCOMPARE(w.Drawing().Primitives().size(), drawn);
  }

 private:
  void Load(const QString& folder, const QString& name) {
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(folder));
    main_->frmOpen().Text1->setText(name);
    main_->frmOpen().Command1_Click();
  }

  // Row `row` of the main window shows the automatic timing's time and error.
  void CheckRow(int row) {
    for (const AutoRow& a : rows_) {
      if (a.row != row) continue;
      QVERIFY2(a.ok, a.message.c_str());
      QCOMPARE(main_->Text[row]->text(), Q(FormatResult(store_->HjdBase + a.time)));
      QCOMPARE(main_->Text[row + 6]->text(), Q(FormatResult(a.error)));
      return;
    }
    QFAIL("no such row");
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
  MethodResult<AutoRanges> ranges_{std::unexpected(Refusal{})};
  std::array<AutoRow, 5> rows_{};
};

VANTOR_QT_TEST_MAIN(AutoTest)
#include "auto_qtest.moc"
