// A single material point driven as an implicit solver drives it: the routine is called through
// its C entry with every argument by pointer in the solver's order, the stress, state variables
// and strain are carried from increment to increment, and a trial call (the solver's tangent
// check) runs on a copy without committing. Routines of the UMAT interface are driven by
// UmatPoint; check_tangent compares the returned tangent with central differences of the
// returned stress.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "solver/interfaces.h"

namespace tvktest {

struct UmatPoint {
    using Fn = tvk::solver::Umat::Fn;

    Fn* fn;
    int ndi, nshr, ntens, nstatv, nprops;
    std::vector<double> stress, statev, ddsdde, props, stran;
    double sse = 0.0, spd = 0.0, scd = 0.0, pnewdt = 1.0;
    double time[2] = {0.0, 0.0}, dtime = 1.0, temp = 0.0, dtemp = 0.0;
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 0;
    char materl[80];

    UmatPoint(Fn* routine, int ndi_, int nshr_, int nstatv_, std::vector<double> properties,
              const std::string& name = "PLY")
        : fn(routine), ndi(ndi_), nshr(nshr_), ntens(ndi_ + nshr_), nstatv(nstatv_),
          nprops(static_cast<int>(properties.size())), stress(ntens), statev(std::max(nstatv_, 1)),
          ddsdde(ntens * ntens), props(std::move(properties)), stran(ntens) {
        std::memset(materl, ' ', sizeof materl);
        std::memcpy(materl, name.data(), std::min(name.size(), sizeof materl));
    }

    // One increment dstran: the routine updates stress, state, tangent and energies; the strain
    // and time advance.
    void increment(const std::vector<double>& dstran) {
        call(dstran);
        for (int i = 0; i < ntens; ++i) stran[i] += dstran[i];
        time[0] += dtime;
        time[1] += dtime;
        ++kinc;
    }

    // The stress the routine returns for dstran, leaving this point as it was.
    std::vector<double> trial(const std::vector<double>& dstran) const {
        UmatPoint copy = *this;
        copy.call(dstran);
        return copy.stress;
    }

    double tangent(int i, int j) const { return ddsdde[i + j * ntens]; }

    void call(const std::vector<double>& dstran) {
        double rpl = 0.0, drpldt = 0.0, predef[1] = {0.0}, dpred[1] = {0.0}, coords[3] = {0.0, 0.0, 0.0};
        double drot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, dfgrd0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        double dfgrd1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, celent = 1.0;
        std::vector<double> ddsddt(ntens), drplde(ntens);
        fn(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(),
           &drpldt, stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr,
           &ntens, &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt,
           &kslay, &kspt, jstep, &kinc, sizeof materl);
    }
};

// The tangent of the increment dstran against central differences (step h) of the stress a
// trial call returns; the tolerance is relative to the largest tangent entry.
inline void check_tangent(const UmatPoint& p, const std::vector<double>& dstran, double h = 1e-7,
                          double rtol = 1e-6) {
    UmatPoint at = p;
    at.call(dstran);
    double scale = 0.0;
    for (double v : at.ddsdde) scale = std::max(scale, std::fabs(v));
    for (int j = 0; j < p.ntens; ++j) {
        std::vector<double> up = dstran, down = dstran;
        up[j] += h;
        down[j] -= h;
        const std::vector<double> su = p.trial(up), sd = p.trial(down);
        for (int i = 0; i < p.ntens; ++i)
            EXPECT_NEAR(at.tangent(i, j), (su[i] - sd[i]) / (2.0 * h), rtol * scale) << "entry " << i << ", " << j;
    }
}

}  // namespace tvktest
