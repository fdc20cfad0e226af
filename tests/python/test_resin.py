"""Resin routines through the Python interface: the two-stage calibration-table lookups against
scipy's monotone cubic and numpy's linear interpolation, the property-vector laws of two
temperature blocks and their degradation law against closed forms, the orthotropic softening,
the signed equivalent strain and the endochronic law."""
import ctypes
import math
import re

import numpy as np
import pytest
from scipy.interpolate import PchipInterpolator

import _tolvek
from seeding import rng_seed

R = _tolvek.resin
md = _tolvek.materialdata
err = _tolvek.errorhandling
libc = ctypes.CDLL(None)

TABLES = ("secantprops", "flowprops", "normalprops", "shearprops",
          "alpha1props", "alpha2props", "alpha3props")
COUNTS = ("nsecantdata", "nflowdata", "nnormaldata", "nsheardata",
          "nalpha1data", "nalpha2data", "nalpha3data")


@pytest.fixture(autouse=True)
def clean_state():
    err.rsxerr(1)
    yield
    err.rsxerr(1)
    for name in TABLES + ("temperatures",):
        setattr(md, name, None)
    for name in COUNTS:
        setattr(md, name, 0)
    _tolvek.debugdata.edebug = 0


def errstat():
    return int(err.errstat)


def trace_lines(capfd):
    """Trace records written so far, as (label, numbers) pairs: list-directed fields are padded,
    so two or more blanks separate the items, while a label keeps its single blanks."""
    libc.fflush(None)
    out = capfd.readouterr().out
    lines = []
    for line in out.splitlines():
        items = re.split(r"\s{2,}", line.strip())
        label = "" if _is_number(items[0]) else items.pop(0)
        lines.append((label, [float(w) for w in items if w]))
    return lines


def _is_number(w):
    try:
        float(w)
        return True
    except ValueError:
        return False


def make_table(rng, nrows, nfields=2):
    """A calibration table (2, nrows, nfields) with increasing abscissas per temperature."""
    t = np.zeros((2, nrows, nfields))
    for c in range(2):
        t[c, :, 0] = np.sort(rng.uniform(-0.05, 0.05, nrows))
        t[c, :, 1:] = rng.uniform(1.0, 5.0, (nrows, nfields - 1))
    return t


def two_stage(table, field, x, temp, temps, cubic):
    """The lookup by hand: along the abscissa per temperature column, then across temperature."""
    per_t = []
    for c in range(2):
        xs, ys = table[c, :, 0], table[c, :, field]
        per_t.append(PchipInterpolator(xs, ys)(x) if cubic else np.interp(x, xs, ys, left=None, right=None)
                     if xs[0] <= x <= xs[-1] else _linear_extrapolate(xs, ys, x))
    t1, t2 = temps
    return per_t[0] + (per_t[1] - per_t[0]) * (temp - t1) / (t2 - t1)


def _linear_extrapolate(xs, ys, x):
    k = 0 if x < xs[0] else len(xs) - 2
    return ys[k] + (ys[k + 1] - ys[k]) * (x - xs[k]) / (xs[k + 1] - xs[k])


def install(name, table):
    setattr(md, name, table)
    setattr(md, COUNTS[TABLES.index(name)], table.shape[1])


def test_lookups_follow_the_two_stage_interpolation():
    rng = np.random.default_rng(rng_seed(7))
    temps = (293.15, 353.15)
    md.temperatures = np.array(temps)
    secant, flow = make_table(rng, 7), make_table(rng, 5, 3)
    install("secantprops", secant)
    install("flowprops", flow)
    for _ in range(40):
        x = rng.uniform(-0.08, 0.08)        # inside and beyond the tabulated strains
        temp = rng.uniform(270.0, 380.0)    # inside and beyond the calibration temperatures
        e = R.getmodulusfromtable(x, temp)
        assert e == pytest.approx(two_stage(secant, 1, x, temp, temps, True), rel=1e-12, abs=1e-12)
        a0, a1 = R.getflowparameters(x, temp)
        assert a0 == pytest.approx(two_stage(flow, 1, x, temp, temps, True), rel=1e-12, abs=1e-12)
        assert a1 == pytest.approx(two_stage(flow, 2, x, temp, temps, True), rel=1e-12, abs=1e-12)
        for stype, cubic in (("c", True), ("C", True), ("L", False), ("x", False)):
            v = R.getexternaldata(secant, 7, x, temp, stype)
            ref = two_stage(secant, 1, x, temp, temps, cubic)
            assert v == pytest.approx(ref, rel=1e-12, abs=1e-12)
    assert errstat() == 0


