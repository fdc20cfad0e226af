// Element frames on the process-wide tables: the mark that the nodal coordinates are local
// follows the coordinate table (a released or re-created table is global again), and a nodal
// patch search called on the tail of a patch leaves the columns before it alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/datahandling.h"
#include "core/modeldata.h"
#include "elements/elementtables.h"
#include "elements/frames.h"
#include "error_record.h"
#include "input/listing.h"

namespace {

namespace fs = std::filesystem;
using namespace tvk;

void read_square() {
    const fs::path p = fs::temp_directory_path() / ("tvk_frames_" + std::to_string(::getpid()) + ".dat");
    std::ofstream(p) << " E L E M E N T   D E F I N I T I O N S\n  1  S8R  1  1 3 9 7 2 6 8 4\n"
                        " N O D E   D E F I N I T I O N S\n"
                        "1 0 0 0\n2 1 0 0\n3 2 0 0\n4 0 1 0\n6 2 1 0\n7 0 2 0\n8 1 2 0\n9 2 2 0\n";
    const std::string s = p.string();
    getabqdatafromfile(s.data(), s.size());
    fs::remove(p);
    const double ref[7] = {0, 1, 0, 0, 0, 1, 0};
    std::copy(ref, ref + 7, elementdata.elemreforientation.at(1, 1));
}

TEST(ElementFrames, LocalMarkFollowsTheCoordinateTable) {
    int istat = 0, lop = 9;
    read_square();
    GetNodeReferenceData(&lop, nullptr);
    EXPECT_EQ(lop, 0);
    EXPECT_TRUE(elements::coords_local());
    EXPECT_DOUBLE_EQ(*nodaldata.nodalcoords.at(1, 1, 1), -1.0);
    // Released and created anew (analysis end and start): global again, converted once more.
    deallocall(&istat);
    EXPECT_FALSE(elements::coords_local());
    read_square();
    EXPECT_FALSE(elements::coords_local());
    GetNodeReferenceData(&lop, nullptr);
    EXPECT_DOUBLE_EQ(*nodaldata.nodalcoords.at(1, 1, 1), -1.0);
    tvktest::clear_errors();
    GetNodeReferenceData(&lop, nullptr);
    EXPECT_EQ(errorhandling.errstat, -1);
    EXPECT_DOUBLE_EQ(*nodaldata.nodalcoords.at(1, 1, 1), -1.0);
    tvktest::clear_errors();
    deallocall(&istat);
}

TEST(ElementFrames, PatchSubSearchKeepsTheColumnsBeforeItsTail) {
    // Two quadrilaterals in a row; a search around element 2 written after 2 used columns.
    const std::vector<int> nodes = {1, 2, 5, 4, 2, 3, 6, 5};
    std::vector<double> coords;
    for (int n : nodes) coords.insert(coords.end(), {double((n - 1) % 3), double((n - 1) / 3), 0.0});
    std::vector<double> patch(3 * 8, -huge);
    std::fill(patch.begin(), patch.begin() + 6, 7.0);
    const int ref = 2, npt = 6, nn = 4, ne = 2, sub = -1;
    GetNodalPatch(patch.data() + 6, coords.data(), nodes.data(), &ref, &npt, &nn, &ne, nullptr, nullptr, nullptr, &sub);
    EXPECT_EQ(patch[0], 7.0);
    EXPECT_EQ(patch[5], 7.0);
    EXPECT_EQ(patch[6], 0.0);  // node 1 of element 1 first
    EXPECT_EQ(patch[6 + 3 * 4], -huge);  // four points, the rest free
}

}  // namespace
