// Isoparametric shape functions (Lagrange and serendipity families; see e.g. O. C. Zienkiewicz,
// R. L. Taylor, The Finite Element Method, vol. 1, ch. 8). Each family evaluates all derivatives
// of one node in one closed form; the routines select what they were asked for.
#include "shapefunctions.h"

#include "core/errors.h"

namespace tvk::shape {

NodeShape truss3(double xi, int node) {
    NodeShape s;
    switch (node) {
        case 0: s.n = xi * (xi - 1.0) / 2.0; s.d[0] = xi - 0.5; s.dd[0][0] = 1.0; break;
        case 1: s.n = 1.0 - xi * xi; s.d[0] = -2.0 * xi; s.dd[0][0] = -2.0; break;
        default: s.n = xi * (xi + 1.0) / 2.0; s.d[0] = xi + 0.5; s.dd[0][0] = 1.0; break;
    }
    return s;
}

// Quadratic triangle in area coordinates, L = 1 - xi - eta.
NodeShape tria6(double xi, double eta, int node) {
    const double l = 1.0 - xi - eta;
    NodeShape s;
    auto set = [&s](double n, double dx, double de, double dxx, double dee, double dxe) {
        s.n = n;
        s.d[0] = dx;
        s.d[1] = de;
        s.dd[0][0] = dxx;
        s.dd[1][1] = dee;
        s.dd[0][1] = s.dd[1][0] = dxe;
    };
    switch (node) {
        case 0: set(l * (2.0 * l - 1.0), 4.0 * xi + 4.0 * eta - 3.0, 4.0 * xi + 4.0 * eta - 3.0, 4, 4, 4); break;
        case 1: set(xi * (2.0 * xi - 1.0), 4.0 * xi - 1.0, 0.0, 4, 0, 0); break;
        case 2: set(eta * (2.0 * eta - 1.0), 0.0, 4.0 * eta - 1.0, 0, 4, 0); break;
        case 3: set(4.0 * xi * l, 4.0 * (l - xi), -4.0 * xi, -8, 0, -4); break;
        case 4: set(4.0 * xi * eta, 4.0 * eta, 4.0 * xi, 0, 0, 4); break;
        default: set(4.0 * eta * l, -4.0 * eta, 4.0 * (l - eta), 0, -8, -4); break;
    }
    return s;
}

namespace {
constexpr double corner_xi[8] = {-1, 1, 1, -1, -1, 1, 1, -1};
constexpr double corner_eta[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
constexpr double corner_zeta[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
constexpr double mid_xi[4] = {0, 1, 0, -1};   // quad8 nodes 5..8
constexpr double mid_eta[4] = {-1, 0, 1, 0};
}  // namespace

NodeShape quad4(double xi, double eta, int node) {
    const double xa = corner_xi[node], ea = corner_eta[node];
    const double a = 1.0 + xa * xi, b = 1.0 + ea * eta;
    NodeShape s;
    s.n = a * b / 4.0;
    s.d[0] = xa * b / 4.0;
    s.d[1] = ea * a / 4.0;
    s.dd[0][1] = s.dd[1][0] = xa * ea / 4.0;
    return s;
}

// Serendipity quadrilateral: corners (1+xa xi)(1+ea eta)(xa xi+ea eta-1)/4, mid-sides on eta = +-1
// (1-xi^2)(1+ea eta)/2 and on xi = +-1 (1+xa xi)(1-eta^2)/2.
NodeShape quad8(double xi, double eta, int node) {
    NodeShape s;
    if (node < 4) {
        const double xa = corner_xi[node], ea = corner_eta[node];
        const double a = 1.0 + xa * xi, b = 1.0 + ea * eta;
        s.n = a * b * (xa * xi + ea * eta - 1.0) / 4.0;
        s.d[0] = xa * b * (2.0 * xa * xi + ea * eta) / 4.0;
        s.d[1] = ea * a * (xa * xi + 2.0 * ea * eta) / 4.0;
        s.dd[0][0] = b / 2.0;
        s.dd[1][1] = a / 2.0;
        s.dd[0][1] = s.dd[1][0] = xa * ea * (2.0 * xa * xi + 2.0 * ea * eta + 1.0) / 4.0;
    } else if (mid_xi[node - 4] == 0.0) {
        const double ea = mid_eta[node - 4], b = 1.0 + ea * eta;
        s.n = (1.0 - xi * xi) * b / 2.0;
        s.d[0] = -xi * b;
        s.d[1] = (1.0 - xi * xi) * ea / 2.0;
        s.dd[0][0] = -b;
        s.dd[0][1] = s.dd[1][0] = -xi * ea;
    } else {
        const double xa = mid_xi[node - 4], a = 1.0 + xa * xi;
        s.n = a * (1.0 - eta * eta) / 2.0;
        s.d[0] = xa * (1.0 - eta * eta) / 2.0;
        s.d[1] = -eta * a;
        s.dd[1][1] = -a;
        s.dd[0][1] = s.dd[1][0] = -xa * eta;
    }
    return s;
}

// Trilinear brick: the pure second derivatives vanish; a mixed one is c_k c_l (1 + c_r x_r)/8.
NodeShape hex8(double xi, double eta, double zeta, int node) {
    const double c[3] = {corner_xi[node], corner_eta[node], corner_zeta[node]};
    const double f[3] = {1.0 + c[0] * xi, 1.0 + c[1] * eta, 1.0 + c[2] * zeta};
    NodeShape s;
    s.n = f[0] * f[1] * f[2] / 8.0;
    s.d[0] = c[0] * f[1] * f[2] / 8.0;
    s.d[1] = c[1] * f[0] * f[2] / 8.0;
    s.d[2] = c[2] * f[0] * f[1] / 8.0;
    s.dd[0][1] = s.dd[1][0] = c[0] * c[1] * f[2] / 8.0;
    s.dd[0][2] = s.dd[2][0] = c[0] * c[2] * f[1] / 8.0;
    s.dd[1][2] = s.dd[2][1] = c[1] * c[2] * f[0] / 8.0;
    return s;
}

}  // namespace tvk::shape

namespace {

using tvk::shape::NodeShape;

// The warnings of one family's routines.
struct Texts {
    const char* value;               // invalid node in the value routine
    const char* first_dir;           // invalid idvar in the first derivative
    const char* first_node[3];       // invalid node in the first derivative, by idvar
    const char* second_dir1;         // invalid idvar in the second derivative
    const char* second_dir2;         // invalid iidvar in the second derivative
    const char* second_node[3][3];   // invalid node in the second derivative, by (idvar, iidvar)
};

template <class Eval>
double value(Eval eval, int nnodes, int inode, const Texts& t) {
    if (inode < 1 || inode > nnodes) {
        tvk::report(-2, t.value);
        return 0.0;
    }
    return eval(inode - 1).n;
}

template <class Eval>
double first(Eval eval, int nnodes, int ndim, int inode, int idvar, const Texts& t) {
    if (idvar < 1 || idvar > ndim) {
        tvk::report(-2, t.first_dir);
        return 0.0;
    }
    if (inode < 1 || inode > nnodes) {
        tvk::report(-2, t.first_node[idvar - 1]);
        return 0.0;
    }
    return eval(inode - 1).d[idvar - 1];
}

template <class Eval>
double second(Eval eval, int nnodes, int ndim, int inode, int idvar, int iidvar, const Texts& t) {
    if (idvar < 1 || idvar > ndim) {
        tvk::report(-2, t.second_dir1);
        return 0.0;
    }
    if (iidvar < 1 || iidvar > ndim) {
        tvk::report(-2, t.second_dir2);
        return 0.0;
    }
    if (inode < 1 || inode > nnodes) {
        tvk::report(-2, t.second_node[idvar - 1][iidvar - 1]);
        return 0.0;
    }
    return eval(inode - 1).dd[idvar - 1][iidvar - 1];
}

constexpr Texts truss3_texts{"Warning: Overflow in Truss3SF.",
                             nullptr,
                             {"Warning: Overflow in Truss3FirstDerivSF.", nullptr, nullptr},
                             nullptr,
                             nullptr,
                             {}};

constexpr Texts tria6_texts{
    "Warning: Overflow in Tria6SF.",
    "Warning: Invalid ordinal in Tria6FirstDerivSF.",
    {"Warning: Overflow in Tria6.Xi.", "Warning: Overflow in Tria6.Eta.", nullptr},
    "Warning: Invalid 1st ordinal in Tria6",
    "Warning: Invalid 2nd ordinal in Tria6.",
    {{"Overflow in Tria6.XiXi.", "Warning: Overflow in Tria6.XiEta.", nullptr},
     {"Warning: Overflow in Tria6.EtaXi.", "Warning: Overflow in Tria6.EtaEta.", nullptr},
     {}}};

constexpr Texts quad4_texts{"Warning: Overflow in Quad4SF.",
                            "Warning: Invalid 1st ordinal in Quad4FirstDerivSF.",
                            {"Warning: Overflow in Quad4FirstDerivSF.Xi.",
                             "Warning: Overflow in Quad4FirstDerivSF.Eta.", nullptr},
                            nullptr,
                            nullptr,
                            {}};

constexpr Texts quad8_texts{
    "Warning: Overflow in Quad8SF.",
    "Warning: Invalid 1st ordinal in Quad8FirstDerivSF.",
    {"Warning: Overflow in Quad8FirstDerivSF.Xi.", "Warning: Overflow in Quad8FirstDerivSF.Eta.", nullptr},
    "Warning: Invalid 1st ordinal in Quad8SecondDerivSF",
    "Warning: Invalid ordinal in Quad8SecondDerivSF.",
    {{"Warning: Overflow in Quad8SecondDerivSF.XiXi.", "Warning: Overflow in Quad8SecondDerivSF.XiEta.",
      nullptr},
     {"Warning: Overflow in Quad8SecondDerivSF.EtaXi.", "Warning: Overflow in Quad8SecondDerivSF.EtaEta.",
      nullptr},
     {}}};

constexpr Texts hex8_texts{
    "Warning: Overflow in Hex8SF.",
    "Warning: Invalid 1st ordinal in Hex8FirstDerivSF.",
    {"Warning: Overflow in Hex8FirstDerivSF.Xi.", "Warning: Overflow in Hex8FirstDerivSF.Eta.",
     "Warning: Overflow in Hex8FirstDerivSF.Zeta."},
    "Warning: Invalid 1st ordinal in Hex8SecondDerivSF",
    "Warning: Invalid 2nd ordinal in Hex8SecondDerivSF.",
    {{"Warning: Overflow in Hex8SecondDerivSF.XiXi.", "Warning: Overflow in Hex8SecondDerivSF.XiEta.",
      "Warning: Overflow in Hex8SecondDerivSF.XiZeta."},
     {"Warning: Overflow in Hex8SecondDerivSF.EtaXi.", "Warning: Overflow in Hex8SecondDerivSF.EtaEta.",
      "Warning: Overflow in Hex8SecondDerivSF.EtaZeta."},
     {"Warning: Overflow in Hex8SecondDerivSF.ZetaXi.", "Warning: Overflow in Hex8SecondDerivSF.ZetaEta.",
      "Warning: Overflow in Hex8SecondDerivSF.ZetaZeta."}}};

}  // namespace

// The truss has one direction: its first derivative takes no direction argument.
double Truss3SF(const double* xi, const int* inode) {
    return value([&](int k) { return tvk::shape::truss3(*xi, k); }, 3, *inode, truss3_texts);
}
double Truss3FirstDerivSF(const double* xi, const int* inode) {
    static constexpr int along_xi = 1;
    return first([&](int k) { return tvk::shape::truss3(*xi, k); }, 3, 1, *inode, along_xi, truss3_texts);
}

double Tria6SF(const double* xi, const double* eta, const int* inode) {
    return value([&](int k) { return tvk::shape::tria6(*xi, *eta, k); }, 6, *inode, tria6_texts);
}
double Tria6FirstDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar) {
    return first([&](int k) { return tvk::shape::tria6(*xi, *eta, k); }, 6, 2, *inode, *idvar, tria6_texts);
}
double Tria6SecondDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar,
                          const int* iidvar) {
    return second([&](int k) { return tvk::shape::tria6(*xi, *eta, k); }, 6, 2, *inode, *idvar, *iidvar,
                  tria6_texts);
}

