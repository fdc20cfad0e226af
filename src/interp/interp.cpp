#include "interp/interp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "core/host.h"
#include "interp/locate.h"

namespace tvk::interp {

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// Finds the left end L (1-based) of the interval [x(L), x(L+1)] that the linear interpolation
// uses for t: L + 1 is the first i of 2..n-1 with t < x(i), or L = n - 1 when there is none.
// For strictly increasing x the condition "t < x(i)" holds on a tail of 2..n-1, so a search
// finds the same interval as a scan from the left. For queries that mostly ascend the interval
// of the previous query is tried first; for others the bucket table of the locator (when there
// are enough queries to build one) answers directly, which is cheaper than a failed guess.
// Needs n >= 2.
class Bracket {
public:
    Bracket(int n, const double* x, long queries) : x_(x), n_(n), inner_(x + 1, n - 2, queries) {}

    // Chooses the search for the next `count` queries t(0..count-1) by how many of them ascend.
    void plan(const double* t, int count) {
        int up = 0;
        for (int k = 1; k < count; ++k) up += t[k - 1] <= t[k];
        guess_ = !inner_.bucketed() || 8 * up >= 7 * (count - 1);
    }

    int left(double t) {
        if (!guess_) return search(t);
        if (fits(last_, t)) return last_;
        if (last_ + 1 <= n_ - 1 && fits(last_ + 1, t)) return ++last_;
        last_ = search(t);
        return last_;
    }
    int search(double t) const { return inner_.first_above(t) + 1; }

private:
    bool fits(int l, double t) const {
        return (l == 1 || !(t < x_[l - 1])) && (l == n_ - 1 || t < x_[l]);
    }

    const double* x_;
    int n_;
    Locator inner_;  // over x(2..n-1)
    int last_ = 1;
    bool guess_ = true;
};

}  // namespace

int r8vec_sorted_nearest(int n, const double* a, double value) {
    if (n < 1) return -1;
    if (n == 1) return 1;
    auto av = [&](int i) { return a[i - 1]; };

    int lo, hi;
    if (av(1) < av(n)) {  // ascending
        if (value < av(1)) return 1;
        if (value > av(n)) return n;
        lo = 1;
        hi = n;
        while (lo < hi - 1) {
            const int mid = (lo + hi) / 2;
            if (value == av(mid)) return mid;
            if (value < av(mid)) hi = mid;
            else lo = mid;
        }
    } else {  // descending (also a(1) = a(n))
        if (value < av(n)) return n;
        if (value > av(1)) return 1;
        lo = n;
        hi = 1;
        while (lo > hi + 1) {
            const int mid = (lo + hi) / 2;
            if (value == av(mid)) return mid;
            if (av(mid) < value) lo = mid;
            else hi = mid;
        }
    }
    // A tie goes to hi, the entry with the larger value in both directions.
    return std::fabs(value - av(lo)) < std::fabs(value - av(hi)) ? lo : hi;
}

void r8vec_bracket(int n, const double* x, double xval, int& left, int& right) {
    if (n < 2) {
        left = right = n == 1 ? 1 : -1;
        return;
    }
    left = Bracket(n, x, 1).search(xval);
    right = left + 1;
}

bool r8vec_ascends_strictly(int n, const double* x) {
    for (int i = 1; i < n; ++i)
        if (!(x[i - 1] < x[i])) return false;
    return true;
}

void interp_nearest(int m, int data_num, const double* t_data, const double* p_data,
                    int interp_num, const double* t_interp, double* p_interp) {
    if (m < 1) return;
    for (int i = 0; i < interp_num; ++i) {
        const int j = r8vec_sorted_nearest(data_num, t_data, t_interp[i]);
        double* out = p_interp + static_cast<std::ptrdiff_t>(i) * m;
        if (j < 1) {
            for (int k = 0; k < m; ++k) out[k] = not_a_number;
            continue;
        }
        const double* col = p_data + static_cast<std::ptrdiff_t>(j - 1) * m;
        for (int k = 0; k < m; ++k) out[k] = col[k];
    }
}

void interp_linear(int m, int data_num, const double* t_data, const double* p_data,
                   int interp_num, const double* t_interp, double* p_interp) {
    if (!r8vec_ascends_strictly(data_num, t_data)) {
        tvk::host::stop(" \nINTERP_LINEAR - Fatal error!\n"
                        "  Independent variable array T_DATA is not strictly increasing.\n",
                        1);
    }
    if (m < 1) return;
    if (data_num < 2) {
        // One point: its column everywhere; no point: nothing to interpolate.
        for (int i = 0; i < interp_num; ++i)
            for (int k = 0; k < m; ++k)
                p_interp[static_cast<std::ptrdiff_t>(i) * m + k] = data_num == 1 ? p_data[k] : not_a_number;
        return;
    }

    const double* x = t_data;
    Bracket bracket(data_num, x, interp_num);
    constexpr int block = 64;
    if (m == 1) {
        const double* y = p_data;
        for (int i0 = 0; i0 < interp_num; i0 += block) {
            const int i1 = std::min(i0 + block, interp_num);
            bracket.plan(t_interp + i0, i1 - i0);
            for (int i = i0; i < i1; ++i) {
                const double t = t_interp[i];
                const int l = bracket.left(t);  // 1-based left end; x[l] is x(l+1)
                p_interp[i] = ((x[l] - t) * y[l - 1] + (t - x[l - 1]) * y[l]) / (x[l] - x[l - 1]);
            }
        }
        return;
    }
    for (int i = 0; i < interp_num; ++i) {
        if (i % block == 0) bracket.plan(t_interp + i, std::min(block, interp_num - i));
        const double t = t_interp[i];
        const int l = bracket.left(t);
        const double* yl = p_data + static_cast<std::ptrdiff_t>(l - 1) * m;
        const double* yr = yl + m;
        double* out = p_interp + static_cast<std::ptrdiff_t>(i) * m;
        for (int k = 0; k < m; ++k)
            out[k] = ((x[l] - t) * yl[k] + (t - x[l - 1]) * yr[k]) / (x[l] - x[l - 1]);
    }
}

}  // namespace tvk::interp

TVK_API int r8vec_sorted_nearest(const int* n, const double* a, const double* value) {
    return tvk::interp::r8vec_sorted_nearest(*n, a, *value);
}

TVK_API void r8vec_bracket(const int* n, const double* x, const double* xval, int* left,
                           int* right) {
    int l = 0, r = 0;
    tvk::interp::r8vec_bracket(*n, x, *xval, l, r);
    *left = l;
    *right = r;
}

TVK_API int r8vec_ascends_strictly(const int* n, const double* x) {
    return tvk::interp::r8vec_ascends_strictly(*n, x) ? 1 : 0;
}

TVK_API void interp_nearest(const int* m, const int* data_num, const double* t_data,
                            const double* p_data, const int* interp_num, const double* t_interp,
                            double* p_interp) {
    tvk::interp::interp_nearest(*m, *data_num, t_data, p_data, *interp_num, t_interp, p_interp);
}

TVK_API void interp_linear(const int* m, const int* data_num, const double* t_data,
                           const double* p_data, const int* interp_num, const double* t_interp,
                           double* p_interp) {
    tvk::interp::interp_linear(*m, *data_num, t_data, p_data, *interp_num, t_interp, p_interp);
}
