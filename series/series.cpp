// Every eclipse of a long series: windows, coverage checks, timing by every
// method, O-C and the refined ephemeris; the ephemeris from the series itself.
#include "series/series.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/combination.h"
#include "core/format.h"
#include "core/method_rows.h"
#include "core/curve.h"
#include "core/reader.h"
#include "core/statistics.h"
#include "methods/adopted.h"
#include "methods/auto_ranges.h"
#include "methods/baseline.h"
#include "methods/bootstrap.h"
#include "methods/coverage.h"
#include "methods/fourier.h"

namespace vantor {

namespace {

std::string Days(double d, int decimals = 5) { return FormatResult(d, 14, decimals); }

std::expected<void, Error> CheckSeries(std::span<const double> time, std::span<const double> mag) {
  if (time.size() != mag.size()) {
    return std::unexpected(Error{std::to_string(time.size()) + " times were given with " +
                                 std::to_string(mag.size()) + " magnitudes."});
  }
  if (time.size() < static_cast<size_t>(kMinWindowPoints)) {
    return std::unexpected(Error{"The series holds " + std::to_string(time.size()) +
                                 " points; at least " + std::to_string(kMinWindowPoints) +
                                 " are needed."});
  }
  for (size_t i = 0; i < time.size(); ++i) {
    if (!std::isfinite(time[i]) || !std::isfinite(mag[i])) {
      return std::unexpected(
          Error{"Point " + std::to_string(i + 1) + " of the series is not a finite number."});
    }
    if (i > 0 && time[i] < time[i - 1]) {
      return std::unexpected(Error{"Point " + std::to_string(i + 1) +
                                   " of the series is earlier than the one before: the series "
                                   "must be in time order."});
    }
  }
  return {};
}

// The phase of t on the ephemeris, in [-0.5, 0.5).
double Phase(double t, const Ephemeris& e) {
  const double c = (t - e.epoch) / e.period;
  return c - std::floor(c + 0.5);
}

struct Window {
  std::vector<double> t, m;
  int nPoints = 0;
};

// Cuts the window of Tc and checks its coverage; the refusal says why. With
// the eclipse's measured geometry, the eclipse's own points are counted and
// its coverage is judged by depth (JudgeCoverage); without (a half-width
// given for a fold that shows no eclipse of this kind), by the window's
// points, branches and gaps.
std::expected<Window, Error> CutWindow(std::span<const double> time, std::span<const double> mag,
                                       double tc, double h, const EclipseGeometry* g) {
  const WindowIndices in = WindowOf(time, tc, h);
  Window w;
  w.t.assign(time.begin() + in.first, time.begin() + in.last);
  w.m.assign(mag.begin() + in.first, mag.begin() + in.last);
  w.nPoints = static_cast<int>(w.t.size());
  if (g != nullptr) {
    const EclipseShape shape{g->level, g->bottom, tc + g->offset, g->duration};
    const auto inEclipse = std::count_if(w.t.begin(), w.t.end(), [&](double t) {
      return std::fabs(t - shape.centre) <= shape.duration / 2;
    });
    if (inEclipse < kMinEclipsePoints) {
      return std::unexpected(Error{"Only " + std::to_string(inEclipse) +
                                   " points of the window lie within the eclipse (" +
                                   Days(shape.duration, 4) + " d long); at least " +
                                   std::to_string(kMinEclipsePoints) + " are needed."});
    }
    if (auto missing = JudgeCoverage(w.t, w.m, shape, MedianStep(w.t))) {
      return std::unexpected(Error{*missing});
    }
    return w;
  }
  if (w.nPoints < kMinWindowPoints) {
    return std::unexpected(Error{"Only " + std::to_string(w.nPoints) +
                                 " points lie within the window; at least " +
                                 std::to_string(kMinWindowPoints) + " are needed."});
  }
  int left = 0, right = 0;
  for (const double t : w.t) {
    if (t < tc - h / 4) ++left;
    if (t > tc + h / 4) ++right;
  }
  if (left < kMinBranchPoints || right < kMinBranchPoints) {
    return std::unexpected(
        Error{std::string("The ") + (left < kMinBranchPoints ? "descending" : "ascending") +
              " branch is missing: too few points before the eclipse " +
              (left < kMinBranchPoints ? "begins" : "ends") + " (a half eclipse)."});
  }
  if (const auto gap = FindGap(w.t, MedianStep(w.t), tc - 0.75 * h, tc + 0.75 * h)) {
    return std::unexpected(Error{GapText(*gap)});
  }
  return w;
}

// Times one window with the automatic ranges and every method, combined as
// "Calc. Means" does with every delivered row ticked.
void TimeWindow(const Window& w, int bootstrap, bool detrend, SeriesRow& row) {
  if (const auto checked = CheckObservations(w.t, w.m); !checked) {
    row.message = checked.error().message;
    return;
  }
  // The window's points as the reader would hold them: relative to the whole
  // day of the first time.
  Curve curve;
  curve.HjdBase = std::floor(w.t.front());
  for (size_t i = 0; i < w.t.size(); ++i) {
    curve.RelTime.push_back(w.t[i] - curve.HjdBase);
    curve.Mag.push_back(w.m[i]);
  }
  // The finest precision the program shows: space photometry times minima
  // to well under the 0.00001 d of five decimals, and a method whose error
  // rounds to zero there must not be left out.
  curve.ResultDecimals = kMostDecimals;
  // A sloping baseline under the eclipse (spots, drifts) moves a symmetry
  // method's minimum; the window is timed with it removed.
  std::optional<Baseline> baseline;
  if (detrend) {
    if (auto b = FitBaseline(curve.View())) {
      baseline = *b;
      row.baseline = b->Describe();
      curve = RemoveBaseline(curve.View(), *b);
      curve.ResultDecimals = kMostDecimals;
    } else {
      row.baseline = b.error().message;
    }
  }
  const CurveView view = curve.View();
  const AutoTimings timings = RunAutoTimings(view, AutoJudgement::kData);
  if (!timings.ranges) {
    row.message = timings.ranges.error().message;
    return;
  }
  std::array<CombinationRow, 6> rows{};
  std::vector<AutoRow> delivered;
  for (const AutoRow& a : AutoRowsOf(timings)) {
    if (!a.ok || !a.timing) continue;
    rows[a.row - 1] = CombinationRow{a.timing->timeText, a.timing->errorText, true};
    delivered.push_back(a);
  }
  const Combination c = CombineMinima(rows, curve.ResultDecimals);
  if (!c.computed) {
    row.message = "No method gave a usable time: " + (delivered.empty()
                                                          ? std::string("every method refused.")
                                                          : std::string("every error is zero."));
    return;
  }
  // The adopted time (methods/adopted.h): the fits' errors for the window's
  // point scatter, the Fourier fit's error at that scatter the floor no
  // method's weight may claim to beat (every method times the same points).
  const double noise = timings.ranges->noiseMag;
  const double floor = timings.fourier ? NoiseFloorOf(*timings.fourier, noise) : 0.0;
  std::vector<MethodTimeInput> inputs;
  for (const AutoRow& a : delivered) {
    if (!c.checkedAfter[a.row - 1]) continue;
    SeriesMethodTime m{MethodKey(a.row), a.timing->time, a.timing->minimum.error, std::nullopt};
    MethodTimeInput in = a.setup ? AdoptionInput(view, *a.setup, *a.timing, noise)
                                 : MethodTimeInput{m.method, m.time, std::fabs(m.error)};
    if (bootstrap > 0 && a.setup) {
      const auto b = BootstrapErrors(view, BootstrapSetup(*a.setup, *a.timing), bootstrap);
      if (b) m.bootstrapError = b->error;
    }
    // A bootstrap error stands for the method's own (sliding integrations'
    // too: resampled, it measures their timing error).
    if (m.bootstrapError) {
      in.error = std::fabs(*m.bootstrapError);
      in.kind = ErrorKind::Own;
    }
    inputs.push_back(std::move(in));
    row.methods.push_back(std::move(m));
  }
  const auto adopted = AdoptTime(inputs, floor);
  if (!adopted) {
    row.message = adopted.error().message;
    return;
  }
  row.time = adopted->time;
  row.error = adopted->error;
  row.adoptedNote = adopted->note;
  if (baseline) row.baselineWarning = SlopeWarning(*baseline, adopted->error);
}

}  // namespace

namespace {

// The reduced chi-square of the parabola's, chords', Kwee and van Woerden's
// and the Fourier fit's times of a row about their weighted mean (each with
// its bootstrap error when there is one, else its own); nothing with fewer
// than 2 of them.
std::optional<double> MethodsChiSquare(const SeriesRow& row) {
  std::vector<std::pair<double, double>> te;
  for (const SeriesMethodTime& m : row.methods) {
    if (m.method != "parabola" && m.method != "chords" && m.method != "kvw" &&
        m.method != "fourier") {
      continue;
    }
    const double e = std::fabs(m.bootstrapError.value_or(m.error));
    if (e > 0 && std::isfinite(e)) te.emplace_back(m.time, e);
  }
  if (te.size() < 2) return std::nullopt;
  double sw = 0, swt = 0;
  for (const auto& [t, e] : te) sw += 1 / (e * e), swt += t / (e * e);
  const double mean = swt / sw;
  double chi2 = 0;
  for (const auto& [t, e] : te) chi2 += (t - mean) * (t - mean) / (e * e);
  return chi2 / static_cast<double>(te.size() - 1);
}

// The row's time: the profile's where the window is sparse, where the
// methods disagree or where no method timed it; otherwise the methods'
// adopted time, which TimeWindow has set.
void ChooseRowTime(SeriesRow& row) {
  std::string why;
  if (!row.covered) {
    // The coverage checks' refusal stands: a gap over the bottom or a
    // missing branch leaves nothing a profile could be trusted on.
    return;
  } else if (!row.time) {
    why = "no method timed the window";
  } else if (row.nPoints < kProfileBelowPoints) {
    why = std::to_string(row.nPoints) + " points";
  } else if (const auto chi2 = MethodsChiSquare(row); chi2 && *chi2 > kMethodsDisagreeChi2) {
    why = "methods disagree (chi2 " + FixedText(*chi2, 1) + ")";
  }
  if (why.empty() || !row.profile) {
    if (row.time) row.timeSource = "methods";
    return;
  }
  row.time = row.profile->time;
  row.error = row.profile->error;
  row.timeSource = "profile: " + why;
}

// Measures the minima's timing noise about `refined` and, where it is above
// 0, adds it in quadrature to every delivered error (timing_jitter.h).
void AddTimingJitter(const RefinedEphemeris& refined, const SeriesOptions& o, SeriesResult& r) {
  std::vector<JitterMinimum> minima;
  for (const SeriesRow& row : r.rows) {
    if (!row.time) continue;
    const double cycle = row.cycle + (row.kind == 'S' ? *o.secondaryPhase : 0.0);
    minima.push_back(
        {row.kind, cycle, *row.time - (refined.epoch + refined.period * cycle), *row.error});
  }
  r.jitter = MeasureTimingJitter(minima);
  if (!r.jitter || !(r.jitter->jitter > 0)) return;
  for (SeriesRow& row : r.rows) {
    if (!row.time) continue;
    row.ownError = row.error;
    row.error = std::hypot(*row.error, r.jitter->jitter);
  }
}

}  // namespace

double PredictedMinima(double first, double last, const Ephemeris& e,
                       std::optional<double> secondaryPhase) {
  const auto count = [&](double phase) {
    const double from = std::ceil((first - e.epoch) / e.period - phase);
    const double to = std::floor((last - e.epoch) / e.period - phase);
    return std::max(0.0, to - from + 1);
  };
  return count(0.0) + (secondaryPhase ? count(*secondaryPhase) : 0.0);
}

WindowIndices WindowOf(std::span<const double> time, double centre, double h) {
  const auto first = std::lower_bound(time.begin(), time.end(), centre - h);
  const auto last = std::upper_bound(time.begin(), time.end(), centre + h);
  return {static_cast<size_t>(first - time.begin()), static_cast<size_t>(last - time.begin())};
}

namespace {

// The magnitude at quantile q (0 brightest, 1 faintest) of the values, which
// it reorders.
double Quantile(std::vector<double>& v, double q) {
  const auto k = static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[static_cast<size_t>(k)];
}

// Follows the smoothed fold (x ascending, days from the kind's phase) from
// index `from` in direction dir to its first value brighter than `level`;
// returns the crossing's x, interpolated, or nullopt at the end of the fold.
std::optional<double> FoldCrossing(const std::vector<double>& x, const std::vector<double>& sm,
                                   size_t from, int dir, double level) {
  for (long i = static_cast<long>(from) + dir; i >= 0 && i < static_cast<long>(x.size());
       i += dir) {
    if (sm[i] < level) {
      const long in = i - dir;
      const double f = (sm[in] - level) / (sm[in] - sm[i]);
      return x[in] + f * (x[i] - x[in]);
    }
  }
  return std::nullopt;
}

}  // namespace

std::expected<EclipseGeometry, Error> MeasureGeometry(std::span<const double> time,
                                                      std::span<const double> mag,
                                                      const Ephemeris& e, double phase,
                                                      double apart) {
  // Coarse: bin medians over the whole phase.
  std::array<std::vector<double>, kFoldBins> bins;
  for (size_t i = 0; i < time.size(); ++i) {
    const double p = Phase(time[i] - phase * e.period, e);
    bins[std::clamp(static_cast<int>((p + 0.5) * kFoldBins), 0, kFoldBins - 1)].push_back(mag[i]);
  }
  std::array<double, kFoldBins> med{};
  std::vector<double> filled;
  for (int b = 0; b < kFoldBins; ++b) {
    med[b] = bins[b].empty() ? NAN : Median(bins[b]);
    if (!bins[b].empty()) filled.push_back(med[b]);
  }
  const std::string kind = phase == 0 ? "primary" : "secondary";
  const auto none = [&] {
    return std::unexpected(Error{"No eclipse shows at the " + kind +
                                 "'s phase of the folded series: check the epoch and the period, "
                                 "or give the half-width of the windows."});
  };
  if (filled.empty()) return none();
  const double level = Quantile(filled, kLevelQuantile);
  const int centre = kFoldBins / 2;
  int bottom = -1;
  for (int b = centre - kFoldBins / 10; b <= centre + kFoldBins / 10; ++b) {
    if (!std::isnan(med[b]) && (bottom < 0 || med[b] > med[bottom])) bottom = b;
  }
  if (bottom < 0 || !(med[bottom] > level)) return none();
  const double coarseEdge = level + kEclipseEdge * (med[bottom] - level);
  int lo = bottom, hi = bottom;
  while (lo > 0 && (std::isnan(med[lo - 1]) || med[lo - 1] > coarseEdge)) --lo;
  while (hi < kFoldBins - 1 && (std::isnan(med[hi + 1]) || med[hi + 1] > coarseEdge)) ++hi;
  const double bin = e.period / kFoldBins;
  const double coarseHalf =
      std::max(0.5 - static_cast<double>(lo) / kFoldBins,
               static_cast<double>(hi + 1) / kFoldBins - 0.5) * e.period;

  // Fine: the points of the eclipse and its surroundings in time order of
  // the fold, smoothed by a running median of about a fifteenth of the
  // eclipse's points (at least kMinEclipsePoints).
  const double zone = std::min(e.period / 2, 2.5 * coarseHalf + 2 * bin);
  std::vector<std::pair<double, double>> fold;
  int inside = 0;
  for (size_t i = 0; i < time.size(); ++i) {
    const double x = Phase(time[i] - phase * e.period, e) * e.period;
    if (std::fabs(x) <= zone) fold.emplace_back(x, mag[i]);
    if (std::fabs(x) <= coarseHalf) ++inside;
  }
  std::sort(fold.begin(), fold.end());
  const int width = std::clamp(inside / 15, kMinEclipsePoints, 51) | 1;
  if (static_cast<int>(fold.size()) < 2 * width) return none();
  std::vector<double> x, sm;
  for (size_t i = 0; i < fold.size(); ++i) {
    const size_t a = i >= static_cast<size_t>(width / 2) ? i - width / 2 : 0;
    const size_t b = std::min(fold.size(), i + width / 2 + 1);
    std::vector<double> v;
    for (size_t k = a; k < b; ++k) v.push_back(fold[k].second);
    x.push_back(fold[i].first);
    sm.push_back(Median(std::move(v)));
  }
  size_t deepest = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (std::fabs(x[i]) <= coarseHalf && (std::fabs(x[deepest]) > coarseHalf || sm[i] > sm[deepest])) {
      deepest = i;
    }
  }
  // The eclipse must stand out of the smoothed fold's own scatter.
  std::vector<double> residuals;
  for (size_t i = 0; i < fold.size(); ++i) residuals.push_back(std::fabs(fold[i].second - sm[i]));
  const double noise = 1.4826 * Median(std::move(residuals)) / std::sqrt(width);
  const double depth = sm[deepest] - level;
  if (!(depth > kFoldDepthToNoise * noise)) return none();
  // Each contact extrapolated along its branch from the crossings of a tenth
  // and half the depth (exact for a straight branch); a side the fold does
  // not cover takes the other's.
  const auto contact = [&](int dir) -> std::optional<double> {
    const auto edge = FoldCrossing(x, sm, deepest, dir, level + kEclipseEdge * depth);
    const auto mid = FoldCrossing(x, sm, deepest, dir, level + 0.5 * depth);
    if (!edge || !mid) return std::nullopt;
    return *edge + (*edge - *mid) * kEclipseEdge / (0.5 - kEclipseEdge);
  };
  const auto left = contact(-1), right = contact(+1);
  if (!left && !right) return none();
  EclipseGeometry g;
  g.level = level;
  g.bottom = sm[deepest];
  const auto mid = [&](int dir) { return FoldCrossing(x, sm, deepest, dir, level + 0.5 * depth); };
  const auto midLeft = mid(-1), midRight = mid(+1);
  g.offset = midLeft && midRight ? (*midLeft + *midRight) / 2 : x[deepest];
  const double leftHalf = left ? g.offset - *left : *right - g.offset;
  const double rightHalf = right ? *right - g.offset : leftHalf;
  g.duration = leftHalf + rightHalf;
  g.cadence = MedianStep(time);
  // About the predicted minimum, the farther contact, widened by
  // kHalfWidthFactor; no farther than the other kind's eclipse begins.
  const double half = std::max(std::fabs(g.offset - leftHalf), std::fabs(g.offset + rightHalf));
  g.halfWidth = std::min({kHalfWidthFactor * half,
                          std::max(apart * e.period - half, half), e.period / 2});
  return g;
}

