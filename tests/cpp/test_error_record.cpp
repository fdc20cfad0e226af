// The error record read through its plain C functions (tvk_error.h), and reports made from many
// threads at once: every thread has its own record, which keeps the first of that thread's
// reports whole, never shows another thread's report and goes with its thread unless viewed; and
// a refused point's report over a warning of the same host call.
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <barrier>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes the program holds (its header ships with clang only).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "core/errors.h"
#include "core/tvk_error.h"
#include "error_record.h"
#include "mechanics/lamina.h"
#include "single_point_driver.h"
#include "solver/umat_lamina.h"

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
// arrays have a length that depends on t.
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

// The calling thread's record holds report_from(t, r) whole: an empty string when it does,
// else what differs.
std::string holds_report(int t, int r) {
    const auto& e = tvk::errorhandling;
    char buf[81], want[80];
    std::snprintf(want, sizeof want, "thread %d round %d", t, r);
    if (tvk_error_message(buf, sizeof buf) == 0 || std::strcmp(buf, want) != 0)
        return std::string("message '") + buf + "', expected '" + want + "'";
    bool whole = tvk_error_level() == -1 - t % 3 && e.errintv.extent(1) == 1 + t % 5 &&
                 e.errintv.data()[0] == r && e.errrealv.extent(1) == 1 + (t * 7) % 4 &&
                 e.errasciim.extent(1) == 3 && e.errasciim.extent(2) == 1 + t % 2;
    for (int i = 1; whole && i < 1 + t % 5; ++i) whole = e.errintv.data()[i] == t;
    for (int i = 0; whole && i < 1 + (t * 7) % 4; ++i) whole = e.errrealv.data()[i] == t + 0.5;
    for (int i = 0; whole && i < 3 * (1 + t % 2); ++i) whole = e.errasciim.data()[i] == 'a' + t % 26;
    return whole ? std::string() : "the record of '" + std::string(want) + "' is not whole";
}

// Runs body(t) in `threads` threads started together, and collects what each returns.
template <class Body>
std::vector<std::string> in_threads(int threads, Body body) {
    std::atomic<int> ready{0};
    std::vector<std::string> out(threads);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([t, threads, &ready, &out, &body] {
            ready.fetch_add(1);
            while (ready.load() < threads) std::this_thread::yield();
            out[t] = body(t);
        });
    for (auto& th : pool) th.join();
    return out;
}

TEST(ErrorRecordThreads, EachThreadKeepsTheFirstOfItsOwnReportsWhole) {
    constexpr int threads = 16, rounds = 50;
    clear_errors();
    report_from(99, 0);  // the main thread's own report, which no other thread may touch
    const auto out = in_threads(threads, [](int t) -> std::string {
        for (int r = 0; r < rounds; ++r) {
            if (tvk_error_level() != 0) return "a report before the thread made one";
            for (int k = 0; k < 5; ++k) report_from(t, r + k);  // later reports are dropped
            if (std::string bad = holds_report(t, r); !bad.empty()) return bad;
            tvk_error_clear();
        }
        return {};
    });
    for (int t = 0; t < threads; ++t) EXPECT_EQ(out[t], "") << "thread " << t;
    EXPECT_EQ(holds_report(99, 0), "");
    clear_errors();
}

TEST(ErrorRecordThreads, ClearingInOneThreadLeavesTheOtherThreadsReports) {
    constexpr int threads = 8, reports = 2000;
    clear_errors();
    std::atomic<bool> stop{false};
    // A thread that clears its record all the time and one that reads its own, empty record,
    // while the others report and check theirs after every report.
    std::thread clearer([&stop] {
        int reset = 0;
        const int lop = 1;
        while (!stop.load()) rsxerr(&reset, &lop), tvk_error_clear();
    });
    std::atomic<int> seen{0};
    std::thread reader([&stop, &seen] {
        while (!stop.load()) seen += tvk_error_level() != 0 || tvk_error_message(nullptr, 0) != 0;
    });
    const auto out = in_threads(threads, [](int t) -> std::string {
        for (int k = 0; k < reports; ++k) {
            report_from(t, k % 7);
            if (std::string bad = holds_report(t, k % 7); !bad.empty()) return bad;
            tvk_error_clear();
        }
        return {};
    });
    stop = true;
    clearer.join();
    reader.join();
    for (int t = 0; t < threads; ++t) EXPECT_EQ(out[t], "") << "thread " << t;
    EXPECT_EQ(seen.load(), 0);
    EXPECT_EQ(tvk_error_level(), 0);
}

