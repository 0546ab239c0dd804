// frmSeries: every eclipse of a series, its table of minima and O-C diagram.
#include "windows/frm_series.h"

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/format.h"
#include "core/output_file.h"
#include "core/store.h"
#include "core/text.h"
#include "core/textfile.h"
#include "series/series_text.h"
#include "service/series_service.h"
#include "toolkit/figure_export.h"
#include "toolkit/message.h"

namespace vantor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
// Fixed-point with `decimals` decimals ("0.00000" for a value that rounds to zero).
QString Fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

enum Column { kCycle, kKind, kTime, kError, kOc, kOcMin, kPoints, kMethods, kColumns };

// A round step for about `count` ticks over `span`: 1, 2 or 5 times a power of ten.
double TickStep(double span, int count) {
  const double raw = span / count;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * p >= raw) return m * p;
  }
  return 10 * p;
}

}  // namespace

// --- Partial eclipses ----------------------------------------------------------

void MarkPartialEclipses(SeriesResult& r, std::span<const double> time,
                         std::optional<double> secondaryPhase) {
  if (time.empty() || !(r.ephemeris.period > 0) || !(r.halfWidth > 0)) return;
  const double first = time.front(), last = time.back();
  const double half = r.halfWidth / kHalfWidthFactor;
  const Ephemeris& e = r.ephemeris;
  // Where the series cuts the eclipse of a minimum at tc, or "".
  const auto cut = [&](double tc) -> std::string {
    const auto side = [](double d) { return FixedText(std::fabs(d), 4) + (d < 0 ? " d before" : " d after"); };
    if (tc + half > last) return "partial: the series ends " + side(last - tc) + " the predicted minimum";
    if (tc - half < first) return "partial: the series starts " + side(first - tc) + " the predicted minimum";
    return {};
  };
  for (SeriesRow& row : r.rows) {
    const std::string note = cut(row.predicted);
    if (!note.empty()) row.message = note + (row.message.empty() ? "" : "; " + row.message);
  }
  // Minima beyond the ends: TimeSeries lists those inside the series only.
  const long c0 = static_cast<long>(std::floor((first - half - e.epoch) / e.period)) - 1;
  const long c1 = static_cast<long>(std::ceil((last + half - e.epoch) / e.period)) + 1;
  std::vector<SeriesRow> beyond;
  for (long c = c0; c <= c1; ++c) {
    for (const char kind : {'P', 'S'}) {
      if (kind == 'S' && !secondaryPhase) continue;
      const double tc = e.epoch + e.period * (c + (kind == 'S' ? *secondaryPhase : 0.0));
      if (tc >= first && tc <= last) continue;
      if (WindowOf(time, tc, half).size() == 0) continue;  // no observation in its eclipse
      SeriesRow row;
      row.cycle = c;
      row.kind = kind;
      row.predicted = tc;
      row.nPoints = static_cast<int>(WindowOf(time, tc, r.halfWidth).size());
      row.message = cut(tc) + "; not timed";
      beyond.push_back(std::move(row));
    }
  }
  if (beyond.empty()) return;
  r.rows.insert(r.rows.end(), std::make_move_iterator(beyond.begin()),
                std::make_move_iterator(beyond.end()));
  std::stable_sort(r.rows.begin(), r.rows.end(),
                   [](const SeriesRow& a, const SeriesRow& b) { return a.predicted < b.predicted; });
}

// --- The O-C diagram ---------------------------------------------------------

OcDiagram::OcDiagram(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Diagram"));
  setMinimumSize(400, 240);
  setAutoFillBackground(true);
}

void OcDiagram::SetResult(const std::optional<SeriesResult>& result, const QString& title) {
  result_ = result;
  title_ = title;
  update();
}

void OcDiagram::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Draw(p, rect());
}

