// Python entry point of the material card reader (namespace `iohandling`).
#include "engine/bind.h"

#include "input/iohandling.h"

TVK_ROUTINE(iohandling, getmaterialdatafromfile, getmaterialdatafromfile,
            "filepath:s*:path workspace:s*:path nplies:i4 nsec:i4");
