"""The `stringhandling` namespace through the binding: text results of the asked length."""
import numpy as np
import pytest

import _tolvek
from seeding import rng_seed

s = _tolvek.stringhandling


def test_keyword_tests_and_text_results():
    assert (s.match("Elastic  ", "ELASTIC"), s.match(" Elastic", "Elastic")) == (1, 0)
    assert s.occurs("+Failure, TYPE=Initiation", "type=initiation") == 1
    assert (s.tally("ABab", "ab"), s.tally("ABab", "ab", 0)) == (1, 2)
    assert s.split("TYPE=INC", "=", 8) == (b"TYPE    ", b"INC     ")
    assert s.extract("key=(12)", "(", ")", 8) == b"12      "
    assert s.uppercase("abc", 2) == b"AB"
    assert s.reduceblanks("  a   b  ", 10) == b" a b      "
    assert s.spack("a1b2c3", "123", 6, 3) == b"123   "
    assert s.translate("abc", np.array([[97, 65]]), 3) == b"Abc"
    assert s.countitems("1.0  2.0,3.0") == 3


@pytest.mark.parametrize("rep", ["aa", "a a", "xa"])
def test_replacement_holding_the_text_ends(rep):
    # Regression: searching from the start again after each replacement never ended here.
    out = s.replacetext("a.a", "a", rep, 8)
    assert len(out) == 8 and out.count(b"a") >= 2


def test_int2aformat_field_width_at_the_32bit_limit_ran_for_minutes():
    # A field of jmax characters was built (and copied twice) for every value, whatever the
    # output length: jmax = 2**31 - 1 took gigabytes and minutes. Only sout characters can show.
    j = np.array([[1, 333], [22, -4]], dtype=np.int32)
    big = 2**31 - 1
    assert s.int2aformat(j, "(I4)", big, 10, 2) == b"122333-4  "
    assert s.int2aformat(j, "(bad)", big, 6, 2) == b"******"
    assert s.int2aformat(j, "(I4)", big, 0, 2) == b""
    # Fields wider than the output and narrower than the digits, as before.
    assert s.int2aformat(j, "(I4)", 12, 10, 2) == b"122333-4  "
    assert s.int2aformat(j, "(I4)", 2, 10, 2) == b"********  "


def test_integer_conversions():
    assert s.str2int("  42") == (42, 0)
    assert s.str2int("abc")[1] != 0
    assert s.int2str(-42) == (b"-42" + b" " * 8, 0)
    j = np.array([[1, 333], [22, -4]], dtype=np.int32)
    assert s.int2aformat(j, "(I4)", 4, 10, 2) == b"122333-4  "
    assert s.int2aformat(j, "(bad)", 2, 4, 2) == b"****"
    assert s.str2ascii("AB", 3).tolist() == [65, 66, 32]
    assert (s.copys2a("xy", 3), s.copya2s("xyz", 2)) == (b"xy ", b"xy")


def test_extract_gives_the_whole_text_before_a_stop_key_of_any_length():
    """Regression: a stop key of several characters cut the end of the result:
    extract('a<<12>>b', '<<', '>>', 8) gave '1', ('k=[[3.5]]', '[[', ']]', 8) gave '3.'.
    Against Python's own search: the text after the last start key up to the first stop key
    after it, adjusted left and padded or cut to n; blank where the stop key does not follow."""
    assert s.extract("a<<12>>b", "<<", ">>", 8) == b"12      "
    assert s.extract("k=[[3.5]]", "[[", "]]", 8) == b"3.5     "
    g = np.random.default_rng(rng_seed(23))
    alphabet = list("ab<>[] .=")
    for _ in range(3000):
        k1 = "".join(g.choice(alphabet[:-2], int(g.integers(1, 4))))
        k2 = "".join(g.choice(alphabet[:-2], int(g.integers(1, 4))))
        k1, k2 = k1.strip() or "<", k2.strip() or ">"
        text = "".join(g.choice(alphabet, int(g.integers(0, 8)))) + k1 + "".join(g.choice(alphabet, int(g.integers(0, 10))))
        n = int(g.integers(1, 12))
        start = text.rfind(k1) + len(k1)
        stop = text.find(k2, start)
        piece = "" if stop < 0 else text[start:stop]
        lead = len(piece) - len(piece.lstrip(" "))
        expect = (piece[lead:] + " " * lead).ljust(n)[:n].encode()
        assert s.extract(text, k1, k2, n) == expect, (text, k1, k2, n)

