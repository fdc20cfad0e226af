"""Element and nodal frames, curvatures, nodal motion spread to element slots and the shell
displacement vector, through the binding; curvatures against the eigenvalues of the surface's
Hessian, frames against orthonormality and the tangents."""
from pathlib import Path

import numpy as np
import pytest

import _tolvek as t
from element_tables import empty_model, record  # noqa: F401 (autouse fixture)
from seeding import rng_seed

el = t.elementhandling
io = t.iohandling
ed = t.elementdata
nd = t.nodaldata
eh = t.errorhandling
DATA = Path(__file__).resolve().parent / "data"
QUAD = [(-1, -1), (1, -1), (1, 1), (-1, 1), (0, -1), (1, 0), (0, 1), (-1, 0)]
TRIA = [(0, 0), (1, 0), (0, 1), (0.5, 0), (0.5, 0.5), (0, 0.5)]
HUGE = np.finfo(float).max
REF0 = [0, 1, 0, 0, 0, 1, 0]


def refdir(angle_d):
    c, s = np.cos(np.radians(angle_d)), np.sin(np.radians(angle_d))
    return [0, c, s, 0, -s, c, 0]


def quad_on(f, scale=(1.0, 1.0), shear=0.0, centre=(0.0, 0.0)):
    """on(8,3) of an affine quadrilateral whose nodes lie on z = f(x, y)."""
    on = np.zeros((8, 3))
    for i, (a, b) in enumerate(QUAD):
        x, y = centre[0] + scale[0] * a + shear * b, centre[1] + scale[1] * b
        on[i] = (x, y, f(x, y))
    return on


def read_model():
    io.getabqdatafromfile(str(DATA / "shell_model.dat"))
    ed.elemreforientation[:] = np.array(REF0)[:, None]


# ---- element frames and curvatures --------------------------------------------------------

def test_flat_square_frames():
    on = quad_on(lambda x, y: 0.0, centre=(1, 1))
    tcurv, origin, kappa = el.getelementtransformation(on, REF0, 8)
    assert np.allclose(origin, [1, 1, 0]) and not kappa.any() and np.allclose(tcurv, np.eye(3))
    tcurv, _, _ = el.getelementtransformation(on, refdir(30), 8)
    assert np.allclose(tcurv[0], [np.cos(np.pi / 6), np.sin(np.pi / 6), 0])
    # The reference direction more nearly parallel to the base axis is taken: swapping the two
    # directions of the record does not change the frame.
    r = refdir(30)
    assert np.allclose(el.getelementtransformation(on, [0] + r[4:] + r[1:4], 8)[0], tcurv)
    assert not el.getelementtransformation(on, REF0, 4)[0].any()
    assert record() == (-3, "Unknown or unsupported element type.")


def test_skewed_quadrilateral_axes_lie_symmetric_about_the_bisector():
    on = quad_on(lambda x, y: 0.0, shear=0.6)
    tcurv, _, _ = el.getelementtransformation(on, REF0, 8)
    assert np.allclose(tcurv @ tcurv.T, np.eye(3))
    g1, g2 = np.array([1.0, 0, 0]), np.array([0.6, 1.0, 0]) / np.hypot(0.6, 1.0)
    bis = (g1 + g2) / np.linalg.norm(g1 + g2)
    # Without a turn from the reference direction, e1 and e2 are 45 degrees either side of it.
    e1, e2 = el.getelementtransformation(on, [0, 1, 0, 0, 1, 0, 0], 8)[0][:2]
    assert np.dot(e1, bis) == pytest.approx(np.cos(np.pi / 4)) and np.dot(e2, bis) == pytest.approx(np.cos(np.pi / 4))


def test_triangle_origin_is_the_corner_facing_the_longest_edge():
    pts = np.array([[0, 0, 0], [3, 0, 0], [0.5, 1, 0]], float)
    on = np.zeros((8, 3))
    on[:3] = pts
    on[3:6] = (pts[[0, 1, 2]] + pts[[1, 2, 0]]) / 2
    _, origin, _ = el.getelementtransformation(on, REF0, 6)
    assert origin.tolist() == [0.5, 1, 0]


