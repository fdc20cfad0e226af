"""Model input through the `iohandling` namespace: step, section and damage cards written into a
temporary job folder, name tags and the Gauss-point report."""
import os
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import _tolvek

io = _tolvek.iohandling
err = _tolvek.errorhandling
dbg = _tolvek.debugdata
shok = _tolvek.shokriehdata
sec = _tolvek.sectiondata
dmg = _tolvek.damagedata
buk = _tolvek.bukdata
HUGE = np.finfo(float).max
DATA = Path(__file__).resolve().parent / "data"

TABLES = {
    shok: ["cycleprops", "cycles"],
    sec: ["secidlist", "plyorientation", "plythickness", "plyzcoord", "xcstrength", "seflags", "sehmatrix",
          "sefmatrix"],
    _tolvek.materialdata: ["matidlist"],
    dmg: ["generaldds", "fiberdds", "matrixdds", "coredds", "userdds", "delamdds", "dmgplane", "dmgpoints"],
    buk: ["bukintdatalist", "bukrealdatalist"],
}


@pytest.fixture(autouse=True)
def fresh_model():
    """Every test starts from an analysis without tables and with a clear error record."""
    def clear():
        for ns, names in TABLES.items():
            for name in names:
                setattr(ns, name, None)
        sec.nsec = sec.nplies = dmg.ndmg = 0
        for name in ("edebug", "ndebug", "fdebug", "nupdate", "verbose", "unitid"):
            setattr(dbg, name, 99)
        err.rsxerr(1)
    clear()
    yield
    clear()


def card(folder, name, *lines):
    (folder / name).write_text("\n".join(lines) + "\n")
    return str(folder)


def settings():
    return tuple(int(getattr(dbg, n)) for n in ("edebug", "ndebug", "fdebug", "nupdate", "verbose", "unitid"))


def test_step_settings_apply_at_the_block_end(tmp_path):
    ws = card(tmp_path, "StepCard.tvk", "+Debug, TYPE=ELEMENT", "12")
    io.getstepdatafromfile("", ws, 1)
    assert settings() == (0, 0, 0, 1, 0, -3)  # defaults set, the stray setting ignored
    ws = card(tmp_path, "StepCard.tvk",
              "++Begin Step, STEPID=1", "+Debug,TYPE=ELEMENT", "12", "+Debug, type=nodal", "4", "++End Step",
              "++Begin Step, STEPID=2", "+Debug, TYPE=ELEMENT", "7", "+Verbose", "1", "++End Step",
              "++Begin Step, STEPID=3", "+Verbose", "1 6", "+Debug, TYPE=FILE", "5")  # never closed
    io.getstepdatafromfile("", ws, 1)
    assert settings() == (7, 4, 0, 1, 1, -3)
    ws = card(tmp_path, "StepCard.tvk", "+Update", "25 3", "++Begin Step", "+Verbose", "1 6", "++End Step")
    io.getstepdatafromfile("", ws, 1)
    assert settings() == (0, 0, 0, 25, 1, 6)
    assert err.errstat == 0


def test_step_options_with_blanks_around_the_equals_sign_were_passed_over(tmp_path):
    """Regression: "+Debug, TYPE = ELEMENT" (a blank on either side of "=") was passed over
    silently, while the section, material and damage cards read it. Each spelling reads as the
    canonical one."""
    for eq in ("=", " = ", "= ", " ="):
        ws = card(tmp_path, "StepCard.tvk", "++Begin Step", f"+Debug, TYPE{eq}ELEMENT", "12", f"+Debug, type{eq}Nodal",
                  "4", f"+Update, TYPE{eq}INC", "25", "++End Step")
        io.getstepdatafromfile("", ws, 1)
        assert settings() == (12, 4, 0, 25, 0, -3) and err.errstat == 0, eq


def test_empty_setting_blocks_set_nothing(tmp_path):
    ws = card(tmp_path, "StepCard.tvk", "++Begin Step", "+Verbose", "+Update, TYPE=INC", "+Debug, TYPE=ELEMENT",
              "++End Step")
    io.getstepdatafromfile("", ws, 1)
    assert settings() == (0, 0, 0, 1, 0, -3)


def test_cycle_plan_column_by_column(tmp_path):
    ws = card(tmp_path, "StepCard.tvk", "+Cycle", "1 2 3", "4,5", "6 7 8 9 10", "*Step")
    io.getstepdatafromfile("", ws, 2)
    np.testing.assert_array_equal(shok.cycleprops, np.arange(1.0, 11.0).reshape(5, 2, order="F"))
    shok.cycleprops = None
    ws = card(tmp_path, "StepCard.tvk", "++Begin Step", "+Cycle, TYPE=GENERAL", "1 2 3 4 5 6 7 8 9 10 11",
              "++End Step")
    io.getstepdatafromfile("", ws, 2)
    assert shok.cycleprops.shape == (5, 2) and shok.cycleprops[4, 1] == 10.0
    assert err.errstring.tobytes().startswith(b"Warning: card value outside table in getstepdatafromfile.")
    err.rsxerr(1)
    shok.cycleprops = None
    ws = card(tmp_path, "StepCard.tvk", "+Cycle", "1,,2 , 4,")  # a null item keeps the 0
    io.getstepdatafromfile("", ws, 1)
    np.testing.assert_array_equal(shok.cycleprops[:, 0], [1, 0, 2, 4])


