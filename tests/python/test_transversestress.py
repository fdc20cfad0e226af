"""Transverse stress recovery of thick shells on a small shell model read from a listing: the
recovered shear and normal stresses against direct calls of the laminate recovery routines, the
element forms that are passed over, the once-only accumulators, and the index checks."""
from pathlib import Path

import numpy as np
import pytest

import _tolvek as t
from element_tables import empty_model, record  # noqa: F401 (autouse fixture)
from seeding import rng_seed

el = t.elementhandling
lam = t.laminate
ed = t.elementdata
nd = t.nodaldata
DATA = Path(__file__).resolve().parent / "data"
G = 0.5773502691896257
QUAD_GP = [(-G, -G), (G, -G), (G, G), (-G, G)]
TRIA_GP = [(0.16666666667, 0.16666666667), (0.16666666667, 0.66666666667), (0.66666666667, 0.16666666667)]
CFRP = [140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3]


class Model:
    """The shell model of the listing fixture with one three-ply section, frames built, and a
    motion field with bending and transverse shear applied to every node."""

    def __init__(self, sp=3, nintpoint=None, npt=4):
        t.iohandling.getabqdatafromfile(str(DATA / "shell_model.dat"))
        ed.elemreforientation[:] = np.array([0, 1, 0, 0, 0, 1, 0], float)[:, None]
        assert el.getnodereferencedata() == 0
        self.nplies, self.nsec = 3, 1
        self.ori = np.array([[0.0], [90.0], [0.0]])
        self.thk = np.full((3, 1), 0.2)
        self.sl = np.arange(1, 4, dtype=np.int32)[:, None]
        self.ela = np.repeat(np.array(CFRP)[:, None, None], 3, axis=1)
        self.z = lam.getsectionzcoord(self.sl, self.thk)
        self.f = lam.getsectionfmatrix(self.sl, self.ori, self.thk, self.z, self.ela)
        self.h = lam.getsectionhmatrix(self.sl, self.ori, self.thk, self.ela)
        ids = np.arange(1, 26, dtype=np.int32)
        x, y = (ids - 1) % 5, (ids - 1) // 5
        tr = np.array([0.01 * x * y, -0.02 * x, 0.03 * x * x + 0.01 * y * y * x])
        rot = np.array([0.02 * y + 0.01 * x, -0.05 * x + 0.01 * y * y, np.zeros(25)])
        el.getnodesmotion(tr, rot, ids)
        ne = int(ed.nelem)
        self.sp = sp
        self.nip = nintpoint or 3 * sp
        rng = np.random.default_rng(rng_seed(7))
        self.sestress = np.asfortranarray(rng.normal(size=(6, self.nip, npt, ne)))
        self.elemsp = np.full(ne, sp, dtype=np.int32)
        self.curv = np.zeros((2, ne), order="F")
        self.kind = ed.elemkind.copy()
        self.tns = np.zeros((7, ne), order="F")
        self.tss = np.zeros((self.nip, 2, 4, ne), order="F")

    def recover(self, e, gp, itns=1, itshr=1, secid=1, **kw):
        self.tns, self.tss = el.getshelltransversestresses(
            self.tns, self.tss, nd.nodalcoords, nd.nodesmotion, self.sestress, self.h, self.f, self.ori, self.thk,
            self.z, self.ela, self.elemsp, self.curv, self.kind, self.sl, e, gp, secid, itns, itshr, **kw)
        return self.tns, self.tss

    # Direct calls of the laminate routines.
    def u(self, e):
        return el.getdisplacementvector(nd.nodesmotion[:, :, e - 1])

    def nodes(self, e):
        return 6 if self.kind[e - 1] == 8 else 8

    def shear_force(self, e, xi, eta):
        nc = nd.nodalcoords[:, :self.nodes(e), e - 1]
        return self.h[:, :, 0] @ (el.shellbmatrix(nc, xi, eta) @ self.u(e))[6:8]

    def force_derivatives(self, e, points, w):
        nc = nd.nodalcoords[:, :self.nodes(e), e - 1]
        rdx = sum(w * el.shellxderivshearforces(self.u(e), self.h[:, :, 0], nc, a, b) for a, b in points)
        rdy = sum(w * el.shellyderivshearforces(self.u(e), self.h[:, :, 0], nc, a, b) for a, b in points)
        return rdx, rdy


