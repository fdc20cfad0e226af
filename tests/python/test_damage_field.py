"""Damage field of ply points through Python, with the model tables filled from Python as analysis
control would: the per-point evaluation and its explicit-path record, the implicit hook against the
evaluation, and the explicit block hook against point-by-point evaluations with the record built
in numpy from the solver's cyclic rows."""
import numpy as np
import pytest

import _tolvek as t
from ply_reference import larc04_band_plane_in_ply_frame, nye_compliance
from seeding import rng_seed

tl, md, sd, jd, eh, dg = t.toplevel, t.materialdata, t.sectiondata, t.jobdata, t.errorhandling, t.degradation
# Strength column xt11 xt22 xt33 xc11 xc22 xc33 x12 x13 x23 ilss and Nye vector of the ply.
STRENGTH = [2000.0, 50.0, 50.0, 1500.0, 200.0, 200.0, 80.0, 80.0, 60.0, 90.0]
ELASTIC = [140000.0, 9000.0, 9000.0, 0.3, 0.3, 0.45, 5000.0, 5000.0, 3100.0]
NPLIES = 3
EYE = np.eye(3)


@pytest.fixture
def model():
    """Three plies of one section; every column holds a second temperature block at half the values,
    which the evaluation must not read. Criteria: fibre max nominal stress, matrix Puck."""
    eh.rsxerr(1)
    jd.stepid = np.array([0, 3, 4], dtype=np.int32)
    sd.nsec, sd.nplies = 1, NPLIES
    sd.secidlist = np.array([1], dtype=np.int32)
    sd.plyorientation = np.array([[0.0], [90.0], [0.0]])
    sd.plythickness = np.full((NPLIES, 1), 0.2)
    md.psprops = np.repeat(np.array(STRENGTH + [0.5 * v for v in STRENGTH])[:, None, None], NPLIES, axis=1)
    md.peprops = np.repeat(np.array(ELASTIC + [0.5 * v for v in ELASTIC])[:, None, None], NPLIES, axis=1)
    md.pfflags = np.repeat(np.array([0, 1, 9, 0, 0], dtype=np.int32)[:, None, None], NPLIES, axis=1)
    md.peflags = np.repeat(np.array([1, 1, 2, 1, 1], dtype=np.int32)[:, None, None], NPLIES, axis=1)
    md.pelimits = np.full((12, NPLIES, 1), -1.0)
    md.pfprops = np.repeat(np.array([0.0, 0.3, 0.3, 0.9, 0.9])[:, None, None], NPLIES, axis=1)
    yield
    md.psprops = md.peprops = md.pfflags = md.peflags = md.pelimits = md.pfprops = None
    sd.secidlist = sd.plyorientation = sd.plythickness = None
    jd.stepid = None
    sd.nsec = sd.nplies = 0
    eh.rsxerr(1)


def evaluate(statev, stress=None, table=None, nfield=7, layer=1, kstep=2, noel=5):
    statev = np.array(statev, dtype=float)
    if stress is not None:
        statev[-40:-34] = stress
    args = (np.zeros(nfield), statev, EYE, EYE, 0.5, np.zeros(2), 1.0, "PLY", noel, 1, layer, 1, kstep, 3,
            np.array([1.0, 2.0, 0.0]))
    return tl.gen_damage(*args) if table is None else tl.gen_damage(*args, table=table)


def test_criteria_read_the_first_temperature_block(model):
    field, s = evaluate(np.zeros(40), stress=[1500.0, 0, 0, 0, 0, 0])
    assert s[13] == pytest.approx(1500.0 / 2000.0, rel=1e-15)  # fibre exposure, slot 14
    assert s[7] == 0.0
    field, s = evaluate(s, stress=[2100.0, 0, 0, 0, 0, 0])
    assert s[7] == 1.0 and field[1] == 1.0 and s[25] == 400.0
    field, s = evaluate(s, stress=[0.0] * 6)  # the flag stays
    assert s[7] == 1.0 and s[13] == 0.0
    assert eh.errstat == 0


