// Tests of frmPlott3, the bisectors-of-chords window, driven through the main
// window with mouse clicks on its canvas. The light curve is synthetic: 41
// points 0.004 d apart from HJD 2459000.300037, magnitude 0.3 + 0.8 max(0,
// 1 - ((t - T0) / 0.05)^2) with T0 = 0.381370 (relative), written with four
// decimals; flat at 0.3000 for points 1..8 and 34..41; the faintest point is
// 21. Covered: a full session (clicks, fit, undo, refit) checked against
// BisectChords; a left range clicked from its end; a third click on a
// finished side; clicks outside the plot area or with the right button; the
// right range marked first; a refused computation; clicks read against this
// window's own drawing after another window was drawn.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "core/format.h"
#include "core/store.h"
#include "methods/chords.h"
#include "plot/mapping.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

constexpr double kT0 = 0.381370;
constexpr int kPoints = 41;

// Relative time of point k (1-based), and a time halfway between k and k + 1.
double PointTime(int k) { return 0.300037 + 0.004 * (k - 1); }
double After(int k) { return PointTime(k) + 0.002; }

QString Q(const std::string& s) { return QString::fromStdString(s); }

const QString kStart =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF LEFT RANGE.");
const QString kLeftEnd = QStringLiteral("Bisect Chords - LEFT-CLICK AT (right) END OF LEFT RANGE.");
const QString kRightStart =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF RIGHT RANGE.");
const QString kRightEnd =
    QStringLiteral("Bisect Chords - LEFT-CLICK AT (right) END OF RIGHT RANGE.");
const QString kReady =
    QStringLiteral("Bisect Chords - CLICK 'Bisect Chords', OR 'Undo' TO START OVER.");
const QString kFitted =
    QStringLiteral("Bisect Chords - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER.");

}  // namespace