def test_individual_and_direct_cycles(tmp_path):
    plan = np.zeros((6, 3))
    plan[2] = (1, 3, 5)
    plan[5] = (10, 4, 2)
    values = " ".join(str(v) for v in range(101, 111))
    ws = card(tmp_path, "StepCard.tvk",
              "+Cycle", " ".join(str(v) for v in plan.ravel(order="F")),
              "++Begin Step", "+Cycle, TYPE=INDIVIDUAL", values, "++End Step")
    io.getstepdatafromfile("", ws, 3)
    assert shok.cycles.shape == (10, 3)
    np.testing.assert_array_equal(shok.cycles[:, 1], np.arange(101.0, 111.0))
    assert not shok.cycles[:, [0, 2]].any()
    shok.cycles = shok.cycleprops = None
    ws = card(tmp_path, "StepCard.tvk", "++Begin Step", "+Cycle, TYPE=DIRECT", "1 2 3 4", "++End Step")
    io.getstepdatafromfile("", ws, 2)
    np.testing.assert_array_equal(shok.cycles, np.ones((1, 2)))
    np.testing.assert_array_equal(shok.cycleprops, [[1, 3], [2, 4]])


@pytest.mark.parametrize("lines,nsteps", [
    (["+Cycle", "1 2 3"], 0),                                     # division by nsteps
    (["+Cycle", "1 2", "++Begin Step", "+Cycle, TYPE=INDIVIDUAL", "5"], 3),  # plan of 0 rows
    (["++Begin Step", "+Cycle, TYPE=INDIVIDUAL", "5"], 1),       # no plan at all
])
def test_cycle_input_without_a_usable_plan_is_refused(tmp_path, lines, nsteps):
    io.getstepdatafromfile("", card(tmp_path, "StepCard.tvk", *lines), nsteps)
    assert err.errstat == -2
    assert shok.cycles is None


def test_individual_list_longer_than_the_table(tmp_path):
    ws = card(tmp_path, "StepCard.tvk", "+Cycle", "0 0 3 0 0 2", "++Begin Step", "+Cycle, TYPE=INDIVIDUAL",
              "1 2 3", "++End Step")
    io.getstepdatafromfile("", ws, 1)
    np.testing.assert_array_equal(shok.cycles, [[1.0], [2.0]])
    assert err.errstring.tobytes().startswith(b"Warning: card value outside table in getstepdatafromfile.")


def test_fallback_to_the_input_deck(tmp_path):
    deck = tmp_path / "job.inp"
    deck.write_text("*Heading\n** comment\n++Begin Step, STEPID=1\n+Debug, TYPE=ELEMENT\n12\n*Step\n"
                    "++End Step\n*End Step\n")
    io.getstepdatafromfile(str(deck), str(tmp_path / "nothing"), 1)
    assert settings()[0] == 12
    for name in ("edebug", "ndebug", "fdebug", "nupdate", "verbose", "unitid"):
        setattr(dbg, name, 99)
    io.getstepdatafromfile(str(tmp_path / "missing.inp"), str(tmp_path), 1)
    assert settings() == (99,) * 6  # nothing opened, nothing set
    # A joined path longer than 256 characters is not opened, even when a shorter cut exists.
    long_ws = str(tmp_path) + "/" + "x" * 300
    io.getstepdatafromfile("", long_ws, 1)
    assert settings() == (99,) * 6


def test_section_with_one_material_and_thickness(tmp_path):
    ws = card(tmp_path, "SectionCard.tvk", "++Begin Section, SECID=7", "+Material", "3", "+Orientation",
              "0 45 -45 90", "+Thickness", "0.125", "+Strength", "450.0 12", "+Extension", "1 0", "++End Section")
    io.getsectiondatafromfile("", ws)
    assert (int(sec.nsec), int(sec.nplies)) == (1, 4)
    np.testing.assert_array_equal(sec.secidlist, [7])
    np.testing.assert_array_equal(_tolvek.materialdata.matidlist[:, 0], [3] * 4)
    np.testing.assert_array_equal(sec.plyorientation[:, 0], [0, 45, -45, 90])
    np.testing.assert_array_equal(sec.plythickness[:, 0], [0.125] * 4)
    np.testing.assert_allclose(sec.plyzcoord[:, 0], np.linspace(-0.25, 0.25, 9), rtol=0, atol=1e-15)
    assert sec.xcstrength[0] == 450.0 and sec.seflags[:, 0].tolist() == [1, 0]
    assert sec.sehmatrix.shape == (2, 2, 1) and sec.sefmatrix.shape == (9, 4, 1)


