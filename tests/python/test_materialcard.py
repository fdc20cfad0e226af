"""The material card reader (`iohandling.getmaterialdatafromfile`): per-(ply, section) property
tables, the temperature axis, the factor table, the resin calibration tables and the cure
tables, read from cards written into temporary job folders."""

import itertools

import numpy as np
import pytest

import _tolvek
from seeding import rng_seed

io = _tolvek.iohandling
md = _tolvek.materialdata
sd = _tolvek.sectiondata
err = _tolvek.errorhandling
HUGE = np.finfo(float).max
EMPTY = 2147483647


def release():
    """The end of an analysis: tables released, section counts reset as analysis control does."""
    _tolvek.datahandling.deallocall()
    sd.nsec = sd.nplies = 0


@pytest.fixture(autouse=True)
def fresh_model():
    def clear():
        release()
        md.modelid = md.ntempdata = 0
        err.rsxerr(1)
    clear()
    yield
    clear()


def material(mid, *lines):
    return [f"++Begin Material, MATID={mid}", *lines, "++End Material"]


def job(folder, layups=None, *lines, read=True, nplies=None, nsec=None):
    """Writes the material card (and a section card of the given material-id layups, one list of
    ids per section), reads the section card and then the material card."""
    folder.mkdir(exist_ok=True)
    if layups is not None:
        sec_lines = []
        for ids in layups:
            sec_lines += ["++Begin Section, SECID=1", "+Material", " ".join(map(str, ids)), "+Orientation",
                          " ".join("0" for _ in ids), "+Thickness", "0.1", "++End Section"]
        (folder / "SectionCard.tvk").write_text("\n".join(sec_lines) + "\n")
        io.getsectiondatafromfile("", str(folder))
    if read:
        (folder / "MaterialCard.tvk").write_text("\n".join(lines) + "\n")
        io.getmaterialdatafromfile("", str(folder), sd.nplies if nplies is None else nplies,
                                   sd.nsec if nsec is None else nsec)
    return str(folder)


def nye_isotropic(e, nu):
    g = e / (2.0 * (1.0 + nu))
    return np.array([e, e, e, nu, nu, nu, g, g, g])


def message():
    return err.errstring.tobytes().decode().rstrip()


# ---- per-ply tables ------------------------------------------------------------------------------

def test_isotropic_material_goes_to_every_slot_of_its_id(tmp_path):
    job(tmp_path, [[1, 2, 1], [2]], *material(1, "+Elastic", "70000 0.3"))
    assert md.peprops.shape == (9, 3, 2)
    for ply, sec in ((0, 0), (2, 0)):
        np.testing.assert_allclose(md.peprops[:, ply, sec], nye_isotropic(70000.0, 0.3), rtol=1e-15)
    assert md.peprops[:, 1, 0].tolist() == [0.0] * 9
    assert not md.peprops[:, :, 1].any()
    # Fill values of the tables that the card leaves alone.
    assert (md.pelimits == -1.0).all() and (md.pdprops == HUGE).all() and (md.cuprops == HUGE).all()
    assert not md.pfflags.any() and not md.peflags.any() and not md.psprops.any()
    assert md.temperatures.tolist() == [HUGE] and md.ntempdata == 1
    # Material 2, which both sections name, has no block: its plies keep the fill values, and the
    # record says so (both sections carry the card's id 1).
    assert (int(err.errstat), message()) == (-2, "Warning: material 2 of section 1 given by no material block.")
    assert err.errintv.tolist() == [2, 1]


def test_two_materials_by_ply_and_the_last_single_settings(tmp_path):
    job(tmp_path, [[1, 2]],
        *material(1, "+Elastic", "100 0.2", "+ModelID", "3", "+Regularization, TYPE=VISCOUS", "0.1 0.2"),
        *material(2, "+Elastic", "10,0.25", "+ModelID", "7", "+Regularization, type=viscous", "0.5"))
    np.testing.assert_allclose(md.peprops[:, 0, 0], nye_isotropic(100.0, 0.2))
    np.testing.assert_allclose(md.peprops[:, 1, 0], nye_isotropic(10.0, 0.25))
    assert md.modelid == 7
    assert md.regularization.tolist() == [0.5, 0.2]  # written straight in, entry by entry


