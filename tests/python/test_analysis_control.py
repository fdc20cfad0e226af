"""Analysis control driven from Python as a solver drives it: a job folder (input deck, step,
section, material and damage cards, data listing, message file) in a temporary directory, the
hooks called in the solver's order, and the model tables checked after each call."""
from pathlib import Path

import numpy as np
import pytest

import _tolvek as t
from error_record import clean_record, errstat, errtext  # noqa: F401 (autouse fixture)
from seeding import rng_seed

tl = t.toplevel
G = 9.80665
HUGE = np.finfo(float).max
DATA = Path(__file__).resolve().parent / "data"
NO_DECK = "Cannot process any input file. Execution stops. Please check paths and your input deck format."[:80]
HELD = "Error: earlier analysis still held; release it (UEXTERNALDB_IOControl code 3)."

DECK = """*Heading
*Part, name=Plate
*End Part
*Instance, name=TVK_SENSORELEMENT-1, part=Plate
 10.0, 20.0, 0.0
*End Instance
*Step, name=TVK_INITIALIZATION-1
*End Step
*Step, name=TVK_IMPACT-2
*End Step
*Step, name=TVK_FATIGUE-3
*End Step
"""

STEP_CARD = """++Begin Step, STEP 1
+Update, TYPE=INC
3
+Cycle, TYPE=DIRECT
0 0 0
0 0 0
0 1 5
++End Step
"""

SECTION_CARD = """++Begin Section, SECID=1
+Material
1
+Orientation
0 90 90 0
+Thickness
0.125
+Extension
0 0
++End Section
"""

ELASTIC = np.array([140000, 9000, 9000, 0.3, 0.3, 0.45, 4600, 4600, 3100], float)
MATERIAL_CARD = """++Begin Material, MATID=1
+Elastic
140000 9000 9000 0.3 0.3 0.45 4600 4600 3100
+Strength
2000 50 50 1200 200 200 80 80 80 90
+Failure, TYPE=INITIATION
0 0 0 0 0
+Failure, TYPE=EVOLUTION
1 1 1 0 0
++End Material
"""

DAMAGE_CARD = """++Begin Damage, DMGID=1
+Position
0.0 0.0 0.0 0.0
+Abstraction, TYPE=Matrix
1 5.0 3.0 0
1 5.0 3.0 0
1 5.0 3.0 0
1 5.0 3.0 0
++End Damage
"""

MSG = "  CYCLE 1200 COMPLETED\n SOME OTHER RECORD\n  CYCLE 1300 COMPLETED\n THE ANALYSIS HAS COMPLETED\n"

CARDS = {"StepCard.tvk": STEP_CARD, "SectionCard.tvk": SECTION_CARD, "MaterialCard.tvk": MATERIAL_CARD,
         "DamageCard.tvk": DAMAGE_CARD}


def release_all():
    tl.uexternaldb_iocontrol(3, 0, [0.0, 0.0], 0.0, 0, 0)


@pytest.fixture(autouse=True)
def clean():
    release_all()
    t.jobdata.jobfilepath = ""
    t.jobdata.joboutdir = ""
    t.jobdata.stepcount = 0
    yield
    release_all()
    t.jobdata.jobfilepath = ""
    t.jobdata.joboutdir = ""
    t.jobdata.stepcount = 0


def job_folder(tmp_path, deck=DECK, ext=".inp", cards=CARDS, msg=MSG, listing=None):
    folder = tmp_path / "job"
    folder.mkdir(exist_ok=True)
    if deck is not None:
        (folder / ("job" + ext)).write_text(deck)
    for name, text in cards.items():
        (folder / name).write_text(text)
    if msg is not None:
        (folder / "job.msg").write_text(msg)
    if listing is not None:
        (folder / "job.dat").write_text(listing)
    t.jobdata.jobfilepath = str(folder / "job")
    t.jobdata.joboutdir = str(folder)
    return folder


def uext(lop, kstep=0, kinc=0, dtime=0.0, exflag=None):
    if exflag is None:
        tl.uexternaldb_iocontrol(lop, 0, [0.0, 0.0], dtime, kstep, kinc)
    else:
        tl.uexternaldb_iocontrol(lop, 0, [0.0, 0.0], dtime, kstep, kinc, exflag)


def vext(k, kstep=0, kinc=0, dt=0.0, **kw):
    tl.vexternaldb_iocontrol(k, [0, 0, kstep, kinc], [0.0, 0.0, dt], **kw)


def compliance(p):
    e1, e2, e3, n12, n13, n23, g12, g13, g23 = p
    s = np.zeros((6, 6))
    s[:3, :3] = [[1 / e1, -n12 / e1, -n13 / e1], [-n12 / e1, 1 / e2, -n23 / e2], [-n13 / e1, -n23 / e2, 1 / e3]]
    s[3, 3], s[4, 4], s[5, 5] = 1 / g12, 1 / g13, 1 / g23
    return s


def umat_lamina_point(statev, dstran, kstep, kinc):
    """One call of the elastic ply routine with one property: constants from the material table at
    the ply and section of state variables 21 and 22."""
    return tl.umat_lamina(np.zeros(6), statev, 0.0, 0.0, 0.0, 0.0, np.zeros(6), np.zeros(6), 0.0, np.zeros(6),
                          dstran, np.zeros(2), 1.0, 0.0, 0.0, np.zeros(1), np.zeros(1), "PLY_l@2@_s@1@", 3, 3,
                          np.array([1.0]), np.zeros(3), np.eye(3), 1.0, 1.0, np.eye(3), np.eye(3), 1, 1, 1, 1,
                          np.array([kstep, 1, 0, 0], dtype=np.int32), kinc)


def uvarm(kstep, kinc, noel, coord):
    return tl.uvarm_report(np.array([3.0]), np.eye(3), np.eye(3), [0.0, 0.0], 0.1, "PLY", "ORI", noel, 1, 1, 1,
                           kstep, kinc, 3, 3, coord, [0], [0], 0, 0)


