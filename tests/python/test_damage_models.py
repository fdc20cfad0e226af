"""Damage evolution laws, fracture measures and continuum damage stiffness models against closed
forms, numpy references (compliance inverses, tensor rotations) and their physical properties
(dissipated energy, symmetry and definiteness, damage that never heals)."""
import numpy as np
import pytest

import _tolvek as t
from seeding import rng_seed

evo, fr, dg, eh = t.evocollection, t.fracture, t.degradation, t.errorhandling
# E1, E2, E3, G23, G13, G12, nu23, nu13, nu12 of a carbon/epoxy ply (MPa).
PROP = [140e3, 9e3, 9e3, 3.1e3, 5e3, 5e3, 0.45, 0.3, 0.3]
PAIRS = [(0, 0), (1, 1), (2, 2), (1, 2), (0, 2), (0, 1)]
CHAR = np.array([0.002, 0.0015, 0.0012])
RNG = np.random.default_rng(rng_seed(19))


def errors():
    return int(eh.errstat), bytes(eh.errstring).rstrip().decode()


def tensor2(v):
    return np.array([[v[0], v[5], v[4]], [v[5], v[1], v[3]], [v[4], v[3], v[2]]])


def rot_x(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[1, 0, 0], [0, c, -s], [0, s, c]])


def rotate6(c6, angle):
    """A 6 x 6 stiffness as a full (minor-symmetric) tensor, R^T C R on every index, and back."""
    c4 = np.zeros((3, 3, 3, 3))
    for p, (i, j) in enumerate(PAIRS):
        for q, (k, l) in enumerate(PAIRS):
            c4[i, j, k, l] = c4[j, i, k, l] = c4[i, j, l, k] = c4[j, i, l, k] = c6[p, q]
    r = rot_x(angle)
    c4 = np.einsum("ai,bj,ck,dl,abcd->ijkl", r, r, r, r, c4)
    return np.array([[c4[i, j, k, l] for (k, l) in PAIRS] for (i, j) in PAIRS])


def ortho_stiffness(prop, d=(0, 0, 0), dshear=(0, 0, 0)):
    """Inverse of the compliance with E_i scaled by 1 - d_i; shear diagonal 2 (1 - d) G."""
    e1, e2, e3, g23, g13, g12, n23, n13, n12 = prop
    s = np.array([[1 / e1, -n12 / e1, -n13 / e1], [-n12 / e1, 1 / e2, -n23 / e2], [-n13 / e1, -n23 / e2, 1 / e3]])
    s[np.diag_indices(3)] /= 1 - np.asarray(d)
    c = np.zeros((6, 6))
    c[:3, :3] = np.linalg.inv(s)
    c[3:, 3:] = np.diag(2 * (1 - np.asarray(dshear)) * [g23, g13, g12])
    return c


def test_bilinear_law_dissipates_gc_over_lc_between_onset_and_final_strain():
    eps0, sig_f, gc, lc = 0.01, 60.0, 0.4, 0.002
    e = np.linspace(0.0, 2 * gc / (lc * sig_f), 20001)
    d, eps1 = np.array([evo.bilinearevolution(x, eps0, sig_f, gc, lc, -1.0) for x in e]).T
    assert np.all(eps1 == e[-1]) and d[0] == 0.0 and d[-1] == 1.0
    assert evo.bilinearevolution(eps0, eps0, sig_f, gc, lc, -1.0)[0] == 0.0
    stress = (1 - np.clip(d, 0, 1)) * sig_f / eps0 * e
    assert np.trapz(stress, e) == pytest.approx(gc / lc, rel=1e-6)
    # Below 1 mm the handed-in final strain is kept; a short softening branch is floored at 1.2 eps0.
    assert evo.bilinearevolution(0.02, eps0, sig_f, gc, 0.0005, 0.05)[1] == 0.05
    assert evo.bilinearevolution(0.011, eps0, sig_f, 1e-6, 0.001, 0.05)[1] == pytest.approx(1.2 * eps0)
    assert evo.bilinearevolution(0.011, eps0, sig_f, gc, 0.0, eps0)[0] == 1.0  # no softening branch


