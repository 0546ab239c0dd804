// How the command line names a file at the head of a message on stderr
// ("<file>: <reason>"): the name as it is when every byte of it is printable,
// otherwise in QuotedName's form, so that no control byte or escape sequence
// from a file name reaches a terminal or a log.
#pragma once

#include <iostream>
#include <string>
#include <string_view>

#include "core/text.h"
#include "service/session.h"

namespace vantor::cli {

// The name for the head of a message line (see above).
inline std::string FileLabel(std::string_view name) {
  std::string quoted = QuotedName(name);
  if (quoted.size() == name.size() + 2) return std::string(name);
  return quoted;
}

// Writes the importer's sentences of a load to stderr, one a line after the
// file's name; nothing for a file the original reader read.
inline void PrintImportNotes(const std::string& file, const service::LoadReport& report) {
  if (!report.imported) return;
  for (const std::string& note : report.notes) std::cerr << FileLabel(file) << ": " << note << "\n";
}

}  // namespace vantor::cli
