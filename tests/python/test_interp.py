"""Table interpolation called from Python: checked against numpy.interp and scipy's
PchipInterpolator, and the process-ending reports of unusable tables run in a subprocess."""
import os
import subprocess
import sys
import textwrap

import mpmath
import numpy as np
import pytest
from scipy.interpolate import PchipInterpolator

import _tolvek as t
from seeding import rng_seed

m = t.math


def random_table(rng, n):
    x = np.cumsum(rng.uniform(0.05, 1.0, n)) - 3.0
    return x, rng.normal(size=n)


@pytest.mark.parametrize("n", [2, 200])
def test_linear_against_numpy(n):
    rng = np.random.default_rng(rng_seed(n))
    x, y = random_table(rng, n)
    p = rng.uniform(x[0], x[-1], 500)
    assert np.allclose(m.linearinterpolation(x, y, p), np.interp(p, x, y), rtol=1e-13, atol=1e-13)


def test_linear_and_nearest_call_forms():
    assert np.array_equal(m.nearestinterpolation([3, 2, 1], [5, 6, 7], [2.5, 0.5]), [5, 7])
    assert m.linearinterpolation([0, 1], [0, 1], []).shape == (0,)
    assert np.isnan(m.nearestinterpolation([], [], [1.0])).all()
    assert m.cubichermitianarclength([0, 1, 3], [0, 0.75, 2.25], 3.5, 0.5) == pytest.approx(-3.75)
    for routine in (m.nearestinterpolation, m.linearinterpolation, m.cubichermitianinterpolation):
        with pytest.raises(t.error):
            routine([0, 1, 2], [0, 1], [0.5])  # y shorter than x


@pytest.mark.parametrize("n", [2, 3, 50])
def test_cubic_against_scipy_pchip(n):
    rng = np.random.default_rng(rng_seed(100 + n))
    x, y = random_table(rng, n)
    if n % 2:
        y = np.cumsum(np.abs(y))  # monotone data too
    ref = PchipInterpolator(x, y, extrapolate=True)
    p = rng.uniform(x[0] - 1.0, x[-1] + 1.0, 1000)
    p[:n] = x  # the nodes themselves
    got = m.cubichermitianinterpolation(x, y, p)
    assert np.allclose(got, ref(p), rtol=1e-12, atol=1e-12)
    order = np.argsort(p)
    assert np.array_equal(m.cubichermitianinterpolation(x, y, p[order]), got[order])
    for a, b in [(x[0], x[-1]), (x[0] - 0.5, x[-1] + 0.7), (x[-1] + 1, x[-1] + 2), (0.3, -0.2)]:
        assert m.cubichermitianintegration(x, y, a, b) == pytest.approx(ref.integrate(a, b), rel=1e-11, abs=1e-11)


def run_python(code):
    env = dict(os.environ)
    proc = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, env=env, timeout=60)
    return proc.returncode, proc.stdout.decode()


SLATEC = """\
 ***MESSAGE FROM ROUTINE {r} IN LIBRARY SLATEC.
 ***POTENTIALLY RECOVERABLE ERROR, PROG ABORTED, TRACEBACK REQUESTED
 *  {msg}
 *  ERROR NUMBER = {nerr}
 *   
 ***END OF MESSAGE
 
 ***JOB ABORT DUE TO UNRECOVERED ERROR.
0          ERROR MESSAGE SUMMARY
 LIBRARY    SUBROUTINE MESSAGE START             NERR     LEVEL     COUNT
 SLATEC     {r:<8}   {start:<20}{nerr:>10}         1         1
 
"""


def test_integration_limit_not_finite_is_refused():
    # Regression: a NaN limit gave the integral over the whole table (4.0) with no report.
    t.errorhandling.rsxerr(1)
    try:
        for name in ("cubichermitianintegration", "cubichermitianarclength"):
            routine = getattr(m, name)
            for a, b in ((float("nan"), 2.0), (1.0, float("inf")), (-float("inf"), 2.0)):
                assert np.isnan(routine([1.0, 2, 3], [1.0, 2, 3], a, b))
                assert int(t.errorhandling.errstat) == -3
                text = bytes(t.errorhandling.errstring).decode().rstrip()
                assert text == "Integration limit not finite in " + name
                assert t.errorhandling.errrealv[0] == a or np.isnan(a)
                t.errorhandling.rsxerr(1)
    finally:
        t.errorhandling.rsxerr(1)


@pytest.mark.parametrize("call, routine, msg, nerr", [
    ("cubichermitianinterpolation([0, 0], [1, 2], [0.5])", "DPCHIM", "X-ARRAY NOT STRICTLY INCREASING", -3),
    ("cubichermitianinterpolation([0, 1], [1, 2], [])", "DPCHFE", "NUMBER OF EVALUATION POINTS LESS THAN ONE", -4),
])
def test_cubic_fatal_reports(call, routine, msg, nerr):
    status, out = run_python("""
        import _tolvek
        print("before")
        _tolvek.math.%s
        print("not reached")
    """ % call)
    assert status == 1
    assert out == "before\n" + SLATEC.format(r=routine, msg=msg, nerr=nerr, start=msg[:20])


