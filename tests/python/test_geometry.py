"""Rotations, tensors, point transforms, polygon measures, statistics helpers and the
point-in-shape tests, called from Python."""
import math
from fractions import Fraction

import mpmath
import numpy as np
import pytest
from scipy.spatial.transform import Rotation

import _tolvek as t
from seeding import rng_seed

m = t.math
ip = t.imageprocessing
eh = t.errorhandling
SQUARE = np.array([[0, 0], [1, 0], [1, 1], [0, 1]], dtype=float)  # xypairs(4, 2)


@pytest.fixture
def errstat():
    """Clears the error record around the test; returns a reader of errstat."""
    eh.rsxerr(1)
    yield lambda: int(eh.errstat)
    eh.rsxerr(1)


@pytest.mark.parametrize("seed", range(4))
def test_rotations_against_rotation_vectors(seed):
    rng = np.random.default_rng(rng_seed(seed))
    n = rng.normal(size=3)
    n /= np.linalg.norm(n)
    a = rng.uniform(-math.pi, math.pi)
    r = m.getrotationmatrix(n, a)
    assert np.allclose(r, Rotation.from_rotvec(a * n).as_matrix(), atol=1e-14)
    a2, t4 = rng.normal(size=(3, 3)), rng.normal(size=(3, 3, 3, 3))
    assert np.allclose(m.tensorrotation2nd(a2, a, n), r.T @ a2 @ r, atol=1e-14)
    assert np.allclose(m.tensortransformation2nd(a2, r.T), r.T @ a2 @ r, atol=1e-14)
    assert np.allclose(m.tensorrotation4th(t4, a, n), np.einsum("mi,nj,ok,pl,mnop->ijkl", r, r, r, r, t4))
    assert np.allclose(m.tensormultiplication(t4, a2), np.einsum("ijkl,kl->ij", t4, a2))
    p = rng.normal(size=3)
    assert np.allclose(m.coordinaterotation(n, p, math.degrees(a)), r @ p)


def test_rotation_sense_and_defaults():
    assert np.allclose(m.getrotationmatrix([0, 0, 1], math.pi / 2) @ [1, 0, 0], [0, 1, 0])
    assert np.allclose(m.tensorrotation2nd(np.diag([1.0, 2, 3]), math.pi / 2), np.diag([1, 3, 2]))
    assert np.allclose(m.coordinateprojection([1, 0, 0], [0, 1, 0], [1, 2, 3], r0=[0, 0, 1]), [1, 2, 1])
    assert np.allclose(m.coordinateprojection([1, 0, 0], [0, 1, 0], [1, 2, 3]), [1, 2, 0])
    assert np.array_equal(m.coordinatereflection([1, 0, 0], [0, 1, 0], [1, 2, 3]), [1, 2, -3])
    pn = m.coordinatenormalization(np.array([[0, 10], [5, 20]], float), [0, 1])
    assert np.array_equal(pn, [[0, 0.5], [0.25, 1]])  # one minimum and maximum for both columns


def test_euler_angles():
    assert np.array_equal(m.geteulerrotation(np.eye(3)), [0, 0, 0])
    r = Rotation.from_euler("ZYX", [40, -25, 70], degrees=True).as_matrix()  # phi, theta, psi
    assert np.allclose(m.geteulerrotation(r), [70, -25, 40])


@pytest.mark.parametrize("closed", [False, True])
@pytest.mark.parametrize("reverse", [False, True])
def test_square_area_and_centroid(closed, reverse):
    x, y = [0, 1, 1, 0], [0, 0, 1, 1]
    if reverse:
        x, y = x[::-1], y[::-1]
    if closed:
        x, y = x + x[:1], y + y[:1]
    assert m.shoelacemethod(x, y) == 1.0
    assert np.array_equal(m.getcentroid(x, y), [0.5, 0.5])


def test_polygon_and_ellipse_measures(errstat):
    assert m.shoelacemethod([0, 1], [0, 1]) == 0.0
    assert (m.gettrianglearea(0, 0, 1, 0, 0, 1), m.gettrianglearea(0, 0, 0, 1, 1, 0)) == (0.5, -0.5)
    assert np.allclose(m.getboundingboxfromellipse(2, 1, 90), [1, 2])
    assert np.allclose(m.getparabolacoefficients(np.array([[0, 1], [1, 2], [2, 5]], float)), [1, 0, 1])
    assert np.array_equal(m.getcentroid([0, 1, 2], [0, 1, 2]), [0, 0])  # no area: zeros, reported
    assert errstat() == -2


