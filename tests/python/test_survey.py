# The survey on a local Dask cluster against vantor-cli batch and series on
# the same files.
import os
import signal

import pytest

distributed = pytest.importorskip("distributed")

from vantor import survey  # noqa: E402
from conftest import SOURCE_DIR, VANTOR_CLI, eclipse, run_cli, write_curve  # noqa: E402


@pytest.fixture(scope="module")
def client():
    cluster = survey.local_cluster(2)
    c = distributed.Client(cluster)
    yield c
    c.close()
    cluster.close()


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    """200 generated eclipses, of other depths, widths and noise, two of them
    refused: one not a light curve, one missing."""
    d = tmp_path_factory.mktemp("survey")
    names = []
    for k in range(200):
        t, m = eclipse(n=40 + k % 60, seed=k, depth=0.2 + 0.01 * (k % 50),
                       width=0.015 + 0.0002 * k, noise=0.002 + 0.00005 * k)
        path = str(d / f"star_{k:03d}.csv")
        write_curve(path, t, m)
        names.append(path)
    with open(d / "notes.csv", "w") as f:
        f.write("these, are\nnot, numbers\n")
    names.insert(50, str(d / "notes.csv"))
    names.insert(120, str(d / "missing, \"quoted\".csv"))
    return names


@pytest.mark.parametrize("auto", [False, True])
def test_the_table_is_vantor_cli_batchs_byte_for_byte(client, files, auto, tmp_path):
    out = str(tmp_path / "batch.csv")
    rc, _, err = run_cli("batch", *files, *(["--auto"] if auto else []), "-o", out)
    table, failed = survey.survey(files, client, automatic=auto)
    with open(out) as f:
        assert table == f.read()
    assert rc == 1
    # The refused files: their rows and reasons, as vantor-cli gives them.
    assert [f for f, _ in failed] == [files[50], files[120]]
    for f, reason in failed:
        assert f": {reason}\n" in err


def process_cluster(n_workers):
    """A cluster of worker processes, as on a real cluster (a worker can die
    without taking the client with it): TLS with temporary credentials, on
    the loopback interface."""
    pytest.importorskip("cryptography")
    from distributed.security import Security
    sec = Security.temporary()
    cluster = distributed.LocalCluster(n_workers=n_workers, threads_per_worker=1,
                                       processes=True, host="127.0.0.1", protocol="tls",
                                       security=sec, dashboard_address=None,
                                       scheduler_kwargs={"dashboard_address": "127.0.0.1:0"})
    return cluster, distributed.Client(cluster, security=sec)


def test_a_worker_killed_mid_run_leaves_the_table_complete(files, tmp_path):
    cluster, client = process_cluster(2)
    try:
        pids = list(client.run(os.getpid).values())
        killed = []

        def kill_one(done, total):
            if not killed:
                os.kill(pids[0], signal.SIGKILL)
                killed.append(done)

        table, failed = survey.survey(files, client, automatic=True, progress=kill_one)
    finally:
        client.close()
        cluster.close()
    out = str(tmp_path / "batch.csv")
    run_cli("batch", *files, "--auto", "-o", out)
    with open(out) as f:
        assert table == f.read()
    assert killed and killed[0] < len(files)
    assert len(failed) == 2


# A bare --secondary means phase 0.5, as on the command line.
@pytest.mark.parametrize("secondary", [[], ["--secondary"]])
def test_the_command_writes_the_series_table_of_every_file(secondary, tmp_path):
    series = os.path.join(SOURCE_DIR, "tests", "data", "series", "cmdra_7023_7024.csv")
    ephemeris = ["--epoch", "58739.9291", "--period", "1.2683900", "--half-width", "0.025",
                 *secondary]
    missing = str(tmp_path / "absent.csv")
    out = str(tmp_path / "minima.csv")
    listed = tmp_path / "list.txt"
    listed.write_text(missing + "\n")
    rc = survey.main([series, "--list", str(listed), "--series", *ephemeris, "--workers", "1",
                      "-o", out])
    _, one, _ = run_cli("series", series, *ephemeris, "--csv")
    with open(out) as f:
        lines = f.read().splitlines()
    assert rc == 1
    assert lines[0] == survey.SERIES_HEADER.strip()
    comments = [x for x in one.splitlines() if x.startswith("#")]
    rows = [x for x in one.splitlines() if not x.startswith("#")][1:]
    assert lines[1:1 + len(comments)] == [f"# {series}: {c[2:]}" for c in comments]
    assert lines[1 + len(comments):-1] == [f"{series},{r}" for r in rows]
    assert lines[-1].startswith(missing + ",") and lines[-1].count(",") >= 11