def test_sections_of_different_ply_counts(tmp_path):
    ws = card(tmp_path, "SectionCard.tvk",
              "++Begin Section, SECID=1", "+Material", "1 2 1 2", "+Orientation", "0 90 90 0", "+Thickness",
              "0.1 0.2 0.2 0.1", "++End Section",
              "++Begin Section, SECID=2", "+Material", "5 6", "+Orientation", "30 -30", "+Thickness", "0.5 0.25",
              "+Strength, TYPE=INSITU", "450.0", "++End Section")
    io.getsectiondatafromfile("", ws)
    ids = _tolvek.materialdata.matidlist
    assert ids.shape == (4, 2) and ids[2:4, 1].tolist() == [2147483647] * 2
    np.testing.assert_allclose(sec.plyzcoord[:, 1], [-0.375, -0.125, 0.125, 0.25, 0.375, 0, 0, 0, 0])
    np.testing.assert_allclose(sec.plyzcoord[:, 0], [-0.3, -0.25, -0.2, -0.1, 0.0, 0.1, 0.2, 0.25, 0.3], atol=1e-15)
    assert sec.xcstrength[1] == 0.0


def test_single_ply_section_without_material(tmp_path):
    ws = card(tmp_path, "SectionCard.tvk", "++Begin Section, SECID=1", "+Orientation", "0", "+Thickness", "2.0",
              "++End Section")
    io.getsectiondatafromfile("", ws)
    assert _tolvek.materialdata.matidlist.tolist() == [[1]]
    np.testing.assert_array_equal(sec.plyzcoord[:, 0], [-1.0, 0.0, 1.0])


def test_section_values_beyond_the_tables(tmp_path):
    # An option on "+Orientation" hides it from the ply count; a stray closer runs past nsec.
    ws = card(tmp_path, "SectionCard.tvk", "++Begin Section, SECID=1", "+Orientation", "0 90",
              "+Material", "1 1 1", "++End Section", "++Begin Section, SECID=2", "+Orientation, X", "1 2 3 4",
              "++End Section", "++End Section")
    io.getsectiondatafromfile("", ws)
    assert sec.plyorientation.shape == (2, 2)
    np.testing.assert_array_equal(sec.plyorientation, [[0, 1], [90, 2]])
    assert err.errstat == -2


def test_damage_sets_by_opener_id(tmp_path):
    ws = card(tmp_path, "DamageCard.tvk",
              "++Begin Damage, DMGID=2", "+Position", "1 2 3 4 5", "+Abstraction, TYPE=Fiber", "1 2.5 1.5 0",
              "2 3.0 2.0 0", "+Table, LayID=2, TYPE=Matrix", "1 2 3 4 5 6", "++End Damage",
              "++Begin Damage, DMGID=1", "+Position", "10.0 20.0 0.0 30.0", "+Table, TYPE=Matrix, Layer=2", "7 8 9",
              "+Abstraction, TYPE=FIBER", "1 9 9 0", "+Abstraction, TYPE=General", "1 4 5 0",
              "+Abstraction, TYPE=User", "2 6 7 0", "++End Damage")
    io.getdamagedatafromfile("", ws, 3, 1)
    assert int(dmg.ndmg) == 2
    assert dmg.dmgplane.shape == (5, 2)
    np.testing.assert_array_equal(dmg.dmgplane[:, 0], [10, 20, 0, 30, -HUGE])
    np.testing.assert_array_equal(dmg.fiberdds[:2, :2, 1], [[2.5, 3.0], [1.5, 2.0]])
    assert not dmg.fiberdds[:, :, 0].any()  # the upper-case mode word names no mode
    assert dmg.generaldds[:2, 0, 0].tolist() == [4, 5] and dmg.userdds[:2, 0, 0].tolist() == [6, 7]
    assert dmg.dmgpoints.shape == (6, 3, 6, 2)
    np.testing.assert_array_equal(dmg.dmgpoints[:, 1, 2, 1], [1, 2, 3, 4, 5, 6])
    np.testing.assert_array_equal(dmg.dmgpoints[:, 1, 2, 0], [7, 8, 9, HUGE, HUGE, HUGE])
    assert dmg.matrixdds is None and dmg.delamdds is None
    # The mode words are read as written: the block is passed over, and said so.
    assert err.errstat == -2 and err.errintv[0] == 1
    assert err.errstring.tobytes().rstrip() == b"Warning: +Abstraction of DmgID 1 not read: TYPE=FIBER"


