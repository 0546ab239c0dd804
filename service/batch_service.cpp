#include "service/batch_service.h"

#include <new>
#include <utility>

namespace vantor::service {
namespace {

BatchFileResult Refused(std::string error, LoadReport report) {
  BatchFileResult o;
  o.report = std::move(report);
  o.failed = true;
  o.error = std::move(error);
  return o;
}

BatchFileResult TimeFile(const std::string& file, const BatchSettings& a) {
  SessionOptions options;
  options.file = file;
  options.import = a.import;
  auto session = LoadSession(options);
  if (!session) return Refused(session.error().message, LoadReport{});
  session->Working.ResultDecimals = a.decimals;
  BatchFileResult o;
  o.report = session->report;
  o.decimals = a.decimals;
  o.hjdBase = session->HjdBase();
  TimeRequest request;
  request.automatic = a.automatic;
  if (!a.automatic) {
    TimePlan plan;
    plan.tracing = plan.sliding = true;
    request.setups = PlannedSetups(*session, plan);
  }
  o.rows = RunTime(session->View(), request).rows;
  o.combination = CombineRows(o.rows, a.decimals);
  return o;
}

}  // namespace

BatchFileResult TimeBatchFile(const std::string& file, const BatchSettings& a) {
  try {
    return TimeFile(file, a);
  } catch (const std::bad_alloc&) {
    // One file too large for the memory left is that file's refusal; the
    // rows of the others stand.
    return Refused(
        "The file needs more memory than is available: it is refused, the other files are "
        "timed.",
        LoadReport{});
  }
}

}  // namespace vantor::service
