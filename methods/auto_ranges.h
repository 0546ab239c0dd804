// Automatic ranges: a fixed rule that picks, from the working set, the ranges
// a careful observer would click for the parabola, the bisected chords, Kwee
// and van Woerden and the Fourier fit; and one call that times the eclipse by
// those four methods and by sliding integrations, for the command-line tool
// and the main window alike.
//
// The rule. Every level is read on a running median of the magnitudes, never
// on single points, so that one noisy point cannot move a range; every
// constant named here is defined below with its reason.
//
//  1. Smoothing. A point's smoothed magnitude is the median of the
//     kMedianWidth points centred on it; near the ends of the series the
//     window shrinks symmetrically (the first and last points stand alone),
//     so that the ends keep the level they reach.
//  2. Landmarks. The bottom is the middle of the first run of points at the
//     faintest smoothed magnitude, Bottom. The depth is Bottom minus the
//     brightest smoothed magnitude. Each branch's top is its brightest
//     smoothed magnitude (before and after the bottom); Top, the level both
//     branches reach, is the fainter of the two; the usable depth is
//     Bottom - Top. A depth fraction f below means the magnitude
//     Top + f (Bottom - Top): 0 is Top, 1 is Bottom. The noise is
//     1.4826 median |m(i) - (m(i-1) + m(i+1)) / 2| / sqrt(1.5), the scatter
//     of single points about the line through their neighbours.
//  3. Refusals of the whole rule: fewer than kMinPoints points; times out of
//     order or not finite; a depth below kMinDepthToNoise times the noise or
//     below kMinDepthMag (no eclipse); a usable depth below kMinBranchShare of
//     the depth (one branch missing), or, if the curve turned upside down
//     would pass that test, an inverted curve; a curve that LooksInverted
//     (every method refuses those). Judged by the data (AutoJudgement::kData,
//     the timing of a light curve read whole), LooksInverted, the index
//     check on the whole night, is left out: the curve is upside down only
//     when it passes that test upside down and not as it is, or passes both
//     and its peak lies farther from the median smoothed magnitude than its
//     bottom. A night that starts or ends inside the eclipse is thus timed
//     when its branches are covered (step 10).
//  4. Centre: halfway between the times at which the smoothed curve, followed
//     outwards from the bottom, first gets brighter than depth fraction
//     kCentreDepth on each side (each interpolated linearly between the two
//     smoothed points around it). Unlike the faintest point, it is not pulled
//     about by the noise of a flat or a noisy bottom. Ranges are balanced
//     about it.
//  5. Balanced range at depth fraction f: the smoothed curve is followed
//     outwards from the bottom to where it first gets brighter than f on each
//     side; the shorter of the two distances from the centre to these
//     crossings is taken on both sides, and the range holds the points within
//     it. Both branches are thus equally long in time.
//  6. Parabola: the balanced range at kParabolaDepth, widened one point at a
//     time (on the side whose end lies nearer the centre) until it holds
//     kParabolaMinPoints points and FitParabola accepts it.
//  7. Chords: on each branch, the run of points whose smoothed magnitudes lie
//     between depth fractions kChordsUpper and kChordsLower, found walking
//     outwards from the bottom; outer points whose chord could not be closed
//     (not fainter than the far end of the series) are dropped. Each branch
//     needs kMinChordPoints points.
//  8. Kwee and van Woerden: the balanced range at kKvwDepth, with Stepp and
//     Frac as described at kKvwPassLimit.
//  9. Fourier fit: the balanced range at kFourierDepth, no excluded interval,
//     and the starting values Xo = the centre, C = Bottom,
//     W = pi / (time span of the range), A1 = Bottom minus the mean smoothed
//     magnitude of the range's two end points, A2..A5 = 0: the first cosine
//     then falls from the bottom at Xo to the level of the range's ends.
//
// 10. Coverage: the eclipse's points are those from where the smoothed curve
//     first gets brighter than depth fraction kKvwDepth on the left to where
//     it does so on the right. A step between two of them longer than
//     kGapFactor times their median step (FindGap, as the series' windows
//     check theirs) and longer than kGapEclipseShare of the time they span
//     refuses the whole rule, "Gap in the eclipse": a time read across it
//     would come from the methods' models of the missing part. A range (the
//     widened parabola's) that reaches beyond those points is checked alike.
//     Judged by the data, the whole-rule check is JudgeCoverage instead
//     (methods/coverage.h: a gap refuses only where it hides kMaxHiddenDepth
//     of a branch's depth or the bottom, and so does a start or an end inside
//     the eclipse), on the eclipse from the brightest smoothed magnitude to
//     the bottom, about the centre, lasting from contact to contact, each
//     contact extrapolated along its branch from the crossings of depth
//     fractions 0.5 and 0.1 of the whole depth (t(0) = t(0.1) +
//     (t(0.1) - t(0.5)) / 4); a branch that never rises to 0.1 takes the
//     other's half.
// 11. Another eclipse: walking outwards from the eclipse's points, the
//     smoothed curve passes its brightest point (the hump between eclipses)
//     and then gets fainter than it by more than kOtherEclipseShare of the
//     usable depth and kOtherEclipseNoise times the noise, for
//     kOtherEclipsePoints points in a row: the light curve
//     holds a second eclipse there (or part of one). Every method then times
//     the deepest: the ranges above lie within it already; a chord closes
//     where the bisected chords' own walk from the far end of the series
//     first reaches its point's magnitude, so outer chord points whose chord
//     would close beyond the hump are dropped; sliding integrations, whose
//     stretch is chosen by its own rule, is refused when its stretch reaches
//     beyond a hump. The note in AutoRanges::eclipseNote says so.
//
// Deliberately not here: drawing, windows, and the tracing paper (its fold is
// judged by eye).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/curve.h"
#include "methods/chords.h"
#include "methods/coverage.h"
#include "methods/fourier.h"
#include "methods/kwee.h"
#include "methods/parabola.h"
#include "methods/refusal.h"
#include "methods/sliding.h"
#include "methods/time_method.h"

