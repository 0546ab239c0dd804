// The profile method of a series: the series' own mean eclipse profile per
// kind (primary, secondary), fitted to each eclipse by a time shift, a depth
// scale and a local linear baseline.
//
// The profile of one kind (BuildProfile): every point within h of one of the
// kind's predicted minima Tc, at x = t - Tc (the nearest minimum), less its
// window's level (the median of the window's points with |x| >= 3 h / 4, the
// median of all such points when a window has fewer than 2). The folded
// points are binned in x: kProfilePointsPerBin points per bin on average, a
// bin never narrower than half the series' cadence (finer bins than the
// sampling of one eclipse hold nothing new) and between kProfileMinBins and
// kProfileMaxBins bins; each bin's median (robust to flares and outliers).
// The medians are smoothed by a local quadratic (tricube weights times the
// bin's count, over the nearest bins: at least kProfileSmoothBins bin widths
// each side and at least 5 filled bins) onto a fine grid of kProfileGrid
// points over [-h, h], and the out-of-eclipse level (the median of the grid
// with |x| >= 3 h / 4) is subtracted: the profile is the depth below the
// level, in magnitudes; it must be deeper than kProfileDepthSigmas times
// the robust scatter of the bin medians with |x| >= 3 h / 4. Its centre is the mean of the
// midpoints of its chords at a quarter, half and three quarters of its depth (robust for a flat
// bottom); its duration the width of the run about the deepest point where
// the depth exceeds kProfileEdge of the deepest.
//
// For long-cadence data the profile built from the same data carries the
// same integration smearing as each eclipse, so the shift is unbiased.
//
// The fit to one eclipse (FitProfile), its points within h of Tc:
//   m(t) = a + b (t - c) + s P(t - c - d),   c = Tc + the profile's centre,
// the time c + d. For each d the linear parameters a, b, s are solved
// exactly (weighted least squares); d is searched on a grid over plus and
// minus half the profile's duration (at most h / 2) and refined by golden
// sections. The slope b is left out where fewer than 3 points lie outside
// the eclipse (it would trade against the profile). Weights 1 / error^2
// where every point of the window has a positive error (the file's
// photometric errors), otherwise equal.
// The error of the time: from the covariance of the four parameters (the
// Jacobian at the solution), times max(1, sqrt(reduced chi-square)) with the
// file's errors or times sqrt(reduced chi-square) without them (the scatter
// is then the only measure of the noise), times the correlated-noise factor
// beta >= 1 of the methods' adopted times (CorrelatedNoiseFactor,
// methods/adopted.h), taken over groups of n consecutive residuals
// (2 <= n <= N / 3) spanning an eighth to a half of the eclipse, the time
// scales that move a minimum). Checked by a
// residual-permutation bootstrap (kProfileBootstrap fits of the model plus
// the residuals shifted cyclically by a seeded random number of points, so
// that they keep their correlation in time):
// where the two errors differ by more than a factor kProfileErrorRatio the
// larger is delivered and the note says so.
// Refused: fewer than kProfileMinPoints points; fewer than 2 points on
// either branch (before and after the fitted time) where the profile is at
// least kProfileBranchDepth of its depth; a best shift at the edge of the
// search; a depth scale not positive or below 3 times its error.
//
// The whole series (TimeProfiles): one profile per kind on the given
// predicted minima (rebuilt over kProfileWindowDurations times its duration
// each side when that is wider than the series' windows, up to the limit
// given), every eclipse fitted. A point without an error in the file takes
// the scatter of the series' points, 1.4826 median |m(i+1) - m(i)| / sqrt(2).
// Then the kind's ephemeris refined
// from those times (FitEphemeris, with at least 3 timed minima), the profile
// rebuilt on the refined predictions and every eclipse fitted again.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"

namespace vantor {

inline constexpr int kProfilePointsPerBin = 8;
inline constexpr int kProfileMinBins = 12;
inline constexpr int kProfileMaxBins = 400;
inline constexpr double kProfileSmoothBins = 2.5;
inline constexpr int kProfileGrid = 1001;
inline constexpr double kProfileEdge = 0.05;
inline constexpr double kProfileBranchDepth = 0.1;
inline constexpr int kProfileMinPoints = 6;
inline constexpr int kProfileBootstrap = 100;
inline constexpr double kProfileErrorRatio = 2.0;
inline constexpr double kProfileWindowDurations = 1.0;
inline constexpr double kProfileDepthSigmas = 5.0;

// The mean profile of one kind of eclipse.
struct EclipseProfile {
  double halfWidth = 0.0;     // h: the grid spans [-h, h], days from the predicted minimum
  std::vector<double> depth;  // magnitudes below the out-of-eclipse level, kProfileGrid values
  double centre = 0.0;        // x of the profile's centre (chord midpoints), days
  double duration = 0.0;      // days
  double maxDepth = 0.0;      // magnitudes
  int points = 0;             // folded points it was built from
  int eclipses = 0;           // windows that gave points

  // The depth at x (days from the predicted minimum), linear between grid
  // points, the end values beyond them.
  double At(double x) const;
  // dDepth/dx at x, from the grid.
  double SlopeAt(double x) const;
};

// Builds the profile from the points within h of the minima predicted at
// `centres` (in time order). Refuses fewer than kProfileMinBins filled bins'
// worth of points, and a profile with no depth.
std::expected<EclipseProfile, Error> BuildProfile(std::span<const double> time,
                                                  std::span<const double> mag,
                                                  std::span<const double> centres, double h);

// The profile fitted to one eclipse.
struct ProfileFit {
  double time = 0.0;             // c + d, days
  double error = 0.0;            // the delivered error, days
  double covarianceError = 0.0;  // scaled by the reduced chi-square and beta, days
  std::optional<double> bootstrapError;
  double reducedChiSquare = 0.0;
  double beta = 1.0;
  double depthScale = 0.0;  // s
  int points = 0;
  std::string note;  // what set the error when not the covariance
};

// Fits `profile` to the points (t, m, errors) of the eclipse predicted at
// `predicted`; `errors` may be empty. The bootstrap is seeded by `seed`.
std::expected<ProfileFit, Error> FitProfile(const EclipseProfile& profile,
                                            std::span<const double> t, std::span<const double> m,
                                            std::span<const double> errors, double predicted,
                                            uint64_t seed);

// One predicted minimum for TimeProfiles.
struct ProfileTarget {
  double predicted = 0.0;  // Tc, days
  double cycle = 0.0;      // E, with the secondary's phase added
  char kind = 'P';
  double halfWidth = 0.0;  // the series' window half-width h for this kind, days
};

// Profile times of every target (see above), in their order; `errors` may
// be empty or hold NaN where the file gives none. maxHalfWidth is how far
// a fit's window may reach (short of the other kind's eclipses).
std::vector<std::expected<ProfileFit, Error>> TimeProfiles(std::span<const double> time,
                                                           std::span<const double> mag,
                                                           std::span<const double> errors,
                                                           std::span<const ProfileTarget> targets,
                                                           double maxHalfWidth);

}  // namespace vantor