def test_default_table_is_absent_and_a_record_supplies_the_stress(model):
    stress = [1900.0, 30.0, 0.0, 20.0, 5.0, 3.0]
    a = evaluate(np.zeros(40), stress=stress)
    b = evaluate(np.zeros(40), stress=stress, table=np.full(16, -1.0))
    assert np.array_equal(a[0], b[0]) and np.array_equal(a[1], b[1])
    voigt = np.array([2100.0, 10.0, 1.0, 2.0, 3.0, 4.0])
    table = np.concatenate([[20.0], voigt, np.zeros(6), [0.25, 0.5, 0.75]])
    field, s = evaluate(np.zeros(40), stress=stress, table=table)
    assert np.array_equal(s[:6], voigt[[0, 1, 2, 5, 4, 3]])  # Voigt -> Nye
    assert s[7] == 1.0
    assert s[34] == 0.25  # the record's first length in the criteria path


def test_implicit_hook_is_the_evaluation_and_keeps_pnewdt(model):
    state = np.zeros(45)
    state[:5] = [1, 2, 3, 4, 5]
    state[-40:-34] = [2100.0, 60.0, 0.0, 10.0, 0.0, 0.0]
    ref_field, ref_state = evaluate(state)
    field, statev, pnewdt = tl.usdfld_dmg(np.zeros(7), state, 0.75, EYE, EYE, 0.5, np.zeros(2), 1.0, "PLY", "ORI",
                                         5, 1, 1, 1, 2, 3, 3, 3, np.array([1.0, 2.0, 0.0]), 0, 0, 0, 0)
    assert pnewdt == 0.75
    assert np.array_equal(statev, ref_state) and np.array_equal(field, ref_field)
    assert np.array_equal(statev[:5], [1, 2, 3, 4, 5])
    assert statev[-40 + 8] == 1.0  # matrix cracked under 60 > xt22


def block_inputs(nblock, nstatev, ncomp=6, seed=1):
    rng = np.random.default_rng(rng_seed(seed))
    stress = rng.normal(scale=[1500.0, 40.0, 20.0, 40.0, 30.0, 30.0][:ncomp], size=(nblock, ncomp))
    strain = rng.normal(scale=1e-3, size=(nblock, ncomp))
    stateold = np.zeros((nblock, nstatev))
    if nstatev:
        stateold[:, 0] = np.arange(nblock) + 0.5
    coords = rng.normal(size=(nblock, 3))
    char = np.full((nblock, 3), 0.4)
    tdir = np.repeat(EYE[None], nblock, axis=0)
    return stress, strain, stateold, coords, char, tdir


def test_explicit_block_is_its_points_one_by_one(model):
    nblock, nstatev = 6, 42
    stress, strain, stateold, coords, char, tdir = block_inputs(nblock, nstatev)
    stress[0, 0] = 2 * STRENGTH[0]  # one point's fibres fail whatever the draw
    jelem = np.arange(10, 10 + nblock, dtype=np.int32)
    temp = np.linspace(20.0, 30.0, nblock)
    steptime, dt = 0.5, 0.25
    statenew, field = tl.vusdfld_dmg(3, 3, jelem, 1, 2, 1, 2, temp, steptime, 1.0, dt, "PLY", coords, tdir, tdir,
                                     char, np.zeros(1), stateold, stress, strain, np.zeros((nblock, 7)))
    cyclic_to_voigt = [0, 1, 2, 4, 5, 3]
    for k in range(nblock):
        table = np.concatenate([[temp[k]], stress[k, cyclic_to_voigt], strain[k, cyclic_to_voigt], char[k]])
        f, s = tl.gen_damage(np.zeros(7), stateold[k].copy(), tdir[k], tdir[k], char[k, 0], np.zeros(2), dt, "PLY",
                             jelem[k], 1, 2, 1, 2, 2, coords[k], table=table)
        assert np.array_equal(statenew[k], s), k
        assert np.array_equal(field[k], f), k
        # Nye order of the ply stress: cyclic (11 22 33 12 23 13) -> (11 22 33 12 13 23).
        assert np.array_equal(s[2:8], stress[k, [0, 1, 2, 3, 5, 4]])
    assert np.array_equal(statenew[:, 0], stateold[:, 0])
    assert statenew[:, 2 + 7].max() == 1.0  # some fibres failed


def test_explicit_block_with_plane_stress_rows(model):
    nblock = 3
    stress, strain, stateold, coords, char, tdir = block_inputs(nblock, 40, ncomp=4)
    statenew, field = tl.vusdfld_dmg(3, 1, np.arange(1, 4, dtype=np.int32), 1, 1, 1, 2, np.zeros(nblock), 1.0, 1.0,
                                     0.0, "PLY", coords, tdir, tdir, char, np.zeros(1), stateold, stress, strain,
                                     np.zeros((nblock, 7)))
    assert np.array_equal(statenew[:, :6], np.column_stack([stress, np.zeros((nblock, 2))]))