# ---- the end-to-end scenario ---------------------------------------------------------------------

def test_job_folder_driven_through_a_whole_analysis(tmp_path):
    folder = job_folder(tmp_path)
    assert bytes(t.jobdata.jobfilepath) == str(folder / "job").encode().ljust(256)  # blank-padded
    uext(0)
    assert errstat() == 0
    jd, ld, cp = t.jobdata, t.loaddata, t.impactdata.cprops
    assert (jd.nsteps, jd.solverid) == (3, 1) and jd.stepid.tolist() == [0, 3, 1]
    assert ld.nimp == 1 and ld.dprops.shape == (12, 1) and ld.dprops[1:4, 0].tolist() == [10, 20, 0]
    assert not np.delete(ld.dprops[:, 0], [1, 2, 3]).any()
    expected = np.zeros(20)
    expected[[5, 13, 14]] = [G, 1.0, 1e-10]
    assert cp.shape == (20, 1) and cp[:, 0].tolist() == expected.tolist()
    # step card
    assert t.debugdata.nupdate == 3
    assert t.shokriehdata.cycleprops.shape == (3, 3) and t.shokriehdata.cycleprops[2, 2] == 5
    assert t.shokriehdata.cycles.tolist() == [[1, 1, 1]]
    # section and material cards
    sd, md = t.sectiondata, t.materialdata
    assert (sd.nsec, sd.nplies) == (1, 4) and sd.secidlist.tolist() == [1]
    assert (md.matidlist[:, 0] == 1).all() and (sd.plythickness == 0.125).all()
    assert np.allclose(sd.plyzcoord[:, 0], np.linspace(-0.25, 0.25, 9), rtol=0, atol=1e-15)
    for p in range(4):
        assert md.peprops[:9, p, 0].tolist() == ELASTIC.tolist()
    assert (md.pelimits == -1).all()
    # section matrices: the transverse-shear stiffness as the laminate routine gives it for the
    # card's layup, and the shear-stress shape functions, which vanish at both faces and carry a
    # unit shear force through the thickness (Simpson's rule is exact on their quadratic pieces)
    plyelastic = np.repeat(ELASTIC[:, None, None], 4, axis=1)
    h = t.laminate.getsectionhmatrix(md.matidlist, sd.plyorientation, sd.plythickness, plyelastic)
    np.testing.assert_allclose(sd.sehmatrix, h, rtol=1e-14)
    assert sd.sehmatrix[0, 0, 0] > 0 and sd.sehmatrix[1, 1, 0] > 0
    f = sd.sefmatrix[:, :, 0]
    assert abs(f[0]).max() < 1e-12 and abs(f[-1]).max() < 1e-12
    dz = 0.0625
    for col in (0, 3):
        integral = sum(dz / 3 * (f[2 * k, col] + 4 * f[2 * k + 1, col] + f[2 * k + 2, col]) for k in range(4))
        assert integral == pytest.approx(1.0, abs=1e-3)
    # damage card
    assert t.damagedata.ndmg == 1 and (t.damagedata.matrixdds[0:2, :, 0].T == [5, 3]).all()

    # step 1, an initialisation step
    uext(1, kstep=1, kinc=1)
    rst = folder / "job.rst"
    s = np.zeros(40)
    out = tl.gen_sdvini(s, np.zeros(3), 1, 1, 1, 1)
    assert out[39] == HUGE and not out[:39].any()
    assert uvarm(1, 1, 11, [1.0, 2.0, 3.0]).tolist() == [3.0]
    uvarm(1, 1, 12, [4.0, 5.0, 6.0])
    lines = rst.read_text().splitlines()
    assert lines[0].split() == ["NOEL", "NPT", "x", "y", "z"] and len(lines) == 3
    assert [float(v) for v in lines[2].split()[2:]] == [4.0, 5.0, 6.0]
    # the elastic ply routine takes the card's constants of the point's ply and section
    statev = np.zeros(40)
    statev[20], statev[21] = 2.0, 1.0
    dstran = np.array([1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4])
    stress, statev, ddsdde = umat_lamina_point(statev, dstran, 1, 1)[:3]
    np.testing.assert_allclose(compliance(ELASTIC) @ stress, dstran, rtol=1e-12, atol=1e-18)
    assert statev[:6].tolist() == stress.tolist()
    uext(2, kstep=1, kinc=1, dtime=0.1)
    uext(1, kstep=1, kinc=2)
    uvarm(1, 2, 13, [0.0, 0.0, 0.0])
    assert len(rst.read_text().splitlines()) == 3
    uext(2, kstep=1, kinc=2, dtime=0.1)

    # step 2, an impact: free fall of a mass under central differences, no contact force
    cp = t.impactdata.cprops
    cp[6, 0] = 2.5
    cp[7:10, 0] = -1.0
    dt, n = 1e-4, 40
    for kinc in range(1, n + 1):
        uext(1, kstep=2, kinc=kinc)
        assert cp[0, 0] == 0 and cp[12, 0] == 0
        uext(2, kstep=2, kinc=kinc, dtime=dt)
        assert cp[18, 0] == pytest.approx((kinc - 0.5) * G * dt, rel=1e-12)
    assert cp[3, 0] == pytest.approx(0.5 * G * (n * dt) ** 2, rel=1e-12)
    assert cp[4, 0] == pytest.approx(G * n * dt, rel=1e-12)
    assert cp[5, 0] == G and cp[15, 0] == 0.0

    # step 3, fatigue: the cycle number of the last CYCLE record of the message file
    uext(1, kstep=3, kinc=1)
    assert t.shokriehdata.cycles.tolist() == [[1, 1, 1300]]

    # release: every table gone, the counts that sized them back to 0, the settings kept
    uext(3)
    for table in (t.jobdata.stepid, t.impactdata.cprops, t.loaddata.dprops, t.materialdata.peprops,
                  t.sectiondata.plyorientation, t.sectiondata.sefmatrix, t.shokriehdata.cycles):
        assert table is None
    assert (t.jobdata.nsteps, t.loaddata.nimp, t.sectiondata.nsec, t.sectiondata.nplies) == (0, 0, 0, 0)
    assert t.debugdata.nupdate == 3

    # a second analysis in the same process starts clean
    uext(0)
    assert errstat() == 0 and t.jobdata.stepid.tolist() == [0, 3, 1] and t.impactdata.cprops[6, 0] == 0.0
    # and one without a release in between is refused; the step kinds stay
    t.jobdata.stepid[:] = [5, 5, 5]
    uext(0)
    assert errstat() == -3 and errtext() == HELD and int(np.asarray(t.errorhandling.errintv)[0]) == 3
    assert t.jobdata.stepid.tolist() == [5, 5, 5]


