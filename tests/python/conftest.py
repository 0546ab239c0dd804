# Shared by the tests of the Python module: where vantor-cli and the test
# files are, and a synthetic eclipse.
import os
import subprocess

import numpy as np
import pytest

SOURCE_DIR = os.environ.get("VANTOR_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
VANTOR_CLI = os.environ.get("VANTOR_CLI", os.path.join(SOURCE_DIR, "build", "cli", "vantor-cli"))


def run_cli(*args, cwd=None):
    """vantor-cli's exit status, standard output and standard error."""
    p = subprocess.run([VANTOR_CLI, *args], capture_output=True, text=True, cwd=cwd)
    return p.returncode, p.stdout, p.stderr


def eclipse(n=120, seed=1, t0=2459812.4316, depth=0.6, width=0.03, noise=0.004, span=0.16):
    """A primary eclipse: a Gaussian dip of `depth` magnitudes and sigma `width`
    days at `t0` in `n` evenly spread times, with Gaussian noise."""
    rng = np.random.default_rng(seed)
    t = np.round(t0 - span / 2 + span * np.arange(n) / (n - 1), 5)
    m = 0.35 + depth * np.exp(-0.5 * ((t - t0) / width) ** 2) + rng.normal(0, noise, n)
    return t, np.round(m, 4)


def write_curve(path, t, m):
    with open(path, "w") as f:
        f.write("HJD,V-C\n")
        for ti, mi in zip(t, m):
            f.write(f"{ti:.5f},{mi:.4f}\n")


@pytest.fixture
def curve():
    return eclipse()
