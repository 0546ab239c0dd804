#include "cli/batch_csv.h"

#include "core/csv.h"
#include "core/format.h"
#include "import/time_scale.h"

namespace vantor::cli {

std::string BatchCsvRows(const std::string& file, const service::BatchFileResult& result) {
  CsvWriter csv;
  if (result.failed) {
    csv.Text(file).Text("file").Empty(2).Text("no").Text(result.error).Empty().EndLine();
    return csv.Take();
  }
  const std::string timeScale(import::TimeScaleName(result.report.timeScale));
  const Combination& comb = result.combination;
  for (const service::TimeRow& r : result.rows) {
    csv.Text(file).Text(r.method());
    if (r.ok()) {
      const Timing& t = *r.timing;
      csv.Text(t.timeText).Text(t.errorText).Text(comb.checkedAfter[r.row - 1] ? "yes" : "no");
      csv.Text(BelowPrecision(t.minimum.error, result.decimals) ? kBelowPrecisionNotice : "");
    } else {
      csv.Empty(2).Text("no").Text(r.message());
    }
    csv.Text(timeScale).EndLine();
  }
  csv.Text(file).Text("combination");
  if (comb.computed) {
    csv.Text(comb.weightedMeanText).Text(comb.uncertaintyText).Int(comb.n).Empty();
  } else {
    csv.Empty(2).Int(0).Text("no method delivered a usable result");
  }
  csv.Text(timeScale).EndLine();
  return csv.Take();
}

}  // namespace vantor::cli
