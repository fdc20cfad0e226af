// The data listing reader on units: a listing already connected to a unit is read from it and
// left open; units the reader opens are closed on every path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/datahandling.h"
#include "core/modeldata.h"
#include "core/units.h"
#include "input/iohandling.h"
#include "input/listing.h"

namespace {

namespace fs = std::filesystem;
using namespace tvk;

struct ListingFile {
    fs::path path;
    explicit ListingFile(const std::string& text) {
        path = fs::temp_directory_path() /
               ("tvk_listing_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat");
        std::ofstream(path, std::ios::binary) << text;
        int istat = 0;
        deallocall(&istat);
    }
    ~ListingFile() {
        fs::remove(path);
        int istat = 0;
        deallocall(&istat);
    }
    void read() const {
        const std::string p = path.string();
        getabqdatafromfile(p.data(), p.size());
    }
};

const char* const two_tables =
    " E L E M E N T   D E F I N I T I O N S\n"
    "  1  S4R   1   1 2 3 4\n"
    "  2  S4R   1   2 5 6 3\n"
    " N O D E   D E F I N I T I O N S\n"
    "  1  0 0 0\n  2  1 0 0\n  3  1 1 0\n  4  0 1 0\n  5  2 0 0\n  6  2 1 0\n";

TEST(Listing, ConnectedUnitIsReadFromItsPositionAndLeftOpen) {
    // A first table of one element, then the full listing: counting starts where the unit
    // stands, so only the second table's elements are counted.
    const ListingFile f(std::string(" E L E M E N T   D E F I N I T I O N S\n  9  S4R  1  1 2 3 4\n\n") + two_tables);
    const int unit = io::free_unit(1, io::max_unit);
    ASSERT_EQ(io::open_read(unit, f.path.string()), io::ok);
    std::string_view rec;
    for (int k = 0; k < 3; ++k) io::read_record(unit, rec);
    f.read();
    EXPECT_EQ(elementdata.nelem, 2);
    // The later passes read from the start: the first two element lines of the file.
    EXPECT_EQ(*elementdata.elemlist.at(1), 9);
    EXPECT_EQ(*elementdata.elemlist.at(2), 1);
    EXPECT_EQ(*nodaldata.nodalcoords.at(1, 2, 2), 1.0);  // node 2 of element 1
    EXPECT_TRUE(io::is_connected(unit));
    EXPECT_EQ(io::close_unit(unit), io::ok);
}

TEST(Listing, OwnUnitIsClosedAlsoWithoutElements) {
    const ListingFile f(" E L E M E N T   D E F I N I T I O N S\n  1  B31  1  1 2\n");
    f.read();
    EXPECT_FALSE(elementdata.elemlist.present());
    EXPECT_EQ(io::free_unit(1, io::max_unit), 1);
    const ListingFile g(two_tables);
    g.read();
    EXPECT_EQ(elementdata.nelem, 2);
    EXPECT_EQ(io::free_unit(1, io::max_unit), 1);
}

TEST(Listing, NoFreeUnitChangesNothing) {
    const ListingFile f(two_tables);
    int taken[121] = {};
    for (int u = 1; u <= io::max_unit; ++u)
        if (!io::is_connected(u) && io::open_read(u, f.path.string()) == io::ok) taken[u] = 1;
    // Every unit holds the listing now: the reader uses the first of them, from its start.
    f.read();
    EXPECT_EQ(elementdata.nelem, 2);
    for (int u = 1; u <= io::max_unit; ++u)
        if (taken[u]) io::close_unit(u);
}

}  // namespace