def test_damage_set_given_twice_keeps_its_first_block(tmp_path):
    """A second block with the same DmgID is reported (-2, naming the id) and skipped whole: the set
    keeps the first block's position and extents, with nothing of the second mixed in; the block
    after it is read."""
    ws = card(tmp_path, "DamageCard.tvk",
              "++Begin Damage, DmgID=1", "+Position", "1 2 3 4", "+Abstraction, TYPE=Fiber", "1 2.5 1.5 0",
              "++End Damage",
              "++Begin Damage, DmgID=1", "+Position", "9 9 9 9", "+Abstraction, TYPE=Fiber", "1 8 8 0",
              "+Abstraction, TYPE=Matrix", "1 7 7 0", "++End Damage",
              "++Begin Damage, DmgID=3", "+Position", "5 6 7", "+Abstraction, TYPE=General", "2 4 5 0",
              "++End Damage")
    io.getdamagedatafromfile("", ws, 2, 1)
    assert err.errstat == -2 and list(err.errintv)[0] == 1
    assert err.errstring.tobytes().startswith(b"Warning: DmgID 1 given twice in getdamagedatafromfile")
    assert int(dmg.ndmg) == 3
    np.testing.assert_array_equal(dmg.dmgplane[:, 0], [1, 2, 3, 4])
    np.testing.assert_array_equal(dmg.fiberdds[:2, 0, 0], [2.5, 1.5])
    assert dmg.matrixdds is None
    np.testing.assert_array_equal(dmg.dmgplane[:, 1], [-HUGE] * 4)  # set 2: no block
    assert not dmg.fiberdds[:, :, 1:].any() and not dmg.generaldds[:, :, :2].any()
    np.testing.assert_array_equal(dmg.dmgplane[:3, 2], [5, 6, 7])
    np.testing.assert_array_equal(dmg.generaldds[:2, 0, 2], [4, 5])  # rows fill plies in order


def test_delamination_sets_bring_the_buckling_records(tmp_path):
    lines = ["++Begin Damage, DMGID=1", "+Abstraction, TYPE=Delamination", "1 0.5 0.25 0", "++End Damage"]
    io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", *lines), 1, 2)
    assert dmg.delamdds is None and buk.bukintdatalist is None
    io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", *lines), 3, 2)
    assert dmg.delamdds.shape == (3, 2, 1) and dmg.delamdds[:2, 0, 0].tolist() == [0.5, 0.25]
    assert buk.bukintdatalist.shape == (4, 2, 1, 2) and not buk.bukintdatalist.any()
    assert buk.bukrealdatalist.shape == (12, 2, 1, 2) and not buk.bukrealdatalist.any()


def test_damage_card_without_sets(tmp_path):
    dmg.ndmg = 5
    io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", "+Position", "1 2 3 4"), 2, 1)
    assert int(dmg.ndmg) == 0 and dmg.dmgplane is None


@pytest.mark.parametrize("lines", [
    ["++Begin Damage, DMGID=3", "+Position", "1 2 3 4", "++End Damage"],             # id beyond ndmg
    ["++Begin Damage, DMGID=1", "+Table, LayID=9, TYPE=Fiber", "1 2 3", "++End Damage"],  # layer beyond
    ["++Begin Damage, DMGID=1", "+Table, LayID=1, MODE=Fiber", "1 2 3", "++End Damage"],  # no mode at 6
    ["++Begin Damage, DMGID=1", "+Abstraction, TYPE=Core", "1 1 1 0 2 2 2 0 3 3 3 0", "++End Damage"],
])
def test_damage_indices_outside_the_tables(tmp_path, lines):
    io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", *lines), 2, 1)
    assert err.errstring.tobytes().startswith(b"Warning: card value outside table in getdamagedatafromfile.")


def test_reading_a_bad_item_is_reported(tmp_path):
    ws = card(tmp_path, "SectionCard.tvk", "++Begin Section, SECID=1", "+Orientation", "0 x", "++End Section")
    io.getsectiondatafromfile("", ws)
    assert err.errstat == -2
    assert err.errstring.tobytes() == b"Error: Error in GetDataPointsRead operation exited with an error.".ljust(80)


@pytest.mark.parametrize("name,key,want", [
    ("CFRP_s@2@_l@14@", "l", 14), ("CFRP_s@2@_l@14@", "s", 2), ("_l@3@x_l@5@", "l", 5), ("_L@3@", "L", 3),
    ("_l@3", "l", -1), ("_l@x@", "l", -1), ("_l@@", "l", -1), ("_l@3@", "x", -1), ("_l@ 7 @", "l", 7),
    ("_l@99999999999@", "l", -1), ("_l@,@", "l", -1), ("_m@-4@", "M", -4),
])
def test_name_tags(name, key, want):
    assert io.getxidfromstring(name, len(name), key) == want


def test_name_tag_bounds():
    assert io.getxidfromstring("mat", 3, "l", 0) == 0
    assert io.getxidfromstring("_l@3@", 1000, "l") == 3  # a length beyond the text is clamped
    assert io.getxidfromstring("_l@3@_l@8@", 5, "l") == 3  # only the first ls characters count


def test_gauss_point_report(tmp_path):
    path = tmp_path / "job.rst"
    for _ in range(2):
        io.getgausspointreport(str(path), [0.125, -2.5, 10.0], 17, 3)
    lines = path.read_text().split("\n")
    assert lines[0] == "    NOEL     NPT" + " " * 24 + "x" + " " * 24 + "y" + " " * 24 + "z"
    assert lines[1] == lines[2] == "      17       3               0.12500000              -2.50000000              10.00000000"
    assert lines[3:] == [""]
    io.getgausspointreport(str(tmp_path / "no" / "such" / "dir.rst"), [0, 0, 0], 1, 1)
    io.getgausspointreport(str(tmp_path / ("y" * 300)), [0, 0, 0], 1, 1)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["job.rst"]


