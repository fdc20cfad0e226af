"""Sublaminate buckling: the Ritz tables against exact integrals of their basis, buckling loads
against plate closed forms and invariances, the sequential buckling records of a stack and of
every section and damage set."""
import itertools
from math import gamma, pi

import numpy as np
import pytest
import scipy.linalg

import _tolvek as t
from error_record import clean_record  # noqa: F401 (autouse fixture)
from seeding import rng_seed

sl, eh = t.sublaminate, t.errorhandling
DEFINT = 2147483647
E, NU = 70e9, 0.3
ISO = [E, E, E, NU, NU, NU, E / 2.6, E / 2.6, E / 2.6]
CFRP = [140e9, 9e9, 9e9, 0.3, 0.3, 0.45, 5e9, 5e9, 3.5e9]


def record():
    return int(eh.errstat), bytes(eh.errstring).rstrip().decode()


# --- Exact Ritz integrals ----------------------------------------------------------------------
# Polynomials in (xi, eta) as coefficient matrices c[i, j] of xi^i eta^j.

def pmul(a, b):
    r = np.zeros((a.shape[0] + b.shape[0] - 1, a.shape[1] + b.shape[1] - 1))
    for i, j in zip(*np.nonzero(a)):
        r[i:i + b.shape[0], j:j + b.shape[1]] += a[i, j] * b
    return r


def dxi(a):
    return np.vstack([a[1:] * np.arange(1, a.shape[0])[:, None], np.zeros((1, a.shape[1]))])


def deta(a):
    return dxi(a.T).T


def mono(i, j):
    c = np.zeros((i + 1, j + 1))
    c[i, j] = 1.0
    return c


def integral(c, shape):
    """Integral over the unit disk (shape 1) or the square [-1, 1]^2."""
    s = 0.0
    for i, j in zip(*np.nonzero(c)):
        if i % 2 or j % 2:
            continue
        if shape == 1:
            s += c[i, j] * 2 * gamma((i + 1) / 2) * gamma((j + 1) / 2) / ((i + j + 2) * gamma((i + j + 2) / 2))
        else:
            s += c[i, j] * 4 / ((i + 1) * (j + 1))
    return s


def ritz(shape):
    one_x = np.array([[1.0], [0.0], [-1.0]])          # 1 - xi^2
    one_y = one_x.T                                    # 1 - eta^2
    if shape == 1:
        disk = np.zeros((3, 3))
        disk[0, 0], disk[2, 0], disk[0, 2] = 1, -1, -1
        bubble = pmul(disk, disk)
    elif shape == 2:
        bubble = pmul(pmul(one_x, one_x), pmul(one_y, one_y))
    else:
        bubble = pmul(one_x, one_y)
    basis = [pmul(bubble, mono(i, j)) for i, j in [(0, 0), (1, 0), (0, 1), (1, 1), (2, 0), (0, 2)]]
    kk, kg = np.zeros((5, 6, 6)), np.zeros((3, 6, 6))
    for p, q in itertools.product(range(6), repeat=2):
        u, v = basis[p], basis[q]
        uxx, uyy, uxy = dxi(dxi(u)), deta(deta(u)), dxi(deta(u))
        vxx, vyy, vxy = dxi(dxi(v)), deta(deta(v)), dxi(deta(v))
        I = lambda c: integral(c, shape)
        kk[0, p, q] = I(pmul(uxx, vxx))
        kk[1, p, q] = I(pmul(uyy, vyy))
        kk[2, p, q] = 2 * I(pmul(uxy, vxy))
        kk[3, p, q] = 2 * (I(pmul(uxx, vxy)) + I(pmul(uxy, vxx)))
        kk[4, p, q] = 2 * (I(pmul(uyy, vxy)) + I(pmul(uxy, vyy)))
        kg[0, p, q] = I(pmul(dxi(u), dxi(v)))
        kg[1, p, q] = I(pmul(deta(u), deta(v)))
        kg[2, p, q] = I(pmul(dxi(u), deta(v))) + I(pmul(deta(u), dxi(v)))
    return kk, kg


ROUTINES = {1: (sl.getkkellipse, sl.getkgellipse), 2: (sl.getkkrectangle, sl.getkgrectangle),
            3: (sl.getkkrecttang, sl.getkgrecttang)}


