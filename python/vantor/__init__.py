"""Vantor: times of minimum of eclipsing binaries from light curves.

The timing core of the Vantor desktop program and of ``vantor-cli``, for
numpy arrays. Every number is the one ``vantor-cli`` gives for the same
points: the methods, their refusals, the combination and the digits of the
texts are computed by the same C++ code.

>>> import vantor
>>> lc = vantor.read("examples/eclipse_header.csv")
>>> t = vantor.time(lc, auto=True)
>>> t["parabola"].time_text, t.combination.weighted_mean_text
('2459812.43159', '2459812.43162')

Functions
---------
read(path, **importer_options)   a light-curve file as numpy arrays
time(time, mag, ...)             one eclipse timed by the six methods
series(time, mag, epoch=, period=, ...)  every eclipse of a long series

Run ``python3 -m vantor.survey --help`` to time many files on a Dask
cluster.
"""

from __future__ import annotations

import copy
import os
from dataclasses import dataclass, field
from typing import Any, Iterable, Mapping, Optional, Sequence

import numpy as np

from . import _vantor

__all__ = [
    "__version__",
    "METHODS",
    "MAX_POINTS",
    "LightCurve",
    "MethodResult",
    "Combination",
    "Timing",
    "SeriesTable",
    "read",
    "time",
    "series",
]

#: The version of Vantor this module was built from (``vantor-cli --version``).
__version__ = _vantor.VERSION

#: The six methods, in the order of the main window's rows.
METHODS = ("parabola", "tracing", "chords", "kvw", "fourier", "sliding")
#: The most points the desktop program's light curve holds (its store). Nothing
#: in this module is held to it: :func:`time` and :func:`series` take light
#: curves of any length. Kept for callers that read it.
MAX_POINTS = _vantor.MAX_POINTS

_RANGE_METHODS = ("parabola", "chords", "kvw", "fourier")
_IMPORT_KEYS = ("format", "time_col", "mag_col", "flux_col", "err_col", "star", "filter",
                "time_scale", "to", "ra", "dec", "from_", "until")


# --------------------------------------------------------------------------
# Reading files


@dataclass(frozen=True)
class LightCurve:
    """A light curve as the importer read it.

    ``time``, ``mag`` and ``err`` are float64 arrays of one length (``err``
    is NaN where the file gives no error; a third column of a Vantor
    "HJD, magnitude" file that the importer takes for errors is kept); times are days in ``time_scale``
    ("JD_UTC", "HJD_UTC", "BJD_TDB" or "unknown"). The other attributes say
    what the importer found and did (``notes`` are its sentences).

    Pass it to :func:`time` or :func:`series` in place of the two arrays.
    """

    path: str
    time: np.ndarray
    mag: np.ndarray
    err: np.ndarray
    time_scale: str
    format: str
    time_column: str = ""
    value_column: str = ""
    err_column: str = ""
    from_flux: bool = False
    time_scale_source: str = ""
    star: str = ""
    filter: str = ""
    stars: tuple = ()
    filters: tuple = ()
    dropped_rows: int = 0
    ra: Optional[float] = None
    dec: Optional[float] = None
    notes: tuple = ()

    def __len__(self) -> int:
        return len(self.time)

    def __repr__(self) -> str:
        span = (f"{self.time[0]:.5f} to {self.time[-1]:.5f}" if len(self) else "empty")
        return (f"LightCurve({os.path.basename(self.path)!r}, {len(self)} points, {span}, "
                f"{self.time_scale}, format {self.format})")


def _value(key: str, value: Any) -> "int | float | str":
    """A number or a text as given (numpy scalars as Python's)."""
    if isinstance(value, bool) or value is None:
        raise TypeError(f"{key} expects a number or a text, not {value!r}")
    if isinstance(value, (float, np.floating)):
        return float(value)
    if isinstance(value, (int, np.integer)):
        return int(value)
    if isinstance(value, str):
        return value
    raise TypeError(f"{key} expects a number or a text, not {type(value).__name__}")


