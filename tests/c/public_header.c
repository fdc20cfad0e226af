/* A C host of the solver entry points, through the public header alone: compiled as strict C99
 * (and once more as C++), linked against the shared library. Each routine is called with every
 * argument of its prototype, as a solver-side forwarding file calls it, and its result is checked
 * against a closed form, so an argument passed in the wrong place shows. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "tolvek.h"

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

static int close_to(double a, double b, double tol) { return fabs(a - b) <= tol; }

static void blank(char* text, size_t n, const char* value) {
    memset(text, ' ', n);
    memcpy(text, value, strlen(value));
}

/* A transversely isotropic ply (2-3 plane) in Nye order: E1, E2, E3, nu12, nu13, nu23, G12, G13,
 * G23, and the 11 and 12 entries of its stiffness by the closed form of the orthotropic
 * compliance inverse with E2 = E3 and nu13 = nu12. */
static const double ply[9] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.448275862068966e3};

static void ply_c11_c12(double* c11, double* c12) {
    const double e1 = ply[0], e2 = ply[1], nu12 = ply[3], nu23 = ply[5], nu21 = nu12 * e2 / e1;
    const double d = (1.0 - 2.0 * nu12 * nu21 - nu23 * nu23 - 2.0 * nu12 * nu21 * nu23) / (e1 * e2 * e2);
    *c11 = (1.0 - nu23 * nu23) / (e2 * e2 * d);
    *c12 = (nu21 + nu21 * nu23) / (e2 * e2 * d);
}

/* The arguments of one UMAT point, six components, uniaxial strain increment de11. */
struct umat_point {
    double stress[6], statev[40], ddsdde[36], sse, spd, scd, rpl, ddsddt[6], drplde[6], drpldt;
    double stran[6], dstran[6], time[2], dtime, temp, dtemp, predef[1], dpred[1], props[9];
    double coords[3], drot[9], pnewdt, celent, dfgrd0[9], dfgrd1[9];
    int ndi, nshr, ntens, nstatv, nprops, noel, npt, kslay, kspt, jstep[4], kinc;
    char materl[80];
};

static void umat_point_init(struct umat_point* p, double de11) {
    int i;
    memset(p, 0, sizeof *p);
    for (i = 0; i < 3; ++i) p->drot[4 * i] = p->dfgrd0[4 * i] = p->dfgrd1[4 * i] = 1.0;
    for (i = 0; i < 9; ++i) p->props[i] = ply[i];
    p->dstran[0] = de11;
    p->dtime = p->pnewdt = p->celent = 1.0;
    p->ndi = 3, p->nshr = 3, p->ntens = 6, p->nstatv = 40, p->nprops = 9;
    p->noel = p->npt = p->kslay = p->kspt = p->kinc = 1;
    p->jstep[0] = p->jstep[1] = 1;
    blank(p->materl, sizeof p->materl, "PLY");
}

