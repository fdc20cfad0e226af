"""Box-beam sections driven from Python: the records filled through ctypes on the extension's own
shared object, the two entry points of boxbeamio, and the results checked against a multi-cell
Bredt solve, the equilibrium of the shear flows with the loads and the invariance of the section
under a rigid rotation."""
import ctypes
import math
import os
import subprocess
import sys
from ctypes import POINTER, c_char, c_double, c_int8, c_int32

import numpy as np
import pytest

import _tolvek
from seeding import rng_seed

bb = _tolvek.boxbeamio
eh = _tolvek.errorhandling
LIB = ctypes.CDLL(_tolvek.__file__)


def _arrays(*names, dtype=c_double, dims=1):
    fields = []
    for n in names:
        fields.append((n, POINTER(dtype)))
        fields += [(n + "_n", c_int32)] if dims == 1 else [(n + "_n1", c_int32), (n + "_n2", c_int32)]
    return fields


class Path(ctypes.Structure):
    _fields_ = [("CSINFOPATH", c_char * 240), ("VBINFOPATH", c_char * 240)]


class Steuer(ctypes.Structure):
    _fields_ = [("DRUCK", c_int8), ("EXDRU", c_int8), ("KLOG", c_int32)]


class Restr(ctypes.Structure):
    _fields_ = [("MAXWA", c_int32), ("MAXGU", c_int32), ("MAXZE", c_int32)]


class Spanug(ctypes.Structure):
    _fields_ = [("KENNZ", c_char * 80)] + [(n, c_double) for n in ("QQX", "QQY", "QQZ", "QMX", "QMY", "QMZ")]


class Gurt(ctypes.Structure):
    _fields_ = [("IG", c_int32)] + _arrays("YI", "ZI", "BI", "MYI")


class Wand(ctypes.Structure):
    _fields_ = ([("KW", c_int32)] + _arrays("IG1", "IG2", "IT", dtype=c_int32)
                + _arrays("YK0", "ZK0", "YKLK", "ZKLK", "BK", "GK", "RHOK", "TH", "E"))


class Zelle(ctypes.Structure):
    _fields_ = [("AZ", c_int32)] + _arrays("IAK", dtype=c_int32) + _arrays("IA", dtype=c_int32, dims=2)


class Kraft(ctypes.Structure):
    _fields_ = _arrays("NX0", "NXL2", "NXL", "T0", "TL2", "TL")


class Epigam(ctypes.Structure):
    _fields_ = _arrays("EPI", "GAM", dims=2) + _arrays("EPIGU")


class Quer(ctypes.Structure):
    _fields_ = [(n, c_double) for n in "BX M YS ZS YT ZT DYY DZY DZZ ALPHA DYYSTE DZZSTE YMST ZMST YMSTAC ZMSTAC DT IYYS IZYS IZZS ITT".split()]


path = Path.in_dll(LIB, "path")
steuer = Steuer.in_dll(LIB, "steuer")
restr = Restr.in_dll(LIB, "restr")
spanug = Spanug.in_dll(LIB, "spanug")
gurt = Gurt.in_dll(LIB, "gurt")
wand = Wand.in_dll(LIB, "wand")
zelle = Zelle.in_dll(LIB, "zelle")
kraft = Kraft.in_dll(LIB, "kraft")
epigam = Epigam.in_dll(LIB, "epigam")
quer = Quer.in_dll(LIB, "quer")


def view(rec, name, *shape):
    """A numpy view of a record array (column-major for two extents)."""
    n = [getattr(rec, name + s) for s in (("_n",) if not shape else ("_n1", "_n2"))]
    return np.ctypeslib.as_array(getattr(rec, name), shape=tuple(n[::-1])).T if shape else \
        np.ctypeslib.as_array(getattr(rec, name), shape=(n[0],))


