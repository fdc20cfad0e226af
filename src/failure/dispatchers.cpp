// Per-mode failure dispatchers: selector -> criterion, on the columns of one ply.
#include "dispatchers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <limits>

#include "core/errors.h"
#include "criteria.h"
#include "matrix_criteria.h"
#include "mechanics/laminate.h"
#include "mechanics/lamina.h"

namespace {

namespace cols = tvk::columns;
using tvk::dispatch::PlyTables;

// The ply's strengths: the first ten entries of its strength column (the first temperature block).
struct Strengths {
    double xt11, xt22, xt33, xc11, xc22, xc33, x12, x13, x23, ilss;
};

Strengths strengths(const PlyTables& t, int layer, int isec) {
    const double* p = t.psprops.column(layer, isec);
    using cols::psprops::Entry;
    auto v = [p](Entry e) { return p[e - 1]; };
    return {v(Entry::xt11), v(Entry::xt22), v(Entry::xt33), v(Entry::xc11), v(Entry::xc22),
            v(Entry::xc33), v(Entry::x12),  v(Entry::x13),  v(Entry::x23),  v(Entry::ilss)};
}

// The ply's Nye property vector (E1 E2 E3 nu12 nu13 nu23 G12 G13 G23): the first nine entries of
// its elastic column; nullptr when the table lacks them.
const double* elastic(const PlyTables& t, int layer, int isec) {
    return t.peprops.column_if(cols::peprops::nye, layer, isec);
}

// Reports a ply or section outside the tables (level -3) and returns false.
bool out_of_range(const char* who, int layer, int isec) {
    char msg[96];
    std::snprintf(msg, sizeof msg, "Error: ply or section out of range in %s", who);
    tvk::report(-3, msg, layer, isec);
    return false;
}

// Checks that the ply's strength column exists; reports and returns false when it does not.
bool ply_in_range(const char* who, const PlyTables& t, int layer, int isec) {
    return t.psprops.has(cols::psprops::count, layer, isec) || out_of_range(who, layer, isec);
}

void default_case(const char* first, const char* second) { tvk::report(-2, tvk::compose(first, second)); }

// The members behind each dispatcher's selectors, named in the report on an exposure that is not
// a finite number.
constexpr const char* general_members[] = {"",
                                           "GPMaxNominal",
                                           "GPQuadNominal",
                                           "GPLinInteraction",
                                           "GPQuadInteraction",
                                           "GPNorrisInteraction",
                                           "GPYamadaSunInteraction",
                                           "GPPolyCamanho",
                                           "GPPolynomial"};
constexpr const char* fibre_members[] = {"",
                                         "GPMaxNominal",
                                         "GPQuadNominal",
                                         "FBHashin",
                                         "FBChangChang",
                                         "FBChristensen",
                                         "GPPolyCamanho",
                                         "GPPolynomial",
                                         "GPLinInteraction",
                                         "GPQuadInteraction",
                                         "GPNorrisInteraction",
                                         "GPYamadaSunInteraction",
                                         "FBLaRC04",
                                         "FBLaRC05"};
constexpr const char* matrix_members[] = {"",
                                          "MCrckHashinPS",
                                          "MCrckHashin3D",
                                          "MCrckHashinComplete",
                                          "MCrckHashin1989",
                                          "MCrckChai",
                                          "MCrckChangChang",
                                          "MCrckCuntze2004",
                                          "MCrckCuntze2012",
                                          "MCrckPuck",
                                          "MCrckWiegand",
                                          "MCrckCamanho",
                                          "MCrckSPC3D",
                                          "MCrckVDI2014",
                                          "MCrckLaRC04",
                                          "MCrckLaRC05"};
constexpr const char* delamination_members[] = {
    "", "DelChai", "DelChoiChang", "DelPuck", "MCrckSPC3D", "DelHashin", "DelOchoaEngblom", "DelLee"};

[[gnu::cold]] void not_finite(const char* member, const char* who, int layer, int isec, double r) {
    char msg[96];
    std::snprintf(msg, sizeof msg, "Error: non-finite exposure from %s in %s", member, who);
    tvk::report(-3, msg, layer, isec, r);
}

// The failed flag of exposure r (1 when r >= 1). The exposure reaches the caller unchanged; one
// that is not a finite number (a NaN stress, zero strengths or moduli) is also recorded at level
// -3, naming the member, so that such a ply does not pass for an intact one.
void set_flag(double* f, double r, const char* member, const char* who, int layer, int isec) {
    *f = r >= 1.0 ? 1.0 : 0.0;
    if (!std::isfinite(r)) [[unlikely]]
        not_finite(member, who, layer, isec, r);
}

// The general criteria shared by the general and fibre dispatchers.
bool general_member(int which, double* r, const double* s, const Strengths& x) {
    switch (which) {
        case 1: GPMaxNominal(r, &s[0], &x.xt11, &x.xc11); return true;
        case 2: GPQuadNominal(r, &s[0], &s[3], &s[4], &x.xt11, &x.x12, &x.x13); return true;
        case 3: GPLinInteraction(r, &s[0], &s[1], &s[3], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12); return true;
        case 4: GPQuadInteraction(r, &s[0], &s[1], &s[3], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12); return true;
        case 5: GPNorrisInteraction(r, &s[0], &s[1], &s[3], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12); return true;
        case 6: GPYamadaSunInteraction(r, &s[0], &s[3], &s[4], &x.xt11, &x.xc11, &x.x12, &x.x13); return true;
        case 7: {
            static constexpr int ptype = 0;
            GPPolyCamanho(r, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12,
                          &x.x13, &x.x23, nullptr, &ptype);
            return true;
        }
        case 8: {
            static constexpr int ptype = 0;
            GPPolynomial(r, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.xt33,
                         &x.xc33, &x.x12, &x.x13, &x.x23, nullptr, &ptype);
            return true;
        }
        default: return false;
    }
}

// Plane-stress (11, 22, 12) stiffness of a ply from its Nye property column.
void plane_stress_stiffness(double* q, const double* props) {
    static constexpr int three = 3;
    GetNyeStiffnessMatrix(q, props, &three, nullptr);
}

// The tables of a call through the C interface: every array laid out (rows, nlayer, nsec) with
// the fixed rows of the interface (ten strengths, nine elastic values, nprops parameters, one
// orientation and one thickness per ply).
PlyTables interface_tables(int nlayer, int nsec, const double* peprops, const double* psprops,
                           const double* pdprops = nullptr, int nprops = 0, const double* plyorientation = nullptr,
                           const double* plythickness = nullptr) {
    return {{peprops, cols::peprops::nye, nlayer, nsec},
            {psprops, cols::psprops::count, nlayer, nsec},
            {pdprops, nprops, nlayer, nsec},
            {plyorientation, 1, nlayer, nsec},
            {plythickness, 1, nlayer, nsec}};
}

}  // namespace

