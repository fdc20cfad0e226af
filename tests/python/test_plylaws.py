"""Nonlinear property laws and in-situ strengths through the Python interface: limits and
symmetries of each law, the Hahn-Tsai fixed point checked against its own equation, and the
default arrays of the in-situ models."""
import math

import numpy as np
import pytest

import _tolvek
from error_record import clean_record  # noqa: F401 (autouse fixture)

nl = _tolvek.nlcollection
iss = _tolvek.isscollection
err = _tolvek.errorhandling


def test_softening_laws():
    for law, ref in ((nl.nlkrause, lambda b, e: 1 - math.exp(-b * abs(e))),
                     (nl.nlkaestner, lambda b, e: 1 - 1 / (1 + b * abs(e)))):
        assert law(50.0, 0.0) == 0.0
        for e in (1e-3, 0.02, 0.4):
            assert law(50.0, e) == law(50.0, -e)
            assert math.isclose(law(50.0, e), ref(50.0, e), rel_tol=1e-14)
        assert law(50.0, 0.01) < law(50.0, 0.02) < 1.0


def test_adam_residual_strength():
    l, x, nf, a, b = 800.0, 350.0, 1e6, 1.3, 2.1
    assert nl.nladam(l, x, 0.25, nf, a, b) == 0.0
    assert math.isclose(nl.nladam(l, x, nf, nf, a, b), 1 - x / l, rel_tol=1e-14)
    d = [nl.nladam(l, x, n, nf, a, b) for n in (1e1, 1e3, 1e5)]
    assert 0 < d[0] < d[1] < d[2] < 1 - x / l  # degradation grows with the cycles
    # lg moves the reference counts: n = lg(1) is the intact end, nf = lg(2) gives nothing.
    assert nl.nladam(l, x, 10.0, nf, a, b, [10.0, 0.25]) == 0.0
    assert err.errstat == 0
    nl.nladam(l, x, 0.0, nf, a, b)
    assert err.errstat == -3


def test_hahn_tsai():
    tg, beta = 5e9, 1e-26
    assert nl.pure_nlhahntsai(tg, beta, 60e6, 0.0) == 0.0
    assert nl.recu_nlhahntsai([60e6, 0.0, tg, beta], ns=2) == 0.0
    args = [60e6, 0.014, tg, beta]
    assert nl.recu_nlhahntsai(args) == nl.pure_nlhahntsai(tg, beta, 60e6, 0.014)
    assert nl.recu_nlhahntsai(args, ns=7) == nl.recu_nlhahntsai(args)
    step = nl.recu_nlhahntsai(args, ns=2)
    assert math.isclose(step, tg * (1 - nl.pure_nlhahntsai(tg, beta, 60e6, 0.014)) * 0.014, rel_tol=1e-14)
    # ns 1: the degradation at the stress s = tg (1 - dnl(s)) eps, found by iteration.
    d = nl.recu_nlhahntsai(args, ns=1)
    # Recover that stress from d: bisection on the fixed-point residual, independent of fpsafe.
    g = lambda s: tg * (1 - nl.pure_nlhahntsai(tg, beta, s, 0.014)) * 0.014 - s
    lo, hi = 1e6, 70e6
    for _ in range(200):
        mid = (lo + hi) / 2
        lo, hi = (mid, hi) if g(lo) * g(mid) > 0 else (lo, mid)
    assert math.isclose(d, nl.pure_nlhahntsai(tg, beta, lo, 0.014), rel_tol=1e-4)
    assert err.errstat == 0


def test_hahn_tsai_needs_four_arguments():
    """Regression: a shorter argument vector was read past its end."""
    assert nl.recu_nlhahntsai([1.0, 2.0]) == 0.0
    assert err.errstat == -3