static void material_points(void) {
    struct umat_point p;
    double c11, c12, s0;
    ply_c11_c12(&c11, &c12);

    /* The elastic ply: stress = C dstran, energy 1/2 s e, the stress kept in the state. */
    umat_point_init(&p, 1e-3);
    umat_lamina(p.stress, p.statev, p.ddsdde, &p.sse, &p.spd, &p.scd, &p.rpl, p.ddsddt, p.drplde, &p.drpldt, p.stran,
                p.dstran, p.time, &p.dtime, &p.temp, &p.dtemp, p.predef, p.dpred, p.materl, &p.ndi, &p.nshr,
                &p.ntens, &p.nstatv, p.props, &p.nprops, p.coords, p.drot, &p.pnewdt, &p.celent, p.dfgrd0, p.dfgrd1,
                &p.noel, &p.npt, &p.kslay, &p.kspt, p.jstep, &p.kinc, sizeof p.materl);
    check(close_to(p.ddsdde[0], c11, 1e-9 * c11) && close_to(p.ddsdde[1], c12, 1e-9 * c11), "umat_lamina tangent");
    check(close_to(p.stress[0], c11 * 1e-3, 1e-9 * c11) && close_to(p.stress[1], c12 * 1e-3, 1e-9 * c11),
          "umat_lamina stress");
    check(close_to(p.sse, 0.5 * p.stress[0] * 1e-3, 1e-12), "umat_lamina strain energy");
    check(p.statev[0] == p.stress[0] && p.pnewdt == 1.0, "umat_lamina state and increment");

    /* The porous material takes no step record: kinc follows kspt. Incremental Hooke's law from
     * the incoming stress; a porous point (state variable 1 exactly 1) keeps a thousandth of the
     * stiffness, the single-precision 0.001. */
    umat_point_init(&p, 1e-3);
    s0 = 7.0;
    p.stress[0] = s0;
    umat_porosity(p.stress, p.statev, p.ddsdde, &p.sse, &p.spd, &p.scd, &p.rpl, p.ddsddt, p.drplde, &p.drpldt,
                  p.stran, p.dstran, p.time, &p.dtime, &p.temp, &p.dtemp, p.predef, p.dpred, p.materl, &p.ndi,
                  &p.nshr, &p.ntens, &p.nstatv, p.props, &p.nprops, p.coords, p.drot, &p.pnewdt, &p.celent,
                  p.dfgrd0, p.dfgrd1, &p.noel, &p.npt, &p.kslay, &p.kspt, &p.kinc, sizeof p.materl);
    check(close_to(p.ddsdde[0], c11, 1e-9 * c11), "umat_porosity tangent");
    check(close_to(p.stress[0], s0 + c11 * 1e-3, 1e-9 * c11) && close_to(p.stress[1], c12 * 1e-3, 1e-9 * c11),
          "umat_porosity stress");
    check(p.sse == 0.0 && p.statev[0] == 0.0, "umat_porosity energy and state");

    umat_point_init(&p, 1e-3);
    p.statev[0] = 1.0;
    umat_porosity(p.stress, p.statev, p.ddsdde, &p.sse, &p.spd, &p.scd, &p.rpl, p.ddsddt, p.drplde, &p.drpldt,
                  p.stran, p.dstran, p.time, &p.dtime, &p.temp, &p.dtemp, p.predef, p.dpred, p.materl, &p.ndi,
                  &p.nshr, &p.ntens, &p.nstatv, p.props, &p.nprops, p.coords, p.drot, &p.pnewdt, &p.celent,
                  p.dfgrd0, p.dfgrd1, &p.noel, &p.npt, &p.kslay, &p.kspt, &p.kinc, sizeof p.materl);
    check(close_to(p.ddsdde[0], (double)0.001f * c11, 1e-9 * c11) && p.statev[0] == 1.0, "umat_porosity pore");
}

/* Two points of an explicit block, column-major (nblock, component): point 1 sheared in 12,
 * point 2 in 23 (cyclic order). The initial call answers twice the shear modulus times the tensor
 * shear strain. */