def test_two_rows_and_two_temperatures_reproduce_the_nodes():
    md.temperatures = np.array([250.0, 350.0])
    table = np.array([[[0.0, 10.0], [0.01, 20.0]], [[0.0, 30.0], [0.02, 50.0]]])
    install("secantprops", table)
    assert R.getmodulusfromtable(0.0, 250.0) == pytest.approx(10.0)
    assert R.getmodulusfromtable(0.01, 250.0) == pytest.approx(20.0)
    assert R.getmodulusfromtable(0.02, 350.0) == pytest.approx(50.0)
    assert R.getexternaldata(table, 2, 0.0, 350.0, "L") == pytest.approx(30.0)
    # Only the row count is read: a table with a spare row gives the same values.
    padded = np.concatenate([table, np.full((2, 1, 2), 1e9)], axis=1)
    assert R.getexternaldata(padded, 2, 0.005, 300.0, "c") == R.getexternaldata(table, 2, 0.005, 300.0, "c")


@pytest.mark.parametrize("case", ["absent", "no temperatures", "one temperature", "equal temperatures",
                                  "count beyond rows", "abscissas falling", "nan abscissa", "one row"])
def test_unreadable_tables_report_and_give_zero(case):
    rng = np.random.default_rng(rng_seed(3))
    md.temperatures = np.array([293.15, 353.15])
    table = make_table(rng, 4)
    install("secantprops", table)
    if case == "absent":
        md.secantprops = None
    elif case == "no temperatures":
        md.temperatures = None
    elif case == "one temperature":
        md.temperatures = np.array([293.15])
    elif case == "equal temperatures":
        md.temperatures = np.array([293.15, 293.15])
    elif case == "count beyond rows":
        md.nsecantdata = 5
    elif case == "abscissas falling":
        table[1, :, 0] = table[1, ::-1, 0]
        md.secantprops = table
    elif case == "nan abscissa":
        table[0, 2, 0] = np.nan
        md.secantprops = table
    elif case == "one row":
        md.nsecantdata = 1
    assert R.getmodulusfromtable(0.001, 300.0) == 0.0
    assert errstat() == -2
    err.rsxerr(1)
    # The same table handed in directly.
    t = md.secantprops if md.secantprops is not None else np.zeros((1, 4, 2))
    n = 1 if case == "one row" else (5 if case == "count beyond rows" else 4)
    assert R.getexternaldata(t, n, 0.001, 300.0, "c") == 0.0
    assert errstat() == -2


def test_linear_lookup_accepts_one_row_and_absent_tables_zero_every_reader():
    md.temperatures = np.array([293.15, 353.15])
    one = np.array([[[0.0, 4.0]], [[0.0, 6.0]]])
    assert R.getexternaldata(one, 1, 0.3, 323.15, "L") == pytest.approx(5.0)
    assert errstat() == 0
    assert R.getflowparameters(0.01, 300.0) == (0.0, 0.0)
    assert errstat() == -2
    err.rsxerr(1)
    s = _tolvek.elasticity.getstressfromcubicelasticity(np.full(6, 1e-3), [300.0, 1.0], 3, np.zeros((6, 6)), 1)
    assert not s.any() and errstat() == -2


# Resin property vectors: block A at 293.15 K, block B at 353.15 K.
BLOCK_A = [3000.0, 0.35, 0.01, 80.0, 1.5, 20.0, 1.6, 100.0, 0.1]
BLOCK_B = [2000.0, 0.40, 0.02, 50.0, 2.5, 30.0, 1.8, 90.0, 0.2]
DEGRADATION = [-1e-4, 2e-3, 1.0, -0.002, 1.05, 300.0, 330.0, 380.0, 420.0, 3.0, 400.0]


def resin_props(ta=293.15, tb=353.15, degr=0.9, law=True):
    p = BLOCK_A + [ta] + BLOCK_B + [tb] + [degr]
    return np.array(p + (DEGRADATION if law else []))


def named(values):
    keys = "e nu num gamma degr xt xc np a_woehler exp_woehler".split()
    return dict(zip(keys, values))