def fill(booms, walls, cells=(), loads=(0, 0, 0, 0, 0, 0), bi=None):
    """booms: (n, 2) coordinates; walls: rows (ig1, ig2, bk, gk); cells: boom circuits."""
    bb.box_initialize()
    booms = np.asarray(booms, float)
    gurt.IG = len(booms)
    view(gurt, "YI")[:len(booms)] = booms[:, 0]
    view(gurt, "ZI")[:len(booms)] = booms[:, 1]
    if bi is not None:
        view(gurt, "BI")[:len(booms)] = bi
    wand.KW = len(walls)
    for name, col in (("IG1", 0), ("IG2", 1)):
        view(wand, name)[:len(walls)] = [w[col] for w in walls]
    for name, col in (("BK", 2), ("GK", 3)):
        view(wand, name)[:len(walls)] = [w[col] for w in walls]
    start = booms[[w[0] - 1 for w in walls]]
    end = booms[[w[1] - 1 for w in walls]]
    view(wand, "YK0")[:len(walls)], view(wand, "ZK0")[:len(walls)] = start[:, 0], start[:, 1]
    view(wand, "YKLK")[:len(walls)], view(wand, "ZKLK")[:len(walls)] = end[:, 0], end[:, 1]
    zelle.AZ = len(cells)
    ia = view(zelle, "IA", 2)
    for c, circuit in enumerate(cells):
        zelle.IAK[c] = len(circuit)
        ia[:len(circuit), c] = circuit
    for name, v in zip(("QQX", "QQY", "QQZ", "QMX", "QMY", "QMZ"), loads):
        setattr(spanug, name, v)


def flows():
    kw = wand.KW
    return (view(kraft, "T0")[:kw].copy(), view(kraft, "TL2")[:kw].copy(), view(kraft, "TL")[:kw].copy())


@pytest.fixture(autouse=True)
def quiet_records():
    steuer.DRUCK = steuer.EXDRU = 0
    eh.rsxerr(1)
    yield
    steuer.DRUCK = steuer.EXDRU = 0
    eh.rsxerr(1)


def test_initialize_creates_the_records_once():
    bb.box_initialize()
    assert (restr.MAXWA, restr.MAXGU, restr.MAXZE) == (100, 100, 100)
    assert kraft.T0_n == 200 and (zelle.IA_n1, zelle.IA_n2) == (100, 100)
    t0 = ctypes.addressof(kraft.T0.contents)
    view(kraft, "T0")[:] = 1.0
    bb.box_initialize(50, 50, 50)
    assert ctypes.addressof(kraft.T0.contents) == t0
    assert not view(kraft, "T0")[:100].any()     # zeroed over twice the wall count asked for
    assert view(kraft, "T0")[100:].all()


def multicell_bredt(areas, own, shared, torque):
    """Bredt's equations of a row of cells: own[i] = oint ds/(G t) of the walls of cell i alone,
    shared[i] = that of the web between cell i and i+1. Unknowns: cell flows and the twist."""
    n = len(areas)
    a = np.zeros((n + 1, n + 1))
    for i in range(n):
        a[i, i] = own[i] + (shared[i - 1] if i > 0 else 0) + (shared[i] if i < n - 1 else 0)
        if i > 0:
            a[i, i - 1] = -shared[i - 1]
        if i < n - 1:
            a[i, i + 1] = -shared[i]
        a[i, n] = -2 * areas[i]
        a[n, i] = 2 * areas[i]
    rhs = np.zeros(n + 1)
    rhs[n] = torque
    return np.linalg.solve(a, rhs)


def test_three_cell_box_against_multicell_bredt():
    # cells of widths 2, 3, 1.5 and height 1.2; webs between them at y = 2 and y = 5
    xs = [0.0, 2.0, 5.0, 6.5]
    h = 1.2
    booms = [(x, 0.0) for x in xs] + [(x, h) for x in xs]   # 1-4 bottom, 5-8 top
    gt = {"flange": 2700.0, "web": 1500.0, "side": 4100.0}
    walls = [(1, 2, 7e3, gt["flange"]), (2, 3, 7e3, gt["flange"]), (3, 4, 7e3, gt["flange"]),
             (8, 7, 7e3, gt["flange"]), (7, 6, 7e3, gt["flange"]), (6, 5, 7e3, gt["flange"]),
             (5, 1, 7e3, gt["side"]), (4, 8, 7e3, gt["side"]),
             (2, 6, 7e3, gt["web"]), (3, 7, 7e3, gt["web"])]
    cells = [(1, 2, 6, 5), (2, 3, 7, 6), (3, 4, 8, 7)]
    torque = 4500.0
    fill(booms, walls, cells, loads=(0, 0, 0, torque, 0, 0))
    bb.box_getxsection()
    widths = np.diff(xs)
    areas = widths * h
    own = 2 * widths / gt["flange"] + np.array([h / gt["side"], 0, h / gt["side"]])
    shared = [h / gt["web"]] * 2
    sol = multicell_bredt(areas, own, shared, torque)
    theta = view(kraft, "T0")[len(walls)]
    assert theta == pytest.approx(sol[-1], rel=1e-12)
    assert quer.DT == pytest.approx(torque / sol[-1], rel=1e-10)
    t0 = view(kraft, "T0")[:len(walls)]
    assert t0[:3] == pytest.approx(sol[:3], abs=1e-9)
    assert t0[8] == pytest.approx(sol[0] - sol[1], abs=1e-9)   # web 2 -> 6 runs with cell 1


