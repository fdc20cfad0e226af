"""Impactor loads and tabulated amplitudes: the load-shape words of the set name, the pressure
profiles against their resultant force, the nearest-element tracking of dsload, the edge load's
impactor matching, and the amplitude branches."""
import math
import os
import subprocess
import sys

import numpy as np
import pytest

import _tolvek as t

sl, eh = t.sldcollection, t.errorhandling


def name(text):
    return text.ljust(80).encode()


@pytest.fixture
def record():
    eh.rsxerr(1)
    def read():
        names = "".join(chr(c) for c in np.asarray(eh.errasciim)[:, 0]).strip() if eh.errasciim is not None else ""
        return int(eh.errstat), bytes(eh.errstring).rstrip().decode(), names
    yield read
    eh.rsxerr(1)


def test_concentrated_load_words(record):
    assert sl.cload(0.0, 1.0, name("IMP1_POINT_SYMX")) == (pytest.approx(2.0e6), 1.0)
    assert sl.cload(1.0, -3.0, name("X"))[0] == 0.0
    assert sl.cload(-1.0, -3.0, name("X"))[0] == pytest.approx(-1.2e7)
    assert sl.cload(-1.0, 1.0, name("SYMX SYM4"))[0] == pytest.approx(0.125 * 4e6)
    assert sl.cload(0.0, 1.0, name("COSINE")) == (0.0, 8.0)
    assert sl.cload(0.0, 1.0, name("EDGE_POINT_SINE")) == (0.0, 9.0)
    assert record()[0] == 0
    assert sl.cload(0.0, 1.0, name("NOTHING")) == (0.0, 0.0)
    assert record() == (-2, "Warning: No valid load state detected in %S", "LDFLAG")


@pytest.mark.parametrize("profile", ["parabolic", "pyramidal", "uniform", "hertzian"])
def test_profiles_carry_the_impactor_force(profile):
    f, a, b = 7.0, 0.8, 0.5
    n = 801
    r = np.linspace(-a, a, n)
    s = np.linspace(-b, b, n)
    fun = {
        "parabolic": lambda x, y: sl.parabolicsurfaceload(f, x, y, 0, 0, a, b),
        "pyramidal": lambda x, y: sl.pyramidalsurfaceload(f, x, y, 0, 0, a, b),
        "uniform": lambda x, y: sl.uniformsurfaceload(f, a, b),
        "hertzian": lambda x, y: sl.hertziansurfaceload(f, x, y, 0, 0, a, b),
    }[profile]
    p = np.array([[fun(x, y) for y in s[::8]] for x in r[::8]])
    total = np.trapz(np.trapz(p, s[::8], axis=1), r[::8])
    # The parabolic profile as written is not normalised to its window: pin its own total.
    expected = {"parabolic": f * (3 / (8 * a * b)) * (4 * a * b - 4 * b * a ** 3 / (3 * (a * a + a * b))
                                                       - 4 * a * b ** 3 / (3 * (b * b + a * b)))}.get(profile, f)
    assert total == pytest.approx(expected, rel=2e-3)
    assert sl.hertziansurfaceload(f, 2 * a, 0, 0, 0, a, b) == 0.0  # outside the contact: no pressure


def test_cosine_profile_as_written_applies_no_net_force():
    a, b = 1.0, 2.0
    x = np.linspace(-a, a, 201)
    y = np.linspace(-b, b, 201)
    p = np.array([[sl.cosinesurfaceload(1.0, u, v, 0, 0, a, b) for v in y] for u in x])
    assert abs(np.trapz(np.trapz(p, y, axis=1), x)) < 1e-3
    assert sl.uniformsurfaceload(8, 1, 2) == 1.0
    assert sl.hertziansurfaceload(2.0, 0, 0, 0, 0, 1, 1) == pytest.approx(3 / math.pi)


