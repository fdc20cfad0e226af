"""Element stress-state conversions, shape functions and shell kinematics through the binding:
the published values, the error record's texts, and the condensation against numpy."""
import numpy as np
import pytest

import _tolvek as t
from seeding import rng_seed

eh = t.errorhandling
el = t.elementhandling


@pytest.fixture
def record():
    """Clears the error record around the test; returns (errstat, stripped errstring)."""
    eh.rsxerr(1)
    yield lambda: (int(eh.errstat), bytes(eh.errstring).rstrip(b" ").decode())
    eh.rsxerr(1)


def test_shape_function_values():
    assert np.allclose([t.quad8.quad8sf(0.3, -0.2, i) for i in range(1, 9)],
                       [-0.231, -0.195, -0.234, -0.21, 0.546, 0.624, 0.364, 0.336])
    assert np.allclose([t.quad8.quad8firstderivsf(0.3, -0.2, i, 1) for i in range(1, 9)],
                       [0.12, 0.24, 0.08, 0.16, -0.36, 0.48, -0.24, -0.48])
    assert np.allclose([t.quad8.quad8secondderivsf(0.3, -0.2, i, 1, 1) for i in range(1, 9)],
                       [0.6, 0.6, 0.4, 0.4, -1.2, 0, -0.8, 0])
    assert np.allclose([t.tria6.tria6sf(0.2, 0.3, i) for i in range(1, 7)], [0, -0.12, -0.12, 0.4, 0.24, 0.6])
    assert t.tria6.tria6firstderivsf(0, 1, 1, 2) == 1 and t.tria6.tria6firstderivsf(0.2, 0.3, 1, 1) == -1
    assert t.hex8.hex8secondderivsf(0.1, 0.2, 0.3, 2, 2, 3) == pytest.approx(0.1375)
    assert t.hex8.hex8secondderivsf(0.1, 0.2, 0.3, 6, 1, 2) == pytest.approx(-0.1625)
    assert t.hex8.hex8sf(0.1, 0.2, 0.3, 7) == pytest.approx(0.2145)
    n = el.hex8shapefunmatrix(0.3, -0.6, 0.1)
    assert n.shape == (8, 9) and n[:, 0].sum() == pytest.approx(1)
    assert np.allclose(n[:, 1:4].sum(axis=0), 0) and not n[:, 4:7].any()


def test_warnings_reach_the_record_padded(record):
    assert t.quad4.quad4firstderivsf(0, 0, 5, 1) == 0.0
    assert record() == (-2, "Warning: Overflow in Quad4FirstDerivSF.Xi.")
    assert len(bytes(eh.errstring)) == 80
    eh.rsxerr(1)
    t.tria6.tria6secondderivsf(0, 0, 0, 0, 1)
    assert record() == (-2, "Warning: Invalid 1st ordinal in Tria6")


def test_plane_strain_axis_swap():
    v = np.array([1.0, 2.0, 3.0, 4.0])
    s3, e3, de3 = el.get3dstressfromplanestrain(v, v + 4, v + 8, True)
    assert s3.tolist() == [1, 3, 2, 0, 4, 0] and de3.tolist() == [9, 11, 10, 0, 12, 0]
    assert el.getplanestrainoutputfrom3d(s3, np.eye(6), 1)[0].tolist() == v.tolist()
    s3, _, _ = el.get3dinputfromelem(v, v, v)
    assert s3.tolist() == [1, 2, 3, 4, 0, 0]
    s, tan = el.getelemoutputfrom3d(np.arange(6.0), np.eye(6), 5)
    assert s.shape == (5,) and not s.any() and not tan.any()


def test_plane_stress_expansion_flags():
    tr = np.array([1.0, 2, 3, 4, 5, 6])
    s = np.array([7.0, 8, 9])
    s3, e3, de3 = el.get3dinputfromelem(s, s, s, transverse=tr, itnsflag=1, itshrflag=1)
    assert s3.tolist() == [7, 8, 6, 9, 4, 5] and e3.tolist() == [7, 8, 3, 9, 1, 2]
    assert de3.tolist() == [7, 8, 0, 9, 0, 0]
    assert el.get3dstressfromplanestress(s, s, s, tr, 0, 0)[0].tolist() == [7, 8, 0, 9, 0, 0]


