// Blocks of material points driven as an explicit solver drives them: the routine is called
// through its C entry with every argument by pointer in the solver's order and column-major
// (nblock, ...) arrays.
//
// ExplicitBlock<Fn>: a block of ndir direct and nshr shear components (the plane-stress
// variants too) of any interface with the VUMAT argument list, Fn the routine's function type;
// arguments an interface adds after the energies (the sensor's step and impactor records) are
// passed to call(). State slots are 1-based; the block starts inside a step (total time 1), and
// advance() makes the new stress, state and energies the old ones.
//
// VumatBlock: the three-dimensional block of the VUMAT interface with 0-based state slots; the
// first call is the initial one (total time 0), and after every increment the new stress, state
// and energies become the old ones of the next.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "solver/interfaces.h"

namespace tvktest {

template <class Fn>
struct ExplicitBlock {
    using V = std::vector<double>;

    Fn* fn;
    int nblock, ndir, nshr, nstatev, nfieldv = 1, nprops, lanneal = 0;
    double steptime = 0.0, totaltime = 1.0, dt = 1e-6;
    char cmname[80];
    V props, coordmp, charlength, density, straininc, relspininc, tempold, stretchold, defgradold, fieldold;
    V stressold, stateold, enerinternold, enerinelasold, tempnew, stretchnew, defgradnew, fieldnew;
    V stressnew, statenew, enerinternnew, enerinelasnew;

    ExplicitBlock(Fn* f, int nb, int nd, int ns, int nsv, V p)
        : fn(f), nblock(nb), ndir(nd), nshr(ns), nstatev(nsv), nprops(static_cast<int>(p.size())),
          props(std::move(p)) {
        const int n = nd + ns;
        std::memset(cmname, ' ', sizeof cmname);
        coordmp.assign(nb * 3, 0.0);
        charlength.assign(nb * 3, 1.0);
        density.assign(nb, 1.0);
        straininc.assign(nb * n, 0.0);
        relspininc.assign(nb * ns, 0.0);
        tempold = tempnew = V(nb, 0.0);
        stretchold = stretchnew = V(nb * n, 0.0);
        defgradold = defgradnew = V(nb * (n + ns), 0.0);
        fieldold = fieldnew = V(nb, 0.0);
        stressold = stressnew = V(nb * n, 0.0);
        stateold = statenew = V(nb * std::max(nsv, 1), 0.0);
        enerinternold = enerinelasold = enerinternnew = enerinelasnew = V(nb, 0.0);
    }
    double& inc(int k, int j) { return straininc[k + j * nblock]; }
    double& sold(int k, int j) { return stressold[k + j * nblock]; }
    double& state(int k, int s) { return stateold[k + (s - 1) * nblock]; }  // 1-based slot
    double snew(int k, int j) const { return stressnew[k + j * nblock]; }
    double stnew(int k, int s) const { return statenew[k + (s - 1) * nblock]; }
    // Every point strained by the increment de (ndir + nshr components).
    void set_increment_all(const V& de) {
        for (int k = 0; k < nblock; ++k)
            for (int c = 0; c < ndir + nshr; ++c) inc(k, c) = de[c];
    }

    // One call; `extra` are the interface's arguments after the energies.
    template <class... Extra>
    void call(Extra... extra) {
        fn(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt, cmname,
           coordmp.data(), charlength.data(), props.data(), density.data(), straininc.data(), relspininc.data(),
           tempold.data(), stretchold.data(), defgradold.data(), fieldold.data(), stressold.data(), stateold.data(),
           enerinternold.data(), enerinelasold.data(), tempnew.data(), stretchnew.data(), defgradnew.data(),
           fieldnew.data(), stressnew.data(), statenew.data(), enerinternnew.data(), enerinelasnew.data(), extra...,
           sizeof cmname);
    }
    // The solver's step: new values become old ones.
    void advance() {
        stressold = stressnew;
        stateold = statenew;
        enerinternold = enerinternnew;
        enerinelasold = enerinelasnew;
        totaltime += dt;
    }
};

struct VumatBlock : ExplicitBlock<tvk::solver::Vumat::Fn> {
    using Fn = tvk::solver::Vumat::Fn;

    VumatBlock(Fn* routine, int nblock_, int nstatev_, std::vector<double> properties, double length = 1.0,
               double rho = 1.0)
        : ExplicitBlock(routine, nblock_, 3, 3, nstatev_, std::move(properties)) {
        totaltime = 0.0;
        charlength.assign(3 * nblock_, length);
        density.assign(nblock_, rho);
    }

    // State slot s (0-based here) of point k.
    double& state(int k, int s) { return stateold[k + nblock * s]; }
    double new_state(int k, int s) const { return statenew[k + nblock * s]; }
    double new_stress(int k, int c) const { return stressnew[k + nblock * c]; }
    void set_increment(int k, const std::vector<double>& de) {
        for (int c = 0; c < 6; ++c) straininc[k + nblock * c] = de[c];
    }

    // The new values become the old ones; the time advances by dt.
    void commit() {
        advance();
        steptime += dt;
    }

    // The solver's initial call with the strain `e0` of every point and element status `status`,
    // committed.
    void start(const std::vector<double>& e0 = std::vector<double>(6, 0.0), double status = 1.0) {
        totaltime = steptime = 0.0;
        for (int k = 0; k < nblock; ++k) state(k, 18) = status;
        set_increment_all(e0);
        call();
        commit();
    }

    // One increment de of every point, committed.
    void increment(const std::vector<double>& de) {
        set_increment_all(de);
        call();
        commit();
    }
};

}  // namespace tvktest
