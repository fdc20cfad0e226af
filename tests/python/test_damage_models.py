"""Damage evolution laws, fracture measures and continuum damage stiffness models, checked
against closed forms, numpy references (compliance inverses, tensor rotations) and their
physical properties (dissipated energy, symmetry and definiteness, monotone damage)."""
import numpy as np
import pytest

import _tolvek as t

evo, fr, dg, eh = t.evocollection, t.fracture, t.degradation, t.errorhandling
# E1, E2, E3, G23, G13, G12, nu23, nu13, nu12 of a carbon/epoxy ply (MPa).
PROP = [140e3, 9e3, 9e3, 3.1e3, 5e3, 5e3, 0.45, 0.3, 0.3]
RNG = np.random.default_rng(19)


def record():
    return int(eh.errstat), bytes(eh.errstring).rstrip().decode()


def rot_x(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[1, 0, 0], [0, c, -s], [0, s, c]])


PAIRS = [(0, 0), (1, 1), (2, 2), (1, 2), (0, 2), (0, 1)]


def full_tensor(c6):
    c4 = np.zeros((3, 3, 3, 3))
    for p, (i, j) in enumerate(PAIRS):
        for q, (k, l) in enumerate(PAIRS):
            for a, b in ((i, j), (j, i)):
                c4[a, b, k, l] = c4[a, b, l, k] = c6[p, q]
    return c4


def rotate6(c6, angle):
    """The 6 x 6 of R^T C R applied to each index of the full tensor."""
    r = rot_x(angle)
    c4 = np.einsum("ai,bj,ck,dl,abcd->ijkl", r, r, r, r, full_tensor(c6))
    return np.array([[c4[i, j, k, l] for (k, l) in PAIRS] for (i, j) in PAIRS])


def test_bilinear_law_dissipates_gc_over_lc_and_runs_from_onset_to_final_strain():
    eps0, sig_f, gc, lc = 0.01, 60.0, 0.4, 0.002
    d, eps1 = evo.bilinearevolution(eps0, eps0, sig_f, gc, lc, -1.0)
    assert eps1 == pytest.approx(2 * gc / (lc * sig_f)) and d == 0.0
    assert evo.bilinearevolution(eps1, eps0, sig_f, gc, lc, -1.0)[0] == pytest.approx(1.0)
    e = np.linspace(0.0, eps1, 20001)
    dam = np.array([min(max(evo.bilinearevolution(x, eps0, sig_f, gc, lc, -1.0)[0], 0.0), 1.0) for x in e])
    stress = (1 - dam) * sig_f / eps0 * e
    assert np.trapz(stress, e) == pytest.approx(gc / lc, rel=1e-6)
    # Below 1 mm the handed-in final strain is kept; a short softening branch is floored at 1.2 eps0.
    assert evo.bilinearevolution(0.02, eps0, sig_f, gc, 0.0005, 0.05)[1] == 0.05
    assert evo.bilinearevolution(0.011, eps0, sig_f, 1e-6, 0.001, 0.05)[1] == pytest.approx(1.2 * eps0)


def test_time_regularization_weights_and_zero_increment():
    old, new = np.array([0.2, 0.4]), np.array([0.6, 1.0])
    np.testing.assert_allclose(evo.timeregularization(old, new, 1e-3, 0.0), new)
    np.testing.assert_allclose(evo.timeregularization(old, new, 1e-3, 1.0), (old + new) / 2)
    np.testing.assert_allclose(evo.timeregularization(old, new, 0.0, 3.0), (3 * old + new) / 4)
    np.testing.assert_allclose(evo.timeregularization(old, new, 0.0, -1.0), new)
    assert evo.timeregularization(old, new, 1e-3, 1.0, 0).size == 0


