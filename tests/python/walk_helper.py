"""Worker of the robustness walk in test_contract.py.

Run as a script:  python walk_helper.py JOBFILE FINDINGSFILE

JOBFILE is JSON: {"routines": [[namespace, name], ...], "start": [ri, vi], "alarm": seconds}.
The worker calls routine ri onwards, beginning with variant vi of routine ri, where variant 0 is a
call without arguments, variant 1 a call with plausible values for every required argument, and
each further variant replaces one required argument by one hostile value.

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

    def walk(self, module, routines, start):
        ri0, vi0 = start
        for ri in range(ri0, len(routines)):
            ns, name = routines[ri]
            fn = getattr(getattr(module, ns), name)
            doc = fn.__doc__ or ""
            form = callform(doc)
            kwargs = EXTRA_KWARGS.get((ns, name), {})
            for vi, (label, args) in enumerate(variants(required_params(doc))):
                if ri == ri0 and vi < vi0:
                    continue
                where = "%s.%s(%s)" % (ns, name, label)
                self.marker("%d %d %s.%s|%s" % (ri, vi, ns, name, label))
                try:
                    ok, value = self.call(fn, args, kwargs)
                except BaseException as exc:  # SystemExit, KeyboardInterrupt and the like
                    self.finding(where, "raised %s: %s" % (type(exc).__name__, exc))
                    continue
                if ok is False:
                    self.finding(where, "raised SystemError: %s" % value)
                elif ok and vi == 1:
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


def main(argv):
    job = json.load(open(argv[1]))
    warnings.simplefilter("ignore")
    np.seterr(all="ignore")
    import _tolvek

    walker = Walker(argv[2], job.get("alarm", 10.0))
    walker.walk(_tolvek, [tuple(r) for r in job["routines"]], tuple(job["start"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
