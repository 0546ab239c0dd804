#!/usr/bin/python3
"""Throughput of the Python module and of the survey against vantor-cli.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--cli build/cli/vantor-cli]

1. vantor.time(auto=True) on seeded synthetic 1000-point eclipses: calls per
   second in one thread and in a pool of threads (the C++ work runs without
   the GIL), against vantor-cli batch --auto on the same curves as files.
2. The survey (vantor.survey on a local Dask cluster) on many generated files
   against vantor-cli batch --auto on the same files; both tables are
   compared byte for byte.

Wall-clock times (time.perf_counter), the best of --repeat runs.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time as clock
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import vantor
from vantor import survey


def eclipse(n, seed):
    rng = np.random.default_rng(seed)
    t0 = 2459812.4316 + rng.uniform(-0.01, 0.01)
    t = np.round(2459812.35 + 0.16 * np.arange(n) / (n - 1), 6)
    width = rng.uniform(0.015, 0.03)
    m = 0.35 + rng.uniform(0.2, 0.8) * np.exp(-0.5 * ((t - t0) / width) ** 2)
    return t, np.round(m + rng.normal(0, 0.004, n), 5)


def write(path, t, m):
    with open(path, "w") as f:
        f.write("HJD,V-C\n")
        f.writelines(f"{a:.6f},{b:.5f}\n" for a, b in zip(t, m))


def best(fn, repeat):
    times = []
    for _ in range(repeat):
        start = clock.perf_counter()
        fn()
        times.append(clock.perf_counter() - start)
    return min(times)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--cli", default=os.path.join("build", "cli", "vantor-cli"))
    p.add_argument("--curves", type=int, default=200, help="1000-point curves for the calls-per-second measurement")
    p.add_argument("--points", type=int, default=1000)
    p.add_argument("--files", type=int, default=10000, help="files for the survey")
    p.add_argument("--file-points", type=int, default=300)
    p.add_argument("--workers", type=int, default=os.cpu_count())
    p.add_argument("--repeat", type=int, default=3)
    a = p.parse_args()

    with tempfile.TemporaryDirectory() as d:
        curves = [eclipse(a.points, s) for s in range(a.curves)]
        paths = []
        for k, (t, m) in enumerate(curves):
            paths.append(os.path.join(d, f"c{k:05d}.csv"))
            write(paths[-1], t, m)

        one = best(lambda: [vantor.time(t, m, auto=True) for t, m in curves], a.repeat)
        print(f"vantor.time(auto=True), {a.points} points, 1 thread: "
              f"{a.curves / one:.0f} calls/s ({1e3 * one / a.curves:.2f} ms a call)")
        with ThreadPoolExecutor(a.workers) as pool:
            many = best(lambda: list(pool.map(lambda c: vantor.time(*c, auto=True), curves)),
                        a.repeat)
        print(f"vantor.time(auto=True), {a.points} points, {a.workers} threads: "
              f"{a.curves / many:.0f} calls/s")
        for jobs in (1, a.workers):
            cmd = [a.cli, "batch", "--auto", "-j", str(jobs), "-o", os.path.join(d, "b.csv"),
                   *paths]
            cli = best(lambda: subprocess.run(cmd, check=False), a.repeat)
            print(f"vantor-cli batch --auto -j {jobs}, {a.curves} files of {a.points} points: "
                  f"{a.curves / cli:.0f} files/s ({1e3 * cli / a.curves:.2f} ms a file)")

        files = []
        for k in range(a.files):
            files.append(os.path.join(d, f"s{k:05d}.csv"))
            write(files[-1], *eclipse(a.file_points, 100000 + k))
        out = os.path.join(d, "batch.csv")
        cmd = [a.cli, "batch", "--auto", "-j", str(a.workers), "-o", out, *files]
        cli = best(lambda: subprocess.run(cmd, check=False), 1)
        print(f"vantor-cli batch --auto -j {a.workers}, {a.files} files of {a.file_points} "
              f"points: {cli:.1f} s, {1e3 * cli / a.files:.2f} ms a file")
        from distributed import Client
        cluster = survey.local_cluster(a.workers)
        client = Client(cluster)
        try:
            start = clock.perf_counter()
            table, _ = survey.survey(files, client, automatic=True)
            dask = clock.perf_counter() - start
        finally:
            client.close()
            cluster.close()
        with open(out) as f:
            same = f.read() == table
        print(f"survey --auto, {a.workers} local workers, {a.files} files: {dask:.1f} s, "
              f"{1e3 * dask / a.files:.2f} ms a file; table identical to batch: {same}")
        return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