@pytest.mark.parametrize("argv, words", [
    (["--series"], "give --epoch and --period"),
    (["--period", "1.2"], "go with --series"),
    (["--tls-ca", "ca.pem"], "go together"),
    (["--list", "/nonexistent/list.txt"], "cannot read --list"),
])
def test_command_refuses_bad_usage_before_starting_a_cluster(argv, words, tmp_path, capsys):
    try:
        rc = survey.main(["x.csv", *argv, "-o", str(tmp_path / "o.csv")])
    except SystemExit as e:
        rc, err = 2, str(e)
    else:
        err = capsys.readouterr().err
    assert rc == 2 and words in err
    assert not os.path.exists(tmp_path / "o.csv")


def test_the_command_runs_on_a_scheduler_that_requires_tls(files, tmp_path):
    pytest.importorskip("cryptography")
    from distributed.security import Security
    sec = Security.temporary()
    pem = {}
    for name, text in (("ca", sec.tls_ca_file), ("cert", sec.tls_client_cert),
                       ("key", sec.tls_client_key)):
        pem[name] = str(tmp_path / f"{name}.pem")
        with open(pem[name], "w") as f:
            f.write(text)
    cluster = distributed.LocalCluster(n_workers=1, threads_per_worker=1, processes=True,
                                       host="127.0.0.1", protocol="tls", security=sec,
                                       dashboard_address=None,
                                       scheduler_kwargs={"dashboard_address": "127.0.0.1:0"})
    try:
        assert cluster.scheduler_address.startswith("tls://127.0.0.1:")
        out = str(tmp_path / "tls.csv")
        rc = survey.main([*files[:20], "--scheduler", cluster.scheduler_address,
                          "--tls-ca", pem["ca"], "--tls-cert", pem["cert"],
                          "--tls-key", pem["key"], "-o", out])
    finally:
        cluster.close()
    expected = str(tmp_path / "batch.csv")
    run_cli("batch", *files[:20], "-o", expected)
    with open(out) as a, open(expected) as b:
        assert a.read() == b.read()
    assert rc == 0


def test_a_file_that_kills_its_worker_every_time_gets_a_row_with_that_reason(files, tmp_path,
                                                                           monkeypatch):
    # The task of one file ends its worker's process each time it runs; the
    # scheduler gives up on it at once (no failure allowed). Its chunk is then
    # timed file by file: every other file keeps its rows, that file gets one
    # row with the reason.
    import sys

    import cloudpickle
    import dask

    cloudpickle.register_pickle_by_value(sys.modules[__name__])
    some = [f for f in files if os.path.exists(f)][:30]
    doomed = some[7]
    real = survey.time_files

    def dying(chunk, *args):
        if doomed in chunk:
            os._exit(1)
        return real(chunk, *args)

    monkeypatch.setattr(survey, "time_files", dying)
    with dask.config.set({"distributed.scheduler.allowed-failures": 0}):
        cluster, client = process_cluster(2)
        try:
            table, failed = survey.survey(some, client, retries=0)
        finally:
            client.close()
            cluster.close()
    out = str(tmp_path / "batch.csv")
    run_cli("batch", *some, "-o", out)
    with open(out) as f:
        batch = f.read().splitlines()
    expected = [x for x in batch if not x.startswith(doomed + ",")]
    lines = table.splitlines()
    assert [x for x in lines if not x.startswith(doomed + ",")] == expected
    [row] = [x for x in lines if x.startswith(doomed + ",")]
    assert row.startswith(doomed + ",file,,,no,") and "worker timing it was lost" in row
    assert [f for f, _ in failed] == [doomed]
    # In its place: where vantor-cli's rows of that file begin.
    assert lines.index(row) == next(i for i, x in enumerate(batch) if x.startswith(doomed + ","))


