"""The ABD matrix of a laminate through the Python interface (getamatrix, getbmatrix,
getdmatrix, getabdmatrix), side by side with the same lamination-theory sums written as a plain
numpy loop over the plies, for an 8-ply and a 64-ply laminate, in one run. The `_tolvek` column
alternates two stacks (the second with its angles turned by 5 degrees), so that the first of the
three routines never finds its stack's result kept from the call before; `same stack` repeats
one stack. Run with the build's python folder on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/laminate_py.py
"""
import timeit

import numpy as np

import _tolvek

L = _tolvek.laminate


def per_call(stmt, env, number, repeat=7):
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=repeat)) / number * 1e9


def numpy_abd(props, angles, thick):
    """Plane-stress stiffness of each ply, rotated by T^T Q T, summed into A, B and D."""
    z = np.concatenate([[0.0], np.cumsum(thick)]) - thick.sum() / 2
    a, b, d = np.zeros((3, 3)), np.zeros((3, 3)), np.zeros((3, 3))
    for k in range(len(thick)):
        e1, e2, nu12, g12 = props[0, k], props[1, k], props[3, k], props[6, k]
        den = 1 - nu12 * nu12 * e2 / e1
        q = np.array([[e1 / den, nu12 * e2 / den, 0], [nu12 * e2 / den, e2 / den, 0], [0, 0, g12]])
        c, s = np.cos(np.radians(angles[k])), np.sin(np.radians(angles[k]))
        t = np.array([[c * c, s * s, c * s], [s * s, c * c, -c * s], [-2 * c * s, 2 * c * s, c * c - s * s]])
        qb = t.T @ q @ t
        a += qb * (z[k + 1] - z[k])
        b += qb * (z[k + 1] ** 2 - z[k] ** 2) / 2
        d += qb * (z[k + 1] ** 3 - z[k] ** 3) / 3
    return np.block([[a, b], [b, d]])


def tolvek_abd(props, angles, thick):
    return L.getabdmatrix(L.getamatrix(props, angles, thick), L.getbmatrix(props, angles, thick),
                          L.getdmatrix(props, angles, thick))


def main():
    ply = np.array([181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9])
    print(f"{'laminate':10s} {'_tolvek ns':>11s} {'same stack':>11s} {'numpy ns':>10s} {'speed-up':>9s}")
    for n in (8, 64):
        angles = np.resize(np.array([0.0, 45.0, -45.0, 90.0, 30.0, -60.0, 15.0, 75.0]), n)
        props = np.asfortranarray(np.tile(ply[:, None], (1, n)))
        thick = np.full(n, 0.125e-3)
        ref = numpy_abd(props, angles, thick)
        assert np.allclose(tolvek_abd(props, angles, thick), ref, rtol=1e-12, atol=1e-12 * np.abs(ref).max())
        env = dict(tolvek_abd=tolvek_abd, numpy_abd=numpy_abd, p=props, a=angles, a2=angles + 5.0, t=thick)
        number = 20000 if n == 8 else 5000
        t1 = per_call("tolvek_abd(p, a, t); tolvek_abd(p, a2, t)", env, number // 2) / 2
        t1s = per_call("tolvek_abd(p, a, t)", env, number)
        t2 = per_call("numpy_abd(p, a, t)", env, max(number // 20, 50))
        print(f"{n:3d} plies  {t1:11.0f} {t1s:11.0f} {t2:10.0f} {t2 / t1:9.1f}")


if __name__ == "__main__":
    main()
