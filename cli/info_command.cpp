// vantor-cli info FILE [--cv] [--delete I,J,...] [--json]: the state of a
// loaded light curve.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/file_label.h"
#include "cli/import_flags.h"
#include "cli/json_out.h"
#include "cli/time_run.h"
#include "service/session.h"
#include "core/format.h"
#include "core/number.h"

namespace vantor::cli {
namespace {

struct InfoArgs {
  SessionOptions session;
  std::string deleteList;
  bool json = false;
};

int RunInfo(const InfoArgs& args) {
  SessionOptions options = args.session;
  if (!args.deleteList.empty() && !ParseIndexList(args.deleteList, options.deletions)) {
    std::cerr << "vantor-cli: --delete expects point numbers separated by commas, such as 3,17\n";
    return 2;
  }
  const auto loaded = service::LoadSession(options);
  if (!loaded) {
    std::cerr << loaded.error().message << "\n";
    return 2;
  }
  const service::Session& session = *loaded;
  const service::LoadReport& report = session.report;
  PrintImportNotes(options.file, report);
  const CurveView s = session.View();
  if (args.json) {
    nlohmann::ordered_json j;
    j["n_all"] = session.NPointsAll();
    j["n"] = s.NPoints;
    j["hjd_base"] = s.HjdBase;
    j["time_scale"] = import::TimeScaleName(report.timeScale);
    j["t_min"] = s.TMin;
    j["t_max"] = s.TMax;
    j["t_range"] = s.TRange;
    j["mag_min"] = s.MagMin;
    j["mag_max"] = s.MagMax;
    j["mag_range"] = s.MagRange;
    j["bright_idx"] = s.BrightIdx;
    j["faint_idx"] = s.FaintIdx;
    j["inner_extreme_idx"] = s.InnerExtremeIdx;
    j["fold_time"] = session.FoldTime;
    j["fit_param"] = nlohmann::json::array();
    for (int k = 1; k <= 8; ++k) j["fit_param"].push_back(session.FitParam[k]);
    std::cout << DumpJson(j) << "\n";
    return 0;
  }
  auto row = [](const char* name, const std::string& value) {
    std::printf("%-28s %s\n", name, value.c_str());
  };
  auto num = [](double v) { return FormatNumber(v, 'g', 17); };
  row("File", session.DataFilePath);
  row("Original # data points", std::to_string(session.NPointsAll()));
  row("Edited # data points", std::to_string(s.NPoints));
  row("Magnitudes", session.MagSign == 1 ? "+Mags (V-C)" : "--Mags (C-V)");
  row("HJD base (days)", num(s.HjdBase));
  row("Time scale", std::string(import::TimeScaleName(report.timeScale)));
  row("Time axis TMin..TMax (days)", FormatResult(s.TMin, 14, 5) + " .. " + FormatResult(s.TMax, 14, 5));
  row("Time range (days)", FormatResult(s.TRange, 14, 5));
  row("Mag axis MagMin..MagMax", FormatResult(s.MagMin, 14, 4) + " .. " + FormatResult(s.MagMax, 14, 4));
  row("Mag range", FormatResult(s.MagRange, 14, 4));
  row("Brightest point", std::to_string(s.BrightIdx));
  row("Faintest point", std::to_string(s.FaintIdx));
  row("Inner extreme point", std::to_string(s.InnerExtremeIdx));
  row("Fold time (days)", FormatResult(session.FoldTime, 14, 5));
  row("Fold HJD", FormatResult(s.HjdBase + session.FoldTime, 14, 5));
  const char* names[] = {"", "ToM, Xo", "Const, C", "A.Freq, W", "Const, A1",
                         "Const, A2", "Const, A3", "Const, A4", "Const, A5"};
  for (int k = 1; k <= 8; ++k) {
    row((std::string("Fourier start ") + names[k]).c_str(),
        FormatResult(session.FitParam[k], 14, 5));
  }
  return 0;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto args = std::make_shared<InfoArgs>();
  CLI::App* cmd = app.add_subcommand("info", "Load a light curve and print its state");
  cmd->add_option("FILE", args->session.file, "Light-curve file (CSV: HJD, magnitude)")->required();
  cmd->add_flag("--cv", args->session.cv, "Use the \"--Mags (C-V)\" sign convention");
  cmd->add_option("--delete", args->deleteList, "Delete points I,J,... (1-based, as in the file)");
  cmd->add_flag("--json", args->json, "Print one JSON object");
  AddImportOptions(cmd, args->session.import);
  cmd->callback([args, &exitStatus] { exitStatus = RunInfo(*args); });
}

}  // namespace vantor::cli