namespace {

// The minima the diagram shows: the rows with a time.
std::vector<const SeriesRow*> TimedRows(const std::optional<SeriesResult>& result) {
  std::vector<const SeriesRow*> rows;
  if (result) {
    for (const SeriesRow& r : result->rows) {
      if (r.time) rows.push_back(&r);
    }
  }
  return rows;
}

// A minimum's abscissa: its cycle, a secondary half a cycle on.
double CycleOf(const SeriesRow& r) { return r.cycle + (r.kind == 'S' ? 0.5 : 0.0); }

// The diagram's axes: cycles x0..x1 and O-C y0..y1 (minutes) over the frame,
// every minimum and its error bar inside with a margin.
struct OcAxes {
  QRectF frame;
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;

  OcAxes(const QRectF& f, const std::vector<const SeriesRow*>& rows) : frame(f) {
    x0 = rows.front()->cycle, x1 = x0;
    for (const SeriesRow* r : rows) {
      const double x = CycleOf(*r);
      const double oc = *r->OMinusC() * 1440, e = *r->error * 1440;
      x0 = std::min(x0, x), x1 = std::max(x1, x);
      y0 = std::min(y0, oc - e), y1 = std::max(y1, oc + e);
    }
    const double xPad = std::max(0.5, 0.05 * (x1 - x0)), yPad = std::max(0.05, 0.08 * (y1 - y0));
    x0 -= xPad, x1 += xPad, y0 -= yPad, y1 += yPad;
  }
  double X(double x) const { return frame.left() + (x - x0) / (x1 - x0) * frame.width(); }
  double Y(double y) const { return frame.bottom() - (y - y0) / (y1 - y0) * frame.height(); }
};

// Grid lines and labelled ticks at every grid line.
void DrawOcGrid(QPainter& p, const OcAxes& s, const QRect& area, const QFontMetrics& fm, double unit) {
  const QRectF& frame = s.frame;
  p.setPen(QPen(QColor(192, 192, 192), unit));
  const double xs = TickStep(s.x1 - s.x0, 8), ys = TickStep(s.y1 - s.y0, 6);
  for (double x = std::ceil(s.x0 / xs) * xs; x <= s.x1; x += xs) {
    p.setPen(QPen(QColor(192, 192, 192), unit));
    p.drawLine(QPointF(s.X(x), frame.top()), QPointF(s.X(x), frame.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(s.X(x) - 40 * unit, frame.bottom() + 2 * unit, 80 * unit, fm.height()),
               Qt::AlignHCenter, QString::number(x, 'g', 8));
  }
  for (double y = std::ceil(s.y0 / ys) * ys; y <= s.y1; y += ys) {
    p.setPen(QPen(QColor(192, 192, 192), unit));
    p.drawLine(QPointF(frame.left(), s.Y(y)), QPointF(frame.right(), s.Y(y)));
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), s.Y(y) - fm.height() / 2.0, frame.left() - area.left() - 4 * unit,
                      fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(std::fabs(y) < 1e-12 ? 0 : y));
  }
}

