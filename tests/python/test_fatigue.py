"""Shokrieh fatigue model from Python: temperature-dependent properties, cycle counting and
allowable jumps, and the material point, against closed forms of the laws written here."""
import math

import numpy as np
import pytest

import _tolvek
from error_record import errstat, errtext  # noqa: F401  (the fixture clears the record)
from error_record import clean_record  # noqa: F401
from seeding import rng_seed

f = _tolvek.fatigue
HUGE = np.finfo(float).max
LOG4 = math.log10(4.0)


def block(temp, scale=1.0):
    """One 74-value temperature block; `scale` moves every value so that blocks differ."""
    b = np.zeros(74)
    b[0:9] = [140e3 * scale, 10e3 * scale, 9e3 * scale, 5e3 * scale, 4.8e3 * scale, 3.5e3 * scale, 0.3, 0.31, 0.45]
    b[9:12] = [2000 * scale, 50 * scale, 45 * scale]          # tension 11, 22, 33
    b[12:15] = [1200 * scale, -200 * scale, 190 * scale]      # compression, sign ignored
    b[15:18] = [80 * scale, 78 * scale, 60 * scale]           # shear 12, 13, 23
    b[18:27] = 1.5 * scale + 0.01 * np.arange(9)              # alpha
    b[27:36] = 5.0 * scale + 0.02 * np.arange(9)              # beta
    b[36:42] = 4.0 * scale + 0.03 * np.arange(6)              # lambda
    b[42:48] = 1.2 * scale + 0.04 * np.arange(6)              # gamma
    b[48:60:2] = 1.0 * scale + 0.001 * np.arange(6)           # a
    b[49:60:2] = -0.1 * scale - 0.001 * np.arange(6)          # b
    b[60] = 0.0                                               # eta (linear moduli)
    b[61:67] = 1.0 + 0.05 * np.arange(6)                      # u
    b[67:73] = 0.5 + 0.05 * np.arange(6)                      # v
    b[73] = temp
    return b


def props_of(b1, b2, degr=0.1, angle=0.0, thermal=None):
    p = np.concatenate([b1, b2, [angle, degr]])
    return p if thermal is None else np.concatenate([p, thermal])


def props_std(**kw):
    return props_of(block(250.0), block(350.0, 1.1), **kw)


NAMES = ("eprops", "xfprops", "epsfprops", "alpha_t", "alpha_c", "beta_t", "beta_c", "lambda", "gamma", "a", "b",
         "u", "v", "eta", "degr_fac")


def props_at(props, temp, nprops=None):
    r = f.getshokriehproperties(props, temp) if nprops is None else f.getshokriehproperties(props, temp, nprops)
    return dict(zip(NAMES, r))


def expected_sets(blk):
    """The outputs of one block taken unchanged, by the block layout."""
    b = np.asarray(blk)
    t, c = [0, 2, 4, 6, 7, 8], [1, 3, 5, 6, 7, 8]
    xf = np.array([b[9], -abs(b[12]), b[10], -abs(b[13]), b[11], -abs(b[14]), b[15], b[16], b[17]])
    e = b[0:9]
    mod = [0, 0, 1, 1, 2, 2, 3, 4, 5]
    return dict(eprops=e, xfprops=xf, epsfprops=xf / e[mod], alpha_t=b[18:27][t], alpha_c=b[18:27][c],
                beta_t=b[27:36][t], beta_c=b[27:36][c], **{"lambda": b[36:42]}, gamma=b[42:48], a=b[48:60:2],
                b=b[49:60:2], u=b[61:67], v=b[67:73], eta=b[60])


def assert_sets(got, want, rtol=1e-14):
    for k, v in want.items():
        np.testing.assert_allclose(got[k], v, rtol=rtol, atol=0, err_msg=k)


