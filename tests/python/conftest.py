r"""Recording of the calls the Python tests make, for the replay walk of test_contract.py.

With TVK_RECORD_CALLS=<file> set, the module `_tolvek` is replaced, before any test imports it,
by a thin stand-in that forwards everything to the real module and records the calls of its
routines: namespace, routine, arguments (copied before the call, since in/out arrays change) and
the model-data tables and counters present at the time of the call. At the end of the session the
calls are written to <file> (a pickle compressed with lzma), at most a few per routine, so that the
corpus stays small:

    TVK_RECORD_CALLS=tests/python/data/replay_calls.pickle.xz \
        PYTHONPATH=build/python /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python

Tests that look at the module object itself (its dict, the types of its namespaces) fail while
recording; the recorded calls are what counts. Without the variable nothing changes.

With TVK_RECORD_ONLY=<regular expression on "namespace.routine"> as well, the calls are added to
the corpus already at <file> instead: every distinct call of the routines it selects that a test
makes in its body (not in its fixtures), unless the corpus holds it already. The calls already
there keep their order and numbers, so the other walks are not changed. The impactor's calls in
the middle of an impact, the expansion of an uncured resin and the load hook's calls of an impact
step were added so (each command adds nothing the second time):

    export TVK_RECORD_CALLS=tests/python/data/replay_calls.pickle.xz PYTHONPATH=build/python
    TVK_RECORD_ONLY='toplevel\.(uel_impact|vuel_impact|umat_sensor|[uv]externaldb_iocontrol)$' \
        /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python/test_impactor_calls.py
    TVK_RECORD_ONLY='toplevel\.uexpan_prony$' /usr/bin/python3 -m pytest -q -p no:cacheprovider \
        tests/python/test_prony.py -k test_uexpan_glassy_liquid_and_time_zero
    TVK_RECORD_ONLY='sldcollection\.dsload$' /usr/bin/python3 -m pytest -q -p no:cacheprovider \
        tests/python/test_loads.py -k test_dsload_tracks_the_nearest_element_and_loads_in_impact_steps
"""

import os
import sys

RECORD_PATH = os.environ.get("TVK_RECORD_CALLS", "")
RECORD_ONLY = os.environ.get("TVK_RECORD_ONLY", "")

