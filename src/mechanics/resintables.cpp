// Lookups in the resin calibration tables: interpolation along the strain-like abscissa at each
// of the two calibration temperatures, then across temperature.
#include "core/errors.h"
#include "core/linalg.h"
#include "core/modeldata.h"
#include "core/strings.h"
#include "interp/interp.h"
#include "pchip/pchip.h"
#include "resin.h"

namespace tvk::resin {

namespace {

// Rows held on the stack; larger tables take heap storage.
constexpr int kStackRows = 64;

// A table view: value (t, r, f) of an n1 x n2 x n3 column-major block.
struct Field {
    const double* data;
    long n1, n2;
    double at(int t, int r, int f) const { return data[(t - 1) + n1 * ((r - 1) + n2 * (f - 1))]; }
};

double interpolate(Method method, int n, const double* x, const double* y, double* d, double p) {
    double v = 0.0;
    if (method == Method::cubic) {
        int ierr = 0;
        bool skip = true;  // the caller has validated the nodes
        pchip::dpchez(n, x, y, d, false, nullptr, 0, ierr);
        pchip::dpchfe(n, x, y, d, 1, skip, 1, &p, &v, ierr);
    } else {
        interp::interp_linear(1, n, x, y, 1, &p, &v);
    }
    return v;
}

bool fail(const char* what, const char* routine, int i1 = 0, int i2 = 0) {
    report(-2, std::string(what) + routine, i1, i2);
    return false;
}

// Why field `field` of the table cannot be looked up over rows 1..nrows (the text of its report,
// with its integers), or null: the extents, the two increasing calibration temperatures and, at
// both of them, the strictly increasing abscissas that the interpolation needs.
const char* unreadable(const Field& tab, long n3, int nrows, int field, Method method, int& i1, int& i2) {
    const int minrows = method == Method::cubic ? 2 : 1;
    if (tab.n1 < 2 || n3 < field || nrows < minrows || nrows > tab.n2) {
        i1 = nrows, i2 = static_cast<int>(tab.n2);
        return "Calibration table too small in ";
    }
    const Table<double, 1>& temps = materialdata.temperatures;
    if (temps.extent(1) < 2 || !(*temps.at(1) < *temps.at(2))) {
        i1 = static_cast<int>(temps.extent(1)), i2 = 0;
        return "Two increasing calibration temperatures needed in ";
    }
    for (int t = 1; t <= 2; ++t)
        for (int r = 2; r <= nrows; ++r)
            if (!(tab.at(t, r - 1, columns::calibration::x) < tab.at(t, r, columns::calibration::x))) {
                i1 = t, i2 = 0;
                return "Calibration abscissas not increasing in ";
            }
    return nullptr;
}

// The core of every lookup once the table is known to be present: checks the extents and the
// orderings that the interpolation needs, then interpolates.
bool lookup_field(const Field& tab, long n3, int nrows, int field, double x, double temp,
                  Method method, const char* routine, double& value) {
    value = 0.0;
    int i1 = 0, i2 = 0;
    if (const char* why = unreadable(tab, n3, nrows, field, method, i1, i2)) return fail(why, routine, i1, i2);
    la::Scratch<double, 3 * kStackRows> work(3 * static_cast<std::size_t>(nrows));
    double* xs = work.get();
    double* ys = xs + nrows;
    double* ds = ys + nrows;
    double across[2];
    for (int t = 1; t <= 2; ++t) {
        for (int r = 1; r <= nrows; ++r) {
            xs[r - 1] = tab.at(t, r, columns::calibration::x);
            ys[r - 1] = tab.at(t, r, field);
        }
        across[t - 1] = interpolate(method, nrows, xs, ys, ds, x);
    }
    const Table<double, 1>& temps = materialdata.temperatures;
    const double tt[2] = {*temps.at(1), *temps.at(2)};
    double dt[2];
    value = interpolate(method, 2, tt, across, dt, temp);
    return true;
}

}  // namespace

bool lookup(const Table<double, 3>& table, int nrows, int field, double x, double temp,
            Method method, const char* routine, double& value) {
    value = 0.0;
    if (!table.present()) return fail("Calibration table not allocated in ", routine);
    const Field f{table.data(), table.extent(1), table.extent(2)};
    return lookup_field(f, table.extent(3), nrows, field, x, temp, method, routine, value);
}

bool readable(const Table<double, 3>& table, int nrows, int field, Method method) {
    if (!table.present()) return false;
    const Field f{table.data(), table.extent(1), table.extent(2)};
    int i1 = 0, i2 = 0;
    return !unreadable(f, table.extent(3), nrows, field, method, i1, i2);
}

}  // namespace tvk::resin

using tvk::materialdata;
using tvk::resin::Method;

void GetExternalData(const double* datafield, const int* n1, const int* n2, const int* n3,
                     const int* ndata, const double* x0, const double* temp, double* rvalue,
                     const char* stype, std::size_t stype_len) {
    const Method m = ::match(stype, "C", stype_len, 1) ? Method::cubic : Method::linear;
    const tvk::resin::Field f{datafield, *n1 > 0 ? *n1 : 0, *n2 > 0 ? *n2 : 0};
    tvk::resin::lookup_field(f, *n3, *ndata, 2, *x0, *temp, m, "GetExternalData", *rvalue);
}

void GetFlowParameters(const double* eqplaststrain, double* a0, double* a1, const double* temp) {
    const int n = materialdata.nflowdata;
    if (!tvk::resin::lookup(materialdata.flowprops, n, tvk::columns::flowprops::a0, *eqplaststrain, *temp, Method::cubic,
                            "GetFlowParameters", *a0) ||
        !tvk::resin::lookup(materialdata.flowprops, n, tvk::columns::flowprops::a1, *eqplaststrain, *temp, Method::cubic,
                            "GetFlowParameters", *a1)) {
        *a0 = *a1 = 0.0;
    }
}

void GetModulusFromTable(const double* eqstrain, double* e, const double* temp) {
    tvk::resin::lookup(materialdata.secantprops, materialdata.nsecantdata, tvk::columns::calibration::y, *eqstrain, *temp,
                       Method::cubic, "GetModulusFromTable", *e);
}