class TestShokriehProperties:
    def test_selection_below_above_and_interpolation(self):
        lo, up = block(250.0), block(350.0, 1.1)
        p = props_of(lo, up)
        assert_sets(props_at(p, 200.0), expected_sets(lo))
        assert_sets(props_at(p, 400.0), expected_sets(up))
        mid = lo + (up - lo) * 0.25
        assert_sets(props_at(p, 275.0), expected_sets(mid), rtol=1e-12)
        # A temperature equal to a block temperature interpolates to that block.
        assert_sets(props_at(p, 350.0), expected_sets(up), rtol=1e-13)

    def test_falling_block_order_gives_the_same_sets(self):
        lo, up = block(250.0), block(350.0, 1.1)
        for temp in (200.0, 262.5, 300.0, 400.0):
            a, b = props_at(props_of(lo, up), temp), props_at(props_of(up, lo), temp)
            for k in NAMES:
                np.testing.assert_allclose(a[k], b[k], rtol=1e-13, err_msg=k)

    def test_compressive_strength_sign_and_degr_fac_and_failure_strains(self):
        lo = block(250.0)
        neg = lo.copy()
        neg[12:15] = -np.abs(neg[12:15])
        a, b = props_at(props_of(lo, block(350.0)), 200.0), props_at(props_of(neg, block(350.0)), 200.0)
        np.testing.assert_array_equal(a["xfprops"], b["xfprops"])
        assert np.all(a["xfprops"][[1, 3, 5]] < 0) and np.all(a["epsfprops"][[1, 3, 5]] < 0)
        for degr in (0.0, 0.05, 1.0):
            assert props_at(props_std(degr=degr), 300.0)["degr_fac"] == degr

    def thermal(self, threshold=260.0):
        # c2, c1, c0, threshold, T*, matrix limit, matrix exponent, fibre limit, fibre exponent
        return np.array([-1e-4, -2e-3, 1.1, threshold, 400.0, 0.4, 1.7, 0.8, 2.5])

    def test_150_values_apply_no_temperature_law(self):
        p = props_std()
        full = props_at(p, 320.0)
        mid = block(250.0) + (block(350.0, 1.1) - block(250.0)) * 0.7
        np.testing.assert_allclose(full["eprops"], mid[:9], rtol=1e-13)

    def test_temperature_law_of_the_moduli(self):
        lo, up = block(250.0), block(350.0, 1.1)
        th = self.thermal()
        p = props_of(lo, up, thermal=th)
        c2, c1, c0, thr, ts, ml, me, fl, fe = th
        q = lambda tc: c2 * tc * tc + c1 * tc + c0
        # At or below the threshold the matrix moduli are the lower block's raw values, even above
        # both block temperatures.
        pt = props_of(lo, up, thermal=np.r_[th[:3], 500.0, th[4:]])
        e = props_at(pt, 450.0)["eprops"]
        np.testing.assert_allclose(e[1:6], lo[1:6], rtol=1e-15)
        # Between threshold and room temperature: quadratic factor on the first block.
        e = props_at(p, 280.0)["eprops"]
        np.testing.assert_allclose(e[1:6], q(280.0 - 273.15) * lo[1:6], rtol=1e-13)
        np.testing.assert_allclose(e[0], lo[0] + 30.0 * (up[0] - lo[0]) / 100.0, rtol=1e-13)
        # At exactly 293 K the matrix follows the exponential law while E11 is still linear.
        tau = (293.0 - 273.15) / (ts - 273.15)
        qrt = q(19.85)
        e = props_at(p, 293.0)["eprops"]
        np.testing.assert_allclose(e[1:6], (qrt - (qrt - ml) * math.exp(-tau ** me)) * lo[1:6], rtol=1e-13)
        np.testing.assert_allclose(e[0], lo[0] + 43.0 * (up[0] - lo[0]) / 100.0, rtol=1e-13)
        # Above room temperature E11 decays exponentially from the reference (first) block, also when
        # the first block is the upper one.
        tau = (330.0 - 273.15) / (ts - 273.15)
        for ref, other in ((lo, up), (up, lo)):
            e = props_at(props_of(ref, other, thermal=th), 330.0)["eprops"]
            np.testing.assert_allclose(e[0], (1 - math.exp(-tau ** fe) * (1 - fl)) * ref[0], rtol=1e-13)
        # Poisson ratios and strengths are not degraded; failure strains use the degraded moduli.
        r = props_at(p, 330.0)
        mid = lo + (up - lo) * 0.8
        np.testing.assert_allclose(r["eprops"][6:], mid[6:9], rtol=1e-13)
        np.testing.assert_allclose(r["epsfprops"][2], r["xfprops"][2] / r["eprops"][1], rtol=1e-15)

    def test_short_vectors_are_refused(self):
        # F6: fewer than 150 values read beyond the vector; 151 to 158 lack the law's values.
        r = props_at(props_std()[:149], 300.0)
        assert errstat() == -3
        for k in NAMES:
            assert np.all(np.asarray(r[k]) == 0.0)
        _tolvek.errorhandling.rsxerr(1)
        p = np.concatenate([props_std(), self.thermal()[:4]])
        r = props_at(p, 320.0)
        assert errstat() == -2
        np.testing.assert_array_equal(r["eprops"], props_at(props_std(), 320.0)["eprops"])

    def test_equal_block_temperatures_take_the_lower_block(self):
        # F6: a zero interpolation interval.
        lo, up = block(300.0), block(300.0, 1.1)
        r = props_at(props_of(lo, up), 300.0)
        assert_sets(r, expected_sets(up))   # equal temperatures: the second block is the lower one
        assert all(np.all(np.isfinite(np.asarray(v))) for v in r.values())
        r = props_at(props_of(lo, up, thermal=self.thermal()), 300.0)
        assert np.all(np.isfinite(r["eprops"]))


