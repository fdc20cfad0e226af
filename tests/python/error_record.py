"""Helpers around the error record (the calling thread's) shared by the Python tests."""
import pytest

import _tolvek

_record = _tolvek.errorhandling


@pytest.fixture(autouse=True)
def clean_record():
    """Clears the error record before and after every test of a module that imports it."""
    _record.rsxerr(1)
    yield
    _record.rsxerr(1)


def errstat():
    return int(_record.errstat)


def errtext():
    return bytes(_record.errstring).rstrip(b" \0").decode()
