/* tolvek.h: the solver entry points of libtolvek as plain C prototypes, and its error record.
 *
 * Written by the build from the argument lists of the solver interfaces (the tool
 * tvk_public_header; `cmake --build build --target tolvek_header` rewrites this file, and the test
 * public_header_current fails while it differs from what the lists give): do not edit by hand.
 *
 * Every routine is called as a Fortran solver calls it: every argument by pointer, in the order
 * the solver passes them; inputs are pointers to const; arrays are column-major, first extent
 * first, with the extents given in each group's comment (* where the solver does not pass one).
 * A text argument (a material or set name) points to its 80 blank-padded characters, not
 * NUL-terminated, and its length follows as a size_t value after the last argument, in the order
 * of the text arguments (the hidden length a Fortran compiler appends). Reals are double, counts,
 * ids, codes and logicals int. An argument marked as possibly null may be passed as a null
 * pointer; the routine then applies its default.
 *
 * A routine never stops the host: bad input and failures are recorded in the error record, read
 * with the three functions at the end, and the routine returns a neutral result.
 */
#ifndef TOLVEK_H
#define TOLVEK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Abaqus/Standard UMAT: one material point ---------------------------------------------------
 * Stress and strain vectors in Nye order (11, 22, 33, 12, 13, 23; reduced states by ndi and nshr),
 * engineering shear strains; materl the 80-character material name.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3), jstep(4).
 */
void umat_fiber(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                const double* drpldt, const double* stran, const double* dstran, const double* time,
                const double* dtime, const double* temp, const double* dtemp, const double* predef,
                const double* dpred, const char* materl, const int* ndi, const int* nshr,
                const int* ntens, const int* nstatv, const double* props, const int* nprops,
                const double* coords, const double* drot, double* pnewdt, const double* celent,
                const double* dfgrd0, const double* dfgrd1, const int* noel, const int* npt,
                const int* kslay, const int* kspt, const int* jstep, const int* kinc,
                size_t materl_len);
void umat_hyper(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                const double* drpldt, const double* stran, const double* dstran, const double* time,
                const double* dtime, const double* temp, const double* dtemp, const double* predef,
                const double* dpred, const char* materl, const int* ndi, const int* nshr,
                const int* ntens, const int* nstatv, const double* props, const int* nprops,
                const double* coords, const double* drot, double* pnewdt, const double* celent,
                const double* dfgrd0, const double* dfgrd1, const int* noel, const int* npt,
                const int* kslay, const int* kspt, const int* jstep, const int* kinc,
                size_t materl_len);
void umat_krause(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                 double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                 const double* drpldt, const double* stran, const double* dstran,
                 const double* time, const double* dtime, const double* temp, const double* dtemp,
                 const double* predef, const double* dpred, const char* materl, const int* ndi,
                 const int* nshr, const int* ntens, const int* nstatv, const double* props,
                 const int* nprops, const double* coords, const double* drot, double* pnewdt,
                 const double* celent, const double* dfgrd0, const double* dfgrd1, const int* noel,
                 const int* npt, const int* kslay, const int* kspt, const int* jstep,
                 const int* kinc, size_t materl_len);
void umat_lamina(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                 double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                 const double* drpldt, const double* stran, const double* dstran,
                 const double* time, const double* dtime, const double* temp, const double* dtemp,
                 const double* predef, const double* dpred, const char* materl, const int* ndi,
                 const int* nshr, const int* ntens, const int* nstatv, const double* props,
                 const int* nprops, const double* coords, const double* drot, double* pnewdt,
                 const double* celent, const double* dfgrd0, const double* dfgrd1, const int* noel,
                 const int* npt, const int* kslay, const int* kspt, const int* jstep,
                 const int* kinc, size_t materl_len);
void umat_shokrieh(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                   double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                   const double* drpldt, const double* stran, const double* dstran,
                   const double* time, const double* dtime, const double* temp, const double* dtemp,
                   const double* predef, const double* dpred, const char* materl, const int* ndi,
                   const int* nshr, const int* ntens, const int* nstatv, const double* props,
                   const int* nprops, const double* coords, const double* drot, double* pnewdt,
                   const double* celent, const double* dfgrd0, const double* dfgrd1,
                   const int* noel, const int* npt, const int* kslay, const int* kspt,
                   const int* jstep, const int* kinc, size_t materl_len);
void umat_prony(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                const double* drpldt, const double* stran, const double* dstran, const double* time,
                const double* dtime, const double* temp, const double* dtemp, const double* predef,
                const double* dpred, const char* materl, const int* ndi, const int* nshr,
                const int* ntens, const int* nstatv, const double* props, const int* nprops,
                const double* coords, const double* drot, double* pnewdt, const double* celent,
                const double* dfgrd0, const double* dfgrd1, const int* noel, const int* npt,
                const int* kslay, const int* kspt, const int* jstep, const int* kinc,
                size_t materl_len);
void umat_resin(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                const double* drpldt, const double* stran, const double* dstran, const double* time,
                const double* dtime, const double* temp, const double* dtemp, const double* predef,
                const double* dpred, const char* materl, const int* ndi, const int* nshr,
                const int* ntens, const int* nstatv, const double* props, const int* nprops,
                const double* coords, const double* drot, double* pnewdt, const double* celent,
                const double* dfgrd0, const double* dfgrd1, const int* noel, const int* npt,
                const int* kslay, const int* kspt, const int* jstep, const int* kinc,
                size_t materl_len);
