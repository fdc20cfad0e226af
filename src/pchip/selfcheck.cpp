// Evaluator self-checks of the cubic Hermite package (checks.h): error exits, one-segment
// accuracy against a known cubic, and piecewise accuracy on a grid of a polynomial in two
// variables; the value and the value-and-derivative evaluators must agree bit for bit.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "pchip/checks.h"
#include "pchip/report.h"
#include "pchip/utilities.h"
#include "pchip/xermsg.h"

namespace tvk::pchip {

std::string twin_text(std::string_view dtext) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> words{{
        {"DCHFDV", "CHFDV"}, {"DCHFEV", "CHFEV"}, {"DPCHF", "PCHF"},
        {"DEVERK", "EVERCK"}, {"DEVCHK", "EVCHCK"}, {"DEVPCK", "EVPCCK"},
    }};
    std::string out;
    bool quoted = false;
    for (std::size_t p = 0; p < dtext.size();) {
        const char c = dtext[p];
        if (c == '\'') {
            quoted = !quoted;  // a doubled quote toggles twice
            out += c;
            ++p;
            continue;
        }
        if (!quoted) {
            const bool descriptor = (c == 'D' || c == 'd') && p + 1 < dtext.size() &&
                                    dtext[p + 1] >= '0' && dtext[p + 1] <= '9';
            out += descriptor ? 'E' : c;
            ++p;
            continue;
        }
        bool replaced = false;
        for (const auto& [from, to] : words) {
            if (dtext.substr(p, from.size()) == from) {
                out += to;
                p += from.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += dtext[p++];
    }
    return out;
}

template <class R>
bool error_exit_check(int lout, int kprint, const Routines<R>& use) {
    auto say = [&](std::string_view fmt, std::initializer_list<io::FmtItem> items = {}) {
        put(lout, text<R>(fmt), items);
    };
    int nerr = 0;
    const int kontrl = xgetf();
    // Recoverable errors return with their code: silently, or (level 3) after their message.
    xsetf(kprint <= 2 ? 0 : 1);
    if (kprint >= 3) say("('1'//10X,'TEST ERROR RETURNS')");
    if (kprint >= 2) say("(//10X,'DEVERK RESULTS'/10X,'--------------')");

    auto check = [&](int expected, auto call) {
        if (kprint >= 3) say("(/' THIS CALL SHOULD RETURN IERR =',I3)", {expected});
        int ierr = 0;
        call(ierr);
        if (!comp(ierr, expected, lout, kprint)) ++nerr;
    };
    R dum = R(0);
    int next[2] = {0, 0};
    const R zero = R(0), one = R(1), three = R(3), six = R(6), seven = R(7);
    check(-1, [&](int& e) { use.chfev(zero, one, three, seven, three, six, 0, &dum, &dum, next, e); });
    check(-2, [&](int& e) { use.chfev(one, one, three, seven, three, six, 1, &dum, &dum, next, e); });
    check(-1, [&](int& e) { use.chfdv(zero, one, three, seven, three, six, 0, &dum, &dum, &dum, next, e); });
    check(-2, [&](int& e) { use.chfdv(one, one, three, seven, three, six, 1, &dum, &dum, &dum, next, e); });

    // Ten points with x(4) and x(7) exchanged: 1, 2, 3, 7, 5, 6, 4, 8, 9, 10.
    constexpr int n = 10;
    R x[n], f[n], d[n];
    for (int i = 1; i <= n; ++i) {
        x[i - 1] = static_cast<R>(i);
        f[i - 1] = static_cast<R>(i + 2);
        d[i - 1] = one;
    }
    std::swap(x[3], x[6]);
    bool skip = false;
    check(-1, [&](int& e) { skip = false; use.pchfe(1, x, f, d, 1, skip, 0, &dum, &dum, e); });
    check(-3, [&](int& e) { skip = false; use.pchfe(n, x, f, d, 1, skip, 0, &dum, &dum, e); });
    check(-4, [&](int& e) { skip = true; use.pchfe(n, x, f, d, 1, skip, 0, &dum, &dum, e); });
    check(-1, [&](int& e) { skip = false; use.pchfd(1, x, f, d, 1, skip, 0, &dum, &dum, &dum, e); });
    check(-3, [&](int& e) { skip = false; use.pchfd(n, x, f, d, 1, skip, 0, &dum, &dum, &dum, e); });
    check(-4, [&](int& e) { skip = true; use.pchfd(n, x, f, d, 1, skip, 0, &dum, &dum, &dum, e); });

    if (kprint >= 3) xerdmp();
    const bool fail = nerr != 0;
    if (kprint >= 2) {
        if (!fail) say("(/' ALL ERROR RETURNS OK.')");
        else if constexpr (single<R>)
            put(lout, "(//' ***** TROUBLE IN EVERCK *****'               //5X,I5,' TESTS FAILED TO GIVE EXPECTED RESULTS.')", {nerr});
        else
            say("(//' ***** TROUBLE IN DEVERK *****'       //5X,I5,' TESTS FAILED TO GIVE EXPECTED RESULTS.')", {nerr});
    }
    xsetf(kontrl);
    return fail;
}

template <class R>
bool segment_check(int lout, int kprint, int npts, R* xev, R* fev, R* dev, R* fev2,
                   const Routines<R>& use) {
    auto say = [&](std::string_view fmt, std::initializer_list<io::FmtItem> items = {}) {
        put(lout, text<R>(fmt), items);
    };
    // The point spacing needs more than the 10 points placed outside the interval.
    if (npts <= 10) return true;
    const R machep = mach<R>(4);
    const R eps1 = R(4) * machep, eps2 = R(10) * machep;
    const R one = R(1), small = TVK_REAL(R, 1.0e-10);
    const R left[3] = {-TVK_REAL(R, 1.5), TVK_REAL(R, 2.0e-10), R(1)};
    const R right[3] = {TVK_REAL(R, 2.5), TVK_REAL(R, 3.0e-10), TVK_REAL(R, 1.0e8)};
    bool fail = false;
    if (kprint >= 2) say("(//10X,'DEVCHK RESULTS'/10X,'--------------')");

    for (int iint = 0; iint < 3; ++iint) {
        const R x1 = left[iint], x2 = right[iint];
        const R fact = std::max(std::sqrt(x2 - x1), one);
        const R tol1 = eps1 * fact, tol2 = eps2 * fact;
        R f1, d1, f2, d2;
        true_cubic(x1, f1, d1);
        true_cubic(x2, f2, d2);
        if (kprint >= 3) {
            if (iint == 0) say("(/10X,'DCHFDV ACCURACY TEST')");
            say("(/)");
            const char* row = "(10X,A2,' =',1P,D18.10,5X,A2,' =',D18.10)";
            say(row, {"X1", num(x1), "X2", num(x2)});
            say(row, {"F1", num(f1), "F2", num(f2)});
            say(row, {"D1", num(d1), "D2", num(d2)});
        }
        if (kprint >= 2) say("(/10X,'INTERVAL = (',1P,D12.5,',',D12.5,' ):' )", {num(x1), num(x2)});
        const R floorf = std::max(std::min(std::fabs(f1), std::fabs(f2)), small);
        const R floord = std::max(std::min(std::fabs(d1), std::fabs(d2)), small);

        // The end points.
        int next[2] = {0, 0}, next2[2] = {0, 0}, ierr = 0;
        R checkf[2], checkd[2], check[2];
        xev[0] = x1;
        xev[1] = x2;
        use.chfdv(x1, x2, f1, f2, d1, d2, 2, xev, checkf, checkd, next, ierr);
        const R aef = checkf[0] - f1, aef2 = checkf[1] - f2;
        const R aed = checkd[0] - d1, aed2 = checkd[1] - d2;
        const R ref = aef / std::max(std::fabs(f1), floorf), ref2 = aef2 / std::max(std::fabs(f2), floorf);
        const R red = aed / std::max(std::fabs(d1), floord), red2 = aed2 / std::max(std::fabs(d2), floord);
        bool failoc = std::max({std::fabs(ref), std::fabs(ref2), std::fabs(red), std::fabs(red2)}) > tol1;
        fail = fail || failoc;
        if (kprint >= 3) {
            say("(/' ERRORS AT ENDPOINTS:',40X,'(NEXT =',2I3,')'       // 1P,4X,'F1:',D13.5,4X,'F2:',D13.5,         4X,'D1:',D13.5,4X,'D2:',D13.5)",
                {next[0], next[1], num(aef), num(aef2), num(aed), num(aed2)});
            say("(1P,4(7X,D13.5))", {num(ref), num(ref2), num(red), num(red2)});
        }
        if (failoc && kprint >= 2) say("(/' ***** DCHFDV FAILED TO REPRODUCE ENDPOINT VALUES.')");
        use.chfev(x1, x2, f1, f2, d1, d2, 2, xev, check, next2, ierr);
        failoc = check[0] != checkf[0] || check[1] != checkf[1];
        fail = fail || failoc;
        if (failoc && kprint >= 2) say("(/' ***** DCHFEV DOES NOT AGREE WITH DCHFDV AT ENDPOINTS.')");

        // Points in and around the interval: 4 left of it, npts - 10 inside, 6 at or right of x2.
        const R dx = (x2 - x1) / static_cast<R>(npts - 10);
        for (int i = 1; i <= npts; ++i)
            xev[i - 1] = (x1 + static_cast<R>(i - 5) * dx) + dx * static_cast<R>(pchip_rand(0.0f));
        use.chfdv(x1, x2, f1, f2, d1, d2, npts, xev, fev, dev, next, ierr);
        // Error extremes (signed), with their abscissas: function abs, rel; derivative abs, rel.
        R lo[4] = {}, hi[4] = {}, xlo[4] = {}, xhi[4] = {};
        R fermax = R(0), dermax = R(0);
        bool failnx = false;
        if (ierr != 0) {
            failoc = true;
            if (kprint >= 2) say("(/' ***** ERROR ***** DCHFDV RETURNED IERR =',I5)", {ierr});
        } else {
            for (int i = 0; i < npts; ++i) {
                R ftrue, dtrue;
                true_cubic(xev[i], ftrue, dtrue);
                const R e[4] = {fev[i] - ftrue, (fev[i] - ftrue) / std::max(std::fabs(ftrue), floorf),
                                dev[i] - dtrue, (dev[i] - dtrue) / std::max(std::fabs(dtrue), floord)};
                for (int q = 0; q < 4; ++q) {
                    if (i == 0) {
                        lo[q] = hi[q] = e[q];
                        xlo[q] = xhi[q] = xev[0];
                    } else if (e[q] < lo[q]) {
                        lo[q] = e[q];
                        xlo[q] = xev[i];
                    } else if (e[q] > hi[q]) {
                        hi[q] = e[q];
                        xhi[q] = xev[i];
                    }
                }
            }
            fermax = std::max(std::fabs(lo[1]), std::fabs(hi[1]));
            dermax = std::max(std::fabs(lo[3]), std::fabs(hi[3]));
            failnx = next[0] + next[1] != 10;
            failoc = failnx || std::max(dermax, fermax) > tol2;
        }
        fail = fail || failoc;
        if (kprint >= 3) {
            say("(/' ERRORS AT ',I5,' INTERIOR POINTS + 10 OUTSIDE:',           15X,'(NEXT =',2I3,')'       //30X,'FUNCTION',17X,'DERIVATIVE'        /15X,2(11X,'ABS',9X,'REL') )",
                {npts - 10, next[0], next[1]});
            const char* extreme = "(/5X,A3,'IMUM ERROR:  ',1P,2D12.4,2X,2D12.4)";
            const char* located = "( 5X,'LOCATED AT X =  ',1P,2D12.4,2X,2D12.4)";
            say(extreme, {"MIN", num(lo[0]), num(lo[1]), num(lo[2]), num(lo[3])});
            say(located, {num(xlo[0]), num(xlo[1]), num(xlo[2]), num(xlo[3])});
            say(extreme, {"MAX", num(hi[0]), num(hi[1]), num(hi[2]), num(hi[3])});
            say(located, {num(xhi[0]), num(xhi[1]), num(xhi[2]), num(xhi[3])});
        }
        if (kprint >= 2) {
            if (!failoc) {
                say("(/' DCHFDV RESULTS OK.')");
            } else {
                const char* excess = "(/' ***** MAXIMUM RELATIVE ERROR IN ',A1,' =',1P,D12.5,','       /    17X,'EXCEEDS TOLERANCE =',D12.5)";
                if (fermax > tol2) say(excess, {"F", num(fermax), num(tol2)});
                if (dermax > tol2) say(excess, {"D", num(dermax), num(tol2)});
                if (failnx) say("(/' ***** REPORTED NEXT =',2I5,'   RATHER THAN    4    6')", {next[0], next[1]});
            }
        }

        // The value evaluator must give exactly the same values and counts.
        use.chfev(x1, x2, f1, f2, d1, d2, npts, xev, fev2, next2, ierr);
        if (ierr != 0) {
            failoc = true;
            if (kprint >= 2) say("(/' ***** ERROR ***** DCHFEV RETURNED IERR =',I5)", {ierr});
        } else {
            R aefmax = std::fabs(fev2[0] - fev[0]), xafmax = xev[0];
            for (int i = 1; i < npts; ++i) {
                const R e = std::fabs(fev2[i] - fev[i]);
                if (e > aefmax) {
                    aefmax = e;
                    xafmax = xev[i];
                }
            }
            failnx = next2[0] != next[0] || next2[1] != next[1];
            failoc = failnx || aefmax != R(0);
            if (kprint >= 2) {
                if (!failoc) {
                    say("(/' DCHFEV AGREES WITH DCHFDV.')");
                } else {
                    say("(/' ***** DCHFEV DID NOT AGREE WITH DCHFDV:')");
                    if (aefmax != R(0))
                        say("(7X,'MAXIMUM DIFFERENCE ',1P,D12.5, '; OCCURRED AT X =',D12.5)", {num(aefmax), num(xafmax)});
                    if (failnx)
                        say("(7X,'REPORTED NEXT =',2I3,'   RATHER THAN ',2I3)", {next2[0], next2[1], next[0], next[1]});
                }
            }
        }
        fail = fail || failoc;
    }
    return fail;
}

template <class R>
bool piecewise_check(int lout, int kprint, R* x, R* y, R* f, R* fx, R* fy, R* xe, R* ye, R* fe,
                     R* de, R* fe2, const Routines<R>& use) {
    auto say = [&](std::string_view fmt, std::initializer_list<io::FmtItem> items = {}) {
        put(lout, text<R>(fmt), items);
    };
    constexpr int nx = 4, ny = 6, nmax = 10, ne = 51;
    const R one = R(1);
    // fcn(a, b) = a (a^2 + 1) b^2 and its partial derivatives.
    auto fcn = [&](R a, R b) { return a * (a * a + one) * b * b; };
    auto dfdx = [&](R a, R b) { return (R(3) * a * a + one) * b * b; };
    auto dfdy = [&](R a, R b) { return R(2) * a * (a * a + one) * b; };
    const R machep = mach<R>(4);
    const R tol = (single<R> ? R(10) : R(25)) * machep;
    bool fail = false;

    for (int i = 1; i <= nx - 1; ++i) x[i - 1] = TVK_REAL(R, 0.25) * static_cast<R>(i);
    x[nx - 1] = one;
    for (int j = 1; j <= ny; ++j) y[j - 1] = R(0.5) * static_cast<R>(j) - TVK_REAL(R, 1.25);
    auto at = [](int i, int j) { return (i - 1) + (j - 1) * nmax; };
    for (int j = 1; j <= ny; ++j) {
        for (int i = 1; i <= nx; ++i) {
            f[at(i, j)] = fcn(x[i - 1], y[j - 1]);
            fx[at(i, j)] = dfdx(x[i - 1], y[j - 1]);
            fy[at(i, j)] = dfdy(x[i - 1], y[j - 1]);
        }
    }
    const R dx = one / static_cast<R>(ne - 1);
    for (int k = 1; k <= ne - 1; ++k) {
        xe[k - 1] = static_cast<R>(k - 1) * dx;
        ye[k - 1] = R(4) * xe[k - 1] - R(2);
    }
    xe[ne - 1] = one;
    ye[ne - 1] = R(2);

    if (kprint >= 3) say("('1'//10X,'TEST DPCHFE AND DPCHFD')");
    if (kprint >= 2) say("(//10X,'DEVPCK RESULTS'/10X,'--------------')");

    // One pass over the lines of one direction: data along the line (n nodes t, values and
    // derivatives from `vals`/`ders` of line `line` with stride inc), evaluated at the points s.
    auto pass = [&](const char* lname, const char* vname, const char* sname, int nlines, int n,
                    const R* t, const R* fixed, int inc, const R* s, int expected,
                    auto first_of, auto truth) {
        int nerr = 0;
        bool skip = false;
        for (int line = 1; line <= nlines; ++line) {
            const R* fl = f + first_of(line);
            const R* dl = (inc == 1 ? fx : fy) + first_of(line);
            int ierr = 0, ier2 = 0;
            bool failoc = false;
            use.pchfd(n, t, fl, dl, inc, skip, ne, s, fe, de, ierr);
            if (kprint >= 3)
                say("(//20X,'DPCHFD INCREMENT TEST -- INCFD = ',I2        /15X,'ON ',A1,'-LINE ',I2,',  ',A1,' =',F8.4, '  --  IERR =',I3)",
                    {inc, lname, line, vname, num(fixed[line - 1]), ierr});
            if (ierr < 0) {
                failoc = true;
                if (kprint >= 2) say("(//' ***** ERROR ***** DPCHFD RETURNED IERR =',I5//)", {ierr});
            } else {
                if (kprint >= 4)
                    say("( /3X,A1,'E',10X,'F',8X,'FE',9X,'DIFF',           13X,'D',8X,'DE',9X,'DIFF')", {sname});
                use.pchfe(n, t, fl, dl, inc, skip, ne, s, fe2, ier2);
                R fermax = R(0), dermax = R(0), fdifmx = R(0), pfermx = s[0], pdermx = s[0], pdifmx = s[0];
                for (int k = 0; k < ne; ++k) {
                    R ftrue, dtrue;
                    truth(fixed[line - 1], s[k], ftrue, dtrue);
                    const R fdiff = fe[k] - ftrue, derr = de[k] - dtrue;
                    if (kprint >= 4)
                        say("(F7.2,2(2X,2F10.5,1P,D15.5,0P))",
                            {num(s[k]), num(ftrue), num(fe[k]), num(fdiff), num(dtrue), num(de[k]), num(derr)});
                    const R diff = std::fabs(fe2[k] - fe[k]);
                    if (k == 0) {
                        fermax = std::fabs(fdiff);
                        dermax = std::fabs(derr);
                        fdifmx = diff;
                        continue;
                    }
                    if (std::fabs(fdiff) > fermax) {
                        fermax = std::fabs(fdiff);
                        pfermx = s[k];
                    }
                    if (std::fabs(derr) > dermax) {
                        dermax = std::fabs(derr);
                        pdermx = s[k];
                    }
                    if (diff > fdifmx) {
                        fdifmx = diff;
                        pdifmx = s[k];
                    }
                }
                const bool faild = fermax > tol || dermax > tol;
                const bool faile = fdifmx != R(0);
                failoc = faild || faile || ierr != expected || ier2 != ierr;
                if (failoc && kprint >= 2)
                    say("(/' ***** DPCHFD AND/OR DPCHFE FAILED ON ',A1,'-LINE ',I1, ',  ',A1,' =',F8.4)",
                        {lname, line, vname, num(fixed[line - 1])});
                if (kprint >= 3 || (kprint == 2 && faild)) {
                    if constexpr (single<R>)
                        put(lout, "(/17X,'  MAXIMUM ERROR IN FUNCTION =',1P,                                          1P,E13.5,0P,' (AT',F6.2,'),'               /31X,    'IN DERIVATIVE =',1P,E13.5,0P,' (AT',F6.2,').' )",
                            {num(fermax), num(pfermx), num(dermax), num(pdermx)});
                    else
                        say("(/19X,'  MAXIMUM ERROR IN FUNCTION =',1P,                  1P,D13.5,0P,' (AT',F6.2,'),'       /33X,    'IN DERIVATIVE =',1P,D13.5,0P,' (AT',F6.2,').' )",
                            {num(fermax), num(pfermx), num(dermax), num(pdermx)});
                }
                if (faild && kprint >= 2) say("('  *** BOTH SHOULD BE .LE. TOL =',1P,D12.5,' ***')", {num(tol)});
                if (kprint >= 3 || (kprint == 2 && faile))
                    say("( '  MAXIMUM DIFFERENCE BETWEEN DPCHFE AND DPCHFD =',                  1P,D13.5,0P,' (AT',F6.2,').' )",
                        {num(fdifmx), num(pdifmx)});
                const char* instead = "(/'  DPCHF',A1,' RETURNED IERR = ',I2,' INSTEAD OF ',I2)";
                if (ierr != expected && kprint >= 2) say(instead, {"D", ierr, expected});
                if (ier2 != ierr && kprint >= 2) say(instead, {"E", ier2, ierr});
            }
            if (failoc) ++nerr;
            fail = fail || failoc;
        }
        if (kprint >= 2) {
            if (nerr > 0)
                say("(//' ***** ERROR ***** DPCHFD AND/OR DPCHFE FAILED ON',I2,               1X, A1,'-LINES.'//)", {nerr, lname});
            else
                say("(/' DPCHFD AND DPCHFE OK ON ',A1,'-LINES.')", {lname});
        }
    };

    // J-lines: y fixed, data along x, contiguous; 13 of the points lie left of x(1).
    pass("J", "Y", "X", ny, nx, x, y, 1, xe, 13, [&](int j) { return at(1, j); },
         [&](R yv, R xv, R& ft, R& dt) {
             ft = fcn(xv, yv);
             dt = dfdx(xv, yv);
         });
    // I-lines: x fixed, data along y through the grid with stride 10; 20 points lie outside.
    pass("I", "X", "Y", nx, ny, y, x, nmax, ye, 20, [&](int i) { return at(i, 1); },
         [&](R xv, R yv, R& ft, R& dt) {
             ft = fcn(xv, yv);
             dt = dfdy(xv, yv);
         });
    return fail;
}

#define TVK_INSTANTIATE(R)                                                                        \
    template bool error_exit_check<R>(int, int, const Routines<R>&);                              \
    template bool segment_check<R>(int, int, int, R*, R*, R*, R*, const Routines<R>&);            \
    template bool piecewise_check<R>(int, int, R*, R*, R*, R*, R*, R*, R*, R*, R*, R*,            \
                                     const Routines<R>&);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRIES(R, ERVERK, EVCHK, EVPCK)                                                      \
    TVK_API void ERVERK(const int* lout, const int* kprint, int* fail) {                          \
        *fail = tvk::pchip::error_exit_check<R>(*lout, *kprint) ? 1 : 0;                          \
    }                                                                                             \
    TVK_API void EVCHK(const int* lout, const int* kprint, const int* npts, R* xev, R* fev,       \
                       R* dev, R* fev2, int* fail) {                                              \
        *fail = tvk::pchip::segment_check<R>(*lout, *kprint, *npts, xev, fev, dev, fev2) ? 1 : 0; \
    }                                                                                             \
    TVK_API void EVPCK(const int* lout, const int* kprint, R* x, R* y, R* f, R* fx, R* fy, R* xe, \
                       R* ye, R* fe, R* de, R* fe2, int* fail) {                                  \
        *fail = tvk::pchip::piecewise_check<R>(*lout, *kprint, x, y, f, fx, fy, xe, ye, fe, de,   \
                                               fe2)                                               \
                    ? 1                                                                           \
                    : 0;                                                                          \
    }
TVK_ENTRIES(double, deverk, devchk, devpck)
TVK_ENTRIES(float, everck, evchck, evpcck)
