"""Degradation routines through the binding: default factor amplitudes, in-place and 0-d in/out
values, out-only values the routines leave unwritten, trace lines, and reports."""
from fractions import Fraction

import numpy as np
import pytest

import _tolvek as t
from seeding import rng_seed

dg, eh = t.degradation, t.errorhandling


@pytest.fixture
def record():
    eh.rsxerr(1)
    yield lambda: (int(eh.errstat), bytes(eh.errstring).decode().rstrip())
    eh.rsxerr(1)


def flags(*slots):
    f = np.zeros(10)
    f[[s - 1 for s in slots]] = 1.0
    return f


def test_factor_defaults_and_matrix_reports(record):
    assert dg.falcomdegradation(flags(6, 3), 1.0, 2, 1).tolist() == [1, .5, .5, .5, .5, .5, 1, .5, 1]
    assert dg.falcomdegradation(flags(1), 1.0, 1, 1)[0] == 0.3
    assert dg.falcomdegradation(flags(1), 1.0, 1, 1, fa=[0.7, 0, 0, 0])[0] == 0.7
    assert dg.falcomdegradation(flags(8), 0.0, 0, 0).tolist() == [0.0] * 9
    f = np.linspace(0.1, 0.9, 9)
    m = dg.getnyedegradationmatrix(f, 6)
    assert m.flags.f_contiguous and np.array_equal(m, m.T)
    assert np.count_nonzero(m != 1.0) == 12
    plane = dg.getnyedegradationmatrix(f, 6, psflag=0)
    assert sorted(zip(*np.nonzero(plane != 1.0))) == [(0, 0), (0, 1), (1, 0), (1, 1), (3, 3)]
    assert dg.getnyedegradationmatrix(f, 3)[2, 2] == f[3]
    assert np.array_equal(dg.getnyedegradationmatrix(f, 5), np.ones((5, 5)))
    assert record() == (-2, "Unsupported dimension in GetNyeDegradationMatrix")


def test_ply_discount_in_place_and_one_way():
    pe = np.array([140e3, 9e3, 9e3, 0.3, 0.3, 0.4, 5e3, 5e3, 3e3])
    ps = np.array([2000.0, -1200, 60, 180, 80, 80, 60, 60, 50])
    degpe, degps, de, df = pe.copy(), ps.copy(), np.ones(6), np.ones(9)
    out = dg.suddendegradation(degpe, degps, pe, ps, de, df, 1.2, 0.0, [1.0, 1.0], 0.1)
    assert out[0] is degpe and out[2] is de
    assert out[4:] == (1.0, 0.0)
    np.testing.assert_allclose(degps, 0.1 * ps)
    # A later, milder failure never raises what is degraded.
    again = dg.suddendegradation(degpe, degps, pe, ps, de, df, 1.2, 1.2, [1.0, 1.0], 0.9, nm=-np.ones(6))
    np.testing.assert_allclose(again[0], 0.1 * pe)
    np.testing.assert_allclose(again[3], 0.1)


def test_viscous_forms_trace_and_carry(capfd):
    assert dg.viscouseregularisation(0.2, 0.6, 1.0, 1.0) == pytest.approx(0.4)
    pe = np.array([140e3, 9e3, 9e3, 0.3, 0.3, 0.4, 5e3, 5e3, 3e3])
    ps = np.full(9, 100.0)
    old = np.array(1.0)
    res = dg.suddendegradation_viscouse(pe.copy(), ps.copy(), pe, ps, np.ones(6), np.ones(9), 0.0, 1.0,
                                        [1.0, 1.0], 0.2, old, 1.0, 1.0)
    assert float(old) == pytest.approx(0.6)
    assert res[0][1] == pytest.approx(0.6 * pe[1]) and res[0][0] == pe[0]
    lines = capfd.readouterr().out.splitlines()
    assert [line.split("  ")[0] for line in lines] == [
        " Get regularised degradation factor", " Viskose degradation for FF", " Viskose degradation for IFF"]
    with pytest.raises(Exception):  # the carried factor must be an array updated in place
        dg.suddendegradation_viscouse(pe.copy(), ps.copy(), pe, ps, np.ones(6), np.ones(9), 0.0, 1.0,
                                      [1.0, 1.0], 0.2, 1.0, 1.0, 1.0)


def test_isotropic_and_accumulated_damage(record):
    # The third entry is not written by the routine: it comes back 0.
    assert dg.isotropicdegradation([3500.0, 0.35, 9.0], 2.0, 0.0, 0.1).tolist() == pytest.approx([350, 0, 0], rel=1e-6, abs=0)
    degpe, old = dg.isotropicdegradation_viscouse([3500.0, 0.35, 9.0], 0.5, 0.0, 0.1, 1.0, 1.0)
    assert degpe.tolist() == [3500, 0.35, 0] and old == pytest.approx(0.55, rel=1e-15)
    r = np.array([[0.5, 1e-3], [1.0, 1e-30]])
    expect = np.mean(np.log10(np.maximum(r, 1e-20)).sum(axis=0) / (-20 * 2))
    assert dg.getaccumulateddamage(r, 1.0) == pytest.approx(expect, rel=1e-14)
    assert dg.getaccumulateddamage(np.zeros((0, 2)), 0.0) == 0.0
    assert record()[0] == -3



