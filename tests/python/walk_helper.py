"""Worker of the robustness walk in test_contract.py.

Run as a script:  python walk_helper.py JOBFILE FINDINGSFILE

JOBFILE is JSON: {"kind": "walk" | "states" | "replay" | "records", "items": [item, ...], "start": [ri, vi],
"alarm": seconds, ...}. An item is a routine ["routine", namespace, name] or a call of the recorded
corpus ["call", index] ("corpus" gives its file). The worker calls item ri onwards, beginning with
variant vi of item ri. For a routine, variant 0 is a call without arguments, variant 1 a call with
plausible values for every required argument, and each further variant replaces one required
argument by one hostile value ("walk"). "states" makes only the first two calls of a routine, and
the recorded calls as recorded, each with the model data in the table state "state" (none, tiny,
nan). "replay" makes a recorded call as recorded and then with one change at a time
(call_mutations), one change in "stride" (chosen by "seed"), or only the changes "labels"[ri].
"records" makes every recorded call of a solver entry with one real value changed at a time and
checks its outputs and records (solver_records.py), every change.

Before every call it flushes Python's and C's standard output and writes the marker line
"@@CALL ri vi namespace.name|variant" to standard output, so that the parent can tell which call
was running when the process died and which output that call produced.  A call that runs longer
than the alarm is ended by SIGALRM (no Python handler is installed, so the default action ends the
process even while native code runs).

Findings that do not end the process (an exception that is not an ordinary Python error, a
result whose arity differs from the call form) go to FINDINGSFILE as JSON lines.  The worker
prints "@@DONE" and exits with status 0 when every routine has been walked.
"""

import ctypes
import json
import math
import os
import re
import signal
import sys
import warnings

import numpy as np

# Values that replace one required argument at a time.
HOSTILE = (
    ("None", lambda: None),
    ("str", lambda: "abc"),
    ("huge int", lambda: 2**70),
    ("NaN", lambda: math.nan),
    ("empty array", lambda: np.zeros(0)),
    ("3-d array", lambda: np.ones((2, 3, 2))),
    ("complex array", lambda: np.ones(3, dtype=np.complex128)),
    ("object array", lambda: np.array([object(), object(), object()], dtype=object)),
)

def _cb_raises(*args):
    raise ValueError("raised by the call-back")


def _foreign_capsule():
    # the native entry point of a routine whose argument list fits no call-back
    import _tolvek
    return getattr(_tolvek.math.crossproduct, "_cpointer", None)


# Further values for a call-back argument.
HOSTILE_CALLBACKS = (
    ("call-back raising", lambda: _cb_raises),
    ("call-back returning text", lambda: (lambda *args: "abc")),
    ("call-back returning NaN", lambda: (lambda *args: (math.nan, math.nan))),
    ("call-back returning a long tuple", lambda: (lambda *args: tuple(range(50)))),
    ("call-back taking no arguments", lambda: (lambda: None)),
    ("capsule of another routine", _foreign_capsule),
)

# Keyword arguments added to every call of a routine: xerr without pyerr=1 prints its message and
# ends the process by design, which would cut the walk short.
EXTRA_KWARGS = {("errorhandling", "xerr"): {"pyerr": 1}}

UNKNOWN_EXTENT = 3

_PARAM = re.compile(r"^(\w+) : (.*)$")
_ARRAY = re.compile(r"^rank-(\d+) array\(((?:[^()]|\([^()]*\))*)\)(?: with bounds \((.*)\))?$")
_STRING = re.compile(r"^string\(len=(\w+|\*)\)$")


def callform(doc):
    """The first line of a routine's doc: its call form."""
    return (doc or "").split("\n", 1)[0].rstrip()


def results_of(form):
    """Names of the results of a call form, in order."""
    head, sep, _ = form.partition(" = ")
    return head.split(",") if sep else []


def required_params(doc):
    """[(name, description)] of the required arguments, from the "Parameters" section of the doc;
    falls back to the names of the call form with no description."""
    lines = (doc or "").split("\n")
    for i, line in enumerate(lines[:-1]):
        if line == "Parameters" and lines[i + 1].startswith("---"):
            params = []
            for entry in lines[i + 2:]:
                if not entry.strip():
                    break
                m = _PARAM.match(entry)
                if m:
                    params.append((m.group(1), m.group(2).strip()))
            return params
    form = callform(doc)
    inner = form[form.find("(") + 1:form.rfind(")")]
    inner = inner.split("[", 1)[0]
    return [(name, "") for name in inner.split(",") if name]