def test_blocks_over_their_count_limits_are_not_copied(tmp_path):
    six = "0.9 0.9 0.9 0.5 0.9 0.9"
    twelve = " ".join(str(0.05 * k) for k in range(1, 13))
    job(tmp_path, [[1, 2, 3, 4]],
        *material(1, "+Elastic", " ".join(["1"] * 10), "+Failure, TYPE=DEGRADATION", six,
                  "+Fracture", "1 2 3 4 5 6", "+Failure, TYPE=PROPERTIES", "0.3 0.2 0.1"),
        *material(2, "+Failure, TYPE=DEGRADATION", six + " 0.9", "+Fracture", "1 2 3 4 5",
                  "+Strength", " ".join(["5"] * 11), "+Hygrothermal", "1 2 3 4 5 6"),
        *material(3, "+Failure, TYPE=DEGRADATION", twelve, "+Strength", "1 2 3", "+Hygrothermal", "7 8"),
        *material(4, "+Elastic", "1"), *material(2, "+Elastic", "1 2 3"))
    assert md.peprops.shape[0] == 10 and not md.peprops.any()
    assert message() == "Warning: +Elastic of material 1 has 10 values, 2 to 9 are read."  # the first report
    np.testing.assert_array_equal(md.pelimits[:, 0, 0], [0.9, 0.9, 0.9, 0.5, 0.9, 0.9] * 2)
    assert (md.pelimits[:, 1, 0] == -1.0).all()
    np.testing.assert_allclose(md.pelimits[:, 2, 0], [0.05 * k for k in range(1, 13)])
    assert md.pfprops.shape[0] == 6
    assert not md.pfprops[:, 0, 0].any() and md.pfprops[:, 1, 0].tolist() == [1, 2, 3, 4, 5, 0]
    assert md.pdprops[:, 0, 0].tolist() == [0.3, 0.2, 0.1]
    assert not md.psprops[:, 1, 0].any() and md.psprops[:3, 2, 0].tolist() == [1, 2, 3]
    assert md.psprops.shape[0] == 11 and md.phprops.shape[0] == 6
    assert not md.phprops[:, 1, 0].any() and md.phprops[:2, 2, 0].tolist() == [7, 8]


@pytest.mark.parametrize("keyword, named, taken, kept, lost", [
    ("+Failure, TYPE=INITIATION", "+Failure INITIATION", "up to 5", 5, 6),
    ("+Failure", "+Failure INITIATION", "up to 5", 5, 9),
    ("+Failure, TYPE=EVOLUTION", "+Failure EVOLUTION", "up to 5", 5, 6),
    ("+Failure, TYPE=PROPERTIES", "+Failure PROPERTIES", "up to 5", 5, 8),
    ("+Failure, TYPE=DEGRADATION", "+Failure DEGRADATION", "6 or 12", 12, 7),
    ("+Strength", "+Strength", "up to 10", 10, 11),
    ("+Fracture", "+Fracture", "up to 5", 5, 6), ("+Hygrothermal", "+Hygrothermal", "up to 5", 5, 6)])
def test_surplus_values_of_any_block_are_reported_with_keyword_material_and_count(tmp_path, keyword, named, taken,
                                                                                  kept, lost):
    for count, mid in ((kept, 4), (lost, 13)):  # a block its table takes whole leaves no report
        err.rsxerr(1)
        job(tmp_path / f"m{count}", [[mid]], *material(mid, keyword, " ".join(["1"] * count)))
        assert err.errstat == (0 if count == kept else -2)
    assert message() == f"Warning: {named} of material 13 has {lost} values, {taken} are read."
    assert err.errintv.tolist() == [13, lost]


def test_elastic_block_of_more_than_nine_values_lost_silently(tmp_path):
    # the block is not copied (the material keeps 0.0), and the loss is a warning naming the
    # material by its id, with the id and the count as the record's integers
    for values, mid in ((10, 7), (12, 3), (1, 5)):
        err.rsxerr(1)
        release()
        job(tmp_path / f"m{values}", [[mid, 2]], *material(mid, "+Elastic", " ".join(["3"] * values)),
            *material(2, "+Elastic", "70000 0.3"))
        assert not md.peprops[:, 0, 0].any()
        np.testing.assert_allclose(md.peprops[:9, 1, 0], nye_isotropic(70000.0, 0.3), rtol=1e-15)
        assert err.errstat == -2
        assert message() == f"Warning: +Elastic of material {mid} has {values} values, 2 to 9 are read."
        assert err.errintv.tolist() == [mid, values]
    # counts 2 to 9 that are not 2, 5 or 9 keep their own report; 2, 5 and 9 none
    for values, text in ((3, "Unsupported input in GetNyeProperties"), (5, ""), (9, "")):
        err.rsxerr(1)
        release()
        job(tmp_path / f"n{values}", [[1]], *material(1, "+Elastic", " ".join(["0.2"] * values)))
        assert err.errstat == (-2 if text else 0)
        if text:
            assert message() == text


