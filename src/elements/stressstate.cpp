// Expansion of an element's reduced state to the 3-D state of the material laws, and reduction
// of the 3-D stress and tangent back to the element.
//
// The axis swap is the base B with rows (1,0,0), (0,0,1), (0,1,0). Carrying a vector through
// B A B^T (and a stiffness through the same base) permutes components, so it is done here as the
// permutation itself: element (a, b, c, d) <-> 3-D Nye (a, c, b, 0, d, 0), i.e. element component i
// is 3-D component swap[i] = (1, 3, 2, 5). Exact, and free of rounding.
#include "stressstate.h"

#include <cstring>

#include "core/linalg.h"

namespace {

constexpr int swap_map[4] = {0, 2, 1, 4};   // element component -> 3-D Nye component, swapped
constexpr int plain_map[4] = {0, 1, 2, 3};  // the direct mapping of plane strain
constexpr int ps_map[3] = {0, 1, 3};        // plane stress: 11, 22, 12

void zero6(double* v) { std::memset(v, 0, 6 * sizeof(double)); }

bool truth(const tvk::logical1* flag) { return flag && *flag != 0; }

}  // namespace

void Get3DStressFromHex(const double* stress, const double* stran, const double* dstran, double* stress3d,
                        double* stran3d, double* dstran3d) {
    std::memmove(stress3d, stress, 6 * sizeof(double));
    std::memmove(stran3d, stran, 6 * sizeof(double));
    std::memmove(dstran3d, dstran, 6 * sizeof(double));
}

void Get3DStressFromPlaneStrain(const double* stress, const double* stran, const double* dstran,
                                double* stress3d, double* stran3d, double* dstran3d,
                                const tvk::logical1* isaxial) {
    const int* map = truth(isaxial) ? swap_map : plain_map;
    const double s[4] = {stress[0], stress[1], stress[2], stress[3]};
    const double e[4] = {stran[0], stran[1], stran[2], stran[3]};
    const double de[4] = {dstran[0], dstran[1], dstran[2], dstran[3]};
    zero6(stress3d);
    zero6(stran3d);
    zero6(dstran3d);
    for (int i = 0; i < 4; ++i) {
        stress3d[map[i]] = s[i];
        stran3d[map[i]] = e[i];
        dstran3d[map[i]] = de[i];
    }
}

void Get3DStressFromPlaneStress(const double* stress, const double* stran, const double* dstran,
                                const double* transverse, double* stress3d, double* stran3d,
                                double* dstran3d, const int* itnsflag, const int* itshrflag) {
    const double s[3] = {stress[0], stress[1], stress[2]};
    const double e[3] = {stran[0], stran[1], stran[2]};
    const double de[3] = {dstran[0], dstran[1], dstran[2]};
    double t[6];
    std::memcpy(t, transverse, sizeof t);
    zero6(stress3d);
    zero6(stran3d);
    zero6(dstran3d);
    for (int i = 0; i < 3; ++i) {
        stress3d[ps_map[i]] = s[i];
        stran3d[ps_map[i]] = e[i];
        dstran3d[ps_map[i]] = de[i];
    }
    if (*itnsflag != 0) {
        stress3d[2] = t[5];
        stran3d[2] = t[2];
    }
    if (*itshrflag != 0) {
        stress3d[4] = t[3];
        stress3d[5] = t[4];
        stran3d[4] = t[0];
        stran3d[5] = t[1];
    }
}

void Get3DInputFromElem(double* stress3d, double* strain3d, double* dstrain3d, const double* stress_nye,
                        const double* strain_nye, const double* dstrain_nye, const int* ncomp,
                        const double* transverse, const int* itnsflag, const int* itshrflag,
                        const tvk::logical1* isaxial) {
    static constexpr double no_transverse[6] = {0, 0, 0, 0, 0, 0};
    const tvk::logical1 axial = truth(isaxial) ? 1 : 0;
    const int nflag = itnsflag ? *itnsflag : 0;
    const int sflag = itshrflag ? *itshrflag : 0;
    switch (*ncomp) {
        case 4:
            Get3DStressFromPlaneStrain(stress_nye, strain_nye, dstrain_nye, stress3d, strain3d, dstrain3d,
                                       &axial);
            break;
        case 6:
            Get3DStressFromHex(stress_nye, strain_nye, dstrain_nye, stress3d, strain3d, dstrain3d);
            break;
        case 3:
            Get3DStressFromPlaneStress(stress_nye, strain_nye, dstrain_nye,
                                       transverse ? transverse : no_transverse, stress3d, strain3d,
                                       dstrain3d, &nflag, &sflag);
            break;
        default:
            break;
    }
}

