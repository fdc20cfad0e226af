"""Laminate routines through the Python interface: lamination theory, ply strains and stresses,
lamination parameters and laminate constants, checked against an independent numpy lamination
theory written here from first principles (explicit Qbar formulas, z from the bottom ply up),
against the invariant form of the stiffness, and against block-matrix identities."""
import math

import numpy as np
import pytest

import _tolvek
from error_record import clean_record, errstat, errtext  # noqa: F401 (autouse fixture)
from seeding import rng_seed

L = _tolvek.laminate
err = _tolvek.errorhandling
DEFINT = 2147483647
# Nye property vector of a carbon/epoxy ply (T300/5208 in-plane constants).
CFRP = np.array([181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9])


# --- Independent reference ---------------------------------------------------------------------

def q_onaxis(p):
    e1, e2, nu12, g12 = p[0], p[1], p[3], p[6]
    nu21 = nu12 * e2 / e1
    d = 1 - nu12 * nu21
    return e1 / d, e2 / d, nu12 * e2 / d, g12


def qbar(p, deg):
    """Off-axis reduced stiffness by the explicit formulas of Jones (1999), eq. 2.85."""
    q11, q22, q12, q66 = q_onaxis(p)
    m, n = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    m2, n2 = m * m, n * n
    b11 = q11 * m2 * m2 + 2 * (q12 + 2 * q66) * m2 * n2 + q22 * n2 * n2
    b12 = (q11 + q22 - 4 * q66) * m2 * n2 + q12 * (m2 * m2 + n2 * n2)
    b22 = q11 * n2 * n2 + 2 * (q12 + 2 * q66) * m2 * n2 + q22 * m2 * m2
    b16 = (q11 - q12 - 2 * q66) * m2 * m * n + (q12 - q22 + 2 * q66) * m * n2 * n
    b26 = (q11 - q12 - 2 * q66) * m * n2 * n + (q12 - q22 + 2 * q66) * m2 * m * n
    b66 = (q11 + q22 - 2 * q12 - 2 * q66) * m2 * n2 + q66 * (m2 * m2 + n2 * n2)
    return np.array([[b11, b12, b16], [b12, b22, b26], [b16, b26, b66]])


def bounds(t):
    z = np.concatenate([[0.0], np.cumsum(t)]) - np.sum(t) / 2
    return z[:-1], z[1:]


def ref_abd(props, ang, t):
    zb, zt = bounds(t)
    a, b, d = np.zeros((3, 3)), np.zeros((3, 3)), np.zeros((3, 3))
    for k in range(len(t)):
        q = qbar(props[:, k], ang[k])
        a += q * (zt[k] - zb[k])
        b += q * (zt[k] ** 2 - zb[k] ** 2) / 2
        d += q * (zt[k] ** 3 - zb[k] ** 3) / 3
    return a, b, d


def plies(*angles, props=CFRP, t=0.125e-3):
    n = len(angles)
    return np.tile(props[:, None], (1, n)), np.array(angles, float), np.full(n, t)


def random_laminate(rng, n):
    e = np.empty((9, n))
    for k in range(n):
        e1, e2 = rng.uniform(40e9, 200e9), rng.uniform(5e9, 15e9)
        e[:, k] = [e1, e2, e2, rng.uniform(0.2, 0.35), 0.3, 0.4, rng.uniform(3e9, 7e9),
                   rng.uniform(3e9, 7e9), rng.uniform(2e9, 4e9)]
    return e, rng.uniform(-90, 90, n), rng.uniform(0.1e-3, 0.5e-3, n)


def abd_of(e, ang, t):
    return L.getamatrix(e, ang, t), L.getbmatrix(e, ang, t), L.getdmatrix(e, ang, t)


def close(x, y, rel=1e-12):
    x, y = np.asarray(x), np.asarray(y)
    return np.max(np.abs(x - y)) <= rel * max(np.max(np.abs(y)), 1e-300)


# --- Lamination theory -------------------------------------------------------------------------

