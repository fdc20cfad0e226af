/* A C host that hands a routine of the library to an adapter, linked normally against the shared
 * library (built once as a position-independent executable and once not: a non-PIE host passes
 * the address of its own PLT stub for a routine of the library). The adapter must know the
 * routine by that address and check its results by the routine's own rules: umat_shokrieh adds
 * its strain energy to the solver's, so a signalling NaN that the solver passes comes back as a
 * quiet NaN (the sum) and the point is computed, as through usermat_shokrieh. A host's own
 * routine that forwards to umat_shokrieh is the host's: the same NaN, changed, refuses it. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "tolvek.h"

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

/* The host's forwarder: its own routine, whatever it calls. */
static void forwarder(double* stress, double* statev, double* ddsdde, double* sse, double* spd, double* scd,
                      const double* rpl, const double* ddsddt, const double* drplde, const double* drpldt,
                      const double* stran, const double* dstran, const double* time, const double* dtime,
                      const double* temp, const double* dtemp, const double* predef, const double* dpred,
                      const char* materl, const int* ndi, const int* nshr, const int* ntens, const int* nstatv,
                      const double* props, const int* nprops, const double* coords, const double* drot,
                      double* pnewdt, const double* celent, const double* dfgrd0, const double* dfgrd1,
                      const int* noel, const int* npt, const int* kslay, const int* kspt, const int* jstep,
                      const int* kinc, size_t materl_len) {
    umat_shokrieh(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time, dtime,
                  temp, dtemp, predef, dpred, materl, ndi, nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt,
                  celent, dfgrd0, dfgrd1, noel, npt, kslay, kspt, jstep, kinc, materl_len);
}

/* One block of the fatigue ply's constants at a temperature: elastic constants, strengths and
 * the fatigue curve parameters. */
static void ply_block(double* b, double temp, double scale) {
    static const double el[9] = {140e3, 10e3, 9e3, 5e3, 4.8e3, 3.5e3, 0.3, 0.31, 0.45};
    static const double st[9] = {2000, 50, 45, 1200, -200, 190, 80, 78, 60};
    int k;
    memset(b, 0, 74 * sizeof(double));
    for (k = 0; k < 9; ++k) {
        b[k] = k < 6 ? el[k] * scale : el[k];
        b[9 + k] = st[k] * scale;
        b[18 + k] = 1.5 * scale + 0.01 * k;
        b[27 + k] = 5.0 * scale + 0.02 * k;
    }
    for (k = 0; k < 6; ++k) {
        b[36 + k] = 4.0 * scale + 0.03 * k;
        b[42 + k] = 1.2 * scale + 0.04 * k;
        b[48 + 2 * k] = 1.0 * scale + 0.001 * k;
        b[49 + 2 * k] = -0.1 * scale - 0.001 * k;
        b[61 + k] = 1.0 + 0.05 * k;
        b[67 + k] = 0.5 + 0.05 * k;
    }
    b[73] = temp;
}

enum { nstate = 312, nprop = 150 };

/* One USERMAT call of six components through `adapter` around `routine` (or through
 * usermat_shokrieh when `adapter` is null); returns keycut, the error level in *level and the
 * strain energy in *sedel. */
static int call(int through_adapter, tvk_umat_routine* routine, double* sedel, int* level) {
    static double prop[nprop], ustatev[nstate];
    const int one = 1, three = 3, six = 6, nsv = nstate, np = nprop;
    const double time = 0.0, dtime = 0.5, temp = 240.0, dtemp = 0.0;
    const double eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, coords[3] = {0, 0, 0};
    double stress[6] = {0}, dsdepl[36], strain[6] = {0}, dstrain[6] = {1e-3, 0, 0, 0, 0, 0}, epspl[6] = {0};
    double sedpl = 0.0, epseq = 0.0, tsstif[2] = {0, 0}, epszz = 0.0, var[9] = {0};
    int keycut = 0;
    ply_block(prop, 250.0, 1.0);
    ply_block(prop + 74, 350.0, 1.1);
    prop[148] = 0.0;
    prop[149] = 0.1;
    memset(ustatev, 0, sizeof ustatev);
    tvk_error_clear();
    if (through_adapter)
        abq_umat_to_ansys_usermat(routine, &one, &one, &one, &one, &one, &one, &one, &keycut, &three, &three, &six,
                                  &nsv, &np, &time, &dtime, &temp, &dtemp, stress, ustatev, dsdepl, sedel, &sedpl,
                                  &epseq, strain, dstrain, epspl, prop, coords, &var[0], eye, eye, tsstif, &epszz,
                                  &var[1], &var[2], &var[3], &var[4], &var[5], &var[6], &var[7], &var[8]);
    else
        usermat_shokrieh(&one, &one, &one, &one, &one, &one, &one, &keycut, &three, &three, &six, &nsv, &np, &time,
                         &dtime, &temp, &dtemp, stress, ustatev, dsdepl, sedel, &sedpl, &epseq, strain, dstrain, epspl,
                         prop, coords, &var[0], eye, eye, tsstif, &epszz, &var[1], &var[2], &var[3], &var[4], &var[5],
                         &var[6], &var[7], &var[8]);
    *level = tvk_error_level();
    return keycut;
}

static double signalling_nan(void) {
    const uint64_t bits = 0x7ff4000000000123ULL;
    double x;
    memcpy(&x, &bits, sizeof x);
    return x;
}

static uint64_t bits_of(double x) {
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

int main(void) {
    double direct = signalling_nan(), adapted = signalling_nan(), forwarded = signalling_nan();
    int level_direct, level_adapted, level_forwarded;
    const int cut_direct = call(0, NULL, &direct, &level_direct);
    const int cut_adapted = call(1, umat_shokrieh, &adapted, &level_adapted);
    const int cut_forwarded = call(1, forwarder, &forwarded, &level_forwarded);

    check(level_direct == 0 && cut_direct == 0, "usermat_shokrieh computes the point");
    check(direct != direct && bits_of(direct) != bits_of(signalling_nan()), "the strain energy is the sum");
    check(level_adapted == 0 && cut_adapted == 0, "the adapter around umat_shokrieh computes the point");
    check(bits_of(adapted) == bits_of(direct), "the same strain energy as usermat_shokrieh");
    check(level_forwarded == -3 && cut_forwarded == 1, "the host's forwarder is refused");
    check(bits_of(forwarded) == bits_of(signalling_nan()), "the refused point keeps its strain energy");
    if (failures == 0) printf("adapter host: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
