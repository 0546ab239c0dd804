// frmImport: reading a file of another layout into the store.
#include "windows/frm_import.h"

#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>
#include <memory>
#include <tuple>

#include "core/textfile.h"
#include "import/binning.h"
#include "import/importer.h"
#include "import/load.h"
#include "toolkit/message.h"

namespace vantor {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Day(double v) { return QString::number(v, 'f', 5); }

// `w` with the object name the tests and the help find it by.
template <class Widget>
Widget* Named(Widget* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// The left column of controls: the format and the columns as read, the star
// and the filter.
void BuildColumnControls(FrmImport* w, QFormLayout* form) {
  w->ComboFormat = Named(new QComboBox(w), "ComboFormat");
  for (const import::Format f :
       {import::Format::Auto, import::Format::Vantor, import::Format::Table, import::Format::Aavso,
        import::Format::Aij, import::Format::Munipack, import::Format::Fits}) {
    w->ComboFormat->addItem(QString::fromLatin1(import::FormatName(f).data(),
                                                static_cast<int>(import::FormatName(f).size())));
  }
  form->addRow(QStringLiteral("Format:"), w->ComboFormat);
  w->TextTimeCol = Named(new QLineEdit(w), "TextTimeCol");
  form->addRow(QStringLiteral("Time column:"), w->TextTimeCol);
  auto* valueRow = new QHBoxLayout;
  w->TextValueCol = Named(new QLineEdit(w), "TextValueCol");
  w->ComboValueKind = Named(new QComboBox(w), "ComboValueKind");
  w->ComboValueKind->addItems({QStringLiteral("Magnitude"), QStringLiteral("Flux")});
  valueRow->addWidget(w->ComboValueKind);
  valueRow->addWidget(w->TextValueCol, 1);
  form->addRow(QStringLiteral("Value column:"), valueRow);
  w->TextErrCol = Named(new QLineEdit(w), "TextErrCol");
  form->addRow(QStringLiteral("Error column:"), w->TextErrCol);
  w->ComboStar = Named(new QComboBox(w), "ComboStar");
  form->addRow(QStringLiteral("Star:"), w->ComboStar);
  w->ComboFilter = Named(new QComboBox(w), "ComboFilter");
  form->addRow(QStringLiteral("Filter:"), w->ComboFilter);
}

// The right column: the time scale read and wanted, the star's coordinates
// and the interval to load.
void BuildScaleControls(FrmImport* w, QFormLayout* form) {
  w->LabelScaleRead = Named(new QLabel(w), "LabelScaleRead");
  form->addRow(QStringLiteral("Time scale read:"), w->LabelScaleRead);
  w->ComboScaleFile = Named(new QComboBox(w), "ComboScaleFile");
  w->ComboScaleFile->addItems({QStringLiteral("As the file says"), QStringLiteral("JD_UTC"),
                               QStringLiteral("HJD_UTC"), QStringLiteral("BJD_TDB")});
  form->addRow(QStringLiteral("The file's times are:"), w->ComboScaleFile);
  w->ComboScaleWanted = Named(new QComboBox(w), "ComboScaleWanted");
  w->ComboScaleWanted->addItems(
      {QStringLiteral("No conversion"), QStringLiteral("HJD_UTC"), QStringLiteral("BJD_TDB")});
  form->addRow(QStringLiteral("Convert to:"), w->ComboScaleWanted);
  w->TextRa = Named(new QLineEdit(w), "TextRa");
  w->TextRa->setPlaceholderText(QStringLiteral("degrees or hh:mm:ss"));
  form->addRow(QStringLiteral("RA:"), w->TextRa);
  w->TextDec = Named(new QLineEdit(w), "TextDec");
  w->TextDec->setPlaceholderText(QStringLiteral("degrees or dd:mm:ss"));
  form->addRow(QStringLiteral("Dec:"), w->TextDec);
  w->TextFrom = Named(new QLineEdit(w), "TextFrom");
  form->addRow(QStringLiteral("From (JD):"), w->TextFrom);
  w->TextUntil = Named(new QLineEdit(w), "TextUntil");
  form->addRow(QStringLiteral("Until (JD):"), w->TextUntil);
}

// Below the controls: the status line, the overview of the whole series, the
// file's first lines and the points as parsed.
void BuildPreviews(FrmImport* w, QVBoxLayout* outer) {
  w->LabelStatus = Named(new QLabel(w), "LabelStatus");
  w->LabelStatus->setWordWrap(true);
  outer->addWidget(w->LabelStatus);
  w->Overview = new ImportOverview(w);
  w->Overview->setMinimumHeight(110);
  outer->addWidget(w->Overview);
  auto* previews = new QHBoxLayout;
  outer->addLayout(previews, 1);
  w->TextRaw = Named(new QPlainTextEdit(w), "TextRaw");
  w->TextRaw->setReadOnly(true);
  w->TextRaw->setLineWrapMode(QPlainTextEdit::NoWrap);
  previews->addWidget(w->TextRaw, 1);
  w->TablePreview = Named(new QTableWidget(0, 3, w), "TablePreview");
  w->TablePreview->setHorizontalHeaderLabels(
      {QStringLiteral("Time"), QStringLiteral("Magnitude"), QStringLiteral("Error")});
  w->TablePreview->verticalHeader()->setVisible(true);
  w->TablePreview->horizontalHeader()->setStretchLastSection(true);
  previews->addWidget(w->TablePreview, 1);
}

void BuildButtons(FrmImport* w, QVBoxLayout* outer) {
  auto* buttons = new QHBoxLayout;
  outer->addLayout(buttons);
  w->CommandReread = Named(new QPushButton(QStringLiteral("Read again"), w), "CommandReread");
  w->CommandLoad = Named(new QPushButton(QStringLiteral("Load"), w), "CommandLoad");
  w->CommandCancel = Named(new QPushButton(QStringLiteral("Cancel"), w), "CommandCancel");
  buttons->addStretch(1);
  buttons->addWidget(w->CommandReread);
  buttons->addWidget(w->CommandLoad);
  buttons->addWidget(w->CommandCancel);
}

}  // namespace

FrmImport::FrmImport(Store& store, QWidget* parent) : QWidget(parent, Qt::Window), store_(store) {
  setObjectName(QStringLiteral("frmImport"));
  setWindowTitle(QStringLiteral("Import"));
  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  outer->addLayout(top);
  auto* form = new QFormLayout;
  top->addLayout(form, 1);
  BuildColumnControls(this, form);
  auto* form2 = new QFormLayout;
  top->addLayout(form2, 1);
  BuildScaleControls(this, form2);
  BuildPreviews(this, outer);
  BuildButtons(this, outer);
  connect(CommandReread, &QPushButton::clicked, this, &FrmImport::Reread);
  connect(CommandLoad, &QPushButton::clicked, this, &FrmImport::Load_Click);
  connect(CommandCancel, &QPushButton::clicked, this, &QWidget::hide);
  connect(ComboFormat, &QComboBox::activated, this, &FrmImport::Reread);
  connect(ComboStar, &QComboBox::activated, this, [this] {
    ComboFilter->clear();  // the new star's filters
    Reread();
  });
  connect(ComboFilter, &QComboBox::activated, this, &FrmImport::Reread);
  connect(ComboScaleFile, &QComboBox::activated, this, &FrmImport::Reread);
  connect(TextFrom, &QLineEdit::textChanged, this, &FrmImport::ShowInterval);
  connect(TextUntil, &QLineEdit::textChanged, this, &FrmImport::ShowInterval);
  resize(900, 560);
}

namespace {

// A column box's text as the importer takes it: the importer names a column
// of a file without a header "column 3", which the box shows; that is column
// number 3.
std::string ColumnOf(const QLineEdit* box) {
  static const QRegularExpression kNumbered(QStringLiteral("^column\\s+(\\d+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
  const QString text = box->text().trimmed();
  const QRegularExpressionMatch m = kNumbered.match(text);
  return (m.hasMatch() ? m.captured(1) : text).toStdString();
}

}  // namespace

import::ImportOptions FrmImport::Options() const {import::ImportOptions o;
o.format =
    import::ParseFormat(ComboFormat->currentText().toStdString()).value_or(import::Format::Auto);
o.timeCol = ColumnOf(TextTimeCol);
const std::string value = ColumnOf(TextValueCol);
(ComboValueKind->currentIndex() == 1 ? o.fluxCol : o.magCol) = value;
o.errCol = ColumnOf(TextErrCol);
o.star = ComboStar->currentText().toStdString();
o.filter = ComboFilter->currentText().toStdString();
o.firstWhenSeveral = true;
if (ComboScaleFile->currentIndex() > 0) {
  o.timeScale = import::ParseTimeScale(ComboScaleFile->currentText().toStdString());
}
// A file of more rows than the importer keeps is read around From and Until
// (0.02 day to spare for a conversion; Load applies them exactly).
for (auto [edit, end, margin] : {std::tuple{TextFrom, &o.keepFrom, -0.02},
                                 std::tuple{TextUntil, &o.keepUntil, 0.02}}) {
  bool ok = false;
  const double v = edit->text().trimmed().toDouble(&ok);
  if (ok && std::isfinite(v)) *end = v + margin;
}
return o;
}  // namespace vantor

void FrmImport::OpenFile(const QString& path) {
  path_ = path;
  setWindowTitle(QStringLiteral("Import - ") + QFileInfo(path).fileName());
  ComboFormat->setCurrentIndex(0);
  for (QLineEdit* e :
       {TextTimeCol, TextValueCol, TextErrCol, TextRa, TextDec, TextFrom, TextUntil}) {
    e->clear();
  }
  ComboValueKind->setCurrentIndex(0);
  ComboStar->clear();
  ComboFilter->clear();
  ComboScaleFile->setCurrentIndex(0);
  ComboScaleWanted->setCurrentIndex(0);
  // The first lines as they stand in the file (nothing for a FITS file).
  QFile f(path);
  QString raw;
  // Only a regular file is opened: a FIFO or a device would block the window.
  std::error_code ec;
  const bool regular = std::filesystem::is_regular_file(
      std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
  if (regular && f.open(QIODevice::ReadOnly)) {
    const QByteArray head = f.read(4096);
    if (head.startsWith("SIMPLE  =")) {
      raw = QStringLiteral("(a FITS file)");
    } else {
      const QStringList lines = QString::fromUtf8(head).split(QLatin1Char('\n'));
      raw = lines.mid(0, 30).join(QLatin1Char('\n'));
    }
  }
  TextRaw->setPlainText(raw);
  Reread();
  // What the importer chose becomes the controls' text, to change from.
  if (series_) {
    ComboFormat->setCurrentText(QString::fromLatin1(import::FormatName(series_->format).data()));
    TextTimeCol->setText(Q(series_->timeColumn));
    TextValueCol->setText(Q(series_->valueColumn));
    ComboValueKind->setCurrentIndex(series_->fromFlux ? 1 : 0);
    TextErrCol->setText(Q(series_->errColumn));
    if (series_->raDeg && series_->decDeg) {
      TextRa->setText(QString::number(*series_->raDeg, 'f', 6));
      TextDec->setText(QString::number(*series_->decDeg, 'f', 6));
    }
  }
}

void FrmImport::Reread() {
  const import::ImportOptions o = Options();
  auto read = import::ImportFile(QFile::encodeName(path_).toStdString(), o);
  if (!read) {
    series_.reset();
    // A file of several stars or filters names them: offer them in the lists.
    LabelStatus->setText(Q(read.error().message));
    TablePreview->setRowCount(0);
    Overview->SetSeries({}, {});
    LabelScaleRead->clear();
    return;
  }
  series_ = std::move(*read);
  ShowSeries();
}

void FrmImport::ShowSeries() {
  const import::ImportedSeries& s = *series_;
  auto fill = [](QComboBox* box, const std::vector<std::string>& items,
                 const std::string& current) {
    box->clear();
    for (const auto& x : items) box->addItem(Q(x));
    box->setCurrentText(Q(current));
  };
  fill(ComboStar, s.stars, s.star);
  fill(ComboFilter, s.filters, s.filter);
  ComboStar->setEnabled(s.stars.size() > 1);
  ComboFilter->setEnabled(s.filters.size() > 1);
  LabelScaleRead->setText(Q(std::string(import::TimeScaleName(s.timeScale))) +
                          (s.timeScaleSource.empty() ? QString()
                                                     : QStringLiteral(" (") + Q(s.timeScaleSource) +
                                                           QStringLiteral(")")));
  QString status = QStringLiteral("%1 observations, %2 to %3.")
                       .arg(s.size())
                       .arg(Day(s.time.front()), Day(s.time.back()));
  if (s.size() > static_cast<size_t>(kMaxPoints)) {
    status += QStringLiteral(
                  " More than %1: give the time interval of one eclipse (From, Until), or Load "
                  "offers to bin them to %1 points.")
                  .arg(kMaxPoints);
  }
  for (const auto& n : s.notes) status += QLatin1Char(' ') + Q(n);
  LabelStatus->setText(status);
  Overview->SetSeries(s.time, s.mag);
  ShowInterval();
  const int rows = static_cast<int>(std::min<size_t>(s.size(), 200));
  TablePreview->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const size_t i = static_cast<size_t>(r);
    TablePreview->setItem(r, 0, new QTableWidgetItem(Day(s.time[i])));
    TablePreview->setItem(r, 1, new QTableWidgetItem(QString::number(s.mag[i], 'f', 4)));
    TablePreview->setItem(
        r, 2,
        new QTableWidgetItem(std::isnan(s.err[i]) ? QString() : QString::number(s.err[i], 'f', 4)));
  }
  // Whole Julian Dates: the columns take the width of what they show.
  TablePreview->resizeColumnsToContents();
}

void FrmImport::ShowInterval() {
  const auto end = [](const QLineEdit* edit) -> std::optional<double> {
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
  };
  Overview->SetInterval(end(TextFrom), end(TextUntil));
}

namespace {

// Converts `s` to the time scale chosen in Convert to (with the star's
// coordinates typed in RA and Dec), if any; returns the conversion's
// warnings (a leap-second table that may be out of date). `used` receives the
// coordinates a conversion used, when it used any.
std::expected<QStringList, Error> ConvertToChosenScale(const FrmImport& w, import::ImportedSeries& s,
                                                       std::optional<import::SkyPosition>& used) {
  QStringList warnings;
  used.reset();
  if (w.ComboScaleWanted->currentIndex() == 0) return warnings;
  std::optional<import::SkyPosition> star;
  if (!w.TextRa->text().trimmed().isEmpty() || !w.TextDec->text().trimmed().isEmpty()) {
    const auto ra = import::ParseRightAscension(w.TextRa->text().trimmed().toStdString());
    const auto dec = import::ParseDeclination(w.TextDec->text().trimmed().toStdString());
    if (!ra || !dec) return std::unexpected(!ra ? ra.error() : dec.error());
    star = import::SkyPosition{*ra, *dec};
  }
  const auto to = import::ParseTimeScale(w.ComboScaleWanted->currentText().toStdString());
  const size_t notesBefore = s.notes.size();
  if (const auto c = import::ConvertSeries(s, *to, star); !c) return std::unexpected(c.error());
  used = star;
  for (size_t i = notesBefore; i < s.notes.size(); ++i) {
    if (s.notes[i].starts_with("Warning:")) warnings << Q(s.notes[i]);
  }
  return warnings;
}

// The interval typed in From and Until (an empty box leaves its end open);
// the refusal of a text that is no Julian Date.
std::expected<import::TimeInterval, QString> TypedInterval(QLineEdit* from, QLineEdit* until) {
  import::TimeInterval interval;
  for (auto [edit, end] : {std::pair{from, &interval.from}, std::pair{until, &interval.until}}) {
    const QString t = edit->text().trimmed();
    if (t.isEmpty()) continue;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
      return std::unexpected(QStringLiteral("\"%1\" is not a Julian Date such as 2459812.35.").arg(t));
    }
    *end = v;
  }
  return interval;
}

}  // namespace

void FrmImport::Load_Click() {
  Reread();
  if (!series_) return;
  import::ImportedSeries s = *series_;
  const import::TimeScale readScale = s.timeScale;
  // The conversion's warnings are shown once the curve is loaded, as the
  // command line prints its notes.
  std::optional<import::SkyPosition> star;
  const auto warnings = ConvertToChosenScale(*this, s, star);
  if (!warnings) {
    LabelStatus->setText(Q(warnings.error().message));
    return;
  }
  auto typed = TypedInterval(TextFrom, TextUntil);
  if (!typed) {
    LabelStatus->setText(typed.error());
    return;
  }
  import::TimeInterval interval = *typed;
  // The whole series inside the interval, as the series window takes it
  // (the store gets it binned when it holds more than kMaxPoints).
  ImportedCurve whole;
  whole.series = s;
  if (interval.Given()) {
    const std::vector<size_t> inside = import::SelectInterval(s, interval);
    for (auto* v : {&whole.series.time, &whole.series.mag, &whole.series.err}) v->clear();
    for (const size_t i : inside) {
      whole.series.time.push_back(s.time[i]);
      whole.series.mag.push_back(s.mag[i]);
      whole.series.err.push_back(s.err[i]);
    }
  }
  whole.path = QFile::encodeName(QFileInfo(path_).absoluteFilePath()).toStdString();
  whole.fileObservations = s.size();
  whole.from = interval.from;
  whole.until = interval.until;
  whole.readScale = readScale;
  whole.converted = ComboScaleWanted->currentIndex() != 0;
  if (star) whole.raDeg = star->raDeg, whole.decDeg = star->decDeg;
  // More observations than the store holds: bin them, or back to From and Until.
  std::string binning;
  if (import::SelectInterval(s, interval).size() > static_cast<size_t>(kMaxPoints)) {
    auto binned = OfferBinning(s, interval);
    if (!binned) return;
    s = std::move(binned->first);
    binning = std::move(binned->second);
    interval = {};
  }
  // Everything is checked before the store is touched; the loader refuses without touching it.
  auto scratchOwner = std::make_unique<Store>(store_);
  Store& scratch = *scratchOwner;
  const QFileInfo file(path_);
  scratch.DataDir = QFile::encodeName(file.absolutePath()).toStdString();
  scratch.DataFileName = QFile::encodeName(file.fileName()).toStdString();
  scratch.DataFilePath = QFile::encodeName(file.absoluteFilePath()).toStdString();
  const auto loaded = import::LoadSeriesIntoStore(scratch, s, interval);
  if (!loaded) {
    LabelStatus->setText(Q(loaded.error().message));
    return;
  }
  store_ = scratch;
  loadedScale_ = s.timeScale;
  loadedBinning_ = binning;
  loadedCurve_ = std::move(whole);
  emit lightCurveRead(ReadResult(*loaded));
  hide();
  emit clearResults();
  for (const QString& w : *warnings) ShowMessage(w);
}

std::optional<std::pair<import::ImportedSeries, std::string>> FrmImport::OfferBinning(
    const import::ImportedSeries& s, const import::TimeInterval& interval) {
  // Each observation passes the original reader's checks before any is
  // averaged into a bin: a magnitude of 99.999 must not vanish in a mean.
  if (const auto checked = import::LoadSeriesObservations(s, interval); !checked) {
    LabelStatus->setText(Q(checked.error().message));
    return std::nullopt;
  }
  import::ImportedSeries inside = s;
  inside.time.clear();
  inside.mag.clear();
  inside.err.clear();
  for (const size_t i : import::SelectInterval(s, interval)) {
    inside.time.push_back(s.time[i]);
    inside.mag.push_back(s.mag[i]);
    inside.err.push_back(s.err[i]);
  }
  import::Binning done;
  auto binned = import::BinSeries(inside, static_cast<size_t>(kMaxPoints), &done);
  if (!binned) {
    LabelStatus->setText(Q(binned.error().message));
    return std::nullopt;
  }
  const QString held =
      interval.Given()
          ? QStringLiteral("The time interval holds %1 of the %2 observations")
                .arg(inside.size())
                .arg(s.size())
          : QStringLiteral("The series holds %1 observations").arg(s.size());
  const QString question =
      held + QStringLiteral(" (%1 to %2), more than the %3 a light curve holds.\n\n"
                            "Bin them to %4 points, each the mean time and magnitude of a bin "
                            "of %5 min? Or choose the time interval of one eclipse (From, Until).")
                 .arg(Day(inside.time.front()), Day(inside.time.back()))
                 .arg(kMaxPoints)
                 .arg(done.bins)
                 .arg(Q(import::BinWidthMinutes(done.widthDays)));
  if (!AskYesNo(question, QStringLiteral("Bin to %1 points").arg(done.bins),
                QStringLiteral("Choose an interval"))) {
    TextFrom->setFocus();
    return std::nullopt;
  }
  return std::pair{std::move(*binned), import::BinningNote(done)};
}

}  // namespace vantor