def _dtype(code):
    code = code.strip().strip("'")
    if code == "c":
        return np.dtype("S1")
    try:
        return np.dtype(code)
    except TypeError:
        return np.dtype(np.float64)


def _split_bounds(text):
    """The extents of a bounds text, split at the commas outside parentheses."""
    parts, depth, cur = [], 0, ""
    for ch in text:
        if ch == "," and depth == 0:
            parts.append(cur)
            cur = ""
            continue
        depth += (ch == "(") - (ch == ")")
        cur += ch
    parts.append(cur)
    return parts


def _extent(expr, env):
    expr = expr.strip()
    if expr in ("", "*", ":"):
        return UNKNOWN_EXTENT
    py = re.sub(r"(?<!/)/(?!/)", "//", expr)
    names = {n: env.get(n, UNKNOWN_EXTENT) for n in re.findall(r"[A-Za-z_]\w*", py)}
    names.update(min=min, max=max, abs=abs, len=lambda x: UNKNOWN_EXTENT,
                 shape=lambda x, i: UNKNOWN_EXTENT, size=lambda x: UNKNOWN_EXTENT)
    try:
        value = int(eval(py, {"__builtins__": {}}, names))  # noqa: S307 - doc text of our own module
    except Exception:
        return UNKNOWN_EXTENT
    return max(value, 1)


def _callback(*args):
    return None


def plausible_value(desc, env):
    """A value that fits an argument description of the doc."""
    if desc == "call-back function":
        return _callback
    kind = desc.split(" ", 1)
    inout = kind[0] == "in/output"
    rest = kind[1] if len(kind) > 1 else ""
    if rest == "float":
        return 1.0
    if rest == "int":
        return 1
    if rest == "complex":
        return 1.0 + 0.0j
    if rest == "tuple":
        return ()
    m = _STRING.match(rest)
    if m:
        return b"abc"
    m = _ARRAY.match(rest)
    if m:
        rank = int(m.group(1))
        spec = m.group(2)
        code = spec.rsplit(",", 1)[-1]
        if spec.startswith("string(len="):
            length = spec[len("string(len="):spec.index(")")]
            dtype = np.dtype("S%s" % (length if length.isdigit() else 8))
        else:
            dtype = _dtype(code)
        bounds = m.group(3)
        shape = tuple(_extent(e, env) for e in _split_bounds(bounds)) if bounds else ()
        if rank == 0 or not shape:
            shape = ()
        if dtype.kind == "S":
            arr = np.full(shape, b"a" * dtype.itemsize, dtype=dtype)
        elif dtype.kind in "fc":
            # 1, 2, 3, ... in storage order: strictly increasing abscissas for the tables
            size = int(np.prod(shape)) if shape else 1
            arr = np.arange(1, size + 1, dtype=dtype).reshape(shape, order="F")
        else:
            arr = np.ones(shape, dtype=dtype, order="F")
        return np.asfortranarray(arr) if inout and arr.ndim else arr
    return 1.0


def plausible_args(params):
    """Plausible values for the required arguments. Integer scalars that size arrays get the
    unknown extent, so that the arrays and their sizes agree; other integers get 1."""
    bound_names = set()
    for _, desc in params:
        m = _ARRAY.match(desc.split(" ", 1)[-1])
        if m and m.group(3):
            bound_names.update(re.findall(r"[A-Za-z_]\w*", m.group(3)))
    env = {}
    values = []
    for name, desc in params:
        if desc in ("input int",) and name in bound_names:
            values.append(UNKNOWN_EXTENT)
            env[name] = UNKNOWN_EXTENT
        else:
            values.append(plausible_value(desc, env))
    return values


def variants(params):
    """[(description, args)] in variant order (variant 0 is the call without arguments)."""
    base = plausible_args(params)
    out = [("no arguments", None), ("plausible arguments", base)]
    for i, (name, desc) in enumerate(params):
        hostile = HOSTILE + (HOSTILE_CALLBACKS if desc == "call-back function" else ())
        for label, make in hostile:
            args = list(base)
            args[i] = make()
            out.append(("%s = %s" % (name, label), args))
    return out


