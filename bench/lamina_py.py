"""The ply chain "nine constants -> Nye stiffness -> stress from strain" through the Python
interface, side by side with the same computation written in numpy, in one run. Run with the
build's python folder on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/lamina_py.py
"""
import timeit

import numpy as np

import _tolvek

L = _tolvek.lamina


def per_call(stmt, env, number=20000, repeat=7):
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=repeat)) / number * 1e9


def numpy_chain(e, strain0, dstrain):
    """The same chain in numpy: reorder the constants, invert the orthotropic compliance, and
    multiply by the total strain."""
    if e[6] <= 1 and e[7] <= 1 and e[8] <= 1:
        e = e[[0, 1, 2, 6, 7, 8, 3, 4, 5]]
    e1, e2, e3, nu12, nu13, nu23, g12, g13, g23 = e
    s = np.zeros((6, 6))
    s[0, 0], s[1, 1], s[2, 2] = 1 / e1, 1 / e2, 1 / e3
    s[0, 1] = s[1, 0] = -nu12 / e1
    s[0, 2] = s[2, 0] = -nu13 / e1
    s[1, 2] = s[2, 1] = -nu23 / e2
    s[3, 3], s[4, 4], s[5, 5] = 1 / g12, 1 / g13, 1 / g23
    return np.linalg.inv(s) @ (strain0 + dstrain)


def main():
    e = np.array([181e9, 10.3e9, 10.3e9, 7.17e9, 7.17e9, 3.68e9, 0.28, 0.28, 0.4])
    strain0 = np.array([1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4])
    dstrain = np.array([1e-5, 2e-5, -1e-5, 0.0, 3e-5, -2e-5])
    stress = np.zeros(6)

    def tolvek_chain():
        p = L.getnyeproperties(e)
        c = L.getnyestiffnessmatrix(p, 6)
        L.getstressvector(stress, c, strain0, dstrain, 3, 1, 0)
        return stress

    assert np.allclose(tolvek_chain(), numpy_chain(e, strain0, dstrain), rtol=1e-12)
    env = dict(tolvek_chain=tolvek_chain, numpy_chain=numpy_chain, e=e, strain0=strain0, dstrain=dstrain)
    t1 = per_call("tolvek_chain()", env)
    t2 = per_call("numpy_chain(e, strain0, dstrain)", env)
    print(f"{'chain':34s} {'_tolvek ns':>11s} {'numpy ns':>10s} {'speed-up':>9s}")
    print(f"{'constants -> stiffness -> stress':34s} {t1:11.0f} {t2:10.0f} {t2 / t1:9.1f}")


if __name__ == "__main__":
    main()
