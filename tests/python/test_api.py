# The module's API: its results, refusals and errors against those of
# vantor-cli on the same points.
import json
import os

import numpy as np
import pytest

import vantor
from conftest import SOURCE_DIR, eclipse, run_cli, write_curve

EXAMPLE = os.path.join(SOURCE_DIR, "examples", "eclipse_header.csv")


@pytest.mark.parametrize("kwargs, cli_args", [
    (dict(ranges={"parabola": (10, 30)}), ["--parabola", "10:30"]),
    (dict(methods=["tracing"], fold=0.02, smooth=2), ["--tracing", "--fold", "0.02",
                                                       "--smooth", "2"]),
    (dict(ranges={"chords": ((3, 12), (40, 50))}), ["--chords", "3:12,40:50"]),
    (dict(ranges={"kvw": (5, 45)}, step=2, frac=".8"), ["--kvw", "5:45", "--step", "2",
                                                        "--frac", ".8"]),
    (dict(ranges={"fourier": (3, 50)}, exclude=(20, 24)), ["--fourier", "3:50", "--exclude",
                                                           "20:24"]),
    (dict(methods=["sliding"]), ["--sliding"]),
    (dict(auto=True, decimals=7), ["--auto", "--decimals", "7"]),
    (dict(auto=True, methods=["tracing"], bootstrap=10), ["--auto", "--tracing",
                                                          "--bootstrap", "10"]),
    (dict(ranges={"kvw": (5, 45)}, cv=True, delete=[2, 4]), ["--kvw", "5:45", "--cv",
                                                            "--delete", "2,4"]),
    (dict(auto=True, detrend=True), ["--auto", "--detrend"]),
])
def test_each_method_on_arrays_as_on_a_file(tmp_path, kwargs, cli_args):
    # The arrays of a generated eclipse, not a file: the module must load
    # them exactly as vantor-cli reads the same numbers from a file.
    t, m = eclipse(n=60, seed=7)
    path = str(tmp_path / "gen.csv")
    write_curve(path, t, m)
    rc, out, err = run_cli("time", path, *cli_args, "--combine", "--json")
    assert rc in (0, 1), err
    expected = json.loads(out)
    got = vantor.time(t, m, **kwargs).as_json()
    expected["file"], expected["time_scale"] = got["file"], got["time_scale"]
    assert got == expected


def test_the_adopted_time_leaves_sliding_out_and_the_baseline_is_said():
    t, m = eclipse(n=200, seed=3, span=0.3)
    m = m + 0.8 * (t - t.mean())  # a baseline rising 0.8 mag/d
    timing = vantor.time(t, m, auto=True, detrend=True)
    a = timing.combination.adopted
    assert "sliding" not in a["methods"] and len(a["methods"]) >= 3
    assert "sliding left out" in a["note"]
    assert abs(a["time"] - 2459812.4316) < 3 * a["error"]
    assert timing.baseline["removed"] and abs(timing.baseline["slope"] - 0.8) < 0.1
    sloped = vantor.time(t, m, auto=True)
    assert sloped.baseline is None
    assert abs(sloped.combination.adopted["time"] - 2459812.4316) > 3 * a["error"]
    assert vantor.time(t, m, auto=True, combine=False).combination is None


def test_a_refusal_is_a_value_with_the_command_lines_message():
    lc = vantor.read(EXAMPLE)
    t = vantor.time(lc, ranges={"parabola": (30, 10), "kvw": (5, 45)})
    rc, out, _ = run_cli("time", EXAMPLE, "--parabola", "30:10", "--kvw", "5:45", "--json")
    cli = {r["method"]: r for r in json.loads(out)["results"]}
    assert rc == 1
    assert not t["parabola"].ok and t["parabola"].message == cli["parabola"]["message"]
    assert t["parabola"].message
    assert t["kvw"].ok and t["kvw"].time_text == cli["kvw"]["time_text"]
    assert "used points" in t["kvw"].setup