def test_resin_blocks_are_picked_or_interpolated_by_temperature():
    p = resin_props(law=False)
    swapped = np.array(BLOCK_B + [353.15] + BLOCK_A + [293.15] + [0.9])
    for temp in (250.0, 293.15, 300.0, 353.15, 400.0):
        assert R.getresinproperties(p, temp, 0) == R.getresinproperties(swapped, temp, 0)
    below, at_t1, above = (named(R.getresinproperties(p, t, 0)) for t in (200.0, 293.15, 500.0))
    for r in (below, at_t1):
        assert (r["e"], r["nu"], r["num"], r["xt"], r["np"], r["gamma"]) == tuple(BLOCK_A[:6])
        assert r["xc"] == BLOCK_A[6] * BLOCK_A[3]
    assert (above["e"], above["xt"], above["a_woehler"]) == (BLOCK_B[0], BLOCK_B[3], BLOCK_B[7])
    mid = named(R.getresinproperties(p, 323.15, 0))
    w = 0.5
    lerp = [a + (b - a) * w for a, b in zip(BLOCK_A, BLOCK_B)]
    assert mid["e"] == pytest.approx(lerp[0]) and mid["gamma"] == pytest.approx(lerp[5])
    # xc is the interpolated ratio times the interpolated xt, not the interpolated xc.
    assert mid["xc"] == pytest.approx(lerp[6] * lerp[3])
    assert mid["xc"] != pytest.approx(0.5 * (BLOCK_A[6] * BLOCK_A[3] + BLOCK_B[6] * BLOCK_B[3]))
    assert mid["degr"] == 0.9
    # Equal block temperatures at that temperature: block 1 (B, listed second here), no 0/0.
    same = named(R.getresinproperties(resin_props(tb=293.15, law=False), 293.15, 0))
    assert same["e"] == BLOCK_B[0]
    assert errstat() == 0


def degraded(temp, eroom, ecold=None):
    c2, c1, c0, slope, icpt, ta, tb, tc, tw, m, eres = DEGRADATION
    tcel = temp - 273.15
    if temp <= ta:
        return ecold
    if temp < tb:
        return eroom * (slope * tcel + icpt)
    if temp < tc:
        return eroom * (c2 * tcel ** 2 + c1 * tcel + c0)
    tp = tc - 273.15
    ep = eroom * (c2 * tp ** 2 + c1 * tp + c0)
    return ep - (ep - eres) * math.exp(-(tcel / (tw - 273.15)) ** m)


def test_temperature_degradation_law_of_the_modulus():
    p = resin_props()
    for temp in (310.0, 330.0, 350.0, 379.0, 380.0, 420.0, 500.0):
        e = named(R.getresinproperties(p, temp, 0))["e"]
        assert e == pytest.approx(degraded(temp, BLOCK_A[0]), rel=1e-13), temp
    # The quadratic law holds at Tb itself, joining the linear law below it.
    assert named(R.getresinproperties(p, 330.0, 0))["e"] == pytest.approx(
        BLOCK_A[0] * (DEGRADATION[0] * 56.85 ** 2 + DEGRADATION[1] * 56.85 + DEGRADATION[2]))
    # No degradation with 28 values, nor at or below room temperature.
    assert named(R.getresinproperties(p[:28], 350.0, 0))["e"] == pytest.approx(3000.0 - 1000.0 * (350.0 - 293.15) / 60.0)
    assert named(R.getresinproperties(p, 293.15, 0))["e"] == BLOCK_A[0]
    assert errstat() == 0
    # A cold block gives the modulus up to Ta.
    cold = resin_props(ta=250.0)
    assert named(R.getresinproperties(cold, 299.0, 0))["e"] == BLOCK_A[0]
    assert errstat() == 0


def test_degradation_without_the_block_it_needs_keeps_the_modulus_and_reports():
    # Neither block at room temperature: the interpolated modulus stays, with a -2 report.
    p = resin_props(ta=300.0)
    e = named(R.getresinproperties(p, 350.0, 0))["e"]
    assert e == pytest.approx(3000.0 + (2000.0 - 3000.0) * 50.0 / 53.15)
    assert errstat() == -2
    err.rsxerr(1)
    # The plastic law needs the cold block below Ta: none here.
    q = plastic_props()
    q[30] = 400.0  # Ta above the temperature
    r = R.getresinplasticproperties(q, 320.0, 0.0)
    assert r[0] == pytest.approx(PLASTIC_A[0] + (PLASTIC_B[0] - PLASTIC_A[0]) * (320.0 - 293.15) / 60.0)
    assert errstat() == -2


