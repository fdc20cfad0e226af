#include "interp/resample.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "core/matrix_repair.h"

namespace tvk::interp {

void parameterize_index(int m, int data_num, const double* p_data, double* t_data) {
    for (int j = 1; j <= data_num; ++j) t_data[j - 1] = static_cast<double>(j - 1);
}

void parameterize_arc_length(int m, int data_num, const double* p_data, double* t_data) {
    if (data_num < 1) return;
    t_data[0] = 0.0;
    const std::size_t mm = m > 0 ? static_cast<std::size_t>(m) : 0;
    // The chord is the scaled Euclidean distance: the plain root of the sum of squares where that
    // sum is representable, else formed again by the largest difference (points 3e200 or 3e-200
    // apart kept their distance instead of inf or 0).
    for (std::size_t j = 1; j < static_cast<std::size_t>(data_num); ++j)
        t_data[j] = t_data[j - 1] + tvk::la::distance2(p_data + j * mm, p_data + (j - 1) * mm, static_cast<long>(mm));
}

namespace {

// The interior part of both vector expansions, from xfat(k); returns the next position. fat is
// at least 0 here; the counters are 64-bit so that fat = INT_MAX cannot overflow them.
std::size_t expand_interior(int n, const double* x, std::int64_t fat, double* xfat, std::size_t k) {
    const double f1 = static_cast<double>(fat) + 1.0;
    for (int i = 1; i <= n - 1; ++i) {
        xfat[k++] = x[i - 1];
        for (std::int64_t j = 1; j <= fat; ++j)
            xfat[k++] = (static_cast<double>(fat - j + 1) * x[i - 1] + static_cast<double>(j) * x[i]) / f1;
    }
    xfat[k++] = x[n - 1];
    return k;
}

// A negative count of inserted or continued values means none, in the size rule and here alike.
std::int64_t nonnegative(int v) { return v > 0 ? v : 0; }

}  // namespace

void r8vec_expand_linear(int n, const double* x, int fat, double* xfat) {
    if (n < 1) return;
    expand_interior(n, x, nonnegative(fat), xfat, 0);
}

void r8vec_expand_linear2(int n, const double* x, int before, int fat, int after, double* xfat) {
    if (n < 1) return;
    const std::int64_t b = nonnegative(before), f = nonnegative(fat), a = nonnegative(after);
    const double h1 = n >= 2 ? x[1] - x[0] : 0.0;
    const double hn = n >= 2 ? x[n - 1] - x[n - 2] : 0.0;
    const double f1 = static_cast<double>(f) + 1.0;
    std::size_t k = 0;
    for (std::int64_t j = f - b + 1; j <= f; ++j)
        xfat[k++] = (static_cast<double>(f - j + 1) * (x[0] - h1) + static_cast<double>(j) * x[0]) / f1;
    k = expand_interior(n, x, f, xfat, k);
    for (std::int64_t j = 1; j <= a; ++j)
        xfat[k++] = (static_cast<double>(f - j + 1) * x[n - 1] + static_cast<double>(j) * (x[n - 1] + hn)) / f1;
}

namespace {

// Position of output row (or column) i of m2 on the normalised axis of m entries: the bracketing
// entries i1, i2 (1-based) and their positions r1, r2, and r itself.
struct Axis {
    double r, r1, r2;
    int i1, i2;
};
Axis axis(int i, int m2, int m) {
    Axis a{};
    a.r = m2 == 1 ? 0.5 : static_cast<double>(i - 1) / static_cast<double>(m2 - 1);
    a.i1 = static_cast<int>(std::floor(static_cast<double>(m - 1) * a.r)) + 1;
    a.i2 = a.i1 + 1;
    if (a.i2 > m) {
        a.i1 = m - 1;
        a.i2 = m;
    }
    a.r1 = static_cast<double>(a.i1 - 1) / static_cast<double>(m - 1);
    a.r2 = static_cast<double>(a.i2 - 1) / static_cast<double>(m - 1);
    return a;
}

}  // namespace

void r8mat_expand_linear2(int m, int n, const double* a, int m2, int n2, double* a2) {
    if (m2 < 1 || n2 < 1) return;
    const std::size_t lda = m > 0 ? static_cast<std::size_t>(m) : 0;
    const std::size_t ld2 = static_cast<std::size_t>(m2);
    auto out = [&](int i, int j) -> double& { return a2[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * ld2]; };
    auto in = [&](int i, int j) { return a[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * lda]; };
    if (m < 1 || n < 1) {
        for (int j = 1; j <= n2; ++j)
            for (int i = 1; i <= m2; ++i) out(i, j) = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    for (int i = 1; i <= m2; ++i) {
        for (int j = 1; j <= n2; ++j) {
            if (m >= 2 && n >= 2) {
                // Normalised weights, so that a grid point of a is reproduced exactly (weights
                // 1 and 0) when the output grid is the input grid.
                const Axis r = axis(i, m2, m), s = axis(j, n2, n);
                const double wr1 = (r.r2 - r.r) / (r.r2 - r.r1), wr2 = (r.r - r.r1) / (r.r2 - r.r1);
                const double ws1 = (s.r2 - s.r) / (s.r2 - s.r1), ws2 = (s.r - s.r1) / (s.r2 - s.r1);
                out(i, j) = wr1 * ws1 * in(r.i1, s.i1) + wr2 * ws1 * in(r.i2, s.i1) +
                            wr1 * ws2 * in(r.i1, s.i2) + wr2 * ws2 * in(r.i2, s.i2);
            } else if (m >= 2) {  // a single column: linear along the rows only
                const Axis r = axis(i, m2, m);
                out(i, j) = (r.r2 - r.r) / (r.r2 - r.r1) * in(r.i1, 1) + (r.r - r.r1) / (r.r2 - r.r1) * in(r.i2, 1);
            } else if (n >= 2) {  // a single row
                const Axis s = axis(j, n2, n);
                out(i, j) = (s.r2 - s.r) / (s.r2 - s.r1) * in(1, s.i1) + (s.r - s.r1) / (s.r2 - s.r1) * in(1, s.i2);
            } else {
                out(i, j) = in(1, 1);
            }
        }
    }
}

}  // namespace tvk::interp

TVK_API void parameterize_index(const int* m, const int* data_num, const double* p_data,
                                double* t_data) {
    tvk::interp::parameterize_index(*m, *data_num, p_data, t_data);
}
TVK_API void parameterize_arc_length(const int* m, const int* data_num, const double* p_data,
                                     double* t_data) {
    tvk::interp::parameterize_arc_length(*m, *data_num, p_data, t_data);
}
TVK_API void r8vec_expand_linear(const int* n, const double* x, const int* fat, double* xfat) {
    tvk::interp::r8vec_expand_linear(*n, x, *fat, xfat);
}
TVK_API void r8vec_expand_linear2(const int* n, const double* x, const int* before,
                                  const int* fat, const int* after, double* xfat) {
    tvk::interp::r8vec_expand_linear2(*n, x, *before, *fat, *after, xfat);
}
TVK_API void r8mat_expand_linear2(const int* m, const int* n, const double* a, const int* m2,
                                  const int* n2, double* a2) {
    tvk::interp::r8mat_expand_linear2(*m, *n, a, *m2, *n2, a2);
}
