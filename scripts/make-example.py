#!/usr/bin/env python3
"""Writes the example light curves of examples/ from a known eclipse model.

Each curve is one eclipse: out-of-eclipse magnitude M0 plus a dip of depth D
and half-width W (days) around the true time of minimum T0,
    m(t) = M0 + D * (1 - u^2)^1.5  for u = |t - T0| / W < 1, else M0,
sampled every `step` days from `start`, with Gaussian noise of `sigma`
magnitudes from a seeded generator, so every file can be made again exactly.
The true time of minimum of each file is its T0 below.
"""
import random
from pathlib import Path

EXAMPLES = [
    # name, header, extra column, line end, T0 (HJD), M0, D, W, start, step, n, sigma, seed
    ("eclipse_header.csv", "HJD,V-C", False, "\r\n",
     2459812.43170, 0.350, 0.820, 0.0600, 2459812.3570, 0.0025, 60, 0.004, 1812),
    ("eclipse_no_header.csv", None, False, "\n",
     2460155.61842, 1.120, 0.540, 0.0450, 2460155.5622, 0.0026, 45, 0.006, 2155),
    ("eclipse_three_columns.csv", "HJD,V-C,err", True, "\r\n",
     2458739.92912, 0.060, 0.520, 0.0380, 2458739.8811, 0.0012, 80, 0.003, 739),
]


def model(t, t0, m0, depth, width):
    u = abs(t - t0) / width
    return m0 + (depth * (1 - u * u) ** 1.5 if u < 1 else 0.0)


def main():
    out = Path(__file__).resolve().parent.parent / "examples"
    out.mkdir(exist_ok=True)
    for (name, header, extra, eol, t0, m0, depth, width, start, step, n, sigma,
         seed) in EXAMPLES:
        rng = random.Random(seed)
        lines = [header] if header else []
        for i in range(n):
            t = start + i * step
            m = model(t, t0, m0, depth, width) + rng.gauss(0.0, sigma)
            line = f"{t:.5f},{m:.4f}"
            if extra:
                line += f",{sigma:.3f}"
            lines.append(line)
        (out / name).write_bytes((eol.join(lines) + eol).encode("ascii"))
        print(f"{name}: {n} points, true minimum HJD {t0:.5f}")


if __name__ == "__main__":
    main()
