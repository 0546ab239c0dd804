#!/usr/bin/env python3
"""Prints everything the Python module `vantor` gives on a set of light curves.

scripts/compare-cli-output runs this once under the old build's PYTHONPATH
and once under the new one's, with the same arguments, and compares the two
outputs byte for byte:

    PYTHONPATH=build/python /usr/bin/python3 scripts/compare-python-driver.py \\
        --files examples/*.csv --series 'FILE|EPOCH|PERIOD|HALF_WIDTH|PHASE|IMPORT'

--files: light curves to read (every layout the importer knows) and, those of
at most 1000 points, to time with vantor.time under many argument sets.
--series: a long light curve with its ephemeris, for vantor.series; the
fields are separated by "|": the file, the epoch, the period, the half-width
of the windows (empty: measured), the secondary's phase and the importer's
options as key=value pairs separated by commas ("flux_col=2").

Every result is printed whole: repr() of every object and of every number
(a float's repr gives it back to the last bit), the arrays the importer read
(every value, or for longer ones a SHA-256 of their bytes and their ends), and
for every exception its type and message. The output depends on nothing but
the module and the files: no time, no address, no temporary name.
"""
import argparse
import hashlib
import sys

import numpy as np

import vantor

# The old build times at most this many points of one eclipse; longer curves
# are read here, and timed only by vantor.series.
MAX_TIMED = 1000
# Arrays up to this length are printed value by value, longer ones as a hash.
SHOWN_WHOLE = 2000

RESULT_FIELDS = ("method", "row", "ok", "time", "error", "time_text", "error_text", "message",
                 "setup", "below_precision", "details", "bootstrap_error")
COMBINATION_FIELDS = ("computed", "simple_mean", "weighted_mean", "uncertainty", "std_dev",
                      "simple_mean_text", "weighted_mean_text", "uncertainty_text",
                      "std_dev_text", "used_rows", "below_precision_rows", "notice")
CURVE_FIELDS = ("path", "time_scale", "format", "time_column", "value_column", "err_column",
                "from_flux", "time_scale_source", "star", "filter", "stars", "filters",
                "dropped_rows", "ra", "dec", "notes")

# vantor.time's argument sets, run on every light curve that can be timed.
TIME_CASES = [
    {},
    {"auto": True},
    {"auto": True, "methods": ["tracing"], "bootstrap": 20},
    {"auto": True, "decimals": 7},
    {"auto": True, "decimals": 6, "combine": False},
    {"ranges": {"parabola": (10, 30), "chords": ((3, 12), (40, 50)), "kvw": (5, 45)},
     "step": 2, "frac": 0.8, "methods": ["tracing"]},
    {"ranges": {"parabola": (10, 30), "chords": "3:12,40:50", "kvw": "5:45", "fourier": (2, 55)},
     "methods": ["sliding"]},
    {"ranges": {"fourier": (3, 50)}, "exclude": (20, 24)},
    {"ranges": {"fourier": (3, 50)}, "start": [0.03, 10.5, 60, 0.4, 0, 0, 0, 0]},
    {"ranges": {"fourier": (3, 50)}, "start": "0.03,10.5,60,0.4,0,0,0,0", "decimals": 6},
    {"methods": ["tracing"], "fold": 0.02, "smooth": 3},
    {"methods": "tracing", "fold": "0.03"},
    {"delete": [2, 4, 6], "ranges": {"parabola": (10, 30), "kvw": (5, 45)}, "bootstrap": 10,
     "decimals": 7},
    {"cv": True, "auto": True},
    {"ranges": {"parabola": (30, 10), "chords": ((12, 3), (50, 40)), "fourier": (50, 3)}},
    {"ranges": {"kvw": (5, 45)}, "step": "x", "frac": 0},
    {"ranges": {"kvw": (5, 45)}, "step": 3, "frac": "0.5", "combine": False},
]

# Arguments vantor.time refuses, tried on the first light curve that can be timed.
BAD_TIME_CASES = [
    {"ranges": {"parabola": "12-40"}},
    {"ranges": {"parabola": (1.5, 30)}},
    {"ranges": {"parabola": (10, 30, 40)}},
    {"ranges": {"chords": (3, 12)}},
    {"ranges": {"sliding": (3, 12)}},
    {"ranges": {"kvw": (5, 45)}, "auto": True},
    {"methods": ["kvw"]},
    {"methods": ["x"]},
    {"decimals": 9},
    {"decimals": True},
    {"decimals": 6.0},
    {"bootstrap": 1},
    {"bootstrap": 2**70},
    {"bootstrap": True},
    {"bootstrap": -5},
    {"smooth": 2**40, "methods": ["tracing"]},
    {"fold": None, "step": True, "ranges": {"kvw": (5, 45)}},
    {"exclude": "x", "ranges": {"fourier": (3, 50)}},
    {"start": [1, 2, 3], "ranges": {"fourier": (3, 50)}},
    {"delete": [0, 9999]},
    {"delete": [1.5]},
    {"ranges": {"parabola": (0, 30)}},
    {"ranges": {"parabola": (10, 99999)}},
]


