"""Closed-form micromechanics from Python: the mixture rules, the cell rule with its matrix
corrections and the multi-phase Mori-Tanaka stiffness, checked against textbook values, their
limits and closed-form references."""
import math

import numpy as np
import pytest

import _tolvek as t

mm = t.micromechanic
eh = t.errorhandling

GLASS = [85.0, 85.0, 85.0 / 2.4, 0.2]  # E_f1, E_f2, G_f12, nu_f12 of an isotropic glass fibre
EPOXY = [3.4, 0.3]
CARBON = [230.0, 15.0, 24.0, 0.2]
CARBON5 = [230.0, 15.0, 24.0, 5.4, 0.2]  # with G_f23
RULES = ("ruleofmixture", "halpintsai", "hopkinschamis", "chamis", "puck", "abolinsh")


@pytest.fixture
def record():
    eh.rsxerr(1)
    yield lambda: (int(eh.errstat), bytes(eh.errstring).decode().rstrip(" \0"))
    eh.rsxerr(1)


def shear(e, nu):
    return e / (2 * (1 + nu))


def test_textbook_glass_epoxy():
    assert mm.ruleofmixture(GLASS, EPOXY, 0.7) == pytest.approx([60.52, 10.365854, 4.013220, 0.23], rel=1e-6)
    ht = mm.halpintsai(GLASS, EPOXY, 0.7, [2, 1])
    assert ht[1:3] == pytest.approx([20.20, 6.168004], rel=1e-6)
    # absent shape factors and (-1, -1) both select 2 + 40 phi^10 and 1 + 40 phi^10
    assert mm.halpintsai(GLASS, EPOXY, 0.7)[1] == pytest.approx(24.221007, rel=1e-7)
    assert np.array_equal(mm.halpintsai(GLASS, EPOXY, 0.7, [-1, -1]), mm.halpintsai(GLASS, EPOXY, 0.7))
    # (-1, 5) is taken as given: xi_E = -1 makes E2 the matrix modulus
    assert mm.halpintsai(GLASS, EPOXY, 0.7, [-1, 5])[1] == pytest.approx(EPOXY[0])
    assert mm.chamis(GLASS, EPOXY, 0.7)[1:3] == pytest.approx([17.275863, 6.732629], rel=1e-6)


@pytest.mark.parametrize("rule", RULES)
def test_rule_limits(rule):
    f = getattr(mm, rule)
    em, num = EPOXY
    gm = shear(em, num)
    at0 = f(CARBON, EPOXY, 0.0)
    assert at0[0] == em and at0[3] == num
    if rule != "puck":
        assert at0[1:3] == pytest.approx([em, gm], rel=1e-14)
    else:  # plane-strain matrix modulus in the transverse direction
        assert at0[1:3] == pytest.approx([em / (1 - num**2), gm], rel=1e-14)
    at1 = f(CARBON, EPOXY, 1.0)
    assert at1[0] == CARBON[0] and at1[3] == CARBON[3]
    fibre = [CARBON[1], CARBON[2]] if rule != "puck" else [1.85 * CARBON[1], 1.4 * CARBON[2]]
    assert at1[1:3] == pytest.approx(fibre, rel=1e-12)
    assert np.array_equal(f(CARBON, EPOXY, 1.3), at1) and np.array_equal(f(CARBON, EPOXY, -0.2), at0)
    # transverse and shear moduli rise with the fibre fraction for a stiff fibre
    grid = np.array([f(CARBON, EPOXY, v) for v in np.linspace(0, 0.9, 10)])
    assert np.all(np.diff(grid[:, 1]) > 0) and np.all(np.diff(grid[:, 2]) > 0)


def test_rules_between_inverse_and_direct_mixtures():
    # every estimate of E2 and G12 lies between the Reuss and Voigt averages of the phases
    em, num = EPOXY
    for v in np.linspace(0.05, 0.7, 14):
        lo = mm.ruleofmixture(GLASS, EPOXY, v)
        hi = [v * GLASS[1] + (1 - v) * em, v * GLASS[2] + (1 - v) * shear(em, num)]
        for rule in RULES[1:]:
            r = getattr(mm, rule)(GLASS, EPOXY, v)
            assert lo[1] <= r[1] * (1 + 1e-12) and r[1] <= hi[0], rule
            assert lo[2] <= r[2] * (1 + 1e-12) and r[2] <= hi[1], rule