static void explicit_block(void) {
    enum { nb = 2, nsv = 82, np = 39 };
    double props[np], coordmp[nb * 3], charlength[nb * 3], density[nb], straininc[nb * 6], relspininc[nb * 3];
    double tempold[nb], stretchold[nb * 6], defgradold[nb * 9], fieldold[nb], stressold[nb * 6];
    double stateold[nb * nsv], enerinternold[nb], enerinelasold[nb], tempnew[nb], stretchnew[nb * 6];
    double defgradnew[nb * 9], fieldnew[nb], stressnew[nb * 6], statenew[nb * nsv], enerinternnew[nb];
    double enerinelasnew[nb], steptime = 0.0, totaltime = 0.0, dt = 1e-6;
    const int nblock = nb, ndir = 3, nshr = 3, nstatev = nsv, nfieldv = 1, nprops = np, lanneal = 0;
    const double ply_props[21] = {1e5, 8000, 8000, 4000, 4000, 3000, 0.3, 0.3, 0.4, 1000, 50,
                                  50,  -800, 150,  150,  60,   60,   40,   9e4, 9000, 0};
    char cmname[80];
    int k, c;
    memset(props, 0, sizeof props);
    memcpy(props, ply_props, sizeof ply_props);
    props[24] = 100, props[25] = 80, props[26] = 0.3, props[27] = 1.0, props[28] = 0.3;
    props[32] = 1; /* strain-based initiation, no criterion set, stiffness degradation */
    props[37] = 1;
    memset(coordmp, 0, sizeof coordmp);
    for (k = 0; k < nb * 3; ++k) charlength[k] = 1.0;
    for (k = 0; k < nb; ++k) density[k] = 1.0, tempold[k] = tempnew[k] = fieldold[k] = fieldnew[k] = 0.0;
    memset(straininc, 0, sizeof straininc);
    memset(relspininc, 0, sizeof relspininc);
    memset(stretchold, 0, sizeof stretchold);
    memset(stretchnew, 0, sizeof stretchnew);
    memset(defgradold, 0, sizeof defgradold);
    memset(defgradnew, 0, sizeof defgradnew);
    memset(stressold, 0, sizeof stressold);
    memset(stateold, 0, sizeof stateold);
    memset(enerinternold, 0, sizeof enerinternold);
    memset(enerinelasold, 0, sizeof enerinelasold);
    for (k = 0; k < nb; ++k) stateold[k + nb * 18] = 1.0; /* element status: active */
    straininc[0 + nb * 3] = 1e-4;
    straininc[1 + nb * 4] = 1e-4;
    blank(cmname, sizeof cmname, "PLY");
    vumat_cartesian(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt, cmname,
                    coordmp, charlength, props, density, straininc, relspininc, tempold, stretchold, defgradold,
                    fieldold, stressold, stateold, enerinternold, enerinelasold, tempnew, stretchnew, defgradnew,
                    fieldnew, stressnew, statenew, enerinternnew, enerinelasnew, sizeof cmname);
    for (k = 0; k < nb; ++k)
        for (c = 0; c < 6; ++c) {
            const double want = k == 0 && c == 3 ? 2 * 4000 * 1e-4 : k == 1 && c == 4 ? 2 * 3000 * 1e-4 : 0.0;
            check(close_to(stressnew[k + nb * c], want, 1e-12), "vumat_cartesian shear stress of the block");
        }
}

/* A static bar along x, length 2: K = EA/L [[1, -1], [-1, 1]] on the axial freedoms, RHS = -K u,
 * strain energy 1/2 F dl. */
static void user_element(void) {
    double rhs[6] = {0}, amatrx[36] = {0}, svars[12] = {0}, energy[8] = {0}, props[3] = {210e3, 7.8e-9, 12.5};
    const double coords[6] = {0, 0, 0, 2, 0, 0}, u[6] = {0, 0, 0, 1e-3, 0, 0};
    double du[6] = {0}, v[6] = {0}, a[6] = {0}, time[2] = {0, 0}, dtime = 1.0, params[3] = {0}, adlmag[1] = {0};
    double predef[4] = {0}, ddlmag[1] = {0}, pnewdt = 1.0, period = 1.0;
    const int ndofel = 6, nrhs = 1, nsvars = 12, nprops = 3, mcrd = 3, nnode = 2, jtype = 1, kstep = 1, kinc = 1;
    const int jelem = 1, ndload = 0, npredf = 1, mlvarx = 6, mdload = 1, njprop = 1;
    const int jdltyp[1] = {0}, lflags[5] = {1, 1, 1, 0, 0}, jprops[1] = {0};
    const double ea_l = 210e3 * 12.5 / 2.0, f = ea_l * 1e-3;
    int i;
    uel_truss(rhs, amatrx, svars, energy, &ndofel, &nrhs, &nsvars, props, &nprops, coords, &mcrd, &nnode, u, du, v, a,
              &jtype, time, &dtime, &kstep, &kinc, &jelem, params, &ndload, jdltyp, adlmag, predef, &npredf, lflags,
              &mlvarx, ddlmag, &mdload, &pnewdt, jprops, &njprop, &period);
    check(close_to(amatrx[0], ea_l, 1e-9 * ea_l) && close_to(amatrx[0 + 6 * 3], -ea_l, 1e-9 * ea_l) &&
              close_to(amatrx[3 + 6 * 3], ea_l, 1e-9 * ea_l) && amatrx[1 + 6 * 1] == 0.0,
          "uel_truss stiffness");
    for (i = 0; i < 6; ++i) {
        const double want = i == 0 ? f : i == 3 ? -f : 0.0;
        check(close_to(rhs[i], want, 1e-9 * f), "uel_truss residual");
    }
    check(close_to(energy[1], 0.5 * f * 1e-3, 1e-12), "uel_truss strain energy");
}

