"""Solver-interface adapters from Python: a material routine of one interface (a routine of the
module, a capsule or a Python callable) serving another, against numpy references."""
import numpy as np
import pytest

import _tolvek
from ply_reference import nye_compliance as compliance
from seeding import rng_seed

w, t = _tolvek.wrapper, _tolvek.toplevel
HUGE = np.finfo(float).max
NYE = np.array([140e3, 9e3, 9.5e3, 0.3, 0.28, 0.45, 5e3, 4.5e3, 3e3])
CYC = [0, 1, 2, 3, 5, 4]  # cyclic position of each Nye component (its own inverse)
C = np.linalg.inv(compliance(NYE))


def umat_inputs(ntens=6, nstatv=8, materl="PLY", stran=None, dstran=None, jstep=(3, 1, 0, 0)):
    """The UMAT call-form inputs after dfunc, up to kinc."""
    z = lambda: np.zeros(())
    ndi = 3 if ntens > 3 else 2
    return [np.zeros(ntens), np.zeros(nstatv), z(), z(), z(), 0.0, np.zeros(ntens), np.zeros(ntens), 0.0,
            np.zeros(ntens) if stran is None else stran, np.zeros(ntens) if dstran is None else dstran,
            np.array([0.5, 2.5]), 0.1, 20.0, 1.0, np.zeros(1), np.zeros(1), materl, ndi, ntens - ndi, NYE,
            np.zeros(3), np.eye(3), z(), 1.0, np.eye(3), np.eye(3), 11, 12, 13, 14,
            np.array(jstep, dtype=np.int32), 15]


def usermat_inputs(ncomp=6, ndirect=3, strain=None, dstrain=None, stress=None):
    """The USERMAT call-form inputs after dfunc."""
    z = lambda: np.zeros(())
    return ([7, 21, 22, 23, 24, 4, 5, ndirect, ncomp - ndirect, 2.5, 0.1, 20.0, 1.0,
             np.zeros(ncomp) if stress is None else stress, np.zeros(8), z(), z(), z(),
             np.zeros(ncomp) if strain is None else strain, np.zeros(ncomp) if dstrain is None else dstrain,
             np.zeros(ncomp), NYE, np.zeros(3), z(), np.eye(3), np.eye(3), np.zeros(2)] + [z() for _ in range(8)])


class Recorder:
    """A UMAT-style callable: a linear secant law of stiffness C (Nye order), recording what it
    was handed."""

    def __init__(self):
        self.seen = []

    def __call__(self, stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time,
                 dtime, temp, dtemp, predef, dpred, materl, ndi, nshr, props, coords, drot, pnewdt, celent,
                 dfgrd0, dfgrd1, noel, npt, kslay, kspt, jstep, kinc, ntens, nstatv, nprops):
        self.seen.append(dict(stress=stress.copy(), stran=stran.copy(), dstran=dstran.copy(), time=time.copy(),
                              materl=materl, ndi=ndi, nshr=nshr, ntens=ntens, jstep=jstep.copy(), kinc=kinc,
                              noel=noel, npt=npt, kslay=kslay, kspt=kspt, pnewdt=float(pnewdt), celent=celent))
        ddsdde[:] = C
        stress[:] = C @ (stran + dstran)
        sse[...] = 0.5 * stress @ (stran + dstran)
        statev[0] += 1.0


