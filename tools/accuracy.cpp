// vantor-accuracy: measures how well each timing method finds a known time of
// minimum and how honest its error is. For each of a few synthetic eclipses and
// two noise levels it makes 200 seeded noisy light curves, runs every method on
// each with fixed ranges, and writes a Markdown report (docs/ACCURACY.md): per
// method the bias, the scatter, the mean error the method reports, how often
// the truth lies within that error, and the mean bootstrap error, followed by a
// verdict for observers computed from those numbers.
//
// Usage: vantor-accuracy OUTPUT.md [--quick]
// (--quick: 40 light curves per case, the first 10 of them bootstrapped from 20
// resampled curves each, for trying the tool out; the committed report comes
// from a full run, which takes under a minute.)
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/reader.h"
#include "core/statistics.h"
#include "core/store.h"
#include "methods/bootstrap.h"
#include "methods/time_method.h"
#include "methods/chords.h"
#include "methods/fourier.h"
#include "methods/kwee.h"
#include "methods/parabola.h"
#include "methods/sliding.h"
#include "core/tracing_paper.h"
#include "methods/tracing.h"

namespace vantor::tools {
namespace {

constexpr double kBaseHjd = 2459000.0;
constexpr double kOutsideMag = 0.350;  // magnitude outside the eclipse
constexpr uint64_t kNoiseSeedBase = 5100;
// A time farther than this from the truth (days) counts as wild: it is left
// out of the statistics and listed on its own.
constexpr double kWildDays = 0.01;

// One synthetic eclipse: out-of-eclipse magnitude kOutsideMag plus a dip
//   depth * g(u),  g(u) = (1 - u^2)^1.5 for u = |t - t0| / width < 1, else 0,
// with its own width on each side of t0; a flat-bottomed eclipse has
// g(u) = min(1, (1 - u^2)^1.5 / (1 - flat^2)^1.5). The minimum is t0 in every
// case (for the flat bottom, the middle of the flat part).
struct Eclipse {
  std::string name;
  double t0;                     // true minimum, days after kBaseHjd
  double depth;                  // magnitudes
  double widthLeft, widthRight;  // days from first contact to t0 and from t0 to last contact
  double flat;                   // half-width of the flat bottom as a fraction of the width
  int points;
  double before, after;  // days of data before and after t0
};

struct Case {
  Eclipse eclipse;
  double noise;  // Gaussian, magnitudes
  uint64_t seed;
};

const std::vector<Eclipse>& Eclipses() {
  static const std::vector<Eclipse> list = {
      {"Deep, symmetric", 0.43170, 0.80, 0.060, 0.060, 0.0, 80, 0.075, 0.075},
      {"Shallow, symmetric", 0.68420, 0.12, 0.050, 0.050, 0.0, 120, 0.070, 0.070},
      {"Deep, asymmetric", 0.22910, 0.60, 0.050, 0.060, 0.0, 100, 0.065, 0.075},
      {"Flat-bottomed (total)", 0.55730, 0.70, 0.060, 0.060, 0.35, 60, 0.075, 0.075},
      {"Deep, densely sampled", 0.36050, 0.80, 0.060, 0.060, 0.0, 200, 0.075, 0.075},
  };
  return list;
}

double Shape(const Eclipse& e, double t) {
  const double w = t < e.t0 ? e.widthLeft : e.widthRight;
  const double u = std::fabs(t - e.t0) / w;
  if (u >= 1) return 0;
  const double g = std::pow(1 - u * u, 1.5);
  if (e.flat <= 0) return g;
  return std::min(1.0, g / std::pow(1 - e.flat * e.flat, 1.5));
}

// Observation times: equally spaced, the first one 0.37 of a step after
// t0 - before, so that no observation falls on the minimum.
std::vector<double> Times(const Eclipse& e) {
  const double step = (e.before + e.after) / (e.points - 1);
  std::vector<double> t;
  for (int j = 0; j < e.points; ++j) t.push_back(e.t0 - e.before + step * (j + 0.37));
  return t;
}

// The fixed ranges of every method, as working indices, from the noiseless
// model: the parabola over the points at least half as deep as the eclipse;
// the chords from the points 20-80 % deep on each branch; Kwee and van
// Woerden over the points at least 10 % deep; the Fourier fit over the
// eclipse and 15 % of its width beyond each contact.
struct Ranges {
  int parFirst = 0, parLast = 0;
  int ch1 = 0, ch2 = 0, ch3 = 0, ch4 = 0;
  int kvwFirst = 0, kvwLast = 0;
  int fourierFirst = 0, fourierLast = 0;
};

Ranges RangesOf(const Eclipse& e) {
  const std::vector<double> t = Times(e);
  Ranges r;
  auto widen = [](int& first, int& last, int i) {
    if (first == 0) first = i;
    last = i;
  };
  for (int i = 1; i <= e.points; ++i) {
    const double ti = t[i - 1];
    const double f = Shape(e, ti);
    if (f >= 0.5) widen(r.parFirst, r.parLast, i);
    if (f >= 0.2 && f <= 0.8) {
      if (ti < e.t0) widen(r.ch1, r.ch2, i);
      if (ti > e.t0) widen(r.ch3, r.ch4, i);
    }
    if (f >= 0.1) widen(r.kvwFirst, r.kvwLast, i);
    const double w = ti < e.t0 ? e.widthLeft : e.widthRight;
    if (std::fabs(ti - e.t0) <= 1.15 * w) widen(r.fourierFirst, r.fourierLast, i);
  }
  return r;
}

// Loads one noisy light curve through the reader, as a file would be loaded
// (times to 1e-6 d, magnitudes to 1e-5 mag).
void LoadNoisy(const Eclipse& e, const std::vector<double>& t, double noise, BootstrapRng& rng,
               Store& s) {
  std::string text = "HJD,V-C\n";
  char line[64];
  for (const double ti : t) {
    const double m = kOutsideMag + e.depth * Shape(e, ti) + noise * rng.Gauss();
    std::snprintf(line, sizeof line, "%.6f,%.5f\n", kBaseHjd + ti, m);
    text += line;
  }
  const ReadResult st = ReadLightCurveText(s, text);
  if (!st) {
    std::cerr << "vantor-accuracy: synthetic curve refused: " << st.error().message << "\n";
    std::exit(2);
  }
}

enum Method { kParabola, kTracing, kChords, kKvw, kFourier, kSliding, kMethods };
constexpr const char* kMethodNames[kMethods] = {"Parabolic fit",       "Tracing paper (ideal eye)",
                                                "Bisectors of chords", "Kwee and van Woerden",
                                                "Fourier fit",         "Sliding integrations"};

struct Outcome {
  bool ok = false;
  double time = 0, reported = 0;
  std::string message;
};

Outcome FromRefusal(const Refusal& r) {
  Outcome t;
  t.message = r.message;
  return t;
}

Outcome Delivered(double time, double reported) { return Outcome{true, time, reported, {}}; }

// The tracing paper needs an observer's eye. This one is ideal: among the
// scroll positions within 0.03 d of the faintest point it picks the fold that
// minimises the mean squared difference between the reflected points of the
// eclipse (those of Kwee and van Woerden's range) and the light curve
// interpolated linearly at their reflected times.
Outcome IdealEye(Store& s, const Ranges& r) {
  auto mismatch = [&](double fold) {
    double sum = 0;
    int count = 0;
    for (int i = r.kvwFirst; i <= r.kvwLast; ++i) {
      const double tr = 2 * fold - s.RelTime[i];
      if (tr < s.RelTime[1] || tr > s.RelTime[s.NPoints]) continue;
      int k = 1;
      while (k < s.NPoints - 1 && s.RelTime[k + 1] < tr) ++k;
      const double a = s.RelTime[k], b = s.RelTime[k + 1];
      const double m = s.Mag[k] + (s.Mag[k + 1] - s.Mag[k]) * (tr - a) / (b - a);
      sum += (s.Mag[i] - m) * (s.Mag[i] - m);
      ++count;
    }
    return count >= 5 ? sum / count : HUGE_VAL;
  };
  double best = HUGE_VAL;
  for (int v = kScrollCentre - 300; v <= kScrollCentre + 300; ++v) {
    const double fold = FoldAfterScroll(s, v).foldTime;
    const double d = mismatch(fold);
    if (d < best) {
      best = d;
      s.FoldTime = fold;
    }
  }
  ComputeFoldLayout(s);
  const auto res = TracingResultAt(s, s.FoldTime);
  if (!res) return FromRefusal(res.error());
  return Delivered(res->minimum.rel_time, res->minimum.error);
}

// The setup of method m on the case's ranges (Kwee and van Woerden with its
// default boxes, the Fourier fit from `start`); the tracing paper is judged
// by IdealEye instead.
MethodSetup SetupOf(Method m, const Ranges& r, const std::array<double, 9>& start) {
  switch (m) {
    case kParabola:
      return ParabolaSetup{{r.parFirst, r.parLast}};
    case kChords:
      return ChordsSetup{{r.ch1, r.ch2}, {r.ch3, r.ch4}};
    case kKvw:
      return KvwSetup{{r.kvwFirst, r.kvwLast}, {}};
    case kFourier:
      return FourierSetup{{r.fourierFirst, r.fourierLast}, std::nullopt, start};
    default:
      return SlidingSetup{};
  }
}

Outcome RunMethod(Method m, Store& s, const Ranges& r, const std::array<double, 9>& start) {
  if (m == kTracing) return IdealEye(s, r);
  const auto t = TimeMethod(s, SetupOf(m, r, start));
  return t ? Delivered(t->minimum.rel_time, t->minimum.error) : FromRefusal(t.error());
}

BootstrapTiming TimingOf(Method m, const Ranges& r, const std::array<double, 9>& start) {
  return m == kTracing ? BootstrapTiming{} : vantor::TimingOf(SetupOf(m, r, start));
}

double Mean(const std::vector<double>& v) {
  double s = 0;
  for (const double x : v) s += x;
  return v.empty() ? NAN : s / v.size();
}

double StdDev(const std::vector<double>& v) {
  if (v.size() < 2) return NAN;
  const double m = Mean(v);
  double s = 0;
  for (const double x : v) s += (x - m) * (x - m);
  return std::sqrt(s / (v.size() - 1));
}

// What one method did on the light curves of one case.
struct Tally {
  std::vector<double> times, reported, boot;
  std::vector<bool> bootedHit;  // truth within the bootstrap error, per booted curve
  int refused = 0, bootRefused = 0, hits = 0, wild = 0;
  double worstWild = 0;  // the wild time farthest from the truth, minus the truth
  std::string firstRefusal, firstBootRefusal;
};

struct CaseResult {
  Case c;
  Ranges ranges;
  std::array<Tally, kMethods> tally;
};

struct Settings {
  int realisations = 200;
  int bootstrapCurves = 100;
  int bootstrapRealisations = 100;  // the first ones of each case
};

CaseResult RunCase(const Case& c, const Settings& set) {
  CaseResult out{c, RangesOf(c.eclipse), {}};
  const std::vector<double> t = Times(c.eclipse);
  BootstrapRng rng(c.seed);
  auto s = std::make_unique<Store>();
  const double truth = c.eclipse.t0;
  for (int real = 0; real < set.realisations; ++real) {
    LoadNoisy(c.eclipse, t, c.noise, rng, *s);
    const std::array<double, 9> start = s->FitParam;  // the reader's starting values
    for (int m = 0; m < kMethods; ++m) {
      Tally& tally = out.tally[m];
      const Outcome tm = RunMethod(static_cast<Method>(m), *s, out.ranges, start);
      if (!tm.ok) {
        ++tally.refused;
        if (tally.firstRefusal.empty()) tally.firstRefusal = tm.message;
        continue;
      }
      if (std::fabs(tm.time - truth) > kWildDays) {
        ++tally.wild;
        if (std::fabs(tm.time - truth) > std::fabs(tally.worstWild)) {
          tally.worstWild = tm.time - truth;
        }
        continue;
      }
      tally.times.push_back(tm.time);
      tally.reported.push_back(std::fabs(tm.reported));
      if (std::fabs(tm.time - truth) <= std::fabs(tm.reported)) ++tally.hits;
      if (real >= set.bootstrapRealisations || m == kTracing) continue;
      const auto b = BootstrapErrors(*s, TimingOf(static_cast<Method>(m), out.ranges, start),
                                     set.bootstrapCurves);
      if (!b) {
        ++tally.bootRefused;
        if (tally.firstBootRefusal.empty()) tally.firstBootRefusal = b.error().message;
        continue;
      }
      tally.boot.push_back(b->error);
      tally.bootedHit.push_back(std::fabs(tm.time - truth) <= b->error);
    }
  }
  return out;
}

std::string Fixed(double x, int decimals) {
  if (!std::isfinite(x)) return "-";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
  return buf;
}

std::string Signed(double x, int decimals) {
  if (!std::isfinite(x)) return "-";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%+.*f", decimals, x);
  return buf;
}

std::string Percent(int hits, int of) {
  return of == 0 ? "-" : std::to_string(static_cast<int>(std::lround(100.0 * hits / of))) + " %";
}

std::string CaseTitle(const Case& c) {
  return c.eclipse.name + ", noise " + Fixed(c.noise, 3) + " mag";
}

// Ratios of an error to the scatter, one per case where both exist.
struct RatioSpread {
  std::vector<double> ratios;
  double Min() const { return *std::min_element(ratios.begin(), ratios.end()); }
  double Max() const { return *std::max_element(ratios.begin(), ratios.end()); }
  std::string Text() const {
    if (ratios.empty()) return "n/a";
    return Fixed(Min(), 2) + " - " + Fixed(Max(), 2) + " (median " + Fixed(Median(ratios), 2) + ")";
  }
  bool Honest() const { return !ratios.empty() && Min() >= 0.67 && Max() <= 1.5; }
};

std::string Verdict(const RatioSpread& r) {
  if (r.ratios.empty()) return "could not be judged: too few times";
  const std::string range =
      Fixed(r.Min(), 2) + " to " + Fixed(r.Max(), 2) + " times the true scatter";
  const bool neverSmall = r.Min() >= 0.67, neverLarge = r.Max() <= 1.5;
  if (neverSmall && neverLarge) return "honest: " + range;
  if (r.Max() < 0.67) return "too small: " + range;
  if (r.Min() > 1.5) return "too large (safe, but it undersells the time): " + range;
  const std::string median = " (median " + Fixed(Median(r.ratios), 2) + ")";
  if (neverSmall) return "never too small, but at times too large: " + range + median;
  if (neverLarge) return "never too large, but at times too small: " + range + median;
  return "unreliable: from " + range + " (median " + Fixed(Median(r.ratios), 2) + ")";
}

// What each method's own error is, in a sentence.
constexpr const char* kErrorNature[kMethods] = {
    "Its error is rms x tv x sqrt((s2/a2)^2 + (s1/a1)^2) with tv the vertex time counted from "
    "the start of the Julian day, so it grows with the time of day, and rms holds the misfit of "
    "a parabola to the shape of the eclipse as well as the noise.",
    "Its error is always 0.0001 d, the step of the scroll bar, whatever the data.",
    "Its error is the standard deviation of the chord midpoints, not of their mean: it does not "
    "shrink as chords are added.",
    "Its error is Kwee and van Woerden's own formula from the three sums of squared "
    "differences. On a shallow, noisy eclipse its search can stop before the three sums "
    "enclose a minimum, and the parabola through them then puts the time far off; such "
    "runs give the wild time on the shallow eclipse and make its bootstrap error there larger "
    "than its scatter.",
    "Its error comes from the fit's covariance matrix for an assumed 0.01 mag per point, "
    "whatever the real noise: too large for better data, too small for worse.",
    "Its error is sqrt(S / m) from the line fitted to the differences of the two integrals, a "
    "figure in the units of those integrals (magnitude x day) rather than a time.",
};

bool Symmetric(const Eclipse& e) { return e.widthLeft == e.widthRight; }

void WriteIntroduction(std::ostream& out) {
  out << "# Accuracy of the timing methods\n\n"
      << "How close does each method come to the true time of minimum, and does the error it "
         "reports say how close? This page answers both on synthetic eclipses whose minimum is "
         "known exactly. It is written by `vantor-accuracy` (tools/accuracy.cpp); every light "
         "curve comes from a seeded generator, so running\n\n"
      << "```sh\nbuild/tools/vantor-accuracy docs/ACCURACY.md\n```\n\n"
      << "writes this page again, digit for digit.\n\n";
}

void WriteHowMeasured(std::ostream& out, const Settings& set) {
  out << "## How it was measured\n\n"
      << "Each eclipse is the magnitude " << Fixed(kOutsideMag, 3)
      << " outside eclipse plus a dip `depth * (1 - u^2)^1.5`, `u = |t - T0| / width`, with its "
         "own width on each side of T0; the flat-bottomed eclipse is cut off at full depth "
         "inside `u < 0.35`. The true minimum is T0: the deepest point, and for the flat bottom "
         "its middle. Observations are equally spaced, none of them on T0, and carry Gaussian "
         "noise. For each eclipse and noise level "
      << set.realisations
      << " light curves were made (the seed of each case is given with its table), loaded "
         "through the program's own reader as a file would be, and timed by every method with "
         "fixed ranges taken from the noiseless model:\n\n"
      << "- parabolic fit: the points at least half as deep as the eclipse;\n"
      << "- bisectors of chords: the points 20-80 % deep on each branch;\n"
      << "- Kwee and van Woerden: the points at least 10 % deep, Stepp 1, Frac .9;\n"
      << "- Fourier fit: the eclipse and 15 % of its width beyond each contact, from the "
         "reader's starting values;\n"
      << "- sliding integrations: as the program chooses its stretch;\n"
      << "- tracing paper: this method needs an observer's eye. An *ideal* eye stands in: among "
         "the scroll positions (0.0001 d apart) within 0.03 d of the faintest point it picks the "
         "fold at which the reflected points of the eclipse lie closest, in the least-squares "
         "sense, to the light curve. A real eye does no better.\n\n"
      << "The columns, all times and errors in days:\n\n"
      << "- **Wild**: times more than " << Fixed(kWildDays, 2)
      << " d from the truth. They are left out of every other column and described below the "
         "table.\n"
      << "- **Bias**: the mean time minus the true one. With " << set.realisations
      << " light curves a bias is significant only when it exceeds about three times scatter / "
         "sqrt("
      << set.realisations << ").\n"
      << "- **Scatter**: the standard deviation of the times over the light curves, the error "
         "an honest estimate should match.\n"
      << "- **Reported**: the mean of the error the method itself reports (its \"Est'd Error\" "
         "box), and how often the time lies within that error of the truth (about 68 % for an "
         "honest one-sigma error without bias).\n"
      << "- **Bootstrap**: the mean bootstrap error over the first " << set.bootstrapRealisations
      << " light curves of the case, each from " << set.bootstrapCurves
      << " resampled light curves (`BootstrapErrors` in methods/bootstrap.h: the residuals of a "
         "local quadratic smooth of the light curve drawn with replacement; seed "
      << kBootstrapSeed << "), and how often the time lies within that error of the truth.\n\n";
}

// The statistics of one method on one case, times within kWildDays only.
struct MethodStats {
  int kept = 0, delivered = 0;
  double bias = 0, scatter = 0, reported = 0, boot = 0;
  int booted = 0, bootHits = 0;
};

MethodStats StatsOf(const Tally& t, double truth) {
  MethodStats st;
  st.kept = static_cast<int>(t.times.size());
  st.delivered = st.kept + t.wild;
  st.bias = Mean(t.times) - truth;
  st.scatter = StdDev(t.times);
  st.reported = Mean(t.reported);
  st.boot = Mean(t.boot);
  st.booted = static_cast<int>(t.bootedHit.size());
  st.bootHits = static_cast<int>(std::count(t.bootedHit.begin(), t.bootedHit.end(), true));
  return st;
}

// What the summary at the end gathers over the cases, per method.
struct Summary {
  std::array<RatioSpread, kMethods> reportedRatio, bootRatio;
  std::array<int, kMethods> symHits{}, symCount{}, symBootHits{}, symBootCount{}, wild{};
  double asymMinBias = HUGE_VAL, asymMaxBias = 0, asymMinTimes = HUGE_VAL;