def test_small_polygons_far_from_the_origin_exact_to_their_own_size():
    # A 0.1 mm triangle and pentagon at (3e4, 2.1e4) mm against exact rationals of the inputs.
    shapes = ([0, 0.1, 0.03], [0, 0.02, 0.09]), ([0.01, 0.12, 0.15, 0.07, -0.02], [-0.01, 0, 0.08, 0.13, 0.06])
    for dx, dy in shapes:
        x, y = [3e4 + v for v in dx], [2.1e4 + v for v in dy]
        for xs, ys in ((x, y), (x[::-1], y[::-1]), (x + x[:1], y + y[:1])):
            X, Y, n = [Fraction(v) for v in xs], [Fraction(v) for v in ys], len(xs)
            f = [X[i] * Y[(i + 1) % n] - X[(i + 1) % n] * Y[i] for i in range(n)]
            area = sum(f) / 2
            c = [sum((P[i] + P[(i + 1) % n]) * f[i] for i in range(n)) / (6 * area) for P in (X, Y)]
            assert abs(m.shoelacemethod(xs, ys) - abs(area)) <= 4e-16 * abs(area)
            assert all(abs(Fraction(g) - r) <= math.ulp(3e4) for g, r in zip(m.getcentroid(xs, ys), c))
            if n == 3:
                signed = m.gettrianglearea(xs[0], ys[0], xs[1], ys[1], xs[2], ys[2])
                assert abs(signed - area) <= 4e-16 * abs(area)


def test_dasinh_within_two_roundings_for_every_finite_argument():
    mags = [*np.logspace(-308, 308, 700), 5e-324, 0.0, 0.9113186827035245, 2.0, 2.0**-28, 2.0**28, 1.79e308]
    with mpmath.workdps(50):
        for x in [s * v for v in mags for s in (1.0, -1.0)]:
            ref = mpmath.asinh(x)
            assert abs(m.dasinh(x) - ref) <= 2 * math.ulp(float(ref)), x


def test_inverse_hyperbolic_functions_within_a_few_roundings_where_well_conditioned():
    """dacosh from 2, datanh for |x| <= 1/2, dacoth for |x| >= 2 over their whole double range (the
    ends, the largest double, subnormals), against 50-digit mpmath; the Fisher transformation is
    datanh. Finite on the rest of each domain; the degenerate arguments give non-finite values."""
    big = 1.7976931348623157e308
    cases = [(m.dacosh, mpmath.acosh, [*np.logspace(math.log10(2), 308, 500), 2.0, 2.0**512, big], 1),
             (m.datanh, mpmath.atanh, [*np.logspace(-320, math.log10(0.5), 500), 5e-324, 2.0**-28, 0.25, 0.5], 3),
             (m.dacoth, lambda x: mpmath.atanh(1 / x), [*np.logspace(math.log10(2), 308, 500), 2.0, 8.0, big], 4)]
    with mpmath.workdps(50):
        for f, ref, xs, ulps in cases:
            for x in xs if f is m.dacosh else [s * v for v in xs for s in (1.0, -1.0)]:
                r = ref(mpmath.mpf(x))
                assert abs(f(x) - r) <= ulps * math.ulp(float(r)), (f, x)
                if f is m.datanh:
                    assert m.fishertransformation(x) == f(x)
    one = 1 + 2.0**-52
    assert all(map(math.isfinite, (m.dacosh(1.0), m.dacosh(one), m.datanh(1 - 2.0**-53), m.dacoth(-one))))
    assert (m.dacosh(math.inf), m.datanh(-1.0), m.dacoth(1.0), m.dacoth(-math.inf)) == (math.inf, -math.inf, math.inf, 0.0)
    for f, x in ((m.dacosh, 0.5), (m.dacosh, -2.0), (m.datanh, 1.5), (m.dacoth, 0.5), (m.dacoth, math.nan)):
        assert math.isnan(f(x)), (f, x)


def test_radius_of_ellipse_lies_on_the_ellipse():
    for a, b in ((3.0, 1.0), (1.0, 3.0), (2.0, 0.5)):
        for phi in (0.0, 30.0, 90.0, 135.0, 200.0):
            r = m.getradiusofellipse(a, b, phi)
            x, y = r * math.cos(math.radians(phi)), r * math.sin(math.radians(phi))
            assert (x / a) ** 2 + (y / b) ** 2 == pytest.approx(1.0, rel=1e-14)
    assert m.getradiusofellipse(3.0, 1.0, 0.0) == pytest.approx(3.0)  # phi from the a axis
    assert m.getradiusofellipse(3.0, 1.0, 90.0) == pytest.approx(1.0)


def test_percentile(errstat):
    assert m.getpercentile([1, 2, 3, 4, 10], 100, 5) == 6
    assert m.getpercentile([1, 2, 3, 4, 10], 50, 5) == 1
    assert m.getpercentile([1, 10, 10], 50, 5) == 6  # a repeated maximum
    assert errstat() == 0
    m.getpercentile([1, 2, 3], 50, 0)
    assert errstat() == -2