def test_time_regularization_weights_survive_a_zero_increment():
    old, new = np.array([0.2, 0.4]), np.array([0.6, 1.0])
    np.testing.assert_allclose(evo.timeregularization(old, new, 1e-3, 0.0), new)
    np.testing.assert_allclose(evo.timeregularization(old, new, 1e-3, 1.0), (old + new) / 2)
    np.testing.assert_allclose(evo.timeregularization(old, new, 0.0, 3.0), (3 * old + new) / 4)


def test_plane_traction_norm_and_mixed_mode_toughness():
    v = RNG.normal(size=6)
    np.testing.assert_allclose([evo.equivalentquadstressstrain(v, n) for n in (1, 2, 3)],
                               np.linalg.norm(tensor2(v), axis=0))
    eh.rsxerr(1)
    assert evo.equivalentquadstressstrain(v, 4) == 0.0 and errors()[0] == -3
    eh.rsxerr(1)
    gc = [0.3, 1.1, 0.8, 0.9]
    assert [fr.getequivalentmixedmodeerr([tn, 0, 0], gc) for tn in (2.0, -2.0, 0.0)] == [0.3, 1.1, 0.3]
    assert fr.getequivalentmixedmodeerr([-3.0, 0, 4.0], gc[:3]) == pytest.approx((9 * 0.3 + 16 * 0.8) / 25)
    with pytest.raises(t.error):
        fr.getequivalentmixedmodeerr([1.0, 0, 0], gc[:2])


def test_delamination_growth_strain_is_the_root_of_its_quadratic():
    gic, a11 = 0.25, 2.0e4
    assert evo.dgstrainrhead(0.0, gic, a11) == 0.0
    for r in (0.0, 0.3, 1.0, 2.5, -3.0):
        for ec in (-4e-3, 2e-3):
            a, b, x = 1 + r, 1 - r, 2 * gic / (ec**2 * a11) + 3 + r
            y = evo.dgstrainrhead(ec, gic, a11, r) / ec
            if a * a + b * x < 0:  # no real root: NaN, never a made-up strain
                assert np.isnan(y)
            else:
                assert b * y * y + 2 * a * y - x == pytest.approx(0.0, abs=1e-9 * x) and y > 0


def test_crack_status_from_the_normal_traction_on_the_rotated_plane():
    assert fr.getcrackstatus(np.zeros(6), [1.0, 0, 0], 0.7, 2) == 1
    for v, phi in zip(RNG.normal(size=(30, 6)), RNG.uniform(-np.pi, np.pi, 30)):
        normal = (rot_x(phi).T @ tensor2(v) @ rot_x(phi))[1, 1]
        assert fr.getcrackstatus(v, [1.0, 0, 0], phi, 2) == (-1 if normal < 0 else 1)


def test_crack_status_without_a_normal_traction_does_not_read_open():
    """Regression: an unknown face (baseid 0 or 4) read open (+1) after its -2 report, and a NaN
    stress read open at level 0. Neither has a normal traction: status 0, the face still
    reported. Faces 1 to 3 keep the sign of their normal traction (the rotated tensor's
    diagonal entry), an exactly zero one open; a NaN where the traction takes no part of it
    changes nothing."""
    for face in (0, 4, -1):
        eh.rsxerr(1)
        assert fr.getcrackstatus(-np.ones(6), [1.0, 0, 0], 0.3, face) == 0
        assert errors()[0] == -2
    eh.rsxerr(1)
    for k in range(6):
        v = RNG.normal(size=6)
        v[k] = np.nan
        assert fr.getcrackstatus(v, [1.0, 0, 0], 0.4, 2) in ((0,) if k in (1, 2, 3) else (0, -1, 1))
    assert fr.getcrackstatus(np.full(6, np.nan), [1.0, 0, 0], 0.0, 2) == 0
    assert fr.getcrackstatus(np.ones(6), [1.0, 0, 0], np.nan, 2) == 0
    assert errors()[0] == 0
    for face in (1, 2, 3):
        for v, phi in zip(RNG.normal(size=(20, 6)), RNG.uniform(-np.pi, np.pi, 20)):
            normal = (rot_x(phi).T @ tensor2(v) @ rot_x(phi))[face - 1, face - 1]
            assert fr.getcrackstatus(v, [1.0, 0, 0], phi, face) == (-1 if normal < 0 else 1)
    assert fr.getcrackstatus(np.array([-1.0, 0, 0, 0, 0, 0]), [1.0, 0, 0], 0.0, 2) == 1


