// One light curve of `vantor-cli batch`: loaded as the open window loads it,
// timed by the tracing paper at its starting fold and sliding integrations
// (or, automatic, by the five range methods on automatic ranges and sliding
// integrations), combined as "Calc. Means" does, and written as the batch's
// CSV rows or JSON object. The batch command and the survey of the Python
// module both call BatchFile, so their rows are the same text.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/import_options.h"
#include "cli/session.h"
#include "core/format.h"
#include "core/store.h"

namespace vantor::cli {

// The header line of the batch's CSV output (with its line end).
inline constexpr const char* kBatchCsvHeader = "file,method,time,error,used,message,time_scale\n";

// Quotes a CSV field when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text);

struct BatchSettings {
  ImportChoice import;
  bool automatic = false;
  bool json = false;  // the JSON object instead of the CSV rows
  int decimals = kDefaultDecimals;
};

// What one file gives.
struct BatchFileResult {
  std::string csv;     // its CSV rows, each ending in a line end (without json)
  nlohmann::ordered_json json;  // its object (with json)
  bool failed = false;  // the file could not be read; `error` says why
  std::string error;
  LoadReport report;  // what the importer said
};

// Times `file` as the batch does, in `store` (cleared first; a Store is large,
// so a caller timing many files reuses one). A file that runs out of memory
// (std::bad_alloc) gives its refusal like an unreadable file; nothing escapes.
BatchFileResult BatchFile(const std::string& file, const BatchSettings& settings, Store& store);

}  // namespace vantor::cli
