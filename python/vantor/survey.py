"""Time a survey's light curves on a Dask cluster.

    python3 -m vantor.survey FILES_OR_GLOB... [--auto] -o OUT.csv
    python3 -m vantor.survey FILES_OR_GLOB... --series --epoch T0 --period P -o OUT.csv

Each light curve is timed by one Dask task exactly as ``vantor-cli batch``
times it (the tracing paper and sliding integrations, or ``--auto``: the five
range methods on automatic ranges and sliding integrations; combined as
"Calc. Means" does), or with ``--series`` as ``vantor-cli series --csv``
times every eclipse of it. The client gathers the rows in the order of the
files under one header: the table ``vantor-cli batch --csv`` writes for the
same files, byte for byte. A file that cannot be read gets a row with its
reason; it never stops the others. A worker lost mid-run costs nothing but
time: the scheduler runs its tasks again elsewhere.

Without ``--scheduler`` the survey runs a Dask cluster inside its own
process: a worker thread per core (the C++ timing releases the GIL, so the
threads time files side by side), talking through Dask's in-process
transport. It opens no network or Unix socket at all, so no other user or
program can reach it (Dask's scheduler and workers always start an HTTP
server; the in-process ones here are built without one). The price: a file
that crashes the timing code ends the survey, where a cluster of worker
processes would only lose a worker.

``--scheduler ADDRESS`` connects to any running Dask cluster, as given
(Slurm through dask-jobqueue, Kubernetes, ``dask ssh``: see docs/PYTHON.md);
``--tls-ca``, ``--tls-cert`` and ``--tls-key`` make the connection with
Dask's TLS security, encrypted and authenticated. Never expose a scheduler
without TLS on a network others can reach: anyone who can connect to it can
run code on its workers.

File names are the file system's bytes: a name that is not UTF-8 (kept as
Python keeps it, with surrogate escapes) or that holds a line end gets its
row like any other, quoted in the table as CSV quotes it and shown in
messages with ``\\xNN`` for each byte that is not printable UTF-8.

``survey(files, ...)`` is the same run from Python.
"""

from __future__ import annotations

import argparse
import glob
import logging
import os
import re
import signal
import stat
import sys
from typing import Callable, Iterable, List, Optional, Sequence

from . import _vantor

#: The header of the CSV table (that of ``vantor-cli batch --csv``).
BATCH_HEADER = _vantor.BATCH_CSV_HEADER
#: The header of the table of minima (``vantor-cli series --csv``'s, with the file first).
SERIES_HEADER = ("file,cycle,kind,predicted,time,error,o_minus_c,o_minus_c_min,n_points,methods,"
                 "method_times,message\n")

#: How long ``--scheduler`` may take to answer before the survey gives up.
CONNECT_TIMEOUT = "10s"

_IMPORT_OPTIONS = ("format", "time_col", "mag_col", "flux_col", "err_col", "star", "filter",
                   "time_scale", "to", "ra", "dec", "from", "until")


def _csv_field(text: str, always: bool = False) -> str:
    """A CSV field as vantor-cli writes it (core's CsvField): in double quotes
    only when it must be, or always."""
    return _text(_vantor.csv_field(_raw(text), always))


def _text(data: bytes) -> str:
    """Bytes from the timing code as text; bytes that are not UTF-8 (a file
    name's) are kept as surrogate escapes, written back as they were."""
    return data.decode("utf-8", "surrogateescape")


def _raw(text: str) -> bytes:
    """Text back to the bytes it stands for (see :func:`_text`)."""
    return text.encode("utf-8", "surrogateescape")


def shown(name: str) -> str:
    """A file name as messages show it: in double quotes, every byte that is
    not printable UTF-8 (a line end, an escape sequence, a byte that is not
    UTF-8) as \\xNN."""
    return _vantor.quoted_name(os.fsencode(name))


def _in_line(name: str) -> str:
    """A name put inside a line of text as it is, unless it would break the
    line or reach a terminal raw: then as :func:`shown` gives it."""
    return name if name.isprintable() else shown(name)


def _message(text: str) -> str:
    """A reason from the timing code fit for stderr (bytes that are not UTF-8
    as \\xNN)."""
    return _raw(text).decode("utf-8", "backslashreplace")


def expand(patterns: Iterable[str]) -> List[str]:
    """The files of the command line: a name that exists stays as it is, in
    its place; a glob pattern (``*``, ``?``, ``[``, ``**``) gives the files it
    matches in sorted order; a name that neither exists nor matches stays too,
    so that its row says why it could not be read."""
    files: List[str] = []
    for p in patterns:
        if os.path.exists(p) or not any(c in p for c in "*?["):
            files.append(p)
            continue
        matched = sorted(f for f in glob.glob(p, recursive=True) if os.path.isfile(f))
        files.extend(matched if matched else [p])
    return files


