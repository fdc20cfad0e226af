"""Auxiliary solver hooks: characteristic lengths of element blocks, the Gauss-point report of
initialisation steps, nodal-coordinate and node-motion recording (with the increment ends that
share its interval), constraint switch-off and the state-vector initialisation mark."""
import numpy as np
import pytest

import _tolvek as t
from error_record import clean_record, errstat, errtext  # noqa: F401 (autouse fixture)
from seeding import rng_seed

tl = t.toplevel
el = t.elementhandling
HUGE = np.finfo(float).max


@pytest.fixture(autouse=True)
def clean():
    t.datahandling.deallocall()
    t.jobdata.jobfilepath = ""
    yield
    t.datahandling.deallocall()
    t.jobdata.jobfilepath = ""


def charlengths(jeltype, coordnode, tdirect, ncomp=3):
    nb, nn, nd = coordnode.shape
    z = np.zeros((nb, 1))
    return tl.vucharlength_cel(ncomp, 1, 1, 1, [jeltype, 0, 0], np.arange(1, nb + 1), 0.0, 0.0, 1e-3, "PLY",
                               np.zeros((nb, nd)), coordnode, tdirect, np.zeros((nb, 3, 3)), np.zeros(1), z, z)


def test_charlength_per_point_matches_single_element_routines():
    rng = np.random.default_rng(rng_seed(4))
    nb = 5
    frames = np.array([np.linalg.qr(rng.normal(size=(3, 3)))[0] for _ in range(nb)])
    quad = rng.normal(size=(nb, 4, 3))
    hexa = rng.normal(size=(nb, 8, 3))
    # the block carries a spare node, which must not shift the corner layout
    lq = charlengths(3, np.concatenate([quad, rng.normal(size=(nb, 1, 3))], axis=1), frames)
    lh = charlengths(6, hexa, frames)
    for k in range(nb):
        assert np.allclose(lq[k], el.getquad4elemlength(frames[k], quad[k].T), rtol=1e-14)
        assert np.allclose(lh[k], el.gethex8elemlength(frames[k], hexa[k].T), rtol=1e-14)
    # unit square in its own plane: the two edges and the diagonal
    sq = np.array([[[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]]], float)
    assert np.allclose(charlengths(3, sq, np.eye(3)[None]), [[1, 1, np.sqrt(2)]])


def test_charlength_other_types_short_blocks_and_narrow_results():
    rng = np.random.default_rng(rng_seed(5))
    frames = np.tile(np.eye(3), (2, 1, 1))
    assert not charlengths(4, rng.normal(size=(2, 8, 3)), frames).any()
    # a quadrilateral block with three nodes or planar coordinates gives zero lengths
    assert not charlengths(3, rng.normal(size=(2, 3, 3)), frames).any()
    assert not charlengths(3, rng.normal(size=(2, 4, 2)), frames).any()
    hexa = rng.normal(size=(2, 8, 3))
    full = charlengths(6, hexa, frames)
    assert np.array_equal(charlengths(6, hexa, frames, ncomp=2), full[:, :2])
    wide = charlengths(6, hexa, frames, ncomp=5)
    assert np.array_equal(wide[:, :3], full) and not wide[:, 3:].any()


def test_charlength_gives_a_point_without_finite_lengths_zeros_and_its_neighbours_theirs():
    rng = np.random.default_rng(rng_seed(6))
    hexa = rng.normal(size=(3, 8, 3))
    frames = np.tile(np.eye(3), (3, 1, 1))
    good = charlengths(6, hexa, frames)
    hexa[1, 4, 0] = np.nan                          # a coordinate that is not a number
    frames[2] *= 1e308                              # directions whose products overflow
    hexa[2] *= 10.0
    out = charlengths(6, hexa, frames)
    assert np.array_equal(out[0], good[0]) and not out[1:].any()
    assert errstat() == -3 and errtext().startswith("vucharlength_cel: non-finite")
    # Unchanged: a length the block does not ask for, and a type the hook does not treat
    t.errorhandling.rsxerr(1)
    frames = np.tile(np.eye(3), (3, 1, 1))
    frames[:, :, 2] = np.nan                        # only the third length is not finite
    assert np.array_equal(charlengths(6, hexa[:1], frames[:1], ncomp=2), good[:1, :2])
    assert not charlengths(4, hexa, frames).any() and errstat() == 0


def report_call(kstep, kinc, noel=7, uvar=None):
    uvar = np.array([1.5, -2.0]) if uvar is None else uvar
    return tl.uvarm_report(uvar, np.eye(3), np.eye(3), [0.0, 0.0], 0.1, "PLY", "ORI", noel, 2, 1, 1, kstep,
                           kinc, 3, 3, [1.0, 2.0, 3.0], [0], [0], 0, 0)


