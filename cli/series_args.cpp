#include "cli/series_args.h"

namespace vantor::cli {

bool PlanSeries(const SeriesArgs& a, service::SeriesRequest& request, std::string& usage) {
  service::SeriesChoice c;
  const auto text = [](const std::string& t) -> std::optional<service::Given<double>> {
    if (t.empty()) return std::nullopt;
    return service::Given<double>(t);
  };
  c.epoch = text(a.epoch);
  c.period = text(a.period);
  c.halfWidth = text(a.halfWidth);
  if (a.secondaryGiven) c.secondary = service::Given<double>(a.secondary);
  c.find = a.find;
  c.bootstrap = a.bootstrap;
  c.detrend = !a.noDetrend;
  return service::PlanSeries(c, request, usage);
}

}  // namespace vantor::cli