def test_unsymmetric_laminate_against_first_principles():
    # [0/30/-45] with 5 mm plies (bottom ply first): B is full and its sign shows the ply order.
    e, ang, t = plies(0, 30, -45, t=5e-3)
    a, b, d = abd_of(e, ang, t)
    ra, rb, rd = ref_abd(e, ang, t)
    assert close(a, ra) and close(b, rb) and close(d, rd)
    # Reversing the stack mirrors it about the mid-plane: A and D stay, B changes sign.
    a2, b2, d2 = abd_of(e[:, ::-1], ang[::-1], t[::-1])
    assert close(a2, a) and close(b2, -b) and close(d2, d)
    assert b[0, 0] < 0  # the stiff 0-degree ply is the bottom ply (z < 0)
    assert np.array_equal(L.getabdmatrix(a, b, d), np.block([[a, b], [b, d]]))
    rng = np.random.default_rng(rng_seed(7))
    for n in (1, 5, 12):
        e, ang, t = random_laminate(rng, n)
        for got, ref in zip(abd_of(e, ang, t), ref_abd(e, ang, t)):
            assert close(got, ref, 1e-11)


def test_symmetric_and_quasi_isotropic_laminates():
    e, ang, t = plies(0, 45, -45, 90, 90, -45, 45, 0)
    a, b, d = abd_of(e, ang, t)
    h = t.sum()
    assert np.max(np.abs(b)) <= 1e-12 * np.max(np.abs(a)) * h
    assert close(L.getreducedbendingstiffness(a, b, d), d, 1e-12)
    # Quasi-isotropic: A/h is the isotropic matrix of the invariants U1, U4, U5.
    u1, _, _, u4, u5 = _tolvek.lamina.getinvariantsfromreducedstiffness(CFRP)
    assert close(a / h, [[u1, u4, 0], [u4, u1, 0], [0, 0, u5]], 1e-12)
    assert a[0, 0] == pytest.approx(a[1, 1], rel=1e-14)
    assert abs(a[0, 2]) < 1e-12 * a[0, 0] and abs(a[1, 2]) < 1e-12 * a[0, 0]
    # Membrane constants of an isotropic plate: Ex = Ey = 2 (1 + nu) Gxy, nu = U4/U1.
    ex, ey, gxy, nu = L.getengconstsfromabdmatrix(L.getabdmatrix(a, b, d), h)[:4]
    assert ex == pytest.approx(ey, rel=1e-12) and ex == pytest.approx(2 * (1 + nu) * gxy, rel=1e-12)
    assert nu == pytest.approx(u4 / u1, rel=1e-12)


def test_engineering_constants_against_the_inverse():
    rng = np.random.default_rng(rng_seed(3))
    e, ang, t = random_laminate(rng, 5)
    abd = L.getabdmatrix(*abd_of(e, ang, t))
    h = t.sum()
    s = np.linalg.inv(abd)
    ref = [1 / (s[0, 0] * h), 1 / (s[1, 1] * h), 1 / (s[2, 2] * h), -s[0, 1] / s[0, 0],
           -s[3, 4] / s[3, 3], 12 / (s[4, 4] * h ** 3), 12 / (s[5, 5] * h ** 3), 0]
    assert close(L.getengconstsfromabdmatrix(abd, h), ref, 1e-10)
    stiff = L.getengconstsfromabdmatrix(abd, h, tcflag=1)
    ref = [abd[0, 0] / h, abd[1, 1] / h, abd[2, 2] / h, 0, 12 * abd[3, 3] / h ** 3,
           12 * abd[4, 4] / h ** 3, 12 * abd[5, 5] / h ** 3, 0]
    assert close(stiff, ref, 1e-14)


def test_tilde_blocks_are_the_partial_inverse_of_abd():
    rng = np.random.default_rng(rng_seed(11))
    e, ang, t = random_laminate(rng, 4)
    a, b, d = abd_of(e, ang, t)
    at, bt, dt = L.getabdtilde(a, b, d)
    inv = np.linalg.inv(np.block([[a, b], [b, d]]))
    assert close(at, inv[:3, :3], 1e-9)
    assert close(dt, inv[3:, 3:], 1e-9)
    assert close(-bt, inv[3:, :3], 1e-9)
    assert errstat() == 0
    L.getabdtilde(np.zeros((3, 3)), b, d)
    assert errstat() == -2  # singular A reported by the inversion