def test_uvarm_report_only_in_first_increment_of_initialisation_steps(tmp_path):
    t.jobdata.jobfilepath = str(tmp_path / "job")
    rst = tmp_path / "job.rst"
    report_call(1, 1)
    assert not rst.exists()  # no step table: every step counts as fatigue
    t.jobdata.stepid = [0, 1, 0]
    out = report_call(1, 1, noel=7)
    assert np.array_equal(out, [1.5, -2.0])
    report_call(1, 2, noel=8)
    report_call(2, 1, noel=9)
    report_call(4, 1, noel=10)  # beyond the table: default kind
    report_call(3, 1, noel=11)
    lines = rst.read_text().splitlines()
    assert [int(l.split()[0]) for l in lines[1:]] == [7, 11]
    assert [float(v) for v in lines[1].split()[2:]] == [1.0, 2.0, 3.0]


@pytest.mark.parametrize("jobpath", ["", "   "])
def test_uvarm_report_without_job_path_writes_no_hidden_rst_file(tmp_path, monkeypatch, jobpath):
    monkeypatch.chdir(tmp_path)
    t.jobdata.jobfilepath = jobpath
    t.jobdata.stepid = [0]
    out = report_call(1, 1)
    assert np.array_equal(out, [1.5, -2.0])
    assert list(tmp_path.iterdir()) == []
    assert errstat() == -2 and "job path" in errtext()
    # with a job path the same call writes the report next to the job
    t.errorhandling.rsxerr(1)
    t.jobdata.jobfilepath = str(tmp_path / "job")
    report_call(1, 1)
    assert [f.name for f in tmp_path.iterdir()] == ["job.rst"] and errstat() == 0


def test_mpc_nullify_switches_constraint_off():
    ue = np.array([1.0, 2.0, 3.0])
    n = 4
    ue2, a, jdof, lmpc = tl.mpc_nullify(ue, 14, np.ones((6, n)), np.ones((3, n)), np.ones((3, n)), 1, 2, 3,
                                        [0.0, 0.0], np.zeros((1, n)), np.zeros((1, 1, n)), np.zeros(n, np.int32),
                                        np.zeros((3, 3, n)))
    assert np.array_equal(ue2, ue) and lmpc == 0
    assert a.shape == (3, 3, n) and not a.any() and jdof.shape == (3, n) and not jdof.any()


def test_gen_sdvini_marks_only_untouched_vectors():
    s = tl.gen_sdvini(np.zeros(40), np.zeros(3), 1, 2, 3, 4)
    assert s[-1] == HUGE and not s[:-1].any()
    v = np.zeros(40)
    v[12] = -1e-300
    assert np.array_equal(tl.gen_sdvini(v.copy(), np.zeros(3), 1, 2, 3, 4), v)
    assert tl.gen_sdvini(np.zeros(1), np.zeros(3), 1, 2, 3, 4)[0] == HUGE
    assert tl.gen_sdvini(np.zeros(0), np.zeros(3), 1, 2, 3, 4).size == 0
    assert tl.gen_sdvini(np.zeros(5), np.zeros(3), 1, 2, 3, 4, nstatv=0)[-1] == 0.0


def test_vdisp_nullify_records_coordinates_in_first_increment_of_initial_step():
    t.elementdata.nelem = 1
    t.nodaldata.nnodes = 4
    t.datahandling.allocateelementdata(4, 1)
    t.elementdata.elemkind[:] = [2]
    t.elementdata.elemlist[:] = [1]
    t.elementdata.elemnodes[:, 0] = [3, 4, 5, 6]
    t.datahandling.allocatenodaldata(6, 4, 1)
    nb = 2
    coordnp = np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]]).T
    u = np.ones((6, nb))
    rval = np.full((6, nb), 2.5)

    def call(kstep, kinc):
        tl.vdisp_nullify(kstep, kinc, 0.0, 0.0, 1e-3, 1e-3, "BC", 0, 1, [4, 6], 1.0, coordnp, u, u, u, u,
                         np.ones(nb), np.zeros((nb, 3, 3)), rval)

    call(1, 1)  # no step table: nothing recorded
    assert not t.nodaldata.nodalcoords.any()
    t.jobdata.stepid = [1, 0]
    call(1, 1)  # first step is not an initialisation step
    call(2, 1)
    assert not t.nodaldata.nodalcoords.any()
    t.jobdata.stepid = [0, 1]
    call(1, 2)
    assert not t.nodaldata.nodalcoords.any()
    call(1, 1)
    assert t.nodaldata.nodalcoords[:, 1, 0].tolist() == [1, 2, 3]
    assert t.nodaldata.nodalcoords[:, 3, 0].tolist() == [4, 5, 6]
    assert np.count_nonzero(t.nodaldata.nodalcoords) == 6
    assert (rval == 2.5).all()


