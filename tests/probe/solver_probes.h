// Probe routines of the solver interfaces (no physics of the library): one C entry per interface
// and variant, generated from its argument list. The UMAT probe writes a fingerprint of what it
// received, so a test sees which value reached which argument; the VUMAT and UEL probes exercise
// block extents that are expressions. Defines the C entries: include it in one source per binary
// (the probe module's binding file and the C++ interface tests).
#pragma once

#include "../../src/solver/interfaces.h"

TVK_SOLVER_DECLARE(Umat, probe_umat);
TVK_SOLVER_DECLARE(UmatShokrieh, probe_umatshokrieh);
TVK_SOLVER_DECLARE(UmatProny, probe_umatprony);
TVK_SOLVER_DECLARE(UmatResin, probe_umatresin);
TVK_SOLVER_DECLARE(UmatInPlace, probe_umatinplace);
TVK_SOLVER_DECLARE(UmatNoStep, probe_umatnostep);
TVK_SOLVER_DECLARE(UmatSensor, probe_umatsensor);
TVK_SOLVER_DECLARE(Vumat, probe_vumat);
TVK_SOLVER_DECLARE(VumatPlaneStrain, probe_vumatplanestrain);
TVK_SOLVER_DECLARE(VumatSensor, probe_vumatsensor);
TVK_SOLVER_DECLARE(Usermat, probe_usermat);
TVK_SOLVER_DECLARE(Upermat, probe_upermat);
TVK_SOLVER_DECLARE(Usdfld, probe_usdfld);
TVK_SOLVER_DECLARE(Vusdfld, probe_vusdfld);
TVK_SOLVER_DECLARE(Uel, probe_uel);
TVK_SOLVER_DECLARE(UelImpact, probe_uelimpact);
TVK_SOLVER_DECLARE(Vuel, probe_vuel);
TVK_SOLVER_DECLARE(VuelImpact, probe_vuelimpact);

namespace probe {

// Slots of the UMAT fingerprint: statev[k] holds the value of one input argument (its first
// element, or the element named), in list order; the text gives its first character code and its
// length.
inline double umat_fingerprint(const tvk::solver::Umat& a, int k) {
    const double v[] = {a.rpl,       a.ddsddt[0], a.drplde[0],   a.drpldt,      a.stran[0],         a.dstran[0],
                        a.time[0],   a.time[1],   a.dtime,       a.temp,        a.dtemp,            a.predef[0],
                        a.dpred[0],  double(a.materl[0]), double(a.materl.size()), double(a.ndi), double(a.nshr),
                        double(a.ntens), double(a.nstatv), a.props[a.nprops - 1], double(a.nprops), a.coords[2],
                        a.drot(2, 1), a.celent, a.dfgrd0(0, 1), a.dfgrd1(1, 0), double(a.noel), double(a.npt),
                        double(a.kslay), double(a.kspt), double(a.jstep[3]), double(a.kinc)};
    return k < int(sizeof v / sizeof v[0]) ? v[k] : -1.0;
}
inline constexpr int umat_fingerprint_size = 32;

// A UMAT-style probe: a diagonal tangent props[0] I, stress += tangent dstran, sse += stress .
// dstran, spd and scd set to markers, pnewdt halved, and the fingerprint in the state vector.
inline void umat_probe(const tvk::solver::Umat& a) {
    for (int j = 0; j < a.ntens; ++j)
        for (int i = 0; i < a.ntens; ++i) a.ddsdde(i, j) = i == j ? a.props[0] : 0.0;
    for (int i = 0; i < a.ntens; ++i) {
        a.stress[i] += a.props[0] * a.dstran[i];
        a.sse += a.stress[i] * a.dstran[i];
    }
    a.spd = 1.5;
    a.scd = 2.5;
    a.pnewdt *= 0.5;
    for (int k = 0; k < a.nstatv; ++k) a.statev[k] = umat_fingerprint(a, k);
}

// stressnew = stressold + straininc point by point, statenew = stateold, enerinternnew = density.
inline void vumat_probe(const tvk::solver::Vumat& a) {
    for (int j = 0; j < a.ndir + a.nshr; ++j)
        for (int i = 0; i < a.nblock; ++i) a.stressnew(i, j) = a.stressold(i, j) + a.straininc(i, j);
    for (int j = 0; j < a.nstatev; ++j)
        for (int i = 0; i < a.nblock; ++i) a.statenew(i, j) = a.stateold(i, j);
    for (int i = 0; i < a.nblock; ++i) a.enerinternnew[i] = a.density[i];
}

// rhs = du for every right-hand side; amatrx(i, j) = 10 i + j.
inline void uel_probe(const tvk::solver::Uel& a) {
    for (int k = 0; k < a.rhs.extent(1); ++k)
        for (int i = 0; i < a.mlvarx; ++i) a.rhs(i, k) = a.du(i, k);
    for (int j = 0; j < a.ndofel; ++j)
        for (int i = 0; i < a.ndofel; ++i) a.amatrx(i, j) = 10 * i + j;
}

// The probes of the other interfaces only bind their argument lists.
inline constexpr auto no_physics = [](const auto&) {};

}  // namespace probe

TVK_SOLVER_ENTRY(Umat, probe_umat, probe::umat_probe)
TVK_SOLVER_ENTRY(UmatShokrieh, probe_umatshokrieh, probe::no_physics)
TVK_SOLVER_ENTRY(UmatProny, probe_umatprony, probe::no_physics)
TVK_SOLVER_ENTRY(UmatResin, probe_umatresin, probe::no_physics)
TVK_SOLVER_ENTRY(UmatInPlace, probe_umatinplace, probe::no_physics)
TVK_SOLVER_ENTRY(UmatNoStep, probe_umatnostep, probe::no_physics)
TVK_SOLVER_ENTRY(UmatSensor, probe_umatsensor, probe::no_physics)
TVK_SOLVER_ENTRY(Vumat, probe_vumat, probe::vumat_probe)
TVK_SOLVER_ENTRY(VumatPlaneStrain, probe_vumatplanestrain, probe::no_physics)
TVK_SOLVER_ENTRY(VumatSensor, probe_vumatsensor, probe::no_physics)
TVK_SOLVER_ENTRY(Usermat, probe_usermat, probe::no_physics)
TVK_SOLVER_ENTRY(Upermat, probe_upermat, probe::no_physics)
TVK_SOLVER_ENTRY(Usdfld, probe_usdfld, probe::no_physics)
TVK_SOLVER_ENTRY(Vusdfld, probe_vusdfld, probe::no_physics)
TVK_SOLVER_ENTRY(Uel, probe_uel, probe::uel_probe)
TVK_SOLVER_ENTRY(UelImpact, probe_uelimpact, probe::no_physics)
TVK_SOLVER_ENTRY(Vuel, probe_vuel, probe::no_physics)
TVK_SOLVER_ENTRY(VuelImpact, probe_vuelimpact, probe::no_physics)