# --------------------------------------------------------------------------
# The default cluster's door, a user's scheduler, and the command's edges


def listening_sockets(pid):
    """The sockets of process `pid` that are in LISTEN state: TCP over IPv4
    and IPv6 and Unix stream sockets, found by inode in /proc."""
    own = set()
    for fd in os.listdir(f"/proc/{pid}/fd"):
        try:
            link = os.readlink(f"/proc/{pid}/fd/{fd}")
        except OSError:
            continue
        if link.startswith("socket:["):
            own.add(link[8:-1])
    listening = set()
    for table in ("tcp", "tcp6"):
        with open(f"/proc/{pid}/net/{table}") as f:
            for line in f.readlines()[1:]:
                cells = line.split()
                if cells[3] == "0A":  # TCP_LISTEN
                    listening.add((table + " " + cells[1], cells[9]))
    with open(f"/proc/{pid}/net/unix") as f:
        for line in f.readlines()[1:]:
            cells = line.split()
            if int(cells[3], 16) & 0x10000:  # __SO_ACCEPTCON: listening
                listening.add(("unix " + (cells[7] if len(cells) > 7 else "(unnamed)"), cells[6]))
    return sorted(name for name, inode in listening if inode in own)


def children(pid):
    with open(f"/proc/{pid}/task/{pid}/children") as f:
        return [int(p) for p in f.read().split()]


def test_listening_sockets_sees_a_listener_of_this_process():
    # The positive control of the check below: a socket listening on the
    # loopback interface is found, a closed one is not.
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        s.listen()
        port = f"{s.getsockname()[1]:04X}"
        assert any(name.endswith(":" + port) for name in listening_sockets(os.getpid()))
    assert not any(name.endswith(":" + port) for name in listening_sockets(os.getpid()))


def test_the_default_cluster_listens_on_no_socket_during_a_run(files, tmp_path, monkeypatch):
    seen = []

    def sample(done, total):
        me = os.getpid()
        seen.append((listening_sockets(me), children(me)))

    monkeypatch.setattr(survey, "_progress_printer", lambda: sample)
    out = str(tmp_path / "table.csv")
    rc = survey.main([*files[:60], "--workers", "2", "-o", out])
    assert rc == 1  # files[50] is not a light curve
    assert seen, "the run reported no progress"
    assert all(sockets == [] and kids == [] for sockets, kids in seen), seen[0]
    expected = str(tmp_path / "batch.csv")
    run_cli("batch", *files[:60], "-o", expected)
    with open(out) as a, open(expected) as b:
        assert a.read() == b.read()


def survey_command(*argv, timeout=120):
    """python3 -m vantor.survey in a process of its own: (status, stderr)."""
    import subprocess
    import sys
    p = subprocess.run([sys.executable, "-m", "vantor.survey", *argv], capture_output=True,
                       text=True, timeout=timeout)
    return p.returncode, p.stderr


def write_credentials(security, folder, stem):
    """The CA, certificate and key of a Security as PEM files: the --tls-* options."""
    options = []
    for flag, text in (("--tls-ca", security.tls_ca_file), ("--tls-cert", security.tls_client_cert),
                       ("--tls-key", security.tls_client_key)):
        path = str(folder / f"{stem}{flag[5:]}.pem")
        with open(path, "w") as f:
            f.write(text)
        options += [flag, path]
    return options


def test_a_tls_scheduler_refuses_clients_without_its_credentials(files, tmp_path):
    pytest.importorskip("cryptography")
    from distributed.security import Security
    cluster, client = process_cluster(1)
    try:
        address = cluster.scheduler_address
        assert address.startswith("tls://127.0.0.1:")
        out = str(tmp_path / "o.csv")
        # No credentials, another authority's, or plain TCP to its port: refused,
        # in one line, before anything is written.
        others = write_credentials(Security.temporary(), tmp_path, "other")
        for target, extra in ((address, []), (address, others),
                              (address.replace("tls://", "tcp://"), [])):
            rc, err = survey_command(*files[:5], "--scheduler", target, *extra, "-o", out)
            assert rc == 2 and err.count("\n") == 1, err
            assert err.startswith("vantor.survey: cannot reach the scheduler"), err
            assert not os.path.exists(out)
        # With them (the client that started it): a survey runs there.
        table, failed = survey.survey(files[:5], client)
        assert failed == [] and table.count("\n") > 5
    finally:
        client.close()
        cluster.close()


