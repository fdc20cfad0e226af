"""Model-data tables, their allocation and release, and the error record, seen from Python."""
import os
import subprocess
import sys

import numpy as np
import pytest

import _tolvek as t

dd = t.damagedata
eh = t.errorhandling
dh = t.datahandling

NAMES = np.full((8, 2), ord(" "), dtype=np.int32)

# The data namespaces; their variables are taken from the module doc's listing, so every variable
# the module declares is checked.
DATA_NAMESPACES = ("jobdata debugdata materialdata sectiondata nodaldata elementdata impactdata "
                   "loaddata damagedata bukdata shokriehdata errorhandling").split()


def run_python(code):
    """Runs code in a fresh interpreter with the same module path."""
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          env=dict(os.environ), timeout=120)


@pytest.fixture(autouse=True)
def empty_store():
    def clear():
        dh.deallocall()
        t.jobdata.processid = None
        dd.ndmg = 0
        eh.rsxerr(1)
    clear()
    yield
    clear()


def test_fresh_import_state():
    code = f"""
import re
import _tolvek as t
heads = list(re.finditer(r"(?:^|\\s)(\\w+) --- ", t.__doc__))
listing = {{m.group(1): t.__doc__[m.end():(heads[k + 1].start() if k + 1 < len(heads) else None)]
           for k, m in enumerate(heads)}}
for ns in {DATA_NAMESPACES!r}:
    n = getattr(t, ns)
    names = [x.strip() for x in listing[ns].strip().rstrip(".").split(",")]
    names = [x for x in names if x and not x.endswith("()")]
    assert names, ns
    for name in names:
        v = getattr(n, name)
        if v is None:  # a table: absent at load
            continue
        if v.dtype.kind == "S":  # a text field: zero bytes, not blanks
            assert v.ndim == 0 and v.tobytes() == bytes(v.dtype.itemsize), (ns, name)
        else:  # a scalar: 0
            assert v.ndim == 0 and v == 0, (ns, name, v)
assert (t.types.sp, t.types.dp, t.types.qp) == (4, 8, 16)
assert (t.types.i2, t.types.i4, t.types.i8, t.types.cb) == (2, 4, 8, 1)
for name in ("dp", "cb"):
    try:
        setattr(t.types, name, 3)
    except AttributeError:
        pass
    else:
        raise SystemExit("types." + name + " was assigned")
assert t.types.dp == 8
try:
    t.errorhandling.xerr = 0
except AttributeError as e:
    assert str(e) == "over-writing fortran routine", e
else:
    raise SystemExit("routine was overwritten")
assert t.__version__ == "$Revision: $"
print("ok")
"""
    r = run_python(code)
    assert r.returncode == 0, r.stderr
    assert r.stdout == "ok\n"


def test_allocatedamagedata_on_empty_store():
    assert dh.allocatedamagedata(3, 2, 0) == 0
    assert dd.ndmg == 1
    for name in ("generaldds", "fiberdds", "matrixdds", "coredds", "userdds"):
        a = getattr(dd, name)
        assert a.shape == (3, 3, 1) and a.dtype == np.float64 and not a.any()
    assert dd.delamdds.shape == (3, 2, 1)
    assert dd.dmgplane.shape == (10, 1)
    assert t.bukdata.bukintdatalist.shape == (4, 2, 1, 2)
    assert t.bukdata.bukintdatalist.dtype == np.int32
    assert t.bukdata.bukrealdatalist.shape == (12, 2, 1, 2)
    assert not dd.dmgplane.any() and not t.bukdata.bukrealdatalist.any()
    assert dd.damagedds.tolist() == [0]


def test_allocation_creates_only_what_is_absent():
    assert dh.allocatedamagedata(1, 1, 0) == 0
    assert dd.delamdds.shape == (3, 1, 1)
    assert dh.allocatedamagedata(5, 2, 3) == 0
    assert dd.ndmg == 3
    assert dd.generaldds.shape == (3, 1, 1)
    assert dd.delamdds.shape == (3, 1, 1)
    assert t.bukdata.bukintdatalist.shape == (4, 1, 1, 1)

    assert dh.allocateelementdata(4, 3) == 0
    assert t.elementdata.elemnodes.shape == (4, 3)
    assert t.sectiondata.nsectionpoints.shape == (3,)
    assert dh.allocatenodaldata(6, 4, 3) == 0
    assert t.nodaldata.nodesmotion.shape == (6, 4, 3)
    assert t.nodaldata.tnodalmatrices.shape == (3, 3, 8, 3)


def test_assigned_table_shares_memory_and_none_releases():
    dd.generaldds = np.ones((3, 4, 2))
    v = dd.generaldds
    assert v.shape == (3, 4, 2) and v.flags.f_contiguous
    v[1, 2, 1] = 5.0
    assert dd.generaldds[1, 2, 1] == 5.0
    dd.generaldds = None
    assert dd.generaldds is None


def test_views_stay_valid_after_release_reassignment_and_reset():
    # A view taken before the library drops the table keeps its own storage.
    dh.allocatedamagedata(3, 2, 2)
    before_release = dd.generaldds
    reassigned = dd.dmgplane
    eh.xerr(-2, b"r", [1, 2, 3], [0.5], NAMES, pyerr=1)
    record_view = eh.errintv
    dh.deallocall()
    dd.dmgplane = np.zeros((2, 2))
    eh.rsxerr(1)
    dh.allocatedamagedata(3, 2, 2)  # new storage may reuse the freed addresses
    for view, value in ((before_release, 2.5), (reassigned, -1.0), (record_view, 7)):
        view.flat[:] = value
        assert (view == value).all()
    assert not dd.generaldds.any()
    assert eh.errintv is None


def test_first_report_wins_until_reset():
    names = NAMES.copy()
    names[:2, 0] = [ord("a"), ord("b")]
    assert eh.xerr(-2, b"first", [1, 2], [0.5, 1.5], names, pyerr=1) == 1
    assert eh.errstat == -2
    assert eh.errstring.tobytes() == b"first" + b" " * 75
    assert eh.errintv.tolist() == [1, 2] and eh.errrealv.tolist() == [0.5, 1.5]
    assert eh.errasciim.shape == (8, 2) and eh.errasciim[:2, 0].tolist() == [97, 98]
    assert eh.xerr(-3, b"second", [9], [9.0], names, pyerr=5) == 5
    assert eh.errstat == -2 and eh.errintv.tolist() == [1, 2]
    assert eh.rsxerr(1) == 1
    assert eh.errstat == 0 and eh.errintv is None and eh.errasciim is None


def test_print_and_stop_flushes_and_exits_with_one():
    code = """
import numpy as np, _tolvek as t
print("before")
t.errorhandling.xerr(-2, b'x', [1, 2], [0.5, 1.5], np.full((8, 2), 32, dtype=np.int32))
print("after")
"""
    r = run_python(code)
    assert r.returncode == 1
    assert r.stdout == "before\n x" + " " * 79 + "\n"
