"""Contract of the `_tolvek` extension module: namespaces, call forms, and robustness of every
routine against hostile arguments.

The call forms live in data/callforms.tsv (namespace, routine, call form per line). A routine that
the module binds must have a line there and its doc must start with that call form; lines for
routines that are not bound yet are counted and otherwise ignored.

The robustness walk calls every routine of every namespace (found by walking the module, so new
routines are covered without editing this file) in worker processes (walk_helper.py): without
arguments, with plausible arguments, and with each required argument in turn replaced by a
hostile value. Every call must return or raise an ordinary Python exception; a worker that dies
by a signal names the call that killed it, and the walk carries on after that call.

The walk also finds silent out-of-bounds access and undefined behaviour when the module comes from
a sanitizer build (configure with -DTVK_SANITIZE=ON -DTVK_PYTHON=ON) and the runtimes are preloaded:
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=abort_on_error=1:print_stacktrace=1 \
    LD_PRELOAD=$(gcc -print-file-name=libasan.so):$(gcc -print-file-name=libubsan.so) \
    PYTHONPATH=<build>/python /usr/bin/python3 -m pytest tests/python/test_contract.py -k walk
A finding then carries the sanitizer's report.

Two further walks give the routines the input that finds most faults:
- table states: every routine, without arguments, with plausible arguments and with each call of
  the test suite recorded for it (data/replay_calls.pickle.xz), in three states of the model data:
  no tables; every table of extent 1 while the counters (nplies, nsec, nsteps, ...) say more;
  every table NaN-filled;
- replay: the recorded calls with one change at a time: an argument (or an optional size not
  passed) replaced by -1, 0, INT_MIN, INT_MAX or 10**7 for an integer, NaN, +-inf or 0 for a real,
  NaN/inf entries, integer entries at the 32-bit limits or a shrunk array; a table of the
  recorded model data released, shrunk to extent 1 or NaN-filled; a counter set below or above
  its tables. By default one change in TVK_REPLAY_STRIDE (8) runs, chosen by TVK_REPLAY_SEED (0);
  TVK_REPLAY_STRIDE=1 runs them all.
The corpus is re-recorded by running the suite with TVK_RECORD_CALLS set (see conftest.py).

The record check (test_solver_entry_records) makes every recorded call of a solver entry with each
real value changed in turn to NaN, +-inf, 0, +-1e308, +-1e154, 1e200, 5e-324 or -1e-3 and checks the outputs and the
records that outlive the call (solver_records.py: the rules and the table of exemptions). A
finding names the entry, the recorded call, the change, the level of the error record and the
offending slots with their values before and after the call.

Environment: TVK_WALK_JOBS (worker processes, 2), TVK_WALK_ALARM (seconds a call may take, 10),
TVK_WALK_FILTER (regular expression on "namespace.routine" to walk a subset), TVK_WALK_MEMORY_MB
(address space of a worker outside the sanitizer builds, 6144), TVK_REPLAY_STRIDE, TVK_REPLAY_SEED.
"""

import concurrent.futures
import json
import os
import re
import signal
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import _tolvek

HERE = Path(__file__).resolve().parent
CALLFORMS = HERE / "data" / "callforms.tsv"
HELPER = HERE / "walk_helper.py"
CORPUS = HERE / "data" / "replay_calls.pickle.xz"

NAMESPACES = (
    "toplevel wrapper prony fatigue iohandling delisio dg8 degradation dic fracture evocollection "
    "damage cccollection delcollection mccollection fbcollection gpcollection sublaminate "
    "elementhandling hex8 quad8 quad4 tria6 truss3 sldcollection elasticity resin laminate lamina "
    "micromechanic isscollection nlcollection interaction permcollection listhandling "
    "stringhandling imageprocessing signalprocessing math utility boxbeamio errorhandling "
    "datahandling shokriehdata bukdata damagedata loaddata impactdata elementdata nodaldata "
    "sectiondata materialdata debugdata jobdata types"
).split()