@pytest.mark.parametrize("args, kwargs, error, words", [
    ((), dict(ranges={"parabola": "12-40"}), ValueError, "--parabola expects I1:I2"),
    ((), dict(ranges={"chords": "3:12"}), ValueError, "--chords expects I1:I2,I3:I4"),
    ((), dict(ranges={"fourier": (3, 50)}, exclude=(0, 4)), ValueError,
     "point numbers start at 1"),
    ((), dict(ranges={"fourier": (3, 50)}, start=[1, 2, 3]), ValueError,
     "--start expects eight numbers"),
    ((), dict(auto=True, ranges={"kvw": (5, 45)}), ValueError, "--auto chooses every range"),
    ((), dict(decimals=8), ValueError, "--decimals"),
    ((), dict(bootstrap=1), ValueError, "--bootstrap"),
    ((), dict(smooth=-1), ValueError, "--smooth expects a count of 0 or more"),
    ((), dict(delete=[0]), ValueError, "--delete: point 0 does not exist"),
    ((), dict(methods=["kwee"]), ValueError, "'kwee' is not a method"),
    ((), dict(methods=["kvw"]), ValueError, "kvw needs a range"),
    ((), dict(ranges={"kvw": (5.5, 45)}), TypeError, "point numbers are integers"),
    ((), dict(decimals="5"), TypeError, "decimals must be an integer"),
    (("mag",), {}, TypeError, "mag must be an array of numbers"),
    (("short",), {}, ValueError, "time and mag must have the same length"),
    (("2d",), {}, ValueError, "one-dimensional"),
    (("nan",), {}, ValueError, "Observation 3"),
])
def test_bad_arguments_raise_with_the_command_lines_words(args, kwargs, error, words):
    t, m = eclipse(n=60)
    if args == ("mag",):
        m = ["a"] * len(t)
    elif args == ("short",):
        m = m[:-1]
    elif args == ("2d",):
        t, m = t.reshape(6, 10), m.reshape(6, 10)
    elif args == ("nan",):
        m = m.copy()
        m[2] = np.nan
    with pytest.raises(error, match=words.replace("(", r"\(").replace(")", r"\)")):
        vantor.time(t, m, **kwargs)


@pytest.mark.parametrize("n, kwargs, cli_args", [
    (1500, dict(auto=True), ["--auto"]),
    (1200, dict(ranges={"kvw": (1, 1200)}, methods=["sliding"]), ["--kvw", "1:1200",
                                                                   "--sliding"]),
])
def test_more_points_than_the_desktop_holds_are_timed_as_by_vantor_cli(tmp_path, n, kwargs,
                                                                        cli_args):
    # The desktop's store holds MAX_POINTS; the module, like vantor-cli, times
    # every point of a longer night, to the same digits.
    t, m = eclipse(n=n, seed=11, span=0.3)
    path = str(tmp_path / "long.csv")
    write_curve(path, t, m)
    rc, out, err = run_cli("time", path, *cli_args, "--combine", "--json")
    assert rc in (0, 1), err
    expected = json.loads(out)
    got = vantor.time(t, m, **kwargs).as_json()
    expected["file"], expected["time_scale"] = got["file"], got["time_scale"]
    assert got == expected
    delivered = [r for r in got["results"] if r["ok"]]
    assert delivered and len(t) > vantor.MAX_POINTS
    assert all(abs(r["time"] - 2459812.4316) < 0.0005 for r in delivered if r["method"] != "tracing")


def test_a_series_window_longer_than_the_desktop_holds_is_timed_whole(tmp_path):
    t, m = eclipse(n=1500, seed=11, span=0.3)
    path = str(tmp_path / "long.csv")
    write_curve(path, t, m)
    ephemeris = dict(epoch=2459812.43, period=1.0, half_width=0.12)
    rc, out, err = run_cli("series", path, "--epoch", "2459812.43", "--period", "1.0",
                           "--half-width", "0.12", "--json")
    tab = vantor.series(t, m, **ephemeris)
    expected = json.loads(out)
    expected["file"], expected["time_scale"] = "", "unknown"
    assert rc == 0, err
    assert tab.as_json() == expected
    assert len(tab) == 1 and tab[0]["n_points"] > vantor.MAX_POINTS
    assert abs(tab[0]["time"] - 2459812.4316) < 0.0005 and tab[0]["message"] == ""


def test_bootstrap_errors_are_reproducible_and_follow_the_count():
    t, m = eclipse(n=80, seed=3)
    first = vantor.time(t, m, auto=True, bootstrap=30)
    again = vantor.time(t, m, auto=True, bootstrap=30)
    other = vantor.time(t, m, auto=True, bootstrap=31)
    errors = [r.bootstrap_error for r in first if r.ok]
    assert errors and all(e is not None and e > 0 for e in errors)
    assert errors == [r.bootstrap_error for r in again if r.ok]
    assert errors != [r.bootstrap_error for r in other if r.ok]


def test_inputs_of_other_kinds_give_the_same_answer():
    t, m = eclipse(n=60, seed=5)
    want = vantor.time(t, m, auto=True).as_json()
    as_lists = vantor.time(list(t), list(m), auto=True).as_json()
    strided = np.empty((2, len(t)))
    strided[0], strided[1] = t, m
    from_columns = vantor.time(strided[:, ::1].T[:, 0], strided.T[:, 1], auto=True).as_json()
    assert as_lists == want and from_columns == want