PLASTIC_A = [3000.0, 3300.0, 1100.0, 0.35, 0.38, 0.5, 80.0, 120.0, 1.5, 100.0, 0.1]
PLASTIC_B = [2000.0, 2400.0, 700.0, 0.40, 0.42, 0.6, 50.0, 90.0, 2.5, 90.0, 0.2]


def plastic_props(n=36):
    p = PLASTIC_A + [293.15] + PLASTIC_B + [353.15] + [0.8] + DEGRADATION
    return np.array(p[:n])


def test_plastic_properties_scale_with_the_degraded_modulus_and_read_the_flow_table():
    md.temperatures = np.array([293.15, 353.15])
    flow = np.zeros((2, 3, 3))
    flow[:, :, 0] = [0.0, 0.01, 0.05]
    flow[0, :, 1], flow[1, :, 1] = [100.0, 150.0, 200.0], [80.0, 120.0, 160.0]
    flow[0, :, 2], flow[1, :, 2] = [1.0, 2.0, 3.0], [1.5, 2.5, 3.5]
    install("flowprops", flow)
    keys = "et ec g nut nuc a0 a1 alpha degr xt xc np a_woehler exp_woehler".split()
    full = dict(zip(keys, R.getresinplasticproperties(plastic_props(), 350.0, 0.01)))
    e_t = degraded(350.0, PLASTIC_A[0])
    assert full["et"] == pytest.approx(e_t)
    assert full["ec"] == pytest.approx(PLASTIC_A[1] * e_t / PLASTIC_A[0])
    assert full["g"] == pytest.approx(PLASTIC_A[2] * e_t / PLASTIC_A[0])
    assert full["degr"] == 0.8
    w = (350.0 - 293.15) / 60.0
    assert full["a0"] == pytest.approx(150.0 + (120.0 - 150.0) * w)
    assert full["a1"] == pytest.approx(2.0 + 0.5 * w)
    # 26 values switch the law on at any temperature (the whole vector handed in), 25 do not.
    q = plastic_props()
    q[30] = 250.0  # Ta below the temperature: the linear law
    on = dict(zip(keys, R.getresinplasticproperties(q, 280.0, 0.0, 26)))
    off = dict(zip(keys, R.getresinplasticproperties(q[:25], 280.0, 0.0)))
    assert on["et"] == pytest.approx(PLASTIC_A[0] * (DEGRADATION[3] * 6.85 + DEGRADATION[4]))
    assert off["et"] == PLASTIC_A[0]
    assert errstat() == 0
    with pytest.raises((_tolvek.error, ValueError)):
        R.getresinplasticproperties(plastic_props(30), 280.0, 0.0)


def test_short_property_vectors_report_and_give_zero():
    assert R.getresinproperties(np.ones(20), 300.0, 0) == (0.0,) * 10
    assert errstat() == -2
    err.rsxerr(1)
    assert R.getresinplasticproperties(np.ones(24), 300.0, 0.0) == (0.0,) * 14
    assert errstat() == -2


