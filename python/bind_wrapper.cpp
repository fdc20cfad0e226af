// Python bindings of the solver-interface adapters (`wrapper`). The material routine `dfunc` is a
// routine of the module (called natively), a capsule holding a native routine, or a Python
// callable; a callable receives the arguments the adapter passes, array extents last and
// optional, and updates the arrays in place (the MUESLI-style routine returns statev, sse, spd,
// scd and pnewdt instead).
#include "engine/bind.h"
#include "engine/solver.h"

#include "solver/adapters.h"

TVK_SOLVER_PROC(umat_proc, UmatProc);
TVK_SOLVER_PROC(usermat_proc, UsermatProc);
TVK_SOLVER_PROC(muesli_proc, MuesliProc);

// stress,statev,ddsdde,sse,spd,scd,pnewdt = muesli_to_abq_umat(dfunc,stress,statev,...,kinc,matid,
//     [ntens,nstatv,nprops,dfunc_extra_args,overwrite_stress,overwrite_statev])
TVK_SOLVER_ADAPTER_ROUTINE(wrapper, muesli_to_abq_umat, muesli_proc, MuesliProc, UmatWithId, muesli_to_abq_umat);
// ddsdde = ansys_usermat_to_abq_umat(dfunc,stress,statev,...,kinc,[ntens,nstatv,nprops,dfunc_extra_args]);
// stress, statev, sse, spd, scd and pnewdt are updated in place.
TVK_SOLVER_ADAPTER_ROUTINE(wrapper, ansys_usermat_to_abq_umat, usermat_proc, UsermatProc, UmatUpdated,
                           ansys_usermat_to_abq_umat);
// keycut,dsdepl,epszz = abq_umat_to_ansys_usermat(dfunc,matid,...,var8,[ncomp,nstatev,nprop,dfunc_extra_args])
TVK_SOLVER_ADAPTER_ROUTINE(wrapper, abq_umat_to_ansys_usermat, umat_proc, UmatProc, Usermat, abq_umat_to_ansys_usermat);
// stressnew,statenew = abq_umat_to_peridigm_upermat(dfunc,stressold,stateold,straininc,props,steptime,
//     totaltime,dt,matid,ndir,nshr,[npoint,nstatev,nprops,dfunc_extra_args])
TVK_SOLVER_ADAPTER_ROUTINE(wrapper, abq_umat_to_peridigm_upermat, umat_proc, UmatProc, Upermat,
                           abq_umat_to_peridigm_upermat);
