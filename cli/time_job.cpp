#include "cli/time_job.h"

#include <algorithm>

#include "cli/auto_run.h"
#include "core/format.h"
#include "methods/bootstrap.h"

namespace vantor::cli {
namespace {

// Adds each delivered row's bootstrap error (n resampled light curves, the
// same ranges and tuning values, a Fourier fit started from the parameters it
// fitted) to its details; a bootstrap that cannot be made says why instead.
// The smooth model is made once for all rows.
void AddBootstrap(const Store& s, int n, const BootstrapProgress& progress,
                  std::vector<TimeRow>& rows) {
  std::vector<MethodSetup> setups;
  std::vector<TimeRow*> bootstrapped;
  for (TimeRow& r : rows) {
    if (!r.ok || !r.setup || !r.timing) continue;
    setups.push_back(BootstrapSetup(*r.setup, *r.timing));
    bootstrapped.push_back(&r);
  }
  const auto results = *BootstrapErrorsOfAll(s, setups, n, kBootstrapSeed, progress);
  for (size_t i = 0; i < bootstrapped.size(); ++i) {
    TimeRow& r = *bootstrapped[i];
    const auto& b = results[i];
    if (b) {
      r.details["bootstrap_error"] = b->error;
      r.details["bootstrap_error_text"] = ResultText(b->error, s.ResultDecimals);
      r.details["bootstrap_delivered"] = b->delivered;
    } else {
      r.details["bootstrap_message"] = b.error().message;
    }
  }
}

}  // namespace

bool ApplyAutoChoice(TimeArgs& a, std::string& usage) {
  const bool ranged = !a.parabola.empty() || !a.chords.empty() || !a.kvw.empty() ||
                      !a.fourier.empty() || a.sliding;
  if (ranged) {
    usage = "--auto chooses every range itself; leave out --parabola, --chords, --kvw, --fourier "
            "and --sliding";
    return false;
  }
  // The tracing paper needs no range; it runs with --auto only when asked for.
  if (!a.tracing && a.fold.empty() && a.smooth == 0) a.sliding = true;
  return true;
}

TimeOutcome RunTimeOutcome(Store& s, TimePlan plan, bool automatic, int bootstrap,
                           bool bootstrapWeights, const BootstrapProgress& progress) {
  TimeOutcome out;
  if (automatic) {
    // RunTimeMethods gives the tracing paper when asked for (sliding comes with the automatic
    // rows).
    plan.sliding = false;
    for (TimeRow& r : RunTimeMethods(s, plan)) out.rows.push_back(std::move(r));
    AutoRun run = RunAutoRows(s);
    for (TimeRow& r : run.rows) out.rows.push_back(std::move(r));
    std::stable_sort(out.rows.begin(), out.rows.end(),
                     [](const TimeRow& x, const TimeRow& y) { return x.row < y.row; });
    out.ranges = std::move(run.ranges);
    out.eclipseNote = std::move(run.eclipseNote);
  } else {
    out.rows = RunTimeMethods(s, plan);
  }
  // Bootstrap weights need every delivered row's bootstrap error.
  const int runs = bootstrap > 0 ? bootstrap : bootstrapWeights ? kBootstrapDefaultRuns : 0;
  if (runs > 0) AddBootstrap(s, runs, progress, out.rows);
  if (plan.combine) {
    out.combination = bootstrapWeights ? CombineRowsByBootstrap(out.rows, runs, s.ResultDecimals)
                                       : CombineRows(out.rows, s.ResultDecimals);
  }
  return out;
}

}  // namespace vantor::cli