def test_failure_flags_and_option_less_lines_before_the_block(tmp_path):
    job(tmp_path, [[1, 2, 3]],
        *material(1, "+Failure", "1 2 3 4 5"),
        *material(2, "+Failure, TYPE=INITIATION", "5 4 3", "+Failure, TYPE=EVOLUTION", "1 0 1 0 1"),
        "+Failure", "9 9", "+Curing, TYPE=RATE", "1",  # only the option-less line counts out here
        "+Failure, TYPE=EVOLUTION", "7 7",
        *material(3, "+ModelID", "2"),
        *material(1, "+Elastic", "1 0.1"))  # the option-less values do not carry to this block
    assert md.pfflags[:, 0, 0].tolist() == [1, 2, 3, 4, 5]
    assert md.pfflags[:, 1, 0].tolist() == [5, 4, 3, 0, 0]
    assert md.peflags[:, 1, 0].tolist() == [1, 0, 1, 0, 1]
    assert md.pfflags[:, 2, 0].tolist() == [9, 9, 0, 0, 0]
    assert not md.peflags[:, 2, 0].any() and not md.peflags[:, 0, 0].any()


def test_unclosed_blocks_and_foreign_ids_copy_nothing(tmp_path):
    job(tmp_path, [[1, 2]],
        *material(5, "+Elastic", "5 0.1"),                      # no slot carries id 5
        "++Begin Material, MATID=1", "+Elastic", "1 0.1",       # never closed
        "++Begin Material, MATID=2", "+Strength", "9", "++End Material",
        "++End Material",                                       # a closer without an opener
        "++Begin Material, NOID", "+Elastic", "3 0.1", "++End Material",
        " +Elastic", "4 0.1", "+Elastic", "6 0.1")              # outside any block
    assert not md.peprops.any()
    assert md.psprops[0, 1, 0] == 9.0 and not md.psprops[:, 0, 0].any()


# ---- temperature axis, factor table and calibration tables ---------------------------------------

def test_temperature_lists_are_merged(tmp_path):
    job(tmp_path, [[1]], *material(1, "+Temperature", "80 20"), *material(2, "+Temperatures", "20,50", "80"),
        *material(3, "+Elastic", "1 0.1"), "++Begin Material, MATID=4", "+Temperature", "5")
    assert md.temperatures.tolist() == [20.0, 50.0, 80.0] and md.ntempdata == 3
    assert md.peprops.shape == (27, 1, 1)


@pytest.mark.parametrize("lists", [[], [""], ["1.7976931348623157e308"]])
def test_no_usable_temperature_gives_the_single_largest_double(tmp_path, lists):
    blocks = [line for k, values in enumerate(lists) for line in material(k + 1, "+Temperature", values)]
    job(tmp_path, [[1]], *blocks)
    assert md.temperatures.tolist() == [HUGE] and md.ntempdata == 1
    assert md.peprops.shape == (9, 1, 1) and md.secantprops.shape == (1, 1, 2)


def test_calibration_rows_follow_the_temperature_axis(tmp_path):
    job(tmp_path, [[1]], *material(
        1, "+Temperature", "20 80",
        "+Calibration, TYPE=Secant, T=20", "0 0 0.01 30",
        "+Calibration, TYPE=Secant, T=80", "0 0 0.01 20",
        "+Calibration, TYPE=Secant, t=20", "5 5 5 5",       # "T=" is case-sensitive
        "+Calibration, TYPE=Secant", "6 6 6 6",             # no "T="
        "+Calibration, TYPE=Secant, T=20, UNIT=MPa", "7 7",  # "T=" twice
        "+Calibration, TYPE=Plasticity, T=20", "1 2 3 4 5 6",
        "+Calibration, type=plasticity, T=80", "7 8 9",
        "+Calibration, TYPE=EquivalentStress", "1 100 2 200 3",
        "+Calibration, TYPE=Alpha2, T=20", "0.5 1.5"),
        *material(2, "+Calibration, TYPE=Shear, T=80", "5 5", "+Calibration, TYPE=Normal, T=20", "1 1",
                  "+Calibration, TYPE=Normal, T=80", "2 2", "+Calibration, TYPE=Normal, T=20", "3 3 4 4"))
    s = md.secantprops
    assert s.shape == (2, 2, 2) and md.nsecantdata == 2
    assert s[0, :, 0].tolist() == [0, 0.01] and s[0, :, 1].tolist() == [0, 30]
    assert s[1, :, 0].tolist() == [0, 0.01] and s[1, :, 1].tolist() == [0, 20]
    # Every type's rows go to their own temperatures.
    f = md.flowprops
    assert f.shape == (2, 2, 3) and md.nflowdata == 2
    assert f[0, 0].tolist() == [1, 2, 3] and f[0, 1].tolist() == [4, 5, 6]
    assert f[1, 0].tolist() == [7, 8, 9] and f[1, 1].tolist() == [0, 0, 0]  # unset entries are 0.0
    assert md.equivalentstress.tolist() == [[1, 100], [2, 200]]
    assert md.alpha2props.shape == (2, 1, 2) and md.alpha2props[:, 0].tolist() == [[0.5, 1.5], [0, 0]]
    assert md.nalpha1data == md.nsheardata == 1
    # Material 2, without a list of its own, takes the axis of material 1: its shear line goes to
    # row 80, the normal lines to rows 20, 80 and 20 again, the last one overwriting the first.
    assert md.shearprops[:, 0, :].tolist() == [[0, 0], [5, 5]]
    assert md.normalprops[:, :, 1].tolist() == [[3, 4], [2, 0]]
    # Material 1 gives no Alpha2 row at its 80: the first report
    assert message() == "Warning: +Calibration Alpha2 of material 1: no row at one of its T."
    assert err.errintv.tolist() == [1, 2] and err.errrealv[0] == 80.0


