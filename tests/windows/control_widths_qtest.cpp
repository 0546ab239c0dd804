// Every box, label, button and table cell shows its whole text at the default
// font and each window's default size: the width the text needs (measured
// with the control's own font, plus the frame and margins the style draws
// round it) is checked against the control's width, after a session that
// fills every box with what the program writes into it: the CM Dra eclipse of
// 2019 timed by every method at 7 decimals, the automatic ranges fitted in the
// method windows, a point picked in the point editor and the bootstrap table.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/file_lists.h"
#include "toolkit/message.h"
#include "windows/frm_action.h"
#include "windows/frm_bootstrap.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kCmDra = QStringLiteral(VANTOR_TEST_DATA_DIR "/real/CMDra7024.csv");

// Horizontal room a line edit keeps round its text besides its frame: Qt's
// fixed margin of 2 pixels on each side and the cursor's pixel.
constexpr int kLineEditMargins = 2 * 2 + 1;

// The width `w` needs to show its whole text, or 0 when it is not measured
// here (empty, word-wrapped, or a part of another control).
int NeededWidth(const QWidget* w) {
  const QFontMetrics fm(w->font());
  const QStyle* style = w->style();
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    if (label->wordWrap() || label->text().isEmpty()) return 0;
    return fm.horizontalAdvance(label->text()) + 2 * label->margin() + 2 * label->frameWidth();
  }
  if (const auto* box = qobject_cast<const QLineEdit*>(w)) {
    if (qobject_cast<const QComboBox*>(box->parentWidget()) != nullptr) return 0;
    const QMargins m = box->textMargins();
    const int frame = box->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    return fm.horizontalAdvance(box->text()) + 2 * frame + kLineEditMargins + m.left() + m.right();
  }
  if (const auto* button = qobject_cast<const QPushButton*>(w)) {
    // The style draws the caption centred inside the button's frame.
    return fm.horizontalAdvance(button->text()) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
  }
  if (qobject_cast<const QCheckBox*>(w) != nullptr || qobject_cast<const QRadioButton*>(w)) {
    return w->sizeHint().width();
  }
  return 0;
}

// What does not fit in `window`: "name: needs N, has M" for each control,
// and each table cell wider than its column or column outside the table.
QStringList Cut(QWidget* window) {
  QStringList cut;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->window() != window || !w->isVisibleTo(window)) continue;
    if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
      const QFontMetrics fm(table->font());
      const int pad = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
      int columns = 0;
      for (int c = 0; c < table->columnCount(); ++c) {
        columns += table->columnWidth(c);
        for (int r = 0; r < table->rowCount(); ++r) {
          const QTableWidgetItem* item = table->item(r, c);
          if (item == nullptr) continue;
          // A cell shows its whole text on one line, or wrapped onto lines
          // that its row is tall enough for.
          const int needs = fm.horizontalAdvance(item->text()) + pad;
          const int wrappedHeight = fm.boundingRect(QRect(0, 0, table->columnWidth(c) - pad, 10000),
                                                    Qt::TextWordWrap, item->text())
                                        .height();
          const bool wraps = table->wordWrap() && wrappedHeight <= table->rowHeight(r);
          if (needs > table->columnWidth(c) && !wraps) {
            cut << QStringLiteral("%1 cell %2,%3 \"%4\": needs %5, has %6")
                       .arg(table->objectName())
                       .arg(r)
                       .arg(c)
                       .arg(item->text())
                       .arg(needs)
                       .arg(table->columnWidth(c));
          }
        }
      }
      if (columns > table->viewport()->width() + 1) {
        cut << QStringLiteral("%1 columns: need %2, the table shows %3")
                   .arg(table->objectName())
                   .arg(columns)
                   .arg(table->viewport()->width());
      }
      continue;
    }
    const int needs = NeededWidth(w);
    if (needs > w->width()) {
      cut << QStringLiteral("%1 \"%2\": needs %3, has %4")
                 .arg(w->objectName(), w->property("text").toString())
                 .arg(needs)
                 .arg(w->width());
    }
  }
  return cut;
}

}  // namespace

class ControlWidthsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlShowsItsWholeTextAtTheDefaultSize() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    main.ShowModeless();
    main.SetDecimals(7);
    QVERIFY(main.frmOpen().OpenPath(kCmDra));
    QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join('\n')));

    // Each window with the session that fills it.
    const std::vector<std::pair<QWidget*, std::function<void()>>> windows = {
        {&main.frmPlott1(),
         [&] {
           main.Command1_Click();
           main.frmPlott1().mAuto->trigger();
           main.frmPlott1().Command1->click();
         }},
        {&main.frmPlott2(), [&] { main.Command2_Click(); }},
        {&main.frmPlott3(),
         [&] {
           main.Command3_Click();
           main.frmPlott3().mAuto->trigger();
           main.frmPlott3().Command1->click();
         }},
        {&main.frmPlott4(),
         [&] {
           main.Command4_Click();
           main.frmPlott4().mAuto->trigger();
           main.frmPlott4().Command1->click();
         }},
        {&main.frmPlott5(),
         [&] {
           main.Command5_Click();
           main.frmPlott5().mAuto->trigger();
           main.frmPlott5().Command2->click();
         }},
        {&main.frmPlotData(), [&] { main.Command7_Click(); }},
        {&main.frmPlotData().frmAction(), [&] { main.frmPlotData().ClickAtPoint(1); }},
        {&main,
         [&] {
           main.Command6_Click();
           main.Command8_Click();
         }},
        {&main.frmBootstrap(), [&] { main.mBootstrap_Click(); }},
        // The folder label shows whatever folder is chosen (a longer one is cut
        // off at the window's edge, with the whole of it in its tooltip).
        {&main.frmOpen(),
         [&] {
           main.mOpen_Click();
           main.frmOpen().Dir1->SetPath(QDir::tempPath());
         }},
        {&main.frmSaveAs(),
         [&] {
           main.mSave_Click();
           main.frmSaveAs().Dir1->SetPath(QDir::tempPath());
         }},
    };
    QStringList cut;
    for (const auto& [window, session] : windows) {
      session();
      QVERIFY2(window->isVisible(), qPrintable(window->objectName()));
      // The layouts take their new texts' sizes when the events are handled.
      QCoreApplication::processEvents();
      for (const QString& c : Cut(window)) cut << window->objectName() + QStringLiteral(" ") + c;
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    // Every method delivered, at 7 decimals.
    for (int row = 1; row <= 6; ++row) QVERIFY(!main.Text[row]->text().isEmpty());
    QVERIFY(!main.Text[13]->text().isEmpty());
    QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join('\n')));
  }
};

VANTOR_QT_TEST_MAIN(ControlWidthsTest)
#include "control_widths_qtest.moc"
