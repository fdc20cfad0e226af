"""Root finders with Python and native call-backs, the golden-section search driven through numpy
state arrays, cubic roots and the polynomial fit, called from Python."""
import ctypes
from fractions import Fraction
import math
import random

import mpmath
import numpy as np
import pytest

import _tolvek as t
from seeding import rng_seed

m = t.math
eh = t.errorhandling


@pytest.fixture
def record():
    """Clears the error record around the test; returns a reader of (errstat, message)."""
    eh.rsxerr(1)
    yield lambda: (int(eh.errstat), bytes(eh.errstring).decode().rstrip(" \0"))
    eh.rsxerr(1)


def test_root_finders_take_python_callables(record):
    seen = []

    def f(x, args, nfun, na):
        seen.append((nfun, na, args[0]))
        return x * x - args[0], 2.0 * x

    root, istat = m.bdsafe(f, 0.0, 2.0, [2.0], 1e-12, 100, 7)
    assert abs(root - math.sqrt(2)) < 1e-12 and istat == 0
    assert seen[0] == (7, 1, 2.0)
    root, istat = m.nrsafe(f, 0.0, 2.0, [2.0], 1e-13, 100, 7)
    assert abs(root - math.sqrt(2)) < 1e-13 and istat == 0
    # A single number sets f only; extra arguments follow the call-back's own ones.
    root, istat = m.bdsafe(lambda x, args, nfun, na, c: x - c, -5.0, 5.0, [0.0], 1e-12, 50, 0,
                           dfunc_extra_args=(1.5,))
    assert abs(root - 1.5) < 1e-12
    # Fewer parameters get the leading arguments only.
    assert abs(m.bdsafe(lambda x: x ** 3 - 8.0, 0.0, 3.0, [0.0], 1e-12, 100, 0)[0] - 2.0) < 1e-11
    assert record()[0] == 0


def test_fixed_point_iteration(record):
    calls = []

    def g(fargs, nfun, na):
        calls.append(fargs.copy())
        return math.cos(fargs[0])

    xs, istat = m.fpsafe(g, 1.0, [99.0, 4.0], 1e-12, 200, 0)
    assert abs(xs - 0.7390851332151607) < 1e-11 and istat == 0
    assert calls[0][0] == 1.0 and calls[0][1] == 4.0  # fargs(1) is the iterate, args(2) passed on
    # No arguments at all: the call-back still gets the iterate.
    assert m.fpsafe(lambda fargs: 0.5 * fargs[0], 4.0, [], 1e-10, 100, 0)[0] < 1e-9


def test_callback_exception_reaches_the_caller_unchanged(record):
    class Stop(Exception):
        pass

    calls = []

    def f(x):
        calls.append(x)
        if len(calls) == 3:
            raise Stop("third call")
        return x - 0.25

    for routine in (m.bdsafe, m.nrsafe):
        calls.clear()
        with pytest.raises(Stop, match="third call"):
            routine(f, 0.0, 1.0, [0.0], 1e-12, 50, 0)
        assert len(calls) == 3
    with pytest.raises(ZeroDivisionError):
        m.fpsafe(lambda fargs: 1 / 0, 1.0, [0.0], 1e-9, 10, 0)
    # The routine works normally afterwards.
    assert abs(m.bdsafe(lambda x: x - 0.25, 0.0, 1.0, [0.0], 1e-12, 50, 0)[0] - 0.25) < 1e-12


def test_non_finite_values_never_look_converged(record):
    # Regressions: Brent's method returned 1.8e-12 with status 0 and an empty record for a NaN
    # function, the fixed-point iteration NaN with status 0.
    nan = float("nan")
    root, istat = m.bdsafe(lambda x: (nan, nan), 0.0, 2.0, [0.0], 1e-12, 100, 0)
    assert math.isnan(root) and istat == 1
    assert record() == (-3, "Error in BrentsMethod: function value is not finite.")
    eh.rsxerr(1)
    root, istat = m.nrsafe(lambda x: (x - 1.0, math.inf), 0.0, 2.0, [0.0], 1e-12, 100, 0)
    assert math.isnan(root) and istat == 1
    assert record() == (-3, "Error in RTSAFE: function value is not finite.")
    eh.rsxerr(1)
    xs, istat = m.fpsafe(lambda fargs: nan, 1.0, [0.0], 1e-12, 100, 0)
    assert math.isnan(xs) and istat == 1
    assert record() == (-3, "Error in FixPointIteration: function value is not finite.")
    eh.rsxerr(1)
    root, istat = m.bdsafe(lambda x: x - 1.0, 0.0, math.inf, [0.0], 1e-12, 100, 0)
    assert math.isnan(root) and istat == 1
    assert record() == (-3, "Error in BrentsMethod: bound or tolerance is not finite.")