void umat_hail(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
               double* scd, const double* rpl, const double* ddsddt, const double* drplde,
               const double* drpldt, const double* stran, const double* dstran, const double* time,
               const double* dtime, const double* temp, const double* dtemp, const double* predef,
               const double* dpred, const char* materl, const int* ndi, const int* nshr,
               const int* ntens, const int* nstatv, const double* props, const int* nprops,
               const double* coords, const double* drot, double* pnewdt, const double* celent,
               const double* dfgrd0, const double* dfgrd1, const int* noel, const int* npt,
               const int* kslay, const int* kspt, const int* jstep, const int* kinc,
               size_t materl_len);

/* ---- UMAT without the step record ---------------------------------------------------------------
 * The UMAT list without jstep: kinc follows kspt directly.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3).
 */
void umat_porosity(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                   double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                   const double* drpldt, const double* stran, const double* dstran,
                   const double* time, const double* dtime, const double* temp, const double* dtemp,
                   const double* predef, const double* dpred, const char* materl, const int* ndi,
                   const int* nshr, const int* ntens, const int* nstatv, const double* props,
                   const int* nprops, const double* coords, const double* drot, double* pnewdt,
                   const double* celent, const double* dfgrd0, const double* dfgrd1,
                   const int* noel, const int* npt, const int* kslay, const int* kspt,
                   const int* kinc, size_t materl_len);

/* ---- UMAT without the step record, with the impactor's records ----------------------------------
 * The UMAT list without jstep, followed by the step kind, the impactor's contact record and its
 * sensor record.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3), cprops(20), dprops(12).
 */
void umat_sensor(double* stress, double* statev, double* ddsdde, double* sse, double* spd,
                 double* scd, const double* rpl, const double* ddsddt, const double* drplde,
                 const double* drpldt, const double* stran, const double* dstran,
                 const double* time, const double* dtime, const double* temp, const double* dtemp,
                 const double* predef, const double* dpred, const char* materl, const int* ndi,
                 const int* nshr, const int* ntens, const int* nstatv, const double* props,
                 const int* nprops, const double* coords, const double* drot, double* pnewdt,
                 const double* celent, const double* dfgrd0, const double* dfgrd1, const int* noel,
                 const int* npt, const int* kslay, const int* kspt, const int* kinc,
                 const int* stepid, const double* cprops, double* dprops, size_t materl_len);

/* ---- Abaqus/Explicit VUMAT: a block of nblock material points -----------------------------------
 * Block arrays are (nblock, ...), column-major; stress and strain in cyclic order (11, 22, 33, 12,
 * 23, 13), tensor shear strains; cmname the 80-character material name.
 * Arrays: coordmp(nblock, 3), charlength(nblock, 3), props(nprops), density(nblock),
 * straininc(nblock, ndir + nshr), relspininc(nblock, nshr), tempold(nblock),
 * stretchold(nblock, ndir + nshr), defgradold(nblock, ndir + nshr + nshr),
 * fieldold(nblock, nfieldv), stressold(nblock, ndir + nshr), stateold(nblock, nstatev),
 * enerinternold(nblock), enerinelasold(nblock), tempnew(nblock), stretchnew(nblock, ndir + nshr),
 * defgradnew(nblock, ndir + nshr + nshr), fieldnew(nblock, nfieldv),
 * stressnew(nblock, ndir + nshr), statenew(nblock, nstatev), enerinternnew(nblock),
 * enerinelasnew(nblock).
 */
void vumat_cartesian(const int* nblock, const int* ndir, const int* nshr, const int* nstatev,
                     const int* nfieldv, const int* nprops, const int* lanneal,
                     const double* steptime, const double* totaltime, const double* dt,
                     const char* cmname, const double* coordmp, const double* charlength,
                     const double* props, const double* density, const double* straininc,
                     const double* relspininc, const double* tempold, const double* stretchold,
                     const double* defgradold, const double* fieldold, const double* stressold,
                     const double* stateold, const double* enerinternold,
                     const double* enerinelasold, const double* tempnew, const double* stretchnew,
                     const double* defgradnew, const double* fieldnew, double* stressnew,
                     double* statenew, double* enerinternnew, double* enerinelasnew,
                     size_t cmname_len);

/* ---- VUMAT that returns the through-thickness strain increment ----------------------------------
 * The VUMAT list; a plane-stress point gets its through-thickness strain increment written into
 * straininc.
 * Arrays: coordmp(nblock, 3), charlength(nblock, 3), props(nprops), density(nblock),
 * straininc(nblock, ndir + nshr), relspininc(nblock, nshr), tempold(nblock),
 * stretchold(nblock, ndir + nshr), defgradold(nblock, ndir + nshr + nshr),
 * fieldold(nblock, nfieldv), stressold(nblock, ndir + nshr), stateold(nblock, nstatev),
 * enerinternold(nblock), enerinelasold(nblock), tempnew(nblock), stretchnew(nblock, ndir + nshr),
 * defgradnew(nblock, ndir + nshr + nshr), fieldnew(nblock, nfieldv),
 * stressnew(nblock, ndir + nshr), statenew(nblock, nstatev), enerinternnew(nblock),
 * enerinelasnew(nblock).
 */
void vumat_lamina(const int* nblock, const int* ndir, const int* nshr, const int* nstatev,
                  const int* nfieldv, const int* nprops, const int* lanneal, const double* steptime,
                  const double* totaltime, const double* dt, const char* cmname,
                  const double* coordmp, const double* charlength, const double* props,
                  const double* density, double* straininc, const double* relspininc,
                  const double* tempold, const double* stretchold, const double* defgradold,
                  const double* fieldold, const double* stressold, const double* stateold,
                  const double* enerinternold, const double* enerinelasold, const double* tempnew,
                  const double* stretchnew, const double* defgradnew, const double* fieldnew,
                  double* stressnew, double* statenew, double* enerinternnew, double* enerinelasnew,
                  size_t cmname_len);
