"""The impactor's solver entries one call at a time, in the middle of an impact: the implicit and
explicit impactor elements, the sensor material, and the increment end that moves the impactor.

Each test sets the records of a running impact by hand and makes one call, so that its call is the
one the record check of test_contract.py replays (see conftest.py for how they are recorded).
"""
import math

import numpy as np
import pytest
from scipy.optimize import brentq

import _tolvek
from error_record import clean_record, errstat  # noqa: F401 (autouse fixture)

t = _tolvek.toplevel
m = _tolvek
G = 9.80665
# A rigid sphere of radius 10 mm and 50 g on an elastic half-space (E 10 GPa, nu 0.3).
R, MASS, E2, NU2 = 0.01, 0.05, 10e9, 0.3
KHERTZ = 4.0 / 3.0 * E2 / (1.0 - NU2 ** 2) * math.sqrt(R)


@pytest.fixture(autouse=True)
def impact_step():
    """Steps: an initialisation, then an impact; one impactor, no contact state table yet."""
    m.jobdata.stepid = np.array([0, 3], dtype=np.int32)
    m.loaddata.nimp = 1
    m.impactdata.csvars = None
    m.impactdata.cprops = None
    yield
    m.jobdata.stepid = None
    m.loaddata.nimp = 0
    m.impactdata.csvars = None
    m.impactdata.cprops = None


def test_mid_impact_force_balances_hertz_against_the_predicted_approach():
    # Increment 3 of the impact step: impactor at u = 0.1 mm moving at 1 m/s, a plate compliance
    # of 2e-9 m/N. The force solves F = k (u + v dt - F (beta dt^2 / m + Cp))^1.5 (Newmark's
    # predicted approach less the impactor's and the plate's give under F).
    props = np.array([1e30, 0.3, E2, NU2, 0.1, MASS, R, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0])
    svars = np.zeros(20)
    svars[13], svars[19] = 2e-9, 1.0  # plate compliance, impactor 1
    cprops = np.zeros(20)
    cprops[3:10] = [1e-4, 1.0, 0.0, MASS, 0.0, 0.25, 0.5]  # u, v, a, m, Newmark alpha, beta, gamma
    cprops[16] = R
    dt, z = 1e-5, np.zeros
    out = t.uel_impact(svars, z(8), 1, props, np.array([[0.0, 0.0], [0.0, 0.0], [0.0, -1.0]]), z(6), z((6, 1)),
                       z(6), z(6), 1, np.array([0.0, 0.0]), dt, 2, 3, 1, np.array([0.0, 0.25, 0.5]), 0,
                       z(1, np.int32), z(1), z((2, 1, 2)), np.array([11, 1, 1, 0, 0], np.int32), z(1), 1.0,
                       np.array([1, 0, 0], np.int32), 1.0, cprops)
    force = out[5][0]
    cc = 0.25 * dt * dt / MASS + 2e-9
    expected = brentq(lambda f: KHERTZ * max(1.1e-4 - f * cc, 0.0) ** 1.5 - f, 0.0, 1.1e-4 / cc, xtol=1e-12)
    assert errstat() == 0
    assert force == pytest.approx(expected, rel=1e-9)
    assert out[2][16] == force  # the largest stored force
    assert out[5][2] == pytest.approx((9 * force ** 2 * (1 - NU2 ** 2) ** 2 / (16 * R * E2 ** 2)) ** (1 / 3), rel=1e-12)


def test_explicit_impactor_force_is_hertz_at_the_recorded_approach():
    # A block of two elements in the impact step; the approach 0.1 mm of the record against a
    # plate that has not moved gives Hertz's force k a^1.5 and contact radius sqrt(R a).
    props = np.array([1e30, 0.3, E2, NU2, 0.1, MASS, R, 0.0, 0.0, 0.0, 0.0, 1e-3, 0.7])
    coords = np.zeros((2, 2, 3))
    coords[:, 1, 2] = -1.0
    u = np.zeros((2, 6))
    u[1, 5] = -2e-5
    cprops = np.zeros(20)
    cprops[3], cprops[4], cprops[6] = 1e-4, 1.0, MASS
    z = np.zeros
    out = t.vuel_impact(18, props, np.array([1, 0, 0, 1], np.int32), coords, u, z((2, 6)), z((2, 6)), z((2, 6)), 1,
                        np.array([1, 2], np.int32), np.array([0.0, 0.0]), 1.0, 1e-7, 1e-7, 2, 3,
                        np.array([17, 1, 2], np.int32), np.ones(2), z((2, 2, 1)), 0, z(2), cprops)
    cp = out[5]
    assert errstat() == 0
    assert cp[0] == pytest.approx(KHERTZ * 1e-4 ** 1.5, rel=1e-12)
    assert cp[1] == pytest.approx(math.sqrt(R * 1e-4), rel=1e-12)
    assert out[3][1, 14] == 2e-5  # the second element's elongation


