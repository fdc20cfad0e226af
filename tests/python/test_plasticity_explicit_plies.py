"""Plasticity, porosity, hyperelastic and explicit ply material routines and the ply material's
entries for other solvers, called from Python with their call forms: results against numpy
references and closed forms."""
import math
import subprocess
import sys
import textwrap

import numpy as np
import pytest

import _tolvek
from ply_reference import nye_compliance
from error_record import errstat  # noqa: F401  (its fixture clears the record around each test)
from error_record import clean_record  # noqa: F401
from seeding import rng_seed

t = _tolvek.toplevel

NYE = np.array([140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3])


def umat_args(stress, statev, props, dstran, stran=None, ndi=3, step=True):
    n = len(stress)
    stran = np.zeros(n) if stran is None else stran
    head = [stress, statev, 0.5, 0.25, 0.125, 0.0, np.zeros(n), np.zeros(n), 0.0, stran, dstran, np.zeros(2), 1.0,
            0.0, 0.0, np.zeros(1), np.zeros(1), "MAT", ndi, n - ndi, props, np.zeros(3), np.eye(3), 1.0, 1.0,
            np.eye(3), np.eye(3), 1, 1, 1, 1]
    return head + ([np.array([1, 1, 0, 0], dtype=np.int32), 1] if step else [1])


class TestUmatHail:
    def test_pure_shear_on_a_perfectly_plastic_table(self):
        e, nu, s0 = 70000.0, 0.3, 250.0
        g = e / (2 * (1 + nu))
        dstran = np.array([0, 0, 0, 0.01, 0, 0.0])
        stress, statev, ddsdde, sse, spd, scd, pnewdt = t.umat_hail(
            *umat_args(np.zeros(6), np.zeros(13), np.array([e, nu, 1.0, s0, 0.0, s0, 1.0]), dstran))
        q = np.sqrt(3) * g * 0.01
        deqpl = (q - s0) / (3 * g)
        assert stress[3] == pytest.approx(s0 / np.sqrt(3), rel=1e-12)
        assert statev[12] == pytest.approx(deqpl, rel=1e-12)
        assert spd == pytest.approx(deqpl * s0, rel=1e-12)
        assert statev[9] == pytest.approx(np.sqrt(3) * deqpl, rel=1e-12)
        assert (sse, scd, pnewdt) == (0.5, 0.125, 1.0)

    def test_cut_off_latches_across_points_in_a_fresh_process(self):
        # The latch lives for the process: run it where no earlier call has set it.
        code = textwrap.dedent("""
            import numpy as np, _tolvek, sys
            sys.path.insert(0, %r)
            from test_plasticity_explicit_plies import umat_args
            t = _tolvek.toplevel
            props = np.array([70000.0, 0.3, 1.0, 100.0, 0.0, 100.0, 1.0])
            small = t.umat_hail(*umat_args(np.zeros(4), np.zeros(9), props, np.array([1e-5, 0, 0, 0.0])))[0]
            assert small[0] < 100.0, small
            t.umat_hail(*umat_args(np.zeros(6), np.zeros(13), props, np.full(6, 0.01) * [1, 1, 1, 0, 0, 0]))
            s = t.umat_hail(*umat_args(np.zeros(3), np.zeros(7), props, np.array([1e-6, 0, 1e-6]), ndi=2))[0]
            assert list(s) == [100.0, 100.0, 0.0], s
            off = np.array([70000.0, 0.3, 0.0, 100.0, 0.0])
            s = t.umat_hail(*umat_args(np.zeros(4), np.zeros(9), off, np.array([1e-5, 0, 0, 0.0])))[0]
            assert s[0] < 100.0, s
            print("ok")
        """ % str(__import__("pathlib").Path(__file__).parent))
        out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
        assert out.returncode == 0 and out.stdout.strip() == "ok", out.stderr


