"""The binding engine, through a probe module built by the same engine: call forms, argument
conversion and its messages, copy and in-place rules, results, call-backs and table variables."""
import functools
import gc
import math as mathlib
import os
import subprocess
import sys
import weakref

import numpy as np
import pytest
from seeding import rng_seed

p = pytest.importorskip("_tvkprobe")
m = p.tmath
t = p.tdata


def raises(exc, text, fn, *args, **kw):
    with pytest.raises(exc) as info:
        fn(*args, **kw)
    assert str(info.value) == text
    return info.value


class TestCallForms:
    @pytest.mark.parametrize("name,form", [
        ("vcross", "c = vcross(a,b)"),
        ("vsum", "a = vsum(a,b,[n,overwrite_a])"),
        ("vsuminplace", "vsuminplace(a,b,[n])"),
        ("lufac", "lu,info = lufac(lu,[n])"),
        ("noout", "noout(x,k)"),
        ("ifind", "ifind = ifind(element,array,[ndim,notfound])"),
        ("nulstr", "outmsg = nulstr()"),
        ("cbtest", "f,df = cbtest(dfunc,x,args,ncalls,[na,dfunc_extra_args])"),
    ])
    def test_first_doc_line_is_the_call_form(self, name, form):
        assert getattr(m, name).__doc__.splitlines()[0] == form

    def test_doc_sections(self):
        doc = m.vsum.__doc__
        assert "a : input rank-1 array('d') with bounds (n)" in doc
        assert "overwrite_a : input int, optional\n    Default: 0" in doc
        assert "n : input int, optional\n    Default: len(a)" in doc
        assert doc.endswith("Returns\n-------\na : rank-1 array('d') with bounds (n)\n")
        assert "def dfunc(x,args,nfun,[na]): return f,df" in m.cbtest.__doc__

    def test_objects(self):
        assert type(m).__name__ == "fortran" and type(m.vcross).__name__ == "fortran"
        assert repr(m.vcross) == "<fortran routine _tvkprobe.tmath.vcross>" and repr(m) == "<fortran object>"
        with pytest.raises(TypeError):
            type(m)()
        raises(AttributeError, "over-writing fortran routine", setattr, m, "vcross", 0)
        with pytest.raises(AttributeError):
            del m.vcross
        raises(TypeError, "this fortran object is not callable", t)


