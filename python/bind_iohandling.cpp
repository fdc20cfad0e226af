// Python entry points of model input and text reports (namespace `iohandling`).
//
// The primitives take an integer unit number (`fileid`); Python has no routine that opens one,
// so from Python they meet units that are not connected: the reads then report their read
// error and the counts are 0. The card readers open and close their own units.
#include "engine/bind.h"

#include "input/iohandling.h"

TVK_ROUTINE(iohandling, rewindfile, RewindFile, "fileid:i4 nrwd:i4");
TVK_ROUTINE(iohandling, getsizeofdata, getsizeofdata, "getsizeofdata:i4:ret fileid:i4 skeys:s* ls:i4");
TVK_ROUTINE(iohandling, real_getdatapoints, real_getdatapoints, "fileid:i4 outdata:f8(n):io+copy n:i4");
TVK_ROUTINE(iohandling, int_getdatapoints, int_getdatapoints, "fileid:i4 outdata:i4(n):io+copy n:i4");
TVK_ROUTINE(iohandling, getxydatapoints, getxydatapoints,
            "fileid:i4 xydata:f8(max(ndata,0),max(nrows,0)):out ndata:i4 nrows:i4");
TVK_ROUTINE(iohandling, get2nextkey, get2nextkey,
            "get2nextkey:l4:ret fileid:i4 dirflag:i4 keyword:s* lkey:i4 ulimit:i4 returnkey:i4:opt=0");
TVK_ROUTINE(iohandling, getnumberofkeywords, getnumberofkeywords,
            "getnumberofkeywords:i4:ret fileid:i4 keyword:s* lkey:i4 rwd:l4:opt=1");
TVK_ROUTINE(iohandling, getfilelength, GetFileLength, "getfilelength:i4:ret fileid:i4 rwd:l4:opt=1");
TVK_ROUTINE(iohandling, getunitnumber, getunitnumber, "getunitnumber:i4:ret filename:s*");
TVK_ROUTINE(iohandling, getfreeunitnumber, GetFreeUnitNumber, "getfreeunitnumber:i4:ret first:i4 last:i4");
TVK_ROUTINE(iohandling, getstepdatafromfile, getstepdatafromfile, "filepath:s*:path workspace:s*:path nsteps:i4");
TVK_ROUTINE(iohandling, getsectiondatafromfile, getsectiondatafromfile, "filepath:s*:path workspace:s*:path");
TVK_ROUTINE(iohandling, getdamagedatafromfile, getdamagedatafromfile,
            "filepath:s*:path workspace:s*:path nplies:i4 nsec:i4");
TVK_ROUTINE(iohandling, getddsfromfile, getddsfromfile, "fileid:i4 xdds:f8(3,max(nplies,0)):out nplies:i4");
TVK_ROUTINE(iohandling, getxidfromstring, getxidfromstring,
            "getxidfromstring:i4:ret s:s* ls:i4 xind:s* notfound:i4:opt=-1");
TVK_ROUTINE(iohandling, getgausspointreport, getgausspointreport, "filepath:s*:path coord:f8(3) noel:i4 npt:i4");
