"""Element catalogue, the solver data listing, nodal patches, element reference data, nodal
coordinates and the element orientation routines, through the binding."""
import itertools
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
sd = t.sectiondata
lh = t.listhandling
eh = t.errorhandling
DATA = Path(__file__).resolve().parent / "data"
HUGE = np.finfo(float).max


def write(tmp_path, text, name="job.dat"):
    p = tmp_path / name
    p.write_text(text)
    return str(p)


def listing(elements, nodes=(), tail=""):
    """A listing with the given element lines and node lines under their headings."""
    return ("  header text\n\n      E L E M E N T   D E F I N I T I O N S\n\n"
            "    NUMBER  TYPE  PROPERTY   NODES\n\n" + "".join(l + "\n" for l in elements)
            + "\n\n      N O D E   D E F I N I T I O N S\n\n    NODE    COORDINATES\n\n"
            + "".join(l + "\n" for l in nodes) + tail)


# ---- catalogue ------------------------------------------------------------------------------

def test_kind_codes_and_extents():
    names = "S4 S4R S4R5 S8R S8R5 S9R5 S3R STRI65 SC6R SC8R C3D8R CIN3D8 CPS4R SAX1 s4r B31 T3D2".split()
    assert [el.getabqelementkind(n) for n in names] == [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0, 0, -1, -1, -1]
    # Only the first 8 characters are seen.
    assert el.getabqelementkind("S4R5xxxx9") == 3 and el.getabqelementkind("") == -1
    ext = io.getelementdataextents
    assert ext("S4R", 0, 0, 0) == (1, 4, 6)
    assert ext("S8R5")[1:] == (8, 5) and ext("STRI65")[1:] == (6, 5) and ext("STRI3")[1:] == (3, 6)
    assert ext("SC8R")[1:] == (8, 6) and ext("C3D20R")[1] == 20 and ext("C3D15")[1:] == (15, 5)
    assert ext("CIN3D8", 3, 4, 5) == (3, 4, 5) and ext("B31", 3, 4, 5) == (3, 4, 5)
    # A name whose digits the rule does not find is counted without changing the node count.
    assert ext("SAX1", 2, 7, 6) == (3, 7, 6) and ext("C3D10MH", 0, 4, 6) == (1, 4, 6)
    assert ext("S4R", 5, 8, 5) == (6, 8, 6)


def test_connectivity_appends_within_the_tables():
    t.datahandling.allocateelementdata(4, 2)
    assert el.getabqelementconnectivity([5, 6, 7, 8], 101, "S4R") == 1
    assert el.getabqelementconnectivity([1, 2], 102, "B31", 1) == 1
    assert el.getabqelementconnectivity([9, 10, 11], 103, "STRI3", 1) == 2
    assert ed.elemlist.tolist() == [101, 103] and ed.elemkind.tolist() == [2, 8]
    assert ed.elemnodes.T.tolist() == [[5, 6, 7, 8], [9, 10, 11, 0]]
    # No room left, or more nodes than a column holds: nothing stored, a warning.
    assert el.getabqelementconnectivity([1, 2, 3], 104, "S3", 2) == 2
    assert record()[0] == -2
    eh.rsxerr(1)
    assert el.getabqelementconnectivity([1, 2, 3, 4, 5], 104, "S4", 0) == 0
    assert record()[0] == -2 and ed.elemlist.tolist() == [101, 103]


# ---- listing reader -------------------------------------------------------------------------

