// Argument lists of solver interfaces that only a few routines of the library serve, stated once
// in the format of interface.h, next to the lists of interfaces.h.
#pragma once

#include "interfaces.h"

// ---- MSC Marc HYPELA2: material of one integration point ---------------------------------------
// d the stiffness, g the initial-stress vector, s the stress (ngens each); e, de the total strain
// and its increment; t, dt the state variables (temperature first) and their increments; n the
// element number, nn the integration point, kcus the layer, matus the material id; ndi and nshear
// the direct and shear components; disp, dispt the nodal displacements (ndeg per node); coord the
// nodal coordinates, ncrd per node, node after node; ffn, frotn, strechn, eigvn the deformation
// gradient, its rotation, principal stretches and their directions at the start of the
// increment, the same with 1 at its end (itel rows); ndm the dimension of the problem; jtype the
// element type, lclass its class; ifr, ifu the formulation flags; nstats the number of state
// variables; isunit the unit of the material's data; idata, rdata, cdata the material's integer,
// real and text data and their lengths; error_code the routine's status (0: success).
#define TVK_SOLVER_HYPELA2_ARGS(V, X)           \
    V(X, d, f8, (ngens, ngens), out)            \
    V(X, g, f8, (ngens), out)                   \
    V(X, e, f8, (ngens), in)                    \
    V(X, de, f8, (ngens), in)                   \
    V(X, s, f8, (ngens), out)                   \
    V(X, t, f8, (nstats), in)                   \
    V(X, dt, f8, (nstats), in)                  \
    V(X, ngens, i4, (), in)                     \
    V(X, n, i4, (), in)                         \
    V(X, nn, i4, (), in)                        \
    V(X, kcus, i4, (), in)                      \
    V(X, matus, i4, (), in)                     \
    V(X, ndi, i4, (), in)                       \
    V(X, nshear, i4, (), in)                    \
    V(X, disp, f8, (ndeg, nnode), in)           \
    V(X, dispt, f8, (ndeg, nnode), in)          \
    V(X, coord, f8, (ncrd * nnode), in)         \
    V(X, ffn, f8, (itel, 3), in)                \
    V(X, frotn, f8, (itel, 3), in)              \
    V(X, strechn, f8, (itel), in)               \
    V(X, eigvn, f8, (itel, 3), in)              \
    V(X, ffn1, f8, (itel, 3), in)               \
    V(X, frotn1, f8, (itel, 3), in)             \
    V(X, strechn1, f8, (itel), in)              \
    V(X, eigvn1, f8, (itel, 3), in)             \
    V(X, ncrd, i4, (), in)                      \
    V(X, itel, i4, (), in)                      \
    V(X, ndeg, i4, (), in)                      \
    V(X, ndm, i4, (), in)                       \
    V(X, nnode, i4, (), in)                     \
    V(X, jtype, i4, (), in)                     \
    V(X, lclass, i4, (), in)                    \
    V(X, ifr, i4, (), in)                       \
    V(X, ifu, i4, (), in)                       \
    V(X, nstats, i4, (), in)                    \
    V(X, isunit, i4, (), in)                    \
    V(X, idata, i4, (len_idata), in)            \
    V(X, rdata, f8, (len_rdata), in)            \
    V(X, cdata, s80, (), in)                    \
    V(X, len_idata, i4, (), in)                 \
    V(X, len_rdata, i4, (), in)                 \
    V(X, len_cdata, i4, (), in)                 \
    V(X, error_code, i4, (), out)
#define TVK_SOLVER_Hypela2(X) TVK_SOLVER_HYPELA2_ARGS(TVK_SOLVER_BASE, X)

TVK_SOLVER_INTERFACE(Hypela2)