# Output of the paths that end the process by design (status 1): the fatal reports of the table
# interpolation, of the cubic Hermite error handler and of the machine constants out of range on
# standard output, and those of a failed allocation on standard error.
PROCESS_ENDING_TEXTS = (b"INTERP_LINEAR - Fatal error!", b" ***MESSAGE FROM ROUTINE ",
                        b"I1MACH - Fatal error!", b"D1MACH - Fatal error!", b"R1MACH - Fatal error!")
PROCESS_ENDING_ERRORS = (b"Error allocating ", b"Integer overflow when calculating the amount of memory")
# A sanitizer build reports an allocation beyond its limits and aborts, where the release build
# fails the allocation: the same, expected, end.
SANITIZER_ALLOCATION_FAILURES = ("allocation-size-too-big", "out-of-memory", "requested allocation size",
                                 "allocator is out of memory")

WALK_JOBS = int(os.environ.get("TVK_WALK_JOBS", "2"))
WALK_ALARM = float(os.environ.get("TVK_WALK_ALARM", "10"))
WALK_FILTER = os.environ.get("TVK_WALK_FILTER", "")  # regex on "namespace.routine", for debugging
REPLAY_STRIDE = int(os.environ.get("TVK_REPLAY_STRIDE", "8"))
REPLAY_SEED = int(os.environ.get("TVK_REPLAY_SEED", "0"))


def load_callforms():
    table = {}
    for lineno, line in enumerate(CALLFORMS.read_text().splitlines(), 1):
        ns, name, form = line.split("\t")
        assert (ns, name) not in table, "line %d repeats %s.%s" % (lineno, ns, name)
        table[(ns, name)] = form
    return table


def doc_listing():
    """{namespace: [member, ...]} from the module doc, where each namespace is listed as
    "<name> --- <members>" with routines written as "name()"."""
    doc = _tolvek.__doc__ or ""
    heads = list(re.finditer(r"(?:^|\s)(\w+) --- ", doc))
    listing = {}
    for k, m in enumerate(heads):
        end = heads[k + 1].start() if k + 1 < len(heads) else len(doc)
        body = doc[m.end():end].strip().rstrip(".")
        listing[m.group(1)] = [item.strip() for item in body.split(",") if item.strip()]
    return listing


def routines_of(ns, ns_obj):
    """{name: routine} of a namespace: its callable members (variables are arrays), found through
    the instance dict, dir() and the module doc's listing."""
    names = set(dir(ns_obj))
    try:
        names.update(vars(ns_obj))
    except TypeError:
        pass
    names.update(item[:-2] for item in doc_listing().get(ns, []) if item.endswith("()"))
    out = {}
    for name in names:
        if name.startswith("__"):
            continue
        obj = getattr(ns_obj, name, None)
        if callable(obj) and not isinstance(obj, (np.ndarray, type)):
            out[name] = obj
    return out


def all_routines():
    return [(ns, name, fn) for ns in NAMESPACES for name, fn in sorted(routines_of(ns, getattr(_tolvek, ns)).items())]


def callform_matches(doc_line, expected):
    """A call form that the data gives with an ellipsis matches any completion of it."""
    if "..." not in expected:
        return doc_line == expected
    head, tail = expected.split("...", 1)
    return doc_line.startswith(head) and doc_line.endswith(tail) and len(doc_line) >= len(expected) - 3


# ------------------------------------------------------------------------------------------------
# The module


def test_module_identity():
    assert _tolvek.__version__ == "$Revision: $"
    assert isinstance(_tolvek.error, type) and issubclass(_tolvek.error, Exception)


def test_namespaces_in_creation_order_in_module_dict():
    present = [key for key in vars(_tolvek) if key in NAMESPACES]
    assert present == NAMESPACES


def test_namespaces_listed_in_module_doc():
    # Each namespace is listed as "<name> --- <members>"; the listing may run in creation order or
    # in its reverse, but must hold every namespace exactly once and in one of those orders.
    listed = re.findall(r"(?:^|\s)(\w+) --- ", _tolvek.__doc__ or "")
    assert listed in (NAMESPACES, NAMESPACES[::-1]), listed


