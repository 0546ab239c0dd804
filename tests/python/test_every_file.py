# Every example and test light curve through vantor.read and vantor.time, and
# through vantor-cli time --json: the same objects, digit for digit, or both
# refuse it (vantor.read words the reasons of a file as the importer does, by
# line and column).
import glob
import json
import os

import pytest

import vantor
from conftest import SOURCE_DIR, run_cli

FILES = sorted(glob.glob(os.path.join(SOURCE_DIR, "examples", "*.csv")) +
               [f for f in glob.glob(os.path.join(SOURCE_DIR, "tests", "data", "**", "*"),
                                     recursive=True)
                if os.path.isfile(f) and not f.endswith(".md")])

# (vantor-cli time options, vantor.time keywords)
CASES = [
    ([], {}),
    (["--auto"], dict(auto=True)),
    (["--auto", "--bootstrap", "20"], dict(auto=True, bootstrap=20)),
    (["--parabola", "10:30", "--chords", "3:12,40:50", "--kvw", "5:45", "--fourier", "2:55",
      "--sliding", "--tracing", "--decimals", "6"],
     dict(ranges={"parabola": (10, 30), "chords": ((3, 12), (40, 50)), "kvw": (5, 45),
                  "fourier": (2, 55)}, methods=["sliding", "tracing"], decimals=6)),
]


@pytest.mark.parametrize("cli_args, kwargs", CASES, ids=["default", "auto", "bootstrap",
                                                          "ranges"])
@pytest.mark.parametrize("path", FILES, ids=lambda p: os.path.relpath(p, SOURCE_DIR))
def test_same_as_vantor_cli(path, cli_args, kwargs):
    rc, out, err = run_cli("time", path, *cli_args, "--combine", "--json")
    try:
        got = vantor.time(vantor.read(path), **kwargs).as_json()
    except ValueError as e:
        assert rc == 2 and err.strip(), f"vantor-cli timed what the module refused: {e}"
        return
    assert rc in (0, 1), f"the module timed what vantor-cli refused: {err}"
    assert got == json.loads(out)
