// One light curve of a batch (`vantor-cli batch`, the Python survey): loaded
// as the open window loads it, timed by the tracing paper at its starting
// fold and sliding integrations (or, automatic, by the five range methods on
// automatic ranges and sliding integrations), combined as "Calc. Means"
// does. The doors write the result as CSV rows or a JSON object.
#pragma once

#include <string>
#include <vector>

#include "core/combination.h"
#include "core/format.h"
#include "service/import_options.h"
#include "service/session.h"
#include "service/time_service.h"

namespace vantor::service {

struct BatchSettings {
  ImportChoice import;
  bool automatic = false;
  int decimals = kDefaultDecimals;
};

// What one file gives.
struct BatchFileResult {
  bool failed = false;  // the file could not be read; `error` says why
  std::string error;
  LoadReport report;              // what the importer said
  double hjdBase = 0.0;           // when read
  std::vector<TimeRow> rows;      // in the order of the main window's rows
  Combination combination;        // of the delivered rows
  int decimals = kDefaultDecimals;
};

// Times `file` as the batch does. A file that runs out of memory
// (std::bad_alloc) gives its refusal like an unreadable file; nothing escapes.
BatchFileResult TimeBatchFile(const std::string& file, const BatchSettings& settings);

}  // namespace vantor::service
