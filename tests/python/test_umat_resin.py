"""Fatigue of an isotropic point and the resin material routine through the Python interface: the
equivalent fatigue stress and the S-N law with its mean-stress correction and Miner accumulation
against closed forms written here, the in-place arguments of the call forms, and the ANSYS entry
of the resin routine against the adapter it is built on."""
import math

import numpy as np
import pytest

import _tolvek
from error_record import errstat, errtext
from error_record import clean_record  # noqa: F401  (the fixture clears the record)

F = _tolvek.fatigue
T = _tolvek.toplevel
md = _tolvek.materialdata
HUGE = np.finfo(float).max
# What the binding raises for an in-place argument that would need a conversion (a non-array, a
# wrong type, a non-contiguous or read-only array): refused, so no result is lost in a copy.
REFUSED = (TypeError, ValueError, _tolvek.error)


@pytest.fixture
def r_crit():
    md.r_crit = np.array([-1.3])
    yield -1.3
    md.r_crit = None


def z(v=0.0):
    return np.array(float(v))


def mises(s):
    return math.sqrt(0.5 * ((s[0] - s[1]) ** 2 + (s[1] - s[2]) ** 2 + (s[2] - s[0]) ** 2)
                     + 3.0 * (s[3] ** 2 + s[4] ** 2 + s[5] ** 2))


def eq_stress(s, xt=80.0, xc=120.0, np_=1.5):
    out = z()
    F.getequivalentfatiguestress(np.asarray(s, float), xt, xc, np_, out)
    return float(out)


class TestEquivalentFatigueStress:
    def test_equal_strengths_give_the_mises_stress(self):
        for s in ([50.0, 10.0, -5.0, 8.0, 3.0, -2.0], [0.0, 0.0, 0.0, 20.0, 0.0, 0.0]):
            assert eq_stress(s, 80.0, 80.0) == pytest.approx(mises(s), rel=1e-14)

    def test_both_sides_against_the_closed_forms(self):
        k = 1.5
        # Uniaxial tension lies on the tension side; its equivalent stress is the stress itself.
        assert eq_stress([60.0, 0, 0, 0, 0, 0]) == pytest.approx(60.0, rel=1e-14)
        # Uniaxial compression lies on the compression side, -(k - 1) I1 / 2 - sqrt(...) / 2 = s
        # (the tension formula would give +60 here).
        assert eq_stress([-90.0, 0, 0, 0, 0, 0]) == pytest.approx(-90.0, rel=1e-14)
        # A general state on the tension side.
        s = [40.0, 25.0, -10.0, 12.0, -6.0, 4.0]
        i1, v = sum(s[:3]), mises(s)
        want = (k - 1) / (2 * k) * i1 + math.sqrt((k - 1) ** 2 * i1 ** 2 + 4 * k * v * v) / (2 * k)
        assert eq_stress(s) == pytest.approx(want, rel=1e-14)
        # Hydrostatic pressure has no Mises part and counts to the compression side.
        assert eq_stress([-30.0, -30.0, -30.0, 0, 0, 0]) == pytest.approx(-(k - 1) * -90.0 / 2 - abs(k - 1) * 90.0 / 2, abs=4 * 2.0**-52 * 90.0)

    def test_zero_tensile_strength_is_refused(self):
        out = z(7.0)
        F.getequivalentfatiguestress(np.ones(6), 0.0, 120.0, 1.5, out)
        assert errstat() == -3 and float(out) == 7.0

    def test_in_place_result_needs_a_float64_array(self):
        # F21: a result that would need a conversion is refused instead of being lost.
        for bad in (0.0, [0.0], np.zeros((), np.float32), np.zeros(1, np.int32)):
            with pytest.raises(REFUSED, match="failed in converting 5th argument"):
                F.getequivalentfatiguestress(np.ones(6), 80.0, 120.0, 1.5, bad)


def woehler_f(smin, smax, r):
    m = (1 - r) / (1 + r)
    a, mm = (smax - smin) / 2, (smax + smin) / 2
    if mm != 0 and a / mm < 0 and abs(a / mm) < abs(m):
        return m * abs(r) * a / (m * (abs(r) + mm) - a)
    return m * a / (m * (1 - mm) + a)


def life_of(smin, smax, aw=1.0, ew=-0.08, dn=1.0, life=0.0, noel=1):
    nf, lf = z(-1.0), z(life)
    F.getfatiguelife(smin, smax, aw, ew, 0.0, dn, nf, lf, noel)
    return float(nf), float(lf)