class TestArguments:
    def test_positional_keyword_and_extra_positional(self):
        a, b = np.array([1.0, 2.0, 3.0]), np.array([1.0, 1.0, 1.0])
        assert np.array_equal(m.vsum(b=b, a=a), [2, 3, 4])
        m.vsum(a, b, 3, 1)  # overwrite_a given by position
        assert np.array_equal(a, [2, 3, 4])

    def test_argument_count_errors_are_cpythons(self):
        raises(TypeError, "_tvkprobe.tmath.vcross() missing required argument 'b' (pos 2)", m.vcross, [1, 2, 3])
        raises(TypeError, "_tvkprobe.tmath.vcross() takes at most 2 arguments (3 given)", m.vcross, 1, 2, 3)
        raises(TypeError, "'ndimx' is an invalid keyword argument for _tvkprobe.tmath.ifind()",
               m.ifind, 1, [1], ndimx=1)
        raises(TypeError, "argument for _tvkprobe.tmath.ifind() given by name ('ndim') and position (3)",
               m.ifind, 1, [1], 1, ndim=1)
        raises(TypeError, "_tvkprobe.tmath.cbtest() argument 6 must be tuple, not list",
               m.cbtest, lambda x: 0, 1.0, [1.0], 1, dfunc_extra_args=[1])

    def test_size_checks(self):
        raises(p.error, "(shape(lu,0)==n) failed for 1st keyword n: lufac:n=2", m.lufac, np.eye(3), 2)
        raises(p.error, "(len(a)>=n) failed for 1st keyword n: vsum:n=5", m.vsum, [1.0, 2.0, 3.0], [1.0], 5)
        # a smaller n is allowed for the vector it derives from; the routine sees n
        assert m.fdot([1.0, 2.0, 3.0], [1.0, 1.0], 2) == 3.0

    def test_every_extent_is_checked_before_the_call(self):
        """Regression: a non-square matrix for a square (n,n) argument overran its storage."""
        raises(p.error, "(shape(lu,1)==n) failed for 1st argument lu", m.lufac, np.ones((3, 2)))
        raises(p.error, "(shape(lu,1)==n) failed for 1st argument lu", m.lufac, np.ones((3, 4)))

    def test_extent_of_an_explicit_size_default_is_checked(self):
        """n defaults to len(b) and a is checked against n when it converts; b is checked once n
        is known, also when n is given and exceeds it (the routine reads n elements of b)."""
        assert np.array_equal(m.vsumhint([1.0, 2.0, 3.0], [1.0, 1.0, 1.0]), [2.0, 3.0, 4.0])
        raises(p.error, "(len(b)>=n) failed for 2nd argument b", m.vsumhint, [1.0, 2.0, 3.0], [1.0, 1.0], 3)
        e = raises(ValueError, "failed in converting 1st argument `a' of _tvkprobe.tmath.vsumhint to C/Fortran array",
                   m.vsumhint, [1.0, 2.0, 3.0], [1.0, 1.0, 1.0, 1.0])
        assert str(e.__cause__) == "0-th dimension must be fixed to 4 but got 3\n"

    def test_extent_given_by_an_expression(self):
        """b:f8(n+k): b must have exactly n+k elements; the routine reads b[k:k+n]."""
        assert np.array_equal(m.vsumpad([1.0, 2.0], [1.0, 1.0]), [2.0, 3.0])
        assert np.array_equal(m.vsumpad([1.0, 2.0], [1.0, 1.0, 9.0], k=1), [2.0, 11.0])
        assert np.array_equal(m.vsumpad([1.0, 2.0, 3.0], [1.0, 1.0, 1.0, 1.0], 2, 2), [2.0, 3.0, 3.0])
        e = raises(ValueError, "failed in converting 2nd argument `b' of _tvkprobe.tmath.vsumpad to C/Fortran array",
                   m.vsumpad, [1.0, 2.0], [1.0, 1.0], k=1)
        assert str(e.__cause__) == "0-th dimension must be fixed to 3 but got 2\n"
        raises(p.error, "(k>=0) failed for 2nd keyword k: vsumpad:k=-1", m.vsumpad, [1.0, 2.0], [1.0, 1.0], k=-1)
        raises(p.error, "(len(a)>=n) failed for 1st keyword n: vsumpad:n=3", m.vsumpad, [1.0, 2.0], [1.0, 1.0, 1.0], 3)

    def test_scalar_conversions(self):
        assert m.scal2("2.5", 2) == 5.0
        assert m.scal2([1.5, 9], (2,)) == 3.0
        assert m.scal2(1 + 5j, 3) == 3.0
        assert m.scal2(np.float32(0.5), np.int64(4)) == 2.0
        assert m.scal2(1.0, 1.7) == 1.0
        e = raises(ValueError, "_tvkprobe.tmath.scal2() 2nd argument (k) can't be converted to int", m.scal2, 1.0, "abc")
        assert e.__cause__ is None
        raises(TypeError, "_tvkprobe.tmath.scal2() 1st argument (x) can't be converted to double", m.scal2, None, 1)
        raises(OverflowError, "_tvkprobe.tmath.scal2() 1st argument (x) can't be converted to double", m.scal2, 2**2000, 1)

    def test_error_of_a_conversion_method_is_the_cause(self):
        """Regression: an exception raised by an object's __float__ or __index__ was replaced
        without a trace of it."""
        class Bad:
            def __float__(self):
                raise KeyError("float")

            def __index__(self):
                raise KeyError("index")

            __int__ = __index__

        for fn, args in ((m.scal2, (Bad(), 1)), (m.scal2, (1.0, Bad()))):
            with pytest.raises(KeyError, match="can't be converted") as info:
                fn(*args)
            assert isinstance(info.value.__cause__, KeyError)
        with pytest.raises(KeyError, match="double_from_pyobj failed") as info:
            m.cbtest(lambda x: Bad(), 1.0, [1.0], 1)
        assert str(info.value.__cause__) == "'float'"

    def test_integers_outside_32_bits_are_refused_before_the_call(self):
        raises(OverflowError, "_tvkprobe.tmath.scal2() 2nd argument (k) can't be converted to int", m.scal2, 1.0, 2**40)
        with pytest.raises(OverflowError):
            m.scal2(1.0, -2**31 - 1)
        assert m.scal2(1.0, 2**31 - 1) == 2**31 - 1

    def test_logical_complex_text(self):
        assert m.logtest(0) == 3 and m.logtest("x") == 7 and m.logtest(None) == 3
        with pytest.raises(ValueError):
            m.logtest(np.ones(3))
        assert m.cplx(1 + 2j) == -2 + 1j
        assert m.cplxout() == 0j
        assert m.upper("abc") == b"ABC     "
        assert m.upper(b"abcdefghijk") == b"ABCDEFGH"
        assert m.upper(12) == b"12      "
        # Regression: an object array handed over its pointers as text.
        objs = np.array([1, "ab", None], dtype=object)
        assert m.upper(objs) == str(objs).upper().encode()[:8].ljust(8)
        assert m.nulstr() == b"ab"

    def test_direct_scalar_path_behaves_as_the_general_path(self):
        """`scaled` takes exact floats and ints by position straight to the routine; every other
        argument list, and `scaled_general` always, takes the general conversions: results,
        error types and texts must agree (the texts differ only in the routine's name)."""
        def outcome(fn, *args, **kw):
            try:
                return ("ok", fn(*args, **kw))
            except Exception as e:
                return (type(e), str(e).replace("scaled_general", "scaled"), type(e.__cause__))

        cases = [((2.5, 3), {}), ((2.5, -3), {}), ((float("inf"), -1), {}), ((2, 3), {}), ((2.5, 3.9), {}),
                 ((np.float64(2.5), np.int32(3)), {}), ((2.5, True), {}), ((True, 3), {}), (("2.5", 3), {}),
                 ((2.5,), {"k": 3}), ((), {"x": 2.5, "k": 3}), ((2.5, 2**31 - 1), {}), ((2.5, -2**31), {}),
                 ((2.5, 2**31), {}), ((2.5, -2**31 - 1), {}), ((2.5, 2**80), {}), ((None, 1), {}), ((2.5, "abc"), {}),
                 ((2.5,), {}), ((2.5, 3, 4), {}), ((2.5, 3), {"y": 1}), (([2.5, 9.0], (3,)), {}), ((1 + 5j, 3), {}),
                 # ints of one internal digit (|k| < 2**30) are read in place; the edges either side
                 ((2.5, 0), {}), ((2.5, -1), {}), ((2.5, 2**30 - 1), {}), ((2.5, -(2**30 - 1)), {}),
                 ((2.5, 2**30), {}), ((2.5, -2**30), {}), ((2.5, False), {})]
        for args, kw in cases:
            direct, general = outcome(m.scaled, *args, **kw), outcome(m.scaled_general, *args, **kw)
            assert direct == general, (args, kw)
            if direct[0] == "ok":
                assert type(direct[1]) is float
        assert m.scaled(2.5, 3) == 7.5 and m.scaled(-1.5, -2**31) == 1.5 * 2**31
        # `scaled` takes the numbers straight into its C parameters; with a check it cannot.
        assert (p.call_path(m.scaled), p.call_path(m.scaled_general)) == ("direct", "general")
        for k in (0, 1, -1, 2**30 - 1, -(2**30 - 1), 2**30, -2**30, 2**31 - 1):
            assert m.scaled(0.5, k) == 0.5 * k, k

    def test_direct_path_of_the_module_agrees_with_its_general_path(self):
        """The routines of the module that take only numbers (by their call forms: float and int
        inputs, no optional argument, at most one number back) are called directly or by the
        scalar path; called once so and once through the general path (numpy scalars are not
        exact floats and ints), each gives the same result, or the same error, for the same
        values."""
        import _tolvek

        direct = []
        for ns in dir(_tolvek):
            space = getattr(_tolvek, ns)
            for name, obj in vars(space).items() if type(space).__name__ == "fortran" else ():
                doc = obj.__doc__ if type(obj).__name__ == "fortran" else ""
                lines = doc.splitlines()
                form = lines[0] if lines else "()"
                nparams = len(form[form.index("(") + 1:form.rindex(")")].split(",")) if "()" not in form else 0
                inputs = [line for line in lines if " : input " in line]
                results = doc.split("Returns\n-------\n")[1].strip().splitlines() if "Returns" in doc else []
                if (inputs and len(inputs) == nparams and "Other Parameters" not in doc and "callback" not in doc.lower()
                        and all(line.split(" : ")[1] in ("input float", "input int") for line in inputs)
                        and len(results) <= 1 and all(r.split(" : ")[1] in ("float", "int") for r in results)):
                    direct.append(obj)
        assert _tolvek.math.cuberoot in direct and len(direct) > 50

        def outcome(fn, args):
            try:
                r = fn(*args)
                return ("ok", None if r is None else (type(r), r if r == r else "nan"))
            except Exception as e:
                return (type(e), str(e))

        rng = np.random.default_rng(rng_seed(7))
        for fn in direct:
            form = fn.__doc__.splitlines()[0]
            params = form[form.index("(") + 1:form.rindex(")")].split(",") if "()" not in form else []
            kinds = [line.split(" : ")[1] for line in fn.__doc__.splitlines() if " : input " in line]
            assert len(kinds) == len(params), form
            for _ in range(4):
                exact = [float(rng.normal(0, 3)) if k == "input float" else int(rng.integers(-3, 8)) for k in kinds]
                wrapped = [np.float64(v) if isinstance(v, float) else np.int64(v) for v in exact]
                assert outcome(fn, exact) == outcome(fn, wrapped), (form, exact)

    def test_copy_of_a_compatible_array_is_a_new_fortran_array(self):
        """io+copy: an array already in the routine's type and layout is copied by its bytes;
        the copy is a new, writeable, Fortran-ordered array and the caller's array is untouched,
        whether it is writeable or not; other arrays go through numpy's conversion."""
        b = np.array([1.0, 1.0, 1.0])
        a = np.array([1.0, 2.0, 3.0])
        frozen = a.copy()
        frozen.flags.writeable = False
        swapped = a.astype(">f8")
        strided = np.array([1.0, 0.0, 2.0, 0.0, 3.0, 0.0])[::2]
        for src in (a, frozen, swapped, strided, np.asfortranarray(a), [1.0, 2.0, 3.0], a.astype(np.float32)):
            before = np.array(src, dtype=float, copy=True)
            r = m.vsum(src, b)
            assert r is not src and np.array_equal(r, [2.0, 3.0, 4.0])
            assert r.dtype == np.float64 and r.flags.f_contiguous and r.flags.writeable and r.flags.owndata
            assert np.array_equal(np.asarray(src, dtype=float), before)
        lu = np.asfortranarray(np.arange(9.0).reshape(3, 3))
        r = m.vsum(lu.ravel(order="F"), np.ones(9))
        assert np.array_equal(r, lu.ravel(order="F") + 1)
        assert m.vsum(np.zeros(0), np.zeros(0)).shape == (0,)

    def test_texts_of_one_call_do_not_overlap(self):
        """Short texts are kept in the call's own storage, longer ones on the heap: eight texts in
        one call, an ASCII str read in place, a NUL ending a str, and a text longer than the
        storage all reach the routine as given."""
        assert m.upper("ab\0cd") == b"AB      "
        assert m.upper("abcdefgh" * 100) == b"ABCDEFGH"
        m.kinds_s8(*[chr(ord("a") + k) * 8 for k in range(8)])
        long_text = np.array("x" * 4000)
        assert m.upper(long_text) == b"XXXXXXXX"
        # a character without a file-system encoding is refused as os.fsencode refuses it
        e = raises(p.error, "string_from_pyobj failed in converting 1st argument `s' of _tvkprobe.tmath.upper to C string",
                   m.upper, "a\ud800")
        assert isinstance(e.__cause__, UnicodeEncodeError)

    @pytest.mark.parametrize("text", ["\u00e9t\u00e9", "\u8a66\u9a13", os.fsdecode(b"\xffab\xfe"), "\u00e9" * 4,
                                      "\u00e9" * 5, "abcdefg\u00e9", "\u20ac\u20ac\u20ac"])
    def test_str_beyond_ascii_is_text_of_its_file_system_bytes_or_refused_whole(self, text):
        """A str reaches the routine as os.fsencode encodes it, as the same text in bytes does;
        where those bytes do not fit the field (8 here) it is refused, never cut."""
        raw = os.fsencode(text)
        if len(raw) <= 8:
            assert m.upper(text) == m.upper(raw) == raw.upper().ljust(8)  # upper: ASCII letters only
            return
        e = raises(ValueError, "string_from_pyobj failed in converting 1st argument `s' of _tvkprobe.tmath.upper to C string",
                   m.upper, text)
        assert str(e.__cause__) == f"text of {len(raw)} bytes does not fit s (8 characters)"

    def test_unicode_array_text_was_read_as_raw_ucs4(self):
        """Regression: a numpy str array passed as text was read as its 4-byte code units."""
        assert m.upper(np.array("abc")) == b"ABC     "
        assert m.upper(np.array(["ab", "c"])) == b"ABC     "[:3] + b" " * 5
        assert m.upper(np.array("abcdefghijk").astype(">U11")) == b"ABCDEFGH"
        assert m.upper(np.array([], dtype="U3")) == b" " * 8
        e = raises(p.error, "string_from_pyobj failed in converting 1st argument `s' of _tvkprobe.tmath.upper to C string",
                   m.upper, np.array("\u00e9t\u00e9"))
        assert isinstance(e.__cause__, UnicodeEncodeError)
        strings = pytest.importorskip("_tolvek").stringhandling
        assert strings.match(np.array("abc"), "abc") == 1

    def test_array_conversion_messages(self):
        e = raises(ValueError, "failed in converting 1st argument `a' of _tvkprobe.tmath.vcross to C/Fortran array",
                   m.vcross, [1.0, 2.0, 3.0, 4.0], [1.0, 2.0, 3.0])
        assert str(e.__cause__) == "0-th dimension must be fixed to 3 but got 4\n"
        e = raises(ValueError, "failed in converting 2nd argument `b' of _tvkprobe.tmath.vcross to C/Fortran array",
                   m.vcross, [1.0, 2.0, 3.0], np.ones((2, 3)))
        assert "too many axes" in str(e.__cause__)
        with pytest.raises(ValueError):
            m.vcross(["a", "b", "c"], [1.0, 2.0, 3.0])
        e = raises(ValueError, "failed in converting 1st argument `a' of _tvkprobe.tmath.vcross to C/Fortran array",
                   m.vcross, None, [1.0, 2.0, 3.0])
        assert str(e.__cause__) == "0-th dimension must be 3 but got 0 (not defined).\n"

    def test_arrays_of_other_layouts_and_types_are_converted(self):
        a = np.arange(6, dtype=np.float32).reshape(2, 3)  # C order, float32
        assert np.array_equal(m.mat(a), a * 10)
        assert np.array_equal(m.mat(np.arange(6, dtype=np.int64).reshape(3, 2)), np.arange(6).reshape(3, 2) * 10)
        assert np.array_equal(m.vcross(np.array([[1.0], [0.0], [0.0]]), [0.0, 1.0, 0.0]), [0, 0, 1])
        # a vector where a matrix is declared becomes one column
        assert m.mat([1.0, 2.0]).shape == (2, 1)

    def test_copy_and_in_place_rules(self):
        a = np.array([1.0, 2.0, 3.0])
        r = m.vsum(a, [1.0, 1.0, 1.0])
        assert r is not a and np.array_equal(a, [1, 2, 3])
        r = m.vsum(a, [1.0, 1.0, 1.0], overwrite_a=1)
        assert r is a and np.array_equal(a, [2, 3, 4])
        r = m.vsumov(a, [1.0, 1.0, 1.0])
        assert r is a and np.array_equal(a, [3, 4, 5])
        r = m.vsumio(a, [1.0, 1.0, 1.0])
        assert r is a
        c = np.array([1, 2, 3], dtype=np.int32)
        r = m.vsumio(c, [1.0, 1.0, 1.0])
        assert r is not c and np.array_equal(c, [1, 2, 3]) and r.dtype == np.float64
        m.vsuminplace(a, [1.0, 1.0, 1.0])
        assert np.array_equal(a, [5, 6, 7])

    def test_in_place_rules_hold_for_arguments_by_keyword(self):
        a = np.array([1.0, 2.0, 3.0])
        assert m.vsumov(b=[1.0, 1.0, 1.0], a=a) is a and np.array_equal(a, [2, 3, 4])
        assert m.vsumov(a=a, b=[1.0, 1.0, 1.0], overwrite_a=0) is not a and np.array_equal(a, [2, 3, 4])
        assert m.vsumov(a, [1.0, 1.0, 1.0], n=3) is a and np.array_equal(a, [3, 4, 5])
        assert m.vsum(a=a, b=[1.0, 1.0, 1.0]) is not a and np.array_equal(a, [3, 4, 5])

    def test_overwrite_flag_takes_any_integer(self):
        """Regression: numpy integers were refused as overwrite flags."""
        a = np.array([1.0, 2.0])
        for flag in (np.int64(1), np.int32(1), np.uint8(1), True):
            assert m.vsum(a, [1.0, 1.0], overwrite_a=flag) is a
        assert m.vsum(a, [1.0, 1.0], overwrite_a=np.int16(0)) is not a
        raises(TypeError, "'float' object cannot be interpreted as an integer", m.vsum, a, [1.0, 1.0], overwrite_a=1.5)
        with pytest.raises(OverflowError):
            m.vsum(a, [1.0, 1.0], overwrite_a=np.int64(2**40))

    def test_in_place_arguments_must_be_exact_arrays(self):
        e = raises(TypeError, "failed in converting 1st argument `a' of _tvkprobe.tmath.vsuminplace to C/Fortran array",
                   m.vsuminplace, [1.0, 2.0], [1.0, 2.0])
        assert "is not an array" in str(e.__cause__)
        for bad in (np.zeros(2, dtype=np.float32), np.zeros((2, 2))[:, 0], np.zeros(2)[::-1].copy().astype(">f8")):
            with pytest.raises(ValueError):
                m.vsuminplace(bad, [1.0, 2.0])
        x, k = np.array(1.0), np.array([3], dtype=np.int32)
        m.state(x, k)
        assert x == 2.0 and k[0] == 4
        with pytest.raises(TypeError):
            m.state(1.0, k)

    def test_function_values_and_optional_defaults(self):
        assert m.ifind(5, [3, 5, 5]) == 2
        assert m.ifind(7, [3, 5, 5]) == -1
        assert m.ifind(7, [3, 5, 5], notfound=0) == 0
        assert m.ifind(7, [3, 5, 5], None, None) == -1
        assert m.optdef([1.0, 2.0]) == 3.0
        assert m.noout(1.0, 2) is None
        a, info = m.lufac(np.eye(2))
        assert info == 2 and np.array_equal(a, 2 * np.eye(2))

    def test_empty_arrays(self):
        assert m.fdot([], []) == 0.0
        assert m.ifind(1, []) == -1


