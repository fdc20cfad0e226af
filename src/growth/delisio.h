// Delamination in a laminate strip (namespace `delisio`): energies of the delaminated
// sublaminates with a buckling check, load transfer to the side strips, energy release rates by
// finite differences of the total energy, Paris-type growth under compression and tension, and
// the no-growth allowables.
//
// Generalised strain dof(6): eps11, eps22, gamma12, kappa11, kappa22, kappa12 (compression
// negative). abd(6,6) the whole laminate, abdsub(2,6,6) the two sublaminates; forcecases(3,6)
// rows: line loads of the laminate and of sublaminates 1 and 2 under dof (only column 1, N11, is
// read). Strip: width, length; the delamination has half-length a along the load and half-width
// b across it, its centre offset e from the centre line; side strips wl = width/2 - b - e,
// wr = width/2 - b + e.
#pragma once

#include "core/tvk.h"

TVK_API void LinearElasticEnergy(const double* strain, const double* abdmatrix, const double* area, double* energy,
                                 const int* ncomp);
TVK_API void reducedElasticEnergy(const double* strain, const double* abdin, const double* area, double* energy,
                                  const int* stresszero, const int* strainzero, const int* ncomp);
TVK_API void EnergySublaminat(const double* abd_in, const double* dof_in, const double* a_el, const double* b_el,
                              const double* forces, double* energy, double* nsub, int* bstatus,
                              const double* buckfactor_in, const double* r_in);
TVK_API void MomentumBalance(const double* n11, const double* nsub, const double* b, const double* wr,
                             const double* wl, const double* w, const double* e, double* n_left, double* n_right);
TVK_API void ForceTransfer(const double* abd, const double* abdsub, const double* forces, const double* nsub1in,
                           const double* nsub2in, const double* width, const double* leftwidth,
                           const double* rightwidth, const double* damagewidth, const double* w, const double* e,
                           double* nleft_m, double* nright_m, double* nsub1, double* nsub2, double* deltadof,
                           double* ie1_delta, double* ie2_delta, const double* r_in);
TVK_API void EquivDisp(const double* abd, const double* a, const double* b, const double* width, const double* dof,
                       const double* deltadof, const double* nleft, const double* nright, const double* l,
                       const double* r, double* deltax);
TVK_API void EnergyReleaseRate(const double* dof, const double* abd, const double* abdsub, const double* a,
                               const double* b, const double* width, const double* length, const double* areaclean,
                               const double* forcecases, double* gx, double* gy, double* gy_left, double* gy_right,
                               const double* e_in, const double* da_in, const double* db_in,
                               const double* buckfactor_in, const double* r_in);

// Growth laws: da/dN = cf deltag^nf; the threshold/cycles relation n = (c1/deltag)^c2 when n < 0
// on entry, else deltag = c1 n^(1/c2).
TVK_API void GrowthRateParis(const double* deltag, double* dadn, const double* cf, const double* nf);
TVK_API void GrowthInitiationParis(double* deltag, double* n, const double* c1, const double* c2);
TVK_API void fiber_tension_lefm(const double* sigma11_ply, const double* b_crack, const double* gic,
                                const int* nprops, const double* props, double* serr_f_t);
TVK_API void sERR_delaTension(const double* dof_r, const double* a_r, const double* a_dmg, const double* b_dmg,
                              const double* l_crack_proj, const double* delta_angle, double* serr_d_t,
                              const int* dir, const int* outer);
// results(13, totalcycles + 1): one column per cycle step (see the growth routines).
TVK_API void DelaCompGrowth(const double* layup, const double* tply, const double* indof, const int* dela_interface,
                            const double* props, const double* length, const double* width,
                            const double* extensdmg, double* results, const double* dmgwidth,
                            const double* dmglength, const int* totalcycles, const int* nplies, const int* nprops,
                            const int* ndof, const int* incyclejump, const double* instressratio,
                            const double* dmgincrement_in);
// results(13, 1000).
TVK_API void delaTension(const double* layup, const double* tply, const double* indof, const int* ncrack,
                         const double* props, const double* length, const double* width, const double* extensdmg,
                         double* results, const double* indmgwidth, const double* indmglength,
                         const double* l_crack, const int* totalcycles, const int* nplies, const int* nprops,
                         const int* ndof, const int* incyclejump, const double* instressratio,
                         const double* paris_ng);

// eps_th_results(ninter, 6, 100).
TVK_API void Find_Allowable_nogrowth_comp(const double* layup, const double* tply, const double* extensdmg,
                                          const double* length, const double* width, const double* props,
                                          double* strainallowable, double* forceallowables_perinterface,
                                          double* eps_th_results, const double* dmgsizes,
                                          double* allowables_perinterface, const int* nplies, const int* nprops,
                                          const int* ninter, const double* inincrement,
                                          const double* dmgincrement_in, const double* inloadcycles);
TVK_API void Find_Allowable_nogrowth_tension(const double* layup, const double* tply, const double* extensdmg,
                                             const double* length, const double* width, const double* props,
                                             const double* fibercrack, const double* dmgsizes, const int* nplies,
                                             const int* nprops, const int* ninter, double* allowables_perply,
                                             double* strainallowable, double* forceallowables_perply,
                                             const double* inincrement, const double* inloadcycles);
