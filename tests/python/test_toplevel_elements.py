"""Bar user elements and the sensor material through their Python call forms."""
import numpy as np
import pytest

import _tolvek
from error_record import clean_record, errstat  # noqa: F401 (autouse fixture)
from seeding import rng_seed

t = _tolvek.toplevel


def uel_truss(coords, u, props, lflags=(1, 1, 1, 0, 0)):
    return t.uel_truss(np.zeros(12), np.zeros(8), 1, np.asarray(props, float), coords, u, np.zeros((6, 1)),
                       np.zeros(6), np.zeros(6), 1, np.zeros(2), 1.0, 1, 1, 1, np.zeros(3), 0, np.zeros(1, np.int32),
                       np.zeros(1), np.zeros((2, 1, 2)), np.array(lflags, np.int32), np.zeros(1), 1.0,
                       np.zeros(3, np.int32), 1.0)


def test_uel_truss_matches_a_numpy_bar():
    rng = np.random.default_rng(rng_seed(5))
    x = rng.uniform(-1, 1, (3, 2))
    x[:, 1] += 2.0
    u = rng.uniform(-0.01, 0.01, 6)
    E, A = 70e3, 3.0
    rhs, amatrx, svars, energy, pnewdt = uel_truss(x, u, (E, 1e-9, A))
    d = x[:, 1] - x[:, 0]
    L = np.linalg.norm(d)
    n = d / L
    nn = np.outer(n, n)
    K = E * A / L * np.block([[nn, -nn], [-nn, nn]])
    np.testing.assert_allclose(amatrx, K, atol=1e-9 * E * A / L)
    np.testing.assert_allclose(rhs[:, 0], -K @ u, atol=1e-9 * E * A / L)
    dl = n @ (u[3:] - u[:3])
    assert energy[1] == pytest.approx(0.5 * E * A / L * dl * dl)
    assert pnewdt == 1.0


def test_uel_truss_refusal_cuts_back():
    coords = np.array([[0.0, 1.0], [0.0, np.nan], [0.0, 0.0]])
    rhs, amatrx, svars, energy, pnewdt = uel_truss(coords, np.zeros(6), (70e3, 1e-9, 3.0))
    assert errstat() == -3 and pnewdt == 0.5
    assert not rhs.any() and not amatrx.any() and not energy.any()


def test_vumat_sensor_plane_stress_strain():
    nblock = 3
    strain = np.random.default_rng(rng_seed(1)).uniform(-1e-3, 1e-3, (nblock, 4))
    z = np.zeros
    out = t.vumat_sensor(3, 0, 0.0, 0.0, 1.0, "sensor", z((nblock, 3)), z((nblock, 3)), np.array([1.0, 2.0]),
                         np.ones(nblock), strain.copy(), z((nblock, 1)), z(nblock), z((nblock, 4)), z((nblock, 5)),
                         z((nblock, 1)), z((nblock, 4)), z((nblock, 6)), z(nblock), z(nblock), z(nblock),
                         z((nblock, 4)), z((nblock, 5)), z((nblock, 1)), 3, np.arange(1.0, 21.0), z(12))
    straininc, stressnew, statenew, ener, inel, dprops = out
    E, nu = 1e-20, 0.49
    lam, mu = E * nu / ((1 + nu) * (1 - 2 * nu)), E / (2 * (1 + nu))
    tr = strain[:, :3].sum(axis=1)
    ds1, ds2 = lam * tr + 2 * mu * strain[:, 0], lam * tr + 2 * mu * strain[:, 1]
    np.testing.assert_allclose(straininc[:, 2], -nu * (ds1 + ds2) / E, rtol=1e-12)
    np.testing.assert_allclose(stressnew[:, 0], ds1, rtol=1e-12)
    np.testing.assert_array_equal(statenew, np.tile([4.0, 5, 6, 1, 2, 3], (nblock, 1)))
    assert list(dprops[7:11]) == [1.0, 2.0, 0.0, 0.0]