def test_scalar_helpers():
    codes = [m.monoticity(x) for x in ([1, 2, 3], [1, 1, 2], [2, 2, 2], [3, 2, 2], [3, 2, 1], [1, 3, 2], [5])]
    assert codes == [2, 1, -1, -1, -2, 0, -2]
    assert (m.droundsf(1.27, 1), m.droundsf(-1.27, 1), m.droundsf(0.123456789123)) == (1.2, -1.2, 0.12345678)
    assert (m.dceil(2.0), m.dceil(-1.5)) == (3.0, 0.0)
    assert m.effectivearclength([0, 0], [2, 0], 1) == pytest.approx(math.pi)
    assert m.effectivearclength([0, 0], [2, 0], 0) == 2
    assert np.array_equal(m.polartransformation([0, 0, 5]), [0, 0, 5])
    assert np.array_equal(m.polartransformation([0, 0, 5], phi0=0.5), [0, 0.5, 5])
    assert m.euclideanangle([0.7, 0.8, 0.1], [0.7, 0.8, 0.1]) == 0  # the cosine rounds above 1
    assert m.rootmeansquareerror([0, 0], [3, 4]) == pytest.approx(math.sqrt(12.5))
    assert m.meanabsoluteerror([0, 0], [3, 4]) == 3.5
    assert m.fishertransformation(0.5) == pytest.approx(math.log(3) / 2)
    assert m.fishertransformation(0.5, 1) == pytest.approx(math.tanh(0.5))
    assert m.pascaltriangle(30, 15) == 155117520


def test_distance_and_unit_vector_scaled_and_angle_accurate_when_small():
    """Regression: the squares overflowed at 1e200 and underflowed at 3e-200 (getunitvector gave
    [inf, inf, nan]); the arccosine of the cosine gave 0 below about 1e-8 rad. Against mpmath at
    50 digits over random vectors of several sizes and scales and angles from 1e-15 to pi: the
    angle to a few roundings of itself and of the unit vectors."""
    rng = np.random.default_rng(rng_seed(64))
    ulp = 2.0**-53
    with mpmath.workdps(50):
        norm = lambda v: mpmath.sqrt(sum(mpmath.mpf(w) ** 2 for w in v))
        for scale in (1e200, 3e-200, 1e-160, 1.0):
            for n in (1, 2, 3, 6):
                x, y = rng.uniform(-1, 1, n) * scale, rng.uniform(-1, 1, n) * scale
                ref = norm([mpmath.mpf(a) - mpmath.mpf(b) for a, b in zip(x, y)])
                assert abs(m.euclideandistance(x, y) / ref - 1) <= 4 * n * ulp
                u, lx = m.getunitvector(x), norm(x)
                assert all(abs(ui - mpmath.mpf(xi) / lx) <= 4 * n * ulp for ui, xi in zip(u, x))
        for n in (2, 3, 5):
            for size in (1e-15, 1e-9, 1e-4, 1.0, 3.1415):
                x, d = rng.uniform(-1, 1, n), rng.uniform(-1, 1, n)
                y = x + size * np.linalg.norm(x) * (d - (d @ x) / (x @ x) * x)  # x turned by about size
                if n == 3 and size > 3:
                    y = -x + 1e-7 * d
                s = 10.0 ** rng.uniform(-200, 200)
                x, y = x * s, y * s
                ux, uy = [mpmath.mpf(v) / norm(x) for v in x], [mpmath.mpf(v) / norm(y) for v in y]
                c = sum(a * b for a, b in zip(ux, uy))
                ref = mpmath.acos(max(-1, min(1, c)))
                assert abs(m.euclideanangle(x, y) - ref) <= 8 * ulp * ref + 2 * ulp, (n, size)
    assert m.euclideanangle([1, 0], [0, 1]) == math.pi / 2
    assert m.euclideanangle([1e-300, 0, 0], [-1e300, 0, 0]) == math.pi
    assert np.array_equal(m.getunitvector([3e-200, 4e-200, 0]), [0.6, 0.8, 0.0])
    assert math.isnan(m.euclideanangle([0.0, 0.0], [1.0, 2.0]))  # a zero vector has no angle