# --------------------------------------------------------------------------
# What a worker runs: plain functions of plain arguments, so that any worker
# that can import vantor runs them.


def time_files(files: Sequence[str], automatic: bool, decimals: int,
               import_options: dict) -> list:
    """Each file's batch rows: (csv rows, failed, reason)."""
    out = []
    for f in files:
        csv, failed, error, _notes = _vantor.batch_file(os.fsencode(f), automatic, decimals,
                                                        import_options)
        out.append((_text(csv), failed, _text(error)))
    return out


def series_files(files: Sequence[str], series_options: dict, import_options: dict) -> list:
    """Each file's table of minima as ``vantor-cli series --csv`` writes it,
    its comment lines and data lines prefixed by the file: (text, failed,
    reason)."""
    out = []
    for f in files:
        csv, failed, error = _vantor.series_file(os.fsencode(f), series_options, import_options)
        csv, error = _text(csv), _text(error)
        if failed:
            out.append((_failure_row(f, error, True), True, error))
            continue
        lines = []
        name = _csv_field(f)
        seen_header = False
        for line in csv.splitlines(keepends=True):
            if line.startswith("#"):
                lines.append("# " + _in_line(f) + ": " + line[2:])
            elif not seen_header:
                seen_header = True  # the one header is written by the client
            else:
                lines.append(name + "," + line)
        out.append(("".join(lines), False, ""))
    return out


# --------------------------------------------------------------------------
# The client


def _failure_row(f: str, reason: str, series: bool) -> str:
    """The row of a file that gave no result: batch's row of a refused file,
    or a minimum-less row of the table of minima."""
    if series:
        # The message as the table of minima writes it: always quoted, its
        # own double quotes as apostrophes.
        return _csv_field(f) + "," * 11 + _csv_field(reason.replace('"', "'"), always=True) + "\n"
    return _csv_field(f) + ",file,,,no," + _csv_field(reason) + ",\n"


def _chunks(files: Sequence[str], size: int) -> List[Sequence[str]]:
    return [files[i:i + size] for i in range(0, len(files), size)]