def test_explicit_block_without_points_or_state_writes_nothing(model):
    stress, strain, stateold, coords, char, tdir = block_inputs(2, 0)
    field0 = np.full((2, 7), 3.0)
    statenew, field = tl.vusdfld_dmg(3, 3, np.arange(2, dtype=np.int32), 1, 1, 1, 2, np.zeros(2), 1.0, 1.0, 0.1,
                                     "PLY", coords, tdir, tdir, char, np.zeros(1), stateold, stress, strain, field0)
    assert statenew.shape == (2, 0)
    assert np.array_equal(field, field0)


def test_wrong_shapes_are_refused(model):
    with pytest.raises((t.error, ValueError)):
        tl.gen_damage(np.zeros(7), np.zeros(40), EYE, EYE, 0.5, np.zeros(2), 1.0, "PLY", 1, 1, 1, 1, 2, 1,
                      np.zeros(3), table=np.zeros(5))
    with pytest.raises((t.error, ValueError)):
        tl.gen_damage(np.zeros(7), np.zeros(40), EYE, EYE, 0.5, np.zeros(2), 1.0, "PLY", 1, 1, 1, 1, 2, 1,
                      np.zeros(3), nfield=9)


def test_values_the_evaluation_does_not_write_pass_and_what_it_leaves_alone_stays(model):
    """Non-finite values in the slots the evaluation passes through are the solver's (level 0); a
    point without the 40 slots is left alone whatever it holds; an explicit increment with dt <= 0
    (increment 0) is still evaluated."""
    nan, inf = np.nan, np.inf
    state = np.zeros(40)
    state[30:34] = state[35:39] = [nan, inf, -inf, nan]  # slots 31-34 and 36-39, unused
    field, s = evaluate(state, stress=[2100.0, 0, 0, 0, 0, 0])
    unused = np.r_[30:34, 35:39]
    assert np.array_equal(s[unused], state[unused], equal_nan=True)
    assert s[7] == 1.0 and eh.errstat == 0
    short = np.full(39, nan)
    args = (np.full(7, nan), short, EYE * nan, EYE, nan, np.zeros(2), 1.0, "PLY", 5, 1, 1, 1, 2, 1, np.full(3, inf))
    field, s = tl.gen_damage(*args)
    assert np.isnan(field).all() and np.isnan(s).all() and eh.errstat == 0
    stress, strain, stateold, coords, char, tdir = block_inputs(2, 40)
    for dt in (0.0, -1.0):
        statenew, _ = tl.vusdfld_dmg(3, 3, np.arange(1, 3, dtype=np.int32), 1, 1, 1, 2, np.zeros(2), 0.5, 1.0, dt,
                                     "PLY", coords, tdir, tdir, char, np.zeros(1), stateold, stress, strain,
                                     np.zeros((2, 7)))
        assert (statenew[:, 20] == 1.0).all() and eh.errstat == 0  # located: slot 21 holds the ply


