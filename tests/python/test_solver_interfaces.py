"""Solver user-routine interfaces, through the probe module: the call form derived from each
interface's argument list is the call form of every routine of that interface, and values reach
the probe routines under the names the call form gives them."""
import re
from pathlib import Path

import numpy as np
import pytest
from seeding import rng_seed

p = pytest.importorskip("_tvkprobe")
s = p.tsolver

CALLFORMS = Path(__file__).resolve().parent / "data" / "callforms.tsv"

# Probe of each interface or variant -> the routines of the library written against it.
ROUTINES = {
    "umat": ["umat_lamina", "umat_fiber", "umat_krause", "umat_hyper"],
    "umatshokrieh": ["umat_shokrieh"],
    "umatprony": ["umat_prony"],
    "umatresin": ["umat_resin"],
    "umatinplace": ["umat_hail"],
    "umatnostep": ["umat_porosity"],
    "umatsensor": ["umat_sensor"],
    "vumat": ["vumat_cartesian"],
    "vumatplanestrain": ["vumat_bogenfeld", "vumat_lamina"],
    "vumatsensor": ["vumat_sensor"],
    "usermat": ["usermat_fiber", "usermat_prony", "usermat_resin", "usermat_lamina", "usermat_shokrieh"],
    "upermat": ["upermat_lamina"],
    "usdfld": ["usdfld_dmg"],
    "vusdfld": ["vusdfld_dmg"],
    "uel": ["uel_truss"],
    "uelimpact": ["uel_impact"],
    "vuel": ["vuel_truss"],
    "vuelimpact": ["vuel_impact"],
}
SOLVER_ROUTINE = re.compile(r"^(v?umat|usermat|upermat|v?usdfld|v?uel)_")


def toplevel_callforms():
    forms = {}
    for line in CALLFORMS.read_text().splitlines():
        ns, name, form = line.split("\t")
        if ns == "toplevel":
            forms[name] = form
    return forms


@pytest.mark.parametrize("probe,real", [(k, r) for k, v in ROUTINES.items() for r in v])
def test_call_form_is_that_of_the_routines_of_the_interface(probe, real):
    expected = re.sub(r"\b%s\(" % real, probe + "(", toplevel_callforms()[real])
    assert getattr(s, probe).__doc__.splitlines()[0] == expected


def test_every_solver_routine_has_an_interface():
    covered = {r for v in ROUTINES.values() for r in v}
    solver = {name for name in toplevel_callforms() if SOLVER_ROUTINE.match(name)}
    assert solver - covered == set()


def umat_inputs(ntens=6, nstatv=40, nprops=3):
    """Distinct values for every argument of the UMAT call form, by name."""
    rng = np.random.default_rng(rng_seed(7))
    return dict(
        stress=rng.normal(size=ntens), statev=np.zeros(nstatv), sse=0.25, spd=9.0, scd=9.0, rpl=1.5,
        ddsddt=np.full(ntens, 2.5), drplde=np.full(ntens, 3.5), drpldt=4.5, stran=rng.normal(size=ntens),
        dstran=rng.normal(size=ntens), time=np.array([5.5, 6.5]), dtime=7.5, temp=8.5, dtemp=9.5,
        predef=np.array([10.5]), dpred=np.array([11.5]), materl="PLY_m@3", ndi=3, nshr=ntens - 3,
        props=np.arange(1.0, nprops + 1) * 100.0, coords=np.array([1.0, 2.0, 12.5]),
        drot=np.arange(9.0).reshape(3, 3), pnewdt=1.0, celent=13.5, dfgrd0=np.arange(9.0).reshape(3, 3) + 20,
        dfgrd1=np.arange(9.0).reshape(3, 3) + 40, noel=14, npt=15, kslay=16, kspt=17,
        jstep=np.array([1, 2, 3, 18], dtype=np.int32), kinc=19)