@pytest.mark.parametrize("shape", [1, 2, 3])
def test_ritz_tables_are_the_integrals_of_their_basis(shape):
    kk, kg = ritz(shape)
    getkk, getkg = ROUTINES[shape]
    scale = getkg(1)[0, 0] / kg[0, 0, 0]  # one common factor per shape
    for k, alias in enumerate([11, 22, 33, 16, 26]):
        np.testing.assert_allclose(getkk(k + 1), scale * kk[k], rtol=1e-13, atol=1e-13, err_msg=f"kk {k + 1}")
        assert np.array_equal(getkk(alias), getkk(k + 1))
    for k, alias in enumerate([11, 22, 33]):
        np.testing.assert_allclose(getkg(k + 1), scale * kg[k], rtol=1e-13, atol=1e-13, err_msg=f"kg {k + 1}")
        assert np.array_equal(getkg(alias), getkg(k + 1))
    assert record()[0] == 0


def test_tangent_rectangle_d22_table_mirrors_d11():
    # Swapping xi and eta exchanges basis functions 2 <-> 3 and 5 <-> 6.
    swap = [0, 2, 1, 3, 5, 4]
    for getkk in (sl.getkkellipse, sl.getkkrectangle, sl.getkkrecttang):
        np.testing.assert_array_equal(getkk(2), getkk(1)[np.ix_(swap, swap)])
    kk2 = sl.getkkrecttang(2)
    assert kk2[2, 2] == pytest.approx(63 * 64 / 315) and kk2[4, 5] == pytest.approx(3 * 64 / 315)


@pytest.mark.parametrize("call,name", [
    (lambda: sl.getkkellipse(7), "GetKKEllipse"), (lambda: sl.getkkrectangle(0), "GetKKRectangle"),
    (lambda: sl.getkkrecttang(12), "GetKKRectTang"), (lambda: sl.getkgellipse(4), "GetKGEllipse"),
    (lambda: sl.getkgrectangle(16), "GetKGRectangle"), (lambda: sl.getkgrecttang(-1), "GetKGRectTang")])
def test_unknown_ritz_types_give_zero_and_a_warning(call, name):
    assert not call().any()
    text = f"Error: Default case in subroutine {name}. Please check your input parameters."
    assert record() == (-2, text[:80])


def test_shape_codes_of_the_sublaminate_matrices():
    dred = np.diag([1.0, 2.0, 3.0])
    assert not sl.getsubkk(dred, 1.0, 1.0, 0).any() and record()[0] == 0
    assert not sl.getsubkg([1, 0, 0], np.eye(6), np.eye(6), 1.0, 1.0, 0.0, 0).any() and record()[0] == 0
    assert not sl.getsubkk(dred, 1.0, 1.0, 4).any()
    assert record() == (-2, "Error: Default case in subroutine GetSubKK. DShape has to be an integer between")
    eh.rsxerr(1)
    assert not sl.getsubkg([1, 0, 0], np.eye(6), np.eye(6), 1.0, 1.0, 0.0, -1).any()
    assert record()[1].startswith("Error: Default case in subroutine GetSubKG. DShape")


# --- Buckling loads --------------------------------------------------------------------------

def stack(props, angles, thick=1e-3):
    n = len(angles)
    return np.repeat(np.array(props)[:, None], n, axis=1), np.array(angles, float), np.full(n, thick / n)


def buckle(shape, a, b, theta=0.0, props=ISO, angles=(0.0,), thick=1e-3, nglob=(-1, 0, 0)):
    pe, ang, tk = stack(props, angles, thick)
    return sl.getsublambucklingstrain([a, b, theta], list(nglob), pe, ang, tk, shape)


D_ISO = E * 1e-9 / (12 * (1 - NU ** 2))  # bending stiffness of the 1 mm isotropic plate


def test_isotropic_circular_delamination():
    eps, nx, mode = buckle(1, 0.02, 0.02)
    assert eps == pytest.approx(6.28555888298e-3, rel=1e-9)
    assert nx == pytest.approx(4.39989121809e8, rel=1e-9)
    assert nx / eps == pytest.approx(E)  # strain = stress / E for the isotropic plate
    # Split into four plies the stack is the same plate.
    assert buckle(1, 0.02, 0.02, angles=(0, 30, -30, 90))[1] == pytest.approx(nx, rel=1e-12)


def test_clamped_circle_under_radial_compression_approaches_the_bessel_load():
    # Exact: N = j1,1^2 D / a^2 = 14.682 D / a^2 (clamped circular plate, uniform radial load);
    # the Ritz value is an upper bound.
    nx = buckle(1, 0.02, 0.02, nglob=(-1, -1, 0))[1]
    k = nx * 1e-3 * 0.02 ** 2 / D_ISO
    assert 14.682 <= k < 14.682 * 1.002