CALIBRATION = {"Secant": ("secantprops", 2), "Normal": ("normalprops", 2), "Shear": ("shearprops", 2),
               "Plasticity": ("flowprops", 3), "Alpha1": ("alpha1props", 2), "Alpha3": ("alpha3props", 2)}


def test_calibration_rows_go_to_their_own_temperature_in_any_order(tmp_path):
    rng = np.random.default_rng(rng_seed(67))
    for case in range(20):
        own = sorted(rng.choice([-40.0, 20.0, 23.5, 80.0, 1e3], size=rng.integers(1, 5), replace=False))
        axis = sorted(set(own) | {-60.0, 50.0})  # with a second material's temperatures
        lines, expected = [], {}
        for word, (name, fields) in CALIBRATION.items():
            if rng.random() < 0.5:
                continue
            expected[name] = np.zeros((len(axis), 2 * fields))
            for temp in own:  # the reference: the row at the temperature's place on the axis
                expected[name][axis.index(temp)] = row = rng.integers(1, 100, size=2 * fields)
                lines.append([f"+Calibration, TYPE={word}, T={temp:g}", " ".join(map(str, row))])
        rng.shuffle(lines)
        release()
        job(tmp_path / str(case), [[1, 2]], *material(1, "+Temperature", "-60 50"),
            *material(2, "+Temperature", ", ".join(map(str, own)), *sum(lines, [])))
        assert md.temperatures.tolist() == axis
        for name, table in expected.items():
            assert getattr(md, name).reshape(len(axis), -1, order="C").tolist() == table.tolist(), (case, name)
        assert err.errstat == 0, message()  # rows at the other material's temperatures stay unset


def test_calibration_row_off_the_axis_or_missing_is_reported_with_material_and_type(tmp_path):
    # a temperature not on the axis keeps the row of its order, reported with the material and
    # the type; a card that numbers its rows by order still loads
    for mark, text in (("T=1", 1.0), ("T=2.0e1x", np.nan), ("T=", np.nan)):
        err.rsxerr(1)
        release()
        job(tmp_path, [[7]], *material(7, "+Temperature", "20, 80", "+Calibration, TYPE=Shear, T=20", "5 5",
                                       f"+Calibration, TYPE=Shear, {mark}", "6 6"))
        assert md.shearprops[:, 0].tolist() == [[5, 5], [6, 6]]
        assert message() == "Warning: +Calibration Shear of material 7: T= not on the axis."
        assert err.errintv.tolist() == [7, 2]
        np.testing.assert_equal(err.errrealv[0], text)
    # a type left without its row at one of the material's temperatures
    err.rsxerr(1)
    job(tmp_path, [[3]], *material(3, "+Temperature", "20, 80", "+Calibration, TYPE=Normal, T=20", "1 1",
                                   "+Calibration, TYPE=Plasticity, T=20", "1 2 3"))
    assert message() == "Warning: +Calibration Normal of material 3: no row at one of its T."
    assert err.errintv.tolist() == [3, 2] and err.errrealv[0] == 80.0


def test_off_axis_calibration_row_never_overwrites_a_row_placed_by_its_own_t(tmp_path):
    # T=55 is off the axis (20, 80): its row by order is 1, 2, 1 as it stands first, second or
    # third; both rows are placed by their own T=, so in every order the placed rows stand and the
    # report names the temperature of the row kept
    lines = {80.0: ["+Calibration, TYPE=Secant, T=80", "1 1 1 1"], 55.0: ["+Calibration, TYPE=Secant, T=55", "9 9 9 9"],
             20.0: ["+Calibration, TYPE=Secant, T=20", "2 2 2 2"]}
    for case, order in enumerate(itertools.permutations(lines)):
        err.rsxerr(1)
        release()
        job(tmp_path / str(case), [[4]], *material(4, "+Temperature", "20, 80", *sum((lines[t] for t in order), [])))
        assert md.secantprops.reshape(2, -1).tolist() == [[2] * 4, [1] * 4], order
        row = (order.index(55.0) % 2) + 1
        assert message() == "Warning: +Calibration Secant of material 4: T= off the axis; row at T kept."
        assert err.errintv.tolist() == [4, row] and err.errrealv.tolist() == [55.0, [20.0, 80.0][row - 1]], order


