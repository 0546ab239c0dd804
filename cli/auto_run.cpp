// Automatic timing rows and the ranges they used.
#include "cli/auto_run.h"

#include "core/method_rows.h"
#include "methods/auto_ranges.h"

namespace vantor::cli {

namespace {

using Json = nlohmann::ordered_json;

Json Refused(const std::string& message) { return Json{{"refused", message}}; }

}  // namespace

AutoRun RunAutoRows(Store& s) {
  const AutoTimings timings = RunAutoTimings(s);
  AutoRun run;
  for (const AutoRow& a : AutoRowsOf(timings)) {
    if (a.setup) {
      run.rows.push_back(MakeTimeRow(*a.setup, a.timing, /*details=*/false));
    } else {
      TimeRow r(MethodKey(a.row), a.row);
      r.message = a.message;
      run.rows.push_back(std::move(r));
    }
  }

  Json& j = run.ranges;
  j = Json::object();
  if (!timings.ranges) {
    for (const char* m : {"parabola", "chords", "kvw", "fourier"}) {
      j[m] = Refused(timings.ranges.error().message);
    }
  } else {
    const AutoRanges& r = *timings.ranges;
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
  }
  // A light curve with more than one eclipse: which one every method timed.
  if (timings.ranges && !timings.ranges->eclipseNote.empty()) {
    run.eclipseNote = timings.ranges->eclipseNote;
    j["eclipses"] = run.eclipseNote;
  }
  j["sliding"] = timings.sliding ? Json{{"first", timings.sliding->As<SlidingRun>().stretch.first},
                                        {"last", timings.sliding->As<SlidingRun>().stretch.last}}
                                 : Refused(timings.sliding.error().message);
  return run;
}

}  // namespace vantor::cli
