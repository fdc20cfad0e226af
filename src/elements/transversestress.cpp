// Transverse stress recovery of thick shells.
#include "transversestress.h"

#include <algorithm>
#include <vector>

#include "mechanics/laminate.h"
#include "motion.h"
#include "shell.h"

namespace {

constexpr double g = 0.5773502691896257;
constexpr double quad_points[4][2] = {{-g, -g}, {g, -g}, {g, g}, {-g, g}};
constexpr double tria_points[3][2] = {{0.16666666667, 0.16666666667},
                                      {0.16666666667, 0.66666666667},
                                      {0.66666666667, 0.16666666667}};

bool all_zero(const double* a, long long n) {
    return std::all_of(a, a + n, [](double v) { return v == 0.0; });
}

// The element as the recovery sees it.
struct Form {
    int nodes = 0, points = 0;
    double weight = 0.0;
    const double (*gauss)[2] = nullptr;
};

Form element_form(int kind, const double* nc, const double* nm, int nnodes, int ndof) {
    const auto carries = [](const double* a, int stride, int from, int to, int n) {
        for (int i = from; i <= to; ++i)
            if (!all_zero(a + static_cast<long long>(stride) * (i - 1), n)) return true;
        return false;
    };
    if ((kind == 4 || kind == 5) && nnodes >= 8) return {8, 4, 0.25, quad_points};
    if (kind == 8 && nnodes >= 6 && carries(nc, 3, 4, 6, 3)) return {6, 3, 0.3333333333333333, tria_points};
    if (kind >= 1 && kind <= 3 && nnodes == 8 && carries(nc, 3, 5, 8, 3) && carries(nm, ndof, 5, 8, ndof))
        return {8, 4, 0.25, quad_points};
    return {};
}

}  // namespace

