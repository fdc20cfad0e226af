"""Lagrange interpolation, abscissa families, parameterisation and expansion, the package
utilities and the quick checks, through ctypes against numpy/scipy references."""
import subprocess
import sys
import textwrap
from ctypes import byref, c_double, c_float, c_int

import numpy as np
import pytest
from numpy.polynomial import chebyshev
from scipy.interpolate import BarycentricInterpolator, RegularGridInterpolator

from native_lib import LIB, arr, i, out, r, vec
from seeding import rng_seed

CASES = [(n, name) for n in (1, 2, 3, 5, 8, 17) for name in ("cc", "f1", "f2", "ncc", "nco")]


def reference(name, n):
    if name == "cc":
        return chebyshev.chebpts2(n) if n > 1 else np.zeros(1)
    if name == "f1":
        return chebyshev.chebpts1(n)
    if name == "f2":
        return chebyshev.chebpts2(n + 2)[1:-1] if n != 2 else np.array([-0.5, 0.5])
    if name == "ncc":
        return np.linspace(-1, 1, n) if n > 1 else np.zeros(1)
    return np.linspace(-1, 1, n + 2)[1:-1]


@pytest.mark.parametrize("n,name", CASES)
def test_abscissas_match_numpy(n, name):
    x = out(n)
    getattr(LIB, name + "_abscissas")(i(n), x)
    ref = reference(name, n)
    assert np.allclose(vec(x), ref, rtol=0, atol=1e-15)
    assert np.all(np.diff(vec(x)) > 0)
    a, b = -2.0, 5.0
    xab = out(n)
    getattr(LIB, name + "_abscissas_ab")(r(a), r(b), i(n), xab)
    expect = a + (b - a) * (ref + 1) / 2
    if name == "f2" and n == 2:  # the interval form has no special case: the cosine points
        expect = a + (b - a) * (np.cos(np.array([2, 1]) * np.pi / 3) + 1) / 2
    assert np.allclose(vec(xab), expect, rtol=0, atol=1e-14)


def test_abscissas_exact_small_cases():
    x = out(5)
    LIB.ncc_abscissas(i(5), x)
    assert vec(x).tolist() == [-1.0, -0.5, 0.0, 0.5, 1.0]
    LIB.nco_abscissas(i(3), x)
    assert vec(x, 3).tolist() == [-0.5, 0.0, 0.5]
    LIB.cc_abscissas(i(2), x)
    assert vec(x, 2).tolist() == [-1.0, 1.0]
    LIB.f2_abscissas(i(2), x)
    assert vec(x, 2).tolist() == [-0.5, 0.5]


def test_abscissas_with_no_points_report_and_return():
    """A count below 1 prints the report and returns (the process goes on)."""
    code = textwrap.dedent("""
        from native_lib import LIB, i, out, r, vec
        x = out(2)
        x[0] = 7.0
        LIB.cc_abscissas(i(0), x)
        LIB.nco_abscissas_ab(r(0.0), r(1.0), i(-3), x)
        print("still here", vec(x, 1)[0])
    """)
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          env=_env(), timeout=60)
    assert done.returncode == 0
    assert done.stdout == (" \nCC_ABSCISSA - Fatal error!\n  N < 1.\n"
                           " \nNCO_ABSCISSAS_AB - Fatal error!\n  N < 1.\nstill here 7.0\n")


def _env():
    import os
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(sys.path)
    return env


