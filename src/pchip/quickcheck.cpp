// Quick checks of the cubic Hermite package (checks.h): evaluators, integrator, derivative
// setup, monotonicity checker and B-spline converter on fixed data with known answers.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pchip/checks.h"
#include "pchip/report.h"
#include "pchip/utilities.h"

namespace tvk::pchip {

namespace {

// The ending all quick checks share: the trouble line (level 2), then the passed (level 2) or
// the failed (level 1) banner; returns ipass.
int verdict(int lun, int kprint, int ifail, std::string_view trouble, std::string_view passed,
            std::string_view failed, bool trouble_written = false) {
    if (ifail != 0 && kprint >= 2 && !trouble_written) put(lun, trouble, {ifail});
    if (ifail == 0) {
        if (kprint >= 2) put(lun, passed, {});
        return 1;
    }
    if (kprint >= 1) put(lun, failed, {});
    return 0;
}

}  // namespace

template <class R>
int quick_check1(int lun, int kprint, const Routines<R>& use) {
    if (kprint >= 2)
        put(lun, pick<R>("('1'/' ------------ DPCHIP QUICK CHECK OUTPUT', ' ------------' //20X,'( KPRINT =',I2,' )')",
                         "('1'/' ------------  PCHIP QUICK CHECK OUTPUT', ' ------------' //20X,'( KPRINT =',I2,' )')"),
            {kprint});
    std::vector<R> work(4000);
    R* w = work.data();
    int ifail = 0;
    if (segment_check<R>(lun, kprint, 1000, w, w + 1000, w + 2000, w + 3000, use)) ifail += 1;
    if (piecewise_check<R>(lun, kprint, w, w + 10, w + 20, w + 120, w + 220, w + 320, w + 371,
                           w + 422, w + 473, w + 524, use))
        ifail += 2;
    if (error_exit_check<R>(lun, kprint, use)) ifail += 4;
    return verdict(lun, kprint, ifail, "(/' *** TROUBLE ***',I5,' EVALUATION TESTS FAILED.')",
                   pick<R>("(/' ------------ DPCHIP PASSED  ALL EVALUATION TESTS', ' ------------')",
                           "(/' ------------  PCHIP PASSED  ALL EVALUATION TESTS', ' ------------')"),
                   pick<R>("(/' ************ DPCHIP FAILED SOME EVALUATION TESTS', ' ************')",
                           "(/' ************  PCHIP FAILED SOME EVALUATION TESTS', ' ************')"));
}

template <class R>
int quick_check2(int lun, int kprint, const Routines<R>& use) {
    const R machep = mach<R>(4);
    const R tol = R(100) * machep;
    const R two = R(2), thrqtr = TVK_REAL(R, 0.75), one = R(1);
    constexpr int n = 7, npairs = 17;
    const R x[n] = {-R(4), -R(2), -TVK_REAL(R, 0.9), R(0), TVK_REAL(R, 0.9), R(2), R(4)};
    R f[n], d[n];
    // f(x) = 3 x^2 (x - 2), f'(x) = 3 x (x + 2 (x - 2)), F(x) = x^3 (0.75 x - 2).
    for (int i = 0; i < n; ++i) {
        f[i] = R(3) * x[i] * x[i] * (x[i] - two);
        d[i] = R(3) * x[i] * (x[i] + two * (x[i] - two));
    }
    auto antider = [&](R v) { return v * v * v * (thrqtr * v - two); };
    const R a[npairs] = {-R(3), R(3), -R(0.5), -R(0.5), -R(0.5), -R(4), -R(4), R(3), -R(5),
                         -R(5), -R(6), R(6), -R(1.5), -R(1.5), -R(3), R(3), R(0.5)};
    const R b[npairs] = {R(3), -R(3), R(1), R(2), R(5), -R(0.5), R(4), R(5), -R(3),
                         R(5), -R(5), R(5), -R(0.5), -R(1), -R(2.5), R(3.5), R(0.5)};
    const int ierexp[npairs] = {0, 0, 0, 0, 2, 0, 0, 2, 1, 3, 3, 3, 0, 0, 0, 0, 0};

    if (kprint >= 3) put(lun, pick<R>("('1'//10X,'TEST DPCHIP INTEGRATORS')", "('1'//10X,'TEST PCHIP INTEGRATORS')"), {});
    if (kprint >= 2)
        put(lun, pick<R>("(//10X,'DPCHQ2 RESULTS'/10X,'--------------')", "(//10X,'PCHQK2 RESULTS'/10X,'--------------')"), {});
    if (kprint >= 3) {
        std::vector<io::FmtItem> items;
        for (int i = 0; i < n; ++i) {
            items.push_back(num(x[i]));
            items.push_back(num(f[i]));
            items.push_back(num(d[i]));
        }
        put(lun, "(// 5X,'DATA:' //11X,'X',9X,'F',9X,'D' /(5X,3F10.3) )", items);
        put(lun, pick<R>("(// 5X,'TEST RESULTS:'           //'    A     B    ERR     TRUE',16X,'CALC',15X,'ERROR')",
                         "(// 5X,'TEST RESULTS:'                //'    A     B    ERR     TRUE',16X,'CALC',15X,'ERROR')"),
            {});
    }
    const char* row = pick<R>("(2F6.1,I5,1P,2D20.10,D15.5)", "(2F6.1,I5,1P,2E20.10,E15.5)");
    int ifail = 0;
    R errmax = R(0);
    bool first = true;
    bool skip = false;
    for (int i = 0; i < npairs; ++i) {
        int ierr = 0;
        const R calc = use.pchia(n, x, f, d, 1, skip, a[i], b[i], ierr);
        if (ierr >= 0) {
            const bool fail = ierr != ierexp[i];
            const R exact = antider(b[i]) - antider(a[i]);
            R error = calc - exact;
            if (kprint >= 3) {
                if (fail)
                    put(lun, pick<R>("(2F6.1,I5,1P,2D20.10,D15.5,'  (',I1,') *****' )",
                                     "(2F6.1,I5,1P,2E20.10,E15.5,'  (',I1,') *****' )"),
                        {num(a[i]), num(b[i]), ierr, num(exact), num(calc), num(error), ierexp[i]});
                else
                    put(lun, row, {num(a[i]), num(b[i]), ierr, num(exact), num(calc), num(error)});
            }
            // Relative error, judged absolutely below magnitude 1.
            error = std::fabs(error) / std::max(one, std::fabs(exact));
            if (fail || error > tol) ++ifail;
            errmax = first ? error : std::max(errmax, error);
            first = false;
        } else {
            if (kprint >= 3) put(lun, row, {num(a[i]), num(b[i]), ierr});
            ++ifail;
        }
    }
    const char* trouble = "(/' *** TROUBLE ***',I5,' INTEGRATION TESTS FAILED.')";
    if (kprint >= 2) {
        put(lun, pick<R>("(/'  MAXIMUM RELATIVE ERROR IS:',1P,D15.5, ',   TOLERANCE:',1P,D15.5)",
                         "(/'  MAXIMUM RELATIVE ERROR IS:',1P,E15.5, ',   TOLERANCE:',1P,E15.5)"),
            {num(errmax), num(tol)});
        if (ifail != 0) put(lun, trouble, {ifail});
    }
    return verdict(lun, kprint, ifail, trouble,
                   pick<R>("(/' ------------ DPCHIP PASSED  ALL INTEGRATION TESTS', ' ------------')",
                           "(/' ------------  PCHIP PASSED  ALL INTEGRATION TESTS', ' ------------')"),
                   pick<R>("(/' ************ DPCHIP FAILED SOME INTEGRATION TESTS', ' ************')",
                           "(/' ************  PCHIP FAILED SOME INTEGRATION TESTS', ' ************')"),
                   true);
}

template <class R>
int quick_check3(int lun, int kprint, const Routines<R>& use) {
    constexpr int n = 9, nwk = 18;
    const R x[n] = {-TVK_REAL(R, 2.2), -TVK_REAL(R, 1.2), -R(1), -R(0.5), -TVK_REAL(R, 0.01),
                    R(0.5), R(1), R(2), TVK_REAL(R, 2.2)};
    const R dm[n] = {R(0), TVK_REAL(R, 0.380027352), TVK_REAL(R, 0.717253009),
                     TVK_REAL(R, 0.582014161), R(0), -TVK_REAL(R, 0.568208031),
                     -TVK_REAL(R, 0.513501618), -TVK_REAL(R, 0.0777910977),
                     -TVK_REAL(R, 0.00245611117)};
    const R ds[n] = {-TVK_REAL(R, 0.0516830792), TVK_REAL(R, 0.571455855), TVK_REAL(R, 0.740530225),
                     TVK_REAL(R, 0.763864934), TVK_REAL(R, 0.0192614386), -TVK_REAL(R, 0.76532438),
                     -TVK_REAL(R, 0.728209035), -TVK_REAL(R, 0.0798445427), -TVK_REAL(R, 0.0285983446)};
    const R dc5 = TVK_REAL(R, 0.0176950158), dc6 = -TVK_REAL(R, 0.569579814);
    const R machep = mach<R>(4);
    const R tol = R(10) * machep;
    const R told = std::max(TVK_REAL(R, 1.0e-7), R(10) * tol);
    const R tolz = R(0);
    const int ic[2] = {0, 0};
    const R vc[2] = {R(0), R(0)};
    R f[n], d[n], dc[n], wk[nwk];
    for (int i = 0; i < n; ++i) f[i] = std::exp(-x[i] * x[i]);

    if (kprint >= 3)
        put(lun, pick<R>("('1'//10X,'TEST DPCHIP INTERPOLATORS')", "('1'//10X,'TEST PCHIP INTERPOLATORS')"), {});
    if (kprint >= 2)
        put(lun, pick<R>("(//10X,'DPCHQ3 RESULTS'/10X,'--------------')", "(//10X,'PCHQK3 RESULTS'/10X,'--------------')"), {});
    if (kprint >= 3) {
        put(lun, pick<R>("(// 5X,'DATA:'        /39X,'---------- EXPECTED D-VALUES ----------'        /12X,'X',9X,'F',18X,'DM',13X,'DC',13X,'DS')",
                         "(// 5X,'DATA:'                /39X,'---------- EXPECTED D-VALUES ----------'                /12X,'X',9X,'F',18X,'DM',13X,'DC',13X,'DS')"),
            {});
        for (int i = 0; i < n; ++i) {
            if (i == 4 || i == 5)
                put(lun, pick<R>("(5X,F10.2,1P,D15.5,4X,3D15.5)", "(5X,F10.2,1P,E15.5,4X,3E15.5)"),
                    {num(x[i]), num(f[i]), num(dm[i]), num(i == 4 ? dc5 : dc6), num(ds[i])});
            else
                put(lun, pick<R>("(5X,F10.2,1P,D15.5,4X,D15.5,15X,D15.5)", "(5X,F10.2,1P,E15.5,4X,E15.5,15X,E15.5)"),
                    {num(x[i]), num(f[i]), num(dm[i]), num(ds[i])});
        }
    }

    int ifail = 0;
    // One test: the call, its code against the expected one, then point by point `judge`
    // (error measure and verdict of point i; counts into nbad / nbadz).
    enum Verdict { ok, bad, badz, bada };
    auto test = [&](const char* label, int expected, const R* shown, auto call, auto judge,
                    R badtol, bool zero_message_im) {
        if (kprint >= 3) put(lun, pick<R>("(/5X,'DPCH',A2,' TEST:')", "(/5X,'PCH',A2,' TEST:')"), {label});
        int ierr = 0;
        call(ierr);
        if (kprint >= 3) put(lun, "(15X,'EXPECT  IERR =',I5)", {expected});
        if (!comp(ierr, expected, lun, kprint)) {
            ++ifail;
            return;
        }
        if (kprint >= 3) put(lun, "(/9X,'I',7X,'X',9X,'D',13X,'ERR')", {});
        int nbad = 0, nbadz = 0;
        for (int i = 0; i < n; ++i) {
            R err = R(0);
            const Verdict v = judge(i, err);
            nbad += v == bad;
            nbadz += v == badz || v == bada;
            static const char* words[4] = {"  OK  ", "**BAD ", "**BADZ", "**BADA"};
            if (kprint >= 3)
                put(lun, pick<R>("(5X,I5,F10.2,1P,2D15.5,2X,A)", "(5X,I5,F10.2,1P,2E15.5,2X,A)"),
                    {i + 1, num(x[i]), num(shown[i]), num(err), words[v]});
        }
        if (nbad == 0 && nbadz == 0) {
            if (kprint >= 2) put(lun, pick<R>("(/5X,'  ALL DPCH',A2,' RESULTS OK.')", "(/5X,'  ALL  PCH',A2,' RESULTS OK.')"), {label});
            return;
        }
        ++ifail;
        if (kprint < 2) return;
        if (nbadz != 0) {
            if (zero_message_im)
                put(lun, pick<R>("(/'    **',I5,' DPCHIM RESULTS FAILED TO BE EXACTLY ZERO.')",
                                 "(/'    **',I5,'  PCHIM RESULTS FAILED TO BE EXACTLY ZERO.')"),
                    {nbadz});
            else
                put(lun, pick<R>("(/'    **',I5,' DPCHIC RESULTS FAILED TO AGREE WITH', ' PREVIOUS CALL.')",
                                 "(/'    **',I5,'  PCHIC RESULTS FAILED TO AGREE WITH', ' PREVIOUS CALL.')"),
                    {nbadz});
        }
        if (nbad != 0)
            put(lun, pick<R>("(/'    **',I5,' DPCH',A2,' RESULTS FAILED TOLERANCE TEST.', '  TOL =',1P,D10.3)",
                             "(/'    **',I5,'  PCH',A2,' RESULTS FAILED TOLERANCE TEST.', '  TOL =',1P,E10.3)"),
                {nbad, label, num(badtol)});
    };
    auto relative = [&](R got, R want, R& err) {
        err = (got - want) / want;
        return std::fabs(err) <= told ? ok : bad;
    };

    // Monotone derivatives: the expected zeros exactly, the rest to told.
    test("IM", 1, d, [&](int& e) { use.pchim(n, x, f, d, 1, e); },
         [&](int i, R& err) -> Verdict {
             if (dm[i] == R(0)) {
                 err = d[i];
                 return std::fabs(d[i]) <= tolz ? ok : badz;
             }
             return relative(d[i], dm[i], err);
         },
         told, true);
    // Constrained, no switch: the monotone derivatives again.
    test("IC", 0, dc, [&](int& e) { use.pchic(ic, vc, R(0), n, x, f, dc, 1, wk, nwk, e); },
         [&](int i, R& err) -> Verdict {
             err = d[i] - dc[i];
             return std::fabs(err) <= tol ? ok : bad;
         },
         tol, false);
    // Constrained with smoothing at extrema: only the derivatives at points 5 and 6 change.
    test("IC", 0, d, [&](int& e) { use.pchic(ic, vc, -R(1), n, x, f, d, 1, wk, nwk, e); },
         [&](int i, R& err) -> Verdict {
             if (i == 4 || i == 5) return relative(d[i], i == 4 ? dc5 : dc6, err);
             err = d[i] - dc[i];
             return std::fabs(err) <= tolz ? ok : bada;
         },
         told, false);
    // Not-a-knot spline.
    test("SP", 0, d, [&](int& e) { use.pchsp(ic, vc, n, x, f, d, 1, wk, nwk, e); },
         [&](int i, R& err) -> Verdict { return relative(d[i], ds[i], err); }, told, false);

    return verdict(lun, kprint, ifail, "(/' *** TROUBLE ***',I5,' INTERPOLATION TESTS FAILED.')",
                   pick<R>("(/' ------------ DPCHIP PASSED  ALL INTERPOLATION TESTS', ' ------------')",
                           "(/' ------------  PCHIP PASSED  ALL INTERPOLATION TESTS', ' ------------')"),
                   pick<R>("(/' ************ DPCHIP FAILED SOME INTERPOLATION TESTS', ' ************')",
                           "(/' ************  PCHIP FAILED SOME INTERPOLATION TESTS', ' ************')"));
}

template <class R>
int quick_check4(int lun, int kprint, const Routines<R>& use) {
    constexpr int maxn = 16, nb = 7;
    const int ns[3] = {16, 8, 6};
    R x[maxn], f[maxn], d[maxn], fb[nb], db[nb];
    for (int i = 0; i < maxn; ++i) {
        x[i] = static_cast<R>(i + 1);
        d[i] = R(0);
    }
    for (int i = 0; i < 3; ++i) {
        f[i] = x[i];
        for (int k = 3; i + k < maxn; k += 3) f[i + k] = f[i + k - 3] + R(1);
    }
    f[15] = R(6);
    for (int i : {1, 4, 7, 10, 13}) d[i] = R(2);
    const R fbv[nb] = {R(0), R(2), R(3), R(5), R(3), R(2), R(0)};
    const R dbv[nb] = {R(1), R(3), R(3), R(0), -R(3), -R(3), -R(1)};
    std::copy(fbv, fbv + nb, fb);
    std::copy(dbv, dbv + nb, db);
    // Expected codes, negated (2 excepted) on the second pass of this call only.
    int ismex[3][maxn] = {{1, 1, -1, 1, 1, -1, 1, 1, -1, 1, 1, -1, 1, 1, -1, 2},
                          {1, 2, 2, 1, 2, 2, 1, 2},
                          {1, 1, 1, 1, 1, 1}};
    int ismexb[nb] = {1, 3, 1, -1, -3, -1, 2};

    if (kprint >= 3)
        put(lun, pick<R>("('1'//10X,'TEST DPCHIP MONOTONICITY CHECKER')", "('1'//10X,'TEST PCHIP MONOTONICITY CHECKER')"), {});
    if (kprint >= 2)
        put(lun, pick<R>("(//10X,'DPCHQ4 RESULTS'/10X,'--------------')", "(//10X,'PCHQK4 RESULTS'/10X,'--------------')"), {});
    if (kprint >= 3) {
        put(lun, "(// 5X,'DATA:'               // 9X,'I',4X,'X',5X,'F',5X,'D',5X,'FB',4X,'DB')", {});
        for (int i = 0; i < maxn; ++i) {
            if (i < nb)
                put(lun, "(5X,I5,5F6.1)", {i + 1, num(x[i]), num(f[i]), num(d[i]), num(fb[i]), num(db[i])});
            else
                put(lun, "(5X,I5,5F6.1)", {i + 1, num(x[i]), num(f[i]), num(d[i])});
        }
    }

    int ifail = 0;
    // Compares the codes of one checker call with the expectation; false at the first mismatch.
    auto compare = [&](int ierr, const int* ismon, const int* expect, int n) {
        if (ierr != 0) {
            ++ifail;
            if (kprint >= 3) put(lun, "(' *** Failed -- bad IERR value.')", {});
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (ismon[i] != expect[i]) {
                ++ifail;
                if (kprint >= 3) {
                    std::vector<io::FmtItem> items;
                    for (int k = 0; k < n; ++k) items.emplace_back(expect[k]);
                    put(lun, "(' *** Failed -- expect:',16I3)", items);
                }
                return;
            }
        }
    };
    for (;;) {
        for (int incfd = 1; incfd <= 3; ++incfd) {
            const int n = ns[incfd - 1];
            int ismon[maxn] = {}, ierr = 0;
            bool skip = false;
            // x holds n nodes; f and d are read with the stride, every incfd-th entry.
            use.pchcm(n, x, f, d, incfd, skip, ismon, ierr);
            if (kprint >= 3) {
                std::vector<io::FmtItem> items{incfd, ierr};
                for (int k = 0; k < n; ++k) items.emplace_back(ismon[k]);
                put(lun, "(/4X,'INCFD =',I2,':  IERR =',I3/15X,'ISMON =',16I3)", items);
            }
            compare(ierr, ismon, ismex[incfd - 1], n);
        }
        int ismon[nb] = {}, ierr = 0;
        bool skip = false;
        use.pchcm(nb, x, fb, db, 1, skip, ismon, ierr);
        if (kprint >= 3) {
            std::vector<io::FmtItem> items{ierr};
            for (int k = 0; k < nb; ++k) items.emplace_back(ismon[k]);
            put(lun, "(/4X,' Bug test:  IERR =',I3/15X,'ISMON =',7I3)", items);
        }
        compare(ierr, ismon, ismexb, nb);
        if (f[0] < R(0)) break;
        if (kprint >= 3) put(lun, "(/4X,'Changing sign of data.....')", {});
        for (int i = 0; i < maxn; ++i) {
            f[i] = -f[i];
            d[i] = -d[i];
        }
        for (int i = 0; i < nb; ++i) {
            fb[i] = -fb[i];
            db[i] = -db[i];
            if (ismexb[i] != 2) ismexb[i] = -ismexb[i];
        }
        for (auto& row : ismex)
            for (int& c : row)
                if (c != 2) c = -c;
    }
    return verdict(lun, kprint, ifail, "(/' *** TROUBLE ***',I5,' MONOTONICITY TESTS FAILED.')",
                   pick<R>("(/' ------------ DPCHIP PASSED  ALL MONOTONICITY TESTS', ' ------------')",
                           "(/' ------------  PCHIP PASSED  ALL MONOTONICITY TESTS', ' ------------')"),
                   pick<R>("(/' ************ DPCHIP FAILED SOME MONOTONICITY TESTS', ' ************')",
                           "(/' ************  PCHIP FAILED SOME MONOTONICITY TESTS', ' ************')"));
}

template <class R>
int quick_check5(int lun, int kprint, const Routines<R>& use) {
    constexpr int n = 9, nk = 2 * n + 4;
    const R x[n] = {-TVK_REAL(R, 2.2), -TVK_REAL(R, 1.2), -R(1), -R(0.5), -TVK_REAL(R, 0.01),
                    R(0.5), R(1), R(2), TVK_REAL(R, 2.2)};
    const R f[n] = {TVK_REAL(R, 0.0079), TVK_REAL(R, 0.2369), TVK_REAL(R, 0.3679),
                    TVK_REAL(R, 0.7788), TVK_REAL(R, 0.9999), TVK_REAL(R, 0.7788),
                    TVK_REAL(R, 0.3679), TVK_REAL(R, 0.1083), TVK_REAL(R, 0.0079)};
    const R d[n] = {R(0), TVK_REAL(R, 0.38), TVK_REAL(R, 0.7173), TVK_REAL(R, 0.582),
                    TVK_REAL(R, 0.0177), -TVK_REAL(R, 0.5696), -TVK_REAL(R, 0.5135),
                    -TVK_REAL(R, 0.0778), -TVK_REAL(R, 0.0025)};
    const R machep = mach<R>(4);
    const R tol = R(100) * machep, tolz = R(0), floor = TVK_REAL(R, 1.0e-5);
    R t[nk] = {}, tsave[nk] = {}, bcoef[2 * n] = {}, work[144] = {};

    if (kprint >= 3) put(lun, "('1'//10X,'TEST PCH TO B-SPLINE CONVERTER')", {});
    if (kprint >= 2)
        put(lun, pick<R>("(//10X,'DPCHQ5 RESULTS'/10X,'--------------')", "(//10X,'PCHQK5 RESULTS'/10X,'--------------')"), {});
    if (kprint >= 3) put(lun, "(/4X,'(Results should be the same for all KNOTYP values.)')", {});

    int ifail = 0, nknots = 0;
    for (int knotyp : {2, 1, 0, -1}) {
        int ndim = 0, k = 0, ierr = 0;
        use.pchbs(n, x, f, d, 1, knotyp, nknots, t, bcoef, ndim, k, ierr);
        if (kprint >= 3)
            put(lun, "(/4X,'KNOTYP =',I2,':  NKNOTS =',I3,',  NDIM =',I3, ',  K =',I2,',  IERR =',I3)",
                {knotyp, nknots, ndim, k, ierr});
        if (ierr == 0) {
            int inbv = 1;
            R fermax = R(0), dermax = R(0);
            if (kprint >= 3) {
                put(lun, "(/15X,'X',9X,'KNOTS',10X,'F',7X,'FERR',8X,'D',7X,'DERR')", {});
                put(lun, "(18X,2F8.2)", {num(t[0]), num(t[1])});
            }
            for (int i = 0; i < n; ++i) {
                const R fcalc = use.bvalu(t, bcoef, ndim, k, 0, x[i], inbv, work);
                const R ferr = f[i] - fcalc;
                fermax = std::max(fermax, std::fabs(ferr) / std::max(floor, std::fabs(f[i])));
                const R dcalc = use.bvalu(t, bcoef, ndim, k, 1, x[i], inbv, work);
                const R derr = d[i] - dcalc;
                dermax = std::max(dermax, std::fabs(derr) / std::max(floor, std::fabs(d[i])));
                if (kprint >= 3)
                    put(lun, pick<R>("(10X,3F8.2,F10.4,1P,D10.2,0P,F10.4,1P,D10.2)",
                                     "(10X,3F8.2,F10.4,1P,E10.2,0P,F10.4,1P,E10.2)"),
                        {num(x[i]), num(t[2 * i + 2]), num(t[2 * i + 3]), num(f[i]), num(ferr), num(d[i]), num(derr)});
            }
            if (kprint >= 3) put(lun, "(18X,2F8.2)", {num(t[nk - 2]), num(t[nk - 1])});
            const bool fail = fermax > tol || dermax > tol;
            if (fail) ++ifail;
            if (kprint >= 3 || (kprint >= 2 && fail))
                put(lun, pick<R>("(/5X,'Maximum relative errors:'              /15X,'F-error =',1P,D13.5,5X,'D-error =',D13.5               /5X,'Both should be less than  TOL =',D13.5)",
                                 "(/5X,'Maximum relative errors:'               /15X,'F-error =',1P,E13.5,5X,'D-error =',E13.5                /5X,'Both should be less than  TOL =',E13.5)"),
                    {num(fermax), num(dermax), num(tol)});
        } else {
            ++ifail;
            if (kprint >= 3) put(lun, "(' *** Failed -- bad IERR value.')", {});
        }
        // The caller's knots must come back unchanged from the call with knotyp -1.
        if (knotyp == 0) std::copy(t, t + std::clamp(nknots, 0, nk), tsave);
        if (knotyp == -1) {
            R termax = R(0);
            for (int i = 0; i < std::clamp(nknots, 0, nk); ++i) termax = std::max(termax, std::fabs(t[i] - tsave[i]));
            if (termax > tolz) {
                ++ifail;
                if (kprint >= 2)
                    put(lun, pick<R>("(/' *** T-ARRAY MAXIMUM CHANGE =',1P,D13.5, ';  SHOULD NOT EXCEED TOLZ =',D13.5)",
                                     "(/' *** T-ARRAY MAXIMUM CHANGE =',1P,E13.5, ';  SHOULD NOT EXCEED TOLZ =',E13.5)"),
                        {num(termax), num(tolz)});
            }
        }
    }
    return verdict(lun, kprint, ifail, "(/' *** TROUBLE ***',I5,' CONVERSION TESTS FAILED.')",
                   pick<R>("(/' ------------ DPCHIP PASSED  ALL CONVERSION TESTS', ' ------------')",
                           "(/' ------------  PCHIP PASSED  ALL CONVERSION TESTS', ' ------------')"),
                   pick<R>("(/' ************ DPCHIP FAILED SOME CONVERSION TESTS', ' ************')",
                           "(/' ************  PCHIP FAILED SOME CONVERSION TESTS', ' ************')"));
}

#define TVK_INSTANTIATE(R)                                                                        \
    template int quick_check1<R>(int, int, const Routines<R>&);                                   \
    template int quick_check2<R>(int, int, const Routines<R>&);                                   \
    template int quick_check3<R>(int, int, const Routines<R>&);                                   \
    template int quick_check4<R>(int, int, const Routines<R>&);                                   \
    template int quick_check5<R>(int, int, const Routines<R>&);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRY(NAME, R, K)                                                                     \
    TVK_API void NAME(const int* lun, const int* kprint, int* ipass) {                            \
        *ipass = tvk::pchip::quick_check##K<R>(*lun, *kprint);                                    \
    }
TVK_ENTRY(dpchq1, double, 1)
TVK_ENTRY(dpchq2, double, 2)
TVK_ENTRY(dpchq3, double, 3)
TVK_ENTRY(dpchq4, double, 4)
TVK_ENTRY(dpchq5, double, 5)
TVK_ENTRY(pchqk1, float, 1)
TVK_ENTRY(pchqk2, float, 2)
TVK_ENTRY(pchqk3, float, 3)
TVK_ENTRY(pchqk4, float, 4)
TVK_ENTRY(pchqk5, float, 5)
