"""MatrixInverse, MatrixProduct and MatrixVectorProduct through the Python interface, side by
side with numpy (numpy.linalg.inv, @) in one run, for 3x3 and 6x6 matrices. Run with the build's
python folder on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/linalg_py.py
"""
import timeit

import numpy as np

import _tolvek


def per_call(stmt, env, number=100000, repeat=7):
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=repeat)) / number * 1e9


def main():
    m = _tolvek.math
    rng = np.random.default_rng(1)
    print(f"{'operation':28s} {'n':>3s} {'_tolvek ns':>11s} {'numpy ns':>10s} {'ratio':>6s}")
    for n in (3, 6):
        # Fortran-ordered float64 arrays are used in place by the binding; numpy gets the same.
        a = np.asfortranarray(rng.uniform(-1, 1, (n, n)) + n * np.eye(n))
        b = np.asfortranarray(rng.uniform(-1, 1, (n, n)))
        v = rng.uniform(-1, 1, n)
        env = dict(m=m, np=np, a=a, b=b, v=v, inv=np.linalg.inv)
        rows = [
            ("inverse", "m.matrixinverse(a)", "inv(a)"),
            ("matrix product", "m.matrixproduct(a, b)", "a @ b"),
            ("matrix-vector product", "m.matrixvectorproduct(a, v)", "a @ v"),
        ]
        for label, ours, theirs in rows:
            t1 = per_call(ours, env)
            t2 = per_call(theirs, env)
            print(f"{label:28s} {n:3d} {t1:11.0f} {t2:10.0f} {t1 / t2:6.2f}")


if __name__ == "__main__":
    main()
