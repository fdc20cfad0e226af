"""Shared by the element table tests: an empty model around each test and the error record."""
import pytest

import _tolvek as t


def clear_model():
    """Releases the model tables and the growable lists and clears the counts and the record."""
    t.datahandling.deallocall()
    t.elementdata.nelem = 0
    t.nodaldata.nnodes = t.nodaldata.ndof = 0
    for kind in range(3):
        for lid in (1, 2, 3):
            t.listhandling.deallocatelist(lid, kind)
    t.errorhandling.rsxerr(1)


@pytest.fixture(autouse=True)
def empty_model():
    clear_model()
    yield
    clear_model()


def record():
    """(errstat, message without trailing blanks) of the error record."""
    return int(t.errorhandling.errstat), bytes(t.errorhandling.errstring).rstrip(b" ").decode()