def test_abolinsh_shear_is_the_composite_cylinder():
    # G12 of Hashin's composite cylinder assemblage (Hashin and Rosen 1964)
    gf, gm, v = GLASS[2], shear(*EPOXY), 0.55
    cca = gm * (gf * (1 + v) + gm * (1 - v)) / (gf * (1 - v) + gm * (1 + v))
    assert mm.abolinsh(GLASS, EPOXY, v)[2] == pytest.approx(cca, rel=1e-14)


def test_chamis_sizes():
    assert np.array_equal(mm.chamis(CARBON, EPOXY, 0.6, 3), np.zeros(3))
    c6 = mm.chamis(CARBON5, EPOXY, 0.6, 6)
    assert c6[5] == pytest.approx(c6[1] / (2 * c6[3]) - 1)
    assert np.array_equal(c6[:5], mm.chamis(CARBON5, EPOXY, 0.6))
    assert c6[3] == pytest.approx(mm.chamis([230, 5.4, 5.4, 0.2], EPOXY, 0.6)[2])  # G23 uses G_f23
    with pytest.raises(t.error):
        mm.chamis(CARBON, EPOXY, 0.6, 5)  # five values needed


def test_foye_and_krimmer():
    em, num = EPOXY
    # a ply of the matrix itself keeps the matrix ratio
    assert mm.foye([em, num], EPOXY) == pytest.approx(num, rel=1e-15)
    # fibre equal to the matrix: the corrected constants are those of the matrix, no mismatch
    gm = shear(em, num)
    km = mm.krimmer([em, em, num], [em, em, gm, gm, num], EPOXY, 0.6)
    assert km == pytest.approx([em, em, gm, gm, 0.0], abs=1e-14)


def handbook_cell(m, f, b, c):
    """The cell rule exactly as the handbook writes it."""
    r = m / f
    a = 1 - r
    x = b * a / math.sqrt(1 - (1 - r**2) * b**2)
    return 2 * m / c * (c / 2 - b - math.pi / (2 * a)
                        + (math.pi / 2 + math.atan(x)) / (a * math.sqrt(1 - a**2 * b**2)))


def test_lth_cell_rule():
    em, num = EPOXY
    gm = shear(em, num)
    for fm, v, c, b in ((0, 0.6, 2.0, 2 * math.sqrt(0.6 / math.pi)),
                        (1, 0.6, math.sqrt(3), math.sqrt(2 * math.sqrt(3) * 0.6 / math.pi))):
        lh = mm.lth(CARBON5, EPOXY, v, fm, 0)
        ref = [handbook_cell(em, CARBON5[1], b, c), handbook_cell(gm, CARBON5[2], b, c),
               handbook_cell(gm, CARBON5[3], b, c)]
        assert lh[1:4] == pytest.approx(ref, rel=1e-12)
        assert lh[0] == pytest.approx(v * 230 + (1 - v) * em) and lh[4] == pytest.approx(v * 0.2 + (1 - v) * num)
    # fractions beyond the packing limit are computed at the limit
    assert np.array_equal(mm.lth(CARBON5, EPOXY, 0.8, 0, 0), mm.lth(CARBON5, EPOXY, 0.75, 0, 0))
    assert np.array_equal(mm.lth(CARBON5, EPOXY, 0.95, 1, 0), mm.lth(CARBON5, EPOXY, 0.9, 1, 0))
    # fibre equal to the matrix: the matrix, and no cancellation when they are nearly equal
    same = [em, em, gm, gm, num]
    assert mm.lth(same, EPOXY, 0.6, 0, 0) == pytest.approx([em, em, gm, gm, num], rel=1e-15)
    slope = [(mm.lth([em, em * (1 + h), gm, gm, num], EPOXY, 0.6, 0, 0)[1] / em - 1) / h for h in (1e-4, 1e-7, 1e-10)]
    assert slope[1] == pytest.approx(slope[0], rel=1e-3) and slope[2] == pytest.approx(slope[1], rel=1e-5)


def test_lth_matrix_constants(record):
    em, num = EPOXY
    # tcflag 1: the Krimmer constants of the uncorrected estimate, used as five matrix values
    v = 0.55
    lh0 = mm.lth(CARBON5, EPOXY, v, 1, 0)
    km = mm.krimmer([lh0[0], lh0[1], lh0[4]], CARBON5, EPOXY, v)
    assert np.array_equal(mm.lth(CARBON5, EPOXY, v, 1, 1), mm.lth(CARBON5, km, v, 1, 0))
    # five matrix values are used as given, whatever tcflag says
    assert np.array_equal(mm.lth(CARBON5, km, v, 1, 1), mm.lth(CARBON5, km, v, 1, 0))
    with pytest.raises(t.error):
        mm.lth(CARBON5, [em], v, 1, 0)
    # a fibre far softer than the matrix at a high fraction has no strip solution
    assert np.array_equal(mm.lth([1, 0.5, 0.2, 0.2, 0.2], EPOXY, 0.7, 0, 0), np.zeros(5))
    assert record()[0] == -3 and "LTH" in record()[1]


