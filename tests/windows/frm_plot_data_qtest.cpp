// Tests of the point editor frmPlotData and its dialog frmAction, driven
// through the main window with mouse clicks at the twip positions of points:
// which point a click picks, deleting and restoring, what the editor draws
// (also when it comes to the front, goes to the back or takes a drop), and
// the refusals.
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>
#include <utility>

#include "core/store.h"
#include "plot/mapping.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"
#include "windows/frm_action.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_plot_data.h"

using namespace vantor;

namespace {

// A symmetric dip; points 4 and 5 are the same observation twice.
const char* kDip =
    "HJD,Mag\n2459000.300,1.00\n2459000.320,1.40\n2459000.340,1.80\n2459000.360,2.00\n"
    "2459000.360,2.00\n2459000.380,1.80\n2459000.400,1.40\n2459000.420,1.00\n";
// Two points 300 days apart: the middle between them is far from both.
const char* kFarApart = "HJD,Mag\n2459000.0,1.00\n2459300.0,1.10\n";

int Lines(const DrawingList& d, Rgb color) { return d.Count(Primitive::Kind::Line, color); }

// Drawing coordinates are single precision: equal within a hundredth of a twip.
bool Near(double a, double b) { return std::fabs(a - b) < 0.01; }

}  // namespace

class FrmPlotDataTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    main_->ShowModeless();
    messages_ = std::make_unique<MessageRecorder>();
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  void clickPicksTheNearestPointInDataUnits() {
    Open(kDip);
    // The doubled observation: the lower index wins the tie.
    Click(0.36, 2.0);
    QCOMPARE(store_->PickedIdx, int16_t{4});
    QVERIFY(Action().isVisible());
    QCOMPARE(Action().Text1->text(), QStringLiteral("4"));
    // The boxes keep FormatFixed's leading blanks (they used to drop them).
    QCOMPARE(Action().Text2->text(), QStringLiteral("        0.36"));
    QCOMPARE(Action().Text3->text(), QStringLiteral("   2.000"));
    // The blue plus, arms of 200, around the point; blue stays the colour.
    const PlotMapping map = EditorMapping(*store_);
    const double px = map.X(store_->RelTimeAll[4]), py = map.Y(store_->MagAll[4]);
    const Primitive& across = Drawing().Primitives().end()[-2];
    QCOMPARE(across.color, kBlue);
    QVERIFY(Near(across.x1, px - 200) && Near(across.x2, px + 200) && Near(across.y1, py));
    QVERIFY(Near(Drawing().Primitives().back().y2, py + 200));
    QCOMPARE(Drawing().ForeColor(), kBlue);

    // Below point 1 on the screen, but point 2, 0.02 days off, is nearer in
    // days and magnitudes unscaled.
    const double click[] = {map.X(0.30), map.Y(1.35)};
    QVERIFY(std::hypot(map.X(0.30) - click[0], map.Y(1.00) - click[1]) <
            std::hypot(map.X(0.32) - click[0], map.Y(1.40) - click[1]));
    Click(0.30, 1.35);
    QCOMPARE(store_->PickedIdx, int16_t{2});
    QCOMPARE(Lines(Drawing(), kBlue), 4);  // the first marker stays until a redraw

    // Other buttons do nothing; Cancel hides the dialog and the markers.
    QTest::mouseClick(&Editor().Drawing(), Qt::RightButton, {}, Pixels(0.36, 2.0));
    QCOMPARE(store_->PickedIdx, int16_t{2});
    QTest::mouseClick(Action().Command3, Qt::LeftButton);
    QVERIFY(!Action().isVisible());
    QCOMPARE(Lines(Drawing(), kBlue), 0);
  }

  void focusAndDropsRedrawKeepingOnlyThePlusOfTheOpenDialog() {
    Open(kDip);
    const PlotMapping map = EditorMapping(*store_);
    const std::pair<const char*, std::function<void()>> events[] = {
        {"activated", [this] { Send(QEvent::WindowActivate); }},
        {"deactivated", [this] { Send(QEvent::WindowDeactivate); }},
        {"dropped on", [this] { Drop(); }},
    };
    for (const auto& [what, event] : events) {
      Click(0.36, 2.0);
      Click(0.40, 1.40);
      QCOMPARE(Lines(Drawing(), kBlue), 4);
      event();
      // The editor drawn afresh with the plus of point 7 alone, the point the
      // dialog shows, whichever comes first: the click or the activation.
      QVERIFY2(Lines(Drawing(), kBlue) == 2,
               qPrintable(QStringLiteral("%1: %2").arg(what).arg(Lines(Drawing(), kBlue))));
      QVERIFY2(Drawing().Count(Primitive::Kind::Disc, kRed) == 8, what);
      const Primitive& across = Drawing().Primitives().end()[-2];
      QVERIFY(Near(across.y1, map.Y(1.40)) && Near((across.x1 + across.x2) / 2, map.X(0.40)));
      // With the dialog closed, no plus comes back.
      QTest::mouseClick(Action().Command3, Qt::LeftButton);
      event();
      QVERIFY2(Lines(Drawing(), kBlue) == 0, what);
    }
    // The dropped file reaches the main window, which loads it (and a load
    // hides the editor).
    QTRY_VERIFY(!Editor().isVisible());
  }

  void deletingAndRestoringRebuildsTheWorkingSet() {
    Open(kDip);
    const Store loaded = *store_;
    Click(0.34, 1.80);
    QTest::mouseClick(Action().Command1, Qt::LeftButton);
    QVERIFY(!Action().isVisible());
    QCOMPARE(store_->NPoints, int16_t{7});
    QCOMPARE(main_->Label[18]->text(), QStringLiteral("7"));
    QCOMPARE(main_->Label[17]->text(), QStringLiteral("8"));
    for (int j = 1; j <= 7; ++j) {
      const int i = j < 3 ? j : j + 1;
      QCOMPARE(store_->RelTime[j], loaded.RelTimeAll[i]);
      QCOMPARE(store_->Mag[j], loaded.MagAll[i]);
    }
    // The deleted point is a red X, its two diagonals, where it was.
    const PlotMapping map = EditorMapping(*store_);
    const double px = map.X(loaded.RelTimeAll[3]), py = map.Y(loaded.MagAll[3]);
    QCOMPARE(Lines(Drawing(), kRed), 2);
    QCOMPARE(Drawing().Count(Primitive::Kind::Disc, kRed), 7);
    for (const Primitive& p : Drawing().Primitives()) {
      if (p.kind != Primitive::Kind::Line || p.color != kRed) continue;
      QVERIFY(Near(p.x1, px - 100) && Near(p.x2, px + 100));
      QVERIFY(Near(std::fabs(p.y2 - p.y1), 200) && Near((p.y1 + p.y2) / 2, py));
    }
    // The dialog reads the full set, not the working set.
    Click(0.38, 1.80);
    QCOMPARE(Action().Text1->text(), QStringLiteral("6"));
    QCOMPARE(Action().Text2->text(), QStringLiteral("        0.38"));
    QCOMPARE(Action().Text3->text(), QStringLiteral("   1.800"));
    // A deleted point can be picked and restored.
    Click(0.34, 1.80);
    QCOMPARE(store_->PickedIdx, int16_t{3});
    QTest::mouseClick(Action().Command2, Qt::LeftButton);
    QVERIFY(!Action().isVisible());
    QCOMPARE(main_->Label[18]->text(), QStringLiteral("8"));
    QCOMPARE(Lines(Drawing(), kRed), 0);
    QVERIFY(store_->RelTime == loaded.RelTime && store_->Mag == loaded.Mag);
    QVERIFY(store_->Deleted == loaded.Deleted && store_->TMin == loaded.TMin);
  }

  void deletingTheEndsKeepsTheEditorAxes() {
    Open(kDip);
    const QStringList before = AxisLabels();
    const double tMin = store_->TMin;
    for (double t : {0.30, 0.42}) {
      Click(t, 1.00);
      QTest::mouseClick(Action().Command1, Qt::LeftButton);
    }
    QCOMPARE(store_->NPoints, int16_t{6});
    QVERIFY(store_->TMin > tMin);  // the working limits follow the points
    QCOMPARE(AxisLabels(), before);
  }

  void theLastKeptPointCannotBeDeleted() {
    Load(QStringLiteral(VANTOR_TEST_DATA_DIR), "single_record.csv");
    main_->Command7_Click();
    Editor().ClickAtPoint(1);
    QCOMPARE(store_->PickedIdx, int16_t{1});
    const Store before = *store_;
    const auto drawn = Drawing().Primitives();
    QTest::mouseClick(Action().Command1, Qt::LeftButton);
    QCOMPARE(messages_->Texts(), QStringList{kLastPointMessage});
    QVERIFY(*store_ == before);
    QVERIFY(Drawing().Primitives() == drawn);
    QCOMPARE(main_->Label[18]->text(), QStringLiteral("1"));
    QVERIFY(Action().isVisible());
  }

  void aClickFarFromEveryPointPicksNothing() {
    Open(kFarApart);
    Editor().ClickAtPoint(2);
    QCOMPARE(store_->PickedIdx, int16_t{2});
    Click(150.0, 1.05);
    QCOMPARE(store_->PickedIdx, int16_t{0});
    QCOMPARE(Action().Text1->text(), QStringLiteral("0"));
    QCOMPARE(Action().Text2->text(), QString(kNoPointNear));
    QVERIFY(Action().Text3->text().isEmpty());
    QVERIFY(!Action().Command1->isEnabled() && !Action().Command2->isEnabled());
    QCOMPARE(Lines(Drawing(), kBlue), 2);  // only the marker of point 2
    const Store before = *store_;
    Action().Command1_Click();
    Action().Command2_Click();
    QVERIFY(*store_ == before);
    QVERIFY(messages_->Texts().isEmpty());
  }

  void clicksUseTheEditorsOwnFrameAfterAnotherWindowIsDrawn() {
    Open(kDip);
    const PlotMapping editor = EditorMapping(*store_);
    main_->Command1_Click();  // the parabola window, another size, is drawn last
    QVERIFY(PlotAreaOf(*store_).width != editor.area.width);
    QTest::mouseClick(&Editor().Drawing(), Qt::LeftButton, {},
                      QPoint(TwipsToPixels(editor.X(0.38)), TwipsToPixels(editor.Y(1.80))));
    QCOMPARE(store_->PickedIdx, int16_t{6});
  }

  void theDialogGoesWithTheEditor() {
    Open(kDip);
    Click(0.36, 2.0);
    QTest::mouseClick(Action().Command1, Qt::LeftButton);
    Click(0.40, 1.40);
    Editor().mExit_Click();
    QVERIFY(!Editor().isVisible() && !Action().isVisible());
    main_->Command7_Click();
    QCOMPARE(Lines(Drawing(), kRed), 2);  // reopened with its marks
    Click(0.40, 1.40);
    Open(kDip);  // a new load hides the dialog too
    QVERIFY(!Action().isVisible());
  }

 private:
  FrmPlotData& Editor() { return main_->frmPlotData(); }
  FrmAction& Action() { return Editor().frmAction(); }
  DrawingList& Drawing() { return Editor().Drawing(); }

  void Load(const QString& folder, const QString& name) {
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(folder));
    main_->frmOpen().Text1->setText(name);
    main_->frmOpen().Command1_Click();
    QVERIFY(messages_->Texts().isEmpty());
  }

  // Loads `csv` from a file and opens the editor.
  void Open(const char* csv) {
    QFile f(dir_->filePath("curve.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(csv) > 0);
    f.close();
    Load(dir_->path(), "curve.csv");
    main_->Command7_Click();
    QVERIFY(Editor().isVisible());
  }

  QPoint Pixels(double t, double m) {
    const PlotMapping map = EditorMapping(*store_);
    return QPoint(TwipsToPixels(map.X(t)), TwipsToPixels(map.Y(m)));
  }

  void Send(QEvent::Type type) {
    QEvent event(type);
    QCoreApplication::sendEvent(&Editor(), &event);
  }

  // Drops a file on the editor; the main window takes it after the drop.
  void Drop() {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir_->filePath("curve.csv"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Editor(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Editor(), &drop);
    QVERIFY(drop.isAccepted());
  }

  void Click(double t, double m) {
    QTest::mouseClick(&Editor().Drawing(), Qt::LeftButton, {}, Pixels(t, m));
  }

  QStringList AxisLabels() {
    QStringList texts;
    for (int k = 1; k <= 6; ++k) {
      texts << Editor().findChild<QLabel*>(QStringLiteral("Label%1").arg(k))->text();
    }
    return texts;
  }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(FrmPlotDataTest)
#include "frm_plot_data_qtest.moc"
