"""Record check of the solver entries, run by the walk (walk_helper.py, job kind "records").

Each recorded call of a solver entry (the load and amplitude hooks, the field and length hooks,
the elements, analysis control and the material routines) is made as recorded and then with one
real value at a time replaced by NaN, +-inf, 0, +-1e308, a small negative real, +-1e154 (whose
square overflows), 1e200, 1e300, the largest double, the least subnormal 5e-324, the negative
subnormal -1e-310, or the plausible-looking 0.5 and 2 (a ratio or a fraction at its edge): a real scalar, every entry of a small array
(each value in turn), a whole array, the first entry of a larger one (every entry of the material
properties `props`, whatever their size), and likewise the real model tables the entry writes.
After each call:

- above level -3, no output, no array the call wrote into and no model table the entry writes holds
  a non-finite value, unless the table below exempts it;
- at level -3 (a refused call), the records (in/out arguments, arrays written in place, the model
  tables the entry writes) are as they came, the values the refusal defines (a cut-back `pnewdt`)
  aside, and the outputs of their own are finite; the -3 reports with a result of their own (guide
  section 4) are held to the first rule instead.

The exemptions are those of the solver interface: a non-finite value that came in and stands
unchanged in its slot (a slot the routine leaves alone; not for the scalars an entry owns, such as
the hysteresis branch state), the non-finite values a routine defines (the resin's infinite life,
slot 77 of the fatigue routine's blocks), the energies the solver owns, and arguments a routine
does not read (not changed at all).
"""

import math
import re

import numpy as np

VALUES = (("NaN", math.nan), ("inf", math.inf), ("-inf", -math.inf), ("0", 0.0), ("1e308", 1e308),
          ("-1e308", -1e308), ("-1e-3", -1e-3), ("1e154", 1e154), ("-1e154", -1e154), ("1e200", 1e200),
          ("5e-324", 5e-324), ("0.5", 0.5), ("2", 2.0), ("1e300", 1e300), ("largest", 1.7976931348623157e308),
          ("-1e-310", -1e-310))

# Arrays up to this size have each entry changed on its own; larger ones as a whole and at their
# first entry.
ENTRYWISE = 12
# Arguments changed entry by entry whatever their size, in every entry: the material properties,
# each of which sets up its own path (a strength, a toughness, an elastic constant).
EACH = ("props",)

SOLVER_ENTRY = re.compile(r"^(toplevel\.\w+|sldcollection\.(dsload|deload|cload|camplitude|chysteresis))$")

_UMAT_ENERGIES = ("sse", "spd", "scd")
_USERMAT_ENERGIES = ("sedel",)


class Entry:
    """One line of the table of solver entries.

    tables      the model tables ("namespace.name") the entry writes: snapshot before the call and
                checked after it like its records;
    energies    results that are energies the solver owns (handed back as they came, whatever
                they hold): never checked for finiteness;
    defined     {record: (1-based slot, ...)}: slots (along the last axis) where the entry defines
                a non-finite value;
    unread      arguments the entry does not read: not changed;
    owned       scalars the entry owns: a NaN that came in does not pass through them;
    own_result  patterns of the -3 reports that come with a result of their own: such a call is
                held to the rule of the levels above -3;
    fresh       results that are not the record of the same name (or its "old" twin) coming back;
    shared      records that the evaluated points of a block write for the whole block: a
                refusal of some of its points may change them;
    each        arguments and tables changed entry by entry whatever their size;
    refusal_sets  results that a refusal sets rather than hands back (a cut-back `pnewdt` always,
                the zero energies of a refused element, the dissipations a routine sets on every
                call);
    idle        keyword arguments that, when not 0, make the call a no-op that reads nothing
                (the hooks' skip flag): such a call is made as recorded only.
    """

    def __init__(self, tables=(), energies=(), defined=None, unread=(), owned=(), own_result=(), fresh=(),
                 shared=(), each=(), refusal_sets=(), idle=()):
        self.tables = tuple(tables)
        self.idle = tuple(idle)
        self.refusal_sets = ("pnewdt",) + tuple(refusal_sets)
        self.each = tuple(each)
        self.fresh = tuple(fresh)
        self.shared = tuple(shared)
        self.energies = tuple(energies)
        self.defined = dict(defined or {})
        self.unread = tuple(unread)
        self.owned = tuple(owned)
        self.own_result = tuple(re.compile(p) for p in own_result)


