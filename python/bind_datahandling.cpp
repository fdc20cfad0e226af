// Python entry points of the table allocation and release routines.
#include "engine/bind.h"

#include "core/datahandling.h"

TVK_ROUTINE(datahandling, deallocall, deallocall, "istat:i4:out");
TVK_ROUTINE(datahandling, allocatedamagedata, allocatedamagedata,
            "istat:i4:out kplies:i4 ksec:i4 kdmg:i4");
TVK_ROUTINE(datahandling, allocatenodaldata, allocatenodaldata,
            "istat:i4:out kdof:i4 knodes:i4 kelem:i4");
TVK_ROUTINE(datahandling, allocateelementdata, allocateelementdata,
            "istat:i4:out knodes:i4 kelem:i4");