void vumat_bogenfeld(const int* nblock, const int* ndir, const int* nshr, const int* nstatev,
                     const int* nfieldv, const int* nprops, const int* lanneal,
                     const double* steptime, const double* totaltime, const double* dt,
                     const char* cmname, const double* coordmp, const double* charlength,
                     const double* props, const double* density, double* straininc,
                     const double* relspininc, const double* tempold, const double* stretchold,
                     const double* defgradold, const double* fieldold, const double* stressold,
                     const double* stateold, const double* enerinternold,
                     const double* enerinelasold, const double* tempnew, const double* stretchnew,
                     const double* defgradnew, const double* fieldnew, double* stressnew,
                     double* statenew, double* enerinternnew, double* enerinelasnew,
                     size_t cmname_len);

/* ---- VUMAT with the impactor's records ----------------------------------------------------------
 * The VUMAT list (straininc written as above), followed by the step kind, the impactor's contact
 * record and its sensor record.
 * Arrays: coordmp(nblock, 3), charlength(nblock, 3), props(nprops), density(nblock),
 * straininc(nblock, ndir + nshr), relspininc(nblock, nshr), tempold(nblock),
 * stretchold(nblock, ndir + nshr), defgradold(nblock, ndir + nshr + nshr),
 * fieldold(nblock, nfieldv), stressold(nblock, ndir + nshr), stateold(nblock, nstatev),
 * enerinternold(nblock), enerinelasold(nblock), tempnew(nblock), stretchnew(nblock, ndir + nshr),
 * defgradnew(nblock, ndir + nshr + nshr), fieldnew(nblock, nfieldv),
 * stressnew(nblock, ndir + nshr), statenew(nblock, nstatev), enerinternnew(nblock),
 * enerinelasnew(nblock), cprops(20), dprops(12).
 */
void vumat_sensor(const int* nblock, const int* ndir, const int* nshr, const int* nstatev,
                  const int* nfieldv, const int* nprops, const int* lanneal, const double* steptime,
                  const double* totaltime, const double* dt, const char* cmname,
                  const double* coordmp, const double* charlength, const double* props,
                  const double* density, double* straininc, const double* relspininc,
                  const double* tempold, const double* stretchold, const double* defgradold,
                  const double* fieldold, const double* stressold, const double* stateold,
                  const double* enerinternold, const double* enerinelasold, const double* tempnew,
                  const double* stretchnew, const double* defgradnew, const double* fieldnew,
                  double* stressnew, double* statenew, double* enerinternnew, double* enerinelasnew,
                  const int* stepid, const double* cprops, double* dprops, size_t cmname_len);

/* ---- ANSYS USERMAT: one material point ----------------------------------------------------------
 * Stress and strain in cyclic order (11, 22, 33, 12, 23, 13); keycut 1 asks for a smaller
 * increment.
 * Arrays: stress(ncomp), ustatev(nstatev), dsdepl(ncomp, ncomp), strain(ncomp), dstrain(ncomp),
 * epspl(ncomp), prop(nprop), coords(3), defgrad_t(3, 3), defgrad(3, 3), tsstif(2).
 */
void usermat_fiber(const int* matid, const int* elemid, const int* kdomintpt, const int* klayer,
                   const int* ksectpt, const int* ldstep, const int* isubst, int* keycut,
                   const int* ndirect, const int* nshear, const int* ncomp, const int* nstatev,
                   const int* nprop, const double* time, const double* dtime, const double* temp,
                   const double* dtemp, double* stress, double* ustatev, double* dsdepl,
                   double* sedel, double* sedpl, double* epseq, const double* strain,
                   const double* dstrain, const double* epspl, const double* prop,
                   const double* coords, double* var0, const double* defgrad_t,
                   const double* defgrad, double* tsstif, double* epszz, double* var1, double* var2,
                   double* var3, double* var4, double* var5, double* var6, double* var7,
                   double* var8);
void usermat_lamina(const int* matid, const int* elemid, const int* kdomintpt, const int* klayer,
                    const int* ksectpt, const int* ldstep, const int* isubst, int* keycut,
                    const int* ndirect, const int* nshear, const int* ncomp, const int* nstatev,
                    const int* nprop, const double* time, const double* dtime, const double* temp,
                    const double* dtemp, double* stress, double* ustatev, double* dsdepl,
                    double* sedel, double* sedpl, double* epseq, const double* strain,
                    const double* dstrain, const double* epspl, const double* prop,
                    const double* coords, double* var0, const double* defgrad_t,
                    const double* defgrad, double* tsstif, double* epszz, double* var1,
                    double* var2, double* var3, double* var4, double* var5, double* var6,
                    double* var7, double* var8);
void usermat_prony(const int* matid, const int* elemid, const int* kdomintpt, const int* klayer,
                   const int* ksectpt, const int* ldstep, const int* isubst, int* keycut,
                   const int* ndirect, const int* nshear, const int* ncomp, const int* nstatev,
                   const int* nprop, const double* time, const double* dtime, const double* temp,
                   const double* dtemp, double* stress, double* ustatev, double* dsdepl,
                   double* sedel, double* sedpl, double* epseq, const double* strain,
                   const double* dstrain, const double* epspl, const double* prop,
                   const double* coords, double* var0, const double* defgrad_t,
                   const double* defgrad, double* tsstif, double* epszz, double* var1, double* var2,
                   double* var3, double* var4, double* var5, double* var6, double* var7,
                   double* var8);
