"""Solver material routines called from Python with their call forms: results against numpy
references, and the model tables they read."""
import numpy as np
import pytest

import _tolvek
from ply_reference import nye_compliance as compliance
from seeding import rng_seed

t = _tolvek.toplevel

NYE = np.array([140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3])


def umat_args(ntens=6, nstatv=30, props=NYE, stran=None, dstran=None, jstep=1):
    stran = np.zeros(ntens) if stran is None else stran
    dstran = np.zeros(ntens) if dstran is None else dstran
    return [np.zeros(ntens), np.zeros(nstatv), 0.0, 0.0, 0.0, 0.0, np.zeros(ntens), np.zeros(ntens), 0.0,
            stran, dstran, np.zeros(2), 1.0, 0.0, 0.0, np.zeros(1), np.zeros(1), "PLY", 3 if ntens > 3 else 2,
            ntens - 3 if ntens > 3 else 1, props, np.zeros(3), np.eye(3), 1.0, 1.0, np.eye(3), np.eye(3), 1, 1, 1,
            1, np.array([jstep, 1, 0, 0], dtype=np.int32), 1]


class TestUmatLamina:
    def test_stiffness_is_the_inverse_compliance_and_stress_is_secant(self):
        rng = np.random.default_rng(rng_seed(3))
        stran, dstran = rng.normal(size=6) * 1e-3, rng.normal(size=6) * 1e-4
        stress, statev, ddsdde, sse, spd, scd, pnewdt = t.umat_lamina(*umat_args(stran=stran, dstran=dstran))
        np.testing.assert_allclose(ddsdde, np.linalg.inv(compliance(NYE)), rtol=1e-12, atol=1e-9)
        np.testing.assert_allclose(stress, ddsdde @ (stran + dstran), rtol=1e-13)
        assert sse == pytest.approx(0.5 * stress @ (stran + dstran), rel=1e-13)
        assert (spd, scd, pnewdt) == (0.0, 0.0, 1.0)
        np.testing.assert_array_equal(statev[:6], stress)

    def test_constants_from_the_material_table(self):
        md = _tolvek.materialdata
        md.peprops = np.asfortranarray(np.stack([np.stack([NYE * 3, NYE * 3])] * 1 + [np.stack([NYE, NYE * 3])]
                                                ).transpose(2, 0, 1))  # (9, ply 2, sec 2): ply 2 sec 1 = NYE
        try:
            a = umat_args(props=np.array([-1.0]))
            a[1][20], a[1][21] = 2.9, 1.0
            ddsdde = t.umat_lamina(*a)[2]
            np.testing.assert_allclose(ddsdde, np.linalg.inv(compliance(NYE)), rtol=1e-12, atol=1e-9)
        finally:
            md.peprops = None


def usermat_args(stress, dstrain, ndirect=3, nshear=3, tsstif=None, sedel=None):
    z = lambda: np.zeros(())
    return [1, 1, 1, 1, 1, 1, 1, ndirect, nshear, 0.0, 1.0, 0.0, 0.0, stress, np.zeros(1),
            z() if sedel is None else sedel, z(), z(), np.zeros(len(stress)), dstrain, np.zeros(len(stress)), NYE,
            np.zeros(3), z(), np.eye(3), np.eye(3), np.zeros(2) if tsstif is None else tsstif] + [z() for _ in range(8)]


class TestFibreRoutines:
    def test_umat_fiber_exposure_from_python(self):
        props = np.concatenate([NYE, [1000.0, 600.0, 0.5]])
        dstran = compliance(NYE)[:, 0] * 500.0
        stress, statev, ddsdde, *_ = t.umat_fiber(*umat_args(nstatv=12, props=props, dstran=dstran))
        np.testing.assert_allclose(stress, [500.0, 0, 0, 0, 0, 0], atol=1e-9)
        assert statev[2] == pytest.approx(0.5) and statev[11] == np.finfo(float).max

    def test_usermat_fiber_updates_in_place_in_cyclic_order(self):
        stress, sedel, tsstif = np.zeros(6), np.zeros(()), np.zeros(2)
        dstrain = np.array([1e-3, 2e-4, -1e-4, 3e-4, 2e-4, 1e-4])
        keycut, dsdepl, epszz = t.usermat_fiber(*usermat_args(stress, dstrain, tsstif=tsstif, sedel=sedel))
        perm = [0, 1, 2, 3, 5, 4]
        c = np.linalg.inv(compliance(NYE))[np.ix_(perm, perm)]
        np.testing.assert_allclose(dsdepl, c, rtol=1e-12, atol=1e-9)
        np.testing.assert_allclose(stress, c @ dstrain, rtol=1e-12)
        assert sedel == pytest.approx(0.5 * stress @ dstrain)
        assert (keycut, epszz, tsstif[0]) == (0, 0.0, NYE[7])
        with pytest.raises(TypeError):  # an in-place argument that needs a conversion
            t.usermat_fiber(*usermat_args([0.0] * 6, dstrain))