class TestFatigueLife:
    def test_cycles_on_the_critical_ray_keep_their_amplitude(self, r_crit):
        # R = R_crit on either side of the construction: f is the cycle's own amplitude.
        for smax in (0.3, 0.6):
            smin = r_crit * smax
            nf, life = life_of(smin, smax, aw=0.9, ew=-0.1)
            a = (smax - smin) / 2
            assert nf == pytest.approx((a / 0.9) ** (1 / -0.1), rel=1e-12)
            assert life == pytest.approx(1 / nf, rel=1e-12)

    def test_mean_stress_correction_on_both_lines(self, r_crit):
        # Zero mean takes the tension line; tension cycles and compression cycles beyond the ray.
        for smin, smax in ((-0.4, 0.4), (0.0, 0.5), (0.2, 0.7), (-0.9, 0.1), (-1.0, -0.2), (-0.6, 0.3)):
            nf, _ = life_of(smin, smax)
            f = woehler_f(smin, smax, r_crit)
            assert nf == pytest.approx(f ** (1 / -0.08), rel=1e-12), (smin, smax)
        # A static cycle (no amplitude) never fails.
        nf, life = life_of(0.5, 0.5, life=0.25)
        assert nf == math.inf and life == 0.25

    def test_miner_sum_with_a_single_precision_cycle_count(self, r_crit):
        nf, life = life_of(0.0, 0.5, dn=0.1, life=0.2)
        assert life == 0.2 + float(np.float32(0.1)) / nf
        assert float(np.float32(0.1)) == 0.10000000149011612
        # Whole counts up to 2^24 pass unchanged, beyond they round.
        _, l1 = life_of(0.0, 0.01, dn=16777217.0)
        nf1, _ = life_of(0.0, 0.01)
        assert l1 == pytest.approx(16777216.0 / nf1, rel=1e-15, abs=0)

    def test_life_never_decreases_and_never_exceeds_one(self, r_crit):
        assert life_of(0.0, 0.9, dn=1e6, life=0.5)[1] == 1.0
        assert life_of(0.0, 0.5, dn=-50.0, life=0.5)[1] == 0.5
        assert life_of(0.0, 0.5, dn=1.0, life=1.0)[1] == 1.0

    def test_critical_ratio_minus_one_takes_the_limit_of_the_correction(self):
        md.r_crit = np.array([-1.0])
        try:
            for smin, smax in ((0.1, 0.5), (-0.6, 0.2)):
                nf, _ = life_of(smin, smax)
                a, m = (smax - smin) / 2, (smax + smin) / 2
                f = a / (1 + m) if m < 0 else a / (1 - m)
                near = woehler_f(smin, smax, -1.0 + 1e-9)
                assert f == pytest.approx(near, rel=1e-6)
                assert nf == pytest.approx(f ** (1 / -0.08), rel=1e-12)
            assert errstat() == 0
        finally:
            md.r_crit = None

    def test_getfatiguelife_without_the_critical_ratio_table(self):
        # F7: the table was read unallocated.
        md.r_crit = None
        nf, life = life_of(0.0, 0.5, life=0.3)
        assert errstat() == -3 and "r_crit" in errtext()
        assert nf == -1.0 and life == 0.3

    def test_getfatiguelife_mean_stress_beyond_the_strength(self, r_crit):
        # F7: f < 0 gave a NaN cycle count and an undefined life.
        nf, life = life_of(1.2, 1.6, life=0.3)
        assert errstat() == -2
        assert nf == -1.0 and life == 0.3

    def test_in_place_results_need_float64_arrays(self, r_crit):
        for bad in (0.0, np.zeros((), np.float32), [0.0]):
            with pytest.raises(REFUSED, match="`nf'"):
                F.getfatiguelife(0.0, 0.5, 1.0, -0.08, 0.0, 1.0, bad, z(), 1)
            with pytest.raises(REFUSED, match="`life'"):
                F.getfatiguelife(0.0, 0.5, 1.0, -0.08, 0.0, 1.0, z(), bad, 1)

    def test_trace_lines_of_the_traced_element(self, r_crit, capfd):
        _tolvek.debugdata.edebug = 4
        try:
            life_of(0.0, 0.5, noel=4)
            import ctypes
            ctypes.CDLL(None).fflush(None)
            out = capfd.readouterr().out
            labels = [line.split()[0] for line in out.splitlines() if line.strip()]
            assert labels == ["R_crit", "eq_min", "eq_max", "eq_m", "eq_a", "m_crit", "f", "Nf"]
            life_of(0.0, 0.5, noel=5)
            ctypes.CDLL(None).fflush(None)
            assert capfd.readouterr().out == ""
        finally:
            _tolvek.debugdata.edebug = 0


