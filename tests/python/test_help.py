"""help() on a routine: pydoc documents it as a function (its Python signature, then its call
form, parameters and results), and repr() names it. Expected call forms come from the contract's
call form data (data/callforms.tsv) or, for the probe module, are written here."""

import inspect
import itertools
import keyword
import pathlib
import pydoc
import sys

import pytest

import _tolvek

p = pytest.importorskip("_tvkprobe")
FORMS = dict(((ns, name), form) for ns, name, form in
             (line.split("\t") for line in (pathlib.Path(__file__).parent / "data" / "callforms.tsv").read_text().splitlines()))


def split_form(form):
    """(results, required, bracketed) names of a call form "r,s = name(a,b,[c,d])"."""
    inner = form[form.index("(") + 1:form.rindex(")")].partition("[")
    names = lambda text: [n for n in text.strip("[],").split(",") if n]
    return names(form.split(" = ")[0]) if " = " in form else [], names(inner[0]), names(inner[2])


def python_signature(form, overwrite=0):
    """The heading pydoc should show: the bracket's arguments default to None (absent), a
    call-back's extra arguments to (), an overwrite flag to its default."""
    _, required, bracketed = split_form(form)
    default = lambda n: "()" if n.endswith("_extra_args") else str(overwrite) if n.startswith("overwrite_") else "None"
    return form.split(" = ")[-1].split("(")[0] + "(" + ", ".join(required + [n + "=" + default(n) for n in bracketed]) + ")"


# One routine of every kind: fixed arrays, optional size with a copied or an overwritten in/out
# array, function value with an optional default, numbers without result, text in and out, in/out
# matrix, call-back, in-place scalars; and routines of the library's own module.
KINDS = [(getattr(p.tmath, form.split(" = ")[-1].split("(")[0]), form, overwrite) for form, overwrite in [
    ("c = vcross(a,b)", 0), ("a = vsum(a,b,[n,overwrite_a])", 0), ("a = vsumov(a,b,[n,overwrite_a])", 1),
    ("ifind = ifind(element,array,[ndim,notfound])", 0), ("noout(x,k)", 0), ("o = upper(s)", 0),
    ("lu,info = lufac(lu,[n])", 0), ("f,df = cbtest(dfunc,x,args,ncalls,[na,dfunc_extra_args])", 0), ("state(x,k)", 0)]]
KINDS += [(getattr(getattr(_tolvek, ns), name), FORMS[(ns, name)], 0)
          for ns, name in [("math", "cuberoot"), ("lamina", "getnyeproperties"), ("toplevel", "umat_lamina")]]


@pytest.mark.parametrize("fn,form,overwrite", KINDS, ids=[k[0].__qualname__ for k in KINDS])
def test_help_shows_a_routine_as_a_function_with_its_call_form_parameters_and_results(fn, form, overwrite):
    text = pydoc.render_doc(fn, renderer=pydoc.plaintext)
    lines = text.splitlines()
    assert "class fortran" not in text and "__call__" not in text
    assert lines[2] == python_signature(form, overwrite) and lines[3] == "    " + form
    results, required, bracketed = split_form(form)
    documented = [line.split(" : ")[0].strip() for line in lines if " : " in line]
    assert all(name in documented for name in required + bracketed)
    if results:
        start = lines.index("    Returns") + 2
        assert [line.split(" : ")[0].strip() for line in itertools.takewhile(str.strip, lines[start:])] == results
    # Found by its dotted name too, as help("_tolvek.lamina.getnyeproperties") finds it.
    dotted = "%s.%s" % (fn.__module__, fn.__qualname__)
    by_name = pydoc.render_doc(dotted, renderer=pydoc.plaintext).splitlines()
    assert by_name[2] == dotted + " = " + lines[2] and by_name[3:] == lines[3:]


def test_every_routine_has_the_signature_of_its_call_form_and_names_itself():
    checked = 0
    for ns in [ns for ns in dir(_tolvek) if type(getattr(_tolvek, ns)).__name__ == "fortran"]:
        for name, fn in vars(getattr(_tolvek, ns)).items():
            if not callable(fn):
                continue
            assert inspect.isroutine(fn) and (fn.__name__, fn.__qualname__) == (name, ns + "." + name)
            assert vars(getattr(sys.modules[fn.__module__], ns))[name] is fn
            assert repr(fn) == "<fortran routine _tolvek.%s.%s>" % (ns, name)
            form = FORMS[(ns, name)]
            _, required, bracketed = split_form(form)
            if "..." in form:
                continue
            if any(keyword.iskeyword(n) for n in required + bracketed):
                # No Python signature can name such a parameter: pydoc shows "name(...)".
                assert fn.__text_signature__ is None
                assert pydoc.render_doc(fn, renderer=pydoc.plaintext).splitlines()[2] == name + "(...)"
                continue
            params = inspect.signature(fn).parameters
            assert list(params) == required + bracketed
            assert all(params[n].default is inspect.Parameter.empty for n in required)
            checked += 1
    assert checked > 600


def test_a_routine_on_a_class_stays_unbound_and_namespaces_stay_data():
    class Holder:
        cross = p.tmath.vcross

    assert Holder().cross is p.tmath.vcross and list(Holder().cross([1, 0, 0], [0, 1, 0])) == [0, 0, 1]
    assert not inspect.isroutine(p.tmath) and repr(p.tmath) == "<fortran object>"