# ---- the deck scan -----------------------------------------------------------------------------

def test_pes_deck_is_scanned_before_inp(tmp_path):
    job_folder(tmp_path, deck="*Step, name=TVK_IMPACT\n*Step\n", ext=".pes")
    job_folder(tmp_path, deck="*Step, name=TVK_DIC\n", ext=".inp")
    uext(0)
    assert t.jobdata.stepid.tolist() == [3, 1]


def test_step_kinds_by_keyword_order_and_line_form(tmp_path):
    deck = ("*Step, name=first\n"
            "*STEP , name=tvk_impact-2\n"          # lower case option, blank before the comma
            "*Step, name=TVK_DIC-TVK_FATIGUE\n"    # both: the keyword order decides
            "*Step, " + " " * 80 + "TVK_IMPACT\n"  # keyword beyond column 80: not seen
            "*Step\n"                              # no option text at all
            "*Step, name=TVK_RELAXATION; TVK_STRUCTRESPONSE\n"
            "**Step, TVK_IMPACT\n"                 # a comment line counts neither way
            "*Steps, TVK_IMPACT\n")                # counted by its first five letters, not a step line
    job_folder(tmp_path, deck=deck)
    uext(0)
    assert t.jobdata.nsteps == 7
    assert t.jobdata.stepid.tolist() == [1, 3, 1, 1, 1, 2, 1]


def test_deck_without_steps_or_sensors(tmp_path):
    job_folder(tmp_path, deck="*Heading\n*Part, name=P\n", cards={})
    uext(0)
    assert t.jobdata.nsteps == 0 and t.jobdata.stepid.shape == (0,)
    assert t.loaddata.nimp == 0
    assert t.impactdata.cprops.shape == (20, 0) and t.loaddata.dprops.shape == (12, 0)
    # the impactor work of any increment has nothing to do
    for kstep in (1, 2, 3):
        uext(1, kstep=kstep, kinc=1)
        uext(2, kstep=kstep, kinc=1, dtime=1e-3)
    assert errstat() == 0


def test_impact_points_from_instance_and_step_lines(tmp_path):
    deck = ("*Instance, name=TVK_SENSORELEMENT-A, part=P\n 1.5, -2.0, 3.25\n*End Instance\n"
            "*Instance, name=plain, part=P\n 9, 9, 9\n"
            "*Step, name=tvk_sensorelement-b, TVK_IMPACT\n4 5 6e-1\n"
            "*instance, name=TVK_SENSORELEMENT-C\n 7.0, 8.0\n")  # too few numbers
    job_folder(tmp_path, deck=deck, cards={})
    uext(0)
    assert t.loaddata.nimp == 3 and t.jobdata.stepid.tolist() == [3]
    d, c = t.loaddata.dprops, t.impactdata.cprops
    assert d[1:4, 0].tolist() == [1.5, -2.0, 3.25] and d[1:4, 1].tolist() == [4, 5, 0.6]
    assert d[1:4, 2].tolist() == [0, 0, 0]
    assert errstat() == -2 and "coordinates" in errtext() and t.errorhandling.errintv[0] == 3
    assert c[13].tolist() == [1, 2, 3] and (c[5] == G).all() and (c[14] == 1e-10).all()
    assert not np.delete(c, [5, 13, 14], axis=0).any()


def test_missing_deck_is_reported_and_the_cards_are_still_read(tmp_path):
    job_folder(tmp_path, deck=None, msg=None)
    uext(0)
    assert errstat() == -3 and errtext() == NO_DECK
    assert t.jobdata.stepid is None and t.loaddata.nimp == 0 and t.impactdata.cprops is None
    assert (t.sectiondata.nsec, t.sectiondata.nplies) == (1, 4)
    assert t.materialdata.peprops[:9, 0, 0].tolist() == ELASTIC.tolist()
    assert t.sectiondata.sehmatrix[0, 0, 0] > 0


def test_cards_missing_are_read_from_the_deck(tmp_path):
    job_folder(tmp_path, deck=DECK + SECTION_CARD, cards={})
    uext(0)
    assert t.jobdata.stepid.tolist() == [0, 3, 1]
    assert (t.sectiondata.nsec, t.sectiondata.nplies) == (1, 4)


# ---- increment work --------------------------------------------------------------------------

@pytest.mark.parametrize("msg, plan, old, expected", [
    (MSG, 5, 1.0, 1300.0),
    ("  CYCLE 7\n", 5, 40.0, 7.0),                  # no third word: the second is the number
    ("  CYCLE\n 1250 X\n", 5, 40.0, 1250.0),        # the words continue on the next record
    (" NO CYCLES HERE\n", 5, 0.0, 1.0),             # no record: at least 1
    (" NO CYCLES HERE\n", 5, 40.0, 40.0),
    (MSG, 4, 40.0, 40.0),                           # another jump algorithm: not read
    (None, 5, 40.0, 40.0),                          # no message file: as one without a record
    (None, 5, 0.0, 1.0),
])
def test_cycle_number_from_the_message_file(tmp_path, msg, plan, old, expected):
    job_folder(tmp_path, msg=msg)
    uext(0)
    t.shokriehdata.cycleprops[2, 2] = plan
    t.shokriehdata.cycles[0, 2] = old
    uext(1, kstep=3, kinc=1)
    assert t.shokriehdata.cycles[0, 2] == expected
    assert t.shokriehdata.cycles[0, :2].tolist() == [1, 1]
    uext(1, kstep=2, kinc=1)  # an impact step does not read it
    assert t.shokriehdata.cycles[0, 2] == expected