def test_ply_z_coordinates_and_section_tables():
    t = np.array([1.0, 2.0, 3.0])
    assert L.getplyzcoord(t, 1, 0) == -3.0 and L.getplyzcoord(t, 3, 2) == 3.0
    assert L.getplyzcoord(t, 2, 1) == -1.0 and L.getplyzcoord(t, 2, 7) == -2.0
    assert L.getplyzcoord(t, 2, 1, refoffset=0.5) == -1.5
    assert errstat() == 0
    for bad in (0, 4, -DEFINT):
        err.rsxerr(1)
        assert L.getplyzcoord(t, bad, 0) == 0.0 and errstat() == -3
    # Three plies in five slots; a section whose first slot is empty; an empty section.
    sl = np.full((5, 3), DEFINT, np.int32)
    sl[:3, 0] = 1
    sl[1:, 1] = 2
    th = np.tile(np.array([1.0, 2.0, 3.0, 4.0, 5.0])[:, None], (1, 3))
    z = L.getsectionzcoord(sl, th)
    assert z.shape == (11, 3)
    assert np.array_equal(z[:, 0], [-3, -2.5, -2, -1, 0, 1.5, 3, 0, 0, 0, 0])
    assert not z[:, 1:].any()
    assert not L.getsectionzcoord(np.full((5, 3), DEFINT, np.int32), th).any()
    # A custom empty marker.
    assert not L.getsectionzcoord(np.array([[1], [1]], np.int32), np.array([[1.0], [1.0]]), defint=1).any()


def test_partial_matrices_against_the_reference():
    rng = np.random.default_rng(rng_seed(5))
    e, ang, t = random_laminate(rng, 4)
    a, b, _ = abd_of(e, ang, t)
    zb, zt = bounds(t)
    assert close(L.getpartialamatrix(e, ang, t, zt[-1], 4), a, 1e-12)
    assert close(L.getpartialbmatrix(e, ang, t, zt[-1], 4), b, 1e-10)
    z = zb[2] + 0.3 * t[2]
    ra = sum(qbar(e[:, k], ang[k]) * (zt[k] - zb[k]) for k in range(2)) + qbar(e[:, 2], ang[2]) * (z - zb[2])
    rb = (sum(qbar(e[:, k], ang[k]) * (zt[k] ** 2 - zb[k] ** 2) for k in range(2))
          + qbar(e[:, 2], ang[2]) * (z ** 2 - zb[2] ** 2)) / 2
    assert close(L.getpartialamatrix(e, ang, t, z, 3), ra, 1e-12)
    assert close(L.getpartialbmatrix(e, ang, t, z, 3), rb, 1e-10)
    for bad in (0, 5):
        err.rsxerr(1)
        assert not L.getpartialamatrix(e, ang, t, z, bad).any() and errstat() == -3
        err.rsxerr(1)
        assert not L.getpartialbmatrix(e, ang, t, z, bad).any() and errstat() == -3


def two_point_table(t):
    zb, zt = bounds(t)
    return np.concatenate([[zb[0]], np.ravel(np.column_stack([(zb + zt) / 2, zt]))])


def test_laminate_integrals_reach_a_b_d():
    rng = np.random.default_rng(rng_seed(9))
    e, ang, t = random_laminate(rng, 3)
    z = two_point_table(t)
    pts = np.full(3, 2, np.int32)
    for expo, ref in zip((1, 2, 3), abd_of(e, ang, t)):
        x = L.getarbitrarylaminateintegral(expo, e, ang, z, pts)
        assert x.shape == (3, 3, 7)
        assert not x[:, :, 0].any()
        assert close(x[:, :, -1], ref, 1e-10)
    # The middle of ply 2 against the running integral of the reference.
    zb, zt = bounds(t)
    x = L.getarbitrarylaminateintegral(2, e, ang, z, pts)
    ref = (qbar(e[:, 0], ang[0]) * (zt[0] ** 2 - zb[0] ** 2) + qbar(e[:, 1], ang[1]) * (z[3] ** 2 - zb[1] ** 2)) / 2
    assert close(x[:, :, 3], ref, 1e-10)


def test_thermal_laminate_integral():
    rng = np.random.default_rng(rng_seed(2))
    e, ang, t = random_laminate(rng, 3)
    alpha = np.array([[-0.5e-6, 30e-6], [0.2e-6, 25e-6], [-1e-6, 35e-6]])
    props = np.vstack([e, alpha.T])
    z = two_point_table(t)
    x = L.getarbitrarylaminateintegral(1, props, ang, z, np.full(3, 2, np.int32), thflag=1)
    assert x.shape == (3, 1, 7)
    zb, zt = bounds(t)
    ref = np.zeros(3)
    for k in range(3):
        c, s = math.cos(math.radians(ang[k])), math.sin(math.radians(ang[k]))
        a1, a2 = alpha[k]
        glob = [a1 * c * c + a2 * s * s, a1 * s * s + a2 * c * c, 2 * (a1 - a2) * c * s]
        ref += qbar(e[:, k], ang[k]) @ glob * (zt[k] - zb[k])
    assert close(x[:, 0, -1], ref, 1e-10)