def line(label, value):
    print(f"{label}: {value!r}")


def attempt(label, fn, *args, **kwargs):
    """Calls fn; prints the exception's type and message when it raises."""
    print(f"== {label}")
    try:
        return fn(*args, **kwargs)
    except Exception as e:  # every refusal is part of the output compared
        print(f"raised {type(e).__name__}: {e}")
        return None


def show_array(label, a):
    a = np.asarray(a)
    print(f"{label}: {a.dtype} {a.shape}")
    if a.size <= SHOWN_WHOLE:
        print(f"  {[float(x) for x in a.ravel()]!r}")
    else:
        ends = [float(x) for x in a.ravel()[:5]] + [float(x) for x in a.ravel()[-5:]]
        print(f"  sha256 {hashlib.sha256(a.tobytes()).hexdigest()} ends {ends!r}")


def show_curve(lc):
    line("type", type(lc).__name__)
    line("repr", repr(lc))
    line("len", len(lc))
    for name in CURVE_FIELDS:
        line(name, getattr(lc, name))
    for name in ("time", "mag", "err"):
        show_array(name, getattr(lc, name))


def show_timing(t):
    line("type", type(t).__name__)
    print(repr(t))
    line("len", len(t))
    for name in ("hjd_base", "time_scale", "file", "ranges"):
        line(name, getattr(t, name))
    for r in t:
        line("result type", type(r).__name__)
        line("result repr", repr(r))
        for name in RESULT_FIELDS:
            line("  " + name, getattr(r, name))
        line("  by name", repr(t[r.method]))
    c = t.combination
    line("combination type", type(c).__name__)
    if c is not None:
        line("combination repr", repr(c))
        for name in COMBINATION_FIELDS:
            line("  " + name, getattr(c, name))
    line("as_json", t.as_json())


def show_series(tab):
    line("type", type(tab).__name__)
    line("len", len(tab))
    for row in tab:
        line("row", row)
    for name in ("ephemeris", "time_scale", "found", "refined"):
        line(name, getattr(tab, name))
    line("as_json", tab.as_json())
    df = attempt("to_pandas", tab.to_pandas)
    if df is not None:
        print(df.to_csv())


def read_cases():
    """vantor.read with the importer's options, and the reads it refuses."""
    imp = "tests/data/import/"
    cases = [
        (imp + "aavso_two_stars.txt", {"star": "rz cas"}),
        (imp + "aavso_two_stars.txt", {"star": "nobody"}),
        (imp + "aavso_hjd.txt", {"filter": "V"}),
        (imp + "aij_measurements.tbl", {"time_col": "HJD_UTC"}),
        (imp + "aij_measurements.tbl", {"time_col": 1, "mag_col": "2"}),
        (imp + "hash_comments.csv", {"time_scale": "bjd-tdb"}),
        (imp + "hash_comments.csv", {"err_col": "sigma"}),
        (imp + "bjd_flux.lc", {"to": "hjd-utc", "ra": 269.2183, "dec": 4.9875}),
        (imp + "bjd_flux.lc", {"to": "hjd-utc", "ra": "17:56:52.39", "dec": "+04:59:15"}),
        (imp + "bjd_flux.lc", {"to": "hjd-utc"}),
        (imp + "bjd_flux.lc", {"format": "fits"}),
        (imp + "bjd_flux.lc", {"format": "excel"}),
        (imp + "bjd_flux.lc", {"ra": 10}),
        (imp + "bjd_flux.lc", {"flux_col": 2}),
        (imp + "munipack_jd.txt", {"from_": 2459812.35, "until": 2459812.45}),
        (imp + "munipack_jd.txt", {"from_": "2459813"}),
        (imp + "munipack_jd.txt", {"from_": 2459812.45, "until": 2459812.35}),
        (imp + "semicolon_decimal_comma.csv", {"time_scale": "unknown", "to": "bjd-tdb",
                                               "ra": 10, "dec": 10}),
        ("examples/eclipse_header.csv", {"format": "vantor"}),
        ("examples/eclipse_header.csv", {"format": "table", "time_col": "HJD"}),
        ("examples/eclipse_header.csv", {"colour": "red"}),
        ("examples/eclipse_header.csv", {"from_": True}),
        ("examples/eclipse_header.csv", {"from_": [1]}),
        ("tests/data/no_such_file.csv", {}),
        ("tests/data", {}),
        (b"examples/eclipse_header.csv", {}),
    ]
    for path, options in cases:
        lc = attempt(f"read {path!r} {options!r}", vantor.read, path, **options)
        if lc is not None:
            show_curve(lc)


