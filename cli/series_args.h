// The options of `vantor-cli series` as typed and their checking into the
// service's request (service/series_service.h).
#pragma once

#include <string>

#include "service/import_options.h"
#include "service/series_service.h"

namespace vantor::cli {

struct SeriesArgs {
  std::string file;
  service::ImportChoice import;
  std::string epoch, period, halfWidth, secondary;
  bool secondaryGiven = false;  // --secondary, with or without a phase
  bool find = false, csv = false, json = false, oc = false;
  int bootstrap = 0;
  bool noDetrend = false;  // --no-detrend
  std::string out;
};

// Checks the ephemeris, secondary phase and half-width options into
// `request` (the ephemeris stays 0 where --find is to estimate it). False
// with `usage` set on a refusal.
bool PlanSeries(const SeriesArgs& args, service::SeriesRequest& request, std::string& usage);

}  // namespace vantor::cli