def test_listing_fixture_fills_the_tables_exactly():
    io.getabqdatafromfile(str(DATA / "listing_mixed.dat") + "   ")
    assert int(ed.nelem) == 5 and int(nd.nnodes) == 8 and int(nd.ndof) == 6
    assert ed.elemlist.tolist() == [10, 12, 14, 15, 16]
    assert ed.elemkind.tolist() == [2, 4, 11, 8, 10]
    nodes = ed.elemnodes.T.tolist()
    assert nodes[0] == [1, 2, 5, 4, 0, 0, 0, 0]
    assert nodes[1] == [2, 3, 9, 5, 20, 21, 22, 23]
    assert nodes[2] == [0] * 8 and nodes[4] == [0] * 8          # solids and continuum shells
    assert nodes[3] == [4, 5, 7, 24, 25, 26, 0, 0]
    xyz = {1: (0, 0, 0), 2: (1, 0, 0), 3: (2, 0, 0), 4: (0, 1, 0.5), 5: (0, 0, 0), 7: (0.5, 2, 0),
           9: (2, 1, 0), 20: (1.5, 0, 0), 21: (2, 0.5, 0), 22: (1.5, 1, 0), 23: (1, 0.5, 0),
           24: (0.5, 1, 0.25), 25: (0.75, 1.5, 0), 26: (0.25, 1.5, 0.25)}
    for e in range(5):
        for m in range(8):
            n = nodes[e][m]
            assert tuple(nd.nodalcoords[:, m, e]) == (xyz[n] if n else (0, 0, 0)), (e, m)
    assert nd.nodesmotion.shape == (6, 8, 5) and not nd.nodesmotion.any()
    assert nd.tnodalmatrices.shape == (3, 3, 8, 5) and not nd.tnodalmatrices.any()
    assert not nd.tcurvmatrices.any() and not ed.elemcurvatures.any()
    assert (ed.elemreforientation == -1.0).all() and not sd.nsectionpoints.any()
    assert io.getfreeunitnumber(1, 120) == 1


def test_listing_table_ends_and_dof_counts(tmp_path):
    # Shells numbered 1001-1100 with beams between them, in listing order.
    lines = []
    for k in range(100):
        lines.append("%10d  S4R5      1  %d %d %d %d" % (1001 + k, k + 1, k + 2, k + 3, k + 4))
        if k % 10 == 0:
            lines.append("%10d  B31   2  %d %d" % (5000 + k, k + 1, k + 2))
    io.getabqdatafromfile(write(tmp_path, listing(lines)))
    assert int(ed.nelem) == 100 and ed.elemlist.tolist() == list(range(1001, 1101))
    assert int(nd.ndof) == 5 and int(nd.nnodes) == 4
    io.getabqdatafromfile(write(tmp_path, listing(lines + ["  2000  S4R  1  1 2 3 4"])))
    assert int(ed.nelem) == 101 and int(nd.ndof) == 6
    # Regression: a property reference close to the type name is not part of it.
    io.getabqdatafromfile(write(tmp_path, listing(["  1  S4R5 1  1 2 3 4", "  2  S8R5 3  1 2 3 4"])))
    assert int(nd.ndof) == 5 and int(nd.nnodes) == 8 and ed.elemkind.tolist() == [3, 5]
    # A node table followed by a table of smaller numbers ends at its first line.
    nodes = ["%d  %d.0 0.0 0.0" % (n, n) for n in (1, 2, 3, 4)] + ["  1  7.0 7.0 7.0", "  5 5.0 0 0"]
    io.getabqdatafromfile(write(tmp_path, listing(["  1  S4  1  1 2 3 5"], nodes)))
    assert nd.nodalcoords[0, :, 0].tolist() == [1, 2, 3, 0]


def test_second_reading_renews_the_tables(tmp_path):
    io.getabqdatafromfile(write(tmp_path, listing(["  1  S4R  1  1 2 3 4"], ["1 1 1 1"])))
    nd.nodesmotion[:] = 3.0
    ed.elemreforientation[:] = 5.0
    # More elements and wider nodes than the first tables hold: created anew, nothing left over.
    io.getabqdatafromfile(write(tmp_path, listing(["  7  S8R  1  1 2 3 4 5 6 7 8", "  8  S4R5  1  9 1 2 3"],
                                                  ["1 1 1 1", "9 9 9 9"])))
    assert ed.elemnodes.shape == (8, 2) and nd.nodesmotion.shape == (6, 8, 2)
    assert not nd.nodesmotion.any() and (ed.elemreforientation == -1).all()
    assert nd.nodalcoords[:, 0, 1].tolist() == [9, 9, 9] and nd.nodalcoords[:, 1, 1].tolist() == [1, 1, 1]
    # A listing without a counted element, a missing file, a folder: nothing changes.
    before = ed.elemlist.copy()
    io.getabqdatafromfile(write(tmp_path, listing(["  1  B31  1  1 2"])))
    io.getabqdatafromfile(str(tmp_path / "missing.dat"))
    io.getabqdatafromfile(str(tmp_path))
    io.getabqdatafromfile("x" * 300)
    assert ed.elemlist.tolist() == before.tolist() and int(ed.nelem) == 2
    assert io.getfreeunitnumber(1, 120) == 1