class TestAbqUmatToAnsysUsermat:
    def test_cyclic_order_in_and_out_and_what_the_umat_is_handed(self):
        rec = Recorder()
        strain = np.array([1e-3, 2e-3, 3e-3, 4e-3, 5e-3, 6e-3])  # (e11, e22, e33, g12, g23, g13)
        a = usermat_inputs(dstrain=strain)
        keycut, dsdepl, epszz = w.abq_umat_to_ansys_usermat(rec, *a)
        seen = rec.seen[0]
        np.testing.assert_array_equal(seen["dstran"], strain[CYC])  # reaches the UMAT in Nye order
        np.testing.assert_allclose(a[13], (C @ strain[CYC])[CYC], rtol=1e-14)  # stress back in cyclic
        np.testing.assert_allclose(dsdepl, C[np.ix_(CYC, CYC)], rtol=1e-14)
        assert seen["materl"] == "ABQ_WRAPPER".ljust(80)
        np.testing.assert_array_equal(seen["jstep"], [4, 2147483647, 1, 0])
        np.testing.assert_array_equal(seen["time"], [2.5, HUGE])
        assert (seen["ndi"], seen["nshr"], seen["ntens"]) == (3, 3, 6)
        assert (seen["noel"], seen["npt"], seen["kslay"], seen["kspt"], seen["kinc"]) == (21, 22, 23, 24, 5)
        assert (seen["pnewdt"], seen["celent"]) == (1.0, 1.0)
        assert keycut == 0 and a[14][0] == 1.0

    def test_umat_lamina_plane_stress_thickness_strain_and_shear_stiffnesses(self):
        e1, e2, e3, n12, n13, n23, g12, g13, g23 = NYE
        a = usermat_inputs(ncomp=3, ndirect=2, dstrain=np.array([1e-3, 2e-3, 1e-3]))
        keycut, dsdepl, epszz = w.abq_umat_to_ansys_usermat(t.umat_lamina, *a)
        s = a[13]
        assert epszz == pytest.approx(-(n13 / e1) * s[0] - (n23 / e2) * s[1], rel=1e-12)
        np.testing.assert_allclose(a[26], [g13, g23], rtol=1e-12)
        a6 = usermat_inputs(dstrain=np.full(6, 1e-4))
        a6[26][:] = [-1.0, -2.0]
        _, _, epszz6 = w.abq_umat_to_ansys_usermat(t.umat_lamina, *a6)
        np.testing.assert_allclose(a6[26], [g13, -2.0], rtol=1e-12)  # only tsstif(1) with six components

    def test_a_tangent_that_cannot_be_inverted_leaves_the_stiffnesses_as_they_came(self):
        def zero_law(stress, statev, ddsdde, *rest):
            ddsdde[:] = 0.0
            stress[:] = 0.0
        a = usermat_inputs(ncomp=3, ndirect=2)
        a[26][:] = [7.0, 8.0]
        _tolvek.errorhandling.rsxerr(1)
        keycut, dsdepl, epszz = w.abq_umat_to_ansys_usermat(zero_law, *a)
        np.testing.assert_array_equal(a[26], [7.0, 8.0])
        assert epszz == 0.0 and _tolvek.errorhandling.errstat != 0
        _tolvek.errorhandling.rsxerr(1)

    def test_a_routine_of_the_module_a_capsule_and_a_callable_agree(self):
        dstrain = np.array([1e-3, -2e-4, 3e-4, 1e-4, -2e-4, 5e-4])
        results = []
        for f in (t.umat_lamina, t.umat_lamina._cpointer, Recorder()):
            a = usermat_inputs(dstrain=dstrain.copy())
            keycut, dsdepl, epszz = w.abq_umat_to_ansys_usermat(f, *a)
            results.append((a[13].copy(), dsdepl.copy()))
        for s, d in results:
            np.testing.assert_allclose(s, (C @ dstrain[CYC])[CYC], rtol=1e-12)
            np.testing.assert_allclose(d, C[np.ix_(CYC, CYC)], rtol=1e-12)
        np.testing.assert_array_equal(results[1][0], results[0][0])

    def test_cut_back_asked_for_by_the_umat_becomes_keycut(self):
        def cutting(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time,
                    dtime, temp, dtemp, predef, dpred, materl, ndi, nshr, props, coords, drot, pnewdt, *rest):
            pnewdt[...] = 0.5
        keycut, dsdepl, epszz = w.abq_umat_to_ansys_usermat(cutting, *usermat_inputs())
        assert keycut == 1