@pytest.fixture
def cycles_table():
    sd = _tolvek.shokriehdata
    yield sd
    sd.cycles = None
    sd.cycleprops = None
    sd.dnfshok = 0.0
    _tolvek.jobdata.nsteps = 0


def cyclecount(n, maxcycle=1e6, time=0.0, time_calc=10.0, period=1.0, jmin=5.0, jmax=0.0, zul=HUGE, ncycles=0,
               nmax=0, istep=1, nstep=1, algo=1, stepflag=1):
    return f.cyclecount(n, maxcycle, time, time_calc, period, jmin, jmax, zul, ncycles, nmax, istep, nstep, algo,
                        stepflag)


class TestCycleCount:
    def test_outside_a_fatigue_step_the_counter_restarts(self):
        for flag in (0, 2, -1):
            assert cyclecount(57.0, stepflag=flag, algo=3) == (1.0, 1.0)

    def test_fixed_jump(self):
        assert cyclecount(3.0, jmin=5.0) == (5.0, 8.0)

    def test_logarithmic_ramp_against_its_closed_form(self):
        maxc, tc, per = 1e5, 20.0, 1.0
        k = math.log(maxc) / (tc - per)
        for time in (0.0, 0.5, 1.0, 3.0, 10.0, 19.0):
            n1, n0 = round(math.exp(k * time)), round(math.exp(k * (time - per)))
            j, n = cyclecount(4.0, maxcycle=maxc, time=time, time_calc=tc, period=per, algo=2)
            assert j == max(1.0, n1 - n0) and n == 4.0 + j and j >= 1.0

    def test_logarithmic_ramp_without_a_ramp_is_refused(self):
        # F2: time_calc = time_period divides by zero, maxcycle <= 1 has no logarithm.
        for kw in (dict(time_calc=1.0, period=1.0), dict(maxcycle=1.0)):
            _tolvek.errorhandling.rsxerr(1)
            assert cyclecount(4.0, algo=2, **kw) == (1.0, 5.0)
            assert errstat() == -3

    def test_tabulated_cycles(self, cycles_table):
        cycles_table.cycles = np.asfortranarray([[10.0, 20.0, 30.0, 40.0], [100.0, 200.0, 300.0, 400.0]]).T
        # time 1.2 rounds to 1: icycle 2 -> entry 20.
        assert cyclecount(12.0, time=1.2, ncycles=4, algo=3, nstep=2) == (8.0, 20.0)
        # past the tabulated entries: first entry of the next step ...
        assert cyclecount(12.0, time=7.0, ncycles=4, algo=3, nstep=2) == (88.0, 100.0)
        # ... and in the last step the entry before icycle (icycle 5 -> entry 4).
        assert cyclecount(12.0, time=4.0, ncycles=4, istep=2, nstep=2, algo=3) == (388.0, 400.0)

    def test_tabulated_index_beyond_the_column_is_clamped(self, cycles_table):
        # F2: icycle - 1 beyond the column reads its last entry; icycle - 1 = 0 its first.
        cycles_table.cycles = np.asfortranarray([[10.0, 20.0, 30.0, 40.0]]).T
        assert cyclecount(0.0, time=50.0, ncycles=4, algo=3) == (40.0, 40.0)
        assert cyclecount(0.0, time=0.0, ncycles=0, algo=3) == (10.0, 10.0)
        assert errstat() == 0

    def test_tabulated_and_solver_cycles_need_the_table(self, cycles_table):
        # F2: an absent table was a null read.
        for algo in (3, 5):
            _tolvek.errorhandling.rsxerr(1)
            assert cyclecount(7.0, time=1.0, ncycles=4, algo=algo) == (0.0, 7.0)
            assert errstat() == -3
        cycles_table.cycles = np.ones((3, 1), order="F")
        _tolvek.errorhandling.rsxerr(1)
        assert cyclecount(7.0, algo=5, istep=2) == (0.0, 7.0)
        assert errstat() == -3

    def test_permitted_jump_bounded_by_table_and_maxcycle(self, cycles_table):
        assert cyclecount(10.0, zul=7.6, algo=4) == (8.0, 18.0)
        assert cyclecount(10.0, zul=HUGE, algo=4) == (0.0, 10.0)
        cycles_table.cycles = np.asfortranarray([[5.0, 15.0, 40.0], [12.0, 16.0, 90.0]]).T
        assert cyclecount(10.0, zul=7.6, algo=4) == (2.0, 12.0)          # next tabulated above 10 is 12
        assert cyclecount(16.0, zul=7.6, algo=4, maxcycle=20.0) == (4.0, 20.0)
        assert cyclecount(16.0, zul=3.2, algo=4, maxcycle=20.0) == (4.0, 20.0)  # sum equal to maxcycle
        cycles_table.cycles = None
        for n0 in range(0, 100, 7):
            j, n = cyclecount(float(n0), zul=12.3, algo=4, maxcycle=60.0)
            assert n <= 60.0 or n0 > 60

    def test_cycle_number_of_the_solver(self, cycles_table):
        cycles_table.cycles = np.asfortranarray([[25.0, 40.0], [3.0, 3.0]])
        assert cyclecount(25.0, algo=5) == (0.0, 25.0)
        assert cyclecount(20.0, algo=5) == (5.0, 25.0)
        assert cyclecount(1.0, algo=5, istep=2) == (39.0, 40.0)

    def test_unknown_algorithm(self):
        j, n = cyclecount(9.0, algo=8)
        assert (j, n) == (0.0, 9.0)
        assert errstat() == -2 and errtext() == "Unknown cycle jump flag in CycleCount"