std::expected<double, Error> MeasureHalfWidth(std::span<const double> time,
                                              std::span<const double> mag, const Ephemeris& e) {
  const auto g = MeasureGeometry(time, mag, e);
  if (!g) return std::unexpected(g.error());
  return g->halfWidth;
}

std::expected<RefinedEphemeris, Error> FitEphemeris(std::span<const double> cycles,
                                                    std::span<const double> times,
                                                    std::span<const double> errors) {
  const size_t n = cycles.size();
  if (n < 2 || times.size() != n || errors.size() != n) {
    return std::unexpected(Error{"A refined ephemeris needs at least 2 minima."});
  }
  // Cycles about their weighted mean keep the normal equations well conditioned.
  double sw = 0, swe = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!(errors[i] > 0) || !std::isfinite(errors[i])) {
      return std::unexpected(Error{"A minimum without a positive error cannot be weighted."});
    }
    const double w = 1 / (errors[i] * errors[i]);
    sw += w;
    swe += w * cycles[i];
  }
  const double eMean = swe / sw;
  double sxx = 0, sxy = 0, sy = 0;
  for (size_t i = 0; i < n; ++i) {
    const double w = 1 / (errors[i] * errors[i]);
    const double x = cycles[i] - eMean;
    sxx += w * x * x;
    sxy += w * x * times[i];
    sy += w * times[i];
  }
  if (!(sxx > 0)) {
    return std::unexpected(
        Error{"Every delivered minimum has the same cycle number: the period "
              "cannot be refined."});
  }
  const double period = sxy / sxx;
  const double atMean = sy / sw;  // T at the mean cycle
  double chi2 = 0;
  for (size_t i = 0; i < n; ++i) {
    const double r = (times[i] - (atMean + period * (cycles[i] - eMean))) / errors[i];
    chi2 += r * r;
  }
  const double scale = n > 2 ? std::max(1.0, std::sqrt(chi2 / static_cast<double>(n - 2))) : 1.0;
  RefinedEphemeris r;
  r.reducedChiSquare = n > 2 ? chi2 / static_cast<double>(n - 2) : 0.0;
  r.period = period;
  r.epoch = atMean - period * eMean;  // at cycle 0
  r.periodError = scale * std::sqrt(1 / sxx);
  r.epochError = scale * std::sqrt(1 / sw + eMean * eMean / sxx);
  r.minima = static_cast<int>(n);
  return r;
}