def test_thermal_mode_scales_elastic_and_strength_per_temperature(tmp_path):
    strength = "1000 50 50 800 150 150 80 80 60 90"
    table = ["1.0 0.9 1.0 0.8", " ".join(["1.0 0.5"] * 10)]
    job(tmp_path, [[1, 2]],
        *material(1, "+Temperature", "20 80", "+Elastic", "70000 0.3", "+Strength", strength,
                  "+Table, TYPE=TEMPERATURE", *table))
    np.testing.assert_allclose(md.peprops[:9, 0, 0], nye_isotropic(70000.0, 0.3))
    np.testing.assert_allclose(md.peprops[9:, 0, 0], nye_isotropic(63000.0, 0.24), rtol=1e-14)
    np.testing.assert_allclose(md.peprops[9:, 0, 0][6], 25403.225806451614, rtol=1e-14)
    assert md.psprops[10:, 0, 0].tolist() == [500, 25, 25, 400, 75, 75, 40, 40, 30, 45]
    assert md.psprops[:10, 0, 0].tolist() == [float(v) for v in strength.split()]
    # A table one value short leaves thermal mode off: block 1 unscaled, block 2 untouched.
    release()
    job(tmp_path, [[1]],
        *material(1, "+Temperature", "20 80", "+Elastic", "70000 0.3", "+Strength", strength,
                  "+Table, TYPE=TEMPERATURE", table[0], " ".join(["1.0 0.5"] * 9) + " 1.0"))
    np.testing.assert_allclose(md.peprops[:9, 0, 0], nye_isotropic(70000.0, 0.3))
    assert not md.peprops[9:, 0, 0].any() and not md.psprops[10:, 0, 0].any()


def test_thermal_mode_needs_a_material_temperature_list(tmp_path):
    table = " ".join(["2.0"] * 4)  # (2 elastic values) x (2 temperatures)
    job(tmp_path, [[1, 2, 3]],
        *material(1, "+Elastic", "10 0.1", "+Table, TYPE=TEMPERATURE", table),  # no list yet: unscaled
        *material(2, "+Temperature", "20 80", "+Elastic", "10 0.1"),            # table and flag in force
        *material(3, "+Elastic", "10 0.1", "+Table, TYPE=TEMPERATURE", "1 1 1"))  # replaced: wrong size
    np.testing.assert_allclose(md.peprops[:9, 0, 0], nye_isotropic(10.0, 0.1))
    assert not md.peprops[9:, 0, 0].any()
    np.testing.assert_allclose(md.peprops[:, 1, 0], np.tile(nye_isotropic(20.0, 0.2), 2))
    np.testing.assert_allclose(md.peprops[:9, 2, 0], nye_isotropic(10.0, 0.1))


CURE = ["+GelPoint", "0.6", "+Enthalpie", "450.0", "+Expansion", "1 2 3 4 5 6", "+Shrinkage", "6 5 4 3 2 1",
        "+Curing", "0.01 5", "+Transition", "20 180 0.5", "+Curing, TYPE=RATE", "1 2 3 4 5 6 7 120 1 2 3 4 5 6 7",
        "+Curing, TYPE=MASTER", "1 2 3 4"]


def test_cure_blocks_need_all_eight(tmp_path):
    job(tmp_path, [[1, 2]], *material(1, *CURE), *material(2, *CURE[:-2]))
    c = md.cuprops
    assert c.shape == (15, 8, 2, 1)
    assert c[0, 1, 0, 0] == 450.0 and (c[1:, 1, 0, 0] == HUGE).all()
    assert c[:6, 2, 0, 0].tolist() == [1, 2, 3, 4, 5, 6] and c[:3, 5, 0, 0].tolist() == [20, 180, 0.5]
    assert c[:15, 6, 0, 0].tolist() == [1, 2, 3, 4, 5, 6, 7, 120, 1, 2, 3, 4, 5, 6, 7]
    assert c[:4, 7, 0, 0].tolist() == [1, 2, 3, 4] and (c[4:, 7, 0, 0] == HUGE).all()
    assert (c[:, :, 1, 0] == HUGE).all()
    # The option-less "+Curing" may stand before its block.
    job(tmp_path, [[1]], "+Curing", "0.02 6", *material(1, *CURE[:8], *CURE[10:]))
    assert md.cuprops[:2, 4, 0, 0].tolist() == [0.02, 6]


def test_cure_blocks_reach_the_single_slot_without_any_material(tmp_path):
    job(tmp_path, [[EMPTY]], *material(3, *CURE))
    assert md.cuprops[0, 1, 0, 0] == 450.0


# ---- creation, reuse and release -------------------------------------------------------------------

