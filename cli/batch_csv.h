// The CSV rows of `vantor-cli batch`, written from the service's typed result
// of one file; the Python survey writes its table with the same function, so
// that both give the same text.
#pragma once

#include <string>

#include "service/batch_service.h"

namespace vantor::cli {

// The header line of the batch's CSV output (with its line end).
inline constexpr const char* kBatchCsvHeader = "file,method,time,error,used,message,time_scale\n";

// The rows of `file` (each ending in a line end), by core's CSV writer: one
// per method and one for the combination, or the file's refusal.
std::string BatchCsvRows(const std::string& file, const service::BatchFileResult& result);

}  // namespace vantor::cli
