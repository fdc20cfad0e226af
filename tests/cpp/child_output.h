// Test helper: runs a piece of code in a child process (a GoogleTest death test) with standard
// output sent to a file, checks the child's exit status and returns what it printed. For the
// routines whose specified behaviour is to print a report and end the process.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace tvk::test {

// Expects fn to end the child with `status` (fn returning normally ends it with 0).
inline std::string child_output(const std::function<void()>& fn, int status) {
    char path[] = "/tmp/tvk_child_XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    EXPECT_EXIT(
        {
            if (!std::freopen(path, "w", stdout)) std::_Exit(98);
            fn();
            std::fflush(stdout);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(status), "");
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    unlink(path);
    return ss.str();
}

}  // namespace tvk::test
