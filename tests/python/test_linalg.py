"""Dense linear algebra, matrix repair and norms through the Python interface: the documented
examples, property tests against numpy.linalg over random matrices of several sizes, and the
argument checks that keep the routines inside their arrays."""
import itertools
import math
from fractions import Fraction

import mpmath
import numpy as np
import pytest

import _tolvek
from error_record import clean_record, errstat, errtext  # noqa: F401 (autouse fixture)
from seeding import rng_seed

m = _tolvek.math
err = _tolvek.errorhandling
HUGE = np.finfo(float).max
SIZES = [1, 2, 3, 6, 7, 25]


def rng(seed):
    return np.random.default_rng(rng_seed(seed))


def regular(g, n):
    a = g.uniform(-1, 1, (n, n))
    return a + np.diag(np.where(np.arange(n) % 2, -1.0, 1.0) * n)


def spd(g, n):
    b = g.uniform(-1, 1, (n, n))
    return b.T @ b + np.eye(n)


# --- Inverse and determinants -------------------------------------------------------------


@pytest.mark.parametrize("n", SIZES)
def test_inverse_and_determinants_against_numpy(n):
    g = rng(n)
    for _ in range(5):
        a = regular(g, n)
        a0 = a.copy()
        ainv = m.matrixinverse(a)
        np.testing.assert_allclose(ainv, np.linalg.inv(a), rtol=1e-12, atol=1e-14)
        np.testing.assert_allclose(a @ ainv, np.eye(n), atol=1e-12)
        np.testing.assert_array_equal(a, a0)
        np.testing.assert_allclose(m.lufactdeterminant(a), np.linalg.det(a), rtol=1e-12)
        if n <= 6:
            np.testing.assert_allclose(m.determinant(a), np.linalg.det(a), rtol=1e-12)
    assert errstat() == 0


def test_lu_determinant_and_permanent_examples():
    assert m.lufactdeterminant(np.array([[0.0, 1.0], [1.0, 0.0]])) == -1.0
    assert m.lufactdeterminant(np.array([[1.0, 2.0], [2.0, 4.0]])) == 0.0
    assert errstat() == -2
    assert errtext() == "Singularity in LU-factorization computation"
    a = np.array([[1.0, 2.0], [3.0, 4.0]])
    assert m.determinant(a) == -2.0
    assert m.determinant(a, pdflag=1) == 10.0


def test_large_determinant_from_lu_agrees_with_cofactor_expansion():
    # Regression: the n! cofactor expansion took seconds at n = 12 and hung from n = 14.
    g = rng(77)
    for n in range(11, 21):
        a = regular(g, n)
        np.testing.assert_allclose(m.determinant(a), np.linalg.det(a), rtol=1e-11)
    # n = 10 and n = 11 against the Laplace expansion along the first row over their minors.
    a10 = g.uniform(-1, 1, (10, 10))
    np.testing.assert_allclose(m.determinant(a10), m.lufactdeterminant(a10), rtol=1e-11)
    a11 = g.uniform(-1, 1, (11, 11))
    minors = [m.determinant(np.delete(a11[1:], j, axis=1)) for j in range(11)]
    laplace = sum((-1) ** j * a11[0, j] * minors[j] for j in range(11))
    np.testing.assert_allclose(m.determinant(a11), laplace, rtol=1e-11)
    # Singular above the switch: 0 (or rounding noise) and, as for the expansion, no report.
    s = regular(g, 12)
    s[:, 5] = s[:, 2]
    assert abs(m.determinant(s)) <= 1e-13 * np.prod(np.linalg.norm(s, axis=0))  # Hadamard's bound
    assert errstat() == 0
    # The permanent keeps the expansion: the all-ones matrix of order 8 gives 8!.
    assert m.determinant(np.ones((8, 8)), pdflag=1) == math.factorial(8)


def test_determinant_from_order_4_within_a_few_n_eps_kappa():
    """Regression: the cofactor expansion cancels its terms away; Hilbert's matrix of order 8 came
    out as -3.56e-31 (exact 2.74e-33). From order 4 the determinant is taken from LU factors, and
    stays within n eps kappa of the exact rational value; up to order 3 the expansion stays exact."""
    eps = np.finfo(float).eps
    g = rng(64)
    for n in range(4, 11):
        hilbert = np.array([[1.0 / (i + j + 1) for j in range(n)] for i in range(n)])
        for a in (hilbert, g.uniform(-1, 1, (n, n)), regular(g, n) * 1e25, g.uniform(-1, 1, (n, n)) * 1e-28):
            r, exact = [[Fraction(v) for v in row] for row in a], Fraction(1)  # exact elimination
            for i in range(n):
                p = next(k for k in range(i, n) if r[k][i] != 0)
                r[i], r[p], exact = r[p], r[i], exact * (1 if p == i else -1) * r[p][i]
                for k in range(i + 1, n):
                    r[k] = [x - r[k][i] / r[i][i] * y for x, y in zip(r[k], r[i])]
            exact = float(exact)
            bound = n * eps * np.linalg.cond(a) * abs(exact)
            assert abs(m.determinant(a) - exact) <= bound, (n, m.determinant(a), exact)
    assert m.determinant(np.array([[2.0, 1.0, 1.0], [1.0, 3.0, 2.0], [1.0, 0.0, 0.0]])) == -1.0
    assert errstat() == 0


