"""The error record read through its plain C functions (tvk_error_level, tvk_error_message,
tvk_error_clear) with ctypes, as a C host reads it, and reports made from many threads at once
through the C names (ctypes releases the interpreter lock during a call, so they do overlap):
every thread has its own record, which the C functions and the Python attributes both resolve."""
import ctypes
import threading
from ctypes import POINTER, byref, c_char_p, c_double, c_int, c_size_t

import numpy as np

import _tolvek
from error_record import clean_record, errstat, errtext  # noqa: F401  (fixture)
from native_lib import LIB

LIB.tvk_error_level.restype = c_int
LIB.tvk_error_level.argtypes = []
LIB.tvk_error_message.restype = c_size_t
LIB.tvk_error_message.argtypes = [c_char_p, c_size_t]
LIB.tvk_error_clear.restype = None
LIB.tvk_error_clear.argtypes = []
LIB.xerr.restype = None
LIB.xerr.argtypes = [POINTER(c_int), c_char_p, POINTER(c_int), POINTER(c_int), POINTER(c_double),
                     POINTER(c_int), POINTER(c_int), POINTER(c_int), POINTER(c_int), POINTER(c_int), c_size_t]


def c_message(size=81):
    buf = ctypes.create_string_buffer(size)
    n = LIB.tvk_error_message(buf, size)
    return n, buf.value.decode()


def test_c_reader_agrees_with_the_python_record():
    assert LIB.tvk_error_level() == 0 and c_message() == (0, "")
    _tolvek.lamina.getnyeproperties(np.array([1.0, 2.0, 3.0]))   # unsupported count: level -2
    text = "Unsupported input in GetNyeProperties"
    assert errstat() == LIB.tvk_error_level() == -2
    assert c_message() == (len(text), text) and errtext() == text
    assert c_message(6) == (len(text), "Unsup")            # cut to the buffer, full length returned
    assert LIB.tvk_error_message(None, 0) == len(text)
    LIB.tvk_error_clear()
    assert errstat() == 0 and _tolvek.errorhandling.errintv is None
    assert c_message() == (0, "")
    _tolvek.errorhandling.rsxerr(1)


def report(t, r):
    """One report of thread t in round r; its array lengths depend on t."""
    text = f"thread {t} round {r}".encode()
    ints = (c_int * (1 + t % 5))(r, *([t] * (t % 5)))
    reals = (c_double * (1 + t % 3))(*([t + 0.5] * (1 + t % 3)))
    codes = (c_int * (2 * (1 + t % 2)))(*([65 + t % 26] * (2 * (1 + t % 2))))
    LIB.xerr(byref(c_int(-1 - t % 3)), text, ints, byref(c_int(len(ints))), reals, byref(c_int(len(reals))),
             codes, byref(c_int(2)), byref(c_int(1 + t % 2)), None, len(text))


def holds_report(t, r):
    """Whether the calling thread's record holds report(t, r) whole, read through the C functions
    and the Python attributes (which resolve the calling thread's record)."""
    eh = _tolvek.errorhandling
    return (c_message()[1] == f"thread {t} round {r}" and LIB.tvk_error_level() == errstat() == -1 - t % 3
            and errtext() == f"thread {t} round {r}"
            and eh.errintv.tolist() == [r] + [t] * (t % 5) and eh.errrealv.tolist() == [t + 0.5] * (1 + t % 3)
            and eh.errasciim.shape == (2, 1 + t % 2) and bool((eh.errasciim == 65 + t % 26).all()))


def in_threads(n, body):
    """Runs body(t) in n threads started together; returns what each returned."""
    barrier = threading.Barrier(n)
    out = [None] * n

    def run(t):
        barrier.wait()
        out[t] = body(t)

    pool = [threading.Thread(target=run, args=(t,)) for t in range(n)]
    for th in pool:
        th.start()
    for th in pool:
        th.join()
    return out


