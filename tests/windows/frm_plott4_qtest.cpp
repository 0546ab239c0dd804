// Tests of frmPlott4, the Kwee and van Woerden window, driven through the main
// window with the example eclipse (60 points 0.0025 d apart, the faintest one,
// index 30, at 0.4295 d): a session of clicks, fit, undo and refit checked
// against KweeVanWoerden with the texts of the tuning boxes; the side rule and
// the index choice at the edges; the markers on clicks and after a resize; a
// refused computation.
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "core/format.h"
#include "core/store.h"
#include "methods/kwee.h"
#include "methods/time_method.h"
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

class FrmPlott4Test : public QObject {
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
    main_->Command4_Click();
    QVERIFY(w().isVisible());
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void sessionSelectsFitsUndoesAndRefits() {
    QCOMPARE(w().Label8->text(), QStringLiteral("I1"));
    QCOMPARE(w().Text1->text(), QStringLiteral("1"));
    QCOMPARE(w().Text2->text(), QStringLiteral(".9"));
    Click(0.4083);  // between points 21 and 22
    QCOMPARE(store_->KvwLeftIdx, int16_t{22});
    QCOMPARE(store_->KvwLeftT, store_->RelTime[22]);
    QCOMPARE(w().Label8->text(), QStringLiteral(" 22"));
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT (right) END OF RANGE."));
    Click(0.4508);  // between 38 and 39
    QCOMPARE(store_->KvwRightIdx, int16_t{38});
    QVERIFY(std::abs(store_->KvwRightT - 0.4508) < 3e-4);  // the click's own time
    QCOMPARE(w().Label10->text(), QStringLiteral(" 38"));
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Kwee & van Woerden - CLICK 'Fit Kwee'; OR 'Undo' TO START OVER."));
    QVERIFY(store_->KvwRangeSet);

    QTest::mouseClick(w().Command1, Qt::LeftButton);
    CheckRowIsResultOf(22, 38);
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Kwee & van Woerden - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER."));

    QTest::mouseClick(w().Command2, Qt::LeftButton);
    QVERIFY(!store_->KvwLeftSet && !store_->KvwRightSet && !store_->KvwRangeSet &&
            !store_->KvwFitted);
    QVERIFY(main_->Text[4]->text().isEmpty());
    QVERIFY(main_->Text[10]->text().isEmpty());
    QVERIFY(!main_->Check[4]->isChecked());
    QVERIFY(w().Label8->text().isEmpty());
    QVERIFY(w().Label10->text().isEmpty());
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START OF RANGE."));
    QCOMPARE(w().Drawing().Count(Primitive::Kind::Line, kMarkerPurple), 0);
    // "Fit Kwee" does nothing until both ends are clicked again.
    w().Command1_Click();
    Click(0.4133);  // between 23 and 24
    w().Command1_Click();
    QVERIFY(main_->Text[4]->text().isEmpty());
    Click(0.4458);  // between 36 and 37
    // The tuning boxes are read when the fit starts.
    w().Text1->setText("2");
    w().Text2->setText(".7");
    w().Command1_Click();
    CheckRowIsResultOf(24, 36);
    QVERIFY(messages_->Texts().isEmpty());
  }

  void sideAndIndexFollowStrictComparisons() {
    const PlotMapping m = MethodMapping(*store_);
    const double y = (store_->PlotTop + store_->PlotBottom) / 2.0;
    // Exactly at the faintest point's time: the right end, the point before it.
    w().ClickAt(ExactX(m, store_->RelTimeAll[store_->EditFaintIdx]), y);
    QVERIFY(store_->KvwRightSet && !store_->KvwLeftSet);
    QCOMPARE(store_->KvwRightIdx, int16_t{29});
    // Left of every point 1 (on the frame's edge), right of every point NPoints.
    w().ClickAt(store_->PlotLeft, y);
    QCOMPARE(store_->KvwLeftIdx, int16_t{1});
    QCOMPARE(store_->KvwLeftT, store_->RelTime[1]);
    w().ClickAtTime(store_->TMax - 0.001);
    QCOMPARE(store_->KvwRightIdx, int16_t{60});
    QVERIFY(store_->KvwRangeSet);

    // Outside the plot area, and with the right button, nothing changes.
    const Store before = *store_;
    const size_t drawn = w().Drawing().Primitives().size();
    w().ClickAt(store_->PlotRight + 1, y);
    w().ClickAt(m.X(0.41), store_->PlotBottom + 1);
    w().ClickAtTime(0.41, 2);
    QVERIFY(*store_ == before);
    QCOMPARE(w().Drawing().Primitives().size(), drawn);
  }

