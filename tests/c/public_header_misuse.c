/* Calls that the public header refuses at compile time (TVK_CASE=n, the expected message after
 * the case; CMakeLists.txt reads the cases from this file); case 0, the control, compiles cleanly. */
#include "tolvek.h"

void forward(double* stress, double* statev, double* ddsdde, double* sse, double* spd, double* scd, double* rpl,
             double* ddsddt, double* drplde, double* drpldt, double* stran, double* dstran, double* time,
             double* dtime, double* temp, double* dtemp, double* predef, double* dpred, char* cmname, int* ndi,
             int* nshr, int* ntens, int* nstatv, double* props, int* nprops, double* coords, double* drot,
             double* pnewdt, double* celent, double* dfgrd0, double* dfgrd1, int* noel, int* npt, int* layer,
             int* kspt, int* jstep, int* kinc);

void forward(double* stress, double* statev, double* ddsdde, double* sse, double* spd, double* scd, double* rpl,
             double* ddsddt, double* drplde, double* drpldt, double* stran, double* dstran, double* time,
             double* dtime, double* temp, double* dtemp, double* predef, double* dpred, char* cmname, int* ndi,
             int* nshr, int* ntens, int* nstatv, double* props, int* nprops, double* coords, double* drot,
             double* pnewdt, double* celent, double* dfgrd0, double* dfgrd1, int* noel, int* npt, int* layer,
             int* kspt, int* jstep, int* kinc) {
#if TVK_CASE == 0
    /* The control: the call as the header declares it. */
    umat_lamina(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time, dtime,
                temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt,
                celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc, 80);
#elif TVK_CASE == 1  // too many arguments to function .*umat_porosity
    /* The forwarding line of the elastic ply copied for the porous material, jstep included. */
    umat_porosity(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time, dtime,
                  temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt,
                  celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc, 80);
#elif TVK_CASE == 2  // too few arguments to function .*umat_lamina
    /* The length of the material name left out. */
    umat_lamina(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time, dtime,
                temp, dtemp, predef, dpred, cmname, ndi, nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt,
                celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc);
#elif TVK_CASE == 3  // argument 19 of .*umat_lamina.* incompatible pointer type
    /* The material name and the count of direct components swapped. */
    umat_lamina(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time, dtime,
                temp, dtemp, predef, dpred, ndi, cmname, nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt,
                celent, dfgrd0, dfgrd1, noel, npt, layer, kspt, jstep, kinc, 80);
#endif
}