def test_viscous_isotropic_degradation_from_python_starts_intact():
    # A failed point starts from degr_old 1: degr_v = 1 - dt (1 - degr) / (eta + dt) scales the
    # modulus and comes back; with eta 0 that is the plain discount.
    for eta, modulus in ((0.0, 1500.0), (1.0, 2250.0), (3.0, 2625.0)):
        degpe, old = dg.isotropicdegradation_viscouse([3000.0, 0.35, 0.0], 1.0, 0.0, 0.5, eta, 1.0)
        assert degpe.tolist() == [modulus, 0.0, 0.0] and old == modulus / 3000.0
    assert dg.isotropicdegradation_viscouse([3000.0, 0.35, 0.0], 1.0, 0.0, 0.2, 0.0, 1.0)[0][0] == pytest.approx(
        dg.isotropicdegradation([3000.0, 0.35, 0.0], 1.0, 0.0, 0.2)[0], rel=1e-15)
    rng = np.random.default_rng(rng_seed(7))
    for degr, eta, dt in zip(rng.uniform(0, 1, 50), 10 ** rng.uniform(-3, 3, 50), 10 ** rng.uniform(-3, 3, 50)):
        degr_v = 1 - Fraction(dt) * (1 - Fraction(degr)) / (Fraction(eta) + Fraction(dt))
        degpe, old = dg.isotropicdegradation_viscouse([3000.0, 0.35, 0.0], 1.0, 0.0, degr, eta, dt)
        assert old == pytest.approx(float(degr_v), rel=1e-14, abs=1e-15)
        assert degpe[0] == pytest.approx(3000 * float(degr_v), rel=1e-14, abs=1e-12)

def test_viscous_isotropic_degradation_without_eta_or_dt_gives_no_modulus():
    """Regression: isotropicdegradation_viscouse([3000, 0.35, 0], 1, 0, 0.5, nan, 1) returned the
    unregularised modulus 1500 at level 0 (eta + dt not positive fell to the plain discount).
    A NaN viscosity or time increment leaves no regularised factor: a failed point's modulus is
    NaN and the carried factor comes back as it went in (1); an intact point keeps its modulus
    and Poisson's ratio, as the formula gives for any factor. eta = dt = 0 is still the plain
    discount, and finite values still follow degr_v = 1 - dt (1 - degr) / (eta + dt)."""
    pe = [3000.0, 0.35, 0.0]
    for eta, dt in ((np.nan, 1.0), (1.0, np.nan), (np.nan, np.nan), (np.nan, 0.0)):
        degpe, old = dg.isotropicdegradation_viscouse(pe, 1.0, 0.0, 0.5, eta, dt)
        assert np.isnan(degpe[0]) and degpe[1] == 0.0 and old == 1.0
        degpe, old = dg.isotropicdegradation_viscouse(pe, 0.5, 0.0, 0.5, eta, dt)
        assert degpe.tolist() == [3000.0, 0.35, 0.0] and old == 1.0
    assert dg.isotropicdegradation_viscouse(pe, 1.0, 0.0, 0.5, 0.0, 0.0)[0][0] == 1500.0
    degpe, old = dg.isotropicdegradation_viscouse(pe, 1.0, 0.0, 0.5, 3.0, 1.0)
    assert old == 1 - 1.0 * 0.5 / 4.0 and degpe[0] == 3000 * old


