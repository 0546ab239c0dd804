#include "cli/json_out.h"

#include "core/format.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

Json NumberOrNull(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

}  // namespace

std::string DumpJson(const Json& j) {
  return j.dump(2, ' ', false, Json::error_handler_t::replace);
}

Json TimeJson(const std::string& file, const Store& s, const std::vector<TimeRow>& rows,
              const std::optional<Combination>& comb, const Json* ranges,
              std::string_view timeScale) {
  Json j;
  j["file"] = file;
  j["hjd_base"] = s.HjdBase;
  j["time_scale"] = timeScale;
  j["results"] = Json::array();
  for (const TimeRow& r : rows) {
    Json o;
    o["method"] = r.method;
    o["row"] = r.row;
    o["ok"] = r.ok;
    if (r.ok) {
      o["time"] = r.time;
      o["error"] = r.error;
      o["time_text"] = r.timeText;
      o["error_text"] = r.errorText;
      if (BelowPrecision(r.error, s.ResultDecimals)) o["below_precision"] = true;
      for (const auto& [key, value] : r.details.items()) o[key] = value;
    } else {
      o["message"] = r.message;
    }
    j["results"].push_back(o);
  }
  if (comb) {
    Json c;
    const bool done = comb->computed;
    c["simple_mean"] = done ? Json(comb->simpleMean) : Json(nullptr);
    c["weighted_mean"] = done ? Json(comb->weightedMean) : Json(nullptr);
    c["uncertainty"] = done ? Json(comb->uncertainty) : Json(nullptr);
    c["std_dev"] = done ? NumberOrNull(comb->stdDev) : Json(nullptr);
    c["simple_mean_text"] = comb->simpleMeanText;
    c["weighted_mean_text"] = comb->weightedMeanText;
    c["uncertainty_text"] = comb->uncertaintyText;
    c["std_dev_text"] = comb->stdDevText;
    c["used_rows"] = comb->usedRows;
    if (!comb->belowPrecisionRows.empty()) {
      c["below_precision_rows"] = comb->belowPrecisionRows;
      c["notice"] = kBelowPrecisionNotice;
    }
    if (!comb->weightsNote.empty()) {
      c["weights"] = "bootstrap";
      c["weights_note"] = comb->weightsNote;
    }
    j["combination"] = c;
  } else {
    j["combination"] = nullptr;
  }
  if (ranges != nullptr) j["ranges"] = *ranges;
  return j;
}

Json BatchFileJson(const std::string& file, const Store& s, const std::vector<TimeRow>& rows,
                   const Combination& comb, std::string_view timeScale) {
  Json o{{"file", file}, {"ok", true}, {"hjd_base", s.HjdBase}, {"time_scale", timeScale}};
  o["results"] = Json::array();
  for (const TimeRow& r : rows) {
    Json row{{"method", r.method}, {"ok", r.ok}};
    if (r.ok) {
      row["time"] = r.time;
      row["error"] = r.error;
      row["time_text"] = r.timeText;
      row["error_text"] = r.errorText;
      row["used"] = comb.checkedAfter[r.row - 1];
      if (BelowPrecision(r.error, s.ResultDecimals)) row["message"] = kBelowPrecisionNotice;
    } else {
      row["message"] = r.message;
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

Json BatchRefusalJson(const std::string& file, const std::string& message) {
  return Json{{"file", file}, {"ok", false}, {"message", message}};
}

}  // namespace vantor::cli
