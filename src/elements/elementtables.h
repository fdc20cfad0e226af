// Element and node tables of the solver listing (namespace `elementhandling`): nodal patches
// around an element, data picked at coinciding reference nodes, the element reference data
// gathered during an initialisation step, and the current nodal coordinates of a block of nodes
// spread to every element slot that holds them.
//
// Tables read: elementdata (nelem, elemlist, elemkind, elemnodes, elemindices,
// elemreforientation), nodaldata (nodalcoords), sectiondata (nsectionpoints). The element index is
// the position in elemlist. Node numbers below 1 are empty slots (an element with fewer nodes
// than the table is wide, or a kind whose nodes the listing does not store): they are never
// matched against a node and never contribute a point.
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "core/tvk.h"

namespace tvk::elements {

// Whether nodaldata.nodalcoords already holds element-local coordinates: set when the element
// frames turn them (GetNodeReferenceData), cleared by the listing reader; a released or
// re-created table counts as global again.
bool coords_local();
void mark_coords_local();
void clear_coords_local();

// The node numbers of a block, sorted, for spreading per-node values over the element slots
// in one pass over the slots: entries(n) gives the block positions holding node n in block
// order (duplicates kept).
class NodeBlock {
  public:
    NodeBlock(const int* nodeid, int nblock);
    std::span<const std::pair<int, int>> entries(int node) const;
    bool empty() const { return sorted_.empty(); }

  private:
    std::vector<std::pair<int, int>> sorted_;  // (node number, 0-based block position)
    // For numbers spanning a range of at most a few times their count: the run of number
    // base_ + i in sorted_ is [first_[i], first_[i + 1]). Empty otherwise.
    std::vector<int> first_;
    int base_ = 0;
};

// The elements a routine visits: the first entries of elementdata.elemindices other than -1
// (entries below 1 skipped) when it exists, else 1..nelem. Positions are 1-based.
std::vector<int> visited_elements();

// The nodes of a block whose values a store skipped because they were not finite: how many, and
// the number of the first one met.
struct KeptNodes {
    int count = 0;
    int first = 0;
};

// GetNodalCoordinates; with finite_only, a node with a coordinate it would store that is not
// finite keeps its slots as they came (all its entries of the block), and is counted.
KeptNodes store_nodal_coordinates(const double* coordnp, const int* nodeid, int ncoord, int nblock,
                                  bool finite_only);

}  // namespace tvk::elements

// Coordinates of the nodes around element elemid, written to nodalpatch(3, npt) (free columns
// hold -huge): the nodes of every element sharing a node with it (the element itself only with
// exflag 1), to the depth ntree; a point within `tolerance` of one already stored in the same
// search is not stored again. A patch too small for the points records the level -2 warning
// "Warning: nodal patch full in GetNodalPatch." and keeps the points that fit.
TVK_API void GetNodalPatch(double* nodalpatch, const double* nodalcoords, const int* elemnodes,
                           const int* elemid, const int* npt, const int* nnodes, const int* nelem,
                           const double* tolerance, const int* exflag, const int* ntree,
                           const int* recursion);
// patchdata(ndata, npt): for each patch point the data of the last reference node (element by
// element, node by node) within `tolerance` of it; zero when none coincides.
TVK_API void GetDataFromPatch(double* patchdata, const double* refdata, const double* patchcoords,
                              const double* refcoords, const int* ndata, const int* npt,
                              const int* ndim, const int* nnodes, const int* nelem,
                              const double* tolerance);
// Turns the records of lists `ind` (element numbers, 7-value orientation records, pairs of
// element number and section point) into elemindices, elemreforientation and nsectionpoints, and
// releases the lists. nshell: the number of shell elements when elemindices was created here;
// ierror -1 when a list is missing.
TVK_API void GetElementReferenceData(int* nshell, int* ierror, const int* ind);
// nodalcoords(1:ncoord, m, e) = coordnp(1:ncoord, k) for every slot m of every visited element e
// that holds node nodeid(k); ncoord is at most 3 (larger values are taken as 3).
TVK_API void GetNodalCoordinates(const double* coordnp, const int* nodeid, const int* ncoord,
                                 const int* nblock);