def test_without_matidlist_the_tables_are_only_created(tmp_path):
    job(tmp_path, None, *material(1, "+Elastic", "1 0.1", "+ModelID", "5", "+I10", "3"), nplies=2, nsec=3)
    assert md.matidlist is None and md.modelid == 0 and md.i10 is None
    assert md.peprops.shape == (9, 2, 3) and not md.peprops.any()
    assert md.pelimits.shape == (12, 2, 3) and md.cuprops.shape == (7, 8, 2, 3)


def test_a_second_read_reuses_the_tables_without_refilling(tmp_path):
    job(tmp_path, [[1, 2]], *material(1, "+Elastic", "1 0.1", "+Failure, TYPE=PROPERTIES", "1 2"),
        *material(2, "+Elastic", "2 0.2"))
    peprops = md.peprops
    job(tmp_path / "second", None, *material(2, "+Elastic", "3 0.3"), nplies=2, nsec=1)
    assert md.peprops.shape == (9, 2, 1)
    np.testing.assert_allclose(md.peprops[:, 0, 0], nye_isotropic(1.0, 0.1))  # kept from the first file
    np.testing.assert_allclose(md.peprops[:, 1, 0], nye_isotropic(3.0, 0.3))
    assert md.pdprops[:, 0, 0].tolist() == [1, 2]
    np.testing.assert_array_equal(peprops, md.peprops)  # the same table, written in place


def test_a_second_analysis_after_release_keeps_nothing_of_the_first(tmp_path):
    job(tmp_path, [[1, 2], [2, 1]],
        *material(1, "+Temperature", "20 50 80", "+Elastic", " ".join(["1"] * 9), "+I10", "4",
                  "+Calibration, TYPE=Ratio", "0.7", "+Calibration, TYPE=Secant, T=20", "1 2 3 4 5 6",
                  "+Failure", "1 1 1 1 1", *CURE))
    release()
    job(tmp_path / "second", [[3]], *material(3, "+Elastic", "2 0.25", "+Calibration, TYPE=Shear, T=1", "9 9"))
    assert md.temperatures.tolist() == [HUGE] and md.ntempdata == 1
    assert md.peprops.shape == (9, 1, 1) and md.cuprops.shape == (7, 8, 1, 1) and (md.cuprops == HUGE).all()
    assert not md.pfflags.any() and md.i10 is None and md.r_crit is None
    assert md.secantprops.shape == (1, 1, 2) and not md.secantprops.any() and md.nsecantdata == 1
    assert md.shearprops.tolist() == [[[9.0, 9.0]]]


def test_leftover_tables_without_the_key_table_are_made_anew(tmp_path):
    # A partial release (or tables set from Python) leaves block tables of another model.
    md.cuprops = np.zeros((2, 8, 5, 5))
    md.pelimits = np.zeros((1, 1, 1))
    md.secantprops = np.ones((4, 4, 2))
    md.temperatures = np.arange(7.0)
    md.regularization = np.zeros(1)
    job(tmp_path, [[1, 2]], *material(1, "+Temperature", "10 30", "+Failure, TYPE=DEGRADATION", "1 2 3 4 5 6",
                                      "+Calibration, TYPE=Secant, T=10", "1 2 3 4",
                                      "+Regularization, TYPE=VISCOUS", "1 2 3"))
    assert md.cuprops.shape == (7, 8, 2, 1) and (md.cuprops == HUGE).all()
    assert md.pelimits.shape == (12, 2, 1) and md.pelimits[:, 0, 0].tolist() == [1, 2, 3, 4, 5, 6] * 2
    assert md.secantprops.shape == (2, 2, 2) and md.secantprops[:, :, 0].tolist() == [[1, 3], [0, 0]]
    assert md.temperatures.tolist() == [10, 30] and md.regularization.tolist() == [1, 2, 3]
    assert message() == "Warning: +Calibration Secant of material 1: no row at one of its T."


