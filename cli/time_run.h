// The options of `vantor-cli time` as typed and their checking into the
// service's plan (service/time_service.h), apart from the command that
// parses them with CLI11 and prints the outcome; tests and the fuzz targets
// call these in-process.
#pragma once

#include <string>
#include <vector>

#include "core/format.h"
#include "service/session.h"
#include "service/time_service.h"

namespace vantor::cli {

using service::SessionOptions;

// The options of `vantor-cli time` as typed.
struct TimeArgs {
  SessionOptions session;
  std::string deleteList;
  std::string parabola, chords, kvw, fourier, exclude, start, fold;
  std::string step = "1", frac = ".9";
  bool tracing = false, sliding = false, combine = false, json = false;
  bool detrend = false;  // --detrend: remove the baseline before timing
  int smooth = 0;
  int decimals = kDefaultDecimals;  // --decimals: 5, 6 or 7
};

// The options once checked: the file and its edits, and the service's plan.
struct TimePlan : service::TimePlan {
  SessionOptions session;  // with the deletions parsed
};

// Checks every option before anything is loaded. On bad usage returns false
// and sets `usage` to what is wrong, so that bad usage never half-runs.
bool PlanTime(const TimeArgs& args, TimePlan& plan, std::string& usage);

// The options of `vantor-cli time --auto`: refuses a range option (the
// automatic rule chooses every range) and, when the tracing paper is not
// asked for, adds sliding integrations to it. False with `usage` set on a
// refusal.
bool ApplyAutoChoice(TimeArgs& args, std::string& usage);

// Parses "I,J,..." into indices; false on a malformed list.
bool ParseIndexList(const std::string& text, std::vector<int>& out);

}  // namespace vantor::cli
