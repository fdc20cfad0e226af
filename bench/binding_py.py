"""Per-call overhead of the binding engine, side by side with a module that numpy's f2py builds
from equivalent Fortran routines (compiled in a temporary folder with Debian's numpy and
gfortran, never kept). Run with the build's python folder on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/binding_py.py
"""
import os
import subprocess
import sys
import tempfile
import timeit

FORTRAN = """
subroutine cross3(c, a, b)
  real(8), intent(in) :: a(3), b(3)
  real(8), intent(out) :: c(3)
  c(1) = a(2)*b(3) - a(3)*b(2)
  c(2) = a(3)*b(1) - a(1)*b(3)
  c(3) = a(1)*b(2) - a(2)*b(1)
end subroutine cross3
subroutine scal2(x, k, y)
  real(8), intent(in) :: x
  integer, intent(in) :: k
  real(8), intent(out) :: y
  y = x * k
end subroutine scal2
subroutine vcopy(a, b, n)
  integer, intent(in) :: n
  real(8), intent(in) :: a(n)
  real(8), intent(out) :: b(n)
  b = a
end subroutine vcopy
"""


def build_f2py(folder):
    src = os.path.join(folder, "probe.f90")
    with open(src, "w") as f:
        f.write(FORTRAN)
    subprocess.run([sys.executable, "-m", "numpy.f2py", "-c", "-m", "f2pyprobe", src], cwd=folder,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    sys.path.insert(0, folder)
    import f2pyprobe
    return f2pyprobe


def per_call(stmt, env, number=200000, repeat=7):
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=repeat)) / number * 1e9


def main():
    import numpy as np
    import _tvkprobe
    import _tolvek
    with tempfile.TemporaryDirectory() as tmp:
        try:
            f2 = build_f2py(tmp)
        except (subprocess.CalledProcessError, ImportError) as e:
            print(f"f2py probe could not be built ({e}); engine figures only")
            f2 = None
        a, b = np.array([1.0, 2.0, 3.0]), np.array([4.0, 5.0, 6.0])
        env = {"np": np, "a": a, "b": b, "scal": _tvkprobe.tmath.scal2, "cross": _tvkprobe.tmath.vcross,
               "vcopy": getattr(_tolvek.utility, "real_vectorcopy", None)}
        if f2:
            env.update({"fscal": f2.scal2, "fcross": f2.cross3, "fcopy": f2.vcopy})
        rows = [("scalar-only  y = f(1.5, 2)", "scal(1.5, 2)", "fscal(1.5, 2)"),
                ("two 3-vectors in, one out", "cross(a, b)", "fcross(a, b)")]
        if env["vcopy"] is not None:
            rows.append(("utility.real_vectorcopy(a)", "vcopy(a)", "fcopy(a)"))
        print(f"{'call':34s} {'engine ns':>10s} {'f2py ns':>10s}")
        for label, ours, theirs in rows:
            t1 = per_call(ours, env)
            t2 = per_call(theirs, env) if f2 else float("nan")
            print(f"{label:34s} {t1:10.1f} {t2:10.1f}")


if __name__ == "__main__":
    main()