  void Add(int m, const Tally& t, const MethodStats& st, const Eclipse& e) {
    wild[m] += t.wild;
    if (st.kept >= 20 && st.scatter > 0) {
      reportedRatio[m].ratios.push_back(st.reported / st.scatter);
      if (t.boot.size() >= 10) bootRatio[m].ratios.push_back(st.boot / st.scatter);
    }
    if (Symmetric(e)) {
      symHits[m] += t.hits;
      symCount[m] += st.kept;
      symBootHits[m] += st.bootHits;
      symBootCount[m] += st.booted;
    } else if (st.kept >= 20) {
      asymMinBias = std::min(asymMinBias, std::fabs(st.bias));
      asymMaxBias = std::max(asymMaxBias, std::fabs(st.bias));
      asymMinTimes = std::min(asymMinTimes, std::fabs(st.bias) / st.scatter);
    }
  }
};

void WriteCaseHeading(std::ostream& out, const CaseResult& cr) {
  const Eclipse& e = cr.c.eclipse;
  out << "## " << CaseTitle(cr.c) << "\n\n";
  out << "True minimum HJD " << Fixed(kBaseHjd + e.t0, 5) << "; depth " << Fixed(e.depth, 2)
      << " mag; widths " << Fixed(e.widthLeft, 3) << " d before and " << Fixed(e.widthRight, 3)
      << " d after the minimum; " << e.points << " points from T0 - " << Fixed(e.before, 3)
      << " d to T0 + " << Fixed(e.after, 3) << " d; seed " << cr.c.seed << ". Ranges: parabola "
      << cr.ranges.parFirst << ":" << cr.ranges.parLast << ", chords " << cr.ranges.ch1 << ":"
      << cr.ranges.ch2 << "," << cr.ranges.ch3 << ":" << cr.ranges.ch4
      << ", Kwee and van Woerden " << cr.ranges.kvwFirst << ":" << cr.ranges.kvwLast
      << ", Fourier " << cr.ranges.fourierFirst << ":" << cr.ranges.fourierLast << ".\n\n";
  out << "| Method | Delivered | Wild | Bias | Scatter | Reported | Truth within reported | "
         "Bootstrap | Truth within bootstrap |\n"
      << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
}

void WriteCaseRow(std::ostream& out, int m, const Tally& t, const MethodStats& st, const Settings& set) {
  const bool none = m == kTracing;
  out << "| " << kMethodNames[m] << " | " << st.delivered << " / " << set.realisations << " | "
      << t.wild << " | " << Signed(st.bias, 6) << " | " << Fixed(st.scatter, 6) << " | "
      << Fixed(st.reported, 6) << " | " << Percent(t.hits, st.kept) << " | "
      << (none ? "n/a" : Fixed(st.boot, 6)) << " | " << (none ? "n/a" : Percent(st.bootHits, st.booted))
      << " |\n";
}

// The wild times and refusals of each method on the case, below its table.
void WriteCaseProblems(std::ostream& out, const CaseResult& cr) {
  bool listed = false;
  for (int m = 0; m < kMethods; ++m) {
    const Tally& t = cr.tally[m];
    if (t.refused == 0 && t.bootRefused == 0 && t.wild == 0) continue;
    if (!listed) out << "\n";
    listed = true;
    std::vector<std::string> parts;
    if (t.wild > 0) {
      parts.push_back(std::to_string(t.wild) + " wild time(s), the worst " +
                      Signed(t.worstWild, 5) + " d from the truth");
    }
    if (t.refused > 0) {
      parts.push_back("refused " + std::to_string(t.refused) +
                      " light curve(s), the first with \"" + t.firstRefusal + "\"");
    }
    if (t.bootRefused > 0) {
      parts.push_back("no bootstrap error on " + std::to_string(t.bootRefused) +
                      " light curve(s): \"" + t.firstBootRefusal + "\"");
    }
    out << "- " << kMethodNames[m] << ": ";
    for (size_t k = 0; k < parts.size(); ++k) out << (k ? "; " : "") << parts[k];
    out << ".\n";
  }
}

// One section per case: its table and its problems; the summary gathers the
// numbers the sections after them judge.
void WriteCases(std::ostream& out, const std::vector<CaseResult>& results, const Settings& set,
                Summary& summary) {
  for (const CaseResult& cr : results) {
    WriteCaseHeading(out, cr);
    for (int m = 0; m < kMethods; ++m) {
      const Tally& t = cr.tally[m];
      const MethodStats st = StatsOf(t, cr.c.eclipse.t0);
      WriteCaseRow(out, m, t, st, set);
      summary.Add(m, t, st, cr.c.eclipse);
    }
    WriteCaseProblems(out, cr);
    out << "\n";
  }
}

void WriteTimeOfDay(std::ostream& out, const std::vector<std::pair<double, Tally>>& dayFraction) {
  out << "## The parabola's error and the time of day\n\n"
      << "The deep symmetric eclipse with noise 0.010 mag, moved to three times of day with the "
         "same noise draws:\n\n"
      << "| True minimum HJD | Scatter | Reported |\n|---|---:|---:|\n";
  for (const auto& [t0, tally] : dayFraction) {
    out << "| " << Fixed(kBaseHjd + t0, 5) << " | " << Fixed(StdDev(tally.times), 6) << " | "
        << Fixed(Mean(tally.reported), 6) << " |\n";
  }
  out << "\nThe times scatter alike; the reported error grows in proportion to the time of "
         "day.\n\n";
}

// Each method's errors over all cases, and a verdict on each.
void WriteWhatToTrust(std::ostream& out, size_t cases, const Summary& sum) {
  out << "## What to trust\n\n"
      << "Each error divided by the true scatter, over the " << cases
      << " cases (1 is honest; below 1 the error claims more precision than the time has), and "
         "how often the truth lay within it on the symmetric eclipses:\n\n"
      << "| Method | Reported / scatter | Truth within reported | Bootstrap / scatter | Truth "
         "within bootstrap |\n|---|---|---:|---|---:|\n";
  for (int m = 0; m < kMethods; ++m) {
    out << "| " << kMethodNames[m] << " | " << sum.reportedRatio[m].Text() << " | "
        << Percent(sum.symHits[m], sum.symCount[m]) << " | " << sum.bootRatio[m].Text() << " | "
        << (m == kTracing ? "n/a" : Percent(sum.symBootHits[m], sum.symBootCount[m])) << " |\n";
  }
  out << "\n";
  for (int m = 0; m < kMethods; ++m) {
    out << "- **" << kMethodNames[m] << "**. " << kErrorNature[m] << " Here it was "
        << Verdict(sum.reportedRatio[m]);
    if (m != kTracing) out << "; the bootstrap error was " << Verdict(sum.bootRatio[m]);
    if (sum.wild[m] > 0) {
      out << ". It gave " << sum.wild[m] << " wild time(s) (listed with their cases above)";
    }
    out << ".\n";
  }
}

// "a", "a and b", "a, b and c"; "none" for no names.
std::string ListOfNames(const std::vector<std::string>& names) {
  std::string s;
  for (size_t k = 0; k < names.size(); ++k) {
    s += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
  }
  return s.empty() ? std::string("none") : s;
}

void WriteInShort(std::ostream& out, const Summary& sum) {
  out << "\nIn short, for observers:\n\n";
  std::vector<std::string> honestOwn, honestBoot;
  RatioSpread allBoot;
  for (int m = 0; m < kMethods; ++m) {
    if (sum.reportedRatio[m].Honest()) honestOwn.push_back(kMethodNames[m]);
    if (sum.bootRatio[m].Honest()) honestBoot.push_back(kMethodNames[m]);
    allBoot.ratios.insert(allBoot.ratios.end(), sum.bootRatio[m].ratios.begin(),
                          sum.bootRatio[m].ratios.end());
  }
  if (honestOwn.empty()) {
    out << "- No method's own error matched the scatter on every eclipse: each can be several "
           "times too small or too large, depending on the method, the eclipse, the noise and "
           "the time of day.\n";
  } else {
    out << "- Methods whose own error matched the scatter on every eclipse: " << ListOfNames(honestOwn)
        << ". The other methods' own errors can be several times too small or too large, "
           "depending on the method, the eclipse, the noise and the time of day.\n";
  }
  out << "- Methods whose bootstrap error matched the scatter on every eclipse: "
      << ListOfNames(honestBoot) << "; over all methods and eclipses the bootstrap error lay between "
      << Fixed(allBoot.Min(), 2) << " and " << Fixed(allBoot.Max(), 2)
      << " times the true scatter. Quote the bootstrap error, or the larger of the two.\n"
      << "- No error, the method's own or the bootstrap's, contains a bias that comes from the "
         "shape of the eclipse: on the asymmetric eclipse every method missed the deepest point "
         "by "
      << Fixed(sum.asymMinBias, 4) << " to " << Fixed(sum.asymMaxBias, 4) << " d, at least "
      << Fixed(sum.asymMinTimes, 0)
      << " times its scatter, because each one times the axis of symmetry of the branches. "
         "When the methods disagree by more than their errors, suspect the shape, not the "
         "noise.\n"
      << "- The tracing paper's 0.0001 d is a step of the scroll bar, not a measurement. It "
         "suits a deep, well-sampled eclipse and understates the error of a shallow or noisy "
         "one, even for an ideal eye.\n";
}

void WriteReport(std::ostream& out, const std::vector<CaseResult>& results, const Settings& set,
                 const std::vector<std::pair<double, Tally>>& dayFraction) {
  WriteIntroduction(out);
  WriteHowMeasured(out, set);
  Summary summary;
  WriteCases(out, results, set, summary);
  WriteTimeOfDay(out, dayFraction);
  WriteWhatToTrust(out, results.size(), summary);
  WriteInShort(out, summary);
}

}  // namespace
}  // namespace vantor::tools