def test_angle_of_proportional_vectors_is_exactly_zero_or_pi():
    """Regression: (1, 2, 3, 4) against (3, 6, 9, 12) gave 1.69e-16, the normalisation's rounding.
    Exactly proportional vectors (checked as rationals) give 0, or pi for a negative multiple,
    in the 3-D and the general form and at the ends of the range; an empty pair has no angle."""
    pairs = [([1, 2, 3, 4], [3, 6, 9, 12]), ([1.0, 2, 3], [3.0, 6, 9]), ([0.1, 0.7, 0.0], [0.4, 2.8, 0.0]),
             ([5e-324, 1e-320, 0], [3 * 5e-324, 3 * 1e-320, 0]), ([1e300, -1.5e300], [2.0**-990, -1.5 * 2.0**-990]),
             ([0.1, 0.2], [2.0**-1000, 2.0**-999]), ([3.0, 1.0, 4.0, 1.0, 5.0], [-6.0, -2.0, -8.0, -2.0, -10.0])]
    for x, y in pairs:
        fx, fy = [Fraction(v) for v in x], [Fraction(v) for v in y]
        k = max(range(len(x)), key=lambda i: abs(fx[i]))
        c = fy[k] / fx[k]
        assert all(b == c * a for a, b in zip(fx, fy)), (x, y)  # the pair is exactly proportional
        assert m.euclideanangle(x, y) == (0.0 if c > 0 else math.pi), (x, y)
        assert m.euclideanangle(y, x) == (0.0 if c > 0 else math.pi), (x, y)
    assert 0 < m.euclideanangle([1.0, 2, 3], [1.0, 2, 3 * (1 + 2**-52)]) < 1e-15  # not proportional
    assert math.isnan(m.euclideanangle([], []))  # no vector, no angle


def test_tables_and_derivatives(errstat):
    rng = np.random.default_rng(rng_seed(3))
    x = np.sort(rng.uniform(0, 5, 20))
    assert m.trapezoidintegration(x, np.sin(x)) == pytest.approx(np.trapz(np.sin(x), x), rel=1e-13)
    assert np.array_equal(m.centralstepderivative([0, 1, 4], [0, 1, 2]), [1, 2, 3])
    dy, dx = rng.normal(size=(3, 4)), rng.uniform(1, 2, 4)
    assert np.allclose(m.gradient(dy, dx), dy / dx)
    xc = np.array([1.0, 2.0]) + 1e-30j
    assert np.allclose(m.complexstepderivative(xc ** 3, xc), [3, 12])
    assert errstat() == 0
    assert m.trapezoidintegration([0, 1, 2], [0, 1]) == 0  # y shorter than x
    assert errstat() == -2


def test_projected_point_in_polygon():
    z = np.zeros(3)
    assert (ip.polygon(1, 0.5, SQUARE[:, 0], SQUARE[:, 1]), ip.polygon(0, 0.5, SQUARE[:, 0], SQUARE[:, 1])) == (0, -1)
    assert ip.projectedpointinpolygon([0.5, 0.5, 0], SQUARE, 0, z, np.eye(3)) == 1
    assert np.allclose(ip.getpointonxyplane([0.5, 0.5, 0], z, np.eye(3), 90), [0.5, -0.5])
    assert ip.projectedpointinpolygon([0.5, 0.5, 0], SQUARE, 90, z, np.eye(3)) == 0
    assert ip.projectedpointinpolygon([0.5, 0.5, 0], np.zeros((0, 2)), 0, z, np.eye(3)) == 0
    yz = np.array([[0, 0, 1], [1, 0, 0], [0, 1, 0]], float)  # columns y, z, x: the y-z plane
    assert ip.projectedpointinpolygon([3, 0.5, 0.25], SQUARE, 0, z, yz) == 1
    assert ip.projectedpointinpolygon([3, 0.5, 0.25], SQUARE, 90, z, yz) == 0


def test_shapes_and_line():
    z, eye = np.zeros(3), np.eye(3)
    assert (ip.ellipse(2, 0, 2, 1), ip.ellipse(3, 1, 2, 1, [1, 1]), ip.rectangle(1, 3, 2, 2)) == (1.0, 1.0, 1.5)
    assert ip.projectedpointinshape([2, 0, 0], 2, 1, 0, z, eye, 1) == 1  # the boundary is inside
    inside = [ip.projectedpointinshape(p, 1, 3, 0, z, eye, sid)
              for p, sid in (([2.9, 0, 0], 0), ([2.9, 0, 0], 1), ([2.9, 2.9, 0], 2), ([1.1, 0, 0], 3))]
    assert inside == [1, 0, 1, 0]  # circle and square of max(a, b), ellipse and rectangle of a, b
    assert ip.line(0.5, 0.5, [0, 0], [1, 0], proximity=0.5) == 2.0


def test_angle_of_proportional_vectors_with_a_zero_entry_or_far_from_one_is_zero():
    """Exactly proportional pairs whose first entries are 0, or whose magnitudes lie far from 1
    (2^660, scaled before the products are compared), give 0, not the normalisation's 1e-16."""
    big = [v * 2.0**660 for v in (1, 2, 3, 4)]
    for x, y in (([0, 1, 2, 3, 4], [0, 3, 6, 9, 12]), (big, [3 * v for v in big]), ([0, 0, 1, 2], [0, 0, 3, 6])):
        assert m.euclideanangle(x, y) == 0.0 and m.euclideanangle(y, x) == 0.0, (x, y)
        assert m.euclideanangle(x, [-v for v in y]) == math.pi, (x, y)
