"""Through-thickness recovery and transverse shear stiffness through the Python interface: the
small-f matrix against the equilibrium shear stress built here from first principles, the
identities that equilibrium imposes (zero shear at both faces, shear stresses that integrate to
the applied shear force, s33 that reaches the applied pressure), the classical 5/6 of a
homogeneous plate, and the section tables against the single-laminate routines."""
import math

import numpy as np
import pytest
from scipy import integrate

import _tolvek
from test_laminate import DEFINT, abd_of, bounds, close, errstat, errtext, plies, qbar, random_laminate, ref_abd
from error_record import clean_record  # noqa: F401 (autouse fixture)
from seeding import rng_seed

L = _tolvek.laminate
err = _tolvek.errorhandling
ISO = np.array([70e9, 70e9, 70e9, 0.3, 0.3, 0.3, 70e9 / 2.6, 70e9 / 2.6, 70e9 / 2.6])


def section(e, ang, t):
    """One section holding the whole laminate: the section tables and its z-table."""
    n = len(t)
    sl = np.arange(1, n + 1, dtype=np.int32)[:, None]
    z = L.getsectionzcoord(sl, t[:, None])
    return sl, ang[:, None], t[:, None], z, e[:, :, None]


def ref_f(e, ang, t, z, k):
    """Equilibrium shear-stress matrix F(z) = Aprt A^-1 B D* - Bprt D* in laminate axes."""
    a, b, d = ref_abd(e, ang, t)
    dstar = np.linalg.inv(d - b @ np.linalg.inv(a) @ b)
    zb, zt = bounds(t)
    ap = sum(qbar(e[:, m], ang[m]) * (zt[m] - zb[m]) for m in range(k)) + qbar(e[:, k], ang[k]) * (z - zb[k])
    bp = (sum(qbar(e[:, m], ang[m]) * (zt[m] ** 2 - zb[m] ** 2) for m in range(k))
          + qbar(e[:, k], ang[k]) * (z ** 2 - zb[k] ** 2)) / 2
    return ap @ np.linalg.inv(a) @ b @ dstar - bp @ dstar


def simpson(table, z, n):
    """Integral over the thickness of a quantity tabulated at bottom, middle and top of each ply."""
    return sum((z[2 * k + 2] - z[2 * k]) / 6 * (table[2 * k] + 4 * table[2 * k + 1] + table[2 * k + 2])
               for k in range(n))


def slots_to_matrices(table):
    """Rows of a four-slot table as 2 x 2 matrices read row by row."""
    return table.reshape(-1, 2, 2)


# --- Small-f matrix -------------------------------------------------------------------------------

def test_small_f_against_equilibrium_of_an_unsymmetric_cross_ply():
    # Families 0 and 90 only: the decoupling angle is 0 and f = diag(F22, F11).
    e, ang, t = plies(0, 90, 0, 90, 90)
    t = np.array([0.2e-3, 0.1e-3, 0.3e-3, 0.15e-3, 0.25e-3])
    a, b, d = abd_of(e, ang, t)
    dstar = np.linalg.inv(d - b @ np.linalg.inv(a) @ b)
    fa, fb = np.linalg.inv(a) @ b @ dstar, dstar
    zb, zt = bounds(t)
    scale = 1 / t.sum()  # size of f: its integral over the thickness is 1
    for k in range(5):
        for z in (zb[k], zb[k] + 0.4 * t[k], zt[k]):
            f = L.getsmallfmatrix(e, ang, t, z, fa, fb, k + 1)
            ref = ref_f(e, ang, t, z, k)
            assert np.max(np.abs(f - np.diag([ref[1, 1], ref[0, 0]]))) < 1e-9 * scale
    # The shear stress vanishes at both faces.
    assert np.max(np.abs(L.getsmallfmatrix(e, ang, t, zb[0], fa, fb, 1))) < 1e-9 * scale
    assert np.max(np.abs(L.getsmallfmatrix(e, ang, t, zt[-1], fa, fb, 5))) < 1e-9 * scale
    for bad in (0, 6):
        err.rsxerr(1)
        assert not L.getsmallfmatrix(e, ang, t, 0.0, fa, fb, bad).any() and errstat() == -3