def test_vdisp_nullify_keeps_the_stored_coordinates_of_a_node_whose_coordinates_are_not_finite():
    t.elementdata.nelem = 2
    t.datahandling.allocateelementdata(4, 2)
    t.elementdata.elemnodes[:] = np.array([[3, 4, 5, 6], [4, 7, 8, 9]]).T  # node 4 in both
    t.datahandling.allocatenodaldata(6, 4, 2)
    t.jobdata.stepid = [0, 1]
    nc = t.nodaldata.nodalcoords

    def call(nodes, coordnp):
        u, nb = np.ones((6, len(nodes))), len(nodes)
        t.errorhandling.rsxerr(1)
        tl.vdisp_nullify(1, 1, 0.0, 0.0, 1e-3, 1e-3, "BC", 0, 1, nodes, 1.0, np.array(coordnp, float).T, u, u, u,
                         u, np.ones(nb), np.zeros((nb, 3, 3)), np.zeros((6, nb)))
        return errstat(), list(t.errorhandling.errintv) if errstat() else []

    call([4, 6], [[1, 2, 3], [4, 5, 6]])
    # Node 4 (inf) and node 6 (given twice, once with a NaN) keep their slots; node 7 at 1e308 is
    # stored, node 99 is held by no element: not reported.
    bad = [[1, np.inf, 0], [9, 9, 9], [1e308, 0, 0], [np.nan] * 3, [0, np.nan, 0]]
    assert call([4, 6, 7, 99, 6], bad) == (-2, [4, 2])
    assert nc[:, 1, 0].tolist() == nc[:, 0, 1].tolist() == [1, 2, 3] and nc[:, 3, 0].tolist() == [4, 5, 6]
    assert nc[:, 1, 1].tolist() == [1e308, 0, 0] and np.count_nonzero(nc) == 10


# ---- node motions of the prescribed-motion hook --------------------------------------------------

INT_MAX = 2 ** 31 - 1


@pytest.fixture
def motion_model(monkeypatch):
    """One element holding nodes 3 to 6 with frames never built (the identity), six degrees of
    freedom, steps an initialisation and an impact; returns the node-motion table. The counters it
    sets outlive a release of the tables, so they are put back."""
    monkeypatch.setattr(t.nodaldata, "ndof", 6)
    monkeypatch.setattr(t.debugdata, "nupdate", 1)
    t.elementdata.nelem = 1
    t.datahandling.allocateelementdata(4, 1)
    t.elementdata.elemnodes[:, 0] = [3, 4, 5, 6]
    t.datahandling.allocatenodaldata(6, 4, 1)
    t.jobdata.stepid = [0, 3]
    return t.nodaldata.nodesmotion


def vdisp_motion(kinc, nodes, u):
    mdof, nb = u.shape
    t.errorhandling.rsxerr(1)
    tl.vdisp_nullify(2, kinc, 0.0, 0.0, 1e-3, 1e-3, "BC", 0, 1, nodes, 1.0, np.zeros((3, nb)), u, u, u, u,
                     np.ones(nb), np.zeros((nb, 3, 3)), np.zeros((mdof, nb)))


@pytest.mark.parametrize("nupdate", [1, 2, 3, 7, 2 ** 16, INT_MAX, -1, -2, -3, -INT_MAX - 1, 0])
def test_increment_due_at_the_top_of_the_int_range_is_that_of_the_exact_successor(motion_model, nupdate):
    """The motion hook records node motions, and the explicit increment ends zero the accumulators,
    when kinc + 1 is a multiple of nupdate (every increment for nupdate 0). For kinc 2^31 - 1 and
    2^31 - 2, kinc + 1 is taken in exact integers, and the hooks decide as for the small kinc of the
    same residue."""
    nm = motion_model
    t.debugdata.nupdate = nupdate
    u = np.array([[1.0, 2.0, 3.0, 0.5, 0.25, 0.0]]).T
    t.sectiondata.tnormalstress = np.ones((3, 1))

    def recorded(kinc):
        nm[:] = 0.0
        vdisp_motion(kinc, [4], u)
        return nm[:, 1, 0].tolist() == u[:, 0].tolist()

    def zeroed(kinc):
        out = []
        for call in (lambda: tl.uexternaldb_iocontrol(2, 0, [0.0, 0.0], 1e-3, 2, kinc, 1),
                     lambda: tl.vexternaldb_iocontrol(4, [0, 0, 2, kinc], [0.0, 0.0, 1e-3])):
            t.sectiondata.tnormalstress[:] = 1.0
            call()
            out.append(not t.sectiondata.tnormalstress.any())
        assert out[0] == out[1]
        return out[0]

    for kinc in (INT_MAX, INT_MAX - 1):
        due = nupdate == 0 or (kinc + 1) % nupdate == 0
        assert recorded(kinc) == due and zeroed(kinc) == due, kinc
        if 0 < abs(nupdate) <= 2 ** 16:
            small = 2 + (kinc - 2) % abs(nupdate)
            assert recorded(small) == due and zeroed(small) == due, small
    assert errstat() == 0


