"""The Shokrieh fatigue model from Python refuses what it cannot compute: property sets at a
temperature that is not finite or with a zero modulus, material-point increments whose strain or
temperature is not finite (the state comes back as it went in), and cycle jumps the counter
cannot take."""
import math

import numpy as np
import pytest

import _tolvek
from error_record import errstat, errtext  # noqa: F401
from error_record import clean_record  # noqa: F401
from test_fatigue import Point, props_std, NAMES, e11, cyclecount, cycles_table, fatigue_plan  # noqa: F401

f = _tolvek.fatigue


def test_property_sets_that_would_not_be_finite_are_refused_as_zero():
    props = props_std()
    assert np.all(np.isfinite(np.concatenate([np.ravel(v) for v in f.getshokriehproperties(props, 300.0)])))
    assert errstat() == 0
    zero_e11 = props.copy()
    zero_e11[[0, 74]] = 0.0
    for p, temp in ((props, np.nan), (props, np.inf), (zero_e11, 300.0)):
        sets = dict(zip(NAMES, f.getshokriehproperties(p, temp)))
        assert errstat() == -3, temp
        for name, v in sets.items():
            assert np.all(np.asarray(v) == 0.0), name
        _tolvek.errorhandling.rsxerr(1)


def test_increment_whose_strain_or_temperature_is_not_finite_leaves_the_point():
    p = Point(temp=240.0)
    p.call(e11(1e-3))
    statev, backup, stress = p.statev.copy(), p.backup.copy(), p.stress.copy()
    for dstran, dtemp in ((e11(np.nan), 0.0), (e11(np.inf), 0.0), (e11(1e-4), np.nan)):
        s = p.call(dstran, dtemp=dtemp, advance=False)
        assert errstat() == -3
        assert "not finite" in errtext()
        np.testing.assert_array_equal(p.statev, statev)
        np.testing.assert_array_equal(p.backup, backup)
        np.testing.assert_array_equal(s, stress)
        assert np.all(p.ddsdde == 0.0)
        assert p.statev[44] == 0.0  # no fibre flag from an infinite strain
        _tolvek.errorhandling.rsxerr(1)
        p.statev, p.backup, p.stress = statev.copy(), backup.copy(), stress.copy()


TWO53 = 2.0 ** 53


def refused(result, n, what):
    assert result == (0.0, n), what
    assert errstat() == -2 and "cycle jump refused" in errtext(), what
    _tolvek.errorhandling.rsxerr(1)