def test_brent_tolerance_bounds_the_error(record):
    # Converged means half the final bracket is within xacc plus rounding, so the root lies
    # within 2 (xacc + 2 eps |root|) of the exact one; a looser tolerance needs fewer calls.
    exact = 2.0 ** (1.0 / 3.0)
    calls = []
    for xacc in (1e-1, 1e-3, 1e-6, 1e-9, 1e-13):
        seen = []
        root, istat = m.bdsafe(lambda x: (seen.append(x), x ** 3 - 2.0)[1], 0.0, 2.0, [0.0], xacc, 100, 0)
        assert istat == 0
        assert abs(root - exact) <= 2.0 * (xacc + 2.0 * np.finfo(float).eps * exact)
        calls.append(len(seen))
    assert calls == sorted(calls) and calls[0] < calls[-1]
    assert abs(root - exact) <= 1e-13  # the tight one is accurate
    assert record()[0] == 0


ROOT_FN = ctypes.CFUNCTYPE(None, *[ctypes.POINTER(ctypes.c_double)] * 4, *[ctypes.POINTER(ctypes.c_int)] * 2)


def test_native_callback_in_a_capsule(record):
    @ROOT_FN
    def native(f, df, x, args, na, nfun):
        f[0] = x[0] * x[0] - args[0]
        df[0] = 2.0 * x[0]

    new = ctypes.pythonapi.PyCapsule_New
    new.restype = ctypes.py_object
    new.argtypes = (ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p)
    cap = new(ctypes.cast(native, ctypes.c_void_p), b"tvk.callback.bdsafe_dfunc", None)
    root, istat = m.bdsafe(cap, 0.0, 3.0, [3.0], 1e-12, 100, 0)
    assert abs(root - math.sqrt(3)) < 1e-12 and istat == 0


class Search:
    """Golden-section state held in numpy arrays, advanced in place by gssafe."""

    def __init__(self, xlow, xup, dx, gsflag, npoints):
        x, y, xmove, lplimits, incr, subcall, golden, finish = m.inigoldensearch(xlow, xup, dx, gsflag, npoints)
        self.x, self.y, self.xmove, self.lplimits = x, y, xmove, lplimits
        self.ymove = np.zeros(4)
        self.xi, self.yi = np.zeros(()), np.zeros(())
        self.xdir, self.increment, self.proc = (np.array(v, dtype=np.int32) for v in (0, incr, subcall))
        self.isgolden, self.update, self.finish = (np.array(v, dtype=np.int8) for v in (golden, 0, finish))

    def run(self, f, dx=0.0, defaultvalue=0.0, limit=10000):
        calls = 0
        while not self.finish and calls < limit:
            calls += 1
            m.gssafe(self.xi, self.yi, dx, self.x, self.y, self.xmove, self.ymove, self.lplimits,
                     self.xdir, self.increment, self.proc, self.isgolden, self.update, self.finish,
                     defaultvalue)
            if self.update:
                self.yi[()] = f(float(self.xi))
        return calls


def test_golden_section_search_in_place(record):
    s = Search(0.0, 1.0, 1e-3, 1, 100)
    s.run(lambda v: -(v - 0.3) ** 2)
    assert bool(s.finish) and abs(float(s.xi) - 0.3) < 1e-12
    assert int(s.proc) == 3 and float(s.yi) == s.y[int(s.increment) - 1]
    assert record()[0] == 0


