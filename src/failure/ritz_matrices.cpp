// Six-term Ritz matrices of a delaminated region: bending stiffness (kk) and load geometry (kg)
// of the ellipse, the rectangle and the tangent rectangle (basis in sublaminate.h).
//
// Every entry is an exact integral of the basis. The factors 2 of the bending types 3 to 5 come
// from the strain energy U = 1/2 [D11 w,xx^2 + D22 w,yy^2 + 2 (D12 + 2 D66) w,xy^2
// + 4 D16 w,xx w,xy + 4 D26 w,yy w,xy] (the D12 term integrated by parts, which holds for all
// three shapes because w vanishes on the boundary); the load types follow from
// 1/2 [Nx w,x^2 + Ny w,y^2 + 2 Nxy w,x w,y].
//
// The two bending tables of each shape for D11 and D22 are mirror images (xi <-> eta swaps the
// basis functions 2 <-> 3 and 5 <-> 6), as are the Nx and Ny load tables; the tangent-rectangle
// D22 table has (3,3) = 63 and (5,6) = 3 accordingly, so a plate turned by 90 degrees under the
// turned load buckles at the same load.
#include <algorithm>
#include <string>

#include "core/errors.h"
#include "sublaminate.h"

namespace {

// One upper-triangle entry (1-based row and column) of a table, before the table's scale.
struct Entry {
    int i, j;
    double v;
};

// A table: up to nine entries (unused ones have i = 0) and a common scale.
struct Table {
    double scale;
    Entry e[9];
};

constexpr double r(double num, double den) { return num / den; }

// clang-format off
constexpr Table kk_ellipse[5] = {
    {1.0, {{1,1,4}, {1,5,0.5}, {1,6,0.5}, {2,2,2.5}, {3,3,0.5}, {4,4,0.25}, {5,5,r(27,20)}, {5,6,r(1,20)}, {6,6,r(3,20)}}},
    {1.0, {{1,1,4}, {1,5,0.5}, {1,6,0.5}, {2,2,0.5}, {3,3,2.5}, {4,4,0.25}, {5,5,r(3,20)}, {5,6,r(1,20)}, {6,6,r(27,20)}}},
    {1.0, {{1,1,r(8,3)}, {1,5,r(1,3)}, {1,6,r(1,3)}, {2,2,1}, {3,3,1}, {4,4,r(3,10)}, {5,5,r(11,30)}, {5,6,r(1,6)}, {6,6,r(11,30)}}},
    {1.0, {{2,3,2}, {4,5,r(4,5)}, {4,6,r(2,5)}}},
    {1.0, {{2,3,2}, {4,5,r(2,5)}, {4,6,r(4,5)}}},
};
constexpr Table kk_rectangle[5] = {
    {r(16384,1576575), {{1,1,1001}, {1,5,143}, {1,6,91}, {2,2,715}, {3,3,91}, {4,4,65}, {5,5,429}, {5,6,13}, {6,6,21}}},
    {r(16384,1576575), {{1,1,1001}, {1,5,91}, {1,6,143}, {2,2,91}, {3,3,715}, {4,4,65}, {5,5,21}, {5,6,13}, {6,6,429}}},
    {r(65536,1091475), {{1,1,99}, {2,2,33}, {3,3,33}, {4,4,11}, {5,5,9}, {6,6,9}}},
    {r(32768,363825), {{1,4,-33}, {2,3,33}, {4,5,11}, {4,6,3}}},
    {r(32768,363825), {{1,4,-33}, {2,3,33}, {4,5,3}, {4,6,11}}},
};
constexpr Table kk_recttang[5] = {
    {r(64,315), {{1,1,21}, {1,5,21}, {1,6,3}, {2,2,63}, {3,3,3}, {4,4,9}, {5,5,88.2}, {5,6,3}, {6,6,1}}},
    {r(64,315), {{1,1,21}, {1,5,3}, {1,6,21}, {2,2,3}, {3,3,63}, {4,4,9}, {5,5,1}, {5,6,3}, {6,6,88.2}}},
    {r(64,315), {{1,1,35}, {1,5,7}, {1,6,7}, {2,2,21}, {3,3,21}, {4,4,12.6}, {5,5,11}, {5,6,1.4}, {6,6,11}}},
    {r(64,105), {{1,4,-7}, {2,3,7}, {4,5,4.2}, {4,6,1}}},
    {r(64,105), {{1,4,-7}, {2,3,7}, {4,5,1}, {4,6,4.2}}},
};
constexpr Table kg_ellipse[3] = {
    {1.0, {{1,1,r(1,3)}, {1,6,r(1,30)}, {2,2,r(1,10)}, {3,3,r(1,30)}, {4,4,r(1,120)}, {5,5,r(1,40)}, {6,6,r(1,120)}}},
    {1.0, {{1,1,r(1,3)}, {1,5,r(1,30)}, {2,2,r(1,30)}, {3,3,r(1,10)}, {4,4,r(1,120)}, {5,5,r(1,120)}, {6,6,r(1,40)}}},
    {1.0, {{1,4,-r(1,30)}, {2,3,r(1,15)}, {4,5,r(1,120)}, {4,6,r(1,120)}}},
};
constexpr Table kg_rectangle[3] = {
    {r(32768,14189175), {{1,1,429}, {1,6,39}, {2,2,143}, {3,3,39}, {4,4,13}, {5,5,39}, {6,6,9}}},
    {r(32768,14189175), {{1,1,429}, {1,5,39}, {2,2,39}, {3,3,143}, {4,4,13}, {5,5,9}, {6,6,39}}},
    {r(16384,1091475), {{1,4,-11}, {2,3,11}, {4,5,1}, {4,6,1}}},
};
constexpr Table kg_recttang[3] = {
    {r(64,1575), {{1,1,35}, {1,5,7}, {1,6,5}, {2,2,21}, {3,3,5}, {4,4,3}, {5,5,11}, {5,6,1}, {6,6,r(5,3)}}},
    {r(64,1575), {{1,1,35}, {1,5,5}, {1,6,7}, {2,2,5}, {3,3,21}, {4,4,3}, {5,5,r(5,3)}, {5,6,1}, {6,6,11}}},
    {r(64,1575), {{1,4,-7}, {2,3,7}, {4,5,1}, {4,6,1}}},
};
// clang-format on

// Position (0-based) of a bending type in its table, -1 when unknown.
int bending_index(int type) {
    switch (type) {
        case 1: case 11: return 0;
        case 2: case 22: return 1;
        case 3: case 33: return 2;
        case 4: case 16: return 3;
        case 5: case 26: return 4;
        default: return -1;
    }
}

int load_index(int type) {
    switch (type) {
        case 1: case 11: return 0;
        case 2: case 22: return 1;
        case 3: case 33: return 2;
        default: return -1;
    }
}

// m = the symmetric matrix of table t (zero and a report naming `who` when t is null).
void spread(double* m, const Table* t, const char* who) {
    std::fill(m, m + 36, 0.0);
    if (!t) {
        tvk::report(-2, tvk::compose(std::string("Error: Default case in subroutine ") + who,
                                     ". Please check your input parameters."));
        return;
    }
    for (const Entry& e : t->e) {
        if (e.i == 0) break;
        const double v = e.v * t->scale;
        m[(e.i - 1) + 6 * (e.j - 1)] = v;
        m[(e.j - 1) + 6 * (e.i - 1)] = v;
    }
}

const Table* pick(const Table* tables, int index) { return index < 0 ? nullptr : tables + index; }

}  // namespace

void GetKKEllipse(double* kk, const int* kktype) { spread(kk, pick(kk_ellipse, bending_index(*kktype)), "GetKKEllipse"); }
void GetKKRectangle(double* kk, const int* kktype) {
    spread(kk, pick(kk_rectangle, bending_index(*kktype)), "GetKKRectangle");
}
void GetKKRectTang(double* kk, const int* kktype) { spread(kk, pick(kk_recttang, bending_index(*kktype)), "GetKKRectTang"); }
void GetKGEllipse(double* kg, const int* kgtype) { spread(kg, pick(kg_ellipse, load_index(*kgtype)), "GetKGEllipse"); }
void GetKGRectangle(double* kg, const int* kgtype) {
    spread(kg, pick(kg_rectangle, load_index(*kgtype)), "GetKGRectangle");
}
void GetKGRectTang(double* kg, const int* kgtype) { spread(kg, pick(kg_recttang, load_index(*kgtype)), "GetKGRectTang"); }