# ------------------------------------------------------------------------------------------------
# Model data: the tables and counters of the data namespaces, and the states the walk puts them in

MODEL_NAMESPACES = ("jobdata debugdata materialdata sectiondata nodaldata elementdata impactdata "
                    "loaddata damagedata bukdata shokriehdata").split()

INT_MIN, INT_MAX = -2**31, 2**31 - 1

_VARLINE = re.compile(r"^'(\w)'-(scalar|array\(([-\d,]*)\))")


def model_variables(module):
    """[(namespace, name, kind, code, rank)] of every model-data variable: kind "table", "scalar"
    or "text", code the element type ('i', 'd', 'S'), rank that of a table. The names come from
    the module doc's listing, the kinds from the namespace doc (one line per variable, in the same
    order)."""
    doc = module.__doc__ or ""
    heads = list(re.finditer(r"(?:^|\s)(\w+) --- ", doc))
    listing = {}
    for k, m in enumerate(heads):
        end = heads[k + 1].start() if k + 1 < len(heads) else len(doc)
        body = doc[m.end():end].strip().rstrip(".")
        listing[m.group(1)] = [x.strip() for x in body.split(",") if x.strip() and not x.strip().endswith("()")]
    out = []
    for ns in MODEL_NAMESPACES:
        lines = [m for m in (_VARLINE.match(line) for line in (getattr(module, ns).__doc__ or "").split("\n")) if m]
        names = listing.get(ns, [])
        for name, m in zip(names, lines):
            code = m.group(1)
            if code == "S":
                out.append((ns, name, "text", code, 0))
            elif m.group(2) == "scalar":
                out.append((ns, name, "scalar", code, 0))
            else:
                out.append((ns, name, "table", code, m.group(3).count(",") + 1))
    return out


def read_state(module, variables):
    """{"ns.name": value} of the tables present and the counters that are not 0 (text fields are
    left out: a path in them would send output to where the recording ran)."""
    state = {}
    for ns, name, kind, code, rank in variables:
        if kind == "text":
            continue
        value = getattr(getattr(module, ns), name)
        if value is None:
            continue
        if kind == "scalar":
            if value != 0:
                state["%s.%s" % (ns, name)] = value.item()
        else:
            state["%s.%s" % (ns, name)] = np.array(value, order="F")
    return state


def reset_model(module, variables):
    """Every table absent, every counter 0."""
    for ns, name, kind, code, rank in variables:
        if kind == "table":
            setattr(getattr(module, ns), name, None)
        elif kind == "scalar":
            setattr(getattr(module, ns), name, 0)


def load_state(module, variables, state):
    reset_model(module, variables)
    for key, value in state.items():
        ns, name = key.split(".")
        setattr(getattr(module, ns), name, value)


# The table states of the walk: "none" every table absent and every counter 0; "tiny" every table
# of extent 1 in every dimension while the counters say 7 (the counters of the trace settings stay
# 0: they only switch printing on); "nan" every table of extents (24, 3, 3, 3) filled with NaN (the
# integer tables with 1, the ids and flags that let a routine reach the values), counters 3.
TABLE_STATES = ("none", "tiny", "nan")


def table_state(variables, which):
    state = {}
    if which == "none":
        return state
    for ns, name, kind, code, rank in variables:
        key = "%s.%s" % (ns, name)
        if kind == "scalar":
            if ns == "debugdata":
                continue
            if code == "d":
                state[key] = 1.0 if which == "tiny" else math.nan
            else:
                state[key] = 7 if which == "tiny" else 3
        elif kind == "table":
            shape = (1,) * rank if which == "tiny" else (24, 3, 3, 3)[:rank]
            if code == "i":
                state[key] = np.ones(shape, dtype=np.int32, order="F")
            elif which == "tiny":
                state[key] = np.ones(shape, order="F")
            else:
                state[key] = np.full(shape, math.nan, order="F")
    return state


# ------------------------------------------------------------------------------------------------
# Replay of recorded calls with one argument, table or counter changed at a time

INT_VALUES = (("-1", -1), ("0", 0), ("INT_MIN", INT_MIN), ("INT_MAX", INT_MAX), ("10**7", 10**7))
FLOAT_VALUES = (("NaN", math.nan), ("inf", math.inf), ("-inf", -math.inf), ("0.0", 0.0))