def test_dsload_tracks_the_nearest_element_and_loads_in_impact_steps(record):
    t.jobdata.stepid = np.array([0, 3], dtype=np.int32)
    dircos = np.eye(3)
    cprops = np.zeros((20, 1))
    cprops[0, 0], cprops[1, 0] = 100.0, 0.01
    dprops = np.zeros((12, 1))
    dprops[0, 0] = 2.0  # uniform
    alpha, tu, dprops = sl.dsload(np.zeros(3), 1, [0.003, 0.004, 0], dircos, cprops, dprops, elemid=7)
    assert alpha == 0.0 and tu.tolist() == [0, 0, -1] and dprops[4, 0] == 7 and dprops[5, 0] == pytest.approx(0.005)
    alpha, _, dprops = sl.dsload(np.zeros(3), 1, [0.001, 0.001, 0], dircos, cprops, dprops, elemid=8)
    assert dprops[4, 0] == 8 and dprops[5, 0] == pytest.approx(math.sqrt(2) * 0.001)
    alpha, _, dprops = sl.dsload(np.zeros(3), 1, [-0.002, -0.002, 0], dircos, cprops, dprops, elemid=8)
    assert dprops[9:11, 0] == pytest.approx([0.002, 0.002])  # the far side of the nearest element
    # Impact step: the point becomes the nearest one (0.0005 from the impact point along each axis),
    # then the uniform pressure spreads over the window 0.0005 + 0.002 on each side.
    alpha, _, _ = sl.dsload(np.zeros(3), 2, [0.0005, 0.0005, 0], dircos, cprops, dprops.copy(), elemid=8)
    assert alpha == pytest.approx(100 / (4 * 0.0025 * 0.0025))
    t.elementdata.elemlist = np.array([8], dtype=np.int32)
    t.elementdata.elemkind = np.array([10], dtype=np.int32)
    assert sl.dsload(np.zeros(3), 2, [0.0005, 0.0005, 0], dircos, cprops, dprops.copy(), elemid=8)[0] == -alpha
    t.elementdata.elemlist = t.elementdata.elemkind = None
    assert record()[0] == 0
    alpha, _, _ = sl.dsload(np.zeros(3), 5, [0.0005, 0.0, 0], dircos, cprops, dprops.copy(), elemid=8)
    assert alpha == 0.0 and record()[0] == -2  # a step the step table does not know: kind 1
    t.jobdata.stepid = None


def test_edge_load_matches_whole_impactor_numbers():
    cprops = np.zeros((20, 12))
    cprops[0, :] = np.arange(1.0, 13.0)
    cprops[17, :] = 0.5  # edge length 1
    args = lambda s: (np.zeros(3), 1, 1, [0.0, 0.0], 1, 1, np.zeros(3), np.eye(3), 0, name(s), cprops, np.zeros((12, 12)))
    assert sl.deload(*args("IMP1_IMP2_SYMX"))[0] == pytest.approx(0.5 * (1 + 2))
    assert sl.deload(*args("IMP12"))[0] == pytest.approx(12.0)
    assert sl.deload(*args("IMP3_SYM2"))[0] == pytest.approx(1.5)
    assert sl.deload(*args("IMP3"))[1].tolist() == [0, 0, -1]


def test_edge_load_sym4_names_no_impactor_and_keeps_the_sum():
    # twelve impactors with forces 1..12 on edges of length 1: the 4 of SYM4 is part of the
    # symmetry word, not impactor 4, and SYM4 scales no edge load (the edge sum is halved only by
    # SYMX, SYMY or SYM2)
    cprops = np.zeros((20, 12))
    cprops[0, :] = np.arange(1.0, 13.0)
    cprops[17, :] = 0.5
    args = lambda s, n=12: (np.zeros(3), 1, 1, [0.0, 0.0], 1, 1, np.zeros(3), np.eye(3), 0, name(s), cprops[:, :n],
                            np.zeros((12, n)))
    for n in (4, 5, 12):
        assert sl.deload(*args("EDGE_SYM4", n))[0] == 0.0
        assert sl.deload(*args("IMP1_SYM4", n))[0] == pytest.approx(1.0)
        assert sl.deload(*args("IMP4_SYM4", n))[0] == pytest.approx(4.0)
        assert sl.deload(*args("IMP2_IMP3_SYM4_SYMX", n))[0] == pytest.approx(0.5 * (2 + 3))
    # SYM44 is no symmetry word: its digits name impactor 44 (none here)
    assert sl.deload(*args("SYM44"))[0] == 0.0
    assert sl.deload(*args("IMP7SYM4"))[0] == pytest.approx(7.0)