void usermat_resin(const int* matid, const int* elemid, const int* kdomintpt, const int* klayer,
                   const int* ksectpt, const int* ldstep, const int* isubst, int* keycut,
                   const int* ndirect, const int* nshear, const int* ncomp, const int* nstatev,
                   const int* nprop, const double* time, const double* dtime, const double* temp,
                   const double* dtemp, double* stress, double* ustatev, double* dsdepl,
                   double* sedel, double* sedpl, double* epseq, const double* strain,
                   const double* dstrain, const double* epspl, const double* prop,
                   const double* coords, double* var0, const double* defgrad_t,
                   const double* defgrad, double* tsstif, double* epszz, double* var1, double* var2,
                   double* var3, double* var4, double* var5, double* var6, double* var7,
                   double* var8);
void usermat_shokrieh(const int* matid, const int* elemid, const int* kdomintpt, const int* klayer,
                      const int* ksectpt, const int* ldstep, const int* isubst, int* keycut,
                      const int* ndirect, const int* nshear, const int* ncomp, const int* nstatev,
                      const int* nprop, const double* time, const double* dtime, const double* temp,
                      const double* dtemp, double* stress, double* ustatev, double* dsdepl,
                      double* sedel, double* sedpl, double* epseq, const double* strain,
                      const double* dstrain, const double* epspl, const double* prop,
                      const double* coords, double* var0, const double* defgrad_t,
                      const double* defgrad, double* tsstif, double* epszz, double* var1,
                      double* var2, double* var3, double* var4, double* var5, double* var6,
                      double* var7, double* var8);

/* ---- Peridigm user material: a block of npoint points -------------------------------------------
 * Block arrays are (npoint, ...), column-major.
 * Arrays: stressnew(npoint, ndir + nshr), statenew(npoint, nstatev),
 * stressold(npoint, ndir + nshr), stateold(npoint, nstatev), straininc(npoint, ndir + nshr),
 * props(nprops).
 */
void upermat_lamina(double* stressnew, double* statenew, const double* stressold,
                    const double* stateold, const double* straininc, const double* props,
                    const double* steptime, const double* totaltime, const double* dt,
                    const int* matid, const int* npoint, const int* ndir, const int* nshr,
                    const int* nstatev, const int* nprops);

/* ---- MSC Marc HYPELA2: one integration point ----------------------------------------------------
 * cdata the 80-character text data of the material; error_code 0 on success.
 * Arrays: d(ngens, ngens), g(ngens), e(ngens), de(ngens), s(ngens), t(nstats), dt(nstats),
 * disp(ndeg, nnode), dispt(ndeg, nnode), coord(ncrd * nnode), ffn(itel, 3), frotn(itel, 3),
 * strechn(itel), eigvn(itel, 3), ffn1(itel, 3), frotn1(itel, 3), strechn1(itel), eigvn1(itel, 3),
 * idata(len_idata), rdata(len_rdata).
 */
void hypela_lamina(double* d, double* g, const double* e, const double* de, double* s,
                   const double* t, const double* dt, const int* ngens, const int* n, const int* nn,
                   const int* kcus, const int* matus, const int* ndi, const int* nshear,
                   const double* disp, const double* dispt, const double* coord, const double* ffn,
                   const double* frotn, const double* strechn, const double* eigvn,
                   const double* ffn1, const double* frotn1, const double* strechn1,
                   const double* eigvn1, const int* ncrd, const int* itel, const int* ndeg,
                   const int* ndm, const int* nnode, const int* jtype, const int* lclass,
                   const int* ifr, const int* ifu, const int* nstats, const int* isunit,
                   const int* idata, const double* rdata, const char* cdata, const int* len_idata,
                   const int* len_rdata, const int* len_cdata, int* error_code, size_t cdata_len);

/* ---- Abaqus/Standard USDFLD: field variables of one material point ------------------------------
 * cmname and orname the 80-character material and orientation names.
 * Arrays: field(nfield), statev(nstatv), tdirect(3, 3), t(3, 3), time(2), coord(3).
 * May be null: threadid.
 */
void usdfld_dmg(double* field, double* statev, double* pnewdt, const double* tdirect,
                const double* t, const double* celent, const double* time, const double* dtime,
                const char* cmname, const char* orname, const int* nfield, const int* nstatv,
                const int* noel, const int* npt, const int* layer, const int* kspt,
                const int* kstep, const int* kinc, const int* ndi, const int* nshr,
                const double* coord, const int* jmac, const int* jmatyp, const int* matlayo,
                const int* laccfla, const int* threadid, size_t cmname_len, size_t orname_len);

/* ---- Abaqus/Explicit VUSDFLD: field variables of a block of nblock points -----------------------
 * Block arrays are (nblock, ...), column-major.
 * Arrays: jelem(nblock), temp(nblock), coordmp(nblock, 3), tdirect(nblock, 3, 3), t(nblock, 3, 3),
 * charlength(nblock, 3), props(nprops), stateold(nblock, nstatev), stressold(nblock, ndir + nshr),
 * strainold(nblock, ndir + nshr), statenew(nblock, nstatev), field(nblock, nfieldv).
 * May be null: threadid.
 */
void vusdfld_dmg(const int* nblock, const int* nstatev, const int* nfieldv, const int* nprops,
                 const int* ndir, const int* nshr, const int* jelem, const int* kintpt,
                 const int* klayer, const int* ksecpt, const int* kstep, const double* temp,
                 const double* steptime, const double* totaltime, const double* dt,
                 const char* cmname, const double* coordmp, const double* tdirect, const double* t,
                 const double* charlength, const double* props, const double* stateold,
                 const double* stressold, const double* strainold, double* statenew, double* field,
                 const int* threadid, size_t cmname_len);