def time_all(curves):
    first = None
    for lc in curves:
        if len(lc) > MAX_TIMED:
            continue
        if first is None:
            first = lc
        for kwargs in TIME_CASES:
            t = attempt(f"time {lc.path} {kwargs!r}", vantor.time, lc, **kwargs)
            if t is not None:
                show_timing(t)
        # The same points as arrays: lists, a masked array, float32 times.
        t = attempt(f"time lists {lc.path}", vantor.time, list(lc.time), list(lc.mag), auto=True)
        if t is not None:
            show_timing(t)
        mask = np.zeros(len(lc), dtype=bool)
        mask[2::7] = True
        masked = np.ma.masked_array(lc.mag, mask=mask)
        t = attempt(f"time masked {lc.path}", vantor.time, lc.time, masked, auto=True,
                    delete=[1, 3])
        if t is not None:
            show_timing(t)
        attempt(f"time float32 {lc.path}", vantor.time, lc.time.astype(np.float32), lc.mag)
    if first is None:
        return
    for kwargs in BAD_TIME_CASES:
        t = attempt(f"time {first.path} {kwargs!r}", vantor.time, first, **kwargs)
        if t is not None:
            show_timing(t)
    attempt("time LightCurve and mag", vantor.time, first, first.mag)
    attempt("time without mag", vantor.time, first.time)
    attempt("time of text", vantor.time, ["a", "b"], ["c", "d"])
    attempt("time ragged", vantor.time, [[1.0, 2.0], [3.0]], [1.0, 2.0])
    attempt("time unequal lengths", vantor.time, first.time, first.mag[:-1])
    attempt("time empty", vantor.time, np.array([]), np.array([]))
    attempt("time not in order", vantor.time, first.time[::-1].copy(), first.mag, auto=True)
    nan = first.mag.copy()
    nan[3] = np.nan
    attempt("time with NaN", vantor.time, first.time, nan, auto=True)
    t = attempt("time without fourier", vantor.time, first, ranges={"kvw": (5, 45)})
    if t is not None:
        attempt("pick fourier", t.__getitem__, "fourier")


def parse_series(run):
    path, epoch, period, half_width, phase, importer = (run.split("|") + [""] * 6)[:6]
    options = {}
    for pair in filter(None, importer.split(",")):
        key, _, value = pair.partition("=")
        options[key] = value
    return path, epoch, period, half_width, phase, options


def series_all(runs):
    first = None
    for run in runs:
        path, epoch, period, half_width, phase, options = parse_series(run)
        lc = attempt(f"read {path} {options!r}", vantor.read, path, **options)
        if lc is None:
            continue
        if first is None:
            first = lc
        width = {"half_width": float(half_width)} if half_width else {}
        cases = [
            dict(epoch=float(epoch), period=float(period), **width),
            dict(epoch=epoch, period=period, **width),
            dict(epoch=float(epoch), period=float(period), secondary=float(phase), **width),
            dict(epoch=float(epoch), period=float(period), secondary=True, **width),
            dict(epoch=float(epoch), period=float(period), secondary=phase, bootstrap=10,
                 **width),
            dict(find=True),
            dict(find=True, secondary=True),
            dict(find=True, period=float(period)),
            dict(epoch=float(epoch), period=float(period), secondary=False, half_width=0.02),
        ]
        for kwargs in cases:
            tab = attempt(f"series {path} {kwargs!r}", vantor.series, lc, **kwargs)
            if tab is not None:
                show_series(tab)
        tab = attempt(f"series arrays {path}", vantor.series, lc.time, lc.mag, epoch=float(epoch),
                      period=float(period), **width)
        if tab is not None:
            show_series(tab)
    if first is None:
        return
    bad = [
        {},
        {"epoch": 1.0},
        {"epoch": 1.0, "period": "x"},
        {"epoch": 1.0, "period": -1.0},
        {"epoch": 1.0, "period": 0},
        {"epoch": 1.0, "period": 1.0, "secondary": 2},
        {"epoch": 1.0, "period": 1.0, "half_width": -0.1},
        {"epoch": 1.0, "period": 1.0, "bootstrap": 1},
        {"epoch": 1.0, "period": 1.0, "bootstrap": 2**70},
        {"epoch": True, "period": 1.0},
        {"epoch": [1.0], "period": 1.0},
        {"epoch": 1.0, "period": 1.0, "colour": "red"},
    ]
    for kwargs in bad:
        tab = attempt(f"series {first.path} {kwargs!r}", vantor.series, first, **kwargs)
        if tab is not None:
            show_series(tab)
    attempt("series LightCurve and mag", vantor.series, first, first.mag, epoch=1.0, period=1.0)
    attempt("series without mag", vantor.series, first.time, epoch=1.0, period=1.0)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--files", nargs="*", default=[], help="light curves to read and time")
    p.add_argument("--series", nargs="*", default=[],
                   help="FILE|EPOCH|PERIOD|HALF_WIDTH|PHASE|IMPORT for vantor.series")
    args = p.parse_args()
    line("METHODS", vantor.METHODS)
    line("MAX_POINTS", vantor.MAX_POINTS)
    curves = []
    for path in args.files:
        lc = attempt(f"read {path}", vantor.read, path)
        if lc is not None:
            show_curve(lc)
            curves.append(lc)
    read_cases()
    time_all(curves)
    series_all(args.series)
    sys.stdout.flush()


if __name__ == "__main__":
    main()
