// Element catalogue of the solver's type names (namespaces `elementhandling` and `iohandling`):
// the kind code of a type name, the node and degree-of-freedom counts a type name implies, and
// the appending of one element to existing element tables.
//
// A type name is seen in an 8-character field (characters beyond 8 are not seen); every test on
// it is case-sensitive and tests a prefix. Shell types begin with "S"; solid types begin with "C"
// except infinite elements, which have "IN" at characters 2 and 3. Only shell and solid types
// enter the element tables.
//
// Kind codes (the last matching prefix wins): "S4" 1, "S4R" 2, "S4R5" 3, "S8R" 4, "S8R5" 5,
// "S9R5" 6, "S3" 7, "STRI" 8, "SC6" 9, "SC8" 10, "C3D" 11; any other name beginning with "S" or
// "C" (infinite elements included) 0; any other name -1.
//
// Node count of a name: for a shell the digit at character 2, else the digit at character 5,
// else the digit at character 3; for a solid the characters 4 to the last non-blank one read as
// an integer, else 4 to the one before it (C3D8R 8, C3D20R 20). A name in which none of these
// reads as an integer leaves the count unchanged. Degrees of freedom: 5 when the last non-blank
// character is "5", else 6.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/tvk.h"

namespace tvk::elements {

// The 8-character field of a type name: the first 8 characters, blank-padded.
struct TypeName {
    char c[8];
    explicit TypeName(std::string_view s);
    std::string_view view() const { return {c, 8}; }
};

bool is_shell_type(const TypeName& t);
bool is_solid_type(const TypeName& t);  // solid and not infinite
inline bool is_counted_type(const TypeName& t) { return is_shell_type(t) || is_solid_type(t); }
int kind_code(const TypeName& t);
// Node count of the name; false when the rule finds no integer.
bool node_count(const TypeName& t, int& n);
int dof_count(const TypeName& t);

// Kinds that are not shells for the element reference data and the frames: other names, the
// 9-node shell, the 3-node shell, the continuum shells and the solids.
inline constexpr int ext2dkind[6] = {0, 6, 7, 9, 10, 11};

}  // namespace tvk::elements

TVK_API int getabqelementkind(const char* elemtype, std::size_t lelemtype);
// For a shell or solid (not infinite) type: iele + 1, inodes = max(inodes, node count),
// idof = max(idof, dof count); any other name changes nothing. A count iele at INT_MAX cannot
// grow: level -3 report, nothing changed.
TVK_API void getelementdataextents(const char* elemtype, int* iele, int* inodes, int* idof,
                                   std::size_t lelemtype);
// Appends element elemid of type elemtype with the node numbers connectivity(1:nconnect) at
// position iele + 1 of the element tables, when elemlist, elemkind and elemnodes exist and the
// type is a shell or solid (not infinite). A position beyond the tables, or more node numbers
// than elemnodes holds per element, stores nothing and records a level -2 warning.
TVK_API void getabqelementconnectivity(const int* connectivity, const int* elemid, const char* elemtype,
                                       int* iele, const int* nconnect, std::size_t lelemtype);