class FrmPlott3Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QFile f(dir_->filePath("chords.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (int k = 1; k <= kPoints; ++k) {
      const double d = (PointTime(k) - kT0) / 0.05;
      const double mag = 0.3 + 0.8 * std::max(0.0, 1 - d * d);
      f.write(QStringLiteral("%1,%2\n")
                  .arg(2459000.0 + PointTime(k), 0, 'f', 6)
                  .arg(mag, 0, 'f', 4)
                  .toUtf8());
    }
    f.close();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    messages_ = std::make_unique<MessageRecorder>();
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(dir_->path()));
    main_->frmOpen().Text1->setText("chords.csv");
    main_->frmOpen().Command1_Click();
    QCOMPARE(store_->NPoints, int16_t{kPoints});
    QCOMPARE(store_->FaintIdx, int16_t{21});
    main_->Command3_Click();
    QVERIFY(w().isVisible());
    QCOMPARE(w().windowTitle(), kStart);
    map_ = MethodMapping(*store_);
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void sessionBisectsUndoesAndRefits() {
    MarkBothRanges();
    QCOMPARE(store_->ChordIdx1, int16_t{11});
    QCOMPARE(store_->ChordIdx2, int16_t{16});
    QCOMPARE(store_->ChordIdx3, int16_t{27});
    QCOMPARE(store_->ChordIdx4, int16_t{32});
    QCOMPARE(w().Label8->text(), QStringLiteral(" 11"));
    QCOMPARE(w().Label14->text(), QStringLiteral(" 32"));
    QVERIFY(store_->ChordRangeSet);
    QCOMPARE(PurpleLines(), 4);

    Press("Command1");
    CheckRow3IsBisectionOf(11, 16, 27, 32);
    QCOMPARE(w().windowTitle(), kFitted);
    QVERIFY(store_->ChordFitted);
    QCOMPARE(PurpleLines(), 8);  // the fit draws the markers once more, over the old ones

    // A resize and the main window's "Go" redraw with the four markers.
    w().SetWidth(7500);
    QCOMPARE(PurpleLines(), 4);
    main_->Command3_Click();
    QCOMPARE(PurpleLines(), 4);
    map_ = MethodMapping(*store_);

    Press("Command2");
    QCOMPARE(store_->ChordLeftState, int16_t{0});
    QCOMPARE(store_->ChordRightState, int16_t{0});
    QVERIFY(!store_->ChordRangeSet);
    QVERIFY(!store_->ChordFitted);
    QCOMPARE(PurpleLines(), 0);
    for (QLabel* l : {w().Label8, w().Label10, w().Label12, w().Label14})
      QVERIFY(l->text().isEmpty());
    QVERIFY(main_->Text[3]->text().isEmpty());
    QVERIFY(main_->Text[9]->text().isEmpty());
    QVERIFY(!main_->Check[3]->isChecked());
    QCOMPARE(w().windowTitle(), kStart);
    Press("Command1");  // nothing to bisect
    QVERIFY(main_->Text[3]->text().isEmpty());

    MarkBothRanges();
    Press("Command1");
    CheckRow3IsBisectionOf(11, 16, 27, 32);
    QVERIFY(messages_->Texts().isEmpty());
  }

  void rangeClickedFromItsEndIsPutInOrderWithMarkersWhereClicked() {
    Click(After(16));
    QCOMPARE(store_->ChordIdx1, int16_t{17});
    Click(After(10));  // the last point before it is 10: exchanged with 17
    QCOMPARE(store_->ChordIdx1, int16_t{10});
    QCOMPARE(store_->ChordIdx2, int16_t{17});
    QCOMPARE(w().Label8->text(), QStringLiteral(" 10"));
    QCOMPARE(w().Label10->text(), QStringLiteral(" 17"));
    QCOMPARE(w().windowTitle(), kRightStart);
    // The click times stay in click order, and the markers stand at them.
    QVERIFY(std::abs(store_->ChordT1 - After(16)) < 0.0005);
    QVERIFY(std::abs(store_->ChordT2 - After(10)) < 0.0005);
    const QList<float> xs = PurpleXs();
    QCOMPARE(xs.size(), 2);
    QCOMPARE(xs[0], static_cast<float>(map_.X(store_->ChordT1)));
    QCOMPARE(xs[1], static_cast<float>(map_.X(store_->ChordT2)));
  }

  void finishedSideOutsideClicksAndRightButtonChangeNothing() {
    Click(After(10));
    Click(After(16));
    const Store before = *store_;
    const auto drawn = w().Drawing().Primitives();
    Click(After(13));                                     // a third click on the left side
    Click(After(26), Qt::RightButton);                    // not the left button
    ClickAt(store_->PlotLeft - 60, Mid());                // left of the frame
    ClickAt(map_.X(After(26)), store_->PlotBottom + 60);  // below it
    QVERIFY(*store_ == before);
    QVERIFY(w().Drawing().Primitives() == drawn);
    QCOMPARE(w().windowTitle(), kRightStart);
    QCOMPARE(w().Label8->text(), QStringLiteral(" 11"));
  }

  void rightRangeMayComeFirst() {
    Click(After(26));
    QCOMPARE(w().windowTitle(), kRightEnd);
    QCOMPARE(w().Label12->text(), QStringLiteral(" 27"));
    Click(After(32));
    QCOMPARE(w().windowTitle(), kReady);
    QVERIFY(!store_->ChordRangeSet);
    Press("Command1");  // the left range is missing
    QVERIFY(main_->Text[3]->text().isEmpty());
    Click(After(10));
    QCOMPARE(w().windowTitle(), kLeftEnd);
    Click(After(16));
    QCOMPARE(w().windowTitle(), kRightStart);  // the caption follows the click just made
    QVERIFY(store_->ChordRangeSet);
    Press("Command1");
    CheckRow3IsBisectionOf(11, 16, 27, 32);
  }

  void refusedBisectionShowsItsMessageAndWritesNothing() {
    // Points 3..5 lie on the flat part, as bright as the last point: no chord closes.
    Click(After(2));
    Click(After(5));
    Click(After(26));
    Click(After(32));
    QVERIFY(store_->ChordRangeSet);
    Press("Command1");
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(messages_->Texts()[0].startsWith(QStringLiteral("Left-range point 3 ")));
    QVERIFY(main_->Text[3]->text().isEmpty());
    QVERIFY(main_->Text[9]->text().isEmpty());
    QVERIFY(!main_->Check[3]->isChecked());
    QVERIFY(!store_->ChordFitted);
    QCOMPARE(w().windowTitle(), kReady);
  }

  void clicksAreReadInThisWindowsFrameAfterAnotherWindowWasDrawn() {
    // The tracing paper, wider, is drawn last: the store's plot area is now its own.
    store_->Plott2Width = 9000;
    main_->Command2_Click();
    QVERIFY(store_->PlotRight != map_.area.right);
    MarkBothRanges();
    QCOMPARE(store_->ChordIdx1, int16_t{11});
    QCOMPARE(store_->ChordIdx4, int16_t{32});
    const QList<float> xs = PurpleXs();
    QCOMPARE(xs.size(), 4);
    QCOMPARE(xs[0], static_cast<float>(map_.X(store_->ChordT1)));
  }

 private:
  FrmPlott3& w() { return main_->frmPlott3(); }

  double Mid() const { return (map_.area.top + map_.area.bottom) / 2.0; }

  void ClickAt(double xTwips, double yTwips, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(&w().Drawing(), button, {},
                      QPoint(TwipsToPixels(xTwips), TwipsToPixels(yTwips)));
  }

  void Click(double t, Qt::MouseButton button = Qt::LeftButton) {
    ClickAt(map_.X(t), Mid(), button);
  }

  void Press(const char* name) {
    auto* button = w().findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
  }

  void MarkBothRanges() {
    Click(After(10));
    QCOMPARE(w().windowTitle(), kLeftEnd);
    Click(After(16));
    QCOMPARE(w().windowTitle(), kRightStart);
    Click(After(26));
    QCOMPARE(w().windowTitle(), kRightEnd);
    Click(After(32));
    QCOMPARE(w().windowTitle(), kReady);
  }

  void CheckRow3IsBisectionOf(int i1, int i2, int i3, int i4) {
    const auto r = BisectChords(*store_, i1, i2, i3, i4);
    QVERIFY(r.has_value());
    QVERIFY(std::abs(r->minimum.rel_time - kT0) < 0.001);  // the curve is symmetric about T0
    QCOMPARE(main_->Text[3]->text(), Q(FormatResult(store_->HjdBase + r->minimum.rel_time)));
    QCOMPARE(main_->Text[9]->text(), Q(FormatResult(r->minimum.error)));
    QVERIFY(main_->Check[3]->isChecked());
  }

  QList<float> PurpleXs() {
    QList<float> xs;
    for (const Primitive& p : w().Drawing().Primitives()) {
      if (p.kind == Primitive::Kind::Line && p.color == kMarkerPurple) {
        if (p.x1 == p.x2 && p.y1 == map_.area.top && p.y2 == map_.area.bottom) xs.append(p.x1);
      }
    }
    return xs;
  }

  int PurpleLines() { return w().Drawing().Count(Primitive::Kind::Line, kMarkerPurple); }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
  PlotMapping map_;
};

VANTOR_QT_TEST_MAIN(FrmPlott3Test)
#include "frm_plott3_qtest.moc"