std::expected<SeriesResult, Error> TimeSeries(std::span<const double> time,
                                              std::span<const double> mag, const SeriesOptions& o,
                                              const std::function<void(int, int)>& progress) {
  return TimeSeries(time, mag, {}, o, progress);
}

std::expected<SeriesResult, Error> TimeSeries(std::span<const double> time,
                                              std::span<const double> mag,
                                              std::span<const double> pointErrors,
                                              const SeriesOptions& o,
                                              const std::function<void(int, int)>& progress) {
  if (auto ok = CheckSeries(time, mag); !ok) return std::unexpected(ok.error());
  if (!pointErrors.empty() && pointErrors.size() != time.size()) {
    return std::unexpected(Error{std::to_string(pointErrors.size()) + " errors were given with " +
                                 std::to_string(time.size()) + " times."});
  }
  const Ephemeris& e = o.ephemeris;
  if (!std::isfinite(e.period) || !(e.period > 0)) {
    return std::unexpected(Error{"The period must be a positive number of days."});
  }
  if (!std::isfinite(e.epoch)) return std::unexpected(Error{"The epoch must be a number."});
  // Cycle numbers are counted in a long and must stay exact in a double: an
  // epoch a billion periods from the series (1e308, say) is no ephemeris of it.
  if (const double reach =
          std::max(std::fabs(time.front() - e.epoch), std::fabs(time.back() - e.epoch)) / e.period;
      !(reach < 1e9)) {
    return std::unexpected(
        Error{"The epoch lies more than a thousand million periods from the series: type the time "
              "of a primary minimum near it."});
  }
  if (o.secondaryPhase && !(*o.secondaryPhase > 0 && *o.secondaryPhase < 1)) {
    return std::unexpected(Error{"The secondary's phase must lie between 0 and 1."});
  }
  // Every predicted minimum becomes a row: their number is known before
  // anything is allocated, and a period far too short for the series (or a
  // series far too long for one run) is refused here.
  if (const double rows = PredictedMinima(time.front(), time.back(), e, o.secondaryPhase);
      !(rows <= kMaxSeriesRows)) {
    return std::unexpected(Error{
        "The ephemeris predicts " + FixedText(rows, 0) + " minima in the series, more than the " +
        std::to_string(kMaxSeriesRows) +
        " one run times: time a part of the series at a time (--from and --until on the command "
        "line), or check the period."});
  }
  // Each kind's geometry from the fold; the windows' half-width from the
  // primary's unless given, the secondaries' from their own where the fold
  // shows them.
  const double apart =
      o.secondaryPhase ? std::min(*o.secondaryPhase, 1 - *o.secondaryPhase) : 0.5;
  const auto primaryGeometry = MeasureGeometry(time, mag, e, 0, apart);
  std::optional<EclipseGeometry> secondaryGeometry;
  if (o.secondaryPhase) {
    if (auto g = MeasureGeometry(time, mag, e, *o.secondaryPhase, apart)) secondaryGeometry = *g;
  }
  double h = 0;
  if (o.halfWidth) {
    h = *o.halfWidth;
    if (!std::isfinite(h) || !(h > 0) || h > e.period / 2) {
      return std::unexpected(
          Error{"The half-width must be a positive number of days, at most half the period."});
    }
  } else {
    if (!primaryGeometry) return std::unexpected(primaryGeometry.error());
    h = primaryGeometry->halfWidth;
  }
  const double hSecondary =
      !o.halfWidth && secondaryGeometry ? secondaryGeometry->halfWidth : h;
  const double first = time.front(), last = time.back();

  struct Predicted {
    long cycle;
    char kind;
    double tc;
  };
  std::vector<Predicted> predicted;
  const long c0 = static_cast<long>(std::floor((first - e.epoch) / e.period)) - 1;
  const long c1 = static_cast<long>(std::ceil((last - e.epoch) / e.period)) + 1;
  for (long c = c0; c <= c1; ++c) {
    const double tp = e.epoch + e.period * c;
    if (tp >= first && tp <= last) predicted.push_back({c, 'P', tp});
    if (o.secondaryPhase) {
      const double ts = e.epoch + e.period * (c + *o.secondaryPhase);
      if (ts >= first && ts <= last) predicted.push_back({c, 'S', ts});
    }
  }
  std::sort(predicted.begin(), predicted.end(),
            [](const Predicted& a, const Predicted& b) { return a.tc < b.tc; });

  SeriesResult r;
  r.ephemeris = e;
  r.halfWidth = h;
  if (o.secondaryPhase) r.secondaryHalfWidth = hSecondary;
  if (primaryGeometry) r.duration = primaryGeometry->duration;
  int done = 0;
  for (const Predicted& p : predicted) {
    SeriesRow row;
    row.cycle = p.cycle;
    row.kind = p.kind;
    row.predicted = p.tc;
    const double hKind = p.kind == 'S' ? hSecondary : h;
    const EclipseGeometry* g = p.kind == 'S' ? (secondaryGeometry ? &*secondaryGeometry : nullptr)
                                             : (primaryGeometry ? &*primaryGeometry : nullptr);
    const auto w = CutWindow(time, mag, p.tc, hKind, g);
    if (!w) {
      row.nPoints = static_cast<int>(WindowOf(time, p.tc, hKind).size());
      row.message = w.error().message;
    } else {
      row.nPoints = w->nPoints;
      row.covered = true;
      TimeWindow(*w, o.bootstrap, o.detrend, row);
    }
    r.rows.push_back(std::move(row));
    if (progress) progress(++done, static_cast<int>(predicted.size()));
  }
  // The profile method beside the others, and the time each row gives.
  std::vector<ProfileTarget> targets;
  for (const SeriesRow& row : r.rows) {
    targets.push_back({row.predicted, row.cycle + (row.kind == 'S' ? *o.secondaryPhase : 0.0),
                       row.kind, row.kind == 'S' ? hSecondary : h});
  }
  // A fit's window stays short of the other kind's eclipses.
  const double reach = o.secondaryPhase
                           ? std::min(*o.secondaryPhase, 1 - *o.secondaryPhase) * e.period / 2
                           : e.period / 4;
  auto profiles = TimeProfiles(time, mag, pointErrors, targets, std::max({h, hSecondary, reach}));
  for (size_t i = 0; i < r.rows.size(); ++i) {
    if (profiles[i]) {
      r.rows[i].profile = std::move(*profiles[i]);
    } else {
      r.rows[i].profileMessage = profiles[i].error().message;
    }
    ChooseRowTime(r.rows[i]);
  }

  const auto refine = [&r, &o] {
    std::vector<double> cycles, times, errors;
    for (const SeriesRow& row : r.rows) {
      if (!row.time) continue;
      cycles.push_back(row.cycle + (row.kind == 'S' ? *o.secondaryPhase : 0.0));
      times.push_back(*row.time);
      errors.push_back(*row.error);
    }
    return FitEphemeris(cycles, times, errors);
  };
  auto refined = refine();
  if (refined) AddTimingJitter(*refined, o, r);
  if (r.jitter && r.jitter->jitter > 0) refined = refine();
  if (refined) {
    r.refined = *refined;
  } else {
    r.refinedMessage = refined.error().message;
  }
  return r;
}