def test_listed_members_are_attributes_of_their_namespace():
    listing = doc_listing()
    problems = []
    for ns in NAMESPACES:
        ns_obj = getattr(_tolvek, ns)
        visible = set(dir(ns_obj))
        for item in listing.get(ns, []):
            name = item[:-2] if item.endswith("()") else item
            if item.endswith("()") and not callable(getattr(ns_obj, name, None)):
                problems.append("%s.%s is listed but is not a routine of the namespace" % (ns, name))
            elif item.endswith("()") and name not in visible:
                problems.append("%s.%s is missing from dir(%s)" % (ns, name, ns))
    assert not problems, "\n".join(problems)


def test_callform_data_is_well_formed():
    table = load_callforms()
    form_re = re.compile(r"^(?:\w+(?:,\w+)* = )?(\w+)\((\w+(?:,\w+)*)?(?:,?\[[\w.]+(?:,[\w.]+)*\])?\)$")
    for (ns, name), form in table.items():
        assert ns in NAMESPACES, (ns, name)
        m = form_re.match(form)
        assert m and m.group(1) == name, form
    names = [name for _, name in table]
    assert len(names) == len(set(names)), "a routine name appears in two namespaces"


# ------------------------------------------------------------------------------------------------
# Call forms


def test_routine_docs_start_with_their_call_form():
    table = load_callforms()
    where = {name: ns for ns, name in table}
    problems = []
    bound = set()
    for ns, name, fn in all_routines():
        bound.add((ns, name))
        doc_line = (fn.__doc__ or "").split("\n", 1)[0].rstrip()
        expected = table.get((ns, name))
        if expected is None:
            if name in where:
                problems.append("%s.%s is bound in the wrong namespace (expected %s)" % (ns, name, where[name]))
            else:
                problems.append("%s.%s is bound but has no call form in the data" % (ns, name))
        elif not callform_matches(doc_line, expected):
            problems.append("%s.%s:\n    doc      %s\n    expected %s" % (ns, name, doc_line, expected))
    missing = [key for key in table if key not in bound]
    print("call forms: %d bound, %d in the data not yet bound" % (len(bound), len(missing)))
    assert not problems, "\n".join(problems)


# ------------------------------------------------------------------------------------------------
# Robustness walk


def _last_call(output):
    """(ri, vi, description, output after the marker) of the last call marker in a worker's output."""
    k = output.rfind(b"\n@@CALL ")
    if k < 0:
        return None
    end = output.find(b"\n", k + 1)
    end = len(output) if end < 0 else end
    ri, vi, desc = output[k + len(b"\n@@CALL "):end].decode(errors="replace").split(" ", 2)
    return int(ri), int(vi), desc, output[end + 1:]