def test_damaged_stiffness_is_the_damaged_compliance_inverse_symmetric_and_semidefinite():
    np.testing.assert_allclose(dg.matzenmillerdegradation(PROP, [0, 0, 0], 0, 0, 0), ortho_stiffness(PROP))
    for _ in range(30):
        d, ds = RNG.uniform(0, 0.99, 3), RNG.uniform(0, 1, 3)
        c = dg.matzenmillerdegradation(PROP, d, *ds)
        np.testing.assert_allclose(c, ortho_stiffness(PROP, d, ds), rtol=1e-9, atol=1e-6)
        assert np.array_equal(c, c.T) and np.linalg.eigvalsh(c).min() > -1e-9 * c.max()
    c = dg.matzenmillerdegradation(PROP, [1.0, 0.3, 0], 1.0, 0, 0)
    assert c[0, 0] == c[0, 1] == c[0, 2] == c[3, 3] == 0.0 and np.linalg.eigvalsh(c).min() > -1e-9 * c.max()


def test_mode_damage_map_sums_or_takes_the_largest_and_picks_tension_or_compression():
    np.testing.assert_array_equal(dg.degradationfrommodes(1, d_modes=np.eye(9)[0])[0], [1, 0.5, 0, 0, 0, 0, 1, 0, 1])
    modes = np.array([0, 0, 0, 0.6, 0, 0.9, 0, 0, 0])
    assert dg.degradationfrommodes(1, d_modes=modes)[0][2] == pytest.approx(1.05)
    assert dg.degradationfrommodes(0, d_modes=modes)[0][2] == pytest.approx(0.6)
    moduli = [140e3, 120e3, 9e3, 10e3, 9.5e3, 11e3, 3.1e3, 5e3, 5e3]
    w, c = dg.degradationfrommodes(1, RNG.uniform(0, 0.3, 9), moduli, [0.45, 0.3, 0.3], [1.0, -1.0, 0.0])
    prop = [140e3, 10e3, 11e3, 3.1e3, 5e3, 5e3, 0.45, 0.3, 0.3]
    np.testing.assert_allclose(c, ortho_stiffness(prop, (w[0], w[3], w[5]), (w[7], w[8], w[6])), rtol=1e-9)


def test_crack_plane_degradation_at_an_angle_is_the_rotated_degradation_at_zero():
    c = ortho_stiffness(PROP)
    touches_2 = np.array([[1 in PAIRS[p] + PAIRS[q] for q in range(6)] for p in range(6)])
    half = dg.tensordegradation(c, 0.0, 0.5, 2, 0)
    np.testing.assert_allclose(half, np.where(touches_2, 0.5 * c, c))
    closed = half.copy()
    closed[:3, :3] = c[:3, :3]  # a closed crack keeps its normal-normal entries
    np.testing.assert_allclose(dg.tensordegradation(c, 0.0, 0.5, 2, -1), closed)
    a = RNG.normal(size=(6, 6))
    for c, angle, nn in [(c, np.pi / 6, 0), (c, -2.3, -1), (a @ a.T, 1.1, 0), (a @ a.T, 0.4, -1)]:
        got = dg.tensordegradation(c, angle, 0.5, 2, nn)
        want = rotate6(dg.tensordegradation(rotate6(c, angle), 0.0, 0.5, 2, nn), -angle)
        np.testing.assert_allclose(got, want, atol=1e-9 * c.max())
        assert np.allclose(got, got.T)
        if nn == 0:  # an open crack scales by a positive semi-definite pattern: definiteness stays
            assert np.linalg.eigvalsh(got).min() > -1e-9 * c.max()


