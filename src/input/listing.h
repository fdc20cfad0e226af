// The solver's printed data listing (namespace `iohandling`): the reader that creates and fills
// the element and node tables from its "E L E M E N T   D E F I N I T I O N S" and
// "N O D E   D E F I N I T I O N S" tables.
//
// Records are read 256 characters wide and taken apart into the first token (up to the first
// blank, leading blanks removed) and the rest (leading blanks removed). An element line is:
// element number, type name (its first 8 characters count, up to a blank), property reference,
// node numbers.
// A node line is: node number, then at least three reals of which the first three are x, y, z.
// A table begins at the first record that holds its heading (any letter case) and ends at the
// first record after a positive number whose first token is no integer (the node table also at
// a node number smaller than the largest read so far); the end of the file ends both.
//
// Only shell types and solid types that are not infinite elements are counted (see
// elements/catalogue.h). The reader releases every existing element and node table first
// (elementdata, nodaldata and sectiondata.nsectionpoints), then creates them for the counted
// elements: nelem, nnodes (largest node count, at least 1), ndof (largest dof count, at least
// 1); elemlist, elemkind, elemnodes (node numbers of kinds 1 to 8, the first nnodes of the line;
// 0 for other kinds), nodalcoords (the coordinates of every node an element refers to, 0 for
// nodes the listing does not give), and zero nodesmotion, frames and curvatures, with
// elemreforientation at -1.0.
//
// A listing that cannot be opened, or that counts no element, changes nothing. A listing that
// is already connected to a unit is read from that unit (from its position for the counting,
// from its start for the rest) and left open; a unit the reader opened is closed on every path.
// Nothing is reported.
#pragma once

#include <cstddef>

#include "core/tvk.h"

TVK_API void getabqdatafromfile(const char* filepath, std::size_t lfilepath);