class TestCycleCount:
    """A jump of NaN, 1e308 or -100 gave a counter of NaN, inf or -95 with an empty record."""

    def test_fixed_jump_not_a_number_past_2_53_or_negative_is_refused(self):
        for jump in (math.nan, math.inf, 1e308, TWO53, -100.0, -math.inf):
            refused(cyclecount(5.0, jmin=jump, algo=1), 5.0, jump)
        refused(cyclecount(math.nan, jmin=5.0, algo=1), pytest.approx(math.nan, nan_ok=True), "counter NaN")

    def test_fixed_jump_up_to_2_53_and_fractional_jumps_are_taken(self):
        assert cyclecount(1.0, jmin=TWO53 - 1.0, algo=1) == (TWO53 - 1.0, TWO53)
        assert cyclecount(1.0, jmin=0.5, algo=1) == (0.5, 1.5)
        assert cyclecount(7.0, jmin=0.0, algo=1) == (0.0, 7.0)
        assert errstat() == 0

    def test_ramp_past_2_53_is_refused(self):
        # A ramp to 1e300 cycles over one period, and one whose exponential overflows.
        for time in (1.0, 1.5):
            refused(cyclecount(4.0, maxcycle=1e300, time=time, time_calc=2.0, period=1.0, algo=2), 4.0, time)

    def test_tabulated_jump_backwards_or_not_a_number_is_refused(self, cycles_table):
        for entry in (3.0, math.nan):
            cycles_table.cycles = np.asfortranarray([[entry, 20.0]]).T
            refused(cyclecount(12.0, time=0.0, ncycles=2, algo=3), 12.0, entry)

    def test_permitted_jump_not_a_number_is_refused(self, cycles_table):
        refused(cyclecount(10.0, zul=math.nan, algo=4), 10.0, "NaN")
        cycles_table.cycles = np.asfortranarray([[5.0, 15.0]]).T
        refused(cyclecount(10.0, zul=math.nan, algo=4), 10.0, "NaN with a table")

    def test_permitted_jump_may_cut_the_counter_back_to_maxcycle(self):
        # Backwards is algorithm 4's own rule (the material routines refuse it themselves).
        assert cyclecount(50.0, zul=7.6, algo=4, maxcycle=20.0) == (-30.0, 20.0)
        assert errstat() == 0
        refused(cyclecount(50.0, zul=-3.0, algo=4), 50.0, "negative permitted jump")

    def test_negative_permitted_jump_limit_or_solver_number_is_refused(self, cycles_table):
        # They moved the counter backwards, or to a negative count, at level 0.
        refused(f.cyclecount(1., 1e6, 5., 100., 1., 1., 0., -100., 3, 0, 1, 1, 4, 1), 1.0, "rounded jump -99")
        refused(cyclecount(10.0, zul=7.6, algo=4, maxcycle=-5.0), 10.0, "negative maxcycle")
        cycles_table.cycles = np.asfortranarray([[5.0, 15.0]]).T
        refused(cyclecount(10.0, zul=-3.0, algo=4), 10.0, "negative jump with a table")
        # Still taken: a jump rounded to 0 or 1, a cut back to a limit of 0, the solver's lower count.
        assert cyclecount(10.0, zul=-1.5, algo=4) == (0.0, 10.0)
        assert cyclecount(10.0, zul=-0.5, algo=4) == (1.0, 11.0)
        assert cyclecount(10.0, zul=7.6, algo=4, maxcycle=0.0) == (-10.0, 0.0)
        cycles_table.cycles = np.asfortranarray([[0.0]])
        assert cyclecount(10.0, algo=5) == (-10.0, 0.0)
        assert errstat() == 0
        for reported in (-3.0, -math.inf):
            cycles_table.cycles = np.asfortranarray([[reported]])
            refused(cyclecount(10.0, algo=5), 10.0, reported)

    def test_bound_of_2_53_is_exact(self):
        # A sum that rounds to 2^53 passed, and the counter lost the jump or ended at 2^53.
        refused(cyclecount(TWO53, jmin=1.0, algo=1), TWO53, "2^53 + 1")
        refused(cyclecount(TWO53 - 1.0, jmin=2.0, algo=1), TWO53 - 1.0, "2^53 + 1 from below")
        refused(cyclecount(TWO53, zul=0.5, algo=4, maxcycle=1e300), TWO53, "permitted")
        assert cyclecount(TWO53 - 1.0, jmin=1.0, algo=1) == (1.0, TWO53)
        assert cyclecount(TWO53, jmin=0.0, algo=1) == (0.0, TWO53)
        refused(cyclecount(0.5, jmin=TWO53, algo=1), 0.5, "a fraction past 2^53")
        assert errstat() == 0

    def test_solver_number_moves_the_counter_even_backwards_or_when_not_a_count(self, cycles_table):
        cycles_table.cycles = np.asfortranarray([[3.0]])
        assert cyclecount(10.0, algo=5) == (-7.0, 3.0)
        assert errstat() == 0
        for reported in (math.nan, 1e300):
            cycles_table.cycles = np.asfortranarray([[reported]])
            j, n = cyclecount(10.0, algo=5)
            assert n == reported or (math.isnan(n) and math.isnan(reported))
            assert errstat() == -2 and "cycle number of the solver not usable" in errtext()
            _tolvek.errorhandling.rsxerr(1)

    def test_outside_a_fatigue_step_nothing_is_refused(self):
        assert cyclecount(math.nan, jmin=math.nan, algo=1, stepflag=0) == (1.0, 1.0)
        assert errstat() == 0


def test_point_refused_from_python_reports_the_refusal_over_its_own_earlier_warning(fatigue_plan, cycles_table):
    """A Python call of the point routine is a host call of its own: the refusal of its increment
    (a cycle number of -inf at a cycle end) replaces the warning the same call made before it (the
    solver's cycle number NaN opens no block)."""
    fatigue_plan(algorithm=5)
    cycles_table.cycles = np.asfortranarray([[np.nan]])
    p = Point(temp=240.0, idc=1)
    p.call(e11(1e-3), kinc=1)                     # the warning alone: the block is kept
    assert errstat() == -2 and "cycle number of the solver not usable" in errtext()
    _tolvek.errorhandling.rsxerr(1)
    p.statev[0] = -np.inf
    p.time[:] = 0.5
    statev, backup = p.statev.copy(), p.backup.copy()
    p.call(e11(1e-4), kinc=1)                     # ends at total time 1: a cycle end
    assert errstat() == -3 and "cycle number not finite" in errtext()
    np.testing.assert_array_equal(p.statev, statev)
    np.testing.assert_array_equal(p.backup, backup)
    assert np.all(p.ddsdde == 0.0)