class TestCallbacks:
    def test_inputs_and_returned_outputs(self):
        seen = []

        def f(x, args, nfun, na):
            seen.append((x, list(args), nfun, na))
            return x * x, 2 * x

        assert m.cbtest(f, 3.0, [1.0, 2.0], 2) == (9.0, 6.0)
        assert seen == [(3.0, [1.0, 2.0], 7, 2)] * 2

    def test_arity_trimming_and_extra_arguments(self):
        assert m.cbtest(lambda x: x, 2.0, [1.0], 1) == (2.0, 0.0)
        assert m.cbtest(lambda x, e: (x, e), 2.0, [1.0], 1, dfunc_extra_args=(5.0,)) == (2.0, 5.0)
        with pytest.raises(p.error):
            m.cbtest(lambda a, b, c, d, e, f: 0, 1.0, [1.0], 1)
        with pytest.raises(p.error):
            m.cbtest(3, 1.0, [1.0], 1)

    def test_arity_of_methods_instances_partials_and_builtins(self):
        """Regression: only plain functions and bound methods had their arity read; callable
        instances, partials and builtins were handed every argument."""
        class C:
            def meth(self, x, args):  # self is not one of the call-back's arguments
                return x, args[0]

            def __call__(self, x):
                return 2 * x

        assert m.cbtest(C().meth, 2.0, [5.0], 1) == (2.0, 5.0)
        assert m.cbtest(C(), 2.0, [5.0], 1) == (4.0, 0.0)
        assert m.cbtest(functools.partial(lambda k, x, args: (k * x, args[0]), 3.0), 2.0, [5.0], 1) == (6.0, 5.0)
        assert m.cbtest(functools.partial(lambda x, args, k=0.0: (x + k, 0.0), k=1.0), 2.0, [5.0], 1) == (3.0, 0.0)
        assert m.cbtest(abs, -2.0, [5.0], 1) == (2.0, 0.0)
        # keyword-only parameters are not filled by position
        assert m.cbtest(lambda x, *, scale=3.0: x * scale, 2.0, [5.0], 1) == (6.0, 0.0)
        math = pytest.importorskip("_tolvek").math
        xs, istat = math.fpsafe(mathlib.cos, 1.0, [0.0], 1e-13, 500, 0)
        assert istat == 0 and abs(xs - mathlib.cos(xs)) < 1e-12

    def test_defaulted_and_variable_parameters(self):
        """Parameters with defaults are optional: a callable may take more than it is offered;
        *args takes every argument."""
        def f(x, args, nfun, na, e1=1.0, e2=2.0, e3=3.0):
            return e1 + e2 + e3, na

        assert m.cbtest(f, 0.0, [1.0, 2.0], 1) == (6.0, 2.0)
        assert m.cbtest(f, 0.0, [1.0, 2.0], 1, dfunc_extra_args=(10.0,)) == (15.0, 2.0)
        with pytest.raises(p.error):
            m.cbtest(lambda x, args, nfun, na, e1, e2=0: 0, 0.0, [1.0], 1)
        got = []
        m.cbtest(lambda *a: got.append(a), 1.0, [2.0], 1, dfunc_extra_args=("e",))
        assert len(got) == 1 and got[0][0] == 1.0 and list(got[0][1]) == [2.0] and got[0][2:] == (7, 1, "e")
        got = []
        m.cbtest(lambda x, *a: got.append(a), 1.0, [2.0], 1)
        assert len(got[0]) == 3

    def test_missing_return_values_leave_outputs(self):
        assert m.cbtest(lambda x: None, 1.0, [1.0], 1) == (0.0, 0.0)
        assert m.cbtest(lambda x: 4.0, 1.0, [1.0], 1) == (4.0, 0.0)

    def test_exception_reaches_the_caller_unchanged(self):
        class Boom(Exception):
            pass

        calls = []

        def f(x):
            calls.append(x)
            raise Boom("stop")

        with pytest.raises(Boom, match="stop"):
            m.cbtest(f, 1.0, [1.0], 5)
        assert calls == [1.0]
        raises(ValueError, "double_from_pyobj failed in converting argument f of call-back function "
               "cb_dfunc_in_cbtest__user__routines to C double\n", m.cbtest, lambda x: "text", 1.0, [1.0], 1)
        assert m.cbtest(lambda x: (1.0, 2.0), 1.0, [1.0], 1) == (1.0, 2.0)

    def test_reentrant(self):
        def outer(x):
            inner = m.cbtest(lambda y: (y + 1, 0.0), x, [1.0], 1)
            return inner[0], 0.0

        assert m.cbtest(outer, 1.0, [1.0], 1) == (2.0, 0.0)

    def test_input_arrays_are_the_callables_own_copies(self):
        """The callable sees the values and may scribble on its copy; the routine's input and the
        caller's array behind it stay as they were (they are read-only to the routine)."""
        args = np.array([1.0, 2.0])

        def f(x, a):
            a[0] += 10.0
            return float(a.sum())

        assert m.cbtest(f, 0.0, args, 2) == (13.0, 0.0)
        assert np.array_equal(args, [1.0, 2.0])

    def test_native_routine_as_capsule(self):
        assert m.cbtest(m.square._cpointer, 3.0, [1.0], 1) == (7.0, 6.0)
        with pytest.raises(p.error):
            m.cbtest(m.vcross._cpointer, 3.0, [1.0], 1)
        with pytest.raises(p.error):
            m.cbtest(m.square._cpointer, 3.0, [1.0], 1, dfunc_extra_args=(1,))

    def test_no_reference_leaks(self):
        f = lambda x, a, nfun, na, e: (x, x)  # noqa: E731
        a = np.array([1.0, 2.0, 3.0])
        e = object()
        handed = []
        g = lambda x, a: handed.append(weakref.ref(a))  # noqa: E731
        before = (sys.getrefcount(f), sys.getrefcount(a), sys.getrefcount(e))
        for _ in range(200):
            m.cbtest(f, 1.0, a, 3, dfunc_extra_args=(e,))
            m.cbtest(g, 1.0, a, 1)
            with pytest.raises(ZeroDivisionError):
                m.cbtest(lambda x, a, nfun, na, e: 1 / 0, 1.0, a, 1, dfunc_extra_args=(e,))
            m.vsumio(a, a)
            try:
                m.vcross(a, [1.0])
            except ValueError:
                pass
        gc.collect()
        assert (sys.getrefcount(f), sys.getrefcount(a), sys.getrefcount(e)) == before
        assert all(r() is None for r in handed)


