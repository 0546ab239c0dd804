// frmBootstrap: the table of bootstrap errors beside the methods' own errors.
#include "windows/frm_bootstrap.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "toolkit/twips.h"

namespace vantor {

namespace {

enum Column { kMethod, kOwnError, kBootstrapError, kDelivered, kNote, kColumns };

}  // namespace

FrmBootstrap::FrmBootstrap(QWidget* parent) : Form(QStringLiteral("frmBootstrap"), parent) {
  setWindowTitle(QStringLiteral("Bootstrap errors"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  layout->addWidget(Label1);
  Table1 = new QTableWidget(0, kColumns, this);
  Table1->setObjectName(QStringLiteral("Table1"));
  Table1->setHorizontalHeaderLabels({QStringLiteral("Method"), QStringLiteral("Est'd Error"),
                                     QStringLiteral("Bootstrap Error"), QStringLiteral("Curves"),
                                     QStringLiteral("Note")});
  Table1->verticalHeader()->hide();
  Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table1->horizontalHeader()->setStretchLastSection(true);
  // A note wider than the screen leaves room for wraps onto more lines.
  Table1->setWordWrap(true);
  Table1->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(Table1);
  SetWidth(9000);
  SetHeight(3600);
}

void FrmBootstrap::ShowLines(const std::vector<BootstrapLine>& lines, int runs, uint64_t seed) {
  Label1->setText(QStringLiteral("Each method run again on %1 resampled light curves (seed %2), "
                                 "with the range and settings its window holds.")
                      .arg(runs)
                      .arg(seed));
  Table1->setRowCount(static_cast<int>(lines.size()));
  for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
    const BootstrapLine& l = lines[r];
    const QString cells[kColumns] = {l.method, l.ownError, l.bootstrapError, l.delivered, l.note};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setToolTip(cells[c]);
      Table1->setItem(r, c, item);
    }
  }
  Table1->resizeColumnsToContents();
  // The window widens (it never narrows) until every column shows whole, as
  // far as the screen allows; the notes can be long (a method's refusal).
  int columns = 0;
  for (int c = 0; c < kColumns; ++c) columns += Table1->columnWidth(c);
  const QMargins margins = layout()->contentsMargins();
  int wanted = columns + 2 * Table1->frameWidth() + margins.left() + margins.right() +
               Table1->verticalScrollBar()->sizeHint().width();
  const int frame = frameGeometry().width() - geometry().width();
  if (const QScreen* s = screen()) {
    wanted = std::min(wanted, s->availableGeometry().width() - frame);
  }
  if (wanted > width()) SetWidth(PixelsToTwips(wanted + frame));
}

}  // namespace vantor
