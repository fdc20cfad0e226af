// Creation and release of the model-data tables as a whole.
//
// The three allocation routines create a table only when it is absent: a present table keeps its
// extents and contents even when other extents are asked for, and a requested extent below 1
// gives an empty table. `deallocall` releases every model-data table at analysis end so that the
// next analysis start can create them anew. All four return istat = 0.
//
// Memory exhaustion while creating a table ends the process ("Error allocating %lu bytes"), as
// does an extent product beyond the address range (see tvk::block_new).
#pragma once

#include "tvk.h"

// Releases every model-data table that exists and sets the counts that size them back to 0
// (sectiondata nsec and nplies, damagedata ndmg, loaddata nimp, jobdata nsteps, elementdata
// nelem, nodaldata nnodes and ndof, materialdata ntempdata and the calibration row counts).
// Leaves alone: jobdata.processid, the error record, the growable lists and every other scalar
// (settings and text fields keep their values).
TVK_API void deallocall(int* istat);

// Creates the damage data sets and the buckling records for kplies plies, ksec sections and at
// least kdmg data sets; raises damagedata.ndmg to max(ndmg, 1, kdmg).
TVK_API void allocatedamagedata(int* istat, const int* kplies, const int* ksec, const int* kdmg);

// Creates the per-element node tables (motions, coordinates, transformation matrices).
TVK_API void allocatenodaldata(int* istat, const int* kdof, const int* knodes, const int* kelem);

// Creates the element tables of the solver listing and sectiondata.nsectionpoints.
TVK_API void allocateelementdata(int* istat, const int* knodes, const int* kelem);