if RECORD_PATH:
    import lzma
    import pickle
    import re

    import numpy as np
    import pytest

    import _tolvek as _real
    import walk_helper

    # At most this many calls per routine, each with a different argument signature (types,
    # shapes, the presence of model data), and no argument larger than this many elements.
    PER_ROUTINE = 4
    MAX_ELEMENTS = 4096
    MAX_STATE_BYTES = 64 * 1024

    _MODEL_VARS = walk_helper.model_variables(_real)
    _calls = []
    _states = []
    _state_index = {}
    _per_routine = {}

    class _Unrecordable(Exception):
        pass

    # Adding to the corpus: the calls and states already there, and whether a test body runs.
    _known_calls = set()
    _in_test_body = [False]

    def _call_key(ns, name, args, kwargs, state):
        return pickle.dumps((ns, name, args, sorted(kwargs.items()), state), protocol=4)

    if RECORD_ONLY and os.path.exists(RECORD_PATH):
        _corpus = walk_helper.load_corpus(RECORD_PATH)
        for _s in _corpus["states"]:
            _state_index[pickle.dumps(sorted(_s.items(), key=lambda kv: kv[0]))] = len(_states)
            _states.append(_s)
        for _c in _corpus["calls"]:
            _calls.append(_c)
            _known_calls.add(_call_key(_c["ns"], _c["name"], _c["args"], _c["kwargs"], _c["state"]))

    @pytest.hookimpl(hookwrapper=True)
    def pytest_runtest_call(item):
        _in_test_body[0] = True
        try:
            yield
        finally:
            _in_test_body[0] = False

    def _copy(value):
        if value is None or isinstance(value, (bool, int, float, complex, str, bytes)):
            return value
        if isinstance(value, np.generic):
            return value.item() if value.dtype.kind in "biufc" else value
        if isinstance(value, np.ndarray):
            if value.dtype.kind not in "biufcS" or value.size > MAX_ELEMENTS:
                raise _Unrecordable
            return value.copy(order="K")
        if isinstance(value, (tuple, list)):
            items = [_copy(v) for v in value]
            return tuple(items) if isinstance(value, tuple) else items
        raise _Unrecordable  # call-backs, capsules, files and other objects

    def _signature(value):
        if isinstance(value, np.ndarray):
            return ("a", value.dtype.str, value.shape)
        if isinstance(value, (tuple, list)):
            return (type(value).__name__,) + tuple(_signature(v) for v in value)
        return type(value).__name__

    def _state_id():
        state = walk_helper.read_state(_real, _MODEL_VARS)
        if not state:
            return None
        if sum(np.asarray(v).nbytes for v in state.values()) > MAX_STATE_BYTES:
            raise _Unrecordable
        key = pickle.dumps(sorted(state.items(), key=lambda kv: kv[0]))
        if key not in _state_index:
            _state_index[key] = len(_states)
            _states.append(state)
        return _state_index[key]

    def _record(ns, name, args, kwargs):
        if RECORD_ONLY and not (_in_test_body[0] and re.search(RECORD_ONLY, "%s.%s" % (ns, name))):
            return
        try:
            cargs = [_copy(a) for a in args]
            ckwargs = {k: _copy(v) for k, v in kwargs.items()}
            state = _state_id()
        except _Unrecordable:
            return
        if RECORD_ONLY:
            key = _call_key(ns, name, cargs, ckwargs, state)
            if key not in _known_calls:
                _known_calls.add(key)
                _per_routine.setdefault((ns, name), set())
                _calls.append({"ns": ns, "name": name, "args": cargs, "kwargs": ckwargs, "state": state})
            return
        sig = (tuple(_signature(a) for a in cargs), tuple(sorted((k, _signature(v)) for k, v in ckwargs.items())),
               state is not None)
        seen = _per_routine.setdefault((ns, name), set())
        if sig in seen or len(seen) >= PER_ROUTINE:
            return
        seen.add(sig)
        _calls.append({"ns": ns, "name": name, "args": cargs, "kwargs": ckwargs, "state": state})

    class _Routine:
        """Forwards to a routine and records its calls."""

        def __init__(self, ns, name, fn):
            object.__setattr__(self, "_where", (ns, name))
            object.__setattr__(self, "_fn", fn)

        @property
        def __doc__(self):
            return self._fn.__doc__

        def __call__(self, *args, **kwargs):
            _record(self._where[0], self._where[1], args, kwargs)
            return self._fn(*args, **kwargs)

        def __getattr__(self, attr):
            return getattr(self._fn, attr)

        def __repr__(self):
            return repr(self._fn)

    class _Namespace:
        """Forwards to a namespace; its routines come back wrapped."""

        def __init__(self, ns, obj):
            object.__setattr__(self, "_ns", ns)
            object.__setattr__(self, "_obj", obj)

        @property
        def __doc__(self):
            return self._obj.__doc__

        def __getattr__(self, attr):
            value = getattr(self._obj, attr)
            if callable(value) and not isinstance(value, (np.ndarray, type)) and not attr.startswith("__"):
                return _Routine(self._ns, attr, value)
            return value

        def __setattr__(self, attr, value):
            setattr(self._obj, attr, value)

        def __delattr__(self, attr):
            delattr(self._obj, attr)

        def __dir__(self):
            return dir(self._obj)

    class _Module:
        def __getattr__(self, attr):
            value = getattr(_real, attr)
            if type(value) is type(_real.math):
                value = _Namespace(attr, value)
                self.__dict__[attr] = value
            return value

        def __dir__(self):
            return dir(_real)

    _module = _Module()
    _module.__dict__.update({k: getattr(_real, k) for k in ("__doc__", "__file__", "__version__", "error")
                             if hasattr(_real, k)})
    sys.modules["_tolvek"] = _module

    def pytest_sessionfinish(session, exitstatus):
        with lzma.open(RECORD_PATH, "wb", preset=9) as f:
            pickle.dump({"calls": _calls, "states": _states}, f, protocol=4)
        print("\nrecorded %d calls of %d routines, %d model states into %s"
              % (len(_calls), len(_per_routine), len(_states), RECORD_PATH))