// The frame, the zero line and the two axis titles.
void DrawOcFrame(QPainter& p, const OcAxes& s, const QRect& area, const QFontMetrics& fm, double unit) {
  const QRectF& frame = s.frame;
  p.setPen(QPen(Qt::black, unit));
  p.drawRect(frame);
  p.drawLine(QPointF(frame.left(), s.Y(0)), QPointF(frame.right(), s.Y(0)));
  p.drawText(QRectF(frame.left(), area.bottom() - fm.height(), frame.width(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("Cycle E"));
  p.save();
  p.translate(area.left() + fm.height() / 2.0 + 2 * unit, frame.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-frame.height() / 2, -fm.height() / 2.0, frame.height(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("O-C (minutes)"));
  p.restore();
}

// The minima: error bars, primaries as red discs, secondaries as blue circles.
void DrawMinima(QPainter& p, const OcAxes& s, const std::vector<const SeriesRow*>& rows, double unit) {
  p.setClipRect(s.frame);
  const double r = 4 * unit;
  for (const SeriesRow* row : rows) {
    const double x = s.X(CycleOf(*row));
    const double oc = *row->OMinusC() * 1440, e = *row->error * 1440;
    const QColor colour = row->kind == 'S' ? Qt::blue : Qt::red;
    p.setPen(QPen(colour, unit));
    p.drawLine(QPointF(x, s.Y(oc - e)), QPointF(x, s.Y(oc + e)));
    p.setBrush(row->kind == 'S' ? QBrush(Qt::NoBrush) : QBrush(colour));
    p.drawEllipse(QPointF(x, s.Y(oc)), r, r);
  }
  p.setClipping(false);
}

}  // namespace

void OcDiagram::Draw(QPainter& p, const QRect& area) const {
  p.fillRect(area, Qt::white);
  p.setRenderHint(QPainter::Antialiasing);
  const double unit = area.height() / 400.0;  // scales text and marks with the output
  QFont font = p.font();
  font.setPixelSize(std::max(9, static_cast<int>(12 * unit)));
  p.setFont(font);
  const QFontMetrics fm(font);
  const QRectF plot(area.left() + 10 * fm.height() / 2.0 + 30 * unit,
                    area.top() + 2.5 * fm.height(), 0, 0);
  QRectF frame(plot.left(), plot.top(), area.right() - plot.left() - 20 * unit,
               area.bottom() - plot.top() - 3 * fm.height());
  p.setPen(Qt::black);
  p.drawText(QRectF(area.left(), area.top() + 2 * unit, area.width(), fm.height() + 4 * unit),
             Qt::AlignHCenter | Qt::AlignTop, title_);

  const std::vector<const SeriesRow*> rows = TimedRows(result_);
  if (rows.empty()) {
    p.drawRect(frame);
    p.drawText(frame, Qt::AlignCenter, QStringLiteral("No timed minimum to show."));
    return;
  }
  const OcAxes axes(frame, rows);
  DrawOcGrid(p, axes, area, fm, unit);
  DrawOcFrame(p, axes, area, fm, unit);
  DrawMinima(p, axes, rows, unit);
}

QString OcDiagram::Export(const QString& path, int widthPx, int heightPx,
                          const std::vector<std::string>& inputs) const {
  // Drawn in memory, then put in place by the output-file rules.
  const std::string target = QFile::encodeName(path).toStdString();
  auto out = OutputFile::Open(target, inputs);
  if (!out) return Q(out.error().message);
  const QString cannot =
      QStringLiteral("%1 cannot be written.").arg(Q(QuotedName(target)));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setResolution(300);
    QPainter p;
    if (!p.begin(&pdf)) return cannot;
    Draw(p, QRect(0, 0, pdf.width(), pdf.height()));
    p.end();
  } else {
    QImage image(widthPx, heightPx, QImage::Format_RGB32);
    QPainter p(&image);
    Draw(p, image.rect());
    p.end();
    if (!image.save(&buffer, "PNG")) return cannot;
  }
  auto written = out->Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  if (written) written = out->Commit();
  if (!written) return Q(written.error().message);
  return {};
}

// --- The window ----------------------------------------------------------------

namespace {

QPushButton* NamedButton(QWidget* parent, const QString& name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

// The row of the ephemeris: epoch, period, half-width, the secondaries and
// their phase, Find and Time.
void BuildEphemerisRow(FrmSeries* w, QHBoxLayout* boxes) {
  const auto box = [w, boxes](const QString& name, const QString& caption, int width) {
    auto* edit = new QLineEdit(w);
    edit->setObjectName(name);
    edit->setMinimumWidth(width);
    auto* label = new QLabel(caption, w);
    label->setBuddy(edit);
    boxes->addWidget(label);
    boxes->addWidget(edit);
    return edit;
  };
  w->Text1 = box(QStringLiteral("Text1"), QStringLiteral("Epoch"), 130);
  w->Text2 = box(QStringLiteral("Text2"), QStringLiteral("Period"), 100);
  w->Text3 = box(QStringLiteral("Text3"), QStringLiteral("Half-width"), 70);
  w->Text3->setPlaceholderText(QStringLiteral("measured"));
  w->Check1 = new QCheckBox(QStringLiteral("Secondaries at phase"), w);
  w->Check1->setObjectName(QStringLiteral("Check1"));
  boxes->addWidget(w->Check1);
  w->Text4 = new QLineEdit(QStringLiteral("0.5"), w);
  w->Text4->setObjectName(QStringLiteral("Text4"));
  w->Text4->setMaximumWidth(60);
  boxes->addWidget(w->Text4);
  w->Command1 = NamedButton(w, QStringLiteral("Command1"), QStringLiteral("Find"));
  w->Command2 = NamedButton(w, QStringLiteral("Command2"), QStringLiteral("Time"));
  boxes->addWidget(w->Command1);
  boxes->addWidget(w->Command2);
}

// Under the ephemeris: the status line, the table of minima, the O-C
// diagram and the export buttons.
void BuildResults(FrmSeries* w, QVBoxLayout* layout) {
  w->Label2 = new QLabel(w);
  w->Label2->setObjectName(QStringLiteral("Label2"));
  w->Label2->setWordWrap(true);
  layout->addWidget(w->Label2);
  w->Table1 = new QTableWidget(0, kColumns, w);
  w->Table1->setObjectName(QStringLiteral("Table1"));
  w->Table1->setHorizontalHeaderLabels(
      {QStringLiteral("Cycle"), QStringLiteral("Kind"), QStringLiteral("Time of Minimum"),
       QStringLiteral("Error"), QStringLiteral("O-C (d)"), QStringLiteral("O-C (min)"),
       QStringLiteral("Points"), QStringLiteral("Methods / why not")});
  w->Table1->verticalHeader()->hide();
  w->Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  w->Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
  w->Table1->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(w->Table1, 1);
  w->Diagram = new OcDiagram(w);
  layout->addWidget(w->Diagram, 1);
  auto* exports = new QHBoxLayout;
  layout->addLayout(exports);
  w->Command3 = NamedButton(w, QStringLiteral("Command3"), QStringLiteral("Export table..."));
  w->Command4 = NamedButton(w, QStringLiteral("Command4"), QStringLiteral("Export diagram..."));
  exports->addStretch(1);
  exports->addWidget(w->Command3);
  exports->addWidget(w->Command4);
}

}  // namespace

FrmSeries::FrmSeries(LoadWindow loadWindow, QWidget* parent)
    : Form(QStringLiteral("frmSeries"), parent), loadWindow_(std::move(loadWindow)) {
  setWindowTitle(QStringLiteral("Every eclipse"));
  auto* layout = new QVBoxLayout(this);
  auto* menuBar = new QMenuBar(this);
  QMenu* file = menuBar->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("mFile"));
  mExportFigure = file->addAction(QStringLiteral("Export figure..."));
  mExportFigure->setObjectName(QStringLiteral("mExportFigure"));
  layout->setMenuBar(menuBar);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  layout->addWidget(Label1);
  auto* boxes = new QHBoxLayout;
  layout->addLayout(boxes);
  BuildEphemerisRow(this, boxes);
  BuildResults(this, layout);

  askTablePath = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Export table"), QString(),
                                        QStringLiteral("CSV (*.csv)"));
  };
  askDiagramPath = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Export diagram"), QString(),
                                        QStringLiteral("PDF (*.pdf);;PNG (*.png)"));
  };
  connect(Command1, &QPushButton::clicked, this, &FrmSeries::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &FrmSeries::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &FrmSeries::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &FrmSeries::Command4_Click);
  connect(mExportFigure, &QAction::triggered, this, &FrmSeries::mExportFigure_Click);
  connect(Table1, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { Table1_DoubleClick(row); });
  SetWidth(12000);
  SetHeight(9000);
}