def test_bogenfeld_first_damage_fills_its_state_also_for_elements_under_1_mm():
    eh.rsxerr(1)
    s, props = np.array([0.0, 40.0, 0.0, 10.0, 0.0, 25.0]), np.array([0.4, 0.3, 1.0, 0.8, 0.8])
    assert dg.bogenfelddegradation(-np.ones(4), s, s / 9e3, CHAR, props, 0)[1].tolist() == [-1] * 4
    tvec = (rot_x(0.4).T @ tensor2(s) @ rot_x(0.4))[1]  # shear, normal, shear on the crack plane
    evec = tvec / 9e3 * [2, 1, 2]  # the strain's traction with engineering shears (an opening normal)
    onset_strain = np.linalg.norm(evec)
    trac = tvec @ evec / onset_strain  # the stress traction's component along the strain traction
    assert trac < 0.97 * np.linalg.norm(tvec)
    for scale in (1.0, 0.1):  # lengths across the plane 1.6 mm and 0.16 mm
        lm = scale * CHAR[1] / np.cos(0.4)
        d, sdv = dg.bogenfelddegradation(-np.ones(4), s, s / 9e3, scale * CHAR, props, 3)
        np.testing.assert_allclose(sdv[:2], [onset_strain, trac])
        assert d == pytest.approx(0.0, abs=1e-12) and sdv[3] == pytest.approx(2 * sdv[2] / (lm * trac))
        d, sdv2 = dg.bogenfelddegradation(sdv.copy(), 3 * s, 3 * s / 9e3, scale * CHAR, props, 3)
        assert np.array_equal(sdv2, sdv) and d == pytest.approx(sdv[3] / (sdv[3] - sdv[0]) * 2 / 3)
        # A crack stored with the norm of the traction as its onset stress is read as stored: its
        # final strain follows from that stress and the state stays.
        old = np.array([onset_strain, np.linalg.norm(tvec), sdv[2], 2 * sdv[2] / (lm * np.linalg.norm(tvec))])
        d, sdv2 = dg.bogenfelddegradation(old.copy(), 3 * s, 3 * s / 9e3, scale * CHAR, props, 3)
        assert np.array_equal(sdv2, old) and d == pytest.approx(old[3] / (old[3] - old[0]) * 2 / 3)
    assert errors()[0] == 0
    # Where the traction points 90 degrees or more away from the strain traction, or there is no
    # strain, t . e / |e| gives no law: the onset stress is the traction's norm. Stress and strain
    # (Voigt) on the plane at 0: traction (normal, shear 12, shear 23).
    for stress, strain in [([0, -40, 0, 0, 0, 30], [0, 1e-3, 0, 0, 0, 1e-4]),  # opening strain, closing stress
                           ([0, 40, 0, 0, 0, 0], [0, -1e-3, 0, 0, 0, 1e-3]),  # shear strain alone, normal stress
                           ([0, 30, 0, -20, 0, 0], [0, 0, 0, 0, 0, 0])]:
        sdv = dg.bogenfelddegradation(-np.ones(4), stress, strain, CHAR, np.array([0.0, 0.3, 1.0, 0.8, 0.8]), 3)[1]
        assert sdv[1] == np.linalg.norm(stress)
    dg.bogenfelddegradation(sdv, s, s, CHAR, props, 5)
    assert errors() == (-2, "Unknown mode in BogenfeldDegradation")
    eh.rsxerr(1)


