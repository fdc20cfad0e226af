// The section report of the box-beam calculator (German, fixed columns, first character of a line
// a carriage-control character) and its extended trace of intermediate values.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "calc.h"
#include "core/units.h"

namespace tvk::boxbeam {

using io::Format;
using io::FmtItem;

namespace {

// A path field without its padding (blanks or NULs); text after a NUL is padding too.
std::string path_text(const char* field, std::size_t size) {
    std::string s(field, strnlen(field, size));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

const Format f_trace_real("(1X,A,4(1X,1PE24.16E3))");
const Format f_trace_int("(1X,A,1X,I0)");

// Input.
const Format f_boom_head("(///,' ','GURTPARAMETER',/,' ','=============',//,' ','NR',9X,'YI ',9X,'ZI ',9X,'BI ',9X,'MYI')");
const Format f_boom("(I3,2F12.3,2E12.3)");
const Format f_wall_head(
    "(///,' ','WANDPARAMETER',/,' ','=============',//,' ','NR',5X,'IG1',5X,'IG2',5X,'TYPE',4X,'MAT',"
    "9X,'YK1',9X,'ZK1',9X,'YK2',9X,'ZK2',9X,'BK ',9X,'GK ',9X,'RHO')");
const Format f_wall("(I3,4I8,4F12.3,3E12.3)");
const Format f_cell_head(
    "(///,' ','ZELLENPARAMETER',/,' ','===============',//,' ','NR',5X,'IG1',5X,'IG2',5X,'IG3',5X,'IG4')");
const Format f_cell("(I3,4I8)");
const Format f_loads(
    "(//,5X,'KRAEFTE UND MOMENTE BEZOGEN AUF QUERSCHNITTSKO','ORDINATEN:',/,"
    "3X,'QX = ',D16.9,5X,'QY = ',D16.9,5X,'QZ = ',D16.9,/,"
    "3X,'MX = ',D16.9,5X,'MY = ',D16.9,5X,'MZ = ',D16.9,///)");
const Format f_title(
    "('+',T21,'Q U E R S C H N I T T S G R O E S S E N',/,T21,'---------------------------------------',//)");

// Properties.
const Format f_centres(
    "('0',T21,'DEHNSTEIFIGKEIT DES TRAEGERS = ',D16.9,2X,'(K)',/,"
    "T8,'GESAMTMASSE PRO EINHEIT DER TRAEGERLAENGE = ',D16.9,2X,'(M/L)',//,"
    "T3,'KOORDINATEN DES STEIFIGKEITSMITTEL','PUNKTS:   YS = ',D16.9,2X,'(L)',/,"
    "T47,'ZS = ',D16.9,2X,'(L)',//,"
    "T15,'KOORDINATEN DES SCHWERPUNKTS:   YT = ',D16.9,2X,'(L)',/,"
    "T47,'ZT = ',D16.9,2X,'(L)',///)");
const Format f_bending(
    "(T14,'STEIFIGKEITSMOMENTE 2.GRADES:   DYY = ',D16.9,2X,'(K * L**2)',/,"
    "T46,'DZY = ',D16.9,2X,'(K * L**2)',/,T46,'DZZ = ',D16.9,2X,'(K * L**2)',//)");
const Format f_bending_ref(
    "(T14,'STEIFIGKEITSMOM (BEZUGSSYSTEM): DYY = ',D16.9,2X,'(K * L**2)',/,"
    "T46,'DZY = ',D16.9,2X,'(K * L**2)',/,T46,'DZZ = ',D16.9,2X,'(K * L**2)',//)");
const Format f_mass_centre(
    "(/,T11,'MASSENTRAEGHEITSMOMENT UM LAENGSACHSE:',5X,'( BEZ. AUF SCHWERPUNKT )',/,"
    "T46,'IT  =',D16.9,2X,'(M*L)',//)");
const Format f_mass_ref(
    "(/,T11,'MASSENTRAEGHEITSMOMENT UM LAENGSACHSE:',5X,'( BEZUGSSYSTEM )',/,"
    "T46,'IT  =',D16.9,2X,'(M*L)',//)");
const Format f_principal(
    "('0',T32,'HAUPTACHSENWINKEL = ',D16.9,2X,'(RADIAN)',3X,'=',F9.2,2X,'(GRAD)',//,"
    "T13,'STEIFIGKEITSMOMENTE 2.GRADES:   DYY* = ',D16.9,2X,'(K * L**2)',/,"
    "T45,'DZZ* = ',D16.9,2X,'(K * L**2)',///)");

// Normal forces.
const Format f_boom_force_head("('0',' GURT',T10,'LAENGSKRAFT (K)',T38,'DEHNUNG',/,T15,'N(I)',T39,'EPS(I)',/)");
const Format f_boom_force("(' ',I4,3X,D16.9,8X,D16.9)");
const Format f_normal_head(
    "(///,'  WAND',T14,'L A E N G S K R A F T F L U E S S E    ','(K/L)',"
    "T81,'D   E   H   N   U   N   G   E   N',/,"
    "T17,'NK(0)',T33,'NK(LK/2)',T54,'NK(LK)',T77,'EPSK(0)',T94,'EPSK(LK/2)',T114,'EPSK(LK)',/)");
const Format f_wall_values("(' ',I4,3(3X,D16.9),5X,3(3X,D16.9))");
const Format f_moments_head("('0',T5,'WAND',T16,'SSTYK',T34,'SSTZK',T52,'DSIYK',T70,'DSIZK',/)");
const Format f_moments("(' ',I6,4D18.9)");

// Failures.
const Format f_topology(
    "('0','   F E H L E R M E L D U N G:',//,5X,'IN ZELLE',I4,'  WURDE DIE WAND ZWISCHEN DEN GURTEN',I4,"
    "'  UND',I4,'  NICHT DEFINIERT !!')");
const Format f_refused("('0','   F E H L E R M E L D U N G:',//,5X,A)");
const Format f_solver("(' ','ABBRUCH DER REDUKTION IN SCHRITT',I3,'. PIVOT','ELEMENT IST ZU KLEIN')");

// Equation systems.
const Format f_system_head(
    "(///,5X,'KONTROLLAUSDRUCK GLEICHUNGSSYSTEM:',//,5X,'ANZAHL DER GLEICHUNGEN =',I4,/,"
    "9X,'ANZAHL DER SPALTEN =',I4,///,"
    "5X,'KOEFFIZIENTENMATRIX ( + LETZTE SPALTE = NEGATIVE ','RECHTE SEITE):',/)");
const Format f_system_row("(10D13.5)");
const Format f_solution("(///,5X,'LOESUNGEN DES GLEICHUNGSSYSTEMS:',/,(10D13.5))");
const Format f_residuals(
    "('0','FEHLERVEKTOR, LIEFERT HINWEISE UEBER DIE GENAUIG','KEIT DER LOESUNG DES STATISCH UNBESTIMMTEN "
    "PROBLEMS',//,(' ',D16.9))");

// Shear and torsion.
const Format f_centre_head("(///,T54,'BEZOGEN AUF',T91,'BEZOGEN AUF',/,T48,'STEIFIGKEITSMITTELPUNKT',T93,'BEZUGSSYSTEM')");
const Format f_centre(
    "(/,T9,'KOORDINATEN DES SCHUBMITTELPUNKTS:   YM* = ',D16.9,2X,'(L)',11X,'YM = ',D16.9,2X,'(L)',/,"
    "T46,'ZM* = ',D16.9,2X,'(L)',11X,'ZM = ',D16.9,2X,'(L)',//)");
const Format f_open(
    "('0','DRILLWINKEL KANN NICHT BERECHNET WERDEN, DA OFFENES',' PROFIL ','\"KEINE\"',"
    "' DRILLSTEIFIGKEIT BESITZT.')");
const Format f_shear_head(
    "(///,'  WAND',T14,'S  C  H  U  B  F  L  U  E  S  S  E    ','(K/L)',"
    "T81,'S C H U B V E R Z E R R U N G E N',/,"
    "T17,'TK(0)',T33,'TK(LK/2)',T54,'TK(LK)',T77,'GAMK(0)',T94,'GAMK(LK/2)',T114,'GAMK(LK)',/)");
const Format f_twist("(///,'0',T21,'SPEZIFISCHE VERDREHUNG THETA = ',D16.9,2X,'(1/L)')");
const Format f_mass_shear(
    "(//,T19,'MASSENTRAEGHEITSMOMENTE:',5X,'( BEZOGEN AUF EIN ','ZU DEN HAUPTACHSEN',/,"
    "T50,'PARALLELES SYSTEM IM SCHUB','MITTELPUNKT )',//,"
    "T46,'IYY =',D16.9,2X,'(M*L)',/,T46,'IZY =',D16.9,2X,'(M*L)',/,T46,'IZZ =',D16.9,2X,'(M*L)',//)");
const Format f_polar(
    "(/,T11,'POLARES MASSENTRAEGHEITSMOMENTE:',5X,'( BEZOGEN AUF DEN SCHWERPUNKT )',//,"
    "T46,'IT  =',D16.9,2X,'(M*L)',//)");
const Format f_torsion("(//,T27,'TORSIONSSTEIFIGKEIT DT =',D16.9,2X,'(K * L**2)')");

// Nodal forces.
const Format f_sums("('1',////,T11,'SPX = ',D16.9,/,T11,'SPY = ',D16.9,/,T11,'SPZ = ',D16.9)");
const Format f_gap("(////)");
const Format f_nodal_head[3] = {
    Format("('0',T6,'AEQUIVALENTE KNOTENKRAEFTE IN  X-RICHTUNG',///,T4,'WAND NR.',T16,'IG1',"
           "T27,'PKNT(I,1,1)',T48,'PKNT(I,2,1)',T69,'PKNT(I,3,1)',T87,'IG2',/)"),
    Format("('0',T6,'AEQUIVALENTE KNOTENKRAEFTE IN  Y-RICHTUNG',///,T4,'WAND NR.',T16,'IG1',"
           "T27,'PKNT(I,1,2)',T48,'PKNT(I,2,2)',T69,'PKNT(I,3,2)',T87,'IG2',/)"),
    Format("('0',T6,'AEQUIVALENTE KNOTENKRAEFTE IN  Z-RICHTUNG',///,T4,'WAND NR.',T16,'IG1',"
           "T27,'PKNT(I,1,3)',T48,'PKNT(I,2,3)',T69,'PKNT(I,3,3)',T87,'IG2',/)")};
const Format f_nodal("(' ',I6,I10,6X,3(D16.9,5X),I2)");

}  // namespace

// ---- files ---------------------------------------------------------------------------------

bool Report::open(Status& st) {
    druck_ = steuer.DRUCK != 0;
    exdru_ = druck_ && steuer.EXDRU != 0;
    failure_.clear();
    const long long klog = steuer.KLOG;
    auto connect = [&st](long long unit, const std::string& file, const char* what) {
        const int u = unit >= 0 && unit <= io::max_unit ? static_cast<int>(unit) : -1;
        if (u >= 0 && io::open_append(u, file, true) == io::ok) return u;
        st.code = Status::refused;
        st.message = std::string("BOX-BEAM ") + what + " FILE CANNOT BE OPENED ON UNIT " + std::to_string(unit) +
                     ": " + file;
        return -1;
    };
    if (exdru_) {
        trace_unit_ = connect(10 * klog, path_text(path.VBINFOPATH, sizeof path.VBINFOPATH), "TRACE");
        if (trace_unit_ < 0) return false;
    }
    if (druck_) {
        unit_ = connect(klog, path_text(path.CSINFOPATH, sizeof path.CSINFOPATH), "REPORT");
        if (unit_ < 0) {
            close();
            return false;
        }
    }
    return true;
}

void Report::close() {
    if (unit_ >= 0) io::close_unit(unit_);
    if (trace_unit_ >= 0) io::close_unit(trace_unit_);
    unit_ = trace_unit_ = -1;
}

Report::~Report() { close(); }

void Report::emit(int unit, const Format& f, const FmtItem* items, std::size_t n) {
    if (unit < 0) return;
    std::vector<std::string> recs;
    int s = f.records(items, n, recs) ? io::ok : io::err_format;
    for (std::size_t i = 0; s == io::ok && i < recs.size(); ++i) s = io::write_record(unit, recs[i]);
    if (s != io::ok && failure_.empty())
        failure_ = "BOX-BEAM REPORT WRITE FAILED ON UNIT " + std::to_string(unit) + " (STATUS " + std::to_string(s) + ")";
}

void Report::put(const Format& f, std::initializer_list<FmtItem> items) {
    if (druck_) emit(unit_, f, items.begin(), items.size());
}

void Report::put(const Format& f, const std::vector<FmtItem>& items) {
    if (druck_) emit(unit_, f, items.data(), items.size());
}

void Report::trace(std::string_view label, std::initializer_list<double> values) {
    if (!exdru_) return;
    FmtItem items[5] = {label, 0.0, 0.0, 0.0, 0.0};
    std::size_t n = 1;
    for (double v : values)
        if (n < 5) items[n++] = v;
    emit(trace_unit_, f_trace_real, items, n);
}

void Report::trace(std::string_view label, int value) {
    if (!exdru_) return;
    const FmtItem items[2] = {label, value};
    emit(trace_unit_, f_trace_int, items, 2);
}

// ---- blocks --------------------------------------------------------------------------------

void report_input(Report& r) {
    if (!r.on()) return;
    const auto& g = gurt;
    const auto& w = wand;
    const auto& z = zelle;
    r.put(f_boom_head, {});
    for (int i = 0; i < g.IG; ++i) r.put(f_boom, {i + 1, g.YI[i], g.ZI[i], g.BI[i], g.MYI[i]});
    r.put(f_wall_head, {});
    // the material column shows the wall's own number: walls carry no material number
    for (int k = 0; k < w.KW; ++k)
        r.put(f_wall, {k + 1, w.IG1[k], w.IG2[k], w.IT[k], k + 1, w.YK0[k], w.ZK0[k], w.YKLK[k], w.ZKLK[k], w.BK[k],
                       w.GK[k], w.RHOK[k]});
    r.put(f_cell_head, {});
    for (int c = 0; c < z.AZ; ++c) {
        // the first four boom slots of the cell; 0 for slots beyond the boom capacity
        int slot[4];
        for (int j = 0; j < 4; ++j) slot[j] = j < z.IA_n1 ? z.IA[j + static_cast<std::ptrdiff_t>(c) * z.IA_n1] : 0;
        r.put(f_cell, {c + 1, slot[0], slot[1], slot[2], slot[3]});
    }
    const auto& s = spanug;
    r.put(f_loads, {s.QQX, s.QQY, s.QQZ, s.QMX, s.QMY, s.QMZ});
    r.put(f_title, {});
}

void report_properties(Calc& w) {
    Report& r = w.rep;
    const auto& q = quer;
    if (r.extended()) r.put(f_centres, {q.BX, q.M, q.YS, q.ZS, q.YT, q.ZT});
    r.put(f_bending, {q.DYY, q.DZY, q.DZZ});
    r.put(f_bending_ref, {w.DYYVRT, w.DZYVRT, w.DZZVRT});
    r.put(f_mass_centre, {w.DITT});
    r.put(f_mass_ref, {w.DITTVRT});
}

void report_principal_axes(Calc& w) {
    const auto& q = quer;
    w.rep.put(f_principal, {q.ALPHA, 180 * q.ALPHA / 3.141592654, q.DYYSTE, q.DZZSTE});
}

void report_normal_forces(Calc& w) {
    Report& r = w.rep;
    if (!r.on()) return;
    const auto& k = kraft;
    const auto& e = epigam;
    r.put(f_boom_force_head, {});
    for (int i = 0; i < w.IG; ++i) r.put(f_boom_force, {i + 1, w.GN[i], e.EPIGU[i]});
    r.put(f_normal_head, {});
    const std::ptrdiff_t ld = e.EPI_n1;
    for (int j = 0; j < w.KW; ++j)
        r.put(f_wall_values, {j + 1, k.NX0[j], k.NXL2[j], k.NXL[j], e.EPI[j], e.EPI[j + ld], e.EPI[j + 2 * ld]});
}

void report_first_moments(Calc& w) {
    Report& r = w.rep;
    if (!r.extended()) return;
    r.put(f_moments_head, {});
    for (int k = 0; k < w.KW; ++k) r.put(f_moments, {k + 1, w.SSTYK[k], w.SSTZK[k], w.DSIYK[k], w.DSIZK[k]});
}

void report_failure(Report& r, std::string_view text) { r.put(f_refused, {text}); }

void report_topology(Report& r, int cell, int boom1, int boom2) { r.put(f_topology, {cell, boom1, boom2}); }

void report_solver_failure(Report& r, int ifail) { r.put(f_solver, {ifail}); }

void report_system(Calc& w, int nrows, int ncols) {
    Report& r = w.rep;
    if (!r.extended()) return;
    r.put(f_system_head, {nrows, ncols});
    std::vector<FmtItem> row;
    for (int i = 1; i <= nrows; ++i) {
        row.clear();
        for (int j = 1; j <= ncols; ++j) row.emplace_back(w.c(i, j));
        r.put(f_system_row, row);
    }
}

void report_solution(Calc& w, const double* x, int n) {
    if (!w.rep.extended()) return;
    std::vector<FmtItem> v(x, x + n);
    w.rep.put(f_solution, v);
}

void report_residuals(Calc& w, const double* x, int nrows, int nvar, int rhs) {
    if (!w.rep.extended()) return;
    std::vector<FmtItem> v;
    for (int i = 1; i <= nrows; ++i) v.emplace_back(std::fabs(qvskpx(&w.c(i, 1), x, nvar, w.rows, 1) + w.c(i, rhs)));
    w.rep.put(f_residuals, v);
}

void report_shear_centre(Calc& w) {
    const auto& q = quer;
    w.rep.put(f_centre_head, {});
    w.rep.put(f_centre, {q.YMST, q.YMSTAC, q.ZMST, q.ZMSTAC});
}

void report_open_profile(Report& r) { r.put(f_open, {}); }

void report_shear_flows(Calc& w) {
    Report& r = w.rep;
    if (!r.on()) return;
    const auto& k = kraft;
    const auto& e = epigam;
    r.put(f_shear_head, {});
    const std::ptrdiff_t ld = e.GAM_n1;
    for (int j = 0; j < w.KW; ++j)
        r.put(f_wall_values, {j + 1, k.T0[j], k.TL2[j], k.TL[j], e.GAM[j], e.GAM[j + ld], e.GAM[j + 2 * ld]});
}

void report_twist(Report& r, double theta) { r.put(f_twist, {theta}); }

void report_mass_moments(Report& r) {
    const auto& q = quer;
    r.put(f_mass_shear, {q.IYYS, q.IZYS, q.IZZS});
    r.put(f_polar, {q.ITT});
}

void report_torsion(Report& r) { r.put(f_torsion, {quer.DT}); }

void report_nodal_forces(Calc& w, const std::vector<double>& p, double spx, double spy, double spz) {
    Report& r = w.rep;
    if (!r.on()) return;
    if (r.extended()) r.put(f_sums, {spx, spy, spz});
    const auto& wd = wand;
    for (int dir = 0; dir < 3; ++dir) {
        r.put(f_gap, {});
        r.put(f_nodal_head[dir], {});
        for (int k = 0; k < w.KW; ++k) {
            const double* f = &p[(static_cast<std::size_t>(k) * 3) * 3 + static_cast<std::size_t>(dir) * 3];
            r.put(f_nodal, {k + 1, wd.IG1[k], f[0], f[1], f[2], wd.IG2[k]});
        }
    }
}

}  // namespace tvk::boxbeam