def _walk_chain(base_job, items, workdir, env):
    """Walk a list of items (routines or recorded calls) in as many worker processes as the
    crashes demand."""
    findings = []
    start = (0, 0)
    findings_path = workdir / "findings.jsonl"
    while True:
        job = workdir / "job.json"
        job.write_text(json.dumps(dict(base_job, items=items, start=start, alarm=WALK_ALARM)))
        out_path = workdir / "stdout.bin"
        err_path = workdir / "stderr.bin"
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            proc = subprocess.run([sys.executable, str(HELPER), str(job), str(findings_path)],
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  cwd=workdir, env=env, timeout=3600)
        output = out_path.read_bytes()
        errors = err_path.read_bytes()
        last = _last_call(output)
        if proc.returncode == 0 and output.rstrip().endswith(b"@@DONE"):
            break
        if last is None or last[0] < 0:
            findings.append("worker failed before or after the walk (status %d): %s"
                            % (proc.returncode, errors.decode(errors="replace")[-2000:]))
            break
        ri, vi, desc, tail = last
        name, _, variant = desc.partition("|")
        call = "%s(%s)" % (name, variant)
        if base_job.get("state"):
            call += " with the tables %s" % base_job["state"]
        report = errors.decode(errors="replace")
        if proc.returncode < 0:
            sig = signal.Signals(-proc.returncode).name
            if -proc.returncode == signal.SIGALRM:
                findings.append("%s: still running after %g s (ended by the walk)" % (call, WALK_ALARM))
            elif any(text in report for text in SANITIZER_ALLOCATION_FAILURES):
                pass  # an allocation the sanitizer refused: the release build fails it too
            else:
                # a sanitizer build names the fault on stderr
                marks = [k for k in (report.find("runtime error:"), report.find("Sanitizer")) if k >= 0]
                k = min(marks) if marks else -1
                detail = ("\n" + report[max(0, report.rfind("\n", 0, k)):k + 1200]) if k >= 0 else ""
                findings.append("%s: process killed by %s%s" % (call, sig, detail))
        elif proc.returncode == 1 and (any(text in tail for text in PROCESS_ENDING_TEXTS)
                                       or any(text in errors for text in PROCESS_ENDING_ERRORS)):
            pass  # a specified fatal report ends the process; carry on after this call
        else:
            findings.append("%s: process ended with status %d; output %r"
                            % (call, proc.returncode, tail[-300:]))
        if findings and base_job.get("first"):
            break
        start = (ri, vi + 1)
    if findings_path.exists():
        for line in findings_path.read_text().splitlines():
            item = json.loads(line)
            where = item["where"]
            if base_job.get("state"):
                where += " with the tables %s" % base_job["state"]
            findings.append("%s: %s" % (where, item["what"]))
    return findings


def _walk_env():
    env = dict(os.environ)
    module_dir = str(Path(_tolvek.__file__).resolve().parent)
    env["PYTHONPATH"] = os.pathsep.join([module_dir, str(HERE)] + [p for p in env.get("PYTHONPATH", "").split(os.pathsep) if p])
    env["OMP_NUM_THREADS"] = env["OPENBLAS_NUM_THREADS"] = "1"
    # In a sanitizer build an allocation beyond 4 GiB fails (as it would on a small machine)
    # instead of taking the machine's memory.
    if "ASAN_OPTIONS" in env or "asan" in env.get("LD_PRELOAD", ""):
        env["ASAN_OPTIONS"] = ":".join(o for o in (env.get("ASAN_OPTIONS", ""),
                                                    "allocator_may_return_null=1", "max_allocation_size_mb=4096") if o)
    return env


def _run_walk(base_job, items, tmp_path):
    """Runs the items in TVK_WALK_JOBS worker chains; the findings of all of them."""
    jobs = max(1, min(WALK_JOBS, len(items)))
    shards = [items[k::jobs] for k in range(jobs)]
    dirs = []
    for k in range(jobs):
        d = tmp_path / ("worker%d" % k)
        d.mkdir()
        dirs.append(d)
    env = _walk_env()
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        results = list(pool.map(_walk_chain, [base_job] * jobs, shards, dirs, [env] * jobs))
    return [f for chain in results for f in chain]


def _selected(ns, name):
    return not WALK_FILTER or re.search(WALK_FILTER, "%s.%s" % (ns, name))


def _recorded_calls():
    """[["call", index]] of the recorded calls of the routines selected (and still bound)."""
    import walk_helper
    if not CORPUS.exists():
        return []
    bound = {(ns, name) for ns, name, _ in all_routines()}
    calls = walk_helper.load_corpus(CORPUS)["calls"]
    return [["call", k] for k, c in enumerate(calls)
            if (c["ns"], c["name"]) in bound and _selected(c["ns"], c["name"])]


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""), reason="the sanitizer builds set no limit")
def test_walk_worker_memory_limit_stays_within_a_lower_hard_limit():
    import resource
    hard = resource.getrlimit(resource.RLIMIT_AS)[1]
    lower = 5 << 30 if hard == resource.RLIM_INFINITY else min(5 << 30, hard)  # below the worker's 6 GB
    code = "import resource, walk_helper; walk_helper.limit_memory(); print(*resource.getrlimit(resource.RLIMIT_AS))"
    env = {k: v for k, v in os.environ.items() if k != "TVK_WALK_MEMORY_MB"}
    out = subprocess.run([sys.executable, "-c", code], cwd=HERE, env=env, capture_output=True, text=True,
                         timeout=120, preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (lower, lower)))
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == [str(lower)] * 2


