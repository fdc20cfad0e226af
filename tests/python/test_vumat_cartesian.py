"""The explicit orthotropic damage material through its Python call form."""
import numpy as np

import _tolvek
from error_record import clean_record, errstat, errtext  # noqa: F401
from seeding import rng_seed

t = _tolvek.toplevel
NSV = 82


def ply(**changes):
    p = np.zeros(39)
    p[0:9] = 1e5, 8000, 8000, 4000, 4000, 3000, 0.3, 0.25, 0.4
    p[9:18] = 1000, 50, 50, -800, 150, 150, 60, 60, 40
    p[18:20] = 9e4, 9000
    p[24:29] = 100, 80, 0.3, 1.0, 0.3
    p[32], p[33], p[37] = 1, 2, 1
    for k, v in changes.items():
        p[int(k[1:])] = v
    return p


def call(props, straininc, stressold, stateold, totaltime, dt=1e-6, charlength=1.0, density=1.0, ener=None):
    nblock = straininc.shape[0]
    z = np.zeros
    ener = z(nblock) if ener is None else ener
    return t.vumat_cartesian(3, 0, totaltime, totaltime, dt, "PLY", z((nblock, 3)),
                             np.full((nblock, 3), charlength), props, np.full(nblock, density), straininc,
                             z((nblock, 3)), z(nblock), z((nblock, 6)), z((nblock, 9)), z((nblock, 1)), stressold,
                             stateold, ener, z(nblock), z(nblock), z((nblock, 6)), z((nblock, 9)), z((nblock, 1)))


def test_initial_call_is_the_inverted_compliance_of_the_mean_moduli():
    p = ply()
    rng = np.random.default_rng(rng_seed(3))
    e = rng.uniform(-1e-4, 1e-4, (4, 6))
    stress, state, ener, inel = call(p, e, np.zeros((4, 6)), np.ones((4, NSV)), 0.0)
    E1, E2, E3 = (1e5 + 9e4) / 2, (8000 + 9000) / 2, 8000
    nu12, nu13, nu23 = 0.3, 0.25, 0.4
    S = np.array([[1 / E1, -nu12 / E1, -nu13 / E1], [-nu12 / E1, 1 / E2, -nu23 / E2], [-nu13 / E1, -nu23 / E2, 1 / E3]])
    C = np.zeros((6, 6))
    C[:3, :3] = np.linalg.inv(S)
    C[3, 3], C[4, 4], C[5, 5] = 2 * 4000, 2 * 3000, 2 * 4000   # cyclic 12, 23, 13, tensor shears
    np.testing.assert_allclose(stress, e @ C.T, rtol=1e-12, atol=1e-12 * abs(stress).max())
    np.testing.assert_array_equal(state[:, 20:26], e)
    np.testing.assert_array_equal(state[:, 38:44], e)
    assert not state[:, :18].any() and not state[:, 26:38].any()
    # Internal energy: work of the mean stress over the increment (shears counted twice).
    m = 0.5 * stress
    work = (m[:, :3] * e[:, :3]).sum(1) + 2 * (m[:, 3:] * e[:, 3:]).sum(1)
    np.testing.assert_allclose(ener, work, rtol=1e-14)


def test_block_rows_are_independent_points():
    p = ply(p33=1, p38=1)
    rng = np.random.default_rng(rng_seed(4))
    n = 5
    e = rng.uniform(-1e-4, 1e-4, (n, 6))
    stress, state, ener, inel = call(p, e, np.zeros((n, 6)), np.ones((n, NSV)), 0.0)
    for step in range(40):
        de = np.tile(rng.uniform(-1e-3, 3e-3, 6), (n, 1))
        de[n - 1] *= -1
        out = call(p, de, stress, state, 1.0 + step, ener=ener)
        for k in range(n):
            one = call(p, de[k:k + 1], stress[k:k + 1], state[k:k + 1], 1.0 + step, ener=ener[k:k + 1])
            for a, b in zip(out, one):
                np.testing.assert_array_equal(a[k], b[0])
        stress, state, ener, inel = out
    assert state[:, 9:18].max() > 0


def test_short_property_list_is_reported():
    e = np.full((1, 6), 1e-3)
    stress, state, ener, inel = call(ply()[:20], e, np.zeros((1, 6)), np.ones((1, NSV)), 1.0)
    assert np.isfinite(stress).all()
    assert errstat() == -3
    assert errtext() == "vumat_cartesian: fewer than 39 properties; elastic response without damage"