def test_pivot_product_keeps_subnormal_and_extreme_pivots_at_every_order():
    """Regression: pivots multiplied plainly (orders up to 6), or after the running fraction
    (from order 7, and the determinant from order 4), gave inf for diag(1e200, 1e200, 1e-200,
    1e-200) and 0 for diag(1, 1, 1, 5e-324). Diagonal products are checked against rationals
    (exactly where the product is exact, else within its three roundings), padded with ones to
    reach both the unrolled and the LAPACK factorisation."""
    for diag in ([1, 1, 1, 5e-324], [1e300, 1, 1, 5e-324], [0.5, 8.0, 0.75, -5e-324],
                 [1e200, 1e200, 1e-200, 1e-200], [-1e-160, 1e-160, 1e160, 1e160]):
        exact = math.prod(Fraction(v) for v in diag)
        for n in (4, 6, 7, 9):
            a = np.diag(np.concatenate([diag, np.ones(n - 4)]))
            a = a[::-1].copy()  # a row reversal: n // 2 exchanges, each flips the sign
            sign = -1 if (n // 2) % 2 else 1
            for r in (m.lufactdeterminant(a), m.determinant(a)):
                if 5e-324 in np.abs(diag):  # exact products: one rounding into the subnormals
                    assert r == sign * float(exact), (diag, n, r)
                else:
                    assert abs(Fraction(r) - sign * exact) <= 3 * 2.0**-53 * abs(exact), (diag, n, r)
    # a full matrix whose product of pivots leaves the range on the way: within 3 eps kappa
    b = np.array([[2.0, 1.0, 1.0], [1.0, 3.0, 2.0], [1.0, 0.0, 1.0]])
    a = np.diag([1e160, 1e160, 1e-100]) @ b
    exact = math.prod(Fraction(v) for v in (1e160, 1e160, 1e-100)) * 4
    assert abs(Fraction(m.lufactdeterminant(a)) / exact - 1) <= 3 * 2.0**-52 * np.linalg.cond(b)
    assert errstat() == 0


def brute_signed_permanent(a, q):
    """sum over permutations s of q^(inversions of s) prod_i a[i, s(i)]: the value the cofactor
    expansion with sign rule pdflag = q defines (q = -1 determinant, q = 1 permanent)."""
    n = len(a)
    total = 0.0
    for p in itertools.permutations(range(n)):
        inv = sum(1 for i in range(n) for j in range(i + 1, n) if p[i] > p[j])
        total += q ** inv * np.prod([a[i, p[i]] for i in range(n)])
    return total


def test_permanent_and_signed_expansions_are_not_factorial():
    """Regression: every pdflag but -1 ran the n! cofactor expansion (5 s at n = 12, hours at
    16). The expansion now memoises its minors (2^n n) up to n = 20, the permanent beyond that
    follows Ryser's formula up to n = 27, larger sizes are refused."""
    g = rng(9)
    for n in range(1, 7):
        for q in (1, -1, 2, 0, 3, -2):
            a = g.uniform(-1, 2, (n, n))
            np.testing.assert_allclose(m.determinant(a, pdflag=q), brute_signed_permanent(a, q),
                                       rtol=1e-12, atol=1e-12)
        a = g.uniform(-1, 1, (n, n))
        np.testing.assert_allclose(m.determinant(a, pdflag=-1), np.linalg.det(a), rtol=1e-12, atol=1e-14)
    # Known values: per J_n = n!; the q-analogue sum q^inv over S_n = prod_k (1 + q + ... + q^(k-1));
    # pdflag 0 keeps the identity permutation only (the product of the diagonal).
    for n in (10, 14, 18, 20):
        assert m.determinant(np.ones((n, n)), pdflag=1) == math.factorial(n)
    assert m.determinant(np.ones((12, 12)), pdflag=2) == np.prod([2.0**k - 1 for k in range(1, 13)])
    a = g.uniform(1, 2, (16, 16))
    assert m.determinant(a, pdflag=0) == pytest.approx(np.prod(np.diag(a)), rel=1e-14)
    # Beyond the memoised sizes: Ryser's permanent of J_n and of t J_n (= t^n n!), and invariance
    # under row and column permutations; a block-diagonal matrix has the product of its blocks'
    # permanents (each block evaluated by the expansion).
    for n in (21, 23, 24):
        np.testing.assert_allclose(m.determinant(np.ones((n, n)), pdflag=1), float(math.factorial(n)), rtol=1e-9)
    np.testing.assert_allclose(m.determinant(np.full((22, 22), 0.5), pdflag=1), 0.5**22 * float(math.factorial(22)),
                               rtol=1e-9)
    b1, b2 = g.uniform(0.5, 1.5, (11, 11)), g.uniform(0.5, 1.5, (11, 11))
    block = np.zeros((22, 22))
    block[:11, :11], block[11:, 11:] = b1, b2
    rows, cols = g.permutation(22), g.permutation(22)
    np.testing.assert_allclose(m.determinant(block[rows][:, cols], pdflag=1),
                               m.determinant(b1, pdflag=1) * m.determinant(b2, pdflag=1), rtol=1e-8)
    c = g.uniform(0.5, 1.5, (21, 21))
    np.testing.assert_allclose(m.determinant(c[::-1][:, g.permutation(21)], pdflag=1),
                               m.determinant(c, pdflag=1), rtol=1e-10)
    assert errstat() == 0
    # Refused: too large for the method of its sign rule, or a permanent with an infinite entry.
    for a, q in ((np.ones((28, 28)), 1), (np.ones((21, 21)), 2), (np.ones((21, 21)), 0)):
        assert m.determinant(a, pdflag=q) == 0.0
        assert errstat() == -3 and errtext() == "Determinant: matrix too large for the cofactor expansion"
        err.rsxerr(1)
    inf = np.ones((21, 21))
    inf[3, 4] = np.inf
    assert m.determinant(inf, pdflag=1) == 0.0
    assert errstat() == -3 and errtext() == "Determinant: permanent of a matrix with a non-finite entry"
    err.rsxerr(1)
    # The expansion sizes keep infinities as the expansion does: per of [[inf, 1], [1, 1]] is inf.
    assert m.determinant(np.array([[np.inf, 1.0], [1.0, 1.0]]), pdflag=1) == np.inf
    assert errstat() == 0


# --- Eigen, SVD, Cholesky ------------------------------------------------------------------


@pytest.mark.parametrize("n", SIZES)
def test_symmetric_eigen_against_numpy(n):
    g = rng(100 + n)
    s = g.uniform(-1, 1, (n, n))
    s = s + s.T
    w_ref = np.linalg.eigvalsh(s)
    z, w = m.matrixeigenvectors(s)
    np.testing.assert_allclose(w, w_ref, atol=1e-12)
    np.testing.assert_allclose(m.matrixeigenvalues(s), w_ref, atol=1e-12)
    np.testing.assert_allclose(z.T @ z, np.eye(n), atol=1e-12)
    np.testing.assert_allclose(s @ z, z * w, atol=1e-12)


def test_eigenvalues_only_on_request():
    a = np.array([[2.0, 1.0], [1.0, 2.0]])
    ev = np.array([-1.0, 5.0])
    z, out = m.matrixeigenvectors(a, eigvals=ev)
    np.testing.assert_array_equal(out, [-1.0, 5.0])
    np.testing.assert_array_equal(ev, [-1.0, 5.0])  # copied unless overwrite_eigvals
    req = np.array([-1.0, -1.0])
    z, out = m.matrixeigenvectors(a, eigvals=req, overwrite_eigvals=1)
    np.testing.assert_allclose(req, [1.0, 3.0])  # written in place
    assert out is req


@pytest.mark.parametrize("bad", [np.inf, -np.inf, np.nan])
def test_svd_and_eigen_with_a_non_finite_entry_are_refused_not_hung(bad):
    """Regression: dgesvd never returned on an infinite entry (nor on some NaN ones), and the
    eigen-solvers returned NaN with no record. The entries LAPACK reads are checked first."""
    a = np.eye(4)
    a[1, 2] = a[2, 1] = bad
    u, s, v = m.singularvaluedecomposition(a)
    assert not u.any() and not s.any() and not v.any()  # the zeros the factors start from
    assert errstat() == -3 and errtext() == "SingularValueDecomposition: matrix entry is not finite"
    err.rsxerr(1)
    rect = np.ones((2, 3))
    rect[1, 2] = bad
    assert not m.singularvaluedecomposition(rect)[1].any() and errstat() == -3
    err.rsxerr(1)
    assert np.isnan(m.matrixeigenvalues(a)).all()
    assert errstat() == -3 and errtext() == "MatrixEigenvalues: matrix entry is not finite"
    err.rsxerr(1)
    z, w = m.matrixeigenvectors(a)
    assert np.isnan(z).all() and np.isnan(w).all()
    assert errstat() == -3 and errtext() == "MatrixEigenVectors: matrix entry is not finite"
    err.rsxerr(1)
    for norm in (m.spectralnorm(a), m.nuclearnorm(a), m.schattennorm(a, 2.0)):
        assert np.isnan(norm)
    assert errstat() == -3
    err.rsxerr(1)
    # The symmetric solvers read the upper triangle only: a bad entry below it is not seen, and
    # the result is that of the symmetric matrix the upper triangle defines.
    low = np.diag([1.0, 2.0, 3.0])
    low[2, 0] = bad
    np.testing.assert_allclose(m.matrixeigenvalues(low), [1.0, 2.0, 3.0], atol=1e-15)
    assert errstat() == 0


@pytest.mark.parametrize("shape", [(2, 3), (3, 2), (1, 4), (5, 5), (8, 3)])
def test_svd_against_numpy(shape):
    g = rng(sum(shape))
    a = g.uniform(-1, 1, shape)
    u, s, v = m.singularvaluedecomposition(a)
    assert u.shape == (shape[0],) * 2 and s.shape == shape and v.shape == (shape[1],) * 2
    k = min(shape)
    np.testing.assert_allclose(np.diag(s)[:k], np.linalg.svd(a, compute_uv=False), atol=1e-13)
    assert np.count_nonzero(s) <= k
    np.testing.assert_allclose(u @ s @ v, a, atol=1e-13)
    np.testing.assert_allclose(m.spectralnorm(a), np.linalg.norm(a, 2), rtol=1e-13)
    np.testing.assert_allclose(m.nuclearnorm(a), np.linalg.norm(a, "nuc"), rtol=1e-13)


@pytest.mark.parametrize("n", SIZES)
def test_cholesky_against_numpy(n):
    g = rng(200 + n)
    a = spd(g, n)
    c = m.choleskyfactorization(a)
    iu = np.triu_indices(n)
    np.testing.assert_allclose(c[iu], np.linalg.cholesky(a).T[iu], rtol=1e-12, atol=1e-14)
    il = np.tril_indices(n, -1)
    np.testing.assert_array_equal(c[il], a[il])  # the input's strictly lower part


def test_cholesky_examples_and_failure_marker():
    c = m.choleskyfactorization(np.array([[4.0, 2.0], [2.0, 3.0]]))
    np.testing.assert_allclose(c, [[2.0, 1.0], [2.0, math.sqrt(2.0)]])
    c = m.choleskyfactorization(np.array([[1.0, 2.0], [2.0, 1.0]]))
    assert (c == -HUGE).all()


# --- Products ---------------------------------------------------------------------------------


@pytest.mark.parametrize("l,n,k", [(3, 3, 3), (6, 6, 6), (2, 5, 4), (6, 6, 1), (9, 4, 7)])
def test_products_against_numpy(l, n, k):
    g = rng(l * 100 + n * 10 + k)
    a, b = g.uniform(-1, 1, (l, n)), g.uniform(-1, 1, (n, k))
    b[0, 0] = 0.0
    np.testing.assert_allclose(m.matrixproduct(a, b), a @ b, atol=1e-14)
    np.testing.assert_allclose(m.matrixvectorproduct(a, b[:, 0]), a @ b[:, 0], atol=1e-14)
    np.testing.assert_allclose(m.vectormatrixproduct(a[0], b), a[0] @ b, atol=1e-14)
    c = g.uniform(-1, 1, (l, k))
    for sa in "nNtT":
        for sb in "nNtx":
            aa = a if sa in "nN" else np.asfortranarray(a.T)
            bb = b if sb in "nN" else np.asfortranarray(b.T)
            d = m.generalmatrixproduct(1.5, aa, bb, -0.5, c, sa, sb, k=n)
            np.testing.assert_allclose(d, 1.5 * a @ b - 0.5 * c, atol=1e-14)


def test_product_zero_and_nan_rules():
    a = np.array([[1.0, np.nan], [2.0, np.nan]])
    b = np.array([[1.0, 2.0], [0.0, 0.0]])
    assert np.isfinite(m.matrixproduct(a, b)).all()
    np.testing.assert_array_equal(m.hadamarddivision([[1.0, 2.0]], [[0.0, 4.0]]), [[0.0, 0.5]])
    np.testing.assert_array_equal(m.vectorscalarmultiplication([1.0, 1.0], [2.0, 3.0], 2.0), [5, 7])
    np.testing.assert_array_equal(m.vectoramplify([0.0, 2.0], np.inf), [0.0, np.inf])


def test_in_place_habits_follow_overwrite_flag():
    a = np.array([1.0, 2.0])
    out = m.vectorsum(a, [1.0, 1.0])
    np.testing.assert_array_equal(a, [1.0, 2.0])  # copied by default
    np.testing.assert_array_equal(out, [2.0, 3.0])
    out = m.vectorsub(a, [1.0, 1.0], overwrite_a=1)
    assert out is a
    np.testing.assert_array_equal(a, [0.0, 1.0])


def test_small_helpers():
    np.testing.assert_array_equal(m.cumulativeproduct([2.0, 3.0, 4.0]), [2, 6, 24])
    np.testing.assert_array_equal(m.cumulativesum([2.0, 3.0, 4.0], seed=1.0), [3, 6, 10])
    a = np.arange(1.0, 10.0).reshape(3, 3)
    np.testing.assert_array_equal(m.matrixdiagonal(a, 1), [a[0, 1], a[1, 2]])
    np.testing.assert_array_equal(m.matrixdiagonal(a, -2), [a[2, 0]])
    assert m.matrixdiagonal(a, 5).shape == (0,)
    g = rng(3)
    x, y = g.uniform(-1, 1, (2, 3)), g.uniform(-1, 1, (3, 2))
    np.testing.assert_allclose(m.kroneckerproduct(x, y), np.kron(x, y))
    np.testing.assert_allclose(m.crossproduct([1.0, 2, 3], [4.0, 5, 6]), np.cross([1, 2, 3], [4, 5, 6]))
    s = g.uniform(-1, 1, (4, 4))
    s = s + s.T
    packed = s[np.triu_indices(4)]  # upper triangle row by row
    np.testing.assert_allclose(m.lumatrixvectorproduct(packed, x[0, :3].tolist() + [1.0]),
                               s @ np.array(x[0, :3].tolist() + [1.0]), atol=1e-14)


# --- Iterative solvers ----------------------------------------------------------------------


def test_power_iteration_and_conjugate_gradient():
    lam, v = m.poweriteration(np.diag([-3.0, 1.0]))
    assert lam == pytest.approx(-3.0)
    np.testing.assert_allclose(np.abs(v), [1.0, 0.0], atol=1e-9)
    m.poweriteration(np.diag([-3.0, 1.0]), maxiter=1)
    assert errstat() == 0
    x = m.conjucategradient([[4.0, 1.0], [1.0, 3.0]], [1.0, 2.0], [0.0, 0.0])
    np.testing.assert_allclose(x, [1 / 11, 7 / 11], rtol=1e-13)


@pytest.mark.parametrize("n", [3, 6, 10])
def test_iterative_solvers_against_numpy(n):
    a = spd(rng(300 + n), n)
    b = np.arange(1.0, n + 1)
    np.testing.assert_allclose(m.conjucategradient(a, b, np.zeros(n)), np.linalg.solve(a, b),
                               rtol=1e-8)
    lam, v = m.poweriteration(a, maxiter=100000, abstol=1e-13)
    w, z = np.linalg.eigh(a)
    assert lam == pytest.approx(w[-1], rel=1e-9)
    assert abs(v @ z[:, -1]) == pytest.approx(1.0, abs=1e-6)


def test_power_iteration_notes_an_iteration_limit_it_ends_at_unconverged():
    # Leading eigenvalues close or equal in modulus (same or opposite sign): 2000 passes do not
    # converge; the Rayleigh quotient of the mixed vector may be no eigenvalue at all.
    q, _ = np.linalg.qr(rng(61).normal(size=(3, 3)))
    for a in (np.diag([1.0, -0.9999]), np.diag([1.0, 0.99999, 0.5]), q @ np.diag([2.0, -2.0, 1.0]) @ q.T):
        err.rsxerr(1)
        lam, _ = m.poweriteration(a)
        assert (errstat(), errtext()) == (-1, "No convergence in von Mises eigenvalue computation")
        if a.shape == (2, 2):
            assert np.abs(np.linalg.eigvals(a) - lam).min() > 0.5
    # A converged run, one pass, and the exit on a y = 0 stay silent; a negative limit keeps -2.
    g = rng(61)
    a = g.uniform(-1, 1, (5, 5))
    a[0, 0] = 4.0
    for call in (lambda: m.poweriteration(a), lambda: m.poweriteration(np.diag([1.0, -0.9999]), maxiter=1),
                 lambda: m.poweriteration(np.array([[0.0, 1.0], [0.0, 0.0]]), startvec=[1.0, 0.0])):
        err.rsxerr(1)
        call()
        assert errstat() == 0
    err.rsxerr(1)
    m.poweriteration(a, maxiter=-1)
    assert (errstat(), errtext()) == (-2, "No convergence in von Mises eigenvalue computation")


def test_power_iteration_notes_the_limit_exactly_when_the_last_pass_is_above_tolerance():
    # diag(2, 1) from (1, 1): after k passes y = (2^k, 1)/|.|, so the difference norm of pass k
    # halves with k; written out here, it gives the pass P on which a tolerance between the
    # norms of passes P - 1 and P is met.
    y = [np.array([1.0, 1.0]) / np.sqrt(2.0)]
    for k in range(1, 14):
        y.append(np.array([2.0**k, 1.0]) / np.hypot(2.0**k, 1.0))
    nd = [np.linalg.norm(y[k] - y[k - 1]) for k in range(1, 14)]
    a = np.diag([2.0, 1.0])
    for passes in (2, 3, 10):
        tol = np.sqrt(nd[passes - 1] * nd[passes - 2])
        for maxiter, note in ((passes, False), (passes - 1, passes - 1 > 1)):
            err.rsxerr(1)
            m.poweriteration(a, maxiter=maxiter, abstol=tol)
            expect = (-1, "No convergence in von Mises eigenvalue computation") if note else (0, "")
            assert (errstat(), errtext() if note else "") == expect, (passes, maxiter)


# --- Repair, minors, norms ------------------------------------------------------------------


def test_repair_examples():
    bad = np.array([[1.0, 2.0], [2.0, 1.0]])
    np.testing.assert_allclose(m.getprojectedspd(bad), np.full((2, 2), 1.5))
    assert np.linalg.eigvalsh(m.getnearestspd(bad)).min() > 0
    assert (m.choleskyfactorization(m.getnearestspd(bad)) != -HUGE).any()
    assert m.getnearestpdnorm(np.eye(2)) == 0.0
    assert m.ispositivedefinite(np.diag([1.0, 1e-9])) == 0
    assert m.ispositivedefinite(np.diag([1.0, 1e-9]), tolerance=1e-10) == 1


def test_nearest_correlation_matrix():
    c = np.array([[1.0, 0.3, 0.1], [0.3, 1.0, -0.2], [0.1, -0.2, 1.0]])
    r = m.getnearestcorrelationmatrix(c)
    np.testing.assert_allclose(np.diag(r), 1.0, atol=1e-12)
    np.testing.assert_allclose(r, c, atol=1e-10)
    bad = np.array([[1.0, 0.9, -0.9], [0.9, 1.0, 0.9], [-0.9, 0.9, 1.0]])
    r = m.getnearestcorrelationmatrix(bad, maxiter=500)
    assert np.linalg.eigvalsh(r).min() > 0
    np.testing.assert_allclose(np.diag(r), 1.0, atol=1e-6)
    assert errstat() == 0
    # Not converged: zeros, and a report says so.
    np.testing.assert_array_equal(m.getnearestcorrelationmatrix(bad, maxiter=1), np.zeros((3, 3)))
    assert errstat() == -2


def test_first_minor_removes_row_i_and_column_j():
    sm = rng(21).uniform(-1, 1, (4, 4))
    for i in range(1, 5):
        for j in range(1, 5):
            minor = np.delete(np.delete(sm, i - 1, axis=0), j - 1, axis=1)
            assert m.getfirstminor(sm, i, j) == pytest.approx(np.linalg.det(minor), rel=1e-12, abs=1e-14)


def test_minors_and_norms():
    sm = np.array([[1.0, 2, 3], [4, 5, 6], [7, 8, 10]])
    assert m.getfirstminor(sm, 1, 1) == pytest.approx(2.0)
    assert m.getprincipleminor(sm, 3) == pytest.approx(np.linalg.det(sm))
    assert m.getcofactor(3.0, 1, 2) == -3.0
    assert m.trace(sm) == 16.0
    assert m.lpvectornorm([3.0, -4.0], 2.0) == pytest.approx(5.0)
    assert m.lpvectornorm([3.0, -4.0], 1.0) == pytest.approx(7.0)


def test_nearest_spd_of_singular_input_found_with_a_shift_scaled_to_the_matrix():
    """Regression: a shift floor of 2.2e-16 whatever the matrix's size left rank-deficient and
    indefinite matrices singular on every pass (-2 "not found within the pass limit"). The result
    is positive definite (numpy's Cholesky) and within a few eps ||A|| of the nearest positive
    semidefinite matrix, the symmetric part with its negative eigenvalues cut to 0 (numpy)."""
    g = rng(67)
    cases = [np.array([[631.5906827870915, 112.64207993786897], [263.79978755869166, -28.346126019015486]])]
    for n in (3, 5, 8):
        x = g.standard_normal((n - 1, n)) * 10.0 ** g.uniform(-3, 3)
        cases.append(np.cov(x, rowvar=False))  # fewer samples than variables: singular
        a = g.standard_normal((n, n)) * 10.0 ** g.uniform(-3, 3)
        cases.append(a + a.T)
    cases += [g.uniform(-1000, 1000, (2, 2)) for _ in range(40)]
    for a in cases:
        s = (a + a.T) / 2
        lam, v = np.linalg.eigh(s)
        nearest = (v * np.maximum(lam, 0)) @ v.T
        err.rsxerr(1)
        pd = m.getnearestspd(a)
        assert errstat() == 0, a
        np.linalg.cholesky(pd)
        bound = 8 * len(a) * 2.0**-52 * np.linalg.norm(s)
        assert np.linalg.norm(pd - nearest) <= bound, a
        assert abs(m.getnearestpdnorm(s) - np.linalg.norm(s - nearest)) <= bound, a
        assert errstat() == 0, a
    tiny = m.getnearestspd(np.array([[-2e-42]]))[0, 0]  # a shift of the matrix's own size
    assert 0 < tiny <= 4 * 2.0**-52 * 2e-42


def exactly_positive_definite(a):
    """Every pivot of the symmetric elimination in exact rationals is positive (Sylvester)."""
    n = len(a)
    w = [[Fraction(float(a[i][j])) for j in range(n)] for i in range(n)]
    for k in range(n):
        if w[k][k] <= 0:
            return False
        for i in range(k + 1, n):
            f = w[i][k] / w[k][k]
            for j in range(k, n):
                w[i][j] -= f * w[k][j]
    return True


def test_nearest_spd_is_positive_definite_with_a_margin_not_just_factorable():
    """Regression: in 48 of 3,000 draws the result had a non-positive exact eigenvalue, and
    numpy's Cholesky failed on 43: the factor of the repair loop merely succeeded. The rank-1
    [[0.1751, -0.2492], [-0.2492, 0.3548]] came back in its last bits, with exact eigenvalues
    -1.6e-17 and 0.53. Now over 3,000 draws (orders 2 to 6; general, rank-deficient,
    nearly singular and symmetric indefinite matrices, scaled by 1e-30 to 1e30): no report, a
    symmetric result that is exactly positive definite (rational elimination) and that numpy's
    Cholesky accepts, within 32 n eps ||A|| of the nearest semidefinite matrix (numpy): the
    polar-factor form errs by up to about 16 n eps ||A|| where that matrix is small against A
    (as before the change), and the margin's shift adds about 2 (n + 1) eps ||A||."""
    r1 = np.array([[0.1750996873952392, -0.24923451898191995], [-0.24923451898191995, 0.3547570322723371]])
    pd = m.getnearestspd(r1)
    det = Fraction(pd[0, 0]) * Fraction(pd[1, 1]) - Fraction(pd[0, 1]) * Fraction(pd[1, 0])
    assert pd[0, 1] == pd[1, 0] and det > 0 and pd[0, 0] > 0 and errstat() == 0
    g = np.random.default_rng(rng_seed(72))
    for d in range(3000):
        n, kind = int(g.integers(2, 7)), d % 4
        if kind == 0:
            a = g.normal(size=(n, n))
        elif kind == 1:
            v = g.normal(size=(n, int(g.integers(1, n))))
            a = v @ v.T
        elif kind == 2:
            q = np.linalg.qr(g.normal(size=(n, n)))[0]
            a = q @ np.diag(g.normal(size=n) * 10.0 ** g.uniform(-12, 0, n)) @ q.T
        else:
            a = g.normal(size=(n, n))
            a = a + a.T
        a = a * 10.0 ** g.uniform(-30, 30)
        pd = m.getnearestspd(np.asfortranarray(a))
        assert errstat() == 0, a
        assert np.array_equal(pd, pd.T) and exactly_positive_definite(pd), (d, a)
        np.linalg.cholesky(pd)
        s = (a + a.T) / 2
        lam, v = np.linalg.eigh(s)
        nearest = (v * np.maximum(lam, 0)) @ v.T
        assert np.linalg.norm(pd - nearest) <= 32 * n * 2.0**-52 * np.linalg.norm(s), (d, a)


def test_nearest_spd_leaves_a_positive_definite_input_unmoved_by_the_margin():
    """Regression: the margin (n + 1) eps ||A||_F of the repair moved every input whose smallest
    eigenvalue lay below it, positive definite ones too: diag(1e12, 1, 1e-6) came back as
    (1e12 + 0.0011, 1.0011, 0.00111). A symmetric positive definite input is its own nearest SPD
    matrix and comes back to the last bit: diagonals whatever the spread of their entries, and
    D M D (M well conditioned, D spread over 1e-8 to 1e8), whose condition reaches 1e32. The
    polar step alone moved such inputs by its rounding: diag(1e300, 1e-300) to (1e300, 5e-301),
    and the smallest eigenvalue of a D M D by a factor of up to 800."""
    g = rng(74)
    cases = [np.diag([1e8, 1.0, 1e-8]), np.diag([1e12, 1.0, 1e-6]), np.diag([1.0, 5e-324]), np.diag([1e300, 1e-300])]
    for k in range(60):
        n = 2 + k % 5
        cases.append(np.diag(g.permutation(10.0 ** g.uniform(-150, 150, n) * g.uniform(1, 10, n))))
    for a in cases:
        pd = m.getnearestspd(np.asfortranarray(a))
        assert errstat() == 0 and np.array_equal(pd, a), (np.diag(a), np.diag(pd))
        assert m.getnearestpdnorm(np.asfortranarray(a)) == 0.0
    for k in range(60):
        n = 2 + k % 5
        x = g.normal(size=(n, n))
        d = 10.0 ** g.uniform(-8, 8, n)
        a = ((x @ x.T + n * np.eye(n)) * d).T * d
        a = (a + a.T) / 2
        assert exactly_positive_definite(a)
        pd = m.getnearestspd(np.asfortranarray(a))
        assert errstat() == 0 and np.array_equal(pd, a), (a, pd - a)


def test_nearest_spd_of_a_vast_positive_definite_input_does_not_overflow():
    """Regression: the symmetric part (a + a^T)/2 overflowed where an entry and its mirror sum
    beyond the largest double: diag(1e308, 1) came back as inf with the -2 "non-finite entries"
    report. Such inputs that are positive definite come back to the last bit (exact rationals
    confirm they are), with a distance of 0; a vast repair whose polar step overflows keeps that
    report."""
    big = HUGE
    cases = [np.diag([1e308, 1.0]), np.diag([big, 5e-324, big]), np.array([[1.7e308, 1e308], [1e308, 1.7e308]]),
             np.array([[big, -0.9 * big, 0], [-0.9 * big, big, 1.0], [0, 1.0, 2.0]])]
    for a in cases:
        assert exactly_positive_definite(a)
        pd = m.getnearestspd(np.asfortranarray(a))
        assert errstat() == 0 and np.array_equal(pd, a), (a, pd)
        assert m.getnearestpdnorm(np.asfortranarray(a)) == 0.0 and errstat() == 0
    m.getnearestspd(np.full((2, 2), 1e308))
    assert errstat() == -2 and "non-finite entries" in errtext()


def test_nearest_spd_of_a_singular_or_non_symmetric_input_keeps_the_whole_margin():
    """The repair of a singular input accepts a result whose smallest eigenvalue the computed one
    places above the margin (n + 1) eps ||A||_F, and shifts by eps ||A||_F k^2 more on pass k:
    the exact smallest eigenvalue (50 digits) of the result of a rank-1 v v^T, orders 2 to 5,
    scaled by 1e-100 to 1e100, is at least the margin. With a margin of eps ||A||_F the results
    sit at 0.16 to 1.1 of it. A non-symmetric input is a repair too, also where its symmetric part
    is positive definite: D M D + K (K antisymmetric, D spread over 1e-8 to 1e8), whose symmetric
    part has its smallest eigenvalue some 1e-32 of the margin, is lifted to the margin (half of
    it asserted: the first pass may accept a result whose computed eigenvalue, a few eps ||A||
    off the exact one, lies just above the margin)."""
    g = rng(75)
    with mpmath.workdps(50):
        for k in range(160):
            n = 2 + k % 4
            if k < 120:
                v = g.normal(size=n) * 10.0 ** g.uniform(-50, 50)
                a = np.outer(v, v)
            else:
                x, y = g.normal(size=(n, n)), g.normal(size=(n, n))
                d = g.permutation(10.0 ** np.linspace(-8, 8, n)) * g.uniform(1, 2, n)
                a = ((x @ x.T + n * np.eye(n)) * d).T * d + (y - y.T)
            pd = m.getnearestspd(np.asfortranarray(a))
            assert errstat() == 0 and np.array_equal(pd, pd.T), a
            lmin = min(mpmath.eigsy(mpmath.matrix(pd.tolist()))[0])
            s = mpmath.matrix(((a + a.T) / 2).tolist())
            margin = (n + 1) * mpmath.mpf(2) ** -52 * mpmath.mnorm(s, "f")
            assert lmin >= (margin if k < 120 else margin / 2), (a, lmin / margin)


def test_determinant_of_order_2_and_3_neither_overflows_nor_underflows():
    """Regression: diag(-5.979842365664142e273, 2.5371359616706867e-233, 2.2e-308) gave 0 (exact
    -3.3377680844306495e-267) and diag(1.1623934093798777e-204, -9.39298624078908e254,
    8.697134886419893e186) gave -inf. Against the exact determinant in rationals: within 8 eps times the sum of the
    expansion's absolute terms (and the subnormal spacing), inf only where the exact value may
    overflow within it; rows and columns scaled by 1e-150 to 1e150 each. Where every product and sum of the plain expansion (first row, in its order)
    stays in the normal range, the result is that plain expansion to the last bit."""
    cases = [np.diag([-5.979842365664142e273, 2.5371359616706867e-233, 2.2e-308]),
             np.diag([1.1623934093798777e-204, -9.39298624078908e254, 8.697134886419893e186])]
    assert m.determinant(cases[0]) == pytest.approx(-3.3377680844306495e-267, rel=2.0**-51, abs=0)
    assert m.determinant(cases[1]) == pytest.approx(-9.495832181660188e237, rel=4e-16, abs=0)
    g = np.random.default_rng(rng_seed(73))
    tiny, big = 2.0**-1022, np.finfo(float).max
    for k in range(3000):
        n = 2 + k % 2
        a = g.normal(size=(n, n)) * (g.random((n, n)) < 0.85)
        if k % 3:
            a = a * 10.0 ** g.uniform(-150, 150, (n, 1)) * 10.0 ** g.uniform(-150, 150, (1, n))
        if k % 5 == 0:
            a[1] = a[0] * (1 + 2.0**-50)  # nearly dependent rows: cancellation
        fr = [[Fraction(float(v)) for v in row] for row in a]
        perms = list(itertools.permutations(range(n)))
        sign = lambda p: (-1) ** sum(p[i] > p[j] for i in range(n) for j in range(i + 1, n))
        terms = [sign(p) * math.prod(fr[i][p[i]] for i in range(n)) for p in perms]
        exact, size = sum(terms), sum(abs(x) for x in terms)
        got = m.determinant(np.asfortranarray(a))
        bound = 8 * Fraction(2.0**-52) * size + Fraction(2.0**-1074)
        if math.isinf(got):  # only where the exact value, within the bound, lies beyond the doubles
            assert abs(exact) + bound > Fraction(big) and (abs(exact) <= bound or (got < 0) == (exact < 0)), a
            continue
        assert abs(Fraction(got) - exact) <= bound, (a, got)
        # the plain expansion along the first row, as the routine sums it; it stays in the normal
        # range where no product of nonzero factors and no sum leaves it
        ok = [True]

        def mul(x, y):
            p = float(x) * float(y)  # Python floats: no numpy warnings at overflow
            ok[0] &= (p == 0 and (x == 0 or y == 0)) or tiny <= abs(p) <= big
            return p

        def add(x, y):
            v = float(x) + float(y)
            ok[0] &= v == 0 or tiny <= abs(v) <= big
            return v

        if n == 2:
            plain = add(add(0.0, mul(a[0, 0], a[1, 1])), mul(-a[0, 1], a[1, 0]))
        else:
            minor = lambda c1, c2: add(add(0.0, mul(a[1, c1], a[2, c2])), mul(-a[1, c2], a[2, c1]))
            plain = add(add(add(0.0, mul(a[0, 0], minor(1, 2))), mul(-a[0, 1], minor(0, 2))), mul(a[0, 2], minor(0, 1)))
        if ok[0]:
            assert got == plain, a


def test_determinant_adds_terms_hundreds_of_binades_apart_at_the_larger_one():
    """The scaled expansion adds two terms at the larger one's exponent: [[1e200, 1e-200], [1e-200,
    1e100]] is 1e300 (aligned to the smaller exponent, the larger term overflowed to inf). Against
    the exact determinant in rationals, correctly rounded: the small terms lie far below half an
    ulp of the large ones, so the rounded product is the rounded determinant."""
    cases = [[[1e200, 1e-200], [1e-200, 1e100]], [[1e-200, 1e200], [1e100, 1e-200]],
             [[-1e250, 3e-250], [7e-260, 2e50]],
             [[0.0, 1e200, 1e-200], [1e-200, 1e100, 0.0], [1.0, 0.0, 1e-150]],
             [[1e150, 1e-300, 0.0], [1e-300, 1e150, 1e-300], [0.0, 1e-300, 1e-10]]]
    for a in cases:
        fr = [[Fraction(v) for v in row] for row in a]
        n = len(a)
        exact = sum((-1) ** sum(p[i] > p[j] for i in range(n) for j in range(i + 1, n))
                    * math.prod(fr[i][p[i]] for i in range(n)) for p in itertools.permutations(range(n)))
        assert m.determinant(np.asfortranarray(a)) == float(exact), a
    assert m.determinant(np.array([[1e200, 1e-200], [1e-200, 1e100]])) == 1e300


def test_euclidean_lp_norm_neither_overflows_nor_underflows():
    # Regression: the p = 2 norm squared its entries unscaled: [1e200, 1e200] gave inf.
    g = rng(65)
    with mpmath.workdps(50):
        for scale in (1e200, 3e-200, 1e-160, 1e154, 1.0):
            for n in (1, 2, 3, 7):
                x = g.uniform(-1, 1, n) * scale
                ref = mpmath.sqrt(sum(mpmath.mpf(v) ** 2 for v in x))
                assert abs(m.lpvectornorm(x, 2.0) / ref - 1) <= 4 * n * 2.0**-53, (scale, x)
    assert m.lpvectornorm([1e200, 1e200], 2.0) == pytest.approx(math.sqrt(2) * 1e200, rel=1e-15)
    assert m.spectralnorm(np.diag([3.0, -5.0])) == pytest.approx(5.0)
    assert m.nuclearnorm(np.diag([3.0, -5.0])) == pytest.approx(8.0)
    g = rng(9)
    x = g.uniform(-1, 1, (4, 3))
    assert m.matrixnorm(x) == pytest.approx(np.linalg.norm(x))
    assert m.schattennorm(x, 2.0) == pytest.approx(np.linalg.norm(x))
    np.testing.assert_array_equal(m.gethouseholdertransformationmatrix([0.0, 1.0]), np.diag([1.0, -1.0]))
    assert m.vectormodalassurancecriterion([1.0, 2, 3], [2.0, 4, 6]) == pytest.approx(1.0)
    assert m.vectormodalassurancecriterion([1.0, 0, 0], [0.0, 1, 0]) == 0.0
    s = np.array([[2.0, 1, 0], [1, 3, 1], [0, 1, 4]])
    np.testing.assert_allclose(m.matrixmodalassurancecriterion(s, s), np.eye(3), atol=1e-13)



def test_p_norm_scale_reads_every_entry():
    """The scaled sum of powers divides by the largest entry wherever it stands, the first
    included: [1e100, 1] with p = 7 is 1e100 (an unscaled entry would overflow to inf)."""
    with mpmath.workdps(50):
        for x in ([1e100, 1.0], [1.0, 1e100], [3e-120, 1e-300, 2e-120]):
            for p in (7.0, 2.5):
                ref = sum(abs(mpmath.mpf(v)) ** p for v in x) ** (1 / mpmath.mpf(p))
                assert m.lpvectornorm(x, p) == pytest.approx(float(ref), rel=2e-13, abs=0), (x, p)


def test_p_norms_and_projection_neither_overflow_nor_underflow():
    """Regression: the p-norms summed |x|^p unscaled (1e100 entries gave inf for p = 7, 1e-60
    entries lost 2 % to the subnormal range for p = 6), and the projection squared b unscaled."""
    g = rng(66)
    with mpmath.workdps(50):
        for p in (0.5, 1.5, 2.0, 3.0, 7.0):
            for scale in (1e250, 1e100, 1e-60, 3e-200, 1.0):
                x = g.uniform(-1, 1, 6) * scale
                ref = sum(abs(mpmath.mpf(v)) ** mpmath.mpf(p) for v in x) ** (1 / mpmath.mpf(p))
                for r in (m.lpvectornorm(x, p), m.lpmatrixnorm(x.reshape(2, 3), p),
                          m.schattennorm(np.diag(x), p)):
                    # the root of a sum far from 1 carries the rounding of 1/p times ln(sum)
                    assert abs(r / ref - 1) <= 2e-13, (p, scale, r)
        for scale in (1e200, 3e-200, 1.0):
            a, b = g.uniform(-1, 1, 3), g.uniform(-1, 1, 3) * scale
            bm = [mpmath.mpf(v) for v in b]
            ref = mpmath.fsum(mpmath.mpf(u) * v for u, v in zip(a, bm)) / mpmath.sqrt(mpmath.fsum(v * v for v in bm))
            assert m.scalarprojection(a, b) == pytest.approx(float(ref), rel=1e-14)


# --- Argument checks keep the routines inside their arrays ---------------------------------


@pytest.mark.parametrize("call", [
    lambda: m.matrixinverse(np.ones((4, 3))),
    lambda: m.choleskyfactorization(np.ones((2, 3))),
    lambda: m.matrixeigenvectors(np.eye(3), eigvals=np.ones(2)),
    lambda: m.generalmatrixproduct(1.0, np.ones((2, 2)), np.ones((2, 2)), 0.0, np.ones((2, 2)), "n", "n", k=3),
    lambda: m.lumatrixvectorproduct(np.ones(5), np.ones(3)),
    lambda: m.matrixproduct(np.ones((2, 3)), np.ones((2, 2))),
    lambda: m.getfirstminor(np.ones((3, 2)), 1, 1),
    lambda: m.matrixinverse(np.ones((3, 3)), n=4),
])
def test_mismatched_extents_raise(call):
    with pytest.raises((_tolvek.error, ValueError)):
        call()