def test_cycle_word_that_is_not_a_number_is_reported(tmp_path):
    job_folder(tmp_path, msg="  CYCLE ONE COMPLETED\n")
    uext(0)
    t.shokriehdata.cycles[0, 2] = 0.0
    uext(1, kstep=3, kinc=1)
    assert t.shokriehdata.cycles[0, 2] == 1.0 and errstat() == -2


def first_cycle_read(tmp_path, msg, old):
    """The cycle number and error level after the first increment of a job whose message file
    holds `msg`, the number being `old` before it."""
    job_folder(tmp_path, msg=msg)
    uext(0)
    t.shokriehdata.cycles[0, 2] = old
    uext(1, kstep=3, kinc=1)
    return t.shokriehdata.cycles[0, 2], errstat()


@pytest.mark.parametrize("msg, old, number, level", [
    (" CYCLE 1200\n CYCLE 1300\n", 40.0, 1300.0, 0),          # the last record ends the file
    ("CYCLE 1500", 40.0, 1500.0, 0),                          # ... without a line end
    (" CYCLE 12 X\n  cycle 2.5e3,\n", 40.0, 2500.0, 0),
    (" CYCLE 1300\n  CYCLE\n", 40.0, 40.0, -2),                # no second word: reported
    (" CYCLE / 1300\n", 0.0, 1.0, -2),
])
def test_cycle_record_that_ends_the_message_file_gives_its_number(tmp_path, msg, old, number, level):
    assert first_cycle_read(tmp_path, msg, old) == (number, level)
    # the file grows while the analysis runs: the next increment reads its new last record
    with open(tmp_path / "job" / "job.msg", "a") as f:
        f.write("\n  CYCLE 1800")
    uext(1, kstep=3, kinc=2)
    assert t.shokriehdata.cycles[0, 2] == 1800.0


@pytest.mark.parametrize("msg, old, number, level", [
    (" CYCLE -5\n", 40.0, 40.0, -2),                     # not a cycle number: reported, kept
    (" CYCLE 0\n", 40.0, 40.0, -2),
    (" CYCLE -0.0 X\n", 0.0, 1.0, -2),                    # ... and at least 1, as without a record
    (" CYCLE 1300\n CYCLE 0\n", 40.0, 40.0, -2),         # the last record counts
    (" CYCLE 0.5\n", 40.0, 0.5, 0),                      # a positive number stands
    ("\ufeffCYCLE 1300\n", 40.0, 1300.0, 0),             # a byte-order mark before the first record
    ("\ufeff  CYCLE 1300\n", 40.0, 1300.0, 0),
    ("\tCYCLE 1300\n", 40.0, 1300.0, 0),                 # leading blanks: tabs as spaces
    (" \t CYCLE\t1250\t X\n", 40.0, 1250.0, 0),
    (" X\tCYCLE 1250\n", 40.0, 40.0, 0),                 # not the first word: no CYCLE record
])
def test_cycle_record_nonpositive_or_behind_a_mark_or_tab(tmp_path, msg, old, number, level):
    assert first_cycle_read(tmp_path, msg, old) == (number, level)


def load_shell_model(tmp_path, deck=DECK):
    job_folder(tmp_path, deck=deck, listing=(DATA / "shell_model.dat").read_text())
    vext(0)


def test_increment_end_zeroes_accumulators_every_nupdate_increments_of_explicit_calls(tmp_path):
    load_shell_model(tmp_path)
    sd = t.sectiondata
    assert t.debugdata.nupdate == 3
    sd.tnormalstress = np.ones((9, t.elementdata.nelem))
    sd.tshearstress = np.ones((4, 2, 4, t.elementdata.nelem))
    zeroed = []
    for kinc in range(1, 10):
        uext(2, kstep=2, kinc=kinc, exflag=1)
        if not sd.tnormalstress.any():
            assert not sd.tshearstress.any()
            zeroed.append(kinc)
            sd.tnormalstress[:] = 1.0
            sd.tshearstress[:] = 1.0
    assert zeroed == [2, 5, 8]
    for kinc in (1, 2, 3):  # implicit calls: every increment end
        uext(2, kstep=2, kinc=kinc)
        assert not sd.tnormalstress.any()
        sd.tnormalstress[:] = 1.0
    t.toplevel.uaccess_iocontrol(2, 0.0)
    assert not sd.tnormalstress.any() and not sd.tshearstress.any()


def test_increment_end_clears_node_slots_beyond_the_fourth_of_four_node_shells(tmp_path):
    load_shell_model(tmp_path)
    nm = t.nodaldata.nodesmotion
    nm[:] = 1.0
    uext(2, kstep=1, kinc=1)
    kinds = t.elementdata.elemkind.tolist()
    for e, kind in enumerate(kinds):
        if kind in (1, 2, 3):
            assert (nm[:, :4, e] == 1).all() and not nm[:, 4:, e].any()
        else:
            assert (nm[:, :, e] == 1).all()
    assert any(k in (1, 2, 3) for k in kinds) and any(k not in (1, 2, 3) for k in kinds)


def test_increment_start_creates_section_point_tables_once(tmp_path):
    load_shell_model(tmp_path)
    sd, ed = t.sectiondata, t.elementdata
    nelem = ed.nelem
    sd.nsectionpoints = np.array([3, 5, 1, 2, 2, 1][:nelem] + [1] * max(0, nelem - 6), dtype=np.int32)
    uext(1, kstep=1, kinc=1)   # step 1: no tables
    uext(1, kstep=3, kinc=1)   # a fatigue step from step 2 on
    assert sd.sestress.shape == (6, 5 * 4, 4, nelem)
    assert sd.tnormalstress.shape == (9, nelem) and not sd.tnormalstress.any()
    assert sd.tshearstress.shape == (20, 2, 4, nelem) and not sd.tshearstress.any()
    assert ed.elemlength is None  # no solid element
    sd.sestress[:] = 7.0
    uext(1, kstep=3, kinc=2)
    assert (sd.sestress == 7.0).all()