class TestUmatPorosity:
    def test_porous_point_takes_a_thousandth_of_the_stiffness(self):
        dstran = np.array([1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4])
        full = np.linalg.inv(nye_compliance(NYE))
        for flag, factor in ((0.999, 1.0), (1.0, 0.0010000000474974513), (0.0, 1.0)):
            s0 = np.array([1.0, 2.0, 3.0, 4.0, 5.0, 6.0])
            statev = np.array([flag, 7.0])
            stress, sv, ddsdde, sse, spd, scd, pnewdt = t.umat_porosity(
                *umat_args(s0.copy(), statev, NYE, dstran, step=False))
            np.testing.assert_allclose(ddsdde, full * factor, rtol=1e-12, atol=1e-12)
            np.testing.assert_allclose(stress, s0 + ddsdde @ dstran, rtol=1e-13)
            np.testing.assert_array_equal(sv, [flag, 7.0])
            assert (sse, spd, scd, pnewdt) == (0.0, 0.0, 0.0, 1.0)

    def test_zero_increment_keeps_the_stress(self):
        s0 = np.array([10.0, -20.0, 30.0])
        stress = t.umat_porosity(*umat_args(s0.copy(), np.ones(1), np.array([70e3, 0.3]), np.zeros(3), ndi=2,
                                            step=False))[0]
        np.testing.assert_array_equal(stress, s0)


def packed_upper(k):
    """The column-packed upper triangle of a symmetric matrix."""
    return np.array([k[i, j] for j in range(len(k)) for i in range(j + 1)])


class TestUmatHyper:
    def test_packed_stiffness_secant_stress_state_and_tangent(self):
        rng = np.random.default_rng(rng_seed(11))
        a = rng.normal(size=(6, 6))
        k = a @ a.T * 1e3 + np.eye(6) * 5e3
        stran, dstran = rng.normal(size=6) * 1e-3, rng.normal(size=6) * 1e-4
        for incoming in (k @ stran, np.full(6, 17.0)):  # consistent old stress, then an unrelated one
            statev = np.arange(30.0)
            stress, sv, ddsdde, sse, spd, scd, pnewdt = t.umat_hyper(
                *umat_args(incoming.copy(), statev, packed_upper(k), dstran, stran=stran))
            np.testing.assert_allclose(ddsdde, k, rtol=1e-10, atol=1e-9 * abs(k).max())
            np.testing.assert_allclose(stress, k @ (stran + dstran), rtol=1e-12)
            assert sse == pytest.approx(0.5 * stress @ (stran + dstran), rel=1e-12)
            np.testing.assert_array_equal(sv[:6], stress)
            np.testing.assert_array_equal(sv[6:], np.arange(6.0, 30.0))
            assert (spd, scd, pnewdt) == (0.0, 0.0, 1.0)

    def test_constants_and_plane_stress_state_slots(self):
        dstran = np.array([1e-3, -5e-4, 2e-3])
        stress, sv, ddsdde = t.umat_hyper(*umat_args(np.full(3, 99.0), np.full(8, -1.0), NYE, dstran, ndi=2))[:3]
        e1, e2, n12, g12 = NYE[0], NYE[1], NYE[3], NYE[6]
        n21 = n12 * e2 / e1
        q = np.array([[e1, n12 * e2, 0], [n12 * e2, e2, 0], [0, 0, g12 * (1 - n12 * n21)]]) / (1 - n12 * n21)
        np.testing.assert_allclose(ddsdde, q, rtol=1e-10)
        np.testing.assert_allclose(stress, q @ dstran, rtol=1e-12)
        np.testing.assert_array_equal(sv[[0, 1, 3]], stress)
        np.testing.assert_array_equal(sv[[2, 4, 5, 6, 7]], -1.0)

    def test_refused_property_forms(self):
        # A packed list that is no triangle of ntens, and table indices without a table.
        for props, statev in ((np.ones(20), np.zeros(30)), (np.ones(1), np.zeros(30)), (np.ones(1), np.zeros(5))):
            _tolvek.errorhandling.rsxerr(1)
            s0 = np.full(6, 3.0)
            stress, sv, ddsdde = t.umat_hyper(*umat_args(s0.copy(), statev, props, np.full(6, 1e-3)))[:3]
            np.testing.assert_array_equal(stress, s0)
            np.testing.assert_array_equal(ddsdde, 0.0)
            assert errstat() == -3

    def test_constants_from_the_material_table(self):
        md = _tolvek.materialdata
        pe = np.zeros((9, 2, 2), order="F")
        pe[:, 0, 0] = pe[:, 1, 1] = NYE * 3
        pe[:, 1, 0] = NYE  # ply 2, section 1
        md.peprops = pe
        try:
            statev = np.zeros(30)
            statev[20], statev[21] = 2.7, 1.0
            ddsdde = t.umat_hyper(*umat_args(np.zeros(6), statev, np.array([0.0]), np.zeros(6)))[2]
            np.testing.assert_allclose(ddsdde, np.linalg.inv(nye_compliance(NYE)), rtol=1e-10, atol=1e-6)
        finally:
            md.peprops = None


