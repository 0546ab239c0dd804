// Registers the importer's options (cli/import_options.h) on a subcommand.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/import_options.h"

namespace vantor::cli {

// Adds --format, --time-col, --mag-col, --flux-col, --err-col, --star,
// --filter, --time-scale, --to, --ra, --dec, --from and --until to `cmd`.
void AddImportOptions(CLI::App* cmd, ImportChoice& choice);

}  // namespace vantor::cli