class TestUmatLaminaBuckledPly:
    """A DIC step degrades the ply from its flags in the state vector: slot 12 marks a buckled
    sublaminate, slot 18 the stiffness fraction it keeps, slot 8 fibre failure. Expected stiffness
    from the compliance inverted by numpy and the factors worked out by hand."""

    def run(self, flags, rdisc):
        jd = _tolvek.jobdata
        jd.stepid = np.array([5], dtype=np.int32)       # step 1 is a DIC step
        try:
            a = umat_args(jstep=1)
            for k, v in flags.items():
                a[1][k - 1] = v
            a[1][17] = rdisc
            return t.umat_lamina(*a)[2]
        finally:
            jd.stepid = None

    def test_buckled_ply_keeps_its_residual_fraction_of_every_stiffness(self):
        intact = np.linalg.inv(compliance(NYE))
        for rdisc in (0.3, 0.05):
            np.testing.assert_allclose(self.run({12: 1.0}, rdisc), rdisc * intact, rtol=1e-12, atol=1e-12)
        # a fraction of 1 or more keeps the ply intact; a flag other than exactly 1 is not set
        np.testing.assert_allclose(self.run({12: 1.0}, 1.0), intact, rtol=1e-12, atol=1e-9)
        np.testing.assert_allclose(self.run({12: 0.999}, 0.3), intact, rtol=1e-12, atol=1e-9)

    def test_buckling_scales_the_factors_of_fibre_failure(self):
        # rule 5 of a tape ply with fibre failure: C11, C12, C13 halved, G12 and G23 to 1e-20;
        # the buckled ply then keeps 0.4 of each factor
        rdisc = 0.4
        factors = np.ones((6, 6))
        for i, j in ((0, 0), (0, 1), (1, 0), (0, 2), (2, 0)):
            factors[i, j] = 0.5
        factors[3, 3] = factors[5, 5] = 1e-20
        expected = np.linalg.inv(compliance(NYE)) * factors * rdisc
        np.testing.assert_allclose(self.run({8: 1.0, 12: 1.0}, rdisc), expected, rtol=1e-12, atol=1e-12)


class TestRefusedPoints:
    """A point a routine cannot evaluate from Python: stress and state kept, zero tangent, and a
    cut-back that a caller passing pnewdt = -1 ("no request") receives."""

    @pytest.mark.parametrize("props", [NYE[:3], np.where(np.arange(9) == 1, np.nan, NYE),
                                       np.where(np.arange(9) == 6, np.inf, NYE)])
    def test_umat_lamina_refuses_constants_without_a_finite_stiffness(self, props):
        a = umat_args(props=props, dstran=np.full(6, 1e-3))
        a[0][:] = [1, 2, 3, 4, 5, 6]
        a[1][:] = 0.5
        a[23] = -1.0  # pnewdt
        _tolvek.errorhandling.rsxerr(1)
        stress, statev, ddsdde, sse, spd, scd, pnewdt = t.umat_lamina(*a)
        message = bytes(_tolvek.errorhandling.errstring).rstrip(b" ").decode()
        assert int(_tolvek.errorhandling.errstat) == -3 and message.startswith("umat_lamina: ")
        _tolvek.errorhandling.rsxerr(1)
        np.testing.assert_array_equal(stress, [1, 2, 3, 4, 5, 6])
        np.testing.assert_array_equal(statev, np.full(30, 0.5))
        np.testing.assert_array_equal(ddsdde, np.zeros((6, 6)))
        assert pnewdt == 0.5 and np.isfinite(sse)

    def test_umat_porosity_with_a_zero_transverse_modulus(self):
        props = NYE.copy()
        props[1] = 0.0
        a = umat_args(nstatv=1, props=props, dstran=np.full(6, 1e-3))
        del a[-2]  # no step record
        a[0][:] = 7.0
        a[23] = -1.0
        _tolvek.errorhandling.rsxerr(1)
        stress, statev, ddsdde, sse, spd, scd, pnewdt = t.umat_porosity(*a)
        assert int(_tolvek.errorhandling.errstat) == -3
        _tolvek.errorhandling.rsxerr(1)
        np.testing.assert_array_equal(stress, np.full(6, 7.0))
        np.testing.assert_array_equal(ddsdde, np.zeros((6, 6)))
        assert pnewdt == 0.5