namespace vantor {

// Points in each smoothing median: 5 halves the scatter of single points and
// still follows a bottom a dozen points wide.
inline constexpr int kMedianWidth = 5;
// Fewest working points the rule works on: the smoothing, two branches and a
// bottom need a dozen.
inline constexpr int kMinPoints = 12;
// An eclipse must be this many times deeper than the point-to-point noise: the
// smoothed curve of pure noise of 1000 points spans about 4 times the noise.
inline constexpr double kMinDepthToNoise = 10.0;
// ... and deeper than this (magnitudes), for curves without measurable noise.
inline constexpr double kMinDepthMag = 0.005;
// Both branches must rise over at least this share of the depth; otherwise
// one branch is missing and no range can be balanced about the bottom. 0.4
// still times an eclipse whose shorter branch covers about half the depth,
// as the incomplete eclipse CM Dra 7023 of tests/data/real does.
inline constexpr double kMinBranchShare = 0.4;
// Depth fraction at which the centre is located: a quarter of the depth above
// the bottom lies on the steep part of a flat-bottomed eclipse yet near the
// bottom of an asymmetric one.
inline constexpr double kCentreDepth = 0.75;
// The parabola takes the bottom 40 % of the eclipse: there every eclipse is
// close to a parabola, and a flat bottom still brings enough of the steep
// branches to fix the vertex (on 1200 seeded synthetic eclipses the bottom
// 40 % timed best; the bottom 20 % let the noise of flat bottoms through).
inline constexpr double kParabolaDepth = 0.6;
// Fewest points in the parabola's range. FitParabola also refuses ranges so
// narrow that its sums on uncentred times lose the digits shown; how narrow
// depends on the relative time and the scatter (a half-width of about t / 25
// at relative time t for a well-fitting parabola, much less for a poor one),
// so the rule widens the range until FitParabola accepts it.
inline constexpr int kParabolaMinPoints = 7;
// Chords between 20 % and 80 % of the depth: the steep middle of the branches,
// away from the rounded contacts and the bottom, where a chord is most exact.
inline constexpr double kChordsUpper = 0.2;
inline constexpr double kChordsLower = 0.8;
// Fewest points in each chords range.
inline constexpr int kMinChordPoints = 2;
// Kwee and van Woerden and the Fourier fit cover the eclipse down from 10 %
// of the depth: most of it, without the contacts, which carry little timing
// information and which a short cosine series fits badly.
inline constexpr double kKvwDepth = 0.1;
inline constexpr double kFourierDepth = 0.1;
// Fewest points in the Kwee and van Woerden and the Fourier ranges.
inline constexpr int kMinWideRangePoints = 9;
// A gap must also hide this share of the eclipse's time: times drawn at
// random (an uneven night) have steps of several times their median now and
// then, which hide nothing of the eclipse's shape.
inline constexpr double kGapEclipseShare = 0.2;
// A second eclipse must be fainter than the hump before it by a fifth of the
// usable depth (where it would reach the chords' upper level) and by three
// times the point-to-point noise (the smoothed curve's own scatter is about
// half the noise, so random wiggles stay below it).
inline constexpr double kOtherEclipseShare = 0.2;
inline constexpr double kOtherEclipseNoise = 3.0;
// ... for this many smoothed points in a row (a noisy last point is no eclipse).
inline constexpr int kOtherEclipsePoints = 3;
// Kwee and van Woerden's boxes. The method starts at its faintest resampled
// point, moves its centre c one sample a pass, and stops once the sums at
// c - Stepp, c and c + Stepp are smallest in the middle (true within about
// Stepp / 2 samples of their minimum) or after kKvwPassLimit moves. On a
// flat or noisy bottom the faintest point can lie far from the minimum, and
// on a densely sampled curve the sums of neighbouring samples differ only by
// noise. So, with `offset` the distance in samples from the starting sample
// to the centre or to the middle of the chords at half depth, whichever is
// larger (the sums are smallest near the latter on an asymmetric eclipse),
// and 2M the number of sample steps:
//   Stepp = max(1, 2 (offset - kKvwFreeMoves), 2M / kKvwStepsAcross)
//   Frac  = min(0.9, (h - Stepp) / h - 0.02), rounded down to two decimals,
// with h the distance in samples from the starting sample to the nearer end
// of the range, so that the sums stay inside the range. Stepp is lowered
// until Frac is at least kKvwMinFrac: below it the sums would cover too
// little of the branches. Up to kKvwFreeMoves samples the search walks on its
// own; 1/50 of the range keeps the three sums apart by more than the noise.
inline constexpr int kKvwPassLimit = 16;
inline constexpr int kKvwFreeMoves = 10;
inline constexpr int kKvwStepsAcross = 50;
inline constexpr double kKvwMinFrac = 0.5;

// An inclusive range of working indices (1-based) and why the rule chose it.
struct AutoRange {
  int first = 0, last = 0;
  std::string why;
};

// The two branch ranges of the bisected chords.
struct AutoChords {
  int i1 = 0, i2 = 0;  // left (descending) branch
  int i3 = 0, i4 = 0;  // right (ascending) branch
  std::string why;
};

// The Kwee and van Woerden range and the texts of its "Stepp" and "Frac" boxes.
struct AutoKvw {
  AutoRange range;
  std::string stepText = "1", fracText = ".9";
  double startOffsetDays = 0;  // from the method's starting sample to the centre
};

// The Fourier fit's range, its excluded interval (none from this rule) and
// its starting values in FitParam order (cell 0 unused).
struct AutoFourier {
  AutoRange range;
  std::optional<AutoRange> exclude;
  std::array<double, 9> start{};
};

// What the rule read from the light curve, and the ranges it chose. A method's
// range can be refused on its own (say, too few points near the bottom) while
// the others stand.
struct AutoRanges {
  double bottomMag = 0;   // faintest smoothed magnitude
  double topMag = 0;      // level both branches reach (smoothed)
  double depthMag = 0;    // faintest minus brightest smoothed magnitude
  double noiseMag = 0;    // point-to-point scatter estimate
  double centreTime = 0;  // relative days
  int bottomIdx = 0;      // working index of the faintest smoothed point
  // The deepest eclipse's own points (working indices): the whole series, or
  // up to the hump before another eclipse; eclipseNote says which eclipse the
  // methods time when there is another ("" otherwise).
  int eclipseFirst = 0, eclipseLast = 0;
  std::string eclipseNote;
  MethodResult<AutoRange> parabola;
  MethodResult<AutoChords> chords;
  MethodResult<AutoKvw> kvw;
  MethodResult<AutoFourier> fourier;
};

// Chooses the automatic ranges of the working set by the rule above. Reads
// only RelTime, Mag, NPoints and (through LooksInverted) BrightIdx and
// FaintIdx. Refuses, with the reason, when the light curve allows no range at
// all: too few points, times out of order, an inverted curve, no eclipse above
// the noise, an eclipse with one branch missing, or a gap in the eclipse.
// Who judges the orientation and the coverage: the text's index check and
// gap rule (the desktop's Range > Auto, whose ranges its windows then time
// as hand-chosen ones), or the data (the automatic timing of a light curve
// read whole: --auto, the series' windows, Python's automatic mode).
enum class AutoJudgement { kIndexCheck, kData };
MethodResult<AutoRanges> ChooseAutoRanges(const CurveView& s,
                                          AutoJudgement judgement = AutoJudgement::kIndexCheck);

// The setups of the four range methods that the automatic ranges give (the
// Fourier fit from the rule's starting values), or why the rule gave none.
MethodResult<MethodSetup> AutoParabolaSetup(const AutoRanges& r);
MethodResult<MethodSetup> AutoChordsSetup(const AutoRanges& r);
MethodResult<MethodSetup> AutoKvwSetup(const AutoRanges& r);
MethodResult<MethodSetup> AutoFourierSetup(const AutoRanges& r);

// The outcome of one automatic timing: the ranges (or why there are none) and
// each method's timing or refusal.
struct AutoTimings {
  MethodResult<AutoRanges> ranges;
  MethodResult<Timing> parabola;
  MethodResult<Timing> chords;
  MethodResult<Timing> kvw;
  MethodResult<Timing> fourier;
  MethodResult<Timing> sliding;
};

// Times the working set by the parabola, the bisected chords, Kwee and van
// Woerden, the Fourier fit (on the automatic ranges) and sliding integrations,
// each through TimeMethod.
// When ChooseAutoRanges refuses, every method is refused with its reason
// (sliding integrations too: there is no eclipse it could time soundly);
// when only one method's range is refused, that method carries the refusal.
// A parabola whose vertex lies outside its range's times is refused (it was
// extrapolated). A Kwee and van Woerden result is refused when its search
// stopped at its limit of moves (passes > kKvwPassLimit) or its time lies
// outside its outer trial times (extrapolated): in both cases it did not find
// the minimum of its sums. With another eclipse in the light curve, sliding integrations is
// refused when its stretch reaches beyond the deepest eclipse's own points.
//
// Changes nothing: each method's state comes back in its timing.
// Judged by the data, the methods run with Orientation::kJudged.
AutoTimings RunAutoTimings(const CurveView& s,
                           AutoJudgement judgement = AutoJudgement::kIndexCheck);

// One row of the main window as an automatic timing fills it.
struct AutoRow {
  int row = 0;            // main-window row: 1, 3, 4, 5 or 6
  bool ok = false;
  double time = 0;        // relative days, when ok
  double error = 0;       // the method's own error estimate, days, when ok
  std::string why;        // the range and why it was chosen ("" for sliding)
  std::string message;    // the refusal, when !ok
  std::optional<MethodSetup> setup;  // what the method ran with, when the rule gave a range
  MethodResult<Timing> timing = Refuse("");  // the method's timing, or its refusal
};

// Returns the five rows (parabola, chords, Kwee and van Woerden, Fourier,
// sliding integrations, in row order) of an automatic timing, each with its
// time and error or its refusal.
std::array<AutoRow, 5> AutoRowsOf(const AutoTimings& t);

}  // namespace vantor
