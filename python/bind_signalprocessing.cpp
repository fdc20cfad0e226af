// Python entry points of the signal processing helpers (namespace `signalprocessing`).
#include "engine/bind.h"

#include "core/signal.h"

// An omitted x reaches GetPeaks as zeros (sample numbers as positions), an omitted wi as zeros
// (equal weights in WeightedMovingAverage and GeneralizedMean).
TVK_ROUTINE(signalprocessing, getpeaks, GetPeaks,
            "maxtab:f8(n,2):out mintab:f8(n,2):out nmaxpeaks:i4:out nminpeaks:i4:out v:f8(n) "
            "delta:f8 n:i4 x:f8(n):opt");
TVK_ROUTINE(signalprocessing, weightedmovingaverage, WeightedMovingAverage,
            "sma:f8:out rval:f8 a:f8(wb):io+copy denom:i4:io wb:i4 wi:f8(wb):opt");
TVK_ROUTINE(signalprocessing, cumulativemovingaverage, CumulativeMovingAverage,
            "cma:f8:io x:f8 n:i4");
TVK_ROUTINE(signalprocessing, generalsigmoidal, GeneralSigmoidal,
            "generalsigmoidal:f8:ret x:f8 k:f8");
TVK_ROUTINE(signalprocessing, generallogistic, generallogistic,
            "y:f8:ret x:f8 a:f8 k:f8 b:f8 q:f8 v:f8 c:f8:opt=1.0");
TVK_ROUTINE(signalprocessing, logistic, logistic, "y:f8:ret x:f8 k:f8 x0:f8 l:f8:opt=1.0");
TVK_ROUTINE(signalprocessing, generalizedmean, GeneralizedMean,
            "generalizedmean:f8:ret x:f8(n) p:f8 n:i4 wi:f8(n):opt");
TVK_ROUTINE(signalprocessing, logarithmicbarrier, LogarithmicBarrier,
            "logarithmicbarrier:f8:ret x:f8 b:f8");
TVK_ROUTINE(signalprocessing, generalsmoothstep, GeneralSmoothStep,
            "generalsmoothstep:f8:ret x:f8 n:i4");
TVK_ROUTINE(signalprocessing, real_limit, fLimit, "real_limit:f8:ret x:f8 xlow:f8 xup:f8");
TVK_ROUTINE(signalprocessing, int_limit, iLimit, "int_limit:i4:ret x:i4 xlow:i4 xup:i4");
TVK_ROUTINE(signalprocessing, mod_limit, mLimit, "mod_limit:i4:ret x:i4 xmod:i4");
