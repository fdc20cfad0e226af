"""The `utility` namespace through the binding: result shapes and defaults, copy and in-place
rules of the fills, sizes derived from the arrays, the arrival register."""
import numpy as np
import pytest

import _tolvek
from seeding import rng_seed

u = _tolvek.utility
eh = _tolvek.errorhandling


def level(call, *args):
    """The result of a call and the level it leaves in a cleared error record."""
    eh.rsxerr(1)
    result = call(*args)
    lvl = int(eh.errstat)
    eh.rsxerr(1)
    return result, lvl


def test_results_and_defaults():
    np.testing.assert_array_equal(u.geteyematrix(3, -1), np.eye(3, k=-1))
    np.testing.assert_array_equal(u.geteyematrix(2), np.eye(2))
    np.testing.assert_array_equal(u.linspace(0, 1, 5), [0, 0.25, 0.5, 0.75, 1])
    np.testing.assert_allclose(u.linspace(0, 1, 5, endpoint=0), [0, 0.2, 0.4, 0.6, 0.8])
    np.testing.assert_array_equal(u.vectorsplit(np.arange(1.0, 7.0), 3), [[1, 3, 5], [2, 4, 6]])
    assert u.vectorsplit(np.arange(1.0, 7.0), 0).size == 0  # no division by zero
    sub, sl = u.getsubarray([1.0, 2, 3, 4], 2)
    assert sub.tolist() == [3, 4] and sl.tolist() == [3, 4]
    sub, sl = u.getsubarray([1.0, 2, 3, 4], 2, tail=0)
    assert sub.tolist() == [1, 2] and sl.tolist() == [1, 2]
    np.testing.assert_array_equal(u.getpackedlist([3.0, 1, 4, 1, 5], 2, -1, 5, 4), [3, 4, 5, -1])
    np.testing.assert_array_equal(u.getunpackedtriangle([1.0, 2, 3], 2, "F", upper=1), [[1, 2], [0, 3]])
    with pytest.raises(_tolvek.error):  # a packed list shorter than one triangle
        u.getunpackedtriangle([1.0, 2], 2, "F")
    np.testing.assert_array_equal(u.fillmatrixoffdiagonals(np.zeros((3, 3)), [1.0, 2, 3]),
                                  [[0, 0, 0], [1, 0, 0], [2, 3, 0]])
    assert u.matrixconcatenation(np.ones((2, 2)), np.ones((1, 2)), 1).shape == (3, 2)
    assert u.matrixconcatenation(np.ones((2, 2)), np.ones((1, 2)), 2).shape == (4, 0)


class TestFills:
    def test_copy_by_default_in_place_with_overwrite(self):
        a = np.zeros(4)
        np.testing.assert_array_equal(u.real_fillvectorwithscalar(a, 2.0), 2 * np.ones(4))
        np.testing.assert_array_equal(a, np.zeros(4))
        assert u.real_fillvectorwithscalar(a, 3.0, overwrite_a=1) is a
        np.testing.assert_array_equal(a, 3 * np.ones(4))

    @pytest.mark.parametrize("rank", range(1, 8))
    def test_every_rank_keeps_shape(self, rank):
        shape = tuple(2 + (d % 2) for d in range(rank))
        kind = {1: "vector", 2: "matrix"}.get(rank, "%ddarray" % rank)
        r = getattr(u, "real_fill%swithscalar" % kind)(np.zeros(shape), -1.5)
        assert r.shape == shape and np.all(r == -1.5)
        i = getattr(u, "int_fill%swithscalar" % kind)(np.zeros(shape, dtype=np.int32), 7)
        assert i.dtype == np.int32 and np.all(i == 7)

    def test_strided_view_is_filled_in_a_copy(self):
        base = np.zeros((4, 6))
        r = u.real_fillmatrixwithscalar(base[::2, ::3], 1.0, overwrite_a=1)
        assert r.shape == (2, 2) and np.all(r == 1.0)
        assert base.sum() == 0.0