def test_series_gives_the_command_lines_table():
    path = os.path.join(SOURCE_DIR, "tests", "data", "series", "cmdra_7023_7024.csv")
    ephemeris = ["--epoch", "58739.9291", "--period", "1.2683900", "--half-width", "0.025"]
    rc, out, err = run_cli("series", path, *ephemeris, "--secondary", "--json")
    lc = vantor.read(path)
    tab = vantor.series(lc, epoch=58739.9291, period="1.2683900", half_width=0.025,
                        secondary=True)
    assert tab.as_json() == json.loads(out)
    assert [r["cycle"] for r in tab] == [r["cycle"] for r in json.loads(out)["rows"]]
    pd = pytest.importorskip("pandas")
    df = tab.to_pandas()
    assert isinstance(df, pd.DataFrame) and len(df) == len(tab)
    assert [None if pd.isna(x) else x for x in df["o_minus_c"]] == [r["o_minus_c"] for r in tab]
    assert any(r["o_minus_c"] is None for r in tab)  # a refused minimum stays a row


@pytest.mark.parametrize("kwargs, words", [
    (dict(), "give --epoch and --period, or --find"),
    (dict(epoch=58739.9, period="x"), "--period expects"),
    (dict(epoch=58739.9, period=1.27, secondary=2), "phase"),
])
def test_series_bad_arguments(kwargs, words):
    t, m = eclipse(n=60)
    with pytest.raises(ValueError, match=words):
        vantor.series(t, m, **kwargs)


def test_read_gives_the_importers_arrays_and_report():
    lc = vantor.read(os.path.join(SOURCE_DIR, "tests", "data", "import", "aavso_hjd.txt"))
    rc, out, _ = run_cli("info", lc.path, "--json")
    info = json.loads(out)
    assert (lc.format, lc.time_scale, lc.star) == ("aavso", info["time_scale"], "V0566 OPH")
    assert lc.time.dtype == np.float64 and len(lc) == len(lc.mag) == len(lc.err) == info["n_all"]
    assert np.floor(lc.time[0]) == info["hjd_base"]
    with pytest.raises(FileNotFoundError):
        vantor.read("/nonexistent/file.csv")
    with pytest.raises(TypeError, match="unexpected keyword argument 'colour'"):
        vantor.read(lc.path, colour="V")
    with pytest.raises(ValueError, match="--format"):
        vantor.read(lc.path, format="excel")


def test_the_docstring_examples_give_what_they_show(monkeypatch):
    import doctest
    monkeypatch.chdir(SOURCE_DIR)
    failures, tried = doctest.testmod(vantor, extraglobs={"vantor": vantor},
                                      optionflags=doctest.ELLIPSIS)
    assert tried >= 6 and failures == 0


# --------------------------------------------------------------------------
# Masked arrays, float32 times, intervals, error columns, counts out of range


@pytest.mark.parametrize("mask_time, mask_mag", [
    ([4, 30], []),
    ([], [0, 17, 59]),
    ([10], [10, 11, 40]),
])
def test_masked_points_are_left_out_as_deleted_points_are(mask_time, mask_mag):
    t, m = eclipse(n=60, seed=11)
    t_hidden, m_hidden = t.copy(), m.copy()
    t_hidden[mask_time] = np.nan  # what a mask often hides: values that cannot be timed
    m_hidden[mask_mag] = 99.999
    mt = np.ma.masked_array(t_hidden, mask=np.isin(np.arange(60), mask_time))
    mm = np.ma.masked_array(m_hidden, mask=np.isin(np.arange(60), mask_mag))
    masked = sorted(set(mask_time) | set(mask_mag))
    keep = [i for i in range(60) if i not in masked]
    want = vantor.time(t[keep], m[keep], auto=True).as_json()
    assert vantor.time(mt, mm, auto=True).as_json() == want
    # A mask on one array alone is honoured too, and a plain array beside it.
    if not mask_time:
        assert vantor.time(t, mm, auto=True).as_json() == want
    # delete= numbers the points as given (masked ones counted): deleting the
    # first kept point is deleting point 1 of the kept ones.
    first = keep[0]
    deleted = vantor.time(mt, mm, ranges={"kvw": (3, 40)}, delete=[first + 1] + [
        i + 1 for i in masked]).as_json()
    assert deleted == vantor.time(t[keep], m[keep], ranges={"kvw": (3, 40)},
                                  delete=[1]).as_json()
    # The series takes the same points.
    tab = vantor.series(mt, mm, epoch=2459812.4316, period=1.0, half_width=0.07)
    assert tab.as_json()["rows"] == vantor.series(
        t[keep], m[keep], epoch=2459812.4316, period=1.0, half_width=0.07).as_json()["rows"]


