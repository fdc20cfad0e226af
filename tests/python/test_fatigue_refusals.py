"""The Shokrieh fatigue model from Python refuses what it cannot compute: property sets at a
temperature that is not finite or with a zero modulus, and material-point increments whose
strain or temperature is not finite; the state comes back as it went in."""
import numpy as np

import _tolvek
from error_record import errstat, errtext  # noqa: F401
from error_record import clean_record  # noqa: F401
from test_fatigue import Point, props_std, NAMES, e11

f = _tolvek.fatigue


def test_property_sets_that_would_not_be_finite_are_refused_as_zero():
    props = props_std()
    assert np.all(np.isfinite(np.concatenate([np.ravel(v) for v in f.getshokriehproperties(props, 300.0)])))
    assert errstat() == 0
    zero_e11 = props.copy()
    zero_e11[[0, 74]] = 0.0
    for p, temp in ((props, np.nan), (props, np.inf), (zero_e11, 300.0)):
        sets = dict(zip(NAMES, f.getshokriehproperties(p, temp)))
        assert errstat() == -3, temp
        for name, v in sets.items():
            assert np.all(np.asarray(v) == 0.0), name
        _tolvek.errorhandling.rsxerr(1)


def test_increment_whose_strain_or_temperature_is_not_finite_leaves_the_point():
    p = Point(temp=240.0)
    p.call(e11(1e-3))
    statev, backup, stress = p.statev.copy(), p.backup.copy(), p.stress.copy()
    for dstran, dtemp in ((e11(np.nan), 0.0), (e11(np.inf), 0.0), (e11(1e-4), np.nan)):
        s = p.call(dstran, dtemp=dtemp, advance=False)
        assert errstat() == -3
        assert "not finite" in errtext()
        np.testing.assert_array_equal(p.statev, statev)
        np.testing.assert_array_equal(p.backup, backup)
        np.testing.assert_array_equal(s, stress)
        assert np.all(p.ddsdde == 0.0)
        assert p.statev[44] == 0.0  # no fibre flag from an infinite strain
        _tolvek.errorhandling.rsxerr(1)
        p.statev, p.backup, p.stress = statev.copy(), backup.copy(), stress.copy()
