"""What the build ships: the exports of the shared objects, and a README that names only folders
that exist.

The library exports its routines and records under their C names (the names the headers under
src/ declare for export) and the binding's few tvk_ entry points, never a C++ (mangled) name; the
extension module exports its entry point only, and reaches the routines through the library it
links."""
import ctypes
import re
import subprocess
from pathlib import Path

import _tolvek

ROOT = Path(__file__).resolve().parents[2]


def loaded_library(name):
    """Path of a shared object this process has loaded."""
    with open("/proc/self/maps") as maps:
        for line in maps:
            path = line.split()[-1]
            if Path(path).name.startswith(name):
                return path
    raise AssertionError(name + " is not loaded")


def exports(path):
    out = subprocess.run(["nm", "-D", "--defined-only", path], capture_output=True, text=True,
                         check=True).stdout
    return {line.split()[-1].split("@")[0] for line in out.splitlines() if line.strip()}


def declared_names():
    """C names the headers under src/ declare for export: functions and objects declared with
    TVK_API or another TVK_*_API macro, and routines declared from a solver interface
    (TVK_SOLVER_DECLARE(Iface, name)) or as an adapter of one (TVK_SOLVER_DECLARE_ADAPTER(Proc,
    Iface, name)); comments skipped. A declaration inside a macro whose name
    is pasted together (`TVK_API void P##chfev(...)`) gives a pattern: the fixed part after a
    prefix of at most two characters."""
    names, pasted = set(), set()
    define = re.compile(r"^[ \t]*#define(?:.*\\\n)*.*$", flags=re.M)
    for header in (ROOT / "src").rglob("*.h"):
        raw = re.sub(r"/\*.*?\*/", "", re.sub(r"//.*", "", header.read_text()), flags=re.S)
        for block in define.findall(raw):
            pasted.update(re.findall(r"\bTVK_(?!HOST_)\w*API\b[^;{(]*?##\s*(\w+)\s*\(", block))
        text = define.sub("", raw)
        for m in re.finditer(r"\bTVK_(?!HOST_)\w*API\b([^;{]*)", text):
            names.update(re.findall(r"(\w+)\s*$", m.group(1).split("(")[0]))
        names.update(re.findall(r"\bTVK_SOLVER_DECLARE\(\s*\w+\s*,\s*(\w+)\s*\)", text))
        names.update(re.findall(r"\bTVK_SOLVER_DECLARE_ADAPTER\(\s*\w+\s*,\s*\w+\s*,\s*(\w+)\s*\)", text))
    return names, re.compile("|".join(r"\w{0,2}" + re.escape(p) for p in sorted(pasted)) or "$^")


def test_library_exports_its_routines_under_c_names_only():
    names = exports(loaded_library("libtolvek.so"))
    assert not sorted(n for n in names if n.startswith("_Z"))
    declared, pasted = declared_names()
    assert len(declared) > 200
    assert not sorted(n for n in names - declared
                      if not n.startswith("tvk_") and not pasted.fullmatch(n))


def test_extension_exports_its_entry_point_only():
    assert exports(_tolvek.__file__) == {"PyInit__tolvek"}


def test_routines_reachable_through_the_extension_module():
    lib = ctypes.CDLL(_tolvek.__file__)
    lib.cuberoot.restype = ctypes.c_double
    assert abs(lib.cuberoot(ctypes.byref(ctypes.c_double(-27.0))) + 3.0) < 1e-14
    # The same state as the module's: a table created through C shows in Python.
    istat = ctypes.c_int(-1)
    lib.allocateelementdata(ctypes.byref(istat), ctypes.byref(ctypes.c_int(2)),
                            ctypes.byref(ctypes.c_int(5)))
    try:
        assert istat.value == 0 and _tolvek.elementdata.elemnodes.shape == (2, 5)
    finally:
        _tolvek.datahandling.deallocall()


def test_readme_names_only_folders_that_exist():
    text = (ROOT / "README.md").read_text()
    folders = set(re.findall(r"`((?:src|python|tests|bench|scripts|examples)(?:/[\w.-]+)*/)`", text))
    assert folders
    assert not sorted(f for f in folders if not (ROOT / f).is_dir())
