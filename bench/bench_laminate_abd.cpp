// A, B and D of an 8-ply stack in ns per stack: the entry points as a caller uses them
// (GetAMatrix, GetBMatrix, GetDMatrix, then GetABDMatrix) against a hand-written ABD (one sweep
// over the plies, powers of z from products of the ply bounds, the 3 x 3 rotation written out).
// Two stacks alternate, so that every stack's first routine finds another stack's values kept.
#include <benchmark/benchmark.h>

#include <cmath>

#include "mechanics/laminate.h"

namespace {

constexpr int nplies = 8;

struct Stack {
    double e[9 * nplies], ang[nplies], t[nplies];
};

Stack make_stack(double shift) {
    const double ply[9] = {181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9};
    const double angles[8] = {0.0, 45.0, -45.0, 90.0, 30.0, -60.0, 15.0, 75.0};
    Stack s{};
    for (int k = 0; k < nplies; ++k) {
        for (int i = 0; i < 9; ++i) s.e[9 * k + i] = ply[i];
        s.ang[k] = angles[k] + shift;
        s.t[k] = 0.125e-3;
    }
    return s;
}

const Stack stacks[2] = {make_stack(0.0), make_stack(5.0)};

void hand_abd(const Stack& s, double* abd) {
    double a[9] = {}, b[9] = {}, d[9] = {};
    double h = 0.0;
    for (int k = 0; k < nplies; ++k) h += s.t[k];
    double zb = -0.5 * h;
    for (int k = 0; k < nplies; ++k) {
        const double* p = s.e + 9 * k;
        const double zt = zb + s.t[k];
        const double nu21 = p[3] * p[1] / p[0], den = 1.0 - p[3] * nu21;
        const double q11 = p[0] / den, q22 = p[1] / den, q12 = p[3] * p[1] / den, q66 = p[6];
        const double r = s.ang[k] * 0.017453292519943295, c = std::cos(r), sn = std::sin(r);
        const double c2 = c * c, s2 = sn * sn, cs = c * sn, c4 = c2 * c2, s4 = s2 * s2, c2s2 = c2 * s2;
        const double qb11 = q11 * c4 + 2.0 * (q12 + 2.0 * q66) * c2s2 + q22 * s4;
        const double qb22 = q11 * s4 + 2.0 * (q12 + 2.0 * q66) * c2s2 + q22 * c4;
        const double qb12 = (q11 + q22 - 4.0 * q66) * c2s2 + q12 * (c4 + s4);
        const double qb66 = (q11 + q22 - 2.0 * q12 - 2.0 * q66) * c2s2 + q66 * (c4 + s4);
        const double qb16 = (q11 - q12 - 2.0 * q66) * c2 * cs + (q12 - q22 + 2.0 * q66) * s2 * cs;
        const double qb26 = (q11 - q12 - 2.0 * q66) * s2 * cs + (q12 - q22 + 2.0 * q66) * c2 * cs;
        const double q[9] = {qb11, qb12, qb16, qb12, qb22, qb26, qb16, qb26, qb66};
        const double w1 = zt - zb, w2 = w1 * (zt + zb), w3 = w1 * (zt * zt + zt * zb + zb * zb);
        for (int i = 0; i < 9; ++i) {
            a[i] += q[i] * w1;
            b[i] += q[i] * w2;
            d[i] += q[i] * w3;
        }
        zb = zt;
    }
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            abd[i + 6 * j] = a[i + 3 * j];
            abd[i + 3 + 6 * j] = 0.5 * b[i + 3 * j];
            abd[i + 6 * (j + 3)] = 0.5 * b[i + 3 * j];
            abd[i + 3 + 6 * (j + 3)] = d[i + 3 * j] / 3.0;
        }
}

void BM_AbdHandWritten(benchmark::State& st) {
    double abd[36];
    int k = 0;
    for (auto _ : st) {
        const Stack& s = stacks[k ^= 1];
        benchmark::DoNotOptimize(&s);
        hand_abd(s, abd);
        benchmark::DoNotOptimize(abd);
    }
}
BENCHMARK(BM_AbdHandWritten);

void BM_AbdEntryPoints(benchmark::State& st) {
    double a[9], b[9], d[9], abd[36];
    const int n = nplies;
    int k = 0;
    for (auto _ : st) {
        const Stack& s = stacks[k ^= 1];
        benchmark::DoNotOptimize(&s);
        GetAMatrix(a, s.e, s.ang, s.t, &n);
        GetBMatrix(b, s.e, s.ang, s.t, &n);
        GetDMatrix(d, s.e, s.ang, s.t, &n);
        GetABDMatrix(abd, a, b, d);
        benchmark::DoNotOptimize(abd);
    }
}
BENCHMARK(BM_AbdEntryPoints);

// One of the three routines alone, a different stack each call: a full sweep.
void BM_AbdOneRoutine(benchmark::State& st) {
    double d[9];
    const int n = nplies;
    int k = 0;
    for (auto _ : st) {
        const Stack& s = stacks[k ^= 1];
        benchmark::DoNotOptimize(&s);
        GetDMatrix(d, s.e, s.ang, s.t, &n);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_AbdOneRoutine);

}  // namespace
