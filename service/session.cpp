// Loading a light curve for the command line and the Python module: the
// original reader or the importer, then the sign convention and deletions.
#include "service/session.h"

#include <cmath>
#include <filesystem>
#include <limits>

#include "core/textfile.h"
#include "import/importer.h"
#include "import/load.h"

namespace vantor::service {
namespace {

// A reader refusal as the command line gives it: the program's message sends
// the user to its Help menu, which the command line does not have.
Error ForCommandLine(const Error& e) {
  if (e.message != kNotCsvMessage) return e;
  return Error{"Line 2 holds no comma. A light curve is a file of comma-separated values: HJD, "
               "magnitude, one observation a line (see \"Input file\" in the README).",
               2};
}

// The time scale the first field of a Vantor file's header names ("HJD").
import::TimeScale ScaleOfOriginalFile(std::string_view text) {
  const auto lines = SplitLines(text, 1);
  if (lines.empty()) return import::TimeScale::Unknown;
  const auto fields = SplitFields(lines.front());
  return import::TimeScaleOfColumn(TrimBlanks(fields.front()));
}

// Rebuilds the working curve from the observations, the sign and the
// deletions, as the store's RebuildWorkingSet and ComputeRanges do.
void RebuildWorkingSet(Session& s) {
  Curve& w = s.Working;
  w.RelTime.assign(1, 0.0);
  w.Mag.assign(1, 0.0);
  for (int i = 1; i <= s.NPointsAll(); ++i) {
    if (s.Deleted[i] != 0) continue;
    w.RelTime.push_back(s.RelTimeAll[i]);
    w.Mag.push_back(s.MagRaw[i] * s.MagSign);
  }
}

// A session of checked observations, as the reader commits them to the
// store: HjdBase the whole day of the first time, no point deleted, the
// "+Mags (V-C)" sign, the tracing paper's fold and the Fourier fit's
// starting values.
Session Commit(const Observations& o, std::string file) {
  Session s;
  s.DataFilePath = std::move(file);
  s.HjdRaw.insert(s.HjdRaw.end(), o.hjd.begin(), o.hjd.end());
  s.MagRaw.insert(s.MagRaw.end(), o.mag.begin(), o.mag.end());
  s.Deleted.assign(s.HjdRaw.size(), 0);
  s.Working.HjdBase = std::floor(s.HjdRaw[1]);
  s.RelTimeAll.resize(s.HjdRaw.size());
  for (int i = 1; i <= s.NPointsAll(); ++i) s.RelTimeAll[i] = s.HjdRaw[i] - s.Working.HjdBase;
  RebuildWorkingSet(s);
  const CurveView v = s.View();
  s.FoldTime = RoundTo(v.RelTime[v.FaintIdx], 4);
  s.FitParam = {0.0, v.RelTime[v.InnerExtremeIdx], v.Mag[v.FaintIdx], 3.14 / v.TRange, v.MagRange,
                0.0, 0.0, 0.0, 0.0};
  return s;
}

// Whether a file the original reader would take names in its header what
// that reader does not do (a flux, an error or airmass column second, an
// offset that cannot be read): the importer reads it then.
bool HeaderAsksForTheImporter(const std::string& path) {
  const auto text = ReadWholeFile(path);
  return text && import::HeaderAsksForMoreThanTheOriginalReader(*text);
}

// Reads the file through the importer (see LoadSession).
std::expected<Session, Error> Import(const SessionOptions& options, const ImportPlan& plan) {
  auto series = import::ImportFile(options.file, plan.options);
  if (!series) return std::unexpected(series.error());
  if (plan.to) {
    if (const auto c = import::ConvertSeries(*series, *plan.to, plan.star); !c) {
      return std::unexpected(c.error());
    }
  }
  const auto loaded = import::LoadSeriesObservations(*series, plan.interval);
  if (!loaded) return std::unexpected(loaded.error());
  Session s = Commit(*loaded, options.file);
  s.report.imported = true;
  s.report.timeScale = series->timeScale;
  s.report.format = std::string(import::FormatName(series->format));
  s.report.notes = series->notes;
  return s;
}

// The original reader on the file, of any length.
std::expected<Session, Error> ReadOriginal(const std::string& file) {
  const auto text = ReadWholeFile(file);
  if (!text) return std::unexpected(text.error());
  const auto read = ReadObservationsText(*text, kAnyLength);
  if (!read) return std::unexpected(read.error());
  Session s = Commit(*read, file);
  s.report.timeScale = ScaleOfOriginalFile(*text);
  s.report.format = "vantor";
  return s;
}

std::expected<Session, Error> LoadFile(const SessionOptions& options) {
  const auto plan = ParseImportChoice(options.import);
  if (!plan) return std::unexpected(plan.error());
  if (options.import.Any() || HeaderAsksForTheImporter(options.file)) return Import(options, *plan);
  auto read = ReadOriginal(options.file);
  if (read) return read;
  // The original reader refused: another layout? A file that looks like
  // neither another program's layout nor a readable table keeps the
  // original reader's message.
  auto imported = Import(options, *plan);
  if (imported) return imported;
  const auto text = ReadWholeFile(options.file, 256 * 1024 * 1024);
  if (!text) return std::unexpected(ForCommandLine(read.error()));
  const import::Format f = import::DetectFormat(*text);
  if (f == import::Format::Table || f == import::Format::Vantor) {
    return std::unexpected(ForCommandLine(read.error()));
  }
  return imported;
}

}  // namespace

CurveView Session::View() const {
  CurveView v = Working.View();
  v.RelTimeAll = RelTimeAll;
  v.NPointsAll = NPointsAll();
  return v;
}

std::string Session::DataFileName() const {
  return std::filesystem::path(DataFilePath).filename().string();
}

std::expected<Session, Error> LoadSession(const SessionOptions& options) {
  auto session = LoadFile(options);
  if (!session) return session;
  if (const auto edited = ApplySessionEdits(options, *session); !edited) {
    return std::unexpected(edited.error());
  }
  return session;
}

std::expected<Session, Error> SessionOfArrays(std::span<const double> hjd,
                                              std::span<const double> mag, std::string file) {
  if (CheckObservations(hjd, mag)) return Commit(Observations{{hjd.begin(), hjd.end()},
                                                              {mag.begin(), mag.end()}},
                                                 std::move(file));
  // Refused: in the words the importer's series gets (and, should those
  // checks pass, as the reader reads the numbers written out).
  import::ImportedSeries series;
  series.time.assign(hjd.begin(), hjd.end());
  series.mag.assign(mag.begin(), mag.end());
  series.err.assign(hjd.size(), std::numeric_limits<double>::quiet_NaN());
  const auto loaded = import::LoadSeriesObservations(series);
  if (!loaded) return std::unexpected(loaded.error());
  return Commit(*loaded, std::move(file));
}

std::expected<void, Error> ApplySessionEdits(const SessionOptions& options, Session& s) {
  if (options.cv) {
    s.MagSign = -1;
    RebuildWorkingSet(s);
    const CurveView v = s.View();
    if (v.NPoints > 0) s.FoldTime = RoundTo(v.RelTime[v.FaintIdx], 4);
  }
  for (const int i : options.deletions) {
    if (i < 1 || i > s.NPointsAll()) {
      return Refuse("--delete: point " + std::to_string(i) + " does not exist (the file has " +
                    std::to_string(s.NPointsAll()) + " points).");
    }
    if (s.Deleted[i] == 0 && s.NPoints() == 1) {
      return Refuse("--delete: point " + std::to_string(i) +
                    " is the last point kept; at least one point must remain.");
    }
    s.Deleted[i] = 1;
    RebuildWorkingSet(s);
  }
  return {};
}

}  // namespace vantor::service
