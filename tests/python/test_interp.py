"""Table interpolation called from Python: checked against numpy.interp and scipy's
PchipInterpolator, and the process-ending reports of unusable tables run in a subprocess."""
import os
import subprocess
import sys
import textwrap

import numpy as np
import pytest
from scipy.interpolate import PchipInterpolator

import _tolvek as t

m = t.math


def random_table(rng, n):
    x = np.cumsum(rng.uniform(0.05, 1.0, n)) - 3.0
    return x, rng.normal(size=n)


@pytest.mark.parametrize("n", [2, 200])
def test_linear_against_numpy(n):
    rng = np.random.default_rng(n)
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
    rng = np.random.default_rng(100 + n)
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