def test_square_tangent_rectangle_approaches_the_simply_supported_plate():
    # Simply supported square of side 2a under Nx: N = 4 pi^2 D / (2a)^2 = pi^2 D / a^2.
    nx = buckle(3, 0.05, 0.05)[1]
    k = nx * 1e-3 * 0.05 ** 2 / D_ISO
    assert k == pytest.approx(9.874709997787821, rel=1e-10)
    assert 0 < k / pi ** 2 - 1 < 6e-4


@pytest.mark.parametrize("shape", [1, 2, 3])
@pytest.mark.parametrize("a,b", [(0.03, 0.03), (0.04, 0.015)])
def test_turned_ply_under_turned_load_buckles_alike(shape, a, b):
    # 0-degree ply under Nx over (a, b) is the mirror of a 90-degree ply under Ny over (b, a).
    nx0 = buckle(shape, a, b, props=CFRP, angles=(0.0,))[1]
    nx90 = buckle(shape, b, a, props=CFRP, angles=(90.0,), nglob=(0, -1, 0))[1]
    assert nx90 == pytest.approx(nx0, rel=1e-9)


def test_buckling_stress_is_invariant_under_a_turn_of_the_whole_problem():
    rng = np.random.default_rng(rng_seed(7))
    for _ in range(12):
        angles = rng.uniform(-90, 90, 3)
        theta, psi = rng.uniform(-90, 90, 2)
        a, b = rng.uniform(0.01, 0.03, 2)
        shape = int(rng.integers(1, 4))
        c, s = np.cos(np.radians(psi)), np.sin(np.radians(psi))
        nx = buckle(shape, a, b, theta, CFRP, angles)[1]
        turned = buckle(shape, a, b, theta + psi, CFRP, angles + psi, nglob=(-c * c, -s * s, -c * s))[1]
        assert turned == pytest.approx(nx, rel=1e-9)


def ritz_problem(shape, a, b, theta, angles, props=CFRP, thick=1e-3, load=(1, 0, 0)):
    pe, ang, tk = stack(props, angles, thick)
    A, B, D = (getattr(t.laminate, f"get{m}matrix")(pe, ang - theta, tk) for m in "abd")
    abd = t.laminate.getabdmatrix(A, B, D)
    dred = D - B @ np.linalg.solve(A, B)
    kk = sl.getsubkk(dred, a, b, shape)
    kg = sl.getsubkg(list(load), abd, np.linalg.inv(abd), a, b, theta, shape)
    return kk, kg


@pytest.mark.parametrize("shape", [1, 2, 3])
def test_power_iteration_finds_the_lowest_load_and_refining_never_raises_it(shape):
    angles = [45, -45, 0, 90]
    a, b, theta = 0.025, 0.015, 20.0
    kk, kg = ritz_problem(shape, a, b, theta, angles)
    # KG v = mu KK v; the lowest buckling load is 1 / the largest mu.
    lowest = 1 / scipy.linalg.eigh(kg, kk, eigvals_only=True).max()
    nx = buckle(shape, a, b, theta, CFRP, angles)[1]
    assert nx * 1e-3 == pytest.approx(lowest, rel=1e-6)
    # Rayleigh-Ritz: every added basis function can only lower the lowest load.
    previous = np.inf
    for m in range(1, 7):
        mu = scipy.linalg.eigh(kg[:m, :m], kk[:m, :m], eigvals_only=True).max()
        current = 1 / mu if mu > 0 else np.inf
        assert current <= previous * (1 + 1e-12)
        previous = current
    assert previous == pytest.approx(lowest)


def test_buckling_strain_takes_the_dominant_eigenvalue_where_the_power_iteration_does_not_converge():
    # Two leading eigenvalues 0.07 % apart: 2000 passes leave a mixed vector whose Rayleigh
    # quotient read the strain 4.2e-4 high.
    props, angles, thick = [174400, 7820, 7820, 0.23, 0.23, 0.38, 6800, 6800, 2830], [30, 45, 90, 0, -45], 0.625
    shape, a, b, theta = 2, 14.904, 30.863, 30.0
    kk, kg = ritz_problem(shape, a, b, theta, angles, props, thick)
    w, z = scipy.linalg.eigh(kg, kk)
    assert 0 < 1 - w[-2] / w[-1] < 1e-3 and w[-1] > -w[0]
    pe, ang, tk = stack(props, angles, thick)
    abd0 = t.laminate.getabdmatrix(*(getattr(t.laminate, f"get{m}matrix")(pe, ang, tk) for m in "abd"))
    eps, nx, mode = sl.getsublambucklingstrain([a, b, theta], [-1, 0, 0], pe, ang, tk, shape)
    assert record()[0] == 0
    assert eps == pytest.approx(np.linalg.inv(abd0)[0, 0] / w[-1], rel=1e-9)
    assert nx * thick == pytest.approx(1 / w[-1], rel=1e-9)
    # The mode: unit length, along the eigenvector, with the sign a long enough iteration takes.
    lam, v = t.math.poweriteration(np.linalg.solve(kk, kg), maxiter=10 ** 6, abstol=1e-13)
    assert lam == pytest.approx(w[-1], rel=1e-9)
    assert np.linalg.norm(mode) == pytest.approx(1.0, rel=1e-12)
    assert mode @ v == pytest.approx(1.0, rel=1e-9)
    assert abs(mode @ z[:, -1]) == pytest.approx(np.linalg.norm(z[:, -1]), rel=1e-9)


