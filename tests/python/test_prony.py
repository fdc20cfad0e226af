"""Curing resin from Python: the cure kinetics of `prony` against closed forms and scipy, and the
curing-resin routines of `toplevel` with their call forms, the cure tables they read and the
state vector they share."""
from fractions import Fraction

import numpy as np
import pytest
from scipy.integrate import solve_ivp
from scipy.optimize import brentq

import _tolvek
from error_record import clean_record, errstat, errtext  # noqa: F401
from seeding import rng_seed

pr = _tolvek.prony
t = _tolvek.toplevel
R = 8.314462618
HUGE = np.finfo(float).max

KIN = np.array([2.0e5, 6.0e4, 5.0e6, 6.0e4, 1.5, 0.6, 1.4])
STIFF = [4000.0, 2000.0, 4200.0, 2100.0, 1000.0]
WEIGHTS = [[0.3, 0.2], [0.25], [0.2, 0.3], [0.1], [0.4]]
TIMES = [[10.0, 100.0], [50.0], [5.0, 80.0], [30.0], [20.0]]


def rate(g, temp, a, amax):
    a = min(a, amax)
    return (g[0] * np.exp(-g[1] / (R * temp)) * (amax - a) ** g[4]
            + g[2] * np.exp(-g[3] / (R * temp)) * a ** g[5] * (amax - a) ** g[6])


def part_iteration(g, temp, d0, dt, amax):
    """The bare fixed-point iteration of the cure step: d = d0 + dt rate(min(d, amax)) until the
    rate changes by < 1e-6 or 1e-10 relatively."""
    r1 = rate(g, temp, d0, amax)
    d = d0 + dt * r1
    while True:
        r2 = rate(g, temp, min(amax, d), amax)
        d = d0 + dt * r2
        if r1 == 0.0 or abs(r2 - r1) < 1e-6 or abs((r2 - r1) / r1) <= 1e-10:
            return d
        r1 = r2


def ti(d):
    m = np.zeros((6, 6))
    m[0, 0] = d[0]
    m[0, 1:3] = m[1:3, 0] = d[1]
    m[1, 1] = m[2, 2] = d[2]
    m[1, 2] = m[2, 1] = d[3]
    m[3, 3] = m[4, 4] = d[4]
    m[5, 5] = 0.5 * (d[2] - d[3])
    return m


def props(weights=WEIGHTS, times=TIMES):
    p = [float(len(w)) for w in weights] + STIFF
    for w, tau in zip(weights, times):
        for pk, tk in zip(w, tau):
            p += [pk, tk]
    return np.array(p)


@pytest.fixture
def cure_tables():
    """Cure data of ply 1, section 1: gel point, heat, expansion, shrinkage, reachable degree,
    glass transition, the kinetics and one group of shift parameters."""
    md = _tolvek.materialdata
    cu = np.full((8, 8, 1, 1), HUGE, order="F")
    cols = [[0.6], [4.5e8], [5e-5, 5.5e-5, 6e-5, 1.5e-4, 1.6e-4, 1.7e-4],
            [-0.01, -0.011, -0.012, -0.02, -0.021, -0.022], [0.1, 5.0], [-10.0, 190.0, 0.45], list(KIN),
            [10.0, 50.0, 5000.0, 0.0]]
    for c, v in enumerate(cols):
        cu[:len(v), c, 0, 0] = v
    md.cuprops = cu
    yield md
    md.cuprops = None


