// frmAction: the point editor's Delete / Undelete / Cancel dialog.
#include "windows/frm_action.h"

#include <algorithm>

#include "core/format.h"
#include "core/text.h"
#include "toolkit/message.h"
#include "toolkit/twips.h"
#include "windows/frm_plot_data.h"

namespace vantor {

namespace {

constexpr double kWidth = 3480;  // outer size, twips
constexpr double kHeight = 2280;
constexpr double kRowTop[] = {0, 120, 480, 840};
constexpr double kLabelLeft = 120, kLabelWidth = 720;
constexpr double kBoxLeft = 960, kBoxWidth = 1680, kBoxHeight = 285;
constexpr double kButtonTop = 1260, kButtonWidth = 975, kButtonHeight = 375;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

FrmAction::FrmAction(Store& store, FrmPlotData& editor)
    : Form(QStringLiteral("frmAction")), store_(store), editor_(editor) {
  setWindowTitle(QStringLiteral("Action"));
  auto label = [this](int row, const QString& caption) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(QStringLiteral("Label%1").arg(row));
    SetGeometryTwips(*l, kLabelLeft, kRowTop[row], kLabelWidth, kBoxHeight);
    return l;
  };
  auto box = [this](int row) {
    auto* t = new QLineEdit(this);
    t->setObjectName(QStringLiteral("Text%1").arg(row));
    t->setReadOnly(true);
    SetGeometryTwips(*t, kBoxLeft, kRowTop[row], kBoxWidth, kBoxHeight);
    return t;
  };
  auto button = [this](int k, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("Command%1").arg(k));
    SetGeometryTwips(*b, kLabelLeft + (k - 1) * (kButtonWidth + 60), kButtonTop, kButtonWidth,
                     kButtonHeight);
    return b;
  };
  Label1 = label(1, QStringLiteral("Index"));
  Label2 = label(2, QStringLiteral("HJD"));
  Label3 = label(3, QStringLiteral("Magn"));
  Text1 = box(1);
  Text2 = box(2);
  Text3 = box(3);
  Command1 = button(1, QStringLiteral("Delete"));
  Command2 = button(2, QStringLiteral("Undelete"));
  Command3 = button(3, QStringLiteral("Cancel"));
  connect(Command1, &QPushButton::clicked, this, &FrmAction::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmAction::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmAction::Command3_Click);
  SetWidth(kWidth);
  SetHeight(kHeight);
}

bool FrmAction::HasPick() const {
  return store_.PickedIdx >= 1 && store_.PickedIdx <= std::min<int>(store_.NPointsAll, kMaxPoints);
}

void FrmAction::ShowPicked() {
  const int16_t i = store_.PickedIdx;
  Text1->setText(Q(IntText(i)));
  const bool picked = HasPick();
  // Cell 0 of the arrays holds no point: without a pick the boxes say so.
  // FormatFixed's texts as they are, leading blanks included.
  Text2->setText(picked ? Q(FormatFixed(store_.RelTimeAll[i], 12, 6)) : QString(kNoPointNear));
  Text3->setText(picked ? Q(FormatFixed(store_.MagAll[i], 8, 3)) : QString());
  Command1->setEnabled(picked);
  Command2->setEnabled(picked);
}

void FrmAction::Command1_Click() {
  if (HasPick()) {
    if (store_.Deleted[store_.PickedIdx] == 0 && store_.NPoints <= 1) {
      ShowMessage(QString(kLastPointMessage));
      return;
    }
    editor_.SetPickedMark(-1);
  }
  hide();
  editor_.ClearAndRedraw();
}

void FrmAction::Command2_Click() {
  hide();
  if (HasPick()) editor_.SetPickedMark(0);
  editor_.ClearAndRedraw();
  hide();
}

void FrmAction::Command3_Click() {
  hide();
  editor_.ClearAndRedraw();
}

}  // namespace vantor
