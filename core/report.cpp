// The results report: the settings of each method, the table, and its text,
// CSV and tab-separated renderings.
#include "core/report.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "core/csv.h"
#include "core/format.h"
#include "core/method_rows.h"
#include "core/text.h"
#include "core/textfile.h"

namespace vantor {
namespace {

// Width of the first column of the text form (the longest title and a blank).
constexpr size_t kKeyWidth = 27;

using Record = std::vector<std::string>;

std::string Trimmed(std::string_view text) { return std::string(TrimBlanks(text)); }

// The deleted observations by their number in the file (1-based), or "none".
std::string DeletedList(const Store& s) {
  std::string list;
  for (int i = 1; i <= s.NPointsAll; ++i) {
    if (s.Deleted[i] == 0) continue;
    if (!list.empty()) list += ", ";
    list += IntText(i);
  }
  return list.empty() ? "none" : list;
}

// What the settings of a result computed on another set of points than the
// one used now add: how many points it had.
std::string PointsNote(const Store& s, int pointsAtDelivery, const std::string& settings) {
  std::string note = settings.empty() ? "" : "; ";
  if (pointsAtDelivery != s.NPoints) {
    return note + "computed on " + IntText(pointsAtDelivery) + " points, not the " +
           IntText(s.NPoints) + " used now";
  }
  return note + "computed on another set of " + IntText(pointsAtDelivery) + " points";
}

// The report as records: key-value pairs, a blank record, the method table
// under its header record, a blank record and the combination.
std::vector<Record> Records(const Store& s, const ReportInput& in) {
  std::vector<Record> r;
  r.push_back({"Program", in.program});
  r.push_back({"Light-curve file", in.lightCurvePath});
  if (in.fileObservations > 0) {
    r.push_back({"Observations in file", IntText(static_cast<long>(in.fileObservations))});
  }
  for (const auto& [key, value] : {std::pair{"Interval", &in.interval}, std::pair{"Star", &in.star},
                                   std::pair{"Filter", &in.filter},
                                   std::pair{"Time conversion", &in.conversion}}) {
    if (!value->empty()) r.push_back({key, *value});
  }
  if (!in.binning.empty()) r.push_back({"Light curve", in.binning});
  if (!in.timeScale.empty()) r.push_back({"Time scale", in.timeScale});
  r.push_back({"Points read", IntText(s.NPointsAll)});
  r.push_back({"Points used", IntText(s.NPoints)});
  r.push_back({"Deleted (numbers in file)", DeletedList(s)});
  r.push_back({"Magnitudes", s.MagSign < 0 ? "--Mags (C-V)" : "+Mags (V-C)"});
  r.push_back({});
  r.push_back({"Method", "Time of Minimum", "Est'd Error", "Use in Mean?", "Ranges and settings"});
  for (int k = 1; k <= 6; ++k) {
    const ReportRow& row = in.rows[k];
    // Settings only beside a result: an emptied row used none.
    const bool hasResult = !Trimmed(row.timeText).empty();
    std::string settings = hasResult ? row.setup : std::string();
    if (hasResult && row.otherPoints) settings += PointsNote(s, row.pointsAtDelivery, settings);
    r.push_back({MethodTitle(k), Trimmed(row.timeText), Trimmed(row.errorText),
                 row.used ? "yes" : "no", settings});
  }
  r.push_back({});
  r.push_back({"Simple Mean", Trimmed(in.simpleMean)});
  r.push_back({"Weighted Mean", Trimmed(in.weightedMean)});
  r.push_back({"Weighted Mean uncertainty", Trimmed(in.uncertainty)});
  r.push_back({"Std. Deviation of Means", Trimmed(in.stdDev)});
  // The means with the rows they were computed from, which need not be the
  // rows and ticks of the table above any more.
  for (size_t i = 0; i < in.meansFrom.size(); ++i) {
    const MeanSource& m = in.meansFrom[i];
    r.push_back({i == 0 ? "Means computed from" : "", MethodTitle(m.method), Trimmed(m.timeText),
                 Trimmed(m.errorText)});
  }
  if (in.meansOutOfDate) {
    r.push_back({"Means out of date",
                 "results or ticks changed after Calc. Means; press it again for means of the "
                 "table above"});
  }
  // The bootstrap errors beside the rows' own, when they were computed.
  bool first = true;
  for (int k = 1; k <= 6; ++k) {
    if (in.bootstrapErrors[k].empty()) continue;
    if (first) r.push_back({"Bootstrap errors", IntText(in.bootstrapRuns) + " resampled curves"});
    first = false;
    r.push_back({"", MethodTitle(k), Trimmed(in.bootstrapErrors[k])});
  }
  return r;
}

// A field on one line: tabs and line ends become blanks.
std::string OneLine(std::string field) {
  std::replace_if(
      field.begin(), field.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return field;
}

// The CSV form: a field with blanks at its ends is quoted too, so that a
// spreadsheet keeps them.
std::string AsCsv(const std::vector<Record>& records) {
  CsvWriter csv(CsvQuoting::kEdgeBlanks);
  for (const Record& record : records) {
    for (const std::string& field : record) csv.Text(field);
    csv.EndLine();
  }
  return csv.Take();
}

// The tab-separated form: each field on one line.
std::string AsTabs(const std::vector<Record>& records) {
  std::string out;
  for (const Record& record : records) {
    for (size_t i = 0; i < record.size(); ++i) {
      if (i > 0) out += '\t';
      out += OneLine(record[i]);
    }
    out += '\n';
  }
  return out;
}

// The field padded with blanks to `width`, and at least one blank after it.
std::string Padded(std::string field, size_t width) {
  field = OneLine(std::move(field));
  field.append(field.size() < width ? width - field.size() : 1, ' ');
  return field;
}

// The text form: the program's record becomes a title line, the key-value
// pairs and the table get aligned columns, and trailing blanks are dropped.
std::string AsText(const std::vector<Record>& records) {
  static constexpr size_t kWidths[4] = {kKeyWidth, 17, 15, 14};
  std::string out = OneLine(records.front()[1]) + " - times of minimum\n\n";
  for (auto record = records.begin() + 1; record != records.end(); ++record) {
    std::string line;
    for (size_t i = 0; i < record->size(); ++i) {
      const bool last = i + 1 == record->size();
      line += last ? OneLine((*record)[i]) : Padded((*record)[i], kWidths[std::min<size_t>(i, 3)]);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

}  // namespace

ReportFormat ReportFormatFor(std::string_view fileName) {
  constexpr std::string_view kCsv = ".csv";
  if (fileName.size() < kCsv.size()) return ReportFormat::Text;
  const std::string_view end = fileName.substr(fileName.size() - kCsv.size());
  const bool csv = std::equal(end.begin(), end.end(), kCsv.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
  return csv ? ReportFormat::Csv : ReportFormat::Text;
}

std::string BuildReport(const Store& s, const ReportInput& in, ReportFormat format) {
  const std::vector<Record> records = Records(s, in);
  switch (format) {
    case ReportFormat::Csv:
      return AsCsv(records);
    case ReportFormat::Tabs:
      return AsTabs(records);
    case ReportFormat::Text:
      break;
  }
  return AsText(records);
}

}  // namespace vantor
