// Loading a light curve for the command-line tool the way the desktop program
// would: open (sign +1), then the "--Mags (C-V)" option, then point-editor
// deletions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/store.h"

namespace vantor::cli {

struct SessionOptions {
  std::string file;
  bool cv = false;
  std::vector<int> deletions;  // all-points indices, 1-based
};

// Loads the file into `store`. On failure returns false with a message for
// stderr.
bool LoadSession(const SessionOptions& options, Store& store, std::string& error);

// Parses "I,J,..." into indices; false on a malformed list.
bool ParseIndexList(const std::string& text, std::vector<int>& out);

}  // namespace vantor::cli