def test_laminate_integral_refuses_a_table_that_does_not_fit():
    e, ang, t = plies(0, 90)
    z = two_point_table(t)
    x = L.getarbitrarylaminateintegral(1, e, ang, z, np.array([2, 3], np.int32))
    assert not x.any() and errstat() == -2
    err.rsxerr(1)
    x = L.getarbitrarylaminateintegral(0, e, ang, z, np.array([2, 2], np.int32))
    assert not x.any() and errstat() == -3
    err.rsxerr(1)
    x = L.getarbitrarylaminateintegral(1, e, ang, z, np.array([2, 2], np.int32), thflag=1)
    assert not x.any() and errstat() == -2  # no thermal rows
    # A ply without points adds nothing and takes no table entry.
    err.rsxerr(1)
    x = L.getarbitrarylaminateintegral(1, e, ang, z[:3], np.array([2, 0], np.int32))
    assert errstat() == 0 and close(x[:, :, 2], qbar(CFRP, 0) * t[0])


def test_a_ply_whose_stiffness_is_not_finite_is_reported_not_read_as_a_nan_laminate():
    """A ply left without moduli (every property 0: 0/0 in its reduced stiffness), or with an
    angle or a thickness that is not a number, makes the A, B, D sums NaN: each routine that sums
    them records it at -3 with the ply and the ply count; a stored result of the same stack does
    too. Plies that are all finite leave no report."""
    e, ang, t = plies(0, 90, 0, 45)
    bad = [(e.copy(), ang, t, 2), (e, ang.copy(), t, 4), (e, ang, t.copy(), 3)]
    bad[0][0][:, 1] = 0.0
    bad[1][1][3] = np.nan
    bad[2][2][2] = np.nan
    for e_k, a_k, t_k, ply in bad:
        for routine in (L.getamatrix, L.getbmatrix, L.getdmatrix, L.getamatrix):
            err.rsxerr(1)
            x = routine(e_k, a_k, t_k)
            assert not np.isfinite(x).all()
            assert (errstat(), errtext()) == (-3, "Ply stiffness not finite in the laminate stiffness")
            assert err.errintv.tolist() == [ply, 4]
        err.rsxerr(1)
        assert np.isnan(L.geteffectiveplatestiffness(e_k, a_k, t_k)) and errstat() == -3
    err.rsxerr(1)
    for got, ref in zip(abd_of(e, ang, t), ref_abd(e, ang, t)):
        assert close(got, ref)
    assert errstat() == 0


def test_effective_plate_stiffness():
    iso = np.array([70e9, 70e9, 70e9, 0.3, 0.3, 0.3, 70e9 / 2.6, 70e9 / 2.6, 70e9 / 2.6])
    e, ang, t = plies(0, props=iso, t=2e-3)
    assert L.geteffectiveplatestiffness(e, ang, t) == pytest.approx(L.getdmatrix(e, ang, t)[0, 0], rel=1e-14)


# --- Ply strains and stresses ------------------------------------------------------------------

def strain_to_ply(eps, deg):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    ex, ey, gxy = eps
    return [c * c * ex + s * s * ey + c * s * gxy, s * s * ex + c * c * ey - c * s * gxy,
            -2 * c * s * ex + 2 * c * s * ey + (c * c - s * s) * gxy]


def test_section_strains_in_ply_axes():
    rng = np.random.default_rng(rng_seed(4))
    _, ang, t = random_laminate(rng, 4)
    se = rng.normal(size=6) * [1e-3, 1e-3, 1e-3, 1.0, 1.0, 1.0]
    got = L.getsectionstrain(se, ang, t)
    zb, zt = bounds(t)
    for k in range(4):
        for j, z in enumerate((zb[k], (zb[k] + zt[k]) / 2, zt[k])):
            lam = se[:3] + z * se[3:]
            assert close(got[:, 3 * k + j], strain_to_ply(lam, ang[k]), 1e-12)
    # z from the top surface: the top point carries the mid-plane strains unchanged.
    top = L.getsectionstrain(se, np.array([30.0, 0.0]), np.array([1.0, 1.0]), reference=1.0)
    assert np.array_equal(top[:, -1], se[:3])
    # Without curvature every point has the same laminate-axis strain.
    flat = L.getplystrain(np.r_[se[:3], 0, 0, 0], np.linspace(-1, 1, 5))
    assert np.array_equal(flat, np.tile(se[:3, None], (1, 5)))


