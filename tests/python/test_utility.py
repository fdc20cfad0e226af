"""The `utility` namespace through the binding: array helpers, searches and sets, the arrival
register."""
import numpy as np
import pytest

import _tolvek

u = _tolvek.utility
HUGE = np.finfo(np.float64).max


class TestConstruction:
    def test_eye_and_linspace(self):
        a = u.geteyematrix(3, -1)
        assert a.flags.f_contiguous
        np.testing.assert_array_equal(a, np.eye(3, k=-1))
        np.testing.assert_array_equal(u.geteyematrix(3, k=3), np.zeros((3, 3)))
        np.testing.assert_array_equal(u.geteyematrix(2), np.eye(2))
        np.testing.assert_array_equal(u.linspace(0, 1, 5), [0, 0.25, 0.5, 0.75, 1])
        np.testing.assert_allclose(u.linspace(0, 1, 5, endpoint=0), [0, 0.2, 0.4, 0.6, 0.8])
        assert u.linspace(2, 3, 1)[0] == 2.0

    def test_split_window_and_packing(self):
        b = u.vectorsplit(np.arange(1.0, 7.0), 3)
        np.testing.assert_array_equal(b, [[1, 3, 5], [2, 4, 6]])
        np.testing.assert_array_equal(u.vectorsplit(np.arange(1.0, 8.0), 3), -np.ones((2, 3)))
        assert u.vectorsplit(np.arange(1.0, 7.0), 0).size == 0  # no division by zero
        sub, sl = u.getsubarray([1.0, 2, 3, 4], 2)
        np.testing.assert_array_equal(sub, [3, 4])
        np.testing.assert_array_equal(sl, [3, 4])
        sub, sl = u.getsubarray([1.0, 2, 3, 4], 2, tail=0)
        np.testing.assert_array_equal(sub, [1, 2])
        np.testing.assert_array_equal(sl, [1, 2])
        sub, sl = u.getsubarray([1.0, 2, 3, 4], 5)
        np.testing.assert_array_equal(sub, np.ones(5))
        np.testing.assert_array_equal(sl, [-1, -1])
        lst = [3.0, 1, 4, 1, 5]
        np.testing.assert_array_equal(u.getpackedlist(lst, 2, -1, 5, 4), [3, 4, 5, -1])
        np.testing.assert_array_equal(u.getpackedlist(lst, 2, -1, 5, 2), [-1, -1])
        np.testing.assert_array_equal(u.getpackedlist(lst, 2, -1, 0, 4), -np.ones(4))

    def test_triangles(self):
        lu = u.getunpackedtriangle([1.0, 2, 3], 2, "F", upper=1)
        np.testing.assert_array_equal(lu, [[1, 2], [0, 3]])
        np.testing.assert_array_equal(u.getunpackedtriangle([1.0, 2, 3], 2, "F"), [[1, 0], [2, 3]])
        with pytest.raises(_tolvek.error):  # a packed list shorter than one triangle
            u.getunpackedtriangle([1.0, 2], 2, "F")
        a = u.fillmatrixoffdiagonals(np.zeros((3, 3)), [1.0, 2, 3])
        np.testing.assert_array_equal(a, [[0, 0, 0], [1, 0, 0], [2, 3, 0]])
        a = u.fillmatrixoffdiagonals(np.zeros((3, 3)), np.arange(1.0, 7.0))
        np.testing.assert_array_equal(a, [[0, 4, 5], [1, 0, 6], [2, 3, 0]])
        np.testing.assert_array_equal(u.symmetrize([[1.0, 0], [2, 3]]), [[1, 2], [2, 3]])

    def test_concatenation_shapes(self):
        a, b = np.ones((2, 2)), 2 * np.ones((1, 2))
        ab = u.matrixconcatenation(a, b, 1)
        np.testing.assert_array_equal(ab, [[1, 1], [1, 1], [2, 2]])
        assert u.matrixconcatenation(a, b, 2).shape == (4, 0)
        np.testing.assert_array_equal(u.matrixconcatenation(a, b.T, 0), [[1, 1, 2], [1, 1, 2]])