@pytest.mark.timeout(3600)  # the workers have their own per-call alarm and time limit
def test_robustness_walk(tmp_path):
    routines = [["routine", ns, name] for ns, name, _ in all_routines() if _selected(ns, name)]
    if not routines:
        pytest.skip("no routine bound yet")
    findings = _run_walk({"kind": "walk"}, routines, tmp_path)
    print("robustness walk: %d routines" % len(routines))
    assert not findings, "%d finding(s):\n%s" % (len(findings), "\n".join(findings))


@pytest.mark.timeout(3600)
@pytest.mark.parametrize("state", ["none", "tiny", "nan"])
def test_robustness_walk_table_states(tmp_path, state):
    """Every routine with the model data absent, of extent 1 under counters that say more, or
    NaN-filled."""
    items = [["routine", ns, name] for ns, name, _ in all_routines() if _selected(ns, name)]
    items += _recorded_calls()
    if not items:
        pytest.skip("nothing to walk")
    findings = _set_aside(_run_walk({"kind": "states", "state": state, "corpus": str(CORPUS)}, items, tmp_path))
    print("table state %s: %d routines and recorded calls" % (state, len(items)))
    assert not findings, "%d finding(s):\n%s" % (len(findings), "\n".join(findings))


# Faults the replay finds in code that is being reworked elsewhere: their findings are set aside
# by the walks (and printed), and each has a strict expected failure below that replays exactly
# its calls, so that the entry goes once the fault is fixed. (fault, pattern on the finding,
# whether only a sanitizer build shows it.)
KNOWN_FAULTS = []


def _known(finding):
    return next((fault for fault, pattern, _ in KNOWN_FAULTS if re.search(pattern, finding)), None)


def _set_aside(findings):
    """The findings of no known fault; the others are printed."""
    new = []
    for f in findings:
        fault = _known(f)
        if fault:
            print("known fault (%s): %s" % (fault, f.split("\n", 1)[0]))
        else:
            new.append(f)
    return new


def _sanitized():
    return "asan" in os.environ.get("LD_PRELOAD", "")


@pytest.mark.timeout(3600)
@pytest.mark.parametrize("fault,pattern,sanitizer_only", [
    pytest.param(fault, pattern, only, id="known%d" % k,
                 marks=pytest.mark.xfail(strict=True, reason="known fault: " + fault))
    for k, (fault, pattern, only) in enumerate(KNOWN_FAULTS)])
def test_known_fault_replayed(tmp_path, fault, pattern, sanitizer_only):
    """Replays the changes of recorded calls that the pattern of a known fault names, up to the
    first that still faults (a hang costs the whole alarm; the walks cover the rest)."""
    import walk_helper
    if sanitizer_only and not _sanitized():
        pytest.xfail("shows only in a sanitizer build")
    if sanitizer_only is None and not _sanitized():
        pytest.xfail("a hang whose length depends on the build; checked in the sanitizer build")
    corpus = walk_helper.load_corpus(CORPUS)
    items, labels = [], []
    for _, ri in _recorded_calls():
        call = corpus["calls"][ri]
        fn = getattr(getattr(_tolvek, call["ns"]), call["name"])
        chosen = [label for label, *_ in walk_helper.call_mutations(call, fn.__doc__, corpus["states"])
                  if re.search(pattern, "%s.%s[call %d](%s)" % (call["ns"], call["name"], ri, label))]
        if chosen:
            items.append(["call", ri])
            labels.append(chosen)
    assert items, "the pattern names no recorded call"
    findings = _walk_chain({"kind": "replay", "corpus": str(CORPUS), "labels": labels, "first": True}, items,
                           tmp_path, _walk_env())
    assert not findings, "\n".join(findings)


