// Tests of frmPlott5, the Fourier fit window, driven through the main window
// with the example eclipse (60 points, the faintest one index 30): a session
// of clicks, fit, undo and refit checked against FitFourier; the markers and
// the plot area's edges; an end moved after a redraw; an excluded interval,
// set in full or not; the boxes and "Update"; Undo on a curve not fitted yet;
// what a load (refused, or the same file again) does to the window at once.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <utility>

#include "core/format.h"
#include "core/reader.h"
#include "core/store.h"
#include "core/text.h"
#include "methods/fourier.h"
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

}  // namespace

class FrmPlott5Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    messages_ = std::make_unique<MessageRecorder>();
    Load("eclipse_header.csv");
    QCOMPARE(store_->FaintIdx, int16_t{30});
    start_ = store_->FitParam;
    main_->Command5_Click();
    QVERIFY(w().isVisible());
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void sessionSelectsFitsUndoesAndRefits() {
    // The boxes show the reader's starting values, A2 to A5 as zero.
    for (int j = 1; j <= 8; ++j) QCOMPARE(w().Text1[j]->text(), Q(FormatFixed(start_[j], 8, 5)));
    QCOMPARE(w().Text1[5]->text(), QStringLiteral("00.00000"));

    Click(Mid(20));
    QCOMPARE(store_->FourierLeftIdx, int16_t{21});
    QCOMPARE(w().Labels[8]->text(), QStringLiteral(" 21"));
    QVERIFY(!w().Command5->isEnabled());
    Click(Mid(40));
    QCOMPARE(store_->FourierRightIdx, int16_t{40});
    QCOMPARE(w().windowTitle(), QStringLiteral("'CLICK 'Fit Fourier' to proceed,  'Exclude' to "
                                               "exclude interval, OR 'Undo' TO START OVER."));
    QVERIFY(w().Command5->isEnabled());

    QStringList row;
    FitAndCheckRow(&row);
    QCOMPARE(w().windowTitle(),
             QStringLiteral("Fourier fit - CLICK 'Done' TO EXIT, OR 'Undo' TO START OVER."));
    QCOMPARE(w().Curve().T[100], store_->RelTime[40]);
    QCOMPARE(Lines(kBlue), 2100);  // 100 points x 21 strokes
    QVERIFY(messages_->Texts().isEmpty());

    // A second " Fit Fourier" changes nothing.
    const Store before = *store_;
    const auto drawn = w().Drawing().Primitives();
    QTest::mouseClick(w().Command2, Qt::LeftButton);
    QVERIFY(*store_ == before);
    QVERIFY(w().Drawing().Primitives() == drawn);

    // "Done" hides; "Go" brings back the markers and the stored curve, thin.
    QTest::mouseClick(w().Command4, Qt::LeftButton);
    main_->Command5_Click();
    QCOMPARE(Lines(kMarkerPurple), 2);
    QCOMPARE(Lines(kBlue), 100);

    QTest::mouseClick(w().Command3, Qt::LeftButton);
    QVERIFY(store_->FitParam == start_);
    for (int j = 1; j <= 8; ++j) QCOMPARE(w().Text1[j]->text(), Q(FormatFixed(start_[j], 8, 5)));
    QVERIFY(main_->Text[5]->text().isEmpty() && main_->Text[11]->text().isEmpty());
    QVERIFY(!store_->FourierFitDone && !w().Command5->isEnabled() &&
            w().Labels[8]->text().isEmpty());
    QCOMPARE(w().windowTitle(), QStringLiteral("Fit Fourier - LEFT-click at start of range."));
    const Store undone = *store_;
    QTest::mouseClick(w().Command2, Qt::LeftButton);  // a new range is needed
    QCOMPARE(messages_->Texts(), QStringList{"Select range first"});
    QVERIFY(*store_ == undone);

    Click(Mid(40));  // the end first this time: only the side of the faintest point counts
    Click(Mid(20));
    QStringList again;
    FitAndCheckRow(&again);
    QCOMPARE(again, row);
  }

  void clicksMoveMarkersAndStopAtTheEdges() {
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QCOMPARE(messages_->Texts(), QStringList{"Select range first"});
    QCOMPARE(Lines(kBlue), 0);

    // A start moved: the old line is painted over in white, none before it.
    Click(Mid(10));
    const float first = static_cast<float>(store_->MarkX[0]);
    QCOMPARE(Lines(kWhite), 0);
    Click(Mid(12));
    const auto& p = w().Drawing().Primitives();
    const float top = store_->PlotTop, bottom = store_->PlotBottom;
    QCOMPARE(p[p.size() - 2],
             (Primitive{Primitive::Kind::Line, kWhite, first, top, first, bottom, 0}));
    QCOMPARE(w().Labels[8]->text(), QStringLiteral(" 13"));

    // Outside the area, and a right click without "Exclude", change nothing.
    const Store before = *store_;
    const size_t count = p.size();
    const int py = TwipsToPixels((top + bottom) / 2);
    QTest::mouseClick(&w().Drawing(), Qt::LeftButton, {},
                      QPoint(TwipsToPixels(store_->PlotRight) + 3, py));
    QTest::mouseClick(&w().Drawing(), Qt::RightButton, {}, QPoint(TwipsToPixels(X(Mid(40))), py));
    QVERIFY(*store_ == before);
    QCOMPARE(p.size(), count);
    QVERIFY(!w().Command5->isEnabled());
    // The exact corner is inside.
    w().ClickAt(store_->PlotRight, store_->PlotBottom);
    QVERIFY(store_->FourierRangeSet && w().Command5->isEnabled());

    // Clicks are read against this window's drawing, whichever window was drawn last.
    main_->Command1_Click();
    QVERIFY(store_->PlotLeft != before.PlotLeft);
    QTest::mouseClick(&w().Drawing(), Qt::LeftButton, {},
                      QPoint(TwipsToPixels(X(Mid(5), before)), py));
    QCOMPARE(store_->FourierLeftIdx, int16_t{6});
  }

  void movingAnEndAfterARedrawPaintsItsLastPlaceWhite() {
    const std::pair<const char*, std::function<void()>> redraws[] = {
        {"Update", [this] { QTest::mouseClick(w().Command1, Qt::LeftButton); }},
        {"Go", [this] { main_->Command5_Click(); }},
        {"fit", [this] { QTest::mouseClick(w().Command2, Qt::LeftButton); }},
    };
    for (const auto& [name, redraw] : redraws) {
      QTest::mouseClick(w().Command3, Qt::LeftButton);  // Undo
      Click(Mid(10));
      Click(Mid(50));
      redraw();
      for (const int end : {0, 1}) {
        const float old = static_cast<float>(store_->MarkX[end]);
        Click(end == 0 ? Mid(12) : Mid(48));
        const auto& p = w().Drawing().Primitives();
        QVERIFY2(p[p.size() - 2] == (Primitive{Primitive::Kind::Line, kWhite, old,
                                               static_cast<float>(store_->PlotTop), old,
                                               static_cast<float>(store_->PlotBottom), 0}),
                 name);
      }
    }
  }

  void excludedIntervalMustBeSetInFullAndLeavesItsPointsOut() {
    for (int round = 1; round <= 2; ++round) {
      Click(Mid(15));  // points 16 .. 45: 30 points
      Click(Mid(45));
      QTest::mouseClick(w().Command5, Qt::LeftButton);
      Click(Mid(26), Qt::RightButton);  // from point 27, the 12th of the range
      QCOMPARE(w().Labels[8]->text(), QStringLiteral(" 27"));
      // One end only: in round 2 the end clicked in round 1 is not taken.
      FourierSetup setup = WindowSetup();
      QVERIFY(setup.exclude.has_value());
      setup.exclude->last = 0;
      const QString refusal = Q(FitFourier(*store_, setup).error().message);
      QVERIFY(refusal.startsWith("The interval to exclude is not set."));
      messages_->Clear();
      QTest::mouseClick(w().Command2, Qt::LeftButton);
      QCOMPARE(messages_->Texts(), QStringList{refusal});
      QVERIFY(main_->Text[5]->text().isEmpty() && !store_->FourierFitDone);
      QCOMPARE(Lines(kMarkerPurple), 2);  // the range stays shown
      if (round == 2) break;
      Click(Mid(30), Qt::RightButton);  // to point 30, the 15th
      QCOMPARE(FitFourier(*store_, WindowSetup())->nData, 26);
      FitAndCheckRow();
      QVERIFY(w().Fit().has_value());
      QCOMPARE(w().Fit()->FitT[11], store_->RelTime[26]);
      QCOMPARE(w().Fit()->FitT[12], store_->RelTime[31]);
      QTest::mouseClick(w().Command3, Qt::LeftButton);
    }
  }

  void typedValuesReachTheFitOnlyThroughUpdate() {
    Click(Mid(20));
    Click(Mid(40));
    // Without "Update" a redraw replaces typed text and the fit ignores it.
    w().Text1[3]->setText("1.5");
    main_->Command5_Click();
    QCOMPARE(w().Text1[3]->text(), Q(FormatFixed(start_[3], 8, 5)));
    w().Text1[3]->setText("1.5");
    QTest::mouseClick(w().Command2, Qt::LeftButton);
    QVERIFY(w().Fit().has_value() && w().Fit()->FitA0 == FitAFromFitParam(start_));
    QTest::mouseClick(w().Command3, Qt::LeftButton);

    Click(Mid(20));
    Click(Mid(40));
    const QString typed[9] = {"", "0.43", "1.17", "25", "0.8 1", "0.05", "0", "0", "x"};
    std::array<double, 9> values{};
    for (int j = 1; j <= 8; ++j) {
      w().Text1[j]->setText(typed[j]);
      values[j] = Val(typed[j].toStdString());
    }
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QVERIFY(store_->ParamsFromBoxes && store_->FitParam == values);
    const auto curve = ComputeFourierCurve(
        *store_, {store_->FourierLeftIdx, store_->FourierRightIdx}, store_->FitParam);
    QVERIFY(curve.has_value());
    QVERIFY(w().Curve().Mag == curve->Mag);
    QCOMPARE(Lines(kBlue), 2100);
    FitAndCheckRow();
    QVERIFY(w().Fit()->FitA0 == FitAFromFitParam(values));
    QVERIFY(!store_->ParamsFromBoxes);
  }

  void lettersTypedAsTheStartingTimeGiveARefusalNotARow() {
    // "abc" in "ToM, Xo" reads as 0, days before the eclipse: the fit used to
    // deliver a time there with an error of days, ticked into the means.
    Click(Mid(20));
    Click(Mid(40));
    w().Text1[1]->setText(QStringLiteral("abc"));
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QCOMPARE(store_->FitParam[1], 0.0);
    messages_->Clear();
    QTest::mouseClick(w().Command2, Qt::LeftButton);
    QCOMPARE(messages_->Texts().size(), 1);
    QVERIFY2(messages_->Texts()[0].contains(QStringLiteral("no time of minimum")),
             qPrintable(messages_->Texts()[0]));
    QVERIFY(main_->Text[5]->text().isEmpty());
    QVERIFY(!main_->Check[5]->isChecked() && !store_->FourierFitDone);
  }

  void undoBeforeAFitOfTheCurrentCurveRestoresTheReadersValues() {
    Click(Mid(20));
    Click(Mid(40));
    FitAndCheckRow();
    Load("eclipse_no_header.csv");  // another curve: the last fit was of the other one
    const std::array<double, 9> start = store_->FitParam;
    QVERIFY(start != start_);
    main_->Command5_Click();
    Click(Mid(2));
    Click(Mid(store_->NPoints - 2));
    w().Text1[1]->setText("0.5");
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    QTest::mouseClick(w().Command3, Qt::LeftButton);
    QVERIFY(store_->FitParam == start);
    QCOMPARE(w().Text1[1]->text(), Q(FormatFixed(start[1], 8, 5)));
  }

  void anAcceptedLoadStartsTheWindowOverAtOnceEvenOnTheSameFile() {
    // A fit from typed values (so that its start differs from the reader's),
    // then an interval being excluded.
    Click(Mid(20));
    Click(Mid(40));
    const QString typed[9] = {"", "0.43", "1.17", "25", "0.8", "0.05", "0", "0", "0"};
    for (int j = 1; j <= 8; ++j) w().Text1[j]->setText(typed[j]);
    QTest::mouseClick(w().Command1, Qt::LeftButton);
    FitAndCheckRow();
    QVERIFY(w().Fit()->FitA0 != FitAFromFitParam(start_));
    QTest::mouseClick(w().Command5, Qt::LeftButton);
    Click(Mid(26), Qt::RightButton);
    QVERIFY(store_->ExcludeMode && store_->ExclLeftIdx == 27 && w().Command5->isEnabled());

    // A refused file (dropped, or named at start-up: both open through
    // OpenPath) leaves the window and its interval alone.
    QFile bad(dir_->filePath("bad.csv"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("no commas\nat all\n") > 0);
    bad.close();
    QVERIFY(main_->frmOpen().OpenPath(bad.fileName()));
    QCOMPARE(
        messages_->Texts(),
        QStringList{QString::fromLatin1(kNotCsvMessage) +
                    QStringLiteral("\n\nThe light curve loaded is still eclipse_header.csv.")});
    QVERIFY(store_->ExcludeMode && store_->ExclLeftIdx == 27 && w().Command5->isEnabled());

    // The same observations again are a new light curve: before the window
    // is used, the interval and "Exclude" are gone, and Undo before a fit
    // restores the reader's values, not the start of the last fit.
    QVERIFY(main_->frmOpen().OpenPath(kExamples + QStringLiteral("/eclipse_header.csv")));
    QVERIFY(!store_->ExcludeMode && store_->ExclLeftIdx == 0 && store_->ExclRightIdx == 0);
    QVERIFY(!w().Command5->isEnabled());
    main_->Command5_Click();
    Click(Mid(20));
    Click(Mid(40));
    QTest::mouseClick(w().Command3, Qt::LeftButton);
    QVERIFY(store_->FitParam == start_);
  }

 private:
  FrmPlott5& w() { return main_->frmPlott5(); }
  int Lines(Rgb colour) { return w().Drawing().Count(Primitive::Kind::Line, colour); }
  double Mid(int i) { return (store_->RelTime[i] + store_->RelTime[i + 1]) / 2; }
  double X(double t, const Store& s) { return MethodMapping(s).X(t); }
  double X(double t) { return X(t, *store_); }

  void Load(const QString& name) {
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(kExamples));
    main_->frmOpen().Text1->setText(name);
    main_->frmOpen().Command1_Click();
  }

  // Clicks the canvas at the x of time t, halfway down the plot area.
  void Click(double t, Qt::MouseButton button = Qt::LeftButton) {
    const int py = TwipsToPixels((store_->PlotTop + store_->PlotBottom) / 2.0);
    QTest::mouseClick(&w().Drawing(), button, {}, QPoint(TwipsToPixels(X(t)), py));
  }

  // The setup the window's range, interval and FitParam stand for.
  FourierSetup WindowSetup() {
    const Store& s = *store_;
    FourierSetup f{{s.FourierLeftIdx, s.FourierRightIdx}, std::nullopt, s.FitParam};
    if (s.ExcludeMode) f.exclude = IndexRange{s.ExclLeftIdx, s.ExclRightIdx};
    return f;
  }

  // Presses " Fit Fourier" and checks row 5 and the boxes against FitFourier
  // on the same state; hands back row 5's two texts.
  void FitAndCheckRow(QStringList* rowTexts = nullptr) {
    const auto fit = FitFourier(*store_, WindowSetup());
    QVERIFY(fit.has_value());
    QTest::mouseClick(w().Command2, Qt::LeftButton);
    const QStringList row{main_->Text[5]->text(), main_->Text[11]->text()};
    QCOMPARE(row, (QStringList{Q(FormatResult(store_->HjdBase + fit->minimum.rel_time)),
                               Q(FormatResult(fit->minimum.error))}));
    QVERIFY(main_->Check[5]->isChecked() && store_->FourierFitDone);
    for (int j = 1; j <= 8; ++j) {
      QCOMPARE(w().Text1[j]->text(), Q(FormatFixed(fit->FitParam[j], 9, 5)));
    }
    if (rowTexts != nullptr) *rowTexts = row;
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
  std::array<double, 9> start_{};
};

VANTOR_QT_TEST_MAIN(FrmPlott5Test)
#include "frm_plott5_qtest.moc"
