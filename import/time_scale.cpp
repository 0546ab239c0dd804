// Time scales: names, coordinate parsing and the ERFA conversions.
#include "import/time_scale.h"

#include <erfa.h>
#include <erfam.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/number.h"

namespace vantor::import {
namespace {

// JDs are split as 2400000.5 + rest for ERFA, which keeps the rest small.
constexpr double kJdSplit = 2400000.5;

std::string Canonical(std::string_view text) {
  std::string s;
  for (const char c : text) {
    if (c == ' ' || c == '\t') continue;
    s += c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return s;
}

struct Tdb {
  double jd1, jd2;
};

std::string Day(double jd) { return FormatNumber(jd, 'f', 5); }

Error BeforeUtc(double jd) {
  std::string m = "The time " + Day(jd) +
                  " lies before 1960 January 1 (JD 2436934.5), where UTC and its leap seconds "
                  "begin, so it cannot be converted to another time scale.";
  if (std::fabs(jd) < 1e6) {
    m += " If the file gives its times less a constant, name the column with it (such as "
         "\"HJD-2400000\") so that the full date is read.";
  }
  return Error{m, 0};
}

// ERFA's status of a UTC date: -1 refused, +1 "dubious year" (its
// leap-second table may not reach the date), 0 fine.
std::expected<Tdb, Error> UtcToTdb(double jdUtc, bool& dubious) {
  if (!(jdUtc >= kUtcStartJd)) return std::unexpected(BeforeUtc(jdUtc));
  double tai1 = 0, tai2 = 0, tt1 = 0, tt2 = 0, tdb1 = 0, tdb2 = 0;
  const int status = eraUtctai(kJdSplit, jdUtc - kJdSplit, &tai1, &tai2);
  if (status < 0) {
    return Refuse("The time " + FormatNumber(jdUtc, 'f', 6) +
                  " lies outside the dates whose UTC can be converted.");
  }
  if (status == 1) dubious = true;
  eraTaitt(tai1, tai2, &tt1, &tt2);
  const double dtr = eraDtdb(tt1, tt2, 0.0, 0.0, 0.0, 0.0);
  eraTttdb(tt1, tt2, dtr, &tdb1, &tdb2);
  return Tdb{tdb1, tdb2};
}

std::expected<double, Error> TdbToUtc(double jdTdb, bool& dubious) {
  double tt1 = 0, tt2 = 0, tai1 = 0, tai2 = 0, utc1 = 0, utc2 = 0;
  // TDB - TT depends on TT; evaluated at the TDB date the difference is below a nanosecond.
  const double dtr = eraDtdb(kJdSplit, jdTdb - kJdSplit, 0.0, 0.0, 0.0, 0.0);
  eraTdbtt(kJdSplit, jdTdb - kJdSplit, dtr, &tt1, &tt2);
  eraTttai(tt1, tt2, &tai1, &tai2);
  const int status = eraTaiutc(tai1, tai2, &utc1, &utc2);
  if (status < 0) {
    return Refuse("The time " + FormatNumber(jdTdb, 'f', 6) +
                  " lies outside the dates whose UTC can be converted.");
  }
  if (!(utc1 + utc2 >= kUtcStartJd)) return std::unexpected(BeforeUtc(jdTdb));
  if (status == 1) dubious = true;
  return utc1 + utc2;
}

// Light time in days from the Earth to the Sun (heliocentric) or to the
// barycentre along the star's direction, at the TDB date.
double LightTimeDays(const Tdb& tdb, const SkyPosition& star, bool heliocentric) {
  double pvh[2][3], pvb[2][3], n[3];
  eraEpv00(tdb.jd1, tdb.jd2, pvh, pvb);
  eraS2c(star.raDeg * ERFA_DD2R, star.decDeg * ERFA_DD2R, n);
  double* p = heliocentric ? pvh[0] : pvb[0];
  return eraPdp(p, n) * ERFA_AULT / ERFA_DAYSEC;
}

std::expected<double, Error> FromUtc(double jdUtc, TimeScale to, const SkyPosition& star,
                                     bool& dubious) {
  if (to == TimeScale::JdUtc) {
    if (!(jdUtc >= kUtcStartJd)) return std::unexpected(BeforeUtc(jdUtc));
    return jdUtc;
  }
  const auto tdb = UtcToTdb(jdUtc, dubious);
  if (!tdb) return std::unexpected(tdb.error());
  if (to == TimeScale::HjdUtc) return jdUtc + LightTimeDays(*tdb, star, true);
  return tdb->jd1 + tdb->jd2 + LightTimeDays(*tdb, star, false);
}

// Solves FromUtc(u, scale) = t for u: the light time changes by under a
// millisecond per minute, so a few iterations settle far below 1e-9 day.
std::expected<double, Error> ToUtc(double t, TimeScale from, const SkyPosition& star, bool& dubious) {
  if (from == TimeScale::JdUtc) {
    if (!(t >= kUtcStartJd)) return std::unexpected(BeforeUtc(t));
    return t;
  }
  double u = t;
  if (from == TimeScale::BjdTdb) {
    const auto guess = TdbToUtc(t, dubious);
    if (!guess) return guess;
    u = *guess;
  }
  for (int it = 0; it < 20; ++it) {
    const auto f = FromUtc(u, from, star, dubious);
    if (!f) return f;
    const double next = u + (t - *f);
    if (std::fabs(next - u) < 1e-9) return next;
    u = next;
  }
  return u;
}

// Reads "a b c", "a:b:c" or "a[hd]b[m]c[s]" into three numbers, or one number.
bool SplitSexagesimal(std::string_view text, std::vector<double>& parts, bool& negative) {
  std::string s(text);
  for (char& c : s) {
    if (c == ':' || c == 'h' || c == 'H' || c == 'd' || c == 'D' || c == 'm' || c == 'M' ||
        c == 's' || c == 'S' || c == '\t' || c == '\'' || c == '"') {
      c = ' ';
    }
  }
  parts.clear();
  negative = false;
  size_t i = 0;
  bool first = true;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) break;
    size_t j = i;
    while (j < s.size() && s[j] != ' ') ++j;
    std::string_view f(s.data() + i, j - i);
    if (first && !f.empty() && (f.front() == '-' || f.front() == '+')) {
      negative = f.front() == '-';
      f.remove_prefix(1);
    }
    // The sign comes first and once: "-+12" and "12 -30" are no angles.
    if (!f.empty() && (f.front() == '-' || f.front() == '+')) return false;
    const auto v = ParseNumber(f);
    if (!v || *v < 0) return false;
    parts.push_back(*v);
    first = false;
    i = j;
  }
  return !parts.empty() && parts.size() <= 3;
}

std::expected<double, Error> ParseAngle(std::string_view text, bool hours, const char* what,
                                        double limit) {
  std::vector<double> parts;
  bool negative = false;
  const std::string shown(text);
  if (!SplitSexagesimal(text, parts, negative)) {
    return Refuse(std::string(what) + " \"" + shown + "\" is not an angle: give degrees (" +
                  (hours ? "201.5" : "-12.25") + ") or " + (hours ? "hours" : "degrees") +
                  ", minutes and seconds (" + (hours ? "13:26:00.5" : "-12:15:00") + ").");
  }
  double v = parts[0];
  if (parts.size() > 1) {
    for (size_t k = 1; k < parts.size(); ++k) {
      if (parts[k] >= 60) {
        return Refuse(std::string(what) + " \"" + shown + "\": minutes and seconds must be below 60.");
      }
    }
    v = parts[0] + parts[1] / 60 + (parts.size() > 2 ? parts[2] / 3600 : 0);
    if (hours) v *= 15;
  }
  if (negative) v = -v;
  if (hours ? (v < 0 || v >= 360) : std::fabs(v) > limit) {
    return Refuse(std::string(what) + " \"" + shown + "\" lies outside " +
                  (hours ? "0 to 360 degrees (0 to 24 hours)." : "-90 to +90 degrees."));
  }
  return v;
}

}  // namespace

