// Continuum damage stiffness models (namespace `degradation`): stiffness degraded by damage
// variables rather than by discount factors. The Matzenmiller damaged orthotropic stiffness, the
// map from mode damage to stiffness damage, the degradation of a stiffness on a rotated crack
// plane and the crack-plane damage evolutions of matrix cracks.
//
// Conventions: 6 x 6 stiffness matrices are column-major in Voigt order (11, 22, 33, 23, 13, 12)
// with shear rows acting on tensor shear strains (shear diagonal 2G); stress and strain vectors
// are in Voigt order; the engineering-constant vector is (E1, E2, E3, G23, G13, G12, nu23, nu13,
// nu12). Crack planes contain the fibre (x) axis; their angle is in radians. None of the
// routines keeps state: the crack-plane models keep theirs in the caller's arguments.
#pragma once

#include <cmath>

#include "core/tvk.h"

namespace tvk::damage {

// Characteristic length of an element across a crack plane at phi about the fibre axis, from
// the element lengths l(3): l2 / |cos phi|, or l3 / |sin phi| where the first exceeds the
// element diagonal sqrt(l2^2 + l3^2).
inline double crack_plane_length(double phi, const double* l) {
    const double lm = l[1] / std::abs(std::cos(phi));
    if (lm > std::sqrt(l[1] * l[1] + l[2] * l[2])) return l[2] / std::abs(std::sin(phi));
    return lm;
}

// Damaged orthotropic stiffness (see MatzenmillerDegradation); false, with c untouched, when the
// damaged compliance is singular.
bool matzenmiller(double* c, const double* propvec, const double* dnorm, double d23, double d13, double d12);

}  // namespace tvk::damage

// c_deg(6,6): damaged orthotropic stiffness of propvec(9) with the normal damages dnorm(3)
// (E_i enters as (1 - dnorm(i)) E_i) and the shear damages d23, d13, d12 (shear diagonal
// 2 (1 - d) G). A singular damaged compliance: level -3 report, c_deg = 0.
TVK_API void MatzenmillerDegradation(const double* propvec, double* c_deg, const double* dnorm, const double* d23,
                                     const double* d13, const double* d12);
// w_stat(9) = stiffness damage from the mode damage d_modes(9) (absent: 0) through the fixed mode
// coupling: summed contributions with accumulation nonzero, the largest contribution otherwise.
// When moduli(9), vnu(3) and effort(3) are all given, c_deg(6,6) is the Matzenmiller stiffness of
// the tension or compression moduli and damages chosen by the signs of effort; otherwise 0.
TVK_API void DegradationFromModes(const double* d_modes, double* w_stat, const int* accumulation, double* c_deg,
                                  const double* moduli, const double* vnu, const double* effort);
// cdeg(6,6): csix(6,6) as a fourth-order tensor, rotated by angle_r about the fibre axis, every
// component with an index equal to baseid (the crack normal) scaled by (1 - d) in that frame
// (normal-normal components exempt when nn = -1, a closed crack), and rotated back.
TVK_API void TensorDegradation(const double* csix, double* cdeg, const double* angle_r, const double* d,
                               const int* baseid, const int* nn);
// Crack-plane damage d of a matrix crack (mode 3; mode 0 gives d = 0; any other mode: level -2
// report, d unset). sdv(nsdv >= 4) holds onset strain, onset stress (the onset traction's
// component along the strain traction where positive, else its norm), mixed-mode toughness and
// final strain (-1: unset), filled on first damage; props(nprops >= 5): crack angle phi
// (radians), toughnesses (opening, closing, shear, shear); charelemlength(3) element lengths.
// Too few state or property values: level -3 report, d = 0.
TVK_API void BogenfeldDegradation(double* d, double* sdv, const double* svoigt, const double* evoigt,
                                  const double* charelemlength, const double* props, const int* mode,
                                  const int* nsdv, const int* nprops);
// Matrix damage w_matrixmode (kept by the caller, never decreasing, at most 1) on the crack plane
// at phirad about the fibre axis, and the ratios dsix(2..6) of the degraded to the elastic
// stress (dsix(1) unwritten). The onset values epsi, epsu, sigi, gmix are set while
// w_matrixmode = 0; gc(4) as for GetEquivalentMixedModeERR with four values.
TVK_API void FalzonDegradationParameters(const double* stressela, const double* strain, const double* phirad,
                                         double* dsix, double* epsi, double* epsu, double* sigi, double* gmix,
                                         double* w_matrixmode, const double* gc, const double* charelemlength);
