"""Compressive strength of damaged laminates: coupon failure from a measured stress profile, the
buckled-sublaminate and open-hole knock-down factors."""
import numpy as np
import pytest

import _tolvek as t
from error_record import clean_record  # noqa: F401 (autouse fixture)

dic, eh = t.dic, t.errorhandling
CFRP = [140e9, 9e9, 9e9, 0.3, 0.3, 0.45, 5e9, 5e9, 3.5e9]


def record():
    return int(eh.errstat), bytes(eh.errstring).rstrip(b"\0 ").decode()


def records(*entries, n):
    """Buckling records (first, last, ratio) of an n-ply stack; unused records stay 0."""
    real, ints = np.zeros((12, max(n - 1, 1))), np.zeros((4, max(n - 1, 1)), np.int32)
    for k, (first, last, ratio) in enumerate(entries):
        ints[1:3, k] = first, last
        real[1, k] = ratio
    return real, ints


def test_influence_factor_of_buckled_sublaminates():
    t4 = np.ones(4)
    assert dic.getdmginfluencefactor(t4, *records(n=4)) == 1.0  # nothing buckled
    # Plies 1-2 at 0.5: two groups of half the thickness, alpha = 0.5, (2 alpha)^alpha = 1.
    assert dic.getdmginfluencefactor(t4, *records((1, 2, 0.5), n=4)) == 1.0
    # Ply 1 at 0.5, plies 2-4 intact: t_max = 3, alpha = 1/4.
    assert dic.getdmginfluencefactor(t4, *records((1, 1, 0.5), n=4)) == pytest.approx(0.5 ** 0.25)
    # Equal neighbouring factors join one group; thicknesses weigh.
    th = np.array([1.0, 2.0, 1.0, 4.0])
    f = dic.getdmginfluencefactor(th, *records((1, 1, 0.3), (2, 3, 0.3), n=4))
    assert f == pytest.approx((2 * 0.5) ** 0.5)
    f = dic.getdmginfluencefactor(th, *records((4, 4, 0.3), n=4))
    assert f == pytest.approx((2 * 0.5) ** 0.5)
    f = dic.getdmginfluencefactor(th, *records((4, 4, 0.3), (3, 3, 0.3), n=4))
    assert f == pytest.approx(0.75 ** 0.375)  # groups 1-2 (3) and 3-4 (5)
    f = dic.getdmginfluencefactor(th, *records((2, 2, 0.3), (3, 3, 0.6), n=4))
    assert f == 1.0  # four groups, the thickest of half the thickness


def test_unfilled_and_foreign_records_are_passed_over():
    # Records of -1 (never filled) and plies outside the stack change nothing.
    real, ints = records(n=4)
    ints[:] = -1
    assert dic.getdmginfluencefactor(np.ones(4), real, ints) == 1.0
    for first, last in [(0, 2), (3, 2), (2, 5), (-1, -1)]:
        real, ints = records((first, last, 0.5), n=4)
        assert dic.getdmginfluencefactor(np.ones(4), real, ints) == 1.0
    assert record()[0] == 0


def test_open_hole_factor():
    n = 4
    pe = np.repeat(np.array(CFRP)[:, None], n, axis=1)
    ang, th = np.array([0.0, 45.0, -45.0, 90.0]), np.full(n, 0.25e-3)
    A, B, D = (getattr(t.laminate, f"get{m}matrix")(pe, ang, th) for m in "abd")
    compliance = np.linalg.inv(np.block([[A, B], [B, D]]))
    nu = -compliance[0, 1] / compliance[0, 0]  # membrane Poisson ratio
    kt = 3.5
    base = abs((A[0, 0] + A[0, 1]) / (2 * A[1, 1] * ((kt - 3) ** 2 + 1)) - nu)
    assert dic.getcentralopenholefactor(pe, ang, th, kt, 0.0, 0.05) == pytest.approx(base, rel=1e-12)
    x = 0.4
    assert dic.getcentralopenholefactor(pe, ang, th, kt, 0.01, 0.05) == pytest.approx(
        base + (x ** (1 + x) - x * x) * kt, rel=1e-12)
    assert dic.getcentralopenholefactor(pe, ang, th, kt, 0.01, 0.0) == 0.0 and record()[0] == -3


def dic_call(stress, x, alpha=0.0, width=0.1):
    return dic.getcomprfailurebydic(np.asarray(stress, float), np.asarray(x, float), np.full(4, 0.5e-3), alpha,
                                    500e6, -40e3, -0.4e-3, 0.05, width)


def test_failure_from_a_single_peak_profile():
    # One maximum: the governing position is where the weighted stress is smallest.
    x = np.linspace(-0.05, 0.05, 11)
    s = -(300e6 - 1e10 * x ** 2)  # peak magnitude at the centre
    res, dist = dic_call(s[::-1], x[::-1])  # given in any order
    smallest = np.abs(s).min()
    amp = 500e6 / smallest
    assert res[3] == pytest.approx(0.05)
    np.testing.assert_allclose(res[:3], [40e3 * amp, 0.4e-3 * amp / 0.05, 40e3 * amp / (2e-3 * 0.1)])
    np.testing.assert_allclose(dist[:, 0], amp * np.abs(s))
    np.testing.assert_array_equal(dist[:, 0], dist[:, 1])  # alpha 0: weighted = measured
    res, dist = dic_call(s, x, alpha=0.5)
    w = np.abs(s) * (1 + 0.5 * np.sqrt(2 * np.abs(x) / 0.1))
    np.testing.assert_allclose(dist[:, 1] / dist[:, 0], w / np.abs(s))
    assert res[3] == pytest.approx(np.abs(x)[np.argmin(w)], rel=1e-6, abs=0)


def test_failure_between_two_peaks():
    # Two maxima of the measured profile; the walk outwards on the weighted curve ends where it
    # stops rising, and the higher end governs.
    x = np.linspace(-0.05, 0.05, 21)
    s = -(200e6 + 80e6 * np.exp(-((x - 0.02) / 0.006) ** 2) + 60e6 * np.exp(-((x + 0.02) / 0.006) ** 2))
    res, dist = dic_call(s, x)
    k = int(np.argmax(np.abs(s)))
    assert res[3] == pytest.approx(abs(x[k]))
    assert dist[k, 1] == pytest.approx(500e6)
    assert record()[0] == 0


def test_flat_and_degenerate_profiles():
    x = np.linspace(-0.05, 0.05, 5)
    res, dist = dic_call(np.full(5, -300e6), x)  # no peak at all
    assert res[0] == pytest.approx(40e3 * 500 / 300)
    res, dist = dic_call(np.zeros(5), x)
    assert not res.any() and not dist.any() and record()[0] == -3
    eh.rsxerr(1)
    res, dist = dic_call(np.full(5, -300e6), x, width=0.0)
    assert not res.any() and record()[0] == -3