def _import_options(options: Mapping[str, Any], caller: str) -> dict:
    out = {}
    for key, value in options.items():
        if key not in _IMPORT_KEYS:
            raise TypeError(f"{caller}() got an unexpected keyword argument {key!r}; the "
                            f"importer's options are {', '.join(_IMPORT_KEYS)}")
        out["from" if key == "from_" else key] = _value(key, value)
    return out


def read(path: "str | os.PathLike", **importer_options: Any) -> LightCurve:
    """Read a light-curve file of any layout the importer knows.

    Parameters
    ----------
    path : str or path-like
        The file: Vantor's own "HJD, magnitude" CSV, a delimited table, AAVSO
        Extended Format, AstroImageJ or C-Munipack tables, Kepler and TESS
        FITS light curves.
    **importer_options
        The options of ``vantor-cli``'s importer, underscores for dashes:
        ``format`` ("auto", "vantor", "table", "aavso", "aij", "munipack",
        "fits"), ``time_col``, ``mag_col``, ``flux_col``, ``err_col`` (a
        header name or 1-based number), ``star``, ``filter``, ``time_scale``
        (the file's: "jd-utc", "hjd-utc", "bjd-tdb"), ``to`` (convert to
        "hjd-utc" or "bjd-tdb"; needs ``ra`` and ``dec`` unless the file
        gives them), ``ra``, ``dec`` (degrees or sexagesimal), ``from_`` and
        ``until`` (full JD in the wanted scale; an interval that ends
        before it starts is refused).

    Returns
    -------
    LightCurve

    Raises
    ------
    FileNotFoundError
        There is no such file.
    ValueError
        The file cannot be read, or an option is wrong; the message names the
        line or option and what it accepts.

    Examples
    --------
    >>> lc = vantor.read("tess.fits", flux_col="PDCSAP_FLUX")     # doctest: +SKIP
    >>> lc = vantor.read("obs.txt", to="bjd-tdb", ra="18:12:30", dec="+41:20:00")  # doctest: +SKIP
    """
    path = os.fspath(path)
    if not isinstance(path, str):
        raise TypeError("path must be a text path, not bytes")
    if not os.path.exists(path):
        raise FileNotFoundError(f"{path}: no such file")
    try:
        # The file system's bytes: a name that is not UTF-8 opens too.
        d = _vantor.read(os.fsencode(path), _import_options(importer_options, "read"))
    except ValueError as e:
        raise ValueError(f"{path}: {e}") from None
    for key in ("stars", "filters", "notes"):
        d[key] = tuple(d[key])
    return LightCurve(path=path, **d)


# --------------------------------------------------------------------------
# Timing one eclipse


@dataclass(frozen=True)
class MethodResult:
    """One method's outcome: a row of the main window.

    ``ok`` is False when the method refused; ``message`` then says why
    (a refusal is a value, never an exception). When ``ok``: ``time`` (full
    HJD, or the series' time scale) and ``error`` (days) as numbers,
    ``time_text`` and ``error_text`` as the program shows them. ``setup``
    describes the ranges and tuning values the method ran with, as the
    results report does; ``details`` holds the method's own figures (the
    fit's coefficients, the bootstrap's error ...), the extra fields of
    ``vantor-cli time --json``.
    """

    method: str
    row: int
    ok: bool
    time: Optional[float] = None
    error: Optional[float] = None
    time_text: str = ""
    error_text: str = ""
    message: str = ""
    setup: str = ""
    below_precision: bool = False
    details: dict = field(default_factory=dict)

    @property
    def bootstrap_error(self) -> Optional[float]:
        """The error from resampled light curves (``bootstrap=N``), if made."""
        return self.details.get("bootstrap_error")

    def __repr__(self) -> str:
        if self.ok:
            return f"MethodResult({self.method}: {self.time_text} +/- {self.error_text})"
        return f"MethodResult({self.method}: refused: {self.message})"