def test_triangle_origin_tie_goes_to_the_first_of_equal_longest_edges():
    def origin_of(pts):
        pts = np.array(pts, float)
        on = np.zeros((8, 3))
        on[:3] = pts
        on[3:6] = (pts[[0, 1, 2]] + pts[[1, 2, 0]]) / 2
        return el.getelementtransformation(on, REF0, 6)[1].tolist()
    # apex at corner 0: the edges facing corners 1 and 2 (|0-2| and |0-1|) are equal and longest
    assert origin_of([[0, 3, 0], [-1, 0, 0], [1, 0, 0]]) == [-1, 0, 0]
    # apex at corner 1: the edges facing corners 0 and 2 tie; corner 0 wins
    assert origin_of([[-1, 0, 0], [0, 3, 0], [1, 0, 0]]) == [-1, 0, 0]
    # apex at corner 0 with a tie between corners 1 and 2 again, mirrored: corner 1 still wins
    assert origin_of([[0, -3, 0], [1, 0, 0], [-1, 0, 0]]) == [1, 0, 0]


@pytest.mark.parametrize("seed", range(5))
def test_curvatures_are_the_eigenvalues_of_the_hessian(seed):
    rng = np.random.default_rng(rng_seed(seed))
    a, b, c = rng.normal(scale=0.05, size=3)
    on = quad_on(lambda x, y: a * x * x + b * x * y + c * y * y, scale=rng.uniform(0.5, 2, 2), shear=rng.uniform(-0.4, 0.4))
    ln = on - on[:4].mean(axis=0)
    delta, kappa = el.getcurvatures(el.quad8shapefunmatrix(0.0, 0.0), ln)
    ev = np.linalg.eigvalsh([[2 * a, b], [b, 2 * c]])
    big, small = sorted(ev, key=abs, reverse=True)
    assert kappa[0] == pytest.approx(big, rel=1e-9)
    assert kappa[1] == (0 if abs(big / small) > 20 else pytest.approx(small, rel=1e-9))
    # The curvature of the surface along delta is one of the two principal curvatures, except where
    # the rule as built gives 0: element-axis curvatures within 1 % of each other.
    d = np.array([np.cos(delta), np.sin(delta)])
    assert min(abs(d @ [[2 * a, b], [b, 2 * c]] @ d - ev)) < 1e-9 or (delta == 0 and abs(abs(a / c) - 1) < 0.01)


def test_curvature_direction_rule():
    """The angle rule as built: cylinders along x, spheres, and the documented cases of the
    general branch."""
    n8 = el.quad8shapefunmatrix(0.0, 0.0)

    def curv(f):
        on = quad_on(f)
        return el.getcurvatures(n8, on)

    d, k = curv(lambda x, y: 0.05 * x * x)
    assert d == pytest.approx(np.pi / 2) and k[0] == pytest.approx(0.1) and k[1] == 0
    d, k = curv(lambda x, y: -0.05 * x * x)
    assert d == pytest.approx(-np.pi / 2) and k[0] == pytest.approx(-0.1)
    assert curv(lambda x, y: 0.05 * (x * x + y * y))[0] == 0
    assert curv(lambda x, y: 0.05 * x * x + 0.03 * y * y)[0] == 0

    def cylinder(tdeg, sign=1):
        tr = np.radians(tdeg)
        return curv(lambda x, y: sign * (x * np.cos(tr) + y * np.sin(tr)) ** 2 / 20)[0]
    # Convex: the generator below 45 degrees, the curved direction above; 45 itself gives 0.
    assert np.degrees(cylinder(30)) == pytest.approx(120) and np.degrees(cylinder(60)) == pytest.approx(60)
    assert cylinder(45) == 0
    assert np.degrees(cylinder(30, -1)) == pytest.approx(30)


def test_nodal_frames_are_orthonormal_and_follow_the_surface():
    on = quad_on(lambda x, y: 0.1 * x * x - 0.05 * x * y, shear=0.3)
    ti = el.getnodaltransformation(on, 8)
    for k in range(8):
        m = ti[:, :, k]
        assert np.allclose(m @ m.T, np.eye(3)) and np.linalg.det(m) == pytest.approx(1)
        sh = el.getnodalshape(k + 1, 8)
        assert sh[:, 0].tolist() == [1.0 if j == k else 0.0 for j in range(8)]
        n = np.cross(sh[:, 1] @ on, sh[:, 2] @ on)
        assert np.allclose(m[2], n / np.linalg.norm(n))
    assert np.allclose(el.getnodaltransformation(quad_on(lambda x, y: 0.0), 8)[:, :, 0], np.eye(3))
    assert el.getnodalshape(1, 6).shape == (6, 6)
    assert not el.getnodaltransformation(on, 5).any()
    assert record() == (-3, "Unknown or invalid number of nodes")
    eh.rsxerr(1)
    assert not el.getnodalshape(9, 8).any() and record()[0] == -3


