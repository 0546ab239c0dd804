// vantor-cli time: runs the timing methods on a light-curve file with the
// ranges given as working indices, and optionally combines the results as the
// main window's "Calc. Means" does. The digits it prints are the ones the
// desktop program's result boxes show. The methods run in the service
// (service/time_service.h); this file holds the options and the printing.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/file_label.h"
#include "cli/import_flags.h"
#include "cli/json_out.h"
#include "cli/time_run.h"
#include "core/combination.h"
#include "core/format.h"
#include "core/method_rows.h"
#include "core/number.h"

namespace vantor::cli {
namespace {

using Json = nlohmann::ordered_json;

// The adopted time under the means, and the baseline removed.
void PrintAdopted(const service::TimeOutcome& outcome) {
  if (outcome.adopted && *outcome.adopted) {
    const AdoptedTime& a = **outcome.adopted;
    std::printf("\n%-26s %s\n", "Adopted Time", ResultText(a.time, outcome.decimals).c_str());
    std::printf("%-26s %s  (%s s)\n", "Adopted Time error",
                ResultText(a.error, outcome.decimals).c_str(),
                FormatNumber(a.error * 86400, 'g', 3).c_str());
    std::string used;
    for (const std::string& m : a.methods) used += (used.empty() ? "" : ", ") + m;
    std::printf("  from %s: %s\n", used.c_str(), a.note.c_str());
  } else if (outcome.adopted) {
    std::printf("\nNo adopted time: %s\n", outcome.adopted->error().message.c_str());
  }
  if (outcome.baseline) {
    std::printf("\nBaseline: %s\n", *outcome.baseline ? (*outcome.baseline)->Describe().c_str()
                                                       : outcome.baseline->error().message.c_str());
  }
  if (!outcome.baselineWarning.empty()) std::printf("%s\n", outcome.baselineWarning.c_str());
}

void PrintTable(const service::Session& session, const service::TimeOutcome& outcome,
                std::string_view timeScale) {
  const Combination* comb = outcome.combination ? &*outcome.combination : nullptr;
  std::printf("Vantor - %s  (%d of %d points, HJD base %s, time scale %s)\n\n",
              session.DataFileName().c_str(), session.NPoints(), session.NPointsAll(),
              FormatNumber(session.HjdBase(), 'f', 0).c_str(), std::string(timeScale).c_str());
  std::printf("%-26s %-16s %-14s %s\n", "", "Time of Minimum", "Est'd Error", "Use in Mean?");
  for (int k = 1; k <= 6; ++k) {
    const service::TimeRow* row = nullptr;
    for (const service::TimeRow& r : outcome.rows) {
      if (r.row == k) row = &r;
    }
    if (row == nullptr) {
      std::printf("%-26s\n", MethodTitle(k));
    } else if (row->ok()) {
      const Timing& t = *row->timing;
      const bool in = comb == nullptr || comb->checkedAfter[k - 1];
      std::printf("%-26s %-16s %-14s %-4s", MethodTitle(k), t.timeText.c_str(),
                  t.errorText.c_str(), in ? "In" : "");
      if (row->bootstrap && *row->bootstrap) {
        std::printf("  bootstrap %s",
                    ResultText((*row->bootstrap)->error, outcome.decimals).c_str());
      }
      if (BelowPrecision(t.minimum.error, outcome.decimals)) {
        std::printf("  (%s)", kBelowPrecisionNotice);
      }
      std::printf("\n");
    } else {
      std::printf("%-26s refused: %s\n", MethodTitle(k), row->message().c_str());
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
  // A checked row the means left out because its error shows as zero.
  if (comb != nullptr) {
    for (const int k : comb->belowPrecisionRows) {
      std::printf("%s: not used, %s\n", MethodTitle(k), kBelowPrecisionNotice);
    }
    if (!comb->weightsNote.empty()) std::printf("%s\n", comb->weightsNote.c_str());
  }
  PrintAdopted(outcome);
}

int RunTime(const TimeArgs& given, bool automatic, int bootstrap, bool bootstrapWeights) {
  TimeArgs a = given;
  if (bootstrapWeights && !a.combine) {
    std::cerr << "vantor-cli time: --weights bootstrap weights the means of --combine; add "
                 "--combine\n";
    return 2;
  }
  std::string usage;
  if (automatic && !ApplyAutoChoice(a, usage)) {
    std::cerr << "vantor-cli time: " << usage << "\n";
    return 2;
  }
  TimePlan plan;
  if (!PlanTime(a, plan, usage)) {
    std::cerr << "vantor-cli time: " << usage << "\n";
    return 2;
  }
  auto loaded = service::LoadSession(plan.session);
  if (!loaded) {
    std::cerr << loaded.error().message << "\n";
    return 2;
  }
  service::Session& session = *loaded;
  PrintImportNotes(plan.session.file, session.report);
  const std::string_view timeScale = import::TimeScaleName(session.report.timeScale);
  session.Working.ResultDecimals = a.decimals;
  // On a terminal, a progress line rewritten in place; never in a log or pipe.
  BootstrapProgress progress;
  int shown = -1;
  if (::isatty(STDERR_FILENO) == 1) {
    progress = [&shown](long long done, long long total) {
      const int percent = static_cast<int>(100 * done / std::max(1LL, total));
      if (percent != shown) {
        shown = percent;
        std::fprintf(stderr, "\rBootstrap: %lld of %lld resampled light curves (%d %%)\033[K",
                     done, total, percent);
        std::fflush(stderr);
      }
      return true;
    };
  }
  // With --auto the automatic rows bring sliding integrations.
  if (automatic) plan.sliding = false;
  service::TimeRequest request;
  request.setups = service::PlannedSetups(session, plan);
  request.automatic = automatic;
  request.bootstrap = bootstrap;
  request.bootstrapWeights = bootstrapWeights;
  request.combine = plan.combine;
  request.detrend = plan.detrend;
  const service::TimeOutcome outcome = service::RunTime(session.View(), request, progress);
  if (shown >= 0) std::fputc('\n', stderr);

  if (a.json) {
    std::cout << DumpJson(TimeJson(a.session.file, session.HjdBase(), outcome, timeScale)) << "\n";
  } else {
    PrintTable(session, outcome, timeScale);
    for (const std::string& note : outcome.notes) std::printf("\n%s\n", note.c_str());
  }
  for (const service::TimeRow& r : outcome.rows) {
    if (!r.ok()) return 1;
  }
  return 0;
}

}  // namespace

void AddTimeCommand(CLI::App& app, int& exitStatus) {
  auto a = std::make_shared<TimeArgs>();
  CLI::App* cmd = app.add_subcommand(
      "time",
      "Time the minimum of a light curve by one or more methods (default: --sliding --tracing)");
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
  cmd->add_flag("--detrend", a->detrend,
                "Fit a baseline to the out-of-eclipse points on both sides and remove it before "
                "timing");
  cmd->add_flag("--json", a->json, "Print one JSON object");
  AddImportOptions(cmd, a->session.import);
  cmd->add_option("--decimals", a->decimals,
                  "Decimals of a day for times, errors and means: 5 (default), 6 or 7")
      ->check(CLI::Range(kDefaultDecimals, kMostDecimals));
  auto automatic = std::make_shared<bool>(false);
  cmd->add_flag("--auto", *automatic,
                "Choose every range automatically and run the five range methods and sliding "
                "integrations (the JSON gains a \"ranges\" object)");
  auto bootstrap = std::make_shared<int>(0);
  cmd->add_option("--bootstrap", *bootstrap,
                  "Estimate each method's error also from N resampled light curves (seeded)")
      ->check(CLI::Range(service::kFewestBootstrap, service::kMostBootstrap));
  auto weights = std::make_shared<std::string>("own");
  cmd->add_option("--weights", *weights,
                  "With --combine: weight the means by the methods' own errors (own, the "
                  "default) or by bootstrap errors (bootstrap: from --bootstrap N, else " +
                      std::to_string(kBootstrapDefaultRuns) + " resampled light curves)")
      ->check(CLI::IsMember({"own", "bootstrap"}));
  cmd->callback([a, automatic, bootstrap, weights, &exitStatus] {
    exitStatus = RunTime(*a, *automatic, *bootstrap, *weights == "bootstrap");
  });
}

}  // namespace vantor::cli