def test_longer_state_vector_is_shared_with_the_ply_routine_at_its_end(model):
    """Implicit hook and ply routine (one property: constants of the located ply) on 50 state
    variables behave as on 40: the last 40 carry the same values at every call, and the ten before
    them stay the caller's. The stress the routine leaves (s11 = C11 0.02 > xt11) fails the fibres
    at the next hook call, and the DIC step degrades the routine's stiffness."""
    jd.stepid = np.array([0, 3, 5], dtype=np.int32)

    def hook(state, kstep):
        field, state, _ = tl.usdfld_dmg(np.zeros(7), state, 1.0, EYE, EYE, 0.5, np.zeros(2), 1.0, "PLY", "ORI", 5, 1,
                                        1, 1, kstep, 1, 3, 3, np.array([1.0, 2.0, 0.0]), 0, 0, 0, 0)
        return field, state

    def ply(state, kstep, dstran):
        stress, state, ddsdde = tl.umat_lamina(
            np.zeros(6), state, 0.0, 0.0, 0.0, 0.0, np.zeros(6), np.zeros(6), 0.0, np.zeros(6), np.array(dstran),
            np.zeros(2), 1.0, 20.0, 0.0, [0.0], [0.0], "PLY", 3, 3, [1.0], np.zeros(3), EYE, 1.0, 1.0, EYE, EYE, 5,
            1, 1, 1, np.array([kstep, 1, 0, 0], dtype=np.int32), 1)[:3]
        return stress, state, ddsdde

    head = np.arange(1.0, 11.0)
    runs = {}
    for n in (40, 50):
        state = np.zeros(n)
        state[: n - 40] = head[: n - 40]
        out = []
        _, state = hook(state, 2)
        stress, state, ddsdde = ply(state, 2, [0.02, 0, 0, 0, 0, 0])
        out.append((stress, ddsdde, state[-40:].copy()))
        field, state = hook(state, 2)
        out.append((field, state[-40:].copy()))
        _, state = hook(state, 3)
        stress, state, ddsdde = ply(state, 3, [1e-4, 0, 0, 0, 0, 0])
        out.append((stress, ddsdde, state[-40:].copy()))
        assert np.array_equal(state[: n - 40], head[: n - 40])
        runs[n] = out
    for a, b in zip(runs[40], runs[50]):
        for x, y in zip(a, b):
            assert np.array_equal(x, y)
    (stress, intact, block), (field, failed), (_, degraded, _) = runs[50]
    assert stress[0] > 2000.0 and np.array_equal(block[:6], stress)
    assert failed[7] == 1.0 and field[1] == 1.0  # fibre flag, slot 8, and its field variable
    assert degraded[0, 0] < intact[0, 0]
    assert eh.errstat == 0


def test_damage_set_records_and_reads_in_the_frame_of_set_one(model):
    """The field routine records a failed point into damage set 1 in that set's frame (its origin and
    angle, on the ply axes turned once by the ply angle) and reads the set back in the same frame.
    Reference: exact plane geometry of the 90-degree ply's axes turned by the set's 20 degrees."""
    dd = t.damagedata
    try:
        t.datahandling.allocatedamagedata(NPLIES, 1, 1)
        origin = np.array([0.5, -1.0, 0.0])
        dd.dmgplane[:5, 0] = [*origin, 20.0, -np.finfo(float).max]
        state = np.zeros(40)
        state[7] = 1.0  # fibre failed: a relaxation step (step 3) records it
        evaluate(state, layer=2, kstep=3)
        axis = np.radians(90.0 + 20.0)
        d = np.array([1.0, 2.0]) - origin[:2]  # the point's coordinates are (1, 2, 0)
        x, y = d @ [np.cos(axis), np.sin(axis)], d @ [-np.sin(axis), np.cos(axis)]
        assert dd.fiberdds[:2, 1, 0] == pytest.approx([abs(x), abs(y)], rel=1e-14, abs=0)
        assert not dd.fiberdds[:, [0, 2], 0].any() and not dd.matrixdds.any()
        # Read back (an initialisation step) along the set's first axis: inside up to the extent.
        dd.fiberdds[:2, 1, 0] = [2.0, 0.5]
        dd.delamdds = None  # no buckling records: the model has no laminate data for them
        for r, inside in ((1.9, 1.0), (2.1, 0.0), (-1.9, 1.0)):
            coord = origin + r * np.array([np.cos(axis), np.sin(axis), 0.0])
            statev = np.zeros(40)
            args = (np.zeros(7), statev, EYE, EYE, 0.5, np.zeros(2), 1.0, "PLY", 5, 1, 2, 1, 1, 1, coord)
            field, s = tl.gen_damage(*args)
            assert s[7] == inside, r
        assert eh.errstat == 0
    finally:
        t.datahandling.deallocall()
        dd.ndmg = 0