def test_temperature_laws():
    props = np.array([3.5e9, 350.0, 0.5e9, 450.0, 0.01e9])
    m, xi = np.array([20.0, 30.0]), np.array([0.01, 0.02])
    assert math.isclose(nl.nlmahieux(0.0, props, m), props[0], rel_tol=1e-15)
    assert math.isclose(nl.nlmahieux(2000.0, props, m), props[4], rel_tol=1e-12)
    # Between the transitions the glassy-to-rubbery plateau P2 holds.
    assert math.isclose(nl.nlmahieux(400.0, props, m), props[2], rel_tol=0.05)
    values = [nl.nlmahieux(t, props, m) for t in np.linspace(250, 550, 31)]
    assert all(np.diff(values) <= 0)
    assert nl.nlmahieux(380.0, props[:1], []) == props[0]
    # Each tanh term is centred at t = 0 and no constant is added: at t = 0 the sum of the
    # plateau means, far above the transitions the sum of the upper plateaus.
    means = (props[0] + props[2]) / 2 + (props[2] + props[4]) / 2
    assert math.isclose(nl.nlgibson(0.0, props, xi), means, rel_tol=1e-15)
    assert math.isclose(nl.nlgibson(1e6, props, xi), props[2] + props[4], rel_tol=1e-12)
    assert nl.nlgibson(380.0, props[:1], []) == 0.0
    with pytest.raises((ValueError, _tolvek.error)):
        nl.nlmahieux(380.0, props[:3], m, ntrans=2)  # two transitions need five entries


def test_negative_transition_count_is_refused():
    assert math.isnan(nl.nlmahieux(300.0, [1.0], [], ntrans=-1))
    assert err.errstat == -3


def test_larc04_in_situ_strengths():
    elastic, gxc, xt22, x12 = [171e9, 9.1e9, 0.32, 5.3e9], [258.0, 1080.0], 62.3e6, 92.3e6
    t = 0.0007
    ys = iss.insitularc04(elastic, gxc, xt22, x12, t)
    # Thin plies: strengths grow as 1/sqrt(t); the shear value does not depend on E11, E22, nu.
    assert np.allclose(iss.insitularc04(elastic, gxc, xt22, x12, t / 4), 2 * ys, rtol=1e-14)
    assert iss.insitularc04([1e9, 2e9, 0.1, 5.3e9], gxc, xt22, x12, t)[1] == ys[1]
    thick = iss.insitularc04(elastic, gxc, xt22, x12, t * 1.0000001)
    assert np.array_equal(thick, [1.5839191966013624 * xt22, 1.4142135623730951 * x12])
    assert np.array_equal(iss.insitularc04(elastic, gxc, xt22, x12, 0.002, 0.003),
                          iss.insitularc04(elastic, gxc, xt22, x12, 0.002 / 4, 0.003 / 4) / 2)


def test_puck_compressive_strength():
    xc11, xc22, x12 = 1200.0, 200.0, 80.0
    assert iss.insitupuckps(xc11, xc22, x12, 0.0) == xc11
    assert math.isclose(iss.insitupuckps(xc11, xc22, x12, 90.0), xc22, rel_tol=1e-12)
    # The default parameters reach the routine whole: q = 0.2, p = 0.15.
    dflt = iss.insitupuckps(xc11, xc22, x12, 20.0)
    assert dflt == iss.insitupuckps(xc11, xc22, x12, 20.0, [0.3, 0.2, 0.15, 0.15])
    assert dflt != iss.insitupuckps(xc11, xc22, x12, 20.0, [0.15] * 4)
    # Near the fibres the fibre limit governs, and it is 2 xc11/(1 + cos 2 theta).
    assert math.isclose(iss.insitupuckps(xc11, xc22, x12, 1.0), 2 * xc11 / (1 + math.cos(math.radians(2.0))), rel_tol=1e-14)
    # In between the strength lies below both uniaxial strengths' envelope and above zero.
    for th in (15.0, 30.0, 45.0, 60.0, 75.0):
        assert 0 < iss.insitupuckps(xc11, xc22, x12, th) < xc11


def test_chang_lessard_in_situ_strengths():
    xt22, ilss = 50.0, 90.0
    ys = iss.insituchanglessard(xt22, ilss, 2.0, 45.0)
    assert ys[1] == ilss  # the default leaves the interlaminar strength
    assert np.array_equal(ys, iss.insituchanglessard(xt22, ilss, 2.0, 45.0, [1.3, 0.7, 0.0, 1.0]))
    # A single ply ratio at 90 degrees misorientation raises by the factor 1 + a.
    assert np.allclose(iss.insituchanglessard(xt22, ilss, 1.0, 90.0, [1.3, 0.7, 0.5, 1.0]), [xt22 * 2.3, ilss * 1.5])
    assert iss.insituchanglessard(xt22, ilss, 4.0, 45.0)[0] < ys[0]  # thicker clusters: weaker
    assert err.errstat == 0
    iss.insituchanglessard(xt22, ilss, 0.0, 30.0)
    assert err.errstat == -3
