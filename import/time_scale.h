// Time scales of observation times and the conversions between them.
//
// A light curve's times are Julian Dates in one of three scales:
//   JD_UTC   the Julian Date of the observation at the observer, in UTC;
//   HJD_UTC  the heliocentric Julian Date: JD_UTC plus the light time from
//            the Earth to the Sun's centre along the star's direction;
//   BJD_TDB  the barycentric Julian Date in Barycentric Dynamical Time: the
//            JD in TDB plus the light time from the Earth to the solar
//            system's barycentre along the star's direction.
// A series whose scale nobody states is "unknown" and is never converted.
//
// Conversion (ConvertTime), after Eastman, Siverd and Gaudi (2010, PASP 122,
// 935), with ERFA (the IAU SOFA routines):
//   UTC -> TAI -> TT   eraUtctai (leap seconds), eraTaitt (TT = TAI + 32.184 s);
//   TT -> TDB          eraDtdb at the geocentre (TDB - TT, Fairhead and
//                      Bretagnon 1990), eraTttdb;
//   Earth's position   eraEpv00 at the TDB date: heliocentric p_h and
//                      barycentric p_b, in au;
//   light time         dt = (p . n) * 499.004782 s / 86400 with n the star's
//                      unit vector from (ra, dec), ICRS;
//   HJD_UTC = JD_UTC + dt(p_h),  BJD_TDB = JD_TDB + dt(p_b).
// The observer is taken at the Earth's centre (the topocentric term is at
// most 21 ms). The inverse directions solve these by fixed-point iteration
// until two iterates agree to 1e-9 day. Compared with astropy's Time.
// light_travel_time with its built-in ephemeris (also eraEpv00) the results
// agree within 1 ms (tests/import/time_scale_test.cpp, table made by
// scripts/make-time-table.py).
//
// Refusals: an unknown source or target scale, coordinates missing or out of
// range, a UTC date before 1960 January 1 (JD 2436934.5: no UTC, no leap
// seconds; ERFA would answer with status +1 and TAI - UTC = 0), a date ERFA
// rejects (eraUtctai status -1).
// Warning, not a refusal: ERFA's "dubious year" (status +1 of eraDat,
// eraUtctai, eraTaiutc) from five years after the library's release on
// (Debian's liberfa 2.0.0: from 2027): a leap second announced after the
// release is missing from its table, so the date may be off by a second.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "core/error.h"

namespace vantor::import {

enum class TimeScale { Unknown, JdUtc, HjdUtc, BjdTdb };

// "JD_UTC", "HJD_UTC", "BJD_TDB" or "unknown": the name every output uses.
std::string_view TimeScaleName(TimeScale scale);

// The scale named by `text` (any case, '-' or '_'): "jd-utc", "JD_UTC",
// "hjd-utc", "bjd-tdb", "unknown". None for anything else.
std::optional<TimeScale> ParseTimeScale(std::string_view text);

// The direction of a star, ICRS, in degrees.
struct SkyPosition {
  double raDeg = 0.0;
  double decDeg = 0.0;
};

// The first UTC date that can be converted: 1960 January 1, 0h UTC.
inline constexpr double kUtcStartJd = 2436934.5;

// Converts the full Julian Date `jd` from scale `from` to scale `to`
// (identity when they are equal). Needs `star` unless from == to.
std::expected<double, Error> ConvertTime(double jd, TimeScale from, TimeScale to,
                                         const std::optional<SkyPosition>& star);

// A converted date and whether ERFA's leap-second table may not reach it
// (its "dubious year"): the date is delivered, and the caller says so.
struct ConvertedTime {
  double jd = 0.0;
  bool leapSecondsUncertain = false;
};

// ConvertTime, also reporting the "dubious year" status.
std::expected<ConvertedTime, Error> ConvertTimeNoting(double jd, TimeScale from, TimeScale to,
                                                      const std::optional<SkyPosition>& star);

// Parses a right ascension: degrees ("201.5") or sexagesimal hours
// ("13:26:00.5", "13 26 00.5", "13h26m00.5s"). Result in degrees, 0 <= ra < 360.
std::expected<double, Error> ParseRightAscension(std::string_view text);
// Parses a declination: degrees ("-12.25") or sexagesimal degrees
// ("-12:15:00", "-12 15 00", "-12d15m00s"). Result in degrees, |dec| <= 90.
std::expected<double, Error> ParseDeclination(std::string_view text);

}  // namespace vantor::import