namespace {

// One eclipse seen in the series: a run of points clearly fainter than the level.
struct Event {
  double time = 0.0;   // the middle of the run's part fainter than half its depth
  double depth = 0.0;  // faintest smoothed magnitude minus the level
  size_t points = 0;   // its points fainter than the threshold
};

// The runs of smoothed magnitudes above `threshold`, split where a time step
// exceeds kGapFactor typical steps, then joined again where two runs lie
// closer than the median run's duration (a gap or a noisy point inside one
// eclipse). Runs of fewer than kMinEventPoints points are dropped.
std::vector<Event> FaintRuns(std::span<const double> time, const std::vector<double>& sm,
                             double level, double threshold) {
  struct Run {
    size_t first, last;
  };
  const size_t n = time.size();
  const double typical = MedianStep(time);
  std::vector<Run> runs;
  for (size_t i = 0; i < n;) {
    if (!(sm[i] > threshold)) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j + 1 < n && sm[j + 1] > threshold && time[j + 1] - time[j] <= kGapFactor * typical) {
      ++j;
    }
    runs.push_back({i, j});
    i = j + 1;
  }
  if (runs.empty()) return {};
  std::vector<double> durations;
  for (const Run& r : runs) durations.push_back(time[r.last] - time[r.first]);
  const double joinWithin = Median(durations);
  std::vector<Run> joined{runs.front()};
  for (size_t k = 1; k < runs.size(); ++k) {
    if (time[runs[k].first] - time[joined.back().last] < joinWithin) {
      joined.back().last = runs[k].last;
    } else {
      joined.push_back(runs[k]);
    }
  }
  std::vector<Event> events;
  for (const Run& r : joined) {
    size_t faint = 0;
    double bottom = -INFINITY;
    for (size_t i = r.first; i <= r.last; ++i) {
      if (sm[i] > threshold) ++faint;
      bottom = std::max(bottom, sm[i]);
    }
    if (faint < static_cast<size_t>(kMinEventPoints)) continue;
    const double half = level + (bottom - level) / 2;
    double from = NAN, to = NAN;
    for (size_t i = r.first; i <= r.last; ++i) {
      if (sm[i] > half) {
        if (std::isnan(from)) from = time[i];
        to = time[i];
      }
    }
    events.push_back({(from + to) / 2, bottom - level, faint});
  }
  return events;
}