def test_sensor_point_in_an_impact_takes_the_contact_record_and_hands_on_its_properties():
    # A sensor point of the impact step: its state is the impactor's motion and contact, its two
    # properties go to the sensor record (the tracking flag 1 turns to -1), and its stress is
    # Hooke's with E = 1e-20 and nu = 0.49.
    cprops = np.arange(1.0, 21.0)
    dprops = np.zeros(12)
    dprops[0] = 1.0
    dstran = np.array([1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4])
    z = np.zeros
    stress, statev, ddsdde, sse, spd, scd, pnewdt, dprops = t.umat_sensor(
        z(6), z(6), 0.0, 0.0, 0.0, 0.0, z(6), z(6), 0.0, z(6), dstran, np.array([0.0, 0.0]), 1e-5, 20.0, 0.0,
        z(1), z(1), "SENSOR", 3, 3, np.array([4.0, 5.0]), z(3), np.eye(3), 1.0, 1.0, np.eye(3), np.eye(3),
        1, 1, 1, 1, 3, 3, cprops, dprops)
    e, nu = 1e-20, 0.49
    lam, mu = e * nu / ((1 + nu) * (1 - 2 * nu)), e / (2 * (1 + nu))
    expected = np.concatenate([lam * dstran[:3].sum() + 2 * mu * dstran[:3], mu * dstran[3:]])
    assert errstat() == 0
    np.testing.assert_allclose(stress, expected, rtol=1e-12)
    assert statev.tolist() == [4.0, 5.0, 6.0, 1.0, 2.0, 3.0]
    assert dprops[[0, 7, 8]].tolist() == [-1.0, 4.0, 5.0]
    assert sse == pytest.approx(0.5 * expected @ dstran, rel=1e-12, abs=0) and pnewdt == 1.0


def _braked_impactor(scheme):
    """impactdata cprops of one impactor of 2.5 kg at u = 1 mm and 3 m/s under a steady contact
    force of 40 N, with the given scheme entries 8-10 (alpha, beta, gamma)."""
    cp = np.zeros((20, 1), order="F")
    force, a = 40.0, G - 40.0 / 2.5
    cp[[0, 3, 4, 5, 6, 10], 0] = [force, 1e-3, 3.0, a, 2.5, force]
    cp[7:10, 0] = scheme
    return cp, a


def test_increment_end_moves_a_steadily_braked_impactor_exactly():
    # Under a constant force the acceleration is constant, and the average-acceleration Newmark
    # scheme (with the force weighted as Hilber, Hughes and Taylor do) is exact:
    # u + v dt + a dt^2 / 2 and v + a dt.
    cp, a = _braked_impactor([-0.05, 0.25, 0.5])
    m.impactdata.cprops = cp
    dt = 2e-4
    t.uexternaldb_iocontrol(2, 0, np.array([0.0, 0.0]), dt, 2, 3)
    cp = m.impactdata.cprops
    assert errstat() == 0
    assert cp[5, 0] == pytest.approx(a, rel=1e-14)
    assert cp[4, 0] == pytest.approx(3.0 + a * dt, rel=1e-14)
    assert cp[3, 0] == pytest.approx(1e-3 + 3.0 * dt + 0.5 * a * dt * dt, rel=1e-14)
    assert cp[13, 0] == 40.0  # the largest force of the impact


def test_explicit_increment_end_moves_the_impactor_by_central_differences_exactly():
    # Central differences keep the mid-increment velocity (entry 19) and the last increment
    # (entry 20); under a constant acceleration both the velocity at the middle of the new
    # increment and the displacement are exact.
    cp, a = _braked_impactor([-1.0, -1.0, -1.0])
    dt_prev, dt = 1e-4, 3e-4
    cp[18, 0], cp[19, 0] = 3.0 - 0.5 * dt_prev * a, dt_prev  # v(t - dt_prev / 2)
    m.impactdata.cprops = cp
    t.vexternaldb_iocontrol(4, np.array([0, 0, 2, 3], np.int32), np.array([0.0, 0.0, dt]))
    cp = m.impactdata.cprops
    assert errstat() == 0
    assert cp[18, 0] == pytest.approx(3.0 + 0.5 * dt * a, rel=1e-14)
    assert cp[3, 0] == pytest.approx(1e-3 + 3.0 * dt + 0.5 * a * dt * dt, rel=1e-12)
    assert cp[19, 0] == dt


# A target curved to five times the impactor's radius: Hertz's contact of the relative radius
# 1/R = 1/R1 + 1/R2 (Johnson, Contact Mechanics, sec. 4.2), the radius the force law takes.
R2 = 5 * R
RREL = 1 / (1 / R + 1 / R2)
ESTAR = E2 / (1 - NU2 ** 2)