# The records of the solver entries and their exemptions. An entry not listed writes no model
# table and has no exemption.
_FIELD_TABLES = ("sectiondata.sestress", "sectiondata.sestrain", "sectiondata.tnormalstress",
                 "sectiondata.tshearstress", "elementdata.elemlength", "damagedata.generaldds",
                 "damagedata.fiberdds", "damagedata.matrixdds", "damagedata.coredds", "damagedata.userdds",
                 "damagedata.delamdds", "damagedata.dmgplane", "damagedata.dmgpoints", "damagedata.dmgshape")
_CONTROL_TABLES = ("impactdata.cprops", "sectiondata.tnormalstress", "sectiondata.tshearstress",
                   "nodaldata.nodesmotion", "elementdata.elemlength")
_CONTACT_OWN = (r"Invalid root finding procedure", r"not implemented so far", r"Unknown contact (stiffness|law) flag")
_FATIGUE_SLOT_77 = (78, 155, 234, 311)

ENTRIES = {
    # analysis control: the impactor records, the accumulators, the nodal motions, element lengths
    "toplevel.uexternaldb_iocontrol": Entry(tables=_CONTROL_TABLES, each=("impactdata.cprops",)),
    "toplevel.vexternaldb_iocontrol": Entry(tables=_CONTROL_TABLES, each=("impactdata.cprops",)),
    "toplevel.uaccess_iocontrol": Entry(tables=("sectiondata.tnormalstress", "sectiondata.tshearstress")),
    # loads and amplitudes: deload takes its position from the tracking record, not the coordinates
    "sldcollection.dsload": Entry(each=("cprops",)),
    "sldcollection.deload": Entry(unread=("coords",)),
    # the branch state: -inf (the start) and +inf (turned back for good) may stand in it, a NaN,
    # with which the branch never turns back, may not
    "sldcollection.chysteresis": Entry(owned=("passed",), idle=("skip",)),
    "sldcollection.camplitude": Entry(idle=("skip",)),
    # field and length hooks and the motion hook: the process-wide tables they write
    "toplevel.usdfld_dmg": Entry(tables=_FIELD_TABLES),
    "toplevel.gen_damage": Entry(tables=_FIELD_TABLES),
    "toplevel.vusdfld_dmg": Entry(tables=_FIELD_TABLES, shared=_FIELD_TABLES),
    "toplevel.vucharlength_cel": Entry(tables=("elementdata.elemlength",), shared=("elementdata.elemlength",)),
    "toplevel.vdisp_nullify": Entry(tables=("nodaldata.nodesmotion", "nodaldata.nodalcoords")),
    # elements: the contact states of the impactors; unknown procedures and flags give no force
    "toplevel.uel_impact": Entry(tables=("impactdata.csvars",), own_result=_CONTACT_OWN, each=("cprops", "svars"),
                                 refusal_sets=("energy",)),
    "toplevel.uel_truss": Entry(refusal_sets=("energy",)),
    "toplevel.vuel_impact": Entry(tables=("impactdata.csvars",), own_result=_CONTACT_OWN, each=("cprops",),
                                  shared=("cprops", "impactdata.csvars")),
    # material routines: energies the solver owns, the defined non-finite slots, elastic responses
    "toplevel.umat_lamina": Entry(refusal_sets=("spd", "scd")),
    "toplevel.umat_resin": Entry(energies=_UMAT_ENERGIES, defined={"statev": (12, 13)}),
    "toplevel.usermat_resin": Entry(energies=_USERMAT_ENERGIES, defined={"ustatev": (12, 13)}),
    "toplevel.umat_shokrieh": Entry(energies=_UMAT_ENERGIES, defined={"statev": _FATIGUE_SLOT_77}),
    "toplevel.usermat_shokrieh": Entry(defined={"ustatev": _FATIGUE_SLOT_77}),
    "toplevel.umat_krause": Entry(energies=_UMAT_ENERGIES),
    "toplevel.umat_prony": Entry(energies=_UMAT_ENERGIES),
    "toplevel.usermat_prony": Entry(energies=_USERMAT_ENERGIES),
    "toplevel.umat_hail": Entry(energies=_UMAT_ENERGIES),
    "toplevel.umat_sensor": Entry(energies=("sse",), each=("cprops",)),
    "toplevel.vumat_sensor": Entry(shared=("dprops",), each=("cprops",), refusal_sets=("enerinelasnew",)),
    "toplevel.vumat_lamina": Entry(fresh=("statenew",)),
    "toplevel.vumat_cartesian": Entry(own_result=(r"fewer than 39 properties; elastic response",)),
    "toplevel.vumat_bogenfeld": Entry(own_result=(r"damage needs 47 state variables; elastic response",
                                                  r"strengths xt11, xt22, xc11, xc22 and x12 must be nonzero",
                                                  r"xc22 so small that eta_L overflows; elastic response")),
}