@pytest.mark.parametrize("shape", [1, 2, 3])
def test_shear_buckling_with_no_dominant_eigenvalue_keeps_the_note(shape):
    # Under Nxy alone a specially orthotropic plate buckles at +N and -N alike: the extreme
    # eigenvalues are equal and opposite, so none dominates and the strain carries the note.
    for angles in ((0.0,), (0.0, 90.0, 90.0, 0.0)):
        eh.rsxerr(1)
        kk, kg = ritz_problem(shape, 0.02, 0.03, 0.0, angles, load=(0, 0, 1))
        w = scipy.linalg.eigh(kg, kk, eigvals_only=True)
        assert w[-1] == pytest.approx(-w[0], rel=1e-9)
        buckle(shape, 0.02, 0.03, 0.0, CFRP, angles, nglob=(0, 0, -1))
        assert record() == (-1, "No convergence in von Mises eigenvalue computation")
    # A 45-degree ply couples bending and twist: one sign dominates, and no note is left.
    eh.rsxerr(1)
    buckle(shape, 0.02, 0.03, 0.0, CFRP, (45.0,), nglob=(0, 0, -1))
    assert record()[0] == 0


def test_no_delamination_shape_never_buckles_and_bad_shapes_are_reported():
    eps, nx, mode = buckle(0, 0.02, 0.02)
    assert eps == np.inf and nx == np.inf and not mode.any() and record()[0] == 0
    eps, nx, _ = buckle(5, 0.02, 0.02)
    assert np.isnan(eps) and np.isnan(nx) and record()[0] == -2


def test_non_finite_size_angle_thickness_or_used_property_is_refused():
    # Regression: NaN or inf here gave a NaN strain at level 0. The used properties are E1, E2,
    # nu12 and G12 (the plane-stress stiffness); the out-of-plane ones may hold anything, and
    # shape 0 reads none of the input. A valid stack keeps its strain, checked against the
    # pencil's dominant eigenvalue.
    angles, thick = [45.0, -45.0, 0.0, 90.0], 1e-3
    kk, kg = ritz_problem(1, 0.025, 0.015, 20.0, angles)
    pe, ang, tk = stack(CFRP, angles, thick)
    abd0 = t.laminate.getabdmatrix(*(getattr(t.laminate, f"get{m}matrix")(pe, ang, tk) for m in "abd"))
    expected = np.linalg.inv(abd0)[0, 0] / scipy.linalg.eigh(kg, kk, eigvals_only=True).max()
    for bad in (np.nan, np.inf, -np.inf):
        cases = [("size", i) for i in range(3)] + [("elastic", i) for i in (0, 1, 3, 6)] + [("angle", 2), ("thick", 3)]
        for what, i in cases:
            pe, ang, tk = stack(CFRP, angles, thick)
            size = np.array([0.025, 0.015, 20.0])
            {"size": size, "angle": ang, "thick": tk}.get(what, pe[:, 1])[i] = bad
            eh.rsxerr(1)
            eps, nx, mode = sl.getsublambucklingstrain(size, [-1, 0, 0], pe, ang, tk, 1)
            assert record() == (-3, "Error: non-finite input in GetSubLamBucklingStrain"), (what, i, bad)
            assert np.isnan(eps) and np.isnan(nx) and not mode.any()
        pe, ang, tk = stack(CFRP, angles, thick)
        pe[[2, 4, 5, 7, 8], :] = bad
        eh.rsxerr(1)
        eps = sl.getsublambucklingstrain([0.025, 0.015, 20.0], [-1, 0, 0], pe, ang, tk, 1)[0]
        assert record()[0] == 0 and eps == pytest.approx(expected, rel=1e-9)
        eps = sl.getsublambucklingstrain([bad, 0.015, 20.0], [-1, 0, 0], pe, ang, tk, 0)[0]
        assert record()[0] == 0 and eps == np.inf


# --- Sequential buckling of a stack ------------------------------------------------------------

