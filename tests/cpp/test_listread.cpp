// List-directed input of one record.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "input/listread.h"

namespace {

using namespace tvk::io;

std::vector<double> Reals(const std::string& rec, int n, int& status, double fill = -7.0) {
    std::vector<double> v(n, fill);
    status = read_list(rec, v.data(), n);
    return v;
}

TEST(ListRead, SeparatorsAndNullItems) {
    EXPECT_EQ(count_items("1 2\t3"), 3);
    EXPECT_EQ(count_items("1.0 , 2.0"), 2);   // blanks around a comma make one separator
    EXPECT_EQ(count_items("1,2,"), 2);        // a trailing comma adds nothing
    EXPECT_EQ(count_items("1,,2"), 3);        // two commas leave a null item
    EXPECT_EQ(count_items(",1"), 2);          // a leading comma is a null item
    EXPECT_EQ(count_items(" , , "), 2);
    EXPECT_EQ(count_items("1 2 / 3 4"), 2);   // a slash ends the items
    EXPECT_EQ(count_items("   "), 0);
    int st;
    EXPECT_EQ(Reals("1,,2", 3, st), (std::vector<double>{1.0, -7.0, 2.0}));
    EXPECT_EQ(st, ok);
    EXPECT_EQ(Reals("5 /", 3, st), (std::vector<double>{5.0, -7.0, -7.0}));
    EXPECT_EQ(st, ok);  // a slash ends the list: the rest keep their values
    EXPECT_EQ(Reals("5 6", 3, st), (std::vector<double>{5.0, 6.0, -7.0}));
    EXPECT_EQ(st, end_of_record);
    int taken = -1;
    double one;
    EXPECT_EQ(read_list("", &one, 1, &taken), end_of_record);
    EXPECT_EQ(taken, 0);
}

TEST(ListRead, RealAndIntegerForms) {
    double v = 0;
    for (auto [text, want] : std::vector<std::pair<const char*, double>>{
             {"2.5", 2.5}, {"-1e-3", -1e-3}, {"7", 7.0}, {"+.5", 0.5}, {"3.", 3.0}, {"1D2", 100.0},
             {"1.5d-1", 0.15}, {"2E+3", 2000.0}, {"1e-400", 0.0}}) {
        ASSERT_EQ(parse_real(text, v), ok) << text;
        EXPECT_EQ(v, want) << text;
    }
    v = 42.0;
    for (const char* bad : {"", ".", "-", "1e", "1e+", "e3", "1.0x", "3*1.0", "1+3", "nan", "inf", "0x10", "1..2"})
        EXPECT_EQ(parse_real(bad, v), err_bad_value) << bad;
    EXPECT_EQ(parse_real("1e400", v), err_overflow);
    EXPECT_EQ(parse_real("-1d999", v), err_overflow);
    EXPECT_EQ(v, 42.0);  // failures leave the target alone

    int i = 9;
    ASSERT_EQ(parse_int("-2147483648", i), ok);
    EXPECT_EQ(i, -2147483647 - 1);
    ASSERT_EQ(parse_int("+12", i), ok);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(parse_int("2147483648", i), err_overflow);
    EXPECT_EQ(parse_int("99999999999999999999999", i), err_overflow);
    for (const char* bad : {"1.0", "1e3", "2*3", "+", "12a"}) EXPECT_EQ(parse_int(bad, i), err_bad_value) << bad;
    EXPECT_EQ(i, 12);

    // A bad item stops the read: the values before it are stored, the rest keep theirs.
    int st;
    EXPECT_EQ(Reals("1 2*3 4", 3, st), (std::vector<double>{1.0, -7.0, -7.0}));
    EXPECT_EQ(st, err_bad_value);
}

TEST(ListRead, WrittenValuesReadBackExactly) {
    std::mt19937_64 rng(20);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> ex(-300, 300);
    for (int k = 0; k < 2000; ++k) {
        const double x = std::ldexp(mant(rng), ex(rng) / 4);
        char buf[64];
        std::snprintf(buf, sizeof buf, k % 2 ? "%.17e" : "%.17g", x);
        std::string s = buf;
        if (k % 3 == 0)
            for (char& c : s)
                if (c == 'e') c = 'D';
        double y = 0;
        ASSERT_EQ(parse_real(s, y), ok) << s;
        EXPECT_EQ(x, y) << s;
    }
}

}  // namespace