/* The user-field hook locates the point's ply and section on its first call (state variables 21
 * and 22 of the last forty; 1 and 1 without model tables) and leaves the increment alone. */
static void field_hook(void) {
    double field[7] = {0}, statev[40] = {0}, pnewdt = 1.0, tdirect[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double t[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, celent = 1.0, time[2] = {0, 0}, dtime = 1.0, coord[3] = {0, 0, 0};
    const int nfield = 7, nstatv = 40, noel = 1, npt = 1, layer = 1, kspt = 1, kstep = 1, kinc = 1, ndi = 3;
    const int nshr = 3, jmac = 0, jmatyp = 0, matlayo = 0, laccfla = 0;
    char cmname[80], orname[80];
    blank(cmname, sizeof cmname, "PLY");
    blank(orname, sizeof orname, "");
    usdfld_dmg(field, statev, &pnewdt, tdirect, t, &celent, time, &dtime, cmname, orname, &nfield, &nstatv, &noel,
               &npt, &layer, &kspt, &kstep, &kinc, &ndi, &nshr, coord, &jmac, &jmatyp, &matlayo, &laccfla, NULL,
               sizeof cmname, sizeof orname);
    check(statev[20] == 1.0 && statev[21] == 1.0, "usdfld_dmg locates ply and section");
    check(pnewdt == 1.0, "usdfld_dmg leaves pnewdt");
    /* Without model tables the element orientation cannot be looked up: a warning, the result
     * usable. */
    check(tvk_error_level() == -2, "usdfld_dmg warns without model tables");
    tvk_error_clear();
}

/* Analysis start without an input deck: a level -3 report, and the run goes on. The release at
 * analysis end leaves the record alone. */
static void analysis_control(void) {
    const char* expected = "Cannot process any input file. Execution stops. Please check paths and your inpu";
    const int start = 0, release = 3, lrestart = 0, kstep = 0, kinc = 0;
    const double time[2] = {0, 0}, dtime = 0.0;
    char text[81];
    tvk_error_clear();
    UEXTERNALDB_IOControl(&start, &lrestart, time, &dtime, &kstep, &kinc, NULL);
    check(tvk_error_level() == -3, "UEXTERNALDB_IOControl refuses a start without a deck");
    tvk_error_message(text, sizeof text);
    check(strcmp(text, expected) == 0, "UEXTERNALDB_IOControl message");
    UEXTERNALDB_IOControl(&release, &lrestart, time, &dtime, &kstep, &kinc, NULL);
    check(tvk_error_level() == -3, "the release keeps the report");
    tvk_error_clear();
}

int main(void) {
    tvk_error_clear();
    material_points();
    explicit_block();
    user_element();
    check(tvk_error_level() == 0, "no report from the routines");
    field_hook();
    analysis_control();
    if (failures == 0) printf("public header: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