def test_ply_bottom_top_stresses():
    ses = np.arange(36.0).reshape(6, 6, order="F")
    sbt = L.getplybottomtopstress(ses, np.array([3, 3], np.int32))
    assert np.array_equal(sbt, ses[:, [0, 2, 3, 5]])
    # Uneven counts, and a ply with a single point (its bottom and top).
    sbt = L.getplybottomtopstress(ses, np.array([1, 2, 3], np.int32))
    assert np.array_equal(sbt, ses[:, [0, 0, 1, 2, 3, 5]])
    sbt = L.getplybottomtopstress(ses[:, :3], np.array([1, 1, 1], np.int32))
    assert np.array_equal(sbt, ses[:, [0, 0, 1, 1, 2, 2]])


def test_regression_ply_bottom_top_stress_counts_that_do_not_fit():
    ses = np.arange(36.0).reshape(6, 6, order="F")
    for counts in ([2, 2], [4, 3], [1, 1, 1, 1, 1, 1, 1], [3, 0, 3], [7, -1]):
        err.rsxerr(1)
        sbt = L.getplybottomtopstress(ses, np.array(counts, np.int32))
        assert sbt.shape == (6, 2 * len(counts))
        assert not sbt.any() and errstat() == -2


def test_sub_laminates():
    assert list(L.getsublaminatestack(np.array([1.0, 1.0]), 1)) == [2, 2]
    assert list(L.getsublaminatestack(np.array([1.0, 2.0]), 1)) == [1, 1]
    assert list(L.getsublaminatestack(np.array([1.0, 2.0, 1.0]), 2)) == [3, 3]
    assert list(L.getsublaminatestack(np.array([1.0, 2.0]), 0)) == [1, 0]
    for bad in (-1, 3):
        err.rsxerr(1)
        assert list(L.getsublaminatestack(np.array([1.0, 2.0]), bad)) == [0, 0] and errstat() == -3
    err.rsxerr(1)
    e, ang, t = plies(0, 45, -45, 90)
    t = np.array([1e-3, 2e-3, 1e-3, 3e-3])
    stack = np.array([2, 3], np.int32)
    for flag, ref in zip("ABD", abd_of(e[:, 1:3], ang[1:3], t[1:3])):
        assert close(L.getsublaminatexmatrix(flag, e, ang, t, stack), ref, 1e-13)
    assert not L.getsublaminatexmatrix("a", e, ang, t, stack).any()
    assert not L.getsublaminatexmatrix("A", e, ang, t, np.array([3, 2], np.int32)).any()
    assert errstat() == 0
    for bad in ([0, 2], [3, 5]):
        err.rsxerr(1)
        assert not L.getsublaminatexmatrix("A", e, ang, t, np.array(bad, np.int32)).any()
        assert errstat() == -3


def test_chai_factors():
    q = _tolvek.lamina.getnyestiffnessmatrix(CFRP, 3)
    f = L.getchaidelamfactors(q, q, 0.0, 1e-3, 1e-3, 3e9, 3e9, 5e9, 5e9)
    assert np.array_equal(f, [0.0, 1.0, 1.0])
    # The first factor uses Q11 of the upper ply turned by the angle difference.
    soft = CFRP * [0.5, 1, 1, 1, 1, 1, 1, 1, 1]
    qu = _tolvek.lamina.getnyestiffnessmatrix(soft, 3)
    turned = _tolvek.lamina.getnyeoffaxissc(35.0, soft, 3, 1)[0, 0]
    f = L.getchaidelamfactors(q, qu, 35.0, 2e-3, 1e-3, 3e9, 4e9, 5e9, 6e9)
    assert f[0] == pytest.approx(2 * (q[0, 0] - turned) / (q[0, 0] - qu[1, 1]), rel=1e-12)


# --- Lamination parameters, decoupling angle, neighbour angles ----------------------------------

