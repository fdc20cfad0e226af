"""Impact contact from Python: the contact force solved by the root finders with the contact law
as native routine and as Python callable, the sensor record update, logical flags."""
import numpy as np
import pytest

import _tolvek as t

ia = t.interaction


def test_contact_force_through_the_root_finders():
    t.errorhandling.rsxerr(1)
    # Steel ball (R 10 mm) on a transversely isotropic plate, as an impact element sets it up.
    k, _ = ia.contactstiffness([0.01, 0, 210e9, 0.3, 0, 0, 9e9], 1)
    args = np.array([k, 2e-4, 1e-7, 1e-5, 5e-8, 1.5, 2e-5])  # u0 - 3e-5, compliance 1.5e-7
    # F = k (u0 - c F)^1.5: with s^2 = u0 - c F, c k s^3 + s^2 - u0 = 0.
    s = [r.real for r in np.roots([1.5e-7 * k, 1.0, 0.0, -1.7e-4]) if abs(r.imag) < 1e-12 and r.real > 0]
    pylaw = lambda x, a, nfun, na: ia.contactlaw(x, a, nfun, na)  # noqa: E731
    for dfunc in (ia.contactlaw._cpointer, ia.contactlaw, pylaw):
        for solver in (t.math.bdsafe, t.math.nrsafe):
            # The bracket reaches far past the force at which the contact opens (1133 N).
            root, istat = solver(dfunc, 0.0, 1e5, args, 1e-9, 200, 0)
            assert istat == 0 and root == pytest.approx(k * s[0] ** 3, rel=1e-10)
    args[1] = 1e-5  # no contact: no force
    assert t.math.bdsafe(ia.contactlaw._cpointer, 0.0, 1e5, args, 1e-9, 200, 0) == (0.0, 0)
    assert t.errorhandling.errstat == 0


def test_contact_area_record():
    dprops = np.zeros((12, 2), order="F")
    dprops[1:4, 1] = (0.0, 0.0, 1.0)
    new = ia.contactarea(dprops, [3.0, 4.0, 1.0], 5, elemlength=[1.0, 0.5, 0.0])
    assert not dprops[4:].any()  # copied unless overwrite_dprops
    assert new[4:11, 1].tolist() == [5, 5, 0, 0.5, 0.25, 0.5, 0.25]
    # Without elemlength (default -1) only the element and distance move.
    same = ia.contactarea(new, [0.0, 0.0, 2.0], 6, overwrite_dprops=1)
    assert same is new and new[4:11, 1].tolist() == [6, 1, 0, 0.5, 0.25, 0.5, 0.25]
    with pytest.raises(ValueError):
        ia.contactarea(np.zeros((11, 2), order="F"), [0.0, 0.0, 0.0], 1)


def test_indentation_flags_are_logicals():
    assert t.permcollection.pisuresh(2.0, 1.0, 0.25, 1, 1) == pytest.approx((0.333, 1.0))
    assert t.permcollection.pisuresh(2.0, 1.0, 0.25, False, True) == (0.75, -1.0)


def test_hertz_effective_modulus_of_impactor_and_target_with_different_poisson_ratios():
    # 1/E* = (1 - nu1^2)/E1 + (1 - nu2^2)/E2 (Johnson, Contact Mechanics, sec. 4.2): steel ball
    # (R1 = 8 mm, E1 = 210 GPa, nu1 = 0.30) on aluminium (E2 = 70 GPa, nu2 = 0.33), flat and curved
    e1, nu1, e2, nu2, r1 = 210e9, 0.30, 70e9, 0.33, 0.008
    estar = 1.0 / ((1 - 0.09) / e1 + (1 - 0.1089) / e2)
    assert estar == pytest.approx(5.8605e10, rel=1e-4)       # worked by hand: 58.61 GPa
    for inv_r2 in (0.0, 1 / 0.05):
        r = 1.0 / (1 / r1 + inv_r2)
        k, eeff = ia.contactstiffness([r1, 0, e1, nu1, inv_r2, 0, e2, nu2], 0)
        assert eeff == pytest.approx(estar, rel=1e-14)
        assert k == pytest.approx(4 / 3 * estar * np.sqrt(r), rel=1e-14)
    # a laminated target (flag 1) counts the transverse modulus alone: 1/E* = (1 - nu1^2)/E1 + 1/E2
    k, eeff = ia.contactstiffness([r1, 0, e1, nu1, 0, 0, e2, nu2], 1)
    assert eeff == pytest.approx(1.0 / ((1 - 0.09) / e1 + 1 / e2), rel=1e-14)
    # swapping the two bodies' Poisson ratios changes E*: each ratio belongs to its own modulus
    assert ia.contactstiffness([r1, 0, e1, nu2, 0, 0, e2, nu1], 0)[1] != pytest.approx(estar, rel=1e-6)
