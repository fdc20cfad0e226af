"""Per-call cost of the binding engine, kind by kind, and of the two calls it is judged by.

    PYTHONPATH=build/python /usr/bin/python3 bench/binding_kinds_py.py

1. A scalar routine against a bare CPython builtin call (`abs()`): the probe routine `kinds_abs`
   (the same work as abs), beside the cheapest callable object that is not a builtin function
   (`_tvkprobe.bare_abs`, a vectorcall type doing only that work: the interpreter specialises
   calls of builtin functions and of nothing else), so that the engine's own share shows; and
   `_tolvek.math.cuberoot` against `math.cbrt`, the same work both ways (libm's cbrt is about
   half of either call); and the lookup of a routine in its namespace (`ns.cuberoot`) against
   that of a function in a Python module (`math.cbrt`).
2. The cost of one argument of each kind: probe routines of the engine's test module that take
   eight arguments of one kind (float, int, text of 8 characters, 1-D array of 6, 2-D Fortran
   array 3x3, and 2-D results created by the engine), less the routine without arguments,
   divided by eight.
3. `umat_lamina` (33 arguments) from Python, with the sum of its arguments' costs by kind from 2
   beside it.

Every row is timed alternately with its reference, repeat by repeat, so that load on the machine
affects both alike; the best repeat of each is printed (ns per call).
"""

import math

import numpy as np

import _tolvek
import _tvkprobe

import binding_py  # the same alternating timer


def best_of_alternating(stmts, env, number=200000, repeat=15):
    return binding_py.best_of_alternating(stmts, env, number, repeat)


def umat_args():
    nye = np.array([181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9])
    n = 6
    return [np.zeros(n), np.zeros(30), 0.0, 0.0, 0.0, 0.0, np.zeros(n), np.zeros(n), 0.0,
            np.full(n, 1e-4), np.full(n, 1e-5), np.zeros(2), 1.0, 0.0, 0.0, np.zeros(1), np.zeros(1), "PLY",
            3, 3, nye, np.zeros(3), np.asfortranarray(np.eye(3)), 1.0, 1.0, np.asfortranarray(np.eye(3)),
            np.asfortranarray(np.eye(3)), 1, 1, 1, 1, np.array([1, 1, 0, 0], dtype=np.int32), 1]


def main():
    m = _tvkprobe.tmath
    v = [np.arange(6.0) for _ in range(8)]
    a = [np.asfortranarray(np.eye(3)) for _ in range(8)]
    env = dict(cuberoot=_tolvek.math.cuberoot, cbrt=math.cbrt, ns=_tolvek.math, mathmod=math, abs=abs, bare=_tvkprobe.bare_abs,
               kabs=m.kinds_abs, m=m, v=v, a=a, umat=_tolvek.toplevel.umat_lamina, args=umat_args())
    t_kabs, t_bare, t_abs = best_of_alternating(["kabs(-2.0)", "bare(-2.0)", "abs(-2.0)"], env, number=500000)
    t_cbrt, t_mcbrt = best_of_alternating(["cuberoot(2.0)", "cbrt(2.0)"], env, number=500000)
    print(f"{'scalar routine':44s} {'ns':>8s} {'ratio':>8s}")
    print(f"{'abs(-2.0), a builtin':44s} {t_abs:8.1f} {1.0:8.2f}")
    print(f"{'bare_abs(-2.0), the cheapest other callable':44s} {t_bare:8.1f} {t_bare / t_abs:8.2f}")
    print(f"{'tmath.kinds_abs(-2.0), a scalar routine':44s} {t_kabs:8.1f} {t_kabs / t_abs:8.2f}")
    print(f"{'  its binding over the cheapest callable':44s} {t_kabs - t_bare:8.1f}")
    print(f"{'math.cbrt(2.0), a builtin':44s} {t_mcbrt:8.1f} {1.0:8.2f}")
    print(f"{'math.cuberoot(2.0), a scalar routine':44s} {t_cbrt:8.1f} {t_cbrt / t_mcbrt:8.2f}")
    t_look, t_mlook = best_of_alternating(["ns.cuberoot", "mathmod.cbrt"], env, number=500000)
    print(f"{'math.cbrt, a Python module attribute':44s} {t_mlook:8.1f} {1.0:8.2f}")
    print(f"{'ns.cuberoot, a routine of its namespace':44s} {t_look:8.1f} {t_look / t_mlook:8.2f}")

    kinds = [
        ("float", "m.kinds_f8(1.5, 1.5, 1.5, 1.5, 1.5, 1.5, 1.5, 1.5)"),
        ("int", "m.kinds_i4(3, 3, 3, 3, 3, 3, 3, 3)"),
        ("text (8 characters, str)", "m.kinds_s8('ELASTIC', 'ELASTIC', 'ELASTIC', 'ELASTIC', "
                                     "'ELASTIC', 'ELASTIC', 'ELASTIC', 'ELASTIC')"),
        ("text (8 characters, bytes)", "m.kinds_s8(b'ELASTIC', b'ELASTIC', b'ELASTIC', b'ELASTIC', "
                                       "b'ELASTIC', b'ELASTIC', b'ELASTIC', b'ELASTIC')"),
        ("1-D array (6 doubles)", "m.kinds_v6(*v)"),
        ("2-D Fortran array (3x3)", "m.kinds_m33(*a)"),
        ("2-D result array (3x3, in the tuple)", "m.kinds_out33()"),
    ]
    per = {}
    print()
    print(f"{'argument kind':44s} {'ns/arg':>8s} {'8 args':>8s} {'none':>8s}")
    for label, stmt in kinds:
        t8, t0 = best_of_alternating([stmt, "m.kinds_none()"], env)
        per[label] = (t8 - t0) / 8
        print(f"{label:44s} {per[label]:8.1f} {t8:8.1f} {t0:8.1f}")

    # An io+copy array (umat_lamina's stress and statev): the same routine with the array copied
    # and used in place.
    env.update(x6=np.arange(6.0), y6=np.ones(6))
    t_copy, t_inplace = best_of_alternating(["m.vsum(x6, y6)", "m.vsumio(x6, y6)"], env)
    per["copy"] = t_copy - t_inplace
    print(f"{'copy of an io+copy 1-D array (6 doubles)':44s} {per['copy']:8.1f} {t_copy:8.1f} {t_inplace:8.1f}")

    t_umat, t0 = best_of_alternating(["umat(*args)", "m.kinds_none()"], env, number=50000)
    # umat_lamina's visible arguments by kind: 11 floats, 8 ints, 1 text, 11 1-D arrays (jstep an
    # int array of 4 among them), 3 2-D arrays; 1 2-D result, 2 copied arrays and 4 floats in the
    # result tuple of 7 (the floats and the tuple, and the routine itself, are not in the sum).
    est = (11 * per["float"] + 8 * per["int"] + per["text (8 characters, str)"] + 11 * per["1-D array (6 doubles)"]
           + 3 * per["2-D Fortran array (3x3)"] + per["2-D result array (3x3, in the tuple)"] + 2 * per["copy"])
    print()
    print(f"{'umat_lamina (33 arguments)':44s} {t_umat:8.1f}")
    print(f"{'  routine without arguments':44s} {t0:8.1f}")
    print(f"{'  sum of the argument costs by kind':44s} {est:8.1f}")


if __name__ == "__main__":
    main()