def _chunk_size(n_files: int, n_workers: int) -> int:
    # Enough tasks to balance the load (about eight per worker) and to lose
    # little when a worker dies, few enough that the scheduler's cost per
    # task (about a millisecond) stays small against the timing of a chunk
    # (a file takes about a millisecond).
    return max(1, min(256, n_files // max(1, 8 * n_workers)))


def run_survey(files: Sequence[str], client, write: Callable[[str], None], *,
               automatic: bool = False, series_options: Optional[dict] = None,
               decimals: int = 5, import_options: Optional[dict] = None, retries: int = 3,
               progress: Optional[Callable[[int, int], None]] = None) -> list:
    """Time ``files`` on the Dask cluster of ``client``, handing the table to
    ``write`` piece by piece: the header, then the rows of the files in their
    order as soon as every file before them is done (so that the client holds
    little more than the files in flight). Returns the (file, reason) of the
    files that could not be read or timed. See :func:`survey`."""
    from distributed import as_completed

    import_options = dict(import_options or {})
    for key in import_options:
        if key not in _IMPORT_OPTIONS:
            raise ValueError(f"unknown importer option {key!r}; they are "
                             f"{', '.join(_IMPORT_OPTIONS)}")
    if series_options is None and not 5 <= decimals <= 7:
        raise ValueError(f"--decimals: Value {decimals} not in range 5 to 7")
    files = list(files)
    n_workers = max(1, len(client.scheduler_info().get("workers", {})))
    chunks = _chunks(files, _chunk_size(len(files), n_workers))

    def submit(chunk, tries):
        if series_options is None:
            return client.submit(time_files, chunk, automatic, decimals, import_options,
                                 retries=tries, pure=False)
        return client.submit(series_files, chunk, series_options, import_options,
                             retries=tries, pure=False)

    write(BATCH_HEADER if series_options is None else SERIES_HEADER)
    futures = [submit(c, retries) for c in chunks]
    chunk_of = {f.key: k for k, f in enumerate(futures)}
    pending = as_completed(futures)
    del futures
    results: dict = {}  # chunk -> its (text, failed, reason) per file, until written
    lost: list = []     # chunks whose task failed on every try
    next_chunk = 0
    failed = []
    done = 0

    def flush():
        nonlocal next_chunk
        while next_chunk in results:
            rows = results.pop(next_chunk)
            write("".join(text for text, _, _ in rows))
            failed.extend((f, reason) for f, (_, bad, reason) in zip(chunks[next_chunk], rows)
                          if bad)
            next_chunk += 1

    for fut in pending:
        k = chunk_of.pop(fut.key)
        try:
            results[k] = fut.result()
        except Exception:  # its worker died on every try (or took others' tasks down with it)
            lost.append(k)
        else:
            done += len(chunks[k])
            flush()
            if progress is not None:
                progress(done, len(files))
        fut.release()

    # A worker that dies takes the tasks waiting on it down too. The files of
    # the lost chunks are timed again one at a time, each alone on the
    # cluster: only a file that ends its worker by itself fails.
    for k in sorted(lost):
        rows = []
        for f in chunks[k]:
            single = submit([f], 0)
            try:
                rows.append(single.result()[0])
            except Exception as e:
                reason = f"the worker timing it was lost ({type(e).__name__}: {e})"
                rows.append((_failure_row(f, reason, series_options is not None), True, reason))
            single.release()
            done += 1
            if progress is not None:
                progress(done, len(files))
        results[k] = rows
        flush()
    return failed


def survey(files: Sequence[str], client, **options) -> tuple:
    """Time ``files`` on the Dask cluster of ``client``.

    Returns (table, failed): the CSV text under one header, the rows in the
    order of ``files`` (byte for byte what ``vantor-cli batch`` writes for
    them, or with ``series_options`` the rows of ``vantor-cli series --csv``
    with the file first), and the list of (file, reason) of the files that
    could not be read or timed.

    Options: ``automatic`` (``--auto``), ``series_options`` (the keywords of
    ``vantor.series`` as texts: epoch, period, secondary, half_width, find,
    bootstrap), ``decimals``, ``import_options`` (the importer's options of
    ``vantor-cli`` with underscores: format, time_col, ...), ``retries`` (of
    a task whose worker was lost), ``progress(done, total)``.

    >>> from distributed import Client                               # doctest: +SKIP
    >>> table, failed = survey(files, Client(), automatic=True)      # doctest: +SKIP
    """
    parts: list = []
    failed = run_survey(files, client, parts.append, **options)
    return "".join(parts), failed


def _without_http(cls):
    """`cls` (Dask's Scheduler or Worker) without its HTTP server: Dask starts
    one on every scheduler and worker, listening on every address even with
    the dashboard off. The routes are kept, served by nothing."""
    from distributed.http.routing import RoutingApplication
    from tornado.httpserver import HTTPServer

    class WithoutHttp(cls):
        def start_http_server(self, routes, dashboard_address, default_port=0,
                              ssl_options=None):
            self.http_application = RoutingApplication(routes)
            self.http_server = HTTPServer(self.http_application)  # never listens

    WithoutHttp.__name__ = WithoutHttp.__qualname__ = cls.__name__ + "WithoutHttp"
    return WithoutHttp


def local_cluster(n_workers: int):
    """A Dask cluster inside this process: a scheduler and `n_workers` workers
    of one thread each, talking through Dask's in-process transport
    (``inproc://``), without HTTP servers. It opens no socket that anything
    outside this process could connect to."""
    from distributed import Scheduler, SpecCluster, Worker

    quiet = dict(protocol="inproc://", host=None, dashboard=False, dashboard_address=None)
    # memory_limit=0: the workers share this process, so none of them may
    # pause or spill on the memory the others use.
    worker = {"cls": _without_http(Worker), "options": dict(quiet, nthreads=1, memory_limit=0)}
    return SpecCluster(scheduler={"cls": _without_http(Scheduler), "options": dict(quiet, port=0)},
                       workers={i: worker for i in range(n_workers)}, worker=worker,
                       silence_logs=logging.WARNING)


_NUMBER = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eEdD][+-]?\d+)?")


def _number(text: str) -> str:
    """An argparse type: a decimal number, kept as its text for the timing
    code to read exactly as vantor-cli reads it."""
    if not _NUMBER.fullmatch(text.strip()):
        raise argparse.ArgumentTypeError(f"expects a number, not {text!r}")
    return text


