#include "cli/batch_run.h"

#include <new>
#include <sstream>
#include <utility>

#include "cli/auto_run.h"
#include "cli/json_out.h"
#include "cli/time_run.h"
#include "core/combination.h"

namespace vantor::cli {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

namespace {

// The result of a file that gives no rows of methods: its refusal.
BatchFileResult Refused(const std::string& file, const BatchSettings& a, std::string error,
                        LoadReport report) {
  BatchFileResult o;
  o.report = std::move(report);
  o.failed = true;
  o.error = std::move(error);
  if (a.json) {
    o.json = BatchRefusalJson(file, o.error);
  } else {
    o.csv = CsvField(file) + ",file,,,no," + CsvField(o.error) + ",\n";
  }
  return o;
}

BatchFileResult TimeBatchFile(const std::string& file, const BatchSettings& a, Store& store) {
  BatchFileResult o;
  store = Store{};
  store.ResultDecimals = a.decimals;
  SessionOptions session;
  session.file = file;
  session.import = a.import;
  if (const auto loaded = LoadSession(session, store, &o.report); !loaded) {
    return Refused(file, a, loaded.error().message, std::move(o.report));
  }
  TimeArgs timeArgs;
  timeArgs.tracing = timeArgs.sliding = timeArgs.combine = true;
  TimePlan plan;
  std::string usage;
  PlanTime(timeArgs, plan, usage);  // these fixed options always pass
  const std::string timeScale(import::TimeScaleName(o.report.timeScale));
  const std::vector<TimeRow> rows =
      a.automatic ? RunAutoRows(store).rows : RunTimeMethods(store, plan);
  const Combination comb = CombineRows(rows, a.decimals);
  if (a.json) {
    o.json = BatchFileJson(file, store, rows, comb, timeScale);
    return o;
  }
  std::ostringstream out;
  for (const TimeRow& r : rows) {
    out << CsvField(file) << ',' << r.method << ',';
    if (r.ok) {
      out << r.timeText << ',' << r.errorText << ','
          << (comb.checkedAfter[r.row - 1] ? "yes" : "no") << ','
          << (BelowPrecision(r.error, a.decimals) ? CsvField(kBelowPrecisionNotice) : "") << ','
          << timeScale << "\n";
    } else {
      out << ",,no," << CsvField(r.message) << ',' << timeScale << "\n";
    }
  }
  if (comb.computed) {
    out << CsvField(file) << ",combination," << comb.weightedMeanText << ',' << comb.uncertaintyText
        << ',' << comb.n << ",," << timeScale << "\n";
  } else {
    out << CsvField(file) << ",combination,,,0,no method delivered a usable result," << timeScale
        << "\n";
  }
  o.csv = out.str();
  return o;
}

}  // namespace

BatchFileResult BatchFile(const std::string& file, const BatchSettings& a, Store& store) {
  try {
    return TimeBatchFile(file, a, store);
  } catch (const std::bad_alloc&) {
    // One file too large for the memory left is that file's refusal; the
    // rows of the others stand.
    store = Store{};
    return Refused(file, a,
                   "The file needs more memory than is available: it is refused, the other "
                   "files are timed.",
                   LoadReport{});
  }
}

}  // namespace vantor::cli
