// vantor-cli time: runs the timing methods on a light-curve file with the
// ranges given as working indices, and optionally combines the results as the
// main window's "Calc. Means" does. The digits it prints are the ones the
// desktop program's result boxes show.
#include <array>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/session.h"
#include "core/combination.h"
#include "core/format.h"
#include "core/text.h"
#include "core/textfile.h"
#include "methods/chords.h"
#include "methods/fourier.h"
#include "methods/kwee.h"
#include "methods/parabola.h"
#include "methods/sliding.h"
#include "methods/tracing.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

struct TimeArgs {
  SessionOptions session;
  std::string deleteList;
  std::string parabola, chords, kvw, fourier, exclude, start, fold;
  std::string step = "1", frac = ".9";
  bool tracing = false, sliding = false, combine = false, json = false;
  int smooth = 0;
};

struct Range {
  int first = 0, last = 0;
};

// One row of the main window as a method fills it.
struct Row {
  Row(const char* m, int r) : method(m), row(r) {}
  const char* method;
  int row;
  bool ok = false;
  double time = 0, error = 0;
  std::string timeText, errorText, message;
  Json details = Json::object();
};

constexpr const char* kRowTitles[7] = {"",
                                       "1. Parabolic Fit",
                                       "2. Tracing Paper",
                                       "3. Bisectors of Chords",
                                       "4. Kwee and van Woerden",
                                       "5. Fourier Fit",
                                       "6. Sliding Integrations"};