def random_cell(rng):
    """A convex polygon of 3 to 6 booms around a random centre, walls along the circuit with
    random stiffnesses, booms with random axial stiffness."""
    n = rng.integers(3, 7)
    ang = np.sort(rng.uniform(0, 2 * np.pi, n))
    r = rng.uniform(0.8, 2.0, n)
    centre = rng.uniform(-3, 3, 2)
    booms = np.c_[centre[0] + r * np.cos(ang), centre[1] + r * np.sin(ang)]
    thick = rng.uniform(0.05, 0.3, n)
    walls = [(k + 1, (k + 1) % n + 1, 7e4 * thick[k], 2.7e4 * thick[k]) for k in range(n)]
    # a few walls described against the circuit
    walls = [(w[1], w[0], w[2], w[3]) if rng.random() < 0.3 else w for w in walls]
    return booms, walls, [tuple(range(1, n + 1))], rng.uniform(0, 500, n)


def bending_condition(booms, bi):
    """The ratio of the principal second moments of the boom areas bi: the flows of a shear load
    go through the inverse of that matrix, so a nearly flat section (booms almost in line) carries
    the rounding of its flows into their resultants in this proportion."""
    y, z = np.asarray(booms, float).T
    a = np.asarray(bi, float)
    dy, dz = y - (a * y).sum() / a.sum(), z - (a * z).sum() / a.sum()
    lo, hi = np.linalg.eigvalsh([[(a * dy * dy).sum(), (a * dy * dz).sum()], [(a * dy * dz).sum(), (a * dz * dz).sum()]])
    return hi / lo


def resultants(booms, walls):
    """Force and torque about the origin of the wall shear flows: each flow is quadratic along
    its straight wall, so Simpson's rule integrates it exactly."""
    t0, tm, tl = flows()
    fy = fz = mx = 0.0
    for k, w in enumerate(walls):
        (y0, z0), (y1, z1) = booms[w[0] - 1], booms[w[1] - 1]
        total = (t0[k] + 4 * tm[k] + tl[k]) / 6          # integral over the wall / its length
        fy += total * (y1 - y0)
        fz += total * (z1 - z0)
        mx += total * (y0 * (z1 - z0) - z0 * (y1 - y0))
    return fy, fz, mx


def test_shear_flows_balance_the_loads_on_random_cells():
    rng = np.random.default_rng(rng_seed(35))
    for _ in range(25):
        booms, walls, cells, bi = random_cell(rng)
        loads = (rng.uniform(-50, 50), *rng.uniform(-100, 100, 5))
        fill(booms, walls, cells, loads=loads, bi=bi)
        bb.box_getxsection()
        fy, fz, mx = resultants(booms, walls)
        scale = np.abs(loads).max() * bending_condition(booms, bi)
        assert (fy, fz, mx) == pytest.approx(loads[1:4], abs=1e-9 * scale)

        # open the cell by dropping its first wall: the flows still carry the shear forces, now
        # with their line of action through the shear centre
        fill(booms, walls[1:], (), loads=loads, bi=bi)
        bb.box_getxsection()
        fy, fz, mx = resultants(booms, walls[1:])
        assert (fy, fz) == pytest.approx(loads[1:3], abs=1e-9 * scale)
        assert mx == pytest.approx(quer.YMSTAC * loads[2] - quer.ZMSTAC * loads[1], abs=1e-8 * scale)
        assert quer.DT == 0.0