def test_each_thread_keeps_the_first_of_its_own_reports_whole():
    report(99, 0)  # the main thread's report, which no other thread may see or clear

    def body(t):
        for r in range(30):
            if LIB.tvk_error_level() != 0 or errstat() != 0:
                return "a report before the thread made one"
            for k in range(5):
                report(t, r + k)   # the first wins within the thread
            if not holds_report(t, r):
                return f"round {r}: {c_message()[1]!r}"
            LIB.tvk_error_clear()
        return ""

    assert in_threads(12, body) == [""] * 12
    assert holds_report(99, 0)
    LIB.tvk_error_clear()


def test_clearing_in_one_thread_leaves_the_other_threads_reports():
    stop = threading.Event()
    seen = []

    def clearer():
        while not stop.is_set():
            LIB.tvk_error_clear()
            _tolvek.errorhandling.rsxerr(1)

    def reader():
        while not stop.is_set():
            if LIB.tvk_error_level() or c_message()[0] or errstat():
                seen.append(c_message()[1])

    def body(t):
        for k in range(300):
            report(t, k % 7)
            if not holds_report(t, k % 7):
                return f"report {k}: {c_message()[1]!r}"
            LIB.tvk_error_clear()
        return ""

    helpers = [threading.Thread(target=clearer), threading.Thread(target=reader)]
    for th in helpers:
        th.start()
    try:
        assert in_threads(8, body) == [""] * 8
    finally:
        stop.set()
        for th in helpers:
            th.join()
    assert seen == [] and LIB.tvk_error_level() == 0


def test_refused_and_valid_calls_in_two_threads_each_read_only_their_own_reports():
    """One thread's calls are refused (three elastic constants), the other's are valid; each
    reads errstat and clears with rsxerr after every call, in the order that exposes a shared
    record: both call, the valid thread reads and clears, then the refused one reads. Neither
    sees the other's report and no refusal goes missing."""
    eh = _tolvek.errorhandling
    text = "Unsupported input in GetNyeProperties"
    bad, good = np.array([1.0, 2.0, 3.0]), np.array([140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3])
    step = threading.Barrier(2)

    def body(t):
        wrong = ""
        for k in range(300):
            _tolvek.lamina.getnyeproperties(bad if t == 0 else good)
            for turn in (1, 0):
                step.wait()
                if t == turn:
                    level, message = int(eh.errstat), errtext()
                    eh.rsxerr(1)
                    if t == 0 and (level, message) != (-2, text):
                        wrong = wrong or f"refusal {k} read as {level} {message!r}"
                    if t == 1 and level != 0:
                        wrong = wrong or f"valid call {k} read {level} {message!r}"
        return wrong

    assert in_threads(2, body) == ["", ""]
    assert errstat() == 0


def test_record_variables_resolve_the_calling_threads_record():
    """Reads, assignments and writes through the arrays reach the calling thread's record; the
    main thread's record is left as it was, and an array taken in a thread stays valid after the
    thread ended."""
    eh = _tolvek.errorhandling
    report(2, 5)
    kept = {}

    def body():
        kept["fresh"] = (int(eh.errstat), bytes(eh.errstring), eh.errintv)
        eh.errstat = -7
        eh.errstring = "other thread"
        eh.errintv = [4, 5, 6]
        kept["errstat"], kept["errstring"], kept["errintv"] = eh.errstat, eh.errstring, eh.errintv
        eh.errstat[...] = -8   # a write through the array
        kept["same"] = eh.errstat is eh.errstat

    th = threading.Thread(target=body)
    th.start()
    th.join()
    assert kept["fresh"] == (0, bytes(80), None) and kept["same"]
    assert int(kept["errstat"]) == -8 and bytes(kept["errstring"]).rstrip() == b"other thread"
    assert list(kept["errintv"]) == [4, 5, 6]   # the table block is kept with the record
    assert holds_report(2, 5)
    # in the main thread, as ever: one array per variable, listed by dir()
    assert eh.errstat is eh.errstat and {"errstat", "errstring"} <= set(dir(eh))
    LIB.tvk_error_clear()
