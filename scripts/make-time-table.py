#!/usr/bin/python3
"""Writes tests/data/import/time_table.csv: reference conversions of JD_UTC
times to HJD_UTC and BJD_TDB computed by astropy (its built-in ephemeris,
the observer at the Earth's centre), which tests/import/time_scale_test.cpp
compares Vantor's ERFA conversions with (within 1 ms).

astropy is needed only to remake this table, never to build or test Vantor:
    apt-get install python3-astropy && scripts/make-time-table.py
"""
import os
import random

import astropy.units as u
from astropy.coordinates import EarthLocation, SkyCoord
from astropy.time import Time
from astropy.utils import iers

iers.conf.auto_download = False

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "..", "tests", "data", "import", "time_table.csv")

rng = random.Random(20261207)
geocentre = EarthLocation.from_geocentric(0 * u.m, 0 * u.m, 0 * u.m)
rows = []
# Dates from 1995 to 2022 (inside the IERS-B table astropy ships), stars all
# over the sky, plus the poles of the ecliptic and a star near the ecliptic.
stars = [(rng.uniform(0, 360), rng.uniform(-89, 89)) for _ in range(12)]
stars += [(270.0, 66.560708), (90.0, -66.560708), (0.0, 0.0), (201.298, -11.161)]
for ra, dec in stars:
    for _ in range(3):
        jd = rng.uniform(2449718.5, 2459945.5)
        rows.append((jd, ra, dec))

with open(out, "w") as f:
    f.write("# JD_UTC, RA (deg), Dec (deg), HJD_UTC, BJD_TDB by astropy "
            "(builtin ephemeris, geocentre); made by scripts/make-time-table.py\n")
    f.write("jd_utc,ra_deg,dec_deg,hjd_utc,bjd_tdb\n")
    for jd, ra, dec in rows:
        t = Time(jd, format="jd", scale="utc", location=geocentre)
        star = SkyCoord(ra * u.deg, dec * u.deg, frame="icrs")
        helio = t.light_travel_time(star, kind="heliocentric", ephemeris="builtin")
        bary = t.light_travel_time(star, kind="barycentric", ephemeris="builtin")
        hjd = (t.utc + helio).utc
        bjd = (t.tdb + bary).tdb
        # Two-part JDs summed in long double precision would not be portable;
        # 15 decimals of the day are far below the 1 ms compared.
        f.write("%.10f,%.6f,%.6f,%.10f,%.10f\n" % (
            jd, ra, dec, hjd.jd1 + hjd.jd2, bjd.jd1 + bjd.jd2))
print("wrote", os.path.normpath(out), len(rows), "rows")
