// vantor._vantor: the timing core for Python. Each function takes numpy
// arrays (contiguous float64 ones are used where they lie, others are
// converted once) and typed options (ranges as tuples, numbers as numbers, or
// the texts a user typed for them), checks them with the command line's own
// checks in its words, computes without the GIL through the service layer
// (service/) and returns the typed outcome as plain Python objects, which
// vantor/__init__.py wraps. A bad argument raises ValueError with the command
// line's words; a method's refusal is part of the result.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "cli/batch_csv.h"
#include "cli/json_out.h"
#include "core/csv.h"
#include "core/format.h"
#include "core/method_rows.h"
#include "core/version.h"
#include "core/number.h"
#include "core/output_file.h"
#include "core/store.h"
#include "core/text.h"
#include "import/load.h"
#include "import/time_scale.h"
#include "series/series_text.h"
#include "service/batch_service.h"
#include "service/import_options.h"
#include "service/series_service.h"
#include "service/session.h"
#include "service/time_service.h"

namespace py = pybind11;

namespace {

using namespace vantor;
using namespace vantor::service;

// A one-dimensional float64 array in C order: an array that is one already is
// taken as it is, anything else numpy can turn into one (a list, an int or a
// float32 array) is converted once.
using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

std::span<const double> SpanOf(const Doubles& a, const char* name) {
  if (a.ndim() != 1) {
    throw py::value_error(std::string(name) + " must be a one-dimensional array; it has " +
                          std::to_string(a.ndim()) + " dimensions");
  }
  return {a.data(), static_cast<size_t>(a.shape(0))};
}

void SameLength(std::span<const double> time, std::span<const double> mag) {
  if (time.size() != mag.size()) {
    throw py::value_error("time and mag must have the same length; they have " +
                          std::to_string(time.size()) + " and " + std::to_string(mag.size()) +
                          " values");
  }
}

// The importer's options from the keyword arguments of vantor.read (texts or
// numbers as given); an unknown key has been refused in Python.
ImportChoice ImportChoiceOf(const py::dict& options) {
  ImportChoice c;
  const auto take = [&](const char* key, std::string& field) {
    if (!options.contains(key)) return;
    const py::handle v = options[key];
    if (py::isinstance<py::str>(v)) {
      field = py::cast<std::string>(v);
    } else if (py::isinstance<py::float_>(v)) {
      field = py::cast<std::string>(py::repr(v));
    } else {
      field = py::cast<std::string>(py::str(v));
    }
  };
  using Field = std::string ImportChoice::*;
  static constexpr std::pair<const char*, Field> kFields[] = {
      {"format", &ImportChoice::format},   {"time_col", &ImportChoice::timeCol},
      {"mag_col", &ImportChoice::magCol},  {"flux_col", &ImportChoice::fluxCol},
      {"err_col", &ImportChoice::errCol},  {"star", &ImportChoice::star},
      {"filter", &ImportChoice::filter},   {"time_scale", &ImportChoice::timeScale},
      {"to", &ImportChoice::to},           {"ra", &ImportChoice::ra},
      {"dec", &ImportChoice::dec},         {"from", &ImportChoice::from},
      {"until", &ImportChoice::until}};
  for (const auto& [key, field] : kFields) take(key, c.*field);
  return c;
}

py::array_t<double> ToArray(const std::vector<double>& v) {
  py::array_t<double> a(static_cast<py::ssize_t>(v.size()));
  std::copy(v.begin(), v.end(), a.mutable_data());
  return a;
}

py::object NumberOrNone(const std::optional<double>& v) {
  return v ? py::object(py::float_(*v)) : py::object(py::none());
}

// Refuses an interval that ends before it starts, in the words the loader
// gives the command line (reading alone would give an empty series).
void CheckInterval(const ImportChoice& choice) {
  const auto plan = ParseImportChoice(choice);
  if (!plan) throw py::value_error(plan.error().message);
  const import::TimeInterval& i = plan->interval;
  if (i.from && i.until && *i.until < *i.from) {
    throw py::value_error("The time interval ends (" + FormatNumber(*i.until, 'f', 5) +
                          ") before it starts (" + FormatNumber(*i.from, 'f', 5) + ").");
  }
}

// Vantor's own "HJD, magnitude" layout is read as the original reader reads
// it, which takes two columns only. A third column that the table reader
// takes for errors is kept: read as a table, the same file must give the same
// times and magnitudes, in the same order, for its errors to be taken.
void KeepErrorColumn(import::ImportedSeries& series, const std::string& path,
                     const ImportChoice& choice) {
  if (series.format != import::Format::Vantor) return;
  ImportChoice asTable = choice;
  asTable.format = "table";
  const auto table = ReadSeriesFile(path, asTable);
  if (!table || table->errColumn.empty() || table->time != series.time ||
      table->mag != series.mag) {
    return;
  }
  series.err = table->err;
  series.errColumn = table->errColumn;
}

// vantor.read: the series as the importer reads it (any length). `path` is
// the file system's bytes (os.fsencode), so that any name opens; a refusal
// is raised without the name, which Python puts in front.
py::dict Read(const std::string& path, const py::dict& options) {
  const ImportChoice choice = ImportChoiceOf(options);
  CheckInterval(choice);
  std::expected<import::ImportedSeries, Error> series;
  {
    py::gil_scoped_release release;
    series = ReadSeriesFile(path, choice);
    if (series) KeepErrorColumn(*series, path, choice);
  }
  if (!series) throw py::value_error(series.error().message);
  py::dict d;
  d["time"] = ToArray(series->time);
  d["mag"] = ToArray(series->mag);
  d["err"] = ToArray(series->err);
  d["time_scale"] = std::string(import::TimeScaleName(series->timeScale));
  d["format"] = std::string(import::FormatName(series->format));
  d["time_column"] = series->timeColumn;
  d["value_column"] = series->valueColumn;
  d["err_column"] = series->errColumn;
  d["from_flux"] = series->fromFlux;
  d["time_scale_source"] = series->timeScaleSource;
  d["star"] = series->star;
  d["filter"] = series->filter;
  d["stars"] = series->stars;
  d["filters"] = series->filters;
  d["dropped_rows"] = series->droppedRows;
  d["ra"] = NumberOrNone(series->raDeg);
  d["dec"] = NumberOrNone(series->decDeg);
  d["notes"] = series->notes;
  return d;
}

// The command line's words for a count outside its range.
std::string OutOfRange(const std::string& option, const std::string& value, int lowest,
                       int highest) {
  return option + ": Value " + value + " not in range " + std::to_string(lowest) + " to " +
         std::to_string(highest);
}

// A Python int as a C++ int; nullopt when it does not fit.
std::optional<int> IntOf(const py::handle& value) {
  const py::int_ number = py::reinterpret_borrow<py::object>(value);
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (overflow != 0 || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(v);
}

// An integer option as a C++ int: one that does not fit is refused as the
// command line refuses the same digits.
int IntOption(const py::handle& value, const char* option) {
  const auto v = IntOf(value);
  if (!v) {
    throw py::value_error(std::string("Could not convert: ") + option + " = " +
                          std::string(py::str(value)));
  }
  return *v;
}

// A range given as (I1, I2) or as typed ("12:40"). Point numbers that do not
// fit an int are no range: the plan refuses them in the command line's words.
Given<IndexRange> RangeOf(const py::handle& v) {
  if (py::isinstance<py::str>(v)) return py::cast<std::string>(v);
  const py::sequence pair = py::reinterpret_borrow<py::sequence>(v);
  const auto first = IntOf(pair[0]), last = IntOf(pair[1]);
  if (!first || !last) return std::string();
  return IndexRange{*first, *last};
}

// A number given as a number or as typed.
Given<double> NumberOf(const py::handle& v) {
  if (py::isinstance<py::str>(v)) return py::cast<std::string>(v);
  return py::cast<double>(v);
}

// A box text (the Kwee and van Woerden "Stepp" and "Frac"): a text as it
// is, a float as Python writes it, an int in digits.
std::string BoxText(const py::handle& v) {
  if (py::isinstance<py::str>(v)) return py::cast<std::string>(v);
  if (py::isinstance<py::float_>(v)) return py::cast<std::string>(py::repr(v));
  return py::cast<std::string>(py::str(v));
}

TimeChoice TimeChoiceOf(const py::dict& o) {
  TimeChoice c;
  const auto range = [&](const char* key, std::optional<Given<IndexRange>>& field) {
    if (o.contains(key)) field = RangeOf(o[key]);
  };
  range("parabola", c.parabola);
  range("kvw", c.kvw);
  range("fourier", c.fourier);
  range("exclude", c.exclude);
  if (o.contains("chords")) {
    const py::handle v = o["chords"];
    if (py::isinstance<py::str>(v)) {
      c.chords = py::cast<std::string>(v);
    } else {
      const py::sequence parts = py::reinterpret_borrow<py::sequence>(v);
      const Given<IndexRange> left = RangeOf(parts[0]), right = RangeOf(parts[1]);
      if (std::holds_alternative<IndexRange>(left) && std::holds_alternative<IndexRange>(right)) {
        c.chords = std::pair{std::get<IndexRange>(left), std::get<IndexRange>(right)};
      } else {
        c.chords = std::string();
      }
    }
  }
  if (o.contains("start")) {
    const py::handle v = o["start"];
    if (py::isinstance<py::str>(v)) {
      c.start = py::cast<std::string>(v);
    } else {
      c.start = py::cast<std::vector<double>>(v);
    }
  }
  if (o.contains("fold")) c.fold = NumberOf(o["fold"]);
  if (o.contains("step")) c.step = BoxText(o["step"]);
  if (o.contains("frac")) c.frac = BoxText(o["frac"]);
  const auto flag = [&](const char* key, bool& field) {
    if (o.contains(key)) field = py::cast<bool>(o[key]);
  };
  flag("tracing", c.tracing);
  flag("sliding", c.sliding);
  flag("combine", c.combine);
  flag("detrend", c.detrend);
  if (o.contains("smooth")) c.smooth = IntOption(o["smooth"], "--smooth");
  return c;
}

// The points to delete, or the command line's refusal of a list it cannot read.
std::vector<int> DeletionsOf(const py::dict& o) {
  std::vector<int> out;
  if (!o.contains("delete")) return out;
  for (const py::handle v : py::reinterpret_borrow<py::sequence>(o["delete"])) {
    const auto i = IntOf(v);
    if (!i) throw py::value_error("--delete expects point numbers separated by commas, such as 3,17");
    out.push_back(*i);
  }
  return out;
}

void CheckDecimals(int decimals) {
  if (decimals < kDefaultDecimals || decimals > kMostDecimals) {
    throw py::value_error(OutOfRange("--decimals", std::to_string(decimals), kDefaultDecimals,
                                     kMostDecimals));
  }
}

void CheckBootstrap(int n) {
  if (n != 0 && (n < kFewestBootstrap || n > kMostBootstrap)) {
    throw py::value_error(
        OutOfRange("--bootstrap", std::to_string(n), kFewestBootstrap, kMostBootstrap));
  }
}

// --- The typed outcome as Python objects -------------------------------------

py::dict Dict(std::initializer_list<std::pair<const char*, py::object>> items) {
  py::dict d;
  for (const auto& [key, value] : items) d[key] = value;
  return d;
}

// A tree of the command line's JSON writer as Python objects, the keys in the
// writer's order: the module's details, combination and ranges are the very
// fields `vantor-cli time --json` prints, and the numbers the same doubles.
py::object PythonOf(const nlohmann::ordered_json& j) {
  using Type = nlohmann::ordered_json::value_t;
  switch (j.type()) {
    case Type::boolean:
      return py::bool_(j.get<bool>());
    case Type::number_integer:
      return py::int_(j.get<int64_t>());
    case Type::number_unsigned:
      return py::int_(j.get<uint64_t>());
    case Type::number_float:
      return py::float_(j.get<double>());
    case Type::string:
      return py::str(j.get_ref<const std::string&>());
    case Type::array: {
      py::list list;
      for (const auto& item : j) list.append(PythonOf(item));
      return list;
    }
    case Type::object: {
      py::dict dict;
      for (const auto& [key, value] : j.items()) dict[py::str(key)] = PythonOf(value);
      return dict;
    }
    default:  // null (the writer makes no binary values)
      return py::none();
  }
}

// The method's own figures of a row and its bootstrap (the command line's
// extra JSON fields of a result).
py::dict DetailsOf(const TimeRow& r, int decimals) {
  return PythonOf(cli::RowDetailsJson(r, decimals));
}

py::object CombinationOf(const Combination& c,
                         const std::optional<MethodResult<AdoptedTime>>& adopted) {
  return PythonOf(cli::CombinationJson(c, adopted));
}

py::dict RangesOf(const ChosenRanges& chosen) { return PythonOf(cli::RangesJson(chosen)); }

// vantor.time: the outcome of `vantor-cli time` on a file of these points, as
// Python objects: the rows (each with its setup as the results report
// describes it and its details), the combination, the ranges and the notes.
py::dict Time(const Doubles& timeArray, const Doubles& magArray, const py::dict& options,
              bool automatic, int bootstrap, const std::string& file,
              const std::string& timeScale) {
  const auto time = SpanOf(timeArray, "time");
  const auto mag = SpanOf(magArray, "mag");
  SameLength(time, mag);
  TimeChoice choice = TimeChoiceOf(options);
  const int decimals =
      options.contains("decimals") ? IntOption(options["decimals"], "--decimals") : kDefaultDecimals;
  CheckDecimals(decimals);
  CheckBootstrap(bootstrap);
  std::string usage;
  if (automatic) {
    const bool ranged = choice.parabola || choice.chords || choice.kvw || choice.fourier ||
                        choice.sliding;
    const bool tracing = choice.tracing || choice.fold || choice.smooth != 0;
    if (!CheckAutoChoice(ranged, tracing, choice.sliding, usage)) throw py::value_error(usage);
  }
  SessionOptions edits;
  edits.deletions = DeletionsOf(options);
  if (options.contains("cv")) edits.cv = py::cast<bool>(options["cv"]);
  TimePlan plan;
  if (!PlanTime(choice, plan, usage)) throw py::value_error(usage);
  if (automatic) plan.sliding = false;  // the automatic rows bring it

  std::optional<Error> refused;
  double hjdBase = 0;
  TimeOutcome out;
  std::vector<std::string> setups;
  {
    py::gil_scoped_release release;
    auto session = SessionOfArrays(time, mag, file);
    if (session) {
      if (const auto edited = ApplySessionEdits(edits, *session); !edited) session = std::unexpected(edited.error());
    }
    if (!session) {
      refused = session.error();
    } else {
      session->Working.ResultDecimals = decimals;
      hjdBase = session->HjdBase();
      TimeRequest request;
      request.setups = PlannedSetups(*session, plan);
      request.automatic = automatic;
      request.bootstrap = bootstrap;
      request.combine = plan.combine;
      request.detrend = plan.detrend;
      const CurveView view = session->View();
      out = RunTime(view, request);
      for (const TimeRow& r : out.rows) {
        setups.push_back(r.setup ? DescribeSetup(view, *r.setup) : std::string());
      }
    }
  }
  if (refused) throw py::value_error(refused->message);
  py::list rows;
  for (size_t i = 0; i < out.rows.size(); ++i) {
    const TimeRow& r = out.rows[i];
    py::dict d = Dict({{"method", py::str(r.method())}, {"row", py::cast(r.row)},
                       {"ok", py::bool_(r.ok())}, {"setup", py::str(setups[i])}});
    if (r.ok()) {
      const Timing& t = *r.timing;
      d["time"] = t.time;
      d["error"] = t.minimum.error;
      d["time_text"] = t.timeText;
      d["error_text"] = t.errorText;
      d["below_precision"] = BelowPrecision(t.minimum.error, decimals);
      d["details"] = DetailsOf(r, decimals);
    } else {
      d["message"] = r.message();
    }
    rows.append(d);
  }
  py::list notes;
  for (const std::string& n : out.notes) notes.append(n);
  return Dict({{"file", py::str(file)},
               {"hjd_base", py::float_(hjdBase)},
               {"time_scale", py::str(timeScale)},
               {"points", py::int_(out.points)},
               {"results", rows},
               {"combination",
                out.combination ? CombinationOf(*out.combination, out.adopted) : py::none()},
               {"ranges", out.ranges ? py::object(RangesOf(*out.ranges)) : py::none()},
               {"baseline", out.baseline ? PythonOf(cli::BaselineJson(*out.baseline,
                                                                      out.baselineWarning))
                                         : py::none()},
               {"notes", notes}});
}

SeriesChoice SeriesChoiceOf(const py::dict& o) {
  SeriesChoice c;
  if (o.contains("epoch")) c.epoch = NumberOf(o["epoch"]);
  if (o.contains("period")) c.period = NumberOf(o["period"]);
  if (o.contains("half_width")) c.halfWidth = NumberOf(o["half_width"]);
  if (o.contains("secondary")) c.secondary = NumberOf(o["secondary"]);
  if (o.contains("find")) c.find = py::cast<bool>(o["find"]);
  if (o.contains("bootstrap")) c.bootstrap = IntOption(o["bootstrap"], "--bootstrap");
  if (o.contains("detrend")) c.detrend = py::cast<bool>(o["detrend"]);
  return c;
}

SeriesRequest SeriesRequestOf(const py::dict& options) {
  const SeriesChoice choice = SeriesChoiceOf(options);
  CheckBootstrap(choice.bootstrap);
  SeriesRequest request;
  if (std::string usage; !PlanSeries(choice, request, usage)) throw py::value_error(usage);
  return request;
}

// The table of minima as Python objects: the ephemeris and one record per
// predicted minimum.
py::dict SeriesTableOf(const std::string& file, const SeriesOutcome& outcome) {
  const SeriesResult& r = outcome.result;
  py::dict e = Dict({{"epoch", py::float_(r.ephemeris.epoch)},
                     {"period", py::float_(r.ephemeris.period)},
                     {"secondary_phase", NumberOrNone(outcome.options.secondaryPhase)},
                     {"half_width", py::float_(r.halfWidth)}});
  if (r.refined) {
    e["refined"] = Dict({{"epoch", py::float_(r.refined->epoch)},
                         {"period", py::float_(r.refined->period)},
                         {"epoch_error", py::float_(r.refined->epochError)},
                         {"period_error", py::float_(r.refined->periodError)},
                         {"minima", py::cast(r.refined->minima)},
                         {"reduced_chi_square", py::float_(r.refined->reducedChiSquare)}});
  } else {
    e["refined"] = py::none();
    e["refined_message"] = r.refinedMessage;
  }
  if (r.jitter) {
    e["timing_jitter"] = Dict({{"jitter", py::float_(r.jitter->jitter)},
                               {"ratio", py::float_(r.jitter->ratio)},
                               {"pairs", py::cast(r.jitter->pairs)},
                               {"clipped", py::cast(r.jitter->clipped)}});
  }
  py::list rows;
  for (const SeriesRow& row : r.rows) {
    py::list methods;
    for (const SeriesMethodTime& m : row.methods) {
      py::dict mj = Dict({{"method", py::str(m.method)}, {"time", py::float_(m.time)},
                          {"error", py::float_(m.error)}});
      if (m.bootstrapError) mj["bootstrap_error"] = *m.bootstrapError;
      methods.append(mj);
    }
    const auto oc = row.OMinusC();
    py::object profile = py::none();
    if (row.profile) {
      const ProfileFit& f = *row.profile;
      profile = Dict({{"time", py::float_(f.time)},
                      {"error", py::float_(f.error)},
                      {"covariance_error", py::float_(f.covarianceError)},
                      {"bootstrap_error", NumberOrNone(f.bootstrapError)},
                      {"reduced_chi_square", py::float_(f.reducedChiSquare)},
                      {"beta", py::float_(f.beta)},
                      {"depth_scale", py::float_(f.depthScale)},
                      {"n_points", py::cast(f.points)},
                      {"note", py::str(f.note)}});
    }
    rows.append(Dict({{"cycle", py::cast(row.cycle)},
                      {"kind", py::str(std::string(1, row.kind))},
                      {"predicted", py::float_(row.predicted)},
                      {"time", NumberOrNone(row.time)},
                      {"error", NumberOrNone(row.error)},
                      {"n_points", py::cast(row.nPoints)},
                      {"adopted_note", py::str(row.adoptedNote)},
                      {"baseline", py::str(row.baseline)},
                      {"baseline_warning", py::str(row.baselineWarning)},
                      {"methods", methods},
                      {"o_minus_c", NumberOrNone(oc)},
                      {"o_minus_c_min", oc ? py::object(py::float_(*oc * 1440)) : py::none()},
                      {"message", py::str(row.message)},
                      {"time_source", py::str(row.timeSource)},
                      {"profile", profile}}));
    if (!row.profile) rows[rows.size() - 1]["profile_message"] = py::str(row.profileMessage);
    if (row.ownError) rows[rows.size() - 1]["own_error"] = py::float_(*row.ownError);
  }
  return Dict({{"file", py::str(file)},
               {"time_scale", py::str(outcome.scale)},
               {"ephemeris", e},
               {"rows", rows},
               {"found", py::str(outcome.foundSummary)}});
}

// vantor.series: the table of minima of these points, and what find
// estimated ("" without it).
py::dict Series(const Doubles& timeArray, const Doubles& magArray, const py::dict& options,
                const std::string& file, const std::string& timeScale,
                const std::optional<Doubles>& errArray) {
  const auto time = SpanOf(timeArray, "time");
  const auto mag = SpanOf(magArray, "mag");
  SameLength(time, mag);
  // The points' errors (a LightCurve's, NaN where the file gives none)
  // weight the profile method's fits.
  const auto err = errArray ? SpanOf(*errArray, "err") : std::span<const double>{};
  if (!err.empty()) SameLength(time, err);
  const SeriesRequest request = SeriesRequestOf(options);
  std::expected<SeriesOutcome, Error> outcome;
  {
    py::gil_scoped_release release;
    outcome = RunSeries(time, mag, err, timeScale, request);
  }
  if (!outcome) throw py::value_error(outcome.error().message);
  return SeriesTableOf(file, *outcome);
}

// Texts that carry a file name as the file system gives it: bytes, for
// Python to decode with surrogateescape, since a name need not be UTF-8.
py::list BytesList(const std::vector<std::string>& texts) {
  py::list out;
  for (const std::string& t : texts) out.append(py::bytes(t));
  return out;
}

// vantor.survey: one file's CSV rows as `vantor-cli batch` writes them (the
// same writer), and whether it failed and why (texts as bytes; `path` may be
// bytes).
py::tuple BatchFileRows(const std::string& path, bool automatic, int decimals,
                        const py::dict& importOptions) {
  CheckDecimals(decimals);
  BatchSettings settings;
  settings.import = ImportChoiceOf(importOptions);
  settings.automatic = automatic;
  settings.decimals = decimals;
  BatchFileResult r;
  std::string csv;
  {
    py::gil_scoped_release release;
    r = TimeBatchFile(path, settings);
    csv = cli::BatchCsvRows(path, r);
  }
  return py::make_tuple(py::bytes(csv), r.failed, py::bytes(r.error), BytesList(r.report.notes));
}

// vantor.survey --series: one file's table of minima as `vantor-cli series
// --csv` writes it, or why there is none (texts as bytes, as batch_file's).
py::tuple SeriesFileCsv(const std::string& path, const py::dict& options,
                        const py::dict& importOptions) {
  const SeriesRequest request = SeriesRequestOf(options);
  const ImportChoice choice = ImportChoiceOf(importOptions);
  std::expected<SeriesOutcome, Error> outcome;
  {
    py::gil_scoped_release release;
    outcome = RunSeriesFile(path, choice, request);
  }
  if (!outcome) return py::make_tuple(py::bytes(), true, py::bytes(outcome.error().message));
  return py::make_tuple(py::bytes(SeriesCsv(outcome->result, outcome->scale)), false,
                        py::bytes());
}

// vantor.survey: the series options checked as `vantor-cli series` checks
// them, before any file is read (ValueError in its words).
void CheckSeriesOptions(const py::dict& options) { SeriesRequestOf(options); }

}  // namespace

PYBIND11_MODULE(_vantor, m) {
  m.doc() = "The timing core of Vantor (see the vantor package for the documented API).";
  // The desktop's limit of one light curve (its store); nothing here is held to it.
  m.attr("MAX_POINTS") = kMaxPoints;
  m.attr("VERSION") = std::string(kVersion);
  m.attr("BATCH_CSV_HEADER") = std::string(cli::kBatchCsvHeader);
  m.def("read", &Read, py::arg("path"), py::arg("options"));
  m.def("time", &Time, py::arg("time"), py::arg("mag"), py::arg("options"),
        py::arg("automatic"), py::arg("bootstrap"), py::arg("file"), py::arg("time_scale"));
  m.def("series", &Series, py::arg("time"), py::arg("mag"), py::arg("options"), py::arg("file"),
        py::arg("time_scale"), py::arg("err") = py::none());
  m.def("batch_file", &BatchFileRows, py::arg("path"), py::arg("automatic"),
        py::arg("decimals"), py::arg("import_options"));
  m.def("series_file", &SeriesFileCsv, py::arg("path"), py::arg("options"),
        py::arg("import_options"));
  m.def("check_series_options", &CheckSeriesOptions, py::arg("options"));
  m.def(
      "quoted_name", [](const std::string& name) { return QuotedName(name); }, py::arg("name"),
      "A file name (bytes or text) as messages show it: in double quotes, every byte that "
      "could reach a terminal raw as \\xNN.");
  m.def(
      "csv_field",
      [](const std::string& text, bool always) {
        return py::bytes(CsvField(text, always ? CsvQuoting::kAlways : CsvQuoting::kWhenNeeded));
      },
      py::arg("text"), py::arg("always") = false,
      "A CSV field (bytes or text) as vantor-cli writes it, as bytes: in double quotes, each quote "
      "doubled, when it holds a comma, a quote or a line end, or always.");

  // OutputFile: an output file written by the rules of core/output_file.h
  // (never an input, /dev/stdout, /dev/stderr and /dev/null in place, other
  // special and read-only files refused, a temporary file renamed at the end).
  // A refusal raises OutputFileError, which is both an OSError and a
  // ValueError, with the sentence the command line prints.
  {
    struct PyOutputFile {
      std::optional<OutputFile> file;
      std::string path;
    };
    // Kept for the life of the interpreter (a static py::object would be
    // released after it is gone).
    static py::handle outputError = py::module_::import("builtins").attr("type")(
        "OutputFileError",
        py::make_tuple(py::handle(PyExc_OSError), py::handle(PyExc_ValueError)),
        py::dict(py::arg("__module__") = "vantor._vantor",
                 py::arg("__doc__") = "An output file that is refused or cannot be written."))
        .release();
    m.attr("OutputFileError") = outputError;
    const auto fail = [](const Error& e) {
      PyErr_SetString(outputError.ptr(), e.message.c_str());
      throw py::error_already_set();
    };
    const auto open = [fail](PyOutputFile& self) -> OutputFile& {
      if (!self.file) fail(Error{"Cannot write " + QuotedName(self.path) + ": it is already closed."});
      return *self.file;
    };
    const auto write = [fail, open](PyOutputFile& self, std::string_view text) {
      OutputFile& f = open(self);
      std::expected<void, Error> w;
      {
        py::gil_scoped_release release;
        w = f.Write(text);
      }
      if (!w) fail(w.error());
    };
    // Commits and closes; a failed commit leaves the target as it was.
    const auto commit = [fail, open](PyOutputFile& self) {
      OutputFile& f = open(self);
      std::expected<void, Error> c;
      {
        py::gil_scoped_release release;
        c = f.Commit();
      }
      self.file.reset();
      if (!c) fail(c.error());
    };
    py::class_<PyOutputFile>(m, "OutputFile",
                             "OutputFile(path, inputs=[]): the output file `path`, never one of "
                             "`inputs`; write(text) pieces, then commit(), or discard().")
        .def(py::init([fail](const std::string& path, const std::vector<std::string>& inputs) {
               // SIGTERM and SIGHUP, where their action is the default, remove
               // the temporary file before they end the interpreter; Python's
               // own SIGINT (KeyboardInterrupt) is left to __exit__.
               InstallOutputCleanupHandlers();
               auto f = OutputFile::Open(path, inputs);
               if (!f) fail(f.error());
               return PyOutputFile{std::move(*f), path};
             }),
             py::arg("path"), py::arg("inputs") = std::vector<std::string>{})
        .def_property_readonly("path", [](const PyOutputFile& self) { return self.path; })
        .def("write", [write](PyOutputFile& self, const std::string& text) { write(self, text); },
             py::arg("text"))
        .def("write", [write](PyOutputFile& self, const py::bytes& data) {
               write(self, std::string_view(data));
             }, py::arg("data"))
        .def("commit", commit)
        .def("discard", [](PyOutputFile& self) { self.file.reset(); })
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [commit](PyOutputFile& self, const py::object& kind, const py::object&,
                                  const py::object&) {
               if (!kind.is_none() || !self.file) {
                 self.file.reset();
                 return false;
               }
               commit(self);
               return false;
             });
  }
}