def test_golden_section_refusals(record):
    s = Search(0.0, 1.0, 0.0, 0, 10)
    assert s.run(lambda v: 1.0 + v, dx=-0.5) == 2  # a scan that cannot advance is stopped
    assert (float(s.xi), float(s.yi)) == (0.0, 1.0)
    assert record() == (-3, "Error in GSSAFE: scan step does not advance.")
    # State of the wrong type is not accepted.
    good = Search(0.0, 1.0, 1e-3, 1, 20)
    with pytest.raises((t.error, TypeError, ValueError)):
        m.gssafe(good.xi, good.yi, 0.0, good.x, good.y, good.xmove, good.ymove, good.lplimits,
                 np.zeros((), np.float64), good.increment, good.proc, good.isgolden, good.update,
                 good.finish, 0.0)
    with pytest.raises((t.error, TypeError, ValueError)):
        m.gssafe(good.xi, good.yi, 0.0, good.x, good.y[:5], good.xmove, good.ymove, good.lplimits,
                 good.xdir, good.increment, good.proc, good.isgolden, good.update, good.finish, 0.0)


def test_golden_helpers_step_by_step():
    x, y, xmove, lplimits, *_ = m.inigoldensearch(0.0, 1.0, 1e-3, 1, 10)
    y[:4] = [0.0, 0.0, 1.0, 2.0]  # values of the four start points
    xnext, dx, x2, xmove2, ymove2, xdir, incr = m.getnextfromgoldensearch(x, y, xmove, np.zeros(4), 0, 4)
    assert xdir == 1 and incr == 5 and dx == pytest.approx(1.0 - xmove[2])
    assert xmove2[0] == xmove[2] and xmove2[2] == xmove[3] and x2[4] == xnext
    assert np.array_equal(x[:5], [0, 1, xmove[2], xmove[3], 0])  # copied unless overwrite_x
    vertex = m.getmaximumfromgoldensearch([0, 0, 0, 0], [0, 2, 1, 1.5], [1, 1, 1, 1], 9.0, 0, 0)
    assert vertex == 9.0  # parabola through equal values: degenerate


def test_cubic_roots_and_fit(record):
    assert np.allclose(m.solution3pe(1, -6, 11, -6), (1, 2, 3), atol=1e-12)
    assert m.specialcase(-3, 2) == (-2, 1, 1)
    rng = np.random.default_rng(rng_seed(1))
    vx = rng.uniform(-2, 2, 12)
    vy = np.sin(vx)
    assert np.allclose(m.polynomialfitting(vx, vy, 3), np.polynomial.polynomial.polyfit(vx, vy, 3), atol=1e-10)
    assert m.polynomialfitting(vx, vy, -1).shape == (0,)
    with pytest.raises(t.error):
        m.polynomialfitting([1.0, 2.0, 3.0], [1.0, 2.0], 1)  # vy shorter than vx



def test_cubic_roots_accurate_to_rounding_however_scaled():
    """Random cubics with roots up to 1e16 apart in size, scaled by up to 1e50 in x and 1e100 in the
    coefficients, and the impact element's cubic, against mpmath at 50 digits: each real root to
    within four times the error one rounding of each coefficient causes. Then multiple roots,
    roots 1e300 apart, one real root."""
    rng = random.Random(rng_seed(5))
    for case in range(201):
        r = [10 ** rng.uniform(-8, 8) * rng.choice([-1, 1]) for _ in range(3)]
        if rng.random() < 0.5:  # r[0] and the pair r[1] +- i r[1] 10^u
            q = r[1] * r[1] * (1 + 10 ** rng.uniform(-2, 2))
            coef = [1.0, -(r[0] + 2 * r[1]), q + 2 * r[0] * r[1], -r[0] * q]
        else:
            coef = [1.0, -sum(r), r[0] * r[1] + r[0] * r[2] + r[1] * r[2], -r[0] * r[1] * r[2]]
        s, f = 10 ** rng.uniform(-50, 50), 10 ** rng.uniform(-100, 100) * rng.choice([-1, 1])
        coef = [f * v * s ** (i - 3) for i, v in enumerate(coef)]  # roots s r, coefficients times f
        if case == 200:  # the impact element's cubic at a time increment of 1e-7
            coef = [4.2712e8, 3.1332e14, 0.0, -1.0108e8]
        x = m.solution3pe(*coef)
        with mpmath.workdps(50):
            a = [mpmath.mpf(v) / coef[0] for v in coef]
            sc = max(abs(a[1]), abs(a[2]) ** 0.5, abs(a[3]) ** (1 / 3.0))
            zs = mpmath.polyroots([a[i] / sc**i for i in range(4)], extraprec=200)
            z = sorted(sc * w.real for w in zs if abs(w.imag) < 1e-30 * abs(w))
            for xi, zi in zip(x, z * 3 if len(z) == 1 else z):
                err = sum(abs(a[i] * zi ** (3 - i)) for i in range(4)) / abs((3 * zi + 2 * a[1]) * zi + a[2])
                assert abs(xi - zi) <= 4 * 2.0**-53 * err, (coef, x, z)
    assert m.solution3pe(1, 0, 0, -8) == (2, 2, 2)  # one real root in all three outputs
    assert m.solution3pe(1, 0, -3, 2) == (-2, 1, 1)  # a double root twice
    assert m.solution3pe(-2, 8, -10, 4) == (1, 1, 2)
    assert m.solution3pe(1, -3, 3, -1) == (1, 1, 1)
    assert m.solution3pe(1, 0, 0, 0) == (0, 0, 0)
    assert m.solution3pe(1e-300, 1, 0, -1) == (-1 / 1e-300, -1, 1)  # roots 1e300 apart
    assert m.solution3pe(1, 1e200, 1, 1e-200) == (-1e200,) * 3
    phi = (1 + 5**0.5) / 2  # -1e150 x^2 - x + 1e-150 beside the root 1e150
    x = m.solution3pe(1, -1e150, -1, 1e-150)
    assert np.allclose(x, (-phi * 1e-150, (phi - 1) * 1e-150, 1e150), rtol=1e-15, atol=0)
    assert not any(map(math.isfinite, m.solution3pe(0, 1, 2, 3)))  # a = 0 is not guarded


