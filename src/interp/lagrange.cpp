#include "interp/lagrange.h"

#include <cstddef>
#include <vector>

namespace tvk::interp {

void lagrange_value(int data_num, const double* t_data, int interp_num, const double* t_interp,
                    double* l_interp) {
    if (data_num < 1 || interp_num < 1) return;
    const std::size_t ld = static_cast<std::size_t>(data_num);
    for (std::size_t k = 0; k < static_cast<std::size_t>(interp_num); ++k)
        for (std::size_t i = 0; i < ld; ++i) l_interp[i + k * ld] = 1.0;
    // l(i, k) = product over j != i of (t_interp(k) - t_data(j)) / (t_data(i) - t_data(j)),
    // one factor j at a time for every k.
    for (std::size_t i = 0; i < ld; ++i) {
        for (std::size_t j = 0; j < ld; ++j) {
            if (j == i) continue;
            for (std::size_t k = 0; k < static_cast<std::size_t>(interp_num); ++k)
                l_interp[i + k * ld] = l_interp[i + k * ld] * (t_interp[k] - t_data[j]) /
                                       (t_data[i] - t_data[j]);
        }
    }
}

void interp_lagrange(int m, int data_num, const double* t_data, const double* p_data,
                     int interp_num, const double* t_interp, double* p_interp) {
    if (m < 1 || interp_num < 1) return;
    const std::size_t mm = static_cast<std::size_t>(m);
    const std::size_t nd = data_num > 0 ? static_cast<std::size_t>(data_num) : 0;
    std::vector<double> l(nd * static_cast<std::size_t>(interp_num));
    lagrange_value(data_num, t_data, interp_num, t_interp, l.data());
    for (std::size_t k = 0; k < static_cast<std::size_t>(interp_num); ++k) {
        double* out = p_interp + k * mm;
        for (std::size_t c = 0; c < mm; ++c) out[c] = 0.0;
        for (std::size_t j = 0; j < nd; ++j) {
            const double w = l[j + k * nd];
            const double* col = p_data + j * mm;
            for (std::size_t c = 0; c < mm; ++c) out[c] += col[c] * w;
        }
    }
}

}  // namespace tvk::interp

TVK_API void lagrange_value(const int* data_num, const double* t_data, const int* interp_num,
                            const double* t_interp, double* l_interp) {
    tvk::interp::lagrange_value(*data_num, t_data, *interp_num, t_interp, l_interp);
}

TVK_API void interp_lagrange(const int* m, const int* data_num, const double* t_data,
                             const double* p_data, const int* interp_num, const double* t_interp,
                             double* p_interp) {
    tvk::interp::interp_lagrange(*m, *data_num, t_data, p_data, *interp_num, t_interp, p_interp);
}
