// The error record read through its plain C functions (tvk_error.h), and reports made from many
// threads at once: the first report of all threads is kept whole, its message, integers, reals
// and names all from one report, and clearing while others report never corrupts the record.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.h"
#include "core/tvk_error.h"
#include "error_record.h"
#include "mechanics/lamina.h"

namespace {

using tvktest::clear_errors;

TEST(ErrorRecordC, LevelMessageAndClearOfARoutineReport) {
    tvk_error_clear();
    EXPECT_EQ(tvk_error_level(), 0);
    char buf[81];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(tvk_error_message(buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");

    // three elastic constants: GetNyeProperties refuses the count with a level -2 report
    double nye[9];
    const double e[3] = {1, 2, 3};
    const int n = 3;
    GetNyeProperties(nye, e, &n);
    const std::string text = "Unsupported input in GetNyeProperties";
    EXPECT_EQ(tvk_error_level(), -2);
    EXPECT_EQ(tvk_error_message(buf, sizeof buf), text.size());
    EXPECT_EQ(std::string(buf), text);
    // a short buffer gets the cut, terminated text and the full length; none gets nothing
    char small[8];
    EXPECT_EQ(tvk_error_message(small, sizeof small), text.size());
    EXPECT_STREQ(small, "Unsuppo");
    EXPECT_EQ(tvk_error_message(nullptr, 0), text.size());
    EXPECT_EQ(tvk_error_message(small, 0), text.size());
    EXPECT_STREQ(small, "Unsuppo");
    char one[1] = {'x'};
    EXPECT_EQ(tvk_error_message(one, 1), text.size());
    EXPECT_EQ(one[0], '\0');

    // the first report wins, also for the C reader
    tvk::report(-3, "second report");
    EXPECT_EQ(tvk_error_level(), -2);
    tvk_error_clear();
    EXPECT_EQ(tvk_error_level(), 0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_FALSE(tvk::errorhandling.errintv.present());
    EXPECT_EQ(tvk_error_message(buf, sizeof buf), 0u);  // the text stays in the record, unreported

    // a message of the full 80 characters comes back whole; trailing blanks go
    const std::string full(80, 'M');
    tvk::report(-3, full);
    EXPECT_EQ(tvk_error_message(buf, sizeof buf), 80u);
    EXPECT_EQ(std::string(buf), full);
    tvk_error_clear();
    tvk::report(-1, "note   ");
    EXPECT_EQ(tvk_error_level(), -1);
    EXPECT_EQ(tvk_error_message(buf, sizeof buf), 4u);
    EXPECT_STREQ(buf, "note");
    tvk_error_clear();
}

// One report of thread t in round r: every part of it carries (t, r), and its integer and real
// arrays have a length that depends on t, so that concurrent reports would resize the arrays.
void report_from(int t, int r) {
    char text[80];
    std::snprintf(text, sizeof text, "thread %d round %d", t, r);
    const std::size_t len = std::strlen(text);
    std::vector<int> ints(1 + t % 5, t);
    ints[0] = r;
    std::vector<double> reals(1 + (t * 7) % 4, t + 0.5);
    const int ni = static_cast<int>(ints.size()), nr = static_cast<int>(reals.size());
    std::vector<int> codes(3 * (1 + t % 2), 'a' + t % 26);
    const int rows = 3, cols = 1 + t % 2;
    const int level = -1 - t % 3;
    xerr(&level, text, ints.data(), &ni, reals.data(), &nr, codes.data(), &rows, &cols, nullptr, len);
}

// The record holds one whole report of some thread of round r.
void expect_one_report(int r, int threads) {
    const auto& e = tvk::errorhandling;
    char buf[81];
    ASSERT_GT(tvk_error_message(buf, sizeof buf), 0u);
    int t = -1, rr = -1;
    ASSERT_EQ(std::sscanf(buf, "thread %d round %d", &t, &rr), 2) << buf;
    ASSERT_EQ(rr, r);
    ASSERT_TRUE(t >= 0 && t < threads);
    ASSERT_EQ(tvk_error_level(), -1 - t % 3);
    ASSERT_EQ(e.errintv.extent(1), 1 + t % 5);
    ASSERT_EQ(e.errintv.data()[0], r);
    for (int i = 1; i < 1 + t % 5; ++i) ASSERT_EQ(e.errintv.data()[i], t);
    ASSERT_EQ(e.errrealv.extent(1), 1 + (t * 7) % 4);
    for (int i = 0; i < 1 + (t * 7) % 4; ++i) ASSERT_EQ(e.errrealv.data()[i], t + 0.5);
    ASSERT_EQ(e.errasciim.extent(1), 3);
    ASSERT_EQ(e.errasciim.extent(2), 1 + t % 2);
    for (int i = 0; i < 3 * (1 + t % 2); ++i) ASSERT_EQ(e.errasciim.data()[i], 'a' + t % 26);
}

TEST(ErrorRecordThreads, ConcurrentReportsKeepTheFirstWhole) {
    constexpr int threads = 16, rounds = 200;
    clear_errors();
    for (int r = 0; r < rounds; ++r) {
        std::atomic<int> ready{0};
        std::vector<std::thread> pool;
        for (int t = 0; t < threads; ++t)
            pool.emplace_back([t, r, &ready] {
                ready.fetch_add(1);
                while (ready.load() < threads) std::this_thread::yield();  // start together
                for (int k = 0; k < 5; ++k) report_from(t, r);
            });
        for (auto& th : pool) th.join();
        expect_one_report(r, threads);
        if (HasFatalFailure()) return;
        clear_errors();
    }
}

TEST(ErrorRecordThreads, ClearingWhileOthersReportNeverCorruptsTheRecord) {
    constexpr int threads = 12, reports = 2000;
    clear_errors();
    std::atomic<bool> stop{false};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([t] {
            for (int k = 0; k < reports; ++k) report_from(t, 0);
        });
    // two clearing threads and a reader: the reader sees either no report or one whole report
    std::atomic<int> torn{0};
    std::thread clearer1([&stop] { while (!stop.load()) tvk_error_clear(); });
    std::thread clearer2([&stop] {
        int reset = 0;
        const int lop = 1;
        while (!stop.load()) rsxerr(&reset, &lop);
    });
    std::thread reader([&stop, &torn] {
        char buf[81];
        while (!stop.load()) {
            if (tvk_error_message(buf, sizeof buf) == 0) continue;
            int t = -1, r = -1;
            if (std::sscanf(buf, "thread %d round %d", &t, &r) != 2 || r != 0) torn.fetch_add(1);
        }
    });
    for (auto& th : pool) th.join();
    stop = true;
    clearer1.join();
    clearer2.join();
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    // whatever the interleaving left, a last report after a clear is recorded whole
    clear_errors();
    report_from(3, 7);
    expect_one_report(7, threads);
    clear_errors();
}

}  // namespace