def test_increment_start_with_solids_and_no_shells(tmp_path):
    listing = (" E L E M E N T   D E F I N I T I O N S\n"
               "  1  C3D8   1   1 2 3 4 5 6 7 8\n"
               " N O D E   D E F I N I T I O N S\n"
               + "".join("  %d  %d %d %d\n" % (k + 1, k % 2, (k // 2) % 2, k // 4) for k in range(8)))
    job_folder(tmp_path, listing=listing)
    vext(0)
    ed, sd = t.elementdata, t.sectiondata
    assert ed.nelem == 1
    sd.nsectionpoints = np.array([2], dtype=np.int32)
    t.shokriehdata.cycles[0, 2] = 0.0
    uext(1, kstep=3, kinc=1)
    assert ed.elemlength.tolist() == [[-1], [-1], [-1]]
    assert sd.sestress.shape == (6, 8, 27, 1)
    # no shell element: the increment start ends before the accumulators and the cycle number
    assert sd.tnormalstress is None and t.shokriehdata.cycles[0, 2] == 0.0
    uext(1, kstep=3, kinc=2)
    assert t.shokriehdata.cycles[0, 2] == 1300.0


def test_impactor_resets_at_increment_start(tmp_path):
    deck = DECK.replace("*Step, name=TVK_INITIALIZATION-1", "*Instance, TVK_SENSORELEMENT\n1,1,1\n"
                        "*Step, name=TVK_INITIALIZATION-1")
    job_folder(tmp_path, deck=deck)
    uext(0)
    cp = t.impactdata.cprops
    cp[6, :] = [2.0, 0.0]
    cp[[0, 1, 2, 12], :] = 5.0
    uext(1, kstep=3, kinc=1)  # a fatigue step: nothing
    assert (cp[[0, 1, 2, 12], :] == 5.0).all()
    uext(1, kstep=2, kinc=1)
    assert not cp[[0, 1, 2, 12], 0].any() and (cp[[0, 1, 2, 12], 1] == 5.0).all()
    cp[[0, 1, 2, 12], :] = 5.0
    cp[0, 1] = -3.0  # a carried force of any impactor
    uext(1, kstep=2, kinc=2)
    assert cp[0].tolist() == [5.0, -3.0] and not cp[[1, 2, 12]].any()


def test_structural_response_increments_reset_peaks_and_impact_increments_detect_unloading(tmp_path):
    deck = "*Instance, TVK_SENSORELEMENT\n0 0 0\n*Step, TVK_STRUCTRESPONSE\n*Step, TVK_IMPACT\n"
    job_folder(tmp_path, deck=deck, cards={})
    uext(0)
    cp = t.impactdata.cprops
    uext(2, kstep=1, kinc=1, dtime=1e-3)
    assert cp[13, 0] == 0 and cp[14, 0] == 0
    cp[6, 0] = 1.0
    forces = [1.0, 2.0, 3.0, 4.0, 5.0, 4.5, 2.0]
    marks = []
    for kinc, f in enumerate(forces, 1):
        uext(1, kstep=2, kinc=kinc)
        cp[0, 0] = f
        uext(2, kstep=2, kinc=kinc, dtime=1e-3)
        marks.append(cp[15, 0])
    # the mean of the last five forces 2, 3, 4, 5, 4.5 (3.7) lies below 4.5; of 3, 4, 5, 4.5, 2 above 2
    assert marks == [0, 0, 0, 0, 0, 0, 1.0]
    assert cp[13, 0] == 5.0 and cp[10, 0] == 2.0


SCHEMES = {"hht": (-0.05, 0.275625, 0.55), "central": (-1.0,) * 3, "weighted": (-2.0,) * 3}
IMPACT_FORCES = [0.0, 40.0, 110.0, 180.0, 230.0, 250.0, 210.0, 120.0, 60.0]  # rising, then unloading


def impact_ends(tmp_path, hook, scheme, ends):
    """A 5 kg impactor (0.005 t) through impact-step increments (dt, force) of the standard or the
    explicit hook: the contact table before and after each increment end, its level and text."""
    release_all()
    job_folder(tmp_path, deck="*Instance, TVK_SENSORELEMENT\n0 0 0\n*Step, TVK_STRUCTRESPONSE\n*Step, TVK_IMPACT\n",
               cards={})
    uext(0)
    cp = t.impactdata.cprops
    cp[6, 0], cp[7:10, 0], cp[19, 0] = 0.005, SCHEMES[scheme], 0.5
    out = []
    for kinc, (dt, f) in enumerate(ends, 1):
        vext(2, 2, kinc) if hook == "explicit" else uext(1, 2, kinc)
        root = np.sqrt(f) if np.isfinite(f) else 0.0  # contact radius and depth of a finite force
        cp[0:3, 0] = f, 1e-3 * root, 1e-4 * root
        before = cp.copy()
        t.errorhandling.rsxerr(1)
        vext(4, 2, kinc, dt) if hook == "explicit" else uext(2, 2, kinc, dt)
        out.append((before, cp.copy(), errstat(), errtext()))
    return out


@pytest.mark.parametrize("hook", ["standard", "explicit"])
@pytest.mark.parametrize("scheme", sorted(SCHEMES))
def test_increment_end_with_a_motion_that_is_not_finite_keeps_the_impactor_and_later_increments_clean(
        tmp_path, hook, scheme):
    dt, at = 2e-5, 3
    clean = impact_ends(tmp_path, hook, scheme, [(dt, f) for f in IMPACT_FORCES])
    assert all(level == 0 and np.isfinite(after).all() for _, after, level, _ in clean)
    assert clean[-1][1][15, 0] == 1.0  # the unloading seen through the force window
    for bad in [(np.nan, 150.0), (np.inf, 150.0), (1e300, 150.0), (dt, np.nan), (dt, np.inf), (dt, 1e308)]:
        run = impact_ends(tmp_path, hook, scheme, [(dt, f) for f in IMPACT_FORCES[:at]] + [bad] +
                          [(dt, f) for f in IMPACT_FORCES[at:]])
        before, after, level, text = run[at]
        assert level == -2 and "impactor motion not finite" in text and after.tobytes() == before.tobytes(), bad
        # the force window kept too: every later end as in the history without the refused one
        assert all(got[1].tobytes() == want[1].tobytes() and got[2] == 0 for got, want in zip(run[at + 1:], clean[at:]))


@pytest.mark.parametrize("hook", ["standard", "explicit"])
@pytest.mark.parametrize("bad", [(np.nan, 2e-3), (np.inf, 2e-3), (7.0, -np.inf)])
def test_massless_impactor_keeps_its_last_force_finite_for_the_element_that_carries_it(tmp_path, hook, bad):
    # An impactor of mass 0 takes its element's force and radius (entries 1, 2) into entries 11 and
    # 12 at each increment end; a later element call that has not moved carries them back into 1
    # and 2. A force or radius that is not finite is not taken: the carry gives the last finite ones.
    job_folder(tmp_path, deck="*Instance, TVK_SENSORELEMENT\n0 0 0\n*Step, TVK_STRUCTRESPONSE\n*Step, TVK_IMPACT\n",
               cards={})
    uext(0)
    cp = t.impactdata.cprops
    for kinc, (f, radius) in enumerate([(250.0, 1e-3), bad], 1):
        vext(2, 2, kinc) if hook == "explicit" else uext(1, 2, kinc)
        cp[0:2, 0] = f, radius
        before = cp.copy()
        t.errorhandling.rsxerr(1)
        vext(4, 2, kinc, 1e-5) if hook == "explicit" else uext(2, 2, kinc, 1e-5)
    assert errstat() == -2 and "impactor record kept" in errtext() and cp.tobytes() == before.tobytes()
    t.errorhandling.rsxerr(1)
    z = np.zeros
    svars = z(20)
    svars[19] = 1.0  # impactor 1
    props = np.array([1e30, 0.3, 10e9, 0.3, 0.1, 0.05, 0.01, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0])
    out = tl.uel_impact(svars, z(8), 1, props, np.array([[0.0, 0.0], [0.0, 0.0], [0.0, -1.0]]), z(6), z((6, 1)),
                        z(6), z(6), 1, np.array([0.0, 0.0]), 1e-5, 2, 3, 1, np.array([0.0, 0.25, 0.5]), 0,
                        z(1, np.int32), z(1), z((2, 1, 2)), np.array([1, 1, 1, 0, 0], np.int32), z(1), 1.0,
                        np.array([1, 0, 0], np.int32), 1.0, cp[:, 0].copy())
    assert errstat() == 0 and out[5][0:2].tolist() == [-250.0, 1e-3]


# ---- the explicit hook -------------------------------------------------------------------------

def test_explicit_hook_codes(tmp_path):
    load_shell_model(tmp_path)
    assert t.jobdata.stepid.tolist() == [0, 3, 1] and t.elementdata.nelem > 0
    assert t.nodaldata.nodalcoords is not None
    cp = t.impactdata.cprops
    cp[6, 0] = 2.0
    cp[[0, 1, 2, 12], 0] = 5.0
    vext(3, kstep=2, kinc=1)  # increment start: nothing, the set-up does the work
    assert (cp[[0, 1, 2, 12], 0] == 5.0).all()
    vext(2, kstep=2, kinc=1)
    assert not cp[[0, 1, 2, 12], 0].any()
    cp[7:10, 0] = -1.0
    vext(4, kstep=2, kinc=1, dt=1e-3)  # increment end: the impactor falls
    assert cp[3, 0] == pytest.approx(0.5 * G * 1e-6, rel=1e-12) and cp[4, 0] == pytest.approx(G * 1e-3, rel=1e-12)
    vext(1, kstep=2)
    vext(1, kstep=1)
    assert t.jobdata.stepcount == 2
    vext(5, kstep=2)
    vext(6)
    assert t.jobdata.stepid is None and t.elementdata.elemkind is None and t.impactdata.cprops is None


def test_explicit_hook_builds_element_reference_data_at_the_end_of_an_initialisation_step(tmp_path):
    load_shell_model(tmp_path)
    assert not t.sectiondata.nsectionpoints.any()  # created by the listing reader
    el = t.elementhandling
    tdir = np.eye(3)
    nelem = t.elementdata.nelem
    noel = int(t.elementdata.elemlist[0])
    el.getelementreforientation(1, tdir, tdir, np.zeros((4, 1)), noel, 3, 1, 1, 0)
    vext(5, kstep=2)  # an impact step: nothing
    assert not t.sectiondata.nsectionpoints.any()
    vext(5, kstep=1)
    assert t.sectiondata.nsectionpoints.shape == (nelem,) and t.sectiondata.nsectionpoints[0] == 3


def test_explicit_hook_on_other_ranks(tmp_path):
    load_shell_model(tmp_path)
    uext(3)
    job_folder(tmp_path)
    vext(0, mpi_rank=1)  # no analysis start on other ranks
    assert t.jobdata.stepid is None and errstat() == 0
    vext(4, kstep=2, kinc=1, dt=1e-3, mpi_rank=1)  # nothing without step kinds
    vext(0)
    cp = t.impactdata.cprops
    cp[6, 0] = 2.0
    cp[7:10, 0] = -1.0
    vext(2, kstep=2, kinc=1, mpi_rank=2)  # only increment and step ends
    vext(6, mpi_rank=2)
    assert t.jobdata.stepid is not None
    vext(4, kstep=2, kinc=1, dt=1e-3, mpi_rank=3)
    assert cp[4, 0] == pytest.approx(G * 1e-3, rel=1e-12)


def test_explicit_hook_refuses_short_records_and_ignores_unknown_codes(tmp_path):
    job_folder(tmp_path)
    tl.vexternaldb_iocontrol(0, [0, 0, 1], [0.0, 0.0, 0.0])
    assert errstat() == -3 and t.jobdata.stepid is None
    t.errorhandling.rsxerr(1)
    tl.vexternaldb_iocontrol(0, [0, 0, 1, 1], [0.0, 0.0])
    assert errstat() == -3 and t.jobdata.stepid is None
    t.errorhandling.rsxerr(1)
    for k in (-1, 7, 100):
        vext(k)
    uext(9)
    uext(1, kstep=1, kinc=1, exflag=1)
    assert t.jobdata.stepid is None and errstat() == 0
    vext(0)
    assert t.jobdata.stepid.tolist() == [0, 3, 1]


def test_uaccess_release_keeps_nothing_of_the_model(tmp_path):
    job_folder(tmp_path)
    uext(0)
    tl.uaccess_iocontrol(7, 0.0)
    assert t.jobdata.stepid is not None
    tl.uaccess_iocontrol(3, 0.0)
    assert t.jobdata.stepid is None and t.materialdata.peprops is None and t.loaddata.dprops is None


# ---- guards ---------------------------------------------------------------------------------

def test_impactor_tables_recreated_when_the_impactor_count_changes(tmp_path):
    one = DECK
    three = DECK.replace("*Step, name=TVK_INITIALIZATION-1",
                         "*Instance, TVK_SENSORELEMENT\n1,1,1\n*Instance, TVK_SENSORELEMENT\n2,2,2\n"
                         "*Step, name=TVK_INITIALIZATION-1")
    job_folder(tmp_path, deck=one)
    uext(0)
    cp = t.impactdata.cprops
    cp[6, 0], cp[7:10, 0] = 1.0, -1.0
    for kinc in range(1, 7):  # fill the force window of the one impactor
        cp[0, 0] = 1.0
        uext(2, kstep=2, kinc=kinc, dtime=1e-3)
    # released by the access hook, which leaves the force window as it is
    tl.uaccess_iocontrol(3, 0.0)
    job_folder(tmp_path, deck=three)
    t.loaddata.dprops = np.ones((12, 1))  # a host table of the wrong shape
    uext(0)
    assert errstat() == 0 and t.loaddata.nimp == 3
    cp, d = t.impactdata.cprops, t.loaddata.dprops
    assert cp.shape == (20, 3) and d.shape == (12, 3)
    assert d[1:4].T.tolist() == [[10, 20, 0], [1, 1, 1], [2, 2, 2]] and not d[[0, 4, 5, 6, 7, 8, 9, 10, 11]].any()
    # every window starts empty: a falling force marks unloading only once five values are held
    cp[6, :], cp[7:10, :] = 1.0, 0.0
    marks = []
    for kinc, f in enumerate([5.0, 4.0, 3.0, 2.0, 1.0], 1):
        cp[0, :] = f
        uext(2, kstep=2, kinc=kinc, dtime=1e-3)
        marks.append(cp[15].tolist())
    assert marks == [[0, 0, 0]] * 4 + [[1, 1, 1]]


def test_host_contact_table_of_the_wrong_shape_is_recreated(tmp_path):
    job_folder(tmp_path)
    t.impactdata.cprops = np.full((5, 4), 3.0)
    uext(0)
    assert t.impactdata.cprops.shape == (20, 1) and t.impactdata.cprops[5, 0] == G
    uext(3)
    job_folder(tmp_path)
    t.impactdata.cprops = np.full((20, 1), 3.0)  # the right shape: set back to its start values
    uext(0)
    assert t.impactdata.cprops[:, 0].tolist() == [0, 0, 0, 0, 0, G] + [0] * 7 + [1, 1e-10] + [0] * 5


def test_steps_beyond_the_step_kinds_count_as_fatigue(tmp_path):
    job_folder(tmp_path, deck="*Step, TVK_IMPACT\n")  # one step; the step card plans three
    uext(0)
    assert t.jobdata.stepid.tolist() == [3]
    t.shokriehdata.cycles = np.zeros((1, 3))
    t.shokriehdata.cycleprops = np.full((3, 3), 5.0)
    uext(1, kstep=3, kinc=1)  # step 3 lies beyond the table: a fatigue step
    assert t.shokriehdata.cycles[0].tolist() == [0, 0, 1300]
    uext(1, kstep=0, kinc=1)
    uext(2, kstep=-4, kinc=1, dtime=1.0)
    t.jobdata.stepid = None  # no table at all: every step counts as fatigue
    uext(1, kstep=2, kinc=1)
    assert t.shokriehdata.cycles[0].tolist() == [0, 1300, 1300]
    assert errstat() == 0


def test_job_texts_with_trailing_nuls(tmp_path):
    folder = job_folder(tmp_path)
    raw = str(folder / "job").encode()
    t.jobdata.jobfilepath = raw + b"\0" * (256 - len(raw))
    assert bytes(t.jobdata.jobfilepath).endswith(b"\0")
    raw = str(folder).encode()
    t.jobdata.joboutdir = raw + b"\0" * 3
    uext(0)
    assert errstat() == 0 and t.jobdata.stepid.tolist() == [0, 3, 1] and t.sectiondata.nplies == 4


# ---- the prescribed-motion hook: node motions ----------------------------------------------------

def vdisp(kstep, kinc, nodes, u):
    mdof, nb = u.shape
    tl.vdisp_nullify(kstep, kinc, 0.0, 0.0, 1e-3, 1e-3, "BC", 0, 1, nodes, 1.0, np.zeros((3, nb)), u, u, u, u,
                     np.ones(nb), np.zeros((nb, 3, 3)), np.zeros((mdof, nb)))


def test_vdisp_records_node_motions_every_nupdate_increments(tmp_path):
    deck = ("*Step, TVK_INITIALIZATION\n*Step, TVK_FATIGUE\n*Step, TVK_IMPACT\n*Step, TVK_STRUCTRESPONSE\n"
            "*Step, TVK_RELAXATION\n*Step, TVK_DIC\n")
    job_folder(tmp_path, deck=deck, cards={}, listing=(DATA / "shell_model.dat").read_text())
    vext(0)
    t.debugdata.nupdate = 2
    ed, nm = t.elementdata, t.nodaldata.nodesmotion
    e = ed.elemkind.tolist().index(2)  # the S4R element
    node = int(ed.elemnodes[0, e])
    u = np.array([[1.0, 2.0, 3.0, 0.0, 0.0, 0.0]]).T

    def recorded(kstep, kinc):
        nm[:] = 0.0
        vdisp(kstep, kinc, [node], u)
        return bool(nm[:3, 0, e].any())

    assert [k for k in range(1, 9) if recorded(2, k)] == [3, 5, 7]
    assert [k for k in range(1, 9) if recorded(3, k)] == [3, 5, 7]
    assert not any(recorded(s, 3) for s in (1, 4, 5, 6))
    # an untransformed element frame: the translations as given
    vdisp(2, 3, [node], u)
    assert nm[:3, 0, e].tolist() == [1.0, 2.0, 3.0]
    # three degrees of freedom: translations stored, rotations left as they were
    nm[3:, 0, e] = 9.0
    vdisp(2, 5, [node], np.array([[4.0, 5.0, 6.0]]).T)
    assert nm[:3, 0, e].tolist() == [4.0, 5.0, 6.0] and (nm[3:, 0, e] == 9.0).all()
    vdisp(2, 5, [node], np.array([[4.0, 5.0]]).T)  # fewer than three: nothing
    assert nm[:3, 0, e].tolist() == [4.0, 5.0, 6.0]


def test_section_without_material_constants_is_reported(tmp_path):
    # Without a material card the material reader names the section's material first; a material
    # block without "+Elastic" leaves the section matrices' own report.
    cards = dict(CARDS)
    del cards["MaterialCard.tvk"]
    job_folder(tmp_path, cards=cards)
    uext(0)
    assert (errstat(), errtext()) == (-2, "Warning: material 1 of section 1 given by no material block.")
    assert list(t.errorhandling.errintv) == [1, 1]
    assert not t.sectiondata.sehmatrix.any() and np.isfinite(t.sectiondata.sefmatrix).all()
    release_all()
    t.errorhandling.rsxerr(1)
    cards["MaterialCard.tvk"] = "++Begin Material, MATID=1\n+Strength\n2000 50\n++End Material\n"
    job_folder(tmp_path, cards=cards)
    uext(0)
    assert errstat() == -2 and "elastic constants" in errtext()
    assert list(t.errorhandling.errintv) == [1, 1]
    assert not t.sectiondata.sehmatrix.any() and np.isfinite(t.sectiondata.sefmatrix).all()


def test_vdisp_keeps_the_stored_motion_of_a_node_whose_motion_is_not_finite(tmp_path):
    job_folder(tmp_path, deck="*Step, TVK_INITIALIZATION\n*Step, TVK_IMPACT\n", cards={},
               listing=(DATA / "shell_model.dat").read_text())
    vext(0)
    t.debugdata.nupdate = 2
    nd, en = t.nodaldata, t.elementdata.elemnodes
    e = t.elementdata.elemkind.tolist().index(2)  # the S4R element: nodes 13, 15, 25, 23
    frame = np.array([[1.0, 1.0, 0.0], [-1.0, 1.0, 0.0], [0.0, 0.0, np.sqrt(2)]]) / np.sqrt(2)  # 45 deg about z
    nd.tcurvmatrices[:, :, e], nd.tnodalmatrices[:, :, :, e] = frame, np.eye(3)[:, :, None]
    of15 = en[None, :, :] == 15
    rng = np.random.default_rng(rng_seed(5))
    vdisp(2, 3, [13, 15], rng.normal(size=(6, 2)))
    history = nd.nodesmotion.copy()
    # A NaN rotation; a translation (1.5e308, 1.5e308, 0), which overflows only in the 45-degree
    # frame: node 13 keeps its slots in all five elements, node 15 is stored.
    for rows, bad in ((slice(3, 4), np.nan), (slice(0, 2), 1.5e308)):
        u = rng.normal(size=(6, 2))
        u[rows, 0] = bad
        kept = nd.nodesmotion.copy()
        t.errorhandling.rsxerr(1)
        vdisp(2, 3, [13, 15], u)
        assert errstat() == -2 and list(t.errorhandling.errintv) == [13, 1]
        assert np.array_equal(np.where(of15, 0, nd.nodesmotion), np.where(of15, 0, kept))
        for k, x in zip(*np.nonzero(of15[0])):
            f = frame if x == e else np.eye(3)
            assert np.allclose(nd.nodesmotion[:, k, x], np.r_[f @ u[:3, 1], f @ u[3:, 1]])
    # Finite in every frame, and NaNs of nodes no element holds: stored without a report.
    t.errorhandling.rsxerr(1)
    vdisp(2, 3, [15, 99, 0], np.array([[1e308, 0, 0, 1, 1, 1], [np.nan] * 6, [np.nan] * 6]).T)
    assert errstat() == 0 and nd.nodesmotion[0, en[:, 1].tolist().index(15), 1] == 1e308
    # A later valid call stores as after the first call alone.
    u = rng.normal(size=(6, 2))
    vdisp(2, 3, [13, 15], u)
    after, nd.nodesmotion[:] = nd.nodesmotion.copy(), history
    vdisp(2, 3, [13, 15], u)
    assert np.array_equal(nd.nodesmotion, after)