def test_orthotropic_softening_per_direction():
    rng = np.random.default_rng(rng_seed(11))
    temps = (293.15, 353.15)
    md.temperatures = np.array(temps)
    normal, shear = make_table(rng, 6), make_table(rng, 4)
    install("normalprops", normal)
    install("shearprops", shear)
    p = resin_props(law=False)
    keys = "e1 e2 e3 nu12 nu13 nu23 nu21 nu31 nu32 g12 g13 g23 xt xc np aw ew degr".split()
    iso = named(R.getresinproperties(p, 320.0, 0))
    for _ in range(10):
        strain = rng.uniform(-0.04, 0.04, 6)
        r = dict(zip(keys, R.getresinorthotropicproperties(p, 320.0, 0.1, np.zeros(6), strain, 0, 0.0)))
        e = [iso["e"] / (1 + two_stage(normal, 1, strain[i], 320.0, temps, False) * abs(strain[i]))
             for i in range(3)]
        g0 = iso["e"] / (2 * (1 + iso["nu"]))
        g = [g0 / (1 + two_stage(shear, 1, strain[3 + k], 320.0, temps, False) * abs(strain[3 + k]))
             for k in range(3)]
        assert [r["e1"], r["e2"], r["e3"]] == pytest.approx(e, rel=1e-12)
        assert [r["g12"], r["g13"], r["g23"]] == pytest.approx(g, rel=1e-12)
        for (a, b), (nij, nji) in {(0, 1): ("nu12", "nu21"), (0, 2): ("nu13", "nu31"),
                                   (1, 2): ("nu23", "nu32")}.items():
            assert r[nij] + r[nji] == pytest.approx(2 * iso["nu"])
            assert r[nij] / e[a] == pytest.approx(r[nji] / e[b])
        assert (r["xt"], r["xc"], r["degr"]) == (iso["xt"], iso["xc"], iso["degr"])
    # Temperatures beyond the calibration are clamped for the tables.
    strain = rng.uniform(-0.04, 0.04, 6)
    hot = R.getresinorthotropicproperties(p, 400.0, 0.1, np.zeros(6), strain, 0, 0.0)
    e400 = named(R.getresinproperties(p, 400.0, 0))["e"]
    assert hot[0] == pytest.approx(e400 / (1 + two_stage(normal, 1, strain[0], 353.15, temps, False) * abs(strain[0])))
    assert errstat() == 0


def test_failed_degraded_resin_is_isotropic_and_missing_tables_zero_the_moduli():
    p = resin_props(degr=0.5, law=False)
    iso = named(R.getresinproperties(p, 320.0, 0))
    r = R.getresinorthotropicproperties(p, 320.0, 0.1, np.zeros(6), np.full(6, 0.02), 0, 1.0)
    g = iso["e"] / (2 * (1 + iso["nu"]))
    assert r[:3] == (iso["e"],) * 3 and r[9:12] == pytest.approx((g, g, g))
    assert r[3:6] == pytest.approx((iso["nu"],) * 3)
    assert errstat() == 0  # the absent tables are not read
    r = R.getresinorthotropicproperties(p, 320.0, 0.1, np.zeros(6), np.full(6, 0.02), 0, 0.5)
    assert r[:12] == (0.0,) * 12 and r[12] == iso["xt"]
    assert errstat() == -2


def test_trace_lines_of_the_traced_element(capfd):
    md.temperatures = np.array([293.15, 353.15])
    install("normalprops", np.array([[[-1.0, 2.0], [1.0, 2.0]], [[-1.0, 4.0], [1.0, 4.0]]]))
    install("shearprops", np.array([[[-1.0, 3.0], [1.0, 3.0]], [[-1.0, 5.0], [1.0, 5.0]]]))
    p = resin_props()
    trace_lines(capfd)
    R.getresinorthotropicproperties(p, 323.15, 0.25, np.zeros(6), np.full(6, 0.01), 7, 0.0)
    assert trace_lines(capfd) == []
    _tolvek.debugdata.edebug = 7
    e = named(R.getresinproperties(p, 323.15, 7))["e"]
    lines = trace_lines(capfd)
    assert [l for l, _ in lines] == ["temp", "T1", "T2", "E =", "E ="]
    assert lines[0][1] == [323.15] and lines[1][1] == [293.15] and lines[2][1] == [353.15]
    assert lines[3][1] == [2500.0] and lines[4][1] == pytest.approx([e])
    R.getresinorthotropicproperties(p, 323.15, 0.25, np.zeros(6), np.full(6, 0.01), 7, 0.0)
    lines = trace_lines(capfd)
    assert [l for l, _ in lines][5:] == ["eta", "dt"] + ["endstran(i)", "alpha_0"] * 3 + ["alpha 12 ohne vr"]
    assert lines[6][1] == [0.25] and lines[7][1] == [1.0, 0.01] and lines[11][1] == [3.0, 0.01]
    assert lines[8][1] == pytest.approx([3.0]) and lines[13][1] == pytest.approx([4.0])
    R.getresinproperties(p, 200.0, 7)
    assert trace_lines(capfd)[3][0] == "E1 ="