/* ---- Abaqus/Standard UEL: one user element ------------------------------------------------------
 * The distributed loads are one column of mdload entries; lflags the five load flags the solver
 * passes.
 * Arrays: rhs(mlvarx, nrhs), amatrx(ndofel, ndofel), svars(nsvars), energy(8), props(nprops),
 * coords(mcrd, nnode), u(ndofel), du(mlvarx, max(nrhs, 1)), v(ndofel), a(ndofel), time(2),
 * params(3), jdltyp(mdload), adlmag(mdload), predef(2, npredf, nnode), lflags(5), ddlmag(mdload),
 * jprops(njprop).
 */
void uel_truss(double* rhs, double* amatrx, double* svars, double* energy, const int* ndofel,
               const int* nrhs, const int* nsvars, const double* props, const int* nprops,
               const double* coords, const int* mcrd, const int* nnode, const double* u,
               const double* du, const double* v, const double* a, const int* jtype,
               const double* time, const double* dtime, const int* kstep, const int* kinc,
               const int* jelem, const double* params, const int* ndload, const int* jdltyp,
               const double* adlmag, const double* predef, const int* npredf, const int* lflags,
               const int* mlvarx, const double* ddlmag, const int* mdload, double* pnewdt,
               const int* jprops, const int* njprop, const double* period);

/* ---- UEL with the impactor's contact record -----------------------------------------------------
 * The UEL list followed by the contact record of the element's impactor.
 * Arrays: rhs(mlvarx, nrhs), amatrx(ndofel, ndofel), svars(nsvars), energy(8), props(nprops),
 * coords(mcrd, nnode), u(ndofel), du(mlvarx, max(nrhs, 1)), v(ndofel), a(ndofel), time(2),
 * params(3), jdltyp(mdload), adlmag(mdload), predef(2, npredf, nnode), lflags(5), ddlmag(mdload),
 * jprops(njprop), cprops(20).
 */
void uel_impact(double* rhs, double* amatrx, double* svars, double* energy, const int* ndofel,
                const int* nrhs, const int* nsvars, const double* props, const int* nprops,
                const double* coords, const int* mcrd, const int* nnode, const double* u,
                const double* du, const double* v, const double* a, const int* jtype,
                const double* time, const double* dtime, const int* kstep, const int* kinc,
                const int* jelem, const double* params, const int* ndload, const int* jdltyp,
                const double* adlmag, const double* predef, const int* npredf, const int* lflags,
                const int* mlvarx, const double* ddlmag, const int* mdload, double* pnewdt,
                const int* jprops, const int* njprop, const double* period, double* cprops);

/* ---- Abaqus/Explicit VUEL: a block of nblock user elements --------------------------------------
 * Block arrays are (nblock, ...), column-major.
 * Arrays: rhs(nblock, ndofel), amass(nblock, ndofel, ndofel), dtimestable(nblock),
 * svars(nblock, nsvars), energy(nblock, 12), props(nprops), jprops(njprops),
 * coords(nblock, nnode, ncrd), u(nblock, ndofel), du(nblock, ndofel), v(nblock, ndofel),
 * a(nblock, ndofel), jelem(nblock), time(2), lflags(3), dmassscalefactor(nblock),
 * predef(nblock, nnode, npredef), adlmag(nblock).
 */
void vuel_truss(const int* nblock, double* rhs, double* amass, double* dtimestable, double* svars,
                const int* nsvars, double* energy, const int* nnode, const int* ndofel,
                const double* props, const int* nprops, const int* jprops, const int* njprops,
                const double* coords, const int* ncrd, const double* u, const double* du,
                const double* v, const double* a, const int* jtype, const int* jelem,
                const double* time, const double* period, const double* dtimecur,
                const double* dtimeprev, const int* kstep, const int* kinc, const int* lflags,
                const double* dmassscalefactor, const double* predef, const int* npredef,
                const int* jdltyp, const double* adlmag);

/* ---- VUEL with the impactor's contact record ----------------------------------------------------
 * The VUEL list followed by the contact record of the elements' impactor.
 * Arrays: rhs(nblock, ndofel), amass(nblock, ndofel, ndofel), dtimestable(nblock),
 * svars(nblock, nsvars), energy(nblock, 12), props(nprops), jprops(njprops),
 * coords(nblock, nnode, ncrd), u(nblock, ndofel), du(nblock, ndofel), v(nblock, ndofel),
 * a(nblock, ndofel), jelem(nblock), time(2), lflags(3), dmassscalefactor(nblock),
 * predef(nblock, nnode, npredef), adlmag(nblock), cprops(20).
 */
void vuel_impact(const int* nblock, double* rhs, double* amass, double* dtimestable, double* svars,
                 const int* nsvars, double* energy, const int* nnode, const int* ndofel,
                 const double* props, const int* nprops, const int* jprops, const int* njprops,
                 const double* coords, const int* ncrd, const double* u, const double* du,
                 const double* v, const double* a, const int* jtype, const int* jelem,
                 const double* time, const double* period, const double* dtimecur,
                 const double* dtimeprev, const int* kstep, const int* kinc, const int* lflags,
                 const double* dmassscalefactor, const double* predef, const int* npredef,
                 const int* jdltyp, const double* adlmag, double* cprops);

/* ---- Distributed surface load of the impactors --------------------------------------------------
 * cprops(20, k) and dprops(12, k) the contact and load records of impactor k.
 * Arrays: t_user(3), coords(3), dircos(3, 3), cprops(20, nimp), dprops(12, nimp).
 * May be null: elemid.
 */