class TestKinetics:
    def test_relaxation_edges_and_formula(self):
        assert pr.relaxation(3.5, 10.0, 2.0, 0.0, 100.0, 0.3, 1e-3) == 3.5
        assert pr.relaxation(3.5, 10.0, 0.0, 0.7, 100.0, 0.3, 1e-3) == 100.0 * 0.3 * 1e-3
        assert pr.relaxation(3.5, 10.0, 2.0, 5.0, 100.0, 0.3, 2.0) == pytest.approx(
            (100.0 * 5.0 * 0.3 * 2.0 + 3.5 * 10.0 * 2.0) / (10.0 * 2.0 + 5.0), rel=1e-15)

    def test_relaxation_keeps_its_digits_for_steps_far_longer_than_the_relaxation_time(self):
        # (K dt p e + dold tau shift) / (tau shift + dt) in exact rationals: within 4 ulp of the
        # terms' magnitude, where 1 - dt/(tau shift + dt) lost up to 2e7 of them
        rng = np.random.default_rng(rng_seed(5))
        for _ in range(3000):
            dold, tau, shift = rng.uniform(-1, 1) * 10 ** rng.uniform(-3, 3), 10 ** rng.uniform(-3, 2), 10 ** rng.uniform(-6, 2)
            dt, k, p, e = 10 ** rng.uniform(-2, 6), 10 ** rng.uniform(2, 5), rng.uniform(0, 1), rng.uniform(-0.1, 0.1)
            x = [Fraction(v) for v in (dold, tau, shift, dt, k, p, e)]
            ts = x[1] * x[2]
            terms = (abs(x[4] * x[3] * x[5] * x[6]) + abs(x[0] * ts)) / (ts + x[3])
            exact = (x[4] * x[3] * x[5] * x[6] + x[0] * ts) / (ts + x[3])
            d = pr.relaxation(dold, tau, shift, dt, k, p, e)
            assert abs(Fraction(d) - exact) <= 4 * np.spacing(float(terms)), (dold, tau, shift, dt, k, p, e)

    def test_relaxation_beyond_the_largest_relaxation_time_keeps_dold(self):
        # Regression: tau shift overflowing gave inf/inf = NaN; the limit of the exact
        # (K dt p e + dold tau shift) / (tau shift + dt) as tau shift grows is dold.
        assert pr.relaxation(5.0, 1e10, 1e300, 1.0, 3000.0, 0.3, 0.01) == 5.0
        assert pr.relaxation(-2.5, HUGE, 2.0, 1e300, 3000.0, 0.3, 0.01) == -2.5
        # only the sum overflows: the exact rational value, to the rounding of its two terms
        for dold, tau, dt in ((5.0, 1e308, 1e308), (5.0, HUGE, HUGE), (-1.0, 1.5e308, 0.5e308)):
            x = [Fraction(v) for v in (dold, tau, 1.0, dt, 3000.0, 0.3, 0.01)]
            exact = (x[4] * x[3] * x[5] * x[6] + x[0] * x[1] * x[2]) / (x[1] * x[2] + x[3])
            d = pr.relaxation(dold, tau, 1.0, dt, 3000.0, 0.3, 0.01)
            assert abs(Fraction(d) - exact) <= 4 * np.spacing(abs(dold) + 9.0), (dold, tau, dt, d)

    def test_curerate_groups_and_limits(self):
        assert pr.curerate(KIN, 420.0, 0.3, 0.95) == pytest.approx(rate(KIN, 420.0, 0.3, 0.95), rel=1e-14)
        second = np.array([1.0e4, 5.0e4, 2.0e5, 5.5e4, 1.0, 0.5, 2.0])
        two = np.concatenate([KIN, [400.0], second])
        assert pr.curerate(two, 500.0, 0.3, 0.95, 7) == pytest.approx(rate(KIN, 500.0, 0.3, 0.95), rel=1e-14)
        assert pr.curerate(two, 400.0, 0.3, 0.95) == pytest.approx(rate(second, 400.0, 0.3, 0.95), rel=1e-14)
        assert pr.curerate(two, 399.9, 0.3, 0.95) == pytest.approx(rate(KIN, 399.9, 0.3, 0.95), rel=1e-14)
        assert pr.curerate(KIN, 420.0, 0.95, 0.95) == 0.0
        with pytest.raises(_tolvek.error, match=r"nc>=7"):
            pr.curerate(KIN[:6], 420.0, 0.3, 0.95)
        with pytest.raises(_tolvek.error):
            pr.curerate(KIN, 420.0, 0.3, 0.95, 8)

    def test_funcdegree_is_the_backward_euler_step(self):
        d = pr.funcdegree(KIN, 430.0, 0.2, 0.5, 0.97)
        # the root of d = d0 + dt rate(d) found independently
        root = brentq(lambda x: x - 0.2 - 0.5 * rate(KIN, 430.0, x, 0.97), 0.2, 0.97)
        assert d == pytest.approx(root, abs=1e-6)
        assert pr.funcdegree(KIN, 430.0, 0.97, 10.0, 0.97) == 0.97
        assert pr.funcdegree(np.zeros(7), 430.0, 0.4, 10.0, 0.97) == 0.4

    def test_funcdegree_step_halving_converges_to_the_ode_solution(self):
        end = 40.0
        ref = solve_ivp(lambda s, y: [rate(KIN, 400.0, y[0], 0.97)], [0, end], [0.0], rtol=1e-12,
                        atol=1e-14).y[0, -1]
        errs = []
        for n in (40, 80, 160, 320):
            a = 0.0
            for _ in range(n):
                a = pr.funcdegree(KIN, 400.0, a, end / n, 0.97)
            errs.append(abs(a - ref))
        ratios = np.array(errs[:-1]) / np.array(errs[1:])
        np.testing.assert_allclose(ratios, 2.0, atol=0.2)

    def test_funcdegree_oscillation_is_capped_and_reported(self):
        law = [0.99, 0.0, 0.0, 0.0, 2.0, 1.0, 1.0]
        d = pr.funcdegree(law, 400.0, 0.0, 1.0, 1.0)
        assert errstat() == -1 and "FuncDegree" in errtext()
        # the root of the step instead of the last iterate (near 0 or 0.99)
        assert d == pytest.approx(brentq(lambda x: x - rate(law, 400.0, x, 1.0), 0.0, 1.0, xtol=1e-15), abs=1e-14)

    def test_funcdegree_bounced_off_degmax_is_the_bracketed_root(self):
        # An iterate at degmax, where the rate vanishes, sent the iteration back to degree0 and then
        # to the explicit step, which it returned: 26.27 and 2.0 for the first two steps below.
        steps = [([6.239e7, 5.2265e4, 7.056e5, 8.9449e4, 1.3595, 0.32177, 1.4368], 456.7, 0.0785, 0.4456, 1.0),
                 ([1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0], 400.0, 0.0, 2.0, 1.0)]  # rate 1 - d: 2/3
        rng = np.random.default_rng(rng_seed(61))
        for _ in range(400):  # Kamal-type steps: a fifth reach degmax, five oscillate to the limit
            g = [10 ** rng.uniform(3, 9), rng.uniform(4e4, 9e4), 10 ** rng.uniform(3, 9), rng.uniform(4e4, 9e4),
                 rng.uniform(0.5, 2.5), rng.uniform(0.2, 1.5), rng.uniform(0.8, 2.5)]
            amax = rng.uniform(0.8, 1.0)
            steps.append((g, rng.uniform(350.0, 480.0), rng.uniform(0.0, 0.95) * amax, 10 ** rng.uniform(-3, 1), amax))
        for g, temp, d0, dt, amax in steps:
            d = pr.funcdegree(g, temp, d0, dt, amax)
            root = brentq(lambda x: x - d0 - dt * rate(g, temp, x, amax), d0, amax, xtol=1e-15, rtol=1e-15)
            # the root to 1e-6 max(1, dt), for any seed of this distribution
            assert abs(d - root) <= 1e-6 * max(1.0, dt), (g, temp, d0, dt, amax, d, root)
            assert errstat() in (0, -1)
            _tolvek.errorhandling.rsxerr(1)
        assert pr.funcdegree(*steps[1]) == pytest.approx(2.0 / 3.0, abs=1e-15)
        # A rate that does not vanish at degmax (a zero exponent) has its fixed point beyond it, uncapped.
        assert pr.funcdegree([0.5, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0], 400.0, 0.5, 2.0, 1.0) == 1.5

    def test_funcdegree_is_the_root_where_the_iteration_creeps_and_its_iterate_where_that_is_the_root(self):
        # A map of slope near 1 stops 3.8 tolerances short of the root (0.1302421, the root 0.1302663).
        creeping = ([7602717.812355954, 83283.87978914892, 263789.1167295215, 45045.68559025273, 1.7738534072812584,
                     1.0904197123868968, 1.4916307568051155], 388.51903695998726, 0.00823083469580325, 6.440359302116048,
                    0.9570823670984892)
        # An iterate 8.8e-6 from the root, within the tolerance 4.2e-5 of a step of 42 s, stands.
        standing = ([14326414.820800671, 66055.63220383831, 1354106.7161559614, 76863.54697424958, 0.6548219396131962,
                     0.47636442857840744, 2.4792218803432635], 383.1843772957856, 0.058671452245988256,
                    42.159066494845014, 0.8599496314343018)
        for g, temp, d0, dt, amax in (creeping, standing):
            d = pr.funcdegree(g, temp, d0, dt, amax)
            root = brentq(lambda x: x - d0 - dt * rate(g, temp, x, amax), d0, amax, xtol=1e-15, rtol=1e-15)
            tol = 1e-6 * max(1.0, dt)
            assert abs(d - root) <= tol
            iterate = part_iteration(g, temp, d0, dt, amax)
            if abs(iterate - root) <= tol:
                assert d == pytest.approx(iterate, abs=1e-12)
            else:
                assert abs(iterate - root) > 3.0 * tol
        assert errstat() == 0

    def test_funcdegree_is_the_root_to_rounding_unless_its_iterate_is_the_root_to_the_tolerance(self):
        # Iterates 1.7 and 2.3 tolerances short of the root (steps of 49.6 s and 1.005 s), and one
        # that bounced off degmax: the root of the step, to rounding.
        off = [([5543813.640166664, 83866.03140443923, 730912.584807153, 53948.61295072563, 1.5820836531881675,
                 1.3017171319669287, 2.208198064864217], 388.62176039004964, 0.009475314138918754, 49.61753944669269,
                0.9378995221427339),
               ([9389.961262838611, 60278.45182298335, 25293952.518182267, 55303.52798822855, 0.6677876124888384,
                 1.3672442722351759, 1.2270377818981828], 407.9355596370701, 0.05338706132103574, 1.0049348592068295,
                0.8697724020078562),
               ([6.239e7, 5.2265e4, 7.056e5, 8.9449e4, 1.3595, 0.32177, 1.4368], 456.7, 0.0785, 0.4456, 1.0)]
        # On a step of 0.18 s the iterate lies 3.9e-7 from the root: within 1e-6 max(1, dt), so it stands.
        standing = ([3772.333380743815, 83606.80740413361, 300335331.81395113, 61908.86522594023, 1.476494555634038,
                     1.0387924696690567, 1.6094583650542666], 422.17692471462533, 0.018876261445191327,
                    0.18011172698797354, 0.9315775739508658)
        for g, temp, d0, dt, amax in off + [standing]:
            d = pr.funcdegree(g, temp, d0, dt, amax)
            root = brentq(lambda x: x - d0 - dt * rate(g, temp, x, amax), d0, amax, xtol=1e-15, rtol=1e-15)
            iterate = part_iteration(g, temp, d0, dt, amax)
            if (g, temp, d0, dt, amax) == standing:
                assert dt * 1e-6 < abs(iterate - root) <= 1e-6
                assert d == pytest.approx(iterate, abs=1e-12)
            else:
                assert abs(iterate - root) > 1e-6 * max(1.0, dt)
                assert d == pytest.approx(root, abs=1e-14)
        assert errstat() == 0


