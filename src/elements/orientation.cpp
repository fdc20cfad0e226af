// Element lengths, bar geometry and orientations.
#include "orientation.h"

#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/lists.h"
#include "core/statistics.h"
#include "core/tensor.h"
#include "vec3.h"

using tvk::elements::Vec3;
using namespace tvk::elements;

namespace {

Vec3 node(const double* nodalcoord, int k) { return load(nodalcoord + 3 * (k - 1)); }

// The global axis `axis` projected orthogonally onto the plane of tdirect columns 1 and 2.
Vec3 projected_axis(const double* tdirect, int axis) {
    const double e[3] = {axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
    double p[3];
    CoordinateProjection(tdirect, tdirect + 3, e, p, nullptr);
    return load(p);
}

Vec3 rotated(const Vec3& axis, const Vec3& p, double angle_d) {
    Vec3 out;
    CoordinateRotation(axis.data(), p.data(), out.data(), &angle_d);
    return out;
}

}  // namespace

void GetHex8ElemLength(double* elemlength, const double* matcos, const double* nodalcoord) {
    const Vec3 d[4] = {node(nodalcoord, 7) - node(nodalcoord, 1), node(nodalcoord, 8) - node(nodalcoord, 2),
                       node(nodalcoord, 5) - node(nodalcoord, 3), node(nodalcoord, 6) - node(nodalcoord, 4)};
    double out[3];
    for (int k = 0; k < 3; ++k) {
        double s = 0.0;
        for (const Vec3& v : d)
            for (int i = 0; i < 3; ++i) s += std::fabs(v[i] * matcos[i + 3 * k]);
        out[k] = 0.25 * s;
    }
    std::copy(out, out + 3, elemlength);
}

void GetQuad4ElemLength(double* elemlength, const double* tdirect, const double* nodalcoord) {
    const auto length = [&](int k) {
        const Vec3 v = node(nodalcoord, k) - node(nodalcoord, 1);
        double p[3];
        CoordinateProjection(tdirect, tdirect + 3, v.data(), p, nullptr);
        Vec3 m{};
        for (int c = 0; c < 3; ++c) m = m + p[c] * column(tdirect, c);
        return norm(m);
    };
    const double out[3] = {length(2), length(4), length(3)};
    std::copy(out, out + 3, elemlength);
}

void GetTruss3ElemLength(double* elemlength, const double* nodalcoord) {
    *elemlength = norm(node(nodalcoord, 2) - node(nodalcoord, 1));
}

void GetTruss3TransformationMatrix(double* te, const double* nodalcoord) {
    const Vec3 d = node(nodalcoord, 2) - node(nodalcoord, 1);
    const Vec3 c = (1.0 / norm(d)) * d;
    std::fill(te, te + 12, 0.0);
    for (int i = 0; i < 3; ++i) {
        te[2 * i] = c[i];              // row 1, columns 1-3
        te[2 * (i + 3) + 1] = c[i];    // row 2, columns 4-6
    }
}

double GetABQElementOrientation(const double* rm, const double* tdirect) {
    const Vec3 rs = projected_axis(tdirect, 0), rr = projected_axis(tdirect, 1), m = load(rm);
    const Vec3 rn = cross(rs, rr), rsm = cross(rs, m);
    const int three = 3;
    double a = EuclideanAngle(rs.data(), rm, &three);
    if (dot(rsm, rn) < 0.0) a = -a;  // a zero product counts as positive
    return a * tvk::rad2deg;
}

void GetElementRefOrientation(int* istatus, const int* ind, const double* t, const double* tdirect,
                              const double* plyorientation, const int* noel, const int* kspt, const int* layid,
                              const int* secid, const int* nplies, const int* nsec, const int* nextid) {
    *istatus = 0;
    const int one = 1;
    if (*layid == 1) {
        iAppendScalar2List(ind, noel, &one, istatus, nullptr, nullptr);
        if (*istatus == 1) {
            double ref = 0.0;
            if (*secid >= 1 && *secid <= *nsec && *nplies >= 1) {
                ref = plyorientation[static_cast<std::ptrdiff_t>(*nplies) * (*secid - 1)];
            } else {
                tvk::report(-2, "Warning: section outside the ply table in GetElementRefOrientation.", *secid,
                            *noel);
            }
            double record[7];
            tvk::elements::reference_record(record, tdirect, ref);
            const int seven = 7, zero = 0;
            int stored = 0;
            fAppendArray2List(ind, record, &seven, &zero, &stored, nullptr, nullptr);
        }
    }
    if (*nextid != -1 && *nextid != 2) {
        const tvk::cplx pair(*noel, *kspt);
        cAppendScalar2List(ind, &pair, &one, istatus, nullptr, nullptr);
    }
}

namespace tvk::elements {

void reference_record(double* record, const double* tdirect, double ref) {
    double eul[3], r[9];
    GetEulerRotation(eul, tdirect);
    // The first ply's direction about the global z axis, then the element's Euler rotations about
    // the global x, y and z axes in turn.
    Vec3 rm{1.0, 0.0, 0.0};
    const Vec3 axes[4] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double angles[4] = {ref, eul[0], eul[1], eul[2]};
    for (int i = 0; i < 4; ++i) {
        const double a = angles[i] * tvk::deg2rad;
        GetRotationMatrix(r, axes[i].data(), &a);
        rm = {r[0] * rm[0] + r[3] * rm[1] + r[6] * rm[2], r[1] * rm[0] + r[4] * rm[1] + r[7] * rm[2],
              r[2] * rm[0] + r[5] * rm[1] + r[8] * rm[2]};
    }
    const Vec3 n = column(tdirect, 2);
    const Vec3 rs = projected_axis(tdirect, 0), ry = cross(n, rs);
    const double phi = GetABQElementOrientation(rm.data(), tdirect);
    const Vec3 a = rotated(n, rs, -phi), b = rotated(n, ry, -phi);
    const double out[7] = {phi, a[0], a[1], a[2], b[0], b[1], b[2]};
    std::copy(out, out + 7, record);
}

}  // namespace tvk::elements

void GetSectionRefOrientation(double* theta, const double* so, const double* nvector, const double* r12) {
    const Vec3 s = load(so), r = load(r12), n = cross(r, s);
    if (norm(n) <= 1e-8) {
        *theta = dot(r, s) > 0.0 ? 0.0 : tvk::pi;
        return;
    }
    // Both bounds of the cosine are clamped: nearly antiparallel vectors can round below -1.
    const double a = std::acos(std::clamp(dot(r, s) / (norm(r) * norm(s)), -1.0, 1.0));
    *theta = dot(n, load(nvector)) > 0.0 ? a : -a;
}