def test_searches_sets_and_scalars():
    assert u.int_findlocation(7, [3, 5, 5], notfound=0) == 0
    assert u.cmplx_findlocation(1 + 3j, [1 + 2j, 1 + 3j]) == 2
    assert u.real_findsubarray([2.0, 3], [1.0, 2, 3, 2, 3]) == 2
    empty = np.zeros(0, dtype=np.int32)
    assert (u.int_exlist(4, empty, 0), u.int_inlist(4, empty, 0)) == (1, 0)
    np.testing.assert_array_equal(u.int_getmerged([1, 2, 3], [3, 4]), [1, 2, 4, 3, 2147483647])
    assert u.real_getmerged([1.0, 1.0], [1.0])[-1] == np.finfo(np.float64).max
    np.testing.assert_array_equal(u.real_getcontinuous([3.0, 1, 2, 1], -1), [1, 3, 2, 4])
    a, lvl = level(u.vectorsort, np.zeros(5), [10.0, 20, 30], [4, 1, 99])
    np.testing.assert_array_equal(a, [20, 0, 0, 10, 0])
    assert lvl == -2  # the entry 99 is skipped, not silently
    a, lvl = level(u.matrixsort, np.zeros((2, 3)), [[1.0, 3], [2, 4]], [2, 9])
    np.testing.assert_array_equal(a, [[0, 1, 0], [0, 2, 0]])
    assert lvl == -2
    assert u.int_swap(1, 2) == (2, 1) and u.cmplx_swap(1j, 2) == (2, 1j)
    assert u.int_inc(5) == 6 and u.real_inc(1.5, 2) == 3.5
    assert [u.logical_nand(a, b) for a in (0, 1) for b in (0, 1)] == [1, 1, 1, 0]


def test_triangles_against_numpy():
    a = np.random.default_rng(rng_seed(3)).uniform(1.0, 2.0, (5, 5))  # no zero entry: a lost one shows
    np.testing.assert_array_equal(u.gettriangularmatrix(a), np.tril(a))
    np.testing.assert_array_equal(u.gettriangularmatrix(a, luflag=0), np.tril(a))
    np.testing.assert_array_equal(u.gettriangularmatrix(a, luflag=1), np.triu(a))
    np.testing.assert_array_equal(u.gettriangularmatrix(a[:1, :1], luflag=1), a[:1, :1])


def test_vectorsort_boundaries():
    def scatter(a, b, mask):
        return u.vectorsort(np.array(a, dtype=float), np.array(b, dtype=float), np.array(mask, dtype=np.int32))
    np.testing.assert_array_equal(scatter([0, 0, 0, 0], [1, 2], [1, 4]), [1, 0, 0, 2])  # first and last slot
    np.testing.assert_array_equal(scatter([0, 0], [3, 4], [2, 1]), [4, 3])
    np.testing.assert_array_equal(scatter([0, 0, 0], [1, 2, 3], [2, 2, 0]), [0, 2, 0])  # repeated target: last wins
    np.testing.assert_array_equal(scatter([7, 7], [5, 6], [-1, 3]), [7, 7])  # outside 1..na: skipped
    assert level(scatter, [7, 7], [5, 6], [-1, 3])[1] == -2  # and reported
    np.testing.assert_array_equal(scatter([7, 7], [], []), [7, 7])
    np.testing.assert_array_equal(scatter([0], [9], [1]), [9])
    # A permutation mask: a(mask(i)) = b(i) is the inverse permutation of b.
    g = np.random.default_rng(rng_seed(5))
    perm = g.permutation(9)
    b = g.normal(size=9)
    np.testing.assert_array_equal(scatter(np.zeros(9), b, perm + 1), b[np.argsort(perm)])


def test_arrival_register():
    jd = _tolvek.jobdata
    jd.processid = None
    assert u.processlock(2, 3) == 0
    np.testing.assert_array_equal(jd.processid, [1, -1, 3])
    view = jd.processid
    assert u.processlock(-1, 3) == 0  # the arrival marker is not an id
    assert (u.processlock(1, 3), u.processlock(3, 3), u.processlock(3, 3)) == (0, 1, 0)
    assert u.processlock(1, 4) == 0
    np.testing.assert_array_equal(jd.processid, [-1, 2, 3, 4])
    np.testing.assert_array_equal(view, [-1, -1, -1])  # the old register stays readable
    assert u.processunlock() == 0
    np.testing.assert_array_equal(jd.processid, [1, 2, 3, 4])
    jd.processid = None
    assert u.processunlock() == 0 and jd.processid is None  # no register: nothing to do