class TestFills:
    def test_copy_by_default_in_place_with_overwrite(self):
        a = np.zeros(4)
        r = u.real_fillvectorwithscalar(a, 2.0)
        np.testing.assert_array_equal(r, 2 * np.ones(4))
        np.testing.assert_array_equal(a, np.zeros(4))
        r = u.real_fillvectorwithscalar(a, 3.0, overwrite_a=1)
        assert r is a
        np.testing.assert_array_equal(a, 3 * np.ones(4))

    @pytest.mark.parametrize("rank", range(1, 8))
    def test_every_rank_keeps_shape(self, rank):
        shape = tuple(2 + (d % 2) for d in range(rank))
        real = getattr(u, "real_fill%swithscalar" % {1: "vector", 2: "matrix"}.get(rank, "%ddarray" % rank))
        integer = getattr(u, "int_fill%swithscalar" % {1: "vector", 2: "matrix"}.get(rank, "%ddarray" % rank))
        r = real(np.zeros(shape), -1.5)
        assert r.shape == shape and np.all(r == -1.5)
        i = integer(np.zeros(shape, dtype=np.int32), 7)
        assert i.dtype == np.int32 and np.all(i == 7)

    def test_strided_view_with_overwrite_fills_a_copy(self):
        base = np.zeros((4, 6))
        view = base[::2, ::3]
        r = u.real_fillmatrixwithscalar(view, 1.0, overwrite_a=1)
        assert r.shape == (2, 2) and np.all(r == 1.0)
        assert base.sum() == 0.0  # a non-contiguous input is converted, never written through


class TestSearchAndSets:
    def test_find(self):
        assert u.int_findlocation(5, [3, 5, 5]) == 2
        assert u.int_findlocation(7, [3, 5, 5]) == -1
        assert u.int_findlocation(7, [3, 5, 5], notfound=0) == 0
        assert u.real_findlocation(np.nan, [np.nan]) == -1
        assert u.cmplx_findlocation(1 + 3j, [1 + 2j, 1 + 3j]) == 2
        assert u.real_findsubarray([2.0, 3], [1.0, 2, 3, 2, 3]) == 2
        assert u.int_exlist(4, np.zeros(0, dtype=np.int32), 0) == 1
        assert u.int_inlist(4, np.zeros(0, dtype=np.int32), 0) == 0
        assert u.int_inlist(4, [1, 4], 2) == 1

    def test_merge_order_and_exclusion(self):
        np.testing.assert_array_equal(u.int_getmerged([1, 2, 3], [3, 4]), [1, 2, 4, 3, 2147483647])
        np.testing.assert_array_equal(u.int_getmerged([0, 1], [1, 2]), [1, 2, 0, 2147483647])
        np.testing.assert_array_equal(u.real_getmerged([1.0], [2.0]), [1, 2])
        assert u.real_getmerged([1.0, 1.0], [1.0])[-1] == HUGE
        np.testing.assert_array_equal(u.real_getcontinuous([3.0, 1, 2, 1], 1), [2, 4, 3, 1])
        np.testing.assert_array_equal(u.real_getcontinuous([3.0, 1, 2, 1], -1), [1, 3, 2, 4])
        np.testing.assert_array_equal(u.getindicesexcludingsubarray([5, 6, 7, 6], [6]), [1, 3, -1, -1])

    def test_scatter_skips_positions_outside(self):
        a = u.vectorsort(np.zeros(5), [10.0, 20, 30], [4, 1, 99])
        np.testing.assert_array_equal(a, [20, 0, 0, 10, 0])
        m = u.matrixsort(np.zeros((2, 3)), [[1.0], [2.0]], [2])
        np.testing.assert_array_equal(m, [[0, 1, 0], [0, 2, 0]])

    def test_scalars(self):
        assert u.int_swap(1, 2) == (2, 1)
        assert u.cmplx_swap(1j, 2) == (2, 1j)
        assert u.int_inc(5) == 6 and u.real_inc(1.5, 2) == 3.5
        assert u.real_bounded(np.nan, 0, 1) == 0
        assert [u.logical_nand(a, b) for a in (0, 1) for b in (0, 1)] == [1, 1, 1, 0]
        assert [u.logical_xor(a, b) for a in (0, 1) for b in (0, 1)] == [0, 1, 1, 0]


def test_arrival_register():
    jd = _tolvek.jobdata
    jd.processid = None
    assert u.processlock(2, 3) == 0
    np.testing.assert_array_equal(jd.processid, [1, -1, 3])
    view = jd.processid
    assert u.processlock(1, 3) == 0
    assert u.processlock(3, 3) == 1
    assert u.processlock(3, 3) == 0
    assert u.processlock(1, 4) == 0
    np.testing.assert_array_equal(jd.processid, [-1, 2, 3, 4])
    np.testing.assert_array_equal(view, [-1, -1, -1])  # the old register stays readable
    assert u.processunlock() == 0
    np.testing.assert_array_equal(jd.processid, [1, 2, 3, 4])
    jd.processid = None