class TestAnsysUsermatToAbqUmat:
    @pytest.mark.parametrize("name,matid", [("PLY_m@3@", 3), ("PLY", 1), ("PLY_m@0@", 1), ("PLY_m@x@", 1)])
    def test_material_id_from_the_name(self, name, matid):
        seen = {}

        def law(matid_, elemid, kdomintpt, klayer, ksectpt, ldstep, isubst, keycut, ndirect, nshear, time, *rest):
            seen.update(matid=matid_, ldstep=ldstep, time=time, elemid=elemid, isubst=isubst,
                        ndirect=ndirect, nshear=nshear)
        a = umat_inputs(materl=name)
        w.ansys_usermat_to_abq_umat(law, *a)
        assert seen["matid"] == matid
        assert (seen["ldstep"], seen["time"], seen["elemid"], seen["isubst"]) == (3, 0.5, 11, 15)
        assert (seen["ndirect"], seen["nshear"]) == (3, 3)

    def test_usermat_fiber_as_a_umat_updates_in_place_and_returns_the_tangent(self):
        dstran = np.array([1e-3, -2e-4, 3e-4, 1e-4, -2e-4, 5e-4])
        a = umat_inputs(dstran=dstran)
        a[23][...] = 0.25  # pnewdt: reset to 1 by the adapter
        ddsdde = w.ansys_usermat_to_abq_umat(t.usermat_fiber, *a)
        np.testing.assert_allclose(ddsdde, C, rtol=1e-12)
        np.testing.assert_allclose(a[0], C @ dstran, rtol=1e-12)
        assert a[2] == pytest.approx(0.5 * a[0] @ dstran)
        assert a[23] == 1.0

    def test_in_place_arguments_that_need_a_conversion_are_refused(self):
        # The stress would be updated in a converted copy and lost: a list and an array of
        # another type are refused, as the module's error and the binding's own type.
        for stress, error in (([0.0] * 6, TypeError), (np.zeros(6, dtype=np.float32), ValueError)):
            a = umat_inputs()
            a[0] = stress
            with pytest.raises(error, match="stress") as got:
                w.ansys_usermat_to_abq_umat(t.usermat_fiber, *a)
            assert isinstance(got.value, _tolvek.error)


class TestMuesliToAbqUmat:
    def test_four_components_reach_the_routine_as_six_through_the_axis_swap(self):
        seen = {}

        def law(matid, stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time,
                dtime, temp, dtemp, predef, dpred, materl, ndi, nshr, *rest):
            seen.update(matid=matid, dstran=dstran.copy(), ndi=ndi, nshr=nshr, ntens=rest[-3])
            ddsdde[:] = C
            stress[:] = C @ (stran + dstran)
            return statev + 2.0, 1.5, 2.5, 3.5, 0.25
        dstran = np.array([1e-3, 2e-3, 3e-3, 4e-3])  # element (11, 22, 33, 12)
        a = umat_inputs(ntens=4, dstran=dstran)
        a[18], a[19] = 3, 1
        stress, statev, ddsdde, sse, spd, scd, pnewdt = w.muesli_to_abq_umat(law, *a, 9)
        np.testing.assert_array_equal(seen["dstran"], [1e-3, 3e-3, 2e-3, 0, 4e-3, 0])  # 3-D (11, 33, 22, 13)
        assert (seen["matid"], seen["ndi"], seen["nshr"], seen["ntens"]) == (9, 3, 3, 6)
        assert ddsdde.shape == (4, 4)
        swap = [0, 2, 1, 4]
        np.testing.assert_allclose(ddsdde, C[np.ix_(swap, swap)], rtol=1e-14)
        np.testing.assert_allclose(stress, (C @ seen["dstran"])[swap], rtol=1e-14)
        np.testing.assert_array_equal(statev, np.full(8, 2.0))
        assert (sse, spd, scd, pnewdt) == (1.5, 2.5, 3.5, 0.25)