// Splits the depths in two classes where the sum of the squared deviations
// about each class's mean is least; returns the smallest depth of the deeper
// class when the classes differ clearly (every deeper one at least
// 1 / kSecondaryDepthRatio times every shallower one, and apart by more than
// `resolution`), otherwise 0: all the events are alike.
double DeepClassFloor(std::vector<double> depths, double resolution) {
  std::sort(depths.begin(), depths.end());
  const size_t n = depths.size();
  if (n < 2) return 0;
  double bestCost = INFINITY;
  size_t split = 0;
  for (size_t k = 1; k < n; ++k) {
    double cost = 0;
    for (const auto& [from, to] : {std::pair{size_t{0}, k}, std::pair{k, n}}) {
      double mean = 0;
      for (size_t i = from; i < to; ++i) mean += depths[i];
      mean /= static_cast<double>(to - from);
      for (size_t i = from; i < to; ++i) cost += (depths[i] - mean) * (depths[i] - mean);
    }
    if (cost < bestCost) bestCost = cost, split = k;
  }
  const double shallowest = depths[split - 1], deepest = depths[split];
  if (shallowest < kSecondaryDepthRatio * deepest && deepest - shallowest > resolution) {
    return deepest;
  }
  return 0;
}

// Whether alternate eclipses differ clearly in depth: the eclipses numbered
// by the spacing of them all (PeriodOfLikeEvents), even and odd numbers apart;
// the medians of the two groups' depths differ by more than
// kAlternateDepthSigmas times the robust spread of the depths about their
// group's median, sqrt(1 / n1 + 1 / n2) times. Returns, per eclipse, whether
// it belongs to the deeper group; nothing when they do not differ (or a group
// holds fewer than 2).
double PeriodOfLikeEvents(const std::vector<double>& t);

