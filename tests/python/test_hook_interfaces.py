"""Solver hook interfaces (analysis control, heat generation, expansion) through the probe module,
which binds a probe of each interface under the routine's name: the call form derived from each
hook's argument list is the routine's call form, and values reach the arguments the call form
names, which the routines' own results do not show one by one. (The routines themselves are
checked against their call forms by the contract test.)"""
from pathlib import Path

import numpy as np
import pytest

p = pytest.importorskip("_tvkprobe")
s = p.tsolver

CALLFORMS = Path(__file__).resolve().parent / "data" / "callforms.tsv"

# The probed hooks: the probe module binds a probe of each interface under the routine's name.
PROBED = ["uexternaldb_iocontrol", "vexternaldb_iocontrol", "uaccess_iocontrol", "hetval_prony", "uexpan_prony"]


def callforms():
    forms = {}
    for line in CALLFORMS.read_text().splitlines():
        ns, name, form = line.split("\t")
        forms[(ns, name)] = form
    return forms


@pytest.mark.parametrize("name", PROBED)
def test_interface_of_a_probed_hook_gives_its_call_form(name):
    assert getattr(s, name).__doc__.splitlines()[0] == callforms()[("toplevel", name)]


def test_analysis_control_record_lengths_default_to_the_records():
    assert s.vexternaldb_iocontrol(0, [1, 2, 3, 4], [0.1, 0.2, 0.3]) is None
    assert s.vexternaldb_iocontrol(0, [1, 2, 3, 4], [0.1, 0.2, 0.3], 2, 1, mpi_rank=1) is None
    with pytest.raises(p.error, match=r"len\(i_array\)>=niarray"):
        s.vexternaldb_iocontrol(0, [1, 2, 3, 4], [0.1, 0.2, 0.3], niarray=5)
    with pytest.raises(p.error, match=r"len\(r_array\)>=nrarray"):
        s.vexternaldb_iocontrol(0, [1, 2, 3, 4], [0.1, 0.2, 0.3], nrarray=4)
    assert s.uexternaldb_iocontrol(2, 0, [0.0, 1.0], 1e-3, 1, 1) is None
    assert s.uexternaldb_iocontrol(2, 0, [0.0, 1.0], 1e-3, 1, 1, 1) is None
    with pytest.raises(ValueError):
        s.uexternaldb_iocontrol(2, 0, [0.0, 1.0, 2.0], 1e-3, 1, 1)
    assert s.uaccess_iocontrol(3, 0.5) is None


def test_heat_hook_arguments_reach_their_names():
    svar = np.zeros(6)
    out, flux = s.hetval_prony("RESIN", [400.0, 2.5], [1.0, 6.0], 0.5, svar, [7.0, 1.0], [8.0])
    assert np.array_equal(flux, [400.5, 0.0])
    assert np.array_equal(out, [6.0, 7.0, 8.0, ord("R") + 80, 0.0, 0.0])
    assert not svar.any()  # copied unless overwrite_svar
    same, _ = s.hetval_prony("RESIN", [400.0, 2.5], [1.0, 6.0], 0.5, svar, [7.0], [8.0], overwrite_svar=1)
    assert same is svar and svar[0] == 6.0
    # the state vector is taken at its own length, whatever that is
    assert s.hetval_prony("X", [0.0, 0.0], [0.0, 0.0], 0.0, np.zeros(510), [0.0], [0.0])[0].shape == (510,)


def test_expansion_hook_arguments_reach_their_names():
    svar = np.full(5, 10.0)
    expan, dexpandt, out = s.uexpan_prony([400.0, 2.5], [1.0, 6.0], 0.5, [7.0], [8.0], svar, "RESIN", 42)
    assert np.array_equal(expan, 400.0 + np.arange(1, 7))
    assert np.array_equal(dexpandt, 2.5 * np.arange(1, 7))
    assert np.array_equal(out, [42.0, 12.0, 13.0, 14.0, 21.5])
    # nstatv defaults to the length of svar and may be smaller
    assert np.array_equal(s.uexpan_prony([0.0, 0.0], [0.0, 0.0], 0.0, [0.0], [0.0], np.zeros(5), "X", 3,
                                         nstatv=3)[2], [3.0, 2.0, 0.0, 0.0, 0.0])
    with pytest.raises(p.error, match=r"len\(svar\)>=nstatv"):
        s.uexpan_prony([0.0, 0.0], [0.0, 0.0], 0.0, [0.0], [0.0], np.zeros(5), "X", 3, nstatv=6)
