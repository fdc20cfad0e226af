// Shared internals of the mean-field routines: the C++ forms of the Eshelby and concentration
// tensors, the dual average, the transversely isotropic compliance and the phase reduction that
// every scheme starts with.
#pragma once

#include "mechanics/voigt6.h"

namespace tvk::mm {

// Eshelby tensor as GetEshelbyTensor computes it (reports the same faults).
M6 eshelby(int type, double ratio, double nu, const M6* host = nullptr);

// Strain concentration tensor of an inclusion (stiffness cinc, volume fraction c, already
// clamped) in a matrix cm; false (a zero) for an unknown atype, after the warning.
bool concentration(M6& a, const M6& et, const M6& cinc, const M6& cm, double c, int atype);

// scm + c (scinc - scm) a.
M6 dual_average(const M6& a, const M6& scinc, const M6& scm, double c);

// Compliance of the transversely isotropic record (E1, E2, G12, G23, nu12).
M6 ti_compliance(double e1, double e2, double g12, double g23, double nu12);

// Fibre and matrix compliances after the phase reduction, with the fibre fraction the schemes
// use (fibre plus interphase) and the matrix share vm = 1 - phi.
struct Phases {
    M6 sf, sm;
    double phi = 0.0, vm = 1.0;
    bool ok = false;  // false: fractions above 1 (reported), sf and sm zero
};
Phases reduce(const double* fiberprops, const double* matrixprops, const double* vf,
              const double* vvoid, const double* vint, const double* interprops,
              const int* voidtype);

// The cell-integral rule as LTH computes it; false (lh zero, the fault reported) when a strip
// integral has no value.
bool lth(double* lh, const double* fiberprops, const double* matrixprops, double vf, int mdim,
         bool hexagonal, bool corrected);

// Nine engineering constants of the stiffness c into out.
void constants_of_stiffness(const M6& c, double* out);

}  // namespace tvk::mm