def _is_int(v):
    return isinstance(v, (int, np.integer)) and not isinstance(v, (bool, np.bool_))


def _value_mutations(v):
    """[(label, value)] of the replacements of one argument."""
    out = []
    if _is_int(v) or (isinstance(v, np.ndarray) and v.ndim == 0 and v.dtype.kind in "iu"):
        out += [(label, x) for label, x in INT_VALUES if x != v]
    elif isinstance(v, float) or (isinstance(v, np.ndarray) and v.ndim == 0 and v.dtype.kind == "f"):
        out += list(FLOAT_VALUES)
    elif isinstance(v, np.ndarray) and v.size:
        if v.dtype.kind in "fc":
            out.append(("all NaN", np.full_like(v, math.nan)))
            w = v.copy(order="K")
            w.flat[0] = math.inf
            out.append(("first inf", w))
        elif v.dtype.kind in "iu":
            for label, x in (("all -1", -1), ("first INT_MIN", INT_MIN), ("first INT_MAX", INT_MAX)):
                w = v.copy(order="K")
                if label.startswith("all"):
                    w[...] = x
                else:
                    w.flat[0] = x
                out.append((label, w))
        if v.ndim and v.size > 1:
            out.append(("shrunk to one entry", np.array(v[(slice(0, 1),) * v.ndim], order="F")))
    elif isinstance(v, (bytes, str)) and v:
        out.append(("empty text", v[:0]))
    return out


def optional_int_params(doc):
    """Names of the optional integer arguments of a routine (its "Other Parameters")."""
    lines = (doc or "").split("\n")
    for i, line in enumerate(lines[:-1]):
        if line == "Other Parameters" and lines[i + 1].startswith("---"):
            names = []
            for entry in lines[i + 2:]:
                if not entry.strip():
                    break
                m = _PARAM.match(entry)
                if m and m.group(2).startswith("input int") and not m.group(1).startswith("overwrite_"):
                    names.append(m.group(1))
            return names
    return []


def call_mutations(call, doc, states):
    """[(label, args, kwargs, state)] of a recorded call: the call itself, then one change at a
    time: each argument (positional, keyword, or an optional size not passed) replaced, and each
    table of the recorded model data released, shrunk to extent 1 or NaN-filled, each counter
    set below and above the tables."""
    args, kwargs = list(call["args"]), dict(call["kwargs"])
    state = states[call["state"]] if call.get("state") is not None else {}
    out = [("as recorded", args, kwargs, state)]
    for i, v in enumerate(args):
        for label, x in _value_mutations(v):
            a = list(args)
            a[i] = x
            out.append(("arg %d = %s" % (i + 1, label), a, kwargs, state))
    for k, v in kwargs.items():
        if k.startswith("overwrite_") or k.endswith("_extra_args"):
            continue
        for label, x in _value_mutations(v):
            out.append(("%s = %s" % (k, label), args, dict(kwargs, **{k: x}), state))
    for k in optional_int_params(doc):
        if k in kwargs:
            continue
        for label, x in INT_VALUES:
            out.append(("%s = %s" % (k, label), args, dict(kwargs, **{k: x}), state))
    for key, v in state.items():
        if isinstance(v, np.ndarray):
            changes = [("released", None)]
            if v.size > 1:
                changes.append(("shrunk", np.array(v[(slice(0, 1),) * v.ndim], order="F")))
            if v.dtype.kind == "f":
                changes.append(("NaN-filled", np.full_like(v, math.nan)))
        elif _is_int(v):
            changes = [("-1", -1), ("+5", v + 5)]
        else:
            changes = [("NaN", math.nan)]
        for label, x in changes:
            s = dict(state)
            if x is None:
                del s[key]
            else:
                s[key] = x
            out.append(("%s %s" % (key, label), args, kwargs, s))
    return out


def sampled(ri, vi, stride, seed):
    """Whether variant vi of item ri is in the sample of one in `stride` (the unchanged call,
    variant 0, always is)."""
    return vi == 0 or stride <= 1 or (ri * 7919 + vi * 104729 + seed) % stride == 0


