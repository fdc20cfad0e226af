"""Damage data sets: extents grown by failed points, read back onto material points, buckled
sublaminates, outlines, and indices that do not fit the tables."""

import math
import numpy as np
import pytest

import _tolvek as t
from seeding import rng_seed

dmg, dd, sd, md, bd, eh = t.damage, t.damagedata, t.sectiondata, t.materialdata, t.bukdata, t.errorhandling
HUGE = np.finfo(float).max
DEFINT = 2147483647
CFRP = [140e9, 9e9, 9e9, 0.3, 0.3, 0.45, 5e9, 5e9, 3.5e9]


def record():
    return int(eh.errstat), bytes(eh.errstring).rstrip(b"\0 ").decode()


def reset_tables():
    t.datahandling.deallocall()
    sd.nsec = sd.nplies = dd.ndmg = 0
    eh.rsxerr(1)


@pytest.fixture
def layup():
    """Four plies (0, 45, -45, 90) in one section; no damage sets yet."""
    reset_tables()
    sd.plyorientation = np.array([[0.0], [45.0], [-45.0], [90.0]])
    yield
    reset_tables()


def rot(deg):
    c, s = np.cos(np.radians(deg)), np.sin(np.radians(deg))
    return np.array([[c, -s, 0], [s, c, 0], [0, 0, 1.0]])


def random_axes(rng):
    q, _ = np.linalg.qr(rng.normal(size=(3, 3)))
    return q * np.sign(np.linalg.det(q))


def test_extent_of_one_point():
    eye = np.eye(3)
    assert list(dmg.getextentofprojecteddamage([0, 0], [4, 2, 0], [1, 1, 0], eye, 0.0, 1.0)) == [3, 1]
    assert np.allclose(dmg.getextentofprojecteddamage([0, 0], [4, 2, 0], [1, 1, 0], eye, 90.0, 1.0), [1, 3])
    assert list(dmg.getextentofprojecteddamage([5, 0.5], [4, 2, 0], [1, 1, 0], eye, 0.0, 1.0)) == [5, 1]
    for flag in (0.5, 0.0, np.nan):
        assert list(dmg.getextentofprojecteddamage([0.2, 0.1], [4, 2, 0], [1, 1, 0], eye, 0.0, flag)) == [0.2, 0.1]
    # In any plane: the point's coordinates along the plane axes turned by theta, off-plane
    # offsets dropped.
    rng = np.random.default_rng(rng_seed(3))
    for _ in range(20):
        axes, theta = random_axes(rng), rng.uniform(-180, 180)
        ref, local = rng.normal(size=3), rng.normal(size=3)
        point = ref + axes @ rot(theta) @ local
        got = dmg.getextentofprojecteddamage([0, 0], point, ref, np.asfortranarray(axes), theta, 1.0)
        assert np.allclose(got, np.abs(local[:2]), atol=1e-12)


def tables():
    return {m: getattr(dd, m).copy() for m in ("generaldds", "fiberdds", "matrixdds", "delamdds", "coredds")}