def test_traction_norm_and_mixed_mode_toughness():
    eh.rsxerr(1)
    for _ in range(20):
        v = RNG.normal(size=6)
        tens = np.array([[v[0], v[5], v[4]], [v[5], v[1], v[3]], [v[4], v[3], v[2]]])
        for nn in (1, 2, 3):
            assert evo.equivalentquadstressstrain(v, nn) == pytest.approx(np.linalg.norm(tens[:, nn - 1]))
    assert evo.equivalentquadstressstrain([0, 0, 0, 0, 0, 5.0], 1) == 5.0
    assert evo.equivalentquadstressstrain(np.ones(6), 4) == 0.0 and record()[0] == -3
    eh.rsxerr(1)
    gc = [0.3, 1.1, 0.8, 0.9]
    assert fr.getequivalentmixedmodeerr([2.0, 0, 0], gc) == pytest.approx(0.3)
    assert fr.getequivalentmixedmodeerr([-2.0, 0, 0], gc) == pytest.approx(1.1)
    assert fr.getequivalentmixedmodeerr([3.0, 0, 4.0], gc) == pytest.approx((9 * 0.3 + 16 * 0.9) / 25)
    assert fr.getequivalentmixedmodeerr([-3.0, 0, 4.0], gc[:3]) == pytest.approx((9 * 0.3 + 16 * 0.8) / 25)
    assert fr.getequivalentmixedmodeerr([0.0, 0, 0], gc) == 0.3
    with pytest.raises(t.error):
        fr.getequivalentmixedmodeerr([1.0, 0, 0], gc[:2])


def test_delamination_growth_strain_is_the_root_of_its_quadratic():
    gic, a11 = 0.25, 2.0e4
    assert evo.dgstrainrhead(0.0, gic, a11) == 0.0
    for r in (0.0, 0.3, 1.0, 2.5, -3.0):
        for ec in (-4e-3, 2e-3):
            a, b, c = 1 + r, 1 - r, 3 + r
            x = 2 * gic / (ec**2 * a11) + c
            y = evo.dgstrainrhead(ec, gic, a11, r) / ec
            if a * a + b * x < 0:  # no real root: visible as NaN, never a made-up strain
                assert np.isnan(y)
                continue
            assert b * y * y + 2 * a * y - x == pytest.approx(0.0, abs=1e-9 * x) and y > 0


def test_crack_status_from_the_normal_traction_on_the_rotated_plane():
    assert fr.getcrackstatus(np.zeros(6), [1.0, 0, 0], 0.7, 2) == 1
    for _ in range(30):
        v, phi = RNG.normal(size=6), RNG.uniform(-np.pi, np.pi)
        s = np.array([[v[0], v[5], v[4]], [v[5], v[1], v[3]], [v[4], v[3], v[2]]])
        r = rot_x(phi)
        normal = (r.T @ s @ r)[1, 1]
        assert fr.getcrackstatus(v, [1.0, 0, 0], phi, 2) == (-1 if normal < 0 else 1)


def ortho_stiffness(prop, d=(0, 0, 0), dshear=(0, 0, 0)):
    """Inverse of the damaged compliance (E_i scaled by 1 - d_i), shear diagonal 2 (1 - d) G."""
    e1, e2, e3, g23, g13, g12, n23, n13, n12 = prop
    s = np.array([[1 / e1, -n12 / e1, -n13 / e1], [-n12 / e1, 1 / e2, -n23 / e2], [-n13 / e1, -n23 / e2, 1 / e3]])
    s[np.diag_indices(3)] /= 1 - np.asarray(d)
    c = np.zeros((6, 6))
    c[:3, :3] = np.linalg.inv(s)
    c[3:, 3:] = np.diag(2 * (1 - np.asarray(dshear)) * [g23, g13, g12])
    return c


def test_matzenmiller_stiffness_is_the_damaged_compliance_inverse_symmetric_and_semidefinite():
    np.testing.assert_allclose(dg.matzenmillerdegradation(PROP, [0, 0, 0], 0, 0, 0), ortho_stiffness(PROP), rtol=1e-12)
    for _ in range(50):
        d, ds = RNG.uniform(0, 0.99, 3), RNG.uniform(0, 1, 3)
        c = dg.matzenmillerdegradation(PROP, d, *ds)
        np.testing.assert_allclose(c, ortho_stiffness(PROP, d, ds), rtol=1e-9, atol=1e-6)
        assert np.array_equal(c, c.T) and np.linalg.eigvalsh(c).min() > -1e-9 * c.max()
    c = dg.matzenmillerdegradation(PROP, [1.0, 0.3, 0], 1.0, 0, 0)
    assert c[0, 0] == c[0, 1] == c[0, 2] == c[3, 3] == 0.0
    assert np.linalg.eigvalsh(c).min() > -1e-9 * c.max()