@pytest.mark.timeout(3600)
def test_robustness_replay(tmp_path):
    """The test suite's own calls, one argument, table or counter changed at a time."""
    items = _recorded_calls()
    if not items:
        pytest.skip("no recorded calls")
    findings = _run_walk({"kind": "replay", "corpus": str(CORPUS), "stride": REPLAY_STRIDE,
                          "seed": REPLAY_SEED}, items, tmp_path)
    findings = _set_aside(findings)
    print("replay: %d recorded calls, one change in %d" % (len(items), REPLAY_STRIDE))
    assert not findings, "%d finding(s):\n%s" % (len(findings), "\n".join(findings))


@pytest.mark.timeout(3600)
def test_solver_entry_records(tmp_path):
    """The recorded calls of the solver entries, every real value changed in turn: no output and no
    record that outlives the call takes a value the entry cannot use (the rules and the one table of
    exemptions are in solver_records.py). Unlike the replay, every change runs."""
    import solver_records
    import walk_helper
    calls = walk_helper.load_corpus(CORPUS)["calls"] if CORPUS.exists() else []
    items = [item for item in _recorded_calls()
             if solver_records.SOLVER_ENTRY.match("%s.%s" % (calls[item[1]]["ns"], calls[item[1]]["name"]))]
    if not items:
        pytest.skip("no recorded call of a solver entry selected")
    findings = sorted(_run_walk({"kind": "records", "corpus": str(CORPUS)}, items, tmp_path))
    print("solver entry records: %d recorded calls" % len(items))
    per_entry = {}
    for f in findings:
        entry = f.split("[", 1)[0].split("(", 1)[0]
        per_entry[entry] = per_entry.get(entry, 0) + 1
    summary = "".join("  %s: %d\n" % kv for kv in sorted(per_entry.items()))
    assert not findings, "%d finding(s), by entry:\n%s%s" % (len(findings), summary, "\n".join(findings))


@pytest.mark.parametrize("name,after,before,level,spec,rows,flagged", [
    ("statev", [1.0, np.nan], [1.0, 0.0], 0, {}, None, "not finite"),             # written at level 0
    ("statev", [1.0, np.nan], [1.0, np.nan], -2, {}, None, ""),                    # came in so, left alone
    ("statev", [1.0, 2.0], [1.0, 0.0], -3, {}, None, "changed by a refused call"),
    ("statev", [1.0, 2.0], [1.0, 0.0], -3, {"own_result": True}, None, ""),       # a result of its own
    ("statev", [np.inf, 2.0], [0.0, 0.0], 0, {"defined": {"statev": (1,)}}, None, ""),
    ("sse", np.inf, 1.0, 0, {"energies": ("sse",)}, None, ""),
    ("sse", 2.0, 1.0, -3, {"energies": ("sse",)}, None, "changed by a refused call"),
    ("pnewdt", 0.5, 1.0, -3, {}, None, ""),
    ("passed", np.nan, np.nan, 0, {"owned": ("passed",)}, None, "not finite"),
    ("passed", -np.inf, -np.inf, 0, {"owned": ("passed",)}, None, ""),
    ("alpha", np.inf, None, 0, {}, None, "not finite"),                            # an output of its own
    ("stressnew", [[1.0, 2.0], [5.0, 6.0]], [[1.0, 2.0], [3.0, 4.0]], -3, {}, {0}, ""),  # row 1 evaluated
    ("stressnew", [[9.0, 2.0], [5.0, 6.0]], [[1.0, 2.0], [3.0, 4.0]], -3, {}, {0}, "changed by a refused call"),
    ("dprops", [1.0, 2.0], [0.0, 0.0], -3, {"shared": ("dprops",)}, {0}, ""),
    ("dprops", [1.0, 2.0], [0.0, 0.0], -3, {"shared": ("dprops",)}, None, "changed by a refused call"),
])
def test_record_rules_flag_what_they_should(name, after, before, level, spec, rows, flagged):
    import solver_records
    spec = dict(spec)
    own = spec.pop("own_result", False)
    problems = []
    solver_records.check_slots(name, np.array(after), None if before is None else np.array(before), level,
                               solver_records.Entry(**spec), own, problems, rows)
    assert (problems[0].split(":")[0] if problems else "") == flagged, problems