def test_shear_stresses_of_the_listed_model_match_the_laminate_routines():
    m = Model()
    for e, gps in ((1, QUAD_GP), (2, QUAD_GP), (3, TRIA_GP)):
        for gp, (xi, eta) in enumerate(gps, 1):
            tns, tss = m.recover(e, gp, itns=0)
            r = m.shear_force(e, xi, eta)
            assert np.abs(r).max() > 1e-3
            ref = lam.getext2dshearstress(r, m.ori[:, 0], m.f[:, :, 0], 3)
            assert np.allclose(tss[:, :, gp - 1, e - 1], ref, rtol=1e-12, atol=0)
    assert not m.tns.any()
    # The section-point shear stresses vanish at the free faces of the laminate.
    assert np.allclose(m.tss[[0, -1], :, :, :3], 0, atol=1e-9 * np.abs(m.tss).max())


def test_normal_stress_at_the_centre_or_averaged():
    m = Model()
    tns, _ = m.recover(1, 1, itns=2, itshr=0)
    rdx, rdy = m.force_derivatives(1, [(0.0, 0.0)], 1.0)
    assert np.allclose(tns[:, 0], lam.getnormalstressfrombottom(rdx, rdy, m.z[:, 0], m.f[:, :, 0]), rtol=1e-12)
    assert np.abs(tns[:, 0]).max() > 0 and not m.tss.any()
    tns, _ = m.recover(2, 3, itns=7, itshr=0)
    rdx, rdy = m.force_derivatives(2, QUAD_GP, 0.25)
    assert np.allclose(tns[:, 1], lam.getnormalstressfrombottom(rdx, rdy, m.z[:, 0], m.f[:, :, 0]), rtol=1e-12)
    # A triangle averages over its three points even with itnsflag 2.
    tns, _ = m.recover(3, 1, itns=2, itshr=0)
    rdx, rdy = m.force_derivatives(3, TRIA_GP, 1 / 3)
    assert np.allclose(tns[:, 2], lam.getnormalstressfrombottom(rdx, rdy, m.z[:, 0], m.f[:, :, 0]), rtol=1e-10)


def test_results_are_computed_once_per_interval():
    m = Model()
    tns, tss = m.recover(1, 2)
    first_n, first_s = tns[:, 0].copy(), tss[:, :, 1, 0].copy()
    nd.nodesmotion[:] *= 2.0
    tns, tss = m.recover(1, 2)
    assert np.array_equal(tns[:, 0], first_n) and np.array_equal(tss[:, :, 1, 0], first_s)
    m.tns[:] = 0.0
    m.tss[:] = 0.0
    tns, tss = m.recover(1, 2)
    assert np.allclose(tns[:, 0], 2 * first_n) and np.allclose(tss[:, :, 1, 0], 2 * first_s)
    # Only the first nplies x sp rows of a longer block are written.
    m = Model(nintpoint=12)
    _, tss = m.recover(1, 1, itns=0)
    assert np.abs(tss[:9, :, 0, 0]).min() >= 0 and tss[:9, :, 0, 0].any() and not tss[9:, :, :, :].any()


