"""Table interpolation through the Python interface, side by side in one run: the monotone cubic
interpolation (cubichermitianinterpolation) against scipy's PchipInterpolator, construction plus
evaluation, and the linear interpolation (linearinterpolation) against numpy.interp, on a
1,000-point table with 1,000,000 query points in random and in ascending order. Both sides get
the same float64 arrays. Run with the build's python folder on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/interp_py.py
"""
import timeit

import numpy as np
from scipy.interpolate import PchipInterpolator

import _tolvek


def best_ms(fn, repeat=9):
    return min(timeit.repeat(fn, number=1, repeat=repeat)) * 1e3


def main():
    m = _tolvek.math
    rng = np.random.default_rng(42)
    x = np.cumsum(rng.uniform(0.1, 1.0, 1000))
    y = np.sin(x) + 0.1 * x
    queries = rng.uniform(x[0], x[-1], 1_000_000)
    orders = {"random": queries, "ascending": np.sort(queries)}

    # The same numbers on both sides before timing anything.
    p = orders["random"]
    assert np.allclose(m.cubichermitianinterpolation(x, y, p), PchipInterpolator(x, y)(p), rtol=1e-12, atol=1e-12)
    assert np.allclose(m.linearinterpolation(x, y, p), np.interp(p, x, y), rtol=1e-13, atol=1e-13)

    print(f"{'routine':30s} {'queries':>9s} {'_tolvek ms':>11s} {'reference':>20s} {'ref ms':>8s} {'time ratio':>10s}")
    for order, p in orders.items():
        rows = [
            ("cubichermitianinterpolation", lambda: m.cubichermitianinterpolation(x, y, p),
             "PchipInterpolator", lambda: PchipInterpolator(x, y)(p)),
            ("linearinterpolation", lambda: m.linearinterpolation(x, y, p),
             "numpy.interp", lambda: np.interp(p, x, y)),
        ]
        for label, ours, ref_label, ref in rows:
            t1 = best_ms(ours)
            t2 = best_ms(ref)
            print(f"{label:30s} {order:>9s} {t1:11.2f} {ref_label:>20s} {t2:8.2f} {t1 / t2:10.2f}")


if __name__ == "__main__":
    main()