@dataclass(frozen=True)
class Combination:
    """The delivered results combined as "Calc. Means" does.

    The means are None (and ``computed`` False) when no method delivered a
    usable result. ``used_rows`` are the main window's rows (1 to 6) that
    went into the means.
    """

    computed: bool
    simple_mean: Optional[float]
    weighted_mean: Optional[float]
    uncertainty: Optional[float]
    std_dev: Optional[float]
    simple_mean_text: str
    weighted_mean_text: str
    uncertainty_text: str
    std_dev_text: str
    used_rows: tuple
    below_precision_rows: tuple = ()
    notice: str = ""
    #: The time Vantor recommends publishing: {"time", "error", "methods",
    #: "note"} (time and error None, the note saying why, when there is none).
    #: Beside the means, which stay as "Calc. Means" gives them.
    adopted: Optional[dict] = None


@dataclass(frozen=True)
class Timing:
    """What :func:`time` gives.

    ``results`` holds one :class:`MethodResult` per method run, in the order
    of the main window's rows; ``timing["kvw"]`` picks one by name.
    ``combination`` is a :class:`Combination` (None with ``combine=False``);
    ``ranges`` says, with ``auto=True``, which ranges were chosen and why;
    ``baseline``, with ``detrend=True``, the baseline removed or why none was.
    ``as_json()`` is the object ``vantor-cli time --json`` prints.
    """

    results: tuple
    combination: Optional[Combination]
    ranges: Optional[dict]
    hjd_base: float
    time_scale: str
    file: str
    _json: dict = field(repr=False, compare=False, default_factory=dict)
    baseline: Optional[dict] = None

    def __getitem__(self, method: str) -> MethodResult:
        for r in self.results:
            if r.method == method:
                return r
        raise KeyError(f"{method!r} did not run; the methods run were "
                       f"{', '.join(r.method for r in self.results)}")

    def __iter__(self):
        return iter(self.results)

    def __len__(self) -> int:
        return len(self.results)

    def __repr__(self) -> str:
        lines = [f"Timing({len(self.results)} methods, HJD base {self.hjd_base:.0f}, "
                 f"time scale {self.time_scale}"]
        lines += [f"  {r!r}" for r in self.results]
        c = self.combination
        if c is not None:
            lines.append(f"  weighted mean {c.weighted_mean_text} +/- {c.uncertainty_text}"
                         if c.computed else "  no method delivered a usable result")
        return "\n".join(lines) + ")"

    def as_json(self) -> dict:
        """The object ``vantor-cli time --json`` prints for the same input."""
        return copy.deepcopy(self._json)


def _range(method: str, value: Any) -> Any:
    """A range as given: a text as the command line takes it ("12:40") as it
    is, else (I1, I2) checked to be two integers (chords: two such pairs)."""
    if isinstance(value, str):
        return value
    if method == "chords":
        try:
            (a, b), (c, d) = value
        except (TypeError, ValueError):
            raise ValueError("chords expects ((I1, I2), (I3, I4)): the left and the right "
                             "branch ranges") from None
        return ((_index(a, method), _index(b, method)), (_index(c, method), _index(d, method)))
    try:
        a, b = value
    except (TypeError, ValueError):
        raise ValueError(f"{method} expects a range (I1, I2) of working point numbers, such as "
                         f"(12, 40)") from None
    return (_index(a, method), _index(b, method))


def _index(v: Any, what: str) -> int:
    if isinstance(v, bool) or not isinstance(v, (int, np.integer)):
        raise TypeError(f"{what}: point numbers are integers, not {v!r}")
    return int(v)


def _arrays(time_or_lc: Any, mag: Any) -> tuple:
    """The two arrays, and the file name and time scale of a LightCurve, and
    the points a mask keeps: (their 0-based positions, the number of points
    given), or None when there is no mask."""
    if isinstance(time_or_lc, LightCurve):
        if mag is not None:
            raise TypeError("give a LightCurve alone, or two arrays time and mag")
        return time_or_lc.time, time_or_lc.mag, time_or_lc.path, time_or_lc.time_scale, None
    if mag is None:
        raise TypeError("give two arrays time and mag, or a LightCurve from vantor.read")
    t, m = _float_array(time_or_lc, "time"), _float_array(mag, "mag")
    kept = None
    if np.ma.isMaskedArray(time_or_lc) or np.ma.isMaskedArray(mag):
        # A masked point is left out, as a deleted one is: masked in time or
        # in mag, whatever its hidden value (often NaN or a fill value).
        masked_t = np.ma.getmaskarray(time_or_lc)
        masked_m = np.ma.getmaskarray(mag)
        if masked_t.shape == masked_m.shape and masked_t.ndim == 1:
            positions = np.flatnonzero(~(masked_t | masked_m))
            kept = (positions, len(masked_t))
            t, m = np.ascontiguousarray(t[positions]), np.ascontiguousarray(m[positions])
    return t, m, "", "unknown", kept


