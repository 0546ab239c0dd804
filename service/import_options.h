// The importer's options of vantor-cli (info, time, batch, series) and of the
// Python module: which layout, which columns, which star and filter, which
// time scale the file is in and which one is wanted, the star's coordinates,
// and the time interval to load.
// Kept as typed; ParseImportChoice checks them and LoadSession uses them.
#pragma once

#include <expected>
#include <optional>
#include <string>

#include "core/error.h"
#include "import/load.h"
#include "import/series.h"

namespace vantor::service {

struct ImportChoice {
  std::string format = "auto";
  std::string timeCol, magCol, fluxCol, errCol;
  std::string star, filter;
  std::string timeScale;  // the file's scale: jd-utc, hjd-utc, bjd-tdb
  std::string to;         // the scale wanted: hjd-utc, bjd-tdb (or jd-utc)
  std::string ra, dec;    // degrees or sexagesimal
  std::string from, until;  // full JD in the wanted scale

  // Whether any option asks for the importer (anything but the defaults).
  bool Any() const;
};

// The choice checked and converted: the importer's options, the conversion
// wanted, the coordinates, the interval.
struct ImportPlan {
  import::ImportOptions options;
  std::optional<import::TimeScale> to;
  std::optional<import::SkyPosition> star;
  import::TimeInterval interval;
};

// Checks every option; a refusal names the option and what it accepts.
std::expected<ImportPlan, Error> ParseImportChoice(const ImportChoice& choice);

}  // namespace vantor::service
