// Registers the importer's options (service/import_options.h) on a subcommand.
#pragma once

#include <CLI/CLI.hpp>

#include "service/import_options.h"

namespace vantor::cli {

// Adds --format, --time-col, --mag-col, --flux-col, --err-col, --star,
// --filter, --time-scale, --to, --ra, --dec, --from and --until to `cmd`.
void AddImportOptions(CLI::App* cmd, service::ImportChoice& choice);

}  // namespace vantor::cli