def umat_args(stress, svar, dstran, temp, p, dtime=1.0, stran=None, name="RESIN_L@1@_S@1@"):
    stran = np.zeros(6) if stran is None else stran
    return [stress, svar, 0.0, 0.0, 0.0, 0.0, np.zeros(6), np.zeros(6), 0.0, stran, dstran, np.zeros(2), dtime,
            temp, 0.0, np.zeros(1), np.zeros(1), name, 3, 3, p, np.zeros(3), np.eye(3), 1.0, 1.0, np.eye(3),
            np.eye(3), 1, 1, 1, 1, np.array([1, 1, 0, 0], dtype=np.int32), 1]


class TestUmatProny:
    de = np.array([1e-4, 2e-4, -1e-4, 3e-4, 1e-4, -2e-4])

    def test_glassy_regime_is_the_instantaneous_stiffness(self, cure_tables):
        svar = np.full(510, 0.5)
        stress, out, ddsdde, sse, spd, scd, pnewdt = t.umat_prony(*umat_args(np.ones(6), svar, self.de, 250.0,
                                                                             props()))
        np.testing.assert_array_equal(ddsdde, ti(STIFF))
        np.testing.assert_allclose(stress, 1.0 + ti(STIFF) @ self.de, rtol=1e-15)
        np.testing.assert_array_equal(out[8:500], 0.5)
        assert (sse, spd, scd, pnewdt) == (0.0, 0.0, 0.0, 1.0)

    def test_relaxed_regime_states_at_equilibrium(self, cure_tables):
        stran = np.array([2e-4, 1e-4, 3e-4, -1e-4, 2e-4, 1e-4])
        stress, svar, ddsdde, *_ = t.umat_prony(*umat_args(np.zeros(6), np.zeros(510), self.de, 600.0, props(),
                                                           stran=stran))
        relaxed = ti([c * (1 - sum(w)) for c, w in zip(STIFF, WEIGHTS)])
        np.testing.assert_allclose(ddsdde, relaxed, rtol=1e-14, atol=1e-12)
        e = stran + self.de
        fams = [(0, 0, 1), (1, 1, 1), (1, 2, 1), (1, 0, 1), (2, 1, 1), (3, 2, 1), (1, 0, 1), (3, 1, 1), (2, 2, 1),
                (4, 3, 1), (4, 4, 1), (2, 5, .5), (3, 5, -.5)]
        expected = [f * STIFF[c] * w * e[s] for c, s, f in fams for w in WEIGHTS[c]]
        np.testing.assert_allclose(svar[8:8 + len(expected)], expected, rtol=1e-15)
        np.testing.assert_allclose(stress, relaxed @ self.de, rtol=1e-13)
        assert svar[500] == ddsdde[0, 0] and svar[501] == ddsdde[1, 1]

    def test_no_terms_and_the_single_shift_group(self, cure_tables):
        none = props([[]] * 5, [[]] * 5)
        svar = np.zeros(510)
        svar[2] = 380.0
        stress, svar, ddsdde, *_ = t.umat_prony(*umat_args(np.zeros(6), svar, self.de, 420.0, none))
        np.testing.assert_array_equal(ddsdde, ti(STIFF))
        np.testing.assert_allclose(stress, ti(STIFF) @ self.de, rtol=1e-15)
        assert svar[508] == svar[509] == pytest.approx(-10.0 * 40.0 / 90.0, rel=1e-14)

    def test_refused_state_count_keeps_the_stress_and_states_with_a_zero_tangent(self, cure_tables):
        svar = np.full(509, 2.0)
        stress, out, ddsdde, sse, spd, scd, pnewdt = t.umat_prony(*umat_args(np.ones(6), svar, self.de, 420.0,
                                                                             props()))
        assert errstat() == -3 and "510" in errtext()
        np.testing.assert_array_equal(out, 2.0)
        np.testing.assert_array_equal(stress, 1.0)
        np.testing.assert_array_equal(ddsdde, 0.0)
        assert (sse, spd, scd) == (0.0, 0.0, 0.0) and 0.0 < pnewdt <= 0.5

    def test_usermat_prony_is_the_adapter_with_umat_prony(self, cure_tables):
        def args(stress, ustatev):
            z = lambda: np.zeros(())
            return [1, 1, 1, 1, 1, 1, 1, 3, 3, 0.0, 2.0, 420.0, 0.0, stress, ustatev, z(), z(), z(),
                    np.full(6, 1e-4), self.de, np.zeros(6), props(), np.zeros(3), z(), np.eye(3), np.eye(3),
                    np.zeros(2)] + [z() for _ in range(8)]
        sa, sb = np.ones(6), np.ones(6)
        va, vb = np.zeros(510), np.zeros(510)
        va[2] = vb[2] = 380.0
        ra = t.usermat_prony(*args(sa, va))
        rb = _tolvek.wrapper.abq_umat_to_ansys_usermat(t.umat_prony, *args(sb, vb))
        assert ra[0] == rb[0] and ra[2] == rb[2]
        np.testing.assert_array_equal(ra[1], rb[1])
        np.testing.assert_array_equal(sa, sb)
        np.testing.assert_array_equal(va, vb)
        assert not np.array_equal(sa, np.ones(6))


