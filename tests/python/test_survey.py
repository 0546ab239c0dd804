# The survey on a local Dask cluster against vantor-cli batch and series on
# the same files.
import os
import signal

import pytest

distributed = pytest.importorskip("distributed")

from vantor import survey  # noqa: E402
from conftest import SOURCE_DIR, eclipse, run_cli, write_curve  # noqa: E402


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
        assert f"{f}: {reason}" in err


def test_a_worker_killed_mid_run_leaves_the_table_complete(files, tmp_path):
    cluster = survey.local_cluster(2)
    client = distributed.Client(cluster)
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


def test_the_command_writes_the_series_table_of_every_file(tmp_path):
    series = os.path.join(SOURCE_DIR, "tests", "data", "series", "cmdra_7023_7024.csv")
    ephemeris = ["--epoch", "58739.9291", "--period", "1.2683900", "--half-width", "0.025"]
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
        cluster = survey.local_cluster(2)
        client = distributed.Client(cluster)
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
