// Shear flows, shear centre and torsion of a thin-walled multi-cell section (the classical
// statically indeterminate shear-flow analysis, e.g. Megson, Aircraft Structures, 2017, ch. 17-19):
// the flow in a wall is its unknown start value plus the open-section change from the first
// moments of the axial stiffness, -Q/D * int B z* ds. The start values follow from the axial
// equilibrium of every boom, the compatibility of every cell (int q/G ds = 2 A theta) and, with a
// twist, the moment equilibrium about the stiffness centre. Solved for a unit principal shear in
// z* and in y* with theta = 0, they give the shear centre; for the loads they give the flows and
// the specific twist; for a unit torque the torsional stiffness 1/theta (Bredt-Batho for one cell).
#include <cmath>
#include <cstdio>

#include "calc.h"
#include "core/format.h"

namespace tvk::boxbeam {

namespace {

constexpr double tol = 1.0e-30;  // pivot tolerance of every solve

Status refused(std::string text) { return {Status::refused, std::move(text)}; }

// Solves the system held in rows 1..nrows of C with n unknowns (columns 1..n) and the negative
// right side in column rhs, into x. Writes the extended dumps; on failure the solver message.
bool solve(Calc& w, int nrows, int n, int rhs, double* x, Status& st) {
    const int ld = w.rows;
    std::vector<double>& cc = w.solve_c;
    cc.assign(w.C.size(), 0.0);
    for (int j = 1; j <= rhs; ++j)
        for (int i = 1; i <= nrows; ++i) cc[(i - 1) + static_cast<std::size_t>(j - 1) * ld] = w.c(i, j);
    std::vector<double>& rv = w.solve_r;
    // the right side, then the solver's work ((n + 1)^2 entries)
    rv.assign(static_cast<std::size_t>(ld) + static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1), 0.0);
    for (int i = 1; i <= nrows; ++i) rv[i - 1] = -w.c(i, rhs);
    std::vector<int>& irv = w.solve_ip;
    irv.assign(static_cast<std::size_t>(ld), 0);
    const int ifail = tvert(cc.data(), n, ld, tol, rv.data(), irv.data(), x, rv.data() + ld);
    if (ifail != 0) {
        report_solver_failure(w.rep, ifail);
        st = refused(io::format("('ABBRUCH DER REDUKTION IN SCHRITT',I3,'. PIVOT','ELEMENT IST ZU KLEIN')", {ifail}));
        return false;
    }
    report_solution(w, x, n);
    report_residuals(w, x, nrows, n, rhs);
    return true;
}

// Empties lists 1..n (at least n lists exist afterwards). Lists are never dropped, so that their
// memory serves the next calculation, whatever its size.
void clear_lists(std::vector<std::vector<int>>& lists, int n) {
    if (lists.size() < static_cast<std::size_t>(n)) lists.resize(static_cast<std::size_t>(n));
    for (auto& l : lists) l.clear();
}

// Sum of a per-wall coefficient over a list of walls.
double sum(const std::vector<double>& v, const std::vector<int>& walls) {
    double s = 0;
    for (int k : walls) s += v[k];
    return s;
}

}  // namespace