def exact_least_squares(x, y, d):
    """The least-squares coefficients of the samples as given, in exact rationals."""
    k = d + 1
    a = [[sum(Fraction(v) ** (i + j) for v in x) for j in range(k)] for i in range(k)]
    b = [sum(Fraction(v) ** i * Fraction(w) for v, w in zip(x, y)) for i in range(k)]
    for j in range(k):  # Gauss-Jordan on the positive definite normal equations
        for i in range(k):
            if i != j:
                f = a[i][j] / a[j][j]
                a[i] = [u - f * v for u, v in zip(a[i], a[j])]
                b[i] -= f * b[j]
    return np.array([float(b[i] / a[i][i]) for i in range(k)])


def test_polynomial_fit_within_kappa_eps_in_a_narrow_window_away_from_zero():
    """Regression: the normal equations erred by kappa^2 eps; y = 1 + 2x + 3x^2 on 293-303 gave
    (1.0039, 1.99997, 3), on 1000-1010 (16, 2.0156, 3). Against the exact rational least-squares
    fit of the samples as given: within sqrt(m n) kappa eps ||c|| (m samples, n coefficients), kappa
    the Vandermonde matrix's condition number (numpy), in narrow windows far from 0 and near 0 alike."""
    rng = np.random.default_rng(rng_seed(12))
    cases = [(np.arange(lo, lo + 11.0), None, 2) for lo in (293.0, 1000.0)]
    for k in range(30):
        d = int(rng.integers(1, 5))
        lo, w = (10 ** rng.uniform(1, 4), 10 ** rng.uniform(-3, -1)) if k % 2 else (rng.uniform(-2, 2), 1.0)
        x = np.sort(rng.uniform(lo, lo + w * abs(lo) if k % 2 else lo + 3, int(rng.integers(d + 2, 12))))
        cases.append((x, rng.standard_normal(d + 1), d))
    for x, c, d in cases:
        y = 1 + 2 * x + 3 * x**2 if c is None else np.polynomial.polynomial.polyval(x, c) + rng.normal(0, 0.01, len(x))
        exact = exact_least_squares(x, y, d)
        kappa = np.linalg.cond(np.vander(x, d + 1, increasing=True))
        err = np.max(np.abs(m.polynomialfitting(x, y, d) - exact))
        assert err <= np.sqrt(len(x) * (d + 1)) * kappa * 2.0**-52 * np.linalg.norm(exact), (x, d, err)
    assert np.array_equal(exact_least_squares(np.arange(293.0, 304.0), 1 + 2 * np.arange(293.0, 304.0) * (1 + 1.5 * np.arange(293.0, 304.0)), 2), [1, 2, 3])


