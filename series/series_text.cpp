// The table of minima as text: aligned for reading, CSV, and the plain
// "cycle, time, error" lines of O-C tools.
#include "series/series_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/csv.h"
#include "core/format.h"
#include "core/number.h"

namespace vantor {

std::string JitterText(const SeriesResult& r) {
  if (!r.jitter || !(r.jitter->jitter > 0)) return "";
  const TimingJitter& j = *r.jitter;
  return "Timing jitter " + FixedText(j.jitter * 86400, 1) +
         " s added in quadrature to every error: the O-C of neighbouring minima scatter " +
         FixedText(j.ratio, 2) + " times their own errors (" + std::to_string(j.pairs) + " pairs" +
         (j.clipped > 0 ? ", " + std::to_string(j.clipped) + " left out as outliers" : "") + ").";
}

std::string SeriesTable(const SeriesResult& r, const std::string& file, const std::string& scale) {
  std::ostringstream o;
  o << "Vantor - every eclipse of " << file << " (time scale: " << scale << ")\n";
  o << "Ephemeris: epoch " << FixedText(r.ephemeris.epoch, 5) << ", period "
    << FixedText(r.ephemeris.period, 7) << " d; windows of +-" << FixedText(r.halfWidth, 4)
    << " d\n\n";
  char line[512];
  std::snprintf(line, sizeof line, "%8s %4s %16s %9s %10s %9s %6s %16s %9s  %s\n", "cycle", "kind",
                "time", "error", "O-C (d)", "O-C (min)", "points", "profile", "p. error",
                "methods / why not");
  o << line;
  for (const SeriesRow& row : r.rows) {
    std::string methods;
    for (const SeriesMethodTime& m : row.methods)
      methods += (methods.empty() ? "" : ",") + m.method;
    // The row's time from the profile says so first.
    if (row.timeSource.starts_with("profile")) {
      methods = "time from " + row.timeSource + (methods.empty() ? "" : "; ") + methods;
    }
    if (row.profile && !row.profile->note.empty()) methods += "; profile " + row.profile->note;
    const std::string profile = row.profile ? FixedText(row.profile->time, 5) : "-";
    const std::string profileError = row.profile ? FixedText(row.profile->error, 5) : "-";
    if (row.time) {
      std::snprintf(line, sizeof line, "%8ld %4c %16s %9s %10s %9s %6d %16s %9s  %s%s%s\n",
                    row.cycle, row.kind, FixedText(*row.time, 5).c_str(),
                    FixedText(*row.error, 5).c_str(), FixedText(*row.OMinusC(), 5).c_str(),
                    FixedText(*row.OMinusC() * 1440, 2).c_str(), row.nPoints, profile.c_str(),
                    profileError.c_str(), methods.c_str(), row.message.empty() ? "" : "; ",
                    row.message.c_str());
    } else {
      std::snprintf(line, sizeof line, "%8ld %4c %16s %9s %10s %9s %6d %16s %9s  %s\n", row.cycle,
                    row.kind, "-", "-", "-", "-", row.nPoints, "-", "-", row.message.c_str());
    }
    o << line;
  }
  if (r.refined) {
    o << "\nRefined ephemeris (" << r.refined->minima << " minima): epoch "
      << FixedText(r.refined->epoch, 6) << " +- " << FixedText(r.refined->epochError, 6)
      << ", period " << FixedText(r.refined->period, 8) << " +- "
      << FixedText(r.refined->periodError, 8) << " d; reduced chi-square of the O-C "
      << FixedText(r.refined->reducedChiSquare, 2) << "\n";
  } else {
    o << "\nNo refined ephemeris: " << r.refinedMessage << "\n";
  }
  if (const std::string jitter = JitterText(r); !jitter.empty()) o << jitter << "\n";
  // Windows whose baseline's slope alone moved the minimum by more than its error.
  const auto sloped = std::count_if(r.rows.begin(), r.rows.end(), [](const SeriesRow& row) {
    return !row.baselineWarning.empty();
  });
  if (sloped > 0) {
    o << "Warning: in " << sloped << (sloped == 1 ? " window" : " windows")
      << " the baseline's slope alone moves the minimum by more than its error (removed before "
         "timing).\n";
  }
  return o.str();
}

std::string SeriesCsv(const SeriesResult& r, const std::string& scale) {
  CsvWriter csv;
  csv.Line("# time scale: " + scale);
  csv.Line("# ephemeris: epoch " + FixedText(r.ephemeris.epoch, 6) + ", period " +
           FixedText(r.ephemeris.period, 8));
  if (r.refined) {
    csv.Line("# refined: epoch " + FixedText(r.refined->epoch, 6) + " +- " +
             FixedText(r.refined->epochError, 6) + ", period " + FixedText(r.refined->period, 8) +
             " +- " + FixedText(r.refined->periodError, 8) + ", reduced chi-square " +
             FixedText(r.refined->reducedChiSquare, 2));
  }
  if (const std::string jitter = JitterText(r); !jitter.empty()) csv.Line("# " + jitter);
  csv.Line(
      "cycle,kind,predicted,time,error,o_minus_c,o_minus_c_min,n_points,methods,method_times,"
      "profile_time,profile_error,time_source,profile_note,message");
  for (const SeriesRow& row : r.rows) {
    std::string methods, times;
    for (const SeriesMethodTime& m : row.methods) {
      methods += (methods.empty() ? "" : ";") + m.method;
      times += (times.empty() ? "" : ";") + FixedText(m.time, 6);
    }
    // The message is always quoted; its own double quotes become apostrophes.
    std::string message = row.message;
    std::replace(message.begin(), message.end(), '"', '\'');
    csv.Int(row.cycle).Text(std::string(1, row.kind)).Fixed(row.predicted, 6);
    if (row.time) {
      csv.Fixed(*row.time, 6);
    } else {
      csv.Empty();
    }
    if (row.error) {
      csv.Fixed(*row.error, 6);
    } else {
      csv.Empty();
    }
    if (row.time) {
      csv.Fixed(*row.OMinusC(), 6).Fixed(*row.OMinusC() * 1440, 3);
    } else {
      csv.Empty(2);
    }
    csv.Int(row.nPoints).Text(methods).Text(times);
    if (row.profile) {
      csv.Fixed(row.profile->time, 6).Fixed(row.profile->error, 6);
    } else {
      csv.Empty(2);
    }
    std::string note = row.profile ? row.profile->note : row.profileMessage;
    std::replace(note.begin(), note.end(), '"', '\'');
    csv.Text(row.timeSource, CsvQuoting::kAlways).Text(note, CsvQuoting::kAlways);
    csv.Text(message, CsvQuoting::kAlways).EndLine();
  }
  return csv.Take();
}

int CycleDecimals(double secondaryPhase) {
  for (int d = 1; d < kMaxCycleDecimals; ++d) {
    const double scale = std::pow(10.0, d);
    if (std::fabs(std::round(secondaryPhase * scale) / scale - secondaryPhase) < 1e-9) return d;
  }
  return kMaxCycleDecimals;
}

std::string SeriesOcLines(const SeriesResult& r, double secondaryPhase) {
  std::ostringstream o;
  const int decimals = CycleDecimals(secondaryPhase);
  for (const SeriesRow& row : r.rows) {
    if (!row.time) continue;
    const double cycle = row.cycle + (row.kind == 'S' ? secondaryPhase : 0.0);
    o << FormatNumber(cycle, 'f', decimals) << ", " << FixedText(*row.time, 6) << ", "
      << FixedText(*row.error, 6) << "\n";
  }
  return o.str();
}

}  // namespace vantor