class TestUmatProbe:
    def test_every_argument_reaches_its_place(self):
        a = umat_inputs()
        stress, statev, ddsdde, sse, spd, scd, pnewdt = s.umat(**a)
        ntens, nprops = 6, 3
        expected = [a["rpl"], a["ddsddt"][0], a["drplde"][0], a["drpldt"], a["stran"][0], a["dstran"][0],
                    a["time"][0], a["time"][1], a["dtime"], a["temp"], a["dtemp"], a["predef"][0],
                    a["dpred"][0], ord("P"), 80, a["ndi"], a["nshr"], ntens, 40, a["props"][-1], nprops,
                    a["coords"][2], a["drot"][2, 1], a["celent"], a["dfgrd0"][0, 1], a["dfgrd1"][1, 0],
                    a["noel"], a["npt"], a["kslay"], a["kspt"], a["jstep"][3], a["kinc"]]
        np.testing.assert_array_equal(statev[:32], expected)
        np.testing.assert_array_equal(statev[32:], -1.0)
        e = a["props"][0]
        np.testing.assert_allclose(stress, a["stress"] + e * a["dstran"], rtol=1e-15)
        np.testing.assert_array_equal(ddsdde, e * np.eye(ntens))
        assert sse == pytest.approx(0.25 + stress @ a["dstran"], rel=1e-14)
        assert (spd, scd, pnewdt) == (1.5, 2.5, 0.5)

    def test_reduced_stress_state_sized_by_its_arrays(self):
        a = umat_inputs(ntens=4, nstatv=20, nprops=1)
        stress, statev, ddsdde, *_ = s.umat(**a)
        assert ddsdde.shape == (4, 4) and statev.shape == (20,)
        assert (statev[17], statev[18], statev[19]) == (4, 20, 100.0)  # ntens, nstatv, props[-1]
        np.testing.assert_allclose(stress, a["stress"] + 100.0 * a["dstran"], rtol=1e-15)

    def test_copy_rules_of_the_variants(self):
        a = umat_inputs()
        stress0 = a["stress"].copy()
        out = s.umat(**a)[0]
        assert out is not a["stress"] and np.array_equal(a["stress"], stress0)
        out = s.umat(**a, overwrite_stress=1)[0]
        assert out is a["stress"]
        # The in-place variant updates the caller's compatible array without being asked.
        a = umat_inputs()
        assert s.umatinplace(**a)[0] is a["stress"]


class TestBlockProbes:
    @pytest.mark.parametrize("ndir,nshr", [(3, 3), (3, 1)])
    def test_vumat_block_extents(self, ndir, nshr):
        nblock, ntens, nstatev = 3, ndir + nshr, 5
        rng = np.random.default_rng(rng_seed(ntens))
        blk = lambda *cols: np.asfortranarray(rng.normal(size=(nblock,) + cols))
        stressold, straininc, stateold = blk(ntens), blk(ntens), blk(nstatev)
        density = rng.uniform(1, 2, nblock)
        stressnew, statenew, enerinternnew, enerinelasnew = s.vumat(
            ndir, 0, 0.5, 1.5, 0.1, "MAT", blk(3), blk(3), np.ones(4), density, straininc, blk(nshr),
            blk(), blk(ntens), blk(ntens + nshr), blk(2), stressold, stateold, blk(), blk(), blk(), blk(ntens),
            blk(ntens + nshr), blk(2))
        np.testing.assert_array_equal(stressnew, stressold + straininc)
        np.testing.assert_array_equal(statenew, stateold)
        np.testing.assert_array_equal(enerinternnew, density)
        np.testing.assert_array_equal(enerinelasnew, 0.0)

    def test_uel_right_hand_sides_and_matrix(self):
        ndofel, nrhs, mlvarx = 6, 2, 8
        du = np.asfortranarray(np.arange(mlvarx * nrhs, dtype=float).reshape(mlvarx, nrhs))
        rhs, amatrx, svars, energy, pnewdt = s.uel(
            np.zeros(4), np.zeros(8), nrhs, np.ones(3), np.zeros((3, 2)), np.zeros(ndofel), du, np.zeros(ndofel),
            np.zeros(ndofel), 1, np.zeros(2), 0.1, 1, 1, 7, np.zeros(3), 0, np.zeros(1, np.int32), np.zeros(1),
            np.zeros((2, 1, 2)), np.zeros(5, np.int32), np.zeros(1), 1.0, np.zeros(1, np.int32), 0.0)
        np.testing.assert_array_equal(rhs, du)
        i, j = np.indices((ndofel, ndofel))
        np.testing.assert_array_equal(amatrx, 10 * i + j)
