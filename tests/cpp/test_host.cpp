// The one way the library ends the process: host hook first, then the text, then exit status;
// from any thread, once, whatever the number of threads that stop together.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/host.h"
#include "core/table.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void hook_writes_a_line() { std::fputs("host output\n", stdout); }

}  // namespace

TEST(HostStopDeathTest, FromAThreadTheHostOutputPrecedesTheText) {
    const std::string path = ::testing::TempDir() + "tvk_host_stop.txt";
    EXPECT_EXIT(
        {
            if (!std::freopen(path.c_str(), "w", stdout)) std::_Exit(98);
            std::fputs("earlier\n", stdout);  // still buffered when the thread stops
            tvk::host::install({.before_stop = hook_writes_a_line});
            std::thread t([] { tvk::host::stop("last words\n", 3); });
            t.join();
            std::_Exit(99);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(read_file(path), "earlier\nhost output\nlast words\n");
    std::remove(path.c_str());
}

TEST(HostStopDeathTest, ThreadsStoppingTogetherEndTheProcessOnce) {
    const std::string path = ::testing::TempDir() + "tvk_host_race.txt";
    EXPECT_EXIT(
        {
            if (!std::freopen(path.c_str(), "w", stdout)) std::_Exit(98);
            std::vector<std::thread> threads;
            for (int k = 1; k <= 8; ++k)
                threads.emplace_back([k] { tvk::host::stop("stopped " + std::to_string(k) + "\n", k); });
            for (auto& t : threads) t.join();
            std::_Exit(99);
        },
        [](int st) { return WIFEXITED(st) && WEXITSTATUS(st) >= 1 && WEXITSTATUS(st) <= 8; }, "");
    const std::string out = read_file(path);
    EXPECT_EQ(out.rfind("stopped ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;  // one text only
    std::remove(path.c_str());
}

TEST(HostStopDeathTest, AllocationFailuresEndWithTheRuntimeMessages) {
    EXPECT_EXIT(tvk::block_new(INT64_MAX, 16), ::testing::ExitedWithCode(1),
                "^Integer overflow when calculating the amount of memory to allocate\n$");
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's allocator reports the failed request itself
    EXPECT_EXIT(tvk::block_new(std::int64_t{1} << 57, 8), ::testing::ExitedWithCode(1),
                "^Error allocating 1152921504606846976 bytes\n$");
#endif
}
