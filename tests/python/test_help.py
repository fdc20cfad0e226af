"""help() on a routine: pydoc documents it as a function (its Python signature, then its call
form, parameters and results), and repr() names it. The expected call forms come from the call
form data of the contract (data/callforms.tsv) and, for the probe module, from the engine tests."""

import inspect
import keyword
import pathlib
import pydoc
import sys

import pytest

import _tolvek

p = pytest.importorskip("_tvkprobe")

CALLFORMS = pathlib.Path(__file__).resolve().parent / "data" / "callforms.tsv"


def callforms():
    rows = (line.split("\t") for line in CALLFORMS.read_text().splitlines())
    return {(ns, name): form for ns, name, form in rows}


def split_form(form):
    """(results, required, bracketed) names of a call form "r,s = name(a,b,[c,d])"."""
    results = form.split(" = ")[0].split(",") if " = " in form else []
    inner = form[form.index("(") + 1:form.rindex(")")]
    required, _, bracketed = inner.partition("[")
    names = lambda text: [n for n in text.strip("[],").split(",") if n]
    return results, names(required), names(bracketed)


def defaults_allowed(name):
    """The defaults the Python signature may give an argument of the bracket: None stands for
    "absent", an overwrite flag defaults to 0 (copy) or 1, a call-back's extra arguments to ()."""
    if name.endswith("_extra_args"):
        return [()]
    if name.startswith("overwrite_"):
        return [0, 1]
    return [None]


def routines(module):
    for ns in dir(module):
        space = getattr(module, ns)
        for name, obj in vars(space).items() if type(space).__name__ == "fortran" else ():
            if callable(obj):
                yield ns, name, obj


# One routine of every kind: fixed arrays, optional size and overwrite flag, function value and
# optional default, numbers without result, text in and out, in/out matrix, call-back, in-place
# scalars; and routines of the library's own module.
KINDS = [
    (p.tmath.vcross, "c = vcross(a,b)"),
    (p.tmath.vsum, "a = vsum(a,b,[n,overwrite_a])"),
    (p.tmath.ifind, "ifind = ifind(element,array,[ndim,notfound])"),
    (p.tmath.noout, "noout(x,k)"),
    (p.tmath.upper, "o = upper(s)"),
    (p.tmath.lufac, "lu,info = lufac(lu,[n])"),
    (p.tmath.cbtest, "f,df = cbtest(dfunc,x,args,ncalls,[na,dfunc_extra_args])"),
    (p.tmath.state, "state(x,k)"),
    (_tolvek.math.cuberoot, None),
    (_tolvek.lamina.getnyeproperties, None),
    (_tolvek.toplevel.umat_lamina, None),
]


@pytest.mark.parametrize("fn,form", KINDS, ids=lambda v: getattr(v, "__qualname__", ""))
def test_help_shows_a_routine_as_a_function_with_its_call_form_parameters_and_results(fn, form):
    if form is None:
        ns, name = fn.__qualname__.split(".")
        form = callforms()[(ns, name)]
    text = pydoc.render_doc(fn, renderer=pydoc.plaintext)
    lines = text.splitlines()
    assert "class fortran" not in text and "__call__" not in text and "Methods" not in text
    results, required, bracketed = split_form(form)
    # The heading line is the Python signature: required arguments, then the bracket's with defaults.
    params = inspect.signature(fn).parameters
    heading = fn.__name__ + "(" + ", ".join(required + ["%s=%r" % (n, params[n].default) for n in bracketed]) + ")"
    assert lines[2] == heading
    assert "    " + form in lines
    documented = [line.strip().split(" : ")[0] for line in lines if " : " in line and line.startswith("    ")]
    for name in required + bracketed:
        assert name in documented, name
    if results:
        start = lines.index("    Returns") + 2
        end = next((k for k in range(start, len(lines)) if not lines[k].strip()), len(lines))
        assert [line.split(" : ")[0].strip() for line in lines[start:end]] == results
    # Found by its dotted name too, as `help("_tolvek.lamina.getnyeproperties")` finds it.
    dotted = fn.__module__ + "." + fn.__qualname__
    by_name = pydoc.render_doc(dotted, renderer=pydoc.plaintext).splitlines()
    assert by_name[2] == dotted + " = " + heading and by_name[3:] == lines[3:]


def test_every_routine_has_the_signature_of_its_call_form_and_names_itself():
    forms = callforms()
    seen = 0
    for ns, name, fn in routines(_tolvek):
        form = forms[(ns, name)]
        assert inspect.isroutine(fn) and fn.__name__ == name and fn.__qualname__ == ns + "." + name
        assert getattr(sys.modules[fn.__module__], ns).__dict__[name] is fn
        assert repr(fn) == "<fortran routine _tolvek.%s.%s>" % (ns, name)
        if "..." in form:
            continue
        _, required, bracketed = split_form(form)
        if any(keyword.iskeyword(n) for n in required + bracketed):
            # No Python signature can name such a parameter: pydoc shows "name(...)".
            assert fn.__text_signature__ is None
            assert pydoc.render_doc(fn, renderer=pydoc.plaintext).splitlines()[2] == name + "(...)"
            continue
        params = inspect.signature(fn).parameters
        assert list(params) == required + bracketed, name
        for n in required:
            assert params[n].default is inspect.Parameter.empty and params[n].kind == params[n].POSITIONAL_OR_KEYWORD
        for n in bracketed:
            assert any(params[n].default == d and type(params[n].default) is type(d) for d in defaults_allowed(n)), n
        seen += 1
    assert seen > 600


def test_a_routine_on_a_class_stays_unbound_and_namespaces_stay_data():
    class Holder:
        cross = p.tmath.vcross

    assert Holder().cross is p.tmath.vcross and Holder.cross is p.tmath.vcross
    assert list(Holder().cross([1, 0, 0], [0, 1, 0])) == [0, 0, 1]
    assert not inspect.isroutine(p.tmath) and repr(p.tmath) == "<fortran object>"
    assert p.tmath.vsum.__doc__.startswith("a = vsum(a,b,[n,overwrite_a])\n")