void dsload(double* alpha, double* t_user, const int* kstep, const double* coords,
            const double* dircos, const double* cprops, double* dprops, const int* nimp,
            const int* elemid);
void tvk_dsload(double* alpha, double* t_user, const int* kstep, const double* coords,
                const double* dircos, const double* cprops, double* dprops, const int* nimp,
                const int* elemid);

/* ---- Edge or face load of the impactors a set names ---------------------------------------------
 * sname the 80-character set name.
 * Arrays: t_user(3), time(2), coords(3), dircos(3, 3), cprops(20, nimp), dprops(12, nimp).
 */
void deload(double* alpha, double* t_user, const int* kstep, const int* kinc, const double* time,
            const int* noel, const int* npt, const double* coords, const double* dircos,
            const int* jltyp, const char* sname, const double* cprops, double* dprops,
            const int* nimp, size_t sname_len);
void tvk_deload(double* alpha, double* t_user, const int* kstep, const int* kinc,
                const double* time, const int* noel, const int* npt, const double* coords,
                const double* dircos, const int* jltyp, const char* sname, const double* cprops,
                double* dprops, const int* nimp, size_t sname_len);

/* ---- Concentrated force of a node set -----------------------------------------------------------
 * sname the 80-character set name.
 */
void cload(double* f, double* ldflag, const double* cforce, const char* sname, size_t sname_len);
void tvk_cload(double* f, double* ldflag, const double* cforce, const char* sname,
               size_t sname_len);

/* ---- Amplitude of a table -----------------------------------------------------------------------
 * xydata = (x(1..n), y(1..n)); skip a 4-byte logical.
 * Arrays: xydata(ndata).
 * May be null: skip.
 */
void CAMPLITUDE(double* amp, const double* xydata, const double* xvalue, const int* ndata,
                const int* skip);
void tvk_amplitude(double* amp, const double* xydata, const double* xvalue, const int* ndata,
                   const int* skip);

/* ---- Amplitude with a branch history ------------------------------------------------------------
 * passed the branch history the caller keeps between calls.
 * Arrays: xydata(ndata).
 * May be null: skip.
 */
void CHYSTERESIS(double* amp, double* passed, const double* xydata, const double* xvalue,
                 const int* ndata, const int* skip);
void tvk_hysteresis(double* amp, double* passed, const double* xydata, const double* xvalue,
                    const int* ndata, const int* skip);

/* ---- Analysis control of the implicit solver ----------------------------------------------------
 * lop the operation code.
 * Arrays: time(2).
 * May be null: exflag.
 */
void UEXTERNALDB_IOControl(const int* lop, const int* lrestart, const double* time,
                           const double* dtime, const int* kstep, const int* kinc,
                           const int* exflag);

/* ---- Analysis control of the explicit solver ----------------------------------------------------
 * k the operation code.
 * Arrays: i_array(niarray), r_array(nrarray).
 * May be null: mpi_rank.
 */
void VUEXTERNALDB_IOControl(const int* k, const int* i_array, const int* niarray,
                            const double* r_array, const int* nrarray, const int* mpi_rank);

/* ---- Access hook --------------------------------------------------------------------------------
 * lop the operation code.
 */
void UACCESS_IOControl(const int* lop, const double* dtime);

/* ---- Abaqus/Standard UVARM: output variables of one material point ------------------------------
 * cmname and orname the 80-character material and orientation names.
 * Arrays: uvar(nuvarm), tdirect(3, 3), t(3, 3), time(2), coord(3), jmac(1), jmatyp(1).
 */
void uvarm_report(double* uvar, const double* tdirect, const double* t, const double* time,
                  const double* dtime, const char* cmname, const char* orname, const int* nuvarm,
                  const int* noel, const int* npt, const int* layer, const int* kspt,
                  const int* kstep, const int* kinc, const int* ndi, const int* nshr,
                  const double* coord, const int* jmac, const int* jmatyp, const int* matlayo,
                  const int* laccfla, size_t cmname_len, size_t orname_len);

/* ---- Abaqus/Explicit VDISP: prescribed motion of a block of nblock nodes ------------------------
 * cbname the 80-character boundary-condition name.
 * Arrays: jnodeuid(nblock), coordnp(ncoord, nblock), u(mdof, nblock), v(mdof, nblock),
 * a(mdof, nblock), rf(mdof, nblock), rmass(nblock), rotaryi(nblock, 3, 3), rval(mdof, nblock).
 */
void vdisp_nullify(const int* nblock, const int* mdof, const int* ncoord, const int* kstep,
                   const int* kinc, const double* steptime, const double* totaltime,
                   const double* dtnext, const double* dt, const char* cbname, const int* jbctype,
                   const int* jdof, const int* jnodeuid, const double* amp, const double* coordnp,
                   const double* u, const double* v, const double* a, const double* rf,
                   const double* rmass, const double* rotaryi, const double* rval,
                   size_t cbname_len);

/* ---- Abaqus/Standard MPC: a multi-point constraint ----------------------------------------------
 * n nodes with mdof degrees of freedom each.
 * Arrays: ue(mdof), a(mdof, mdof, n), jdof(mdof, n), x(6, n), u(maxdof, n), uinit(maxdof, n),
 * time(2), temp(nt, n), field(nf, nt, n), ltran(n), tran(3, 3, n).
 */