def test_mode_to_stiffness_damage_map_and_its_stiffness():
    e1 = np.eye(9)[0]
    w, c = dg.degradationfrommodes(1, d_modes=e1)
    np.testing.assert_array_equal(w, [1, 0.5, 0, 0, 0, 0, 1, 0, 1])
    modes = np.array([0, 0, 0, 0.6, 0, 0.9, 0, 0, 0])
    summed, _ = dg.degradationfrommodes(1, d_modes=modes)
    largest, _ = dg.degradationfrommodes(0, d_modes=modes)
    assert summed[2] == pytest.approx(0.6 + 0.45) and largest[2] == pytest.approx(0.6)
    assert summed[3] == pytest.approx(0.5) and largest[3] == pytest.approx(0.3)
    # Tension moduli and damages for a positive effort, compression ones for a negative effort.
    moduli = [140e3, 120e3, 9e3, 10e3, 9.5e3, 11e3, 3.1e3, 5e3, 5e3]
    modes = RNG.uniform(0, 0.3, 9)
    w, c = dg.degradationfrommodes(1, modes, moduli, [0.45, 0.3, 0.3], [1.0, -1.0, 0.0])
    prop = [140e3, 10e3, 11e3, 3.1e3, 5e3, 5e3, 0.45, 0.3, 0.3]
    np.testing.assert_allclose(c, ortho_stiffness(prop, (w[0], w[3], w[5]), (w[7], w[8], w[6])), rtol=1e-9)


def test_crack_plane_degradation_at_an_angle_is_the_rotated_degradation_at_zero():
    c = ortho_stiffness(PROP)
    half = dg.tensordegradation(c, 0.0, 0.5, 2, 0)
    touches_2 = np.array([any(k == 1 for k in PAIRS[p] + PAIRS[q]) for p in range(6) for q in range(6)]).reshape(6, 6)
    np.testing.assert_allclose(half, np.where(touches_2, 0.5 * c, c))
    closed = dg.tensordegradation(c, 0.0, 0.5, 2, -1)
    np.testing.assert_allclose(closed[:3, :3], c[:3, :3])
    np.testing.assert_allclose(closed[3:, 3:], half[3:, 3:])
    for angle in (np.pi / 6, 1.1, -2.3):
        for nn in (0, -1):
            got = dg.tensordegradation(c, angle, 0.5, 2, nn)
            want = rotate6(dg.tensordegradation(rotate6(c, angle), 0.0, 0.5, 2, nn), -angle)
            np.testing.assert_allclose(got, want, atol=1e-9 * c.max())
            assert np.allclose(got, got.T) and np.linalg.eigvalsh(got).min() > -1e-9 * c.max()
    # Undamaged, a rotation there and back returns the stiffness.
    np.testing.assert_allclose(dg.tensordegradation(c, 0.8, 0.0, 2, 0), c, atol=1e-9 * c.max())


CHAR = np.array([0.002, 0.0015, 0.0012])
BPROPS = np.array([0.4, 0.3, 1.0, 0.8, 0.8])


def test_bogenfeld_first_damage_fills_its_state_and_then_softens():
    eh.rsxerr(1)
    s = np.array([0.0, 40.0, 0.0, 10.0, 0.0, 25.0])
    e = s / 9e3
    sdv0 = -np.ones(4)
    assert dg.bogenfelddegradation(sdv0, s, e, CHAR, BPROPS, 0) == (0.0, pytest.approx(sdv0))
    d, sdv = dg.bogenfelddegradation(sdv0, s, e, CHAR, BPROPS, 3)
    r = rot_x(0.4)
    st = r.T @ np.array([[s[0], s[5], s[4]], [s[5], s[1], s[3]], [s[4], s[3], s[2]]]) @ r
    trac = st[1, [1, 0, 2]]
    assert d == pytest.approx(0.0, abs=1e-12) and sdv[1] == pytest.approx(np.linalg.norm(trac))
    assert sdv[0] == pytest.approx(np.linalg.norm(trac) / 9e3) and np.all(sdv > 0)
    d2, sdv2 = dg.bogenfelddegradation(sdv.copy(), 3 * s, 3 * e, CHAR, BPROPS, 3)
    np.testing.assert_array_equal(sdv2, sdv)
    assert 0 < d2 < 1 and d2 == pytest.approx(sdv[3] / (sdv[3] - sdv[0]) * (1 - 1 / 3))
    assert record()[0] == 0
    dg.bogenfelddegradation(sdv, s, e, CHAR, BPROPS, 5)
    assert record() == (-2, "Unknown mode in BogenfeldDegradation")
    eh.rsxerr(1)


