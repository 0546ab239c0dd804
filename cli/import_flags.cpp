// The importer's options on the command line.
#include "cli/import_flags.h"

namespace vantor::cli {

void AddImportOptions(CLI::App* cmd, service::ImportChoice& c) {
  const char* group = "Reading other layouts";
  cmd->add_option("--format", c.format,
                  "File layout: auto (default), vantor, table, aavso, aij, munipack, fits")
      ->group(group);
  cmd->add_option("--time-col", c.timeCol, "Time column (header name or 1-based number)")->group(group);
  cmd->add_option("--mag-col", c.magCol, "Magnitude column (name or number)")->group(group);
  cmd->add_option("--flux-col", c.fluxCol, "Flux column, turned into magnitudes (name or number)")
      ->group(group);
  cmd->add_option("--err-col", c.errCol, "Error column (name or number)")->group(group);
  cmd->add_option("--star", c.star, "AAVSO files: the star to read")->group(group);
  cmd->add_option("--filter", c.filter, "AAVSO files: the filter to read")->group(group);
  cmd->add_option("--time-scale", c.timeScale,
                  "The file's time scale when it does not say: jd-utc, hjd-utc, bjd-tdb")
      ->group(group);
  cmd->add_option("--to", c.to, "Convert the times to hjd-utc or bjd-tdb (needs the star's coordinates)")
      ->group(group);
  cmd->add_option("--ra", c.ra, "Star's right ascension: degrees or hh:mm:ss")->group(group);
  cmd->add_option("--dec", c.dec, "Star's declination: degrees or dd:mm:ss")->group(group);
  cmd->add_option("--from", c.from, "Load only observations from this full JD on")->group(group);
  cmd->add_option("--until", c.until, "Load only observations up to this full JD")->group(group);
}

}  // namespace vantor::cli