def test_long_element_lines_keep_every_node(tmp_path):
    """Regression: an 8-node line with wide fields is longer than 80 characters."""
    line = "        20  S8R               1" + "".join("%10d" % (101 + k) for k in range(8))
    assert len(line) > 100
    io.getabqdatafromfile(write(tmp_path, listing([line], ["108 8 8 8"])))
    assert ed.elemnodes[:, 0].tolist() == list(range(101, 109))
    assert nd.nodalcoords[:, 7, 0].tolist() == [8, 8, 8]


def test_node_numbers_beyond_the_element_count(tmp_path):
    """Node numbers far above ndof x nnodes x nelem still reach their slots."""
    io.getabqdatafromfile(write(tmp_path, listing(["  1  S3  1  5000000 7 2000000000"],
                                                  ["7 1 2 3", "5000000 4 5 6", "2000000000 7 8 9"])))
    assert nd.nodalcoords[:, :, 0].T.tolist() == [[4, 5, 6], [1, 2, 3], [7, 8, 9]]


def test_repeated_node_of_a_collapsed_element(tmp_path):
    """Regression: every slot of an element that holds a node gets its coordinates."""
    io.getabqdatafromfile(write(tmp_path, listing(["  1  S4R  1  1 2 3 3"], ["1 0 0 0", "2 1 0 0", "3 1 1 0"])))
    assert nd.nodalcoords[:, 3, 0].tolist() == [1, 1, 0]


# ---- nodal patch ----------------------------------------------------------------------------

def grid_mesh(nx, ny, spacing=1.0):
    """Quadrilaterals on an nx x ny grid: (coords(3,4,nelem), nodes(4,nelem), node xyz by number)."""
    def nid(i, j):
        return i + (nx + 1) * j + 1
    nodes, coords = [], []
    for j, i in itertools.product(range(ny), range(nx)):
        corner = [(i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1)]
        nodes.append([nid(*c) for c in corner])
        coords.append([(spacing * a, spacing * b, 0.0) for a, b in corner])
    return np.array(coords).transpose(2, 1, 0).copy(order="F"), np.array(nodes, dtype=np.int32).T.copy(order="F")


def patch_points(coords, nodes, elemid, npt=64, **kw):
    patch = np.zeros((3, npt), order="F")
    el.getnodalpatch(patch, coords, nodes, elemid, **kw)
    n = int(np.argmax(patch[0] == -HUGE)) if (patch[0] == -HUGE).any() else npt
    assert (patch[:, n:] == -HUGE).all()
    return [tuple(p) for p in patch[:, :n].T]


def reference_patch(nodes, coords, ref, depth, exflag=0):
    """Points of the elements within `depth` node-sharing steps (independent breadth-first)."""
    ne = nodes.shape[1]
    sets = [set(nodes[:, e][nodes[:, e] > 0]) for e in range(ne)]
    dist = {ref: 0}
    frontier = [ref]
    for d in range(1, depth + 1):
        nxt = []
        for f in frontier:
            for e in range(ne):
                if e not in dist and sets[e] & sets[f]:
                    dist[e] = d
                    nxt.append(e)
        frontier = nxt
    members = [e for e, d in dist.items() if d >= 1] + ([ref] if depth >= 2 or exflag else [])
    return {tuple(coords[:, m, e]) for e in members for m in range(nodes.shape[0]) if nodes[m, e] > 0}


def test_patch_of_a_regular_mesh():
    coords, nodes = grid_mesh(3, 3)
    p = patch_points(coords, nodes, 5)
    assert len(p) == 16 and len(set(p)) == 16
    assert set(patch_points(coords, nodes, 5, exflag=1)) == set(p)
    corner = patch_points(coords, nodes, 1, ntree=2)
    assert len(corner) == 16 and len(set(corner)) == 16
    # A row of four: the third element at depth 1 and 2, in the order points were first stored.
    coords, nodes = grid_mesh(4, 1)
    assert patch_points(coords, nodes, 3) == [(1, 0, 0), (2, 0, 0), (2, 1, 0), (1, 1, 0), (3, 0, 0),
                                               (4, 0, 0), (4, 1, 0), (3, 1, 0)]
    assert len(patch_points(coords, nodes, 3, ntree=2)) == 10
    # A depth far beyond the mesh finds the whole row (the depth is bounded by the element count).
    coords, nodes = grid_mesh(20, 1)
    assert len(patch_points(coords, nodes, 1, npt=4000, ntree=2**31 - 1)) == 42
    assert record()[0] == 0


