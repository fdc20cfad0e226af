"""Cubic Hermite extras through ctypes against independent references (scipy, numpy)."""
import numpy as np
import pytest
from scipy.interpolate import BSpline, CubicHermiteSpline, CubicSpline

from native_lib import LIB, arr, hermite_fd, i, ints, out, recoverable, spline, vec
from ctypes import byref, c_double, c_int
from seeding import rng_seed


def random_table(rng, n):
    x = np.cumsum(rng.uniform(0.1, 2.0, n)) - 3.0
    return x, rng.uniform(-2.0, 2.0, n)


@pytest.mark.parametrize("n", [4, 5, 9, 30])
def test_spline_matches_scipy_cubic_spline(n):
    rng = np.random.default_rng(rng_seed(n))
    for _ in range(10):
        x, f = random_table(rng, n)
        scale = 1.0 + np.abs(CubicSpline(x, f)(x, 1)).max()
        cases = [
            ((0, 0), (0.0, 0.0), "not-a-knot"),
            ((2, 2), (0.0, 0.0), "natural"),
            ((1, 1), (0.7, -1.3), ((1, 0.7), (1, -1.3))),
            ((2, 1), (1.5, 0.2), ((2, 1.5), (1, 0.2))),
            ((1, 2), (-0.4, -2.5), ((1, -0.4), (2, -2.5))),
        ]
        for ic, vc, bc in cases:
            d, ierr = spline(x, f, ic, vc)
            assert ierr == 0
            ref = CubicSpline(x, f, bc_type=bc)(x, 1)
            assert np.allclose(d, ref, rtol=0, atol=1e-11 * scale), (ic, vc)
            ds, ierrs = spline(x, f, ic, vc, single=True)
            assert ierrs == 0 and np.allclose(ds, d, rtol=0, atol=2e-4 * scale)


@pytest.mark.parametrize("code", [3, 4])
def test_spline_end_derivative_of_the_end_polynomial(code):
    rng = np.random.default_rng(rng_seed(code))
    x, f = random_table(rng, 8)
    left = np.polyder(np.polyfit(x[:code], f[:code], code - 1))
    right = np.polyder(np.polyfit(x[-code:], f[-code:], code - 1))
    d, ierr = spline(x, f, (code, code))
    assert ierr == 0
    bc = ((1, np.polyval(left, x[0])), (1, np.polyval(right, x[-1])))
    assert np.allclose(d, CubicSpline(x, f, bc_type=bc)(x, 1), atol=1e-10)


def test_spline_error_codes_return_under_flag_zero():
    x, f = [0.0, 1.0, 2.0], [0.0, 1.0, 0.0]
    with recoverable():
        assert spline(x, f, (5, 0))[1] == -4
        assert spline(x, f, (0, -1))[1] == -5
        assert spline(x, f, (9, 9))[1] == -6
        assert spline(x, f, nwk=5)[1] == -7
        assert spline([0.0, 0.0, 1.0], f)[1] == -3
        assert spline(x, f, nwk=5, single=True)[1] == -7


def test_evaluation_with_derivatives_matches_cubic_hermite_spline():
    rng = np.random.default_rng(rng_seed(5))
    for n in (2, 3, 10, 40):
        x, f = random_table(rng, n)
        d = rng.uniform(-2, 2, n)
        ref = CubicHermiteSpline(x, f, d, extrapolate=True)
        xe = rng.uniform(x[0] - 1.0, x[-1] + 1.0, 200)
        for order in (np.sort(xe), np.sort(xe)[::-1], xe):
            fe, de, ierr = hermite_fd(x, f, d, order)
            assert np.allclose(fe, ref(order), atol=1e-12 * (1 + np.abs(ref(order)).max()))
            assert np.allclose(de, ref(order, 1), atol=1e-11 * (1 + np.abs(ref(order, 1)).max()))
        # Ascending or descending points: the code is the number of points outside the table.
        outside = np.count_nonzero((xe < x[0]) | (xe > x[-1]))
        assert hermite_fd(x, f, d, np.sort(xe))[2] == outside
        assert hermite_fd(x, f, d, np.sort(xe)[::-1])[2] == outside


def test_bspline_form_matches_scipy_bspline_and_the_hermite_function():
    rng = np.random.default_rng(rng_seed(11))
    for n in (2, 3, 7, 25):
        x, f = random_table(rng, n)
        d = rng.uniform(-2, 2, n)
        for knotyp in (0, 1, 2):
            t, bcoef = out(2 * n + 4), out(2 * n)
            nknots, ndim, kord, ierr = c_int(0), c_int(0), c_int(0), c_int(9)
            LIB.dpchbs(i(n), arr(x), arr(f), arr(d), i(1), i(knotyp), byref(nknots), t, bcoef,
                       byref(ndim), byref(kord), byref(ierr))
            assert (ierr.value, nknots.value, ndim.value, kord.value) == (0, 2 * n + 4, 2 * n, 4)
            tv, cv = vec(t), vec(bcoef)
            xs = np.linspace(x[0], x[-1], 101)[:-1]
            herm = CubicHermiteSpline(x, f, d)
            spl = BSpline(tv, cv, 3)
            assert np.allclose(spl(xs), herm(xs), atol=1e-12)
            inbv, work = c_int(1), out(12)
            for ideriv, ref in ((0, spl(xs)), (1, spl(xs, 1)), (2, spl(xs, 2))):
                got = [LIB.dbvalu(t, bcoef, i(2 * n), i(4), i(ideriv), byref(c_double(v)),
                                  byref(inbv), work) for v in xs]
                assert np.allclose(got, ref, atol=1e-10 * (1 + np.abs(ref).max()))


def test_bspline_knot_sequences_of_the_three_knot_types():
    # double knots at every node; end knots by type: 0 quadruple ends, 1 one end interval
    # beyond each end (extrapolating), 2 periodic: the last interval before the first node and the
    # first after the last. End intervals of different widths tell the types apart.
    x = np.array([1.0, 1.5, 2.5, 4.0, 7.0])
    f, d = np.sin(x), np.cos(x)
    n = len(x)
    inner = np.repeat(x, 2)
    expected = {
        0: (x[0], x[-1]),
        1: (x[0] - (x[1] - x[0]), x[-1] + (x[-1] - x[-2])),
        2: (x[0] - (x[-1] - x[-2]), x[-1] + (x[1] - x[0])),
    }
    for knotyp, (lo, hi) in expected.items():
        t, bcoef = out(2 * n + 4), out(2 * n)
        nknots, ndim, kord, ierr = c_int(0), c_int(0), c_int(0), c_int(9)
        LIB.dpchbs(i(n), arr(x), arr(f), arr(d), i(1), i(knotyp), byref(nknots), t, bcoef,
                   byref(ndim), byref(kord), byref(ierr))
        assert ierr.value == 0
        assert vec(t).tolist() == [lo, lo, *inner, hi, hi], knotyp
        # the knot routine alone gives the same sequence
        t2 = out(2 * n + 4)
        LIB.dpchkt(i(n), arr(x), i(knotyp), t2)
        assert vec(t2).tolist() == [lo, lo, *inner, hi, hi]