def _parser() -> argparse.ArgumentParser:
    p = argparse.ArgumentParser(
        prog="python3 -m vantor.survey",
        description="Time many light curves on a Dask cluster: the rows of vantor-cli batch "
                    "(or, with --series, of vantor-cli series) for every file, in the order "
                    "given, under one header.")
    p.add_argument("files", nargs="*", metavar="FILES_OR_GLOB",
                   help="light-curve files, or glob patterns (quoted: 'data/**/*.csv')")
    p.add_argument("--list", metavar="FILE",
                   help="also the files named in FILE, one a line (for more files than a "
                        "command line holds)")
    p.add_argument("-o", "--output", required=True, metavar="OUT.csv", help="the table to write")
    p.add_argument("--scheduler", metavar="ADDRESS",
                   help="a running Dask scheduler (tcp://host:8786, tls://host:8786); without "
                        "it a cluster runs inside this process, reachable by nothing else")
    p.add_argument("--workers", type=int, metavar="N",
                   help="local cluster: worker threads, 1 to 1024 (default: one per core)")
    p.add_argument("--tls-ca", metavar="FILE", help="TLS: the certificate authority's certificate")
    p.add_argument("--tls-cert", metavar="FILE", help="TLS: this client's certificate")
    p.add_argument("--tls-key", metavar="FILE", help="TLS: this client's private key")
    mode = p.add_mutually_exclusive_group()
    mode.add_argument("--auto", action="store_true",
                      help="the five range methods on automatic ranges and sliding integrations")
    mode.add_argument("--series", action="store_true",
                      help="every eclipse of each file against an ephemeris (vantor-cli series)")
    p.add_argument("--decimals", type=int, default=5, help="batch: 5 (default), 6 or 7")
    s = p.add_argument_group("--series")
    s.add_argument("--epoch", type=_number, help="epoch T0 of a primary minimum (days)")
    s.add_argument("--period", type=_number, help="period P (days)")
    s.add_argument("--secondary", nargs="?", const="0.5", type=_number, metavar="PHASE",
                   help="also the secondary minima, at this phase (0.5 without a value)")
    s.add_argument("--half-width", type=_number, help="half-width of each window (days)")
    s.add_argument("--find", action="store_true", help="estimate the period and epoch")
    s.add_argument("--bootstrap", type=int, default=0, metavar="N",
                   help="bootstrap each method's error from N resampled light curves")
    imp = p.add_argument_group("reading other layouts (as vantor-cli)")
    for opt in ("format", "time-col", "mag-col", "flux-col", "err-col", "star", "filter",
                "time-scale", "to", "ra", "dec", "from", "until"):
        imp.add_argument("--" + opt, dest="imp_" + opt.replace("-", "_"))
    return p


def _security(args):
    given = [args.tls_ca, args.tls_cert, args.tls_key]
    if not any(given):
        return None
    if not all(given):
        raise _Usage("--tls-ca, --tls-cert and --tls-key go together")
    from distributed.security import Security
    return Security(tls_ca_file=args.tls_ca, tls_client_cert=args.tls_cert,
                    tls_client_key=args.tls_key, require_encryption=True)


def _progress_printer():
    if not sys.stderr.isatty():
        return None

    def show(done: int, total: int) -> None:
        sys.stderr.write(f"\r[{done}/{total}] files timed\033[K")
        if done == total:
            sys.stderr.write("\n")
        sys.stderr.flush()
    return show


class _Usage(Exception):
    """A refusal of the command line, before any work: exit status 2."""


class _Stopped(BaseException):
    """SIGTERM (or SIGHUP) asked the survey to end. A BaseException, as
    KeyboardInterrupt is, so that no ``except Exception`` on the way (a task
    taken for lost, Dask's own) swallows it."""

    def __init__(self, signum: int):
        super().__init__(signal.Signals(signum).name)
        self.signum = signum


def read_list(path: str) -> List[str]:
    """The file names of ``--list``: one a line, blank lines skipped, each
    name's bytes as they are (kept with surrogate escapes where not UTF-8).
    Only a regular file is read: a FIFO, a device (``/dev/zero``) or a folder
    is refused at once, never waited on or read without end."""
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_NOCTTY | os.O_CLOEXEC)
    except OSError as e:
        raise _Usage(f"cannot read --list {shown(path)}: {e.strerror}") from None
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise _Usage(f"cannot read --list {shown(path)}: it is not a regular file")
        with os.fdopen(fd, "rb", closefd=False) as f:
            data = f.read()
    except OSError as e:
        raise _Usage(f"cannot read --list {shown(path)}: {e.strerror or e}") from None
    finally:
        os.close(fd)
    names = []
    for line in data.split(b"\n"):
        if line.strip():
            names.append(_text(line[:-1] if line.endswith(b"\r") else line))
    return names


