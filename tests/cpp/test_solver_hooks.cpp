#include <gtest/gtest.h>

#include <cstring>

#include "core/modeldata.h"
#include "solver/hooks.h"

TEST(SolverHooks, JobPathIgnoresTrailingBlanksAndNuls) {
    char saved[256];
    std::memcpy(saved, tvk::jobdata.jobfilepath, 256);
    std::memset(tvk::jobdata.jobfilepath, 0, 256);
    std::memcpy(tvk::jobdata.jobfilepath, "/tmp/a b/job", 12);
    EXPECT_EQ(tvk::job_file(".rst"), "/tmp/a b/job.rst");
    std::memset(tvk::jobdata.jobfilepath, ' ', 256);
    std::memcpy(tvk::jobdata.jobfilepath, "/tmp/job", 8);
    tvk::jobdata.jobfilepath[20] = '\0';
    EXPECT_EQ(tvk::job_file(".msg"), "/tmp/job.msg");
    std::memset(tvk::jobdata.jobfilepath, 'x', 256);  // no terminator anywhere
    EXPECT_EQ(tvk::job_file("").size(), 256u);
    std::memcpy(tvk::jobdata.jobfilepath, saved, 256);
}
