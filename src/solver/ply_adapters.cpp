// The ply material's entries for other solvers: the ply routine handed to the interface
// adapters, and the Marc stub.
#include "ply_adapters.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "adapters.h"
#include "umat_lamina.h"

TVK_SOLVER_ADAPTED(Usermat, usermat_lamina, abq_umat_to_ansys_usermat, umat_lamina)
TVK_SOLVER_ADAPTED(Upermat, upermat_lamina, abq_umat_to_peridigm_upermat, umat_lamina)

// The Marc stub reads ngens alone, so its entry forms no view of the argument list: a view's
// extents are products of counts the stub never reads (coord has ncrd * nnode entries), and a
// hostile count such as INT_MIN would overflow there before any check. The stiffness is ngens x
// ngens entries, counted in 64 bits.
#define TVK_HYPELA_PARAM(name, type, ext, intent, bname, ...) \
    , [[maybe_unused]] ::tvk::solver::Param<TVK_SOLVER_CTYPE_##type, ::tvk::solver::is_input(#intent)> p_##name
#define TVK_HYPELA_LENPARAM(name, type, ext, intent, bname, ...) \
    TVK_SOLVER_TEXT_ONLY_##type([[maybe_unused]] std::size_t name##_len)

static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::hypela_lamina)>,
                             ::tvk::solver::EntryOf<::tvk::solver::Hypela2>>,
              "hypela_lamina is declared with another interface than Hypela2");
static_assert(std::is_same_v<decltype(hypela_lamina), ::tvk::solver::Hypela2::Fn>);

TVK_API void hypela_lamina(TVK_PP_DROP_FIRST(TVK_SOLVER_Hypela2(TVK_HYPELA_PARAM)
                                                 TVK_SOLVER_Hypela2(TVK_HYPELA_LENPARAM))) {
    *p_error_code = 0;
    const std::int64_t n = p_ngens ? *p_ngens : 0;
    if (n <= 0) return;
    std::fill_n(p_d, n * n, 0.0);
    std::fill_n(p_g, n, 0.0);
    std::fill_n(p_s, n, 0.0);
}
