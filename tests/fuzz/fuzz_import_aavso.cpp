// Fuzz target of the AAVSO Extended Format importer: any text read as AAVSO,
// with and without a star and filter chosen.
#include <cstddef>
#include <cstdint>

#include "fuzz_import_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vantor::import::ImportOptions options;
  options.format = vantor::import::Format::Aavso;
  vantor::fuzz::CheckImport(text, options);
  options.star = "TX UMA";
  options.filter = "V";
  vantor::fuzz::CheckImport(text, options);
  return 0;
}