std::optional<std::vector<bool>> AlternateDeeper(const std::vector<Event>& events) {
  std::vector<double> t;
  for (const Event& e : events) t.push_back(e.time);
  const double spacing = PeriodOfLikeEvents(t);
  if (!(spacing > 0)) return std::nullopt;
  std::vector<bool> even;
  std::vector<double> evenDepths, oddDepths;
  for (const Event& e : events) {
    const auto n = static_cast<long long>(std::llround((e.time - t.front()) / spacing));
    even.push_back(n % 2 == 0);
    (n % 2 == 0 ? evenDepths : oddDepths).push_back(e.depth);
  }
  if (evenDepths.size() < 2 || oddDepths.size() < 2) return std::nullopt;
  const double evenMedian = Median(evenDepths), oddMedian = Median(oddDepths);
  std::vector<double> spread;
  for (size_t i = 0; i < events.size(); ++i) {
    spread.push_back(std::fabs(events[i].depth - (even[i] ? evenMedian : oddMedian)));
  }
  const double sigma = 1.4826 * Median(spread);
  const double allowed = kAlternateDepthSigmas * sigma *
                         std::sqrt(1.0 / static_cast<double>(evenDepths.size()) +
                                   1.0 / static_cast<double>(oddDepths.size()));
  if (!(std::fabs(evenMedian - oddMedian) > allowed)) return std::nullopt;
  std::vector<bool> deeper;
  for (const bool e : even) deeper.push_back(e == (evenMedian > oddMedian));
  return deeper;
}