@pytest.mark.parametrize("seed", range(3))
def test_plane_stress_condensation_against_numpy(seed):
    rng = np.random.default_rng(rng_seed(seed))
    a = rng.normal(size=(6, 6))
    d = a @ a.T + 6 * np.eye(6)  # a general symmetric positive definite tangent
    s3 = rng.normal(size=6)
    sps, q = el.getplanestressoutputfrom3d(s3, d)
    p = [0, 1, 3]
    qref = d[np.ix_(p, p)] - np.outer(d[p, 2], d[p, 2]) / d[2, 2]
    assert np.allclose(q, qref, rtol=1e-12)
    assert np.allclose(sps, qref @ np.linalg.solve(d, s3)[p], rtol=1e-10)
    d[2, 2] = 0.0
    sps, q = el.getplanestressoutputfrom3d(s3, d)
    assert np.array_equal(q, d[np.ix_(p, p)]) and np.array_equal(sps, s3[p])
    assert el.getplanestressepszz(2, 0.5, 0.25, 4, 8) == -2


def test_plane_stress_condensation_of_a_non_symmetric_tangent():
    # sigma33 = 0 gives e3 = -D(3,:) e / D(3,3): the Schur complement, and with the transverse
    # shears uncoupled an in-plane stress back unchanged
    rng = np.random.default_rng(rng_seed(8))
    p = [0, 1, 3]
    for _ in range(5):
        d = rng.normal(size=(6, 6)) + 6 * np.eye(6)
        d[4:, :4] = d[:4, 4:] = 0.0
        s3 = np.r_[rng.normal(size=2), 0.0, rng.normal(), 0.0, 0.0]
        sps, q = el.getplanestressoutputfrom3d(s3, d)
        assert np.allclose(q, d[np.ix_(p, p)] - np.outer(d[p, 2], d[2, p]) / d[2, 2], rtol=1e-12, atol=1e-12)
        assert np.allclose(sps, s3[p], atol=1e-11) and np.allclose(el.getelemoutputfrom3d(s3, d, 3)[0], s3[p], atol=1e-11)


def test_shell_jacobians(record):
    sq = np.array([[-1, -1], [1, -1], [1, 1], [-1, 1], [0, -1], [1, 0], [0, 1], [-1, 0]], float)
    nc = np.vstack([sq.T, np.zeros(8)])
    jac, nshape = el.shelljacobian(nc, 0.3, -0.1)
    assert np.allclose(jac, np.eye(2)) and nshape.shape == (8, 6)
    assert np.allclose(el.shellfirstderivjacobian(jac), np.eye(3))
    nc2 = nc * np.array([[2.0], [1.0], [1.0]])
    jac2, _ = el.shelljacobian(nc2, 0.3, -0.1)
    assert np.allclose(jac2, np.diag([2.0, 1.0]))
    xb = el.shellxderivbmatrix(nc2, 0.3, -0.1)
    d2 = np.array([t.quad8.quad8secondderivsf(0.3, -0.1, k, 1, 1) for k in range(1, 9)])
    assert np.allclose(xb[1, 2::5][:8], d2 / 4)
    assert record()[0] == 0
    w = np.zeros(40)
    w[2:40:5] = nc[1]  # w = y at every node
    b = el.shellbmatrix(nc, 0.2, 0.4)
    assert b[6] @ w == pytest.approx(1) and b[7] @ w == pytest.approx(0, abs=1e-14 * (np.abs(b[7]) @ np.abs(w)))
    jac, nshape = el.shelljacobian(nc[:, :4], 0.0, 0.0)
    assert not jac.any() and record() == (-3, "Unknown or unsupported element type.")
