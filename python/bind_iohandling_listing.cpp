// Python entry points of the solver data listing (namespace `iohandling`).
#include "engine/bind.h"

#include "elements/catalogue.h"
#include "input/listing.h"

TVK_ROUTINE(iohandling, getelementdataextents, getelementdataextents,
            "elemtype:s8 iele:i4:io:opt=0 inodes:i4:io:opt=0 idof:i4:io:opt=0");
TVK_ROUTINE(iohandling, getabqdatafromfile, getabqdatafromfile, "filepath:s*:path");