class TestCureHooks:
    def test_hetval_isothermal_cure_and_heat(self, cure_tables):
        svar = np.zeros(4)
        last = 0.0
        for _ in range(2000):
            svar, flux = t.hetval_prony("EPOXY", [460.0, 0.0], [0.0, 0.0], 2.0, svar, [0.0], [0.0])
            assert svar[0] >= last
            assert flux[0] == pytest.approx(4.5e8 * svar[1], rel=1e-15) and flux[1] == 0.0
            last = svar[0]
        amax = 1.0 / (1.0 + np.exp(5.0 - 0.1 * (460.0 - 273.15)))
        assert svar[0] == pytest.approx(amax, abs=1e-4) and svar[3] == amax
        a = svar[0]
        assert svar[2] == pytest.approx(200.0 * 0.45 * a / (1 - 0.55 * a) - 10.0 + 273.15, rel=1e-14)

    def test_hetval_long_step_stores_the_backward_euler_root(self, cure_tables):
        # Long steps at a high temperature send the fixed-point iteration to the reachable
        # degree, where the rate is 0; the stored degree is the root of d = d0 + dt rate(d).
        amax = 1.0 / (1.0 + np.exp(5.0 - 0.1 * (460.0 - 273.15)))
        for d0, dt in ((0.0, 50.0), (0.3, 400.0), (0.9, 5000.0)):
            svar, flux = t.hetval_prony("EPOXY", [460.0, 0.0], [0.0, 0.0], dt, [d0, 0.0, 0.0, 0.0], [0.0], [0.0])
            root = brentq(lambda d: d - d0 - dt * rate(KIN, 460.0, d, amax), d0, amax, xtol=1e-15, rtol=1e-15)
            assert svar[0] == pytest.approx(root, abs=1e-14)
            assert svar[1] == pytest.approx(rate(KIN, 460.0, svar[0], amax), rel=1e-12)
            assert flux[0] == pytest.approx(4.5e8 * svar[1], rel=1e-15)
            assert errstat() == 0

    def test_hetval_refuses_a_state_vector_shorter_than_four(self, cure_tables):
        with pytest.raises(_tolvek.error, match=r"len\(svar\)>=4"):
            t.hetval_prony("EPOXY", [460.0, 0.0], [0.0, 0.0], 2.0, np.zeros(3), [0.0], [0.0])
        svar, flux = t.hetval_prony("EPOXY", [460.0, 0.0], [0.0, 0.0], 2.0, np.zeros(4), [0.0], [0.0])
        assert flux[0] > 0.0

    def test_cure_table_with_fewer_than_eight_columns_read_missing_columns(self, cure_tables):
        # Only the gel-point column was checked: a table of three columns reached the cure limit,
        # glass transition and kinetics through null pointers (found by the table-state walk).
        md = cure_tables
        md.cuprops = np.asfortranarray(md.cuprops[:, :3, :, :])
        eh = _tolvek.errorhandling
        eh.rsxerr(1)
        svar, flux = t.hetval_prony("EPOXY", [460.0, 0.0], [0.0, 0.0], 2.0, np.zeros(4), [0.0], [0.0])
        assert flux[0] == 0.0 and list(svar) == [0.0] * 4 and eh.errstat == -3
        eh.rsxerr(1)
        expan, dexpandt, out = t.uexpan_prony([420.0, 2.0], [1.0, 10.0], 0.5, [0.0], [0.0], np.zeros(510),
                                              "EPOXY", 1)
        assert not expan.any() and not dexpandt.any() and eh.errstat == -3
        eh.rsxerr(1)

    def test_hetval_at_the_reachable_degree(self, cure_tables):
        svar, flux = t.hetval_prony("EPOXY", [300.0, 0.0], [0.0, 0.0], 2.0, [0.9, 0.5, 0.0, 0.0], [0.0], [0.0])
        assert flux[0] == 0.0 and svar[1] == 0.0 and svar[0] == 0.9

    def test_uexpan_restarts_the_cure_at_total_time_zero_not_at_a_later_steps_start(self, cure_tables):
        # time = (step time, total time): a later step starts at step time 0 with its cure going on
        state = np.zeros(508)
        state[0] = 2.0
        expan, _, out = t.uexpan_prony([420.0, 2.0], [0.0, 10.0], 0.5, [0.0], [0.0], state.copy(), "EPOXY", 1)
        assert errstat() == -3 and errtext() == "uexpan_prony: degree of cure svar(1) not in [0, 1]; no expansion"
        np.testing.assert_array_equal(expan, 0.0)
        np.testing.assert_array_equal(out, state)
        _tolvek.errorhandling.rsxerr(1)
        state[0] = 0.5
        out = t.uexpan_prony([420.0, 2.0], [0.0, 10.0], 0.5, [0.0], [0.0], state, "EPOXY", 1)[2]
        assert errstat() == 0 and out[0] > 0.5

    def test_uexpan_glassy_liquid_and_time_zero(self, cure_tables):
        glassy = np.zeros(508)
        glassy[0] = glassy[3] = 0.99
        expan, dexpandt, out = t.uexpan_prony([300.0, -3.0], [1.0, 10.0], 0.5, [0.0], [0.0], glassy, "EPOXY", 1)
        np.testing.assert_allclose(expan, [5e-5 * -3, 5.5e-5 * -3, 6e-5 * -3, 0, 0, 0], rtol=1e-15)
        np.testing.assert_array_equal(dexpandt, 0.0)
        liquid = np.zeros(508)
        expan, _, out = t.uexpan_prony([420.0, 2.0], [1.0, 10.0], 0.5, [0.0], [0.0], liquid, "EPOXY", 1)
        np.testing.assert_array_equal(expan, 0.0)
        assert 0.0 < out[0] < 0.6
        used = np.zeros(508)
        used[:3] = [0.8, 3.0, 500.0]
        fresh = t.uexpan_prony([420.0, 2.0], [0.0, 0.0], 0.5, [0.0], [0.0], used, "EPOXY", 1)[2]
        np.testing.assert_array_equal(fresh[:3], out[:3])
        expan, _, short = t.uexpan_prony([420.0, 2.0], [1.0, 10.0], 0.5, [0.0], [0.0], np.ones(507), "EPOXY", 1)
        assert errstat() == -3
        np.testing.assert_array_equal(expan, 0.0)
        np.testing.assert_array_equal(short, 1.0)
