// Buckling strain of a delaminated sublaminate by the Ritz model, the sequential buckling of a
// stack and the buckling records of every section and damage data set.
//
// The buckling load factor lambda solves (KK - lambda KG) c = 0; the power iteration on
// KK^-1 KG finds its dominant eigenvalue mu = 1/lambda_min (Rayleigh-Ritz, so lambda_min is an
// upper bound of the exact buckling load of the region), or, where it does not converge, the
// symmetric-definite eigen-solution of the pencil (KG, KK). With the unit compression load the
// sublaminate buckles at N = lambda, that is at the strain lambda a11 (a11 the membrane
// compliance along x) and the stress lambda / t.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/linalg.h"
#include "core/scratch.h"
#include "mechanics/laminate.h"
#include "mechanics/transformation.h"
#include "sublaminate.h"

namespace {

namespace lm = tvk::laminate;

constexpr double nglob_x[3] = {-1.0, 0.0, 0.0};  // unit uniaxial compression along x
constexpr double max_eps = 1e20;                   // start of the running minimum
constexpr double check_eps = 1e19;                 // a minimum at or above it: nothing buckles
constexpr double min_size = 1e-10;                 // smaller half-axes mean no delamination
constexpr int maxiter = 2000;
constexpr double abstol = 1e-10;
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

void shape_default_case(const char* who) {
    tvk::report(-2, tvk::compose(std::string("Error: Default case in subroutine ") + who,
                                 ". DShape has to be an integer between 0 and 3."));
}

using RitzRoutine = void (*)(double*, const int*);
struct ShapeRoutines {
    RitzRoutine kk, kg;
};
constexpr ShapeRoutines shapes[3] = {{GetKKEllipse, GetKGEllipse},
                                     {GetKKRectangle, GetKGRectangle},
                                     {GetKKRectTang, GetKGRectTang}};

// ABD (6 x 6) of a stack, its inverse, and optionally its reduced bending stiffness D - B A^-1 B.
// False when the ABD is singular (reported by the inverse).
bool stack_abd(const lm::Stack& s, double* abd, double* abdinv, double* dred) {
    double a[9], b[9], d[9];
    lm::abd(s, a, b, d);
    GetABDMatrix(abd, a, b, d);
    if (dred) GetReducedBendingStiffness(dred, a, b, d);
    return tvk::la::inverse(abd, abdinv, 6);
}

// One buckling record before it is stored.
struct Record {
    int ifc = 0, first = 0, last = 0, side = 0;
    double eps = 0.0, ratio = 0.0, stress = 0.0;
    double size[3] = {0.0, 0.0, 0.0};
    double mode[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

// The record lists of one stack: nrec columns of 12 reals and 4 integers.
struct Records {
    double* real;
    int* ints;
    int nrec;

    // Stores r as record k (1-based); a record beyond the last column is dropped with a note.
    void store(int k, const Record& r) const {
        if (k > nrec) {
            tvk::report(-1, "Note: no free buckling record left, record of the remaining stack dropped",
                        k, nrec);
            return;
        }
        int* iv = ints + 4 * static_cast<std::ptrdiff_t>(k - 1);
        double* rv = real + 12 * static_cast<std::ptrdiff_t>(k - 1);
        iv[0] = r.ifc;
        iv[1] = r.first;
        iv[2] = r.last;
        iv[3] = r.side;
        rv[0] = r.eps;
        rv[1] = r.ratio;
        rv[2] = r.stress;
        std::copy(r.size, r.size + 3, rv + 3);
        std::copy(r.mode, r.mode + 6, rv + 6);
    }
};

// Buckling of plies first..last (1-based) of s with the delamination del and its shape.
Record evaluate(const lm::Stack& s, int first, int last, int ifc, int side, const double* del,
                int shape, double comprstrength) {
    Record r;
    r.ifc = ifc;
    r.first = first;
    r.last = last;
    r.side = side;
    const lm::Stack sub = s.sub(first - 1, last - first + 1);
    double nx = 0.0;
    GetSubLamBucklingStrain(&r.eps, &nx, r.mode, del, nglob_x, sub.elastic, sub.angle, sub.thick,
                            &shape, &sub.n);
    r.stress = nx;
    r.ratio = nx / comprstrength;
    std::copy(del, del + 3, r.size);
    return r;
}

// Sequential buckling of the stack s; plydel(3, >= n-1) and shape(>= n-1) per interface
// (shape null: every delamination elliptical).
void analyse_stack(double* epsbuck, const Records& out, double comprstrength, const lm::Stack& s,
                   const double* plydel, const int* shape) {
    const int n = s.n;
    *epsbuck = 0.0;
    std::fill(out.real, out.real + 12 * static_cast<std::ptrdiff_t>(out.nrec), 0.0);
    std::fill(out.ints, out.ints + 4 * static_cast<std::ptrdiff_t>(out.nrec), 0);
    auto delam = [&](int i) { return plydel + 3 * static_cast<std::ptrdiff_t>(i - 1); };
    auto shape_of = [&](int i) { return shape ? shape[i - 1] : 1; };

    int first = 1, last = n, next = 1;
    while (first != last) {
        double lowest = max_eps;
        Record cand;
        for (int i = first; i <= last - 1; ++i) {
            const double* del = delam(i);
            if (!(del[0] >= min_size && del[1] >= min_size)) continue;
            const Record below = evaluate(s, first, i, i, 0, del, shape_of(i), comprstrength);
            const Record above = evaluate(s, i + 1, last, i, 1, del, shape_of(i), comprstrength);
            for (const Record* r : {&below, &above}) {
                if (r->eps < lowest) {
                    lowest = r->eps;
                    cand = *r;
                    if (next == 1) *epsbuck = r->eps;
                }
            }
        }
        if (lowest >= check_eps) break;
        out.store(next++, cand);
        if (cand.side == 0) first = cand.ifc + 1;
        else last = cand.ifc;
    }

    // The remaining stack, bounded by the larger of its adjacent delaminations.
    auto area = [&](int i) { return delam(i)[0] * delam(i)[1]; };
    const int below = first > 1 ? first - 1 : 0;
    const int above = last < n ? last : 0;
    const double area_below = below ? area(below) : -1.0;
    const double area_above = above ? area(above) : -1.0;
    if (area_below >= 0.0 || area_above >= 0.0) {
        const int k = area_above >= area_below ? above : below;
        out.store(next, evaluate(s, first, last, k, 0, delam(k), shape_of(k), comprstrength));
    } else {
        Record r;
        r.ifc = first;
        r.first = first;
        r.last = last;
        r.ratio = 1.0;
        r.stress = comprstrength;
        out.store(next, r);
    }
}

}  // namespace

void GetSubKK(double* subkk, const double* dred, const double* a, const double* b, const int* dshape) {
    std::fill(subkk, subkk + 36, 0.0);
    const int ds = *dshape;
    if (ds == 0) return;
    if (ds < 0 || ds > 3) {
        shape_default_case("GetSubKK");
        return;
    }
    const double D11 = dred[0], D22 = dred[4], D12 = dred[3], D66 = dred[8], D16 = dred[6], D26 = dred[7];
    const double aa = *a, bb = *b;
    const double w[5] = {D11 * bb / (aa * aa * aa), D22 * aa / (bb * bb * bb), (D12 + 2.0 * D66) / (aa * bb),
                         D16 / (aa * aa), D26 / (bb * bb)};
    double m[36];
    for (int k = 0; k < 5; ++k) {
        const int type = k + 1;
        shapes[ds - 1].kk(m, &type);
        for (int i = 0; i < 36; ++i) subkk[i] += w[k] * m[i];
    }
}

void GetSubKG(double* subkg, const double* nglob, const double* abd, const double* abdinv, const double* a,
              const double* b, const double* dangle, const int* dshape) {
    std::fill(subkg, subkg + 36, 0.0);
    const int ds = *dshape;
    if (ds == 0) return;
    if (ds < 0 || ds > 3) {
        shape_default_case("GetSubKG");
        return;
    }
    // The load in the delamination axes.
    double t[9];
    const double rad = *dangle * tvk::deg2rad;
    static constexpr int three = 3, plus = 0, stress_form = 0;
    GetNyeTransformationMatrix(t, &rad, &three, &plus, &stress_form);
    double n[3], m[3], nloc[3];
    for (int i = 0; i < 3; ++i) n[i] = t[i] * nglob[0] + t[i + 3] * nglob[1] + t[i + 6] * nglob[2];
    // The sublaminate's share: A_sub (a_lam n) with the upper-left 3 x 3 blocks.
    for (int i = 0; i < 3; ++i) m[i] = abdinv[i] * n[0] + abdinv[i + 6] * n[1] + abdinv[i + 12] * n[2];
    for (int i = 0; i < 3; ++i) nloc[i] = abd[i] * m[0] + abd[i + 6] * m[1] + abd[i + 12] * m[2];
    const double w[3] = {nloc[0] * *b / *a, nloc[1] * *a / *b, nloc[2]};
    double g[36];
    for (int k = 0; k < 3; ++k) {
        const int type = k + 1;
        shapes[ds - 1].kg(g, &type);
        for (int i = 0; i < 36; ++i) subkg[i] += w[k] * g[i];
    }
}

void GetSubLamBucklingStrain(double* eps, double* nx, double* eigvec, const double* dsize, const double* nglob,
                             const double* plyelastic, const double* plyorientation, const double* plythickness,
                             const int* dshape, const int* nplies) {
    std::fill(eigvec, eigvec + 6, 0.0);
    *eps = *nx = not_a_number;
    const int n = *nplies, ds = *dshape;
    if (n < 1) {
        tvk::report(-3, "Error: no plies in GetSubLamBucklingStrain", n);
        return;
    }
    if (ds == 0) {  // no delamination: nothing to buckle
        *eps = *nx = std::numeric_limits<double>::infinity();
        return;
    }
    if (ds < 0 || ds > 3) {
        shape_default_case("GetSubKK");
        return;
    }
    // A size, angle, thickness or used ply property (E1, E2, nu12, G12) that is not finite has
    // no buckling strain: refused, with the ply (0 for the size) as the first number.
    if (!std::all_of(dsize, dsize + 3, [](double v) { return std::isfinite(v); })) {
        tvk::report(-3, "Error: non-finite input in GetSubLamBucklingStrain", 0, n);
        return;
    }
    for (int k = 0; k < n; ++k) {
        const double* p = plyelastic + 9 * static_cast<std::ptrdiff_t>(k);
        if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[3]) && std::isfinite(p[6]) &&
              std::isfinite(plyorientation[k]) && std::isfinite(plythickness[k]))) {
            tvk::report(-3, "Error: non-finite input in GetSubLamBucklingStrain", k + 1, n);
            return;
        }
    }
    const double a = dsize[0], b = dsize[1], theta = dsize[2];
    const double load[3] = {-nglob[0], -nglob[1], -nglob[2]};

    const lm::Stack own{plyelastic, plyorientation, plythickness, n};
    double abd0[36], abd0inv[36];
    if (!stack_abd(own, abd0, abd0inv, nullptr)) return;

    // The stack in the delamination axes.
    tvk::Scratch<double, 64> angle(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) angle[k] = plyorientation[k] - theta;
    const lm::Stack turned{plyelastic, angle.get(), plythickness, n};
    double abd[36], abdinv[36], dred[9];
    if (!stack_abd(turned, abd, abdinv, dred)) return;

    double kk[36], kg[36], kkinv[36], m[36];
    GetSubKK(kk, dred, &a, &b, &ds);
    GetSubKG(kg, load, abd, abdinv, &a, &b, &theta, &ds);
    if (!tvk::la::inverse(kk, kkinv, 6)) return;
    tvk::la::matmul(kkinv, kg, m, 6, 6, 6);

    static constexpr double start[6] = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
    double mu = 0.0;
    // Two leading eigenvalues close in modulus can keep the iteration from converging; its
    // Rayleigh quotient then mixes them, so mu comes from the direct solution of the pencil.
    // Where none dominates (or kk is not positive definite) the mixed value stays, with a note.
    if (tvk::la::power_iteration(&mu, eigvec, m, 6, maxiter, start, abstol) &&
        !tvk::la::dominant_symmetric_pencil(&mu, eigvec, kk, kg, 6, eigvec))
        tvk::report(-1, "No convergence in von Mises eigenvalue computation", maxiter, 0, abstol);
    *eps = abd0inv[0] / mu;
    *nx = 1.0 / (mu * lm::total_thickness(own));
}

