// Self-checks and quick checks of the cubic Hermite package: fixed test data, comparison with
// known answers, a report at a print level on an output unit (utilities.h: `put`), a pass or
// fail verdict. Written once as templates on the real type: the double members (`deverk`,
// `devchk`, `devpck`, `dpchq1`..`dpchq5`) and their single-precision twins (`everck`, `evchck`,
// `evpcck`, `pchqk1`..`pchqk5`).
//
// Print levels: 0 or less nothing; 1 only the failed banner of a quick check; 2 headers,
// verdicts and failure messages; 3 also the data and every compared value (and the error
// handler's summary after the error-exit check); 4 also one row per evaluation point of the
// piecewise check.
//
// The routines under test are taken from a table that defaults to the package's own, so that a
// test can hand a check a faulty routine and see it caught.
#pragma once

#include "core/tvk.h"
#include "pchip/pchip.h"

namespace tvk::pchip {

template <class R>
struct Routines {
    void (*chfev)(R, R, R, R, R, R, int, const R*, R*, int*, int&) = &tvk::pchip::chfev<R>;
    void (*chfdv)(R, R, R, R, R, R, int, const R*, R*, R*, int*, int&) = &tvk::pchip::chfdv<R>;
    void (*pchfe)(int, const R*, const R*, const R*, int, bool&, int, const R*, R*,
                  int&) = &tvk::pchip::pchfe<R>;
    void (*pchfd)(int, const R*, const R*, const R*, int, bool&, int, const R*, R*, R*,
                  int&) = &tvk::pchip::pchfd<R>;
    R (*pchia)(int, const R*, const R*, const R*, int, bool&, R, R, int&) = &tvk::pchip::pchia<R>;
    void (*pchim)(int, const R*, const R*, R*, int, int&) = &tvk::pchip::pchim<R>;
    void (*pchic)(const int*, const R*, R, int, const R*, const R*, R*, int, R*, int,
                  int&) = &tvk::pchip::pchic<R>;
    void (*pchsp)(const int*, const R*, int, const R*, const R*, R*, int, R*, int,
                  int&) = &tvk::pchip::pchsp<R>;
    void (*pchcm)(int, const R*, const R*, const R*, int, bool&, int*, int&) = &tvk::pchip::pchcm<R>;
    void (*pchbs)(int, const R*, const R*, const R*, int, int, int&, R*, R*, int&, int&,
                  int&) = &tvk::pchip::pchbs<R>;
    R (*bvalu)(const R*, const R*, int, int, int, R, int&, R*) = &tvk::pchip::bvalu<R>;
};

// Evaluator self-checks; each returns `fail`.
// Error exits of the four evaluators (ten provoked errors, codes compared); runs with the error
// handler's control flag at 0 (kprint <= 2) or 1 and restores it.
template <class R>
bool error_exit_check(int lout, int kprint, const Routines<R>& use = {});
// One-segment evaluators on three intervals against a known cubic, at npts (> 10) points drawn
// with `pchip_rand`; work arrays of npts values.
template <class R>
bool segment_check(int lout, int kprint, int npts, R* xev, R* fev, R* dev, R* fev2,
                   const Routines<R>& use = {});
// Piecewise evaluators along the grid lines of a 4 x 6 grid (x, y of 10; f, fx, fy 10 x 10;
// xe, ye, fe, de, fe2 of 51).
template <class R>
bool piecewise_check(int lout, int kprint, R* x, R* y, R* f, R* fx, R* fy, R* xe, R* ye, R* fe,
                     R* de, R* fe2, const Routines<R>& use = {});

// Quick checks 1 (evaluators), 2 (integrator), 3 (interpolators), 4 (monotonicity checker),
// 5 (B-spline converter); each returns ipass (1 when every test passed).
template <class R> int quick_check1(int lun, int kprint, const Routines<R>& use = {});
template <class R> int quick_check2(int lun, int kprint, const Routines<R>& use = {});
template <class R> int quick_check3(int lun, int kprint, const Routines<R>& use = {});
template <class R> int quick_check4(int lun, int kprint, const Routines<R>& use = {});
template <class R> int quick_check5(int lun, int kprint, const Routines<R>& use = {});

}  // namespace tvk::pchip

// C entry points (logical results as 4-byte integers).
TVK_API void deverk(const int* lout, const int* kprint, int* fail);
TVK_API void everck(const int* lout, const int* kprint, int* fail);
TVK_API void devchk(const int* lout, const int* kprint, const int* npts, double* xev, double* fev,
                    double* dev, double* fev2, int* fail);
TVK_API void evchck(const int* lout, const int* kprint, const int* npts, float* xev, float* fev,
                    float* dev, float* fev2, int* fail);
TVK_API void devpck(const int* lout, const int* kprint, double* x, double* y, double* f,
                    double* fx, double* fy, double* xe, double* ye, double* fe, double* de,
                    double* fe2, int* fail);
TVK_API void evpcck(const int* lout, const int* kprint, float* x, float* y, float* f, float* fx,
                    float* fy, float* xe, float* ye, float* fe, float* de, float* fe2, int* fail);
TVK_API void dpchq1(const int* lun, const int* kprint, int* ipass);
TVK_API void dpchq2(const int* lun, const int* kprint, int* ipass);
TVK_API void dpchq3(const int* lun, const int* kprint, int* ipass);
TVK_API void dpchq4(const int* lun, const int* kprint, int* ipass);
TVK_API void dpchq5(const int* lun, const int* kprint, int* ipass);
TVK_API void pchqk1(const int* lun, const int* kprint, int* ipass);
TVK_API void pchqk2(const int* lun, const int* kprint, int* ipass);
TVK_API void pchqk3(const int* lun, const int* kprint, int* ipass);
TVK_API void pchqk4(const int* lun, const int* kprint, int* ipass);
TVK_API void pchqk5(const int* lun, const int* kprint, int* ipass);
