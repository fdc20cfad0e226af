// Hertzian contact laws of a spherical impactor on a plate: contact stiffness, contact radius,
// indentation depth and the residual of the contact-force equation.
//
// Hertz (H. Hertz, J. reine angew. Math. 92, 1882; K. L. Johnson, Contact Mechanics, 1985,
// sec. 4.2): F = (4/3) E* sqrt(R) alpha^(3/2), contact radius a = (3 F R/(4 E*))^(1/3),
// approach alpha = a^2/R, with 1/E* = (1 - nu1^2)/E1 + (1 - nu2^2)/E2 and 1/R = 1/R1 + 1/R2.
// For a laminated target the target term becomes 1/E2 with E2 the transverse modulus (T. M. Tan
// and C. T. Sun, J. Appl. Mech. 52, 1985). Unloading follows F = Fmax ((alpha - a0)/(amax -
// a0))^q (S. H. Yang and C. T. Sun, ASTM STP 787, 1982). Line contact of length L under the load w
// per length has the half-width b = sqrt(4 w R/(pi E*)) (Johnson, sec. 4.3) and the logarithmic
// stiffness pi L E*/(ln(L/b) + 1.886).
#include "contact.h"

#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/signal.h"
#include "pchip/tableinterp.h"

namespace {

// args(i), 1-based.
inline double arg(const double* args, int i) { return args[i - 1]; }

// True when numargs holds at least `need` values; otherwise a level -3 report for `routine`.
bool enough(const int* numargs, int need, const char* routine) {
    if (*numargs >= need) return true;
    tvk::report(-3, std::string("Too few arguments in ") + routine, *numargs, need, 0.0, 0.0,
                routine);
    return false;
}

// Effective modulus with the impactor term (1 - nu1^2)/E1 and the target term of the flag.
double effective_modulus(const double* args, bool isotropic_target) {
    const double nu1 = arg(args, 4), nu2 = isotropic_target ? arg(args, 8) : 0.0;
    return 1.0 / ((1.0 - nu1 * nu1) / arg(args, 3) + (1.0 - nu2 * nu2) / arg(args, 7));
}

// sqrt of the effective radius, 1/R = 1/R1 + 1/R2 (args(5) = 1/R2, 0 for a flat target).
double sqrt_effective_radius(const double* args) {
    return std::sqrt(1.0 / (1.0 / arg(args, 1) + arg(args, 5)));
}

}  // namespace

TVK_API void ContactStiffness(double* k, double* eeff, const double* args, const int* numargs,
                              const int* csflag) {
    *eeff = 0.0;
    const int flag = *csflag;
    switch (flag) {
        case 0:
        case 1:
            if (!enough(numargs, flag == 0 ? 8 : 7, "ContactStiffness")) return;
            *eeff = effective_modulus(args, flag == 0);
            *k = 4.0 / 3.0 * *eeff * sqrt_effective_radius(args);
            return;
        case 2:
            if (!enough(numargs, 12, "ContactStiffness")) return;
            *k = arg(args, 10) / std::pow(arg(args, 11) - arg(args, 12), arg(args, 9));
            return;
        case 3: {
            if (!enough(numargs, 12, "ContactStiffness")) return;
            *eeff = effective_modulus(args, false);
            const double q = arg(args, 9);
            *k = std::pow(arg(args, 10), q - 0.5) * std::pow(arg(args, 11), 1.0 - q) /
                 std::pow(arg(args, 12), q + 1.0);
            return;
        }
        case 4:
            tvk::report(-3, "Goldsmith is not implemented so far.", flag, 0, 0.0, 0.0,
                        "ContactStiffness");
            return;
        case 5:
            tvk::report(-3, "Goldsmith + Sun et. al is not implemented so far.", flag, 0, 0.0, 0.0,
                        "ContactStiffness");
            return;
        case 6: {
            if (!enough(numargs, 13, "ContactStiffness")) return;
            *eeff = effective_modulus(args, true);
            const double lc = arg(args, 2), lo = tvk::eps, hi = tvk::huge;
            const double w = fLimit(args + 12, &lo, &hi);
            const double b = std::sqrt(4.0 * arg(args, 1) * w / (tvk::pi * *eeff));
            *k = tvk::pi * lc * *eeff / (std::log(lc / b) + 1.886);
            return;
        }
        default:
            tvk::report(-3, "Unknown contact stiffness flag", flag, 0, 0.0, 0.0, "ContactStiffness");
    }
}