def test_an_unreachable_scheduler_ends_with_one_line(tmp_path):
    import socket
    with socket.socket() as s:  # a port nothing listens on once closed
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    curve = os.path.join(SOURCE_DIR, "examples", "eclipse_header.csv")
    for address in (f"tcp://127.0.0.1:{port}", "::::"):
        rc, err = survey_command(curve, "--scheduler", address, "-o", str(tmp_path / "o.csv"))
        assert rc == 2, err
        assert err.startswith("vantor.survey: cannot reach the scheduler")
        assert err.count("\n") == 1 and "Traceback" not in err, err
        assert not os.path.exists(tmp_path / "o.csv")


@pytest.fixture
def special(tmp_path):
    """A FIFO and a curve, and the names of other files that are not regular."""
    fifo = str(tmp_path / "fifo")
    os.mkfifo(fifo)
    curve = str(tmp_path / "curve.csv")
    t, m = eclipse(n=50)
    write_curve(curve, t, m)
    return {"fifo": fifo, "curve": curve, "folder": str(tmp_path), "zero": "/dev/zero"}


@pytest.mark.parametrize("argv, words", [
    (["--period", "abc", "--epoch", "1", "--series"], "argument --period: expects a number"),
    (["--epoch", "abc", "--period", "1", "--series"], "argument --epoch: expects a number"),
    (["--half-width", "abc", "--find", "--series"], "argument --half-width: expects a number"),
    (["--secondary", "x", "--find", "--series"], "argument --secondary: expects a number"),
    (["--series", "--find", "--bootstrap", "1"], "--bootstrap: Value 1 not in range 2 to"),
    (["--series", "--epoch", "1", "--period", "1e400"], "--period expects a number of days"),
    (["--decimals", "9"], "--decimals: Value 9 not in range 5 to 7"),
    (["--workers", "0"], "--workers expects 1 to 1024"),
    (["--workers", str(2**40)], "--workers expects 1 to 1024"),
    (["--list", "{fifo}"], "is not a regular file"),
    (["--list", "{zero}"], "is not a regular file"),
    (["--list", "{folder}"], "is not a regular file"),
    (["-o", "{curve}"], "is the input"),
    (["-o", "{fifo}"], "FIFO"),
    (["--tls-cert", "c.pem", "--tls-key", "k.pem", "--tls-ca", "a.pem"], "for a remote cluster"),
])
def test_bad_usage_is_refused_before_any_work(argv, words, special, tmp_path, capsys,
                                             monkeypatch):
    def no_cluster(n):
        raise AssertionError("a cluster was started")

    monkeypatch.setattr(survey, "local_cluster", no_cluster)
    argv = [a.format(**special) for a in argv]
    if "-o" not in argv:
        argv += ["-o", str(tmp_path / "o.csv")]
    before = open(special["curve"], "rb").read()
    try:
        rc = survey.main([special["curve"], *argv])
    except SystemExit as e:  # argparse's usage errors
        rc = e.code
    err = capsys.readouterr().err
    assert rc == 2 and words in err, err
    assert "Traceback" not in err
    assert err.startswith("usage:") or err.count("\n") == 1, err
    assert not os.path.exists(tmp_path / "o.csv")
    assert open(special["curve"], "rb").read() == before
    assert sorted(os.listdir(tmp_path)) == ["curve.csv", "fifo"]