def test_edge_load_without_an_edge_adds_nothing_and_warns_in_contact(record):
    # impactor 1 on an edge of length 1 with force 3; impactor 2 with force 5 and the edge below
    cprops = np.zeros((20, 2))
    cprops[0, :] = [3.0, 5.0]
    cprops[17, 0] = 0.5
    args = lambda: (np.zeros(3), 1, 1, [0.0, 0.0], 1, 1, np.zeros(3), np.eye(3), 0, name("IMP1_IMP2"), cprops,
                    np.zeros((12, 2)))
    for half_edge in (0.0, -0.5, math.nan):
        cprops[17, 1] = half_edge
        eh.rsxerr(1)
        alpha = sl.deload(*args())[0]
        assert alpha == 3.0 and record()[:2] == (-2, "deload: impactor in contact without an edge length; no edge load")
    cprops[17, 1] = 1e-310  # a positive edge over which the force overflows
    eh.rsxerr(1)
    assert sl.deload(*args())[0] == 3.0 and record()[:2] == (-2, "deload: impactor edge load not finite; no edge load")
    # out of contact: nothing added and nothing reported, whatever the edge
    cprops[0, 1] = 0.0
    for half_edge in (0.0, math.nan, 1e-310):
        cprops[17, 1] = half_edge
        eh.rsxerr(1)
        assert sl.deload(*args())[0] == 3.0 and record()[0] == 0
    # a tiny but usable edge still loads: force over the smallest normal edge length
    cprops[0, 1], cprops[17, 1] = 1e-300, 0.5 * np.finfo(float).tiny
    eh.rsxerr(1)
    assert sl.deload(*args())[0] == 3.0 + 1e-300 / np.finfo(float).tiny and record()[0] == 0


def test_amplitudes(record):
    assert sl.camplitude([0, 1, 2, 0, 10, 20], 1.5) == pytest.approx(15)
    assert sl.camplitude([0, 1, 2, 0, 10, 20], 3.0) == pytest.approx(30)  # not clamped
    table = [0, 1, 2, 1, 0, 0, 10, 20, 5, 0]
    amp, passed = sl.chysteresis(0.0, table, 1.5)
    assert amp == pytest.approx(15) and passed == 1.5
    amp, passed = sl.chysteresis(passed, table, 1.0)
    assert amp == pytest.approx(5) and passed == np.finfo(float).max
    assert sl.chysteresis(passed, table, 3.0)[0] == pytest.approx(20)
    assert sl.chysteresis(0.7, table, 1.0, skip=1) == (0.0, 0.7)
    assert sl.camplitude([0, 1, 2, 0, 10], 1.0) == 0.0
    assert record()[1:] == ("Warning: Mismatch between x- and y-values in %S", "TVK_AMPL")
    eh.rsxerr(1)
    assert sl.camplitude([2.0, 7.0], 1.0) == 7.0  # one row: its value, never the interpolation's exit
    assert record()[0] == -2


# ---- CAMPLITUDE / CHYSTERESIS: tables and abscissas the interpolation cannot take ----------------

INF, NAN, BIG = math.inf, math.nan, 1e308


@pytest.mark.parametrize("table, x", [
    ([0, 1, 1, 2, 0, 1, 2, 3], 0.5),         # a step: abscissas that do not rise strictly
    ([0, 0, 0, 0, 0, 0], 0.0),               # all zero
    ([0, INF, 0, 1], 0.5),                   # an infinite abscissa
    ([-BIG, BIG, 0, 1], 0.5),                # a gap that overflows
    ([0, 1, 2, 0, NAN, 1], 1.5),             # an ordinate that is not a number
    ([0, 1, 2, 3, 4, 0, 10, 20, NAN, 40], 0.5),  # NaN two rows away from the interval asked for
    ([-BIG, 1, 2, 0, 10, 20], 1.5),          # finite, but the cubic overflows
    ([0, 1, 2, 0, 10, 20], NAN),
    ([0, 1, 2, 0, 10, 20], INF),             # extended without clamping: no finite value
])
def test_camplitude_refuses_what_it_cannot_interpolate(record, table, x):
    absc = table[:len(table) // 2]
    if all(b > a for a, b in zip(absc, absc[1:])):
        assert sl.camplitude(table, x) == 0.0
        status, text, names = record()
    else:
        # Abscissas that do not rise would end the process in the interpolation's fatal path if
        # they got through: asked in a child process, so that such a fault fails this case only.
        status, text, names = camplitude_in_child(table, x)
    assert status == -3 and text.startswith("CAMPLITUDE: ") and names == "TVK_AMPL"


def camplitude_in_child(table, x):
    code = (f"from math import inf, nan\nimport numpy as np\nimport _tolvek as t\n"
            f"eh = t.errorhandling\neh.rsxerr(1)\nassert t.sldcollection.camplitude({table!r}, {x!r}) == 0.0\n"
            f"names = ''.join(chr(c) for c in np.asarray(eh.errasciim)[:, 0]).strip()\n"
            f"print(int(eh.errstat), bytes(eh.errstring).rstrip().decode(), names, sep='\\n')\n")
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=env, timeout=120)
    assert done.returncode == 0, done.stdout + done.stderr
    status, text, names = done.stdout.splitlines()
    return int(status), text, names