def test_curved_elements_take_the_section_fg_matrices():
    m = Model()
    m.curv[:, 0] = (0.01, 0.02)
    pair = [0.02, 0.01]
    tns, tss = m.recover(1, 4, itns=1)
    r = m.shear_force(1, *QUAD_GP[3])
    fg = lam.getarbitrarysectionfg(m.sl, m.ori, m.thk, m.z, m.ela, 1, 1, xycurv=pair)
    assert np.allclose(tss[:, :, 3, 0], lam.getext2dshearstress(r, m.ori[:, 0], fg[:, :, 0], 3), rtol=1e-12)
    # Normal stress: the membrane integrals of stress 22 with (smaller, larger) and of stress 11
    # with (larger, smaller) curvature, averaged over the Gauss points, less the F/G terms.
    fg0 = lam.getarbitrarysectionfg(m.sl, m.ori, m.thk, m.z, m.ela, 0, 1, xycurv=pair)[:, :, 0]
    rdx, rdy = m.force_derivatives(1, QUAD_GP, 0.25)
    total = np.zeros(7)
    for i in range(4):
        sbt = lam.getplybottomtopstress(m.sestress[:, :, i, 0], [3, 3, 3])
        total += lam.getintegralofmembranenormalstress(sbt[1], m.z[:, 0], [3, 3, 3], 0.01, 0.02)
        total += lam.getintegralofmembranenormalstress(sbt[0], m.z[:, 0], [3, 3, 3], 0.02, 0.01)
    ref = 0.25 * total - (fg0[:, 0] * rdy[0] + fg0[:, 1] * rdy[1]) - (fg0[:, 2] * rdx[0] + fg0[:, 3] * rdx[1])
    assert np.allclose(tns[:, 0], ref, rtol=1e-10)
    # Zero curvatures: the straight result.
    m2 = Model()
    assert np.allclose(m2.recover(1, 4)[1][:, :, 3, 0], lam.getext2dshearstress(r, m.ori[:, 0], m.f[:, :, 0], 3))


def test_section_points_per_ply_and_mixed_models():
    """Regression: the section-point count is per ply, and the point extent of the stresses is
    that of the array (27 in a model with solids)."""
    m = Model(sp=5)
    _, tss = m.recover(2, 1, itns=0)
    r = m.shear_force(2, *QUAD_GP[0])
    assert tss.shape[0] == 15
    assert np.allclose(tss[:, :, 0, 1], lam.getext2dshearstress(r, m.ori[:, 0], m.f[:, :, 0], 5))
    m4 = Model()
    m27 = Model(npt=27)
    m27.sestress[:, :, :4, :] = m4.sestress
    m4.curv[:, 1] = m27.curv[:, 1] = (0.03, -0.01)
    a = m4.recover(2, 1)
    b = m27.recover(2, 1)
    assert np.array_equal(a[0], b[0]) and np.array_equal(a[1], b[1]) and a[0][:, 1].any()


def test_elements_and_indices_that_are_passed_over():
    m = Model()

    def unchanged(e, gp=1, **kw):
        m.tns[:] = 0.0
        m.tss[:] = 0.0
        tns, tss = m.recover(e, gp, **kw)
        return not tns.any() and not tss.any()

    assert unchanged(4)          # S4R without mid-side nodes
    assert unchanged(5)          # STRI3: kind 8 with three nodes
    assert unchanged(6)          # S3
    assert unchanged(3, gp=4)    # a triangle has three Gauss points
    m.kind[0] = 6
    assert unchanged(1)
    m.kind[0] = 4
    assert unchanged(1, itns=0, itshr=0)
    for e, gp, sec in ((0, 1, 1), (7, 1, 1), (1, 0, 1), (1, 5, 1), (1, 1, 2), (1, 1, 0)):
        assert unchanged(e, gp, secid=sec)
    m.elemsp[0] = 0
    assert unchanged(1, itns=0)
    m.elemsp[0] = 4              # 3 plies x 4 points do not fit 9 rows
    assert unchanged(1, itns=0)
    m.elemsp[0] = 3
    saved = nd.nodesmotion[:, :, 0].copy()
    nd.nodesmotion[:, :, 0] = 0.0
    assert unchanged(1)
    nd.nodesmotion[:, :, 0] = saved
    assert not unchanged(1)
    # A 4-node kind whose table rows 5 to 8 hold mid-side data is taken as an 8-node shell.
    m.kind[0] = 2
    assert not unchanged(1)
