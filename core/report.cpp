// The results report: the settings of each method, the table, and its text,
// CSV and tab-separated renderings.
#include "core/report.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/format.h"
#include "core/text.h"
#include "core/textfile.h"
#include "methods/sliding.h"

namespace vantor {
namespace {

constexpr const char* kRowTitles[7] = {"",
                                       "1. Parabolic Fit",
                                       "2. Tracing Paper",
                                       "3. Bisectors of Chords",
                                       "4. Kwee and van Woerden",
                                       "5. Fourier Fit",
                                       "6. Sliding Integrations"};

// Width of the first column of the text form (the longest title and a blank).
constexpr size_t kKeyWidth = 27;

using Record = std::vector<std::string>;

std::string Hjd(const Store& s, double relTime) { return FormatResult(s.HjdBase + relTime); }

// "used points 22-38 of 60 (HJD 2459812.40950 to 2459812.44950)"; the HJD
// only when both ends are working points. The count of the points used says
// which numbering the range ends belong to, should points be deleted later.
std::string RangeText(const Store& s, int first, int last) {
  std::string t =
      "used points " + IntText(first) + "-" + IntText(last) + " of " + IntText(s.NPoints);
  if (first >= 1 && first <= s.NPoints && last >= 1 && last <= s.NPoints) {
    t += " (HJD " + Hjd(s, s.RelTime[first]) + " to " + Hjd(s, s.RelTime[last]) + ")";
  }
  return t;
}

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

// The report as records: key-value pairs, a blank record, the method table
// under its header record, a blank record and the combination.
std::vector<Record> Records(const Store& s, const ReportInput& in) {
  std::vector<Record> r;
  r.push_back({"Program", in.program});
  r.push_back({"Light-curve file", in.lightCurvePath});
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
    r.push_back({kRowTitles[k], Trimmed(row.timeText), Trimmed(row.errorText),
                 row.used ? "yes" : "no", hasResult ? row.setup : std::string()});
  }
  r.push_back({});
  r.push_back({"Simple Mean", Trimmed(in.simpleMean)});
  r.push_back({"Weighted Mean", Trimmed(in.weightedMean)});
  r.push_back({"Weighted Mean uncertainty", Trimmed(in.uncertainty)});
  r.push_back({"Std. Deviation of Means", Trimmed(in.stdDev)});
  return r;
}

// A field on one line: tabs and line ends become blanks.
std::string OneLine(std::string field) {
  std::replace_if(
      field.begin(), field.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return field;
}

std::string CsvField(const std::string& field) {
  const bool quote = field.find_first_of(",\"\r\n") != std::string::npos ||
                     (!field.empty() && (field.front() == ' ' || field.back() == ' '));
  if (!quote) return field;
  std::string q = "\"";
  for (char c : field) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string Joined(const std::vector<Record>& records, ReportFormat format) {
  std::string out;
  for (const Record& record : records) {
    for (size_t i = 0; i < record.size(); ++i) {
      if (i > 0) out += format == ReportFormat::Csv ? ',' : '\t';
      out += format == ReportFormat::Csv ? CsvField(record[i]) : OneLine(record[i]);
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

std::string DescribeMethodSetup(const Store& s, int row, const KvwTuning& kvw) {
  switch (row) {
    case 1:
      return RangeText(s, s.ParLeftIdx, s.ParRightIdx);
    case 2: {
      // The averaging only changes the drawing the fold was judged on.
      const std::string averaging =
          s.SmoothLevel > 1 ? IntText(s.SmoothLevel) + "-point averaging" : "no averaging";
      return "fold at HJD " + Hjd(s, s.FoldTime) + "; " + averaging;
    }
    case 3:
      return "left branch " + RangeText(s, s.ChordIdx1, s.ChordIdx2) + "; right branch " +
             RangeText(s, s.ChordIdx3, s.ChordIdx4);
    case 4:
      return RangeText(s, s.KvwLeftIdx, s.KvwRightIdx) + "; Stepp " + Trimmed(kvw.step) +
             ", Frac " + Trimmed(kvw.frac);
    case 5: {
      std::string t = RangeText(s, s.FourierLeftIdx, s.FourierRightIdx);
      if (s.ExcludeMode) t += "; left out " + RangeText(s, s.ExclLeftIdx, s.ExclRightIdx);
      return t;
    }
    case 6: {
      const auto stretch = ChooseStretch(s);
      return stretch ? "stretch of " + RangeText(s, stretch->first, stretch->last) : std::string();
    }
    default:
      return {};
  }
}

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
  return format == ReportFormat::Text ? AsText(records) : Joined(records, format);
}

}  // namespace vantor
