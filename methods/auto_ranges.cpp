// The automatic-range rule and the automatic timing by five methods.
#include "methods/auto_ranges.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "core/format.h"
#include "core/statistics.h"
#include "core/text.h"

namespace vantor {

namespace {

std::string Percent(double fraction) { return IntText(std::lround(100 * fraction)) + " %"; }

std::string Points(int first, int last) {
  return "points " + IntText(first) + " to " + IntText(last);
}

// The light curve as the rule sees it: times, smoothed magnitudes and the
// levels read from them.
struct Outline {
  int n = 0;
  std::vector<double> t, sm;  // 1-based, cell 0 unused
  int bottom = 0;
  double bottomMag = 0, topMag = 0, usable = 0;
  double centre = 0;
  double halfDepthMiddle = 0;     // halfway between the crossings of depth fraction 0.5
  int ownFirst = 0, ownLast = 0;  // the deepest eclipse's own points (up to a hump)

  // Magnitude at depth fraction f (0 at the top, 1 at the bottom).
  double Level(double f) const { return topMag + f * usable; }
};

// Follows the smoothed curve from the bottom in direction dir (-1 left, +1
// right) to its first point brighter than `level` and returns the time of
// the crossing, interpolated between that point and its neighbour towards the
// bottom; nullopt when the series ends first.
std::optional<double> CrossOutwards(const Outline& o, double level, int dir) {
  for (int i = o.bottom + dir; i >= 1 && i <= o.n; i += dir) {
    if (o.sm[i] < level) {
      const int in = i - dir;
      const double f = (o.sm[in] - level) / (o.sm[in] - o.sm[i]);
      return o.t[in] + f * (o.t[i] - o.t[in]);
    }
  }
  return std::nullopt;
}

// The points within the shorter of the two distances from the centre to
// where the smoothed curve crosses depth fraction `depth` (first > last when
// none lies within it); nullopt when a branch never gets that bright.
struct Balanced {
  int first, last;
  double half;  // days either side of the centre
};

std::optional<Balanced> BalancedAbout(const Outline& o, double depth) {
  const auto left = CrossOutwards(o, o.Level(depth), -1);
  const auto right = CrossOutwards(o, o.Level(depth), +1);
  if (!left || !right) return std::nullopt;
  Balanced b{1, o.n, std::min(o.centre - *left, *right - o.centre)};
  while (b.first <= o.n && o.t[b.first] < o.centre - b.half) ++b.first;
  while (b.last >= 1 && o.t[b.last] > o.centre + b.half) --b.last;
  return b;
}

std::string BalancedWhy(const Outline& o, const Balanced& b, double depth) {
  return Points(b.first, b.last) + ": within " + FixedText(b.half, 4) +
         " d either side of the centre " + FixedText(o.centre, 5) +
         ", where the shorter branch is still fainter than " + Percent(depth) + " of the depth";
}

// Returns the balanced range of the Kwee and van Woerden or the Fourier fit.
MethodResult<AutoRange> WideRange(const Outline& o, double depth, const char* method) {
  const auto b = BalancedAbout(o, depth);
  if (!b) {
    return Refuse(std::string("No automatic range for ") + method + ": a branch does not rise to " +
                  Percent(depth) + " of the depth within the data.");
  }
  if (b->last - b->first + 1 < kMinWideRangePoints) {
    return Refuse(std::string("No automatic range for ") + method + ": only " +
                  IntText(std::max(0, b->last - b->first + 1)) +
                  " points lie within the balanced range about the centre (at least " +
                  IntText(kMinWideRangePoints) + " are needed).");
  }
  return AutoRange{b->first, b->last, BalancedWhy(o, *b, depth)};
}

// Chooses Stepp and Frac for the Kwee and van Woerden range (see the header).
MethodResult<AutoKvw> ChooseKvwTuning(const Outline& o, const CurveView& s,
                                      const AutoRange& range) {
  const int n = range.last - range.first + 1;
  const int M = static_cast<int>(RoundEven(0.9 * n));
  const int F = 2 * M;
  const double t1 = o.t[range.first];
  const double dt = (o.t[range.last] - t1) / F;
  if (!(dt > 0)) {
    return Refuse(
        "No automatic range for Kwee and van Woerden: the points of its range lie at "
        "one time.");
  }
  // The method's start: the first faintest of its resampled points (raw
  // magnitudes rounded to a few decimals often tie, so resample as it does).
  const std::vector<double> mag = KvwResample(s, range.first, range.last, M).KvwMag;
  if (static_cast<int>(mag.size()) != F + 1) {
    return Refuse("No automatic range for Kwee and van Woerden: its range cannot be resampled.");
  }
  int c0 = 0;
  for (int g = 1; g <= F; ++g) {
    if (mag[g] > mag[c0]) c0 = g;
  }
  const int h0 = std::min(c0, F - c0);
  const double tStart = t1 + c0 * dt;
  const double away = std::max(std::fabs(tStart - o.centre), std::fabs(tStart - o.halfDepthMiddle));
  const int offset = static_cast<int>(std::lround(away / dt));
  const int wanted = std::max({1, 2 * (offset - kKvwFreeMoves), F / kKvwStepsAcross});
  const int step = std::max(1, std::min(wanted, static_cast<int>((0.98 - kKvwMinFrac) * h0)));
  const double frac = std::min(0.9, std::floor(100.0 * (h0 - step) / h0 - 2) / 100);
  if (!(frac >= kKvwMinFrac)) {
    return Refuse(
        "No automatic range for Kwee and van Woerden: its search would start at the "
        "faintest point of the range (sample " +
        IntText(c0) + " of 0 to " + IntText(F) + "), too near the end of the range for its sums.");
  }
  AutoKvw k{range, IntText(step), FixedText(frac, 2), tStart - o.centre};
  if (step > 1 || frac < 0.9) {
    k.range.why += "; Stepp " + k.stepText + " and Frac " + k.fracText +
                   " for a start at the faintest point, " + IntText(offset) +
                   (offset == 1 ? " sample" : " samples") + " from the centre";
  }
  return k;
}

MethodResult<AutoRange> ParabolaRange(const Outline& o, const CurveView& s) {
  const auto b = BalancedAbout(o, kParabolaDepth);
  if (!b) {
    return Refuse("No automatic range for the parabola: a branch does not rise to " +
                  Percent(kParabolaDepth) + " of the depth within the data.");
  }
  int first = b->first, last = b->last;
  if (first > last) first = last = o.bottom;
  // Widen on the side whose end lies nearer the centre, keeping the range
  // balanced in time.
  const auto widen = [&] {
    const bool canLeft = first > 1, canRight = last < o.n;
    if (!canLeft && !canRight) return false;
    if (canLeft && (!canRight || o.centre - o.t[first - 1] <= o.t[last + 1] - o.centre)) {
      --first;
    } else {
      ++last;
    }
    return true;
  };
  while (last - first + 1 < kParabolaMinPoints) {
    if (!widen()) {
      return Refuse("No automatic range for the parabola: the light curve holds fewer than " +
                    IntText(kParabolaMinPoints) + " points.");
    }
  }
  const int counted = last - first + 1;
  for (auto fit = FitParabola(s, first, last); !fit; fit = FitParabola(s, first, last)) {
    if (!widen()) {
      return Refuse("No automatic range for the parabola: even the whole series is refused. " +
                    fit.error().message);
    }
  }
  std::string why = BalancedWhy(o, *b, kParabolaDepth);
  if (first != b->first || last != b->last) {
    why = Points(first, last) + " about the centre " + FixedText(o.centre, 5) + ": the bottom " +
          Percent(1 - kParabolaDepth) + " of the depth (" +
          (b->first <= b->last ? Points(b->first, b->last) : std::string("no point")) +
          ") widened to " +
          (last - first + 1 > counted ? std::string("where the fit keeps its digits")
                                      : IntText(kParabolaMinPoints) + " points");
  }
  return AutoRange{first, last, why};
}

MethodResult<AutoChords> ChordRanges(const Outline& o, const CurveView& s) {
  const double upper = o.Level(kChordsUpper), lower = o.Level(kChordsLower);
  const auto& G = s.Mag;
  // Walking outwards from the bottom: skip the points fainter than `lower`,
  // then take the points down to `upper`. An empty branch gives outer one
  // step inside inner.
  const auto branch = [&](int dir, int& inner, int& outer) {
    int i = o.bottom;
    while (o.sm[i] > lower && i + dir >= 1 && i + dir <= o.n) i += dir;
    inner = i;
    if (o.sm[i] < upper || o.sm[i] > lower) {
      outer = i - dir;
      return;
    }
    while (i + dir >= 1 && i + dir <= o.n && o.sm[i + dir] >= upper) i += dir;
    outer = i;
  };
  int i1, i2, i3, i4;
  branch(-1, i2, i1);
  branch(+1, i3, i4);
  // A chord must close on the far branch of this eclipse: the method walks
  // from the far end of the series to the first point at least as faint as
  // the chord's point, and needs a brighter point beyond it. Drop outer
  // points whose walk stops at the end of the series or beyond the hump
  // before another eclipse. A fainter (inner) point's walk stops no farther,
  // so only outer points are dropped.
  const auto closesLeft = [&](int i) {
    int k = o.n;
    while (k >= 1 && G[k] < G[i]) --k;
    return k < o.ownLast;
  };
  const auto closesRight = [&](int i) {
    int k = 1;
    while (k <= o.n && G[k] < G[i]) ++k;
    return k > o.ownFirst;
  };
  const int outerLeft = i1, outerRight = i4;
  while (i1 <= i2 && !closesLeft(i1)) ++i1;
  while (i3 <= i4 && !closesRight(i4)) --i4;
  const int nLeft = std::max(0, i2 - i1 + 1), nRight = std::max(0, i4 - i3 + 1);
  const bool leftShort = nLeft < kMinChordPoints;
  const bool onOther =
      leftShort ? i1 > outerLeft && o.ownLast < o.n : i4 < outerRight && o.ownFirst > 1;
  if ((leftShort || nRight < kMinChordPoints) && onOther) {
    return Refuse(std::string("No automatic ranges for the chords: the chords of the ") +
                  (leftShort ? "left" : "right") +
                  " branch would close on another eclipse (each chord ends where the series, "
                  "searched from its " +
                  (leftShort ? "end" : "start") + ", first gets as faint as its point).");
  }
  if (nLeft < kMinChordPoints || nRight < kMinChordPoints) {
    return Refuse("No automatic ranges for the chords: the " +
                  std::string(nLeft < kMinChordPoints ? "left" : "right") + " branch holds " +
                  IntText(std::min(nLeft, nRight)) + " point(s) between " + Percent(kChordsUpper) +
                  " and " + Percent(kChordsLower) + " of the depth (at least " +
                  IntText(kMinChordPoints) + " are needed).");
  }
  return AutoChords{i1, i2, i3, i4,
                    Points(i1, i2) + " and " + Points(i3, i4) + ": the branches between " +
                        Percent(kChordsUpper) + " and " + Percent(kChordsLower) +
                        " of the depth (smoothed magnitudes " + FixedText(upper, 4) + " to " +
                        FixedText(lower, 4) + ")"};
}

// The noise of single points about the line through their neighbours.
double NoiseOf(const CurveView& s) {
  std::vector<double> d;
  for (int i = 2; i < s.NPoints; ++i) {
    d.push_back(std::fabs(s.Mag[i] - (s.Mag[i - 1] + s.Mag[i + 1]) / 2));
  }
  return 1.4826 * Median(std::move(d)) / std::sqrt(1.5);
}

// The automatic ranges' demands on the points themselves.
std::optional<Refusal> CheckAutoPoints(const CurveView& s) {
  const int n = s.NPoints;
  if (n < kMinPoints) {
    return Refusal{"The automatic ranges need at least " + IntText(kMinPoints) +
                   " points; the light curve holds " + IntText(n) + "."};
  }
  for (int i = 1; i <= n; ++i) {
    if (!std::isfinite(s.RelTime[i]) || !std::isfinite(s.Mag[i]) ||
        (i > 1 && s.RelTime[i] < s.RelTime[i - 1])) {
      return Refusal{"The automatic ranges need finite times in order; point " + IntText(i) +
                     " breaks that."};
    }
  }
  if (!(s.RelTime[n] > s.RelTime[1])) {
    return Refusal{"The automatic ranges need the points to span some time; all lie at one."};
  }
  return std::nullopt;
}

// The running median of the magnitudes and the bottom of the smoothed curve.
Outline SmoothedOutline(const CurveView& s) {
  const int n = s.NPoints;
  Outline o;
  o.n = n;
  o.t.assign(n + 1, 0.0);
  o.sm.assign(n + 1, 0.0);
  const int half = kMedianWidth / 2;
  for (int i = 1; i <= n; ++i) {
    o.t[i] = s.RelTime[i];
    const int reach = std::min({half, i - 1, n - i});
    o.sm[i] = Median(std::vector<double>(s.Mag.begin() + i - reach, s.Mag.begin() + i + reach + 1));
  }
  // The middle of the first run of points at the faintest smoothed magnitude:
  // a median flattens a pointed bottom into a short run of equal values.
  int runFirst = static_cast<int>(std::max_element(o.sm.begin() + 1, o.sm.end()) - o.sm.begin());
  int runLast = runFirst;
  while (runLast < n && o.sm[runLast + 1] == o.sm[runFirst]) ++runLast;
  o.bottom = (runFirst + runLast) / 2;
  o.bottomMag = o.sm[o.bottom];
  return o;
}

// The tops of both branches: sets topMag and usable, or refuses a curve with
// one branch too short to balance the ranges (or upside down). Judged by the
// data, a curve that both dips and peaks soundly (each passes the branch
// test upside down or not) is an eclipse when its dip reaches farther from
// the median smoothed magnitude (the out-of-eclipse level of a night that is
// mostly out of eclipse) than its peak.
std::optional<Refusal> MeasureBranches(Outline& o, double depth, AutoJudgement judgement) {
  const double leftTop = *std::min_element(o.sm.begin() + 1, o.sm.begin() + o.bottom + 1);
  const double rightTop = *std::min_element(o.sm.begin() + o.bottom, o.sm.end());
  o.topMag = std::max(leftTop, rightTop);
  o.usable = o.bottomMag - o.topMag;
  const bool dips = o.usable >= kMinBranchShare * depth;
  if (dips && judgement == AutoJudgement::kIndexCheck) return std::nullopt;
  // An inverted curve shows a sound eclipse upside down.
  const auto bright = std::min_element(o.sm.begin() + 1, o.sm.end());
  const double peak = *bright;
  const double leftFloor = *std::max_element(o.sm.begin() + 1, bright + 1);
  const double rightFloor = *std::max_element(bright, o.sm.end());
  const bool peaks = std::min(leftFloor, rightFloor) - peak >= kMinBranchShare * depth;
  if (dips && peaks) {
    const double level = Median(std::vector<double>(o.sm.begin() + 1, o.sm.end()));
    if (o.bottomMag - level >= level - peak) return std::nullopt;
    return Refusal{kInvertedMessage};
  }
  if (dips) return std::nullopt;
  if (peaks) return Refusal{kInvertedMessage};
  const bool leftShort = leftTop > rightTop;
  return Refusal{std::string("Only one branch of the eclipse is covered: the ") +
                 (leftShort ? "left (descending" : "right (ascending") +
                 ") branch rises over only " + Percent(o.usable / depth) +
                 " of the depth before the data " + (leftShort ? "start" : "end") + " (at least " +
                 Percent(kMinBranchShare) + " is needed to balance the ranges)."};
}

// The eclipse's own points, up to a hump before another eclipse on either
// side (ownFirst, ownLast), and the note that says so.
std::string SeparateOtherEclipses(Outline& o, int first, int last, double noise) {
  const int n = o.n;
  const double rise = std::max(kOtherEclipseShare * o.usable, kOtherEclipseNoise * noise);
  // The fainter stretch must hold for kOtherEclipsePoints smoothed points in
  // a row: the running median is short at the ends of the data, so one noisy
  // last point alone must not count as an eclipse.
  const auto otherEclipse = [&](int from, int dir, int& hump) {
    hump = from;
    int fainter = 0;
    for (int i = from; i >= 1 && i <= n; i += dir) {
      if (o.sm[i] < o.sm[hump]) hump = i;
      fainter = o.sm[i] - o.sm[hump] > rise ? fainter + 1 : 0;
      if (fainter == kOtherEclipsePoints) return i - dir * (kOtherEclipsePoints - 1);
    }
    return 0;
  };
  int leftHump = 1, rightHump = n;
  const int leftOther = otherEclipse(first, -1, leftHump);
  const int rightOther = otherEclipse(last, +1, rightHump);
  o.ownFirst = leftOther != 0 ? leftHump : 1;
  o.ownLast = rightOther != 0 ? rightHump : n;
  if (leftOther == 0 && rightOther == 0) return std::string();
  const auto side = [&](int other, int hump, const char* where) {
    return std::string("another eclipse ") + where + " it (fainter again from point " +
           IntText(other) + ", past the hump at point " + IntText(hump) + ")";
  };
  return "The light curve holds more than one eclipse: every method times the deepest, "
         "points " +
         IntText(o.ownFirst) + " to " + IntText(o.ownLast) + " about " + FixedText(o.centre, 5) +
         ", with " +
         (leftOther != 0 && rightOther != 0
              ? side(leftOther, leftHump, "before") + " and " + side(rightOther, rightHump, "after")
          : leftOther != 0 ? side(leftOther, leftHump, "before")
                           : side(rightOther, rightHump, "after")) +
         ".";
}

// The Fourier fit's range and its starting values from the outline.
MethodResult<AutoFourier> FourierRange(const Outline& o) {
  const auto fourier = WideRange(o, kFourierDepth, "the Fourier fit");
  if (!fourier) return std::unexpected(fourier.error());
  AutoFourier f;
  f.range = *fourier;
  const double t1 = o.t[f.range.first], t2 = o.t[f.range.last];
  const double ends = (o.sm[f.range.first] + o.sm[f.range.last]) / 2;
  f.start = {0, o.centre, o.bottomMag, std::numbers::pi / (t2 - t1), o.bottomMag - ends, 0, 0,
             0, 0};
  return f;
}

// The parabola's range, refused where widening it took in a gap of the
// eclipse (one longer than `shortest` and kGapFactor typical steps).
MethodResult<AutoRange> UngappedParabolaRange(const Outline& o, const CurveView& s, double typical,
                                              double shortest) {
  auto range = ParabolaRange(o, s);
  if (!range) return range;
  const std::span<const double> times(o.t.data() + range->first, range->last - range->first + 1);
  if (auto gap = FindGap(times, typical, times.front(), times.back(), shortest)) {
    gap->after += s.HjdBase;
    return Refuse("No automatic range for the parabola: widened to " +
                  Points(range->first, range->last) + ", it spans a gap. " + GapText(*gap));
  }
  return range;
}

// The eclipse as the coverage judgement sees it: from the out-of-eclipse
// level (the brightest smoothed magnitude) to the bottom, centred where the
// rule centres its ranges, with each contact extrapolated along its branch
// from the crossings of depth fractions 0.5 and 0.1 (of the whole depth) to
// 0: t(0) = t(0.1) + (t(0.1) - t(0.5)) / 4, exact for a straight branch.
// A branch the data end on before it rises to a tenth of the depth takes
// the other's half; neither: the span of the data.
EclipseShape ShapeOf(const Outline& o, double brightest, double depth) {
  const auto half = [&](int dir) -> std::optional<double> {
    const auto edge = CrossOutwards(o, brightest + kKvwDepth * depth, dir);
    const auto mid = CrossOutwards(o, brightest + 0.5 * depth, dir);
    if (!edge || !mid) return std::nullopt;
    return std::fabs(*edge + (*edge - *mid) / 4 - o.centre);
  };
  const auto left = half(-1), right = half(+1);
  double duration = o.t[o.n] - o.t[1];
  if (left && right) {
    duration = *left + *right;
  } else if (left || right) {
    duration = 2 * left.value_or(right.value_or(0));
  }
  return EclipseShape{brightest, o.bottomMag, o.centre, duration};
}

}  // namespace

MethodResult<AutoRanges> ChooseAutoRanges(const CurveView& s, AutoJudgement judgement) {
  if (const auto refused = CheckAutoPoints(s)) return std::unexpected(*refused);
  Outline o = SmoothedOutline(s);
  const double brightest = *std::min_element(o.sm.begin() + 1, o.sm.end());
  const double depth = o.bottomMag - brightest;
  const double noise = NoiseOf(s);
  if (!(depth >= kMinDepthToNoise * noise) || !(depth >= kMinDepthMag)) {
    return Refuse("No eclipse found: the smoothed light curve varies by " + FixedText(depth, 4) +
                  " mag, less than " + NumberText(kMinDepthToNoise) +
                  " times the scatter of single points (" + FixedText(noise, 4) + " mag) or " +
                  FixedText(kMinDepthMag, 3) + " mag.");
  }
  if (const auto refused = MeasureBranches(o, depth, judgement)) {
    return std::unexpected(*refused);
  }
  // Every method refuses a curve that the program's own test calls inverted,
  // unless the branches above have judged it.
  if (judgement == AutoJudgement::kIndexCheck && LooksInverted(s)) {
    return Refuse(kInvertedMessage);
  }
  // Every crossing below exists: each branch's top is at most Top, which is
  // brighter than any depth fraction above 0.
  o.centre = (*CrossOutwards(o, o.Level(kCentreDepth), -1) +
              *CrossOutwards(o, o.Level(kCentreDepth), +1)) /
             2;
  o.halfDepthMiddle =
      (*CrossOutwards(o, o.Level(0.5), -1) + *CrossOutwards(o, o.Level(0.5), +1)) / 2;

  // The eclipse's points: out to the first smoothed point brighter than the
  // Kwee and van Woerden level on each side.
  const double edge = o.Level(kKvwDepth);
  int first = o.bottom, last = o.bottom;
  while (first > 1 && !(o.sm[first] < edge)) --first;
  while (last < o.n && !(o.sm[last] < edge)) ++last;
  const std::span<const double> eclipseTimes(o.t.data() + first, last - first + 1);
  const double typical = MedianStep(eclipseTimes);
  const double shortest = kGapEclipseShare * (o.t[last] - o.t[first]);
  if (judgement == AutoJudgement::kData) {
    const EclipseShape shape = ShapeOf(o, brightest, depth);
    const std::span<const double> t(o.t.data() + 1, o.n), m(s.Mag.data() + 1, o.n);
    if (auto missing = JudgeCoverage(t, m, shape, typical, s.HjdBase)) return Refuse(*missing);
    // A baseline that differs from night to night can keep the smoothed
    // curve fainter than the Kwee and van Woerden level beyond the eclipse:
    // its points end at its contacts.
    while (first < o.bottom && o.t[first] < shape.centre - shape.duration / 2) ++first;
    while (last > o.bottom && o.t[last] > shape.centre + shape.duration / 2) --last;
  } else if (auto gap = FindGap(eclipseTimes, typical, o.t[first], o.t[last], shortest)) {
    gap->after += s.HjdBase;  // the time the user sees
    return Refuse(GapText(*gap) + " Point " + IntText(first + static_cast<int>(gap->index)) +
                  " is the last before it; no automatic range spans it.");
  }

  AutoRanges r;
  r.eclipseNote = SeparateOtherEclipses(o, first, last, noise);
  r.eclipseFirst = o.ownFirst;
  r.eclipseLast = o.ownLast;
  r.bottomMag = o.bottomMag;
  r.topMag = o.topMag;
  r.depthMag = depth;
  r.noiseMag = noise;
  r.centreTime = o.centre;
  r.bottomIdx = o.bottom;
  r.parabola = UngappedParabolaRange(o, s, typical, shortest);
  r.chords = ChordRanges(o, s);
  const auto kvw = WideRange(o, kKvwDepth, "Kwee and van Woerden");
  r.kvw = kvw ? ChooseKvwTuning(o, s, *kvw) : std::unexpected(kvw.error());
  r.fourier = FourierRange(o);
  return r;
}

namespace {

// A vertex beyond the range's own times is the parabola's extrapolation, not
// the bottom of the points it was fitted to.
void CheckParabola(const CurveView& s, const AutoRange& range, MethodResult<Timing>& parabola) {
  if (!parabola) return;
  const double t0 = parabola->minimum.rel_time;
  const double t1 = s.RelTime[range.first], t2 = s.RelTime[range.last];
  if (!(t0 >= t1 && t0 <= t2)) {
    parabola = Refuse("The parabola's vertex lies outside its range " + FixedText(t1, 5) + " to " +
                      FixedText(t2, 5) + ": extrapolated rather than found.");
  }
}

// Kwee and van Woerden found the minimum of its sums only when its search
// settled before its limit of moves and the vertex lies between the outer
// trial times; beyond them it is extrapolated.
void CheckKvw(const AutoKvw& chosen, MethodResult<Timing>& kvw) {
  if (!kvw) return;
  const KvwResult& k = kvw->As<KvwResult>();
  const double t1 = k.resampled.KvwT[k.centre - k.step];
  const double t3 = k.resampled.KvwT[k.centre + k.step];
  if (k.passes > kKvwPassLimit) {
    kvw = Refuse("Kwee and van Woerden reached its limit of " + IntText(kKvwPassLimit) +
                 " moves of its trial times before they settled about the smallest of its "
                 "sums: it did not find the time of symmetry. Its search starts at the "
                 "faintest point, here " +
                 FixedText(std::fabs(chosen.startOffsetDays), 4) +
                 " d from the centre of the eclipse (a flat or noisy bottom).");
  } else if (const double t0 = k.minimum.rel_time; !(t0 >= t1 && t0 <= t3)) {
    kvw = Refuse("Kwee and van Woerden's time lies outside its trial times " + FixedText(t1, 5) +
                 " to " + FixedText(t3, 5) + ": extrapolated rather than found.");
  }
}

// With another eclipse in the light curve, a stretch reaching beyond the
// deepest eclipse's points would mix the two.
MethodResult<Timing> CheckedSliding(const AutoRanges& r, MethodResult<Timing> sliding) {
  if (!sliding || r.eclipseNote.empty()) return sliding;
  const SlidingStretch& st = sliding->As<SlidingRun>().stretch;
  if (st.first < r.eclipseFirst || st.last > r.eclipseLast) {
    return Refuse("Sliding integrations' stretch, points " + IntText(st.first) + " to " +
                  IntText(st.last) + ", reaches beyond the deepest eclipse's points " +
                  IntText(r.eclipseFirst) + " to " + IntText(r.eclipseLast) +
                  " into another eclipse: its time would mix the two.");
  }
  return sliding;
}

}  // namespace

AutoTimings RunAutoTimings(const CurveView& s, AutoJudgement judgement) {
  AutoTimings t;
  t.ranges = ChooseAutoRanges(s, judgement);
  if (!t.ranges) {
    const auto refused = std::unexpected(t.ranges.error());
    t.parabola = t.chords = t.kvw = t.fourier = t.sliding = refused;
    return t;
  }
  const AutoRanges& r = *t.ranges;
  const Orientation orientation = judgement == AutoJudgement::kData ? Orientation::kJudged
                                                                    : Orientation::kIndexCheck;
  const auto timeBy = [&s, orientation](const auto& setup) -> MethodResult<Timing> {
    if (!setup) return std::unexpected(setup.error());
    return TimeMethod(s, *setup, orientation);
  };
  t.parabola = timeBy(AutoParabolaSetup(r));
  if (t.parabola) CheckParabola(s, *r.parabola, t.parabola);
  t.chords = timeBy(AutoChordsSetup(r));
  t.kvw = timeBy(AutoKvwSetup(r));
  if (t.kvw) CheckKvw(*r.kvw, t.kvw);
  t.fourier = timeBy(AutoFourierSetup(r));
  t.sliding = CheckedSliding(r, TimeMethod(s, SlidingSetup{}, orientation));
  return t;
}

MethodResult<MethodSetup> AutoParabolaSetup(const AutoRanges& r) {
  if (!r.parabola) return std::unexpected(r.parabola.error());
  return ParabolaSetup{{r.parabola->first, r.parabola->last}};
}

MethodResult<MethodSetup> AutoChordsSetup(const AutoRanges& r) {
  if (!r.chords) return std::unexpected(r.chords.error());
  return ChordsSetup{{r.chords->i1, r.chords->i2}, {r.chords->i3, r.chords->i4}};
}

MethodResult<MethodSetup> AutoKvwSetup(const AutoRanges& r) {
  if (!r.kvw) return std::unexpected(r.kvw.error());
  return KvwSetup{{r.kvw->range.first, r.kvw->range.last}, {r.kvw->stepText, r.kvw->fracText}};
}

MethodResult<MethodSetup> AutoFourierSetup(const AutoRanges& r) {
  if (!r.fourier) return std::unexpected(r.fourier.error());
  const AutoFourier& f = *r.fourier;
  std::optional<IndexRange> exclude;
  if (f.exclude) exclude = IndexRange{f.exclude->first, f.exclude->last};
  return FourierSetup{{f.range.first, f.range.last}, exclude, f.start};
}

std::array<AutoRow, 5> AutoRowsOf(const AutoTimings& t) {
  const auto row = [](int number, const MethodResult<Timing>& timing, std::string why,
                      const MethodResult<MethodSetup>& setup) {
    AutoRow r;
    r.row = number;
    r.why = std::move(why);
    r.timing = timing;
    if (setup) r.setup = *setup;
    if (timing) {
      r.ok = true;
      r.time = timing->minimum.rel_time;
      r.error = timing->minimum.error;
    } else {
      r.message = timing.error().message;
    }
    return r;
  };
  const auto whyOf = [](const auto& range) { return range ? range->why : std::string(); };
  const AutoRanges* r = t.ranges ? &*t.ranges : nullptr;
  const MethodResult<MethodSetup> none = Refuse("");
  return {
      row(1, t.parabola, r ? whyOf(r->parabola) : "", r ? AutoParabolaSetup(*r) : none),
      row(3, t.chords, r ? whyOf(r->chords) : "", r ? AutoChordsSetup(*r) : none),
      row(4, t.kvw, r && r->kvw ? r->kvw->range.why : "", r ? AutoKvwSetup(*r) : none),
      row(5, t.fourier, r && r->fourier ? r->fourier->range.why : "",
          r ? AutoFourierSetup(*r) : none),
      row(6, t.sliding, "", MethodResult<MethodSetup>(SlidingSetup{})),
  };
}

}  // namespace vantor
