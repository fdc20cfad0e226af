// Python entry points of the array helpers (namespace `utility`): construction, copy and fill;
// search, ordering, sets and logicals; the process arrival register.
#include "engine/bind.h"

#include "core/arrays.h"
#include "core/search.h"

// --- Copies -----------------------------------------------------------------------------------
TVK_ROUTINE(utility, real_vectorcopy, fVectorCopy, "a:f8(n) b:f8(n):out n:i4");
TVK_ROUTINE(utility, int_vectorcopy, iVectorCopy, "a:i4(n) b:i4(n):out n:i4");
TVK_ROUTINE(utility, cmplx_vectorcopy, cVectorCopy, "a:c16(n) b:c16(n):out n:i4");
TVK_ROUTINE(utility, matrixcopy, MatrixCopy, "a:f8(n,m) b:f8(n,m):out n:i4 m:i4");
TVK_ROUTINE(utility, getunpackedmatrixfromlist, GetUnpackedMatrixFromList,
            "matrix:f8(n,m):out list:f8(max(n,0)*max(m,0)) n:i4 m:i4");

// --- Fills of whole arrays: the array's own extents are passed along, hidden -----------------------
TVK_ROUTINE(utility, real_fillvectorwithscalar, real_fillvectorwithscalar,
            "a:f8(n1):io+copy n1:i4:hide lambda:f8");
TVK_ROUTINE(utility, real_fillmatrixwithscalar, real_fillmatrixwithscalar,
            "a:f8(n1,n2):io+copy n1:i4:hide n2:i4:hide lambda:f8");
TVK_ROUTINE(utility, real_fill3darraywithscalar, real_fill3darraywithscalar,
            "a:f8(n1,n2,n3):io+copy n1:i4:hide n2:i4:hide n3:i4:hide lambda:f8");
TVK_ROUTINE(utility, real_fill4darraywithscalar, real_fill4darraywithscalar,
            "a:f8(n1,n2,n3,n4):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide lambda:f8");
TVK_ROUTINE(utility, real_fill5darraywithscalar, real_fill5darraywithscalar,
            "a:f8(n1,n2,n3,n4,n5):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide n5:i4:hide "
            "lambda:f8");
TVK_ROUTINE(utility, real_fill6darraywithscalar, real_fill6darraywithscalar,
            "a:f8(n1,n2,n3,n4,n5,n6):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide n5:i4:hide "
            "n6:i4:hide lambda:f8");
TVK_ROUTINE(utility, real_fill7darraywithscalar, real_fill7darraywithscalar,
            "a:f8(n1,n2,n3,n4,n5,n6,n7):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide "
            "n5:i4:hide n6:i4:hide n7:i4:hide lambda:f8");
TVK_ROUTINE(utility, int_fillvectorwithscalar, int_fillvectorwithscalar,
            "a:i4(n1):io+copy n1:i4:hide lambda:i4");
TVK_ROUTINE(utility, int_fillmatrixwithscalar, int_fillmatrixwithscalar,
            "a:i4(n1,n2):io+copy n1:i4:hide n2:i4:hide lambda:i4");
TVK_ROUTINE(utility, int_fill3darraywithscalar, int_fill3darraywithscalar,
            "a:i4(n1,n2,n3):io+copy n1:i4:hide n2:i4:hide n3:i4:hide lambda:i4");
TVK_ROUTINE(utility, int_fill4darraywithscalar, int_fill4darraywithscalar,
            "a:i4(n1,n2,n3,n4):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide lambda:i4");
TVK_ROUTINE(utility, int_fill5darraywithscalar, int_fill5darraywithscalar,
            "a:i4(n1,n2,n3,n4,n5):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide n5:i4:hide "
            "lambda:i4");
TVK_ROUTINE(utility, int_fill6darraywithscalar, int_fill6darraywithscalar,
            "a:i4(n1,n2,n3,n4,n5,n6):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide n5:i4:hide "
            "n6:i4:hide lambda:i4");
TVK_ROUTINE(utility, int_fill7darraywithscalar, int_fill7darraywithscalar,
            "a:i4(n1,n2,n3,n4,n5,n6,n7):io+copy n1:i4:hide n2:i4:hide n3:i4:hide n4:i4:hide "
            "n5:i4:hide n6:i4:hide n7:i4:hide lambda:i4");

// --- Zeroing -------------------------------------------------------------------------------------------
TVK_ROUTINE(utility, inivectorwithzeros, IniVectorwithZeros, "a:f8(n):out n:i4");
TVK_ROUTINE(utility, inimatrixwithzeros, IniMatrixwithZeros, "a:f8(n,m):out n:i4 m:i4");
TVK_ROUTINE(utility, ini3darraywithzeros, Ini3DArraywithZeros, "a:f8(l,m,n):out l:i4 m:i4 n:i4");
TVK_ROUTINE(utility, ini4darraywithzeros, Ini4DArraywithZeros,
            "a:f8(l,m,n,o):out l:i4 m:i4 n:i4 o:i4");