def test_crack_plane_branch_and_bogenfelddegradation_follow_the_crack_law_of_vumat_bogenfeld(model):
    # A crack under opening with shear 12 in vumat_bogenfeld, with the ply and crack-plane
    # toughnesses (opening, closing, shear) of the model, grown until the crack forms.
    p = np.zeros(29)
    p[:9] = np.array(ELASTIC)[[0, 1, 2, 6, 7, 8, 3, 4, 5]]
    p[[9, 10, 12, 13, 15, 16, 24, 25]] = [2000, 50, 1500, 200, 80, 80, 100, 80]
    p[26:29] = [0.3, 0.3, 0.9]
    lengths = np.array([0.5, 0.6, 0.7])
    z = lambda *s: np.zeros(s, order="F")  # noqa: E731
    stress, state = z(1, 6), z(1, 47)
    state[0, 18] = 1.0
    inc = np.asfortranarray([[0, 1e-5, 0, 1.5e-5, 0, 0]])
    while state[0, 9] < 1.0:
        stress, state = tl.vumat_bogenfeld(3, 0, 0.0, 1.0, 1e-6, "PLY", z(1, 3), np.asfortranarray([lengths]), p,
                                           np.ones(1), inc, z(1, 3), z(1), z(1, 6), z(1, 9), z(1, 1), stress, state,
                                           z(1), z(1), z(1), z(1, 6), z(1, 9), z(1, 1))[:2]
    crack = state[0, [6, 7, 8, 10]]  # onset strain, onset stress, toughness, final strain
    phi = np.radians(state[0, 11])
    # The elastic strain where it formed and its stress from the ply's compliance, in Voigt order.
    e = state[0, 20:26][[0, 1, 2, 4, 5, 3]]
    s = np.linalg.solve(nye_compliance(ELASTIC), e[[0, 1, 2, 5, 4, 3]] * [1, 1, 1, 2, 2, 2])[[0, 1, 2, 5, 4, 3]]
    # The onset stress is the stress traction's component along the strain traction (engineering
    # shears, the normal strain opening), not its norm.
    c, sn = np.cos(phi), np.sin(phi)
    r = np.array([[1, 0, 0], [0, c, -sn], [0, sn, c]])
    tensor = lambda v: np.array([[v[0], v[5], v[4]], [v[5], v[1], v[3]], [v[4], v[3], v[2]]])  # noqa: E731
    ts = (r.T @ tensor(s) @ r)[1]  # shear, normal, shear on the crack plane
    te = (r.T @ tensor(e) @ r)[1] * [2, 1, 2]
    te[1] = max(te[1], 0.0)
    onset = ts @ te / np.linalg.norm(te)
    assert onset < 0.99 * np.linalg.norm(ts)
    assert crack[:2] == pytest.approx([np.linalg.norm(te), onset], rel=1e-12)
    props = np.array([phi, 0.3, 0.3, 0.9, 0.9])
    sdv = dg.bogenfelddegradation(-np.ones(4), s, e, lengths, props, 3)[1]
    np.testing.assert_allclose(sdv, crack, rtol=1e-12)
    # The crack-plane branch of the damage field on the same record, the crack's angle set.
    statev = np.zeros(40)
    statev[[8, 20, 21, 23, 24]] = [1.0, 1.0, 1.0, 0.5, phi]  # matrix flag, ply, section, angles
    statev[26:30] = -1.0
    field, statev = evaluate(statev, table=np.concatenate([[20.0], s, e, lengths]))
    np.testing.assert_allclose(statev[26:30], crack, rtol=1e-12)
    assert eh.errstat == 0


def crack_reference(phi, s, e, lengths, gc=(0.3, 0.3, 0.9, 0.9)):
    """The crack state a crack-plane law forms on the plane phi (about the fibres) from the ply stress s
    and tensor strain e (Voigt): onset strain |te| (the opening normal strain, engineering shears),
    onset stress ts . te/|te|, the toughness of the traction's mode mix, and the final strain of
    that toughness over the element's length across the plane."""
    c, sn = np.cos(phi), np.sin(phi)
    r = np.array([[1, 0, 0], [0, c, -sn], [0, sn, c]])
    tensor = lambda v: np.array([[v[0], v[5], v[4]], [v[5], v[1], v[3]], [v[4], v[3], v[2]]])  # noqa: E731
    ts = (r.T @ tensor(s) @ r)[1]  # shear, normal, shear
    te = (r.T @ tensor(e) @ r)[1] * [2, 1, 2]
    te[1] = max(te[1], 0.0)
    eps0 = np.linalg.norm(te)
    sig = ts @ te / eps0
    g = (max(ts[1], 0) ** 2 * gc[0] + min(ts[1], 0) ** 2 * gc[1] + ts[0] ** 2 * gc[2] + ts[2] ** 2 * gc[3]) / (ts @ ts)
    lc = lengths[1] / abs(c)
    if lc > np.hypot(lengths[1], lengths[2]):
        lc = lengths[2] / abs(sn)
    return np.array([eps0, sig, g, max(2 * g / (lc * sig), 1.2 * eps0)])


