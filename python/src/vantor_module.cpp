// vantor._vantor: the timing core for Python. Each function takes numpy
// arrays (contiguous float64 ones are used where they lie, others are
// converted once), checks its options with the command line's own checks,
// computes without the GIL and returns the JSON text the command line prints
// for the same input, which vantor/__init__.py turns into plain objects. A
// bad argument raises ValueError with the command line's words; a method's
// refusal is part of the result.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/batch_run.h"
#include "cli/import_options.h"
#include "cli/json_out.h"
#include "cli/series_run.h"
#include "cli/session.h"
#include "cli/time_job.h"
#include "cli/time_run.h"
#include "core/number.h"
#include "core/output_file.h"
#include "core/reader.h"
#include "core/text.h"
#include "import/load.h"
#include "import/time_scale.h"
#include "methods/time_method.h"
#include "series/series_text.h"

namespace py = pybind11;

namespace {

using namespace vantor;
using namespace vantor::cli;
using Json = nlohmann::ordered_json;

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

// The importer's options from the keyword arguments of vantor.read (all
// strings by now); an unknown key has been refused in Python.
ImportChoice ImportChoiceOf(const py::dict& options) {
  ImportChoice c;
  const auto take = [&](const char* key, std::string& field) {
    if (options.contains(key)) field = py::cast<std::string>(options[key]);
  };
  take("format", c.format);
  take("time_col", c.timeCol);
  take("mag_col", c.magCol);
  take("flux_col", c.fluxCol);
  take("err_col", c.errCol);
  take("star", c.star);
  take("filter", c.filter);
  take("time_scale", c.timeScale);
  take("to", c.to);
  take("ra", c.ra);
  take("dec", c.dec);
  take("from", c.from);
  take("until", c.until);
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

// The store's light curve from arrays, exactly as a file of those numbers
// loads (LoadObservations), then the "--Mags (C-V)" sign and the deletions.
// Points the store cannot take are refused with the message the command line
// gives a series read by the importer: LoadSeriesIntoStore words it (and
// would load, through the reader, anything the reader accepts).
void LoadArrays(Store& store, std::span<const double> time, std::span<const double> mag,
                const std::string& file, const SessionOptions& session) {
  const std::filesystem::path path(file);
  store.DataDir = path.parent_path().string();
  store.DataFileName = path.filename().string();
  store.DataFilePath = file;
  if (!LoadObservations(store, time, mag)) {
    import::ImportedSeries series;
    series.time.assign(time.begin(), time.end());
    series.mag.assign(mag.begin(), mag.end());
    series.err.assign(time.size(), std::numeric_limits<double>::quiet_NaN());
    if (const auto loaded = import::LoadSeriesIntoStore(store, series); !loaded) {
      throw Error(loaded.error());
    }
  }
  if (const auto edited = ApplySessionEdits(session, store); !edited) {
    throw Error(edited.error());
  }
}

// The command line's words for a count outside its range.
std::string OutOfRange(const std::string& option, const std::string& value, int lowest,
                       int highest) {
  return option + ": Value " + value + " not in range " + std::to_string(lowest) + " to " +
         std::to_string(highest);
}

// An integer option as a C++ int: one that does not fit is refused as the
// command line refuses the same digits.
int IntOption(const py::handle& value, const char* option) {
  const py::int_ number = py::reinterpret_borrow<py::object>(value);
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (overflow != 0 || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max()) {
    throw py::value_error(std::string("Could not convert: ") + option + " = " +
                          std::string(py::str(py::handle(number))));
  }
  return static_cast<int>(v);
}

TimeArgs TimeArgsOf(const py::dict& o) {
  TimeArgs a;
  const auto text = [&](const char* key, std::string& field) {
    if (o.contains(key)) field = py::cast<std::string>(o[key]);
  };
  const auto flag = [&](const char* key, bool& field) {
    if (o.contains(key)) field = py::cast<bool>(o[key]);
  };
  text("parabola", a.parabola);
  text("chords", a.chords);
  text("kvw", a.kvw);
  text("fourier", a.fourier);
  text("exclude", a.exclude);
  text("start", a.start);
  text("fold", a.fold);
  text("step", a.step);
  text("frac", a.frac);
  text("delete", a.deleteList);
  flag("tracing", a.tracing);
  flag("sliding", a.sliding);
  flag("combine", a.combine);
  flag("cv", a.session.cv);
  if (o.contains("smooth")) a.smooth = IntOption(o["smooth"], "--smooth");
  if (o.contains("decimals")) a.decimals = IntOption(o["decimals"], "--decimals");
  return a;
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

// vantor.time: the JSON `vantor-cli time --json` prints for a file of these
// points, and each row's setup as the results report describes it.
py::tuple Time(const Doubles& timeArray, const Doubles& magArray, const py::dict& options,
               bool automatic, int bootstrap, const std::string& file,
               const std::string& timeScale) {
  const auto time = SpanOf(timeArray, "time");
  const auto mag = SpanOf(magArray, "mag");
  SameLength(time, mag);
  TimeArgs args = TimeArgsOf(options);
  CheckDecimals(args.decimals);
  CheckBootstrap(bootstrap);
  std::string usage;
  if (automatic && !ApplyAutoChoice(args, usage)) throw py::value_error(usage);
  TimePlan plan;
  if (!PlanTime(args, plan, usage)) throw py::value_error(usage);

  std::string json;
  std::vector<std::string> setups;
  std::optional<Error> refused;
  {
    py::gil_scoped_release release;
    auto store = std::make_unique<Store>();
    try {
      LoadArrays(*store, time, mag, file, plan.session);
      store->ResultDecimals = args.decimals;
      const TimeOutcome out = RunTimeOutcome(*store, plan, automatic, bootstrap);
      json = DumpJson(TimeJson(file, *store, out.rows, out.combination,
                               out.ranges ? &*out.ranges : nullptr, timeScale));
      for (const TimeRow& r : out.rows) {
        setups.push_back(r.setup ? DescribeSetup(*store, *r.setup) : std::string());
      }
    } catch (const Error& e) {
      refused = e;
    }
  }
  if (refused) throw py::value_error(refused->message);
  return py::make_tuple(json, setups);
}

SeriesArgs SeriesArgsOf(const py::dict& o) {
  SeriesArgs a;
  const auto text = [&](const char* key, std::string& field) {
    if (o.contains(key)) field = py::cast<std::string>(o[key]);
  };
  text("epoch", a.epoch);
  text("period", a.period);
  text("half_width", a.halfWidth);
  if (o.contains("secondary")) {
    a.secondaryGiven = true;
    text("secondary", a.secondary);
  }
  if (o.contains("find")) a.find = py::cast<bool>(o["find"]);
  if (o.contains("bootstrap")) a.bootstrap = IntOption(o["bootstrap"], "--bootstrap");
  return a;
}

// vantor.series: the JSON `vantor-cli series --json` prints for these points,
// and what --find estimated ("" without it).
py::tuple Series(const Doubles& timeArray, const Doubles& magArray, const py::dict& options,
                 const std::string& file, const std::string& timeScale) {
  const auto time = SpanOf(timeArray, "time");
  const auto mag = SpanOf(magArray, "mag");
  SameLength(time, mag);
  const SeriesArgs args = SeriesArgsOf(options);
  CheckBootstrap(args.bootstrap);
  SeriesOptions opt;
  if (std::string usage; !PlanSeries(args, opt, usage)) throw py::value_error(usage);
  std::expected<SeriesOutcome, Error> outcome;
  {
    py::gil_scoped_release release;
    outcome = RunSeriesOn(time, mag, timeScale, args, opt);
  }
  if (!outcome) throw py::value_error(outcome.error().message);
  const std::string json =
      DumpJson(SeriesJson(file, outcome->scale, outcome->options, outcome->result));
  return py::make_tuple(json, outcome->foundSummary);
}

// Texts that carry a file name as the file system gives it: bytes, for
// Python to decode with surrogateescape, since a name need not be UTF-8.
py::list BytesList(const std::vector<std::string>& texts) {
  py::list out;
  for (const std::string& t : texts) out.append(py::bytes(t));
  return out;
}

// vantor.survey: one file's CSV rows as `vantor-cli batch` writes them, and
// whether it failed and why (texts as bytes; `path` may be bytes).
py::tuple BatchFileRows(const std::string& path, bool automatic, int decimals,
                        const py::dict& importOptions) {
  CheckDecimals(decimals);
  BatchSettings settings;
  settings.import = ImportChoiceOf(importOptions);
  settings.automatic = automatic;
  settings.decimals = decimals;
  BatchFileResult r;
  {
    py::gil_scoped_release release;
    auto store = std::make_unique<Store>();
    r = BatchFile(path, settings, *store);
  }
  return py::make_tuple(py::bytes(r.csv), r.failed, py::bytes(r.error),
                        BytesList(r.report.notes));
}

// vantor.survey --series: one file's table of minima as `vantor-cli series
// --csv` writes it, or why there is none (texts as bytes, as batch_file's).
py::tuple SeriesFileCsv(const std::string& path, const py::dict& options,
                        const py::dict& importOptions) {
  SeriesArgs args = SeriesArgsOf(options);
  args.file = path;
  args.import = ImportChoiceOf(importOptions);
  CheckBootstrap(args.bootstrap);
  SeriesOptions opt;
  if (std::string usage; !PlanSeries(args, opt, usage)) throw py::value_error(usage);
  std::expected<SeriesOutcome, Error> outcome;
  {
    py::gil_scoped_release release;
    outcome = RunSeriesFile(args, opt);
  }
  if (!outcome) return py::make_tuple(py::bytes(), true, py::bytes(outcome.error().message));
  return py::make_tuple(py::bytes(SeriesCsv(outcome->result, outcome->scale)), false,
                        py::bytes());
}

// vantor.survey: the series options checked as `vantor-cli series` checks
// them, before any file is read (ValueError in its words).
void CheckSeriesOptions(const py::dict& options) {
  const SeriesArgs args = SeriesArgsOf(options);
  CheckBootstrap(args.bootstrap);
  SeriesOptions opt;
  if (std::string usage; !PlanSeries(args, opt, usage)) throw py::value_error(usage);
}

}  // namespace

PYBIND11_MODULE(_vantor, m) {
  m.doc() = "The timing core of Vantor (see the vantor package for the documented API).";
  m.attr("MAX_POINTS") = kMaxPoints;
  m.attr("BATCH_CSV_HEADER") = std::string(kBatchCsvHeader);
  m.def("read", &Read, py::arg("path"), py::arg("options"));
  m.def("time", &Time, py::arg("time"), py::arg("mag"), py::arg("options"),
        py::arg("automatic"), py::arg("bootstrap"), py::arg("file"), py::arg("time_scale"));
  m.def("series", &Series, py::arg("time"), py::arg("mag"), py::arg("options"), py::arg("file"),
        py::arg("time_scale"));
  m.def("batch_file", &BatchFileRows, py::arg("path"), py::arg("automatic"),
        py::arg("decimals"), py::arg("import_options"));
  m.def("series_file", &SeriesFileCsv, py::arg("path"), py::arg("options"),
        py::arg("import_options"));
  m.def("check_series_options", &CheckSeriesOptions, py::arg("options"));
  m.def(
      "quoted_name", [](const std::string& name) { return QuotedName(name); }, py::arg("name"),
      "A file name (bytes or text) as messages show it: in double quotes, every byte that "
      "could reach a terminal raw as \\xNN.");

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
