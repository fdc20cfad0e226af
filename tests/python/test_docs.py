"""The code of the README and the user guide runs as written. In README.md and in each docs/*.md
file the ```python blocks run in order in one fresh interpreter (one session per file, in an empty
working folder), a ```card NAME block is written into that folder as NAME before the next python
block, and each ```c block is compiled against the library and run. Blocks marked `norun` (```sh
norun, ```python norun, ...), and ```text blocks, are not run; any other fence is refused, so
that no snippet escapes unmarked."""

import json
import os
import re
import shutil
import subprocess
import sys

import pytest

import _tolvek

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DOCS = os.path.join(ROOT, "docs")
FENCE = re.compile(r"^```([^\n`]*)\n(.*?)^```\s*$", re.M | re.S)


def doc_files():
    """The documents whose code is checked, relative to the repository root."""
    return ["README.md"] + sorted("docs/" + f for f in os.listdir(DOCS) if f.endswith(".md"))


def blocks(path):
    with open(path) as f:
        text = f.read()
    return [(m.group(1).strip().split(), m.group(2), text.count("\n", 0, m.start()) + 1)
            for m in FENCE.finditer(text)]


def library_path():
    from native_lib import LIBRARY_PATH
    return LIBRARY_PATH


SESSION = """\
import json, sys
namespace = {"__name__": "__main__"}
for kind, name, line, code in json.load(open(sys.argv[1])):
    if kind == "card":
        with open(name, "w") as f:
            f.write(code)
    else:  # compiled under the guide's name with its line numbers, for the traceback
        exec(compile("\\n" * line + code, name, "exec"), namespace)
"""


def session_steps(doc_blocks, name):
    """The python and card blocks of one file as the steps of a session."""
    steps = []
    for info, code, line in doc_blocks:
        if info == ["python"]:
            steps.append(("python", name, line, code))
        elif len(info) == 2 and info[0] == "card":
            steps.append(("card", info[1], line, code))
    return steps


def session_env():
    """The environment of a session: the module this test imported first on the path (a relative
    PYTHONPATH would not hold in the session's own working folder), no display."""
    path = [os.path.dirname(os.path.abspath(_tolvek.__file__))] + os.environ.get("PYTHONPATH", "").split(os.pathsep)
    return dict(os.environ, MPLBACKEND="Agg", PYTHONPATH=os.pathsep.join(p for p in path if p))


@pytest.mark.parametrize("name", doc_files())
def test_every_block_is_marked(name):
    for info, _, line in blocks(os.path.join(ROOT, name)):
        runs = info in (["python"], ["c"]) or (len(info) == 2 and info[0] == "card")
        assert runs or info == ["text"] or (len(info) == 2 and info[1] == "norun"), \
            f"{name}:{line}: a code block must run (python, c, card NAME) or say norun: {info}"


@pytest.mark.parametrize("name", doc_files())
def test_python_blocks_run_as_one_session(name, tmp_path):
    doc = [b for b in blocks(os.path.join(ROOT, name)) if b[0] == ["python"] or b[0][:1] == ["card"]]
    if not any(b[0] == ["python"] for b in doc):
        pytest.skip("no python block")
    script, steps = tmp_path / "session.py", tmp_path / "steps.json"
    script.write_text(SESSION)
    steps.write_text(json.dumps(session_steps(doc, name)))
    work = tmp_path / "work"
    work.mkdir()
    proc = subprocess.run([sys.executable, str(script), str(steps)], cwd=work, capture_output=True, text=True,
                          env=session_env(), timeout=240)
    assert proc.returncode == 0, proc.stdout[-3000:] + proc.stderr[-5000:]


@pytest.mark.parametrize("name", doc_files())
def test_c_blocks_compile_and_run(name, tmp_path):
    programs = [(code, line) for info, code, line in blocks(os.path.join(ROOT, name)) if info == ["c"]]
    if not programs:
        pytest.skip("no c block")
    cc = shutil.which("cc") or shutil.which("gcc")
    assert cc, "a C compiler is needed"
    lib = library_path()
    # Under the sanitizer run the library is instrumented: the program is built the same way.
    sanitize = ["-fsanitize=address,undefined"] if "libasan" in os.environ.get("LD_PRELOAD", "") else []
    for k, (code, line) in enumerate(programs):
        src, exe = tmp_path / f"snippet{k}.c", tmp_path / f"snippet{k}"
        src.write_text(f'#line {line + 1} "{name}"\n' + code)
        build = subprocess.run([cc, "-std=c11", "-Wall", "-Werror", *sanitize, "-I", os.path.join(ROOT, "src"), str(src),
                                lib, f"-Wl,-rpath,{os.path.dirname(lib)}", "-o", str(exe)],
                               capture_output=True, text=True, timeout=120)
        assert build.returncode == 0, build.stderr
        run = subprocess.run([str(exe)], capture_output=True, text=True, timeout=60)
        assert run.returncode == 0, f"{name}:{line}: exit {run.returncode}\n{run.stdout}{run.stderr}"