def test_bogenfeld_small_elements_get_a_final_strain():
    """Lengths under 1 mm: the final strain is still set on first damage, not left at -1."""
    s = np.array([0.0, 40.0, 0.0, 0.0, 0.0, 0.0])
    d, sdv = dg.bogenfelddegradation(-np.ones(4), s, s / 9e3, CHAR / 10, BPROPS, 3)
    assert sdv[3] == pytest.approx(2 * sdv[2] / (0.00015 / np.cos(0.4) * sdv[1]))
    d2, _ = dg.bogenfelddegradation(sdv, 1.5 * s, 1.5 * s / 9e3, CHAR / 10, BPROPS, 3)
    assert 0 < d2 < 1


def falzon(stress, strain, state, phi=0.3, gc=(0.3, 1.0, 0.8, 0.8)):
    dsix = np.ones(6)
    dg.falzondegradationparameters(stress, strain, phi, dsix, *state, np.array(gc), CHAR)
    return dsix


def test_falzon_damage_never_decreases_and_stays_bounded_along_a_load_cycle():
    state = [np.array(0.0) for _ in range(5)]  # epsi, epsu, sigi, gmix, w_matrixmode
    base = np.array([5.0, 50.0, 0.0, 5.0, 0.0, 30.0])
    falzon(base, base / 9e3, state)  # onset: the crack-plane values are frozen
    onset = [float(v) for v in state[:4]]
    assert onset[1] > 1.1 * onset[0] > 0 and float(state[4]) == 0.0
    state[4][()] = 1e-9  # the caller marks the crack as started
    history, kmax = [], 1.5 * onset[1] / onset[0]
    for k in np.concatenate([np.linspace(1, 3, 7), np.linspace(3, 0.5, 5), np.linspace(0.5, kmax, 5)]):
        dsix = falzon(k * base, k * base / 9e3, state)
        history.append(float(state[4]))
        assert np.all(np.isfinite(dsix[1:])) and dsix[0] == 1.0
    assert [float(v) for v in state[:4]] == onset
    assert np.all(np.diff(history) >= 0) and history[-1] == 1.0
    assert history[6] == history[11] > 0.1  # unloading leaves the damage where it was


def test_falzon_closing_crack_keeps_its_normal_stress_and_zero_components_give_unit_ratios():
    def damaged():
        return [np.array(v) for v in (1e-4, 1e-3, 10.0, 0.5, 0.2)]
    # Crack plane normal to 2 (phi = 0): an opening s22 is scaled by 1 - w, a closing one is not.
    s = np.array([0.0, 4.0, 0.0, 2.0, 0.0, 0.0])
    e = s / 9e3
    w = 1e-3 / (1e-3 - 1e-4) * (1 - 1e-4 / np.hypot(e[1], e[3]))
    assert falzon(s, e, damaged(), phi=0.0)[1] == pytest.approx(1 - w)
    s[1], e[1] = -4.0, -e[1]
    assert falzon(s, e, damaged(), phi=0.0)[1] == 1.0
    # Pure transverse shear: elastic s22 = s33 = 0 give unit ratios, not 0/0.
    s = np.array([0.0, 0.0, 0.0, 0.0, 0.0, 30.0])
    dsix = falzon(s, s / 5e3, damaged())
    assert np.all(np.isfinite(dsix)) and dsix[1] == dsix[2] == 1.0
