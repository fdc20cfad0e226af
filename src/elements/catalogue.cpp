// Element catalogue: kind codes, node and degree-of-freedom counts of solver type names.
#include "catalogue.h"

#include <algorithm>
#include <climits>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/strings.h"

namespace tvk::elements {

namespace {

bool begins(const TypeName& t, std::string_view prefix) {
    return t.view().substr(0, prefix.size()) == prefix;
}

// Free-format integer read of a piece of the name (str2int); a blank piece is no integer.
bool read_int(std::string_view s, int& v) {
    if (s.empty() || s.find_first_not_of(' ') == std::string_view::npos) return false;
    const char first = s[s.find_first_not_of(' ')];
    if (first == ',' || first == '/') return false;  // a null value reads no integer
    int r = 0;
    if (text::read_integer(s, r) != 0) return false;
    v = r;
    return true;
}

}  // namespace

TypeName::TypeName(std::string_view s) {
    for (std::size_t i = 0; i < 8; ++i) c[i] = i < s.size() ? s[i] : ' ';
}

bool is_shell_type(const TypeName& t) { return t.c[0] == 'S'; }

bool is_solid_type(const TypeName& t) { return t.c[0] == 'C' && !(t.c[1] == 'I' && t.c[2] == 'N'); }

int kind_code(const TypeName& t) {
    if (t.c[0] != 'S' && t.c[0] != 'C') return -1;
    struct Prefix {
        std::string_view text;
        int code;
    };
    // Tested in this order; every prefix the name begins with sets the code, so the last match
    // wins ("S4R5" gives 3, not 1 or 2).
    static constexpr Prefix prefixes[] = {{"S4", 1},  {"S4R", 2}, {"S4R5", 3}, {"S8R", 4},
                                          {"S8R5", 5}, {"S9R5", 6}, {"S3", 7},   {"STRI", 8},
                                          {"SC6", 9},  {"SC8", 10}, {"C3D", 11}};
    int kind = 0;
    for (const Prefix& p : prefixes)
        if (begins(t, p.text)) kind = p.code;
    return kind;
}

bool node_count(const TypeName& t, int& n) {
    const std::string_view s = t.view();
    if (is_shell_type(t)) {
        for (std::size_t pos : {1u, 4u, 2u})
            if (read_int(s.substr(pos, 1), n)) return true;
        return false;
    }
    const std::size_t last = s.find_last_not_of(' ');
    if (last == std::string_view::npos || last < 3) return false;
    if (read_int(s.substr(3, last - 2), n)) return true;
    return last >= 4 && read_int(s.substr(3, last - 3), n);
}

int dof_count(const TypeName& t) {
    const std::size_t last = t.view().find_last_not_of(' ');
    return last != std::string_view::npos && t.c[last] == '5' ? 5 : 6;
}

}  // namespace tvk::elements

using tvk::elements::TypeName;

int getabqelementkind(const char* elemtype, std::size_t lelemtype) {
    return tvk::elements::kind_code(TypeName({elemtype, lelemtype}));
}

void getelementdataextents(const char* elemtype, int* iele, int* inodes, int* idof, std::size_t lelemtype) {
    const TypeName t({elemtype, lelemtype});
    if (!tvk::elements::is_counted_type(t)) return;
    if (iele && *iele == INT_MAX) {
        tvk::report(-3, "Error: element count at its limit in getelementdataextents", *iele);
        return;
    }
    if (iele) ++*iele;
    int n = 0;
    if (inodes && tvk::elements::node_count(t, n)) *inodes = std::max(*inodes, n);
    if (idof) *idof = std::max(*idof, tvk::elements::dof_count(t));
}

void getabqelementconnectivity(const int* connectivity, const int* elemid, const char* elemtype, int* iele,
                               const int* nconnect, std::size_t lelemtype) {
    using namespace tvk;
    auto& ed = elementdata;
    if (!ed.elemlist.present() || !ed.elemkind.present() || !ed.elemnodes.present()) return;
    const TypeName t({elemtype, lelemtype});
    if (!elements::is_counted_type(t)) return;
    // The next position, in 64 bits so that a count at INT_MAX is refused instead of wrapping.
    const long long next = static_cast<long long>(*iele) + 1;
    const int pos = next > INT_MAX ? INT_MAX : static_cast<int>(next), n = std::max(*nconnect, 0);
    if (*iele < 0 || next > INT_MAX || !ed.elemlist.in_bounds(pos) || !ed.elemkind.in_bounds(pos) ||
        !ed.elemnodes.in_bounds(1, pos) || n > ed.elemnodes.extent(1)) {
        report(-2, "Warning: element outside the tables in getabqelementconnectivity.", pos, n);
        return;
    }
    *iele = pos;
    *ed.elemlist.at(pos) = *elemid;
    *ed.elemkind.at(pos) = elements::kind_code(t);
    int* nodes = ed.elemnodes.at(1, pos);
    std::copy(connectivity, connectivity + n, nodes);
}
