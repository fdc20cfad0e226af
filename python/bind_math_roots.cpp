// Python bindings of the scalar solvers of `math`: root finders, golden-section search, cubic
// roots, polynomial fit and the arc-length integrand.
#include "engine/bind.h"

#include "core/roots.h"

// dfunc(x,args,[na]) returns (f, df) (a single number sets f only); fpsafe's dfunc(fargs,[na])
// returns xnew. Both also receive nfun (before na) when they take that many arguments.
TVK_CALLBACK(bdsafe_dfunc, "f:f8:out df:f8:out x:f8 args:f8(na) na:i4 nfun:i4");
TVK_CALLBACK(fpsafe_dfunc, "xnew:f8:out fargs:f8(na) na:i4 nfun:i4");

// root,istat = bdsafe(dfunc,x1,x2,args,xacc,maxit,nfun,[na,dfunc_extra_args])
TVK_ROUTINE(math, bdsafe, tvk::bdsafe,
            "dfunc:cb(bdsafe_dfunc) x1:f8 x2:f8 root:f8:out args:f8(na) xacc:f8 maxit:i4 na:i4 "
            "nfun:i4 istat:i4:out");
// root,istat = nrsafe(dfunc,x1,x2,args,xacc,maxit,nfun,[na,dfunc_extra_args])
TVK_ROUTINE(math, nrsafe, tvk::nrsafe,
            "dfunc:cb(bdsafe_dfunc) x1:f8 x2:f8 root:f8:out args:f8(na) xacc:f8 maxit:i4 na:i4 "
            "nfun:i4 istat:i4:out");
// xs,istat = fpsafe(dfunc,xs,args,xacc,maxit,nfun,[na,dfunc_extra_args])
TVK_ROUTINE(math, fpsafe, tvk::fpsafe,
            "dfunc:cb(fpsafe_dfunc) xs:f8:io args:f8(na) xacc:f8 maxit:i4 na:i4 nfun:i4 "
            "istat:i4:out");

// x,y,xmove,lplimits,incr,subcall,golden,finish = inigoldensearch(xlow,xup,dx,gsflag,npoints)
TVK_ROUTINE(math, inigoldensearch, IniGoldenSearch,
            "x:f8(npoints):out y:f8(npoints):out xmove:f8(4):out lplimits:f8(2):out incr:i4:out "
            "subcall:i4:out golden:l1:out finish:l1:out xlow:f8 xup:f8 dx:f8 gsflag:i4 npoints:i4");
// gssafe(xi,yi,dx,x,y,xmove,ymove,lplimits,xdir,increment,proc,isgolden,update,finish,
//        defaultvalue,[npoints]): the search state is updated in place (numpy arrays, 0-d for
// the scalars: float64, int32, and int8 for the three flags).
TVK_ROUTINE(math, gssafe, GSSAFE,
            "xi:f8:inout yi:f8:inout dx:f8 x:f8(npoints):inout y:f8(npoints):inout "
            "xmove:f8(4):inout ymove:f8(4):inout lplimits:f8(2):inout xdir:i4:inout "
            "increment:i4:inout proc:i4:inout isgolden:l1:inout update:l1:inout finish:l1:inout "
            "defaultvalue:f8 npoints:i4");
// xnext,dx,x,xmove,ymove,xdir,increment = getnextfromgoldensearch(x,y,xmove,ymove,xdir,
//        increment,[npoints,overwrite_x,overwrite_xmove,overwrite_ymove])
TVK_ROUTINE(math, getnextfromgoldensearch, GetNextFromGoldenSearch,
            "xnext:f8:out dx:f8:out x:f8(npoints):io+copy y:f8(npoints) xmove:f8(4):io+copy "
            "ymove:f8(4):io+copy xdir:i4:io increment:i4:io npoints:i4");
// xmax = getmaximumfromgoldensearch(y,xmove,ymove,defaultvalue,xdir,increment,[npoints])
TVK_ROUTINE(math, getmaximumfromgoldensearch, GetMaximumFromGoldenSearch,
            "xmax:f8:out y:f8(npoints) xmove:f8(4) ymove:f8(4) defaultvalue:f8 xdir:i4 "
            "increment:i4 npoints:i4");

// x1,x2,x3 = solution3pe(a,b,c,d)
TVK_ROUTINE(math, solution3pe, Solution3PE,
            "a:f8 b:f8 c:f8 d:f8 x1:f8:out x2:f8:out x3:f8:out");
// xx1,xx2,xx3 = specialcase(p,q)
TVK_ROUTINE(math, specialcase, SpecialCase, "p:f8 q:f8 xx1:f8:out xx2:f8:out xx3:f8:out");
// cuberoot = cuberoot(a)
TVK_ROUTINE(math, cuberoot, cuberoot, "cuberoot:f8:ret a:f8");
// polynomialfitting = polynomialfitting(vx,vy,d)
TVK_ROUTINE(math, polynomialfitting, polynomialfitting,
            "polynomialfitting:f8(max(d+1,0)):out vx:f8(nvx) nvx:i4:hide vy:f8(nvy) "
            "nvy:i4:hide:check(nvy>=nvx) d:i4");
// partialcurvelength = partialcurvelength(dy)
TVK_ROUTINE(math, partialcurvelength, partialcurvelength, "partialcurvelength:f8:ret dy:f8");