void FrmSeries::SetSeries(std::vector<double> time, std::vector<double> mag, const QString& name,
                          const QString& timeScale, const QString& sourcePath) {
  time_ = std::move(time);
  mag_ = std::move(mag);
  name_ = name;
  sourcePath_ = sourcePath;
  timeScale_ = timeScale;
  result_.reset();
  setWindowTitle(QStringLiteral("Every eclipse - ") + name);
  Label1->setText(QStringLiteral("%1: %2 points from %3 to %4 (time scale %5)")
                      .arg(name)
                      .arg(time_.size())
                      .arg(time_.empty() ? QString() : Fixed(time_.front(), 5))
                      .arg(time_.empty() ? QString() : Fixed(time_.back(), 5))
                      .arg(timeScale));
  ShowResult();
}

void FrmSeries::SetDecimals(int decimals) {
  if (decimals == decimals_) return;
  decimals_ = decimals;
  ShowResult();
}

QString FrmSeries::DiagramTitle() const {
  const QString known = timeScale_.isEmpty() || timeScale_ == QStringLiteral("unknown")
                            ? QString()
                            : QStringLiteral(" (") + timeScale_ + QStringLiteral(")");
  return name_ + QStringLiteral(" - O-C") + known;
}

void FrmSeries::Command1_Click() {
  const auto found = FindEphemeris(time_, mag_);
  if (!found) {
    ShowMessage(Q(found.error().message));
    return;
  }
  Text1->setText(Fixed(found->ephemeris.epoch, 5));
  Text2->setText(Fixed(found->ephemeris.period, 7));
  // Clearly shallower eclipses found between the primaries are timed too.
  if (found->secondaryPhase) {
    Check1->setChecked(true);
    Text4->setText(Fixed(*found->secondaryPhase, 3));
  }
  Label2->setText(Q(found->summary));
}