def acj(speak=600.0, sbottom=60.0, ft=2000.0, fc=1200.0, f0=2000.0, e0=140e3, eps_f=2000.0 / 140e3, a=1.0, b=-0.1,
        u=1.0, v=0.5, nm=0.0, alpha=1.5, beta=5.0, gamma=1.2, lam=4.0, x_n=1950.0, e_n=139e3, de=1.0, df=0.97,
        degr=0.1, dtol=0.9):
    sb = np.array(sbottom, dtype=float)
    cj = f.allowablecyclejump(speak, sb, ft, fc, f0, e0, eps_f, a, b, u, v, nm, alpha, beta, gamma, lam, x_n, e_n,
                              de, df, degr, dtol)
    return cj, float(sb)


def acj_reference(speak, sbottom, ft, fc, f0, e0, eps_f, a, b, u, v, nm, alpha, beta, gamma, lam, x_n, e_n, dtol,
                  cap=min):
    smax = max(speak, sbottom)
    r = min(speak, sbottom) / smax
    sa, sm = (1 - r) * smax / 2, (1 + r) * smax / 2
    so = max(abs(sa + sm), abs(sm - sa))
    if speak < 1.0:
        lognf = 8.0
    else:
        q, c = sm / ft, abs(fc) / ft
        w = cap(a * 10 ** b, (sa / ft) / ((1 - q) ** u * (c + q) ** v))
        lognf = math.log10(w / a) / b
    ns = 10 ** ((1 - ((dtol * x_n - so) / (f0 - so)) ** alpha) ** (1 / beta) * (lognf + LOG4) - LOG4)
    se = so / eps_f
    ne = 10 ** ((1 - ((dtol * e_n - se) / (e0 - se)) ** gamma) ** (1 / lam) * (lognf + LOG4) - LOG4)
    return min(ns, ne) - max(1.0, nm * 10 ** lognf)


class TestAllowableCycleJump:
    def test_fully_degraded_point(self):
        assert acj(df=0.1, degr=0.1, sbottom=0.0) == (1e8, 0.0)

    def test_zero_bottom_stress_is_written_back(self):
        cj, sb = acj(sbottom=0.0)
        assert sb == 1e-8 and np.isfinite(cj)

    def test_against_the_residual_laws(self):
        for speak, sbottom, nm in ((600.0, 60.0, 0.0), (900.0, 300.0, 1e-3), (1200.0, 100.0, 0.01)):
            cj, _ = acj(speak=speak, sbottom=sbottom, nm=nm)
            want = acj_reference(speak, sbottom, 2000.0, 1200.0, 2000.0, 140e3, 2000.0 / 140e3, 1.0, -0.1, 1.0,
                                 0.5, nm, 1.5, 5.0, 1.2, 4.0, 1950.0, 139e3, 0.9)
            assert cj == pytest.approx(want, rel=1e-12)

    def test_AllowableCycleJump_caps_the_normalised_stress_with_min(self):
        # F1: the normalised stress is capped at the one-cycle level a 10^b (the gradual degradation
        # does the same): a cycle that the master curve puts above it lives at least 10 cycles, not
        # at most 10.
        cj, _ = acj(speak=1500.0, sbottom=-1400.0)
        args = (1500.0, -1400.0, 2000.0, 1200.0, 2000.0, 140e3, 2000.0 / 140e3, 1.0, -0.1, 1.0, 0.5, 0.0, 1.5, 5.0,
                1.2, 4.0, 1950.0, 139e3, 0.9)
        assert cj == pytest.approx(acj_reference(*args, cap=min), rel=1e-12)
        assert cj != pytest.approx(acj_reference(*args, cap=max), rel=1e-3)
        # With the lives of a moderate cycle the jump is far more than the at-most-ten of max.
        cj, _ = acj(speak=600.0, sbottom=60.0)
        assert cj > 100.0

    def test_AllowableCycleJump_reference_stress_below_one(self):
        # F3: a peak below 1 still has its reference stress from the cycle (here |speak|).
        cj, _ = acj(speak=0.5, sbottom=-0.8, nm=0.0)
        want = acj_reference(0.5, -0.8, 2000.0, 1200.0, 2000.0, 140e3, 2000.0 / 140e3, 1.0, -0.1, 1.0, 0.5, 0.0,
                             1.5, 5.0, 1.2, 4.0, 1950.0, 139e3, 0.9)
        assert np.isfinite(cj) and cj == pytest.approx(want, rel=1e-12)


