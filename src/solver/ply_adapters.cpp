// The ply material's entries for other solvers: the ply routine handed to the interface
// adapters, and the Marc stub.
#include "ply_adapters.h"

#include <cstdint>

#include "adapters.h"
#include "umat_lamina.h"

namespace {

void hypela_law(const tvk::solver::Hypela2& a) {
    a.error_code = 0;
    if (a.ngens <= 0) return;
    const std::int64_t n = a.ngens;
    for (std::int64_t k = 0; k < n * n; ++k) a.d.data()[k] = 0.0;
    for (std::int64_t k = 0; k < n; ++k) {
        a.g.data()[k] = 0.0;
        a.s.data()[k] = 0.0;
    }
}

}  // namespace

TVK_SOLVER_ADAPTED(Usermat, usermat_lamina, abq_umat_to_ansys_usermat, umat_lamina)
TVK_SOLVER_ADAPTED(Upermat, upermat_lamina, abq_umat_to_peridigm_upermat, umat_lamina)
TVK_SOLVER_ENTRY(Hypela2, hypela_lamina, hypela_law)
