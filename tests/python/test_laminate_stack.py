"""Stack stiffness averages through the Python interface: the Voigt and Reuss bounds against
numpy, and the layered-medium rules against a stack solved here layer by layer (in-plane
strains and through-thickness stresses continuous, the macroscopic stiffness assembled column
by column)."""
import numpy as np
import pytest

import _tolvek
from test_laminate import CFRP, close, errstat
from error_record import clean_record  # noqa: F401 (autouse fixture)
from seeding import rng_seed

L = _tolvek.laminate
err = _tolvek.errorhandling
IN, OUT = [0, 1, 5], [2, 3, 4]  # Voigt positions in the plane and through the thickness


def rotated(props, deg):
    """6 x 6 stiffness of a ply at deg in laminate axes, Voigt order."""
    nye = _tolvek.lamina.getnyeoffaxissc(deg, props, 6, 1)
    return _tolvek.lamina.flipvoigtnyenotation(nye, 6)


def stack(*layers):
    return np.stack(layers, axis=2)


def solved_stack(v, cs):
    """Macroscopic stiffness of a layered stack (fractions adding up to 1) by solving each
    macroscopic strain state: per layer, in-plane strains equal the macroscopic ones, the
    through-thickness stresses are common, and the layer strains average to the macroscopic."""
    n = len(v)
    out = np.zeros((6, 6))
    for col in range(6):
        e = np.zeros(6)
        e[col] = 1.0
        # Unknowns: through-thickness strains of every layer (3 n) and the common stress (3).
        m = np.zeros((3 * n + 3, 3 * n + 3))
        rhs = np.zeros(3 * n + 3)
        for k in range(n):
            c = cs[:, :, k]
            m[3 * k:3 * k + 3, 3 * k:3 * k + 3] = c[np.ix_(OUT, OUT)]
            m[3 * k:3 * k + 3, 3 * n:] = -np.eye(3)
            rhs[3 * k:3 * k + 3] = -c[np.ix_(OUT, IN)] @ e[IN]
            m[3 * n:, 3 * k:3 * k + 3] = v[k] * np.eye(3)
        rhs[3 * n:] = e[OUT]
        x = np.linalg.solve(m, rhs)
        sigma = np.zeros(6)
        for k in range(n):
            eps = e.copy()
            eps[OUT] = x[3 * k:3 * k + 3]
            sigma += v[k] * cs[:, :, k] @ eps
        out[:, col] = sigma
    return out


def test_voigt_and_reuss_bounds():
    rng = np.random.default_rng(rng_seed(1))
    cs = stack(*(rotated(CFRP, a) for a in (0, 35, -60)))
    v = rng.uniform(0.1, 1.0, 3)
    assert close(L.getvoigteffectivestiffness(v, cs), np.einsum("k,ijk->ij", v, cs), 1e-15)
    reuss = np.linalg.inv(sum(v[k] * np.linalg.inv(cs[:, :, k]) for k in range(3)))
    assert close(L.getreusseffectivestiffness(v, cs), reuss, 1e-10)
    c = rotated(CFRP, 20)
    one = stack(c)
    assert close(L.getvoigteffectivestiffness([1.0], one), c, 0)
    assert close(L.getreusseffectivestiffness([1.0], one), c, 1e-12)
    same = stack(c, c, c)
    w = np.array([0.5, 0.7, 0.3])
    assert close(L.getvoigteffectivestiffness(w, same), 1.5 * c, 1e-15)
    assert close(L.getreusseffectivestiffness(w, same), c / 1.5, 1e-12)
    assert errstat() == 0


def test_layered_rules_against_the_solved_stack():
    rng = np.random.default_rng(rng_seed(3))
    angles = (0, 45, -45, 90, 20)
    props = [CFRP * np.r_[rng.uniform(0.5, 1.5, 3), 1, 1, 1, rng.uniform(0.5, 1.5, 3)] for _ in angles]
    cs = stack(*(rotated(p, a) for p, a in zip(props, angles)))
    v = rng.uniform(0.1, 1.0, 5)
    v /= v.sum()
    ref = solved_stack(v, cs)
    for rule in (L.getsuneffectivestiffness, L.getchoueffectivestiffness, L.gethenryeffectivestiffness):
        got = rule(v, cs)
        assert close(got, ref, 1e-9)
        assert np.array_equal(got, got.T)
    # The layered average lies between the bounds on the through-thickness modulus.
    assert L.getreusseffectivestiffness(v, cs)[2, 2] <= ref[2, 2] * (1 + 1e-12)
    assert ref[2, 2] <= L.getvoigteffectivestiffness(v, cs)[2, 2]


def test_layered_rules_of_one_constituent_and_of_unnormalised_fractions():
    c = rotated(CFRP, 30)
    for rule in (L.getsuneffectivestiffness, L.getchoueffectivestiffness, L.gethenryeffectivestiffness):
        assert close(rule([1.0], stack(c)), c, 1e-12)
    assert L.getsuneffectivestiffness([1.0], stack(c))[2, 2] == c[2, 2]
    # Fractions used as given: the through-thickness block scales down, the plane block up.
    got = L.getchoueffectivestiffness([0.75, 0.75], stack(c, c))
    assert close(got[np.ix_(OUT, OUT)], c[np.ix_(OUT, OUT)] / 1.5, 1e-12)
    assert close(got[np.ix_(IN, IN)], 1.5 * c[np.ix_(IN, IN)], 1e-12)
    assert close(got[np.ix_(OUT, IN)], c[np.ix_(OUT, IN)], 1e-12)


def test_layered_rules_without_constituents():
    empty = np.zeros((6, 6, 0))
    for rule in (L.getsuneffectivestiffness, L.getchoueffectivestiffness, L.gethenryeffectivestiffness):
        err.rsxerr(1)
        assert not rule(np.zeros(0), empty).any() and errstat() == -3
    assert not L.getvoigteffectivestiffness(np.zeros(0), empty).any()