def entry(name):
    return ENTRIES.get(name, Entry())


# ------------------------------------------------------------------------------------------------
# The check of one call


def _float_array(v):
    return isinstance(v, np.ndarray) and v.dtype.kind == "f"


def _is_real_scalar(v):
    return isinstance(v, float) or (isinstance(v, np.ndarray) and v.ndim == 0 and v.dtype.kind == "f")


_BOUNDS = re.compile(r"^(\w+) : .*with bounds \((\w+)")


def block_names(doc):
    """Names of the arguments and results of a block routine that hold one row per point or element
    (first extent nblock or npoint)."""
    return {m.group(1) for m in map(_BOUNDS.match, (doc or "").split("\n"))
            if m and m.group(2) in ("nblock", "npoint")}


def _points(block, row):
    """The rows of a block that a change reaches: one row, "any" for a change of every row of a
    block argument (a point that does not read the value is evaluated as usual), None for a
    change that every point reads."""
    if not block:
        return None
    return "any" if row is None else {row}


def real_mutations(args, kwargs, names, state, spec, blocks=()):
    """[(label, args, kwargs, state, points)]: the call as recorded, then one real value changed at
    a time (arguments by name, then the entries of the real model tables the entry writes). points
    are the rows of a block the change reaches (None: every row)."""
    out = [("as recorded", args, kwargs, state, None)]
    if any(kwargs.get(k) for k in spec.idle):
        return out

    def changes(v, entrywise=False):
        if isinstance(v, (list, tuple)) and v and all(isinstance(x, (int, float)) and not isinstance(x, bool)
                                                      for x in v) and any(isinstance(x, float) for x in v):
            v = np.array(v, dtype=float)  # a list of numbers, as a test passes a real array
        if _is_real_scalar(v):
            for label, x in VALUES:
                yield label, (np.array(x) if isinstance(v, np.ndarray) else x), None
        elif _float_array(v) and v.size:
            for label, x in VALUES:
                yield "all " + label, np.full_like(v, x), None
            if v.size <= ENTRYWISE or entrywise:
                for k in range(v.size):
                    idx = np.unravel_index(k, v.shape, order="F")
                    for label, x in VALUES:
                        w = v.copy(order="K")
                        w[idx] = x
                        yield "[%s] = %s" % (",".join(str(i + 1) for i in idx), label), w, idx[0]
            else:
                for label, x in VALUES:
                    w = v.copy(order="K")
                    w.flat[0] = x
                    yield "first = " + label, w, 0

    for i, v in enumerate(args):
        name = names[i] if i < len(names) else "arg%d" % (i + 1)
        if name in spec.unread:
            continue
        for label, x, row in changes(v, name in spec.each or name in EACH):
            a = list(args)
            a[i] = x
            out.append(("%s %s" % (name, label), a, kwargs, state, _points(name in blocks, row)))
    for key, v in kwargs.items():
        if key in spec.unread or key.startswith("overwrite_"):
            continue
        for label, x, row in changes(v, key in EACH):
            out.append(("%s %s" % (key, label), args, dict(kwargs, **{key: x}), state, _points(key in blocks, row)))
    for key in spec.tables:
        v = state.get(key) if state else None
        if not _float_array(v):
            continue
        for label, x, _ in changes(v, key in spec.each):
            out.append(("table %s %s" % (key, label), args, kwargs, dict(state, **{key: x}), None))
    return out


