// vantor-cli: the timing core of Vantor on files, without any window.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"vantor-cli: times of minimum of eclipsing binaries from light-curve files"};
  app.require_subcommand(1);
  int exitStatus = 0;
  vantor::cli::AddInfoCommand(app, exitStatus);
  vantor::cli::AddTimeCommand(app, exitStatus);
  vantor::cli::AddBatchCommand(app, exitStatus);
  vantor::cli::AddSeriesCommand(app, exitStatus);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  return exitStatus;
}
