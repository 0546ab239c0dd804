// FileChooser: controls, layout and shared handlers of the open and save-as windows.
#include "toolkit/file_chooser.h"

#include <QDir>
#include <QKeyEvent>

#include "toolkit/twips.h"

namespace vantor {
namespace {

// Design layout in twips (client coordinates). The column widths, the list
// heights and the positions below the lists follow the window's size.
constexpr double kMargin = 120;
constexpr double kLabelHeight = 240;
constexpr double kBoxHeight = 315;
constexpr double kButtonWidth = 1215;
constexpr double kButtonHeight = 375;
constexpr double kInitialWidth = 7830;
constexpr double kInitialHeight = 4200;

}  // namespace

FileChooser::FileChooser(const QString& name, int listIndex, QWidget* parent) : Form(name, parent) {
  Label1 = new QLabel(QStringLiteral("File Name:"), this);
  Text1 = new QLineEdit(this);
  File1 = new FileList(this);
  Label2 = new QLabel(QStringLiteral("List Files of Type:"), this);
  Combo1 = new QComboBox(this);
  Label3 = new QLabel(QStringLiteral("Directories:"), this);
  Label4 = new QLabel(this);
  Dir1 = new DirList(this);
  Label5 = new QLabel(QStringLiteral("Drives:"), this);
  Drive1 = new DriveList(this);
  Command1 = new QPushButton(QStringLiteral("OK"), this);
  Command2 = new QPushButton(QStringLiteral("Cancel"), this);
  const std::pair<QWidget*, const char*> names[] = {
      {Label1, "Label1"}, {Text1, "Text1"},   {File1, "File1"},       {Label2, "Label2"},
      {Combo1, "Combo1"}, {Label3, "Label3"}, {Label4, "Label4"},     {Dir1, "Dir1"},
      {Label5, "Label5"}, {Drive1, "Drive1"}, {Command1, "Command1"}, {Command2, "Command2"}};
  for (const auto& [widget, objectName] : names) widget->setObjectName(objectName);

  // The lists start on the working folder without raising their events:
  // the name box keeps its initial text until the user changes the folder.
  Dir1->SetPath(QDir::currentPath());
  File1->SetPath(Dir1->Path());
  Drive1->SelectDriveOf(Dir1->Path());

  connect(Combo1, &QComboBox::currentIndexChanged, this, &FileChooser::Combo1_Click);
  connect(Drive1, &DriveList::changed, this, &FileChooser::Drive1_Change);
  connect(Dir1, &DirList::changed, this, &FileChooser::Dir1_Change);
  connect(File1, &FileList::clicked, this, &FileChooser::File1_Click);
  connect(File1, &FileList::doubleClicked, this, &FileChooser::File1_DblClick);
  connect(Command1, &QPushButton::clicked, this, &FileChooser::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FileChooser::Command2_Click);

  Prepare(listIndex);
  SetWidth(kInitialWidth);
  SetHeight(kInitialHeight);
}

void FileChooser::Prepare(int listIndex) {
  {
    const QSignalBlocker quiet(Combo1);
    Combo1->clear();
    Combo1->addItems({QStringLiteral("*.txt"), QStringLiteral("*.csv"), QStringLiteral("*.*")});
  }
  File1->SetPattern(Combo1->itemText(listIndex));
  Combo1->setCurrentIndex(listIndex);
  ShowFolder();
}

void FileChooser::ShowFolder() {
  Label4->setText(Dir1->Path());
  // A folder longer than its column is cut off at the window's edge; the
  // tooltip gives it whole.
  Label4->setToolTip(Dir1->Path());
}

void FileChooser::Combo1_Click() { File1->SetPattern(Combo1->currentText()); }

void FileChooser::Drive1_Change() { Dir1->SetPath(Drive1->Drive()); }

void FileChooser::Dir1_Change() {
  File1->SetPath(Dir1->Path());
  Text1->setText(File1->count() > 0 ? File1->item(0)->text() : QString());
  ShowFolder();
}

void FileChooser::File1_Click() { Text1->setText(File1->FileName()); }

void FileChooser::File1_DblClick() {
  Text1->setText(File1->FileName());
  Command1_Click();
}

void FileChooser::Command2_Click() { hide(); }

void FileChooser::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (focusWidget() == Command2) {
      Command2_Click();
    } else {
      Command1_Click();
    }
    return;
  }
  if (key == Qt::Key_Escape) {
    Command2_Click();
    return;
  }
  Form::keyPressEvent(event);
}

void FileChooser::Form_Resize() {
  if (State() == WindowState::Minimized) return;
  if (State() == WindowState::Normal && (Height() < kMinHeightTwips || Width() < kMinWidthTwips)) {
    Move(Left(), Top(), std::max<double>(Width(), kMinWidthTwips),
         std::max<double>(Height(), kMinHeightTwips));
  }
  const double w = Width();
  const double h = Height();

  // The two list columns share the free width equally.
  const double leftWidth = (w - 7830) / 2 + 3015;
  const double middleWidth = (w - 7830) / 2 + 2655;
  const double middleLeft = leftWidth + 345;
  const double buttonLeft = leftWidth + middleWidth + 570;
  const double fileHeight = h - 2100;
  const double dirHeight = h - 1890;

  SetGeometryTwips(*Label1, kMargin, 120, leftWidth, kLabelHeight);
  SetGeometryTwips(*Text1, kMargin, 360, leftWidth, kBoxHeight);
  SetGeometryTwips(*File1, kMargin, 720, leftWidth, fileHeight);
  SetGeometryTwips(*Label2, kMargin, fileHeight + 990, leftWidth, kLabelHeight);
  SetGeometryTwips(*Combo1, kMargin, fileHeight + 1230, leftWidth, kBoxHeight);

  SetGeometryTwips(*Label3, middleLeft, 120, middleWidth, kLabelHeight);
  SetGeometryTwips(*Label4, middleLeft, 360, middleWidth, kLabelHeight);
  SetGeometryTwips(*Dir1, middleLeft, 600, middleWidth, dirHeight);
  SetGeometryTwips(*Label5, middleLeft, dirHeight + 780, middleWidth, kLabelHeight);
  SetGeometryTwips(*Drive1, middleLeft, dirHeight + 1020, middleWidth, kBoxHeight);

  SetGeometryTwips(*Command1, buttonLeft, 360, kButtonWidth, kButtonHeight);
  SetGeometryTwips(*Command2, buttonLeft, 840, kButtonWidth, kButtonHeight);
}

}  // namespace vantor