# ---- The resin material routine ---------------------------------------------------------------------
def resin_props():
    a = [3000.0, 0.35, 1e-5, 80.0, 1.5, 20.0, 1.5, 1.0, -0.08, 250.0]
    b = [2800.0, 0.36, 1e-5, 75.0, 1.5, 22.0, 1.5, 1.0, -0.08, 350.0]
    return np.array(a + b + [0.1])


@pytest.fixture
def resin_model():
    md.modelid = 1
    md.temperatures = np.array([250.0, 350.0])
    md.regularization = np.array([0.0, 0.1])
    md.r_crit = np.array([-1.3])
    yield
    md.modelid = 0
    md.temperatures = None
    md.regularization = None
    md.r_crit = None


def umat_args(spannung, statev, dstran, ntens=6, kinc=1, name="RESIN"):
    ndi = 3
    return [spannung, statev, 0.0, 0.0, 0.0, 0.0, np.zeros(ntens), np.zeros(ntens), 0.0, np.zeros(ntens),
            np.asarray(dstran, float), np.zeros(2), 1.0, 300.0, 0.0, np.zeros(1), np.zeros(1), name, ndi,
            ntens - ndi, resin_props(), np.zeros(3), np.eye(3), 1.0, 1.0, np.eye(3), np.eye(3), 1, 1, 1, 1,
            np.array([1, 1, 0, 0], np.int32), kinc]


