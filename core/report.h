// The results report: what the main window's Save writes to a file and "Copy
// results" puts on the clipboard. It names the light-curve file, the points
// read, used and deleted, the sign convention, each method's row of the main
// window (time of minimum, estimated error, whether it is used in the mean)
// with the ranges and tuning values the method used, and the combination.
//
// One table, three renderings: aligned plain text, comma-separated values
// (RFC 4180 quoting) and tab-separated values (for pasting into a
// spreadsheet). The report holds no window: the caller hands over the texts
// of the result table as the main window shows them, and the description of
// each method's settings taken when the method delivered its result.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/store.h"

namespace vantor {

// The two tuning boxes of the Kwee and van Woerden window, as typed.
struct KvwTuning {
  std::string step;  // "Stepp"
  std::string frac;  // "Frac"
};

// Describes the ranges and tuning values that method `row` (1 parabola,
// 2 tracing paper, 3 bisectors of chords, 4 Kwee and van Woerden, 5 Fourier,
// 6 sliding integrations) uses with the store as it is now. A range gives its
// ends as working point numbers (counted among the points used, as the method
// windows number them), the number of points used and the full HJD of both
// ends: "used points 22-38 of 60 (HJD 2459812.40950 to 2459812.44950)". Then
// come the tracing paper's fold and averaging, the Stepp and Frac of Kwee and
// van Woerden, the interval the Fourier fit leaves out, and the stretch that
// sliding integrations chooses. Call it when the method delivers its result,
// so that later clicks and deletions do not change what the report says. A
// range end outside the working points is given by its number alone; an
// unknown row or a stretch that cannot be chosen gives "".
std::string DescribeMethodSetup(const Store& s, int row, const KvwTuning& kvw = {});

// One row of the main window's result table.
struct ReportRow {
  std::string timeText;   // Text k
  std::string errorText;  // Text k+6
  bool used = false;      // Check k
  std::string setup;      // DescribeMethodSetup at delivery; "" when none
};

// Everything the report shows besides the store's own fields.
struct ReportInput {
  std::string program;              // name and version, e.g. "Vantor 0.1.0"
  std::string lightCurvePath;       // the file the loaded light curve was read from
  std::array<ReportRow, 7> rows{};  // rows 1..6; cell 0 unused
  // Text13..Text16 as shown.
  std::string simpleMean, weightedMean, uncertainty, stdDev;
};

enum class ReportFormat { Text, Csv, Tabs };

// Returns the format of a report file named `fileName`: Csv when the name
// ends in ".csv" in any case, otherwise Text.
ReportFormat ReportFormatFor(std::string_view fileName);

// Builds the report in `format`. Lines end with "\n"; the text form aligns
// its columns with blanks, the CSV form quotes a field holding a comma, a
// quote, a line end or blanks at its ends, and the tab form turns tabs and
// line ends inside a field into blanks.
std::string BuildReport(const Store& s, const ReportInput& in, ReportFormat format);

}  // namespace vantor