@pytest.mark.parametrize("seed", range(6))
def test_patch_against_breadth_first_search(seed):
    rng = np.random.default_rng(rng_seed(seed))
    nx, ny = rng.integers(2, 6, size=2)
    coords, nodes = grid_mesh(nx, ny)
    order = rng.permutation(nodes.shape[1])  # element order does not change the set
    coords, nodes = coords[:, :, order].copy(order="F"), nodes[:, order].copy(order="F")
    ref, depth, exflag = int(rng.integers(1, nodes.shape[1] + 1)), int(rng.integers(1, 4)), int(rng.integers(0, 2))
    p = patch_points(coords, nodes, ref, npt=200, ntree=depth, exflag=exflag)
    assert len(p) == len(set(p))
    assert set(p) == reference_patch(nodes, coords, ref - 1, depth, exflag)


def test_patch_tolerance_full_patch_and_empty_slots():
    coords, nodes = grid_mesh(2, 1)
    coords[0, 0, 1] += 1e-11   # node 2 as seen by element 2, slightly moved
    assert len(patch_points(coords, nodes, 1, exflag=1)) == 6
    coords[0, 0, 1] += 1e-9
    assert len(patch_points(coords, nodes, 1, exflag=1)) == 7
    assert len(patch_points(coords, nodes, 1, exflag=1, tolerance=1e-6)) == 6
    # Too small a patch: the points that fit, a warning.
    assert len(patch_points(coords, nodes, 1, npt=3, exflag=1)) == 3
    assert record() == (-2, "Warning: nodal patch full in GetNodalPatch.")
    # Regression: empty node slots (0) of 4-node elements in an 8-wide table join no elements
    # and add no point at the origin.
    wide_nodes = np.zeros((8, 3), dtype=np.int32, order="F")
    wide_nodes[:4, 0], wide_nodes[:4, 1], wide_nodes[:4, 2] = [1, 2, 3, 4], [5, 6, 7, 8], [2, 9, 10, 3]
    wide = np.zeros((3, 8, 3), order="F")
    for e in range(3):
        wide[:, :4, e] = np.array([[1 + n, 2 * n + 1, 3] for n in wide_nodes[:4, e]]).T
    p = patch_points(wide, wide_nodes, 1)
    assert len(p) == 4 and (0.0, 0.0, 0.0) not in p


def test_data_from_patch_takes_the_last_coinciding_node():
    coords, nodes = grid_mesh(2, 1)
    refdata = np.arange(2 * 4 * 2, dtype=float).reshape((2, 4, 2), order="F")
    pts = np.array([[1.0, 0, 0], [5.0, 5, 5], [0, 1, 0]]).T.copy(order="F")
    out = el.getdatafrompatch(refdata, pts, coords)
    # (1, 0) is node 2 of element 1 and node 1 of element 2: element 2 wins.
    assert out[:, 0].tolist() == refdata[:, 0, 1].tolist()
    assert out[:, 1].tolist() == [0, 0] and out[:, 2].tolist() == refdata[:, 3, 0].tolist()


# ---- element reference data -----------------------------------------------------------------

def set_elements(kinds, numbers=None, nodes=None, nnodes=8):
    n = len(kinds)
    ed.nelem = n
    nd.nnodes = nnodes
    t.datahandling.allocateelementdata(nnodes, n)
    ed.elemkind[:] = kinds
    ed.elemlist[:] = numbers if numbers is not None else np.arange(1, n + 1)
    if nodes is not None:
        ed.elemnodes[:, :] = np.asarray(nodes).T


def test_element_reference_data_scatters_records():
    set_elements([2, 4, 8, 3], numbers=[40, 10, 30, 20])
    tdir = np.eye(3)
    ply = np.array([[30.0]])
    # Records gathered out of table order; element 30 never seen.
    for noel, kspt, layid in [(20, 1, 1), (20, 3, 1), (10, 5, 1), (10, 2, 2), (40, 1, 1), (99, 4, 1)]:
        el.getelementreforientation(1, tdir, tdir, ply, noel, kspt, layid, 1, 0)
    nshell, ierror = el.getelementreferencedata(1)
    assert (nshell, ierror) == (4, 0) and ed.elemindices is None
    ro = ed.elemreforientation
    c, s = np.cos(np.radians(30)), np.sin(np.radians(30))
    for col in (0, 1, 3):
        assert np.allclose(ro[:, col], [30, c, -s, 0, s, c, 0])
    assert (ro[:, 2] == -1).all()
    assert sd.nsectionpoints.tolist() == [1, 5, 1, 3]
    assert el.getelementreferencedata(1) == (4, -1)
    assert (ed.elemreforientation == -1).all() and (sd.nsectionpoints == -1).all()