// A solver running its material routine in two threads, one thread's points refused (too few
// elastic constants) and the other's valid, each thread reading and clearing the record after
// every call as a forwarding file does. The calls run at the same time; the reads follow in the
// order that exposes a shared record (the valid thread first, then the refused one). Every refusal
// is seen by its own thread, none by the other, and the main thread's record stays empty.
TEST(ErrorRecordThreads, RefusedAndValidMaterialPointsInTwoThreadsEachReadOnlyTheirOwnReports) {
    constexpr int calls = 2000;
    clear_errors();
    const std::vector<double> ply = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
    const std::string refusal = "umat_lamina: unusable number of elastic constants (3, material BAD)";
    std::barrier step(2);
    const auto out = in_threads(2, [&](int t) -> std::string {
        const bool refused = t == 0;
        tvktest::UmatPoint p(umat_lamina, 3, 3, 40, refused ? std::vector<double>(ply.begin(), ply.begin() + 3) : ply,
                             refused ? "BAD" : "PLY");
        const std::vector<double> d = {1e-6, 0, 0, 0, 0, 0};
        std::string wrong;
        for (int k = 0; k < calls; ++k) {
            p.call(d);
            for (const int turn : {1, 0}) {
                step.arrive_and_wait();
                if (t != turn) continue;
                char buf[81];
                const int level = tvk_error_level();
                tvk_error_message(buf, sizeof buf);
                tvk_error_clear();
                if (wrong.empty() && refused && (level != -3 || buf != refusal))
                    wrong = "refusal " + std::to_string(k) + " read as '" + buf + "'";
                if (wrong.empty() && !refused && level != 0)
                    wrong = "valid point " + std::to_string(k) + " read '" + buf + "'";
            }
        }
        return wrong;
    });
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1], "");
    EXPECT_EQ(tvk_error_level(), 0);
}

// The heap the process holds: the sanitizer's count of live allocations, or every arena's.
std::size_t live_heap_bytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

// A record that the Python module has viewed outlives its thread: what it recorded, its table
// blocks included, stays valid memory after the thread ended, and a thread started later begins
// with a fresh record of its own. A record nobody viewed goes with its thread, report and all.
TEST(ErrorRecordThreads, AThreadsRecordLivesOnAfterTheThreadEndsOnlyWhenViewed) {
    tvk::ErrorRecord* viewed = nullptr;
    std::thread([&viewed] {
        report_from(5, 3);
        viewed = &tvk::error_record();
    }).join();
    ASSERT_NE(viewed, nullptr);
    EXPECT_EQ(viewed->errstat, -1 - 5 % 3);
    EXPECT_EQ(std::string(viewed->errstring, 16), "thread 5 round 3");
    EXPECT_EQ(viewed->errintv.data()[0], 3);
    int later = 1;
    std::thread([&later, viewed] { later = &tvk::error_record() == viewed ? 2 : tvk_error_level(); }).join();
    EXPECT_EQ(later, 0);
    EXPECT_NE(&tvk::error_record(), viewed);

    std::thread([] { report_from(6, 1); }).join();  // warm-up: the thread machinery's own blocks
    const std::size_t before = live_heap_bytes();
    std::thread([] { report_from(6, 1); }).join();
    EXPECT_LE(live_heap_bytes(), before);
}

// A solver that starts its worker threads anew on every call: 20,000 threads one after another,
// each with one refused material point, every other one leaving its report uncleared. The heap
// does not grow with them.
TEST(ErrorRecordThreads, ThreadsStartedAnewOnEveryCallLeaveNoRecordsBehind) {
    const std::vector<double> bad = {140e3, 10e3, 10e3};
    const std::vector<double> d = {1e-6, 0, 0, 0, 0, 0};
    auto refused_call = [&](int k) {
        tvktest::UmatPoint p(umat_lamina, 3, 3, 40, bad, "BAD");
        p.call(d);
        if (tvk_error_level() != -3) return false;
        if (k % 2 == 0) tvk_error_clear();
        return true;
    };
    std::atomic<int> wrong{0};
    auto run = [&](int threads) {
        for (int k = 0; k < threads; ++k) std::thread([&, k] { wrong += !refused_call(k); }).join();
    };
    run(200);
    const std::size_t before = live_heap_bytes();
    run(20000);
    const std::size_t after = live_heap_bytes();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LT(after, before + (1u << 20)) << "the heap grew by " << (after - before) << " bytes";
}