# Nye (11, 22, 33, 12, 13, 23) position of each component of the cyclic order (11, 22, 33, 12, 23, 13).
CYC = [0, 1, 2, 3, 5, 4]


class TestPlyForOtherSolvers:
    def test_usermat_lamina_is_the_ply_routine_in_cyclic_order(self):
        rng = np.random.default_rng(rng_seed(5))
        strain, dstrain = rng.normal(size=6) * 1e-3, rng.normal(size=6) * 1e-4
        z = lambda v=0.0: np.array(v)  # noqa: E731
        stress, ustatev, sedel = np.zeros(6), np.zeros(30), z()
        tsstif = np.zeros(2)
        keycut, dsdepl, epszz = t.usermat_lamina(
            1, 1, 1, 1, 1, 1, 1, 3, 3, 0.0, 1.0, 0.0, 0.0, stress, ustatev, sedel, z(), z(), strain, dstrain,
            np.zeros(6), NYE, np.zeros(3), z(), np.eye(3), np.eye(3), tsstif, *[z() for _ in range(8)])
        # The ply routine itself on the same point in Nye order.
        ref_stress, ref_statev, ref_dd = t.umat_lamina(*umat_args(np.zeros(6), np.zeros(30), NYE,
                                                                  dstrain[CYC], stran=strain[CYC]))[:3]
        assert keycut == 0
        np.testing.assert_allclose(stress, ref_stress[CYC], rtol=1e-13)
        np.testing.assert_allclose(dsdepl, ref_dd[np.ix_(CYC, CYC)], rtol=1e-13)
        np.testing.assert_allclose(ustatev, ref_statev, rtol=1e-13)
        assert float(sedel) == pytest.approx(0.5 * ref_stress @ (strain + dstrain)[CYC], rel=1e-12)

    def test_upermat_lamina_returns_each_points_ply_stress_and_state(self):
        rng = np.random.default_rng(rng_seed(6))
        npoint = 3
        stressold = np.asfortranarray(rng.normal(size=(npoint, 6)))
        straininc = np.asfortranarray(rng.normal(size=(npoint, 6)) * 1e-4)
        stateold = np.asfortranarray(np.tile(np.arange(30.0), (npoint, 1)))
        stressnew, statenew = t.upermat_lamina(stressold, stateold, straininc, NYE, 0.0, 1.0, 1.0, 1, 3, 3)
        for k in range(npoint):
            s, sv = t.umat_lamina(*umat_args(np.zeros(6), stateold[k].copy(), NYE, straininc[k]))[:2]
            np.testing.assert_allclose(stressnew[k], stressold[k] + s, rtol=1e-12, atol=1e-12)
            np.testing.assert_allclose(statenew[k], sv, rtol=1e-13)

    def test_hypela_lamina_answers_with_zeros(self):
        def call(ngens, e):
            return t.hypela_lamina(e, e * 0.1, np.zeros(2), np.zeros(2), 7, 1, 1, 1, 3, 3, np.zeros((3, 8)),
                                   np.zeros((3, 8)), np.zeros(24), *[np.eye(3)] * 2, np.ones(3), np.eye(3),
                                   *[np.eye(3)] * 2, np.ones(3), np.eye(3), 3, 3, 7, 1, 0, 0, 6,
                                   np.zeros(1, dtype=np.int32), np.zeros(1), "PLY", 3)
        for e in (np.zeros(6), np.full(6, 0.05), np.array([1.0, -2.0, 3.0, 0.5, 0.1, -0.2])):
            d, g, s, error_code = call(6, e)
            assert error_code == 0
            assert d.shape == (6, 6) and not d.any() and not g.any() and not s.any()
        d, g, s, error_code = call(0, np.zeros(0))
        assert error_code == 0 and d.size == g.size == s.size == 0


def _float_bits(x):
    return int(np.float64(x).view(np.int64))


