// Python binding of the dense linear algebra, matrix repair and norm routines (namespace math).
//
// The general product takes its operands with free extents (either orientation, as sa and sb
// say) and checks that they hold at least the m*k and k*n values the product reads; the packed
// symmetric product checks that the packed vector holds n(n+1)/2 values.
#include "engine/bind.h"

#include "core/linalg.h"
#include "core/matrix_repair.h"

// --- LAPACK wrappers -------------------------------------------------------------------------
TVK_ROUTINE(math, matrixinverse, MatrixInverse,
            "a:f8(n,n) ainv:f8(n,n):out n:i4");
TVK_ROUTINE(math, lufactdeterminant, LUFactDeterminant,
            "lud:f8:out a:f8(n,n) n:i4");
TVK_ROUTINE(math, determinant, Determinant,
            "pd:f8:out a:f8(n,n) n:i4 pdflag:i4:opt=-1");
TVK_ROUTINE(math, matrixeigenvectors, MatrixEigenVectors,
            "a:f8(n,n) z:f8(n,n):out n:i4 eigvals:f8(n):io+copy:opt=-1.0");
TVK_ROUTINE(math, matrixeigenvalues, MatrixEigenvalues,
            "a:f8(n,n) d:f8(n):out n:i4");
TVK_ROUTINE(math, singularvaluedecomposition, SingularValueDecomposition,
            "a:f8(m,n) u:f8(m,m):out s:f8(m,n):out v:f8(n,n):out m:i4 n:i4");
TVK_ROUTINE(math, choleskyfactorization, CholeskyFactorization,
            "a:f8(n,n) c:f8(n,n):out n:i4");
TVK_ROUTINE(math, generalmatrixproduct, GeneralMatrixProduct,
            "d:f8(m,n):out alpha:f8 a:f8(shape(a,0),shape(a,1)) b:f8(shape(b,0),shape(b,1)) "
            "beta:f8 c:f8(m,n) m:i4 n:i4 "
            "k:i4:opt=size(a)/max(m,1):check(k>=0):check(size(a)>=m*k):check(size(b)>=k*n) "
            "sa:s1 sb:s1");

// --- Iterative solvers -----------------------------------------------------------------------
TVK_ROUTINE(math, poweriteration, PowerIteration,
            "eigenval:f8:out eigenvec:f8(n):out a:f8(n,n) n:i4 "
            "maxiter:i4:opt=2000 startvec:f8(n):opt=1.0 abstol:f8:opt=1e-10");
// The name is spelled as the library has always exported it.
TVK_ROUTINE(math, conjucategradient, ConjugateGradient,
            "xgrad:f8(m):out a:f8(n,m) b:f8(m) x0:f8(m) n:i4 m:i4");

// --- Products --------------------------------------------------------------------------------
TVK_ROUTINE(math, matrixproduct, MatrixProduct, "a:f8(l,n) b:f8(n,m) c:f8(l,m):out l:i4 n:i4 m:i4");
TVK_ROUTINE(math, matrixvectorproduct, MatrixVectorProduct, "a:f8(n,m) b:f8(m) c:f8(n):out n:i4 m:i4");
TVK_ROUTINE(math, vectormatrixproduct, VectorMatrixProduct, "a:f8(m) b:f8(m,n) c:f8(n):out n:i4 m:i4");
TVK_ROUTINE(math, lumatrixvectorproduct, LUMatrixVectorProduct,
            "a:f8(m) b:f8(n) c:f8(n):out m:i4 n:i4:check(m>=n*(n+1)/2)");
TVK_ROUTINE(math, hadamardproduct, HadamardProduct, "a:f8(l,n) b:f8(l,n) c:f8(l,n):out l:i4 n:i4");
TVK_ROUTINE(math, hadamarddivision, HadamardDivision, "a:f8(l,n) b:f8(l,n) c:f8(l,n):out l:i4 n:i4");
TVK_ROUTINE(math, kroneckerproduct, KroneckerProduct,
            "a:f8(ma,na) b:f8(pb,qb) ab:f8(max(ma,0)*max(pb,0),max(na,0)*max(qb,0)):out ma:i4 na:i4 pb:i4 qb:i4");
TVK_ROUTINE(math, dyadenproduct, DyadenProduct, "a:f8(m) b:f8(n) c:f8(m,n):out m:i4 n:i4");
TVK_ROUTINE(math, dotproduct, DotProduct, "a:f8(l) b:f8(l) c:f8:out l:i4");
TVK_ROUTINE(math, crossproduct, CrossProduct, "a:f8(3) b:f8(3) c:f8(3):out");
TVK_ROUTINE(math, scalartripleproduct, ScalarTripleProduct, "a:f8(3) b:f8(3) c:f8(3) d:f8:out");
TVK_ROUTINE(math, vectortripleproduct, VectorTripleProduct, "a:f8(3) b:f8(3) c:f8(3) d:f8(3):out");

