#include "datahandling.h"

#include <algorithm>
#include <cstdint>

#include "modeldata.h"

namespace {

// Value of an input count; a missing argument counts as 0 (an empty extent).
inline std::int64_t val(const int* p) { return p ? *p : 0; }

}  // namespace

TVK_API void deallocall(int* istat) {
    using namespace tvk;
    if (istat) *istat = 0;
    // Every table its module's list marks as freed, module by module. A release drops only the
    // table's reference to its storage: a Python view taken earlier keeps the storage alive.
    for (const VarDesc& v : modeldata_variables())
        if (v.freed) v.table()->release();
    // The counts that give the extents of the released tables go back to their load value, so
    // that the next card read sizes its tables from its own input alone: the section reader only
    // ever raises nplies and nsec, and a thinner lay-up read after a thicker one would otherwise
    // get the plies it does not have (thickness 0, every property 0).
    sectiondata.nsec = sectiondata.nplies = 0;
    damagedata.ndmg = 0;
    loaddata.nimp = 0;
    jobdata.nsteps = 0;
    elementdata.nelem = 0;
    nodaldata.nnodes = nodaldata.ndof = 0;
    auto& md = materialdata;
    md.ntempdata = 0;
    for (int MaterialData::*rows : {&MaterialData::nsecantdata, &MaterialData::nflowdata, &MaterialData::nnormaldata,
                                    &MaterialData::nsheardata, &MaterialData::nalpha1data,
                                    &MaterialData::nalpha2data, &MaterialData::nalpha3data})
        md.*rows = 0;
}

TVK_API void allocatedamagedata(int* istat, const int* kplies, const int* ksec, const int* kdmg) {
    using namespace tvk;
    if (istat) *istat = 0;
    auto& d = damagedata;
    const std::int64_t np = val(kplies);
    const std::int64_t ns = val(ksec);
    // Interfaces: one fewer than plies, but at least one, so a single-ply layup still has a slot.
    const std::int64_t lplies = std::max<std::int64_t>(np - 1, 1);
    const int n = std::max({d.ndmg, 1, kdmg ? *kdmg : 0});
    d.ndmg = n;

    if (d.damagedds.create_if_absent({1})) *d.damagedds.at(1) = -1;

    Table<double, 3>* const sets[] = {&d.generaldds, &d.fiberdds, &d.matrixdds,
                                      &d.coredds,    &d.userdds,  &d.delamdds};
    for (Table<double, 3>* t : sets)
        t->create_if_absent({3, t == &d.delamdds ? lplies : np, n});

    // The marker makes the zeroing happen once per creation of damagedds. New tables are
    // zero-filled on creation anyway, so a set created while the marker is already 0 (one set
    // released from Python) holds zeros as well.
    if (int* marker = d.damagedds.at(1); marker && *marker == -1) {
        *marker = 0;
        for (Table<double, 3>* t : sets)
            if (t->present()) t->fill(0.0);
    }

    d.dmgplane.create_if_absent({10, n});
    bukdata.bukintdatalist.create_if_absent({4, lplies, n, ns});
    bukdata.bukrealdatalist.create_if_absent({12, lplies, n, ns});
}

TVK_API void allocatenodaldata(int* istat, const int* kdof, const int* knodes, const int* kelem) {
    using namespace tvk;
    if (istat) *istat = 0;
    const std::int64_t ndof = val(kdof), nn = val(knodes), ne = val(kelem);
    // The element routines fill these tables; creation leaves them zero-filled, never
    // uninitialised.
    nodaldata.nodesmotion.create_if_absent({ndof, nn, ne});
    nodaldata.nodalcoords.create_if_absent({3, nn, ne});
    nodaldata.tnodalmatrices.create_if_absent({3, 3, 8, ne});
    nodaldata.tcurvmatrices.create_if_absent({3, 3, ne});
}

TVK_API void allocateelementdata(int* istat, const int* knodes, const int* kelem) {
    using namespace tvk;
    if (istat) *istat = 0;
    const std::int64_t nn = val(knodes), ne = val(kelem);
    // Zero-filled on creation; the listing reader and GetElementReferenceData set the values
    // (nsectionpoints and elemreforientation to -1 before use).
    elementdata.elemlist.create_if_absent({ne});
    elementdata.elemkind.create_if_absent({ne});
    elementdata.elemnodes.create_if_absent({nn, ne});
    elementdata.elemcurvatures.create_if_absent({2, ne});
    elementdata.elemreforientation.create_if_absent({7, ne});
    sectiondata.nsectionpoints.create_if_absent({ne});
}