def test_camplitude_serves_valid_tables_unchanged(record):
    # What stays served: extrapolation by the end pieces, tables far out on the axis, two rows
    # spanning most of the double range, one row (its value, with the short-table warning).
    assert sl.camplitude([0, 1, 2, 0, 10, 20], -4.0) == -40.0
    assert sl.camplitude([1e300, 2e300, 3e300, 0, 10, 20], 2.5e300) == pytest.approx(15)
    assert sl.camplitude([-BIG, 1, 0, 10], 0.5) == 10.0
    assert record()[0] == 0
    assert sl.camplitude([2.0, 7.0], NAN) == 7.0 and record()[0] == -2


def test_chysteresis_refuses_what_it_cannot_interpolate_and_keeps_passed(record):
    table = [0, 1, 2, 1, 0, 0, 10, 20, 5, 0]
    assert sl.chysteresis(0.5, table, NAN) == (0.0, 0.5)
    assert record()[:2] == (-3, "CHYSTERESIS: abscissa not a number; amplitude 0")
    eh.rsxerr(1)
    assert sl.chysteresis(0.5, [0, INF, 0, 1], 0.7) == (0.0, 0.5)
    assert record()[0] == -3 and record()[2] == "TVK_HYST"
    eh.rsxerr(1)
    # A fault in the unloading branch refuses the call that turns back, not those that load.
    bad = [0, 1, 2, 1, 0, 0, 10, 20, NAN, 0]
    assert sl.chysteresis(0.0, bad, 1.5) == (pytest.approx(15), 1.5)
    assert record()[0] == 0
    assert sl.chysteresis(1.5, bad, 1.0) == (0.0, 1.5)
    assert record()[0] == -3
    eh.rsxerr(1)
    assert sl.chysteresis(-BIG, [-BIG, 1, 2, 0, 10, 20], 1.5) == (0.0, -BIG)
    assert record()[1] == "CHYSTERESIS: interpolated amplitude not finite; amplitude 0"
    eh.rsxerr(1)
    # An infinite abscissa (a one-row table too, where it would be carried in passed) and a branch
    # state that is not a number are refused, passed as it came; the start marker -inf, a start
    # below the table and the turned-back marker are served.
    for passed, tab, x in ((0.0, table, INF), (0.5, table, -INF), (0.5, [2.0, 7.0], INF), (NAN, table, 1.5)):
        eh.rsxerr(1)
        amp, kept = sl.chysteresis(passed, tab, x)
        assert amp == 0.0 and (kept == passed or math.isnan(passed) and math.isnan(kept))
        assert record()[0] == -3 and record()[2] == "TVK_HYST"
    eh.rsxerr(1)
    assert sl.chysteresis(-INF, table, 1.5) == (pytest.approx(15), 1.5)
    assert sl.chysteresis(-INF, table, -1.0) == (0.0, -1.0)
    assert sl.chysteresis(np.finfo(float).max, table, 1.0) == (pytest.approx(5), np.finfo(float).max)
    assert record()[0] == 0


def test_one_row_table_or_branch_with_a_non_finite_ordinate_is_refused(record):
    for y in (NAN, INF, -INF):
        assert sl.camplitude([2.0, y], 1.0) == 0.0
        assert record() == (-3, "CAMPLITUDE: table row not finite or abscissa not rising; amplitude 0", "TVK_AMPL")
        eh.rsxerr(1)
        # one row, and a branch cut to one row by an abscissa that does not rise: passed as it came
        for table in ([2.0, y], [2.0, 2.0, y, 1.0]):
            assert sl.chysteresis(0.5, table, 1.0) == (0.0, 0.5)
            assert record()[0] == -3 and record()[2] == "TVK_HYST"
            eh.rsxerr(1)
    # a finite ordinate is still served, whatever its abscissa
    assert sl.camplitude([INF, 7.0], 1.0) == 7.0 and record()[0] == -2
    eh.rsxerr(1)
    assert sl.chysteresis(0.5, [2.0, 2.0, 7.0, 1.0], 1.0) == (7.0, 1.0) and record()[0] == -2