def test_curved_target_contact_radius_and_depth_are_those_of_the_hertz_force():
    # Explicit element at the approach 0.1 mm: F = 4/3 E* sqrt(R) alpha^1.5, the contact radius
    # sqrt(R alpha) and the depth alpha itself; the load routine spreads the force as Hertz's
    # pressure over that radius, 3 F / (2 pi a^2) at the impact point.
    props = np.array([1e30, 0.3, E2, NU2, 0.1, MASS, R, 0.0, 1 / R2, 0.0, 0.0, 1e-3, 0.7])
    coords = np.zeros((1, 2, 3))
    coords[:, 1, 2] = -1.0
    cprops = np.zeros(20)
    cprops[3], cprops[4], cprops[6] = 1e-4, 1.0, MASS
    z = np.zeros
    out = t.vuel_impact(18, props, np.array([1, 0, 0, 1], np.int32), coords, z((1, 6)), z((1, 6)), z((1, 6)),
                        z((1, 6)), 1, np.array([1], np.int32), np.array([0.0, 0.0]), 1.0, 1e-7, 1e-7, 2, 3,
                        np.array([17, 1, 2], np.int32), np.ones(1), z((1, 2, 1)), 0, z(1), cprops)
    cp = out[5]
    assert errstat() == 0
    force, a = 4 / 3 * ESTAR * math.sqrt(RREL) * 1e-4 ** 1.5, math.sqrt(RREL * 1e-4)
    assert cp[0] == pytest.approx(force, rel=1e-12)
    assert cp[1] == pytest.approx(a, rel=1e-12)
    assert cp[2] == pytest.approx(1e-4, rel=1e-12)
    dprops = np.zeros((12, 1))
    dprops[0, 0] = 5.0  # Hertzian pressure within the contact radius
    peak = m.sldcollection.dsload(np.zeros(3), 2, [0.0, 0.0, 0.0], np.eye(3), cp.reshape(20, 1), dprops,
                                  elemid=1)[0]
    assert peak == pytest.approx(3 * force / (2 * math.pi * a * a), rel=1e-12)

    # Implicit element: the force that balances the predicted approach, and the radius and depth
    # of the same contact, a^2 = R alpha and F = 4/3 E* sqrt(R) alpha^1.5.
    props[11] = 0.0
    svars = np.zeros(20)
    svars[13], svars[19] = 2e-9, 1.0
    cprops = np.zeros(20)
    cprops[3:10] = [1e-4, 1.0, 0.0, MASS, 0.0, 0.25, 0.5]
    cprops[16] = R
    dt = 1e-5
    out = t.uel_impact(svars, z(8), 1, props, np.array([[0.0, 0.0], [0.0, 0.0], [0.0, -1.0]]), z(6), z((6, 1)),
                       z(6), z(6), 1, np.array([0.0, 0.0]), dt, 2, 3, 1, np.array([0.0, 0.25, 0.5]), 0,
                       z(1, np.int32), z(1), z((2, 1, 2)), np.array([11, 1, 1, 0, 0], np.int32), z(1), 1.0,
                       np.array([1, 0, 0], np.int32), 1.0, cprops)
    force, a, depth = out[5][:3]
    assert errstat() == 0 and force > 0
    assert depth == pytest.approx((3 * force / (4 * ESTAR * math.sqrt(RREL))) ** (2 / 3), rel=1e-12)
    assert a == pytest.approx(math.sqrt(RREL * depth), rel=1e-12)


def test_curved_target_unit_force_probe_spreads_over_the_hertz_contact_radius():
    # The structural-response step probes the plate with a unit force spread over its Hertz
    # contact radius (3 F R / (4 E*))^(1/3), R the relative radius of impactor and target.
    m.jobdata.stepid = np.array([0, 2], dtype=np.int32)
    props = np.array([1e30, 0.3, E2, NU2, 0.1, MASS, R, 0.0, 1 / R2, 0.0, 0.0, 0.0, 0.0])
    z = np.zeros
    out = t.uel_impact(z(20), z(8), 1, props, np.array([[0.0, 0.0], [0.0, 0.0], [0.0, -1.0]]), z(6), z((6, 1)),
                       z(6), z(6), 1, np.array([0.0, 0.0]), 1e-5, 2, 1, 1, np.array([0.0, 0.25, 0.5]), 0,
                       z(1, np.int32), z(1), z((2, 1, 2)), np.array([11, 1, 1, 0, 0], np.int32), z(1), 1.0,
                       np.array([1, 0, 0], np.int32), 1.0, z(20))
    assert errstat() == 0
    assert out[5][:2] == pytest.approx([1.0, (3 * RREL / (4 * ESTAR)) ** (1 / 3)], rel=1e-12)
