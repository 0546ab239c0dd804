#include "cli/json_out.h"

#include "core/format.h"
#include "import/time_scale.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

Json NumberOrNull(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

Json Refused(const std::string& message) { return Json{{"refused", message}}; }

// The method's own figures of a delivered timing.
Json MethodDetails(const MethodSetup& setup, const Timing& t) {
  switch (t.row) {
    case 1: {
      const auto& f = t.As<ParabolaFit>();
      return {{"rms", f.rms}, {"a0", f.a0}, {"a1", f.a1}, {"a2", f.a2}};
    }
    case 2: {
      const auto& p = std::get<TracingSetup>(setup);
      return {{"fold_time", p.foldTime}, {"smoothing", AveragingCaption(p.smoothLevel)}};
    }
    case 3:
      return {{"midpoints", t.As<ChordsResult>().chords}};
    case 4: {
      const auto& k = t.As<KvwResult>();
      return {{"samples", k.samples}, {"centre", k.centre}};
    }
    case 5: {
      const auto& f = t.As<FourierFitResult>();
      Json params = Json::array();
      for (int k = 1; k <= 8; ++k) params.push_back(f.FitParam[k]);
      return {{"fit_param", params}, {"chi_sq", f.chiSq}, {"iterations", f.calls}};
    }
    case 6: {
      const auto& run = t.As<SlidingRun>();
      return {{"stretch_first", run.stretch.first},
              {"stretch_last", run.stretch.last},
              {"window_steps", run.result.m},
              {"grid_step", run.result.h}};
    }
    default:
      return Json::object();
  }
}

}  // namespace

std::string DumpJson(const Json& j) {
  return j.dump(2, ' ', false, Json::error_handler_t::replace);
}

Json CombinationJson(const Combination& comb,
                     const std::optional<MethodResult<AdoptedTime>>& adopted) {
  Json c;
  const bool done = comb.computed;
  c["simple_mean"] = done ? Json(comb.simpleMean) : Json(nullptr);
  c["weighted_mean"] = done ? Json(comb.weightedMean) : Json(nullptr);
  c["uncertainty"] = done ? Json(comb.uncertainty) : Json(nullptr);
  c["std_dev"] = done ? NumberOrNull(comb.stdDev) : Json(nullptr);
  c["simple_mean_text"] = comb.simpleMeanText;
  c["weighted_mean_text"] = comb.weightedMeanText;
  c["uncertainty_text"] = comb.uncertaintyText;
  c["std_dev_text"] = comb.stdDevText;
  c["used_rows"] = comb.usedRows;
  if (!comb.belowPrecisionRows.empty()) {
    c["below_precision_rows"] = comb.belowPrecisionRows;
    c["notice"] = kBelowPrecisionNotice;
  }
  if (!comb.weightsNote.empty()) {
    c["weights"] = "bootstrap";
    c["weights_note"] = comb.weightsNote;
  }
  if (adopted && *adopted) {
    const AdoptedTime& a = **adopted;
    c["adopted"] = Json{{"time", a.time}, {"error", a.error}, {"methods", a.methods},
                        {"note", a.note}};
  } else if (adopted) {
    c["adopted"] = Json{{"time", nullptr},
                        {"error", nullptr},
                        {"methods", Json::array()},
                        {"note", adopted->error().message}};
  }
  return c;
}

Json BaselineJson(const MethodResult<Baseline>& b, const std::string& warning) {
  if (!b) return Json{{"removed", false}, {"message", b.error().message}};
  return Json{{"removed", true},
              {"degree", b->degree},
              {"slope", b->slope},
              {"points_before", b->before},
              {"points_after", b->after},
              {"shift", b->shift},
              {"description", b->Describe()},
              {"warning", warning}};
}