def test_values_beyond_reused_tables_are_dropped_with_a_warning(tmp_path):
    job(tmp_path, [[1]], *material(1, "+Elastic", "1 0.1", "+Regularization, TYPE=VISCOUS", "1"))
    # The second file needs longer tables than the first created: more temperatures, a 12-value
    # strength table, longer cure and regularization blocks, more calibration rows.
    job(tmp_path / "second", None,
        *material(1, "+Temperature", "1 2 3", "+Elastic", "2 0.2", "+Strength", "1 2 3 4 5 6 7 8 9 10",
                  "+Table, TYPE=TEMPERATURE", " ".join(["0.5"] * 36), "+Regularization, TYPE=VISCOUS", "7 8 9",
                  "+Calibration, TYPE=Secant, T=1", "1 2 3 4 5 6", "+Calibration, TYPE=Secant, T=2", "1 2",
                  "+Calibration, TYPE=Secant, T=3", "1 2",
                  "+Calibration, TYPE=EquivalentStress", "1 2 3 4 5 6", *CURE[:12],
                  "+Curing, TYPE=RATE", " ".join(["1"] * 30), *CURE[14:]),
        nplies=1, nsec=1)
    assert md.peprops.shape == (9, 1, 1) and md.secantprops.shape == (1, 1, 2)
    np.testing.assert_allclose(md.peprops[:, 0, 0], nye_isotropic(1.0, 0.1))  # (2, 0.2) x 0.5: block 1 of 3
    assert md.psprops[:, 0, 0].tolist() == [0.5 * k for k in range(1, 11)]
    assert md.regularization.tolist() == [7.0]
    assert md.secantprops.tolist() == [[[1.0, 2.0]]] and md.nsecantdata == 3
    assert md.equivalentstress.tolist() == [[1.0, 2.0]]
    assert md.cuprops[:, 6, 0, 0].tolist() == [1.0] * 7
    assert md.temperatures.tolist() == [1, 2, 3] and md.ntempdata == 3
    assert message() == "Warning: card value outside table in getmaterialdatafromfile."


def test_repeated_temperatures_never_outgrow_the_tables(tmp_path):
    job(tmp_path, [[1]], *material(
        1, "+Temperature", "20 20 80", "+Elastic", "10 0.1", "+Table, TYPE=TEMPERATURE", "1 2 1 2",
        "+Calibration, TYPE=Alpha1, T=20", "1 1", "+Calibration, TYPE=Alpha1, T=20", "2 2",
        "+Calibration, TYPE=Alpha1, T=80", "3 3"))
    assert md.temperatures.tolist() == [20, 80] and md.ntempdata == 2
    assert md.peprops.shape == (18, 1, 1)
    np.testing.assert_allclose(md.peprops[9:, 0, 0], nye_isotropic(20.0, 0.2))
    # Rows go to their temperature: the second row at 20 overwrites the first.
    assert md.alpha1props[:, 0].tolist() == [[2, 2], [3, 3]]
    assert err.errstat == 0


def test_matidlist_smaller_than_the_arguments(tmp_path):
    job(tmp_path, [[1]], *material(1, "+Elastic", "1 0.1", *CURE), nplies=4, nsec=3)
    assert md.peprops.shape == (9, 4, 3) and md.peprops[0, 0, 0] == 1.0
    assert md.peprops[:, 1:, :].sum() == 0 and md.peprops[:, :, 1:].sum() == 0
    # Arguments below the extents limit the slots that are looked at.
    release()
    job(tmp_path / "b", [[1, 1]], *material(1, "+Elastic", "1 0.1"), nplies=1, nsec=1)
    assert md.peprops.shape == (9, 1, 1) and md.peprops[0, 0, 0] == 1.0 and md.matidlist.shape == (2, 1)
    io.getmaterialdatafromfile("", str(tmp_path / "b"), -5, 0)
    assert md.peprops.shape == (9, 1, 1)


# ---- single settings -----------------------------------------------------------------------------

def test_i10_and_critical_ratio(tmp_path):
    job(tmp_path, [[1]], *material(1, "+I10, TYPE=Ratio", "2.5 9", "+Calibration, TYPE=Ratio", "0.25 9"))
    assert md.i10.tolist() == [2.5] and md.r_crit.tolist() == [0.25]
    job(tmp_path, [[1]], *material(1, "+Calibration, TYPE=Ratio", "0.5"))
    assert md.i10.tolist() == [2.5] and md.r_crit.tolist() == [0.5]


def test_empty_single_setting_blocks_set_nothing(tmp_path):
    md.modelid = 4
    job(tmp_path, [[1]], *material(1, "+ModelID", "+I10", "+Calibration, TYPE=Ratio", "+Elastic", "1 0.1"))
    assert md.modelid == 4 and md.i10 is None and md.r_crit is None
    assert md.peprops[0, 0, 0] == 1.0


def test_blocks_taken_from_the_input_deck(tmp_path):
    deck = tmp_path / "job.inp"
    deck.write_text("*Heading\n++Begin Material, MATID=1\n+Elastic\n5.0 0.25\n*Material, name=A\n"
                    "*Elastic\n1., 2.\n++End Material\n")
    job(tmp_path / "ws", [[1]], read=False)
    io.getmaterialdatafromfile(str(deck), str(tmp_path / "ws"), 1, 1)
    np.testing.assert_allclose(md.peprops[:, 0, 0], nye_isotropic(5.0, 0.25))
    md.peprops = None
    io.getmaterialdatafromfile(str(tmp_path / "none.inp"), str(tmp_path / "ws"), 1, 1)
    assert md.peprops is None
    assert io.getfreeunitnumber(1, 120) == 1  # every read closed its unit