def analysis(angles, delam, shapes=None, xc=600e6, thick=0.25e-3):
    n = len(angles)
    pe, ang, tk = stack(CFRP, angles, thick * n)
    shapes = np.ones(max(n - 1, 1), np.int32) if shapes is None else np.asarray(shapes, np.int32)
    return sl.delaminatedbucklinganalysis(xc, pe, ang, tk, np.asarray(delam, float).T.copy(order="F"), shapes)


def test_stack_without_delamination_keeps_one_intact_record():
    eps, real, ints = analysis([0, 90, 90, 0], np.zeros((3, 3)) + [1e-11, 0.01, 0])
    assert eps == 0.0
    assert list(ints[:, 0]) == [1, 1, 4, 0] and not ints[:, 1:].any()
    assert list(real[:, 0]) == [0.0, 1.0, 600e6] + [0.0] * 9 and not real[:, 1:].any()
    assert record()[0] == 0


def test_thinner_sublaminate_buckles_first_then_the_rest_with_the_same_delamination():
    angles = [0, 45, -45, 90, 90, -45, 45, 0]
    delam = np.zeros((7, 3))
    delam[1] = [0.02, 0.015, 10.0]  # interface 2: plies 1-2 below, 3-8 above
    eps, real, ints = analysis(angles, delam)
    assert list(ints[:, 0]) == [2, 1, 2, 0] and list(ints[:, 1]) == [2, 3, 8, 0]
    assert not ints[:, 2:].any()
    pe, ang, tk = stack(CFRP, angles, 2e-3)
    for k, (first, last) in enumerate([(1, 2), (3, 8)]):
        e, nx, mode = sl.getsublambucklingstrain(delam[1], [-1, 0, 0], pe[:, first - 1:last],
                                                 ang[first - 1:last], tk[first - 1:last], 1)
        np.testing.assert_array_equal(real[:, k], [e, nx / 600e6, nx, *delam[1], *mode])
    assert eps == real[0, 0]


def test_every_interface_buckling_never_writes_past_the_records():
    # Plies of equal thickness buckle off one at a time, so the record of the last remaining ply
    # finds no column.
    for angles in ([0, 90], [0, 90, 0]):
        eh.rsxerr(1)
        n = len(angles)
        eps, real, ints = analysis(angles, np.tile([0.03, 0.03, 0.0], (n - 1, 1)))
        assert real.shape == (12, n - 1)
        assert (ints[1] == ints[2]).all() and len(set(ints[1])) == n - 1  # one ply per record
        assert record()[0] == -1 and "dropped" in record()[1]
        assert eps == real[0, 0] == real[0].min()


def test_single_ply_stack():
    eps, real, ints = analysis([0], np.zeros((1, 3)))
    assert eps == 0 and list(ints[:, 0]) == [1, 1, 1, 0] and real[1, 0] == 1.0


# --- Records of every section and damage set ----------------------------------------------------

def test_records_of_every_section_and_damage_set():
    nplies, nsec, ndmg = 4, 3, 2
    pe = np.repeat(np.array(CFRP)[:, None, None], nplies, axis=1).repeat(nsec, axis=2)
    ang = np.tile(np.array([[0.0], [90.0], [90.0], [0.0]]), (1, nsec))
    tk = np.full((nplies, nsec), 0.25e-3)
    sections = np.full((nplies, nsec), DEFINT, np.int32)
    sections[:, 0] = 1           # four plies
    sections[:3, 2] = 1          # three plies; section 2 empty
    delamdds = np.zeros((3, nplies - 1, ndmg))
    delamdds[:, 0, 1] = [0.02, 0.02, 0.0]
    xc = np.array([500e6, 600e6, 700e6])
    real, ints = sl.getbukdatafromdds(delamdds, np.ones((3, ndmg), np.int32), xc, pe, ang, tk, sections)
    assert (ints[:, :, :, 1] == -1).all() and not real[:, :, :, 1].any()
    for sec, n in [(0, 4), (2, 3)]:
        for d in range(ndmg):
            _, r, i = analysis([0, 90, 90, 0][:n], delamdds[:, :n - 1, d].T, xc=xc[sec])
            np.testing.assert_array_equal(ints[:, :n - 1, d, sec], i)
            np.testing.assert_array_equal(real[:, :n - 1, d, sec], r)
    assert list(ints[:, 2, 0, 2]) == [-1] * 4  # beyond the three-ply section's records
    empty = np.full((nplies, nsec), DEFINT, np.int32)
    real, ints = sl.getbukdatafromdds(delamdds, np.ones((3, ndmg), np.int32), xc, pe, ang, tk, empty)
    assert (ints == -1).all() and not real.any()