def test_polynomial_fit_whose_abscissas_do_not_determine_it_is_reported():
    """Regression: with x = (0, 1, 2, 3, 4, big), y = 1 + 2x + 3x^2 but 1 at big, degree 2, the
    scaled abscissas of the first five coincide and dgels served a wrong fit at level 0: (48,
    2.25e-137, -2.25e-291) at 1e154 and 2.8e16 at 1e300, where the exact fit is (-5, 14,
    -1.4/big). The rank loss shows on R's diagonal: -2 "Problem in polynom fitting function" and
    NaN coefficients. Over big from 1e1 to 1e300: each fit is either so reported or, at level
    0, within 2 kappa eps ||c|| of the exact rational least-squares fit (kappa the Vandermonde
    matrix's condition number in mpmath), as in a narrow window; the exact fit decides nothing
    here, so both outcomes pass where kappa eps exceeds 1."""
    for big in (1e154, 1e300):
        x = np.array([0.0, 1, 2, 3, 4, big])
        y = np.r_[1 + 2 * x[:5] + 3 * x[:5] ** 2, 1.0]
        eh.rsxerr(1)
        c = m.polynomialfitting(x, y, 2)
        assert int(eh.errstat) == -2 and np.isnan(c).all()
        assert exact_least_squares(x, y, 2)[:2].tolist() == [-5, 14]
    eh.rsxerr(1)
    for e in np.linspace(1, 300, 61):
        x = np.array([0.0, 1, 2, 3, 4, 10.0**e])
        y = np.r_[1 + 2 * x[:5] + 3 * x[:5] ** 2, 1.0]
        c = m.polynomialfitting(x, y, 2)
        level = int(eh.errstat)
        eh.rsxerr(1)
        if level == -2:
            assert np.isnan(c).all()
            continue
        assert level == 0
        with mpmath.workdps(60):
            sv = mpmath.svd_r(mpmath.matrix([[mpmath.mpf(v) ** k for k in range(3)] for v in x]), compute_uv=False)
            kappa = float(max(sv) / min(sv))
        exact = exact_least_squares(x, y, 2)
        assert np.max(np.abs(c - exact)) <= 2 * kappa * 2.0**-52 * np.linalg.norm(exact), (e, c, exact)
    # a well-posed fit is still served at level 0
    x = np.arange(6.0)
    assert m.polynomialfitting(x, 1 + 2 * x + 3 * x**2, 2) == pytest.approx([1, 2, 3], rel=1e-13)
    assert int(eh.errstat) == 0


def test_reduced_cubic_keeps_its_small_root():
    """Regression: the closed forms lost a root far smaller than the others to cancellation;
    specialcase(-64930.40859638202, 2.115420961284103e-06) gave 3.2351e-11 for 3.2580e-11. Against
    mpmath at 50 digits, over p and q from 1e-8 to 1e8 of either sign (one real root or three):
    each root to within four times the error one rounding of p and q causes, plus one ulp of its own."""
    rng = random.Random(rng_seed(8))
    pairs = [(-64930.40859638202, 2.115420961284103e-06), (1e-8, -1e8), (-1e8, 1e-8)]
    pairs += [tuple(10 ** rng.uniform(-8, 8) * rng.choice([-1, 1]) for _ in range(2)) for _ in range(300)]
    for p, q in pairs:
        x = m.specialcase(p, q)
        with mpmath.workdps(50):
            z = sorted(w.real for w in mpmath.polyroots([1, 0, p, q], extraprec=300) if abs(w.imag) < 1e-40 * (1 + abs(w)))
            for xi, zi in zip(x, z * 3 if len(z) == 1 else z):
                err = (abs(p * zi) + abs(q)) / abs(3 * zi * zi + p)
                assert abs(xi - zi) <= 4 * 2.0**-53 * err + 2.0**-52 * abs(zi) + 2.0**-1074, (p, q, x, z)