def test_equivalent_strain_sign_and_norm():
    g, eps = 0.004, 0.003
    assert R.equivalentstrain([0, 0, 0, g, 0, 0], 3) == pytest.approx(g / math.sqrt(2))
    assert R.equivalentstrain([-eps, 0, 0, 0, 0, 0], 3) == -eps
    assert R.equivalentstrain([eps, -eps, 0, 0, 0, 0], 3) == pytest.approx(eps * math.sqrt(2))
    rng = np.random.default_rng(rng_seed(5))
    for _ in range(20):
        s = rng.normal(0, 0.01, 6)
        t = np.array([[s[0], s[3] / 2, s[4] / 2], [s[3] / 2, s[1], s[5] / 2], [s[4] / 2, s[5] / 2, s[2]]])
        ref = math.copysign(np.linalg.norm(t), 1.0 if np.trace(t) >= 0 else -1.0)
        assert R.equivalentstrain(s, 3) == pytest.approx(ref)
        assert R.equivalentstrain(s[[0, 1, 3]], 2) == pytest.approx(
            math.copysign(np.linalg.norm(t[:2, :2]), 1.0 if s[0] + s[1] >= 0 else -1.0))


# Endochronic law: E1, beta, nu, E2, alpha, E3_1..E3_6.
ENDO = np.array([2500.0, 8.0, 0.35, 900.0, 60.0, 100.0, 200.0, 150.0, 80.0, 50.0, 30.0])


def isotropic(e, nu, strain):
    """2 G e + K eps_v of a tensor-shear strain vector."""
    g, k = e / (2 * (1 + nu)), e / (3 * (1 - 2 * nu))
    v = strain[:3].sum()
    dev = strain.copy()
    dev[:3] -= v / 3
    return 2 * g * dev + np.r_[np.full(3, k * v), np.zeros(3)]


def endo(stran, dstrain, statev, dtime, writesdv=0, matstate=1, props=ENDO):
    return R.endochroneviscoplasticity(stran, dstrain, props, np.zeros(6), statev, dtime, writesdv,
                                       matstate)


def test_endochronic_state_parts_and_paths():
    rng = np.random.default_rng(rng_seed(2))
    stran = rng.normal(0, 2e-3, 6)
    statev = rng.normal(0, 1.0, 42)
    # Zero increment: elastic part of the total strain plus the stored stresses, state kept.
    stress, sv = endo(stran, np.zeros(6), statev, 0.0, writesdv=1)
    nu, e1, beta = ENDO[2], ENDO[0], ENDO[1]
    dev = stran - np.r_[np.full(3, stran[:3].sum() / 3), np.zeros(3)]
    norm = math.sqrt((dev[:3] ** 2).sum() + 2 * (dev[3:] ** 2).sum())
    g1, k1 = e1 / (2 * (1 + nu)), e1 / (3 * (1 - 2 * nu))
    betag, betak = beta / (math.sqrt(2 / 3) * (1 + nu)), beta / (1 - 2 * nu)
    sig_e = 2 * g1 * dev / math.exp(betag * norm) + np.r_[
        np.full(3, k1 * stran[:3].sum() / math.exp(betak * abs(stran[:3].sum()))), np.zeros(3)]
    assert stress == pytest.approx(sig_e + statev.reshape(7, 6).sum(axis=0), rel=1e-12, abs=1e-12)
    assert np.array_equal(sv, statev)
    # The reduced elastic state: E = 15, beta = 0, statev untouched even when written.
    d = rng.normal(0, 1e-3, 6)
    stress, sv = endo(stran, d, statev, 1.0, writesdv=1, matstate=0)
    assert stress == pytest.approx(isotropic(15.0, nu, stran + d), rel=1e-12)
    assert np.array_equal(sv, statev)
    # A step much longer than a branch's relaxation time flips its stress (trapezoidal rule).
    props = ENDO.copy()
    props[5:] = 0.0
    props[5 + 2] = 150.0
    state = np.zeros(42)
    state[6 * 3:6 * 4] = [1.0, -2.0, 1.0, 0.5, 0.2, -0.3]   # branch 3, tau = 10
    _, sv = endo(np.zeros(6), np.zeros(6), state, 1e3, writesdv=1, props=props)
    r = 1e3 / 10.0
    assert sv[18:24] == pytest.approx(state[18:24] * (1 - r / 2) / (1 + r / 2), rel=1e-12)
    assert not sv[:18].any() and not sv[24:].any()
    # A purely volumetric increment at dtime 0: branch deviators stay, the endochronic deviator
    # relaxes over the intrinsic time of the whole increment.
    state = rng.normal(0, 1.0, 42)
    dvol = np.r_[np.full(3, 1e-3), np.zeros(3)]
    _, sv = endo(np.zeros(6), dvol, state, 0.0, writesdv=1)
    deviator = lambda x: x - np.r_[np.full(3, x[:3].sum() / 3), np.zeros(3)]
    for b in range(1, 7):
        assert deviator(sv[6 * b:6 * b + 6]) == pytest.approx(deviator(state[6 * b:6 * b + 6]), abs=1e-12)
    alphag = ENDO[4] / math.sqrt(1 + 2 * nu ** 2)
    dz = math.sqrt(3) * 1e-3
    factor = (1 - 0.5 * alphag * dz) / (1 + 0.5 * alphag * dz)
    assert deviator(sv[:6]) == pytest.approx(factor * deviator(state[:6]), rel=1e-12)


