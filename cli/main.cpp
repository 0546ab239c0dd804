// vantor-cli: the timing core of Vantor on files, without any window.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "core/output_file.h"
#include "core/text.h"
#include "core/version.h"

namespace {

// Flushes and closes standard output. A write that failed on the way (a full
// disk, /dev/full, a closed pipe) or at the end must not pass for a complete
// output: false after one sentence on stderr.
bool FinishStandardOutput() {
  errno = 0;
  std::cout.flush();
  const bool streamFailed = !std::cout;
  int err = errno;
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (err == 0) err = errno;
  const bool hadError = std::ferror(stdout) != 0;
  errno = 0;
  const bool closed = std::fclose(stdout) == 0;
  if (closed && flushed && !hadError && !streamFailed) return true;
  if (err == 0) err = errno;
  std::fprintf(stderr, "vantor-cli: cannot write the output: %s.\n",
               err != 0 ? std::strerror(err) : "a write to standard output failed");
  return false;
}

// CLI11's message for bad usage echoes the arguments (a stray file name, a
// value): its sentence as QuotedName shows it, without the quotes, so that no
// control byte or line end of an argument reaches the terminal.
std::string UsageMessage(const CLI::App* app, const CLI::Error& e) {
  const std::string raw = CLI::FailureMessage::simple(app, e);
  const std::string_view what = e.what();
  if (raw.compare(0, what.size(), what) != 0) return vantor::QuotedName(raw);
  const std::string shown = vantor::QuotedName(what);
  return shown.substr(1, shown.size() - 2) + raw.substr(what.size());
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C or a kill while -o is being written removes its temporary file.
  vantor::InstallOutputCleanupHandlers();
  CLI::App app{"vantor-cli: times of minimum of eclipsing binaries from light-curve files"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("vantor-cli ") + vantor::kVersion,
                       "Print the program's version and exit");
  app.failure_message(UsageMessage);
  int exitStatus = 0;
  vantor::cli::AddInfoCommand(app, exitStatus);
  vantor::cli::AddTimeCommand(app, exitStatus);
  vantor::cli::AddBatchCommand(app, exitStatus);
  vantor::cli::AddSeriesCommand(app, exitStatus);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    if (!FinishStandardOutput()) return 2;
    return rc == 0 ? 0 : 2;
  } catch (const std::bad_alloc&) {
    // An input that needs more memory than the machine grants ends with one
    // line, not an abort; what was already written stands.
    std::fputs("vantor-cli: out of memory: the input needs more memory than is available.\n",
               stderr);
    FinishStandardOutput();
    return 2;
  }
  if (!FinishStandardOutput()) return 2;
  return exitStatus;
}
