// The table of minima as text: aligned for reading, CSV, and the plain
// "cycle, time, error" lines of O-C tools.
#include "series/series_text.h"

#include <cstdio>
#include <sstream>


namespace vantor {

namespace {

// Fixed-point with `decimals` decimals; a value that rounds to zero shows as
// "0.000..." (the main window's own format would show "00").
std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

}  // namespace

std::string SeriesTable(const SeriesResult& r, const std::string& file, const std::string& scale) {
  std::ostringstream o;
  o << "Vantor - every eclipse of " << file << " (time scale: " << scale << ")\n";
  o << "Ephemeris: epoch " << Fixed(r.ephemeris.epoch, 5) << ", period "
    << Fixed(r.ephemeris.period, 7) << " d; windows of +-" << Fixed(r.halfWidth, 4) << " d\n\n";
  char line[512];
  std::snprintf(line, sizeof line, "%8s %4s %16s %9s %10s %9s %6s  %s\n", "cycle", "kind", "time",
                "error", "O-C (d)", "O-C (min)", "points", "methods / why not");
  o << line;
  for (const SeriesRow& row : r.rows) {
    std::string methods;
    for (const SeriesMethodTime& m : row.methods)
      methods += (methods.empty() ? "" : ",") + m.method;
    if (row.time) {
      std::snprintf(line, sizeof line, "%8ld %4c %16s %9s %10s %9s %6d  %s%s%s\n", row.cycle,
                    row.kind, Fixed(*row.time, 5).c_str(), Fixed(*row.error, 5).c_str(),
                    Fixed(*row.OMinusC(), 5).c_str(), Fixed(*row.OMinusC() * 1440, 2).c_str(),
                    row.nPoints, methods.c_str(), row.message.empty() ? "" : "; ",
                    row.message.c_str());
    } else {
      std::snprintf(line, sizeof line, "%8ld %4c %16s %9s %10s %9s %6d  %s\n", row.cycle, row.kind,
                    "-", "-", "-", "-", row.nPoints, row.message.c_str());
    }
    o << line;
  }
  if (r.refined) {
    o << "\nRefined ephemeris (" << r.refined->minima << " minima): epoch "
      << Fixed(r.refined->epoch, 6) << " +- " << Fixed(r.refined->epochError, 6) << ", period "
      << Fixed(r.refined->period, 8) << " +- " << Fixed(r.refined->periodError, 8) << " d\n";
  } else {
    o << "\nNo refined ephemeris: " << r.refinedMessage << "\n";
  }
  return o.str();
}

std::string SeriesCsv(const SeriesResult& r, const std::string& scale) {
  std::ostringstream o;
  o << "# time scale: " << scale << "\n";
  o << "# ephemeris: epoch " << Fixed(r.ephemeris.epoch, 6) << ", period "
    << Fixed(r.ephemeris.period, 8) << "\n";
  if (r.refined) {
    o << "# refined: epoch " << Fixed(r.refined->epoch, 6) << " +- "
      << Fixed(r.refined->epochError, 6) << ", period " << Fixed(r.refined->period, 8) << " +- "
      << Fixed(r.refined->periodError, 8) << "\n";
  }
  o << "cycle,kind,predicted,time,error,o_minus_c,o_minus_c_min,n_points,methods,method_times,"
       "message\n";
  for (const SeriesRow& row : r.rows) {
    std::string methods, times;
    for (const SeriesMethodTime& m : row.methods) {
      methods += (methods.empty() ? "" : ";") + m.method;
      times += (times.empty() ? "" : ";") + Fixed(m.time, 6);
    }
    std::string message = row.message;
    for (char& c : message) {
      if (c == '"') c = '\'';
    }
    o << row.cycle << ',' << row.kind << ',' << Fixed(row.predicted, 6) << ','
      << (row.time ? Fixed(*row.time, 6) : "") << ',' << (row.error ? Fixed(*row.error, 6) : "")
      << ',' << (row.time ? Fixed(*row.OMinusC(), 6) : "") << ','
      << (row.time ? Fixed(*row.OMinusC() * 1440, 3) : "") << ',' << row.nPoints << ',' << methods
      << ',' << times << ",\"" << message << "\"\n";
  }
  return o.str();
}

std::string SeriesOcLines(const SeriesResult& r, double secondaryPhase) {
  std::ostringstream o;
  for (const SeriesRow& row : r.rows) {
    if (!row.time) continue;
    const double cycle = row.cycle + (row.kind == 'S' ? secondaryPhase : 0.0);
    char c[32];
    std::snprintf(c, sizeof c, "%.1f", cycle);
    o << c << ", " << Fixed(*row.time, 6) << ", " << Fixed(*row.error, 6) << "\n";
  }
  return o.str();
}

}  // namespace vantor