def _float_array(a: Any, name: str) -> np.ndarray:
    if isinstance(a, np.ndarray) and not np.ma.isMaskedArray(a) and a.dtype == np.float64:
        return a  # taken as it is by the C++ code when contiguous
    try:
        arr = np.ma.getdata(a) if np.ma.isMaskedArray(a) else np.asarray(a)
    except Exception as e:  # a ragged list, an object numpy cannot hold
        raise TypeError(f"{name} must be an array of numbers: {e}") from None
    if arr.dtype.kind not in "iuf":
        raise TypeError(f"{name} must be an array of numbers, not of {arr.dtype}")
    if name == "time" and arr.dtype.kind == "f" and arr.dtype.itemsize < 8:
        # float32 keeps 24 bits: a Julian Date near 2.46e6 only to 0.25 day.
        raise ValueError(f"time is an array of {arr.dtype}, which cannot hold a Julian Date to "
                         f"the second (float32: to a quarter of a day); pass float64 times")
    return arr.astype(np.float64, copy=False)


def _kept_numbers(delete: Iterable[int], kept: Optional[tuple]) -> list:
    """The points to delete, 1-based as given, renumbered among the points
    that a mask keeps; a masked point is out already. A number that names no
    point stays as it is, for the command line's refusal."""
    numbers = [_index(i, "delete") for i in delete]
    if kept is None:
        return numbers
    positions, n_given = kept
    new_number = {int(k) + 1: j + 1 for j, k in enumerate(positions)}
    return [new_number[i] if i in new_number else i for i in numbers
            if not 1 <= i <= n_given or i in new_number]


_INT_MAX = 2**31 - 1


def _count(value: Any, option: str, lowest: int, highest: int, zero: bool = False) -> int:
    """An integer option checked as the command line checks it, in its words
    (``zero``: 0, meaning none, is allowed besides the range)."""
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{option[2:]} must be an integer, not {value!r}")
    v = int(value)
    if zero and v == 0:
        return 0
    if not lowest <= v <= highest:
        raise ValueError(f"{option}: Value {v} not in range {lowest} to {highest}")
    return v


def _setup_options(methods, ranges, auto, step, frac, exclude, start, fold, smooth,
                   combine, cv, delete, decimals, detrend=False) -> dict:
    """The options of :func:`time`, typed, for the extension."""
    o: dict = {}
    ranges = dict(ranges or {})
    for key in ranges:
        if key not in _RANGE_METHODS:
            raise ValueError(f"ranges: {key!r} is not a method with a range; those are "
                             f"{', '.join(_RANGE_METHODS)}")
    if methods is None:
        chosen = []
    elif isinstance(methods, str):
        chosen = [methods]
    else:
        chosen = list(methods)
    for m in chosen:
        if m not in METHODS:
            raise ValueError(f"{m!r} is not a method; the methods are {', '.join(METHODS)}")
        if m in _RANGE_METHODS and m not in ranges and not auto:
            raise ValueError(f"{m} needs a range: ranges={{{m!r}: (I1, I2)}}, or auto=True")
    # A method given a range runs.
    for m, value in ranges.items():
        o[m] = _range(m, value)
    if "tracing" in chosen:
        o["tracing"] = True
    # With auto=True the range methods and sliding integrations run on their
    # own (a range given with it is refused in the command line's words).
    if "sliding" in chosen and not auto:
        o["sliding"] = True
    if step is not None:
        o["step"] = _value("step", step)
    if frac is not None:
        o["frac"] = _value("frac", frac)
    if exclude is not None:
        o["exclude"] = _range("exclude", exclude)
    if start is not None:
        if isinstance(start, str):
            o["start"] = start
        else:
            o["start"] = [float(_value("start", v)) for v in start]
    if fold is not None:
        o["fold"] = _value("fold", fold)
    if smooth:
        o["smooth"] = _index(smooth, "smooth")
        if not -_INT_MAX - 1 <= o["smooth"] <= _INT_MAX:
            raise ValueError(f"Could not convert: --smooth = {o['smooth']}")
    o["combine"] = bool(combine)
    o["detrend"] = bool(detrend)
    o["cv"] = bool(cv)
    if delete:
        o["delete"] = list(delete)
    if isinstance(decimals, bool) or not isinstance(decimals, (int, np.integer)):
        raise TypeError(f"decimals must be an integer 5, 6 or 7, not {decimals!r}")
    o["decimals"] = _count(decimals, "--decimals", 5, 7)
    return o