def test_linear_fatal_report():
    status, out = run_python("""
        import _tolvek
        print("before")
        _tolvek.math.linearinterpolation([0, 2, 1], [1, 2, 3], [1.0])
    """)
    assert status == 1
    assert out == ("before\n \nINTERP_LINEAR - Fatal error!\n"
                   "  Independent variable array T_DATA is not strictly increasing.\n")


def test_arc_length_is_the_length_of_the_interpolant():
    """Regression: the node values of sqrt(1 + d^2) were integrated through their own monotone
    cubic, so the slope between nodes never counted (the tent (0, 0), (1, 10), (2, 0) gave 14.68,
    shorter than its polyline). Against mpmath's quadrature (20 digits, 8 panels per interval, cut where p' is 0) of
    sqrt(1 + p'^2), p the Hermite cubic with scipy's PCHIP slopes, extrapolated ends and b < a
    included; a straight line exactly."""
    rng = np.random.default_rng(rng_seed(21))
    cases = [([0, 1, 2], [0, 10, 0], 0, 2), ([0, 0.005, 0.01, 0.02, 0.04], [0, 350, 500, 560, 600], 0, 0.04)]
    for k in range(9):
        x, y = random_table(rng, int(rng.integers(2, 7)))
        y = y * 10 ** rng.uniform(-1, 2)
        a, b = (x[0], x[-1]) if k % 3 == 0 else rng.uniform(x[0] - 1, x[-1] + 1, 2)
        cases.append((x, y, a, b))
    with mpmath.workdps(20):
        for x, y, a, b in cases:
            x, y = np.asarray(x, float), np.asarray(y, float)
            d = PchipInterpolator(x, y).derivative()(x)

            def element(s):
                i = min(max(int(np.searchsorted(x, float(s))) - 1, 0), len(x) - 2)
                h = mpmath.mpf(x[i + 1]) - x[i]
                t_ = (s - x[i]) / h
                slope = ((mpmath.mpf(y[i + 1]) - y[i]) / h * 6 * t_ * (1 - t_)
                         + d[i] * (1 - 4 * t_ + 3 * t_**2) + d[i + 1] * (3 * t_**2 - 2 * t_))
                return mpmath.sqrt(1 + slope**2)

            lo, hi = sorted((a, b))
            # The integrand bends sharply where the slope passes 0: cut there too (the real roots of
            # the slope's quadratic on each piece, the end pieces extended).
            bends = []
            for i in range(len(x) - 1):
                h, q = x[i + 1] - x[i], (y[i + 1] - y[i]) / (x[i + 1] - x[i])
                for t_ in np.roots([3 * (d[i] + d[i + 1]) - 6 * q, 6 * q - 4 * d[i] - 2 * d[i + 1], d[i]]):
                    s = float(x[i] + t_.real * h)
                    if t_.imag == 0 and lo < s < hi and min(max(int(np.searchsorted(x, s)) - 1, 0), len(x) - 2) == i:
                        bends.append(s)
            cuts = sorted([lo, hi] + [v for v in x[1:-1] if lo < v < hi] + bends)
            panels = [p for u, v in zip(cuts, cuts[1:]) for p in mpmath.linspace(u, v, 9)[:-1]] + [hi]
            ref = float(mpmath.quad(element, panels)) * (1 if b >= a else -1)
            assert m.cubichermitianarclength(x, y, a, b) == pytest.approx(ref, rel=1e-10), (x, y, a, b)
            if (a, b) == (x[0], x[-1]):
                assert m.cubichermitianarclength(x, y, a, b) >= np.hypot(np.diff(x), np.diff(y)).sum() * (1 - len(x) * 2.0**-52)
    assert m.cubichermitianarclength([0, 1, 3], [0, 0.75, 2.25], 3.5, 0.5) == -3.75
    assert m.cubichermitianarclength([0, 1, 3], [0, 0.75, 2.25], 1.0, 1.0) == 0.0


def test_arc_length_of_a_line_steeper_than_its_slope_squared_can_hold():
    """A line of slope 1e200 (its square overflows) is as long as its rise: 1e200 over [0, 1],
    1e-100 times that over [0, 1e-100]; sqrt(1 + s^2) read inf."""
    assert m.cubichermitianarclength([0, 1], [0, 1e200], 0, 1) == pytest.approx(1e200, rel=4e-16, abs=0)
    assert m.cubichermitianarclength([0, 1], [0, 1e200], 0, 1e-100) == pytest.approx(1e100, rel=4e-16, abs=0)