void DelaminatedBucklingAnalysis(double* epsbuck, double* bukrealdatalist, int* bukintdatalist,
                                 const double* comprstrength, const double* plyelastic, const double* plyorientation,
                                 const double* plythickness, const double* plydelamination, const int* plydshape,
                                 const int* nplies) {
    const int n = *nplies;
    const Records out{bukrealdatalist, bukintdatalist, n > 1 ? n - 1 : 1};
    if (n < 1) {
        *epsbuck = 0.0;
        std::fill(out.real, out.real + 12, 0.0);
        std::fill(out.ints, out.ints + 4, 0);
        tvk::report(-3, "Error: no plies in DelaminatedBucklingAnalysis", n);
        return;
    }
    analyse_stack(epsbuck, out, *comprstrength, {plyelastic, plyorientation, plythickness, n}, plydelamination,
                  plydshape);
}

void GetBukDataFromDDS(double* bukrealdatalist, int* bukintdatalist, const double* delamdds, const int* plydshape,
                       const double* comprstrength, const double* plyelastic, const double* plyorientation,
                       const double* plythickness, const int* sectionlist, const int* ndmg, const int* nplies,
                       const int* nsec, const int* defint) {
    const int nrec = *nplies > 1 ? *nplies - 1 : 1;  // no n - 1 overflow at INT_MIN
    tvk::sublaminate::fill_records(bukrealdatalist, bukintdatalist,
                                   {delamdds, nrec, plydshape, nrec, comprstrength, plyelastic, 9, plyorientation,
                                    plythickness, sectionlist, *ndmg, *nplies, *nsec, defint ? *defint : tvk::defint});
}