def iso_stiffness(e, nu):
    lam, g = e * nu / ((1 + nu) * (1 - 2 * nu)), shear(e, nu)
    c = np.zeros((6, 6))
    c[:3, :3] = lam
    c[np.arange(3), np.arange(3)] = lam + 2 * g
    c[np.arange(3, 6), np.arange(3, 6)] = g
    return c


def bulk_shear(c):
    return (c[0, 0] + 2 * c[0, 1]) / 3, c[3, 3]


def hashin_shtrikman(k1, g1, k2, g2, c2):
    """Bounds of Hashin and Shtrikman (1963) with phase 1 as the reference medium."""
    c1 = 1 - c2
    k = k1 + c2 / (1 / (k2 - k1) + 3 * c1 / (3 * k1 + 4 * g1))
    g = g1 + c2 / (1 / (g2 - g1) + 6 * c1 * (k1 + 2 * g1) / (5 * g1 * (3 * k1 + 4 * g1)))
    return k, g


@pytest.mark.parametrize("stiff_matrix", [False, True])
def test_mori_tanaka_spheres_are_hashin_shtrikman(stiff_matrix):
    (e0, nu0), (e1, nu1) = ((70.0, 0.22), (3.0, 0.38)) if stiff_matrix else ((3.0, 0.38), (70.0, 0.22))
    c0, c1 = iso_stiffness(e0, nu0), iso_stiffness(e1, nu1)
    sphere = mm.geteshelbytensor(0, 1.0, nu0)
    k0, g0 = bulk_shear(c0)
    k1, g1 = bulk_shear(c1)
    for v in (0.1, 0.4, 0.8):
        ref = hashin_shtrikman(k0, g0, k1, g1, v)
        cmt = mm.generalizedmoritanaka(c1[:, :, None], sphere[:, :, None], [v], c0)
        assert bulk_shear(cmt) == pytest.approx(ref, rel=1e-12)
        # the same through the two-phase concentration tensor and the dual average
        a = mm.getstrainconcentrationtensor(sphere, c1, c0, v, 1)
        assert np.allclose(mm.getaveragescfromdualequation(a, c1, c0, v), cmt, rtol=1e-12, atol=1e-12)


def test_generalized_mori_tanaka_phases():
    c0, c1 = iso_stiffness(3.0, 0.38), iso_stiffness(70.0, 0.22)
    cyl = mm.geteshelbytensor(1, 1.0, 0.38)
    # an inclusion of the matrix's own material leaves the matrix unchanged
    assert np.allclose(mm.generalizedmoritanaka(c0[:, :, None], cyl[:, :, None], [0.4], c0), c0, rtol=1e-14)
    assert np.array_equal(mm.generalizedmoritanaka(np.zeros((6, 6, 0)), np.zeros((6, 6, 0)), [], c0), c0)
    # one phase split into two equal parts changes nothing
    one = mm.generalizedmoritanaka(c1[:, :, None], cyl[:, :, None], [0.5], c0)
    two = mm.generalizedmoritanaka(np.dstack([c1, c1]), np.dstack([cyl, cyl]), [0.2, 0.3], c0)
    assert np.allclose(one, two, rtol=1e-13)
    # empty inclusions soften the matrix, a stiff phase stiffens it
    void = mm.generalizedmoritanaka(np.zeros((6, 6, 1)), cyl[:, :, None], [0.2], c0)
    assert np.all(np.linalg.eigvalsh(c0 - void) > 0) and np.all(np.linalg.eigvalsh(one - c0) > 0)


def test_generalized_mori_tanaka_fractions(record):
    c0, c1 = iso_stiffness(3.0, 0.38), iso_stiffness(70.0, 0.22)
    cyl = mm.geteshelbytensor(1, 1.0, 0.38)
    for v in ([0.7, 0.6], [1.2, -0.1], [math.nan, 0.1]):
        eh.rsxerr(1)
        got = mm.generalizedmoritanaka(np.dstack([c1, c1]), np.dstack([cyl, cyl]), v, c0)
        assert np.array_equal(got, np.zeros((6, 6))) and record()[0] == -3