# ---- the frames of a model -----------------------------------------------------------------

def test_node_reference_data_of_a_listed_model():
    read_model()
    glob = nd.nodalcoords.copy()
    assert el.getnodereferencedata() == 0
    tc, tn, cu = nd.tcurvmatrices, nd.tnodalmatrices, ed.elemcurvatures
    for e in (0, 1, 2):
        assert np.allclose(tc[:, :, e], np.eye(3)) and not cu[:, e].any()
        assert np.allclose(tn[:, :, 0, e], np.eye(3))
    # Local coordinates: around the mean of the corners of a quadrilateral, around the corner
    # facing the longest edge of a triangle.
    assert np.allclose(nd.nodalcoords[:, :, 0], glob[:, :, 0] - [[1], [1], [0]])
    assert np.allclose(nd.nodalcoords[:, :6, 2], glob[:, :6, 2] - [[0], [2], [0]])
    # The 4-node shell without mid-side nodes, STRI3 and S3 are passed over.
    for e in (3, 4, 5):
        assert not tc[:, :, e].any() and np.array_equal(nd.nodalcoords[:, :, e], glob[:, :, e])
    # A second call does not turn the coordinates again.
    local = nd.nodalcoords.copy()
    assert el.getnodereferencedata() == 0
    assert record() == (-1, "Note: nodal coordinates already local in GetNodeReferenceData.")
    assert np.array_equal(nd.nodalcoords, local)
    # Reading the listing again starts over; tflag 1 keeps global coordinates.
    read_model()
    assert el.getnodereferencedata(1) == 0
    assert np.array_equal(nd.nodalcoords, glob) and np.allclose(nd.tcurvmatrices[:, :, 0], np.eye(3))
    assert el.getnodereferencedata() == 0 and np.allclose(nd.nodalcoords, local)


def test_node_reference_data_failures():
    eh.rsxerr(1)
    assert el.getnodereferencedata() == 0
    assert record() == (-1, "Note: element tables missing in GetNodeReferenceData.")
    eh.rsxerr(1)
    read_model()
    ed.elemkind[1] = 12
    before = nd.nodalcoords.copy()
    assert el.getnodereferencedata() == -3
    assert record() == (-3, "Unknown element type detected")
    # The element before the unknown one was done, the rest was not.
    assert not np.array_equal(nd.nodalcoords[:, :, 0], before[:, :, 0])
    assert np.array_equal(nd.nodalcoords[:, :, 2], before[:, :, 2])
    # A 4-node kind whose nodes 5 to 8 hold distinct coordinates is taken as an 8-node shell.
    read_model()
    ed.elemkind[0] = 2
    assert el.getnodereferencedata() == 0 and np.allclose(nd.tcurvmatrices[:, :, 0], np.eye(3))


# ---- nodal motion --------------------------------------------------------------------------

def grid_listing(tmp_path, kind="S8R"):
    """A 2 x 2 mesh of 8-node shells on a 5 x 5 grid of nodes; node 13 is shared by all four."""
    def n(i, j):
        return 1 + i + 5 * j
    lines = [" E L E M E N T   D E F I N I T I O N S"]
    for k, (i, j) in enumerate([(0, 0), (2, 0), (0, 2), (2, 2)]):
        nodes = [n(i, j), n(i + 2, j), n(i + 2, j + 2), n(i, j + 2), n(i + 1, j), n(i + 2, j + 1), n(i + 1, j + 2), n(i, j + 1)]
        lines.append("%5d  %-8s 1 " % (k + 1, kind) + " ".join(map(str, nodes)))
    lines.append(" N O D E   D E F I N I T I O N S")
    lines += ["%d %d %d 0" % (n(i, j), i, j) for j in range(5) for i in range(5)]
    p = tmp_path / "grid.dat"
    p.write_text("\n".join(lines) + "\n")
    io.getabqdatafromfile(str(p))