def test_element_reference_data_with_a_solid_and_missing_lists():
    set_elements([2, 11, 4, 6])
    assert el.getelementreferencedata(2) == (2, -1)
    assert ed.elemindices.tolist() == [1, 3, -1, -1]
    # An existing index list is kept; only the complex list missing: orientations written.
    lh.int_appendscalar2list(3, 3, 1)
    lh.real_appendarray2list(3, np.arange(7.0), 0)
    assert el.getelementreferencedata(3) == (0, -1)
    assert ed.elemreforientation[:, 2].tolist() == list(range(7)) and (sd.nsectionpoints == -1).all()
    assert ed.elemindices.tolist() == [1, 3, -1, -1]
    # A pair whose numbers do not fit an integer is passed over.
    lh.int_appendscalar2list(1, 1, 1)
    lh.real_appendarray2list(1, np.zeros(7), 0)
    lh.cmplx_appendscalar2list(1, complex(1e300, 4), 1)
    lh.cmplx_appendscalar2list(1, complex(1, 3.7), 1)
    assert el.getelementreferencedata(1) == (0, 0)
    assert sd.nsectionpoints.tolist() == [3, 1, 1, 1]


def test_reference_orientation_records_once_per_element():
    tdir = np.eye(3)
    ply = np.array([[0.0, 15.0], [45.0, 45.0]])
    assert el.getelementreforientation(1, tdir, tdir, ply, 7, 1, 2, 1, 0) == 1   # only the pair
    assert lh.getsizeoflist(1, 0) == -1
    assert el.getelementreforientation(1, tdir, tdir, ply, 7, 1, 1, 2, -1) == 1  # first sight
    assert el.getelementreforientation(1, tdir, tdir, ply, 7, 2, 1, 2, 0) == 1   # new pair only
    assert (lh.getsizeoflist(1, 0), lh.getsizeoflist(1, 1), lh.getsizeoflist(1, 2)) == (1, 7, 2)
    assert lh.dynreallist1[0] == pytest.approx(15.0)
    # A section outside the ply table: 0 degrees and a warning.
    assert el.getelementreforientation(1, tdir, tdir, ply, 8, 1, 1, 5, 2) == 1
    assert lh.dynreallist1[7] == 0.0 and record()[0] == -2


def test_nodal_coordinates_reach_every_holding_slot():
    # Four quadrilaterals sharing node 5 (a 2 x 2 mesh), node 5 in a different slot of each.
    coords, nodes = grid_mesh(2, 2)
    set_elements([2] * 4, nodes=nodes.T, nnodes=4)
    t.datahandling.allocatenodaldata(6, 4, 4)
    el.getnodalcoordinates(np.array([[7.0, 8.0, 9.0], [1.0, 1.0, 1.0]]).T, [5, 1])
    slots = [(e, m) for e in range(4) for m in range(4) if nodes[m, e] == 5]
    assert len(slots) == 4
    for e, m in slots:
        assert nd.nodalcoords[:, m, e].tolist() == [7, 8, 9]
    assert nd.nodalcoords[:, 0, 0].tolist() == [1, 1, 1]
    assert np.count_nonzero(nd.nodalcoords) == 15
    # With an index list only the listed elements are visited; two coordinates per node.
    ed.elemindices = np.array([2, -1, 4, 4], dtype=np.int32)
    el.getnodalcoordinates(np.array([[0.5, 0.25]]).T, [5])
    assert [nd.nodalcoords[0, m, e] for e, m in slots] == [7, 0.5, 7, 7]
    assert nd.nodalcoords[:, slots[1][1], 1].tolist() == [0.5, 0.25, 9]
    with pytest.raises(t.error):
        el.getnodalcoordinates(np.zeros((4, 1)), [5])