def started(p, nblock=1):
    """A block after the solver's initial call at zero strain (element status 1)."""
    state = np.zeros((nblock, NSV))
    state[:, 18] = 1.0
    z = np.zeros((nblock, 6))
    return call(p, z, z, state, 0.0)


def test_overflowing_point_keeps_its_old_values_and_is_reported():
    p = ply(p6=0, p7=0, p8=0)
    stress, state, ener, inel = started(p, 2)
    stress = stress + [[1, 2, 3, 4, 5, 6], [7, 8, 9, 10, 11, 12]]
    ener = np.array([1.0, 2.0])
    de = np.zeros((2, 6))
    de[:, 0] = 1e-3
    de[1, 0] = 1e300
    out = call(p, de, stress, state, 1.0, ener=ener)
    assert errstat() == -3
    assert errtext() == "vumat_cartesian: result not finite; point keeps its old stress and state"
    np.testing.assert_array_equal(out[0][1], stress[1])
    np.testing.assert_array_equal(out[1][1], state[1])
    assert out[2][1] == 2.0
    assert out[0][0, 0] == 1e5 * 1e-3
    assert all(np.isfinite(a).all() for a in out)


def test_singular_damaged_compliance_at_the_trial_or_after_the_damage_update_refuses_the_point():
    # Poisson's ratio 12 of 1 (13 and 23 of 0) and E2 = E1 / (1 - 0.999): the normal compliance
    # block has the determinant 1 - a1 E2 / E1 with a1 = 1 - d11, nonzero undamaged (1 - 1000)
    # and at d11 = 0.5, and exactly 0 at d11 = 0.999, the cap of fibre tension.
    y = 1.0 / (1.0 - 0.999)
    assert 1.0 - (1.0 - 0.999) * y == 0.0 and 1.0 - (1.0 - 0.5) * y != 0.0
    p = ply(p0=65536.0, p18=65536.0, p1=65536.0 * y, p19=65536.0 * y, p6=1.0, p7=0.0, p8=0.0)
    trial = np.zeros((1, NSV))
    trial[0, [0, 18, 20]] = 0.999, 1.0, 0.03               # stored fibre-tension damage at its cap
    update = np.zeros((1, NSV))
    update[0, [0, 9, 18, 20, 44, 53]] = 0.5, 0.5, 1.0, 0.03, 0.01, 0.02  # softening past its final strain
    for state in (trial, update):
        stressold = np.array([[1.0, 2.0, 3.0, 4.0, 5.0, 6.0]])
        _tolvek.errorhandling.rsxerr(1)
        stress, out, ener, inel = call(p, np.array([[1e-3, 0, 0, 0, 0, 0]]), stressold, state.copy(), 1.0,
                                       ener=np.array([7.0]))
        assert errstat() == -3 and errtext() == "Singular damaged compliance in MatzenmillerDegradation"
        np.testing.assert_array_equal(stress, stressold)
        np.testing.assert_array_equal(out, state)
        assert (ener[0], inel[0]) == (7.0, 0.0)


def test_thresholds_without_a_kink_misalignment_refuse_the_point():
    """Regression: fibre compression thresholds 150, x12 60, x23 40 leave the kinking criterion
    without an initial misalignment (1 - 4ab < 0 at a0 = 53). Its refusal was dropped as a NaN index
    and the point's stress written under a -3 record; the point keeps its old stress and state."""
    b, x12, x23 = 60.0 / 150.0, 60.0, 40.0
    eta_l = -x12 / (np.tan(np.radians(106.0)) * x23)
    assert 1 - 4 * (eta_l + b) * b < 0
    e = np.array([[-1.2e-3, 0, 0, 0, 0, 0]])  # about -110 MPa, past half of the threshold
    old = np.full((1, 6), 7.0), np.full((1, NSV), 0.0)
    stress, state, ener, inel = call(ply(p33=3, p12=-150.0, p15=x12, p17=x23), e, *old, 1.0)
    np.testing.assert_array_equal(stress, old[0])
    np.testing.assert_array_equal(state, old[1])
    assert errstat() == -3 and errtext() == "Error: no initial misalignment in FBLaRC05_is for these strengths and a0."
    stress, state, ener, inel = call(ply(p33=3), e, *old, 1.0)  # the ordinary thresholds: evaluated
    assert not np.array_equal(stress, old[0])
