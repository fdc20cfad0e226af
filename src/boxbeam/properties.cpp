// Section properties of a thin-walled beam idealised into booms and straight walls: axial
// stiffness, mass, stiffness and mass centres, bending stiffnesses and mass moments (exact
// integrals over straight walls), principal axes, and the normal flows of Bernoulli bending,
// N = B (QX/BX + MY* z*/DYY* - MZ* y*/DZZ*) in the principal system at the stiffness centre.
#include <cmath>

#include "calc.h"
#include "core/tvk.h"

namespace tvk::boxbeam {

void Calc::principal(double y, double z, double& zs, double& ys) const {
    const double dy = y - quer.YS, dz = z - quer.ZS;
    zs = COSA * dz - SINA * dy;
    ys = COSA * dy + SINA * dz;
}

void section_properties(Calc& w) {
    const auto& g = gurt;
    const auto& wd = wand;
    auto& q = quer;
    double sy = 0, sz = 0;
    q.BX = q.M = q.YT = q.ZT = 0;
    for (int i = 0; i < w.IG; ++i) {
        q.BX += g.BI[i];
        sy += g.BI[i] * g.ZI[i];
        sz += g.BI[i] * g.YI[i];
        q.M += g.MYI[i];
        q.YT += g.MYI[i] * g.YI[i];
        q.ZT += g.MYI[i] * g.ZI[i];
    }
    w.LK.assign(w.KW, 0.0), w.SKYK.assign(w.KW, 0.0), w.SKZK.assign(w.KW, 0.0);
    for (int k = 0; k < w.KW; ++k) {
        const double lam = wd.YKLK[k] - wd.YK0[k], phi = wd.ZKLK[k] - wd.ZK0[k];
        w.LK[k] = std::sqrt(lam * lam + phi * phi);
        const double ym = (wd.YK0[k] + wd.YKLK[k]) / 2, zm = (wd.ZK0[k] + wd.ZKLK[k]) / 2;
        w.SKYK[k] = zm * w.LK[k];
        w.SKZK[k] = ym * w.LK[k];
        q.BX += wd.BK[k] * w.LK[k];
        q.M += wd.RHOK[k] * w.LK[k];
        sy += wd.BK[k] * w.SKYK[k];
        sz += wd.BK[k] * w.SKZK[k];
        q.YT += wd.RHOK[k] * w.SKZK[k];
        q.ZT += wd.RHOK[k] * w.SKYK[k];
    }
    // A section without axial stiffness gets non-finite stiffness centres, as the arithmetic gives
    // them; the calculation refuses it right after these sums. A section without mass has no
    // mass moments, and every point is its mass centre: it is put at the stiffness centre.
    q.YS = sz / q.BX;
    q.ZS = sy / q.BX;
    if (q.M != 0) {
        q.YT /= q.M;
        q.ZT /= q.M;
    } else {
        q.YT = q.YS;
        q.ZT = q.ZS;
    }

    q.DYY = q.DZY = q.DZZ = q.ITT = 0;
    w.IYYD = w.IZYD = w.IZZD = 0;
    for (int i = 0; i < w.IG; ++i) {
        double dy = g.YI[i] - q.YS, dz = g.ZI[i] - q.ZS;
        q.DYY += g.BI[i] * dz * dz;
        q.DZY += g.BI[i] * dz * dy;
        q.DZZ += g.BI[i] * dy * dy;
        w.IYYD += g.MYI[i] * dz * dz;
        w.IZYD += g.MYI[i] * dz * dy;
        w.IZZD += g.MYI[i] * dy * dy;
        dy = g.YI[i] - q.YT, dz = g.ZI[i] - q.ZT;
        q.ITT += g.MYI[i] * (dy * dy + dz * dz);
    }
    Report& r = w.rep;
    for (int k = 0; k < w.KW; ++k) {
        const double lam = wd.YKLK[k] - wd.YK0[k], phi = wd.ZKLK[k] - wd.ZK0[k], lk = w.LK[k];
        // second moments of a straight wall about a point at (dy, dz) from its start
        auto moments = [&](double dy, double dz, double& dyy, double& dzz, double& dzy) {
            dyy = (phi * phi / 3 + dz * dz + dz * phi) * lk;
            dzz = (lam * lam / 3 + dy * dy + dy * lam) * lk;
            dzy = (phi * lam / 3 + dz * dy + (dy * phi + lam * dz) / 2) * lk;
        };
        double dyyk, dzzk, dzyk;
        moments(wd.YK0[k] - q.YS, wd.ZK0[k] - q.ZS, dyyk, dzzk, dzyk);
        q.DYY += wd.BK[k] * dyyk;
        q.DZY += wd.BK[k] * dzyk;
        q.DZZ += wd.BK[k] * dzzk;
        w.IYYD += wd.RHOK[k] * dyyk;
        w.IZYD += wd.RHOK[k] * dzyk;
        w.IZZD += wd.RHOK[k] * dzzk;
        if (r.extended()) {
            r.trace("Wand:", k + 1);
            r.trace("PHIK,ZKLK,ZK0", {phi, wd.ZKLK[k], wd.ZK0[k]});
            r.trace("LAMK,YKLK,YK0", {lam, wd.YKLK[k], wd.YK0[k]});
            r.trace("SZ", {sz});
            r.trace("SY", {sy});
            r.trace("BX", {q.BX});
            r.trace("H1", {wd.ZK0[k] - q.ZS});
            r.trace("H2", {wd.YK0[k] - q.YS});
            // the boom table at the wall's number; 0 where the boom table has no such entry
            r.trace("BI", {k < g.BI_n ? g.BI[k] : 0.0});
            r.trace("BK", {wd.BK[k]});
            r.trace("DYYK", {dyyk});
            r.trace("DZZK", {dzzk});
            r.trace("DZYK", {dzyk});
            r.trace("DYY", {q.DYY});
            r.trace("DZY", {q.DZY});
            r.trace("DZZ", {q.DZZ});
            r.trace("IYYD", {w.IYYD});
            r.trace("IZYD", {w.IZYD});
            r.trace("IZZD", {w.IZZD});
        }
        moments(wd.YK0[k] - q.YT, wd.ZK0[k] - q.ZT, dyyk, dzzk, dzyk);
        q.ITT += (dzzk + dyyk) * wd.RHOK[k];
        if (r.extended()) r.trace("ITT", {q.ITT});
    }
    w.DYYVRT = q.DYY + q.ZS * q.ZS * q.BX;
    w.DZYVRT = q.DZY + q.YS * q.ZS * q.BX;
    w.DZZVRT = q.DZZ + q.YS * q.YS * q.BX;
    w.DITT = w.IYYD + w.IZZD;
    w.DITTVRT = w.DITT + (q.YS * q.YS + q.ZS * q.ZS) * q.M;
}

void principal_axes(Calc& w) {
    auto& q = quer;
    const double diff = q.DZZ - q.DYY;
    const double r = std::sqrt(diff * diff + 4 * q.DZY * q.DZY);
    if (diff >= 0) {
        q.DYYSTE = (q.DZZ + q.DYY - r) / 2;
        q.DZZSTE = (q.DYY + q.DZZ + r) / 2;
    } else {
        q.DYYSTE = (q.DYY + q.DZZ + r) / 2;
        q.DZZSTE = (q.DYY + q.DZZ - r) / 2;
    }
    if (std::fabs(diff) > 1.0e-30 * std::fabs(q.DZY)) {
        q.ALPHA = 0.5 * std::atan(2 * q.DZY / diff);
    } else if (q.DZY != 0) {
        // Equal bending stiffnesses with a product term (an equal-leg angle): the principal axes
        // are at 45 degrees, the limit of the arc tangent as the difference goes to zero.
        q.ALPHA = std::copysign(pi / 4, q.DZY);
    } else {
        // every axis is principal; the customary 22.5 degrees
        q.ALPHA = 0.3926991;
    }
    w.SINA = std::sin(q.ALPHA);
    w.COSA = std::cos(q.ALPHA);
    w.SIN2 = w.SINA * w.SINA;
    w.COS2 = w.COSA * w.COSA;
    w.SIN2AL = std::sin(2 * q.ALPHA);
    w.COS2AL = std::cos(2 * q.ALPHA);
    Report& rp = w.rep;
    if (rp.extended()) {
        rp.trace("H1", {r});
        rp.trace("H2", {diff});
        rp.trace("DZY", {q.DZY});
        rp.trace("ALPHA", {q.ALPHA});
        rp.trace("SINA", {w.SINA});
        rp.trace("COSA", {w.COSA});
    }
}

void normal_forces(Calc& w) {
    const auto& g = gurt;
    const auto& wd = wand;
    const auto& q = quer;
    Report& r = w.rep;
    // moments about the stiffness centre, then about the principal axes
    double my = w.MY - w.QX * q.ZS;
    double mz = w.MZ + w.QX * q.YS;
    if (r.extended()) {
        r.trace("H1, MY, ZS, QX", {my, my, q.ZS, w.QX});
        r.trace("H2, MZ ,YS ,QX", {mz, mz, q.YS, w.QX});
        r.trace("H3", {180 * q.ALPHA / 3.141592654});
    }
    w.MY = w.COSA * my + w.SINA * mz;
    w.MZ = w.COSA * mz - w.SINA * my;
    const double h1 = w.QX / q.BX, h2 = w.MY / q.DYYSTE, h3 = -w.MZ / q.DZZSTE;
    auto flow = [&](double b, double y, double z) {
        double zs, ys;
        w.principal(y, z, zs, ys);
        return b * (h1 + h2 * zs + h3 * ys);
    };
    w.GN.assign(w.IG, 0.0);
    for (int i = 0; i < w.IG; ++i) {
        w.GN[i] = flow(g.BI[i], g.YI[i], g.ZI[i]);
        epigam.EPIGU[i] = g.BI[i] != 0 ? w.GN[i] / g.BI[i] : 0.0;
    }
    if (r.extended()) {
        r.trace("H1, MY, ZS, QX", {h1, w.MY, q.ZS, w.QX});
        r.trace("H2, MZ ,YS ,QX", {h2, w.MZ, q.YS, w.QX});
        r.trace("H3", {h3});
    }
    auto& kr = kraft;
    auto& e = epigam;
    const std::ptrdiff_t ld = e.EPI_n1;
    for (int k = 0; k < w.KW; ++k) {
        const double b = wd.BK[k];
        kr.NX0[k] = flow(b, wd.YK0[k], wd.ZK0[k]);
        kr.NXL2[k] = flow(b, (wd.YK0[k] + wd.YKLK[k]) / 2, (wd.ZK0[k] + wd.ZKLK[k]) / 2);
        kr.NXL[k] = flow(b, wd.YKLK[k], wd.ZKLK[k]);
        const bool soft = std::fabs(b) < 1.0e-9;  // a wall without axial stiffness has no strain
        e.EPI[k] = soft ? 0.0 : kr.NX0[k] / b;
        e.EPI[k + ld] = soft ? 0.0 : kr.NXL2[k] / b;
        e.EPI[k + 2 * ld] = soft ? 0.0 : kr.NXL[k] / b;
    }
}

}  // namespace tvk::boxbeam