def test_rotating_the_section_changes_neither_torsion_nor_flows():
    rng = np.random.default_rng(rng_seed(7))
    for _ in range(10):
        booms, walls, cells, bi = random_cell(rng)
        q = rng.uniform(-100, 100, 3)  # QQY, QQZ, QMX
        fill(booms, walls, cells, loads=(0, q[0], q[1], q[2], 0, 0), bi=bi)
        bb.box_getxsection()
        dt, ref = quer.DT, flows()
        theta = view(kraft, "T0")[len(walls)]
        centre = np.array([quer.YMSTAC, quer.ZMSTAC])
        phi = rng.uniform(-np.pi, np.pi)
        rot = np.array([[np.cos(phi), -np.sin(phi)], [np.sin(phi), np.cos(phi)]])
        qy, qz = rot @ q[:2]
        fill(booms @ rot.T, walls, cells, loads=(0, qy, qz, q[2], 0, 0), bi=bi)
        bb.box_getxsection()
        assert quer.DT == pytest.approx(dt, rel=1e-10)
        assert view(kraft, "T0")[len(walls)] == pytest.approx(theta, rel=1e-9, abs=1e-15)
        for a, b in zip(flows(), ref):
            assert a == pytest.approx(b, rel=1e-8, abs=1e-9 * np.abs(q).max())
        assert np.array([quer.YMSTAC, quer.ZMSTAC]) == pytest.approx(rot @ centre, abs=1e-9)


def test_failures_raise_and_are_recorded():
    fill([(0, 0), (3, 0), (3, 2), (0, 2)], [(1, 2, 7e3, 2.7e3), (2, 3, 7e3, 2.7e3), (3, 4, 7e3, 2.7e3),
                                            (4, 1, 7e3, 2.7e3)], [(1, 3, 2, 4)])
    with pytest.raises(_tolvek.error, match="IN ZELLE 1 WURDE DIE WAND ZWISCHEN DEN GURTEN 1 UND 3"):
        bb.box_getxsection()
    assert eh.errstat == -3
    assert eh.errstring.tobytes().decode().startswith("IN ZELLE 1 WURDE DIE WAND")
    eh.rsxerr(1)
    wand.KW = 101
    with pytest.raises(_tolvek.error, match="KW = 101"):
        bb.box_getxsection()


def test_report_written_through_the_path_records(tmp_path):
    fill([(0, 0), (3, 0), (3, 2), (0, 2)], [(1, 2, 7e3, 2.7e3), (2, 3, 7e3, 2.7e3), (3, 4, 7e3, 2.7e3),
                                            (4, 1, 7e3, 2.7e3)], [(1, 2, 3, 4)], loads=(0, 0, 0, 1000, 0, 0))
    report = tmp_path / "section.txt"
    path.CSINFOPATH = str(report).encode()          # NUL-padded by ctypes
    path.VBINFOPATH = str(tmp_path / "trace.txt").encode().ljust(240)   # blank-padded
    steuer.DRUCK, steuer.EXDRU, steuer.KLOG = 1, 1, 7
    bb.box_getxsection()
    bb.box_getxsection()
    text = report.read_text()
    assert text.count("TORSIONSSTEIFIGKEIT DT = 0.388800000D+05  (K * L**2)") == 2
    assert (tmp_path / "trace.txt").read_text().count(" Wand:") == 2 * 3 * 4


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                    reason="an address-space limit and the address sanitizer exclude each other")
def test_allocation_failure_raises_memory_error():
    code = ("import resource, _tolvek\n"
            "hard = resource.getrlimit(resource.RLIMIT_AS)[1]\n"
            "limit = 1 << 31 if hard == resource.RLIM_INFINITY else min(1 << 31, hard)\n"
            "resource.setrlimit(resource.RLIMIT_AS, (limit, limit))\n"
            "try:\n"
            "    _tolvek.boxbeamio.box_initialize(200_000_000, 1, 1)\n"
            "except MemoryError:\n"
            "    print('MemoryError', _tolvek.errorhandling.errstat)\n")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=120,
                         env=dict(os.environ))
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == ["MemoryError", "-3"]


def _box_walls(gk=(2.7e3,) * 4, bk=(7e3,) * 4):
    return [(1, 2, bk[0], gk[0]), (2, 3, bk[1], gk[1]), (3, 4, bk[2], gk[2]), (4, 1, bk[3], gk[3])]


BOX = [(0, 0), (3, 0), (3, 2), (0, 2)]