// --- In-place sums, differences, scaling, accumulation ---------------------------------------
TVK_ROUTINE(math, vectorsum, VectorSum, "a:f8(n):io+copy b:f8(n) n:i4");
TVK_ROUTINE(math, vectorsub, VectorSub, "a:f8(n):io+copy b:f8(n) n:i4");
TVK_ROUTINE(math, matrixsum, MatrixSum, "a:f8(n,m):io+copy b:f8(n,m) n:i4 m:i4");
TVK_ROUTINE(math, matrixsub, MatrixSub, "a:f8(n,m):io+copy b:f8(n,m) n:i4 m:i4");
TVK_ROUTINE(math, vectoramplify, VectorAmplify, "a:f8(n):io+copy c:f8 n:i4");
TVK_ROUTINE(math, matrixamplify, MatrixAmplify, "a:f8(n,m):io+copy c:f8 n:i4 m:i4");
TVK_ROUTINE(math, vectorscalarmultiplication, VectorScalarMultiplication,
            "a:f8(n):io+copy b:f8(n) c:f8 n:i4");
TVK_ROUTINE(math, matrixscalarmultiplication, MatrixScalarMultiplication,
            "a:f8(n,m):io+copy b:f8(n,m) c:f8 n:i4 m:i4");
TVK_ROUTINE(math, matrixshrinkage, MatrixShrinkage,
            "a:f8(n,m) b:f8(n,m) c:f8(n,m):out alpha:f8 n:i4 m:i4");

// --- Rearrangements and running sums ---------------------------------------------------------
TVK_ROUTINE(math, matrixsymmetrize, MatrixSymmetrize,
            "a:f8(n,n) sym:f8(n,n):out n:i4");
TVK_ROUTINE(math, matrixtranspose, MatrixTranspose, "a:f8(n,m) b:f8(m,n):out n:i4 m:i4");
TVK_ROUTINE(math, matrixdiagonal, MatrixDiagonal,
            "diag:f8(max(n-abs(k),0)):out a:f8(n,n) k:i4 n:i4");
TVK_ROUTINE(math, cumulativesum, CumulativeSum, "csum:f8(n):out a:f8(n) n:i4 seed:f8:opt=0.0");
TVK_ROUTINE(math, cumulativeproduct, CumulativeProduct,
            "cprod:f8(n):out a:f8(n) n:i4 seed:f8:opt=1.0");

// --- Matrix repair ---------------------------------------------------------------------------
TVK_ROUTINE(math, getprojectedspd, GetProjectedSPD,
            "ppd:f8(n,n):out a:f8(n,n) n:i4");
TVK_ROUTINE(math, getnearestspd, GetNearestSPD, "pd:f8(n,n):out a:f8(n,n) n:i4");
TVK_ROUTINE(math, getnearestcorrelationmatrix, GetNearestCorrelationMatrix,
            "corr:f8(n,n):out a:f8(n,n) n:i4 weights:f8(n):opt=-1.0 "
            "tol:f8:opt=-1.0 maxiter:i4:opt=100 cflag:i4:opt=0");
TVK_ROUTINE(math, getnearestpdnorm, GetNearestPDNorm,
            "getnearestpdnorm:f8:ret x:f8(n,n) n:i4");
TVK_ROUTINE(math, ispositivedefinite, IsPositiveDefinite,
            "ispositivedefinite:l4:ret x:f8(n,n) n:i4 tolerance:f8:opt=1e-08");

// --- Minors, cofactor, trace ------------------------------------------------------------------
TVK_ROUTINE(math, getprincipleminor, GetPrincipleMinor,
            "getprincipleminor:f8:ret sm:f8(k,k) i:i4 k:i4");
TVK_ROUTINE(math, getfirstminor, GetFirstMinor,
            "getfirstminor:f8:ret sm:f8(k,k) i:i4 j:i4 k:i4");
TVK_ROUTINE(math, getcofactor, GetCofactor, "getcofactor:f8:ret mij:f8 i:i4 j:i4");
TVK_ROUTINE(math, trace, Trace, "trace:f8:ret x:f8(n,n) n:i4");

// --- Norms ------------------------------------------------------------------------------------
TVK_ROUTINE(math, vectornorm, VectorNorm, "vectornorm:f8:ret x:f8(n) n:i4");
TVK_ROUTINE(math, matrixnorm, MatrixNorm, "matrixnorm:f8:ret x:f8(n,m) n:i4 m:i4");
TVK_ROUTINE(math, lpvectornorm, LpVectorNorm, "lpvectornorm:f8:ret x:f8(n) p:f8 n:i4");
TVK_ROUTINE(math, lpmatrixnorm, LpMatrixNorm, "lpmatrixnorm:f8:ret x:f8(n,m) p:f8 n:i4 m:i4");
TVK_ROUTINE(math, spectralnorm, SpectralNorm, "spectralnorm:f8:ret x:f8(m,n) m:i4 n:i4");
TVK_ROUTINE(math, nuclearnorm, NuclearNorm, "nuclearnorm:f8:ret x:f8(m,n) m:i4 n:i4");
TVK_ROUTINE(math, schattennorm, SchattenNorm, "schattennorm:f8:ret x:f8(m,n) p:f8 m:i4 n:i4");

// --- Householder matrix and modal assurance criterion ----------------------------------------
TVK_ROUTINE(math, gethouseholdertransformationmatrix, GetHouseHolderTransformationMatrix,
            "thouse:f8(n,n):out v:f8(n) n:i4");
TVK_ROUTINE(math, vectormodalassurancecriterion, VectorModalAssuranceCriterion,
            "vectormodalassurancecriterion:f8:ret a:f8(n) b:f8(n) n:i4");
TVK_ROUTINE(math, matrixmodalassurancecriterion, MatrixModalAssuranceCriterion,
            "xs:f8(n,n) ys:f8(n,n) mac:f8(n,n):out n:i4");
