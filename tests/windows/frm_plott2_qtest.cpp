// Tests of frmPlott2, the tracing paper, driven through the main window and
// the window's controls by name. The main light curve is synthetic: 41 points
// 0.004 d apart from HJD 2459000.300037 (relative times 0.300037 ..
// 0.460037), the faintest one, point 21, at 0.380037, so that the rounded
// starting fold (0.3800) and the faintest point's own time differ in row 2.
// Covered: the scroll centre, arrow and trough steps, and the keys that move
// the fold from the keyboard; values that clamp and are
// set back; "Update" with typed folds, also outside the data and not a number;
// smoothing a 5-point curve press by press and undoing it; row 2 written again
// by every redraw, a resize's too.
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "core/format.h"
#include "core/store.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class FrmPlott2Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QFile f(dir_->filePath("fold.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (int k = 1; k <= 41; ++k) {
      const double t = 0.300037 + 0.004 * (k - 1);
      const double d = (t - 0.381370) / 0.05;
      f.write(QStringLiteral("%1,%2\n")
                  .arg(2459000.0 + t, 0, 'f', 6)
                  .arg(0.3 + 0.8 * std::max(0.0, 1 - d * d), 0, 'f', 4)
                  .toUtf8());
    }
    f.close();
    QFile five(dir_->filePath("five.csv"));
    QVERIFY(five.open(QIODevice::WriteOnly));
    five.write(
        "2459000.40,0.30\n2459000.41,0.60\n2459000.42,0.90\n2459000.43,0.50\n"
        "2459000.44,0.31\n");
    five.close();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    messages_ = std::make_unique<MessageRecorder>();
    Load("fold.csv");
    QCOMPARE(store_->FaintIdx, int16_t{21});
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void scrollCentreIsTheFaintestPointsOwnTime() {
    main_->Command2_Click();
    QVERIFY(w().isVisible());
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Tracing Paper Method - CLICK LEFT ARROW TO DECREASE FOLD HJD, etc."));
    QCOMPARE(Scroll()->value(), 16383);
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.38000"));  // rounded at load
    QCOMPARE(main_->Text[8]->text(), QStringLiteral("0.0001"));

    Scroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // right arrow
    QCOMPARE(Scroll()->value(), 16384);
    Scroll()->triggerAction(QAbstractSlider::SliderPageStepSub);  // trough, left of the thumb
    QCOMPARE(Scroll()->value(), 16379);
    QCOMPARE(store_->FoldTime, Faint() + 0.0001 * (16379 - 16383));
    Scroll()->setValue(16383);
    QCOMPARE(store_->FoldTime, Faint());
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.38004"));
    QCOMPARE(w().Text1->text().trimmed(), QStringLiteral("0.38004"));
    QVERIFY(main_->Check[2]->isChecked());
  }

  void clampedValueIsSetBackToTheNearestUnit() {
    main_->Command2_Click();
    for (const int value : {0, 32767}) {
      const ScrollOutcome expected = FoldAfterScroll(*store_, value);
      const double clampedTo = store_->TMin + (value == 0 ? 0.05 : 0.95) * store_->TRange;
      Scroll()->setValue(value);
      QCOMPARE(Scroll()->value(), expected.value);
      QCOMPARE(store_->FoldTime, expected.foldTime);
      // Set back: the fold is the scroll unit nearest the clamped time.
      QVERIFY(Scroll()->value() != value);
      QCOMPARE(store_->FoldTime, Faint() + 0.0001 * (Scroll()->value() - 16383));
      QVERIFY(std::abs(store_->FoldTime - clampedTo) <= 0.00005);
      QCOMPARE(main_->Text[2]->text(), Q(FormatResult(store_->HjdBase + store_->FoldTime)));
    }
  }

  void reopenedWindowStartsAtTheCentreAndKeepsTheFold() {
    main_->Command2_Click();
    Scroll()->setValue(16400);
    const double fold = store_->FoldTime;
    w().close();
    main_->Command2_Click();
    QCOMPARE(Scroll()->value(), 16383);
    QCOMPARE(store_->FoldTime, fold);
    QCOMPARE(main_->Text[2]->text(), Q(FormatResult(store_->HjdBase + fold)));
  }

  void updateTakesATypedFoldWithinTheLightCurveOnly() {
    main_->Command2_Click();
    Type("0.35");
    QCOMPARE(store_->FoldTime, 0.35);
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.35000"));
    QVERIFY(messages_->Texts().isEmpty());
    // Left of the data, and letters (which read as 0): no time of minimum,
    // refused with a message; the fold and row 2 stay (0 used to deliver
    // 2459000.00000, ticked into the means).
    Type("  0.1xyz");
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY(messages_->Texts().back().contains(QStringLiteral("lies outside the light curve")));
    QCOMPARE(store_->FoldTime, 0.35);
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.35000"));
    Type("abc");
    QCOMPARE(messages_->Texts().size(), 2);
    QCOMPARE(store_->FoldTime, 0.35);
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.35000"));
    // A number no double holds is refused; the fold and row 2 stay.
    Type("1e999");
    QCOMPARE(messages_->Texts().size(), 3);
    QCOMPARE(store_->FoldTime, 0.35);
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.35000"));
    // The scroll position stays absolute, whatever was typed.
    Scroll()->setValue(16384);
    QCOMPARE(store_->FoldTime, Faint() + 0.0001);
  }

  void smoothingFivePointsPressByPressAndUndo() {
    Load("five.csv");
    main_->Command2_Click();
    const std::array<double, 6> mag{0, 0.30, 0.60, 0.90, 0.50, 0.31};
    const std::array<double, 6> three{
        0, 0.30, 0.60, (0.6 + 0.9 + 0.5) / 3, (0.9 + 0.5 + 0.31) / 3, 0.31};
    QCOMPARE(w().Label8->text(), QStringLiteral("No averaging"));
    Smooth("3-point averaging", 3);
    CheckSmoothMag({0, 0.30, 0.60, three[3], three[4], 0.31});
    Smooth("5-point averaging", 5);
    CheckSmoothMag({0, 0.30, 0.60, (0.3 + 0.6 + 0.9 + 0.5 + 0.31) / 5, three[4], 0.31});
    const Store afterFive = *store_;
    Smooth("7-point averaging", 7);
    Smooth("9-point averaging", 9);
    Smooth("9-point averaging", 9);
    QVERIFY(store_->SmoothMag == afterFive.SmoothMag);

    main_->Check[2]->setChecked(false);
    QTest::mouseClick(Button("Command3"), Qt::LeftButton);
    QCOMPARE(w().Label8->text(), QStringLiteral("No averaging"));
    QCOMPARE(store_->SmoothLevel, int16_t{1});
    CheckSmoothMag(mag);
    QVERIFY(main_->Check[2]->isChecked());
  }

  void keyboardMovesTheFoldTheWayOfTheArrows() {
    main_->Command2_Click();
    QScrollBar* bar = Scroll();
    // Tab and a click reach the bar.
    QVERIFY((bar->focusPolicy() & Qt::StrongFocus) == Qt::StrongFocus);
    struct Case {
      Qt::Key key;
      int step;
    };
    const Case cases[] = {{Qt::Key_Right, 1}, {Qt::Key_Left, -1},  {Qt::Key_Up, 1},
                          {Qt::Key_Down, -1}, {Qt::Key_PageUp, 5}, {Qt::Key_PageDown, -5}};
    for (const Case& c : cases) {
      bar->setValue(16383);
      QTest::keyClick(bar, c.key);
      QVERIFY2(bar->value() == 16383 + c.step, qPrintable(QString::number(c.key, 16)));
      QCOMPARE(store_->FoldTime, Faint() + 0.0001 * c.step);
      QCOMPARE(main_->Text[2]->text(), Q(FormatResult(store_->HjdBase + store_->FoldTime)));
    }
  }

  void everyRedrawTicksRowTwoAgain() {
    main_->Command2_Click();
    main_->Check[2]->setChecked(false);
    main_->Text[2]->clear();
    w().SetWidth(7600);  // a resize by the user
    QVERIFY(main_->Check[2]->isChecked());
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.38000"));
    QTest::mouseClick(Button("Command4"), Qt::LeftButton);
    QVERIFY(!w().isVisible());
    QCOMPARE(main_->Text[2]->text(), QStringLiteral("2459000.38000"));
  }

 private:
  FrmPlott2& w() { return main_->frmPlott2(); }
  QScrollBar* Scroll() { return w().findChild<QScrollBar*>(QStringLiteral("HScroll1")); }
  QPushButton* Button(const char* name) {
    return w().findChild<QPushButton*>(QString::fromLatin1(name));
  }
  double Faint() const { return store_->RelTime[store_->FaintIdx]; }

  void Load(const QString& name) {
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(dir_->path()));
    main_->frmOpen().Text1->setText(name);
    main_->frmOpen().Command1_Click();
    QVERIFY(messages_->Texts().isEmpty());
  }

  void Type(const char* text) {
    auto* box = w().findChild<QLineEdit*>(QStringLiteral("Text1"));
    box->setText(QString::fromLatin1(text));
    QTest::mouseClick(Button("Command1"), Qt::LeftButton);
  }

  void Smooth(const char* caption, int level) {
    main_->Check[2]->setChecked(false);
    QTest::mouseClick(Button("Command2"), Qt::LeftButton);
    QCOMPARE(w().Label8->text(), QString::fromLatin1(caption));
    QCOMPARE(store_->SmoothLevel, int16_t(level));
    QVERIFY(main_->Check[2]->isChecked());
  }

  void CheckSmoothMag(const std::array<double, 6>& expected) {
    for (int i = 1; i <= 5; ++i) {
      QVERIFY2(std::abs(store_->SmoothMag[i] - expected[i]) < 1e-12,
               qPrintable(QString::number(i)));
    }
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(FrmPlott2Test)
#include "frm_plott2_qtest.moc"