def test_negative_counts_size_the_results_as_the_routines_clamp_them():
    """Regression: getmerged sized its result nx + ny from the raw counts while the routine
    treats a negative count as an empty list, so the other list was written past the end; the
    unpacked list multiplied two negative counts into a positive extent. Each negative count
    now counts as 0 in the extent as well."""
    big = 2147483647
    for nx, ny in ((-1, 3), (-(2**31), 3), (-7, 1)):
        merged = u.int_getmerged([1, 2], [3, 4, 5], nx, ny)
        np.testing.assert_array_equal(merged, [3, 4, 5][:max(ny, 0)])
        np.testing.assert_array_equal(u.real_getmerged([1.0, 2.0], [3.0, 4.0, 5.0], nx, ny),
                                      [3.0, 4.0, 5.0][:max(ny, 0)])
    np.testing.assert_array_equal(u.int_getmerged([1, 2], [3, 4, 5], 2, -1), [1, 2])
    np.testing.assert_array_equal(u.int_getmerged([1, 2], [3], -2, -3), np.zeros(0))
    # A merge of two lists with one common value: the union with the spare slot at the marker.
    np.testing.assert_array_equal(u.int_getmerged([1, 2], [2, 3]), [1, 3, 2, big])
    assert u.getunpackedmatrixfromlist([], -2, -3).shape == (0, 0)


def test_scatter_masks_outside_the_target_are_reported_values_as_before():
    """Regression: a mask entry outside 1..na was skipped at level 0. Against a plain scatter of
    the entries in range: the values as before, level -2 exactly where an entry lies outside."""
    g = np.random.default_rng(rng_seed(11))
    for _ in range(200):
        na, n = int(g.integers(1, 6)), int(g.integers(0, 6))
        mask = g.integers(-2, na + 3, n).astype(np.int32)
        b = g.normal(size=(2, n))
        expect_v, expect_m = np.arange(na, dtype=float), g.normal(size=(2, na))
        a_v, a_m = expect_v.copy(), expect_m.copy()
        for i, k in enumerate(mask):
            if 1 <= k <= na:
                expect_v[k - 1], expect_m[:, k - 1] = b[0, i], b[:, i]
        want = -2 if any(k < 1 or k > na for k in mask) else 0
        v, lv = level(u.vectorsort, a_v, b[0].copy(), mask)
        m, lm = level(u.matrixsort, np.asfortranarray(a_m), np.asfortranarray(b), mask)
        np.testing.assert_array_equal(v, expect_v)
        np.testing.assert_array_equal(m, expect_m)
        assert (lv, lm) == (want, want), (na, mask)


def test_increment_that_leaves_the_int_range_keeps_the_value_and_reports():
    """Regression: int_inc(2147483647) gave -2147483648 at level 0. Against Python's unbounded
    sum: within [-2^31, 2^31) it is the sum at level 0, beyond it the value stays at level -2."""
    lo, hi = -(2**31), 2**31 - 1
    cases = [(hi, 1), (hi - 1, 1), (lo, -1), (lo + 1, -1), (hi, lo), (lo, hi), (-5, lo), (5, hi), (0, lo)]
    for i, step in cases:
        got, lvl = level(u.int_inc, i, step)
        if lo <= i + step <= hi:
            assert (got, lvl) == (i + step, 0)
        else:
            assert (got, lvl) == (i, -2)
    assert level(u.int_inc, hi)[0] == hi and level(u.int_inc, hi - 1) == (hi, 0)


def test_concatenation_of_blocks_that_do_not_fit_is_refused():
    """Regression: (ones(2, 2), 2 ones(3, 3), 0) gave 2 x 5 zeros at level 0. Blocks that fit
    are placed as numpy places them (b shorter than a padded with zeros), at level 0; b taller
    than a side by side, or wider than a stacked, is refused at -3 with ab all zero."""
    a, b = np.arange(1.0, 5).reshape(2, 2), 2 * np.ones((3, 3))
    ab, lvl = level(u.matrixconcatenation, a, b, 0)
    assert ab.shape == (2, 5) and not ab.any() and lvl == -3
    ab, lvl = level(u.matrixconcatenation, a, b, 1)
    assert ab.shape == (5, 2) and not ab.any() and lvl == -3
    g = np.random.default_rng(rng_seed(4))
    for _ in range(50):
        k, l, m, n = (int(v) for v in g.integers(1, 4, 4))
        a, b = g.normal(size=(k, l)), g.normal(size=(m, n))
        for ct, fits in ((0, m <= k), (1, n <= l)):
            ab, lvl = level(u.matrixconcatenation, a, b, ct)
            expect = np.zeros(ab.shape)
            if fits:
                expect[:k, :l] = a
                expect[k * ct:k * ct + m, l * (1 - ct):l * (1 - ct) + n] = b
            assert lvl == (0 if fits else -3)
            np.testing.assert_array_equal(ab, expect)