def fresh_block():
    s = np.zeros(77)
    s[0] = 1.0          # cycle number
    s[43] = 1.0         # last jump
    s[58:73] = 1.0      # stiffness and strength factors
    s[76] = HUGE
    return s


def nye_stiffness(e):
    """Orthotropic stiffness of (E11, E22, E33, G12, G13, G23, nu12, nu13, nu23) by inverting the
    compliance."""
    e1, e2, e3, g12, g13, g23, n12, n13, n23 = e
    s = np.zeros((6, 6))
    s[:3, :3] = [[1 / e1, -n12 / e1, -n13 / e1], [-n12 / e1, 1 / e2, -n23 / e2], [-n13 / e1, -n23 / e2, 1 / e3]]
    s[3, 3], s[4, 4], s[5, 5] = 1 / g12, 1 / g13, 1 / g23
    return np.linalg.inv(s)


class Point:
    """One Shokrieh material point called through fatigue.getshokrieh."""

    def __init__(self, props=None, temp=240.0, idc=0, kstep=1):
        self.props = props_std() if props is None else props
        self.statev, self.backup = fresh_block(), fresh_block()
        self.stress, self.stran = np.zeros(6), np.zeros(6)
        self.temp, self.idc, self.kstep = temp, idc, kstep
        self.time = np.zeros(2)
        self.kinc = 1

    def call(self, dstran, dtime=0.5, dtemp=0.0, advance=True, kinc=None):
        kinc = self.kinc if kinc is None else kinc
        stress, ddsdde, statev, backup = f.getshokrieh(
            self.stress, self.statev, self.stran, np.asarray(dstran, float), self.props, self.time.copy(), dtime,
            self.temp, dtemp, 1, np.array([self.kstep, 1, 0, 0], np.int32), kinc, 1, self.idc, self.backup)
        self.stress, self.statev, self.backup, self.ddsdde = stress, statev, backup, ddsdde
        if advance:
            self.stran = self.stran + dstran
            self.time += dtime
            self.kinc += 1
        return stress


def e11(v):
    return np.array([v, 0, 0, 0, 0, 0], float)


@pytest.fixture
def fatigue_plan(cycles_table):
    def make(algorithm=1, period=1.0, jump_min=1.0, maxcycle=1e6, rows=10, step=1, nsteps=1):
        cp = np.zeros((rows, nsteps), order="F")
        cp[1, step - 1] = 1.0
        cp[2, step - 1] = algorithm
        cp[3, step - 1] = period
        cp[4, step - 1] = 100.0 * period
        cp[5, step - 1] = 1e6
        cp[6, step - 1] = jump_min
        cp[7, step - 1] = 1e6
        cp[9, step - 1] = maxcycle
        cycles_table.cycleprops = cp
        _tolvek.jobdata.nsteps = nsteps
        return cp
    return make