bool ParseInt(std::string_view text, int& value) {
  text = TrimBlanks(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool ParseDouble(std::string_view text, double& value) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
         std::isfinite(value);
}

bool ParseRange(std::string_view text, Range& r) {
  const auto colon = text.find(':');
  return colon != std::string_view::npos && ParseInt(text.substr(0, colon), r.first) &&
         ParseInt(text.substr(colon + 1), r.last);
}

Row Refused(const char* method, int row, std::string message) {
  Row r{method, row};
  r.message = std::move(message);
  return r;
}

Row Delivered(const char* method, int row, const Store& s, double relTime, double error) {
  Row r{method, row};
  r.ok = true;
  r.time = s.HjdBase + relTime;
  r.error = error;
  r.timeText = FormatResult(s.HjdBase + relTime);
  r.errorText = FormatResult(error);
  return r;
}

Row RunParabola(const Store& s, Range range) {
  if (LooksInverted(s)) return Refused("parabola", 1, kInvertedMessage);
  const auto fit = FitParabola(s, range.first, range.last);
  if (!fit) return Refused("parabola", 1, fit.error().message);
  Row r = Delivered("parabola", 1, s, fit->tv, fit->error);
  r.details = {{"rms", fit->rms}, {"a0", fit->a0}, {"a1", fit->a1}, {"a2", fit->a2}};
  return r;
}

Row RunTracing(Store& s, const TimeArgs& a) {
  if (LooksInverted(s)) return Refused("tracing", 2, kInvertedMessage);
  StartTracing(s);
  std::string smoothing = "No averaging";
  for (int k = 0; k < a.smooth; ++k) {
    if (auto caption = SmoothStep(s)) smoothing = *caption;
  }
  if (!a.fold.empty()) {
    double fold = 0;
    ParseDouble(a.fold, fold);  // validated before any method runs
    s.FoldTime = fold;
  }
  ComputeFoldLayout(s);
  const auto res = TracingResultOf(s);
  if (!res) return Refused("tracing", 2, res.error().message);
  Row r{"tracing", 2};
  r.ok = true;
  r.time = res->time;
  r.error = res->error;
  r.timeText = res->timeText;
  r.errorText = res->errorText;
  r.details = {{"fold_time", s.FoldTime}, {"smoothing", smoothing}};
  return r;
}

Row RunChords(const Store& s, Range left, Range right) {
  if (LooksInverted(s)) return Refused("chords", 3, kInvertedMessage);
  const auto res = BisectChords(s, left.first, left.last, right.first, right.last);
  if (!res) return Refused("chords", 3, res.error().message);
  Row r = Delivered("chords", 3, s, res->T, res->E);
  r.details = {{"midpoints", res->n}};
  return r;
}

Row RunKvw(Store& s, Range range, const TimeArgs& a) {
  if (LooksInverted(s)) return Refused("kvw", 4, kInvertedMessage);
  const auto res = KweeVanWoerden(s, range.first, range.last, a.step, a.frac);
  if (!res) return Refused("kvw", 4, res.error().message);
  Row r = Delivered("kvw", 4, s, res->T0, res->sigma);
  r.details = {{"samples", res->samples}, {"centre", res->centre}};
  return r;
}

Row RunFourier(Store& s, Range range, std::optional<Range> exclude,
               const std::optional<std::array<double, 9>>& start) {
  if (LooksInverted(s)) return Refused("fourier", 5, kInvertedMessage);
  s.FourierLeftIdx = static_cast<int16_t>(range.first);
  s.FourierRightIdx = static_cast<int16_t>(range.last);
  s.FourierLeftSet = s.FourierRightSet = s.FourierRangeSet = true;
  s.ExcludeMode = exclude.has_value();
  if (exclude) {
    s.ExclLeftIdx = static_cast<int16_t>(exclude->first);
    s.ExclRightIdx = static_cast<int16_t>(exclude->last);
  }
  if (start) s.FitParam = *start;
  const auto res = FitFourier(s);
  if (!res) return Refused("fourier", 5, res.error().message);
  Row r = Delivered("fourier", 5, s, res->FitParam[1], res->error);
  Json params = Json::array();
  for (int k = 1; k <= 8; ++k) params.push_back(res->FitParam[k]);
  r.details = {{"fit_param", params}, {"chi_sq", res->chiSq}, {"iterations", res->calls}};
  return r;
}

Row RunSliding(const Store& s) {
  const auto res = RunSlidingIntegrations(s);
  if (!res) return Refused("sliding", 6, res.error().message);
  Row r = Delivered("sliding", 6, s, res->result.tmin, res->result.err);
  r.details = {{"stretch_first", res->stretch.first},
               {"stretch_last", res->stretch.last},
               {"window_steps", res->result.m},
               {"grid_step", res->result.h}};
  return r;
}

Json NumberOrNull(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

void PrintTable(const Store& s, const std::vector<Row>& rows, const Combination* comb) {
  std::printf("Vantor - %s  (%d of %d points, HJD base %.0f)\n\n", s.DataFileName.c_str(),
              s.NPoints, s.NPointsAll, s.HjdBase);
  std::printf("%-26s %-16s %-14s %s\n", "", "Time of Minimum", "Est'd Error", "Use in Mean?");
  for (int k = 1; k <= 6; ++k) {
    const Row* row = nullptr;
    for (const Row& r : rows) {
      if (r.row == k) row = &r;
    }
    if (row == nullptr) {
      std::printf("%-26s\n", kRowTitles[k]);
    } else if (row->ok) {
      const bool in = comb == nullptr || comb->checkedAfter[k - 1];
      std::printf("%-26s %-16s %-14s %s\n", kRowTitles[k], row->timeText.c_str(),
                  row->errorText.c_str(), in ? "In" : "");
    } else {
      std::printf("%-26s refused: %s\n", kRowTitles[k], row->message.c_str());
    }
  }
  if (comb != nullptr && comb->computed) {
    std::printf("\n%-26s %s\n", "Simple Mean", comb->simpleMeanText.c_str());
    std::printf("%-26s %s\n", "Weighted Mean", comb->weightedMeanText.c_str());
    std::printf("%-26s %s\n", "Weighted Mean uncertainty", comb->uncertaintyText.c_str());
    std::printf("%-26s %s\n", "Std. Deviation of Means", comb->stdDevText.c_str());
  } else if (comb != nullptr) {
    std::printf("\nNo method delivered a usable result to combine.\n");
  }
}

int Usage(const std::string& message) {
  std::cerr << "vantor-cli time: " << message << "\n";
  return 2;
}

int RunTime(TimeArgs a) {
  // Validate every argument before loading, so that bad usage never half-runs.
  SessionOptions options = a.session;
  if (!a.deleteList.empty() && !ParseIndexList(a.deleteList, options.deletions)) {
    return Usage("--delete expects point numbers separated by commas, such as 3,17");
  }
  Range parabola, kvw, fourier, chordsLeft, chordsRight;
  std::optional<Range> exclude;
  std::optional<std::array<double, 9>> start;
  if (!a.parabola.empty() && !ParseRange(a.parabola, parabola)) {
    return Usage("--parabola expects I1:I2, such as 12:40");
  }
  if (!a.kvw.empty() && !ParseRange(a.kvw, kvw)) return Usage("--kvw expects I1:I2");
  if (!a.fourier.empty() && !ParseRange(a.fourier, fourier)) {
    return Usage("--fourier expects I1:I2");
  }
  if (!a.chords.empty()) {
    const auto parts = SplitFields(a.chords);
    if (parts.size() != 2 || !ParseRange(parts[0], chordsLeft) ||
        !ParseRange(parts[1], chordsRight)) {
      return Usage("--chords expects I1:I2,I3:I4 (the left and the right branch ranges)");
    }
  }
  if (!a.exclude.empty()) {
    Range e;
    if (!ParseRange(a.exclude, e)) return Usage("--exclude expects E1:E2");
    exclude = e;
  }
  if (!a.start.empty()) {
    const auto parts = SplitFields(a.start);
    std::array<double, 9> p{};
    if (parts.size() != 8) return Usage("--start expects eight numbers X0,C,W,A1,A2,A3,A4,A5");
    for (int k = 0; k < 8; ++k) {
      if (!ParseDouble(parts[k], p[k + 1])) {
        return Usage("--start: \"" + std::string(TrimBlanks(parts[k])) + "\" is not a number");
      }
    }
    start = p;
  }
  double fold = 0;
  if (!a.fold.empty() && !ParseDouble(a.fold, fold)) {
    return Usage("--fold expects a time in days relative to the HJD base");
  }
  if (a.smooth < 0) return Usage("--smooth expects a count of 0 or more");
  if (!a.fold.empty() || a.smooth > 0) a.tracing = true;
  const bool anyMethod = !a.parabola.empty() || !a.chords.empty() || !a.kvw.empty() ||
                         !a.fourier.empty() || a.tracing || a.sliding;
  if (!anyMethod) a.tracing = a.sliding = true;

  auto store = std::make_unique<Store>();
  std::string error;
  if (!LoadSession(options, *store, error)) {
    std::cerr << error << "\n";
    return 2;
  }
  Store& s = *store;

  std::vector<Row> rows;
  if (!a.parabola.empty()) rows.push_back(RunParabola(s, parabola));
  if (a.tracing) rows.push_back(RunTracing(s, a));
  if (!a.chords.empty()) rows.push_back(RunChords(s, chordsLeft, chordsRight));
  if (!a.kvw.empty()) rows.push_back(RunKvw(s, kvw, a));
  if (!a.fourier.empty()) rows.push_back(RunFourier(s, fourier, exclude, start));
  if (a.sliding) rows.push_back(RunSliding(s));

  std::optional<Combination> comb;
  if (a.combine) {
    std::array<CombinationRow, 6> input{};
    for (const Row& r : rows) {
      if (r.ok) input[r.row - 1] = CombinationRow{r.timeText, r.errorText, true};
    }
    comb = CombineMinima(input);
  }

  if (a.json) {
    Json j;
    j["file"] = a.session.file;
    j["hjd_base"] = s.HjdBase;
    j["results"] = Json::array();
    for (const Row& r : rows) {
      Json o;
      o["method"] = r.method;
      o["row"] = r.row;
      o["ok"] = r.ok;
      if (r.ok) {
        o["time"] = r.time;
        o["error"] = r.error;
        o["time_text"] = r.timeText;
        o["error_text"] = r.errorText;
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
      j["combination"] = c;
    } else {
      j["combination"] = nullptr;
    }
    std::cout << j.dump(2) << "\n";
  } else {
    PrintTable(s, rows, comb ? &*comb : nullptr);
  }
  for (const Row& r : rows) {
    if (!r.ok) return 1;
  }
  return 0;
}

}  // namespace

void AddTimeCommand(CLI::App& app, int& exitStatus) {
  auto a = std::make_shared<TimeArgs>();
  CLI::App* cmd = app.add_subcommand(
      "time", "Time the minimum of a light curve by one or more methods (default: --sliding --tracing)");
  cmd->add_option("FILE", a->session.file, "Light-curve file (CSV: HJD, magnitude)")->required();
  cmd->add_flag("--cv", a->session.cv, "Use the \"--Mags (C-V)\" sign convention");
  cmd->add_option("--delete", a->deleteList, "Delete points I,J,... (1-based, as in the file)");
  cmd->add_option("--parabola", a->parabola, "Parabolic fit over working points I1:I2");
  cmd->add_flag("--tracing", a->tracing, "Tracing paper");
  cmd->add_option("--fold", a->fold, "Tracing paper: fold time in days after the HJD base");
  cmd->add_option("--smooth", a->smooth, "Tracing paper: press \"Smooth\" K times");
  cmd->add_option("--chords", a->chords, "Bisectors of chords over I1:I2,I3:I4");
  auto* kvw = cmd->add_option("--kvw", a->kvw, "Kwee and van Woerden over I1:I2");
  cmd->add_option("--step", a->step, "Kwee and van Woerden: the \"Stepp\" box (default 1)")
      ->needs(kvw);
  cmd->add_option("--frac", a->frac, "Kwee and van Woerden: the \"Frac\" box (default .9)")
      ->needs(kvw);
  auto* fourier = cmd->add_option("--fourier", a->fourier, "Fourier fit over I1:I2");
  cmd->add_option("--exclude", a->exclude, "Fourier fit: leave out points E1:E2")->needs(fourier);
  cmd->add_option("--start", a->start, "Fourier fit: starting values X0,C,W,A1,A2,A3,A4,A5")
      ->needs(fourier);
  cmd->add_flag("--sliding", a->sliding, "Sliding integrations");
  cmd->add_flag("--combine", a->combine, "Combine the delivered results as \"Calc. Means\" does");
  cmd->add_flag("--json", a->json, "Print one JSON object");
  cmd->callback([a, &exitStatus] { exitStatus = RunTime(*a); });
}

}  // namespace vantor::cli