  void markersMoveOnClicksAndStandAtTheirTimesAfterAResize() {
    Click(0.4083);
    const float first = static_cast<float>(store_->KvwLeftX);
    const size_t before = w().Drawing().Primitives().size();
    Click(0.4133);
    const auto& p = w().Drawing().Primitives();
    const float top = store_->PlotTop, bottom = store_->PlotBottom;
    const float second = static_cast<float>(store_->KvwLeftX);
    QCOMPARE(p.size(), before + 2);
    QCOMPARE(p[before], (Primitive{Primitive::Kind::Line, kWhite, first, top, first, bottom, 0}));
    QCOMPARE(p[before + 1],
             (Primitive{Primitive::Kind::Line, kMarkerPurple, second, top, second, bottom, 0}));
    Click(0.4508);

    // After a resize the left marker stands at the selected point's time, the
    // right one at the click's own time, in the new plot area.
    w().SetWidth(8400);
    const PlotMapping m = MethodMapping(*store_);
    QCOMPARE(store_->KvwLeftX, m.X(store_->RelTime[24]));
    QCOMPARE(store_->KvwRightX, m.X(store_->KvwRightT));
    std::vector<float> purple;
    for (const Primitive& q : w().Drawing().Primitives()) {
      if (q.color == kMarkerPurple) purple.push_back(q.x1);
    }
    QCOMPARE(purple, (std::vector<float>{static_cast<float>(store_->KvwLeftX),
                                         static_cast<float>(store_->KvwRightX)}));
  }

  void refusedComputationIsShownAndWritesNothing() {
    Click(0.4083);
    Click(0.4508);
    w().Text1->setText("0");  // no step between the trial times
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QCOMPARE(messages_->Texts().size(), 1);
    Store copy = *store_;
    QCOMPARE(messages_->Texts()[0], Q(TimeMethod(copy, KvwSetup{{22, 38}, {"0", ".9"}}).error().message));
    QVERIFY(main_->Text[4]->text().isEmpty());
    QVERIFY(main_->Text[10]->text().isEmpty());
    QVERIFY(!main_->Check[4]->isChecked());
    QVERIFY(!store_->KvwFitted);
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Kwee & van Woerden - CLICK 'Fit Kwee'; OR 'Undo' TO START OVER."));
  }

 private:
  FrmPlott4& w() { return main_->frmPlott4(); }

  // Clicks the left button on the canvas at the x of time t, halfway down the plot area.
  void Click(double t) {
    const PlotMapping m = MethodMapping(*store_);
    QTest::mouseClick(&w().Drawing(), Qt::LeftButton, {},
                      QPoint(vantor::TwipsToPixels(m.X(t)),
                             vantor::TwipsToPixels((m.area.top + m.area.bottom) / 2.0)));
  }

  void CheckRowIsResultOf(int first, int last) {
    Store copy = *store_;
    const auto t = TimeMethod(
        copy, KvwSetup{{first, last},
                       {w().Text1->text().toStdString(), w().Text2->text().toStdString()}});
    QVERIFY(t.has_value());
    const KvwResult* r = &t->As<KvwResult>();
    QCOMPARE(main_->Text[4]->text(), Q(FormatResult(store_->HjdBase + r->minimum.rel_time)));
    QCOMPARE(main_->Text[10]->text(), Q(FormatResult(r->minimum.error)));
    QVERIFY(main_->Check[4]->isChecked());
    QVERIFY(store_->KvwFitted);
    // The window keeps the samples of its fit.
    const KvwSamples& k = r->resampled;
    QCOMPARE(static_cast<int>(k.KvwMag.size()), r->samples);
    QVERIFY(std::equal(k.KvwT.begin(), k.KvwT.end(), store_->KvwT.begin()));
    QVERIFY(std::equal(k.KvwMag.begin(), k.KvwMag.end(), store_->KvwMag.begin()));
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(FrmPlott4Test)
#include "frm_plott4_qtest.moc"
