// Drivers that call the user elements as a solver does: every argument of the element's list in
// storage the driver owns, the state carried from one call to the next.
#pragma once

#include <array>
#include <vector>

#include "solver/interfaces.h"

namespace tvktest {

// One implicit two-node bar element (6 degrees of freedom, one or two right-hand sides).
struct UelDriver {
    int ndofel = 6, nrhs = 1, nsvars = 12, nprops = 3, mcrd = 3, nnode = 2, jtype = 1, kstep = 1,
        kinc = 1, jelem = 1, ndload = 0, npredf = 1, mlvarx = 6, mdload = 1, njprop = 3;
    std::vector<double> rhs = std::vector<double>(12), amatrx = std::vector<double>(36), svars,
                        props = {1.0, 1.0, 1.0};
    std::array<double, 8> energy{};
    std::array<double, 6> coords{0, 0, 0, 1, 0, 0}, u{}, v{}, a{};
    std::array<double, 12> du{};
    std::array<double, 2> time{};
    double dtime = 1.0, pnewdt = 1.0, period = 1.0;
    std::array<double, 3> params{};
    std::array<int, 1> jdltyp{};
    std::array<double, 1> adlmag{}, ddlmag{};
    std::array<double, 4> predef{};
    std::array<int, 5> lflags{1, 1, 1, 0, 0};
    std::array<int, 3> jprops{};
    std::array<double, 20> cprops{};

    explicit UelDriver(int nsv = 12) : nsvars(nsv), svars(std::max(nsv, 1)) {}
    double K(int i, int j) const { return amatrx[i + 6 * j]; }
    double R(int i, int k = 0) const { return rhs[i + mlvarx * k]; }

    void call(tvk::solver::Uel::Fn* fn) {
        fn(rhs.data(), amatrx.data(), svars.data(), energy.data(), &ndofel, &nrhs, &nsvars, props.data(),
           &nprops, coords.data(), &mcrd, &nnode, u.data(), du.data(), v.data(), a.data(), &jtype,
           time.data(), &dtime, &kstep, &kinc, &jelem, params.data(), &ndload, jdltyp.data(), adlmag.data(),
           predef.data(), &npredf, lflags.data(), &mlvarx, ddlmag.data(), &mdload, &pnewdt, jprops.data(),
           &njprop, &period);
    }
    void call(tvk::solver::UelImpact::Fn* fn) {
        fn(rhs.data(), amatrx.data(), svars.data(), energy.data(), &ndofel, &nrhs, &nsvars, props.data(),
           &nprops, coords.data(), &mcrd, &nnode, u.data(), du.data(), v.data(), a.data(), &jtype,
           time.data(), &dtime, &kstep, &kinc, &jelem, params.data(), &ndload, jdltyp.data(), adlmag.data(),
           predef.data(), &npredf, lflags.data(), &mlvarx, ddlmag.data(), &mdload, &pnewdt, jprops.data(),
           &njprop, &period, cprops.data());
    }
};

// A block of explicit two-node bar elements.
struct VuelDriver {
    int nblock, nsvars, nnode = 2, ndofel = 6, nprops = 3, njprops = 4, ncrd = 3, jtype = 1, kstep = 1,
        kinc = 1, npredef = 1, jdltyp = 0;
    std::vector<double> rhs, amass, dtimestable, svars, energy, props = {1.0, 1.0, 1.0}, coords, u, du, v,
        a, dmassscalefactor, predef, adlmag;
    std::vector<int> jprops = std::vector<int>(4), jelem;
    std::array<double, 2> time{};
    double period = 1.0, dtimecur = 1.0, dtimeprev = 1.0;
    std::array<int, 3> lflags{17, 1, 2};
    std::array<double, 20> cprops{};

    explicit VuelDriver(int nb = 1, int nsv = 18)
        : nblock(nb), nsvars(nsv), rhs(6 * nb), amass(36 * nb), dtimestable(nb), svars(nb * nsv),
          energy(12 * nb), coords(6 * nb), u(6 * nb), du(6 * nb), v(6 * nb), a(6 * nb), dmassscalefactor(nb),
          predef(2 * nb), adlmag(nb), jelem(nb) {}
    // Column-major (nblock, ...) accessors, 0-based.
    double& X(int k, int node, int c) { return coords[k + nblock * (node + 2 * c)]; }
    double& U(int k, int i) { return u[k + nblock * i]; }
    double& RHS(int k, int i) { return rhs[k + nblock * i]; }
    double& SV(int k, int j) { return svars[k + nblock * j]; }
    double& EN(int k, int j) { return energy[k + nblock * j]; }
    double& M(int k, int i, int j) { return amass[k + nblock * (i + 6 * j)]; }

    void call(tvk::solver::Vuel::Fn* fn) {
        fn(&nblock, rhs.data(), amass.data(), dtimestable.data(), svars.data(), &nsvars, energy.data(), &nnode,
           &ndofel, props.data(), &nprops, jprops.data(), &njprops, coords.data(), &ncrd, u.data(), du.data(),
           v.data(), a.data(), &jtype, jelem.data(), time.data(), &period, &dtimecur, &dtimeprev, &kstep, &kinc,
           lflags.data(), dmassscalefactor.data(), predef.data(), &npredef, &jdltyp, adlmag.data());
    }
    void call(tvk::solver::VuelImpact::Fn* fn) {
        fn(&nblock, rhs.data(), amass.data(), dtimestable.data(), svars.data(), &nsvars, energy.data(), &nnode,
           &ndofel, props.data(), &nprops, jprops.data(), &njprops, coords.data(), &ncrd, u.data(), du.data(),
           v.data(), a.data(), &jtype, jelem.data(), time.data(), &period, &dtimecur, &dtimeprev, &kstep, &kinc,
           lflags.data(), dmassscalefactor.data(), predef.data(), &npredef, &jdltyp, adlmag.data(),
           cprops.data());
    }
};

}  // namespace tvktest