def test_lagrange_matches_barycentric_and_reproduces_polynomials():
    rng = np.random.default_rng(rng_seed(2))
    for data_num in (1, 2, 4, 9):
        t = np.sort(rng.uniform(-1, 1, data_num)) + np.arange(data_num) * 0.3
        m = 3
        p = rng.uniform(-2, 2, (m, data_num))
        ti = rng.uniform(t.min() - 0.5, t.max() + 0.5, 40)
        pi = out(m * len(ti))
        LIB.interp_lagrange(i(m), i(data_num), arr(t), arr(p), i(len(ti)), arr(ti), pi)
        got = vec(pi).reshape((len(ti), m)).T
        for c in range(m):
            ref = BarycentricInterpolator(t, p[c])(ti) if data_num > 1 else np.full(len(ti), p[c, 0])
            assert np.allclose(got[c], ref, atol=1e-9 * (1 + np.abs(ref).max()))
        # Polynomials of degree below data_num come back exactly (to rounding).
        coef = rng.uniform(-1, 1, data_num)
        LIB.interp_lagrange(i(1), i(data_num), arr(t), arr(np.polyval(coef, t)), i(len(ti)), arr(ti), pi)
        assert np.allclose(vec(pi, len(ti)), np.polyval(coef, ti), atol=1e-9)
        # The basis is the identity at the data parameters.
        basis = out(data_num * data_num)
        LIB.lagrange_value(i(data_num), arr(t), i(data_num), arr(t), basis)
        assert np.array_equal(vec(basis).reshape(data_num, data_num), np.eye(data_num))


def test_parameterisations():
    rng = np.random.default_rng(rng_seed(3))
    pts = rng.uniform(-1, 1, (3, 12))
    t = out(12)
    LIB.parameterize_arc_length(i(3), i(12), arr(pts), t)
    ref = np.concatenate([[0], np.cumsum(np.linalg.norm(np.diff(pts, axis=1), axis=0))])
    assert np.allclose(vec(t), ref, rtol=1e-15, atol=0)
    LIB.parameterize_index(i(3), i(12), arr(pts), t)
    assert vec(t).tolist() == list(range(12))
    # Points along a line: their distances from the first one.
    line = np.outer([3.0, 4.0], [0, 1, 2.5, 7])
    LIB.parameterize_arc_length(i(2), i(4), arr(line), t)
    assert np.allclose(vec(t, 4), [0, 5, 12.5, 35])


def test_arc_length_chords_neither_overflow_nor_underflow():
    """Regression: the chord summed unscaled squares: (0, 0) to (3e200, 4e200) gave inf and to
    (3e-200, 4e-200) gave 0. Against the exact chords (rational differences, mpmath roots at 40
    digits) of points spread at scales from 1e-300 to 1e300: each cumulative length within
    (j + 1) 2 eps of the exact sum, as plain summation of correctly rounded chords allows."""
    from fractions import Fraction

    import mpmath

    t = out(4)
    for scale in (1e200, 1e-200, 1e300, 1e-300, 1.0):
        pts = np.array([[0.0, 3.0 * scale, 3.0 * scale, 0.0], [0.0, 4.0 * scale, 0.0, 0.0]])
        LIB.parameterize_arc_length(i(2), i(4), arr(pts), t)
        assert vec(t, 4).tolist() == pytest.approx([0, 5 * scale, 9 * scale, 12 * scale], rel=4e-16, abs=0)
    g = np.random.default_rng(rng_seed(71))
    for _ in range(200):
        m, k = int(g.integers(1, 5)), int(g.integers(2, 8))
        pts = g.normal(size=(m, k)) * 10.0 ** g.uniform(-300, 300)
        t = out(k)
        LIB.parameterize_arc_length(i(m), i(k), arr(pts), t)
        total, expect = mpmath.mpf(0), [0.0]
        with mpmath.workdps(40):
            for j in range(1, k):
                sq = sum((Fraction(pts[c, j]) - Fraction(pts[c, j - 1])) ** 2 for c in range(m))
                total += mpmath.sqrt(mpmath.mpf(sq.numerator) / sq.denominator)
                expect.append(float(total))
        for j, (got, ref) in enumerate(zip(vec(t, k), expect)):
            assert abs(got - ref) <= (j + 1) * 2 * 2.0**-52 * ref, (pts, j)