def test_gauss_point_report_that_cannot_be_written_is_reported_not_lost_silently(tmp_path):
    def message():
        return err.errstring.tobytes().decode().rstrip()
    # the longest path the report takes is 256 bytes, written; one byte more is reported
    edge = tmp_path / ("e" * (256 - len(str(tmp_path)) - 1))
    io.getgausspointreport(str(edge) + "   ", [0, 0, 0], 5, 6)
    assert len(os.fsencode(str(edge))) == 256 and edge.exists() and err.errstat == 0
    for path, why in ((str(edge) + "x", "path longer than 256 bytes."),
                      (str(tmp_path / "no" / "such" / "dir.rst"), "file cannot be opened."),
                      (str(tmp_path), "file cannot be opened.")):  # a folder is no report file
        err.rsxerr(1)
        io.getgausspointreport(path, [0, 0, 0], 5, 6)
        assert err.errstat == -2 and message() == "Warning: Gauss-point report not written, " + why
        assert err.errintv.tolist() == [5, 6]
    assert sorted(p.name for p in tmp_path.iterdir()) == [edge.name]
    assert len(edge.read_text().split("\n")) == 3  # header, the one record, the end


def test_gauss_point_report_refused_by_a_file_size_limit_is_reported_not_lost_silently(tmp_path):
    # The records go through a buffer, so the limit refuses them only when it is written out at
    # the close. A child process sets the limit at the size of the report's first call (header and
    # one record, 2 * 92 bytes), so the next record, and a new file's header, are refused.
    code = """
import resource, signal, sys, _tolvek
io, err = _tolvek.iohandling, _tolvek.errorhandling
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # the write fails with EFBIG instead
resource.setrlimit(resource.RLIMIT_FSIZE, (184, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
for name, noel in (("job.rst", 11), ("job.rst", 12), ("tiny.rst", 13)):
    if name == "tiny.rst":
        resource.setrlimit(resource.RLIMIT_FSIZE, (50, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
    err.rsxerr(1)
    io.getgausspointreport(sys.argv[1] + "/" + name, [0.125, -2.5, 10.0], noel, 3)
    ints = None if err.errintv is None else err.errintv.tolist()
    print(int(err.errstat), err.errstring.tobytes().decode().rstrip("\\0 "), ints)
"""
    proc = subprocess.run([sys.executable, "-c", code, str(tmp_path)], capture_output=True, text=True, timeout=60)
    assert proc.returncode == 0, proc.stderr
    failed = "-2 Warning: Gauss-point report not written, write failed. "
    assert proc.stdout.splitlines() == ["0  None", failed + "[12, 3]", failed + "[13, 3]"]
    lines = (tmp_path / "job.rst").read_text().split("\n")
    assert len(lines) == 3 and lines[1].split() == ["11", "3", "0.12500000", "-2.50000000", "10.00000000"]


NUL_CARDS = {"StepCard.tvk": ["++Begin Step", "+Update, TYPE=INC", "4", "++End Step"],
             "SectionCard.tvk": ["++Begin Section, SECID=7", "+Material", "3", "+Orientation", "0 45",
                                 "+Thickness", "0.125", "++End Section"],
             "MaterialCard.tvk": ["++Begin Material, MATID=3", "+Elastic", "70000 0.3", "++End Material"],
             "DamageCard.tvk": ["++Begin Damage, DMGID=1", "+Position", "1 2 3 4", "++End Damage"]}
NUL_READERS = {"StepCard.tvk": lambda deck, ws: io.getstepdatafromfile(deck, ws, 1),
               "SectionCard.tvk": lambda deck, ws: io.getsectiondatafromfile(deck, ws),
               "MaterialCard.tvk": lambda deck, ws: io.getmaterialdatafromfile(deck, ws, 1, 1),
               "DamageCard.tvk": lambda deck, ws: io.getdamagedatafromfile(deck, ws, 1, 1)}


