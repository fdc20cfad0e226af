// The process-wide unit table: connection, record reads, step-back and end-of-file positions.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/format.h"
#include "core/units.h"

namespace {

namespace fs = std::filesystem;
using namespace tvk::io;

// A fresh folder per test, removed afterwards.
struct TempDir {
    fs::path dir;
    TempDir() {
        dir = fs::temp_directory_path() / ("tvk_units_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TempDir() { fs::remove_all(dir); }
    std::string file(const std::string& name, const std::string& text) const {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
};

std::string Next(int unit, int& status) {
    std::string_view r;
    status = read_record(unit, r);
    return std::string(r);
}

TEST(Units, FreeNumbersSkipPreconnectedAndOpenUnits) {
    EXPECT_EQ(free_unit(5, 4), -1);
    EXPECT_EQ(free_unit(5, 6), -1);  // standard input and output
    EXPECT_EQ(free_unit(0, 2), 1);
    EXPECT_EQ(free_unit(-10, 120), 1);
    // Every unit number that is not negative is a unit, above the readers' range as well.
    EXPECT_EQ(free_unit(121, 121), 121);
    EXPECT_EQ(free_unit(200, 300), 200);
    EXPECT_EQ(free_unit(1000, 1000), 1000);
    EXPECT_EQ(free_unit(2147483647, 2147483647), 2147483647);  // the walk stops at the top of int
    EXPECT_EQ(free_unit(-3, -1), -1);
    TempDir t;
    const std::string p = t.file("a.txt", "x\n");
    ASSERT_EQ(open_read(1, p), ok);
    EXPECT_EQ(open_read(1, p), err_connected);
    EXPECT_EQ(free_unit(1, 3), 2);
    EXPECT_EQ(unit_of(p), 1);
    EXPECT_EQ(unit_of((t.dir / "." / "a.txt").string()), 1);  // compared by canonical path
    EXPECT_EQ(unit_of(t.dir.string() + "/b.txt"), -1);
    EXPECT_EQ(close_unit(1), ok);
    EXPECT_EQ(unit_of(p), -1);
    EXPECT_EQ(free_unit(1, 3), 1);
    for (int bad : {-1, 5, 6, -2147483647 - 1}) EXPECT_NE(open_read(bad, p), ok) << bad;
    // The top of the readers' range (the last slot of the table) and the units above it, which
    // live beside the table, are connected, found, in use and closed as any other.
    static_assert(max_unit == 120);
    for (int high : {max_unit, 121, 1 << 30, 2147483647}) {
        ASSERT_EQ(open_read(high, p), ok) << high;
        EXPECT_EQ(open_read(high, p), err_connected);
        EXPECT_TRUE(is_connected(high));
        EXPECT_EQ(unit_of(p), high);
        EXPECT_EQ(free_unit(high, high), -1);
        EXPECT_EQ(open_units(), std::vector<int>{high});
        int st;
        EXPECT_EQ(Next(high, st), "x");
        EXPECT_EQ(close_unit(high), ok);
        EXPECT_FALSE(is_connected(high));
        EXPECT_EQ(free_unit(high, high), high);
    }
    EXPECT_TRUE(open_units().empty());
}

TEST(Units, OpeningRefusesWhatIsNotAReadableFile) {
    TempDir t;
    EXPECT_EQ(open_read(3, (t.dir / "missing").string()), err_open);
    EXPECT_EQ(open_read(3, t.dir.string()), err_open);  // a folder
    EXPECT_EQ(open_read(3, std::string("a\0b", 3)), err_open);
    EXPECT_EQ(open_read(3, ""), err_open);
    EXPECT_EQ(open_append(3, (t.dir / "missing").string(), false), err_open);
    EXPECT_FALSE(is_connected(3));
}

TEST(Units, RecordsStepBackAndEndOfFile) {
    TempDir t;
    const int u = 7;
    ASSERT_EQ(open_read(u, t.file("r.txt", "one\r\ntwo\n\nlast")), ok);
    int st;
    EXPECT_EQ(Next(u, st), "one");  // a carriage return before the newline is dropped
    EXPECT_EQ(Next(u, st), "two");
    EXPECT_EQ(Next(u, st), "");
    EXPECT_EQ(Next(u, st), "last");  // a final line without newline is a record
    EXPECT_EQ(st, ok);
    Next(u, st);
    EXPECT_EQ(st, end_of_file);
    Next(u, st);
    EXPECT_EQ(st, err_past_end);
    // From after the end-of-file marker, two steps back reach the last record.
    ASSERT_EQ(backspace(u, 2), ok);
    EXPECT_EQ(Next(u, st), "last");
    ASSERT_EQ(backspace(u, 1000000000000LL), ok);  // stops at the first record
    EXPECT_EQ(Next(u, st), "one");
    ASSERT_EQ(rewind_unit(u), ok);
    EXPECT_EQ(Next(u, st), "one");
    close_unit(u);
    std::string_view r;
    EXPECT_EQ(read_record(u, r), err_not_open);
    EXPECT_EQ(backspace(u), err_not_open);
    EXPECT_EQ(read_record(5, r), err_unit);

    ASSERT_EQ(open_read(u, t.file("empty.txt", "")), ok);
    Next(u, st);
    EXPECT_EQ(st, end_of_file);
    close_unit(u);
}

// Records of texts with many short lines, carriage returns, lines across the boundaries of the
// sixteen-character words and of the split's 4096-character pieces, and with and without a
// final line end, against a plain character-by-character split.
TEST(Units, RecordsOfRandomTextsMatchAPlainSplit) {
    TempDir tmp;
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        const std::size_t size = round < 20 ? rng() % 64 : rng() % 20000;
        const unsigned density = 2 + rng() % 40;  // one '\n' in about `density` characters
        std::string text(size, ' ');
        for (char& c : text) {
            const unsigned r = rng() % density;
            c = r == 0 ? '\n' : r == 1 ? '\r' : static_cast<char>('a' + rng() % 26);
        }
        if (round % 3 == 0) text += '\n';
        std::vector<std::string> want;
        std::size_t b = 0;
        while (b < text.size()) {
            std::size_t e = text.find('\n', b);
            const std::size_t next = e == std::string::npos ? text.size() : e + 1;
            if (e == std::string::npos) e = text.size();
            std::string rec = text.substr(b, e - b);
            if (!rec.empty() && rec.back() == '\r') rec.pop_back();
            want.push_back(rec);
            b = next;
        }
        const std::string path = tmp.file("random.txt", text);
        ASSERT_EQ(open_read(9, path), ok);
        Records r;
        ASSERT_EQ(records(9, r), ok);
        EXPECT_EQ(r.count, want.size()) << "round " << round;
        int st = ok;
        for (std::size_t k = 0; k < want.size(); ++k) ASSERT_EQ(Next(9, st), want[k]) << "round " << round << " record " << k;
        Next(9, st);
        EXPECT_EQ(st, end_of_file);
        close_unit(9);
    }
}

TEST(Units, AppendingCreatesOnlyWhenAsked) {
    TempDir t;
    const std::string p = (t.dir / "out.txt").string();
    ASSERT_EQ(open_append(9, p, true), ok);
    EXPECT_EQ(write_record(9, "first"), ok);
    std::string_view r;
    EXPECT_EQ(read_record(9, r), err_not_open);  // a writing unit is not read
    close_unit(9);
    ASSERT_EQ(open_append(9, p, false), ok);
    EXPECT_EQ(write_formatted(9, Format("(I3,F6.2)"), {4, 0.5}), ok);
    EXPECT_EQ(write_formatted(9, Format("(I3)"), {0.5}), err_format);
    close_unit(9);
    EXPECT_EQ(write_record(9, "x"), err_not_open);
    std::ifstream in(p);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "first\n  4  0.50\n");
}

}  // namespace
