// PlotForm: the shared frame of the plot windows.
#include "windows/plot_form.h"

#include <QKeySequence>
#include <QVBoxLayout>

#include "toolkit/printing.h"
#include "toolkit/twips.h"

namespace vantor {

namespace {
constexpr int kControlHeightTwips = 375;
}

PlotForm::PlotForm(const QString& name, const QString& loadCaption, Store& store,
                   GeometryRecord record, const QString& printSetupName, QWidget* parent)
    : Form(name, parent),
      store_(store),
      record_(record),
      loadCaption_(loadCaption),
      canvas_(new Canvas(this)),
      window_(*this, *canvas_) {
  canvas_->setObjectName(QStringLiteral("Canvas"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  menuBar_ = new QMenuBar(this);
  mFile_ = menuBar_->addMenu(QStringLiteral("File"));
  mFile_->setObjectName(QStringLiteral("mFile"));
  mPrintSetup_ = mFile_->addAction(QStringLiteral("Print Setup ..."));
  mPrintSetup_->setObjectName(printSetupName);
  mPrint_ = mFile_->addAction(QStringLiteral("Print"));
  mPrint_->setObjectName(QStringLiteral("mPrint"));
  mPrint_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  mFile_->addSeparator()->setObjectName(QStringLiteral("mDash"));
  mExit_ = mFile_->addAction(QStringLiteral("Exit"));
  mExit_->setObjectName(QStringLiteral("mExit"));
  connect(mPrintSetup_, &QAction::triggered, this, &PlotForm::mPrintSetup_Click);
  connect(mPrint_, &QAction::triggered, this, &PlotForm::mPrint_Click);
  connect(mExit_, &QAction::triggered, this, &PlotForm::mExit_Click);
  layout->setMenuBar(menuBar_);
  layout->addWidget(canvas_);
  SetDrawingSurface(canvas_);
  setWindowTitle(loadCaption);
}

void PlotForm::Form_Load() {
  *record_.loading = true;
  Move(*record_.left, *record_.top, *record_.width, *record_.height);
  *record_.loading = false;
  setWindowTitle(loadCaption_);
  AfterLoad();
}

void PlotForm::StoreGeometry() {
  *record_.left = Left();
  *record_.top = Top();
  *record_.width = Width();
  *record_.height = Height();
}

void PlotForm::Form_Resize() {
  if (*record_.loading || !isVisible()) return;
  StoreGeometry();
  canvas_->Cls();
  Redraw();
  if (State() == WindowState::Normal) {
    // One unit smaller, as the window has always done; the nested resize
    // event of this change is not handled again (see Form).
    SetHeight(Height() - 1);
    Redraw();
  }
  AfterResizeRedraw();
}

void PlotForm::Form_Unload() { StoreGeometry(); }

void PlotForm::mPrintSetup_Click() { PrintSetup(*this); }

void PlotForm::mPrint_Click() { PrintWindow(*this, *canvas_); }

void PlotForm::DrawMarker(const PlotArea& area, double x, Rgb colour) {
  canvas_->SetForeColor(colour);
  canvas_->Line(static_cast<float>(x), area.top, static_cast<float>(x), area.bottom);
}

int16_t PlotForm::FirstIndexAfter(const Store& s, double t) {
  for (int i = 1; i <= s.NPoints; ++i) {
    if (s.RelTime[i] > t) return static_cast<int16_t>(i);
  }
  return 0;
}

int16_t PlotForm::LastIndexBefore(const Store& s, double t) {
  for (int i = s.NPoints; i >= 1; --i) {
    if (s.RelTime[i] < t) return static_cast<int16_t>(i);
  }
  return 0;
}

QLabel* PlotForm::AddLabel(const QString& name, const QString& caption) {
  auto* label = new QLabel(caption, canvas_);
  label->setObjectName(name);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->adjustSize();
  return label;
}

QPushButton* PlotForm::AddButton(const QString& name, const QString& caption, int widthTwips) {
  auto* button = new QPushButton(caption, canvas_);
  button->setObjectName(name);
  button->resize(TwipsToPixels(widthTwips), TwipsToPixels(kControlHeightTwips));
  return button;
}

QLineEdit* PlotForm::AddTextBox(const QString& name, const QString& text, int widthTwips) {
  auto* box = new QLineEdit(text, canvas_);
  box->setObjectName(name);
  box->resize(TwipsToPixels(widthTwips), TwipsToPixels(285));
  return box;
}

}  // namespace vantor
