#include "cli/batch_csv.h"

#include <sstream>

#include "core/format.h"
#include "import/time_scale.h"

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

std::string BatchCsvRows(const std::string& file, const service::BatchFileResult& result) {
  if (result.failed) return CsvField(file) + ",file,,,no," + CsvField(result.error) + ",\n";
  const std::string timeScale(import::TimeScaleName(result.report.timeScale));
  const Combination& comb = result.combination;
  std::ostringstream out;
  for (const service::TimeRow& r : result.rows) {
    out << CsvField(file) << ',' << r.method() << ',';
    if (r.ok()) {
      const Timing& t = *r.timing;
      out << t.timeText << ',' << t.errorText << ','
          << (comb.checkedAfter[r.row - 1] ? "yes" : "no") << ','
          << (BelowPrecision(t.minimum.error, result.decimals) ? CsvField(kBelowPrecisionNotice)
                                                              : "")
          << ',' << timeScale << "\n";
    } else {
      out << ",,no," << CsvField(r.message()) << ',' << timeScale << "\n";
    }
  }
  if (comb.computed) {
    out << CsvField(file) << ",combination," << comb.weightedMeanText << ',' << comb.uncertaintyText
        << ',' << comb.n << ",," << timeScale << "\n";
  } else {
    out << CsvField(file) << ",combination,,,0,no method delivered a usable result," << timeScale
        << "\n";
  }
  return out.str();
}

}  // namespace vantor::cli
