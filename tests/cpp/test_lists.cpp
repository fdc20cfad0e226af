// Growable lists.
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
    static int append(int id, double v, int uniflag = 0, const int* inc = nullptr) {
        int r = 99;
        fAppendScalar2List(&id, &v, &uniflag, &r, inc, nullptr);
        return r;
    }
};

TEST_F(Lists, AppendFillsGrowsAndKeepsValues) {
    EXPECT_EQ(append(1, 1.5), 1);
    EXPECT_EQ(append(1, 2.5), 1);
    EXPECT_EQ(size(1, 1), 2);
    EXPECT_EQ(tvk::listhandling.dynreallist1.extent(1), 500);
    EXPECT_EQ(append(1, 1.5, 1), 0);
    EXPECT_EQ(size(1, 1), 2);
    for (int k = 3; k <= 501; ++k) ASSERT_EQ(append(1, k), 1);
    const auto& t = tvk::listhandling.dynreallist1;
    EXPECT_EQ(t.extent(1), 1000);
    EXPECT_EQ(size(1, 1), 501);
    EXPECT_EQ(*t.at(1), 1.5);
    EXPECT_EQ(*t.at(500), 500.0);
    EXPECT_EQ(*t.at(501), 501.0);
    EXPECT_EQ(*t.at(502), tvk::huge);
    EXPECT_EQ(size(2, 1), -1);  // the other lists are untouched
}

TEST_F(Lists, StorageTakenBeforeGrowthStaysValid) {
    // What a Python view does: hold a reference to the block, then let the list grow.
    const int inc = 2;
    append(3, 1.0, 0, &inc);
    append(3, 2.0, 0, &inc);
    tvk::Block* old = tvk::listhandling.dynreallist3.blk;
    tvk::block_incref(old);
    append(3, 3.0, 0, &inc);
    EXPECT_NE(tvk::listhandling.dynreallist3.blk, old);
    EXPECT_EQ(tvk::listhandling.dynreallist3.extent(1), 4);
    const double* d = reinterpret_cast<const double*>(old->data);
    EXPECT_EQ(d[0], 1.0);
    EXPECT_EQ(d[1], 2.0);
    tvk::block_decref(old);
}

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

TEST_F(Lists, CopyIsBoundedByTheList) {
    int id = 1, ierr = 99, n = 4;
    std::vector<double> c(4, -5.0);
    fGetCopyOfList(&id, c.data(), &n, &ierr);
    EXPECT_EQ(ierr, -1);
    const int inc = 2;
    append(1, 8.0, 0, &inc);
    fGetCopyOfList(&id, c.data(), &n, &ierr);  // the list has 2 slots: copy 2 only
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(c, (std::vector<double>{8.0, tvk::huge, -5.0, -5.0}));
}

TEST_F(Lists, ComplexListsUseTheMarkerInBothParts) {
    int id = 3, uni = 1, r = 0, type = 2;
    const tvk::cplx a{1, 2}, b{1, 3};
    cAppendScalar2List(&id, &a, &uni, &r, nullptr, nullptr);
    cAppendScalar2List(&id, &b, &uni, &r, nullptr, nullptr);
    EXPECT_EQ(r, 1);  // differs in one part only: a new value
    cAppendScalar2List(&id, &a, &uni, &r, nullptr, nullptr);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(GetSizeOfList(&id, &type, nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(*tvk::listhandling.dyncmplxlist3.at(3), tvk::cmplx_marker);
}

}  // namespace