class TestUmatResin:
    DSTRAN = np.array([1e-3, -3e-4, -2.5e-4, 6e-4, 1e-4, 2e-4])

    def test_stress_in_place_and_state_tangent_returned(self, resin_model):
        s = np.zeros(6)
        statev, tangente, sse, spd, scd, pnewdt = T.umat_resin(*umat_args(s, np.zeros(24), self.DSTRAN))
        assert errstat() == 0, errtext()
        assert s[0] > 0.0 and statev[0] == 1.0 and statev[19] == 1.0
        assert tangente.shape == (6, 6)
        assert (sse, spd, scd, pnewdt) == (0.0, 0.0, 0.0, 1.0)
        # The tangent of the nonlinear law against central differences of the stress it returns.
        h = 1e-7
        for j in range(6):
            up, dn = self.DSTRAN.copy(), self.DSTRAN.copy()
            up[j] += h
            dn[j] -= h
            su, sd = np.zeros(6), np.zeros(6)
            T.umat_resin(*umat_args(su, np.zeros(24), up))
            T.umat_resin(*umat_args(sd, np.zeros(24), dn))
            np.testing.assert_allclose(tangente[:, j], (su - sd) / (2 * h), rtol=1e-5, atol=1e-5 * abs(tangente).max())

    def test_umat_resin_stress_needing_conversion_is_refused(self, resin_model):
        # F21: spannung was updated in a temporary copy and the result lost.
        for bad in ([0.0] * 6, np.zeros(6, np.float32), np.zeros(6, np.int32), np.zeros(12)[::2]):
            with pytest.raises(REFUSED, match="`spannung'"):
                T.umat_resin(*umat_args(bad, np.zeros(24), self.DSTRAN))
        # A read-only array cannot take the result either.
        ro = np.zeros(6)
        ro.setflags(write=False)
        with pytest.raises(REFUSED, match="`spannung'"):
            T.umat_resin(*umat_args(ro, np.zeros(24), self.DSTRAN))

    def test_tangent_is_output_only(self, resin_model):
        with pytest.raises(TypeError):
            T.umat_resin(*umat_args(np.zeros(6), np.zeros(24), self.DSTRAN), tangente=np.eye(6))

    def test_four_components(self, resin_model):
        s4, s6 = np.zeros(4), np.zeros(6)
        d6 = self.DSTRAN.copy()
        d6[4:] = 0.0
        _, t4, *_ = T.umat_resin(*umat_args(s4, np.zeros(24), d6[:4], ntens=4))
        _, t6, *_ = T.umat_resin(*umat_args(s6, np.zeros(24), d6))
        np.testing.assert_array_equal(s4, s6[:4])
        np.testing.assert_allclose(t4, t6[:4, :4], rtol=1e-12, atol=1e-9)

    def test_usermat_resin_is_the_adapter_on_umat_resin(self, resin_model):
        def args(ncomp):
            ndir = 3 if ncomp > 3 else 2
            dstrain = np.array([1e-3, -2e-4, 1e-4, 3e-4, 2e-4, -1e-4])[:ncomp]
            return [1, 1, 1, 1, 1, 1, 1, ndir, ncomp - ndir, 0.0, 0.5, 300.0, 0.0, np.zeros(ncomp), np.zeros(24),
                    z(), z(), z(), np.zeros(ncomp), dstrain, np.zeros(ncomp), resin_props(), np.zeros(3), z(),
                    np.eye(3), np.eye(3), np.zeros(2)] + [z() for _ in range(8)]

        for ncomp in (6, 4, 3):
            a, b = args(ncomp), args(ncomp)
            ra = T.usermat_resin(*a)
            rb = _tolvek.wrapper.abq_umat_to_ansys_usermat(T.umat_resin, *b)
            for x, y in zip(ra, rb):
                np.testing.assert_array_equal(x, y)
            for k in (13, 14, 15, 26):  # stress, ustatev, sedel, tsstif updated in place
                np.testing.assert_array_equal(a[k], b[k])
            assert np.any(a[13] != 0.0) and a[14][0] == 1.0
        assert errstat() == 0, errtext()

    def test_resin_without_a_stiffness_is_refused_through_both_entries(self, resin_model):
        # Twenty properties: too few for model 1 (it used to come back with a zero stress and
        # tangent and only a warning).
        s, statev = np.ones(6), np.full(24, 0.5)
        args = umat_args(s, statev, self.DSTRAN)
        args[20] = resin_props()[:20]
        out, tangente, sse, spd, scd, pnewdt = T.umat_resin(*args)
        assert errstat() == -3 and "too few properties (21 needed)" in errtext(), errtext()
        np.testing.assert_array_equal(s, 1.0)
        np.testing.assert_array_equal(out, 0.5)
        np.testing.assert_array_equal(tangente, 0.0)
        assert (sse, spd, scd) == (0.0, 0.0, 0.0) and 0.0 < pnewdt <= 0.5
        stress, ustatev = np.ones(6), np.full(24, 0.5)
        keycut, dsdepl, _ = T.usermat_resin(1, 1, 1, 1, 1, 1, 1, 3, 3, 0.0, 0.5, 300.0, 0.0, stress, ustatev, z(),
                                            z(), z(), np.zeros(6), self.DSTRAN, np.zeros(6), resin_props()[:20],
                                            np.zeros(3), z(), np.eye(3), np.eye(3), np.zeros(2),
                                            *[z() for _ in range(8)])
        assert keycut == 1
        np.testing.assert_array_equal(stress, 1.0)
        np.testing.assert_array_equal(ustatev, 0.5)
        np.testing.assert_array_equal(dsdepl, 0.0)

    @pytest.mark.parametrize("viscosity,dtime", [(np.nan, 1.0), (0.1, np.nan)])
    def test_failed_point_without_viscosity_or_time_increment_is_not_regularised(self, resin_model,
                                                                                    viscosity, dtime):
        """Model 7, a failed point (slot 18 = 1) of degr 0.1: with a NaN viscosity or time increment
        the degradation routine gives no regularised factor. The point takes the unregularised one,
        1 - (1 - degr), as it always served, and reports it at -2: no NaN reaches its stress,
        tangent or state. Reference: the same point with viscosity 0 (dt degr / dt)."""
        def run(visc, dt):
            md.modelid = 7
            md.regularization = np.array([0.0, visc])
            s, statev = np.zeros(6), np.zeros(24)
            statev[16] = statev[17] = 1.0
            args = umat_args(s, statev, [1e-3, 0, 0, 0, 0, 0])
            args[12] = dt
            out, tangente, *_ = T.umat_resin(*args)
            return s, out, tangente

        s0, state0, tangent0 = run(0.0, 1.0)
        assert errstat() == 0, errtext()
        s, state, tangent = run(viscosity, dtime)
        assert errstat() == -2 and "viscosity or time increment not a number" in errtext()
        assert state[16] == 1 - (1 - 0.1) and state[17] == 1.0
        for got, ref in ((s, s0), (state, state0), (tangent, tangent0)):
            assert np.isfinite(got).all()
            np.testing.assert_allclose(got, ref, rtol=4 * np.finfo(float).eps, atol=0)
