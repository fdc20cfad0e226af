"""The library's process-ending paths called from Python through ctypes (which releases the
interpreter lock), from the main thread and from other threads: the process ends with status 1
and exactly the specified text, after what Python printed before."""
import os
import subprocess
import sys
import textwrap

import pytest

import _tolvek  # noqa: F401
from native_lib import LIBRARY_PATH as LIB

PRELUDE = """
import ctypes, threading
from ctypes import byref, c_double, c_int, c_size_t
lib = ctypes.CDLL(%r)

def dpchsp_one_point():
    ic = (c_int * 2)(0, 0); vc = (c_double * 2)(); x = (c_double * 1)(1.0)
    f = (c_double * 1)(1.0); d = (c_double * 1)(); wk = (c_double * 4)()
    lib.dpchsp(ic, vc, byref(c_int(1)), x, f, d, byref(c_int(1)), wk, byref(c_int(4)), byref(c_int(0)))

def xerr_print_and_stop():
    iv = (c_int * 2)(1, 2); rv = (c_double * 2)(0.5, 1.5); names = (c_int * 16)(*([32] * 16))
    lib.xerr(byref(c_int(-2)), b"stopped here", iv, byref(c_int(2)), rv, byref(c_int(2)), names,
             byref(c_int(8)), byref(c_int(2)), byref(c_int(0)), c_size_t(12))

def i1mach_out_of_range():
    lib.i1mach(byref(c_int(17)))
""" % LIB

DPCHSP_TEXT = """\
 ***MESSAGE FROM ROUTINE DPCHSP IN LIBRARY SLATEC.
 ***POTENTIALLY RECOVERABLE ERROR, PROG ABORTED, TRACEBACK REQUESTED
 *  NUMBER OF DATA POINTS LESS THAN TWO
 *  ERROR NUMBER = -1
 *   
 ***END OF MESSAGE
 
 ***JOB ABORT DUE TO UNRECOVERED ERROR.
0          ERROR MESSAGE SUMMARY
 LIBRARY    SUBROUTINE MESSAGE START             NERR     LEVEL     COUNT
 SLATEC     DPCHSP     NUMBER OF DATA POINT        -1         1         1
 
"""
TEXTS = {
    "dpchsp_one_point": DPCHSP_TEXT,
    "xerr_print_and_stop": " stopped here" + " " * 68 + "\n",
    "i1mach_out_of_range": " \nI1MACH - Fatal error!\n  The input argument I is out of bounds.\n"
                           "  Legal values satisfy 1 <= I <= 16.\n  I =           17\n",
}


def run(body):
    proc = subprocess.run([sys.executable, "-c", PRELUDE + textwrap.dedent(body)],
                          capture_output=True, env=dict(os.environ), timeout=120)
    return proc.returncode, proc.stdout.decode()


@pytest.mark.parametrize("where", ["main", "thread", "thread_without_interpreter_lock"])
@pytest.mark.parametrize("stop", sorted(TEXTS))
def test_stop_through_ctypes_ends_with_status_one(stop, where):
    # Python's own output is still in sys.stdout's buffer (a pipe) when the library stops.
    body = {
        "main": "%s()",
        "thread": "t = threading.Thread(target=%s); t.start(); t.join()",
        # The main thread waits in a ctypes call of its own (lock released) while another thread
        # stops the process.
        "thread_without_interpreter_lock":
            "import time\nt = threading.Thread(target=lambda: (time.sleep(0.2), %s()))\nt.start()\n"
            "ctypes.CDLL(None).sleep(30)",
    }[where] % stop
    status, out = run("import _tolvek\nprint('before')\n" + body + "\nprint('not reached')\n")
    assert (status, out) == (1, "before\n" + TEXTS[stop])


def test_stop_without_python_hooks():
    # The library loaded on its own (no extension module, so no host hooks): the same text and
    # status; Python's buffer is not the library's to flush.
    status, out = run("dpchsp_one_point()\nprint('not reached')\n")
    assert (status, out) == (1, DPCHSP_TEXT)