def test_vector_and_matrix_expansion():
    x = np.array([1.0, 2.0, 4.0, 7.0])
    for fat in (0, 1, 3):
        xf = out(3 * (fat + 1) + 1)
        LIB.r8vec_expand_linear(i(4), arr(x), i(fat), xf)
        ref = np.interp(np.linspace(0, 3, 3 * (fat + 1) + 1), np.arange(4), x)
        assert np.allclose(vec(xf), ref, atol=1e-14)
        if fat == 0:
            assert vec(xf).tolist() == x.tolist()
        before, after = 2, 3
        x2 = out(before + 3 * (fat + 1) + 1 + after)
        LIB.r8vec_expand_linear2(i(4), arr(x), i(before), i(fat), i(after), x2)
        s = np.arange(-before, 3 * (fat + 1) + 1 + after) / (fat + 1)
        ref2 = np.where(s < 0, x[0] + s * (x[1] - x[0]),
                        np.where(s > 3, x[3] + (s - 3) * (x[3] - x[2]), np.interp(s, np.arange(4), x)))
        assert np.allclose(vec(x2), ref2, atol=1e-13)
    rng = np.random.default_rng(rng_seed(4))
    a = rng.uniform(-1, 1, (4, 5))
    for m2, n2 in ((4, 5), (7, 9), (2, 3), (1, 1), (1, 6)):
        a2 = out(m2 * n2)
        LIB.r8mat_expand_linear2(i(4), i(5), arr(a), i(m2), i(n2), a2)
        got = vec(a2).reshape((n2, m2)).T
        rr = np.linspace(0, 1, m2) if m2 > 1 else np.array([0.5])
        ss = np.linspace(0, 1, n2) if n2 > 1 else np.array([0.5])
        grid = RegularGridInterpolator((np.linspace(0, 1, 4), np.linspace(0, 1, 5)), a)
        ref = grid(np.stack(np.meshgrid(rr, ss, indexing="ij"), axis=-1))
        assert np.allclose(got, ref, atol=1e-14)
        if (m2, n2) == (4, 5):
            assert np.array_equal(got, a)


def test_machine_constants_and_test_functions():
    assert [LIB.d1mach(i(k)) for k in range(1, 6)] == [
        4.450147717014403e-308, 8.988465674311579e+307, 1.110223024625157e-16,
        2.220446049250313e-16, 0.301029995663981]
    assert [LIB.r1mach(i(k)) for k in range(1, 6)] == [
        float(np.float32(v)) for v in (1.1754944e-38, 3.4028235e+38, 5.9604645e-08, 1.1920929e-07, 0.30103)]
    f, d = c_double(), c_double()
    for x, fx, dx in ((2.0, 0.0, 6.0), (-1.0, 0.0, 3.0), (0.5, -1.125, -2.25)):
        LIB.dfdtru(byref(c_double(x)), byref(f), byref(d))
        assert (f.value, d.value) == (fx, dx)
    ff, dd = c_float(), c_float()
    LIB.fdtrue(byref(c_float(0.3)), byref(ff), byref(dd))
    x = float(np.float32(0.3))
    assert ff.value == float(np.float32(x * (x + 1) * (x - 2)))


def test_random_generator_and_timestamp_in_a_fresh_process():
    code = textwrap.dedent("""
        from ctypes import byref, c_float
        from native_lib import LIB
        rand = lambda v: LIB.pchip_rand(byref(c_float(v)))
        first = rand(0.0)
        half = rand(0.5)
        nxt = rand(0.0)
        again = rand(-1.0)
        print(first, half, nxt, again)
        LIB.pchip_timestamp()
    """)
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          env=_env(), timeout=60)
    assert done.returncode == 0, done.stderr
    lines = done.stdout.splitlines()
    first, half, nxt, again = map(float, lines[0].split())
    assert first == 1731 / 4194304 and half == 0.5
    assert nxt == ((3146757 * 2097152 + 1731) % 2**22) / 2**22 and again == nxt
    import re
    assert re.fullmatch(r"[ 0-9]\d [A-Z][a-z]+ \d{4}  [ 0-9]\d:\d\d:\d\d\.\d{3} (AM|PM|Noon|Midnight)", lines[1])


