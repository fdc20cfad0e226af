// Growable lists: statuses and out-of-range selections (appends, growth, views and copies
// are checked through the binding).
#include <gtest/gtest.h>

#include <vector>

#include "core/lists.h"

namespace {

class Lists : public ::testing::Test {
protected:
    void SetUp() override { release_all(); }
    void TearDown() override { release_all(); }
    static void release_all() {
        tvk::Lists& L = tvk::listhandling;
        for (tvk::TableBase* t : std::initializer_list<tvk::TableBase*>{
                 &L.dynintlist1, &L.dynintlist2, &L.dynintlist3, &L.dynreallist1, &L.dynreallist2,
                 &L.dynreallist3, &L.dyncmplxlist1, &L.dyncmplxlist2, &L.dyncmplxlist3})
            t->release();
    }
    static int size(int id, int type) { return GetSizeOfList(&id, &type, nullptr, nullptr, nullptr); }
};

TEST_F(Lists, AllocateDeallocateAndStatuses) {
    int id = 2, type = 0, le = 3, ierr = 99;
    AllocateList(&id, &type, &le, &ierr, nullptr, nullptr, nullptr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(size(2, 0), 0);
    int v = 7, uni = 0, r = 0;
    for (int k = 0; k < 3; ++k) iAppendScalar2List(&id, &v, &uni, &r, nullptr, nullptr);
    EXPECT_EQ(size(2, 0), 3);  // no marker left: the full length
    int check = 0;
    GetAllocationStatus(&check, &id, &type);
    EXPECT_EQ(check, 1);
    AllocateList(&id, &type, &le, &ierr, nullptr, nullptr, nullptr);
    EXPECT_EQ(ierr, 5014);
    EXPECT_EQ(size(2, 0), 0);  // emptied, size kept
    EXPECT_EQ(tvk::listhandling.dynintlist2.extent(1), 3);
    DeallocateList(&id, &type, &ierr);
    EXPECT_EQ(ierr, 0);
    DeallocateList(&id, &type, &ierr);
    EXPECT_EQ(ierr, 1);
    GetAllocationStatus(&check, &id, &type);
    EXPECT_EQ(check, 0);

    // An out-of-range selection is a list that does not exist and cannot be created.
    int bad = 4;
    DeallocateList(&bad, &type, &ierr);
    EXPECT_EQ(ierr, 1);
    AllocateList(&bad, &type, &le, &ierr, nullptr, nullptr, nullptr);
    EXPECT_EQ(ierr, 5014);
    EXPECT_EQ(size(bad, 0), -1);
    iAppendScalar2List(&bad, &v, &uni, &r, nullptr, nullptr);
    EXPECT_LT(r, 0);
}

}  // namespace
