// Fuzz target of the delimited-text importer: any text read as a table, with
// the columns found by their names and, for the same text, chosen by number.
#include <cstddef>
#include <cstdint>

#include "fuzz_import_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vantor::import::ImportOptions options;
  options.format = vantor::import::Format::Table;
  vantor::fuzz::CheckImport(text, options);
  options.timeCol = "1";
  options.fluxCol = "2";
  options.errCol = "3";
  vantor::fuzz::CheckImport(text, options);
  options = {};  // detection from the content
  vantor::fuzz::CheckImport(text, options);
  return 0;
}
