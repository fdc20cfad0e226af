"""The source folders are layered: a file includes headers of its own folder and of lower folders
only, and its object file refers to no symbol that a higher folder defines (a call through a
local declaration, without the header, counts too); so the folders use each other in no cycle.
The order is stated here, lowest first; the README's Layout section lists the folders in the
same order.

The include scan reads every `#include` line of src/**/*.h and src/**/*.cpp and resolves it as
the compiler does with src/ on the include path: first beside the including file, then under
src/. The symbol scan reads the object files of the build that this interpreter imports the
module from."""
import collections
import re
import subprocess
from pathlib import Path

import pytest

import _tolvek

ROOT = Path(__file__).resolve().parents[2]

# Lowest first: a folder may use every folder before it.
LAYERS = ("core", "interp", "pchip", "mechanics", "failure", "elements", "input", "growth",
          "solver", "boxbeam")

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*([<"])([^>"]+)[>"]', flags=re.M)


def sources(src):
    return sorted(p for p in src.rglob("*") if p.suffix in (".h", ".cpp") and p.is_file())


def includes(src):
    """Every include of a project file under `src`: (including file, included file), both
    resolved; and the quoted includes that name no file (neither beside the includer nor under
    src)."""
    edges, unresolved = [], []
    for path in sources(src):
        for m in INCLUDE.finditer(path.read_text(errors="replace")):
            quoted, name = m.group(1) == '"', m.group(2)
            candidates = ([path.parent / name] if quoted else []) + [src / name]
            found = next((c.resolve() for c in candidates if c.is_file()), None)
            if found is not None and found.is_relative_to(src.resolve()):
                edges.append((path.resolve(), found))
            elif quoted and found is None:
                unresolved.append(f"{path.relative_to(src)}: {name}")
    return edges, unresolved


def folder(src, path):
    return path.relative_to(src.resolve()).parts[0]


def upward_includes(src, layers):
    """The includes that reach a folder above the including file's, as readable lines."""
    rank = {name: i for i, name in enumerate(layers)}
    edges, _ = includes(src)
    bad = []
    for a, b in edges:
        fa, fb = folder(src, a), folder(src, b)
        if fa in rank and fb in rank and rank[fb] > rank[fa]:
            bad.append(f"src/{a.relative_to(src.resolve())} includes "
                       f"src/{b.relative_to(src.resolve())} ({fb} is above {fa})")
    return bad


def folder_cycle(src):
    """One cycle of the folders' include graph, whatever their declared order, as a list of
    folders (first == last); None when there is none. (Headers of one folder may include each
    other: tvk.h and host.h do, by design.)"""
    graph = collections.defaultdict(set)
    for a, b in includes(src)[0]:
        if folder(src, a) != folder(src, b):
            graph[folder(src, a)].add(folder(src, b))
    state, stack = {}, []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph[node]):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                cycle = visit(nxt)
                if cycle:
                    return cycle
        state[node] = 2
        stack.pop()
        return None

    for node in sorted(graph):
        if node not in state:
            cycle = visit(node)
            if cycle:
                return cycle
    return None


def test_every_source_folder_has_one_place_in_the_order():
    folders = {p.name for p in (ROOT / "src").iterdir() if p.is_dir()}
    assert len(set(LAYERS)) == len(LAYERS)
    assert sorted(folders) == sorted(LAYERS)
    assert not [p.name for p in (ROOT / "src").iterdir() if p.suffix in (".h", ".cpp")]


def test_every_quoted_include_names_a_file():
    # An include that resolves nowhere would escape the layering check.
    assert includes(ROOT / "src")[1] == []


def test_no_file_includes_a_header_of_a_higher_folder():
    src = ROOT / "src"
    edges, _ = includes(src)
    # The scan sees the folders' mutual use at all (a broken pattern would pass vacuously).
    assert sum(folder(src, a) != folder(src, b) for a, b in edges) > 100
    assert upward_includes(src, LAYERS) == []


def test_folders_include_each_other_in_no_cycle():
    assert folder_cycle(ROOT / "src") is None