@pytest.mark.parametrize("time_type, mag_type, refused", [
    (np.float32, np.float64, True),
    (np.float16, np.float64, True),
    ("list32", np.float64, True),
    ("masked32", np.float64, True),
    (np.float64, np.float32, False),
    (np.longdouble, np.float64, False),
])
def test_float32_times_are_refused_with_a_reason(time_type, mag_type, refused):
    t, m = eclipse(n=60)
    if time_type == "list32":
        times = [np.float32(x) for x in t]
    elif time_type == "masked32":
        times = np.ma.masked_array(t.astype(np.float32))
    else:
        times = t.astype(time_type)
    mags = m.astype(mag_type)
    if refused:
        for call in (lambda: vantor.time(times, mags),
                     lambda: vantor.series(times, mags, epoch=2459812.4, period=1.0)):
            with pytest.raises(ValueError, match="cannot hold a Julian Date to the second"):
                call()
    else:
        assert vantor.time(times, mags, auto=True)["kvw"].ok


def test_read_refuses_an_interval_that_ends_before_it_starts_and_keeps_errors(tmp_path):
    with pytest.raises(ValueError, match=r"ends \(2459812.40000\) before it starts "
                                         r"\(2459812.50000\)"):
        vantor.read(EXAMPLE, from_=2459812.5, until="2459812.4")
    inside = vantor.read(EXAMPLE, from_=2459812.40, until=2459812.45)
    assert 0 < len(inside) < len(vantor.read(EXAMPLE))
    # An error column in Vantor's own comma layout is kept, as the table
    # reader reads it; a two-column file still has none.
    t, m = eclipse(n=30)
    with_errors = tmp_path / "errors.csv"
    with_errors.write_text("HJD,V-C,err\n" + "".join(
        f"{a:.5f},{b:.4f},{0.001 * (1 + k % 3):.3f}\n" for k, (a, b) in enumerate(zip(t, m))))
    lc = vantor.read(with_errors)
    table = vantor.read(with_errors, format="table")
    assert lc.format == "vantor" and lc.err_column == "err"
    assert np.array_equal(lc.err, table.err) and np.array_equal(lc.time, table.time)
    assert list(lc.err[:3]) == [0.001, 0.002, 0.003]
    two = tmp_path / "two.csv"
    write_curve(str(two), t, m)
    assert np.isnan(vantor.read(two).err).all() and vantor.read(two).err_column == ""


def cli_words(*args):
    """The first line vantor-cli time prints on stderr for these options,
    without its program prefix."""
    rc, _, err = run_cli("time", EXAMPLE, *args)
    assert rc == 2
    return err.splitlines()[0].removeprefix("vantor-cli time: ")


@pytest.mark.parametrize("kwargs, cli_args", [
    (dict(decimals=9), ["--decimals", "9"]),
    (dict(decimals=2**40), ["--decimals", str(2**40)]),
    (dict(bootstrap=1), ["--bootstrap", "1"]),
    (dict(bootstrap=2**70), ["--bootstrap", str(2**70)]),
    (dict(bootstrap=100001), ["--bootstrap", "100001"]),
    (dict(methods=["tracing"], smooth=2**40), ["--tracing", "--smooth", str(2**40)]),
    (dict(ranges={"parabola": (1, 2**40)}), ["--parabola", f"1:{2**40}"]),
    (dict(ranges={"kvw": (2**63, 5)}), ["--kvw", f"{2**63}:5"]),
    (dict(delete=[2**40]), ["--delete", str(2**40)]),
])
def test_counts_out_of_range_raise_value_error_in_the_command_lines_words(kwargs, cli_args):
    lc = vantor.read(EXAMPLE)
    with pytest.raises(ValueError) as e:
        vantor.time(lc, **kwargs)
    assert str(e.value) == cli_words(*cli_args)


def test_series_counts_out_of_range_raise_value_error():
    t, m = eclipse(n=60)
    for n in (1, 2**40, 2**70):
        with pytest.raises(ValueError, match=f"--bootstrap: Value {n} not in range 2 to 100000"):
            vantor.series(t, m, epoch=2459812.4, period=1.0, bootstrap=n)


def test_the_version_is_vantor_clis():
    rc, out, err = run_cli("--version")
    assert (rc, err) == (0, "")
    assert out.strip() == f"vantor-cli {vantor.__version__}"
    assert vantor.__version__.count(".") == 2 and "__version__" in vantor.__all__
