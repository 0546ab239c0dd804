// The results report: what the main window's Save writes to a file and "Copy
// results" puts on the clipboard. It names the light-curve file (and, for an
// import, the observations the file held, the interval, star, filter and the
// conversion of its times), the time scale, the points
// read, used and deleted, the sign convention, each method's row of the main
// window (time of minimum, estimated error, whether it is used in the mean)
// with the ranges and tuning values the method used, and the combination,
// with the rows' bootstrap errors when they were computed.
//
// One table, three renderings: aligned plain text, comma-separated values
// (RFC 4180 quoting) and tab-separated values (for pasting into a
// spreadsheet). The report holds no window and runs no method: the caller
// hands over the texts of the result table as the main window shows them, and
// the description of each method's settings taken when the method delivered
// its result (DescribeSetup of methods/time_method.h).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/store.h"

namespace vantor {

// One row of the main window's result table.
struct ReportRow {
  std::string timeText;   // Text k
  std::string errorText;  // Text k+6
  bool used = false;      // Check k
  std::string setup;      // the description of the method's setup at delivery; "" when none
  // The number of points the result was computed on, and whether that set of
  // points differs from the one used now (points deleted or restored since).
  int pointsAtDelivery = 0;
  bool otherPoints = false;
};

// A row as "Calc. Means" read it: the method's number (1..6) and its texts.
struct MeanSource {
  int method = 0;
  std::string timeText, errorText;
};

// Everything the report shows besides the store's own fields.
struct ReportInput {
  std::string program;              // name and version, e.g. "Vantor 0.1.0"
  std::string lightCurvePath;       // the file the loaded light curve was read from
  // How the import binned the file's observations ("binned from 2500 points
  // to 1000 (bins of 7.20 min)"); empty: no line in the report.
  std::string binning;
  std::string timeScale;            // "HJD_UTC", "BJD_TDB", ...; empty: no line in the report
  // What File > "Import..." read, each without a line in the report when
  // empty (0): the observations the file held, the time interval loaded
  // ("from 2454741.50000 until 2454742.00000"), the star and the filter, and
  // the conversion of the times ("JD_UTC to BJD_TDB at RA 97.000000 deg, Dec
  // +12.000000 deg").
  size_t fileObservations = 0;
  std::string interval, star, filter, conversion;
  std::array<ReportRow, 7> rows{};  // rows 1..6; cell 0 unused
  // Text13..Text16 as shown.
  std::string simpleMean, weightedMean, uncertainty, stdDev;
  // The ticked rows the shown means were computed from, and whether the
  // table's results or ticks have changed since.
  std::vector<MeanSource> meansFrom;
  bool meansOutOfDate = false;
  // The bootstrap error of each row (1..6; cell 0 unused) as Tools >
  // "Bootstrap errors..." computed it for the row's result, "" where none was
  // computed, and the number of resampled curves; no lines when none is set.
  std::array<std::string, 7> bootstrapErrors{};
  int bootstrapRuns = 0;
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
