"""The `listhandling` namespace through the binding: growable lists and their views."""
import numpy as np
import pytest

import _tolvek

lh = _tolvek.listhandling
HUGE = np.finfo(np.float64).max
NAMES = ["dyn%slist%d" % (t, k) for t in ("int", "real", "cmplx") for k in (1, 2, 3)]


@pytest.fixture(autouse=True)
def empty_lists():
    for name in NAMES:
        setattr(lh, name, None)
    yield
    for name in NAMES:
        setattr(lh, name, None)


def test_append_grow_and_unique():
    assert lh.real_appendscalar2list(1, 1.5, 0) == 1
    assert lh.real_appendscalar2list(1, 2.5, 0) == 1
    assert lh.getsizeoflist(1, 1) == 2
    assert lh.dynreallist1.shape == (500,)
    assert lh.real_appendscalar2list(1, 1.5, 1) == 0
    assert lh.getsizeoflist(1, 1) == 2
    before = lh.dynreallist1
    for k in range(3, 502):
        assert lh.real_appendscalar2list(1, float(k), 0) == 1
    after = lh.dynreallist1
    assert after.shape == (1000,)
    np.testing.assert_array_equal(after[:3], [1.5, 2.5, 3.0])
    assert after[500] == 501.0 and after[501] == HUGE
    # The view taken before the list grew still reads the old storage.
    assert before.shape == (500,) and before[499] == 500.0
    lh.deallocatelist(1, 1)
    assert before[0] == 1.5


def test_statuses():
    assert lh.getsizeoflist(2, 0) == -1
    assert lh.deallocatelist(2, 0) == 1
    assert lh.real_getcopyoflist(2, np.zeros(3))[1] == -1
    assert lh.allocatelist(2, 0, 4) == 0
    assert lh.getallocationstatus(2, 0) == 1
    assert lh.allocatelist(2, 0, 10) == 5014
    np.testing.assert_array_equal(lh.dynintlist2, [2147483647] * 4)


def test_copy_is_bounded_by_the_list():
    lh.real_appendscalar2list(3, 4.0, 0, allocinc=2)
    copy, ierr = lh.real_getcopyoflist(3, -np.ones(4))
    assert ierr == 0
    np.testing.assert_array_equal(copy, [4.0, HUGE, -1, -1])


def test_append_array_by_contiguous_run():
    assert lh.int_appendarray2list(1, [1, 2, 3], 0) == 1
    assert lh.int_appendarray2list(1, [2, 3], 1) == 0
    assert lh.int_appendarray2list(1, [1, 3], 1) == 1
    np.testing.assert_array_equal(lh.dynintlist1[:6], [1, 2, 3, 1, 3, 2147483647])


def test_complex_lists_default_to_the_marker_in_both_parts():
    assert lh.cmplx_appendscalar2list(2, 1 + 2j, 1) == 1
    assert lh.cmplx_appendscalar2list(2, 1 + 3j, 1) == 1  # differs in one part only: a new value
    assert lh.cmplx_appendscalar2list(2, 1 + 2j, 1) == 0
    assert lh.getsizeoflist(2, 2) == 2
    assert lh.dyncmplxlist2[2] == complex(HUGE, HUGE)
    assert lh.cmplx_appendarray2list(2, [3j, 4j], 0) == 1
    assert lh.getsizeoflist(2, 2) == 4
    assert lh.allocatelist(1, 2, 2) == 0
    assert lh.getsizeoflist(1, 2) == 0