def test_cubic_roots_to_rounding_beside_the_largest_and_the_smallest_double():
    """Coefficients near the largest double (f (x - R)(x^2 + p x + q) with R up to 1e308: the
    quadratic left once R is split off overflows in the product of its leading coefficient and its
    larger root) and subnormal ones (the root 0 and a quadratic whose a x_large is subnormal),
    against the roots of the exact polynomial in 1200-bit arithmetic, with the bound of the test
    above; a subnormal root to within one unit of its own."""
    big = 1.7976931348623157e308
    rng = random.Random(rng_seed(7))
    sets = [(1.0, -1e308, -1e308, big), (1e-300, 1e-310, -1e-321, 0.0)]
    for i in range(40):
        if i % 2 == 0:
            R, p, q = 10 ** rng.uniform(200, 308), rng.uniform(-3, 3), rng.uniform(-2, 2)
            f = big / (R * max(1, abs(p), abs(q))) * rng.uniform(0.5, 1)
            sets.append((f, f * (p - R), f * (q - p * R), -f * q * R))
        else:
            a, b = 10 ** rng.uniform(-308, -306), rng.choice([-1, 1]) * 10 ** rng.uniform(-312, -309)
            sets.append((a, b, rng.choice([-1, 1]) * b * (b / a) * 10 ** rng.uniform(-3, 0), 0.0))
    with mpmath.workprec(1200):
        for coef in sets:
            x = m.solution3pe(*coef)
            a = [mpmath.mpf(v) for v in coef]
            zs = mpmath.polyroots(a, maxsteps=500, extraprec=1200)
            z = sorted(w.real for w in zs if abs(w.imag) <= 1e-300 * abs(w))
            for xi, zi in zip(x, z * 3 if len(z) == 1 else z):
                err = sum(abs(a[i] * zi ** (3 - i)) for i in range(4)) / abs((3 * a[0] * zi + 2 * a[1]) * zi + a[2])
                assert abs(xi - zi) <= 4 * 2.0**-53 * err + 2.0**-1074, (coef, x, z)


def test_cubic_real_root_beside_a_nearly_imaginary_pair_1e80_to_1e90_larger(record):
    """Regression: Newton's step from the far end of the bracket rounded onto 0, and the halvings
    did not reach a root some 1e-88 of the bracket: solution3pe returned 3.958e47 for the root
    1.9536943449001327e29. Against the roots of the exact polynomial in 1200-bit arithmetic, each
    to within four times the error one rounding of each coefficient causes, and without a note."""
    rng = random.Random(rng_seed(64))
    sets = [(-5.451195366471371e-52, -5.201063720932567e+56, -3.261699308951698e+183, 6.372363494663603e+212),
            (-1.8055281748800063e-148, 2.1991365356158087e-94, -3.1793023039713388e-21, -2.2119690770110727e-45)]
    for _ in range(120):  # f (x - r)(x^2 - 2 p x + p^2 + q^2), |q| / |r| from 1e80 to 1e90, |p| << |q|
        r = rng.choice([-1, 1]) * 10 ** rng.uniform(-100, 100)
        q = abs(r) * 10 ** rng.uniform(80, 90)
        p, f = rng.choice([-1, 1]) * q * 10 ** rng.uniform(-12, -8), rng.choice([-1, 1]) * 10 ** rng.uniform(-50, 50)
        sets.append((f, -f * (r + 2 * p), f * (2 * p * r + p * p + q * q), -f * r * (p * p + q * q)))
    with mpmath.workprec(1200):
        for coef in sets:
            if not all(map(math.isfinite, coef)):
                continue
            x = m.solution3pe(*coef)
            a = [mpmath.mpf(v) / coef[0] for v in coef]
            sc = max(abs(a[1]), abs(a[2]) ** 0.5, abs(a[3]) ** (1 / 3.0))
            zs = mpmath.polyroots([a[i] / sc**i for i in range(4)], maxsteps=500, extraprec=1200)
            z = sorted(sc * w.real for w in zs if abs(w.imag) <= 1e-300 * abs(w))
            for xi, zi in zip(x, z * 3 if len(z) == 1 else z):
                err = sum(abs(a[i] * zi ** (3 - i)) for i in range(4)) / abs((3 * zi + 2 * a[1]) * zi + a[2])
                assert abs(xi - zi) <= 4 * 2.0**-53 * err, (coef, x, z)
    assert record()[0] == 0


def test_cubic_with_a_coefficient_that_is_not_finite_has_no_finite_root():
    for base in ((1.0, 0.0, 0.0, -8.0), (1.0, -6.0, 11.0, -6.0)):
        for i, v in [(0, math.nan)] + [(i, v) for i in (1, 2, 3) for v in (math.nan, math.inf, -math.inf)]:
            coef = list(base)
            coef[i] = v
            assert not any(map(math.isfinite, m.solution3pe(*coef))), coef
