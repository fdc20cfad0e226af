"""Eshelby and strain concentration tensors from Python, against Mura's integrals evaluated by
quadrature and the identities between the shapes and the concentration kinds."""
import math

import numpy as np
import pytest
from scipy.integrate import quad

import _tolvek as t
from seeding import rng_seed

mm = t.micromechanic
eh = t.errorhandling


@pytest.fixture
def record():
    eh.rsxerr(1)
    yield lambda: (int(eh.errstat), bytes(eh.errstring).decode().rstrip(" \0"))
    eh.rsxerr(1)


def eshelby_by_quadrature(axes, nu):
    """Eshelby tensor of the ellipsoid with semi-axes `axes` in an isotropic matrix from Mura's
    I-integrals (Mura 1987, eq. 11.16-11.17), as a Voigt matrix with engineering shear."""
    a = np.asarray(axes, float)
    pre = 2 * math.pi * a.prod()
    delta = lambda s: math.sqrt((a[0]**2 + s) * (a[1]**2 + s) * (a[2]**2 + s))
    cuts = sorted({0.0, *(a**2), *np.geomspace(1e-6, 1e16, 12), math.inf})

    def integral(f):
        return pre * sum(quad(f, lo, hi, limit=400, epsrel=1e-13)[0] for lo, hi in zip(cuts, cuts[1:]))

    i1 = [integral(lambda s, i=i: 1 / ((a[i]**2 + s) * delta(s))) for i in range(3)]
    i2 = [[integral(lambda s, i=i, j=j: 1 / ((a[i]**2 + s) * (a[j]**2 + s) * delta(s))) for j in range(3)]
          for i in range(3)]
    c = 1 / (8 * math.pi * (1 - nu))
    s = np.zeros((6, 6))
    for i in range(3):
        for j in range(3):
            s[i, j] = (3 * c * a[i]**2 * i2[i][i] + (1 - 2 * nu) * c * i1[i] if i == j
                       else c * a[j]**2 * i2[i][j] - (1 - 2 * nu) * c * i1[i])
    for k, (i, j) in zip((3, 4, 5), ((1, 2), (0, 2), (0, 1))):
        s[k, k] = ((a[i]**2 + a[j]**2) * i2[i][j] + (1 - 2 * nu) * (i1[i] + i1[j])) / (8 * math.pi * (1 - nu))
    return s


@pytest.mark.parametrize("nu", [0.0, 0.3, 0.45])
def test_shapes_against_quadrature(nu):
    assert np.allclose(mm.geteshelbytensor(0, 1.0, nu), eshelby_by_quadrature((1, 1, 1), nu), atol=1e-12)
    for a in (4.0, 1.3, 0.6, 0.05):  # prolate, and the flat shapes of the same formula
        assert np.allclose(mm.geteshelbytensor(2, a, nu), eshelby_by_quadrature((a, 1, 1), nu), atol=1e-11), a
    for a in (1.0, 2.5):  # the elliptic cylinder as a very long ellipsoid
        assert np.allclose(mm.geteshelbytensor(1, a, nu), eshelby_by_quadrature((1e7, a, 1), nu), atol=1e-6), a


def test_spheroid_reaches_the_sphere():
    for nu in (0.0, 0.25, 0.49):
        sphere = mm.geteshelbytensor(0, 1.0, nu)
        assert np.allclose(mm.geteshelbytensor(2, 1.0, nu), sphere, rtol=0, atol=1e-15)
        for d in (1e-12, 1e-7, 1e-3):
            for a in (1 + d, 1 - d):
                assert np.allclose(mm.geteshelbytensor(2, a, nu), sphere, rtol=0, atol=3 * d), a
        # no step where the evaluation changes form (t = a^2 - 1 = +-0.25)
        for a0 in (math.sqrt(1.25), math.sqrt(0.75)):
            lo, hi = mm.geteshelbytensor(2, a0 * (1 - 1e-12), nu), mm.geteshelbytensor(2, a0 * (1 + 1e-12), nu)
            assert np.abs(hi - lo).max() < 1e-11
    # very long spheroids become the circular cylinder
    assert np.allclose(mm.geteshelbytensor(2, 1e8, 0.3), mm.geteshelbytensor(1, 1.0, 0.3), atol=1e-14)


def test_penny_is_the_flat_spheroid():
    # the first-order penny tensor (normal 3) against the flat spheroid (axis 1) with axes 1 and 3
    # exchanged; they differ by terms of second order in the aspect ratio
    p = [2, 1, 0, 5, 4, 3]
    for nu in (0.0, 0.3):
        for a in (1e-2, 1e-3):
            flat = mm.geteshelbytensor(2, a, nu)[np.ix_(p, p)]
            assert np.abs(mm.geteshelbytensor(3, a, nu) - flat).max() < 5 * a**2


