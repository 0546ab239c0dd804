// The plot windows: their controls and renderers.
#include "windows/plot_windows.h"

#include "core/format.h"
#include "plot/renderers.h"
#include "toolkit/twips.h"

namespace vantor {

namespace {
GeometryRecord Record(int16_t& l, int16_t& t, int16_t& w, int16_t& h, bool& loading) {
  return GeometryRecord{&l, &t, &w, &h, &loading};
}
}  // namespace

// --- frmPlott1 -----------------------------------------------------------------

FrmPlott1::FrmPlott1(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott1"),
               QStringLiteral("Fit Parabola - LEFT-CLICK AT START (left end) OF RANGE."), s,
               Record(s.Plott1Left, s.Plott1Top, s.Plott1Width, s.Plott1Height, s.Plott1Loading),
               QStringLiteral("mPrintsetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Fit Parabola"), 1335);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 855);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 855);
  Text1 = AddTextBox(QStringLiteral("Text1"), QString(), 975);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Label8 = AddLabel(QStringLiteral("Label8"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Label10 = AddLabel(QStringLiteral("Label10"));
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("RMS dev'n:"));
  connect(Command3, &QPushButton::clicked, this, &FrmPlott1::Command3_Click);
}

bool FrmPlott1::Redraw() { return PlotParabola(store_, Window()); }

// --- frmPlott2 -----------------------------------------------------------------

FrmPlott2::FrmPlott2(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott2"),
               QStringLiteral("Tracing Paper Method - CLICK LEFT ARROW TO DECREASE FOLD HJD, etc."),
               s, Record(s.Plott2Left, s.Plott2Top, s.Plott2Width, s.Plott2Height, s.Plott2Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Fold HJD:"));
  Text1 = AddTextBox(QStringLiteral("Text1"), QString(), 1215);
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Update"), 975);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Smooth"), 855);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Undo smooth"), 1455);
  Command4 = AddButton(QStringLiteral("Command4"), QStringLiteral("Done"), 855);
  HScroll1 = new QScrollBar(Qt::Horizontal, &Drawing());
  HScroll1->setObjectName(QStringLiteral("HScroll1"));
  HScroll1->setRange(0, 32767);
  HScroll1->setValue(16383);
  HScroll1->setSingleStep(1);
  HScroll1->setPageStep(5);
  HScroll1->resize(TwipsToPixels(3495), TwipsToPixels(255));
  Label8 = AddLabel(QStringLiteral("Label8"), QStringLiteral("No averaging"));
  connect(Command4, &QPushButton::clicked, this, &FrmPlott2::Command4_Click);
}

void FrmPlott2::AfterLoad() { HScroll1->setValue(16383); }

bool FrmPlott2::Redraw() {
  const auto result = PlotTracingPaper(store_, Window());
  if (!result) return false;
  rows_.DeliverResult(2, QString::fromStdString(result->timeText),
                      QString::fromStdString(result->errorText));
  return true;
}

// --- frmPlott3 -----------------------------------------------------------------

FrmPlott3::FrmPlott3(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott3"),
               QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF LEFT RANGE."), s,
               Record(s.Plott3Left, s.Plott3Top, s.Plott3Width, s.Plott3Height, s.Plott3Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Bisect Chords"), 1455);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 975);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 855);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index-1:"));
  Label8 = AddLabel(QStringLiteral("Label8"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Left index-2:"));
  Label10 = AddLabel(QStringLiteral("Label10"));
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("Right index-3:"));
  Label12 = AddLabel(QStringLiteral("Label12"));
  Label13 = AddLabel(QStringLiteral("Label13"), QStringLiteral("Right index-4:"));
  Label14 = AddLabel(QStringLiteral("Label14"));
  connect(Command3, &QPushButton::clicked, this, &FrmPlott3::Command3_Click);
}

void FrmPlott3::AfterLoad() {
  store_.ChordLeftState = 0;
  store_.ChordRightState = 0;
  store_.ChordRangeSet = false;
}

bool FrmPlott3::Redraw() { return PlotChords(store_, Window()); }

// --- frmPlott4 -----------------------------------------------------------------

FrmPlott4::FrmPlott4(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott4"),
               QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START (left end) OF RANGE."), s,
               Record(s.Plott4Left, s.Plott4Top, s.Plott4Width, s.Plott4Height, s.Plott4Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Fit Kwee"), 1095);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral("Undo"), 735);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Done"), 735);
  Label11 = AddLabel(QStringLiteral("Label11"), QStringLiteral("Stepp"));
  Text1 = AddTextBox(QStringLiteral("Text1"), QStringLiteral("1"), 495);
  Label12 = AddLabel(QStringLiteral("Label12"), QStringLiteral("Frac"));
  Text2 = AddTextBox(QStringLiteral("Text2"), QStringLiteral(".9"), 495);
  Label7 = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Label8 = AddLabel(QStringLiteral("Label8"), QStringLiteral("I1"));
  Label9 = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Label10 = AddLabel(QStringLiteral("Label10"), QStringLiteral("I2"));
  connect(Command3, &QPushButton::clicked, this, &FrmPlott4::Command3_Click);
}