class TestShokriehPoint:
    def test_hooke_and_cycle_extremes_outside_a_fatigue_step(self):
        p = Point(temp=240.0)
        lo = block(250.0)
        c = nye_stiffness(lo[:9])
        rng = np.random.default_rng(rng_seed(5))
        e = rng.normal(size=6) * 2e-4
        s = p.call(e)
        np.testing.assert_allclose(s, c @ e, rtol=1e-12)
        np.testing.assert_allclose(p.ddsdde, c, rtol=1e-12, atol=1e-9)
        s2 = p.call(-1.5 * e, dtemp=5.0)
        st = p.statev
        xt = np.array([lo[9], lo[10], lo[11], lo[15], lo[16], lo[17]])
        xc = np.array([lo[12], lo[13], lo[14], lo[15], lo[16], lo[17]])
        rt = np.array([s / xt, s2 / xt])
        # compressive ratios: signed stress over the compressive strength's magnitude
        rc = np.array([s / np.abs(xc), s2 / np.abs(xc)])
        np.testing.assert_allclose(st[19:25], np.maximum(rt.max(0), 0.0), rtol=1e-13)
        np.testing.assert_allclose(st[25:31], np.minimum(rt.min(0), 0.0), rtol=1e-13)
        np.testing.assert_allclose(st[31:37], np.maximum(rc.max(0), 0.0), rtol=1e-13)
        np.testing.assert_allclose(st[37:43], np.minimum(rc.min(0), 0.0), rtol=1e-13)
        np.testing.assert_allclose(st[52:58], s2, rtol=1e-13)
        assert (st[73], st[74]) == (240.0, 245.0)
        assert st[43] == 1.0 and np.all(st[58:73] == 1.0) and np.all(st[46:52] == 0.0)
        np.testing.assert_allclose(st[13:19], lo[:6], rtol=1e-15)

    def cycle(self, p, peak, valley=0.1):
        p.call(e11(peak) - p.stran)
        p.call(e11(valley * peak) - p.stran)

    def test_fibre_failure_suppresses_gradual_degradation(self, fatigue_plan):
        fatigue_plan(algorithm=1)
        intact = Point(temp=240.0)
        for _ in range(3):
            self.cycle(intact, 0.0075)
        assert np.all(intact.statev[46:49] > 0.0) and intact.statev[44] == 0.0
        failed = Point(temp=240.0)
        failed.call(e11(0.02))                 # s11 = 2800 above xt = 2000
        assert failed.statev[44] == 1.0 and failed.statev[1] == 1.0
        failed.call(e11(0.001) - failed.stran)  # ends the first cycle
        for _ in range(2):
            self.cycle(failed, 0.0075)
        assert np.all(failed.statev[46:52] == 0.0)
        assert failed.statev[44] == 1.0 and failed.statev[0] == 4.0

    def test_direct_cyclic_block_start_and_repeat(self, fatigue_plan, cycles_table):
        fatigue_plan(algorithm=5)
        cycles_table.cycles = np.asfortranarray([[5.0]])
        p = Point(temp=240.0, idc=1)
        p.statev[0] = 3.0
        p.statev[58:64] = 0.8
        p.call(e11(1e-3))
        assert p.statev[0] == 5.0 and p.statev[43] == 2.0
        np.testing.assert_array_equal(p.backup[[0, 43]], [5.0, 2.0])
        np.testing.assert_array_equal(p.backup[58:64], 0.8)
        # The solver repeats cycle 5: the block comes back from the backup, whatever it holds now.
        p.backup[58:64] = 0.5
        p.statev[58:64] = 0.9
        s = p.call(e11(0.0), kinc=1)
        assert p.statev[0] == 5.0
        np.testing.assert_array_equal(p.statev[58:64], 0.5)
        # moduli and Poisson ratios follow the factors of E11 and E22
        assert s[0] == pytest.approx(nye_stiffness(0.5 * block(250.0)[:9])[0, 0] * 1e-3, rel=1e-12)

    @pytest.mark.parametrize("time1, dtime, ends", [
        (0.5, 0.5, True), (0.5, 0.5004, True), (0.5, 0.502, False), (0.0, 0.0, False), (0.2, 0.2, False),
        (1.0, 1.0, True), (2.25, 0.25, False), (2.5, 0.5, True)])
    def test_cycle_end_to_a_thousandth_and_after_half_a_period(self, fatigue_plan, time1, dtime, ends):
        fatigue_plan(algorithm=1)
        p = Point(temp=300.0)
        p.time[:] = time1
        p.call(e11(1e-3), dtime=dtime)
        assert (p.statev[75] == 300.0) == ends
        assert p.statev[0] == (2.0 if ends else 1.0)

    def test_algorithm_7_advances_at_period_starts(self, fatigue_plan, cycles_table):
        fatigue_plan(algorithm=7, period=2.0)
        cycles_table.dnfshok = 7.2
        p = Point(temp=300.0)
        counts = []
        for _ in range(8):                      # increments of 0.5: starts at 0, 0.5, ..., 3.5
            p.call(e11(1e-4))
            counts.append(p.statev[0])
        # total time 0 does not count; step times 2.0 advances by ceil(7.2) = 8
        assert counts == [1.0, 1.0, 1.0, 1.0, 9.0, 9.0, 9.0, 9.0]
        assert errstat() == 0

    def test_GetShokrieh_adaptive_and_fixed_jumps_reach_no_unknown_algorithm(self, fatigue_plan):
        # F5: algorithms 6 and 7 used to reach the cycle counter as unknown algorithms.
        fatigue_plan(algorithm=6)
        p = Point(temp=240.0)
        self.cycle(p, 0.0075)
        assert errstat() == 0
        allowed = p.statev[76]
        assert np.isfinite(allowed) and allowed >= 1.0
        # the permitted jump min(allowed, last jump 1) by the table-bounded rule: aint(1) + 1
        assert p.statev[43] == 2.0 and p.statev[0] == 3.0
        fatigue_plan(algorithm=6, maxcycle=4.0)
        self.cycle(p, 0.0075)
        assert p.statev[0] == 4.0 and p.statev[43] == 1.0

    def test_GetShokrieh_cycle_period_below_the_time_resolution(self, fatigue_plan):
        # F4: a period below 0.0005 made the millisecond test divide by zero.
        for period in (0.0004, 0.0, -1.0):
            _tolvek.errorhandling.rsxerr(1)
            fatigue_plan(algorithm=1, period=period)
            p = Point(temp=240.0)
            p.time[:] = 1.0
            p.call(e11(1e-3), dtime=1.0)
            assert errstat() == -3
            assert p.statev[0] == 1.0 and p.statev[75] == 0.0

    def test_short_property_vector_is_refused(self):
        p = Point(props=props_std()[:120])
        p.stress = np.arange(6.0)
        s = p.call(e11(1e-3))
        assert errstat() == -3
        np.testing.assert_array_equal(s, np.arange(6.0))
        assert np.all(p.ddsdde == 0.0)


