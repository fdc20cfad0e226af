"""ctypes access to the library routines that have no Python call form (the cubic Hermite
package and the interpolation extras), on the shared library that _tolvek loaded, so that both
share the process-wide state (error-handler settings, random generator)."""
import contextlib
import ctypes
import os
from ctypes import byref, c_double, c_float, c_int

import numpy as np

import _tolvek  # noqa: F401  (loads the shared library)


def _library_path():
    with open("/proc/self/maps") as maps:
        for line in maps:
            path = line.split()[-1]
            if os.path.basename(path).startswith("libtolvek.so"):
                return path
    raise AssertionError("libtolvek.so is not loaded")


LIBRARY_PATH = _library_path()
LIB = ctypes.CDLL(LIBRARY_PATH)
for _name in ("dpchdf", "dbvalu", "dpchia", "d1mach", "dchfie"):
    getattr(LIB, _name).restype = c_double
for _name in ("pchdf", "bvalu", "pchia", "r1mach", "pchip_rand"):
    getattr(LIB, _name).restype = c_float


def real(single):
    return c_float if single else c_double


def arr(values, single=False):
    values = np.asarray(values, dtype=float).ravel(order="F")
    return (real(single) * max(len(values), 1))(*values)


def out(n, single=False):
    return (real(single) * max(n, 1))()


def ints(values):
    values = list(values)
    return (c_int * max(len(values), 1))(*values)


def vec(carray, n=None):
    return np.array(carray[: (len(carray) if n is None else n)], dtype=float)


def i(v):
    return byref(c_int(v))


def r(v, single=False):
    return byref(real(single)(v))


@contextlib.contextmanager
def recoverable():
    """Error reports return with their code instead of ending the process (control flag 0)."""
    saved = c_int()
    LIB.xgetf(byref(saved))
    LIB.xsetf(i(0))
    try:
        yield
    finally:
        LIB.xsetf(byref(saved))


def spline(x, f, ic=(0, 0), vc=(0.0, 0.0), single=False, nwk=None):
    """Spline derivatives (dpchsp / pchsp): (d, ierr)."""
    n = len(x)
    d, wk, ierr = out(n, single), out(2 * n, single), c_int(99)
    fn = LIB.pchsp if single else LIB.dpchsp
    fn(ints(ic), arr(vc, single), i(n), arr(x, single), arr(f, single), d, i(1), wk,
       i(2 * n if nwk is None else nwk), byref(ierr))
    return vec(d), ierr.value


def hermite_fd(x, f, d, xe, single=False):
    """Values, derivatives and code of dpchfd / pchfd."""
    n, ne = len(x), len(xe)
    fe, de, ierr, skip = out(ne, single), out(ne, single), c_int(99), c_int(0)
    fn = LIB.pchfd if single else LIB.dpchfd
    fn(i(n), arr(x, single), arr(f, single), arr(d, single), i(1), byref(skip), i(ne),
       arr(xe, single), fe, de, byref(ierr))
    return vec(fe), vec(de), ierr.value