def test_endochronic_tangent_along_a_strain_path():
    """Loading, unloading and reloading in small steps; at each converged state the central
    difference tangent (state not written, as a material routine takes it) matches the elastic
    closed form where the law is linear and a finer difference elsewhere."""
    linear = ENDO.copy()
    linear[1] = linear[4] = 0.0   # beta = alpha = 0: linear in the increments at dtime 0
    path = np.r_[np.linspace(0, 0.02, 11), np.linspace(0.02, 0.005, 6)[1:], np.linspace(0.005, 0.03, 6)[1:]]
    direction = np.array([1.0, -0.3, -0.3, 0.4, 0.0, 0.1])
    for props in (linear, ENDO):
        statev = np.zeros(42)
        stran = np.zeros(6)
        for a, b in zip(path[:-1], path[1:]):
            d = (b - a) * direction
            law = lambda s, e, p, ndi: s.__setitem__(slice(None), endo(stran, e.real, statev, 0.0, props=props)[0])
            tangent = _tolvek.elasticity.getnumericaltangent(law, props, np.zeros(6), np.zeros(6), d, 3, 0, h=1e-7)
            fine = np.empty((6, 6))
            for j in range(6):
                step = np.zeros(6)
                step[j] = 1e-8
                fine[:, j] = (endo(stran, d + step, statev, 0.0, props=props)[0]
                              - endo(stran, d - step, statev, 0.0, props=props)[0]) / 2e-8
            assert tangent == pytest.approx(fine, rel=1e-5, abs=1e-3 * props[0])
            if props is linear:
                total = props[0] + props[3] + props[5:].sum()
                ref = np.array([isotropic(total, props[2], c) for c in np.eye(6)]).T
                assert tangent == pytest.approx(ref, rel=1e-6, abs=1e-6 * total)
            _, statev = endo(stran, d, statev, 0.0, writesdv=1, props=props)
            stran = stran + d


def test_endochronic_short_vectors_report():
    stress, sv = endo(np.zeros(6), np.full(6, 1e-3), np.zeros(41), 0.0, writesdv=1)
    assert not stress.any() and errstat() == -2
    err.rsxerr(1)
    stress, _ = R.endochroneviscoplasticity(np.zeros(6), np.zeros(6), ENDO[:10], np.zeros(6), np.zeros(42), 0.0, 1, 1)
    assert not stress.any() and errstat() == -2
    err.rsxerr(1)
    # The reduced state reads no state variables.
    stress, _ = endo(np.full(6, 1e-3), np.zeros(6), np.zeros(1), 0.0, matstate=0)
    assert stress.any() and errstat() == 0


def test_binding_applies_the_modulus_law_from_its_switch_on_with_the_whole_vector():
    # The exported routines take a count of 29 to 31 (26 to 35) as 28 (25): they cannot know
    # the vector's length. From Python the length is checked, so the law applies from the switch.
    p = resin_props()
    full = named(R.getresinproperties(p, 350.0, 0))
    for n in (29, 30, 31):
        assert named(R.getresinproperties(p, 350.0, 0, n)) == full
    ortho = R.getresinorthotropicproperties(p, 350.0, 1.0, np.zeros(6), np.zeros(6), 0, 1.0)
    assert R.getresinorthotropicproperties(p, 350.0, 1.0, np.zeros(6), np.zeros(6), 0, 1.0, 30) == ortho
    assert errstat() == 0