void GetHexOutputFrom3D(double* stresshex, double* tangenthex, const double* stress3d,
                        const double* tangent3d) {
    std::memmove(stresshex, stress3d, 6 * sizeof(double));
    std::memmove(tangenthex, tangent3d, 36 * sizeof(double));
}

void GetPlaneStrainOutputFrom3D(double* stresspl, double* tangentpl, const double* stress3d,
                                const double* tangent3d, const tvk::logical1* isaxial) {
    const int* map = truth(isaxial) ? swap_map : plain_map;
    double s[4], t[16];
    for (int i = 0; i < 4; ++i) {
        s[i] = stress3d[map[i]];
        for (int j = 0; j < 4; ++j) t[i + 4 * j] = tangent3d[map[i] + 6 * map[j]];
    }
    std::memcpy(stresspl, s, sizeof s);
    std::memcpy(tangentpl, t, sizeof t);
}

// Plane-stress condensation of the 3-D tangent D: only the 33 direction is condensed out,
// Q(i,j) = D(a_i,a_j) - D(a_i,33) D(33,a_j) / D(33,33) over a = (11, 22, 12), the transverse
// shears simply dropped; the stress is Q times the in-plane part of the 3-D strain D^-1 stress3d.
// With D(33,33) exactly zero nothing is condensed. When D itself cannot be inverted (a fully
// degraded transverse shear, say) the inverse's warning stays in the error record and the
// in-plane stress is handed back as it is, never computed from a failed inverse.
void GetPlaneStressOutputFrom3D(double* stressps, double* tangentps, const double* stress3d,
                                const double* tangent3d) {
    const double* d = tangent3d;
    auto D = [d](int r, int c) { return d[r + 6 * c]; };
    double q[9] = {};
    double s[3];
    const double d33 = D(2, 2);
    if (d33 == 0.0) {
        for (int i = 0; i < 3; ++i) {
            s[i] = stress3d[ps_map[i]];
            for (int j = 0; j < 3; ++j) q[i + 3 * j] = D(ps_map[i], ps_map[j]);
        }
    } else {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                q[i + 3 * j] = D(ps_map[i], ps_map[j]) - D(ps_map[i], 2) * D(2, ps_map[j]) / d33;
        double inv[36];
        if (tvk::la::inverse(tangent3d, inv, 6)) {
            double e[3];
            for (int i = 0; i < 3; ++i) {
                double sum = 0.0;
                for (int k = 0; k < 6; ++k) sum += inv[ps_map[i] + 6 * k] * stress3d[k];
                e[i] = sum;
            }
            for (int i = 0; i < 3; ++i) s[i] = q[i] * e[0] + q[i + 3] * e[1] + q[i + 6] * e[2];
        } else {
            for (int i = 0; i < 3; ++i) s[i] = stress3d[ps_map[i]];
        }
    }
    std::memcpy(stressps, s, sizeof s);
    std::memcpy(tangentps, q, sizeof q);
}

void GetElemOutputFrom3D(double* stresselem, double* tangentelem, const double* stress3d,
                         const double* tangent3d, const int* n, const tvk::logical1* isaxial) {
    switch (*n) {
        case 4: {
            const tvk::logical1 axial = truth(isaxial) ? 1 : 0;
            GetPlaneStrainOutputFrom3D(stresselem, tangentelem, stress3d, tangent3d, &axial);
            break;
        }
        case 6: GetHexOutputFrom3D(stresselem, tangentelem, stress3d, tangent3d); break;
        case 3: GetPlaneStressOutputFrom3D(stresselem, tangentelem, stress3d, tangent3d); break;
        default: break;
    }
}

double GetPlaneStressEpsZZ(const double* e33, const double* nu31, const double* nu32, const double* s11,
                           const double* s22) {
    return -(*nu31 / *e33) * *s11 - (*nu32 / *e33) * *s22;
}
