// Probe routines that take eight arguments of one kind each (and one that takes none), so that
// the per-argument cost of the binding engine can be measured kind by kind
// (bench/binding_kinds_py.py): the difference to the routine without arguments, divided by eight.
// Each one reads its arguments, so that a conversion cannot be skipped.
#include <cstddef>

#include "engine/bind.h"

TVK_API void pr_none() {}
// The work of a bare builtin (abs), as a scalar routine: what remains of its time is the binding's.
TVK_API double pr_abs(const double* x) { return *x < 0.0 ? -*x : *x; }
TVK_API void pr_f8x8(const double* a, const double* b, const double* c, const double* d, const double* e,
                     const double* f, const double* g, const double* h) {
    volatile double s = *a + *b + *c + *d + *e + *f + *g + *h;
    (void)s;
}
TVK_API void pr_i4x8(const int* a, const int* b, const int* c, const int* d, const int* e, const int* f,
                     const int* g, const int* h) {
    volatile int s = *a + *b + *c + *d + *e + *f + *g + *h;
    (void)s;
}
TVK_API void pr_s8x8(const char* a, const char* b, const char* c, const char* d, const char* e, const char* f,
                     const char* g, const char* h, std::size_t, std::size_t, std::size_t, std::size_t,
                     std::size_t, std::size_t, std::size_t, std::size_t) {
    volatile char s = static_cast<char>(*a + *b + *c + *d + *e + *f + *g + *h);
    (void)s;
}
// Arrays: the first element of each (the sizes are fixed by the signatures).
TVK_API void pr_v8x8(const double* a, const double* b, const double* c, const double* d, const double* e,
                     const double* f, const double* g, const double* h) {
    pr_f8x8(a, b, c, d, e, f, g, h);
}
TVK_API void pr_out8x8(double* a, double* b, double* c, double* d, double* e, double* f, double* g, double* h) {
    *a = *b = *c = *d = *e = *f = *g = *h = 1.0;
}

TVK_ROUTINE(tmath, kinds_none, pr_none, "");
TVK_ROUTINE(tmath, kinds_abs, pr_abs, "kinds_abs:f8:ret x:f8");
TVK_ROUTINE(tmath, kinds_f8, pr_f8x8, "a:f8 b:f8 c:f8 d:f8 e:f8 f:f8 g:f8 h:f8");
TVK_ROUTINE(tmath, kinds_i4, pr_i4x8, "a:i4 b:i4 c:i4 d:i4 e:i4 f:i4 g:i4 h:i4");
TVK_ROUTINE(tmath, kinds_s8, pr_s8x8, "a:s8 b:s8 c:s8 d:s8 e:s8 f:s8 g:s8 h:s8");
TVK_ROUTINE(tmath, kinds_v6, pr_v8x8,
            "a:f8(6) b:f8(6) c:f8(6) d:f8(6) e:f8(6) f:f8(6) g:f8(6) h:f8(6)");
TVK_ROUTINE(tmath, kinds_m33, pr_v8x8,
            "a:f8(3,3) b:f8(3,3) c:f8(3,3) d:f8(3,3) e:f8(3,3) f:f8(3,3) g:f8(3,3) h:f8(3,3)");
TVK_ROUTINE(tmath, kinds_out33, pr_out8x8,
            "a:f8(3,3):out b:f8(3,3):out c:f8(3,3):out d:f8(3,3):out e:f8(3,3):out f:f8(3,3):out "
            "g:f8(3,3):out h:f8(3,3):out");

// A function of a float and an int, bound twice: as it is (every argument a number by value, so
// exact floats and ints take the engine's direct path) and with a check that always holds, which
// keeps it on the general path; both must behave alike for every argument list.
TVK_API double pr_scaled(const double* x, const int* k) { return *x * *k; }
TVK_ROUTINE(tmath, scaled, pr_scaled, "scaled:f8:ret x:f8 k:i4");
TVK_ROUTINE(tmath, scaled_general, pr_scaled, "scaled_general:f8:ret x:f8 k:i4:check(1)");