def crack_table(stress_nye):
    """The explicit-path record of the ply stress (Nye) with its elastic tensor strain, lengths
    (0.5, 0.6, 0.7)."""
    s = np.array(stress_nye, dtype=float)[[0, 1, 2, 5, 4, 3]]  # Voigt
    e = (nye_compliance(ELASTIC) @ np.array(stress_nye, dtype=float))[[0, 1, 2, 5, 4, 3]] * [1, 1, 1, .5, .5, .5]
    return np.concatenate([[20.0], s, e, [0.5, 0.6, 0.7]]), s, e


def matrix_criterion(mcflag, plane=None):
    md.pfflags[2] = mcflag
    md.pdprops = None if plane is None else np.repeat(np.array([plane, np.finfo(float).max])[:, None, None], 3, 1)


def record():
    return int(eh.errstat), bytes(eh.errstring).rstrip().decode()


def test_larc04_matrix_crack_never_softened_for_want_of_a_plane(model):
    """mcflag 14 stored the marker -1 as its plane, and the crack-plane damage never started, at
    level 0. LaRC04's failed ply in transverse tension now cracks on the plane of LaRC05 (stored as
    pi): the same crack state, checked against the crack law written out in numpy. A ply that
    stored the marker before gets its plane at its next failed reading, and is reported at -2 until
    it does."""
    stress = [0.0, 60.0, 0.0, 10.0, 0.0, 0.0]
    table, s, e = crack_table(stress)
    states = {}
    try:
        for mcflag in (15, 14):
            matrix_criterion(mcflag)
            field, state = evaluate(np.zeros(40), stress=stress)
            assert state[8] == 1.0 and state[24] == np.pi and field[5] == 1.0
            state[26:30] = -1.0
            field, state = evaluate(state, table=table)
            assert field[5] == 1.0 and field[6] == 0.0 and record()[0] == 0
            states[mcflag] = state
        assert np.array_equal(states[14][24:30], states[15][24:30])  # angle_xy: pi/2 and LaRC05's search
        reference = crack_reference(np.pi, s, e, [0.5, 0.6, 0.7])
        np.testing.assert_allclose(states[14][26:30], reference, rtol=1e-12)
        assert states[14][26:30] == pytest.approx([0.00696, 60.343, 0.316, 0.0175], rel=2e-3)
        # Stored with the marker: an intact reading leaves it, and says so; a failed one sets it.
        stale = states[14].copy()
        stale[[23, 24]] = -1.0
        stale[26:30] = -1.0
        field, stale = evaluate(stale, table=crack_table([0.0, 30.0, 0.0, 10.0, 0.0, 0.0])[0])
        assert stale[23] == stale[24] == -1.0 and field[5] == field[6] == 0.0
        assert record() == (-2, "gen_damage: no crack plane from MCrckLaRC04, crack damage skipped")
        eh.rsxerr(1)
        field, stale = evaluate(stale, table=table)
        assert np.array_equal(stale[23:30], states[14][23:30]) and field[5] == 1.0 and record()[0] == 0
    finally:
        md.pdprops = None


def test_larc04_plane_from_the_kink_band_frame_cracked_the_ply_on_another_plane(model):
    """Beyond s11 = -xc22 LaRC04 searches its plane in the kink band's frame (the ply axes turned by
    psi about the fibres, then by phi about the 3-axis), and mcflag 14 handed that angle on, which
    gen_damage reads about the ply's own 1-axis. In a solid under (-400, -120, -20, 70, 10, 80),
    psi = -29 degrees: the crack formed on a plane the stress opens, with about half the onset of
    the plane the criterion found, at level 0. The angle is now that plane's in the ply frame, the
    band plane's normal projected onto the ply's 2-3 plane (psi and phi from the written law), and
    the crack state is the crack law's on it, on a plane the stress closes. LaRC04's own angle
    stays in the band's frame."""
    stress = [-400.0, -120.0, -20.0, 70.0, 10.0, 80.0]
    band = t.mccollection.mcrcklarc04(*stress, 2000, 1500, 50, 200, 80, 140e3, 9e3, 5e3, 0.3, sainc=5.0, gsflag=1)
    assert band == (pytest.approx(1.76727, rel=1e-5), pytest.approx(2.537470516, abs=1e-9))
    plane, psi, phi = larc04_band_plane_in_ply_frame(band[1], stress, 1500, 200, 80, 5000)
    assert np.degrees([psi, phi]) == pytest.approx([-28.9973, 3.1584], abs=1e-4)
    table, s, e = crack_table(stress)
    try:
        matrix_criterion(14)
        field, state = evaluate(np.zeros(40), stress=stress)
        # The angle to its rounding: psi and phi in numpy against the criterion's own, a few ulps.
        assert state[8] == 1.0 and state[23] == pytest.approx(plane, abs=1e-14) and record()[0] == 0
        state[26:30] = -1.0
        field, state = evaluate(state, table=table)
        reference = crack_reference(plane + np.pi / 2, s, e, [0.5, 0.6, 0.7])
        np.testing.assert_allclose(state[26:30], reference, rtol=1e-12)
        assert state[27] == pytest.approx(105.855, rel=1e-5) and record()[0] == 0
        assert field[5] == pytest.approx((plane + np.pi / 2) % np.pi / np.pi, abs=1e-14)  # the crack's angle
        # The plane's normal traction, n = (0, -sin, cos) in the ply axes: closed; on the band's
        # angle read about the ply's axis it was open.
        tensor = np.array([[-400.0, 70, 10], [70, -120, 80], [10, 80, -20]])
        for angle, sign in ((plane, -1.0), (band[1], 1.0)):
            n = np.array([0.0, -np.sin(angle), np.cos(angle)])
            assert sign * (n @ tensor @ n) > 20.0, angle
    finally:
        md.pdprops = None


