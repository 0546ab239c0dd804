// Loading a light curve for the command-line tool the way the desktop program
// would: open (sign +1), then the "--Mags (C-V)" option, then point-editor
// deletions.
#pragma once

#include <expected>
#include <memory>
#include <string>
#include <vector>

#include "cli/import_options.h"
#include "core/error.h"
#include "core/store.h"
#include "import/time_scale.h"

namespace vantor::cli {

struct SessionOptions {
  std::string file;
  bool cv = false;
  std::vector<int> deletions;  // all-points indices, 1-based
  ImportChoice import;         // other layouts, time scales, interval
};

// What a load found out beyond the store: the time scale of the times in it
// and, for a file read by the importer, what the importer reported.
struct LoadReport {
  import::TimeScale timeScale = import::TimeScale::Unknown;
  bool imported = false;
  std::string format;               // "vantor", "table", "aavso", ...
  std::vector<std::string> notes;   // the importer's sentences
};

// Loads the file into `store`; on failure returns a message for stderr.
// Without import options a file the original reader accepts is read by it
// alone, exactly as before; a file it refuses goes to the importer. With
// import options the importer reads the file.
std::expected<void, Error> LoadSession(const SessionOptions& options, Store& store,
                                       LoadReport* report = nullptr);

// The edits of `options` on the loaded light curve in `store`: the
// "--Mags (C-V)" sign convention, then the deletions, as LoadSession makes
// them after loading. A deletion of a point that does not exist or of the
// last point kept is refused.
std::expected<void, Error> ApplySessionEdits(const SessionOptions& options, Store& store);

// Writes the importer's sentences of a load to stderr, one a line after the
// file's name; nothing for a file the original reader read.
void PrintImportNotes(const std::string& file, const LoadReport& report);

// Parses "I,J,..." into indices; false on a malformed list.
bool ParseIndexList(const std::string& text, std::vector<int>& out);

}  // namespace vantor::cli