def test_cylinder_values_and_host():
    s = mm.geteshelbytensor(1, 1.0, 0.3)
    assert s[1:3, 1:3] == pytest.approx(np.array([[19, 1], [1, 19]]) / 28)
    assert np.allclose(s[1:3, 0], 3 / 14) and s[3, 3] == pytest.approx(9 / 14)
    assert s[4, 4] == s[5, 5] == 0.5 and not s[0].any()
    for nu in (0.0, 0.3, 0.45):
        for a in (1.0, 3.0):
            dilatation = mm.geteshelbytensor(0 if a == 1 else 2, a, nu)[:3, :3].sum()
            assert dilatation == pytest.approx((1 + nu) / (1 - nu))
        e, g = 5.0, 5.0 / (2 * (1 + nu))
        lam = 2 * g * nu / (1 - 2 * nu)
        host = np.zeros((6, 6))
        host[:3, :3] = lam
        host[np.arange(3), np.arange(3)] += 2 * g
        host[np.arange(3, 6), np.arange(3, 6)] = g
        assert np.allclose(mm.geteshelbytensor(11, 1.0, 0.99, host), mm.geteshelbytensor(1, 1.0, nu), atol=1e-15)


def test_eshelby_input_errors(record):
    for args in ((5, 1.0, 0.3), (-1, 1.0, 0.3), (12, 1.0, 0.3)):
        assert not mm.geteshelbytensor(*args).any()
        assert record() == (-3, "Unknown kind of Eshelby tensor request.")
        eh.rsxerr(1)
    assert not mm.geteshelbytensor(11, 1.0, 0.3).any()
    assert record() == (-3, "Illegal host stiffness matrix in GetEshelbyTensor.")
    eh.rsxerr(1)
    for args in ((2, 0.0, 0.3), (1, -1.0, 0.3), (3, math.nan, 0.3)):
        assert not mm.geteshelbytensor(*args).any()
        assert record()[0] == -3
        eh.rsxerr(1)


def iso(e, nu):
    g = e / (2 * (1 + nu))
    lam = 2 * g * nu / (1 - 2 * nu)
    c = np.zeros((6, 6))
    c[:3, :3] = lam
    c[np.arange(3), np.arange(3)] += 2 * g
    c[np.arange(3, 6), np.arange(3, 6)] = g
    return c


def test_concentration_kinds(record):
    cm, cf = iso(3.0, 0.38), iso(70.0, 0.22)
    et = mm.geteshelbytensor(2, 3.0, 0.38)
    eye = np.eye(6)
    for c in (0.0, 0.3, 0.7, 1.0):
        dilute = mm.getstrainconcentrationtensor(et, cf, cm, c)
        mt = mm.getstrainconcentrationtensor(et, cf, cm, c, 1)
        assert np.array_equal(mm.getstrainconcentrationtensor(et, cf, cm, c, 3), mt)
        # Chow's tensor is the Mori-Tanaka tensor for two aligned phases
        assert np.allclose(mm.getstrainconcentrationtensor(et, cf, cm, c, 4), mt, rtol=1e-12, atol=1e-14)
        # Mori-Tanaka from the dilute tensor: A_MT = A_dil [(1 - c) I + c A_dil]^-1
        assert np.allclose(mt, dilute @ np.linalg.inv((1 - c) * eye + c * dilute), rtol=1e-12, atol=1e-14)
    assert np.allclose(mm.getstrainconcentrationtensor(et, cf, cm, 0.0, 5),
                       mm.getstrainconcentrationtensor(et, cf, cm, 0.0), rtol=1e-13)
    for kind in (1, 2, 4, 5):  # the fibre fraction 1 is all fibre
        assert np.allclose(mm.getstrainconcentrationtensor(et, cf, cm, 1.3, kind), eye, atol=1e-12)
    # the same material inside and outside: no concentration
    for kind in range(6):
        assert np.allclose(mm.getstrainconcentrationtensor(et, cm, cm, 0.4, kind), eye, atol=1e-14)
    assert not mm.getstrainconcentrationtensor(et, cf, cm, 0.4, 7).any()
    assert record() == (-2, "Unknown AType. Please check your input")


def test_dual_average():
    rng = np.random.default_rng(rng_seed(3))
    a, ci, cm = rng.normal(size=(3, 6, 6))
    assert np.allclose(mm.getaveragescfromdualequation(a, ci, cm, 0.3), cm + 0.3 * (ci - cm) @ a)
    assert np.array_equal(mm.getaveragescfromdualequation(a, ci, cm, -1), cm)
