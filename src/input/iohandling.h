// Model input and text reports (namespace `iohandling`): the reading primitives that work on an
// open unit, the step, section and damage card readers, material-name tags and the Gauss-point
// report. C ABI as in core/tvk.h: text arguments are followed by their lengths, after the last
// argument, in order.
//
// Read failures are recorded in the error record (level -2) as "<label>Read operation exited with
// an error." with the routine's label; card values that do not fit their table are not stored
// and leave the warning "Warning: card value outside table in <routine>.", and card records
// whose non-blank text runs past the record width (80 characters for keyword lines, 256 for data
// lines) leave "Warning: card record cut at its record width.". No reader ends the process.
#pragma once

#include <cstddef>

#include "core/tvk.h"

// ---- reading primitives on a unit ----------------------------------------------------------

// Steps back nrwd records (nothing when nrwd <= 0).
TVK_API void RewindFile(const int* fileid, const int* nrwd);
// Item count of the data block at the position: the records up to the first whose first
// character is one of skeys(1:ls), or the end of the file; the unit is left where it stood.
TVK_API int getsizeofdata(const int* fileid, const char* skeys, const int* ls, std::size_t lskeys);
// Reads the data block at the position into outdata(1:count) (at most n values are stored); the
// ending record is the next one read. A read failure leaves outdata unchanged.
TVK_API void real_getdatapoints(const int* fileid, double* outdata, const int* n);
TVK_API void int_getdatapoints(const int* fileid, int* outdata, const int* n);
// Reads a block of ndata x nrows values row by row into xydata(ndata, nrows); a block of another
// size (or ndata < 1) is a read failure and leaves xydata unchanged.
TVK_API void getxydatapoints(const int* fileid, double* xydata, const int* ndata, const int* nrows);
// Searches at most ulimit records forward (dirflag other than -1) or backward (-1) for a record
// whose first lkey characters, leading blanks (spaces and tabs) removed, equal keyword(1:lkey)
// in any letter case; a UTF-8 byte-order mark at the start of the file is skipped. With
// returnkey 1 the unit is left on the last record read. Logical result.
TVK_API int get2nextkey(const int* fileid, const int* dirflag, const char* keyword, const int* lkey,
                        const int* ulimit, const int* returnkey, std::size_t lkeyword);
// Counts the records from the position to the end whose leading-blank-free head equals
// keyword(1:lkey) in any case; rewinds at the end unless rwd is given false.
TVK_API int getnumberofkeywords(const int* fileid, const char* keyword, const int* lkey, const int* rwd,
                                std::size_t lkeyword);
// Counts the records from the position to the end; rewinds unless rwd is given false.
TVK_API int GetFileLength(const int* fileid, const int* rwd);
// The unit connected to the named file; -1 when none.
TVK_API int getunitnumber(const char* filename, std::size_t lfilename);
// The lowest unit in first..last connected to no file; -1 when none.
TVK_API int GetFreeUnitNumber(const int* first, const int* last);

// ---- card readers --------------------------------------------------------------------------

// `workspace` is the folder of the card file; `filepath` the fallback file (the solver input
// deck) read when the card is missing. When neither opens, the reader returns and changes
// nothing.
TVK_API void getstepdatafromfile(const char* filepath, const char* workspace, const int* nsteps,
                                 std::size_t lfilepath, std::size_t lworkspace);
TVK_API void getsectiondatafromfile(const char* filepath, const char* workspace, std::size_t lfilepath,
                                    std::size_t lworkspace);
TVK_API void getdamagedatafromfile(const char* filepath, const char* workspace, const int* nplies,
                                   const int* nsec, std::size_t lfilepath, std::size_t lworkspace);
// Material card reader: per-(ply, section) property tables of materialdata for every slot whose
// matidlist entry holds a material block's id, and the shared temperature axis, resin calibration
// and cure tables. nplies and nsec are the extents of matidlist (larger values are clipped to
// them); without matidlist the tables are only created.
TVK_API void getmaterialdatafromfile(const char* filepath, const char* workspace, const int* nplies,
                                     const int* nsec, std::size_t lfilepath, std::size_t lworkspace);
// Reads a block of rows of four numbers into xdds(3, nplies): row j gives xdds(1:2, j) from its
// second and third values.
TVK_API void getddsfromfile(const int* fileid, double* xdds, const int* nplies);

// ---- material-name tags and the Gauss-point report -----------------------------------------

// The integer of the last tag "_<xind>@<integer>@" in s(1:ls) (any letter case; xind one of
// d, i, l, m, s); notfound (default -1) when there is none or it holds no integer.
TVK_API int getxidfromstring(const char* s, const int* ls, const char* xind, const int* notfound,
                             std::size_t lens, std::size_t lxind);
// Appends the record (2I8, 3F25.8) of one integration point to the report file, writing the
// header first when the file is created. The path is taken without its trailing blanks and zero
// bytes; where the record cannot be written (a path longer than 256 bytes or with a zero byte
// inside, a folder that does not exist, a file that can be neither opened nor created, a failed
// write) a level -2 report with noel and npt is recorded and nothing else changes.
TVK_API void getgausspointreport(const char* filepath, const double* coord, const int* noel, const int* npt,
                                 std::size_t lfilepath);