class TestAbqUmatToPeridigmUpermat:
    def test_each_point_returns_old_stress_plus_stiffness_times_increment(self):
        rng = np.random.default_rng(rng_seed(4))
        so, d = rng.normal(size=(3, 6)) * 10.0, rng.normal(size=(3, 6)) * 1e-3
        stressnew, statenew = w.abq_umat_to_peridigm_upermat(t.umat_lamina, so, np.zeros((3, 8)), d, NYE, 0.5,
                                                              1.5, 0.1, 1, 3, 3)
        np.testing.assert_allclose(stressnew, so + d @ C.T, rtol=1e-12)
        np.testing.assert_allclose(statenew[:, :6], d @ C.T, rtol=1e-12)  # umat_lamina's stress slots

    def test_the_routine_sees_zero_total_strain_and_the_wrapper_values(self):
        rec = Recorder()
        d = np.full((2, 6), 1e-3)
        w.abq_umat_to_peridigm_upermat(rec, np.ones((2, 6)), np.zeros((2, 4)), d, NYE, 0.5, 1.5, 0.1, 6, 3, 3)
        assert len(rec.seen) == 2
        for seen in rec.seen:
            np.testing.assert_array_equal(seen["stran"], np.zeros(6))
            np.testing.assert_array_equal(seen["stress"], np.ones(6))
            np.testing.assert_array_equal(seen["time"], [0.5, 1.5])
            np.testing.assert_array_equal(seen["jstep"], [1, 2147483647, 1, 0])
            assert (seen["noel"], seen["kinc"], seen["materl"].strip()) == (1, 1, "ABQ_WRAPPER")


class TestRoutineArgument:
    def test_reentrant_adapter_python_adapter(self):
        # A USERMAT callable that itself runs umat_lamina through the adapter of the other
        # direction, inside an adapter call.
        def usermat(matid, elemid, kdomintpt, klayer, ksectpt, ldstep, isubst, keycut, ndirect, nshear, time, dtime,
                    temp, dtemp, stress, ustatev, dsdepl, sedel, sedpl, epseq, strain, dstrain, epspl, prop, coords,
                    var0, defgrad_t, defgrad, tsstif, epszz, var1, var2, var3, var4, var5, var6, var7, var8, ncomp,
                    nstatev, nprop):
            k, d, e = w.abq_umat_to_ansys_usermat(t.umat_lamina, matid, elemid, kdomintpt, klayer, ksectpt, ldstep,
                                                  isubst, ndirect, nshear, time, dtime, temp, dtemp, stress, ustatev,
                                                  sedel, sedpl, epseq, strain, dstrain, epspl, prop, coords, var0,
                                                  defgrad_t, defgrad, tsstif, var1, var2, var3, var4, var5, var6,
                                                  var7, var8)
            dsdepl[...] = d
            captured[...] = d

        captured = np.zeros((6, 6))
        dstran = np.array([1e-3, -2e-4, 3e-4, 1e-4, -2e-4, 5e-4])
        a = umat_inputs(dstran=dstran)
        ddsdde = w.ansys_usermat_to_abq_umat(usermat, *a)
        np.testing.assert_allclose(a[0], C @ dstran, rtol=1e-12)
        np.testing.assert_allclose(captured, C[np.ix_(CYC, CYC)], rtol=1e-12)
        np.testing.assert_allclose(ddsdde, C, rtol=1e-12)

    def test_an_exception_in_the_routine_reaches_the_caller(self):
        def failing(*args):
            raise KeyError("inside the material routine")
        with pytest.raises(KeyError, match="inside the material routine"):
            w.abq_umat_to_ansys_usermat(failing, *usermat_inputs())

    def test_extra_arguments_are_handed_after_the_routine_arguments(self):
        got = []

        def law(*args):
            got.append(args[-2:])
        w.abq_umat_to_ansys_usermat(law, *usermat_inputs(), dfunc_extra_args=("a", 2))
        assert got == [("a", 2)]