def test_a_path_with_an_embedded_null_byte_is_refused_as_pythons_open_refuses_it(tmp_path):
    # every folder holds every card, so a path cut at the zero byte would read one
    job = tmp_path / "my job"  # a blank inside a path is a character like any other
    job.mkdir()
    for folder in (tmp_path, job):
        for name, lines in NUL_CARDS.items():
            card(folder, name, *lines)
    for name, reader in NUL_READERS.items():
        for bad_folder, bad_file in ((str(tmp_path) + "\x00/x", ""), ("", str(tmp_path / name) + "\x00.bak"),
                                     (str(job) + "\x00", str(job / name))):
            for convert in (str, os.fsencode):
                with pytest.raises(ValueError) as ref:
                    open(convert(bad_folder or bad_file))
                with pytest.raises(ValueError) as got:
                    reader(convert(bad_file), convert(bad_folder))
                assert str(got.value) == str(ref.value) == "embedded null byte"
        with pytest.raises(ValueError, match="embedded null byte"):  # inside a text array's used part
            reader("", np.array([os.fsencode(str(job)) + b"\x00/x"], dtype="S300"))
    assert sec.nsec == 0 and sec.plyorientation is None and dbg.nupdate == 99 and err.errstat == 0
    # the paths as given without the zero byte read, as str, bytes or a zero-padded text array
    for ws in (str(job), os.fsencode(str(job)), np.array([os.fsencode(str(job))], dtype="S300")):
        sec.nsec = 0
        sec.secidlist = sec.plyorientation = sec.plythickness = sec.plyzcoord = None
        io.getsectiondatafromfile("", ws)
        assert (int(sec.nsec), sec.plyorientation.tolist(), int(err.errstat)) == (1, [[0.0], [45.0]], 0)
    io.getstepdatafromfile(str(job / "StepCard.tvk"), "", 1)
    assert dbg.nupdate == 4 and err.errstat == 0


def test_a_text_array_padded_with_blanks_and_zero_bytes_in_any_mix_reads_as_its_path(tmp_path):
    # memset(' ') then strcpy leaves the name, its zero byte and blanks: all of it after the name
    # pads the field, as a path field from C is read
    job = tmp_path / "my job"
    job.mkdir()
    card(job, "SectionCard.tvk", *NUL_CARDS["SectionCard.tvk"])
    folder = os.fsencode(str(job))
    for pad in (b"\0   ", b"\0 \0  ", b" \0", b"   ", b" \0 \0\0 "):
        sec.nsec = 0
        sec.secidlist = sec.plyorientation = sec.plythickness = sec.plyzcoord = None
        io.getsectiondatafromfile("", np.array([folder + pad], dtype="S300"))
        assert (int(sec.nsec), sec.plyorientation.tolist(), int(err.errstat)) == (1, [[0.0], [45.0]], 0), pad
    # a zero byte followed by anything but padding stays refused: the name would be read cut there
    for tail in (b"\0x", b"\0 x", b"\0\0/x  "):
        with pytest.raises(ValueError, match="embedded null byte"):
            io.getsectiondatafromfile("", np.array([folder + tail], dtype="S300"))
    assert err.errstat == 0


def test_tables_left_from_an_earlier_analysis(tmp_path):
    # Stale block tables of other extents are created anew, never written out of bounds.
    dmg.userdds = np.full((3, 9, 9), 5.0)
    buk.bukrealdatalist = np.ones((1, 1, 1, 1))
    lines = ["++Begin Damage, DMGID=1", "+Abstraction, TYPE=User", "1 0.5 0.25 0",
             "+Abstraction, TYPE=Delamination", "1 0.5 0.25 0", "++End Damage"]
    io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", *lines), 2, 1)
    assert dmg.userdds.shape == (3, 2, 1) and dmg.userdds[:, :, 0].tolist() == [[0.5, 0], [0.25, 0], [0, 0]]
    assert buk.bukrealdatalist.shape == (12, 1, 1, 1)
    _tolvek.materialdata.matidlist = np.zeros((1, 1), dtype=np.int32)
    sec.plythickness = np.zeros((1, 1))
    ws = card(tmp_path, "SectionCard.tvk", "++Begin Section, SECID=3", "+Orientation", "0 90", "+Thickness", "1.0", "+Material", "4",
              "++End Section")
    io.getsectiondatafromfile("", ws)
    assert _tolvek.materialdata.matidlist.shape == (2, 1) and sec.plythickness.tolist() == [[1.0], [1.0]]
    np.testing.assert_array_equal(sec.plyzcoord[:, 0], [-1.0, -0.5, 0.0, 0.5, 1.0])
    # A second read writes into the tables the first one created.
    io.getsectiondatafromfile("", ws)
    assert sec.secidlist.tolist() == [3] and err.errstat == 0


def test_long_lines_of_a_deck_are_not_reported(tmp_path):
    deck = tmp_path / "job.inp"
    deck.write_text("*Node\n" + "1, " + ", ".join(["1.0"] * 100) + "\n*Element, type=S4R, elset=" + "x" * 300 + "\n"
                    "++Begin Step\n+Update, TYPE=INC\n4\n++End Step\n")
    io.getstepdatafromfile(str(deck), str(tmp_path), 1)
    assert dbg.nupdate == 4 and err.errstat == 0
    ws = card(tmp_path, "StepCard.tvk", "++Begin Step", "+Debug, TYPE=ELEMENT" + " " * 70 + "x", "3", "++End Step")
    io.getstepdatafromfile("", ws, 1)
    assert dbg.edebug == 3  # the option text is read in its 80 characters ...
    assert err.errstring.tobytes().startswith(b"Warning: card record cut at its record width.")  # ... and the cut reported