def _combination(c: Optional[dict]) -> Optional[Combination]:
    if c is None:
        return None
    return Combination(
        computed=c["weighted_mean"] is not None,
        simple_mean=c["simple_mean"], weighted_mean=c["weighted_mean"],
        uncertainty=c["uncertainty"], std_dev=c["std_dev"],
        simple_mean_text=c["simple_mean_text"], weighted_mean_text=c["weighted_mean_text"],
        uncertainty_text=c["uncertainty_text"], std_dev_text=c["std_dev_text"],
        used_rows=tuple(c["used_rows"]),
        below_precision_rows=tuple(c.get("below_precision_rows", ())),
        notice=c.get("notice", ""), adopted=c.get("adopted"))


def time(time: Any, mag: Any = None, *, methods: "Sequence[str] | str | None" = None,
         ranges: "Mapping[str, Any] | None" = None, auto: bool = False, bootstrap: int = 0,
         decimals: int = 5, combine: bool = True, step: Any = None, frac: Any = None,
         exclude: Any = None, start: Any = None, fold: Any = None, smooth: int = 0,
         cv: bool = False, delete: Iterable[int] = (), detrend: bool = False) -> Timing:
    """Time the minimum of one eclipse.

    Parameters
    ----------
    time, mag : array_like
        Times (days; full HJD as a rule) and magnitudes, any number of
        points in time order. A contiguous float64 numpy
        array is used where it lies; other input is converted once, except
        float32 (or float16) times, which are refused: they cannot hold a
        Julian Date to the second. A masked array's masked points (in
        either array) are left out, as deleted points are. Or pass a
        :class:`LightCurve` from :func:`read` alone.
    methods : list of str, optional
        Among ``METHODS``: the methods to run besides those given a range in
        ``ranges``. With neither, the tracing paper and sliding integrations
        run (as with ``vantor-cli time``).
    ranges : dict, optional
        Working point numbers (1-based) for the range methods:
        ``{"parabola": (12, 40), "chords": ((3, 12), (40, 50)),
        "kvw": (5, 45), "fourier": (2, 55)}``; texts as the command line
        takes them ("12:40") work too.
    auto : bool
        Choose every range by the automatic rule and run the five range
        methods and sliding integrations (``vantor-cli time --auto``);
        ``methods=["tracing"]`` adds the tracing paper. ``Timing.ranges``
        then says what was chosen and why.
    bootstrap : int
        0, or 2 to 100000: also estimate each delivered method's error from
        this many resampled light curves (seeded: the same input gives the
        same errors).
    decimals : int
        5, 6 or 7 decimals of a day in the texts and the means.
    combine : bool
        Combine the delivered results as "Calc. Means" does (default True),
        and adopt the time to publish (``combination.adopted``): sliding
        integrations and the tracing paper left out, the fits' errors scaled
        by their reduced chi-square, an error no smaller than the standard
        error of the times combined.
    step, frac : str or float
        Kwee and van Woerden's "Stepp" and "Frac" boxes (default 1 and .9).
    exclude : (int, int)
        Fourier fit: working points to leave out.
    start : sequence of 8 floats
        Fourier fit: starting values X0, C, W, A1 ... A5.
    fold : float
        Tracing paper: fold time, days after the HJD base.
    smooth : int
        Tracing paper: presses of "Smooth".
    cv : bool
        The "--Mags (C-V)" sign convention.
    detrend : bool
        Fit a baseline to the out-of-eclipse points on both sides and remove
        it before timing (``vantor-cli time --detrend``).
    delete : iterable of int
        Points to delete (1-based, as in the input, masked points counted).

    Returns
    -------
    Timing
        ``results`` (one :class:`MethodResult` per method), ``combination``.
        A method that refuses gives a result with ``ok`` False and its
        ``message``.

    Raises
    ------
    ValueError
        A bad option (in the command line's words), or points the program
        cannot hold (out of time order, not finite).
    TypeError
        An argument of the wrong kind.

    Examples
    --------
    >>> lc = vantor.read("examples/eclipse_header.csv")
    >>> t = vantor.time(lc.time, lc.mag, ranges={"kvw": (5, 45)}, methods=["tracing"])
    >>> [(r.method, r.time_text, r.error_text) for r in t]
    [('tracing', '2459812.42950', '0.0001'), ('kvw', '2459812.43163', '0.00006')]
    >>> vantor.time(lc, ranges={"chords": ((3, 12), (40, 50))})["chords"].ok
    False
    """
    t, m, file, scale, kept = _arrays(time, mag)
    bootstrap = _count(bootstrap, "--bootstrap", 2, 100000, zero=True)
    options = _setup_options(methods, ranges, auto, step, frac, exclude, start, fold, smooth,
                             combine, cv, _kept_numbers(delete, kept), decimals, detrend)
    out = _vantor.time(t, m, options, bool(auto), bootstrap, file, scale)
    results = []
    rows_json = []
    for r in out["results"]:
        details = r.get("details", {})
        results.append(MethodResult(
            method=r["method"], row=r["row"], ok=r["ok"], time=r.get("time"),
            error=r.get("error"), time_text=r.get("time_text", ""),
            error_text=r.get("error_text", ""), message=r.get("message", ""), setup=r["setup"],
            below_precision=r.get("below_precision", False), details=details))
        rows_json.append(_result_json(r, details))
    j = {"file": out["file"], "hjd_base": out["hjd_base"], "time_scale": out["time_scale"],
         "points": out["points"], "results": rows_json, "combination": out["combination"]}
    if out["ranges"] is not None:
        j["ranges"] = out["ranges"]
    if out["baseline"] is not None:
        j["baseline"] = out["baseline"]
    return Timing(results=tuple(results), combination=_combination(out["combination"]),
                  ranges=out["ranges"], hjd_base=out["hjd_base"], time_scale=out["time_scale"],
                  file=out["file"], _json=j, baseline=out["baseline"])