@pytest.mark.parametrize("finite_first", [True, False])
def test_vdisp_nullify_keeps_the_motion_of_a_node_given_twice_once_with_a_nan_rotation(motion_model, finite_first):
    """A node given twice in one block, once with finite values and once with a NaN rotation, keeps
    its stored motion in every slot: neither of its entries is stored. The other nodes of the block
    are stored."""
    nm = motion_model
    kept = np.arange(1.0, 25.0).reshape(6, 4)
    nm[:, :, 0] = kept
    good, bad = [1.0, 2.0, 3.0, 0.1, 0.2, 0.3], [4.0, 5.0, 6.0, np.nan, 0.0, 0.0]
    entries = [good, bad] if finite_first else [bad, good]
    u = np.array(entries + [[7.0, 8.0, 9.0, 0.4, 0.5, 0.6]]).T
    vdisp_motion(3, [4, 4, 5], u)
    assert errstat() == -2 and list(t.errorhandling.errintv) == [4, 1]
    assert nm[:, 1, 0].tolist() == kept[:, 1].tolist()
    assert nm[:, 2, 0].tolist() == [7.0, 8.0, 9.0, 0.4, 0.5, 0.6]
    assert np.array_equal(nm[:, [0, 3], 0], kept[:, [0, 3]])


def test_vdisp_nullify_stores_every_motion_the_solver_gives_zero_included(motion_model):
    """Each call stores the motion the solver gives, turned into the element frame (here a quarter
    turn about z, exact in binary): a zero motion, or a zero translation beside a rotation,
    replaces the stored one like any other. Without rotation rows (mdof 3) the stored rotations
    stay."""
    nm = motion_model
    quarter = np.array([[0.0, -1.0, 0.0], [1.0, 0.0, 0.0], [0.0, 0.0, 1.0]])
    t.nodaldata.tcurvmatrices[:, :, 0] = quarter
    t.nodaldata.tnodalmatrices[:, :, :, 0] = np.eye(3)[:, :, None]
    nm[:, :, 0] = 9.0
    for u in ([1, 2, 3, 4, 5, 6], [0] * 6, [0, 0, 0, 0.1, 0, 0], [0, 0, 0.5, 0, 0, 0], [7, 8, 9, 0, 0, 0]):
        vdisp_motion(3, [4], np.array([u], float).T)
        u = np.array(u, float)
        assert nm[:, 1, 0].tolist() == [*(quarter @ u[:3]), *(quarter @ u[3:])], u
    nm[3:, 1, 0] = 5.0
    vdisp_motion(3, [4], np.array([[0.0, 1.0, 0.0]]).T)
    assert nm[:, 1, 0].tolist() == [-1.0, 0.0, 0.0, 5.0, 5.0, 5.0]
    vdisp_motion(3, [4], np.array([[0.0, 0.0, 0.0]]).T)
    assert nm[:, 1, 0].tolist() == [0.0, 0.0, 0.0, 5.0, 5.0, 5.0]
    assert errstat() == 0 and np.all(nm[:, [0, 2, 3], 0] == 9.0)


def test_vdisp_nullify_keeps_the_stored_coordinates_of_a_node_whose_third_coordinate_is_not_finite():
    """At the first increment of an initialisation step a node at (7, 8, NaN) keeps its stored
    coordinates, with a report; a node beside it in the block is stored."""
    t.elementdata.nelem = 1
    t.datahandling.allocateelementdata(4, 1)
    t.elementdata.elemnodes[:, 0] = [3, 4, 5, 6]
    t.datahandling.allocatenodaldata(6, 4, 1)
    t.jobdata.stepid = [0, 1]
    nc = t.nodaldata.nodalcoords
    nc[:, :, 0] = -1.0
    coordnp = np.array([[7.0, 8.0, np.nan], [1.0, 2.0, 3.0]]).T
    u = np.ones((6, 2))
    tl.vdisp_nullify(1, 1, 0.0, 0.0, 1e-3, 1e-3, "BC", 0, 1, [5, 6], 1.0, coordnp, u, u, u, u, np.ones(2),
                     np.zeros((2, 3, 3)), np.zeros((6, 2)))
    assert errstat() == -2 and list(t.errorhandling.errintv) == [5, 1]
    assert nc[:, 2, 0].tolist() == [-1.0] * 3 and nc[:, 3, 0].tolist() == [1.0, 2.0, 3.0]
    assert (nc[:, :2, 0] == -1.0).all()
