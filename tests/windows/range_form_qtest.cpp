// Tests of RangeMarkers, the two-ended range chosen by clicks in a method
// window, in a bare window that draws only its frame: a light curve of 21
// points 0.01 d apart, faintest at point 11. Covered: the click rules of each
// configuration (which marker is painted white, the index chosen, the time
// and label kept, the captions, the range's flag), a click that selects no
// point, the redraw of the markers from their times and at their x, starting
// over, and the automatic clicks (accepted and refused).
#include <QLabel>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>

#include "core/reader.h"
#include "core/store.h"
#include "plot/mapping.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/auto_clicks.h"
#include "windows/range_form.h"

using namespace vantor;

namespace {

class NoRows : public ResultRows {
 public:
  void DeliverResult(int, const Timing&, const MethodSetup&) override {}
  void ClearResult(int) override {}
  void SetUseInMean(int, bool) override {}
};

// How the window under test holds its range.
struct Setup {
  RangeMarkers::Erase erase;
  bool startTimeOfPoint;
  RangeEnd::Style endStyle;
};

// A window with the parabola's store fields as its range, the left side of
// the faintest point starting it; Redraw draws nothing but records the area.
// Clicks reach the range through RangeForm's own mouse path.
class RangeWindow : public RangeForm {
 public:
  RangeWindow(Store& s, ResultRows& rows, const Setup& setup)
      : RangeForm(QStringLiteral("frmRangeTest"), QStringLiteral("start"), s,
                  GeometryRecord::Of(s.Plott1Left, s.Plott1Top, s.Plott1Width, s.Plott1Height,
                                     s.Plott1Loading),
                  rows, "Test", s.ParFitted, QStringLiteral("mPrintSetup"), nullptr) {
    Left = AddLabel(QStringLiteral("Label8"));
    Right = AddLabel(QStringLiteral("Label10"));
    range_.emplace(
        *this,
        RangeEnd{s.ParLeftIdx, s.ParLeftX, s.ParLeftT, s.ParLeftSet, Left, RangeEnd::Style::Signed,
                 QStringLiteral("after start"), setup.startTimeOfPoint},
        RangeEnd{s.ParRightIdx, s.ParRightX, s.ParRightT, s.ParRightSet, Right, setup.endStyle,
                 QStringLiteral("after end")},
        s.ParRangeSet,
        [this](double x) { return Mapping().TimeAt(x) < store_.RelTime[11] || startsEverywhere; },
        setup.erase);
  }
  bool Redraw() override {
    Drawing().Cls();
    area_ = StandardPlotArea(9000, 6000);
    drawn_ = true;
    return true;
  }
  void mAuto_Click() override {}
  void DrawOverlays() override {}
  RangeMarkers& Range() { return *range_; }

  QLabel *Left, *Right;
  bool startsEverywhere = false;
};

// The lines drawn since `from`, as (colour is purple, x) pairs.
std::vector<std::pair<bool, float>> LinesSince(const Canvas& c, size_t from) {
  std::vector<std::pair<bool, float>> lines;
  const auto& p = c.Primitives();
  for (size_t k = from; k < p.size(); ++k) {
    if (p[k].kind == Primitive::Kind::Line)
      lines.emplace_back(p[k].color == kMarkerPurple, p[k].x1);
  }
  return lines;
}

}  // namespace

class RangeFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    store_ = std::make_unique<Store>();
    std::string text = "HJD,V\n";
    for (int k = 1; k <= 21; ++k) {
      text += QStringLiteral("%1,%2\n")
                  .arg(2459000.5 + 0.01 * k, 0, 'f', 5)
                  .arg(0.3 + 0.05 * (10 - std::abs(k - 11)), 0, 'f', 3)
                  .toStdString();
    }
    QVERIFY(ReadLightCurveText(*store_, text).has_value());
    QCOMPARE(store_->NPoints, int16_t{21});
    messages_ = std::make_unique<MessageRecorder>();
  }

  void cleanup() {
    messages_.reset();
    store_.reset();
  }

  // Two clicks on the start side, then one on the end side, in each
  // configuration of the windows.
  void clicksMoveTheirEndAsConfigured() {
    struct Case {
      const char* name;
      Setup setup;
      bool whiteBeforeFirst;  // the first click paints the field's x white
      bool startAtPoint;      // the start's time is its point's
      QString endLabel;
    };
    const Case cases[] = {
        {"parabola",
         {RangeMarkers::Erase::Always, false, RangeEnd::Style::Width4},
         true,
         false,
         QStringLiteral("  15")},
        {"kvw",
         {RangeMarkers::Erase::Always, true, RangeEnd::Style::Signed},
         true,
         true,
         QStringLiteral(" 15")},
        {"fourier",
         {RangeMarkers::Erase::OnceDrawn, false, RangeEnd::Style::Signed},
         false,
         false,
         QStringLiteral(" 15")},
    };
    for (const Case& c : cases) {
      Store& s = *store_;
      s.ParLeftX = 123;  // a place no marker of this window was drawn at
      RangeWindow w(s, rows_, c.setup);
      QVERIFY(w.Redraw());
      const Canvas& d = w.Drawing();
      const PlotMapping m = w.Mapping();
      const double between45 = (s.RelTime[4] + s.RelTime[5]) / 2;

      w.ClickAtTime(between45);
      const float x1 = static_cast<float>(m.X(between45));
      using Lines = std::vector<std::pair<bool, float>>;
      QCOMPARE(LinesSince(d, 0),
               c.whiteBeforeFirst ? (Lines{{false, 123.0f}, {true, x1}}) : (Lines{{true, x1}}));
      QCOMPARE(s.ParLeftIdx, int16_t{5});
      QCOMPARE(s.ParLeftX, m.X(between45));
      QCOMPARE(s.ParLeftT, c.startAtPoint ? s.RelTime[5] : m.TimeAt(m.X(between45)));
      QCOMPARE(w.Left->text(), QStringLiteral(" 5"));
      QCOMPARE(w.windowTitle(), QStringLiteral("after start"));
      QVERIFY(s.ParLeftSet && !s.ParRangeSet);

      // The second start click paints the first one's marker white in every configuration.
      const size_t before = d.Primitives().size();
      w.ClickAtTime(s.RelTime[6] + 0.003);
      const float x2 = static_cast<float>(m.X(s.RelTime[6] + 0.003));
      QCOMPARE(LinesSince(d, before), (Lines{{false, x1}, {true, x2}}));
      QCOMPARE(s.ParLeftIdx, int16_t{7});

      w.ClickAtTime(s.RelTime[15] + 0.004);
      QCOMPARE(s.ParRightIdx, int16_t{15});
      QCOMPARE(s.ParRightT, m.TimeAt(m.X(s.RelTime[15] + 0.004)));
      QCOMPARE(w.Right->text(), c.endLabel);
      QCOMPARE(w.windowTitle(), QStringLiteral("after end"));
      QVERIFY2(s.ParRangeSet, c.name);

      w.Range().StartOver();
      QVERIFY(!s.ParLeftSet && !s.ParRightSet && !s.ParRangeSet);
      QVERIFY(w.Left->text().isEmpty() && w.Right->text().isEmpty());
      QCOMPARE(s.ParLeftIdx, int16_t{7});
      QCOMPARE(s.ParRightIdx, int16_t{15});
    }
  }

  // A start click right of every point selects none: the index stays, and so
  // does a time read at the point.
  void clickSelectingNoPointKeepsTheIndex() {
    for (const bool atPoint : {false, true}) {
      Store& s = *store_;
      RangeWindow w(s, rows_, {RangeMarkers::Erase::Always, atPoint, RangeEnd::Style::Signed});
      QVERIFY(w.Redraw());
      w.ClickAtTime(s.RelTime[3] - 0.001);
      QCOMPARE(s.ParLeftIdx, int16_t{3});
      w.startsEverywhere = true;
      const double beyond = s.RelTime[21] + 0.001;
      w.ClickAtTime(beyond);
      QCOMPARE(FirstIndexAfter(s, beyond), int16_t{0});
      QCOMPARE(s.ParLeftIdx, int16_t{3});
      QCOMPARE(w.Left->text(), QStringLiteral(" 3"));
      QCOMPARE(s.ParLeftT, atPoint ? s.RelTime[3] : w.Mapping().TimeAt(w.Mapping().X(beyond)));
    }
    QCOMPARE(LastIndexBefore(*store_, store_->RelTime[1]), int16_t{0});
  }

  // Markers drawn again stand at their times (x stored anew) or at their x.
  void markersAreDrawnAgainAtTheirTimesOrTheirX() {
    Store& s = *store_;
    RangeWindow w(s, rows_, {RangeMarkers::Erase::Always, true, RangeEnd::Style::Signed});
    QVERIFY(w.Redraw());
    w.ClickAtTime(s.RelTime[4] - 0.003);
    w.ClickAtTime(s.RelTime[17] + 0.003);
    const float clickedLeft = static_cast<float>(s.ParLeftX);
    const size_t before = w.Drawing().Primitives().size();
    w.Range().DrawAtX(kWhite);
    w.Range().DrawAtTimes();
    const PlotMapping m = w.Mapping();
    QCOMPARE(s.ParLeftX, m.X(s.RelTime[4]));
    QCOMPARE(s.ParRightX, m.X(s.ParRightT));
    using Lines = std::vector<std::pair<bool, float>>;
    QCOMPARE(LinesSince(w.Drawing(), before), (Lines{{false, clickedLeft},
                                                     {false, static_cast<float>(s.ParRightX)},
                                                     {true, static_cast<float>(s.ParLeftX)},
                                                     {true, static_cast<float>(s.ParRightX)}}));
  }

  // Automatic clicks select exactly a range's ends, or are refused with the
  // message when a click would fall on the wrong side of the faintest point.
  void autoClicksSelectTheRangeOrAreRefused() {
    Store& s = *store_;
    RangeWindow w(s, rows_, {RangeMarkers::Erase::Always, false, RangeEnd::Style::Signed});
    QVERIFY(w.Redraw());
    for (const AutoRange& r : {AutoRange{4, 18, ""}, AutoRange{1, 21, ""}}) {
      const auto xs = w.Range().AutoClicks(r);
      QVERIFY(xs.has_value());
      w.Range().ClickAt(*xs);
      QCOMPARE(s.ParLeftIdx, int16_t(r.first));
      QCOMPARE(s.ParRightIdx, int16_t(r.last));
      QVERIFY(s.ParRangeSet);
    }
    QVERIFY(messages_->Texts().isEmpty());
    // A start after the faintest point, an end before it.
    const size_t drawn = w.Drawing().Primitives().size();
    for (const AutoRange& r : {AutoRange{12, 18, ""}, AutoRange{4, 9, ""}}) {
      messages_->Clear();
      QVERIFY(!w.Range().AutoClicks(r).has_value());
      QCOMPARE(messages_->Texts(),
               QStringList{UnclickableRangeMessage(PointsText(r.first, r.last))});
    }
    QCOMPARE(w.Drawing().Primitives().size(), drawn);
  }

 private:
  std::unique_ptr<Store> store_;
  std::unique_ptr<MessageRecorder> messages_;
  NoRows rows_;
};

VANTOR_QT_TEST_MAIN(RangeFormTest)
#include "range_form_qtest.moc"