def test_viscous_factors_without_eta_or_dt_have_no_value():
    """Regression: viscouseregularisation(0, 1, nan, 0.1) gave 1.0, and suddendegradation_viscouse
    served the unregularised factor at level 0. The written formula (dt dnew + eta dold)/(eta + dt)
    gives NaN for a NaN eta or dt: the failure's entries are NaN, exactly those a finite eta lowers
    (reference: the same call with eta = dt = 1), and degr_old, de and df come back as they went
    in. An intact ply is untouched; eta + dt = 0 still gives dnew."""
    nan = np.nan
    for eta, dt in ((nan, 0.1), (1.0, nan), (nan, nan), (nan, 0.0), (np.inf, nan)):
        assert np.isnan(dg.viscouseregularisation(0.0, 1.0, eta, dt))
    assert dg.viscouseregularisation(0.3, 0.7, 0.0, 0.0) == 0.7
    pe = np.array([140e3, 9e3, 9e3, 0.3, 0.3, 0.4, 5e3, 5e3, 3e3])
    ps = np.array([2000.0, 1200, 60, 180, 80, 80, 60, 60, 50])

    def call(g_f, g_m, eta, dt):
        old, de, df = np.array(0.8), np.full(6, 0.9), np.full(9, 0.9)
        degpe, degps, *_, gf, gm = dg.suddendegradation_viscouse(
            pe.copy(), ps.copy(), pe, ps, de, df, g_f, g_m, [1.0, 1.0], 0.2, old, eta, dt)
        return degpe, degps, float(old), de, df, (gf, gm)

    intact = np.concatenate(call(0.0, 0.0, 1.0, 1.0)[:2])  # carried de, df = 0.9 lower G12, G13
    for g_f, g_m in ((1.2, 0.0), (0.0, 1.2), (1.2, 1.2), (0.0, 0.0)):
        finite = call(g_f, g_m, 1.0, 1.0)
        lowered = np.concatenate(finite[:2]) != intact
        for eta, dt in ((nan, 1.0), (1.0, nan)):
            degpe, degps, old, de, df, flags = call(g_f, g_m, eta, dt)
            got = np.concatenate([degpe, degps])
            assert (np.isnan(got) == lowered).all(), (g_f, g_m)
            assert (got[~lowered] == intact[~lowered]).all()
            assert old == 0.8 and (de == 0.9).all() and (df == 0.9).all() and flags == finite[5]
    assert np.isnan(call(1.2, 0.0, nan, 1.0)[0]).all() and np.isnan(call(1.2, 0.0, nan, 1.0)[1]).all()
    assert np.isnan(call(0.0, 1.2, nan, 1.0)[0]).tolist() == [False] + [True] * 5 + [False, False, True]


def fatigue_state(**kw):
    s = dict(speak_t=0.5, sbottom_t=0.0, speak_c=0.0, sbottom_c=0.0, nm=0.0, de=1.0, df_t=1.0, df_c=1.0,
             cjump_nf=-1.0)
    s.update(kw)
    return {k: np.array(v) for k, v in s.items()}


def gradual(st, law, n, cjimp=1000.0):
    return dg.gradualdegradation(st["speak_t"], st["sbottom_t"], st["speak_c"], st["sbottom_c"], 1.6, 1.0, -0.1,
                                 1.2, 0.8, st["nm"], n, cjimp, 2.0, 3.0, 1.5, 2.5, 4.0, 3.5, st["de"], st["df_t"],
                                 st["df_c"], 0.01, law, 0, 1, st["cjump_nf"], 0.02)


def test_gradual_degradation_carries_zero_d_state(record):
    st = fatigue_state()
    assert gradual(st, 3, 1000.0) is None
    assert record() == (-2, "Error: Default case in subroutine GradualDegradation. Please check your input pa")
    assert float(st["sbottom_t"]) == 0.0 and float(st["nm"]) == 0.0
    assert gradual(st, 1, 1000.0) is None
    assert float(st["sbottom_t"]) == 1e-8 and float(st["speak_c"]) == 1e-8
    nf = 1000.0 / float(st["nm"])
    first = fatigue_state()
    gradual(first, 2, 1000.0)
    assert float(first["nm"]) == pytest.approx(1000.0 / nf, rel=1e-12)
    assert 0 < float(first["df_t"]) < 1 and 0 < float(first["cjump_nf"]) < nf
    failed = fatigue_state(df_t=0.01)
    gradual(failed, 2, 5000.0)
    assert float(failed["nm"]) == 1.0 and float(failed["cjump_nf"]) == np.finfo(float).max
    with pytest.raises(Exception):
        dg.gradualdegradation(*([0.5] * 27))


def test_gradual_degradation_law_1_constant_load_does_not_degrade(record):
    # R = 1: no stress amplitude, so no cycle counts towards failure; the residual strengths
    # and the stiffness stay at their intact value 1 however many cycles pass
    for peak in (0.3, 0.9):
        st = fatigue_state(speak_t=peak, sbottom_t=peak)
        for n in (1e3, 1e5, 1e7):
            gradual(st, 1, n, cjimp=n)
        assert (float(st["df_t"]), float(st["df_c"]), float(st["de"])) == (1.0, 1.0, 1.0)
        assert float(st["nm"]) == pytest.approx(0.0, abs=1e-250)
    # compressive constant load likewise
    st = fatigue_state(speak_t=0.0, sbottom_t=0.0, speak_c=-0.7, sbottom_c=-0.7)
    gradual(st, 1, 1e6, cjimp=1e6)
    assert (float(st["df_t"]), float(st["df_c"]), float(st["de"])) == (1.0, 1.0, 1.0)
    # the same peak with R = 0 does degrade: the constant-load case is not a dead routine
    st = fatigue_state(speak_t=0.9, sbottom_t=0.0)
    gradual(st, 1, 1e5, cjimp=1e5)
    assert float(st["df_t"]) < 1.0 and float(st["de"]) < 1.0
    assert record()[0] == 0