@pytest.mark.parametrize("scale", [1, 1000])
def test_nodal_coordinates_of_dense_and_sparse_numbers(scale):
    # Node numbers spanning their count (scale 1) and far apart (scale 1000), with repeated
    # numbers (the last in the block wins), numbers below 1 and numbers no element holds:
    # every slot gets the coordinates of the last block entry of its node, checked against a
    # plain loop over the slots.
    rng = np.random.default_rng(rng_seed(3))
    coords, nodes = grid_mesh(3, 2)
    nodes = nodes * scale
    set_elements([2] * 6, nodes=nodes.T, nnodes=4)
    t.datahandling.allocatenodaldata(6, 4, 6)
    ids = np.array([1, 5, 0, 7, 5, -3, 12, 3, 99, 1, 8, 8, 2], dtype=np.int32) * scale
    xyz = rng.normal(size=(3, ids.size))
    el.getnodalcoordinates(xyz, ids)
    want = np.zeros((3, 4, 6))
    for e in range(6):
        for m in range(4):
            hits = np.flatnonzero((ids == nodes[m, e]) & (ids >= 1))
            if hits.size:
                want[:, m, e] = xyz[:, hits[-1]]
    assert (nd.nodalcoords == want).all()


# ---- lengths and orientations ---------------------------------------------------------------

def test_lengths_and_bar_geometry():
    cube = np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]], float).T
    assert el.gethex8elemlength(np.eye(3), cube).tolist() == [1, 1, 1]
    square = np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]], float).T
    assert np.allclose(el.getquad4elemlength(np.eye(3), square), [1, 1, np.sqrt(2)])
    bar = np.array([[0, 0, 0], [3, 4, 0]], float).T
    assert el.gettruss3elemlength(bar) == 5
    te = el.gettruss3transformationmatrix(bar)
    assert np.allclose(te[0, :3], [0.6, 0.8, 0]) and np.allclose(te[1, 3:], [0.6, 0.8, 0])
    assert not te[0, 3:].any() and not te[1, :3].any()
    # Absolute component products: a diagonal (1, -1, 0) measured along (1, 1, 0)/sqrt 2.
    box = cube.copy()
    box[:, 6] = box[:, 0] + [1, -1, 0]
    m = np.eye(3)
    m[:, 0] = [1 / np.sqrt(2), 1 / np.sqrt(2), 0]
    rest = sum(np.abs((box[:, a] - box[:, b]) * m[:, 0]).sum() for a, b in ((7, 1), (4, 2), (5, 3)))
    assert el.gethex8elemlength(m, box)[0] == pytest.approx(0.25 * (np.sqrt(2) + rest))


def test_orientation_angles():
    i3 = np.eye(3)
    assert el.getabqelementorientation([0, 1, 0], i3) == pytest.approx(90)
    assert el.getabqelementorientation([0, -1, 0], i3) == pytest.approx(-90)
    assert el.getabqelementorientation([-1, 0, 0], i3) == pytest.approx(180)
    ref = el.getsectionreforientation
    assert ref([0, 1, 0], [0, 0, 1], [1, 0, 0]) == pytest.approx(np.pi / 2)
    assert ref([0, 1, 0], [0, 0, -1], [1, 0, 0]) == pytest.approx(-np.pi / 2)
    assert ref([2, 0, 0], [0, 0, 1], [1, 0, 0]) == 0 and ref([-1, 0, 0], [0, 0, 1], [1, 0, 0]) == np.pi
    # Regression: nearly antiparallel vectors of large length stay finite.
    assert np.isfinite(ref([-1e8, 1e-7, 0], [0, 0, 1], [1e8, 0, 0]))


@pytest.mark.parametrize("seed", range(4))
def test_orientation_angles_against_atan2(seed):
    rng = np.random.default_rng(rng_seed(seed))
    for _ in range(20):
        a, b = rng.uniform(-np.pi, np.pi, 2)
        r12 = np.array([np.cos(a), np.sin(a), 0]) * rng.uniform(0.5, 3)
        so = np.array([np.cos(b), np.sin(b), 0]) * rng.uniform(0.5, 3)
        expect = np.angle(np.exp(1j * (b - a)))
        assert el.getsectionreforientation(so, [0, 0, 1], r12) == pytest.approx(expect, abs=1e-9)
        # An element plane turned about x: the angle is measured in the plane.
        c, s = np.cos(0.3), np.sin(0.3)
        tdir = np.array([[1, 0, 0], [0, c, s], [0, -s, c]]).T
        rm = np.cos(b) * tdir[:, 0] + np.sin(b) * tdir[:, 1]
        assert el.getabqelementorientation(rm, tdir) == pytest.approx(np.degrees(b), abs=1e-7)