double Quad4SF(const double* xi, const double* eta, const int* inode) {
    return value([&](int k) { return tvk::shape::quad4(*xi, *eta, k); }, 4, *inode, quad4_texts);
}
double Quad4FirstDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar) {
    return first([&](int k) { return tvk::shape::quad4(*xi, *eta, k); }, 4, 2, *inode, *idvar, quad4_texts);
}

double Quad8SF(const double* xi, const double* eta, const int* inode) {
    return value([&](int k) { return tvk::shape::quad8(*xi, *eta, k); }, 8, *inode, quad8_texts);
}
double Quad8FirstDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar) {
    return first([&](int k) { return tvk::shape::quad8(*xi, *eta, k); }, 8, 2, *inode, *idvar, quad8_texts);
}
double Quad8SecondDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar,
                          const int* iidvar) {
    return second([&](int k) { return tvk::shape::quad8(*xi, *eta, k); }, 8, 2, *inode, *idvar, *iidvar,
                  quad8_texts);
}

double Hex8SF(const double* xi, const double* eta, const double* zeta, const int* inode) {
    return value([&](int k) { return tvk::shape::hex8(*xi, *eta, *zeta, k); }, 8, *inode, hex8_texts);
}
double Hex8FirstDerivSF(const double* xi, const double* eta, const double* zeta, const int* inode,
                        const int* idvar) {
    return first([&](int k) { return tvk::shape::hex8(*xi, *eta, *zeta, k); }, 8, 3, *inode, *idvar,
                 hex8_texts);
}
double Hex8SecondDerivSF(const double* xi, const double* eta, const double* zeta, const int* inode,
                         const int* idvar, const int* iidvar) {
    return second([&](int k) { return tvk::shape::hex8(*xi, *eta, *zeta, k); }, 8, 3, *inode, *idvar,
                  *iidvar, hex8_texts);
}