namespace tvk::sublaminate {

void fill_records(double* bukreal, int* bukint, const SetTables& t) {
    const int nplies = std::max(t.nplies, 0), ndmg = std::max(t.ndmg, 0), nsec = std::max(t.nsec, 0);
    const std::ptrdiff_t nrec = std::max(nplies - 1, 1);
    const std::ptrdiff_t total = nrec * ndmg * nsec;
    std::fill(bukreal, bukreal + 12 * total, 0.0);
    std::fill(bukint, bukint + 4 * total, -1);
    std::vector<double> elastic;
    for (int isec = 0; isec < nsec; ++isec) {
        const std::ptrdiff_t off = static_cast<std::ptrdiff_t>(nplies) * isec;
        const int np = lm::section_plies(t.sectionlist + off, nplies, t.defint);
        if (np == 0) continue;
        // Nye vectors of the section's plies, packed when the table has more than 9 rows.
        const double* e = t.plyelastic + static_cast<std::ptrdiff_t>(t.nelastic) * off;
        if (t.nelastic != 9) {
            elastic.resize(9 * static_cast<std::size_t>(np));
            for (int k = 0; k < np; ++k) std::memcpy(&elastic[9 * k], e + t.nelastic * k, 9 * sizeof(double));
            e = elastic.data();
        }
        const lm::Stack s{e, t.plyorientation + off, t.plythickness + off, np};
        for (int idmg = 0; idmg < ndmg; ++idmg) {
            const std::ptrdiff_t col = nrec * (idmg + static_cast<std::ptrdiff_t>(ndmg) * isec);
            const Records out{bukreal + 12 * col, bukint + 4 * col, std::max(np - 1, 1)};
            double epsbuck = 0.0;
            analyse_stack(&epsbuck, out, t.comprstrength[isec], s,
                          t.delamdds + 3 * static_cast<std::ptrdiff_t>(t.ndelam) * idmg,
                          t.plydshape ? t.plydshape + static_cast<std::ptrdiff_t>(t.nshape) * idmg : nullptr);
        }
    }
}

}  // namespace tvk::sublaminate
