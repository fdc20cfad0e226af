// Python entry points of the nonlinear property laws (namespace `nlcollection`).
#include "engine/bind.h"

#include "mechanics/nonlinear_properties.h"

TVK_ROUTINE(nlcollection, nladam, NLAdam,
            "dnl:f8:out l:f8 x:f8 n:f8 nf:f8 alpha:f8 beta:f8 lg:f8(2):opt=[0.25,0.25]");
TVK_ROUTINE(nlcollection, nlkrause, NLKrause, "dnl:f8:out beta:f8 eps:f8");
TVK_ROUTINE(nlcollection, nlkaestner, NLKaestner, "dnl:f8:out beta:f8 eps:f8");
TVK_ROUTINE(nlcollection, pure_nlhahntsai, NLHahnTsai, "dnl:f8:out tg:f8 beta:f8 sig:f8 eps:f8");
TVK_ROUTINE(nlcollection, recu_nlhahntsai, FPHahnTsai, "dout:f8:out args:f8(na) na:i4 ns:i4:opt=0");
// ntrans defaults to the number of transitions props holds, (len(props) - 1)/2.
TVK_ROUTINE(nlcollection, nlmahieux, NLMahieux,
            "nlmahieux:f8:ret t:f8 props:f8(2*ntrans+1) m:f8(ntrans) ntrans:i4:opt=(len(props)-1)/2");
TVK_ROUTINE(nlcollection, nlgibson, NLGibson,
            "nlgibson:f8:ret t:f8 props:f8(2*ntrans+1) xi:f8(ntrans) ntrans:i4:opt=(len(props)-1)/2");