int main(int argc, char** argv) {
  using namespace vantor;
  using namespace vantor::tools;
  if (argc < 2 || (argc == 3 && std::string_view(argv[2]) != "--quick") || argc > 3) {
    std::cerr << "usage: vantor-accuracy OUTPUT.md [--quick]\n";
    return 2;
  }
  Settings set;
  if (argc == 3) set = Settings{40, 20, 10};

  std::vector<CaseResult> results;
  uint64_t seed = kNoiseSeedBase;
  for (const Eclipse& e : Eclipses()) {
    for (const double noise : {0.005, 0.010}) {
      const Case c{e, noise, seed++};
      std::cerr << "vantor-accuracy: " << CaseTitle(c) << "\n";
      results.push_back(RunCase(c, set));
    }
  }

  // The deep symmetric eclipse at three times of day, parabola only.
  std::vector<std::pair<double, Tally>> dayFraction;
  for (const double t0 : {0.12170, 0.43170, 0.87170}) {
    Eclipse e = Eclipses()[0];
    e.t0 = t0;
    const Ranges r = RangesOf(e);
    const std::vector<double> t = Times(e);
    BootstrapRng rng(kNoiseSeedBase + 1);  // the seed of that case at 0.010 mag
    auto s = std::make_unique<Store>();
    Tally tally;
    for (int real = 0; real < set.realisations; ++real) {
      LoadNoisy(e, t, 0.010, rng, *s);
      const Outcome tm = RunMethod(kParabola, *s, r, s->FitParam);
      if (!tm.ok) continue;
      tally.times.push_back(tm.time);
      tally.reported.push_back(std::fabs(tm.reported));
    }
    dayFraction.emplace_back(t0, std::move(tally));
  }

  std::ostringstream report;
  WriteReport(report, results, set, dayFraction);
  std::ofstream file(argv[1], std::ios::binary);
  file << report.str();
  if (!file) {
    std::cerr << "vantor-accuracy: cannot write " << argv[1] << "\n";
    return 2;
  }
  return 0;
}