// A thread that only reads or clears its record, as a forwarding file does after every call, gets
// none: the live heap is what it was before the reads.
TEST(ErrorRecordThreads, ReadingOrClearingAnEmptyRecordCreatesNone) {
    std::size_t before = 0, after = 0;
    int level = 1;
    std::size_t length = 1;
    std::thread([&] {
        before = live_heap_bytes();
        level = tvk_error_level();
        char buf[81];
        length = tvk_error_message(buf, sizeof buf);
        tvk_error_clear();
        int reset = 0;
        const int lop = 1;
        rsxerr(&reset, &lop);
        after = live_heap_bytes();
    }).join();
    EXPECT_EQ(level, 0);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(after, before) << "the reads took " << (after - before) << " bytes";
}

// A report made while a thread ends, from a thread-local object destroyed after the thread's
// record was released, is dropped: it neither shows in the thread nor leaves a record behind,
// over a few thousand threads.
struct LateReporter {
    std::atomic<int>* seen;
    ~LateReporter() {
        report_from(7, 2);
        *seen += tvk_error_level() != 0;
    }
};

TEST(ErrorRecordThreads, AReportMadeWhileItsThreadEndsIsDropped) {
    std::atomic<int> seen{0};
    auto run = [&seen](int threads) {
        for (int k = 0; k < threads; ++k)
            std::thread([&seen] {
                // constructed before the thread's first record, so destroyed after its release
                thread_local LateReporter late{&seen};
                report_from(3, 1);
            }).join();
    };
    run(200);
    const std::size_t before = live_heap_bytes();
    constexpr int threads = 4000;
    run(threads);
    const std::size_t after = live_heap_bytes();
    EXPECT_EQ(seen.load(), 0);
    EXPECT_LT(after, before + threads * sizeof(tvk::ErrorRecord) / 2)
        << "the heap grew by " << (after - before) << " bytes";
}

// A note or warning of a routine, and the refusal of its point.
void warn(int level = -2) { tvk::report(level, "earlier"); }
void refuse() { tvk::report_refused_point("refused"); }

// A refused point's report takes the place of a note or warning made earlier in the same host
// call (an entry and whatever it calls), so that a host testing `<= -3` sees the refusal; any
// other report keeps the first-report rule.
TEST(ErrorRecordHostCall, ARefusalReplacesOnlyAWarningOfTheSameCall) {
    using tvk::HostCall;
    const struct {
        const char* what;
        void (*body)();
        int level;
        const char* kept;
    } cases[] = {
        {"a warning, then a refusal", [] { HostCall c; warn(); refuse(); }, -3, "refused"},
        {"a note of an inner call", [] { HostCall c; { HostCall inner; warn(-1); } refuse(); }, -3, "refused"},
        {"a warning after a clear in the call",
         [] { warn(); HostCall c; tvk_error_clear(); warn(); refuse(); }, -3, "refused"},
        {"a warning that stood before the call", [] { warn(); HostCall c; refuse(); }, -2, "earlier"},
        {"a warning of an earlier call", [] { { HostCall c; warn(); } HostCall c; refuse(); }, -2, "earlier"},
        {"a warning outside any call", [] { warn(); refuse(); }, -2, "earlier"},
        {"a -3 report of the call", [] { HostCall c; warn(-3); refuse(); }, -3, "earlier"},
        {"a warning and a valid result", [] { HostCall c; warn(); }, -2, "earlier"},
    };
    for (const auto& c : cases) {
        clear_errors();
        c.body();
        EXPECT_EQ(tvktest::errtext(), c.kept) << c.what;
        EXPECT_EQ(tvk_error_level(), c.level) << c.what;
    }
    clear_errors();
}

}  // namespace