def test_unreadable_values_are_reported_and_not_copied(tmp_path):
    job(tmp_path, [[1]], *material(1, "+Elastic", "1 abc", "+Failure", "1.5 2", "+Strength", "3"))
    assert not md.peprops.any() and not md.pfflags.any() and md.psprops[0, 0, 0] == 3.0
    assert message() == "Error: Error in GetDataPointsRead operation exited with an error."


def test_failure_options_and_ids_written_with_blanks_or_in_any_case_read_as_the_canonical_ones(tmp_path):
    """"+Failure, TYPE = INITIATION" (blanks around "="), the other types so written or in lower
    case, and an opener "MatID = 1" give the tables of the canonical card, without a report."""
    blocks = ["+Elastic", "70000 0.3", "+Failure, TYPE=INITIATION", "8 13 15 0 0", "+Failure, TYPE=EVOLUTION",
              "1 1 2 0 1", "+Failure, TYPE=PROPERTIES", "0.3 0.2", "+Failure, TYPE=DEGRADATION",
              "0.9 0.9 0.9 0.5 0.9 0.9"]

    def tables(opener, lines):
        release()
        err.rsxerr(1)
        job(tmp_path / "job", [[1, 1]], opener, *lines, "++End Material")
        assert err.errstat == 0, message()
        return [getattr(md, n).copy() for n in ("peprops", "pfflags", "peflags", "pdprops", "pelimits")]

    canonical = tables("++Begin Material, MatID=1", blocks)
    assert canonical[1][:, 0, 0].tolist() == [8, 13, 15, 0, 0] and canonical[2][:, 1, 0].tolist() == [1, 1, 2, 0, 1]
    assert canonical[3].shape == (2, 2, 1) and canonical[4][3, 0, 0] == 0.5
    for form in ("TYPE = {}", "TYPE ={}", "TYPE= {}", "type={}", "Type = {}"):
        lines = [("+Failure, " + form.format(line[15:].lower())) if line.startswith("+Failure") else line
                 for line in blocks]
        for opener in ("++Begin Material, MatID=1", "++Begin Material, MatID = 1", "++Begin Material, MATID =1"):
            got = tables(opener, lines)
            for g, c in zip(got, canonical):
                assert g.shape == c.shape and np.array_equal(g, c), (form, opener)


def test_a_material_no_block_gives_is_reported_with_its_section(tmp_path):
    """A section whose material the card does not give keeps no property: the reader names the
    material and the section (by its card id), once, with both as the record's integers."""
    (tmp_path / "SectionCard.tvk").write_text(
        "++Begin Section, SecID=4\n+Material\n1\n+Orientation\n0 90\n+Thickness\n0.1\n++End Section\n"
        "++Begin Section, SecID=9\n+Material\n2 1\n+Orientation\n0 90\n+Thickness\n0.1\n++End Section\n")
    io.getsectiondatafromfile("", str(tmp_path))
    for lines, want in (((*material(1, "+Elastic", "70000 0.3"), *material(2, "+Elastic", "3000 0.35")), None),
                        (material(2, "+Elastic", "3000 0.35"), (1, 4)),
                        # A block that is never closed gives nothing.
                        (("++Begin Material, MatID=2", "+Elastic", "1 0.3", *material(1, "+Elastic", "7 0.3")),
                         (2, 9))):
        md.peprops = md.pfflags = md.peflags = md.pelimits = md.psprops = md.phprops = md.pfprops = None
        md.pdprops = md.cuprops = None
        err.rsxerr(1)
        (tmp_path / "MaterialCard.tvk").write_text("\n".join(lines) + "\n")
        io.getmaterialdatafromfile("", str(tmp_path), int(sd.nplies), int(sd.nsec))
        if want is None:
            assert err.errstat == 0 and md.peprops[0].tolist() == [[70000, 3000], [70000, 70000]]
            continue
        assert (int(err.errstat), message()) == (
            -2, f"Warning: material {want[0]} of section {want[1]} given by no material block.")
        assert err.errintv.tolist() == list(want)


def test_a_calibration_line_passed_over_for_its_temperature_mark_is_reported(tmp_path):
    """"T=" is read in capitals only, and once: a row line without it is passed over, and the
    block's closer says so (after the block's own reports)."""
    for option in ("TYPE=Secant, t=20", "TYPE=Secant", "TYPE=Normal, T=20, T=80"):
        release()
        err.rsxerr(1)
        job(tmp_path, [[1]], *material(1, "+Temperature", "20", "+Calibration, " + option, "0 0 0.01 30"))
        assert not md.secantprops.any() and not md.normalprops.any()
        assert (int(err.errstat), message()) == (
            -2, f"Warning: +Calibration of material 1 not read: {option}")
        assert err.errintv[0] == 1
