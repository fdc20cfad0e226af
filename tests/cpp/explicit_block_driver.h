// A block of material points driven as an explicit solver drives it: the routine of the VUMAT
// interface is called through its C entry with every argument by pointer in the solver's order
// and column-major (nblock, ...) arrays; the first call is the initial one (total time 0), and
// after every increment the new stress, state and energies become the old ones of the next.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "solver/interfaces.h"

namespace tvktest {

struct VumatBlock {
    using Fn = tvk::solver::Vumat::Fn;

    Fn* fn;
    int nblock, ndir = 3, nshr = 3, nstatev, nfieldv = 1, nprops, lanneal = 0;
    double steptime = 0.0, totaltime = 0.0, dt = 1e-6;
    char cmname[80];
    std::vector<double> coordmp, charlength, props, density, straininc, relspininc, tempold, stretchold, defgradold,
        fieldold, stressold, stateold, enerinternold, enerinelasold, tempnew, stretchnew, defgradnew, fieldnew,
        stressnew, statenew, enerinternnew, enerinelasnew;

    VumatBlock(Fn* routine, int nblock_, int nstatev_, std::vector<double> properties, double length = 1.0,
               double rho = 1.0)
        : fn(routine), nblock(nblock_), nstatev(nstatev_), nprops(static_cast<int>(properties.size())),
          coordmp(3 * nblock_), charlength(3 * nblock_, length), props(std::move(properties)),
          density(nblock_, rho), straininc(6 * nblock_), relspininc(3 * nblock_), tempold(nblock_),
          stretchold(6 * nblock_), defgradold(9 * nblock_), fieldold(nblock_), stressold(6 * nblock_),
          stateold(nstatev_ * nblock_), enerinternold(nblock_), enerinelasold(nblock_), tempnew(nblock_),
          stretchnew(6 * nblock_), defgradnew(9 * nblock_), fieldnew(nblock_), stressnew(6 * nblock_),
          statenew(nstatev_ * nblock_), enerinternnew(nblock_), enerinelasnew(nblock_) {
        std::memset(cmname, ' ', sizeof cmname);
    }

    double& state(int k, int s) { return stateold[k + nblock * s]; }
    double new_state(int k, int s) const { return statenew[k + nblock * s]; }
    double new_stress(int k, int c) const { return stressnew[k + nblock * c]; }
    void set_increment(int k, const std::vector<double>& de) {
        for (int c = 0; c < 6; ++c) straininc[k + nblock * c] = de[c];
    }
    void set_increment_all(const std::vector<double>& de) {
        for (int k = 0; k < nblock; ++k) set_increment(k, de);
    }

    void call() {
        fn(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt, cmname,
           coordmp.data(), charlength.data(), props.data(), density.data(), straininc.data(), relspininc.data(),
           tempold.data(), stretchold.data(), defgradold.data(), fieldold.data(), stressold.data(),
           stateold.data(), enerinternold.data(), enerinelasold.data(), tempnew.data(), stretchnew.data(),
           defgradnew.data(), fieldnew.data(), stressnew.data(), statenew.data(), enerinternnew.data(),
           enerinelasnew.data(), sizeof cmname);
    }

    // The new values become the old ones; the time advances by dt.
    void commit() {
        stressold = stressnew;
        stateold = statenew;
        enerinternold = enerinternnew;
        enerinelasold = enerinelasnew;
        steptime += dt;
        totaltime += dt;
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
