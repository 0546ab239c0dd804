// Tests of frmHelp: the quoted sentences of both topics, a layout that makes
// a narrower window taller without paragraphs running into each other, the
// topic switch, and the place it reopens at.
#include <QTest>

#include "qt_test_main.h"
#include "toolkit/twips.h"
#include "windows/frm_about.h"
#include "windows/frm_help.h"

using vantor::FrmHelp;
using Topic = vantor::FrmHelp::Topic;

namespace {

// No visible paragraph's text runs into the next one, and the last one ends
// inside the window.
bool NoOverlap(const FrmHelp& w) {
  int bottom = 0;
  for (int i = 1; i <= FrmHelp::kMaxParagraphs && w.Label1[i]->isVisible(); ++i) {
    if (w.Label1[i]->y() < bottom) return false;
    bottom = w.Label1[i]->y() + w.Label1[i]->heightForWidth(w.Label1[i]->width());
  }
  return bottom <= w.height();
}

}  // namespace

class FrmHelpTest : public QObject {
  Q_OBJECT

 private slots:
  void topicsHoldTheQuotedSentences() {
    const QStringList intro = FrmHelp::Paragraphs(Topic::Introduction);
    const QStringList files = FrmHelp::Paragraphs(Topic::DataFiles);
    QCOMPARE(intro.size(), 10);
    QCOMPARE(files.size(), 4);
    QCOMPARE(intro[1], QStringLiteral("These methods are:"));
    // Each quoted first sentence is followed by the next after two blanks.
    const std::pair<const QStringList*, QStringList> starts[] = {
        {&intro,
         {"", "", "1. Parabolic fit", "2. Tracing paper", "3. Bisectors of chords",
          "4. Kwee and van Woerden", "5. Fourier fit", "6. Sliding integrations",
          "Note: The input data is intended to be HJD, magnitude (in the format comma "
          "separated variables, or csv).",
          "One last point."}},
        {&files,
         {"This program reads text files in the 'comma-separated-variables' format.", "",
          "The HJD may be the full 7 digits plus decimals, 5 digits plus decimals, or just the "
          "fractional part.",
          "Note: In order to make data files compatable with other programs, there can be up to "
          "4 extra unused columns of data (also separated by commas)."}}};
    for (const auto& [paragraphs, firsts] : starts) {
      for (int i = 0; i < firsts.size(); ++i) {
        if (firsts[i].isEmpty()) continue;
        const QString& p = (*paragraphs)[i];
        QVERIFY2(p.startsWith(firsts[i] + "  ") && p[firsts[i].size() + 2] != ' ', qPrintable(p));
      }
    }
  }

  void narrowerIsTallerAndParagraphsNeverOverlap() {
    FrmHelp w;
    w.ShowTopic(Topic::Introduction);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.Label0->text(), QStringLiteral("Help - Introduction"));
    QCOMPARE(w.Label1[10]->text(), FrmHelp::Paragraphs(Topic::Introduction)[9]);
    QVERIFY(NoOverlap(w));
    const int16_t height = w.Height();
    w.SetWidth(6000);
    QVERIFY(w.Height() > height);
    QVERIFY(NoOverlap(w));
    w.SetWidth(3000);  // the narrowest it goes
    QVERIFY(NoOverlap(w));
    w.SetWidth(12000);
    QVERIFY(w.Height() < height);
    QVERIFY(NoOverlap(w));
  }

  void dataFilesAfterIntroductionIsSizedForFourParagraphs() {
    FrmHelp w;
    w.ShowTopic(Topic::Introduction);
    if (QGuiApplication::platformName() == "offscreen") {  // bringing a shown window forward
      QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
    }
    w.ShowTopic(Topic::DataFiles);
    QCOMPARE(w.Label0->text(), QStringLiteral("Help - Input files"));
    for (int i = 1; i <= 10; ++i) QCOMPARE(w.Label1[i]->isVisible(), i <= 4);
    FrmHelp fresh;
    fresh.ShowTopic(Topic::DataFiles);
    QCOMPARE(w.Height(), fresh.Height());
    QVERIFY(NoOverlap(w));
  }

  void reopensWhereItWasClosed() {
    FrmHelp w;
    w.ShowTopic(Topic::DataFiles);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.pos(), QPoint(0, 0));
    w.SetLeft(1500);
    w.SetTop(900);
    const QPoint place = w.pos();
    w.close();
    w.move(0, 0);
    w.ShowTopic(Topic::Introduction);
    QCOMPARE(w.pos(), place);
    QCOMPARE(w.HelpLeft, w.Left());
  }

  void escapeClosesHelpAndAbout() {
    FrmHelp help;
    vantor::FrmAbout about;
    help.ShowTopic(Topic::Introduction);
    about.ShowModeless();
    for (QWidget* w : {static_cast<QWidget*>(&help), static_cast<QWidget*>(&about)}) {
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w));
      QVERIFY(w->isVisible());
      QTest::keyClick(w, Qt::Key_Escape);
      QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }
  }
};

VANTOR_QT_TEST_MAIN(FrmHelpTest)
#include "frm_help_qtest.moc"
