"""Signal helpers called from Python: peaks, moving averages, means, transfer functions, clamps."""
import math

import numpy as np
import pytest

import _tolvek as t

sp = t.signalprocessing
eh = t.errorhandling
TINY = 2.2250738585072014e-308
HUGE = 1.7976931348623157e308


def test_peaks():
    maxtab, mintab, nmax, nmin = sp.getpeaks([0, 2, 0, 2, 0], -1)  # the magnitude of delta counts
    assert (nmax, nmin) == (2, 1)
    assert np.array_equal(maxtab[:2], [[2, 2], [4, 2]]) and np.array_equal(mintab[:1], [[3, 0]])
    assert np.all(maxtab[2:] == TINY) and np.all(mintab[1:] == TINY)
    x = np.linspace(0, 4 * math.pi, 401)
    maxtab, mintab, nmax, nmin = sp.getpeaks(np.sin(x), 0.5, x=x)
    assert (nmax, nmin) == (2, 2)
    assert np.allclose(maxtab[:2, 0], [math.pi / 2, 5 * math.pi / 2], atol=0.02)


@pytest.mark.parametrize("v, delta, maxima, minima", [
    ([], 1.0, [], []),
    ([3.0], 1.0, [], []),
    ([2.0, 0.0], 1.0, [(1, 2.0)], []),        # a first sample is a maximum once the fall confirms it
    ([0.0, 2.0], 1.0, [], []),                # a rise at the end confirms nothing
    ([5.0, 0.0, 1.0], 0.5, [(1, 5.0)], [(2, 0.0)]),
    ([0.0, 1.0, 5.0], 0.5, [], []),           # the last sample is the largest: not confirmed
    ([0.0, 2.0, 2.0, 0.0], 1.0, [(2, 2.0)], []),  # equal maxima: the first one
    ([1.0, 1.0, 1.0], 0.0, [], []),           # no move at all, even with delta 0
    ([0.0, 1.0, 0.0, 1.0], 1.0, [], []),      # moves of exactly delta do not count
    ([4.0, 0.0, 0.0, 4.0, 2.5], 1.0, [(1, 4.0), (4, 4.0)], [(2, 0.0)]),  # equal minima: the first
])
def test_peak_boundaries(v, delta, maxima, minima):
    maxtab, mintab, nmax, nmin = sp.getpeaks(np.array(v, dtype=float), delta)
    assert (nmax, nmin) == (len(maxima), len(minima))
    assert maxtab.shape == mintab.shape == (len(v), 2)
    assert [tuple(r) for r in maxtab[:nmax]] == maxima and [tuple(r) for r in mintab[:nmin]] == minima
    assert np.all(maxtab[nmax:] == TINY) and np.all(mintab[nmin:] == TINY)


def test_weighted_moving_average():
    a, denom, got = np.zeros(3), 0, []
    for v in (3, 6, 9, 12):
        sma, a, denom = sp.weightedmovingaverage(v, a, denom)
        got.append(sma)
    assert got == [3, 4.5, 6, 9] and denom == 3 and np.array_equal(a, [6, 9, 12])
    _, b, _ = sp.weightedmovingaverage(15, a, 3)  # the window is copied by default
    assert np.array_equal(a, [6, 9, 12]) and np.array_equal(b, [9, 12, 15])
    sp.weightedmovingaverage(15, a, 3, overwrite_a=1)
    assert np.array_equal(a, [9, 12, 15])
    sma, _, _ = sp.weightedmovingaverage(18, a, 3, wi=[1, 2, 3])
    assert sma == (12 + 30 + 54) / 3  # divided by the count, not by the weights
    eh.rsxerr(1)
    _, _, denom = sp.weightedmovingaverage(1, np.zeros(3), 7)  # a count beyond the window
    assert denom == 3 and int(eh.errstat) == -2
    eh.rsxerr(1)


def test_means_and_transfer_functions():
    assert sp.cumulativemovingaverage(2, 5, 2) == 3
    means = [sp.generalizedmean([1, 4], p) for p in (0, 1, 2, -1, -HUGE, HUGE)]
    assert means == pytest.approx([2, 2.5, math.sqrt(8.5), 1.6, 1, 4])
    assert sp.generalizedmean([1, 4], 1, wi=[0.25, 0.75]) == 3.25
    assert sp.logarithmicbarrier(1, 1) == pytest.approx(36.0437, abs=1e-4)
    assert [sp.generalsmoothstep(x, 2) for x in (-1, 0.5, 2)] == [0, 0.5, 1]
    assert (sp.logistic(0, 2, 0), sp.logistic(0, 2, 0, l=4), sp.generallogistic(0, 1, 3, 1, 1, 1)) == (0.5, 2, 2)


def test_clamps():
    assert [sp.real_limit(x, 0.0, 1.0) for x in (-1, 0.5, 2)] == [0, 0.5, 1]
    assert (sp.int_limit(7, 5, 3), sp.int_limit(2, 5, 3)) == (3, 5)
    cases = {(0, 3): 3, (4, 3): 1, (-1, 3): 2}
    assert {k: sp.mod_limit(*k) for k in cases} == cases