TVK_API void ContactRadius(double* radius, const double* args, const int* numargs,
                           const int* cdflag) {
    const int flag = *cdflag;
    *radius = tvk::huge;
    if (flag >= 0 && flag <= 4) {
        if (enough(numargs, 3, "ContactRadius"))
            *radius = std::pow(3.0 * arg(args, 1) * arg(args, 3) / (4.0 * arg(args, 2)), 1.0 / 3.0);
    } else if (flag == 5 || flag == 6) {
        if (enough(numargs, 4, "ContactRadius"))
            *radius = std::sqrt(4.0 * arg(args, 1) * arg(args, 3) /
                                (tvk::pi * arg(args, 2) * arg(args, 4)));
    }
}

TVK_API void ContactDepth(double* indentation, const double* args, const int* numargs,
                          const int* cdflag) {
    *indentation = tvk::huge;
    switch (*cdflag) {
        case 0:
            if (enough(numargs, 3, "ContactDepth")) {
                const double f = arg(args, 1), e = arg(args, 3);
                *indentation = std::pow(9.0 * f * f / (16.0 * arg(args, 2) * e * e), 1.0 / 3.0);
            }
            return;
        case 1:
            if (enough(numargs, 3, "ContactDepth"))
                *indentation = arg(args, 1) / (2.0 * arg(args, 2) * arg(args, 3));
            return;
        case 2:
            if (enough(numargs, 4, "ContactDepth")) *indentation = tvk::pi * arg(args, 4) / 2.0;
            return;
        default:
            return;
    }
}

namespace {

// Stiffness at force x from the table of ns forces args(8..7+ns) and ns stiffness values
// args(8+ns..7+2ns), by monotone cubic interpolation; args(1) where the table gives no positive
// stiffness. A table the interpolation cannot take (fewer than two pairs, forces not strictly
// increasing) also falls back to args(1), with a level -2 report.
double tabulated_stiffness(const double* args, int numargs, double x) {
    const int ns = (numargs - 7) / 2;
    const double* forces = args + 7;
    bool usable = ns >= 2;
    for (int i = 1; usable && i < ns; ++i) usable = forces[i] > forces[i - 1];
    if (!usable) {
        tvk::report(-2, "Unusable stiffness table in ContactLaw", ns, 0, 0.0, 0.0, "ContactLaw");
        return arg(args, 1);
    }
    double k = 0.0;
    const int one = 1;
    cubichermitianinterpolation(&k, forces, &ns, forces + ns, &ns, &x, &one);
    return k > 0.0 ? k : arg(args, 1);
}

}  // namespace

TVK_API void ContactLaw(double* fx, double* dfx, const double* xold, const double* args,
                        const int* numargs, const int* clflag) {
    const int flag = *clflag;
    const double x = *xold;
    if (flag < 0 || flag > 2) {
        tvk::report(-3, "Unknown contact law flag", flag, 0, 0.0, 0.0, "ContactLaw");
    } else if (enough(numargs, 7, "ContactLaw")) {
        const double k = flag == 1 ? tabulated_stiffness(args, *numargs, x) : arg(args, 1);
        const double c = std::fabs(arg(args, 3) + arg(args, 5));
        const double p = arg(args, 6);
        const double base = arg(args, 2) - arg(args, 4) - arg(args, 7) - x * c;
        // One power serves both: base^(p-1) = base^p/base where that quotient is exact enough.
        const double bp = std::pow(base, p);
        const double bp1 = base != 0.0 && std::isfinite(bp) ? bp / base : std::pow(base, p - 1.0);
        *fx = k * bp - x;
        *dfx = -k * p * c * bp1 - 1.0;
    }
    // F = k max(base, 0)^p: where the power is not defined the contact has opened.
    if (std::isnan(*fx)) *fx = -x;
    if (std::isnan(*dfx)) *dfx = -1.0;
}