def _bits_float(b):
    return float(np.int64(b).view(np.float64))


def vumat_args(props, straininc, stressold, nstatev=3, density=None, totaltime=1.0, stateold=None):
    nb, n = straininc.shape
    ndir = 3 if n != 3 else 2
    nshr = n - ndir
    z = lambda *s: np.zeros(s, order="F")  # noqa: E731
    stateold = z(nb, nstatev) if stateold is None else stateold
    density = np.ones(nb) if density is None else density
    return [ndir, 0, 0.0, totaltime, 1e-6, "PLY", z(nb, 3), np.ones((nb, 3), order="F"), props, density,
            straininc, z(nb, nshr), z(nb), z(nb, n), z(nb, n + nshr), z(nb, 1), stressold, stateold,
            np.full(nb, 2.0), np.full(nb, 5.0), z(nb), z(nb, n), z(nb, n + nshr), z(nb, 1)]


class TestVumatLamina:
    def test_isotropic_shear_energy_and_zero_state(self):
        e, nu, g = 70e3, 0.25, 70e3 / 2.5
        inc = np.asfortranarray([[0, 0, 0, 1e-3, 0, 0], [1e-4, -2e-4, 3e-4, 1e-4, 2e-4, -1e-4]])
        old = np.asfortranarray(np.arange(12.0).reshape(2, 6))
        stateold = np.asfortranarray(np.full((2, 4), 7.0))
        density = np.array([2.0, 4.0])
        stressnew, statenew, enerintern, enerinelas = t.vumat_lamina(
            *vumat_args(np.array([e, nu]), inc, old, nstatev=4, density=density, stateold=stateold))
        assert stressnew[0, 3] - old[0, 3] == pytest.approx(2 * g * 1e-3, rel=1e-13)
        # Stiffness in cyclic order, engineering shears from the tensor ones.
        lam = e * nu / ((1 + nu) * (1 - 2 * nu))
        c = np.diag([2 * g + lam] * 3 + [g] * 3)
        c[:3, :3] += lam * (1 - np.eye(3))
        eng = inc * [1, 1, 1, 2, 2, 2]
        np.testing.assert_allclose(stressnew, old + eng @ c, rtol=1e-12, atol=1e-9)
        np.testing.assert_allclose(enerintern, 2.0 + 0.5 * ((stressnew + old) * eng).sum(1) / density, rtol=1e-13)
        np.testing.assert_array_equal(statenew, 0.0)
        np.testing.assert_array_equal(enerinelas, 0.0)

    def test_plane_stress_points_get_their_thickness_strain(self):
        p = np.array([140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45])
        inc = np.asfortranarray([[1e-3, 2e-4, 0.5, 3e-4], [-2e-4, 1e-3, -0.5, 0.0]])
        old = np.asfortranarray(np.zeros((2, 4)))
        stressnew = t.vumat_lamina(*vumat_args(p, inc, old))[0]
        e1, e3, n13, n23, e2 = 140e3, 10e3, 0.3, 0.45, 10e3
        nu31, nu32 = n13 * e3 / e1, n23 * e3 / e2
        np.testing.assert_allclose(inc[:, 2], -(nu31 * stressnew[:, 0] + nu32 * stressnew[:, 1]) / e3, rtol=1e-13)
        np.testing.assert_array_equal(stressnew[:, 2], 0.0)
        # A full layout keeps the solver's increments.
        inc6 = np.asfortranarray(np.full((1, 6), 1e-4))
        t.vumat_lamina(*vumat_args(p, inc6, np.asfortranarray(np.zeros((1, 6)))))
        np.testing.assert_array_equal(inc6, 1e-4)


