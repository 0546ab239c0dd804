// The options of vantor-cli time, checked into the service's plan.
#include "cli/time_run.h"

#include <charconv>

#include "core/textfile.h"

namespace vantor::cli {
namespace {

// A text option: given when not empty.
template <class T>
std::optional<service::Given<T>> Text(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return service::Given<T>(text);
}

}  // namespace

bool PlanTime(const TimeArgs& a, TimePlan& p, std::string& usage) {
  p = TimePlan{};
  p.session = a.session;
  if (!a.deleteList.empty() && !ParseIndexList(a.deleteList, p.session.deletions)) {
    usage = "--delete expects point numbers separated by commas, such as 3,17";
    return false;
  }
  service::TimeChoice c;
  c.parabola = Text<IndexRange>(a.parabola);
  c.kvw = Text<IndexRange>(a.kvw);
  c.fourier = Text<IndexRange>(a.fourier);
  c.exclude = Text<IndexRange>(a.exclude);
  c.chords = Text<std::pair<IndexRange, IndexRange>>(a.chords);
  c.start = Text<std::vector<double>>(a.start);
  c.fold = Text<double>(a.fold);
  c.step = a.step;
  c.frac = a.frac;
  c.tracing = a.tracing;
  c.sliding = a.sliding;
  c.combine = a.combine;
  c.detrend = a.detrend;
  c.smooth = a.smooth;
  return service::PlanTime(c, p, usage);
}

bool ApplyAutoChoice(TimeArgs& a, std::string& usage) {
  const bool ranged = !a.parabola.empty() || !a.chords.empty() || !a.kvw.empty() ||
                      !a.fourier.empty() || a.sliding;
  const bool tracing = a.tracing || !a.fold.empty() || a.smooth != 0;
  return service::CheckAutoChoice(ranged, tracing, a.sliding, usage);
}

bool ParseIndexList(const std::string& text, std::vector<int>& out) {
  out.clear();
  for (const std::string_view raw : SplitFields(text)) {
    const std::string_view f = TrimBlanks(raw);
    int v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (f.empty() || ec != std::errc() || end != f.data() + f.size()) return false;
    out.push_back(v);
  }
  return true;
}

}  // namespace vantor::cli