def _result_json(r: dict, details: dict) -> dict:
    """One result as ``vantor-cli time --json`` prints it."""
    o = {"method": r["method"], "row": r["row"], "ok": r["ok"]}
    if not r["ok"]:
        o["message"] = r["message"]
        return o
    for key in ("time", "error", "time_text", "error_text"):
        o[key] = r[key]
    if r["below_precision"]:
        o["below_precision"] = True
    o.update(details)
    return o


# --------------------------------------------------------------------------
# Every eclipse of a long series


class SeriesTable(list):
    """The table of minima of :func:`series`: a list of records (dicts).

    Each record: ``cycle``, ``kind`` ("P" or "S"), ``predicted``, ``time``,
    ``error`` (None when the minimum was refused), ``o_minus_c`` (days),
    ``o_minus_c_min`` (minutes), ``n_points``, ``methods`` (each method's
    time and error) and ``message`` (why there is no time, or a note).

    ``ephemeris`` is the ephemeris used (epoch, period, secondary_phase,
    half_width) with the refined one under ``refined`` (None when it cannot
    be fitted; ``refined_message`` then says why). ``found`` is what
    ``find=True`` estimated.
    """

    def __init__(self, rows, ephemeris, time_scale, found, raw):
        super().__init__(rows)
        self.ephemeris = ephemeris
        self.time_scale = time_scale
        self.found = found
        self._json = raw

    @property
    def refined(self) -> Optional[dict]:
        return self.ephemeris.get("refined")

    def as_json(self) -> dict:
        """The object ``vantor-cli series --json`` prints for the same points."""
        return copy.deepcopy(self._json)

    def to_pandas(self):
        """The table as a pandas DataFrame (needs pandas), one row per minimum;
        the methods' times go to columns ``time_<method>`` and ``error_<method>``."""
        try:
            import pandas as pd
        except ImportError:
            raise ImportError("to_pandas needs pandas: apt-get install python3-pandas "
                              "(or use the records as they are)") from None
        flat = []
        for r in self:
            row = {k: v for k, v in r.items() if k != "methods"}
            for mt in r["methods"]:
                row["time_" + mt["method"]] = mt["time"]
                row["error_" + mt["method"]] = mt["error"]
            flat.append(row)
        return pd.DataFrame.from_records(flat)