def test_failed_ply_without_a_plane_skipped_its_crack_damage_silently(model):
    """A closed-form criterion without a plane in the ply's parameters fails the matrix but gives no
    plane: where the matrix evolution asks for crack-plane damage, a -2 report names the criterion.
    Without that evolution, without the crack fields, or with the user's plane, nothing is reported."""
    stress = [0.0, 60.0, 0.0, 10.0, 0.0, 0.0]
    try:
        matrix_criterion(6)
        field, state = evaluate(np.zeros(40), stress=stress)
        assert state[8] == 1.0 and state[24] == -1.0 and field[6] == 0.0
        assert record() == (-2, "gen_damage: no crack plane from MCrckChangChang, crack damage skipped")
        eh.rsxerr(1)
        evaluate(np.zeros(40), stress=stress, nfield=6)
        md.peflags[2] = 1
        evaluate(np.zeros(40), stress=stress)
        assert record()[0] == 0
        md.peflags[2] = 2
        matrix_criterion(6, plane=30.0)
        field, state = evaluate(np.zeros(40), stress=stress)
        assert state[23] == pytest.approx(np.radians(30), rel=1e-15) and record()[0] == 0
        # No criterion at all, the flag set before (a damage set): the same report.
        matrix_criterion(0)
        failed = np.zeros(40)
        failed[8] = 1.0
        evaluate(failed, stress=stress)
        assert record() == (-2, "gen_damage: no crack plane from no matrix criterion, crack damage skipped")
    finally:
        md.pdprops = None


def test_user_plane_without_traction_froze_a_degenerate_crack(model):
    """A plane the user gives that carries no traction (normal to 3 under a load in the 1-2 plane)
    froze an onset of 3.7e-15 with a final strain of 6.9e14 at level 0; under a closing normal
    stress alone, an onset strain of 0, which drops to full damage at any opening. The crack now
    waits, unset and undamaged, and forms the crack law's state once its plane carries traction."""
    try:
        matrix_criterion(15, plane=0.0)
        field, state = evaluate(np.zeros(40), stress=[0.0, 60.0, 0.0, 10.0, 0.0, 0.0])
        assert state[23] == 0.0 and state[24] == np.pi / 2
        for stress in ([0.0, 60.0, 0.0, 10.0, 0.0, 0.0], [0.0, 60.0, -40.0, 10.0, 0.0, 0.0]):
            state[26:30] = -1.0
            field, state = evaluate(state, table=crack_table(stress)[0])
            assert np.array_equal(state[26:30], [-1.0] * 4) and field[5] == 0.5 and field[6] == 0.0
            assert state[19] == 1.0  # the matrix factor (slot 20) stays whole
            assert record() == (-2, "gen_damage: crack plane carries no traction, crack waits")
            eh.rsxerr(1)
        loaded = [0.0, 60.0, 40.0, 10.0, 0.0, 15.0]
        table, s, e = crack_table(loaded)
        field, state = evaluate(state, table=table)
        np.testing.assert_allclose(state[26:30], crack_reference(np.pi / 2, s, e, [0.5, 0.6, 0.7]), rtol=1e-12)
        assert record()[0] == 0
    finally:
        md.pdprops = None