def test_the_scans_find_an_upward_include_and_a_cycle(tmp_path):
    # core reaching up into pchip (by a path relative to the file, as some files spell their
    # includes) while pchip includes core: whichever order is declared, one include goes up, and
    # the two folders form a cycle. Headers of one folder including each other are no fault.
    (tmp_path / "core").mkdir()
    (tmp_path / "pchip").mkdir()
    (tmp_path / "interp").mkdir()
    (tmp_path / "core" / "a.h").write_text('#pragma once\n#include "b.h"\n')
    (tmp_path / "core" / "b.h").write_text('#pragma once\n  #  include "a.h"\n')
    (tmp_path / "interp" / "i.h").write_text('#pragma once\n#include <core/a.h>\n')
    assert upward_includes(tmp_path, ("core", "interp", "pchip")) == []
    assert folder_cycle(tmp_path) is None
    (tmp_path / "core" / "a.cpp").write_text('#include "a.h"\n#include "../pchip/p.h"\n')
    (tmp_path / "pchip" / "p.h").write_text('#pragma once\n#include "core/a.h"\n')
    assert upward_includes(tmp_path, ("core", "interp", "pchip")) == [
        "src/core/a.cpp includes src/pchip/p.h (pchip is above core)"]
    assert upward_includes(tmp_path, ("pchip", "interp", "core")) == [
        "src/interp/i.h includes src/core/a.h (core is above interp)",
        "src/pchip/p.h includes src/core/a.h (core is above pchip)"]
    assert folder_cycle(tmp_path) in (["core", "pchip", "core"], ["pchip", "core", "pchip"])


def object_files():
    """The library's object files of the loaded build, by folder; skips when the build keeps them
    elsewhere."""
    with open("/proc/self/maps") as maps:
        libs = [line.split()[-1] for line in maps if Path(line.split()[-1]).name.startswith("libtolvek.so")]
    assert libs, "libtolvek.so is not loaded"
    objdir = Path(libs[0]).parent / "CMakeFiles" / "tolvek_objects.dir" / "src"
    if not objdir.is_dir():
        pytest.skip("no object files of the library beside " + libs[0])
    objects = {}
    for obj in objdir.glob("*/*.o"):
        source = ROOT / "src" / obj.parent.name / obj.stem  # "units.cpp.o" -> units.cpp
        if source.is_file():  # objects of sources that moved away are stale
            objects[obj] = obj.parent.name
    return objects


def test_no_object_file_refers_to_a_symbol_of_a_higher_folder():
    objects = object_files()
    names = sorted(str(o) for o in objects)

    def nm(*flags):
        out = subprocess.run(["nm", "-A", *flags, *names], capture_output=True, text=True,
                             check=True).stdout
        for line in out.splitlines():
            path, _, rest = line.partition(":")
            fields = rest.split()
            if len(fields) >= 2:
                yield Path(path), fields[-2], fields[-1]

    # Strong definitions only: inline functions and template instances are defined (weakly) in
    # every object that uses them, and their headers are checked by the include scan.
    defined = collections.defaultdict(set)
    for path, kind, symbol in nm("--defined-only"):
        if kind in "TDBR":
            defined[symbol].add(objects[path])
    rank = {name: i for i, name in enumerate(LAYERS)}
    references = 0
    bad = []
    for path, kind, symbol in nm("--undefined-only"):
        for owner in defined.get(symbol, ()):
            if owner != objects[path]:
                references += 1
                if rank[owner] > rank[objects[path]]:
                    bad.append(f"src/{objects[path]}/{path.stem} uses {symbol} of src/{owner}/")
    assert references > 100
    assert sorted(set(bad)) == []


def test_readme_layout_lists_the_folders_in_their_order():
    text = (ROOT / "README.md").read_text()
    layout = re.search(r"^## Layout\n(.*?)(?=^## )", text, flags=re.S | re.M)
    assert layout, "the README has no Layout section"
    section = layout.group(1)
    # The order, stated in one line as `core` < `interp` < ...
    stated = re.search(r"`\w+`(?:\s*<\s*`\w+`)+", section)
    assert stated and tuple(re.findall(r"`(\w+)`", stated.group(0))) == LAYERS
    # Every folder has its entry, in the same order.
    listed = []
    for name in re.findall(r"`src/(\w+)/`", section):
        if name not in listed:
            listed.append(name)
    assert tuple(listed) == LAYERS
