// Python bindings of the compression-strength estimates from measured damage (namespace `dic`).
#include "engine/bind.h"

#include "failure/compression_strength.h"

TVK_ROUTINE(dic, getcomprfailurebydic, GetComprFailurebyDIC,
            "fresult:f8(4):out fcomprstressdistribution:f8(nstress,2):out avgcomprstress:f8(nstress) "
            "coords:f8(nstress) plythickness:f8(nplies) alpha:f8 comprstrength:f8 load:f8 displacement:f8 "
            "length:f8 width:f8 nplies:i4 nstress:i4");
TVK_ROUTINE(dic, getdmginfluencefactor, GetDmgInfluenceFactor,
            "getdmginfluencefactor:f8:ret plythickness:f8(nplies) bukrealdatalist:f8(12,max(nplies-1,1)) "
            "bukintdatalist:i4(4,max(nplies-1,1)) nplies:i4");
TVK_ROUTINE(dic, getcentralopenholefactor, GetCentralOpenHoleFactor,
            "getcentralopenholefactor:f8:ret plyelastic:f8(9,nplies) plyorientation:f8(nplies) "
            "plythickness:f8(nplies) kt:f8 radius:f8 width:f8 nplies:i4");