def test_loaded_crack_waited_for_ever_beside_a_vast_fibre_stress(model):
    """The zero-traction wait measured rounding against all six components: from s11 = 1e15 the
    fibre stress (which no plane through the fibres carries) made the crack on LaRC05's plane wait,
    unset, at level 0. It forms as at s11 = 1e6, checked against the crack law written out in numpy."""
    matrix_criterion(15)
    field, failed = evaluate(np.zeros(40), stress=[0.0, 60.0, 0.0, 10.0, 0.0, 0.0])
    assert failed[8] == 1.0 and failed[24] == np.pi
    for s11 in (1e6, 1e15, 1e16, 1e18):
        state = failed.copy()
        state[26:30] = -1.0
        table, s, e = crack_table([s11, 60.0, 0.0, 10.0, 0.0, 0.0])
        field, state = evaluate(state, table=table)
        np.testing.assert_allclose(state[26:30], crack_reference(np.pi, s, e, [0.5, 0.6, 0.7]), rtol=1e-12)
        assert state[26:30] == pytest.approx([0.002, 10.0, 0.316, 0.1054], rel=1e-3)
        assert eh.errstat == 0


def test_waiting_crack_was_silent(model):
    """A crack whose plane carries no traction waited silently, and froze its onset at the first
    reading that loaded the plane, so that its strength follows the load steps. It is reported at
    -2 with its element and point at each reading that leaves it waiting, and no longer once its
    plane is loaded. Case: the user's plane 0 under (0, 60, 0, 10, 0, 0), then s33 and s23 grown
    to (40, 15) in n steps; a criterion's plane on the same path never waits."""
    def path(n, noel=5):
        field, state = evaluate(np.zeros(40), table=crack_table([0.0, 60.0, 0.0, 10.0, 0.0, 0.0])[0], noel=noel)
        reports = [(int(eh.errstat), None if eh.errstat == 0 else list(eh.errintv))]
        eh.rsxerr(1)
        loads = [crack_table([0.0, 60.0, 40.0 * k / n, 10.0, 0.0, 15.0 * k / n]) for k in range(1, n + 1)]
        for table, s, e in loads:
            field, state = evaluate(state, table=table, noel=noel)
            reports.append((int(eh.errstat), None))
            eh.rsxerr(1)
        return field, state, reports, loads

    waits = (-2, "gen_damage: crack plane carries no traction, crack waits")
    try:
        matrix_criterion(15, plane=0.0)
        for n in (1, 10):
            field, state, reports, loads = path(n, noel=7)
            assert reports == [(-2, [7, 1])] + [(0, None)] * n
            # The onset is the traction of the first loaded reading: the law on (0, 60, 40/n, 10, 0, 15/n).
            eps0, sig, g, eps1 = crack_reference(np.pi / 2, *loads[0][1:], [0.5, 0.6, 0.7])
            np.testing.assert_allclose(state[26:30], [eps0, sig, g, eps1], rtol=1e-12)
            # The damage at the full load: the bilinear law at its strain traction, capped at 0.995.
            _, s, e = loads[-1]
            eps = crack_reference(np.pi / 2, s, e, [0.5, 0.6, 0.7])[0]
            d = min(max(eps1 / (eps1 - eps0) * (1 - eps0 / eps), 0.0), 0.995)
            assert field[6] == pytest.approx(d, rel=1e-12, abs=1e-15)
        assert state[27] == pytest.approx(1.5, rel=1e-12) and field[6] == pytest.approx(0.905, abs=5e-4)
        # Each reading that leaves it waiting reports again.
        field, state = evaluate(np.zeros(40), table=crack_table([0.0, 60.0, 0.0, 10.0, 0.0, 0.0])[0])
        eh.rsxerr(1)
        field, state = evaluate(state, table=crack_table([0.0, 80.0, 0.0, 20.0, 0.0, 0.0])[0])
        assert record() == waits and np.array_equal(state[26:30], [-1.0] * 4)
        eh.rsxerr(1)
        # The criterion's plane carries the failure's traction: no report on the same path.
        matrix_criterion(15)
        field, state, reports, loads = path(10)
        assert state[24] == np.pi and reports == [(0, None)] * 11 and state[27] > 50.0
    finally:
        md.pdprops = None
