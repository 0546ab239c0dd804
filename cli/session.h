// Loading a light curve for the command-line tool the way the desktop program
// would: open (sign +1), then the "--Mags (C-V)" option, then point-editor
// deletions.
#pragma once

#include <expected>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/store.h"

namespace vantor::cli {

struct SessionOptions {
  std::string file;
  bool cv = false;
  std::vector<int> deletions;  // all-points indices, 1-based
};

// Loads the file into `store`; on failure returns a message for stderr.
std::expected<void, Error> LoadSession(const SessionOptions& options, Store& store);

// Parses "I,J,..." into indices; false on a malformed list.
bool ParseIndexList(const std::string& text, std::vector<int>& out);

}  // namespace vantor::cli