def test_recovered_shear_integrates_to_the_shear_force():
    rng = np.random.default_rng(rng_seed(21))
    for n in (1, 3, 6):
        e, ang, t = random_laminate(rng, n)
        sl, a2, t2, z, e3 = section(e, ang, t)
        table = L.getsectionfmatrix(sl, a2, t2, z, e3)[:, :, 0]
        zz = z[:, 0]
        # The small-f table integrates to the identity, so any shear force comes back whole.
        assert close(simpson(slots_to_matrices(table), zz, n), np.eye(2), 1e-9)
        r = rng.normal(size=2) * 1e3
        tau = L.getext2dshearstress(r, ang, table, 3)
        # Back from ply axes into laminate axes, then through the thickness.
        lam = np.empty((2 * n + 1, 2))
        for k in range(n):
            c, s = math.cos(math.radians(ang[k])), math.sin(math.radians(ang[k]))
            back = tau[3 * k:3 * k + 3] @ np.array([[c, -s], [s, c]])
            lam[2 * k], lam[2 * k + 1], lam[2 * k + 2] = back
        assert close(simpson(lam, zz, n), r, 1e-9)


def test_section_f_table_layout():
    e, ang, t = plies(0, 45, 90)
    sl = np.full((3, 3), DEFINT, np.int32)
    sl[:2, 0] = 1
    sl[:, 1] = 2
    e3 = np.tile(e[:, :, None], (1, 1, 3))
    e3[:, :, 2] = 0.0
    sl[:, 2] = 3  # plies without elastic data: skipped
    a2, t2 = np.tile(ang[:, None], (1, 3)), np.tile(t[:, None], (1, 3))
    z = L.getsectionzcoord(sl, t2)
    f = L.getsectionfmatrix(sl, a2, t2, z, e3)
    assert f.shape == (7, 4, 3)
    assert not f[5:, :, 0].any() and not f[:, :, 2].any()
    # Each section against its own laminate at its own z-points.
    for sec, n in ((0, 2), (1, 3)):
        a, b, d = abd_of(e[:, :n], ang[:n], t[:n])
        dstar = np.linalg.inv(d - b @ np.linalg.inv(a) @ b)
        fa = np.linalg.inv(a) @ b @ dstar
        for p in range(2 * n + 1):
            k = min(p // 2, n - 1) + 1
            ref = L.getsmallfmatrix(e[:, :n], ang[:n], t[:n], z[p, sec], fa, dstar, k)
            assert np.max(np.abs(f[p, :, sec] - ref.ravel(order="F"))) < 1e-9 / t[:n].sum()
    assert not L.getsectionfmatrix(np.full((3, 3), DEFINT, np.int32), a2, t2, z, e3).any()


def test_small_f_anywhere_in_a_ply():
    rng = np.random.default_rng(rng_seed(8))
    e, ang, t = random_laminate(rng, 4)
    sl, a2, t2, z, e3 = section(e, ang, t)
    table = L.getsectionfmatrix(sl, a2, t2, z, e3)[:, :, 0]
    zz = z[:, 0]
    a, b, d = abd_of(e, ang, t)
    dstar = np.linalg.inv(d - b @ np.linalg.inv(a) @ b)
    fa = np.linalg.inv(a) @ b @ dstar
    for k in range(1, 5):
        rows = slots_to_matrices(table)
        assert np.array_equal(L.getarbitrarysmallf(k, zz[2 * k - 2], zz, table), rows[2 * k - 2])
        # f is quadratic in each ply: the interpolation is exact.
        x = zz[2 * k - 2] + 0.3 * t[k - 1]
        ref = L.getsmallfmatrix(e, ang, t, x, fa, dstar, k)
        assert close(L.getarbitrarysmallf(k, x, zz, table), ref.T, 1e-8)
    assert errstat() == 0
    # Outside the ply: reported, and the parabola extrapolated.
    x = zz[2] - 0.2 * t[1]
    got = L.getarbitrarysmallf(2, x, zz, table)
    assert errstat() == -2 and errtext() == "Error during the calculation of f(z)"
    assert close(got, L.getsmallfmatrix(e, ang, t, x, fa, dstar, 2).T, 1e-8)
    for bad in (0, 5):
        err.rsxerr(1)
        assert not L.getarbitrarysmallf(bad, 0.0, zz, table).any() and errstat() == -3


def test_shear_stress_points_per_ply():
    e, ang, t = plies(0, 30)
    sl, a2, t2, z, e3 = section(e, ang, t)
    table = L.getsectionfmatrix(sl, a2, t2, z, e3)[:, :, 0]
    r = np.array([2.0, -1.0])
    rows = slots_to_matrices(table)
    one = L.getext2dshearstress(r, ang, table, 1)
    five = L.getext2dshearstress(r, ang, table, 5)
    assert one.shape == (2, 2) and five.shape == (10, 2)
    assert np.array_equal(one[1], five[9])  # a single point takes the top
    assert np.array_equal(five[6], five[8])  # the inner points take the middle
    c, s = math.cos(math.radians(30)), math.sin(math.radians(30))
    assert close(five[5], np.array([[c, -s], [s, c]]) @ rows[2] @ r, 1e-14)  # bottom of ply 2


# --- Transverse normal stress ---------------------------------------------------------------------

def s33_case(t, angles):
    e, ang, _ = plies(*angles)
    sl, a2, t2, z, e3 = section(e, ang, t)
    return z[:, 0], L.getsectionfmatrix(sl, a2, t2, z, e3)[:, :, 0]


def test_normal_stress_reaches_the_applied_pressure():
    zz, table = s33_case(np.array([0.2e-3, 0.3e-3, 0.1e-3, 0.25e-3]), (0, 45, -45, 90))
    rdx, rdy = np.array([3.0e3, -2.0e3]), np.array([1.5e3, 4.0e3])
    up = L.getnormalstressfrombottom(rdx, rdy, zz, table)
    assert up[0] == 0.0
    # Equilibrium through the thickness: s33(top) = -(dQx/dx + dQy/dy).
    assert up[-1] == pytest.approx(-(rdy[0] + rdx[1]), rel=1e-9)
    down = L.getnormalstressfromtop(rdx, rdy, 7.0, zz, table)
    assert down[-1] == 7.0
    assert close(down - up, np.full_like(up, down[0]), 1e-9)
    # The profile against an independent quadrature of the interpolated slope.
    def slope(x):
        k = min(np.searchsorted(zz[::2], x, side="right"), len(zz) // 2)
        m = L.getarbitrarysmallf(k, x, zz, table)
        return -(m[0, 0] * rdy[0] + m[0, 1] * rdy[1] + m[1, 0] * rdx[0] + m[1, 1] * rdx[1])
    for p in (3, 5):
        ref = integrate.quad(slope, zz[0], zz[p], points=zz[1:p], epsabs=1e-12)[0]
        assert up[p] == pytest.approx(ref, rel=1e-8, abs=1e-9)


def test_regression_normal_stress_ply_centred_on_minus_its_bottom():
    # Ply 2 spans [-1, 3] mm with its middle at +1 mm: bottom and middle have equal squares,
    # which a parabola fitted through monomial coefficients divides by.
    zz, table = s33_case(np.array([2e-3, 4e-3]), (0, 90))
    assert zz[2] == -zz[3]
    rdx, rdy = np.array([1.0e3, 2.0e3]), np.array([-1.0e3, 5.0e2])
    up = L.getnormalstressfrombottom(rdx, rdy, zz, table)
    assert np.all(np.isfinite(up))
    assert up[-1] == pytest.approx(-(rdy[0] + rdx[1]), rel=1e-9)


# --- Curved-shell integrals -----------------------------------------------------------------------

def test_membrane_normal_stress_integral():
    z = np.array([-1.0, -0.5, 0.0, 0.25, 0.5])
    counts = np.array([3, 3], np.int32)
    sbt = np.array([2.0, -1.0, 4.0, 3.0])
    assert not L.getintegralofmembranenormalstress(sbt, z, counts, 0.0, 0.3).any()
    ki, kj = 0.2, -0.4

    def s(x):
        return np.interp(x, [-1, 0], [2, -1]) if x <= 0 else np.interp(x, [0, 0.5], [4, 3])

    got = L.getintegralofmembranenormalstress(sbt, z, counts, ki, kj)
    for i, x in enumerate(z):
        ref = -ki * integrate.quad(lambda u: s(u) * (1 - kj * u), -1, x, points=[0.0])[0]
        assert got[i] == pytest.approx(ref / ((1 - ki * x) * (1 - kj * x)), rel=1e-12, abs=1e-14)
    # Five points per ply share the ply bounds; a table that does not fit is refused.
    z5 = np.array([-1.0, -0.75, -0.5, -0.25, 0.0, 0.125, 0.25, 0.375, 0.5])
    got5 = L.getintegralofmembranenormalstress(sbt, z5, np.array([5, 5], np.int32), ki, kj)
    assert close(got5[[0, 2, 4, 6, 8]], got, 1e-12)
    for bad in ([3, 4], [1, 3], [5, 5]):
        err.rsxerr(1)
        out = L.getintegralofmembranenormalstress(sbt, z, np.array(bad, np.int32), ki, kj)
        assert not out.any() and errstat() == -2


def test_double_integrals_without_curvature():
    rng = np.random.default_rng(rng_seed(17))
    e, ang, t = random_laminate(rng, 3)
    zb, zt = bounds(t)
    z = np.concatenate([[zb[0]], np.ravel(np.column_stack([(zb + zt) / 2, zt]))])
    pts = np.full(3, 2, np.int32)
    a, b, d = abd_of(e, ang, t)
    h = t.sum()
    p1 = L.getarbitrarylaminateintegral(1, e, ang, z, pts)
    p2 = L.getarbitrarylaminateintegral(2, e, ang, z, pts)
    # Through the whole thickness (integration by parts): int Aprt = h/2 A - B and
    # int Bprt = h/2 B - D.
    x0 = L.getpartialcdwithcurvature(p1, e, ang, z, pts, 0.0, 0.0, 0)
    x1 = L.getpartialcdwithcurvature(p2, e, ang, z, pts, 0.0, 0.0, 1)
    assert close(x0[:, :, -1], h / 2 * a - b, 1e-9)
    assert close(x1[:, :, -1], h / 2 * b - d, 1e-9)
    assert not x0[:, :, 0].any()
    err.rsxerr(1)
    out = L.getpartialcdwithcurvature(p1, e, ang, z, np.array([2, 2, 1], np.int32), 0.1, 0.2, 0)
    assert not out.any() and errstat() == -2
    err.rsxerr(1)
    out = L.getpartialcdwithcurvature(p1[:, :2], e, ang, z, pts, 0.1, 0.2, 0)
    assert not out.any() and errstat() == -2


def test_section_fg_table():
    # Symmetric cross-ply without curvature: B = 0 and the F/G table is the small-f table.
    e, ang, t = plies(0, 90, 90, 0)
    sl, a2, t2, z, e3 = section(e, ang, t)
    f = L.getsectionfmatrix(sl, a2, t2, z, e3)
    fg = L.getarbitrarysectionfg(sl, a2, t2, z, e3, 1, 1)
    assert close(fg, f, 1e-9)
    # Unsymmetric: the slots (F(2,2), F(3,1), F(3,2), F(1,1)) of P1 btstar - P2 dtstar.
    rng = np.random.default_rng(rng_seed(4))
    e, ang, t = random_laminate(rng, 3)
    sl, a2, t2, z, e3 = section(e, ang, t)
    pts = np.full(3, 2, np.int32)
    p1 = L.getarbitrarylaminateintegral(1, e, ang, z[:, 0], pts)
    p2 = L.getarbitrarylaminateintegral(2, e, ang, z[:, 0], pts)
    at, bt, dt = L.getabdtilde(*abd_of(e, ang, t))
    ref = np.einsum("ijp,jk->pik", p1, bt) - np.einsum("ijp,jk->pik", p2, dt)
    got = L.getarbitrarysectionfg(sl, a2, t2, z, e3, 1, 1)[:, :, 0]
    assert close(got, ref[:, [1, 2, 2, 0], [1, 0, 1, 0]], 1e-9)
    ref = np.einsum("ijp,jk->pik", p2, bt) - np.einsum("ijp,jk->pik", p1, at)
    got = L.getarbitrarysectionfg(sl, a2, t2, z, e3, 1, 0)[:, :, 0]
    assert close(got, ref[:, [1, 2, 2, 0], [1, 0, 1, 0]], 1e-9)
    # Curvatures: every entry stays finite and the empty list gives zeros.
    assert np.all(np.isfinite(L.getarbitrarysectionfg(sl, a2, t2, z, e3, 0, 1, xycurv=[0.5, -0.2])))
    assert not L.getarbitrarysectionfg(np.full((3, 1), DEFINT, np.int32), a2, t2, z, e3, 1, 1).any()


# --- Transverse shear stiffness -------------------------------------------------------------------

def test_homogeneous_plate_has_five_sixths():
    e, ang, t = plies(0, props=ISO, t=2e-3)
    g = ISO[8]
    five_sixths = np.diag([5 / 6 * g * 2e-3] * 2)
    assert close(L.gethmatriximprovedshear(e, ang, t), five_sixths, 1e-12)
    assert close(L.gethmatrixquadrature(e, ang, t), five_sixths, 1e-9)  # truncated Gauss constants
    assert close(L.gethmatrixshearcorrect(e, ang, t), five_sixths, 1e-12)
    sk = L.getshearcorrectfactors(np.diag([g * 2e-3] * 2), e, ang, t)
    assert close(sk, [5 / 6, 5 / 6], 1e-12)
    # A homogeneous plate cut into plies is the same plate.
    e4, ang4, t4 = plies(0, 0, 0, 0, props=ISO, t=0.5e-3)
    for fn in (L.gethmatriximprovedshear, L.gethmatrixquadrature, L.gethmatrixshearcorrect):
        assert close(fn(e4, ang4, t4), five_sixths, 1e-9)


def test_shear_stiffness_of_a_cross_ply_against_the_energy_integral():
    e, ang, t = plies(0, 90, 90, 0, t=0.25e-3)
    zb, zt = bounds(t)
    hinv = np.zeros((2, 2))
    for k in range(4):
        g13, g23 = e[7, k], e[8, k]
        c, s = math.cos(math.radians(ang[k])), math.sin(math.radians(ang[k]))
        hoff = np.array([[g23 * c * c + g13 * s * s, (g13 - g23) * c * s],
                         [(g13 - g23) * c * s, g23 * s * s + g13 * c * c]])
        hi = np.linalg.inv(hoff)

        def integrand(z, i, j):
            ff = ref_f(e, ang, t, z, k)
            f = np.diag([ff[1, 1], ff[0, 0]])
            return (f.T @ hi @ f)[i, j]
        for i in range(2):
            for j in range(2):
                hinv[i, j] += integrate.quad(integrand, zb[k], zt[k], args=(i, j), epsabs=0)[0]
    ref = np.linalg.inv(hinv)
    assert close(L.gethmatriximprovedshear(e, ang, t), ref, 1e-9)
    assert close(L.gethmatrixquadrature(e, ang, t), ref, 1e-8)


def test_shear_correction_of_an_unsymmetric_laminate_against_cylindrical_bending():
    # Bending about one axis with N = 0: s(z) = Qbar11 (A11 z - B11) M / (A11 D11 - B11^2), and
    # the shear stress per unit shear force is its integral from the bottom.
    rng = np.random.default_rng(rng_seed(14))
    e, ang, t = random_laminate(rng, 5)
    a, b, _ = abd_of(e, ang, t)
    d = L.getdmatrix(e, ang, t)
    zb, zt = bounds(t)
    hlam = np.zeros((2, 2))
    for k in range(5):
        c, s = math.cos(math.radians(ang[k])), math.sin(math.radians(ang[k]))
        g13, g23 = e[7, k], e[8, k]
        hlam += t[k] * np.array([[g23 * c * c + g13 * s * s, (g13 - g23) * c * s],
                                 [(g13 - g23) * c * s, g23 * s * s + g13 * c * c]])
    sk = L.getshearcorrectfactors(hlam, e, ang, t)
    for i, (q, hidx) in enumerate(((1, 0), (0, 1))):  # 23 pair bends about x (entry 22), 13 about y
        det = a[q, q] * d[q, q] - b[q, q] ** 2

        def tau(z):
            k = min(np.searchsorted(zt, z), 4)
            done = sum(qbar(e[:, m], ang[m])[q, q] * (a[q, q] * (zt[m] ** 2 - zb[m] ** 2) / 2 - b[q, q] * (zt[m] - zb[m]))
                       for m in range(k))
            here = qbar(e[:, k], ang[k])[q, q] * (a[q, q] * (z * z - zb[k] ** 2) / 2 - b[q, q] * (z - zb[k]))
            return (done + here) / det

        energy = 0.0
        for k in range(5):
            c, s = math.cos(math.radians(ang[k])), math.sin(math.radians(ang[k]))
            g13, g23 = e[7, k], e[8, k]
            hoff = np.array([[g23 * c * c + g13 * s * s, (g13 - g23) * c * s],
                             [(g13 - g23) * c * s, g23 * s * s + g13 * c * c]])
            energy += np.linalg.inv(hoff)[hidx, hidx] * integrate.quad(lambda z: tau(z) ** 2, zb[k], zt[k])[0]
        assert sk[i] == pytest.approx(1 / (energy * hlam[i, i]), rel=1e-9)
    h = L.gethmatrixshearcorrect(e, ang, t)
    assert close(h, np.sqrt(np.outer(sk, sk)) * hlam, 1e-14)


def test_section_h_table():
    rng = np.random.default_rng(rng_seed(10))
    e, ang, t = random_laminate(rng, 4)
    sl = np.full((4, 3), DEFINT, np.int32)
    sl[:, 0] = 1
    sl[:2, 1] = 2
    e3 = np.tile(e[:, :, None], (1, 1, 3))
    a2, t2 = np.tile(ang[:, None], (1, 3)), np.tile(t[:, None], (1, 3))
    methods = {0: L.gethmatrixshearcorrect, 1: L.gethmatriximprovedshear, 2: L.gethmatrixquadrature,
               5: L.gethmatriximprovedshear}
    for method, fn in methods.items():
        h = L.getsectionhmatrix(sl, a2, t2, e3, method=method)
        assert close(h[:, :, 0], fn(e, ang, t), 1e-14)
        assert close(h[:, :, 1], fn(e[:, :2], ang[:2], t[:2]), 1e-14)
        assert not h[:, :, 2].any()
    assert np.array_equal(L.getsectionhmatrix(sl, a2, t2, e3), L.getsectionhmatrix(sl, a2, t2, e3, method=1))
    assert not L.getsectionhmatrix(sl, a2, t2, np.zeros_like(e3)).any()
    assert errstat() == 0