def series(time: Any, mag: Any = None, *, epoch: Any = None, period: Any = None,
           secondary: Any = None, half_width: Any = None, find: bool = False,
           bootstrap: int = 0, detrend: bool = True) -> SeriesTable:
    """Time every eclipse of a long light curve against an ephemeris.

    Parameters
    ----------
    time, mag : array_like
        The whole series (any length, in time order; masked points left
        out, float32 times refused), or a :class:`LightCurve` alone.
    epoch, period : float
        T0 of a primary minimum and the period P, days in the series' scale.
        Required unless ``find=True`` estimates them (a given one overrides
        the estimate).
    secondary : float or True, optional
        Also time the secondary minima, at this phase (True: 0.5).
    half_width : float, optional
        Half-width of the window cut around each minimum, days (default:
        measured from the folded series).
    find : bool
        Estimate the period and epoch from the series.
    bootstrap : int
        0, or 2 to 100000 resampled light curves per method and minimum.
    detrend : bool
        Remove each window's baseline, fitted to its out-of-eclipse points on
        both sides, before timing (default True; ``vantor-cli series
        --no-detrend`` is False). Each record's ``baseline`` says which was
        removed or why none was, ``baseline_warning`` when its slope alone
        moves the minimum by more than the error; ``refined`` gives the
        ``reduced_chi_square`` of the O-C about the refined ephemeris.

    Returns
    -------
    SeriesTable
        A list of records, one per predicted minimum; ``.to_pandas()`` gives
        a DataFrame when pandas is installed.

    Examples
    --------
    >>> lc = vantor.read("tess_sector.fits")                             # doctest: +SKIP
    >>> tab = vantor.series(lc, epoch=2459812.4316, period=1.26839, secondary=True)  # doctest: +SKIP
    >>> tab.refined["period"], tab.to_pandas()[["cycle", "o_minus_c_min"]]  # doctest: +SKIP
    """
    t, m, file, scale, _ = _arrays(time, mag)
    o: dict = {}
    for key, value in (("epoch", epoch), ("period", period), ("half_width", half_width)):
        if value is not None:
            o[key] = _value(key, value)
    if secondary is True:
        o["secondary"] = 0.5
    elif secondary is not None and secondary is not False:
        o["secondary"] = _value("secondary", secondary)
    o["find"] = bool(find)
    o["bootstrap"] = _count(bootstrap, "--bootstrap", 2, 100000, zero=True)
    o["detrend"] = bool(detrend)
    # A LightCurve's errors weight the profile method's fits, as the
    # command line's reading of the file does.
    err = time.err if isinstance(time, LightCurve) else None
    out = _vantor.series(t, m, o, file, scale, err)
    j = {key: out[key] for key in ("file", "time_scale", "ephemeris", "rows")}
    return SeriesTable(copy.deepcopy(out["rows"]), out["ephemeris"], out["time_scale"],
                       out["found"], j)