class Walker:
    def __init__(self, findings_path, alarm):
        self.findings = open(findings_path, "a", buffering=1)
        self.alarm = alarm
        self.libc = ctypes.CDLL(None)

    def marker(self, text):
        sys.stdout.flush()
        self.libc.fflush(None)
        os.write(1, ("\n@@CALL %s\n" % text).encode())

    def finding(self, where, what):
        self.findings.write(json.dumps({"where": where, "what": what}) + "\n")

    def call(self, fn, args, kwargs):
        signal.setitimer(signal.ITIMER_REAL, self.alarm)
        try:
            if args is None:
                return True, fn(**kwargs)
            return True, fn(*args, **kwargs)
        except SystemError as exc:
            return False, exc
        except Exception as exc:  # ordinary errors are the expected outcome of hostile input
            return None, exc
        finally:
            signal.setitimer(signal.ITIMER_REAL, 0)

    def item_variants(self, module, item, job):
        """(where, fn, form, [(label, args, kwargs, state)]) of one item of the job: a routine
        ["routine", ns, name] or a recorded call ["call", index]. state None leaves the model
        data as it is."""
        kind = job.get("kind", "walk")
        if item[0] == "call":
            call = self.corpus["calls"][item[1]]
            ns, name = call["ns"], call["name"]
        else:
            ns, name = item[1], item[2]
        fn = getattr(getattr(module, ns), name)
        doc = fn.__doc__ or ""
        extra = EXTRA_KWARGS.get((ns, name), {})
        where = "%s.%s" % (ns, name)
        if item[0] == "call":
            where += "[call %d]" % item[1]
            if kind == "replay":
                out = call_mutations(call, doc, self.corpus["states"])
            else:
                out = [("as recorded", call["args"], call["kwargs"], None)]
        else:
            out = [(label, args, {}, None) for label, args in variants(required_params(doc))]
            if kind == "states":
                out = out[:2]
        if kind == "states":
            out = [(label, args, kwargs, self.table_state) for label, args, kwargs, _ in out]
        out = [(label, args, dict(kwargs, **extra), state) for label, args, kwargs, state in out]
        return where, fn, callform(doc), out

    def walk(self, module, job):
        if job.get("kind") == "records":
            return self.walk_records(module, job)
        items = job["items"]
        ri0, vi0 = job["start"]
        stride, seed = job.get("stride", 1), job.get("seed", 0)
        for ri in range(ri0, len(items)):
            where0, fn, form, vars_ = self.item_variants(module, items[ri], job)
            for vi, (label, args, kwargs, state) in enumerate(vars_):
                if ri == ri0 and vi < vi0:
                    continue
                if job.get("kind") == "replay" and not sampled(ri, vi, stride, seed):
                    continue
                if "labels" in job and label not in job["labels"][ri]:
                    continue
                where = "%s(%s)" % (where0, label)
                if state is not None:
                    try:
                        load_state(module, self.model_vars, state)
                    except Exception as exc:
                        self.finding(where, "model data could not be set: %s: %s" % (type(exc).__name__, exc))
                        continue
                self.marker("%d %d %s|%s" % (ri, vi, where0, label))
                try:
                    ok, value = self.call(fn, args, kwargs)
                except BaseException as exc:  # SystemExit, KeyboardInterrupt and the like
                    self.finding(where, "raised %s: %s" % (type(exc).__name__, exc))
                    continue
                if ok is False:
                    self.finding(where, "raised SystemError: %s" % value)
                elif ok and vi == 1 and items[ri][0] == "routine":
                    outs = results_of(form)
                    if len(outs) == 0:
                        good = value is None
                    elif len(outs) == 1:
                        good = not isinstance(value, tuple)
                    else:
                        good = isinstance(value, tuple) and len(value) == len(outs)
                    if not good:
                        shape = "tuple of %d" % len(value) if isinstance(value, tuple) else type(value).__name__
                        self.finding(where, "returned %s where the call form %r has %d result(s)"
                                     % (shape, form, len(outs)))
        self.marker("-1 -1 end|end")
        os.write(1, b"@@DONE\n")

    def walk_records(self, module, job):
        """The record check of solver_records.py over the recorded calls of the items."""
        import solver_records

        items = job["items"]
        ri0, vi0 = job["start"]
        eh = module.errorhandling
        for ri in range(ri0, len(items)):
            call = self.corpus["calls"][items[ri][1]]
            ns, name = call["ns"], call["name"]
            fn = getattr(getattr(module, ns), name)
            entry = "%s.%s" % (ns, name)
            spec = solver_records.entry(entry)
            names = [n for n, _ in required_params(fn.__doc__)]
            results = results_of(callform(fn.__doc__))
            state = self.corpus["states"][call["state"]] if call.get("state") is not None else {}
            where0 = "%s[call %d]" % (entry, items[ri][1])
            blocks = solver_records.block_names(fn.__doc__)
            changes = solver_records.real_mutations(list(call["args"]), dict(call["kwargs"]), names, state, spec,
                                                    blocks)
            loaded = None
            for vi, (label, args, kwargs, st, points) in enumerate(changes):
                if ri == ri0 and vi < vi0:
                    continue
                # the values as they came: the call gets copies of them
                before = dict(zip(names, args))
                before.update(kwargs)
                args, kwargs = [_fresh(a) for a in args], {k: _fresh(v) for k, v in kwargs.items()}
                # The model data as recorded; an entry that writes no table leaves it, so that it
                # is loaded once for all its changes that keep the tables.
                if st is not loaded or spec.tables:
                    load_state(module, self.model_vars, st)
                    loaded = st
                tables = {}
                for key in spec.tables:
                    tns, tname = key.split(".")
                    v = getattr(getattr(module, tns), tname)
                    tables[key] = None if v is None else np.array(v, copy=True)
                eh.rsxerr(1)
                self.marker("%d %d %s|%s" % (ri, vi, where0, label))
                ok, value = self.call(fn, args, kwargs)
                if not ok:
                    continue
                level = int(eh.errstat)
                text = eh.errstring[()].decode(errors="replace").strip() if level else ""
                eh.rsxerr(1)
                own = level <= -3 and any(p.search(text) for p in spec.own_result)
                problems = []

                def check(rname, v, b):
                    solver_records.check_slots(rname, v, b, level, spec, own, problems,
                                               points if rname in blocks or rname in spec.shared else None)

                values = value if len(results) > 1 else (value,)
                for rname, v in zip(results, values):
                    b = None if rname in spec.fresh else before.get(rname)
                    if b is None and rname.endswith("new") and rname not in spec.fresh:
                        b = before.get(rname[:-3] + "old")
                    check(rname, v, b)
                for pname, v in zip(names, args):
                    if pname not in results and isinstance(v, np.ndarray):
                        check(pname, v, before[pname])
                for key, b in tables.items():
                    tns, tname = key.split(".")
                    v = getattr(getattr(module, tns), tname)
                    if v is None and b is not None:
                        problems.append("table %s released" % key)
                    elif v is not None:
                        check(key, v, b)
                if problems:
                    self.finding("%s(%s)" % (where0, label), "level %d%s: %s" % (
                        level, " (%s)" % text if text else "", "; ".join(problems)))
        self.marker("-1 -1 end|end")
        os.write(1, b"@@DONE\n")