def test_lamination_parameters_rebuild_a_b_d():
    rng = np.random.default_rng(rng_seed(12))
    e, ang, t = random_laminate(rng, 6)
    e[:] = CFRP[:, None]
    v = L.getvmatrix(np.radians(ang), t)
    u1, u2, u3, u4, u5 = _tolvek.lamina.getinvariantsfromreducedstiffness(CFRP)
    h = t.sum()
    for col, (x, scale) in enumerate(zip(abd_of(e, ang, t), (h, h * h / 4, h ** 3 / 12))):
        base = 1.0 if col != 1 else 0.0
        v1, v2, v3, v4 = v[:, col]
        ref = np.array([[base * u1 + u2 * v1 + u3 * v2, base * u4 - u3 * v2, u2 * v3 / 2 + u3 * v4],
                        [0, base * u1 - u2 * v1 + u3 * v2, u2 * v3 / 2 - u3 * v4],
                        [0, 0, base * u5 - u3 * v2]]) * scale
        ref = np.triu(ref) + np.triu(ref, 1).T
        assert close(x, ref, 1e-9)
    one = L.getvmatrix(np.zeros(1), np.array([2.0]))
    assert close(one, [[1, 0, 1], [1, 0, 1], [0, 0, 0], [0, 0, 0]], 1e-15)


def test_decoupling_angle_families():
    def angle(*a, props=None, t=None):
        e, ang, th = plies(*a)
        if props is not None:
            e = props
        return L.getdecoupangle(e, ang, th if t is None else t)
    assert angle(0, 90) == 0.0
    assert angle(45, -45) == 45.0
    assert angle(30, 60) == 30.0
    assert angle(0, 270) == 0.0  # 270 is its own family; equal weights keep the first
    assert angle(10, 20, 20) == 20.0
    weak = np.column_stack([CFRP, CFRP * [0.1, 1, 1, 1, 1, 1, 1, 1, 1]])
    assert angle(30, 60, props=weak) == 30.0
    assert angle(77) == 77.0
    assert L.getdecoupangle(np.zeros((9, 0)), np.zeros(0), np.zeros(0)) == 0.0 and errstat() == -3


def test_decoupling_angle_keeps_the_first_of_exactly_tied_families():
    # [a/a+45/a-45/a+90]s of one material, or of two alternating so that both families hold the
    # same plies in another order: equal weights, so the first listed orientation a.
    rng = np.random.default_rng(rng_seed(67))
    ang = np.array([0.0, 45, -45, 90, 90, -45, 45, 0])
    for _ in range(400):
        pa, pb = (np.r_[rng.uniform(20e3, 250e3), np.full(2, rng.uniform(3e3, 20e3)), CFRP[3:]] for _ in "ab")
        a, (ta, tb) = float(rng.integers(-44, 45)), rng.uniform(0.05, 0.5, 2)
        assert L.getdecoupangle(np.tile(pa[:, None], (1, 8)), ang + a, np.full(8, ta)) == a
        mixed = [0, 1, 0, 1, 1, 0, 1, 0]
        assert L.getdecoupangle(np.column_stack([pa, pb])[:, mixed], ang + a, np.array([ta, tb])[mixed]) == a
    # the tie that gave psi = 45 and an H22 22 % low; psi = 0 gives 5059.0
    e, ang, t = plies(0, 45, -45, 90, 90, -45, 45, 0, props=np.r_[94000.0, 11700, 11700, 0.3, 0.3, 0.4, 5850, 5850,
                                                                   11700 / 2.8], t=0.15)
    assert L.getdecoupangle(e, ang, t) == 0.0
    assert L.gethmatriximprovedshear(e, ang, t)[1, 1] == pytest.approx(5059.0, abs=0.05)


def test_neighbour_angles():
    a = np.array([0.0, 45.0, -45.0, 90.0])
    assert L.getdangle(a, 0, 1) == 0.0 and L.getdangle(a, 1, 4) == 0.0
    assert L.getdangle(a, 0, 3) == -90.0 and L.getdangle(a, 1, 3) == -135.0
    assert errstat() == 0
    assert L.getdangle(a, 2, 2) == 0.0
    assert errstat() == -3
    assert errtext() == "Error: Default case in GetdAngle. Please check your input parameters."
    for bad in (0, 5):
        err.rsxerr(1)
        assert L.getdangle(a, 0, bad) == 0.0 and errstat() == -3
