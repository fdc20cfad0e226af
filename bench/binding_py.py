"""Per-call overhead of the binding engine (a scalar-only and a two-array probe routine, and small
`utility` and `stringhandling` routines), side by side with a module that numpy's f2py builds from
Fortran routines of the same call forms (built in a temporary folder with Debian's numpy and
gfortran, never kept).

    PYTHONPATH=build/python /usr/bin/python3 bench/binding_overhead_py.py

Each row times one call form both ways; the two are timed alternately, repeat by repeat, so that
load on the machine affects both alike, and the best repeat of each is printed (ns per call).
"""
import os
import subprocess
import sys
import tempfile
import timeit

FORTRAN = """
subroutine scal2(x, k, y)
  real(8), intent(in) :: x
  integer, intent(in) :: k
  real(8), intent(out) :: y
  y = x * k
end subroutine scal2

subroutine cross3(c, a, b)
  real(8), intent(in) :: a(3), b(3)
  real(8), intent(out) :: c(3)
  c(1) = a(2)*b(3) - a(3)*b(2)
  c(2) = a(3)*b(1) - a(1)*b(3)
  c(3) = a(1)*b(2) - a(2)*b(1)
end subroutine cross3

subroutine vcopy(a, b, n)
  integer, intent(in) :: n
  real(8), intent(in) :: a(n)
  real(8), intent(out) :: b(n)
  if (n >= 1) b(1:n) = a(1:n)
end subroutine vcopy

subroutine getpairs(ainb, a, b, n)
  integer, intent(in) :: n
  integer, intent(in) :: a(n), b(n)
  integer, intent(out) :: ainb(n)
  integer :: i, j
  do i = 1, n
    ainb(i) = -1
    do j = 1, n
      if (a(i) == b(j)) then
        ainb(i) = j
        exit
      end if
    end do
  end do
end subroutine getpairs

integer function findloc1(element, array, ndim, notfound)
  integer, intent(in) :: element, ndim, notfound
  integer, intent(in) :: array(ndim)
!f2py integer optional, intent(in) :: notfound = -1
  integer :: i
  findloc1 = notfound
  do i = 1, ndim
    if (array(i) == element) then
      findloc1 = i
      return
    end if
  end do
end function findloc1

logical function keymatch(a, b)
  character(len=*), intent(in) :: a, b
  keymatch = trim(a) == trim(b)
end function keymatch
"""


def build_probe(folder):
    src = os.path.join(folder, "overheadprobe.f90")
    with open(src, "w") as f:
        f.write(FORTRAN)
    subprocess.run([sys.executable, "-m", "numpy.f2py", "-c", "-m", "overheadprobe", src], cwd=folder,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    sys.path.insert(0, folder)
    import overheadprobe
    return overheadprobe


def best_of_alternating(stmts, env, number=100000, repeat=9):
    timers = [timeit.Timer(s, globals=env) for s in stmts]
    best = [float("inf")] * len(stmts)
    for _ in range(repeat):
        for k, t in enumerate(timers):
            best[k] = min(best[k], t.timeit(number) / number * 1e9)
    return best


def main():
    import numpy as np
    import _tolvek
    import _tvkprobe
    u, s = _tolvek.utility, _tolvek.stringhandling
    with tempfile.TemporaryDirectory() as tmp:
        probe = build_probe(tmp)
        env = {
            "a": np.array([1.0, 2.0, 3.0]),
            "b": np.array([4.0, 5.0, 6.0]),
            "scal": _tvkprobe.tmath.scal2, "fscal": probe.scal2,
            "cross": _tvkprobe.tmath.vcross, "fcross": probe.cross3,
            "ia": np.array([5, 6, 7], dtype=np.int32),
            "ib": np.array([7, 5, 9], dtype=np.int32),
            "copy": u.real_vectorcopy, "fcopy": probe.vcopy,
            "pairs": u.int_getpairs, "fpairs": probe.getpairs,
            "find": u.int_findlocation, "ffind": probe.findloc1,
            "match": s.match, "fmatch": probe.keymatch,
        }
        # Both sides must compute the same thing.
        assert (env["copy"](env["a"]) == env["fcopy"](env["a"])).all()
        assert (env["pairs"](env["ia"], env["ib"]) == env["fpairs"](env["ia"], env["ib"])).all()
        assert env["find"](7, env["ia"]) == env["ffind"](7, env["ia"]) == 3
        rows = [
            ("y = scal2(x,k)                  scalars only", "scal(1.5, 2)", "fscal(1.5, 2)"),
            ("c = vcross(a,b)          two 3-vectors in", "cross(a, b)", "fcross(a, b)"),
            ("b = real_vectorcopy(a)          3 doubles", "copy(a)", "fcopy(a)"),
            ("ainb = int_getpairs(a,b)  two 3-int arrays", "pairs(ia, ib)", "fpairs(ia, ib)"),
            ("int_findlocation(element,array)", "find(7, ia)", "ffind(7, ia)"),
            ("match(a,b)                      two texts", "match(b'ELASTIC', b'ELASTIC')",
             "fmatch(b'ELASTIC', b'ELASTIC')"),
        ]
        print(f"{'call form':44s} {'_tolvek ns':>11s} {'f2py ns':>9s}")
        for label, ours, theirs in rows:
            t_ours, t_f2py = best_of_alternating([ours, theirs], env)
            print(f"{label:44s} {t_ours:11.1f} {t_f2py:9.1f}")


if __name__ == "__main__":
    main()