void mpc_nullify(double* ue, double* a, int* jdof, const int* mdof, const int* n, const int* jtype,
                 const double* x, const double* u, const double* uinit, const int* maxdof,
                 int* lmpc, const int* kstep, const int* kinc, const double* time, const int* nt,
                 const int* nf, const double* temp, const double* field, const int* ltran,
                 const double* tran);

/* ---- Abaqus/Standard SDVINI: initial state variables of one material point ----------------------
 * Arrays: statev(nstatv), coords(ncrds).
 */
void gen_sdvini(double* statev, const double* coords, const int* nstatv, const int* ncrds,
                const int* noel, const int* npt, const int* layer, const int* kspt);

/* ---- Abaqus/Explicit VUCHARLENGTH: characteristic lengths of a block of nblock points -----------
 * Block arrays are (nblock, ...), column-major; cmname the 80-character material name.
 * Arrays: jeltype(3), jelem(nblock), coordmp(nblock, ndim), coordnode(nblock, nnode, ndim),
 * tdirect(nblock, 3, 3), t(nblock, 3, 3), props(nprops), field(nblock, nfieldv),
 * stateold(nblock, nstatev), charlength(nblock, ncomp).
 */
void vucharlength_cel(const int* nblock, const int* nfieldv, const int* nprops, const int* ncomp,
                      const int* ndim, const int* nnode, const int* nstatev, const int* ksecpt,
                      const int* klayer, const int* kintpt, const int* jeltype, const int* jelem,
                      const double* totaltime, const double* steptime, const double* dt,
                      const char* cmname, const double* coordmp, const double* coordnode,
                      const double* tdirect, const double* t, const double* props,
                      const double* field, const double* stateold, double* charlength,
                      size_t cmname_len);

/* ---- Abaqus/Standard HETVAL: heat generation of one material point ------------------------------
 * statev, predef and dpred are of a length the solver does not pass (*); the cure routine reads and
 * writes the first four state variables.
 * Arrays: temp(2), time(2), statev(*), flux(2), predef(*), dpred(*).
 */
void hetval_prony(const char* cmname, const double* temp, const double* time, const double* dtime,
                  double* statev, double* flux, const double* predef, const double* dpred,
                  size_t cmname_len);

/* ---- Abaqus/Standard UEXPAN: thermal expansion of one material point ----------------------------
 * cmname the 80-character material name.
 * Arrays: expan(6), dexpandt(6), temp(2), time(2), predef(*), dpred(*), statev(nstatv).
 */
void uexpan_prony(double* expan, double* dexpandt, const double* temp, const double* time,
                  const double* dtime, const double* predef, const double* dpred, double* statev,
                  const char* cmname, const int* nstatv, const int* noel, size_t cmname_len);

/* ---- Routine an adapter takes: UMAT -------------------------------------------------------------
 * A material routine with the UMAT argument list: a library routine such as umat_lamina, or the
 * host's own.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3), jstep(4).
 */
typedef void tvk_umat_routine(double* stress, double* statev, double* ddsdde, double* sse,
                              double* spd, double* scd, const double* rpl, const double* ddsddt,
                              const double* drplde, const double* drpldt, const double* stran,
                              const double* dstran, const double* time, const double* dtime,
                              const double* temp, const double* dtemp, const double* predef,
                              const double* dpred, const char* materl, const int* ndi,
                              const int* nshr, const int* ntens, const int* nstatv,
                              const double* props, const int* nprops, const double* coords,
                              const double* drot, double* pnewdt, const double* celent,
                              const double* dfgrd0, const double* dfgrd1, const int* noel,
                              const int* npt, const int* kslay, const int* kspt, const int* jstep,
                              const int* kinc, size_t materl_len);

/* ---- Routine an adapter takes: USERMAT ----------------------------------------------------------
 * A material routine with the USERMAT argument list.
 * Arrays: stress(ncomp), ustatev(nstatev), dsdepl(ncomp, ncomp), strain(ncomp), dstrain(ncomp),
 * epspl(ncomp), prop(nprop), coords(3), defgrad_t(3, 3), defgrad(3, 3), tsstif(2).
 */
typedef void tvk_usermat_routine(const int* matid, const int* elemid, const int* kdomintpt,
                                 const int* klayer, const int* ksectpt, const int* ldstep,
                                 const int* isubst, int* keycut, const int* ndirect,
                                 const int* nshear, const int* ncomp, const int* nstatev,
                                 const int* nprop, const double* time, const double* dtime,
                                 const double* temp, const double* dtemp, double* stress,
                                 double* ustatev, double* dsdepl, double* sedel, double* sedpl,
                                 double* epseq, const double* strain, const double* dstrain,
                                 const double* epspl, const double* prop, const double* coords,
                                 double* var0, const double* defgrad_t, const double* defgrad,
                                 double* tsstif, double* epszz, double* var1, double* var2,
                                 double* var3, double* var4, double* var5, double* var6,
                                 double* var7, double* var8);

/* ---- Routine an adapter takes: UMAT headed by a material id -------------------------------------
 * A material routine with the UMAT argument list headed by a material id.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3), jstep(4).
 */
typedef void tvk_muesli_routine(const int* matid, double* stress, double* statev, double* ddsdde,
                                double* sse, double* spd, double* scd, const double* rpl,
                                const double* ddsddt, const double* drplde, const double* drpldt,
                                const double* stran, const double* dstran, const double* time,
                                const double* dtime, const double* temp, const double* dtemp,
                                const double* predef, const double* dpred, const char* materl,
                                const int* ndi, const int* nshr, const int* ntens,
                                const int* nstatv, const double* props, const int* nprops,
                                const double* coords, const double* drot, double* pnewdt,
                                const double* celent, const double* dfgrd0, const double* dfgrd1,
                                const int* noel, const int* npt, const int* kslay, const int* kspt,
                                const int* jstep, const int* kinc, size_t materl_len);

