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

Without ``--scheduler`` a local cluster is started on this machine's cores,
listening on the loopback interface only. ``--scheduler ADDRESS`` connects to
any running Dask cluster (Slurm through dask-jobqueue, Kubernetes, ``dask
ssh``: see docs/PYTHON.md); ``--tls-ca``, ``--tls-cert`` and ``--tls-key``
make the connection with Dask's TLS security, encrypted and authenticated.
Never expose a scheduler without TLS on a network others can reach: anyone
who can connect to it can run code on its workers.

``survey(files, ...)`` is the same run from Python.
"""

from __future__ import annotations

import argparse
import glob
import os
import sys
import tempfile
from typing import Callable, Iterable, List, Optional, Sequence

from . import _vantor

#: The header of the CSV table (that of ``vantor-cli batch --csv``).
BATCH_HEADER = _vantor.BATCH_CSV_HEADER
#: The header of the table of minima (``vantor-cli series --csv``'s, with the file first).
SERIES_HEADER = ("file,cycle,kind,predicted,time,error,o_minus_c,o_minus_c_min,n_points,methods,"
                 "method_times,message\n")

_IMPORT_OPTIONS = ("format", "time_col", "mag_col", "flux_col", "err_col", "star", "filter",
                   "time_scale", "to", "ra", "dec", "from", "until")


def _csv_field(text: str) -> str:
    """A CSV field quoted as vantor-cli quotes it (only when it must be)."""
    if not any(c in text for c in ',"\r\n'):
        return text
    return '"' + text.replace('"', '""') + '"'


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
        csv, failed, error, _notes = _vantor.batch_file(f, automatic, decimals, import_options)
        out.append((csv, failed, error))
    return out


def series_files(files: Sequence[str], series_options: dict, import_options: dict) -> list:
    """Each file's table of minima as ``vantor-cli series --csv`` writes it,
    its comment lines and data lines prefixed by the file: (text, failed,
    reason)."""
    out = []
    for f in files:
        csv, failed, error = _vantor.series_file(f, series_options, import_options)
        if failed:
            out.append((_failure_row(f, error, True), True, error))
            continue
        lines = []
        name = _csv_field(f)
        seen_header = False
        for line in csv.splitlines(keepends=True):
            if line.startswith("#"):
                lines.append("# " + f + ": " + line[2:])
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
        return _csv_field(f) + "," * 10 + ',"' + reason.replace('"', "'") + '"\n'
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
        raise ValueError(f"--decimals: Value {decimals} not in range [5 - 7]")
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


def local_cluster(n_workers: int):
    """A Dask cluster of `n_workers` processes of one thread on this machine,
    every port on the loopback interface only, without a dashboard (its
    HTTP server takes any free port)."""
    from distributed import LocalCluster
    return LocalCluster(n_workers=n_workers, threads_per_worker=1, processes=True,
                        host="127.0.0.1", dashboard_address=None,
                        scheduler_kwargs={"dashboard_address": "127.0.0.1:0"})


class _AtomicOutput:
    """The output file, written to a temporary file beside it and put in its
    place only when the whole table is written: an interrupted run leaves no
    half table (nor changes an old one)."""

    def __init__(self, path: str):
        self.path = path

    def __enter__(self):
        folder = os.path.dirname(os.path.abspath(self.path))
        fd, self.tmp = tempfile.mkstemp(prefix=".vantor-survey-", dir=folder)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(self.tmp, 0o666 & ~umask)  # as a new file gets, not mkstemp's 0600
        self.file = os.fdopen(fd, "w", encoding="utf-8", newline="")
        return self.file

    def __exit__(self, kind, value, tb):
        try:
            self.file.close()
            if kind is None:
                os.replace(self.tmp, self.path)
        finally:
            if os.path.exists(self.tmp):
                os.unlink(self.tmp)
        return False


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
                        "it a local cluster runs on this machine, on the loopback interface")
    p.add_argument("--workers", type=int, metavar="N",
                   help="local cluster: worker processes (default: one per core)")
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
    s.add_argument("--epoch", help="epoch T0 of a primary minimum (days)")
    s.add_argument("--period", help="period P (days)")
    s.add_argument("--secondary", nargs="?", const="", metavar="PHASE",
                   help="also the secondary minima, at this phase (0.5 without a value)")
    s.add_argument("--half-width", help="half-width of each window (days)")
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
        raise SystemExit("vantor.survey: --tls-ca, --tls-cert and --tls-key go together")
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


def main(argv: Optional[Sequence[str]] = None) -> int:
    args = _parser().parse_args(argv)
    files = expand(args.files)
    if args.list:
        try:
            with open(args.list, encoding="utf-8") as f:
                files += [line.rstrip("\r\n") for line in f if line.strip()]
        except OSError as e:
            print(f"vantor.survey: cannot read --list {args.list}: {e.strerror}", file=sys.stderr)
            return 2
    if not files:
        print("vantor.survey: name the light curves (FILES_OR_GLOB or --list)", file=sys.stderr)
        return 2
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
            print("vantor.survey: give --epoch and --period, or --find to estimate them",
                  file=sys.stderr)
            return 2
    elif any(getattr(args, k) for k in ("epoch", "period", "half_width", "find")) or \
            args.secondary is not None or args.bootstrap:
        print("vantor.survey: --epoch, --period, --secondary, --half-width, --find and "
              "--bootstrap go with --series", file=sys.stderr)
        return 2
    if args.workers is not None and (args.workers < 1 or args.scheduler):
        print("vantor.survey: --workers expects 1 or more, and only for the local cluster",
              file=sys.stderr)
        return 2
    security = _security(args)

    from distributed import Client

    cluster = None
    if args.scheduler:
        client = Client(args.scheduler, security=security)
    elif security is not None:
        print("vantor.survey: --tls-ca, --tls-cert and --tls-key are for a remote cluster "
              "(--scheduler); the local one listens on the loopback interface only",
              file=sys.stderr)
        return 2
    else:
        cluster = local_cluster(args.workers or os.cpu_count() or 1)
        client = Client(cluster)
    try:
        with _AtomicOutput(args.output) as out:
            failed = run_survey(files, client, out.write, automatic=args.auto,
                                series_options=series_options, decimals=args.decimals,
                                import_options=import_options, progress=_progress_printer())
    except ValueError as e:
        print(f"vantor.survey: {e}", file=sys.stderr)
        return 2
    except OSError as e:
        print(f"vantor.survey: cannot write {args.output}: {e.strerror or e}", file=sys.stderr)
        return 2
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    for f, reason in failed:
        print(f"{f}: {reason}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