def test_odd_file_names_get_their_rows_and_readable_messages(tmp_path):
    # Names that are not UTF-8 or hold a line end, one of them named only in
    # --list (a list that is not UTF-8 either), one missing: every file gets
    # the row vantor-cli batch gives it, byte for byte, and the messages show
    # the odd bytes as \xNN.
    import subprocess
    folder = os.fsencode(str(tmp_path))
    names = [b"plain.csv", b"caf\xe9.csv", b"two\nlines.csv", b"esc\x1b[31m.csv"]
    paths = []
    for k, name in enumerate(names):
        t, m = eclipse(n=50 + k, seed=k)
        path = os.path.join(folder, name)
        write_curve(path, t, m)
        paths.append(path)
    missing = os.path.join(folder, b"gone\xff.csv")
    listed = os.path.join(folder, b"list.txt")
    with open(listed, "wb") as f:
        f.write(paths[1] + b"\r\n\n" + missing + b"\n")
    out = os.path.join(folder, b"table.csv")
    argv = [os.fsdecode(p) for p in (paths[0], paths[2], paths[3])]
    rc = None
    import contextlib
    import io
    err = io.StringIO()
    with contextlib.redirect_stderr(err):
        rc = survey.main([*argv, "--list", os.fsdecode(listed), "-o", os.fsdecode(out)])
    order = [paths[0], paths[2], paths[3], paths[1], missing]
    batch = os.path.join(folder, b"batch.csv")
    p = subprocess.run([os.fsencode(VANTOR_CLI), b"batch", *order, b"-o", batch],
                       capture_output=True)
    with open(out, "rb") as a, open(batch, "rb") as b:
        table, expected = a.read(), b.read()
    assert table == expected
    assert rc == 1 == p.returncode
    assert b'"' + paths[2] + b'"' in table  # the line end inside a quoted field
    message = err.getvalue()
    assert message.isprintable() or set(message) - set(message.strip()) <= {"\n"}
    assert message.count("\n") == 1 and "gone\\xFF.csv" in message
    assert "\x1b" not in message and "\udcff" not in message


def test_series_comment_lines_keep_one_line_per_odd_name(tmp_path):
    series = os.path.join(SOURCE_DIR, "tests", "data", "series", "cmdra_7023_7024.csv")
    odd = str(tmp_path / "a\nb.csv")
    with open(series, "rb") as a, open(odd, "wb") as b:
        b.write(a.read())
    out = str(tmp_path / "minima.csv")
    rc = survey.main([odd, "--series", "--epoch", "58739.9291", "--period", "1.2683900",
                      "--half-width", "0.025", "--workers", "1", "-o", out])
    import csv
    with open(out, newline="") as f:
        text = f.read()
    rows = list(csv.reader(line for line in text.splitlines(keepends=True)
                           if not line.startswith("#")))
    comments = [line for line in text.splitlines() if line.startswith("#")]
    assert rc == 0 and comments
    assert all(c.startswith('# "' + str(tmp_path) + '/a\\x0Ab.csv": ') for c in comments)
    assert len(rows) > 2 and all(r[0] == odd for r in rows[1:])


def test_sigterm_mid_run_leaves_no_temporary_file_and_the_old_table(tmp_path):
    import subprocess
    import sys
    import time
    t, m = eclipse(n=200)
    curve = str(tmp_path / "curve.csv")
    write_curve(curve, t, m)
    listed = tmp_path / "list.txt"
    listed.write_text((curve + "\n") * 20000)
    out = tmp_path / "table.csv"
    out.write_text("the old table\n")
    p = subprocess.Popen([sys.executable, "-m", "vantor.survey", "--list", str(listed), "--auto",
                          "--workers", "2", "-o", str(out)],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        deadline = time.monotonic() + 60
        while not any(n.startswith("table.csv.") for n in os.listdir(tmp_path)):
            assert p.poll() is None and time.monotonic() < deadline, p.communicate()
            time.sleep(0.05)
        time.sleep(2)  # into the timing
        assert p.poll() is None, "the run ended before the signal"
        p.send_signal(signal.SIGTERM)
        _, err = p.communicate(timeout=60)
    finally:
        if p.poll() is None:
            p.kill()
    assert p.returncode == 128 + signal.SIGTERM, err
    assert "stopped by SIGTERM" in err and "Traceback" not in err, err
    assert sorted(os.listdir(tmp_path)) == ["curve.csv", "list.txt", "table.csv"]
    assert out.read_text() == "the old table\n"