def test_bogenfeld_onset_stress_keeps_its_value_where_the_strain_norm_underflows():
    """Regression: the strain traction's norm was the plain root of its squares, which underflow
    below about 1e-154 and overflow above 1e154: a pure opening under 1e-160 took an onset stress
    of 40.0002 for |t| = 40 (above |t|, which t . e / |e| never is), one under 1e-162 an onset
    strain of 0. The norm and the direction are now taken at the largest component's scale: a
    strain scaled by a power of two, from near the subnormal range up to 1e240, keeps its onset
    stress to the last bit and scales its onset strain exactly, on a turned plane and in a mixed
    mode, and a traction along the strain keeps |t| down to the least subnormal strain."""
    props = np.array([0.4, 0.3, 1.0, 0.8, 0.8])
    for stress, strain in [([0.0, 40.0, 0.0, 10.0, 0.0, 25.0], [0.0, 4e-3, 1e-3, 1e-3, 0.0, 2e-3]),
                           ([0.0, 30.0, -5.0, 0.0, 4.0, 20.0], [1e-3, 1e-3, -2e-4, 3e-4, 1e-4, 3e-3])]:
        stress, strain = np.array(stress), np.array(strain)
        _, ref = dg.bogenfelddegradation(-np.ones(4), stress, strain, CHAR, props, 3)
        for k in (-664, -520, -530, -540, -560, -600, -900, -1000, 500, 600, 800):
            _, sdv = dg.bogenfelddegradation(-np.ones(4), stress, np.ldexp(strain, k), CHAR, props, 3)
            assert sdv[1] == ref[1] and sdv[0] == np.ldexp(ref[0], k), (k, sdv, ref)
    # On the plane at 0 a strain along the traction (normal, shear 12 / 2, shear 23 / 2): |t|.
    props[0] = 0.0
    for stress, direction in [([0.0, 40.0, 0.0, 0.0, 0.0, 0.0], [0, 1, 0, 0, 0, 0]),
                              ([0.0, 30.0, 0.0, 0.0, 0.0, 20.0], [0, 3, 0, 0, 0, 1]),
                              ([0.0, 0.0, 0.0, 12.0, 0.0, 0.0], [0, 0, 0, 1, 0, 0])]:
        stress = np.array(stress)
        for scale in (1e-3, 1e-155, 1e-160, 1e-162, 1e-170, 1e-300, 1e-320, 5e-324):
            _, sdv = dg.bogenfelddegradation(-np.ones(4), stress, np.array(direction, float) * scale, CHAR, props, 3)
            assert sdv[1] == pytest.approx(np.linalg.norm(stress), rel=4 * 2.0**-52, abs=0) and sdv[0] > 0, (scale, sdv)


def falzon(stress, strain, state, phi=0.3):
    dsix = np.ones(6)
    dg.falzondegradationparameters(stress, strain, phi, dsix, *state, np.array([0.3, 1.0, 0.8, 0.8]), CHAR)
    return dsix


def test_falzon_damage_never_decreases_along_a_load_cycle():
    state = [np.array(0.0) for _ in range(5)]  # epsi, epsu, sigi, gmix, w_matrixmode
    base = np.array([5.0, 50.0, 0.0, 5.0, 0.0, 30.0])
    falzon(base, base / 9e3, state)  # onset: the crack-plane values are frozen
    onset = [float(v) for v in state[:4]]
    state[4][()] = 1e-9  # the caller marks the crack as started
    history, kmax = [], 1.5 * onset[1] / onset[0]
    for k in np.concatenate([np.linspace(1, 3, 7), np.linspace(3, 0.5, 5), np.linspace(0.5, kmax, 5)]):
        assert np.all(np.isfinite(falzon(k * base, k * base / 9e3, state)))
        history.append(float(state[4]))
    assert [float(v) for v in state[:4]] == onset and onset[1] > 1.1 * onset[0] > 0
    assert np.all(np.diff(history) >= 0) and history[6] == history[11] > 0.1 and history[-1] == 1.0


def test_falzon_closing_crack_keeps_its_normal_stress_and_zero_stress_gives_unit_ratios():
    def damaged():
        return [np.array(v) for v in (1e-4, 1e-3, 10.0, 0.5, 0.2)]
    s = np.array([0.0, 4.0, 0.0, 2.0, 0.0, 0.0])  # crack plane normal to 2 (phi = 0)
    w = 1e-3 / 9e-4 * (1 - 1e-4 / np.hypot(s[1], s[3]) * 9e3)
    assert falzon(s, s / 9e3, damaged(), phi=0.0)[1] == pytest.approx(1 - w)
    s[1] = -4.0
    assert falzon(s, s / 9e3, damaged(), phi=0.0)[1] == 1.0
    s = np.array([0.0, 0.0, 0.0, 0.0, 0.0, 30.0])  # elastic s22 = s33 = 0
    np.testing.assert_array_equal(falzon(s, s / 5e3, damaged())[1:3], 1.0)
