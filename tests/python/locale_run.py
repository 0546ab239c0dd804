"""Runs pytest on the given arguments with the whole locale set from the
environment, as a host program that calls setlocale(LC_ALL, "") does: the
module must read and write numbers as in the C locale even then. Refuses to
run (status 2) when that locale has no decimal comma, so that a missing
locale never passes untested."""
import locale
import sys

import pytest


def main():
    try:
        locale.setlocale(locale.LC_ALL, "")
    except locale.Error as e:
        sys.exit(f"locale_run.py: {e}: run scripts/install-deps")
    if locale.localeconv()["decimal_point"] != ",":
        print("locale_run.py: the locale from the environment has no decimal comma",
              file=sys.stderr)
        sys.exit(2)
    sys.exit(pytest.main(sys.argv[1:]))


# Guarded: the worker processes a test starts (Dask's, through multiprocessing's
# spawn) import this file again as their __main__, and must not run the tests.
if __name__ == "__main__":
    main()