std::string_view TimeScaleName(TimeScale scale) {
  switch (scale) {
    case TimeScale::JdUtc: return "JD_UTC";
    case TimeScale::HjdUtc: return "HJD_UTC";
    case TimeScale::BjdTdb: return "BJD_TDB";
    case TimeScale::Unknown: break;
  }
  return "unknown";
}

std::optional<TimeScale> ParseTimeScale(std::string_view text) {
  const std::string c = Canonical(text);
  if (c == "JD_UTC") return TimeScale::JdUtc;
  if (c == "HJD_UTC") return TimeScale::HjdUtc;
  if (c == "BJD_TDB") return TimeScale::BjdTdb;
  if (c == "UNKNOWN") return TimeScale::Unknown;
  return std::nullopt;
}

std::expected<double, Error> ConvertTime(double jd, TimeScale from, TimeScale to,
                                         const std::optional<SkyPosition>& star) {
  const auto c = ConvertTimeNoting(jd, from, to, star);
  if (!c) return std::unexpected(c.error());
  return c->jd;
}

std::expected<ConvertedTime, Error> ConvertTimeNoting(double jd, TimeScale from, TimeScale to,
                                                      const std::optional<SkyPosition>& star) {
  if (from == to) return ConvertedTime{jd, false};
  if (from == TimeScale::Unknown) {
    return Refuse("The times are in an unknown time scale, so they cannot be converted to " +
                  std::string(TimeScaleName(to)) +
                  ". Say which scale the file uses (--time-scale jd-utc, hjd-utc or bjd-tdb).");
  }
  if (to == TimeScale::Unknown) return Refuse("Times cannot be converted to an unknown time scale.");
  if (!star) {
    return Refuse("Converting " + std::string(TimeScaleName(from)) + " to " +
                  std::string(TimeScaleName(to)) +
                  " needs the star's coordinates: give --ra and --dec (degrees or sexagesimal).");
  }
  if (!std::isfinite(jd)) return Refuse("A time to convert is not a finite number.");
  bool dubious = false;
  const auto utc = ToUtc(jd, from, *star, dubious);
  if (!utc) return std::unexpected(utc.error());
  const auto out = FromUtc(*utc, to, *star, dubious);
  if (!out) return std::unexpected(out.error());
  return ConvertedTime{*out, dubious};
}

std::expected<double, Error> ParseRightAscension(std::string_view text) {
  return ParseAngle(text, true, "Right ascension", 360);
}

std::expected<double, Error> ParseDeclination(std::string_view text) {
  return ParseAngle(text, false, "Declination", 90);
}

}  // namespace vantor::import