bool shear_flows(Calc& w, Status& st) {
    const auto& g = gurt;
    const auto& wd = wand;
    auto& q = quer;
    const int KW = w.KW, IG = w.IG, AZ = w.AZ;
    const int IGAZ = IG + AZ, IGAZ1 = IGAZ + 1, KWP1 = KW + 1, KWP2 = KW + 2;
    Report& r = w.rep;

    // Every connected section has one wall fewer than booms and cells together; otherwise the
    // systems below have the wrong shape. Without walls there is no shear flow to find.
    if (KW != IG + AZ - 1 || KW < 1) {
        char text[120];
        std::snprintf(text, sizeof text, "ANZAHL DER WAENDE%5d UNGLEICH GURTE + ZELLEN - 1 =%5d", KW, IG + AZ - 1);
        report_failure(r, text);
        st = refused(text);
        return false;
    }

    // ---- wall coefficients and the moment row
    w.rows = IGAZ1;
    w.cols = KWP2;
    w.C.assign(static_cast<std::size_t>(w.rows) * w.cols, 0.0);
    for (auto* v : {&w.SSTYK, &w.SSTZK, &w.DSIYK, &w.DSIZK, &w.FSTSYM, &w.FSTSZM, &w.RUK, &w.TRUYK, &w.TRUZK,
                    &w.DELTYK, &w.DELTZK, &w.DDQYK, &w.DDQZK})
        v->assign(KW, 0.0);
    const double c = w.COSA, s = w.SINA;
    // Shear forces in the principal system: the open-section flows they cause are what the
    // moment row must balance, so they are turned like the loads of the flow system.
    const double qyp = s * w.QZ + c * w.QY, qzp = c * w.QZ - s * w.QY;
    w.RMX = 0;
    for (int k = 0; k < KW; ++k) {
        const double lk = w.LK[k];
        const double sz = w.SKYK[k] - q.ZS * lk, sy = w.SKZK[k] - q.YS * lk;
        w.SSTYK[k] = c * sz - s * sy;
        w.SSTZK[k] = c * sy + s * sz;
        w.DELTYK[k] = -w.SSTYK[k] * wd.BK[k] / q.DYYSTE;
        w.DELTZK[k] = -w.SSTZK[k] * wd.BK[k] / q.DZZSTE;
        const double z3 = (2 * wd.ZK0[k] + wd.ZKLK[k]) / 3 - q.ZS, y3 = (2 * wd.YK0[k] + wd.YKLK[k]) / 3 - q.YS;
        const double h = lk * lk / 2;
        w.DSIYK[k] = h * (c * z3 - s * y3);
        w.DSIZK[k] = h * (s * z3 + c * y3);
        const double zq = wd.ZKLK[k] + 3 * wd.ZK0[k] - 4 * q.ZS, yq = wd.YKLK[k] + 3 * wd.YK0[k] - 4 * q.YS;
        w.FSTSYM[k] = (c * zq - s * yq) * lk * 0.125;
        w.FSTSZM[k] = (c * yq + s * zq) * lk * 0.125;
        w.RUK[k] = (wd.YK0[k] - q.YS) * (wd.ZKLK[k] - wd.ZK0[k]) - (wd.ZK0[k] - q.ZS) * (wd.YKLK[k] - wd.YK0[k]);
        w.TRUYK[k] = w.DSIYK[k] * w.RUK[k] / lk;
        w.TRUZK[k] = w.DSIZK[k] * w.RUK[k] / lk;
        w.DDQYK[k] = w.DSIYK[k] * (wd.BK[k] / wd.GK[k]) / q.DYYSTE;
        w.DDQZK[k] = w.DSIZK[k] * (wd.BK[k] / wd.GK[k]) / q.DZZSTE;
        w.c(IGAZ1, k + 1) = w.RUK[k];
        w.RMX += wd.BK[k] * (w.TRUZK[k] * qyp / q.DZZSTE + w.TRUYK[k] * qzp / q.DYYSTE);
        if (r.extended()) {
            r.trace("Wand:", k + 1);
            r.trace("SSTYK", {w.SSTYK[k]});
            r.trace("SSTZK", {w.SSTZK[k]});
            r.trace("DYYSTE", {q.DYYSTE});
            r.trace("DZZSTE", {q.DZZSTE});
            r.trace("DELTYK", {w.DELTYK[k]});
            r.trace("DELTZK", {w.DELTZK[k]});
        }
    }
    w.SCALE.assign(static_cast<std::size_t>(AZ) + 1, 1.0);
    auto scale_row = [&w, KW](int row) {
        double m = -1;
        for (int k = 1; k <= KW; ++k) m = std::max(m, std::fabs(w.c(row, k)));
        const double f = m == 0 ? 1.0 : 1.0 / m;
        for (int k = 1; k <= KW; ++k) w.c(row, k) *= f;
        return f;
    };
    w.SCALE[AZ] = scale_row(IGAZ1);
    report_first_moments(w);

    // ---- topology: boom equilibrium rows, cell compatibility rows
    clear_lists(w.IAL, IG);
    for (int i = 1; i <= IG; ++i)
        for (int k = 1; k <= KW; ++k) {
            if (wd.IG1[k - 1] == i) {
                w.c(i, k) = -1;
            } else if (wd.IG2[k - 1] == i) {
                w.IAL[i - 1].push_back(k - 1);
                w.c(i, k) = 1;
            }
        }
    const auto& z = zelle;
    clear_lists(w.IALA, AZ);
    clear_lists(w.IBETA, AZ);
    w.ZFA.assign(AZ, 0.0);
    for (int cell = 1; cell <= AZ; ++cell) {
        const int row = IG + cell, nb = z.IAK[cell - 1];
        const std::int32_t* ia = z.IA + static_cast<std::ptrdiff_t>(cell - 1) * z.IA_n1;
        double zf = 0, perimeter = 0;
        for (int j = 0; j < nb; ++j) {
            const int a = ia[j], b = ia[j + 1 < nb ? j + 1 : 0];
            int joined = -1;
            for (int k = 0; k < KW && joined < 0; ++k) {
                if (wd.IG1[k] == a && wd.IG2[k] == b) {
                    w.IALA[cell - 1].push_back(k);
                    w.c(row, k + 1) = w.LK[k] / wd.GK[k];
                    zf += w.RUK[k];
                    joined = k;
                } else if (wd.IG1[k] == b && wd.IG2[k] == a) {
                    w.IBETA[cell - 1].push_back(k);
                    w.c(row, k + 1) = -w.LK[k] / wd.GK[k];
                    zf -= w.RUK[k];
                    joined = k;
                }
            }
            // The compatibility of the cell divides every wall's length by its shear stiffness: a
            // wall without it would make the twist of the cell undefined.
            if (joined >= 0 && (!(wd.GK[joined] > 0) || !std::isfinite(wd.GK[joined]))) {
                char text[120];
                std::snprintf(text, sizeof text, "WALL %d OF CELL %d WITHOUT SHEAR STIFFNESS: GK = %.6G", joined + 1,
                              cell, wd.GK[joined]);
                report_failure(r, text);
                st = refused(text);
                return false;
            }
            if (joined >= 0) perimeter += w.LK[joined];
            if (joined < 0) {
                report_topology(r, cell, a, b);
                char text[120];
                std::snprintf(text, sizeof text, "IN ZELLE %d WURDE DIE WAND ZWISCHEN DEN GURTEN %d UND %d NICHT DEFINIERT !!",
                              cell, a, b);
                st = refused(text);
                return false;
            }
        }
        // twice the enclosed area: a cell without one (its booms on a line, or a circuit that
        // runs back over itself) can carry no torque, and its compatibility row is void
        if (!(std::fabs(zf) > 1.0e-12 * perimeter * perimeter)) {
            char text[120];
            std::snprintf(text, sizeof text, "CELL %d ENCLOSES NO AREA", cell);
            report_failure(r, text);
            st = refused(text);
            return false;
        }
        w.ZFA[cell - 1] = zf;
        w.SCALE[cell - 1] = scale_row(row);
    }

    // z* and y* of every boom
    std::vector<double>& bz = w.bz;
    std::vector<double>& by = w.by;
    bz.assign(IG, 0.0);
    by.assign(IG, 0.0);
    for (int i = 0; i < IG; ++i) w.principal(g.YI[i], g.ZI[i], bz[i], by[i]);

    double* t0 = kraft.T0;

    // ---- shear centre: unit principal shear in z* (pass 0) and in y* (pass 1), no twist
    for (int pass = 0; pass < 2; ++pass) {
        const auto& delt = pass == 0 ? w.DELTYK : w.DELTZK;
        const auto& ddq = pass == 0 ? w.DDQYK : w.DDQZK;
        for (int i = 0; i < IG; ++i)
            w.c(i + 1, KWP1) = sum(delt, w.IAL[i]) -
                               (pass == 0 ? g.BI[i] * bz[i] / q.DYYSTE : g.BI[i] * by[i] / q.DZZSTE);
        for (int cell = 0; cell < AZ; ++cell)
            w.c(IG + cell + 1, KWP1) = (sum(ddq, w.IBETA[cell]) - sum(ddq, w.IALA[cell])) * w.SCALE[cell];
        report_system(w, IGAZ, KWP1);
        if (!solve(w, IGAZ, KW, KWP1, t0, st)) return false;
        double m = 0;
        for (int k = 0; k < KW; ++k)
            m += pass == 0 ? t0[k] * w.RUK[k] - w.TRUYK[k] * wd.BK[k] / q.DYYSTE
                           : w.TRUZK[k] * wd.BK[k] / q.DZZSTE - t0[k] * w.RUK[k];
        (pass == 0 ? q.YMST : q.ZMST) = m;
    }
    q.YMSTAC = q.YS + c * q.YMST - s * q.ZMST;
    q.ZMSTAC = q.ZS + s * q.YMST + c * q.ZMST;
    report_shear_centre(w);

    // ---- flows and twist for the loads
    w.MX = w.MX - q.YMSTAC * w.QZ + q.ZMSTAC * w.QY;
    w.QY = qyp;
    w.QZ = qzp;
    const double h11 = w.QZ / q.DYYSTE, h22 = w.QY / q.DZZSTE;
    for (int i = 0; i < IG; ++i) {
        w.c(i + 1, KWP2) = w.QZ * sum(w.DELTYK, w.IAL[i]) + w.QY * sum(w.DELTZK, w.IAL[i]) -
                           g.BI[i] * h11 * bz[i] - g.BI[i] * h22 * by[i];
        w.c(i + 1, KWP1) = 0;
    }
    for (int cell = 0; cell < AZ; ++cell) {
        const auto &al = w.IALA[cell], &be = w.IBETA[cell];
        w.c(IG + cell + 1, KWP2) = ((sum(w.DDQYK, be) - sum(w.DDQYK, al)) * w.QZ -
                                    (sum(w.DDQZK, al) - sum(w.DDQZK, be)) * w.QY) * w.SCALE[cell];
        w.c(IG + cell + 1, KWP1) = -w.ZFA[cell] * w.SCALE[cell];
    }
    w.c(IGAZ1, KWP2) = (-w.MX - w.RMX - q.YMST * w.QZ + q.ZMST * w.QY) * w.SCALE[AZ];
    w.c(IGAZ1, KWP1) = 0;
    const bool closed = AZ > 0;
    report_system(w, IGAZ1, KWP2);
    if (closed) {
        if (!solve(w, IGAZ1, KWP1, KWP2, t0, st)) return false;
    } else {
        // an open section carries no torque: the flows follow from the booms alone
        report_open_profile(r);
        if (!solve(w, IGAZ, KW, KWP2, t0, st)) return false;
    }

    // ---- flows at the middle and the end of each wall, shear strains
    auto& kr = kraft;
    auto& e = epigam;
    const std::ptrdiff_t ld = e.GAM_n1;
    for (int k = 0; k < KW; ++k) {
        kr.TL2[k] = t0[k] - wd.BK[k] * (w.FSTSYM[k] * h11 + w.FSTSZM[k] * h22);
        kr.TL[k] = t0[k] - wd.BK[k] * (w.SSTYK[k] * h11 + w.SSTZK[k] * h22);
        const double gk = wd.GK[k];
        const double zwa = gk != 0 ? t0[k] / gk : 0.0, zwb = gk != 0 ? kr.TL2[k] / gk : 0.0,
                     zwc = gk != 0 ? kr.TL[k] / gk : 0.0;
        e.GAM[k] = zwa;
        e.GAM[k + ld] = zwb;
        e.GAM[k + 2 * ld] = zwc;
        if (r.extended()) {
            r.trace("Wand:", k + 1);
            r.trace("T0", {t0[k]});
            r.trace("TL2", {kr.TL2[k]});
            r.trace("TL", {kr.TL[k]});
            r.trace("GK", {gk});
            r.trace("ZWA", {zwa});
            r.trace("ZWB", {zwb});
            r.trace("ZWC", {zwc});
        }
    }
    report_shear_flows(w);
    if (closed) report_twist(r, t0[KW]);

    // ---- mass moments in principal-parallel axes through the shear centre
    const double a = q.YS - q.YT, b = q.ZS - q.ZT;
    q.IYYS = w.IYYD * w.COS2 + w.IZZD * w.SIN2 - w.IZYD * w.SIN2AL +
             q.M * q.ZMST * (q.ZMST + 2 * b * c - 2 * a * s);
    q.IZYS = 0.5 * w.SIN2AL * (w.IYYD - w.IZZD) + w.IZYD * w.COS2AL +
             q.M * (c * (b * q.YMST + a * q.ZMST) + q.ZMST * q.YMST - s * (a * q.YMST - b * q.ZMST));
    q.IZZS = w.IZZD * w.COS2 + w.IYYD * w.SIN2 + w.IZYD * w.SIN2AL +
             q.M * q.YMST * (q.YMST + 2 * a * c + 2 * b * s);
    report_mass_moments(r);

    // ---- torsional stiffness: the twist of a unit torque
    q.DT = 0;
    if (closed) {
        for (int i = 1; i <= IG; ++i) w.c(i, KWP1) = w.c(i, KWP2) = 0;
        for (int cell = 0; cell < AZ; ++cell) {
            w.c(IG + cell + 1, KWP1) = -w.ZFA[cell] * w.SCALE[cell];
            w.c(IG + cell + 1, KWP2) = 0;
        }
        w.c(IGAZ1, KWP1) = 0;
        w.c(IGAZ1, KWP2) = -w.SCALE[AZ];
        report_system(w, IGAZ1, KWP2);
        std::vector<double>& unit = w.unit;
        unit.assign(static_cast<std::size_t>(KWP1), 0.0);
        if (!solve(w, IGAZ1, KWP1, KWP2, unit.data(), st)) return false;
        q.DT = 1 / unit[KW];
    }
    report_torsion(r);
    return true;
}

}  // namespace tvk::boxbeam