void FrmSeries::Command2_Click() {
  SeriesOptions o;
  bool ok1 = false, ok2 = false;
  o.ephemeris.epoch = Text1->text().trimmed().toDouble(&ok1);
  o.ephemeris.period = Text2->text().trimmed().toDouble(&ok2);
  if (!ok1 || !ok2) {
    ShowMessage(QStringLiteral(
        "Type the epoch (a time of a primary minimum) and the period in days, or press Find."));
    return;
  }
  if (!Text3->text().trimmed().isEmpty()) {
    bool ok = false;
    o.halfWidth = Text3->text().trimmed().toDouble(&ok);
    if (!ok) {
      ShowMessage(
          QStringLiteral("Type the half-width of the windows in days, or leave it empty "
                         "to have it measured."));
      return;
    }
  }
  if (Check1->isChecked()) {
    bool ok = false;
    o.secondaryPhase = Text4->text().trimmed().toDouble(&ok);
    if (!ok) {
      ShowMessage(QStringLiteral("Type the secondary's phase, such as 0.5."));
      return;
    }
  }
  service::SeriesRequest request;
  request.options = o;
  const auto r = service::RunSeries(time_, mag_, timeScale_.toStdString(), request);
  if (!r) {
    ShowMessage(Q(r.error().message));
    return;
  }
  result_ = r->result;
  MarkPartialEclipses(*result_, time_, o.secondaryPhase);
  ShowResult();
}