/* ---- Adapter: a UMAT routine serving the ANSYS USERMAT list -------------------------------------
 * dfunc the routine; the other arguments are those of the USERMAT list.
 * Arrays: stress(ncomp), ustatev(nstatev), dsdepl(ncomp, ncomp), strain(ncomp), dstrain(ncomp),
 * epspl(ncomp), prop(nprop), coords(3), defgrad_t(3, 3), defgrad(3, 3), tsstif(2).
 */
void abq_umat_to_ansys_usermat(tvk_umat_routine* dfunc, const int* matid, const int* elemid,
                               const int* kdomintpt, const int* klayer, const int* ksectpt,
                               const int* ldstep, const int* isubst, int* keycut,
                               const int* ndirect, const int* nshear, const int* ncomp,
                               const int* nstatev, const int* nprop, const double* time,
                               const double* dtime, const double* temp, const double* dtemp,
                               double* stress, double* ustatev, double* dsdepl, double* sedel,
                               double* sedpl, double* epseq, const double* strain,
                               const double* dstrain, const double* epspl, const double* prop,
                               const double* coords, double* var0, const double* defgrad_t,
                               const double* defgrad, double* tsstif, double* epszz, double* var1,
                               double* var2, double* var3, double* var4, double* var5, double* var6,
                               double* var7, double* var8);

/* ---- Adapter: a UMAT routine serving the Peridigm list ------------------------------------------
 * dfunc the routine; the other arguments are those of the Peridigm list.
 * Arrays: stressnew(npoint, ndir + nshr), statenew(npoint, nstatev),
 * stressold(npoint, ndir + nshr), stateold(npoint, nstatev), straininc(npoint, ndir + nshr),
 * props(nprops).
 */
void abq_umat_to_peridigm_upermat(tvk_umat_routine* dfunc, double* stressnew, double* statenew,
                                  const double* stressold, const double* stateold,
                                  const double* straininc, const double* props,
                                  const double* steptime, const double* totaltime, const double* dt,
                                  const int* matid, const int* npoint, const int* ndir,
                                  const int* nshr, const int* nstatev, const int* nprops);

/* ---- Adapter: a USERMAT routine serving the UMAT list -------------------------------------------
 * dfunc the routine; the other arguments are those of the UMAT list.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3), jstep(4).
 */
void ansys_usermat_to_abq_umat(tvk_usermat_routine* dfunc, double* stress, double* statev,
                               double* ddsdde, double* sse, double* spd, double* scd,
                               const double* rpl, const double* ddsddt, const double* drplde,
                               const double* drpldt, const double* stran, const double* dstran,
                               const double* time, const double* dtime, const double* temp,
                               const double* dtemp, const double* predef, const double* dpred,
                               const char* materl, const int* ndi, const int* nshr,
                               const int* ntens, const int* nstatv, const double* props,
                               const int* nprops, const double* coords, const double* drot,
                               double* pnewdt, const double* celent, const double* dfgrd0,
                               const double* dfgrd1, const int* noel, const int* npt,
                               const int* kslay, const int* kspt, const int* jstep, const int* kinc,
                               size_t materl_len);

/* ---- Adapter: a UMAT routine headed by a material id, serving the UMAT list ---------------------
 * dfunc the routine; the other arguments are those of the UMAT list, followed by the material id.
 * Arrays: stress(ntens), statev(nstatv), ddsdde(ntens, ntens), ddsddt(ntens), drplde(ntens),
 * stran(ntens), dstran(ntens), time(2), predef(1), dpred(1), props(nprops), coords(3), drot(3, 3),
 * dfgrd0(3, 3), dfgrd1(3, 3), jstep(4).
 */
void muesli_to_abq_umat(tvk_muesli_routine* dfunc, double* stress, double* statev, double* ddsdde,
                        double* sse, double* spd, double* scd, const double* rpl,
                        const double* ddsddt, const double* drplde, const double* drpldt,
                        const double* stran, const double* dstran, const double* time,
                        const double* dtime, const double* temp, const double* dtemp,
                        const double* predef, const double* dpred, const char* materl,
                        const int* ndi, const int* nshr, const int* ntens, const int* nstatv,
                        const double* props, const int* nprops, const double* coords,
                        const double* drot, double* pnewdt, const double* celent,
                        const double* dfgrd0, const double* dfgrd1, const int* noel, const int* npt,
                        const int* kslay, const int* kspt, const int* jstep, const int* kinc,
                        const int* matid, size_t materl_len);

/* ---- Error record ----------------------------------------------------------------------------
 * One record per thread: a report lands in the record of the thread whose call made it, and
 * these functions act on the calling thread's record, so read it in the thread that made the
 * call. The first report is kept until it is cleared: check after a call (or a batch of calls)
 * and clear before the next. Levels: 0 no report; -1 note; -2 warning or recoverable error (the
 * result is usable); -3 input error (the result is void).
 */
/* Level of the recorded report: 0 when the record holds none. */
int tvk_error_level(void);
/* Copies the recorded message (at most 80 characters, trailing blanks removed) into buf as a
 * NUL-terminated string, cut to n - 1 characters; writes nothing when buf is null or n is 0.
 * Returns the full length of the message (a return value >= n means it was cut). */
size_t tvk_error_message(char* buf, size_t n);
/* Clears the record: the next report is recorded again. */
void tvk_error_clear(void);

#ifdef __cplusplus
}
#endif

#endif /* TOLVEK_H */