TVK_ROUTINE(utility, ini5darraywithzeros, Ini5DArraywithZeros,
            "a:f8(l,m,n,o,p):out l:i4 m:i4 n:i4 o:i4 p:i4");
TVK_ROUTINE(utility, ini6darraywithzeros, Ini6DArraywithZeros,
            "a:f8(l,m,n,o,p,q):out l:i4 m:i4 n:i4 o:i4 p:i4 q:i4");
TVK_ROUTINE(utility, inimaxdarraywithzeros, IniMaxDArraywithZeros,
            "a:f8(l,m,n,o,p,q,r):out l:i4 m:i4 n:i4 o:i4 p:i4 q:i4 r:i4");

// --- Standard matrices and vectors ---------------------------------------------------------------------
TVK_ROUTINE(utility, getidentitymatrix, GetIdentityMatrix, "a:f8(n,n):out n:i4");
TVK_ROUTINE(utility, getscalarmatrix, GetScalarMatrix, "a:f8(n,n):out n:i4 lambda:f8");
TVK_ROUTINE(utility, geteyematrix, GetEyeMatrix, "a:f8(n,n):out k:i4:opt=0 n:i4");
TVK_ROUTINE(utility, getindexvector, GetIndexVector, "a:i4(n):out n:i4");
TVK_ROUTINE(utility, linspace, Linspace, "x:f8(n):out a:f8 b:f8 n:i4 endpoint:l4:opt=1");

// --- Triangles -----------------------------------------------------------------------------------------
TVK_ROUTINE(utility, gettriangularmatrix, GetTriangularMatrix,
            "lu:f8(n,n):out a:f8(n,n) n:i4 luflag:l4:opt=0");
TVK_ROUTINE(utility, symmetrize, Symmetrize, "lu:f8(n,n) sym:f8(n,n):out n:i4");
// packed must hold a whole triangle of nlu(nlu + 1)/2 values.
TVK_ROUTINE(utility, getunpackedtriangle, GetUnpackedTriangle,
            "lu:f8(nlu,nlu):out packed:f8(np) nlu:i4 np:i4:check(np>=max(nlu,0)*(nlu+1)/2) order:s1 "
            "upper:l4:opt=0");
TVK_ROUTINE(utility, fillmatrixoffdiagonals, FillMatrixOffDiagonals,
            "a:f8(n,n):io+copy x:f8(k) n:i4 k:i4");

// --- Concatenation, splitting, windows, flips ------------------------------------------------------------
TVK_ROUTINE(utility, matrixconcatenation, MatrixConcatenation,
            "a:f8(k,l) b:f8(m,n) ab:f8(k+ctype*m,l+(1-ctype)*n):out ctype:i4 k:i4 l:i4 m:i4 n:i4");
// A split count below 1 gives an empty result.
TVK_ROUTINE(utility, vectorsplit, VectorSplit,
            "a:f8(n) b:f8((k>=1)*(n/max(k,1)),k):out k:i4 n:i4");
TVK_ROUTINE(utility, matrixsplit, MatrixSplit,
            "a:f8(l,m) b:f8((k>=1)*(l/max(k,1)),m,k):out k:i4 l:i4 m:i4");
TVK_ROUTINE(utility, getsubarray, GetSubArray,
            "subarray:f8(nsub):out subslice:i4(2):out array:f8(narray) narray:i4 nsub:i4 tail:l4:opt=1");
TVK_ROUTINE(utility, vectorflip, VectorFlip, "a:f8(n) b:f8(n):out n:i4");
TVK_ROUTINE(utility, matrixflip, MatrixFlip, "a:f8(n,m) b:f8(n,m):out n:i4 m:i4 dimflag:i4");
TVK_ROUTINE(utility, getpackedlist, GetPackedList,
            "packed:f8(npack):out list:f8(nlist) condition:f8 padding:f8 cflag:i4 npack:i4 nlist:i4");

// --- Searches --------------------------------------------------------------------------------------------
TVK_ROUTINE(utility, int_findlocation, iFindLocation,
            "int_findlocation:i4:ret element:i4 array:i4(ndim) ndim:i4 notfound:i4:opt=-1");
TVK_ROUTINE(utility, real_findlocation, fFindLocation,
            "real_findlocation:i4:ret element:f8 array:f8(ndim) ndim:i4 notfound:i4:opt=-1");
TVK_ROUTINE(utility, cmplx_findlocation, cFindLocation,
            "cmplx_findlocation:i4:ret element:c16 array:c16(ndim) ndim:i4 notfound:i4:opt=-1");