void FrmSeries::ShowResult() {
  Table1->setRowCount(0);
  Diagram->SetResult(result_, DiagramTitle());
  if (!result_) {
    Label2->clear();
    return;
  }
  const SeriesResult& r = *result_;
  Label2->setText(r.refined ? QStringLiteral("Refined ephemeris from %1 minima: epoch %2 +- %3, "
                                             "period %4 +- %5 d (windows of +-%6 d).")
                                  .arg(r.refined->minima)
                                  .arg(Fixed(r.refined->epoch, 6), Fixed(r.refined->epochError, 6),
                                       Fixed(r.refined->period, 8),
                                       Fixed(r.refined->periodError, 8), Fixed(r.halfWidth, 4))
                            : QStringLiteral("No refined ephemeris: ") + Q(r.refinedMessage));
  Table1->setRowCount(static_cast<int>(r.rows.size()));
  for (int i = 0; i < static_cast<int>(r.rows.size()); ++i) {
    const SeriesRow& row = r.rows[i];
    QString methods;
    for (const SeriesMethodTime& m : row.methods) {
      methods += (methods.isEmpty() ? QString() : QStringLiteral(", ")) + Q(m.method);
    }
    // A time from the profile method says so first.
    if (row.timeSource.starts_with("profile")) {
      methods = QStringLiteral("time from ") + Q(row.timeSource) +
                (methods.isEmpty() ? QString() : QStringLiteral("; ")) + methods;
    }
    if (!row.message.empty()) {
      methods += (methods.isEmpty() ? QString() : QStringLiteral("; ")) + Q(row.message);
    }
    const QString cells[kColumns] = {QString::number(row.cycle),
                                     QString(QChar(row.kind)),
                                     row.time ? Fixed(*row.time, decimals_) : QString(),
                                     row.error ? Fixed(*row.error, decimals_) : QString(),
                                     row.time ? Fixed(*row.OMinusC(), decimals_) : QString(),
                                     row.time ? Fixed(*row.OMinusC() * 1440, 2) : QString(),
                                     QString::number(row.nPoints),
                                     methods};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setToolTip(cells[c]);
      Table1->setItem(i, c, item);
    }
  }
  Table1->resizeColumnsToContents();
}

void FrmSeries::Command3_Click() {
  if (!result_) {
    ShowMessage(QStringLiteral("Press Time first: there is no table to export."));
    return;
  }
  const QString path = askTablePath();
  if (path.isEmpty()) return;
  const auto written = WriteFileAtomically(QFile::encodeName(path).toStdString(),
                                           SeriesCsv(*result_, timeScale_.toStdString()),
                                           {QFile::encodeName(sourcePath_).toStdString()});
  if (!written)
    ShowMessage(QStringLiteral("The table was not saved. ") + Q(written.error().message));
}

void FrmSeries::Command4_Click() {
  if (!result_) {
    ShowMessage(QStringLiteral("Press Time first: there is no diagram to export."));
    return;
  }
  const QString path = askDiagramPath();
  if (path.isEmpty()) return;
  const QString failed =
      Diagram->Export(path, 1600, 1000, {QFile::encodeName(sourcePath_).toStdString()});
  if (!failed.isEmpty()) ShowMessage(QStringLiteral("The diagram was not saved. ") + failed);
}

void FrmSeries::mExportFigure_Click() {
  const QString base = name_.isEmpty() ? QStringLiteral("series") : name_;
  const auto request = AskFigureRequest(this, base + QStringLiteral("-O-C.pdf"));
  if (!request) return;
  const QString failed =
      WriteFigure(*request, DiagramTitle(), [this](QPainter& p, const QSizeF& size) {
        Diagram->Draw(p, QRect(0, 0, static_cast<int>(size.width()),
                               static_cast<int>(size.height())));
      });
  if (!failed.isEmpty()) ShowMessage(failed);
}

void FrmSeries::Table1_DoubleClick(int row) {
  if (!result_ || row < 0 || row >= static_cast<int>(result_->rows.size())) return;
  const SeriesRow& r = result_->rows[row];
  const WindowIndices in = WindowOf(time_, r.predicted, result_->halfWidth);
  const auto n = static_cast<long>(in.size());
  if (n < 2 || n > kMaxPoints) {
    ShowMessage(QStringLiteral("The window of cycle %1 holds %2 points; the main window takes 2 to "
                               "%3.")
                    .arg(r.cycle)
                    .arg(n)
                    .arg(kMaxPoints));
    return;
  }
  const std::vector<double> t(time_.begin() + in.first, time_.begin() + in.last);
  const std::vector<double> m(mag_.begin() + in.first, mag_.begin() + in.last);
  loadWindow_(
      t, m,
      QStringLiteral("%1 cycle %2%3").arg(name_).arg(r.cycle).arg(QChar(r.kind)).toStdString());
}

}  // namespace vantor