def _check(args) -> tuple:
    """Every option checked before any work: (import options, series options
    or None). Raises _Usage in the command line's words."""
    import_options = {k[4:]: v for k, v in vars(args).items()
                      if k.startswith("imp_") and v is not None}
    series_options = None
    if args.series:
        series_options = {"find": args.find, "bootstrap": args.bootstrap}
        for key in ("epoch", "period", "half_width", "secondary"):
            value = getattr(args, key)
            if value is not None:
                series_options[key] = value
        if not args.find and (args.epoch is None or args.period is None):
            raise _Usage("give --epoch and --period, or --find to estimate them")
        try:
            _vantor.check_series_options(series_options)
        except ValueError as e:
            raise _Usage(str(e)) from None
    elif any(getattr(args, k) for k in ("epoch", "period", "half_width", "find")) or \
            args.secondary is not None or args.bootstrap:
        raise _Usage("--epoch, --period, --secondary, --half-width, --find and "
                     "--bootstrap go with --series")
    elif not 5 <= args.decimals <= 7:
        raise _Usage(f"--decimals: Value {args.decimals} not in range 5 to 7")
    if args.workers is not None and (not 1 <= args.workers <= 1024 or args.scheduler):
        raise _Usage("--workers expects 1 to 1024, and only for the local cluster")
    if not args.scheduler and any([args.tls_ca, args.tls_cert, args.tls_key]):
        raise _Usage("--tls-ca, --tls-cert and --tls-key are for a remote cluster "
                     "(--scheduler); the local one runs inside this process, reachable by "
                     "nothing else")
    return import_options, series_options


def _connect(args, security):
    """The client of the user's scheduler, or _Usage saying in one line why
    there is none (unreachable, refused, not a Dask address)."""
    from distributed import Client
    try:
        return Client(args.scheduler, security=security, timeout=CONNECT_TIMEOUT)
    except Exception as e:  # OSError, TimeoutError, ValueError ...: all mean "not reached"
        reason = " ".join(str(e).split()) or type(e).__name__
        raise _Usage(f"cannot reach the scheduler {shown(args.scheduler)} within "
                     f"{CONNECT_TIMEOUT}: {reason}") from None


def _raise_stopped(signum, frame):
    raise _Stopped(signum)


def main(argv: Optional[Sequence[str]] = None) -> int:
    args = _parser().parse_args(argv)
    stop_signals = (signal.SIGTERM, signal.SIGHUP)
    previous = {}
    try:
        # SIGTERM and SIGHUP end the run as Ctrl+C does, through the clean-up
        # below: the temporary table is removed and the cluster closed.
        for signum in stop_signals:
            previous[signum] = signal.signal(signum, _raise_stopped)
    except ValueError:  # not the main thread: signals stay as they are
        pass
    try:
        return _run(args)
    except _Usage as e:
        print(f"vantor.survey: {e}", file=sys.stderr)
        return 2
    except _Stopped as e:
        print(f"vantor.survey: stopped by {e}; {shown(args.output)} is left as it was",
              file=sys.stderr)
        return 128 + e.signum
    except KeyboardInterrupt:
        print(f"vantor.survey: interrupted; {shown(args.output)} is left as it was",
              file=sys.stderr)
        return 128 + signal.SIGINT
    finally:
        for signum, handler in previous.items():
            signal.signal(signum, handler)


def _survey_into(out, files, args, security, import_options, series_options) -> list:
    cluster = None
    if args.scheduler:
        client = _connect(args, security)
    else:
        from distributed import Client
        cluster = local_cluster(args.workers or os.cpu_count() or 1)
        client = Client(cluster)
    try:
        return run_survey(files, client, lambda text: out.write(_raw(text)),
                          automatic=args.auto, series_options=series_options,
                          decimals=args.decimals, import_options=import_options,
                          progress=_progress_printer())
    except _vantor.OutputFileError:
        raise
    except ValueError as e:
        raise _Usage(str(e)) from None
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def _run(args) -> int:
    files = expand(args.files)
    if args.list:
        files += read_list(args.list)
    if not files:
        raise _Usage("name the light curves (FILES_OR_GLOB or --list)")
    security = _security(args)
    import_options, series_options = _check(args)
    inputs = [os.fsencode(f) for f in files] + ([os.fsencode(args.list)] if args.list else [])
    try:
        out = _vantor.OutputFile(os.fsencode(args.output), inputs)
    except _vantor.OutputFileError as e:
        raise _Usage(str(e)) from None

    try:
        # Leaving this block by an exception (a stop signal among them)
        # discards the temporary table; the target stays as it was.
        with out:
            failed = _survey_into(out, files, args, security, import_options, series_options)
    except _vantor.OutputFileError as e:
        raise _Usage(str(e)) from None
    for f, reason in failed:
        print(f"{shown(f)}: {_message(reason)}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