Json RowDetailsJson(const service::TimeRow& r, int decimals) {
  Json d = Json::object();
  if (r.ok() && r.setup && !r.automatic) d = MethodDetails(*r.setup, *r.timing);
  if (r.bootstrap && *r.bootstrap) {
    const BootstrapResult& b = **r.bootstrap;
    d["bootstrap_error"] = b.error;
    d["bootstrap_error_text"] = ResultText(b.error, decimals);
    d["bootstrap_delivered"] = b.delivered;
  } else if (r.bootstrap) {
    d["bootstrap_message"] = r.bootstrap->error().message;
  }
  return d;
}

Json RangesJson(const service::ChosenRanges& chosen) {
  Json j = Json::object();
  if (!chosen.ranges) {
    for (const char* m : {"parabola", "chords", "kvw", "fourier"}) {
      j[m] = Refused(chosen.ranges.error().message);
    }
  } else {
    const AutoRanges& r = *chosen.ranges;
    j["parabola"] = r.parabola ? Json{{"first", r.parabola->first},
                                      {"last", r.parabola->last},
                                      {"why", r.parabola->why}}
                               : Refused(r.parabola.error().message);
    j["chords"] = r.chords ? Json{{"i1", r.chords->i1},
                                  {"i2", r.chords->i2},
                                  {"i3", r.chords->i3},
                                  {"i4", r.chords->i4},
                                  {"why", r.chords->why}}
                           : Refused(r.chords.error().message);
    j["kvw"] = r.kvw ? Json{{"first", r.kvw->range.first},
                            {"last", r.kvw->range.last},
                            {"step", r.kvw->stepText},
                            {"frac", r.kvw->fracText},
                            {"why", r.kvw->range.why}}
                     : Refused(r.kvw.error().message);
    j["fourier"] = r.fourier ? Json{{"first", r.fourier->range.first},
                                    {"last", r.fourier->range.last},
                                    {"why", r.fourier->range.why}}
                             : Refused(r.fourier.error().message);
    // A light curve with more than one eclipse: which one every method timed.
    if (!r.eclipseNote.empty()) j["eclipses"] = r.eclipseNote;
  }
  j["sliding"] = chosen.sliding
                     ? Json{{"first", chosen.sliding->first}, {"last", chosen.sliding->last}}
                     : Refused(chosen.sliding.error().message);
  return j;
}

Json TimeJson(const std::string& file, double hjdBase, const service::TimeOutcome& outcome,
              std::string_view timeScale) {
  Json j;
  j["file"] = file;
  j["hjd_base"] = hjdBase;
  j["time_scale"] = timeScale;
  j["points"] = outcome.points;  // every one timed: a long night is never binned
  j["results"] = Json::array();
  for (const service::TimeRow& r : outcome.rows) {
    Json o;
    o["method"] = r.method();
    o["row"] = r.row;
    o["ok"] = r.ok();
    if (r.ok()) {
      const Timing& t = *r.timing;
      o["time"] = t.time;
      o["error"] = t.minimum.error;
      o["time_text"] = t.timeText;
      o["error_text"] = t.errorText;
      if (BelowPrecision(t.minimum.error, outcome.decimals)) o["below_precision"] = true;
      const Json details = RowDetailsJson(r, outcome.decimals);
      for (const auto& [key, value] : details.items()) o[key] = value;
    } else {
      o["message"] = r.message();
    }
    j["results"].push_back(o);
  }
  j["combination"] = outcome.combination
                         ? CombinationJson(*outcome.combination, outcome.adopted)
                         : Json(nullptr);
  if (outcome.ranges) j["ranges"] = RangesJson(*outcome.ranges);
  if (outcome.baseline) j["baseline"] = BaselineJson(*outcome.baseline, outcome.baselineWarning);
  return j;
}