namespace tvk::dispatch {

PlyTables model_tables() {
    return {columns::PlyColumns<double>(materialdata.peprops), columns::PlyColumns<double>(materialdata.psprops),
            columns::PlyColumns<double>(materialdata.pdprops),
            columns::PlyColumns<double>(sectiondata.plyorientation),
            columns::PlyColumns<double>(sectiondata.plythickness)};
}

void general_failure(double& fgp, double& rgp, const double* plystress, const PlyTables& t, int layer, int isec,
                     int gpflag) {
    fgp = 0.0;
    rgp = 0.0;
    if (gpflag == 0) return;  // no criterion: nothing is read
    if (!ply_in_range("GeneralFailure.", t, layer, isec)) return;
    const Strengths x = strengths(t, layer, isec);
    if (!general_member(gpflag, &rgp, plystress, x)) {
        default_case("Warning: Default case in GeneralFailure subroutine.", "Please check your input parameters.");
        return;
    }
    set_flag(&fgp, rgp, general_members[gpflag], "GeneralFailure.", layer, isec);
}

void fibre_breakage(double& ffb, double& rfb, const double* plystress, const PlyTables& t, int layer, int isec,
                    int fbflag) {
    ffb = 0.0;
    rfb = 0.0;
    const int flag = fbflag;
    if (flag == 0) return;  // no criterion: nothing is read
    if (!ply_in_range("FiberBreakage.", t, layer, isec)) return;
    const Strengths x = strengths(t, layer, isec);
    const double* s = plystress;
    // fbflag 1, 2 and 6 to 11 are general criteria: their general selector.
    static constexpr int general_of[12] = {0, 1, 2, 0, 0, 0, 7, 8, 3, 4, 5, 6};
    const double* e = flag == 12 || flag == 13 ? elastic(t, layer, isec) : nullptr;
    if ((flag == 12 || flag == 13) && !e) {
        out_of_range("FiberBreakage.", layer, isec);
        return;
    }
    using cols::peprops::Entry;
    if (flag >= 1 && flag <= 11 && general_of[flag] != 0) {
        general_member(general_of[flag], &rfb, s, x);
    } else if (flag == 3) {
        FBHashin(&rfb, &s[0], &s[3], &s[4], &x.xt11, &x.xc11, &x.x12, &x.x13, nullptr);
    } else if (flag == 4) {
        FBChangChang(&rfb, &s[0], &s[3], &x.xt11, &x.xc11, &x.x12);
    } else if (flag == 5) {
        FBChristensen(&rfb, &s[0], &s[1], &s[2], &x.xt11, &x.xc11);
    } else if (flag == 12) {
        FBLaRC04(&rfb, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12,
                 &e[Entry::e1 - 1], &e[Entry::e2 - 1], &e[Entry::g12 - 1], &e[Entry::nu12 - 1], nullptr, nullptr,
                 nullptr);
    } else if (flag == 13) {
        FBLaRC05(&rfb, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12,
                 &e[Entry::g12 - 1], nullptr, nullptr, nullptr, nullptr);
    } else {
        default_case("Warning: Default case in FiberBreakage subroutine.", "Please check your input parameters.");
        return;
    }
    set_flag(&ffb, rfb, fibre_members[flag], "FiberBreakage.", layer, isec);
}

// The parameter set of a ply is its pdprops column up to the first `defreal`; any -1.0 in it
// keeps every default. Which values are taken depends on the selector and the set's length.
void matrix_cracking(double& fmc, double& rmc, const double* plystress, const PlyTables& t, int layer, int isec,
                     int mcflag, double* outtheta, double defreal) {
    fmc = 0.0;
    rmc = 0.0;
    if (mcflag == 0) return;  // no criterion: nothing is read, the angle stays
    if (!ply_in_range("MatrixCracking.", t, layer, isec)) return;
    const bool asked = outtheta && *outtheta < 0.0;
    const Strengths x = strengths(t, layer, isec);
    const double* s = plystress;
    double a0 = 53.0, sainc = 5.0, phi_r = -1.0;
    int gsflag = 1;
    double ppuck[4] = {0.3, 0.2, 0.15, 0.15}, pvdi[6] = {0.3, 0.3, 0.25, 0.25, 0.5, 0.5};
    double pspc3d[5] = {x.x12, x.x13, x.x23, 0.3, -0.3};

    // A parameter table that does not reach this ply counts as an empty set.
    const int np = t.pdprops.has(t.pdprops.rows, layer, isec) ? static_cast<int>(t.pdprops.rows) : 0;
    const double* params = np > 0 ? t.pdprops.column(layer, isec) : nullptr;
    int n = 0;
    while (n < np && params[n] != defreal) ++n;
    bool defaults_only = n == 0;
    for (int i = 0; i < n; ++i)
        if (params[i] == -1.0) defaults_only = true;
    const int flag = mcflag;
    const double* e = flag == 14 ? elastic(t, layer, isec) : nullptr;
    if (flag == 14 && !e) {
        out_of_range("MatrixCracking.", layer, isec);
        return;
    }
    if (!defaults_only) {
        auto step_and_mode = [&](int count) {
            sainc = params[count - 2];
            gsflag = static_cast<int>(params[count - 1]);
        };
        switch (flag) {
            case 9:
                if (n == 4) std::copy_n(params, 4, ppuck);
                else if (n == 2 || n == 6) step_and_mode(n);
                break;
            case 13:
                if (n == 6) std::copy_n(params, 6, pvdi);
                else if (n == 2 || n == 8) step_and_mode(n);
                break;
            case 12:
                if (n == 5) std::copy_n(params, 5, pspc3d);
                else if (n == 2 || n == 7) step_and_mode(n);
                break;
            case 10:
            case 11:
                if (n == 1) a0 = params[0];
                else if (n == 2 || n == 3) step_and_mode(n);
                break;
            default:
                a0 = params[0];
                phi_r = params[0] * tvk::deg2rad;
                break;
        }
    }
    using cols::peprops::Entry;
    double* r = &rmc;
    switch (flag) {
        case 1: MCrckHashinPS(r, &s[1], &s[3], &x.xt22, &x.xc22, &x.x12, &x.x23); break;
        case 2: MCrckHashin3D(r, &s[1], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, &x.x23); break;
        case 3: MCrckHashinComplete(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, &x.x23); break;
        case 4:
            MCrckHashin1989(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.xt33, &x.xc33, &x.x12,
                            &x.x13, &x.x23);
            break;
        case 5: MCrckChai(r, &s[1], &s[3], &s[5], &x.xt22, &x.xc22, &x.x12, &x.x23, nullptr); break;
        case 6: MCrckChangChang(r, &s[1], &s[3], &x.xt22, &x.xc22, &x.x12); break;
        case 7:
            MCrckCuntze2004(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, &x.x13, nullptr,
                            nullptr);
            break;
        case 8: MCrckCuntze2012(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, nullptr, nullptr); break;
        case 9:
            MCrckPuck(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, &phi_r, ppuck, &sainc,
                      &gsflag, nullptr);
            break;
        case 10:
            MCrckWiegand(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, &phi_r, &a0, &sainc,
                         &gsflag);
            break;
        case 11:
            MCrckCamanho(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, &x.x23, &phi_r, &a0,
                         &sainc, &gsflag);
            break;
        case 12:
            MCrckSPC3D(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.xt33, &x.xc33,
                       &x.x12, &x.x13, &x.x23, pspc3d, &phi_r, pspc3d + 3, &sainc, nullptr, &gsflag);
            break;
        case 13:
            MCrckVDI2014(r, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.x12,
                         &phi_r, pvdi, pvdi + 4, &sainc, &gsflag);
            break;
        case 14: {
            // The plane goes out in the ply frame, in which gen_damage reads it about the ply's
            // 1-axis, also where LaRC04 searched it in its kink band's frame.
            const bool search = phi_r < 0.0;
            tvk::failure::Larc04BandTurn turn;
            tvk::failure::larc04_matrix(r, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22,
                                        &x.xc22, &x.x12, &e[Entry::e1 - 1], &e[Entry::e2 - 1], &e[Entry::g12 - 1],
                                        &e[Entry::nu12 - 1], nullptr, &phi_r, &sainc, &gsflag, &turn);
            if (search && phi_r >= 0.0) phi_r = tvk::failure::larc04_ply_plane(phi_r, turn);
            break;
        }
        case 15:
            MCrckLaRC05(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt22, &x.xc22, &x.x12, nullptr, &phi_r, &sainc,
                        &gsflag);
            break;
        default:
            default_case("Warning: Default case in MatrixCracking subroutine", ". Please check your input parameters.");
            return;
    }
    set_flag(&fmc, rmc, matrix_members[flag], "MatrixCracking.", layer, isec);
    if (asked && fmc == 1.0 && std::isfinite(rmc)) *outtheta = phi_r;  // a refused ply keeps the angle it came with
}

const char* matrix_criterion(int mcflag) {
    constexpr int n = static_cast<int>(std::size(matrix_members));
    return mcflag >= 1 && mcflag < n ? matrix_members[mcflag] : "no matrix criterion";
}

// Delamination onset at the interface above ply `layer`. The two-ply forms evaluate the lower
// ply always and the upper one only when every strength it needs is given (nonzero).
void delamination_onset(double& fdel, double& rdel, double s33i, const double* lplystress,
                        const double* uplystress, const PlyTables& t, int layer, int isec, int delflag) {
    fdel = 0.0;
    rdel = 0.0;
    const int flag = delflag;
    if (flag == 0) return;  // no criterion: nothing is read
    const int lay = layer, sec = isec;
    // A ply above is needed (and a ply index of the int limit has none).
    if (lay < 1 || lay == std::numeric_limits<int>::max() || !t.psprops.has(cols::psprops::count, lay + 1, sec)) {
        out_of_range("Delamination.", lay, sec);
        return;
    }
    const Strengths lo = strengths(t, lay, sec), up = strengths(t, lay + 1, sec);
    const double *ls = lplystress, *us = uplystress;
    // The exposure checked on the way out: rdel, or in the two-ply forms the ply's exposure that
    // may be non-finite (max() would drop a NaN of the lower ply).
    double seen = 0.0;
    auto two_ply = [&](auto member, bool upper_given) {
        double rl = 0.0, ru = 0.0;
        member(&rl, ls, lo);
        if (upper_given) member(&ru, us, up);
        rdel = std::max(ru, rl);
        seen = std::isfinite(rl) ? ru : rl;
    };
    switch (flag) {
        case 1: {
            using cols::peprops::Entry;
            const double* el = elastic(t, lay, sec);
            const double* eu = elastic(t, lay + 1, sec);
            if (!el || !eu || !t.plyorientation.has(1, lay + 1, sec) || !t.plythickness.has(1, lay + 1, sec)) {
                out_of_range("Delamination.", lay, sec);
                return;
            }
            double ql[9], qu[9], factors[3];
            plane_stress_stiffness(ql, el);
            plane_stress_stiffness(qu, eu);
            const double dangle = *t.plyorientation.column(lay, sec) - *t.plyorientation.column(lay + 1, sec);
            GetChaiDelamFactors(factors, ql, qu, &dangle, t.plythickness.column(lay, sec),
                                t.plythickness.column(lay + 1, sec), &el[Entry::g23 - 1], &eu[Entry::g23 - 1],
                                &el[Entry::g13 - 1], &eu[Entry::g13 - 1]);
            DelChai(&rdel, &ls[1], &ls[4], &us[5], &lo.xt22, &lo.xc22, &up.x23, &lo.ilss, &factors[0], &factors[1],
                    &factors[2]);
            seen = rdel;
            break;
        }
        case 2: {
            const double ilssu = up.ilss == 0.0 ? lo.ilss : up.ilss;
            DelChoiChang(&rdel, &ls[1], &ls[4], &us[5], &lo.xt22, &lo.xc22, &lo.ilss, &ilssu, nullptr);
            seen = rdel;
            break;
        }
        case 3:
            two_ply([&](double* r, const double* s, const Strengths& x) {
                DelPuck(r, &s33i, &s[4], &s[5], &x.xt22, &x.xc22, &x.ilss, nullptr);
            }, up.xt22 != 0.0 && up.xc22 != 0.0 && up.ilss != 0.0);
            break;
        case 4: {
            const bool all = up.xt11 != 0.0 && up.xc11 != 0.0 && up.xt22 != 0.0 && up.xc22 != 0.0 && up.xt33 != 0.0 &&
                             up.xc33 != 0.0 && up.x12 != 0.0 && up.x13 != 0.0 && up.x23 != 0.0;
            two_ply([&](double* r, const double* s, const Strengths& x) {
                static constexpr double step = 1.0, range[2] = {178.0, 182.0};
                static constexpr int scan = 0;
                MCrckSPC3D(r, &s[1], &s[2], &s[3], &s[4], &s[5], &x.xt11, &x.xc11, &x.xt22, &x.xc22, &x.xt33, &x.xc33,
                           &x.x12, &x.x13, &x.x23, nullptr, nullptr, nullptr, &step, range, &scan);
            }, all);
            break;
        }
        case 5:
            two_ply([&](double* r, const double* s, const Strengths& x) {
                DelHashin(r, &s33i, &s[4], &s[5], &x.xt22, &x.xc22, &x.ilss);
            }, up.xt22 != 0.0 && up.xc22 != 0.0 && up.ilss != 0.0);
            break;
        case 6:
            two_ply([&](double* r, const double* s, const Strengths& x) {
                DelOchoaEngblom(r, &s33i, &s[4], &s[5], &x.xt33, &x.xc33, &x.ilss);
            }, up.xt33 != 0.0 && up.xc33 != 0.0 && up.ilss != 0.0);
            break;
        case 7:
            two_ply([&](double* r, const double* s, const Strengths& x) {
                DelLee(r, &s33i, &s[3], &s[4], &x.xt33, &x.xc33, &x.ilss);
            }, up.xt33 != 0.0 && up.xc33 != 0.0 && up.ilss != 0.0);
            break;
        default:
            default_case("Warning: Default case in Delamination subroutine", ". Please check your input parameters.");
            return;
    }
    fdel = rdel >= 1.0 ? 1.0 : 0.0;
    if (!std::isfinite(seen)) [[unlikely]]
        not_finite(delamination_members[flag], "Delamination.", lay, sec, seen);
}

// No core-crushing criterion is evaluated on this road: ccflag 0 to 2 give zeros.
void core_crushing(double& fcc, double& rcc, const double*, const PlyTables& t, int layer, int isec, int ccflag) {
    fcc = 0.0;
    rcc = 0.0;
    if (ccflag >= 0 && ccflag <= 2) return;  // no criterion: nothing is read
    if (!ply_in_range("CoreCrushing.", t, layer, isec)) return;
    default_case("Warning: Default case in CoreCrushing subroutine", ". Please check your input parameters.");
}

}  // namespace tvk::dispatch