// The period of like events at times t (in order): the longest q, among
// each spacing divided by 1 to kMaxCycleDivisor, of which every spacing is a
// whole multiple to within kCycleTolerance of q (at least q itself); then
// the median of each spacing over its number of q. The shortest spacing
// alone misleads when primaries and secondaries mix (a secondary 1.5 periods
// after a primary). Without such a q, the spacings counted in the shortest.
double PeriodOfLikeEvents(const std::vector<double>& t) {
  constexpr int kMaxCycleDivisor = 8;
  constexpr double kCycleTolerance = 0.1;
  std::vector<double> gaps;
  for (size_t i = 1; i < t.size(); ++i) gaps.push_back(t[i] - t[i - 1]);
  const double shortest = *std::min_element(gaps.begin(), gaps.end());
  double base = 0;
  for (const double g : gaps) {
    for (int k = 1; k <= kMaxCycleDivisor; ++k) {
      const double q = g / k;
      if (!(q > base) || !(q >= shortest / 4)) continue;
      const bool explains = std::all_of(gaps.begin(), gaps.end(), [q](double x) {
        const double r = x / q;
        return std::round(r) >= 1 && std::fabs(r - std::round(r)) <= kCycleTolerance;
      });
      if (explains) base = q;
    }
  }
  if (!(base > 0)) base = shortest;
  std::vector<double> periods;
  for (const double g : gaps) periods.push_back(g / std::max(1.0, std::round(g / base)));
  return Median(periods);
}

}  // namespace

