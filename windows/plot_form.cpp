// PlotForm: the shared frame of the plot windows.
#include "windows/plot_form.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "toolkit/figure_export.h"
#include "toolkit/message.h"
#include "toolkit/printing.h"
#include "toolkit/twips.h"
#include "windows/plot_figure.h"

namespace vantor {

namespace {
constexpr int kControlHeightTwips = 375;
// The least frame a plot window is given from its record: room for the menu,
// a plot and a row of controls (a record may hold anything a file held).
constexpr int kUsableWidthTwips = 4500;
constexpr int kUsableHeightTwips = 3600;
// The height of the top edge (the title bar, which moves the window) by
// which the screen of a window is chosen, in pixels.
constexpr int kTitleBarHeight = 24;

// The frame (pixels) a window is given from a record: at least the usable
// size, and wholly on the screen its title bar lies on most (the nearest
// screen by its top-left corner, or the primary screen, when it lies on
// none), made smaller only where the screen is smaller.
QRect VisibleFrame(QRect frame) {
  frame.setWidth(std::max(frame.width(), TwipsToPixels(kUsableWidthTwips)));
  frame.setHeight(std::max(frame.height(), TwipsToPixels(kUsableHeightTwips)));
  const QRect titleBar(frame.left(), frame.top(), frame.width(), kTitleBarHeight);
  QScreen* best = QGuiApplication::primaryScreen();
  long bestShared = 0;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect shared = screen->availableGeometry().intersected(titleBar);
    const long area = shared.isEmpty() ? 0 : long{shared.width()} * shared.height();
    if (area > bestShared) {
      bestShared = area;
      best = screen;
    } else if (bestShared == 0 && screen->geometry().contains(frame.topLeft())) {
      best = screen;
    }
  }
  if (best == nullptr) return frame;
  const QRect avail = best->availableGeometry();
  frame.setWidth(std::min(frame.width(), avail.width()));
  frame.setHeight(std::min(frame.height(), avail.height()));
  frame.moveLeft(std::clamp(frame.left(), avail.left(), avail.right() + 1 - frame.width()));
  frame.moveTop(std::clamp(frame.top(), avail.top(), avail.bottom() + 1 - frame.height()));
  return frame;
}
}  // namespace

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
  mExportFigure_ = mFile_->addAction(QStringLiteral("Export figure..."));
  mExportFigure_->setObjectName(QStringLiteral("mExportFigure"));
  mFile_->addSeparator()->setObjectName(QStringLiteral("mDash"));
  mExit_ = mFile_->addAction(QStringLiteral("Exit"));
  mExit_->setObjectName(QStringLiteral("mExit"));
  connect(mPrintSetup_, &QAction::triggered, this, &PlotForm::mPrintSetup_Click);
  connect(mPrint_, &QAction::triggered, this, &PlotForm::mPrint_Click);
  connect(mExportFigure_, &QAction::triggered, this, &PlotForm::mExportFigure_Click);
  connect(mExit_, &QAction::triggered, this, &PlotForm::mExit_Click);
  layout->setMenuBar(menuBar_);
  layout->addWidget(canvas_);
  SetDrawingSurface(canvas_);
  setWindowTitle(loadCaption);
}

void PlotForm::Form_Load() {
  *record_.loading = true;
  const QRect frame = VisibleFrame(
      QRect(TwipsToPixels(*record_.left), TwipsToPixels(*record_.top),
            TwipsToPixels(*record_.width), TwipsToPixels(*record_.height)));
  Move(PixelsToTwips(frame.left()), PixelsToTwips(frame.top()), PixelsToTwips(frame.width()),
       PixelsToTwips(frame.height()));
  // The record holds what the window was given, not what it asked for; a
  // resize or move once the window is shown refines it.
  *record_.left = Left();
  *record_.top = Top();
  *record_.width = ToInt16(PixelsToTwips(frame.width()));
  *record_.height = ToInt16(PixelsToTwips(frame.height()));
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

void PlotForm::moveEvent(QMoveEvent* event) {
  Form::moveEvent(event);
  // A window moved but not resized keeps its new place at exit too.
  if (!*record_.loading && isVisible()) {
    *record_.left = Left();
    *record_.top = Top();
  }
}

void PlotForm::Form_Unload() { StoreGeometry(); }

void PlotForm::mPrintSetup_Click() { PrintSetup(*this); }

void PlotForm::mPrint_Click() { PrintWindow(*this, *canvas_); }

std::string PlotForm::FigureTitle() const {
  const bool has = FigureHasResult() && !delivered_.timeText.empty();
  return MethodFigureTitle(curveName_.empty() ? store_.DataFileName : curveName_, FigureMethod(), has ? delivered_.timeText : "",
                           has ? delivered_.errorText : "", timeScale_);
}

Figure PlotForm::MakeFigure(double widthTwips, double heightTwips) const {
  const FigureTitles titles{FigureTitle(), TimeAxisTitle(store_, timeScale_), MagnitudeAxisTitle(store_)};
  return BuildFigure(*canvas_, FigureMapping(), titles, widthTwips, heightTwips);
}

void PlotForm::mExportFigure_Click() {
  // "<light curve>-<window>.pdf" beside the light curve.
  const QString base = QFileInfo(QString::fromStdString(store_.DataFileName)).completeBaseName();
  const QString proposed =
      QDir(QFileInfo(QString::fromStdString(store_.DataFilePath)).absolutePath())
          .filePath((base.isEmpty() ? QString() : base + QLatin1Char('-')) + objectName() +
                    QStringLiteral(".pdf"));
  const auto request = AskFigureRequest(this, proposed);
  if (!request) return;
  const QSizeF size = FigureSizeTwips(*request);
  const Figure figure = MakeFigure(size.width(), size.height());
  const QString error =
      WriteFigure(*request, QString::fromStdString(FigureTitle()),
                  [&](QPainter& painter, const QSizeF&) { PaintFigure(painter, figure); });
  if (!error.isEmpty()) ShowMessage(error);
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