def _fresh(value):
    """A copy of an argument that a call may write into (arrays, also inside lists)."""
    if isinstance(value, np.ndarray):
        return value.copy(order="K")
    if isinstance(value, list):
        return [_fresh(v) for v in value]
    return value


def load_corpus(path):
    import lzma
    import pickle
    with lzma.open(path, "rb") as f:
        return pickle.load(f)


def limit_memory():
    """Bounds the address space of a worker outside the sanitizer builds (which reserve their
    shadow memory up front and bound single allocations through their own options), so that a huge
    count ends in a failed allocation instead of taking the machine's memory."""
    if "asan" in os.environ.get("LD_PRELOAD", ""):
        return
    import resource
    limit = int(os.environ.get("TVK_WALK_MEMORY_MB", "6144")) << 20
    hard = resource.getrlimit(resource.RLIMIT_AS)[1]
    if hard != resource.RLIM_INFINITY:  # a limit may be lowered, never raised above the hard one
        limit = min(limit, hard)
    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))


def main(argv):
    job = json.load(open(argv[1]))
    warnings.simplefilter("ignore")
    np.seterr(all="ignore")
    import _tolvek

    limit_memory()
    walker = Walker(argv[2], job.get("alarm", 10.0))
    walker.model_vars = model_variables(_tolvek)
    walker.corpus = load_corpus(job["corpus"]) if job.get("corpus") else {"calls": [], "states": []}
    walker.table_state = table_state(walker.model_vars, job.get("state") or "none")
    walker.walk(_tolvek, job)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
