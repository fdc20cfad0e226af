"""The `stringhandling` namespace through the binding: fixed-length, blank-padded text."""
import numpy as np
import pytest

import _tolvek

s = _tolvek.stringhandling


def test_keyword_tests():
    assert s.match("Elastic  ", "ELASTIC") == 1
    assert s.match(" Elastic", "Elastic") == 0
    assert s.occurs("+Failure, TYPE=Initiation", "type=initiation") == 1
    assert s.tally("aaa", "aa") == 2
    assert s.tally("ABab", "ab") == 1
    assert s.tally("ABab", "ab", 0) == 2


def test_split_extract_and_lengths():
    assert s.split("TYPE=INC", "=", 8) == (b"TYPE    ", b"INC     ")
    assert s.split("TYPE", "=", 8) == (b"TYPE    ", b" " * 8)
    assert s.extract("key=(12)", "(", ")", 8) == b"12      "
    assert s.lowercase("AbC", 5) == b"abc  "
    assert s.uppercase("abc", 2) == b"AB"
    assert s.reduceblanks("  a   b  ", 10) == b" a b      "
    assert s.replacetext("a-b-c", "-", "+", 5) == b"a+b+c"
    assert s.spack("a1b2c3", "123", 6, 3) == b"123   "
    assert s.ctrim("ab  ", 3) == b"ab "
    assert s.inistringwithcharacter("x", 3) == b"xxx"
    assert s.translate("abc", np.array([[97], [65]]).T, 3) == b"Abc"


@pytest.mark.parametrize("rep", ["aa", "a a", "xa"])
def test_replacement_holding_the_text_ends(rep):
    # Regression: searching from the start again after each replacement never ended here.
    out = s.replacetext("a.a", "a", rep, 8)
    assert len(out) == 8 and out.count(b"a") >= 2


def test_countitems():
    assert s.countitems("1.0  2.0,3.0") == 3
    assert s.countitems("a,,b") == 3
    assert s.countitems("a ,b") == 3
    assert s.countitems("1\t2") == 2
    assert s.countitems("") == 0


def test_integer_conversions():
    assert s.str2int("  42") == (42, 0)
    value, status = s.str2int("abc")
    assert status != 0
    assert s.str2int("   ")[1] != 0
    assert s.str2int("-7, 8") == (-7, 0)
    assert s.int2str(-42) == (b"-42" + b" " * 8, 0)
    j = np.array([[1, 333], [22, -4]], dtype=np.int32)
    assert s.int2aformat(j, "(I4)", 4, 10, 2) == b"122333-4  "
    assert s.int2aformat(j, "(bad)", 2, 4, 2) == b"****"
    assert s.str2ascii("AB", 3).tolist() == [65, 66, 32]
    assert s.copys2a("xy", 3) == b"xy "
    assert s.copya2s("xyz", 2) == b"xy"
    assert s.clen("ab  ") == 4 and s.clen_trim("ab  ") == 2
