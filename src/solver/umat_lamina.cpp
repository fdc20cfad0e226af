// Orthotropic ply material routine: Hooke's law in Nye order with the stiffness degraded
// element by element from the ply's failure flags in a DIC step.
#include "umat_lamina.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "converters.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/unroll.h"
#include "failure/stiffness_factors.h"
#include "mechanics/lamina.h"
#include "ply_state.h"
#include "stepkinds.h"

namespace {

namespace ps = tvk::plystate;
using Ply = tvk::solver::Point<tvk::solver::Order::nye>;
using tvk::solver::Outcome;

// Ply state slot k (1-based) or 0 when the state vector does not reach it: the ply state vector
// is the last 40 state variables, or with fewer the state variables from 1 on (ply_state.h).
double slot(const double* statev, int nstatv, int k) { return ps::slots(statev, nstatv).get(k); }
double slot(const Ply& a, int k) { return slot(a.statev.data(), a.nstatv, k); }

using ps::index_of;

// The Nye property vector of the point: props, or with one property the material table column of
// the ply and section held in the ply state vector (buf when it has to be formed). Null, after a
// report, when there is none.
const double* ply_properties(double* buf, const double* props, int nprops, const double* statev, int nstatv) {
    if (nprops != 1) {
        if (const double* nye = tvk::lamina::nye_vector(buf, props, nprops)) return nye;
        tvk::report(-2, "Unsupported input in GetNyeProperties", nprops);
        return nullptr;
    }
    const int ply = index_of(slot(statev, nstatv, ps::ply)), sec = index_of(slot(statev, nstatv, ps::section));
    const auto pe = tvk::materialdata.peprops.view();
    if (pe.extent(1) < 9 || !pe.has(9, ply, sec)) {
        tvk::report_refused_point("umat_lamina: no elastic properties for this ply and section", ply, sec);
        return nullptr;
    }
    return tvk::lamina::nye_vector(buf, &pe(1, ply, sec), 9);
}

// The N x N stiffness of the entries v into c, column-major, each entry written once (no block
// clear) and two neighbouring entries by one 16-byte store: the point's stores, not its
// arithmetic, bound its speed (the tangent is most of them), so they are made as few as the
// entries allow.
template <int N, int K>
inline constexpr int entry_at = K < N * N ? tvk::lamina::stiffness_entry(K % N, K / N, N, N == 3) : -1;
template <int N, int K>
[[gnu::always_inline]] inline double entry_value(const double* v) {
    if constexpr (entry_at<N, K> < 0) return 0.0;
    else return v[entry_at<N, K>];
}
template <int N, int... P>
[[gnu::always_inline]] inline void put_stiffness(double* c, const double* v, std::integer_sequence<int, P...>) {
    using Pair = double __attribute__((vector_size(16)));
    (
        [&] {
            if constexpr (2 * P + 1 < N * N) {
                const Pair x = {entry_value<N, 2 * P>(v), entry_value<N, 2 * P + 1>(v)};
                std::memcpy(c + 2 * P, &x, sizeof x);
            } else {
                c[2 * P] = entry_value<N, 2 * P>(v);
            }
        }(),
        ...);
}
template <int N>
[[gnu::always_inline]] inline void put_stiffness(double* c, const double* v) {
    put_stiffness<N>(c, v, std::make_integer_sequence<int, (N * N + 1) / 2>{});
}

// Stress s = C e of the orthotropic stiffness with the entries v (tvk::lamina::stiffness_entries
// order) and N components, as tvk::lamina::stress_vector forms it (s_i = 0 + C_i1 e_1 + ... +
// C_iN e_N, in that order) when every e_i is finite: the entries that are 0 in every such
// stiffness (normal-shear coupling, shear-shear off-diagonal) are left out, since their products
// are then +-0, and adding +-0 to a running sum that started at +0 (so is never -0) changes no
// bit. With a non-finite e_i the full product differs (0 e_i is NaN); the caller sees that in the
// energy it forms from s and e.
template <int N>
[[gnu::always_inline]] inline void orthotropic_stress(double* s, const double* v, const double* e) {
    const double c11 = v[0], c12 = v[1], c22 = v[2], g12 = v[3];
    if constexpr (N == 3) {
        s[0] = 0.0 + c11 * e[0] + c12 * e[1];
        s[1] = 0.0 + c12 * e[0] + c22 * e[1];
        s[2] = 0.0 + g12 * e[2];
    } else {
        const double c13 = v[6], c23 = v[7], c33 = v[8];
        s[0] = 0.0 + c11 * e[0] + c12 * e[1] + c13 * e[2];
        s[1] = 0.0 + c12 * e[0] + c22 * e[1] + c23 * e[2];
        s[2] = 0.0 + c13 * e[0] + c23 * e[1] + c33 * e[2];
        s[3] = 0.0 + g12 * e[3];
        if constexpr (N == 6) {
            s[4] = 0.0 + v[4] * e[4];
            s[5] = 0.0 + v[5] * e[5];
        }
    }
}

// The point for N = ntens stress components (3, 4 or 6), a compile-time count so that the
// stiffness, its degradation, the stress product and the copies unroll; nye is the point's Nye
// property vector, null when it has none. The stiffness is held as its nine independent entries;
// every result has the bits of the full-matrix form (the stiffness and degradation matrices of
// tvk::lamina and tvk::degradation, the stress of tvk::lamina::stress_vector). Every input is
// read before the first output of the point is written (the outputs are distinct arrays).
template <int N>
[[gnu::always_inline]] inline Outcome ply_point_n(Ply& a, const double* nye) {
    double v[9];  // C11, C12, C22, G12, G13, G23, C13, C23, C33
    if (nye) {
        tvk::lamina::stiffness_entries(v, nye, N, false);
        if (tvk::solver::step_kind(a.jstep[0]) == tvk::solver::TVK_DIC) {  // absent step: undegraded
            const double dds[10] = {slot(a, ps::fibre_flag), 0.0, slot(a, ps::matrix_flag), 0.0,
                                    slot(a, ps::delamination_flag), 0.0, slot(a, ps::core_flag),
                                    slot(a, ps::buckling_flag), 0.0, 0.0};
            double de[9];
            tvk::degradation::falcom(de, dds, slot(a, ps::residual), 5, true, nullptr);
            // The factor vector is in the order of the entries (the Hadamard product with the
            // degradation matrix; the entries the matrix has not got stay 0 and are not placed).
            tvk::unrolled<9>([&](auto k) { v[k] *= de[k]; });
        }
    } else {
        tvk::unrolled<9>([&](auto k) { v[k] = 0.0; });  // no constants: a zero, deterministic response
    }
    double s[N], e[N];
    tvk::unrolled<N>([&](auto i) { e[i] = a.stran[i] + a.dstran[i]; });
    // Every input has been read: the tangent goes out first, while the stress and energy are
    // still being formed (its stores then no longer wait behind their long chain of dependent
    // operations, and its values need not be kept until the end).
    put_stiffness<N>(a.ddsdde.data(), v);
    orthotropic_stress<N>(s, v, e);
    double w = 0.0;
    tvk::unrolled<N>([&](auto i) { w += s[i] * e[i]; });
    if (w * 0.0 != 0.0) [[unlikely]] {
        // A non-finite energy: possibly a non-finite strain sum e_i, whose products with the
        // zero entries the sparse form left out. The full product, as stress_vector forms it.
        double c[N * N], t[N];
        put_stiffness<N>(c, v);  // (v indexed by constants only: it stays in registers)
        tvk::lamina::stress_vector(t, c, e, nullptr, a.ndi, N, true, false);  // e = stran + dstran
        w = 0.0;
        tvk::unrolled<N>([&](auto i) {
            s[i] = t[i];
            w += s[i] * e[i];
        });
        // Every result is finite when the energy is (each stiffness entry enters the stress).
        if (w * 0.0 != 0.0) return tvk::solver::conv::non_finite_result();
    }
    tvk::unrolled<N>([&](auto i) { a.stress[i] = s[i]; });
    a.sse = 0.5 * w;
    if (a.nstatv > 5) {
        // Direct stress k (k < ndi) into the slot stress_direct + k, shear stress k (ndi <= k <
        // ndi + nshr) into the slot stress_shear + k - ndi, slots the state vector does not reach
        // left out (with ndi 2 the third direct slot keeps its value).
        constexpr int d0 = ps::stress_direct - 1, s0 = ps::stress_shear - 1;
        const ps::SlotView<double> sv = ps::slots(a.statev.data(), a.nstatv);
        double* const out = sv.first;
        const int ndi = a.ndi, nshr = a.nshr, reach = sv.n;
        bool written = false;
        if constexpr (N == 6 && s0 == d0 + 3) {
            if (ndi == 3 && nshr == ndi) {  // slots 1-6 in Nye order (reach >= 6 here)
                tvk::unrolled<6>([&](auto k) { out[d0 + k] = s[k]; });
                written = true;
            }
        }
        if (!written) {
            tvk::unrolled<N>([&](auto k) {
                if (k < ndi) {
                    if (d0 + k < reach) out[d0 + k] = s[k];
                } else if (k - ndi < nshr && s0 + k - ndi < reach) {
                    out[s0 + k - ndi] = s[k];
                }
            });
        }
    }
    return Outcome::ok();
}

// Inlined into the entry, so that the point the converter builds is never stored as a whole.
[[gnu::always_inline]] inline Outcome ply_point(Ply& a) {
    const int n = a.ntens;  // 3, 4 or 6: checked by the converter before the kernel runs
    a.spd = 0.0;
    a.scd = 0.0;
    double buf[9];
    const double* nye = ply_properties(buf, a.props.data(), a.nprops, a.statev.data(), a.nstatv);
    if (!nye) [[unlikely]] return Outcome::refuse(nullptr);  // reported: no constants for the ply
    switch (n) {
        case 6: return ply_point_n<6>(a, nye);
        case 4: return ply_point_n<4>(a, nye);
        default: return ply_point_n<3>(a, nye);
    }
}

// The counts the property routine builds a stiffness from; with one, the ply's constants from the
// material table.
constexpr bool usable_count(int nprops) { return nprops == 1 || tvk::lamina::nye_count(nprops); }

}  // namespace

TVK_SOLVER_KERNEL_CHECKED(Umat, umat_lamina, ply_point,
                          {usable_count, "umat_lamina: unusable number of elastic constants"},
                          {tvk::lamina::stiffness_components, "umat_lamina: unsupported number of stress components"})