TVK_ROUTINE(utility, int_findsubarray, iFindSubArray,
            "int_findsubarray:i4:ret subarray:i4(sdim) array:i4(ndim) sdim:i4 ndim:i4 notfound:i4:opt=-1");
TVK_ROUTINE(utility, real_findsubarray, fFindSubArray,
            "real_findsubarray:i4:ret subarray:f8(sdim) array:f8(ndim) sdim:i4 ndim:i4 notfound:i4:opt=-1");
TVK_ROUTINE(utility, cmplx_findsubarray, cFindSubArray,
            "cmplx_findsubarray:i4:ret subarray:c16(sdim) array:c16(ndim) sdim:i4 ndim:i4 "
            "notfound:i4:opt=-1");

// --- Pairing and exclusion ---------------------------------------------------------------------------------
TVK_ROUTINE(utility, int_getpairs, iGetPairs, "ainb:i4(n):out a:i4(n) b:i4(n) n:i4");
TVK_ROUTINE(utility, real_getpairs, fGetPairs, "ainb:i4(n):out a:f8(n) b:f8(n) n:i4");
TVK_ROUTINE(utility, getindicesexcludingsubarray, GetIndicesExcludingSubArray,
            "indices:i4(n):out a:i4(n) sub:i4(nsub) n:i4 nsub:i4");

// --- Membership: the count is a required argument, the list holds exactly that many values ----------------
TVK_ROUTINE(utility, int_inlist, iInList, "int_inlist:l1:ret scalar:i4 list:i4(max(n,0)) n:i4");
TVK_ROUTINE(utility, real_inlist, fInList, "real_inlist:l1:ret scalar:f8 list:f8(max(n,0)) n:i4");
TVK_ROUTINE(utility, int_exlist, iExList, "int_exlist:l1:ret scalar:i4 list:i4(max(n,0)) n:i4");
TVK_ROUTINE(utility, real_exlist, fExList, "real_exlist:l1:ret scalar:f8 list:f8(max(n,0)) n:i4");

// --- Union, ordering, scatter ------------------------------------------------------------------------------
TVK_ROUTINE(utility, real_getmerged, fGetMerged,
            "merged:f8(max(nx,0)+max(ny,0)):out x:f8(nx) y:f8(ny) nx:i4 ny:i4 defval:f8:opt=1.7976931348623157e308");
TVK_ROUTINE(utility, int_getmerged, iGetMerged,
            "merged:i4(max(nx,0)+max(ny,0)):out x:i4(nx) y:i4(ny) nx:i4 ny:i4 defval:i4:opt=2147483647");
TVK_ROUTINE(utility, real_getcontinuous, fGetContinuous,
            "xarr:f8(xdim) xdim:i4 iloc:i4(xdim):out sflag:i4");
TVK_ROUTINE(utility, int_getcontinuous, iGetContinuous,
            "xarr:i4(xdim) xdim:i4 iloc:i4(xdim):out sflag:i4");
TVK_ROUTINE(utility, vectorsort, VectorSort,
            "a:f8(na):io+copy na:i4:hide b:f8(n) mask:i4(n) n:i4");
TVK_ROUTINE(utility, matrixsort, MatrixSort,
            "a:f8(ma,na):io+copy ma:i4:hide na:i4:hide b:f8(m,n) mask:i4(n) m:i4 n:i4");

// --- Scalars and logicals ------------------------------------------------------------------------------------
TVK_ROUTINE(utility, int_bounded, iBounded, "int_bounded:l1:ret x:i4 xlow:i4 xup:i4");
TVK_ROUTINE(utility, real_bounded, fBounded, "real_bounded:l1:ret x:f8 xlow:f8 xup:f8");
TVK_ROUTINE(utility, int_swap, iSwap, "a:i4:io b:i4:io");
TVK_ROUTINE(utility, real_swap, fSwap, "a:f8:io b:f8:io");
TVK_ROUTINE(utility, cmplx_swap, cSwap, "a:c16:io b:c16:io");
TVK_ROUTINE(utility, int_inc, iINC, "i:i4:io step:i4:opt=1");
TVK_ROUTINE(utility, real_inc, fINC, "f:f8:io step:f8:opt=1.0");
TVK_ROUTINE(utility, logical_xor, lXOR, "logical_xor:l1:ret a:l1 b:l1");
TVK_ROUTINE(utility, logical_nor, lNOR, "logical_nor:l1:ret a:l1 b:l1");
TVK_ROUTINE(utility, logical_nand, lNAND, "logical_nand:l1:ret a:l1 b:l1");

// --- Arrival register ------------------------------------------------------------------------------------------
TVK_ROUTINE(utility, processlock, ProcessLock, "processlock:l1:ret procid:i4 maxid:i4 wflag:l1:opt=0");
TVK_ROUTINE(utility, processunlock, ProcessUnLock, "ierror:i4:out");