def umat_args(props, statev, dstran, ntens=6, jstep=(1, 1, 0, 0), kinc=1, temp=240.0):
    ndi = 3 if ntens > 3 else 2
    return [np.zeros(ntens), statev, 0.0, 0.0, 0.0, 0.0, np.zeros(ntens), np.zeros(ntens), 0.0, np.zeros(ntens),
            np.asarray(dstran, float), np.zeros(2), 0.5, temp, 0.0, np.zeros(1), np.zeros(1), "PLY", ndi,
            ntens - ndi, props, np.zeros(3), np.eye(3), 1.0, 1.0, np.eye(3), np.eye(3), 1, 1, 1, 1,
            np.array(jstep, np.int32), kinc]


class TestFatigueRoutines:
    def test_umat_shokrieh_solid_point_is_hooke(self):
        d = np.array([1e-3, -2e-4, 1e-4, 3e-4, -1e-4, 2e-4])
        stress, statev, ddsdde, sse, spd, scd, pnewdt = _tolvek.toplevel.umat_shokrieh(
            *umat_args(props_std(), np.zeros(312), d))
        c = nye_stiffness(block(250.0)[:9])
        np.testing.assert_allclose(stress, c @ d, rtol=1e-12)
        np.testing.assert_allclose(ddsdde, c, rtol=1e-12, atol=1e-9)
        assert sse == pytest.approx(0.5 * stress @ d, rel=1e-13)
        assert (spd, scd, pnewdt) == (0.0, 0.0, 1.0)
        np.testing.assert_array_equal(statev[53:59], stress)
        assert statev[77] == HUGE and statev[154] == HUGE

    def test_woven_ply_angle_sign_gives_the_same_stress(self):
        d = np.array([1e-3, -2e-4, 1e-4, 3e-4, -1e-4, 2e-4])
        a = _tolvek.toplevel.umat_shokrieh(*umat_args(props_std(angle=45.0), np.zeros(312), d))
        b = _tolvek.toplevel.umat_shokrieh(*umat_args(props_std(angle=-45.0), np.zeros(312), d))
        np.testing.assert_allclose(a[0], b[0], rtol=1e-12, atol=1e-12)
        np.testing.assert_allclose(a[2], b[2], rtol=1e-6, atol=1e-3)
        # The averaged sub-ply stiffness is symmetric and equals T1' C T1 / 2 + T2' C T2 / 2.
        np.testing.assert_allclose(a[2], a[2].T, rtol=1e-6, atol=1e-2)
        np.testing.assert_allclose(a[0], a[2] @ d, rtol=1e-7)

    def test_umat_shokrieh_needs_312_state_variables(self):
        # F23: a shorter state vector was read and written beyond its end.
        stress, statev, ddsdde, *_ = _tolvek.toplevel.umat_shokrieh(
            *umat_args(props_std(), np.zeros(311), np.full(6, 1e-3)))
        assert errstat() == -3
        assert np.all(ddsdde == 0.0) and np.all(stress == 0.0) and np.all(statev == 0.0)

    def test_usermat_shokrieh_is_the_adapter_on_umat_shokrieh(self):
        z = lambda: np.zeros(())

        def args(ncomp, statev):
            ndir = 3 if ncomp > 3 else 2
            dstrain = np.array([1e-3, -2e-4, 1e-4, 3e-4, 2e-4, -1e-4])[:ncomp]
            return [1, 1, 1, 1, 1, 1, 1, ndir, ncomp - ndir, 0.0, 0.5, 240.0, 0.0, np.zeros(ncomp), statev, z(), z(),
                    z(), np.zeros(ncomp), dstrain, np.zeros(ncomp), props_std(angle=20.0), np.zeros(3), z(), np.eye(3),
                    np.eye(3), np.zeros(2)] + [z() for _ in range(8)]

        for ncomp in (6, 4, 3):
            a, b = args(ncomp, np.zeros(312)), args(ncomp, np.zeros(312))
            ra = _tolvek.toplevel.usermat_shokrieh(*a)
            rb = _tolvek.wrapper.abq_umat_to_ansys_usermat(_tolvek.toplevel.umat_shokrieh, *b)
            for x, y in zip(ra, rb):
                np.testing.assert_array_equal(x, y)
            for k in (13, 14, 15, 26):  # stress, ustatev, sedel, tsstif updated in place
                np.testing.assert_array_equal(a[k], b[k])
            assert np.any(a[13] != 0.0) and a[14][0] == 20.0
        assert errstat() == 0

    def test_generic_adapter_checks_umat_shokrieh_by_its_own_rules(self):
        # The adapter knows the module's routine: its strain energy is added to the solver's, so
        # a signalling NaN the solver passes comes back quieted (the sum) and the point counts as
        # computed, as through usermat_shokrieh (a host's routine changing it would be refused).
        z = lambda: np.zeros(())
        snan = np.array(0x7FF4000000000123, dtype=np.uint64).view(np.float64)

        def args():
            return [1, 1, 1, 1, 1, 1, 1, 3, 3, 0.0, 0.5, 240.0, 0.0, np.zeros(6), np.zeros(312), snan.copy(), z(),
                    z(), np.zeros(6), np.array([1e-3, 0, 0, 0, 0, 0]), np.zeros(6), props_std(), np.zeros(3), z(),
                    np.eye(3), np.eye(3), np.zeros(2)] + [z() for _ in range(8)]

        a, b = args(), args()
        keycut_a = _tolvek.toplevel.usermat_shokrieh(*a)[0]
        keycut_b = _tolvek.wrapper.abq_umat_to_ansys_usermat(_tolvek.toplevel.umat_shokrieh, *b)[0]
        assert errstat() == 0 and keycut_a == keycut_b == 0
        assert np.isnan(b[15]) and b[15].view(np.uint64) == a[15].view(np.uint64) != snan.view(np.uint64)
        np.testing.assert_array_equal(a[14], b[14])