std::expected<FoundEphemeris, Error> FindEphemeris(std::span<const double> time,
                                                   std::span<const double> mag) {
  if (auto ok = CheckSeries(time, mag); !ok) return std::unexpected(ok.error());
  const size_t n = time.size();
  std::vector<double> sm(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t a = i >= 2 ? i - 2 : 0, b = std::min(n - 1, i + 2);
    sm[i] = Median(std::vector<double>(mag.begin() + a, mag.begin() + b + 1));
  }
  const double level = Median(sm);
  // The scatter of single points from the median absolute difference of
  // neighbours, which the few steps into and out of eclipses barely move;
  // data without any scatter (rounded model values) count their smallest step.
  std::vector<double> steps;
  double quantum = INFINITY;
  for (size_t i = 1; i < n; ++i) {
    const double d = std::fabs(mag[i] - mag[i - 1]);
    steps.push_back(d);
    if (d > 0) quantum = std::min(quantum, d);
  }
  // Slow variations (spots, oscillations, drifts) that the smoothing keeps
  // count too: the robust spread of the smoothed magnitudes about the level,
  // but never beyond half the deepest dip, for a series that is mostly
  // eclipse (nights spent on the eclipses alone) spreads by its eclipses.
  std::vector<double> offsets;
  for (const double v : sm) offsets.push_back(std::fabs(v - level));
  const double faintest = *std::max_element(sm.begin(), sm.end());
  const double pointNoise = 1.4826 * Median(steps) / std::sqrt(2.0);
  const double slowNoise = 1.4826 * Median(std::move(offsets));
  double margin = std::max(kEventNoiseFactor * pointNoise,
                           std::min(kEventNoiseFactor * slowNoise, (faintest - level) / 2));
  if (!(margin > 0)) margin = std::isfinite(quantum) ? quantum / 2 : INFINITY;
  const std::vector<Event> events =
      std::isfinite(margin) ? FaintRuns(time, sm, level, level + margin) : std::vector<Event>{};
  if (events.empty()) {
    return std::unexpected(
        Error{"No eclipse was found in the series: no run of points lies clearly fainter than its "
              "median level (by " +
              std::to_string(static_cast<int>(kEventNoiseFactor)) +
              " times the scatter of the points). Give the epoch and the period."});
  }
  if (events.size() < 3) {
    return std::unexpected(Error{"Only " + std::to_string(events.size()) +
                                 (events.size() == 1 ? " eclipse was" : " eclipses were") +
                                 " found in the series; at least 3 are needed to "
                                 "find the period. Give the epoch and the period."});
  }
  // An eclipse caught by a few of its points (a night that ends in it) has
  // neither its depth nor its middle: fewer than half the median count of
  // faint points leaves it out, as long as three eclipses remain.
  std::vector<size_t> counts;
  for (const Event& e : events) counts.push_back(e.points);
  std::vector<Event> whole;
  for (const Event& e : events) {
    if (2 * e.points >=
        static_cast<size_t>(Median(std::vector<double>(counts.begin(), counts.end()))))
      whole.push_back(e);
  }
  if (whole.size() < 3) whole = events;
  const size_t partial = events.size() - whole.size();
  std::vector<double> depths;
  for (const Event& e : whole) depths.push_back(e.depth);
  const double deepFloor = DeepClassFloor(depths, margin);
  bool classes = deepFloor > 0;
  std::vector<double> deep, shallow;
  for (const Event& e : whole)
    (!classes || e.depth >= deepFloor ? deep : shallow).push_back(e.time);
  if (!classes) {
    // Depths close together: if alternate eclipses still differ clearly in
    // depth, those are primaries and secondaries and the period is twice
    // their spacing.
    if (const auto alternate = AlternateDeeper(whole); alternate) {
      classes = true;
      deep.clear(), shallow.clear();
      for (size_t i = 0; i < whole.size(); ++i) {
        ((*alternate)[i] ? deep : shallow).push_back(whole[i].time);
      }
    }
  }
  // The period is the spacing of like events: the primaries when they are
  // clearly deeper than the rest, else every event; with a single primary,
  // the secondaries' spacing, the primary giving the epoch.
  const std::vector<double>& like = deep.size() >= 2 ? deep : shallow;
  double period = PeriodOfLikeEvents(like);
  std::vector<double> cycles, ones(like.size(), 1.0);
  std::expected<RefinedEphemeris, Error> fit;
  for (int pass = 0; pass < 2; ++pass) {
    cycles.clear();
    for (const double t : like) cycles.push_back(std::round((t - like.front()) / period));
    fit = FitEphemeris(cycles, like, ones);
    if (!fit) return std::unexpected(fit.error());
    period = fit->period;
  }
  if (!(fit->period > 0) || !std::isfinite(fit->period)) {
    return std::unexpected(
        Error{"The eclipses found give no period: their times do not follow "
              "one another in whole cycles. Give the epoch and the period."});
  }
  FoundEphemeris f;
  f.ephemeris = Ephemeris{fit->epoch, fit->period};
  double ss = 0;
  for (size_t i = 0; i < like.size(); ++i) {
    const double r = like[i] - (fit->epoch + fit->period * cycles[i]);
    ss += r * r;
  }
  f.scatter = std::sqrt(ss / static_cast<double>(like.size()));
  if (&like == &shallow && !deep.empty()) {
    // Epoch on the primary, the cycle count of the secondaries kept.
    const double c = std::round((deep.front() - fit->epoch) / fit->period);
    f.ephemeris.epoch = deep.front() - c * fit->period;
  }
  f.eclipses = static_cast<int>(whole.size());
  f.primaries = static_cast<int>(deep.size());
  std::string kinds;
  if (classes && !shallow.empty()) {
    std::vector<double> phases;
    for (const double t : shallow) {
      const double c = (t - f.ephemeris.epoch) / f.ephemeris.period;
      phases.push_back(c - std::floor(c));
    }
    f.secondaryPhase = Median(phases);
    kinds = " (" + std::to_string(deep.size()) + " primaries and " +
            std::to_string(shallow.size()) + " shallower secondaries at phase " +
            FixedText(*f.secondaryPhase, 3) + ")";
  }
  if (!classes) {
    kinds =
        " (alike in depth: if primaries and secondaries are among them, the period is twice "
        "this)";
  }
  if (partial > 0) {
    kinds += "; " + std::to_string(partial) + " caught by too few points left out";
  }
  f.summary = "Found " + std::to_string(f.eclipses) + " eclipses" + kinds + ": period " +
              Days(f.ephemeris.period, 7) + " d, epoch " + Days(f.ephemeris.epoch, 5) +
              "; their times scatter by " + Days(f.scatter * 1440, 2) +
              " min about it (the middle of each eclipse at half its depth; refine it with the "
              "timed minima).";
  return f;
}

}  // namespace vantor