def test_motion_of_a_shared_node_in_every_element_frame(tmp_path):
    grid_listing(tmp_path)
    angles = [0, 30, -20, 40]  # within 45 degrees of the base axis the first direction is taken
    ed.elemreforientation[:] = np.array([refdir(a) for a in angles]).T
    assert el.getnodereferencedata(1) == 0
    tr, rot = np.array([1.0, 2.0, 3.0]), np.array([0.1, 0.2, 0.3])
    el.getnodesmotion(tr[:, None], rot[:, None], [13])
    touched = np.zeros(nd.nodesmotion.shape[1:], bool)
    for e in range(4):
        k = list(ed.elemnodes[:, e]).index(13)
        tc = nd.tcurvmatrices[:, :, e]
        assert np.allclose(tc[0], [np.cos(np.radians(angles[e])), np.sin(np.radians(angles[e])), 0])
        assert np.allclose(nd.nodesmotion[:3, k, e], tc @ tr) and np.allclose(nd.nodesmotion[3:, k, e], tc @ rot)
        touched[k, e] = True
    assert not nd.nodesmotion[:, ~touched].any()
    # Rotations not given keep the stored ones; translations are still stored.
    el.getnodesmotion(-tr[:, None], np.full((3, 1), HUGE), [13])
    k = list(ed.elemnodes[:, 1]).index(13)
    tc = nd.tcurvmatrices[:, :, 1]
    assert np.allclose(nd.nodesmotion[:3, k, 1], -tc @ tr) and np.allclose(nd.nodesmotion[3:, k, 1], tc @ rot)
    # A caller's own not-given value, a node no element holds, node number 0: nothing.
    before = nd.nodesmotion.copy()
    el.getnodesmotion(np.zeros((3, 2)), np.zeros((3, 2)), [13, 99], defreal=0.0)
    el.getnodesmotion(np.ones((3, 1)), np.ones((3, 1)), [0])
    assert np.array_equal(nd.nodesmotion, before)


def test_motion_slots_by_dof_and_frames_never_built(tmp_path):
    grid_listing(tmp_path, "S8R5")
    assert int(nd.ndof) == 5
    el.getnodesmotion(np.array([[1.0, 2, 3]]).T, np.array([[4.0, 5, 6]]).T, [1])
    assert nd.nodesmotion[:, 0, 0].tolist() == [1, 2, 3, 4, 5]
    # Two rotation values only; only the visited elements of the index list.
    ed.elemindices = np.array([2, -1, 1, 1], dtype=np.int32)
    el.getnodesmotion(np.array([[7.0, 8, 9]]).T, np.array([[0.5, 0.25]]).T, [3])
    k0, k1 = list(ed.elemnodes[:, 0]).index(3), list(ed.elemnodes[:, 1]).index(3)
    assert nd.nodesmotion[:, k1, 1].tolist() == [7, 8, 9, 0.5, 0.25] and not nd.nodesmotion[:, k0, 0].any()
    with pytest.raises(t.error):
        el.getnodesmotion(np.ones((3, 1)), np.ones((4, 1)), [3])


def test_traction_transformation_and_vectors():
    rng = np.random.default_rng(rng_seed(3))
    q, _ = np.linalg.qr(rng.normal(size=(3, 3)))
    tc = np.linalg.qr(rng.normal(size=(3, 3)))[0]
    ntrac, nrot = rng.normal(size=3), rng.normal(size=2)
    a, b = ntrac.copy(), nrot.copy()
    el.shelltractiontransformation(a, b, q, tc)
    assert np.allclose(a, tc @ ntrac) and np.allclose(b, (tc @ np.append(nrot, 0))[:2])
    skew = np.diag([2.0, 1.0, 1.0])  # a nodal matrix that is not orthonormal enters as ti^T ti
    b = nrot.copy()
    el.shelltractiontransformation(ntrac.copy(), b, skew, tc)
    assert np.allclose(b, (tc @ skew.T @ skew @ np.append(nrot, 0))[:2])
    nm = np.arange(48.0).reshape((6, 8), order="F")
    u = el.getdisplacementvector(nm)
    assert np.array_equal(u.reshape(8, 5), nm[:5].T)
    u = el.getdisplacementvector(nm[:, :6])
    assert np.array_equal(u[:30].reshape(6, 5), nm[:5, :6].T) and not u[30:].any()
    assert el.getdisplacementvector(np.ones((3, 9)), 9).reshape(8, 5)[:, 3:].sum() == 0
    sq = np.array([[0, 0], [1, 0], [1, 1], [0, 1]], float).T
    assert el.getcenternodes(sq).T.tolist() == [[0.5, 0], [1, 0.5], [0.5, 1], [0, 0.5]]