def test_load_hooks_with_non_finite_direction_cosines_apply_nothing(record):
    t.jobdata.stepid = np.array([0, 3], dtype=np.int32)
    cprops = np.zeros((20, 1))
    cprops[0, 0], cprops[1, 0], cprops[17, 0] = 100.0, 0.01, 0.5
    dprops = np.zeros((12, 1))
    dprops[:, 0] = [2, 0, 0, 0, 8, 0.004, 0.004, 0.002, 0.002, 0.002, 0.002, 0]
    try:
        for bad in (NAN, INF):
            for col in range(3):
                dircos = np.eye(3)
                dircos[1, col] = bad
                for kstep in (1, 2):  # tracking only, tracking and loading
                    alpha, tu, dp = sl.dsload(np.full(3, 9.0), kstep, [0.001, 0.001, 0], dircos, cprops,
                                              dprops.copy(), elemid=8)
                    assert alpha == 0.0 and tu.tolist() == [0, 0, 0] and np.array_equal(dp, dprops)
                    assert record()[:2] == (-2, "dsload: direction cosines not finite; no load")
                    eh.rsxerr(1)
    finally:
        t.jobdata.stepid = None
    # deload reads only the normal, the third column
    args = lambda d: (np.full(3, 9.0), 1, 1, [0.0, 0.0], 1, 1, np.zeros(3), d, 0, name("IMP1"), cprops,
                      np.zeros((12, 1)))
    dircos = np.eye(3)
    dircos[2, 2] = NAN
    alpha, tu, _ = sl.deload(*args(dircos))
    assert alpha == 0.0 and tu.tolist() == [0, 0, 0]
    assert record()[:2] == (-2, "deload: direction cosines not finite; no load")
    eh.rsxerr(1)
    dircos = np.eye(3)
    dircos[0, 0] = INF
    alpha, tu, _ = sl.deload(*args(dircos))
    assert alpha == 100.0 and tu.tolist() == [0, 0, -1] and record()[0] == 0


def test_dsload_tracking_and_load_survive_calls_it_cannot_use(record):
    # Tracking in the initial step, then the impact step's uniform load at the nearest point; in
    # between, in the nearest element, a coordinate that is not finite and forces that are not
    # finite or overflow (at a point nearer than any tracked: each would change the load if it
    # tracked). They report, load nothing and keep dprops, so the history ends as the clean one.
    t.jobdata.stepid = np.array([0, 3], dtype=np.int32)
    cprops = np.zeros((20, 4))
    cprops[0], cprops[1] = [100.0, 1e308, INF, NAN], 0.01
    track = [(1, [0.003, 0.004, 0], 7, 0), (1, [0.001, 0.001, 0], 8, 0), (1, [-0.002, -0.002, 0], 8, 0)]
    bad = [(1, [NAN, 0.001, 0], 8, 0), (2, [0.0005, INF, 0], 8, 0)]
    bad += [(2, [0.0002, 0.0002, 0], 8, k) for k in (1, 2, 3)]
    load = (2, [0.0005, 0.0005, 0], 8, 0)

    def run(calls):
        dp = np.zeros((12, 1))
        dp[0, 0] = 2.0  # uniform
        for kstep, xyz, el, k in calls:
            alpha, _, out = sl.dsload(np.zeros(3), kstep, xyz, np.eye(3), cprops[:, k:k + 1], dp.copy(), elemid=el)
            if (kstep, xyz, el, k) in bad:
                assert alpha == 0.0 and np.array_equal(out, dp) and record()[0] == -2
                eh.rsxerr(1)
            dp = out
        return alpha, dp.tobytes()

    try:
        clean, dirty = run(track + [load]), run(track[:2] + bad + track[2:] + [load])
    finally:
        t.jobdata.stepid = None
    assert clean[0] == pytest.approx(100 / (4 * 0.0025 * 0.0025)) and dirty == clean  # window 0.0005 + 0.002


def test_load_hooks_still_serve_unusual_but_usable_input(record):
    t.jobdata.stepid = np.array([0, 3], dtype=np.int32)
    cprops = np.zeros((20, 1))
    cprops[0, 0] = 100.0
    dprops = np.array([[2, 0, 0, 0, 8, 0.004, 0.004, 0.002, 0.002, 0.002, 0.002, 0]]).T
    try:
        # Direction cosines 2 I: load direction -2 e3; the point becomes the nearest (global
        # distances 0.001), window 0.001 + 0.002 on each side. Far but finite coordinates track.
        alpha, tu, _ = sl.dsload(np.zeros(3), 2, [0.001, 0.001, 0], 2 * np.eye(3), cprops, dprops.copy(), elemid=8)
        assert alpha == pytest.approx(100 / (4 * 0.003 * 0.003)) and tu.tolist() == [0, 0, -2]
        _, _, dp = sl.dsload(np.zeros(3), 1, [1e300, 1e300, 0], np.eye(3), cprops, np.zeros((12, 1)), elemid=8)
        assert dp[5, 0] == dp[6, 0] == math.hypot(1e300, 1e300)
    finally:
        t.jobdata.stepid = None
    assert sl.cload(1.0, NAN, name("X")) == (0.0, 1.0) and sl.cload(1.0, -INF, name("X")) == (0.0, 1.0)
    assert record()[0] == 0
