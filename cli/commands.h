// The subcommands of vantor-cli. Each returns the process exit status:
// 0 success, 1 a method refused (time), 2 bad usage or a refused file.
#pragma once

#include <CLI/CLI.hpp>

namespace vantor::cli {

// Registers "info" on the app; the callback runs it and stores the exit status.
void AddInfoCommand(CLI::App& app, int& exitStatus);

// Registers "time": the timing methods on a file, optionally combined.
void AddTimeCommand(CLI::App& app, int& exitStatus);

// Registers "batch": many light curves in one run.
void AddBatchCommand(CLI::App& app, int& exitStatus);

// Registers "series": every eclipse of a long light curve, with its O-C.
void AddSeriesCommand(CLI::App& app, int& exitStatus);

}  // namespace vantor::cli
