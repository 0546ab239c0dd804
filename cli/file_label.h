// How the command line names a file at the head of a message on stderr
// ("<file>: <reason>"): the name as it is when every byte of it is printable,
// otherwise in QuotedName's form, so that no control byte or escape sequence
// from a file name reaches a terminal or a log.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace vantor::cli {

// The name for the head of a message line (see above).
inline std::string FileLabel(std::string_view name) {
  std::string quoted = QuotedName(name);
  if (quoted.size() == name.size() + 2) return std::string(name);
  return quoted;
}

}  // namespace vantor::cli
