// Tests of frmPlott1, the parabolic fit window, driven through the main window
// with the example eclipse (60 points 0.0025 d apart, the faintest one, index
// 30, at 0.4295 d): a session of clicks, fit, undo and refit checked against
// FitParabola; the side rule and the index choice at the edges; the markers;
// a refused fit; the pointer; clicks read against this window's own drawing.
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "core/format.h"
#include "core/store.h"
#include "methods/parabola.h"
#include "plot/mapping.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");
QString Q(const std::string& s) { return QString::fromStdString(s); }

// An x whose time under m is exactly t (x(t) and back may miss t by a rounding).
double ExactX(const PlotMapping& m, double t) {
  double x = m.X(t);
  for (int i = 0; i < 8 && m.TimeAt(x) != t; ++i) {
    x = std::nextafter(x, m.TimeAt(x) < t ? 1e9 : -1e9);
  }
  return x;
}

}  // namespace

class FrmPlott1Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    messages_ = std::make_unique<MessageRecorder>();
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(kExamples));
    main_->frmOpen().Text1->setText("eclipse_header.csv");
    main_->frmOpen().Command1_Click();
    QCOMPARE(store_->NPoints, int16_t{60});
    main_->Command1_Click();
    QVERIFY(w().isVisible());
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void sessionSelectsFitsUndoesAndRefits() {
    Click(0.4083);  // between points 21 and 22
    QCOMPARE(store_->ParLeftIdx, int16_t{22});
    QCOMPARE(w().Label8->text(), QStringLiteral(" 22"));
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Fit Parabola - LEFT-CLICK AT (right) END OF RANGE."));
    QVERIFY(!store_->ParRangeSet);
    Click(0.4383);  // between 33 and 34
    QCOMPARE(store_->ParRightIdx, int16_t{33});
    QCOMPARE(w().Label10->text(), QStringLiteral("  33"));
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Fit Parabola - CLICK 'Fit Parabola', OR 'Undo' TO START OVER."));
    QVERIFY(store_->ParRangeSet);

    QTest::mouseClick(w().Command1, Qt::LeftButton);
    CheckRowIsFitOf(22, 33);
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Fit Parabola - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER."));
    CheckCurve();

    // "Done" hides; "Go" brings back the markers and the curve from the state.
    QTest::mouseClick(w().Command3, Qt::LeftButton);
    QVERIFY(!w().isVisible());
    main_->Command1_Click();
    QCOMPARE(PurpleMarkersAt(), (std::vector<float>{X(store_->ParLeftT), X(store_->ParRightT)}));
    CheckCurve();
    CheckRowIsFitOf(22, 33);

    QTest::mouseClick(w().Command2, Qt::LeftButton);
    QVERIFY(!store_->ParLeftSet && !store_->ParRightSet && !store_->ParRangeSet &&
            !store_->ParFitted);
    QVERIFY(main_->Text[1]->text().isEmpty());
    QVERIFY(main_->Text[7]->text().isEmpty());
    QVERIFY(!main_->Check[1]->isChecked());
    QVERIFY(w().Text1->text().isEmpty());
    QVERIFY(w().Label8->text().isEmpty());
    QVERIFY(w().Label10->text().isEmpty());
    QCOMPARE(w().windowTitle(), QStringLiteral("Fit Parabola - LEFT-CLICK AT START OF RANGE."));
    QCOMPARE(w().Drawing().Count(Primitive::Kind::Disc, kRed), 60);
    QCOMPARE(w().Drawing().Count(Primitive::Kind::Line, kMarkerPurple), 0);
    QCOMPARE(w().Drawing().Count(Primitive::Kind::Line, kBlue), 0);
    // The indices stay, but without both ends clicked again nothing is fitted.
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QVERIFY(main_->Text[1]->text().isEmpty());

    Click(0.4383);  // the right end first this time: the order does not matter
    Click(0.4133);  // between 23 and 24
    QCOMPARE(store_->ParLeftIdx, int16_t{24});
    QCOMPARE(store_->ParRightIdx, int16_t{33});
    // The caption follows the side of the last click.
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Fit Parabola - LEFT-CLICK AT (right) END OF RANGE."));
    w().Command1_Click();
    CheckRowIsFitOf(24, 33);
  }

  void sideAndIndexFollowStrictComparisons() {
    const PlotMapping m = MethodMapping(*store_);
    const double faint = store_->RelTimeAll[store_->EditFaintIdx];
    QCOMPARE(faint, store_->RelTime[30]);
    const double y = (store_->PlotTop + store_->PlotBottom) / 2.0;
    // Exactly at the faintest point's time: the right end, the point before it.
    w().ClickAt(ExactX(m, faint), y);
    QVERIFY(store_->ParRightSet && !store_->ParLeftSet);
    QCOMPARE(store_->ParRightIdx, int16_t{29});
    // A left-side click exactly at a point's time selects the next point.
    w().ClickAt(ExactX(m, store_->RelTime[20]), y);
    QCOMPARE(store_->ParLeftIdx, int16_t{21});
    // On the frame's edges: left of every point 1, right of every point NPoints.
    w().ClickAt(store_->PlotLeft, store_->PlotTop);
    QCOMPARE(store_->ParLeftIdx, int16_t{1});
    w().ClickAt(store_->PlotRight, store_->PlotBottom);
    QCOMPARE(store_->ParRightIdx, int16_t{60});
    QCOMPARE(w().Label10->text(), QStringLiteral("  60"));

    // Outside the plot area, and with the right button, nothing changes.
    const Store before = *store_;
    const size_t drawn = w().Drawing().Primitives().size();
    const QString caption = w().windowTitle();
    const int py = vantor::TwipsToPixels(y);
    QTest::mouseClick(&w().Drawing(), Qt::LeftButton, {},
                      QPoint(vantor::TwipsToPixels(store_->PlotLeft) - 3, py));
    QTest::mouseClick(
        &w().Drawing(), Qt::LeftButton, {},
        QPoint(vantor::TwipsToPixels(m.X(0.4083)), vantor::TwipsToPixels(store_->PlotTop) - 3));
    QTest::mouseClick(&w().Drawing(), Qt::RightButton, {},
                      QPoint(vantor::TwipsToPixels(m.X(0.4083)), py));
    QVERIFY(*store_ == before);
    QCOMPARE(w().Drawing().Primitives().size(), drawn);
    QCOMPARE(w().windowTitle(), caption);
  }

  void secondLeftClickPaintsTheOldMarkerWhite() {
    Click(0.4083);
    const float first = static_cast<float>(store_->ParLeftX);
    const size_t before = w().Drawing().Primitives().size();
    Click(0.4133);
    const auto& p = w().Drawing().Primitives();
    QCOMPARE(p.size(), before + 2);
    const float top = store_->PlotTop, bottom = store_->PlotBottom;
    const float second = static_cast<float>(store_->ParLeftX);
    QVERIFY(second > first);
    QCOMPARE(p[before], (Primitive{Primitive::Kind::Line, kWhite, first, top, first, bottom, 0}));
    QCOMPARE(p[before + 1],
             (Primitive{Primitive::Kind::Line, kMarkerPurple, second, top, second, bottom, 0}));
  }

  void refusedFitIsShownAndLeavesRowOneEmpty() {
    Click(0.4233);  // between 27 and 28: the left end is 28
    Click(0.4308);  // between 30 and 31: the right end is 30, three points
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QCOMPARE(messages_->Texts().size(), 1);
    QCOMPARE(messages_->Texts()[0], Q(FitParabola(*store_, 28, 30).error().message));
    QVERIFY(main_->Text[1]->text().isEmpty());
    QVERIFY(main_->Text[7]->text().isEmpty());
    QVERIFY(!main_->Check[1]->isChecked());
    QVERIFY(!store_->ParFitted);
    QVERIFY(w().Text1->text().isEmpty());
    QCOMPARE(w().Drawing().Count(Primitive::Kind::Line, kBlue), 0);
  }

  void pointerIsACrossStrictlyInsideThePlotArea() {
    const int py = vantor::TwipsToPixels((store_->PlotTop + store_->PlotBottom) / 2.0);
    QTest::mouseMove(&w().Drawing(), QPoint(vantor::TwipsToPixels(X(0.43)), py));
    QCOMPARE(w().cursor().shape(), Qt::CrossCursor);
    QTest::mouseMove(&w().Drawing(), QPoint(vantor::TwipsToPixels(store_->PlotLeft) - 2, py));
    QCOMPARE(w().cursor().shape(), Qt::ArrowCursor);
  }

  void clicksAreReadAgainstThisWindowsDrawing() {
    const PlotMapping own = MethodMapping(*store_);
    // The Fourier window has a plot area of its own; drawing it last must not
    // move the points a click in this window selects.
    main_->Command5_Click();
    QVERIFY(store_->PlotLeft != own.area.left);
    QTest::mouseClick(&w().Drawing(), Qt::LeftButton, {},
                      QPoint(vantor::TwipsToPixels(own.X(0.4083)),
                             vantor::TwipsToPixels((own.area.top + own.area.bottom) / 2.0)));
    QCOMPARE(store_->ParLeftIdx, int16_t{22});
  }

 private:
  FrmPlott1& w() { return main_->frmPlott1(); }
  float X(double t) { return static_cast<float>(MethodMapping(*store_).X(t)); }

  // Clicks the left button on the canvas at the x of time t, halfway down the plot area.
  void Click(double t) {
    const PlotMapping m = MethodMapping(*store_);
    QTest::mouseClick(&w().Drawing(), Qt::LeftButton, {},
                      QPoint(vantor::TwipsToPixels(m.X(t)),
                             vantor::TwipsToPixels((m.area.top + m.area.bottom) / 2.0)));
  }

  // x of the purple lines drawn since the last clear, in drawing order.
  std::vector<float> PurpleMarkersAt() {
    std::vector<float> xs;
    for (const Primitive& p : w().Drawing().Primitives()) {
      if (p.kind == Primitive::Kind::Line && p.color == kMarkerPurple) xs.push_back(p.x1);
    }
    return xs;
  }

  void CheckRowIsFitOf(int first, int last) {
    const auto fit = FitParabola(*store_, first, last);
    QVERIFY(fit.has_value());
    QCOMPARE(main_->Text[1]->text(), Q(FormatResult(store_->HjdBase + fit->minimum.rel_time)));
    QCOMPARE(main_->Text[7]->text(), Q(FormatResult(fit->minimum.error)));
    QVERIFY(main_->Check[1]->isChecked());
    QCOMPARE(w().Text1->text(), Q(FormatFixed(fit->rms, 8, 3)));
    QCOMPARE(w().Text1->text().size(), 8);
    QCOMPARE(store_->ParA2, fit->a2);
    QVERIFY(store_->ParFitted);
  }

  // The fitted curve: a pixel at sample 0 (the left edge of the time axis),
  // then 100 x 21 lines, blue strictly inside the clicked times and grey
  // outside, ending on the parabola.
  void CheckCurve() {
    const DrawingList& d = w().Drawing();
    const PlotMapping m = MethodMapping(*store_);
    QCOMPARE(d.Count(Primitive::Kind::Pixel), 1);
    QCOMPARE(d.Count(Primitive::Kind::Line, kBlue) + d.Count(Primitive::Kind::Line, kCurveGrey),
             2100);
    QVERIFY(d.Count(Primitive::Kind::Line, kBlue) > 0);
    const auto& p = d.Primitives();
    size_t k = 0;
    while (p[k].kind != Primitive::Kind::Pixel) ++k;
    QCOMPARE(p[k].x1, static_cast<float>(m.X(store_->TMin)));
    for (++k; k < p.size(); ++k) {
      const double t = m.TimeAt(p[k].x2);
      const bool inside = store_->ParLeftT < t && t < store_->ParRightT;
      QCOMPARE(p[k].color, inside ? kBlue : kCurveGrey);
    }
    // The middle line of the band at the last sample lies on the parabola.
    const double t = store_->TMax;
    const double mag = (store_->ParA2 * t + store_->ParA1) * t + store_->ParA0;
    const Primitive& mid = p[p.size() - 11];
    QVERIFY(std::abs(mid.x2 - m.X(t)) < 0.01);
    QVERIFY(std::abs(mid.y2 - m.Y(mag)) < 0.01);
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(FrmPlott1Test)
#include "frm_plott1_qtest.moc"