def test_machine_constant_out_of_range_ends_with_status_one():
    code = "from native_lib import LIB, i\nprint('before', flush=True)\nLIB.r1mach(i(9))\nprint('after')"
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          env=_env(), timeout=60)
    assert done.returncode == 1
    assert done.stdout == ("before\n \nR1MACH - Fatal error!\n  The input argument I is out of bounds.\n"
                           "  Legal values satisfy 1 <= I <= 5.\n  I =            9\n")


@pytest.mark.parametrize("name", ["dpchq%d" % k for k in range(1, 6)] + ["pchqk%d" % k for k in range(1, 6)])
def test_quick_checks_pass_silently(name, capfd):
    ipass = c_int(-1)
    getattr(LIB, name)(i(6), i(0), byref(ipass))
    assert ipass.value == 1
    assert capfd.readouterr().out == ""
    flag = c_int()
    LIB.xgetf(byref(flag))
    assert flag.value == 2


def test_degenerate_sizes_read_nothing_outside_the_data():
    """Regression: one value or one row/column used to read past the data (the spacing of a
    second value, the neighbour row): now the single value is continued with spacing 0 and a
    single row or column is constant along its direction; no data give NaN."""
    xf = out(6)
    LIB.r8vec_expand_linear2(i(1), arr([3.0]), i(2), i(1), i(3), xf)
    assert vec(xf).tolist() == [3.0] * 6
    row = np.array([[1.0, 2.0, 4.0]])
    a2 = out(2 * 5)
    LIB.r8mat_expand_linear2(i(1), i(3), arr(row), i(2), i(5), a2)
    got = vec(a2).reshape((5, 2)).T
    assert np.allclose(got, np.tile(np.interp(np.linspace(0, 2, 5), [0, 1, 2], row[0]), (2, 1)))
    LIB.r8mat_expand_linear2(i(0), i(3), arr(row), i(2), i(5), a2)
    assert np.isnan(vec(a2)).all()


def test_expand_linear_with_negative_counts_stays_within_its_size_rule():
    """Regression: a negative fat made the size rule (n-1)(fat+1)+1 small or negative while the
    loops still wrote every x(i), up to n-1 values past the result (a negative before or after
    likewise shrank the rule of r8vec_expand_linear2). A negative count now counts as 0 in the
    rule and the loops alike; the slots behind the result keep their guard values."""
    x = np.array([1.0, 2.0, 4.0, 7.0])
    guard = -12345.0

    def run(fn, size, *counts):
        buf = arr(np.r_[np.full(size, np.nan), np.full(8, guard)])
        fn(i(4), arr(x), *[i(c) for c in counts], buf)
        got = vec(buf)
        assert (got[size:] == guard).all(), counts
        return got[:size]

    for fat in (-1, -2, -7, -(2**31)):
        assert run(LIB.r8vec_expand_linear, 4, fat).tolist() == x.tolist()
        # before and after continue the end spacings at fat + 1 = 1 subdivision.
        assert run(LIB.r8vec_expand_linear2, 4 + 2 + 1, 2, fat, 1).tolist() == [-1.0, 0.0, 1, 2, 4, 7, 10.0]
    for before, after in ((-3, 0), (0, -3), (-(2**31), -(2**31)), (-1, 2)):
        size = max(before, 0) + 3 * 2 + 1 + max(after, 0)
        got = run(LIB.r8vec_expand_linear2, size, before, 1, after)
        s = np.arange(-max(before, 0), 3 * 2 + 1 + max(after, 0)) / 2
        ref = np.where(s < 0, x[0] + s * (x[1] - x[0]),
                       np.where(s > 3, x[3] + (s - 3) * (x[3] - x[2]), np.interp(s, np.arange(4), x)))
        np.testing.assert_allclose(got, ref, atol=1e-14)
