// Runs the built vantor-cli with arguments and captures its output.
#pragma once

#include <string>

namespace vantor::testing {

struct CliRun {
  int status = -1;
  std::string out, err;
};

// Runs vantor-cli with `args` (a shell-quoted argument string).
CliRun RunCli(const std::string& args);

// Path of a file under the source tree.
std::string SourcePath(const std::string& relative);

}  // namespace vantor::testing
