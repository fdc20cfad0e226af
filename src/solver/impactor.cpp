// Impactor elements. The contact force follows Hertz's law F = k a^(3/2) (H. Hertz, "Ueber die
// Beruehrung fester elastischer Koerper", J. reine angew. Math. 92, 1882), with the indentation a
// taken from the impactor's motion and the plate's compliance at the impact point. The implicit
// element predicts the impactor displacement with the Hilber-Hughes-Taylor operator (Hilber,
// Hughes and Taylor, Earthquake Eng. Struct. Dyn. 5, 1977) that analysis control uses to advance
// the impactor, and solves the force consistent with that displacement, the plate's response and
// the contact law; the explicit element takes the force directly from the power law.
#include "impactor.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../core/arrays.h"
#include "../core/errors.h"
#include "../core/modeldata.h"
#include "../core/roots.h"
#include "../core/scratch.h"
#include "../mechanics/contact.h"
#include "../mechanics/indentation.h"
#include "../pchip/tableinterp.h"
#include "stepkinds.h"
#include "truss.h"

namespace {

using namespace tvk::solver;

constexpr double eps = std::numeric_limits<double>::epsilon();
constexpr char bad_procedure[] = "Error: Invalid root finding procedure";

// The argument vector of the contact-stiffness law: entries 1-8 from the properties.
struct StiffnessArgs {
    double v[14] = {};
    template <class P>
    explicit StiffnessArgs(const P& props) {
        const int from[8] = {6, 7, 0, 1, 8, 9, 2, 3};
        for (int i = 0; i < 8; ++i) v[i] = props[from[i]];
    }
    // Contact stiffness k and effective modulus E* of law `flag`.
    void stiffness(double& k, double& estar, int flag) const {
        const int n = 14;
        ContactStiffness(&k, &estar, v, &n, &flag);
    }
};

// Radius of the contact for the radius and depth laws: for the Hertz laws (stiffness flags 0 and
// 1), whose force takes the impactor's radius R1 with the target's curvature 1/R2 (property 9)
// as 1/R = 1/R1 + 1/R2, that same R, so that force, contact radius and depth are those of one
// contact (a = sqrt(R alpha)); R1 for a flat target and the other laws.
template <class P>
double contact_curvature_radius(const P& props, int csflag) {
    if ((csflag != 0 && csflag != 1) || props[8] == 0.0) return props[6];
    return 1.0 / (1.0 / props[6] + props[8]);
}

// Contact radius and Hertz indentation depth of force F.
template <class P>
void radius_and_depth(double F, double estar, int csflag, const P& props, double& radius, double& depth) {
    const double rc = contact_curvature_radius(props, csflag);
    const double ra[4] = {F, estar, rc, 2.0 * props[7]};
    const double da[3] = {F, rc, estar};
    const int n4 = 4, n3 = 3, hertz = 0;
    ContactRadius(&radius, ra, &n4, &csflag);
    ContactDepth(&depth, da, &n3, &hertz);
}

// Axial displacements of a bar's nodes.
template <class Get>
double elongation(const BarAxis& bar, Get get) {
    return bar.axial(1, get) - bar.axial(0, get);
}

int prop_int(const tvk::solver::View<const int, 1>& jprops, int njprop, int i) {
    return i < std::min(njprop, jprops.size()) ? jprops[i] : 0;
}

// An impactor number held in a real record entry; 0 (no impactor) when it is not a number in the
// integer range.
int impactor_number(double x) {
    return x >= 1.0 && x < 2147483647.0 ? static_cast<int>(x) : 0;
}

// The contact-stiffness flags ContactStiffness computes a stiffness for; it reports the others
// (4 and 5 not implemented, the rest unknown) and gives none, and the element then has no contact
// force.
bool stiffness_computed(int flag) { return (flag >= 0 && flag <= 3) || flag == 6; }

constexpr char mass_not_positive[] = "Error: impactor mass not positive";

// Column j (1-based) of csvars when it exists, else nullptr with the refusal's report.
double* csvars_column(int j) {
    double* col = tvk::impactdata.csvars.at(1, j);
    if (!col) tvk::report_refused_point("Error: impactor number outside the contact state table", j);
    return col;
}

// How the contact work of an element ended: done, refused with its report, or refused for a value
// that would turn non-finite (reported by the caller, which knows the routine).
enum class Contact { done, refused, non_finite };

// Compliance of the plate at time increment dt from the response table in svars(21..): the
// interpolant of the elongation under the unit force over the time increments. The table must be
// complete and its time increments strictly falling; otherwise false (level -2 report).
// The table is copied in ascending order on the stack (on the heap only beyond 128 points).
bool table_compliance(const View<double, 1>& svars, int nh, double dt, double& cp) {
    tvk::Scratch<double, 256> xy(2 * static_cast<std::size_t>(std::max(nh, 0)));
    double* const x = xy.get();
    double* const y = x + std::max(nh, 0);
    bool usable = nh >= 2;
    for (int i = 0; i < nh; ++i) {
        x[i] = svars[20 + nh - 1 - i];
        y[i] = svars[20 + 2 * nh - 1 - i];
        usable = usable && std::isfinite(x[i]) && std::isfinite(y[i]) && x[i] > 0.0 && (i == 0 || x[i] > x[i - 1]);
    }
    if (!usable) {
        tvk::report(-2, "Warning: incomplete plate response table, compliance kept", nh);
        return false;
    }
    const int one = 1;
    cubichermitianinterpolation(&cp, x, &nh, y, &nh, &dt, &one);
    return true;
}

// The contact force F of the implicit element for the predicted impactor displacement wp above
// the reference elongation r, and the effective modulus E* of the stiffness flag. `none` when the
// stiffness flag gives no stiffness (reported by the stiffness law): no contact force, radius or
// depth. An unknown procedure (reported here) finds F = 0. `refused` after the refusal's report
// when the motion coefficient plus the plate compliance, or the stiffness of the closed form, is
// not positive.
enum class Force { found, none, refused };
Force contact_force(const UelImpact& a, StiffnessArgs& cs, double wp, double r, double c, double cp, double& F,
                    double& estar) {
    const int irf = prop_int(a.jprops, a.njprop, 0), icsflag = prop_int(a.jprops, a.njprop, 1),
              iclflag = prop_int(a.jprops, a.njprop, 2);
    double k = 0.0;
    cs.stiffness(k, estar, icsflag);
    if (!stiffness_computed(icsflag)) return Force::none;
    F = a.cprops[0];
    if (irf == 0) return Force::found;
    if (irf != 1 && irf != 2) {
        tvk::report(-3, bad_procedure, irf);
        F = 0.0;
        return Force::found;  // radius and depth of no force
    }
    const double cc = c + cp;
    if (!(cc > 0.0)) {
        tvk::report_refused_point("Error: impactor motion coefficient plus plate compliance not positive", irf, 0, cc);
        return Force::refused;
    }
    if (irf == 1) {
        if (!(k > 0.0)) {
            tvk::report_refused_point("Error: contact stiffness not positive", icsflag, 0, k);
            return Force::refused;
        }
        // k y^3 + y^2/(c + Cp) - (wp - r)/(c + Cp) = 0 with y the square root of the indentation,
        // solved as (c + Cp) k y^3 + y^2 - (wp - r) = 0, its multiple by c + Cp: 1/(c + Cp)
        // overflows for time increments of about 1e-160, the product (c + Cp) k only beyond the
        // largest double, and then the law as written serves. Its one positive root is the
        // largest, which Solution3PE finds to rounding however far the other two lie from it.
        double a3 = cc * k, b = 1.0, d = -(wp - r);
        if (!std::isfinite(a3)) a3 = k, b = 1.0 / cc, d /= cc;
        const double z = 0.0;
        double y1, y2, y3;
        Solution3PE(&a3, &b, &z, &d, &y1, &y2, &y3);
        F = k * y3 * y3 * y3;
        return Force::found;
    }
    double fmax = (wp - r - eps) / cc;
    double cl[107] = {};
    cl[1] = wp;
    cl[2] = c;
    cl[3] = r;
    cl[4] = cp;
    cs.v[9] = a.cprops[13];
    cs.v[10] = a.cprops[14];
    double n = 1.5;
    if (iclflag == 1) {
        const int ns = 50, endpoint = 1;
        const double zero = 0.0;
        Linspace(&cl[7], &zero, &fmax, &ns, &endpoint);
        for (int i = 0; i < ns; ++i) {
            double e = 0.0;
            cs.v[12] = cl[7 + i];
            cs.stiffness(cl[57 + i], e, icsflag);
        }
        cl[0] = 0.0;
        n = 1.0;
    } else if (iclflag == 2) {
        cl[0] = a.props[11];
        n = a.nprops > 12 ? a.props[12] : 0.0;
    } else if (a.cprops[15] != 0.0 && icsflag != 0) {
        // Unloading from the peak with a permanent dent a0 (Tan and Sun, 1985).
        double a0 = 0.0;
        const double amax = a.cprops[14], acr = a.props[11];
        PITanSunNonLinear(&a0, &amax, &acr);
        n = a.cprops[13] == a.svars[16] ? 2.5 : 1.5;
        cs.v[8] = n;
        cs.v[11] = a0;
        cl[6] = a0;
        double e = 0.0;
        cs.stiffness(cl[0], e, 2);
        if (a0 != 0.0) fmax -= a0 / cc;
    } else {
        cl[0] = k;
    }
    cl[5] = n;
    double root = 0.0;
    const double lo = 0.0, tol = 0.001;
    const int maxit = 100, na = 107;
    int istat = 0;
    tvk::bdsafe(tvk::RootFunction::plain(ContactLaw), &lo, &fmax, &root, cl, &tol, &maxit, &na, &iclflag,
                &istat);
    F = root;
    return Force::found;
}

// The implicit element's work on the contact record and its state; the caller restores both when
// it refuses the element. A response grid made in a refused call is taken back out of csvars.
Contact uel_impact_contact(const UelImpact& a) {
    const BarAxis bar(&a.coords(0, 0), &a.coords(0, 1));
    const View<double, 1>& sv = a.svars;
    const double ddl = elongation(bar, [&](int i) { return a.du(i, 0); });
    const bool moved = ddl != 0.0;
    const int proc = a.lflags[0], what = a.lflags[2];
    const bool is_static = proc == 1 || proc == 2;
    const bool dynamic = what == 1 && (proc == 11 || proc == 12);
    if (dynamic || (what == 1 && is_static)) sv[15] = elongation(bar, [&](int i) { return a.u[i]; });
    else if (what == 100 && is_static) sv[15] = ddl;

    StiffnessArgs cs(a.props);
    const double ti0 = std::max(0.0, a.props[10]), d0 = std::min(0.0, a.props[10]);
    const int kind = step_kind(a.kstep);
    const View<double, 1>& cp = a.cprops;
    double m, w, v, acc0;
    if (kind == TVK_INITIALIZATION && a.kinc != 0) {
        // The record takes the impactor's mass, offset, impact velocity and dimensions, the state
        // the record's acceleration: all must be usable before anything is written.
        const double mass = a.props[5];
        if (!(mass > 0.0)) {
            tvk::report_refused_point(mass_not_positive, a.jelem, 0, mass);
            return Contact::refused;
        }
        const double vi = std::sqrt(2.0 * a.props[4] / mass);
        if (!(std::isfinite(mass) && std::isfinite(vi) && std::isfinite(d0) && std::isfinite(a.props[6]) &&
              std::isfinite(a.props[7]) && std::isfinite(cp[5])))
            return Contact::non_finite;
        cp[6] = mass;
        cp[3] = d0;
        cp[4] = vi;
        cp[16] = a.props[6];
        cp[17] = a.props[7];
        sv[12] = cp[5];
        for (int i = 13; i < 18; ++i) sv[i] = 0.0;
    }
    m = cp[6], w = cp[3], v = cp[4], acc0 = sv[12];
    for (int i = 0; i < 3; ++i) cp[7 + i] = a.time[0] < ti0 ? 0.0 : a.params[i];

    const int nimp = tvk::loaddata.nimp;
    const bool has_table = a.nsvars > 20 && a.nsvars % 2 == 0;
    const int nh = (a.nsvars - 20) / 2;
    const int icsflag = prop_int(a.jprops, a.njprop, 1);
    if (kind == TVK_IMPACT) {
        const double alpha = a.params[0], beta = a.params[1], dt = a.dtime;
        // The mass enters where the impactor's motion is predicted: in a dynamic call from the
        // start time on. A static call keeps the recorded force and needs none.
        if (dynamic && !(a.time[0] < ti0) && !(m > 0.0)) {
            tvk::report_refused_point(mass_not_positive, a.jelem, 0, m);
            return Contact::refused;
        }
        double cpl = sv[13];
        if (has_table && a.kinc != 0) {
            double t = 0.0;
            if (table_compliance(sv, nh, dt, t)) cpl = sv[18] = t;
        }
        double c = (1.0 + alpha) * beta * dt * dt / m;
        double r = sv[14];
        if (a.kinc > 1 && moved) {
            if (cp[12] == 0.0) cp[12] = sv[15];
            r = cp[12];
        }
        if (a.kinc > 1 && cp[10] >= 0.0) {
            // A carried force (a negative entry 1 other than the recorded -CPROPS(11)) goes into
            // csvars, which outlives the call: one whose negation is not finite is refused before
            // anything is written. NaN and +inf are not carried.
            const bool carried = cp[0] < 0.0 && std::abs(cp[0]) != cp[10];
            if (carried && !std::isfinite(-cp[0])) {
                tvk::report_refused_point("Error: carried impactor force not finite", a.jelem, 0, cp[0]);
                return Contact::refused;
            }
            auto& cv = tvk::impactdata.csvars;
            if (cv.present() && cv.extent(1) > 1) cv.release();
            cv.create_if_absent({1, std::max(nimp, 0)});
            double* cj = csvars_column(impactor_number(sv[19]));
            if (!cj) return Contact::refused;
            if (carried) {
                *cj = -cp[0];
                cp[0] = 0.0;
            }
            if (*cj > 0.0) c = *cj;
        }
        if (a.time[0] < ti0) return Contact::done;
        double F = cp[0], radius = cp[1], depth = cp[2];
        if (dynamic) {
            const double wp = w + v * dt + (0.5 - beta) * dt * dt * cp[5] + beta * dt * dt * acc0 +
                              alpha * beta * dt * dt * cp[10] / m;
            if (wp > r && a.kinc != 0) {
                double estar = 0.0;
                switch (contact_force(a, cs, wp, r, c, cpl, F, estar)) {
                case Force::found:
                    radius_and_depth(F, estar, icsflag, a.props, radius, depth);
                    break;
                case Force::none:
                    F = radius = depth = 0.0;
                    break;
                case Force::refused:
                    return Contact::refused;
                }
            } else if (wp < r && a.kinc != 0) {
                F = radius = depth = 0.0;
            }
        }
        if (a.kinc == 1 || moved || (a.kinc > 0 && cp[0] == 0.0 && cp[10] == 0.0)) {
            cp[0] = F;
            cp[1] = radius;
            cp[2] = depth;
            sv[14] = sv[15];
            sv[16] = std::max(F, sv[16]);
        } else {
            // The force and radius recorded at the last increment end come back as the current
            // ones; a recorded value that is not finite is not handed on.
            if (!std::isfinite(cp[10]) || !std::isfinite(cp[11])) {
                tvk::report_refused_point("Error: recorded impactor force not finite", a.jelem, 0, cp[10]);
                return Contact::refused;
            }
            cp[0] = -cp[10];
            cp[1] = cp[11];
        }
    } else if (kind == TVK_STRUCTRESPONSE) {
        double F = 0.0, radius = 0.0;
        if (dynamic) {
            F = cp[12] == 0.0 ? 1.0 : 0.0;
            double k = 0.0, estar = 0.0;
            cs.stiffness(k, estar, icsflag);
            const double ra[4] = {F, estar, contact_curvature_radius(a.props, icsflag), 2.0 * a.props[7]};
            const int n4 = 4;
            ContactRadius(&radius, ra, &n4, &icsflag);
        }
        cp[0] = F;
        cp[1] = radius;
        auto& cv = tvk::impactdata.csvars;
        if (cp[12] == 0.0 && sv[15] != 0.0) {
            if (!std::isfinite(sv[15])) return Contact::non_finite;
            cp[0] = cp[1] = 0.0;
            const int j = impactor_number(cp[13]);
            bool complete = true;
            if (has_table) {
                if (!cv.present() || cv.extent(1) != 2 * nh || cv.extent(2) != std::max(nimp, 0))
                    cv.allocate({2 * nh, std::max(nimp, 0)});
                double* col = csvars_column(j);
                if (!col) return Contact::refused;
                bool filled = false;
                if (std::all_of(col, col + 2 * nh, [](double x) { return x == 0.0; })) {
                    if (!std::isfinite(a.dtime) || !std::isfinite(cp[14])) return Contact::non_finite;
                    if (!(cp[14] > 0.0)) {
                        tvk::report_refused_point("Error: last time increment of the response grid not positive", j, 0,
                                                  cp[14]);
                        return Contact::refused;
                    }
                    const int endpoint = 1;
                    Linspace(col, &a.dtime, &cp[14], &nh, &endpoint);
                    filled = true;
                }
                const auto zero = std::find(col, col + 2 * nh, 0.0);
                if (zero != col + 2 * nh) {
                    const int p = static_cast<int>(zero - col) + 1;
                    if (p - nh < 1) {
                        // A grid made in this call goes with its refusal: the column stays empty.
                        if (filled) std::fill_n(col, 2 * nh, 0.0);
                        tvk::report_refused_point("Error: response grid holds a zero time increment", j, p);
                        return Contact::refused;
                    }
                    *zero = sv[15];
                    const double q = col[std::min(p + 1 - nh, nh) - 1] / col[p - nh - 1];
                    if (q < 1.0) {
                        a.pnewdt = q;
                        complete = false;
                    }
                }
            }
            if (complete) {
                cp[12] = sv[15];
                cp[14] = tvk::huge;
                if (cv.present()) {
                    const double* c1 = csvars_column(j);
                    if (!c1) return Contact::refused;
                    cp[12] = *c1;
                }
                a.pnewdt = 0.8;
            }
        }
        if (sv[13] == 0.0) {
            sv[13] = cp[12];
            sv[19] = cp[13];
            if (cv.present() && a.nsvars > 20) {
                const double* col = csvars_column(impactor_number(cp[13]));
                if (!col) return Contact::refused;
                const int n = std::min<int>(a.nsvars - 20, static_cast<int>(cv.extent(1)));
                std::copy(col, col + n, &sv[20]);
            }
        }
    }
    return Contact::done;
}

// The weak bar first (its refusal is the element's); then the contact work. A refusal of the
// contact work (too few values, a value it cannot use, a record entry or state value that would
// turn non-finite) gives the bar's refused element with the record and the state as they came.
void uel_impact_law(const UelImpact& a) {
    const int ns = std::clamp(a.nsvars, 0, 20);
    double cp0[20], sv0[20];
    std::copy_n(a.cprops.data(), 20, cp0);
    std::copy_n(a.svars.data(), ns, sv0);
    if (!weak_bar(a)) return;
    auto refuse = [&] {
        std::copy_n(cp0, 20, a.cprops.data());
        std::copy_n(sv0, ns, a.svars.data());
        refuse_element(a);
    };
    if (a.nsvars < 20 || a.nprops < 12) {
        tvk::report_refused_point("Error: impactor element needs 20 state variables and 12 properties", a.nsvars,
                                  a.nprops);
        refuse();
        return;
    }
    Contact c = uel_impact_contact(a);
    if (c == Contact::done) [[likely]] {
        bool finite = true;
        for (int i = 0; i < 20; ++i) finite = finite && (std::isfinite(a.cprops[i]) || !std::isfinite(cp0[i]));
        for (int i = 12; i < 20; ++i) finite = finite && (std::isfinite(a.svars[i]) || !std::isfinite(sv0[i]));
        if (finite) [[likely]]
            return;
        c = Contact::non_finite;
    }
    if (c == Contact::non_finite) tvk::solver::report_non_finite_element("uel_impact", a.jelem);
    refuse();
}

void vuel_impact_law(const VuelImpact& a) {
    const int nblock = std::max(a.nblock, 0);
    tvk::Scratch<unsigned char, 256> refused(nblock);
    std::fill_n(refused.get(), nblock, 0);
    const bool forces = a.lflags[0] == 17 && a.lflags[2] == 2;
    const bool fits = a.ndofel == 6 && a.ncrd >= 3 && a.nnode >= 2 && a.nsvars >= 2;
    // The bar's state (length and force) and stable increment, for an element the contact work
    // refuses.
    tvk::Scratch<double, 768> bar0(forces && fits ? 3 * static_cast<std::size_t>(nblock) : 0);
    for (int k = 0; forces && fits && k < nblock; ++k)
        bar0[3 * k] = a.svars(k, 0), bar0[3 * k + 1] = a.svars(k, 1), bar0[3 * k + 2] = a.dtimestable[k];
    weak_bar(a, refused.get());
    if (!forces || !fits) return;  // refused by the bar where the counts do not fit
    auto refuse_bar = [&](int k) {
        a.svars(k, 0) = bar0[3 * k];
        a.svars(k, 1) = bar0[3 * k + 1];
        a.dtimestable[k] = bar0[3 * k + 2];
        refuse_element(a, k);
    };
    if (a.nsvars < 18 || a.nprops < 12) {
        tvk::report_refused_point("Error: impactor element needs 18 state variables and 12 properties", a.nsvars,
                                  a.nprops);
        for (int k = 0; k < nblock; ++k)
            if (!refused[k]) refuse_bar(k);
        return;
    }
    const bool steps = tvk::jobdata.stepid.present();
    StiffnessArgs cs(a.props);
    const View<double, 1>& cp = a.cprops;
    const double ti0 = std::max(0.0, a.props[10]), d0 = std::min(0.0, a.props[10]);
    // The update mark is the block's; a block none of whose elements is evaluated leaves it as it
    // came.
    const double mark0[4] = {cp[7], cp[8], cp[9], cp[19]};
    if (steps) {
        const bool blended = a.njprops == 4 && a.jprops[3] != 1;
        for (int i = 7; i < 10; ++i) cp[i] = a.time[0] < ti0 ? 0.0 : blended ? -2.0 : -1.0;
        if (blended) cp[19] = a.nprops > 12 ? a.props[12] : 0.5;
    }
    const int kind = steps ? step_kind(a.kstep) : -1;
    const int irf = prop_int(a.jprops, a.njprops, 0), icsflag = prop_int(a.jprops, a.njprops, 1);
    bool evaluated = false;
    for (int k = 0; k < nblock; ++k) {
        if (refused[k]) continue;
        // An element the contact work cannot use keeps its state and the record as they came.
        const double elongation0 = a.svars(k, 15);
        auto refuse = [&] {
            a.svars(k, 15) = elongation0;
            refuse_bar(k);
        };
        auto non_finite = [&] {
            tvk::solver::report_non_finite_element("vuel_impact", a.jelem[k]);
            refuse();
        };
        const double x1[3] = {a.coords(k, 0, 0), a.coords(k, 0, 1), a.coords(k, 0, 2)};
        const double x2[3] = {a.coords(k, 1, 0), a.coords(k, 1, 1), a.coords(k, 1, 2)};
        const double el = elongation(BarAxis(x1, x2), [&](int i) { return a.u(k, i); });
        if (!std::isfinite(el)) {
            non_finite();
            continue;
        }
        a.svars(k, 15) = el;
        if (kind == TVK_INITIALIZATION && a.kinc != 0) {
            const double mass = a.props[5];
            if (!(mass > 0.0)) {
                tvk::report_refused_point(mass_not_positive, a.jelem[k], 0, mass);
                refuse();
                continue;
            }
            const double vi = std::sqrt(2.0 * a.props[4] / mass);
            const double back = vi - 0.5 * a.dtimecur * cp[5];
            // A start time of +inf (no contact ever) is a value; NaN is none.
            if (!(std::isfinite(d0) && !std::isnan(a.props[10]) && std::isfinite(mass) &&
                  std::isfinite(a.props[6]) && std::isfinite(a.props[7]) && std::isfinite(back))) {
                non_finite();
                continue;
            }
            cp[3] = d0;
            cp[6] = mass;
            cp[16] = a.props[6];
            cp[17] = a.props[7];
            a.svars(k, 12) = cp[5];
            for (int j = 13; j < 18; ++j) a.svars(k, j) = 0.0;
            cp[4] = vi;
            cp[18] = back;
        } else if (kind == TVK_IMPACT && a.time[0] >= ti0) {
            const double w = cp[3], e = a.svars(k, 14);
            double F = cp[0], radius = cp[1], depth = cp[2];
            double kc = 0.0, estar = 0.0;
            if (w > e && a.kinc != 0) {
                cs.stiffness(kc, estar, icsflag);
                if (!stiffness_computed(icsflag)) {
                    F = radius = depth = 0.0;  // no stiffness: no contact force
                } else {
                    if (irf == 0) {
                        F = cp[0];
                    } else if (irf == 1 || (irf == 2 && cp[15] == 0.0)) {
                        F = kc * std::pow(w - e, 1.5);
                    } else if (irf == 2) {
                        // Unloading with a permanent dent a0 (Tan and Sun, 1985): no force once the
                        // approach is back below the dent.
                        double a0 = 0.0;
                        const double amax = cp[14], acr = a.props[11];
                        PITanSunNonLinear(&a0, &amax, &acr);
                        const double n = cp[13] == a.svars(k, 16) ? 2.5 : 1.5;
                        cs.v[8] = n;
                        cs.v[9] = cp[13];
                        cs.v[10] = cp[14];
                        cs.v[11] = a0;
                        double e2 = 0.0;
                        cs.stiffness(kc, e2, 2);
                        const double base = w - e - a0;
                        F = base > 0.0 ? kc * std::pow(base, n) : 0.0;
                    } else {
                        tvk::report(-3, bad_procedure, irf);
                        F = 0.0;
                    }
                    radius_and_depth(F, estar, icsflag, a.props, radius, depth);
                }
            } else if (w <= e && a.kinc != 0) {
                if (irf == 0) {
                    cs.stiffness(kc, estar, icsflag);
                    F = cp[0];
                    if (stiffness_computed(icsflag)) radius_and_depth(F, estar, icsflag, a.props, radius, depth);
                    else F = radius = depth = 0.0;
                } else if (w < e) {
                    F = radius = depth = 0.0;
                }
            }
            if (!(std::isfinite(F) && std::isfinite(radius) && std::isfinite(depth))) {
                non_finite();
                continue;
            }
            a.svars(k, 14) = a.svars(k, 15);
            cp[0] = F;
            cp[1] = radius;
            cp[2] = depth;
            a.svars(k, 16) = std::max(F, a.svars(k, 16));
        }
        evaluated = true;
    }
    if (!evaluated && nblock > 0) {
        cp[7] = mark0[0], cp[8] = mark0[1], cp[9] = mark0[2], cp[19] = mark0[3];
    }
}

}  // namespace

TVK_SOLVER_ENTRY(UelImpact, uel_impact, uel_impact_law)
TVK_SOLVER_ENTRY(VuelImpact, vuel_impact, vuel_impact_law)