def test_update_creates_the_sets_and_widens_only_failed_modes(layup):
    ierr = dmg.updatedds([1, 0, 1, 1, 0], [3, -1, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    assert ierr == 0 and int(dd.ndmg) == 1 and dd.generaldds.shape == (3, 4, 1) and dd.delamdds.shape == (3, 3, 1)
    assert bd.bukrealdatalist.shape == (12, 3, 1, 1)
    d = tables()
    for m in ("generaldds", "matrixdds", "delamdds"):
        assert list(d[m][:, 0, 0]) == [3, 1, 0]
    assert not d["fiberdds"].any() and not d["coredds"].any()
    # A nearer point, or a flag below 1, never shrinks or widens.
    dmg.updatedds([1, 0.99, 1, 1, 0], [1, 2, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    d2 = tables()
    assert list(d2["generaldds"][:, 0, 0]) == [3, 2, 0] and not d2["fiberdds"].any()


def test_top_ply_has_no_interface_above(layup):
    dmg.updatedds([1, 1, 1, 1, 1], [3, 1, 0], [0, 0, 0], np.eye(3), 4, 1, 1)
    d = tables()
    assert not d["delamdds"].any()
    assert all(d[m][0, 3, 0] > 0 for m in ("generaldds", "fiberdds", "matrixdds", "coredds"))


@pytest.mark.parametrize("ilay,isec,idmg", [(0, 1, 1), (5, 1, 1), (1, 2, 1), (1, 0, 1), (1, 1, 2), (1, 1, 0)])
def test_update_outside_the_tables_changes_nothing(layup, ilay, isec, idmg):
    dmg.updatedds([0] * 5, [0, 0, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    before = tables()
    ierr = dmg.updatedds([1] * 5, [3, 1, 0], [0, 0, 0], np.eye(3), ilay, isec, idmg)
    assert ierr != 0 and record()[0] == -3
    after = tables()
    assert all(np.array_equal(before[m], after[m]) for m in before)


def test_recorded_points_are_found_again_in_any_frame(layup):
    # The point that set an extent along an axis of the recording frame lies on the recorded
    # ellipse; 1 % farther out it does not. The frame is the set's: the ply axes (turned once by
    # the ply angle) turned by the set's angle, at the set's origin, whatever reference point the
    # caller hands over.
    rng = np.random.default_rng(rng_seed(11))
    for trial in range(8):
        reset_tables()
        ply, angle, set_angle = 1 + trial % 4, rng.uniform(-90, 90), rng.uniform(-180, 180)
        orient = np.array([[0.0], [45.0], [-45.0], [90.0]])
        orient[ply - 1] = angle
        sd.plyorientation = orient
        refcos, ref = np.asfortranarray(random_axes(rng)), rng.normal(size=3)
        t.datahandling.allocatedamagedata(4, 1, 1)
        dd.dmgplane[:5, 0] = [*ref, set_angle, -HUGE]
        frame = refcos @ rot(angle + set_angle)
        pa, pb = ref + 2.0 * frame[:, 0], ref - 0.5 * frame[:, 1]
        for p in (pa, pb):
            assert dmg.updatedds([1, 0, 0, 0, 0], p, rng.normal(size=3), refcos, ply, 1, 1) == 0
        assert np.allclose(dd.generaldds[:2, ply - 1, 0], [2.0, 0.5], rtol=1e-12, atol=0)
        for p, inside in [(pa, 1.0), (pb, 1.0), (ref + 2.02 * frame[:, 0], 0.0), (ref + 0.6 * frame[:, 1], 0.0)]:
            sdv = np.zeros(12)
            dmg.getdamagefromdds(sdv, p, refcos, ply, 1)
            assert sdv[0] == inside, (trial, p)


def fibre_set_reads(ply_angle, set_angle, origin, points, outlines, extents=(10.0, 1.0)):
    """The fibre flag getdamagefromdds raises at each point: one ply, one set at origin turned by
    set_angle, fibre-mode extents a = 10, b = 1 (as the damage card's "+Abstraction, TYPE=Fiber"
    row "1, 10, 1, 0" stores them); with outlines, an outline table that holds none for this mode."""
    reset_tables()
    sd.plyorientation = np.array([[ply_angle]])
    t.datahandling.allocatedamagedata(1, 1, 1)
    dd.fiberdds[:2, 0, 0] = extents
    dd.dmgplane[:5, 0] = [*origin, set_angle, -HUGE]
    if outlines:
        dd.dmgpoints = np.full((6, 1, 6, 1), HUGE)
    flags = []
    for p in points:
        sdv = np.zeros(12)
        dmg.getdamagefromdds(sdv, p, np.eye(3), 1, 1)
        flags.append(sdv[1])
    return flags


EDGE = np.degrees(np.arcsin(np.sqrt(0.51 / 48.51)))  # where 7 from the centre meets the 10 x 1 ellipse


def ellipse_reference(point, origin, axis_deg, a, b):
    """Exact plane geometry: the offset from origin along and across the axis at axis_deg from x."""
    d = np.asarray(point[:2], float) - np.asarray(origin[:2], float)
    c, s = np.cos(np.radians(axis_deg)), np.sin(np.radians(axis_deg))
    return (d[0] * c + d[1] * s) ** 2 / a ** 2 + (-d[0] * s + d[1] * c) ** 2 / b ** 2


@pytest.mark.parametrize("outlines", [False, True])
@pytest.mark.parametrize("set_angle,origin", [(0.0, (0.0, 0.0, 0.0)), (20.0, (0.0, 0.0, 0.0)), (20.0, (3.0, -2.0, 0.5))])
@pytest.mark.parametrize("ply", [0.0, 45.0, -45.0, 90.0, 30.0])
def test_set_extents_lie_in_the_ply_frame_turned_once(ply, set_angle, origin, outlines):
    """Points 7 from the set's centre: along x, along y, along and across the set's first axis
    (the fibre turned by the set's angle), at 10 degree steps, and one off the plane. Reference:
    the 10 x 1 ellipse whose axis a lies at ply + set angle from x; directions within 0.01 degree
    of its edge (at 5.9 degrees from axis a), where rounding could decide, are left out."""
    o = np.array(origin)
    axis = ply + set_angle
    dirs = [0.0, 90.0, axis, axis + 90.0] + [d for d in range(0, 360, 10)
                                             if abs(abs((d - axis + 90) % 180 - 90) - EDGE) > 0.01]
    points = [o + 7.0 * np.array([np.cos(np.radians(d)), np.sin(np.radians(d)), 0.0]) for d in dirs]
    points.append(points[2] + [0.0, 0.0, 4.0])  # off the plane: the normal offset is dropped
    expected = [float(ellipse_reference(p, o, axis, 10.0, 1.0) <= 1.0) for p in points]
    got = fibre_set_reads(ply, set_angle, origin, points, outlines)
    assert got == expected
    assert got[2] == 1.0 and got[3] == 0.0 and got[-1] == 1.0  # along and across the fibre, off the plane
    assert 0.0 < sum(got) < len(got)
    if set_angle == 0.0 and not any(origin):  # the points (7, 0, 0) and (0, 7, 0)
        assert got[:2] == [float(ply == 0.0), float(ply == 90.0)]


def test_a_set_recorded_from_one_point_holds_it(layup):
    """A point on an axis of the set gives it a zero extent across: (3, 0, 0) sets (3, 0). Read
    back, the zero extent holds the points on the other axis within a = 3 (the point itself, its
    mirror and the centre), and nothing off that axis or beyond it; the modes it did not fail
    stay clear. Before, every point of such a set read no damage."""
    assert dmg.updatedds([1, 0, 1, 0, 0], [3, 0, 0], [0, 0, 0], np.eye(3), 1, 1, 1) == 0
    assert dd.generaldds[:2, 0, 0].tolist() == [3.0, 0.0] and dd.matrixdds[:2, 0, 0].tolist() == [3.0, 0.0]
    for p, inside in [([3, 0, 0], 1), ([-3, 0, 0], 1), ([0, 0, 0], 1), ([1.5, 0, 0.2], 1),
                      ([3, 1e-12, 0], 0), ([3.0000001, 0, 0], 0), ([0, 0.5, 0], 0)]:
        sdv = np.zeros(12)
        dmg.getdamagefromdds(sdv, p, np.eye(3), 1, 1)
        assert sdv[:5].tolist() == [inside, 0, inside, 0, 0], p


@pytest.mark.parametrize("outlines", [False, True])
@pytest.mark.parametrize("ply,set_angle", [(0.0, 0.0), (30.0, 20.0), (-45.0, 17.3), (90.0, 0.0)])
def test_a_zero_extent_holds_the_points_on_the_other_axis(ply, set_angle, outlines):
    """Extents (3, 0) and (0, 3) of a set at (1, 2, 0.5): points on the set's first (second) axis
    within 3 of its origin are inside, as exact geometry says; a point 1e-9 beside that axis, one
    beyond the extent, and every point of a set with two zero extents are outside. Edges, where
    rounding decides, are left out. With outlines, the ellipse test of pointindamage reads them."""
    o = np.array([1.0, 2.0, 0.5])
    c, s = np.cos(np.radians(ply + set_angle)), np.sin(np.radians(ply + set_angle))
    axes = (np.array([c, s, 0.0]), np.array([-s, c, 0.0]))
    for k, extents in enumerate(([3.0, 0.0], [0.0, 3.0])):
        on, beside = axes[k], axes[1 - k]
        points = [o + r * on for r in (-2.9, -1.5, 0.0, 0.7, 2.999)]
        points += [o + 1.5 * on + 1e-9 * beside, o + 3.001 * on, o - 3.001 * on, o + 0.5 * beside]
        expected = [1.0] * 5 + [0.0] * 4
        assert fibre_set_reads(ply, set_angle, o, points, outlines, extents) == expected
        assert fibre_set_reads(ply, set_angle, o, points, outlines, [0.0, 0.0]) == [0.0] * len(points)


def test_one_point_on_an_axis_is_found_again_with_its_segment_in_any_frame():
    """Regression: a point recorded alone on an axis of its set sets the cross extent to the
    rounding of its turned coordinates, and that extent was read as an ellipse axis: (3, 0, 0) in a
    90-degree ply set (1.8e-16, 3) and held no (r, 0, 0) at r = 2.2 to 3; the 66.645-degree ply in
    a set at (20.630, 55.507, 43.215) turned by -76.746 set (4.6192, 1.33e-15) and did not hold its
    own point; a cross coordinate compared with 64 eps of the along one missed points near a far
    origin (extents exactly (3, 0), r = 0.001). Reference: exact geometry, the segment of the set's
    axis through the origin. Random plies, sets, origins within 100 and reference axes: the
    recorded point, points of its segment and, with extents set to exactly (3, 0) or (0, 3), points
    0.001 to 0.1 from the origin are found; points 1000 eps of their coordinates beside the
    segment or beyond its ends are not."""
    cases = [(90.0, 0.0, np.zeros(3), -3.0, 1, np.eye(3)),  # (3, 0, 0) on the ply's second axis
             (66.645, -76.746, np.array([20.630, 55.507, 43.215]), 4.6192, 0, np.eye(3))]
    g = np.random.default_rng(rng_seed(76))
    for k in range(150):
        cases.append((g.uniform(-90, 90), g.uniform(-180, 180), g.uniform(-100, 100, 3) * (k % 3 > 0),
                      10.0 ** g.uniform(-3, 2), k % 2, np.eye(3) if k % 4 < 2 else random_axes(g)))
    for ply, set_angle, o, r, axis, refcos in cases:
        fibre_set_reads(ply, set_angle, o, [], False, (0.0, 0.0))
        refcos = np.asfortranarray(refcos)
        on, beside = (refcos @ rot(ply + set_angle))[:, [axis, 1 - axis]].T
        on[np.abs(on) < 1e-15] = 0.0  # cos 90 degrees is 0 in exact geometry
        on, r = np.sign(r) * on, abs(r)
        p = o + r * on
        assert dmg.updatedds([0, 1, 0, 0, 0], p, np.zeros(3), refcos, 1, 1, 1) == 0
        d = 1000 * np.finfo(float).eps * (np.abs(o).sum() + np.abs(p).sum())
        assert dd.fiberdds[axis, 0, 0] == pytest.approx(r, rel=1e-13) and dd.fiberdds[1 - axis, 0, 0] < d
        points = [p, o - r * on, o] + [o + u * r * on for u in g.uniform(-1, 1, 3)]
        points += [o + u * r * on + v * d * beside for u, v in [(g.uniform(-1, 1), 1), (0.5, -1)]]
        points += [o + (r + d) * on, o - (r + d) * on]
        expected = [1.0] * 6 + [0.0] * 4
        if ply == 90.0 and r == 3.0:
            points += [np.array([x, 0.0, 0.0]) for x in np.arange(2.2, 3.05, 0.1)]
            expected += [1.0] * 9
        got = []
        for q in points:
            sdv = np.zeros(12)
            dmg.getdamagefromdds(sdv, q, refcos, 1, 1)
            got.append(sdv[1])
        assert got == expected, (ply, set_angle, o, r, axis)
        dd.fiberdds[:2, 0, 0] = [3.0, 0.0][::1 - 2 * axis]
        for rr in (0.001, 0.01, 0.1, 2.9, -3.0):
            sdv = np.zeros(12)
            dmg.getdamagefromdds(sdv, o + rr * on, refcos, 1, 1)
            assert sdv[1] == 1.0, (ply, set_angle, o, rr)
    reset_tables()


@pytest.mark.parametrize("positioned", [False, True])
def test_a_set_without_a_position_reads_its_origin_as_0(tmp_path, positioned):
    """A damage card block with "+Abstraction" and no "+Position": its set is read at the origin 0
    with angle 0, so the points of its 2 x 1 fibre ellipse around (0, 0, 0) read damage (exact
    geometry: (x/2)^2 + y^2 <= 1, along each ply's fibre). With another set positioned (at 100,
    100), the set's origin entries hold the unset marker -huge; without one there is no dmgplane
    at all. Measured from the marker every point lay 1.8e308 away, and without dmgplane the read
    was refused at -3: either way the set read no damage."""
    reset_tables()
    sd.plyorientation = np.array([[0.0], [90.0]])
    other = ["++Begin Damage, DmgID=2", "+Position", "100 100 0 0", "+Abstraction, TYPE=Fiber", "1 0.5 0.5 0",
             "++End Damage"] if positioned else []
    (tmp_path / "DamageCard.tvk").write_text("\n".join([
        "++Begin Damage, DmgID=1", "+Abstraction, TYPE=Fiber", "1 2.0 1.0 0", "2 2.0 1.0 0", "++End Damage",
        *other]) + "\n")
    t.iohandling.getdamagedatafromfile("", str(tmp_path), 2, 1)
    assert record()[0] == 0 and int(dd.ndmg) == 1 + positioned
    if positioned:
        assert (dd.dmgplane[:, 0] == -HUGE).all() and dd.dmgplane[:4, 1].tolist() == [100, 100, 0, 0]
    else:
        assert dd.dmgplane is None
    for ply, along in ((1, 0), (2, 1)):  # the 90-degree ply's fibre runs along y
        for p, inside in [((1.9, 0, 0), 1.0), ((0, 0.9, 0), 1.0), ((1.2, 0.7, 0.1), 1.0), ((0, 0, 0), 1.0),
                          ((2.1, 0, 0), 0.0), ((0, 1.1, 0), 0.0), ((1.5, 0.7, 0), 0.0)]:
            sdv = np.zeros(12)
            dmg.getdamagefromdds(sdv, np.array(p)[[along, 1 - along, 2]], np.eye(3), ply, 1)
            assert record()[0] == 0
            assert sdv[1] == inside == float(p[0] ** 2 / 4 + p[1] ** 2 <= 1), (ply, p)
    reset_tables()


def test_outline_and_ellipse_of_one_set_share_its_frame():
    """A 10 x 1 rectangle outline and the 10 x 1 ellipse of pointindamage hold the same points far
    from their edges, turned by the set's 20 and the ply's 30 degrees, the ply angle handed over
    apart or in the axes. Reference: exact geometry with axis a at 50 degrees."""
    rect = [-10, -1, 0, 10, -1, 0, 10, 1, 0, -10, 1, 0]
    o = np.array([1.0, 2.0, 0.0])
    pts = [o + r * np.array([np.cos(np.radians(d)), np.sin(np.radians(d)), 0.0])
           for d in (50.0, 230.0, 140.0, 0.0, 90.0, 75.0) for r in (0.5, 6.0)]
    expected = [int(ellipse_reference(p, o, 50.0, 10.0, 1.0) <= 1.0) for p in pts]
    assert 0 < sum(expected) < len(expected)
    for cos, plyangle in [(np.eye(3), 30.0), (np.asfortranarray(rot(30.0)), 0.0)]:
        for outline in (False, True):
            dd.dmgpoints = np.full((12, 1, 6, 1), HUGE)
            if outline:
                dd.dmgpoints[:, 0, 1, 0] = rect
            got = [dmg.pointindamage(p, cos, o, 20.0, plyangle, 10.0, 1.0, 2, 1, 1, 0) for p in pts]
            assert got == expected, (plyangle, outline)
    dd.dmgpoints = None


def test_damage_flags_only_rise_and_exposures_are_left_alone(layup):
    dmg.updatedds([1, 1, 1, 1, 1], [2, 1, 0], [0, 0, 0], np.eye(3), 2, 1, 1)
    sdv = np.array([0, 0, 0, 0, 0, 1.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.7])
    dmg.getdamagefromdds(sdv, [0.1, 0.1, 0], np.eye(3), 2, 1)
    assert list(sdv[:5]) == [1, 1, 1, 1, 1] and list(sdv[5:11]) == [1.0, 0.1, 0.2, 0.3, 0.4, 0.5]
    sdv = np.array([1.0] * 6 + [0.0] * 5 + [0.7])
    dmg.getdamagefromdds(sdv, [50, 50, 0], np.eye(3), 2, 1)  # outside everything
    assert list(sdv[:6]) == [1.0] * 6 and sdv[11] <= 0.7


@pytest.fixture
def buckling_layup(layup):
    """Four 0.25 mm plies with elastic data, one section, three damage sets; one delamination at
    interface 1 of set 2."""
    md.peprops = np.repeat(np.array(CFRP + [0.0])[:, None, None], 4, axis=1)  # ten rows
    md.matidlist = np.ones((4, 1), np.int32)
    sd.plythickness = np.full((4, 1), 0.25e-3)
    sd.xcstrength = np.array([600e6])
    t.datahandling.allocatedamagedata(4, 1, 3)
    dd.delamdds[:2, 0, 1] = [0.03, 0.02]
    dd.dmgplane[:, :] = 0.0
    yield


def test_buckled_sublaminate_lowers_the_residual_factor_once(buckling_layup):
    expected_real, expected_int = t.sublaminate.getbukdatafromdds(
        np.concatenate([dd.delamdds[:2], np.broadcast_to(sd.plyorientation[:3, 0][None, :, None], (1, 3, 3))]),
        np.ones((3, 3), np.int32), sd.xcstrength, np.asfortranarray(md.peprops[:9]), sd.plyorientation,
        sd.plythickness, md.matidlist)
    sdv = np.zeros(12)
    sdv[11] = 1.0
    dmg.getdamagefromdds(sdv, [0.01, 0.0, 0], np.eye(3), 1, 1)
    # The records were filled, with the delamination angles of the calling point's section.
    assert list(dd.delamdds[2, :, 0]) == [0.0, 45.0, -45.0]
    np.testing.assert_array_equal(bd.bukintdatalist, expected_int)
    np.testing.assert_array_equal(bd.bukrealdatalist, expected_real)
    assert list(bd.bukintdatalist[:, 0, 1, 0]) == [1, 1, 1, 0]  # the bottom ply buckles first
    ratio = bd.bukrealdatalist[1, 0, 1, 0]
    assert 0 < ratio < 1 and sdv[3] == 1.0 and sdv[5] == 1.0 and sdv[11] == ratio
    # Residual factors never rise (a smaller carried value stays), and never fall elsewhere.
    for carried, ply, point, result in [(0.01, 1, [0.01, 0, 0], 0.01), (0.9, 1, [0.01, 0, 0], ratio),
                                        (0.9, 1, [0.05, 0, 0], 0.9), (0.9, 3, [0.01, 0, 0], None)]:
        sdv = np.zeros(12)
        sdv[11] = carried
        dmg.getdamagefromdds(sdv, point, np.eye(3), ply, 1)
        if result is not None:
            assert sdv[11] == result
        else:  # ply 3 lies in the remaining stack, buckled by the same delamination
            rest = bd.bukrealdatalist[1, 1, 1, 0]
            assert list(bd.bukintdatalist[:, 1, 1, 0]) == [1, 2, 4, 0] and sdv[11] == min(rest, 0.9)
    assert record()[0] == 0


def test_buckling_tables_that_do_not_fit_are_reported(buckling_layup):
    bd.bukrealdatalist = np.zeros((12, 2, 3, 1))
    sdv = np.zeros(12)
    dmg.getdamagefromdds(sdv, [0.01, 0.0, 0], np.eye(3), 1, 1)
    assert record()[0] == -3 and sdv[5] == 0.0 and not bd.bukrealdatalist.any()


def test_dmgplane_angle_needs_four_entries(layup):
    dmg.updatedds([1, 0, 0, 0, 0], [2, 0, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    dmg.updatedds([1, 0, 0, 0, 0], [0, 0.5, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    for plane, inside in [([0, 0, 90.0, -HUGE], 1.0), ([0, 0, 0, 90.0, -HUGE], 0.0), ([0, 0, 0, 0.0], 1.0)]:
        dd.dmgplane[:, 0] = 0.0
        dd.dmgplane[:len(plane), 0] = plane
        sdv = np.zeros(12)
        dmg.getdamagefromdds(sdv, [1.5, 0, 0], np.eye(3), 1, 1)
        assert sdv[0] == inside, plane


def test_outlines_and_ellipses(layup):
    eye, o = np.eye(3), np.zeros(3)
    args = (eye, o, 0.0, 0.0, 2.0, 1.0)
    assert dmg.pointindamage([1.5, 0, 0], *args, 1, 1, 1, 0) == 1
    assert dmg.pointindamage([1.5, 0, 0], *args, 1, 1, 1, 1) == 0  # skip
    assert dmg.pointindamage([1.5, 0.8, 0], *args, 1, 1, 1, 0) == 0
    assert dmg.pointindamage([0.5, 1.5, 0], eye, o, 45.0, 45.0, 2.0, 1.0, 1, 1, 1, 0) == 1  # turned by 90
    dd.dmgpoints = np.full((12, 4, 6, 1), HUGE)
    dd.dmgpoints[:3, 0, 0, 0] = [5, 5, 0]  # one point: still the ellipse
    assert dmg.pointindamage([1.5, 0, 0], *args, 1, 1, 1, 0) == 1
    dd.dmgpoints[:9, 0, 0, 0] = [0, 0, 0, 4, 0, 0, 0, 4, 0]  # triangle
    assert dmg.pointindamage([1.5, 0, 0], *args, 1, 1, 1, 0) == 0  # polygon: on the bottom edge
    assert dmg.pointindamage([1.0, 2.5, 0], *args, 1, 1, 1, 0) == 1
    assert dmg.pointindamage([3.0, 2.0, 0], *args, 1, 1, 1, 0) == 0
    assert dmg.pointindamage([-1.0, 1.0, 0], eye, o, 90.0, 0.0, 2.0, 1.0, 1, 1, 1, 0) == 1  # turned outline
    assert record()[0] == 0
    for mode, dset, ply in [(7, 1, 1), (1, 2, 1), (1, 1, 5), (0, 1, 1)]:
        assert dmg.pointindamage([1.0, 1.0, 0], *args, mode, dset, ply, 0) == 0
        assert record()[0] == -3
        eh.rsxerr(1)


def test_read_back_outside_the_tables_changes_nothing(layup):
    dmg.updatedds([1] * 5, [2, 1, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    for ply, sec in [(0, 1), (5, 1), (1, 2)]:
        sdv = np.zeros(12)
        dmg.getdamagefromdds(sdv, [0, 0, 0], np.eye(3), ply, sec)
        assert not sdv.any() and record()[0] == -3
        eh.rsxerr(1)
    dd.generaldds = np.ones((3, 1, 1))  # too few plies for ply 2
    sdv = np.zeros(12)
    dmg.getdamagefromdds(sdv, [0, 0, 0], np.eye(3), 2, 1)
    assert not sdv.any() and record()[0] == -3


def test_read_back_uses_outlines_where_given(layup):
    dmg.updatedds([1, 1, 0, 0, 0], [2, 0.5, 0], [0, 0, 0], np.eye(3), 1, 1, 1)
    point = [2.5, 2.5, 0]  # outside the recorded ellipse (2, 0.5), inside the outline
    sdv = np.zeros(12)
    dmg.getdamagefromdds(sdv, point, np.eye(3), 1, 1)
    assert not sdv[:2].any()
    dd.dmgpoints = np.full((12, 4, 6, 1), HUGE)
    dd.dmgpoints[:12, 0, 0, 0] = [0, 0, 0, 3, 0, 0, 3, 3, 0, 0, 3, 0]  # general mode, ply 1
    dmg.getdamagefromdds(sdv, point, np.eye(3), 1, 1)
    assert list(sdv[:2]) == [1.0, 0.0]  # the fibre mode keeps its ellipse
    sdv[:] = 0
    dmg.getdamagefromdds(sdv, [1.5, 0.2, 0], np.eye(3), 1, 1)
    assert list(sdv[:2]) == [1.0, 1.0]


def test_infinite_extent_holds_its_axis_as_the_ellipse_does(layup):
    """Regression: the rounding an extent is compared with counted an infinite extent in, so that
    it became infinite and a set with a half-axis of inf (damage along the whole axis) held no
    point at all. Each extent is judged as the ellipse x^2/a^2 + y^2/b^2 <= 1 judges it, in the
    set's own frame and turned by 90 degrees."""
    inf = math.inf
    eye, o = np.eye(3), np.zeros(3)
    cases = (((inf, 1.0), (1e6, 0.5), 1), ((inf, 1.0), (3.0, 1.5), 0), ((2.0, inf), (1.0, 1e9), 1),
             ((2.0, inf), (2.5, 1e9), 0), ((inf, 0.0), (5.0, 0.0), 1), ((inf, 0.0), (5.0, 1e-3), 0),
             ((inf, inf), (1e300, -1e300), 1), ((0.0, inf), (0.0, -7.0), 1))
    for (a, b), (x, y), inside in cases:
        assert dmg.pointindamage([x, y, 0.0], eye, o, 0.0, 0.0, a, b, 1, 1, 1, 0) == inside, (a, b, x, y)
        assert dmg.pointindamage([-y, x, 0.0], eye, o, 30.0, 60.0, a, b, 1, 1, 1, 0) == inside, (a, b, x, y)