def test_tables_too_large_for_memory_are_refused(tmp_path):
    big = 2**31 - 1
    sec.nsec = sec.nplies = big  # counters set from Python size the tables
    io.getsectiondatafromfile("", card(tmp_path, "SectionCard.tvk", "++Begin Section, SECID=1", "++End Section"))
    assert err.errstat == -3 and sec.plyorientation is None
    assert err.errstring.tobytes().startswith(b"Error: model table too large in getsectiondatafromfile.")
    err.rsxerr(1)
    lines = ["++Begin Damage, DMGID=1", "+Abstraction, TYPE=Delamination", "1 0.5 0.25 0", "++End Damage"]
    io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", *lines), big, big)
    assert err.errstat == -3 and dmg.delamdds is None


@pytest.mark.parametrize("folder", ["Prüfung", os.fsdecode(b"d\xe9j\xe0"), "試験"])
def test_a_path_with_characters_beyond_ascii_reads_as_the_same_path_in_bytes(tmp_path, folder):
    # os.fsencode is the reference: a str path names the file its encoding names
    job = tmp_path / folder
    job.mkdir()
    card(job, "SectionCard.tvk", "++Begin Section, SECID=7", "+Material", "3", "+Orientation", "0 45",
         "+Thickness", "0.125", "++End Section")
    for name in (str(job), os.fsencode(str(job))):
        sec.nsec = 0
        sec.secidlist = sec.plyorientation = sec.plythickness = sec.plyzcoord = None
        io.getsectiondatafromfile("", name)
        assert (int(sec.nsec), sec.plyorientation.tolist(), int(err.errstat)) == (1, [[0.0], [45.0]], 0)
    (job / "Jöb.dat").write_bytes((DATA / "listing_mixed.dat").read_bytes())
    io.getabqdatafromfile(str(job / "Jöb.dat"))
    assert _tolvek.elementdata.elemlist.tolist() == [10, 12, 14, 15, 16]
    io.getgausspointreport(str(job / "Jöb.rst"), [0.125, -2.5, 10.0], 17, 3)
    assert (job / "Jöb.rst").read_text().split("\n")[1].split()[:2] == ["17", "3"]
    _tolvek.jobdata.jobfilepath = str(job / "Jöb")
    assert _tolvek.jobdata.jobfilepath[()].rstrip() == os.fsencode(str(job / "Jöb"))
    _tolvek.jobdata.jobfilepath = b""
    _tolvek.datahandling.deallocall()


def test_a_card_saved_with_a_byte_order_mark_reads_as_without(tmp_path):
    """Each of the four cards, its first line a block opener, with the UTF-8 mark an editor's
    "save with BOM" puts before it: the tables of the card without it, and no report."""
    cards = {"SectionCard.tvk": "++Begin Section, SECID=7\n+Material\n3\n+Orientation\n0 90\n"
                                "+Thickness\n0.125",
             "StepCard.tvk": "++Begin Step, STPID=1\n+Debug, TYPE=ELEMENT\n12",
             "MaterialCard.tvk": "++Begin Material, MATID=3\n+Elastic\n70000 0.3",
             "DamageCard.tvk": "++Begin Damage, DMGID=1\n+Position\n1 2 3 4"}
    for name, text in cards.items():
        end = "++End " + name[:-8].replace("Card", "")
        (tmp_path / name).write_bytes(b"\xef\xbb\xbf" + f"{text}\n{end}\n".encode())
    io.getstepdatafromfile("", str(tmp_path), 1)
    io.getsectiondatafromfile("", str(tmp_path))
    io.getmaterialdatafromfile("", str(tmp_path), int(sec.nplies), int(sec.nsec))
    io.getdamagedatafromfile("", str(tmp_path), int(sec.nplies), int(sec.nsec))
    assert err.errstat == 0 and settings()[0] == 12
    assert int(sec.nsec) == 1 and sec.plyorientation[:, 0].tolist() == [0, 90]
    assert _tolvek.materialdata.peprops[0, 0, 0] == 70000.0
    assert dmg.dmgplane[:4, 0].tolist() == [1, 2, 3, 4]
    _tolvek.datahandling.deallocall()


# The guide's material (E1, E2, nu12, nu23, G12, and the strengths) for the lay-ups below.
GUIDE_MATERIAL = ("++Begin Material, MatID=1", "+Elastic", "138000.0, 11000.0, 0.28, 0.4, 5500.0", "+Strength",
                  "1500.0, 27.0, 27.0, 900.0, 200.0, 200.0, 80.0, 80.0, 75.3, 80.0", "++End Material")


def read_layup(folder, angles, material=GUIDE_MATERIAL):
    card(folder, "SectionCard.tvk", "++Begin Section, SecID=1", "+Material", "1", "+Orientation",
         ", ".join(map(str, angles)), "+Thickness", "0.125", "++End Section")
    card(folder, "MaterialCard.tvk", *material)
    io.getsectiondatafromfile("", str(folder))
    io.getmaterialdatafromfile("", str(folder), int(sec.nplies), int(sec.nsec))