class TestVumatBogenfeld:
    def test_fibre_tension_initiates_from_the_start_stress(self):
        p = np.zeros(29)
        p[:9] = [140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45]
        p[[9, 10, 12, 13, 15, 16, 24, 25, 26, 27, 28]] = [2000, 1e5, 1500, 1e5, 1e5, 1e5, 100, 80, 0.5, 1, 1.5]
        stateold = np.asfortranarray(np.zeros((1, 47)))
        stateold[0, 18], stateold[0, 20] = 1.0, 0.02
        inc = np.asfortranarray(np.array([[1e-4, 0, 0, 0, 0, 0.0]]))
        old = np.asfortranarray(np.array([[2500.0, 0, 0, 0, 0, 0]]))
        stressnew, statenew, enerintern, enerinelas = t.vumat_bogenfeld(
            *vumat_args(p, inc, old, nstatev=47, stateold=stateold))
        assert statenew[0, 12] == pytest.approx(0.0201 / 1.5625, rel=1e-14)
        assert 0 < statenew[0, 0] < 0.999
        assert statenew[0, 20] == pytest.approx(0.0201, rel=1e-14)
        assert stressnew[0, 0] < 140e3 * 0.0201

    @staticmethod
    def fibre_tension_call(xc22):
        """The fibre tension point of the test above, with x12 = 1e5 and xc22 as given: (level,
        message, stateold, results)."""
        p = np.zeros(29)
        p[:9] = [140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45]
        p[[9, 10, 12, 13, 15, 16, 24, 25, 26, 27, 28]] = [2000, 1e5, 1500, xc22, 1e5, 1e5, 100, 80, 0.5, 1, 1.5]
        stateold = np.asfortranarray(np.zeros((1, 47)))
        stateold[0, 18], stateold[0, 20] = 1.0, 0.02
        a = vumat_args(p, np.asfortranarray([[1e-4, 0, 0, 0, 0, 0.0]]), np.asfortranarray([[2500.0, 0, 0, 0, 0, 0]]),
                       nstatev=47, stateold=stateold.copy(order="F"))
        _tolvek.errorhandling.rsxerr(1)
        out = t.vumat_bogenfeld(*a)
        level, text = errstat(), _tolvek.errorhandling.errstring[()].decode().strip()
        _tolvek.errorhandling.rsxerr(1)
        return level, text, stateold, out

    @pytest.mark.parametrize("xc22", [5e-324, -5e-324, -1e-310, 2.2250738585072014e-308, 1e-306, 1e-305])
    def test_an_xc22_whose_friction_overflows_gives_the_elastic_response_of_a_zero_strength(self, xc22):
        # The matrix criterion refuses an xc22 whose friction parameter eta_L = eta_T x12 / ST
        # overflows. The point declines its damage at entry, as for a zero strength: the elastic
        # trial, the state as it came (no fibre or crack state), the inelastic energy as it came.
        # A refusal met part way through the point let it write its damage state and energies.
        level, text, stateold, out = self.fibre_tension_call(xc22)
        assert level == -3 and "xc22" in text and text.endswith("elastic response"), text
        zero = self.fibre_tension_call(0.0)
        assert zero[0] == -3
        for got, want in zip(out, zero[3]):
            np.testing.assert_array_equal(got, want)
        np.testing.assert_array_equal(out[1], stateold)
        c = np.linalg.inv(nye_compliance(NYE))
        np.testing.assert_array_equal(out[2], [2.0 + 0.5 * 1e-4 * (2 * 2500.0 + c[0, 0] * 1e-4)])
        assert out[3][0] == 5.0

    def test_the_entry_declines_the_damage_exactly_where_the_matrix_criterion_refuses(self):
        # The entry's check and the criterion it runs (Wiegand's at its default angle, xt22, xc22,
        # x12) draw the line at the same xc22, to the last bit, around the overflow of eta_L; above
        # it the damage path runs at level 0 (the fibre tension point initiates).
        # the least xc22 whose eta_L is finite, located by bisection on the bit patterns
        finite = lambda b: math.isfinite(0.1433726928794039 * 1e5 / (_bits_float(b) / 2.6540896432408196))  # noqa: E731
        lo, hi = 1, _float_bits(1e-3)
        while hi - lo > 1:
            mid = (lo + hi) // 2
            lo, hi = (lo, mid) if finite(mid) else (mid, hi)
        xs = [_bits_float(b) for b in range(hi - 4, hi + 4)]
        refused = []
        for x in xs + [1e-303, 1e-300, 1e-3]:
            mc_level = (_tolvek.mccollection.mcrckwiegand(0.0, 0.0, 0.0, 0.0, 0.0, 1e5, x, 1e5), errstat())[1]
            _tolvek.errorhandling.rsxerr(1)
            level, text, _, out = self.fibre_tension_call(x)
            assert level == mc_level, (x, text)
            assert (out[1][0, 0] > 0.0) == (level == 0), x
            refused.append(level == -3)
        assert refused[:4] == [True] * 4 and not any(refused[4:])

    # Crack-plane toughnesses (opening, closing, shear) and element lengths chosen so that the
    # final strain is about three times the onset strain in each mode: the part of the softening
    # triangle beyond the damage cap of 0.99 is then below 0.1 % of it.
    CRACK_G = (0.15, 1.0, 1.0)
    CRACK_LENGTHS = (1.0, 0.5, 0.4)

    @staticmethod
    def crack_work(direction, steps):
        """Work of the stresses along a proportional strain path (tensor shears per step, cyclic
        order), trapezoid rule, until the crack damage reaches its cap; with the crack angle."""
        p = np.zeros(29)
        p[:9] = [140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45]
        p[[9, 10, 12, 13, 15, 16, 24, 25]] = [2000, 50, 1500, 200, 80, 80, 100, 80]
        p[26:29] = TestVumatBogenfeld.CRACK_G
        state = np.asfortranarray(np.zeros((1, 47)))
        state[0, 18] = 1.0
        stress = np.asfortranarray(np.zeros((1, 6)))
        inc = np.asarray(direction, float)
        work = 0.0
        for _ in range(steps):
            a = vumat_args(p, np.asfortranarray([inc]), stress, nstatev=47, stateold=state)
            a[7] = np.asfortranarray([TestVumatBogenfeld.CRACK_LENGTHS])
            new, state = t.vumat_bogenfeld(*a)[:2]
            work += 0.5 * np.dot(new[0] + stress[0], inc * [1, 1, 1, 2, 2, 2])
            stress = new
            if state[0, 2] >= 0.99:
                return work, state[0, 11]
        raise AssertionError("the crack did not reach its cap")

    @pytest.mark.parametrize("name,direction,angle,gc,length", [
        ("opening 22", [0, 1e-5, 0, 0, 0, 0], 0.0, CRACK_G[0], CRACK_LENGTHS[1]),
        ("shear 12", [0, 0, 0, 2.5e-5, 0, 0], 0.0, CRACK_G[2], CRACK_LENGTHS[1]),
        ("shear 13", [0, 0, 0, 0, 0, 2.5e-5], 90.0, CRACK_G[2], CRACK_LENGTHS[2])])
    def test_a_crack_takes_its_toughness_over_the_length_across_it_to_open_fully(self, name, direction, angle,
                                                                                 gc, length):
        work, phi = self.crack_work(direction, 3000)
        assert abs(np.sin(np.radians(phi - angle))) < 1e-9, name
        assert work == pytest.approx(gc / length, rel=4e-3), name

    # Elastic constants (E1, E2, E3, G12, G13, G23, nu12, nu13, nu23) of a glass and a carbon ply.
    PLIES = {"E-glass/LY556": [53.48e3, 17.7e3, 17.7e3, 5.83e3, 5.83e3, 6.32e3, 0.278, 0.278, 0.4],
             "T300/914C": [138e3, 11e3, 11e3, 5.5e3, 5.5e3, 3.93e3, 0.28, 0.28, 0.4]}
    # Proportional paths (tensor strains 22, 12, 13): opening with shear at tensor ratios 0.25 to 4,
    # the pure modes, and shear under a closing strain 22.
    MIXED = [[1, r, 0] for r in (0.25, 0.5, 0.75, 1, 1.5, 2, 4)]
    PURE = [[1, 0, 0], [0, 1, 0], [0, 0, 1]]
    CLOSED = [[-1, r, 0] for r in (0.5, 1, 2, 4)]

    @staticmethod
    def voigt_tensor(v):
        """3 x 3 tensor of a cyclic-order (11, 22, 33, 12, 23, 13) vector of tensor components."""
        return np.array([[v[0], v[3], v[5]], [v[3], v[1], v[4]], [v[5], v[4], v[2]]])

    @staticmethod
    def stiffness_tensor(elastic):
        """The fourth-order stiffness of the ply, from the inverse of its compliance."""
        nye = np.asarray(elastic)[[0, 1, 2, 6, 7, 8, 3, 4, 5]]
        c6 = np.linalg.inv(nye_compliance(nye))  # Nye order 11, 22, 33, 12, 13, 23 on engineering shears
        pairs = [(0, 0), (1, 1), (2, 2), (0, 1), (0, 2), (1, 2)]
        c4 = np.zeros((3, 3, 3, 3))
        for p, (i, j) in enumerate(pairs):
            for q, (k, m) in enumerate(pairs):
                for a, b, c, d in [(i, j, k, m), (j, i, k, m), (i, j, m, k), (j, i, m, k)]:
                    c4[a, b, c, d] = c6[p, q]
        return c4

    @classmethod
    def crack_energies(cls, elastic, paths):
        """All paths as one block of points, each along its direction in steps of 2e-5 (norm of the
        engineering strain) until its crack reaches the damage cap: the work of the stresses
        (trapezoid rule) less the elastic energy the stiffness a fully damaged crack keeps would
        hold at the final strain (a closed crack keeps its normal stiffness), over the mixed-mode
        toughness of the traction where the crack formed over the length across the crack plane,
        all from the ply's own compliance. Also the crack statuses."""
        nb, g, lengths = len(paths), cls.CRACK_G, cls.CRACK_LENGTHS
        p = np.zeros(29)
        p[:9] = elastic
        p[[9, 10, 12, 13, 15, 16, 24, 25]] = [2000, 50, 1500, 200, 80, 80, 100, 80]
        p[26:29] = g
        inc = np.zeros((nb, 6))
        inc[:, [1, 3, 5]] = paths
        inc = np.asfortranarray(2e-5 * inc / np.linalg.norm(inc * [1, 1, 1, 2, 2, 2], axis=1)[:, None])
        state = np.asfortranarray(np.zeros((nb, 47)))
        state[:, 18] = 1.0
        stress = np.asfortranarray(np.zeros((nb, 6)))
        work, onset, final = np.zeros(nb), [None] * nb, [None] * nb
        for _ in range(5000):
            a = vumat_args(p, inc, stress, nstatev=47, stateold=state)
            a[7] = np.asfortranarray(np.tile(lengths, (nb, 1)))
            new, state = t.vumat_bogenfeld(*a)[:2]
            open_ = np.array([f is None for f in final])
            work += open_ * 0.5 * np.einsum("ij,ij->i", new + stress, inc * [1, 1, 1, 2, 2, 2])
            stress = new
            for k in range(nb):
                if onset[k] is None and state[k, 9] >= 1.0:
                    onset[k] = state[k, 20:26].copy()
                if final[k] is None and state[k, 2] >= 0.99:
                    final[k] = state[k].copy()
            if all(f is not None for f in final):
                break
        assert all(f is not None for f in final), "a crack did not reach its cap"
        c4 = cls.stiffness_tensor(elastic)
        ratios = []
        for k in range(nb):
            assert final[k][0] == final[k][1] == 0.0  # no fibre damage on these paths
            phi = np.radians(final[k][11])
            r = np.array([[1, 0, 0], [0, np.cos(phi), -np.sin(phi)], [0, np.sin(phi), np.cos(phi)]])
            s0 = np.einsum("ijkl,kl->ij", c4, cls.voigt_tensor(onset[k]))
            tr = (r.T @ s0 @ r)[1]  # shear, normal, shear on the crack plane
            tn, tau2 = tr[1], tr[0] ** 2 + tr[2] ** 2
            gmix = (max(tn, 0) ** 2 * g[0] + min(tn, 0) ** 2 * g[1] + tau2 * g[2]) / (tn ** 2 + tau2)
            lm = lengths[1] / abs(np.cos(phi))
            if lm > np.hypot(lengths[1], lengths[2]):
                lm = lengths[2] / abs(np.sin(phi))
            # In the crack frame a crack degrades every component with an index along its normal;
            # a closed one (state 47 = -1) keeps the normal-normal ones.
            c4r = np.einsum("ai,bj,ck,dl,abcd->ijkl", r, r, r, r, c4)
            kept = np.ones((3, 3, 3, 3), bool)
            for i, j, m, n in np.ndindex(3, 3, 3, 3):
                kept[i, j, m, n] = 1 not in (i, j, m, n) or (final[k][46] == -1 and i == j and m == n)
            e = r.T @ cls.voigt_tensor(final[k][20:26]) @ r
            held = 0.5 * np.einsum("ij,ijkl,kl->", e, np.where(kept, c4r, 0.0), e)
            ratios.append((work[k] - held) / (gmix / lm))
        return np.array(ratios), np.array([f[46] for f in final])

    @pytest.mark.parametrize("ply", sorted(PLIES))
    def test_a_crack_dissipates_its_mixed_mode_toughness_over_the_length_in_every_mode_mix(self, ply):
        # The bilinear law's energy G_mix / l: what stays short of it is the part of the softening
        # triangle beyond the damage cap, below 0.3 % on these paths. A crack that took the norm
        # of its onset traction as onset stress fell short by the cosine between traction and
        # strain (to 0.81 under opening with shear, 0.64 in shear under a closing strain).
        ratios, status = self.crack_energies(self.PLIES[ply], self.MIXED + self.PURE + self.CLOSED)
        np.testing.assert_array_equal(status, [1] * 10 + [-1] * 4)
        np.testing.assert_allclose(ratios, 1.0, rtol=0, atol=5e-3)

    def test_a_cracked_point_refuses_what_it_cannot_use_and_keeps_what_came(self):
        # A mixed crack part way to its cap, then increments whose stress overflows or that are
        # not a number: level -3, and the stress, state and energies as they came.
        p = np.zeros(29)
        p[:9] = self.PLIES["T300/914C"]
        p[[9, 10, 12, 13, 15, 16, 24, 25]] = [2000, 50, 1500, 200, 80, 80, 100, 80]
        p[26:29] = self.CRACK_G
        state = np.asfortranarray(np.zeros((1, 47)))
        state[0, 18] = 1.0
        stress = np.asfortranarray(np.zeros((1, 6)))
        while state[0, 2] < 0.3:
            stress, state = t.vumat_bogenfeld(*vumat_args(p, np.asfortranarray([[0, 1e-5, 0, 1e-5, 0, 0]]), stress,
                                                          nstatev=47, stateold=state))[:2]
        for inc in ([0, 1e300, 0, 1e300, 0, 0], [0, 1e200, 0, -1e200, 0, 0], [0, 1e-5, 0, np.nan, 0, 0]):
            a = vumat_args(p, np.asfortranarray([inc]), stress, nstatev=47, stateold=state)
            new, st, ei, ee = t.vumat_bogenfeld(*a)
            assert errstat() == -3
            assert np.array_equal(new, stress) and np.array_equal(st, state) and (ei[0], ee[0]) == (2.0, 5.0)
            _tolvek.errorhandling.rsxerr(1)

    @pytest.mark.parametrize("nine", [True, False])
    def test_an_elastic_point_holds_its_work_and_dissipates_nothing(self, nine):
        # Nine elastic constants, or the full list at total time 0 (the solver's start call):
        # the elastic trial only. Over two increments the internal energy is 1/2 e.C.e of the
        # total strain, and no energy is inelastic.
        p = np.zeros(29)
        p[:9] = [140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45]
        p[[9, 10, 12, 13, 15, 16, 24, 25, 26, 27, 28]] = [2000, 50, 1500, 200, 80, 80, 100, 80, 0.5, 1, 1.5]
        if nine:
            p = p[:9]
        state = np.asfortranarray(np.zeros((1, 47)))
        state[0, 18] = 1.0
        c = np.linalg.inv(nye_compliance(NYE))[np.ix_([0, 1, 2, 3, 5, 4], [0, 1, 2, 3, 5, 4])]
        incs = [np.array([1e-3, 0, 0, 0, 0, 0]), np.array([2e-4, -3e-4, 1e-4, 4e-4, -2e-4, 1e-4])]
        stress, total, ei, ee = np.asfortranarray(np.zeros((1, 6))), np.zeros(6), np.zeros(1), np.zeros(1)
        for inc in incs:
            a = vumat_args(p, np.asfortranarray([inc]), stress, nstatev=47, stateold=state,
                           totaltime=1.0 if nine else 0.0)
            a[18], a[19] = ei, ee
            stress, _, ei, ee = t.vumat_bogenfeld(*a)
            total += inc
            eng = total * [1, 1, 1, 2, 2, 2]
            assert ei[0] == pytest.approx(0.5 * eng @ c @ eng, rel=1e-12)
            assert ee[0] == 0.0