// ---- the C interface: arrays of the fixed rows of interface_tables ------------------------------

void generalfailure(double* fgp, double* rgp, const double* plystress, const double* psprops, const double*,
                    const int* layer, const int* nlayer, const int* isec, const int* nsec, const int* gpflag) {
    tvk::dispatch::general_failure(*fgp, *rgp, plystress, interface_tables(*nlayer, *nsec, nullptr, psprops), *layer,
                                   *isec, *gpflag);
}

void fiberbreakage(double* ffb, double* rfb, const double* plystress, const double* peprops, const double* psprops,
                   const double*, const int* layer, const int* nlayer, const int* isec, const int* nsec,
                   const int* fbflag) {
    tvk::dispatch::fibre_breakage(*ffb, *rfb, plystress, interface_tables(*nlayer, *nsec, peprops, psprops), *layer,
                                  *isec, *fbflag);
}

void MatrixCracking(double* fmc, double* rmc, const double* plystress, const double* peprops,
                    const double* psprops, const double* pdprops, const double*, const int* layer,
                    const int* nlayer, const int* isec, const int* nsec, const int* nprops, const int* mcflag,
                    double* outtheta, const double* defreal) {
    tvk::dispatch::matrix_cracking(*fmc, *rmc, plystress,
                                   interface_tables(*nlayer, *nsec, peprops, psprops, pdprops, *nprops), *layer,
                                   *isec, *mcflag, outtheta, defreal ? *defreal : tvk::huge);
}

void delamination(double* fdel, double* rdel, const double* s33i, const double* lplystress, const double* uplystress,
                  const double* peprops, const double* psprops, const double* plyorientation,
                  const double* plythickness, const int* layer, const int* nlayer, const int* isec, const int* nsec,
                  const int* delflag) {
    tvk::dispatch::delamination_onset(
        *fdel, *rdel, *s33i, lplystress, uplystress,
        interface_tables(*nlayer, *nsec, peprops, psprops, nullptr, 0, plyorientation, plythickness), *layer, *isec,
        *delflag);
}

void corecrushing(double* fcc, double* rcc, const double* plystress, const double* psprops, const double*,
                  const int* layer, const int* nlayer, const int* isec, const int* nsec, const int* ccflag) {
    tvk::dispatch::core_crushing(*fcc, *rcc, plystress, interface_tables(*nlayer, *nsec, nullptr, psprops), *layer,
                                 *isec, *ccflag);
}
