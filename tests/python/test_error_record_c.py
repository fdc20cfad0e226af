"""The error record read through its plain C functions (tvk_error_level, tvk_error_message,
tvk_error_clear) with ctypes, as a C host reads it, and reports made from many threads at once
through the C names (ctypes releases the interpreter lock during a call, so they do overlap)."""
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


def test_concurrent_reports_keep_the_first_whole():
    threads, rounds = 12, 40
    eh = _tolvek.errorhandling
    for r in range(rounds):
        LIB.tvk_error_clear()
        barrier = threading.Barrier(threads)

        def work(t):
            barrier.wait()
            for _ in range(20):
                report(t, r)

        pool = [threading.Thread(target=work, args=(t,)) for t in range(threads)]
        for th in pool:
            th.start()
        for th in pool:
            th.join()
        n, text = c_message()
        words = text.split()
        assert words[0] == "thread" and words[2:] == ["round", str(r)], text
        t = int(words[1])
        # every part of the record from that one report
        assert LIB.tvk_error_level() == -1 - t % 3
        assert eh.errintv.tolist() == [r] + [t] * (t % 5)
        assert eh.errrealv.tolist() == [t + 0.5] * (1 + t % 3)
        assert eh.errasciim.shape == (2, 1 + t % 2) and (eh.errasciim == 65 + t % 26).all()
    LIB.tvk_error_clear()


def test_clearing_while_others_report_never_tears_the_record():
    stop = threading.Event()
    torn = []

    def reporter(t):
        for _ in range(300):
            report(t, 0)

    def clearer():
        while not stop.is_set():
            LIB.tvk_error_clear()

    def reader():
        while not stop.is_set():
            n, text = c_message()
            if n and not (text.startswith("thread ") and text.endswith(" round 0")):
                torn.append(text)

    helpers = [threading.Thread(target=clearer), threading.Thread(target=reader)]
    pool = [threading.Thread(target=reporter, args=(t,)) for t in range(8)]
    for th in helpers + pool:
        th.start()
    for th in pool:
        th.join()
    stop.set()
    for th in helpers:
        th.join()
    assert torn == []
    LIB.tvk_error_clear()
    report(4, 9)
    assert c_message()[1] == "thread 4 round 9" and _tolvek.errorhandling.errintv.tolist() == [9, 4, 4, 4, 4]
    LIB.tvk_error_clear()