def _slot(idx):
    return "[%s]" % ",".join(str(i + 1) for i in idx) if idx else ""


def _same(a, b):
    """Elementwise: equal, or both NaN."""
    return (a == b) | (np.isnan(a) & np.isnan(b))


def _as_float(v):
    if isinstance(v, (float, int, np.floating, np.integer)) and not isinstance(v, bool):
        return np.array(float(v))
    if isinstance(v, np.ndarray) and v.dtype.kind in "fiu":
        return np.asarray(v, dtype=float)
    return None


def _defined_mask(spec, name, shape):
    """Mask of the defined non-finite slots of a record (slot along the last axis)."""
    mask = np.zeros(shape, dtype=bool)
    slots = spec.defined.get(name, ())
    if shape and slots:
        for s in slots:
            if 1 <= s <= shape[-1]:
                mask[..., s - 1] = True
    return mask


def check_slots(name, after, before, level, spec, own_result, problems, rows=None):
    """Compares one record or output (after the call) with its value before the call (None for an
    output of its own) and appends the offending slots to problems. rows: for a record of a block
    (one row per point), the rows a refusal is expected in (None: all, "any": each row either as
    it came or evaluated); the other rows of a refused block hold evaluated points."""
    a = _as_float(after)
    if a is None:
        return
    # the common cases at once: all finite where no refusal is looked for, as it came where one is
    refusal = level <= -3 and not own_result and before is not None and name not in spec.refusal_sets
    if not refusal and np.isfinite(a).all():
        return
    b = _as_float(before) if before is not None else None
    if refusal and b is not None and b.shape == a.shape and np.array_equal(a, b, equal_nan=True):
        return
    if b is not None and b.shape != a.shape:
        b = None if b.size != a.size else b.reshape(a.shape, order="F")
    scalar = a.ndim == 0
    if scalar:
        a = a.reshape(1)
        b = None if b is None else b.reshape(1)
    refused = np.zeros(a.shape, dtype=bool)
    if refusal and b is not None:
        if rows == "any" or (name in spec.shared and rows is not None):
            pass  # written by the points of the block that were evaluated
        elif rows is None or scalar:
            refused[...] = True
        else:
            refused[[r for r in rows if r < a.shape[0]]] = True
    changed = np.asarray(~_same(a, b)) if b is not None else np.ones(a.shape, dtype=bool)
    bad_value = np.asarray(~np.isfinite(a))
    if name in spec.energies:
        bad_value[...] = False
    bad_value &= ~_defined_mask(spec, name, a.shape)
    # a value that came in so and was left alone passes; a NaN does not pass through a scalar the
    # entry owns
    bad_value &= changed | (np.isnan(a) if name in spec.owned else False)
    for what, bad in (("changed by a refused call", refused & changed), ("not finite", ~refused & bad_value)):
        if not bad.any():
            continue
        where = list(zip(*np.nonzero(bad)))
        shown = ", ".join("%s%s = %r (was %s)" % (name, "" if scalar else _slot(idx), a[idx].item(),
                                                 "-" if b is None else repr(b[idx].item()))
                          for idx in where[:3])
        more = " and %d more" % (len(where) - 3) if len(where) > 3 else ""
        problems.append("%s: %s%s" % (what, shown, more))