Json BatchFileJson(const std::string& file, const service::BatchFileResult& result) {
  if (result.failed) return Json{{"file", file}, {"ok", false}, {"message", result.error}};
  const Combination& comb = result.combination;
  Json o{{"file", file},
         {"ok", true},
         {"hjd_base", result.hjdBase},
         {"time_scale", import::TimeScaleName(result.report.timeScale)}};
  o["results"] = Json::array();
  for (const service::TimeRow& r : result.rows) {
    Json row{{"method", r.method()}, {"ok", r.ok()}};
    if (r.ok()) {
      const Timing& t = *r.timing;
      row["time"] = t.time;
      row["error"] = t.minimum.error;
      row["time_text"] = t.timeText;
      row["error_text"] = t.errorText;
      row["used"] = comb.checkedAfter[r.row - 1];
      if (BelowPrecision(t.minimum.error, result.decimals)) row["message"] = kBelowPrecisionNotice;
    } else {
      row["message"] = r.message();
    }
    o["results"].push_back(row);
  }
  o["combination"] = comb.computed ? Json{{"weighted_mean", comb.weightedMean},
                                          {"uncertainty", comb.uncertainty},
                                          {"simple_mean", comb.simpleMean},
                                          {"weighted_mean_text", comb.weightedMeanText},
                                          {"uncertainty_text", comb.uncertaintyText},
                                          {"used_rows", comb.usedRows}}
                                   : Json(nullptr);
  return o;
}

Json SeriesJson(const std::string& file, const service::SeriesOutcome& outcome) {
  const SeriesOptions& opt = outcome.options;
  const SeriesResult& r = outcome.result;
  Json j;
  j["file"] = file;
  j["time_scale"] = outcome.scale;
  Json e;
  e["epoch"] = r.ephemeris.epoch;
  e["period"] = r.ephemeris.period;
  e["secondary_phase"] = NumberOrNull(opt.secondaryPhase);
  e["half_width"] = r.halfWidth;
  if (r.refined) {
    e["refined"] = Json{{"epoch", r.refined->epoch},
                        {"period", r.refined->period},
                        {"epoch_error", r.refined->epochError},
                        {"period_error", r.refined->periodError},
                        {"minima", r.refined->minima},
                        {"reduced_chi_square", r.refined->reducedChiSquare}};
  } else {
    e["refined"] = nullptr;
    e["refined_message"] = r.refinedMessage;
  }
  if (r.jitter) {
    e["timing_jitter"] = Json{{"jitter", r.jitter->jitter},
                              {"ratio", r.jitter->ratio},
                              {"pairs", r.jitter->pairs},
                              {"clipped", r.jitter->clipped}};
  }
  j["ephemeris"] = e;
  j["rows"] = Json::array();
  for (const SeriesRow& row : r.rows) {
    Json o;
    o["cycle"] = row.cycle;
    o["kind"] = std::string(1, row.kind);
    o["predicted"] = row.predicted;
    o["time"] = NumberOrNull(row.time);
    o["error"] = NumberOrNull(row.error);
    if (row.ownError) o["own_error"] = *row.ownError;
    o["n_points"] = row.nPoints;
    o["adopted_note"] = row.adoptedNote;
    o["baseline"] = row.baseline;
    o["baseline_warning"] = row.baselineWarning;
    o["methods"] = Json::array();
    for (const SeriesMethodTime& m : row.methods) {
      Json mj{{"method", m.method}, {"time", m.time}, {"error", m.error}};
      if (m.bootstrapError) mj["bootstrap_error"] = *m.bootstrapError;
      o["methods"].push_back(mj);
    }
    o["o_minus_c"] = NumberOrNull(row.OMinusC());
    o["o_minus_c_min"] = row.time ? Json(*row.OMinusC() * 1440) : Json(nullptr);
    o["message"] = row.message;
    o["time_source"] = row.timeSource;
    if (row.profile) {
      const ProfileFit& f = *row.profile;
      o["profile"] = Json{{"time", f.time},
                          {"error", f.error},
                          {"covariance_error", f.covarianceError},
                          {"bootstrap_error", NumberOrNull(f.bootstrapError)},
                          {"reduced_chi_square", f.reducedChiSquare},
                          {"beta", f.beta},
                          {"depth_scale", f.depthScale},
                          {"n_points", f.points},
                          {"note", f.note}};
    } else {
      o["profile"] = nullptr;
      o["profile_message"] = row.profileMessage;
    }
    j["rows"].push_back(o);
  }
  return j;
}

}  // namespace vantor::cli
