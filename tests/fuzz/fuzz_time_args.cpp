// Fuzz target of the option values of `vantor-cli time` (ranges, the tuning
// texts of Kwee and van Woerden, the Fourier exclusion and starting values,
// the fold, the smoothing count, deletions), run in-process against a fixed
// light curve. The input holds one option value per line, in the order
//   parabola, chords, kvw, step, frac, fourier, exclude, start, fold, smooth,
//   delete, flags
// (flags: c = --cv, t = --tracing, s = --sliding, m = --combine, e = the
// second light curve); a missing line leaves its option out. Every delivered
// result must be finite and shown with the main window's digits, every
// refusal must say why, the combination of finite results must be finite,
// and no method may change the loaded light curve.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/time_run.h"
#include "core/format.h"
#include "fuzz_check.h"
#include "methods/tracing.h"
#include "service/session.h"
#include "service/time_service.h"

namespace {

using vantor::service::Session;

// The fields of a session that hold the light curve and its limits.
bool SameLightCurve(const Session& a, const Session& b) {
  const vantor::CurveView x = a.View(), y = b.View();
  return a.NPointsAll() == b.NPointsAll() && a.NPoints() == b.NPoints() && a.HjdRaw == b.HjdRaw &&
         a.MagRaw == b.MagRaw && a.Deleted == b.Deleted &&
         a.Working.RelTime == b.Working.RelTime && a.Working.Mag == b.Working.Mag &&
         a.HjdBase() == b.HjdBase() && a.MagSign == b.MagSign && x.TMin == y.TMin &&
         x.TMax == y.TMax && x.MagMin == y.MagMin && x.MagMax == y.MagMax &&
         x.FaintIdx == y.FaintIdx && x.BrightIdx == y.BrightIdx && a.FoldTime == b.FoldTime &&
         a.FitParam == b.FitParam;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::vector<std::string> f = Lines({reinterpret_cast<const char*>(data), size});
  auto field = [&](size_t k) -> const std::string* { return k < f.size() ? &f[k] : nullptr; };

  vantor::cli::TimeArgs a;
  std::string* targets[] = {&a.parabola, &a.chords, &a.kvw,  &a.step,
                            &a.frac,     &a.fourier, &a.exclude, &a.start, &a.fold};
  for (size_t k = 0; k < std::size(targets); ++k) {
    if (const std::string* v = field(k)) *targets[k] = *v;
  }
  if (const std::string* v = field(9); v && !v->empty()) {
    // CLI11 takes the count as an int.
    const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), a.smooth);
    if (ec != std::errc() || end != v->data() + v->size()) return 0;
  }
  if (const std::string* v = field(10)) a.deleteList = *v;
  const std::string flags = field(11) ? *field(11) : "";
  a.session.cv = flags.find('c') != std::string::npos;
  a.tracing = flags.find('t') != std::string::npos;
  a.sliding = flags.find('s') != std::string::npos;
  a.combine = flags.find('m') != std::string::npos;
  a.session.file = std::string(VANTOR_SOURCE_DIR) + (flags.find('e') != std::string::npos
                                                         ? "/examples/eclipse_header.csv"
                                                         : "/tests/data/real/CMDra7024.csv");

  vantor::cli::TimePlan plan;
  std::string usage;
  if (!vantor::cli::PlanTime(a, plan, usage)) {
    FUZZ_CHECK(!usage.empty());
    return 0;
  }
  auto s = vantor::service::LoadSession(plan.session);
  if (!s) {
    FUZZ_CHECK(!s.error().message.empty());
    return 0;
  }
  int kept = 0;
  for (int i = 1; i <= s->NPointsAll(); ++i) kept += s->Deleted[i] == 0;
  FUZZ_CHECK(kept == s->NPoints() && (s->MagSign == 1 || s->MagSign == -1));
  const Session loaded = *s;

  vantor::service::TimeRequest request;
  request.setups = vantor::service::PlannedSetups(*s, plan);
  const auto rows = vantor::service::RunTime(s->View(), request).rows;
  FUZZ_CHECK(SameLightCurve(*s, loaded));
  for (const auto& r : rows) {
    FUZZ_CHECK(1 <= r.row && r.row <= 6);
    if (!r.ok()) {
      FUZZ_CHECK(!r.message().empty());
      continue;
    }
    const vantor::Timing& t = *r.timing;
    FUZZ_CHECK(std::isfinite(t.time) && std::isfinite(t.minimum.error));
    FUZZ_CHECK(t.timeText == vantor::FormatResult(t.time));
    FUZZ_CHECK(t.errorText == (r.row == 2 ? vantor::kTracingErrorText
                                          : vantor::FormatResult(t.minimum.error)));
  }
  if (plan.combine) {
    const vantor::Combination c = vantor::service::CombineRows(rows);
    if (c.computed) {
      FUZZ_CHECK(std::isfinite(c.simpleMean) && std::isfinite(c.weightedMean) &&
                 std::isfinite(c.uncertainty));
      if (c.stdDev) FUZZ_CHECK(std::isfinite(*c.stdDev));
    }
  }
  return 0;
}