void FrmPlott4::AfterLoad() {
  store_.KvwLeftSet = false;
  store_.KvwRightSet = false;
  store_.KvwRangeSet = false;
}

bool FrmPlott4::Redraw() { return PlotKwee(store_, Window()); }

// --- frmPlott5 -----------------------------------------------------------------

FrmPlott5::FrmPlott5(Store& s, ResultRows& rows, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlott5"), QStringLiteral("Fit Fourier - LEFT-CLICK at start of range."),
               s, Record(s.Plott5Left, s.Plott5Top, s.Plott5Width, s.Plott5Height, s.Plott5Loading),
               QStringLiteral("mPrintSetup"), parent),
      rows_(rows) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
  static const char* kBoxCaptions[9] = {"",          "ToM, Xo",   "Const, C",
                                        "A.Freq, W", "Const, A1", "Const, A2",
                                        "Const, A3", "Const, A4", "Const, A5"};
  for (int j = 1; j <= 8; ++j) {
    Labels[10 + j] = AddLabel(QStringLiteral("Label%1").arg(10 + j), QString::fromLatin1(kBoxCaptions[j]));
    Labels[10 + j]->resize(TwipsToPixels(975), TwipsToPixels(255));
    Text1[j] = AddTextBox(QStringLiteral("Text1(%1)").arg(j), QString(), 975);
  }
  Labels[7] = AddLabel(QStringLiteral("Label7"), QStringLiteral("Left index:"));
  Labels[8] = AddLabel(QStringLiteral("Label8"));
  Labels[9] = AddLabel(QStringLiteral("Label9"), QStringLiteral("Right index:"));
  Labels[10] = AddLabel(QStringLiteral("Label10"));
  Command1 = AddButton(QStringLiteral("Command1"), QStringLiteral("Update"), 855);
  Command2 = AddButton(QStringLiteral("Command2"), QStringLiteral(" Fit Fourier"), 1215);
  Command3 = AddButton(QStringLiteral("Command3"), QStringLiteral("Undo"), 735);
  Command5 = AddButton(QStringLiteral("Command5"), QStringLiteral("Exclude"), 975);
  Command4 = AddButton(QStringLiteral("Command4"), QStringLiteral("Done"), 735);
  Command5->setEnabled(false);
  // The fixed coordinates of the layout; the renderer moves the rest with the window's size.
  for (int j = 1; j <= 8; ++j) {
    Window().SetTop(Labels[10 + j]->objectName().toStdString(), 120 + 720 * (j - 1));
    Window().SetTop(Text1[j]->objectName().toStdString(), 360 + 720 * (j - 1));
  }
  Window().SetLeft("Label7", 400);
  Window().SetLeft("Label8", 1600);
  Window().SetLeft("Label9", 360);
  Window().SetLeft("Label10", 1680);
  connect(Command4, &QPushButton::clicked, this, &FrmPlott5::Command4_Click);
}

void FrmPlott5::AfterLoad() { store_.ExcludeMode = false; }

void FrmPlott5::PlaceButtons() {
  static constexpr int kLefts[5] = {2520, 3480, 4800, 5640, 6720};
  QPushButton* buttons[5] = {Command1, Command2, Command3, Command5, Command4};
  for (int k = 0; k < 5; ++k) Window().SetLeft(buttons[k]->objectName().toStdString(), kLefts[k]);
}

void FrmPlott5::Form_Resize() {
  if (store_.Plott5Loading || !isVisible()) return;
  PlaceButtons();
  PlotForm::Form_Resize();
}

bool FrmPlott5::Redraw() {
  const bool drawn = PlotFourier(store_, Window());
  if (drawn) PlaceButtons();
  return drawn;
}

// --- frmPlotData ---------------------------------------------------------------

FrmPlotData::FrmPlotData(Store& s, QWidget* parent)
    : PlotForm(QStringLiteral("frmPlotData"),
               QStringLiteral("Light Curve - LEFT-CLICK TO DELETE (or undelete) A POINT."), s,
               Record(s.PlotDataLeft, s.PlotDataTop, s.PlotDataWidth, s.PlotDataHeight,
                      s.PlotDataLoading),
               QStringLiteral("mPrintSetup"), parent) {
  for (int k = 1; k <= 6; ++k) AddLabel(QStringLiteral("Label%1").arg(k));
}

bool FrmPlotData::Redraw() {
  PlotLightCurve(store_, Window());
  return true;
}

}  // namespace vantor