class TestCallbackMemorySafety:
    def test_arrays_updated_by_the_callable_reach_the_routine(self):
        def u(y, s, n):
            assert n == 3 and y.flags.owndata and s.flags.owndata
            y += 1.0
            s[...] += 2.0

        y, s = m.cbupdate(u, [1.0, 2.0, 3.0], 3)
        assert np.array_equal(y, [4.0, 5.0, 6.0]) and s == 6.0
        # an update is seen by the next invocation
        seen = []
        m.cbupdate(lambda y, s: seen.append((y.tolist(), float(s))) or y.__imul__(2.0), [1.0], 3)
        assert seen == [([1.0], 0.0), ([2.0], 0.0), ([4.0], 0.0)]

    def test_kept_callback_array_read_freed_memory(self):
        """Regression: the arrays handed to a call-back were views of native memory without an
        owner; one kept by the callable read (and wrote) freed memory afterwards."""
        math = pytest.importorskip("_tolvek").math
        keep = []

        def df(x, a):
            keep.append(a)
            return x * x - 2.0, 2.0 * x

        args = np.array([0.25, 0.5])
        root, istat = math.bdsafe(df, 0.0, 2.0, args, 1e-12, 100, 0)
        assert istat == 0 and abs(root - 2**0.5) < 1e-10
        m.cbupdate(lambda y, s: keep.append(y) or keep.append(s), [7.0, 8.0], 2)
        del args
        gc.collect()
        fresh = [np.zeros(2) for _ in range(64)]
        for k in keep:
            assert k.flags.owndata
            k[...] = 42.0
        assert all(not f.any() for f in fresh)
        assert all((k == 42.0).all() for k in keep)

    def test_kept_fixed_point_array(self):
        math = pytest.importorskip("_tolvek").math
        keep = []

        def g(fargs):
            keep.append(fargs)
            return 1.0 + 0.5 * fargs[0]

        xs, istat = math.fpsafe(g, 0.0, [0.0], 1e-12, 200, 0)
        assert istat == 0 and abs(xs - 2.0) < 1e-9
        del g
        fresh = np.ones(8)
        for k in keep:
            k[:] = -1.0
        assert (fresh == 1.0).all()

    def test_too_many_callback_arguments_overflowed_the_stack(self):
        """Regression: the callable's arguments (its own plus the extra ones) went into a fixed
        array without a bound; 300 extra arguments ended the process."""
        tolvek = pytest.importorskip("_tolvek")
        math = tolvek.math

        class F:
            def __call__(self, x, args, nfun, na, *e):
                return x * x - 2, 2 * x

        for n in (61, 62, 70, 300, 10000):
            with pytest.raises(tolvek.error, match="Too many arguments"):
                math.bdsafe(F(), 0.0, 2.0, [0.0], 1e-12, 100, 0, dfunc_extra_args=tuple(range(n)))
        got = []
        root, istat = math.bdsafe(lambda *a: got.append(a) or (a[0] ** 2 - 2, 2 * a[0]), 0.0, 2.0, [0.0],
                                  1e-12, 100, 0, dfunc_extra_args=tuple(range(60)))
        assert istat == 0 and abs(root - 2**0.5) < 1e-10
        assert all(len(a) == 64 and a[4:] == tuple(range(60)) for a in got)
        # a callable that takes fewer arguments than offered gets only those (the extra ones
        # take precedence: here the first five of them)
        assert m.cbtest(lambda x, a, nfun, na, e0: (x, e0), 1.0, [1.0], 1,
                        dfunc_extra_args=tuple(range(1000))) == (0.0, 4.0)