class TestAdaptiveJumpWithoutAFiniteComponent:
    """A load cycle that takes every component, one at a time, to 0.95 of its strength leaves no
    component a finite allowable jump (each reference stress lies above 0.9 of the residual
    strength), yet fails neither fibre nor matrix: the routine itself returns NaN in slot 77 of the
    block (state variable 78), the one place where its result may hold NaN."""

    STRENGTHS = (2000.0, 50.0, 45.0, 80.0, 78.0, 30.0)   # 11, 22, 33, 12, 13, 23 (S23 lowered)

    def props(self):
        p = props_std()
        p[17], p[74 + 17] = 30.0, 33.0   # S23 below the matrix criterion's own transverse shear strength
        return p

    def strains(self):
        c = nye_stiffness(block(250.0)[:9])
        targets = [np.linalg.solve(c, 0.95 * x * np.eye(6)[i]) for i, x in enumerate(self.STRENGTHS)]
        return targets + [np.zeros(6), np.zeros(6)]      # the cycle ends at time 1 with dtime 1/8

    def test_umat_and_usermat_return_nan_in_slot_77_only(self, fatigue_plan):
        fatigue_plan(algorithm=6)
        props = self.props()
        statev, stress, stran = np.zeros(312), np.zeros(6), np.zeros(6)
        ustatev, ustress, ustrain = np.zeros(312), np.zeros(6), np.zeros(6)
        cyclic = [0, 1, 2, 3, 5, 4]   # the USERMAT's order of the six components
        z = lambda: np.zeros(())
        for k, target in enumerate(self.strains()):
            d = target - stran
            a = umat_args(props, statev, d, kinc=k + 1)
            a[0], a[9], a[11], a[12] = stress, stran.copy(), np.array([k / 8.0, k / 8.0]), 0.125
            stress, statev, ddsdde, sse, spd, scd, pnewdt = _tolvek.toplevel.umat_shokrieh(*a)
            stran = target.copy()
            u = [1, 1, 1, 1, 1, 1, k + 1, 3, 3, k / 8.0, 0.125, 240.0, 0.0, ustress, ustatev, z(), z(), z(),
                 ustrain.copy(), d[cyclic], np.zeros(6), props, np.zeros(3), z(), np.eye(3), np.eye(3),
                 np.zeros(2)] + [z() for _ in range(8)]
            _tolvek.toplevel.usermat_shokrieh(*u)
            ustrain = target[cyclic].copy()
            assert errstat() == 0, errtext()
        assert math.isnan(statev[77]) and math.isnan(ustatev[77])
        for sv in (statev, ustatev):
            assert np.all(np.isfinite(np.delete(sv, [77, 154, 233, 310])))
            assert sv[2] < 1.0 and sv[3] < 1.0 and sv[45] == 0.0 and sv[46] == 0.0   # nothing failed
        np.testing.assert_array_equal(ustress, stress[cyclic])
        assert pnewdt == 1.0 and np.all(np.isfinite(ddsdde)) and ddsdde[0, 0] > 0.0
        assert statev[1] > 1.0   # the jump was taken