void GetShellTransverseStresses(
    double* tnormalstress, double* tshearstress, const double* nodalcoords, const double* nodesmotion,
    const double* sestress, const int* npt, const double* sehmatrix, const double* sefmatrix,
    const double* plyorientation, const double* plythickness, const double* plyzcoord, const double* plyelastic,
    const int* elemsectionpoints, const double* elemcurvatures, const int* elemkind, const int* sectionlist,
    const int* elemid, const int* gpid, const int* secid, const int* itnsflag, const int* itshrflag,
    const int* nplies, const int* nsec, const int* nzcoord, const int* nintpoint, const int* ndof,
    const int* nnodes, const int* nelem) {
    const int e = *elemid, gp = *gpid, s = *secid, np = *nplies, ns = *nsec, nz = *nzcoord;
    const int nip = *nintpoint, nd = *ndof, nn = *nnodes, ne = *nelem, npoints = *npt;
    if (e < 1 || e > ne || s < 1 || s > ns || gp < 1 || gp > 4 || np < 1 || nz != 2 * np + 1 || nip < 1 ||
        nd < 1 || nn < 1)
        return;
    const double* nc = nodalcoords + 3LL * nn * (e - 1);
    const double* nm = nodesmotion + static_cast<long long>(nd) * nn * (e - 1);
    const Form f = element_form(elemkind[e - 1], nc, nm, nn, nd);
    if (f.nodes == 0 || gp > f.points) return;
    double u[40];
    GetDisplacementVector(u, nm, &f.nodes, &nd);
    if (all_zero(u, 40)) return;

    const double xc = elemcurvatures[2 * (e - 1)], yc = elemcurvatures[2 * (e - 1) + 1];
    const bool curved = xc != 0.0 || yc != 0.0;
    const double pair[2] = {std::max(xc, yc), std::min(xc, yc)};
    const double* hmat = sehmatrix + 4LL * (s - 1);
    const double* zc = plyzcoord + static_cast<long long>(nz) * (s - 1);
    const double* fmat = sefmatrix + 4LL * nz * (s - 1);
    const int sp = elemsectionpoints[e - 1];
    const bool points_fit = sp >= 1 && static_cast<long long>(np) * sp <= nip;
    const int nspt = points_fit ? np * sp : 0;
    const int one = 1;
    // Work arrays kept on each thread for the next call: a series of calls allocates only while
    // the laminate grows.
    thread_local struct {
        std::vector<double> fg, out, sbt, comp, sint, sum, xytss;
        std::vector<int> spv, zpv;
    } kept;
    std::vector<double>& fg = kept.fg;  // the F/G table of every section, for curved elements
    const auto section_fg = [&](int csflag) {
        fg.assign(static_cast<std::size_t>(nz) * 4 * ns, 0.0);
        GetArbitrarySectionFG(fg.data(), sectionlist, plyorientation, plythickness, plyzcoord, plyelastic, &np, &ns,
                              &csflag, &one, pair, nullptr);
        return fg.data() + 4LL * nz * (s - 1);
    };

    double* tns = tnormalstress + static_cast<long long>(nz) * (e - 1);
    if (*itnsflag != 0 && all_zero(tns, nz) && (!curved || (points_fit && npoints >= f.points))) {
        double rdx[2] = {0.0, 0.0}, rdy[2] = {0.0, 0.0};
        if (*itnsflag == 2 && f.nodes == 8) {
            const double zero = 0.0;
            ShellxDerivShearForces(rdx, u, hmat, nc, &f.nodes, &zero, &zero);
            ShellyDerivShearForces(rdy, u, hmat, nc, &f.nodes, &zero, &zero);
        } else {
            for (int i = 0; i < f.points; ++i) {
                double ax[2], ay[2];
                ShellxDerivShearForces(ax, u, hmat, nc, &f.nodes, &f.gauss[i][0], &f.gauss[i][1]);
                ShellyDerivShearForces(ay, u, hmat, nc, &f.nodes, &f.gauss[i][0], &f.gauss[i][1]);
                for (int c = 0; c < 2; ++c) rdx[c] += f.weight * ax[c], rdy[c] += f.weight * ay[c];
            }
        }
        std::vector<double>& out = kept.out;
        out.assign(static_cast<std::size_t>(nz), 0.0);
        if (!curved) {
            GetNormalStressFromBottom(out.data(), rdx, rdy, zc, fmat, &np);
        } else {
            const double* tsfg = section_fg(0);
            // Per ply: its sp section points in the stresses, its three points in the z-table.
            std::vector<int>&spv = kept.spv, &zpv = kept.zpv;
            spv.assign(static_cast<std::size_t>(np), sp);
            zpv.assign(static_cast<std::size_t>(np), 3);
            std::vector<double>&sbt = kept.sbt, &comp = kept.comp, &sint = kept.sint, &sum = kept.sum;
            sbt.assign(12 * static_cast<std::size_t>(np), 0.0);
            comp.assign(2 * static_cast<std::size_t>(np), 0.0);
            sint.assign(static_cast<std::size_t>(nz), 0.0);
            sum.assign(static_cast<std::size_t>(nz), 0.0);
            for (int i = 0; i < f.points; ++i) {
                const double* se = sestress + 6LL * nip * (i + static_cast<long long>(npoints) * (e - 1));
                GetPlyBottomTopStress(sbt.data(), se, spv.data(), &nspt, &np);
                // Stress 22 goes with the smaller curvature as ki, stress 11 with the larger.
                for (int c = 0; c < 2; ++c) {
                    const double ki = pair[1 - c], kj = pair[c];
                    for (int k = 0; k < 2 * np; ++k) comp[k] = sbt[6 * k + (1 - c)];
                    GetIntegralOfMembraneNormalStress(sint.data(), comp.data(), zc, zpv.data(), &ki, &kj, &nz, &np);
                    for (int z = 0; z < nz; ++z) sum[z] += sint[z];
                }
            }
            for (int z = 0; z < nz; ++z)
                out[z] = f.weight * sum[z] - (tsfg[z] * rdy[0] + tsfg[z + nz] * rdy[1]) -
                         (tsfg[z + 2 * nz] * rdx[0] + tsfg[z + 3 * nz] * rdx[1]);
        }
        std::copy(out.begin(), out.end(), tns);
    }

    double* tss = tshearstress + 2LL * nip * (gp - 1 + 4LL * (e - 1));
    if (*itshrflag != 0 && points_fit && all_zero(tss, 2LL * nip)) {
        double b[8 * 40];
        ShellBMatrix(b, nc, &f.nodes, &f.gauss[gp - 1][0], &f.gauss[gp - 1][1]);
        double strain[2] = {0.0, 0.0};  // rows 7 and 8: transverse shear yz, xz
        for (int c = 0; c < 40; ++c) strain[0] += b[6 + 8 * c] * u[c], strain[1] += b[7 + 8 * c] * u[c];
        const double r[2] = {hmat[0] * strain[0] + hmat[2] * strain[1], hmat[1] * strain[0] + hmat[3] * strain[1]};
        const double* fm = curved ? section_fg(1) : fmat;
        std::vector<double>& xytss = kept.xytss;
        xytss.assign(2 * static_cast<std::size_t>(nspt), 0.0);
        GetExt2DShearStress(xytss.data(), r, plyorientation + static_cast<long long>(np) * (s - 1), fm, &sp, &np);
        std::copy_n(xytss.begin(), nspt, tss);
        std::copy_n(xytss.begin() + nspt, nspt, tss + nip);
    }
}