NESTING = """
import sys, threading
import _tvkprobe
m = _tvkprobe.tmath

def nest(depth):
    def f(x):
        depth[0] += 1
        m.cbtest(f, x, [1.0], 1)
        return x, 0.0
    try:
        m.cbtest(f, 1.0, [1.0], 1)
    except RecursionError:
        return depth[0]
    return -1

def in_thread(size):
    threading.stack_size(size)
    out = []
    t = threading.Thread(target=lambda: out.append(nest([0])))
    t.start()
    t.join()
    return out[0]

levels = [nest([0])]
sys.setrecursionlimit(10**6)
levels.append(nest([0]))
sys.setrecursionlimit(1000)
levels += [in_thread(size) for size in (32768, 262144, 1 << 20, 8 << 20)]
def deep(n):
    return 0 if n == 0 else 1 + deep(n - 1)
assert deep(900) == 900   # the recursion count is balanced after the errors
print(*levels)
"""


def test_nested_callbacks_overflowed_the_native_stack():
    """Regression: a call-back calling the routine that called it ended in SIGSEGV at about 575
    levels (fewer in a thread); it now ends in RecursionError at Python's recursion limit or
    when the thread's stack is nearly used up, whichever comes first."""
    out = subprocess.run([sys.executable, "-c", NESTING], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr[-2000:]
    main, unlimited, t32k, t256k, t1m, t8m = map(int, out.stdout.split())
    assert 400 < main < 1000 and 0 < unlimited and t32k >= 0
    assert 0 < t256k < t1m < t8m


class TestVariables:
    def test_scalars_share_memory(self):
        assert t.nsec is t.nsec and t.nsec.shape == ()
        t.nsec = 5
        assert t.nsec == 5
        t.nsec[...] = 6
        assert t.nsec == 6
        with pytest.raises(ValueError):
            t.nsec = [1, 2]
        # Regression: values outside 4 bytes were wrapped (2**40 read back as 0).
        for big in (2**31, 2**40, -2**31 - 1):
            with pytest.raises(OverflowError):
                t.nsec = big
        assert t.nsec == 6
        t.nsec = 0

    def test_real_scalar_assignment_keeps_references(self):
        """A real variable is assigned by value, over and over, without touching the reference
        counts of what is assigned."""
        x = 2.5
        arr = np.array([0.75])
        before = sys.getrefcount(x), sys.getrefcount(arr)
        for k in range(2000):
            t.rscal = x
            assert t.rscal == 2.5
            t.rscal = arr
            t.rscal = k
        assert (sys.getrefcount(x), sys.getrefcount(arr)) == before
        assert t.rscal == 1999.0 and t.rscal.dtype == np.float64
        t.rscal = np.float32(0.5)
        assert t.rscal == 0.5
        with pytest.raises(ValueError):
            t.rscal = [1.0, 2.0]
        t.rscal = 0.0

    def test_text(self):
        t.jobname = "abc"
        assert t.jobname[()] == b"abc" + b" " * 13
        with pytest.raises(ValueError):
            t.jobname = "x" * 17
        # str beyond ASCII: its file-system bytes, refused whole where they do not fit
        t.jobname = "Pr\u00fcfung\u20ac"
        assert t.jobname[()] == os.fsencode("Pr\u00fcfung\u20ac").ljust(16)
        raises(ValueError, "text of 17 bytes does not fit jobname (16 characters)", setattr, t, "jobname",
               "\u00fc" * 8 + "a")
        assert t.jobname[()] == os.fsencode("Pr\u00fcfung\u20ac").ljust(16)
        t.jobname = b""

    def test_constants_are_read_only(self):
        assert t.dp == 8
        with pytest.raises(AttributeError):
            t.dp = 3
        with pytest.raises(ValueError):
            t.dp[...] = 3
        with pytest.raises(AttributeError):
            del t.nsec

    def test_tables(self):
        assert t.plyzcoord is None
        t.plyzcoord = np.arange(6.0).reshape(3, 2)
        v = t.plyzcoord
        assert v.shape == (3, 2) and v.flags.f_contiguous and v[2, 1] == 5
        v[0, 0] = 9.0
        assert t.plyzcoord[0, 0] == 9.0
        t.plyzcoord = np.ones((3, 2))  # same shape: storage reused, old view sees it
        assert v[0, 0] == 1.0
        t.plyzcoord = np.ones(4)  # lower rank: one column
        assert t.plyzcoord.shape == (4, 1)
        t.plyzcoord = np.zeros((0, 3))
        assert t.plyzcoord is None

    def test_table_assigned_surplus_axes(self):
        """Unit axes beyond the table's rank are dropped; further axes fold into the last
        extent, in column-major order, never past the data given."""
        x = np.arange(24.0).reshape(2, 3, 4)
        t.plyzcoord = x
        assert t.plyzcoord.shape == (2, 12)
        assert np.array_equal(t.plyzcoord, x.reshape(2, 12, order="F"))
        t.plyzcoord = x.reshape(1, 2, 1, 12)
        assert np.array_equal(t.plyzcoord, x.reshape(2, 12))
        t.stepid = np.arange(6).reshape(2, 3)
        assert np.array_equal(t.stepid, np.arange(6).reshape(2, 3).ravel(order="F"))
        t.plyzcoord = None
        t.stepid = None

    def test_view_survives_release_and_reallocation(self):
        """Regression: a view taken before a release must not point to freed memory."""
        t.stepid = [1, 2, 3]
        v = t.stepid
        t.stepid = None
        assert t.stepid is None
        v[:] = 7
        assert list(v) == [7, 7, 7]
        t.stepid = [1, 2]
        w = t.stepid
        t.stepid = [1, 2, 3, 4, 5]
        w[:] = 0
        assert list(t.stepid) == [1, 2, 3, 4, 5]
        t.stepid = None

    def test_namespace_doc_reflects_current_tables(self):
        t.stepid = None
        assert "'i'-array(-1), not allocated" in t.__doc__
        t.stepid = [1, 2]
        assert "'i'-array(2)" in t.__doc__
        t.stepid = None


class TestGrammar:
    """One grammar for the build and the import: a signature the build accepts imports, and the
    import refuses nothing the build accepted (the probe's hooks run the import-time parser)."""

    def test_routine_at_the_argument_limit_built_then_failed_at_import(self):
        """Regression: the build allowed 64 arguments and the import 60, so a routine of 61 to 64
        arguments compiled and then stopped the import. The probe's 64-argument routine (64 call
        parameters too) imports and is called with every argument in place."""
        x = np.random.default_rng(rng_seed(7)).normal(size=63)
        acc = np.zeros(2)
        assert m.many(acc, *x) is None
        assert acc[1] == 63.0
        assert acc[0] == pytest.approx(np.dot(np.arange(1, 64), x), rel=1e-14)
        acc = np.zeros(2)
        m.many(acc, *x[:62], x63=x[62])
        assert acc[0] == pytest.approx(np.dot(np.arange(1, 64), x), rel=1e-14)
        params = m.many.__doc__.splitlines()[0]
        assert params == "many(acc," + ",".join(f"x{k}" for k in range(1, 64)) + ")"
        with pytest.raises(TypeError):
            m.many(acc, *x, 1.0)
        with pytest.raises(TypeError):
            m.many(acc, *x[:62])

    CASES = p.signature_cases() if hasattr(p, "signature_cases") else []

    @pytest.mark.parametrize("sig,stated,built", CASES, ids=[f"{c[1] or 'valid'}-{k}" for k, c in enumerate(CASES)])
    def test_import_parser_finds_the_fault_the_build_finds(self, sig, stated, built):
        assert built == stated
        assert p.parse_signature(sig) == stated

    def test_case_table_holds_good_and_bad_signatures(self):
        faults = {c[1] for c in self.CASES}
        assert "" in faults and len(faults) >= 15
        assert {"too_many_arguments", "too_many_extents", "too_many_call_backs", "circular_dependency"} <= faults


def test_import_without_numpy_fails_with_the_specified_text(tmp_path):
    code = ("import sys; sys.modules['numpy'] = None\n"
            "try:\n import _tvkprobe\nexcept ImportError as e:\n"
            " print(str(e)); print(type(e.__cause__).__name__)\n")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    text, cause = out.splitlines()
    assert text == "can't initialize module _tvkprobe (failed to import numpy)"
    assert cause in ("ImportError", "ModuleNotFoundError")  # numpy's own failure, chained