def clt_a(angles, t, e1=138000.0, e2=11000.0, nu12=0.28, g12=5500.0):
    """A of lamination theory written out: Qbar = T^-1 Q T^-T with the stress rotation T."""
    d = 1.0 - nu12 * nu12 * e2 / e1
    q = np.array([[e1 / d, nu12 * e2 / d, 0.0], [nu12 * e2 / d, e2 / d, 0.0], [0.0, 0.0, g12]])
    a = np.zeros((3, 3))
    for deg in angles:
        c, s = np.cos(np.radians(deg)), np.sin(np.radians(deg))
        tinv = np.linalg.inv([[c * c, s * s, 2 * c * s], [s * s, c * c, -2 * c * s], [-c * s, c * s, c * c - s * s]])
        a += tinv @ q @ tinv.T * t
    return a


def test_a_thinner_layup_read_after_deallocall_gets_its_own_plies(tmp_path):
    """A second lay-up in one session: deallocall leaves no count behind, so [0/90] read after
    [0/90/0] has two plies (not a third of thickness 0 and no properties) and a finite A."""
    md = _tolvek.materialdata
    try:
        read_layup(tmp_path, [0, 90, 0])
        assert (int(sec.nplies), sec.plythickness.shape) == (3, (3, 1))
        _tolvek.datahandling.deallocall()
        assert (int(sec.nplies), int(sec.nsec), int(dmg.ndmg)) == (0, 0, 0)
        read_layup(tmp_path, [0, 90])
        assert (int(sec.nplies), int(sec.nsec), int(err.errstat)) == (2, 1, 0)
        assert sec.plythickness.tolist() == [[0.125], [0.125]] and md.peprops.shape == (9, 2, 1)
        a = _tolvek.laminate.getamatrix(np.asfortranarray(md.peprops[:9, :, 0]), sec.plyorientation[:, 0],
                                        sec.plythickness[:, 0])
        ref = clt_a([0, 90], 0.125)
        np.testing.assert_allclose(a, ref, rtol=1e-13, atol=1e-13 * ref[0, 0])
        assert abs(a[0, 0] - 18742.1) < 0.05 and err.errstat == 0
    finally:
        _tolvek.datahandling.deallocall()


def test_blanks_around_the_equals_sign_read_as_without(tmp_path):
    """Block ids and options written with blanks on either side of "=" read as the canonical
    spelling; the damage card's mode words, which are read as written, leave a report where
    their case differs."""
    def section_read(opener, strength_option):
        card(tmp_path, "SectionCard.tvk", opener, "+Material", "1", "+Orientation", "0 90", "+Thickness", "0.1",
             "+Strength" + strength_option, "450.0", "++End Section")
        sec.secidlist = sec.plyorientation = sec.plythickness = sec.plyzcoord = sec.xcstrength = None
        sec.seflags = sec.sehmatrix = sec.sefmatrix = _tolvek.materialdata.matidlist = None
        sec.nsec = sec.nplies = 0
        io.getsectiondatafromfile("", str(tmp_path))
        return sec.secidlist.tolist(), sec.xcstrength.tolist()

    assert section_read("++Begin Section, SecID=7", ", TYPE=INSITU") == ([7], [0.0])
    for opener in ("++Begin Section, SecID = 7", "++Begin Section, SecID =7", "++Begin Section, SecID= 7"):
        assert section_read(opener, ", TYPE = INSITU") == ([7], [0.0])
    assert section_read("++Begin Section, SecID=7", "") == ([7], [450.0])

    def damage_read(*lines):
        for name in TABLES[dmg]:
            setattr(dmg, name, None)
        err.rsxerr(1)
        io.getdamagedatafromfile("", card(tmp_path, "DamageCard.tvk", *lines, "++End Damage"), 2, 1)
        return dmg.fiberdds, dmg.dmgpoints

    fiber, points = damage_read("++Begin Damage, DmgID=1", "+Abstraction, TYPE=Fiber", "1 2.5 1.5 0",
                                "+Table, LayID=2, TYPE=Matrix", "1 2 3")
    assert err.errstat == 0
    for opener, table in (("++Begin Damage, DmgID = 1", "+Table, LayID = 2, TYPE = Matrix"),
                          ("++Begin Damage, DmgID =1", "+Table, TYPE= Matrix, Layer =2")):
        f, p = damage_read(opener, "+Abstraction, TYPE = Fiber", "1 2.5 1.5 0", table, "1 2 3")
        assert np.array_equal(f, fiber) and np.array_equal(p, points) and err.errstat == 0
    for option in ("TYPE=FIBER", "TYPE=fiber", "TYPE = fibre"):
        f, _ = damage_read("++Begin Damage, DmgID=1", "+Abstraction, " + option, "1 2.5 1.5 0")
        assert f is None and err.errstat == -2 and err.errintv[0] == 1
        assert err.errstring.tobytes().rstrip().decode() == (
            f"Warning: +Abstraction of DmgID 1 not read: {option}")
