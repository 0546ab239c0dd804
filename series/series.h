// Every eclipse of a long light curve: the minima an ephemeris predicts inside
// the series, a window cut around each, a check of its coverage, the timing
// of each window by the automatic ranges and every method (TimeMethod), the
// combination of the methods as "Calc. Means" does, and the O-C of each
// minimum against the ephemeris with a refined linear ephemeris fitted to the
// delivered minima. Also an estimate of the ephemeris from the series itself.
//
// Times are in the series' own time scale (days); nothing here converts them.
// The series may be of any length, and so may a window: each is timed at its
// full length as a light curve of those points read from a file would be.
//
// The window of a minimum at predicted time Tc (cycle E, kind P or S):
//   Tc = T0 + P (E + phase), phase 0 for a primary and the secondary's phase
//   (0.5 unless given) for a secondary; the points with |t - Tc| <= h, h the
//   half-width of that kind.
//
// The eclipse's geometry, measured for each kind from the series folded on
// the ephemeris (MeasureGeometry):
//   1. coarse: the magnitudes binned in phase (kFoldBins bins, median of
//      each); the out-of-eclipse level is the kLevelQuantile quantile of the
//      bin medians (from the brightest: the level even where eclipses fill
//      much of the period); the eclipse runs from the faintest bin within a
//      tenth of the period of the kind's phase outwards while a bin's median
//      is fainter than the level by more than kEclipseEdge of the depth;
//   2. fine: the points within 2.5 times that run's longer half of the
//      kind's phase, in fold order, smoothed by a running median of a
//      fifteenth of the eclipse's points (kMinEclipsePoints to 51, odd); the
//      bottom is the smoothed fold's faintest value within the coarse run,
//      and it must lie deeper than the level by kFoldDepthToNoise times the
//      smoothed fold's scatter;
//   3. each contact (first, fourth) is extrapolated along its branch from
//      where the smoothed fold first gets brighter than a tenth and than half
//      the depth: x(0) = x(0.1) + (x(0.1) - x(0.5)) / 4, exact for a straight
//      branch (a side the fold does not cover takes the other's half); the
//      duration runs from contact to contact, and the fold's offset (the
//      middle of the half-depth crossings) is the mean O-C;
//   4. h = kHalfWidthFactor times the farther contact from the predicted
//      minimum (both branches and some baseline on each side inside), at
//      most the distance to where the other kind's eclipse begins (but not
//      less than the contact itself) and half the period. A long-period
//      system's short eclipse gets a short window, a contact-like system's
//      wide eclipse a wide one. --half-width overrides h, not the geometry.
//   The cadence is the median step of the series.
// Checks of a window, each refusing it with its reason (no time is given):
//   with the kind's geometry,
//   1. at least kMinEclipsePoints points within the eclipse (|t - Tc - offset|
//      <= duration / 2): a 3-hour eclipse at a 30-minute cadence holds 6;
//      the methods may then refuse on their own;
//   2. the eclipse covered (JudgeCoverage, methods/coverage.h): no gap,
//      and no start or end of the data, leaves kMaxHiddenDepth of a
//      branch's depth or the bottom unsampled; a gap is judged by the depth
//      it hides and its share of the eclipse's duration, not by multiples
//      of the cadence alone;
//   without it (a half-width given for a series whose fold shows no eclipse
//   of that kind), the window's own points:
//   1. at least kMinWindowPoints points;
//   2. both branches: at least kMinBranchPoints points in each outer part,
//      Tc - h <= t < Tc - h / 4 and Tc + h / 4 < t <= Tc + h;
//   3. no gap inside the eclipse: between consecutive points with
//      |t - Tc| <= 3 h / 4, no step longer than kGapFactor times the median
//      step of the window.
// The windows are then timed by the automatic ranges judged by the data
// (AutoJudgement::kData): a window's orientation by whether its eclipse
// dims, not by the index check.
//
// The refined ephemeris: weighted least squares of T(E) = T0' + P' E' over
// the delivered minima (weights 1 / error^2, E' = E + phase), with the
// formal errors from the inverse normal matrix, scaled up by
// sqrt(chi^2 / (n - 2)) when that exceeds 1.
#pragma once

