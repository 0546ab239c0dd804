#include "cli/session.h"

#include <charconv>
#include <filesystem>
#include <iostream>

#include "cli/file_label.h"
#include "core/reader.h"
#include "core/textfile.h"
#include "import/importer.h"
#include "import/load.h"

namespace vantor::cli {
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
import::TimeScale ScaleOfOriginalFile(const std::string& path) {
  const auto text = ReadWholeFile(path);
  if (!text) return import::TimeScale::Unknown;
  const auto lines = SplitLines(*text);
  if (lines.empty()) return import::TimeScale::Unknown;
  const auto fields = SplitFields(lines.front());
  return import::TimeScaleOfColumn(TrimBlanks(fields.front()));
}

// Whether a file the original reader would take names in its header what
// that reader does not do (a flux, an error or airmass column second, an
// offset that cannot be read): the importer reads it then.
bool HeaderAsksForTheImporter(const std::string& path) {
  const auto text = ReadWholeFile(path);
  return text && import::HeaderAsksForMoreThanTheOriginalReader(*text);
}

// Reads the file through the importer into `store` (see LoadSession).
std::expected<void, Error> Import(const SessionOptions& options, const ImportPlan& plan, Store& store,
                                  LoadReport& report) {
  auto series = import::ImportFile(options.file, plan.options);
  if (!series) return std::unexpected(series.error());
  if (plan.to) {
    if (const auto c = import::ConvertSeries(*series, *plan.to, plan.star); !c) {
      return std::unexpected(c.error());
    }
  }
  if (const auto loaded = import::LoadSeriesIntoStore(store, *series, plan.interval); !loaded) {
    return std::unexpected(loaded.error());
  }
  report.imported = true;
  report.timeScale = series->timeScale;
  report.format = std::string(import::FormatName(series->format));
  report.notes = series->notes;
  return {};
}

}  // namespace

std::expected<void, Error> LoadSession(const SessionOptions& options, Store& store,
                                       LoadReport* reportOut) {
  const std::filesystem::path path(options.file);
  LoadReport local;
  LoadReport& report = reportOut != nullptr ? *reportOut : local;
  const auto plan = ParseImportChoice(options.import);
  if (!plan) return std::unexpected(plan.error());
  store.DataDir = path.parent_path().string();
  store.DataFileName = path.filename().string();
  store.DataFilePath = options.file;
  if (options.import.Any() || HeaderAsksForTheImporter(options.file)) {
    if (const auto imported = Import(options, *plan, store, report); !imported) return imported;
  } else if (const auto read = ReadLightCurve(store); read) {
    report.timeScale = ScaleOfOriginalFile(options.file);
    report.format = "vantor";
  } else {
    // The original reader refused: another layout? A file that looks like
    // neither another program's layout nor a readable table keeps the
    // original reader's message.
    if (const auto imported = Import(options, *plan, store, report); !imported) {
      const auto text = ReadWholeFile(options.file, 256 * 1024 * 1024);
      if (!text) return std::unexpected(ForCommandLine(read.error()));
      const import::Format f = import::DetectFormat(*text);
      if (f == import::Format::Table || f == import::Format::Vantor) {
        return std::unexpected(ForCommandLine(read.error()));
      }
      return imported;
    }
  }
  return ApplySessionEdits(options, store);
}

std::expected<void, Error> ApplySessionEdits(const SessionOptions& options, Store& store) {
  if (options.cv) ApplyMagSign(store, 1);
  for (const int i : options.deletions) {
    if (i < 1 || i > store.NPointsAll) {
      return Refuse("--delete: point " + std::to_string(i) + " does not exist (the file has " +
                    std::to_string(store.NPointsAll) + " points).");
    }
    if (store.Deleted[i] == 0 && store.NPoints == 1) {
      return Refuse("--delete: point " + std::to_string(i) +
                    " is the last point kept; at least one point must remain.");
    }
    store.PickedIdx = static_cast<int16_t>(i);
    store.Deleted[i] = -1;
    RebuildWorkingSet(store);
    ComputeRanges(store);
  }
  return {};
}

void PrintImportNotes(const std::string& file, const LoadReport& report) {
  if (!report.imported) return;
  for (const std::string& note : report.notes) std::cerr << FileLabel(file) << ": " << note << "\n";
}

bool ParseIndexList(const std::string& text, std::vector<int>& out) {
  out.clear();
  for (const std::string_view raw : SplitFields(text)) {
    const std::string_view f = TrimBlanks(raw);
    int v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (f.empty() || ec != std::errc() || end != f.data() + f.size()) return false;
    out.push_back(v);
  }
  return true;
}

}  // namespace vantor::cli