def assert_refused(match):
    eh.rsxerr(1)
    with pytest.raises(_tolvek.error, match=match):
        bb.box_getxsection()
    assert eh.errstat == -3
    assert eh.errstring.tobytes().decode().startswith(match.replace("\\", "")[:20])


def test_degenerate_sections_refused_not_reported_as_success():
    loads = (5, 10, 20, 1000, 30, 40)
    # one cell wall without shear stiffness: the cell's compatibility is void (it returned a
    # torsion constant of 1.0 and the flows of the intact cell, with status 0)
    for gk in (0.0, -1.0, math.inf, math.nan):
        fill(BOX, _box_walls(gk=(2.7e3, gk, 2.7e3, 2.7e3)), [(1, 2, 3, 4)], loads=loads)
        assert_refused("WALL 2 OF CELL 1 WITHOUT SHEAR STIFFNESS")
    # no axial stiffness anywhere (walls and booms): no stiffness centre (it returned NaN)
    fill(BOX, _box_walls(bk=(0.0,) * 4), [(1, 2, 3, 4)], loads=loads)
    assert_refused("SECTION WITHOUT AXIAL STIFFNESS")
    # all stiffness on one line: no bending stiffness about that line
    fill([(0, 0), (1, 0), (3, 0)], [(1, 2, 7e3, 2.7e3), (2, 3, 7e3, 2.7e3)], loads=loads)
    assert_refused("SECTION WITHOUT BENDING STIFFNESS")
    # a cell whose booms lie on a line, in a section that has bending stiffness (a branch to boom 4)
    fill([(0, 0), (1, 0), (2, 0), (0, 2)],
         [(1, 2, 7e3, 2.7e3), (2, 3, 7e3, 2.7e3), (3, 1, 7e3, 2.7e3), (1, 4, 7e3, 2.7e3)],
         [(1, 2, 3)], loads=loads)
    assert_refused("CELL 1 ENCLOSES NO AREA")
    # a circuit that runs back over its own wall encloses nothing either
    fill(BOX, _box_walls(), [(1, 2, 1, 2)], loads=loads)
    assert_refused("CELL 1 ENCLOSES NO AREA")
    # a non-finite coordinate reaches no result unrecorded
    fill(BOX, _box_walls(), [(1, 2, 3, 4)], loads=loads)
    view(gurt, "YI")[0] = math.nan
    view(wand, "YK0")[0] = math.nan
    view(wand, "YKLK")[3] = math.nan
    assert_refused("SECTION WITHOUT AXIAL STIFFNESS: BX = NAN")
    # nor does a non-finite load
    fill(BOX, _box_walls(), [(1, 2, 3, 4)], loads=(0, 0, math.inf, 0, 0, 0))
    assert_refused("NON-FINITE BOX-BEAM RESULT")


def test_massless_section_has_its_mass_centre_at_the_stiffness_centre():
    # no mass anywhere: every point is a mass centre, the results stay finite and the stiffness
    # results are those of the section (the Bredt-Batho torsion constant 4 A^2 / oint ds/(G t))
    fill(BOX, _box_walls(), [(1, 2, 3, 4)], loads=(0, 0, 0, 1000, 0, 0))
    bb.box_getxsection()
    assert eh.errstat == 0
    assert (quer.YT, quer.ZT) == (quer.YS, quer.ZS) == (1.5, 1.0)
    assert quer.M == 0 and quer.ITT == 0 and quer.IYYS == 0
    assert quer.DT == pytest.approx(4 * 36 / (10 / 2.7e3), rel=1e-12)


def test_section_with_too_few_walls_refused():
    # a closed box (4 booms, 1 cell) needs 4 walls; 3 of them leave the flows undetermined, and a
    # tree of 4 booms without cells needs 3; 1 or 2 are too few
    fill(BOX, _box_walls()[:3], [(1, 2, 3, 4)], loads=(0, 0, 10, 0, 0, 0))
    assert_refused("ANZAHL DER WAENDE    3 UNGLEICH GURTE \\+ ZELLEN - 1 =    4")
    for n in (1, 2):
        fill(BOX, _box_walls()[:n], (), loads=(0, 0, 10, 0, 0, 0), bi=[100.0] * 4)
        assert_refused(f"ANZAHL DER WAENDE    {n} UNGLEICH GURTE \\+ ZELLEN - 1 =    3")