#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"
#include "methods/coverage.h"
#include "series/timing_jitter.h"
#include "series/profile.h"

namespace vantor {

inline constexpr int kMinWindowPoints = 12;
inline constexpr int kMinBranchPoints = 3;
inline constexpr int kFoldBins = 200;
inline constexpr double kEclipseEdge = 0.1;
inline constexpr double kHalfWidthFactor = 1.5;
// The out-of-eclipse level of the fold: a quarter of the way from its
// brightest bin median to its faintest.
inline constexpr double kLevelQuantile = 0.25;
// Fewest points of an eclipse a window may hold: a profile fit needs five.
inline constexpr int kMinEclipsePoints = 5;
// How far the fold's bottom must lie below its level, in its smoothed scatter.
inline constexpr double kFoldDepthToNoise = 5.0;

struct Ephemeris {
  double epoch = 0.0;   // T0: time of a primary minimum, days
  double period = 0.0;  // P, days
};

struct SeriesOptions {
  Ephemeris ephemeris;
  std::optional<double> secondaryPhase;  // time the secondaries too, at this phase (0.5 usually)
  std::optional<double> halfWidth;       // window half-width h, days; default from the fold
  int bootstrap = 0;                     // resampled light curves per method; 0: none
  bool detrend = true;  // remove each window's baseline before timing (methods/baseline.h)
};

// One method's time in a window.
struct SeriesMethodTime {
  std::string method;                    // "parabola", "chords", "kvw", "fourier", "sliding"
  double time = 0.0;                     // days, in the series' time scale
  double error = 0.0;                    // the method's own error, days
  std::optional<double> bootstrapError;  // when asked for and the bootstrap delivered
};

// One predicted minimum and what became of it.
struct SeriesRow {
  long cycle = 0;          // E
  char kind = 'P';         // 'P' primary, 'S' secondary
  double predicted = 0.0;  // Tc, days
  int nPoints = 0;         // points in the window, every one timed
  // With detrending: the baseline removed from the window, or why none was
  // (the window was then timed as it is); the warning when the slope alone
  // moves the minimum by more than the row's error.
  std::string baseline, baselineWarning;
  std::string adoptedNote;  // what set the methods' error (AdoptTime), and what was left out
  // The adopted time of the methods that delivered a usable time (as
  // "Calc. Means" takes them; AdoptTime, methods/adopted.h): sliding
  // integrations weigh nothing, the fits' errors are their covariance errors
  // for the window's point-to-point scatter (AutoRanges::noiseMag) scaled by
  // sqrt(reduced chi-square) and the correlated-noise factor, every error is
  // raised to the shared noise floor (the Fourier fit's error at that
  // scatter), and the error is the largest of the weighted mean's, the
  // standard error of the methods' times and that floor. With bootstrap
  // errors asked for, a method's bootstrap error stands for its own.
  std::optional<double> time, error;
  std::vector<SeriesMethodTime> methods;  // the methods that delivered (and took part)
  std::string message;                    // why there is no time
  bool covered = false;  // the window passed the coverage checks
  // The profile method's time (profile.h), or why it has none.
  std::optional<ProfileFit> profile;
  std::string profileMessage;
  // Where `time` comes from: "methods" (the adopted time above), or
  // "profile: " and why, the profile's time and error then standing in (fewer than
  // kProfileBelowPoints points in the window, the methods disagree, or no
  // method timed the window). Empty without a time.
  std::string timeSource;
  // The row's own error, where the series' timing jitter was added to it in
  // quadrature (then `error` is sqrt(own^2 + jitter^2)).
  std::optional<double> ownError;
  // O-C against the given ephemeris, days (time - predicted); when time is set.
  std::optional<double> OMinusC() const {
    return time ? std::optional<double>(*time - predicted) : std::nullopt;
  }
};

struct RefinedEphemeris {
  double epoch = 0.0, period = 0.0;
  double epochError = 0.0, periodError = 0.0;
  // chi-square of the minima about the refined ephemeris / (n - 2); 0 for 2 minima.
  double reducedChiSquare = 0.0;
  int minima = 0;  // delivered minima it was fitted to
};

struct SeriesResult {
  Ephemeris ephemeris;   // as given (or found)
  double halfWidth = 0;  // the one used (the primaries')
  std::optional<double> secondaryHalfWidth;  // the secondaries', when they are timed
  double duration = 0;   // the primary eclipse's measured duration, days; 0 when not measured
  std::vector<SeriesRow> rows;
  std::optional<RefinedEphemeris> refined;  // with at least 2 minima at 2 different cycles
  std::string refinedMessage;               // why there is none
  // The minima's timing noise beyond their own errors (timing_jitter.h),
  // measured about a first refined ephemeris; where it is above 0 every
  // delivered error holds it and the refined ephemeris is fitted again.
  std::optional<TimingJitter> jitter;
};

// The points of the window of a minimum at `centre`: indices first..last - 1
// of the times t (in time order) with centre - h <= t <= centre + h.
struct WindowIndices {
  size_t first = 0, last = 0;
  size_t size() const { return last - first; }
};
WindowIndices WindowOf(std::span<const double> time, double centre, double h);

// An eclipse's geometry, measured from the folded series (see above).
struct EclipseGeometry {
  double level = 0, bottom = 0;  // magnitudes out of eclipse and at the smoothed bottom
  double duration = 0;           // first to fourth contact, days
  double offset = 0;             // the fold's middle from the predicted minimum, days
  double halfWidth = 0;          // h of the windows
  double cadence = 0;            // the median step of the series, days
};

// Measures the geometry of the eclipse of the kind at `phase` (0 primary)
// from the folded series; `apart` is the phase distance to the other kind's
// eclipse (0.5 for a circular orbit). Refuses when no eclipse shows there.
std::expected<EclipseGeometry, Error> MeasureGeometry(std::span<const double> time,
                                                      std::span<const double> mag,
                                                      const Ephemeris& e, double phase = 0,
                                                      double apart = 0.5);

// Returns the primaries' half-width of the windows (MeasureGeometry), or why
// it cannot be measured (no eclipse at the primary's phase).
std::expected<double, Error> MeasureHalfWidth(std::span<const double> time,
                                              std::span<const double> mag, const Ephemeris& e);

// Most rows (predicted minima, primaries and secondaries) of one TimeSeries:
// each row with its text and JSON takes up to about 2 KB, so the rows stay
// within the 64 MiB a run may take beyond three times its input, whatever the
// period (a period of a few seconds over a long series would make millions).
inline constexpr int kMaxSeriesRows = 20000;

// The number of minima the ephemeris predicts from `first` to `last`: the
// primaries, and the secondaries at secondaryPhase when given. Computed, not
// counted, so a huge number costs nothing.
double PredictedMinima(double first, double last, const Ephemeris& e,
                       std::optional<double> secondaryPhase);

// Times every minimum the ephemeris predicts inside the series (from its first
// to its last time). Refuses bad arguments: spans of different lengths or
// fewer than kMinWindowPoints points, times not finite or out of order, a
// period not finite and positive, an epoch not finite or 1e9 periods or
// more from the series, a secondary phase outside (0, 1), more than
// kMaxSeriesRows predicted minima (before anything is allocated, naming the
// limit and --from/--until), a half-width not finite and positive or above
// half the period. progress, when given, is called
// with the number of windows done and their total.
std::expected<SeriesResult, Error> TimeSeries(std::span<const double> time,
                                              std::span<const double> mag,
                                              const SeriesOptions& options,
                                              const std::function<void(int, int)>& progress = {});

// TimeSeries with the photometric error of each point (`errors`, as long as
// the series, NaN where the file gives none; empty: none), which weight the
// profile method's fits. Beside the methods' adopted time each minimum gets
// the profile method's time (profile.h), and the row's time is the
// profile's (in a window that passed the coverage checks) where the window
// holds fewer than kProfileBelowPoints points, where the methods disagree
// (the reduced chi-square of the parabola's,
// chords', Kwee and van Woerden's and the Fourier fit's times about their
// weighted mean, with their own or bootstrap errors, above
// kMethodsDisagreeChi2; sliding integrations and the tracing paper take no
// part in that test), or where no method timed the window.
std::expected<SeriesResult, Error> TimeSeries(std::span<const double> time,
                                              std::span<const double> mag,
                                              std::span<const double> errors,
                                              const SeriesOptions& options,
                                              const std::function<void(int, int)>& progress = {});
inline constexpr int kProfileBelowPoints = 20;
inline constexpr double kMethodsDisagreeChi2 = 3.0;

// Fits T = T0 + P E to (E, T, error) by weighted least squares (see above).
// Refuses fewer than 2 minima, all at one cycle, or an error not positive.
std::expected<RefinedEphemeris, Error> FitEphemeris(std::span<const double> cycles,
                                                    std::span<const double> times,
                                                    std::span<const double> errors);

// Eclipses seen by FindEphemeris: runs of at least kMinEventPoints smoothed
// points fainter than the level by more than kEventNoiseFactor times the
// scatter (the margin of FindEphemeris); a secondary is clearly shallower when its depth
// is below kSecondaryDepthRatio times every primary's.
inline constexpr int kMinEventPoints = 3;
inline constexpr double kEventNoiseFactor = 5.0;
inline constexpr double kSecondaryDepthRatio = 0.85;
// Alternate eclipses differ clearly in depth when their groups' median
// depths lie this many standard errors apart (see FindEphemeris).
inline constexpr double kAlternateDepthSigmas = 3.0;

// An ephemeris estimated from the series alone, and how sure it is.
struct FoundEphemeris {
  Ephemeris ephemeris;
  int eclipses = 0;                      // eclipses seen, primaries and secondaries
  int primaries = 0;                     // those the period was fitted to (every one when
                                         // no class is clearly shallower)
  std::optional<double> secondaryPhase;  // median phase of the clearly shallower ones
  double scatter = 0.0;  // RMS of the fitted eclipses' times about the ephemeris, days
  std::string summary;   // one sentence for the user
};

// Finds the ephemeris of the series' eclipses:
// 1. smooths the magnitudes by a 5-point running median; the level is their
//    median; the margin is the larger of kEventNoiseFactor times the scatter
//    of single points, 1.4826 median |m(i+1) - m(i)| / sqrt(2), and
//    kEventNoiseFactor times the slow variations, 1.4826 median |smoothed -
//    level|, the latter at most half the deepest dip (a series of eclipses
//    alone spreads by its eclipses); half the smallest step between
//    magnitudes when the margin is 0;
// 2. an eclipse is a run of smoothed points fainter than level + margin, split at steps longer than
// kGapFactor typical
//    steps, runs closer together than the median run's duration joined (a gap
//    or a noisy point inside one eclipse), at least kMinEventPoints faint
//    points; its time is the middle of its part fainter than half its depth;
// 3. an eclipse with fewer than half the median number of faint points is
//    left out (caught by a few points at the end of a night: neither its
//    depth nor its middle is known), as long as three remain;
// 4. the depths are split in two classes (least squares about each class's
//    mean); when the deeper class is clearly deeper (kSecondaryDepthRatio, and
//    by more than the threshold of step 2), its eclipses are the primaries and
//    the period is their spacing. Otherwise, numbered by the spacing of all
//    of them, when even and odd eclipses differ clearly in depth (medians
//    kAlternateDepthSigmas standard errors apart, from the robust spread
//    about each group's median; at least 2 in each group), the deeper group
//    are the primaries; otherwise every eclipse counts alike and the summary
//    says the period may be twice the one found;
// 5. the period of the like eclipses: the median of each spacing over its
//    number of cycles (counted in the shortest spacing), then twice a least
//    squares fit of their times against whole cycle numbers (FitEphemeris).
// Refuses when no eclipse is seen (pure noise: nothing clearly fainter) and
// when fewer than 3 are seen, saying which.
std::expected<FoundEphemeris, Error> FindEphemeris(std::span<const double> time,
                                                   std::span<const double> mag);

}  // namespace vantor
