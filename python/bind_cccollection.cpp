// Python bindings of `cccollection`: core-crushing criteria.
#include "engine/bind.h"

#include "failure/criteria.h"

TVK_ROUTINE(cccollection, ccpetras, CCPetras,
            "rcc:f8:out s33u:f8 s33m:f8 s33l:f8 taou:f8(2) taom:f8(2) taol:f8(2) xc33:f8 x13:f8 x23:f8");
TVK_ROUTINE(cccollection, ccbesant, CCBesant,
            "rcc:f8:out s33u:f8 s33m:f8 s33l:f8 taou:f8(2) taom:f8(2) taol:f8(2) xc33:f8 x13:f8 x23:f8 "
            "besantexponent:f8");
